#include "library/PhraseHotkeys.h"

void rebuildPhraseHotkeys() {
    // Phrases carry no global hotkeys of their own yet: there is nothing to rebuild.
}
