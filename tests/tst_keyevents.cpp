// Key events of chords, the paste shortcut and the release of held modifiers as the recording
// backend sees them (it uses the real backends' builders); the Windows file-drop block.

#include "output/PhraseMarkup.h"
#include "platform/DropFiles.h"
#include "platform/InputOperations.h"
#include "platform/InputRecording.h"
#include "platform/KeyEvents.h"

#include <QTest>

namespace {

using Events = std::vector<KeyEvent>;

KeyEvent down(std::uint16_t vk, bool extended = false) {
    return KeyEvent{vk, false, extended};
}
KeyEvent up(std::uint16_t vk, bool extended = false) {
    return KeyEvent{vk, true, extended};
}

// "a2↓ 41↓e …": virtual key, direction, extended flag.
QString describe(const Events &events) {
    QStringList parts;
    for (const KeyEvent &e : events)
        parts << QStringLiteral("%1%2%3")
                     .arg(e.virtualKey, 2, 16, QLatin1Char('0'))
                     .arg(e.up ? QStringLiteral("↑") : QStringLiteral("↓"))
                     .arg(e.extended ? QStringLiteral("e") : QString());
    return parts.join(QLatin1Char(' '));
}

QString recordedEvents() {
    const QList<RecordedInputCall> calls = recordedInputCalls();
    return calls.size() == 1 ? describe(calls.first().events) : QStringLiteral("%1 calls").arg(calls.size());
}

} // namespace

class TestKeyEvents : public QObject {
    Q_OBJECT

private slots:
    // Modifiers down in the order Ctrl Alt Shift Win, the main key, ups in reverse. An
    // empty phrase stands for the paste shortcut.
    void chordsAndThePasteShortcut() {
        const struct {
            const char *phrase;
            Events expected;
        } rows[] = {
            {"<press Shift+Alt+Ctrl+A>",
             {down(0xA2), down(0xA4), down(0xA0), down(0x41), up(0x41), up(0xA0), up(0xA4), up(0xA2)}},
            {"<press Win+Left>", {down(0x5B, true), down(0x25, true), up(0x25, true), up(0x5B, true)}},
            {"<press Ctrl+Insert>", {down(0xA2), down(0x2D, true), up(0x2D, true), up(0xA2)}},
            {"<Ctrl>", {down(0xA2), up(0xA2)}},
            {"", {down(0xA2), down(0x56), up(0x56), up(0xA2)}},
        };
        for (const auto &row : rows) {
            resetInputRecording();
            QList<OutputAction> actions;
            parsePhraseMarkup(QString::fromUtf8(row.phrase), actions);
            if (actions.isEmpty())
                sendPasteShortcut();
            else
                pressKeyChord(actions.first());
            QCOMPARE(recordedEvents(), describe(row.expected));
        }
    }

    void extendedFlagFollowsTheKeyCode() {
        // The navigation block, Insert, Delete and the Windows keys; nothing else.
        const QList<int> extendedKeys = {0x21, 0x22, 0x23, 0x24, 0x25, 0x26,
                                         0x27, 0x28, 0x2D, 0x2E, 0x5B, 0x5C};
        for (int vk = 0; vk <= 0xFF; ++vk)
            QCOMPARE(keyEvent(std::uint16_t(vk), true).extended, extendedKeys.contains(vk));
    }

    // One key-up per held key in the order they are read, and nothing pressed again.
    void heldModifiersAreReleasedInFixedOrder() {
        //                      LCtrl  RCtrl  LAlt   RAlt   LShift RShift LWin   RWin
        const HeldModifiers some{true, false, false, false, false, true, false, true};
        const HeldModifiers all{true, true, true, true, true, true, true, true};
        const struct {
            HeldModifiers held;
            Events expected;
        } rows[] = {
            {some, {up(0xA2), up(0xA1), up(0x5C, true)}},
            {all,
             {up(0xA2), up(0xA3), up(0xA4), up(0xA5), up(0xA0), up(0xA1), up(0x5B, true), up(0x5C, true)}},
        };
        for (const auto &row : rows) {
            resetInputRecording();
            setSimulatedHeldModifiers(row.held);
            QVERIFY(releaseHeldModifiers() == row.held);
            QCOMPARE(recordedEvents(), describe(row.expected));
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
