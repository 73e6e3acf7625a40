// The three JSON stores (config.json, data.json, tab.json): what a new install writes,
// how odd content is read, what is kept aside before anything is lost, and how saves
// fail, retry and skip writing what is already there.

#include "TestFiles.h"
#include "app/ConfigStore.h"
#include "app/DataFolder.h"
#include "app/JsonFile.h"
#include "app/Settings.h"
#include "app/UserNotices.h"
#include "library/GroupStore.h"
#include "library/PhraseFileLayout.h"
#include "library/PhraseItem.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QListWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

QJsonDocument fileJson(const QString &path) {
    return QJsonDocument::fromJson(readAll(path));
}

QStringList keptBesides(const QString &path) {
    const QFileInfo info(path);
    return info.dir().entryList({info.fileName() + u".unreadable-*"_s}, QDir::Files);
}

// Loads the file into a store of its kind and saves it back; returns how many entries
// the store holds (keys for config.json).
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
    {"data: what is read whole is not copied", "data.json", R"([{"text": "a", "tab": "g"}, {"text": "b"}])",
     2, false},
    {"tab: an object", "tab.json", R"({"tab": "mine"})", 0, true},
    {"tab: an array of names", "tab.json", R"(["mine", "yours"])", 0, true},
    {"tab: a name given as a number", "tab.json", R"([{"tab": 5, "item_height": 70}])", 1, true},
    {"tab: zero and missing heights are no loss", "tab.json",
     R"([{"tab": "a", "item_height": 0}, {"tab": "b"}])", 2, false},
    {"tab: a repeated name keeps its first group", "tab.json",
     R"([{"tab": "甲", "item_height": 30}, {"tab": "乙"}, {"tab": "甲", "item_height": 60}, {"tab": ""}])", 3,
     true, "甲/30|乙/44|/44"},
    {"tab: heights that are no whole positive number get the default", "tab.json",
     R"([{"tab": "zero", "item_height": 0}, {"tab": "text", "item_height": "70"}, {"tab": "fraction",
        "item_height": 70.5}, {"tab": "big", "item_height": 500}, 7, {"item_height": 30}])",
     5, true, "zero/44|text/44|fraction/44|big/500|/30"},
    // Members of the wrong type are dropped, an empty group becomes the first starter group,
    // an empty text takes the remark, and every member is written.
    {"data: read tolerantly, repaired on save", "data.json",
     R"([5, {"text": "乙", "remark": 3, "hotkey": 12, "tab": "g"}, null, {"text": "丙", "remark": "r",
        "tab": "g", "hotkey": "Ctrl+1"}, {"text": "x", "tab": ""}, {"text": "", "remark": "abc", "tab": "g"}])",
     4, true, "乙//g/|丙/r/g/Ctrl+1|x//短语1/|abc/abc/g/"},
};

