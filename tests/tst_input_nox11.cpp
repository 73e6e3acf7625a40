// The real X11 backend outside an X11 session (here: offscreen) does nothing, and says
// so once on standard error.

#include "output/OutputAction.h"
#include "platform/InputOperations.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <unistd.h>

class TestInputNoX11 : public QObject {
    Q_OBJECT

private slots:
    void everyOperationIsANoOpWithOneNote() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a.txt"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));

        // Catch standard error in a file while the operations run.
        const QString errPath = dir.filePath(QStringLiteral("stderr.txt"));
        std::fflush(stderr);
        const int savedErr = dup(STDERR_FILENO);
        FILE *capture = std::fopen(QFile::encodeName(errPath).constData(), "w");
        QVERIFY(capture);
        dup2(fileno(capture), STDERR_FILENO);

        OutputAction chord;
        chord.kind = OutputAction::KeyPress;
        chord.modifiers = {0xA2};
        chord.mainKey = 0x41;
        bool anyHeld = false;
        for (int round = 0; round < 2; ++round) {
            setClipboardText(QStringLiteral("after"));
            const bool filePut = putFileOnClipboard(file);
            sendPasteShortcut();
            pressKeyChord(chord);
            sendVirtualKey(0x0D, false);
            for (const bool held : releaseHeldModifiers())
                anyHeld = anyHeld || held;
            QVERIFY(!filePut);
        }

        std::fflush(stderr);
        dup2(savedErr, STDERR_FILENO);
        close(savedErr);
        std::fclose(capture);

        QVERIFY(!anyHeld);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        QFile err(errPath);
        QVERIFY(err.open(QIODevice::ReadOnly));
        const QString said = QString::fromUtf8(err.readAll());
        QCOMPARE(said.count(QStringLiteral("X11")), 1);
        QCOMPARE(said.count(QLatin1Char('\n')), 1);
    }
};

QTEST_MAIN(TestInputNoX11)
#include "tst_input_nox11.moc"
