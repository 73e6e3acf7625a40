#include "platform/x11/X11KeyboardGrab.h"

#include "platform/x11/XcbSession.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <map>

namespace {

struct HeldKeys {
    std::map<std::uint8_t, int> keycodes; // key, how many queries in a row found it up
    std::map<std::uint8_t, std::uint32_t> releaseTimes;
    QPointer<QTimer> poll; // a child of the application object
    std::function<void()> endListener;
};

HeldKeys &heldKeys() {
    static HeldKeys held;
    return held;
}

// Drops the keys found up twice in a row; stops asking once none is left. Once is not
// enough: plain auto-repeat is a release and a press, and a query may fall between them.
void forgetReleasedKeys() {
    HeldKeys &held = heldKeys();
    Display *dpy = XcbSession::display();
    char keymap[32] = {};
    if (dpy)
        XQueryKeymap(dpy, keymap);
    for (auto it = held.keycodes.begin(); it != held.keycodes.end();) {
        const bool down = keymap[it->first / 8] & (1 << (it->first % 8));
        it->second = down ? 0 : it->second + 1;
        it = it->second >= 2 ? held.keycodes.erase(it) : std::next(it);
    }
    if (held.keycodes.empty() && held.poll)
        held.poll->stop();
}

} // namespace

namespace X11KeyboardGrab {

void end() {
    xcb_connection_t *c = XcbSession::connection();
    if (!c)
        return;
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_flush(c);
    if (heldKeys().endListener)
        heldKeys().endListener();
}

void setEndListener(std::function<void()> listener) {
    heldKeys().endListener = std::move(listener);
}

void markHeld(std::uint8_t keycode) {
    HeldKeys &held = heldKeys();
    if (!XcbSession::available() || !QCoreApplication::instance())
        return;
    held.keycodes[keycode] = 0;
    if (!held.poll) {
        held.poll = new QTimer(QCoreApplication::instance());
        // Often enough that a key let go and pressed again is not taken for a repeat:
        // auto-repeat starts after a quarter second or more.
        held.poll->setInterval(10);
        QObject::connect(held.poll, &QTimer::timeout, held.poll, &forgetReleasedKeys);
    }
    if (!held.poll->isActive())
        held.poll->start();
}

void noteRelease(std::uint8_t keycode, std::uint32_t time) {
    heldKeys().releaseTimes[keycode] = time;
}

bool isAutoRepeat(std::uint8_t keycode, std::uint32_t time) {
    HeldKeys &held = heldKeys();
    // The release that came with it, also for a key whose grab lasted (a key the pick window
    // took and that started no output): each repeat ends that grab and starts a new one.
    const auto released = held.releaseTimes.find(keycode);
    if (released != held.releaseTimes.end() && released->second == time)
        return true;
    const auto found = held.keycodes.find(keycode);
    // Seen up since: let go and pressed again before the second query.
    return found != held.keycodes.end() && found->second == 0;
}

} // namespace X11KeyboardGrab
