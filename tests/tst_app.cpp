// The program built as at start-up (offscreen), with its data files in a folder of its
// own: its files, the texts the user reads (checked here once, against one list), the help
// window, the settings window's rows and window sizes, the autostart entry, edits of the
// files by another program while it runs; then the phrase library as the user edits it:
// the group filter, badges and search, groups and phrases with their hotkeys. Every change
// must reach config.json, data.json and tab.json.

#include "ModalAnswer.h"
#include "RunTestObjects.h"
#include "TestFiles.h"
#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/HelpWindow.h"
#include "app/Settings.h"
#include "app/SettingsRows.h"
#include "app/Startup.h"
#include "app/UserNotices.h"
#include "app/WindowPlacement.h"
#include "app/WindowSize.h"
#include "library/CaseInsensitiveSearch.h"
#include "library/GroupMenu.h"
#include "library/HotkeyEditFilters.h"
#include "library/HotkeyRules.h"
#include "library/PhraseEditing.h"
#include "library/PhraseFilter.h"
#include "library/PhraseHotkeys.h"
#include "library/PhraseItem.h"
#include "library/PhraseMenu.h"
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
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QSysInfo>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

QString actionTexts(const QMenu *menu) {
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    return texts.join(u'|');
}

// The settings rows' labels, and the control of the row with a label.
QFormLayout *settingsForm() {
    return appContext().settingsWindow->findChild<QFormLayout *>(u"settingsForm"_s);
}
QString settingsLabel(int row) {
    return qobject_cast<QLabel *>(settingsForm()->itemAt(row, QFormLayout::LabelRole)->widget())->text();
}
template <typename T> T *rowControl(const QString &label) {
    for (int row = 0; row < settingsForm()->rowCount(); ++row) {
        QWidget *field = settingsForm()->itemAt(row, QFormLayout::FieldRole)->widget();
        if (settingsLabel(row) == label)
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
    {"滚动条滚动速度：", "gundong", 9, false},
    {"默认短语项高度：", "default_item_height", 44, true},
    {"短语项左右内边距：", "phrase_item_padding_horizontal", 7, false},
    {"短语项上下内边距：", "phrase_item_padding_vertical", 3, false},
    {"高级输入间隔（毫秒）", "delay", 1500, false},
};

// How the desktop entry's Exec line quotes the executable's path.
struct ExecLine {
    const char *what, *path, *exec;
};
const ExecLine execLines[] = {
    {"a plain path is only quoted", "/opt/v/verbolin", "\"/opt/v/verbolin\" --autostart"},
    {"blanks and Chinese stay as they are", "/u/我的 程序/v", "\"/u/我的 程序/v\" --autostart"},
    {"a double quote is escaped, then the escape as a string", "/a\"b/v", "\"/a\\\\\"b/v\" --autostart"},
    {"a dollar and a backtick are escaped", "/a$b`c/v", "\"/a\\\\$b\\\\`c/v\" --autostart"},
    {"a backslash becomes four", "/a\\b/v", "\"/a\\\\\\\\b/v\" --autostart"},
    {"a percent sign is doubled, not a field code", "/100%/v", "\"/100%%/v\" --autostart"},
    {"a line break cannot end the Exec line", "/a\nb/v", "\"/a\\nb/v\" --autostart"},
};

bool onWindows() {
    return QSysInfo::kernelType() == "winnt"_L1;
}

// Runs the change and answers the message box it opens, if any, with a button; returns
// the box's title (empty when none opened).
QString answerBox(const std::function<void()> &change, QMessageBox::StandardButton press = QMessageBox::Ok) {
    QString title;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            poll.stop();
            title = box->windowTitle();
            box->button(press)->click();
        }
    });
    poll.start(10);
    change();
    return title;
}

QListWidgetItem *phrase(const QString &text, const QString &group, const QString &remark = QString()) {
    return newPhraseItem({text, remark, group, {}});
}

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

// The shown rows as "badge text"; with every row: "-" for a hidden one.
QStringList shownRows(const QListWidget *list, bool everyRow = false) {
    QStringList rows;
    for (int row = 0; row < list->count(); ++row) {
        const QString badge = list->item(row)->data(PhraseBadgeRole).toString();
        if (!list->isRowHidden(row))
            rows << (everyRow ? badge : badge + u' ' + list->item(row)->data(PhraseTextRole).toString());
        else if (everyRow)
            rows << u"-"_s + badge;
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

// Opens the phrase menu over a row and clicks (a key would go to the pick window's key
// filter) the action with the given text.
void choosePhraseMenu(int row, const QString &actionText) {
    QListWidget *list = appContext().phraseList;
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, actionText] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        timer->deleteLater();
        for (QAction *action : menu->actions())
            if (action->text() == actionText)
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    });
    timer->start();
    showPhraseMenu(list->visualItemRect(list->item(row)).center());
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

