// The pick window driven as the user drives it, in one program built once (offscreen,
// phrase output recorded instead of typed): its keys by both roads (the keyboard hook
// while it is passive, the application's key filter while it is active) and what blocks
// them, the selection, the badges, the groups and the phrase tooltips, and where the
// windows are stored and open, and the pin.

#include "RunTestObjects.h"
#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/Icons.h"
#include "app/Settings.h"
#include "app/SettingsWindowSetup.h"
#include "app/Startup.h"
#include "app/WindowPlacement.h"
#include "app/WindowReach.h"
#include "library/PhraseFilter.h"
#include "library/PhraseItem.h"
#include "output/OutputRunner.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/BadgeDelegate.h"
#include "pickwindow/KeyHandling.h"
#include "pickwindow/MyEventFilter.h"
#include "pickwindow/PhraseItemToolTipFilter.h"
#include "pickwindow/PickCommands.h"
#include "platform/HookKeys.h"
#include "platform/InputRecording.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>

#include <iterator>

namespace {

namespace vk = HookVk;

// Rows of a static table are fetched by their index.
template <typename Row, std::size_t N> void addRows(const Row (&rows)[N]) {
    QTest::addColumn<int>("index");
    for (std::size_t i = 0; i < N; ++i)
        QTest::newRow(rows[i].name) << int(i);
}
template <typename Row, std::size_t N> const Row &fetchRow(const Row (&rows)[N]) {
    return rows[*static_cast<int *>(QTest::qData("index", QMetaType::Int))];
}

void showPickWindow() {
    showPickWindowNoActivate(appContext().pickWindow);
    QVERIFY(QTest::qWaitForWindowExposed(appContext().pickWindow));
}

void activate(QWidget *window) {
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

// Ends a started output, search mode and anything left visible.
void settlePickWindow() {
    QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 5000);
    syntheticKeyCounter = 0;
    if (searchMode)
        leaveSearchMode(false);
    const AppContext &c = appContext();
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    for (QWidget *w : {c.pickWindow, c.settingsWindow, c.addWindow.window, c.editWindow.window})
        w->hide();
    // The offscreen platform keeps a hidden window as its focus window, and activating
    // that window again would then change nothing: park the focus on a window of its own.
    static QWidget parking;
    activate(&parking);
    parking.hide();
    QApplication::processEvents();
}

// Fills the list with phrases r0, r1, …, of the current group 乙 where the pattern has
// '#', of group 甲 (so hidden) where it has '-'.
void showRows(const QString &pattern) {
    QListWidget *list = appContext().phraseList;
    list->clear();
    for (int row = 0; row < pattern.size(); ++row) {
        const QString group =
            pattern.at(row) == QLatin1Char('-') ? QStringLiteral("甲") : QStringLiteral("乙");
        list->addItem(newPhraseItem({QStringLiteral("r%1").arg(row), QString(), group, {}}));
    }
    filterPhraseList(list, QStringLiteral("乙"), QString());
}

// Groups 甲, 乙, 丙 (乙 current) and the phrases r0, r1 (group 甲, so hidden), r2, r3, r4;
// r2 is current, the search box empty, not pinned, the pinned-mode keys and wrapping on.
void resetPickLibrary() {
    settlePickWindow();
    const AppContext &c = appContext();
    for (const char *key : {"arrow_key_cycle_select_phrase_item", "enter_key_input_phrase_when_pinned",
                            "badge_key_input_phrase_when_pinned"})
        configObject().insert(QLatin1String(key), true);
    configObject().insert(QStringLiteral("tudingflag"), false);
    configObject().insert(QStringLiteral("delay"), 0); // phrase output as fast as it goes
    c.searchBox->clear();
    while (c.groupTabBar->count() > 0)
        c.groupTabBar->removeTab(0);
    for (const QString &name : {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")})
        c.groupTabBar->setTabData(c.groupTabBar->addTab(name), 40);
    c.groupTabBar->setCurrentIndex(1);
    showRows(QStringLiteral("#-###"));
    c.phraseList->setCurrentRow(2);
}

// What the user can see of the program, one line per thing; a thing that does not matter
// at the time is left empty (where the focus is, while the pick window is hidden).
QStringList pickState() {
    const AppContext &c = appContext();
    const QListWidgetItem *item = c.phraseList->currentItem();
    const QWidget *focus = QApplication::focusWidget();
    const QString focusName = focus == c.searchBox    ? QStringLiteral("search box")
                              : focus == c.phraseList ? QStringLiteral("list")
                                                      : QStringLiteral("elsewhere");
    return {c.pickWindow->isVisible() ? QStringLiteral("shown") : QStringLiteral("closed"),
            searchMode ? QStringLiteral("search mode") : QStringLiteral("search mode left"),
            QStringLiteral("text '%1'").arg(c.searchBox->text()),
            QStringLiteral("group ") + c.groupTabBar->tabText(c.groupTabBar->currentIndex()),
            QStringLiteral("current ") + (item ? item->data(PhraseTextRole).toString() : QString()),
            configBool(QStringLiteral("tudingflag")) ? QStringLiteral("pinned") : QStringLiteral("unpinned"),
            c.addWindow.window->isVisible() ? QString() : QStringLiteral("add window closed"),
            c.editWindow.window->isVisible() ? QString() : QStringLiteral("edit window closed"),
            QStringLiteral("phrases %1").arg(c.phraseList->count()),
            c.pickWindow->isVisible() ? QStringLiteral("focus ") + focusName : QString()};
}

void startObservingOutput() {
    QTRY_VERIFY(!outputRunning);
    resetInputRecording();
}

// What changed since the state before, e.g. "input b2, closed"; "none" when nothing did.
QString pickEffect(const QStringList &before) {
    const QString input = recordedClipboardText();
    [] { QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 5000); }();
    const QStringList after = pickState();
    QStringList changes;
    if (!input.isEmpty())
        changes << QStringLiteral("input ") + input;
    for (int i = 0; i < after.size(); ++i) {
        if (after.at(i) != before.at(i) && !after.at(i).isEmpty())
            changes << after.at(i);
    }
    return changes.isEmpty() ? QStringLiteral("none") : changes.join(QStringLiteral(", "));
}

MyEventFilter *newFilter(QObject *parent) {
    const AppContext &c = appContext();
    auto *filter =
        new MyEventFilter(c.pickWindow, c.addWindow.window, c.editWindow.window, c.addWindow.cancelButton,
                          c.editWindow.cancelButton, c.phraseList, c.groupTabBar, c.searchBox);
    filter->setParent(parent);
    return filter;
}

// Where a key arrives. Up to Searching it comes through the keyboard hook as a virtual key;
// from SearchBox on it is a Qt key seen by the key filter, the focus in the place named.
enum Where { Passive, Hidden, Searching, SearchBox, List, Box, AddWindow, EditWindow, OtherWindow };
enum Flag : unsigned { Pinned = 1, EnterOff = 2, BadgeOff = 4, BothOff = 6, NoCurrent = 8, Repeat = 16 };

// A key pressed with the search text set first; taken: it does not go on to the application
// (or the focused widget); effect: what changed, as pickEffect says it.
struct KeyCase {
    const char *name;
    Where where;
    unsigned flags;
    const char *search;
    int key;
    bool taken;
    const char *effect;
    unsigned modifiers = HookNoModifier; // of the hook
};

// Visible rows: r0, r2 (current), r3, r4 of group 乙; 甲 (r1) is before it, 丙 after it. One row
// per way the key handling can go.
const KeyCase keyCases[] = {
    {"hidden: Esc passes", Hidden, 0, "", vk::Escape, false, "none"},
    {"hook in search mode: Tab passes", Searching, 0, "", vk::Tab, false, "none"},
    {"F1 is no pick-window key", Passive, 0, "", 0x70, false, "none"},
    {"Up", Passive, 0, "", vk::Up, true, "current r0"},
    {"Down", Passive, 0, "", vk::Down, true, "current r3"},
    {"Home", Passive, 0, "", vk::Home, true, "current r0"},
    {"End", Passive, 0, "", vk::End, true, "current r4"},
    {"Left", Passive, 0, "", vk::Left, true, "group 甲, current r1"},
    {"Right to an empty group", Passive, 0, "", vk::Right, true, "group 丙"},
    {"Ctrl+Left still switches", Passive, 0, "", vk::Left, true, "group 甲, current r1", HookControl},
    {"Esc closes", Passive, 0, "", vk::Escape, true, "closed"},
    {"Tab enters search mode", Passive, 0, "", vk::Tab, true, "search mode, focus search box"},
    {"the grave accent pins", Passive, 0, "", vk::Grave, true, "pinned"},
    {"the grave accent unpins", Passive, Pinned, "", vk::Grave, true, "unpinned"},
    {"Enter inputs and closes", Passive, 0, "", vk::Return, true, "input r2, closed"},
    {"Enter with no current row passes", Passive, NoCurrent, "", vk::Return, false, "none"},
    {"Enter with the current row filtered out passes", Passive, 0, "zz", vk::Return, false, "none"},
    {"pinned, Enter off: Enter passes", Passive, Pinned | EnterOff, "", vk::Return, false, "none"},
    {"pinned, badges off: Enter inputs", Passive, Pinned | BadgeOff, "", vk::Return, true, "input r2"},
    {"unpinned, both off: Enter inputs", Passive, BothOff, "", vk::Return, true, "input r2, closed"},
    {"3 skips the hidden row", Passive, 0, "", '3', true, "input r3, closed"},
    {"5 names no phrase and passes", Passive, 0, "", '5', false, "none"},
    {"Ctrl+3 passes", Passive, 0, "", '3', false, "none", HookControl},
    {"Alt+3 passes", Passive, 0, "", '3', false, "none", HookAlt},
    {"Win+3 passes", Passive, 0, "", '3', false, "none", HookMeta},
    {"Shift+3 inputs", Passive, 0, "", '3', true, "input r3, closed", HookShift},
    {"pinned, Enter off: 3 inputs", Passive, Pinned | EnterOff, "", '3', true, "input r3"},
    {"pinned, badges off: 3 passes", Passive, Pinned | BadgeOff, "", '3', false, "none"},
    {"unpinned, both off: 3 inputs", Passive, BothOff, "", '3', true, "input r3, closed"},
    {"a held Enter is kept from the application", Passive, Repeat, "", vk::Return, true, "none"},
    {"a held Down moves on", Passive, Repeat, "", vk::Down, true, "current r3"},

    {"search: Down", SearchBox, 0, "", Qt::Key_Down, true, "current r3"},
    {"search: Home moves the cursor", SearchBox, 0, "", Qt::Key_Home, false, "none"},
    {"search: Left moves the cursor", SearchBox, 0, "", Qt::Key_Left, false, "none"},
    {"search: 3 is typed", SearchBox, 0, "", Qt::Key_3, false, "none"},
    {"search: the grave accent is typed", SearchBox, 0, "", Qt::Key_QuoteLeft, false, "none"},
    {"search: Enter inputs", SearchBox, 0, "r3", Qt::Key_Return, true, "input r3, closed, search mode left"},
    {"search: Enter, nothing", SearchBox, 0, "zz", Qt::Key_Return, true, "search mode left, focus elsewhere"},
    {"search: Esc", SearchBox, 0, "r", Qt::Key_Escape, true, "search mode left, text '', focus elsewhere"},
    {"search: Tab leaves", SearchBox, 0, "", Qt::Key_Tab, true, "search mode left, focus elsewhere"},
    {"list: Down", List, 0, "", Qt::Key_Down, true, "current r3"},
    {"list: Home is left to the list", List, 0, "", Qt::Key_Home, false, "none"},
    {"list: Enter with no current row passes", List, NoCurrent, "", Qt::Key_Return, false, "none"},
    {"list, pinned, both off: Enter inputs", List, Pinned | BothOff, "", Qt::Key_Return, true, "input r2"},
    {"list, pinned, both off: 4 inputs", List, Pinned | BothOff, "", Qt::Key_4, true, "input r4"},
    {"list: Tab", List, 0, "", Qt::Key_Tab, true, "focus search box"},
    {"list: Esc closes", List, 0, "", Qt::Key_Escape, true, "closed"},
    {"box: Down", Box, 0, "", Qt::Key_Down, true, "current r3, focus list"},
    {"box: Left", Box, 0, "", Qt::Key_Left, true, "group 甲, current r1, focus list"},
    {"box: Enter", Box, 0, "", Qt::Key_Return, true, "focus list"},
    {"box: 3 is typed", Box, 0, "", Qt::Key_3, false, "none"},
    {"box: Tab", Box, 0, "", Qt::Key_Tab, true, "focus list"},
    {"add window: Esc cancels", AddWindow, 0, "", Qt::Key_Escape, true, "add window closed"},
    {"add window: Enter is left to it", AddWindow, 0, "", Qt::Key_Return, false, "none"},
    {"edit window: Esc cancels", EditWindow, 0, "", Qt::Key_Escape, true, "edit window closed"},
    {"another window: Esc passes", OtherWindow, 0, "", Qt::Key_Escape, false, "none"},
};

// What keeps the keys from the pick window: each row opens one thing.
struct Openable {
    QDialog dialog;
    QMenu menu;
    QWidget plain;
};
const struct {
    const char *name;
    void (*open)(Openable &);
    bool blocks;
} blockCases[] = {
    {"nothing open", [](Openable &) {}, false},
    {"synthetic keys on their way", [](Openable &) { syntheticKeyCounter = 1; }, true},
    {"a modal dialog", [](Openable &o) { o.dialog.show(); }, true},
    {"a popup menu", [](Openable &o) { o.menu.popup(QPoint(10, 10)); }, true},
    {"the settings window, from its button", [](Openable &) { appContext().settingsButton->click(); }, true},
    {"the add window", [](Openable &) { appContext().addWindow.window->show(); }, true},
    {"the edit window", [](Openable &) { appContext().editWindow.window->show(); }, true},
    {"a plain window does not block", [](Openable &o) { o.plain.show(); }, false},
};

} // namespace

class PickKeysTest : public QObject {
    Q_OBJECT
    QWidget m_otherWindow;

