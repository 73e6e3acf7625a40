// config.json, data.json and tab.json: a new install, odd content, what is kept aside before
// anything is lost, and saves that fail, retry and skip writing what is already there.

#include "TestFiles.h"
#include "app/DataFolder.h"
#include "library/ConfigStore.h"
#include "library/GroupStore.h"
#include "library/JsonFile.h"
#include "library/PhraseFileLayout.h"
#include "library/PhraseItem.h"
#include "library/Settings.h"
#include "library/UserNotices.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QListWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <tuple>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

QJsonDocument fileJson(const QString &path) {
    return QJsonDocument::fromJson(readAll(path));
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
    {"U+FEFF starting a string, which the parser drops", {u"\uFEFFa"_s}, "", "", false, false},
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
        const QList<PhraseRecord> records = phraseRecordsFromJson(QJsonDocument::fromJson(bytes).array());
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
        QCOMPARE(notices.size(), 1);
        const QString path = freshPath(u"config.json"_s);
        loadConfig(path);
        QVERIFY(QFile::remove(path) && QDir().mkpath(path));
        for (int delay : {300, 400}) {
            configObject().insert(u"delay"_s, delay);
            QVERIFY(!saveConfig(path));
        }
        QCOMPARE(notices.size(), 2);
        QVERIFY(notices.last().contains(QFileInfo(path).absoluteFilePath()));
        QVERIFY(hasUnsavedChange(path));
        QVERIFY(QDir(path).removeRecursively() && retryPendingSaves());
        QVERIFY(!hasUnsavedChange(path));
        QCOMPARE(fileJson(path).object().value(u"delay"_s), QJsonValue(400));
        // Working again, so the next failure is news.
        QVERIFY(QFile::remove(path) && QDir().mkpath(path));
        QVERIFY(!saveConfig(path));
        QCOMPARE(notices.size(), 3);
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
        QListWidget list;
        const QString data = freshPath(u"data.json"_s);
        loadPhrases(&list, data);
        writeAll(data, R"([{"text": "outside"}])");
        QVERIFY(savePhrases(&list, data));
        QCOMPARE(keptBeside(data, u"outside"_s), QList<QByteArray>{R"([{"text": "outside"}])"});
        // An edit that keeps the size is seen as well.
        QByteArray edited = readAll(data);
        edited[edited.size() / 2] = char(edited.at(edited.size() / 2) ^ 1);
        writeAll(data, edited);
        QVERIFY(savePhrases(&list, data));
        QVERIFY(keptBeside(data, u"outside"_s).contains(edited));
    }

    void staleSaveTemporariesAreRemoved() {
        for (const auto &[name, ageSeconds, removed] : {
                 std::tuple{"data.json.aB3xYz", 120, true},            // an old temporary
                 {"config.json.aB3xYz", 5, false},                     // the temporary of a save going on
                 {"data.json.unreadable-20260101-101010", 120, false}, // a copy kept aside
                 {"notes.json.aB3xYz", 120, false},                    // another program's file
                 {"tab.json.aB3xY", 120, false},                       // a name of another form
             }) {
            const QString path = freshPath(QLatin1String(name));
            setModified(path, ageSeconds);
            removeStaleSaveTemporaries(QFileInfo(path).absolutePath());
            QVERIFY2(QFile::exists(path) != removed, name);
        }
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
