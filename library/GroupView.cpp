#include "library/GroupView.h"

#include "library/AppContext.h"
#include "library/PhraseFilter.h"
#include "library/PhraseListView.h"

#include <QLineEdit>
#include <QTabBar>

void refilterPhraseList() {
    const AppContext &c = appContext();
    filterPhraseList(c.phraseView, c.groupTabBar->tabText(c.groupTabBar->currentIndex()),
                     c.searchBox->text());
}

void onCurrentGroupChanged(int index) {
    const AppContext &c = appContext();
    if (index < 0 || index >= c.groupTabBar->count())
        return;
    c.phraseView->setStyleSheet(phraseItemStyleSheet(c.groupTabBar->tabData(index).toInt()));
    filterPhraseList(c.phraseView, c.groupTabBar->tabText(index), c.searchBox->text());
    selectFirstVisiblePhrase(c.phraseView);
}

void onSearchTextChanged(const QString &text) {
    const AppContext &c = appContext();
    filterPhraseList(c.phraseView, c.groupTabBar->tabText(c.groupTabBar->currentIndex()), text);
    selectFirstVisiblePhrase(c.phraseView);
}
