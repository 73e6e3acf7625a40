// The desktop's D-Bus services used under Wayland, against fakes on a private bus: the
// RemoteDesktop keyboard, the GlobalShortcuts portal, KDE's global accelerator daemon and
// the probe of which of them are there.

#include "dbus/FakeDesktopServices.h"
#include "dbus/PrivateBus.h"
#include "platform/wayland/dbus/DesktopServiceProbe.h"
#include "platform/wayland/dbus/KdeGlobalAccel.h"
#include "platform/wayland/dbus/KdeKeyboardLayout.h"
#include "platform/wayland/dbus/PortalGlobalShortcuts.h"
#include "platform/wayland/dbus/PortalKeyOutput.h"
#include "platform/wayland/dbus/PortalRemoteKeyboard.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>

using Key = PortalRemoteKeyboard::KeyEvent;
using Layout = PortalKeyOutput::Layout;

namespace {

// Ctrl+V as the output sends it: left Ctrl and V, in Windows virtual-key codes.
std::vector<KeyEvent> ctrlV() {
    return chordKeyEvents({0xA2}, 'V');
}

// What the fake portal received, one "method key state" string per key.
QStringList received(const FakePortal &portal) {
    QStringList out;
    for (const FakePortal::Key &key : portal.keys)
        out << QStringLiteral("%1 %2 %3")
                   .arg(key.method == QLatin1String("NotifyKeyboardKeysym") ? QStringLiteral("sym")
                                                                            : QStringLiteral("code"))
                   .arg(key.key)
                   .arg(key.state);
    return out;
}

} // namespace

class TestWaylandDbus : public QObject {
    Q_OBJECT

private:
    PrivateBus m_bus;
    std::optional<QDBusConnection> m_client;
    std::optional<QDBusConnection> m_desktop;
    std::unique_ptr<FakePortal> m_portal;
    std::unique_ptr<FakeGlobalAccel> m_accel;

    FakePortal &installPortal() {
        m_portal = std::make_unique<FakePortal>(*m_desktop);
        if (!m_portal->install())
            qFatal("cannot install the fake portal");
        return *m_portal;
    }
    FakeGlobalAccel &installAccel() {
        m_accel = std::make_unique<FakeGlobalAccel>(*m_desktop);
        if (!m_accel->install())
            qFatal("cannot install the fake global accelerator daemon");
        return *m_accel;
    }

private slots:
    void initTestCase() {
        const QString error = m_bus.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_client = m_bus.connect(QStringLiteral("client"));
        m_desktop = m_bus.connect(QStringLiteral("desktop"));
        QVERIFY2(m_client->isConnected(), qPrintable(m_client->lastError().message()));
        QVERIFY2(m_desktop->isConnected(), qPrintable(m_desktop->lastError().message()));
    }

