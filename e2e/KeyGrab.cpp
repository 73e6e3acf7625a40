#include "e2e/KeyGrab.h"

#include "e2e/E2eSupport.h"

namespace e2e {

namespace {

QStringList grabArguments(const QString &keysym, int modifierMask, const QStringList &locks,
                          const QString &mode) {
    return QStringList{keysym, QString::number(modifierMask)} + locks + QStringList{mode};
}

} // namespace

GrabAnswer tryKeyGrab(const QString &keysym, int modifierMask, const QStringList &locks) {
    int exitCode = -1;
    run(QStringLiteral(VERBOLIN_X_GRAB_KEY),
        grabArguments(keysym, modifierMask, locks, QStringLiteral("probe")), &exitCode);
    return exitCode == 0 ? GrabAnswer::Grabbed : exitCode == 1 ? GrabAnswer::Refused : GrabAnswer::Failed;
}

QStringList locksOn() {
    return QString::fromLatin1(run(QStringLiteral(VERBOLIN_X_GRAB_KEY), {QStringLiteral("locks")}))
        .simplified()
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

KeyGrab::KeyGrab(const QString &keysym, int modifierMask, const QStringList &locks) {
    m_process.start(QStringLiteral(VERBOLIN_X_GRAB_KEY),
                    grabArguments(keysym, modifierMask, locks, QStringLiteral("hold")));
    m_process.waitForReadyRead(10000);
    m_answer = QString::fromLatin1(m_process.readLine()).trimmed();
}

KeyGrab::~KeyGrab() {
    if (!release())
        stopProcess(m_process);
}

bool KeyGrab::release() {
    // The helper lets go and ends when its standard input closes.
    m_process.closeWriteChannel();
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(10000);
}

} // namespace e2e
