#include "pickwindow/ActivationModel.h"

#include "library/AppContext.h"
#include "library/PhraseItem.h"
#include "library/Settings.h"
#include "output/OutputRunner.h"
#include "pickwindow/AfterNextPaint.h"
#include "pickwindow/FocusReturn.h"
#include "platform/InputOperations.h"
#include "platform/KeyboardHook.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QListWidgetItem>

bool searchMode = false;
NativeWindow savedForegroundWindow = 0;
bool pickWindowTakesFocus = false;

namespace {

KeyboardHook *pickKeyboardHook = nullptr;

} // namespace

void setKeyboardHook(KeyboardHook *hook) {
    pickKeyboardHook = hook;
}

void installKeyboardHook() {
    if (!pickKeyboardHook)
        return;
    if (!keyboardHookSeesEveryKey()) {
        updateKeyboardHook();
        return;
    }
    // A failed install is simply tried again by the next caller.
    if (!searchMode)
        pickKeyboardHook->install();
}

void updateKeyboardHook() {
    if (!pickKeyboardHook || keyboardHookSeesEveryKey())
        return;
    if (pickWindowTakesKeys())
        pickKeyboardHook->install();
    else
        pickKeyboardHook->remove();
}

void showPickWindowNoActivate(QWidget *window) {
    if (pickWindowTakesFocus) {
        // Shown and activated as any window; its keys come as the focused window's.
        searchMode = false;
        if (!window->isVisible())
            window->show();
        window->raise();
        window->activateWindow();
        return;
    }
    searchMode = false;
    const bool wasVisible = window->isVisible();
    // The hook follows the window's first paint: its first install reads the keyboard map,
    // and on X11 each install sends a hundred key grabs that the X server handles before it
    // maps the window. Nobody types into the window before seeing it.
    if (!wasVisible) {
        runAfterNextPaint(window, [window] {
            if (window->isVisible())
                installKeyboardHook();
        });
    }
    // The platform call sets the attribute and the passive style before and after the show.
    showWindowNoActivate(window, settings::alwaysOnTop());
    // Showing posts each widget's repaint as an event for later. Taken now, they join the
    // paint of the window's first expose; taken after it, they painted the window twice.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
    if (wasVisible)
        installKeyboardHook();
}

void showWindow(QWidget *window) {
    if (window == appContext().pickWindow) {
        showPickWindowNoActivate(window);
        return;
    }
    if (window->isHidden())
        window->show();
    window->activateWindow();
}

void enterSearchMode() {
    const AppContext &c = appContext();
    if (!c.pickWindow || !c.searchBox)
        return;
    searchMode = true;
    savedForegroundWindow = foregroundWindow();
    if (pickKeyboardHook)
        pickKeyboardHook->remove();
    setPickWindowNoActivate(c.pickWindow, false);
    if (!c.pickWindow->isVisible())
        c.pickWindow->show();
    c.pickWindow->raise();
    c.pickWindow->activateWindow();
    c.searchBox->setFocus(Qt::ShortcutFocusReason);
    c.searchBox->selectAll();
}

void leaveSearchMode(bool restoreForeground) {
    const AppContext &c = appContext();
    if (!c.pickWindow || !c.searchBox)
        return;
    searchMode = false;
    c.searchBox->clearFocus();
    setPickWindowNoActivate(c.pickWindow, true);
    addNoActivateStyle(c.pickWindow);
    installKeyboardHook();
    if (restoreForeground && savedForegroundWindow && isWindowAlive(savedForegroundWindow))
        setForegroundWindow(savedForegroundWindow);
    savedForegroundWindow = 0;
}

void checkSearchFocusLost() {
    const AppContext &c = appContext();
    if (!searchMode)
        return;
    if (c.searchBox && c.searchBox->hasFocus())
        return;
    // The focus only moved to another widget of the pick window: search mode goes on.
    if (c.pickWindow && c.pickWindow->isActiveWindow())
        return;
    leaveSearchMode(false);
}

bool pickWindowTakesKeys() {
    const QWidget *pickWindow = appContext().pickWindow;
    return !searchMode && pickWindow && pickWindow->isVisible() && !pickKeysBlocked();
}

bool pickKeysBlocked() {
    const AppContext &c = appContext();
    return syntheticKeyCounter > 0 || QApplication::activeModalWidget() ||
           QApplication::activePopupWidget() || (c.settingsWindow && c.settingsWindow->isVisible()) ||
           (c.addWindow.window && c.addWindow.window->isVisible()) ||
           (c.editWindow.window && c.editWindow.window->isVisible());
}

void inputPhraseItem(QListWidgetItem *item, QWidget *window) {
    const QString text = item->data(PhraseTextRole).toString();
    if (pickWindowTakesFocus) {
        // The window has the focus: the output must wait until the application the user
        // came from has it back, and the next key the user types belongs there too.
        window->close();
        whenFocusReturned([text] { startPhraseOutput(text, &settings::outputSettings); });
        return;
    }
    if (!settings::isPinned())
        window->close();
    startPhraseOutput(text, &settings::outputSettings);
}

void onPhraseClicked(QListWidgetItem *item) {
    if (searchMode)
        leaveSearchMode(true);
    inputPhraseItem(item, appContext().pickWindow);
}

void inputPhraseFromHotkey(const QString &text) {
    const auto start = [text] {
        awaitHotkeyKeysLetGo();
        startPhraseOutput(text, &settings::outputSettings);
    };
    QWidget *pickWindow = appContext().pickWindow;
    if (pickWindowTakesFocus && pickWindow && pickWindow->isVisible()) {
        pickWindow->close();
        whenFocusReturned(start);
        return;
    }
    start();
}
