#include "pickwindow/MyEventFilter.h"

#include "library/AppContext.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/KeyHandling.h"
#include "platform/DesktopSession.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>

MyEventFilter::MyEventFilter(QWidget *pickWindow, const PhraseEditorWidgets *addWindow,
                             const PhraseEditorWidgets *editWindow, QAbstractItemView *phraseList,
                             QTabBar *groupTabBar, QLineEdit *searchBox)
    : pickWindow(pickWindow), addWindow(addWindow), editWindow(editWindow), phraseList(phraseList),
      groupTabBar(groupTabBar), searchBox(searchBox) {}

bool MyEventFilter::eventFilter(QObject *watched, QEvent *event) {
    // Closing the pick window (program or title bar) only hides it. An accepted close
    // would make Qt destroy its native window, and the new one made at the next show is
    // placed off by the frame: the window crept up by its title bar each time.
    if (watched == pickWindow && event->type() == QEvent::Close) {
        event->ignore();
        pickWindow->hide();
        return true;
    }
    if (watched == pickWindow && event->type() == QEvent::Hide)
        QToolTip::showText(QPoint(), QString());
    // Windows opening and closing (the pick window, the editors, dialogs, menus) change
    // whether the pick window takes keys.
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->isWindow())
        QTimer::singleShot(0, pickWindow, &updateKeyboardHook);
    if (watched == searchBox && event->type() == QEvent::FocusOut && searchMode)
        QTimer::singleShot(0, searchBox, &checkSearchFocusLost);
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *keyEvent = static_cast<QKeyEvent *>(event);
    int key = keyEvent->key();
    if ((searchMode || pickWindowTakesFocus) && searchBox->hasFocus())
        return handleSearchBoxKey(key);
    if (pickWindowTakesFocus && !searchMode && pickWindow->isActiveWindow()) {
        const Qt::KeyboardModifiers modifiers = keyEvent->modifiers();
        // The badge digits are the number-row keys, as through the hook: Shift+2 is "@" to
        // Qt on a US layout, and French puts the digits on the shifted level.
        if (const int digit = numberRowKey(keyEvent->nativeScanCode()))
            key = digit;
        return handleFocusedPickKey(key, modifiers & Qt::ShiftModifier,
                                    modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier),
                                    keyEvent->isAutoRepeat());
    }
    return handleActiveWindowKey(key);
}

bool MyEventFilter::handleSearchBoxKey(int key) {
    return carryOutPickCommand(pickCommandOfQtKey(key), KeyRoad::SearchBox);
}

bool MyEventFilter::handleActiveWindowKey(int key) {
    const PickKeyCommand command = pickCommandOfQtKey(key);
    if (pickWindow->isActiveWindow())
        return carryOutPickCommand(command, KeyRoad::ActiveWindow);
    // Esc in the add or edit window cancels it, as its cancel button does.
    if (command.command == PickCommand::Hide) {
        for (const PhraseEditorWidgets *editor : {addWindow, editWindow}) {
            if (editor->window && editor->window->isActiveWindow()) {
                editor->cancelButton->click();
                return true;
            }
        }
    }
    return false;
}
