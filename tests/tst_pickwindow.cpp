// The pick window driven as the user drives it (offscreen, phrase output recorded): its keys
// by both roads and what blocks them, selection, badges, groups, tooltips, placement, the pin.

#include "app/EditorWindowsSetup.h"
#include "app/Icons.h"
#include "app/SettingsWindowSetup.h"
#include "app/Startup.h"
#include "app/StyleSheet.h"
#include "app/WindowPlacement.h"
#include "app/WindowReach.h"
#include "library/AppContext.h"
#include "library/ConfigStore.h"
#include "library/PhraseEditing.h"
#include "library/PhraseFilter.h"
#include "library/PhraseItem.h"
#include "library/PhraseListView.h"
#include "library/Settings.h"
#include "library/ShownPhrasesModel.h"
#include "output/OutputRunner.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/BadgeDelegate.h"
#include "pickwindow/KeyHandling.h"
#include "pickwindow/MyEventFilter.h"
#include "pickwindow/PhraseItemToolTipFilter.h"
#include "pickwindow/PickCommands.h"
#include "platform/DesktopSession.h"
#include "platform/FontFamilies.h"
#include "platform/HookKeys.h"
#include "platform/InputRecording.h"

#include <QApplication>
#include <QDialog>
#include <QGlyphRun>
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
#include <QTextLayout>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>

using namespace Qt::StringLiterals;

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
        const QString group = pattern.at(row) == u'-' ? u"甲"_s : u"乙"_s;
        list->addItem(newPhraseItem({u"r%1"_s.arg(row), QString(), group, {}}));
    }
    filterPhraseList(appContext().phraseView, u"乙"_s, QString());
}

// Groups 甲, 乙, 丙 (乙 current) and the phrases r0, r1 (group 甲, so hidden), r2, r3, r4;
// r2 is current, the search box empty, not pinned, the pinned-mode keys and wrapping on.
void resetPickLibrary() {
    settlePickWindow();
    const AppContext &c = appContext();
    configObject().insert(u"arrow_key_cycle_select_phrase_item"_s, true);
    configObject().insert(u"tudingflag"_s, false);
    configObject().insert(u"delay"_s, 0); // phrase output as fast as it goes
    c.searchBox->clear();
    while (c.groupTabBar->count() > 0)
        c.groupTabBar->removeTab(0);
    for (const QString &name : {u"甲"_s, u"乙"_s, u"丙"_s})
        c.groupTabBar->setTabData(c.groupTabBar->addTab(name), 40);
    c.groupTabBar->setCurrentIndex(1);
    showRows(u"#-###"_s);
    c.phraseView->setCurrentPhraseRow(2);
}

// What the user can see of the program, one line per thing; a thing that does not matter
// at the time is left empty (where the focus is, while the pick window is hidden). Closed,
// the pick window keeps its native window: a new one would open off by its frame.
QStringList pickState() {
    const AppContext &c = appContext();
    const QListWidgetItem *item = c.phraseView->currentPhrase();
    const QWidget *focus = QApplication::focusWidget();
    const bool pinned = configBool(u"tudingflag"_s);
    const QIcon pinIcon = programIcon(pinned ? pinnedIconFile : unpinnedIconFile);
    const QWindow *native = c.pickWindow->windowHandle();
    const QString focusName = focus == c.searchBox    ? u"search box"_s
                              : focus == c.phraseView ? u"list"_s
                                                      : u"elsewhere"_s;
    return {c.pickWindow->isVisible() ? u"shown"_s : u"closed"_s,
            searchMode ? u"search mode"_s : u"search mode left"_s,
            u"text '%1'"_s.arg(c.searchBox->text()),
            u"group "_s + c.groupTabBar->tabText(c.groupTabBar->currentIndex()),
            u"current "_s + (item ? item->data(PhraseTextRole).toString() : QString()),
            pinned ? u"pinned"_s : u"unpinned"_s,
            c.pinButton->icon().cacheKey() == pinIcon.cacheKey() ? QString() : u"the other pin icon"_s,
            c.addWindow.window->isVisible() ? QString() : u"add window closed"_s,
            c.editWindow.window->isVisible() ? QString() : u"edit window closed"_s,
            u"phrases %1"_s.arg(c.phraseList->count()),
            c.pickWindow->isVisible() ? u"focus "_s + focusName : QString(),
            native && !native->handle() ? u"native window gone"_s : QString()};
}

// What changed since the state before, e.g. "input b2, closed"; "none" when nothing did.
QString pickEffect(const QStringList &before) {
    const QString input = recordedClipboardText();
    [] { QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 5000); }();
    const QStringList after = pickState();
    QStringList changes;
    if (!input.isEmpty())
        changes << u"input "_s + input;
    for (int i = 0; i < after.size(); ++i)
        if (after.at(i) != before.at(i) && !after.at(i).isEmpty())
            changes << after.at(i);
    return changes.isEmpty() ? u"none"_s : changes.join(u", "_s);
}

