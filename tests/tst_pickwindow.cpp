// The pick window driven as the user drives it, in one program built once (offscreen,
// phrase output recorded instead of typed): the keys taken through the keyboard hook and
// what blocks them, the keys of the application-wide filter, moving the selection and the
// badges keys address, and where windows are stored and open, the global hotkey, the pin
// and always-on-top switches.

#include "RunTestObjects.h"
#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/Icons.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/WindowPlacement.h"
#include "app/WindowReach.h"
#include "library/PhraseFilter.h"
#include "library/PhraseItem.h"
#include "output/OutputRunner.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/KeyHandling.h"
#include "pickwindow/MyEventFilter.h"
#include "pickwindow/PickCommands.h"
#include "pickwindow/Pinning.h"
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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSysInfo>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <QWheelEvent>
#include <algorithm>

// --- shared set-up ------------------------------------------------------------------
// Shared set-up of the pick-window tests: the whole program built once per test process
// (offscreen, output recorded instead of typed), a small known library, and a readable
// account of what one key did.

// Writes a config.json with phrase output as fast as it goes and not pinned, then builds
// the program into appContext() without showing the pick window.
void buildPickTestProgram(const QTemporaryDir &dir);

// Groups 甲, 乙, 丙 (乙 current) and the phrases b1, a1 (group 甲, so hidden), b2, b3, b4;
// b2 is current; the search box is empty; not pinned; the pick window hidden; no search
// mode and nothing blocking keys.
void resetPickLibrary();

// Fills the phrase list with the given texts, all in the current group, and refilters.
void setPhraseTexts(const QStringList &texts);

// Pick window visible and passive (what the global hotkey does).
void showPickWindow();

// What the user can see of the pick window, taken before and after an action.
struct PickSnapshot {
    QString current; // text of the current phrase, empty for none
    QString group;   // text of the current tab
    QString search;
    bool visible = false;
    bool searching = false;
    bool pinned = false;
};
PickSnapshot pickSnapshot();

// Starts recording phrase output (call right before the action).
void startObservingOutput();

// What changed between the snapshots, in a fixed order, e.g. "input b2, closed" or
// "group 甲, current a1"; "none" when nothing did. Waits for a started output to end.
QString pickEffect(const PickSnapshot &before, const PickSnapshot &after);

// Ends a started output, search mode and anything left visible, so that the next case
// starts clean.
void settlePickWindow();

namespace {

QtMessageHandler previousMessageHandler = nullptr;

// The offscreen platform says so at every show; nothing to learn from it here.
void quietOffscreenNotes(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    previousMessageHandler(type, context, message);
}

} // namespace

void buildPickTestProgram(const QTemporaryDir &dir) {
    previousMessageHandler = qInstallMessageHandler(&quietOffscreenNotes);
    QJsonObject config = defaultConfig(QSize(1920, 1080));
    config.insert(QStringLiteral("tudingflag"), false);
    config.insert(QStringLiteral("delay"), 0);
    QFile file(dir.filePath(QStringLiteral("config.json")));
    if (file.open(QIODevice::WriteOnly))
        file.write(QJsonDocument(config).toJson());
    file.close();
    buildVerbolin(dir.path(), {QStringLiteral("verbolin"), QStringLiteral("--autostart")});
}

