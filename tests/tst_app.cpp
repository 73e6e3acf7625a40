// The program built as at start-up (offscreen) in a folder of its own: its settings, texts and
// windows, then the phrase library as the user edits it. Every change must reach the files.

#include "ModalAnswer.h"
#include "RunTestObjects.h"
#include "TestFiles.h"
#include "app/EditorWindowsSetup.h"
#include "app/PhraseMenu.h"
#include "app/SettingsRows.h"
#include "app/SettingsWindowSetup.h"
#include "app/Startup.h"
#include "app/WhenSettled.h"
#include "app/WindowPlacement.h"
#include "app/WindowSize.h"
#include "library/AppContext.h"
#include "library/ConfigStore.h"
#include "library/GroupMenu.h"
#include "library/HotkeyEditFilters.h"
#include "library/HotkeyRules.h"
#include "library/PhraseEditing.h"
#include "library/PhraseFilter.h"
#include "library/PhraseHotkeys.h"
#include "library/PhraseItem.h"
#include "library/PhraseListView.h"
#include "library/Settings.h"
#include "library/ShownPhrasesModel.h"
#include "library/StarterPhrases.h"
#include "library/UserNotices.h"
#include "library/pinyin/PinyinSearch.h"
#include "output/OutputSettings.h"
#include "pickwindow/AfterNextPaint.h"
#include "pickwindow/MyTabBar.h"
#include "pickwindow/NoEscCloseWidget.h"
#include "platform/Autostart.h"
#include "platform/GlobalHotkey.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFormLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSpinBox>
#include <QSysInfo>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// The control of the settings row with a label.
template <typename T> T *rowControl(const QString &label) {
    const auto *form = appContext().settingsWindow->findChild<QFormLayout *>(u"settingsForm"_s);
    for (int row = 0; row < form->rowCount(); ++row) {
        QWidget *field = form->itemAt(row, QFormLayout::FieldRole)->widget();
        if (qobject_cast<QLabel *>(form->itemAt(row, QFormLayout::LabelRole)->widget())->text() == label)
            return qobject_cast<T *>(field) ? qobject_cast<T *>(field) : field->findChild<T *>();
    }
    return nullptr;
}

QJsonValue savedValue(const QString &key) {
    return QJsonDocument::fromJson(readAll(appContext().configPath)).object().value(key);
}

QList<NoEscCloseWidget *> helpWindows() {
    QList<NoEscCloseWidget *> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *help = qobject_cast<NoEscCloseWidget *>(w);
            help && !help->testAttribute(Qt::WA_WState_Hidden))
            windows << help;
    return windows;
}

// A settings row changed, and whether it told the user something in a box of its own.
struct RowChange {
    const char *label, *key;
    int value; // -1: a check box, clicked
    bool tells;
};
const RowChange rowChanges[] = {
    {"角标放左上角还是右上角？", "jiaobiao", -1, true},
    {"钉住窗口时按下短语项对应角标输入短语？", "badge_key_input_phrase_when_pinned", -1, false},
    {"钉住窗口时按下回车键输入短语？", "enter_key_input_phrase_when_pinned", -1, false},
    {"上下方向键可以首尾循环选择短语项：", "arrow_key_cycle_select_phrase_item", -1, false},
    {"搜索所有分组：", "search_all_groups", -1, false},
    {"滚动条滚动速度：", "gundong", 9, false},
    {"默认短语项高度：", "default_item_height", 44, true},
    {"短语项左右内边距：", "phrase_item_padding_horizontal", 7, false},
    {"短语项上下内边距：", "phrase_item_padding_vertical", 3, false},
    {"高级输入间隔（毫秒）", "delay", 1500, false},
    {"主窗口始终置顶：", "zhiding", -1, false},
};

// The phrase list's style sheet for an item height, with the paddings config.json holds now.
QString itemStyleSheet(int itemHeight) {
    return u"PhraseListView::item{ height: %1px; padding: %2px %3px; }"_s.arg(itemHeight)
        .arg(configInt(u"phrase_item_padding_vertical"_s))
        .arg(configInt(u"phrase_item_padding_horizontal"_s));
}

// How the desktop entry's Exec line quotes the executable's path.
struct ExecLine {
    const char *what, *path, *exec;
};
const ExecLine execLines[] = {
    {"blanks and Chinese stay as they are", "/u/我的 程序/v", "\"/u/我的 程序/v\" --autostart"},
    {"\", $, ` escaped, then the escape", "/a\"b$c`d/v", "\"/a\\\\\"b\\\\$c\\\\`d/v\" --autostart"},
    {"a backslash becomes four", "/a\\b/v", "\"/a\\\\\\\\b/v\" --autostart"},
    {"a percent sign is doubled, not a field code", "/100%/v", "\"/100%%/v\" --autostart"},
    {"a line break cannot end the Exec line", "/a\nb/v", "\"/a\\nb/v\" --autostart"},
};

// data.json as "text/remark/group/hotkey" lines, tab.json as "name/height" lines.
QStringList savedLines(const QString &path, const QStringList &keys) {
    QStringList lines;
    for (const QJsonValue &v : QJsonDocument::fromJson(readAll(path)).array()) {
        QStringList fields;
        for (const QString &key : keys)
            fields << v.toObject().value(key).toVariant().toString();
        lines << fields.join(u'/');
    }
    return lines;
}
QStringList savedPhrases() {
    return savedLines(appContext().dataPath, {u"text"_s, u"remark"_s, u"tab"_s, u"hotkey"_s});
}
QStringList savedGroups() {
    return savedLines(appContext().tabPath, {u"tab"_s, u"item_height"_s});
}

