#include "platform/Autostart.h"

namespace {

// An argument in double quotes, with the characters the Exec grammar reserves inside quotes
// escaped, and '%' doubled so it is not read as a field code.
QString quotedExecArgument(const QString &argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar ch : argument) {
        if (ch == u'"' || ch == u'`' || ch == u'$' || ch == u'\\')
            quoted += u'\\';
        else if (ch == u'%')
            quoted += u'%';
        quoted += ch;
    }
    return quoted + u'"';
}

// The escapes of a desktop-entry string value, applied before the Exec grammar reads it.
QString escapedStringValue(const QString &value) {
    QString escaped;
    for (const QChar ch : value) {
        if (ch == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (ch == u'\n')
            escaped += QStringLiteral("\\n");
        else if (ch == u'\t')
            escaped += QStringLiteral("\\t");
        else if (ch == u'\r')
            escaped += QStringLiteral("\\r");
        else
            escaped += ch;
    }
    return escaped;
}

} // namespace

QString runValueCommand(const QString &nativeExecutablePath) {
    return QStringLiteral("\"%1\" %2").arg(nativeExecutablePath, QStringLiteral("--autostart"));
}

QByteArray autostartDesktopEntry(const QString &executablePath) {
    const QString exec =
        escapedStringValue(quotedExecArgument(executablePath) + QStringLiteral(" --autostart"));
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Verbolin\n"
                                         "Exec=%1\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(exec);
    return entry.toUtf8();
}