    void cleanup() {
        if (m_portal)
            m_portal->uninstall();
        if (m_accel)
            m_accel->uninstall();
        // Let queued answers of the finished test reach nobody before the next one starts.
        QTest::qWait(20);
        m_portal.reset();
        m_accel.reset();
    }

    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
    }

    // --- RemoteDesktop keyboard ---

    void grantedKeyboardSendsKeysInOrder() {
        FakePortal &portal = installPortal();
        PortalRemoteKeyboard keyboard(*m_client);
        QSignalSpy ready(&keyboard, &PortalRemoteKeyboard::ready);
        QSignalSpy refused(&keyboard, &PortalRemoteKeyboard::refused);
        keyboard.start();
        QVERIFY(ready.wait(5000));
        QCOMPARE(ready.at(0).at(0).toString(), QStringLiteral("restore-1"));
        QCOMPARE(refused.count(), 0);
        QCOMPARE(portal.calls, (QStringList{QStringLiteral("CreateSession"), QStringLiteral("SelectDevices"),
                                            QStringLiteral("Start")}));
        QCOMPARE(portal.selectDevicesOptions.value(QStringLiteral("types")).toUInt(), 1u);
        QCOMPARE(portal.selectDevicesOptions.value(QStringLiteral("persist_mode")).toUInt(), 2u);
        QVERIFY(!portal.selectDevicesOptions.contains(QStringLiteral("restore_token")));
        QCOMPARE(keyboard.state(), PortalRemoteKeyboard::State::Ready);

        // Ctrl+V as keysyms, then Return as an evdev code (28).
        const QList<Key> keys{{Key::Keysym, 0xffe3, true}, {Key::Keysym, 'v', true},
                              {Key::Keysym, 'v', false},   {Key::Keysym, 0xffe3, false},
                              {Key::Keycode, 28, true},    {Key::Keycode, 28, false}};
        QVERIFY(keyboard.sendKeys(keys));
        QTRY_COMPARE(portal.keys.size(), keys.size());
        for (int i = 0; i < keys.size(); ++i) {
            QCOMPARE(portal.keys.at(i).method, keys.at(i).kind == Key::Keysym
                                                   ? QStringLiteral("NotifyKeyboardKeysym")
                                                   : QStringLiteral("NotifyKeyboardKeycode"));
            QCOMPARE(portal.keys.at(i).key, int(keys.at(i).key));
            QCOMPARE(portal.keys.at(i).state, keys.at(i).pressed ? 1u : 0u);
        }

        keyboard.stop();
        QTRY_COMPARE(portal.closedSessions.size(), 1);
        QVERIFY(!keyboard.sendKeys(keys));
    }

    void restoreTokenIsReusedOnTheNextStart() {
        FakePortal &portal = installPortal();
        QString token;
        {
            PortalRemoteKeyboard first(*m_client);
            QSignalSpy ready(&first, &PortalRemoteKeyboard::ready);
            first.start();
            QVERIFY(ready.wait(5000));
            token = ready.at(0).at(0).toString();
        }
        QCOMPARE(token, QStringLiteral("restore-1"));

        portal.tokenToIssue = QStringLiteral("restore-2");
        PortalRemoteKeyboard second(*m_client);
        QSignalSpy ready(&second, &PortalRemoteKeyboard::ready);
        second.start(token);
        QVERIFY(ready.wait(5000));
        QCOMPARE(portal.selectDevicesOptions.value(QStringLiteral("restore_token")).toString(),
                 QStringLiteral("restore-1"));
        QCOMPARE(portal.selectDevicesOptions.value(QStringLiteral("persist_mode")).toUInt(), 2u);
        QCOMPARE(ready.at(0).at(0).toString(), QStringLiteral("restore-2"));
    }

    void versionOnePortalAsksEveryRun() {
        FakePortal &portal = installPortal();
        portal.remoteDesktopVersion = 1;
        PortalRemoteKeyboard keyboard(*m_client);
        QSignalSpy ready(&keyboard, &PortalRemoteKeyboard::ready);
        keyboard.start(QStringLiteral("restore-old"));
        QVERIFY(ready.wait(5000));
        QCOMPARE(keyboard.portalVersion(), 1u);
        QVERIFY(!portal.selectDevicesOptions.contains(QStringLiteral("persist_mode")));
        QVERIFY(!portal.selectDevicesOptions.contains(QStringLiteral("restore_token")));
        QCOMPARE(ready.at(0).at(0).toString(), QString());
    }

    void refusedKeyboard_data() {
        QTest::addColumn<uint>("createAnswer");
        QTest::addColumn<uint>("selectAnswer");
        QTest::addColumn<uint>("startAnswer");
        QTest::addColumn<uint>("devices");
        QTest::addColumn<int>("sessionsClosed");
        QTest::newRow("a cancelled consent dialog is refused") << 0u << 0u << 1u << 1u << 1;
        QTest::newRow("a start the desktop ends otherwise is refused") << 0u << 0u << 2u << 1u << 1;
        QTest::newRow("a device choice the desktop ends is refused") << 0u << 1u << 0u << 1u << 1;
        QTest::newRow("a session the desktop will not create is refused") << 2u << 0u << 0u << 1u << 0;
        QTest::newRow("a consent without the keyboard is refused") << 0u << 0u << 0u << 2u << 1;
    }
    void refusedKeyboard() {
        QFETCH(uint, createAnswer);
        QFETCH(uint, selectAnswer);
        QFETCH(uint, startAnswer);
        QFETCH(uint, devices);
        QFETCH(int, sessionsClosed);
        FakePortal &portal = installPortal();
        portal.createSessionAnswer = createAnswer;
        portal.selectDevicesAnswer = selectAnswer;
        portal.startAnswer = startAnswer;
        portal.grantedDevices = devices;
        PortalRemoteKeyboard keyboard(*m_client);
        QSignalSpy ready(&keyboard, &PortalRemoteKeyboard::ready);
        QSignalSpy refused(&keyboard, &PortalRemoteKeyboard::refused);
        keyboard.start();
        QVERIFY(refused.wait(5000));
        QVERIFY(!refused.at(0).at(0).toString().isEmpty());
        QTest::qWait(50);
        QCOMPARE(ready.count(), 0);
        QCOMPARE(refused.count(), 1);
        QCOMPARE(keyboard.state(), PortalRemoteKeyboard::State::Failed);
        QVERIFY(!keyboard.sendKeys({{Key::Keysym, 'a', true}, {Key::Keysym, 'a', false}}));
        // A session the desktop opened is not left behind.
        QTRY_COMPARE(portal.closedSessions.size(), sessionsClosed);
        QTest::qWait(50);
        QCOMPARE(portal.keys.size(), 0);
    }

    void keyboardWithoutPortal_data() {
        QTest::addColumn<bool>("portalRuns");
        QTest::addColumn<uint>("deviceTypes");
        QTest::newRow("no portal at all: unavailable") << false << 0u;
        QTest::newRow("a portal without RemoteDesktop: unavailable") << true << 0u;
        QTest::newRow("a RemoteDesktop without a keyboard: unavailable") << true << 2u;
    }
    void keyboardWithoutPortal() {
        QFETCH(bool, portalRuns);
        QFETCH(uint, deviceTypes);
        if (portalRuns) {
            FakePortal &portal = installPortal();
            portal.remoteDesktopVersion = deviceTypes ? 2 : 0;
            portal.availableDeviceTypes = deviceTypes;
        }
        PortalRemoteKeyboard keyboard(*m_client);
        QSignalSpy unavailable(&keyboard, &PortalRemoteKeyboard::unavailable);
        QSignalSpy refused(&keyboard, &PortalRemoteKeyboard::refused);
        keyboard.start();
        QVERIFY(unavailable.wait(6000));
        QCOMPARE(refused.count(), 0);
        if (m_portal)
            QCOMPARE(m_portal->calls, QStringList());
    }

    void sessionClosedByTheDesktopStopsTheKeys() {
        FakePortal &portal = installPortal();
        PortalRemoteKeyboard keyboard(*m_client);
        QSignalSpy ready(&keyboard, &PortalRemoteKeyboard::ready);
        QSignalSpy closed(&keyboard, &PortalRemoteKeyboard::closed);
        keyboard.start();
        QVERIFY(ready.wait(5000));
        portal.closeSessionFromDesktop(portal.lastSession());
        QVERIFY(closed.wait(5000));
        QVERIFY(!keyboard.sendKeys({{Key::Keysym, 'a', true}}));
    }

    void keysTheDesktopRejectsCloseTheKeyboard() {
        FakePortal &portal = installPortal();
        PortalRemoteKeyboard keyboard(*m_client);
        QSignalSpy ready(&keyboard, &PortalRemoteKeyboard::ready);
        QSignalSpy closed(&keyboard, &PortalRemoteKeyboard::closed);
        keyboard.start();
        QVERIFY(ready.wait(5000));
        // The desktop forgets the session without telling: the keys come back as errors.
        portal.sessions.clear();
        QVERIFY(keyboard.sendKeys({{Key::Keysym, 'a', true}, {Key::Keysym, 'a', false}}));
        QVERIFY(closed.wait(5000));
        QCOMPARE(closed.size(), 1);
        QCOMPARE(keyboard.state(), PortalRemoteKeyboard::State::Failed);
        QVERIFY(!keyboard.sendKeys({{Key::Keysym, 'b', true}}));
    }

    // --- GlobalShortcuts portal ---

    void shortcutsAreBoundAndActivated() {
        FakePortal &portal = installPortal();
        PortalGlobalShortcuts shortcuts(*m_client);
        QSignalSpy bound(&shortcuts, &PortalGlobalShortcuts::bound);
        QSignalSpy activated(&shortcuts, &PortalGlobalShortcuts::activated);
        shortcuts.setShortcuts(
            {{QStringLiteral("toggle"), QStringLiteral("Show the phrases"), QStringLiteral("CTRL+SHIFT+v")},
             {QStringLiteral("phrase-7"), QStringLiteral("Input a phrase"), QString()}});
        QVERIFY(bound.wait(5000));
        QCOMPARE(portal.calls,
                 (QStringList{QStringLiteral("CreateSession"), QStringLiteral("BindShortcuts")}));
        QCOMPARE(portal.binds.size(), 1);
        const PortalShortcutWireList sent = portal.binds.at(0);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(0).id, QStringLiteral("toggle"));
        QCOMPARE(sent.at(0).properties.value(QStringLiteral("preferred_trigger")).toString(),
                 QStringLiteral("CTRL+SHIFT+v"));
        QCOMPARE(sent.at(0).properties.value(QStringLiteral("description")).toString(),
                 QStringLiteral("Show the phrases"));
        QVERIFY(!sent.at(1).properties.contains(QStringLiteral("preferred_trigger")));
        const auto triggers = bound.at(0).at(0).value<QMap<QString, QString>>();
        QCOMPARE(triggers.value(QStringLiteral("toggle")), QStringLiteral("Press CTRL+SHIFT+v"));
        QVERIFY(shortcuts.isBound());

        portal.activate(portal.lastSession(), QStringLiteral("phrase-7"));
        portal.activate(portal.lastSession(), QStringLiteral("toggle"));
        QTRY_COMPARE(activated.size(), 2);
        QCOMPARE(activated.at(0).at(0).toString(), QStringLiteral("phrase-7"));
        QCOMPARE(activated.at(1).at(0).toString(), QStringLiteral("toggle"));

        // Another program's session and ids we never bound are not ours.
        portal.activate(PortalNames::objectPath() + QStringLiteral("/session/other/s1"),
                        QStringLiteral("toggle"));
        portal.activate(portal.lastSession(), QStringLiteral("unknown"));
        QTest::qWait(100);
        QCOMPARE(activated.size(), 2);
    }

    void changedShortcutsAreBoundAgain() {
        FakePortal &portal = installPortal();
        PortalGlobalShortcuts shortcuts(*m_client);
        QSignalSpy bound(&shortcuts, &PortalGlobalShortcuts::bound);
        QSignalSpy activated(&shortcuts, &PortalGlobalShortcuts::activated);
        const QList<PortalGlobalShortcuts::Shortcut> first{
            {QStringLiteral("toggle"), QStringLiteral("Show"), QStringLiteral("CTRL+SHIFT+v")}};
        shortcuts.setShortcuts(first);
        QVERIFY(bound.wait(5000));
        const QString firstSession = portal.lastSession();

        shortcuts.setShortcuts(first);
        QTest::qWait(100);
        QCOMPARE(portal.binds.size(), 1);

        const QList<PortalGlobalShortcuts::Shortcut> second{
            {QStringLiteral("toggle"), QStringLiteral("Show"), QStringLiteral("CTRL+ALT+p")},
            {QStringLiteral("phrase-1"), QStringLiteral("Input"), QStringLiteral("LOGO+1")}};
        shortcuts.setShortcuts(second);
        QVERIFY(bound.wait(5000));
        QCOMPARE(portal.binds.size(), 2);
        QCOMPARE(portal.binds.at(1).size(), 2);
        QCOMPARE(portal.binds.at(1).at(0).properties.value(QStringLiteral("preferred_trigger")).toString(),
                 QStringLiteral("CTRL+ALT+p"));
        QVERIFY(portal.closedSessions.contains(firstSession));
        QVERIFY(portal.lastSession() != firstSession);

        portal.activate(firstSession, QStringLiteral("toggle"));
        portal.activate(portal.lastSession(), QStringLiteral("phrase-1"));
        QTRY_COMPARE(activated.size(), 1);
        QCOMPARE(activated.at(0).at(0).toString(), QStringLiteral("phrase-1"));
    }

    void shortcutsRefusedOrUnavailable_data() {
        QTest::addColumn<uint>("version");
        QTest::addColumn<uint>("bindAnswer");
        QTest::addColumn<bool>("expectUnavailable");
        QTest::newRow("a cancelled bind dialog is refused") << 1u << 1u << false;
        QTest::newRow("a bind the desktop ends otherwise is refused") << 1u << 2u << false;
        QTest::newRow("a portal without GlobalShortcuts is unavailable") << 0u << 0u << true;
    }
    void shortcutsRefusedOrUnavailable() {
        QFETCH(uint, version);
        QFETCH(uint, bindAnswer);
        QFETCH(bool, expectUnavailable);
        FakePortal &portal = installPortal();
        portal.globalShortcutsVersion = version;
        portal.bindAnswer = bindAnswer;
        PortalGlobalShortcuts shortcuts(*m_client);
        QSignalSpy bound(&shortcuts, &PortalGlobalShortcuts::bound);
        QSignalSpy refused(&shortcuts, &PortalGlobalShortcuts::refused);
        QSignalSpy unavailable(&shortcuts, &PortalGlobalShortcuts::unavailable);
        shortcuts.setShortcuts({{QStringLiteral("toggle"), QStringLiteral("Show"), QString()}});
        QTRY_COMPARE(refused.size() + unavailable.size(), 1);
        QCOMPARE(unavailable.size(), expectUnavailable ? 1 : 0);
        QCOMPARE(bound.size(), 0);
        QVERIFY(!shortcuts.isBound());
        if (!expectUnavailable)
            QTRY_COMPARE(portal.closedSessions.size(), 1);
    }

    void triggerSyntax_data() {
        QTest::addColumn<int>("combination");
        QTest::addColumn<QString>("trigger");
        QTest::newRow("Ctrl+Shift+V is CTRL+SHIFT+v")
            << (Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_V).toCombined()
            << QStringLiteral("CTRL+SHIFT+v");
        QTest::newRow("Meta+Alt+Y is ALT+LOGO+y")
            << (Qt::MetaModifier | Qt::AltModifier | Qt::Key_Y).toCombined() << QStringLiteral("ALT+LOGO+y");
        QTest::newRow("Ctrl+F12 keeps the function key's name")
            << (Qt::ControlModifier | Qt::Key_F12).toCombined() << QStringLiteral("CTRL+F12");
        QTest::newRow("Alt+Space names the space bar")
            << (Qt::AltModifier | Qt::Key_Space).toCombined() << QStringLiteral("ALT+space");
        QTest::newRow("Ctrl+7 is a digit")
            << (Qt::ControlModifier | Qt::Key_7).toCombined() << QStringLiteral("CTRL+7");
        QTest::newRow("Ctrl+PgUp names the page key")
            << (Qt::ControlModifier | Qt::Key_PageUp).toCombined() << QStringLiteral("CTRL+Page_Up");
        QTest::newRow("Ctrl+comma names the punctuation")
            << (Qt::ControlModifier | Qt::Key_Comma).toCombined() << QStringLiteral("CTRL+comma");
        QTest::newRow("a key without a keysym name gives nothing")
            << (Qt::ControlModifier | Qt::Key_unknown).toCombined() << QString();
    }
    void triggerSyntax() {
        QFETCH(int, combination);
        QFETCH(QString, trigger);
        QCOMPARE(PortalGlobalShortcuts::triggerFor(QKeyCombination::fromCombined(combination)), trigger);
    }

    // --- KDE global accelerator daemon ---

    void kdeCombinationRegistersPressesAndUnregisters_data() {
        QTest::addColumn<bool>("oldDaemon");
        QTest::newRow("a current daemon takes key sequences") << false;
        QTest::newRow("an older daemon takes single keys") << true;
    }
    void kdeCombinationRegistersPressesAndUnregisters() {
        QFETCH(bool, oldDaemon);
        FakeGlobalAccel &daemon = installAccel();
        daemon.oldDaemon = oldDaemon;
        const int ctrlShiftV = (Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_V).toCombined();
        const int metaAltY = (Qt::MetaModifier | Qt::AltModifier | Qt::Key_Y).toCombined();
        KdeGlobalAccel accel(QStringLiteral("verbolin"), QStringLiteral("Verbolin"), *m_client);
        QSignalSpy registered(&accel, &KdeGlobalAccel::registered);
        QSignalSpy activated(&accel, &KdeGlobalAccel::activated);
        accel.registerCombination(QStringLiteral("Ctrl+Shift+V"), QKeyCombination::fromCombined(ctrlShiftV),
                                  QStringLiteral("Show the phrases"));
        accel.registerCombination(QStringLiteral("Meta+Alt+Y"), QKeyCombination::fromCombined(metaAltY));
        QTRY_COMPARE(registered.size(), 2);
        QCOMPARE(registered.at(0), (QVariantList{QStringLiteral("Ctrl+Shift+V"), true}));
        QCOMPARE(registered.at(1), (QVariantList{QStringLiteral("Meta+Alt+Y"), true}));
        QCOMPARE(daemon.registeredActions.value(0),
                 (QStringList{QStringLiteral("verbolin"), QStringLiteral("Ctrl+Shift+V"),
                              QStringLiteral("Verbolin"), QStringLiteral("Show the phrases")}));
        QCOMPARE(daemon.keysByAction.value(QStringLiteral("Ctrl+Shift+V")), ctrlShiftV);
        QCOMPARE(daemon.keysByAction.value(QStringLiteral("Meta+Alt+Y")), metaAltY);

        // The component's signal reaches us once the daemon told where the component is.
        QTest::qWait(50);
        daemon.press(QStringLiteral("verbolin"), QStringLiteral("Meta+Alt+Y"));
        daemon.press(QStringLiteral("other"), QStringLiteral("Ctrl+Shift+V"));
        QVERIFY(activated.wait(5000));
        QCOMPARE(activated.at(0).at(0).toString(), QStringLiteral("Meta+Alt+Y"));

        accel.unregisterCombination(QStringLiteral("Meta+Alt+Y"));
        QTRY_COMPARE(daemon.unregistered, QStringList{QStringLiteral("Meta+Alt+Y")});
        QCOMPARE(accel.combinations(), QStringList{QStringLiteral("Ctrl+Shift+V")});
        daemon.press(QStringLiteral("verbolin"), QStringLiteral("Meta+Alt+Y"));
        daemon.press(QStringLiteral("verbolin"), QStringLiteral("Ctrl+Shift+V"));
        QTRY_COMPARE(activated.size(), 2);
        QCOMPARE(activated.at(1).at(0).toString(), QStringLiteral("Ctrl+Shift+V"));
    }

    void kdeCombinationHeldElsewhereIsNotRegistered() {
        FakeGlobalAccel &daemon = installAccel();
        const int ctrlAltT = (Qt::ControlModifier | Qt::AltModifier | Qt::Key_T).toCombined();
        daemon.takenKeys << ctrlAltT;
        KdeGlobalAccel accel(QStringLiteral("verbolin"), QStringLiteral("Verbolin"), *m_client);
        QSignalSpy registered(&accel, &KdeGlobalAccel::registered);
        accel.registerCombination(QStringLiteral("Ctrl+Alt+T"), QKeyCombination::fromCombined(ctrlAltT));
        QVERIFY(registered.wait(5000));
        QCOMPARE(registered.at(0), (QVariantList{QStringLiteral("Ctrl+Alt+T"), false}));
        QCOMPARE(accel.combinations(), QStringList());
        QTRY_COMPARE(daemon.unregistered, QStringList{QStringLiteral("Ctrl+Alt+T")});
    }

    void kdeCombinationsGoWithTheObject() {
        FakeGlobalAccel &daemon = installAccel();
        {
            KdeGlobalAccel accel(QStringLiteral("verbolin"), QStringLiteral("Verbolin"), *m_client);
            QSignalSpy registered(&accel, &KdeGlobalAccel::registered);
            accel.registerCombination(QStringLiteral("Ctrl+1"), Qt::ControlModifier | Qt::Key_1);
            QVERIFY(registered.wait(5000));
        }
        QTRY_COMPARE(daemon.unregistered, QStringList{QStringLiteral("Ctrl+1")});
    }

    // --- KDE's keyboard layout in use ---

    void kdeLayoutInUseIsAskedThenFollowed() {
        FakeKeyboardLayouts layouts(*m_desktop);
        layouts.layout = 2;
        QVERIFY(layouts.install());
        KdeKeyboardLayout layout(*m_client);
        QSignalSpy changed(&layout, &KdeKeyboardLayout::changed);
        QVERIFY(changed.wait(5000));
        QCOMPARE(layout.current(), 2u);
        layouts.switchTo(1);
        QTRY_COMPARE(layout.current(), 1u);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(1).at(0).toUInt(), 1u);
        layouts.uninstall();
    }

    void kdeLayoutWithoutTheServiceIsTheFirst() {
        KdeKeyboardLayout layout(*m_client);
        QSignalSpy changed(&layout, &KdeKeyboardLayout::changed);
        QVERIFY(!changed.wait(300));
        QCOMPARE(layout.current(), 0u);
    }

    // --- Probe ---

    // --- Phrase output's keys through the portal keyboard ---

    void portalEventsFollowTheLayout_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QStringList>("expected");
        const QStringList asKeysyms{QStringLiteral("code 29 1"), QStringLiteral("sym 118 1"),
                                    QStringLiteral("sym 118 0"), QStringLiteral("code 29 0")};
        const QStringList asKeycodes{QStringLiteral("code 29 1"), QStringLiteral("code 47 1"),
                                     QStringLiteral("code 47 0"), QStringLiteral("code 29 0")};
        QTest::newRow("an unknown layout gets V as a keysym") << int(Layout::Unknown) << asKeysyms;
        QTest::newRow("a layout with V in every group gets it as a keysym")
            << int(Layout::Carried) << asKeysyms;
        QTest::newRow("a layout lacking V somewhere gets the key of V on a US keyboard")
            << int(Layout::Missing) << asKeycodes;
    }
    void portalEventsFollowTheLayout() {
        QFETCH(int, layout);
        QFETCH(QStringList, expected);
        const auto events = PortalKeyOutput::portalEvents(
            ctrlV(), [layout](quint32 keysym) { return keysym == 'v' ? Layout(layout) : Layout::Carried; });
        QStringList got;
        for (const Key &key : events)
            got << QStringLiteral("%1 %2 %3")
                       .arg(key.kind == Key::Keysym ? QStringLiteral("sym") : QStringLiteral("code"))
                       .arg(key.key)
                       .arg(key.pressed ? 1 : 0);
        QCOMPARE(got, expected);
    }

    void namedKeysGoAsKeyCodesOnAnyLayout_data() {
        QTest::addColumn<int>("virtualKey");
        QTest::addColumn<int>("keycode");
        QTest::newRow("Enter is key 28") << 0x0D << 28;
        QTest::newRow("Esc is key 1") << 0x1B << 1;
        QTest::newRow("Down is key 108") << 0x28 << 108;
        QTest::newRow("F12 is key 88") << 0x7B << 88;
        QTest::newRow("F13 is key 183") << 0x7C << 183;
        QTest::newRow("right Alt is key 100") << 0xA5 << 100;
        QTest::newRow("left Windows is key 125") << 0x5B << 125;
    }
    void namedKeysGoAsKeyCodesOnAnyLayout() {
        QFETCH(int, virtualKey);
        QFETCH(int, keycode);
        const auto events = PortalKeyOutput::portalEvents({keyEvent(quint16(virtualKey), false)},
                                                          [](quint32) { return Layout::Carried; });
        QCOMPARE(events.size(), 1);
        QCOMPARE(events.at(0).kind, Key::Keycode);
        QCOMPARE(int(events.at(0).key), keycode);
    }

    void keysAskedForBeforeTheConsentWaitForIt() {
        FakePortal &portal = installPortal();
        portal.startDelayMs = 300;
        PortalKeyOutput output(*m_client);
        QSignalSpy ready(&output, &PortalKeyOutput::ready);
        QSignalSpy dropped(&output, &PortalKeyOutput::keysDropped);
        output.start(QString());
        QTRY_COMPARE(portal.calls.size(), 3); // the Start request is out, its answer not yet
        QCOMPARE(output.send(ctrlV()), PortalKeyOutput::Sent::Waiting);
        QCOMPARE(output.send({keyEvent(0x0D, false), keyEvent(0x0D, true)}), PortalKeyOutput::Sent::Waiting);
        QCOMPARE(portal.keys.size(), 0);
        QVERIFY(ready.wait(5000));
        QTRY_COMPARE(portal.keys.size(), 6);
        QCOMPARE(received(portal), (QStringList{QStringLiteral("code 29 1"), QStringLiteral("sym 118 1"),
                                                QStringLiteral("sym 118 0"), QStringLiteral("code 29 0"),
                                                QStringLiteral("code 28 1"), QStringLiteral("code 28 0")}));
        QCOMPARE(dropped.count(), 0);
        QCOMPARE(output.waitingEvents(), 0);
    }

    void keysWaitingTooLongAreDroppedNotSentLate() {
        FakePortal &portal = installPortal();
        portal.startDelayMs = PortalKeyOutput::pendingLimitMs + 700;
        PortalKeyOutput output(*m_client);
        QSignalSpy ready(&output, &PortalKeyOutput::ready);
        QSignalSpy dropped(&output, &PortalKeyOutput::keysDropped);
        output.start(QString());
        QTRY_COMPARE(portal.calls.size(), 3);
        QCOMPARE(output.send(ctrlV()), PortalKeyOutput::Sent::Waiting);
        QVERIFY(dropped.wait(PortalKeyOutput::pendingLimitMs + 500));
        QCOMPARE(dropped.at(0).at(0).toInt(), 4);
        QCOMPARE(output.waitingEvents(), 0);
        QVERIFY(ready.wait(5000));
        QTest::qWait(100);
        QCOMPARE(portal.keys.size(), 0);
        // Once ready, keys go at once.
        QCOMPARE(output.send(ctrlV()), PortalKeyOutput::Sent::Now);
        QTRY_COMPARE(portal.keys.size(), 4);
    }

    void tooManyWaitingKeysAreDroppedTogether() {
        FakePortal &portal = installPortal();
        portal.startDelayMs = 300;
        PortalKeyOutput output(*m_client);
        QSignalSpy ready(&output, &PortalKeyOutput::ready);
        QSignalSpy dropped(&output, &PortalKeyOutput::keysDropped);
        output.start(QString());
        QTRY_COMPARE(portal.calls.size(), 3);
        int sent = 0;
        while (sent + 4 <= PortalKeyOutput::pendingEventLimit) {
            QCOMPARE(output.send(ctrlV()), PortalKeyOutput::Sent::Waiting);
            sent += 4;
        }
        QCOMPARE(output.send(ctrlV()), PortalKeyOutput::Sent::Dropped);
        QCOMPARE(dropped.count(), 1);
        QCOMPARE(dropped.at(0).at(0).toInt(), sent + 4);
        QVERIFY(ready.wait(5000));
        QTest::qWait(100);
        QCOMPARE(portal.keys.size(), 0);
    }

    void refusedConsentDropsWaitingKeysAndSaysSo() {
        FakePortal &portal = installPortal();
        portal.startAnswer = 1;
        portal.startDelayMs = 200;
        PortalKeyOutput output(*m_client);
        QStringList told;
        DesktopKeyboardHooks hooks;
        hooks.unusable = [&told](const QString &reason) { told << reason; };
        QSignalSpy dropped(&output, &PortalKeyOutput::keysDropped);
        startWithHooks(&output, hooks);
        QTRY_COMPARE(portal.calls.size(), 3);
        QCOMPARE(output.send(ctrlV()), PortalKeyOutput::Sent::Waiting);
        QTRY_COMPARE(told.size(), 1);
        QCOMPARE(output.state(), PortalKeyOutput::State::Unusable);
        QCOMPARE(dropped.count(), 1);
        QCOMPARE(output.send(ctrlV()), PortalKeyOutput::Sent::Dropped);
        QTest::qWait(50);
        QCOMPARE(portal.keys.size(), 0);
        QCOMPARE(told.size(), 1);
    }

    void keptTokenIsHandedBackAndTheNewOneKept() {
        FakePortal &portal = installPortal();
        QString kept;
        DesktopKeyboardHooks hooks;
        hooks.keepToken = [&kept](const QString &token) { kept = token; };
        {
            PortalKeyOutput first(*m_client);
            startWithHooks(&first, hooks);
            QTRY_COMPARE(kept, QStringLiteral("restore-1"));
            QVERIFY(!portal.selectDevicesOptions.contains(QStringLiteral("restore_token")));
        }
        portal.tokenToIssue = QStringLiteral("restore-2");
        hooks.restoreToken = kept;
        PortalKeyOutput second(*m_client);
        startWithHooks(&second, hooks);
        QTRY_COMPARE(kept, QStringLiteral("restore-2"));
        QCOMPARE(portal.selectDevicesOptions.value(QStringLiteral("restore_token")).toString(),
                 QStringLiteral("restore-1"));
    }

    void heldKeysAreReleasedBeforeOutput() {
        FakePortal &portal = installPortal();
        PortalKeyOutput output(*m_client);
        QSignalSpy ready(&output, &PortalKeyOutput::ready);
        output.start(QString());
        QVERIFY(ready.wait(5000));
        output.send({keyEvent(0xA0, false)}); // left Shift down, never up
        output.releaseHeldKeys();
        output.releaseHeldKeys(); // nothing held any more: nothing sent
        QTRY_COMPARE(portal.keys.size(), 2);
        QTest::qWait(50);
        QCOMPARE(received(portal), (QStringList{QStringLiteral("code 42 1"), QStringLiteral("code 42 0")}));
    }

    void probeTellsWhatTheBusOffers_data() {
        QTest::addColumn<bool>("portal");
        QTest::addColumn<bool>("hung");
        QTest::addColumn<bool>("kde");
        QTest::addColumn<uint>("remoteDesktop");
        QTest::addColumn<uint>("globalShortcuts");
        QTest::newRow("a bus without any of them offers none") << false << false << false << 0u << 0u;
        QTest::newRow("a portal that never answers counts as none") << true << true << false << 0u << 0u;
        QTest::newRow("portal and daemon are both found") << true << false << true << 2u << 1u;
        QTest::newRow("the daemon alone is found") << false << false << true << 0u << 0u;
    }
    void probeTellsWhatTheBusOffers() {
        QFETCH(bool, portal);
        QFETCH(bool, hung);
        QFETCH(bool, kde);
        QFETCH(uint, remoteDesktop);
        QFETCH(uint, globalShortcuts);
        if (portal)
            installPortal().hang = hung;
        if (kde)
            installAccel();
        const int timeoutMs = 400;
        std::optional<DesktopServices> found;
        int answers = 0;
        QObject context;
        QElapsedTimer clock;
        clock.start();
        probeDesktopServices(*m_client, timeoutMs, &context, [&](const DesktopServices &services) {
            found = services;
            ++answers;
        });
        QTRY_VERIFY_WITH_TIMEOUT(found.has_value(), 5000);
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed < timeoutMs + 1000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
        QCOMPARE(found->kdeGlobalAccel, kde);
        QCOMPARE(found->remoteDesktopVersion, remoteDesktop);
        QCOMPARE(found->globalShortcutsVersion, globalShortcuts);
        QCOMPARE(found->hasRemoteKeyboard(), remoteDesktop > 0);
        QCOMPARE(found->none(), !kde && remoteDesktop == 0 && globalShortcuts == 0);
        QTest::qWait(timeoutMs + 200);
        QCOMPARE(answers, 1);
    }
};

QTEST_GUILESS_MAIN(TestWaylandDbus)
#include "tst_waylanddbus.moc"
