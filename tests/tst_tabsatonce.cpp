// A tab bar filled in one pass behaves afterwards as one filled by insertTab(): the same
// tabs, current tab, signals, layout, mnemonics and later edits; a drag under way survives.

#include "library/TabsAtOnce.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QList<TabContent> tabsNamed(const QStringList &names) {
    QList<TabContent> tabs;
    for (const QString &name : names)
        tabs.append({name, int(name.size()) * 10});
    return tabs;
}

// The bar as Qt's own calls leave it.
void fillOneByOne(QTabBar *bar, const QList<TabContent> &tabs, bool replacing) {
    while (replacing && bar->count() > 0)
        bar->removeTab(bar->count() - 1);
    for (const TabContent &tab : tabs)
        bar->setTabData(bar->addTab(tab.text), tab.data);
}

// Reaches the options a tab is drawn with (its place among the shown tabs).
struct TabBar : QTabBar {
    using QTabBar::initStyleOption;
};

struct Bar {
    TabBar bar;
    Bar() {
        bar.setExpanding(false);
        bar.setUsesScrollButtons(false);
        bar.setMovable(true);
        bar.resize(900, 40);
    }
    QStringList texts() const {
        QStringList texts;
        for (int i = 0; i < bar.count(); ++i)
            texts << bar.tabText(i) + u'=' + bar.tabData(i).toString();
        return texts;
    }
    QList<QRect> rects() const {
        QList<QRect> rects;
        for (int i = 0; i < bar.count(); ++i)
            rects << bar.tabRect(i);
        return rects;
    }
    QList<int> drawnPlaces() const {
        QList<int> places;
        for (int i = 0; i < bar.count(); ++i) {
            QStyleOptionTab option;
            bar.initStyleOption(&option, i);
            places << int(option.position);
        }
        return places;
    }
};

} // namespace

class TabsAtOnceTest : public QObject {
    Q_OBJECT

private slots:
    // Each step runs on a bar changed in one pass and on one changed tab by tab; the two
    // must agree on what they hold, which tab is current, where each tab is drawn and what
    // currentChanged() said, shown or hidden.
    void matchesTheBarInsertTabMakes_data() {
        QTest::addColumn<bool>("shown");
        QTest::newRow("hidden bar") << false;
        QTest::newRow("shown bar") << true;
    }
    void matchesTheBarInsertTabMakes() {
        QFETCH(bool, shown);
        Bar once, oneByOne;
        if (shown) {
            once.bar.show();
            oneByOne.bar.show();
        }
        QSignalSpy onceSaid(&once.bar, &QTabBar::currentChanged);
        QSignalSpy oneByOneSaid(&oneByOne.bar, &QTabBar::currentChanged);
        // What differs between the two bars, empty when they agree.
        const auto difference = [&] {
            QString differs;
            if (once.texts() != oneByOne.texts())
                differs = u"tabs: "_s + once.texts().join(u',') + u" / "_s + oneByOne.texts().join(u',');
            else if (once.bar.currentIndex() != oneByOne.bar.currentIndex())
                differs =
                    u"current tab: %1 / %2"_s.arg(once.bar.currentIndex()).arg(oneByOne.bar.currentIndex());
            else if (once.rects() != oneByOne.rects())
                differs = u"layout"_s;
            else if (once.drawnPlaces() != oneByOne.drawnPlaces())
                differs = u"drawn places (first, middle, last)"_s;
            // Removing tab by tab also says -1 on the way; the last word is what counts.
            else if (onceSaid.isEmpty() != oneByOneSaid.isEmpty() ||
                     (!onceSaid.isEmpty() && onceSaid.constLast() != oneByOneSaid.constLast()))
                differs = u"currentChanged: %1 / %2 signals"_s.arg(onceSaid.size()).arg(oneByOneSaid.size());
            onceSaid.clear();
            oneByOneSaid.clear();
            return differs;
        };
        const QList<TabContent> first = tabsNamed({u"短语1"_s, u"工作"_s, u"a much longer group name"_s});
        replaceTabsAtOnce(&once.bar, first);
        fillOneByOne(&oneByOne.bar, first, true);
        QCOMPARE(once.bar.count(), 3);
        QCOMPARE(onceSaid.size(), 1);
        QCOMPARE(difference(), QString()); // filled
        for (int i = 0; i < 3; ++i)
            QVERIFY(once.bar.tabRect(i).width() > 10); // laid out with their real sizes

        for (QTabBar *bar : {&once.bar, &oneByOne.bar})
            bar->setCurrentIndex(2);
        const QList<TabContent> more = tabsNamed({u"x"_s, u"邮件"_s});
        appendTabsAtOnce(&once.bar, more);
        fillOneByOne(&oneByOne.bar, more, false);
        QCOMPARE(once.bar.currentIndex(), 2);
        QCOMPARE(difference(), QString()); // appended

        // Later edits through Qt's own calls: removing the current last tab picks its
        // neighbour by the first and last tabs the bar knows of.
        for (QTabBar *bar : {&once.bar, &oneByOne.bar}) {
            bar->setCurrentIndex(4);
            bar->removeTab(4);
            bar->insertTab(1, u"inserted"_s);
            bar->moveTab(0, 3);
            bar->setTabText(2, u"renamed group"_s);
        }
        QCOMPARE(difference(), QString()); // edited
        if (shown) {
            const QPoint middle = once.bar.tabRect(2).center();
            QCOMPARE(once.bar.tabAt(middle), 2);
            QTest::mouseClick(&once.bar, Qt::LeftButton, {}, middle);
            QTest::mouseClick(&oneByOne.bar, Qt::LeftButton, {}, middle);
            QCOMPARE(once.bar.currentIndex(), 2);
            QCOMPARE(difference(), QString()); // clicked
        }

        const QList<TabContent> again = tabsNamed({u"only"_s});
        replaceTabsAtOnce(&once.bar, again);
        fillOneByOne(&oneByOne.bar, again, true);
        QCOMPARE(difference(), QString()); // replaced

        replaceTabsAtOnce(&once.bar, {});
        fillOneByOne(&oneByOne.bar, {}, true);
        QCOMPARE(once.bar.currentIndex(), -1);
        QCOMPARE(once.bar.count(), 0);
        QCOMPARE(difference(), QString()); // emptied

        appendTabsAtOnce(&once.bar, first);
        fillOneByOne(&oneByOne.bar, first, false);
        QCOMPARE(once.bar.currentIndex(), 0);
        QCOMPARE(difference(), QString()); // appended to an empty bar
    }

