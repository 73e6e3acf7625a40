#pragma once

#include <X11/Xlib.h>

#include <X11/Xutil.h>

#include <cstring>
#include <vector>

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

// A 16 x 16 patch of the window's client area, read back from the screen.
constexpr int patchSize = 16;
inline std::vector<unsigned long> readPatch(Display *display, Window window, int x, int y) {
    std::vector<unsigned long> pixels;
    XImage *image = XGetImage(display, window, x, y, patchSize, patchSize, AllPlanes, ZPixmap);
    if (!image)
        return pixels;
    for (int py = 0; py < patchSize; ++py)
        for (int px = 0; px < patchSize; ++px)
            pixels.push_back(XGetPixel(image, px, py));
    XDestroyImage(image);
    return pixels;
}
