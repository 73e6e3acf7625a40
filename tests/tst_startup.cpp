// The program built as at start-up (offscreen): its files, where the pick window shows,
// the texts the user reads (checked here once, against one list), window sizes, the add
// button, edits of the files by another program while it runs, and the help window.

#include "TestFiles.h"
#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/HelpWindow.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/UserNotices.h"
#include "app/WindowSize.h"
#include "library/PhraseItem.h"
#include "pickwindow/MyTabBar.h"
#include "pickwindow/NoEscCloseWidget.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFormLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

namespace {

QString actionTexts(const QMenu *menu) {
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    return texts.join(QLatin1Char('|'));
}

QString settingsLabels() {
    QStringList labels;
    const auto *form = appContext().settingsWindow->findChild<QFormLayout *>(QStringLiteral("settingsForm"));
    for (int row = 0; form && row < form->rowCount(); ++row)
        labels << qobject_cast<QLabel *>(form->itemAt(row, QFormLayout::LabelRole)->widget())->text();
    return labels.join(QLatin1Char('|'));
}

QList<NoEscCloseWidget *> helpWindows() {
    QList<NoEscCloseWidget *> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *help = qobject_cast<NoEscCloseWidget *>(w);
            help && !help->testAttribute(Qt::WA_WState_Hidden))
            windows << help;
    return windows;
}

