// Qt keys to system hotkeys (codes as WinUser.h and keysymdef.h give them), the server-free
// parts of an X11 hotkey grab, and the keys the pick window takes through the keyboard hook.

#include "platform/HookKeys.h"
#include "platform/HotkeyGrabLogic.h"
#include "platform/HotkeyKeyMap.h"

#include <QSet>
#include <QTest>

using Masks = QList<quint16>;

namespace {
constexpr quint16 shift = 0x01, lock = 0x02, control = 0x04, mod1 = 0x08, mod2 = 0x10, mod4 = 0x40;

// A row per way a key finds its code (letters, digits, F-keys, keypad, fixed table, layout
// characters, Unicode keysyms, none) and per modifier bit (MOD_ALT 1, CONTROL 2, SHIFT 4, WIN 8).
const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    unsigned virtualKey;
    char16_t layoutCharacter;
    quint32 keysym;
    unsigned windowsBits;
    quint16 x11Mask;
} hotkeyKeys[] = {
    {Qt::Key_A, Qt::ControlModifier, 0x41, 0, 'a', 0x2, control},
    {Qt::Key_0, Qt::AltModifier, 0x30, 0, '0', 0x1, mod1},
    {Qt::Key_F24, Qt::ShiftModifier, 0x87, 0, 0xffd5, 0x4, shift},
    {Qt::Key_0, Qt::MetaModifier | Qt::KeypadModifier, 0x60, 0, 0xffb0, 0x8, mod4},
    {Qt::Key_Plus, Qt::KeypadModifier, 0x6B, 0, 0xffab, 0, 0},
    {Qt::Key_Enter, Qt::KeypadModifier, 0x0D, 0, 0xff8d, 0, 0},
    {Qt::Key_Return, {}, 0x0D, 0, 0xff0d, 0, 0},
    {Qt::Key_Backtab, {}, 0x09, 0, 0xff09, 0, 0}, // Shift+Tab as a key sequence edit records it
    {Qt::Key_VolumeUp, {}, 0xAF, 0, 0x1008ff13, 0, 0},
    {Qt::Key_Plus, {}, 0, u'+', 0x2b, 0, 0},
    {Qt::Key_Adiaeresis, {}, 0, u'ä', 0xe4, 0, 0},
    {Qt::Key(0x042F), {}, 0, u'я', 0x0100044f, 0, 0}, // Cyrillic Я: a Unicode keysym
    {Qt::Key_F25, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier, 0, 0, 0, 0xF,
     control | mod1 | shift | mod4},
    {Qt::Key_Control, {}, 0, 0, 0, 0, 0},
};

} // namespace

