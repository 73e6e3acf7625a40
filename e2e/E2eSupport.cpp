#include "e2e/E2eSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QThread>

namespace e2e {

namespace {

const QString programTitle = QStringLiteral("Verbolin");

QStringList lines(const QByteArray &out) {
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Copies the executable named by VERBOLIN_EXE and its icons folder into folder.
QString installProgramCopy(const QString &folder) {
    const QFileInfo exe(qEnvironmentVariable("VERBOLIN_EXE"));
    const QString target = QDir(folder).filePath(exe.fileName());
    if (!QFile::copy(exe.absoluteFilePath(), target))
        return QString();
    QFile::setPermissions(target, QFile::permissions(exe.absoluteFilePath()));
    QDir().mkpath(QDir(folder).filePath(QStringLiteral("icons")));
    const QDir icons(exe.dir().filePath(QStringLiteral("icons")));
    for (const QString &icon : icons.entryList({QStringLiteral("*.svg")}, QDir::Files))
        QFile::copy(icons.filePath(icon), QDir(folder).filePath(QStringLiteral("icons/") + icon));
    return target;
}

} // namespace

void stopProcess(QProcess &process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(15000)) {
        p.kill();
        p.waitForFinished();
    }
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

bool xdotool(const QStringList &arguments) {
    int exitCode = -1;
    run(QStringLiteral("xdotool"), arguments, &exitCode);
    return exitCode == 0;
}

bool holdKeys(const QString &keys, int ms) {
    if (!xdotool({QStringLiteral("keydown"), keys}))
        return false;
    QDeadlineTimer held(ms);
    while (!held.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return xdotool({QStringLiteral("keyup"), keys});
}

bool clickAt(const QString &window, QPoint at, int button) {
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(at.x()),
                    QString::number(at.y()), QStringLiteral("click"), QString::number(button)});
}

bool closeWindow(const QString &window) {
    int exitCode = -1;
    run(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-c"), window}, &exitCode);
    return exitCode == 0;
}

QStringList visibleWindows(const QString &title) {
    const QString pattern = QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$');
    return lines(run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                 QStringLiteral("--name"), pattern}));
}

QString activeWindow() {
    return QString::fromUtf8(run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")})).trimmed();
}

QRect windowGeometry(const QString &window) {
    // --shell prints WINDOW=, X=, Y=, WIDTH=, HEIGHT= and SCREEN= lines.
    const QByteArray out = run(QStringLiteral("xdotool"),
                               {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    QHash<QString, int> values;
    for (const QString &line : lines(out)) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1).toInt());
    }
    if (!values.contains(QStringLiteral("WIDTH")))
        return QRect();
    return QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                 values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
}

bool isWindowViewable(const QString &window) {
    return run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window}).contains("Map State: IsViewable");
}

bool acceptsFocus(const QString &window) {
    return !run(QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("WM_HINTS")})
                .contains("accepts input or input focus: False");
}

QString trayIconWindow(const QString &title) {
    const QByteArray panels =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("trayer")});
    // Tree lines read: 0x1a00003 "Verbolin": ("verbolin" "verbolin")  22x22+0+0  +1700+1050
    const QRegularExpression line(QStringLiteral("^\\s*(0x[0-9a-f]+) \"") +
                                  QRegularExpression::escape(title) + QStringLiteral("\""));
    for (const QString &panel : lines(panels)) {
        const QByteArray tree =
            run(QStringLiteral("xwininfo"), {QStringLiteral("-tree"), QStringLiteral("-id"), panel});
        for (const QString &entry : QString::fromUtf8(tree).split(QLatin1Char('\n'))) {
            const QRegularExpressionMatch match = line.match(entry);
            if (match.hasMatch())
                return QString::number(match.captured(1).toULongLong(nullptr, 16));
        }
    }
    return QString();
}

QJsonDocument readJson(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()) : QJsonDocument();
}

bool writeJson(const QString &path, const QJsonDocument &document) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(document.toJson()) > 0;
}

QJsonObject phrase(const QString &text, const QString &group) {
    return {{QStringLiteral("text"), text},
            {QStringLiteral("remark"), QString()},
            {QStringLiteral("tab"), group},
            {QStringLiteral("hotkey"), QString()}};
}

QJsonObject group(const QString &name) {
    return {{QStringLiteral("tab"), name}, {QStringLiteral("item_height"), 40}};
}

ProgramRun::ProgramRun() : m_exe(installProgramCopy(m_dir.path())) {
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

ProgramRun::~ProgramRun() {
    stop();
}

bool ProgramRun::writeFiles(const QJsonObject &config, const QJsonArray &phrases, const QJsonArray &groups) {
    return writeJson(filePath(QStringLiteral("config.json")), QJsonDocument(config)) &&
           writeJson(filePath(QStringLiteral("data.json")), QJsonDocument(phrases)) &&
           writeJson(filePath(QStringLiteral("tab.json")), QJsonDocument(groups));
}

bool ProgramRun::start(const QStringList &arguments) {
    if (m_exe.isEmpty())
        return false;
    setUp(m_process);
    m_process.start(m_exe, arguments);
    return m_process.waitForStarted() && waitUntil([] { return !trayIconWindow(programTitle).isEmpty(); });
}

int ProgramRun::launchAgain() {
    QProcess second;
    setUp(second);
    second.start(m_exe, {});
    if (!second.waitForFinished(15000)) {
        stopProcess(second);
        return -1;
    }
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
}

void ProgramRun::setUp(QProcess &process) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
}

} // namespace e2e
