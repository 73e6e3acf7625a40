// GlobalHotkey on a real X server (run inside x-session.sh): xdotool presses keys the
// way a user does, x_grab_key plays another program that holds a combination.

#include "e2e/E2eSupport.h"
#include "e2e/KeyGrab.h"
#include "platform/GlobalHotkey.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

QKeySequence keys(const char *portableText) {
    return QKeySequence::fromString(QLatin1String(portableText), QKeySequence::PortableText);
}

bool press(const QString &combination) {
    return e2e::xdotool({QStringLiteral("key"), combination});
}

const QString numLock = QStringLiteral("numlock");
const QString capsLock = QStringLiteral("capslock");

QString lockKeysym(const QString &lock) {
    return lock == numLock ? QStringLiteral("Num_Lock") : QStringLiteral("Caps_Lock");
}

bool lockIsOn(const QString &lock) {
    return e2e::locksOn().contains(lock);
}

bool otherClientCanGrab(const QString &keysym, int modifierMask, const QStringList &locks = {}) {
    return e2e::tryKeyGrab(keysym, modifierMask, locks) == e2e::GrabAnswer::Grabbed;
}

using e2e::controlMask;
using e2e::mod1Mask;

} // namespace

class E2eGlobalHotkeyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb")); }
    void init() {
        // Refused grabs must come back as answers, never as X errors.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("XCB error")));
        m_marker = std::make_unique<GlobalHotkey>(keys("Ctrl+Alt+Shift+M"), true);
        QVERIFY(m_marker->isRegistered());
        m_markerSpy = std::make_unique<QSignalSpy>(m_marker.get(), &GlobalHotkey::activated);
    }
    void cleanup() {
        m_markerSpy.reset();
        m_marker.reset();
        for (const QString &lock : {numLock, capsLock}) {
            if (lockIsOn(lock))
                press(lockKeysym(lock));
        }
    }

    void pressingTheCombinationFires_data() {
        QTest::addColumn<QKeySequence>("sequence");
        QTest::addColumn<QString>("pressed");
        QTest::newRow("Ctrl+Shift+V fires on ctrl+shift+v")
            << keys("Ctrl+Shift+V") << QStringLiteral("ctrl+shift+v");
        QTest::newRow("a digit with Ctrl+Alt fires") << keys("Ctrl+Alt+1") << QStringLiteral("ctrl+alt+1");
        QTest::newRow("Shift+F12 fires") << keys("Shift+F12") << QStringLiteral("shift+F12");
        QTest::newRow("a lone F5 fires") << keys("F5") << QStringLiteral("F5");
        QTest::newRow("a lone Insert fires") << keys("Ins") << QStringLiteral("Insert");
        QTest::newRow("a named key with modifiers fires")
            << keys("Ctrl+Alt+Home") << QStringLiteral("ctrl+alt+Home");
        QTest::newRow("Meta is the Super key") << keys("Meta+K") << QStringLiteral("super+k");
        QTest::newRow("a keypad digit fires") << keys("Ctrl+Num+5") << QStringLiteral("ctrl+KP_5");
        QTest::newRow("punctuation fires") << keys("Ctrl+Alt+/") << QStringLiteral("ctrl+alt+slash");
        QTest::newRow("a shifted symbol fires with the key that types it")
            << keys("Ctrl+Shift+!") << QStringLiteral("ctrl+shift+1");
        QTest::newRow("only the first combination of a sequence counts")
            << keys("Ctrl+Alt+Q, Ctrl+Alt+W") << QStringLiteral("ctrl+alt+q");
    }
    void pressingTheCombinationFires() {
        QFETCH(QKeySequence, sequence);
        QFETCH(QString, pressed);
        GlobalHotkey hotkey(sequence, true);
        QVERIFY(hotkey.isRegistered());
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        QVERIFY(pressAndSettle(pressed));
        QCOMPARE(spy.count(), 1);
        QVERIFY(pressAndSettle(pressed));
        QCOMPARE(spy.count(), 2);
    }
    void firesWithLockKeysOn_data() {
        QTest::addColumn<QStringList>("locks");
        QTest::newRow("with NumLock on") << QStringList{numLock};
        QTest::newRow("with CapsLock on") << QStringList{capsLock};
        QTest::newRow("with NumLock and CapsLock on") << QStringList{numLock, capsLock};
    }
    void firesWithLockKeysOn() {
        QFETCH(QStringList, locks);
        GlobalHotkey hotkey(keys("Ctrl+Shift+V"), true);
        QVERIFY(hotkey.isRegistered());
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        for (const QString &lock : locks) {
            QVERIFY(!lockIsOn(lock));
            QVERIFY(press(lockKeysym(lock)));
            QVERIFY2(lockIsOn(lock), qPrintable(lock + QStringLiteral(" did not turn on")));
        }
        QVERIFY(pressAndSettle(QStringLiteral("ctrl+shift+v")));
        QCOMPARE(spy.count(), 1);
    }
    void otherModifiersDoNotFire() {
        GlobalHotkey hotkey(keys("Ctrl+Shift+V"), true);
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        for (const char *other : {"ctrl+v", "shift+v", "v", "ctrl+alt+shift+v", "ctrl+shift+b"})
            QVERIFY(pressAndSettle(QLatin1String(other)));
        QCOMPARE(spy.count(), 0);
    }
    void unregisteringStopsIt() {
        auto hotkey = std::make_unique<GlobalHotkey>(keys("Ctrl+Shift+V"), true);
        QSignalSpy spy(hotkey.get(), &GlobalHotkey::activated);
        QVERIFY(hotkey->setRegistered(false));
        QVERIFY(!hotkey->isRegistered());
        QVERIFY(pressAndSettle(QStringLiteral("ctrl+shift+v")));
        QCOMPARE(spy.count(), 0);

        QVERIFY(hotkey->setRegistered(true));
        QVERIFY(pressAndSettle(QStringLiteral("ctrl+shift+v")));
        QCOMPARE(spy.count(), 1);

        // Deleting releases the combination: another client can take it.
        hotkey.reset();
        QVERIFY(otherClientCanGrab(QStringLiteral("v"), controlMask | e2e::shiftMask));
    }
    void changingTheShortcutMovesTheGrab() {
        GlobalHotkey hotkey(keys("Ctrl+Alt+1"), true);
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        QVERIFY(hotkey.setShortcut(keys("Ctrl+Alt+2"), true));
        QCOMPARE(hotkey.shortcut(), keys("Ctrl+Alt+2"));
        QVERIFY(pressAndSettle(QStringLiteral("ctrl+alt+1")));
        QCOMPARE(spy.count(), 0);
        QVERIFY(pressAndSettle(QStringLiteral("ctrl+alt+2")));
        QCOMPARE(spy.count(), 1);
        QVERIFY(otherClientCanGrab(QStringLiteral("1"), controlMask | mod1Mask));
    }
    void aSecondObjectForTheSameCombinationSharesIt() {
        auto first = std::make_unique<GlobalHotkey>(keys("Ctrl+Shift+V"), true);
        GlobalHotkey second(keys("Ctrl+Shift+V"), true);
        QVERIFY(first->isRegistered());
        QVERIFY(second.isRegistered());
        QSignalSpy firstSpy(first.get(), &GlobalHotkey::activated);
        QSignalSpy secondSpy(&second, &GlobalHotkey::activated);
        QVERIFY(pressAndSettle(QStringLiteral("ctrl+shift+v")));
        QCOMPARE(firstSpy.count(), 1);
        QCOMPARE(secondSpy.count(), 1);

        // The owner that stays keeps the combination; the last one lets it go.
        first.reset();
        QVERIFY(!otherClientCanGrab(QStringLiteral("v"), controlMask | e2e::shiftMask));
        QVERIFY(pressAndSettle(QStringLiteral("ctrl+shift+v")));
        QCOMPARE(secondSpy.count(), 2);
        QVERIFY(second.setRegistered(false));
        QVERIFY(otherClientCanGrab(QStringLiteral("v"), controlMask | e2e::shiftMask));
    }
    void aHeldCombinationFiresOnceAndAgainAfterItsRelease_data() {
        QTest::addColumn<int>("holdMs");
        QTest::newRow("held 300 ms") << 300;
        QTest::newRow("held 1.2 s, past the auto-repeat delay") << 1200;
    }
    void aHeldCombinationFiresOnceAndAgainAfterItsRelease() {
        QFETCH(int, holdMs);
        GlobalHotkey hotkey(keys("Ctrl+Alt+1"), true);
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        for (int presses = 1; presses <= 2; ++presses) {
            QVERIFY(e2e::holdKeys(QStringLiteral("ctrl+alt+1"), holdMs));
            // A person's next press comes a moment later, with the program running meanwhile.
            QTest::qWait(100);
            QVERIFY(pressAndSettle(QString()));
            QCOMPARE(spy.count(), presses);
        }
    }
    void aCombinationHeldByAnotherClientIsNotRegistered() {
        auto other = std::make_unique<e2e::KeyGrab>(QStringLiteral("j"), controlMask | mod1Mask);
        QVERIFY(other->holds());
        GlobalHotkey hotkey(keys("Ctrl+Alt+J"), true);
        QVERIFY(!hotkey.isRegistered());
        QVERIFY(!hotkey.setRegistered(true));
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        QVERIFY(press(QStringLiteral("ctrl+alt+j")));
        // Other hotkeys still register and fire.
        GlobalHotkey unrelated(keys("Ctrl+Alt+K"), true);
        QVERIFY(unrelated.isRegistered());
        QSignalSpy unrelatedSpy(&unrelated, &GlobalHotkey::activated);
        QVERIFY(pressAndSettle(QStringLiteral("ctrl+alt+k")));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(unrelatedSpy.count(), 1);

        // Once the other program lets go, the hotkey can be registered after all.
        other.reset();
        QVERIFY(hotkey.setRegistered(true));
        QVERIFY(pressAndSettle(QStringLiteral("ctrl+alt+j")));
        QCOMPARE(spy.count(), 1);
    }
    void aPartlyHeldCombinationLeavesNoVariantBehind() {
        // The other client holds only the NumLock variant; the plain and the CapsLock
        // variants are taken first and must be let go again.
        e2e::KeyGrab other(QStringLiteral("j"), controlMask | mod1Mask, {numLock});
        QVERIFY(other.holds());
        GlobalHotkey hotkey(keys("Ctrl+Alt+J"), true);
        QVERIFY(!hotkey.isRegistered());
        QVERIFY(otherClientCanGrab(QStringLiteral("j"), controlMask | mod1Mask));
        QVERIFY(otherClientCanGrab(QStringLiteral("j"), controlMask | mod1Mask, {capsLock}));
    }
    void aSlotMayDeleteItsHotkey() {
        auto *hotkey = new GlobalHotkey(keys("Ctrl+Shift+V"), true);
        QVERIFY(hotkey->isRegistered());
        bool deleted = false;
        connect(hotkey, &GlobalHotkey::activated, this, [&] {
            delete hotkey;
            deleted = true;
        });
        QVERIFY(pressAndSettle(QStringLiteral("ctrl+shift+v")));
        QVERIFY(deleted);
        GlobalHotkey again(keys("Ctrl+Shift+V"), true);
        QVERIFY(again.isRegistered());
    }

private:
    // Presses the combination (if any), then the marker hotkey and waits for that. Key events arrive
    // in order, so every press sent before has been handled once the marker fired.
    bool pressAndSettle(const QString &combination) {
        const qsizetype before = m_markerSpy->count();
        if ((!combination.isEmpty() && !press(combination)) || !press(QStringLiteral("ctrl+alt+shift+m")))
            return false;
        return QTest::qWaitFor([&] { return m_markerSpy->count() > before; }, 10000);
    }

    std::unique_ptr<GlobalHotkey> m_marker;
    std::unique_ptr<QSignalSpy> m_markerSpy;
};

QTEST_MAIN(E2eGlobalHotkeyTest)
#include "tst_e2e_globalhotkey.moc"
