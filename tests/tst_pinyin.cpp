// The pinyin search: a table of search texts against phrases, and the search against a
// plain reference that tries every way of spelling, on random phrases.

#include "library/pinyin/PinyinSearch.h"

#include <QRandomGenerator>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// The reference: a text's units and a phrase's characters as plain lists, and every way of
// spelling tried one after another, with no table of what was tried.
struct Unit {
    char32_t value;
    bool letter;
    bool vowelOk;
};

std::vector<Unit> referenceUnits(const QString &text) {
    std::vector<Unit> units;
    bool separated = false;
    for (const char32_t c : text.toUcs4()) {
        if (QChar::isSpace(c) || c == U'\'' || c == U'\u2019') {
            separated = true;
            continue;
        }
        const char32_t f = QChar::toCaseFolded(c);
        const bool letter = f >= U'a' && f <= U'z';
        units.push_back({f, letter, units.empty() || separated || !units.back().letter});
        separated = false;
    }
    return units;
}

struct Char {
    char32_t value;
    qsizetype from, to; // UTF-16 units
};

std::vector<Char> referenceChars(const QString &phrase) {
    std::vector<Char> chars;
    qsizetype at = 0;
    for (const char32_t c : phrase.toUcs4()) {
        const qsizetype size = c > 0xFFFF ? 2 : 1;
        chars.push_back({QChar::toCaseFolded(c), at, at + size});
        at += size;
    }
    return chars;
}

bool spells(const std::vector<Unit> &units, size_t k, const std::vector<Char> &chars, size_t i, size_t end) {
    if (k == units.size())
        return i == end;
    if (i == end)
        return false;
    // Blanks inside a match are skipped.
    if (k > 0 && QChar::isSpace(chars[i].value))
        return spells(units, k, chars, i + 1, end);
    if (chars[i].value == units[k].value && spells(units, k + 1, chars, i + 1, end))
        return true;
    for (const QString &reading : pinyinReadingsOf(chars[i].value)) {
        const bool vowel = reading.at(0) == u'a' || reading.at(0) == u'o' || reading.at(0) == u'e';
        if (vowel && !units[k].vowelOk)
            continue;
        // Every length of the text's part: the initial, zh/ch/sh, the full reading, or any
        // start of the reading that ends the text.
        for (size_t length = 1; length <= size_t(reading.size()) && k + length <= units.size(); ++length) {
            bool same = true;
            for (size_t n = 0; n < length && same; ++n) {
                const Unit &u = units[k + n];
                const QChar r = reading.at(qsizetype(n));
                same = u.letter && (u.value == r.unicode() || (r == u'v' && u.value == U'u'));
            }
            if (!same)
                break;
            const bool initial = length == 1 || (length == 2 && reading.at(1) == u'h' &&
                                                 QStringView(u"zcs").contains(reading.at(0)));
            const bool full = length == size_t(reading.size());
            const bool endsText = k + length == units.size();
            if ((initial || full || endsText) && spells(units, k + length, chars, i + 1, end))
                return true;
        }
    }
    return false;
}

FoundSpan referenceFind(const QString &text, const QString &phrase) {
    const std::vector<Unit> units = referenceUnits(text);
    bool anyLetter = false;
    for (const Unit &u : units)
        anyLetter = anyLetter || u.letter;
    if (!anyLetter || units.size() > size_t(PinyinSearch::maxUnits))
        return {};
    const std::vector<Char> chars = referenceChars(phrase);
    for (size_t end = 1; end <= chars.size(); ++end)
        for (size_t start = 0; start < end; ++start)
            if (spells(units, 0, chars, start, end))
                return {chars[start].from, chars[end - 1].to};
    return {};
}

} // namespace

class TestPinyin : public QObject {
    Q_OBJECT
private slots:
    void readingsComeFromTheTable_data();
    void readingsComeFromTheTable();
    void searchTexts_data();
    void searchTexts();
    void matchesAgreeWithThePlainReference();
};

void TestPinyin::readingsComeFromTheTable_data() {
    QTest::addColumn<QString>("character");
    QTest::addColumn<QString>("reading");
    QTest::newRow("你 reads ni") << u"你"_s << u"ni"_s;
    QTest::newRow("行 reads xing") << u"行"_s << u"xing"_s;
    QTest::newRow("行 reads hang too") << u"行"_s << u"hang"_s;
    QTest::newRow("重 reads chong too") << u"重"_s << u"chong"_s;
    QTest::newRow("长 reads zhang too") << u"长"_s << u"zhang"_s;
    QTest::newRow("绿 reads lv, its ü as v") << u"绿"_s << u"lv"_s;
    QTest::newRow("乐 reads yue too") << u"乐"_s << u"yue"_s;
    QTest::newRow("𠀀 of extension B has a reading") << u"𠀀"_s << u"he"_s;
}