// The shown rows as "badge text"; with every row: the badge, "-" for a hidden one.
QStringList shownRows(const PhraseListView *view, bool everyRow = false) {
    QStringList rows;
    const QListWidget *list = view->store();
    for (int row = 0; row < list->count(); ++row) {
        const int shown = view->shownPhrases()->shownRow(row);
        const QString badge = view->model()->index(shown, 0).data(PhraseBadgeRole).toString();
        if (shown >= 0)
            rows << (everyRow ? badge : badge + u' ' + list->item(row)->data(PhraseTextRole).toString());
        else if (everyRow)
            rows << u"-"_s;
    }
    return rows;
}

// Each row's hotkey as the phrase hotkeys hold it, "-" for none.
QStringList hotkeysByRow() {
    QStringList result;
    for (const GlobalHotkey *hotkey : phraseHotkeys())
        result << (hotkey ? hotkeyText(hotkey->shortcut()) : u"-"_s);
    return result;
}

// Clicks an action of the phrase menu over a row (a key would go to the pick window's filter).
void choosePhraseMenu(int row, const QString &actionText) {
    answerNextModal([actionText](QWidget *popup) {
        auto *menu = qobject_cast<QMenu *>(popup);
        for (QAction *action : menu->actions())
            if (action->text() == actionText)
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        menu->close(); // no such action: the menu must not wait for a click
    });
    const PhraseListView *view = appContext().phraseView;
    showPhraseMenu(view->visualRect(view->model()->index(view->shownPhrases()->shownRow(row), 0)).center());
}

// Fills the group dialog and presses the given button.
void answerGroupDialog(const QString &name, int height, const QString &button) {
    answerNextModal([=](QWidget *modal) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        QVERIFY(dialog);
        dialog->findChild<QLineEdit *>()->setText(name);
        dialog->findChild<QSpinBox *>()->setValue(height);
        for (QPushButton *b : dialog->findChildren<QPushButton *>())
            if (b->text() == button)
                b->click();
    });
}

} // namespace

// data.json as another program wrote it, and whether it was still so once the program was
// built.
QByteArray dataFileWrittenElsewhere;
bool dataFileUntouchedByTheBuild = false;

class StartupTest : public QObject {
    Q_OBJECT
    AppContext &c = appContext();
    const QDir m_dir = QFileInfo(c.configPath).dir();
    QList<QUrl> m_opened;

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    // First, while the editors were never shown (a shown window gets frame margins): one help
    // window per click beside its editor; only the page links switch pages; Esc keeps it.
    void helpWindowsOpenBesideTheirEditorAndKeepToTheirPages() {
        for (const PhraseEditorWidgets *editor : {&addWindow(c), &editWindow(c)}) {
            QCOMPARE(editor->window->maximumSize(), c.pickWindow->maximumSize()); // built now, as large
            editor->window->move(140, 160);
            editor->helpButton->click();
            editor->helpButton->click();
            QCOMPARE(helpWindows().size(), 2);
            for (NoEscCloseWidget *w : helpWindows()) {
                QCOMPARE(w->pos(), editor->window->pos() + QPoint(30, 30));
                w->close();
            }
            QTRY_VERIFY(helpWindows().isEmpty());
        }
        c.addWindow.helpButton->click();
        QPointer<NoEscCloseWidget> window = helpWindows().value(0);
        auto *browser = window->findChild<QTextBrowser *>();
        QVERIFY(browser->toPlainText().contains(u"<press Ctrl+Shift+A>"_s));
        const QString basic = browser->toHtml();
        QDesktopServices::setUrlHandler(u"https"_s, this, "openUrl");
        emit browser->anchorClicked(QUrl(u"https://example.org/"_s));
        QCOMPARE(browser->toHtml(), basic);
        emit browser->anchorClicked(QUrl(u"verbolin://full-tutorial"_s));
        QVERIFY(browser->toHtml() != basic);
        emit browser->anchorClicked(QUrl(u"verbolin://basic-tutorial"_s));
        QCOMPARE(browser->toHtml(), basic);
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(window->isVisible());
        window->close();
        QTRY_VERIFY(!window);
        rowControl<QPushButton>(u"版本："_s)->click(); // the one link that opens outside
        QDesktopServices::unsetUrlHandler(u"https"_s);
        QCOMPARE(m_opened, QList<QUrl>{QUrl(helpPageAddress)});
    }

