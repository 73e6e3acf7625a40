// Runs one scenario of a scenario file against the real program, inside the private X
// session of x-session.sh: steps are done with xdotool, xclip, setxkbmap and wmctrl as a
// user does them; expectations are polled until they hold or the time is up.
// Usage: scenario_runner FILE NAME   (VERBOLIN_EXE names the program)
// The vocabulary is described at the top of scenarios.txt.

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

#include <cstdio>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QStringList words(const QString &text) {
    return text.split(u' ', Qt::SkipEmptyParts);
}

// The text after the first n words of a line.
QString after(QString line, int n) {
    return words(line).size() > n ? line.remove(QRegularExpression(u"^(\\S+ +){%1}"_s.arg(n))) : QString();
}

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr,
               const QByteArray &input = {}) {
    QProcess p;
    p.start(program, arguments);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(15000))
        p.kill(), p.waitForFinished();
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

bool succeeds(const QString &program, const QStringList &arguments) {
    int exitCode = -1;
    run(program, arguments, &exitCode);
    return exitCode == 0;
}

QString xdotool(const QString &arguments, const QStringList &more = {}) {
    return QString::fromUtf8(run(u"xdotool"_s, words(arguments) + more)).trimmed();
}

bool xdo(const QString &arguments, const QStringList &more = {}) {
    return succeeds(u"xdotool"_s, words(arguments) + more);
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 20000) {
    for (QDeadlineTimer deadline(timeoutMs); !condition(); QThread::msleep(50)) {
        if (deadline.hasExpired())
            return false;
    }
    return true;
}

QRect geometry(const QString &window) {
    QHash<QString, int> v; // --shell prints X=, Y=, WIDTH=, HEIGHT= lines
    for (const QString &line : xdotool(u"getwindowgeometry --shell"_s, {window}).split(u'\n'))
        v.insert(line.section(u'=', 0, 0), line.section(u'=', 1).toInt());
    return QRect(v.value(u"X"_s), v.value(u"Y"_s), v.value(u"WIDTH"_s), v.value(u"HEIGHT"_s));
}

bool viewable(const QString &window) {
    return !window.isEmpty() && run(u"xwininfo"_s, {u"-id"_s, window}).contains("Map State: IsViewable");
}

// The program's icon in the tray host, found in the host's window tree by its title.
QString trayIcon() {
    const QRegularExpression entry(u"^\\s*(0x[0-9a-f]+) \"Verbolin\""_s, QRegularExpression::MultilineOption);
    for (const QString &panel : xdotool(u"search --class trayer"_s).split(u'\n')) {
        const auto match = entry.match(QString::fromUtf8(run(u"xwininfo"_s, {u"-tree"_s, u"-id"_s, panel})));
        if (match.hasMatch())
            return QString::number(match.captured(1).toULongLong(nullptr, 16));
    }
    return QString();
}

QString grabHelper() {
    return QCoreApplication::applicationDirPath() + u"/x_grab_key"_s;
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

bool isModifier(const QString &key) {
    return QStringList{u"Shift"_s, u"Control"_s, u"Alt"_s, u"Meta"_s}.contains(key.section(u'+', -1));
}

class Scenario {
public:
    ~Scenario();
    bool step(const QString &line);
    QString got; // what the last failed expectation saw
    QString programOutput() const { return QString::fromUtf8(readFile(file(u"program.log"_s))); }
    QString targetLog() const {
        QStringList events;
        for (const QJsonObject &event : m_target ? m_target->events() : QList<QJsonObject>())
            events << QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact));
        return events.mid(events.size() - 40).join(u'\n');
    }

private:
    bool startProgram(const QStringList &arguments);
    bool expect(const QStringList &w, const QString &line);
    QString pickWindow() const;
    QString targetView(const QString &view) const;
    QString targetWindow() const { return m_target ? m_target->windowId() : QString(); }
    int focusLosses() const { return m_target ? int(m_target->events(u"focusout"_s).size()) : 0; }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString text(QString raw) const {
        return raw.replace(u"\\n"_s, u"\n"_s).replace(u"\\t"_s, u"\t"_s).replace(u"$DIR"_s, m_dir.path());
    }
    void setUp(QProcess &process) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_RUNTIME_DIR"_s, m_runtime.path());
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardOutputFile(file(u"program.log"_s), QIODevice::Append);
    }

    QTemporaryDir m_dir, m_runtime;
    QJsonObject m_config;
    QJsonArray m_phrases, m_groups;
    QProcess m_program, m_xterm;
    std::unique_ptr<InputTargetClient> m_target;
    std::vector<std::unique_ptr<QProcess>> m_grabs;
    int m_focusBaseline = 0;
    QRect m_moved; // where the last move put a window
};

