// What only the Windows build does, run for real: the Run registry value, a hotkey shared by two owners.

#include "output/KeyNames.h"
#include "platform/Autostart.h"
#include "platform/GlobalHotkey.h"
#include "platform/InputOperations.h"
#include "platform/KeyEvents.h"
#include "platform/win/Win32Input.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

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

        OutputAction chord; // left Ctrl, Alt, Shift and F9
        parseKeyChord(QStringLiteral("Ctrl+Alt+Shift+F9"), chord);
        // Pressed as another program would: the program's own chords pass its hotkeys.
        const std::vector<std::uint16_t> modifiers(chord.modifiers.cbegin(), chord.modifiers.cend());
        const auto pressFromElsewhere = [&] { win32SendKeyEvents(chordKeyEvents(modifiers, chord.mainKey)); };
        pressFromElsewhere();
        QTRY_COMPARE_WITH_TIMEOUT(firstFired.size(), 1, 5000);
        QTRY_COMPARE(secondFired.size(), 1);

        // The registration lasts while one owner holds it, and goes with the last.
        QVERIFY(first.setRegistered(false));
        pressFromElsewhere();
        QTRY_COMPARE_WITH_TIMEOUT(secondFired.size(), 2, 5000);
        QCOMPARE(firstFired.size(), 1);
        QVERIFY(second.setRegistered(false));
        pressFromElsewhere();
        QTest::qWait(300);
        QCOMPARE(secondFired.size(), 2);
    }
};

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
