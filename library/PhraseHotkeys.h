#pragma once

// Recreates the per-phrase global hotkeys from the phrase list's rows. Every change that
// adds, removes or reorders phrases calls it, so that no hotkey refers to a gone row.
void rebuildPhraseHotkeys();
