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
    // The search text the shown rows were chosen by, and whether they come from every group.
    void setSearchText(const QString &text, bool everyGroup);

    // The current phrase is always a shown one; none when nothing is current.
    QListWidgetItem *currentPhrase() const;
    int currentPhraseRow() const;
    // Makes the phrase at this store row current; a row not shown leaves none current.
    void setCurrentPhraseRow(int storeRow);
    QListWidgetItem *phraseAt(const QPoint &viewportPoint) const;
    QListWidgetItem *phraseOf(const QModelIndex &index) const;
    // The n-th shown phrase, from 0.
    QListWidgetItem *shownPhrase(int n) const;
    // Why the phrase at store row `from` may not be dropped beside the one at store row
    // `beside`; empty when it may. While the list shows the rows of every group, a phrase is
    // dragged only among the phrases of its own group: it keeps its group wherever it goes,
    // and dropped among another group's phrases it would seem to have joined that group.
    QString moveRefusal(int from, int beside) const;

protected:
    void dropEvent(QDropEvent *event) override;

private:
    ShownPhrasesModel *shown;
};
