#include "platform/wayland/WaylandOutput.h"

#include "platform/wayland/WaylandKeymap.h"
#include "platform/wayland/dbus/KdeKeyboardLayout.h"
#include "platform/x11/X11KeySyms.h"

#include "fake-input-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// Modifier masks of the keymap below (xkb's real modifiers Shift, Control, Mod1, Mod4).
constexpr quint32 shiftMask = 1u << 0, controlMask = 1u << 2, altMask = 1u << 3, superMask = 1u << 6;

quint32 modifierMaskOf(quint16 virtualKey) {
    switch (virtualKey) {
    case 0x10:
    case 0xA0:
    case 0xA1:
        return shiftMask;
    case 0x11:
    case 0xA2:
    case 0xA3:
        return controlMask;
    case 0x12:
    case 0xA4:
    case 0xA5:
        return altMask;
    case 0x5B:
    case 0x5C:
        return superMask;
    default:
        return 0;
    }
}

const char *modifierMapName(quint32 mask) {
    switch (mask) {
    case shiftMask:
        return "Shift";
    case controlMask:
        return "Control";
    case altMask:
        return "Mod1";
    case superMask:
        return "Mod4";
    default:
        return nullptr;
    }
}

quint32 nowMs() {
    return quint32(QDateTime::currentMSecsSinceEpoch() & 0xffffffffu);
}

// Writes all of data to fd, then closes it; the reader may be slow.
void writeAllAndClose(int fd, const QByteArray &data) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    ::close(fd);
}

} // namespace

struct WaylandOutput::Globals {
    wl_display *display = nullptr;
    wl_registry *registry = nullptr;
    wl_seat *seat = nullptr;
    zwp_virtual_keyboard_manager_v1 *keyboardManager = nullptr;
    zwp_virtual_keyboard_v1 *keyboard = nullptr;
    zwlr_data_control_manager_v1 *dataManager = nullptr;
    zwlr_data_control_device_v1 *dataDevice = nullptr;
    org_kde_kwin_fake_input *fakeInput = nullptr;
    wl_keyboard *seatKeyboard = nullptr;
    // The compositor's keymap (every layout the user switches between), the layout in use,
    // and from them the key code (evdev numbering) that gives each virtual key's keysym now,
    // for fake input.
    QByteArray compositorKeymap;
    quint32 layout = 0;
    std::map<quint16, quint32> layoutCodeOf;

    void lookUpLayoutCodes() {
        auto codes = evdevCodesForVirtualKeys(compositorKeymap, layout);
        // A keymap that cannot be read leaves the last one in use.
        if (!codes.empty())
            layoutCodeOf = std::move(codes);
    }

    // Our keymap: the key code (evdev numbering) that carries each virtual key.
    std::map<quint16, quint32> keycodeOf;

    // What we serve on the clipboard, while the compositor has not cancelled it.
    zwlr_data_control_source_v1 *ownSource = nullptr;
    Formats ownFormats;
    // Offers the compositor announced, with their formats; the clipboard's is current.
    std::map<zwlr_data_control_offer_v1 *, QStringList> offers;
    zwlr_data_control_offer_v1 *currentOffer = nullptr;

    void dropOffer(zwlr_data_control_offer_v1 *offer) {
        if (!offer)
            return;
        offers.erase(offer);
        zwlr_data_control_offer_v1_destroy(offer);
    }
};

