#include "TestFiles.h"
#include "app/ConfigStore.h"
#include "app/DataFolder.h"
#include "app/JsonFile.h"
#include "app/Settings.h"
#include "app/UserNotices.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QJsonObject fileObject(const QString &path) {
    return QJsonDocument::fromJson(readAll(path)).object();
}

QStringList backupsIn(const QString &folder) {
    return QDir(folder).entryList({QStringLiteral("config.json.unreadable-*")}, QDir::Files);
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

} // namespace

class ConfigStoreTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        setNoticeSink([](const QString &message) { notices << message; });
    }
    void init() {
        configObject() = QJsonObject();
        notices.clear();
    }

    void newFileHoldsAllKeysWithCentredPositions_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("cx");
        QTest::addColumn<int>("cy");
        QTest::newRow("full HD screen") << QSize(1920, 1080) << 710 << 290;
        QTest::newRow("odd width truncates") << QSize(1365, 768) << 432 << 134;
    }
    void newFileHoldsAllKeysWithCentredPositions() {
        QFETCH(QSize, screen);
        QFETCH(int, cx);
        QFETCH(int, cy);
        const QJsonObject c = defaultConfig(screen);
        QCOMPARE(c.size(), 23);
        QCOMPARE(c.value(QStringLiteral("hotkey")).toString(), QStringLiteral("Ctrl+Shift+V"));
        QCOMPARE(c.value(QStringLiteral("zhiding")), QJsonValue(true));
        QCOMPARE(c.value(QStringLiteral("delay")), QJsonValue(200));
        QCOMPARE(c.value(QStringLiteral("width")), QJsonValue(500));
        QCOMPARE(c.value(QStringLiteral("height")), QJsonValue(500));
        QCOMPARE(c.value(QStringLiteral("default_item_height")), QJsonValue(40));
        QCOMPARE(c.value(QStringLiteral("phrase_item_padding_horizontal")), QJsonValue(16));
        QCOMPARE(c.value(QStringLiteral("phrase_item_padding_vertical")), QJsonValue(12));
        QCOMPARE(c.value(QStringLiteral("gundong")), QJsonValue(10));
        QCOMPARE(c.value(QStringLiteral("jiaobiao")), QJsonValue(false));
        QCOMPARE(c.value(QStringLiteral("badge_key_input_phrase_when_pinned")), QJsonValue(false));
        QCOMPARE(c.value(QStringLiteral("enter_key_input_phrase_when_pinned")), QJsonValue(false));
        QCOMPARE(c.value(QStringLiteral("arrow_key_cycle_select_phrase_item")), QJsonValue(true));
        QCOMPARE(c.value(QStringLiteral("ziqidong")), QJsonValue(true));
        QCOMPARE(c.value(QStringLiteral("tudingflag")), QJsonValue(true));
        QCOMPARE(c.value(QStringLiteral("chuangkou_x")), QJsonValue(cx));
        QCOMPARE(c.value(QStringLiteral("chuangkou_y")), QJsonValue(cy));
        for (const char *w : {"shezhichuangkou", "tianjiachuangkou", "xiugaichuangkou"}) {
            QCOMPARE(c.value(QLatin1String(w) + QStringLiteral("_x")), QJsonValue(cx + 501));
            QCOMPARE(c.value(QLatin1String(w) + QStringLiteral("_y")), QJsonValue(cy));
        }
    }

    void missingFileIsCreatedIndentedWithSortedKeys() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.json"));
        loadConfig(path);
        QCOMPARE(configObject().size(), 23);
        const QByteArray text = readAll(path);
        QCOMPARE(fileObject(path), configObject());
        QVERIFY(text.startsWith("{\n    \"arrow_key_cycle_select_phrase_item\": true,\n"));
        // Keys appear in ascending order.
        QStringList keys;
        const QRegularExpression key(QStringLiteral("^    \"([a-z_]+)\":"),
                                     QRegularExpression::MultilineOption);
        for (auto it = key.globalMatch(QString::fromUtf8(text)); it.hasNext();)
            keys << it.next().captured(1);
        QStringList sorted = keys;
        sorted.sort();
        QCOMPARE(keys, sorted);
        QCOMPARE(keys.size(), 23);
    }

    void fileWithOnlyHotkeyGetsTheEightRepairedKeysAndNothingElse() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.json"));
        writeAll(path, R"({"hotkey": "Alt+Q"})");
        loadConfig(path);
        saveConfig(path);
        const QJsonObject c = fileObject(path);
        QCOMPARE(c.keys(),
                 QStringList({QStringLiteral("arrow_key_cycle_select_phrase_item"),
                              QStringLiteral("badge_key_input_phrase_when_pinned"),
                              QStringLiteral("default_item_height"), QStringLiteral("delay"),
                              QStringLiteral("enter_key_input_phrase_when_pinned"), QStringLiteral("gundong"),
                              QStringLiteral("hotkey"), QStringLiteral("phrase_item_padding_horizontal"),
                              QStringLiteral("phrase_item_padding_vertical")}));
        QCOMPARE(c.value(QStringLiteral("hotkey")).toString(), QStringLiteral("Alt+Q"));
        // Repaired keys get the values of a fresh file (checked one by one above).
        const QJsonObject defaults = defaultConfig(QSize(1920, 1080));
        for (const QString &key : c.keys()) {
            if (key != QLatin1String("hotkey"))
                QCOMPARE(c.value(key), defaults.value(key));
        }
        // Keys that are not repaired fall back to their read defaults.
        QCOMPARE(configBool(QStringLiteral("tudingflag")), false);
        QCOMPARE(configInt(QStringLiteral("chuangkou_x")), 0);
    }

    void wrongTypesAreLeftAloneAndUnknownKeysSurvive() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.json"));
        writeAll(path, R"({"delay": "fast", "gundong": 2.5, "zhiding": 1, "my_note": {"a": [1, 2]}})");
        loadConfig(path);
        saveConfig(path);
        const QJsonObject c = fileObject(path);
        QCOMPARE(c.value(QStringLiteral("delay")).toString(), QStringLiteral("fast"));
        QCOMPARE(c.value(QStringLiteral("gundong")).toDouble(), 2.5);
        QCOMPARE(c.value(QStringLiteral("my_note")).toObject().value(QStringLiteral("a")).toArray().size(),
                 2);
        // Typed reads give the read default for values of the wrong type.
        QCOMPARE(configInt(QStringLiteral("delay"), 7), 7);
        QCOMPARE(configInt(QStringLiteral("gundong"), 7), 7);
        QCOMPARE(configBool(QStringLiteral("zhiding"), false), false);
        QCOMPARE(configString(QStringLiteral("missing")), QString());
    }

    void unreadableFileIsBackedUpBeforeDefaultsReplaceIt_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("broken JSON") << QByteArray("{\"hotkey\": \"Ctrl+Q\",");
        QTest::newRow("array instead of object") << QByteArray("[1, 2, 3]");
        QTest::newRow("empty file") << QByteArray();
    }
    void unreadableFileIsBackedUpBeforeDefaultsReplaceIt() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.json"));
        writeAll(path, content);
        loadConfig(path);
        const QStringList backups = backupsIn(dir.path());
        QCOMPARE(backups.size(), 1);
        QCOMPARE(readAll(dir.filePath(backups.first())), content);
        QCOMPARE(configObject().size(), 23);
        QCOMPARE(fileObject(path).size(), 23);
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
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.json"));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path + QStringLiteral("/keep")));
        else if (kind == QLatin1String("fifo"))
            QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {path}), 0);
        else if (kind == QLatin1String("folderlink"))
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("sub"))) &&
                    QFile::link(dir.filePath(QStringLiteral("sub")), path));
        else
            QVERIFY(QFile::link(kind, path));
        const QString before = fileType(path);
        loadConfig(path);
        QCOMPARE(configObject().size(), 23); // the program runs on defaults
        QVERIFY(!saveConfig(path));
        QCOMPARE(fileType(path), before);
        QVERIFY(backupsIn(dir.path()).isEmpty());
        QVERIFY(!notices.isEmpty() && notices.first().contains(QFileInfo(path).absoluteFilePath()));
    }

    void aLinkToARegularFileIsWrittenThroughAndStays() {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("real.json"));
        const QString path = dir.filePath(QStringLiteral("config.json"));
        writeAll(target, R"({"hotkey": "Alt+Q"})");
        QVERIFY(QFile::link(target, path));
        loadConfig(path);
        QVERIFY(saveConfig(path));
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(fileObject(target).value(QStringLiteral("delay")), QJsonValue(200));
    }

    // A file larger than any real library is not read into memory but set aside.
    void aHugeFileIsSetAsideNotRead() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.json"));
        QFile huge(path);
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(maximumJsonFileSize + 1));
        huge.close();
        loadConfig(path);
        QCOMPARE(configObject().size(), 23);
        const QStringList backups = backupsIn(dir.path());
        QCOMPARE(backups.size(), 1);
        QCOMPARE(QFileInfo(dir.filePath(backups.first())).size(), maximumJsonFileSize + 1);
    }

    // A failed save leaves the file alone, keeps the change, tells the user once per
    // cause, and is written by a retry once the fault is gone.
    void aFailedSaveIsToldOnceAndRetried() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.json"));
        loadConfig(path);
        QVERIFY(QFile::rename(path, dir.filePath(QStringLiteral("moved"))));
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
        QCOMPARE(fileObject(path).value(QStringLiteral("delay")), QJsonValue(400));
        // Working again, so the next failure is news.
        QVERIFY(QFile::remove(path) && QDir().mkpath(path));
        QVERIFY(!saveConfig(path));
        QCOMPARE(notices.size(), 2);
        QVERIFY(QDir(path).removeRecursively());
        QVERIFY(retryPendingSaves());
    }

    // What start-up does not need to change, it does not write (its time stays).
    void aFileHoldingTheSameBytesIsNotWrittenAgain() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.json"));
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
        QTemporaryDir dir;
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                                 QFileDevice::FileModificationTime));
        file.close();
        removeStaleSaveTemporaries(dir.path());
        QCOMPARE(!file.exists(), removed);
    }
};

QTEST_GUILESS_MAIN(ConfigStoreTest)
#include "tst_configstore.moc"
