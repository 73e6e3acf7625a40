// The key tables of the native layer: Qt keys to system hotkeys (Windows virtual keys and
// RegisterHotKey modifiers, X11 keysyms and masks; codes as WinUser.h and keysymdef.h
// give them), the server-free parts of an X11 hotkey grab, and the keys the pick window
// takes through the keyboard hook.

#include "platform/HookKeys.h"
#include "platform/HotkeyGrabLogic.h"
#include "platform/HotkeyKeyMap.h"

#include <QKeySequence>
#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(std::uint32_t)

using Masks = QList<quint16>;

namespace {
constexpr quint16 shift = 0x01, lock = 0x02, control = 0x04, mod1 = 0x08, mod2 = 0x10, mod4 = 0x40;
constexpr quint16 button1 = 0x100;
} // namespace

class KeyTablesTest : public QObject {
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
    void modifiers_data();
    void modifiers();
    void lockVariants_data();
    void lockVariants();
    void grabAllOrNone_data();
    void grabAllOrNone();
    void eventState_data();
    void eventState();
    void keyToVk_data();
    void keyToVk();
    void pickWindowGrabs_data();
    void pickWindowGrabs();
    void pickWindowGrabsHaveNoDuplicates();
    void hookGrabsCombinesEveryKeyWithEveryModifierSet();
};

namespace {
// The first combination of a sequence in portable text, as hotkeys are stored.
QKeyCombination combination(const char *text) {
    return QKeySequence::fromString(QLatin1String(text), QKeySequence::PortableText)[0];
}
} // namespace

void KeyTablesTest::keys_data() {
    QTest::addColumn<QKeyCombination>("combination");
    QTest::addColumn<uint>("virtualKey");
    QTest::addColumn<QString>("layoutCharacter"); // Windows: looked up in the layout when registered
    QTest::addColumn<uint>("keysym");
    const auto row = [](const char *name, QKeyCombination c, uint vk, uint keysym) {
        QTest::newRow(name) << c << vk << QString() << keysym;
    };
    const auto layoutRow = [](const char *name, QKeyCombination c, const QString &character, uint keysym) {
        QTest::newRow(name) << c << 0u << character << keysym;
    };

    row("letter A is 'A' and a", combination("Ctrl+A"), 0x41, 'a');
    row("digit 0 is '0'", combination("Ctrl+0"), 0x30, '0');
    row("F1 is VK_F1 and XK_F1", combination("F1"), 0x70, 0xffbe);
    row("F24 is VK_F24 and XK_F24", combination("F24"), 0x87, 0xffd5);
    row("Escape is VK_ESCAPE and XK_Escape", combination("Ctrl+Esc"), 0x1B, 0xff1b);
    row("Tab is VK_TAB and XK_Tab", combination("Ctrl+Tab"), 0x09, 0xff09);
    row("Shift+Backtab is Shift+Tab", QKeyCombination(Qt::ShiftModifier, Qt::Key_Backtab), 0x09, 0xff09);
    row("Backspace is VK_BACK and XK_BackSpace", combination("Ctrl+Backspace"), 0x08, 0xff08);
    row("Return is VK_RETURN and XK_Return", combination("Ctrl+Return"), 0x0D, 0xff0d);
    row("keypad Enter is VK_RETURN and XK_KP_Enter", combination("Ctrl+Num+Enter"), 0x0D, 0xff8d);
    row("Insert is VK_INSERT and XK_Insert", combination("Ins"), 0x2D, 0xff63);
    row("Delete is VK_DELETE and XK_Delete", combination("Ctrl+Del"), 0x2E, 0xffff);
    row("Home is VK_HOME and XK_Home", combination("Ctrl+Home"), 0x24, 0xff50);
    row("PgUp is VK_PRIOR and XK_Prior", combination("Ctrl+PgUp"), 0x21, 0xff55);
    row("Left is VK_LEFT and XK_Left", combination("Alt+Left"), 0x25, 0xff51);
    row("Space is VK_SPACE and XK_space", combination("Ctrl+Space"), 0x20, 0x20);
    row("Pause is VK_PAUSE and XK_Pause", combination("Pause"), 0x13, 0xff13);
    row("Print is VK_SNAPSHOT and XK_Print", combination("Print"), 0x2C, 0xff61);
    row("Menu is VK_APPS and XK_Menu", combination("Ctrl+Menu"), 0x5D, 0xff67);
    row("keypad 0 is VK_NUMPAD0 and XK_KP_0", combination("Ctrl+Num+0"), 0x60, 0xffb0);
    row("keypad * is VK_MULTIPLY and XK_KP_Multiply", combination("Ctrl+Num+*"), 0x6A, 0xffaa);
    row("keypad + is VK_ADD and XK_KP_Add", combination("Ctrl+Num++"), 0x6B, 0xffab);
    row("volume up is VK_VOLUME_UP and XF86AudioRaiseVolume", QKeyCombination(Qt::Key_VolumeUp), 0xAF,
        0x1008ff13);
    layoutRow("plus of the main block depends on the layout", combination("Ctrl++"), QStringLiteral("+"),
              0x2b);
    layoutRow("slash depends on the layout", combination("Ctrl+/"), QStringLiteral("/"), 0x2f);
    layoutRow("a shifted symbol is its own character", combination("Ctrl+Shift+!"), QStringLiteral("!"),
              0x21);
    layoutRow("a Latin-1 letter is its lower case", QKeyCombination(Qt::ControlModifier, Qt::Key_Adiaeresis),
              QStringLiteral("\u00e4"), 0xe4);
    layoutRow("a Cyrillic letter is its lower case, a Unicode keysym on X11",
              QKeyCombination(Qt::ControlModifier, Qt::Key(0x042F)), QStringLiteral("\u044f"), 0x0100044f);
    row("an unknown key has no code", QKeyCombination(Qt::Key_unknown), 0, 0);
    row("a bare modifier has no code", QKeyCombination(Qt::ControlModifier, Qt::Key_Control), 0, 0);
    row("F25 has no code", QKeyCombination(Qt::Key_F25), 0, 0);
    row("a launcher key has no code", QKeyCombination(Qt::Key_Launch0), 0, 0);
}

