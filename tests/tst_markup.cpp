// The phrase markup grammar, one table per rule: key names and chords, pause lengths, tags
// and escapes with file tags against real files; phrases glued from known pieces and
// random mixes; and the verbolin-markup tool that prints the same reading.

#include "output/KeyNames.h"
#include "output/PauseLength.h"
#include "output/PhraseMarkup.h"
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

// Actions in short: T'text', K[modifiers main] in hex ("-": no main key), P(ms), F{path};
// any field set outside its kind shows too.
QString describe(const Actions &actions) {
    QStringList parts;
    for (const OutputAction &a : actions) {
        QString s(QLatin1Char("TKPF"[a.kind]));
        if (!a.text.isEmpty())
            s += QLatin1Char('\'') + a.text + QLatin1Char('\'');
        if (!a.modifiers.isEmpty() || a.mainKey) {
            QStringList keys;
            for (quint16 m : a.modifiers)
                keys << QStringLiteral("%1").arg(m, 2, 16, QLatin1Char('0'));
            keys << (a.mainKey ? QStringLiteral("%1").arg(a.mainKey, 2, 16, QLatin1Char('0'))
                               : QStringLiteral("-"));
            s += QLatin1Char('[') + keys.join(QLatin1Char(' ')) + QLatin1Char(']');
        }
        if (a.pauseMs || a.kind == OutputAction::Pause)
            s += QStringLiteral("(%1)").arg(a.pauseMs);
        if (!a.filePath.isEmpty())
            s += QLatin1Char('{') + a.filePath + QLatin1Char('}');
        parts << s;
    }
    return parts.join(QLatin1Char(' '));
}

QString typed(const QString &text) {
    return describe({OutputAction{OutputAction::Text, text, {}, 0, 0, {}}});
}

Actions parsed(const QString &phrase) {
    Actions actions;
    parsePhraseMarkup(phrase, actions);
    return actions;
}

// Every field set, to show that a refused text writes nothing into the action.
const OutputAction untouched{OutputAction::Pause, QStringLiteral("x"), {0x11}, 0x99, 4321,
                             QStringLiteral("/x")};

} // namespace

