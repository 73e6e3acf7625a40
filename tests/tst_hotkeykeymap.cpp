// Qt keys to system hotkeys: the Windows virtual keys and RegisterHotKey modifiers, the
// X11 keysyms and modifier masks. Expected codes are those of WinUser.h and keysymdef.h.

#include "platform/HotkeyKeyMap.h"

#include <QKeySequence>
#include <QTest>

class HotkeyKeyMapTest : public QObject {
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
    void modifiers_data();
    void modifiers();
};

namespace {
// The first combination of a sequence in portable text, as hotkeys are stored.
QKeyCombination combination(const char *text) {
    return QKeySequence::fromString(QLatin1String(text), QKeySequence::PortableText)[0];
}
} // namespace

void HotkeyKeyMapTest::keys_data() {
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
    row("letter Z is 'Z' and z", combination("Ctrl+Shift+Z"), 0x5A, 'z');
    row("digit 0 is '0'", combination("Ctrl+0"), 0x30, '0');
    row("digit 9 is '9'", combination("Alt+9"), 0x39, '9');
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
    row("End is VK_END and XK_End", combination("Ctrl+End"), 0x23, 0xff57);
    row("PgUp is VK_PRIOR and XK_Prior", combination("Ctrl+PgUp"), 0x21, 0xff55);
    row("PgDown is VK_NEXT and XK_Next", combination("Ctrl+PgDown"), 0x22, 0xff56);
    row("Left is VK_LEFT and XK_Left", combination("Alt+Left"), 0x25, 0xff51);
    row("Down is VK_DOWN and XK_Down", combination("Alt+Down"), 0x28, 0xff54);
    row("Space is VK_SPACE and XK_space", combination("Ctrl+Space"), 0x20, 0x20);
    row("Pause is VK_PAUSE and XK_Pause", combination("Pause"), 0x13, 0xff13);
    row("Print is VK_SNAPSHOT and XK_Print", combination("Print"), 0x2C, 0xff61);
    row("Menu is VK_APPS and XK_Menu", combination("Ctrl+Menu"), 0x5D, 0xff67);
    row("keypad 0 is VK_NUMPAD0 and XK_KP_0", combination("Ctrl+Num+0"), 0x60, 0xffb0);
    row("keypad 7 is VK_NUMPAD7 and XK_KP_7", combination("Num+7"), 0x67, 0xffb7);
    row("keypad * is VK_MULTIPLY and XK_KP_Multiply", combination("Ctrl+Num+*"), 0x6A, 0xffaa);
    row("keypad + is VK_ADD and XK_KP_Add", combination("Ctrl+Num++"), 0x6B, 0xffab);
    row("keypad - is VK_SUBTRACT and XK_KP_Subtract", combination("Ctrl+Num+-"), 0x6D, 0xffad);
    row("keypad / is VK_DIVIDE and XK_KP_Divide", combination("Ctrl+Num+/"), 0x6F, 0xffaf);
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

void HotkeyKeyMapTest::keys() {
    QFETCH(QKeyCombination, combination);
    QFETCH(uint, virtualKey);
    QFETCH(QString, layoutCharacter);
    QFETCH(uint, keysym);
    const WindowsHotkeyKey key = windowsHotkeyKey(combination.key(), combination.keyboardModifiers());
    QCOMPARE(key.virtualKey, virtualKey);
    QCOMPARE(key.layoutCharacter == 0 ? QString() : QString(QChar(key.layoutCharacter)), layoutCharacter);
    QCOMPARE(x11HotkeyKeysym(combination.key(), combination.keyboardModifiers()), keysym);
}

void HotkeyKeyMapTest::modifiers_data() {
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

void HotkeyKeyMapTest::modifiers() {
    QFETCH(QKeyCombination, combination);
    QFETCH(uint, windowsBits);
    QFETCH(uint, x11Mask);
    QCOMPARE(windowsHotkeyModifiers(combination.keyboardModifiers()), windowsBits);
    QCOMPARE(uint(x11HotkeyModifiers(combination.keyboardModifiers())), x11Mask);
}

QTEST_GUILESS_MAIN(HotkeyKeyMapTest)
#include "tst_hotkeykeymap.moc"