void KeyTablesTest::keys() {
    QFETCH(QKeyCombination, combination);
    QFETCH(uint, virtualKey);
    QFETCH(QString, layoutCharacter);
    QFETCH(uint, keysym);
    const WindowsHotkeyKey key = windowsHotkeyKey(combination.key(), combination.keyboardModifiers());
    QCOMPARE(key.virtualKey, virtualKey);
    QCOMPARE(key.layoutCharacter == 0 ? QString() : QString(QChar(key.layoutCharacter)), layoutCharacter);
    QCOMPARE(x11HotkeyKeysym(combination.key(), combination.keyboardModifiers()), keysym);
}

void KeyTablesTest::modifiers_data() {
    QTest::addColumn<QKeyCombination>("combination");
    QTest::addColumn<uint>("windowsBits"); // MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4, MOD_WIN 8
    QTest::addColumn<uint>("x11Mask");     // ShiftMask 0x01, ControlMask 0x04, Mod1Mask 0x08, Mod4Mask 0x40
    QTest::newRow("no modifier is none") << combination("F5") << 0u << 0u;
    QTest::newRow("Ctrl is MOD_CONTROL and ControlMask") << combination("Ctrl+A") << 0x2u << 0x04u;
    QTest::newRow("Alt is MOD_ALT and Mod1Mask") << combination("Alt+A") << 0x1u << 0x08u;
    QTest::newRow("Shift is MOD_SHIFT and ShiftMask") << combination("Shift+F12") << 0x4u << 0x01u;
    QTest::newRow("Meta is MOD_WIN and Mod4Mask (Super)") << combination("Meta+E") << 0x8u << 0x40u;
    QTest::newRow("all four together") << combination("Ctrl+Alt+Shift+Meta+X") << 0xFu << 0x4du;
    QTest::newRow("the keypad flag is no modifier") << combination("Ctrl+Num+5") << 0x2u << 0x04u;
}

void KeyTablesTest::modifiers() {
    QFETCH(QKeyCombination, combination);
    QFETCH(uint, windowsBits);
    QFETCH(uint, x11Mask);
    QCOMPARE(windowsHotkeyModifiers(combination.keyboardModifiers()), windowsBits);
    QCOMPARE(uint(x11HotkeyModifiers(combination.keyboardModifiers())), x11Mask);
}

