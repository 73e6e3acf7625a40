// The key codes KWin's fake input must be sent for each key: those of the compositor's
// keymap, in the layout in use (fake input's keys mean what that layout makes of them).

#include "platform/wayland/WaylandKeymap.h"

#include <QTest>

namespace {

// Evdev codes (linux/input-event-codes.h) of the keys the rows name.
constexpr quint32 keyQ = 16, keyA = 30, keyZ = 44, keyY = 21, keyW = 17, keyV = 47, key1 = 2, keyEnter = 28,
                  keyLeftCtrl = 29, keyLeftShift = 42;

} // namespace

class TestWaylandKeymap : public QObject {
    Q_OBJECT

private slots:
    void keysAreThoseOfTheCompositorsLayout_data() {
        QTest::addColumn<QString>("layouts");
        QTest::addColumn<int>("inUse");
        QTest::addColumn<int>("virtualKey");
        QTest::addColumn<int>("evdevCode");
        QTest::newRow("us: V is the key of V") << "us" << 0 << 0x56 << int(keyV);
        QTest::newRow("us: left Control") << "us" << 0 << 0xA2 << int(keyLeftCtrl);
        QTest::newRow("us: left Shift") << "us" << 0 << 0xA0 << int(keyLeftShift);
        QTest::newRow("us: Enter") << "us" << 0 << 0x0D << int(keyEnter);
        QTest::newRow("fr: A is on the key of Q") << "fr" << 0 << 0x41 << int(keyQ);
        QTest::newRow("fr: Q is on the key of A") << "fr" << 0 << 0x51 << int(keyA);
        QTest::newRow("fr: Z is on the key of W") << "fr" << 0 << 0x5A << int(keyW);
        QTest::newRow("fr: V stays where it is") << "fr" << 0 << 0x56 << int(keyV);
        QTest::newRow("fr: 1 is on the number row, shifted") << "fr" << 0 << 0x31 << int(key1);
        QTest::newRow("de: Z is on the key of Y") << "de" << 0 << 0x5A << int(keyY);
        QTest::newRow("de: Y is on the key of Z") << "de" << 0 << 0x59 << int(keyZ);
        QTest::newRow("de: left Control") << "de" << 0 << 0xA2 << int(keyLeftCtrl);
        QTest::newRow("us,fr with US in use: A is the key of A") << "us,fr" << 0 << 0x41 << int(keyA);
        QTest::newRow("us,fr with French in use: A is on the key of Q") << "us,fr" << 1 << 0x41 << int(keyQ);
        QTest::newRow("us,fr with French in use: left Control") << "us,fr" << 1 << 0xA2 << int(keyLeftCtrl);
        QTest::newRow("a layout the keymap lacks is its first") << "us,fr" << 5 << 0x41 << int(keyA);
    }
    void keysAreThoseOfTheCompositorsLayout() {
        QFETCH(QString, layouts);
        QFETCH(int, inUse);
        QFETCH(int, virtualKey);
        QFETCH(int, evdevCode);
        const QByteArray keymap = xkbKeymapTextOfLayout(layouts);
        QVERIFY2(!keymap.isEmpty(), "no XKB data for the layout (package xkb-data)");
        const auto codes = evdevCodesForVirtualKeys(keymap, quint32(inUse));
        const auto found = codes.find(quint16(virtualKey));
        QVERIFY(found != codes.end());
        QCOMPARE(found->second, quint32(evdevCode));
    }

    void keymapFromTheWireWithItsTerminatingZero() {
        // The compositor's keymap file holds the text and a terminating zero.
        const QByteArray keymap = xkbKeymapTextOfLayout(QStringLiteral("fr")) + '\0';
        const auto codes = evdevCodesForVirtualKeys(keymap);
        QCOMPARE(codes.at(0x41), keyQ);
    }

    void unusableKeymapsGiveNoKeys_data() {
        QTest::addColumn<QByteArray>("keymap");
        QTest::newRow("an empty keymap") << QByteArray();
        QTest::newRow("text that is no keymap") << QByteArray("xkb_keymap { nonsense");
        QTest::newRow("zeros only") << QByteArray(64, '\0');
    }
    void unusableKeymapsGiveNoKeys() {
        QFETCH(QByteArray, keymap);
        QVERIFY(evdevCodesForVirtualKeys(keymap).empty());
    }
};

QTEST_MAIN(TestWaylandKeymap)
#include "tst_waylandkeymap.moc"
