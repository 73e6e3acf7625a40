// Key events of chords, the paste shortcut and the release of held modifiers as the recording
// backend sees them (it uses the real backends' builders); the Windows file-drop block.

#include "output/PhraseMarkup.h"
#include "platform/DropFiles.h"
#include "platform/InputOperations.h"
#include "platform/InputRecording.h"
#include "platform/KeyEvents.h"

#include <QTest>

namespace {

// The events of the one recorded call, "a2↓ 25↓e …": virtual key, direction, extended flag.
QString recordedEvents() {
    const QList<RecordedInputCall> calls = recordedInputCalls();
    if (calls.size() != 1)
        return QStringLiteral("%1 calls").arg(calls.size());
    QStringList parts;
    for (const KeyEvent &e : calls.first().events)
        parts << QStringLiteral("%1%2%3")
                     .arg(e.virtualKey, 2, 16, QLatin1Char('0'))
                     .arg(e.up ? QStringLiteral("↑") : QStringLiteral("↓"))
                     .arg(e.extended ? QStringLiteral("e") : QString());
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestKeyEvents : public QObject {
    Q_OBJECT

private slots:
    // Modifiers down in the order Ctrl Alt Shift Win, the main key, ups in reverse; an empty
    // phrase stands for the paste shortcut. The extended flag follows the key code.
    void chordsAndThePasteShortcut() {
        const struct {
            const char *phrase, *expected;
        } rows[] = {
            {"<press Shift+Alt+Ctrl+A>", "a2↓ a4↓ a0↓ 41↓ 41↑ a0↑ a4↑ a2↑"},
            {"<press Win+Left>", "5b↓e 25↓e 25↑e 5b↑e"},
            {"<press Ctrl+Insert>", "a2↓ 2d↓e 2d↑e a2↑"},
            {"<Ctrl>", "a2↓ a2↑"},
            {"", "a2↓ 56↓ 56↑ a2↑"},
        };
        for (const auto &row : rows) {
            resetInputRecording();
            QList<OutputAction> actions;
            parsePhraseMarkup(QString::fromUtf8(row.phrase), actions);
            if (actions.isEmpty())
                sendPasteShortcut();
            else
                pressKeyChord(actions.first().modifiers, actions.first().mainKey);
            QCOMPARE(recordedEvents(), QString::fromUtf8(row.expected));
        }
        // Extended: the navigation block, Insert, Delete and the Windows keys; nothing else.
        const QList<int> extendedKeys = {0x21, 0x22, 0x23, 0x24, 0x25, 0x26,
                                         0x27, 0x28, 0x2D, 0x2E, 0x5B, 0x5C};
        for (int vk = 0; vk <= 0xFF; ++vk)
            QCOMPARE(keyEvent(std::uint16_t(vk), true).extended, extendedKeys.contains(vk));
    }

    // One key-up per held key in the order they are read, and nothing pressed again.
    // What the events press, with the modifiers they hold at that moment: the combinations
    // whose hotkeys of the program are let go while the events pass.
    void combinationsPressedCarryTheModifiersHeldAtThatMoment_data() {
        QTest::addColumn<QString>("phrase");   // one chord; empty: the paste shortcut
        QTest::addColumn<QString>("expected"); // virtual key/modifier bits (1 Shift 2 Ctrl 4 Alt 8 Win)
        QTest::newRow("the paste shortcut presses Ctrl+V") << ""
                                                           << "56/2";
        QTest::newRow("a terminal's paste chord presses Ctrl+Shift+V") << "<press Ctrl+Shift+V>"
                                                                       << "56/3";
        QTest::newRow("every modifier counts, the Windows key too") << "<press Win+Ctrl+Alt+Shift+P>"
                                                                    << "50/15";
        QTest::newRow("a lone key presses itself without modifiers") << "<press F12>"
                                                                     << "7b/0";
        QTest::newRow("a lone modifier presses no combination") << "<Ctrl>"
                                                                << "";
    }
    void combinationsPressedCarryTheModifiersHeldAtThatMoment() {
        QFETCH(QString, phrase);
        QFETCH(QString, expected);
        QList<OutputAction> actions;
        parsePhraseMarkup(phrase, actions);
        std::vector<KeyEvent> events = pasteShortcutEvents();
        if (!actions.isEmpty()) {
            const OutputAction &chord = actions.first();
            events = chordKeyEvents(
                std::vector<std::uint16_t>(chord.modifiers.cbegin(), chord.modifiers.cend()), chord.mainKey);
        }
        QStringList got;
        for (const KeyPressCombination &c : keyPressCombinations(events))
            got << QStringLiteral("%1/%2").arg(c.virtualKey, 2, 16, QLatin1Char('0')).arg(c.modifiers);
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
    }

    // Modifiers count from their press to their release, left and right apart; a key pressed
    // again with the same modifiers counts once.
    void modifiersCountFromPressToRelease() {
        const std::vector<KeyEvent> events = {
            keyEvent(0xA2, false), keyEvent(0xA3, false), keyEvent(0x41, false), keyEvent(0x41, true),
            keyEvent(0xA2, true),  keyEvent(0x41, false), keyEvent(0x41, true),  keyEvent(0xA3, true),
            keyEvent(0x41, false), keyEvent(0x41, true),  keyEvent(0x10, false), keyEvent(0x41, false),
            keyEvent(0x41, false), keyEvent(0x41, true),  keyEvent(0x10, true)};
        const std::vector<KeyPressCombination> expected = {
            {0x41, KeyPressCombination::Control}, {0x41, 0}, {0x41, KeyPressCombination::Shift}};
        QVERIFY(keyPressCombinations(events) == expected);
    }

    void heldModifiersAreReleasedInFixedOrder() {
        // Held: left Ctrl, right Ctrl, left Alt, right Alt, left Shift, right Shift, left Win, right Win.
        const struct {
            HeldModifiers held;
            const char *expected;
        } rows[] = {
            {{true, false, false, false, false, true, false, true}, "a2↑ a1↑ 5c↑e"},
            {{true, true, true, true, true, true, true, true}, "a2↑ a3↑ a4↑ a5↑ a0↑ a1↑ 5b↑e 5c↑e"},
        };
        for (const auto &row : rows) {
            resetInputRecording();
            setSimulatedHeldModifiers(row.held);
            QVERIFY(releaseHeldModifiers() == row.held);
            QCOMPARE(recordedEvents(), QString::fromUtf8(row.expected));
            QVERIFY(releaseHeldModifiers() == HeldModifiers{});
            QVERIFY(recordedInputCalls().last().events.empty());
        }
    }

    // DROPFILES (pFiles, pt.x, pt.y, fNC, fWide), then the path in UTF-16 with backslashes
    // and two terminators.
    void dropBlockHoldsOneWidePathAfterTheHeader() {
        const std::vector<std::uint8_t> block = dropFilesBlock(u"D:/用户/报告 2024😀.docx");
        const QString path = QStringLiteral("D:\\用户\\报告 2024😀.docx");
        QByteArray expected = QByteArray::fromHex("1400000000000000000000000000000001000000");
        for (const QChar c : path + QChar() + QChar())
            expected.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(block.data()), qsizetype(block.size())), expected);
    }
};

QTEST_GUILESS_MAIN(TestKeyEvents)
#include "tst_keyevents.moc"