void KeyTablesTest::lockVariants_data() {
    QTest::addColumn<quint16>("modifiers");
    QTest::addColumn<quint16>("numLock");
    QTest::addColumn<Masks>("variants");
    QTest::newRow("Ctrl+Shift with NumLock on Mod2 gives four variants")
        << quint16(control | shift) << mod2
        << Masks{quint16(control | shift), quint16(control | shift | lock), quint16(control | shift | mod2),
                 quint16(control | shift | lock | mod2)};
    QTest::newRow("no NumLock modifier gives the plain and the CapsLock variant")
        << quint16(control) << quint16(0) << Masks{control, quint16(control | lock)};
    QTest::newRow("a combination without modifiers still gets the lock variants")
        << quint16(0) << mod2 << Masks{0, lock, mod2, quint16(lock | mod2)};
}

void KeyTablesTest::lockVariants() {
    QFETCH(quint16, modifiers);
    QFETCH(quint16, numLock);
    QFETCH(Masks, variants);
    QCOMPARE(hotkeyLockVariants(modifiers, numLock), variants);
}

void KeyTablesTest::grabAllOrNone_data() {
    QTest::addColumn<Masks>("refused");
    QTest::addColumn<bool>("result");
    QTest::addColumn<Masks>("heldAfterwards");
    const Masks all{control, quint16(control | lock), quint16(control | mod2),
                    quint16(control | lock | mod2)};
    QTest::newRow("nothing refused holds every variant") << Masks{} << true << all;
    QTest::newRow("the first refused holds nothing") << Masks{control} << false << Masks{};
    QTest::newRow("the NumLock variant refused releases the two taken before")
        << Masks{quint16(control | mod2)} << false << Masks{};
    QTest::newRow("the last refused releases the other three")
        << Masks{quint16(control | lock | mod2)} << false << Masks{};
}

void KeyTablesTest::grabAllOrNone() {
    QFETCH(Masks, refused);
    QFETCH(bool, result);
    QFETCH(Masks, heldAfterwards);
    const Masks variants{control, quint16(control | lock), quint16(control | mod2),
                         quint16(control | lock | mod2)};
    Masks held;
    Masks attempted;
    const bool grabbed = ::grabAllOrNone(
        variants,
        [&](quint16 v) {
            attempted.append(v);
            if (refused.contains(v))
                return false;
            held.append(v);
            return true;
        },
        [&](quint16 v) {
            QVERIFY2(held.contains(v), "released a variant that was never taken");
            held.removeOne(v);
        });
    QCOMPARE(grabbed, result);
    QCOMPARE(held, heldAfterwards);
    // Nothing is tried after the first refusal.
    for (const quint16 v : refused)
        QCOMPARE(attempted.last(), v);
}

void KeyTablesTest::eventState_data() {
    QTest::addColumn<quint16>("state");
    QTest::addColumn<quint16>("modifiers");
    QTest::newRow("plain Ctrl+Shift matches Ctrl+Shift")
        << quint16(control | shift) << quint16(control | shift);
    QTest::newRow("NumLock on still matches") << quint16(control | shift | mod2) << quint16(control | shift);
    QTest::newRow("CapsLock on still matches") << quint16(control | shift | lock) << quint16(control | shift);
    QTest::newRow("a held mouse button still matches") << quint16(control | button1) << control;
    QTest::newRow("an extra Alt is kept and so does not match")
        << quint16(control | mod1) << quint16(control | mod1);
    QTest::newRow("Super is kept") << quint16(mod4 | mod2) << mod4;
}

void KeyTablesTest::eventState() {
    QFETCH(quint16, state);
    QFETCH(quint16, modifiers);
    QCOMPARE(hotkeyModifiersOfState(state, mod2), modifiers);
}

