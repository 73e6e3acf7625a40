// The X11 backend without an X11 session (offscreen): input, hotkeys and activation do no
// harm, say so once, and the pick window still shows.

#include "output/OutputAction.h"
#include "platform/GlobalHotkey.h"
#include "platform/InputOperations.h"
#include "platform/KeyboardHook.h"
#include "platform/WindowActivation.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

class NoX11Test : public QObject {
    Q_OBJECT

private slots:
    void inputIsANoOpWithOneNoteOnStandardError() {
        QCOMPARE(QGuiApplication::platformName(), u"offscreen"_s);
        QTemporaryFile file, err;
        QVERIFY(file.open() && err.open());
        QGuiApplication::clipboard()->setText(u"before"_s);
        std::fflush(stderr);
        const int savedErr = dup(STDERR_FILENO);
        dup2(err.handle(), STDERR_FILENO);
        OutputAction chord;
        chord.kind = OutputAction::KeyPress;
        chord.modifiers = {0xA2};
        chord.mainKey = 0x41;
        bool anyHeld = false, anyFilePut = false;
        for (int round = 0; round < 2; ++round) {
            setClipboardText(u"after"_s);
            anyFilePut = putFileOnClipboard(file.fileName()) || anyFilePut;
            sendPasteShortcut();
            pressKeyChord(chord.modifiers, chord.mainKey);
            sendVirtualKey(0x0D, false);
            anyHeld = anyHeld || releaseHeldModifiers() != HeldModifiers{};
        }
        std::fflush(stderr);
        dup2(savedErr, STDERR_FILENO);
        close(savedErr);
        QVERIFY(!anyHeld && !anyFilePut);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"before"_s);
        QVERIFY(err.seek(0)); // the offset moved with the writes through the duplicate
        const QString said = QString::fromUtf8(err.readAll());
        QCOMPARE(said.count(u"X11"_s), 1);
        QCOMPARE(said.count(u'\n'), 1);
    }

    void hotkeysNeverRegisterAndSayWhyOnce() {
        const QRegularExpression note(u"Global hotkeys need an X11 session"_s);
        QTest::ignoreMessage(QtWarningMsg, note);
        GlobalHotkey first(QKeySequence(u"Ctrl+Shift+V"_s), true);
        QVERIFY(!first.isRegistered());
        QTest::failOnWarning(note);
        QVERIFY(!first.setRegistered(true) && !first.isRegistered());
        QVERIFY(first.setRegistered(false) && first.setRegistered(false)); // unregistering is harmless
        GlobalHotkey second(QKeySequence(u"Ctrl+Alt+1"_s), false);
        QSignalSpy activated(&second, &GlobalHotkey::activated);
        QVERIFY(!second.setShortcut(QKeySequence(u"F5"_s), true) && !second.isRegistered());
        // Only the first combination is kept; setShortcut tells whether the key exists.
        QVERIFY(second.setShortcut(QKeySequence(u"Alt+F2, X"_s)));
        QCOMPARE(second.shortcut(), QKeySequence(u"Alt+F2"_s));
        const QKeySequence unusable[] = {
            QKeySequence(), QKeySequence(u"Ctrl+Alt+Foo"_s, QKeySequence::NativeText),
            QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key_Control)),
            QKeySequence(QKeyCombination(Qt::Key_Launch0)), // no system code
        };
        for (const QKeySequence &sequence : unusable) {
            GlobalHotkey hotkey(sequence, true);
            QVERIFY(!hotkey.setRegistered(true) && !hotkey.setShortcut(sequence, false));
            QVERIFY2(!hotkey.isRegistered(), qPrintable(sequence.toString()));
        }
        QCOMPARE(activated.count(), 0);
    }

    void activationFindsNoWindowAndStillShows() {
        QWidget window;
        auto *search = new QLineEdit(&window);
        const Qt::WindowFlags flags = window.windowFlags();
        showWindowNoActivate(&window, true);
        QVERIFY(window.isVisible() && window.testAttribute(Qt::WA_ShowWithoutActivating));
        setPickWindowNoActivate(&window, true);
        addNoActivateStyle(&window);
        QCOMPARE(window.windowFlags(), flags);
        QCOMPARE(foregroundWindow(), NativeWindow(0));
        QVERIFY(!isWindowAlive(NativeWindow(window.winId())));
        QVERIFY(!setForegroundWindow(NativeWindow(window.winId())));
        QVERIFY(isOnTopAtCentre(&window) && isOnTopAtCentre(nullptr));
        showWindowNoActivate(nullptr, false);
        setPickWindowNoActivate(nullptr, true);
        addNoActivateStyle(nullptr);
        KeyboardHook hook([](const HookKeyEvent &) { return true; });
        QVERIFY(!hook.install() && !hook.isInstalled());
        // No native message announces a click here: the press on the child itself does.
        int clicks = 0;
        NoActivateNativeFilter filter(&window, [] { return true; });
        filter.setActivatingChild(search, [&clicks] { ++clicks; });
        qApp->installNativeEventFilter(&filter);
        QTest::mouseClick(search, Qt::LeftButton);
        qApp->removeNativeEventFilter(&filter);
        QCOMPARE(clicks, 1);
    }
};

QTEST_MAIN(NoX11Test)
#include "tst_nox11.moc"
