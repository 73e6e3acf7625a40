#pragma once

#include <QJsonDocument>
#include <QList>
#include <QString>

// The stored form of one phrase: the four members of an element of data.json.
struct PhraseRecord {
    QString text;
    QString remark;
    QString tab;
    QString hotkey;

    bool operator==(const PhraseRecord &o) const {
        return text == o.text && remark == o.remark && tab == o.tab && hotkey == o.hotkey;
    }
};

// Reads the elements of a data.json array in order. Non-objects are skipped; a missing
// or non-string member reads as the empty string. lossy (when given) tells whether
// anything of the array is not in the records: a skipped element, a member that is no
// string, a member of another name.
QList<PhraseRecord> phraseRecordsFromJson(const QJsonArray &array, bool *lossy = nullptr);
QJsonArray phraseRecordsToJson(const QList<PhraseRecord> &records);

// Tooltip text of a phrase: the remark, a separator line and the text, wrapped.
QString phraseToolTip(const QString &text, const QString &remark);

// Breaks lines longer than 50 UTF-16 units into pieces and keeps at most 30 lines,
// marking a cut with a final line "……".
QString wrapToolTipText(const QString &s);
