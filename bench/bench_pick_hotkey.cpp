// Time from the global hotkey's key press to the pick window being mapped and painted,
// for Verbolin and for a minimal Qt program that shows a window on the same hotkey, empty
// and holding Verbolin's four first-run phrases in a plain list.
// Run inside an X session with a window manager (bench/run-pick-hotkey-bench.sh).
//
// Ctrl and Shift are pressed through XTest, then the clock starts and V is pressed.
// "Mapped" is the window's MapNotify; "painted" is the first moment a patch of the
// window shows what it shows once settled (read back from the screen with XGetImage;
// before the program paints, the patch still shows the desktop behind it). Each
// program's first show, which also creates its native window, is reported apart.

#include "bench/BenchStats.h"
#include "library/ConfigStore.h"
#include "library/Settings.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSize>
#include <QTemporaryDir>

// X11 after Qt: its macros (Unsorted, None...) break Qt headers.
#include "bench/BenchX11.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Errors are expected (our probing grab is refused, a window goes away while it is
// read): note BadAccess and go on.
bool grabRefused = false;
int onError(Display *, XErrorEvent *error) {
    if (error->error_code == BadAccess)
        grabRefused = true;
    return 0;
}

class HotkeyDriver {
public:
    explicit HotkeyDriver(Display *display)
        : m_display(display), m_control(XKeysymToKeycode(display, XK_Control_L)),
          m_shift(XKeysymToKeycode(display, XK_Shift_L)), m_v(XKeysymToKeycode(display, XK_v)) {}

    void pressModifiers() {
        XTestFakeKeyEvent(m_display, m_control, True, CurrentTime);
        XTestFakeKeyEvent(m_display, m_shift, True, CurrentTime);
        XSync(m_display, False);
    }
    void pressV() {
        XTestFakeKeyEvent(m_display, m_v, True, CurrentTime);
        XFlush(m_display);
    }
    void releaseAll() {
        XTestFakeKeyEvent(m_display, m_v, False, CurrentTime);
        XTestFakeKeyEvent(m_display, m_shift, False, CurrentTime);
        XTestFakeKeyEvent(m_display, m_control, False, CurrentTime);
        XSync(m_display, False);
    }

    // Whether some client holds Ctrl+Shift+V: our own grab of it is refused.
    bool heldByAnother() {
        grabRefused = false;
        const Window root = DefaultRootWindow(m_display);
        XGrabKey(m_display, m_v, ControlMask | ShiftMask, root, False, GrabModeAsync, GrabModeAsync);
        XSync(m_display, False);
        if (!grabRefused)
            XUngrabKey(m_display, m_v, ControlMask | ShiftMask, root);
        XSync(m_display, False);
        return grabRefused;
    }

private:
    Display *m_display;
    KeyCode m_control, m_shift, m_v;
};

struct Figures {
    double firstMapped = 0;
    std::vector<double> mapped, painted;
};

class Measurement {
public:
    Measurement(Display *display, const char *title) : m_display(display), m_title(title), m_hotkey(display) {
        XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
        XSync(display, False);
    }

