#include "library/CaseInsensitiveSearch.h"

#include <QList>

#include <algorithm>
#include <iterator>

namespace {

// Marks "no ASCII unit folds to the first unit": no ASCII unit equals it.
constexpr char16_t noAscii = 0xFFFF;

// From this length on, skipping ahead beats testing every place.
constexpr qsizetype skippingLength = 3;

// The units beyond ASCII that fold to an ASCII one (the Kelvin sign to k, the long s to
// s), found once: with them known, a search for ASCII text never folds other units.
const QList<std::pair<char16_t, char16_t>> &unitsFoldingToAscii() {
    static const QList<std::pair<char16_t, char16_t>> units = [] {
        QList<std::pair<char16_t, char16_t>> found;
        for (char32_t unit = 0x80; unit <= 0xFFFF; ++unit) {
            if (QChar::isSurrogate(unit))
                continue;
            const char32_t folded = QChar::toCaseFolded(unit);
            if (folded < 0x80)
                found.append({char16_t(unit), char16_t(folded)});
        }
        return found;
    }();
    return units;
}

char16_t asciiUpperOf(char16_t folded) {
    return folded >= u'a' && folded <= u'z' ? char16_t(folded - u'a' + u'A') : folded;
}

// The units beyond ASCII that fold to an ASCII unit; false when there are more than fit.
bool fillOthersFolding(char16_t folded, char16_t *others, std::size_t otherCount) {
    std::fill(others, others + otherCount, noAscii);
    std::size_t n = 0;
    for (const auto &[unit, to] : unitsFoldingToAscii()) {
        if (to != folded)
            continue;
        if (n == otherCount)
            return false;
        others[n++] = unit;
    }
    return true;
}

} // namespace

CaseInsensitiveSearch::CaseInsensitiveSearch(const QString &text) : text(text) {
    if (text.isEmpty() || text.front().isSurrogate())
        return; // Way::Contains
    const bool anySurrogate =
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); });
    if (text.size() >= skippingLength && !anySurrogate) {
        skipping = QStringMatcher(text, Qt::CaseInsensitive);
        way = Way::Skipping;
        return;
    }
    const char32_t first = QChar::toCaseFolded(char32_t(text.front().unicode()));
    if (first > 0xFFFF)
        return;
    folded = char16_t(first);
    if (folded >= 0x80) {
        way = Way::FirstUnit;
        asciiLower = asciiUpper = noAscii;
        return;
    }
    if (!fillOthersFolding(folded, othersFolding, std::size(othersFolding)))
        return; // Way::Contains
    way = Way::FirstUnit;
    asciiLower = folded;
    asciiUpper = asciiUpperOf(folded);
    const char32_t second =
        text.size() == 2 ? QChar::toCaseFolded(char32_t(text.back().unicode())) : char32_t(noAscii);
    if (second < 0x80) {
        secondLower = char16_t(second);
        secondUpper = asciiUpperOf(char16_t(second));
    }
}

bool CaseInsensitiveSearch::foundIn(QStringView haystack) const {
    if (way == Way::Contains)
        return haystack.contains(text, Qt::CaseInsensitive);
    if (way == Way::Skipping)
        return skipping.indexIn(haystack) >= 0;
    const qsizetype length = text.size();
    const char16_t *units = haystack.utf16();
    for (qsizetype at = 0; at + length <= haystack.size(); ++at) {
        const char16_t unit = units[at];
        if (folded < 0x80) {
            // An ASCII first unit: only its two cases and the few units folding to it match.
            if (unit < 0x80 ? unit != asciiLower && unit != asciiUpper
                            : unit != othersFolding[0] && unit != othersFolding[1])
                continue;
            if (length == 1)
                return true;
            // A second ASCII unit of the text against an ASCII unit of the haystack.
            const char16_t next = units[at + 1];
            if (secondLower != noAscii && next < 0x80) {
                if (next == secondLower || next == secondUpper)
                    return true;
                continue;
            }
        } else if (unit < 0x80 || QChar::isSurrogate(unit) || QChar::toCaseFolded(char32_t(unit)) != folded) {
            // No ASCII unit folds beyond ASCII; a surrogate folds to a surrogate, which the
            // first unit is not.
            continue;
        }
        if (haystack.mid(at, length).compare(text, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
