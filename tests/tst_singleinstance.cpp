#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Real processes of a probe running only the single-instance guard, in a runtime folder of their own.
class SingleInstanceTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_runtime;

    std::unique_ptr<QProcess> startProbe() {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(qEnvironmentVariable("VERBOLIN_PROBE"), {});
        return p;
    }
    static bool waitForLine(QProcess &p, const QByteArray &prefix) {
        for (QDeadlineTimer deadline(5000); !deadline.hasExpired(); p.waitForReadyRead(50))
            while (p.canReadLine())
                if (p.readLine().startsWith(prefix))
                    return true;
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
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
