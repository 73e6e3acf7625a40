#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

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

// How an entry kept in a file (Linux) is written, and who hears how each write went: the
// program's checked file writer and its notices, handed in at start-up. Until then, and on
// Windows (a registry value), neither is used and a file entry is not written.
struct AutostartFileAccess {
    // Replaces the file whole; on failure the old file stays and error says why.
    std::function<bool(const QString &path, const QByteArray &bytes, QString *error)> write;
    // Something that is no regular file (a FIFO, a device) is neither read nor replaced.
    std::function<bool(const QString &path)> isSpecialFile;
    // After each write: an empty error when it worked.
    std::function<void(const QString &path, const QString &error)> written;
};
void setAutostartFileAccess(AutostartFileAccess access);

// Writes the entry for the running executable (on) or removes it (off). A failed write
// leaves the old entry as it was and the user is told.
void setAutostartEntry(bool on);

// Rewrites the entry only when it differs from the running executable's one, for instance
// after the program was moved to another folder. Returns whether it wrote.
bool syncAutostartEntry();
