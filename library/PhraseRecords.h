#pragma once

#include <QHashFunctions>
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

inline size_t qHash(const PhraseRecord &r, size_t seed = 0) {
    return qHashMulti(seed, r.text, r.remark, r.tab, r.hotkey);
}

// A phrase's content as 64 bits, for remembering what a file held without a copy of every
// phrase (a hundred thousand of them take 0.8 MB instead of 10). Equal phrases have equal
// fingerprints; two different ones share one with a chance of about 1 in 2^64 per pair.
using PhraseFingerprint = quint64;
PhraseFingerprint phraseFingerprint(const PhraseRecord &r);
QList<PhraseFingerprint> phraseFingerprints(const QList<PhraseRecord> &records);

// A three-way merge of phrase lists, phrases matched by their content (all four members):
// base is the list the file last held as this program knows it (as fingerprints), ours the program's list
// now, theirs the file's list now. What either side added is kept, once when both added
// it; what either side removed is removed, except a phrase this program added since it
// last took in a version from outside (in ownAdditions): a writer that read the file
// before that phrase was written would otherwise remove it. The order is that of the side
// that moved phrases (ours when neither or both did), with the other side's additions
// placed after the phrase they follow there.
struct PhraseMerge {
    QList<PhraseRecord> records;
    // For each record: its row in ours, or -1 when it came from theirs (all -1 when the
    // result follows theirs' order).
    QList<int> oursRows;
    // Both sides moved phrases, differently: ours is kept, theirs is only in the file.
    bool theirOrderLost = false;
};
PhraseMerge mergePhraseRecords(const QList<PhraseFingerprint> &base, const QList<PhraseRecord> &ours,
                               const QList<PhraseRecord> &theirs,
                               const QList<PhraseRecord> &ownAdditions = {});

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
