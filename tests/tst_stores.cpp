// config.json, data.json and tab.json: a new install, odd content, what is kept aside before
// anything is lost, and saves that fail, retry and skip writing what is already there.

#include "TestFiles.h"
#include "app/DataFolder.h"
#include "app/DesktopKeyboardSetup.h"
#include "app/NoticeDisplay.h"
#include "library/ConfigStore.h"
#include "library/GroupStore.h"
#include "library/JsonFile.h"
#include "library/PhraseFileLayout.h"
#include "library/PhraseItem.h"
#include "library/Settings.h"
#include "library/UserNotices.h"
#include "pickwindow/MyTabBar.h"
#include "platform/AtomicFileWrite.h"

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <tuple>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

QJsonDocument fileJson(const QString &path) {
    return jsonDocumentOf(readAll(path));
}

// What the copies kept beside the file ("unreadable" or "outside" ones) hold.
QList<QByteArray> keptBeside(const QString &path, const QString &kind = u"unreadable"_s) {
    const QDir dir = QFileInfo(path).dir();
    QList<QByteArray> copies;
    for (const QString &name :
         dir.entryList({QFileInfo(path).fileName() + u'.' + kind + u"-*"_s}, QDir::Files))
        copies << readAll(dir.filePath(name));
    return copies;
}

void setModified(const QString &path, int secondsAgo) {
    QFile file(path);
    const QDateTime time = QDateTime::currentDateTime().addSecs(-secondsAgo);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime));
}

// Loads the file into a store of its kind and saves it back; returns the entries (or keys) held.
int loadAndSave(const QString &path) {
    const QString name = QFileInfo(path).fileName();
    if (name == "config.json"_L1) {
        loadConfig(path);
        saveConfig(path);
        return int(configObject().size());
    }
    if (name == "data.json"_L1) {
        QListWidget list;
        loadPhrases(&list, path);
        savePhrases(&list, path);
        return list.count();
    }
    QTabBar bar;
    loadGroups(&bar, path);
    saveGroups(&bar, path);
    return bar.count();
}

// One road for every store: load, repair, keep aside what would be lost, save.
struct LoadRow {
    const char *what, *name, *content; // no content: a file above the size cap
    int loaded;                        // entries after the load; -1: a complete default config
    bool keptAside;
    const char *saved = nullptr; // what the save wrote, as savedRecords() gives it
};
const LoadRow loadRows[] = {
    {"config: broken JSON", "config.json", R"({"hotkey": "Ctrl+Q",)", -1, true},
    {"config: an array", "config.json", "[1, 2, 3]", -1, true},
    {"config: an empty file", "config.json", "", -1, true},
    {"config: larger than any real library, not read", "config.json", nullptr, -1, true},
    {"config: only a hotkey gets the eight repaired keys", "config.json", R"({"hotkey": "Alt+Q"})", 9, false},
    {"data: broken JSON", "data.json", R"([{"text": "lost?")", 0, true},
    {"data: an object", "data.json", R"({"text": "x"})", 0, true},
    {"data: an empty array is no loss", "data.json", "[]", 0, false},
    {"data: a member of another name", "data.json", R"([{"text": "a", "note": "n"}])", 1, true},
    {"data: read whole, not copied", "data.json", R"([{"text": "a", "tab": "g"}, {"text": "b"}])", 2, false},
    {"tab: an object", "tab.json", R"({"tab": "mine"})", 0, true},
    {"tab: an array of names", "tab.json", R"(["mine", "yours"])", 0, true},
    {"tab: a name given as a number", "tab.json", R"([{"tab": 5, "item_height": 70}])", 1, true},
    {"tab: no loss: 0, no height", "tab.json", R"([{"tab": "a", "item_height": 0}, {"tab": "b"}])", 2, false},
    {"tab: a repeated name keeps its first group", "tab.json",
     R"([{"tab": "甲", "item_height": 30}, {"tab": "乙"}, {"tab": "甲", "item_height": 60}, {"tab": ""}])", 3,
     true, "甲/30|乙/44|/44"},
    {"tab: heights that are no whole positive number get the default", "tab.json",
     R"([{"tab": "zero", "item_height": 0}, {"tab": "text", "item_height": "70"}, {"tab": "fraction",
        "item_height": 70.5}, {"tab": "big", "item_height": 500}, 7, {"item_height": 30}])",
     5, true, "zero/44|text/44|fraction/44|big/500|/30"},
    // Wrong types dropped, an empty group becomes the first starter group, an empty text the remark.
    {"data: read tolerantly, repaired on save", "data.json",
     R"([5, {"text": "乙", "remark": 3, "hotkey": 12, "tab": "g"}, null, {"text": "丙", "remark": "r",
        "tab": "g", "hotkey": "Ctrl+1"}, {"text": "x", "tab": ""}, {"text": "", "remark": "abc", "tab": "g"}])",
     4, true, "乙//g/|丙/r/g/Ctrl+1|x//短语1/|abc/abc/g/"},
};

