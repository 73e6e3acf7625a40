#include "platform/x11/X11KeyboardLayout.h"

#include "platform/x11/XcbSession.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <map>

namespace {

class LayoutFilter : public QAbstractNativeEventFilter {
public:
    int xkbEventBase = 0; // 0 without XKB
    int group = -1;       // the layout group last seen
    std::map<const void *, std::function<void()>> listeners;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        if (eventType != "xcb_generic_event_t" || !message)
            return false;
        if (isLayoutChange(static_cast<const xcb_generic_event_t *>(message))) {
            refreshXlib();
            // A copy: a listener may unwatch.
            const auto now = listeners;
            for (const auto &entry : now)
                entry.second();
        }
        return false;
    }

private:
    bool isLayoutChange(const xcb_generic_event_t *event) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_MAPPING_NOTIFY)
            return reinterpret_cast<const xcb_mapping_notify_event_t *>(event)->request !=
                   XCB_MAPPING_POINTER;
        if (!xkbEventBase || type != xkbEventBase)
            return false;
        // The second byte is the kind of XKB event; a state change counts when the group moved.
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(event);
        switch (bytes[1]) {
        case XkbNewKeyboardNotify:
        case XkbMapNotify:
            return true;
        case XkbStateNotify: {
            const int now = bytes[13]; // xkbStateNotify.group
            const bool moved = group >= 0 && now != group;
            group = now;
            return moved;
        }
        default:
            return false;
        }
    }

    void refreshXlib() {
        Display *dpy = XcbSession::display();
        if (!dpy || !xkbEventBase)
            return;
        XkbMapNotifyEvent reload{};
        reload.type = xkbEventBase;
        reload.xkb_type = XkbNewKeyboardNotify;
        reload.display = dpy;
        XkbRefreshKeyboardMapping(&reload);
    }
};

LayoutFilter *layoutFilter() {
    static LayoutFilter *filter = nullptr;
    Display *dpy = XcbSession::display();
    if (!filter && dpy && QCoreApplication::instance()) {
        filter = new LayoutFilter;
        int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
        if (!XkbQueryExtension(dpy, &opcode, &filter->xkbEventBase, &error, &major, &minor))
            filter->xkbEventBase = 0;
        // Lives as long as the process: the filter list goes with the application object.
        QCoreApplication::instance()->installNativeEventFilter(filter);
    }
    return filter;
}

} // namespace

namespace X11KeyboardLayout {

void watch(const void *owner, std::function<void()> listener) {
    if (LayoutFilter *filter = layoutFilter())
        filter->listeners[owner] = std::move(listener);
}

void unwatch(const void *owner) {
    if (LayoutFilter *filter = layoutFilter())
        filter->listeners.erase(owner);
}

} // namespace X11KeyboardLayout