QString listHeight() {
    return QRegularExpression(u"height: *(\\d+)px"_s)
        .match(appContext().phraseList->styleSheet())
        .captured(1);
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
    AppContext &c = appContext();
    const QDir m_dir = QFileInfo(c.configPath).dir();
    QList<QUrl> m_opened;

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void cleanup() {
        for (NoEscCloseWidget *w : helpWindows())
            w->close();
        QTRY_VERIFY(helpWindows().isEmpty());
    }

    // First, while the editors have never been shown (a shown window gets frame margins
    // offscreen, which moves its position): each click opens a window beside its editor.
    void eachHelpButtonClickOpensAWindowBesideItsEditor() {
        for (const PhraseEditorWidgets *editor : {&c.addWindow, &c.editWindow}) {
            editor->window->move(140, 160);
            editor->helpButton->click();
            editor->helpButton->click();
            QCOMPARE(helpWindows().size(), 2);
            for (NoEscCloseWidget *w : helpWindows())
                QCOMPARE(w->pos(), editor->window->pos() + QPoint(30, 30));
            cleanup();
        }
    }

    // Tags read as tags, not entities; links switch pages and nothing else opens; Esc
    // leaves the window open and closing deletes it.
    void helpWindowShowsTagsAndSwitchesPages() {
        QWidget anchor;
        openAdvancedInputHelp(&anchor);
        QPointer<NoEscCloseWidget> window = helpWindows().value(0);
        auto *browser = window->findChild<QTextBrowser *>();
        for (const QString &shown : {u"<press Ctrl+Shift+A>"_s, u"\\<Enter>"_s, u"<img C:\\图片.png>"_s})
            QVERIFY2(browser->toPlainText().contains(shown), qPrintable(shown));
        QVERIFY(!browser->toPlainText().contains(u"&lt;"_s));
        const QString basic = browser->toHtml();
        QDesktopServices::setUrlHandler(u"https"_s, this, "openUrl");
        QDesktopServices::setUrlHandler(u"verbolin"_s, this, "openUrl");
        emit browser->anchorClicked(QUrl(u"verbolin://full-tutorial"_s));
        const QString full = browser->toHtml();
        QVERIFY(full != basic);
        emit browser->anchorClicked(QUrl(u"https://example.org/"_s));
        emit browser->anchorClicked(QUrl(u"verbolin://elsewhere"_s));
        QCOMPARE(browser->toHtml(), full);
        emit browser->anchorClicked(QUrl(u"verbolin://basic-tutorial"_s));
        QCOMPARE(browser->toHtml(), basic);
        QDesktopServices::unsetUrlHandler(u"https"_s);
        QDesktopServices::unsetUrlHandler(u"verbolin"_s);
        QVERIFY(m_opened.isEmpty());
        QTest::keyClick(browser, Qt::Key_Escape);
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(window->isVisible());
        window->close();
        QTRY_VERIFY(!window);
    }

    void filesAreCreatedAndThePickWindowShowsWhereSaved() {
        for (const char *name : {"config.json", "data.json", "tab.json"})
            QVERIFY2(QFile::exists(m_dir.filePath(QLatin1String(name))), name);
        QCOMPARE(c.phraseList->count(), 4);
        QCOMPARE(c.groupTabBar->count(), 3);
        QVERIFY(!c.pickWindow->isVisible()); // started at login
        showAtSavedPosition(c.pickWindow);
        QCOMPARE(c.pickWindow->pos(), QPoint(123, 45));
        QVERIFY(c.pickWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!c.settingsWindow->isVisible());
        QVERIFY(!QApplication::quitOnLastWindowClosed());
        QCOMPARE(c.phraseList->verticalScrollBar()->singleStep(), 17);
        // Phrases and groups are reordered by dragging and have a context menu.
        QCOMPARE(c.phraseList->dragDropMode(), QAbstractItemView::InternalMove);
        QVERIFY(c.groupTabBar->isMovable());
        QCOMPARE(c.phraseList->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(c.groupTabBar->contextMenuPolicy(), Qt::CustomContextMenu);
        // The settings show the stored values, sizes brought into range for the windows,
        // without storing them.
        QCOMPARE(c.globalHotkeyEdit->keySequence(), QKeySequence(u"Ctrl+Alt+Q"_s));
        QCOMPARE(rowControl<QSpinBox>(u"默认短语项高度："_s)->value(), 100);
        QCOMPARE(c.widthSpinBox->value(), 250);
        QCOMPARE(c.pickWindow->width(), 250);
        QCOMPARE(savedValue(u"width"_s), QJsonValue(100));
        QCOMPARE(savedValue(u"default_item_height"_s), QJsonValue(1000));
    }

    void textsShownToTheUser_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *where, const QString &shown, const char *expected) {
            QTest::newRow(where) << shown << QString::fromUtf8(expected);
        };
        row("pick window title", c.pickWindow->windowTitle(), "Verbolin");
        row("settings window title", c.settingsWindow->windowTitle(), "Verbolin-设置");
        row("add window title", c.addWindow.window->windowTitle(), "Verbolin-添加");
        row("edit window title", c.editWindow.window->windowTitle(), "Verbolin-修改");
        row("settings button tooltip", c.settingsButton->toolTip(), "设置");
        row("add button tooltip", c.addButton->toolTip(), "添加短语");
        row("pin button tooltip", c.pinButton->toolTip(), "钉住/取消钉住窗口（ ` ）");
        for (const PhraseEditorWidgets *w : {&c.addWindow, &c.editWindow}) {
            const QStringList texts = {w->helpButton->text(), w->remarkLabel->text(), w->hotkeyLabel->text(),
                                       w->clearButton->text(), w->cancelButton->text()};
            row(w == &c.addWindow ? "add window controls" : "edit window controls", texts.join(u'|'),
                "如何更高级地输入？|备注：|快捷键：|清空|取消");
        }
        row("add window confirm button", c.addWindow.confirmButton->text(), "添加");
        row("edit window confirm button", c.editWindow.confirmButton->text(), "修改");
        row("tray menu", actionTexts(c.trayMenu), "设置|退出");
        row("phrase menu", actionTexts(c.phraseMenu), "修改|在当前短语后添加短语|删除");
        row("tray icon tooltip", c.trayIcon->toolTip(), "Verbolin");
        QStringList labels;
        for (int i = 0; i < settingsForm()->rowCount(); ++i)
            labels << settingsLabel(i);
        row("settings rows, in order", labels.join(u'|'),
            "全局快捷键：|主窗口始终置顶：|窗口大小：|默认短语项高度：|短语项左右内边距：|短语项上下内边距：|"
            "滚动条滚动速度：|角标放左上角还是右上角？|钉住窗口时按下短语项对应角标输入短语？|"
            "钉住窗口时按下回车键输入短语？|上下方向键可以首尾循环选择短语项：|开机自启动：|"
            "高级输入间隔（毫秒）|版本：");
    }
    void textsShownToTheUser() {
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QCOMPARE(shown, expected);
    }

    // Each change is stored at once; some rows explain themselves in a box.
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
        for (const int value : {r.value, r.value + 1}) {
            const QJsonValue expected = check ? QJsonValue(!check->isChecked()) : QJsonValue(value);
            QCOMPARE(check && check->isChecked(), check && configBool(key));
            const QString title = answerBox([=] { check ? check->click() : spin->setValue(value); });
            QCOMPARE(!title.isEmpty(), r.tells);
            QCOMPARE(savedValue(key), expected);
            // The list is restyled at once (the paddings).
            QCOMPARE(c.phraseList->styleSheet(),
                     phraseItemStyleSheet(c.groupTabBar->tabData(c.groupTabBar->currentIndex()).toInt()));
        }
    }

    // Each size step stores both lengths, the width as its box shows it (brought into
    // range), and sizes every window; the controls stay inside at the extremes.
    void everyWindowTakesTheSizeAndItsControlsStayInside() {
        c.heightSpinBox->setValue(450);
        QCOMPARE(savedValue(u"width"_s), QJsonValue(250));
        QCOMPARE(savedValue(u"height"_s), QJsonValue(450));
        for (const int length : {600, minimumWindowLength, maximumWindowLength}) {
            c.widthSpinBox->setValue(length);
            c.heightSpinBox->setValue(length);
            QCOMPARE(savedValue(u"width"_s), QJsonValue(length));
            QCOMPARE(savedValue(u"height"_s), QJsonValue(length));
            for (QWidget *window : {c.pickWindow, c.settingsWindow, c.addWindow.window, c.editWindow.window})
                QVERIFY(window->minimumSize() == QSize(length, length) &&
                        window->maximumSize() == QSize(length, length));
            QCOMPARE(c.phraseList->maximumWidth(), length);
            for (QWidget *w :
                 std::initializer_list<QWidget *>{c.groupTabBar, c.searchBox, c.pinButton,
                                                  c.addWindow.clearButton, c.editWindow.confirmButton})
                QVERIFY2(w->x() >= 0 && w->x() + w->maximumWidth() <= length &&
                             w->y() + w->maximumHeight() <= length,
                         w->metaObject()->className());
        }
    }

    // The boxes show the size the windows were built with; a key that is missing stays so.
    void aMissingSizeShowsTheSizeTheWindowsHave() {
        using Size = std::pair<QJsonValue, QJsonValue>; // null: missing
        for (const auto &[width, height] : {Size(), Size(640, QJsonValue()), Size(u"wide"_s, 300)}) {
            configObject().remove(u"width"_s);
            configObject().remove(u"height"_s);
            if (!width.isNull())
                configObject().insert(u"width"_s, width);
            if (!height.isNull())
                configObject().insert(u"height"_s, height);
            saveConfig(c.configPath);
            const QJsonObject stored = configObject();
            applyConfiguredWindowSize(c);
            const QSize shown(c.widthSpinBox->value(), c.heightSpinBox->value());
            for (QWidget *window : {c.pickWindow, c.settingsWindow, c.addWindow.window, c.editWindow.window})
                QCOMPARE(window->size(), shown);
            QCOMPARE(shown.width(), width.toInt(shown.width()));
            QCOMPARE(shown.height(), height.toInt(shown.height()));
            QCOMPARE(configObject(), stored);
            QCOMPARE(savedValue(u"width"_s), width.isNull() ? QJsonValue(QJsonValue::Undefined) : width);
        }
    }

    void alwaysOnTopShowsTheHiddenPickWindowEitherWay() {
        auto *box = rowControl<QCheckBox>(u"主窗口始终置顶："_s);
        for (const bool on : {false, true}) {
            c.pickWindow->move(10, 20);
            c.pickWindow->hide();
            box->click();
            QCOMPARE(savedValue(u"zhiding"_s), QJsonValue(on));
            QCOMPARE(c.pickWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
            QVERIFY(c.pickWindow->isVisible());
            QCOMPARE(c.pickWindow->pos(), QPoint(configInt(u"chuangkou_x"_s), configInt(u"chuangkou_y"_s)));
        }
    }

    void versionButtonOpensTheHelpPage() {
        const QUrl page(helpPageAddress);
        QDesktopServices::setUrlHandler(page.scheme(), this, "openUrl");
        rowControl<QPushButton>(u"版本："_s)->click();
        QDesktopServices::unsetUrlHandler(page.scheme());
        QCOMPARE(m_opened, QList<QUrl>{page});
    }

    void autostartEntryQuotesThePath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("exec");
        for (const ExecLine &line : execLines)
            QTest::newRow(line.what) << QString::fromUtf8(line.path) << QByteArray(line.exec);
    }
    void autostartEntryQuotesThePath() {
        QFETCH(QString, path);
        QFETCH(QByteArray, exec);
        const QByteArray entry = autostartDesktopEntry(path);
        QVERIFY(entry.startsWith("[Desktop Entry]\n") && entry.contains("\nType=Application\n"));
        QVERIFY2(entry.contains("\nExec=" + exec + '\n'), entry.constData());
    }

    // The entry follows the check box, and is rewritten only when it names another
    // executable (the program was moved).
    void autostartEntryFollowsTheCheckBoxAndTheExecutable() {
        QCOMPARE(runValueCommand(u"C:\\P F\\v.exe"_s), u"\"C:\\P F\\v.exe\" --autostart"_s);
        if (onWindows())
            QSKIP("the desktop entry; the Windows build's Run value has a test of its own");
        const QString entry = autostartEntryLocation();
        QCOMPARE(entry, qEnvironmentVariable("XDG_CONFIG_HOME") + u"/autostart/verbolin.desktop"_s);
        const QByteArray mine = autostartDesktopEntry(QCoreApplication::applicationFilePath());
        auto *box = rowControl<QCheckBox>(u"开机自启动："_s);
        QVERIFY(box->isChecked());
        QCOMPARE(readAll(entry), mine); // autostart was on at start-up
        for (const bool on : {false, true}) {
            box->click();
            QCOMPARE(QFile::exists(entry), on);
            QCOMPARE(savedValue(u"ziqidong"_s), QJsonValue(on));
        }
        QCOMPARE(readAll(entry), mine);
        QVERIFY(!syncAutostartEntry());
        writeAll(entry, autostartDesktopEntry(u"/old/place/verbolin"_s));
        QVERIFY(syncAutostartEntry());
        QCOMPARE(readAll(entry), mine);
        setAutostartEntry(false);
        setAutostartEntry(false); // nothing there: still harmless
        QVERIFY(!QFile::exists(entry) && syncAutostartEntry());
    }

    // Someone else edits the files while the program runs.
    void outsideEditsAreReadAndNothingIsLost() {
        QStringList told;
        setNoticeSink([&told](const QString &message) { told << message; });
        // A hand edit of config.json is applied (sizes kept within the settings' range) and
        // survives the program's next save.
        QJsonObject config = QJsonDocument::fromJson(readAll(c.configPath)).object();
        config.insert(u"delay"_s, 777);
        config.insert(u"width"_s, 30000);
        config.insert(u"height"_s, 100);
        writeAll(c.configPath, QJsonDocument(config).toJson());
        QTRY_COMPARE(configInt(u"delay"_s), 777);
        QCOMPARE(c.pickWindow->maximumSize(), QSize(maximumWindowLength, minimumWindowLength));
        QVERIFY(saveConfig(c.configPath));
        QCOMPARE(savedValue(u"delay"_s), QJsonValue(777));
        // A phrase added to data.json by another program shows up.
        QJsonArray phrases = QJsonDocument::fromJson(readAll(c.dataPath)).array();
        const int before = c.phraseList->count();
        phrases.append(QJsonObject{{u"text"_s, u"from outside"_s}, {u"tab"_s, u"短语1"_s}});
        writeAll(c.dataPath, QJsonDocument(phrases).toJson());
        QTRY_COMPARE(c.phraseList->count(), before + 1);
        // An outside version written while the program's own change waits to be saved is
        // kept beside the file, and then the program's version is written.
        QVERIFY(QFile::remove(c.dataPath) && QDir().mkpath(c.dataPath));
        c.phraseList->item(0)->setData(PhraseTextRole, u"changed in the program"_s);
        QVERIFY(!savePhrases(c.phraseList, c.dataPath));
        QVERIFY(QDir(c.dataPath).removeRecursively());
        writeAll(c.dataPath, "[{\"text\": \"outside version\", \"tab\": \"短语1\"}]");
        QTRY_VERIFY(readAll(c.dataPath).contains("changed in the program"));
        const QStringList kept = QDir(m_dir.path()).entryList({u"data.json.outside-*"_s});
        QCOMPARE(kept.size(), 1);
        QVERIFY(readAll(m_dir.filePath(kept.first())).contains("outside version"));
        QVERIFY(told.size() >= 2); // the failed save and the kept version
        setNoticeSink(nullptr);
    }
};

