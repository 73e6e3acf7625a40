// Driving the pick window from the keyboard on a real X server: the real program runs from
// a fresh folder, a separate target program keeps the focus, and xdotool types as a user
// does. What the target records tells which keys reached it and which phrases were input.
#include "e2e/E2eSupport.h"
#include "e2e/InputTargetClient.h"
#include "e2e/KeyGrab.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

namespace {

const QString pickTitle = QStringLiteral("Verbolin");

// Three groups; "1" tells them apart: alpha, delta, foxtrot. The fourth phrase of G1 starts
// with a chord; echo has a hotkey of its own; G3 has eleven phrases, so that "A" names one.
const char *const groupNames[] = {"G1", "G2", "G3"};
const char *const phrases[][2] = {
    {"alpha", "G1"}, {"bravo", "G1"}, {"charlie", "G1"}, {"<press Shift+Left>kilo", "G1"},
    {"delta", "G2"}, {"echo", "G2"},  {"foxtrot", "G3"}};
const QString echoHotkey = QStringLiteral("Ctrl+Alt+Q"); // on fr, Q is where us has A
constexpr int golfPhrases = 10;                          // golf2 .. golf11, after foxtrot

bool typeKeys(const QStringList &keys) {
    return e2e::xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30")} +
                        keys);
}

bool pickVisible() {
    return !e2e::visibleWindows(pickTitle).isEmpty();
}

// Whether the program holds its root-window key grabs, told by another client's try at
// End (a key only the pick window takes): refused while they are held.
bool pickTakesKeys() {
    return e2e::tryKeyGrab(QStringLiteral("End"), 0) == e2e::GrabAnswer::Refused;
}

bool isModifierKey(const QString &key) {
    static const QStringList names = {QStringLiteral("Shift"), QStringLiteral("Control"),
                                      QStringLiteral("Ctrl"), QStringLiteral("Alt"), QStringLiteral("Meta")};
    return names.contains(key.section(QLatin1Char('+'), -1));
}

// The real program in a folder of its own with the test's phrases and groups, shown and
// passive, with the target program in front.
class PickSession {
public:
    // Empty on success, else what went wrong.
    QString start(QJsonObject config) {
        QJsonArray groups;
        for (const char *name : groupNames)
            groups.append(e2e::group(QLatin1String(name)));
        QJsonArray data;
        for (const auto &phrase : phrases) {
            QJsonObject entry = e2e::phrase(QLatin1String(phrase[0]), QLatin1String(phrase[1]));
            if (entry.value(QStringLiteral("text")) == QLatin1String("echo"))
                entry.insert(QStringLiteral("hotkey"), echoHotkey);
            data.append(entry);
        }
        for (int n = 2; n <= golfPhrases + 1; ++n)
            data.append(e2e::phrase(QStringLiteral("golf%1").arg(n), QStringLiteral("G3")));
        // Right of where the window manager puts the target, so they do not overlap.
        config.insert(QStringLiteral("chuangkou_x"), 1300);
        config.insert(QStringLiteral("chuangkou_y"), 100);
        config.insert(QStringLiteral("zhiding"), false);
        config.insert(QStringLiteral("hotkey"), QStringLiteral("Ctrl+Shift+V"));
        if (!program.writeFiles(config, data, groups))
            return QStringLiteral("could not write the program's files");

        if (!target.start())
            return QStringLiteral("the target program did not get the focus");
        // The target is the active window once it reports ready (the window manager may take
        // a moment to say so at the start of a session).
        e2e::waitUntil([] { return !e2e::activeWindow().isEmpty(); }, 3000);
        targetWindow = e2e::activeWindow();
        if (targetWindow.isEmpty())
            return QStringLiteral("no active window after the target started");

        if (!program.start())
            return QStringLiteral("the program did not start or embedded no tray icon");
        if (!e2e::waitUntil(&pickVisible))
            return QStringLiteral("the pick window was not shown");
        pickWindow = e2e::visibleWindows(pickTitle).value(0);
        if (!e2e::waitUntil(&pickTakesKeys))
            return QStringLiteral("the visible pick window does not take keys");
        if (e2e::activeWindow() != targetWindow)
            return QStringLiteral("showing the pick window took the focus from the target");
        return QString();
    }

    QStringList pastes() const {
        QStringList texts;
        for (const QJsonObject &event : target.events(QStringLiteral("paste")))
            texts << event.value(QStringLiteral("text")).toString();
        return texts;
    }

