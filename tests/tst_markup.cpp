// The phrase markup against real files, and the verbolin-markup tool; random mixes: fuzz/run.sh.

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
        m_root = QDir::cleanPath(m_dir.path());
        for (const char *name : {"a.png", "图片.png", "My Pictures/图片 1.png", "it's.txt", "子目录/b"}) {
            QFile file(m_root + u'/' + QString::fromUtf8(name));
            QVERIFY(QDir(m_root).mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly) &&
                    file.write("x"));
        }
        // A relative name that exists in the working folder must still be typed literally.
        m_previousCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_root));
    }
    void cleanupTestCase() { QDir::setCurrent(m_previousCwd); }

    // "%1" is the test folder; "=" expects the phrase typed as written.
    void phrase() {
        for (const auto &[rowPhrase, rowExpected] : {
                 std::pair{"", ""},
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
                 // Key names and chords.
                 {"<press Return>", "K[0d]"},
                 {"<press \tTab\u00A0>", "K[09]"},
                 {"<press a>", "K[41]"},
                 {"<press F>", "K[46]"},
                 {"<press f24>", "K[87]"},
                 {"<press f000000000009>", "K[78]"},
                 {"<press F0>", "="},
                 {"<press F4294967297>", "="}, // wraps to 1
                 {"<press ß>", "="},
                 {"<press Home>", "="},
                 {"<press enter2>", "="},
                 {"<press a+shift+ctrl>", "K[a2 a0 41]"},
                 {"<press Meta+Shift+Alt+Control+F24>", "K[a2 a4 a0 5b 87]"},
                 {"<press Ctrl+Alt>", "K[a2 a4 -]"},
                 {"<press Ctrl+\tA>", "K[a2 41]"},
                 {"<press Win+Meta>", "="},
                 {"<press Ctrl++A>", "="},
                 {"<SLEEP 2S>", "P(2000)"},
                 {"<sleep 2 s>", "="},
                 {"<sleep Enter>", "="},
                 // Pause lengths: units, rounding half up (with no fused multiply-add), limits.
                 {"<sleep 100mS>", "P(100)"},
                 {"<sleep 1.5>", "P(1500)"},
                 {"<sleep 0.1005s>", "P(101)"},
                 {"<sleep .5s>", "P(500)"},
                 {"<sleep \t2s\u00A0>", "P(2000)"},
                 {"<sleep 2147483.647>", "P(2147483647)"},
                 {"<sleep 2147483647ms>", "P(2147483647)"},
                 {"<sleep 2147483.6471>", "="},
                 {"<sleep 2147483648ms>", "="},
                 {"<sleep 4294967396ms>", "="}, // wraps to 100
                 {"<sleep 100.5ms>", "="},
                 {"<sleep -0.001s>", "="},
                 {"<sleep -1ms>", "="},
                 {"<sleep NaNs>", "="},
                 {"<sleep inf>", "="},
                 {"<sleep 1e400>", "="},
                 {"<sleep 1,5>", "="},
                 {"<sleep 5m>", "="},
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
                 // Bidirectional marks go anywhere in a path; other invisible characters stay.
                 {"<img \u200E\t%1/\u200F\u202A\u202B\u202C\u202D\u202Ea\u2066\u2067\u2068\u2069.png \u202A>",
                  "F{%1/a.png}"},
                 {"<img %1/a\u200B.png>", "="},
                 {"<img %1/a\u200C.png>", "="},
                 {"<img %1/a\u200D.png>", "="},
                 {"<img %1/a\u061C.png>", "="},
                 {"<img %1/a\uFEFF.png>", "="},
             }) {
            const QString phrase = QString::fromUtf8(rowPhrase).replace("%1"_L1, m_root);
            const QString expected = QString::fromUtf8(rowExpected).replace("%1"_L1, m_root);
            Actions actions{OutputAction{OutputAction::Pause, {}, {}, 0, 7, {}}}; // parsing appends
            QVERIFY(parsePhraseMarkup(phrase, actions));
            QCOMPARE(actions.value(0).pauseMs, 7);
            actions.removeFirst();
            QCOMPARE(describe(actions), expected == "="_L1 ? u"T'"_s + phrase + u'\'' : expected);
            // A tag the parser refuses writes nothing into the action it was given.
            OutputAction action = untouched;
            if (expected == "="_L1 && phrase.startsWith(u'<') && phrase.endsWith(u'>'))
                QVERIFY(!parseTag(phrase.mid(1, phrase.size() - 2), action) && action == untouched);
        }
        const QString withNul = u"<img %1/a.png"_s.arg(m_root) + QChar(u'\0') + u"x>"_s;
        QCOMPARE(describe(parsed(withNul)), u"T'"_s + withNul + u'\'');
    }

    // verbolin-markup prints the library's reading of phrases given as arguments or as a JSON
    // array on standard input, one JSON object per action and a blank line per phrase; other
    // standard input is refused with nothing printed.
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
