#include "TestFiles.h"
#include "app/ConfigStore.h"
#include "app/JsonFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
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

} // namespace

class ConfigStoreTest : public QObject {
    Q_OBJECT
private slots:
    void init() { configObject() = QJsonObject(); }

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

    void anEntryThatCannotBeReadOrCopiedIsNeverReplaced() {
        QTemporaryDir dir;
        // A folder in place of the file: it exists, cannot be opened and cannot be copied.
        const QString path = dir.filePath(QStringLiteral("config.json"));
        QVERIFY(QDir().mkpath(path + QStringLiteral("/keep")));
        loadConfig(path);
        QCOMPARE(configObject().size(), 23); // the program still runs on defaults
        QVERIFY(isWriteProtected(path));
        saveConfig(path);
        QVERIFY(QFileInfo(path + QStringLiteral("/keep")).isDir());
        QVERIFY(backupsIn(dir.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(ConfigStoreTest)
#include "tst_configstore.moc"