    void arrange(const KeyCase &k) {
        const AppContext &c = appContext();
        configObject().insert(QStringLiteral("tudingflag"), (k.flags & Pinned) != 0);
        configObject().insert(QStringLiteral("enter_key_input_phrase_when_pinned"), !(k.flags & EnterOff));
        configObject().insert(QStringLiteral("badge_key_input_phrase_when_pinned"), !(k.flags & BadgeOff));
        c.searchBox->setText(QString::fromUtf8(k.search));
        if (k.where != Hidden)
            showPickWindow();
        if (k.where == Searching || k.where == SearchBox) {
            enterSearchMode();
            QTRY_VERIFY(c.searchBox->hasFocus());
        } else if (k.where == List || k.where == Box) {
            activate(c.pickWindow);
            (k.where == List ? static_cast<QWidget *>(c.phraseList) : c.searchBox)->setFocus();
        } else if (k.where == AddWindow) {
            activate(c.addWindow.window);
            c.addWindow.textEdit->setPlainText(QStringLiteral("unsaved"));
        } else if (k.where == EditWindow) {
            activate(c.editWindow.window);
        } else if (k.where == OtherWindow) {
            activate(&m_otherWindow);
        }
        // After the focus moves, since the list makes a row current when it gets the focus.
        if (k.flags & NoCurrent)
            c.phraseList->setCurrentRow(-1);
    }

private slots:
    void initTestCase() { m_otherWindow.resize(100, 100); }
    void init() { resetPickLibrary(); }
    void cleanup() {
        m_otherWindow.hide();
        settlePickWindow();
    }

