// The output runner against the recording backend: which operations run, in which
// order, and at least how far apart. Gaps are checked as lower bounds only; timers may
// fire late on a loaded machine but never early.

#include "app/ConfigStore.h"
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

void setDelay(int ms) {
    configObject().insert(u"delay"_s, ms);
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
    startPhraseOutput(phrase);
    if (delayAfterStart >= 0)
        setDelay(delayAfterStart);
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
        QVERIFY(dir.isValid());
        filePath = dir.filePath(u"报告 1.txt"_s);
        QFile file(filePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }

    void init() {
        setDelay(200);
        QCOMPARE(outputRunning, false);
    }

    void cleanup() {
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        QCOMPARE(liveRunners(), 0);
        QCOMPARE(syntheticKeyCounter, 0);
        configObject().remove(u"terminal_paste_keys"_s);
        configObject().remove(u"restore_clipboard"_s);
    }

    // 50 ms before each paste, the delay after a key and a pause, 1000 ms before a file
    // whatever the delay. "%1" is the test file. Waits of 2000 ms and more run on coarse
    // timers, which may fire up to 5 % early.
    void actionsFollowTheTimeline() {
        const struct {
            const char *phrase;
            int delay;
            const char *operations;
            QList<int> minimumGaps; // between consecutive calls, ms
            int delayAfterStart = -1;
        } rows[] = {
            {"a<Enter>b", 200, "release text:a paste keys text:b paste", {0, 50, 200, 400, 50}},
            {"a<Enter>b", 0, "release text:a paste keys text:b paste", {0, 50, 0, 0, 50}},
            {"a<Tab>b", -500, "release text:a paste keys text:b paste", {}}, // negative counts as 0
            {"<sleep 2s>x", 200, "release text:x paste", {1900 + 200, 50}},
            {"<Enter>x", 0, "release keys text:x paste", {0, 400, 50}, 400}, // the key's wait began with 0
            {"a<file %1>", 0, "release text:a paste file:%1 paste", {0, 50, 1000, 50}},
        };
        for (const auto &row : rows) {
            setDelay(row.delay);
            const QList<RecordedInputCall> calls =
                runToEnd(QString::fromUtf8(row.phrase).replace("%1"_L1, filePath), {}, row.delayAfterStart);
            QCOMPARE(operationsOf(calls), QString::fromUtf8(row.operations).replace("%1"_L1, filePath));
            for (int i = 0; i < row.minimumGaps.size(); ++i)
                QVERIFY2(calls.at(i + 1).atMs - calls.at(i).atMs >= row.minimumGaps.at(i),
                         qPrintable(u"%1: gap %2"_s.arg(QLatin1String(row.phrase)).arg(i)));
        }
        // The file stays on the clipboard, not the text before it.
        QCOMPARE(recordedClipboardFile(), filePath);
        QCOMPARE(recordedClipboardText(), QString());
    }

    // Window classes nearest first, "|" between them; the user's table is matched without
    // regard to case and an entry without a main key leaves the default.
    void pasteKeysSuitTheFocusedWindow() {
        const struct {
            const char *windowClasses, *userKey, *userChord;
            const char *keysDown; // the paste's key-downs
            bool primarySet;
        } rows[] = {
            {"input_target", "", "", "a2 56", false},
            {"child|XTerm", "", "", "a0 2d", true},
            {"gnome-terminal-server", "", "", "a2 a0 56", false},
            {"org.wezfurlong.wezterm", "Org.Wezfurlong.Wezterm", "Ctrl+Shift+V", "a2 a0 56", false},
            {"kitty", "kitty", "Ctrl+V", "a2 56", false},
            {"urxvt", "urxvt", "Ctrl", "a0 2d", true},
        };
        for (const auto &row : rows) {
            QJsonObject userTable;
            if (*row.userKey)
                userTable.insert(QLatin1String(row.userKey), QLatin1String(row.userChord));
            configObject().insert(u"terminal_paste_keys"_s, userTable);
            const QList<RecordedInputCall> calls =
                runToEnd(u"ls"_s, QString::fromLatin1(row.windowClasses).split(u'|'));
            QStringList downs;
            for (const KeyEvent &event : calls.last().events) {
                if (!event.up)
                    downs << QString::number(event.virtualKey, 16);
            }
            QCOMPARE(downs.join(u' '), QLatin1String(row.keysDown));
            QCOMPARE(operationsOf(calls).contains(u"primary:ls"_s), row.primarySet);
            QCOMPARE(recordedClipboardText(), u"ls"_s);
        }
    }

    // The restore follows the last paste by the wait the target gets to take it.
    void usersClipboardComesBackAfterTheLastPasteWhenAsked() {
        const struct {
            QStringList phrases; // output one after another
            bool restore;
            const char *clipboardAtEnd;
        } rows[] = {
            {{u"a<Enter>b"_s}, true, "user"},
            {{u"a<Enter>b"_s, u"c"_s}, true, "user"}, // the second within the wait
            {{u"a<Enter>b"_s, u"c"_s}, false, "c"},
        };
        for (const auto &row : rows) {
            configObject().insert(u"restore_clipboard"_s, row.restore);
            resetInputRecording();
            setClipboardText(u"user"_s);
            for (const QString &phrase : row.phrases) {
                startPhraseOutput(phrase);
                QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
            }
            QTest::qWait(1500);
            QCOMPARE(recordedClipboardText(), QLatin1String(row.clipboardAtEnd));
            const QList<RecordedInputCall> calls = recordedInputCalls();
            QCOMPARE(operationsOf(calls).count(u"restore"_s), row.restore ? 1 : 0);
            QVERIFY(!row.restore || (operationsOf(calls).endsWith(u"paste restore"_s) &&
                                     calls.last().atMs - calls.at(calls.size() - 2).atMs >= 1000));
        }
    }

    // Held modifiers go up before anything is sent; the first action runs inside the
    // start call and holds the counter up for one delay; an empty phrase is done by then.
    void firstActionRunsAtOnceAfterTheRelease() {
        resetInputRecording();
        startPhraseOutput(QString());
        QVERIFY(!outputRunning);
        QCOMPARE(operationsOf(recordedInputCalls()), u"release"_s);
        resetInputRecording();
        setSimulatedHeldModifiers({true, false, false, false, false, true, false, false});
        startPhraseOutput(u"<Enter>"_s);
        QCOMPARE(operationsOf(recordedInputCalls()), u"release keys"_s);
        QCOMPARE(recordedInputCalls().first().events.size(), std::size_t(2));
        QCOMPARE(syntheticKeyCounter, 1);
        QCOMPARE(outputRunning, true);
        QTRY_COMPARE_WITH_TIMEOUT(syntheticKeyCounter, 0, 15000);
    }

    void secondRequestDuringRunIsDropped() {
        resetInputRecording();
        startPhraseOutput(u"a<Enter>b"_s);
        startPhraseOutput(u"zzz"_s);
        QTest::qWait(100);
        startPhraseOutput(u"<press Ctrl+Z>"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        QTest::qWait(500); // nor is it typed later
        QCOMPARE(operationsOf(recordedInputCalls()), u"release text:a paste keys text:b paste"_s);
        // Once the run is over, the next request is taken.
        runToEnd(u"zzz"_s);
        QCOMPARE(recordedClipboardText(), u"zzz"_s);
    }

    void fileGoneSinceTheParseIsNotPasted() {
        const QString doomed = dir.filePath(u"将被删除.png"_s);
        QVERIFY(QFile(doomed).open(QIODevice::WriteOnly));
        resetInputRecording();
        startPhraseOutput(u"old<file %1>new"_s.arg(doomed));
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