// Where a key arrives. Up to Searching it comes through the keyboard hook as a virtual key;
// from SearchBox on it is a Qt key seen by the key filter, the focus in the place named.
enum Where { Passive, Hidden, Searching, SearchBox, List, Box, AddWindow, EditWindow, OtherWindow };
enum Flag : unsigned { Pinned = 1, EnterOff = 2, BadgeOff = 4, BothOff = 6, NoCurrent = 8, Repeat = 16 };
// Instead of the key: a click on the row of that number, the list taking the focus.
enum Instead : unsigned { ClickRow = 32, FocusList = 64 };
// What is open when the key comes: things that keep the keys from the pick window, and one that does not.
enum Opened { Nothing, Synthetic, ModalDialog, PopupMenu, SettingsOpen, AddOpen, EditOpen, PlainWindow };

// A key pressed with the search text set first; taken: it does not go on to the application
// or the focused widget; effect: as pickEffect says it.
struct KeyCase {
    const char *name;
    Where where;
    unsigned flags;
    const char *search;
    int key;
    bool taken;
    const char *effect;
    unsigned modifiers = HookNoModifier; // of the hook
    Opened opened = Nothing;
};

// Visible rows: r0, r2 (current), r3, r4 of group 乙; 甲 (r1) is before it, 丙 after it.
const KeyCase keyCases[] = {
    {"hidden: Esc passes", Hidden, 0, "", vk::Escape, false, "none"},
    {"hook in search mode: Tab passes", Searching, 0, "", vk::Tab, false, "none"},
    {"F1 is no pick-window key", Passive, 0, "", 0x70, false, "none"},
    {"Up", Passive, 0, "", vk::Up, true, "current r0"},
    {"Down", Passive, 0, "", vk::Down, true, "current r3"},
    {"Home", Passive, 0, "", vk::Home, true, "current r0"},
    {"End", Passive, 0, "", vk::End, true, "current r4"},
    {"Left", Passive, 0, "", vk::Left, true, "group 甲, current r1"},
    {"Right to an empty group", Passive, 0, "", vk::Right, true, "group 丙, current "},
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
    {"search: a click leaves it", Searching, ClickRow, "", 4, true, "input r4, closed, search mode left"},
    {"search: the list taking the focus goes on", Searching, FocusList, "", 0, true, "focus list"},
    {"list: Down", List, 0, "", Qt::Key_Down, true, "current r3"},
    {"list: Up", List, 0, "", Qt::Key_Up, true, "current r0"},
    {"list: keypad Enter inputs", List, 0, "", Qt::Key_Enter, true, "input r2, closed"},
    {"list: Home is left to the list", List, 0, "", Qt::Key_Home, false, "none"},
    {"list: Enter with no current row passes", List, NoCurrent, "", Qt::Key_Return, false, "none"},
    {"list, pinned, both off: Enter inputs", List, Pinned | BothOff, "", Qt::Key_Return, true, "input r2"},
    {"list, pinned, both off: 4 inputs", List, Pinned | BothOff, "", Qt::Key_4, true, "input r4"},
    {"list: Tab", List, 0, "", Qt::Key_Tab, true, "focus search box"},
    {"list: Esc closes", List, 0, "", Qt::Key_Escape, true, "closed"},
    {"box: Down", Box, 0, "", Qt::Key_Down, true, "current r3, focus list"},
    {"box: Left", Box, 0, "", Qt::Key_Left, true, "group 甲, current r1, focus list"},
    {"box: Right", Box, 0, "", Qt::Key_Right, true, "group 丙, current , focus list"},
    {"box: Enter", Box, 0, "", Qt::Key_Return, true, "focus list"},
    {"box: 3 is typed", Box, 0, "", Qt::Key_3, false, "none"},
    {"box: Tab", Box, 0, "", Qt::Key_Tab, true, "focus list"},
    {"add window: Esc cancels", AddWindow, 0, "", Qt::Key_Escape, true, "add window closed"},
    {"add window: Enter is left to it", AddWindow, 0, "", Qt::Key_Return, false, "none"},
    {"edit window: Esc cancels", EditWindow, 0, "", Qt::Key_Escape, true, "edit window closed"},
    {"another window: Esc passes", OtherWindow, 0, "", Qt::Key_Escape, false, "none"},
    {"synthetic keys on their way", Passive, 0, "", vk::Down, false, "none", 0, Synthetic},
    {"a modal dialog", Passive, 0, "", vk::Down, false, "none", 0, ModalDialog},
    {"a popup menu", Passive, 0, "", vk::Down, false, "none", 0, PopupMenu},
    {"the settings window", Passive, 0, "", vk::Down, false, "none", 0, SettingsOpen},
    {"the add window", Passive, 0, "", vk::Down, false, "none", 0, AddOpen},
    {"the edit window", Passive, 0, "", vk::Down, false, "none", 0, EditOpen},
    {"a plain window does not block", Passive, 0, "", vk::Down, true, "current r3", 0, PlainWindow},
};

// Rows by one character each, '#' shown and '-' hidden; the step is +1 for Down or Home,
// -1 for Up or End; wrap 1 on, 0 off, -1 missing from the config.
const struct {
    const char *name, *rows;
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
    {"every row hidden: Down changes nothing", "---", false, -1, +1, 1, -1},
    {"an empty list has no current row", "", false, -1, +1, 1, -1},
    {"Home selects the first shown row", "--#-#", true, 4, +1, 1, 2},
    {"End selects the last shown row", "#-#--", true, 0, -1, 1, 2},
    {"every row hidden: End changes nothing", "---", true, -1, -1, 1, -1},
};

