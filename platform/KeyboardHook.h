#pragma once

#include "platform/HookKeys.h"

#include <functional>
#include <memory>
#include <vector>

// A system-wide keyboard hook that offers every key-down to a handler while the
// focused application keeps the focus. The handler returns true to consume the key:
// the focused application never sees it (nor, on X11, its key-up). Keys it does not
// consume reach the focused application unchanged.
//
// Windows: a low-level keyboard hook (WH_KEYBOARD_LL) that sees every key; the handler
// runs on the installing thread while it waits for messages and must not block.
// X11: synchronous passive grabs on the root window for the keys given by setGrabs; the
// server holds later keys back while a grabbed key is decided, and hands a key that is not
// consumed to the focused window at its press, in the order typed. Other Qt platforms
// (offscreen, Wayland): install() fails and nothing is taken.
//
// The handler may call remove() and install(); it must not destroy the hook.
class KeyboardHook {
public:
    using Handler = std::function<bool(const HookKeyEvent &)>;

    explicit KeyboardHook(Handler handler);
    ~KeyboardHook();
    KeyboardHook(const KeyboardHook &) = delete;
    KeyboardHook &operator=(const KeyboardHook &) = delete;

    // The keys taken on X11 (pickWindowHookGrabs() by default). Applied at the next
    // install() if the hook is installed now. Windows ignores it.
    void setGrabs(std::vector<HookGrab> grabs);

    // Windows: keys are offered to the handler (and the modifiers read) only while this
    // holds; the hook sees every key of the desktop. X11 ignores it: its grabs are held
    // only while keys are taken.
    void setTakingKeys(std::function<bool()> takingKeys);

    // True when the hook is installed afterwards (also when it already was).
    bool install();
    void remove();
    bool isInstalled() const;

    struct Private;

private:
    std::unique_ptr<Private> d;
};

// Windows' hook sees every key, so it can stay installed while the pick window is hidden
// (its handler lets keys pass then). X11 grabs take keys away from every application,
// so they are held only while the pick window really takes keys.
bool keyboardHookSeesEveryKey();