void TestPinyin::readingsComeFromTheTable() {
    QFETCH(QString, character);
    QFETCH(QString, reading);
    const std::vector<QString> readings = pinyinReadingsOf(character.toUcs4().at(0));
    QVERIFY2(std::find(readings.begin(), readings.end(), reading) != readings.end(),
             qPrintable(QStringList(readings.begin(), readings.end()).join(u',')));
}

void TestPinyin::searchTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QString>("found"); // the part of the phrase found; empty: none

    QTest::newRow("full spelling") << u"nihao"_s << u"你好世界"_s << u"你好"_s;
    QTest::newRow("full spelling from any character") << u"yinhang"_s << u"招商银行"_s << u"银行"_s;
    QTest::newRow("initials") << u"nhsj"_s << u"你好世界"_s << u"你好世界"_s;
    QTest::newRow("two initials") << u"yh"_s << u"中国银行"_s << u"银行"_s;
    QTest::newRow("initials and full readings mixed") << u"nhshijie"_s << u"你好世界"_s << u"你好世界"_s;
    QTest::newRow("zhongqingl: the last reading begun") << u"zhongqingl"_s << u"重庆路"_s << u"重庆路"_s;
    QTest::newRow("a partial last reading counts") << u"nihaoshi"_s << u"你好世界"_s << u"你好世"_s;
    QTest::newRow("a partial last reading of several letters") << u"yinha"_s << u"银行"_s << u"银行"_s;
    QTest::newRow("a partial reading before the last does not") << u"nihashijie"_s << u"你好世界"_s << u""_s;
    QTest::newRow("Latin letters and Han characters in one text")
        << u"kf回复"_s << u"客服回复"_s << u"客服回复"_s;
    QTest::newRow("a Han character first, then letters") << u"客fhf"_s << u"客服回复"_s << u"客服回复"_s;
    QTest::newRow("行 as xing") << u"xingdong"_s << u"行动"_s << u"行动"_s;
    QTest::newRow("行 as hang") << u"hangye"_s << u"行业"_s << u"行业"_s;
    QTest::newRow("重 as zhong") << u"zhongyao"_s << u"重要"_s << u"重要"_s;
    QTest::newRow("重 as chong") << u"chongfu"_s << u"重复"_s << u"重复"_s;
    QTest::newRow("长 as chang and zhang") << u"changzhang"_s << u"长长"_s << u"长长"_s;
    QTest::newRow("tones are ignored") << u"lvse"_s << u"绿色"_s << u"绿色"_s;
    QTest::newRow("ü typed as u") << u"luse"_s << u"绿色"_s << u"绿色"_s;
    QTest::newRow("zh counts as z") << u"zg"_s << u"中国"_s << u"中国"_s;
    QTest::newRow("zh counts as zh") << u"zhg"_s << u"中国"_s << u"中国"_s;
    QTest::newRow("sh counts as s and as sh") << u"shssj"_s << u"上司世界"_s << u"上司世界"_s;
    QTest::newRow("upper case") << u"NiHao"_s << u"你好"_s << u"你好"_s;
    QTest::newRow("spaces are skipped") << u"ni hao"_s << u" 你好"_s << u"你好"_s;
    QTest::newRow("blanks of the phrase are skipped") << u"xxhy"_s << u"谢谢 会议\u3000"_s << u"谢谢 会议"_s;
    QTest::newRow("blanks between Latin words too")
        << u"helloworld"_s << u"Hello  world"_s << u"Hello  world"_s;
    QTest::newRow("extension-plane characters") << u"he"_s << u"一𠀀二"_s << u"𠀀"_s;
    QTest::newRow("after an extension-plane character") << u"er"_s << u"𠀀二"_s << u"二"_s;
    QTest::newRow("Latin text matches its own letters") << u"hello"_s << u"say Hello"_s << u"Hello"_s;
    QTest::newRow("a phrase without Han characters and other letters") << u"nihao"_s << u"hello"_s << u""_s;
    QTest::newRow("Latin letters spell nothing Han") << u"nh"_s << u"nothing here"_s << u""_s;
    QTest::newRow("letters then Han in a mixed phrase") << u"wx微信"_s << u"加WX微信"_s << u"WX微信"_s;
    QTest::newRow("no match across a character boundary") << u"na"_s << u"你啊"_s << u""_s;
    QTest::newRow("a vowel reading after a separator") << u"n'a"_s << u"你啊"_s << u"你啊"_s;
    QTest::newRow("a vowel reading first") << u"anning"_s << u"安宁"_s << u"安宁"_s;
    QTest::newRow("no letters spelled by the readings") << u"xyz"_s << u"你好"_s << u""_s;
    QTest::newRow("not the letters inside a reading") << u"ao"_s << u"你好"_s << u""_s;
    QTest::newRow("nothing spelled across a gap") << u"nh"_s << u"你们好"_s << u""_s;
    QTest::newRow("a text with no letter is not spelled") << u"你 好"_s << u"你好"_s << u""_s;
    QTest::newRow("punctuation matches itself") << u"nh!"_s << u"你好!"_s << u"你好!"_s;
}

