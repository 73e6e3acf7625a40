// Linux: the session picks the backend at run time. X11 has its own (x11/); under Wayland
// keys go through the compositor's virtual keyboard and the clipboard through its data
// control, both on a connection of our own (WaylandOutput), or where the compositor has
// neither (GNOME) through the keyboard the desktop portal lends and a window of ours that
// sets Qt's clipboard; offscreen does nothing.
#include "platform/InputOperations.h"

#include "platform/wayland/DesktopKeyboardPortal.h"
#include "platform/wayland/KdeGlobalAccelHotkeys.h"
#include "platform/wayland/OwnWindowClipboard.h"
#include "platform/wayland/WaylandOutput.h"
#include "platform/wayland/dbus/PortalKeyOutput.h"

#include <QClipboard>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <cstdio>

namespace x11input {
void sendVirtualKey(quint16 virtualKey, bool keyUp);
void pressKeyChord(const QList<quint16> &chordModifiers, quint16 mainKey);
void sendPasteShortcut();
QStringList focusedWindowClasses();
HeldModifiers releaseHeldModifiers();
void setClipboardText(const QString &text);
void setPrimarySelectionText(const QString &text);
bool putFileOnClipboard(const QString &filePath);
} // namespace x11input

namespace {

// The Wayland connection when this is a Wayland session, else null.
WaylandOutput *wayland() {
    return WaylandOutput::instance();
}

// Keys sent in the first moments after the keymap went up may be dropped by the compositor.
void noteEarlyKeys(WaylandOutput *output) {
    static bool told = false;
    if (!told && QDateTime::currentMSecsSinceEpoch() - output->keymapUploadedAt() < 100) {
        told = true;
        std::fprintf(stderr, "verbolin: keys sent less than 100 ms after the keymap may be lost\n");
    }
}

void sendThroughVirtualKeyboard(const std::vector<KeyEvent> &events) {
    // The paste waits for the clipboard our window is setting, and for the focus it gives back.
    if (ownWindowClipboardBusy()) {
        afterOwnWindowClipboard([events](bool clipboardSet) {
            if (clipboardSet)
                sendThroughVirtualKeyboard(events);
            else
                std::fprintf(stderr, "verbolin: keys not sent: the clipboard they would paste was not set\n");
        });
        return;
    }
    // Where the compositor has no keyboard of its own, the desktop lends one.
    if (PortalKeyOutput *portal = desktopPortalKeyboard()) {
        portal->send(events);
        return;
    }
    WaylandOutput *output = wayland();
    noteEarlyKeys(output);
    // The program's own hotkeys for the combinations pressed are let go while the keys pass
    // (KDE: the desktop would take them), and taken again once the compositor has them.
    const QStringList suspended = kdeglobalaccelhotkeys::suspend(keyPressCombinations(events));
    const bool sent = output->sendKeys(events);
    if (!suspended.isEmpty()) {
        output->waitUntilHandled();
        kdeglobalaccelhotkeys::resume(suspended);
    }
    if (!sent) {
        static bool told = false;
        if (!told) {
            told = true;
            std::fprintf(
                stderr, "verbolin: this compositor offers no virtual keyboard and no fake input; no keys are "
                        "sent\n");
        }
    }
}

// Clipboard managers skip content carrying this format with "secret".
const QString privateFormat = QStringLiteral("x-kde-passwordManagerHint");

bool setWaylandClipboard(WaylandOutput *output, WaylandOutput::Formats formats) {
    formats.append({privateFormat, QByteArrayLiteral("secret")});
    if (output->setSelection(formats))
        return true;
    // Without data control only Qt's clipboard is left, which works while a window of ours
    // has the focus: one is shown for the moment it takes if none has it.
    auto *mime = new QMimeData;
    for (const auto &format : std::as_const(formats))
        mime->setData(format.first, format.second);
    return setClipboardThroughOwnWindow(mime);
}

} // namespace

void sendVirtualKey(quint16 virtualKey, bool keyUp) {
    if (wayland())
        sendThroughVirtualKeyboard({keyEvent(virtualKey, keyUp)});
    else
        x11input::sendVirtualKey(virtualKey, keyUp);
}

