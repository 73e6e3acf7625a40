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

namespace {

// True when the file was handled without reading it: gone (written again from memory)
// or changed while the program's own change waits to be saved (the outside version is
// kept, then the program's is written).
bool keptProgramVersion(const QString &path, const std::function<bool()> &save) {
    // Something else in the file's place is left alone; the program's saves refuse it too.
    if (isSpecialFile(path))
        return true;
    if (!QFileInfo::exists(path)) {
        save();
        return true;
    }
    if (!hasUnsavedChange(path))
        return false;
    keepOutsideVersion(path);
    acceptCurrentContent(path);
    retryPendingSaves();
    return true;
}

} // namespace

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

void reloadPhrasesFromOutside(AppContext &c) {
    QListWidget *list = c.phraseList;
    const QString path = c.dataPath;
    if (keptProgramVersion(path, [list, path] { return savePhrases(list, path); }))
        return;
    // As at start-up: a broken edit was kept aside and the list stays.
    if (!loadPhrases(list, path))
        savePhrases(list, path);
    rebuildPhraseHotkeys();
    refilterPhraseList();
}

void reloadGroupsFromOutside(AppContext &c) {
    QTabBar *tabBar = c.groupTabBar;
    const QString path = c.tabPath;
    if (keptProgramVersion(path, [tabBar, path] { return saveGroups(tabBar, path); }))
        return;
    const QString current = tabBar->tabText(tabBar->currentIndex());
    loadGroups(tabBar, path);
    saveGroups(tabBar, path);
    for (int i = 0; i < tabBar->count(); ++i) {
        if (tabBar->tabText(i) == current) {
            tabBar->setCurrentIndex(i);
            break;
        }
    }
    onCurrentGroupChanged(tabBar->currentIndex());
}

FileChangeWatcher *watchDataFiles(AppContext &c) {
    setConfigChangedOutsideHandler([&c] { applyConfigFromOutside(c); });
    auto *watcher = new FileChangeWatcher(qApp);
    watcher->watch(c.configPath, [&c] { reloadConfigFromOutside(c); });
    watcher->watch(c.dataPath, [&c] { reloadPhrasesFromOutside(c); });
    watcher->watch(c.tabPath, [&c] { reloadGroupsFromOutside(c); });
    return watcher;
}
