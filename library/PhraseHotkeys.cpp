#include "library/PhraseHotkeys.h"

#include "library/AppContext.h"
#include "library/HotkeyRules.h"
#include "library/PhraseItem.h"
#include "library/Settings.h"
#include "output/OutputRunner.h"
#include "platform/GlobalHotkey.h"

#include <QApplication>
#include <QListWidget>
#include <QPersistentModelIndex>

QList<GlobalHotkey *> &phraseHotkeys() {
    static QList<GlobalHotkey *> hotkeys;
    return hotkeys;
}

void rebuildPhraseHotkeys(QListWidget *list, QList<GlobalHotkey *> &hotkeys, QObject *parent) {
    for (GlobalHotkey *hotkey : std::as_const(hotkeys)) {
        if (!hotkey)
            continue;
        hotkey->setRegistered(false);
        delete hotkey;
    }
    hotkeys.clear();
    hotkeys.reserve(list->count());

    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        // A phrase item's own string, read without a variant: most phrases have no hotkey.
        const PhraseRecord *record = phraseRecordIn(item);
        const QString text = record ? record->hotkey : item->data(PhraseHotkeyRole).toString();
        if (text.isEmpty()) {
            hotkeys.append(nullptr);
            continue;
        }
        auto *hotkey = new GlobalHotkey(hotkeySequence(text), true, parent);
        // Bound to the row's model index rather than the item, so that a hotkey that
        // outlives its phrase does nothing instead of reading a deleted item.
        const QPersistentModelIndex phrase(list->model()->index(row, 0));
        QObject::connect(hotkey, &GlobalHotkey::activated, hotkey, [phrase] {
            if (phrase.isValid())
                startPhraseOutput(phrase.data(PhraseTextRole).toString(), &settings::outputSettings);
        });
        hotkeys.append(hotkey);
    }
}

void rebuildPhraseHotkeys() {
    if (QListWidget *list = appContext().phraseList)
        rebuildPhraseHotkeys(list, phraseHotkeys(), qApp);
}