// The saved records as "text/remark/tab/hotkey" (data.json) or "tab/item_height" lines
// joined by "|", "?" for a member not written.
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

    // A new install: centred windows, a sorted indented config.json, the starter phrases
    // and groups, all written.
    void aNewInstallIsCentredAndGetsTheStarters() {
        // The other windows open just right of the 500-pixel pick window; an odd size truncates.
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
        QCOMPARE(readText(path), QJsonDocument(configObject()).toJson(QJsonDocument::Indented));
    }

    // Wrong types are left alone, unknown keys survive, and only missing keys are
    // repaired, with the values of a new file.
    void aConfigIsRepairedWithoutLosingWhatItHolds() {
        const QString path = freshPath(u"config.json"_s);
        const QJsonObject written = QJsonDocument::fromJson(R"({"hotkey": "Alt+Q", "delay": "fast",
            "gundong": 2.5, "zhiding": 1, "my_note": {"a": [1, 2]}})")
                                        .object();
        writeAll(path, QJsonDocument(written).toJson());
        loadConfig(path);
        saveConfig(path);
        const QJsonObject saved = fileJson(path).object();
        const QJsonObject defaults = defaultConfig(QSize(1920, 1080));
        for (const QString &key : saved.keys())
            QCOMPARE(saved.value(key), written.contains(key) ? written.value(key) : defaults.value(key));
        // Typed reads give the read default for values of the wrong type.
        QCOMPARE(configInt(u"delay"_s, 7), 7);
        QCOMPARE(configInt(u"gundong"_s, 7), 7);
        QCOMPARE(configBool(u"zhiding"_s, false), false);
    }

    // The direct reader of the written layout must read what the JSON parser reads, and
    // take only bytes that a save would write again unchanged; the load says whether the
    // save changes the file, also for phrases the save repairs.
    void theWrittenLayoutIsReadAsTheParserReadsIt_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("inLayout");
        QTest::addColumn<bool>("unchanged");
        const auto written = [](const QStringList &texts, const QString &group = u"组1"_s) {
            QList<PhraseRecord> records;
            for (const QString &t : texts)
                records.append({t, records.size() % 2 ? u"备注"_s : QString(), group, u"Ctrl+1"_s});
            return QJsonDocument(phraseRecordsToJson(records)).toJson();
        };
        QTest::newRow("no phrase") << written({}) << true << true;
        QTest::newRow("Chinese, emoji, DEL, U+FFFE and U+FEFF inside")
            << written({u"您好😀"_s, u"a\uFEFF\u007F"_s, u"\uFFFE"_s}) << true << true;
        // The parser drops it, so a save writes other bytes.
        QTest::newRow("U+FEFF starting a string") << written({u"\uFEFFa"_s}) << false << false;
        QTest::newRow("quotes, backslashes, line ends and tabs")
            << written({u"a\"b\\c\nd\r\te\b\f"_s, u"\\"_s}) << true << true;
        QTest::newRow("a control character the writer escapes as a number")
            << written({u"a\u0001"_s}) << false << false;
        QTest::newRow("a lone surrogate") << written({QString(QChar(0xD800))}) << false << false;
        QTest::newRow("a phrase without text") << written({u"a"_s, QString()}) << true << false;
        QTest::newRow("a phrase without group") << written({u"a"_s}, QString()) << true << false;
        const QByteArray one = written({u"x/é"_s});
        QTest::newRow("compact") << QJsonDocument::fromJson(one).toJson(QJsonDocument::Compact) << false
                                 << false;
        QTest::newRow("an escaped slash") << QByteArray(one).replace("x/", "x\\/") << false << false;
        QTest::newRow("a numeric escape") << QByteArray(one).replace("é", "\\u00e9") << false << false;
        QTest::newRow("a member missing")
            << QByteArray(one).replace("        \"hotkey\": \"Ctrl+1\",\n", "") << false << false;
        QTest::newRow("text after the array") << one + "[]" << false << false;
        QTest::newRow("broken UTF-8") << QByteArray(one).replace("é", "\xC3") << false << false;
        QTest::newRow("overlong UTF-8") << QByteArray(one).replace("/", "\xC0\xAF") << false << false;
        QTest::newRow("an encoded surrogate")
            << QByteArray(one).replace("/", "\xED\xA0\x80") << false << false;
    }
    void theWrittenLayoutIsReadAsTheParserReadsIt() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, inLayout);
        QFETCH(bool, unchanged);
        const std::optional<QList<PhraseRecord>> direct = phraseRecordsInWrittenLayout(bytes);
        QCOMPARE(direct.has_value(), inLayout);
        const QString path = freshPath(u"data.json"_s);
        writeAll(path, bytes);
        QListWidget list;
        QCOMPARE(loadPhrases(&list, path), unchanged);
        const QList<PhraseRecord> records = phraseRecordsFromJson(QJsonDocument::fromJson(bytes).array());
        QCOMPARE(list.count(), records.size());
        for (int row = 0; row < list.count(); ++row)
            QCOMPARE(phraseRecordOf(list.item(row)), records.at(row));
        if (inLayout)
            QCOMPARE(*direct, records);
        savePhrases(&list, path);
        if (inLayout)
            QCOMPARE(readAll(path) == bytes, unchanged);
    }

    // Whatever a load cannot use, or the next save would drop, is copied aside first, once;
    // what the program reads whole is not copied.
    void unreadableOrLossyFilesAreKeptAside_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(loadRows)); ++i)
            QTest::newRow(loadRows[i].what) << i;
    }
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
        const QStringList kept = keptBesides(path);
        QCOMPARE(kept.size(), r.keptAside ? 1 : 0);
        if (r.keptAside)
            QCOMPARE(readAll(QFileInfo(path).dir().filePath(kept.first())), before);
        // Loaded again, the repaired file has nothing left to set aside.
        QCOMPARE(loadAndSave(path), loaded);
        QCOMPARE(keptBesides(path), kept);
    }

    // Something that is no regular file at load is neither read nor replaced while the
    // program runs; a failed save keeps the change, tells the user once per cause and is
    // written by a retry once the fault is gone.
    void aFailedSaveIsToldOnceAndRetried() {
        const QString special = freshPath(u"config.json"_s);
        QVERIFY(QDir().mkpath(special + u"/keep"_s));
        loadConfig(special);
        QVERIFY(configObject().contains(u"hotkey"_s)); // the program runs on defaults
        QVERIFY(!saveConfig(special) && QFileInfo(special + u"/keep"_s).isDir() &&
                keptBesides(special).isEmpty());
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
        QVERIFY(QDir(path).removeRecursively());
        QVERIFY(retryPendingSaves());
        QVERIFY(!hasUnsavedChange(path));
        QCOMPARE(fileJson(path).object().value(u"delay"_s), QJsonValue(400));
        // Working again, so the next failure is news.
        QVERIFY(QFile::remove(path) && QDir().mkpath(path));
        QVERIFY(!saveConfig(path));
        QCOMPARE(notices.size(), 3);
        QVERIFY(QDir(path).removeRecursively() && retryPendingSaves());
    }

    // What start-up does not need to change, it does not write (its time stays); what
    // another program wrote meanwhile is kept.
    void aFileHoldingTheSameBytesIsNotWrittenAgain() {
        const QString path = freshPath(u"config.json"_s);
        loadConfig(path);
        const QDateTime old = QDateTime::currentDateTime().addDays(-1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(old, QFileDevice::FileModificationTime));
        file.close();
        QVERIFY(saveConfig(path));
        QCOMPARE(QFileInfo(path).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
        configObject().insert(u"delay"_s, 1);
        QVERIFY(saveConfig(path));
        QVERIFY(QFileInfo(path).lastModified() > old);
        // Phrases another program wrote since the load are kept beside before a save replaces them.
        QListWidget list;
        const QString data = freshPath(u"data.json"_s);
        loadPhrases(&list, data);
        writeAll(data, R"([{"text": "outside"}])");
        QVERIFY(savePhrases(&list, data));
        const QStringList kept = QFileInfo(data).dir().entryList({u"data.json.outside-*"_s});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readAll(QFileInfo(data).dir().filePath(kept.first())),
                 QByteArray(R"([{"text": "outside"}])"));
    }

    void staleSaveTemporariesAreRemoved() {
        const struct {
            const char *name;
            int ageSeconds;
            bool removed;
        } rows[] = {
            {"data.json.aB3xYz", 120, true},                      // an old temporary
            {"config.json.aB3xYz", 5, false},                     // the temporary of a save going on
            {"data.json.unreadable-20260101-101010", 120, false}, // a copy kept aside
            {"notes.json.aB3xYz", 120, false},                    // another program's file
            {"tab.json.aB3xY", 120, false},                       // a name of another form
        };
        for (const auto &row : rows) {
            QFile file(freshPath(QLatin1String(row.name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-row.ageSeconds),
                                     QFileDevice::FileModificationTime));
            file.close();
            removeStaleSaveTemporaries(QFileInfo(file).absolutePath());
            QVERIFY2(file.exists() != row.removed, row.name);
        }
    }

    // A phrase shows its remark when it has one, else its text; the tooltip holds both.
    void phraseItemShowsItsRemark() {
        std::unique_ptr<QListWidgetItem> item(newPhraseItem({u"T"_s, u"R"_s, u"g"_s, {}}));
        QCOMPARE(item->text(), u"R"_s);
        QVERIFY(item->toolTip().startsWith(u'R') && item->toolTip().endsWith(u'T'));
        item->setData(PhraseRemarkRole, QString());
        refreshPhraseItem(item.get());
        QCOMPARE(item->text(), u"T"_s);
        QCOMPARE(item->toolTip(), u"T"_s);
    }

    void toolTipWrapping() {
        const QString a50(50, u'a'), b50(50, u'b'), c20(20, u'c'), ellipsis = u"\n\u2026\u2026"_s;
        QStringList lines;
        for (int i = 1; i <= 31; ++i)
            lines << QString::number(i);
        const QString thirty = lines.mid(0, 30).join(u'\n');
        for (const auto &[input, expected] : {
                 std::pair{a50, a50}, // exactly 50 stays one line
                 {a50 + b50 + c20, a50 + u'\n' + b50 + u'\n' + c20},
                 {thirty, thirty},
                 {lines.join(u'\n'), thirty + ellipsis},
                 {QString(1600, u'中'), QStringList(30, QString(50, u'中')).join(u'\n') + ellipsis},
                 {u"a\r\n\nb"_s, u"a\r\n\nb"_s}, // empty lines count, carriage returns stay inside
             })
            QCOMPARE(wrapToolTipText(input), expected);
    }
};

QTEST_MAIN(StoresTest)
#include "tst_stores.moc"
