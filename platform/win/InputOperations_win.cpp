#include "platform/InputOperations.h"

#include "platform/win/Win32Input.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

void sendVirtualKey(quint16 virtualKey, bool keyUp) {
    win32SendKeyEventsOneByOne({keyEvent(virtualKey, keyUp)});
}

void pressKeyChord(const QList<quint16> &chordModifiers, quint16 mainKey) {
    const std::vector<std::uint16_t> modifiers(chordModifiers.cbegin(), chordModifiers.cend());
    for (const KeyEvent &event : chordKeyEvents(modifiers, mainKey))
        sendVirtualKey(event.virtualKey, event.up);
}

void sendPasteShortcut() {
    win32SendKeyEvents(pasteShortcutEvents());
}

QStringList focusedWindowClasses() {
    return {};
}

HeldModifiers releaseHeldModifiers() {
    return win32ReleaseHeldModifiers();
}

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