    void startUpAppliesTheStoredSettingsStaysHiddenAtLoginAndShowsItsTexts() {
        QCOMPARE(c.phraseList->count(), 4);
        // A data.json in another layout is written in the program's own once the window is
        // up (or hidden, soon after), never before: the window does not wait for it.
        QVERIFY(dataFileUntouchedByTheBuild);
        QTRY_VERIFY(readAll(c.dataPath) != dataFileWrittenElsewhere);
        QCOMPARE(QJsonDocument::fromJson(readAll(c.dataPath)).array().size(), 4);
        QCOMPARE(c.groupTabBar->count(), 3);
        QVERIFY(!c.pickWindow->isVisible()); // started at login
        QVERIFY(!c.settingsWindow->isVisible());
        showAtSavedPosition(c.pickWindow);
        QCOMPARE(c.pickWindow->pos(), QPoint(123, 45));
        QVERIFY(c.pickWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(c.phraseView->verticalScrollBar()->singleStep(), 17);
        QCOMPARE(c.phraseView->dragDropMode(), QAbstractItemView::InternalMove);
        QVERIFY(c.groupTabBar->isMovable());
        QCOMPARE(c.phraseView->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(c.groupTabBar->contextMenuPolicy(), Qt::CustomContextMenu);
        // The settings show the stored values, sizes brought into range, without storing them.
        QCOMPARE(rowControl<QKeySequenceEdit>(u"全局快捷键："_s)->keySequence(),
                 QKeySequence(u"Ctrl+Alt+Q"_s));
        QCOMPARE(rowControl<QSpinBox>(u"默认短语项高度："_s)->value(), 100);
        QCOMPARE(rowControl<QSpinBox>(u"窗口大小："_s)->value(), 250);
        QCOMPARE(c.pickWindow->width(), 250);
        QCOMPARE(savedValue(u"width"_s), QJsonValue(100));
        QCOMPARE(savedValue(u"default_item_height"_s), QJsonValue(1000));
        QList<QKeySequenceEdit *> watched; // each phrase hotkey editor has a filter of its own
        for (const KjjHotkeyEditFilter *filter : qApp->findChildren<KjjHotkeyEditFilter *>())
            watched << filter->watchedEditor();
        QCOMPARE(watched, QList<QKeySequenceEdit *>({c.addWindow.hotkeyEdit, c.editWindow.hotkeyEdit}));
        // The texts the other tests do not go by (they click menus and find rows by their texts).
        QStringList shown{c.pickWindow->windowTitle(), c.settingsWindow->windowTitle(),
                          c.trayIcon->toolTip(),       c.settingsButton->toolTip(),
                          c.addButton->toolTip(),      c.pinButton->toolTip()};
        for (const PhraseEditorWidgets *w : {&c.addWindow, &c.editWindow})
            shown << w->window->windowTitle() << w->confirmButton->text() << w->helpButton->text()
                  << w->remarkLabel->text() << w->hotkeyLabel->text() << w->clearButton->text()
                  << w->cancelButton->text();
        for (const QAction *action : c.trayMenu->actions())
            shown << action->text();
        QCOMPARE(shown.join(u'|'),
                 u"Verbolin|Verbolin-设置|Verbolin|设置|添加短语|钉住/取消钉住窗口（ ` ）|Verbolin-添加|添加|"
                 u"如何更高级地输入？|备注：|快捷键：|清空|取消|Verbolin-修改|修改|如何更高级地输入？|备注：|"
                 u"快捷键：|清空|取消|设置|退出"_s);
    }

    // What waits for the pick window's paint runs once, after it, even when asked before the
    // show; at the latest when no paint comes. What waits for its drawing to settle runs once
    // the paints stop.
    void tasksPutOffUntilTheNextPaintRunOnce() {
        struct Window : QWidget {
            int paints = 0;
            void paintEvent(QPaintEvent *) override { ++paints; }
        };
        int runs = 0, paintsSeen = -1;
        Window shown, neverPainted;
        runAfterNextPaint(
            &shown, [&] { paintsSeen = shown.paints, ++runs; }, 100);
        shown.show();
        neverPainted.setUpdatesEnabled(false);
        neverPainted.show();
        runAfterNextPaint(
            &neverPainted, [&] { ++runs; }, 100);
        QCOMPARE(runs, 0);
        QTRY_COMPARE(runs, 1);
        QCOMPARE(paintsSeen, 1);
        QCOMPARE(neverPainted.paints, 0);
        QTRY_COMPARE(runs, 2);
        QTest::qWait(200);
        QCOMPARE(runs, 2);
        // Paints that come before the task has run still run it once.
        runAfterNextPaint(
            &shown, [&] { ++runs; }, 100);
        shown.repaint();
        shown.repaint();
        QTRY_COMPARE(runs, 3);
        QTest::qWait(150);
        QCOMPARE(runs, 3);
        bool settled = false;
        runWhenSettled(&shown, [&] { settled = true; });
        for (int i = 0; i < 8; ++i) {
            QTest::qWait(40);
            shown.repaint();
        }
        QVERIFY(!settled);
        QTRY_VERIFY(settled);
    }

    void settingsRowsWriteThrough_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(rowChanges)); ++i)
            QTest::newRow(rowChanges[i].label) << i;
    }
    void settingsRowsWriteThrough() {
        QFETCH(int, row);
        const RowChange &r = rowChanges[row];
        const QString label = QString::fromUtf8(r.label), key = QLatin1String(r.key);
        auto *check = rowControl<QCheckBox>(label);
        auto *spin = rowControl<QSpinBox>(label);
        QVERIFY(check || spin);
        for (const int value : {r.value, r.value + 1}) {
            const QJsonValue expected = check ? QJsonValue(!check->isChecked()) : QJsonValue(value);
            QCOMPARE(check && check->isChecked(), check && configBool(key));
            c.pickWindow->hide();
            c.pickWindow->move(10, 20);
            const QString title = answerBox([=] { check ? check->click() : spin->setValue(value); }).title;
            QCOMPARE(!title.isEmpty(), r.tells);
            QCOMPARE(savedValue(key), expected);
            // Only always-on-top shows the hidden pick window, either way, where it was saved.
            QCOMPARE(c.pickWindow->isVisible(), key == "zhiding"_L1);
            QCOMPARE(c.pickWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                     configBool(u"zhiding"_s));
            if (c.pickWindow->isVisible())
                QCOMPARE(c.pickWindow->pos(),
                         QPoint(configInt(u"chuangkou_x"_s), configInt(u"chuangkou_y"_s)));
            // Restyled at once (the paddings).
            QCOMPARE(c.phraseView->styleSheet(),
                     itemStyleSheet(c.groupTabBar->tabData(c.groupTabBar->currentIndex()).toInt()));
        }
    }

    // The paste chord for Wayland: one combination as written, a cleared box the usual one,
    // and the output takes it at its next paste.
    void pasteKeysRowStoresOneChord() {
        auto *editor = rowControl<QKeySequenceEdit>(u"Wayland 下的粘贴键："_s);
        QVERIFY(editor);
        QCOMPARE(editor->keySequence(), QKeySequence(u"Ctrl+V"_s)); // none stored yet
        const struct {
            QKeySequence typed;
            QString stored;
        } rows[] = {{QKeySequence(u"Ctrl+Shift+V"_s), u"Ctrl+Shift+V"_s},
                    {QKeySequence(u"Shift+Ins, Ctrl+A"_s), u"Shift+Ins"_s},
                    {QKeySequence(), u"Ctrl+V"_s}};
        for (const auto &row : rows) {
            editor->setKeySequence(row.typed);
            emit editor->editingFinished();
            QCOMPARE(savedValue(u"paste_keys"_s), QJsonValue(row.stored));
            QCOMPARE(editor->keySequence(), QKeySequence(row.stored, QKeySequence::PortableText));
            QCOMPARE(settings::outputSettings().pasteKeys, QJsonValue(row.stored));
        }
    }

    // The width is stored as its box shows it (in range); controls stay inside at the extremes.
    void everyWindowTakesTheSizeAndItsControlsStayInside() {
        c.heightSpinBox->setValue(450);
        QCOMPARE(QSize(savedValue(u"width"_s).toInt(), savedValue(u"height"_s).toInt()), QSize(250, 450));
        for (const int length : {600, minimumWindowLength, maximumWindowLength}) {
            c.widthSpinBox->setValue(length);
            c.heightSpinBox->setValue(length);
            QCOMPARE(QSize(savedValue(u"width"_s).toInt(), savedValue(u"height"_s).toInt()),
                     QSize(length, length));
            for (QWidget *window : {c.pickWindow, c.settingsWindow, c.addWindow.window, c.editWindow.window})
                QCOMPARE(window->maximumSize(), QSize(length, length));
            QCOMPARE(c.phraseView->maximumWidth(), length);
            for (QWidget *w :
                 std::initializer_list<QWidget *>{c.groupTabBar, c.searchBox, c.pinButton,
                                                  c.addWindow.clearButton, c.editWindow.confirmButton})
                QVERIFY2(w->x() >= 0 && w->x() + w->maximumWidth() <= length &&
                             w->y() + w->maximumHeight() <= length,
                         w->metaObject()->className());
        }
    }

    // The entry is rewritten only when it names another executable.
    void autostartEntryFollowsTheCheckBoxAndTheExecutable() {
        for (const ExecLine &line : execLines)
            QVERIFY2(autostartDesktopEntry(QString::fromUtf8(line.path))
                         .contains("\nExec=" + QByteArray(line.exec) + '\n'),
                     line.what);
        QCOMPARE(runValueCommand(u"C:\\P F\\v.exe"_s), u"\"C:\\P F\\v.exe\" --autostart"_s);
        if (QSysInfo::kernelType() == "winnt"_L1)
            QSKIP("the desktop entry; the Windows build's Run value has a test of its own");
        const QString entry = autostartEntryLocation();
        QCOMPARE(entry, qEnvironmentVariable("XDG_CONFIG_HOME") + u"/autostart/verbolin.desktop"_s);
        // The test's path needs no escapes in the Exec line.
        const QByteArray mine = "[Desktop Entry]\nType=Application\nName=Verbolin\nExec=\"" +
                                QCoreApplication::applicationFilePath().toUtf8() +
                                "\" --autostart\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
        QCOMPARE(autostartDesktopEntry(QCoreApplication::applicationFilePath()), mine);
        auto *box = rowControl<QCheckBox>(u"开机自启动："_s);
        QVERIFY(box->isChecked());
        QCOMPARE(readAll(entry), mine); // autostart was on at start-up
        for (const bool on : {false, true}) {
            box->click();
            QCOMPARE(QFile::exists(entry), on);
            QCOMPARE(savedValue(u"ziqidong"_s), QJsonValue(on));
        }
        QVERIFY(!syncAutostartEntry()); // the entry is as it should be
        writeAll(entry, autostartDesktopEntry(u"/old/place/verbolin"_s));
        QVERIFY(syncAutostartEntry());
        QCOMPARE(readAll(entry), mine);
        setAutostartEntry(false);
        setAutostartEntry(false); // nothing there: still harmless
        QVERIFY(!QFile::exists(entry) && syncAutostartEntry());
    }

    void outsideEditsAreReadAndNothingIsLost() {
        QStringList told;
        setNoticeSink([&told](const QString &message) { told << message; });
        // A hand edit of config.json is applied (sizes brought into range, stored as written).
        QJsonObject config = QJsonDocument::fromJson(readAll(c.configPath)).object();
        config.insert(u"delay"_s, 777);
        config.insert(u"width"_s, 30000);
        config.insert(u"height"_s, 100);
        writeAll(c.configPath, QJsonDocument(config).toJson());
        QTRY_COMPARE(configInt(u"delay"_s), 777);
        QCOMPARE(c.pickWindow->maximumSize(), QSize(maximumWindowLength, minimumWindowLength));
        QCOMPARE(QSize(c.widthSpinBox->value(), c.heightSpinBox->value()), c.pickWindow->maximumSize());
        QVERIFY(saveConfig(c.configPath));
        QCOMPARE(savedValue(u"width"_s), QJsonValue(30000));
        // Phrases another program wrote show up.
        writeAll(c.dataPath, "[{\"text\": \"from outside\", \"tab\": \"短语1\"}]");
        QTRY_COMPARE(c.phraseList->count(), 1);
        // A change that cannot be saved goes beside the file; an outside version written while
        // it waits is merged with it: an edit on each side keeps both.
        QVERIFY(QFile::remove(c.dataPath) && QDir().mkpath(c.dataPath));
        c.phraseList->item(0)->setData(PhraseTextRole, u"changed in the program"_s);
        QVERIFY(!savePhrases(c.phraseList, c.dataPath));
        const QStringList beside = QDir(m_dir.path()).entryList({u"data.json.unsaved-*"_s});
        QCOMPARE(beside.size(), 1);
        QVERIFY(readAll(m_dir.filePath(beside.first())).contains("changed in the program"));
        QVERIFY(told.last().contains(beside.first()));
        QVERIFY(QDir(c.dataPath).removeRecursively());
        writeAll(c.dataPath, "[{\"text\": \"outside version\", \"tab\": \"短语1\"}]");
        QTRY_VERIFY(readAll(c.dataPath).contains("changed in the program"));
        QVERIFY(readAll(c.dataPath).contains("outside version"));
        QTRY_COMPARE(c.phraseList->count(), 2);
        QVERIFY(QDir(m_dir.path()).entryList({u"data.json.outside-*"_s}).isEmpty());
        // A tab.json that lacks a group phrases name gets it back, and the phrases show.
        writeAll(c.tabPath, R"([{"tab": "其他", "item_height": 40}])");
        QTRY_COMPARE(
            savedGroups(),
            QStringList({u"其他/40"_s, u"短语1/"_s + QString::number(configInt(u"default_item_height"_s))}));
        QVERIFY(told.last().contains(u"短语1"_s));
        c.groupTabBar->setCurrentIndex(1);
        QCOMPARE(shownRows(c.phraseView).size(), 2);
        setNoticeSink(nullptr);
    }
};

