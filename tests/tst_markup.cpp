// The phrase markup grammar: key names, chords, pause lengths, tags and escapes, file
// tags against real files, phrases glued from known pieces and random mixes, and the
// verbolin-markup tool that prints the same reading.

#include "output/KeyNames.h"
#include "output/PauseLength.h"
#include "output/PhraseMarkup.h"
#include "tests/ActionTestHelpers.h"
#include "tests/MarkupCheck.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using Actions = QList<OutputAction>;

namespace {

bool touch(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

const OutputAction enter = keyAction(0x0D);

Actions typed(const QString &text) {
    return {textAction(text)};
}

} // namespace

class TestMarkup : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_root; // absolute, clean, "/" separators
    QString m_previousCwd;

    void addRow(const char *name, const QString &phrase, const Actions &expected) {
        QTest::newRow(name) << phrase << expected;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_root = QDir::cleanPath(m_dir.path());
        QVERIFY(QDir(m_root).mkpath(QStringLiteral("My Pictures")));
        QVERIFY(QDir(m_root).mkpath(QStringLiteral("子目录")));
        for (const char *name : {"/a.png", "/图片.png", "/My Pictures/图片 1.png", "/it's.txt"})
            QVERIFY(touch(m_root + QString::fromUtf8(name)));
        // A relative name that exists in the working folder must still be typed literally.
        m_previousCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_root));
    }
    void cleanupTestCase() { QDir::setCurrent(m_previousCwd); }

    void keyName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code"); // -1: refused
        const auto row = [](const char *name, const QString &text, int code) {
            QTest::newRow(name) << text << code;
        };
        row("enter", QStringLiteral("enter"), 0x0D);
        row("return is an alias of enter", QStringLiteral("Return"), 0x0D);
        row("tab in upper case", QStringLiteral("TAB"), 0x09);
        row("space", QStringLiteral("space"), 0x20);
        row("escape is an alias of esc", QStringLiteral("escape"), 0x1B);
        row("backspace", QStringLiteral("BackSpace"), 0x08);
        row("arrows", QStringLiteral("RIGHT"), 0x27);
        row("insert is an alias of ins", QStringLiteral("Insert"), 0x2D);
        row("tab and no-break space around a name are trimmed", QStringLiteral("\tTab\u00A0"), 0x09);
        row("lower-case a is 0x41", QStringLiteral("a"), 0x41);
        row("z", QStringLiteral("z"), 0x5A);
        row("9", QStringLiteral("9"), 0x39);
        row("F alone is the letter F", QStringLiteral("F"), 0x46);
        row("f24", QStringLiteral("f24"), 0x87);
        row("many leading zeros still name F9", QStringLiteral("f000000000009"), 0x78);
        row("blanks only", QStringLiteral("   "), -1);
        row("F0 is below the range", QStringLiteral("F0"), -1);
        row("F25 is above the range", QStringLiteral("F25"), -1);
        row("F with a number and a letter", QStringLiteral("F1a"), -1);
        row("F with a number that only fits after wrapping to 1", QStringLiteral("F4294967297"), -1);
        row("sharp s has no one-letter upper case in A to Z", QStringLiteral("ß"), -1);
        row("full-width A is not A", QStringLiteral("Ａ"), -1);
        row("punctuation", QStringLiteral(";"), -1);
        row("home is not nameable", QStringLiteral("Home"), -1);
        row("a modifier is not a main key", QStringLiteral("Ctrl"), -1);
        row("a name with a suffix", QStringLiteral("enter2"), -1);
    }
    void keyName() {
        QFETCH(QString, name);
        QFETCH(int, code);
        quint16 result = 0xBEEF;
        QCOMPARE(keyNameToVirtualKey(name, result), code >= 0);
        QCOMPARE(int(result), code >= 0 ? code : 0xBEEF);
    }

    void chord_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QList<quint16>>("modifiers");
        QTest::addColumn<int>("mainKey");
        const auto accept = [](const char *row, const QString &text, QList<quint16> modifiers, int mainKey) {
            QTest::newRow(row) << text << true << modifiers << mainKey;
        };
        const auto reject = [](const char *row, const QString &text) {
            QTest::newRow(row) << text << false << QList<quint16>() << 0;
        };
        accept("the main key may come first and the order of modifiers does not matter",
               QStringLiteral("a+shift+ctrl"), {0xA2, 0xA0}, 0x41);
        accept("all four modifiers come in the order Ctrl Alt Shift Win",
               QStringLiteral("Meta+Shift+Alt+Control+F24"), {0xA2, 0xA4, 0xA0, 0x5B}, 0x87);
        accept("windows is an alias of win", QStringLiteral("windows+e"), {0x5B}, 0x45);
        accept("modifiers only", QStringLiteral("Ctrl+Alt"), {0xA2, 0xA4}, 0);
        accept("a main key alone", QStringLiteral("Enter"), {}, 0x0D);
        accept("blanks around pieces are trimmed", QStringLiteral(" Ctrl +\tA "), {0xA2}, 0x41);
        reject("two main keys", QStringLiteral("Ctrl+A+B"));
        reject("the same modifier under two names", QStringLiteral("Ctrl+Control+A"));
        reject("win and meta are the same modifier", QStringLiteral("Win+Meta"));
        reject("a trailing plus leaves an empty piece", QStringLiteral("Ctrl+"));
        reject("a leading plus leaves an empty piece", QStringLiteral("+A"));
        reject("a blank piece is empty once trimmed", QStringLiteral("Ctrl+ +A"));
        reject("an unnameable main key", QStringLiteral("Ctrl+Delete"));
        reject("empty text", QString());
    }
    void chord() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(QList<quint16>, modifiers);
        QFETCH(int, mainKey);
        // A refused chord writes nothing into the action.
        OutputAction action = accepted ? OutputAction() : untouchedSentinel();
        QCOMPARE(parseKeyChord(text, action), accepted);
        QCOMPARE(action, accepted ? keyAction(modifiers, quint16(mainKey)) : untouchedSentinel());
    }

    void pauseLength_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("ms"); // -1: refused
        const auto row = [](const char *name, const QString &text, qint32 ms) {
            QTest::newRow(name) << text << ms;
        };
        row("2s is two seconds", QStringLiteral("2S"), 2000);
        row("no unit means seconds", QStringLiteral("2"), 2000);
        row("the ms unit in mixed case", QStringLiteral("100mS"), 100);
        row("zero milliseconds", QStringLiteral("0ms"), 0);
        row("fractional seconds", QStringLiteral("1.5"), 1500);
        row("0.1005s rounds half up to 101", QStringLiteral("0.1005s"), 101);
        row("0.0004 rounds down to 0", QStringLiteral("0.0004"), 0);
        row("0.0015 rounds half up to 2", QStringLiteral("0.0015s"), 2);
        row("a leading decimal point", QStringLiteral(".5s"), 500);
        row("an upper-case exponent with a unit", QStringLiteral("1E1s"), 10000);
        row("a negative exponent", QStringLiteral("1e-3s"), 1);
        row("surrounding blanks are trimmed", QStringLiteral(" \t2s\u00A0"), 2000);
        row("the largest number of seconds", QStringLiteral("2147483.647"), 2147483647);
        row("the largest number of milliseconds", QStringLiteral("2147483647ms"), 2147483647);
        row("one millisecond past the largest seconds", QStringLiteral("2147483.648"), -1);
        row("a fraction of a millisecond past the largest seconds", QStringLiteral("2147483.6471"), -1);
        row("one past the largest milliseconds", QStringLiteral("2147483648ms"), -1);
        row("milliseconds that only fit after wrapping", QStringLiteral("4294967396ms"), -1);
        row("fractional milliseconds", QStringLiteral("100.5ms"), -1);
        row("a negative fraction of a second", QStringLiteral("-0.001s"), -1);
        row("negative milliseconds", QStringLiteral("-1ms"), -1);
        row("the ms unit alone", QStringLiteral("ms"), -1);
        row("blanks only", QStringLiteral("  "), -1);
        row("two units", QStringLiteral("2sms"), -1);
        row("not a number", QStringLiteral("NaNs"), -1);
        row("infinity", QStringLiteral("inf"), -1);
        row("an exponent too large for a double", QStringLiteral("1e400"), -1);
        row("a decimal comma", QStringLiteral("1,5"), -1);
        row("hexadecimal", QStringLiteral("0x10"), -1);
        row("minutes are not a unit", QStringLiteral("5m"), -1);
    }
    void pauseLength() {
        QFETCH(QString, text);
        QFETCH(qint32, ms);
        qint32 result = -12345;
        QCOMPARE(parsePauseLength(text, result), ms >= 0);
        QCOMPARE(result, ms >= 0 ? ms : -12345);
    }

    void phrase_data() {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<Actions>("expected");
        const QString r = m_root;
        const OutputAction aPng = fileAction(r + QStringLiteral("/a.png"));
        const OutputAction spaced = fileAction(r + QStringLiteral("/My Pictures/图片 1.png"));

        addRow("an empty phrase yields no action", QString(), {});
        addRow("Chinese text around Enter tags sends two messages",
               QStringLiteral("第一条<Enter>第二条<Enter>"),
               {textAction(QStringLiteral("第一条")), enter, textAction(QStringLiteral("第二条")), enter});
        addRow("consecutive tags of every kind, no Text between them",
               QStringLiteral("<Ctrl><press a><sleep 5ms><Tab><sleep>"),
               {keyAction({0xA2}, 0), keyAction(0x41), pauseAction(5), keyAction(0x09), pauseAction(1000)});
        // Escapes.
        addRow("backslash before < escapes the tag", QStringLiteral("\\<Enter>"),
               typed(QStringLiteral("<Enter>")));
        addRow("three backslashes keep two and escape the tag", QStringLiteral("\\\\\\<Enter>"),
               typed(QStringLiteral("\\\\<Enter>")));
        addRow("backslashes elsewhere stay", QStringLiteral("a\\b\\>c\\"),
               typed(QStringLiteral("a\\b\\>c\\")));
        addRow("an escaped < at the very end", QStringLiteral("x\\<"), typed(QStringLiteral("x<")));
        addRow("an escaped tag then a real one", QStringLiteral("\\<Enter><Enter>"),
               {textAction(QStringLiteral("<Enter>")), enter});
        addRow("a backslash inside a rejected tag is kept as written", QStringLiteral("<a\\<Enter>"),
               typed(QStringLiteral("<a\\<Enter>")));
        addRow("a backslash before the closing bracket spoils the tag", QStringLiteral("<Enter\\>"),
               typed(QStringLiteral("<Enter\\>")));
        // Brackets without a tag.
        addRow("an unclosed < is typed", QStringLiteral("<Enter"), typed(QStringLiteral("<Enter")));
        addRow("a stray > before a tag", QStringLiteral("><Enter>"),
               {textAction(QStringLiteral(">")), enter});
        addRow("an unclosed < after a tag", QStringLiteral("<Enter><"),
               {enter, textAction(QStringLiteral("<"))});
        addRow("an earlier < swallows a valid tag", QStringLiteral("a<b<Enter>"),
               typed(QStringLiteral("a<b<Enter>")));
        addRow("doubled brackets swallow a valid tag", QStringLiteral("<<Enter>>"),
               typed(QStringLiteral("<<Enter>>")));
        addRow("brackets around blanks are typed", QStringLiteral("< \t>"), typed(QStringLiteral("< \t>")));
        addRow("rejected tags merge with text around them", QStringLiteral("前<bad>中<a><F5>后<Enter>尾"),
               {textAction(QStringLiteral("前<bad>中<a><F5>后")), enter, textAction(QStringLiteral("尾"))});
        // Shorthand key names.
        addRow("a tag in upper case with blanks inside", QStringLiteral("< ENTER >"), {enter});
        addRow("Return is Enter", QStringLiteral("<Return>"), {enter});
        addRow("tab and ideographic space are trimmed", QStringLiteral("<\tEnter\u3000>"), {enter});
        addRow("next-line and thin space are trimmed", QStringLiteral("<\u0085Enter\u2009>"), {enter});
        addRow("windows alone holds left Win", QStringLiteral("<windows>"), {keyAction({0x5B}, 0)});
        addRow("ins is a shorthand", QStringLiteral("<ins>"), {keyAction(0x2D)});
        addRow("a letter needs press", QStringLiteral("<a>"), typed(QStringLiteral("<a>")));
        addRow("a chord needs press", QStringLiteral("<Ctrl+A>"), typed(QStringLiteral("<Ctrl+A>")));
        addRow("delete is no key name", QStringLiteral("<delete>"), typed(QStringLiteral("<delete>")));
        // press.
        addRow("press an F-key", QStringLiteral("<press F5>"), {keyAction(0x74)});
        addRow("press in upper case", QStringLiteral("<PRESS win+r>"), {keyAction({0x5B}, 0x52)});
        addRow("press with extra spaces", QStringLiteral("<press  Ctrl+A >"), {keyAction({0xA2}, 0x41)});
        addRow("a chord with spaces is four pieces, not a press", QStringLiteral("<press Ctrl + A>"),
               typed(QStringLiteral("<press Ctrl + A>")));
        addRow("a tab does not separate press from its chord", QStringLiteral("<press\tCtrl+A>"),
               typed(QStringLiteral("<press\tCtrl+A>")));
        addRow("press alone is typed", QStringLiteral("<press>"), typed(QStringLiteral("<press>")));
        addRow("press with a bad chord is typed", QStringLiteral("<press Ctrl+A+B>"),
               typed(QStringLiteral("<press Ctrl+A+B>")));
        // sleep.
        addRow("sleep in upper case with a length", QStringLiteral("<SLEEP 2S>"), {pauseAction(2000)});
        addRow("sleep with a spaced unit is three pieces", QStringLiteral("<sleep 2 s>"),
               typed(QStringLiteral("<sleep 2 s>")));
        addRow("sleep with a negative length is typed", QStringLiteral("<sleep -1>"),
               typed(QStringLiteral("<sleep -1>")));
        addRow("sleep with a key name is not read as press", QStringLiteral("<sleep Enter>"),
               typed(QStringLiteral("<sleep Enter>")));
        // File tags.
        addRow("img alone is typed", QStringLiteral("<img>"), typed(QStringLiteral("<img>")));
        addRow("file with empty quotes is typed", QStringLiteral("<file \"\">"),
               typed(QStringLiteral("<file \"\">")));
        addRow("file with a lone quote is typed", QStringLiteral("<file \">"),
               typed(QStringLiteral("<file \">")));
        addRow("img with an existing absolute file", QStringLiteral("<img %1/a.png>").arg(r), {aPng});
        addRow("upper-case IMG with a tab separator", QStringLiteral("<IMG\t%1/a.png>").arg(r), {aPng});
        addRow("a no-break space separator", QStringLiteral("<File\u00A0%1/a.png>").arg(r), {aPng});
        addRow("repeated whitespace around the path", QStringLiteral("< file \t  %1/a.png  >").arg(r),
               {aPng});
        addRow("a path with spaces and Chinese in single quotes",
               QStringLiteral("<img '%1/My Pictures/图片 1.png'>").arg(r), {spaced});
        addRow("a path with spaces needs no quotes",
               QStringLiteral("<file %1/My Pictures/图片 1.png>").arg(r), {spaced});
        addRow("blanks inside the quotes are trimmed", QStringLiteral("<img \" %1/a.png \">").arg(r), {aPng});
        addRow("a single quote inside a double-quoted path stays",
               QStringLiteral("<file \"%1/it's.txt\">").arg(r),
               {fileAction(r + QStringLiteral("/it's.txt"))});
        addRow("direction marks outside and inside the quotes are removed",
               QStringLiteral("<img \u200F\"\u2066%1/a.png\u2069\"\u200E>").arg(r), {aPng});
        addRow("direction marks inside the path are removed",
               QStringLiteral("<img %1/\u200Ea\u2068.png>").arg(r), {aPng});
        addRow("the path is given in clean absolute form",
               QStringLiteral("<file %1//子目录/../a.png>").arg(r), {aPng});
        addRow("a missing image is typed literally in place",
               QStringLiteral("图<Enter><img %1/缺失.png><Enter>").arg(r),
               {textAction(QStringLiteral("图")), enter,
                textAction(QStringLiteral("<img %1/缺失.png>").arg(r)), enter});
        addRow("a folder is typed literally", QStringLiteral("<file %1/子目录>").arg(r),
               typed(QStringLiteral("<file %1/子目录>").arg(r)));
        addRow("a device is no regular file", QStringLiteral("<file /dev/null>"),
               typed(QStringLiteral("<file /dev/null>")));
        addRow("a relative path is typed literally even if it exists", QStringLiteral("<file a.png>"),
               typed(QStringLiteral("<file a.png>")));
        addRow("no separator after img", QStringLiteral("<img%1/a.png>").arg(r),
               typed(QStringLiteral("<img%1/a.png>").arg(r)));
        addRow("mismatched quotes stay part of the path", QStringLiteral("<file \"%1/a.png'>").arg(r),
               typed(QStringLiteral("<file \"%1/a.png'>").arg(r)));
        addRow("only one pair of quotes is removed", QStringLiteral("<file \"\"%1/a.png\"\">").arg(r),
               typed(QStringLiteral("<file \"\"%1/a.png\"\">").arg(r)));
        addRow("a zero-width space is not a direction mark", QStringLiteral("<img %1/a\u200B.png>").arg(r),
               typed(QStringLiteral("<img %1/a\u200B.png>").arg(r)));
        const QString withNul = QStringLiteral("<img %1/a.png").arg(r) + QChar(u'\0') + QStringLiteral("x>");
        addRow("an embedded NUL does not cut the path short", withNul, typed(withNul));
    }
    void phrase() {
        QFETCH(QString, phrase);
        QFETCH(Actions, expected);
        Actions actions{pauseAction(7)}; // parsing appends
        QVERIFY(parsePhraseMarkup(phrase, actions));
        QCOMPARE(actions, Actions{pauseAction(7)} + expected);
        // A tag the parser refuses writes nothing into the action it was given.
        if (phrase.startsWith(QLatin1Char('<')) && phrase.endsWith(QLatin1Char('>')) &&
            expected == typed(phrase)) {
            OutputAction action = untouchedSentinel();
            QVERIFY(!parseTag(phrase.mid(1, phrase.size() - 2), action));
            QCOMPARE(action, untouchedSentinel());
        }
    }

    void cleanPathText_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        for (char16_t mark :
             {0x200E, 0x200F, 0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2066, 0x2067, 0x2068, 0x2069}) {
            const QString m(QChar{mark});
            QTest::addRow("U+%04X is removed anywhere", unsigned(mark))
                << m + QStringLiteral("C:\\") + m + QStringLiteral("a.png") + m
                << QStringLiteral("C:\\a.png");
        }
        for (char16_t other : {0x200B, 0x200C, 0x200D, 0x061C, 0xFEFF}) {
            const QString k = QStringLiteral("a") + QChar{other} + QStringLiteral("b");
            QTest::addRow("U+%04X is not one of the marks and stays", unsigned(other)) << k << k;
        }
        QTest::newRow("trimmed after the marks are gone")
            << QStringLiteral(" \u200E\t/x  y\u00A0\u200F ") << QStringLiteral("/x  y");
        QTest::newRow("marks only give an empty text") << QStringLiteral("\u202A\u202C") << QString();
    }
    void cleanPathText() {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(::cleanPathText(input), expected);
    }

    // Phrases glued from pieces whose actions are known on their own: the parse must give
    // exactly those actions, with neighbouring texts merged into one.
    void composedPhrasesGiveTheirPiecesActions() {
        const QString file = m_root + QStringLiteral("/My Pictures/图片 1.png");
        const QList<QPair<QString, OutputAction>> pieces = {
            {QStringLiteral("你好"), textAction(QStringLiteral("你好"))},
            {QStringLiteral("\t\u00A0"), textAction(QStringLiteral("\t\u00A0"))},
            {QStringLiteral("a>b"), textAction(QStringLiteral("a>b"))},
            {QStringLiteral("\\\\z"), textAction(QStringLiteral("\\\\z"))},
            {QStringLiteral("\\<Enter>"), textAction(QStringLiteral("<Enter>"))},
            {QStringLiteral("<a>"), textAction(QStringLiteral("<a>"))},
            {QStringLiteral("<press Ctrl + A>"), textAction(QStringLiteral("<press Ctrl + A>"))},
            {QStringLiteral("<>"), textAction(QStringLiteral("<>"))},
            {QStringLiteral("<Enter>"), enter},
            {QStringLiteral("< tab >"), keyAction(0x09)},
            {QStringLiteral("<press Shift+Ctrl+a>"), keyAction({0xA2, 0xA0}, 0x41)},
            {QStringLiteral("<SLEEP 0.1005s>"), pauseAction(101)},
            {QStringLiteral("<img \"") + file + QStringLiteral("\">"), fileAction(file)},
            {QStringLiteral("<file\t") + file + QStringLiteral(">"), fileAction(file)},
        };
        QRandomGenerator random(7);
        for (int n = 0; n < 3000; ++n) {
            QString phrase;
            Actions expected;
            for (int p = random.bounded(0, 12); p > 0; --p) {
                const auto &piece = pieces.at(random.bounded(int(pieces.size())));
                phrase += piece.first;
                if (piece.second.kind == OutputAction::Text && !expected.isEmpty() &&
                    expected.last().kind == OutputAction::Text)
                    expected.last().text += piece.second.text;
                else
                    expected.append(piece.second);
            }
            Actions actions;
            QVERIFY(parsePhraseMarkup(phrase, actions));
            if (actions != expected)
                QFAIL(qPrintable(QStringLiteral("unexpected actions for \"%1\"").arg(phrase)));
        }
    }

    // Random mixes of markup fragments: whatever the parse gives must account for every
    // character of the phrase (checkMarkupResult, which first shows that it notices damage).
    void randomMixesKeepEveryCharacter() {
        const QString phrase = QStringLiteral("ab<x>\\<c<Enter>d");
        for (const Actions &broken :
             {Actions{textAction(QStringLiteral("ab<x><c")), enter},
              Actions{textAction(QStringLiteral("ab<x>\\<c")), enter, textAction(QStringLiteral("d"))},
              Actions{textAction(QStringLiteral("ab")), textAction(QStringLiteral("<x><c")), enter,
                      textAction(QStringLiteral("d"))},
              Actions{textAction(QStringLiteral("ab<x><c")), keyAction(0x09),
                      textAction(QStringLiteral("d"))}})
            QVERIFY(!checkMarkupResult(phrase, broken).isEmpty());

        const QString file = m_root + QStringLiteral("/图片.png");
        const QStringList pieces = {QStringLiteral("<"),
                                    QStringLiteral(">"),
                                    QStringLiteral("\\"),
                                    QStringLiteral("\\<"),
                                    QStringLiteral("中文"),
                                    QStringLiteral(" "),
                                    QStringLiteral("\u00A0"),
                                    QStringLiteral("\u200E"),
                                    QStringLiteral("+"),
                                    QStringLiteral("Enter"),
                                    QStringLiteral("Ctrl"),
                                    QStringLiteral("press "),
                                    QStringLiteral("sleep"),
                                    QStringLiteral(" 2s"),
                                    QStringLiteral("Ctrl+A"),
                                    QStringLiteral("img "),
                                    QStringLiteral("\""),
                                    QStringLiteral("'"),
                                    QStringLiteral("F5"),
                                    QStringLiteral("<Enter>"),
                                    QStringLiteral("<press Ctrl+Shift+A>"),
                                    file,
                                    QString(QChar(0xD83D)),
                                    QString(QChar(0xDE00))};
        QRandomGenerator random(20240611);
        qsizetype tags = 0, texts = 0;
        for (int n = 0; n < 10000; ++n) {
            QString mix;
            for (int p = random.bounded(0, 24); p > 0; --p)
                mix += pieces.at(random.bounded(int(pieces.size())));
            Actions actions;
            QVERIFY(parsePhraseMarkup(mix, actions));
            const QString problem = checkMarkupResult(mix, actions);
            if (!problem.isEmpty())
                QFAIL(qPrintable(QStringLiteral("%1 in phrase \"%2\"").arg(problem, mix)));
            for (const OutputAction &a : actions)
                (a.kind == OutputAction::Text ? texts : tags) += 1;
        }
        // The mix must exercise both outcomes, or the check above proves little.
        QVERIFY(tags > 2500 && texts > 5000);
    }

    // verbolin-markup prints the library's reading of phrases given as arguments or as a
    // JSON array on standard input, one JSON object per action and a blank line per phrase.
    void markupToolPrintsTheLibrarysReading_data() {
        QTest::addColumn<bool>("onStandardInput");
        QTest::newRow("phrases as arguments") << false;
        QTest::newRow("phrases as a JSON array on standard input") << true;
    }
    void markupToolPrintsTheLibrarysReading() {
        QFETCH(bool, onStandardInput);
        QStringList phrases = {
            QStringLiteral("第一条<Enter>第二条<press Ctrl+Shift+A>"),
            QStringLiteral("quote \" backslash \\ \\<Enter> tab\t newline\n bell\a 😀"),
            QStringLiteral("<sleep 2147483.647><Win>"),
            QStringLiteral("<img \"%1/图片.png\">后").arg(m_root),
        };
        if (onStandardInput) // an empty phrase prints nothing but keeps its place
            phrases << QString() << QStringLiteral("<Tab>");
        const QJsonArray array = QJsonArray::fromStringList(phrases);
        const auto [exitCode, out] = onStandardInput
                                         ? runMarkupTool({}, QJsonDocument(array).toJson())
                                         : runMarkupTool(QStringList{QStringLiteral("--")} + phrases, {});
        QCOMPARE(exitCode, 0);
        QList<Actions> printed{Actions{}};
        const QList<QByteArray> lines = out.split('\n');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            if (lines.at(i).isEmpty()) {
                printed.append(Actions{});
                continue;
            }
            const QJsonObject o = QJsonDocument::fromJson(lines.at(i)).object();
            OutputAction a;
            a.kind = OutputAction::Kind(QStringList{QStringLiteral("Text"), QStringLiteral("KeyPress"),
                                                    QStringLiteral("Pause"), QStringLiteral("PasteFile")}
                                            .indexOf(o.value(QStringLiteral("kind")).toString()));
            a.text = o.value(QStringLiteral("text")).toString();
            for (const QJsonValue &m : o.value(QStringLiteral("modifiers")).toArray())
                a.modifiers.append(quint16(m.toInt()));
            a.mainKey = quint16(o.value(QStringLiteral("mainKey")).toInt());
            a.pauseMs = qint32(o.value(QStringLiteral("pauseMs")).toDouble());
            a.filePath = o.value(QStringLiteral("filePath")).toString();
            printed.last().append(a);
        }
        QCOMPARE(printed.size(), phrases.size());
        for (qsizetype i = 0; i < phrases.size(); ++i) {
            Actions expected;
            parsePhraseMarkup(phrases.at(i), expected);
            QCOMPARE(printed.at(i), expected);
        }
        // Fixed points, so that the tool and the library cannot agree on a wrong reading.
        QCOMPARE(printed.at(2).at(0), pauseAction(2147483647));
        QCOMPARE(printed.at(3).at(0).kind, OutputAction::PasteFile);
    }

    void markupToolRefusesAnythingButAnArrayOfTexts() {
        for (const QByteArray &input :
             {QByteArray("<Enter>"), QByteArray("{\"a\":\"b\"}"), QByteArray("[\"a\", 1]"), QByteArray()}) {
            const auto [exitCode, out] = runMarkupTool({}, input);
            QCOMPARE(exitCode, 2);
            QVERIFY(out.isEmpty());
        }
    }

private:
    static QPair<int, QByteArray> runMarkupTool(const QStringList &arguments, const QByteArray &input) {
        QProcess process;
        process.start(QStringLiteral(VERBOLIN_MARKUP_EXE), arguments);
        if (!process.waitForStarted())
            return {-1, {}};
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return {-1, {}};
        // Standard output is text: lines end in CRLF on Windows.
        return {process.exitCode(), process.readAllStandardOutput().replace("\r\n", "\n")};
    }
};

QTEST_GUILESS_MAIN(TestMarkup)
#include "tst_markup.moc"
