#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// Shared steps of the end-to-end tests: each test runs its own copy of the program in a
// fresh folder, inside the private X session that x-session.sh provides.
namespace e2e {

// Asks the process to end, and kills it when it does not within a few seconds.
void stopProcess(QProcess &process);

// Runs a command to its end and returns its standard output (empty on failure).
QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr);

// Polls the condition every 50 ms until it holds or the time is up.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 10000);

bool xdotool(const QStringList &arguments);

// Holds the keys (xdotool's form, "ctrl+shift+v") down for ms milliseconds, as a person
// presses them, while this process's event loop runs.
bool holdKeys(const QString &keys, int ms);

// Clicks the button at a place relative to the window's client area.
bool clickAt(const QString &window, QPoint at, int button = 1);

// Closes the window as its title bar's close button does.
bool closeWindow(const QString &window);

// Ids of the mapped windows whose title is exactly the given one.
QStringList visibleWindows(const QString &title);

// The window manager's active window, in decimal as xdotool writes ids ("" for none).
QString activeWindow();

// The window's rectangle on the screen (its client area, without the frame).
QRect windowGeometry(const QString &window);

bool isWindowViewable(const QString &window);

// Whether the window asks the window manager for the keyboard focus (its input hint).
bool acceptsFocus(const QString &window);

// The id of the icon window with the given title embedded in the tray host ("" if none).
QString trayIconWindow(const QString &title);

QJsonDocument readJson(const QString &path); // null when missing
bool writeJson(const QString &path, const QJsonDocument &document);

// Entries of the program's data.json and tab.json.
QJsonObject phrase(const QString &text, const QString &group);
QJsonObject group(const QString &name);

// One copy of the program in a folder of its own, with a runtime folder of its own so
// that its single-instance lock and socket are not shared with any other run.
class ProgramRun {
public:
    ProgramRun();
    ~ProgramRun();

    // Writes the settings, phrases and groups the program finds at its start.
    bool writeFiles(const QJsonObject &config, const QJsonArray &phrases, const QJsonArray &groups);

    // Starts the program and waits until it is fully built: its tray icon is embedded.
    bool start(const QStringList &arguments = {});
    // A second launch of the same copy; returns its exit code (-1 when it did not end).
    int launchAgain();
    void stop() { stopProcess(m_process); }

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    QJsonObject config() const { return readJson(filePath(QStringLiteral("config.json"))).object(); }

private:
    void setUp(QProcess &process) const;

    QTemporaryDir m_dir;
    QTemporaryDir m_runtime;
    QString m_exe;
    QProcess m_process;
};

} // namespace e2e
