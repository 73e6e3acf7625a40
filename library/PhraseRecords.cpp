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

namespace {

using Counts = QHash<PhraseRecord, int>;

Counts countsOf(const QList<PhraseRecord> &records) {
    Counts counts;
    for (const PhraseRecord &r : records)
        ++counts[r];
    return counts;
}

// The elements of a that the multiset matching of a and b pairs (the k-th occurrence of a
// phrase in a with the k-th in b), in a's order.
QList<PhraseRecord> sharedInOrder(const QList<PhraseRecord> &a, const Counts &bCounts) {
    Counts seen;
    QList<PhraseRecord> shared;
    for (const PhraseRecord &r : a)
        if (seen[r]++ < bCounts.value(r))
            shared.append(r);
    return shared;
}

// The wanted copies of each phrase in the order of primary, with the copies that only
// secondary brings placed after the phrase they follow there. rows: primary's rows given,
// or -1 each.
void orderMerged(const QList<PhraseRecord> &primary, const QList<PhraseRecord> &secondary,
                 const Counts &wanted, bool primaryRows, PhraseMerge &merge) {
    struct Kept {
        PhraseRecord record;
        int row;
    };
    QList<Kept> kept;
    Counts keptCount;
    QHash<PhraseRecord, QList<int>> keptAt; // each phrase's places in kept
    // The later copies of a phrase are dropped when fewer are wanted.
    for (int row = 0; row < primary.size(); ++row) {
        const PhraseRecord &r = primary.at(row);
        if (keptCount.value(r) >= wanted.value(r))
            continue;
        ++keptCount[r];
        keptAt[r].append(int(kept.size()));
        kept.append({r, primaryRows ? row : -1});
    }
    const Counts s = countsOf(secondary);
    QHash<int, QList<PhraseRecord>> insertedAfter; // by place in kept, -1: before the first
    Counts seen;
    int anchor = -1;
    for (const PhraseRecord &r : secondary) {
        const int k = seen[r]++;
        const int extra = wanted.value(r) - keptCount.value(r);
        const QList<int> places = keptAt.value(r);
        if (extra > 0 && k >= s.value(r) - extra)
            insertedAfter[anchor].append(r);
        else if (k < places.size())
            anchor = places.at(k);
    }
    const auto addInserted = [&merge, &insertedAfter](int after) {
        for (const PhraseRecord &r : insertedAfter.value(after)) {
            merge.records.append(r);
            merge.oursRows.append(-1);
        }
    };
    addInserted(-1);
    for (int i = 0; i < kept.size(); ++i) {
        merge.records.append(kept.at(i).record);
        merge.oursRows.append(kept.at(i).row);
        addInserted(i);
    }
}

} // namespace

PhraseMerge mergePhraseRecords(const QList<PhraseRecord> &base, const QList<PhraseRecord> &ours,
                               const QList<PhraseRecord> &theirs, const QList<PhraseRecord> &ownAdditions) {
    PhraseMerge merge;
    if ((ours == base && ownAdditions.isEmpty()) || ours == theirs) {
        merge.records = theirs;
        merge.oursRows.fill(-1, theirs.size());
        return merge;
    }
    const Counts b = countsOf(base), o = countsOf(ours), t = countsOf(theirs), own = countsOf(ownAdditions);
    // How many of each phrase the result holds.
    Counts wanted;
    for (const Counts *side : {&o, &t}) {
        for (auto it = side->cbegin(); it != side->cend(); ++it) {
            const PhraseRecord &r = it.key();
            if (wanted.contains(r))
                continue;
            const int inBase = b.value(r), byUs = o.value(r) - inBase, byThem = t.value(r) - inBase;
            int n = inBase;
            if (byUs >= 0 && byThem >= 0)
                n += qMax(byUs, byThem); // added on both sides: kept once
            else if (byUs <= 0 && byThem <= 0)
                n += qMin(byUs, byThem);
            else
                n += byUs + byThem;
            // Never fewer of ours than this program added since it last took theirs in.
            n = qMax(n, qMin(o.value(r), own.value(r)));
            wanted.insert(r, qMax(n, 0));
        }
    }
    // The order of the side that moved phrases it shares with base; ours when both did
    // (theirs' order is then lost) or neither.
    const bool theyMoved = sharedInOrder(theirs, b) != sharedInOrder(base, t);
    const bool weMoved = sharedInOrder(ours, b) != sharedInOrder(base, o);
    if (theyMoved && !weMoved)
        orderMerged(theirs, ours, wanted, false, merge);
    else
        orderMerged(ours, theirs, wanted, true, merge);
    merge.theirOrderLost = theyMoved && weMoved && sharedInOrder(theirs, o) != sharedInOrder(ours, t);
    return merge;
}
