#include "app/Startup.h"

#include "app/DataFolder.h"
#include "app/DesktopKeyboardSetup.h"
#include "app/EditorWindowsSetup.h"
#include "app/HotkeyCommands.h"
#include "app/NoticeDisplay.h"
#include "app/OutsideEdits.h"
#include "app/PhraseMenu.h"
#include "app/PickWindowSetup.h"
#include "app/Pinning.h"
#include "app/SettingsRows.h"
#include "app/SettingsWindowSetup.h"
#include "app/StyleSheet.h"
#include "app/TrayIconSetup.h"
#include "app/WhenSettled.h"
#include "app/WindowPlacement.h"
#include "library/AppContext.h"
#include "library/ConfigStore.h"
#include "library/HotkeyCommand.h"
#include "library/PhraseEditing.h"
#include "library/PhraseItem.h"
#include "library/PhraseListView.h"
#include "library/Settings.h"
#include "library/UserNotices.h"
#include "output/OutputRunner.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/MyEventFilter.h"
#include "platform/DesktopKeyboard.h"
#include "platform/DesktopSession.h"
#include "platform/FontFamilies.h"
#include "platform/FontFilePages.h"
#include "platform/FontSetup.h"
#include "platform/HotkeyRefusal.h"
#include "platform/SingleInstanceApplication.h"

#include <QApplication>
#include <QDir>
#include <QKeySequenceEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTimer>

#include <cstdio>

#include <future>

namespace {

void connectAddButton(AppContext &c) {
    QTabBar *tabBar = c.groupTabBar;
    // A new phrase from the add button goes to the end of the list, in the current group.
    QObject::connect(c.addButton, &QPushButton::clicked, c.addButton,
                     [tabBar] { openAddWindow(tabBar->tabText(tabBar->currentIndex()), nullptr); });
}

void connectPhraseEditing(AppContext &c) {
    QObject::connect(c.phraseView, &QWidget::customContextMenuRequested, c.phraseView, &showPhraseMenu);
    QObject::connect(c.phraseList->model(), &QAbstractItemModel::rowsMoved, c.phraseList, &onPhraseRowsMoved);
}

} // namespace

void buildVerbolin(const QString &dataFolder, const QStringList &arguments) {
    AppContext &c = appContext();
    c.application = qobject_cast<SingleInstanceApplication *>(QCoreApplication::instance());
    QApplication::setQuitOnLastWindowClosed(false);

    const QDir folder(dataFolder);
    c.configPath = folder.filePath(QStringLiteral("config.json"));
    c.dataPath = folder.filePath(QStringLiteral("data.json"));
    c.tabPath = folder.filePath(QStringLiteral("tab.json"));
    removeStaleSaveTemporaries(dataFolder);
    // Read and decoded on another thread while the pick window is built.
    std::future<PhraseFileRead> phraseFile = std::async(std::launch::async, &readPhraseFile, c.dataPath);
    loadConfig(c.configPath);
    saveConfig(c.configPath);

    createPickWindow(c);
    // What laying out the first texts left mapped and is not needed again: the font files' pages.
    runWhenSettled(c.pickWindow, &releaseFontFilePages);
    // Made while the font configuration still loads: the first item view connects to the
    // accessibility bus, and this thread waits for that (on a session without a bus address,
    // for a process started to look for one). The store is never shown, so it lays out no text.
    createPhraseStore(c);
    finishFontSetup();
    // Set once the font configuration is loaded, and before the pick window is polished: the
    // style sheet names only the font families the system has.
    qApp->setStyleSheet(applicationStyleSheet(installedFontFamilies(styleSheetFontFamilies())));
    loadPickWindowFont(c);
    // Widgets measure text before the style sheet gives them its font (a line edit as it is
    // made, the list its rows' sizes): with the style sheet's font as the application's too,
    // they use the fonts loaded already instead of loading the default family and its
    // fallbacks for Chinese a second time.
    QApplication::setFont(c.pickWindow->font());
    setUpPhraseList(c, phraseFile.get());
    setUpGroupsAndSearch(c);
    applyStartupSettings(c);

    createSettingsButton(c);
    QObject::connect(c.settingsButton, &QPushButton::clicked, c.settingsButton, &showSettingsWindow);
    createAddButton(c);
    connectAddButton(c);
    createPinButton(c);
    QPushButton *pinButton = c.pinButton;
    QObject::connect(pinButton, &QPushButton::clicked, pinButton, [pinButton] { togglePin(pinButton); });
    createPhraseMenu(c);
    connectPhraseEditing(c);
    // The program's own synthetic keys must not be taken by the pick window.
    setOutputStateObserver(&updateKeyboardHook);

    qApp->installEventFilter(new WindowMoveFilter(c.configPath, qApp));
    // Lives until exit, like the application it watches.
    qApp->installEventFilter(new MyEventFilter(c.pickWindow, &c.addWindow, &c.editWindow, c.phraseView,
                                               c.groupTabBar, c.searchBox));

    applyConfiguredWindowSize(c);
    watchDataFiles(c);

    const auto addTrayIcon = [&c] {
        createTrayIcon(c);
        QSystemTrayIcon *trayIcon = c.trayIcon;
        setNoticeSink([trayIcon](const QString &message) { showFileNotice(trayIcon, message); });
    };
    // Started at login, or to tell of a hotkey the desktop saw: nothing shown first.
    if (arguments.contains(QStringLiteral("--autostart")) || hotkeycommand::combinationIn(arguments)) {
        addTrayIcon();
        return;
    }
    // The window asked for comes first, and its row under the pointer painted as hovered: the
    // tray icon is a window of its own, which the X server maps and this thread paints.
    // Notices found while loading wait for it.
    runWhenSettled(c.pickWindow, addTrayIcon);
    showAtSavedPosition(c.pickWindow);
}

