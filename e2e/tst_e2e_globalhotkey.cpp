// GlobalHotkey on a real X server (run inside x-session.sh): xdotool presses keys the
// way a user does, x_grab_key plays another program that holds a combination.

#include "platform/GlobalHotkey.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

QKeySequence keys(const char *portableText) {
    return QKeySequence::fromString(QLatin1String(portableText), QKeySequence::PortableText);
}

bool press(const QString &combination) {
    return QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), combination}) == 0;
}

int runHelper(const QStringList &arguments, QByteArray *output = nullptr) {
    QProcess helper;
    helper.start(QStringLiteral(VERBOLIN_X_GRAB_KEY), arguments);
    if (!helper.waitForFinished(10000))
        return -1;
    if (output != nullptr)
        *output = helper.readAllStandardOutput();
    return helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
}

const QString numLock = QStringLiteral("numlock");
const QString capsLock = QStringLiteral("capslock");

QString lockKeysym(const QString &lock) {
    return lock == numLock ? QStringLiteral("Num_Lock") : QStringLiteral("Caps_Lock");
}

// Whether a lock ("numlock", "capslock") is on, as the X server's modifier state says.
bool lockIsOn(const QString &lock) {
    QByteArray output;
    runHelper({QStringLiteral("locks")}, &output);
    return QString::fromLatin1(output).simplified().split(QLatin1Char(' ')).contains(lock);
}

// Another X client holding a combination until it is stopped.
class ForeignGrab {
public:
    ForeignGrab(const QString &keysym, int modifierMask, const QStringList &locks) {
        m_process.start(QStringLiteral(VERBOLIN_X_GRAB_KEY),
                        QStringList{keysym, QString::number(modifierMask)} + locks +
                            QStringList{QStringLiteral("hold")});
        m_process.waitForReadyRead(10000);
        m_answer = QString::fromLatin1(m_process.readLine()).trimmed();
    }
    ~ForeignGrab() {
        m_process.closeWriteChannel();
        m_process.waitForFinished(10000);
    }
    bool holds() const { return m_answer == QLatin1String("grabbed"); }

private:
    QProcess m_process;
    QString m_answer;
};

// Whether another X client could grab the combination right now.
bool otherClientCanGrab(const QString &keysym, int modifierMask, const QStringList &locks) {
    return QProcess::execute(QStringLiteral(VERBOLIN_X_GRAB_KEY),
                             QStringList{keysym, QString::number(modifierMask)} + locks +
                                 QStringList{QStringLiteral("probe")}) == 0;
}

constexpr int controlMask = 0x04, mod1Mask = 0x08;

} // namespace

class GlobalHotkeyX11Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pressingTheCombinationFires_data();
    void pressingTheCombinationFires();
    void firesWithLockKeysOn_data();
    void firesWithLockKeysOn();
    void otherModifiersDoNotFire();
    void unregisteringStopsIt();
    void changingTheShortcutMovesTheGrab();
    void aSecondObjectForTheSameCombinationIsRefused();
    void aCombinationHeldByAnotherClientIsNotRegistered();
    void aPartlyHeldCombinationLeavesNoVariantBehind();
    void aSlotMayDeleteItsHotkey();

private:
    // Presses the marker hotkey and waits for it. Key events arrive in order, so every
    // press sent before has been handled once the marker fired.
    bool settle();

    std::unique_ptr<GlobalHotkey> m_marker;
    std::unique_ptr<QSignalSpy> m_markerSpy;
};

void GlobalHotkeyX11Test::initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
}

void GlobalHotkeyX11Test::init() {
    // Refused grabs must come back as answers, never as X errors.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("XCB error")));
    m_marker = std::make_unique<GlobalHotkey>(keys("Ctrl+Alt+Shift+M"), true);
    QVERIFY(m_marker->isRegistered());
    m_markerSpy = std::make_unique<QSignalSpy>(m_marker.get(), &GlobalHotkey::activated);
}

void GlobalHotkeyX11Test::cleanup() {
    m_markerSpy.reset();
    m_marker.reset();
    for (const QString &lock : {numLock, capsLock}) {
        if (lockIsOn(lock))
            press(lockKeysym(lock));
    }
}

bool GlobalHotkeyX11Test::settle() {
    const qsizetype before = m_markerSpy->count();
    if (!press(QStringLiteral("ctrl+alt+shift+m")))
        return false;
    return QTest::qWaitFor([&] { return m_markerSpy->count() > before; }, 10000);
}