class TestMarkup : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_root; // absolute, clean, "/" separators
    QString m_previousCwd;

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_root = QDir::cleanPath(m_dir.path());
        QVERIFY(QDir(m_root).mkpath(QStringLiteral("My Pictures")));
        QVERIFY(QDir(m_root).mkpath(QStringLiteral("子目录")));
        for (const char *name : {"/a.png", "/图片.png", "/My Pictures/图片 1.png", "/it's.txt"}) {
            QFile file(m_root + QString::fromUtf8(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
        }
        // A relative name that exists in the working folder must still be typed literally.
        m_previousCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_root));
    }
    void cleanupTestCase() { QDir::setCurrent(m_previousCwd); }

    // Key names alone and in chords; an empty expectation: refused.
    void chord() {
        const struct {
            const char *text, *expected;
        } rows[] = {
            {"Return", "K[0d]"},
            {"\tTab\u00A0", "K[09]"},
            {"a", "K[41]"},
            {"F", "K[46]"},
            {"f24", "K[87]"},
            {"f000000000009", "K[78]"},
            {"F0", ""},
            {"F4294967297", ""}, // wraps to 1
            {"ß", ""},
            {"Home", ""},
            {"enter2", ""},
            {"a+shift+ctrl", "K[a2 a0 41]"},
            {"Meta+Shift+Alt+Control+F24", "K[a2 a4 a0 5b 87]"},
            {"Ctrl+Alt", "K[a2 a4 -]"},
            {" Ctrl +\tA ", "K[a2 41]"},
            {"Ctrl+A+B", ""},
            {"Win+Meta", ""},
            {"Ctrl+ +A", ""},
            {"", ""},
        };
        for (const auto &row : rows) {
            const bool accepted = *row.expected;
            OutputAction action = accepted ? OutputAction() : untouched;
            QCOMPARE(parseKeyChord(QString::fromUtf8(row.text), action), accepted);
            QCOMPARE(describe({action}), accepted ? QLatin1String(row.expected) : describe({untouched}));
        }
    }

    void pauseLength() {
        const struct {
            const char *text;
            qint32 ms; // -1: refused
        } rows[] = {
            {"2S", 2000},
            {"100mS", 100},
            {"1.5", 1500},
            {"0.1005s", 101}, // half up, with no fused multiply-add
            {".5s", 500},
            {" \t2s\u00A0", 2000},
            {"2147483.647", 2147483647},
            {"2147483647ms", 2147483647},
            {"2147483.6471", -1},
            {"2147483648ms", -1},
            {"4294967396ms", -1}, // wraps to 100
            {"100.5ms", -1},
            {"-0.001s", -1},
            {"-1ms", -1},
            {"NaNs", -1},
            {"inf", -1},
            {"1e400", -1},
            {"1,5", -1},
            {"5m", -1},
        };
        for (const auto &row : rows) {
            qint32 ms = -12345;
            QCOMPARE(parsePauseLength(QString::fromUtf8(row.text), ms), row.ms >= 0);
            QCOMPARE(ms, row.ms >= 0 ? row.ms : -12345);
        }
    }

    // "%1" is the test folder; "=" expects the phrase typed as written.
    void phrase() {
        const struct {
            const char *phrase, *expected;
        } rows[] = {
            {"", ""},
            {"第一条<Enter>第二条<Enter>", "T'第一条' K[0d] T'第二条' K[0d]"},
            {"<Ctrl><press a><sleep 5ms><Tab><sleep>", "K[a2 -] K[41] P(5) K[09] P(1000)"},
            // Escapes and brackets.
            {"\\<Enter>", "T'<Enter>'"},
            {"a\\b\\>c\\", "="},
            {"x\\<", "T'x<'"},
            {"\\<Enter><Enter>", "T'<Enter>' K[0d]"},
            {"<a\\<Enter>", "="},
            {"<Enter", "="},
            {"><Enter>", "T'>' K[0d]"},
            {"<Enter><", "K[0d] T'<'"},
            {"a<b<Enter>", "="},
            {"前<bad>中<a><F5>后<Enter>尾", "T'前<bad>中<a><F5>后' K[0d] T'尾'"},
            // Key names standing alone, press and sleep.
            {"< ENTER >", "K[0d]"},
            {"<\u0085Enter\u3000>", "K[0d]"},
            {"<windows>", "K[5b -]"},
            {"<Ctrl+A>", "="},
            {"<a>", "="},
            {"<PRESS win+r>", "K[5b 52]"},
            {"<press  Ctrl+A >", "K[a2 41]"},
            {"<press Ctrl + A>", "="},
            {"<press\tCtrl+A>", "="},
            {"<press Ctrl+A+B>", "="},
            {"<SLEEP 2S>", "P(2000)"},
            {"<sleep 2 s>", "="},
            {"<sleep Enter>", "="},
            // File tags.
            {"<img>", "="},
            {"<file \"\">", "="},
            {"<IMG\t%1/a.png>", "F{%1/a.png}"},
            {"<File\u00A0%1/a.png>", "F{%1/a.png}"},
            {"< file \t  %1/a.png  >", "F{%1/a.png}"},
            {"<img '%1/My Pictures/图片 1.png'>", "F{%1/My Pictures/图片 1.png}"},
            {"<file \"%1/it's.txt\">", "F{%1/it's.txt}"},
            {"<img \u200F\"\u2066%1/a.png\u2069\"\u200E>", "F{%1/a.png}"},
            {"<file %1//子目录/../a.png>", "F{%1/a.png}"},
            {"图<Enter><img %1/缺失.png><Enter>", "T'图' K[0d] T'<img %1/缺失.png>' K[0d]"},
            {"<file %1/子目录>", "="},
            {"<file a.png>", "="},
            {"<img%1/a.png>", "="},
            {"<file \"%1/a.png'>", "="},
            {"<file \"\"%1/a.png\"\">", "="},
            {"<img %1/a\u200B.png>", "="},
        };
        for (const auto &row : rows) {
            const QString phrase = QString::fromUtf8(row.phrase).replace(QLatin1String("%1"), m_root);
            const QString expected = QString::fromUtf8(row.expected).replace(QLatin1String("%1"), m_root);
            Actions actions{OutputAction{OutputAction::Pause, {}, {}, 0, 7, {}}}; // parsing appends
            QVERIFY(parsePhraseMarkup(phrase, actions));
            QCOMPARE(actions.value(0).pauseMs, 7);
            actions.removeFirst();
            QCOMPARE(describe(actions), expected == QLatin1String("=") ? typed(phrase) : expected);
            // A tag the parser refuses writes nothing into the action it was given.
            OutputAction action = untouched;
            if (expected == QLatin1String("=") && phrase.startsWith(u'<') && phrase.endsWith(u'>'))
                QVERIFY(!parseTag(phrase.mid(1, phrase.size() - 2), action) && action == untouched);
        }
        const QString withNul =
            QStringLiteral("<img %1/a.png").arg(m_root) + QChar(u'\0') + QStringLiteral("x>");
        QCOMPARE(describe(parsed(withNul)), typed(withNul));
    }

    // Bidirectional marks go anywhere in a path; other invisible characters stay.
    void cleanPathText() {
        QCOMPARE(::cleanPathText(
                     QStringLiteral(" \u200E\t/\u200F\u202A\u202B\u202C\u202D\u202Ex\u2066\u2067\u2068\u2069 "
                                    "\u200B\u200C\u200D\u061C\uFEFF\u00A0\u202A")),
                 QStringLiteral("/x \u200B\u200C\u200D\u061C\uFEFF"));
    }

    // Random mixes of markup fragments: whatever the parse gives must account for every
    // character of the phrase (checkMarkupResult, which first shows that it notices damage).
    void randomMixesKeepEveryCharacter() {
        const QString damaged = QStringLiteral("ab<x>\\<c<Enter>d");
        for (const char *reading : {"ab<x>\\\\<c<Enter>d", "ab<x><c<Tab>d", "ab<x><c<Enter>"})
            QVERIFY(!checkMarkupResult(damaged, parsed(QLatin1String(reading))).isEmpty());

        // Fragments of markup, "|" between them, and the halves of a surrogate pair.
        QStringList pieces =
            QStringLiteral("<|>|\\|\\<|中文| |\u00A0|\u200E|+|Enter|Ctrl|press |sleep| 2s|Ctrl+A|img |\"|'|"
                           "<Enter>|<press Ctrl+Shift+A>|%1/图片.png")
                .arg(m_root)
                .split(u'|');
        pieces << QString(QChar(0xD83D)) << QString(QChar(0xDE00));
        QRandomGenerator random(20240611);
        qsizetype tags = 0, texts = 0;
        for (int n = 0; n < 10000; ++n) {
            QString mix;
            for (int p = random.bounded(0, 24); p > 0; --p)
                mix += pieces.at(random.bounded(int(pieces.size())));
            const Actions actions = parsed(mix);
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
    // JSON array on standard input, one JSON object per action and a blank line per phrase;
    // anything but an array of texts on standard input is refused with nothing printed.
    void markupToolPrintsTheLibrarysReading() {
        const QStringList phrases = {
            QStringLiteral("第一条<Enter>第二条<press Ctrl+Shift+A>"),
            QStringLiteral("quote \" backslash \\ \\<Enter> tab\t newline\n bell\a 😀"),
            QStringLiteral("<sleep 2147483.647><Win>"),
            QStringLiteral("<img \"%1/图片.png\">后").arg(m_root),
            QString(),
            QStringLiteral("<Tab>")};
        const auto json = [](const QStringList &list) {
            return QJsonDocument(QJsonArray::fromStringList(list)).toJson();
        };
        const auto [exitCode, out] = runMarkupTool({}, json(phrases));
        QCOMPARE(exitCode, 0);
        // An empty argument cannot be told from none: only standard input takes one.
        QCOMPARE(runMarkupTool(QStringList{QStringLiteral("--")} + phrases.mid(0, 4), {}),
                 runMarkupTool({}, json(phrases.mid(0, 4))));

        const QStringList kinds = {QStringLiteral("Text"), QStringLiteral("KeyPress"),
                                   QStringLiteral("Pause"), QStringLiteral("PasteFile")};
        QList<Actions> printed{{}};
        for (const QByteArray &line : out.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            QList<quint16> modifiers;
            for (const QJsonValue &m : o.value(QStringLiteral("modifiers")).toArray())
                modifiers.append(quint16(m.toInt()));
            if (line.isEmpty())
                printed.append(Actions());
            else
                printed.last().append(
                    {OutputAction::Kind(kinds.indexOf(o.value(QStringLiteral("kind")).toString())),
                     o.value(QStringLiteral("text")).toString(), modifiers,
                     quint16(o.value(QStringLiteral("mainKey")).toInt()),
                     qint32(o.value(QStringLiteral("pauseMs")).toDouble()),
                     o.value(QStringLiteral("filePath")).toString()});
        }
        QCOMPARE(printed.size(), phrases.size() + 1); // and the empty line after the last newline
        for (qsizetype i = 0; i < phrases.size(); ++i)
            QCOMPARE(describe(printed.at(i)), describe(parsed(phrases.at(i))));
        // Fixed points, so that the tool and the library cannot agree on a wrong reading.
        QCOMPARE(describe(printed.at(2)), QStringLiteral("P(2147483647) K[5b -]"));
        QVERIFY(describe(printed.at(3)).startsWith(u'F'));

        for (const char *input : {"<Enter>", "{\"a\":\"b\"}", "[\"a\", 1]", ""})
            QCOMPARE(runMarkupTool({}, input), qMakePair(2, QByteArray()));
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