// Tooltip steps on the pick window's list of three phrases. To the tooltip filter:
// "move|press|release|wheel|leave|ask R" at the centre of row R ("R+" a pixel right; row 5 lies
// under the rows; "ask" is the toolkit's request). "hide|delete R" the row, "closed list|pick"
// (a hide event to the pick window's filter), "wait" 600 ms; expected: "shown R" (its tip
// now), "appears R" (its tip soon), "none" (no tip soon).
const struct {
    const char *name, *steps;
} toolTipCases[] = {
    {"after a rest; a 1-pixel move shows it again", "move 1 ; none ; appears 1 ; move 1+ ; wait ; shown 1"},
    {"a press", "move 0 ; appears 0 ; press 0 ; none ; move 1 ; press 1 ; wait ; none"},
    {"a release", "move 0 ; appears 0 ; release 0 ; none ; move 1 ; release 1 ; wait ; none"},
    {"the wheel", "move 0 ; appears 0 ; wheel 0 ; none ; move 1 ; wheel 1 ; wait ; none"},
    {"leaving", "move 0 ; appears 0 ; leave 0 ; none ; move 1 ; leave 1 ; wait ; none"},
    {"a row hidden or deleted meanwhile", "move 2 ; hide 2 ; wait ; none ; move 1 ; delete 1 ; wait ; none"},
    {"the toolkit asks", "move 0 ; ask 0 ; shown 0 ; move 5 ; ask 5 ; wait ; none"},
    {"the pick window hides", "move 0 ; appears 0 ; closed list ; wait ; shown 0 ; closed pick ; none"},
};

