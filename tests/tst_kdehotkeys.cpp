// Global hotkeys in a KDE Plasma Wayland session: registered with the desktop's global
// accelerator daemon, a fake one on a private bus that stands in for the session bus.

#include "dbus/FakeDesktopServices.h"
#include "dbus/PrivateBus.h"
#include "platform/GlobalHotkey.h"
#include "platform/wayland/KdeGlobalAccelHotkeys.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <functional>
#include <memory>

class TestKdeHotkeys : public QObject {
    Q_OBJECT

private:
    PrivateBus m_bus;
    QThread m_daemonThread;
    QObject *m_daemonContext = nullptr;
    FakeGlobalAccel *m_daemon = nullptr;

    // Runs f on the daemon's thread, where its D-Bus calls are answered, and waits for it.
    void onDaemon(const std::function<void()> &f) {
        QMetaObject::invokeMethod(m_daemonContext, f, Qt::BlockingQueuedConnection);
    }

private slots:
    void initTestCase() {
        const QString error = m_bus.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // The backend speaks to the session bus: this one, before anything connects to it.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        // The daemon answers on a thread of its own: the backend waits for it without
        // running this thread's event loop, as it waits for the real one.
        m_daemonThread.start();
        m_daemonContext = new QObject;
        m_daemonContext->moveToThread(&m_daemonThread);
        bool installed = false;
        onDaemon([&] {
            m_daemon = new FakeGlobalAccel(m_bus.connect(QStringLiteral("daemon")));
            installed = m_daemon->install();
        });
        QVERIFY(installed);
    }

    void cleanupTestCase() {
        onDaemon([&] {
            m_daemon->uninstall();
            delete m_daemon;
            delete m_daemonContext;
        });
        m_daemonThread.quit();
        m_daemonThread.wait();
    }

    // --- Global hotkeys through the desktop's global accelerator daemon ---

    void daemonOnTheBusIsFound() { QVERIFY(kdeglobalaccelhotkeys::available()); }

    void combinationIsRegisteredPressedAndReleased() {
        const QKeyCombination ctrlShiftV = Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_V;
        GlobalHotkey owner(QKeySequence(), false);
        QSignalSpy activated(&owner, &GlobalHotkey::activated);
        QVERIFY(kdeglobalaccelhotkeys::grab(&owner, ctrlShiftV));
        int keys = 0;
        onDaemon([&] { keys = m_daemon->keysByAction.value(QStringLiteral("Ctrl+Shift+V")); });
        QCOMPARE(keys, ctrlShiftV.toCombined());

        // The press reaches the owner once the daemon told where our component is.
        QTest::qWait(100);
        onDaemon([&] { m_daemon->press(QStringLiteral("verbolin"), QStringLiteral("Ctrl+Shift+V")); });
        QVERIFY(activated.wait(5000));
        // Another program's action of the same name is not ours.
        onDaemon([&] { m_daemon->press(QStringLiteral("other"), QStringLiteral("Ctrl+Shift+V")); });
        QTest::qWait(100);
        QCOMPARE(activated.size(), 1);

        kdeglobalaccelhotkeys::release(&owner);
        QStringList unregistered;
        QTRY_VERIFY((onDaemon([&] { unregistered = m_daemon->unregistered; }),
                     unregistered.contains(QStringLiteral("Ctrl+Shift+V"))));
        onDaemon([&] { m_daemon->press(QStringLiteral("verbolin"), QStringLiteral("Ctrl+Shift+V")); });
        QTest::qWait(100);
        QCOMPARE(activated.size(), 1);
    }

    void sharedCombinationFiresEveryOwnerAndLastsWhileOneHoldsIt() {
        const QKeyCombination ctrlAltQ = Qt::ControlModifier | Qt::AltModifier | Qt::Key_Q;
        GlobalHotkey first(QKeySequence(), false), second(QKeySequence(), false);
        QSignalSpy firstActivated(&first, &GlobalHotkey::activated);
        QSignalSpy secondActivated(&second, &GlobalHotkey::activated);
        QVERIFY(kdeglobalaccelhotkeys::grab(&first, ctrlAltQ));
        QVERIFY(kdeglobalaccelhotkeys::grab(&second, ctrlAltQ));
        QTest::qWait(100);
        onDaemon([&] { m_daemon->press(QStringLiteral("verbolin"), QStringLiteral("Ctrl+Alt+Q")); });
        QTRY_COMPARE(firstActivated.size(), 1);
        QTRY_COMPARE(secondActivated.size(), 1);

        kdeglobalaccelhotkeys::release(&first);
        QTest::qWait(100);
        QStringList unregistered;
        onDaemon([&] { unregistered = m_daemon->unregistered; });
        QVERIFY(!unregistered.contains(QStringLiteral("Ctrl+Alt+Q")));
        onDaemon([&] { m_daemon->press(QStringLiteral("verbolin"), QStringLiteral("Ctrl+Alt+Q")); });
        QTRY_COMPARE(secondActivated.size(), 2);
        QCOMPARE(firstActivated.size(), 1);
        kdeglobalaccelhotkeys::release(&second);
        QTRY_VERIFY((onDaemon([&] { unregistered = m_daemon->unregistered; }),
                     unregistered.contains(QStringLiteral("Ctrl+Alt+Q"))));
    }

