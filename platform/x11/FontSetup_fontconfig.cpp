#include "platform/FontSetup.h"

#include <fontconfig/fontconfig.h>

#include <thread>

namespace {

// Never destroyed while running: a launch that hands over to the running instance exits
// without waiting for the load, and a joinable thread destroyed at exit would abort.
std::thread *loader = nullptr;

} // namespace

void startFontSetup() {
    if (!loader)
        // Process-wide and thread-safe: Qt's own FcInit() later finds the configuration loaded.
        loader = new std::thread([] { FcInit(); });
}

void finishFontSetup() {
    if (!loader)
        return;
    loader->join();
    delete loader;
    loader = nullptr;
}