void resetPickLibrary() {
    settlePickWindow();
    AppContext &c = appContext();
    configObject().insert(QStringLiteral("tudingflag"), false);
    configObject().insert(QStringLiteral("arrow_key_cycle_select_phrase_item"), true);
    configObject().insert(QStringLiteral("enter_key_input_phrase_when_pinned"), true);
    configObject().insert(QStringLiteral("badge_key_input_phrase_when_pinned"), true);
    syntheticKeyCounter = 0;
    c.searchBox->clear();
    c.phraseList->clear();
    while (c.groupTabBar->count() > 0)
        c.groupTabBar->removeTab(0);
    for (const QString &name : {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")})
        c.groupTabBar->setTabData(c.groupTabBar->addTab(name), 40);
    const QList<QPair<QString, QString>> phrases = {{QStringLiteral("b1"), QStringLiteral("乙")},
                                                    {QStringLiteral("a1"), QStringLiteral("甲")},
                                                    {QStringLiteral("b2"), QStringLiteral("乙")},
                                                    {QStringLiteral("b3"), QStringLiteral("乙")},
                                                    {QStringLiteral("b4"), QStringLiteral("乙")}};
    for (const auto &p : phrases)
        c.phraseList->addItem(newPhraseItem({p.first, QString(), p.second, QString()}));
    c.groupTabBar->setCurrentIndex(0);
    c.groupTabBar->setCurrentIndex(1);
    c.phraseList->setCurrentRow(2);
}

void setPhraseTexts(const QStringList &texts) {
    AppContext &c = appContext();
    c.phraseList->clear();
    const QString group = c.groupTabBar->tabText(c.groupTabBar->currentIndex());
    for (const QString &text : texts)
        c.phraseList->addItem(newPhraseItem({text, QString(), group, QString()}));
    // Refilter through the program's own handler, as a change of the search text does.
    c.searchBox->setText(QStringLiteral("x"));
    c.searchBox->clear();
}

void showPickWindow() {
    showPickWindowNoActivate(appContext().pickWindow);
    QVERIFY(QTest::qWaitForWindowExposed(appContext().pickWindow));
}

PickSnapshot pickSnapshot() {
    const AppContext &c = appContext();
    PickSnapshot s;
    if (const QListWidgetItem *item = c.phraseList->currentItem())
        s.current = item->data(PhraseTextRole).toString();
    s.group = c.groupTabBar->tabText(c.groupTabBar->currentIndex());
    s.search = c.searchBox->text();
    s.visible = c.pickWindow->isVisible();
    s.searching = searchMode;
    s.pinned = configBool(QStringLiteral("tudingflag"));
    return s;
}

void startObservingOutput() {
    QTRY_VERIFY(!outputRunning);
    resetInputRecording();
}

QString pickEffect(const PickSnapshot &before, const PickSnapshot &after) {
    QStringList changes;
    const QString input = recordedClipboardText();
    if (!input.isEmpty())
        changes << QStringLiteral("input ") + input;
    [] { QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 5000); }();
    if (before.visible != after.visible)
        changes << (after.visible ? QStringLiteral("shown") : QStringLiteral("closed"));
    if (before.searching != after.searching)
        changes << (after.searching ? QStringLiteral("search mode") : QStringLiteral("search mode left"));
    if (before.search != after.search)
        changes << QStringLiteral("search text '%1'").arg(after.search);
    if (before.group != after.group)
        changes << QStringLiteral("group ") + after.group;
    if (before.current != after.current)
        changes << QStringLiteral("current ") + after.current;
    if (before.pinned != after.pinned)
        changes << (after.pinned ? QStringLiteral("pinned") : QStringLiteral("unpinned"));
    return changes.isEmpty() ? QStringLiteral("none") : changes.join(QStringLiteral(", "));
}

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
    parking.show();
    parking.activateWindow();
    [] { QVERIFY(QTest::qWaitForWindowActive(&parking)); }();
    parking.hide();
    QApplication::processEvents();
}

namespace hookkeys {

// The keys the pick window takes through the keyboard hook while it is passive, what
// blocks them, and what choosing a phrase does to the window.

namespace {

// How the pick window stands when the key arrives.
struct Situation {
    enum Window { Passive, Hidden, Searching, Blocked };
    Window window = Passive;
    bool pinned = false;
    bool enterWhenPinned = true;
    bool badgeWhenPinned = true;
    QString searchText;
    int currentRow = 2; // b2

    Situation &pin(bool enterKeyInputs = true, bool badgeKeysInput = true) {
        pinned = true;
        enterWhenPinned = enterKeyInputs;
        badgeWhenPinned = badgeKeysInput;
        return *this;
    }
    Situation &pinnedModeKeysOff() {
        enterWhenPinned = false;
        badgeWhenPinned = false;
        return *this;
    }
    Situation &searchFor(const QString &text) {
        searchText = text;
        return *this;
    }
    Situation &noCurrentRow() {
        currentRow = -1;
        return *this;
    }
};

Situation passive() {
    return {};
}
Situation hidden() {
    Situation s;
    s.window = Situation::Hidden;
    return s;
}
Situation searching() {
    Situation s;
    s.window = Situation::Searching;
    return s;
}
Situation blocked() {
    Situation s;
    s.window = Situation::Blocked;
    return s;
}

void arrange(const Situation &s) {
    const AppContext &c = appContext();
    configObject().insert(QStringLiteral("tudingflag"), s.pinned);
    configObject().insert(QStringLiteral("enter_key_input_phrase_when_pinned"), s.enterWhenPinned);
    configObject().insert(QStringLiteral("badge_key_input_phrase_when_pinned"), s.badgeWhenPinned);
    if (!s.searchText.isEmpty())
        c.searchBox->setText(s.searchText);
    if (s.window != Situation::Hidden)
        showPickWindow();
    // After the show: a list that gets the focus makes a row current.
    if (s.searchText.isEmpty())
        c.phraseList->setCurrentRow(s.currentRow);
    if (s.window == Situation::Searching) {
        enterSearchMode();
        QVERIFY(searchMode);
    }
    if (s.window == Situation::Blocked)
        syntheticKeyCounter = 1;
}

const unsigned none = HookNoModifier;

} // namespace

} // namespace hookkeys

Q_DECLARE_METATYPE(hookkeys::Situation)

namespace hookkeys {

class PickKeysTest : public QObject {
    Q_OBJECT

