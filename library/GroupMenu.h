#pragma once

#include <QString>

class QPoint;
class QTabBar;
class QWidget;

bool groupNameExists(const QTabBar *tabBar, const QString &name);

// The modal dialog for a group's name and item height; true when confirmed, and only
// then are name and height changed.
bool editGroupDialog(QWidget *parent, const QString &title, QString &name, int &height);

// The group tab bar's context menu at a position in tab-bar coordinates.
void showGroupMenu(const QPoint &position);

// The menu's commands. A new group goes in at insertIndex and becomes current.
void createGroupAt(int insertIndex);
void changeGroup(int index);
void deleteGroup(int index);
