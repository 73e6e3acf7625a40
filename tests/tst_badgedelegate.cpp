#include "app/ConfigStore.h"
#include "library/PhraseFilter.h"
#include "library/PhraseItem.h"
#include "pickwindow/BadgeDelegate.h"

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QTest>

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
    // The pixels are checked against item rectangles: one style everywhere, so that no
    // platform's frame shifts them.
    void initTestCase() { QApplication::setStyle(QStringLiteral("Fusion")); }
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

QTEST_MAIN(BadgeDelegateTest)
#include "tst_badgedelegate.moc"
