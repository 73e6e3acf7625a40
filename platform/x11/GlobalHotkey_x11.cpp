// X11 backend of GlobalHotkey: passive key grabs on the root window through Qt's own X
// connection; key presses come back through a native event filter.

#include "platform/GlobalHotkey.h"
#include "platform/HotkeyGrabLogic.h"
#include "platform/HotkeyKeyMap.h"
#include "platform/x11/X11GlobalHotkeys.h"
#include "platform/x11/X11KeyboardGrab.h"
#include "platform/x11/X11KeyboardLayout.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

struct Grab {
    QKeyCombination combination;
    xcb_keycode_t keycode = 0;
    quint16 modifiers = 0;
    QList<quint16> variants;
    bool sameKeys(const Grab &other) const {
        return keycode == other.keycode && modifiers == other.modifiers;
    }
    bool operator==(const Grab &other) const { return sameKeys(other); }
};

class KeyPressFilter;

struct Registry {
    QHash<GlobalHotkey *, Grab> grabs;
    KeyPressFilter *filter = nullptr;
    quint16 numLockMask = 0;
    // Let go while the program's own synthetic keys pass (suspendHotkeys).
    QList<Grab> suspended;
};

Registry &registry() {
    static Registry r;
    return r;
}

class KeyPressFilter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        const uint8_t type = event->response_type & 0x7f;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
            return false;
        const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(event);
        Registry &r = registry();
        // A key still held since its press fired (its release went to the focused window
        // once the grab was ended): this press is its auto-repeat, which fires nothing.
        const bool repeat = type == XCB_KEY_PRESS && X11KeyboardGrab::isAutoRepeat(key->detail, key->time);
        if (type == XCB_KEY_RELEASE)
            X11KeyboardGrab::noteRelease(key->detail, key->time);
        bool fired = false;
        bool consumed = false;
        for (auto it = r.grabs.begin(); it != r.grabs.end(); ++it) {
            if (it->keycode != key->detail)
                continue;
            // The modifiers may be let go before the key: any release of the key is ours. One
            // reported on the root window comes through another grab of the program on the
            // keyboard (the pick window's), which must see it to let the keyboard go on.
            consumed = consumed || (type == XCB_KEY_RELEASE && key->event != key->root);
            if (type == XCB_KEY_RELEASE || hotkeyModifiersOfState(key->state, r.numLockMask) != it->modifiers)
                continue;
            // Queued: a slot may delete hotkeys, which must not happen inside this loop. Every
            // owner of a shared combination hears of it.
            if (!repeat)
                QMetaObject::invokeMethod(it.key(), &GlobalHotkey::activated, Qt::QueuedConnection);
            fired = true;
        }
        consumed = consumed || fired;
        if (fired) {
            // The press came through the hotkey's own grab on the root window (and not
            // through another grab of this program, an open menu's): that grab is ended
            // now, so that output started by the hotkey reaches the focused window.
            if (key->event == key->root)
                X11KeyboardGrab::end();
            X11KeyboardGrab::markHeld(key->detail);
        }
        return consumed;
    }
};

QNativeInterface::QX11Application *x11Application() {
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (app == nullptr)
        return nullptr;
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        static bool told = false;
        if (!told) {
            told = true;
            qWarning("Global hotkeys need an X11 session; under the Qt platform \"%s\" they stay off.",
                     qPrintable(QGuiApplication::platformName()));
        }
        return nullptr;
    }
    auto *x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr || x11->connection() == nullptr)
        return nullptr;
    return x11;
}

// The modifier bit that NumLock sets, usually Mod2; 0 when no modifier carries it.
quint16 numLockMask(Display *display) {
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap *map = XGetModifierMapping(display);
    if (map == nullptr)
        return 0;
    quint16 mask = 0;
    for (int modifier = 0; modifier < 8 && numLock != 0; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[modifier * map->max_keypermod + k] == numLock)
                mask = quint16(1u << modifier);
        }
    }
    XFreeModifiermap(map);
    return mask;
}

xcb_keycode_t keycodeOf(Display *display, QKeyCombination combination) {
    const quint32 keysym = x11HotkeyKeysym(combination.key(), combination.keyboardModifiers());
    return keysym == 0 ? 0 : XKeysymToKeycode(display, keysym);
}

void ungrabVariants(xcb_connection_t *connection, xcb_window_t root, const Grab &grab) {
    for (const quint16 variant : grab.variants)
        xcb_ungrab_key(connection, grab.keycode, root, variant);
    xcb_flush(connection);
}

// A hotkey is the key that types its character now: when the layout moved it, the grab
// moves along (a combination another client holds there is lost until the next change).
void followLayout() {
    QNativeInterface::QX11Application *x11 = x11Application();
    if (x11 == nullptr)
        return;
    Display *display = x11->display();
    xcb_connection_t *connection = x11->connection();
    const xcb_window_t root = static_cast<xcb_window_t>(DefaultRootWindow(display));
    Registry &r = registry();
    QList<Grab> released, taken;
    for (Grab &grab : r.grabs) {
        const xcb_keycode_t now = keycodeOf(display, grab.combination);
        if (now == grab.keycode)
            continue;
        if (!released.contains(grab))
            released.append(grab);
        grab.keycode = now;
        if (now != 0 && !taken.contains(grab))
            taken.append(grab);
    }
    for (const Grab &grab : std::as_const(released))
        ungrabVariants(connection, root, grab);
    for (const Grab &grab : std::as_const(taken)) {
        for (const quint16 variant : grab.variants)
            xcb_grab_key(connection, 0, root, variant, grab.keycode, XCB_GRAB_MODE_ASYNC,
                         XCB_GRAB_MODE_ASYNC);
    }
    xcb_flush(connection);
}

} // namespace

