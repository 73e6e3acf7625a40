#include "output/PauseLength.h"

#include <QTest>

class TestPauseLength : public QObject {
    Q_OBJECT

private slots:
    void pauseLength_data();
    void pauseLength();
};

void TestPauseLength::pauseLength_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<qint32>("ms");

    auto accept = [](const char *row, const QString &text, qint32 ms) {
        QTest::newRow(row) << text << true << ms;
    };
    auto reject = [](const char *row, const QString &text) { QTest::newRow(row) << text << false << 0; };

    accept("2s is two seconds", QStringLiteral("2s"), 2000);
    accept("the s unit in upper case", QStringLiteral("2S"), 2000);
    accept("no unit means seconds", QStringLiteral("2"), 2000);
    accept("100ms", QStringLiteral("100ms"), 100);
    accept("the ms unit in upper case", QStringLiteral("100MS"), 100);
    accept("the ms unit in mixed case", QStringLiteral("100mS"), 100);
    accept("zero milliseconds", QStringLiteral("0ms"), 0);
    accept("fractional seconds", QStringLiteral("1.5"), 1500);
    accept("0.1005s rounds half up to 101", QStringLiteral("0.1005s"), 101);
    accept("0.0004 rounds down to 0", QStringLiteral("0.0004"), 0);
    accept("0.0005 rounds half up to 1", QStringLiteral("0.0005"), 1);
    accept("0.0015 rounds half up to 2", QStringLiteral("0.0015s"), 2);
    accept("a leading decimal point", QStringLiteral(".5s"), 500);
    accept("an exponent: 1e1 is ten seconds", QStringLiteral("1e1"), 10000);
    accept("an upper-case exponent with a unit", QStringLiteral("1E1s"), 10000);
    accept("a negative exponent", QStringLiteral("1e-3s"), 1);
    accept("surrounding blanks are trimmed", QStringLiteral(" \t2s\u00A0"), 2000);
    accept("the largest number of seconds", QStringLiteral("2147483.647"), 2147483647);
    accept("the largest number of milliseconds", QStringLiteral("2147483647ms"), 2147483647);
    accept("leading zeros in milliseconds", QStringLiteral("007ms"), 7);

    reject("one millisecond past the largest seconds", QStringLiteral("2147483.648"));
    reject("a fraction of a millisecond past the largest seconds", QStringLiteral("2147483.6471"));
    reject("one past the largest milliseconds", QStringLiteral("2147483648ms"));
    reject("milliseconds that only fit after wrapping", QStringLiteral("4294967396ms"));
    reject("fractional milliseconds", QStringLiteral("100.5ms"));
    reject("negative seconds", QStringLiteral("-1"));
    reject("negative milliseconds", QStringLiteral("-1ms"));
    reject("a negative fraction of a second", QStringLiteral("-0.001s"));
    reject("the s unit alone", QStringLiteral("s"));
    reject("the ms unit alone", QStringLiteral("ms"));
    reject("empty text", QString());
    reject("blanks only", QStringLiteral("  "));
    reject("letters", QStringLiteral("abc"));
    reject("two units", QStringLiteral("2sms"));
    reject("not a number in mixed case with a unit", QStringLiteral("NaNs"));
    reject("infinity", QStringLiteral("inf"));
    reject("an exponent too large for a double", QStringLiteral("1e400"));
    reject("a decimal comma", QStringLiteral("1,5"));
    reject("hexadecimal", QStringLiteral("0x10"));
    reject("an exponent without digits", QStringLiteral("1e"));
    reject("minutes are not a unit", QStringLiteral("5m"));
}

void TestPauseLength::pauseLength() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(qint32, ms);

    const qint32 untouched = -12345;
    qint32 result = untouched;
    QCOMPARE(parsePauseLength(text, result), accepted);
    QCOMPARE(result, accepted ? ms : untouched);
}

QTEST_APPLESS_MAIN(TestPauseLength)
#include "tst_pauselength.moc"
