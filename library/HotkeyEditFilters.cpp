#include "library/HotkeyEditFilters.h"

#include "library/AppContext.h"
#include "library/ConfigStore.h"
#include "library/HotkeyRules.h"
#include "library/PhraseHotkeys.h"
#include "library/Settings.h"
#include "platform/GlobalHotkey.h"

#include <QApplication>
#include <QEvent>
#include <QKeySequenceEdit>

namespace {

void setPhraseHotkeysRegistered(const QList<GlobalHotkey *> &hotkeys, bool registered) {
    for (GlobalHotkey *hotkey : hotkeys)
        if (hotkey)
            hotkey->setRegistered(registered);
}

} // namespace

KjjHotkeyEditFilter::KjjHotkeyEditFilter(QKeySequenceEdit *editor, const QList<GlobalHotkey *> &phraseHotkeys,
                                         QObject *parent)
    : QObject(parent), editor(editor), phraseHotkeys(phraseHotkeys) {}

bool KjjHotkeyEditFilter::eventFilter(QObject *watched, QEvent *event) {
    if (watched == editor) {
        if (event->type() == QEvent::FocusIn) {
            setPhraseHotkeysRegistered(phraseHotkeys, false);
            return false;
        }
        if (event->type() == QEvent::FocusOut) {
            setPhraseHotkeysRegistered(phraseHotkeys, true);
            return false;
        }
    }
    return QObject::eventFilter(watched, event);
}

HotkeyEditFilter::HotkeyEditFilter(QKeySequenceEdit *editor, GlobalHotkey *globalHotkey,
                                   const QString &configPath, const QList<GlobalHotkey *> &phraseHotkeys,
                                   QObject *parent)
    : QObject(parent), editor(editor), globalHotkey(globalHotkey), configPath(configPath),
      phraseHotkeys(phraseHotkeys) {}

bool HotkeyEditFilter::eventFilter(QObject *watched, QEvent *event) {
    if (watched == editor) {
        if (event->type() == QEvent::FocusIn) {
            setPhraseHotkeysRegistered(phraseHotkeys, false);
            globalHotkey->setRegistered(false);
            return false;
        }
        if (event->type() == QEvent::FocusOut) {
            setPhraseHotkeysRegistered(phraseHotkeys, true);
            applyEditedHotkey();
            globalHotkey->setRegistered(true);
            return false;
        }
    }
    return QObject::eventFilter(watched, event);
}

void HotkeyEditFilter::applyEditedHotkey() {
    const QKeySequence sequence = editor->keySequence();
    if (!sequence.isEmpty() && checkPhraseHotkey(sequence, phraseHotkeys, editor, nullptr)) {
        globalHotkey->setShortcut(sequence, true);
        settings::setGlobalHotkey(hotkeyText(sequence));
        saveConfig(configPath);
        return;
    }
    editor->setKeySequence(hotkeySequence(settings::globalHotkey()));
}

void installPhraseHotkeyEditFilter(QKeySequenceEdit *editor) {
    editor->installEventFilter(new KjjHotkeyEditFilter(editor, phraseHotkeys(), qApp));
}

void installHotkeyEditFilter(QKeySequenceEdit *editor) {
    const AppContext &c = appContext();
    editor->installEventFilter(
        new HotkeyEditFilter(editor, c.globalHotkey, c.configPath, phraseHotkeys(), qApp));
}
