#pragma once

#include <QJsonArray>
#include <QList>
#include <QString>

// The stored form of one group: an element of tab.json.
struct GroupRecord {
    QString name;
    int itemHeight = 0;

    bool operator==(const GroupRecord &o) const { return name == o.name && itemHeight == o.itemHeight; }
};

// The groups of a first run: "短语1" at 70 pixels, then two at the configured height.
QList<GroupRecord> defaultGroupRecords(int defaultItemHeight);

// Reads the elements of a tab.json array in order. Non-objects are skipped; a height
// that is missing, not a whole int or 0 becomes defaultItemHeight. lossy (when given)
// tells whether anything of the array is not in the records: a skipped element, a name
// that is no string, a height that is no whole number, a member of another name.
QList<GroupRecord> groupRecordsFromJson(const QJsonArray &array, int defaultItemHeight,
                                        bool *lossy = nullptr);
// The groups with each name only once, the first of each kept: phrases name their group,
// so a second tab of the same name would share (and delete or rename) the first's phrases.
QList<GroupRecord> withoutRepeatedNames(const QList<GroupRecord> &records);

QJsonArray groupRecordsToJson(const QList<GroupRecord> &records);
