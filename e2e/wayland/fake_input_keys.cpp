// fake_input_keys [--layout N] COMBINATION MILLISECONDS...: holds each key combination (e.g.
// ctrl+shift+v, Return, 3) for the given milliseconds through KWin's fake input, as a person
// would: the modifiers go down first, the key is held, then everything is let go in reverse
// order. Keys are named by their keysym and found in the compositor's keymap, in its layout
// N (0, the first, unless told), so the right keys are pressed whatever the layout. KWin offers fake input
// only to a program named by an installed desktop entry (X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input).
//
// fake_input_keys --pointer: the mouse of a headless KWin. Its fake input device is the seat's
// pointer for as long as it stays connected, and a client that starts on a seat without a
// pointer never takes one added later: this runs before the programs under test start, says
// "ready", then reads lines from standard input:
//   click X Y MS    moves to (X, Y) of the desktop and holds the left button MS ms
// answers "clicked" to each, and ends at the end of its input.
#include "fake-input-client-protocol.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

struct State {
    wl_seat *seat = nullptr;
    org_kde_kwin_fake_input *fakeInput = nullptr;
    xkb_context *context = nullptr;
    xkb_keymap *keymap = nullptr;
};

void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version) {
    auto *s = static_cast<State *>(data);
    if (!s->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
        s->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        s->fakeInput = static_cast<org_kde_kwin_fake_input *>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}
void onGlobalRemove(void *, wl_registry *, uint32_t) {}
const wl_registry_listener registryListener = {&onGlobal, &onGlobalRemove};

void onKeymap(void *data, wl_keyboard *, uint32_t format, int32_t fd, uint32_t size) {
    auto *s = static_cast<State *>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        void *text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            s->keymap = xkb_keymap_new_from_string(s->context, static_cast<const char *>(text),
                                                   XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(text, size);
        }
    }
    close(fd);
}
void onEnter(void *, wl_keyboard *, uint32_t, wl_surface *, wl_array *) {}
void onLeave(void *, wl_keyboard *, uint32_t, wl_surface *) {}
void onKey(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onModifiers(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onRepeatInfo(void *, wl_keyboard *, int32_t, int32_t) {}
const wl_keyboard_listener keyboardListener = {&onKeymap, &onEnter,     &onLeave,
                                               &onKey,    &onModifiers, &onRepeatInfo};

// The evdev code of the key that gives this keysym in the layout on the first shift level,
// else on any.
int evdevCodeOf(xkb_keymap *keymap, xkb_keysym_t keysym, xkb_layout_index_t layout) {
    for (int wantLevel = 0; wantLevel < 2; ++wantLevel) {
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= xkb_keymap_max_keycode(keymap);
             ++code) {
            const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, code);
            if (layouts == 0)
                continue;
            const xkb_layout_index_t keyLayout = layout % layouts;
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, keyLayout);
            for (xkb_level_index_t level = 0; level < levels; ++level) {
                if (wantLevel == 0 && level > 0)
                    break;
                const xkb_keysym_t *syms = nullptr;
                const int n = xkb_keymap_key_get_syms_by_level(keymap, code, keyLayout, level, &syms);
                for (int i = 0; i < n; ++i)
                    if (syms[i] == keysym)
                        return int(code) - 8;
            }
        }
    }
    return -1;
}

std::string keysymName(std::string name) {
    if (name == "ctrl")
        return "Control_L";
    if (name == "shift")
        return "Shift_L";
    if (name == "alt")
        return "Alt_L";
    if (name == "super" || name == "meta")
        return "Super_L";
    return name;
}

constexpr uint32_t leftButton = 0x110; // BTN_LEFT