    static void row(const char *name, const Situation &s, std::uint32_t vk, unsigned modifiers, bool consumed,
                    const char *effect) {
        QTest::newRow(name) << s << uint(vk) << modifiers << consumed << QString::fromUtf8(effect);
    }

private slots:
    void init() { resetPickLibrary(); }
    void cleanup() { settlePickWindow(); }

    void hookKeys_data() {
        QTest::addColumn<Situation>("situation");
        QTest::addColumn<uint>("vk");
        QTest::addColumn<unsigned>("modifiers");
        QTest::addColumn<bool>("consumed");
        QTest::addColumn<QString>("effect");
        using namespace HookVk;
        const std::uint32_t F1 = 0x70, Space = 0x20, Numpad3 = 0x63;

        // Visible rows: b1, b2 (current), b3, b4 of group 乙; 甲 is before it, 丙 after it.
        row("Tab enters search mode", passive(), Tab, none, true, "search mode");
        row("Enter inputs the current phrase and closes the window", passive(), Return, none, true,
            "input b2, closed");
        row("Esc closes the window", passive(), Escape, none, true, "closed");
        row("Home selects the first visible phrase", passive(), Home, none, true, "current b1");
        row("End selects the last visible phrase", passive(), End, none, true, "current b4");
        row("Up selects the previous visible phrase", passive(), Up, none, true, "current b1");
        row("Down skips nothing hidden and selects the next phrase", passive(), Down, none, true,
            "current b3");
        row("Left switches to the previous group", passive(), Left, none, true, "group 甲, current a1");
        row("Right switches to the next, empty group", passive(), Right, none, true, "group 丙");
        row("1 inputs the first visible phrase", passive(), Digit0 + 1, none, true, "input b1, closed");
        row("3 inputs the third visible phrase, skipping the hidden row", passive(), Digit0 + 3, none, true,
            "input b3, closed");
        row("5 names no visible phrase and passes", passive(), Digit0 + 5, none, false, "none");
        row("0 names the tenth phrase, absent here, and passes", passive(), Digit0, none, false, "none");
        row("A names the eleventh phrase, absent here, and passes", passive(), LetterA, none, false, "none");
        row("the grave accent pins the window", passive(), Grave, none, true, "pinned");
        row("F1 is not a pick-window key", passive(), F1, none, false, "none");
        row("Space is not a pick-window key", passive(), Space, none, false, "none");
        row("keypad 3 is not a badge key", passive(), Numpad3, none, false, "none");

        row("Ctrl+3 reaches the application", passive(), Digit0 + 3, HookControl, false, "none");
        row("Alt+3 reaches the application", passive(), Digit0 + 3, HookAlt, false, "none");
        row("Win+3 reaches the application", passive(), Digit0 + 3, HookMeta, false, "none");
        row("Shift+3 still inputs the third phrase", passive(), Digit0 + 3, HookShift, true,
            "input b3, closed");
        row("Ctrl+Left still switches the group", passive(), Left, HookControl, true, "group 甲, current a1");
        row("Alt+Tab still enters search mode", passive(), Tab, HookAlt, true, "search mode");
        row("Shift+Enter still inputs", passive(), Return, HookShift, true, "input b2, closed");
        row("Alt+grave still toggles the pin", passive(), Grave, HookAlt, true, "pinned");

        row("Enter with no current row passes", passive().noCurrentRow(), Return, none, false, "none");
        row("Down with no current row selects the first visible phrase", passive().noCurrentRow(), Down, none,
            true, "current b1");
        row("Up with no current row selects the last visible phrase", passive().noCurrentRow(), Up, none,
            true, "current b4");
        row("Enter with the current phrase filtered out passes", passive().searchFor(QStringLiteral("zz")),
            Return, none, false, "none");
        row("Down with every phrase filtered out is taken and changes nothing",
            passive().searchFor(QStringLiteral("zz")), Down, none, true, "none");

        row("pinned: Enter inputs and the window stays", passive().pin(), Return, none, true, "input b2");
        row("pinned: a badge key inputs and the window stays", passive().pin(), Digit0 + 4, none, true,
            "input b4");
        row("pinned, Enter off: Enter reaches the application", passive().pin(false, true), Return, none,
            false, "none");
        row("pinned, Enter off: a badge key still inputs", passive().pin(false, true), Digit0 + 3, none, true,
            "input b3");
        row("pinned, badge keys off: a badge key reaches the application", passive().pin(true, false),
            Digit0 + 3, none, false, "none");
        row("pinned, badge keys off: a letter reaches the application", passive().pin(true, false), LetterA,
            none, false, "none");
        row("pinned, badge keys off: Enter still inputs", passive().pin(true, false), Return, none, true,
            "input b2");
        row("pinned, both off: Down is still taken", passive().pin(false, false), Down, none, true,
            "current b3");
        row("pinned, both off: Tab is still taken", passive().pin(false, false), Tab, none, true,
            "search mode");
        row("pinned, both off: Esc still closes", passive().pin(false, false), Escape, none, true, "closed");
        row("pinned, both off: the grave accent unpins", passive().pin(false, false), Grave, none, true,
            "unpinned");
        row("not pinned, both off: a badge key inputs", passive().pinnedModeKeysOff(), Digit0 + 3, none, true,
            "input b3, closed");
        row("not pinned, both off: Enter inputs", passive().pinnedModeKeysOff(), Return, none, true,
            "input b2, closed");

        row("hidden: Esc passes", hidden(), Escape, none, false, "none");
        row("hidden: a badge key passes", hidden(), Digit0 + 1, none, false, "none");
        row("hidden: the grave accent passes", hidden(), Grave, none, false, "none");
        row("search mode: Down is left to the search box", searching(), Down, none, false, "none");
        row("search mode: Tab is left to the search box", searching(), Tab, none, false, "none");
        row("search mode: a letter is typed into the search box", searching(), LetterA, none, false, "none");
        row("search mode: Esc is left to the search box", searching(), Escape, none, false, "none");
        row("blocked: Esc passes", blocked(), Escape, none, false, "none");
        row("blocked: a badge key passes", blocked(), Digit0 + 1, none, false, "none");
        row("blocked: the grave accent passes", blocked(), Grave, none, false, "none");
    }