// Phrases written in the program's layout, then changed by replacing "from" with "to".
struct LayoutRow {
    const char *what;
    QStringList texts;
    const char *from, *to;
    bool inLayout, unchanged; // read by the direct reader; the save writes the same bytes
    QString group = u"组1"_s;
};
const LayoutRow layoutRows[] = {
    {"no phrase", {}, "", "", true, true},
    {"CJK, emoji, DEL, U+FFFE, U+FEFF", {u"您好😀"_s, u"a\uFEFF\u007F"_s, u"\uFFFE"_s}, "", "", true, true},
    {"U+FEFF starting a string, which the parser would drop", {u"\uFEFFa"_s}, "", "", false, false},
    {"quotes, backslashes, line ends and tabs", {u"a\"b\\c\nd\r\te\b\f"_s, u"\\"_s}, "", "", true, true},
    {"a control character the writer escapes as a number", {u"a\u0001"_s}, "", "", false, false},
    {"a lone surrogate", {QString(QChar(0xD800))}, "", "", false, false},
    {"a phrase without text", {u"a"_s, QString()}, "", "", true, false},
    {"a phrase without group", {u"a"_s}, "", "", true, false, QString()},
    {"on one line", {u"x/é"_s}, "\n", "", false, false},
    {"an escaped slash", {u"x/é"_s}, "x/", "x\\/", false, false},
    {"a numeric escape", {u"x/é"_s}, "é", "\\u00e9", false, false},
    {"a member missing", {u"x/é"_s}, "        \"hotkey\": \"Ctrl+1\",\n", "", false, false},
    {"text after the array", {u"x/é"_s}, "]\n", "]\n[]", false, false},
    {"long plain runs ended by escapes, UTF-8 and the quote",
     {u"0123456789abcdef\"0123456789abcde\\ 0123456789abcdefé0123456789abcdef您0123456789abcdef"_s},
     "",
     "",
     true,
     true},
    {"broken UTF-8", {u"x/é"_s}, "é", "\xC3", false, false},
    {"broken UTF-8 after a long plain run", {u"0123456789abcdef/x"_s}, "/", "\xE4\xBD", false, false},
    {"a raw tab after a long plain run", {u"0123456789abcdef/x"_s}, "/", "\t", false, false},
    {"overlong UTF-8", {u"x/é"_s}, "/", "\xC0\xAF", false, false},
    {"overlong UTF-8 of three bytes", {u"x/é"_s}, "/", "\xE0\x80\xAF", false, false},
    {"an encoded surrogate", {u"x/é"_s}, "/", "\xED\xA0\x80", false, false},
    {"over a megabyte, read in two halves", QStringList(3000, u"短语"_s.repeated(50)), "", "", true, true},
    {"over a megabyte, text after the array", QStringList(3000, u"短语"_s.repeated(50)), "]\n", "]\n[]",
     false, false},
};

// Values a load used to change without a word: each is kept, or the file is kept aside and
// the user told. expected: the value saved for key (in the first element of an array); null:
// the value a new file has.
struct KeepRow {
    const char *what, *name, *content;
    bool keptAside;
    const char *key;
    QJsonValue expected;
    bool told;
};
const KeepRow keepRows[] = {
    {"data: a key named twice: the file is kept aside", "data.json",
     R"([{"text": "first", "text": "second", "tab": "g"}])", true, "text", u"second"_s, true},
    {"data: a text's leading U+FEFF is kept", "data.json",
     "[{\"text\": \"\xEF\xBB\xBFt\", \"remark\": \"\xEF\xBB\xBFr\", \"tab\": \"g\"}]", false, "text",
     u"\uFEFFt"_s, false},
    {"data: a remark's leading U+FEFF is kept", "data.json",
     "[{\"text\": \"\xEF\xBB\xBFt\", \"remark\": \"\xEF\xBB\xBFr\", \"tab\": \"g\"}]", false, "remark",
     u"\uFEFFr"_s, false},
    {"data: a U+FEFF inside a text stays as it is", "data.json",
     "[{\"text\": \"a\\\"\xEF\xBB\xBF"
     "b\", \"tab\": \"g\"}]",
     false, "text", u"a\"\uFEFFb"_s, false},
    {"tab: a key named twice: the file is kept aside", "tab.json",
     R"([{"tab": "a", "item_height": 30, "item_height": 50}])", true, "item_height", 50, true},
    {"config: a key named twice: the file is kept aside", "config.json",
     R"({"hotkey": "Alt+Q", "delay": 100, "delay": 300})", true, "delay", 300, true},
    {"config: a position of 1e300 is kept aside, the window placed as new", "config.json",
     R"({"hotkey": "Alt+Q", "chuangkou_x": 1e300})", true, "chuangkou_x", QJsonValue(), true},
    {"config: a position given as text is kept aside, the window placed as new", "config.json",
     R"({"hotkey": "Alt+Q", "tianjiachuangkou_y": "x"})", true, "tianjiachuangkou_y", QJsonValue(), true},
    {"config: a whole position off the screen stays", "config.json",
     R"({"hotkey": "Alt+Q", "chuangkou_x": -20})", false, "chuangkou_x", -20, false},
    {"config: no hotkey: the default is used, written and told", "config.json", R"({"delay": 100})", false,
     "hotkey", u"Ctrl+Shift+V"_s, true},
    {"config: an empty hotkey is the user's choice and stays", "config.json", R"({"hotkey": ""})", false,
     "hotkey", u""_s, false},
};

// Three versions of a phrase list and what merging them gives; phrases as texts, blanks between.
struct MergeRow {
    const char *what, *base, *ours, *theirs, *merged;
    bool theirOrderLost = false;
    const char *ownAdditions = "";
};
const MergeRow mergeRows[] = {
    {"no change here: theirs is taken whole", "a b", "a b", "b c", "b c"},
    {"a phrase added on either side is kept", "a b", "a b x", "a b y", "a b y x"},
    {"the same phrase added on both sides is kept once", "a", "a x y", "a x", "a x y"},
    {"a phrase removed outside is removed", "a b c", "a b c d", "a c", "a c d"},
    {"a phrase removed here stays removed", "a b c", "a c", "a b c e", "a c e"},
    {"an edit on each side keeps both versions", "a b", "a b1", "a b2", "a b2 b1"},
    {"a copy removed outside leaves the other copy", "a a b", "a a b x", "a b", "a b x"},
    {"a writer that read before a phrase was written does not remove it", "a x", "a x", "a w", "a w x", false,
     "x"},
    {"moved outside only: theirs' order, with ours' additions after their neighbour", "a b c", "a b d c",
     "c b a", "c b d a"},
    {"moved on both sides: ours is kept and theirs' order is lost", "a b c", "c a b x", "b a c", "c a b x",
     true},
    {"moved the same way on both sides: nothing is lost", "a b c", "c a b x", "c a b", "c a b x"},
};