class LibraryTest : public QObject {
    Q_OBJECT
    AppContext &c = appContext();
    const QString a1 = u"a1//甲/"_s, a2 = u"a2//甲/Ctrl+Alt+1"_s, a3 = u"a3//甲/"_s, b1 = u"b1//乙/"_s;

private slots:
    void initTestCase() { applyWindowSize(c, 500, 500); }

    // Groups 甲 (current, height 40), 乙 (50), 丙 (60); phrases a1, a2 (with Ctrl+Alt+1),
    // a3 in 甲 and b1 in 乙.
    void init() {
        c.addWindow.window->close();
        c.editWindow.window->close();
        c.searchBox->clear();
        c.phraseList->clear();
        while (c.groupTabBar->count() > 0)
            c.groupTabBar->removeTab(0);
        for (const auto &[name, height] :
             {std::pair{u"甲"_s, 40}, std::pair{u"乙"_s, 50}, std::pair{u"丙"_s, 60}})
            c.groupTabBar->setTabData(c.groupTabBar->addTab(name), height);
        c.phraseList->addItem(phrase(u"a1"_s, u"甲"_s));
        c.phraseList->addItem(newPhraseItem({u"a2"_s, {}, u"甲"_s, u"Ctrl+Alt+1"_s}));
        c.phraseList->addItem(phrase(u"a3"_s, u"甲"_s));
        c.phraseList->addItem(phrase(u"b1"_s, u"乙"_s));
        c.groupTabBar->setCurrentIndex(1);
        c.groupTabBar->setCurrentIndex(0);
        rebuildPhraseHotkeys();
    }

