#include "app/GlobalHotkeyEditor.h"

void installGlobalHotkeyEditorFilter(QKeySequenceEdit *editor) {
    // The hotkey capture filter plugs in here; until then the editor only shows the stored hotkey.
    (void)editor;
}
