#pragma once

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A message bus of the test's own: a dbus-daemon with a configuration that starts no
// services on demand (the machine's portal or daemons must not answer in place of the
// fakes), stopped when this object goes.
class PrivateBus {
public:
    PrivateBus() = default;
    ~PrivateBus() {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(3000))
                m_daemon.kill();
            m_daemon.waitForFinished(3000);
        }
    }
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    // Starts the daemon; returns an error text, empty on success.
    QString start() {
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return QStringLiteral("cannot write ") + config;
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig>\n  <type>session</type>\n  <listen>unix:dir=");
        file.write(m_dir.path().toUtf8());
        file.write("</listen>\n  <auth>EXTERNAL</auth>\n"
                   "  <policy context=\"default\">\n"
                   "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                   "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n"
                   "  </policy>\n</busconfig>\n");
        file.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--print-address"),
                        QStringLiteral("--nofork")});
        if (!m_daemon.waitForStarted(5000))
            return QStringLiteral("dbus-daemon did not start (package dbus-daemon)");
        while (!m_daemon.canReadLine()) {
            if (!m_daemon.waitForReadyRead(5000))
                return QStringLiteral("dbus-daemon printed no address: ") +
                       QString::fromLocal8Bit(m_daemon.readAllStandardError());
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        return m_address.isEmpty() ? QStringLiteral("empty bus address") : QString();
    }

    QString address() const { return m_address; }

    // A new connection to the bus under `name` (each name is one connection).
    QDBusConnection connect(const QString &name) const {
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};
