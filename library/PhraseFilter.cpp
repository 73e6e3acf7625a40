#include "library/PhraseFilter.h"

#include "library/CaseInsensitiveSearch.h"
#include "library/PhraseItem.h"
#include "library/PhraseListView.h"
#include "library/Settings.h"
#include "library/ShownPhrasesModel.h"
#include "library/pinyin/PinyinSearch.h"

#include <QListWidget>

QString phraseItemStyleSheet(int itemHeight) {
    return QStringLiteral("PhraseListView::item{ height: %1px; padding: %2px %3px; }")
        .arg(itemHeight)
        .arg(settings::phraseItemPaddingVertical())
        .arg(settings::phraseItemPaddingHorizontal());
}

namespace {

// A row's item and, for a phrase item, its own strings.
struct SearchedPhrase {
    const QListWidgetItem *item;
    const PhraseRecord *record;
};

// What the last filter pass left on a list: the rows of its group and the rows it showed, in
// list order. It stays valid while the store's rows and phrases stay as they were (any change
// of them drops it), so that the next pass can start from it instead of visiting every row.
class LastFilterPass : public QObject {
public:
    explicit LastFilterPass(PhraseListView *view) : QObject(view) {
        setObjectName(name());
        const QAbstractItemModel *model = view->store()->model();
        connect(model, &QAbstractItemModel::rowsInserted, this, &LastFilterPass::forget);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &LastFilterPass::forget);
        connect(model, &QAbstractItemModel::rowsMoved, this, &LastFilterPass::forget);
        connect(model, &QAbstractItemModel::modelReset, this, &LastFilterPass::forget);
        connect(model, &QAbstractItemModel::layoutChanged, this, &LastFilterPass::forget);
        connect(model, &QAbstractItemModel::dataChanged, this, &LastFilterPass::forget);
    }

    static QString name() { return QStringLiteral("lastFilterPass"); }

    static LastFilterPass *of(PhraseListView *view) {
        QObject *found = view->findChild<QObject *>(name(), Qt::FindDirectChildrenOnly);
        return found ? static_cast<LastFilterPass *>(found) : new LastFilterPass(view);
    }

    void forget() {
        valid = false;
        phrases = {};
    }

    struct Shown {
        QString searchText;
        QList<int> rows;
    };

    bool valid = false;
    QString group;
    bool allGroups = false; // the rows of every group, not only of `group`
    QList<int> groupRows;
    // The group's phrases by row, taken on the first pass that searches the group: reading
    // them from the list costs more than testing most phrases.
    QList<SearchedPhrase> phrases;
    // The rows shown for the texts typed on the way to the current one, each text
    // narrowing the one before (see narrows()); the last is what the list shows.
    QList<Shown> history;
};

constexpr qsizetype maxRememberedTexts = 64;

// The search text, prepared once per pass: found as it is, or spelled in pinyin.
class SearchMatcher {
public:
    explicit SearchMatcher(const QString &searchText)
        : any(searchText.isEmpty()), search(searchText), pinyin(searchText) {}

    bool matches(const SearchedPhrase &phrase) const {
        if (any)
            return true;
        // A phrase item's own strings: reading them as item data copies each one twice.
        if (const PhraseRecord *record = phrase.record)
            return matches(record->text, record->remark);
        return matches(phrase.item->data(PhraseTextRole).toString(),
                       phrase.item->data(PhraseRemarkRole).toString());
    }

private:
    bool matches(const QString &text, const QString &remark) const {
        if (search.foundIn(text) || search.foundIn(remark))
            return true;
        return pinyin.active() && (pinyin.foundIn(text) || pinyin.foundIn(remark));
    }

    bool any;
    CaseInsensitiveSearch search;
    PinyinSearch pinyin;
};

// Whether every phrase the text `longer` matches is one that `shorter` matches too. Text
// found as it is: when it contains the shorter one. Pinyin is spelled from the text's first
// letter on, so a phrase spelling "shi" (世) need not spell "hi": a text with letters
// narrows only a text it begins with.
bool narrows(const QString &longer, const QString &shorter) {
    if (shorter.isEmpty())
        return true;
    if (PinyinSearch(longer).active())
        return longer.startsWith(shorter, Qt::CaseInsensitive);
    return longer.contains(shorter, Qt::CaseInsensitive);
}

// Visits every row: the first pass, and the pass after any change of the phrases.
void filterEveryRow(const QListWidget *list, const QString &group, bool allGroups, const QString &searchText,
                    LastFilterPass *pass) {
    const SearchMatcher search(searchText);
    pass->groupRows.clear();
    pass->phrases = {};
    QList<int> shown;
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem *item = list->item(row);
        // The group is the cheap test: rows of other groups are never searched.
        const PhraseRecord *record = phraseRecordIn(item);
        const bool inGroup =
            allGroups || (record ? record->tab == group : item->data(PhraseGroupRole).toString() == group);
        if (!inGroup)
            continue;
        pass->groupRows.append(row);
        if (!searchText.isEmpty() && search.matches({item, record}))
            shown.append(row);
    }
    // Without a search text the group's rows are the shown ones: one list for both.
    pass->history = {{searchText, searchText.isEmpty() ? pass->groupRows : shown}};
}

// Visits the rows of the group only. A longer search text tests only the rows the shorter
// one showed (see narrows()); going back to a text typed before takes its rows as they were.
void filterGroupRows(const QListWidget *list, const QString &searchText, LastFilterPass *pass) {
    auto &history = pass->history;
    while (!history.isEmpty() && !narrows(searchText, history.last().searchText))
        history.removeLast();
    if (!history.isEmpty() && history.last().searchText == searchText)
        return;
    const SearchMatcher search(searchText);
    const QList<int> &candidates = history.isEmpty() ? pass->groupRows : history.last().rows;
    QList<SearchedPhrase> &phrases = pass->phrases;
    if (phrases.isEmpty()) {
        phrases.resize(list->count());
        SearchedPhrase *phrase = phrases.data();
        for (const int row : pass->groupRows) {
            const QListWidgetItem *item = list->item(row);
            phrase[row] = {item, phraseRecordIn(item)};
        }
    }
    // Written in place: appending row by row costs as much as many searches. What is left
    // unused is at most the size of the list before it in the history.
    QList<int> shown(candidates.size());
    int *end = shown.data();
    const SearchedPhrase *phrase = phrases.constData();
    for (const int row : candidates)
        if (search.matches(phrase[row]))
            *end++ = row;
    shown.resize(end - shown.constData());
    // The shortest text stays: every other one can be reached from it.
    if (history.size() >= maxRememberedTexts)
        history.removeAt(1);
    history.append({searchText, shown});
}

} // namespace

void filterPhraseList(PhraseListView *view, const QString &group, const QString &searchText) {
    LastFilterPass *pass = LastFilterPass::of(view);
    // Searching every group, the current one does not matter; without a search text the
    // current group is shown again.
    const bool allGroups = settings::searchesAllGroups() && !searchText.isEmpty();
    if (pass->valid && pass->allGroups == allGroups && (allGroups || pass->group == group)) {
        filterGroupRows(view->store(), searchText, pass);
    } else {
        filterEveryRow(view->store(), group, allGroups, searchText, pass);
        pass->group = group;
        pass->allGroups = allGroups;
        pass->valid = true;
    }
    view->setSearchText(searchText, allGroups);
    view->showRows(pass->history.last().rows);
}

void selectFirstVisiblePhrase(PhraseListView *view) {
    // With nothing shown nothing can be current.
    if (view->model()->rowCount() > 0)
        view->setCurrentIndex(view->model()->index(0, 0));
}
