#include "library/CaseInsensitiveSearch.h"

#include <QtAlgorithms>

#include <algorithm>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Every unit outside the surrogates that case folding changes, with what it folds to,
// ordered by the folded unit; found once. The units folding to a unit are then those
// listed with it, and the unit itself where it folds to itself.
const std::vector<std::pair<char16_t, char16_t>> &unitsChangedByFolding() {
    static const std::vector<std::pair<char16_t, char16_t>> units = [] {
        std::vector<std::pair<char16_t, char16_t>> found;
        for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
            if (QChar::isSurrogate(unit))
                continue;
            const char32_t folded = QChar::toCaseFolded(unit);
            // A unit folding beyond the basic plane could match no unit of a text searched here.
            if (folded != unit && folded <= 0xFFFF)
                found.push_back({char16_t(folded), char16_t(unit)});
        }
        std::stable_sort(found.begin(), found.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        return found;
    }();
    return units;
}

// The units that fold as `unit` does, or an empty list when there are more than fit.
QList<char16_t> unitsFoldingAs(char16_t unit) {
    const char32_t folded = QChar::toCaseFolded(char32_t(unit));
    if (folded > 0xFFFF)
        return {};
    QList<char16_t> result;
    if (QChar::toCaseFolded(folded) == folded)
        result.append(char16_t(folded));
    const auto &changed = unitsChangedByFolding();
    const auto from =
        std::lower_bound(changed.cbegin(), changed.cend(), std::pair{char16_t(folded), char16_t(0)});
    for (auto it = from; it != changed.cend() && it->first == folded; ++it)
        result.append(it->second);
    if (result.size() > CaseInsensitiveSearch::maxFoldingUnits)
        return {};
    return result;
}

#if defined(__SSE2__)
// One unit of the text over eight units of a phrase: the units of the set, two of them, or
// four when more than two fold alike (the first two distinct, the others repeated).
template <bool Wide> class EightPlaces {
public:
    explicit EightPlaces(const char16_t *set) {
        for (int i = 0; i < count; ++i)
            lanes[i] = _mm_set1_epi16(short(set[i]));
    }
    __m128i test(const char16_t *at) const {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        __m128i hits = _mm_or_si128(_mm_cmpeq_epi16(units, lanes[0]), _mm_cmpeq_epi16(units, lanes[1]));
        if constexpr (Wide)
            hits = _mm_or_si128(
                hits, _mm_or_si128(_mm_cmpeq_epi16(units, lanes[2]), _mm_cmpeq_epi16(units, lanes[3])));
        return hits;
    }

private:
    static constexpr int count = Wide ? 4 : 2;
    __m128i lanes[count];
};

// Eight places at a time from the first to `lastStart` (at least 7): a place whose first
// unit (and second, with TwoUnits) matches is tested further by `rest`. The last eight
// places are taken as one more block, overlapping the one before.
template <bool Wide, bool TwoUnits, typename Rest>
bool scanEightAtATime(const char16_t *hay, qsizetype lastStart, const char16_t *first, const char16_t *second,
                      const Rest &rest) {
    const EightPlaces<Wide> firstUnit(first), secondUnit(second);
    for (qsizetype at = 0;;) {
        __m128i hits = firstUnit.test(hay + at);
        if constexpr (TwoUnits)
            hits = _mm_and_si128(hits, secondUnit.test(hay + at + 1));
        // Two bits per place.
        unsigned mask = unsigned(_mm_movemask_epi8(hits));
        while (mask) {
            const int place = int(qCountTrailingZeroBits(mask)) / 2;
            if (rest(hay + at + place))
                return true;
            mask &= ~(3u << (2 * place));
        }
        if (at == lastStart - 7)
            return false;
        at = std::min(at + 8, lastStart - 7);
    }
}
#endif

} // namespace

CaseInsensitiveSearch::CaseInsensitiveSearch(const QString &text) : text(text) {
    if (text.isEmpty())
        return; // by QString: found everywhere
    units.reserve(text.size());
    for (const QChar c : text) {
        // A unit of a surrogate pair folds with its partner: left to QString.
        if (c.isSurrogate())
            return;
        const QList<char16_t> folding = unitsFoldingAs(c.unicode());
        if (folding.isEmpty())
            return;
        Units entry;
        for (int i = 0; i < maxFoldingUnits; ++i)
            entry.unit[i] = folding.at(std::min<qsizetype>(i, folding.size() - 1));
        units.append(entry);
        // More than two units fold alike: the third differs from the second.
        if (units.size() <= 2)
            wide = wide || entry.unit[2] != entry.unit[1];
    }
    byQString = false;
}

// The units of the text from the third on against the haystack's from `at` + 2 (the first
// two are tested by the scan that found the place).
bool CaseInsensitiveSearch::restMatchesAt(const char16_t *at) const {
    for (qsizetype i = 2; i < units.size(); ++i)
        if (!units.at(i).has(at[i]))
            return false;
    return true;
}

bool CaseInsensitiveSearch::foundIn(QStringView haystack) const {
    if (byQString)
        return haystack.contains(text, Qt::CaseInsensitive);
    const qsizetype length = units.size();
    if (haystack.size() < length)
        return false;
    // A surrogate unit of the haystack folds to a surrogate, which no unit of the text is:
    // the units are compared as they are.
    const char16_t *hay = haystack.utf16();
    const qsizetype lastStart = haystack.size() - length;
    const Units &first = units.at(0);
    // A one-unit text has no second unit to test: the first stands in for it.
    const Units &second = units.at(length > 1 ? 1 : 0);
    const int secondAt = length > 1 ? 1 : 0;
#if defined(__SSE2__)
    if (lastStart >= 7) {
        const auto rest = [this](const char16_t *at) { return restMatchesAt(at); };
        if (length == 1)
            return wide ? scanEightAtATime<true, false>(hay, lastStart, first.unit, second.unit, rest)
                        : scanEightAtATime<false, false>(hay, lastStart, first.unit, second.unit, rest);
        return wide ? scanEightAtATime<true, true>(hay, lastStart, first.unit, second.unit, rest)
                    : scanEightAtATime<false, true>(hay, lastStart, first.unit, second.unit, rest);
    }
#endif
    for (qsizetype at = 0; at <= lastStart; ++at)
        if (first.has(hay[at]) && second.has(hay[at + secondAt]) && restMatchesAt(hay + at))
            return true;
    return false;
}
