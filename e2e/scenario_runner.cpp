// scenario_runner FILE NAME: runs a scenario of FILE (its head holds the vocabulary) against $VERBOLIN_EXE
// inside x-session.sh, with the tools of a user's desktop; expectations are polled.

#include "e2e/InputTargetClient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRect>
#include <QRegularExpression>
#include <QThread>

#include <X11/Xlib.h>

#include <cstdio>
#include <functional>
#include <list>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QStringList words(const QString &text) {
    return text.split(u' ', Qt::SkipEmptyParts);
}

// The text after the first n words of a line.
QString after(QString line, int n) {
    return words(line).size() > n ? line.remove(QRegularExpression(u"^(\\S+ +){%1}"_s.arg(n))) : QString();
}

struct Run {
    QString out; // trimmed
    bool ok;
};

Run run(const QString &program, const QStringList &arguments, const QByteArray &input = {}) {
    QProcess p;
    p.start(program, arguments);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(15000))
        p.kill(), p.waitForFinished();
    const bool ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return {QString::fromUtf8(p.readAllStandardOutput()).trimmed(), ok};
}

Run xdotool(const QString &command, const QStringList &more = {}) {
    return run(u"xdotool"_s, words(command) + more);
}

bool waitUntil(const std::function<bool()> &condition) {
    for (QDeadlineTimer deadline(20000); !condition(); QThread::msleep(50)) {
        if (deadline.hasExpired())
            return false;
    }
    return true;
}

QRect geometry(const QString &window, bool *viewable = nullptr) {
    const QString info = window.isEmpty() ? QString() : run(u"xwininfo"_s, {u"-id"_s, window}).out;
    if (viewable)
        *viewable = info.contains(u"IsViewable"_s);
    const auto m =
        QRegularExpression(u"(?s)X: +(-?\\d+).*?Y: +(-?\\d+).*?Width: (\\d+).*?Height: (\\d+)"_s).match(info);
    return QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
}

QStringList pointerAt(const QString &window, QPoint p) {
    return {u"mousemove"_s, u"--window"_s, window, QString::number(p.x()), QString::number(p.y())};
}

// The program's icon in the tray host, found in the host's window tree by its title.
QString trayIcon() {
    const QRegularExpression entry(u"^\\s*(0x[0-9a-f]+) \"Verbolin\""_s, QRegularExpression::MultilineOption);
    for (const QString &panel : xdotool(u"search --class trayer"_s).out.split(u'\n')) {
        const auto match = entry.match(run(u"xwininfo"_s, {u"-tree"_s, u"-id"_s, panel}).out);
        if (match.hasMatch())
            return QString::number(match.captured(1).toULongLong(nullptr, 16));
    }
    return QString();
}

bool refused = false;

int onXError(Display *, XErrorEvent *error) {
    refused = refused || error->error_code == BadAccess;
    return 0;
}

// Which of NumLock (Mod2 in every layout the scenarios set) and CapsLock are on.
QString locks(Display *display) {
    Window root, child;
    int rootX, rootY, x, y;
    unsigned state = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &state);
    const bool numLock = state & Mod2Mask, capsLock = state & LockMask;
    return u"%1 %2"_s.arg(numLock ? u"numlock"_s : QString(), capsLock ? u"capslock"_s : QString()).trimmed();
}

// Whether another client may grab a combination ("ctrl+alt+j", then "numlock" or "capslock") on the root
// window, as a program with a global hotkey does; the grab lasts as long as the connection unless let go.
bool grabKey(Display *display, const QStringList &words, bool letGo) {
    QStringList names = words.value(0).split(u'+');
    const KeyCode key = XKeysymToKeycode(display, XStringToKeysym(names.takeLast().toLatin1()));
    if (key == 0) // 0 would be any key
        return false;
    const QHash<QString, unsigned> masks{{u"ctrl"_s, ControlMask},
                                         {u"shift"_s, ShiftMask},
                                         {u"alt"_s, Mod1Mask},
                                         {u"numlock"_s, Mod2Mask},
                                         {u"capslock"_s, LockMask}};
    unsigned modifiers = 0;
    for (const QString &name : names + words.mid(1))
        modifiers |= masks.value(name);
    refused = false;
    XSetErrorHandler(onXError);
    // A probe lets go in the same batch of requests: held across a round trip, it could make
    // Verbolin's own grab of that key fail when a busy machine stalls this program meanwhile.
    // Letting go of a key another client holds changes nothing.
    XGrabKey(display, key, modifiers, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync);
    if (letGo)
        XUngrabKey(display, key, modifiers, DefaultRootWindow(display));
    XSync(display, False);
    return !refused;
}

