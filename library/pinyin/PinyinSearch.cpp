#include "library/pinyin/PinyinSearch.h"

#include "library/pinyin/PinyinTable.h"

#include <QChar>
#include <QtAlgorithms>

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::uint64_t bit(int k) {
    return std::uint64_t(1) << k;
}

bool isVowel(char letter) {
    return letter == 'a' || letter == 'o' || letter == 'e';
}

// A letter of the text against a letter of a reading: "ü" (written "v") is typed as "v" or "u".
bool sameLetter(char32_t typed, char reading) {
    return typed == char32_t(reading) || (reading == 'v' && typed == U'u');
}

// A character folded as the search folds it: ASCII at once, the rest by Unicode's folding.
char32_t folded(char32_t c) {
    if (c < 0x80)
        return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
    return QChar::toCaseFolded(c);
}

// Steps through the characters of a text: the code point at `at`, and where the next starts.
struct CodePoint {
    char32_t value;
    qsizetype next;
};
CodePoint codePointAt(QStringView text, qsizetype at) {
    const char16_t unit = text.at(at).unicode();
    if (QChar::isHighSurrogate(unit) && at + 1 < text.size() &&
        QChar::isLowSurrogate(text.at(at + 1).unicode()))
        return {QChar::surrogateToUcs4(unit, text.at(at + 1).unicode()), at + 2};
    return {unit, at + 1};
}

} // namespace

PinyinSearch::PinyinSearch(QStringView text) {
    bool separated = false;
    bool anyLetter = false;
    for (qsizetype at = 0; at < text.size();) {
        const CodePoint c = codePointAt(text, at);
        at = c.next;
        if (QChar::isSpace(c.value) || c.value == U'\'' || c.value == U'\u2019') {
            separated = true;
            continue;
        }
        if (count == maxUnits)
            return; // too long to be searched by its spelling
        const char32_t unit = folded(c.value);
        const bool letter = unit >= U'a' && unit <= U'z';
        if (count == 0 || separated || !(letters & bit(count - 1)))
            vowelOk |= bit(count);
        if (letter)
            letters |= bit(count);
        anyLetter = anyLetter || letter;
        units.push_back(unit);
        ++count;
        separated = false;
    }
    isActive = anyLetter;
    if (isActive && (letters & 1))
        firstLetter = std::uint32_t(1) << (units[0] - U'a');
}

template <typename Part>
static inline void forEachPart(const std::vector<char32_t> &units, int count, std::uint64_t letters,
                               std::uint64_t vowelOk, std::uint64_t starts, char32_t c, int set,
                               const Part &part) {
    for (std::uint64_t rest = starts; rest;) {
        const int k = qCountTrailingZeroBits(rest);
        rest &= rest - 1;
        const char32_t first = units[size_t(k)];
        if (first == c)
            part(k, k + 1);
        if (!set || !(letters & bit(k)) || !(pinyin_table::initialsOf(set) & (1u << (first - U'a'))))
            continue;
        const pinyin_table::Readings readings = pinyin_table::readingsOf(set);
        for (const std::uint16_t *r = readings.begin; r != readings.end; ++r) {
            const std::string_view reading = pinyin_table::syllable(*r);
            if (char32_t(reading[0]) != first || (isVowel(reading[0]) && !(vowelOk & bit(k))))
                continue;
            // The letters of the text that spell the reading's start.
            int spelled = 1;
            while (spelled < int(reading.size()) && k + spelled < count && (letters & bit(k + spelled)) &&
                   sameLetter(units[size_t(k + spelled)], reading[size_t(spelled)]))
                ++spelled;
            part(k, k + 1); // the initial
            if (spelled >= 2 && reading[1] == 'h' &&
                (reading[0] == 'z' || reading[0] == 'c' || reading[0] == 's'))
                part(k, k + 2); // zh, ch, sh
            if (spelled == int(reading.size()))
                part(k, k + spelled); // the full reading
            if (k + spelled == count)
                part(k, count); // the start of a reading, at the end of the text
        }
    }
}

