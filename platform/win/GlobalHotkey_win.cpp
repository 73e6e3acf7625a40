// Windows backend of GlobalHotkey: RegisterHotKey without a window, so WM_HOTKEY comes
// as a thread message, seen by one native event filter for all hotkeys.

#include "platform/GlobalHotkey.h"
#include "platform/GlobalHotkeyBackend.h"
#include "platform/HotkeyKeyMap.h"
#include "platform/win/Win32Hotkey.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QHash>

namespace {

struct Registration {
    int id = 0;
    unsigned modifiers = 0;
    unsigned virtualKey = 0;
};

class HotkeyMessageFilter;

struct Registry {
    QHash<GlobalHotkey *, Registration> registrations;
    HotkeyMessageFilter *filter = nullptr;
};

Registry &registry() {
    static Registry r;
    return r;
}

class HotkeyMessageFilter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        if (eventType != "windows_generic_MSG")
            return false;
        const int id = Win32Hotkey::hotkeyIdOfMessage(message);
        if (id < 0)
            return false;
        bool fired = false;
        for (auto it = registry().registrations.cbegin(); it != registry().registrations.cend(); ++it) {
            if (it->id == id) {
                // Queued: a slot may delete hotkeys, which must not happen inside this loop.
                // Every owner of a shared combination hears of it.
                QMetaObject::invokeMethod(it.key(), &GlobalHotkey::activated, Qt::QueuedConnection);
                fired = true;
            }
        }
        return fired;
    }
};

unsigned virtualKeyOf(QKeyCombination combination) {
    const WindowsHotkeyKey key = windowsHotkeyKey(combination.key(), combination.keyboardModifiers());
    if (key.virtualKey != 0)
        return key.virtualKey;
    return key.layoutCharacter != 0 ? Win32Hotkey::virtualKeyOfCharacter(key.layoutCharacter) : 0;
}

// The smallest id no live registration uses.
int freeId(const Registry &r) {
    for (int id = 1; id <= 0xBFFF; ++id) {
        bool used = false;
        for (const Registration &registration : r.registrations)
            used = used || registration.id == id;
        if (!used)
            return id;
    }
    return 0;
}

} // namespace

bool GlobalHotkeyBackend::canMap(QKeyCombination combination) {
    return virtualKeyOf(combination) != 0;
}

bool GlobalHotkeyBackend::grab(GlobalHotkey *owner, QKeyCombination combination) {
    if (QCoreApplication::instance() == nullptr)
        return false;
    Registration registration;
    registration.virtualKey = virtualKeyOf(combination);
    registration.modifiers = windowsHotkeyModifiers(combination.keyboardModifiers());
    if (registration.virtualKey == 0)
        return false;
    Registry &r = registry();
    for (const Registration &other : std::as_const(r.registrations)) {
        // A combination this program holds already is shared: both owners fire.
        if (other.modifiers == registration.modifiers && other.virtualKey == registration.virtualKey) {
            r.registrations.insert(owner, other);
            return true;
        }
    }
    registration.id = freeId(r);
    if (!Win32Hotkey::registerHotkey(registration.id, registration.modifiers, registration.virtualKey))
        return false;
    if (r.filter == nullptr) {
        r.filter = new HotkeyMessageFilter;
        QCoreApplication::instance()->installNativeEventFilter(r.filter);
    }
    r.registrations.insert(owner, registration);
    return true;
}

void GlobalHotkeyBackend::release(GlobalHotkey *owner) {
    Registry &r = registry();
    const auto it = r.registrations.constFind(owner);
    if (it == r.registrations.cend())
        return;
    const int id = it->id;
    r.registrations.erase(it);
    bool shared = false;
    for (const Registration &other : std::as_const(r.registrations))
        shared = shared || other.id == id;
    if (!shared)
        Win32Hotkey::unregisterHotkey(id);
    if (r.registrations.isEmpty()) {
        delete r.filter;
        r.filter = nullptr;
    }
}