// A file replaced while a program writes it just before the new bytes take its place: what
// the replacement hands back. Contents: nullptr is no file, "-" the racer removing it.
struct SwapRow {
    const char *what, *before, *racer;
    bool taken;             // the caller takes what was replaced
    const char *leftBeside; // what is handed back beside the file; nullptr: nothing
};
const SwapRow swapRows[] = {
    {"an existing file's content is handed back", "old", nullptr, true, "old"},
    {"a version written just before the swap is handed back, not the one looked at", "old", "racer", true,
     "racer"},
    {"a file made just before the swap is swapped with, not put over", nullptr, "racer", true, "racer"},
    {"a new file leaves nothing beside it", nullptr, nullptr, true, nullptr},
    {"a file removed just before the swap is made anew, nothing beside it", "old", "-", true, nullptr},
    {"with no caller to take it, the replaced content is removed", "old", "racer", false, nullptr},
};

// A save of data.json ("a b" on disk, "mine" added) while another program writes it just
// before the save's bytes take its place, landing in that many swaps (-1: in every one).
// Each landing writes the racer's versions: "a b" with t1 … tN after N landings, or fixed.
struct RaceRow {
    const char *what;
    int landings;
    const char *fixed;    // the racer's version whatever the landing (as it is when it begins with '['),
                          // nullptr: growing
    const char *saved;    // data.json's phrases after the save
    const char *kept;     // the one version kept beside the file for the user; "": none
    bool rereads = false; // the racer adds tN to what the file holds then, as read-modify-write programs do
};
const RaceRow raceRows[] = {
    {"a phrase the racer adds just before the swap is merged in", 1, nullptr, "a b t1 mine", ""},
    {"a racer landing in two swaps in a row loses neither version", 2, nullptr, "a b t1 t2 mine", ""},
    {"a racer that read the file after a swap does not take away what only its earlier version had", 2,
     nullptr, "a b t1 mine t2", "", true},
    {"a phrase the racer removes just before the swap is removed", 1, "b", "b mine", ""},
    {"the racer writing the bytes that were there changes nothing", 1, "a b", "a b mine", ""},
    {"a version that does not parse (a writer still at work) is kept whole for the user", 1,
     R"([{"text": "a"}, {"te)", "a b mine", R"([{"text": "a"}, {"te)"},
    {"a racer in every swap is given up on after some rounds, its last version kept for the user", -1,
     nullptr, "a b t1 t2 t3 t4 t5 t6 t7 mine", "a b t1 t2 t3 t4 t5 t6 t7 t8"},
};

QList<PhraseRecord> textRecords(const char *texts) {
    QList<PhraseRecord> records;
    for (const QString &text : QString::fromUtf8(texts).split(u' ', Qt::SkipEmptyParts))
        records.append({text, {}, u"g"_s, {}});
    return records;
}

QString textsOf(const QList<PhraseRecord> &records) {
    QStringList texts;
    for (const PhraseRecord &r : records)
        texts << r.text;
    return texts.join(u' ');
}

template <typename Row, std::size_t N> void addRowNumbers(const Row (&rows)[N]) {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < N; ++i)
        QTest::newRow(rows[i].what) << int(i);
}

// The saved records as "text/remark/tab/hotkey" or "tab/item_height", "|" between, "?": not written.
QString savedRecords(const QString &path) {
    const QStringList keys = path.endsWith("data.json"_L1)
                                 ? QStringList{u"text"_s, u"remark"_s, u"tab"_s, u"hotkey"_s}
                                 : QStringList{u"tab"_s, u"item_height"_s};
    QStringList lines;
    for (const QJsonValue &v : fileJson(path).array()) {
        QStringList fields;
        for (const QString &key : keys)
            fields << (v.toObject().contains(key) ? v.toObject().value(key).toVariant().toString() : u"?"_s);
        lines << fields.join(u'/');
    }
    return lines.join(u'|');
}

QStringList notices;

} // namespace

class StoresTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_folders = 0;

    QString freshPath(const QString &name) {
        const QString folder = m_dir.filePath(QString::number(++m_folders));
        QDir().mkpath(folder);
        return folder + u'/' + name;
    }

