#include "pickwindow/MyEventFilter.h"

#include "library/AppContext.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/KeyHandling.h"

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
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (searchMode && searchBox->hasFocus())
        return handleSearchBoxKey(key);
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
