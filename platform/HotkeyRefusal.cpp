#include "platform/HotkeyRefusal.h"

#include <cstdio>

namespace {

std::function<void(const QString &)> &refusalHandler() {
    static std::function<void(const QString &)> handler;
    return handler;
}

} // namespace

void setHotkeyRefusalHandler(std::function<void(const QString &reason)> handler) {
    refusalHandler() = std::move(handler);
}

void reportHotkeyRefusal(const QString &reason) {
    std::fprintf(stderr, "verbolin: the desktop did not bind the hotkeys: %s\n", qPrintable(reason));
    if (refusalHandler())
        refusalHandler()(reason);
}
