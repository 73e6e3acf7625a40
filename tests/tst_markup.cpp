// The phrase markup grammar, one table per rule: key names and chords, pause lengths, tags
// and escapes with file tags against real files; and the verbolin-markup tool that prints
// the same reading. Random mixes are the fuzz target's job (fuzz/run.sh).

#include "output/KeyNames.h"
#include "output/PauseLength.h"
#include "output/PhraseMarkup.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Actions = QList<OutputAction>;

using namespace Qt::StringLiterals;

namespace {

// Actions in short: T'text', K[modifiers main] in hex ("-": no main key), P(ms), F{path};
// any field set outside its kind shows too.
QString describe(const Actions &actions) {
    QStringList parts;
    for (const OutputAction &a : actions) {
        QString s(QLatin1Char("TKPF"[a.kind]));
        if (!a.text.isEmpty())
            s += u'\'' + a.text + u'\'';
        if (!a.modifiers.isEmpty() || a.mainKey) {
            QStringList keys;
            for (quint16 m : a.modifiers)
                keys << QString::number(m, 16).rightJustified(2, u'0');
            keys << (a.mainKey ? QString::number(a.mainKey, 16).rightJustified(2, u'0') : u"-"_s);
            s += u'[' + keys.join(u' ') + u']';
        }
        if (a.pauseMs || a.kind == OutputAction::Pause)
            s += u"(%1)"_s.arg(a.pauseMs);
        if (!a.filePath.isEmpty())
            s += u'{' + a.filePath + u'}';
        parts << s;
    }
    return parts.join(u' ');
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
const OutputAction untouched{OutputAction::Pause, u"x"_s, {0x11}, 0x99, 4321, u"/x"_s};

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
        QVERIFY(QDir(m_root).mkpath(u"My Pictures"_s));
        QVERIFY(QDir(m_root).mkpath(u"子目录"_s));
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
            const QString phrase = QString::fromUtf8(row.phrase).replace("%1"_L1, m_root);
            const QString expected = QString::fromUtf8(row.expected).replace("%1"_L1, m_root);
            Actions actions{OutputAction{OutputAction::Pause, {}, {}, 0, 7, {}}}; // parsing appends
            QVERIFY(parsePhraseMarkup(phrase, actions));
            QCOMPARE(actions.value(0).pauseMs, 7);
            actions.removeFirst();
            QCOMPARE(describe(actions), expected == "="_L1 ? typed(phrase) : expected);
            // A tag the parser refuses writes nothing into the action it was given.
            OutputAction action = untouched;
            if (expected == "="_L1 && phrase.startsWith(u'<') && phrase.endsWith(u'>'))
                QVERIFY(!parseTag(phrase.mid(1, phrase.size() - 2), action) && action == untouched);
        }
        const QString withNul = u"<img %1/a.png"_s.arg(m_root) + QChar(u'\0') + u"x>"_s;
        QCOMPARE(describe(parsed(withNul)), typed(withNul));
    }

    // Bidirectional marks go anywhere in a path; other invisible characters stay.
    void cleanPathText() {
        QCOMPARE(::cleanPathText(
                     QStringLiteral(" \u200E\t/\u200F\u202A\u202B\u202C\u202D\u202Ex\u2066\u2067\u2068\u2069 "
                                    "\u200B\u200C\u200D\u061C\uFEFF\u00A0\u202A")),
                 u"/x \u200B\u200C\u200D\u061C\uFEFF"_s);
    }

    // verbolin-markup prints the library's reading of phrases given as arguments or as a
    // JSON array on standard input, one JSON object per action and a blank line per phrase;
    // anything but an array of texts on standard input is refused with nothing printed.
    void markupToolPrintsTheLibrarysReading() {
        const QStringList phrases = {u"第一条<Enter>第二条<press Ctrl+Shift+A>"_s,
                                     u"quote \" backslash \\ \\<Enter> tab\t newline\n bell\a 😀"_s,
                                     u"<sleep 2147483.647><Win>"_s,
                                     u"<img \"%1/图片.png\">后"_s.arg(m_root),
                                     QString(),
                                     u"<Tab>"_s};
        const auto json = [](const QStringList &list) {
            return QJsonDocument(QJsonArray::fromStringList(list)).toJson();
        };
        const auto [exitCode, out] = runMarkupTool({}, json(phrases));
        QCOMPARE(exitCode, 0);
        // An empty argument cannot be told from none: only standard input takes one.
        QCOMPARE(runMarkupTool(QStringList{u"--"_s} + phrases.mid(0, 4), {}),
                 runMarkupTool({}, json(phrases.mid(0, 4))));

        const QStringList kinds = u"Text KeyPress Pause PasteFile"_s.split(u' ');
        QList<Actions> printed{{}};
        for (const QByteArray &line : out.split('\n')) {
            const QVariantMap o = QJsonDocument::fromJson(line).object().toVariantMap();
            QList<quint16> modifiers;
            for (const QVariant &m : o.value(u"modifiers"_s).toList())
                modifiers.append(quint16(m.toUInt()));
            if (line.isEmpty())
                printed.append(Actions());
            else
                printed.last().append({OutputAction::Kind(kinds.indexOf(o.value(u"kind"_s).toString())),
                                       o.value(u"text"_s).toString(), modifiers,
                                       quint16(o.value(u"mainKey"_s).toUInt()), o.value(u"pauseMs"_s).toInt(),
                                       o.value(u"filePath"_s).toString()});
        }
        QCOMPARE(printed.size(), phrases.size() + 1); // and the empty line after the last newline
        for (qsizetype i = 0; i < phrases.size(); ++i)
            QCOMPARE(describe(printed.at(i)), describe(parsed(phrases.at(i))));
        // Fixed points, so that the tool and the library cannot agree on a wrong reading.
        QCOMPARE(describe(printed.at(2)), u"P(2147483647) K[5b -]"_s);
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
