// The real program on a real X server with a window manager and a tray.
#include "e2e/E2eSupport.h"

#include <QFile>
#include <QTest>

namespace {

const QString pickTitle = QStringLiteral("Verbolin");

bool pickShown() {
    return !e2e::visibleWindows(pickTitle).isEmpty();
}

} // namespace

class E2eSmokeTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartCreatesFilesShowsWindowAndTrayIcon() {
        e2e::ProgramRun program;
        QVERIFY2(program.start(), "the program did not start or embedded no tray icon");
        QVERIFY2(e2e::waitUntil(&pickShown), "the pick window was not mapped");

        const QJsonObject config = program.config();
        QCOMPARE(config.size(), 23);
        // Xvfb's screen is 1920 x 1080.
        QCOMPARE(config.value(QStringLiteral("chuangkou_x")).toInt(), 710);
        QCOMPARE(config.value(QStringLiteral("chuangkou_y")).toInt(), 290);
        QCOMPARE(config.value(QStringLiteral("shezhichuangkou_x")).toInt(), 1211);
        const QJsonArray phrases = e2e::readJson(program.filePath(QStringLiteral("data.json"))).array();
        QCOMPARE(phrases.size(), 4);
        QCOMPARE(phrases.at(0).toObject().value(QStringLiteral("tab")).toString(), QStringLiteral("短语1"));
        const QJsonArray groups = e2e::readJson(program.filePath(QStringLiteral("tab.json"))).array();
        QCOMPARE(groups.size(), 3);
        QCOMPARE(groups.at(2).toObject().value(QStringLiteral("tab")).toString(),
                 QStringLiteral("此处可右键点击"));

        // Closing the pick window hides it; the process stays.
        QVERIFY(e2e::closeWindow(e2e::visibleWindows(pickTitle).value(0)));
        QVERIFY(e2e::waitUntil([] { return !pickShown(); }));
        QTest::qWait(300);
        QVERIFY(program.isRunning());

        // A second launch exits with 0 and brings the first instance's window back.
        QCOMPARE(program.launchAgain(), 0);
        QVERIFY2(e2e::waitUntil(&pickShown), "the second launch did not bring the window back");
    }

    void autostartShowsNoWindowButTheTrayIcon() {
        e2e::ProgramRun program;
        QVERIFY2(program.start({QStringLiteral("--autostart")}), "no tray icon was embedded");
        QVERIFY(e2e::waitUntil([&] { return QFile::exists(program.filePath(QStringLiteral("tab.json"))); }));
        QTest::qWait(500);
        QVERIFY(!pickShown());
    }
};

QTEST_GUILESS_MAIN(E2eSmokeTest)
#include "tst_e2e_smoke.moc"
