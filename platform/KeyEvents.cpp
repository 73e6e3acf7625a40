#include "platform/KeyEvents.h"

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