void pressKeyChord(const QList<quint16> &chordModifiers, quint16 mainKey) {
    if (!wayland()) {
        x11input::pressKeyChord(chordModifiers, mainKey);
        return;
    }
    const std::vector<std::uint16_t> modifiers(chordModifiers.cbegin(), chordModifiers.cend());
    sendThroughVirtualKeyboard(chordKeyEvents(modifiers, mainKey));
}

void sendPasteShortcut() {
    if (wayland())
        sendThroughVirtualKeyboard(pasteShortcutEvents());
    else
        x11input::sendPasteShortcut();
}

QStringList focusedWindowClasses() {
    // Wayland tells no client which other one has the focus.
    return wayland() ? QStringList() : x11input::focusedWindowClasses();
}

bool focusedWindowUnknown() {
    return wayland() != nullptr;
}

HeldModifiers releaseHeldModifiers() {
    if (WaylandOutput *output = wayland()) {
        // The desktop's keyboard shares the seat with the real one, whose held keys no
        // client can read or release: only what ours holds is let go.
        if (PortalKeyOutput *portal = desktopPortalKeyboard())
            portal->releaseHeldKeys();
        // The focused client combines our keys with our keyboard's modifiers only, never
        // with the ones the user holds on the real keyboard.
        output->releaseModifiers();
        return HeldModifiers{};
    }
    return x11input::releaseHeldModifiers();
}

void awaitHotkeyKeysLetGo() {
    // Elsewhere releaseHeldModifiers lets go of them, or they never combine with ours.
    if (wayland() && desktopPortalKeyboard())
        awaitModifierReleaseThroughOwnWindow();
}

void setClipboardText(const QString &text) {
    if (WaylandOutput *output = wayland())
        setWaylandClipboard(output, {{QStringLiteral("text/plain;charset=utf-8"), text.toUtf8()},
                                     {QStringLiteral("text/plain"), text.toUtf8()},
                                     {QStringLiteral("UTF8_STRING"), text.toUtf8()},
                                     {QStringLiteral("TEXT"), text.toUtf8()},
                                     {QStringLiteral("STRING"), text.toUtf8()}});
    else
        x11input::setClipboardText(text);
}

void setPrimarySelectionText(const QString &text) {
    // Terminals pasting the primary selection are told apart by window class, which
    // Wayland does not give: nothing to do there.
    if (!wayland())
        x11input::setPrimarySelectionText(text);
}

bool putFileOnClipboard(const QString &filePath) {
    WaylandOutput *output = wayland();
    if (!output)
        return x11input::putFileOnClipboard(filePath);
    const QFileInfo info(filePath);
    if (filePath.isEmpty() || !info.isFile())
        return false;
    const QByteArray url = QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded();
    return setWaylandClipboard(output, {{QStringLiteral("text/uri-list"), url + "\r\n"},
                                        {QStringLiteral("x-special/gnome-copied-files"), "copy\n" + url}});
}

// For ClipboardContent.cpp: the clipboard as data control sees it, under Wayland.
bool waylandClipboardContent(ClipboardContent *content) {
    WaylandOutput *output = wayland();
    if (!output || !output->hasDataControl())
        return false;
    QClipboard *clipboard = QGuiApplication::clipboard();
    // Qt's own connection serves what Qt set: read through Qt, not from ourselves.
    if (clipboard && clipboard->ownsClipboard())
        return false;
    *content = output->selection();
    return true;
}

bool restoreWaylandClipboard(const ClipboardContent &content) {
    WaylandOutput *output = wayland();
    if (output && !output->hasDataControl()) {
        // Without data control (GNOME) the clipboard is read only while a window of ours has
        // the focus, so what was saved may be older than what the user copied since: nothing
        // is put back rather than that. (Qt's clipboard set now would also drop the content
        // of a paste still waiting for our window.)
        static bool told = false;
        if (!told) {
            told = true;
            std::fprintf(stderr, "verbolin: this desktop lets no program read the clipboard without the "
                                 "focus; the clipboard is not put back after an output\n");
        }
        return true;
    }
    return output && output->setSelection(content);
}
