#include "output/PhraseMarkup.h"
#include "tests/ActionTestHelpers.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Actions = QList<OutputAction>;

// Runs the verbolin-markup tool built beside the program and reads its output back.
class TestMarkupTool : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void argumentsPrintTheLibrarysActions();
    void standardInputTakesAJsonArray();
    void notAJsonArrayIsAnError_data();
    void notAJsonArrayIsAnError();

private:
    struct Run {
        int exitCode = -1;
        QByteArray out;
    };
    static Run runTool(const QStringList &arguments, const QByteArray &input = QByteArray());
    static QList<Actions> readActions(const QByteArray &out);

    QTemporaryDir m_dir;
    QStringList m_phrases;
};

TestMarkupTool::Run TestMarkupTool::runTool(const QStringList &arguments, const QByteArray &input) {
    QProcess process;
    process.start(QStringLiteral(VERBOLIN_MARKUP_EXE), arguments);
    Run run;
    if (!process.waitForStarted())
        return run;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    // Standard output is text: lines end in CRLF on Windows.
    run.out = process.readAllStandardOutput().replace("\r\n", "\n");
    return run;
}

// One JSON object per line, a blank line between phrases.
QList<Actions> TestMarkupTool::readActions(const QByteArray &out) {
    QList<Actions> phrases{Actions{}};
    const QList<QByteArray> lines = out.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (line.isEmpty()) {
            if (i + 1 < lines.size())
                phrases.append(Actions{});
            continue;
        }
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        OutputAction a;
        const QString kind = o.value(QStringLiteral("kind")).toString();
        const QStringList kinds = {QStringLiteral("Text"), QStringLiteral("KeyPress"),
                                   QStringLiteral("Pause"), QStringLiteral("PasteFile")};
        a.kind = OutputAction::Kind(kinds.indexOf(kind));
        a.text = o.value(QStringLiteral("text")).toString();
        for (const QJsonValue &m : o.value(QStringLiteral("modifiers")).toArray())
            a.modifiers.append(quint16(m.toInt()));
        a.mainKey = quint16(o.value(QStringLiteral("mainKey")).toInt());
        a.pauseMs = qint32(o.value(QStringLiteral("pauseMs")).toDouble());
        a.filePath = o.value(QStringLiteral("filePath")).toString();
        phrases.last().append(a);
    }
    return phrases;
}

void TestMarkupTool::initTestCase() {
    QVERIFY(QFile::exists(QStringLiteral(VERBOLIN_MARKUP_EXE)));
    QVERIFY(m_dir.isValid());
    const QString file = QDir::cleanPath(m_dir.path()) + QStringLiteral("/图 片.png");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    m_phrases = {
        QStringLiteral("第一条<Enter>第二条<press Ctrl+Shift+A>"),
        QStringLiteral("quote \" backslash \\ \\<Enter> tab\t newline\n bell\a end"),
        QStringLiteral("<sleep 2147483.647><Win>"),
        QStringLiteral("<img \"%1\">后").arg(file),
        QStringLiteral("emoji 😀 ok"),
    };
}

void TestMarkupTool::argumentsPrintTheLibrarysActions() {
    const Run run = runTool(QStringList{QStringLiteral("--")} + m_phrases);
    QCOMPARE(run.exitCode, 0);
    const QList<Actions> printed = readActions(run.out);
    QCOMPARE(printed.size(), m_phrases.size());
    for (qsizetype i = 0; i < m_phrases.size(); ++i) {
        Actions expected;
        parsePhraseMarkup(m_phrases.at(i), expected);
        QCOMPARE(printed.at(i), expected);
    }
    // Fixed points, so that the tool and the library cannot agree on a wrong reading.
    QCOMPARE(printed.at(0).at(1), keyAction(0x0D));
    QCOMPARE(printed.at(2).at(0), pauseAction(2147483647));
    QCOMPARE(printed.at(3).at(0).kind, OutputAction::PasteFile);
}

void TestMarkupTool::standardInputTakesAJsonArray() {
    QJsonArray array;
    for (const QString &p : std::as_const(m_phrases))
        array.append(p);
    array.append(QString()); // an empty phrase prints nothing but still has its place
    array.append(QStringLiteral("<Tab>"));
    const Run run = runTool({}, QJsonDocument(array).toJson());
    QCOMPARE(run.exitCode, 0);
    const QList<Actions> printed = readActions(run.out);
    QCOMPARE(printed.size(), array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        Actions expected;
        parsePhraseMarkup(array.at(i).toString(), expected);
        QCOMPARE(printed.at(i), expected);
    }
}

void TestMarkupTool::notAJsonArrayIsAnError_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("not JSON") << QByteArray("<Enter>");
    QTest::newRow("an object") << QByteArray("{\"a\":\"b\"}");
    QTest::newRow("an array with a number") << QByteArray("[\"a\", 1]");
    QTest::newRow("nothing at all") << QByteArray();
}

void TestMarkupTool::notAJsonArrayIsAnError() {
    QFETCH(QByteArray, input);
    const Run run = runTool({}, input);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestMarkupTool)
#include "tst_markuptool.moc"