namespace {

using Globals = WaylandOutput::Globals;

void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version) {
    auto *g = static_cast<Globals *>(data);
    if (!g->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
        g->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        g->keyboardManager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
        g->dataManager = static_cast<zwlr_data_control_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
    // Keys came with version 4.
    else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        g->fakeInput = static_cast<org_kde_kwin_fake_input *>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}
void onGlobalRemove(void *, wl_registry *, uint32_t) {}
const wl_registry_listener registryListener = {&onGlobal, &onGlobalRemove};

void onOfferFormat(void *data, zwlr_data_control_offer_v1 *offer, const char *mimeType) {
    auto *g = static_cast<Globals *>(data);
    g->offers[offer].append(QString::fromUtf8(mimeType));
}
const zwlr_data_control_offer_v1_listener offerListener = {&onOfferFormat};

void onDataOffer(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer) {
    auto *g = static_cast<Globals *>(data);
    g->offers[offer];
    zwlr_data_control_offer_v1_add_listener(offer, &offerListener, g);
}
void onSelection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer) {
    auto *g = static_cast<Globals *>(data);
    if (g->currentOffer != offer)
        g->dropOffer(g->currentOffer);
    g->currentOffer = offer;
}
void onFinished(void *data, zwlr_data_control_device_v1 *device) {
    auto *g = static_cast<Globals *>(data);
    zwlr_data_control_device_v1_destroy(device);
    g->dataDevice = nullptr;
}
void onPrimarySelection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer) {
    static_cast<Globals *>(data)->dropOffer(offer);
}
const zwlr_data_control_device_v1_listener deviceListener = {&onDataOffer, &onSelection, &onFinished,
                                                             &onPrimarySelection};

void onSend(void *data, zwlr_data_control_source_v1 *source, const char *mimeType, int32_t fd) {
    auto *g = static_cast<Globals *>(data);
    QByteArray content;
    if (source == g->ownSource) {
        const QString wanted = QString::fromUtf8(mimeType);
        for (const auto &format : std::as_const(g->ownFormats))
            if (format.first == wanted)
                content = format.second;
    }
    writeAllAndClose(fd, content);
}
void onCancelled(void *data, zwlr_data_control_source_v1 *source) {
    auto *g = static_cast<Globals *>(data);
    if (source == g->ownSource) {
        g->ownSource = nullptr;
        g->ownFormats.clear();
    }
    zwlr_data_control_source_v1_destroy(source);
}
const zwlr_data_control_source_v1_listener sourceListener = {&onSend, &onCancelled};