class LibraryTest : public QObject {
    Q_OBJECT
    AppContext &c = appContext();
    const QString a1 = u"a1//甲/"_s, a2 = u"a2//甲/Ctrl+Alt+1"_s, a3 = u"a3//甲/"_s, b1 = u"b1//乙/"_s;

private slots:
    void initTestCase() { applyWindowSize(c, 500, 500); }

    // Groups 甲 (current, height 40), 乙 (50), c (60); a1, a2 (Ctrl+Alt+1), a3 in 甲, b1 in 乙.
    void init() {
        addWindow(c).window->close();
        editWindow(c).window->close();
        c.searchBox->clear();
        c.phraseList->clear();
        while (c.groupTabBar->count() > 0)
            c.groupTabBar->removeTab(0);
        for (const auto &[name, height] :
             {std::pair{u"甲"_s, 40}, std::pair{u"乙"_s, 50}, std::pair{u"c"_s, 60}})
            c.groupTabBar->setTabData(c.groupTabBar->addTab(name), height);
        for (const QString &line : {a1, a2, a3, b1})
            c.phraseList->addItem(newPhraseItem(
                {line.section(u'/', 0, 0), {}, line.section(u'/', 2, 2), line.section(u'/', 3)}));
        c.groupTabBar->setCurrentIndex(1);
        c.groupTabBar->setCurrentIndex(0);
        rebuildPhraseHotkeys();
    }

