#pragma once

#include <QString>

class QAction;
class QKeySequenceEdit;
class QLabel;
class QListWidget;
class PhraseListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabBar;
class QLineEdit;
class QSystemTrayIcon;
class QWidget;
class GlobalHotkey;
class NoActivateNativeFilter;
class SingleInstanceApplication;

// The children of the add window and of the edit window: both have the same layout.
struct PhraseEditorWidgets {
    QWidget *window = nullptr;
    QPlainTextEdit *textEdit = nullptr;
    QPushButton *helpButton = nullptr;
    QLabel *remarkLabel = nullptr;
    QPlainTextEdit *remarkEdit = nullptr;
    QLabel *hotkeyLabel = nullptr;
    QKeySequenceEdit *hotkeyEdit = nullptr;
    QPushButton *clearButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QPushButton *confirmButton = nullptr; // "添加" or "修改"
};

// The process-wide objects made at start-up and alive until exit.
struct AppContext {
    SingleInstanceApplication *application = nullptr;
    QString configPath;
    QString dataPath;
    QString tabPath;

    QWidget *pickWindow = nullptr;
    NoActivateNativeFilter *noActivateFilter = nullptr;
    // The phrase store: its rows, in order, are the phrases. Never shown.
    QListWidget *phraseList = nullptr;
    // What the pick window shows of the store.
    PhraseListView *phraseView = nullptr;
    QTabBar *groupTabBar = nullptr;
    QLineEdit *searchBox = nullptr;
    QPushButton *settingsButton = nullptr;
    QPushButton *addButton = nullptr;
    QPushButton *pinButton = nullptr;

    // Built the first time they are opened (app/SettingsWindowSetup.h, app/EditorWindowsSetup.h).
    QWidget *settingsWindow = nullptr;
    PhraseEditorWidgets addWindow;
    PhraseEditorWidgets editWindow;

    QMenu *phraseMenu = nullptr;
    QMenu *trayMenu = nullptr;
    QSystemTrayIcon *trayIcon = nullptr;
    GlobalHotkey *globalHotkey = nullptr;

    // Settings controls that start-up and other windows reach.
    QKeySequenceEdit *globalHotkeyEdit = nullptr;
    QSpinBox *widthSpinBox = nullptr;
    QSpinBox *heightSpinBox = nullptr;
};

AppContext &appContext();