int servePointer(wl_display *display, org_kde_kwin_fake_input *fakeInput) {
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        int x = 0, y = 0, ms = 0;
        if (!(words >> command >> x >> y >> ms) || command != "click") {
            std::fprintf(stderr, "fake_input_keys: cannot read \"%s\"\n", line.c_str());
            continue;
        }
        org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_int(x),
                                                        wl_fixed_from_int(y));
        wl_display_roundtrip(display);
        usleep(100 * 1000);
        org_kde_kwin_fake_input_button(fakeInput, leftButton, WL_POINTER_BUTTON_STATE_PRESSED);
        wl_display_roundtrip(display);
        usleep(useconds_t(ms) * 1000);
        org_kde_kwin_fake_input_button(fakeInput, leftButton, WL_POINTER_BUTTON_STATE_RELEASED);
        wl_display_roundtrip(display);
        std::printf("clicked\n");
        std::fflush(stdout);
    }
    org_kde_kwin_fake_input_destroy(fakeInput);
    wl_display_disconnect(display);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    xkb_layout_index_t layout = 0;
    const bool pointer = argc == 2 && std::strcmp(argv[1], "--pointer") == 0;
    if (argc > 2 && std::strcmp(argv[1], "--layout") == 0) {
        layout = xkb_layout_index_t(std::atoi(argv[2]));
        argv += 2;
        argc -= 2;
    }
    if (!pointer && (argc < 3 || argc % 2 == 0)) {
        std::fprintf(stderr, "usage: fake_input_keys [--layout N] COMBINATION MILLISECONDS...\n"
                             "       fake_input_keys --pointer < commands\n");
        return 2;
    }
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "fake_input_keys: no Wayland compositor\n");
        return 1;
    }
    State s;
    s.context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &s);
    wl_display_roundtrip(display);
    if (!s.fakeInput || !s.seat) {
        std::fprintf(stderr, "fake_input_keys: the compositor offers no fake input to this program\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(s.fakeInput, "verbolin tests", "presses keys in a test");
    if (pointer)
        return servePointer(display, s.fakeInput);
    wl_keyboard *keyboard = wl_seat_get_keyboard(s.seat);
    wl_keyboard_add_listener(keyboard, &keyboardListener, &s);
    for (int i = 0; i < 20 && !s.keymap; ++i)
        wl_display_roundtrip(display);
    if (!s.keymap) {
        std::fprintf(stderr, "fake_input_keys: the compositor sent no keymap\n");
        return 1;
    }
    for (int arg = 1; arg + 1 < argc; arg += 2) {
        std::vector<int> codes;
        std::string combination = argv[arg];
        size_t start = 0;
        while (start <= combination.size()) {
            size_t plus = combination.find('+', start);
            // A lone "+" or one at the end is the key itself.
            if (plus == start && plus + 1 == combination.size())
                plus = std::string::npos;
            const std::string part =
                combination.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
            const xkb_keysym_t keysym =
                xkb_keysym_from_name(keysymName(part).c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
            const int code = keysym == XKB_KEY_NoSymbol ? -1 : evdevCodeOf(s.keymap, keysym, layout);
            if (code < 0) {
                std::fprintf(stderr, "fake_input_keys: no key gives \"%s\"\n", part.c_str());
                return 1;
            }
            codes.push_back(code);
            if (plus == std::string::npos)
                break;
            start = plus + 1;
        }
        const int ms = std::atoi(argv[arg + 1]);
        for (const int code : codes) {
            org_kde_kwin_fake_input_keyboard_key(s.fakeInput, uint32_t(code), WL_KEYBOARD_KEY_STATE_PRESSED);
            wl_display_roundtrip(display);
            usleep(10 * 1000);
        }
        usleep(useconds_t(ms) * 1000);
        for (auto it = codes.rbegin(); it != codes.rend(); ++it) {
            org_kde_kwin_fake_input_keyboard_key(s.fakeInput, uint32_t(*it), WL_KEYBOARD_KEY_STATE_RELEASED);
            wl_display_roundtrip(display);
            usleep(10 * 1000);
        }
    }
    wl_display_roundtrip(display);
    wl_keyboard_destroy(keyboard);
    org_kde_kwin_fake_input_destroy(s.fakeInput);
    wl_seat_destroy(s.seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
