#include "output/PhraseMarkup.h"
#include "tests/ActionTestHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Actions = QList<OutputAction>;

class TestPhraseMarkup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void phrase_data();
    void phrase();
    void filePhrase_data();
    void filePhrase();
    void parseTagFailureLeavesActionUntouched_data();
    void parseTagFailureLeavesActionUntouched();
    void cleanPathText_data();
    void cleanPathText();
    void appendTextActionSkipsEmptyText();
    void parseAppendsToExistingActions();
    void deviceIsNotARegularFile();

private:
    static bool touch(const QString &path);

    QTemporaryDir m_dir;
    QString m_root; // absolute, clean, "/" separators
    QString m_previousCwd;
};

bool TestPhraseMarkup::touch(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

void TestPhraseMarkup::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_root = QDir::cleanPath(m_dir.path());
    QVERIFY(QDir(m_root).mkpath(QStringLiteral("My Pictures")));
    QVERIFY(QDir(m_root).mkpath(QStringLiteral("子目录")));
    QVERIFY(touch(m_root + QStringLiteral("/a.png")));
    QVERIFY(touch(m_root + QStringLiteral("/图片.png")));
    QVERIFY(touch(m_root + QStringLiteral("/My Pictures/图片 1.png")));
    QVERIFY(touch(m_root + QStringLiteral("/it's.txt")));
    // A relative name that exists in the working folder must still be typed literally.
    m_previousCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_root));
}

void TestPhraseMarkup::cleanupTestCase() {
    QDir::setCurrent(m_previousCwd);
}

