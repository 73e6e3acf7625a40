// The X11 backend outside an X11 session (here: the offscreen platform on Linux): input,
// global hotkeys and the pick window's activation do nothing harmful, say so once on
// standard error, and the pick window still shows.

#include "RunTestObjects.h"
#include "output/OutputAction.h"
#include "platform/GlobalHotkey.h"
#include "platform/InputOperations.h"
#include "platform/KeyboardHook.h"
#include "platform/WindowActivation.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <unistd.h>

class TestInputNoX11 : public QObject {
    Q_OBJECT

private slots:
    void everyOperationIsANoOpWithOneNote() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a.txt"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));

        // Catch standard error in a file while the operations run.
        const QString errPath = dir.filePath(QStringLiteral("stderr.txt"));
        std::fflush(stderr);
        const int savedErr = dup(STDERR_FILENO);
        FILE *capture = std::fopen(QFile::encodeName(errPath).constData(), "w");
        QVERIFY(capture);
        dup2(fileno(capture), STDERR_FILENO);

        OutputAction chord;
        chord.kind = OutputAction::KeyPress;
        chord.modifiers = {0xA2};
        chord.mainKey = 0x41;
        bool anyHeld = false;
        for (int round = 0; round < 2; ++round) {
            setClipboardText(QStringLiteral("after"));
            const bool filePut = putFileOnClipboard(file);
            sendPasteShortcut();
            pressKeyChord(chord);
            sendVirtualKey(0x0D, false);
            for (const bool held : releaseHeldModifiers())
                anyHeld = anyHeld || held;
            QVERIFY(!filePut);
        }

        std::fflush(stderr);
        dup2(savedErr, STDERR_FILENO);
        close(savedErr);
        std::fclose(capture);

        QVERIFY(!anyHeld);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        QFile err(errPath);
        QVERIFY(err.open(QIODevice::ReadOnly));
        const QString said = QString::fromUtf8(err.readAll());
        QCOMPARE(said.count(QStringLiteral("X11")), 1);
        QCOMPARE(said.count(QLatin1Char('\n')), 1);
    }
};

class GlobalHotkeyOffscreenTest : public QObject {
    Q_OBJECT
private slots:
    void registeringFailsAndSaysWhyOnce();
    void unusableSequencesNeverRegister_data();
    void unusableSequencesNeverRegister();
    void onlyTheFirstCombinationIsKept();
    void setShortcutTellsWhetherTheKeyExists();
    void unregisteringAnUnregisteredHotkeyIsHarmless();
};

void GlobalHotkeyOffscreenTest::registeringFailsAndSaysWhyOnce() {
    const QRegularExpression note(QStringLiteral("Global hotkeys need an X11 session"));
    QTest::ignoreMessage(QtWarningMsg, note);
    GlobalHotkey first(QKeySequence(QStringLiteral("Ctrl+Shift+V")), true);
    QVERIFY(!first.isRegistered());

    QTest::failOnWarning(note);
    QVERIFY(!first.setRegistered(true));
    QVERIFY(!first.isRegistered());
    GlobalHotkey second(QKeySequence(QStringLiteral("Ctrl+Alt+1")), false);
    QVERIFY(!second.setRegistered(true));
    QVERIFY(!second.setShortcut(QKeySequence(QStringLiteral("F5")), true));
    QVERIFY(!second.isRegistered());
}

void GlobalHotkeyOffscreenTest::unusableSequencesNeverRegister_data() {
    QTest::addColumn<QKeySequence>("sequence");
    QTest::newRow("an empty sequence") << QKeySequence();
    QTest::newRow("an unparsable text")
        << QKeySequence(QStringLiteral("Ctrl+Alt+Foo"), QKeySequence::NativeText);
    QTest::newRow("a bare modifier") << QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key_Control));
    QTest::newRow("a key without a system code") << QKeySequence(QKeyCombination(Qt::Key_Launch0));
}

void GlobalHotkeyOffscreenTest::unusableSequencesNeverRegister() {
    QFETCH(QKeySequence, sequence);
    GlobalHotkey hotkey(sequence, true);
    QVERIFY(!hotkey.isRegistered());
    QVERIFY(!hotkey.setRegistered(true));
    QVERIFY(!hotkey.setShortcut(sequence, false));
    QVERIFY(!hotkey.isRegistered());
}

