#include "pickwindow/KeyHandling.h"

#include "app/AppContext.h"
#include "app/Settings.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/MyTabBar.h"

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

bool inputBadgePhrase(int number, bool modifierHeld) {
    if (modifierHeld || pinnedModeLetsKeyPass(settings::badgeKeyInputsWhenPinned()))
        return false;
    QListWidgetItem *item = visiblePhraseAt(number);
    if (!item)
        return false;
    inputPhraseItem(item, appContext().pickWindow);
    return true;
}

bool isMovingKey(std::uint32_t vk) {
    switch (vk) {
    case HookVk::Up:
    case HookVk::Down:
    case HookVk::Left:
    case HookVk::Right:
    case HookVk::Home:
    case HookVk::End:
        return true;
    default:
        return false;
    }
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

int badgeNumberOfKey(int key) {
    if (key >= 0x31 && key <= 0x39)
        return key - 0x30;
    if (key == 0x30)
        return 10;
    if (key >= 0x41 && key <= 0x5A)
        return key - 54;
    return 0;
}

bool handleHookKey(const HookKeyEvent &event) {
    const AppContext &c = appContext();
    if (!pickWindowTakesKeys())
        return false;
    // Held past the auto-repeat delay, a key that moves the selection or the group moves
    // on; every other key acted at its press and is only kept from the application now.
    if (event.repeat && !isMovingKey(event.vk))
        return true;
    // Shift does not count: Shift+3 still inputs the third phrase.
    const bool modifierHeld = event.modifiers & (HookControl | HookAlt | HookMeta);
    switch (event.vk) {
    case HookVk::Tab:
        enterSearchMode();
        return true;
    case HookVk::Return:
        if (pinnedModeLetsKeyPass(settings::enterKeyInputsWhenPinned()))
            return false;
        return inputCurrentPhrase();
    case HookVk::Escape:
        c.pickWindow->close();
        return true;
    case HookVk::End:
        selectEdgePhrase(-1);
        return true;
    case HookVk::Home:
        selectEdgePhrase(+1);
        return true;
    case HookVk::Left:
        switchGroupBy(-1);
        return true;
    case HookVk::Up:
        selectAdjacentPhrase(-1);
        return true;
    case HookVk::Right:
        switchGroupBy(+1);
        return true;
    case HookVk::Down:
        selectAdjacentPhrase(+1);
        return true;
    case HookVk::Grave:
        if (c.pinButton)
            c.pinButton->click();
        return true;
    default:
        break;
    }
    if (const int number = badgeNumberOfKey(static_cast<int>(event.vk)))
        return inputBadgePhrase(number, modifierHeld);
    return false;
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
