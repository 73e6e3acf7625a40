#include "platform/wayland/SeatKeymap.h"

#include <QSocketNotifier>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

PortalKeyOutput::Layout keymapCarries(xkb_keymap *keymap, quint32 keysym) {
    if (!keymap)
        return PortalKeyOutput::Layout::Unknown;
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts(keymap);
    if (layouts == 0)
        return PortalKeyOutput::Layout::Unknown;
    for (xkb_layout_index_t layout = 0; layout < layouts; ++layout) {
        bool found = false;
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap);
             !found && code <= xkb_keymap_max_keycode(keymap); ++code) {
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, layout);
            for (xkb_level_index_t level = 0; !found && level < levels && level < 2; ++level) {
                const xkb_keysym_t *syms = nullptr;
                const int count = xkb_keymap_key_get_syms_by_level(keymap, code, layout, level, &syms);
                for (int i = 0; i < count; ++i)
                    found = found || syms[i] == keysym;
            }
        }
        if (!found)
            return PortalKeyOutput::Layout::Missing;
    }
    return PortalKeyOutput::Layout::Carried;
}

struct SeatKeymap::Wayland {
    wl_display *display = nullptr;
    wl_registry *registry = nullptr;
    wl_seat *seat = nullptr;
    wl_keyboard *keyboard = nullptr;
    xkb_context *context = nullptr;
    xkb_keymap *keymap = nullptr;
};

namespace {

using Wayland = SeatKeymap::Wayland;

void onKeymap(void *data, wl_keyboard *, uint32_t format, int32_t fd, uint32_t size) {
    auto *w = static_cast<Wayland *>(data);
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0) {
        ::close(fd);
        return;
    }
    void *mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED)
        return;
    // The text ends with a zero within `size`.
    xkb_keymap *keymap = xkb_keymap_new_from_buffer(w->context, static_cast<const char *>(mapped),
                                                    ::strnlen(static_cast<const char *>(mapped), size),
                                                    XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    ::munmap(mapped, size);
    if (!keymap)
        return;
    if (w->keymap)
        xkb_keymap_unref(w->keymap);
    w->keymap = keymap;
}
void onEnter(void *, wl_keyboard *, uint32_t, wl_surface *, wl_array *) {}
void onLeave(void *, wl_keyboard *, uint32_t, wl_surface *) {}
void onKey(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onModifiers(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onRepeatInfo(void *, wl_keyboard *, int32_t, int32_t) {}
const wl_keyboard_listener keyboardListener = {&onKeymap, &onEnter,     &onLeave,
                                               &onKey,    &onModifiers, &onRepeatInfo};

void onCapabilities(void *data, wl_seat *seat, uint32_t capabilities) {
    auto *w = static_cast<Wayland *>(data);
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !w->keyboard) {
        w->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(w->keyboard, &keyboardListener, w);
    }
}
const wl_seat_listener seatListener = {&onCapabilities, nullptr};

void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t) {
    auto *w = static_cast<Wayland *>(data);
    if (!w->seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
        w->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        wl_seat_add_listener(w->seat, &seatListener, w);
    }
}
void onGlobalRemove(void *, wl_registry *, uint32_t) {}
const wl_registry_listener registryListener = {&onGlobal, &onGlobalRemove};

} // namespace

SeatKeymap *SeatKeymap::create(QObject *parent) {
    auto *made = new SeatKeymap(parent);
    if (!made->connectToCompositor()) {
        delete made;
        return nullptr;
    }
    return made;
}

SeatKeymap::SeatKeymap(QObject *parent) : QObject(parent), w(std::make_unique<Wayland>()) {}

SeatKeymap::~SeatKeymap() {
    delete m_notifier;
    if (w->keymap)
        xkb_keymap_unref(w->keymap);
    if (w->context)
        xkb_context_unref(w->context);
    if (!w->display)
        return;
    if (w->keyboard)
        wl_keyboard_destroy(w->keyboard);
    if (w->seat)
        wl_seat_destroy(w->seat);
    if (w->registry)
        wl_registry_destroy(w->registry);
    wl_display_disconnect(w->display);
}

bool SeatKeymap::connectToCompositor() {
    w->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    w->display = wl_display_connect(nullptr);
    if (!w->context || !w->display)
        return false;
    w->registry = wl_display_get_registry(w->display);
    wl_registry_add_listener(w->registry, &registryListener, w.get());
    // The globals, then the seat's capabilities, then the keymap.
    for (int i = 0; i < 3; ++i)
        if (wl_display_roundtrip(w->display) < 0)
            return false;
    m_notifier = new QSocketNotifier(wl_display_get_fd(w->display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SeatKeymap::dispatch);
    return true;
}

void SeatKeymap::dispatch() {
    if (wl_display_dispatch(w->display) < 0)
        m_notifier->setEnabled(false);
}

PortalKeyOutput::Layout SeatKeymap::carries(quint32 keysym) const {
    return keymapCarries(w->keymap, keysym);
}
