#pragma once

class QListWidgetItem;
class QString;
struct AppContext;
struct PhraseEditorWidgets;

// The add and edit windows: the same children, the last button "添加" or "修改". Each is
// built the first time it is asked for, at the size the pick window has, not at start-up.
const PhraseEditorWidgets &addWindow(AppContext &context);
const PhraseEditorWidgets &editWindow(AppContext &context);

// Open the add or edit window at its saved position with freshly filled editors. The new
// phrase goes in right after the phrase given, wherever drags have taken it meanwhile, or
// at the end of the list when none is given or that phrase was deleted meanwhile.
void openAddWindow(const QString &group, QListWidgetItem *after);
void openEditWindow(QListWidgetItem *item);
