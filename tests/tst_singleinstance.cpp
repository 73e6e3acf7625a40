#include "platform/InstanceChannel.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// Real processes of a probe running only the single-instance guard, in a runtime folder of their own.
class SingleInstanceTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_runtime;

    std::unique_ptr<QProcess> startProbe(const QStringList &arguments = {}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(qEnvironmentVariable("VERBOLIN_PROBE"), arguments);
        return p;
    }
    static bool waitForLine(QProcess &p, const QByteArray &prefix, QByteArray *line = nullptr) {
        for (QDeadlineTimer deadline(5000); !deadline.hasExpired(); p.waitForReadyRead(50))
            while (p.canReadLine()) {
                const QByteArray got = p.readLine();
                if (got.startsWith(prefix))
                    return line ? (*line = got.endsWith('\n') ? got.chopped(1) : got, true) : true;
            }
        return false;
    }
private slots:
    // Later launches hand over to the running instance, whose socket only its user may
    // open; killed (no chance to clean up), it does not block the next start.
    void laterLaunchesHandOverAndAKilledInstanceBlocksNothing() {
        for (int round = 0; round < 2; ++round) {
            const std::unique_ptr<QProcess> first = startProbe();
            QVERIFY2(waitForLine(*first, "first"),
                     round ? "the killed instance blocked the start" : "no start");
            for (int launch = 0; launch < 2; ++launch) { // each exits with 0 and tells the first
                const std::unique_ptr<QProcess> later = startProbe();
                QVERIFY(later->waitForFinished(5000));
                QCOMPARE(later->exitStatus(), QProcess::NormalExit);
                QCOMPARE(later->exitCode(), 0);
                QVERIFY(!later->readAllStandardOutput().contains("first"));
                QVERIFY2(waitForLine(*first, "instanceStarted"), "the running instance was not told");
            }
            if (QSysInfo::kernelType() != QLatin1String("winnt")) { // a named pipe there, no file
                const QFileInfo socket(QDir(m_runtime.path()).filePath(QStringLiteral("verbolin.socket")));
                QVERIFY(socket.exists());
                QCOMPARE(socket.permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                         QFile::Permissions());
            }
            first->kill(); // SIGKILL, or TerminateProcess
            QVERIFY(first->waitForFinished(5000));
        }
    }

    // A request line carries a later launch's arguments exactly; what is not one carries none.
    void requestLinesCarryArgumentsExactly_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("none is the plain show request") << QStringList();
        QTest::newRow("a hotkey and its combination") << QStringList{u"--hotkey"_s, u"Ctrl+Shift+V"_s};
        QTest::newRow("blanks, Chinese, percent signs and line feeds")
            << QStringList{u"a b\n%20"_s, u"甲 乙"_s};
        QTest::newRow("empty arguments stay") << QStringList{QString(), u"x"_s, QString()};
    }
    void requestLinesCarryArgumentsExactly() {
        QFETCH(QStringList, arguments);
        const QByteArray request = instancechannel::requestFor(arguments);
        QCOMPARE(request.count('\n'), 1);
        QVERIFY(request.endsWith('\n'));
        if (arguments.isEmpty())
            QCOMPARE(request, instancechannel::showRequest);
        QStringList got{u"left over"_s};
        QVERIFY(instancechannel::argumentsOf(request, &got));
        QCOMPARE(got, arguments);
    }
    void whatIsNoRequestLineIsRefused_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("another program's line") << QByteArray("hello\n");
        QTest::newRow("no line feed") << QByteArray("verbolin:show");
        QTest::newRow("glued to the request") << QByteArray("verbolin:showing\n");
        QTest::newRow("two lines") << QByteArray("verbolin:show a\nverbolin:show b\n");
        QTest::newRow("longer than any request")
            << QByteArray("verbolin:show ") + QByteArray(instancechannel::maxRequestSize, 'a') + '\n';
    }
    void whatIsNoRequestLineIsRefused() {
        QFETCH(QByteArray, line);
        QStringList got;
        QVERIFY(!instancechannel::argumentsOf(line, &got));
    }

    // Real launches: the running instance gets each later launch's arguments as given.
    void laterLaunchesHandTheirArgumentsOver() {
        const std::unique_ptr<QProcess> first = startProbe({u"--hotkey"_s, u"Ctrl+Alt+Q"_s});
        QVERIFY2(waitForLine(*first, "first"), "no start");
        const QList<QStringList> launches{
            {u"--hotkey"_s, u"Ctrl+Shift+V"_s}, {}, {u"--hotkey=甲 乙"_s, QString()}};
        for (const QStringList &arguments : launches) {
            const std::unique_ptr<QProcess> later = startProbe(arguments);
            QVERIFY(later->waitForFinished(5000));
            QCOMPARE(later->exitCode(), 0);
            QByteArray line;
            QVERIFY2(waitForLine(*first, "instanceStarted", &line), "the running instance was not told");
            QByteArray expected("instanceStarted");
            for (const QString &argument : arguments)
                expected += ' ' + argument.toUtf8().toPercentEncoding();
            QCOMPARE(line, expected);
        }
        first->kill();
        QVERIFY(first->waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