    // Presses the hotkey and waits for the window to map; returns milliseconds, or -1.
    double pressAndWaitForMap(Clock::time_point *start) {
        m_hotkey.pressModifiers();
        *start = Clock::now();
        m_hotkey.pressV();
        double mapped = -1;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (mapped < 0 && Clock::now() < deadline) {
            if (!XPending(m_display)) {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
                continue;
            }
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == CreateNotify) {
                // Follow the window itself: the window manager maps it inside its frame.
                XSelectInput(m_display, event.xcreatewindow.window, StructureNotifyMask);
            } else if (event.type == MapNotify && event.xmap.event == event.xmap.window &&
                       windowHasName(m_display, event.xmap.window, m_title) && isLarge(event.xmap.window)) {
                m_window = event.xmap.window;
                mapped = millisSince(*start);
            }
        }
        m_hotkey.releaseAll();
        return mapped;
    }

    // Polls the patch until it matches the settled picture; milliseconds since start.
    double waitForPaint(Clock::time_point start) {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline) {
            if (readPatch(m_display, m_window, m_patchX, m_patchY) == m_settled)
                return millisSince(start);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return -1;
    }

    void settle() {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        XWindowAttributes attributes;
        XGetWindowAttributes(m_display, m_window, &attributes);
        m_patchX = attributes.width / 2;
        m_patchY = attributes.height - 40;
        m_settled = readPatch(m_display, m_window, m_patchX, m_patchY);
    }

    // Presses the hotkey again and waits for the window to go.
    bool hide() {
        // A press in the same millisecond as the last release reads as a key repeat.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        m_hotkey.pressModifiers();
        m_hotkey.pressV();
        m_hotkey.releaseAll();
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline) {
            while (XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type == UnmapNotify && event.xunmap.window == m_window) {
                    // Let the desktop behind it be drawn again before the next show.
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }

    bool waitUntilHotkeyHeld() {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < deadline) {
            if (m_hotkey.heldByAnother())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

private:
    bool isLarge(Window window) {
        XWindowAttributes attributes;
        return XGetWindowAttributes(m_display, window, &attributes) && attributes.width >= 100;
    }

    Display *m_display;
    const char *m_title;
    HotkeyDriver m_hotkey;
    Window m_window = 0;
    int m_patchX = 0, m_patchY = 0;
    std::vector<unsigned long> m_settled;
};

bool measure(const std::string &program, const std::vector<std::string> &args, const char *title, int runs,
             Figures *figures) {
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XSetErrorHandler(onError);
    // The pointer out of the way, so that no hover effect changes the picture.
    XTestFakeMotionEvent(display, -1, 0, 0, CurrentTime);
    Measurement m(display, title);

    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    bool ok = m.waitUntilHotkeyHeld();
    if (!ok)
        std::fprintf(stderr, "%s never took the hotkey\n", title);
    for (int i = 0; ok && i <= runs; ++i) {
        Clock::time_point start;
        const double mapped = m.pressAndWaitForMap(&start);
        if (mapped < 0) {
            std::fprintf(stderr, "%s: the window was not mapped\n", title);
            ok = false;
            break;
        }
        if (i == 0) {
            // The first show: the settled picture is learnt from it.
            m.settle();
            figures->firstMapped = mapped;
        } else {
            const double painted = m.waitForPaint(start);
            if (painted < 0) {
                std::fprintf(stderr, "%s: the window never showed its settled picture\n", title);
                ok = false;
                break;
            }
            figures->mapped.push_back(mapped);
            figures->painted.push_back(painted);
        }
        if (!m.hide()) {
            std::fprintf(stderr, "%s: the hotkey did not hide the window\n", title);
            ok = false;
        }
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    return ok;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s VERBOLIN MINIMAL_HOTKEY_WINDOW [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;

    // A copy of the program with a user's default settings; its phrase files are
    // created at its start as on a first run.
    QTemporaryDir folder;
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString exe = folder.filePath(QStringLiteral("verbolin"));
    QDir().mkpath(folder.filePath(QStringLiteral("icons")));
    const QDir icons(QFileInfo(source).dir().filePath(QStringLiteral("icons")));
    bool copied = QFile::copy(source, exe);
    for (const QString &icon : icons.entryList({QStringLiteral("*.svg")}, QDir::Files))
        copied =
            copied && QFile::copy(icons.filePath(icon), folder.filePath(QStringLiteral("icons/") + icon));
    QFile config(folder.filePath(QStringLiteral("config.json")));
    if (!copied || !config.open(QIODevice::WriteOnly) ||
        config.write(QJsonDocument(defaultConfig(QSize(1920, 1080))).toJson()) <= 0) {
        std::fprintf(stderr, "could not prepare %s\n", qPrintable(folder.path()));
        return 1;
    }
    config.close();

    Figures program, minimal, list;
    if (!measure(exe.toStdString(), {"--autostart"}, "Verbolin", runs, &program) ||
        !measure(argv[2], {}, "MinimalHotkey", runs, &minimal) ||
        !measure(argv[2], {"--list"}, "MinimalHotkey", runs, &list))
        return 1;

    std::printf("global hotkey (XTest key press) to window mapped / painted, median of %d shows:\n", runs);
    std::printf("  verbolin pick window:  mapped %6.2f ms  painted %6.2f ms  (first show: mapped %.1f ms)\n",
                median(program.mapped), median(program.painted), program.firstMapped);
    std::printf("  minimal Qt window:     mapped %6.2f ms  painted %6.2f ms  (first show: mapped %.1f ms)\n",
                median(minimal.mapped), median(minimal.painted), minimal.firstMapped);
    std::printf("  bare Qt list window:   mapped %6.2f ms  painted %6.2f ms  (first show: mapped %.1f ms)\n",
                median(list.mapped), median(list.painted), list.firstMapped);
    std::printf("  ratio, painted:        %6.2f  (target 1.5); against the bare Qt list %.2f\n",
                median(program.painted) / median(minimal.painted),
                median(program.painted) / median(list.painted));
    std::printf("  painted, slowest of the runs: verbolin %.2f ms, minimal %.2f ms\n",
                *std::max_element(program.painted.begin(), program.painted.end()),
                *std::max_element(minimal.painted.begin(), minimal.painted.end()));
    return 0;
}