    // Against Qt's case-insensitive contains() (folding across scripts, surrogate pairs) or the
    // pinyin search; each pass starts from the one before: typing, deleting, group switches
    // and edits leave no trace.
    void eachFilterPassShowsBadgesAndSelectsWhatItShould() {
        const QStringList texts =
            u"abc|xABd|b|cAb|zzz|ABCD|ab|Say HELLO there|regards|helhello|\u212Aey|\u017Fun|"
            u"备注 12 您好|ΟΔΟΣ|ΑΣΑ|the KEY|x\U00010428y|abcd\U00010428|\U00010400||CAFÉ|"
            u"\u212A|x\u017Fy|o\u212Ay|hE|Hx he|K|far past the first eight: \u212Aelvin|ends in σ and ΣΑΣ "
            u"ΟΔΟΣ|"
            u"你好世界|招商银行 hello|好的|是的"_s.split(u'|');
        const QString badges = u"1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s;
        QListWidget list;
        PhraseListView view(&list, nullptr);
        for (int i = 0; i < 60; ++i) // the number of texts is odd: early texts in both groups
            list.addItem(newPhraseItem({texts.at(i % texts.size()),
                                        i % 7 == 0 ? u"Rab"_s : QString(),
                                        i % 4 == 3 ? u"G"_s : u"g"_s,
                                        {}}));
        QString group = u"g"_s, text;
        // Pinyin too: "hao" after "nihao" spells more (好的), "shi" after "hi" spells what "hi"
        // does not (世 of 你好世界), and the spaces of "ni hao" are skipped.
        const QString steps = u"|a|ab|abc|ab||b|B|zb|edit|ab|hello|DS|key|SUN|您好|οδος|ςα|\u212Aey|"
                              u"\U00010400Y|BCD\U00010400|\xDC00|éé|k|\u017F|OK|kELVIN|he|HE|"
                              u"n|ni|nih|nihao|hao|h|hd|y|yh|yinhang|yinhang h|ni|ni hao|nhsj|hi|shi|sj|"
                              u"G:|a|abc|no|h|hd|sd"_s;
        for (const QString &step : steps.split(u'|')) {
            if (step == "edit"_L1)
                list.item(4)->setData(PhraseTextRole, u"zab"_s);
            else if (step == "G:"_L1)
                group = u"G"_s;
            else
                text = step;
            filterPhraseList(&view, group, text);
            QStringList expected;
            for (int row = 0, badge = 0; row < list.count(); ++row) {
                const QListWidgetItem *item = list.item(row);
                const QString phrase = item->data(PhraseTextRole).toString();
                const QString remark = item->data(PhraseRemarkRole).toString();
                const PinyinSearch pinyin(text);
                const bool match = item->data(PhraseGroupRole).toString() == group &&
                                   (phrase.contains(text, Qt::CaseInsensitive) ||
                                    remark.contains(text, Qt::CaseInsensitive) || pinyin.foundIn(phrase) ||
                                    pinyin.foundIn(remark));
                expected << (match ? badges.mid(badge++, 1) : u"-"_s);
            }
            QCOMPARE(shownRows(&view, true), expected);
            const int before = view.currentPhraseRow();
            selectFirstVisiblePhrase(&view);
            QCOMPARE(view.currentPhraseRow(),
                     expected.contains(u"1"_s) ? int(expected.indexOf(u"1"_s)) : before);
        }
    }

