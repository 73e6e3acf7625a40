#include "pickwindow/KeyHandling.h"

#include "app/AppContext.h"
#include "app/Settings.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/MyTabBar.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

// While pinned, Enter and the badge keys reach the application unless set to input.
bool pinnedModeLetsKeyPass(bool inputsWhenPinned) {
    return settings::isPinned() && !inputsWhenPinned;
}

bool inputCurrentPhrase() {
    QListWidgetItem *item = currentVisiblePhrase();
    if (!item)
        return false;
    inputPhraseItem(item, appContext().pickWindow);
    return true;
}

bool inputBadgePhrase(int number) {
    QListWidgetItem *item = visiblePhraseAt(number);
    if (!item)
        return false;
    inputPhraseItem(item, appContext().pickWindow);
    return true;
}

// With the pick window active, a key that moves the selection or the group takes the
// focus from the search box to the list.
void focusListIfSearching() {
    const AppContext &c = appContext();
    if (c.searchBox->hasFocus())
        c.phraseList->setFocus(Qt::OtherFocusReason);
}

// Tab: into search mode from the passive window, back out of it from the search box,
// and between the list and the search box of the active window.
bool switchSearch(KeyRoad road) {
    const AppContext &c = appContext();
    switch (road) {
    case KeyRoad::Hook:
        enterSearchMode();
        break;
    case KeyRoad::SearchBox:
        leaveSearchMode(true);
        break;
    case KeyRoad::ActiveWindow:
        if (c.searchBox->hasFocus())
            c.phraseList->setFocus(Qt::OtherFocusReason);
        else
            c.searchBox->setFocus(Qt::OtherFocusReason);
        break;
    }
    return true;
}

// Esc: the search box gives up its text and search mode; otherwise the window hides.
bool hideOrLeaveSearch(KeyRoad road) {
    const AppContext &c = appContext();
    if (road == KeyRoad::SearchBox) {
        if (!c.searchBox->text().isEmpty())
            c.searchBox->clear();
        leaveSearchMode(true);
        return true;
    }
    if (road == KeyRoad::ActiveWindow) {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    }
    c.pickWindow->close();
    return true;
}

bool inputCurrent(KeyRoad road) {
    switch (road) {
    case KeyRoad::Hook:
        if (pinnedModeLetsKeyPass(settings::enterKeyInputsWhenPinned()))
            return false;
        return inputCurrentPhrase();
    case KeyRoad::SearchBox: {
        QListWidgetItem *item = currentVisiblePhrase();
        leaveSearchMode(true);
        if (item)
            inputPhraseItem(item, appContext().pickWindow);
        return true;
    }
    case KeyRoad::ActiveWindow:
        // Enter in the search box only hands the focus to the list.
        if (appContext().searchBox->hasFocus()) {
            focusListIfSearching();
            return true;
        }
        return inputCurrentPhrase();
    }
    return false;
}

bool inputBadge(int number, KeyRoad road) {
    switch (road) {
    case KeyRoad::Hook:
        if (pinnedModeLetsKeyPass(settings::badgeKeyInputsWhenPinned()))
            return false;
        return inputBadgePhrase(number);
    case KeyRoad::SearchBox:
        return false; // typed into the search text
    case KeyRoad::ActiveWindow:
        if (appContext().searchBox->hasFocus())
            return false;
        return inputBadgePhrase(number);
    }
    return false;
}

void makeCurrent(QListWidget *list, int row) {
    list->setCurrentItem(list->item(row));
    list->scrollToItem(list->item(row), QAbstractItemView::PositionAtCenter);
}

} // namespace

QListWidgetItem *currentVisiblePhrase() {
    QListWidget *list = appContext().phraseList;
    if (!list || !list->currentItem() || list->isRowHidden(list->currentRow()))
        return nullptr;
    return list->currentItem();
}