// The event a tooltip step names, at the point it names, handed to the tooltip filter;
// returns whether the filter kept it from the list.
bool sendToToolTips(QObject *tips, const PhraseListView &list, const QString &kind, const QString &where) {
    const QRect first = list.visualRect(list.model()->index(0, 0)); // the rows are as high as the first
    const QPointF pos = QPointF(first.center()) +
                        QPointF(where.endsWith(u'+') ? 1 : 0, where.left(1).toInt() * first.height());
    const QPointF global = list.viewport()->mapToGlobal(pos);
    // The filter looks at no button.
    QMouseEvent mouse(kind == u"press"_s     ? QEvent::MouseButtonPress
                      : kind == u"release"_s ? QEvent::MouseButtonRelease
                                             : QEvent::MouseMove,
                      pos, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QWheelEvent wheel(pos, global, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QHelpEvent ask(QEvent::ToolTip, pos.toPoint(), global.toPoint());
    QEvent leave(QEvent::Leave);
    QEvent *event = kind == u"wheel"_s   ? &wheel
                    : kind == u"ask"_s   ? &ask
                    : kind == u"leave"_s ? &leave
                                         : static_cast<QEvent *>(&mouse);
    return tips->eventFilter(list.viewport(), event);
}

enum SavedWindow { NoWindow = -1, PickWin, SettingsWin, AddWin, EditWin }; // as settings::SavedWindow

// Every window saved out of reach, one moved while one is active (NoWindow: another program's).
const struct {
    const char *name;
    SavedWindow active, moved, stored;
} moveStoreCases[] = {
    {"the pick window is stored whatever is active", SettingsWin, PickWin, PickWin},
    {"the active settings window is stored", SettingsWin, SettingsWin, SettingsWin},
    {"the active add window is stored", AddWin, AddWin, AddWin},
    {"the active edit window is stored", EditWin, EditWin, EditWin},
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

} // namespace

class PickWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QWidget m_otherWindow;
    MyEventFilter *m_filter = nullptr;

private slots:
    void initTestCase() {
        buildVerbolin(m_dir.path(), {u"verbolin"_s, u"--autostart"_s});
        // Built on first use; the tests reach them directly.
        settingsWindow(appContext());
        addWindow(appContext());
        editWindow(appContext());
        const AppContext &c = appContext();
        m_filter = new MyEventFilter(c.pickWindow, &c.addWindow, &c.editWindow, c.phraseView, c.groupTabBar,
                                     c.searchBox);
        m_filter->setParent(this);
    }
    void init() { resetPickLibrary(); }
    void cleanup() {
        m_otherWindow.hide();
        settlePickWindow();
    }

    void keys_data() { addRows(keyCases); }
    void keys() {
        const auto &k = fetchRow(keyCases);
        const AppContext &c = appContext();
        QWidget *const shown[] = {c.settingsWindow, c.addWindow.window, c.editWindow.window, &m_otherWindow};
        configObject().insert(u"tudingflag"_s, (k.flags & Pinned) != 0);
        c.pinButton->setIcon(programIcon(k.flags & Pinned ? pinnedIconFile : unpinnedIconFile));
        configObject().insert(u"enter_key_input_phrase_when_pinned"_s, !(k.flags & EnterOff));
        configObject().insert(u"badge_key_input_phrase_when_pinned"_s, !(k.flags & BadgeOff));
        c.searchBox->setText(QString::fromUtf8(k.search));
        if (k.where != Hidden)
            showPickWindow();
        if (k.where == Searching || k.where == SearchBox) {
            enterSearchMode();
            QTRY_VERIFY(c.searchBox->hasFocus());
        } else if (k.where == List || k.where == Box) {
            activate(c.pickWindow);
            (k.where == List ? static_cast<QWidget *>(c.phraseView) : c.searchBox)->setFocus();
        } else if (k.where >= AddWindow) {
            c.addWindow.textEdit->setPlainText(u"unsaved"_s);
            activate(shown[k.where - AddWindow + 1]);
        }
        // After the focus moves, since the list makes a row current when it gets the focus.
        if (k.flags & NoCurrent)
            c.phraseView->setCurrentPhraseRow(-1);
        QDialog dialog;
        dialog.setModal(true);
        QMenu menu;
        menu.addAction(u"x"_s);
        if (k.opened == Synthetic)
            syntheticKeyCounter = 1;
        else if (k.opened == ModalDialog)
            dialog.show();
        else if (k.opened == PopupMenu)
            menu.popup(QPoint(10, 10));
        else if (k.opened == SettingsOpen)
            c.settingsButton->click(); // the way the user opens it
        else if (k.opened > SettingsOpen)
            shown[k.opened - SettingsOpen]->show();
        const QStringList before = pickState();
        resetInputRecording();
        QKeyEvent press(QEvent::KeyPress, k.key, Qt::NoModifier);
        QWidget *focus = QApplication::focusWidget();
        bool taken = true;
        if (k.flags & ClickRow) {
            emit c.phraseView->clicked(
                c.phraseView->model()->index(c.phraseView->shownPhrases()->shownRow(k.key), 0));
        } else if (k.flags & FocusList) {
            c.phraseView->setFocus();
            QTest::qWait(20); // the check is queued behind the focus change
        } else if (k.where <= Searching) {
            taken = handleHookKey({std::uint32_t(k.key), k.modifiers, (k.flags & Repeat) != 0});
        } else {
            taken = m_filter->eventFilter(focus ? focus : c.pickWindow, &press);
        }
        QCOMPARE(taken, k.taken);
        QCOMPARE(pickEffect(before), QString::fromUtf8(k.effect));
    }

    // Where the pick window must take the focus (Wayland), its keys come as the focused
    // window's key events and do what they do through the hook: one table of commands.
    void focusedWindowKeysActAsThroughTheHook_data() {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("vk");
        QTest::newRow("Down moves down") << int(Qt::Key_Down) << 0x28;
        QTest::newRow("Up moves up") << int(Qt::Key_Up) << 0x26;
        QTest::newRow("Home goes to the first row") << int(Qt::Key_Home) << 0x24;
        QTest::newRow("End goes to the last row") << int(Qt::Key_End) << 0x23;
        QTest::newRow("Right switches the group") << int(Qt::Key_Right) << 0x27;
        QTest::newRow("Enter inputs the current phrase") << int(Qt::Key_Return) << 0x0D;
        QTest::newRow("a badge key inputs its phrase") << int(Qt::Key_2) << 0x32;
        QTest::newRow("a badge no row has does nothing") << int(Qt::Key_A) << 0x41;
        QTest::newRow("Esc hides the window") << int(Qt::Key_Escape) << 0x1B;
        QTest::newRow("the key left of 1 pins") << int(Qt::Key_QuoteLeft) << 0xC0;
        QTest::newRow("Tab goes to the search box") << int(Qt::Key_Tab) << 0x09;
    }
    void focusedWindowKeysActAsThroughTheHook() {
        QFETCH(int, qtKey);
        QFETCH(int, vk);
        const AppContext &c = appContext();
        showPickWindow();
        QStringList before = pickState();
        resetInputRecording();
        handleHookKey({std::uint32_t(vk), 0, false});
        const QString throughHook = pickEffect(before);

        resetPickLibrary();
        configObject().insert(u"tudingflag"_s, false);
        c.pinButton->setIcon(programIcon(unpinnedIconFile));
        pickWindowTakesFocus = true;
        showPickWindowNoActivate(c.pickWindow);
        const bool active = QTest::qWaitForWindowActive(c.pickWindow);
        before = pickState();
        resetInputRecording();
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : c.pickWindow, Qt::Key(qtKey));
        // Here the hidden window keeps the focus: a chosen phrase goes out once the wait
        // for the focus to leave gives up.
        if (!c.pickWindow->isVisible())
            QTest::qWait(1700);
        const QString focused = pickEffect(before);
        pickWindowTakesFocus = false;
        QVERIFY2(active, "the pick window did not take the focus");
        QCOMPARE(focused, throughHook);
    }

    // There the number-row keys are the badge digits whatever the layout types with them and
    // with Shift held, as through the hook.
    void focusedWindowNumberRowKeysAreBadgesWithShiftToo() {
        const AppContext &c = appContext();
        pickWindowTakesFocus = true;
        showPickWindowNoActivate(c.pickWindow);
        QVERIFY(QTest::qWaitForWindowActive(c.pickWindow));
        resetInputRecording();
        // Shift+2 on a US layout: "@", on the key of 2 (its scan code is the system's own).
        quint32 keyOf2 = 0;
        while (keyOf2 < 256 && numberRowKey(keyOf2) != Qt::Key_2)
            ++keyOf2;
        QVERIFY(keyOf2 < 256);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_At, Qt::ShiftModifier, keyOf2, 0x40, 0, u"@"_s);
        QApplication::sendEvent(QApplication::focusWidget(), &press);
        QTest::qWait(1700); // the hidden window keeps the focus here: the wait gives up
        pickWindowTakesFocus = false;
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 5000);
        QCOMPARE(recordedClipboardText(), u"r2"_s);
    }

    // There a chosen phrase hides even a pinned window, and its output waits until no window
    // of the program has the focus any more (the desktop gives it back to the application
    // the user came from); a phrase hotkey hides a shown window the same way.
    void focusedWindowOutputWaitsUntilTheFocusHasGone() {
        const AppContext &c = appContext();
        configObject().insert(u"tudingflag"_s, true);
        pickWindowTakesFocus = true;
        for (const bool byHotkey : {false, true}) {
            showPickWindowNoActivate(c.pickWindow);
            QVERIFY(QTest::qWaitForWindowActive(c.pickWindow));
            resetInputRecording();
            // The focus is kept by another window of the program at first: no output yet.
            auto *other = new QWidget;
            if (byHotkey)
                inputPhraseFromHotkey(u"by hotkey"_s);
            else
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            activate(other);
            QTest::qWait(400);
            const QString whileOursHadIt = recordedClipboardText();
            const bool hidden = !c.pickWindow->isVisible();
            // The last window of the program with the focus goes: none of ours has it.
            delete other;
            QTRY_COMPARE_WITH_TIMEOUT(recordedClipboardText(), byHotkey ? u"by hotkey"_s : u"r2"_s, 700);
            QCOMPARE(whileOursHadIt, QString());
            QVERIFY(hidden);
        }
        pickWindowTakesFocus = false;
    }

    void moves_data() { addRows(moveCases); }
    void moves() {
        const auto &m = fetchRow(moveCases);
        showRows(QLatin1String(m.rows));
        if (m.wrap < 0)
            configObject().remove(u"arrow_key_cycle_select_phrase_item"_s);
        else
            configObject().insert(u"arrow_key_cycle_select_phrase_item"_s, m.wrap == 1);
        appContext().phraseView->setCurrentPhraseRow(m.current);
        m.edge ? selectEdgePhrase(m.step) : selectAdjacentPhrase(m.step);
        QCOMPARE(appContext().phraseView->currentPhraseRow(), m.expected);
    }

    // A long list. The list shows the badges, the keys address phrases: they must agree
    // on every badge, and no key reaches past the 36th.
    void aLongList() {
        showRows(u"####-"_s.repeated(10)); // 40 shown
        PhraseListView *list = appContext().phraseView;
        const auto indexOf = [list](int row) {
            return list->model()->index(list->shownPhrases()->shownRow(row), 0);
        };
        int badged = 0;
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            const QString badge = list->model()->index(row, 0).data(PhraseBadgeRole).toString();
            if (!badge.isEmpty() && ++badged)
                QCOMPARE(visiblePhraseAt(badgeNumberOfKey(badge.at(0).unicode())), list->shownPhrase(row));
        }
        QCOMPARE(badged, 36);
        QList<int> keysPerNumber(37, 0);
        for (int key = 0; key < 0x10000; ++key) {
            const int number = badgeNumberOfKey(key);
            QVERIFY2(number >= 0 && number <= 36, qPrintable(QString::number(key)));
            ++keysPerNumber[number];
        }
        QCOMPARE(keysPerNumber.mid(1), QList<int>(36, 1));
        // Painted where the setting says on the rows that have one (the 37th shown is row 45);
        // a selected row keeps the colour of a phrase with a remark; no row asks for a width
        // (no sideways scrolling).
        const QColor badgeBlue(0x00, 0x78, 0xd4);
        showPickWindow();
        for (const bool left : {false, true}) {
            configObject().insert(u"jiaobiao"_s, left);
            for (const int row : {0, 45}) {
                list->scrollTo(indexOf(row));
                const QImage image = list->viewport()->grab().toImage();
                const QRect rect = list->visualRect(indexOf(row));
                const QPoint corner = BadgeDelegate::badgeCorner(rect, left);
                QCOMPARE(corner.x() < rect.center().x(), left);
                // The left edge of the badge, clear of its rounded corners and its white text.
                QCOMPARE(image.pixelColor(corner + QPoint(2, 9)) == badgeBlue, row == 0);
            }
        }
        // The new current row is scrolled into view.
        const auto currentRowIsInView = [list] {
            return list->viewport()->rect().contains(list->visualRect(list->currentIndex()));
        };
        list->setCurrentPhraseRow(0);
        selectEdgePhrase(-1);
        QVERIFY(list->currentPhraseRow() == 48 && currentRowIsInView());
        selectAdjacentPhrase(+1); // wraps to the top
        QVERIFY(list->currentPhraseRow() == 0 && currentRowIsInView());
        QListWidgetItem *remarked = list->store()->item(1);
        remarked->setData(PhraseRemarkRole, u"████████"_s);
        refreshPhraseItem(remarked);
        list->setCurrentPhraseRow(1);
        list->scrollTo(indexOf(1));
        const QImage image = list->viewport()->grab().toImage();
        const QRect rect = list->visualRect(indexOf(1));
        int green = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x)
                green += image.pixelColor(x, y) == QColor(0x2E, 0x7D, 0x32) ? 1 : 0;
        }
        QVERIFY(green > 20);
        QCOMPARE(list->itemDelegate()->sizeHint(QStyleOptionViewItem(), list->model()->index(0, 0)).width(),
                 0);
    }

    // A shown row tells where the search text was found in the text it shows (the remark when
    // it has one): as it is, or spelled in pinyin.
    void rowsTellWhereTheSearchWasFound_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("remark");
        QTest::addColumn<QString>("found"); // the part of the shown text; empty: none
        QTest::newRow("plain text, in any case") << u"ab"_s << u"xABy"_s << QString() << u"AB"_s;
        QTest::newRow("pinyin initials") << u"nh"_s << u"说你好"_s << QString() << u"你好"_s;
        QTest::newRow("pinyin full and mixed") << u"ni hshi"_s << u"你好世界"_s << QString() << u"你好世"_s;
        QTest::newRow("in the remark shown") << u"bz"_s << u"正文"_s << u"一个备注"_s << u"备注"_s;
        QTest::newRow("in the text behind a remark") << u"zw"_s << u"正文"_s << u"备注"_s << QString();
        QTest::newRow("as it is before spelled") << u"a"_s << u"啊a"_s << QString() << u"a"_s;
        QTest::newRow("nothing without a search") << QString() << u"你好"_s << QString() << QString();
    }
    void rowsTellWhereTheSearchWasFound() {
        QFETCH(QString, search);
        QFETCH(QString, text);
        QFETCH(QString, remark);
        QFETCH(QString, found);
        const AppContext &c = appContext();
        c.phraseList->clear();
        c.phraseList->addItem(newPhraseItem({text, remark, u"乙"_s, {}}));
        c.searchBox->setText(search);
        QCOMPARE(c.phraseView->model()->rowCount(), 1);
        const QModelIndex index = c.phraseView->model()->index(0, 0);
        const QVariant part = index.data(PhraseFoundRole);
        QCOMPARE(part.isValid(), !found.isEmpty());
        if (part.isValid()) {
            const QPoint span = part.toPoint();
            QCOMPARE(index.data(Qt::DisplayRole).toString().mid(span.x(), span.y() - span.x()), found);
        }
    }

    // The found characters are drawn in the accent colour, on a selected row too; the rest of
    // the text and rows without a search are not.
    void foundCharactersAreDrawnInTheAccentColour() {
        const AppContext &c = appContext();
        c.phraseList->clear();
        for (const QString &text : {u"ab████cd"_s, u"xy████"_s, u"你好 hello"_s, u"████ 你好"_s})
            c.phraseList->addItem(newPhraseItem({text, QString(), u"乙"_s, {}}));
        showPickWindow();
        const QColor accent(0x00, 0x5a, 0x9e);
        PhraseListView *list = c.phraseView;
        const auto accentPixels = [&](int row) {
            const QImage image = list->viewport()->grab().toImage();
            const QRect rect = list->visualRect(list->model()->index(row, 0)) & image.rect();
            int count = 0;
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                for (int x = rect.left(); x <= rect.right(); ++x)
                    count += image.pixelColor(x, y) == accent ? 1 : 0;
            return count;
        };
        QCOMPARE(list->model()->rowCount(), 4);
        QCOMPARE(accentPixels(0), 0);
        c.searchBox->setText(u"████"_s);
        QCOMPARE(list->model()->rowCount(), 3);
        list->setCurrentPhraseRow(0);
        QVERIFY2(accentPixels(0) > 100, "a selected row");
        QVERIFY2(accentPixels(1) > 100, "a row");
        const int blocks = accentPixels(2);
        // Spelled: only the Han characters, fewer pixels than the blocks.
        c.searchBox->setText(u"nh"_s);
        QCOMPARE(list->model()->rowCount(), 2);
        const int han = accentPixels(0);
        QVERIFY2(han > 10 && han < blocks, qPrintable(u"%1 of %2"_s.arg(han).arg(blocks)));
        c.searchBox->clear();
        for (int row = 0; row < 4; ++row)
            QCOMPARE(accentPixels(row), 0);
    }

    // With "search_all_groups", a search shows the matches of every group in list order, each
    // tagged with its group; badges, Enter and clicks input them; edits and deletions stay
    // in the phrase's own group, a drag beside another group's phrase is refused; an empty
    // search, or Esc, shows the current group again.
    void aSearchOfEveryGroup() {
        const AppContext &c = appContext();
        PhraseListView *view = c.phraseView;
        c.phraseList->clear();
        for (const auto &[text, group] : {std::pair{u"你好甲"_s, u"甲"_s}, std::pair{u"nothing"_s, u"乙"_s},
                                          std::pair{u"你好乙"_s, u"乙"_s}, std::pair{u"你好丙"_s, u"丙"_s},
                                          std::pair{u"hello"_s, u"乙"_s}, std::pair{u"你好乙2"_s, u"乙"_s}})
            c.phraseList->addItem(newPhraseItem({text, QString(), group, {}}));
        const auto shown = [view] {
            QStringList rows;
            for (int row = 0; row < view->model()->rowCount(); ++row) {
                const QModelIndex index = view->model()->index(row, 0);
                const QString tag = index.data(PhraseGroupTagRole).toString();
                rows << index.data(PhraseBadgeRole).toString() + u' ' +
                            index.data(PhraseTextRole).toString() +
                            (tag.isEmpty() ? QString() : u" ["_s + tag + u']');
            }
            return rows;
        };
        const QStringList currentGroup = {u"1 nothing"_s, u"2 你好乙"_s, u"3 hello"_s, u"4 你好乙2"_s};
        const QStringList everyGroup = {u"1 你好甲 [甲]"_s, u"2 你好乙 [乙]"_s, u"3 你好丙 [丙]"_s,
                                        u"4 你好乙2 [乙]"_s};
        filterPhraseList(view, u"乙"_s, c.searchBox->text()); // as the list is filled at start-up
        QCOMPARE(shown(), currentGroup);
        // Off (as without the key): the current group only.
        c.searchBox->setText(u"nh"_s);
        QCOMPARE(shown(), QStringList({u"1 你好乙"_s, u"2 你好乙2"_s}));
        configObject().insert(u"search_all_groups"_s, true);
        c.searchBox->setText(u"nih"_s);
        QCOMPARE(shown(), everyGroup);
        QCOMPARE(c.groupTabBar->currentIndex(), 1);
        // The badge of a phrase of another group, Enter on the first, a click.
        showPickWindow();
        QStringList before = pickState();
        resetInputRecording();
        QVERIFY(handleHookKey({std::uint32_t('3'), 0, false}));
        QCOMPARE(pickEffect(before), u"input 你好丙, closed"_s);
        showPickWindow();
        QCOMPARE(shown(), everyGroup);
        view->setCurrentPhraseRow(0);
        before = pickState();
        resetInputRecording();
        QVERIFY(handleHookKey({std::uint32_t(vk::Return), 0, false}));
        QCOMPARE(pickEffect(before), u"input 你好甲, closed"_s);
        showPickWindow();
        before = pickState();
        resetInputRecording();
        emit view->clicked(view->model()->index(3, 0));
        QCOMPARE(pickEffect(before), u"input 你好乙2, closed"_s);
        // Dragged beside a phrase of its own group it may move, beside another's it may not.
        QVERIFY(view->moveRefusal(2, 5).isEmpty());
        QVERIFY(!view->moveRefusal(0, 2).isEmpty());
        QVERIFY(!view->moveRefusal(3, 5).isEmpty());
        // Edited and deleted from the mixed list, phrases stay in their own groups.
        openEditWindow(c.phraseList->item(3));
        c.editWindow.textEdit->setPlainText(u"你好丙改"_s);
        applyPhraseEdit();
        QCOMPARE(c.phraseList->item(3)->data(PhraseGroupRole).toString(), u"丙"_s);
        QCOMPARE(shown().value(2), u"3 你好丙改 [丙]"_s);
        deletePhrase(c.phraseList->item(0));
        QCOMPARE(shown(), QStringList({u"1 你好乙 [乙]"_s, u"2 你好丙改 [丙]"_s, u"3 你好乙2 [乙]"_s}));
        QStringList groups;
        for (int row = 0; row < c.phraseList->count(); ++row)
            groups << c.phraseList->item(row)->data(PhraseGroupRole).toString();
        QCOMPARE(groups, QStringList({u"乙"_s, u"乙"_s, u"丙"_s, u"乙"_s, u"乙"_s}));
        // Esc in the search box gives the current group back, without tags.
        showPickWindow();
        enterSearchMode();
        QTRY_VERIFY(c.searchBox->hasFocus());
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QVERIFY(m_filter->eventFilter(c.searchBox, &esc));
        QCOMPARE(c.searchBox->text(), QString());
        QCOMPARE(shown(), QStringList({u"1 nothing"_s, u"2 你好乙"_s, u"3 hello"_s, u"4 你好乙2"_s}));
        QVERIFY(view->moveRefusal(0, 2).isEmpty());
        configObject().remove(u"search_all_groups"_s);
    }

    // Turned away from the user, the wheel goes to the previous group, towards the user to the
    // next (the ends are the end-to-end tests'); sideways to none; it never scrolls anything else.
    void theWheelOverTheTabsSwitchesGroups() {
        QTabBar *tabBar = appContext().groupTabBar;
        for (const auto &[turn, expected] :
             {std::pair(QPoint(120, 0), 1), {QPoint(0, 120), 0}, {QPoint(0, -120), 1}}) {
            QWheelEvent event(QPointF(5, 5), tabBar->mapToGlobal(QPointF(5, 5)), QPoint(), turn, Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            event.ignore();
            QApplication::sendEvent(tabBar, &event);
            QVERIFY(event.isAccepted());
            QCOMPARE(tabBar->currentIndex(), expected);
        }
    }

    // The style sheet names only the families the system has, yet each run of a text in
    // Chinese, Latin and symbols is drawn in the font the whole list draws it in.
    void fontFamiliesDrawEachRunInTheSameFont() {
        const auto runFonts = [](const QStringList &families) {
            QFont font;
            font.setFamilies(families);
            font.setPointSize(9);
            QTextLayout layout(u"短语 Verbolin ① € Жж"_s, font);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            QStringList fonts;
            for (const QGlyphRun &run : layout.glyphRuns())
                fonts << run.rawFont().familyName();
            return fonts;
        };
        const QString systemSans = QFontInfo(QFont(u"sans-serif"_s)).family();
        for (const QStringList &families :
             {styleSheetFontFamilies(), {systemSans, u"Inter"_s, u"sans-serif"_s}, {u"Inter"_s, u"Gadugi"_s}})
            QCOMPARE(runFonts(installedFontFamilies(families)), runFonts(families));
    }

    // A phrase's tooltip shows once the mouse rests on it, never for a row gone meanwhile.
    void toolTips_data() { addRows(toolTipCases); }
    void toolTips() {
        PhraseItemToolTipFilter::hideToolTip();
        QTRY_VERIFY(!QToolTip::isVisible());
        showRows(u"###"_s);
        showPickWindow();
        PhraseListView &list = *appContext().phraseView;
        PhraseItemToolTipFilter tips(&list);
        const auto tipShows = [&list](int row) {
            return QToolTip::isVisible() &&
                   QToolTip::text() == list.store()->item(row)->data(Qt::ToolTipRole).toString();
        };
        for (const QString &step : QString::fromUtf8(fetchRow(toolTipCases).steps).split(u" ; "_s)) {
            const QString verb = step.section(u' ', 0, 0), where = step.section(u' ', 1);
            const int row = where.left(1).toInt();
            QHideEvent hide;
            if (verb == u"hide"_s) {
                QList<int> shownRows = list.shownPhrases()->storeRows();
                shownRows.removeOne(row);
                list.showRows(shownRows);
            } else if (verb == u"delete"_s)
                delete list.store()->takeItem(row);
            else if (verb == u"closed"_s)
                m_filter->eventFilter(where == u"pick"_s ? appContext().pickWindow : appContext().phraseView,
                                      &hide);
            else if (verb == u"wait"_s)
                QTest::qWait(600);
            else if (verb == u"shown"_s)
                QVERIFY(tipShows(row));
            else if (verb == u"appears"_s)
                QTRY_VERIFY(tipShows(row));
            else if (verb == u"none"_s)
                QTRY_VERIFY(!QToolTip::isVisible());
            else // only the toolkit's request is kept from the list
                QCOMPARE(sendToToolTips(&tips, list, verb, where), verb == u"ask"_s);
        }
    }

    // A window opens at its saved place; one saved out of reach opens on the screen, the other
    // windows beside the pick window; the program's own placement stores nothing, only the
    // user's move does.
    void movesStoreThePositionOfTheRightWindow_data() { addRows(moveStoreCases); }
    void movesStoreThePositionOfTheRightWindow() {
        const auto &m = fetchRow(moveStoreCases);
        const AppContext &c = appContext();
        QWidget *const windows[] = {c.pickWindow, c.settingsWindow, c.addWindow.window, c.editWindow.window};
        for (int i = PickWin; i <= EditWin; ++i) { // a saved place within reach is used as it is
            settings::setSavedPosition(settings::SavedWindow(i), QPoint(40 + 9 * i, 50));
            moveToSavedPosition(windows[i]);
            QCOMPARE(windows[i]->pos(), QPoint(40 + 9 * i, 50));
            settings::setSavedPosition(settings::SavedWindow(i), QPoint(5000, 5000));
        }
        moveToSavedPosition(c.pickWindow);
        showPickWindow();
        for (int i = SettingsWin; i <= EditWin; ++i)
            showAtSavedPosition(windows[i]);
        activate(m.active == NoWindow ? &m_otherWindow : windows[m.active]);
        windows[m.moved]->move(windows[m.moved]->pos() + QPoint(7, 3));
        QTest::qWait(20);
        for (int i = PickWin; i <= EditWin; ++i) {
            QWidget *window = windows[i];
            QVERIFY(window->screen()->availableGeometry().contains(window->pos()));
            QVERIFY(i == PickWin || window->x() > c.pickWindow->x());
            QCOMPARE(settings::savedPosition(settings::SavedWindow(i)),
                     i == m.stored ? window->pos() : QPoint(5000, 5000));
        }
    }

    void windowsOutOfReachOpenWhereANewInstallWould_data() { addRows(reachCases); }
    void windowsOutOfReachOpenWhereANewInstallWould() {
        const auto &r = fetchRow(reachCases);
        const QRect one(0, 0, 1920, 1080), side(0, 0, 1280, 1024);
        const QList<QList<QRect>> layouts = {{one},
                                             {side.translated(-1280, 0), one},
                                             {one, side.translated(1920, 0)},
                                             {QRect(0, 0, 700, 600)}};
        QList<ScreenArea> areas;
        for (const QRect &geometry : layouts.at(r.screens))
            areas.append({geometry, geometry.adjusted(0, 0, 0, -40)});
        const ScreenArea &mouse = areas.at(r.mouseScreen);
        const QSize frame(500, 530);
        const QPoint position = reachablePosition(r.saved, frame, areas, mouse, r.besidePick ? 501 : 0);
        QVERIFY(isWithinReach(position, frame, areas));
        // A new install's positions come from the size of the screen under the mouse.
        const QJsonObject fresh = defaultConfig(mouse.geometry.size());
        const QString window = r.besidePick ? u"shezhichuangkou"_s : u"chuangkou"_s;
        const QPoint newInstall(fresh.value(window + u"_x"_s).toInt(), fresh.value(window + u"_y"_s).toInt());
        if (r.opens == Inside)
            QVERIFY(mouse.available.contains(QRect(position, frame)));
        else
            QCOMPARE(position, r.opens == Saved ? r.saved : mouse.geometry.topLeft() + newInstall);
    }
};

QTEST_MAIN(PickWindowTest)
#include "tst_pickwindow.moc"
