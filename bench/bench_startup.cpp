// Time from process start to its window being mapped on the X server, for Verbolin and
// for a minimal Qt Widgets program, measured in the same run. Run inside an X session
// (bench/run-startup-bench.sh starts one).
#include "bench/BenchStats.h"
#include "bench/BenchX11.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Starts the program and returns milliseconds until a window with the title is mapped.
double timeToMappedWindow(const std::string &program, const std::vector<std::string> &args,
                          const char *title) {
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        std::exit(2);
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(program.c_str()));
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    double elapsed = -1;
    while (elapsed < 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == CreateNotify) {
            // Follow the window itself: a window manager reparents it before mapping.
            XSelectInput(display, event.xcreatewindow.window, StructureNotifyMask);
        } else if (event.type == MapNotify && windowHasName(display, event.xmap.window, title)) {
            elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    return elapsed;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s VERBOLIN MINIMAL_WINDOW [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 11;
    // A fresh folder each run would measure first-run file creation; one folder keeps
    // the files of the first run, like a user's second start.
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "verbolin-startup-bench";
    std::filesystem::create_directories(folder / "icons");
    const std::filesystem::path exe = folder / "verbolin";
    std::filesystem::copy_file(argv[1], exe, std::filesystem::copy_options::overwrite_existing);
    const std::filesystem::path icons = std::filesystem::path(argv[1]).parent_path() / "icons";
    for (const auto &icon : std::filesystem::directory_iterator(icons))
        if (icon.path().extension() == ".svg")
            std::filesystem::copy_file(icon.path(), folder / "icons" / icon.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
    std::vector<double> program, minimal;
    for (int i = 0; i < runs; ++i) {
        program.push_back(timeToMappedWindow(exe.string(), {}, "Verbolin"));
        minimal.push_back(timeToMappedWindow(argv[2], {}, "Minimal"));
    }
    std::printf("process start to window mapped, median of %d runs:\n", runs);
    std::printf("  verbolin:        %.1f ms\n", median(program));
    std::printf("  minimal Qt app:  %.1f ms\n", median(minimal));
    std::printf("  ratio:           %.2f\n", median(program) / median(minimal));
    std::filesystem::remove_all(folder);
    return 0;
}