    void keys_data() { addRows(keyCases); }
    void keys() {
        const auto &k = fetchRow(keyCases);
        MyEventFilter *filter = newFilter(this);
        arrange(k);
        const QStringList before = pickState();
        startObservingOutput();
        QKeyEvent press(QEvent::KeyPress, k.key, Qt::NoModifier);
        QObject *watched =
            QApplication::focusWidget() ? QApplication::focusWidget() : appContext().pickWindow;
        const bool taken = k.where <= Searching
                               ? handleHookKey({std::uint32_t(k.key), k.modifiers, (k.flags & Repeat) != 0})
                               : filter->eventFilter(watched, &press);
        QCOMPARE(taken, k.taken);
        QCOMPARE(pickEffect(before), QString::fromUtf8(k.effect));
        delete filter;
    }

    void keysAreBlocked_data() { addRows(blockCases); }
    void keysAreBlocked() {
        const auto &b = fetchRow(blockCases);
        showPickWindow();
        Openable openable;
        openable.dialog.setModal(true);
        openable.menu.addAction(QStringLiteral("x"));
        b.open(openable);
        QCOMPARE(pickKeysBlocked(), b.blocks);
        // A blocked key passes untouched: the selection stays where it was.
        QCOMPARE(handleHookKey({vk::Down, HookNoModifier}), !b.blocks);
        QCOMPARE(appContext().phraseList->currentRow(), b.blocks ? 2 : 3);
        openable.menu.close();
    }

