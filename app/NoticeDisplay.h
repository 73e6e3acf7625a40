#pragma once

class QString;
class QSystemTrayIcon;

// Shows a notice about the user's files: a tray balloon when the tray can show one,
// otherwise a message box that does not block the program.
void showFileNotice(QSystemTrayIcon *trayIcon, const QString &message);