void KeyTablesTest::keyToVk_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<std::uint32_t>("baseKeysym");
    QTest::addColumn<std::uint32_t>("vk");
    // XKB key names and keysym values as X defines them, virtual keys as Windows does.
    QTest::newRow("Down arrow is VK_DOWN")
        << QByteArray("DOWN") << std::uint32_t(0xff54) << std::uint32_t(0x28);
    QTest::newRow("Up arrow is VK_UP") << QByteArray("UP") << std::uint32_t(0xff52) << std::uint32_t(0x26);
    QTest::newRow("Left arrow is VK_LEFT")
        << QByteArray("LEFT") << std::uint32_t(0xff51) << std::uint32_t(0x25);
    QTest::newRow("Right arrow is VK_RIGHT")
        << QByteArray("RGHT") << std::uint32_t(0xff53) << std::uint32_t(0x27);
    QTest::newRow("Home is VK_HOME") << QByteArray("HOME") << std::uint32_t(0xff50) << std::uint32_t(0x24);
    QTest::newRow("End is VK_END") << QByteArray("END") << std::uint32_t(0xff57) << std::uint32_t(0x23);
    QTest::newRow("Return is VK_RETURN")
        << QByteArray("RTRN") << std::uint32_t(0xff0d) << std::uint32_t(0x0d);
    QTest::newRow("keypad Enter is VK_RETURN as on Windows")
        << QByteArray("KPEN") << std::uint32_t(0xff8d) << std::uint32_t(0x0d);
    QTest::newRow("Escape is VK_ESCAPE") << QByteArray("ESC") << std::uint32_t(0xff1b) << std::uint32_t(0x1b);
    QTest::newRow("Tab is VK_TAB") << QByteArray("TAB") << std::uint32_t(0xff09) << std::uint32_t(0x09);
    QTest::newRow("the key left of 1 is VK_OEM_3 (us: grave)")
        << QByteArray("TLDE") << std::uint32_t(0x60) << std::uint32_t(0xc0);
    QTest::newRow("the key left of 1 is VK_OEM_3 (de: dead circumflex)")
        << QByteArray("TLDE") << std::uint32_t(0xfe52) << std::uint32_t(0xc0);
    QTest::newRow("the key left of 1 is VK_OEM_3 (fr: superscript two)")
        << QByteArray("TLDE") << std::uint32_t(0xb2) << std::uint32_t(0xc0);
    QTest::newRow("de: the plus key, where the tilde is, is nothing")
        << QByteArray("AD12") << std::uint32_t(0x2b) << std::uint32_t(0);
    QTest::newRow("fr: the key of 7 and the grave accent is '7'")
        << QByteArray("AE07") << std::uint32_t(0xe8) << std::uint32_t('7');
    QTest::newRow("fr: the key of 1 and the ampersand is '1'")
        << QByteArray("AE01") << std::uint32_t(0x26) << std::uint32_t('1');
    QTest::newRow("the tenth number-row key is '0'")
        << QByteArray("AE10") << std::uint32_t(0x30) << std::uint32_t('0');
    QTest::newRow("the minus key after it is nothing")
        << QByteArray("AE11") << std::uint32_t(0x2d) << std::uint32_t(0);
    QTest::newRow("a digit elsewhere is not a badge")
        << QByteArray("AB09") << std::uint32_t(0x31) << std::uint32_t(0);
    QTest::newRow("lower-case a is 'A'") << QByteArray("AC01") << std::uint32_t(0x61) << std::uint32_t('A');
    QTest::newRow("fr: a is on the key of the us q")
        << QByteArray("AD01") << std::uint32_t(0x61) << std::uint32_t('A');
    QTest::newRow("de: z is on the key of the us y")
        << QByteArray("AD06") << std::uint32_t(0x7a) << std::uint32_t('Z');
    QTest::newRow("F1 is not a pick window key")
        << QByteArray("FK01") << std::uint32_t(0xffbe) << std::uint32_t(0);
    QTest::newRow("keypad 1 is not a badge key")
        << QByteArray("KP1") << std::uint32_t(0xffb1) << std::uint32_t(0);
    QTest::newRow("keypad Home is not Home")
        << QByteArray("KP7") << std::uint32_t(0xff95) << std::uint32_t(0);
    QTest::newRow("Shift is not a key of its own")
        << QByteArray("LFSH") << std::uint32_t(0xffe1) << std::uint32_t(0);
    QTest::newRow("space is not taken") << QByteArray("SPCE") << std::uint32_t(0x20) << std::uint32_t(0);
    QTest::newRow("an upper-case base symbol is not a letter")
        << QByteArray("AC01") << std::uint32_t(0x41) << std::uint32_t(0);
    QTest::newRow("a key without a name or symbol is nothing")
        << QByteArray("") << std::uint32_t(0) << std::uint32_t(0);
}