    // The hook reports Windows virtual keys, Qt its own key codes: each key means the same
    // by either road (which keys the hook grabs is the key tables' test).
    void bothKeyRoadsGiveAKeyTheSameCommand() {
        const std::uint32_t hookKeys[] = {vk::Up,     vk::Down,   vk::Home,   vk::End, vk::Left,  vk::Right,
                                          vk::Return, vk::Return, vk::Escape, vk::Tab, vk::Grave, '1',
                                          '0',        'A',        'Z',        0x70};
        const int qtKeys[] = {Qt::Key_Up,     Qt::Key_Down,  Qt::Key_Home,      Qt::Key_End,
                              Qt::Key_Left,   Qt::Key_Right, Qt::Key_Return,    Qt::Key_Enter,
                              Qt::Key_Escape, Qt::Key_Tab,   Qt::Key_QuoteLeft, Qt::Key_1,
                              Qt::Key_0,      Qt::Key_A,     Qt::Key_Z,         Qt::Key_F1};
        for (std::size_t i = 0; i < std::size(qtKeys); ++i)
            QVERIFY2(pickCommandOfHookKey(hookKeys[i]) == pickCommandOfQtKey(qtKeys[i]),
                     qPrintable(QString::number(i)));
    }

    void aClickDuringSearchModeLeavesItBeforeTheInput() {
        const AppContext &c = appContext();
        showPickWindow();
        enterSearchMode();
        startObservingOutput();
        emit c.phraseList->itemClicked(c.phraseList->item(4));
        QVERIFY(!searchMode && !c.searchBox->hasFocus());
        QCOMPARE(recordedClipboardText(), QStringLiteral("r4"));
    }

    // Another window taking the focus ends search mode (the program's own end-to-end test).
    void searchModeGoesOnWhenTheFocusMovesToTheList() {
        showPickWindow();
        enterSearchMode();
        QTRY_VERIFY(appContext().searchBox->hasFocus());
        appContext().phraseList->setFocus();
        QTest::qWait(20); // the check is queued behind the focus change
        QVERIFY(searchMode);
    }

    // Only hidden: a new native window made at the next show would be placed off by its frame.
    void closingThePickWindowKeepsItsNativeWindow() {
        QWidget *pickWindow = appContext().pickWindow;
        showPickWindow();
        const WId native = pickWindow->winId();
        pickWindow->close();
        QVERIFY(!pickWindow->isVisible() && pickWindow->windowHandle()->handle());
        showPickWindow();
        QCOMPARE(pickWindow->winId(), native);
    }

