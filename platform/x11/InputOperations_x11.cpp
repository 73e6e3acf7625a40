#include "platform/InputOperations.h"

#include "platform/x11/X11KeySyms.h"
#include "platform/x11/X11KeyboardGrab.h"

#include <QByteArray>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <QtGui/qguiapplication_platform.h>

#include <array>
#include <cstdio>
#include <map>
#include <vector>

// Xlib last: it defines macros (KeyPress, None, Bool) that clash with Qt names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

// The X connection to inject on, or null (with one note on stderr) when this is not an
// X11 session: under Wayland or offscreen every operation does nothing.
Display *inputDisplay() {
    if (QGuiApplication::platformName() == QLatin1String("xcb") && qGuiApp) {
        if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
            if (Display *display = x11->display())
                return display;
        }
    }
    static bool warned = false;
    if (!warned) {
        warned = true;
        std::fprintf(stderr, "verbolin: phrase input needs an X11 session; nothing is typed or pasted "
                             "on this one.\n");
    }
    return nullptr;
}

// Keysyms that the keyboard map lacks (F13 to F24 often) get a spare keycode of their
// own, kept for the rest of the session.
std::map<unsigned long, KeyCode> &boundSpareKeycodes() {
    static std::map<unsigned long, KeyCode> bound;
    return bound;
}

KeyCode bindSpareKeycode(Display *display, KeySym keysym) {
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    int symsPerCode = 0;
    KeySym *map = XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode), maxKeycode - minKeycode + 1,
                                      &symsPerCode);
    if (!map)
        return 0;
    KeyCode spare = 0;
    for (int code = maxKeycode; code >= minKeycode && !spare; --code) {
        bool empty = true;
        for (int i = 0; i < symsPerCode && empty; ++i)
            empty = map[(code - minKeycode) * symsPerCode + i] == NoSymbol;
        bool taken = false;
        for (const auto &entry : boundSpareKeycodes())
            taken = taken || entry.second == code;
        if (empty && !taken)
            spare = static_cast<KeyCode>(code);
    }
    XFree(map);
    if (!spare)
        return 0;
    KeySym syms[1] = {keysym};
    XChangeKeyboardMapping(display, spare, 1, syms, 1);
    XSync(display, False);
    boundSpareKeycodes()[keysym] = spare;
    return spare;
}

KeyCode keycodeForVirtualKey(Display *display, quint16 virtualKey) {
    const KeySym keysym = x11KeysymForVirtualKey(virtualKey);
    if (keysym == 0)
        return 0;
    if (const KeyCode code = XKeysymToKeycode(display, keysym))
        return code;
    const auto found = boundSpareKeycodes().find(keysym);
    if (found != boundSpareKeycodes().end())
        return found->second;
    return bindSpareKeycode(display, keysym);
}

// The program's own global hotkeys for the combinations pressed are let go while the
// events pass and taken again once the server has handled them: a terminal pastes on
// Ctrl+Shift+V, the default hotkey, and a phrase may press a phrase's hotkey. Held, they
// would take the keys.
void sendKeyEvents(Display *display, const std::vector<KeyEvent> &events) {
    std::vector<X11KeyboardGrab::KeyWithModifiers> pressed;
    for (const KeyPressCombination &c : keyPressCombinations(events)) {
        std::uint16_t modifiers = 0;
        modifiers |= (c.modifiers & KeyPressCombination::Shift) ? ShiftMask : 0;
        modifiers |= (c.modifiers & KeyPressCombination::Control) ? ControlMask : 0;
        modifiers |= (c.modifiers & KeyPressCombination::Alt) ? Mod1Mask : 0;
        modifiers |= (c.modifiers & KeyPressCombination::Meta) ? Mod4Mask : 0;
        if (const KeyCode code = keycodeForVirtualKey(display, c.virtualKey))
            pressed.push_back({code, modifiers});
    }
    const bool suspended = X11KeyboardGrab::suspendHotkeys(pressed);
    for (const KeyEvent &event : events) {
        if (const KeyCode code = keycodeForVirtualKey(display, event.virtualKey))
            XTestFakeKeyEvent(display, code, event.up ? False : True, CurrentTime);
    }
    if (!suspended) {
        XFlush(display);
        return;
    }
    XSync(display, False);
    X11KeyboardGrab::resumeHotkeys();
}

// Clipboard managers skip content carrying this format with "secret".
void markAsPrivate(QMimeData *mime) {
    mime->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
}

