#include "library/PhraseListView.h"

#include "library/ShownPhrasesModel.h"

#include <QDropEvent>
#include <QListWidget>

PhraseListView::PhraseListView(QListWidget *store, QWidget *parent)
    : QListView(parent), shown(new ShownPhrasesModel(store, this)) {
    // Set before the view has rows: changing the scroll mode lays out every row at once.
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setModel(shown);
}

QListWidget *PhraseListView::store() const {
    return shown->store();
}

void PhraseListView::showRows(QList<int> storeRows) {
    const int current = currentPhraseRow();
    shown->showRows(std::move(storeRows));
    // A reset leaves no row current.
    if (!currentIndex().isValid() && current >= 0)
        setCurrentPhraseRow(current);
}

QListWidgetItem *PhraseListView::currentPhrase() const {
    return phraseOf(currentIndex());
}

int PhraseListView::currentPhraseRow() const {
    return shown->storeRow(currentIndex().row());
}

void PhraseListView::setCurrentPhraseRow(int storeRow) {
    setCurrentIndex(shown->index(shown->shownRow(storeRow)));
}

QListWidgetItem *PhraseListView::phraseAt(const QPoint &viewportPoint) const {
    return phraseOf(indexAt(viewportPoint));
}

QListWidgetItem *PhraseListView::phraseOf(const QModelIndex &index) const {
    return index.isValid() ? store()->item(shown->storeRow(index.row())) : nullptr;
}

QListWidgetItem *PhraseListView::shownPhrase(int n) const {
    const int row = shown->storeRow(n);
    return row >= 0 ? store()->item(row) : nullptr;
}

void PhraseListView::dropEvent(QDropEvent *event) {
    const QModelIndexList dragged = selectedIndexes();
    if (event->source() != this || dragged.size() != 1) {
        QListView::dropEvent(event);
        return;
    }
    // The phrase moves in the store: before the row dropped above, after the row dropped
    // below (rows of other groups between them stay where they are), to the end of the list
    // when dropped under the rows.
    const QModelIndex target = indexAt(event->position().toPoint());
    const int from = shown->storeRow(dragged.first().row());
    int to = -1;
    switch (target.isValid() ? dropIndicatorPosition() : OnViewport) {
    case AboveItem:
        to = shown->storeRow(target.row());
        break;
    case BelowItem:
        to = shown->storeRow(target.row()) + 1;
        break;
    case OnViewport:
        to = store()->count();
        break;
    case OnItem:
        break;
    }
    if (to >= 0 && to != from && to != from + 1)
        store()->model()->moveRow(QModelIndex(), from, QModelIndex(), to);
    // Moved already: the drag must not take the phrase out afterwards.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}
