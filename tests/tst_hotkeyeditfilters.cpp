// Runs offscreen and, registered a second time, in a private X session, where the
// hotkeys really register and keys are really pressed.
#include "ModalAnswer.h"
#include "TestFiles.h"
#include "app/ConfigStore.h"
#include "app/Settings.h"
#include "library/HotkeyEditFilters.h"
#include "library/HotkeyRules.h"
#include "platform/GlobalHotkey.h"

#include <QFocusEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequenceEdit>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

void sendFocus(QWidget *editor, QEvent::Type type) {
    QFocusEvent event(type, Qt::OtherFocusReason);
    QApplication::sendEvent(editor, &event);
}

QString savedHotkey(const QString &configPath) {
    return QJsonDocument::fromJson(readAll(configPath)).object().value(QStringLiteral("hotkey")).toString();
}

// "on" or "off" for the global hotkey and each phrase hotkey, e.g. "on off off".
QString registration(const GlobalHotkey *global, const QList<GlobalHotkey *> &phrases) {
    QStringList states{global->isRegistered() ? QStringLiteral("on") : QStringLiteral("off")};
    for (const GlobalHotkey *h : phrases)
        if (h)
            states << (h->isRegistered() ? QStringLiteral("on") : QStringLiteral("off"));
    return states.join(QLatin1Char(' '));
}

void pressKeys(const char *keys) {
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QLatin1String(keys)}), 0);
}

} // namespace

class HotkeyEditFiltersTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString configPath;
    std::unique_ptr<QWidget> window;
    QKeySequenceEdit *settingsEditor = nullptr;
    QKeySequenceEdit *phraseEditor = nullptr;
    QLineEdit *elsewhere = nullptr;
    std::unique_ptr<GlobalHotkey> global;
    QList<GlobalHotkey *> phrases;

private slots:
    void init() {
        configPath = m_dir.filePath(QStringLiteral("config.json"));
        configObject() = defaultConfig(QSize(1920, 1080));
        saveConfig(configPath);
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        settingsEditor = new QKeySequenceEdit(window.get());
        phraseEditor = new QKeySequenceEdit(window.get());
        elsewhere = new QLineEdit(window.get());
        layout->addWidget(settingsEditor);
        layout->addWidget(phraseEditor);
        layout->addWidget(elsewhere);
        global = std::make_unique<GlobalHotkey>(hotkeySequence(configString(QStringLiteral("hotkey"))), true);
        phrases = {nullptr,
                   new GlobalHotkey(hotkeySequence(QStringLiteral("Ctrl+Alt+1")), true, window.get()),
                   nullptr};
        settingsEditor->setKeySequence(global->shortcut());
        settingsEditor->installEventFilter(
            new HotkeyEditFilter(settingsEditor, global.get(), configPath, phrases, window.get()));
        phraseEditor->installEventFilter(new KjjHotkeyEditFilter(phraseEditor, phrases, window.get()));
    }
    void cleanup() {
        window.reset();
        global.reset();
    }

    void leavingTheSettingsEditorAppliesOrRestoresTheHotkey_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("hotkey"); // the global hotkey, shown and saved, afterwards
        QTest::newRow("a new hotkey is taken and saved")
            << QStringLiteral("Ctrl+Alt+G") << QString() << QStringLiteral("Ctrl+Alt+G");
        QTest::newRow("an empty editor shows the stored hotkey again")
            << QString() << QString() << QStringLiteral("Ctrl+Shift+V");
        QTest::newRow("a phrase's hotkey is refused and the stored one shown again")
            << QStringLiteral("Ctrl+Alt+1") << QStringLiteral("快捷键已被使用  ")
            << QStringLiteral("Ctrl+Shift+V");
        QTest::newRow("a lone letter is refused and the stored one shown again")
            << QStringLiteral("G")
            << QStringLiteral("快捷键必须包含至少一个修饰键（Ctrl/Alt/Shift/Meta）和一个主键；  \n"
                              "或者是一个单独的F1~F11、Insert。  ")
            << QStringLiteral("Ctrl+Shift+V");
    }
    void leavingTheSettingsEditorAppliesOrRestoresTheHotkey() {
        QFETCH(QString, typed);
        QFETCH(QString, warning);
        QFETCH(QString, hotkey);
        const QByteArray before = readAll(configPath);
        sendFocus(settingsEditor, QEvent::FocusIn);
        settingsEditor->setKeySequence(hotkeySequence(typed));
        QString shown;
        QWidget *parent = nullptr;
        if (!warning.isEmpty())
            answerNextModal([&](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                QVERIFY(box);
                shown = box->text();
                parent = box->parentWidget();
                box->button(QMessageBox::Ok)->click();
            });
        sendFocus(settingsEditor, QEvent::FocusOut);
        QCOMPARE(shown, warning);
        if (!warning.isEmpty())
            QCOMPARE(parent, settingsEditor);
        QCOMPARE(hotkeyText(settingsEditor->keySequence()), hotkey);
        QCOMPARE(hotkeyText(global->shortcut()), hotkey);
        QCOMPARE(savedHotkey(configPath), hotkey);
        QCOMPARE(configString(QStringLiteral("hotkey")), hotkey);
        if (hotkey == QStringLiteral("Ctrl+Shift+V"))
            QCOMPARE(readAll(configPath), before);
    }

    // Offscreen no hotkey registers: these checks need the X session.
    void anEditorWithTheFocusSwitchesTheHotkeysOff_data() {
        QTest::addColumn<bool>("settingsEditor");
        QTest::addColumn<QString>("whileFocused");
        QTest::newRow("the settings editor switches every hotkey off") << true << QStringLiteral("off off");
        QTest::newRow("a phrase editor switches only the phrase hotkeys off")
            << false << QStringLiteral("on off");
    }
    void anEditorWithTheFocusSwitchesTheHotkeysOff() {
        if (!onX11())
            QSKIP("hotkeys register only in an X11 session");
        QFETCH(bool, settingsEditor);
        QFETCH(QString, whileFocused);
        QWidget *editor = settingsEditor ? static_cast<QWidget *>(this->settingsEditor) : phraseEditor;
        QCOMPARE(registration(global.get(), phrases), QStringLiteral("on on"));
        sendFocus(editor, QEvent::FocusIn);
        QCOMPARE(registration(global.get(), phrases), whileFocused);
        sendFocus(editor, QEvent::FocusOut);
        QCOMPARE(registration(global.get(), phrases), QStringLiteral("on on"));
    }

    void theHotkeysPressedInTheSettingsEditorAreRecordedNotFired() {
        if (!onX11())
            QSKIP("keys are pressed only in an X11 session");
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
        QCOMPARE(phraseFired.count(), 0);
        QCOMPARE(globalFired.count(), 0);

        // Leaving the editor refuses the phrase's hotkey; the stored one works again.
        QString shown;
        answerNextModal([&shown](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            shown = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        elsewhere->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(shown, QStringLiteral("快捷键已被使用  "));
        QTRY_VERIFY(!settingsEditor->hasFocus());
        QCOMPARE(hotkeyText(settingsEditor->keySequence()), QStringLiteral("Ctrl+Shift+V"));
        QTRY_COMPARE(registration(global.get(), phrases), QStringLiteral("on on"));
        pressKeys("ctrl+shift+v");
        QTRY_COMPARE(globalFired.count(), 1);
        pressKeys("ctrl+alt+1");
        QTRY_COMPARE(phraseFired.count(), 1);
    }
};

QTEST_MAIN(HotkeyEditFiltersTest)
#include "tst_hotkeyeditfilters.moc"
