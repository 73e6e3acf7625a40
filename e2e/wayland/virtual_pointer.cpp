// virtual_pointer: gives a headless wlroots compositor's seat a pointer, as a mouse does on
// a desktop, and clicks with it. Reads lines from standard input:
//   click X Y MS    moves to (X, Y) of the output layout and holds the left button MS ms
// and ends at the end of its input. A client that starts on a seat without a pointer never
// takes one added later: this runs before the programs under test start.
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace {

constexpr unsigned leftButton = 0x110; // BTN_LEFT
wl_seat *seat = nullptr;
zwlr_virtual_pointer_manager_v1 *manager = nullptr;

void global(void *, wl_registry *registry, uint32_t name, const char *interface, uint32_t) {
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !seat)
        seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void globalRemoved(void *, wl_registry *, uint32_t) {}

uint32_t nowMs() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LAYOUT_WIDTH LAYOUT_HEIGHT < commands\n", argv[0]);
        return 2;
    }
    const uint32_t width = uint32_t(std::stoul(argv[1])), height = uint32_t(std::stoul(argv[2]));
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "virtual_pointer: no Wayland display\n");
        return 1;
    }
    wl_registry *registry = wl_display_get_registry(display);
    static const wl_registry_listener listener{global, globalRemoved};
    wl_registry_add_listener(registry, &listener, nullptr);
    wl_display_roundtrip(display);
    if (!manager) {
        std::fprintf(stderr, "virtual_pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1 *pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        unsigned x = 0, y = 0, ms = 0;
        if (!(words >> command >> x >> y >> ms) || command != "click") {
            std::fprintf(stderr, "virtual_pointer: cannot read \"%s\"\n", line.c_str());
            continue;
        }
        zwlr_virtual_pointer_v1_motion_absolute(pointer, nowMs(), x, y, width, height);
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_flush(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        zwlr_virtual_pointer_v1_button(pointer, nowMs(), leftButton, WL_POINTER_BUTTON_STATE_PRESSED);
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_flush(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        zwlr_virtual_pointer_v1_button(pointer, nowMs(), leftButton, WL_POINTER_BUTTON_STATE_RELEASED);
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
        std::printf("clicked\n");
        std::fflush(stdout);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_disconnect(display);
    return 0;
}
