#pragma once

#include <QList>
#include <QString>
#include <QVariant>

class QTabBar;

struct TabContent {
    QString text;
    QVariant data;
};

// Qt's own insertTab() and removeTab() lay out every tab of the bar each time, so a bar of
// thousands of groups took minutes to fill. These change the bar's tabs in one pass and
// lay them out once, with what insertTab() would have left: the same texts, data and
// mnemonic shortcuts. Neither calls tabInserted() or tabRemoved().

// Puts tabs in place of every tab the bar has; the first becomes current, announced by
// currentChanged() as insertTab() does (currentChanged(-1) when none is left).
void replaceTabsAtOnce(QTabBar *tabBar, const QList<TabContent> &tabs);

// Adds tabs after the last; the current tab stays as it is (the first of an empty bar
// becomes current).
void appendTabsAtOnce(QTabBar *tabBar, const QList<TabContent> &tabs);