    // The program's own synthetic presses of a registered combination (a terminal's paste
    // chord that is the hotkey itself) pass: the registration is let go first, at once, and
    // taken again afterwards; presses of other combinations let nothing go.
    void ownKeysLetTheirCombinationsGoUntilResumed() {
        const QKeyCombination ctrlShiftV = Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_V;
        GlobalHotkey owner(QKeySequence(), false);
        QVERIFY(kdeglobalaccelhotkeys::grab(&owner, ctrlShiftV));
        const auto registeredKeys = [&] {
            int keys = 0;
            onDaemon([&] { keys = m_daemon->keysByAction.value(QStringLiteral("Ctrl+Shift+V")); });
            return keys;
        };
        QCOMPARE(registeredKeys(), ctrlShiftV.toCombined());
        const std::uint16_t v = 0x56;
        const unsigned control = KeyPressCombination::Control, shift = KeyPressCombination::Shift;
        for (const KeyPressCombination &other :
             {KeyPressCombination{v, control}, KeyPressCombination{0x41, control | shift},
              KeyPressCombination{v, control | shift | KeyPressCombination::Alt}})
            QVERIFY(kdeglobalaccelhotkeys::suspend({other}).isEmpty());

        onDaemon([&] { m_daemon->unregistered.clear(); });
        const QStringList suspended = kdeglobalaccelhotkeys::suspend(
            {KeyPressCombination{v, control}, KeyPressCombination{v, control | shift}});
        QCOMPARE(suspended, QStringList{QStringLiteral("Ctrl+Shift+V")});
        QStringList unregistered; // already done when suspend returns
        onDaemon([&] { unregistered = m_daemon->unregistered; });
        QCOMPARE(unregistered, QStringList{QStringLiteral("Ctrl+Shift+V")});

        onDaemon([&] { m_daemon->keysByAction.remove(QStringLiteral("Ctrl+Shift+V")); });
        kdeglobalaccelhotkeys::resume(suspended);
        QCOMPARE(registeredKeys(), ctrlShiftV.toCombined());
        QSignalSpy activated(&owner, &GlobalHotkey::activated);
        QTest::qWait(100);
        onDaemon([&] { m_daemon->press(QStringLiteral("verbolin"), QStringLiteral("Ctrl+Shift+V")); });
        QVERIFY(activated.wait(5000));
        kdeglobalaccelhotkeys::release(&owner);
    }

    void combinationAnotherProgramHoldsIsRefusedAtOnce() {
        const QKeyCombination ctrlAltT = Qt::ControlModifier | Qt::AltModifier | Qt::Key_T;
        onDaemon([&] { m_daemon->takenKeys << ctrlAltT.toCombined(); });
        GlobalHotkey owner(QKeySequence(), false);
        QVERIFY(!kdeglobalaccelhotkeys::grab(&owner, ctrlAltT));
        QStringList unregistered;
        QTRY_VERIFY((onDaemon([&] { unregistered = m_daemon->unregistered; }),
                     unregistered.contains(QStringLiteral("Ctrl+Alt+T"))));
        // Nothing of it is left to release.
        kdeglobalaccelhotkeys::release(&owner);
    }

    void olderDaemonTakesSingleKeys() {
        onDaemon([&] { m_daemon->oldDaemon = true; });
        const QKeyCombination metaAltY = Qt::MetaModifier | Qt::AltModifier | Qt::Key_Y;
        GlobalHotkey owner(QKeySequence(), false);
        const bool grabbed = kdeglobalaccelhotkeys::grab(&owner, metaAltY);
        onDaemon([&] { m_daemon->oldDaemon = false; });
        QVERIFY(grabbed);
        int keys = 0;
        onDaemon([&] { keys = m_daemon->keysByAction.value(QStringLiteral("Meta+Alt+Y")); });
        QCOMPARE(keys, metaAltY.toCombined());
        kdeglobalaccelhotkeys::release(&owner);
    }

    // Last: the backend then refuses every grab for a while.
    void hungDaemonHoldsTheStartUpOnlyOnce() {
        onDaemon([&] { m_daemon->silent = true; });
        GlobalHotkey first(QKeySequence(), false), second(QKeySequence(), false);
        qsizetype asked = 0, askedAgain = 0;
        onDaemon([&] { asked = m_daemon->registeredActions.size(); });
        QVERIFY(!kdeglobalaccelhotkeys::grab(&first, Qt::ControlModifier | Qt::Key_1));
        onDaemon([&] { askedAgain = m_daemon->registeredActions.size(); });
        QCOMPARE(askedAgain, asked + 1);
        // The next grab does not ask (and wait) again.
        QVERIFY(!kdeglobalaccelhotkeys::grab(&second, Qt::ControlModifier | Qt::Key_2));
        QTest::qWait(100);
        onDaemon([&] { askedAgain = m_daemon->registeredActions.size(); });
        QCOMPARE(askedAgain, asked + 1);
        onDaemon([&] { m_daemon->silent = false; });
    }
};

QTEST_MAIN(TestKdeHotkeys)
#include "tst_kdehotkeys.moc"