Scenario::~Scenario() {
    for (QProcess *p : {&m_program, &m_xterm}) {
        p->terminate();
        if (!p->waitForFinished(3000))
            p->kill(), p->waitForFinished(3000);
    }
    for (auto &grab : m_grabs)
        grab->kill(), grab->waitForFinished();
}

// A copy of the program and its icons in a folder of its own, where its files live, with a
// runtime folder of its own for the single-instance lock and socket.
bool Scenario::startProgram(const QStringList &arguments) {
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
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setUp(m_program);
    m_program.start(file(exe.fileName()), arguments);
    got = u"the program did not start or embedded no tray icon"_s;
    return m_program.waitForStarted() && waitUntil([] { return !trayIcon().isEmpty(); });
}

// The pick window: the program's window titled "Verbolin" that is larger than its tray icon,
// the mapped one if there is one.
QString Scenario::pickWindow() const {
    QString found;
    for (const QString &id : xdotool(u"search --all --pid"_s,
                                     {QString::number(m_program.processId()), u"--name"_s, u"^Verbolin$"_s})
                                 .split(u'\n', Qt::SkipEmptyParts)) {
        if (geometry(id).width() >= 100 && (found = id, viewable(id)))
            break;
    }
    return found;
}

// What the target saw, as one line: "keys" (presses but modifiers, the paste shortcut and
// the z of sync), "strokes" (+Key and -Key, modifiers too), "pastes" (texts joined by " | "),
// "events" (key:Key and paste:text in order).
QString Scenario::targetView(const QString &view) const {
    QStringList out;
    for (const QJsonObject &event : m_target->events()) {
        const QString kind = event.value(u"event"_s).toString(), key = event.value(u"key"_s).toString();
        const bool down = kind == u"key"_s, pressed = down && !isModifier(key);
        if (kind == u"paste"_s && view != u"keys"_s && view != u"strokes"_s)
            out << (view == u"events"_s ? u"paste:"_s : QString()) + event.value(u"text"_s).toString();
        else if ((!down && kind != u"keyup"_s) || key == u"Z"_s)
            continue;
        else if (view == u"strokes"_s)
            out << (down ? u"+"_s : u"-"_s) + (isModifier(key) ? key.section(u'+', -1) : key);
        else if (pressed && (view == u"events"_s || (view == u"keys"_s && key != u"Ctrl+V"_s)))
            out << (view == u"events"_s ? u"key:"_s : QString()) + key;
    }
    return out.join(view == u"pastes"_s ? u" | "_s : u" "_s);
}

