// Moving the current phrase among the visible rows, the badge numbers that keys address,
// and switching groups with the arrow keys and the wheel.

#include "PickTestSupport.h"
#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "library/PhraseFilter.h"
#include "library/PhraseItem.h"
#include "output/OutputRunner.h"
#include "pickwindow/KeyHandling.h"
#include "pickwindow/MyTabBar.h"
#include "platform/HookKeys.h"
#include "platform/InputRecording.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

namespace {

// One character per row: '#' shown, '-' hidden.
void showRows(const QString &pattern) {
    QStringList texts;
    for (int row = 0; row < pattern.size(); ++row)
        texts << QStringLiteral("r%1").arg(row);
    setPhraseTexts(texts);
    QListWidget *list = appContext().phraseList;
    for (int row = 0; row < pattern.size(); ++row)
        list->setRowHidden(row, pattern.at(row) == QLatin1Char('-'));
}

void setCycle(int cycle) {
    if (cycle < 0)
        configObject().remove(QStringLiteral("arrow_key_cycle_select_phrase_item"));
    else
        configObject().insert(QStringLiteral("arrow_key_cycle_select_phrase_item"), cycle == 1);
}

bool currentRowIsInView() {
    const QListWidget *list = appContext().phraseList;
    return list->viewport()->rect().contains(list->visualItemRect(list->currentItem()));
}

} // namespace

class PickSelectionTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { buildPickTestProgram(m_dir); }
    void init() { resetPickLibrary(); }
    void cleanup() { settlePickWindow(); }

    void adjacentRow_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("cycle"); // 1 on, 0 off, -1 missing from the config
        QTest::addColumn<int>("expected");

        QTest::newRow("Down skips a hidden row") << "##-#" << 1 << +1 << 1 << 3;
        QTest::newRow("Up skips hidden rows") << "#--#" << 3 << -1 << 1 << 0;
        QTest::newRow("Down on the last shown row wraps to the first shown") << "-##-" << 2 << +1 << 1 << 1;
        QTest::newRow("Down on the last shown row stays without wrapping") << "-##-" << 2 << +1 << 0 << 2;
        QTest::newRow("Up on the first shown row wraps to the last shown") << "-##-" << 1 << -1 << 1 << 2;
        QTest::newRow("Up on the first shown row stays without wrapping") << "-##-" << 1 << -1 << 0 << 1;
        QTest::newRow("a missing wrap setting counts as wrapping") << "##" << 1 << +1 << -1 << 0;
        QTest::newRow("Down with no current row selects the first shown") << "-##-" << -1 << +1 << 1 << 1;
        QTest::newRow("Down with no current row selects the first shown without wrapping")
            << "-##-" << -1 << +1 << 0 << 1;
        QTest::newRow("Up with no current row selects the last shown") << "-##-" << -1 << -1 << 1 << 2;
        QTest::newRow("Up with no current row selects the last shown without wrapping")
            << "-##-" << -1 << -1 << 0 << 2;
        QTest::newRow("a filtered-out current row moves on to the next shown") << "#-#" << 1 << +1 << 0 << 2;
        QTest::newRow("the only shown row stays current when wrapping") << "-#-" << 1 << +1 << 1 << 1;
        QTest::newRow("with every row hidden the current row stays") << "---" << 1 << +1 << 1 << 1;
        QTest::newRow("an empty list has no current row") << "" << -1 << +1 << 1 << -1;
    }

    void adjacentRow() {
        QFETCH(QString, rows);
        QFETCH(int, current);
        QFETCH(int, step);
        QFETCH(int, cycle);
        QFETCH(int, expected);
        showRows(rows);
        setCycle(cycle);
        appContext().phraseList->setCurrentRow(current);
        selectAdjacentPhrase(step);
        QCOMPARE(appContext().phraseList->currentRow(), expected);
    }

    void edgeRow_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("expected");
        QTest::newRow("Home selects the first shown row") << "--#-#" << 4 << +1 << 2;
        QTest::newRow("End selects the last shown row") << "#-#--" << 0 << -1 << 2;
        QTest::newRow("Home with no current row selects the first shown row") << "-##" << -1 << +1 << 1;
        QTest::newRow("with every row hidden the current row stays") << "---" << 1 << -1 << 1;
        QTest::newRow("an empty list has no current row") << "" << -1 << +1 << -1;
    }

    void edgeRow() {
        QFETCH(QString, rows);
        QFETCH(int, current);
        QFETCH(int, step);
        QFETCH(int, expected);
        showRows(rows);
        appContext().phraseList->setCurrentRow(current);
        selectEdgePhrase(step);
        QCOMPARE(appContext().phraseList->currentRow(), expected);
    }

    void theNewCurrentRowIsScrolledIntoView() {
        showRows(QString(200, QLatin1Char('#')));
        showPickWindow();
        QListWidget *list = appContext().phraseList;
        list->setCurrentRow(0);
        selectEdgePhrase(-1);
        QCOMPARE(list->currentRow(), 199);
        QVERIFY(currentRowIsInView());
        selectAdjacentPhrase(+1); // wraps to the top
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(currentRowIsInView());
        selectAdjacentPhrase(-1);
        QCOMPARE(list->currentRow(), 199);
        QVERIFY(currentRowIsInView());
    }

    void phraseByBadgeNumber_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("expectedRow");
        // Rows: hidden, shown, hidden, shown, shown.
        QTest::newRow("number 1 is the first shown row") << 1 << 1;
        QTest::newRow("number 2 skips the hidden row between") << 2 << 3;
        QTest::newRow("number 3 is the last shown row") << 3 << 4;
        QTest::newRow("a number beyond the shown rows names none") << 4 << -1;
        QTest::newRow("number 0 names none") << 0 << -1;
        QTest::newRow("a negative number names none") << -1 << -1;
    }

    void phraseByBadgeNumber() {
        QFETCH(int, number);
        QFETCH(int, expectedRow);
        showRows(QStringLiteral("-#-##"));
        QListWidget *list = appContext().phraseList;
        QCOMPARE(visiblePhraseAt(number), expectedRow < 0 ? nullptr : list->item(expectedRow));
    }

    // Fills the current group with 50 phrases, every fifth of another group: 40 shown.
    static void fillWithHiddenRowsBetween() {
        const AppContext &c = appContext();
        const QString group = c.groupTabBar->tabText(c.groupTabBar->currentIndex());
        c.phraseList->clear();
        for (int i = 0; i < 50; ++i)
            c.phraseList->addItem(newPhraseItem({QStringLiteral("p%1").arg(i), QString(),
                                                 i % 5 == 4 ? QStringLiteral("甲") : group, QString()}));
        filterPhraseList(c.phraseList, group, QString());
    }

    // The filter writes the badges, the keys address phrases: they must agree on every
    // badge, and no key reaches past the 36th.
    void everyBadgeKeyAddressesThePhraseCarryingThatBadge() {
        fillWithHiddenRowsBetween();
        const QListWidget *list = appContext().phraseList;
        int badged = 0;
        for (int row = 0; row < list->count(); ++row) {
            const QString badge = list->item(row)->data(PhraseBadgeRole).toString();
            if (badge.isEmpty())
                continue;
            ++badged;
            QCOMPARE(visiblePhraseAt(badgeNumberOfKey(badge.at(0).unicode())), list->item(row));
        }
        QCOMPARE(badged, 36);
        QList<int> keysPerNumber(37, 0);
        for (int key = 0; key < 0x10000; ++key) {
            const int number = badgeNumberOfKey(key);
            QVERIFY2(number >= 0 && number <= 36, qPrintable(QString::number(key)));
            ++keysPerNumber[number];
        }
        QCOMPARE(keysPerNumber.mid(1), QList<int>(36, 1));
    }

    void aBadgeKeyInputsItsPhraseOnBothRoads_data() {
        QTest::addColumn<bool>("throughHook");
        QTest::addColumn<int>("shownIndex");
        QTest::newRow("hook: key 1 inputs the first shown phrase") << true << 0;
        QTest::newRow("hook: key Z inputs the 36th shown phrase") << true << 35;
        QTest::newRow("active window: key 0 inputs the 10th shown phrase") << false << 9;
        QTest::newRow("active window: key A inputs the 11th shown phrase") << false << 10;
    }

    void aBadgeKeyInputsItsPhraseOnBothRoads() {
        QFETCH(bool, throughHook);
        QFETCH(int, shownIndex);
        const AppContext &c = appContext();
        fillWithHiddenRowsBetween();
        configObject().insert(QStringLiteral("tudingflag"), true);
        showPickWindow();

        QStringList shown;
        for (int row = 0; row < c.phraseList->count(); ++row) {
            if (!c.phraseList->isRowHidden(row))
                shown << c.phraseList->item(row)->data(PhraseTextRole).toString();
        }
        startObservingOutput();
        const int key = QStringLiteral("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ").at(shownIndex).unicode();
        if (throughHook) {
            QVERIFY(handleHookKey({std::uint32_t(key), HookNoModifier}));
        } else {
            c.pickWindow->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(c.pickWindow));
            c.phraseList->setFocus(Qt::OtherFocusReason);
            QTest::keyClick(c.phraseList, Qt::Key(key));
        }
        QCOMPARE(recordedClipboardText(), shown.at(shownIndex));
        QTRY_VERIFY(!outputRunning);
    }

    void switchingGroups_data() {
        QTest::addColumn<bool>("wheel");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("step"); // the wheel turns away from the user for -1
        QTest::addColumn<int>("expected");
        for (const bool wheel : {false, true}) {
            const QString road = wheel ? QStringLiteral("wheel") : QStringLiteral("arrow");
            const auto add = [&](const char *what, int current, int step, int expected) {
                QTest::newRow(qPrintable(road + QStringLiteral(": ") + QLatin1String(what)))
                    << wheel << current << step << expected;
            };
            add("previous from the middle group", 1, -1, 0);
            add("next from the middle group", 1, +1, 2);
            add("previous on the first group stays", 0, -1, 0);
            add("next on the last group stays", 2, +1, 2);
        }
    }

    void switchingGroups() {
        QFETCH(bool, wheel);
        QFETCH(int, current);
        QFETCH(int, step);
        QFETCH(int, expected);
        QTabBar *tabBar = appContext().groupTabBar;
        tabBar->setCurrentIndex(current);
        if (wheel) {
            QWheelEvent event(QPointF(5, 5), tabBar->mapToGlobal(QPointF(5, 5)), QPoint(),
                              QPoint(0, -step * 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            event.ignore();
            QApplication::sendEvent(tabBar, &event);
            QVERIFY(event.isAccepted());
        } else {
            switchGroupBy(step);
        }
        QCOMPARE(tabBar->currentIndex(), expected);
        QCOMPARE(appContext().phraseList->styleSheet(),
                 phraseItemStyleSheet(tabBar->tabData(expected).toInt()));
    }

    void aWheelWithoutVerticalTurnChangesNothingButIsTaken_data() {
        QTest::addColumn<QPoint>("angle");
        QTest::newRow("no turn at all") << QPoint(0, 0);
        QTest::newRow("a sideways turn") << QPoint(120, 0);
    }

    void aWheelWithoutVerticalTurnChangesNothingButIsTaken() {
        QFETCH(QPoint, angle);
        QTabBar *tabBar = appContext().groupTabBar;
        QWheelEvent event(QPointF(5, 5), tabBar->mapToGlobal(QPointF(5, 5)), QPoint(), angle, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        event.ignore();
        QApplication::sendEvent(tabBar, &event);
        QVERIFY(event.isAccepted());
        QCOMPARE(tabBar->currentIndex(), 1);
    }

    void switchingWithNoGroupsDoesNothing() {
        QTabBar *tabBar = appContext().groupTabBar;
        while (tabBar->count() > 0)
            tabBar->removeTab(0);
        switchGroupBy(+1);
        switchGroupBy(-1);
        QWheelEvent event(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(tabBar, &event);
        QCOMPARE(tabBar->currentIndex(), -1);
    }
};

QTEST_MAIN(PickSelectionTest)
#include "tst_pickselection.moc"
