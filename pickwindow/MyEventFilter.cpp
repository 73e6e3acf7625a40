#include "pickwindow/MyEventFilter.h"

#include "pickwindow/ActivationModel.h"
#include "pickwindow/KeyHandling.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QToolTip>

MyEventFilter::MyEventFilter(QWidget *pickWindow, QWidget *addWindow, QWidget *editWindow,
                             QPushButton *addCancelButton, QPushButton *editCancelButton,
                             QListWidget *phraseList, QTabBar *groupTabBar, QLineEdit *searchBox)
    : pickWindow(pickWindow), addWindow(addWindow), editWindow(editWindow), addCancelButton(addCancelButton),
      editCancelButton(editCancelButton), phraseList(phraseList), groupTabBar(groupTabBar),
      searchBox(searchBox) {}

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
        return searchRoad(key);
    return activeWindowRoad(key);
}

bool MyEventFilter::searchRoad(int key) {
    switch (key) {
    case Qt::Key_Escape:
        if (!searchBox->text().isEmpty())
            searchBox->clear();
        leaveSearchMode(true);
        return true;
    case Qt::Key_Tab:
        leaveSearchMode(true);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QListWidgetItem *item = currentVisiblePhrase();
        leaveSearchMode(true);
        if (item)
            inputPhraseItem(item, pickWindow);
        return true;
    }
    case Qt::Key_Up:
        selectAdjacentPhrase(-1);
        return true;
    case Qt::Key_Down:
        selectAdjacentPhrase(+1);
        return true;
    default:
        return false; // the search box edits its text as usual
    }
}

void MyEventFilter::focusListIfSearching() {
    if (searchBox->hasFocus())
        phraseList->setFocus(Qt::OtherFocusReason);
}

bool MyEventFilter::activeWindowRoad(int key) {
    const bool pickActive = pickWindow->isActiveWindow();
    if (key == Qt::Key_Tab && pickActive) {
        if (searchBox->hasFocus())
            phraseList->setFocus(Qt::OtherFocusReason);
        else
            searchBox->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (key == Qt::Key_Escape) {
        if (pickActive) {
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
            pickWindow->close();
            return true;
        }
        if (addWindow->isActiveWindow()) {
            addCancelButton->click();
            return true;
        }
        if (editWindow->isActiveWindow()) {
            editCancelButton->click();
            return true;
        }
    }
    if (!pickActive)
        return false;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (searchBox->hasFocus()) {
            phraseList->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (QListWidgetItem *item = currentVisiblePhrase()) {
            inputPhraseItem(item, pickWindow);
            return true;
        }
        return false;
    case Qt::Key_Left:
        focusListIfSearching();
        switchGroupBy(-1);
        return true;
    case Qt::Key_Right:
        focusListIfSearching();
        switchGroupBy(+1);
        return true;
    case Qt::Key_Up:
        focusListIfSearching();
        selectAdjacentPhrase(-1);
        return true;
    case Qt::Key_Down:
        focusListIfSearching();
        selectAdjacentPhrase(+1);
        return true;
    default:
        break;
    }
    if (searchBox->hasFocus())
        return false;
    if (QListWidgetItem *item = visiblePhraseAt(badgeNumberOfKey(key))) {
        inputPhraseItem(item, pickWindow);
        return true;
    }
    return false;
}
