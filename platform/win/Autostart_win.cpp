#include "platform/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace {

const QString runKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString valueName = QStringLiteral("Verbolin");

QString currentCommand() {
    return runValueCommand(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
}

} // namespace

QString autostartEntryLocation() {
    return runKey;
}

// The Run value is no file: the registry writes it.
void setAutostartFileAccess(AutostartFileAccess) {}

void setAutostartEntry(bool on) {
    QSettings run(runKey, QSettings::NativeFormat);
    if (on)
        run.setValue(valueName, currentCommand());
    else
        run.remove(valueName);
}

bool syncAutostartEntry() {
    QSettings run(runKey, QSettings::NativeFormat);
    const QString command = currentCommand();
    if (run.value(valueName).toString() == command)
        return false;
    run.setValue(valueName, command);
    return true;
}
