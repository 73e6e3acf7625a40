#include "platform/HookKeys.h"

namespace {

// Keysym values from X11/keysymdef.h; this file stays free of X headers.
struct VkKeysym {
    std::uint32_t vk;
    std::uint32_t keysym;
};

// The first row of each virtual key is its main keysym.
constexpr VkKeysym namedKeys[] = {
    {HookVk::Tab, 0xff09},    // Tab
    {HookVk::Tab, 0xfe20},    // ISO_Left_Tab (Shift+Tab on most layouts)
    {HookVk::Return, 0xff0d}, // Return
    {HookVk::Return, 0xff8d}, // KP_Enter
    {HookVk::Escape, 0xff1b}, // Escape
    {HookVk::Home, 0xff50},   // Home
    {HookVk::Left, 0xff51},   // Left
    {HookVk::Up, 0xff52},     // Up
    {HookVk::Right, 0xff53},  // Right
    {HookVk::Down, 0xff54},   // Down
    {HookVk::End, 0xff57},    // End
    {HookVk::Grave, 0x60},    // grave
    {HookVk::Grave, 0x7e},    // asciitilde, the same key shifted
};

constexpr std::uint32_t keysymDigit0 = 0x30;
constexpr std::uint32_t keysymUpperA = 0x41;
constexpr std::uint32_t keysymLowerA = 0x61;

} // namespace

std::vector<std::uint32_t> keysymsForVk(std::uint32_t vk) {
    if (vk >= HookVk::Digit0 && vk <= HookVk::Digit0 + 9)
        return {keysymDigit0 + (vk - HookVk::Digit0)};
    // XKeysymToKeycode finds a letter's key by its lower-case keysym.
    if (vk >= HookVk::LetterA && vk < HookVk::LetterA + 26)
        return {keysymLowerA + (vk - HookVk::LetterA), keysymUpperA + (vk - HookVk::LetterA)};
    std::vector<std::uint32_t> keysyms;
    for (const VkKeysym &k : namedKeys) {
        if (k.vk == vk)
            keysyms.push_back(k.keysym);
    }
    return keysyms;
}

std::uint32_t vkForKeysym(std::uint32_t keysym) {
    if (keysym >= keysymDigit0 && keysym <= keysymDigit0 + 9)
        return HookVk::Digit0 + (keysym - keysymDigit0);
    if (keysym >= keysymLowerA && keysym < keysymLowerA + 26)
        return HookVk::LetterA + (keysym - keysymLowerA);
    if (keysym >= keysymUpperA && keysym < keysymUpperA + 26)
        return HookVk::LetterA + (keysym - keysymUpperA);
    for (const VkKeysym &k : namedKeys) {
        if (k.keysym == keysym)
            return k.vk;
    }
    return 0;
}

std::vector<HookGrab> hookGrabs(const std::vector<std::uint32_t> &vks,
                                const std::vector<unsigned> &modifierSets) {
    std::vector<HookGrab> grabs;
    grabs.reserve(vks.size() * modifierSets.size());
    for (std::uint32_t vk : vks) {
        for (unsigned modifiers : modifierSets)
            grabs.push_back({vk, modifiers});
    }
    return grabs;
}

namespace {

const std::vector<std::uint32_t> actionKeys = {HookVk::Tab,  HookVk::Return, HookVk::Escape, HookVk::End,
                                               HookVk::Home, HookVk::Left,   HookVk::Up,     HookVk::Right,
                                               HookVk::Down, HookVk::Grave};

std::vector<std::uint32_t> badgeKeys() {
    std::vector<std::uint32_t> vks;
    for (std::uint32_t vk = HookVk::Digit0; vk <= HookVk::Digit0 + 9; ++vk)
        vks.push_back(vk);
    for (std::uint32_t vk = HookVk::LetterA; vk < HookVk::LetterA + 26; ++vk)
        vks.push_back(vk);
    return vks;
}

} // namespace

std::vector<std::uint32_t> mappedHookVks() {
    std::vector<std::uint32_t> vks = actionKeys;
    const std::vector<std::uint32_t> badges = badgeKeys();
    vks.insert(vks.end(), badges.begin(), badges.end());
    return vks;
}

std::vector<HookGrab> pickWindowHookGrabs() {
    std::vector<unsigned> anyHeld;
    for (unsigned m = 0; m <= (HookShift | HookControl | HookAlt); ++m)
        anyHeld.push_back(m);

    std::vector<HookGrab> grabs = hookGrabs(actionKeys, anyHeld);
    const std::vector<HookGrab> badges = hookGrabs(badgeKeys(), {HookNoModifier, HookShift});
    grabs.insert(grabs.end(), badges.begin(), badges.end());
    return grabs;
}
