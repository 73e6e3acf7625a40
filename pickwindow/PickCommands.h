#pragma once

#include <cstdint>

// What a key asks of the pick window. The key table in PickCommands.cpp, which names each
// key both as the keyboard hook reports it and as Qt does, is the one place where a key's
// meaning is decided; carryOutPickCommand (KeyHandling.h) does what it asks, as the road
// the key came by allows.
enum class PickCommand {
    None,
    MoveUp,
    MoveDown,
    MoveToFirst,
    MoveToLast,
    PreviousGroup,
    NextGroup,
    InputCurrent,
    InputBadge,
    TogglePin,
    Hide,
    // Tab: into the search box from the list, back out of it from the search box.
    SwitchSearch,
};

struct PickKeyCommand {
    PickCommand command = PickCommand::None;
    int badge = 0; // the badge number for InputBadge, see badgeNumberOfKey

    bool operator==(const PickKeyCommand &o) const { return command == o.command && badge == o.badge; }
};

// A key as the keyboard hook reports it (HookVk), and as Qt does (Qt::Key).
PickKeyCommand pickCommandOfHookKey(std::uint32_t vk);
PickKeyCommand pickCommandOfQtKey(int key);

// Commands that a held key repeats; every other command acts at the press only.
bool isMovingCommand(PickCommand command);

// Badge number of a key code (Qt key codes of digits and letters equal their virtual
// keys): "1"–"9" → 1–9, "0" → 10, "A"–"Z" → 11–36; 0 for any other key.
int badgeNumberOfKey(int key);
