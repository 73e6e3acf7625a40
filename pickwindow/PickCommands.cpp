#include "pickwindow/PickCommands.h"

#include "platform/HookKeys.h"

#include <QtCore/qnamespace.h>

namespace {

PickKeyCommand badgeCommand(int key) {
    if (const int number = badgeNumberOfKey(key))
        return {PickCommand::InputBadge, number};
    return {};
}

} // namespace

PickKeyCommand pickCommandOfHookKey(std::uint32_t vk) {
    switch (vk) {
    case HookVk::Up:
        return {PickCommand::MoveUp};
    case HookVk::Down:
        return {PickCommand::MoveDown};
    case HookVk::Home:
        return {PickCommand::MoveToFirst};
    case HookVk::End:
        return {PickCommand::MoveToLast};
    case HookVk::Left:
        return {PickCommand::PreviousGroup};
    case HookVk::Right:
        return {PickCommand::NextGroup};
    case HookVk::Return:
        return {PickCommand::InputCurrent};
    case HookVk::Grave:
        return {PickCommand::TogglePin};
    case HookVk::Escape:
        return {PickCommand::Hide};
    case HookVk::Tab:
        return {PickCommand::SwitchSearch};
    default:
        return badgeCommand(static_cast<int>(vk));
    }
}

PickKeyCommand pickCommandOfQtKey(int key) {
    switch (key) {
    case Qt::Key_Up:
        return {PickCommand::MoveUp};
    case Qt::Key_Down:
        return {PickCommand::MoveDown};
    case Qt::Key_Home:
        return {PickCommand::MoveToFirst};
    case Qt::Key_End:
        return {PickCommand::MoveToLast};
    case Qt::Key_Left:
        return {PickCommand::PreviousGroup};
    case Qt::Key_Right:
        return {PickCommand::NextGroup};
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return {PickCommand::InputCurrent};
    case Qt::Key_QuoteLeft:
        return {PickCommand::TogglePin};
    case Qt::Key_Escape:
        return {PickCommand::Hide};
    case Qt::Key_Tab:
        return {PickCommand::SwitchSearch};
    default:
        return badgeCommand(key);
    }
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
