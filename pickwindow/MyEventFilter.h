#pragma once

#include <QObject>

class QKeyEvent;
class QLineEdit;
class QAbstractItemView;
class QPushButton;
class QTabBar;
class QWidget;

// Sees every event of the application: keys while the pick window is itself active
// (search mode, or activated some other way), Esc in the add and edit windows, and a
// few events of the pick window and the search box.
class MyEventFilter : public QObject {
    Q_OBJECT
public:
    MyEventFilter(QWidget *pickWindow, QWidget *addWindow, QWidget *editWindow, QPushButton *addCancelButton,
                  QPushButton *editCancelButton, QAbstractItemView *phraseList, QTabBar *groupTabBar,
                  QLineEdit *searchBox);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleSearchBoxKey(int key);
    bool handleActiveWindowKey(int key);

    QWidget *const pickWindow;
    QWidget *const addWindow;
    QWidget *const editWindow;
    QPushButton *const addCancelButton;
    QPushButton *const editCancelButton;
    QAbstractItemView *const phraseList;
    QTabBar *const groupTabBar;
    QLineEdit *const searchBox;
};
