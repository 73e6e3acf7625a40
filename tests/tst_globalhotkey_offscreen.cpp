// GlobalHotkey where the system offers no hotkeys (the offscreen platform on Linux):
// everything stays unregistered, says so once, and nothing breaks.

#include "platform/GlobalHotkey.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class GlobalHotkeyOffscreenTest : public QObject {
    Q_OBJECT
private slots:
    void registeringFailsAndSaysWhyOnce();
    void unusableSequencesNeverRegister_data();
    void unusableSequencesNeverRegister();
    void onlyTheFirstCombinationIsKept();
    void setShortcutTellsWhetherTheKeyExists();
    void unregisteringAnUnregisteredHotkeyIsHarmless();
};

void GlobalHotkeyOffscreenTest::registeringFailsAndSaysWhyOnce() {
    const QRegularExpression note(QStringLiteral("Global hotkeys need an X11 session"));
    QTest::ignoreMessage(QtWarningMsg, note);
    GlobalHotkey first(QKeySequence(QStringLiteral("Ctrl+Shift+V")), true);
    QVERIFY(!first.isRegistered());

    QTest::failOnWarning(note);
    QVERIFY(!first.setRegistered(true));
    QVERIFY(!first.isRegistered());
    GlobalHotkey second(QKeySequence(QStringLiteral("Ctrl+Alt+1")), false);
    QVERIFY(!second.setRegistered(true));
    QVERIFY(!second.setShortcut(QKeySequence(QStringLiteral("F5")), true));
    QVERIFY(!second.isRegistered());
}

void GlobalHotkeyOffscreenTest::unusableSequencesNeverRegister_data() {
    QTest::addColumn<QKeySequence>("sequence");
    QTest::newRow("an empty sequence") << QKeySequence();
    QTest::newRow("an unparsable text")
        << QKeySequence(QStringLiteral("Ctrl+Alt+Foo"), QKeySequence::NativeText);
    QTest::newRow("a bare modifier") << QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key_Control));
    QTest::newRow("a key without a system code") << QKeySequence(QKeyCombination(Qt::Key_Launch0));
}

void GlobalHotkeyOffscreenTest::unusableSequencesNeverRegister() {
    QFETCH(QKeySequence, sequence);
    GlobalHotkey hotkey(sequence, true);
    QVERIFY(!hotkey.isRegistered());
    QVERIFY(!hotkey.setRegistered(true));
    QVERIFY(!hotkey.setShortcut(sequence, false));
    QVERIFY(!hotkey.isRegistered());
}

void GlobalHotkeyOffscreenTest::onlyTheFirstCombinationIsKept() {
    GlobalHotkey hotkey(QKeySequence(QStringLiteral("Ctrl+A, Ctrl+B")), false);
    QCOMPARE(hotkey.shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    hotkey.setShortcut(QKeySequence(QStringLiteral("Alt+F2, X")));
    QCOMPARE(hotkey.shortcut(), QKeySequence(QStringLiteral("Alt+F2")));
    hotkey.setShortcut(QKeySequence());
    QVERIFY(hotkey.shortcut().isEmpty());
}

void GlobalHotkeyOffscreenTest::setShortcutTellsWhetherTheKeyExists() {
    GlobalHotkey hotkey(QKeySequence(), false);
    QVERIFY(hotkey.setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+V"))));
    QVERIFY(hotkey.setShortcut(QKeySequence(QStringLiteral("F12"))));
    QVERIFY(!hotkey.setShortcut(QKeySequence()));
}

void GlobalHotkeyOffscreenTest::unregisteringAnUnregisteredHotkeyIsHarmless() {
    auto hotkey = std::make_unique<GlobalHotkey>(QKeySequence(QStringLiteral("Ctrl+Shift+V")), false);
    QSignalSpy spy(hotkey.get(), &GlobalHotkey::activated);
    QVERIFY(hotkey->setRegistered(false));
    QVERIFY(hotkey->setRegistered(false));
    QVERIFY(!hotkey->isRegistered());
    hotkey.reset();
    QCOMPARE(spy.count(), 0);
}

QTEST_MAIN(GlobalHotkeyOffscreenTest)
#include "tst_globalhotkey_offscreen.moc"
