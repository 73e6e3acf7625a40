#pragma once

class QString;
class QSystemTrayIcon;

// Shows a notice about the user's files: a tray balloon when the tray can show one,
// otherwise a message box that does not block the program, kept above other windows (the
// pick window among them) so that it is seen.
void showFileNotice(QSystemTrayIcon *trayIcon, const QString &message);
