#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

// Shared steps of the end-to-end tests: each test runs its own copy of the program in a
// fresh folder, inside the private X session that x-session.sh provides.
namespace e2e {

// Copies the executable named by VERBOLIN_EXE and its icons folder into folder.
QString installProgramCopy(const QString &folder);

// Runs a command to its end and returns its standard output (empty on failure).
QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr);

// Polls the condition every 50 ms until it holds or the time is up.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 10000);

// Ids of the mapped windows whose title is exactly the given one.
QStringList visibleWindows(const QString &title);

// Whether the tray host holds an embedded icon window with the given title.
bool trayHoldsIcon(const QString &title);

// Runs xdotool with the arguments; true when it succeeded.
bool xdotool(const QStringList &arguments);

// The window manager's active window, in decimal as xdotool writes ids ("" for none).
QString activeWindow();

// The window's rectangle on the screen (its client area, without the frame).
QRect windowGeometry(const QString &window);

// Whether the window is mapped and viewable now.
bool isWindowViewable(const QString &window);

// The id of the icon window with the given title embedded in the tray host ("" if none).
QString trayIconWindow(const QString &title);

// The JSON object stored in the file (empty when it is missing or no object).
QJsonObject readJsonObject(const QString &path);

} // namespace e2e