void TestPhraseMarkup::phrase_data() {
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<Actions>("expected");

    const OutputAction enter = keyAction(0x0D);

    QTest::newRow("an empty phrase yields no action") << QString() << Actions{};
    QTest::newRow("plain text is one Text action")
        << QStringLiteral("hello") << Actions{textAction(QStringLiteral("hello"))};
    QTest::newRow("Chinese text around Enter tags sends two messages")
        << QStringLiteral("第一条<Enter>第二条<Enter>")
        << Actions{textAction(QStringLiteral("第一条")), enter, textAction(QStringLiteral("第二条")), enter};
    QTest::newRow("consecutive tags yield no Text between them")
        << QStringLiteral("<Enter><Enter>") << Actions{enter, enter};
    QTest::newRow("a mix of consecutive tags of every key kind")
        << QStringLiteral("<Ctrl><press a><sleep 5ms><Tab><sleep>")
        << Actions{keyAction({0xA2}, 0), keyAction(0x41), pauseAction(5), keyAction(0x09), pauseAction(1000)};

    // Escapes.
    QTest::newRow("backslash before < escapes the tag")
        << QStringLiteral("\\<Enter>") << Actions{textAction(QStringLiteral("<Enter>"))};
    QTest::newRow("two backslashes keep one and escape the tag")
        << QStringLiteral("\\\\<Enter>") << Actions{textAction(QStringLiteral("\\<Enter>"))};
    QTest::newRow("three backslashes keep two and escape the tag")
        << QStringLiteral("\\\\\\<Enter>") << Actions{textAction(QStringLiteral("\\\\<Enter>"))};
    QTest::newRow("a backslash between letters stays")
        << QStringLiteral("a\\b") << Actions{textAction(QStringLiteral("a\\b"))};
    QTest::newRow("a trailing backslash stays")
        << QStringLiteral("abc\\") << Actions{textAction(QStringLiteral("abc\\"))};
    QTest::newRow("a backslash before > stays")
        << QStringLiteral("a\\>b") << Actions{textAction(QStringLiteral("a\\>b"))};
    QTest::newRow("an escaped < at the very end")
        << QStringLiteral("x\\<") << Actions{textAction(QStringLiteral("x<"))};
    QTest::newRow("an escaped tag then a real one")
        << QStringLiteral("\\<Enter><Enter>") << Actions{textAction(QStringLiteral("<Enter>")), enter};
    QTest::newRow("a backslash inside a rejected tag is kept as written")
        << QStringLiteral("<a\\<Enter>") << Actions{textAction(QStringLiteral("<a\\<Enter>"))};
    QTest::newRow("a backslash before the closing bracket spoils the tag")
        << QStringLiteral("<Enter\\>") << Actions{textAction(QStringLiteral("<Enter\\>"))};

    // Brackets without a tag.
    QTest::newRow("an unclosed < is typed")
        << QStringLiteral("<Enter") << Actions{textAction(QStringLiteral("<Enter"))};
    QTest::newRow("a stray > is typed")
        << QStringLiteral("a>b") << Actions{textAction(QStringLiteral("a>b"))};
    QTest::newRow("a stray > before a tag")
        << QStringLiteral("><Enter>") << Actions{textAction(QStringLiteral(">")), enter};
    QTest::newRow("an unclosed < after a tag")
        << QStringLiteral("<Enter><") << Actions{enter, textAction(QStringLiteral("<"))};
    QTest::newRow("an earlier < swallows a valid tag")
        << QStringLiteral("a<b<Enter>") << Actions{textAction(QStringLiteral("a<b<Enter>"))};
    QTest::newRow("doubled brackets swallow a valid tag")
        << QStringLiteral("<<Enter>>") << Actions{textAction(QStringLiteral("<<Enter>>"))};
    QTest::newRow("empty brackets are typed")
        << QStringLiteral("<>") << Actions{textAction(QStringLiteral("<>"))};
    QTest::newRow("brackets around blanks are typed")
        << QStringLiteral("< \t>") << Actions{textAction(QStringLiteral("< \t>"))};
    QTest::newRow("rejected tags merge with text around them")
        << QStringLiteral("前<bad>中<a><F5>后<Enter>尾")
        << Actions{textAction(QStringLiteral("前<bad>中<a><F5>后")), enter, textAction(QStringLiteral("尾"))};

    // Shorthand key names.
    QTest::newRow("blanks inside the brackets are trimmed") << QStringLiteral("< Enter >") << Actions{enter};
    QTest::newRow("a tag in upper case") << QStringLiteral("<ENTER>") << Actions{enter};
    QTest::newRow("a tag in lower case") << QStringLiteral("<enter>") << Actions{enter};
    QTest::newRow("Return is Enter") << QStringLiteral("<Return>") << Actions{enter};
    QTest::newRow("tab and ideographic space are trimmed")
        << QStringLiteral("<\tEnter\u3000>") << Actions{enter};
    QTest::newRow("a no-break space is trimmed") << QStringLiteral("<\u00A0Enter>") << Actions{enter};
    QTest::newRow("next-line and thin space are trimmed")
        << QStringLiteral("<\u0085Enter\u2009>") << Actions{enter};
    QTest::newRow("Ctrl alone holds left Ctrl") << QStringLiteral("<Ctrl>") << Actions{keyAction({0xA2}, 0)};
    QTest::newRow("windows alone holds left Win")
        << QStringLiteral("<windows>") << Actions{keyAction({0x5B}, 0)};
    QTest::newRow("ins is a shorthand") << QStringLiteral("<ins>") << Actions{keyAction(0x2D)};
    QTest::newRow("a letter needs press")
        << QStringLiteral("<a>") << Actions{textAction(QStringLiteral("<a>"))};
    QTest::newRow("an F-key needs press")
        << QStringLiteral("<F5>") << Actions{textAction(QStringLiteral("<F5>"))};
    QTest::newRow("a chord needs press")
        << QStringLiteral("<Ctrl+A>") << Actions{textAction(QStringLiteral("<Ctrl+A>"))};
    QTest::newRow("delete is no key name")
        << QStringLiteral("<delete>") << Actions{textAction(QStringLiteral("<delete>"))};

    // press.
    QTest::newRow("press a letter") << QStringLiteral("<press a>") << Actions{keyAction(0x41)};
    QTest::newRow("press an F-key") << QStringLiteral("<press F5>") << Actions{keyAction(0x74)};
    QTest::newRow("press a chord") << QStringLiteral("<press Ctrl+A>") << Actions{keyAction({0xA2}, 0x41)};
    QTest::newRow("press in upper case")
        << QStringLiteral("<PRESS win+r>") << Actions{keyAction({0x5B}, 0x52)};
    QTest::newRow("press with extra spaces")
        << QStringLiteral("<press  Ctrl+A >") << Actions{keyAction({0xA2}, 0x41)};
    QTest::newRow("a chord with spaces is four pieces, not a press")
        << QStringLiteral("<press Ctrl + A>") << Actions{textAction(QStringLiteral("<press Ctrl + A>"))};
    QTest::newRow("a tab does not separate press from its chord")
        << QStringLiteral("<press\tCtrl+A>") << Actions{textAction(QStringLiteral("<press\tCtrl+A>"))};
    QTest::newRow("a no-break space does not separate press from its chord")
        << QStringLiteral("<press\u00A0a>") << Actions{textAction(QStringLiteral("<press\u00A0a>"))};
    QTest::newRow("press alone is typed")
        << QStringLiteral("<press>") << Actions{textAction(QStringLiteral("<press>"))};
    QTest::newRow("press with a bad chord is typed")
        << QStringLiteral("<press Ctrl+A+B>") << Actions{textAction(QStringLiteral("<press Ctrl+A+B>"))};

    // sleep.
    QTest::newRow("sleep alone is one second") << QStringLiteral("<sleep>") << Actions{pauseAction(1000)};
    QTest::newRow("sleep in upper case with a length")
        << QStringLiteral("<SLEEP 2S>") << Actions{pauseAction(2000)};
    QTest::newRow("sleep rounds half up") << QStringLiteral("<sleep 0.1005s>") << Actions{pauseAction(101)};
    QTest::newRow("sleep with a spaced unit is three pieces")
        << QStringLiteral("<sleep 2 s>") << Actions{textAction(QStringLiteral("<sleep 2 s>"))};
    QTest::newRow("sleep with a bad length is typed")
        << QStringLiteral("<sleep abc>") << Actions{textAction(QStringLiteral("<sleep abc>"))};
    QTest::newRow("sleep with a negative length is typed")
        << QStringLiteral("<sleep -1>") << Actions{textAction(QStringLiteral("<sleep -1>"))};
    QTest::newRow("sleep with a key name is not read as press")
        << QStringLiteral("<sleep Enter>") << Actions{textAction(QStringLiteral("<sleep Enter>"))};

    // File tags that never reach the file system.
    QTest::newRow("img alone is typed")
        << QStringLiteral("<img>") << Actions{textAction(QStringLiteral("<img>"))};
    QTest::newRow("file with only blanks after it is typed")
        << QStringLiteral("<file   >") << Actions{textAction(QStringLiteral("<file   >"))};
    QTest::newRow("file with empty quotes is typed")
        << QStringLiteral("<file \"\">") << Actions{textAction(QStringLiteral("<file \"\">"))};
    QTest::newRow("file with a lone quote is typed")
        << QStringLiteral("<file \">") << Actions{textAction(QStringLiteral("<file \">"))};
}

