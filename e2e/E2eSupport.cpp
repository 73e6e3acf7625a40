#include "e2e/E2eSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThread>

namespace e2e {

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

QStringList visibleWindows(const QString &title) {
    const QString pattern = QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$');
    const QByteArray out =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern});
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool trayHoldsIcon(const QString &title) {
    return !trayIconWindow(title).isEmpty();
}

bool xdotool(const QStringList &arguments) {
    int exitCode = -1;
    run(QStringLiteral("xdotool"), arguments, &exitCode);
    return exitCode == 0;
}

QString activeWindow() {
    return QString::fromUtf8(run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")})).trimmed();
}

QRect windowGeometry(const QString &window) {
    // --shell prints WINDOW=, X=, Y=, WIDTH=, HEIGHT= and SCREEN= lines.
    const QByteArray out = run(QStringLiteral("xdotool"),
                               {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    QHash<QString, int> values;
    for (const QString &line : QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
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
    const QByteArray out = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    return out.contains("Map State: IsViewable");
}

QString trayIconWindow(const QString &title) {
    const QByteArray panels =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("trayer")});
    // Tree lines read: 0x1a00003 "Verbolin": ("verbolin" "verbolin")  22x22+0+0  +1700+1050
    const QRegularExpression line(QStringLiteral("^\\s*(0x[0-9a-f]+) \"") +
                                  QRegularExpression::escape(title) + QStringLiteral("\""));
    for (const QString &panel : QString::fromUtf8(panels).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
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

QJsonObject readJsonObject(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace e2e
