#include "platform/wayland/WaylandGlobals.h"

#include <wayland-client.h>

namespace {

void onGlobal(void *data, wl_registry *, uint32_t, const char *interface, uint32_t) {
    static_cast<QStringList *>(data)->append(QString::fromUtf8(interface));
}

void onGlobalRemove(void *, wl_registry *, uint32_t) {}

const wl_registry_listener registryListener = {&onGlobal, &onGlobalRemove};

} // namespace

QStringList waylandGlobalInterfaces() {
    QStringList names;
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return names;
    if (wl_registry *registry = wl_display_get_registry(display)) {
        wl_registry_add_listener(registry, &registryListener, &names);
        wl_display_roundtrip(display);
        wl_registry_destroy(registry);
    }
    wl_display_disconnect(display);
    return names;
}