void TestPhraseMarkup::phrase() {
    QFETCH(QString, phrase);
    QFETCH(Actions, expected);

    Actions actions;
    QVERIFY(parsePhraseMarkup(phrase, actions));
    QCOMPARE(actions, expected);
}

void TestPhraseMarkup::filePhrase_data() {
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<Actions>("expected");

    const QString r = m_root;
    const OutputAction aPng = fileAction(r + QStringLiteral("/a.png"));
    const OutputAction spaced = fileAction(r + QStringLiteral("/My Pictures/图片 1.png"));
    auto literal = [](const QString &phrase) { return Actions{textAction(phrase)}; };
    auto row = [](const char *name, const QString &phrase, const Actions &expected) {
        QTest::newRow(name) << phrase << expected;
    };

    row("img with an existing absolute file", QStringLiteral("<img %1/a.png>").arg(r), {aPng});
    row("file with an existing absolute file", QStringLiteral("<file %1/a.png>").arg(r), {aPng});
    row("upper-case IMG with a tab separator", QStringLiteral("<IMG\t%1/a.png>").arg(r), {aPng});
    row("a no-break space separator", QStringLiteral("<File\u00A0%1/a.png>").arg(r), {aPng});
    row("an ideographic space separator", QStringLiteral("<img\u3000%1/a.png>").arg(r), {aPng});
    row("repeated whitespace around the path", QStringLiteral("< file \t  %1/a.png  >").arg(r), {aPng});
    row("a path with spaces and Chinese in double quotes",
        QStringLiteral("<img \"%1/My Pictures/图片 1.png\">").arg(r), {spaced});
    row("a path with spaces and Chinese in single quotes",
        QStringLiteral("<img '%1/My Pictures/图片 1.png'>").arg(r), {spaced});
    row("a path with spaces needs no quotes", QStringLiteral("<file %1/My Pictures/图片 1.png>").arg(r),
        {spaced});
    row("blanks inside the quotes are trimmed", QStringLiteral("<img \" %1/a.png \">").arg(r), {aPng});
    row("a single quote inside a double-quoted path stays", QStringLiteral("<file \"%1/it's.txt\">").arg(r),
        {fileAction(r + QStringLiteral("/it's.txt"))});
    row("direction marks around the path are removed", QStringLiteral("<img \u202A%1/a.png\u202C>").arg(r),
        {aPng});
    row("direction marks outside the quotes are removed",
        QStringLiteral("<img \u200F\"%1/a.png\"\u200E>").arg(r), {aPng});
    row("direction marks inside the quotes are removed",
        QStringLiteral("<img \"\u2066%1/a.png\u2069\">").arg(r), {aPng});
    row("direction marks inside the path are removed", QStringLiteral("<img %1/\u200Ea\u2068.png>").arg(r),
        {aPng});
    row("the path is given in clean absolute form", QStringLiteral("<file %1//子目录/../a.png>").arg(r),
        {aPng});
    row("a whole phrase with an image",
        QStringLiteral("输入图片<Enter><img %1/图片.png><Enter><sleep>输入结束<Enter>").arg(r),
        {textAction(QStringLiteral("输入图片")), keyAction(0x0D), fileAction(r + QStringLiteral("/图片.png")),
         keyAction(0x0D), pauseAction(1000), textAction(QStringLiteral("输入结束")), keyAction(0x0D)});

    const QString missingPhrase = QStringLiteral("输入图片<Enter><img %1/缺失.png><Enter>").arg(r);
    row("a missing image is typed literally in place", missingPhrase,
        {textAction(QStringLiteral("输入图片")), keyAction(0x0D),
         textAction(QStringLiteral("<img %1/缺失.png>").arg(r)), keyAction(0x0D)});
    row("a folder is typed literally", QStringLiteral("<file %1/子目录>").arg(r),
        literal(QStringLiteral("<file %1/子目录>").arg(r)));
    row("a relative path is typed literally even if it exists", QStringLiteral("<file a.png>"),
        literal(QStringLiteral("<file a.png>")));
    row("a dot-relative path is typed literally", QStringLiteral("<img ./a.png>"),
        literal(QStringLiteral("<img ./a.png>")));
    row("no separator after img", QStringLiteral("<img%1/a.png>").arg(r),
        literal(QStringLiteral("<img%1/a.png>").arg(r)));
    row("mismatched quotes stay part of the path", QStringLiteral("<file \"%1/a.png'>").arg(r),
        literal(QStringLiteral("<file \"%1/a.png'>").arg(r)));
    row("only one pair of quotes is removed", QStringLiteral("<file \"\"%1/a.png\"\">").arg(r),
        literal(QStringLiteral("<file \"\"%1/a.png\"\">").arg(r)));
    row("a zero-width space is not a direction mark", QStringLiteral("<img %1/a\u200B.png>").arg(r),
        literal(QStringLiteral("<img %1/a\u200B.png>").arg(r)));
    row("an embedded NUL does not cut the path short",
        QStringLiteral("<img %1/a.png").arg(r) + QChar(u'\0') + QStringLiteral("x>"),
        literal(QStringLiteral("<img %1/a.png").arg(r) + QChar(u'\0') + QStringLiteral("x>")));
}

