#pragma once

#include <QString>
#include <QStringMatcher>

// Tells whether a text occurs in others regardless of letter case, with the result of
// QString::contains(text, Qt::CaseInsensitive). Built once per search text and asked for
// many phrases. A text of one or two units, as typed first, is looked for by testing each
// place against its first unit alone (for ASCII: its two cases and the few units beyond
// ASCII that fold to it, so nothing is folded) and comparing the rest only where that
// passes; a longer one by a matcher that skips ahead by its length.
class CaseInsensitiveSearch {
public:
    explicit CaseInsensitiveSearch(const QString &text);

    bool foundIn(QStringView haystack) const;

private:
    enum class Way { Contains, FirstUnit, Skipping };

    QString text;
    Way way = Way::Contains;
    QStringMatcher skipping;
    char16_t folded = 0;                                 // the first unit, case-folded
    char16_t asciiLower = 0, asciiUpper = 0;             // the ASCII units that fold to it, if any
    char16_t othersFolding[2] = {};                      // units beyond ASCII folding to it, if it is ASCII
    char16_t secondLower = 0xFFFF, secondUpper = 0xFFFF; // the same for an ASCII second unit of two
};
