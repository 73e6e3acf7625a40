#include "TestFiles.h"
#include "app/ConfigStore.h"
#include "library/PhraseItem.h"

#include <QBrush>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

QJsonArray fileArray(const QString &path) {
    return QJsonDocument::fromJson(readAll(path)).array();
}

QString repeated(const QString &piece, int times) {
    return piece.repeated(times);
}

QString lines(int count) {
    QStringList l;
    for (int i = 1; i <= count; ++i)
        l << QStringLiteral("line %1").arg(i);
    return l.join(QLatin1Char('\n'));
}

} // namespace

class PhraseStoreTest : public QObject {
    Q_OBJECT
private slots:
    void missingFileGivesTheFourStarterPhrasesAndWritesThem() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.json"));
        QListWidget list;
        loadPhrases(&list, path);
        QCOMPARE(list.count(), 4);
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(list.item(row)->data(PhraseGroupRole).toString(), QStringLiteral("短语1"));
            QCOMPARE(list.item(row)->data(PhraseRemarkRole).toString(), QString());
            QCOMPARE(list.item(row)->data(PhraseHotkeyRole).toString(), QString());
        }
        QVERIFY(
            list.item(0)->data(PhraseTextRole).toString().startsWith(QStringLiteral("快捷键：按下快捷键")));
        QVERIFY(list.item(3)->data(PhraseTextRole).toString().endsWith(QStringLiteral("然后新建一个短语~")));
        QCOMPARE(fileArray(path).size(), 4);
    }

    void emptyArrayLoadsNoPhrasesAndNoStarters() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.json"));
        writeAll(path, "[]");
        QListWidget list;
        loadPhrases(&list, path);
        QCOMPARE(list.count(), 0);
    }

    void tolerantReadingSkipsNonObjectsAndReadsBadMembersAsEmpty() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.json"));
        writeAll(path, R"([5, "text", {"text": "甲", "tab": "g"}, {"text": "乙", "remark": 3, "hotkey": 12,
                           "tab": "g"}, null, {"text": "丙", "remark": "r", "tab": "g", "hotkey": "Ctrl+1"}])");
        QListWidget list;
        loadPhrases(&list, path);
        QCOMPARE(list.count(), 3);
        QCOMPARE(phraseRecordOf(list.item(0)),
                 (PhraseRecord{QStringLiteral("甲"), {}, QStringLiteral("g"), {}}));
        QCOMPARE(phraseRecordOf(list.item(1)),
                 (PhraseRecord{QStringLiteral("乙"), {}, QStringLiteral("g"), {}}));
        QCOMPARE(phraseRecordOf(list.item(2)), (PhraseRecord{QStringLiteral("丙"), QStringLiteral("r"),
                                                             QStringLiteral("g"), QStringLiteral("Ctrl+1")}));
    }

    void saveRepairsEmptyGroupAndEmptyTextAndOrdersMembers() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.json"));
        writeAll(path, R"([{"text": "x", "tab": ""}, {"text": "", "remark": "abc", "tab": "g"}])");
        QListWidget list;
        loadPhrases(&list, path);
        savePhrases(&list, path);
        const QJsonArray saved = fileArray(path);
        QCOMPARE(saved.at(0).toObject().value(QStringLiteral("tab")).toString(), QStringLiteral("短语1"));
        QCOMPARE(saved.at(1).toObject().value(QStringLiteral("text")).toString(), QStringLiteral("abc"));
        QCOMPARE(list.item(1)->data(PhraseTextRole).toString(), QStringLiteral("abc"));
        // Members are written as "hotkey", "remark", "tab", "text", indented by four blanks.
        const QByteArray text = readText(path);
        QVERIFY(text.contains("    {\n        \"hotkey\": \"\",\n        \"remark\": \"\",\n"
                              "        \"tab\": \"短语1\",\n        \"text\": \"x\"\n    }"));
    }

    // Whatever a load cannot use, or the next save would drop, is copied aside first.
    void unreadableOrLossyFileIsKeptAsideAndNotLost_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("loaded");
        QTest::newRow("broken JSON") << QByteArray("[{\"text\": \"lost?\"") << 0;
        QTest::newRow("object instead of array") << QByteArray("{\"text\": \"x\"}") << 0;
        QTest::newRow("empty file") << QByteArray() << 0;
        QTest::newRow("elements that are no object") << QByteArray(R"([5, "text", {"text": "a"}])") << 1;
        QTest::newRow("a number where text is expected") << QByteArray(R"([{"text": 12, "tab": "g"}])") << 1;
        QTest::newRow("a member of another name") << QByteArray(R"([{"text": "a", "note": "n"}])") << 1;
    }
    void unreadableOrLossyFileIsKeptAsideAndNotLost() {
        QFETCH(QByteArray, content);
        QFETCH(int, loaded);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.json"));
        writeAll(path, content);
        QListWidget list;
        loadPhrases(&list, path);
        savePhrases(&list, path);
        QCOMPARE(list.count(), loaded);
        const QStringList backups =
            QDir(dir.path()).entryList({QStringLiteral("data.json.unreadable-*")}, QDir::Files);
        QCOMPARE(backups.size(), 1);
        QCOMPARE(readAll(dir.filePath(backups.first())), content);
    }

    void aFileTheProgramReadsWholeIsNotCopied() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.json"));
        writeAll(path, R"([{"text": "a", "remark": "", "tab": "g"}, {"text": "b"}])");
        QListWidget list;
        loadPhrases(&list, path);
        QCOMPARE(list.count(), 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }

    void displayTextToolTipAndColourFollowTheRemark() {
        QListWidgetItem *item =
            newPhraseItem({QStringLiteral("T"), QStringLiteral("R"), QStringLiteral("g"), {}});
        QCOMPARE(item->text(), QStringLiteral("R"));
        QCOMPARE(item->foreground().color(), QColor(QStringLiteral("#2E7D32")));
        QCOMPARE(item->toolTip(), QStringLiteral("R\n") + QString(24, QChar(0x2500)) + QStringLiteral("\nT"));
        item->setData(PhraseRemarkRole, QString());
        refreshPhraseItem(item);
        QCOMPARE(item->text(), QStringLiteral("T"));
        QCOMPARE(item->foreground().color(), QColor(QStringLiteral("#323130")));
        QCOMPARE(item->toolTip(), QStringLiteral("T"));
        delete item;
    }

    void toolTipWrapping_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        const QString a50 = repeated(QStringLiteral("a"), 50);
        const QString b50 = repeated(QStringLiteral("b"), 50);
        QTest::newRow("a line of exactly 50 stays one line") << a50 << a50;
        QTest::newRow("120 characters become 50, 50 and 20")
            << a50 + b50 + repeated(QStringLiteral("c"), 20)
            << a50 + QLatin1Char('\n') + b50 + QLatin1Char('\n') + repeated(QStringLiteral("c"), 20);
        QTest::newRow("30 lines are kept whole") << lines(30) << lines(30);
        QTest::newRow("31 lines are cut to 30 and an ellipsis")
            << lines(31) << lines(30) + QStringLiteral("\n\u2026\u2026");
        QStringList pieces;
        for (int i = 0; i < 30; ++i)
            pieces << repeated(QStringLiteral("中"), 50);
        QTest::newRow("1600 characters give 30 pieces and the ellipsis")
            << repeated(QStringLiteral("中"), 1600)
            << pieces.join(QLatin1Char('\n')) + QStringLiteral("\n\u2026\u2026");
        QTest::newRow("empty lines count and carriage returns stay inside")
            << QStringLiteral("a\r\n\nb") << QStringLiteral("a\r\n\nb");
        QTest::newRow("empty text") << QString() << QString();
    }
    void toolTipWrapping() {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(wrapToolTipText(input), expected);
    }
};

QTEST_MAIN(PhraseStoreTest)
#include "tst_phrasestore.moc"
