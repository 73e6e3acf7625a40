#pragma once

#include <cstdint>
#include <string_view>

// The Mandarin readings of the Han characters, without tones and with "ü" written "v",
// made at build time from Unicode's Unihan database (its Mandarin readings) and
// compiled into the program. Covers the basic plane and planes 1 to 3.
namespace pinyin_table {

extern const int syllableCount;
extern const int setCount;
extern const char syllableLetters[];
extern const std::uint16_t syllableStart[];
extern const std::uint32_t setStart[];
extern const std::uint16_t setSyllables[];
extern const std::uint32_t setInitials[];
extern const std::uint16_t pageOf[];
extern const std::uint16_t pageSets[];

// The number of a character's set of readings; 0 when it has none.
inline int readingSetOf(char32_t c) {
    if (c > 0x3FFFF)
        return 0;
    const unsigned page = pageOf[c >> 8];
    return page ? pageSets[(page - 1) * 256 + (c & 0xFF)] : 0;
}

// The letters of a syllable.
inline std::string_view syllable(int number) {
    return std::string_view(syllableLetters + syllableStart[number],
                            syllableStart[number + 1] - syllableStart[number]);
}

// The syllables of a set of readings: their numbers from `begin` to `end`.
struct Readings {
    const std::uint16_t *begin;
    const std::uint16_t *end;
};
inline Readings readingsOf(int set) {
    return {setSyllables + setStart[set], setSyllables + setStart[set + 1]};
}

// Bit n set: some reading of the set begins with the letter 'a' + n.
inline std::uint32_t initialsOf(int set) {
    return setInitials[set];
}

} // namespace pinyin_table
