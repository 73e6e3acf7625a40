#include "library/PhraseFilter.h"

#include "app/Settings.h"
#include "library/CaseInsensitiveSearch.h"
#include "library/PhraseItem.h"

#include <QListWidget>

#include <algorithm>

QString badgeForShownRow(int n) {
    if (n < 0 || n >= 36)
        return QString();
    if (n < 9)
        return QString(QChar(u'1' + n));
    if (n == 9)
        return QStringLiteral("0");
    return QString(QChar(u'A' + (n - 10)));
}

QString phraseItemStyleSheet(int itemHeight) {
    return QStringLiteral("QListWidget::item{ height: %1px; padding: %2px %3px; }")
        .arg(itemHeight)
        .arg(settings::phraseItemPaddingVertical())
        .arg(settings::phraseItemPaddingHorizontal());
}

namespace {

// What the last filter pass left on a list: the rows of its group and the rows it showed, in
// list order. It stays valid while the list's rows and phrases stay as they were (any change
// of the model but a badge drops it), so that the next pass can start from it instead of
// visiting every row. Rows are hidden and shown by the filter alone.
class LastFilterPass : public QObject {
public:
    explicit LastFilterPass(QListWidget *list) : QObject(list) {
        setObjectName(name());
        const QAbstractItemModel *model = list->model();
        connect(model, &QAbstractItemModel::rowsInserted, this, &LastFilterPass::forget);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &LastFilterPass::forget);
        connect(model, &QAbstractItemModel::rowsMoved, this, &LastFilterPass::forget);
        connect(model, &QAbstractItemModel::modelReset, this, [this] {
            forget();
            // The view shows every row again.
            mayHaveHiddenRows = false;
        });
        connect(model, &QAbstractItemModel::layoutChanged, this, &LastFilterPass::forget);
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                    if (roles != QList<int>{PhraseBadgeRole})
                        forget();
                });
    }

    static QString name() { return QStringLiteral("lastFilterPass"); }

    static LastFilterPass *of(QListWidget *list) {
        QObject *found = list->findChild<QObject *>(name(), Qt::FindDirectChildrenOnly);
        return found ? static_cast<LastFilterPass *>(found) : new LastFilterPass(list);
    }

    void forget() {
        valid = false;
        items = {};
    }

    struct Shown {
        QString searchText;
        QList<int> rows;
    };

    bool valid = false;
    // False while the view holds no hidden row: before the first pass (only passes hide
    // rows) and after a reset of the model. A pass then need not ask the view row by row.
    bool mayHaveHiddenRows = false;
    QString group;
    QList<int> groupRows;
    // Every row's item, taken on the first pass that searches: reading them from the list
    // costs more than testing most phrases.
    QList<QListWidgetItem *> items;
    // The rows shown for the texts typed on the way to the current one, each text
    // containing the one before; the last is what the list shows.
    QList<Shown> history;
};

constexpr qsizetype maxRememberedTexts = 64;

// The search text, prepared once per pass.
class SearchMatcher {
public:
    explicit SearchMatcher(const QString &searchText) : any(searchText.isEmpty()), search(searchText) {}

    bool matches(const QListWidgetItem *item) const {
        if (any)
            return true;
        // A phrase item's own strings: reading them as item data copies each one twice.
        if (const PhraseRecord *record = phraseRecordIn(item))
            return search.foundIn(record->text) || search.foundIn(record->remark);
        return search.foundIn(item->data(PhraseTextRole).toString()) ||
               search.foundIn(item->data(PhraseRemarkRole).toString());
    }

private:
    bool any;
    CaseInsensitiveSearch search;
};

// Holds the list's repaints while a pass hides and shows rows (each change would ask for
// one) and repaints it once at the end.
class HeldRepaints {
public:
    explicit HeldRepaints(QListWidget *list) : list(list), held(list->updatesEnabled()) {
        if (held)
            list->setUpdatesEnabled(false);
    }
    ~HeldRepaints() {
        if (held)
            list->setUpdatesEnabled(true);
    }
    HeldRepaints(const HeldRepaints &) = delete;
    HeldRepaints &operator=(const HeldRepaints &) = delete;

private:
    QListWidget *list;
    bool held;
};

void setBadge(QListWidgetItem *item, const QString &badge) {
    // Skip no-op writes: each one costs a repaint.
    if (const QString *own = phraseBadgeIn(item)) {
        if (*own != badge)
            item->setData(PhraseBadgeRole, badge);
        return;
    }
    if (item->data(PhraseBadgeRole).toString() != badge)
        item->setData(PhraseBadgeRole, badge);
}

