// Phrase output on a real X server into a separate program: this test is the program
// that owns the clipboard and sends the keys; the target records what arrives.

#include "app/ConfigStore.h"
#include "e2e/E2eSupport.h"
#include "e2e/InputTargetClient.h"
#include "output/OutputRunner.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

QStringList keysOf(const QList<QJsonObject> &events) {
    QStringList keys;
    for (const QJsonObject &event : events) {
        if (event.value(QStringLiteral("event")).toString() == QLatin1String("key"))
            keys << event.value(QStringLiteral("key")).toString();
    }
    return keys;
}

// Key and paste events in order, as "key:Return" or "paste:text"; the Ctrl key itself is left out.
QStringList stepsOf(const QList<QJsonObject> &events) {
    QStringList steps;
    for (const QJsonObject &event : events) {
        const QString kind = event.value(QStringLiteral("event")).toString();
        if (kind == QLatin1String("paste"))
            steps << QStringLiteral("paste:") + event.value(QStringLiteral("text")).toString();
        else if (kind == QLatin1String("key") &&
                 !event.value(QStringLiteral("key")).toString().startsWith(QLatin1String("Ctrl+Control")))
            steps << QStringLiteral("key:") + event.value(QStringLiteral("key")).toString();
    }
    return steps;
}

// xclip asks this process for what it owns, so the event loop runs while it reads.
QByteArray readClipboard(const QString &target) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                          QStringLiteral("clipboard"), QStringLiteral("-t"), target});
    QDeadlineTimer deadline(10000);
    while (xclip.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(20);
    return xclip.readAllStandardOutput();
}

} // namespace

class E2ePhraseOutputTest : public QObject {
    Q_OBJECT

    InputTargetClient *target = nullptr;