// Same check as phrase(); a table of its own because these rows need the files made at start.
void TestPhraseMarkup::filePhrase() {
    phrase();
}

void TestPhraseMarkup::parseTagFailureLeavesActionUntouched_data() {
    QTest::addColumn<QString>("inner");
    QTest::newRow("empty") << QString();
    QTest::newRow("unknown word") << QStringLiteral("hello");
    QTest::newRow("bad pause") << QStringLiteral("sleep 2x");
    QTest::newRow("bad chord") << QStringLiteral("press Ctrl+Ctrl");
    QTest::newRow("missing file") << QStringLiteral("file /no/such/file/here.png");
    QTest::newRow("relative file") << QStringLiteral("img a.png");
}

void TestPhraseMarkup::parseTagFailureLeavesActionUntouched() {
    QFETCH(QString, inner);
    OutputAction action = untouchedSentinel();
    QVERIFY(!parseTag(inner, action));
    QCOMPARE(action, untouchedSentinel());
}

void TestPhraseMarkup::cleanPathText_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    const char16_t marks[] = {0x200E, 0x200F, 0x202A, 0x202B, 0x202C, 0x202D,
                              0x202E, 0x2066, 0x2067, 0x2068, 0x2069};
    for (char16_t mark : marks) {
        const QString m(QChar{mark});
        QTest::addRow("U+%04X is removed anywhere", unsigned(mark))
            << m + QStringLiteral("C:\\") + m + QStringLiteral("a.png") + m << QStringLiteral("C:\\a.png");
    }
    const char16_t kept[] = {0x200B, 0x200C, 0x200D, 0x061C, 0xFEFF};
    for (char16_t other : kept) {
        const QString k(QChar{other});
        QTest::addRow("U+%04X is not one of the marks and stays", unsigned(other))
            << QStringLiteral("a") + k + QStringLiteral("b") << QStringLiteral("a") + k + QStringLiteral("b");
    }
    QTest::newRow("trimmed after the marks are gone")
        << QStringLiteral(" \u200E\t/x y\u00A0\u200F ") << QStringLiteral("/x y");
    QTest::newRow("inner blanks stay") << QStringLiteral("a  b") << QStringLiteral("a  b");
    QTest::newRow("marks only give an empty text") << QStringLiteral("\u202A\u202C") << QString();
}