    // A new group goes where asked, shown with its item height; refused ones change nothing.
    void newGroups_data() {
        QTest::addColumn<int>("groupsBefore");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("at"); // -1: not added
        QTest::addColumn<QString>("box");
        QTest::newRow("after a clicked tab") << 3 << u"新的"_s << u"确定"_s << 2 << QString();
        QTest::newRow("the first on an empty tab bar") << 0 << u"新的"_s << u"确定"_s << 0 << QString();
        QTest::newRow("a name in another case") << 3 << u"C"_s << u"确定"_s << 3 << QString();
        QTest::newRow("cancelled") << 3 << u"新的"_s << u"取消"_s << -1 << QString();
        QTest::newRow("without a name") << 3 << QString() << u"确定"_s << -1 << QString();
        QTest::newRow("a group's name") << 3 << u"乙"_s << u"确定"_s << -1 << u"分组名重复"_s;
    }
    void newGroups() {
        QFETCH(int, groupsBefore);
        QFETCH(QString, name);
        QFETCH(QString, button);
        QFETCH(int, at);
        QFETCH(QString, box);
        while (c.groupTabBar->count() > groupsBefore)
            c.groupTabBar->removeTab(0);
        answerGroupDialog(name, 33, button);
        QCOMPARE(answerBox([at] { createGroupAt(qMax(at, 0)); }).title, box);
        QCOMPARE(c.groupTabBar->count(), groupsBefore + (at < 0 ? 0 : 1));
        if (at < 0)
            return;
        QCOMPARE(c.groupTabBar->currentIndex(), at);
        QVERIFY(shownRows(c.phraseView).isEmpty());
        QCOMPARE(c.phraseView->styleSheet(), itemStyleSheet(33));
        QCOMPARE(savedGroups().size(), groupsBefore + 1);
        QCOMPARE(savedGroups().value(at), name + u"/33"_s);
    }

    // A renamed group takes its phrases along; only the current group restyles the list.
    void changingAndMovingAGroup() {
        answerGroupDialog(u"改名"_s, 77, u"确定"_s);
        changeGroup(0);
        QCOMPARE(c.phraseView->styleSheet(), itemStyleSheet(77));
        QCOMPARE(shownRows(c.phraseView).size(), 3);
        QCOMPARE(savedPhrases().value(2), u"a3//改名/"_s);
        answerGroupDialog(u"乙"_s, 90, u"确定"_s);
        changeGroup(1);
        QCOMPARE(savedGroups(), QStringList({u"改名/77"_s, u"乙/90"_s, u"c/60"_s}));
        QCOMPARE(c.phraseView->styleSheet(), itemStyleSheet(77));
        answerGroupDialog(u"c"_s, 90, u"确定"_s);
        QCOMPARE(answerBox([] { changeGroup(1); }).title, u"分组名重复"_s);
        QCOMPARE(c.groupTabBar->tabText(1), u"乙"_s);
        QCOMPARE(c.phraseList->item(3)->data(PhraseGroupRole).toString(), u"乙"_s);
        c.groupTabBar->moveTab(0, 2);
        QCOMPARE(savedGroups().value(2), u"改名/77"_s);
    }

    void deletingAGroupRemovesItsPhrasesOnlyWhenConfirmed() {
        QCOMPARE(answerBox([] { deleteGroup(1); }, QMessageBox::No).title, u"确认删除"_s);
        QCOMPARE(c.groupTabBar->count(), 3);
        c.searchBox->setText(u"a1"_s); // hidden rows of the group go too
        answerBox([] { deleteGroup(0); }, QMessageBox::Yes);
        QCOMPARE(savedGroups(), QStringList({u"乙/50"_s, u"c/60"_s}));
        QCOMPARE(savedPhrases(), QStringList(b1));
        QCOMPARE(hotkeysByRow(), QStringList(u"-"_s));
        // The last group cannot be deleted.
        c.groupTabBar->removeTab(1);
        QCOMPARE(answerBox([] { deleteGroup(0); }).title, u"提示"_s);
        QCOMPARE(c.groupTabBar->count(), 1);
    }

    // tab.json taken in from outside while a group's dialog is open may move the tabs: the
    // group asked about is the one renamed or deleted, never the one now at its place.
    void aGroupIsFoundByNameAfterItsDialog() {
        const auto moveTabsWhileOpen = [this](const std::function<void(QWidget *)> &answer) {
            answerNextModal([this, answer](QWidget *modal) {
                c.groupTabBar->moveTab(0, c.groupTabBar->count() - 1); // the first tab to the end
                answer(modal);
            });
        };
        moveTabsWhileOpen(
            [](QWidget *box) { qobject_cast<QMessageBox *>(box)->button(QMessageBox::Yes)->click(); });
        deleteGroup(0);
        QCOMPARE(savedGroups(), QStringList({u"乙/50"_s, u"c/60"_s}));
        QCOMPARE(savedPhrases(), QStringList(b1));

        moveTabsWhileOpen([](QWidget *dialog) {
            dialog->findChild<QLineEdit *>()->setText(u"改名"_s);
            for (auto *button : dialog->findChildren<QPushButton *>())
                if (button->text() == u"确定"_s)
                    button->click();
        });
        changeGroup(0); // 乙, now at 1
        QCOMPARE(savedGroups(), QStringList({u"c/60"_s, u"改名/50"_s}));
        QCOMPARE(savedPhrases(), QStringList(u"b1//改名/"_s));

        // Through the menu, open on c when the tabs move: c is deleted, 改名 and b1 stay.
        moveTabsWhileOpen([](QWidget *popup) {
            auto *menu = qobject_cast<QMenu *>(popup);
            answerNextModal(
                [](QWidget *box) { qobject_cast<QMessageBox *>(box)->button(QMessageBox::Yes)->click(); });
            for (QAction *action : menu->actions())
                if (action->text() == u"删除分组"_s)
                    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        });
        showGroupMenu(c.groupTabBar->tabRect(0).center());
        QCOMPARE(savedGroups(), QStringList(u"改名/50"_s));
        QCOMPARE(savedPhrases(), QStringList(u"b1//改名/"_s));
    }