// Visits every row: the first pass, and the pass after any change of the phrases.
void filterEveryRow(QListWidget *list, const QString &group, const QString &searchText,
                    LastFilterPass *pass) {
    const SearchMatcher search(searchText);
    pass->groupRows.clear();
    QList<int> shown;
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        // The group is the cheap test: rows of other groups are never searched.
        const PhraseRecord *record = phraseRecordIn(item);
        const bool inGroup = record ? record->tab == group : item->data(PhraseGroupRole).toString() == group;
        if (inGroup)
            pass->groupRows.append(row);
        const bool show = inGroup && search.matches(item);
        // Skip no-op writes: each one costs a relayout or a repaint on big lists.
        if (pass->mayHaveHiddenRows ? list->isRowHidden(row) == show : !show)
            list->setRowHidden(row, !show);
        setBadge(item, show ? badgeForShownRow(int(shown.size())) : QString());
        if (show)
            shown.append(row);
    }
    // Without a search text the group's rows are the shown ones: one list for both.
    pass->history = {{searchText, searchText.isEmpty() ? pass->groupRows : shown}};
    pass->mayHaveHiddenRows = shown.size() < list->count();
}

// Hides and shows the rows whose state differs between two sorted lists of shown rows.
void showOnly(QListWidget *list, const QList<int> &wasShown, const QList<int> &shown) {
    qsizetype i = 0, j = 0;
    while (i < wasShown.size() || j < shown.size()) {
        if (j == shown.size() || (i < wasShown.size() && wasShown.at(i) < shown.at(j))) {
            list->setRowHidden(wasShown.at(i++), true);
        } else if (i == wasShown.size() || shown.at(j) < wasShown.at(i)) {
            list->setRowHidden(shown.at(j++), false);
        } else {
            ++i;
            ++j;
        }
    }
}

// Visits the rows of the group only. A longer search text tests only the rows the shorter
// one showed (whatever contains the longer text contains the shorter one); going back to
// a text typed before takes its rows as they were.
void filterGroupRows(QListWidget *list, const QString &searchText, LastFilterPass *pass) {
    const QList<int> wasShown = pass->history.last().rows;
    auto &history = pass->history;
    while (!history.isEmpty() && !searchText.contains(history.last().searchText, Qt::CaseInsensitive))
        history.removeLast();
    QList<int> shown;
    if (!history.isEmpty() && history.last().searchText == searchText) {
        shown = history.last().rows;
    } else {
        const SearchMatcher search(searchText);
        const QList<int> &candidates = history.isEmpty() ? pass->groupRows : history.last().rows;
        QList<QListWidgetItem *> &items = pass->items;
        if (items.isEmpty()) {
            items.resize(list->count());
            QListWidgetItem **item = items.data();
            for (int row = 0; row < list->count(); ++row)
                item[row] = list->item(row);
        }
        for (const int row : candidates)
            if (search.matches(items.at(row)))
                shown.append(row);
        // The shortest text stays: every other one can be reached from it.
        if (history.size() >= maxRememberedTexts)
            history.removeAt(1);
        history.append({searchText, shown});
    }
    showOnly(list, wasShown, shown);
    pass->mayHaveHiddenRows = pass->mayHaveHiddenRows || shown.size() < wasShown.size();
    // Only the first 36 shown rows carry badges, before and after.
    const qsizetype badged = 36;
    const qsizetype nowBadged = std::min(shown.size(), badged);
    for (qsizetype n = 0; n < wasShown.size() && n < badged; ++n) {
        const int row = wasShown.at(n);
        if (std::find(shown.cbegin(), shown.cbegin() + nowBadged, row) == shown.cbegin() + nowBadged)
            setBadge(list->item(row), QString());
    }
    for (qsizetype n = 0; n < nowBadged; ++n)
        setBadge(list->item(shown.at(n)), badgeForShownRow(int(n)));
}

} // namespace

void filterPhraseList(QListWidget *list, const QString &group, const QString &searchText) {
    LastFilterPass *pass = LastFilterPass::of(list);
    const HeldRepaints heldRepaints(list);
    if (pass->valid && pass->group == group) {
        filterGroupRows(list, searchText, pass);
    } else {
        filterEveryRow(list, group, searchText, pass);
        pass->group = group;
        pass->valid = true;
    }
}

void selectFirstVisiblePhrase(QListWidget *list) {
    const LastFilterPass *pass = LastFilterPass::of(list);
    if (pass->valid) {
        const QList<int> &shown = pass->history.last().rows;
        if (!shown.isEmpty())
            list->setCurrentItem(list->item(shown.first()));
        return;
    }
    for (int row = 0; row < list->count(); ++row) {
        if (!list->isRowHidden(row)) {
            list->setCurrentItem(list->item(row));
            return;
        }
    }
}