    // Non-modifier keys the target saw go down ("key") or up ("keyup"), in order; the Ctrl+V
    // of phrase output and the sync key left out.
    QStringList keys(const QString &kind = QStringLiteral("key")) const {
        QStringList result;
        for (const QJsonObject &event : target.events(kind)) {
            const QString key = event.value(QStringLiteral("key")).toString();
            if (!isModifierKey(key) && key != QLatin1String("Ctrl+V") && key != QLatin1String("Z"))
                result << key;
        }
        return result;
    }

    // Presses and releases together, in order, as "+Key" and "-Key". With modifiers, their
    // own presses and releases count too, named without the modifiers held ("+Control").
    QStringList keyStrokes(bool withModifiers = false) const {
        QStringList result;
        for (const QJsonObject &event : target.events()) {
            const QString kind = event.value(QStringLiteral("event")).toString();
            QString key = event.value(QStringLiteral("key")).toString();
            if ((kind != QLatin1String("key") && kind != QLatin1String("keyup")) || key == QLatin1String("Z"))
                continue;
            if (isModifierKey(key)) {
                if (!withModifiers)
                    continue;
                key = key.section(QLatin1Char('+'), -1);
            }
            result << (kind == QLatin1String("key") ? QLatin1Char('+') : QLatin1Char('-')) + key;
        }
        return result;
    }

    // Waits until everything typed so far has arrived. The z key has no phrase here, so the
    // pick window lets it pass the way it lets every other key pass: whatever went before it
    // on that road, replayed or not, has reached the target once z has.
    bool sync() {
        const auto zCount = [this] {
            int n = 0;
            for (const QJsonObject &event : target.events(QStringLiteral("keyup")))
                n += event.value(QStringLiteral("key")).toString() == QLatin1String("Z");
            return n;
        };
        const int before = zCount();
        return typeKeys({QStringLiteral("z")}) && e2e::waitUntil([&] { return zCount() > before; });
    }

    // The text field's content without the z keys of sync().
    QString text() const { return target.text().remove(QLatin1Char('z')); }

    InputTargetClient target;
    QString targetWindow;
    QString pickWindow;
    e2e::ProgramRun program; // last, so that it ends before the target
};

QJsonObject notPinned() {
    return {{QStringLiteral("tudingflag"), false}};
}

QJsonObject pinnedWithBadges() {
    return {{QStringLiteral("tudingflag"), true},
            {QStringLiteral("badge_key_input_phrase_when_pinned"), true},
            {QStringLiteral("enter_key_input_phrase_when_pinned"), true}};
}

bool setLayout(const QString &layout) {
    int exitCode = -1;
    e2e::run(QStringLiteral("setxkbmap"), {layout}, &exitCode);
    return exitCode == 0;
}

QJsonObject pinnedLettingKeysPass() {
    return {{QStringLiteral("tudingflag"), true},
            {QStringLiteral("badge_key_input_phrase_when_pinned"), false},
            {QStringLiteral("enter_key_input_phrase_when_pinned"), false}};
}

} // namespace

#define START_SESSION(session, config)                                                                       \
    PickSession session;                                                                                     \
    do {                                                                                                     \
        const QString failure = session.start(config);                                                       \
        QVERIFY2(failure.isEmpty(), qPrintable(failure));                                                    \
    } while (false)

