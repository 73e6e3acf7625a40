#pragma once

struct AppContext;
struct PhraseEditorWidgets;

// The add and edit windows: the same children, the last button "添加" or "修改". Each is
// built the first time it is asked for, at the size the pick window has, not at start-up.
const PhraseEditorWidgets &addWindow(AppContext &context);
const PhraseEditorWidgets &editWindow(AppContext &context);
