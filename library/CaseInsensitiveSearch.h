#pragma once

#include <QList>
#include <QString>

// Tells whether a text occurs in others regardless of letter case, with the result of
// QString::contains(text, Qt::CaseInsensitive). Built once per search text and asked for
// many phrases. Each unit of the text is turned once into the few units that fold as it
// does (for "k": "k", "K" and the Kelvin sign), so that a phrase is searched by plain
// comparisons of its units, eight places at a time where the processor allows, and no
// unit of a phrase is ever folded. A text with a surrogate pair, or with a unit that too
// many units fold to, is left to QString.
class CaseInsensitiveSearch {
public:
    explicit CaseInsensitiveSearch(const QString &text);

    bool foundIn(QStringView haystack) const;

    // The units that fold as one unit does, at most this many (repeated to fill the slots).
    static constexpr int maxFoldingUnits = 4;

private:
    struct Units {
        char16_t unit[maxFoldingUnits];
        bool has(char16_t u) const { return u == unit[0] || u == unit[1] || u == unit[2] || u == unit[3]; }
    };

    bool restMatchesAt(const char16_t *at) const;

    QString text;
    bool byQString = true;
    bool wide = false;  // more than two units fold as the first or the second unit does
    QList<Units> units; // one entry per unit of the text
};
