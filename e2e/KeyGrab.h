#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// x_grab_key plays another X client that holds a key combination on the root window, as
// another program with a global hotkey does. Masks are X modifier masks; locks are
// "numlock" and "capslock".
namespace e2e {

constexpr int shiftMask = 0x01, controlMask = 0x04, mod1Mask = 0x08;

enum class GrabAnswer { Grabbed, Refused, Failed };

// Grabs the combination and lets go at once: whether another client can have it now.
GrabAnswer tryKeyGrab(const QString &keysym, int modifierMask, const QStringList &locks = {});

// The locks that are on now, as the X server's modifier state says.
QStringList locksOn();

// Holds the combination from its construction to its destruction.
class KeyGrab {
public:
    KeyGrab(const QString &keysym, int modifierMask, const QStringList &locks = {});
    ~KeyGrab();
    bool holds() const { return m_answer == QLatin1String("grabbed"); }
    // Lets go of the combination; true when the helper ended as asked.
    bool release();

private:
    QProcess m_process;
    QString m_answer;
};

} // namespace e2e