    void hidingThePickWindowHidesItsTooltip() {
        const AppContext &c = appContext();
        showPickWindow();
        MyEventFilter *filter = newFilter(this);
        QToolTip::showText(c.pickWindow->mapToGlobal(QPoint(5, 5)), QStringLiteral("tip"), c.pickWindow);
        QHideEvent hide;
        filter->eventFilter(c.phraseList, &hide);
        QTest::qWait(500); // a tooltip told to hide fades out a moment later
        QVERIFY(QToolTip::isVisible());
        QVERIFY(!filter->eventFilter(c.pickWindow, &hide));
        QTRY_VERIFY(!QToolTip::isVisible());
        delete filter;
    }
};

namespace {

// Rows by one character each, '#' shown and '-' hidden; the step is +1 for Down or Home,
// -1 for Up or End; wrap 1 on, 0 off, -1 missing from the config.
const struct {
    const char *name;
    const char *rows;
    bool edge;
    int current, step, wrap, expected;
} moveCases[] = {
    {"Down skips a hidden row", "##-#", false, 1, +1, 1, 3},
    {"Up skips hidden rows", "#--#", false, 3, -1, 1, 0},
    {"Down on the last wraps to the first", "-##-", false, 2, +1, 1, 1},
    {"Down on the last stays without wrapping", "-##-", false, 2, +1, 0, 2},
    {"Up on the first wraps to the last", "-##-", false, 1, -1, 1, 2},
    {"Up on the first stays without wrapping", "-##-", false, 1, -1, 0, 1},
    {"a missing wrap setting wraps", "##", false, 1, +1, -1, 0},
    {"Down with no current row selects the first", "-##-", false, -1, +1, 0, 1},
    {"Up with no current row selects the last", "-##-", false, -1, -1, 0, 2},
    {"the only shown row stays when wrapping", "-#-", false, 1, +1, 1, 1},
    {"every row hidden: Down changes nothing", "---", false, 1, +1, 1, 1},
    {"an empty list has no current row", "", false, -1, +1, 1, -1},
    {"Home selects the first shown row", "--#-#", true, 4, +1, 1, 2},
    {"End selects the last shown row", "#-#--", true, 0, -1, 1, 2},
    {"every row hidden: End changes nothing", "---", true, 1, -1, 1, 1},
};

bool currentRowIsInView() {
    const QListWidget *list = appContext().phraseList;
    return list->viewport()->rect().contains(list->visualItemRect(list->currentItem()));
}

bool nearColour(QColor a, QColor b) {
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) <= 40;
}

int pixelsNear(const QImage &image, const QRect &area, QColor colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += nearColour(image.pixelColor(x, y), colour) ? 1 : 0;
    return count;
}

// The wheel turned towards the user (step +1) goes to the next group, away from the user to
// the previous one; the arrow keys are the key table's and, at the ends, the end-to-end tests'.
const struct {
    const char *name;
    int sideways, step, current, expected;
} groupCases[] = {
    {"previous", 0, -1, 1, 0},
    {"next", 0, +1, 1, 2},
    {"previous on the first stays", 0, -1, 0, 0},
    {"next on the last stays", 0, +1, 2, 2},
    {"no turn changes nothing", 0, 0, 1, 1},
    {"a sideways turn changes nothing", 120, 0, 1, 1},
};

} // namespace

class PickSelectionTest : public QObject {
    Q_OBJECT

private slots:
    void init() { resetPickLibrary(); }
    void cleanup() { settlePickWindow(); }

    void moves_data() { addRows(moveCases); }
    void moves() {
        const auto &m = fetchRow(moveCases);
        showRows(QLatin1String(m.rows));
        if (m.wrap < 0)
            configObject().remove(QStringLiteral("arrow_key_cycle_select_phrase_item"));
        else
            configObject().insert(QStringLiteral("arrow_key_cycle_select_phrase_item"), m.wrap == 1);
        appContext().phraseList->setCurrentRow(m.current);
        m.edge ? selectEdgePhrase(m.step) : selectAdjacentPhrase(m.step);
        QCOMPARE(appContext().phraseList->currentRow(), m.expected);
    }

    void theNewCurrentRowIsScrolledIntoView() {
        showRows(QString(200, QLatin1Char('#')));
        showPickWindow();
        QListWidget *list = appContext().phraseList;
        list->setCurrentRow(0);
        selectEdgePhrase(-1);
        QVERIFY(list->currentRow() == 199 && currentRowIsInView());
        selectAdjacentPhrase(+1); // wraps to the top
        QVERIFY(list->currentRow() == 0 && currentRowIsInView());
    }

