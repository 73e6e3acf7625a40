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

namespace {

// "operation" or "operation:argument" per call; paste and key events are checked elsewhere.
QStringList operationsOf(const QList<RecordedInputCall> &calls) {
    QStringList names;
    for (const RecordedInputCall &call : calls)
        names << (call.argument.isEmpty() ? call.operation
                                          : call.operation + QLatin1Char(':') + call.argument);
    return names;
}

void setDelay(int ms) {
    configObject().insert(QStringLiteral("delay"), ms);
}

int liveRunners() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int count = 0;
    for (QObject *child : QCoreApplication::instance()->children())
        count += dynamic_cast<VerbolinOutputRunner *>(child) ? 1 : 0;
    return count;
}

} // namespace

class TestOutputRunner : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString filePath;

    QList<RecordedInputCall> runToEnd(const QString &phrase) {
        resetInputRecording();
        startPhraseOutput(phrase);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000); }();
        return recordedInputCalls();
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        filePath = dir.filePath(QStringLiteral("报告 1.txt"));
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
    }

    void actionsFollowTheTimeline_data() {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<int>("delay");
        QTest::addColumn<QStringList>("operations");
        QTest::addColumn<QList<int>>("minimumGaps"); // between consecutive calls, ms

        const QString paste = QStringLiteral("sendPasteShortcut");
        const QString release = QStringLiteral("releaseHeldModifiers");
        const QString keys = QStringLiteral("pressKeyChord");
        QTest::newRow("text, Enter, text: paste after 50, key after delay, text after two delays")
            << QStringLiteral("a<Enter>b") << 200
            << QStringList{release, QStringLiteral("setClipboardText:a"), paste,
                           keys,    QStringLiteral("setClipboardText:b"), paste}
            << QList<int>{0, 50, 200, 400, 50};
        QTest::newRow("with delay 0 the 50 ms before each paste stays")
            << QStringLiteral("a<Enter>b") << 0
            << QStringList{release, QStringLiteral("setClipboardText:a"), paste,
                           keys,    QStringLiteral("setClipboardText:b"), paste}
            << QList<int>{0, 50, 0, 0, 50};
        // Waits of 2000 ms and more run on coarse timers, which may fire up to 5 % early.
        QTest::newRow("a two-second pause sends nothing for pause plus delay")
            << QStringLiteral("<sleep 2s>x") << 200
            << QStringList{release, QStringLiteral("setClipboardText:x"), paste}
            << QList<int>{1900 + 200, 50};
        QTest::newRow("a file goes on the clipboard after 1000 ms and is pasted 50 ms later")
            << QStringLiteral("<file %1>").arg(filePath) << 200
            << QStringList{release, QStringLiteral("putFileOnClipboard:") + filePath, paste}
            << QList<int>{1000, 50};
        QTest::newRow("with delay 0 a file still waits 1000 ms")
            << QStringLiteral("a<file %1>").arg(filePath) << 0
            << QStringList{release, QStringLiteral("setClipboardText:a"), paste,
                           QStringLiteral("putFileOnClipboard:") + filePath, paste}
            << QList<int>{0, 50, 1000, 50};
        QTest::newRow("an empty phrase only releases held modifiers")
            << QString() << 200 << QStringList{release} << QList<int>{};
    }
    void actionsFollowTheTimeline() {
        QFETCH(QString, phrase);
        QFETCH(int, delay);
        QFETCH(QStringList, operations);
        QFETCH(QList<int>, minimumGaps);
        setDelay(delay);

        const QList<RecordedInputCall> calls = runToEnd(phrase);
        QCOMPARE(operationsOf(calls), operations);
        for (int i = 0; i < minimumGaps.size(); ++i) {
            const qint64 gap = calls.at(i + 1).atMs - calls.at(i).atMs;
            QVERIFY2(
                gap >= minimumGaps.at(i),
                qPrintable(
                    QStringLiteral("gap %1 before %2 was %3 ms").arg(i).arg(operations.at(i + 1)).arg(gap)));
        }
    }

    void pasteKeysSuitTheFocusedWindow_data() {
        QTest::addColumn<QStringList>("windowClasses"); // nearest window first
        QTest::addColumn<QJsonObject>("userTable");
        QTest::addColumn<QList<int>>("keysDown"); // the paste's key-downs, virtual-key codes
        QTest::addColumn<bool>("primarySet");

        const QList<int> ctrlV{0xA2, 'V'};
        const QList<int> ctrlShiftV{0xA2, 0xA0, 'V'};
        const QList<int> shiftInsert{0xA0, 0x2D};
        QTest::newRow("an ordinary program gets Ctrl+V")
            << QStringList{QStringLiteral("input_target"), QStringLiteral("Input_target")} << QJsonObject{}
            << ctrlV << false;
        QTest::newRow("nothing known about the window: Ctrl+V")
            << QStringList{} << QJsonObject{} << ctrlV << false;
        QTest::newRow("xterm's top-level above its focused child: Shift+Insert and the primary selection")
            << QStringList{QStringLiteral("XTerm")} << QJsonObject{} << shiftInsert << true;
        QTest::newRow("a VTE terminal gets Ctrl+Shift+V")
            << QStringList{QStringLiteral("gnome-terminal-server"), QStringLiteral("Gnome-terminal")}
            << QJsonObject{} << ctrlShiftV << false;
        QTest::newRow("a terminal the user added")
            << QStringList{QStringLiteral("org.wezfurlong.wezterm")}
            << QJsonObject{{QStringLiteral("Org.Wezfurlong.Wezterm"), QStringLiteral("Ctrl+Shift+V")}}
            << ctrlShiftV << false;
        QTest::newRow("the user's entry overrides a default")
            << QStringList{QStringLiteral("kitty")}
            << QJsonObject{{QStringLiteral("kitty"), QStringLiteral("Ctrl+V")}} << ctrlV << false;
        QTest::newRow("a user's entry that is no chord leaves the default")
            << QStringList{QStringLiteral("urxvt")}
            << QJsonObject{{QStringLiteral("urxvt"), QStringLiteral("Ctrl+")}} << shiftInsert << true;
    }
    void pasteKeysSuitTheFocusedWindow() {
        QFETCH(QStringList, windowClasses);
        QFETCH(QJsonObject, userTable);
        QFETCH(QList<int>, keysDown);
        QFETCH(bool, primarySet);
        configObject().insert(QStringLiteral("terminal_paste_keys"), userTable);
        resetInputRecording();
        setSimulatedFocusedWindowClasses(windowClasses);
        startPhraseOutput(QStringLiteral("ls"));
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        configObject().remove(QStringLiteral("terminal_paste_keys"));

        const QList<RecordedInputCall> calls = recordedInputCalls();
        QList<int> downs;
        for (const KeyEvent &event : calls.last().events) {
            if (!event.up)
                downs << event.virtualKey;
        }
        QCOMPARE(downs, keysDown);
        QCOMPARE(operationsOf(calls).contains(QStringLiteral("setPrimarySelectionText:ls")), primarySet);
        QCOMPARE(recordedClipboardText(), QStringLiteral("ls"));
    }

    void usersClipboardComesBackAfterTheLastPasteWhenAsked_data() {
        QTest::addColumn<QStringList>("phrases"); // output one after another
        QTest::addColumn<bool>("restore");
        QTest::addColumn<QString>("clipboardAtEnd");
        const QStringList two{QStringLiteral("a<Enter>b"), QStringLiteral("c")};
        QTest::newRow("restore on: the user's text is back") << QStringList{two.first()} << true << "user";
        QTest::newRow("restore on, a second output within the wait: still the user's text")
            << two << true << "user";
        QTest::newRow("restore off: the last paste stays") << two << false << "c";
    }
    void usersClipboardComesBackAfterTheLastPasteWhenAsked() {
        QFETCH(QStringList, phrases);
        QFETCH(bool, restore);
        QFETCH(QString, clipboardAtEnd);
        configObject().insert(QStringLiteral("restore_clipboard"), restore);
        resetInputRecording();
        setClipboardText(QStringLiteral("user"));
        for (const QString &phrase : phrases) {
            startPhraseOutput(phrase);
            QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        }
        QTest::qWait(1500);
        configObject().remove(QStringLiteral("restore_clipboard"));
        QCOMPARE(recordedClipboardText(), clipboardAtEnd);

        // The restore follows the last paste by the wait the target gets to take it.
        const QList<RecordedInputCall> calls = recordedInputCalls();
        const QStringList operations = operationsOf(calls);
        QCOMPARE(operations.count(QStringLiteral("restoreClipboardContent")), restore ? 1 : 0);
        if (restore) {
            QCOMPARE(operations.last(), QStringLiteral("restoreClipboardContent"));
            QVERIFY(calls.last().atMs - calls.at(calls.size() - 2).atMs >= 1000);
        }
    }

    void emptyPhraseIsFinishedWhenStartReturns() {
        resetInputRecording();
        startPhraseOutput(QString());
        QCOMPARE(outputRunning, false);
        QCOMPARE(operationsOf(recordedInputCalls()), QStringList{QStringLiteral("releaseHeldModifiers")});
    }

    void heldModifiersAreReleasedBeforeAnyOutput() {
        resetInputRecording();
        setSimulatedHeldModifiers({true, false, false, false, false, true, false, false});
        startPhraseOutput(QStringLiteral("<press Ctrl+A>"));
        const QList<RecordedInputCall> calls = recordedInputCalls();
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls.at(0).operation, QStringLiteral("releaseHeldModifiers"));
        QCOMPARE(int(calls.at(0).events.size()), 2);
        QCOMPARE(int(calls.at(0).events.at(0).virtualKey), 0xA2);
        QCOMPARE(int(calls.at(0).events.at(1).virtualKey), 0xA1);
        QCOMPARE(calls.at(1).operation, QStringLiteral("pressKeyChord"));
    }

    void keyActionRaisesTheCounterUntilOneDelayHasPassed() {
        resetInputRecording();
        startPhraseOutput(QStringLiteral("<Enter>"));
        // The first action runs inside the start call.
        QCOMPARE(syntheticKeyCounter, 1);
        QCOMPARE(outputRunning, true);
        QTRY_COMPARE_WITH_TIMEOUT(syntheticKeyCounter, 0, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        QVERIFY(recordedInputCalls().last().atMs >= 0);
    }

    void secondRequestDuringRunIsDropped() {
        resetInputRecording();
        startPhraseOutput(QStringLiteral("a<Enter>b"));
        startPhraseOutput(QStringLiteral("zzz"));
        QTest::qWait(100);
        startPhraseOutput(QStringLiteral("<press Ctrl+Z>"));
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        QTest::qWait(500); // nor is it typed later
        const QStringList operations = operationsOf(recordedInputCalls());
        QCOMPARE(operations.count(QStringLiteral("releaseHeldModifiers")), 1);
        QVERIFY(!operations.contains(QStringLiteral("setClipboardText:zzz")));
        QCOMPARE(operations.count(QStringLiteral("pressKeyChord")), 1);
        QCOMPARE(recordedClipboardText(), QStringLiteral("b"));

        // Once the run is over, the next request is taken.
        runToEnd(QStringLiteral("zzz"));
        QCOMPARE(recordedClipboardText(), QStringLiteral("zzz"));
    }

    void delayIsReadAtEachUse() {
        setDelay(0);
        resetInputRecording();
        startPhraseOutput(QStringLiteral("<Enter>x"));
        // The counter's wait was taken with 0; the wait before "x" must see the new value.
        setDelay(400);
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);
        const QList<RecordedInputCall> calls = recordedInputCalls();
        QCOMPARE(calls.at(2).operation, QStringLiteral("setClipboardText"));
        QVERIFY(calls.at(2).atMs - calls.at(1).atMs >= 400);
    }

    void negativeDelayCountsAsZero() {
        // A hand-edited file may hold a negative delay; the run must still reach its end.
        setDelay(-500);
        const QList<RecordedInputCall> calls = runToEnd(QStringLiteral("a<Tab>b"));
        QCOMPARE(operationsOf(calls).size(), 6);
        QCOMPARE(recordedClipboardText(), QStringLiteral("b"));
    }

    void fileGoneSinceTheParseIsNotPasted() {
        const QString doomed = dir.filePath(QStringLiteral("将被删除.png"));
        QFile file(doomed);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        resetInputRecording();
        startPhraseOutput(QStringLiteral("old<file %1>new").arg(doomed));
        QVERIFY(QFile::remove(doomed)); // the parse already accepted the tag
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 15000);

        const QList<RecordedInputCall> calls = recordedInputCalls();
        const QStringList paste{QStringLiteral("sendPasteShortcut")};
        QCOMPARE(
            operationsOf(calls),
            QStringList({QStringLiteral("releaseHeldModifiers"), QStringLiteral("setClipboardText:old"),
                         QStringLiteral("sendPasteShortcut"), QStringLiteral("putFileOnClipboard:") + doomed,
                         QStringLiteral("setClipboardText:new"), QStringLiteral("sendPasteShortcut")}));
        QCOMPARE(calls.at(3).result, false);
        // "old" was not pasted a second time in place of the file.
        QCOMPARE(recordedClipboardText(), QStringLiteral("new"));
    }

    void clipboardHoldsTheLastPastedFile() {
        runToEnd(QStringLiteral("a<img %1>").arg(filePath));
        QCOMPARE(recordedClipboardFile(), filePath);
        QCOMPARE(recordedClipboardText(), QString());
    }
};

QTEST_GUILESS_MAIN(TestOutputRunner)
#include "tst_outputrunner.moc"
