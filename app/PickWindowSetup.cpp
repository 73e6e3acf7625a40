#include "app/PickWindowSetup.h"

#include "app/Icons.h"
#include "library/AppContext.h"
#include "library/GroupMenu.h"
#include "library/GroupStore.h"
#include "library/GroupView.h"
#include "library/PhraseFilter.h"
#include "library/PhraseHotkeys.h"
#include "library/PhraseItem.h"
#include "library/PhraseListView.h"
#include "library/Settings.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/AfterNextPaint.h"
#include "pickwindow/BadgeDelegate.h"
#include "pickwindow/KeyHandling.h"
#include "pickwindow/MyTabBar.h"
#include "pickwindow/PhraseItemToolTipFilter.h"
#include "platform/KeyboardHook.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

namespace {

// Lists up to this size are still laid out in one go.
constexpr int phraseLayoutBatch = 2000;

QPushButton *newIconButton(QWidget *parent, const QString &iconFile, const QString &toolTip) {
    auto *button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("iconButton"));
    button->setIcon(programIcon(iconFile));
    button->setIconSize(QSize(20, 20));
    button->setToolTip(toolTip);
    return button;
}

// A text for a quoted stylesheet string.
QString styleSheetString(QString text) {
    return text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""));
}

} // namespace

void createPickWindow(AppContext &c) {
    c.pickWindow = new QWidget;
    // Shown without taking the focus from the program the user types in. Qt reads this
    // when it creates the native window, so it is set before anything can create one.
    c.pickWindow->setAttribute(Qt::WA_ShowWithoutActivating);
    // The pick window stays above other windows when the user asked for it. Set before the
    // window has children and a native window: later, the change rebuilt both.
    if (settings::alwaysOnTop())
        c.pickWindow->setWindowFlags(c.pickWindow->windowFlags() | Qt::WindowStaysOnTopHint);
    static NoActivateNativeFilter noActivateFilter(c.pickWindow, [] { return !searchMode; });
    qApp->installNativeEventFilter(&noActivateFilter);
    c.pickWindow->setWindowTitle(QStringLiteral("Verbolin"));
    c.pickWindow->setWindowIcon(programWindowIcon());
    c.noActivateFilter = &noActivateFilter;
    // Keys reach the key handling through the hook while the pick window takes them.
    static KeyboardHook hook(&handleHookKey);
    hook.setTakingKeys(&pickWindowTakesKeys);
    setKeyboardHook(&hook);
}

void loadPickWindowFont(AppContext &c) {
    // The window's font as the style sheet makes it, for the group names and most phrases.
    c.pickWindow->ensurePolished();
    c.pickWindow->fontMetrics().horizontalAdvance(QStringLiteral("短语"));
}

void createPhraseStore(AppContext &c) {
    // The store is a widget that is never shown: a view over its shown rows shows the
    // phrases, so that a search changes the view's rows instead of every row's state.
    c.phraseList = new QListWidget(c.pickWindow);
    c.phraseList->hide();
}

void setUpPhraseList(AppContext &c, PhraseFileRead phraseFile) {
    if (!loadPhrases(c.phraseList, c.dataPath, std::move(phraseFile))) {
        // The file in the program's own layout: a big one takes a second to write, and the
        // window comes first. Until then the file stays as it was, which loses nothing.
        const QPointer<QListWidget> phraseList = c.phraseList;
        runAfterNextPaint(c.pickWindow, [phraseList, path = c.dataPath] {
            if (phraseList)
                savePhrases(phraseList, path);
        });
    }

    c.phraseView = new PhraseListView(c.phraseList, c.pickWindow);
    PhraseListView *list = c.phraseView;

    list->setWordWrap(true);
    list->setUniformItemSizes(true);
    // A big library is laid out a batch of rows at a time between events, so that a search
    // keystroke shows its first rows at once instead of after the layout of every row.
    list->setLayoutMode(QListView::Batched);
    list->setBatchSize(phraseLayoutBatch);
    list->setItemDelegate(new BadgeDelegate(list));
    list->verticalScrollBar()->setSingleStep(settings::scrollStep());
    list->setMouseTracking(true);
    list->viewport()->setMouseTracking(true);
    installPhraseToolTips(list);

    rebuildPhraseHotkeys();

    list->setDragEnabled(true);
    list->setAcceptDrops(true);
    list->setDropIndicatorShown(true);
    list->setDefaultDropAction(Qt::MoveAction);
    list->setDragDropMode(QAbstractItemView::InternalMove);
    QObject::connect(list, &QAbstractItemView::clicked, c.pickWindow,
                     [list](const QModelIndex &index) { onPhraseClicked(list->phraseOf(index)); });
}

