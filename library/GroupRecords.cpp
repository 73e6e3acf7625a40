#include "library/GroupRecords.h"

#include <QJsonObject>
#include <QSet>

QList<GroupRecord> defaultGroupRecords(int defaultItemHeight) {
    return {{QStringLiteral("短语1"), 70},
            {QStringLiteral("短语2"), defaultItemHeight},
            {QStringLiteral("此处可右键点击"), defaultItemHeight}};
}

QList<GroupRecord> groupRecordsFromJson(const QJsonArray &array, int defaultItemHeight, bool *lossy) {
    QList<GroupRecord> records;
    bool lost = false;
    for (const QJsonValue &element : array) {
        if (!element.isObject()) {
            lost = true;
            continue;
        }
        const QJsonObject o = element.toObject();
        const QJsonValue name = o.value(QStringLiteral("tab"));
        const QJsonValue storedHeight = o.value(QStringLiteral("item_height"));
        // toInt(0) is 0 for a missing member, a non-number and a number that is no whole int.
        const int height = storedHeight.toInt(0);
        lost =
            lost || !(name.isString() || name.isUndefined()) ||
            !(storedHeight.isUndefined() || (storedHeight.isDouble() && storedHeight.toDouble() == height)) ||
            o.size() > int(name.isString()) + int(!storedHeight.isUndefined());
        records.append({name.toString(), height == 0 ? defaultItemHeight : height});
    }
    if (lossy)
        *lossy = lost;
    return records;
}

QList<GroupRecord> withoutRepeatedNames(const QList<GroupRecord> &records) {
    QList<GroupRecord> kept;
    QSet<QString> names;
    for (const GroupRecord &record : records) {
        if (names.contains(record.name))
            continue;
        names.insert(record.name);
        kept.append(record);
    }
    return kept;
}

QJsonArray groupRecordsToJson(const QList<GroupRecord> &records) {
    QJsonArray array;
    for (const GroupRecord &r : records) {
        QJsonObject o;
        o.insert(QStringLiteral("tab"), r.name);
        o.insert(QStringLiteral("item_height"), r.itemHeight);
        array.append(o);
    }
    return array;
}
