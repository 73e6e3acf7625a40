// Qt keys to system hotkeys: the Windows virtual keys and RegisterHotKey modifiers, the
// X11 keysyms and modifier masks. Expected codes are those of WinUser.h and keysymdef.h.

#include "platform/HotkeyKeyMap.h"

#include <QKeySequence>
#include <QTest>

class HotkeyKeyMapTest : public QObject {
    Q_OBJECT
private slots:
    void windowsVirtualKeys_data();
    void windowsVirtualKeys();
    void windowsModifiers_data();
    void windowsModifiers();
    void x11Keysyms_data();
    void x11Keysyms();
    void x11Modifiers_data();
    void x11Modifiers();
};

namespace {
// The first combination of a sequence in portable text, as hotkeys are stored.
QKeyCombination combination(const char *text) {
    return QKeySequence::fromString(QLatin1String(text), QKeySequence::PortableText)[0];
}
} // namespace

void HotkeyKeyMapTest::windowsVirtualKeys_data() {
    QTest::addColumn<QKeyCombination>("combination");
    QTest::addColumn<uint>("virtualKey");
    QTest::addColumn<QString>("layoutCharacter");

    QTest::newRow("letter A is virtual key 'A'") << combination("Ctrl+A") << 0x41u << QString();
    QTest::newRow("letter Z is virtual key 'Z'") << combination("Ctrl+Z") << 0x5Au << QString();
    QTest::newRow("digit 0 is virtual key '0'") << combination("Ctrl+0") << 0x30u << QString();
    QTest::newRow("digit 9 is virtual key '9'") << combination("Alt+9") << 0x39u << QString();
    QTest::newRow("F1 is VK_F1") << combination("F1") << 0x70u << QString();
    QTest::newRow("F12 is VK_F12") << combination("Shift+F12") << 0x7Bu << QString();
    QTest::newRow("F24 is VK_F24") << combination("F24") << 0x87u << QString();
    QTest::newRow("Escape is VK_ESCAPE") << combination("Ctrl+Esc") << 0x1Bu << QString();
    QTest::newRow("Tab is VK_TAB") << combination("Ctrl+Tab") << 0x09u << QString();
    QTest::newRow("Shift+Backtab is Shift+VK_TAB")
        << QKeyCombination(Qt::ShiftModifier, Qt::Key_Backtab) << 0x09u << QString();
    QTest::newRow("Backspace is VK_BACK") << combination("Ctrl+Backspace") << 0x08u << QString();
    QTest::newRow("Return is VK_RETURN") << combination("Ctrl+Return") << 0x0Du << QString();
    QTest::newRow("keypad Enter is VK_RETURN too") << combination("Ctrl+Num+Enter") << 0x0Du << QString();
    QTest::newRow("Insert is VK_INSERT") << combination("Ins") << 0x2Du << QString();
    QTest::newRow("Delete is VK_DELETE") << combination("Ctrl+Del") << 0x2Eu << QString();
    QTest::newRow("Home is VK_HOME") << combination("Ctrl+Home") << 0x24u << QString();
    QTest::newRow("End is VK_END") << combination("Ctrl+End") << 0x23u << QString();
    QTest::newRow("PgUp is VK_PRIOR") << combination("Ctrl+PgUp") << 0x21u << QString();
    QTest::newRow("PgDown is VK_NEXT") << combination("Ctrl+PgDown") << 0x22u << QString();
    QTest::newRow("Left is VK_LEFT") << combination("Alt+Left") << 0x25u << QString();
    QTest::newRow("Down is VK_DOWN") << combination("Alt+Down") << 0x28u << QString();
    QTest::newRow("Space is VK_SPACE") << combination("Ctrl+Space") << 0x20u << QString();
    QTest::newRow("Pause is VK_PAUSE") << combination("Pause") << 0x13u << QString();
    QTest::newRow("Print is VK_SNAPSHOT") << combination("Print") << 0x2Cu << QString();
    QTest::newRow("keypad 0 is VK_NUMPAD0") << combination("Ctrl+Num+0") << 0x60u << QString();
    QTest::newRow("keypad 7 is VK_NUMPAD7") << combination("Num+7") << 0x67u << QString();
    QTest::newRow("keypad * is VK_MULTIPLY") << combination("Ctrl+Num+*") << 0x6Au << QString();
    QTest::newRow("keypad + is VK_ADD") << combination("Ctrl+Num++") << 0x6Bu << QString();
    QTest::newRow("keypad - is VK_SUBTRACT") << combination("Ctrl+Num+-") << 0x6Du << QString();
    QTest::newRow("keypad / is VK_DIVIDE") << combination("Ctrl+Num+/") << 0x6Fu << QString();
    QTest::newRow("volume up is VK_VOLUME_UP") << QKeyCombination(Qt::Key_VolumeUp) << 0xAFu << QString();
    QTest::newRow("plus of the main block depends on the layout")
        << combination("Ctrl++") << 0u << QStringLiteral("+");
    QTest::newRow("slash depends on the layout") << combination("Ctrl+/") << 0u << QStringLiteral("/");
    QTest::newRow("a shifted symbol depends on the layout")
        << combination("Ctrl+Shift+!") << 0u << QStringLiteral("!");
    QTest::newRow("a letter outside A-Z is looked up in lower case")
        << QKeyCombination(Qt::ControlModifier, Qt::Key_Adiaeresis) << 0u << QStringLiteral("\u00e4");
    QTest::newRow("a Cyrillic letter is looked up in lower case")
        << QKeyCombination(Qt::ControlModifier, Qt::Key(0x042F)) << 0u << QStringLiteral("\u044f");
    QTest::newRow("an unknown key has no key") << QKeyCombination(Qt::Key_unknown) << 0u << QString();
    QTest::newRow("a bare modifier has no key")
        << QKeyCombination(Qt::ControlModifier, Qt::Key_Control) << 0u << QString();
    QTest::newRow("F25 has no key") << QKeyCombination(Qt::Key_F25) << 0u << QString();
    QTest::newRow("a launcher key has no key") << QKeyCombination(Qt::Key_Launch0) << 0u << QString();
}

