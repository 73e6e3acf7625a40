// Typed hotkeys in the phrase and settings editors, the phrase hotkeys, and (in the X session
// of the e2e twin, where hotkeys register) the editors switching hotkeys off while focused.
#include "ModalAnswer.h"
#include "TestFiles.h"
#include "app/HotkeyCommands.h"
#include "app/WindowPlacement.h"
#include "library/AppContext.h"
#include "library/ConfigStore.h"
#include "library/HotkeyEditFilters.h"
#include "library/HotkeyRules.h"
#include "library/PhraseHotkeys.h"
#include "library/PhraseItem.h"
#include "library/Settings.h"
#include "output/OutputRunner.h"
#include "platform/GlobalHotkey.h"
#include "platform/InputRecording.h"

#include <QFocusEvent>
#include <QJsonDocument>
#include <QKeySequenceEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(hotkeycommand::Target)

namespace {

const QString emptyRefusal = QStringLiteral("快捷键不能为空  ");
const QString chordsRefusal = QStringLiteral("快捷键不能为多个快捷键的组合  ");
const QString shapeRefusal =
    QStringLiteral("快捷键必须包含至少一个修饰键（Ctrl/Alt/Shift/Meta）和一个主键；  \n"
                   "或者是一个单独的F1~F11、Insert。  ");
const QString usedRefusal = QStringLiteral("快捷键已被使用  ");

// Hotkeys as typed and stored, with the refusal they get while a phrase has Ctrl+Alt+1.
const struct {
    const char *stored; // nullptr: Ctrl with Shift as its key
    const QString *refusal;
} typedHotkeys[] = {
    {"", &emptyRefusal},     {"Ctrl+A, Ctrl+B", &chordsRefusal},
    {"F1", nullptr},         {"F11", nullptr},
    {"F12", &shapeRefusal},  {"Ins", nullptr},
    {"Home", &shapeRefusal}, {"Esc", &shapeRefusal},
    {"G", &shapeRefusal},    {nullptr, &shapeRefusal},
    {"Shift+F12", nullptr},  {"Meta+Esc", nullptr},
    {"Ctrl++", nullptr},     {"Ctrl+Alt+1", &usedRefusal},
    {"Ctrl+Alt+2", nullptr},
};

void sendFocus(QWidget *editor, QEvent::Type type) {
    QFocusEvent event(type, Qt::OtherFocusReason);
    QApplication::sendEvent(editor, &event);
}

// The texts the hotkeys input when pressed, in list order; "-" for an entry without one.
QString inputOfEachHotkey(const QList<GlobalHotkey *> &hotkeys) {
    QStringList inputs;
    for (GlobalHotkey *hotkey : hotkeys) {
        resetInputRecording();
        if (hotkey)
            emit hotkey->activated();
        [] { QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 5000); }();
        inputs << (hotkey ? recordedClipboardText() : QStringLiteral("-"));
    }
    return inputs.join(QLatin1Char(' '));
}

QListWidgetItem *phrase(const char *text, const char *hotkey) {
    return newPhraseItem({QLatin1String(text), QString(), QStringLiteral("短语1"), QLatin1String(hotkey)});
}

// Held for 200 ms, as people hold keys (a 15 ms tap hides what a held key does).
void pressKeys(const char *keys) {
    const QStringList hold = {QStringLiteral("keydown"), QLatin1String(keys),     QStringLiteral("sleep"),
                              QStringLiteral("0.2"),     QStringLiteral("keyup"), QLatin1String(keys)};
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), hold), 0);
}

} // namespace

class HotkeysTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString configPath = m_dir.filePath(QStringLiteral("config.json"));
    std::unique_ptr<QWidget> window;
    QKeySequenceEdit *settingsEditor = nullptr;
    QKeySequenceEdit *phraseEditor = nullptr;
    QLineEdit *elsewhere = nullptr;
    std::unique_ptr<GlobalHotkey> global;
    QList<GlobalHotkey *> phrases;

