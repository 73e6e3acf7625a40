// Turns Unihan_Readings.txt (Unicode's Unihan database, as Debian's unicode-data ships it,
// unpacked) into the C++ source of the reading table the pinyin search uses: the Mandarin
// readings (kMandarin, kHanyuPinyin and the other Mandarin fields) of every character that
// has any, without tones, "ü" written "v".
//
// Usage: make_pinyin_table Unihan_Readings.txt OUTPUT.cpp
//
// A plain C++17 program with no dependencies: a cross build compiles it with the build
// machine's own compiler and runs it there.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr char32_t lastCodePoint = 0x3FFFF; // the table covers planes 0 to 3

// The code points of a UTF-8 string; an invalid sequence gives U+FFFD.
std::u32string decodeUtf8(const std::string &s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const auto byte = static_cast<unsigned char>(s[i]);
        int extra = byte < 0x80         ? 0
                    : (byte >> 5) == 6  ? 1
                    : (byte >> 4) == 14 ? 2
                    : (byte >> 3) == 30 ? 3
                                        : -1;
        if (extra < 0 || i + size_t(extra) >= s.size()) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? byte : byte & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + size_t(k)]);
            valid = valid && (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        out.push_back(valid ? cp : 0xFFFD);
        i += valid ? size_t(extra) + 1 : 1;
    }
    return out;
}

// The plain letter of a toned or accented pinyin letter ('v' for ü), 0 for a combining tone
// mark, '?' for anything that has no place in a reading.
char plainLetter(char32_t c) {
    if (c >= U'a' && c <= U'z')
        return char(c);
    if (c >= U'A' && c <= U'Z')
        return char(c - U'A' + U'a');
    if (c >= 0x300 && c <= 0x36F)
        return 0;
    static const std::map<char32_t, char> accented = {
        {U'à', 'a'}, {U'á', 'a'}, {U'â', 'a'}, {U'ã', 'a'}, {U'ā', 'a'}, {U'ă', 'a'}, {U'ǎ', 'a'},
        {U'è', 'e'}, {U'é', 'e'}, {U'ê', 'e'}, {U'ē', 'e'}, {U'ě', 'e'}, {U'ế', 'e'}, {U'ề', 'e'},
        {U'ì', 'i'}, {U'í', 'i'}, {U'î', 'i'}, {U'ī', 'i'}, {U'ǐ', 'i'}, {U'ĩ', 'i'}, {U'ò', 'o'},
        {U'ó', 'o'}, {U'ô', 'o'}, {U'õ', 'o'}, {U'ō', 'o'}, {U'ǒ', 'o'}, {U'ù', 'u'}, {U'ú', 'u'},
        {U'û', 'u'}, {U'ū', 'u'}, {U'ǔ', 'u'}, {U'ũ', 'u'}, {U'ü', 'v'}, {U'ǖ', 'v'}, {U'ǘ', 'v'},
        {U'ǚ', 'v'}, {U'ǜ', 'v'}, {U'ń', 'n'}, {U'ň', 'n'}, {U'ǹ', 'n'}, {U'ḿ', 'm'}};
    const auto found = accented.find(c);
    return found == accented.end() ? '?' : found->second;
}

// A reading without its tone, or empty when it is not one.
std::string toneless(const std::string &reading) {
    std::string out;
    for (const char32_t c : decodeUtf8(reading)) {
        const char letter = plainLetter(c);
        if (letter == '?')
            return {};
        if (letter)
            out.push_back(letter);
    }
    // No Mandarin syllable is longer ("zhuang"): anything else is not a reading.
    return out.size() <= 6 ? out : std::string();
}

std::vector<std::string> split(const std::string &s, char by) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, by))
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

