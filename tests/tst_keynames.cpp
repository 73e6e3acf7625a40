#include "output/KeyNames.h"
#include "tests/ActionTestHelpers.h"

#include <QTest>

class TestKeyNames : public QObject {
    Q_OBJECT

private slots:
    void keyName_data();
    void keyName();
    void chord_data();
    void chord();
    void chordAppendsToExistingModifiers();
};

void TestKeyNames::keyName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("code");

    auto accept = [](const char *row, const QString &name, int code) {
        QTest::newRow(row) << name << true << code;
    };
    auto reject = [](const char *row, const QString &name) { QTest::newRow(row) << name << false << 0; };

    accept("enter is 0x0D", QStringLiteral("enter"), 0x0D);
    accept("return is an alias of enter", QStringLiteral("Return"), 0x0D);
    accept("tab is 0x09", QStringLiteral("TAB"), 0x09);
    accept("space is 0x20", QStringLiteral("space"), 0x20);
    accept("esc is 0x1B", QStringLiteral("Esc"), 0x1B);
    accept("escape is an alias of esc", QStringLiteral("escape"), 0x1B);
    accept("backspace is 0x08", QStringLiteral("BackSpace"), 0x08);
    accept("left is 0x25", QStringLiteral("left"), 0x25);
    accept("up is 0x26", QStringLiteral("Up"), 0x26);
    accept("right is 0x27", QStringLiteral("RIGHT"), 0x27);
    accept("down is 0x28", QStringLiteral("down"), 0x28);
    accept("ins is 0x2D", QStringLiteral("ins"), 0x2D);
    accept("insert is an alias of ins", QStringLiteral("Insert"), 0x2D);
    accept("surrounding blanks are trimmed", QStringLiteral("  Enter "), 0x0D);
    accept("tab and no-break space around a name are trimmed", QStringLiteral("\tTab\u00A0"), 0x09);
    accept("upper-case A is 0x41", QStringLiteral("A"), 0x41);
    accept("lower-case a is 0x41 too", QStringLiteral("a"), 0x41);
    accept("z is 0x5A", QStringLiteral("z"), 0x5A);
    accept("0 is 0x30", QStringLiteral("0"), 0x30);
    accept("9 is 0x39", QStringLiteral("9"), 0x39);
    accept("F alone is the letter F", QStringLiteral("F"), 0x46);
    accept("F1 is 0x70", QStringLiteral("F1"), 0x70);
    accept("f24 is 0x87", QStringLiteral("f24"), 0x87);
    accept("F05 with a leading zero is F5", QStringLiteral("F05"), 0x74);
    accept("many leading zeros still name F9", QStringLiteral("f000000000009"), 0x78);

    reject("empty name", QString());
    reject("blanks only", QStringLiteral("   "));
    reject("F0 is below the range", QStringLiteral("F0"));
    reject("F25 is above the range", QStringLiteral("F25"));
    reject("F followed by letters", QStringLiteral("Fx"));
    reject("F with a number and a letter", QStringLiteral("F1a"));
    reject("F with a negative number", QStringLiteral("F-1"));
    reject("F with a number that only fits after wrapping to 1", QStringLiteral("F4294967297"));
    reject("F with a number beyond 32 bits", QStringLiteral("F99999999999999999999"));
    reject("e acute is not in A to Z", QStringLiteral("é"));
    reject("sharp s has no one-letter upper case in A to Z", QStringLiteral("ß"));
    reject("full-width A is not A", QStringLiteral("Ａ"));
    reject("a Chinese character", QStringLiteral("中"));
    reject("punctuation is not nameable", QStringLiteral(";"));
    reject("delete is not nameable", QStringLiteral("delete"));
    reject("home is not nameable", QStringLiteral("Home"));
    reject("page up is not nameable", QStringLiteral("PageUp"));
    reject("a modifier is not a main key", QStringLiteral("Ctrl"));
    reject("two letters", QStringLiteral("ab"));
    reject("a name with a blank inside", QStringLiteral("En ter"));
    reject("a name with a suffix", QStringLiteral("enter2"));
}