private slots:
    void initTestCase() {
        setNoticeSink([](const QString &message) { notices << message; });
    }
    void init() {
        configObject() = QJsonObject{{u"default_item_height"_s, 44}};
        notices.clear();
    }

    // The token of the user's remembered consent to the desktop's keyboard: kept in config.json
    // as the desktop hands it out, handed back on the next start, and a refusal told once.
    void theDesktopKeyboardTokenIsKeptAndHandedBack() {
        const QString path = freshPath(u"config.json"_s);
        loadConfig(path);
        QCOMPARE(desktopKeyboardHooks(path).restoreToken, QString());
        desktopKeyboardHooks(path).keepToken(u"token-1"_s);
        QCOMPARE(fileJson(path).object().value(u"remote_desktop_token"_s).toString(), u"token-1"_s);
        // The next start reads it from the file.
        configObject() = QJsonObject();
        loadConfig(path);
        DesktopKeyboardHooks next = desktopKeyboardHooks(path);
        QCOMPARE(next.restoreToken, u"token-1"_s);
        next.keepToken(u"token-2"_s);
        QCOMPARE(fileJson(path).object().value(u"remote_desktop_token"_s).toString(), u"token-2"_s);
        // A desktop that remembers nothing hands out no token: the used one goes.
        next.keepToken(QString());
        QVERIFY(!fileJson(path).object().contains(u"remote_desktop_token"_s));
        next.unusable(u"the user did not allow the keyboard"_s);
        next.unusable(u"the user did not allow the keyboard"_s);
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.at(0).contains(u"the user did not allow the keyboard"_s));
    }

    // A new install: the pick window centred (an odd size truncates), the others just right of
    // it; a sorted indented config.json; the starter phrases and groups, all written.
    void aNewInstallIsCentredAndGetsTheStarters() {
        for (const auto &[screen, cx, cy] :
             {std::tuple{QSize(1920, 1080), 710, 290}, std::tuple{QSize(1365, 768), 432, 134}}) {
            const QJsonObject c = defaultConfig(screen);
            for (const char *w : {"chuangkou", "shezhichuangkou", "tianjiachuangkou", "xiugaichuangkou"}) {
                const bool pick = QLatin1String(w) == "chuangkou"_L1;
                QCOMPARE(c.value(QLatin1String(w) + u"_x"_s), QJsonValue(pick ? cx : cx + 501));
                QCOMPARE(c.value(QLatin1String(w) + u"_y"_s), QJsonValue(cy));
            }
        }
        QListWidget list;
        const QString data = freshPath(u"data.json"_s);
        loadPhrases(&list, data);
        QTabBar bar;
        const QString tabs = freshPath(u"tab.json"_s);
        loadGroups(&bar, tabs);
        QCOMPARE(fileJson(data).array().size(), list.count());
        QCOMPARE(list.count(), 4);
        for (int row = 0; row < list.count(); ++row) // all in the first starter group
            QCOMPARE(list.item(row)->data(PhraseGroupRole).toString(), bar.tabText(0));
        QCOMPARE(groupRecordsFromJson(fileJson(tabs).array(), 0), groupRecordsOf(&bar));
        QCOMPARE(bar.count(), 3);
        QCOMPARE(bar.tabData(1).toInt(), 44); // the configured default height
        const QString path = freshPath(u"config.json"_s);
        loadConfig(path);
        // Read as text: written on Windows with CRLF line ends.
        QCOMPARE(readAll(path).replace("\r\n", "\n"),
                 QJsonDocument(configObject()).toJson(QJsonDocument::Indented));
    }

    // Wrong types are left alone, unknown keys survive, only missing keys get a new file's values.
    void aConfigIsRepairedWithoutLosingWhatItHolds() {
        const QString path = freshPath(u"config.json"_s);
        const QJsonObject written = QJsonDocument::fromJson(R"({"hotkey": "Alt+Q", "delay": "fast",
            "gundong": 2.5, "zhiding": 1, "my_note": {"a": [1, 2]}})")
                                        .object();
        writeAll(path, QJsonDocument(written).toJson());
        loadAndSave(path);
        // What was written, and the keys a repair adds when missing, with a new file's values;
        // no key more, none less.
        QJsonObject expected = written;
        for (const auto &[key, value] : {std::pair{"default_item_height", QJsonValue(40)},
                                         {"phrase_item_padding_horizontal", QJsonValue(16)},
                                         {"phrase_item_padding_vertical", QJsonValue(12)},
                                         {"badge_key_input_phrase_when_pinned", QJsonValue(false)},
                                         {"enter_key_input_phrase_when_pinned", QJsonValue(false)},
                                         {"arrow_key_cycle_select_phrase_item", QJsonValue(true)}})
            expected.insert(QLatin1String(key), value);
        const QJsonObject saved = fileJson(path).object();
        QCOMPARE(saved.keys(), expected.keys());
        QCOMPARE(saved, expected);
        // Typed reads give the read default for values of the wrong type.
        QCOMPARE(configInt(u"delay"_s, 7), 7);
        QCOMPARE(configInt(u"gundong"_s, 7), 7);
        QCOMPARE(configBool(u"zhiding"_s, false), false);
    }

    // The direct reader of the written layout reads what the JSON parser reads, and takes only
    // bytes a save writes again unchanged; the load says whether the save changes the file.
    void theWrittenLayoutIsReadAsTheParserReadsIt_data() { addRowNumbers(layoutRows); }
    void theWrittenLayoutIsReadAsTheParserReadsIt() {
        QFETCH(int, row);
        const LayoutRow &r = layoutRows[row];
        QList<PhraseRecord> written;
        // The second phrase in a group of its own, between two of the row's group.
        for (const QString &t : r.texts)
            written.append({t, written.size() % 2 ? u"备注"_s : QString(),
                            written.size() == 1 && !r.group.isEmpty() ? r.group + u"乙"_s : r.group,
                            u"Ctrl+1"_s});
        QByteArray bytes = QJsonDocument(phraseRecordsToJson(written)).toJson();
        if (*r.from)
            bytes.replace(r.from, r.to);
        const std::optional<QList<PhraseRecord>> direct = phraseRecordsInWrittenLayout(bytes);
        QCOMPARE(direct.has_value(), r.inLayout);
        const QString path = freshPath(u"data.json"_s);
        writeAll(path, bytes);
        QListWidget list;
        QCOMPARE(loadPhrases(&list, path), r.unchanged);
        const QList<PhraseRecord> records = phraseRecordsFromJson(jsonDocumentOf(bytes).array());
        QCOMPARE(list.count(), records.size());
        for (int i = 0; i < list.count(); ++i)
            QCOMPARE(phraseRecordOf(list.item(i)), records.at(i));
        savePhrases(&list, path);
        if (r.inLayout) {
            QCOMPARE(*direct, records);
            QCOMPARE(readAll(path) == bytes, r.unchanged);
        }
    }

    // What a load cannot use or the next save would drop is copied aside first, once.
    void unreadableOrLossyFilesAreKeptAside_data() { addRowNumbers(loadRows); }
    void unreadableOrLossyFilesAreKeptAside() {
        QFETCH(int, row);
        const LoadRow &r = loadRows[row];
        const QString path = freshPath(QLatin1String(r.name));
        writeAll(path, r.content);
        if (!r.content)
            QVERIFY(QFile::resize(path, maximumJsonFileSize + 1));
        const QByteArray before = readAll(path);
        const int loaded = r.loaded < 0 ? int(defaultConfig(QSize(500, 500)).size()) : r.loaded;
        QCOMPARE(loadAndSave(path), loaded);
        if (r.saved)
            QCOMPARE(savedRecords(path), QString::fromUtf8(r.saved));
        const QList<QByteArray> kept = keptBeside(path);
        QCOMPARE(kept, r.keptAside ? QList{before} : QList<QByteArray>());
        QCOMPARE(loadAndSave(path), loaded); // loaded again, nothing is left to set aside
        QCOMPARE(keptBeside(path), kept);
    }

    // No regular file at load is neither read nor replaced; a failed save keeps the change,
    // tells the user once per cause, and a retry writes it once the fault is gone.
    void aFailedSaveIsToldOnceAndRetried() {
        const QString special = freshPath(u"config.json"_s);
        QVERIFY(QDir().mkpath(special + u"/keep"_s));
        loadConfig(special);
        QVERIFY(configObject().contains(u"hotkey"_s)); // the program runs on defaults
        QVERIFY(!saveConfig(special) && QFileInfo(special + u"/keep"_s).isDir() &&
                keptBeside(special).isEmpty());
        // What the program holds is written beside it, and the user told where.
        const QList<QByteArray> beside = keptBeside(special, u"unsaved"_s);
        QVERIFY(beside.size() == 1 && beside.first().contains("\"hotkey\""));
        QCOMPARE(notices.size(), 2);
        QVERIFY(notices.last().contains(QFileInfo(special).absoluteFilePath() + u".unsaved-"_s));
        // Tried again: once the folder is gone, the settings are written there.
        QVERIFY(hasUnsavedChange(special));
        QVERIFY(QDir(special).removeRecursively() && retryPendingSaves());
        QVERIFY(fileJson(special).object().contains(u"hotkey"_s));
        const QString path = freshPath(u"config.json"_s);
        loadConfig(path);
        QVERIFY(QFile::remove(path) && QDir().mkpath(path));
        for (int delay : {300, 400}) {
            configObject().insert(u"delay"_s, delay);
            QVERIFY(!saveConfig(path));
        }
        QCOMPARE(notices.size(), 3);
        QVERIFY(notices.last().contains(QFileInfo(path).absoluteFilePath()));
        QVERIFY(hasUnsavedChange(path));
        QVERIFY(QDir(path).removeRecursively() && retryPendingSaves());
        QVERIFY(!hasUnsavedChange(path));
        QCOMPARE(fileJson(path).object().value(u"delay"_s), QJsonValue(400));
        // Working again, so the next failure is news.
        QVERIFY(QFile::remove(path) && QDir().mkpath(path));
        QVERIFY(!saveConfig(path));
        QCOMPARE(notices.size(), 4);
        QVERIFY(QDir(path).removeRecursively() && retryPendingSaves());
    }

    // Same bytes are not written again (the time stays); what another program wrote is kept.
    void aFileHoldingTheSameBytesIsNotWrittenAgain() {
        const QString path = freshPath(u"config.json"_s);
        loadConfig(path);
        setModified(path, 86400);
        const QDateTime old = QFileInfo(path).lastModified();
        QVERIFY(saveConfig(path));
        QCOMPARE(QFileInfo(path).lastModified(), old);
        configObject().insert(u"delay"_s, 1);
        QVERIFY(saveConfig(path));
        QVERIFY(QFileInfo(path).lastModified() > old);
        // What another program wrote is taken in (the program had no change of its own).
        QListWidget list;
        const QString data = freshPath(u"data.json"_s);
        loadPhrases(&list, data);
        writeAll(data, R"([{"text": "outside"}])");
        QVERIFY(savePhrases(&list, data));
        QCOMPARE(savedRecords(data), u"outside//短语1/"_s);
        // An edit that keeps the size is seen as well.
        writeAll(data, readAll(data).replace("outside", "outsidf"));
        QVERIFY(savePhrases(&list, data));
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.item(0)->data(PhraseTextRole).toString(), u"outsidf"_s);
        QVERIFY(keptBeside(data, u"outside"_s).isEmpty());
    }

    void valuesAreKeptOrTheFileIsKeptAside_data() { addRowNumbers(keepRows); }
    void valuesAreKeptOrTheFileIsKeptAside() {
        QFETCH(int, row);
        const KeepRow &r = keepRows[row];
        const QString path = freshPath(QLatin1String(r.name));
        writeAll(path, r.content);
        const QByteArray before = readAll(path);
        loadAndSave(path);
        const QJsonDocument saved = fileJson(path);
        const QString key = QLatin1String(r.key);
        const QJsonValue value =
            saved.isArray() ? saved.array().first().toObject().value(key) : saved.object().value(key);
        const QJsonValue expected = r.expected.isNull()
                                        ? defaultConfig(QGuiApplication::primaryScreen()->size()).value(key)
                                        : r.expected;
        QCOMPARE(value, expected);
        QCOMPARE(keptBeside(path), r.keptAside ? QList{before} : QList<QByteArray>());
        QCOMPARE(!notices.isEmpty(), r.told);
        loadAndSave(path); // nothing left to keep aside
        QCOMPARE(keptBeside(path).size(), r.keptAside ? 1 : 0);
    }

    // The notice of a file when there is no tray: a box above every window, the pick window too.
    void aNoticeWithoutATrayIsShownAboveOtherWindows() {
        showFileNotice(nullptr, u"notice"_s);
        QMessageBox *box = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *b = qobject_cast<QMessageBox *>(w); b && b->text() == "notice"_L1)
                box = b;
        QVERIFY(box && box->isVisible());
        QVERIFY(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        box->close();
    }

    void phrasesWrittenOnEitherSideAreMerged_data() { addRowNumbers(mergeRows); }
    void phrasesWrittenOnEitherSideAreMerged() {
        QFETCH(int, row);
        const MergeRow &r = mergeRows[row];
        const QList<PhraseRecord> ours = textRecords(r.ours);
        const PhraseMerge merge = mergePhraseRecords(phraseFingerprints(textRecords(r.base)), ours,
                                                     textRecords(r.theirs), textRecords(r.ownAdditions));
        QCOMPARE(textsOf(merge.records), QString::fromUtf8(r.merged));
        QCOMPARE(merge.theirOrderLost, r.theirOrderLost);
        QCOMPARE(merge.oursRows.size(), merge.records.size());
        for (int i = 0; i < merge.records.size(); ++i)
            if (merge.oursRows.at(i) >= 0)
                QCOMPARE(ours.at(merge.oursRows.at(i)), merge.records.at(i));
    }

    // A save after another program changed data.json merges the two lists in the list itself:
    // the phrases kept are the same items, the added ones new; a real conflict keeps a copy.
    void aSaveMergesAVersionWrittenElsewhere() {
        const QString path = freshPath(u"data.json"_s);
        writeAll(path, QJsonDocument(phraseRecordsToJson(textRecords("a b c"))).toJson());
        QListWidget list;
        loadPhrases(&list, path);
        QListWidgetItem *kept = list.item(0);
        list.addItem(newPhraseItem({u"mine"_s, {}, u"g"_s, {}}));
        writeAll(path, QJsonDocument(phraseRecordsToJson(textRecords("a c theirs"))).toJson());
        QVERIFY(savePhrases(&list, path));
        QCOMPARE(textsOf(phraseRecordsFromJson(fileJson(path).array())), u"a c theirs mine"_s);
        QCOMPARE(list.count(), 4);
        QCOMPARE(list.item(0), kept);
        QCOMPARE(list.item(3)->data(PhraseTextRole).toString(), u"mine"_s);
        QVERIFY(keptBeside(path, u"outside"_s).isEmpty());
        // Moved on both sides: the outside version is kept beside the file.
        list.insertItem(0, list.takeItem(2));
        const QByteArray moved = QJsonDocument(phraseRecordsToJson(textRecords("c a theirs mine"))).toJson();
        writeAll(path, moved);
        QVERIFY(savePhrases(&list, path));
        QCOMPARE(textsOf(phraseRecordsFromJson(fileJson(path).array())), u"theirs a c mine"_s);
        QCOMPARE(keptBeside(path, u"outside"_s), QList<QByteArray>{moved});
    }

    // A version that does not parse and was just written is a writer at work: the save waits for
    // it and then takes in what it wrote; one that stays broken is kept aside before it is replaced.
    void aSaveWaitsForAWriterToFinish() {
        const QString path = freshPath(u"data.json"_s);
        writeAll(path, QJsonDocument(phraseRecordsToJson(textRecords("a"))).toJson());
        QListWidget list;
        loadPhrases(&list, path);
        list.addItem(newPhraseItem({u"mine"_s, {}, u"g"_s, {}}));
        const QByteArray complete = QJsonDocument(phraseRecordsToJson(textRecords("a slow"))).toJson();
        writeAll(path, complete.left(complete.size() / 2));
        QVERIFY(!savePhrases(&list, path));
        QCOMPARE(readAll(path), complete.left(complete.size() / 2)); // not replaced
        QVERIFY(hasUnsavedChange(path) && notices.isEmpty());
        writeAll(path, complete);
        QTRY_VERIFY_WITH_TIMEOUT(!hasUnsavedChange(path), 3000);
        QCOMPARE(textsOf(phraseRecordsFromJson(fileJson(path).array())), u"a slow mine"_s);
        QVERIFY(keptBeside(path).isEmpty());
        // Broken for good: kept once the settle time is over, then replaced.
        writeAll(path, "[{\"text\": ");
        QVERIFY(!savePhrases(&list, path));
        QTRY_VERIFY_WITH_TIMEOUT(!hasUnsavedChange(path), settleTimeMs + 3000);
        QCOMPARE(keptBeside(path), QList<QByteArray>{"[{\"text\": "});
        QCOMPARE(list.count(), 3);
    }

    void aReplacementHandsBackWhatItReplaced_data() { addRowNumbers(swapRows); }
    void aReplacementHandsBackWhatItReplaced() {
        QFETCH(int, row);
        const SwapRow &r = swapRows[row];
        const QString path = freshPath(u"data.json"_s);
        if (r.before)
            writeAll(path, r.before);
        const auto racer = [&r, &path] {
            if (r.racer && qstrcmp(r.racer, "-") == 0)
                QFile::remove(path);
            else if (r.racer)
                writeAll(path, r.racer);
            return true;
        };
        QString error, replaced = u"unset"_s;
        QVERIFY(replaceFileContents(path, "new", false, &error, racer, r.taken ? &replaced : nullptr));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(readAll(path), QByteArray("new"));
        QStringList beside = QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden);
        beside.removeOne(u"data.json"_s);
        if (!r.leftBeside) {
            QVERIFY(beside.isEmpty());
            if (r.taken)
                QVERIFY(replaced.isEmpty());
            return;
        }
        QCOMPARE(beside, QStringList{QFileInfo(replaced).fileName()});
        QVERIFY(isSaveTemporaryOf(beside.first(), u"data.json"_s));
        QCOMPARE(readAll(replaced), QByteArray(r.leftBeside));
    }

    // What another program writes in the instant before a save's bytes take the file's place
    // is handed back by the swap, merged and saved again; nothing is lost and nothing left
    // for the user to merge, unless the racing never ends.
    void aVersionWrittenJustBeforeTheSwapIsMerged_data() { addRowNumbers(raceRows); }
    void aVersionWrittenJustBeforeTheSwapIsMerged() {
        QFETCH(int, row);
        const RaceRow &r = raceRows[row];
        const QString path = freshPath(u"data.json"_s);
        writeAll(path, QJsonDocument(phraseRecordsToJson(textRecords("a b"))).toJson());
        QListWidget list;
        loadPhrases(&list, path);
        list.addItem(newPhraseItem({u"mine"_s, {}, u"g"_s, {}}));
        int landed = 0;
        setBeforeReplaceHook([&](const QString &file) {
            if (r.landings >= 0 && landed >= r.landings)
                return;
            ++landed;
            if (r.fixed && *r.fixed == '[')
                return writeAll(file, r.fixed);
            if (r.rereads) {
                QList<PhraseRecord> records = phraseRecordsFromJson(fileJson(file).array());
                records.append({u"t"_s + QString::number(landed), {}, u"g"_s, {}});
                return writeAll(file, QJsonDocument(phraseRecordsToJson(records)).toJson());
            }
            QByteArray texts = r.fixed ? QByteArray(r.fixed) : QByteArray("a b");
            for (int n = 1; !r.fixed && n <= landed; ++n)
                texts += " t" + QByteArray::number(n);
            writeAll(file, QJsonDocument(phraseRecordsToJson(textRecords(texts.constData()))).toJson());
        });
        const bool saved = savePhrases(&list, path);
        setBeforeReplaceHook({});
        QVERIFY(saved && !hasUnsavedChange(path));
        QCOMPARE(textsOf(phraseRecordsFromJson(fileJson(path).array())), QString::fromUtf8(r.saved));
        QList<PhraseRecord> held;
        for (int i = 0; i < list.count(); ++i)
            held << phraseRecordOf(list.item(i));
        QCOMPARE(textsOf(held), QString::fromUtf8(r.saved));
        QStringList kept;
        for (const QByteArray &copy : keptBeside(path, u"outside"_s))
            kept << (jsonDocumentOf(copy).isNull()
                         ? QString::fromUtf8(copy)
                         : textsOf(phraseRecordsFromJson(jsonDocumentOf(copy).array())));
        QCOMPARE(kept, *r.kept ? QStringList{QString::fromUtf8(r.kept)} : QStringList());
        QCOMPARE(notices.size(), *r.kept ? 1 : 0);
        // No temporary is left, and nothing else.
        QCOMPARE(QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden).size(), 1 + kept.size());
    }

    // A phrase whose group tab.json lacks is never hidden: the group comes back at the end.
    void aPhraseWhoseGroupIsMissingGetsItBack() {
        const QString data = freshPath(u"data.json"_s);
        const QString tabs = QFileInfo(data).dir().filePath(u"tab.json"_s);
        writeAll(data, R"([{"text": "a", "tab": "乙"}, {"text": "b", "tab": "甲"}, {"text": "c", "tab": "丙"},
            {"text": "d", "tab": "乙"}])");
        writeAll(tabs, R"([{"tab": "甲", "item_height": 30}])");
        QListWidget list;
        QTabBar bar;
        loadPhrases(&list, data);
        loadGroups(&bar, tabs);
        QCOMPARE(restoreGroupsOfPhrases(&bar, &list, tabs), QStringList({u"乙"_s, u"丙"_s}));
        QVERIFY(saveGroups(&bar, tabs));
        QCOMPARE(savedRecords(tabs), u"甲/30|乙/44|丙/44"_s);
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.first().contains(u"乙"_s) && notices.first().contains(u"丙"_s));
        QVERIFY(restoreGroupsOfPhrases(&bar, &list, tabs).isEmpty());
    }

    // Only the program's own leftovers go; what the user keeps beside the files stays, however old.
    void staleSaveTemporariesAreRemoved() {
        for (const auto &[name, ageSeconds, removed] : {
                 std::tuple{"data.json.backup", 120, false},           // the user's backups
                 {"data.json.241207", 120, false},                     //
                 {"tab.json.backup", 120, false},                      //
                 {"config.json.before", 120, false},                   //
                 {".data.json.verbolin-tmp-a3x9k2q0", 120, true},      // an old temporary
                 {".tab.json.verbolin-tmp-00000000", 120, true},       // another file's
                 {".config.json.verbolin-tmp-a3x9k2q0", 5, false},     // of a save going on
                 {"data.json.unreadable-20260101-101010", 120, false}, // a copy kept aside
                 {"data.json.aB3xYz", 120, false},                     // older versions' form
                 {".notes.json.verbolin-tmp-a3x9k2q0", 120, false},    // not of the three files
                 {".data.json.verbolin-tmp-a3x9k2q", 120, false},      // a name of another form
                 {".data.json.verbolin-tmp-A3X9K2Q0", 120, false},     //
             }) {
            const QString path = freshPath(QLatin1String(name));
            writeAll(path, "kept");
            setModified(path, ageSeconds);
            removeStaleSaveTemporaries(QFileInfo(path).absolutePath());
            QVERIFY2(QFile::exists(path) != removed, name);
        }
    }

    // A kill during a save can leave a whole version under a temporary's name: the last change
    // before it was put in place, or another program's version the save had just displaced.
    // The start-up keeps such a version (or puts it back where the file is missing) and says
    // so; a half-written copy, or one that is the file's own bytes, goes.
    void leftOverTemporariesKeepTheVersionsTheyHold() {
        const QByteArray file = "[{\"text\": \"ours\", \"tab\": \"短语1\"}]";
        const QByteArray theirs = "[{\"text\": \"theirs\", \"tab\": \"短语1\"}]";
        const QByteArray halfWritten = file.left(12);
        for (const auto &[what, fileBytes, left, inPlace, recovered] : {
                 std::tuple{"half-written", std::optional(file), halfWritten, file, false},
                 {"the file's own bytes", std::optional(file), file, file, false},
                 {"another version", std::optional(file), theirs, file, true},
                 {"the file missing", std::optional<QByteArray>(), theirs, theirs, false},
             }) {
            notices.clear();
            const QString path = freshPath(u"data.json"_s);
            if (fileBytes)
                writeAll(path, *fileBytes);
            const QString temporary = QFileInfo(path).dir().filePath(u".data.json.verbolin-tmp-k3v9x2q0"_s);
            writeAll(temporary, left);
            setModified(temporary, 120);
            removeStaleSaveTemporaries(QFileInfo(path).absolutePath());
            QVERIFY2(!QFile::exists(temporary), what);
            QVERIFY2(readAll(path) == inPlace, what);
            QCOMPARE(keptBeside(path, u"recovered"_s), recovered ? QList{theirs} : QList<QByteArray>());
            QCOMPARE(notices.size(), recovered || !fileBytes ? 1 : 0);
        }
    }

    // A data folder deleted while the program runs is made again by the next save; the user is
    // told once, and nothing stays held in memory alone.
    void aDeletedFolderIsMadeAgainBySaving() {
        const QString path = freshPath(u"data.json"_s);
        const QString folder = QFileInfo(path).absolutePath();
        QListWidget list;
        loadPhrases(&list, path);
        for (const char *text : {"first", "second"}) {
            QVERIFY(QDir(folder).removeRecursively());
            list.addItem(newPhraseItem({QString::fromLatin1(text), {}, u"短语1"_s, {}}));
            QVERIFY(savePhrases(&list, path));
            QVERIFY(!hasUnsavedChange(path));
            QVERIFY(readAll(path).contains(text));
        }
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.first().contains(QDir::toNativeSeparators(folder)));
    }

    // A phrase of megabytes shows its beginning in its row (laying all of it out stalled the
    // start); its text stays whole in the item, through a save and a load, for the output.
    void aVeryLongPhraseIsShownShortenedAndKeptWhole() {
        QString text;
        for (int i = 0; text.size() < 3'000'000; ++i)
            text += u"第%1行 some words\n"_s.arg(i);
        const QString emoji = QString(1999, u'x') + QStringList(20, u"😀"_s).join(QString());
        const QString path = freshPath(u"data.json"_s);
        QListWidget list;
        list.addItem(newPhraseItem({text, {}, u"g"_s, {}}));
        list.addItem(newPhraseItem({{}, text, u"g"_s, {}})); // the remark alone: it becomes the text
        list.addItem(newPhraseItem({emoji, {}, u"g"_s, {}}));
        for (QListWidgetItem *item : {list.item(0), list.item(1)}) {
            QCOMPARE(item->text(), text.left(2000) + u"……"_s);
            QCOMPARE(item->toolTip(), wrapToolTipText(text));
        }
        QCOMPARE(list.item(2)->text(), emoji.left(1999) + u"……"_s); // not half an emoji
        QVERIFY(savePhrases(&list, path));
        QListWidget loaded;
        loadPhrases(&loaded, path);
        QCOMPARE(loaded.count(), 3);
        QCOMPARE(loaded.item(0)->data(PhraseTextRole).toString(), text);
        QCOMPARE(loaded.item(1)->data(PhraseTextRole).toString(), text);
        QCOMPARE(loaded.item(1)->data(PhraseRemarkRole).toString(), text);
        QCOMPARE(loaded.item(2)->data(PhraseTextRole).toString(), emoji);
        QCOMPARE(loaded.item(0)->text(), text.left(2000) + u"……"_s);
    }

    // Loading groups lays the tab bar out once, not once per tab: each tab is asked its size a
    // few times, however many groups there are. Tabs added one by one are all asked again at
    // each insert, which stalled the start for minutes at 20,000 groups.
    void loadingGroupsLaysTheTabsOutOnce() {
        struct CountingBar : MyTabBar {
            mutable qint64 asked = 0;
            QSize tabSizeHint(int index) const override {
                ++asked;
                return MyTabBar::tabSizeHint(index);
            }
        };
        for (const int groups : {100, 2000}) {
            QJsonArray array;
            for (int i = 0; i < groups; ++i)
                array.append(QJsonObject{{u"tab"_s, u"分组%1"_s.arg(i)}});
            const QString path = freshPath(u"tab.json"_s);
            writeAll(path, QJsonDocument(array).toJson());
            CountingBar bar;
            bar.resize(400, 40);
            bar.show();
            loadGroups(&bar, path);
            QCOMPARE(bar.count(), groups);
            QVERIFY2(bar.asked <= 4 * groups + 10,
                     qPrintable(u"%1 sizes asked for %2 tabs"_s.arg(bar.asked).arg(groups)));
            QVERIFY(bar.tabRect(groups - 1).right() > bar.tabRect(0).right());
        }
    }

    // Loaded groups' tabs are laid out with their real sizes: the same as tabs added one by one.
    void loadedGroupsGetTheirRealTabSizes() {
        const QString path = freshPath(u"tab.json"_s);
        writeAll(path, R"([{"tab": "短语1"}, {"tab": "a much longer group name"}, {"tab": "x"}])");
        MyTabBar loaded, added;
        loadGroups(&loaded, path);
        for (const char *name : {"短语1", "a much longer group name", "x"})
            added.addTab(QString::fromUtf8(name));
        QCOMPARE(loaded.count(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(loaded.tabRect(i), added.tabRect(i));
        QVERIFY(loaded.tabRect(1).width() > loaded.tabRect(2).width());
    }

    // A phrase shows its remark when it has one, else its text; the tooltip holds both, wrapped.
    void phraseItemShowsItsRemarkAndWrapsItsToolTip() {
        std::unique_ptr<QListWidgetItem> item(newPhraseItem({u"T"_s, u"R"_s, u"g"_s, {}}));
        QCOMPARE(item->text(), u"R"_s);
        QVERIFY(item->toolTip().startsWith(u'R') && item->toolTip().endsWith(u'T'));
        item->setData(PhraseRemarkRole, QString());
        refreshPhraseItem(item.get());
        QCOMPARE(item->text(), u"T"_s);
        QCOMPARE(item->toolTip(), u"T"_s);
        const QString a50(50, u'a'), b50(50, u'b'), c20(20, u'c'), ellipsis = u"\n\u2026\u2026"_s;
        const QString thirty = QStringList(30, u"x"_s).join(u'\n');
        for (const auto &[input, expected] : {
                 std::pair{a50, a50}, // exactly 50 stays one line
                 {a50 + b50 + c20, a50 + u'\n' + b50 + u'\n' + c20},
                 {thirty, thirty},
                 {thirty + u"\ny"_s, thirty + ellipsis}, // the first thirty lines stay
                 {QString(1600, u'中'), QStringList(30, QString(50, u'中')).join(u'\n') + ellipsis},
                 {u"a\r\n\nb"_s, u"a\r\n\nb"_s}, // empty lines count, carriage returns stay inside
             })
            QCOMPARE(wrapToolTipText(input), expected);
    }
};

QTEST_MAIN(StoresTest)
#include "tst_stores.moc"