    void runToEnd(const QString &phrase) {
        startPhraseOutput(phrase);
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 20000);
    }

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        configObject().insert(QStringLiteral("delay"), 200);
    }

    void init() {
        target = new InputTargetClient;
        QVERIFY2(target->start(), "the target program did not get the focus");
    }

    void cleanup() {
        QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 20000);
        delete target;
        target = nullptr;
    }

    void textKeysAndPausesArriveInOrder() {
        runToEnd(QStringLiteral("第一条<Enter>第二条<press Ctrl+A><sleep 0.3s>替换"));
        QTRY_COMPARE_WITH_TIMEOUT(target->text(), QStringLiteral("替换"), 5000);

        const QList<QJsonObject> events = target->events();
        const QString paste = QStringLiteral("key:Ctrl+V");
        QCOMPARE(stepsOf(events),
                 QStringList({paste, QStringLiteral("paste:第一条"), QStringLiteral("key:Return"), paste,
                              QStringLiteral("paste:第二条"), QStringLiteral("key:Ctrl+A"), paste,
                              QStringLiteral("paste:替换")}));
        QStringList texts;
        for (const QJsonObject &event : target->events(QStringLiteral("text")))
            texts << event.value(QStringLiteral("text")).toString();
        QVERIFY2(texts.contains(QStringLiteral("第一条\n第二条")),
                 qPrintable(texts.join(QLatin1String(" | "))));
    }

    void chineseTextWithEmojiArrivesUnchanged() {
        const QString phrase = QStringLiteral("你好，世界！😀👍🏽 “引号” ok\t末尾");
        runToEnd(phrase);
        QTRY_COMPARE_WITH_TIMEOUT(target->text(), phrase, 5000);
        QCOMPARE(target->events(QStringLiteral("paste")).size(), 1);
    }

    void fileTagDeliversTheFileUrl() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("测试 文件.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("content");
        file.close();

        runToEnd(QStringLiteral("<file %1>").arg(path));
        QTRY_COMPARE_WITH_TIMEOUT(target->events(QStringLiteral("paste")).size(), 1, 5000);
        const QJsonObject paste = target->events(QStringLiteral("paste")).first();
        const QString url = QUrl::fromLocalFile(path).toString();
        QCOMPARE(paste.value(QStringLiteral("urls")).toArray(), QJsonArray{url});
        QVERIFY(paste.value(QStringLiteral("formats")).toArray().contains(QStringLiteral("text/uri-list")));
        QCOMPARE(paste.value(QStringLiteral("gnome")).toString(),
                 QStringLiteral("copy\n") + QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()));
        QTRY_COMPARE_WITH_TIMEOUT(target->text(), url, 5000);
    }

    void functionKeysBeyondTheKeyboardMapArrive() {
        // The default map of many X servers has no F13 to F24; they get a spare keycode.
        runToEnd(QStringLiteral("<press F5><press F13><press Shift+F24><press Right>"));
        QTRY_VERIFY_WITH_TIMEOUT(keysOf(target->events()).contains(QStringLiteral("Shift+F24")), 5000);
        const QStringList keys = keysOf(target->events());
        for (const char *key : {"F5", "F13", "Right"})
            QVERIFY2(keys.contains(QLatin1String(key)), qPrintable(keys.join(QLatin1Char(' '))));
    }

    void shiftHeldByTheUserDoesNotTurnThePasteIntoCtrlShiftV() {
        QVERIFY(e2e::xdotool({QStringLiteral("keydown"), QStringLiteral("Shift_L")}));
        // The target sees the Shift key go down: it is held when the output starts.
        QTRY_VERIFY_WITH_TIMEOUT(keysOf(target->events()).contains(QStringLiteral("Shift+Shift")), 5000);

        runToEnd(QStringLiteral("粘贴"));
        QTRY_COMPARE_WITH_TIMEOUT(target->text(), QStringLiteral("粘贴"), 5000);
        const QStringList keys = keysOf(target->events());
        QVERIFY2(keys.contains(QStringLiteral("Ctrl+V")), qPrintable(keys.join(QLatin1Char(' '))));
        QVERIFY2(!keys.contains(QStringLiteral("Ctrl+Shift+V")), qPrintable(keys.join(QLatin1Char(' '))));
        e2e::xdotool({QStringLiteral("keyup"), QStringLiteral("Shift_L")});
    }

    void clipboardIsMarkedPrivateAndComesBackWhenAsked_data() {
        QTest::addColumn<bool>("restore");
        QTest::newRow("restore on") << true;
        QTest::newRow("restore off") << false;
    }
    void clipboardIsMarkedPrivateAndComesBackWhenAsked() {
        QFETCH(bool, restore);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("附件.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QByteArray userText = "用户复制的 text";
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard")});
        xclip.write(userText);
        xclip.closeWriteChannel();
        QVERIFY(xclip.waitForFinished());
        // xclip may hand the selection to its background child after it returns. Reading it also brings this
        // process's X time past the copy, as the key press or click that starts a real output does: X ignores
        // an owner change dated earlier.
        QTRY_COMPARE_WITH_TIMEOUT(readClipboard(QStringLiteral("UTF8_STRING")), userText, 5000);
        configObject().insert(QStringLiteral("restore_clipboard"), restore);

        runToEnd(QStringLiteral("短语<file %1>").arg(path));
        // Clipboard managers see the hint on what Verbolin offers.
        const QByteArray targets = readClipboard(QStringLiteral("TARGETS"));
        configObject().remove(QStringLiteral("restore_clipboard"));
        QVERIFY2(targets.contains("x-kde-passwordManagerHint"), targets.constData());
        QVERIFY(readClipboard(QStringLiteral("x-kde-passwordManagerHint")) == "secret");
        const QString url = QUrl::fromLocalFile(path).toString();
        QTRY_COMPARE_WITH_TIMEOUT(target->text(), QStringLiteral("短语") + url, 5000);

        QTest::qWait(1500);
        if (restore)
            QTRY_COMPARE_WITH_TIMEOUT(readClipboard(QStringLiteral("UTF8_STRING")), userText, 5000);
        else
            QVERIFY(readClipboard(QStringLiteral("text/uri-list"))
                        .startsWith(QUrl::fromLocalFile(path).toEncoded()));
    }

    void terminalGetsThePhraseAsTyped() {
        // xterm pastes the primary selection on Shift+Insert; Ctrl+V would type ^V.
        QTemporaryDir dir;
        const QString typed = dir.filePath(QStringLiteral("typed.txt"));
        QProcess xterm;
        xterm.start(QStringLiteral("xterm"), {QStringLiteral("-e"), QStringLiteral("sh"),
                                              QStringLiteral("-c"), QStringLiteral("cat > \"$0\""), typed});
        QVERIFY2(xterm.waitForStarted(), "xterm is not installed");
        const auto xdotoolSays = [](const QStringList &arguments) {
            return e2e::run(QStringLiteral("xdotool"), arguments).trimmed();
        };
        QByteArray window;
        QVERIFY(e2e::waitUntil([&] {
            window = xdotoolSays({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                  QStringLiteral("--class"), QStringLiteral("XTerm")});
            return !window.isEmpty() && QFile::exists(typed);
        }));
        QVERIFY(e2e::waitUntil([&] { return xdotoolSays({QStringLiteral("getwindowfocus")}) == window; }));

        const QString text = QStringLiteral("echo 'a  b' | wc -c");
        runToEnd(text + QStringLiteral("<Enter>"));
        QFile file(typed);
        QVERIFY(e2e::waitUntil([&] { return file.size() >= text.size() + 1; }, 5000));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), text + QLatin1Char('\n'));
        e2e::stopProcess(xterm);
    }
};

QTEST_MAIN(E2ePhraseOutputTest)
#include "tst_e2e_phrase_output.moc"
