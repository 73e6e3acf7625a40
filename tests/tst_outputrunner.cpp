// The output runner on the recording backend: what runs, in which order, at least how far apart.

#include "library/ConfigStore.h"
#include "library/Settings.h"
#include "output/OutputRunner.h"
#include "platform/InputOperations.h"
#include "platform/InputRecording.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The calls in short, e.g. "release text:a paste keys file:/x/y.png restore".
QString operationsOf(const QList<RecordedInputCall> &calls) {
    static const QStringList operations =
        QStringLiteral("releaseHeldModifiers setClipboardText sendPasteShortcut "
                       "pressKeyChord putFileOnClipboard setPrimarySelectionText "
                       "restoreClipboardContent")
            .split(u' ');
    static const QStringList shortNames = u"release text paste keys file primary restore"_s.split(u' ');
    QStringList names;
    for (const RecordedInputCall &call : calls) {
        const QString name = shortNames.value(operations.indexOf(call.operation), call.operation);
        names << (call.argument.isEmpty() ? name : name + u':' + call.argument);
    }
    return names.join(u' ');
}

int liveRunners() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int count = 0;
    for (QObject *child : QCoreApplication::instance()->children())
        count += dynamic_cast<VerbolinOutputRunner *>(child) ? 1 : 0;
    return count;
}

// A delay changed after the start must be seen by every later wait.
QList<RecordedInputCall> runToEnd(const QString &phrase, const QStringList &focusedWindowClasses = {},
                                  int delayAfterStart = -1) {
    resetInputRecording();
    setSimulatedFocusedWindowClasses(focusedWindowClasses);
    startPhraseOutput(phrase, &settings::outputSettings);
    if (delayAfterStart >= 0)
        configObject().insert(u"delay"_s, delayAfterStart);
    [] { QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000); }();
    return recordedInputCalls();
}

} // namespace

class TestOutputRunner : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString filePath;