void TestPinyin::searchTexts() {
    QFETCH(QString, text);
    QFETCH(QString, phrase);
    QFETCH(QString, found);
    const PinyinSearch search(text);
    const FoundSpan span = search.find(phrase);
    const QString got = span.found() ? phrase.mid(span.from, span.to - span.from) : QString();
    QCOMPARE(got, found);
    QCOMPARE(search.foundIn(phrase), !found.isEmpty());
}

void TestPinyin::matchesAgreeWithThePlainReference() {
    // Characters with several readings, readings that begin alike, zh/ch/sh, ü, a vowel
    // reading, extension-plane ones, Latin letters in both cases, and a space and punctuation.
    const QList<QString> chars = {u"重"_s, u"长"_s, u"行"_s, u"你"_s, u"啊"_s, u"好"_s, u"中"_s, u"庆"_s,
                                  u"绿"_s, u"女"_s, u"上"_s, u"三"_s, u"西"_s, u"安"_s, u"先"_s, u"𠀀"_s,
                                  u"二"_s, u"a"_s,  u"N"_s,  u"h"_s,  u" "_s,  u"!"_s,  u"饿"_s, u"藏"_s};
    const QList<QString> pieces = {u"zhong"_s, u"chong"_s, u"zh"_s,  u"z"_s,  u"c"_s,    u"ch"_s, u"chang"_s,
                                   u"hang"_s,  u"xing"_s,  u"x"_s,   u"h"_s,  u"ni"_s,   u"n"_s,  u"a"_s,
                                   u"hao"_s,   u"qing"_s,  u"q"_s,   u"lv"_s, u"lu"_s,   u"nv"_s, u"shang"_s,
                                   u"s"_s,     u"san"_s,   u"xi"_s,  u"an"_s, u"xian"_s, u"he"_s, u"er"_s,
                                   u"e"_s,     u"'"_s,     u" "_s,   u"!"_s,  u"重"_s,   u"好"_s, u"zang"_s,
                                   u"cang"_s,  u"H"_s,     u"shan"_s};
    QRandomGenerator random(31);
    int found = 0;
    for (int round = 0; round < 20000; ++round) {
        QString phrase;
        for (int n = int(random.bounded(1, 21)); n > 0; --n)
            phrase += chars.at(int(random.bounded(chars.size())));
        QString text;
        for (int n = int(random.bounded(1, 5)); n > 0; --n)
            text += pieces.at(int(random.bounded(pieces.size())));
        // Half the texts cut anywhere, as typing leaves them. Phrases past eight units go
        // through the search's eight-at-a-time skipping.
        if (random.bounded(2))
            text.truncate(int(random.bounded(1, int(text.size()) + 1)));
        const FoundSpan expected = referenceFind(text, phrase);
        const FoundSpan got = PinyinSearch(text).find(phrase);
        found += expected.found();
        if (got.from != expected.from || got.to != expected.to)
            QFAIL(qPrintable(u"\"%1\" in \"%2\": found %3-%4, the reference %5-%6"_s.arg(
                text, phrase, QString::number(got.from), QString::number(got.to),
                QString::number(expected.from), QString::number(expected.to))));
        QCOMPARE(PinyinSearch(text).foundIn(phrase), expected.found());
    }
    // Both outcomes were tried often.
    QVERIFY2(found > 2000 && found < 18000, qPrintable(QString::number(found)));
}

QTEST_GUILESS_MAIN(TestPinyin)
#include "tst_pinyin.moc"
