#include "platform/InstanceChannel.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

// Real processes of a probe running only the single-instance guard, in a runtime folder of their own.
class SingleInstanceTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_runtime;

    // The runtime folder given (none: XDG_RUNTIME_DIR unset), the temporary folder (TMPDIR)
    // and the probe's arguments.
    std::unique_ptr<QProcess> startProbe(const QString &runtime, const QString &temp = QString(),
                                         const QStringList &arguments = {}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (runtime.isEmpty()) {
            env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        } else {
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
            // On Windows the lock and the pipe live in the user's temporary folder: a private
            // one keeps other programs of this user (another test's Verbolin under the same
            // wine prefix) from handing launches over to the probes.
            env.insert(QStringLiteral("TEMP"), QDir::toNativeSeparators(runtime));
            env.insert(QStringLiteral("TMP"), QDir::toNativeSeparators(runtime));
        }
        if (!temp.isEmpty())
            env.insert(QStringLiteral("TMPDIR"), temp);
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
                if (got.startsWith(prefix)) {
                    // The line without its end, LF or (a Windows probe's) CR LF.
                    if (line)
                        *line = got.endsWith("\r\n") ? got.chopped(2)
                                : got.endsWith('\n') ? got.chopped(1)
                                                     : got;
                    return true;
                }
            }
        return false;
    }