private slots:
    void init() {
        configObject() = defaultConfig(QSize(1920, 1080));
        configObject().insert(QStringLiteral("delay"), 0);
        saveConfig(configPath);
        window = std::make_unique<QWidget>();
        settingsEditor = new QKeySequenceEdit(window.get());
        phraseEditor = new QKeySequenceEdit(window.get());
        elsewhere = new QLineEdit(window.get());
        global = std::make_unique<GlobalHotkey>(hotkeySequence(configString(QStringLiteral("hotkey"))), true);
        phrases = {nullptr,
                   new GlobalHotkey(hotkeySequence(QStringLiteral("Ctrl+Alt+1")), true, window.get())};
        settingsEditor->setKeySequence(global->shortcut());
        settingsEditor->installEventFilter(
            new HotkeyEditFilter(settingsEditor, global.get(), configPath, phrases, window.get()));
        phraseEditor->installEventFilter(new KjjHotkeyEditFilter(phraseEditor, phrases, window.get()));
    }
    void cleanup() {
        window.reset();
        global.reset();
    }

    void typedHotkey_data() {
        QTest::addColumn<QKeySequence>("sequence");
        QTest::addColumn<QString>("refusal");
        for (const auto &row : typedHotkeys) {
            const QKeySequence sequence =
                row.stored ? hotkeySequence(QLatin1String(row.stored))
                           : QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key_Shift));
            if (row.stored)
                QCOMPARE(hotkeyText(sequence), QLatin1String(row.stored));
            QTest::newRow(row.stored ? row.stored : "Ctrl alone")
                << sequence << (row.refusal ? *row.refusal : QString());
        }
    }
    void typedHotkey() {
        QFETCH(QKeySequence, sequence);
        QFETCH(QString, refusal);
        // The shape is judged before duplicates: with itself in use, a good hotkey is refused as used.
        QCOMPARE(hotkeyRefusal(sequence, {phrases.at(1)->shortcut(), sequence}),
                 refusal.isEmpty() ? usedRefusal : refusal);

        // A phrase editor warns with itself as the parent; a phrase's own hotkey is no duplicate.
        for (const GlobalHotkey *own : {static_cast<GlobalHotkey *>(nullptr), phrases.at(1)}) {
            const QString expected = own && refusal == usedRefusal ? QString() : refusal;
            const ShownBox box = answerBox([&] {
                QCOMPARE(checkPhraseHotkey(sequence, phrases, phraseEditor, own), expected.isEmpty());
            });
            QCOMPARE(box.text, expected);
            QCOMPARE(box.title, expected.isEmpty() ? QString() : QStringLiteral("快捷键不合规"));
            QCOMPARE(box.parent, expected.isEmpty() ? nullptr : phraseEditor);
        }

        // Leaving the settings editor saves a good hotkey, else shows the stored one again.
        const QByteArray before = readAll(configPath);
        sendFocus(settingsEditor, QEvent::FocusIn);
        settingsEditor->setKeySequence(sequence);
        const ShownBox box = answerBox([this] { sendFocus(settingsEditor, QEvent::FocusOut); });
        QCOMPARE(box.text, sequence.isEmpty() ? QString() : refusal);
        QCOMPARE(box.parent, box.text.isEmpty() ? nullptr : settingsEditor);
        const QString hotkey = refusal.isEmpty() ? hotkeyText(sequence) : QStringLiteral("Ctrl+Shift+V");
        QCOMPARE(hotkeyText(settingsEditor->keySequence()), hotkey);
        QCOMPARE(hotkeyText(global->shortcut()), hotkey);
        QCOMPARE(QJsonDocument::fromJson(readAll(configPath))[QStringLiteral("hotkey")].toString(), hotkey);
        if (!refusal.isEmpty())
            QCOMPARE(readAll(configPath), before);
    }

    // Each inputs its phrase (tags as tags) wherever the list is and whatever it shows.
    void phraseHotkeysFollowTheList() {
        QListWidget list;
        QObject owner;
        QList<GlobalHotkey *> hotkeys;
        list.addItem(phrase("one", ""));
        list.addItem(phrase("two<Enter>", "Ctrl+Alt+5"));
        list.addItem(phrase("three", ""));
        rebuildPhraseHotkeys(&list, hotkeys, &owner);
        QCOMPARE(hotkeys.size(), 3);
        QCOMPARE(hotkeys.at(1)->parent(), &owner);
        list.setRowHidden(1, true);
        list.setCurrentRow(0);
        QCOMPARE(inputOfEachHotkey({hotkeys.at(1)}), QStringLiteral("two"));
        QCOMPARE(recordedInputCalls().last().operation, QStringLiteral("pressKeyChord"));
        QCOMPARE(inputOfEachHotkey(hotkeys), QStringLiteral("- two -"));
        QCOMPARE(list.currentRow(), 0);
        QVERIFY(list.isRowHidden(1));

        // A moved row keeps its hotkey before and after the rebuild; a rebuild replaces all.
        QVERIFY(list.model()->moveRow(QModelIndex(), 1, QModelIndex(), 0));
        QCOMPARE(inputOfEachHotkey({hotkeys.at(1)}), QStringLiteral("two"));
        QPointer<GlobalHotkey> old = hotkeys.at(1);
        list.item(0)->setData(PhraseTextRole, QStringLiteral("二"));
        list.item(2)->setData(PhraseHotkeyRole, QStringLiteral("F6"));
        list.insertItem(0, phrase("zero", "F7"));
        rebuildPhraseHotkeys(&list, hotkeys, &owner);
        QVERIFY(old.isNull());
        QCOMPARE(inputOfEachHotkey(hotkeys), QStringLiteral("zero 二 - three"));

        // A deleted phrase's hotkey inputs nothing before the rebuild; a bad key gets an entry.
        GlobalHotkey *hotkey = hotkeys.at(1);
        delete list.takeItem(1);
        QCOMPARE(inputOfEachHotkey({hotkey}), QString());
        list.item(1)->setData(PhraseHotkeyRole, QStringLiteral("Ctrl+Alt+Foo"));
        rebuildPhraseHotkeys(&list, hotkeys, &owner);
        QCOMPARE(hotkeys.size(), 3);
        QVERIFY(hotkeys.at(1) && !hotkeys.at(1)->isRegistered());
        QCOMPARE(inputOfEachHotkey({hotkeys.at(0), hotkeys.at(2)}), QStringLiteral("zero three"));
    }

    // "--hotkey COMBINATION" names the main hotkey (stored "Ctrl+Shift+V"), which toggles the pick
    // window, or a phrase's hotkey, which inputs the phrase and leaves the window alone; anything
    // else changes nothing. Combinations are compared as keys, not as texts.
    void hotkeyCommandsActAsTheHotkeyTheyName_data() {
        using hotkeycommand::Target;
        QTest::addColumn<QString>("combination");
        QTest::addColumn<Target>("target");
        QTest::addColumn<QString>("effect");
        QTest::newRow("the main hotkey as stored toggles the window")
            << u"Ctrl+Shift+V"_s << Target::MainHotkey << u"toggled"_s;
        QTest::newRow("the main hotkey in another order and case toggles it")
            << u"shift+ctrl+v"_s << Target::MainHotkey << u"toggled"_s;
        QTest::newRow("blanks around it do not matter")
            << u" Ctrl+Shift+V "_s << Target::MainHotkey << u"toggled"_s;
        QTest::newRow("a phrase's hotkey inputs its phrase, tags as tags")
            << u"Ctrl+Alt+5"_s << Target::PhraseHotkey << u"input two"_s;
        QTest::newRow("a phrase's lone key inputs its phrase")
            << u"F6"_s << Target::PhraseHotkey << u"input three"_s;
        QTest::newRow("the main key with one modifier more is no hotkey")
            << u"Ctrl+Shift+Alt+V"_s << Target::NoSuchHotkey << u"nothing"_s;
        QTest::newRow("a phrase's key without its modifiers is no hotkey")
            << u"5"_s << Target::NoSuchHotkey << u"nothing"_s;
        QTest::newRow("two combinations are not one")
            << u"Ctrl+Alt+5, F6"_s << Target::NotACombination << u"nothing"_s;
        QTest::newRow("a key no keyboard has")
            << u"Ctrl+Alt+Foo"_s << Target::NotACombination << u"nothing"_s;
    }
    void hotkeyCommandsActAsTheHotkeyTheyName() {
        QFETCH(QString, combination);
        QFETCH(hotkeycommand::Target, target);
        QFETCH(QString, effect);
        QListWidget list;
        list.addItem(phrase("one", ""));
        list.addItem(phrase("two<Enter>", "Ctrl+Alt+5"));
        list.addItem(phrase("three", "F6"));
        QWidget pick;
        AppContext &c = appContext();
        c.phraseList = &list;
        c.pickWindow = &pick;
        pickWindowOnTopCheck = [](QWidget *) { return true; };
        for (const bool shownBefore : {false, true}) {
            pick.setVisible(shownBefore);
            resetInputRecording();
            QCOMPARE(runHotkeyCommand(combination).target, target);
            QTRY_VERIFY_WITH_TIMEOUT(!outputRunning, 5000);
            const QString got = pick.isVisible() != shownBefore     ? u"toggled"_s
                                : recordedClipboardText().isEmpty() ? u"nothing"_s
                                                                    : u"input "_s + recordedClipboardText();
            QCOMPARE(got, effect);
        }
        c.phraseList = nullptr;
        c.pickWindow = nullptr;
    }

    // The combination a command line asks for, whatever else it holds.
    void hotkeyCommandLines_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("combination"); // "none" without "--hotkey"
        QTest::newRow("none asked") << QStringList{u"--autostart"_s} << u"none"_s;
        QTest::newRow("the value follows")
            << QStringList{u"--hotkey"_s, u"Ctrl+Shift+V"_s} << u"Ctrl+Shift+V"_s;
        QTest::newRow("the value after an equals sign") << QStringList{u"--hotkey=F6"_s} << u"F6"_s;
        QTest::newRow("no value is an empty one")
            << QStringList{u"--autostart"_s, u"--hotkey"_s} << QString();
        QTest::newRow("a value that looks like an option is a value")
            << QStringList{u"--hotkey"_s, u"--autostart"_s} << u"--autostart"_s;
    }
    void hotkeyCommandLines() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, combination);
        QCOMPARE(hotkeycommand::combinationIn(arguments).value_or(u"none"_s), combination);
    }

    // A focused phrase editor switches the phrase hotkeys off, the settings editor every hotkey.
    void hotkeysPressedInAnEditorAreRecordedNotFired() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("hotkeys register only in an X11 session");
        QCOMPARE(std::pair(global->isRegistered(), phrases.at(1)->isRegistered()), std::pair(true, true));
        sendFocus(phraseEditor, QEvent::FocusIn);
        QCOMPARE(std::pair(global->isRegistered(), phrases.at(1)->isRegistered()), std::pair(true, false));
        sendFocus(phraseEditor, QEvent::FocusOut);
        QSignalSpy globalFired(global.get(), &GlobalHotkey::activated);
        QSignalSpy phraseFired(phrases.at(1), &GlobalHotkey::activated);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        settingsEditor->clear();
        settingsEditor->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(settingsEditor->hasFocus());
        pressKeys("ctrl+alt+1");
        QTRY_COMPARE(hotkeyText(settingsEditor->keySequence()), QStringLiteral("Ctrl+Alt+1"));
        QTest::qWait(100);
        QCOMPARE(phraseFired.count() + globalFired.count(), 0);

        // Leaving the editor refuses the phrase's hotkey; the stored one works again.
        const ShownBox box = answerBox([this] { elsewhere->setFocus(Qt::OtherFocusReason); });
        QCOMPARE(box.text, usedRefusal);
        QTRY_VERIFY(!settingsEditor->hasFocus());
        QCOMPARE(hotkeyText(settingsEditor->keySequence()), QStringLiteral("Ctrl+Shift+V"));
        QTRY_COMPARE(std::pair(global->isRegistered(), phrases.at(1)->isRegistered()), std::pair(true, true));
        pressKeys("ctrl+shift+v");
        QTRY_COMPARE(globalFired.count(), 1);
        pressKeys("ctrl+alt+1");
        QTRY_COMPARE(phraseFired.count(), 1);
    }
};

QTEST_MAIN(HotkeysTest)
#include "tst_hotkeyeditfilters.moc"