void HotkeyKeyMapTest::windowsVirtualKeys() {
    QFETCH(QKeyCombination, combination);
    QFETCH(uint, virtualKey);
    QFETCH(QString, layoutCharacter);
    const WindowsHotkeyKey key = windowsHotkeyKey(combination.key(), combination.keyboardModifiers());
    QCOMPARE(key.virtualKey, virtualKey);
    QCOMPARE(key.layoutCharacter == 0 ? QString() : QString(QChar(key.layoutCharacter)), layoutCharacter);
}

void HotkeyKeyMapTest::windowsModifiers_data() {
    QTest::addColumn<QKeyCombination>("combination");
    QTest::addColumn<uint>("bits");
    // MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4, MOD_WIN 8
    QTest::newRow("no modifier is no bit") << combination("F5") << 0u;
    QTest::newRow("Ctrl is MOD_CONTROL") << combination("Ctrl+A") << 0x2u;
    QTest::newRow("Alt is MOD_ALT") << combination("Alt+A") << 0x1u;
    QTest::newRow("Shift is MOD_SHIFT") << combination("Shift+F12") << 0x4u;
    QTest::newRow("Meta is MOD_WIN") << combination("Meta+E") << 0x8u;
    QTest::newRow("Ctrl+Shift is MOD_CONTROL|MOD_SHIFT") << combination("Ctrl+Shift+V") << 0x6u;
    QTest::newRow("all four together") << combination("Ctrl+Alt+Shift+Meta+X") << 0xFu;
    QTest::newRow("the keypad flag is no modifier") << combination("Ctrl+Num+5") << 0x2u;
}

void HotkeyKeyMapTest::windowsModifiers() {
    QFETCH(QKeyCombination, combination);
    QFETCH(uint, bits);
    QCOMPARE(windowsHotkeyModifiers(combination.keyboardModifiers()), bits);
}

