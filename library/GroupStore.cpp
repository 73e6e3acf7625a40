#include "library/GroupStore.h"

#include "library/JsonFile.h"
#include "library/Settings.h"

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
    const int defaultHeight = settings::defaultItemHeight();
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
    if (lossy || groups.size() != stored.size())
        keepRepairedFile(path);
    setGroups(tabBar, groups);
}

QList<GroupRecord> groupRecordsOf(const QTabBar *tabBar) {
    QList<GroupRecord> records;
    for (int i = 0; i < tabBar->count(); ++i)
        records.append({tabBar->tabText(i), tabBar->tabData(i).toInt()});
    return records;
}

bool saveGroups(QTabBar *tabBar, const QString &path) {
    return writeJsonFile(path, QJsonDocument(groupRecordsToJson(groupRecordsOf(tabBar))));
}