template <bool WithSpan> FoundSpan PinyinSearch::scan(QStringView phrase) const {
    if (!isActive)
        return {};
    // Bit k: a part of the text from unit k on may be spelled by the next character (a match
    // spelled units 0 to k - 1 just before it). Bit 0 is always there: any character may start.
    std::uint64_t going = 0;
    qsizetype startOf[maxUnits + 1];
    qsizetype nextStartOf[maxUnits + 1];
    const char32_t firstUnit = units[0];
    const char16_t *text = phrase.utf16();
    const qsizetype size = phrase.size();
#if defined(__SSE2__)
    // The units where a match may start: the first unit in either case, or anything beyond
    // ASCII (a Han character, or a letter that folds).
    const char16_t lower = firstUnit < 0x80 ? char16_t(firstUnit) : 0;
    const char16_t upper = lower >= u'a' && lower <= u'z' ? char16_t(lower - u'a' + u'A') : lower;
    const __m128i lowerLane = _mm_set1_epi16(short(lower)), upperLane = _mm_set1_epi16(short(upper));
    const __m128i beyondAscii = _mm_set1_epi16(short(0xFF80)), zero = _mm_setzero_si128();
#endif
    for (qsizetype at = 0; at < size;) {
#if defined(__SSE2__)
        // Eight places at a time past the ASCII that cannot start a match.
        while (!going && at + 8 <= size) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at));
            const __m128i same =
                _mm_or_si128(_mm_cmpeq_epi16(units, lowerLane), _mm_cmpeq_epi16(units, upperLane));
            const unsigned ascii =
                unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, beyondAscii), zero)));
            const unsigned hits = (unsigned(_mm_movemask_epi8(same)) | ~ascii) & 0xFFFFu;
            if (hits) {
                at += qCountTrailingZeroBits(hits) / 2;
                break;
            }
            at += 8;
        }
        if (at >= size)
            break;
#endif
        char32_t c = text[at];
        qsizetype next = at + 1;
        int set = 0;
        char32_t folded;
        if (c < 0x80) {
            // ASCII, most of an English text: no readings, folded at once.
            folded = c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
            if (!going && folded != firstUnit) {
                at = next;
                continue;
            }
            if (folded == U' ' || (folded >= U'\t' && folded <= U'\r')) {
                // Blanks inside a match are skipped, as the text's own are.
                at = next;
                continue;
            }
        } else {
            if (QChar::isHighSurrogate(c) && next < size && QChar::isLowSurrogate(text[next]))
                c = QChar::surrogateToUcs4(char16_t(c), text[next++]);
            set = pinyin_table::readingSetOf(c);
            // A character with readings folds to itself.
            folded = set ? c : ::folded(c);
            // Most characters start nothing: told by one test.
            if (!going && folded != firstUnit && !(set && (pinyin_table::initialsOf(set) & firstLetter))) {
                at = next;
                continue;
            }
            if (!set && QChar::isSpace(c)) {
                at = next;
                continue;
            }
        }
        if constexpr (WithSpan)
            startOf[0] = at;
        std::uint64_t ends = 0;
        forEachPart(units, count, letters, vowelOk, going | 1, folded, set, [&](int from, int to) {
            if constexpr (WithSpan) {
                if (!(ends & bit(to)) || startOf[from] < nextStartOf[to])
                    nextStartOf[to] = startOf[from];
            }
            ends |= bit(to);
        });
        if (ends & bit(count))
            return {WithSpan ? nextStartOf[count] : at, next};
        going = ends;
        if constexpr (WithSpan)
            for (std::uint64_t rest = ends; rest; rest &= rest - 1)
                startOf[qCountTrailingZeroBits(rest)] = nextStartOf[qCountTrailingZeroBits(rest)];
        at = next;
    }
    return {};
}

FoundSpan PinyinSearch::find(QStringView phrase) const {
    return scan<true>(phrase);
}

bool PinyinSearch::foundIn(QStringView phrase) const {
    return scan<false>(phrase).found();
}

std::vector<QString> pinyinReadingsOf(char32_t c) {
    std::vector<QString> found;
    const int set = pinyin_table::readingSetOf(c);
    if (!set)
        return found;
    const pinyin_table::Readings readings = pinyin_table::readingsOf(set);
    for (const std::uint16_t *r = readings.begin; r != readings.end; ++r) {
        const std::string_view reading = pinyin_table::syllable(*r);
        found.push_back(QString::fromLatin1(reading.data(), qsizetype(reading.size())));
    }
    return found;
}
