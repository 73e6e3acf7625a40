// Keys and events seen by the application-wide key filter: the search road (search mode,
// search box focused) and the active-window road (the pick, add or edit window active).

#include "PickTestSupport.h"
#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/KeyHandling.h"
#include "pickwindow/MyEventFilter.h"
#include "pickwindow/MyTabBar.h"
#include "platform/HookKeys.h"
#include "platform/InputRecording.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

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

Q_DECLARE_METATYPE(Situation)

class PickFilterTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
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
    void initTestCase() {
        buildPickTestProgram(m_dir);
        m_otherWindow.resize(100, 100);
    }
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

QTEST_MAIN(PickFilterTest)
#include "tst_pickfilter.moc"
