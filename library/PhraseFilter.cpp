#include "library/PhraseFilter.h"

#include "app/ConfigStore.h"
#include "library/PhraseItem.h"

#include <QListWidget>

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
        .arg(configInt(QStringLiteral("phrase_item_padding_vertical")))
        .arg(configInt(QStringLiteral("phrase_item_padding_horizontal")));
}

void filterPhraseList(QListWidget *list, const QString &group, const QString &searchText) {
    int shown = 0;
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        // The group is the cheap test: rows of other groups are never searched.
        const bool show = item->data(PhraseGroupRole).toString() == group &&
                          (searchText.isEmpty() ||
                           item->data(PhraseTextRole).toString().contains(searchText, Qt::CaseInsensitive) ||
                           item->data(PhraseRemarkRole).toString().contains(searchText, Qt::CaseInsensitive));
        // Skip no-op writes: each one costs a relayout or a repaint on big lists.
        if (list->isRowHidden(row) == show)
            list->setRowHidden(row, !show);
        const QString badge = show ? badgeForShownRow(shown++) : QString();
        if (item->data(PhraseBadgeRole).toString() != badge)
            item->setData(PhraseBadgeRole, badge);
    }
}

void selectFirstVisiblePhrase(QListWidget *list) {
    for (int row = 0; row < list->count(); ++row) {
        if (!list->isRowHidden(row)) {
            list->setCurrentItem(list->item(row));
            return;
        }
    }
}