    void hookKeys() {
        QFETCH(Situation, situation);
        QFETCH(uint, vk);
        QFETCH(unsigned, modifiers);
        QFETCH(bool, consumed);
        QFETCH(QString, effect);

        arrange(situation);
        const PickSnapshot before = pickSnapshot();
        startObservingOutput();
        QCOMPARE(handleHookKey({vk, modifiers}), consumed);
        QCOMPARE(pickEffect(before, pickSnapshot()), effect);
    }

    void theGraveAccentPinsAndUnpinsLikeThePinButton() {
        showPickWindow();
        QVERIFY(handleHookKey({HookVk::Grave, HookNoModifier}));
        QCOMPARE(configBool(QStringLiteral("tudingflag")), true);
        QVERIFY(handleHookKey({HookVk::Grave, HookNoModifier}));
        QCOMPARE(configBool(QStringLiteral("tudingflag")), false);
        QVERIFY(appContext().pickWindow->isVisible());
    }

    void keysAreBlocked_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<bool>("blocks");
        QTest::newRow("nothing open leaves the keys to the pick window") << QString() << false;
        QTest::newRow("the program's own synthetic keys on their way block")
            << QStringLiteral("synthetic keys") << true;
        QTest::newRow("an open modal dialog blocks") << QStringLiteral("modal dialog") << true;
        QTest::newRow("an open popup menu blocks") << QStringLiteral("popup menu") << true;
        QTest::newRow("the visible settings window blocks") << QStringLiteral("settings window") << true;
        QTest::newRow("the visible add window blocks") << QStringLiteral("add window") << true;
        QTest::newRow("the visible edit window blocks") << QStringLiteral("edit window") << true;
        QTest::newRow("a plain non-modal window does not block") << QStringLiteral("plain window") << false;
    }

    void keysAreBlocked() {
        QFETCH(QString, cause);
        QFETCH(bool, blocks);
        const AppContext &c = appContext();
        showPickWindow();
        QDialog dialog;
        QMenu menu;
        menu.addAction(QStringLiteral("x"));
        QWidget plain;
        if (cause == QLatin1String("synthetic keys"))
            syntheticKeyCounter = 1;
        else if (cause == QLatin1String("modal dialog")) {
            dialog.setModal(true);
            dialog.show();
        } else if (cause == QLatin1String("popup menu"))
            menu.popup(QPoint(10, 10));
        else if (cause == QLatin1String("settings window"))
            c.settingsWindow->show();
        else if (cause == QLatin1String("add window"))
            c.addWindow.window->show();
        else if (cause == QLatin1String("edit window"))
            c.editWindow.window->show();
        else if (cause == QLatin1String("plain window"))
            plain.show();
        QCOMPARE(pickKeysBlocked(), blocks);
        // A blocked key passes untouched: the selection stays where it was.
        QCOMPARE(handleHookKey({HookVk::Down, HookNoModifier}), !blocks);
        QCOMPARE(c.phraseList->currentItem()->data(PhraseTextRole).toString(),
                 blocks ? QStringLiteral("b2") : QStringLiteral("b3"));
        menu.close();
        dialog.close();
    }

    void choosingAPhraseClosesTheWindowUnlessPinned_data() {
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<bool>("staysVisible");
        QTest::newRow("not pinned: the window closes") << false << false;
        QTest::newRow("pinned: the window stays") << true << true;
    }