class E2ePickKeysTest : public QObject {
    Q_OBJECT

private slots:
    void downDownEnterInputsTheThirdPhrase() {
        START_SESSION(s, notPinned());
        QVERIFY(typeKeys({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")}));
        QVERIFY2(e2e::waitUntil([&] { return !s.pastes().isEmpty(); }), "no phrase was input");
        QVERIFY(e2e::waitUntil([] { return !pickVisible(); }));
        QVERIFY(s.sync());
        QCOMPARE(s.pastes(), QStringList{QStringLiteral("charlie")});
        QCOMPARE(s.keys(), QStringList());
        QCOMPARE(s.text(), QStringLiteral("charlie"));
        QCOMPARE(e2e::activeWindow(), s.targetWindow);
    }

    void badgeKeyInputsItsPhrase_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("2 inputs the second phrase") << QStringLiteral("2");
        QTest::newRow("Shift+2 inputs the second phrase too") << QStringLiteral("shift+2");
    }

    void badgeKeyInputsItsPhrase() {
        QFETCH(QString, key);
        START_SESSION(s, notPinned());
        QVERIFY(typeKeys({key}));
        QVERIFY2(e2e::waitUntil([&] { return !s.pastes().isEmpty(); }), "no phrase was input");
        QVERIFY(e2e::waitUntil([] { return !pickVisible(); }));
        QVERIFY(s.sync());
        QCOMPARE(s.pastes(), QStringList{QStringLiteral("bravo")});
        QCOMPARE(s.keys(), QStringList());
        QCOMPARE(s.text(), QStringLiteral("bravo"));
    }

    void modifiedBadgeKeysAndKeysBeyondTheRowsReachTheTarget() {
        START_SESSION(s, notPinned());
        QVERIFY(typeKeys({QStringLiteral("ctrl+2"), QStringLiteral("alt+2"), QStringLiteral("9")}));
        QVERIFY(s.sync());
        QCOMPARE(s.keys(),
                 QStringList({QStringLiteral("Ctrl+2"), QStringLiteral("Alt+2"), QStringLiteral("9")}));
        QCOMPARE(s.keys(QStringLiteral("keyup")).filter(QStringLiteral("9")).size(), 1);
        // What the target makes of Alt+2 is its own affair; the 9 is typed.
        QVERIFY(s.text().endsWith(QLatin1Char('9')));
        QCOMPARE(s.pastes(), QStringList());
        QVERIFY(pickVisible());
        QCOMPARE(e2e::activeWindow(), s.targetWindow);
    }

    void groupsSwitchAndStopAtTheEnds_data() {
        QTest::addColumn<bool>("wheel");
        QTest::newRow("the arrow keys switch groups") << false;
        QTest::newRow("the wheel over the tabs switches groups") << true;
    }

    void groupsSwitchAndStopAtTheEnds() {
        QFETCH(bool, wheel);
        START_SESSION(s, pinnedWithBadges());
        // Previous, next, next twice (the second past the last group), previous: Left or the
        // wheel away from the user (button 4), Right or the wheel towards them (button 5).
        const QList<int> moves[] = {{-1}, {1}, {1, 1}, {-1}};
        const QStringList expected = {QStringLiteral("alpha"), QStringLiteral("delta"),
                                      QStringLiteral("foxtrot"), QStringLiteral("delta")};
        for (int i = 0; i < 4; ++i) {
            QStringList keys, clicks = {QStringLiteral("mousemove"), QStringLiteral("--window"), s.pickWindow,
                                        QStringLiteral("30"), QStringLiteral("25")};
            for (int move : moves[i]) {
                keys << (move < 0 ? QStringLiteral("Left") : QStringLiteral("Right"));
                clicks << QStringLiteral("click") << (move < 0 ? QStringLiteral("4") : QStringLiteral("5"));
            }
            QVERIFY(wheel ? e2e::xdotool(clicks) && typeKeys({QStringLiteral("1")})
                          : typeKeys(keys + QStringList{QStringLiteral("1")}));
            QVERIFY2(e2e::waitUntil([&] { return s.pastes().size() > i; }), qPrintable(keys.join(u' ')));
        }
        QVERIFY(s.sync());
        QCOMPARE(s.pastes(), expected);
        QCOMPARE(s.keys(), QStringList());
        QVERIFY(pickVisible());
        QCOMPARE(e2e::activeWindow(), s.targetWindow);
    }

    void tabSearchesAndEnterInputsIntoTheTarget_data() {
        QTest::addColumn<QJsonObject>("config");
        QTest::addColumn<bool>("pinned");
        QTest::newRow("not pinned: the window closes") << notPinned() << false;
        QTest::newRow("pinned: the window stays and keeps the search") << pinnedWithBadges() << true;
    }

    void tabSearchesAndEnterInputsIntoTheTarget() {
        QFETCH(QJsonObject, config);
        QFETCH(bool, pinned);
        START_SESSION(s, config);
        QVERIFY(typeKeys({QStringLiteral("Tab")}));
        QVERIFY2(e2e::waitUntil([&] { return e2e::activeWindow() == s.pickWindow; }),
                 "Tab did not activate the window");
        // "vo" leaves bravo alone in the list, so it becomes the current phrase.
        QVERIFY(typeKeys({QStringLiteral("v"), QStringLiteral("o")}));
        QVERIFY(typeKeys({QStringLiteral("Return")}));
        QVERIFY2(e2e::waitUntil([&] { return !s.pastes().isEmpty(); }), "no phrase was input");
        QCOMPARE(e2e::activeWindow(), s.targetWindow);
        QVERIFY(e2e::waitUntil([&] { return s.text() == QLatin1String("bravo"); }));
        if (pinned) {
            QVERIFY(pickVisible());
            QVERIFY(e2e::waitUntil(&pickTakesKeys));
            // Enter left the search text alone: bravo is still the only, first phrase.
            QVERIFY(typeKeys({QStringLiteral("1")}));
            QVERIFY2(e2e::waitUntil([&] { return s.pastes().size() == 2; }), "1 input nothing");
        } else {
            QVERIFY(e2e::waitUntil([] { return !pickVisible(); }));
        }
        QVERIFY(s.sync());
        QCOMPARE(s.pastes(), QStringList(pinned ? 2 : 1, QStringLiteral("bravo")));
        QCOMPARE(s.keys(), QStringList());
        QCOMPARE(e2e::activeWindow(), s.targetWindow);
    }

    void escapeInTheSearchBoxClearsItAndGivesTheFocusBack() {
        START_SESSION(s, notPinned());
        QVERIFY(typeKeys({QStringLiteral("Tab")}));
        QVERIFY2(e2e::waitUntil([&] { return e2e::activeWindow() == s.pickWindow; }),
                 "Tab did not activate the window");
        QVERIFY(typeKeys({QStringLiteral("v"), QStringLiteral("o"), QStringLiteral("Escape")}));
        QVERIFY2(e2e::waitUntil([&] { return e2e::activeWindow() == s.targetWindow; }),
                 "the focus did not come back");
        QVERIFY(pickVisible());
        QVERIFY(e2e::waitUntil(&pickTakesKeys));
        // The search text is gone: "1" finds the first phrase of the whole group again.
        QVERIFY(typeKeys({QStringLiteral("1")}));
        QVERIFY2(e2e::waitUntil([&] { return !s.pastes().isEmpty(); }), "no phrase was input");
        QVERIFY(s.sync());
        QCOMPARE(s.pastes(), QStringList{QStringLiteral("alpha")});
        QCOMPARE(s.keys(), QStringList());
    }

    void pinnedLetsLettersDigitsAndEnterThroughAndGraveTogglesThePin() {
        START_SESSION(s, pinnedLettingKeysPass());
        QVERIFY(typeKeys(
            {QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("Return"), QStringLiteral("b")}));
        QVERIFY(s.sync());
        QCOMPARE(s.keys(), QStringList({QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("Return"),
                                        QStringLiteral("B")}));
        QCOMPARE(s.text(), QStringLiteral("a1\nb"));
        QCOMPARE(s.pastes(), QStringList());
        QVERIFY(pickVisible());

        const auto pinned = [&] { return s.program.config().value(QStringLiteral("tudingflag")); };
        QVERIFY(typeKeys({QStringLiteral("grave")}));
        QVERIFY2(e2e::waitUntil([&] { return pinned() == QJsonValue(false); }), "the pin was not taken off");
        QVERIFY(typeKeys({QStringLiteral("grave")}));
        QVERIFY2(e2e::waitUntil([&] { return pinned() == QJsonValue(true); }), "the pin was not put back");
        QVERIFY(s.sync());
        QCOMPARE(s.text(), QStringLiteral("a1\nb"));
        QVERIFY(pickVisible());
        QCOMPARE(e2e::activeWindow(), s.targetWindow);
    }

    void escapeHidesTheWindowAndThenEveryKeyReachesTheTarget() {
        START_SESSION(s, notPinned());
        QVERIFY(typeKeys({QStringLiteral("Escape")}));
        QVERIFY(e2e::waitUntil([] { return !pickVisible(); }));
        QVERIFY2(e2e::waitUntil([] { return !pickTakesKeys(); }), "the hidden window still takes keys");
        QCOMPARE(s.keyStrokes(), QStringList());

        QVERIFY(typeKeys({QStringLiteral("Down"), QStringLiteral("Up"), QStringLiteral("Return"),
                          QStringLiteral("a"), QStringLiteral("2"), QStringLiteral("Left"),
                          QStringLiteral("Tab"), QStringLiteral("grave"), QStringLiteral("Escape")}));
        QVERIFY(s.sync());
        QStringList expected;
        for (const char *key : {"Down", "Up", "Return", "A", "2", "Left", "Tab", "`", "Esc"})
            expected << QLatin1Char('+') + QLatin1String(key) << QLatin1Char('-') + QLatin1String(key);
        QCOMPARE(s.keyStrokes(), expected);
        QCOMPARE(s.pastes(), QStringList());
        QVERIFY(!pickVisible());
    }

    void aKeyLetGoWhileAnotherIsTakenStillComesUp_data() {
        QTest::addColumn<QString>("held");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QStringList>("strokes");
        QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("phrase");
        // Down moves to the second phrase, Ctrl+Right to the second group: Enter and 1 show it.
        QTest::newRow("a comma let go while Down is taken comes up")
            << QStringLiteral("comma") << QStringLiteral("Down")
            << QStringList({QStringLiteral("+,"), QStringLiteral("-,")}) << QStringLiteral("Return")
            << QStringLiteral("bravo");
        QTest::newRow("Ctrl let go while Ctrl+Right is taken comes up")
            << QStringLiteral("Control_L") << QStringLiteral("Right")
            << QStringList({QStringLiteral("+Control"), QStringLiteral("-Control")}) << QStringLiteral("1")
            << QStringLiteral("delta");
    }

    // The target saw the held key go down before the pick window took the other one; the
    // taken key itself arrives neither down nor up.
    void aKeyLetGoWhileAnotherIsTakenStillComesUp() {
        QFETCH(QString, held);
        QFETCH(QString, taken);
        QFETCH(QStringList, strokes);
        QFETCH(QString, then);
        QFETCH(QString, phrase);
        START_SESSION(s, notPinned());
        QVERIFY(e2e::xdotool({QStringLiteral("keydown"), held}));
        QVERIFY(e2e::xdotool({QStringLiteral("keydown"), taken}));
        QVERIFY(e2e::xdotool({QStringLiteral("keyup"), held}));
        QVERIFY(e2e::xdotool({QStringLiteral("keyup"), taken}));
        QVERIFY(s.sync());
        QCOMPARE(s.keyStrokes(true), strokes);
        QVERIFY(pickVisible());
        QVERIFY(typeKeys({then}));
        QVERIFY2(e2e::waitUntil([&] { return !s.pastes().isEmpty(); }), "no phrase was input");
        QCOMPARE(s.pastes(), QStringList{phrase});
    }

    void keysHeldAsPeopleHoldThemInputOnce_data() {
        QTest::addColumn<QJsonObject>("config");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("held");
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("keys"); // what the target saw go down
        QTest::newRow("a badge held 250 ms")
            << notPinned() << QStringList() << QStringLiteral("2") << 250 << QStringLiteral("bravo")
            << QStringLiteral("bravo") << QStringList();
        QTest::newRow("Enter held 200 ms")
            << notPinned() << QStringList{QStringLiteral("Down")} << QStringLiteral("Return") << 200
            << QStringLiteral("bravo") << QStringLiteral("bravo") << QStringList();
        QTest::newRow("a badge held 1.2 s while pinned inputs once, not at every auto-repeat")
            << pinnedWithBadges() << QStringList() << QStringLiteral("2") << 1200 << QStringLiteral("bravo")
            << QStringLiteral("bravo") << QStringList();
        QTest::newRow("a badge held 250 ms inputs a phrase that starts with a chord")
            << notPinned() << QStringList{QStringLiteral("b"), QStringLiteral("c")} << QStringLiteral("4")
            << 250 << QStringLiteral("kilo") << QStringLiteral("bkilo")
            << QStringList({QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("Shift+Left")});
        QTest::newRow("a phrase's own hotkey held 300 ms")
            << notPinned() << QStringList() << QStringLiteral("ctrl+alt+q") << 300 << QStringLiteral("echo")
            << QStringLiteral("echo") << QStringList();
    }

    // The key is held down as long as a person holds it, and the output that its press
    // starts still reaches the target, once.
    void keysHeldAsPeopleHoldThemInputOnce() {
        QFETCH(QJsonObject, config);
        QFETCH(QStringList, before);
        QFETCH(QString, held);
        QFETCH(int, holdMs);
        QFETCH(QString, phrase);
        QFETCH(QString, text);
        QFETCH(QStringList, keys);
        START_SESSION(s, config);
        if (!before.isEmpty())
            QVERIFY(typeKeys(before));
        QVERIFY(e2e::holdKeys(held, holdMs));
        QVERIFY2(e2e::waitUntil([&] { return s.text() == text; }), qPrintable(s.text()));
        QVERIFY(s.sync());
        QCOMPARE(s.pastes(), QStringList{phrase});
        QCOMPARE(s.text(), text);
        QCOMPARE(s.keys(), keys);
        QCOMPARE(e2e::activeWindow(), s.targetWindow);
    }

    void heldPinKeyAndGlobalHotkeyActOnce() {
        START_SESSION(s, pinnedLettingKeysPass());
        const auto pinned = [&] { return s.program.config().value(QStringLiteral("tudingflag")); };
        QVERIFY(e2e::holdKeys(QStringLiteral("grave"), 300));
        QVERIFY2(e2e::waitUntil([&] { return pinned() == QJsonValue(false); }), "the pin was not taken off");
        QVERIFY(typeKeys({QStringLiteral("Escape")}));
        QVERIFY(e2e::waitUntil([] { return !pickVisible(); }));
        QVERIFY(e2e::holdKeys(QStringLiteral("ctrl+shift+v"), 600));
        QVERIFY2(e2e::waitUntil(&pickVisible), "the global hotkey did not show the window");
        QVERIFY(e2e::waitUntil(&pickTakesKeys));
        QVERIFY(s.sync());
        QVERIFY2(pickVisible(), "the held global hotkey toggled more than once");
        QCOMPARE(pinned(), QJsonValue(false));
        QCOMPARE(s.keys(), QStringList());
        QCOMPARE(s.text(), QString());
    }

    void everyLayoutTypesThroughAndKeepsItsKeys_data() {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<bool>("switchedWhileShown");
        QTest::newRow("de") << QStringLiteral("de") << false;
        QTest::newRow("fr") << QStringLiteral("fr") << false;
        QTest::newRow("fr, switched to while the window is shown") << QStringLiteral("fr") << true;
    }

    // With the window pinned and letting keys pass, typing reaches the target exactly on
    // other layouts too; the key left of 1 is the pin key there, and the number row and the
    // letters are the badges.
    void everyLayoutTypesThroughAndKeepsItsKeys() {
        QFETCH(QString, layout);
        QFETCH(bool, switchedWhileShown);
        if (!switchedWhileShown)
            QVERIFY(setLayout(layout));
        START_SESSION(s, pinnedLettingKeysPass());
        if (switchedWhileShown) {
            QVERIFY(setLayout(layout));
            // fr has a comma where us has the m: once the keys follow the layout, that key is free.
            QVERIFY2(e2e::waitUntil([] {
                         return e2e::tryKeyGrab(QStringLiteral("comma"), 0) == e2e::GrabAnswer::Grabbed;
                     }),
                     "the keys did not follow the new layout");
        }
        const QString typed = QStringLiteral("+#~09yza");
        QVERIFY(
            e2e::xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), typed}));
        QVERIFY(s.sync());
        QCOMPARE(s.target.text(), typed + QLatin1Char('z'));
        QCOMPARE(s.pastes(), QStringList());

