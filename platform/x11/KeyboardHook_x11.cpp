// The keyboard hook on X11: passive grabs on the root window, synchronous for the keyboard.
// From the press of a grabbed key to its release the server hands us one key event at a time
// and holds the rest back until we have asked the handler. A key it lets pass is handed back
// (ReplayKeyboard): the grab ends and the server delivers that key, with the modifiers of its
// press, and everything typed after it to the focused window, in the order typed. Output
// started by a consumed key ends the grab at once, so that its synthetic events reach the
// focused window.
#include "platform/KeyboardHook.h"

#include "platform/x11/X11KeyboardGrab.h"
#include "platform/x11/X11KeyboardLayout.h"
#include "platform/x11/XcbSession.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <set>
#include <utility>

namespace {

struct KeyCombo {
    xcb_keycode_t keycode;
    std::uint16_t mask;
    bool operator<(const KeyCombo &o) const {
        return keycode != o.keycode ? keycode < o.keycode : mask < o.mask;
    }
};

// A key event under one of our grabs holds the keyboard until the server is told what became
// of it; this tells it on every way out of the event's handling. Without a hold the server
// ignores it.
struct KeyboardThaw {
    std::uint32_t time;
    std::uint8_t mode;
    ~KeyboardThaw() {
        if (xcb_connection_t *c = XcbSession::connection()) {
            xcb_allow_events(c, mode, time);
            xcb_flush(c);
        }
    }
};

} // namespace

struct KeyboardHook::Private : QAbstractNativeEventFilter {
    Handler handler;
    std::vector<HookGrab> grabs = pickWindowHookGrabs();
    bool installed = false;
    bool filterInstalled = false;

    // Resolved from the keyboard map at install().
    std::set<KeyCombo> combos;
    std::map<xcb_keycode_t, std::uint32_t> vkOfKeycode;
    std::set<xcb_keycode_t> modifierKeycodes;
    std::uint16_t numLockMask = XCB_MOD_MASK_2;
    std::uint16_t altMask = XCB_MOD_MASK_1;
    std::uint16_t metaMask = XCB_MOD_MASK_4;
    int group = 0; // the layout group the keys were resolved for
    // The keys are resolved again only when the keyboard changed since: reading the whole
    // keyboard map at every show of the pick window kept it from painting.
    bool keysResolved = false;
    // Hundreds of grabs keep the X server from mapping the pick window meanwhile: at install
    // the keys are grabbed for the lock keys' state of the moment, the other states a moment
    // later, once the window is up.
    QTimer otherLocksTimer;
    std::vector<std::uint16_t> otherLocks;
    // Grabs sent and not yet known to be answered, by request number (lock bits in the
    // mask): the server refuses one that another client holds with an error carrying that
    // number. Grabs known refused: that client keeps those keys.
    std::vector<std::pair<std::uint32_t, KeyCombo>> grabsSent; // in the order sent
    std::uint32_t lastGrabSent = 0;
    std::set<KeyCombo> grabsRefused;

