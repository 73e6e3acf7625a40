#include "platform/wayland/GnomeCustomShortcuts.h"

#include <QDeadlineTimer>
#include <QProcess>

namespace {

// For all the questions together: the start-up waits for them.
constexpr int answersTimeoutMs = 1000;
const QString mediaKeys = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");

// One `gsettings get` answer, trimmed; null when the tool is missing, fails or is not done
// by the deadline.
QString gsettingsGet(const QString &schema, const QString &key, const QDeadlineTimer &deadline) {
    QProcess gsettings;
    gsettings.start(QStringLiteral("gsettings"), {QStringLiteral("get"), schema, key});
    if (!gsettings.waitForFinished(int(qMax<qint64>(1, deadline.remainingTime())))) {
        gsettings.kill();
        gsettings.waitForFinished(100);
        return QString();
    }
    if (gsettings.exitStatus() != QProcess::NormalExit || gsettings.exitCode() != 0)
        return QString();
    return QString::fromUtf8(gsettings.readAllStandardOutput()).trimmed();
}

// The quoted strings of a GVariant text from `from` on: each with its escapes undone.
// `end` is set past the closing quote of the one read; false on a malformed one.
bool readQuoted(const QString &text, qsizetype from, QString *value, qsizetype *end) {
    if (from >= text.size() || (text.at(from) != u'\'' && text.at(from) != u'"'))
        return false;
    const QChar quote = text.at(from);
    value->clear();
    for (qsizetype i = from + 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size()) {
            value->append(text.at(++i));
        } else if (c == quote) {
            *end = i + 1;
            return true;
        } else {
            value->append(c);
        }
    }
    return false;
}

} // namespace

namespace gnomeshortcuts {

QStringList parsePathArray(const QString &printed) {
    QString text = printed.trimmed();
    if (text.startsWith(QLatin1String("@as ")))
        text = text.mid(4).trimmed();
    if (!text.startsWith(u'[') || !text.endsWith(u']'))
        return {};
    QStringList paths;
    qsizetype at = 1;
    while (at < text.size() - 1) {
        const QChar c = text.at(at);
        if (c == u' ' || c == u',') {
            ++at;
            continue;
        }
        QString path;
        if (!readQuoted(text, at, &path, &at))
            return {};
        paths.append(path);
    }
    return paths;
}

QString parseString(const QString &printed) {
    QString value;
    qsizetype end = 0;
    const QString text = printed.trimmed();
    return readQuoted(text, 0, &value, &end) && end == text.size() ? value : QString();
}

QStringList customShortcutCommands() {
    const QDeadlineTimer deadline(answersTimeoutMs);
    QStringList commands;
    for (const QString &path :
         parsePathArray(gsettingsGet(mediaKeys, QStringLiteral("custom-keybindings"), deadline))) {
        if (deadline.hasExpired())
            break;
        const QString command = parseString(gsettingsGet(
            mediaKeys + QStringLiteral(".custom-keybinding:") + path, QStringLiteral("command"), deadline));
        if (!command.isEmpty())
            commands.append(command);
    }
    return commands;
}

} // namespace gnomeshortcuts