bool carryOutPickCommand(const PickKeyCommand &command, KeyRoad road) {
    const AppContext &c = appContext();
    // In the search box the arrows, Home and End move the text cursor; Up and Down and
    // the keys below still act.
    const bool searchBox = road == KeyRoad::SearchBox;
    switch (command.command) {
    case PickCommand::None:
        return false;
    case PickCommand::MoveUp:
    case PickCommand::MoveDown:
        if (road == KeyRoad::ActiveWindow)
            focusListIfSearching();
        selectAdjacentPhrase(command.command == PickCommand::MoveUp ? -1 : +1);
        return true;
    case PickCommand::MoveToFirst:
    case PickCommand::MoveToLast:
        // The active window's list moves on these keys itself.
        if (road != KeyRoad::Hook)
            return false;
        selectEdgePhrase(command.command == PickCommand::MoveToFirst ? +1 : -1);
        return true;
    case PickCommand::PreviousGroup:
    case PickCommand::NextGroup:
        if (searchBox)
            return false;
        if (road == KeyRoad::ActiveWindow)
            focusListIfSearching();
        switchGroupBy(command.command == PickCommand::PreviousGroup ? -1 : +1);
        return true;
    case PickCommand::InputCurrent:
        return inputCurrent(road);
    case PickCommand::InputBadge:
        return inputBadge(command.badge, road);
    case PickCommand::TogglePin:
        // Only the passive window takes the key left of 1; an active one types it.
        if (road != KeyRoad::Hook)
            return false;
        if (c.pinButton)
            c.pinButton->click();
        return true;
    case PickCommand::Hide:
        return hideOrLeaveSearch(road);
    case PickCommand::SwitchSearch:
        return switchSearch(road);
    }
    return false;
}

bool handleHookKey(const HookKeyEvent &event) {
    if (!pickWindowTakesKeys())
        return false;
    const PickKeyCommand command = pickCommandOfHookKey(event.vk);
    // Held past the auto-repeat delay, a key that moves the selection or the group moves
    // on; every other key acted at its press and is only kept from the application now.
    if (event.repeat && !isMovingCommand(command.command))
        return true;
    // With Ctrl, Alt or Win a badge key belongs to the application; Shift does not count:
    // Shift+3 still inputs the third phrase.
    if (command.command == PickCommand::InputBadge && (event.modifiers & (HookControl | HookAlt | HookMeta)))
        return false;
    return carryOutPickCommand(command, KeyRoad::Hook);
}

void selectAdjacentPhrase(int step) {
    QListWidget *list = appContext().phraseList;
    if (!list || list->count() == 0)
        return;
    const int n = list->count();
    int r = list->currentRow();
    if (r < 0 || r >= n)
        r = step < 0 ? n : -1; // the first move lands on the last or the first row
    for (int tries = 0; tries < n; ++tries) {
        r += step;
        if (r < 0 || r >= n) {
            if (!settings::arrowKeysWrapAround())
                return;
            r = r < 0 ? n - 1 : 0;
        }
        if (!list->isRowHidden(r)) {
            makeCurrent(list, r);
            return;
        }
    }
}

void selectEdgePhrase(int step) {
    QListWidget *list = appContext().phraseList;
    if (!list || list->count() == 0)
        return;
    const int n = list->count();
    for (int i = 0; i < n; ++i) {
        const int row = step > 0 ? i : n - 1 - i;
        if (!list->isRowHidden(row)) {
            makeCurrent(list, row);
            return;
        }
    }
}

QListWidgetItem *visiblePhraseAt(int n) {
    QListWidget *list = appContext().phraseList;
    if (!list || n < 1)
        return nullptr;
    int count = 0;
    for (int row = 0; row < list->count(); ++row)
        if (!list->isRowHidden(row) && ++count == n)
            return list->item(row);
    return nullptr;
}

void switchGroupBy(int step) {
    QTabBar *tabBar = appContext().groupTabBar;
    // With no tabs there is nothing to switch to.
    if (!tabBar || tabBar->count() == 0)
        return;
    const int current = tabBar->currentIndex();
    tabBar->setCurrentIndex(step < 0 ? qMax(current - 1, 0) : qMin(current + 1, tabBar->count() - 1));
}
