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
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

QJsonDocument fileJson(const QString &path) {
    return QJsonDocument::fromJson(readAll(path));
}

QStringList keptBesides(const QString &path) {
    const QFileInfo info(path);
    return info.dir().entryList({info.fileName() + QStringLiteral(".unreadable-*")}, QDir::Files);
}

QStringList notices;

QString fileType(const QString &path) {
    const QFileInfo info(path);
    if (info.isSymLink())
        return QStringLiteral("link to ") + info.symLinkTarget();
    return info.isDir()    ? QStringLiteral("folder")
           : info.isFile() ? QStringLiteral("file")
                           : QStringLiteral("other");
}

// Loads the file into a store of its kind and saves it back; returns how many entries
// the store holds (keys for config.json).
int loadAndSave(const QString &path) {
    const QString name = QFileInfo(path).fileName();
    if (name == QLatin1String("config.json")) {
        loadConfig(path);
        saveConfig(path);
        return int(configObject().size());
    }
    if (name == QLatin1String("data.json")) {
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

} // namespace

class StoresTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString freshPath(const char *name) {
        const QString folder = m_dir.filePath(QString::number(++m_folders));
        QDir().mkpath(folder);
        return folder + QLatin1Char('/') + QLatin1String(name);
    }
    int m_folders = 0;

private slots:
    void initTestCase() {
        setNoticeSink([](const QString &message) { notices << message; });
    }
    void init() {
        configObject() = QJsonObject();
        configObject().insert(QStringLiteral("default_item_height"), 44);
        notices.clear();
    }

    void newConfigIsCentredSortedAndIndented_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("cx");
        QTest::addColumn<int>("cy");
        QTest::newRow("full HD screen") << QSize(1920, 1080) << 710 << 290;
        QTest::newRow("odd width truncates") << QSize(1365, 768) << 432 << 134;
    }
    void newConfigIsCentredSortedAndIndented() {
        QFETCH(QSize, screen);
        QFETCH(int, cx);
        QFETCH(int, cy);
        const QJsonObject c = defaultConfig(screen);
        QCOMPARE(c.value(QStringLiteral("chuangkou_x")), QJsonValue(cx));
        QCOMPARE(c.value(QStringLiteral("chuangkou_y")), QJsonValue(cy));
        // The other windows open just right of the 500-pixel pick window.
        for (const char *w : {"shezhichuangkou", "tianjiachuangkou", "xiugaichuangkou"}) {
            QCOMPARE(c.value(QLatin1String(w) + QStringLiteral("_x")), QJsonValue(cx + 501));
            QCOMPARE(c.value(QLatin1String(w) + QStringLiteral("_y")), QJsonValue(cy));
        }
        const QString path = freshPath("config.json");
        loadConfig(path);
        QCOMPARE(fileJson(path).object(), configObject());
        QStringList keys;
        const QRegularExpression key(QStringLiteral("^    \"([a-z_]+)\":"),
                                     QRegularExpression::MultilineOption);
        for (auto it = key.globalMatch(QString::fromUtf8(readAll(path))); it.hasNext();)
            keys << it.next().captured(1);
        QCOMPARE(keys, configObject().keys()); // every key, indented by four, in sorted order
    }

    void aConfigWithOnlyAHotkeyGetsTheRepairedKeysAndNothingElse() {
        const QString path = freshPath("config.json");
        writeAll(path, R"({"hotkey": "Alt+Q"})");
        loadConfig(path);
        saveConfig(path);
        const QJsonObject c = fileJson(path).object();
        QCOMPARE(c.keys(),
                 QStringList({QStringLiteral("arrow_key_cycle_select_phrase_item"),
                              QStringLiteral("badge_key_input_phrase_when_pinned"),
                              QStringLiteral("default_item_height"), QStringLiteral("delay"),
                              QStringLiteral("enter_key_input_phrase_when_pinned"), QStringLiteral("gundong"),
                              QStringLiteral("hotkey"), QStringLiteral("phrase_item_padding_horizontal"),
                              QStringLiteral("phrase_item_padding_vertical")}));
        // Repaired keys get the values of a fresh file; the hotkey stays.
        const QJsonObject defaults = defaultConfig(QSize(1920, 1080));
        for (const QString &key : c.keys())
            QCOMPARE(c.value(key), key == QLatin1String("hotkey") ? QJsonValue(QStringLiteral("Alt+Q"))
                                                                  : defaults.value(key));
        // Keys that are not repaired fall back to their read defaults.
        QCOMPARE(configBool(QStringLiteral("tudingflag")), false);
        QCOMPARE(configInt(QStringLiteral("chuangkou_x")), 0);
    }

    void wrongTypesAreLeftAloneAndUnknownKeysSurvive() {
        const QString path = freshPath("config.json");
        writeAll(path, R"({"delay": "fast", "gundong": 2.5, "zhiding": 1, "my_note": {"a": [1, 2]}})");
        loadConfig(path);
        saveConfig(path);
        const QJsonObject c = fileJson(path).object();
        QCOMPARE(c.value(QStringLiteral("delay")).toString(), QStringLiteral("fast"));
        QCOMPARE(c.value(QStringLiteral("gundong")).toDouble(), 2.5);
        QCOMPARE(c.value(QStringLiteral("my_note")).toObject().value(QStringLiteral("a")).toArray().size(),
                 2);
        // Typed reads give the read default for values of the wrong type.
        QCOMPARE(configInt(QStringLiteral("delay"), 7), 7);
        QCOMPARE(configInt(QStringLiteral("gundong"), 7), 7);
        QCOMPARE(configBool(QStringLiteral("zhiding"), false), false);
    }

    void missingFilesGiveTheStartersAndAreWritten() {
        QListWidget list;
        const QString data = freshPath("data.json");
        loadPhrases(&list, data);
        QTabBar bar;
        const QString tabs = freshPath("tab.json");
        loadGroups(&bar, tabs);
        QCOMPARE(list.count(), 4);
        QCOMPARE(fileJson(data).array().size(), 4);
        // The starter phrases belong to the first starter group.
        for (int row = 0; row < list.count(); ++row)
            QCOMPARE(list.item(row)->data(PhraseGroupRole).toString(), bar.tabText(0));
        QCOMPARE(groupRecordsFromJson(fileJson(tabs).array(), 0), groupRecordsOf(&bar));
        QCOMPARE(bar.count(), 3);
        QCOMPARE(bar.tabData(1).toInt(), 44); // the configured default height
    }

    void phrasesAreReadTolerantlyAndRepairedOnSave() {
        const QString path = freshPath("data.json");
        writeAll(path, R"([5, {"text": "乙", "remark": 3, "hotkey": 12, "tab": "g"}, null,
                           {"text": "丙", "remark": "r", "tab": "g", "hotkey": "Ctrl+1"},
                           {"text": "x", "tab": ""}, {"text": "", "remark": "abc", "tab": "g"}])");
        QListWidget list;
        loadPhrases(&list, path);
        QCOMPARE(list.count(), 4);
        QCOMPARE(phraseRecordOf(list.item(0)),
                 (PhraseRecord{QStringLiteral("乙"), {}, QStringLiteral("g"), {}}));
        QCOMPARE(phraseRecordOf(list.item(1)), (PhraseRecord{QStringLiteral("丙"), QStringLiteral("r"),
                                                             QStringLiteral("g"), QStringLiteral("Ctrl+1")}));
        savePhrases(&list, path);
        const QJsonArray saved = fileJson(path).array();
        // An empty group becomes the first starter group, an empty text takes the remark.
        QCOMPARE(saved.at(2).toObject().value(QStringLiteral("tab")).toString(), QStringLiteral("短语1"));
        QCOMPARE(saved.at(3).toObject().value(QStringLiteral("text")).toString(), QStringLiteral("abc"));
        QVERIFY(readText(path).contains("    {\n        \"hotkey\": \"\",\n        \"remark\": \"\",\n"
                                        "        \"tab\": \"短语1\",\n        \"text\": \"x\"\n    }"));
    }

    // The direct reader of the written layout must read what the JSON parser reads, and
    // take only bytes that a save would write again unchanged.
    void theWrittenLayoutIsReadAsTheParserReadsIt_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("inLayout");
        const auto written = [](const QStringList &texts) {
            QList<PhraseRecord> records;
            for (const QString &t : texts)
                records.append({t, records.size() % 2 ? QString() : t.left(1), QStringLiteral("组1"),
                                QStringLiteral("Ctrl+1")});
            return QJsonDocument(phraseRecordsToJson(records)).toJson();
        };
        QTest::newRow("no phrase") << written({}) << true;
        QTest::newRow("Chinese, emoji, DEL, U+FFFE and U+FEFF inside")
            << written({QStringLiteral("您好😀"), QStringLiteral("a\uFEFF\u007F"), QStringLiteral("\uFFFE")})
            << true;
        // The parser drops it, so a save writes other bytes.
        QTest::newRow("U+FEFF starting a string") << written({QStringLiteral("\uFEFFa")}) << false;
        QTest::newRow("quotes, backslashes, line ends and tabs")
            << written({QStringLiteral("a\"b\\c\nd\r\te\b\f"), QStringLiteral("\\")}) << true;
        QTest::newRow("a control character the writer escapes as a number")
            << written({QStringLiteral("a\u0001")}) << false;
        QTest::newRow("a lone surrogate") << written({QString(QChar(0xD800))}) << false;
        const QByteArray one = written({QStringLiteral("x/é")});
        QTest::newRow("compact") << QJsonDocument::fromJson(one).toJson(QJsonDocument::Compact) << false;
        QTest::newRow("an escaped slash") << QByteArray(one).replace("x/", "x\\/") << false;
        QTest::newRow("a numeric escape") << QByteArray(one).replace("é", "\\u00e9") << false;
        QTest::newRow("a member missing")
            << QByteArray(one).replace("        \"hotkey\": \"Ctrl+1\",\n", "") << false;
        QTest::newRow("text after the array") << one + "[]" << false;
        QTest::newRow("broken UTF-8") << QByteArray(one).replace("é", "\xC3") << false;
        QTest::newRow("overlong UTF-8") << QByteArray(one).replace("/", "\xC0\xAF") << false;
        QTest::newRow("an encoded surrogate") << QByteArray(one).replace("/", "\xED\xA0\x80") << false;
    }
    void theWrittenLayoutIsReadAsTheParserReadsIt() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, inLayout);
        const std::optional<QList<PhraseRecord>> direct = phraseRecordsInWrittenLayout(bytes);
        QCOMPARE(direct.has_value(), inLayout);
        const QString path = freshPath("data.json");
        writeAll(path, bytes);
        QListWidget list;
        QCOMPARE(loadPhrases(&list, path), inLayout);
        const QJsonDocument parsed = QJsonDocument::fromJson(bytes);
        const QList<PhraseRecord> records = phraseRecordsFromJson(parsed.array());
        QCOMPARE(list.count(), records.size());
        for (int row = 0; row < list.count(); ++row)
            QCOMPARE(phraseRecordOf(list.item(row)), records.at(row));
        if (inLayout)
            QCOMPARE(*direct, records);
        savePhrases(&list, path);
        if (inLayout)
            QCOMPARE(readAll(path), bytes);
    }

    void groupHeightsThatAreNoWholePositiveNumberGetTheDefault() {
        const QString path = freshPath("tab.json");
        writeAll(path, R"([{"tab": "zero", "item_height": 0}, {"tab": "missing"},
                           {"tab": "string", "item_height": "70"}, {"tab": "fraction", "item_height": 70.5},
                           {"tab": "big", "item_height": 500}, 7, {"item_height": 30}])");
        QTabBar bar;
        loadGroups(&bar, path);
        const QList<GroupRecord> expected = {{QStringLiteral("zero"), 44},   {QStringLiteral("missing"), 44},
                                             {QStringLiteral("string"), 44}, {QStringLiteral("fraction"), 44},
                                             {QStringLiteral("big"), 500},   {QString(), 30}};
        QCOMPARE(groupRecordsOf(&bar), expected);
    }

    // Phrases name their group: the phrases of a repeated name all show under its first tab.
    void aRepeatedGroupNameKeepsItsFirstGroup() {
        const QString path = freshPath("tab.json");
        writeAll(path, R"([{"tab": "甲", "item_height": 30}, {"tab": "乙", "item_height": 50},
                           {"tab": "甲", "item_height": 60}, {"item_height": 20}, {"tab": ""}])");
        QCOMPARE(loadAndSave(path), 3);
        const QList<GroupRecord> expected = {
            {QStringLiteral("甲"), 30}, {QStringLiteral("乙"), 50}, {QString(), 20}};
        QCOMPARE(groupRecordsFromJson(fileJson(path).array(), 0), expected);
        // Loaded again, the file has nothing left to set aside.
        const QStringList kept = keptBesides(path);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(loadAndSave(path), 3);
        QCOMPARE(keptBesides(path), kept);
    }

    // Whatever a load cannot use, or the next save would drop, is copied aside first;
    // what the program reads whole is not copied.
    void unreadableOrLossyFilesAreKeptAside_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("loaded"); // -1: a complete default config
        QTest::addColumn<bool>("keptAside");
        const auto row = [](const char *what, const char *name, const QByteArray &content, int loaded,
                            bool kept) {
            QTest::newRow(what) << QString::fromLatin1(name) << content << loaded << kept;
        };
        row("config: broken JSON", "config.json", "{\"hotkey\": \"Ctrl+Q\",", -1, true);
        row("config: an array", "config.json", "[1, 2, 3]", -1, true);
        row("config: an empty file", "config.json", "", -1, true);
        row("data: broken JSON", "data.json", "[{\"text\": \"lost?\"", 0, true);
        row("data: an object", "data.json", "{\"text\": \"x\"}", 0, true);
        row("data: an empty array is no loss", "data.json", "[]", 0, false);
        row("data: elements that are no object", "data.json", R"([5, "text", {"text": "a"}])", 1, true);
        row("data: a number where text is expected", "data.json", R"([{"text": 12, "tab": "g"}])", 1, true);
        row("data: a member of another name", "data.json", R"([{"text": "a", "note": "n"}])", 1, true);
        row("data: what is read whole is not copied", "data.json",
            R"([{"text": "a", "remark": "", "tab": "g"},
            {"text": "b"}])",
            2, false);
        row("tab: an object", "tab.json", R"({"tab": "mine"})", 0, true);
        row("tab: an array of names", "tab.json", R"(["mine", "yours"])", 0, true);
        row("tab: a height given as text", "tab.json", R"([{"tab": "a", "item_height": "70"}])", 1, true);
        row("tab: a name given as a number", "tab.json", R"([{"tab": 5, "item_height": 70}])", 1, true);
        row("tab: zero and missing heights are no loss", "tab.json",
            R"([{"tab": "a", "item_height": 0}, {"tab": "b"}])", 2, false);
    }
    void unreadableOrLossyFilesAreKeptAside() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, loaded);
        QFETCH(bool, keptAside);
        const QString path = freshPath(qPrintable(name));
        writeAll(path, content);
        const int count = loadAndSave(path);
        QCOMPARE(count, loaded < 0 ? int(defaultConfig(QSize(1920, 1080)).size()) : loaded);
        const QStringList kept = keptBesides(path);
        QCOMPARE(kept.size(), keptAside ? 1 : 0);
        if (keptAside)
            QCOMPARE(readAll(QFileInfo(path).dir().filePath(kept.first())), content);
    }

    // A file larger than any real library is not read into memory but set aside.
    void aHugeFileIsSetAsideNotRead() {
        const QString path = freshPath("config.json");
        QFile huge(path);
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(maximumJsonFileSize + 1));
        huge.close();
        loadConfig(path);
        QCOMPARE(configObject(), defaultConfig(QGuiApplication::primaryScreen()->geometry().size()));
        const QStringList kept = keptBesides(path);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(QFileInfo(QFileInfo(path).dir().filePath(kept.first())).size(), maximumJsonFileSize + 1);
    }

    // Nothing that is no regular file is read (a FIFO would block, /dev/zero never ends)
    // or replaced; the user is told.
    void specialFilesAreNeitherReadNorReplaced_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("FIFO") << QStringLiteral("fifo");
        QTest::newRow("link to /dev/zero") << QStringLiteral("/dev/zero");
        QTest::newRow("link to a folder") << QStringLiteral("folderlink");
    }
    void specialFilesAreNeitherReadNorReplaced() {
        QFETCH(QString, kind);
        if (kind != QLatin1String("folder") && !hasPosixFileKinds())
            QSKIP("a POSIX file kind");
        const QString path = freshPath("config.json");
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path + QStringLiteral("/keep")));
        else if (kind == QLatin1String("fifo"))
            QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {path}), 0);
        else if (kind == QLatin1String("folderlink"))
            QVERIFY(QDir().mkpath(path + QStringLiteral(".d")) &&
                    QFile::link(path + QStringLiteral(".d"), path));
        else
            QVERIFY(QFile::link(kind, path));
        const QString before = fileType(path);
        loadConfig(path);
        QVERIFY(configObject().contains(QStringLiteral("hotkey"))); // the program runs on defaults
        QVERIFY(!saveConfig(path));
        QCOMPARE(fileType(path), before);
        QVERIFY(keptBesides(path).isEmpty());
        QVERIFY(!notices.isEmpty() && notices.first().contains(QFileInfo(path).absoluteFilePath()));
    }

    void aLinkToARegularFileIsWrittenThroughAndStays() {
        if (!hasPosixFileKinds())
            QSKIP("a POSIX file kind");
        const QString path = freshPath("config.json");
        const QString target = path + QStringLiteral(".real");
        writeAll(target, R"({"hotkey": "Alt+Q"})");
        QVERIFY(QFile::link(target, path));
        loadConfig(path);
        QVERIFY(saveConfig(path));
        QVERIFY(QFileInfo(path).isSymLink());
        QVERIFY(fileJson(target).object().contains(QStringLiteral("delay")));
    }

    // A failed save leaves the file alone, keeps the change, tells the user once per
    // cause, and is written by a retry once the fault is gone.
    void aFailedSaveIsToldOnceAndRetried() {
        const QString path = freshPath("config.json");
        loadConfig(path);
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path)); // something the save must not replace
        for (int delay : {300, 400}) {
            configObject().insert(QStringLiteral("delay"), delay);
            QVERIFY(!saveConfig(path));
        }
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.first().contains(QFileInfo(path).absoluteFilePath()));
        QVERIFY(hasUnsavedChange(path));
        QVERIFY(QDir(path).removeRecursively());
        QVERIFY(retryPendingSaves());
        QVERIFY(!hasUnsavedChange(path));
        QCOMPARE(fileJson(path).object().value(QStringLiteral("delay")), QJsonValue(400));
        // Working again, so the next failure is news.
        QVERIFY(QFile::remove(path) && QDir().mkpath(path));
        QVERIFY(!saveConfig(path));
        QCOMPARE(notices.size(), 2);
        QVERIFY(QDir(path).removeRecursively());
        QVERIFY(retryPendingSaves());
    }

    // What start-up does not need to change, it does not write (its time stays).
    void aFileHoldingTheSameBytesIsNotWrittenAgain() {
        const QString path = freshPath("config.json");
        loadConfig(path);
        const QDateTime old = QDateTime::currentDateTime().addDays(-1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(old, QFileDevice::FileModificationTime));
        file.close();
        QVERIFY(saveConfig(path));
        QCOMPARE(QFileInfo(path).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
        configObject().insert(QStringLiteral("delay"), 1);
        QVERIFY(saveConfig(path));
        QVERIFY(QFileInfo(path).lastModified() > old);
    }

    void staleSaveTemporariesAreRemoved_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("removed");
        QTest::newRow("an old temporary of data.json") << QStringLiteral("data.json.aB3xYz") << 120 << true;
        QTest::newRow("an old temporary of tab.json") << QStringLiteral("tab.json.Q1w2E3") << 120 << true;
        QTest::newRow("a temporary of a save going on") << QStringLiteral("config.json.aB3xYz") << 5 << false;
        QTest::newRow("a backup") << QStringLiteral("data.json.unreadable-20260101-101010") << 120 << false;
        QTest::newRow("another program's file") << QStringLiteral("notes.json.aB3xYz") << 120 << false;
        QTest::newRow("a name of another form") << QStringLiteral("data.json.aB3xY") << 120 << false;
    }
    void staleSaveTemporariesAreRemoved() {
        QFETCH(QString, name);
        QFETCH(int, ageSeconds);
        QFETCH(bool, removed);
        const QString path = freshPath(qPrintable(name));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                                 QFileDevice::FileModificationTime));
        file.close();
        removeStaleSaveTemporaries(QFileInfo(path).absolutePath());
        QCOMPARE(!file.exists(), removed);
    }

    void phraseItemShowsItsRemarkAndTooltip() {
        QListWidgetItem *item =
            newPhraseItem({QStringLiteral("T"), QStringLiteral("R"), QStringLiteral("g"), {}});
        QCOMPARE(item->text(), QStringLiteral("R"));
        QCOMPARE(item->toolTip(), QStringLiteral("R\n") + QString(24, QChar(0x2500)) + QStringLiteral("\nT"));
        const QColor remarked = item->foreground().color();
        item->setData(PhraseRemarkRole, QString());
        refreshPhraseItem(item);
        QCOMPARE(item->text(), QStringLiteral("T"));
        QCOMPARE(item->toolTip(), QStringLiteral("T"));
        QVERIFY(item->foreground().color() != remarked);
        delete item;
    }

    void toolTipWrapping_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        const QString a50(50, QLatin1Char('a')), b50(50, QLatin1Char('b')), c20(20, QLatin1Char('c'));
        QStringList lines, pieces;
        for (int i = 1; i <= 31; ++i)
            lines << QStringLiteral("line %1").arg(i);
        for (int i = 0; i < 30; ++i)
            pieces << QString(50, QChar(u'中'));
        const QString ellipsis = QStringLiteral("\n\u2026\u2026");
        QTest::newRow("a line of exactly 50 stays one line") << a50 << a50;
        QTest::newRow("120 characters become 50, 50 and 20")
            << a50 + b50 + c20 << a50 + QLatin1Char('\n') + b50 + QLatin1Char('\n') + c20;
        QTest::newRow("30 lines are kept whole")
            << lines.mid(0, 30).join(QLatin1Char('\n')) << lines.mid(0, 30).join(QLatin1Char('\n'));
        QTest::newRow("31 lines are cut to 30 and an ellipsis")
            << lines.join(QLatin1Char('\n')) << lines.mid(0, 30).join(QLatin1Char('\n')) + ellipsis;
        QTest::newRow("1600 characters give 30 pieces and the ellipsis")
            << QString(1600, QChar(u'中')) << pieces.join(QLatin1Char('\n')) + ellipsis;
        QTest::newRow("empty lines count and carriage returns stay inside")
            << QStringLiteral("a\r\n\nb") << QStringLiteral("a\r\n\nb");
    }
    void toolTipWrapping() {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(wrapToolTipText(input), expected);
    }
};

QTEST_MAIN(StoresTest)
#include "tst_stores.moc"
