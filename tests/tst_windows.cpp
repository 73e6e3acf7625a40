// What only the Windows build does, run for real (under wine here): the Run registry
// value, a hotkey registered through GlobalHotkey and pressed, and file paths with drive
// letters and backslashes from the phrase markup to the clipboard's file drop.

#include "output/PhraseMarkup.h"
#include "platform/Autostart.h"
#include "platform/GlobalHotkey.h"
#include "platform/InputOperations.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

const QString runKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");

QString runValue() {
    return QSettings(runKey, QSettings::NativeFormat).value(QStringLiteral("Verbolin")).toString();
}

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT

private slots:
    void theRunValueFollowsTheExecutable() {
        const QString expected =
            runValueCommand(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
        QVERIFY(expected.contains(QLatin1Char('\\')));
        setAutostartEntry(true);
        QCOMPARE(runValue(), expected);
        QVERIFY2(!syncAutostartEntry(), "an entry that already fits was written again");

        // The program was moved: the entry points elsewhere until it is synced.
        QSettings(runKey, QSettings::NativeFormat)
            .setValue(QStringLiteral("Verbolin"), QStringLiteral("\"C:\\old\\verbolin.exe\" --autostart"));
        QVERIFY(syncAutostartEntry());
        QCOMPARE(runValue(), expected);

        setAutostartEntry(false);
        QVERIFY(!QSettings(runKey, QSettings::NativeFormat).contains(QStringLiteral("Verbolin")));
    }

    void aRegisteredHotkeyFiresWhenItsKeysArePressed() {
        const QKeySequence combination(QStringLiteral("Ctrl+Alt+Shift+F9"));
        GlobalHotkey first(combination, true);
        GlobalHotkey second(combination, true);
        QVERIFY(first.isRegistered());
        QVERIFY2(second.isRegistered(), "a second owner of the combination was refused");
        QSignalSpy firstFired(&first, &GlobalHotkey::activated);
        QSignalSpy secondFired(&second, &GlobalHotkey::activated);

        OutputAction chord;
        chord.kind = OutputAction::KeyPress;
        chord.modifiers = {0xA2, 0xA4, 0xA0}; // left Ctrl, Alt, Shift
        chord.mainKey = 0x78;                 // F9
        pressKeyChord(chord);
        QTRY_COMPARE_WITH_TIMEOUT(firstFired.size(), 1, 5000);
        QTRY_COMPARE(secondFired.size(), 1);

        // The registration lasts while one owner holds it, and goes with the last.
        QVERIFY(first.setRegistered(false));
        pressKeyChord(chord);
        QTRY_COMPARE_WITH_TIMEOUT(secondFired.size(), 2, 5000);
        QCOMPARE(firstFired.size(), 1);
        QVERIFY(second.setRegistered(false));
        pressKeyChord(chord);
        QTest::qWait(300);
        QCOMPARE(secondFired.size(), 2);
    }

    void aWindowsFilePathReachesTheClipboardAsAFileDrop_data() {
        QTest::addColumn<QString>("tag");
        QTest::newRow("file") << QStringLiteral("file");
        QTest::newRow("img") << QStringLiteral("img");
    }
    void aWindowsFilePathReachesTheClipboardAsAFileDrop() {
        QFETCH(QString, tag);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = QDir(dir.path()).filePath(QStringLiteral("图片 1.png"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString nativePath = QDir::toNativeSeparators(path);
        QVERIFY(nativePath.contains(QLatin1String(":\\")));

        QList<OutputAction> actions;
        QVERIFY(parsePhraseMarkup(QStringLiteral("<%1 %2>").arg(tag, nativePath), actions));
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions.first().kind, OutputAction::PasteFile);
        QCOMPARE(actions.first().filePath, QDir::cleanPath(path));

        QVERIFY(putFileOnClipboard(actions.first().filePath));
        const QMimeData *onClipboard = QGuiApplication::clipboard()->mimeData();
        QVERIFY(onClipboard && onClipboard->hasUrls());
        QCOMPARE(onClipboard->urls(), QList<QUrl>{QUrl::fromLocalFile(path)});
    }
};

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