    // The filter writes the badges, the keys address phrases: they must agree on every
    // badge, and no key reaches past the 36th.
    void everyBadgeKeyAddressesThePhraseCarryingThatBadge() {
        showRows(QStringLiteral("####-").repeated(10)); // 40 shown
        const QListWidget *list = appContext().phraseList;
        int badged = 0;
        for (int row = 0; row < list->count(); ++row) {
            const QString badge = list->item(row)->data(PhraseBadgeRole).toString();
            if (!badge.isEmpty() && ++badged)
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

    // Painted where the setting says on the rows that have one; a selected row keeps the
    // colour of a phrase with a remark; no row asks for a width (no sideways scrolling).
    void badgesAndSelectedRowsArePaintedAsSet() {
        const QColor badgeBlue(0x00, 0x78, 0xd4);
        showRows(QString(40, QLatin1Char('#')));
        showPickWindow();
        QListWidget *list = appContext().phraseList;
        for (const bool left : {false, true}) {
            configObject().insert(QStringLiteral("jiaobiao"), left);
            for (const int row : {0, 36}) {
                list->scrollToItem(list->item(row));
                const QImage image = list->viewport()->grab().toImage();
                const QRect rect = list->visualItemRect(list->item(row));
                const QPoint corner = BadgeDelegate::badgeCorner(rect, left);
                QCOMPARE(corner.x() < rect.center().x(), left);
                // The left edge of the badge, clear of its rounded corners and its white text.
                QCOMPARE(pixelsNear(image, QRect(corner + QPoint(1, 7), QSize(2, 4)), badgeBlue) == 8,
                         row < 36);
            }
        }
        QListWidgetItem *remarked = list->item(1);
        remarked->setData(PhraseRemarkRole, QStringLiteral("████████"));
        refreshPhraseItem(remarked);
        list->setCurrentItem(remarked);
        list->scrollToItem(remarked);
        const QImage image = list->viewport()->grab().toImage();
        QVERIFY(pixelsNear(image, list->visualItemRect(remarked), QColor(0x2E, 0x7D, 0x32)) > 20);
        QCOMPARE(list->itemDelegate()->sizeHint(QStyleOptionViewItem(), list->model()->index(0, 0)).width(),
                 0);
    }

    void theWheelOverTheTabsSwitchesGroups_data() { addRows(groupCases); }
    void theWheelOverTheTabsSwitchesGroups() {
        const auto &g = fetchRow(groupCases);
        QTabBar *tabBar = appContext().groupTabBar;
        tabBar->setCurrentIndex(g.current);
        QWheelEvent event(QPointF(5, 5), tabBar->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(g.sideways, -g.step * 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        event.ignore();
        QApplication::sendEvent(tabBar, &event);
        QVERIFY(event.isAccepted()); // the wheel never scrolls anything else
        QCOMPARE(tabBar->currentIndex(), g.expected);
        // The list takes the item height of the group shown.
        QCOMPARE(appContext().phraseList->styleSheet(),
                 phraseItemStyleSheet(tabBar->tabData(g.expected).toInt()));
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

} // namespace

// A phrase's tooltip shows once the mouse rests on it, never for a row gone in the meantime.
class PhraseToolTipsTest : public QObject {
    Q_OBJECT
    QListWidget *list = nullptr;
    EventProbe *probe = nullptr;

    QPointF inside(int row, QPointF offset = QPointF()) const {
        return QPointF(list->visualItemRect(list->item(row)).center()) + offset;
    }
    bool tipShows(int row) const {
        return QToolTip::isVisible() && QToolTip::text() == list->item(row)->data(Qt::ToolTipRole).toString();
    }
    void send(QEvent::Type type, QPointF pos) {
        const QPointF global = list->viewport()->mapToGlobal(pos);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent mouse(type, pos, global, button, type == QEvent::MouseButtonPress ? button : Qt::NoButton,
                          Qt::NoModifier);
        QWheelEvent wheel(pos, global, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QHelpEvent help(QEvent::ToolTip, pos.toPoint(), global.toPoint());
        QEvent other(type);
        QEvent *event = type == QEvent::Wheel     ? static_cast<QEvent *>(&wheel)
                        : type == QEvent::ToolTip ? static_cast<QEvent *>(&help)
                        : type == QEvent::Leave   ? &other
                                                  : static_cast<QEvent *>(&mouse);
        QApplication::sendEvent(list->viewport(), event);
    }
    void restOn(int row) {
        send(QEvent::MouseMove, inside(row));
        QVERIFY(!QToolTip::isVisible()); // not before the wait
        QTRY_VERIFY(tipShows(row));
    }

private slots:
    void init() {
        list = new QListWidget;
        list->setMouseTracking(true);
        probe = new EventProbe(list);
        list->viewport()->installEventFilter(probe);
        installPhraseToolTips(list);
        for (const char *text : {"短语 0", "短语 1", "短语 2"})
            list->addItem(
                newPhraseItem({QString::fromUtf8(text), QStringLiteral("备注"), QStringLiteral("g"), {}}));
        list->resize(300, 300);
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list));
    }
    void cleanup() {
        PhraseItemToolTipFilter::hideToolTip();
        delete list;
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void aOnePixelMoveShowsTheTipAgainOnceTheMouseRests() {
        restOn(1);
        send(QEvent::MouseMove, inside(1, QPointF(1, 0)));
        // Qt's hide of the old tip is delayed; it must not swallow the tip shown after the new wait.
        QTest::qWait(600);
        QVERIFY(tipShows(1));
    }

    void clicksWheelAndLeavingHideAtOnceAndStillReachTheList_data() {
        QTest::addColumn<int>("type");
        for (const QEvent::Type type :
             {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::Wheel, QEvent::Leave})
            QTest::addRow("%d", int(type)) << int(type);
    }
    void clicksWheelAndLeavingHideAtOnceAndStillReachTheList() {
        QFETCH(int, type);
        restOn(0);
        probe->seen.clear();
        send(QEvent::Type(type), inside(0));
        QTRY_VERIFY(!QToolTip::isVisible());
        QVERIFY(probe->seen.contains(QEvent::Type(type)));
        // During the wait for the next tip, the event cancels it.
        send(QEvent::MouseMove, inside(1));
        send(QEvent::Type(type), inside(1));
        QTest::qWait(400);
        QVERIFY(!QToolTip::isVisible());
    }

    void aRowHiddenOrDeletedDuringTheWaitShowsNothing() {
        for (const bool deleted : {false, true}) {
            send(QEvent::MouseMove, inside(deleted ? 1 : 2));
            if (deleted)
                delete list->takeItem(1);
            else
                list->setRowHidden(2, true);
            QTest::qWait(400);
            QVERIFY(!QToolTip::isVisible());
        }
    }

    // The toolkit's own request shows the pending tip at once, and over the empty area
    // nothing, not even the standard item tooltip.
    void theToolkitsRequestShowsOnlyAPhrasesTip() {
        send(QEvent::MouseMove, inside(0));
        send(QEvent::ToolTip, inside(0));
        QVERIFY(tipShows(0));
        const QPointF below(10, list->visualItemRect(list->item(2)).bottom() + 40);
        send(QEvent::MouseMove, below);
        probe->seen.clear();
        send(QEvent::ToolTip, below);
        QVERIFY(!probe->seen.contains(QEvent::ToolTip));
        QTest::qWait(400);
        QVERIFY(!QToolTip::isVisible());
    }
};

namespace {

const QStringList positionPrefixes = {QStringLiteral("chuangkou"), QStringLiteral("shezhichuangkou"),
                                      QStringLiteral("tianjiachuangkou"), QStringLiteral("xiugaichuangkou")};
enum SavedWindow { NoWindow = -1, PickWin, SettingsWin, AddWin, EditWin, AddChild };

QWidget *windowOf(int index) {
    const AppContext &c = appContext();
    return QList<QWidget *>{c.pickWindow, c.settingsWindow, c.addWindow.window, c.editWindow.window}.at(
        index);
}

QJsonValue savedValue(const QString &key) {
    QFile file(appContext().configPath);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object().value(key)
                                          : QJsonValue();
}

QPoint savedPoint(const QString &prefix) {
    return {savedValue(prefix + QStringLiteral("_x")).toInt(),
            savedValue(prefix + QStringLiteral("_y")).toInt()};
}

// NoWindow active: another program's window is.
const struct {
    const char *name;
    SavedWindow active, moved, stored;
} moveStoreCases[] = {
    {"the pick window is stored whatever is active", SettingsWin, PickWin, PickWin},
    {"another window moving stores the active settings window", SettingsWin, AddWin, SettingsWin},
    {"the active add window is stored", AddWin, AddWin, AddWin},
    {"a child widget moving stores the active edit window", EditWin, AddChild, EditWin},
    {"nothing is stored while no window of ours is active", NoWindow, AddWin, NoWindow},
};

// Screens: one 1920 × 1080, a 1280 × 1024 left of it or right of it, or one 700 × 600; each
// with a 40-pixel task bar along its bottom. A window opens at its saved place, where a new
// install would on the mouse's screen, or pushed inside that screen.
enum Screens { One, LeftAndMain, MainAndRight, Small };
enum Opens { Saved, NewInstall, Inside };
const struct {
    const char *name;
    Screens screens;
    int mouseScreen;
    QPoint saved;
    bool besidePick;
    Opens opens;
} reachCases[] = {
    {"a position on the screen is kept", One, 0, {300, 200}, false, Saved},
    {"(5000, 5000) opens where a new install would", One, 0, {5000, 5000}, false, NewInstall},
    {"the other windows open beside the pick window", One, 0, {5000, 5000}, true, NewInstall},
    {"on the left screen's negative coordinates is kept", LeftAndMain, 1, {-1000, 100}, false, Saved},
    {"on a second monitor that was unplugged", One, 0, {2200, 300}, false, NewInstall},
    {"the screen under the mouse is used", MainAndRight, 1, {-5000, 300}, false, NewInstall},
    {"the title bar above the screen", One, 0, {300, -10}, false, NewInstall},
    {"the title bar under the task bar", One, 0, {300, 1000}, false, NewInstall},
    {"a 100-pixel band at the right edge is enough", One, 0, {1820, 300}, false, Saved},
    {"a 60-pixel band at the right edge is not", One, 0, {1860, 300}, false, NewInstall},
    {"a 100-pixel band at the left edge is enough", One, 0, {-400, 300}, false, Saved},
    {"a screen too narrow for beside the pick window", Small, 0, {5000, 5000}, true, Inside},
};

QList<ScreenArea> screenAreas(Screens screens) {
    const QRect one(0, 0, 1920, 1080), side(0, 0, 1280, 1024);
    const QList<QList<QRect>> layouts = {
        {one}, {side.translated(-1280, 0), one}, {one, side.translated(1920, 0)}, {QRect(0, 0, 700, 600)}};
    QList<ScreenArea> areas;
    for (const QRect &geometry : layouts.at(screens))
        areas.append({geometry, geometry.adjusted(0, 0, 0, -40)});
    return areas;
}

QImage iconImage(const QIcon &icon) {
    return icon.pixmap(QSize(20, 20)).toImage();
}

} // namespace

// Where the windows are stored when they move and where they open; the global hotkey's
// toggling and the always-on-top switch are the end-to-end tests' and the settings test's.
class PickPlacementTest : public QObject {
    Q_OBJECT
    QWidget m_otherWindow;

private slots:
    void initTestCase() { m_otherWindow.resize(50, 50); }
    void init() { resetPickLibrary(); }
    void cleanup() {
        m_otherWindow.hide();
        settlePickWindow();
    }

    void movesStoreThePositionOfTheRightWindow_data() { addRows(moveStoreCases); }
    void movesStoreThePositionOfTheRightWindow() {
        const auto &m = fetchRow(moveStoreCases);
        showPickWindow();
        for (int i = 1; i < positionPrefixes.size(); ++i) {
            windowOf(i)->move(100 * i, 50 * i);
            windowOf(i)->show();
        }
        activate(m.active == NoWindow ? &m_otherWindow : windowOf(m.active));
        QWidget child(appContext().addWindow.window);
        child.show();
        QTest::qWait(20);
        // Forget what the set-up stored, so that only the move below can write.
        for (const QString &prefix : positionPrefixes) {
            configObject().insert(prefix + QStringLiteral("_x"), -1);
            configObject().insert(prefix + QStringLiteral("_y"), -1);
        }
        saveConfig(appContext().configPath);
        QWidget *target = m.moved == AddChild ? &child : windowOf(m.moved);
        target->move(target->pos() + QPoint(7, 3));
        QTest::qWait(20);
        for (int i = 0; i < positionPrefixes.size(); ++i) {
            // Any move while one of our windows is active may store that window again.
            const QPoint saved = savedPoint(positionPrefixes.at(i));
            const bool stored = i == m.stored || (i == m.active && saved != QPoint(-1, -1));
            QCOMPARE(saved, stored ? windowOf(i)->pos() : QPoint(-1, -1));
        }
    }

    void windowsOutOfReachOpenWhereANewInstallWould_data() { addRows(reachCases); }
    void windowsOutOfReachOpenWhereANewInstallWould() {
        const auto &r = fetchRow(reachCases);
        const QList<ScreenArea> areas = screenAreas(r.screens);
        const ScreenArea &mouse = areas.at(r.mouseScreen);
        const QSize frame(500, 530);
        const QPoint position = reachablePosition(r.saved, frame, areas, mouse, r.besidePick ? 501 : 0);
        QVERIFY(isWithinReach(position, frame, areas));
        // A new install's positions come from the size of the screen under the mouse.
        const QJsonObject fresh = defaultConfig(mouse.geometry.size());
        const QString prefix = positionPrefixes.at(r.besidePick ? 1 : 0);
        const QPoint newInstall(fresh.value(prefix + QStringLiteral("_x")).toInt(),
                                fresh.value(prefix + QStringLiteral("_y")).toInt());
        if (r.opens == Inside)
            QVERIFY(mouse.available.contains(QRect(position, frame)));
        else
            QCOMPARE(position, r.opens == Saved ? r.saved : mouse.geometry.topLeft() + newInstall);
    }

    // The program's own placement stores nothing; the saved position changes only once the
    // user moves the window (the pick window's case is an end-to-end test).
    void aWindowOutOfReachOpensOnTheScreenUntilTheUserMovesIt() {
        QList<ScreenArea> screens;
        for (const QScreen *screen : QGuiApplication::screens())
            screens.append({screen->geometry(), screen->availableGeometry()});
        for (int i = 1; i < positionPrefixes.size(); ++i) {
            const QString &prefix = positionPrefixes.at(i);
            QWidget *window = windowOf(i);
            configObject().insert(prefix + QStringLiteral("_x"), 5000);
            configObject().insert(prefix + QStringLiteral("_y"), 5000);
            saveConfig(appContext().configPath);
            showAtSavedPosition(window);
            QVERIFY(QTest::qWaitForWindowActive(window));
            QVERIFY2(isWithinReach(window->pos(), window->frameGeometry().size(), screens),
                     qPrintable(prefix));
            QTest::qWait(20);
            QCOMPARE(savedPoint(prefix), QPoint(5000, 5000));
            window->move(window->pos() + QPoint(7, 3));
            QTRY_COMPARE(savedPoint(prefix), window->pos());
            window->close();
        }
    }

    // The button (and the grave accent, see the key table) toggles the stored value and
    // the icon, and leaves the window as it is.
    void thePinButtonTogglesPinnedAndItsIcon() {
        QPushButton *pinButton = appContext().pinButton;
        const QImage solid = iconImage(programIcon(pinnedIconFile));
        const QImage hollow = iconImage(programIcon(unpinnedIconFile));
        QVERIFY2(!solid.isNull() && solid != hollow, "the pin icons are beside the test");
        QCOMPARE(iconImage(pinButton->icon()), hollow);
        for (const bool pinned : {true, false}) {
            pinButton->click();
            QCOMPARE(savedValue(QStringLiteral("tudingflag")), QJsonValue(pinned));
            QCOMPARE(iconImage(pinButton->icon()), pinned ? solid : hollow);
            QVERIFY(!appContext().pickWindow->isVisible());
        }
    }
};

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    buildVerbolin(dir.path(), {QStringLiteral("verbolin"), QStringLiteral("--autostart")});
    settingsWindow(appContext()); // built on first use; the tests reach it directly
    PickKeysTest keysTest;
    PickSelectionTest selectionTest;
    PhraseToolTipsTest toolTipsTest;
    PickPlacementTest placementTest;
    return runTestObjects({&keysTest, &selectionTest, &toolTipsTest, &placementTest}, argc, argv);
}

#include "tst_pickwindow.moc"