    void choosingAPhraseClosesTheWindowUnlessPinned() {
        QFETCH(bool, pinned);
        QFETCH(bool, staysVisible);
        const AppContext &c = appContext();
        configObject().insert(QStringLiteral("tudingflag"), pinned);
        showPickWindow();
        startObservingOutput();
        inputPhraseItem(c.phraseList->item(3), c.pickWindow);
        QCOMPARE(recordedClipboardText(), QStringLiteral("b3"));
        QTRY_VERIFY(!outputRunning);
        QCOMPARE(c.pickWindow->isVisible(), staysVisible);
        // The pin state is read at the moment of use, never cached.
        configObject().insert(QStringLiteral("tudingflag"), !pinned);
        showPickWindow();
        startObservingOutput();
        inputPhraseItem(c.phraseList->item(0), c.pickWindow);
        QCOMPARE(recordedClipboardText(), QStringLiteral("b1"));
        QTRY_VERIFY(!outputRunning);
        QCOMPARE(c.pickWindow->isVisible(), !staysVisible);
    }

    void aClickDuringSearchModeLeavesItBeforeTheInput() {
        const AppContext &c = appContext();
        configObject().insert(QStringLiteral("tudingflag"), true);
        showPickWindow();
        enterSearchMode();
        QVERIFY(searchMode);
        startObservingOutput();
        emit c.phraseList->itemClicked(c.phraseList->item(4));
        QVERIFY(!searchMode);
        QVERIFY(!c.searchBox->hasFocus());
        QCOMPARE(recordedClipboardText(), QStringLiteral("b4"));
        QVERIFY(c.pickWindow->isVisible());
    }

    // The hook reports Windows virtual keys, Qt its own key codes: each key means the
    // same to the pick window by either road, and every key the hook takes means something.
    void bothKeyRoadsGiveAKeyTheSameCommand_data() {
        QTest::addColumn<uint>("vk");
        QTest::addColumn<int>("qtKey");
        using namespace HookVk;
        QTest::newRow("Up") << uint(Up) << int(Qt::Key_Up);
        QTest::newRow("Down") << uint(Down) << int(Qt::Key_Down);
        QTest::newRow("Home") << uint(Home) << int(Qt::Key_Home);
        QTest::newRow("End") << uint(End) << int(Qt::Key_End);
        QTest::newRow("Left") << uint(Left) << int(Qt::Key_Left);
        QTest::newRow("Right") << uint(Right) << int(Qt::Key_Right);
        QTest::newRow("Return") << uint(Return) << int(Qt::Key_Return);
        QTest::newRow("keypad Enter, Return to the hook") << uint(Return) << int(Qt::Key_Enter);
        QTest::newRow("Esc") << uint(Escape) << int(Qt::Key_Escape);
        QTest::newRow("Tab") << uint(Tab) << int(Qt::Key_Tab);
        QTest::newRow("the grave accent") << uint(Grave) << int(Qt::Key_QuoteLeft);
        QTest::newRow("1") << uint(Digit0 + 1) << int(Qt::Key_1);
        QTest::newRow("0") << uint(Digit0) << int(Qt::Key_0);
        QTest::newRow("A") << uint(LetterA) << int(Qt::Key_A);
        QTest::newRow("Z") << uint(LetterA + 25) << int(Qt::Key_Z);
        QTest::newRow("F1, no pick-window key") << uint(0x70) << int(Qt::Key_F1);
        QTest::newRow("Space, no pick-window key") << uint(0x20) << int(Qt::Key_Space);
    }

    void bothKeyRoadsGiveAKeyTheSameCommand() {
        QFETCH(uint, vk);
        QFETCH(int, qtKey);
        const PickKeyCommand command = pickCommandOfHookKey(vk);
        QVERIFY(command == pickCommandOfQtKey(qtKey));
        const std::vector<HookGrab> grabs = pickWindowHookGrabs();
        const bool grabbed =
            std::any_of(grabs.begin(), grabs.end(), [vk](const HookGrab &grab) { return grab.vk == vk; });
        QCOMPARE(command.command != PickCommand::None, grabbed);
    }
};

} // namespace hookkeys

namespace keyfilter {

// Keys and events seen by the application-wide key filter: the search road (search mode,
// search box focused) and the active-window road (the pick, add or edit window active).

namespace {

// Where the keyboard focus is when the key arrives.
enum class Focus { SearchMode, PickList, PickSearchBox, AddWindow, EditWindow, OtherWindow };

struct Situation {
    Focus focus = Focus::PickList;
    QString searchText;
    bool noCurrentRow = false;
    bool pinnedWithModeKeysOff = false;
};

Situation at(Focus focus, const QString &searchText = QString()) {
    Situation s;
    s.focus = focus;
    s.searchText = searchText;
    return s;
}

QString focusName() {
    const AppContext &c = appContext();
    const QWidget *w = QApplication::focusWidget();
    if (w == c.searchBox)
        return QStringLiteral("search box");
    if (w == c.phraseList)
        return QStringLiteral("list");
    return QStringLiteral("elsewhere");
}

void activate(QWidget *window) {
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

MyEventFilter *newFilter(QObject *parent) {
    const AppContext &c = appContext();
    auto *filter =
        new MyEventFilter(c.pickWindow, c.addWindow.window, c.editWindow.window, c.addWindow.cancelButton,
                          c.editWindow.cancelButton, c.phraseList, c.groupTabBar, c.searchBox);
    filter->setParent(parent);
    return filter;
}

} // namespace

} // namespace keyfilter

Q_DECLARE_METATYPE(keyfilter::Situation)

namespace keyfilter {

class PickFilterTest : public QObject {
    Q_OBJECT
    QWidget m_otherWindow;

