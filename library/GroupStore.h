#pragma once

#include "library/GroupRecords.h"

class QTabBar;

// Set on the tab bar (as a dynamic property, true) while loadGroups() adds its tabs. Qt
// lays out every tab again each time one is added; a tab bar that answers its tabs'
// sizes cheaply meanwhile and lays them out once at the end keeps a long list of groups
// from stalling the start.
inline constexpr char addingGroupsProperty[] = "verbolinAddingGroups";

// Fills the tab bar from tab.json; a missing file gives the default groups (saved at
// once). Each tab's data is its item height. A name that comes again is left out, and the
// file is first kept aside as it was.
void loadGroups(QTabBar *tabBar, const QString &path);

// Writes every tab, in tab order, atomically. False when the file does not hold them
// (the user is told, and the save is retried).
bool saveGroups(QTabBar *tabBar, const QString &path);

QList<GroupRecord> groupRecordsOf(const QTabBar *tabBar);
