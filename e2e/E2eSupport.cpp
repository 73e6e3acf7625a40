#include "e2e/E2eSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    const QByteArray panels =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("trayer")});
    for (const QString &panel : QString::fromUtf8(panels).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QByteArray tree =
            run(QStringLiteral("xwininfo"), {QStringLiteral("-tree"), QStringLiteral("-id"), panel});
        if (tree.contains("\"" + title.toUtf8() + "\""))
            return true;
    }
    return false;
}

} // namespace e2e