private slots:
    // Later launches hand over to the running instance, whose socket only its user may
    // open; killed (no chance to clean up), it does not block the next start.
    void laterLaunchesHandOverAndAKilledInstanceBlocksNothing() {
        for (int round = 0; round < 2; ++round) {
            const std::unique_ptr<QProcess> first = startProbe(m_runtime.path());
            QVERIFY2(waitForLine(*first, "first"),
                     round ? "the killed instance blocked the start" : "no start");
            for (int launch = 0; launch < 2; ++launch) { // each exits with 0 and tells the first
                const std::unique_ptr<QProcess> later = startProbe(m_runtime.path());
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

#ifdef Q_OS_UNIX
    // Without a runtime folder of the user's, the lock and the socket live in a folder of the
    // user's own in the temporary folder, never in a place another user could have prepared:
    // whatever is planted there (a lock held by a live process) keeps nothing from starting.
    void withoutARuntimeFolderAPrivateFolderOfTheUserHoldsTheLock_data() {
        QTest::addColumn<QString>("planted"); // what is there before the start
        QTest::addColumn<bool>("runtimeSet"); // XDG_RUNTIME_DIR names the planted folder
        QTest::addColumn<QString>("used");    // the folder expected to hold the lock
        QTest::newRow("nothing prepared: verbolin-<uid> is made") << "" << false << "verbolin-%1";
        QTest::newRow(
            "a lock held in the shared temporary folder and Qt's runtime folder blocked stop nothing")
            << "shared lock" << false << "verbolin-%1";
        QTest::newRow("the user's folder open to others is passed over")
            << "open folder" << false << "verbolin-%1-1";
        QTest::newRow("a link in the folder's place is passed over") << "link" << false << "verbolin-%1-1";
        QTest::newRow("another user's folder is passed over") << "foreign folder" << false << "verbolin-%1-1";
        QTest::newRow("an XDG_RUNTIME_DIR open to others is not used")
            << "open folder" << true << "verbolin-%1";
        QTest::newRow("an XDG_RUNTIME_DIR of another user is not used")
            << "foreign folder" << true << "verbolin-%1";
    }
    void withoutARuntimeFolderAPrivateFolderOfTheUserHoldsTheLock() {
        QFETCH(QString, planted);
        QFETCH(bool, runtimeSet);
        QFETCH(QString, used);
        QTemporaryDir temp;
        const QDir tmp(temp.path());
        const QString own = tmp.filePath(QStringLiteral("verbolin-%1").arg(::geteuid()));
        // Where a lock is planted: a folder prepared by someone else in the place of ours.
        QString prepared = runtimeSet ? tmp.filePath(QStringLiteral("runtime")) : own;
        std::unique_ptr<QLockFile> plantedLock;
        if (planted == QLatin1String("shared lock")) {
            // Qt's own fallback refused (a file where its folder would go), the shared place taken.
            const passwd *user = ::getpwuid(::geteuid());
            QVERIFY(user != nullptr);
            QFile blocker(tmp.filePath(QStringLiteral("runtime-") + QString::fromLocal8Bit(user->pw_name)));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            prepared = tmp.path();
        } else if (planted == QLatin1String("open folder")) {
            QVERIFY(tmp.mkdir(QFileInfo(prepared).fileName()));
            QVERIFY(::chmod(QFile::encodeName(prepared).constData(), 0777) == 0);
        } else if (planted == QLatin1String("link")) {
            QVERIFY(tmp.mkdir(QStringLiteral("elsewhere")));
            QVERIFY(::chmod(QFile::encodeName(tmp.filePath(QStringLiteral("elsewhere"))).constData(), 0700) ==
                    0);
            QVERIFY(QFile::link(tmp.filePath(QStringLiteral("elsewhere")), prepared));
        } else if (planted == QLatin1String("foreign folder")) {
            if (::geteuid() != 0)
                QSKIP("making a folder of another user needs root");
            QVERIFY(tmp.mkdir(QFileInfo(prepared).fileName()));
            QVERIFY(::chmod(QFile::encodeName(prepared).constData(), 0700) == 0);
            QVERIFY(::chown(QFile::encodeName(prepared).constData(), 65534, 65534) == 0);
        }
        if (!planted.isEmpty()) {
            // Held by this live process: a launch trusting the place would wait for an answer, then give up.
            plantedLock =
                std::make_unique<QLockFile>(QDir(prepared).filePath(QStringLiteral("verbolin.lock")));
            QVERIFY(plantedLock->tryLock(0));
        }
        const QString runtime = runtimeSet ? prepared : QString();

        const std::unique_ptr<QProcess> first = startProbe(runtime, temp.path());
        QVERIFY2(waitForLine(*first, "first"), "the planted lock kept the program from starting");
        const QString folder = tmp.filePath(used.arg(::geteuid()));
        struct stat info {};
        QVERIFY2(::lstat(QFile::encodeName(folder).constData(), &info) == 0, qPrintable(folder));
        QVERIFY(S_ISDIR(info.st_mode));
        QCOMPARE(info.st_uid, ::geteuid());
        QCOMPARE(info.st_mode & 0777, mode_t(0700));
        QVERIFY(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("verbolin.socket"))));
        QVERIFY(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("verbolin.lock"))));
        if (!planted.isEmpty())
            QVERIFY(!QFileInfo::exists(QDir(prepared).filePath(QStringLiteral("verbolin.socket"))));

        // A later launch finds the same folder and hands over.
        const std::unique_ptr<QProcess> later = startProbe(runtime, temp.path());
        QVERIFY(later->waitForFinished(5000));
        QCOMPARE(later->exitCode(), 0);
        QVERIFY2(waitForLine(*first, "instanceStarted"),
                 "the later launch did not reach the running instance");
        first->kill();
        QVERIFY(first->waitForFinished(5000));
        if (planted == QLatin1String("foreign folder"))
            QVERIFY(::chown(QFile::encodeName(prepared).constData(), ::geteuid(), ::getegid()) == 0);
    }
#endif

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
        const std::unique_ptr<QProcess> first =
            startProbe(m_runtime.path(), {}, {u"--hotkey"_s, u"Ctrl+Alt+Q"_s});
        QVERIFY2(waitForLine(*first, "first"), "no start");
        const QList<QStringList> launches{
            {u"--hotkey"_s, u"Ctrl+Shift+V"_s}, {}, {u"--hotkey=甲 乙"_s, QString()}};
        for (const QStringList &arguments : launches) {
            const std::unique_ptr<QProcess> later = startProbe(m_runtime.path(), {}, arguments);
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