void setUpGroupsAndSearch(AppContext &c) {
    c.groupTabBar = new MyTabBar(c.pickWindow);
    loadGroups(c.groupTabBar, c.tabPath);
    restoreGroupsOfPhrases(c.groupTabBar, c.phraseList, c.tabPath);
    saveGroups(c.groupTabBar, c.tabPath);
    c.groupTabBar->setExpanding(false);
    c.groupTabBar->setUsesScrollButtons(false);
    c.groupTabBar->setDrawBase(false);
    c.groupTabBar->setMovable(true);

    c.searchBox = new QLineEdit(c.pickWindow);
    // The clear button shows the program's own icon: the style's default is looked up in
    // the desktop's icon theme, which reads and parses the theme's index at every start.
    c.searchBox->setStyleSheet(QStringLiteral("QLineEdit { lineedit-clear-button-icon: url(\"%1\"); }")
                                   .arg(styleSheetString(programIconPath(clearIconFile))));
    // Polished now, so that the style reads the rule above rather than rules cached before it.
    c.searchBox->ensurePolished();
    c.searchBox->setClearButtonEnabled(true);
    // A click on the search box is the one click that activates the pick window.
    c.noActivateFilter->setActivatingChild(c.searchBox, &enterSearchMode);

    QTabBar *tabBar = c.groupTabBar;
    const QString tabPath = c.tabPath;
    QObject::connect(c.searchBox, &QLineEdit::textChanged, c.searchBox, &onSearchTextChanged);
    QObject::connect(tabBar, &QTabBar::tabMoved, tabBar, [tabBar, tabPath] { saveGroups(tabBar, tabPath); });

    c.phraseView->setStyleSheet(phraseItemStyleSheet(tabBar->tabData(tabBar->currentIndex()).toInt()));
    filterPhraseList(c.phraseView, tabBar->tabText(tabBar->currentIndex()), c.searchBox->text());
    selectFirstVisiblePhrase(c.phraseView);

    QObject::connect(tabBar, &QTabBar::currentChanged, tabBar, &onCurrentGroupChanged);
    tabBar->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(tabBar, &QWidget::customContextMenuRequested, tabBar, &showGroupMenu);
}

void createSettingsButton(AppContext &c) {
    c.settingsButton = newIconButton(c.pickWindow, settingsIconFile, QStringLiteral("设置"));
    QApplication::setEffectEnabled(Qt::UI_AnimateTooltip, false);
}

void createAddButton(AppContext &c) {
    c.addButton = newIconButton(c.pickWindow, addIconFile, QStringLiteral("添加短语"));
}

void createPinButton(AppContext &c) {
    const bool pinned = settings::isPinned();
    c.pinButton = newIconButton(c.pickWindow, pinned ? pinnedIconFile : unpinnedIconFile,
                                QStringLiteral("钉住/取消钉住窗口（ ` ）"));
}

void createPhraseMenu(AppContext &c) {
    c.phraseMenu = new QMenu;
    c.phraseMenu->addAction(QStringLiteral("修改"));
    c.phraseMenu->addAction(QStringLiteral("在当前短语后添加短语"));
    c.phraseMenu->addAction(QStringLiteral("删除"));
    c.phraseView->setContextMenuPolicy(Qt::CustomContextMenu);
}