private slots:
    void initTestCase() {
        filePath = dir.filePath(u"报告 1.txt"_s);
        QFile file(filePath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x"));
    }

    void init() {
        configObject() = QJsonObject{{u"delay"_s, 200}};
        QCOMPARE(outputRunning, false);
    }

    void cleanup() {
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        QCOMPARE(liveRunners(), 0);
        QCOMPARE(syntheticKeyCounter, 0);
    }

    // 50 ms before each paste, the delay after a key and a pause, 1000 ms before a file ("%1"),
    // none of them shorter by the clock, though Qt's timers may fire early. The paste
    // keys suit the window classes (nearest first); the user's table ignores case, and its entry
    // without a main key leaves the default.
    void actionsFollowTheTimeline() {
        const struct {
            const char *phrase;
            int delay;
            const char *operations;
            QList<int> minimumGaps; // between consecutive calls, ms
            int delayAfterStart = -1;
            const char *windowClasses = "input_target", *userKey = "", *userChord = "";
            const char *pasteKeys = "a2 56"; // the last paste's key-downs
        } rows[] = {
            {"a<Enter>b", 200, "release text:a paste keys text:b paste", {0, 50, 200, 400, 50}},
            {"a<Enter>b", 0, "release text:a paste keys text:b paste", {0, 50, 0, 0, 50}},
            {"a<Tab>b", -500, "release text:a paste keys text:b paste", {}}, // negative counts as 0
            {"<sleep 2s>x", 200, "release text:x paste", {2000 + 200, 50}},
            {"<Enter>x", 0, "release keys text:x paste", {0, 400, 50}, 400}, // the key's wait began with 0
            {"ls", 0, "release text:ls primary:ls keys", {}, -1, "child|XTerm", "", "", "a0 2d"},
            {"ls", 0, "release text:ls keys", {}, -1, "gnome-terminal-server", "", "", "a2 a0 56"},
            {"ls", 0, "release text:ls keys", {}, -1, "wezterm", "WezTerm", "Ctrl+Shift+V", "a2 a0 56"},
            {"ls", 0, "release text:ls paste", {}, -1, "kitty", "kitty", "Ctrl+V", "a2 56"},
            {"ls", 0, "release text:ls primary:ls keys", {}, -1, "urxvt", "urxvt", "Ctrl", "a0 2d"},
            {"a<file %1>", 0, "release text:a paste file:%1 paste", {0, 50, 1000, 50}},
        };
        for (const auto &row : rows) {
            configObject().insert(u"delay"_s, row.delay);
            configObject().insert(u"terminal_paste_keys"_s,
                                  QJsonObject{{QLatin1String(row.userKey), QLatin1String(row.userChord)}});
            const QList<RecordedInputCall> calls =
                runToEnd(QString::fromUtf8(row.phrase).replace("%1"_L1, filePath),
                         QString::fromLatin1(row.windowClasses).split(u'|'), row.delayAfterStart);
            QCOMPARE(operationsOf(calls), QString::fromUtf8(row.operations).replace("%1"_L1, filePath));
            for (int i = 0; i < row.minimumGaps.size(); ++i)
                QVERIFY2(calls.at(i + 1).atMs - calls.at(i).atMs >= row.minimumGaps.at(i),
                         qPrintable(u"%1: gap %2"_s.arg(QLatin1String(row.phrase)).arg(i)));
            QStringList downs;
            for (const KeyEvent &event : calls.last().events) {
                if (!event.up)
                    downs << QString::number(event.virtualKey, 16);
            }
            QCOMPARE(downs.join(u' '), QLatin1String(row.pasteKeys));
        }
        // The file stays on the clipboard, not the text before it.
        QCOMPARE(recordedClipboardFile(), filePath);
        QCOMPARE(recordedClipboardText(), QString());
    }

    // Where the focused window is not known (Wayland), "paste_keys" is the paste chord for
    // every program, whatever it is called; Ctrl+V when missing or no chord.
    void pasteKeysServeWhereTheFocusedWindowIsUnknown_data() {
        QTest::addColumn<QJsonValue>("pasteKeys");
        QTest::addColumn<QString>("pressed"); // the paste's key-downs, virtual keys in hex
        QTest::newRow("missing: Ctrl+V") << QJsonValue(QJsonValue::Undefined) << u"a2 56"_s;
        QTest::newRow("a terminal's chord") << QJsonValue(u"Ctrl+Shift+V"_s) << u"a2 a0 56"_s;
        QTest::newRow("Shift+Insert") << QJsonValue(u"Shift+Insert"_s) << u"a0 2d"_s;
        QTest::newRow("no chord: Ctrl+V") << QJsonValue(u"paste please"_s) << u"a2 56"_s;
        QTest::newRow("not a text: Ctrl+V") << QJsonValue(7) << u"a2 56"_s;
    }
    void pasteKeysServeWhereTheFocusedWindowIsUnknown() {
        QFETCH(QJsonValue, pasteKeys);
        QFETCH(QString, pressed);
        if (pasteKeys.isUndefined())
            configObject().remove(u"paste_keys"_s);
        else
            configObject().insert(u"paste_keys"_s, pasteKeys);
        resetInputRecording();
        setSimulatedFocusedWindowUnknown(true);
        // A window class that would choose another chord plays no part there.
        setSimulatedFocusedWindowClasses({u"xterm"_s});
        startPhraseOutput(u"text"_s, &settings::outputSettings);
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        const QList<RecordedInputCall> calls = recordedInputCalls();
        QStringList downs;
        for (const KeyEvent &event : calls.last().events)
            if (!event.up)
                downs << QString::number(event.virtualKey, 16);
        configObject().remove(u"paste_keys"_s);
        QCOMPARE(downs.join(u' '), pressed);
        QCOMPARE(recordedClipboardText(), u"text"_s);
    }

    // The restore follows the last paste by the wait the target gets to take it, and only while
    // the clipboard still holds what the output put there: something copied during the wait
    // ("copied", by the user or another program) is newer than the saved content and stays.
    void usersClipboardComesBackAfterTheLastPasteWhenAsked() {
        // Phrases output one after another (the second within the wait).
        const struct {
            QStringList phrases;
            bool restore;
            const char *copied;
            const char *clipboardAtEnd;
            bool copiedBeforeTheLastPhrase = false; // then the copy is the content to give back
        } rows[] = {
            {{u"a<Enter>b"_s}, true, "", "user"},
            {{u"a<Enter>b"_s, u"c"_s}, true, "", "user"},
            {{u"a<Enter>b"_s, u"c"_s}, false, "", "c"},
            {{u"a<Enter>b"_s}, true, "newer", "newer"},
            {{u"a<Enter>b"_s, u"c"_s}, true, "newer", "newer"},
            {{u"a<file %1>"_s}, true, "", "user"},
            {{u"a<file %1>"_s}, true, "newer", "newer"},
            {{u"a<file %1>"_s}, true, "a", "a"}, // the output's earlier text, copied anew
            {{u"b<Enter>a"_s}, true, "b", "b"},
            {{u"a<Enter>b"_s, u"c"_s}, true, "newer", "newer", true},
        };
        for (const auto &row : rows) {
            configObject().insert(u"restore_clipboard"_s, row.restore);
            resetInputRecording();
            setClipboardText(u"user"_s);
            const bool copies = *row.copied != '\0';
            for (const QString &phrase : row.phrases) {
                if (copies && row.copiedBeforeTheLastPhrase && phrase == row.phrases.last()) {
                    QTest::qWait(500);
                    simulateOtherProgramCopying(QLatin1String(row.copied));
                }
                startPhraseOutput(QString(phrase).replace("%1"_L1, filePath), &settings::outputSettings);
                QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
            }
            const bool copiesInTheLastWait = copies && !row.copiedBeforeTheLastPhrase;
            if (copiesInTheLastWait) {
                QTest::qWait(500);
                simulateOtherProgramCopying(QLatin1String(row.copied));
            }
            QTest::qWait(copiesInTheLastWait ? 1000 : 1500);
            const QString at = row.phrases.join(u' ') + u" copied:"_s + QLatin1String(row.copied) +
                               (row.copiedBeforeTheLastPhrase ? u" before the last"_s : QString());
            QVERIFY2(recordedClipboardText() == QLatin1String(row.clipboardAtEnd), qPrintable(at));
            QVERIFY2(copiesInTheLastWait || !row.restore || recordedClipboardFile().isEmpty(),
                     qPrintable(at));
            const QList<RecordedInputCall> calls = recordedInputCalls();
            const bool restores = row.restore && !copiesInTheLastWait;
            QVERIFY2(operationsOf(calls).count(u"restore"_s) == (restores ? 1 : 0), qPrintable(at));
            QVERIFY2(!restores || (operationsOf(calls).endsWith(u"paste restore"_s) &&
                                   calls.last().atMs - calls.at(calls.size() - 2).atMs >= 1000),
                     qPrintable(at));
        }
    }

    // Held modifiers go up before anything is sent; the first action runs inside the start call
    // and holds the counter up for one delay; an empty phrase is done by then. A request while
    // a run goes on waits for it and then runs, in the order asked, and a file gone since the
    // parse is not pasted.
    void firstActionRunsAtOnceAfterTheReleaseAndTheRunIsAlone() {
        resetInputRecording();
        startPhraseOutput(QString(), &settings::outputSettings);
        QVERIFY(!outputRunning);
        QCOMPARE(operationsOf(recordedInputCalls()), u"release"_s);
        resetInputRecording();
        setSimulatedHeldModifiers({true, false, false, false, false, true, false, false});
        startPhraseOutput(u"<Enter>"_s, &settings::outputSettings);
        QCOMPARE(operationsOf(recordedInputCalls()), u"release keys"_s);
        QCOMPARE(recordedInputCalls().first().events.size(), std::size_t(2));
        QCOMPARE(syntheticKeyCounter, 1);
        QCOMPARE(outputRunning, true);
        QTRY_COMPARE_WITH_TIMEOUT(syntheticKeyCounter, 0, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);

        resetInputRecording();
        startPhraseOutput(u"a<Enter>b"_s, &settings::outputSettings);
        startPhraseOutput(u"zzz"_s, &settings::outputSettings);
        QTest::qWait(100);
        startPhraseOutput(u"<press Ctrl+Z>"_s, &settings::outputSettings);
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        QTest::qWait(500); // and nothing comes twice
        QCOMPARE(operationsOf(recordedInputCalls()),
                 u"release text:a paste keys text:b paste release text:zzz paste release keys"_s);
        // Once the runs are over, the next request starts at once.
        resetInputRecording();
        startPhraseOutput(u"yy"_s, &settings::outputSettings);
        QCOMPARE(operationsOf(recordedInputCalls()), u"release text:yy"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        QCOMPARE(recordedClipboardText(), u"yy"_s);

        const QString doomed = dir.filePath(u"将被删除.png"_s);
        QVERIFY(QFile(doomed).open(QIODevice::WriteOnly));
        resetInputRecording();
        startPhraseOutput(u"old<file %1>new"_s.arg(doomed), &settings::outputSettings);
        QVERIFY(QFile::remove(doomed)); // the parse already accepted the tag
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        const QList<RecordedInputCall> calls = recordedInputCalls();
        // "old" is not pasted a second time in place of the file.
        QCOMPARE(operationsOf(calls), u"release text:old paste file:%1 text:new paste"_s.arg(doomed));
        QCOMPARE(calls.at(3).result, false);
    }
};

QTEST_GUILESS_MAIN(TestOutputRunner)
#include "tst_outputrunner.moc"
