#include "library/PhraseEditing.h"

#include "library/AppContext.h"
#include "library/GroupMenu.h"
#include "library/GroupView.h"
#include "library/HotkeyRules.h"
#include "library/PhraseHotkeys.h"
#include "library/PhraseItem.h"

#include <QKeySequenceEdit>
#include <QListWidget>
#include <QPersistentModelIndex>
#include <QPlainTextEdit>
#include <QTabBar>

QString addTargetGroup;

namespace {

// Held by model index so that a phrase the add or edit window was opened for is followed
// when rows move, and deleting it (here or with its group) leaves no dangling target.
QPersistentModelIndex &addTargetIndex() {
    static QPersistentModelIndex index;
    return index;
}

QPersistentModelIndex &editTargetIndex() {
    static QPersistentModelIndex index;
    return index;
}

QListWidgetItem *itemAt(const QPersistentModelIndex &index) {
    return index.isValid() ? appContext().phraseList->item(index.row()) : nullptr;
}

QPersistentModelIndex indexOf(QListWidgetItem *item) {
    return item ? QPersistentModelIndex(appContext().phraseList->indexFromItem(item))
                : QPersistentModelIndex();
}

// Every change of the phrase list is saved at once; the hotkeys follow the rows, and the
// shown rows and their badges are brought up to date.
void phrasesChanged() {
    const AppContext &c = appContext();
    savePhrases(c.phraseList, c.dataPath);
    rebuildPhraseHotkeys();
    refilterPhraseList();
}

} // namespace

QListWidgetItem *editTarget() {
    return itemAt(editTargetIndex());
}

void setEditTarget(QListWidgetItem *item) {
    editTargetIndex() = indexOf(item);
}

void setAddTarget(const QString &group, QListWidgetItem *after) {
    addTargetGroup = group;
    addTargetIndex() = indexOf(after);
}

void clearEditors(const PhraseEditorWidgets &w) {
    w.textEdit->clear();
    w.remarkEdit->clear();
    w.hotkeyEdit->clear();
}

void fillEditors(const PhraseEditorWidgets &w, const QListWidgetItem *item) {
    w.textEdit->setPlainText(item->data(PhraseTextRole).toString());
    w.remarkEdit->setPlainText(item->data(PhraseRemarkRole).toString());
    w.hotkeyEdit->setKeySequence(hotkeySequence(item->data(PhraseHotkeyRole).toString()));
}

void addPhraseFromWindow() {
    const AppContext &c = appContext();
    const PhraseEditorWidgets &w = c.addWindow;
    const QKeySequence hotkey = w.hotkeyEdit->keySequence();
    if (!hotkey.isEmpty() && !checkPhraseHotkey(hotkey, phraseHotkeys(), w.hotkeyEdit, nullptr)) {
        w.hotkeyEdit->clear();
        return;
    }
    const QString text = w.textEdit->toPlainText();
    if (text.isEmpty()) {
        w.window->close();
        return;
    }
    // A group deleted while the window was open would hide the new phrase for good: it
    // goes to the current group instead.
    QString group = addTargetGroup;
    if (!groupNameExists(c.groupTabBar, group))
        group = c.groupTabBar->tabText(c.groupTabBar->currentIndex());
    QListWidgetItem *item = newPhraseItem({text, w.remarkEdit->toPlainText(), group, hotkeyText(hotkey)});
    if (QListWidgetItem *after = itemAt(addTargetIndex()))
        c.phraseList->insertItem(c.phraseList->row(after) + 1, item);
    else
        c.phraseList->addItem(item);
    phrasesChanged();
    w.window->close();
}

void applyPhraseEdit() {
    const PhraseEditorWidgets &w = appContext().editWindow;
    QListWidgetItem *item = editTarget();
    if (!item) {
        w.window->close();
        return;
    }
    const QKeySequence hotkey = w.hotkeyEdit->keySequence();
    if (!hotkey.isEmpty()) {
        const int row = appContext().phraseList->row(item);
        const QList<GlobalHotkey *> &hotkeys = phraseHotkeys();
        const GlobalHotkey *own = row < hotkeys.size() ? hotkeys.at(row) : nullptr;
        if (!checkPhraseHotkey(hotkey, hotkeys, w.hotkeyEdit, own)) {
            w.hotkeyEdit->setKeySequence(hotkeySequence(item->data(PhraseHotkeyRole).toString()));
            return;
        }
    }
    item->setData(PhraseHotkeyRole, hotkeyText(hotkey));
    const QString text = w.textEdit->toPlainText();
    if (!text.isEmpty())
        item->setData(PhraseTextRole, text);
    item->setData(PhraseRemarkRole, w.remarkEdit->toPlainText());
    refreshPhraseItem(item);
    phrasesChanged();
    w.window->close();
}

void deletePhrase(QListWidgetItem *item) {
    QListWidget *list = appContext().phraseList;
    delete list->takeItem(list->row(item));
    phrasesChanged();
}

void onPhraseRowsMoved() {
    phrasesChanged();
}