QMimeData *privateText(const QString &text) {
    auto *mime = new QMimeData;
    mime->setText(text);
    markAsPrivate(mime);
    return mime;
}

} // namespace

// Called for an X11 session by the Linux dispatcher (wayland/InputOperations_linux.cpp).
namespace x11input {

void sendVirtualKey(quint16 virtualKey, bool keyUp) {
    if (Display *display = inputDisplay())
        sendKeyEvents(display, {keyEvent(virtualKey, keyUp)});
}

void pressKeyChord(const QList<quint16> &chordModifiers, quint16 mainKey) {
    Display *display = inputDisplay();
    if (!display)
        return;
    const std::vector<std::uint16_t> modifiers(chordModifiers.cbegin(), chordModifiers.cend());
    sendKeyEvents(display, chordKeyEvents(modifiers, mainKey));
}

void sendPasteShortcut() {
    if (Display *display = inputDisplay())
        sendKeyEvents(display, pasteShortcutEvents());
}

QStringList focusedWindowClasses() {
    QStringList classes;
    Display *display = inputDisplay();
    if (!display)
        return classes;
    Window window = 0;
    int revertTo = 0;
    XGetInputFocus(display, &window, &revertTo);
    // The focus often sits on a child of the terminal's top-level window, which alone
    // carries WM_CLASS: walk up to the root. A window that vanishes meanwhile ends the
    // walk (Qt's Xlib error handler ignores the BadWindow).
    while (window != None && window != PointerRoot) {
        XClassHint hint{};
        if (XGetClassHint(display, window, &hint)) {
            classes << QString::fromLocal8Bit(hint.res_name) << QString::fromLocal8Bit(hint.res_class);
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        Window root = 0;
        Window parent = 0;
        Window *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            break;
        if (children)
            XFree(children);
        window = parent == root ? None : parent;
    }
    return classes;
}

HeldModifiers releaseHeldModifiers() {
    HeldModifiers held{};
    Display *display = inputDisplay();
    if (!display)
        return held;
    // Output begins here: a keyboard grab still active (the press of a grabbed key that
    // chose the phrase) would take every synthetic event that follows.
    X11KeyboardGrab::end();
    // Every keycode that is down and carries one of the modifier keysyms counts; a keysym
    // may sit on more than one key, and the key that is down is the one to release.
    char keymap[32] = {};
    XQueryKeymap(display, keymap);
    std::array<std::vector<KeyCode>, releasableModifierKeys.size()> downByModifier;
    for (int code = 8; code < 256; ++code) {
        if (!(keymap[code / 8] & (1 << (code % 8))))
            continue;
        const KeySym keysym = XkbKeycodeToKeysym(display, static_cast<KeyCode>(code), 0, 0);
        for (std::size_t i = 0; i < releasableModifierKeys.size(); ++i) {
            if (keysym != NoSymbol && keysym == x11KeysymForVirtualKey(releasableModifierKeys[i]))
                downByModifier[i].push_back(static_cast<KeyCode>(code));
        }
    }
    for (std::size_t i = 0; i < releasableModifierKeys.size(); ++i) {
        held[i] = !downByModifier[i].empty();
        for (const KeyCode code : downByModifier[i])
            XTestFakeKeyEvent(display, code, False, CurrentTime);
    }
    XFlush(display);
    return held;
}

void setClipboardText(const QString &text) {
    if (!inputDisplay())
        return;
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setMimeData(privateText(text), QClipboard::Clipboard);
}

void setPrimarySelectionText(const QString &text) {
    if (!inputDisplay())
        return;
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setMimeData(privateText(text), QClipboard::Selection);
}

bool putFileOnClipboard(const QString &filePath) {
    if (!inputDisplay())
        return false;
    const QFileInfo info(filePath);
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (filePath.isEmpty() || !info.isFile() || !clipboard)
        return false;
    // The URL list plus the file managers' copy format: what file managers and chat
    // programs on Linux accept as a pasted file.
    const QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    auto *mime = new QMimeData;
    mime->setUrls({url});
    mime->setData(QStringLiteral("x-special/gnome-copied-files"), QByteArray("copy\n") + url.toEncoded());
    markAsPrivate(mime);
    clipboard->setMimeData(mime, QClipboard::Clipboard);
    return clipboard->ownsClipboard();
}

} // namespace x11input