// The seat's keyboard tells its keymap at once and again whenever the layout changes; no
// surface of this connection ever has the focus, so nothing else comes.
void onKeymap(void *data, wl_keyboard *, uint32_t format, int32_t fd, uint32_t size) {
    auto *g = static_cast<Globals *>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void *text = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            g->compositorKeymap = QByteArray(static_cast<const char *>(text), int(size));
            ::munmap(text, size);
            g->lookUpLayoutCodes();
        }
    }
    ::close(fd);
}
void onKeyboardEnter(void *, wl_keyboard *, uint32_t, wl_surface *, wl_array *) {}
void onKeyboardLeave(void *, wl_keyboard *, uint32_t, wl_surface *) {}
void onKeyboardKey(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onKeyboardModifiers(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onKeyboardRepeat(void *, wl_keyboard *, int32_t, int32_t) {}
const wl_keyboard_listener keyboardListener = {&onKeymap,      &onKeyboardEnter,     &onKeyboardLeave,
                                               &onKeyboardKey, &onKeyboardModifiers, &onKeyboardRepeat};

// The modifier keys, released before output on a seat shared with the real keyboard.
constexpr quint16 modifierKeys[] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0x5B, 0x5C};

// The keymap of our virtual keyboard: one key for each virtual key that phrase output can
// send, letters with their capital on the second level, the modifiers mapped as usual.
QByteArray keymapText(std::map<quint16, quint32> *keycodeOf) {
    QByteArray keycodes, symbols, modifierMaps;
    quint32 code = 9;
    for (quint32 vk = 1; vk < 0xFF && code < 255; ++vk) {
        const unsigned long keysym = x11KeysymForVirtualKey(std::uint16_t(vk));
        if (!keysym)
            continue;
        char name[64];
        if (xkb_keysym_get_name(xkb_keysym_t(keysym), name, sizeof name) <= 0)
            continue;
        const QByteArray key = "<K" + QByteArray::number(code) + '>';
        keycodes += "    " + key + " = " + QByteArray::number(code) + ";\n";
        QByteArray levels = name;
        if (keysym >= 'a' && keysym <= 'z')
            levels += ", " + QByteArray(1, char(keysym - 'a' + 'A'));
        symbols += "    key " + key + " { [ " + levels + " ] };\n";
        if (const char *map = modifierMapName(modifierMaskOf(std::uint16_t(vk))))
            modifierMaps += "    modifier_map " + QByteArray(map) + " { " + key + " };\n";
        (*keycodeOf)[quint16(vk)] = code - 8;
        ++code;
    }
    return "xkb_keymap {\n"
           "xkb_keycodes \"verbolin\" {\n    minimum = 8;\n    maximum = 255;\n" +
           keycodes +
           "};\n"
           "xkb_types \"verbolin\" { include \"complete\" };\n"
           "xkb_compatibility \"verbolin\" { include \"complete\" };\n"
           "xkb_symbols \"verbolin\" {\n" +
           symbols + modifierMaps + "};\n};\n";
}

// The keymap in a file the compositor maps: an anonymous memory file.
int keymapFile(const QByteArray &text) {
    const int fd = ::memfd_create("verbolin-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    // The compositor reads size bytes, the terminating zero included.
    const QByteArray withZero = text + '\0';
    qsizetype written = 0;
    while (written < withZero.size()) {
        const ssize_t n = ::write(fd, withZero.constData() + written, size_t(withZero.size() - written));
        if (n <= 0 && errno != EINTR) {
            ::close(fd);
            return -1;
        }
        if (n > 0)
            written += n;
    }
    return fd;
}

} // namespace

WaylandOutput *WaylandOutput::instance() {
    static WaylandOutput *output = nullptr;
    static bool tried = false;
    if (tried)
        return output;
    tried = true;
    if (!qGuiApp || !QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return nullptr;
    auto *made = new WaylandOutput;
    if (!made->connectToCompositor()) {
        delete made;
        return nullptr;
    }
    output = made;
    return output;
}

WaylandOutput::WaylandOutput() : QObject(qApp), g(std::make_unique<Globals>()) {}

WaylandOutput::~WaylandOutput() {
    delete m_notifier;
    if (!g->display)
        return;
    if (g->ownSource)
        zwlr_data_control_source_v1_destroy(g->ownSource);
    for (const auto &offer : g->offers)
        zwlr_data_control_offer_v1_destroy(offer.first);
    if (g->dataDevice)
        zwlr_data_control_device_v1_destroy(g->dataDevice);
    if (g->dataManager)
        zwlr_data_control_manager_v1_destroy(g->dataManager);
    if (g->keyboard)
        zwp_virtual_keyboard_v1_destroy(g->keyboard);
    if (g->seatKeyboard)
        wl_keyboard_destroy(g->seatKeyboard);
    if (g->fakeInput)
        org_kde_kwin_fake_input_destroy(g->fakeInput);
    if (g->keyboardManager)
        zwp_virtual_keyboard_manager_v1_destroy(g->keyboardManager);
    if (g->seat)
        wl_seat_destroy(g->seat);
    if (g->registry)
        wl_registry_destroy(g->registry);
    wl_display_flush(g->display);
    wl_display_disconnect(g->display);
}

bool WaylandOutput::connectToCompositor() {
    g->display = wl_display_connect(nullptr);
    if (!g->display)
        return false;
    g->registry = wl_display_get_registry(g->display);
    wl_registry_add_listener(g->registry, &registryListener, g.get());
    if (wl_display_roundtrip(g->display) < 0 || !g->seat)
        return false;
    if (g->keyboardManager) {
        g->keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(g->keyboardManager, g->seat);
        const QByteArray keymap = keymapText(&g->keycodeOf);
        const int fd = keymapFile(keymap);
        if (fd >= 0) {
            zwp_virtual_keyboard_v1_keymap(g->keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                           uint32_t(keymap.size() + 1));
            ::close(fd);
        }
        m_keymapAt = QDateTime::currentMSecsSinceEpoch();
    } else {
        // Keys sent otherwise (fake input, the desktop portal's keyboard) mean what the
        // compositor's keymap makes of them.
        g->seatKeyboard = wl_seat_get_keyboard(g->seat);
        wl_keyboard_add_listener(g->seatKeyboard, &keyboardListener, g.get());
    }
    if (!g->keyboard && g->fakeInput) {
        // KWin grants fake input to the programs its desktop entries name, without asking.
        org_kde_kwin_fake_input_authenticate(g->fakeInput, "Verbolin", "input of saved phrases");
        // Which of the keymap's layouts is in use is told to the focused program only; KWin
        // tells it on the session bus too.
        auto *layout = new KdeKeyboardLayout(QDBusConnection::sessionBus(), this);
        connect(layout, &KdeKeyboardLayout::changed, this, [this](uint index) {
            g->layout = index;
            g->lookUpLayoutCodes();
        });
    }
    if (g->dataManager) {
        g->dataDevice = zwlr_data_control_manager_v1_get_data_device(g->dataManager, g->seat);
        zwlr_data_control_device_v1_add_listener(g->dataDevice, &deviceListener, g.get());
    }
    // A compositor that refuses either (a protocol error) ends this connection only.
    if (wl_display_roundtrip(g->display) < 0) {
        std::fprintf(stderr,
                     "verbolin: the compositor refused the virtual keyboard or the clipboard control "
                     "(error %d)\n",
                     wl_display_get_error(g->display));
        return false;
    }
    m_notifier = new QSocketNotifier(wl_display_get_fd(g->display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &WaylandOutput::dispatch);
    // Events read while waiting for a reply are dispatched before the loop sleeps again.
    if (QAbstractEventDispatcher *loop = QAbstractEventDispatcher::instance())
        connect(loop, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (wl_display_get_error(g->display) == 0) {
                wl_display_dispatch_pending(g->display);
                wl_display_flush(g->display);
            }
        });
    return true;
}

void WaylandOutput::dispatch() {
    if (wl_display_get_error(g->display) != 0) {
        m_notifier->setEnabled(false);
        return;
    }
    while (wl_display_prepare_read(g->display) != 0)
        wl_display_dispatch_pending(g->display);
    wl_display_flush(g->display);
    if (wl_display_read_events(g->display) < 0) {
        std::fprintf(stderr, "verbolin: the connection to the compositor for phrase output broke\n");
        m_notifier->setEnabled(false);
        return;
    }
    wl_display_dispatch_pending(g->display);
    wl_display_flush(g->display);
}

void WaylandOutput::waitUntilHandled() {
    wl_display_roundtrip(g->display);
}

void WaylandOutput::flush() {
    wl_display_flush(g->display);
}

bool WaylandOutput::hasVirtualKeyboard() const {
    return g->keyboard && wl_display_get_error(g->display) == 0;
}

bool WaylandOutput::hasFakeInput() const {
    return g->fakeInput && !g->layoutCodeOf.empty() && wl_display_get_error(g->display) == 0;
}

QString WaylandOutput::keysMechanism() const {
    if (hasVirtualKeyboard())
        return QStringLiteral("virtual keyboard (zwp_virtual_keyboard_v1)");
    if (hasFakeInput())
        return QStringLiteral("fake input (org_kde_kwin_fake_input)");
    return {};
}

QByteArray WaylandOutput::compositorKeymap() const {
    return g->compositorKeymap;
}

bool WaylandOutput::hasDataControl() const {
    return g->dataDevice && wl_display_get_error(g->display) == 0;
}

bool WaylandOutput::sendKeys(const std::vector<KeyEvent> &events) {
    if (!hasVirtualKeyboard()) {
        if (!hasFakeInput())
            return false;
        for (const KeyEvent &event : events) {
            const auto code = g->layoutCodeOf.find(event.virtualKey);
            if (code != g->layoutCodeOf.end())
                org_kde_kwin_fake_input_keyboard_key(g->fakeInput, code->second,
                                                     event.up ? WL_KEYBOARD_KEY_STATE_RELEASED
                                                              : WL_KEYBOARD_KEY_STATE_PRESSED);
        }
        flush();
        return true;
    }
    for (const KeyEvent &event : events) {
        const auto code = g->keycodeOf.find(event.virtualKey);
        if (code == g->keycodeOf.end())
            continue;
        zwp_virtual_keyboard_v1_key(g->keyboard, nowMs(), code->second,
                                    event.up ? WL_KEYBOARD_KEY_STATE_RELEASED
                                             : WL_KEYBOARD_KEY_STATE_PRESSED);
        if (const quint32 mask = modifierMaskOf(event.virtualKey)) {
            m_modsDepressed = event.up ? (m_modsDepressed & ~mask) : (m_modsDepressed | mask);
            zwp_virtual_keyboard_v1_modifiers(g->keyboard, m_modsDepressed, 0, 0, 0);
        }
    }
    flush();
    return true;
}

void WaylandOutput::releaseModifiers() {
    if (!hasVirtualKeyboard()) {
        if (!hasFakeInput())
            return;
        // One state for every keyboard of the seat: a modifier the user still holds would
        // join our keys (Shift turning Ctrl+V into Ctrl+Shift+V). The compositor passes on
        // the release only of keys that are down.
        for (const quint16 key : modifierKeys) {
            const auto code = g->layoutCodeOf.find(key);
            if (code != g->layoutCodeOf.end())
                org_kde_kwin_fake_input_keyboard_key(g->fakeInput, code->second,
                                                     WL_KEYBOARD_KEY_STATE_RELEASED);
        }
        flush();
        return;
    }
    // Our keyboard's state is the only one the focused client combines our keys with.
    m_modsDepressed = 0;
    zwp_virtual_keyboard_v1_modifiers(g->keyboard, 0, 0, 0, 0);
    flush();
}

bool WaylandOutput::setSelection(const Formats &formats) {
    if (!hasDataControl())
        return false;
    if (g->ownSource) {
        zwlr_data_control_source_v1_destroy(g->ownSource);
        g->ownSource = nullptr;
    }
    g->ownFormats = formats;
    if (formats.isEmpty()) {
        zwlr_data_control_device_v1_set_selection(g->dataDevice, nullptr);
        flush();
        return true;
    }
    g->ownSource = zwlr_data_control_manager_v1_create_data_source(g->dataManager);
    zwlr_data_control_source_v1_add_listener(g->ownSource, &sourceListener, g.get());
    for (const auto &format : formats)
        zwlr_data_control_source_v1_offer(g->ownSource, format.first.toUtf8().constData());
    zwlr_data_control_device_v1_set_selection(g->dataDevice, g->ownSource);
    flush();
    return true;
}

WaylandOutput::Formats WaylandOutput::selection() {
    Formats content;
    if (!hasDataControl())
        return content;
    // What the compositor told so far, taken in before looking.
    wl_display_roundtrip(g->display);
    if (g->ownSource)
        return g->ownFormats;
    if (!g->currentOffer)
        return content;
    const QStringList formats = g->offers[g->currentOffer];
    // The owner writes each format into a pipe; a silent owner costs at most this long.
    const QDeadlineTimer deadline(1000);
    for (const QString &format : formats) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            break;
        zwlr_data_control_offer_v1_receive(g->currentOffer, format.toUtf8().constData(), fds[1]);
        ::close(fds[1]);
        flush();
        QByteArray data;
        bool complete = false;
        while (!deadline.hasExpired()) {
            pollfd entry{fds[0], POLLIN, 0};
            if (::poll(&entry, 1, int(qMax<qint64>(1, deadline.remainingTime()))) <= 0)
                break;
            char buffer[8192];
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                complete = n == 0;
                break;
            }
            data.append(buffer, n);
        }
        ::close(fds[0]);
        if (!complete)
            break;
        content.append({format, data});
    }
    return content;
}
