#include "library/ShownPhrasesModel.h"

#include "library/PhraseItem.h"
#include "library/pinyin/PinyinSearch.h"

#include <QListWidget>
#include <QPoint>

#include <algorithm>
#include <numeric>

QString badgeForShownRow(int n) {
    if (n < 0 || n >= 36)
        return QString();
    if (n < 9)
        return QString(QChar(u'1' + n));
    if (n == 9)
        return QStringLiteral("0");
    return QString(QChar(u'A' + (n - 10)));
}

namespace {

// Above this many changed runs one reset costs less than telling each run.
constexpr int maxToldRuns = 16;

// The runs of rows shown by one list and not the other, up to limit + 1.
int changedRuns(const QList<int> &was, const QList<int> &now, int limit) {
    int runs = 0;
    qsizetype i = 0, j = 0;
    bool inRun = false;
    while ((i < was.size() || j < now.size()) && runs <= limit) {
        if (i < was.size() && j < now.size() && was.at(i) == now.at(j)) {
            ++i;
            ++j;
            inRun = false;
            continue;
        }
        if (!inRun)
            ++runs;
        inRun = true;
        if (j == now.size() || (i < was.size() && was.at(i) < now.at(j)))
            ++i;
        else
            ++j;
    }
    return runs;
}

} // namespace

ShownPhrasesModel::ShownPhrasesModel(QListWidget *store, QObject *parent)
    : QAbstractListModel(parent), list(store), rows(store->count()) {
    std::iota(rows.begin(), rows.end(), 0);
    const QAbstractItemModel *model = store->model();
    // Made right after the store, before anything else follows its rows: the shown rows are
    // renumbered before other slots (the save and new filter pass after a move) run.
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { storeRowsAboutToBeRemoved(first, last); });
    connect(model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) { storeRowsRemoved(first, last); });
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { storeRowsInserted(first, last); });
    connect(model, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex &, int first, int last, const QModelIndex &, int destination) {
                storeRowsMoved(first, last, destination);
            });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &ShownPhrasesModel::beginResetModel);
    connect(model, &QAbstractItemModel::modelReset, this, &ShownPhrasesModel::storeReset);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
                storeDataChanged(topLeft.row(), bottomRight.row(), roles);
            });
}

ShownPhrasesModel::~ShownPhrasesModel() = default;

bool ShownPhrasesModel::setSearchText(const QString &text) {
    if (text == searchText)
        return false;
    searchText = text;
    pinyin = std::make_unique<PinyinSearch>(text);
    return true;
}

bool ShownPhrasesModel::setGroupsTagged(bool on) {
    if (on == tagged)
        return false;
    tagged = on;
    return true;
}

QVariant ShownPhrasesModel::foundPart(int storeRow) const {
    if (searchText.isEmpty())
        return QVariant();
    const QString shown = list->item(storeRow)->data(Qt::DisplayRole).toString();
    const qsizetype at = shown.indexOf(searchText, 0, Qt::CaseInsensitive);
    if (at >= 0)
        return QPoint(int(at), int(at + searchText.size()));
    const FoundSpan spelled = pinyin->find(shown);
    return spelled.found() ? QVariant(QPoint(int(spelled.from), int(spelled.to))) : QVariant();
}

int ShownPhrasesModel::storeRow(int shownRow) const {
    return shownRow >= 0 && shownRow < rows.size() ? rows.at(shownRow) : -1;
}

int ShownPhrasesModel::shownRow(int storeRow) const {
    const qsizetype at = firstAtOrAfter(storeRow);
    return at < rows.size() && rows.at(at) == storeRow ? int(at) : -1;
}

qsizetype ShownPhrasesModel::firstAtOrAfter(int storeRow) const {
    return std::lower_bound(rows.cbegin(), rows.cend(), storeRow) - rows.cbegin();
}