void closeAll() {
    for (NoEscCloseWidget *w : helpWindows())
        w->close();
    QTRY_VERIFY(helpWindows().isEmpty());
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    AppContext &c = appContext();
    QList<QUrl> m_opened;

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase() {
        // A pick window at a known place; started with a switch that only looks like
        // "--autostart", so it shows.
        QJsonObject config = defaultConfig(QGuiApplication::primaryScreen()->geometry().size());
        config.insert(QStringLiteral("chuangkou_x"), 123);
        config.insert(QStringLiteral("chuangkou_y"), 45);
        config.insert(QStringLiteral("tudingflag"), false);
        config.insert(QStringLiteral("gundong"), 17);
        writeAll(m_dir.filePath(QStringLiteral("config.json")), QJsonDocument(config).toJson());
        buildVerbolin(m_dir.path(), {QStringLiteral("verbolin"), QStringLiteral("--AUTOSTART")});
    }
    void cleanup() { closeAll(); }

    // The help window of the add and edit windows; first, while the editors have never
    // been shown (a shown window gets frame margins offscreen, which moves its position).

    void eachHelpButtonClickOpensAWindowBesideItsEditor_data() {
        QTest::addColumn<bool>("fromEditWindow");
        QTest::newRow("add window") << false;
        QTest::newRow("edit window") << true;
    }
    void eachHelpButtonClickOpensAWindowBesideItsEditor() {
        QFETCH(bool, fromEditWindow);
        const PhraseEditorWidgets &editor = fromEditWindow ? c.editWindow : c.addWindow;
        editor.window->move(140, 160);
        editor.helpButton->click();
        editor.helpButton->click();
        const QList<NoEscCloseWidget *> windows = helpWindows();
        QCOMPARE(windows.size(), 2);
        for (NoEscCloseWidget *w : windows)
            QCOMPARE(w->pos(), editor.window->pos() + QPoint(30, 30));
    }

    void shownTagsReadAsTagsNotAsEntities() {
        QWidget anchor;
        openAdvancedInputHelp(&anchor);
        const QString basic = helpWindows().value(0)->findChild<QTextBrowser *>()->toPlainText();
        QVERIFY(basic.startsWith(QStringLiteral("什么是高级输入？")));
        for (const QString &shown : {QStringLiteral("<press Ctrl+Shift+A>"), QStringLiteral("\\<Enter>"),
                                     QStringLiteral("<img C:\\图片.png>")})
            QVERIFY2(basic.contains(shown), qPrintable(shown));
        QVERIFY(!basic.contains(QStringLiteral("&lt;")));
    }

    void linksSwitchPagesAndNothingElseOpens() {
        QWidget anchor;
        openAdvancedInputHelp(&anchor);
        auto *browser = helpWindows().value(0)->findChild<QTextBrowser *>();
        const QString basic = browser->toHtml();
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("verbolin"), this, "openUrl");

        emit browser->anchorClicked(QUrl(QStringLiteral("verbolin://full-tutorial")));
        QVERIFY(browser->toPlainText().startsWith(QStringLiteral("↩返回基础教程")));
        const QString full = browser->toHtml();
        emit browser->anchorClicked(QUrl(QStringLiteral("https://example.org/")));
        emit browser->anchorClicked(QUrl(QStringLiteral("verbolin://elsewhere")));
        QCOMPARE(browser->toHtml(), full);
        emit browser->anchorClicked(QUrl(QStringLiteral("verbolin://basic-tutorial")));
        QCOMPARE(browser->toHtml(), basic);

        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("verbolin"));
        QVERIFY(m_opened.isEmpty());
    }

    void escapeLeavesItOpenAndClosingDeletesIt() {
        QWidget anchor;
        openAdvancedInputHelp(&anchor);
        QPointer<NoEscCloseWidget> window = helpWindows().value(0);
        QTest::keyClick(window->findChild<QTextBrowser *>(), Qt::Key_Escape);
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(window->isVisible());
        window->close();
        QTRY_VERIFY(!window);
    }

    void filesAreCreatedBesideEachOtherAndThePickWindowShowsWhereSaved() {
        const AppContext &c = appContext();
        for (const char *name : {"config.json", "data.json", "tab.json"})
            QVERIFY2(QFile::exists(m_dir.filePath(QLatin1String(name))), name);
        QCOMPARE(c.phraseList->count(), 4);
        QCOMPARE(c.groupTabBar->count(), 3);
        // Only exactly "--autostart" suppresses the first show.
        QVERIFY(c.pickWindow->isVisible());
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
    }

    void textsShownToTheUser_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");
        const AppContext &c = appContext();
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
            row(w == &c.addWindow ? "add window controls" : "edit window controls",
                texts.join(QLatin1Char('|')), "如何更高级地输入？|备注：|快捷键：|清空|取消");
        }
        row("add window confirm button", c.addWindow.confirmButton->text(), "添加");
        row("edit window confirm button", c.editWindow.confirmButton->text(), "修改");
        row("tray menu", actionTexts(c.trayMenu), "设置|退出");
        row("phrase menu", actionTexts(c.phraseMenu), "修改|在当前短语后添加短语|删除");
        row("tray icon tooltip", c.trayIcon->toolTip(), "Verbolin");
        row("settings rows, in order", settingsLabels(),
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

    void everyWindowTakesTheSizeAndTheListItsWidth_data() {
        QTest::addColumn<int>("W");
        QTest::addColumn<int>("H");
        QTest::newRow("smallest 250 x 250") << 250 << 250;
        QTest::newRow("largest 2000 x 2000") << 2000 << 2000;
    }
    void everyWindowTakesTheSizeAndTheListItsWidth() {
        QFETCH(int, W);
        QFETCH(int, H);
        const AppContext &c = appContext();
        applyWindowSize(c, W, H);
        for (QWidget *window : {c.pickWindow, c.settingsWindow, c.addWindow.window, c.editWindow.window}) {
            QCOMPARE(window->minimumSize(), QSize(W, H));
            QCOMPARE(window->maximumSize(), QSize(W, H));
        }
        QCOMPARE(c.phraseList->maximumWidth(), W);
        // Controls of the top row and of the editors stay inside their windows.
        for (QWidget *w :
             {static_cast<QWidget *>(c.groupTabBar), static_cast<QWidget *>(c.searchBox),
              static_cast<QWidget *>(c.pinButton), static_cast<QWidget *>(c.addWindow.clearButton),
              static_cast<QWidget *>(c.editWindow.confirmButton)})
            QVERIFY2(w->x() >= 0 && w->x() + w->maximumWidth() <= W && w->y() + w->maximumHeight() <= H,
                     w->metaObject()->className());
    }

    void addButtonOpensAnEmptyAddWindowWhereSaved() {
        const PhraseEditorWidgets &add = appContext().addWindow;
        add.textEdit->setPlainText(QStringLiteral("left over"));
        add.remarkEdit->setPlainText(QStringLiteral("old remark"));
        add.hotkeyEdit->setKeySequence(QKeySequence(QStringLiteral("Ctrl+K")));
        add.clearButton->click();
        QVERIFY(add.hotkeyEdit->keySequence().isEmpty());
        appContext().addButton->click();
        QVERIFY(add.window->isVisible());
        QVERIFY(add.textEdit->toPlainText().isEmpty());
        QVERIFY(add.remarkEdit->toPlainText().isEmpty());
        QCOMPARE(add.window->pos(), QPoint(configInt(QStringLiteral("tianjiachuangkou_x")),
                                           configInt(QStringLiteral("tianjiachuangkou_y"))));
        add.cancelButton->click();
        QVERIFY(!add.window->isVisible());
    }

    // Someone else edits the files while the program runs.
    void outsideEditsAreReadAndNothingIsLost() {
        AppContext &c = appContext();
        QStringList told;
        setNoticeSink([&told](const QString &message) { told << message; });

        // A hand edit of config.json is applied (sizes kept within the settings' range) and
        // survives the program's next save.
        QJsonObject config = QJsonDocument::fromJson(readAll(c.configPath)).object();
        config.insert(QStringLiteral("delay"), 777);
        config.insert(QStringLiteral("width"), 30000);
        config.insert(QStringLiteral("height"), 100);
        writeAll(c.configPath, QJsonDocument(config).toJson());
        QTRY_COMPARE(configInt(QStringLiteral("delay")), 777);
        QCOMPARE(c.pickWindow->maximumSize(), QSize(maximumWindowLength, minimumWindowLength));
        QVERIFY(saveConfig(c.configPath));
        QCOMPARE(QJsonDocument::fromJson(readAll(c.configPath)).object().value(QStringLiteral("delay")),
                 QJsonValue(777));

        // A phrase added to data.json by another program shows up.
        QJsonArray phrases = QJsonDocument::fromJson(readAll(c.dataPath)).array();
        const int before = c.phraseList->count();
        phrases.append(QJsonObject{{QStringLiteral("text"), QStringLiteral("from outside")},
                                   {QStringLiteral("tab"), QStringLiteral("短语1")}});
        writeAll(c.dataPath, QJsonDocument(phrases).toJson());
        QTRY_COMPARE(c.phraseList->count(), before + 1);

        // An outside version written while the program's own change waits to be saved is
        // kept beside the file, and then the program's version is written.
        QVERIFY(QFile::remove(c.dataPath) && QDir().mkpath(c.dataPath));
        c.phraseList->item(0)->setData(PhraseTextRole, QStringLiteral("changed in the program"));
        QVERIFY(!savePhrases(c.phraseList, c.dataPath));
        QVERIFY(QDir(c.dataPath).removeRecursively());
        writeAll(c.dataPath, "[{\"text\": \"outside version\", \"tab\": \"短语1\"}]");
        QTRY_VERIFY(readAll(c.dataPath).contains("changed in the program"));
        const QStringList kept = QDir(m_dir.path()).entryList({QStringLiteral("data.json.outside-*")});
        QCOMPARE(kept.size(), 1);
        QVERIFY(readAll(m_dir.filePath(kept.first())).contains("outside version"));
        QVERIFY(told.size() >= 2); // the failed save and the kept version
        setNoticeSink(nullptr);
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
