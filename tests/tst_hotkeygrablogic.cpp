// The server-free parts of an X11 hotkey grab: lock variants, all-or-none grabbing,
// and matching an event's state.

#include "platform/HotkeyGrabLogic.h"

#include <QTest>

using Masks = QList<quint16>;

namespace {
constexpr quint16 shift = 0x01, lock = 0x02, control = 0x04, mod1 = 0x08, mod2 = 0x10, mod4 = 0x40;
constexpr quint16 button1 = 0x100;
} // namespace

class HotkeyGrabLogicTest : public QObject {
    Q_OBJECT
private slots:
    void lockVariants_data();
    void lockVariants();
    void grabAllOrNone_data();
    void grabAllOrNone();
    void eventState_data();
    void eventState();
};

void HotkeyGrabLogicTest::lockVariants_data() {
    QTest::addColumn<quint16>("modifiers");
    QTest::addColumn<quint16>("numLock");
    QTest::addColumn<Masks>("variants");
    QTest::newRow("Ctrl+Shift with NumLock on Mod2 gives four variants")
        << quint16(control | shift) << mod2
        << Masks{quint16(control | shift), quint16(control | shift | lock), quint16(control | shift | mod2),
                 quint16(control | shift | lock | mod2)};
    QTest::newRow("no NumLock modifier gives the plain and the CapsLock variant")
        << quint16(control) << quint16(0) << Masks{control, quint16(control | lock)};
    QTest::newRow("a combination without modifiers still gets the lock variants")
        << quint16(0) << mod2 << Masks{0, lock, mod2, quint16(lock | mod2)};
}

void HotkeyGrabLogicTest::lockVariants() {
    QFETCH(quint16, modifiers);
    QFETCH(quint16, numLock);
    QFETCH(Masks, variants);
    QCOMPARE(hotkeyLockVariants(modifiers, numLock), variants);
}

void HotkeyGrabLogicTest::grabAllOrNone_data() {
    QTest::addColumn<Masks>("refused");
    QTest::addColumn<bool>("result");
    QTest::addColumn<Masks>("heldAfterwards");
    const Masks all{control, quint16(control | lock), quint16(control | mod2),
                    quint16(control | lock | mod2)};
    QTest::newRow("nothing refused holds every variant") << Masks{} << true << all;
    QTest::newRow("the first refused holds nothing") << Masks{control} << false << Masks{};
    QTest::newRow("the NumLock variant refused releases the two taken before")
        << Masks{quint16(control | mod2)} << false << Masks{};
    QTest::newRow("the last refused releases the other three")
        << Masks{quint16(control | lock | mod2)} << false << Masks{};
}

void HotkeyGrabLogicTest::grabAllOrNone() {
    QFETCH(Masks, refused);
    QFETCH(bool, result);
    QFETCH(Masks, heldAfterwards);
    const Masks variants{control, quint16(control | lock), quint16(control | mod2),
                         quint16(control | lock | mod2)};
    Masks held;
    Masks attempted;
    const bool grabbed = ::grabAllOrNone(
        variants,
        [&](quint16 v) {
            attempted.append(v);
            if (refused.contains(v))
                return false;
            held.append(v);
            return true;
        },
        [&](quint16 v) {
            QVERIFY2(held.contains(v), "released a variant that was never taken");
            held.removeOne(v);
        });
    QCOMPARE(grabbed, result);
    QCOMPARE(held, heldAfterwards);
    // Nothing is tried after the first refusal.
    for (const quint16 v : refused)
        QCOMPARE(attempted.last(), v);
}

void HotkeyGrabLogicTest::eventState_data() {
    QTest::addColumn<quint16>("state");
    QTest::addColumn<quint16>("modifiers");
    QTest::newRow("plain Ctrl+Shift matches Ctrl+Shift")
        << quint16(control | shift) << quint16(control | shift);
    QTest::newRow("NumLock on still matches") << quint16(control | shift | mod2) << quint16(control | shift);
    QTest::newRow("CapsLock on still matches") << quint16(control | shift | lock) << quint16(control | shift);
    QTest::newRow("a held mouse button still matches") << quint16(control | button1) << control;
    QTest::newRow("an extra Alt is kept and so does not match")
        << quint16(control | mod1) << quint16(control | mod1);
    QTest::newRow("Super is kept") << quint16(mod4 | mod2) << mod4;
}

void HotkeyGrabLogicTest::eventState() {
    QFETCH(quint16, state);
    QFETCH(quint16, modifiers);
    QCOMPARE(hotkeyModifiersOfState(state, mod2), modifiers);
}

QTEST_GUILESS_MAIN(HotkeyGrabLogicTest)
#include "tst_hotkeygrablogic.moc"
