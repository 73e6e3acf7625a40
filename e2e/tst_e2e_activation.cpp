// The activation primitives on a real X server with a window manager: a passive window
// that neither takes the focus when shown nor when clicked, the keyboard hook with its
// replay of keys it lets pass, giving the focus back, and the covered-at-centre check.
#include "e2e/E2eSupport.h"
#include "platform/KeyboardHook.h"
#include "platform/WindowActivation.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

// Lines activation_target writes for a key going down and up.
QString pressed(int key) {
    return QStringLiteral("press %1").arg(key);
}
QString released(int key) {
    return QStringLiteral("release %1").arg(key);
}

} // namespace

class E2eActivationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        connect(&m_target, &QProcess::readyReadStandardOutput, this, &E2eActivationTest::readTarget);
        m_target.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_target.start(QStringLiteral(VERBOLIN_ACTIVATION_TARGET), {});
        QVERIFY(m_target.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(!m_targetLines.filter(QStringLiteral("ready ")).isEmpty(), 10000);
        m_targetWindow = m_targetLines.filter(QStringLiteral("ready ")).first().mid(6).toULongLong();
        QVERIFY(m_targetWindow != 0);
        QVERIFY(xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(m_targetWindow)}));
        QTRY_COMPARE_WITH_TIMEOUT(foregroundWindow(), m_targetWindow, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_targetLines.contains(QStringLiteral("active 1")), 10000);

        m_pick = std::make_unique<QWidget>();
        m_pick->setWindowTitle(QStringLiteral("activation-pick"));
        m_pick->setGeometry(100, 100, 400, 300);
        m_search = new QLineEdit(m_pick.get());
        m_search->setGeometry(10, 10, 380, 30);
        m_button = new QPushButton(QStringLiteral("phrase"), m_pick.get());
        m_button->setGeometry(10, 150, 380, 60);
        m_button->setFocusPolicy(Qt::NoFocus);
        connect(m_button, &QPushButton::clicked, this, [this] { ++m_buttonClicks; });
    }
    void cleanupTestCase() {
        m_pick.reset();
        e2e::stopProcess(m_target);
    }
    void showingKeepsTheFocusOnTheTarget() {
        m_targetLines.clear();
        showWindowNoActivate(m_pick.get(), false);
        QVERIFY(QTest::qWaitForWindowExposed(m_pick.get()));
        QVERIFY2(!pickAcceptsFocus(), "the passive window tells the window manager it takes no input focus");
        // Give the window manager its turn at the new window before looking at the focus.
        QTest::qWait(300);
        QCOMPARE(foregroundWindow(), m_targetWindow);
        QVERIFY(!m_pick->isActiveWindow());
        QVERIFY2(!m_targetLines.contains(QStringLiteral("active 0")),
                 qPrintable(m_targetLines.join(QLatin1Char('|'))));
    }
    void clickingKeepsTheFocusOnTheTarget() {
        m_targetLines.clear();
        const int before = m_buttonClicks;
        QVERIFY(clickPick(QPoint(200, 180)));
        QTRY_COMPARE_WITH_TIMEOUT(m_buttonClicks, before + 1, 10000);
        QTest::qWait(300);
        QCOMPARE(foregroundWindow(), m_targetWindow);
        QVERIFY(!m_pick->isActiveWindow());
        QVERIFY2(!m_targetLines.contains(QStringLiteral("active 0")),
                 qPrintable(m_targetLines.join(QLatin1Char('|'))));
    }
    void clickingTheSearchBoxMakesTheWindowActivatable() {
        NoActivateNativeFilter filter(m_pick.get(), [this] { return m_passive; });
        NativeWindow saved = 0;
        int searchClicks = 0;
        filter.setActivatingChild(m_search, [&] {
            ++searchClicks;
            m_passive = false;
            saved = foregroundWindow();
            setPickWindowNoActivate(m_pick.get(), false);
            m_pick->raise();
            m_pick->activateWindow();
        });
        qApp->installNativeEventFilter(&filter);

        // A click elsewhere on the window is not a search-box click.
        QVERIFY(clickPick(QPoint(200, 180)));
        QTest::qWait(200);
        QCOMPARE(searchClicks, 0);

        QVERIFY(clickPick(QPoint(100, 25)));
        QTRY_COMPARE_WITH_TIMEOUT(searchClicks, 1, 10000);
        QCOMPARE(saved, m_targetWindow);
        QTRY_COMPARE_WITH_TIMEOUT(foregroundWindow(), NativeWindow(m_pick->winId()), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_search->hasFocus(), 10000);
        QVERIFY(m_pick->isVisible());

        // Leaving: passive again, and the focus goes back where it came from.
        m_passive = true;
        setPickWindowNoActivate(m_pick.get(), true);
        QVERIFY(isWindowAlive(saved));
        QVERIFY(setForegroundWindow(saved));
        QTRY_COMPARE_WITH_TIMEOUT(foregroundWindow(), m_targetWindow, 10000);
        QVERIFY(m_pick->isVisible());
        QVERIFY(!pickAcceptsFocus());
        qApp->removeNativeEventFilter(&filter);
    }
    void hookTakesConsumedKeysAndReplaysTheRestOnce() {
        QTRY_COMPARE_WITH_TIMEOUT(foregroundWindow(), m_targetWindow, 10000);
        std::vector<HookKeyEvent> seen;
        KeyboardHook hook([&seen](const HookKeyEvent &event) {
            seen.push_back(event);
            return event.vk == HookVk::Down || event.vk == HookVk::Escape;
        });
        QVERIFY(hook.install());
        QVERIFY(hook.isInstalled());
        m_targetLines.clear();

        QVERIFY(xdotool(
            {QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("x"), QStringLiteral("Escape")}));
        QTest::qWait(2000);
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), std::size_t(3), 10000);
        QCOMPARE(seen[0].vk, HookVk::Down);
        QCOMPARE(seen[1].vk, std::uint32_t('X'));
        QCOMPARE(seen[2].vk, HookVk::Escape);
        for (const HookKeyEvent &event : seen)
            QCOMPARE(event.modifiers, unsigned(HookNoModifier));

        // A key that is not grabbed goes straight to the target, after any replay.
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("F5")}));
        const QString f5 = released(Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(m_targetLines.contains(f5), 10000);
        QCOMPARE(m_targetLines.filter(QStringLiteral("text ")), QStringList{QStringLiteral("text x")});
        QCOMPARE(m_targetLines.count(pressed(Qt::Key_X)), 1);
        QCOMPARE(m_targetLines.count(released(Qt::Key_X)), 1);
        for (int key : {int(Qt::Key_Down), int(Qt::Key_Escape)}) {
            QVERIFY2(!m_targetLines.contains(pressed(key)), "a consumed key never arrives");
            QVERIFY2(!m_targetLines.contains(released(key)), "nor does its key-up");
        }
        QCOMPARE(foregroundWindow(), m_targetWindow);

        // Typed without pause, keys that pass overlap other grabs: each arrives once, in order.
        seen.clear();
        m_targetLines.clear();
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("0"),
                         QStringLiteral("a"), QStringLiteral("Down"), QStringLiteral("b"),
                         QStringLiteral("c"), QStringLiteral("Escape"), QStringLiteral("d")}));
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("F5")}));
        QTRY_VERIFY_WITH_TIMEOUT(m_targetLines.contains(f5), 10000);
        const QStringList texts = m_targetLines.filter(QStringLiteral("text "));
        QVERIFY(!texts.isEmpty());
        QCOMPARE(texts.last(), QStringLiteral("text xabcd"));
        QCOMPARE(seen.size(), std::size_t(6));
        for (int key : {int(Qt::Key_Down), int(Qt::Key_Escape)})
            QVERIFY(!m_targetLines.contains(pressed(key)));
        hook.remove();
        QVERIFY(!hook.isInstalled());
    }
    void hookReportsHeldModifiersAndLockStates() {
        std::vector<HookKeyEvent> seen;
        KeyboardHook hook([&seen](const HookKeyEvent &event) {
            seen.push_back(event);
            return event.vk == HookVk::Left;
        });
        QVERIFY(hook.install());
        m_targetLines.clear();

        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("shift+3")}));
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), std::size_t(1), 10000);
        QCOMPARE(seen[0].vk, std::uint32_t('3'));
        QCOMPARE(seen[0].modifiers, unsigned(HookShift));
        QTRY_VERIFY2_WITH_TIMEOUT(
            m_targetLines.filter(QStringLiteral("text ")).value(0).endsWith(QLatin1Char('#')),
            qPrintable(m_targetLines.join(QLatin1Char('|'))), 10000);

        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+Left")}));
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), std::size_t(2), 10000);
        QCOMPARE(seen[1].vk, HookVk::Left);
        QCOMPARE(seen[1].modifiers, unsigned(HookControl));

        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("alt+Left")}));
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), std::size_t(3), 10000);
        QCOMPARE(seen[2].modifiers, unsigned(HookAlt));

        // NumLock and CapsLock on: the keys are still taken.
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock"), QStringLiteral("Caps_Lock"),
                         QStringLiteral("Left"), QStringLiteral("Num_Lock"), QStringLiteral("Caps_Lock")}));
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), std::size_t(4), 10000);
        QCOMPARE(seen[3].vk, HookVk::Left);
        QCOMPARE(seen[3].modifiers, unsigned(HookNoModifier));

        // Ctrl with a badge key is not taken at all: the target gets it without a detour.
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("F5")}));
        const QString f5 = released(Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(m_targetLines.contains(f5), 10000);
        QCOMPARE(seen.size(), std::size_t(4));
        QVERIFY(m_targetLines.contains(pressed(Qt::Key_A)));
        QVERIFY(!m_targetLines.contains(pressed(Qt::Key_Left)));
    }
    void removedHookTakesNothing() {
        int calls = 0;
        KeyboardHook hook([&calls](const HookKeyEvent &) {
            ++calls;
            return true;
        });
        QVERIFY(hook.install());
        hook.remove();
        QVERIFY(!hook.isInstalled());
        m_targetLines.clear();
        QVERIFY(xdotool(
            {QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("x"), QStringLiteral("Escape")}));
        QTRY_VERIFY_WITH_TIMEOUT(m_targetLines.contains(released(Qt::Key_Escape)), 10000);
        QCOMPARE(calls, 0);
        QVERIFY(m_targetLines.contains(pressed(Qt::Key_Down)));
        QVERIFY(m_targetLines.contains(pressed(Qt::Key_X)));
        QVERIFY(m_targetLines.contains(pressed(Qt::Key_Escape)));
    }
    void focusGoesBackToTheSavedWindow() {
        QTRY_COMPARE_WITH_TIMEOUT(foregroundWindow(), m_targetWindow, 10000);
        const NativeWindow saved = foregroundWindow();
        auto other = std::make_unique<QWidget>();
        other->setWindowTitle(QStringLiteral("activation-other"));
        other->setGeometry(300, 500, 300, 200);
        other->show();
        QVERIFY(QTest::qWaitForWindowExposed(other.get()));
        QVERIFY(xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(other->winId())}));
        QTRY_COMPARE_WITH_TIMEOUT(foregroundWindow(), NativeWindow(other->winId()), 10000);
        // Qt reports a window inactive only after a short grace period for a new focus.
        QTRY_VERIFY_WITH_TIMEOUT(m_targetLines.contains(QStringLiteral("active 0")), 10000);

        m_targetLines.clear();
        QVERIFY(setForegroundWindow(saved));
        QTRY_COMPARE_WITH_TIMEOUT(foregroundWindow(), m_targetWindow, 10000);
        QTRY_VERIFY2_WITH_TIMEOUT(m_targetLines.contains(QStringLiteral("active 1")),
                                  qPrintable(m_targetLines.join(QLatin1Char('|'))), 10000);

        // The saved window is gone: nothing is brought forward.
        const NativeWindow gone = other->winId();
        other.reset();
        QVERIFY(!isWindowAlive(gone));
        QVERIFY(!setForegroundWindow(gone));
        QVERIFY(!isWindowAlive(0));
    }
    void coveredWindowIsNotOnTop() {
        showWindowNoActivate(m_pick.get(), false);
        QTRY_VERIFY_WITH_TIMEOUT(isOnTopAtCentre(m_pick.get()), 10000);

        QWidget cover;
        cover.setWindowTitle(QStringLiteral("activation-cover"));
        cover.setGeometry(m_pick->geometry().center().x() - 100, m_pick->geometry().center().y() - 100, 200,
                          200);
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        QTRY_VERIFY_WITH_TIMEOUT(!isOnTopAtCentre(m_pick.get()), 10000);

        // Shown again it comes back over the cover, still without the focus.
        const NativeWindow focused = foregroundWindow();
        showWindowNoActivate(m_pick.get(), false);
        QTRY_VERIFY_WITH_TIMEOUT(isOnTopAtCentre(m_pick.get()), 10000);
        QCOMPARE(foregroundWindow(), focused);

        cover.hide();
        QTRY_VERIFY_WITH_TIMEOUT(isOnTopAtCentre(m_pick.get()), 10000);
        m_pick->hide();
        QTRY_VERIFY_WITH_TIMEOUT(!isOnTopAtCentre(m_pick.get()), 10000);
    }

