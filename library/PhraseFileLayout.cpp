#include "library/PhraseFileLayout.h"

#include <QHash>
#include <QStringView>
#include <QtAlgorithms>

#include <algorithm>
#include <cstring>
#include <future>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at p (no overlong form, surrogate or value
// beyond U+10FFFF), or 0.
inline int utf8SequenceLength(const unsigned char *p, const unsigned char *end) {
    const unsigned char c = p[0];
    const auto left = end - p;
    if (c >= 0xC2 && c <= 0xDF)
        return left >= 2 && isContinuation(p[1]) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
            return 0;
        if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F))
            return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
            return 0;
        if ((c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] > 0x8F))
            return 0;
        return 4;
    }
    return 0;
}

// The one-letter escapes the writer uses; every other character below U+0020 it writes
// as \u00XX, which this reader leaves to the general parser.
char unescaped(unsigned char letter) {
    switch (letter) {
    case '"':
        return '"';
    case '\\':
        return '\\';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    default:
        return 0;
    }
}

// The first quote from p that no backslash escapes, or null.
const unsigned char *closingQuote(const unsigned char *p, const unsigned char *end) {
    for (const unsigned char *from = p;;) {
        const auto *quote =
            static_cast<const unsigned char *>(std::memchr(from, '"', std::size_t(end - from)));
        if (!quote)
            return nullptr;
        // Escaped by an odd number of backslashes right before it.
        const unsigned char *slashes = quote;
        while (slashes > p && slashes[-1] == '\\')
            --slashes;
        if ((quote - slashes) % 2 == 0)
            return quote;
        from = quote + 1;
    }
}

class LayoutReader {
public:
    LayoutReader(const char *begin, const char *end)
        : m_p(reinterpret_cast<const unsigned char *>(begin)),
          m_end(reinterpret_cast<const unsigned char *>(end)) {}

    bool atEnd() const { return m_p == m_end; }

    bool literal(const char *text) {
        const std::size_t n = std::strlen(text);
        if (std::size_t(m_end - m_p) < n || std::memcmp(m_p, text, n) != 0)
            return false;
        m_p += n;
        return true;
    }

    // The member's name line up to its closing quote and comma (or not, for the last).
    // A shared member's strings are made once for each distinct text and shared by every
    // phrase that has it (the group names).
    bool member(const char *name, QString *value, bool last, bool shared = false) {
        return literal("        \"") && literal(name) && literal("\": \"") && string(value, shared) &&
               literal(last ? "\n" : ",\n");
    }

private:
    // A string's content after its opening quote, through its closing quote. Decoded into
    // a scratch buffer, so that the string gets exactly its length (a UTF-8 decoder sizes a
    // string for its byte count: three times what Chinese text needs).
    bool string(QString *value, bool shared) {
        // A string's leading U+FEFF is dropped by the JSON parser: a save would write other bytes.
        if (m_end - m_p >= 3 && m_p[0] == 0xEF && m_p[1] == 0xBB && m_p[2] == 0xBF)
            return false;
        // Up to the closing quote first: a string never needs more units than it has bytes.
        const unsigned char *const close = closingQuote(m_p, m_end);
        if (!close)
            return false;
        // Room for a whole block of plain ASCII written at the last unit too.
        if (std::size_t(close - m_p) + plainBlock > m_scratch.size())
            m_scratch.resize(std::size_t(close - m_p) + plainBlock);
        char16_t *const first = m_scratch.data();
        char16_t *out = first;
        for (const unsigned char *p = m_p; p < close;) {
            const unsigned char c = *p;
            if (c >= 0x20 && c < 0x80 && c != '\\') {
                const std::ptrdiff_t run = std::min(plainRun(p, out), close - p);
                out += run;
                p += run;
            } else if (const int unit = c >= 0xE0 && close - p >= 3 ? threeByteUnit(p) : -1; unit >= 0) {
                *out++ = char16_t(unit);
                p += 3;
            } else if (const int length = c >= 0x80 ? utf8SequenceLength(p, close) : 0) {
                out += decodedSequence(p, length, out);
                p += length;
            } else if (c == '\\') {
                const char letter = unescaped(p[1]);
                if (!letter)
                    return false;
                *out++ = char16_t(letter);
                p += 2;
            } else {
                return false; // a control character or no well-formed sequence
            }
        }
        m_p = close + 1;
        const QStringView text(first, out - first);
        if (!shared) {
            *value = text.toString();
            return true;
        }
        const auto known = m_shared.constFind(text);
        if (known != m_shared.cend()) {
            *value = *known;
            return true;
        }
        *value = text.toString();
        // The key views the value's own characters, which stay where they are.
        m_shared.insert(QStringView(*value), *value);
        return true;
    }

    static constexpr std::size_t plainBlock = 16;