class KeyTablesTest : public QObject {
    Q_OBJECT
private slots:
    void hotkeyKeys() {
        for (const auto &row : ::hotkeyKeys) {
            QCOMPARE(windowsHotkeyKey(row.key, row.modifiers).virtualKey, row.virtualKey);
            QCOMPARE(windowsHotkeyKey(row.key, row.modifiers).layoutCharacter, row.layoutCharacter);
            QCOMPARE(x11HotkeyKeysym(row.key, row.modifiers), row.keysym);
            QCOMPARE(windowsHotkeyModifiers(row.modifiers), row.windowsBits);
            QCOMPARE(x11HotkeyModifiers(row.modifiers), row.x11Mask);
        }
        // Any character or special key, keypad or not, has a Windows code exactly when it has an
        // X11 keysym; no two special keys share a keysym unless the same key to the user.
        QSet<quint32> keysyms;
        for (const Qt::KeyboardModifiers m :
             {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::KeypadModifier)}) {
            for (int k = 0; k < 0x01000200; k = k == 0x10000 ? 0x01000000 : k + 1) {
                const Qt::Key key = Qt::Key(k);
                const WindowsHotkeyKey win = windowsHotkeyKey(key, m);
                const quint32 keysym = x11HotkeyKeysym(key, m);
                QVERIFY2((win.virtualKey || win.layoutCharacter) == (keysym != 0),
                         qPrintable(QString::number(k, 16)));
                const bool alias = key == Qt::Key_Backtab || key == Qt::Key_MediaTogglePlayPause;
                if (k >= 0x01000000 && keysym && !alias && !m)
                    QVERIFY2(!keysyms.contains(keysym), qPrintable(QString::number(k, 16)));
                keysyms.insert(keysym);
            }
        }
    }

    // Each lock variant once (no NumLock modifier: none with it); whichever variant is
    // refused, nothing stays held and nothing after it is tried.
    void x11HotkeyGrabs() {
        const quint16 cs = control | shift;
        const Masks variants = hotkeyLockVariants(cs, mod2);
        QCOMPARE(variants, Masks({cs, quint16(cs | lock), quint16(cs | mod2), quint16(cs | lock | mod2)}));
        QCOMPARE(hotkeyLockVariants(control, 0), Masks({control, quint16(control | lock)}));
        for (qsizetype refused = 0; refused <= variants.size(); ++refused) {
            Masks held, attempted;
            const bool grabbed = ::grabAllOrNone(
                variants,
                [&](quint16 v) {
                    attempted.append(v);
                    if (v == variants.value(refused, 0xFFFF))
                        return false;
                    held.append(v);
                    return true;
                },
                [&](quint16 v) { QVERIFY(held.removeOne(v)); });
            QCOMPARE(grabbed, refused == variants.size());
            QCOMPARE(held, grabbed ? variants : Masks());
            QCOMPARE(attempted, variants.mid(0, refused + 1));
        }
        // A hotkey's event state: the lock keys and the mouse buttons do not count.
        const quint16 button1 = 0x100;
        const struct {
            quint16 state, modifiers;
        } rows[] = {{control | shift | mod2, control | shift},
                    {control | shift | lock, control | shift},
                    {control | button1, control},
                    {control | mod1, control | mod1},
                    {mod4 | mod2, mod4}};
        for (const auto &row : rows)
            QCOMPARE(hotkeyModifiersOfState(row.state, mod2), row.modifiers);
    }

    // The hook's keys of XKB key names and base keysyms as layouts have them (us, de, fr); the
    // keys the hook can report are the keys the pick window grabs, each grab once.
    void hookKeys() {
        const struct {
            const char *name;
            std::uint32_t baseKeysym, vk;
        } keyboardKeys[] = {
            {"AE01", 0x26, '1'},    {"AE10", 0x30, '0'},
            {"AE11", 0x2d, 0},      {"AB09", 0x31, 0},
            {"TLDE", 0xfe52, 0xc0}, {"AD12", 0x2b, 0},
            {"AD01", 0x61, 'A'},    {"AD06", 0x7a, 'Z'},
            {"AC01", 0x41, 0},      {"KPEN", 0xff8d, 0x0d},
            {"DOWN", 0xff54, 0x28}, {"KP7", 0xff95, 0},
            {"FK01", 0xffbe, 0},    {"", 0, 0},
        };
        for (const auto &row : keyboardKeys)
            QCOMPARE(vkOfKey(row.name, row.baseKeysym), row.vk);
        QSet<std::uint32_t> reported;
        for (std::uint32_t keysym = 0; keysym <= 0xffff; ++keysym)
            reported.insert(vkOfKey({}, keysym));
        for (const char *name :
             {"AE01", "AE02", "AE03", "AE04", "AE05", "AE06", "AE07", "AE08", "AE09", "AE10", "TLDE"})
            reported.insert(vkOfKey(name, 0));
        reported.remove(0);
        const std::vector<HookGrab> grabs = pickWindowHookGrabs();
        QSet<std::uint32_t> grabbed;
        QSet<std::pair<std::uint32_t, unsigned>> distinct;
        for (const HookGrab &g : grabs) {
            grabbed.insert(g.vk);
            distinct.insert({g.vk, g.modifiers});
        }
        QCOMPARE(grabbed, reported);
        QCOMPARE(std::size_t(distinct.size()), grabs.size());
        const struct {
            std::uint32_t vk;
            unsigned modifiers;
            bool taken;
        } rows[] = {
            {0x28, HookNoModifier, true}, {0x09, HookAlt, true},       {0x1b, HookControl | HookShift, true},
            {0x25, HookMeta, false},      {'3', HookShift, true},      {'3', HookControl, false},
            {'Z', HookAlt, false},        {'Z', HookNoModifier, true},
        };
        for (const auto &row : rows)
            QCOMPARE(distinct.contains({row.vk, row.modifiers}), row.taken);
    }
};

QTEST_GUILESS_MAIN(KeyTablesTest)
#include "tst_keytables.moc"
