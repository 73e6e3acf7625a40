// Where the windows are stored when they move, where they open when that is out of reach,
// what the global hotkey does to the pick window, and the pin and always-on-top switches.

#include "PickTestSupport.h"
#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/Icons.h"
#include "app/Settings.h"
#include "app/WindowPlacement.h"
#include "app/WindowReach.h"
#include "pickwindow/Pinning.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList positionPrefixes = {QStringLiteral("chuangkou"), QStringLiteral("shezhichuangkou"),
                                      QStringLiteral("tianjiachuangkou"), QStringLiteral("xiugaichuangkou")};

QWidget *windowOfPrefix(const QString &prefix) {
    const AppContext &c = appContext();
    const QList<QWidget *> windows = {c.pickWindow, c.settingsWindow, c.addWindow.window,
                                      c.editWindow.window};
    return windows.at(positionPrefixes.indexOf(prefix));
}

QJsonObject savedConfig() {
    QFile file(appContext().configPath);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

bool s_pickWindowUncovered = true;
bool answerUncovered(QWidget *) {
    return s_pickWindowUncovered;
}

// A screen with a 40-pixel task bar along its bottom.
ScreenArea screenWithTaskBar(const QRect &geometry) {
    return {geometry, geometry.adjusted(0, 0, 0, -40)};
}

QList<ScreenArea> screensNow() {
    QList<ScreenArea> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas.append({screen->geometry(), screen->availableGeometry()});
    return areas;
}

QImage iconImage(const QIcon &icon) {
    return icon.pixmap(QSize(20, 20)).toImage();
}

} // namespace

class PickPlacementTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QWidget m_otherWindow;

