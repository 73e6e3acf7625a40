#include "output/PhraseMarkup.h"
#include "tests/ActionTestHelpers.h"
#include "tests/MarkupCheck.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using Actions = QList<OutputAction>;

class TestMarkupInvariants : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void checkerSpotsBrokenResults_data();
    void checkerSpotsBrokenResults();
    void randomMixesKeepEveryCharacter();
    void composedPhrasesGiveTheirPiecesActions();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void TestMarkupInvariants::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_file = QDir::cleanPath(m_dir.path()) + QStringLiteral("/图 片.png");
    QFile file(m_file);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("png");
}

// The checker is what the random tests rely on, so first show that it notices the
// kinds of damage a broken parser would do.
void TestMarkupInvariants::checkerSpotsBrokenResults_data() {
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<Actions>("actions");

    const QString phrase = QStringLiteral("ab<x>\\<c<Enter>d");
    QTest::newRow("a lost character")
        << phrase << Actions{textAction(QStringLiteral("ab<x><c")), keyAction(0x0D)};
    QTest::newRow("an invented character")
        << phrase
        << Actions{textAction(QStringLiteral("ab<x><c")), keyAction(0x0D), textAction(QStringLiteral("de"))};
    QTest::newRow("an escape kept as backslash")
        << phrase
        << Actions{textAction(QStringLiteral("ab<x>\\<c")), keyAction(0x0D), textAction(QStringLiteral("d"))};
    QTest::newRow("text split in two")
        << phrase
        << Actions{textAction(QStringLiteral("ab")), textAction(QStringLiteral("<x><c")), keyAction(0x0D),
                   textAction(QStringLiteral("d"))};
    QTest::newRow("an empty Text action") << phrase
                                          << Actions{textAction(QStringLiteral("ab<x><c")), keyAction(0x0D),
                                                     textAction(QString()), textAction(QStringLiteral("d"))};
    QTest::newRow("a valid tag typed as text")
        << phrase << Actions{textAction(QStringLiteral("ab<x><c<Enter>d"))};
    QTest::newRow("a wrong key for a tag")
        << phrase
        << Actions{textAction(QStringLiteral("ab<x><c")), keyAction(0x09), textAction(QStringLiteral("d"))};
    QTest::newRow("a rejected tag turned into a key") << QStringLiteral("<a>") << Actions{keyAction(0x41)};
}

void TestMarkupInvariants::checkerSpotsBrokenResults() {
    QFETCH(QString, phrase);
    QFETCH(Actions, actions);

    Actions real;
    parsePhraseMarkup(phrase, real);
    QCOMPARE(checkMarkupResult(phrase, real), QString());
    QVERIFY(!checkMarkupResult(phrase, actions).isEmpty());
}

void TestMarkupInvariants::randomMixesKeepEveryCharacter() {
    const QStringList pieces = {
        QStringLiteral("<"),
        QStringLiteral(">"),
        QStringLiteral("\\"),
        QStringLiteral("\\<"),
        QStringLiteral("a"),
        QStringLiteral("中文"),
        QStringLiteral(" "),
        QStringLiteral("\t"),
        QStringLiteral("\u00A0"),
        QStringLiteral("\u200E"),
        QStringLiteral("+"),
        QStringLiteral("Enter"),
        QStringLiteral("enter"),
        QStringLiteral("Ctrl"),
        QStringLiteral("press "),
        QStringLiteral("sleep"),
        QStringLiteral(" 2s"),
        QStringLiteral("100ms"),
        QStringLiteral("Ctrl+A"),
        QStringLiteral("img "),
        QStringLiteral("file "),
        QStringLiteral("\""),
        QStringLiteral("'"),
        QStringLiteral("F5"),
        QStringLiteral("<Enter>"),
        QStringLiteral("<sleep>"),
        QStringLiteral("<press Ctrl+Shift+A>"),
        QStringLiteral("<img ") + m_file + QStringLiteral(">"),
        m_file,
        QString(QChar(0xD83D)),
        QString(QChar(0xDE00)), // halves of a surrogate pair, also apart
    };

    QRandomGenerator random(20240611);
    const int phraseCount = 20000;
    qsizetype tagsSeen = 0;
    qsizetype textsSeen = 0;
    for (int n = 0; n < phraseCount; ++n) {
        QString phrase;
        const int length = random.bounded(0, 24);
        for (int p = 0; p < length; ++p)
            phrase += pieces.at(random.bounded(int(pieces.size())));

        Actions actions;
        QVERIFY(parsePhraseMarkup(phrase, actions));
        const QString problem = checkMarkupResult(phrase, actions);
        if (!problem.isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 in phrase \"%2\"").arg(problem, phrase)));
        for (const OutputAction &a : actions)
            (a.kind == OutputAction::Text ? textsSeen : tagsSeen) += 1;
    }
    // The mix must exercise both outcomes, or the check above proves little.
    QVERIFY(tagsSeen > phraseCount / 4);
    QVERIFY(textsSeen > phraseCount / 2);
}

