#include "platform/HookKeys.h"

#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(std::uint32_t)

class HookKeysTest : public QObject {
    Q_OBJECT

private slots:
    void keysymToVk_data();
    void keysymToVk();
    void everyMappedKeyRoundTrips();
    void unmappedKeys_data();
    void unmappedKeys();
    void pickWindowGrabs_data();
    void pickWindowGrabs();
    void pickWindowGrabsHaveNoDuplicates();
    void hookGrabsCombinesEveryKeyWithEveryModifierSet();
};

void HookKeysTest::keysymToVk_data() {
    QTest::addColumn<std::uint32_t>("keysym");
    QTest::addColumn<std::uint32_t>("vk");
    // Keysym values as the X protocol defines them, virtual keys as Windows does.
    QTest::newRow("Down arrow is VK_DOWN") << std::uint32_t(0xff54) << std::uint32_t(0x28);
    QTest::newRow("Up arrow is VK_UP") << std::uint32_t(0xff52) << std::uint32_t(0x26);
    QTest::newRow("Left arrow is VK_LEFT") << std::uint32_t(0xff51) << std::uint32_t(0x25);
    QTest::newRow("Right arrow is VK_RIGHT") << std::uint32_t(0xff53) << std::uint32_t(0x27);
    QTest::newRow("Home is VK_HOME") << std::uint32_t(0xff50) << std::uint32_t(0x24);
    QTest::newRow("End is VK_END") << std::uint32_t(0xff57) << std::uint32_t(0x23);
    QTest::newRow("Return is VK_RETURN") << std::uint32_t(0xff0d) << std::uint32_t(0x0d);
    QTest::newRow("keypad Enter is VK_RETURN as on Windows") << std::uint32_t(0xff8d) << std::uint32_t(0x0d);
    QTest::newRow("Escape is VK_ESCAPE") << std::uint32_t(0xff1b) << std::uint32_t(0x1b);
    QTest::newRow("Tab is VK_TAB") << std::uint32_t(0xff09) << std::uint32_t(0x09);
    QTest::newRow("Shift+Tab's ISO_Left_Tab is still VK_TAB") << std::uint32_t(0xfe20) << std::uint32_t(0x09);
    QTest::newRow("grave accent is VK_OEM_3") << std::uint32_t(0x60) << std::uint32_t(0xc0);
    QTest::newRow("tilde, the shifted grave key, is VK_OEM_3") << std::uint32_t(0x7e) << std::uint32_t(0xc0);
    QTest::newRow("digit 0 is '0'") << std::uint32_t(0x30) << std::uint32_t('0');
    QTest::newRow("digit 9 is '9'") << std::uint32_t(0x39) << std::uint32_t('9');
    QTest::newRow("lower-case a is 'A'") << std::uint32_t(0x61) << std::uint32_t('A');
    QTest::newRow("upper-case A is 'A' too") << std::uint32_t(0x41) << std::uint32_t('A');
    QTest::newRow("lower-case z is 'Z'") << std::uint32_t(0x7a) << std::uint32_t('Z');
    QTest::newRow("upper-case Z is 'Z' too") << std::uint32_t(0x5a) << std::uint32_t('Z');
}

void HookKeysTest::keysymToVk() {
    QFETCH(std::uint32_t, keysym);
    QFETCH(std::uint32_t, vk);
    QCOMPARE(vkForKeysym(keysym), vk);
    const std::vector<std::uint32_t> keysyms = keysymsForVk(vk);
    QVERIFY2(std::find(keysyms.begin(), keysyms.end(), keysym) != keysyms.end(),
             "the virtual key lists the keysym among its keys");
}

void HookKeysTest::everyMappedKeyRoundTrips() {
    const std::vector<std::uint32_t> vks = mappedHookVks();
    QCOMPARE(vks.size(), std::size_t(10 + 10 + 26));
    for (std::uint32_t vk : vks) {
        const std::vector<std::uint32_t> keysyms = keysymsForVk(vk);
        QVERIFY2(!keysyms.empty(), qPrintable(QString::number(vk, 16)));
        for (std::uint32_t keysym : keysyms)
            QCOMPARE(vkForKeysym(keysym), vk);
    }
}

void HookKeysTest::unmappedKeys_data() {
    QTest::addColumn<std::uint32_t>("keysym");
    QTest::newRow("F1 is not a pick window key") << std::uint32_t(0xffbe);
    QTest::newRow("keypad 1 is not a badge key") << std::uint32_t(0xffb1);
    QTest::newRow("keypad Home is not Home") << std::uint32_t(0xff95);
    QTest::newRow("Shift is not a key of its own") << std::uint32_t(0xffe1);
    QTest::newRow("space is not taken") << std::uint32_t(0x20);
    QTest::newRow("at sign, just below A, is not a letter") << std::uint32_t(0x40);
    QTest::newRow("left bracket, just above Z, is not a letter") << std::uint32_t(0x5b);
    QTest::newRow("no symbol is nothing") << std::uint32_t(0);
}

void HookKeysTest::unmappedKeys() {
    QFETCH(std::uint32_t, keysym);
    QCOMPARE(vkForKeysym(keysym), std::uint32_t(0));
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
    for (const HookGrab &grab : grabs)
        QVERIFY2(!keysymsForVk(grab.vk).empty(), "every taken key has an X keysym");
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