    // --- the filter, on lists of its own ---

    void searchMatchesTextOrRemarkIgnoringCaseWithinTheGroup() {
        QListWidget list;
        list.addItem(phrase(u"xABCx"_s, u"g"_s));
        list.addItem(phrase(u"nothing"_s, u"g"_s, u"remark Abc"_s));
        list.addItem(phrase(u"abc elsewhere"_s, u"G"_s));
        list.addItem(phrase(u"plain"_s, u"g"_s));
        filterPhraseList(&list, u"g"_s, u"abc"_s);
        QCOMPARE(shownRows(&list, true), QStringList({u"1"_s, u"2"_s, u"-"_s, u"-"_s}));
        filterPhraseList(&list, u"g"_s, QString());
        QCOMPARE(shownRows(&list).size(), 3);
    }

    // The search's quick test of each place must find what Qt's own case-insensitive
    // contains() finds, letters that fold across scripts and surrogate pairs included.
    void searchFindsWhatContainsIgnoringCaseFinds() {
        const std::pair<const char16_t *, const char16_t *> cases[] = {
            {u"Say HELLO there", u"hello"},
            {u"regards", u"DS"},
            {u"ab", u"abc"},
            {u"helhello", u"hello"},
            {u"\u212Aey", u"key"},
            {u"\u017Fun", u"SUN"},
            {u"备注 12 您好", u"您好"},
            {u"ΟΔΟΣ", u"οδος"},
            {u"ΑΣΑ", u"ςα"},
            {u"the KEY", u"\u212Aey"},
            {u"2026年", u"26年"},
            {u"x\U00010428y", u"\U00010400Y"},
            {u"abcd\U00010428", u"BCD\U00010400"},
            {u"您好 invoice REGARDS", u"ce regards"},
            {u"\U00010400", u"\xDC00"},
            {u"", u"a"},
            {u"CAFÉ", u"éé"},
            {u"\u212A", u"k"},
            {u"x\u017Fy", u"\u017F"},
            {u"o\u212Ay", u"OK"},
            {u"hE", u"he"},
            {u"Hx he", u"HE"},
        };
        for (const auto &[haystackText, needleText] : cases) {
            const QString haystack = QString::fromUtf16(haystackText),
                          needle = QString::fromUtf16(needleText);
            QVERIFY2(CaseInsensitiveSearch(needle).foundIn(haystack) ==
                         haystack.contains(needle, Qt::CaseInsensitive),
                     qPrintable(haystack + u" / "_s + needle));
        }
    }

