#pragma once

#include <QByteArray>
#include <QString>

// Starting the program when the user logs in. The entry runs the executable with
// "--autostart", so the pick window stays hidden until it is called.
// Windows: the string value "Verbolin" under HKCU\Software\Microsoft\Windows\CurrentVersion\Run.
// Linux: the desktop entry autostart/verbolin.desktop in the user's configuration folder
// ($XDG_CONFIG_HOME, by default ~/.config).

// The Run value's command: the executable's native path in double quotes, a blank, "--autostart".
QString runValueCommand(const QString &nativeExecutablePath);

// The desktop entry for the given executable; the Exec line quotes the path by the
// desktop-entry rules, so blanks, quotes, '$', '\' and '%' in it survive.
QByteArray autostartDesktopEntry(const QString &executablePath);

// Where the entry of this system lives (a registry key or a file path).
QString autostartEntryLocation();

// Writes the entry for the running executable (on) or removes it (off). A failed write
// leaves the old entry as it was and the user is told.
void setAutostartEntry(bool on);

// Rewrites the entry only when it differs from the running executable's one, for instance
// after the program was moved to another folder. Returns whether it wrote.
bool syncAutostartEntry();
