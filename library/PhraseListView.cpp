#include "library/PhraseListView.h"

#include "library/ShownPhrasesModel.h"

#include "library/PhraseItem.h"

#include <QDropEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

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

void PhraseListView::setSearchText(const QString &text, bool everyGroup) {
    const bool found = shown->setSearchText(text);
    const bool tagged = shown->setGroupsTagged(everyGroup);
    if (found || tagged)
        viewport()->update();
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

QString PhraseListView::moveRefusal(int from, int beside) const {
    if (!shown->groupsTagged() || from < 0 || beside < 0 || from >= store()->count() ||
        beside >= store()->count())
        return QString();
    if (store()->item(from)->data(PhraseGroupRole) == store()->item(beside)->data(PhraseGroupRole))
        return QString();
    return QStringLiteral("搜索所有分组时，短语只能拖到同一分组的短语旁边  ");
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
    const QString refusal =
        to >= 0 && target.isValid() ? moveRefusal(from, shown->storeRow(target.row())) : QString();
    if (!refusal.isEmpty()) {
        // Told once the drag has ended: a box inside the drop would run within the drag.
        QTimer::singleShot(0, this, [view = QPointer<PhraseListView>(this), refusal] {
            if (view)
                QMessageBox::information(view->window(), QStringLiteral("提示"), refusal, QMessageBox::Ok);
        });
    } else if (to >= 0 && to != from && to != from + 1) {
        store()->model()->moveRow(QModelIndex(), from, QModelIndex(), to);
    }
    // Moved already: the drag must not take the phrase out afterwards.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}