bool Scenario::step(const QString &line) {
    const QStringList w = words(line);
    const QString verb = w.value(0), rest = after(line, 1);
    // Places in a 500 x 500 pick window with 4-pixel item paddings.
    const int n = w.value(2).toInt();
    const QPoint at = w.value(1) == u"phrase"_s ? QPoint(150, 78 + 54 * n)
                      : w.value(1) == u"tab"_s  ? QPoint(39 + 68 * n, 24)
                      : w.value(1) == u"pin"_s  ? QPoint(405, 23)
                                                : QPoint(340, 24);
    got.clear();
    if (verb == u"expect"_s)
        return expect(w, line);
    if (verb == u"config"_s) {
        if (!m_config.contains(w.value(1)))
            m_config.insert(w.value(1), jsonValue(after(line, 2)));
    } else if (verb == u"phrase"_s) {
        m_phrases.append(QJsonObject{{u"text"_s, text(after(line, 2))},
                                     {u"remark"_s, QString()},
                                     {u"tab"_s, w.value(1)},
                                     {u"hotkey"_s, QString()}});
        const QJsonObject group{{u"tab"_s, w.value(1)}, {u"item_height"_s, 40}};
        if (!m_groups.contains(group))
            m_groups.append(group);
    } else if (verb == u"hotkey"_s) {
        QJsonObject last = m_phrases.last().toObject();
        last.insert(u"hotkey"_s, rest);
        m_phrases.replace(m_phrases.size() - 1, last);
    } else if (verb == u"file"_s)
        return writeFile(file(rest), "content");
    else if (verb == u"clipboard"_s) {
        run(u"xclip"_s, words(u"-selection clipboard"_s), nullptr, rest.toUtf8());
        return step(u"expect clipboard UTF8_STRING "_s + rest);
    } else if (verb == u"target"_s && rest == u"xterm"_s) {
        // xterm pastes the primary selection on Shift+Insert; Ctrl+V would type ^V.
        m_xterm.start(u"xterm"_s, {u"-e"_s, u"sh"_s, u"-c"_s, u"cat > \"$0\""_s, file(u"typed.txt"_s)});
        return waitUntil([this] {
            const QString window = xdotool(u"search --onlyvisible --class XTerm"_s);
            return !window.isEmpty() && QFile::exists(file(u"typed.txt"_s)) &&
                   xdotool(u"getwindowfocus"_s) == window;
        });
    } else if (verb == u"target"_s) {
        m_target = std::make_unique<InputTargetClient>();
        const bool ready = m_target->start(20000);
        if (!ready || !waitUntil([&] { return (got = xdotool(u"getactivewindow"_s)) == targetWindow(); }))
            return got = u"ready %1, active %2, the target %3"_s.arg(ready).arg(got, targetWindow()), false;
        m_focusBaseline = focusLosses();
    } else if (verb == u"start"_s || verb == u"restart"_s) {
        m_program.terminate();
        m_program.waitForFinished(5000);
        return startProgram(w.mid(1));
    } else if (verb == u"launch-again"_s) {
        QProcess second;
        setUp(second);
        second.start(m_program.program(), {});
        return second.waitForFinished(15000) && second.exitCode() == 0;
    } else if (verb == u"key"_s || verb == u"hold"_s) {
        // Every key is held as long as a person holds it: 100 ms, or as given.
        QStringList arguments;
        const QString seconds = QString::number((verb == u"key"_s ? 100 : w.value(2).toInt()) / 1000.0);
        for (const QString &key : verb == u"key"_s ? w.mid(1) : w.mid(1, 1))
            arguments << u"keydown"_s << key << u"sleep"_s << seconds << u"keyup"_s << key;
        return xdo(QString(), arguments);
    } else if (verb == u"keydown"_s || verb == u"keyup"_s)
        return xdo(line);
    else if (verb == u"fast"_s)
        return xdo(u"key --delay 30"_s, w.mid(1));
    else if (verb == u"type"_s)
        return xdo(u"type --delay 30"_s, {rest});
    else if (verb == u"click"_s && rest == u"tray"_s)
        return xdo(u"mousemove --window"_s, {trayIcon(), u"5"_s, u"5"_s, u"click"_s, u"1"_s});
    else if (verb == u"click"_s || verb == u"rclick"_s || verb == u"wheel"_s) {
        const QPoint place = verb == u"wheel"_s ? QPoint(30, 25) : at;
        const QString button = verb == u"click"_s    ? u"1"_s
                               : verb == u"rclick"_s ? u"3"_s
                               : rest == u"up"_s     ? u"4"_s
                                                     : u"5"_s;
        return xdo(u"mousemove --window"_s, {pickWindow(), QString::number(place.x()),
                                             QString::number(place.y()), u"click"_s, button});
    } else if (verb == u"drag"_s) {
        // drag phrase N M: pressed on phrase N, moved as a hand moves, let go on the top edge of phrase M.
        const QPoint to(150, 78 + 54 * w.value(3).toInt() - 25);
        QStringList gesture{u"mousemove"_s,          u"--window"_s,  pickWindow(), QString::number(at.x()),
                            QString::number(at.y()), u"mousedown"_s, u"1"_s};
        for (int i = 1; i <= 8; ++i) {
            const QPoint p = at + (to - at) * i / 8;
            gesture << u"sleep"_s << u"0.05"_s << u"mousemove"_s << u"--window"_s << pickWindow()
                    << QString::number(p.x()) << QString::number(p.y());
        }
        return xdo(QString(), gesture << u"sleep"_s << u"0.1"_s << u"mouseup"_s << u"1"_s);
    } else if (verb == u"move"_s) {
        const QString window = w.value(1) == u"pick"_s ? pickWindow() : targetWindow();
        return xdo(u"windowmove --sync"_s, {window, w.value(2), w.value(3)}) &&
               (m_moved = geometry(window), true);
    } else if (verb == u"close"_s)
        return succeeds(u"wmctrl"_s, {u"-i"_s, u"-c"_s, pickWindow()});
    else if (verb == u"activate"_s || verb == u"cover"_s) {
        // cover: the target over the pick window's centre, in front (and kept above others).
        const QString target = targetWindow();
        const QRect pick = geometry(pickWindow());
        if (verb == u"cover"_s && !xdo(u"windowmove --sync"_s, {target, QString::number(pick.x() + 50),
                                                                QString::number(pick.y() + 150)}))
            return false;
        if (w.contains(u"above"_s))
            run(u"wmctrl"_s, {u"-i"_s, u"-r"_s, target, u"-b"_s, u"add,above"_s});
        if (!xdo(u"windowactivate --sync"_s, {target}) ||
            (verb == u"cover"_s && !expect(words(u"expect above target pick"_s), {})) ||
            !waitUntil([&] { return xdotool(u"getactivewindow"_s) == target; }))
            return false;
        m_focusBaseline = focusLosses();
    } else if (verb == u"layout"_s)
        return succeeds(u"setxkbmap"_s, {rest});
    else if (verb == u"grab"_s) {
        auto &grab = *m_grabs.emplace_back(std::make_unique<QProcess>());
        grab.start(grabHelper(), w.mid(1) + QStringList{u"hold"_s});
        return grab.waitForReadyRead(10000) && grab.readLine().trimmed() == "grabbed";
    } else if (verb == u"edit-config"_s) {
        QJsonObject config = QJsonDocument::fromJson(readFile(file(u"config.json"_s))).object();
        config.insert(w.value(1), jsonValue(after(line, 2)));
        return writeFile(file(u"config.json"_s), QJsonDocument(config).toJson());
    } else if (verb == u"sync"_s) {
        // z has no phrase: it takes the road of every key let through, after what went before.
        const auto zUps = [this] {
            int n = 0;
            for (const QJsonObject &event : m_target->events(u"keyup"_s))
                n += event.value(u"key"_s) == u"Z"_s;
            return n;
        };
        const int before = zUps();
        return xdo(u"keydown z sleep 0.1 keyup z"_s) && waitUntil([&] { return zUps() > before; });
    } else if (verb == u"wait"_s)
        QThread::msleep(rest.toULong());
    else
        return false;
    return true;
}

