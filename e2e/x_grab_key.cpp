// Plays another X client that holds a key combination on the root window, as another
// program with a global hotkey does.
// Usage: x_grab_key COMBINATION [numlock] [capslock] hold|probe   (combination: "ctrl+alt+j")
// Prints "grabbed" or "refused" (exit code 0 or 1); hold keeps the grab until standard input
// closes. x_grab_key locks prints which of "numlock" and "capslock" are on.

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool refused = false;

int onError(Display *, XErrorEvent *error) {
    refused = refused || error->error_code == BadAccess;
    return 0;
}

unsigned numLockMask(Display *display) {
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap *map = XGetModifierMapping(display);
    unsigned mask = 0;
    for (int i = 0; i < 8 * map->max_keypermod; ++i)
        mask = numLock != 0 && map->modifiermap[i] == numLock ? 1u << (i / map->max_keypermod) : mask;
    XFreeModifiermap(map);
    return mask;
}

} // namespace

int main(int argc, char **argv) {
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr || argc < 2)
        return 2;
    const unsigned numLock = numLockMask(display);
    if (std::strcmp(argv[1], "locks") == 0) {
        Window root, child;
        int rootX, rootY, x, y;
        unsigned state = 0;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &state);
        std::printf("%s%s\n", (state & numLock) ? "numlock " : "", (state & LockMask) ? "capslock" : "");
        return 0;
    }
    const auto mask = [numLock](const std::string &name) -> unsigned {
        return name == "ctrl"       ? ControlMask
               : name == "shift"    ? ShiftMask
               : name == "alt"      ? Mod1Mask
               : name == "numlock"  ? numLock
               : name == "capslock" ? LockMask
                                    : 0;
    };
    unsigned modifiers = 0;
    std::string key = argv[1];
    for (size_t plus; (plus = key.find('+')) != std::string::npos; key.erase(0, plus + 1))
        modifiers |= mask(key.substr(0, plus));
    const KeyCode keycode = XKeysymToKeycode(display, XStringToKeysym(key.c_str()));
    if (keycode == 0)
        return 2;
    for (int i = 2; i < argc; ++i)
        modifiers |= mask(argv[i]);
    const bool hold = std::strcmp(argv[argc - 1], "hold") == 0;
    XSetErrorHandler(onError);
    XGrabKey(display, keycode, modifiers, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    std::puts(refused ? "refused" : "grabbed");
    std::fflush(stdout);
    while (hold && !refused && std::fgetc(stdin) != EOF) {
    }
    XCloseDisplay(display);
    return refused ? 1 : 0;
}
