#include "library/GroupStore.h"

#include "library/JsonFile.h"
#include "library/PhraseItem.h"
#include "library/Settings.h"
#include "library/TabsAtOnce.h"
#include "library/UserNotices.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QListWidget>
#include <QPointer>
#include <QSet>
#include <QSignalBlocker>
#include <QTabBar>
#include <QVarLengthArray>

#include <algorithm>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

void setGroups(QTabBar *tabBar, const QList<GroupRecord> &groups) {
    QList<TabContent> tabs;
    tabs.reserve(groups.size());
    for (const GroupRecord &group : groups)
        tabs.append({group.name, group.itemHeight});
    replaceTabsAtOnce(tabBar, tabs);
}

} // namespace

QHash<QString, QList<GroupRecord>> &groupFileBases();

void loadGroups(QTabBar *tabBar, const QString &path) {
    const int defaultHeight = settings::defaultItemHeight();
    groupFileBases().remove(QFileInfo(path).absoluteFilePath()); // nothing known until read
    const JsonFileRead read = readJsonFile(path);
    if (!read.opened) {
        if (QFile::exists(path))
            keepUnreadableFile(path);
        setGroups(tabBar, defaultGroupRecords(defaultHeight));
        saveGroups(tabBar, path);
        return;
    }
    if (!read.document.isArray()) {
        keepUnreadableFile(path);
        return;
    }
    bool lossy = false;
    const QList<GroupRecord> stored = groupRecordsFromJson(read.document.array(), defaultHeight, &lossy);
    const QList<GroupRecord> groups = withoutRepeatedNames(stored);
    if (groups.size() != stored.size())
        std::fprintf(stderr, "verbolin: %s names a group more than once; the first of each name is used\n",
                     qPrintable(QFileInfo(path).fileName()));
    // The file as it was is kept beside it: the next save drops what was skipped or repeated.
    if (lossy || groups.size() != stored.size() || read.repeatedKeys)
        keepRepairedFile(path);
    setGroups(tabBar, groups);
    groupFileBases().insert(QFileInfo(path).absoluteFilePath(), groups);
}

QList<GroupRecord> groupRecordsOf(const QTabBar *tabBar) {
    QList<GroupRecord> records;
    for (int i = 0; i < tabBar->count(); ++i)
        records.append({tabBar->tabText(i), tabBar->tabData(i).toInt()});
    return records;
}

// The groups as tab.json last held them when read or written here, by path.
QHash<QString, QList<GroupRecord>> &groupFileBases() {
    static QHash<QString, QList<GroupRecord>> bases;
    return bases;
}

namespace {

std::function<void()> &groupsTakenInHandler() {
    static std::function<void()> handler;
    return handler;
}

// A version of tab.json written elsewhere: taken in whole when the program has no change
// of its own since it last read or wrote the file; otherwise nothing (it is kept aside).
std::optional<QByteArray> takeInOutsideGroups(QTabBar *tabBar, const QString &path,
                                              const QByteArray &outside) {
    if (!tabBar)
        return std::nullopt;
    const QString key = QFileInfo(path).absoluteFilePath();
    const QJsonDocument document = jsonDocumentOf(outside);
    if (!document.isArray()) {
        if (keepUnreadableFile(path).isEmpty())
            return std::nullopt;
        return QJsonDocument(groupRecordsToJson(groupRecordsOf(tabBar))).toJson(QJsonDocument::Indented);
    }
    if (groupRecordsOf(tabBar) != groupFileBases().value(key))
        return std::nullopt;
    bool lossy = false;
    const QList<GroupRecord> stored =
        groupRecordsFromJson(document.array(), settings::defaultItemHeight(), &lossy);
    const QList<GroupRecord> groups = withoutRepeatedNames(stored);
    if ((lossy || groups.size() != stored.size() || hasRepeatedKeys(outside, document)) &&
        keepRepairedFile(path).isEmpty())
        return std::nullopt;
    const QString current = tabBar->tabText(tabBar->currentIndex());
    {
        const QSignalBlocker quiet(tabBar);
        setGroups(tabBar, groups);
        for (int i = 0; i < tabBar->count(); ++i)
            if (tabBar->tabText(i) == current)
                tabBar->setCurrentIndex(i);
    }
    groupFileBases().insert(key, groups);
    if (groupsTakenInHandler())
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] {
                if (groupsTakenInHandler())
                    groupsTakenInHandler()();
            },
            Qt::QueuedConnection);
    return QJsonDocument(groupRecordsToJson(groups)).toJson(QJsonDocument::Indented);
}

} // namespace

