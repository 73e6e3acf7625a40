#include "platform/KeyboardHook.h"
#include "platform/WindowActivation.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

// Without an X11 session (here: the offscreen platform) the native operations do
// nothing, report "no window", and never take keys, while the pick window still shows.
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

QTEST_MAIN(WindowActivationOffscreenTest)
#include "tst_windowactivation_offscreen.moc"
