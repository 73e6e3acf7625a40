#include "app/NoticeDisplay.h"

#include <QMessageBox>
#include <QSystemTrayIcon>

void showFileNotice(QSystemTrayIcon *trayIcon, const QString &message) {
    if (trayIcon && trayIcon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable() &&
        QSystemTrayIcon::supportsMessages()) {
        trayIcon->showMessage(QStringLiteral("Verbolin"), message, QSystemTrayIcon::Warning, 15000);
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Verbolin"), message, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    // Above the pick window, which may stay on top of every other window.
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box->show();
    box->raise();
}
