#pragma once

#include <QAbstractListModel>
#include <QList>

#include <memory>

class PinyinSearch;

class QListWidget;

// The badge of the n-th shown row (from 0): "1"–"9", "0", "A"–"Z", then none.
QString badgeForShownRow(int n);

// The phrases the pick window shows: rows of the phrase store, in list order. A shown
// phrase's data is its store item's, its badge that of its place. Rows added to the store
// are shown, rows taken out of it go, and moves in the store move the shown rows along,
// as a list widget's own rows would; the filter chooses the shown rows. A shown row tells
// where the search text was found in its display text.
class ShownPhrasesModel : public QAbstractListModel {
    Q_OBJECT
public:
    ShownPhrasesModel(QListWidget *store, QObject *parent);
    ~ShownPhrasesModel() override;

    QListWidget *store() const { return list; }
    // The store rows shown, ascending.
    const QList<int> &storeRows() const { return rows; }
    // The store row of a shown row, or -1.
    int storeRow(int shownRow) const;
    // The shown row of a store row, or -1 when it is not shown.
    int shownRow(int storeRow) const;
    // Shows these store rows (ascending). A few changed runs are told as removed and inserted
    // rows, so that the current row and the scroll position stay; more as a reset.
    void showRows(QList<int> storeRows);
    // The search text the rows were chosen by; shown rows tell where it was found. Whether
    // it changed: the view draws its rows again then (no dataChanged for every row: a list
    // view takes that for a new layout of them all).
    bool setSearchText(const QString &text);
    // Whether the shown rows come from several groups: each then tells its group's name.
    // Whether it changed, as above.
    bool setGroupsTagged(bool on);
    bool groupsTagged() const { return tagged; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDropActions() const override;

private:
    void storeRowsAboutToBeRemoved(int first, int last);
    void storeRowsRemoved(int first, int last);
    void storeRowsInserted(int first, int last);
    void storeRowsMoved(int first, int last, int destination);
    void storeReset();
    void storeDataChanged(int top, int bottom, const QList<int> &roles);
    qsizetype firstAtOrAfter(int storeRow) const;

    QVariant foundPart(int storeRow) const;

    QListWidget *list;
    QList<int> rows;
    QString searchText;
    bool tagged = false;
    std::unique_ptr<PinyinSearch> pinyin;
};
