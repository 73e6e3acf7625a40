// The keys the pick window takes through the keyboard hook while it is passive, what
// blocks them, and what choosing a phrase does to the window.

#include "PickTestSupport.h"
#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "library/PhraseItem.h"
#include "output/OutputRunner.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/KeyHandling.h"
#include "platform/HookKeys.h"
#include "platform/InputRecording.h"

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

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

Q_DECLARE_METATYPE(Situation)

class PickKeysTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    static void row(const char *name, const Situation &s, std::uint32_t vk, unsigned modifiers, bool consumed,
                    const char *effect) {
        QTest::newRow(name) << s << uint(vk) << modifiers << consumed << QString::fromUtf8(effect);
    }

private slots:
    void initTestCase() { buildPickTestProgram(m_dir); }
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

QTEST_MAIN(PickKeysTest)
#include "tst_pickkeys.moc"
