#include "platform/HookKeys.h"

#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(std::uint32_t)

class HookKeysTest : public QObject {
    Q_OBJECT

private slots:
    void keyToVk_data();
    void keyToVk();
    void pickWindowGrabs_data();
    void pickWindowGrabs();
    void pickWindowGrabsHaveNoDuplicates();
    void hookGrabsCombinesEveryKeyWithEveryModifierSet();
};

void HookKeysTest::keyToVk_data() {
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

void HookKeysTest::keyToVk() {
    QFETCH(QByteArray, name);
    QFETCH(std::uint32_t, baseKeysym);
    QFETCH(std::uint32_t, vk);
    QCOMPARE(vkOfKey(std::string_view(name.constData(), std::size_t(name.size())), baseKeysym), vk);
}

void HookKeysTest::pickWindowGrabs_data() {
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

void HookKeysTest::pickWindowGrabs() {
    QFETCH(std::uint32_t, vk);
    QFETCH(unsigned, modifiers);
    QFETCH(bool, taken);
    const std::vector<HookGrab> grabs = pickWindowHookGrabs();
    const bool found = std::find(grabs.begin(), grabs.end(), HookGrab{vk, modifiers}) != grabs.end();
    QCOMPARE(found, taken);
}

void HookKeysTest::pickWindowGrabsHaveNoDuplicates() {
    std::vector<HookGrab> grabs = pickWindowHookGrabs();
    const auto before = grabs.size();
    std::sort(grabs.begin(), grabs.end(), [](const HookGrab &a, const HookGrab &b) {
        return a.vk != b.vk ? a.vk < b.vk : a.modifiers < b.modifiers;
    });
    grabs.erase(std::unique(grabs.begin(), grabs.end()), grabs.end());
    QCOMPARE(grabs.size(), before);
}

void HookKeysTest::hookGrabsCombinesEveryKeyWithEveryModifierSet() {
    const std::vector<HookGrab> grabs = hookGrabs({'A', 'B'}, {HookNoModifier, HookShift, HookAlt});
    QCOMPARE(grabs.size(), std::size_t(6));
    for (std::uint32_t vk : {std::uint32_t('A'), std::uint32_t('B')}) {
        for (unsigned m : {unsigned(HookNoModifier), unsigned(HookShift), unsigned(HookAlt)})
            QVERIFY(std::find(grabs.begin(), grabs.end(), HookGrab{vk, m}) != grabs.end());
    }
    QVERIFY(hookGrabs({}, {HookShift}).empty());
}

QTEST_GUILESS_MAIN(HookKeysTest)
#include "tst_hookkeys.moc"
