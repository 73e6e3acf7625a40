#include "app/WindowSize.h"

#include "library/AppContext.h"
#include "library/PhraseListView.h"

#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>

namespace {

void place(QWidget *widget, int x, int y, int width, int height) {
    if (!widget)
        return;
    widget->move(x, y);
    // A hand-edited tiny window size must not ask Qt for negative sizes.
    widget->setFixedSize(qMax(0, width), qMax(0, height));
}

// Truncation toward zero of a double-precision product, as the layout rules require.
int scaled(double factor, int length) {
    return static_cast<int>(factor * length);
}

} // namespace

void applyWindowSize(const AppContext &c, int W, int H) {
    if (c.pickWindow)
        c.pickWindow->setFixedSize(W, H);
    // The list is H − 40 high at y = 46: its bottom 6 pixels lie below the window.
    place(c.phraseView, 0, 46, W, H - 40);
    place(c.groupTabBar, 5, 5, W - 230, 40);
    place(c.searchBox, W - 205, 7, 90, 35);
    place(c.settingsButton, W - 41, 5, 36, 36);
    place(c.addButton, W - 77, 5, 36, 36);
    place(c.pinButton, W - 113, 5, 36, 36);
    if (c.settingsWindow)
        c.settingsWindow->setFixedSize(W, H);
    applyEditorWindowSize(c.addWindow, W, H);
    applyEditorWindowSize(c.editWindow, W, H);
}

void applyEditorWindowSize(const PhraseEditorWidgets &w, int W, int H) {
    if (w.window)
        w.window->setFixedSize(W, H);
    place(w.textEdit, 0, 0, W, scaled(0.4, H));
    place(w.helpButton, scaled(0.7, W), scaled(0.4, H), 147, 35);
    place(w.remarkLabel, 10, static_cast<int>(0.5 * H - 20), 50, 20);
    place(w.remarkEdit, 0, scaled(0.5, H), W, scaled(0.25, H));
    place(w.hotkeyLabel, 10, static_cast<int>(7 + 0.8 * H), 50, 20);
    place(w.hotkeyEdit, 70, scaled(0.8, H), scaled(0.4, W), 38);
    place(w.clearButton, static_cast<int>(0.4 * W + 70), scaled(0.8, H), 57, 38);
    place(w.cancelButton, 0, H - 37, W / 2, 33);
    place(w.confirmButton, W / 2, H - 37, W / 2, 33);
}

int boundedWindowLength(int length) {
    return qBound(minimumWindowLength, length, maximumWindowLength);
}
