// How long a global hotkey takes from the key press to activated(), on an X server.
// Run inside an X session, e.g.: e2e/x-session.sh build/bench/bench_globalhotkey
// Presses Ctrl+Shift+V through XTest from a connection of its own, 20 times, and prints
// the median, the fastest and the slowest.

#include "platform/GlobalHotkey.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "needs an X11 session (QT_QPA_PLATFORM=xcb)\n");
        return 1;
    }
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 1;
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    const KeyCode v = XKeysymToKeycode(display, XK_v);

    GlobalHotkey hotkey(QKeySequence(QStringLiteral("Ctrl+Shift+V")), true);
    if (!hotkey.isRegistered()) {
        std::fprintf(stderr, "Ctrl+Shift+V could not be registered\n");
        return 1;
    }

    constexpr int runs = 20;
    std::vector<double> millis;
    QElapsedTimer clock;
    for (int i = 0; i < runs; ++i) {
        XTestFakeKeyEvent(display, control, True, CurrentTime);
        XTestFakeKeyEvent(display, shift, True, CurrentTime);
        XSync(display, False);

        QEventLoop loop;
        QObject::connect(&hotkey, &GlobalHotkey::activated, &loop, [&] {
            millis.push_back(clock.nsecsElapsed() / 1e6);
            loop.quit();
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        clock.start();
        XTestFakeKeyEvent(display, v, True, CurrentTime);
        XFlush(display);
        loop.exec();

        XTestFakeKeyEvent(display, v, False, CurrentTime);
        XTestFakeKeyEvent(display, shift, False, CurrentTime);
        XTestFakeKeyEvent(display, control, False, CurrentTime);
        XSync(display, False);
        QEventLoop settle;
        QTimer::singleShot(20, &settle, &QEventLoop::quit);
        settle.exec();
    }
    XCloseDisplay(display);

    if (millis.size() != runs) {
        std::fprintf(stderr, "only %zu of %d presses arrived\n", millis.size(), runs);
        return 1;
    }
    std::sort(millis.begin(), millis.end());
    const double median = (millis[runs / 2 - 1] + millis[runs / 2]) / 2;
    std::printf(
        "global hotkey, XTest key press to activated(): median %.3f ms, min %.3f ms, max %.3f ms (%d runs)\n",
        median, millis.front(), millis.back(), runs);
    return 0;
}