void setGroupsTakenInHandler(std::function<void()> handler) {
    groupsTakenInHandler() = std::move(handler);
}

bool saveGroups(QTabBar *tabBar, const QString &path) {
    const QList<GroupRecord> groups = groupRecordsOf(tabBar);
    const QPointer<QTabBar> guarded(tabBar);
    const OutsideMerge merge = [guarded, path](const QByteArray &outside) {
        return takeInOutsideGroups(guarded, path, outside);
    };
    if (!writeJsonFile(path, QJsonDocument(groupRecordsToJson(groups)), merge))
        return false;
    groupFileBases().insert(QFileInfo(path).absoluteFilePath(), groupRecordsOf(tabBar));
    return true;
}

QStringList restoreGroupsOfPhrases(QTabBar *tabBar, const QListWidget *list, const QString &tabPath) {
    QSet<QString> known;
    for (int i = 0; i < tabBar->count(); ++i)
        known.insert(tabBar->tabText(i));
    QStringList added;
    // A big library's every row is looked at during the start-up. The phrases of a group
    // read from the file share one copy of its name: a name whose copy was looked up
    // already is passed over by its address.
    QVarLengthArray<const QChar *, 16> lookedUp;
    for (int row = 0, rows = list->count(); row < rows; ++row) {
        const QListWidgetItem *item = list->item(row);
        const PhraseRecord *record = phraseRecordIn(item);
        const QString group = record ? record->tab : item->data(PhraseGroupRole).toString();
        // An empty group is the first starter group's, given at the next save.
        if (group.isEmpty() ||
            std::find(lookedUp.cbegin(), lookedUp.cend(), group.constData()) != lookedUp.cend())
            continue;
        if (lookedUp.size() < 16)
            lookedUp.append(group.constData());
        if (known.contains(group))
            continue;
        known.insert(group);
        added.append(group);
    }
    if (added.isEmpty())
        return added;
    const int height = settings::defaultItemHeight();
    // Added without making one current: the current tab and what it shows stay.
    QList<TabContent> tabs;
    tabs.reserve(added.size());
    for (const QString &group : added)
        tabs.append({group, height});
    appendTabsAtOnce(tabBar, tabs);
    const QString shown = QFileInfo(tabPath).absoluteFilePath();
    const QString names = added.join(QStringLiteral("、"));
    tellUser(
        QStringLiteral("groups-restored:") + shown + QLatin1Char(':') + added.join(QLatin1Char('\n')),
        QStringLiteral("%1 中没有分组 %2，而有短语属于它；已把它加回分组中，短语都在。").arg(shown, names),
        QStringLiteral("%1 lacked the group(s) %2 that phrases belong to; they were added back")
            .arg(shown, added.join(QStringLiteral(", "))));
    return added;
}

void changeGroupInStores(QTabBar *tabBar, QListWidget *list, int index, const QString &name, int height,
                         const QString &tabPath, const QString &dataPath) {
    const QString oldName = tabBar->tabText(index);
    tabBar->setTabText(index, name);
    tabBar->setTabData(index, height);
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        if (item->data(PhraseGroupRole).toString() == oldName)
            item->setData(PhraseGroupRole, name);
    }
    savePhrases(list, dataPath);
    saveGroups(tabBar, tabPath);
}
