#include "app/EditorWindowsSetup.h"

#include "app/HelpWindow.h"
#include "app/Icons.h"
#include "app/WindowPlacement.h"
#include "app/WindowSize.h"
#include "library/AppContext.h"
#include "library/HotkeyEditFilters.h"
#include "library/PhraseEditing.h"

#include <QKeySequenceEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

PhraseEditorWidgets createEditorWindow(const AppContext &c, const QString &title, const QString &confirmText,
                                       void (*confirm)()) {
    PhraseEditorWidgets w;
    w.window = new QWidget;
    w.window->setWindowTitle(title);
    w.window->setWindowIcon(programWindowIcon());
    w.textEdit = new QPlainTextEdit(w.window);
    w.helpButton = new QPushButton(QStringLiteral("如何更高级地输入？"), w.window);
    w.remarkLabel = new QLabel(QStringLiteral("备注："), w.window);
    w.remarkEdit = new QPlainTextEdit(w.window);
    w.hotkeyLabel = new QLabel(QStringLiteral("快捷键："), w.window);
    w.hotkeyEdit = new QKeySequenceEdit(w.window);
    w.clearButton = new QPushButton(QStringLiteral("清空"), w.window);
    w.cancelButton = new QPushButton(QStringLiteral("取消"), w.window);
    w.confirmButton = new QPushButton(confirmText, w.window);

    QKeySequenceEdit *hotkeyEdit = w.hotkeyEdit;
    QObject::connect(w.clearButton, &QPushButton::clicked, hotkeyEdit, &QKeySequenceEdit::clear);
    QObject::connect(w.cancelButton, &QPushButton::clicked, w.window, &QWidget::close);
    QWidget *window = w.window;
    QObject::connect(w.helpButton, &QPushButton::clicked, window,
                     [window] { openAdvancedInputHelp(window); });
    QObject::connect(w.confirmButton, &QPushButton::clicked, window, confirm);
    installPhraseHotkeyEditFilter(w.hotkeyEdit);
    if (c.pickWindow)
        applyEditorWindowSize(w, c.pickWindow->width(), c.pickWindow->height());
    return w;
}

} // namespace

const PhraseEditorWidgets &addWindow(AppContext &c) {
    if (!c.addWindow.window)
        c.addWindow = createEditorWindow(c, QStringLiteral("Verbolin-添加"), QStringLiteral("添加"),
                                         &addPhraseFromWindow);
    return c.addWindow;
}

const PhraseEditorWidgets &editWindow(AppContext &c) {
    if (!c.editWindow.window)
        c.editWindow =
            createEditorWindow(c, QStringLiteral("Verbolin-修改"), QStringLiteral("修改"), &applyPhraseEdit);
    return c.editWindow;
}

void openAddWindow(const QString &group, QListWidgetItem *after) {
    const PhraseEditorWidgets &w = addWindow(appContext());
    clearEditors(w);
    setAddTarget(group, after);
    showAtSavedPosition(w.window);
    w.textEdit->setFocus(Qt::OtherFocusReason);
}

void openEditWindow(QListWidgetItem *item) {
    const PhraseEditorWidgets &w = editWindow(appContext());
    clearEditors(w);
    setEditTarget(item);
    fillEditors(w, item);
    showAtSavedPosition(w.window);
    w.textEdit->setFocus(Qt::OtherFocusReason);
    w.textEdit->selectAll();
}