private slots:
    void initTestCase() {
        buildPickTestProgram(m_dir);
        pickWindowOnTopCheck = &answerUncovered;
        m_otherWindow.resize(50, 50);
    }
    void init() { resetPickLibrary(); }
    void cleanup() {
        m_otherWindow.hide();
        settlePickWindow();
    }

    void movesStoreThePositionOfTheRightWindow_data() {
        QTest::addColumn<QString>("active"); // a key prefix, or empty for another program's window
        QTest::addColumn<QString>("moved");  // a key prefix, or "child" for a widget inside the add window
        QTest::addColumn<QString>("stored"); // the key prefix written, or empty
        const QString pick = positionPrefixes.at(0), settings = positionPrefixes.at(1),
                      add = positionPrefixes.at(2), edit = positionPrefixes.at(3);
        QTest::newRow("the pick window is stored when it moves, whatever is active")
            << settings << pick << pick;
        QTest::newRow("the pick window is stored when nothing of ours is active")
            << QString() << pick << pick;
        QTest::newRow("the active settings window is stored when it moves")
            << settings << settings << settings;
        QTest::newRow("the active add window is stored when it moves") << add << add << add;
        QTest::newRow("the active edit window is stored when it moves") << edit << edit << edit;
        QTest::newRow("another window moving stores the active settings window")
            << settings << add << settings;
        QTest::newRow("a child widget moving stores the active edit window")
            << edit << QStringLiteral("child") << edit;
        QTest::newRow("nothing is stored while no window of ours is active") << QString() << add << QString();
        QTest::newRow("an inactive edit window moving stores nothing") << QString() << edit << QString();
    }

    void movesStoreThePositionOfTheRightWindow() {
        QFETCH(QString, active);
        QFETCH(QString, moved);
        QFETCH(QString, stored);
        const AppContext &c = appContext();
        showPickWindow();
        for (int i = 1; i < positionPrefixes.size(); ++i) {
            windowOfPrefix(positionPrefixes.at(i))->move(100 * i, 50 * i);
            windowOfPrefix(positionPrefixes.at(i))->show();
        }
        QWidget *activeWindow = active.isEmpty() ? &m_otherWindow : windowOfPrefix(active);
        activeWindow->show();
        activeWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(activeWindow));
        QWidget child(c.addWindow.window);
        child.show();
        QTest::qWait(20);
        // Forget what the set-up stored, so that only the move below can write.
        for (const QString &prefix : positionPrefixes) {
            configObject().insert(prefix + QStringLiteral("_x"), -1);
            configObject().insert(prefix + QStringLiteral("_y"), -1);
        }
        saveConfig(c.configPath);

        QWidget *target = moved == QLatin1String("child") ? &child : windowOfPrefix(moved);
        target->move(target->pos() + QPoint(7, 3));
        QTest::qWait(20);

        // Any move while one of our windows is active may store that window again; what is
        // stored is always a window's own position, and no other window's keys are touched.
        const QJsonObject onDisk = savedConfig();
        for (const QString &prefix : positionPrefixes) {
            const QString x = prefix + QStringLiteral("_x"), y = prefix + QStringLiteral("_y");
            const QPoint own = windowOfPrefix(prefix)->pos();
            const QPoint inMemory(configInt(x), configInt(y));
            const QPoint inFile(onDisk.value(x).toInt(), onDisk.value(y).toInt());
            QCOMPARE(inFile, inMemory);
            if (prefix == stored)
                QCOMPARE(inMemory, own);
            else if (prefix == active && inMemory != QPoint(-1, -1))
                QCOMPARE(inMemory, own);
            else
                QCOMPARE(inMemory, QPoint(-1, -1));
        }
    }

    void windowsOutOfReachOpenWhereANewInstallWould_data() {
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<int>("mouseScreen");
        QTest::addColumn<QPoint>("saved");
        QTest::addColumn<bool>("besidePick");
        QTest::addColumn<QString>("opens"); // "saved", "new install" place, or "inside" the mouse's screen
        const QRect one(0, 0, 1920, 1080);
        const QList<QRect> leftAndMain = {QRect(-1280, 0, 1280, 1024), one};
        const QList<QRect> mainAndRight = {one, QRect(1920, 0, 1280, 1024)};
        const QString saved = QStringLiteral("saved"), newInstall = QStringLiteral("new install");
        QTest::newRow("a position on the screen is kept")
            << QList{one} << 0 << QPoint(300, 200) << false << saved;
        QTest::newRow("(5000, 5000) opens where a new install would")
            << QList{one} << 0 << QPoint(5000, 5000) << false << newInstall;
        QTest::newRow("the other windows open beside the pick window")
            << QList{one} << 0 << QPoint(5000, 5000) << true << newInstall;
        QTest::newRow("beyond the left screen's negative coordinates")
            << leftAndMain << 1 << QPoint(-1900, 100) << false << newInstall;
        QTest::newRow("on the left screen's negative coordinates is kept")
            << leftAndMain << 1 << QPoint(-1000, 100) << false << saved;
        QTest::newRow("on a second monitor that is there is kept")
            << mainAndRight << 0 << QPoint(2200, 300) << false << saved;
        QTest::newRow("on a second monitor that was unplugged")
            << QList{one} << 0 << QPoint(2200, 300) << false << newInstall;
        QTest::newRow("the screen under the mouse is used")
            << mainAndRight << 1 << QPoint(-5000, 300) << false << newInstall;
        QTest::newRow("the title bar above the screen")
            << QList{one} << 0 << QPoint(300, -10) << false << newInstall;
        QTest::newRow("the title bar under the task bar")
            << QList{one} << 0 << QPoint(300, 1000) << false << newInstall;
        QTest::newRow("a 100-pixel band left at the right edge is enough")
            << QList{one} << 0 << QPoint(1820, 300) << false << saved;
        QTest::newRow("a 60-pixel band left at the right edge is not")
            << QList{one} << 0 << QPoint(1860, 300) << false << newInstall;
        QTest::newRow("a 100-pixel band left at the left edge is enough")
            << QList{one} << 0 << QPoint(-400, 300) << false << saved;
        QTest::newRow("a screen too narrow for a window beside the pick window takes it inside")
            << QList{QRect(0, 0, 700, 600)} << 0 << QPoint(5000, 5000) << true << QStringLiteral("inside");
    }

    void windowsOutOfReachOpenWhereANewInstallWould() {
        QFETCH(QList<QRect>, screens);
        QFETCH(int, mouseScreen);
        QFETCH(QPoint, saved);
        QFETCH(bool, besidePick);
        QFETCH(QString, opens);
        QList<ScreenArea> areas;
        for (const QRect &geometry : screens)
            areas.append(screenWithTaskBar(geometry));
        const ScreenArea &mouse = areas.at(mouseScreen);
        const QSize frame(500, 530);

        const QPoint position = reachablePosition(saved, frame, areas, mouse, besidePick ? 501 : 0);

        QCOMPARE(isWithinReach(position, frame, areas), true);
        if (opens == QLatin1String("saved")) {
            QCOMPARE(position, saved);
        } else if (opens == QLatin1String("new install")) {
            // A new install's positions are taken from the screen's size; here that screen is
            // the mouse's, wherever it lies on the desktop.
            const QJsonObject fresh = defaultConfig(mouse.geometry.size());
            const QString prefix =
                besidePick ? QStringLiteral("shezhichuangkou") : QStringLiteral("chuangkou");
            QCOMPARE(position,
                     mouse.geometry.topLeft() + QPoint(fresh.value(prefix + QStringLiteral("_x")).toInt(),
                                                       fresh.value(prefix + QStringLiteral("_y")).toInt()));
        } else {
            QVERIFY2(mouse.available.contains(QRect(position, frame)), "the window sticks out of the screen");
        }
    }

    // The program's own placement stores nothing; the saved position changes only once
    // the user moves the window.
    void aWindowOutOfReachOpensOnTheScreenUntilTheUserMovesIt_data() {
        QTest::addColumn<QString>("prefix");
        for (const QString &prefix : positionPrefixes)
            QTest::newRow(qPrintable(prefix)) << prefix;
    }
    void aWindowOutOfReachOpensOnTheScreenUntilTheUserMovesIt() {
        QFETCH(QString, prefix);
        QWidget *window = windowOfPrefix(prefix);
        const QString x = prefix + QStringLiteral("_x"), y = prefix + QStringLiteral("_y");
        configObject().insert(QStringLiteral("zhiding"), false);
        configObject().insert(x, 5000);
        configObject().insert(y, 5000);
        saveConfig(appContext().configPath);

        if (window == appContext().pickWindow) {
            toggleFromGlobalHotkey();
        } else {
            showAtSavedPosition(window);
            QVERIFY(QTest::qWaitForWindowActive(window));
        }
        QVERIFY(window->isVisible());
        QVERIFY2(isWithinReach(window->pos(), window->frameGeometry().size(), screensNow()),
                 qPrintable(QStringLiteral("opened at %1, %2").arg(window->x()).arg(window->y())));
        QTest::qWait(20);
        QCOMPARE(savedConfig().value(x).toInt(), 5000);
        QCOMPARE(savedConfig().value(y).toInt(), 5000);

        window->move(window->pos() + QPoint(7, 3));
        QTRY_COMPARE(QPoint(savedConfig().value(x).toInt(), savedConfig().value(y).toInt()), window->pos());
        window->close();
    }

    void globalHotkeyTogglesThePickWindow_data() {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("alwaysOnTop");
        QTest::addColumn<bool>("uncovered");
        QTest::addColumn<bool>("visibleAfter");
        QTest::newRow("hidden: shown at its saved position") << false << false << true << true;
        QTest::newRow("hidden, always on top: shown at its saved position") << false << true << true << true;
        QTest::newRow("visible and uncovered: hidden") << true << false << true << false;
        QTest::newRow("visible but covered: brought forward at its saved position")
            << true << false << false << true;
        QTest::newRow("visible, always on top and uncovered: hidden") << true << true << true << false;
        QTest::newRow("visible, always on top but covered: hidden all the same")
            << true << true << false << false;
    }

    void globalHotkeyTogglesThePickWindow() {
        QFETCH(bool, visible);
        QFETCH(bool, alwaysOnTop);
        QFETCH(bool, uncovered);
        QFETCH(bool, visibleAfter);
        QWidget *pickWindow = appContext().pickWindow;
        configObject().insert(QStringLiteral("zhiding"), alwaysOnTop);
        if (visible)
            showPickWindow();
        pickWindow->move(10, 20);
        QTest::qWait(20);
        // The saved position differs from where the window is now.
        configObject().insert(QStringLiteral("chuangkou_x"), 300);
        configObject().insert(QStringLiteral("chuangkou_y"), 200);
        s_pickWindowUncovered = uncovered;

        toggleFromGlobalHotkey();
        QCOMPARE(pickWindow->isVisible(), visibleAfter);
        if (visibleAfter)
            QCOMPARE(pickWindow->pos(), QPoint(300, 200));
    }

    void hidingByTheHotkeyClosesAnOpenContextMenu() {
        showPickWindow();
        configObject().insert(QStringLiteral("zhiding"), false);
        s_pickWindowUncovered = true;
        QMenu menu(appContext().pickWindow);
        menu.addAction(QStringLiteral("修改"));
        menu.popup(appContext().pickWindow->mapToGlobal(QPoint(10, 10)));
        QTRY_VERIFY(menu.isVisible());
        toggleFromGlobalHotkey();
        QVERIFY(!menu.isVisible());
        QVERIFY(!appContext().pickWindow->isVisible());
    }

    void thePinButtonTogglesPinnedAndItsIcon() {
        const AppContext &c = appContext();
        const QString toolTip = QStringLiteral("钉住/取消钉住窗口（ ` ）");
        const QImage solid = iconImage(programIcon(pinnedIconFile));
        const QImage hollow = iconImage(programIcon(unpinnedIconFile));
        QVERIFY2(!solid.isNull() && solid != hollow, "the pin icons are beside the test");
        QCOMPARE(iconImage(c.pinButton->icon()), hollow);

        for (const bool pinned : {true, false}) {
            c.pinButton->click();
            QCOMPARE(configBool(QStringLiteral("tudingflag")), pinned);
            QCOMPARE(savedConfig().value(QStringLiteral("tudingflag")).toBool(false), pinned);
            QVERIFY(savedConfig().value(QStringLiteral("tudingflag")).isBool());
            QCOMPARE(iconImage(c.pinButton->icon()), pinned ? solid : hollow);
            QCOMPARE(c.pinButton->toolTip(), toolTip);
            // Pinning leaves the window as it is.
            QVERIFY(!c.pickWindow->isVisible());
        }
    }

    void alwaysOnTopShowsThePickWindowAtItsSavedPlace_data() {
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("wasVisible");
        QTest::newRow("turned on while hidden: shown on top") << true << false;
        QTest::newRow("turned on while visible: stays shown, on top") << true << true;
        QTest::newRow("turned off while hidden: shown, not on top") << false << false;
        QTest::newRow("turned off while visible: stays shown, not on top") << false << true;
    }

    void alwaysOnTopShowsThePickWindowAtItsSavedPlace() {
        QFETCH(bool, on);
        QFETCH(bool, wasVisible);
        QWidget *pickWindow = appContext().pickWindow;
        pickWindow->setWindowFlag(Qt::WindowStaysOnTopHint, !on);
        if (wasVisible)
            showPickWindow();
        configObject().insert(QStringLiteral("chuangkou_x"), 240);
        configObject().insert(QStringLiteral("chuangkou_y"), 130);
        onAlwaysOnTopToggled(on);
        QVERIFY(pickWindow->isVisible());
        QCOMPARE(pickWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
        QCOMPARE(pickWindow->pos(), QPoint(240, 130));
        QCOMPARE(savedConfig().value(QStringLiteral("zhiding")).toBool(!on), on);
    }
};

QTEST_MAIN(PickPlacementTest)
#include "tst_pickplacement.moc"
