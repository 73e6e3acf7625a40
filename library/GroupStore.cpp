#include "library/GroupStore.h"

#include "app/ConfigStore.h"
#include "app/JsonFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTabBar>

#include <cstdio>

namespace {

void setGroups(QTabBar *tabBar, const QList<GroupRecord> &groups) {
    while (tabBar->count() > 0)
        tabBar->removeTab(tabBar->count() - 1);
    for (const GroupRecord &group : groups) {
        const int index = tabBar->addTab(group.name);
        tabBar->setTabData(index, group.itemHeight);
    }
}

} // namespace

void loadGroups(QTabBar *tabBar, const QString &path) {
    const int defaultHeight = configInt(QStringLiteral("default_item_height"));
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
    const QList<GroupRecord> stored = groupRecordsFromJson(read.document.array(), defaultHeight);
    const QList<GroupRecord> groups = withoutRepeatedNames(stored);
    // The file as it was is kept beside it before the next save leaves the repeats out.
    if (groups.size() != stored.size()) {
        keepUnreadableFile(path);
        std::fprintf(stderr, "verbolin: %s names a group more than once; the first of each name is used\n",
                     qPrintable(QFileInfo(path).fileName()));
    }
    setGroups(tabBar, groups);
}

QList<GroupRecord> groupRecordsOf(const QTabBar *tabBar) {
    QList<GroupRecord> records;
    for (int i = 0; i < tabBar->count(); ++i)
        records.append({tabBar->tabText(i), tabBar->tabData(i).toInt()});
    return records;
}

void saveGroups(QTabBar *tabBar, const QString &path) {
    writeJsonFile(path, QJsonDocument(groupRecordsToJson(groupRecordsOf(tabBar))));
}