void HotkeyKeyMapTest::x11Keysyms_data() {
    QTest::addColumn<QKeyCombination>("combination");
    QTest::addColumn<uint>("keysym");

    QTest::newRow("letter A is keysym a") << combination("Ctrl+A") << uint('a');
    QTest::newRow("letter Z is keysym z") << combination("Ctrl+Shift+Z") << uint('z');
    QTest::newRow("digit 0 is keysym 0") << combination("Ctrl+0") << uint('0');
    QTest::newRow("digit 9 is keysym 9") << combination("Alt+9") << uint('9');
    QTest::newRow("F1 is XK_F1") << combination("F1") << 0xffbeu;
    QTest::newRow("F12 is XK_F12") << combination("Shift+F12") << 0xffc9u;
    QTest::newRow("F24 is XK_F24") << combination("F24") << 0xffd5u;
    QTest::newRow("Escape is XK_Escape") << combination("Ctrl+Esc") << 0xff1bu;
    QTest::newRow("Tab is XK_Tab") << combination("Ctrl+Tab") << 0xff09u;
    QTest::newRow("Shift+Backtab is Shift+XK_Tab")
        << QKeyCombination(Qt::ShiftModifier, Qt::Key_Backtab) << 0xff09u;
    QTest::newRow("Backspace is XK_BackSpace") << combination("Ctrl+Backspace") << 0xff08u;
    QTest::newRow("Return is XK_Return") << combination("Ctrl+Return") << 0xff0du;
    QTest::newRow("keypad Enter is XK_KP_Enter") << combination("Ctrl+Num+Enter") << 0xff8du;
    QTest::newRow("Insert is XK_Insert") << combination("Ins") << 0xff63u;
    QTest::newRow("Delete is XK_Delete") << combination("Ctrl+Del") << 0xffffu;
    QTest::newRow("Home is XK_Home") << combination("Ctrl+Home") << 0xff50u;
    QTest::newRow("End is XK_End") << combination("Ctrl+End") << 0xff57u;
    QTest::newRow("PgUp is XK_Prior") << combination("Ctrl+PgUp") << 0xff55u;
    QTest::newRow("PgDown is XK_Next") << combination("Ctrl+PgDown") << 0xff56u;
    QTest::newRow("Left is XK_Left") << combination("Alt+Left") << 0xff51u;
    QTest::newRow("Down is XK_Down") << combination("Alt+Down") << 0xff54u;
    QTest::newRow("Space is XK_space") << combination("Ctrl+Space") << 0x20u;
    QTest::newRow("Pause is XK_Pause") << combination("Pause") << 0xff13u;
    QTest::newRow("Print is XK_Print") << combination("Print") << 0xff61u;
    QTest::newRow("Menu is XK_Menu") << combination("Ctrl+Menu") << 0xff67u;
    QTest::newRow("keypad 0 is XK_KP_0") << combination("Ctrl+Num+0") << 0xffb0u;
    QTest::newRow("keypad 7 is XK_KP_7") << combination("Num+7") << 0xffb7u;
    QTest::newRow("keypad * is XK_KP_Multiply") << combination("Ctrl+Num+*") << 0xffaau;
    QTest::newRow("keypad + is XK_KP_Add") << combination("Ctrl+Num++") << 0xffabu;
    QTest::newRow("keypad / is XK_KP_Divide") << combination("Ctrl+Num+/") << 0xffafu;
    QTest::newRow("volume up is XF86AudioRaiseVolume") << QKeyCombination(Qt::Key_VolumeUp) << 0x1008ff13u;
    QTest::newRow("plus of the main block is XK_plus") << combination("Ctrl++") << 0x2bu;
    QTest::newRow("slash is XK_slash") << combination("Ctrl+/") << 0x2fu;
    QTest::newRow("a shifted symbol is its own keysym") << combination("Ctrl+Shift+!") << 0x21u;
    QTest::newRow("a Latin-1 letter is its lower-case keysym")
        << QKeyCombination(Qt::ControlModifier, Qt::Key_Adiaeresis) << 0xe4u;
    QTest::newRow("a Cyrillic letter is its lower-case Unicode keysym")
        << QKeyCombination(Qt::ControlModifier, Qt::Key(0x042F)) << 0x0100044fu;
    QTest::newRow("an unknown key has no keysym") << QKeyCombination(Qt::Key_unknown) << 0u;
    QTest::newRow("a bare modifier has no keysym")
        << QKeyCombination(Qt::ControlModifier, Qt::Key_Control) << 0u;
    QTest::newRow("F25 has no keysym") << QKeyCombination(Qt::Key_F25) << 0u;
    QTest::newRow("a launcher key has no keysym") << QKeyCombination(Qt::Key_Launch0) << 0u;
}

void HotkeyKeyMapTest::x11Keysyms() {
    QFETCH(QKeyCombination, combination);
    QFETCH(uint, keysym);
    QCOMPARE(x11HotkeyKeysym(combination.key(), combination.keyboardModifiers()), keysym);
}

void HotkeyKeyMapTest::x11Modifiers_data() {
    QTest::addColumn<QKeyCombination>("combination");
    QTest::addColumn<uint>("mask");
    // ShiftMask 0x01, ControlMask 0x04, Mod1Mask 0x08, Mod4Mask 0x40
    QTest::newRow("no modifier is no mask") << combination("F5") << 0u;
    QTest::newRow("Ctrl is ControlMask") << combination("Ctrl+A") << 0x04u;
    QTest::newRow("Alt is Mod1Mask") << combination("Alt+A") << 0x08u;
    QTest::newRow("Shift is ShiftMask") << combination("Shift+F12") << 0x01u;
    QTest::newRow("Meta is Mod4Mask (Super)") << combination("Meta+E") << 0x40u;
    QTest::newRow("Ctrl+Shift is ControlMask|ShiftMask") << combination("Ctrl+Shift+V") << 0x05u;
    QTest::newRow("all four together") << combination("Ctrl+Alt+Shift+Meta+X") << 0x4du;
    QTest::newRow("the keypad flag is no modifier") << combination("Ctrl+Num+5") << 0x04u;
}

void HotkeyKeyMapTest::x11Modifiers() {
    QFETCH(QKeyCombination, combination);
    QFETCH(uint, mask);
    QCOMPARE(uint(x11HotkeyModifiers(combination.keyboardModifiers())), mask);
}

QTEST_GUILESS_MAIN(HotkeyKeyMapTest)
#include "tst_hotkeykeymap.moc"