bool Scenario::expect(const QStringList &w, const QString &line) {
    const QString what = w.value(1), rest = text(after(line, 2));
    std::function<bool()> holds;
    if (what == u"shown"_s || what == u"hidden"_s) {
        // Shown and passive, the pick window holds its key grabs: another client cannot have End.
        holds = [&, shown = what == u"shown"_s] {
            const QString id = pickWindow();
            got = u"window %1 viewable %2"_s.arg(id).arg(viewable(id));
            return viewable(id) == shown && succeeds(grabHelper(), {u"End"_s, u"probe"_s}) != shown;
        };
    } else if (what == u"focus"_s)
        holds = [&] {
            const QString active = xdotool(u"getactivewindow"_s);
            got = u"active %1, target %2, pick %3, the target lost the focus %4 times"_s
                      .arg(active, targetWindow(), pickWindow())
                      .arg(focusLosses() - m_focusBaseline);
            if (w.value(2) == u"target"_s)
                return active == targetWindow() && focusLosses() == m_focusBaseline;
            return active == pickWindow() && focusLosses() > m_focusBaseline;
        };
    else if (what == u"text"_s || what == u"seen-text"_s)
        holds = [&] {
            for (const QJsonObject &event : m_target->events(u"text"_s))
                if (what == u"seen-text"_s && event.value(u"text"_s).toString() == rest)
                    return true;
            return (got = m_target->text()) == rest;
        };
    else if (QStringList{u"keys"_s, u"strokes"_s, u"pastes"_s, u"events"_s}.contains(what))
        holds = [&] { return (got = targetView(what)) == rest; };
    else if (what == u"config"_s)
        holds = [&] {
            const QJsonValue value =
                QJsonDocument::fromJson(readFile(file(u"config.json"_s))).object().value(w.value(2));
            got = QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact));
            return w.value(3) == u"not"_s ? value != jsonValue(after(line, 4))
                                          : value == jsonValue(after(line, 3));
        };
    else if (what == u"json"_s)
        holds = [&] {
            const QJsonDocument d = QJsonDocument::fromJson(readFile(file(w.value(2))));
            return (got = QString::number(d.isArray() ? d.array().size() : d.object().size())) == w.value(3);
        };
    else if (what == u"file"_s)
        holds = [&] { return (got = QString::fromUtf8(readFile(file(w.value(2))))) == text(after(line, 3)); };
    else if (what == u"clipboard"_s)
        holds = [&] {
            got = QString::fromUtf8(
                run(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s, u"-t"_s, w.value(2)}));
            return got.contains(text(after(line, 3)));
        };
    else if (what == u"grab"_s)
        holds = [&] {
            return succeeds(grabHelper(), w.mid(2, w.size() - 3) << u"probe"_s) == (w.last() == u"free"_s);
        };
    else if (what == u"locks"_s)
        holds = [&] {
            return (got = QString::fromUtf8(run(grabHelper(), {u"locks"_s})).simplified()) == rest;
        };
    else if (what == u"where-moved"_s || what == u"on-screen"_s)
        holds = [&] {
            const QRect g = geometry(pickWindow());
            const QStringList screen = xdotool(u"getdisplaygeometry"_s).split(u' ');
            got = u"%1,%2 %3x%4"_s.arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
            if (what == u"on-screen"_s)
                return QRect(0, 0, screen.value(0).toInt(), screen.value(1).toInt()).contains(g);
            return g == m_moved;
        };
    else if (what == u"above"_s)
        holds = [&] {
            // The root's client list in stacking order, bottom to top.
            QStringList order;
            const auto ids = QRegularExpression(u"0x[0-9a-f]+"_s)
                                 .globalMatch(QString::fromUtf8(
                                     run(u"xprop"_s, words(u"-root _NET_CLIENT_LIST_STACKING"_s))));
            for (const auto &id : ids)
                order << QString::number(id.captured().toULongLong(nullptr, 16));
            const auto index = [&](const QString &who) {
                return order.indexOf(who == u"pick"_s ? pickWindow() : targetWindow());
            };
            got = order.join(u' ');
            return index(w.value(3)) >= 0 && index(w.value(2)) > index(w.value(3));
        };
    else if (what == u"menu"_s)
        holds = [&] {
            // A menu is any other mapped window of the program than the pick window and the tray icon.
            QStringList others =
                xdotool(u"search --onlyvisible --classname ^verbolin$"_s).split(u'\n', Qt::SkipEmptyParts);
            others.removeAll(pickWindow());
            others.removeAll(trayIcon());
            got = others.join(u' ');
            return others.isEmpty() == (w.value(2) == u"closed"_s);
        };
    else if (what == u"accepts-focus"_s)
        holds = [&] {
            return !run(u"xprop"_s, {u"-id"_s, pickWindow(), u"WM_HINTS"_s})
                        .contains("accepts input or input focus: False") == (w.value(2) == u"yes"_s);
        };
    else if (what == u"running"_s)
        holds = [&] { return m_program.state() == QProcess::Running; };
    if (!holds || !waitUntil(holds))
        return false;
    if (what == u"focus"_s && w.value(2) == u"pick"_s)
        m_focusBaseline = focusLosses();
    return true;
}

// The steps of the named scenario, with the fixtures it uses put in place: one line may hold
// several steps, separated by " ; ".
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
            std::printf(
                "FAIL at line %d: %s\n  got: %s\nprogram output:\n%s\nthe target's last events:\n%s\n",
                number, qPrintable(step), qPrintable(scenario.got), qPrintable(scenario.programOutput()),
                qPrintable(scenario.targetLog()));
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
