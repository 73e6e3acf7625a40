// Time from process start to its window painted, and the resident memory then, for
// Verbolin with 4, 10,000 and 100,000 phrases, for a minimal Qt Widgets program and for a
// bare Qt list of Verbolin's four first-run phrases, measured in the same run. Run inside
// an X session (bench/run-startup-bench.sh starts one). Each round starts every program
// in turn, with a pause after every run: a restart right after the last one exited runs
// slower.
#include "bench/BenchStats.h"
#include "bench/BenchX11.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr auto pauseBetweenRuns = std::chrono::milliseconds(1000);

// Resident memory of a process in MB, from /proc.
double residentMb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return -1;
}

int ignoreErrors(Display *, XErrorEvent *) {
    return 0;
}

struct Program {
    std::string label;
    std::string path;
    std::string title;
    // The ratios to the minimal window aimed at: start-up time and resident memory.
    double startTarget = 0, memoryTarget = 0;
    // What a patch in the middle of the window shows once settled; learnt by a first run.
    std::vector<unsigned long> settled;
    std::vector<double> ms, mb;
};

struct Run {
    double ms = -1;
    double mb = -1;
    std::vector<unsigned long> patch;
};

// Starts the program, waits until its window is mapped and its middle patch shows the
// settled picture (or, when none is known yet, until it settles), reads its memory.
Run runOnce(const Program &program) {
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        std::exit(2);
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    // The pointer out of the way: over the window, where the patch is read, it has a
    // program paint the row under it a second time, and "painted" then meant "hovered".
    XWarpPointer(display, 0, root, 0, 0, 0, 0, 0, 0);
    XSync(display, False);

    Run run;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(program.path.c_str(), program.path.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    Window window = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!window && Clock::now() < deadline) {
        if (!XPending(display)) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == CreateNotify) {
            // Follow the window itself: a window manager reparents it before mapping.
            XSelectInput(display, event.xcreatewindow.window, StructureNotifyMask);
        } else if (event.type == MapNotify && event.xmap.event == event.xmap.window &&
                   windowHasName(display, event.xmap.window, program.title.c_str())) {
            window = event.xmap.window;
        }
    }
    if (window) {
        XWindowAttributes attributes;
        XGetWindowAttributes(display, window, &attributes);
        const int x = attributes.width / 2, y = attributes.height / 2;
        if (program.settled.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            run.patch = readPatch(display, window, x, y);
        } else {
            while (Clock::now() < deadline) {
                if (readPatch(display, window, x, y) == program.settled) {
                    run.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                    break;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            // Whatever the program still does right after its first paint counts too.
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        run.mb = residentMb(pid);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    std::this_thread::sleep_for(pauseBetweenRuns);
    return run;
}

// A folder of its own for a copy of a program: each program measured starts from the same
// kind of place.
fs::path benchFolder(const std::string &name) {
    // Named by process too: two benchmarks running at once must not share a copy.
    const fs::path folder =
        fs::temp_directory_path() / ("verbolin-startup-bench-" + std::to_string(getpid()) + "-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// A copy of the program with its icons in a folder of its own, holding `phrases`
// phrases over five groups (none: the program creates its first-run files).
fs::path prepareFolder(const fs::path &source, int phrases) {
    const fs::path folder = benchFolder(std::to_string(phrases));
    fs::create_directories(folder / "icons");
    fs::copy_file(source, folder / "verbolin");
    for (const auto &icon : fs::directory_iterator(source.parent_path() / "icons"))
        if (icon.path().extension() == ".svg")
            fs::copy_file(icon.path(), folder / "icons" / icon.path().filename());
    if (phrases <= 4)
        return folder;
    const char *words[] = {"您好", "谢谢",   "会议", "hello",   "invoice", "thanks", "regards",
                           "地址", "北京市", "2026", "<Enter>", "meeting", "电话",   "请查收附件"};
    std::mt19937 random(7);
    std::ofstream data(folder / "data.json");
    data << "[\n";
    for (int i = 0; i < phrases; ++i) {
        std::string text;
        const int length = 10 + int(random() % 20);
        for (int w = 0; w < length; ++w)
            text += std::string(w ? " " : "") + words[random() % (sizeof words / sizeof *words)];
        const std::string remark = i % 4 == 0 ? "备注 " + std::to_string(i) : "";
        data << "    {\"hotkey\": \"\", \"remark\": \"" << remark << "\", \"tab\": \"组" << i % 5
             << "\", \"text\": \"" << text << "\"}" << (i + 1 < phrases ? ",\n" : "\n");
    }
    data << "]\n";
    std::ofstream tabs(folder / "tab.json");
    tabs << "[\n";
    for (int g = 0; g < 5; ++g)
        tabs << "    {\"item_height\": 70, \"tab\": \"组" << g << "\"}" << (g < 4 ? ",\n" : "\n");
    tabs << "]\n";
    return folder;
}

// The middle one of the per-round ratios.
double pairedRatio(const std::vector<double> &a, const std::vector<double> &b) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] > 0 && b[i] > 0)
            ratios.push_back(a[i] / b[i]);
    return median(ratios);
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s VERBOLIN MINIMAL_WINDOW MINIMAL_LIST_WINDOW [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 13;
    std::vector<Program> programs;
    const fs::path minimal = benchFolder("minimal") / "minimal_window";
    fs::copy_file(argv[2], minimal);
    programs.push_back({"minimal Qt window", minimal.string(), "Minimal", 0, 0, {}, {}, {}});
    const fs::path list = benchFolder("list") / "minimal_list_window";
    fs::copy_file(argv[3], list);
    programs.push_back({"bare Qt list, 4 phrases", list.string(), "MinimalList", 0, 0, {}, {}, {}});
    const struct {
        int phrases;
        double startTarget, memoryTarget;
    } sizes[] = {{4, 1.5, 1.3}, {10000, 2, 1.6}, {100000, 6, 4}};
    for (const auto &size : sizes) {
        const fs::path folder = prepareFolder(argv[1], size.phrases);
        programs.push_back({"verbolin, " + std::to_string(size.phrases) + " phrases",
                            (folder / "verbolin").string(),
                            "Verbolin",
                            size.startTarget,
                            size.memoryTarget,
                            {},
                            {},
                            {}});
    }
    const auto removeCopies = [&programs] {
        for (const Program &p : programs)
            fs::remove_all(fs::path(p.path).parent_path());
    };
    // A first run of each learns its settled picture, creates or normalises its files and
    // warms the caches, like a user's second start.
    for (Program &p : programs) {
        p.settled = runOnce(p).patch;
        if (p.settled.empty()) {
            std::fprintf(stderr, "%s: no window\n", p.label.c_str());
            removeCopies();
            return 1;
        }
    }
    for (int i = 0; i < runs; ++i) {
        for (Program &p : programs) {
            const Run run = runOnce(p);
            p.ms.push_back(run.ms);
            p.mb.push_back(run.mb);
        }
    }
    const Program &base = programs.front();
    std::printf("process start to window painted, and resident memory then; medians of %d runs,\n"
                "ratios to the minimal Qt window paired run by run (%lld ms pause after each run):\n",
                runs, static_cast<long long>(pauseBetweenRuns.count()));
    std::printf("  %-26s %9s %7s %7s %9s %7s %7s\n", "", "start ms", "ratio", "target", "RSS MB", "ratio",
                "target");
    for (const Program &p : programs) {
        std::printf("  %-26s %9.1f %7.2f", p.label.c_str(), median(p.ms), pairedRatio(p.ms, base.ms));
        if (p.startTarget > 0)
            std::printf(" %7.1f", p.startTarget);
        else
            std::printf(" %7s", "");
        std::printf(" %9.1f %7.2f", median(p.mb), pairedRatio(p.mb, base.mb));
        if (p.memoryTarget > 0)
            std::printf(" %7.1f", p.memoryTarget);
        std::printf("\n");
    }
    // What any Qt program pays to draw the same four phrases at all, apart from Verbolin's own work.
    const Program &bareList = programs[1], &fourPhrases = programs[2];
    std::printf("  verbolin, 4 phrases, against the bare Qt list of the same phrases: start %.2f, RSS %.2f\n",
                pairedRatio(fourPhrases.ms, bareList.ms), pairedRatio(fourPhrases.mb, bareList.mb));
    removeCopies();
    return 0;
}
