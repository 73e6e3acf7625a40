// The pick window of the real program on a real X server with a window manager: the
// global hotkey, clicks on phrases, the pin button and the tabs, search mode, window
// placement and a hotkey held by another program, always with a separate target
// program that holds the keyboard focus and records what it receives.

#include "app/ConfigStore.h"
#include "app/Settings.h"
#include "e2e/E2eSupport.h"
#include "e2e/InputTargetClient.h"
#include "e2e/KeyGrab.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTest>

#include <memory>

namespace {

const QString pickTitle = QStringLiteral("Verbolin");
const QString hotkey = QStringLiteral("ctrl+shift+v");
constexpr int pickWidth = 500, pickHeight = 500;

// The phrases of the test folder: two in the first group, one in the second.
const QString firstGroup = QStringLiteral("甲");
const QString secondGroup = QStringLiteral("乙");
const QString morning = QStringLiteral("Good morning, 世界! ");
const QString twoLines = QStringLiteral("second line\nwith a break");
const QString otherGroupPhrase = QStringLiteral("乙组的短语 two");

// Places in the pick window's client area, from the fixed layout of a 500 x 500 window.
const QPoint pinButton(pickWidth - 113 + 18, 23);
const QPoint searchBox(pickWidth - 205 + 45, 24);
const QPoint firstTab(39, 24);
const QPoint secondTab(107, 24);
QPoint phraseRow(int row) {
    // Rows of 40 pixels plus 2 x 4 of padding, with their borders and margins: the list
    // at y = 46 shows them 54 pixels apart, the first centred at y = 78.
    return QPoint(150, 78 + 54 * row);
}

bool pressHotkey() {
    return e2e::xdotool({QStringLiteral("key"), hotkey});
}

// Pressed as a person does: held for a moment before it is let go.
bool holdHotkey() {
    return e2e::xdotool({QStringLiteral("keydown"), hotkey, QStringLiteral("sleep"), QStringLiteral("0.2"),
                         QStringLiteral("keyup"), hotkey});
}

// The root's client list in stacking order, bottom to top, in decimal.
QStringList stackingOrder() {
    const QByteArray out = e2e::run(QStringLiteral("xprop"),
                                    {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    QStringList ids;
    const QRegularExpression hex(QStringLiteral("0x[0-9a-f]+"));
    for (const QRegularExpressionMatch &match : hex.globalMatch(QString::fromUtf8(out)))
        ids << QString::number(match.captured().toULongLong(nullptr, 16));
    return ids;
}

bool stackedAbove(const QString &upper, const QString &lower) {
    const QStringList order = stackingOrder();
    return order.contains(upper) && order.contains(lower) && order.indexOf(upper) > order.indexOf(lower);
}

} // namespace

class E2ePickWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<InputTargetClient> target;
    std::unique_ptr<e2e::ProgramRun> program;
    int focusLossesBefore = 0;

    // The program with the test phrases in two groups and the changed settings, and the
    // target in front with the focus.
    bool begin(const QJsonObject &changes, const QStringList &arguments = {QStringLiteral("--autostart")}) {
        program = std::make_unique<e2e::ProgramRun>();
        target = std::make_unique<InputTargetClient>();
        QJsonObject config = defaultConfig(QSize(1920, 1080));
        config.insert(QStringLiteral("phrase_item_padding_vertical"), 4);
        for (auto it = changes.begin(); it != changes.end(); ++it)
            config.insert(it.key(), it.value());
        const QJsonArray phrases = {e2e::phrase(morning, firstGroup), e2e::phrase(twoLines, firstGroup),
                                    e2e::phrase(otherGroupPhrase, secondGroup)};
        if (!program->writeFiles(config, phrases, {e2e::group(firstGroup), e2e::group(secondGroup)}) ||
            !target->start() || !program->start(arguments))
            return false;
        // Beside the pick window, not over it: the clicks must reach the pick window.
        if (!e2e::xdotool({QStringLiteral("windowmove"), QStringLiteral("--sync"), target->windowId(),
                           QStringLiteral("40"), QStringLiteral("40")}))
            return false;
        focusLossesBefore = target->focusLosses();
        return e2e::waitUntil([this] { return e2e::activeWindow() == target->windowId(); });
    }

    // The pick window's id: the program's window of the pick window's size titled
    // "Verbolin" (the tray icon has that title too), the mapped one if there is one.
    QString pickWindow() const {
        const QByteArray out =
            e2e::run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--all"),
                                                 QStringLiteral("--pid"), QString::number(program->pid()),
                                                 QStringLiteral("--name"), QStringLiteral("^Verbolin$")});
        QString found;
        for (const QString &id : QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (e2e::windowGeometry(id).size() != QSize(pickWidth, pickHeight))
                continue;
            if (e2e::isWindowViewable(id))
                return id;
            found = id;
        }
        return found;
    }
    bool pickWindowShown() const {
        const QString id = pickWindow();
        return !id.isEmpty() && e2e::isWindowViewable(id);
    }
    bool waitForPickWindow(bool shown) {
        return e2e::waitUntil([&] { return pickWindowShown() == shown; });
    }

    // Windows of the program that are mapped now (the pick window, menus, the tray icon).
    static QStringList programWindows() {
        const QByteArray out = e2e::run(QStringLiteral("xdotool"),
                                        {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                         QStringLiteral("--classname"), QStringLiteral("^verbolin$")});
        return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    bool waitForTargetText(const QString &text) {
        return e2e::waitUntil([&] { return target->text() == text; });
    }
    QByteArray targetText() const {
        return QStringLiteral("the target holds \"%1\"").arg(target->text()).toUtf8();
    }

    // The target has had the focus all along: it never lost it, and it is active now.
    bool targetKeptTheFocus() const {
        return target->focusLosses() == focusLossesBefore && e2e::activeWindow() == target->windowId();
    }

    // What the focus did, for failure messages.
    QByteArray focusStory(const char *what) const {
        return QStringLiteral("%1: the target lost the focus %2 times; active now: %3, the target: %4")
            .arg(QLatin1String(what))
            .arg(target->focusLosses() - focusLossesBefore)
            .arg(e2e::activeWindow(), target->windowId())
            .toUtf8();
    }

    bool showByHotkey() { return pressHotkey() && waitForPickWindow(true); }

private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("VERBOLIN_EXE"), "VERBOLIN_EXE names the program");
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "runs inside e2e/x-session.sh");
    }

    void cleanup() {
        program.reset();
        target.reset();
    }

    void hotkeyShowsThePassiveWindowAndAClickInputsThePhrase_data() {
        QTest::addColumn<bool>("pinned");
        QTest::newRow("an unpinned window hides once the phrase is input") << false;
        QTest::newRow("a pinned window stays for the next phrase") << true;
    }
    void hotkeyShowsThePassiveWindowAndAClickInputsThePhrase() {
        QFETCH(bool, pinned);
        QVERIFY(begin({{QStringLiteral("tudingflag"), pinned}, {QStringLiteral("zhiding"), false}}));
        QVERIFY2(!pickWindowShown(), "--autostart shows nothing");

        QVERIFY2(showByHotkey(), "the hotkey did not map the pick window");
        const QString pick = pickWindow();
        QVERIFY2(targetKeptTheFocus(), focusStory("showing the pick window took the focus").constData());

        QVERIFY(e2e::clickAt(pick, phraseRow(0)));
        QVERIFY2(waitForTargetText(morning), targetText());
        if (pinned) {
            QVERIFY(pickWindowShown());
            QVERIFY(e2e::clickAt(pick, phraseRow(1)));
            QVERIFY2(waitForTargetText(morning + twoLines), targetText());
            QVERIFY2(pickWindowShown(), "a pinned window stays after input");
        } else {
            QVERIFY2(waitForPickWindow(false), "an unpinned window hides after input");
        }
        QVERIFY2(targetKeptTheFocus(),
                 focusStory("a click on a phrase took the focus from the target").constData());
    }

    void hotkeyHidesOrBringsForward_data() {
        QTest::addColumn<bool>("alwaysOnTop");
        QTest::addColumn<bool>("covered");
        QTest::addColumn<bool>("shownAfter");
        QTest::newRow("an uncovered window hides") << false << false << false;
        QTest::newRow("a covered window comes forward") << false << true << true;
        QTest::newRow("an always-on-top window hides") << true << false << false;
        QTest::newRow("an always-on-top window hides even under another one") << true << true << false;
    }
    void hotkeyHidesOrBringsForward() {
        QFETCH(bool, alwaysOnTop);
        QFETCH(bool, covered);
        QFETCH(bool, shownAfter);
        QVERIFY(begin({{QStringLiteral("tudingflag"), true}, {QStringLiteral("zhiding"), alwaysOnTop}}));
        QVERIFY(showByHotkey());
        const QString pick = pickWindow();
        const QString targetWindow = target->windowId();

        if (covered) {
            // The target over the pick window's centre, in front (and always on top, to
            // cover an always-on-top pick window).
            const QRect at = e2e::windowGeometry(pick);
            QVERIFY(e2e::xdotool({QStringLiteral("windowmove"), QStringLiteral("--sync"), targetWindow,
                                  QString::number(at.x() + 50), QString::number(at.y() + 150)}));
            if (alwaysOnTop)
                QCOMPARE(e2e::run(QStringLiteral("wmctrl"),
                                  {QStringLiteral("-i"), QStringLiteral("-r"), targetWindow,
                                   QStringLiteral("-b"), QStringLiteral("add,above")}),
                         QByteArray());
            QVERIFY(e2e::xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), targetWindow}));
            QVERIFY2(e2e::waitUntil([&] { return stackedAbove(targetWindow, pick); }),
                     "the target did not come over the pick window");
            focusLossesBefore = target->focusLosses();
        }

        QVERIFY(pressHotkey());
        if (shownAfter) {
            QVERIFY2(e2e::waitUntil([&] { return stackedAbove(pick, targetWindow); }),
                     "the hotkey did not bring the covered window forward");
            QVERIFY(pickWindowShown());
        } else {
            QVERIFY2(waitForPickWindow(false), "the hotkey did not hide the window");
        }
        QVERIFY2(targetKeptTheFocus(), focusStory("the hotkey took the focus from the target").constData());
    }

    void hotkeyClosesAnOpenMenuWithTheWindow() {
        QVERIFY(begin({{QStringLiteral("zhiding"), false}}));
        QVERIFY(showByHotkey());
        const QString pick = pickWindow();
        const int shownWindows = int(programWindows().size());

        // The group tab bar's context menu.
        QVERIFY(e2e::clickAt(pick, firstTab, 3));
        QVERIFY2(e2e::waitUntil([&] { return programWindows().size() == shownWindows + 1; }),
                 "the group menu did not open");

        QVERIFY(pressHotkey());
        QVERIFY2(waitForPickWindow(false), "the hotkey did not hide the window while its menu was open");
        QVERIFY2(e2e::waitUntil([&] { return programWindows().size() == shownWindows - 1; }),
                 qPrintable(QStringLiteral("the menu stayed: %1").arg(programWindows().join(u' '))));
        // Keys work as before: the hotkey shows the window again.
        QVERIFY(showByHotkey());
        QVERIFY2(targetKeptTheFocus(), focusStory("the target lost the focus").constData());
    }

    void pinButtonAndTabsNeverTakeTheFocus() {
        QVERIFY(begin({{QStringLiteral("tudingflag"), false}, {QStringLiteral("zhiding"), false}}));
        QVERIFY(showByHotkey());
        const QString pick = pickWindow();
        const auto pinned = [this] { return program->config().value(QStringLiteral("tudingflag")); };

        QVERIFY(e2e::clickAt(pick, pinButton));
        QVERIFY2(e2e::waitUntil([&] { return pinned() == QJsonValue(true); }), "the pin button did not pin");
        QVERIFY(e2e::clickAt(pick, pinButton));
        QVERIFY2(e2e::waitUntil([&] { return pinned() == QJsonValue(false); }),
                 "the pin button did not unpin");
        QVERIFY(pickWindowShown());

        // The second group's only phrase is its first row.
        QVERIFY(e2e::clickAt(pick, secondTab));
        QVERIFY(e2e::clickAt(pick, phraseRow(0)));
        QVERIFY2(waitForTargetText(otherGroupPhrase), targetText());
        QVERIFY2(targetKeptTheFocus(), focusStory("the pin button or a tab took the focus").constData());
    }

    void searchBoxActivatesTheWindowUntilAnotherIsActivated() {
        QVERIFY(begin({{QStringLiteral("tudingflag"), true}, {QStringLiteral("zhiding"), false}}));
        QVERIFY(showByHotkey());
        const QString pick = pickWindow();

        QVERIFY(e2e::clickAt(pick, searchBox));
        QVERIFY2(e2e::waitUntil([&] { return e2e::activeWindow() == pick; }),
                 "a click into the search box did not activate the pick window");
        QVERIFY2(e2e::acceptsFocus(pick), "in search mode the window takes the focus");
        // Typed keys go to the search box now: only the second row matches.
        QVERIFY(e2e::xdotool({QStringLiteral("type"), QStringLiteral("break")}));

        QVERIFY(
            e2e::xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), target->windowId()}));
        QVERIFY(e2e::waitUntil([this] { return e2e::activeWindow() == target->windowId(); }));
        QVERIFY2(e2e::waitUntil([&] { return !e2e::acceptsFocus(pick); }), "search mode did not end");
        focusLossesBefore = target->focusLosses();
        QVERIFY2(e2e::activeWindow() == target->windowId(), "the target did not stay in front");
        QVERIFY2(pickWindowShown(), "leaving search mode does not hide the window");
        QVERIFY2(target->text().isEmpty(), qPrintable(target->text()));

        // Passive again: a click on the one phrase left inputs it into the target, which
        // stays in front.
        QVERIFY(e2e::clickAt(pick, phraseRow(0)));
        QVERIFY2(waitForTargetText(twoLines), targetText());
        QVERIFY2(targetKeptTheFocus(),
                 focusStory("the pick window took the focus back after search mode").constData());
    }

    void movedWindowReopensWhereItWasLeft() {
        QVERIFY(begin({{QStringLiteral("zhiding"), false}}));
        QVERIFY(showByHotkey());
        const QString pick = pickWindow();
        const QJsonObject before = program->config();

        QVERIFY(e2e::xdotool({QStringLiteral("windowmove"), QStringLiteral("--sync"), pick,
                              QStringLiteral("300"), QStringLiteral("200")}));
        QVERIFY2(e2e::waitUntil([&] {
                     const QJsonObject now = program->config();
                     return now.value(QStringLiteral("chuangkou_x")) !=
                                before.value(QStringLiteral("chuangkou_x")) &&
                            now.value(QStringLiteral("chuangkou_y")) !=
                                before.value(QStringLiteral("chuangkou_y"));
                 }),
                 "the new position was not stored");
        const QRect moved = e2e::windowGeometry(pick);
        QVERIFY(moved.topLeft() != QPoint(before.value(QStringLiteral("chuangkou_x")).toInt(),
                                          before.value(QStringLiteral("chuangkou_y")).toInt()));

        // Hidden and shown again, twice: the window comes back exactly there.
        for (int round = 0; round < 2; ++round) {
            QVERIFY(pressHotkey());
            QVERIFY(waitForPickWindow(false));
            QVERIFY(showByHotkey());
            QCOMPARE(e2e::windowGeometry(pickWindow()), moved);
        }
        const QJsonObject stored = program->config();

        // Closed by its title bar's button, and shown again by a second launch: the
        // running program's window comes back there, without taking the focus.
        QVERIFY(e2e::closeWindow(pickWindow()));
        QVERIFY(waitForPickWindow(false));
        QCOMPARE(program->launchAgain(), 0);
        QVERIFY2(waitForPickWindow(true), "the second launch did not show the window");
        QCOMPARE(e2e::windowGeometry(pickWindow()), moved);
        QVERIFY2(targetKeptTheFocus(), focusStory("the second launch took the focus").constData());

        // The next start of the program opens it there too.
        program->stop();
        QVERIFY(program->start({}));
        QVERIFY2(waitForPickWindow(true), "the start did not show it");
        QCOMPARE(e2e::windowGeometry(pickWindow()), moved);
        QCOMPARE(program->config().value(QStringLiteral("chuangkou_x")),
                 stored.value(QStringLiteral("chuangkou_x")));
        QCOMPARE(program->config().value(QStringLiteral("chuangkou_y")),
                 stored.value(QStringLiteral("chuangkou_y")));
        QVERIFY2(targetKeptTheFocus(), focusStory("the start took the focus").constData());
    }

    // A position left on a monitor that is gone: the window opens on the screen there is,
    // and the position is kept until the user moves the window.
    void windowSavedOutOfReachOpensOnTheScreen() {
        QVERIFY(begin({{QStringLiteral("zhiding"), false},
                       {QStringLiteral("chuangkou_x"), 5000},
                       {QStringLiteral("chuangkou_y"), 5000}}));
        QVERIFY(holdHotkey());
        QVERIFY2(waitForPickWindow(true), "the hotkey did not map the pick window");
        const QString pick = pickWindow();
        const QStringList display =
            QString::fromUtf8(e2e::run(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")}))
                .split(u' ');
        const QRect screen(0, 0, display.value(0).toInt(), display.value(1).toInt());
        const QRect shown = e2e::windowGeometry(pick);
        QVERIFY2(!screen.isEmpty() && screen.contains(shown),
                 qPrintable(QStringLiteral("shown at %1, %2").arg(shown.x()).arg(shown.y())));
        QVERIFY2(targetKeptTheFocus(), focusStory("showing the window took the focus").constData());
        QCOMPARE(program->config().value(QStringLiteral("chuangkou_x")).toInt(), 5000);
        QCOMPARE(program->config().value(QStringLiteral("chuangkou_y")).toInt(), 5000);

        QVERIFY(e2e::xdotool({QStringLiteral("windowmove"), QStringLiteral("--sync"), pick,
                              QStringLiteral("300"), QStringLiteral("200")}));
        QVERIFY2(e2e::waitUntil(
                     [&] { return program->config().value(QStringLiteral("chuangkou_x")).toInt() != 5000; }),
                 "moving the window did not store its place");
    }

    void hotkeyHeldByAnotherProgramLeavesTheTrayAndSecondLaunch() {
        e2e::KeyGrab grab(QStringLiteral("v"), e2e::controlMask | e2e::shiftMask);
        QVERIFY(grab.holds());

        QVERIFY(begin({{QStringLiteral("zhiding"), false}}));
        const QString tray = e2e::trayIconWindow(pickTitle);
        QVERIFY(!tray.isEmpty());
        QVERIFY2(program->isRunning(), "the program ended without its hotkey");

        QVERIFY(e2e::clickAt(tray, QPoint(5, 5)));
        QVERIFY2(waitForPickWindow(true), "the tray icon did not show the window");
        QVERIFY2(targetKeptTheFocus(), focusStory("the tray icon click took the focus").constData());

        QVERIFY(e2e::closeWindow(pickWindow()));
        QVERIFY(waitForPickWindow(false));
        QCOMPARE(program->launchAgain(), 0);
        QVERIFY2(waitForPickWindow(true), "the second launch did not show the window");
        QVERIFY(program->isRunning());

        QVERIFY(grab.release());
    }
};

QTEST_GUILESS_MAIN(E2ePickWindowTest)
#include "tst_e2e_pickwindow.moc"