        const auto pinned = [&] { return s.program.config().value(QStringLiteral("tudingflag")); };
        // The key left of 1 by its keycode (TLDE in the evdev map): what it types differs.
        QVERIFY(typeKeys({QStringLiteral("49")}));
        QVERIFY2(e2e::waitUntil([&] { return pinned() == QJsonValue(false); }), "the pin key did not act");
        // Not pinned now: the letter A in G3 and, shown again, the digit 2 input phrases.
        QVERIFY(typeKeys({QStringLiteral("Right"), QStringLiteral("Right"), QStringLiteral("a")}));
        QVERIFY2(e2e::waitUntil([&] { return !s.pastes().isEmpty(); }), "the letter badge input nothing");
        QVERIFY(e2e::waitUntil([] { return !pickVisible(); }));
        QVERIFY(typeKeys({QStringLiteral("ctrl+shift+v")}));
        QVERIFY(e2e::waitUntil(&pickVisible));
        QVERIFY(e2e::waitUntil(&pickTakesKeys));
        QVERIFY(typeKeys({QStringLiteral("2")}));
        QVERIFY2(e2e::waitUntil([&] { return s.pastes().size() == 2; }), "the digit badge input nothing");
        // A phrase's hotkey is the key that types its letter on this layout.
        QVERIFY(typeKeys({QStringLiteral("ctrl+alt+q")}));
        QVERIFY2(e2e::waitUntil([&] { return s.pastes().size() == 3; }), "the phrase hotkey input nothing");
        QCOMPARE(s.pastes(),
                 QStringList({QStringLiteral("golf11"), QStringLiteral("golf2"), QStringLiteral("echo")}));
        const QString expected = typed + QStringLiteral("zgolf11golf2echo");
        QVERIFY2(e2e::waitUntil([&] { return s.target.text() == expected; }), qPrintable(s.target.text()));
    }

    void cleanup() { QVERIFY(setLayout(QStringLiteral("us"))); }
};

QTEST_GUILESS_MAIN(E2ePickKeysTest)
#include "tst_e2e_pick_keys.moc"
