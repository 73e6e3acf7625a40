// Global hotkeys through the desktop portal's GlobalShortcuts interface, where the desktop
// has no KDE global accelerator daemon: a fake portal on a private bus that stands in for
// the session bus.

#include "dbus/FakeDesktopServices.h"
#include "dbus/PrivateBus.h"
#include "platform/GlobalHotkey.h"
#include "platform/HotkeyRefusal.h"
#include "platform/wayland/PortalHotkeys.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <functional>

class TestPortalHotkeys : public QObject {
    Q_OBJECT

private:
    PrivateBus m_bus;
    QThread m_portalThread;
    QObject *m_portalContext = nullptr;
    FakePortal *m_portal = nullptr;

    // Runs f on the portal's thread, where its D-Bus calls are answered, and waits for it.
    void onPortal(const std::function<void()> &f) {
        QMetaObject::invokeMethod(m_portalContext, f, Qt::BlockingQueuedConnection);
    }
    int bindCount() {
        int n = 0;
        onPortal([&] { n = int(m_portal->binds.size()); });
        return n;
    }
    // The ids and preferred triggers of the last set bound.
    QStringList lastBind() {
        QStringList shown;
        onPortal([&] {
            if (m_portal->binds.isEmpty())
                return;
            for (const PortalShortcutWire &s : m_portal->binds.last())
                shown << s.id + QLatin1Char('=') +
                             s.properties.value(QStringLiteral("preferred_trigger")).toString();
        });
        return shown;
    }

private slots:
    void initTestCase() {
        const QString error = m_bus.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        // The portal answers on a thread of its own: the backend's first question waits for
        // it without running this thread's event loop, as it waits for the real one.
        m_portalThread.start();
        m_portalContext = new QObject;
        m_portalContext->moveToThread(&m_portalThread);
        bool installed = false;
        onPortal([&] {
            m_portal = new FakePortal(m_bus.connect(QStringLiteral("portal")));
            m_portal->remoteDesktopVersion = 0;
            installed = m_portal->install();
        });
        QVERIFY(installed);
    }

    void cleanupTestCase() {
        onPortal([&] {
            m_portal->uninstall();
            delete m_portal;
            delete m_portalContext;
        });
        m_portalThread.quit();
        m_portalThread.wait();
    }

    // Hotkeys grabbed together are bound in one request (the desktop may show a dialog for
    // each); a press reaches every owner of its combination and no other; a release binds the
    // rest again, and the last one closes the session.
    void hotkeysAreBoundTogetherPressedAndReleased() {
        QVERIFY(portalhotkeys::available());
        const QKeyCombination ctrlShiftV = Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_V;
        const QKeyCombination ctrlAltQ = Qt::ControlModifier | Qt::AltModifier | Qt::Key_Q;
        GlobalHotkey main(QKeySequence(), false), phrase(QKeySequence(), false), same(QKeySequence(), false);
        QSignalSpy mainActivated(&main, &GlobalHotkey::activated);
        QSignalSpy phraseActivated(&phrase, &GlobalHotkey::activated);
        QSignalSpy sameActivated(&same, &GlobalHotkey::activated);
        QVERIFY(portalhotkeys::grab(&main, ctrlShiftV));
        QVERIFY(portalhotkeys::grab(&phrase, ctrlAltQ));
        QVERIFY(portalhotkeys::grab(&same, ctrlAltQ));
        QTRY_COMPARE(bindCount(), 1);
        QTest::qWait(100);
        QCOMPARE(bindCount(), 1);
        QCOMPARE(lastBind(), QStringList({QStringLiteral("Ctrl+Alt+Q=CTRL+ALT+q"),
                                          QStringLiteral("Ctrl+Shift+V=CTRL+SHIFT+v")}));

        QString session;
        onPortal([&] { session = m_portal->lastSession(); });
        QVERIFY(!session.isEmpty());
        onPortal([&] { m_portal->activate(session, QStringLiteral("Ctrl+Alt+Q")); });
        QTRY_COMPARE(phraseActivated.size(), 1);
        QTRY_COMPARE(sameActivated.size(), 1);
        QCOMPARE(mainActivated.size(), 0);

        portalhotkeys::release(&phrase);
        QTest::qWait(100);
        QCOMPARE(bindCount(), 1); // another owner still holds Ctrl+Alt+Q
        portalhotkeys::release(&same);
        QTRY_COMPARE(bindCount(), 2);
        QCOMPARE(lastBind(), QStringList{QStringLiteral("Ctrl+Shift+V=CTRL+SHIFT+v")});

        portalhotkeys::release(&main);
        QStringList closed;
        QTRY_VERIFY((onPortal([&] { closed = m_portal->closedSessions; }), !closed.isEmpty()));
        QCOMPARE(bindCount(), 2);
    }

    // The desktop may ask the user before it binds: a refusal, which comes after grab() said
    // yes, reaches the handler set from above (the program tells the user what to do).
    void aRefusalReachesTheHandler() {
        QStringList refusals;
        setHotkeyRefusalHandler([&refusals](const QString &reason) { refusals << reason; });
        onPortal([&] { m_portal->bindAnswer = 1; });
        GlobalHotkey owner(QKeySequence(), false);
        const int bindsBefore = bindCount();
        QVERIFY(portalhotkeys::grab(&owner, Qt::ControlModifier | Qt::AltModifier | Qt::Key_R));
        QTRY_COMPARE(bindCount(), bindsBefore + 1);
        QTRY_COMPARE(refusals.size(), 1);
        QVERIFY(!refusals.first().isEmpty());
        portalhotkeys::release(&owner);
        onPortal([&] { m_portal->bindAnswer = 0; });
        setHotkeyRefusalHandler(nullptr);
    }

    // A combination the portal's trigger syntax cannot say is not taken.
    void combinationWithoutATriggerIsRefused() {
        GlobalHotkey owner(QKeySequence(), false);
        QVERIFY(!portalhotkeys::canMap(QKeyCombination(Qt::Key_unknown)));
        QVERIFY(!portalhotkeys::grab(&owner, QKeyCombination(Qt::ControlModifier, Qt::Key_unknown)));
    }
};

QTEST_GUILESS_MAIN(TestPortalHotkeys)
#include "tst_portalhotkeys.moc"
