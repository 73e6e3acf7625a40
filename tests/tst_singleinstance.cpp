#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

// Real processes of a probe that runs only the single-instance guard, each test with a
// private runtime folder so that runs do not meet each other.
class SingleInstanceTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_runtime;

    void startProbe(QProcess &p) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(qEnvironmentVariable("VERBOLIN_PROBE"), {});
        QVERIFY(p.waitForStarted());
    }

    static bool waitForLine(QProcess &p, const QByteArray &prefix, int ms = 5000) {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            while (p.canReadLine())
                if (p.readLine().startsWith(prefix))
                    return true;
            p.waitForReadyRead(50);
        }
        return false;
    }

private slots:
    void init() { QVERIFY(m_runtime.isValid()); }

    void secondLaunchHandsOverAndExitsWithZero() {
        QProcess first;
        startProbe(first);
        QVERIFY(waitForLine(first, "first"));
        for (int launch = 0; launch < 2; ++launch) {
            QProcess second;
            startProbe(second);
            QVERIFY(second.waitForFinished(5000));
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QCOMPARE(second.exitCode(), 0);
            QVERIFY(!second.readAllStandardOutput().contains("first"));
            QVERIFY2(waitForLine(first, "instanceStarted"), "the running instance was not told");
        }
        first.kill();
        first.waitForFinished();
    }

    void aKilledFirstInstanceDoesNotBlockTheNextStart() {
        QProcess first;
        startProbe(first);
        QVERIFY(waitForLine(first, "first"));
        first.kill(); // SIGKILL, or TerminateProcess: no chance to clean up
        QVERIFY(first.waitForFinished(5000));

        QProcess next;
        startProbe(next);
        QVERIFY2(waitForLine(next, "first"), "the lock of the killed instance blocked the start");
        QProcess third;
        startProbe(third);
        QVERIFY(third.waitForFinished(5000));
        QCOMPARE(third.exitCode(), 0);
        QVERIFY(waitForLine(next, "instanceStarted"));
        next.kill();
        next.waitForFinished();
    }

    void handOverSocketIsPrivateToTheUser() {
        if (QSysInfo::kernelType() == QLatin1String("winnt"))
            QSKIP("a named pipe on Windows, no file");
        QProcess first;
        startProbe(first);
        QVERIFY(waitForLine(first, "first"));
        const QFileInfo socket(QDir(m_runtime.path()).filePath(QStringLiteral("verbolin.socket")));
        QVERIFY(socket.exists());
        const QFile::Permissions others = QFile::ReadOther | QFile::WriteOther | QFile::ExeOther |
                                          QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup;
        QCOMPARE(socket.permissions() & others, QFile::Permissions());
        first.kill();
        first.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
