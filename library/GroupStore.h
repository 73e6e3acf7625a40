#pragma once

#include "library/GroupRecords.h"

#include <QStringList>

#include <functional>

class QListWidget;
class QTabBar;

// Fills the tab bar from tab.json; a missing file gives the default groups (saved at
// once). Each tab's data is its item height. A name that comes again is left out, and the
// file is first kept aside as it was.
void loadGroups(QTabBar *tabBar, const QString &path);

// Writes every tab, in tab order, atomically. False when the file does not hold them
// (the user is told, and the save is retried). A version of the file written elsewhere is
// taken in when the program has no change of its own since it last read or wrote the
// file, and otherwise kept beside it before the program's groups are written.
bool saveGroups(QTabBar *tabBar, const QString &path);

QList<GroupRecord> groupRecordsOf(const QTabBar *tabBar);

// Called from the event loop after a save took in groups written elsewhere.
void setGroupsTakenInHandler(std::function<void()> handler);

// Gives back the groups that phrases name but no tab holds (a tab.json edited or replaced
// elsewhere, or a program killed between the two saves of a change): each is appended
// with the configured default height, in the order the phrases name them, and the user
// is told which. A phrase is never hidden for want of its group. Returns the names added;
// the caller saves tab.json.
QStringList restoreGroupsOfPhrases(QTabBar *tabBar, const QListWidget *list, const QString &tabPath);

// Gives the group at index a new name and height and moves its phrases to the new name,
// then saves data.json before tab.json: killed between the two, the phrases carry the
// new name, and restoreGroupsOfPhrases() gives it back at the next start.
void changeGroupInStores(QTabBar *tabBar, QListWidget *list, int index, const QString &name, int height,
                         const QString &tabPath, const QString &dataPath);