    void badgesNumberShownRowsOnlyAndStopAfterZ() {
        QListWidget list;
        for (int i = 0; i < 49; ++i) // every fifth of the first 45 rows belongs to another group
            list.addItem(phrase(QString::number(i), i % 5 == 0 && i < 45 ? u"x"_s : u"g"_s));
        filterPhraseList(&list, u"g"_s, QString());
        QString badges = shownRows(&list, true).join(QString());
        QCOMPARE(badges.count(u'-'), 9); // hidden rows carry no badge
        QCOMPARE(badges.remove(u'-'), u"1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s);
        selectFirstVisiblePhrase(&list);
        QCOMPARE(list.currentRow(), 1);
        // With every row hidden the current row stays.
        list.setCurrentRow(3);
        filterPhraseList(&list, u"nothing"_s, QString());
        selectFirstVisiblePhrase(&list);
        QCOMPARE(list.currentRow(), 3);
    }

    // The filter starts from what it showed before: typing, deleting, switching groups
    // and editing a phrase must each leave what one pass over a fresh list leaves.
    void searchStepsShowWhatAFreshListShows() {
        const QStringList texts = {u"abc"_s, u"xABd"_s, u"b"_s, u"cab"_s, u"zzz"_s, u"abcd"_s};
        const auto fill = [&texts](QListWidget *list, bool edited) {
            for (int i = 0; i < 60; ++i)
                list->addItem(phrase(i == 4 && edited ? u"zab"_s : texts.at(i % texts.size()),
                                     i % 4 == 3 ? u"h"_s : u"g"_s, i % 7 == 0 ? u"Rab"_s : QString()));
        };
        QListWidget stepped;
        fill(&stepped, false);
        QString group = u"g"_s, text;
        bool edited = false;
        for (const char *step : {"a", "ab", "abc", "ab", "", "b", "B", "zb", "edit", "ab", "h:", "a"}) {
            if (QLatin1String(step) == "edit"_L1) {
                stepped.item(4)->setData(PhraseTextRole, u"zab"_s);
                edited = true;
            } else if (QLatin1String(step) == "h:"_L1) {
                group = u"h"_s;
            } else {
                text = QLatin1String(step);
            }
            filterPhraseList(&stepped, group, text);
            QListWidget fresh;
            fill(&fresh, edited);
            filterPhraseList(&fresh, group, text);
            QCOMPARE(shownRows(&stepped, true), shownRows(&fresh, true));
        }
    }

    // --- groups ---

    void switchingGroupsAndSearchingRefilters() {
        QCOMPARE(shownRows(c.phraseList), QStringList({u"1 a1"_s, u"2 a2"_s, u"3 a3"_s}));
        c.groupTabBar->setCurrentIndex(1);
        QCOMPARE(shownRows(c.phraseList), QStringList(u"1 b1"_s));
        QCOMPARE(c.phraseList->currentRow(), 3);
        QCOMPARE(listHeight(), u"50"_s);
        c.searchBox->setText(u"2"_s);
        QVERIFY(shownRows(c.phraseList).isEmpty());
        c.groupTabBar->setCurrentIndex(0); // the search text stays when the group changes
        QCOMPARE(shownRows(c.phraseList), QStringList(u"1 a2"_s));
        QCOMPARE(c.phraseList->currentRow(), 1);
    }

    void aNewGroupIsInsertedAndShownWithItsItemHeight_data() {
        QTest::addColumn<int>("groupsBefore");
        QTest::addColumn<int>("at");
        QTest::newRow("after a clicked tab") << 3 << 2;
        QTest::newRow("the first on an empty tab bar") << 0 << 0;
    }
    void aNewGroupIsInsertedAndShownWithItsItemHeight() {
        QFETCH(int, groupsBefore);
        QFETCH(int, at);
        while (c.groupTabBar->count() > groupsBefore)
            c.groupTabBar->removeTab(0);
        answerGroupDialog(u"新的"_s, 33, u"确定"_s);
        createGroupAt(at);
        QCOMPARE(c.groupTabBar->currentIndex(), at);
        QVERIFY(shownRows(c.phraseList).isEmpty());
        QCOMPARE(listHeight(), u"33"_s);
        QCOMPARE(savedGroups().size(), groupsBefore + 1);
        QCOMPARE(savedGroups().at(at), u"新的/33"_s);
    }

    // Cancelled, an empty name and a taken name change nothing; names that differ only in
    // case are different groups.
    void refusedNewGroupsChangeNothing() {
        answerGroupDialog(u"x"_s, 20, u"取消"_s);
        createGroupAt(3);
        answerGroupDialog(QString(), 20, u"确定"_s);
        createGroupAt(3);
        answerGroupDialog(u"乙"_s, 20, u"确定"_s);
        QCOMPARE(answerBox([] { createGroupAt(3); }), u"分组名重复"_s);
        QCOMPARE(c.groupTabBar->count(), 3);
        answerGroupDialog(u"A"_s, 20, u"确定"_s);
        createGroupAt(3);
        answerGroupDialog(u"a"_s, 20, u"确定"_s);
        createGroupAt(4);
        QCOMPARE(c.groupTabBar->count(), 5);
    }

    void renamingAGroupMovesItsPhrasesAndRestylesWhenCurrent() {
        answerGroupDialog(u"改名"_s, 77, u"确定"_s);
        changeGroup(0);
        QCOMPARE(listHeight(), u"77"_s);
        QCOMPARE(shownRows(c.phraseList).size(), 3);
        QCOMPARE(savedPhrases().at(2), u"a3//改名/"_s);
        QCOMPARE(savedGroups().at(0), u"改名/77"_s);
    }

    void changingOnlyTheHeightIsAllowedButNotAnotherGroupsName() {
        answerGroupDialog(u"乙"_s, 90, u"确定"_s);
        changeGroup(1);
        QCOMPARE(savedGroups().at(1), u"乙/90"_s);
        QCOMPARE(listHeight(), u"40"_s); // 乙 is not current
        answerGroupDialog(u"丙"_s, 90, u"确定"_s);
        QCOMPARE(answerBox([] { changeGroup(1); }), u"分组名重复"_s);
        QCOMPARE(c.groupTabBar->tabText(1), u"乙"_s);
        QCOMPARE(c.phraseList->item(3)->data(PhraseGroupRole).toString(), u"乙"_s);
    }

    void deletingAGroupRemovesItsPhrasesOnlyWhenConfirmed() {
        QCOMPARE(answerBox([] { deleteGroup(1); }, QMessageBox::No), u"确认删除"_s);
        QCOMPARE(c.groupTabBar->count(), 3);
        c.searchBox->setText(u"a1"_s); // hidden rows of the group go too
        answerBox([] { deleteGroup(0); }, QMessageBox::Yes);
        QCOMPARE(savedGroups(), QStringList({u"乙/50"_s, u"丙/60"_s}));
        QCOMPARE(savedPhrases(), QStringList(b1));
        QCOMPARE(hotkeysByRow(), QStringList(u"-"_s));
        // The last group cannot be deleted.
        c.groupTabBar->removeTab(1);
        QCOMPARE(answerBox([] { deleteGroup(0); }), u"提示"_s);
        QCOMPARE(c.groupTabBar->count(), 1);
    }

    void movingATabRewritesTheGroupFile() {
        c.groupTabBar->moveTab(0, 2);
        QCOMPARE(savedGroups().at(2), u"甲/40"_s);
    }

    // --- phrases ---

    void theAddButtonAppendsToTheCurrentGroupEvenWhenTheSearchHidesIt() {
        c.groupTabBar->setCurrentIndex(1);
        c.searchBox->setText(u"b1"_s);
        c.addWindow.textEdit->setPlainText(u"left over"_s);
        c.addWindow.remarkEdit->setPlainText(u"old remark"_s);
        c.addButton->click();
        QVERIFY(c.addWindow.window->isVisible());
        QCOMPARE(c.addWindow.window->pos(),
                 QPoint(configInt(u"tianjiachuangkou_x"_s), configInt(u"tianjiachuangkou_y"_s)));
        QVERIFY(c.addWindow.textEdit->toPlainText().isEmpty() &&
                c.addWindow.remarkEdit->toPlainText().isEmpty());
        c.addWindow.textEdit->setPlainText(u" new "_s);
        c.groupTabBar->setCurrentIndex(0);
        c.groupTabBar->setCurrentIndex(1);
        c.addWindow.confirmButton->click();
        QVERIFY(!c.addWindow.window->isVisible());
        QCOMPARE(savedPhrases().constLast(), u" new //乙/"_s);
        QCOMPARE(shownRows(c.phraseList), QStringList(u"1 b1"_s));
        c.searchBox->clear();
        QCOMPARE(shownRows(c.phraseList), QStringList({u"1 b1"_s, u"2  new "_s}));
    }

    // The new phrase follows the phrase the window was opened for (a2) through what the
    // list went through while the window was open.
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
            << u"乙"_s << QStringList{a1, a2, a3, u"new/note/丙/Ctrl+Alt+2"_s};
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

    // Without a text nothing is added; a refused hotkey (taken, or no modifier) keeps
    // the window open with the hotkey cleared.
    void refusedAddsChangeNothing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hotkey");
        QTest::newRow("only a remark") << QString() << QString();
        QTest::newRow("another phrase's hotkey") << u"x"_s << u"Ctrl+Alt+1"_s;
        QTest::newRow("a letter alone") << u"x"_s << u"Q"_s;
    }
    void refusedAddsChangeNothing() {
        QFETCH(QString, text);
        QFETCH(QString, hotkey);
        const QByteArray before = readAll(c.dataPath);
        c.addButton->click();
        c.addWindow.textEdit->setPlainText(text);
        c.addWindow.remarkEdit->setPlainText(u"a remark"_s);
        c.addWindow.hotkeyEdit->setKeySequence(hotkeySequence(hotkey));
        QCOMPARE(answerBox([this] { c.addWindow.confirmButton->click(); }).isEmpty(), hotkey.isEmpty());
        QCOMPARE(c.addWindow.window->isVisible(), !hotkey.isEmpty());
        QVERIFY(c.addWindow.hotkeyEdit->keySequence().isEmpty());
        QCOMPARE(c.addWindow.textEdit->toPlainText(), text);
        QCOMPARE(c.phraseList->count(), 4);
        QCOMPARE(readAll(c.dataPath), before);
    }