void TestPhraseMarkup::cleanPathText() {
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(::cleanPathText(input), expected);
}

void TestPhraseMarkup::appendTextActionSkipsEmptyText() {
    Actions actions;
    appendTextAction(actions, QString());
    QVERIFY(actions.isEmpty());
    appendTextAction(actions, QStringLiteral(" "));
    QCOMPARE(actions, (Actions{textAction(QStringLiteral(" "))}));
}

void TestPhraseMarkup::parseAppendsToExistingActions() {
    Actions actions{pauseAction(7)};
    QVERIFY(parsePhraseMarkup(QStringLiteral("x<Tab>"), actions));
    QCOMPARE(actions, (Actions{pauseAction(7), textAction(QStringLiteral("x")), keyAction(0x09)}));
}

void TestPhraseMarkup::deviceIsNotARegularFile() {
    if (!QFileInfo::exists(QStringLiteral("/dev/null")))
        QSKIP("no /dev/null on this system");
    Actions actions;
    QVERIFY(parsePhraseMarkup(QStringLiteral("<file /dev/null>"), actions));
    QCOMPARE(actions, (Actions{textAction(QStringLiteral("<file /dev/null>"))}));
}

QTEST_GUILESS_MAIN(TestPhraseMarkup)
#include "tst_phrasemarkup.moc"
