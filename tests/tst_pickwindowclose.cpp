// Closing the pick window only hides it: its native window stays, so that the window
// manager keeps placing the same window where the user left it.
#include "pickwindow/MyEventFilter.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QWindow>

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

QTEST_MAIN(PickWindowCloseTest)
#include "tst_pickwindowclose.moc"
