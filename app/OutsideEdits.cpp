#include "app/OutsideEdits.h"

#include "app/FileChangeWatcher.h"
#include "app/SettingsRows.h"
#include "library/AppContext.h"
#include "library/CheckedWrite.h"
#include "library/ConfigStore.h"
#include "library/GroupStore.h"
#include "library/GroupView.h"
#include "library/HotkeyRules.h"
#include "library/JsonFile.h"
#include "library/PhraseFilter.h"
#include "library/PhraseHotkeys.h"
#include "library/PhraseItem.h"
#include "library/PhraseListView.h"
#include "library/Settings.h"
#include "platform/GlobalHotkey.h"

#include <QApplication>
#include <QFileInfo>
#include <QListWidget>
#include <QScrollBar>
#include <QTabBar>

void applyConfigFromOutside(AppContext &c) {
    applyConfiguredWindowSize(c);
    if (c.phraseView) {
        c.phraseView->verticalScrollBar()->setSingleStep(settings::scrollStep());
        if (c.groupTabBar)
            c.phraseView->setStyleSheet(
                phraseItemStyleSheet(c.groupTabBar->tabData(c.groupTabBar->currentIndex()).toInt()));
    }
    const QKeySequence hotkey = hotkeySequence(settings::globalHotkey());
    if (!c.globalHotkey || hotkey.isEmpty() || hotkey == c.globalHotkey->shortcut())
        return;
    // One that cannot be had (held by another program, or no such key) leaves the old one
    // working, unreported as at start-up; config.json keeps what was written there, and the
    // next outside edit tries it again.
    const QKeySequence old = c.globalHotkey->shortcut();
    const bool wasRegistered = c.globalHotkey->isRegistered();
    if (!c.globalHotkey->setShortcut(hotkey, true))
        c.globalHotkey->setShortcut(old, wasRegistered);
}

void reloadConfigFromOutside(AppContext &c) {
    // The save reads the outside version in, keeps the program's own unsaved changes on
    // top, and applies the result (see setConfigChangedOutsideHandler).
    if (!isSpecialFile(c.configPath))
        saveConfig(c.configPath);
}

// A save takes a version written elsewhere in (merged with the program's changes, or kept
// beside the file when it cannot be), or writes the file again from memory when it is
// gone; something else in the file's place is left alone. See setPhrasesTakenInHandler.
void reloadPhrasesFromOutside(AppContext &c) {
    if (!isSpecialFile(c.dataPath))
        savePhrases(c.phraseList, c.dataPath);
}

void reloadGroupsFromOutside(AppContext &c) {
    if (!isSpecialFile(c.tabPath))
        saveGroups(c.groupTabBar, c.tabPath);
}

namespace {

// The groups follow the phrases: a phrase never stays hidden for want of its group.
void restoreGroupsAndRefresh(AppContext &c) {
    if (!restoreGroupsOfPhrases(c.groupTabBar, c.phraseList, c.tabPath).isEmpty())
        saveGroups(c.groupTabBar, c.tabPath);
    onCurrentGroupChanged(c.groupTabBar->currentIndex());
}

} // namespace

FileChangeWatcher *watchDataFiles(AppContext &c) {
    setConfigChangedOutsideHandler([&c] { applyConfigFromOutside(c); });
    setPhrasesTakenInHandler([&c] {
        rebuildPhraseHotkeys();
        restoreGroupsAndRefresh(c);
    });
    setGroupsTakenInHandler([&c] { restoreGroupsAndRefresh(c); });
    auto *watcher = new FileChangeWatcher(qApp);
    watcher->watch(c.configPath, [&c] { reloadConfigFromOutside(c); });
    watcher->watch(c.dataPath, [&c] { reloadPhrasesFromOutside(c); });
    watcher->watch(c.tabPath, [&c] { reloadGroupsFromOutside(c); });
    return watcher;
}
