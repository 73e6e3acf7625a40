#include "platform/HookKeys.h"

namespace {

// Keysym values from X11/keysymdef.h; this file stays free of X headers.
struct VkKeysym {
    std::uint32_t vk;
    std::uint32_t keysym;
};

constexpr VkKeysym namedKeys[] = {
    {HookVk::Tab, 0xff09},    // Tab
    {HookVk::Return, 0xff0d}, // Return
    {HookVk::Return, 0xff8d}, // KP_Enter
    {HookVk::Escape, 0xff1b}, // Escape
    {HookVk::Home, 0xff50},   // Home
    {HookVk::Left, 0xff51},   // Left
    {HookVk::Up, 0xff52},     // Up
    {HookVk::Right, 0xff53},  // Right
    {HookVk::Down, 0xff54},   // Down
    {HookVk::End, 0xff57},    // End
};

constexpr std::uint32_t keysymLowerA = 0x61;

} // namespace

std::uint32_t vkOfKey(std::string_view xkbKeyName, std::uint32_t baseKeysym) {
    // The number row: AE01..AE09 are 1..9, AE10 is 0.
    if (xkbKeyName.size() == 4 && xkbKeyName.substr(0, 2) == "AE") {
        const int column = (xkbKeyName[2] - '0') * 10 + (xkbKeyName[3] - '0');
        if (column >= 1 && column <= 10)
            return HookVk::Digit0 + static_cast<std::uint32_t>(column % 10);
    }
    if (xkbKeyName == "TLDE")
        return HookVk::Grave;
    if (baseKeysym >= keysymLowerA && baseKeysym < keysymLowerA + 26)
        return HookVk::LetterA + (baseKeysym - keysymLowerA);
    for (const VkKeysym &k : namedKeys) {
        if (k.keysym == baseKeysym)
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

std::vector<HookGrab> pickWindowHookGrabs() {
    std::vector<unsigned> anyHeld;
    for (unsigned m = 0; m <= (HookShift | HookControl | HookAlt); ++m)
        anyHeld.push_back(m);

    std::vector<HookGrab> grabs = hookGrabs(actionKeys, anyHeld);
    const std::vector<HookGrab> badges = hookGrabs(badgeKeys(), {HookNoModifier, HookShift});
    grabs.insert(grabs.end(), badges.begin(), badges.end());
    return grabs;
}
