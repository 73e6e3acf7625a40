#include "library/PhraseItem.h"
#include "pickwindow/PhraseItemToolTipFilter.h"

#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

namespace {

// Sees what reaches the list after the tooltip filter (filters installed earlier run later).
class EventProbe : public QObject {
public:
    using QObject::QObject;
    QList<QEvent::Type> seen;
    bool eventFilter(QObject *, QEvent *event) override {
        seen << event->type();
        return false;
    }
};

bool tipShows(const QString &text) {
    return QToolTip::isVisible() && QToolTip::text() == text;
}

} // namespace

class PhraseToolTipsTest : public QObject {
    Q_OBJECT
    QListWidget *list = nullptr;
    EventProbe *probe = nullptr;

    QWidget *viewport() const { return list->viewport(); }
    QString tipOf(int row) const { return list->item(row)->data(Qt::ToolTipRole).toString(); }
    QPoint inside(int row, int dx = 0) const {
        return list->visualItemRect(list->item(row)).center() + QPoint(dx, 0);
    }

    void moveTo(QPointF pos) {
        QMouseEvent move(QEvent::MouseMove, pos, viewport()->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(viewport(), &move);
    }
    void restOn(int row) {
        moveTo(inside(row));
        QVERIFY(!QToolTip::isVisible()); // not before the wait
        QTRY_VERIFY(tipShows(tipOf(row)));
    }

private slots:
    void init() {
        list = new QListWidget;
        list->setMouseTracking(true);
        list->viewport()->setMouseTracking(true);
        probe = new EventProbe(list);
        list->viewport()->installEventFilter(probe);
        installPhraseToolTips(list);
        for (int i = 0; i < 3; ++i)
            list->addItem(newPhraseItem({QStringLiteral("短语 %1").arg(i),
                                         QStringLiteral("备注 %1").arg(i),
                                         QStringLiteral("g"),
                                         {}}));
        list->resize(300, 300);
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list));
    }
    void cleanup() {
        PhraseItemToolTipFilter::hideToolTip();
        delete list;
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void restingOnAPhraseShowsItsTooltip() {
        QVERIFY(tipOf(0).contains(QStringLiteral("短语 0")));
        restOn(0);
    }

    void aOnePixelMoveStillShowsTheTipOnceTheMouseRestsAgain() {
        restOn(1);
        moveTo(inside(1, 1));
        // Qt's hide of the old tip is delayed; it must not swallow the tip shown after the new wait.
        QTest::qWait(600);
        QVERIFY(tipShows(tipOf(1)));
    }

    void aFractionalMoveThatRoundsToTheSamePointChangesNothing() {
        restOn(1);
        moveTo(QPointF(inside(1)) + QPointF(0.4, -0.4));
        QVERIFY(tipShows(tipOf(1)));
    }

    void movingToTheNextPhraseShowsOnlyThatOne() {
        moveTo(inside(0));
        moveTo(inside(1));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), tipOf(1));
    }

    void clicksWheelAndLeavingHideAtOnceAndStillReachTheList_data() {
        QTest::addColumn<int>("type");
        QTest::newRow("press") << int(QEvent::MouseButtonPress);
        QTest::newRow("release") << int(QEvent::MouseButtonRelease);
        QTest::newRow("wheel") << int(QEvent::Wheel);
        QTest::newRow("leave") << int(QEvent::Leave);
    }
    void clicksWheelAndLeavingHideAtOnceAndStillReachTheList() {
        QFETCH(int, type);
        restOn(0);
        const QPointF pos = inside(0);
        const QPointF global = viewport()->mapToGlobal(pos);
        QMouseEvent press(QEvent::MouseButtonPress, pos, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, pos, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QWheelEvent wheel(pos, global, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QEvent leave(QEvent::Leave);
        QEvent *event = type == QEvent::MouseButtonPress     ? static_cast<QEvent *>(&press)
                        : type == QEvent::MouseButtonRelease ? static_cast<QEvent *>(&release)
                        : type == QEvent::Wheel              ? static_cast<QEvent *>(&wheel)
                                                             : &leave;
        probe->seen.clear();
        QApplication::sendEvent(viewport(), event);
        QTRY_VERIFY(!QToolTip::isVisible());
        QVERIFY(probe->seen.contains(QEvent::Type(type)));
        QTest::qWait(400); // the wait was cancelled, not restarted
        QVERIFY(!QToolTip::isVisible());
    }

    void aRowHiddenDuringTheWaitShowsNothing() {
        moveTo(inside(2));
        list->setRowHidden(2, true);
        QTest::qWait(400);
        QVERIFY(!QToolTip::isVisible());
    }

    void aPhraseDeletedDuringTheWaitShowsNothing() {
        moveTo(inside(2));
        delete list->takeItem(2);
        QTest::qWait(400);
        QVERIFY(!QToolTip::isVisible());
    }

    void theEmptyAreaShowsNoTooltipOfAnyKind() {
        const QPoint below(10, list->visualItemRect(list->item(2)).bottom() + 40);
        QVERIFY(!list->itemAt(below));
        moveTo(below);
        probe->seen.clear();
        QHelpEvent help(QEvent::ToolTip, below, viewport()->mapToGlobal(below));
        QApplication::sendEvent(viewport(), &help);
        QVERIFY(!probe->seen.contains(QEvent::ToolTip)); // the standard item tooltip never sees it
        QTest::qWait(400);
        QVERIFY(!QToolTip::isVisible());
    }

    void theToolkitsRequestShowsThePendingTooltipAtOnce() {
        moveTo(inside(0));
        QHelpEvent help(QEvent::ToolTip, inside(0), viewport()->mapToGlobal(inside(0)));
        QApplication::sendEvent(viewport(), &help);
        QVERIFY(tipShows(tipOf(0)));
    }
};

QTEST_MAIN(PhraseToolTipsTest)
#include "tst_phrasetooltips.moc"
