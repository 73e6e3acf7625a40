#pragma once

#include <QListView>

class QListWidget;
class QListWidgetItem;
class ShownPhrasesModel;

// The pick window's phrase list: a view of the shown rows of the phrase store, a list widget
// that is never shown itself. Its model's rows are the shown ones; the rows its own functions
// take and give are the store's, as everywhere else. It scrolls per pixel.
class PhraseListView : public QListView {
    Q_OBJECT
public:
    PhraseListView(QListWidget *store, QWidget *parent);

    QListWidget *store() const;
    ShownPhrasesModel *shownPhrases() const { return shown; }
    // Shows these store rows (ascending); the current phrase stays current while it is shown.
    void showRows(QList<int> storeRows);

    // The current phrase is always a shown one; none when nothing is current.
    QListWidgetItem *currentPhrase() const;
    int currentPhraseRow() const;
    // Makes the phrase at this store row current; a row not shown leaves none current.
    void setCurrentPhraseRow(int storeRow);
    QListWidgetItem *phraseAt(const QPoint &viewportPoint) const;
    QListWidgetItem *phraseOf(const QModelIndex &index) const;
    // The n-th shown phrase, from 0.
    QListWidgetItem *shownPhrase(int n) const;

protected:
    void dropEvent(QDropEvent *event) override;

private:
    ShownPhrasesModel *shown;
};