    void arrange(const Situation &s) {
        const AppContext &c = appContext();
        if (s.pinnedWithModeKeysOff) {
            configObject().insert(QStringLiteral("tudingflag"), true);
            configObject().insert(QStringLiteral("enter_key_input_phrase_when_pinned"), false);
            configObject().insert(QStringLiteral("badge_key_input_phrase_when_pinned"), false);
        }
        if (!s.searchText.isEmpty())
            c.searchBox->setText(s.searchText);
        showPickWindow();
        switch (s.focus) {
        case Focus::SearchMode:
            enterSearchMode();
            QTRY_VERIFY(c.searchBox->hasFocus());
            QVERIFY(searchMode);
            break;
        case Focus::PickList:
        case Focus::PickSearchBox:
            activate(c.pickWindow);
            (s.focus == Focus::PickList ? static_cast<QWidget *>(c.phraseList) : c.searchBox)
                ->setFocus(Qt::OtherFocusReason);
            break;
        case Focus::AddWindow:
            activate(c.addWindow.window);
            c.addWindow.textEdit->setPlainText(QStringLiteral("unsaved"));
            break;
        case Focus::EditWindow:
            activate(c.editWindow.window);
            break;
        case Focus::OtherWindow:
            activate(&m_otherWindow);
            break;
        }
        // After the focus moves, since the list makes a row current when it gets the focus.
        if (s.noCurrentRow)
            c.phraseList->setCurrentRow(-1);
    }

    static void row(const char *name, const Situation &s, int key, Qt::KeyboardModifiers modifiers,
                    bool consumed, const char *effect) {
        QTest::newRow(name) << s << key << int(modifiers) << consumed << QString::fromUtf8(effect);
    }

private slots:
    void initTestCase() { m_otherWindow.resize(100, 100); }
    void init() { resetPickLibrary(); }
    void cleanup() {
        m_otherWindow.hide();
        settlePickWindow();
    }

