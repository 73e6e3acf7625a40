// Every key that phrase output can send has a keysym on X11.

#include "output/KeyNames.h"
#include "platform/KeyEvents.h"
#include "platform/x11/X11KeySyms.h"

#include <QSet>
#include <QTest>

class TestX11KeySyms : public QObject {
    Q_OBJECT

private slots:
    void everyNameableKeyHasItsOwnKeysym() {
        QStringList names = {QStringLiteral("enter"), QStringLiteral("tab"),       QStringLiteral("space"),
                             QStringLiteral("esc"),   QStringLiteral("backspace"), QStringLiteral("left"),
                             QStringLiteral("up"),    QStringLiteral("right"),     QStringLiteral("down"),
                             QStringLiteral("insert")};
        for (char c = 'a'; c <= 'z'; ++c)
            names << QString(QLatin1Char(c));
        for (char c = '0'; c <= '9'; ++c)
            names << QString(QLatin1Char(c));
        for (int f = 1; f <= 24; ++f)
            names << QStringLiteral("f%1").arg(f);

        QSet<quint16> codes;
        for (const QString &name : names) {
            quint16 code = 0;
            QVERIFY2(keyNameToVirtualKey(name, code), qPrintable(name));
            codes.insert(code);
        }
        for (const std::uint16_t modifier : releasableModifierKeys)
            codes.insert(modifier);
        QCOMPARE(codes.size(), names.size() + 8);

        QSet<unsigned long> keysyms;
        for (const quint16 code : codes) {
            const unsigned long keysym = x11KeysymForVirtualKey(code);
            QVERIFY2(keysym != 0, qPrintable(QString::number(code, 16)));
            keysyms.insert(keysym);
        }
        QCOMPARE(keysyms.size(), codes.size());
    }

    void lettersAndDigitsUseTheirUnshiftedKeysyms() {
        // Latin-1 keysyms equal their character codes; an upper-case keysym would imply Shift.
        for (char c = 'a'; c <= 'z'; ++c)
            QCOMPARE(x11KeysymForVirtualKey(std::uint16_t(c - 'a' + 'A')), (unsigned long)c);
        for (char c = '0'; c <= '9'; ++c)
            QCOMPARE(x11KeysymForVirtualKey(std::uint16_t(c)), (unsigned long)c);
    }

    void functionKeysAreConsecutive() {
        for (int f = 2; f <= 24; ++f)
            QCOMPARE(x11KeysymForVirtualKey(std::uint16_t(0x6F + f)),
                     x11KeysymForVirtualKey(std::uint16_t(0x6F + f - 1)) + 1);
    }

    void unknownCodesHaveNoKeysym() {
        QCOMPARE(x11KeysymForVirtualKey(0), 0ul);
        QCOMPARE(x11KeysymForVirtualKey(0xBA), 0ul); // a punctuation key no tag can name
    }
};

QTEST_GUILESS_MAIN(TestX11KeySyms)
#include "tst_x11keysyms.moc"