private:
    bool xdotool(const QStringList &args) {
        QProcess process;
        process.start(QStringLiteral("xdotool"), args);
        // The event loop must keep running: the hook's events arrive while xdotool types.
        QDeadlineTimer deadline(20000);
        while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
            QTest::qWait(10);
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
            return false;
        }
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    bool clickPick(QPoint at) {
        return xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"),
                        QString::number(m_pick->winId()), QString::number(at.x()), QString::number(at.y()),
                        QStringLiteral("click"), QStringLiteral("1")});
    }
    void readTarget() {
        m_targetOut += m_target.readAllStandardOutput();
        int end;
        while ((end = m_targetOut.indexOf('\n')) >= 0) {
            m_targetLines << QString::fromUtf8(m_targetOut.left(end));
            m_targetOut.remove(0, end + 1);
        }
    }
    bool pickAcceptsFocus() const { return e2e::acceptsFocus(QString::number(m_pick->winId())); }

    QProcess m_target;
    QByteArray m_targetOut;
    QStringList m_targetLines;
    NativeWindow m_targetWindow = 0;

    std::unique_ptr<QWidget> m_pick;
    QPushButton *m_button = nullptr;
    QLineEdit *m_search = nullptr;
    int m_buttonClicks = 0;
    bool m_passive = true;
};

QTEST_MAIN(E2eActivationTest)
#include "tst_e2e_activation.moc"
