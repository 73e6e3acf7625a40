#include "pickwindow/KeyHandling.h"

#include "library/AppContext.h"
#include "library/PhraseListView.h"
#include "library/Settings.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/MyTabBar.h"

#include <QApplication>
#include <QLineEdit>
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
        c.phraseView->setFocus(Qt::OtherFocusReason);
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
            c.phraseView->setFocus(Qt::OtherFocusReason);
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

void makeCurrent(PhraseListView *view, int shownRow) {
    const QModelIndex index = view->model()->index(shownRow, 0);
    view->setCurrentIndex(index);
    view->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

} // namespace

QListWidgetItem *currentVisiblePhrase() {
    const PhraseListView *view = appContext().phraseView;
    return view ? view->currentPhrase() : nullptr;
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

bool handleFocusedPickKey(int qtKey, bool shift, bool otherModifiers, bool autoRepeat) {
    if (!pickWindowTakesKeys())
        return false;
    (void)shift; // Shift does not count, as through the hook
    const PickKeyCommand command = pickCommandOfQtKey(qtKey);
    if (autoRepeat && !isMovingCommand(command.command))
        return true;
    if (command.command == PickCommand::InputBadge && otherModifiers)
        return false;
    return carryOutPickCommand(command, KeyRoad::Hook);
}

// The view's rows are the shown phrases.
void selectAdjacentPhrase(int step) {
    PhraseListView *view = appContext().phraseView;
    const int n = view ? view->model()->rowCount() : 0;
    if (n == 0)
        return;
    int r = view->currentIndex().row();
    if (r < 0)
        r = step < 0 ? n : -1; // the first move lands on the last or the first row
    r += step;
    if (r < 0 || r >= n) {
        if (!settings::arrowKeysWrapAround())
            return;
        r = r < 0 ? n - 1 : 0;
    }
    makeCurrent(view, r);
}

void selectEdgePhrase(int step) {
    PhraseListView *view = appContext().phraseView;
    const int n = view ? view->model()->rowCount() : 0;
    if (n > 0)
        makeCurrent(view, step > 0 ? 0 : n - 1);
}

QListWidgetItem *visiblePhraseAt(int n) {
    const PhraseListView *view = appContext().phraseView;
    return view && n >= 1 ? view->shownPhrase(n - 1) : nullptr;
}

void switchGroupBy(int step) {
    QTabBar *tabBar = appContext().groupTabBar;
    // With no tabs there is nothing to switch to.
    if (!tabBar || tabBar->count() == 0)
        return;
    const int current = tabBar->currentIndex();
    tabBar->setCurrentIndex(step < 0 ? qMax(current - 1, 0) : qMin(current + 1, tabBar->count() - 1));
}