// Phrases glued from pieces whose actions are known on their own: the parse must give
// exactly those actions, with neighbouring texts merged into one.
void TestMarkupInvariants::composedPhrasesGiveTheirPiecesActions() {
    struct Piece {
        QString markup;
        OutputAction action;
    };
    const QList<Piece> pieces = {
        {QStringLiteral("你好"), textAction(QStringLiteral("你好"))},
        {QStringLiteral("abc "), textAction(QStringLiteral("abc "))},
        {QStringLiteral("\t\u00A0"), textAction(QStringLiteral("\t\u00A0"))},
        {QStringLiteral("a>b"), textAction(QStringLiteral("a>b"))},
        {QStringLiteral("x\\y"), textAction(QStringLiteral("x\\y"))},
        {QStringLiteral("\\\\z"), textAction(QStringLiteral("\\\\z"))},
        {QStringLiteral("\\<Enter>"), textAction(QStringLiteral("<Enter>"))},
        {QStringLiteral("<a>"), textAction(QStringLiteral("<a>"))},
        {QStringLiteral("<Ctrl+A>"), textAction(QStringLiteral("<Ctrl+A>"))},
        {QStringLiteral("<press Ctrl + A>"), textAction(QStringLiteral("<press Ctrl + A>"))},
        {QStringLiteral("<sleep 2 s>"), textAction(QStringLiteral("<sleep 2 s>"))},
        {QStringLiteral("<>"), textAction(QStringLiteral("<>"))},
        {QStringLiteral("<file a.png>"), textAction(QStringLiteral("<file a.png>"))},
        {QStringLiteral("<Enter>"), keyAction(0x0D)},
        {QStringLiteral("< tab >"), keyAction(0x09)},
        {QStringLiteral("<Ctrl>"), keyAction({0xA2}, 0)},
        {QStringLiteral("<press Shift+Ctrl+a>"), keyAction({0xA2, 0xA0}, 0x41)},
        {QStringLiteral("<press f24>"), keyAction(0x87)},
        {QStringLiteral("<sleep>"), pauseAction(1000)},
        {QStringLiteral("<SLEEP 0.1005s>"), pauseAction(101)},
        {QStringLiteral("<sleep 250ms>"), pauseAction(250)},
        {QStringLiteral("<img \"") + m_file + QStringLiteral("\">"), fileAction(m_file)},
        {QStringLiteral("<file\t") + m_file + QStringLiteral(">"), fileAction(m_file)},
    };

    QRandomGenerator random(7);
    for (int n = 0; n < 5000; ++n) {
        QString phrase;
        Actions expected;
        const int length = random.bounded(0, 12);
        for (int p = 0; p < length; ++p) {
            const Piece &piece = pieces.at(random.bounded(int(pieces.size())));
            phrase += piece.markup;
            if (piece.action.kind == OutputAction::Text && !expected.isEmpty() &&
                expected.last().kind == OutputAction::Text)
                expected.last().text += piece.action.text;
            else
                expected.append(piece.action);
        }
        Actions actions;
        QVERIFY(parsePhraseMarkup(phrase, actions));
        if (actions != expected)
            QFAIL(qPrintable(QStringLiteral("unexpected actions for \"%1\"").arg(phrase)));
    }
}

QTEST_GUILESS_MAIN(TestMarkupInvariants)
#include "tst_markupinvariants.moc"