    // A group switch keeps the search text; an added phrase the search hides still joins the group.
    void switchingGroupsKeepsTheSearchAndAddingAppendsToTheGroup() {
        c.groupTabBar->setCurrentIndex(1);
        QCOMPARE(c.phraseView->currentPhraseRow(), 3);
        c.searchBox->setText(u"2"_s);
        c.groupTabBar->setCurrentIndex(0);
        QCOMPARE(shownRows(c.phraseView), QStringList(u"1 a2"_s));
        QCOMPARE(c.phraseView->currentPhraseRow(), 1);
        c.groupTabBar->setCurrentIndex(1);
        c.searchBox->setText(u"b1"_s);
        c.addWindow.textEdit->setPlainText(u"left over"_s);
        c.addWindow.remarkEdit->setPlainText(u"old remark"_s);
        c.addButton->click();
        QVERIFY(c.addWindow.window->isVisible());
        QCOMPARE(c.addWindow.window->pos(), QPoint(300, 60)); // where config.json puts it
        QVERIFY(c.addWindow.textEdit->toPlainText().isEmpty() &&
                c.addWindow.remarkEdit->toPlainText().isEmpty());
        c.addWindow.textEdit->setPlainText(u" new "_s);
        c.groupTabBar->setCurrentIndex(0);
        c.groupTabBar->setCurrentIndex(1);
        c.addWindow.confirmButton->click();
        QVERIFY(!c.addWindow.window->isVisible());
        QCOMPARE(savedPhrases().constLast(), u" new //乙/"_s);
        QCOMPARE(shownRows(c.phraseView), QStringList(u"1 b1"_s));
        c.searchBox->clear();
        QCOMPARE(shownRows(c.phraseView), QStringList({u"1 b1"_s, u"2  new "_s}));
    }

    // The new phrase follows a2, the phrase the menu was opened on, through later changes.
    void addingAfterAPhraseInsertsBehindItInItsGroup_data() {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QStringList>("saved");
        const QString added = u"new/note/甲/Ctrl+Alt+2"_s;
        QTest::newRow("right behind it") << QString() << QStringList{a1, a2, added, a3, b1};
        QTest::newRow("the phrase above it was deleted") << u"a1"_s << QStringList{a2, added, a3, b1};
        QTest::newRow("it was dragged below the next phrase")
            << u"drag"_s << QStringList{a1, a3, a2, added, b1};
        QTest::newRow("it was deleted: at the end") << u"a2"_s << QStringList{a1, a3, b1, added};
        QTest::newRow("its group was deleted: in the current group")
            << u"乙"_s << QStringList{a1, a2, a3, u"new/note/c/Ctrl+Alt+2"_s};
    }
    void addingAfterAPhraseInsertsBehindItInItsGroup() {
        QFETCH(QString, meanwhile);
        QFETCH(QStringList, saved);
        if (meanwhile == u"乙"_s) {
            c.groupTabBar->setCurrentIndex(1);
            choosePhraseMenu(3, u"在当前短语后添加短语"_s);
            answerBox([] { deleteGroup(1); }, QMessageBox::Yes);
        } else {
            choosePhraseMenu(1, u"在当前短语后添加短语"_s);
        }
        QVERIFY(c.addWindow.window->isVisible());
        if (meanwhile == "drag"_L1)
            QVERIFY(c.phraseList->model()->moveRow(QModelIndex(), 1, QModelIndex(), 3));
        else if (meanwhile.startsWith(u'a'))
            deletePhrase(c.phraseList->findItems(meanwhile, Qt::MatchExactly).value(0));
        c.groupTabBar->setCurrentIndex(1);
        c.addWindow.textEdit->setPlainText(u"new"_s);
        c.addWindow.remarkEdit->setPlainText(u"note"_s);
        c.addWindow.hotkeyEdit->setKeySequence(hotkeySequence(u"Ctrl+Alt+2"_s));
        c.addWindow.confirmButton->click();
        QCOMPARE(savedPhrases(), saved);
        QStringList hotkeys; // each row's hotkey stays with its phrase
        for (const QString &line : saved)
            hotkeys << (line.endsWith(u'/') ? u"-"_s : line.section(u'/', -1));
        QCOMPARE(hotkeysByRow(), hotkeys);
    }

    // A refused hotkey keeps the window open and its hotkey editor emptied.
    void refusedChangesChangeNothing() {
        const QByteArray before = readAll(c.dataPath);
        // Adding only a remark, adding and editing with another phrase's hotkey.
        for (const auto &[edit, text, hotkey] :
             {std::tuple{false, QString(), QString()}, std::tuple{false, u"x"_s, u"Ctrl+Alt+1"_s},
              std::tuple{true, u"x"_s, u"Ctrl+Alt+1"_s}}) {
            const PhraseEditorWidgets &w = edit ? c.editWindow : c.addWindow;
            edit ? choosePhraseMenu(0, u"修改"_s) : c.addButton->click();
            w.textEdit->setPlainText(text);
            w.remarkEdit->setPlainText(u"a remark"_s);
            w.hotkeyEdit->setKeySequence(hotkeySequence(hotkey));
            QCOMPARE(answerBox([&w] { w.confirmButton->click(); }).title.isEmpty(), hotkey.isEmpty());
            QCOMPARE(w.window->isVisible(), !hotkey.isEmpty());
            QVERIFY(w.hotkeyEdit->keySequence().isEmpty());
            QCOMPARE(w.textEdit->toPlainText(), text);
            QCOMPARE(c.phraseList->count(), 4);
            QCOMPARE(readAll(c.dataPath), before);
        }
    }

