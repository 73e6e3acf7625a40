#include "e2e/E2eSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The real program on a real X server with a window manager and a tray.
class SmokeTest : public QObject {
    Q_OBJECT

    static QJsonDocument readJson(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()) : QJsonDocument();
    }

    static void stop(QProcess &p) {
        p.terminate();
        if (!p.waitForFinished(3000)) {
            p.kill();
            p.waitForFinished();
        }
    }

private slots:
    void firstStartCreatesFilesShowsWindowAndTrayIcon() {
        QTemporaryDir dir;
        const QString exe = e2e::installProgramCopy(dir.path());
        QVERIFY(!exe.isEmpty());
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(exe, {});
        QVERIFY(program.waitForStarted());

        QVERIFY2(e2e::waitUntil([] { return !e2e::visibleWindows(QStringLiteral("Verbolin")).isEmpty(); }),
                 "the pick window was not mapped");
        QVERIFY2(e2e::waitUntil([] { return e2e::trayHoldsIcon(QStringLiteral("Verbolin")); }),
                 "no tray icon was embedded");

        const QJsonObject config = readJson(dir.filePath(QStringLiteral("config.json"))).object();
        QCOMPARE(config.size(), 23);
        // Xvfb's screen is 1920 x 1080.
        QCOMPARE(config.value(QStringLiteral("chuangkou_x")).toInt(), 710);
        QCOMPARE(config.value(QStringLiteral("chuangkou_y")).toInt(), 290);
        QCOMPARE(config.value(QStringLiteral("shezhichuangkou_x")).toInt(), 1211);
        const QJsonArray phrases = readJson(dir.filePath(QStringLiteral("data.json"))).array();
        QCOMPARE(phrases.size(), 4);
        QCOMPARE(phrases.at(0).toObject().value(QStringLiteral("tab")).toString(), QStringLiteral("短语1"));
        const QJsonArray groups = readJson(dir.filePath(QStringLiteral("tab.json"))).array();
        QCOMPARE(groups.size(), 3);
        QCOMPARE(groups.at(2).toObject().value(QStringLiteral("tab")).toString(),
                 QStringLiteral("此处可右键点击"));

        // Closing the pick window hides it; the process stays.
        e2e::run(QStringLiteral("wmctrl"), {QStringLiteral("-c"), QStringLiteral("Verbolin")});
        QVERIFY(e2e::waitUntil([] { return e2e::visibleWindows(QStringLiteral("Verbolin")).isEmpty(); }));
        QTest::qWait(300);
        QCOMPARE(program.state(), QProcess::Running);

        // A second launch exits with 0 and brings the first instance's window back.
        int exitCode = -1;
        e2e::run(exe, {}, &exitCode);
        QCOMPARE(exitCode, 0);
        QVERIFY2(e2e::waitUntil([] { return !e2e::visibleWindows(QStringLiteral("Verbolin")).isEmpty(); }),
                 "the second launch did not bring the window back");
        stop(program);
    }

    void autostartShowsNoWindowButTheTrayIcon() {
        QTemporaryDir dir;
        QTemporaryDir runtime; // a run of its own: the single-instance lock is per runtime folder
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString exe = e2e::installProgramCopy(dir.path());
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(exe, {QStringLiteral("--autostart")});
        QVERIFY(program.waitForStarted());
        QVERIFY(e2e::waitUntil([&] { return QFile::exists(dir.filePath(QStringLiteral("tab.json"))); }));
        QVERIFY2(e2e::waitUntil([] { return e2e::trayHoldsIcon(QStringLiteral("Verbolin")); }),
                 "no tray icon was embedded");
        QTest::qWait(500);
        QVERIFY(e2e::visibleWindows(QStringLiteral("Verbolin")).isEmpty());
        stop(program);
    }
};

QTEST_GUILESS_MAIN(SmokeTest)
#include "tst_e2e_smoke.moc"