    // The active grab: from the press of a grabbed key to its release, unless the output
    // that the key started ends it first (grabEnded).
    bool grabEnded = false;
    xcb_keycode_t activator = 0;
    std::set<xcb_keycode_t> swallowed;
    std::set<xcb_keycode_t> modifiersPressed;
    ~Private() override {
        X11KeyboardLayout::unwatch(this);
        if (filterInstalled && QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override;

    void readKeyboardMap();
    void resolveKeys();
    void followLayout();
    void grabCombos(const std::set<KeyCombo> &which, const std::vector<std::uint16_t> &locks);
    void ungrabCombos(const std::set<KeyCombo> &which);
    bool noteGrabAnswer(const xcb_generic_event_t *event);
    unsigned modifiersOf(std::uint16_t state) const;
    std::uint16_t maskOf(unsigned modifiers) const;
    bool offer(const xcb_key_press_event_t *key);
    bool offerRepeat(const xcb_key_press_event_t *key);
    bool onPress(const xcb_key_press_event_t *key, KeyboardThaw &thaw);
    bool onRelease(const xcb_key_press_event_t *key);
    void forwardRelease(const xcb_key_press_event_t *key);
    void passOn(KeyboardThaw &thaw);
    void resetGrabState();
};

namespace {

// Lock variants: a grab without them would miss keys pressed with NumLock or CapsLock on.
std::vector<std::uint16_t> lockVariants(std::uint16_t numLock) {
    return {0, XCB_MOD_MASK_LOCK, numLock, static_cast<std::uint16_t>(numLock | XCB_MOD_MASK_LOCK)};
}

} // namespace

void KeyboardHook::Private::readKeyboardMap() {
    xcb_connection_t *c = XcbSession::connection();
    Display *dpy = XcbSession::display();
    modifierKeycodes.clear();
    xcb_get_modifier_mapping_reply_t *reply =
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
    if (!reply)
        return;
    const xcb_keycode_t *keycodes = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    auto maskHolding = [&](KeySym keysym, std::uint16_t fallback) {
        const KeyCode code = XKeysymToKeycode(dpy, keysym);
        for (int mod = 0; code && mod < 8; ++mod) {
            for (int i = 0; i < perModifier; ++i) {
                if (keycodes[mod * perModifier + i] == code)
                    return static_cast<std::uint16_t>(1u << mod);
            }
        }
        return fallback;
    };
    numLockMask = maskHolding(XK_Num_Lock, XCB_MOD_MASK_2);
    altMask = maskHolding(XK_Alt_L, XCB_MOD_MASK_1);
    metaMask = maskHolding(XK_Super_L, XCB_MOD_MASK_4);
    for (int i = 0; i < 8 * perModifier; ++i) {
        if (keycodes[i])
            modifierKeycodes.insert(keycodes[i]);
    }
    std::free(reply);
}

unsigned KeyboardHook::Private::modifiersOf(std::uint16_t state) const {
    unsigned modifiers = HookNoModifier;
    if (state & XCB_MOD_MASK_SHIFT)
        modifiers |= HookShift;
    if (state & XCB_MOD_MASK_CONTROL)
        modifiers |= HookControl;
    if (state & altMask)
        modifiers |= HookAlt;
    if (state & metaMask)
        modifiers |= HookMeta;
    return modifiers;
}

std::uint16_t KeyboardHook::Private::maskOf(unsigned modifiers) const {
    std::uint16_t mask = 0;
    if (modifiers & HookShift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & HookControl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & HookAlt)
        mask |= altMask;
    if (modifiers & HookMeta)
        mask |= metaMask;
    return mask;
}

void KeyboardHook::Private::grabCombos(const std::set<KeyCombo> &which,
                                       const std::vector<std::uint16_t> &locks) {
    xcb_connection_t *c = XcbSession::connection();
    const xcb_window_t root = XcbSession::rootWindow();
    for (const KeyCombo &combo : which) {
        for (std::uint16_t lock : locks) {
            const KeyCombo grab{combo.keycode, static_cast<std::uint16_t>(combo.mask | lock)};
            grabsRefused.erase(grab);
            // owner_events false: while the grab is active every key event comes to us,
            // reported on the root window. Unchecked: a refusal comes with the events and is
            // matched by its number (noteGrabAnswer). Waiting for the answers held up the
            // pick window's first paint by a round trip through hundreds of grabs, and
            // checked requests left unread cost the connection a walk through all of them
            // for each.
            lastGrabSent =
                xcb_grab_key(c, 0, root, grab.mask, grab.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC)
                    .sequence;
            grabsSent.emplace_back(lastGrabSent, grab);
        }
    }
    xcb_flush(c);
}

// Takes the refusal of one of our grabs (BadAccess: another client holds the combination).
// Any event the server sent after handling the last grab tells that every refusal is in.
bool KeyboardHook::Private::noteGrabAnswer(const xcb_generic_event_t *event) {
    if (grabsSent.empty())
        return false;
    if (event->response_type == 0) {
        const auto *error = reinterpret_cast<const xcb_generic_error_t *>(event);
        const auto sent = std::lower_bound(
            grabsSent.begin(), grabsSent.end(), error->full_sequence,
            [](const std::pair<std::uint32_t, KeyCombo> &grab, std::uint32_t n) { return grab.first < n; });
        if (sent == grabsSent.end() || sent->first != error->full_sequence ||
            error->major_code != XCB_GRAB_KEY)
            return false;
        grabsRefused.insert(sent->second);
        return true;
    }
    if (static_cast<std::int32_t>(event->full_sequence - lastGrabSent) >= 0)
        grabsSent.clear();
    return false;
}

void KeyboardHook::Private::ungrabCombos(const std::set<KeyCombo> &which) {
    xcb_connection_t *c = XcbSession::connection();
    const xcb_window_t root = XcbSession::rootWindow();
    // Combination by combination: an AnyModifier ungrab would also drop the grabs that
    // other parts of the program (global hotkeys) hold on the same keys.
    // A refused one is not ours to let go.
    for (const KeyCombo &combo : which) {
        for (std::uint16_t lock : lockVariants(numLockMask)) {
            const KeyCombo grab{combo.keycode, static_cast<std::uint16_t>(combo.mask | lock)};
            if (grabsRefused.erase(grab) == 0)
                xcb_ungrab_key(c, grab.keycode, root, grab.mask);
        }
    }
    xcb_flush(c);
}

void KeyboardHook::Private::resolveKeys() {
    Display *dpy = XcbSession::display();
    combos.clear();
    vkOfKeycode.clear();
    XkbDescPtr xkb = XkbGetMap(dpy, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    if (!xkb)
        return;
    XkbGetNames(dpy, XkbKeyNamesMask, xkb);
    XkbStateRec state{};
    group = XkbGetState(dpy, XkbUseCoreKbd, &state) == Success ? state.group : 0;
    std::map<std::uint32_t, std::vector<xcb_keycode_t>> keycodesOfVk;
    for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
        const auto keycode = static_cast<KeyCode>(code);
        const int groups = XkbKeyNumGroups(xkb, keycode);
        if (groups == 0)
            continue;
        // A key that has no symbols of the current group types those of its first.
        const KeySym base = XkbKeySymEntry(xkb, keycode, 0, group < groups ? group : 0);
        const std::string_view name = xkb->names && xkb->names->keys
                                          ? std::string_view(xkb->names->keys[code].name, XkbKeyNameLength)
                                          : std::string_view();
        if (const std::uint32_t vk =
                vkOfKey(name.substr(0, name.find('\0')), static_cast<std::uint32_t>(base))) {
            // Keys that are not grabbed still get a code when they come during another key's grab.
            vkOfKeycode.emplace(keycode, vk);
            keycodesOfVk[vk].push_back(keycode);
        }
    }
    XkbFreeKeyboard(xkb, 0, True);
    for (const HookGrab &grab : grabs) {
        for (xcb_keycode_t keycode : keycodesOfVk[grab.vk])
            combos.insert(KeyCombo{keycode, maskOf(grab.modifiers)});
    }
}

void KeyboardHook::Private::followLayout() {
    // The keys of the pick window move with the layout: take them where they are now.
    // The notifications also come when nothing moved (the server says "new keyboard"
    // whenever input switches between devices): then the grabs are left alone.
    if (!installed)
        keysResolved = false;
    if (installed) {
        const std::set<KeyCombo> before = combos;
        readKeyboardMap();
        resolveKeys();
        std::set<KeyCombo> gone, added;
        std::set_difference(before.begin(), before.end(), combos.begin(), combos.end(),
                            std::inserter(gone, gone.end()));
        std::set_difference(combos.begin(), combos.end(), before.begin(), before.end(),
                            std::inserter(added, added.end()));
        ungrabCombos(gone);
        grabCombos(added, lockVariants(numLockMask));
    }
}

bool KeyboardHook::Private::offer(const xcb_key_press_event_t *key) {
    const auto found = vkOfKeycode.find(key->detail);
    if (found == vkOfKeycode.end() || !handler)
        return false;
    return handler(HookKeyEvent{found->second, modifiersOf(key->state)});
}

bool KeyboardHook::Private::offerRepeat(const xcb_key_press_event_t *key) {
    const auto found = vkOfKeycode.find(key->detail);
    return found != vkOfKeycode.end() && handler &&
           handler(HookKeyEvent{found->second, modifiersOf(key->state), true});
}

bool KeyboardHook::Private::onPress(const xcb_key_press_event_t *key, KeyboardThaw &thaw) {
    if (!activator) {
        const auto mask = static_cast<std::uint16_t>(key->state & 0xff & ~(XCB_MOD_MASK_LOCK | numLockMask));
        // A grab of some other part of the program, or one of ours lifted since the press: the
        // key goes where it would have gone without us.
        if (!installed || !combos.count(KeyCombo{key->detail, mask}))
            return false;
        activator = key->detail;
        grabEnded = false;
        // A key still held after its grab was ended or handed back: this press is its auto-repeat.
        const bool consumed =
            X11KeyboardGrab::isAutoRepeat(key->detail, key->time) ? offerRepeat(key) : offer(key);
        if (grabEnded) {
            // The output the key started ended the grab (see X11KeyboardGrab::end): its
            // release and what is typed meanwhile go to the focused window.
            if (consumed)
                X11KeyboardGrab::markHeld(key->detail);
            X11KeyboardGrab::end();
            return true;
        }
        if (consumed)
            thaw.mode = XCB_ALLOW_SYNC_KEYBOARD; // the grab lasts until the key's release
        else
            resetGrabState(); // handed back: its release and what follows are not ours
        return true;
    }
    if (key->detail == activator) { // auto-repeat
        // A consumed key acts once more only where the handler wants it (moving keys).
        if (!offerRepeat(key) && activator)
            passOn(thaw);
        return true;
    }
    // Modifiers are kept: the server gives the keys typed with them the state of the moment.
    if (modifierKeycodes.count(key->detail)) {
        modifiersPressed.insert(key->detail);
        return true;
    }
    // One of the program's hotkeys: its own filter fires it and ends the grab.
    if (X11KeyboardGrab::isHotkey(key->detail, key->state)) {
        thaw.mode = XCB_ALLOW_ASYNC_KEYBOARD;
        return false;
    }
    // Auto-repeat goes to the key pressed last, here one pressed during the grab.
    const bool consumed =
        X11KeyboardGrab::isAutoRepeat(key->detail, key->time) ? offerRepeat(key) : offer(key);
    if (!activator)
        return true; // the output the key started ended the grab
    if (consumed)
        swallowed.insert(key->detail);
    else
        passOn(thaw);
    return true;
}

// Hands the key just pressed during the grab back to the server, which ends the grab and
// delivers it to the focused window. The keys we took that are still held send their releases
// there too; their auto-repeat comes back to us as repeats.
void KeyboardHook::Private::passOn(KeyboardThaw &thaw) {
    thaw.mode = XCB_ALLOW_REPLAY_KEYBOARD;
    swallowed.insert(activator);
    for (xcb_keycode_t held : swallowed)
        X11KeyboardGrab::markHeld(held);
    resetGrabState();
}

bool KeyboardHook::Private::onRelease(const xcb_key_press_event_t *key) {
    if (!activator)
        return false;
    if (key->detail == activator) {
        // The server ends the grab with it.
        resetGrabState();
        return true;
    }
    if (swallowed.erase(key->detail) || modifiersPressed.erase(key->detail))
        return true;
    // The key went down before the grab began, so the focused window saw its press: it must
    // see the release too, or it would take the key (or modifier) for still held.
    forwardRelease(key);
    return true;
}

void KeyboardHook::Private::forwardRelease(const xcb_key_press_event_t *key) {
    xcb_connection_t *c = XcbSession::connection();
    xcb_get_input_focus_reply_t *focus = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const xcb_window_t window = focus ? focus->focus : xcb_window_t(XCB_NONE);
    std::free(focus);
    if (window == XCB_NONE || window == XCB_INPUT_FOCUS_POINTER_ROOT)
        return;
    // XTest cannot release a key the server already has as up: send the event itself.
    xcb_key_release_event_t release = *key;
    release.response_type = XCB_KEY_RELEASE;
    release.event = window;
    release.child = XCB_NONE;
    release.event_x = 0;
    release.event_y = 0;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_KEY_RELEASE, reinterpret_cast<const char *>(&release));
    xcb_flush(c);
}

void KeyboardHook::Private::resetGrabState() {
    activator = 0;
    swallowed.clear();
    modifiersPressed.clear();
}

bool KeyboardHook::Private::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) {
    if (eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if (noteGrabAnswer(event))
        return true;
    const std::uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto *key = static_cast<const xcb_key_press_event_t *>(message);
    if (key->event != XcbSession::rootWindow())
        return false;
    // During our grab the next event comes alone (SyncKeyboard); a press outside it that
    // started one of our grabs goes on to the focused window unless the handler takes it.
    KeyboardThaw thaw{key->time, activator               ? std::uint8_t(XCB_ALLOW_SYNC_KEYBOARD)
                                 : type == XCB_KEY_PRESS ? std::uint8_t(XCB_ALLOW_REPLAY_KEYBOARD)
                                                         : std::uint8_t(XCB_ALLOW_ASYNC_KEYBOARD)};
    if (type == XCB_KEY_RELEASE) {
        X11KeyboardGrab::noteRelease(key->detail, key->time);
        return onRelease(key);
    }
    return onPress(key, thaw);
}

KeyboardHook::KeyboardHook(Handler handler) : d(std::make_unique<Private>()) {
    d->handler = std::move(handler);
}

KeyboardHook::~KeyboardHook() {
    // A hook that outlives the application (a static one, at exit) has lost its X
    // connection with it, and its grabs are gone too: nothing to ungrab.
    if (QCoreApplication::instance()) {
        remove();
        X11KeyboardGrab::setEndListener(nullptr);
    }
}

// The grabs are held only while keys are taken.
void KeyboardHook::setTakingKeys(std::function<bool()>) {}

void KeyboardHook::setGrabs(std::vector<HookGrab> grabs) {
    d->grabs = std::move(grabs);
    if (d->installed) {
        remove();
        install();
    }
}

bool KeyboardHook::install() {
    if (d->installed)
        return true;
    Display *dpy = XcbSession::display();
    if (!XcbSession::available() || !dpy || !QCoreApplication::instance())
        return false;
    // A layout group switched before any notification was seen is caught here.
    XkbStateRec state{};
    const bool stateKnown = XkbGetState(dpy, XkbUseCoreKbd, &state) == Success;
    const int group = stateKnown ? state.group : 0;
    if (!d->keysResolved || group != d->group) {
        d->readKeyboardMap();
        d->resolveKeys();
        d->keysResolved = true;
    }
    if (!d->filterInstalled) {
        QCoreApplication::instance()->installNativeEventFilter(d.get());
        d->filterInstalled = true;
        X11KeyboardLayout::watch(d.get(), [p = d.get()] { p->followLayout(); });
        d->otherLocksTimer.setSingleShot(true);
        d->otherLocksTimer.setInterval(50);
        QObject::connect(&d->otherLocksTimer, &QTimer::timeout, &d->otherLocksTimer, [p = d.get()] {
            if (p->installed)
                p->grabCombos(p->combos, p->otherLocks);
        });
    }
    // A grab ended elsewhere (output started by a hotkey) sends the rest of the keys to
    // the focused window: the grab this hook was following is over.
    X11KeyboardGrab::setEndListener([p = d.get()] {
        p->resetGrabState();
        p->grabEnded = true;
    });
    const std::vector<std::uint16_t> allLocks = lockVariants(d->numLockMask);
    const auto locksNow =
        static_cast<std::uint16_t>(stateKnown ? state.locked_mods & (XCB_MOD_MASK_LOCK | d->numLockMask) : 0);
    d->otherLocks.clear();
    for (std::uint16_t locks : allLocks) {
        if (locks != locksNow)
            d->otherLocks.push_back(locks);
    }
    const bool known = std::find(allLocks.begin(), allLocks.end(), locksNow) != allLocks.end();
    d->grabCombos(d->combos, known ? std::vector<std::uint16_t>{locksNow} : allLocks);
    if (known)
        d->otherLocksTimer.start();
    d->installed = true;
    return true;
}

void KeyboardHook::remove() {
    if (!d->installed)
        return;
    d->otherLocksTimer.stop();
    d->ungrabCombos(d->combos);
    // A grab that is active now still ends through the filter; it just does not grab again.
    d->installed = false;
}

bool KeyboardHook::isInstalled() const {
    return d->installed;
}

bool keyboardHookSeesEveryKey() {
    return false;
}