    void editingFillsTheWindowAndSavesTheChanges() {
        choosePhraseMenu(1, u"修改"_s);
        QVERIFY(c.editWindow.window->isVisible());
        QCOMPARE(c.editWindow.textEdit->textCursor().selectedText(), u"a2"_s);
        QCOMPARE(c.editWindow.hotkeyEdit->keySequence(), hotkeySequence(u"Ctrl+Alt+1"_s));
        // Confirmed unchanged, the phrase keeps its own hotkey.
        c.editWindow.confirmButton->click();
        QCOMPARE(savedPhrases().at(1), a2);
        choosePhraseMenu(1, u"修改"_s);
        c.editWindow.textEdit->setPlainText(u"a2 changed"_s);
        c.editWindow.remarkEdit->setPlainText(u"r"_s);
        c.editWindow.hotkeyEdit->setKeySequence(hotkeySequence(u"Ctrl+Alt+2"_s));
        c.editWindow.confirmButton->click();
        QVERIFY(!c.editWindow.window->isVisible());
        QCOMPARE(savedPhrases().at(1), u"a2 changed/r/甲/Ctrl+Alt+2"_s);
        QCOMPARE(c.phraseList->item(1)->text(), u"r"_s);
        QCOMPARE(hotkeysByRow(), QStringList({u"-"_s, u"Ctrl+Alt+2"_s, u"-"_s, u"-"_s}));
        // An empty text keeps the text; "清空" removes the hotkey.
        choosePhraseMenu(1, u"修改"_s);
        c.editWindow.textEdit->clear();
        c.editWindow.clearButton->click();
        c.editWindow.confirmButton->click();
        QCOMPARE(savedPhrases().at(1), u"a2 changed/r/甲/"_s);
        QCOMPARE(hotkeysByRow().at(1), u"-"_s);
    }

