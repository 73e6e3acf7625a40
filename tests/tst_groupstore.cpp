#include "TestFiles.h"
#include "app/ConfigStore.h"
#include "library/GroupStore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

class GroupStoreTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        configObject() = QJsonObject();
        configObject().insert(QStringLiteral("default_item_height"), 44);
    }

    void missingFileGivesTheDefaultGroupsAndSavesThem() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tab.json"));
        QTabBar bar;
        loadGroups(&bar, path);
        const QList<GroupRecord> expected = {{QStringLiteral("短语1"), 70},
                                             {QStringLiteral("短语2"), 44},
                                             {QStringLiteral("此处可右键点击"), 44}};
        QCOMPARE(groupRecordsOf(&bar), expected);
        QCOMPARE(groupRecordsFromJson(QJsonDocument::fromJson(readAll(path)).array(), 0), expected);
        QVERIFY(readText(path).contains("        \"item_height\": 70,\n        \"tab\": \"短语1\"\n"));
    }

    void heightsThatAreNoWholePositiveNumberGetTheConfiguredDefault() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tab.json"));
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
    void aRepeatedNameKeepsItsFirstGroupAndTheFileIsKeptAsideFirst() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tab.json"));
        const QByteArray original = R"([{"tab": "甲", "item_height": 30}, {"tab": "乙", "item_height": 50},
                                        {"tab": "甲", "item_height": 60}, {"item_height": 20}, {"tab": ""}])";
        writeAll(path, original);
        QTabBar bar;
        loadGroups(&bar, path);
        saveGroups(&bar, path);
        const QList<GroupRecord> expected = {
            {QStringLiteral("甲"), 30}, {QStringLiteral("乙"), 50}, {QString(), 20}};
        QCOMPARE(groupRecordsOf(&bar), expected);
        QCOMPARE(groupRecordsFromJson(QJsonDocument::fromJson(readAll(path)).array(), 0), expected);
        const QStringList backups =
            QDir(dir.path()).entryList({QStringLiteral("tab.json.unreadable-*")}, QDir::Files);
        QCOMPARE(backups.size(), 1);
        QCOMPARE(readAll(dir.filePath(backups.first())), original);

        // Loaded again, the file has nothing left to set aside.
        loadGroups(&bar, path);
        QCOMPARE(groupRecordsOf(&bar), expected);
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("tab.json.unreadable-*")}, QDir::Files), backups);
    }

    // Whatever a load cannot use, or the next save would drop, is copied aside first;
    // a missing or zero height is no loss.
    void unreadableOrLossyFileIsKeptAside_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("loaded");
        QTest::addColumn<int>("backups");
        QTest::newRow("an object instead of an array") << QByteArray(R"({"tab": "mine"})") << 0 << 1;
        QTest::newRow("an array of names") << QByteArray(R"(["mine", "yours"])") << 0 << 1;
        QTest::newRow("a height given as text")
            << QByteArray(R"([{"tab": "a", "item_height": "70"}])") << 1 << 1;
        QTest::newRow("a name given as a number")
            << QByteArray(R"([{"tab": 5, "item_height": 70}])") << 1 << 1;
        QTest::newRow("a name given twice")
            << QByteArray(R"([{"tab": "a", "item_height": 30}, {"tab": "a", "item_height": 60}])") << 1 << 1;
        QTest::newRow("zero and missing heights")
            << QByteArray(R"([{"tab": "a", "item_height": 0}, {"tab": "b"}])") << 2 << 0;
    }
    void unreadableOrLossyFileIsKeptAside() {
        QFETCH(QByteArray, content);
        QFETCH(int, loaded);
        QFETCH(int, backups);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tab.json"));
        writeAll(path, content);
        QTabBar bar;
        loadGroups(&bar, path);
        saveGroups(&bar, path);
        QCOMPARE(bar.count(), loaded);
        const QStringList kept =
            QDir(dir.path()).entryList({QStringLiteral("tab.json.unreadable-*")}, QDir::Files);
        QCOMPARE(kept.size(), backups);
        if (backups)
            QCOMPARE(readAll(dir.filePath(kept.first())), content);
    }
};

QTEST_MAIN(GroupStoreTest)
#include "tst_groupstore.moc"