    void editingFillsTheWindowAndSavesTheChanges() {
        choosePhraseMenu(1, u"修改"_s);
        QVERIFY(c.editWindow.window->isVisible());
        QCOMPARE(c.editWindow.textEdit->textCursor().selectedText(), u"a2"_s);
        QCOMPARE(c.editWindow.hotkeyEdit->keySequence(), hotkeySequence(u"Ctrl+Alt+1"_s));
        // Confirmed unchanged, the phrase keeps its own hotkey.
        c.editWindow.confirmButton->click();
        QCOMPARE(savedPhrases().value(1), a2);
        choosePhraseMenu(1, u"修改"_s);
        c.editWindow.textEdit->setPlainText(u"a2 changed"_s);
        c.editWindow.remarkEdit->setPlainText(u"r"_s);
        c.editWindow.hotkeyEdit->setKeySequence(hotkeySequence(u"Ctrl+Alt+2"_s));
        c.editWindow.confirmButton->click();
        QVERIFY(!c.editWindow.window->isVisible());
        QCOMPARE(savedPhrases().value(1), u"a2 changed/r/甲/Ctrl+Alt+2"_s);
        QCOMPARE(c.phraseList->item(1)->text(), u"r"_s);
        QCOMPARE(hotkeysByRow(), QStringList({u"-"_s, u"Ctrl+Alt+2"_s, u"-"_s, u"-"_s}));
        // An empty text keeps the text; "清空" removes the hotkey.
        choosePhraseMenu(1, u"修改"_s);
        c.editWindow.textEdit->clear();
        c.editWindow.clearButton->click();
        c.editWindow.confirmButton->click();
        QCOMPARE(savedPhrases().value(1), u"a2 changed/r/甲/"_s);
        QCOMPARE(hotkeysByRow().value(1), u"-"_s);
    }

    // data.json taken in from outside while a phrase's menu is open may move the phrase or make
    // every item anew (read in whole): the one moved is the one deleted; an item made anew is
    // not the one the menu was for, and nothing is deleted.
    void aPhraseMenuActsOnItsPhraseOnly() {
        const auto deleteFromMenuOnRow0 = [this](const std::function<void()> &meanwhile) {
            answerNextModal([meanwhile](QWidget *popup) {
                meanwhile();
                auto *menu = qobject_cast<QMenu *>(popup);
                for (QAction *action : menu->actions())
                    if (action->text() == u"删除"_s)
                        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            });
            const PhraseListView *view = c.phraseView;
            showPhraseMenu(
                view->visualRect(view->model()->index(view->shownPhrases()->shownRow(0), 0)).center());
        };
        deleteFromMenuOnRow0([this] {
            QVERIFY(c.phraseList->model()->moveRow(QModelIndex(), 0, QModelIndex(), c.phraseList->count()));
        });
        QCOMPARE(savedPhrases(), QStringList({a2, a3, b1}));
        deleteFromMenuOnRow0([this] {
            std::vector<std::unique_ptr<QListWidgetItem>> before;
            for (int row = 0; row < c.phraseList->count(); ++row)
                before.emplace_back(c.phraseList->item(row)->clone());
            c.phraseList->clear();
            // Made after the old ones went, as a read does: one may well take the place
            // in memory of the item the menu was opened on.
            for (const auto &item : before)
                c.phraseList->addItem(item->clone());
        });
        QCOMPARE(c.phraseList->count(), 3);
        QCOMPARE(savedPhrases(), QStringList({a2, a3, b1}));
    }

    // A moved row is saved at once, its hotkey along; a phrase deleted while edited is left alone.
    void movingAndDeletingRowsAndNoMenuOverAnEmptyArea() {
        QVERIFY(c.phraseList->model()->moveRow(QModelIndex(), 1, QModelIndex(), 4));
        QCOMPARE(savedPhrases(), QStringList({a1, a3, b1, a2}));
        QCOMPARE(shownRows(c.phraseView), QStringList({u"1 a1"_s, u"2 a3"_s, u"3 a2"_s}));
        QCOMPARE(hotkeysByRow(), QStringList({u"-"_s, u"-"_s, u"-"_s, u"Ctrl+Alt+1"_s}));
        choosePhraseMenu(3, u"修改"_s);
        choosePhraseMenu(3, u"删除"_s);
        QVERIFY(!editTarget());
        QCOMPARE(shownRows(c.phraseView), QStringList({u"1 a1"_s, u"2 a3"_s}));
        QCOMPARE(hotkeysByRow(), QStringList(3, u"-"_s));
        c.editWindow.textEdit->setPlainText(u"changed"_s);
        c.editWindow.confirmButton->click();
        QVERIFY(!c.editWindow.window->isVisible());
        QCOMPARE(savedPhrases(), QStringList({a1, a3, b1}));
        showPhraseMenu(QPoint(5, c.phraseView->viewport()->height() - 5)); // an empty area: no menu
        QTest::qWait(50);
        QVERIFY(!QApplication::activePopupWidget());
    }
};

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir dir, xdg;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg.path()));
    // Windows at known places, values outside the settings' ranges, autostart on.
    writeAll(dir.filePath(u"config.json"_s),
             R"({"chuangkou_x": 123, "chuangkou_y": 45, "tianjiachuangkou_x": 300,
        "tianjiachuangkou_y": 60, "zhiding": true, "tudingflag": false, "gundong": 17, "width": 100, "height": 400,
        "default_item_height": 1000, "hotkey": "Ctrl+Alt+Q", "ziqidong": true})");
    // The starter phrases, written by another program in a layout of its own.
    QJsonArray starters;
    for (const char *text : starterPhrases)
        starters.append(QJsonObject{{u"text"_s, QString::fromUtf8(text)}, {u"tab"_s, u"短语1"_s}});
    dataFileWrittenElsewhere = QJsonDocument(starters).toJson(QJsonDocument::Compact);
    writeAll(dir.filePath(u"data.json"_s), dataFileWrittenElsewhere);
    buildVerbolin(dir.path(), {u"verbolin"_s, u"--autostart"_s});
    dataFileUntouchedByTheBuild = readAll(dir.filePath(u"data.json"_s)) == dataFileWrittenElsewhere;
    settingsWindow(appContext()); // built on first use; the tests reach it directly
    StartupTest startup;
    LibraryTest library;
    return runTestObjects({&startup, &library}, argc, argv);
}

#include "tst_app.moc"