namespace {

// Tells the user, after why, how the desktop's own shortcuts can run the hotkeys instead.
void tellToBindHotkeysInTheDesktop(const QString &why, const QString &whyInEnglish) {
    const QString command = QCoreApplication::applicationFilePath() + QStringLiteral(" --hotkey ");
    const QString hotkey = settings::globalHotkey();
    tellUser(QStringLiteral("session:hotkeys"),
             why + QStringLiteral("请在桌面的键盘设置里添加自定义快捷键 %1，命令为：%2%1"
                                  "（短语自己的快捷键同样绑定为 %2加上该快捷键）。")
                       .arg(hotkey, command),
             whyInEnglish +
                 QStringLiteral("bind %1 to the command \"%2%1\" in the desktop's keyboard settings "
                                "(each phrase hotkey likewise)")
                     .arg(hotkey, command));
}

// Whether one of the desktop's custom shortcuts runs the main hotkey's command already.
bool desktopRunsMainHotkeyCommand() {
    for (const QString &command : desktopShortcutCommands()) {
        const std::optional<QString> combination =
            hotkeycommand::combinationIn(QProcess::splitCommand(command));
        if (combination && hotkeycommand::match(*combination, settings::globalHotkey(), {}).target ==
                               hotkeycommand::Target::MainHotkey)
            return true;
    }
    return false;
}

// Says on standard error what serves hotkeys, the clipboard and keys in a Wayland session,
// and tells the user once what is missing and what to do about it. A launch by a hotkey
// command, or the desktop's own shortcut for the main hotkey, shows the bindings are
// made: no word of making them (without a tray the word is a window taking the focus, at
// every start).
void reportSessionMechanisms(bool launchedByHotkeyCommand) {
    if (!isWaylandSession())
        return;
    const SessionMechanisms m = sessionMechanisms();
    std::fprintf(stderr, "verbolin: Wayland session; hotkeys: %s; clipboard: %s; keys: %s\n",
                 qPrintable(m.hotkeys), qPrintable(m.clipboard), qPrintable(m.keys));
    if (!m.automaticHotkeys && !launchedByHotkeyCommand && !desktopRunsMainHotkeyCommand())
        tellToBindHotkeysInTheDesktop(QStringLiteral("此桌面不让程序注册全局快捷键。"), QString());
    // A desktop that asks the user first may refuse later, after the hotkeys were asked for.
    setHotkeyRefusalHandler([](const QString &reason) {
        tellToBindHotkeysInTheDesktop(
            QStringLiteral("桌面没有允许 Verbolin 的全局快捷键（%1）。").arg(reason),
            QStringLiteral("the desktop refused the hotkeys (%1); ").arg(reason));
    });
    if (!m.syntheticKeys)
        tellUser(QStringLiteral("session:keys"),
                 QStringLiteral("此桌面没有提供模拟按键的方法：短语无法输入到其他程序。"),
                 QStringLiteral(
                     "verbolin: this compositor offers no way of sending keys; phrases cannot be input"));
}

} // namespace

void tearDownVerbolin() {
    AppContext &c = appContext();
    setNoticeSink(nullptr);
    delete c.trayIcon;
    c.trayIcon = nullptr;
    delete c.trayMenu;
    c.trayMenu = nullptr;
}

int runVerbolin(int &argc, char **argv) {
    // A hotkey without its combination is a mistake in the desktop's shortcut: said, and
    // nothing started or told.
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<QString> combination = hotkeycommand::combinationIn(rawArguments);
        combination && combination->trimmed().isEmpty()) {
        std::fprintf(stderr,
                     "verbolin: --hotkey needs a key combination, for example --hotkey Ctrl+Shift+V\n");
        return 2;
    }
    // Overlaps the connection to the display and the building of the windows.
    startFontSetup();
    QCoreApplication::setApplicationName(QStringLiteral("Verbolin"));
    SingleInstanceApplication::startTakingLock();
    SingleInstanceApplication app(argc, argv, 1000);
    QObject::connect(
        &app, &SingleInstanceApplication::instanceStarted, &app, [](const QStringList &arguments) {
            QWidget *pickWindow = appContext().pickWindow;
            if (!pickWindow)
                return;
            if (const std::optional<QString> combination = hotkeycommand::combinationIn(arguments)) {
                runHotkeyCommand(*combination);
                return;
            }
            moveToSavedPosition(pickWindow);
            showPickWindowNoActivate(pickWindow);
        });
    // Under Wayland no window shows without the focus and no hook takes keys.
    pickWindowTakesFocus = isWaylandSession();
    buildVerbolin(dataFolder(), app.arguments());
    startDesktopKeyboard(desktopKeyboardHooks(appContext().configPath));
    // The first launch, by a hotkey: acted on once the program is up.
    const std::optional<QString> firstHotkey = hotkeycommand::combinationIn(app.arguments());
    reportSessionMechanisms(firstHotkey.has_value());
    if (firstHotkey)
        QTimer::singleShot(0, &app, [command = *firstHotkey] { runHotkeyCommand(command); });
    const int status = app.exec();
    tearDownVerbolin();
    return status;
}
