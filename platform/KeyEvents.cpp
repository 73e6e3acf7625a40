#include "platform/KeyEvents.h"

#include <algorithm>

bool isExtendedKey(std::uint16_t virtualKey) {
    return (virtualKey >= 0x21 && virtualKey <= 0x28) || virtualKey == 0x2D || virtualKey == 0x2E ||
           virtualKey == 0x5B || virtualKey == 0x5C;
}

KeyEvent keyEvent(std::uint16_t virtualKey, bool up) {
    KeyEvent event;
    event.virtualKey = virtualKey;
    event.up = up;
    event.extended = isExtendedKey(virtualKey);
    return event;
}

std::vector<KeyEvent> chordKeyEvents(const std::vector<std::uint16_t> &modifiers, std::uint16_t mainKey) {
    std::vector<KeyEvent> events;
    events.reserve(modifiers.size() * 2 + 2);
    for (const std::uint16_t modifier : modifiers)
        events.push_back(keyEvent(modifier, false));
    if (mainKey != 0) {
        events.push_back(keyEvent(mainKey, false));
        events.push_back(keyEvent(mainKey, true));
    }
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        events.push_back(keyEvent(*it, true));
    return events;
}

namespace {

// The bit of KeyPressCombination::Modifier, as its position (-1: no modifier).
int modifierBitOfKey(std::uint16_t virtualKey) {
    switch (virtualKey) {
    case 0x10: // Shift, left, right
    case 0xA0:
    case 0xA1:
        return 0;
    case 0x11: // Ctrl
    case 0xA2:
    case 0xA3:
        return 1;
    case 0x12: // Alt
    case 0xA4:
    case 0xA5:
        return 2;
    case 0x5B: // the Windows keys
    case 0x5C:
        return 3;
    default:
        return -1;
    }
}

} // namespace

std::vector<KeyPressCombination> keyPressCombinations(const std::vector<KeyEvent> &events) {
    std::vector<KeyPressCombination> combinations;
    // How many keys of each modifier are down: left and right may both be.
    std::array<unsigned, 4> down{};
    for (const KeyEvent &event : events) {
        if (const int bit = modifierBitOfKey(event.virtualKey); bit >= 0) {
            unsigned &count = down[std::size_t(bit)];
            count = event.up ? (count > 0 ? count - 1 : 0) : count + 1;
            continue;
        }
        if (event.up)
            continue;
        KeyPressCombination combination;
        combination.virtualKey = event.virtualKey;
        for (std::size_t i = 0; i < down.size(); ++i)
            combination.modifiers |= down[i] > 0 ? 1u << i : 0u;
        if (std::find(combinations.begin(), combinations.end(), combination) == combinations.end())
            combinations.push_back(combination);
    }
    return combinations;
}

std::vector<KeyEvent> pasteShortcutEvents() {
    return {keyEvent(0xA2, false), keyEvent(0x56, false), keyEvent(0x56, true), keyEvent(0xA2, true)};
}

std::vector<KeyEvent> modifierReleaseEvents(const HeldModifiers &held) {
    std::vector<KeyEvent> events;
    for (std::size_t i = 0; i < releasableModifierKeys.size(); ++i) {
        if (held[i])
            events.push_back(keyEvent(releasableModifierKeys[i], true));
    }
    return events;
}
