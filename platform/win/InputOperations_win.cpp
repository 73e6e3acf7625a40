#include "platform/InputOperations.h"

#include "platform/win/Win32Hotkey.h"
#include "platform/win/Win32Input.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

namespace {

// The system handles injected keys on its own input thread, after SendInput has returned,
// and calls the program's keyboard hook on this thread meanwhile: the hotkeys let go for
// them are taken again once this thread has taken its messages for a while.
constexpr int hotkeyResumeMs = 100;

void sendPastHotkeys(const std::vector<KeyEvent> &events, bool oneByOne) {
    const std::vector<int> suspended = win32SendKeyEventsPastHotkeys(events, oneByOne);
    if (suspended.empty())
        return;
    if (QCoreApplication *app = QCoreApplication::instance())
        QTimer::singleShot(hotkeyResumeMs, app, [suspended] { Win32Hotkey::resumeHotkeys(suspended); });
    else
        Win32Hotkey::resumeHotkeys(suspended);
}

} // namespace

void sendVirtualKey(quint16 virtualKey, bool keyUp) {
    sendPastHotkeys({keyEvent(virtualKey, keyUp)}, true);
}

void pressKeyChord(const QList<quint16> &chordModifiers, quint16 mainKey) {
    const std::vector<std::uint16_t> modifiers(chordModifiers.cbegin(), chordModifiers.cend());
    sendPastHotkeys(chordKeyEvents(modifiers, mainKey), true);
}

void sendPasteShortcut() {
    sendPastHotkeys(pasteShortcutEvents(), false);
}

QStringList focusedWindowClasses() {
    return {};
}

bool focusedWindowUnknown() {
    return false;
}

HeldModifiers releaseHeldModifiers() {
    return win32ReleaseHeldModifiers();
}

void awaitHotkeyKeysLetGo() {}

void setClipboardText(const QString &text) {
    win32PutTextOnClipboard(text.toStdWString());
}

void setPrimarySelectionText(const QString &) {}

bool putFileOnClipboard(const QString &filePath) {
    const QFileInfo info(filePath);
    if (filePath.isEmpty() || !info.isFile())
        return false;
    return win32PutFileOnClipboard(QDir::toNativeSeparators(info.absoluteFilePath()).toStdWString());
}