    void editingRefusesAnotherPhrasesHotkey() {
        choosePhraseMenu(0, u"修改"_s);
        c.editWindow.textEdit->setPlainText(u"a1 changed"_s);
        c.editWindow.hotkeyEdit->setKeySequence(hotkeySequence(u"Ctrl+Alt+1"_s));
        QVERIFY(!answerBox([this] { c.editWindow.confirmButton->click(); }).isEmpty());
        QVERIFY(c.editWindow.window->isVisible());
        QVERIFY(c.editWindow.hotkeyEdit->keySequence().isEmpty());
        QCOMPARE(savedPhrases().at(0), a1);
    }

    void aPhraseDeletedWhileItIsEditedIsLeftAlone() {
        choosePhraseMenu(1, u"修改"_s);
        choosePhraseMenu(1, u"删除"_s);
        QVERIFY(!editTarget());
        QCOMPARE(shownRows(c.phraseList), QStringList({u"1 a1"_s, u"2 a3"_s}));
        QCOMPARE(hotkeysByRow(), QStringList(3, u"-"_s));
        c.editWindow.textEdit->setPlainText(u"changed"_s);
        c.editWindow.confirmButton->click();
        QVERIFY(!c.editWindow.window->isVisible());
        QCOMPARE(savedPhrases(), QStringList({a1, a3, b1}));
    }

