#pragma once

#include <X11/Xlib.h>

#include <cstring>

// Whether an X window's title (WM_NAME) is exactly the given one.
inline bool windowHasName(Display *display, Window window, const char *name) {
    char *fetched = nullptr;
    bool same = false;
    if (XFetchName(display, window, &fetched) && fetched) {
        same = std::strcmp(fetched, name) == 0;
        XFree(fetched);
    }
    return same;
}
