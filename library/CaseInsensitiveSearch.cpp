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
    qsizetype at = 0;
#if defined(__SSE2__)
    // Eight places at a time: a place whose first two units match is tested further. The
    // last eight places are taken as one more block, overlapping the one before.
    if (lastStart >= 7) {
        const auto lanes = [](const Units &u, int i) { return _mm_set1_epi16(short(u.unit[i])); };
        const __m128i f0 = lanes(first, 0), f1 = lanes(first, 1), f2 = lanes(first, 2), f3 = lanes(first, 3);
        const __m128i s0 = lanes(second, 0), s1 = lanes(second, 1), s2 = lanes(second, 2),
                      s3 = lanes(second, 3);
        const auto anyOf = [](__m128i v, __m128i a, __m128i b, __m128i c, __m128i d) {
            return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, a), _mm_cmpeq_epi16(v, b)),
                                _mm_or_si128(_mm_cmpeq_epi16(v, c), _mm_cmpeq_epi16(v, d)));
        };
        for (;;) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + at));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + at + secondAt));
            const __m128i hits = _mm_and_si128(anyOf(here, f0, f1, f2, f3), anyOf(next, s0, s1, s2, s3));
            // Two bits per place.
            unsigned mask = unsigned(_mm_movemask_epi8(hits));
            while (mask) {
                const int place = int(qCountTrailingZeroBits(mask)) / 2;
                if (restMatchesAt(hay + at + place))
                    return true;
                mask &= ~(3u << (2 * place));
            }
            if (at == lastStart - 7)
                return false;
            at = std::min(at + 8, lastStart - 7);
        }
    }
#endif
    for (; at <= lastStart; ++at)
        if (first.has(hay[at]) && second.has(hay[at + secondAt]) && restMatchesAt(hay + at))
            return true;
    return false;
}