QJsonValue jsonValue(const QString &text) {
    const QJsonDocument document = QJsonDocument::fromJson("[" + text.toUtf8() + "]");
    return document.isArray() ? document.array().at(0) : QJsonValue(text);
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class Scenario {
public:
    QString got; // what the last failed step saw

    ~Scenario() {
        for (const auto &busy : m_load) {
            busy->kill();
            busy->waitForFinished(3000);
        }
    }

    QString programOutput() const { return QString::fromUtf8(readFile(file(u"program.log"_s))); }

    bool step(const QString &line) {
        const QStringList w = words(line);
        const QString verb = w.value(0), rest = after(line, 1);
        // Places in a 500 x 500 pick window with 4-pixel item paddings.
        const int n = w.value(2).toInt();
        const QPoint at = w.value(1) == u"phrase"_s ? QPoint(150, 78 + 54 * n)
                          : w.value(1) == u"tab"_s  ? QPoint(39 + 68 * n, 24)
                          : w.value(1) == u"pin"_s  ? QPoint(405, 23)
                                                    : QPoint(340, 24);
        got.clear();
        if (verb == u"expect"_s) {
            if (!waitUntil([&] { return holds(w, line); }))
                return false;
            if (line == u"expect focus pick"_s)
                m_focusBaseline = focusLosses();
        } else if (verb == u"config"_s && !m_config.contains(w.value(1)))
            m_config.insert(w.value(1), jsonValue(after(line, 2)));
        else if (verb == u"phrase"_s) {
            m_phrases.append(QJsonObject{{u"text"_s, text(after(line, 2))}, {u"tab"_s, w.value(1)}});
            const QJsonObject group{{u"tab"_s, w.value(1)}, {u"item_height"_s, 40}};
            if (!m_groups.contains(group))
                m_groups.append(group);
        } else if (verb == u"hotkey"_s) {
            QJsonObject last = m_phrases.last().toObject();
            last.insert(u"hotkey"_s, rest);
            m_phrases.replace(m_phrases.size() - 1, last);
        } else if (verb == u"file"_s)
            return writeFile(file(rest), "content");
        else if (verb == u"clipboard"_s)
            return run(u"xclip"_s, words(u"-selection clipboard"_s), rest.toUtf8()).ok &&
                   step(u"expect clipboard UTF8_STRING "_s + rest);
        else if (line == u"target xterm"_s) {
            // xterm pastes the primary selection on Shift+Insert; Ctrl+V would type ^V.
            m_xterm.start(u"xterm"_s, {u"-e"_s, u"sh"_s, u"-c"_s, u"cat > \"$0\""_s, file(u"typed.txt"_s)});
            return waitUntil([this] {
                const QString window = xdotool(u"search --onlyvisible --class XTerm"_s).out;
                return !window.isEmpty() && QFile::exists(file(u"typed.txt"_s)) &&
                       xdotool(u"getwindowfocus"_s).out == window;
            });
        } else if (verb == u"target"_s) {
            m_target = std::make_unique<InputTargetClient>();
            got = u"the target did not become the active window"_s;
            const QStringList options = rest == u"terminal"_s ? QStringList{u"--terminal"_s} : QStringList();
            if (!m_target->start(20000, options) ||
                !waitUntil([&] { return xdotool(u"getactivewindow"_s).out == targetWindow(); }))
                return false;
            m_focusBaseline = focusLosses();
        } else if (verb == u"start"_s || verb == u"restart"_s) {
            m_program.terminate();
            m_program.waitForFinished(5000);
            return startProgram(w.mid(1));
        } else if (verb == u"launch-again"_s) {
            QProcess second;
            logInto(second);
            second.start(m_program.program(), w.mid(1));
            return second.waitForFinished(15000) && second.exitCode() == 0;
        } else if (verb == u"key"_s || verb == u"hold"_s) {
            // Every key is held as long as a person holds it: 100 ms, or as given.
            QStringList arguments;
            const QString seconds = QString::number((verb == u"key"_s ? 100 : w.value(2).toInt()) / 1000.0);
            for (const QString &key : verb == u"key"_s ? w.mid(1) : w.mid(1, 1))
                arguments << u"keydown"_s << key << u"sleep"_s << seconds << u"keyup"_s << key;
            return xdotool({}, arguments).ok;
        } else if (verb == u"run"_s)
            return run(w.value(1), words(text(after(line, 2)))).ok;
        else if (verb == u"load"_s) {
            // Busy loops competing with every program of the session until the scenario ends.
            for (int i = 0; i < w.value(1).toInt(); ++i) {
                auto &busy = m_load.emplace_back(std::make_unique<QProcess>());
                busy->start(u"sh"_s, {u"-c"_s, u"while :; do :; done"_s});
                if (!busy->waitForStarted())
                    return false;
            }
        } else if (verb == u"click"_s || verb == u"rclick"_s || verb == u"wheel"_s) {
            const QPoint place = verb == u"wheel"_s ? QPoint(30, 25) : rest == u"tray"_s ? QPoint(5, 5) : at;
            const QString button = verb == u"click"_s    ? u"1"_s
                                   : verb == u"rclick"_s ? u"3"_s
                                   : rest == u"up"_s     ? u"4"_s
                                                         : u"5"_s;
            const QString window = rest == u"tray"_s ? trayIcon() : pickWindow();
            return xdotool({}, pointerAt(window, place) << u"click"_s << button).ok;
        } else if (verb == u"drag"_s) {
            // Pressed on phrase N, moved as a hand moves, let go on the top edge of phrase M
            // (or, with "below", in its lower half).
            const QPoint to(150, 78 + 54 * w.value(3).toInt() + (w.value(4) == u"below"_s ? 12 : -25));
            QStringList gesture = pointerAt(pickWindow(), at) << u"mousedown"_s << u"1"_s;
            for (int i = 1; i <= 8; ++i)
                gesture << u"sleep"_s << u"0.05"_s << pointerAt(pickWindow(), at + (to - at) * i / 8);
            return xdotool({}, gesture << u"sleep"_s << u"0.1"_s << u"mouseup"_s << u"1"_s).ok;
        } else if (verb == u"move"_s) {
            const QString pick = pickWindow();
            return xdotool(u"windowmove --sync"_s, {pick, w.value(1), w.value(2)}).ok &&
                   (m_moved = geometry(pick), true);
        } else if (verb == u"close"_s)
            return run(u"wmctrl"_s, {u"-i"_s, u"-c"_s, pickWindow()}).ok;
        else if (verb == u"activate"_s || verb == u"cover"_s) {
            // cover: the target moved over the pick window's centre, then activated (and kept above).
            const QString target = targetWindow();
            const QRect pick = geometry(pickWindow());
            if (verb == u"cover"_s)
                xdotool(u"windowmove --sync"_s,
                        {target, QString::number(pick.x() + 50), QString::number(pick.y() + 150)});
            if (w.contains(u"above"_s))
                run(u"wmctrl"_s, {u"-i"_s, u"-r"_s, target, u"-b"_s, u"add,above"_s});
            if (!xdotool(u"windowactivate --sync"_s, {target}).ok ||
                !waitUntil([&] { return xdotool(u"getactivewindow"_s).out == target; }))
                return false;
            m_focusBaseline = focusLosses();
        } else if (verb == u"grab"_s)
            return grabKey(m_grabs.emplace_back(XOpenDisplay(nullptr), XCloseDisplay).get(), w.mid(1), false);
        else if (verb == u"edit-config"_s) {
            QJsonObject config = QJsonDocument::fromJson(readFile(file(u"config.json"_s))).object();
            config.insert(w.value(1), jsonValue(after(line, 2)));
            return writeFile(file(u"config.json"_s), QJsonDocument(config).toJson());
        } else if (verb == u"sync"_s) {
            // z has no phrase: it takes the road of every key let through, after what went before.
            const qsizetype before = targetView(u"z-ups"_s).size();
            return xdotool(u"keydown z sleep 0.1 keyup z"_s).ok &&
                   waitUntil([&] { return targetView(u"z-ups"_s).size() > before; });
        } else if (verb != u"config"_s)
            return false;
        return true;
    }

private:
    // A copy of the program and its icons in a folder of its own, where its files live.
    bool startProgram(const QStringList &arguments) {
        const QFileInfo exe(qEnvironmentVariable("VERBOLIN_EXE"));
        if (!QFile::exists(file(exe.fileName()))) {
            QDir(m_dir.path()).mkdir(u"icons"_s);
            QFile::copy(exe.absoluteFilePath(), file(exe.fileName()));
            const QDir icons(exe.dir().filePath(u"icons"_s));
            for (const QString &icon : icons.entryList(QDir::Files))
                QFile::copy(icons.filePath(icon), file(u"icons/"_s + icon));
            if (!m_phrases.isEmpty() || !m_config.isEmpty())
                writeFile(file(u"config.json"_s), QJsonDocument(m_config).toJson()),
                    writeFile(file(u"data.json"_s), QJsonDocument(m_phrases).toJson()),
                    writeFile(file(u"tab.json"_s), QJsonDocument(m_groups).toJson());
        }
        logInto(m_program);
        m_program.start(file(exe.fileName()), arguments);
        got = u"the program did not start or embedded no tray icon"_s;
        return m_program.waitForStarted() && waitUntil([] { return !trayIcon().isEmpty(); });
    }

    void logInto(QProcess &process) const {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardOutputFile(file(u"program.log"_s), QIODevice::Append);
    }

    // The program's window titled "Verbolin" larger than its tray icon, the mapped one if there is one.
    QString pickWindow() const {
        QString found;
        const QString pid = QString::number(m_program.processId());
        for (const QString &id : xdotool(u"search --all --pid"_s, {pid, u"--name"_s, u"^Verbolin$"_s})
                                     .out.split(u'\n', Qt::SkipEmptyParts)) {
            bool mapped = false;
            if (geometry(id, &mapped).width() >= 100 && (found = id, mapped))
                break;
        }
        return found;
    }

    QString targetWindow() const { return m_target ? m_target->windowId() : QString(); }
    int focusLosses() const { return m_target ? int(m_target->events(u"focusout"_s).size()) : 0; }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString text(QString raw) const {
        return raw.replace(u"\\n"_s, u"\n"_s)
            .replace(u"\\t"_s, u"\t"_s)
            .replace(u"$DIR"_s, m_dir.path())
            .replace(u"$PID"_s, QString::number(m_program.processId()));
    }

    // What the target saw: "keys" (presses but modifiers, Ctrl+V and sync's z), "strokes" (+Key -Key,
    // modifiers too), "pastes" (texts joined by " | "), "z-ups" (a z for each release of sync's z).
    QString targetView(const QString &view) const {
        QStringList out;
        const QStringList modifiers{u"Shift"_s, u"Control"_s, u"Alt"_s, u"Meta"_s};
        for (const QJsonObject &event : m_target->events()) {
            const QString kind = event.value(u"event"_s).toString(), key = event.value(u"key"_s).toString();
            const bool down = kind == u"key"_s, modifier = modifiers.contains(key.section(u'+', -1));
            if (view == u"pastes"_s && kind == u"paste"_s)
                out << event.value(u"text"_s).toString();
            else if (view == u"z-ups"_s && kind == u"keyup"_s && key == u"Z"_s)
                out << u"z"_s;
            else if ((!down && kind != u"keyup"_s) || key == u"Z"_s)
                continue;
            else if (view == u"strokes"_s)
                out << (down ? u"+"_s : u"-"_s) + (modifier ? key.section(u'+', -1) : key);
            else if (view == u"keys"_s && down && !modifier && key != u"Ctrl+V"_s)
                out << key;
        }
        return out.join(view == u"pastes"_s ? u" | "_s : view == u"z-ups"_s ? QString() : u" "_s);
    }

    // `got` says what was seen instead.
    bool holds(const QStringList &w, const QString &line) {
        const QString what = w.value(1), rest = text(after(line, 2)), arg = w.value(2);
        if (what == u"shown"_s || what == u"hidden"_s) {
            // Shown and passive, the pick window holds its key grabs: another client cannot have End.
            bool mapped = false;
            const QString id = pickWindow();
            geometry(id, &mapped);
            const bool grabbed = !grabKey(m_display.get(), {u"End"_s}, true);
            got = u"window %1 viewable %2, End grabbed %3"_s.arg(id).arg(mapped).arg(grabbed);
            return mapped == (what == u"shown"_s) && grabbed == mapped;
        }
        if (what == u"focus"_s) {
            const QString active = xdotool(u"getactivewindow"_s).out;
            const int losses = focusLosses() - m_focusBaseline;
            got = u"active %1, target %2, pick %3, the target lost the focus %4 times"_s
                      .arg(active, targetWindow(), pickWindow())
                      .arg(losses);
            return arg == u"target"_s ? active == targetWindow() && losses == 0
                                      : active == pickWindow() && losses > 0;
        }
        if (what == u"text"_s)
            return (got = m_target->text()) == rest;
        if (what == u"keys"_s || what == u"strokes"_s || what == u"pastes"_s)
            return (got = targetView(what)) == rest;
        if (what == u"config"_s) {
            const QJsonValue value =
                QJsonDocument::fromJson(readFile(file(u"config.json"_s))).object().value(arg);
            got = QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact));
            return value == jsonValue(after(line, 3));
        }
        if (what == u"json"_s) {
            const QJsonDocument d = QJsonDocument::fromJson(readFile(file(arg)));
            return (got = QString::number(d.isArray() ? d.array().size() : d.object().size())) == w.value(3);
        }
        if (what == u"file"_s)
            return (got = QString::fromUtf8(readFile(file(arg)))) == text(after(line, 3));
        if (what == u"clipboard"_s)
            return (got = run(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s, u"-t"_s, arg}).out)
                .contains(text(after(line, 3)));
        if (what == u"grab"_s)
            return grabKey(m_display.get(), w.mid(2, w.size() - 3), true) == (w.last() == u"free"_s);
        if (what == u"locks"_s)
            return (got = locks(m_display.get())) == rest;
        if (what == u"where-moved"_s || what == u"on-screen"_s) {
            const QRect g = geometry(pickWindow());
            const QStringList screen = xdotool(u"getdisplaygeometry"_s).out.split(u' ');
            got = u"%1,%2 %3x%4"_s.arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
            return what == u"where-moved"_s
                       ? g == m_moved
                       : QRect(0, 0, screen.value(0).toInt(), screen.value(1).toInt()).contains(g);
        }
        if (what == u"above"_s) {
            // The root's client list in stacking order, bottom to top.
            QStringList order;
            const QString list = run(u"xprop"_s, words(u"-root _NET_CLIENT_LIST_STACKING"_s)).out;
            for (const auto &id : QRegularExpression(u"0x[0-9a-f]+"_s).globalMatch(list))
                order << QString::number(id.captured().toULongLong(nullptr, 16));
            const auto index = [&](const QString &who) {
                return order.indexOf(who == u"pick"_s ? pickWindow() : targetWindow());
            };
            got = order.join(u' ');
            return index(w.value(3)) >= 0 && index(arg) > index(w.value(3));
        }
        if (what == u"menu"_s) {
            // A menu is any other mapped window of the program than the pick window and the tray icon.
            QStringList others = xdotool(u"search --onlyvisible --classname ^verbolin$"_s)
                                     .out.split(u'\n', Qt::SkipEmptyParts);
            others.removeAll(pickWindow());
            others.removeAll(trayIcon());
            got = others.join(u' ');
            return others.isEmpty() == (arg == u"closed"_s);
        }
        if (what == u"log"_s)
            return (got = programOutput()).contains(rest);
        return what == u"running"_s && m_program.state() == QProcess::Running;
    }

    QTemporaryDir m_dir;
    QJsonObject m_config;
    QJsonArray m_phrases, m_groups;
    QProcess m_program, m_xterm;
    std::unique_ptr<InputTargetClient> m_target;
    using Connection = std::unique_ptr<Display, int (*)(Display *)>;
    Connection m_display{XOpenDisplay(nullptr), XCloseDisplay};
    std::list<Connection> m_grabs; // each holds its grab while open
    std::vector<std::unique_ptr<QProcess>> m_load;
    int m_focusBaseline = 0;
    QRect m_moved; // where the last move put the pick window
};

