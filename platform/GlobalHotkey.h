#pragma once

#include <QKeySequence>
#include <QObject>

// A system-wide hotkey. While registered, pressing its key combination anywhere on the
// desktop emits activated() on the GUI thread. Only the first combination of the key
// sequence counts. Registration fails, and isRegistered() stays false, for an empty
// sequence, a key the system cannot name, a combination held by another program, and in a
// Wayland session without KDE Plasma's global accelerator. GlobalHotkeys of this process with the same
// combination share one registration: each reports activated, and it lasts while one of them holds it.
class GlobalHotkey : public QObject {
    Q_OBJECT
public:
    GlobalHotkey(const QKeySequence &shortcut, bool autoRegister, QObject *parent = nullptr);
    ~GlobalHotkey() override;

    // Registers or unregisters; returns whether the hotkey is now in the wanted state.
    bool setRegistered(bool registered);
    bool isRegistered() const { return m_registered; }

    // Drops a registration of the old combination, then takes the new one. With
    // autoRegister, returns whether the new one got registered; without, whether the
    // system can name it at all.
    bool setShortcut(const QKeySequence &shortcut, bool autoRegister = false);
    QKeySequence shortcut() const { return m_shortcut; }

signals:
    void activated();

private:
    QKeySequence m_shortcut;
    bool m_registered = false;
};
