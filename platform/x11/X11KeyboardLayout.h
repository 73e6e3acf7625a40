#pragma once

#include <functional>

// Changes of the keyboard map or of the layout group on X11 (setxkbmap, a layout switch).
// Qt reads the X events, so Xlib never hears of them and keeps answering keysym lookups
// from the old map: it is refreshed here before anyone is told.
namespace X11KeyboardLayout {

// Calls listener after each change, until unwatch(owner). Nothing outside an X11 session.
void watch(const void *owner, std::function<void()> listener);
void unwatch(const void *owner);

} // namespace X11KeyboardLayout
