#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Where a search text was found in a phrase: the UTF-16 units from `from` up to `to`.
struct FoundSpan {
    qsizetype from = -1;
    qsizetype to = -1;
    bool found() const { return from >= 0; }
};

// Finds a search text spelled in pinyin in a phrase: the text's Latin letters (any case;
// spaces and apostrophes between them are skipped) are the readings of consecutive Han
// characters of the phrase, from any character on. Each character takes either its full
// reading, or its initial ("z", "c", "s" or "zh", "ch", "sh" for those), and the last
// one any start of a reading, as people type; any reading of a character with several
// counts, tones are ignored, and "ü" is typed as "v" or "u". Other characters of the text
// (Han characters among them) and of the phrase match only themselves, letters without
// regard to case; blanks of the phrase inside a match are skipped. A reading that starts
// with a vowel ("a", "o", "e") does not follow a letter directly: "na" is a reading of its
// own, not 你 then 啊 ("n'a" or "n a" is).
class PinyinSearch {
public:
    explicit PinyinSearch(QStringView text);

    // Whether the text is searched by its spelling at all: it holds a Latin letter, and
    // no more than maxUnits characters after its spaces are skipped.
    bool active() const { return isActive; }
    static constexpr int maxUnits = 63;

    // The first place (the one that ends first, of those the one that starts first) where
    // the text is spelled; none when it is not, or when the search is not active.
    FoundSpan find(QStringView phrase) const;
    bool foundIn(QStringView phrase) const;

private:
    template <bool WithSpan> FoundSpan scan(QStringView phrase) const;

    bool isActive = false;
    std::vector<char32_t> units; // letters 'a'–'z'; anything else case-folded
    int count = 0;
    std::uint64_t letters = 0;     // bit k: unit k is a letter
    std::uint64_t vowelOk = 0;     // bit k: a part starting at unit k may start with a vowel
    std::uint32_t firstLetter = 0; // the first unit's bit among the letters, or 0
};

// The readings of a character the table knows, for tests and tools: each without its tone.
std::vector<QString> pinyinReadingsOf(char32_t c);
