// Test helper: holds one key combination on the root window from its own X connection,
// as another program with a global hotkey does.
// Usage: x_grab_key KEYSYM MODIFIER_MASK [numlock] [capslock] hold|probe
// Prints "grabbed" or "refused". hold keeps the grab until standard input closes; probe
// lets go at once. Exit code 0 grabbed, 1 refused, 2 usage or X failure.
// x_grab_key locks prints which of "numlock" and "capslock" are on.

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool refused = false;

int onError(Display *, XErrorEvent *error) {
    if (error->error_code == BadAccess)
        refused = true;
    return 0;
}

unsigned numLockMask(Display *display) {
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap *map = XGetModifierMapping(display);
    unsigned mask = 0;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (numLock != 0 && map->modifiermap[modifier * map->max_keypermod + k] == numLock)
                mask = 1u << modifier;
        }
    }
    XFreeModifiermap(map);
    return mask;
}

} // namespace

int printLocks() {
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 2;
    Window root, child;
    int rootX, rootY, x, y;
    unsigned state = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &state);
    const unsigned numLock = numLockMask(display);
    std::printf("%s%s\n", (numLock != 0 && (state & numLock)) ? "numlock " : "",
                (state & LockMask) ? "capslock" : "");
    XCloseDisplay(display);
    return 0;
}

int main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], "locks") == 0)
        return printLocks();
    if (argc < 4) {
        std::fprintf(stderr, "usage: x_grab_key KEYSYM MODIFIER_MASK [numlock] [capslock] hold|probe\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 2;
    const KeyCode keycode = XKeysymToKeycode(display, XStringToKeysym(argv[1]));
    if (keycode == 0)
        return 2;
    unsigned modifiers = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 0));
    bool hold = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "numlock") == 0)
            modifiers |= numLockMask(display);
        else if (std::strcmp(argv[i], "capslock") == 0)
            modifiers |= LockMask;
        else if (std::strcmp(argv[i], "hold") == 0)
            hold = true;
    }

    XSetErrorHandler(onError);
    XGrabKey(display, keycode, modifiers, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    std::puts(refused ? "refused" : "grabbed");
    std::fflush(stdout);
    if (hold && !refused) {
        while (std::fgetc(stdin) != EOF) {
        }
    }
    XCloseDisplay(display);
    return refused ? 1 : 0;
}