bool X11KeyboardGrab::isHotkey(std::uint8_t keycode, std::uint16_t state) {
    const Registry &r = registry();
    for (const Grab &grab : r.grabs) {
        if (grab.keycode == keycode && hotkeyModifiersOfState(state, r.numLockMask) == grab.modifiers)
            return true;
    }
    return false;
}

bool X11KeyboardGrab::suspendHotkeys(const std::vector<KeyWithModifiers> &combinations) {
    Registry &r = registry();
    QNativeInterface::QX11Application *x11 = x11Application();
    if (x11 == nullptr || r.grabs.isEmpty())
        return false;
    const xcb_window_t root = static_cast<xcb_window_t>(DefaultRootWindow(x11->display()));
    for (const Grab &grab : std::as_const(r.grabs)) {
        const bool pressed =
            std::any_of(combinations.begin(), combinations.end(), [&](const KeyWithModifiers &c) {
                return c.keycode == grab.keycode && c.modifiers == grab.modifiers;
            });
        if (!pressed || r.suspended.contains(grab))
            continue;
        r.suspended.append(grab);
        ungrabVariants(x11->connection(), root, grab);
    }
    return !r.suspended.isEmpty();
}

void X11KeyboardGrab::resumeHotkeys() {
    Registry &r = registry();
    const QList<Grab> suspended = std::exchange(r.suspended, {});
    QNativeInterface::QX11Application *x11 = x11Application();
    if (x11 == nullptr)
        return;
    xcb_connection_t *connection = x11->connection();
    const xcb_window_t root = static_cast<xcb_window_t>(DefaultRootWindow(x11->display()));
    for (const Grab &grab : suspended) {
        // Released meanwhile: not to be taken again.
        bool held = false;
        for (const Grab &now : std::as_const(r.grabs))
            held = held || now.sameKeys(grab);
        if (!held)
            continue;
        for (const quint16 variant : grab.variants) {
            // Another client may have taken the combination in the moment it was free.
            const xcb_void_cookie_t cookie = xcb_grab_key_checked(connection, 0, root, variant, grab.keycode,
                                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t *error = xcb_request_check(connection, cookie)) {
                std::free(error);
                qWarning("A global hotkey was taken by another program while Verbolin typed its key; "
                         "it does nothing until it is set again.");
            }
        }
    }
    xcb_flush(connection);
}

bool x11hotkeys::canMap(QKeyCombination combination) {
    if (QNativeInterface::QX11Application *x11 = x11Application())
        return keycodeOf(x11->display(), combination) != 0;
    return x11HotkeyKeysym(combination.key(), combination.keyboardModifiers()) != 0;
}

bool x11hotkeys::grab(GlobalHotkey *owner, QKeyCombination combination) {
    QNativeInterface::QX11Application *x11 = x11Application();
    if (x11 == nullptr)
        return false;
    Display *display = x11->display();
    xcb_connection_t *connection = x11->connection();
    const xcb_window_t root = static_cast<xcb_window_t>(DefaultRootWindow(display));

    Grab grab;
    grab.combination = combination;
    grab.keycode = keycodeOf(display, combination);
    grab.modifiers = x11HotkeyModifiers(combination.keyboardModifiers());
    if (grab.keycode == 0)
        return false;
    Registry &r = registry();
    for (const Grab &other : std::as_const(r.grabs)) {
        // A combination this program holds already is shared: both owners fire.
        if (other.sameKeys(grab)) {
            r.grabs.insert(owner, other);
            return true;
        }
    }

    r.numLockMask = numLockMask(display);
    grab.variants = hotkeyLockVariants(grab.modifiers, r.numLockMask);
    const auto grabOne = [&](quint16 variant) {
        // Checked, so a BadAccess (the combination is another client's) comes back here
        // instead of as an error event.
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(connection, 0, root, variant, grab.keycode,
                                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t *error = xcb_request_check(connection, cookie);
        if (error == nullptr)
            return true;
        std::free(error);
        return false;
    };
    const auto releaseOne = [&](quint16 variant) { xcb_ungrab_key(connection, grab.keycode, root, variant); };
    const bool grabbed = grabAllOrNone(grab.variants, grabOne, releaseOne);
    xcb_flush(connection);
    if (!grabbed)
        return false;

    if (r.filter == nullptr) {
        r.filter = new KeyPressFilter;
        QCoreApplication::instance()->installNativeEventFilter(r.filter);
        X11KeyboardLayout::watch(r.filter, &followLayout);
    }
    r.grabs.insert(owner, grab);
    return true;
}

void x11hotkeys::release(GlobalHotkey *owner) {
    Registry &r = registry();
    const auto it = r.grabs.constFind(owner);
    if (it == r.grabs.cend())
        return;
    // While the application object is being torn down, its X connection closes and the
    // server drops the grabs by itself.
    bool shared = false;
    for (auto other = r.grabs.cbegin(); other != r.grabs.cend(); ++other)
        shared = shared || (other.key() != owner && other->sameKeys(*it));
    if (!shared && QCoreApplication::instance() != nullptr) {
        if (QNativeInterface::QX11Application *x11 = x11Application()) {
            ungrabVariants(x11->connection(), static_cast<xcb_window_t>(DefaultRootWindow(x11->display())),
                           *it);
        }
    }
    r.grabs.erase(it);
    if (r.grabs.isEmpty()) {
        X11KeyboardLayout::unwatch(r.filter);
        delete r.filter;
        r.filter = nullptr;
    }
}
