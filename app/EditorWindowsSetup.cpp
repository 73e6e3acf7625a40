#include "app/EditorWindowsSetup.h"

#include "app/AppContext.h"
#include "app/HelpWindow.h"
#include "app/Icons.h"
#include "library/HotkeyEditFilters.h"

#include <QKeySequenceEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

PhraseEditorWidgets createEditorWindow(const QString &title, const QString &confirmText) {
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
    return w;
}

} // namespace

void createAddWindow(AppContext &c) {
    c.addWindow = createEditorWindow(QStringLiteral("Verbolin-添加"), QStringLiteral("添加"));
    installPhraseHotkeyEditFilter(c.addWindow.hotkeyEdit);
}

void createEditWindow(AppContext &c) {
    c.editWindow = createEditorWindow(QStringLiteral("Verbolin-修改"), QStringLiteral("修改"));
    installPhraseHotkeyEditFilter(c.editWindow.hotkeyEdit);
}