    void keys_data() {
        QTest::addColumn<Situation>("situation");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("consumed");
        QTest::addColumn<QString>("effect");
        const auto no = Qt::NoModifier;
        const Situation search = at(Focus::SearchMode);
        const Situation list = at(Focus::PickList);
        const Situation box = at(Focus::PickSearchBox);
        Situation listNoCurrent = list;
        listNoCurrent.noCurrentRow = true;
        Situation listPinned = list;
        listPinned.pinnedWithModeKeysOff = true;

        // Visible rows: b1, b2 (current), b3, b4 of group 乙; 甲 is before it, 丙 after it.
        row("search: Esc clears the search text and leaves search mode",
            at(Focus::SearchMode, QStringLiteral("b")), Qt::Key_Escape, no, true,
            "search mode left, search text '', focus elsewhere");
        row("search: Esc with no search text leaves search mode", search, Qt::Key_Escape, no, true,
            "search mode left, focus elsewhere");
        row("search: Tab leaves search mode", search, Qt::Key_Tab, no, true,
            "search mode left, focus elsewhere");
        row("search: Return leaves search mode and inputs the current phrase",
            at(Focus::SearchMode, QStringLiteral("b3")), Qt::Key_Return, no, true,
            "input b3, closed, search mode left");
        row("search: keypad Enter leaves search mode and inputs the current phrase",
            at(Focus::SearchMode, QStringLiteral("b3")), Qt::Key_Enter, Qt::KeypadModifier, true,
            "input b3, closed, search mode left");
        row("search: Return with nothing matching leaves search mode and inputs nothing",
            at(Focus::SearchMode, QStringLiteral("zz")), Qt::Key_Return, no, true,
            "search mode left, focus elsewhere");
        row("search: Up selects the previous phrase and stays", search, Qt::Key_Up, no, true, "current b1");
        row("search: Down selects the next phrase and stays", search, Qt::Key_Down, no, true, "current b3");
        row("search: Left is left to the text cursor", search, Qt::Key_Left, no, false, "none");
        row("search: Right is left to the text cursor", search, Qt::Key_Right, no, false, "none");
        row("search: a digit is typed, not a badge", search, Qt::Key_3, no, false, "none");
        row("search: Home is left to the text cursor", search, Qt::Key_Home, no, false, "none");

        row("active list: Tab moves the focus to the search box", list, Qt::Key_Tab, no, true,
            "focus search box");
        row("active list: Esc closes the pick window", list, Qt::Key_Escape, no, true, "closed");
        row("active list: Return inputs the current phrase", list, Qt::Key_Return, no, true,
            "input b2, closed");
        row("active list: Return with no current phrase passes", listNoCurrent, Qt::Key_Return, no, false,
            "none");
        row("active list: Left switches to the previous group", list, Qt::Key_Left, no, true,
            "group 甲, current a1");
        row("active list: Right switches to the next group", list, Qt::Key_Right, no, true, "group 丙");
        row("active list: Up selects the previous phrase", list, Qt::Key_Up, no, true, "current b1");
        row("active list: Down selects the next phrase", list, Qt::Key_Down, no, true, "current b3");
        row("active list: 3 inputs the third visible phrase", list, Qt::Key_3, no, true, "input b3, closed");
        row("active list: keypad 3 inputs the third visible phrase", list, Qt::Key_3, Qt::KeypadModifier,
            true, "input b3, closed");
        row("active list: Ctrl+3 inputs too, modifiers do not matter here", list, Qt::Key_3,
            Qt::ControlModifier, true, "input b3, closed");
        row("active list: D names the fourteenth phrase, absent here, and passes", list, Qt::Key_D, no, false,
            "none");
        row("active list, pinned with both pinned-mode keys off: 4 still inputs", listPinned, Qt::Key_4, no,
            true, "input b4");
        row("active list, pinned with both pinned-mode keys off: Return still inputs", listPinned,
            Qt::Key_Return, no, true, "input b2");
        row("active list: 5 names no phrase and passes", list, Qt::Key_5, no, false, "none");
        row("active list: Home is not taken on this road", list, Qt::Key_Home, no, false, "none");
        row("active list: F1 passes", list, Qt::Key_F1, no, false, "none");

        row("active search box: Tab moves the focus to the list", box, Qt::Key_Tab, no, true, "focus list");
        row("active search box: Return moves the focus to the list", box, Qt::Key_Return, no, true,
            "focus list");
        row("active search box: Down focuses the list and selects the next phrase", box, Qt::Key_Down, no,
            true, "current b3, focus list");
        row("active search box: Left focuses the list and switches the group", box, Qt::Key_Left, no, true,
            "group 甲, current a1, focus list");
        row("active search box: a digit is typed, not a badge", box, Qt::Key_3, no, false, "none");

        row("add window: Esc cancels it", at(Focus::AddWindow), Qt::Key_Escape, no, true,
            "add window closed");
        row("add window: Return is left to the editor", at(Focus::AddWindow), Qt::Key_Return, no, false,
            "none");
        row("add window: Down is left to the editor", at(Focus::AddWindow), Qt::Key_Down, no, false, "none");
        row("add window: 3 is left to the editor", at(Focus::AddWindow), Qt::Key_3, no, false, "none");
        row("edit window: Esc cancels it", at(Focus::EditWindow), Qt::Key_Escape, no, true,
            "edit window closed");
        row("another window: Esc passes", at(Focus::OtherWindow), Qt::Key_Escape, no, false, "none");
        row("another window: Down passes", at(Focus::OtherWindow), Qt::Key_Down, no, false, "none");
        row("another window: Tab passes", at(Focus::OtherWindow), Qt::Key_Tab, no, false, "none");
        row("another window: 3 passes", at(Focus::OtherWindow), Qt::Key_3, no, false, "none");
    }

    void keys() {
        QFETCH(Situation, situation);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, consumed);
        QFETCH(QString, effect);
        const AppContext &c = appContext();
        MyEventFilter *filter = newFilter(this);

        arrange(situation);
        const PickSnapshot before = pickSnapshot();
        const QString focusBefore = focusName();
        const bool addVisible = c.addWindow.window->isVisible();
        const bool editVisible = c.editWindow.window->isVisible();
        startObservingOutput();
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
        QObject *watched = QApplication::focusWidget() ? QApplication::focusWidget() : c.pickWindow;
        QCOMPARE(filter->eventFilter(watched, &press), consumed);

        QStringList changes;
        const QString pickChanges = pickEffect(before, pickSnapshot());
        if (pickChanges != QLatin1String("none"))
            changes << pickChanges;
        if (addVisible && !c.addWindow.window->isVisible())
            changes << QStringLiteral("add window closed");
        if (editVisible && !c.editWindow.window->isVisible())
            changes << QStringLiteral("edit window closed");
        // Where the focus goes matters only while the pick window stays open.
        if (c.pickWindow->isVisible() && focusName() != focusBefore)
            changes << QStringLiteral("focus ") + focusName();
        QCOMPARE(changes.isEmpty() ? QStringLiteral("none") : changes.join(QStringLiteral(", ")), effect);
        delete filter;
    }

