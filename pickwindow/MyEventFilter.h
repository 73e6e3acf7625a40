#pragma once

#include <QObject>

struct PhraseEditorWidgets;
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
    // The add and edit windows are followed through their widgets' record, as they are
    // built only when first opened.
    MyEventFilter(QWidget *pickWindow, const PhraseEditorWidgets *addWindow,
                  const PhraseEditorWidgets *editWindow, QAbstractItemView *phraseList, QTabBar *groupTabBar,
                  QLineEdit *searchBox);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleSearchBoxKey(int key);
    bool handleActiveWindowKey(int key);

    QWidget *const pickWindow;
    const PhraseEditorWidgets *const addWindow;
    const PhraseEditorWidgets *const editWindow;
    QAbstractItemView *const phraseList;
    QTabBar *const groupTabBar;
    QLineEdit *const searchBox;
};