    void movingARowSavesTheOrderAndTheHotkeyFollowsThePhrase() {
        QVERIFY(c.phraseList->model()->moveRow(QModelIndex(), 1, QModelIndex(), 4));
        QCOMPARE(savedPhrases(), QStringList({a1, a3, b1, a2}));
        QCOMPARE(shownRows(c.phraseList), QStringList({u"1 a1"_s, u"2 a3"_s, u"3 a2"_s}));
        QCOMPARE(hotkeysByRow(), QStringList({u"-"_s, u"-"_s, u"-"_s, u"Ctrl+Alt+1"_s}));
    }

    void eachHotkeyEditorHasItsOwnFilterAndAnEmptyAreaNoMenu() {
        QList<QKeySequenceEdit *> watched;
        for (const KjjHotkeyEditFilter *filter : qApp->findChildren<KjjHotkeyEditFilter *>())
            watched << filter->watchedEditor();
        QCOMPARE(watched, QList<QKeySequenceEdit *>({c.addWindow.hotkeyEdit, c.editWindow.hotkeyEdit}));
        showPhraseMenu(QPoint(5, c.phraseList->viewport()->height() - 5));
        QTest::qWait(50);
        QVERIFY(!QApplication::activePopupWidget());
    }
};

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir dir, xdg;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg.path()));
    // A pick window at a known place, values outside the settings' ranges, autostart on.
    QJsonObject config = defaultConfig(QGuiApplication::primaryScreen()->geometry().size());
    const QJsonObject changes = QJsonDocument::fromJson(R"({"chuangkou_x": 123, "chuangkou_y": 45,
        "tudingflag": false, "gundong": 17, "width": 100, "height": 400, "default_item_height": 1000,
        "hotkey": "Ctrl+Alt+Q", "ziqidong": true})")
                                    .object();
    for (auto it = changes.begin(); it != changes.end(); ++it)
        config.insert(it.key(), it.value());
    writeAll(dir.filePath(u"config.json"_s), QJsonDocument(config).toJson());
    buildVerbolin(dir.path(), {u"verbolin"_s, u"--autostart"_s});
    StartupTest startup;
    LibraryTest library;
    return runTestObjects({&startup, &library}, argc, argv);
}

#include "tst_app.moc"
