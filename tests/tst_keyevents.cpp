// Key events of chords, the paste shortcut and the release of held modifiers, as the
// recording backend sees them (it uses the same builders as the real backends), and the
// file-drop block handed to the Windows clipboard, byte for byte.

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

QString describe(const Events &events) {
    QStringList parts;
    for (const KeyEvent &e : events)
        parts << QStringLiteral("%1%2%3")
                     .arg(e.virtualKey, 2, 16, QLatin1Char('0'))
                     .arg(e.up ? QStringLiteral("↑") : QStringLiteral("↓"))
                     .arg(e.extended ? QStringLiteral("e") : QString());
    return parts.join(QLatin1Char(' '));
}

} // namespace

Q_DECLARE_METATYPE(Events)
Q_DECLARE_METATYPE(HeldModifiers)

class TestKeyEvents : public QObject {
    Q_OBJECT

private slots:
    void chordSendsModifiersAroundTheMainKey_data() {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<Events>("expected");
        QTest::newRow("Ctrl+Shift+A holds left Ctrl then left Shift around A")
            << QStringLiteral("<press Ctrl+Shift+A>")
            << Events{down(0xA2), down(0xA0), down(0x41), up(0x41), up(0xA0), up(0xA2)};
        QTest::newRow("Win+Left marks both keys extended")
            << QStringLiteral("<press Win+Left>")
            << Events{down(0x5B, true), down(0x25, true), up(0x25, true), up(0x5B, true)};
        QTest::newRow("Ctrl+Insert marks Insert extended but not Ctrl")
            << QStringLiteral("<press Ctrl+Insert>")
            << Events{down(0xA2), down(0x2D, true), up(0x2D, true), up(0xA2)};
        QTest::newRow("three modifiers and a key give eight events, ups in reverse")
            << QStringLiteral("<press Shift+Alt+Ctrl+F5>")
            << Events{down(0xA2), down(0xA4), down(0xA0), down(0x74), up(0x74), up(0xA0), up(0xA4), up(0xA2)};
        QTest::newRow("a modifier alone goes down and up")
            << QStringLiteral("<Ctrl>") << Events{down(0xA2), up(0xA2)};
        QTest::newRow("Enter alone is a tap") << QStringLiteral("<Enter>") << Events{down(0x0D), up(0x0D)};
    }
    void chordSendsModifiersAroundTheMainKey() {
        QFETCH(QString, phrase);
        QFETCH(Events, expected);
        QList<OutputAction> actions;
        parsePhraseMarkup(phrase, actions);
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions.first().kind, OutputAction::KeyPress);

        resetInputRecording();
        pressKeyChord(actions.first());
        const QList<RecordedInputCall> calls = recordedInputCalls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(describe(calls.first().events), describe(expected));
    }

    void pasteShortcutIsLeftCtrlAndVWithoutExtendedFlags() {
        resetInputRecording();
        sendPasteShortcut();
        QCOMPARE(recordedInputCalls().size(), 1);
        QCOMPARE(describe(recordedInputCalls().first().events),
                 describe(Events{down(0xA2), down(0x56), up(0x56), up(0xA2)}));
    }

    void extendedFlagFollowsTheKeyCode() {
        // The navigation block, Insert, Delete and the Windows keys; nothing else.
        const QList<int> extendedKeys = {0x21, 0x22, 0x23, 0x24, 0x25, 0x26,
                                         0x27, 0x28, 0x2D, 0x2E, 0x5B, 0x5C};
        for (int vk = 0; vk <= 0xFF; ++vk) {
            QVERIFY2(isExtendedKey(std::uint16_t(vk)) == extendedKeys.contains(vk),
                     qPrintable(QString::number(vk, 16)));
            QCOMPARE(keyEvent(std::uint16_t(vk), true).extended, extendedKeys.contains(vk));
        }
    }

    void heldModifiersAreReleasedInFixedOrder_data() {
        QTest::addColumn<HeldModifiers>("held");
        QTest::addColumn<Events>("expected");
        //                 LCtrl  RCtrl  LAlt   RAlt   LShift RShift LWin   RWin
        QTest::newRow("nothing held sends nothing") << HeldModifiers{} << Events{};
        QTest::newRow("left Ctrl and right Shift give two key-ups, Ctrl first")
            << HeldModifiers{true, false, false, false, false, true, false, false}
            << Events{up(0xA2), up(0xA1)};
        QTest::newRow("right Win alone is released with the extended flag")
            << HeldModifiers{false, false, false, false, false, false, false, true} << Events{up(0x5C, true)};
        QTest::newRow("all eight are released in the order they are read")
            << HeldModifiers{true, true, true, true, true, true, true, true}
            << Events{up(0xA2), up(0xA3), up(0xA4),       up(0xA5),
                      up(0xA0), up(0xA1), up(0x5B, true), up(0x5C, true)};
    }
    void heldModifiersAreReleasedInFixedOrder() {
        QFETCH(HeldModifiers, held);
        QFETCH(Events, expected);
        QCOMPARE(describe(modifierReleaseEvents(held)), describe(expected));

        resetInputRecording();
        setSimulatedHeldModifiers(held);
        QVERIFY(releaseHeldModifiers() == held);
        QCOMPARE(describe(recordedInputCalls().last().events), describe(expected));
        // Released keys are not pressed again: a second call finds nothing held.
        QVERIFY(releaseHeldModifiers() == HeldModifiers{});
        QVERIFY(recordedInputCalls().last().events.empty());
    }

    void dropBlockHoldsOneWidePathAfterTheHeader_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("nativePath");
        QTest::newRow("a 10-unit path fills bytes 20 to 39 of a 44-byte block")
            << QStringLiteral("C:\\a\\b.txt") << QStringLiteral("C:\\a\\b.txt");
        QTest::newRow("a Chinese path with slashes is written with backslashes")
            << QStringLiteral("C:/用户/文档/报告 2024.docx")
            << QStringLiteral("C:\\用户\\文档\\报告 2024.docx");
        QTest::newRow("a path outside the basic plane keeps its surrogate pairs")
            << QStringLiteral("D:/图片/😀.png") << QStringLiteral("D:\\图片\\😀.png");
    }
    void dropBlockHoldsOneWidePathAfterTheHeader() {
        QFETCH(QString, path);
        QFETCH(QString, nativePath);
        const std::size_t n = std::size_t(path.size());
        const std::vector<std::uint8_t> block = dropFilesBlock(path.toStdU16String());
        const auto read32 = [&block](std::size_t at) {
            return quint32(block[at]) | quint32(block[at + 1]) << 8 | quint32(block[at + 2]) << 16 |
                   quint32(block[at + 3]) << 24;
        };
        QCOMPARE(block.size(), 20 + 2 * n + 4);
        // pFiles, pt.x, pt.y, fNC, fWide
        QCOMPARE(QList<quint32>({read32(0), read32(4), read32(8), read32(12), read32(16)}),
                 QList<quint32>({20, 0, 0, 0, 1}));
        QString written;
        for (std::size_t i = 0; i < n; ++i)
            written.append(QChar(char16_t(block[20 + 2 * i] | block[21 + 2 * i] << 8)));
        QCOMPARE(written, nativePath);
        QCOMPARE(read32(20 + 2 * n), 0u); // path and list terminators
    }
};

QTEST_GUILESS_MAIN(TestKeyEvents)
#include "tst_keyevents.moc"