    // A name's mnemonic switches to its tab as with insertTab(), and is let go with the tab:
    // afterwards the same keys reach the tab that now carries it, or nothing.
    void mnemonicsFollowTheTabs() {
        QWidget window;
        auto *bar = new QTabBar(&window);
        bar->resize(600, 40);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        replaceTabsAtOnce(bar, tabsNamed({u"one"_s, u"&Work"_s, u"three"_s}));
        QTest::keyClick(&window, Qt::Key_W, Qt::AltModifier);
        QCOMPARE(bar->currentIndex(), 1);

        replaceTabsAtOnce(bar, tabsNamed({u"one"_s, u"two"_s, u"three"_s, u"&Write"_s}));
        QCOMPARE(bar->currentIndex(), 0);
        QTest::keyClick(&window, Qt::Key_W, Qt::AltModifier);
        QCOMPARE(bar->currentIndex(), 3); // one shortcut left for Alt+W, not an ambiguous pair

        replaceTabsAtOnce(bar, tabsNamed({u"one"_s, u"two"_s}));
        QTest::keyClick(&window, Qt::Key_W, Qt::AltModifier);
        QCOMPARE(bar->currentIndex(), 0);
    }

    // tab.json replaced from outside while the user drags a tab: the drag ends with the
    // new tabs in their order, no picture of the dragged tab is left behind, and the bar
    // takes clicks again.
    void aDragUnderwayWhenTheTabsAreReplaced() {
        Bar b;
        b.bar.show();
        replaceTabsAtOnce(&b.bar, tabsNamed({u"alpha"_s, u"beta"_s, u"gamma"_s}));
        const QPoint start = b.bar.tabRect(0).center();
        QTest::mousePress(&b.bar, Qt::LeftButton, {}, start);
        for (int step = 1; step <= 6; ++step)
            QTest::mouseMove(&b.bar, start + QPoint(step * 20, 0));
        const auto floatingTabs = [&b] {
            int shown = 0;
            for (const QWidget *child : b.bar.findChildren<QWidget *>())
                shown += child->isVisible() ? 1 : 0;
            return shown;
        };
        QCOMPARE(floatingTabs(), 1); // the dragged tab's picture
        replaceTabsAtOnce(&b.bar, tabsNamed({u"new1"_s, u"new2"_s}));
        QTest::mouseMove(&b.bar, start + QPoint(140, 0));
        QTest::mouseRelease(&b.bar, Qt::LeftButton, {}, start + QPoint(140, 0));
        QCOMPARE(b.texts(), QStringList({u"new1=40"_s, u"new2=40"_s}));
        QCOMPARE(b.bar.currentIndex(), 0);
        QCOMPARE(floatingTabs(), 0);
        QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.bar.tabRect(1).center());
        QCOMPARE(b.bar.currentIndex(), 1);
    }
};

QTEST_MAIN(TabsAtOnceTest)
#include "tst_tabsatonce.moc"
