// Which keysyms the seat's keyboard layout carries in every group: what decides whether the
// desktop's keyboard is sent a letter as itself or as the key at its US place.

#include "platform/wayland/SeatKeymap.h"
#include "platform/wayland/WaylandKeymap.h"

#include <QTest>

#include <xkbcommon/xkbcommon.h>

using Layout = PortalKeyOutput::Layout;
Q_DECLARE_METATYPE(Layout)

class TestSeatKeymap : public QObject {
    Q_OBJECT

private slots:
    void layoutsCarryLettersOrNot_data() {
        QTest::addColumn<QString>("layouts");
        QTest::addColumn<QString>("variants");
        QTest::addColumn<uint>("keysym");
        QTest::addColumn<Layout>("expected");
        QTest::newRow("a US layout carries v") << "us"
                                               << "" << uint(XKB_KEY_v) << Layout::Carried;
        QTest::newRow("Dvorak carries v, elsewhere than QWERTY")
            << "us"
            << "dvorak" << uint(XKB_KEY_v) << Layout::Carried;
        QTest::newRow("AZERTY carries 1 on its shifted level") << "fr"
                                                               << "" << uint(XKB_KEY_1) << Layout::Carried;
        QTest::newRow("a Russian layout lacks v") << "ru"
                                                  << "" << uint(XKB_KEY_v) << Layout::Missing;
        QTest::newRow("US and Russian together lack v in one group")
            << "us,ru"
            << "," << uint(XKB_KEY_v) << Layout::Missing;
        QTest::newRow("US and Russian together carry the digits")
            << "us,ru"
            << "," << uint(XKB_KEY_5) << Layout::Carried;
    }
    void layoutsCarryLettersOrNot() {
        QFETCH(QString, layouts);
        QFETCH(QString, variants);
        QFETCH(uint, keysym);
        QFETCH(Layout, expected);
        // As the compositor sends it: the text, compiled by the function itself.
        const QByteArray text = xkbKeymapTextOfLayout(layouts, variants);
        if (text.isEmpty())
            QSKIP("the keyboard data (xkb-data) is not installed");
        QCOMPARE(keymapTextCarries(text, keysym), expected);
    }

    void noOrAnUnreadableKeymapIsUnknown() {
        QCOMPARE(keymapCarries(nullptr, XKB_KEY_v), Layout::Unknown);
        QCOMPARE(keymapTextCarries(QByteArray(), XKB_KEY_v), Layout::Unknown);
        QCOMPARE(keymapTextCarries("xkb_keymap { broken", XKB_KEY_v), Layout::Unknown);
    }
};

QTEST_GUILESS_MAIN(TestSeatKeymap)
#include "tst_seatkeymap.moc"