void TestKeyNames::keyName() {
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QFETCH(int, code);

    const quint16 untouched = 0xBEEF;
    quint16 result = untouched;
    QCOMPARE(keyNameToVirtualKey(name, result), accepted);
    QCOMPARE(int(result), accepted ? code : int(untouched));
}

void TestKeyNames::chord_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QList<quint16>>("modifiers");
    QTest::addColumn<int>("mainKey");

    auto accept = [](const char *row, const QString &text, QList<quint16> modifiers, int mainKey) {
        QTest::newRow(row) << text << true << modifiers << mainKey;
    };
    auto reject = [](const char *row, const QString &text) {
        QTest::newRow(row) << text << false << QList<quint16>() << 0;
    };

    accept("Ctrl+Shift+A holds left Ctrl and left Shift", QStringLiteral("Ctrl+Shift+A"), {0xA2, 0xA0}, 0x41);
    accept("written order of modifiers does not matter", QStringLiteral("Shift+Ctrl+A"), {0xA2, 0xA0}, 0x41);
    accept("the main key may come first", QStringLiteral("a+shift+ctrl"), {0xA2, 0xA0}, 0x41);
    accept("all four modifiers come in the order Ctrl Alt Shift Win",
           QStringLiteral("Meta+Shift+Alt+Control+F24"), {0xA2, 0xA4, 0xA0, 0x5B}, 0x87);
    accept("Win+R", QStringLiteral("Win+R"), {0x5B}, 0x52);
    accept("windows is an alias of win", QStringLiteral("windows+e"), {0x5B}, 0x45);
    accept("a lone modifier has no main key", QStringLiteral("Ctrl"), {0xA2}, 0);
    accept("control is an alias of ctrl", QStringLiteral("CONTROL"), {0xA2}, 0);
    accept("modifiers only", QStringLiteral("Ctrl+Alt"), {0xA2, 0xA4}, 0);
    accept("a main key alone", QStringLiteral("Enter"), {}, 0x0D);
    accept("blanks around pieces are trimmed", QStringLiteral(" Ctrl +\tA "), {0xA2}, 0x41);

    reject("two main keys", QStringLiteral("Ctrl+A+B"));
    reject("two named keys", QStringLiteral("Enter+Tab"));
    reject("the same modifier twice", QStringLiteral("Ctrl+Ctrl+A"));
    reject("the same modifier under two names", QStringLiteral("Ctrl+Control+A"));
    reject("win and meta are the same modifier", QStringLiteral("Win+Meta"));
    reject("a trailing plus leaves an empty piece", QStringLiteral("Ctrl+"));
    reject("a leading plus leaves an empty piece", QStringLiteral("+A"));
    reject("a doubled plus leaves an empty piece", QStringLiteral("Ctrl++A"));
    reject("a blank piece is empty once trimmed", QStringLiteral("Ctrl+ +A"));
    reject("a main key with a trailing plus", QStringLiteral("A+"));
    reject("an unnameable main key", QStringLiteral("Ctrl+Delete"));
    reject("empty text", QString());
    reject("a plus alone", QStringLiteral("+"));
}

void TestKeyNames::chord() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(QList<quint16>, modifiers);
    QFETCH(int, mainKey);

    if (accepted) {
        OutputAction action;
        QVERIFY(parseKeyChord(text, action));
        QCOMPARE(action, keyAction(modifiers, quint16(mainKey)));
    } else {
        OutputAction action = untouchedSentinel();
        QVERIFY(!parseKeyChord(text, action));
        QCOMPARE(action, untouchedSentinel());
    }
}

void TestKeyNames::chordAppendsToExistingModifiers() {
    OutputAction action;
    action.modifiers = {0x10};
    action.mainKey = 0x41;
    QVERIFY(parseKeyChord(QStringLiteral("Alt"), action));
    QCOMPARE(action.kind, OutputAction::KeyPress);
    QCOMPARE(action.modifiers, (QList<quint16>{0x10, 0xA4}));
    QCOMPARE(action.mainKey, quint16(0));
}

QTEST_APPLESS_MAIN(TestKeyNames)
#include "tst_keynames.moc"
