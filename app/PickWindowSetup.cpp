#include "app/PickWindowSetup.h"

#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/Icons.h"
#include "library/GroupMenu.h"
#include "library/GroupStore.h"
#include "library/GroupView.h"
#include "library/PhraseFilter.h"
#include "library/PhraseHotkeys.h"
#include "library/PhraseItem.h"
#include "pickwindow/ActivationModel.h"
#include "pickwindow/BadgeDelegate.h"
#include "pickwindow/MyTabBar.h"
#include "pickwindow/PhraseItemToolTipFilter.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>

namespace {

QPushButton *newIconButton(QWidget *parent, const QString &iconFile, const QString &toolTip) {
    auto *button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("iconButton"));
    button->setIcon(programIcon(iconFile));
    button->setIconSize(QSize(20, 20));
    button->setToolTip(toolTip);
    return button;
}

} // namespace

void createPickWindow(AppContext &c) {
    c.pickWindow = new QWidget;
    static NoActivateNativeFilter noActivateFilter(c.pickWindow, [] { return !searchMode; });
    qApp->installNativeEventFilter(&noActivateFilter);
    c.pickWindow->setWindowTitle(QStringLiteral("Verbolin"));
    c.pickWindow->setWindowIcon(programIcon(appIconFile));
    c.noActivateFilter = &noActivateFilter;
}

void setUpPhraseList(AppContext &c) {
    c.phraseList = new QListWidget(c.pickWindow);
    loadPhrases(c.phraseList, c.dataPath);
    savePhrases(c.phraseList, c.dataPath);

    QListWidget *list = c.phraseList;
    list->setWordWrap(true);
    list->setUniformItemSizes(true);
    list->setItemDelegate(new BadgeDelegate(list));
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->verticalScrollBar()->setSingleStep(configInt(QStringLiteral("gundong")));
    list->setMouseTracking(true);
    list->viewport()->setMouseTracking(true);
    installPhraseToolTips(list);

    rebuildPhraseHotkeys();

    list->setDragEnabled(true);
    list->setAcceptDrops(true);
    list->setDropIndicatorShown(true);
    list->setDefaultDropAction(Qt::MoveAction);
    list->setDragDropMode(QAbstractItemView::InternalMove);
    QObject::connect(list, &QListWidget::itemClicked, c.pickWindow, &onPhraseClicked);
}

void setUpGroupsAndSearch(AppContext &c) {
    c.groupTabBar = new MyTabBar(c.pickWindow);
    loadGroups(c.groupTabBar, c.tabPath);
    saveGroups(c.groupTabBar, c.tabPath);
    c.groupTabBar->setExpanding(false);
    c.groupTabBar->setUsesScrollButtons(false);
    c.groupTabBar->setDrawBase(false);
    c.groupTabBar->setMovable(true);

    c.searchBox = new QLineEdit(c.pickWindow);
    c.searchBox->setClearButtonEnabled(true);
    // A click on the search box is the one click that activates the pick window.
    c.noActivateFilter->setActivatingChild(c.searchBox, &enterSearchMode);

    MyTabBar *tabBar = c.groupTabBar;
    const QString tabPath = c.tabPath;
    QObject::connect(c.searchBox, &QLineEdit::textChanged, c.searchBox, &onSearchTextChanged);
    QObject::connect(tabBar, &QTabBar::tabMoved, tabBar, [tabBar, tabPath] { saveGroups(tabBar, tabPath); });

    c.phraseList->setStyleSheet(phraseItemStyleSheet(tabBar->tabData(tabBar->currentIndex()).toInt()));
    filterPhraseList(c.phraseList, tabBar->tabText(tabBar->currentIndex()), c.searchBox->text());
    selectFirstVisiblePhrase(c.phraseList);

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
    const bool pinned = configBool(QStringLiteral("tudingflag"));
    c.pinButton = newIconButton(c.pickWindow, pinned ? pinnedIconFile : unpinnedIconFile,
                                QStringLiteral("钉住/取消钉住窗口（ ` ）"));
}

void createPhraseMenu(AppContext &c) {
    c.phraseMenu = new QMenu;
    c.phraseMenu->addAction(QStringLiteral("修改"));
    c.phraseMenu->addAction(QStringLiteral("在当前短语后添加短语"));
    c.phraseMenu->addAction(QStringLiteral("删除"));
    c.phraseList->setContextMenuPolicy(Qt::CustomContextMenu);
}
