#include "library/TabsAtOnce.h"

#include <QKeySequence>
#include <QTabBar>

// The tab list itself is only reachable through Qt's private header (qt6-base-private-dev).
#include <QtWidgets/private/qtabbar_p.h>

namespace {

// A tab's mnemonic shortcut, taken and given back as insertTab() and removeTab() do; the two
// are protected in QWidget and reached here through a using-declaration.
struct TabShortcuts : QWidget {
    using QWidget::grabShortcut;
    using QWidget::releaseShortcut;
};

QTabBarPrivate *tabsOf(QTabBar *tabBar) {
    return static_cast<QTabBarPrivate *>(QWidgetPrivate::get(tabBar));
}

// A drag or a press on a tab about to go would be left pointing at it. The drag ends only
// once no tab slides aside any more; otherwise the dragged tab's picture stays on screen.
void endPointerWork(QTabBar *tabBar) {
    QTabBarPrivate *d = tabsOf(tabBar);
    if (d->dragInProgress) {
#if QT_CONFIG(animation)
        for (QTabBarPrivate::Tab *tab : std::as_const(d->tabList))
            if (tab->animation)
                tab->animation->stop();
#endif
        d->moveTabFinished(d->pressedIndex);
    }
    d->killSwitchTabTimer();
    d->pressedIndex = -1;
    d->hoverIndex = -1;
    d->hoverRect = QRect();
}

void addTabs(QTabBar *tabBar, const QList<TabContent> &tabs) {
    QTabBarPrivate *d = tabsOf(tabBar);
    const int first = int(d->tabList.size());
    d->tabList.reserve(d->tabList.size() + tabs.size());
    for (const TabContent &content : tabs) {
        auto *tab = new QTabBarPrivate::Tab(QIcon(), content.text);
        tab->data = content.data;
        tab->shortcutId =
            (tabBar->*&TabShortcuts::grabShortcut)(QKeySequence::mnemonic(content.text), Qt::WindowShortcut);
        d->tabList.append(tab);
    }
    if (!tabs.isEmpty()) {
        d->firstVisible = qMax(qMin(first, d->firstVisible), 0);
        d->lastVisible = int(d->tabList.size()) - 1;
    }
    // One layout for all of them (or none until shown, for a hidden bar).
    d->refresh();
    d->autoHideTabs();
}

} // namespace

void replaceTabsAtOnce(QTabBar *tabBar, const QList<TabContent> &tabs) {
    QTabBarPrivate *d = tabsOf(tabBar);
    endPointerWork(tabBar);
    const bool hadCurrent = d->currentIndex != -1;
    for (QTabBarPrivate::Tab *tab : std::as_const(d->tabList)) {
        (tabBar->*&TabShortcuts::releaseShortcut)(tab->shortcutId);
        for (QWidget *button : {tab->leftWidget, tab->rightWidget}) {
            if (button) {
                button->hide();
                button->deleteLater();
            }
        }
        delete tab;
    }
    d->tabList.clear();
    d->textSizes.clear();
    d->currentIndex = -1;
    d->firstVisible = 0;
    d->lastVisible = -1;
    addTabs(tabBar, tabs);
    if (!tabs.isEmpty())
        tabBar->setCurrentIndex(0);
    else if (hadCurrent)
        emit tabBar->currentChanged(-1);
}

void appendTabsAtOnce(QTabBar *tabBar, const QList<TabContent> &tabs) {
    if (tabs.isEmpty())
        return;
    // Tabs after the last move no tab under the pointer: a drag goes on.
    const bool wasEmpty = tabBar->count() == 0;
    addTabs(tabBar, tabs);
    if (wasEmpty)
        tabBar->setCurrentIndex(0);
}
