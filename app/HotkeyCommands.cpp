#include "app/HotkeyCommands.h"

#include "app/WindowPlacement.h"
#include "library/AppContext.h"
#include "library/PhraseItem.h"
#include "library/Settings.h"
#include "pickwindow/ActivationModel.h"

#include <QListWidget>

#include <cstdio>

hotkeycommand::Match runHotkeyCommand(const QString &combination) {
    using hotkeycommand::Target;
    QListWidget *list = appContext().phraseList;
    QStringList rowHotkeys;
    for (int row = 0; list && row < list->count(); ++row)
        rowHotkeys << list->item(row)->data(PhraseHotkeyRole).toString();
    const hotkeycommand::Match found =
        hotkeycommand::match(combination, settings::globalHotkey(), rowHotkeys);
    switch (found.target) {
    case Target::MainHotkey:
        toggleFromGlobalHotkey();
        break;
    case Target::PhraseHotkey:
        inputPhraseFromHotkey(list->item(found.row)->data(PhraseTextRole).toString());
        break;
    case Target::NoSuchHotkey:
        std::fprintf(stderr,
                     "verbolin: --hotkey %s: neither the main hotkey nor a phrase's hotkey, ignored\n",
                     qPrintable(combination));
        break;
    case Target::NotACombination:
        std::fprintf(stderr,
                     "verbolin: --hotkey \"%s\": not a key combination (such as Ctrl+Shift+V), ignored\n",
                     qPrintable(combination));
        break;
    }
    return found;
}
