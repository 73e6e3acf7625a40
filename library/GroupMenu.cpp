#include "library/GroupMenu.h"

#include "library/AppContext.h"
#include "library/GroupStore.h"
#include "library/GroupView.h"
#include "library/PhraseFilter.h"
#include "library/PhraseHotkeys.h"
#include "library/PhraseItem.h"
#include "library/PhraseListView.h"
#include "library/Settings.h"

#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>

namespace {

void warnDuplicateName() {
    QMessageBox::warning(appContext().pickWindow, QStringLiteral("分组名重复"),
                         QStringLiteral("该分组名已存在，请使用其他名称  "), QMessageBox::Ok);
}

} // namespace

int groupIndexOf(const QTabBar *tabBar, const QString &name) {
    for (int i = 0; i < tabBar->count(); ++i)
        if (tabBar->tabText(i) == name)
            return i;
    return -1;
}

bool groupNameExists(const QTabBar *tabBar, const QString &name) {
    return groupIndexOf(tabBar, name) >= 0;
}

bool editGroupDialog(QWidget *parent, const QString &title, QString &name, int &height) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setFixedSize(280, 130);
    auto *form = new QFormLayout(&dialog);
    auto *nameEdit = new QLineEdit(name, &dialog);
    auto *heightBox = new QSpinBox(&dialog);
    heightBox->setRange(10, 100);
    heightBox->setValue(height);
    form->addRow(QStringLiteral("分组名称："), nameEdit);
    form->addRow(QStringLiteral("短语项高度："), heightBox);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *cancel = new QPushButton(QStringLiteral("取消"), &dialog);
    auto *confirm = new QPushButton(QStringLiteral("确定"), &dialog);
    confirm->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(confirm);
    form->addRow(buttons);
    QObject::connect(confirm, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = nameEdit->text();
    height = heightBox->value();
    return true;
}

void createGroupAt(int insertIndex) {
    const AppContext &c = appContext();
    QString name;
    int height = settings::defaultItemHeight();
    if (!editGroupDialog(c.pickWindow, QStringLiteral("新建分组"), name, height) || name.isEmpty())
        return;
    if (groupNameExists(c.groupTabBar, name)) {
        warnDuplicateName();
        return;
    }
    const int index = c.groupTabBar->insertTab(insertIndex, name);
    c.groupTabBar->setTabData(index, height);
    // The first tab of an empty bar became current inside insertTab, before it had its
    // item height: show it again now that it has one.
    if (c.groupTabBar->currentIndex() == index)
        onCurrentGroupChanged(index);
    else
        c.groupTabBar->setCurrentIndex(index);
    saveGroups(c.groupTabBar, c.tabPath);
}

void changeGroup(int index) {
    const AppContext &c = appContext();
    const QString oldName = c.groupTabBar->tabText(index);
    QString name = oldName;
    int height = c.groupTabBar->tabData(index).toInt();
    if (!editGroupDialog(c.pickWindow, QStringLiteral("修改分组"), name, height) || name.isEmpty())
        return;
    if (name != oldName && groupNameExists(c.groupTabBar, name)) {
        warnDuplicateName();
        return;
    }
    // The tabs may have changed while the dialog was open (tab.json taken in from outside):
    // the group asked about is found again by its name, or is gone.
    index = groupIndexOf(c.groupTabBar, oldName);
    if (index < 0)
        return;
    changeGroupInStores(c.groupTabBar, c.phraseList, index, name, height, c.tabPath, c.dataPath);
    if (index == c.groupTabBar->currentIndex())
        c.phraseView->setStyleSheet(phraseItemStyleSheet(height));
    refilterPhraseList();
}

void deleteGroup(int index) {
    const AppContext &c = appContext();
    if (c.groupTabBar->count() < 2) {
        QMessageBox::warning(c.pickWindow, QStringLiteral("提示"), QStringLiteral("至少需要保留一个分组  "),
                             QMessageBox::Ok);
        return;
    }
    const QString name = c.groupTabBar->tabText(index);
    if (QMessageBox::question(c.pickWindow, QStringLiteral("确认删除"),
                              QStringLiteral("确定要删除分组吗？该分组下所有短语也会被删除  "),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    // As in changeGroup: the group confirmed is the one of that name, wherever it is now.
    index = groupIndexOf(c.groupTabBar, name);
    if (index < 0 || c.groupTabBar->count() < 2)
        return;
    c.groupTabBar->removeTab(index);
    for (int row = c.phraseList->count() - 1; row >= 0; --row)
        if (c.phraseList->item(row)->data(PhraseGroupRole).toString() == name)
            delete c.phraseList->takeItem(row);
    // tab.json first: killed between the two saves, the phrases still name the group, and
    // the next start gives it back with them.
    saveGroups(c.groupTabBar, c.tabPath);
    savePhrases(c.phraseList, c.dataPath);
    rebuildPhraseHotkeys();
    refilterPhraseList();
}

void showGroupMenu(const QPoint &position) {
    const AppContext &c = appContext();
    const int index = c.groupTabBar->tabAt(position);
    QMenu menu;
    if (index < 0) {
        QAction *create = menu.addAction(QStringLiteral("新建分组"));
        if (menu.exec(c.groupTabBar->mapToGlobal(position)) == create)
            createGroupAt(c.groupTabBar->count());
        return;
    }
    QAction *insertAfter = menu.addAction(QStringLiteral("在当前分组后新建分组"));
    QAction *change = menu.addAction(QStringLiteral("修改分组"));
    QAction *remove = menu.addAction(QStringLiteral("删除分组"));
    const QString name = c.groupTabBar->tabText(index);
    QAction *chosen = menu.exec(c.groupTabBar->mapToGlobal(position));
    // The tabs may have changed while the menu was open: the group clicked is found again.
    const int now = groupIndexOf(c.groupTabBar, name);
    if (!chosen || now < 0)
        return;
    if (chosen == insertAfter)
        createGroupAt(now + 1);
    else if (chosen == change)
        changeGroup(now);
    else if (chosen == remove)
        deleteGroup(now);
}