void GlobalHotkeyOffscreenTest::onlyTheFirstCombinationIsKept() {
    GlobalHotkey hotkey(QKeySequence(QStringLiteral("Ctrl+A, Ctrl+B")), false);
    QCOMPARE(hotkey.shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    hotkey.setShortcut(QKeySequence(QStringLiteral("Alt+F2, X")));
    QCOMPARE(hotkey.shortcut(), QKeySequence(QStringLiteral("Alt+F2")));
    hotkey.setShortcut(QKeySequence());
    QVERIFY(hotkey.shortcut().isEmpty());
}

void GlobalHotkeyOffscreenTest::setShortcutTellsWhetherTheKeyExists() {
    GlobalHotkey hotkey(QKeySequence(), false);
    QVERIFY(hotkey.setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+V"))));
    QVERIFY(hotkey.setShortcut(QKeySequence(QStringLiteral("F12"))));
    QVERIFY(!hotkey.setShortcut(QKeySequence()));
}

void GlobalHotkeyOffscreenTest::unregisteringAnUnregisteredHotkeyIsHarmless() {
    auto hotkey = std::make_unique<GlobalHotkey>(QKeySequence(QStringLiteral("Ctrl+Shift+V")), false);
    QSignalSpy spy(hotkey.get(), &GlobalHotkey::activated);
    QVERIFY(hotkey->setRegistered(false));
    QVERIFY(hotkey->setRegistered(false));
    QVERIFY(!hotkey->isRegistered());
    hotkey.reset();
    QCOMPARE(spy.count(), 0);
}

class WindowActivationOffscreenTest : public QObject {
    Q_OBJECT

private slots:
    void foregroundQueriesFindNoWindow();
    void showingStillShowsTheWindowAndLeavesItsFlags();
    void passiveStyleIsLeftAlone();
    void uncoveredCheckCountsAsOnTop();
    void keyboardHookDoesNotInstall();
    void nativeFilterIgnoresEverything();
};

void WindowActivationOffscreenTest::foregroundQueriesFindNoWindow() {
    QWidget other;
    other.show();
    QCOMPARE(foregroundWindow(), NativeWindow(0));
    QVERIFY(!isWindowAlive(0));
    QVERIFY(!isWindowAlive(NativeWindow(other.winId())));
    QVERIFY(!setForegroundWindow(NativeWindow(other.winId())));
}

void WindowActivationOffscreenTest::showingStillShowsTheWindowAndLeavesItsFlags() {
    QWidget window;
    const Qt::WindowFlags before = window.windowFlags();
    showWindowNoActivate(&window, false);
    QVERIFY(window.isVisible());
    QVERIFY(window.testAttribute(Qt::WA_ShowWithoutActivating));
    QCOMPARE(window.windowFlags(), before);
    showWindowNoActivate(&window, true);
    QVERIFY(window.isVisible());
    showWindowNoActivate(nullptr, false);
}

void WindowActivationOffscreenTest::passiveStyleIsLeftAlone() {
    QWidget window;
    window.show();
    const Qt::WindowFlags before = window.windowFlags();
    setPickWindowNoActivate(&window, true);
    addNoActivateStyle(&window);
    QCOMPARE(window.windowFlags(), before);
    setPickWindowNoActivate(&window, false);
    QVERIFY(window.isVisible());
    setPickWindowNoActivate(nullptr, true);
    addNoActivateStyle(nullptr);
}

void WindowActivationOffscreenTest::uncoveredCheckCountsAsOnTop() {
    QWidget window;
    window.show();
    QVERIFY(isOnTopAtCentre(&window));
    QVERIFY(isOnTopAtCentre(nullptr));
}

void WindowActivationOffscreenTest::keyboardHookDoesNotInstall() {
    int calls = 0;
    KeyboardHook hook([&calls](const HookKeyEvent &) {
        ++calls;
        return true;
    });
    QVERIFY(!hook.install());
    QVERIFY(!hook.isInstalled());
    hook.remove();
    QVERIFY(!hook.isInstalled());
    QCOMPARE(calls, 0);
}

void WindowActivationOffscreenTest::nativeFilterIgnoresEverything() {
    QWidget window;
    auto *search = new QLineEdit(&window);
    int clicks = 0;
    NoActivateNativeFilter filter(&window, [] { return true; });
    filter.setActivatingChild(search, [&clicks] { ++clicks; });
    window.show();
    qApp->installNativeEventFilter(&filter);
    QTest::mouseClick(search, Qt::LeftButton);
    qApp->removeNativeEventFilter(&filter);
    // No native message announces the click here: the press on the child itself does.
    QCOMPARE(clicks, 1);
}

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    TestInputNoX11 input;
    GlobalHotkeyOffscreenTest hotkeys;
    WindowActivationOffscreenTest activation;
    return runTestObjects({&input, &hotkeys, &activation}, argc, argv);
}

#include "tst_nox11.moc"