void printArray(std::ostream &out, const char *type, const char *name, const std::vector<uint32_t> &values) {
    out << "extern const " << type << ' ' << name << "[];\nconst " << type << ' ' << name << "[] = {";
    for (size_t i = 0; i < values.size(); ++i)
        out << (i % 16 == 0 ? "\n    " : " ") << values[i] << ',';
    out << "\n};\n\n";
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s Unihan_Readings.txt OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    // Readings per code point (their order does not change what matches).
    std::map<char32_t, std::vector<std::string>> readings;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::vector<std::string> fields = split(line, '\t');
        if (fields.size() < 3 || fields[0].rfind("U+", 0) != 0)
            continue;
        // kMandarin gives one or two readings; the dictionary fields give every reading, with
        // locations before a colon (kHanyuPinyin; kXHC1983 and kTGHZ2013 for the simplified
        // characters, which kHanyuPinyin often lacks: 长 cháng, 乐 yuè) or frequencies in
        // brackets after them (kHanyuPinlu).
        const std::string &field = fields[1];
        const bool located = field == "kHanyuPinyin" || field == "kXHC1983" || field == "kTGHZ2013";
        const bool counted = field == "kHanyuPinlu";
        if (!located && !counted && field != "kMandarin")
            continue;
        const unsigned long cp = std::stoul(fields[0].substr(2), nullptr, 16);
        if (cp > lastCodePoint)
            continue;
        std::vector<std::string> values;
        for (const std::string &entry : split(fields[2], ' ')) {
            std::string list = entry;
            if (located) // "location,location:reading,reading"
                list =
                    entry.find(':') == std::string::npos ? std::string() : entry.substr(entry.find(':') + 1);
            if (counted) // "reading(count)"
                list = entry.substr(0, entry.find('('));
            for (const std::string &value : split(list, ','))
                values.push_back(toneless(value));
        }
        std::vector<std::string> &known = readings[char32_t(cp)];
        for (const std::string &value : values)
            if (!value.empty() && std::find(known.begin(), known.end(), value) == known.end())
                known.push_back(value);
    }
    if (readings.size() < 20000) {
        std::fprintf(stderr, "%s: %s holds readings for %zu characters only\n", argv[0], argv[1],
                     readings.size());
        return 1;
    }

    // Syllables, sorted; reading sets (sorted syllable numbers), numbered from 1 as first met.
    std::set<std::string> syllableSet;
    for (const auto &entry : readings)
        syllableSet.insert(entry.second.begin(), entry.second.end());
    const std::vector<std::string> syllables(syllableSet.begin(), syllableSet.end());
    const auto syllableNumber = [&](const std::string &s) {
        return uint32_t(std::lower_bound(syllables.begin(), syllables.end(), s) - syllables.begin());
    };
    std::map<std::vector<uint32_t>, uint32_t> setNumbers;
    std::vector<std::vector<uint32_t>> sets(1); // set 0: no reading
    std::map<char32_t, uint32_t> setOf;
    for (const auto &entry : readings) {
        std::vector<uint32_t> numbers;
        for (const std::string &s : entry.second)
            numbers.push_back(syllableNumber(s));
        std::sort(numbers.begin(), numbers.end());
        if (numbers.empty())
            continue;
        auto found = setNumbers.find(numbers);
        if (found == setNumbers.end()) {
            found = setNumbers.emplace(numbers, uint32_t(sets.size())).first;
            sets.push_back(numbers);
        }
        setOf[entry.first] = found->second;
    }

    // Two levels: a page number per 256 code points (0: none of them has a reading), then a
    // set number per code point of each page that has one.
    std::vector<uint32_t> pageOf((lastCodePoint + 1) / 256, 0), pageSets;
    for (uint32_t page = 0; page < pageOf.size(); ++page) {
        std::vector<uint32_t> entries(256, 0);
        bool any = false;
        for (uint32_t low = 0; low < 256; ++low) {
            const auto found = setOf.find(char32_t(page * 256 + low));
            if (found != setOf.end()) {
                entries[low] = found->second;
                any = true;
            }
        }
        if (!any)
            continue;
        pageOf[page] = uint32_t(pageSets.size() / 256 + 1);
        pageSets.insert(pageSets.end(), entries.begin(), entries.end());
    }

    std::vector<uint32_t> syllableStart, setStart, setSyllables, setInitials;
    std::string syllableText;
    for (const std::string &s : syllables) {
        syllableStart.push_back(uint32_t(syllableText.size()));
        syllableText += s;
    }
    syllableStart.push_back(uint32_t(syllableText.size()));
    for (const auto &set : sets) {
        setStart.push_back(uint32_t(setSyllables.size()));
        uint32_t initials = 0;
        for (const uint32_t s : set) {
            setSyllables.push_back(s);
            initials |= 1u << (syllables[s][0] - 'a');
        }
        setInitials.push_back(initials);
    }
    setStart.push_back(uint32_t(setSyllables.size()));

    std::ostringstream out;
    out << "// Made by make_pinyin_table from Unihan_Readings.txt; not to be edited.\n"
        << "// " << readings.size() << " characters, " << syllables.size() << " syllables, "
        << sets.size() - 1 << " sets of readings.\n\n"
        << "#include <cstdint>\n\nnamespace pinyin_table {\n\n";
    out << "extern const int syllableCount;\nconst int syllableCount = " << syllables.size() << ";\n";
    out << "extern const int setCount;\nconst int setCount = " << sets.size() << ";\n";
    out << "extern const char syllableLetters[];\nconst char syllableLetters[] = \"" << syllableText
        << "\";\n\n";
    printArray(out, "std::uint16_t", "syllableStart", syllableStart);
    printArray(out, "std::uint32_t", "setStart", setStart);
    printArray(out, "std::uint16_t", "setSyllables", setSyllables);
    printArray(out, "std::uint32_t", "setInitials", setInitials);
    printArray(out, "std::uint16_t", "pageOf", pageOf);
    printArray(out, "std::uint16_t", "pageSets", pageSets);
    out << "} // namespace pinyin_table\n";

    // Written only when it changed, so that a fresh run leaves the build alone.
    std::string old;
    {
        std::ifstream previous(argv[2], std::ios::binary);
        std::ostringstream read;
        read << previous.rdbuf();
        old = read.str();
    }
    if (old != out.str()) {
        std::ofstream written(argv[2], std::ios::binary | std::ios::trunc);
        written << out.str();
        written.close();
        if (!written) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
            return 1;
        }
    }
    return 0;
}