void GlobalHotkeyX11Test::pressingTheCombinationFires_data() {
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

void GlobalHotkeyX11Test::pressingTheCombinationFires() {
    QFETCH(QKeySequence, sequence);
    QFETCH(QString, pressed);
    GlobalHotkey hotkey(sequence, true);
    QVERIFY(hotkey.isRegistered());
    QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
    QVERIFY(press(pressed));
    QVERIFY(settle());
    QCOMPARE(spy.count(), 1);
    QVERIFY(press(pressed));
    QVERIFY(settle());
    QCOMPARE(spy.count(), 2);
}

void GlobalHotkeyX11Test::firesWithLockKeysOn_data() {
    QTest::addColumn<QStringList>("locks");
    QTest::newRow("with NumLock on") << QStringList{numLock};
    QTest::newRow("with CapsLock on") << QStringList{capsLock};
    QTest::newRow("with NumLock and CapsLock on") << QStringList{numLock, capsLock};
}

void GlobalHotkeyX11Test::firesWithLockKeysOn() {
    QFETCH(QStringList, locks);
    GlobalHotkey hotkey(keys("Ctrl+Shift+V"), true);
    QVERIFY(hotkey.isRegistered());
    QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
    for (const QString &lock : locks) {
        QVERIFY(!lockIsOn(lock));
        QVERIFY(press(lockKeysym(lock)));
        QVERIFY2(lockIsOn(lock), qPrintable(lock + QStringLiteral(" did not turn on")));
    }
    QVERIFY(press(QStringLiteral("ctrl+shift+v")));
    QVERIFY(settle());
    QCOMPARE(spy.count(), 1);
}

void GlobalHotkeyX11Test::otherModifiersDoNotFire() {
    GlobalHotkey hotkey(keys("Ctrl+Shift+V"), true);
    QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
    for (const char *other : {"ctrl+v", "shift+v", "v", "ctrl+alt+shift+v", "ctrl+shift+b"})
        QVERIFY(press(QLatin1String(other)));
    QVERIFY(settle());
    QCOMPARE(spy.count(), 0);
}

void GlobalHotkeyX11Test::unregisteringStopsIt() {
    auto hotkey = std::make_unique<GlobalHotkey>(keys("Ctrl+Shift+V"), true);
    QSignalSpy spy(hotkey.get(), &GlobalHotkey::activated);
    QVERIFY(hotkey->setRegistered(false));
    QVERIFY(!hotkey->isRegistered());
    QVERIFY(press(QStringLiteral("ctrl+shift+v")));
    QVERIFY(settle());
    QCOMPARE(spy.count(), 0);

    QVERIFY(hotkey->setRegistered(true));
    QVERIFY(press(QStringLiteral("ctrl+shift+v")));
    QVERIFY(settle());
    QCOMPARE(spy.count(), 1);

    // Deleting releases the combination: another client can take it.
    hotkey.reset();
    QVERIFY(otherClientCanGrab(QStringLiteral("v"), controlMask | 0x01, {}));
}

void GlobalHotkeyX11Test::changingTheShortcutMovesTheGrab() {
    GlobalHotkey hotkey(keys("Ctrl+Alt+1"), true);
    QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
    QVERIFY(hotkey.setShortcut(keys("Ctrl+Alt+2"), true));
    QCOMPARE(hotkey.shortcut(), keys("Ctrl+Alt+2"));
    QVERIFY(press(QStringLiteral("ctrl+alt+1")));
    QVERIFY(settle());
    QCOMPARE(spy.count(), 0);
    QVERIFY(press(QStringLiteral("ctrl+alt+2")));
    QVERIFY(settle());
    QCOMPARE(spy.count(), 1);
    QVERIFY(otherClientCanGrab(QStringLiteral("1"), controlMask | mod1Mask, {}));
}

void GlobalHotkeyX11Test::aSecondObjectForTheSameCombinationIsRefused() {
    auto first = std::make_unique<GlobalHotkey>(keys("Ctrl+Shift+V"), true);
    GlobalHotkey second(keys("Ctrl+Shift+V"), true);
    QVERIFY(first->isRegistered());
    QVERIFY(!second.isRegistered());
    QSignalSpy firstSpy(first.get(), &GlobalHotkey::activated);
    QSignalSpy secondSpy(&second, &GlobalHotkey::activated);
    QVERIFY(press(QStringLiteral("ctrl+shift+v")));
    QVERIFY(settle());
    QCOMPARE(firstSpy.count(), 1);
    QCOMPARE(secondSpy.count(), 0);

    first.reset();
    QVERIFY(second.setRegistered(true));
    QVERIFY(press(QStringLiteral("ctrl+shift+v")));
    QVERIFY(settle());
    QCOMPARE(secondSpy.count(), 1);
}

void GlobalHotkeyX11Test::aCombinationHeldByAnotherClientIsNotRegistered() {
    auto other = std::make_unique<ForeignGrab>(QStringLiteral("j"), controlMask | mod1Mask, QStringList{});
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
    QVERIFY(press(QStringLiteral("ctrl+alt+k")));
    QVERIFY(settle());
    QCOMPARE(spy.count(), 0);
    QCOMPARE(unrelatedSpy.count(), 1);

    // Once the other program lets go, the hotkey can be registered after all.
    other.reset();
    QVERIFY(hotkey.setRegistered(true));
    QVERIFY(press(QStringLiteral("ctrl+alt+j")));
    QVERIFY(settle());
    QCOMPARE(spy.count(), 1);
}

void GlobalHotkeyX11Test::aPartlyHeldCombinationLeavesNoVariantBehind() {
    // The other client holds only the NumLock variant; the plain and the CapsLock
    // variants are taken first and must be let go again.
    ForeignGrab other(QStringLiteral("j"), controlMask | mod1Mask, {QStringLiteral("numlock")});
    QVERIFY(other.holds());
    GlobalHotkey hotkey(keys("Ctrl+Alt+J"), true);
    QVERIFY(!hotkey.isRegistered());
    QVERIFY(otherClientCanGrab(QStringLiteral("j"), controlMask | mod1Mask, {}));
    QVERIFY(otherClientCanGrab(QStringLiteral("j"), controlMask | mod1Mask, {QStringLiteral("capslock")}));
}

void GlobalHotkeyX11Test::aSlotMayDeleteItsHotkey() {
    auto *hotkey = new GlobalHotkey(keys("Ctrl+Shift+V"), true);
    QVERIFY(hotkey->isRegistered());
    bool deleted = false;
    connect(hotkey, &GlobalHotkey::activated, this, [&] {
        delete hotkey;
        deleted = true;
    });
    QVERIFY(press(QStringLiteral("ctrl+shift+v")));
    QVERIFY(settle());
    QVERIFY(deleted);
    GlobalHotkey again(keys("Ctrl+Shift+V"), true);
    QVERIFY(again.isRegistered());
}

QTEST_MAIN(GlobalHotkeyX11Test)
#include "tst_e2e_globalhotkey.moc"
