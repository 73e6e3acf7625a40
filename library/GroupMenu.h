#pragma once

#include <QString>

class QPoint;
class QTabBar;
class QWidget;

// The index of the tab of that name, or -1.
int groupIndexOf(const QTabBar *tabBar, const QString &name);
bool groupNameExists(const QTabBar *tabBar, const QString &name);

// The modal dialog for a group's name and item height; true when confirmed, and only
// then are name and height changed.
bool editGroupDialog(QWidget *parent, const QString &title, QString &name, int &height);

// The group tab bar's context menu at a position in tab-bar coordinates.
void showGroupMenu(const QPoint &position);

// The menu's commands. A new group goes in at insertIndex and becomes current. A group to
// change or delete is the one at index when asked; if the tabs change while its dialog is
// open (tab.json taken in from outside), it is found again by its name, or left alone.
void createGroupAt(int insertIndex);
void changeGroup(int index);
void deleteGroup(int index);
