// Which keysyms the seat's keyboard layout carries in every group: what decides whether the
// desktop's keyboard is sent a letter as itself or as the key at its US place.

#include "platform/wayland/SeatKeymap.h"

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
        xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        QVERIFY(context);
        const QByteArray layout = layouts.toUtf8(), variant = variants.toUtf8();
        const xkb_rule_names names{"evdev", "pc105", layout.constData(), variant.constData(), nullptr};
        xkb_keymap *keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (!keymap) {
            xkb_context_unref(context);
            QSKIP("the keyboard data (xkb-data) is not installed");
        }
        QCOMPARE(keymapCarries(keymap, keysym), expected);
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
    }

    void noKeymapIsUnknown() { QCOMPARE(keymapCarries(nullptr, XKB_KEY_v), Layout::Unknown); }
};

QTEST_GUILESS_MAIN(TestSeatKeymap)
#include "tst_seatkeymap.moc"