    void escInTheAddWindowDiscardsTheFormAsCancelDoes() {
        const AppContext &c = appContext();
        arrange(at(Focus::AddWindow));
        QTest::keyClick(c.addWindow.textEdit, Qt::Key_Escape);
        QVERIFY(!c.addWindow.window->isVisible());
        QCOMPARE(c.phraseList->count(), 5); // nothing was added
    }

    void escClearsTheSearchThenASecondEscThroughTheHookCloses() {
        const AppContext &c = appContext();
        arrange(at(Focus::SearchMode, QStringLiteral("b4")));
        QTest::keyClick(c.searchBox, Qt::Key_Escape);
        QVERIFY(!searchMode);
        QCOMPARE(c.searchBox->text(), QString());
        QVERIFY(c.pickWindow->isVisible());
        QVERIFY(handleHookKey({HookVk::Escape, HookNoModifier}));
        QVERIFY(!c.pickWindow->isVisible());
    }

    void typingInSearchModeFiltersAndEnterInputsTheFirstMatch() {
        const AppContext &c = appContext();
        arrange(at(Focus::SearchMode));
        startObservingOutput();
        QTest::keyClicks(c.searchBox, QStringLiteral("4"));
        QCOMPARE(c.searchBox->text(), QStringLiteral("4"));
        QTest::keyClick(c.searchBox, Qt::Key_Return);
        QVERIFY(!searchMode);
        QCOMPARE(recordedClipboardText(), QStringLiteral("b4"));
    }

    void searchModeEndsOnlyWhenAnotherWindowTakesTheFocus_data() {
        QTest::addColumn<bool>("otherWindow");
        QTest::addColumn<bool>("stillSearching");
        QTest::newRow("focus moving to the list keeps search mode") << false << true;
        QTest::newRow("another window activated ends search mode") << true << false;
    }

    void searchModeEndsOnlyWhenAnotherWindowTakesTheFocus() {
        QFETCH(bool, otherWindow);
        QFETCH(bool, stillSearching);
        const AppContext &c = appContext();
        arrange(at(Focus::SearchMode));
        if (otherWindow)
            activate(&m_otherWindow);
        else
            c.phraseList->setFocus(Qt::OtherFocusReason);
        QVERIFY(!c.searchBox->hasFocus());
        QTest::qWait(20); // the check is queued behind the focus change
        QCOMPARE(searchMode, stillSearching);
        QVERIFY(c.pickWindow->isVisible());
    }

    void aPressOnTheSearchBoxEntersSearchMode() {
        // On Windows the click activates the window (WM_MOUSEACTIVATE), which enters
        // search mode there; offscreen has no such activation.
        if (QSysInfo::kernelType() == QLatin1String("winnt"))
            QSKIP("the press route of the X11 build");
        const AppContext &c = appContext();
        showPickWindow();
        QTest::mouseClick(c.searchBox, Qt::LeftButton);
        QVERIFY(searchMode);
        QTRY_VERIFY(c.searchBox->hasFocus());
    }

    void hidingThePickWindowHidesItsTooltip() {
        const AppContext &c = appContext();
        showPickWindow();
        MyEventFilter *filter = newFilter(this);
        QToolTip::showText(c.pickWindow->mapToGlobal(QPoint(5, 5)), QStringLiteral("tip"), c.pickWindow);
        QVERIFY(QToolTip::isVisible());
        // The tooltip fades out a moment after it is told to hide.
        QHideEvent otherHide;
        filter->eventFilter(c.phraseList, &otherHide);
        QTest::qWait(500);
        QVERIFY(QToolTip::isVisible());
        QHideEvent hide;
        QVERIFY(!filter->eventFilter(c.pickWindow, &hide));
        QTRY_VERIFY(!QToolTip::isVisible());
        delete filter;
    }
};

} // namespace keyfilter

namespace selection {

// Moving the current phrase among the visible rows, the badge numbers that keys address,
// and switching groups with the arrow keys and the wheel.

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

private slots:
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

} // namespace selection

namespace placement {

// Where the windows are stored when they move, where they open when that is out of reach,
// what the global hotkey does to the pick window, and the pin and always-on-top switches.

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
    QWidget m_otherWindow;

private slots:
    void initTestCase() {
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

} // namespace placement

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    buildPickTestProgram(dir);
    hookkeys::PickKeysTest hookkeysTest;
    keyfilter::PickFilterTest keyfilterTest;
    selection::PickSelectionTest selectionTest;
    placement::PickPlacementTest placementTest;
    // Placement last: it replaces the covered-window check for good.
    return runTestObjects({&hookkeysTest, &keyfilterTest, &selectionTest, &placementTest}, argc, argv);
}

#include "tst_pickwindow.moc"
