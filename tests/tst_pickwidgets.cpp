// Widgets of the pick window on their own: the badge delegate's painting, the phrase
// tooltips' timing, and closing the pick window (it hides and keeps its native window).

#include "RunTestObjects.h"
#include "app/ConfigStore.h"
#include "library/PhraseFilter.h"
#include "library/PhraseItem.h"
#include "pickwindow/BadgeDelegate.h"
#include "pickwindow/MyEventFilter.h"
#include "pickwindow/PhraseItemToolTipFilter.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>

namespace {

const QColor badgeBlue(0x00, 0x78, 0xd4);

bool nearColour(QColor a, QColor b, int tolerance = 40) {
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) <= tolerance;
}

int pixelsNear(const QImage &image, const QRect &area, QColor colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += nearColour(image.pixelColor(x, y), colour) ? 1 : 0;
    return count;
}

} // namespace

// Rows are painted into an image and the badge and text colours looked up where they belong.
class BadgeDelegateTest : public QObject {
    Q_OBJECT
    QListWidget *m_list = nullptr;

    QImage paintList() {
        m_list->show();
        QApplication::processEvents();
        return m_list->viewport()->grab().toImage();
    }

private slots:
    void init() {
        configObject() = QJsonObject();
        m_list = new QListWidget;
        m_list->setItemDelegate(new BadgeDelegate(m_list));
        m_list->setUniformItemSizes(true);
        m_list->resize(400, 2000);
        m_list->setStyleSheet(QStringLiteral("QListWidget::item{ height: 40px; }"));
        for (int i = 0; i < 40; ++i)
            m_list->addItem(newPhraseItem({QStringLiteral("phrase %1").arg(i), {}, QStringLiteral("g"), {}}));
        filterPhraseList(m_list, QStringLiteral("g"), QString());
    }
    void cleanup() { delete m_list; }

    void badgesSitInTheConfiguredCornerOfTheFirst36Rows_data() {
        QTest::addColumn<bool>("leftCorner");
        QTest::newRow("right corner by default") << false;
        QTest::newRow("left corner with jiaobiao") << true;
    }
    void badgesSitInTheConfiguredCornerOfTheFirst36Rows() {
        QFETCH(bool, leftCorner);
        configObject().insert(QStringLiteral("jiaobiao"), leftCorner);
        for (int row : {0, 9, 35, 36, 39}) {
            // Scrolled into view: a window is no taller than the screen on every platform.
            m_list->scrollToItem(m_list->item(row));
            const QImage image = paintList();
            const QRect rect = m_list->visualItemRect(m_list->item(row));
            const QPoint corner = BadgeDelegate::badgeCorner(rect, leftCorner);
            // The left edge of the badge, clear of its rounded corners and its white text.
            const QRect edge(corner + QPoint(1, 7), QSize(2, 4));
            const bool hasBadge = row < 36;
            QCOMPARE(pixelsNear(image, edge, badgeBlue) == edge.width() * edge.height(), hasBadge);
        }
        const QRect first = m_list->visualItemRect(m_list->item(0));
        QCOMPARE(BadgeDelegate::badgeCorner(first, true), first.topLeft() + QPoint(4, 4));
        QCOMPARE(BadgeDelegate::badgeCorner(first, false),
                 QPoint(first.left() + first.width() - 1 - 23, first.top() + 5));
    }

    void aSelectedRowKeepsItsOwnTextColour() {
        QListWidgetItem *remarked = m_list->item(1);
        remarked->setData(PhraseRemarkRole, QStringLiteral("████████"));
        refreshPhraseItem(remarked);
        m_list->setCurrentItem(remarked);
        const QImage image = paintList();
        const QRect rect = m_list->visualItemRect(remarked);
        QVERIFY(pixelsNear(image, rect, QColor(QStringLiteral("#2E7D32"))) > 20);
    }

    void sizeHintHasNoWidth() {
        BadgeDelegate delegate;
        QStyleOptionViewItem option;
        QCOMPARE(delegate.sizeHint(option, m_list->model()->index(0, 0)).width(), 0);
    }
};

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

// Closing the pick window only hides it: its native window stays, so that the window
// manager keeps placing the same window where the user left it.

class PickWindowCloseTest : public QObject {
    Q_OBJECT

private slots:
    void closingHidesAndKeepsTheNativeWindow() {
        QWidget pickWindow, addWindow, editWindow;
        QPushButton addCancel, editCancel;
        auto *list = new QListWidget(&pickWindow);
        auto *tabs = new QTabBar(&pickWindow);
        auto *search = new QLineEdit(&pickWindow);
        MyEventFilter filter(&pickWindow, &addWindow, &editWindow, &addCancel, &editCancel, list, tabs,
                             search);
        qApp->installEventFilter(&filter);

        pickWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pickWindow));
        const WId native = pickWindow.winId();

        pickWindow.close();
        QVERIFY(!pickWindow.isVisible());
        QVERIFY2(pickWindow.windowHandle() && pickWindow.windowHandle()->handle(),
                 "the native window outlives the close");

        pickWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pickWindow));
        QCOMPARE(pickWindow.winId(), native);

        // Other windows close as usual.
        addWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&addWindow));
        QVERIFY(addWindow.close());
        QVERIFY(!addWindow.isVisible());
        qApp->removeEventFilter(&filter);
    }
};

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    BadgeDelegateTest test0;
    PhraseToolTipsTest test1;
    PickWindowCloseTest test2;
    return runTestObjects({&test0, &test1, &test2}, argc, argv);
}

#include "tst_pickwidgets.moc"
