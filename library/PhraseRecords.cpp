#include "library/PhraseRecords.h"

#include <QHash>
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

PhraseFingerprint phraseFingerprint(const PhraseRecord &r) {
    // Arbitrary odd seeds; only fingerprints made in this process are ever compared.
    if constexpr (sizeof(size_t) >= 8)
        return qHashMulti(size_t(0x9e3779b97f4a7c15ull), r.text, r.remark, r.tab, r.hotkey);
    else
        return (quint64(qHashMulti(size_t(0x85ebca6bu), r.text, r.remark, r.tab, r.hotkey)) << 32) |
               qHashMulti(size_t(0xc2b2ae35u), r.text, r.remark, r.tab, r.hotkey);
}

QList<PhraseFingerprint> phraseFingerprints(const QList<PhraseRecord> &records) {
    QList<PhraseFingerprint> fingerprints;
    fingerprints.reserve(records.size());
    for (const PhraseRecord &r : records)
        fingerprints.append(phraseFingerprint(r));
    return fingerprints;
}

namespace {

// Phrases are matched by fingerprint: the base is known only by its fingerprints.
using Keys = QList<PhraseFingerprint>;
using Counts = QHash<PhraseFingerprint, int>;

Counts countsOf(const Keys &keys) {
    Counts counts;
    for (PhraseFingerprint k : keys)
        ++counts[k];
    return counts;
}

// The elements of a that the multiset matching of a and b pairs (the k-th occurrence of a
// phrase in a with the k-th in b), in a's order.
Keys sharedInOrder(const Keys &a, const Counts &bCounts) {
    Counts seen;
    Keys shared;
    for (PhraseFingerprint k : a)
        if (seen[k]++ < bCounts.value(k))
            shared.append(k);
    return shared;
}

// A side of the merge: its phrases and their fingerprints, in its order.
struct Side {
    const QList<PhraseRecord> &records;
    const Keys &keys;
};

// The wanted copies of each phrase in the order of primary, with the copies that only
// secondary brings placed after the phrase they follow there. rows: primary's rows given,
// or -1 each.
void orderMerged(const Side &primary, const Side &secondary, const Counts &wanted, bool primaryRows,
                 PhraseMerge &merge) {
    QList<int> kept; // rows of primary
    Counts keptCount;
    QHash<PhraseFingerprint, QList<int>> keptAt; // each phrase's places in kept
    // The later copies of a phrase are dropped when fewer are wanted.
    for (int row = 0; row < primary.keys.size(); ++row) {
        const PhraseFingerprint k = primary.keys.at(row);
        if (keptCount.value(k) >= wanted.value(k))
            continue;
        ++keptCount[k];
        keptAt[k].append(int(kept.size()));
        kept.append(row);
    }
    const Counts s = countsOf(secondary.keys);
    QHash<int, QList<int>> insertedAfter; // rows of secondary by place in kept, -1: before the first
    Counts seen;
    int anchor = -1;
    for (int row = 0; row < secondary.keys.size(); ++row) {
        const PhraseFingerprint k = secondary.keys.at(row);
        const int n = seen[k]++;
        const int extra = wanted.value(k) - keptCount.value(k);
        const QList<int> places = keptAt.value(k);
        if (extra > 0 && n >= s.value(k) - extra)
            insertedAfter[anchor].append(row);
        else if (n < places.size())
            anchor = places.at(n);
    }
    const auto addInserted = [&merge, &insertedAfter, &secondary](int after) {
        for (int row : insertedAfter.value(after)) {
            merge.records.append(secondary.records.at(row));
            merge.oursRows.append(-1);
        }
    };
    addInserted(-1);
    for (int i = 0; i < kept.size(); ++i) {
        merge.records.append(primary.records.at(kept.at(i)));
        merge.oursRows.append(primaryRows ? kept.at(i) : -1);
        addInserted(i);
    }
}

} // namespace

PhraseMerge mergePhraseRecords(const Keys &base, const QList<PhraseRecord> &ours,
                               const QList<PhraseRecord> &theirs, const QList<PhraseRecord> &ownAdditions) {
    PhraseMerge merge;
    const Keys oursKeys = phraseFingerprints(ours), theirsKeys = phraseFingerprints(theirs);
    if ((oursKeys == base && ownAdditions.isEmpty()) || ours == theirs) {
        merge.records = theirs;
        merge.oursRows.fill(-1, theirs.size());
        return merge;
    }
    const Counts b = countsOf(base), o = countsOf(oursKeys), t = countsOf(theirsKeys),
                 own = countsOf(phraseFingerprints(ownAdditions));
    // How many of each phrase the result holds.
    Counts wanted;
    for (const Counts *side : {&o, &t}) {
        for (auto it = side->cbegin(); it != side->cend(); ++it) {
            const PhraseFingerprint k = it.key();
            if (wanted.contains(k))
                continue;
            const int inBase = b.value(k), byUs = o.value(k) - inBase, byThem = t.value(k) - inBase;
            int n = inBase;
            if (byUs >= 0 && byThem >= 0)
                n += qMax(byUs, byThem); // added on both sides: kept once
            else if (byUs <= 0 && byThem <= 0)
                n += qMin(byUs, byThem);
            else
                n += byUs + byThem;
            // Never fewer of ours than this program added since it last took theirs in.
            n = qMax(n, qMin(o.value(k), own.value(k)));
            wanted.insert(k, qMax(n, 0));
        }
    }
    // The order of the side that moved phrases it shares with base; ours when both did
    // (theirs' order is then lost) or neither.
    const bool theyMoved = sharedInOrder(theirsKeys, b) != sharedInOrder(base, t);
    const bool weMoved = sharedInOrder(oursKeys, b) != sharedInOrder(base, o);
    const Side oursSide{ours, oursKeys}, theirsSide{theirs, theirsKeys};
    if (theyMoved && !weMoved)
        orderMerged(theirsSide, oursSide, wanted, false, merge);
    else
        orderMerged(oursSide, theirsSide, wanted, true, merge);
    merge.theirOrderLost = theyMoved && weMoved && sharedInOrder(theirsKeys, o) != sharedInOrder(oursKeys, t);
    return merge;
}