    // How many bytes from p, which is plain ASCII (printable, no backslash), are plain:
    // Latin text, markup and the spaces between words need neither escapes nor UTF-8
    // decoding, and are widened a block at a time. Writes that many units to out, and
    // possibly more of the block; the count may run past the string's closing quote.
    std::ptrdiff_t plainRun(const unsigned char *p, char16_t *out) const {
#if defined(__SSE2__)
        if (m_end - p >= std::ptrdiff_t(plainBlock)) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            // Signed, the bytes of UTF-8 sequences are below every printable one.
            const __m128i printable = _mm_cmpgt_epi8(bytes, _mm_set1_epi8(0x1F));
            const __m128i backslash = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\'));
            const unsigned plain = unsigned(_mm_movemask_epi8(_mm_andnot_si128(backslash, printable)));
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8), _mm_unpackhi_epi8(bytes, zero));
            return plain == 0xFFFF ? std::ptrdiff_t(plainBlock)
                                   : std::ptrdiff_t(qCountTrailingZeroBits(~plain));
        }
#endif
        *out = *p;
        return 1;
    }

    // The unit of a well-formed three-byte sequence at p (Chinese text), or -1: the same
    // test as the general one, in fewer steps for the most common sequences.
    static int threeByteUnit(const unsigned char *p) {
        const unsigned second = p[1] ^ 0x80u, third = p[2] ^ 0x80u;
        if (p[0] > 0xEF || (second | third) > 0x3Fu)
            return -1;
        const unsigned unit = (p[0] & 0x0Fu) << 12 | second << 6 | third;
        // Overlong, or a surrogate.
        return unit < 0x800 || unit - 0xD800u < 0x800u ? -1 : int(unit);
    }

    // The UTF-16 units of a well-formed sequence; how many.
    static int decodedSequence(const unsigned char *p, int length, char16_t *out) {
        if (length == 2) {
            *out = char16_t((p[0] & 0x1F) << 6 | (p[1] & 0x3F));
            return 1;
        }
        if (length == 3) {
            *out = char16_t((p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
            return 1;
        }
        const char32_t point =
            char32_t((p[0] & 0x07) << 18 | (p[1] & 0x3F) << 12 | (p[2] & 0x3F) << 6 | (p[3] & 0x3F));
        out[0] = QChar::highSurrogate(point);
        out[1] = QChar::lowSurrogate(point);
        return 2;
    }

    // Never empty: an empty string read is an empty string, not a null one.
    std::vector<char16_t> m_scratch = std::vector<char16_t>(256);
    QHash<QStringView, QString> m_shared;
    const unsigned char *m_p;
    const unsigned char *m_end;
};

// The phrases of a part of the array: the first part begins with the array's "[", the
// last one ends with its "]"; a part before the last ends right after an object's "}".
std::optional<QList<PhraseRecord>> phrasesOfPart(const char *begin, const char *end, bool first, bool last) {
    LayoutReader reader(begin, end);
    QList<PhraseRecord> records;
    // A phrase with four empty strings takes 95 bytes in this layout: reserved for the most
    // phrases the bytes can hold, the list never grows while it is read.
    constexpr qsizetype smallestPhraseBytes = 95;
    records.reserve((end - begin) / smallestPhraseBytes);
    if (first) {
        if (!reader.literal("[\n"))
            return std::nullopt;
        if (last && reader.literal("]\n"))
            return reader.atEnd() ? std::optional(records) : std::nullopt;
    }
    while (true) {
        PhraseRecord r;
        // The writer orders an object's members by name.
        if (!reader.literal("    {\n") || !reader.member("hotkey", &r.hotkey, false) ||
            !reader.member("remark", &r.remark, false) || !reader.member("tab", &r.tab, false, true) ||
            !reader.member("text", &r.text, true) || !reader.literal("    }"))
            return std::nullopt;
        records.append(std::move(r));
        if (last && reader.literal("\n]\n"))
            return reader.atEnd() ? std::optional(records) : std::nullopt;
        if (!last && reader.atEnd())
            return records;
        if (!reader.literal(",\n"))
            return std::nullopt;
    }
}

} // namespace

std::optional<QList<PhraseRecord>> phraseRecordsInWrittenLayout(const QByteArray &bytes) {
    const char *const begin = bytes.constData();
    const char *const end = begin + bytes.size();
    // A big file is read in two halves at once, split between two objects: in this layout
    // a line holding only "}," ends an object, as a line end inside a string is escaped.
    constexpr qsizetype splitFrom = 1024 * 1024;
    static const QByteArray between = QByteArrayLiteral("\n    },\n    {\n");
    const qsizetype split = bytes.size() >= splitFrom ? bytes.indexOf(between, bytes.size() / 2) : -1;
    if (split < 0)
        return phrasesOfPart(begin, end, true, true);
    const char *const firstEnd = begin + split + qsizetype(std::strlen("\n    }"));
    const char *const secondBegin = firstEnd + qsizetype(std::strlen(",\n"));
    std::future<std::optional<QList<PhraseRecord>>> second =
        std::async(std::launch::async, &phrasesOfPart, secondBegin, end, false, true);
    std::optional<QList<PhraseRecord>> records = phrasesOfPart(begin, firstEnd, true, false);
    std::optional<QList<PhraseRecord>> secondRecords = second.get();
    if (!records || !secondRecords)
        return std::nullopt;
    records->append(std::move(*secondRecords));
    return records;
}
