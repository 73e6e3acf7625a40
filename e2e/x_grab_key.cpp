// Plays another X client that holds a key combination on the root window, as another
// program with a global hotkey does.
// Usage: x_grab_key COMBINATION [numlock] [capslock] hold|probe   (combination: "ctrl+alt+j")
// Prints "grabbed" or "refused"; hold keeps the grab until standard input closes, probe lets
// go at once. Exit code 0 grabbed, 1 refused, 2 usage or X failure.
// x_grab_key locks prints which of "numlock" and "capslock" are on.

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
    for (int i = 0; i < 8 * map->max_keypermod; ++i) {
        if (numLock != 0 && map->modifiermap[i] == numLock)
            mask = 1u << (i / map->max_keypermod);
    }
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
    unsigned modifiers = 0;
    std::string combination = argv[1], key;
    for (size_t start = 0, plus; start <= combination.size(); start = plus + 1) {
        plus = combination.find('+', start + 1); // "ctrl++" names the plus key
        key = combination.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        modifiers |= key == "ctrl" ? ControlMask : key == "shift" ? ShiftMask : key == "alt" ? Mod1Mask : 0;
        if (plus == std::string::npos)
            break;
    }
    const KeyCode keycode = XKeysymToKeycode(display, XStringToKeysym(key.c_str()));
    if (keycode == 0)
        return 2;
    bool hold = false;
    for (int i = 2; i < argc; ++i) {
        modifiers |= std::strcmp(argv[i], "numlock") == 0    ? numLock
                     : std::strcmp(argv[i], "capslock") == 0 ? LockMask
                                                             : 0;
        hold = hold || std::strcmp(argv[i], "hold") == 0;
    }
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
