#pragma once

#include <QDBusConnection>
#include <QObject>

// Which of the user's keyboard layouts KDE Plasma has in use, from its keyboard service
// (org.kde.keyboard on the session bus). A Wayland keymap holds every layout the user
// switches between; the one in use is told only to the program with the keyboard focus,
// so a program sending keys while another has the focus asks here.
class KdeKeyboardLayout : public QObject {
    Q_OBJECT
public:
    // Asks for the layout in use now (the answer comes a moment later) and follows changes.
    explicit KdeKeyboardLayout(const QDBusConnection &bus = QDBusConnection::sessionBus(),
                               QObject *parent = nullptr);

    // The index of the layout in use; 0 until known, and without the service.
    uint current() const { return m_current; }

signals:
    void changed(uint layout);

private slots:
    void onLayoutChanged(uint layout);

private:
    QDBusConnection m_bus;
    uint m_current = 0;
    // A change told before the first answer is newer than that answer.
    bool m_heardChange = false;
};
