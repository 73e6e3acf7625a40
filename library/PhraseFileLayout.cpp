#include "library/PhraseFileLayout.h"

#include <cstring>

namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at p (no overlong form, surrogate or value
// beyond U+10FFFF), or 0.
int utf8SequenceLength(const unsigned char *p, const unsigned char *end) {
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

class LayoutReader {
public:
    explicit LayoutReader(const QByteArray &bytes)
        : m_p(reinterpret_cast<const unsigned char *>(bytes.constData())), m_end(m_p + bytes.size()) {}

    bool atEnd() const { return m_p == m_end; }

    bool literal(const char *text) {
        const std::size_t n = std::strlen(text);
        if (std::size_t(m_end - m_p) < n || std::memcmp(m_p, text, n) != 0)
            return false;
        m_p += n;
        return true;
    }

    // The member's name line up to its closing quote and comma (or not, for the last).
    bool member(const char *name, QString *value, bool last) {
        return literal("        \"") && literal(name) && literal("\": \"") && string(value) &&
               literal(last ? "\n" : ",\n");
    }

private:
    // A string's content after its opening quote, through its closing quote.
    bool string(QString *value) {
        // A string's leading U+FEFF is dropped by the JSON parser: a save would write other bytes.
        if (m_end - m_p >= 3 && m_p[0] == 0xEF && m_p[1] == 0xBB && m_p[2] == 0xBF)
            return false;
        const unsigned char *start = m_p;
        bool escaped = false;
        while (m_p < m_end && *m_p != '"') {
            const unsigned char c = *m_p;
            if (c == '\\') {
                if (m_end - m_p < 2 || !unescaped(m_p[1]))
                    return false;
                escaped = true;
                m_p += 2;
            } else if (c < 0x20) {
                return false;
            } else if (c < 0x80) {
                ++m_p;
            } else {
                const int length = utf8SequenceLength(m_p, m_end);
                if (!length)
                    return false;
                m_p += length;
            }
        }
        if (m_p == m_end)
            return false;
        const char *text = reinterpret_cast<const char *>(start);
        const qsizetype size = m_p - start;
        ++m_p;
        if (!escaped) {
            *value = QString::fromUtf8(text, size);
            return true;
        }
        QByteArray plain;
        plain.reserve(size);
        for (qsizetype i = 0; i < size; ++i)
            plain.append(text[i] == '\\' ? unescaped(static_cast<unsigned char>(text[++i])) : text[i]);
        *value = QString::fromUtf8(plain);
        return true;
    }

    const unsigned char *m_p;
    const unsigned char *m_end;
};

} // namespace

std::optional<QList<PhraseRecord>> phraseRecordsInWrittenLayout(const QByteArray &bytes) {
    LayoutReader reader(bytes);
    QList<PhraseRecord> records;
    // A phrase with four empty strings takes 95 bytes in this layout: reserved for the most
    // phrases the bytes can hold, the list never grows while it is read.
    constexpr qsizetype smallestPhraseBytes = 95;
    records.reserve(bytes.size() / smallestPhraseBytes);
    if (!reader.literal("[\n"))
        return std::nullopt;
    if (reader.literal("]\n"))
        return reader.atEnd() ? std::optional(records) : std::nullopt;
    while (true) {
        PhraseRecord r;
        // The writer orders an object's members by name.
        if (!reader.literal("    {\n") || !reader.member("hotkey", &r.hotkey, false) ||
            !reader.member("remark", &r.remark, false) || !reader.member("tab", &r.tab, false) ||
            !reader.member("text", &r.text, true) || !reader.literal("    }"))
            return std::nullopt;
        records.append(std::move(r));
        if (reader.literal("\n]\n"))
            return reader.atEnd() ? std::optional(records) : std::nullopt;
        if (!reader.literal(",\n"))
            return std::nullopt;
    }
}
