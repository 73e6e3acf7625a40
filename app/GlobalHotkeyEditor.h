#pragma once

class QKeySequenceEdit;

// The settings window's global-hotkey editor: the hotkey capture filter (validation,
// re-registration of the global hotkey, storing "hotkey") is installed here.
void installGlobalHotkeyEditorFilter(QKeySequenceEdit *editor);
