#include "library/PhraseRecords.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

namespace {

constexpr int toolTipLineLength = 50;
constexpr int toolTipMaxLines = 30;

const QStringList phraseMembers = {QStringLiteral("text"), QStringLiteral("remark"), QStringLiteral("tab"),
                                   QStringLiteral("hotkey")};

} // namespace

QList<PhraseRecord> phraseRecordsFromJson(const QJsonArray &array, bool *lossy) {
    QList<PhraseRecord> records;
    records.reserve(array.size());
    bool lost = false;
    for (const QJsonValue &element : array) {
        if (!element.isObject()) {
            lost = true;
            continue;
        }
        const QJsonObject o = element.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            lost = lost || !it.value().isString() || !phraseMembers.contains(it.key());
        // toString() of a non-string value (a number, say) is the empty string.
        records.append(
            {o.value(QStringLiteral("text")).toString(), o.value(QStringLiteral("remark")).toString(),
             o.value(QStringLiteral("tab")).toString(), o.value(QStringLiteral("hotkey")).toString()});
    }
    if (lossy)
        *lossy = lost;
    return records;
}

QJsonArray phraseRecordsToJson(const QList<PhraseRecord> &records) {
    QJsonArray array;
    for (const PhraseRecord &r : records) {
        QJsonObject o;
        o.insert(QStringLiteral("text"), r.text);
        o.insert(QStringLiteral("remark"), r.remark);
        o.insert(QStringLiteral("tab"), r.tab);
        o.insert(QStringLiteral("hotkey"), r.hotkey);
        array.append(o);
    }
    return array;
}

QString phraseToolTip(const QString &text, const QString &remark) {
    // More than the most a tooltip shows (each line and its line end): the rest of a
    // very long phrase is never split up only to be dropped.
    const qsizetype enough = toolTipMaxLines * (toolTipLineLength + 1) + 1;
    if (remark.isEmpty())
        return wrapToolTipText(text.left(enough));
    const QString separator = QLatin1Char('\n') + QString(24, QChar(0x2500)) + QLatin1Char('\n');
    return wrapToolTipText(remark.left(enough) + separator + text.left(enough));
}

QString wrapToolTipText(const QString &s) {
    QStringList lines;
    bool cut = false;
    // Only the line feed splits; a carriage return stays inside its line.
    for (const QString &part : s.split(QLatin1Char('\n'))) {
        if (part.size() <= toolTipLineLength) {
            lines.append(part);
        } else {
            for (qsizetype start = 0; start < part.size(); start += toolTipLineLength)
                lines.append(part.mid(start, toolTipLineLength));
        }
        if (lines.size() > toolTipMaxLines) {
            lines.resize(toolTipMaxLines);
            cut = true;
            break;
        }
    }
    QString result = lines.join(QLatin1Char('\n'));
    if (cut)
        result += QStringLiteral("\n\u2026\u2026");
    return result;
}
