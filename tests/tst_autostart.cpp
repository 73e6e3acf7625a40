#include "platform/Autostart.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray execLine(const QByteArray &entry) {
    for (const QByteArray &line : entry.split('\n'))
        if (line.startsWith("Exec="))
            return line.mid(5);
    return {};
}

QByteArray fileContents(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class AutostartTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;

private slots:
    void initTestCase() {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }
    void init() { QFile::remove(autostartEntryLocation()); }

    void runValueQuotesThePathAndAddsTheSwitch() {
        QCOMPARE(runValueCommand(QStringLiteral("C:\\Program Files\\Verbolin\\verbolin.exe")),
                 QStringLiteral("\"C:\\Program Files\\Verbolin\\verbolin.exe\" --autostart"));
    }

    void execLineQuotesThePath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("exec");
        QTest::newRow("a plain path is only quoted") << QStringLiteral("/opt/verbolin/verbolin")
                                                     << QByteArray("\"/opt/verbolin/verbolin\" --autostart");
        QTest::newRow("blanks and Chinese stay as they are")
            << QStringLiteral("/home/u/我的 程序/verbolin")
            << QStringLiteral("\"/home/u/我的 程序/verbolin\" --autostart").toUtf8();
        QTest::newRow("a double quote is escaped once, then the escape itself as a string")
            << QStringLiteral("/a\"b/v") << QByteArray("\"/a\\\\\"b/v\" --autostart");
        QTest::newRow("a dollar and a backtick are escaped")
            << QStringLiteral("/a$b`c/v") << QByteArray("\"/a\\\\$b\\\\`c/v\" --autostart");
        QTest::newRow("a backslash becomes four")
            << QStringLiteral("/a\\b/v") << QByteArray("\"/a\\\\\\\\b/v\" --autostart");
        QTest::newRow("a percent sign is doubled, not a field code")
            << QStringLiteral("/100%/v") << QByteArray("\"/100%%/v\" --autostart");
        QTest::newRow("a line break cannot end the Exec line")
            << QStringLiteral("/a\nb/v") << QByteArray("\"/a\\nb/v\" --autostart");
    }
    void execLineQuotesThePath() {
        QFETCH(QString, path);
        QFETCH(QByteArray, exec);
        const QByteArray entry = autostartDesktopEntry(path);
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nType=Application\n"));
        QCOMPARE(execLine(entry), exec);
    }

    void entryLivesInTheConfigurationFolder() {
        QCOMPARE(autostartEntryLocation(), m_config.filePath(QStringLiteral("autostart/verbolin.desktop")));
    }

    void turningOnWritesTheRunningExecutableAndOffRemovesIt() {
        setAutostartEntry(true);
        QCOMPARE(fileContents(autostartEntryLocation()),
                 autostartDesktopEntry(QCoreApplication::applicationFilePath()));
        setAutostartEntry(false);
        QVERIFY(!QFile::exists(autostartEntryLocation()));
        setAutostartEntry(false); // nothing there: still harmless
        QVERIFY(!QFile::exists(autostartEntryLocation()));
    }

    void syncWritesOnlyWhenTheEntryDiffers() {
        QVERIFY(syncAutostartEntry());  // missing
        QVERIFY(!syncAutostartEntry()); // up to date
        {
            QFile f(autostartEntryLocation());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(autostartDesktopEntry(QStringLiteral("/old/place/verbolin")));
        }
        QVERIFY(syncAutostartEntry()); // the program was moved
        QCOMPARE(fileContents(autostartEntryLocation()),
                 autostartDesktopEntry(QCoreApplication::applicationFilePath()));
    }
};

QTEST_GUILESS_MAIN(AutostartTest)
#include "tst_autostart.moc"