// The steps of the named scenario, with the fixtures it uses put in place.
QList<QPair<int, QString>> scenarioSteps(const QString &path, const QString &name) {
    QHash<QString, QList<QPair<int, QString>>> blocks;
    QString block;
    int number = 0;
    for (const QString &raw : QString::fromUtf8(readFile(path)).split(u'\n')) {
        const QString line = raw.trimmed();
        ++number;
        if (line.startsWith(u"scenario "_s) || line.startsWith(u"fixture "_s))
            block = after(line, 1);
        else if (!line.isEmpty() && !line.startsWith(u'#'))
            for (const QString &step : line.split(u" ; "_s)) {
                if (step.startsWith(u"use "_s))
                    blocks[block] += blocks.value(after(step, 1));
                else
                    blocks[block].append({number, step.trimmed()});
            }
    }
    return blocks.value(name);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const auto steps = scenarioSteps(app.arguments().value(1), app.arguments().value(2));
    if (steps.isEmpty()) {
        std::fprintf(stderr, "usage: scenario_runner FILE NAME (a scenario with steps)\n");
        return 2;
    }
    Scenario scenario;
    for (const auto &[number, step] : steps) {
        std::printf("%d: %s\n", number, qPrintable(step));
        std::fflush(stdout);
        if (!scenario.step(step)) {
            std::printf("FAIL at line %d: %s\n  got: %s\nprogram output:\n%s\n", number, qPrintable(step),
                        qPrintable(scenario.got), qPrintable(scenario.programOutput()));
            return 1;
        }
    }
    // Refused grabs and the like must be answered, never end as X errors.
    if (scenario.programOutput().contains(u"XCB error"_s)) {
        std::printf("FAIL: the program reported X errors:\n%s", qPrintable(scenario.programOutput()));
        return 1;
    }
    std::printf("PASS\n");
    return 0;
}
