#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/UserNotices.h"
#include "app/WindowSize.h"
#include "library/PhraseItem.h"
#include "pickwindow/MyTabBar.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList actionTexts(const QMenu *menu) {
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    return texts;
}

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void replaceFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QRect geometryOf(const QWidget *w) {
    return QRect(w->pos(), w->maximumSize());
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        // Start from a config whose pick window sits at a known place and is always on top,
        // the other windows where a new install on this screen puts them (within reach).
        QJsonObject config = defaultConfig(QGuiApplication::primaryScreen()->geometry().size());
        config.insert(QStringLiteral("chuangkou_x"), 123);
        config.insert(QStringLiteral("chuangkou_y"), 45);
        config.insert(QStringLiteral("gundong"), 17);
        config.insert(QStringLiteral("tudingflag"), false);
        QFile file(m_dir.filePath(QStringLiteral("config.json")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(config).toJson());
        file.close();
        buildVerbolin(m_dir.path(), {QStringLiteral("verbolin"), QStringLiteral("--AUTOSTART")});
    }

    void filesAreCreatedBesideEachOther() {
        for (const char *name : {"config.json", "data.json", "tab.json"})
            QVERIFY2(QFile::exists(m_dir.filePath(QLatin1String(name))), name);
        QCOMPARE(appContext().phraseList->count(), 4);
        QCOMPARE(appContext().groupTabBar->count(), 3);
    }

    void windowsCarryTheirTitlesAndThePickWindowIsShownWhereSaved() {
        const AppContext &c = appContext();
        QCOMPARE(c.pickWindow->windowTitle(), QStringLiteral("Verbolin"));
        QCOMPARE(c.settingsWindow->windowTitle(), QStringLiteral("Verbolin-设置"));
        QCOMPARE(c.addWindow.window->windowTitle(), QStringLiteral("Verbolin-添加"));
        QCOMPARE(c.editWindow.window->windowTitle(), QStringLiteral("Verbolin-修改"));
        // Only exactly "--autostart" suppresses the first show.
        QVERIFY(c.pickWindow->isVisible());
        QCOMPARE(c.pickWindow->pos(), QPoint(123, 45));
        QVERIFY(c.pickWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!c.settingsWindow->isVisible());
        QVERIFY(!QApplication::quitOnLastWindowClosed());
    }

    void pickWindowChildrenAreSetUp() {
        const AppContext &c = appContext();
        for (QPushButton *button : {c.settingsButton, c.addButton, c.pinButton}) {
            QCOMPARE(button->objectName(), QStringLiteral("iconButton"));
            QCOMPARE(button->text(), QString());
            QCOMPARE(button->iconSize(), QSize(20, 20));
            QCOMPARE(button->parentWidget(), c.pickWindow);
        }
        QCOMPARE(c.settingsButton->toolTip(), QStringLiteral("设置"));
        QCOMPARE(c.addButton->toolTip(), QStringLiteral("添加短语"));
        QCOMPARE(c.pinButton->toolTip(), QStringLiteral("钉住/取消钉住窗口（ ` ）"));
        QVERIFY(c.searchBox->isClearButtonEnabled());
        QVERIFY(c.phraseList->wordWrap());
        QVERIFY(c.phraseList->uniformItemSizes());
        QCOMPARE(c.phraseList->verticalScrollMode(), QAbstractItemView::ScrollPerPixel);
        QCOMPARE(c.phraseList->verticalScrollBar()->singleStep(), 17);
        QCOMPARE(c.phraseList->dragDropMode(), QAbstractItemView::InternalMove);
        QCOMPARE(c.phraseList->defaultDropAction(), Qt::MoveAction);
        QCOMPARE(c.phraseList->contextMenuPolicy(), Qt::CustomContextMenu);
        QVERIFY(c.groupTabBar->isMovable());
        QVERIFY(!c.groupTabBar->expanding());
        QVERIFY(!c.groupTabBar->drawBase());
        QCOMPARE(c.groupTabBar->contextMenuPolicy(), Qt::CustomContextMenu);
    }

    void editorWindowsHaveTheirControls() {
        for (const PhraseEditorWidgets *w : {&appContext().addWindow, &appContext().editWindow}) {
            QCOMPARE(w->helpButton->text(), QStringLiteral("如何更高级地输入？"));
            QCOMPARE(w->remarkLabel->text(), QStringLiteral("备注："));
            QCOMPARE(w->hotkeyLabel->text(), QStringLiteral("快捷键："));
            QCOMPARE(w->clearButton->text(), QStringLiteral("清空"));
            QCOMPARE(w->cancelButton->text(), QStringLiteral("取消"));
        }
        QCOMPARE(appContext().addWindow.confirmButton->text(), QStringLiteral("添加"));
        QCOMPARE(appContext().editWindow.confirmButton->text(), QStringLiteral("修改"));

        const PhraseEditorWidgets &add = appContext().addWindow;
        add.hotkeyEdit->setKeySequence(QKeySequence(QStringLiteral("Ctrl+K")));
        add.clearButton->click();
        QVERIFY(add.hotkeyEdit->keySequence().isEmpty());
    }

    void addButtonOpensAnEmptyAddWindow() {
        const PhraseEditorWidgets &add = appContext().addWindow;
        add.textEdit->setPlainText(QStringLiteral("left over"));
        add.remarkEdit->setPlainText(QStringLiteral("old remark"));
        appContext().addButton->click();
        QVERIFY(add.window->isVisible());
        QVERIFY(add.textEdit->toPlainText().isEmpty());
        QVERIFY(add.remarkEdit->toPlainText().isEmpty());
        QCOMPARE(add.window->pos(), QPoint(configInt(QStringLiteral("tianjiachuangkou_x")),
                                           configInt(QStringLiteral("tianjiachuangkou_y"))));
        add.cancelButton->click();
        QVERIFY(!add.window->isVisible());
    }

    void settingsWindowIsAScrollingForm() {
        const auto *area = appContext().settingsWindow->findChild<QScrollArea *>();
        QVERIFY(area);
        QVERIFY(area->widgetResizable());
        QCOMPARE(area->frameShape(), QFrame::NoFrame);
        QCOMPARE(area->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }

    void menusHoldTheirActionsInOrder() {
        QCOMPARE(actionTexts(appContext().trayMenu),
                 QStringList({QStringLiteral("设置"), QStringLiteral("退出")}));
        QCOMPARE(actionTexts(appContext().phraseMenu),
                 QStringList({QStringLiteral("修改"), QStringLiteral("在当前短语后添加短语"),
                              QStringLiteral("删除")}));
        QCOMPARE(appContext().trayIcon->toolTip(), QStringLiteral("Verbolin"));
        QCOMPARE(appContext().trayIcon->contextMenu(), appContext().trayMenu);
    }

    void windowSizeGeometry_data() {
        QTest::addColumn<int>("W");
        QTest::addColumn<int>("H");
        QTest::newRow("smallest 250 x 250") << 250 << 250;
        QTest::newRow("default 500 x 500") << 500 << 500;
        QTest::newRow("largest 2000 x 2000") << 2000 << 2000;
    }
    void windowSizeGeometry() {
        QFETCH(int, W);
        QFETCH(int, H);
        const AppContext &c = appContext();
        applyWindowSize(c, W, H);
        for (QWidget *window : {c.pickWindow, c.settingsWindow, c.addWindow.window, c.editWindow.window}) {
            QCOMPARE(window->minimumSize(), QSize(W, H));
            QCOMPARE(window->maximumSize(), QSize(W, H));
        }
        QCOMPARE(geometryOf(c.phraseList), QRect(0, 46, W, H - 40));
        QCOMPARE(geometryOf(c.groupTabBar), QRect(5, 5, W - 230, 40));
        QCOMPARE(geometryOf(c.searchBox), QRect(W - 205, 7, 90, 35));
        QCOMPARE(geometryOf(c.settingsButton), QRect(W - 41, 5, 36, 36));
        QCOMPARE(geometryOf(c.addButton), QRect(W - 77, 5, 36, 36));
        QCOMPARE(geometryOf(c.pinButton), QRect(W - 113, 5, 36, 36));
        for (const PhraseEditorWidgets *w : {&c.addWindow, &c.editWindow}) {
            const int h04 = static_cast<int>(0.4 * H);
            QCOMPARE(geometryOf(w->textEdit), QRect(0, 0, W, h04));
            QCOMPARE(geometryOf(w->helpButton), QRect(static_cast<int>(0.7 * W), h04, 147, 35));
            QCOMPARE(geometryOf(w->remarkLabel), QRect(10, static_cast<int>(0.5 * H - 20), 50, 20));
            QCOMPARE(geometryOf(w->remarkEdit), QRect(0, H / 2, W, static_cast<int>(0.25 * H)));
            QCOMPARE(geometryOf(w->hotkeyLabel), QRect(10, static_cast<int>(7 + 0.8 * H), 50, 20));
            QCOMPARE(geometryOf(w->hotkeyEdit),
                     QRect(70, static_cast<int>(0.8 * H), static_cast<int>(0.4 * W), 38));
            QCOMPARE(geometryOf(w->clearButton),
                     QRect(static_cast<int>(0.4 * W + 70), static_cast<int>(0.8 * H), 57, 38));
            QCOMPARE(geometryOf(w->cancelButton), QRect(0, H - 37, W / 2, 33));
            QCOMPARE(geometryOf(w->confirmButton), QRect(W / 2, H - 37, W / 2, 33));
        }
    }

    void knownGeometryAtTheExtremes() {
        const AppContext &c = appContext();
        applyWindowSize(c, 250, 250);
        QCOMPARE(c.groupTabBar->maximumWidth(), 20);
        QCOMPARE(c.addWindow.hotkeyEdit->maximumWidth(), 100);
        QCOMPARE(c.addWindow.textEdit->maximumHeight(), 100);
        applyWindowSize(c, 2000, 2000);
        QCOMPARE(c.groupTabBar->maximumWidth(), 1770);
        QCOMPARE(c.pinButton->x(), 1887);
        QCOMPARE(c.addWindow.clearButton->x(), 870);
        QCOMPARE(c.addWindow.hotkeyLabel->y(), 1607);
    }

    // Someone else edits the files while the program runs.
    void outsideEditsAreReadAndNothingIsLost() {
        AppContext &c = appContext();
        QStringList told;
        setNoticeSink([&told](const QString &message) { told << message; });

        // A hand edit of config.json is applied (sizes kept within the settings' range) and
        // survives the program's next save.
        QJsonObject config = QJsonDocument::fromJson(fileBytes(c.configPath)).object();
        config.insert(QStringLiteral("delay"), 777);
        config.insert(QStringLiteral("width"), 30000);
        config.insert(QStringLiteral("height"), 100);
        replaceFile(c.configPath, QJsonDocument(config).toJson());
        QTRY_COMPARE(configInt(QStringLiteral("delay")), 777);
        QCOMPARE(c.pickWindow->maximumSize(), QSize(maximumWindowLength, minimumWindowLength));
        QVERIFY(saveConfig(c.configPath));
        QCOMPARE(QJsonDocument::fromJson(fileBytes(c.configPath)).object().value(QStringLiteral("delay")),
                 QJsonValue(777));

        // A phrase added to data.json by another program shows up.
        QJsonArray phrases = QJsonDocument::fromJson(fileBytes(c.dataPath)).array();
        const int before = c.phraseList->count();
        phrases.append(QJsonObject{{QStringLiteral("text"), QStringLiteral("from outside")},
                                   {QStringLiteral("tab"), QStringLiteral("短语1")}});
        replaceFile(c.dataPath, QJsonDocument(phrases).toJson());
        QTRY_COMPARE(c.phraseList->count(), before + 1);

        // An outside version written while the program's own change waits to be saved is
        // kept beside the file, and then the program's version is written.
        QVERIFY(QFile::remove(c.dataPath) && QDir().mkpath(c.dataPath));
        c.phraseList->item(0)->setData(PhraseTextRole, QStringLiteral("changed in the program"));
        QVERIFY(!savePhrases(c.phraseList, c.dataPath));
        QVERIFY(QDir(c.dataPath).removeRecursively());
        replaceFile(c.dataPath, "[{\"text\": \"outside version\", \"tab\": \"短语1\"}]");
        QTRY_VERIFY(fileBytes(c.dataPath).contains("changed in the program"));
        const QStringList kept = QDir(m_dir.path()).entryList({QStringLiteral("data.json.outside-*")});
        QCOMPARE(kept.size(), 1);
        QVERIFY(fileBytes(m_dir.filePath(kept.first())).contains("outside version"));
        QVERIFY(told.size() >= 2); // the failed save and the kept version
        setNoticeSink(nullptr);
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