void KeyTablesTest::keyToVk() {
    QFETCH(QByteArray, name);
    QFETCH(std::uint32_t, baseKeysym);
    QFETCH(std::uint32_t, vk);
    QCOMPARE(vkOfKey(std::string_view(name.constData(), std::size_t(name.size())), baseKeysym), vk);
}

void KeyTablesTest::pickWindowGrabs_data() {
    QTest::addColumn<std::uint32_t>("vk");
    QTest::addColumn<unsigned>("modifiers");
    QTest::addColumn<bool>("taken");
    QTest::newRow("plain Down is taken") << std::uint32_t(0x28) << unsigned(HookNoModifier) << true;
    QTest::newRow("Ctrl+Left is taken: it switches the group")
        << std::uint32_t(0x25) << unsigned(HookControl) << true;
    QTest::newRow("Alt+Tab is taken: Tab acts whatever is held")
        << std::uint32_t(0x09) << unsigned(HookAlt) << true;
    QTest::newRow("Ctrl+Shift+Escape is taken")
        << std::uint32_t(0x1b) << unsigned(HookControl | HookShift) << true;
    QTest::newRow("plain keypad-or-main Enter is taken")
        << std::uint32_t(0x0d) << unsigned(HookNoModifier) << true;
    QTest::newRow("the grave accent is taken") << std::uint32_t(0xc0) << unsigned(HookNoModifier) << true;
    QTest::newRow("plain 3 is taken") << std::uint32_t('3') << unsigned(HookNoModifier) << true;
    QTest::newRow("Shift+3 is taken: Shift makes no difference to badges")
        << std::uint32_t('3') << unsigned(HookShift) << true;
    QTest::newRow("Ctrl+3 is left to the application")
        << std::uint32_t('3') << unsigned(HookControl) << false;
    QTest::newRow("Alt+3 is left to the application") << std::uint32_t('3') << unsigned(HookAlt) << false;
    QTest::newRow("plain Z is taken") << std::uint32_t('Z') << unsigned(HookNoModifier) << true;
    QTest::newRow("F1 is never taken") << std::uint32_t(0x70) << unsigned(HookNoModifier) << false;
}

void KeyTablesTest::pickWindowGrabs() {
    QFETCH(std::uint32_t, vk);
    QFETCH(unsigned, modifiers);
    QFETCH(bool, taken);
    const std::vector<HookGrab> grabs = pickWindowHookGrabs();
    const bool found = std::find(grabs.begin(), grabs.end(), HookGrab{vk, modifiers}) != grabs.end();
    QCOMPARE(found, taken);
}

void KeyTablesTest::pickWindowGrabsHaveNoDuplicates() {
    std::vector<HookGrab> grabs = pickWindowHookGrabs();
    const auto before = grabs.size();
    std::sort(grabs.begin(), grabs.end(), [](const HookGrab &a, const HookGrab &b) {
        return a.vk != b.vk ? a.vk < b.vk : a.modifiers < b.modifiers;
    });
    grabs.erase(std::unique(grabs.begin(), grabs.end()), grabs.end());
    QCOMPARE(grabs.size(), before);
}

void KeyTablesTest::hookGrabsCombinesEveryKeyWithEveryModifierSet() {
    const std::vector<HookGrab> grabs = hookGrabs({'A', 'B'}, {HookNoModifier, HookShift, HookAlt});
    QCOMPARE(grabs.size(), std::size_t(6));
    for (std::uint32_t vk : {std::uint32_t('A'), std::uint32_t('B')}) {
        for (unsigned m : {unsigned(HookNoModifier), unsigned(HookShift), unsigned(HookAlt)})
            QVERIFY(std::find(grabs.begin(), grabs.end(), HookGrab{vk, m}) != grabs.end());
    }
    QVERIFY(hookGrabs({}, {HookShift}).empty());
}

QTEST_GUILESS_MAIN(KeyTablesTest)
#include "tst_keytables.moc"
