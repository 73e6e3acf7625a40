#include "library/CaseInsensitiveSearch.h"

#include <algorithm>

namespace {

// Marks "no ASCII unit folds to the first unit": no ASCII unit equals it.
constexpr char16_t noAscii = 0xFFFF;

// From this length on, skipping ahead beats testing every place.
constexpr qsizetype skippingLength = 3;

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
    way = Way::FirstUnit;
    if (folded >= 0x80) {
        asciiLower = asciiUpper = noAscii;
    } else {
        asciiLower = folded;
        asciiUpper = folded >= u'a' && folded <= u'z' ? char16_t(folded - u'a' + u'A') : folded;
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
        if (unit < 0x80) {
            if (unit != asciiLower && unit != asciiUpper)
                continue;
        } else if (QChar::isSurrogate(unit) || QChar::toCaseFolded(char32_t(unit)) != folded) {
            // A surrogate folds to a surrogate, which the first unit is not.
            continue;
        }
        if (haystack.mid(at, length).compare(text, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