void ShownPhrasesModel::showRows(QList<int> storeRows) {
    if (storeRows == rows)
        return;
    if (changedRuns(rows, storeRows, maxToldRuns) > maxToldRuns) {
        beginResetModel();
        rows = std::move(storeRows);
        endResetModel();
        return;
    }
    qsizetype i = 0, j = 0;
    while (i < rows.size() || j < storeRows.size()) {
        if (i < rows.size() && j < storeRows.size() && rows.at(i) == storeRows.at(j)) {
            ++i;
            ++j;
        } else if (j == storeRows.size() || (i < rows.size() && rows.at(i) < storeRows.at(j))) {
            qsizetype end = i;
            while (end < rows.size() && (j == storeRows.size() || rows.at(end) < storeRows.at(j)))
                ++end;
            beginRemoveRows(QModelIndex(), int(i), int(end - 1));
            rows.remove(i, end - i);
            endRemoveRows();
        } else {
            qsizetype end = j;
            while (end < storeRows.size() && (i == rows.size() || storeRows.at(end) < rows.at(i)))
                ++end;
            beginInsertRows(QModelIndex(), int(i), int(i + end - j - 1));
            rows.insert(i, end - j, 0);
            std::copy(storeRows.cbegin() + j, storeRows.cbegin() + end, rows.begin() + i);
            endInsertRows();
            i += end - j;
            j = end;
        }
    }
}

int ShownPhrasesModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(rows.size());
}

QVariant ShownPhrasesModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rows.size())
        return QVariant();
    if (role == PhraseBadgeRole) {
        const QString badge = badgeForShownRow(index.row());
        return badge.isEmpty() ? QVariant() : QVariant(badge);
    }
    if (role == PhraseFoundRole)
        return foundPart(rows.at(index.row()));
    if (role == PhraseGroupTagRole)
        return tagged ? list->item(rows.at(index.row()))->data(PhraseGroupRole) : QVariant();
    return list->item(rows.at(index.row()))->data(role);
}

Qt::ItemFlags ShownPhrasesModel::flags(const QModelIndex &index) const {
    // As a list widget's: between the rows is where a dragged phrase drops.
    if (!index.isValid() || index.row() >= rows.size())
        return Qt::ItemIsDropEnabled;
    return list->item(rows.at(index.row()))->flags();
}

Qt::DropActions ShownPhrasesModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

void ShownPhrasesModel::storeRowsAboutToBeRemoved(int first, int last) {
    const qsizetype from = firstAtOrAfter(first), to = firstAtOrAfter(last + 1);
    if (from == to)
        return;
    beginRemoveRows(QModelIndex(), int(from), int(to - 1));
    rows.remove(from, to - from);
    endRemoveRows();
}

void ShownPhrasesModel::storeRowsRemoved(int first, int last) {
    const int removed = last - first + 1;
    for (auto row = rows.begin() + firstAtOrAfter(first); row != rows.end(); ++row)
        *row -= removed;
}

void ShownPhrasesModel::storeRowsInserted(int first, int last) {
    const int inserted = last - first + 1;
    const qsizetype at = firstAtOrAfter(first);
    for (auto row = rows.begin() + at; row != rows.end(); ++row)
        *row += inserted;
    beginInsertRows(QModelIndex(), int(at), int(at + inserted - 1));
    rows.insert(at, inserted, 0);
    std::iota(rows.begin() + at, rows.begin() + at + inserted, first);
    endInsertRows();
}

void ShownPhrasesModel::storeRowsMoved(int first, int last, int destination) {
    const int moved = last - first + 1;
    // Where a row of the store is now.
    const auto movedTo = [=](int row) {
        if (row >= first && row <= last)
            return (destination > last ? destination - moved : destination) + row - first;
        if (destination > last && row > last && row < destination)
            return row - moved;
        if (destination < first && row >= destination && row < first)
            return row + moved;
        return row;
    };
    const qsizetype from = firstAtOrAfter(first), to = firstAtOrAfter(last + 1);
    const qsizetype before = firstAtOrAfter(destination);
    const bool reordered = from < to && (before < from || before > to);
    if (reordered)
        beginMoveRows(QModelIndex(), int(from), int(to - 1), QModelIndex(), int(before));
    for (int &row : rows)
        row = movedTo(row);
    if (reordered) {
        std::sort(rows.begin(), rows.end());
        endMoveRows();
    }
}

void ShownPhrasesModel::storeReset() {
    // A list widget shows every row again after a reset.
    rows.resize(list->count());
    std::iota(rows.begin(), rows.end(), 0);
    endResetModel();
}

void ShownPhrasesModel::storeDataChanged(int top, int bottom, const QList<int> &roles) {
    const qsizetype from = firstAtOrAfter(top), to = firstAtOrAfter(bottom + 1);
    if (from < to)
        emit dataChanged(index(int(from)), index(int(to - 1)), roles);
}
