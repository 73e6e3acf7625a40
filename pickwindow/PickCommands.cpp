#include "pickwindow/PickCommands.h"

#include "platform/HookKeys.h"

#include <QtCore/qnamespace.h>

namespace {

struct KeyRow {
    std::uint32_t vk;
    int qtKey;
    PickCommand command;
};

// Each key of the pick window as the hook and as Qt name it, and what it asks; the badge
// keys follow below the table.
constexpr KeyRow keyTable[] = {
    {HookVk::Up, Qt::Key_Up, PickCommand::MoveUp},
    {HookVk::Down, Qt::Key_Down, PickCommand::MoveDown},
    {HookVk::Home, Qt::Key_Home, PickCommand::MoveToFirst},
    {HookVk::End, Qt::Key_End, PickCommand::MoveToLast},
    {HookVk::Left, Qt::Key_Left, PickCommand::PreviousGroup},
    {HookVk::Right, Qt::Key_Right, PickCommand::NextGroup},
    {HookVk::Return, Qt::Key_Return, PickCommand::InputCurrent},
    // The hook reports keypad Enter as Return.
    {HookVk::Return, Qt::Key_Enter, PickCommand::InputCurrent},
    // The key left of 1, whatever it types; Qt names it by what it types on a US layout.
    {HookVk::Grave, Qt::Key_QuoteLeft, PickCommand::TogglePin},
    {HookVk::Escape, Qt::Key_Escape, PickCommand::Hide},
    {HookVk::Tab, Qt::Key_Tab, PickCommand::SwitchSearch},
};

PickKeyCommand badgeCommand(int key) {
    if (const int number = badgeNumberOfKey(key))
        return {PickCommand::InputBadge, number};
    return {};
}

} // namespace

PickKeyCommand pickCommandOfHookKey(std::uint32_t vk) {
    for (const KeyRow &row : keyTable) {
        if (row.vk == vk)
            return {row.command};
    }
    return badgeCommand(static_cast<int>(vk));
}

PickKeyCommand pickCommandOfQtKey(int key) {
    for (const KeyRow &row : keyTable) {
        if (row.qtKey == key)
            return {row.command};
    }
    return badgeCommand(key);
}

bool isMovingCommand(PickCommand command) {
    switch (command) {
    case PickCommand::MoveUp:
    case PickCommand::MoveDown:
    case PickCommand::MoveToFirst:
    case PickCommand::MoveToLast:
    case PickCommand::PreviousGroup:
    case PickCommand::NextGroup:
        return true;
    default:
        return false;
    }
}

int badgeNumberOfKey(int key) {
    if (key >= 0x31 && key <= 0x39)
        return key - 0x30;
    if (key == 0x30)
        return 10;
    if (key >= 0x41 && key <= 0x5A)
        return key - 54;
    return 0;
}
