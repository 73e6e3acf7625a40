#include "e2e/FocusOutRecorder.h"

#include <QByteArray>

#include <xcb/xcb.h>

namespace {

class FocusOutRecorder : public QAbstractNativeEventFilter {
public:
    explicit FocusOutRecorder(std::function<void(quint64)> onLoss) : m_onLoss(std::move(onLoss)) {}

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        if (eventType != QByteArrayLiteral("xcb_generic_event_t"))
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_FOCUS_OUT)
            return false;
        // Key grabs (modes Grab and Ungrab) and moves inside the window (details
        // Inferior and Pointer) leave the keyboard focus where it was.
        const auto *focus = reinterpret_cast<const xcb_focus_out_event_t *>(event);
        if ((focus->mode == XCB_NOTIFY_MODE_NORMAL || focus->mode == XCB_NOTIFY_MODE_WHILE_GRABBED) &&
            focus->detail != XCB_NOTIFY_DETAIL_INFERIOR && focus->detail != XCB_NOTIFY_DETAIL_POINTER)
            m_onLoss(focus->event);
        return false;
    }

private:
    std::function<void(quint64)> m_onLoss;
};

} // namespace

QAbstractNativeEventFilter *newFocusOutRecorder(std::function<void(quint64 window)> onLoss) {
    return new FocusOutRecorder(std::move(onLoss));
}
