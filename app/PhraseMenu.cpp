#include "app/PhraseMenu.h"

#include "app/EditorWindowsSetup.h"
#include "library/AppContext.h"
#include "library/PhraseEditing.h"
#include "library/PhraseItem.h"
#include "library/PhraseListView.h"

#include <QListWidgetItem>
#include <QMenu>
#include <QPersistentModelIndex>

void showPhraseMenu(const QPoint &position) {
    const AppContext &c = appContext();
    QListWidgetItem *item = c.phraseView->phraseAt(position);
    if (!item)
        return;
    const QList<QAction *> actions = c.phraseMenu->actions();
    // Held by model index while the menu is open: data.json taken in from outside meanwhile
    // may move the phrase or delete its item, and a deleted one must not be acted on.
    const QPersistentModelIndex at(c.phraseList->indexFromItem(item));
    QAction *chosen = c.phraseMenu->exec(c.phraseView->viewport()->mapToGlobal(position));
    if (!chosen || !at.isValid())
        return;
    item = c.phraseList->item(at.row());
    if (chosen == actions.value(0))
        openEditWindow(item);
    else if (chosen == actions.value(1))
        openAddWindow(item->data(PhraseGroupRole).toString(), item);
    else if (chosen == actions.value(2))
        deletePhrase(item);
}
