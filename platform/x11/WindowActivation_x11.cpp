#include "platform/WindowActivation.h"

#include "platform/x11/XcbSession.h"

#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// Keeps the widget's flags and its native window's flags in step. Changing the flag
// through QWidget::setWindowFlag would hide a visible window; QWindow::setFlags only
// rewrites the input hint of the mapped window.
void setDoesNotAcceptFocus(QWidget *window, bool noActivate) {
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowDoesNotAcceptFocus, noActivate);
    QWindow *handle = window->windowHandle();
    if (flags == window->windowFlags() && (!handle || handle->flags() == flags))
        return;
    window->overrideWindowFlags(flags);
    if (handle)
        handle->setFlags(flags);
}

std::uint32_t windowProperty(xcb_connection_t *c, xcb_window_t window, const char *name) {
    const xcb_atom_t atom = XcbSession::atom(name);
    if (!atom)
        return 0;
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4)
        return 0;
    return *static_cast<const std::uint32_t *>(xcb_get_property_value(reply.get()));
}

bool windowManagerSupports(xcb_connection_t *c, xcb_window_t root, const char *name) {
    const xcb_atom_t supported = XcbSession::atom("_NET_SUPPORTED");
    const xcb_atom_t wanted = XcbSession::atom(name);
    if (!supported || !wanted || !windowProperty(c, root, "_NET_SUPPORTING_WM_CHECK"))
        return false;
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr));
    if (!reply || reply->format != 32)
        return false;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i) {
        if (atoms[i] == wanted)
            return true;
    }
    return false;
}

// The child of the root that holds window: its window-manager frame, or itself.
xcb_window_t topLevelOf(xcb_connection_t *c, xcb_window_t root, xcb_window_t window) {
    for (int depth = 0; depth < 64 && window; ++depth) {
        Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree)
            return 0;
        if (tree->parent == root || tree->parent == XCB_NONE)
            return window;
        window = tree->parent;
    }
    return 0;
}

} // namespace

void setPickWindowNoActivate(QWidget *window, bool noActivate) {
    if (window && XcbSession::available())
        setDoesNotAcceptFocus(window, noActivate);
}

void addNoActivateStyle(QWidget *window) {
    if (!window || !XcbSession::available())
        return;
    window->winId();
    setDoesNotAcceptFocus(window, true);
}

void showWindowNoActivate(QWidget *window, bool) {
    if (!window)
        return;
    // Without a user time of 0 (what this attribute sets) the window manager focuses a
    // newly mapped window; without the input hint false a click would focus it. Other
    // platforms still show the window, just without the native part.
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    addNoActivateStyle(window);
    if (!window->isVisible())
        window->show();
    window->raise();
}

NativeWindow foregroundWindow() {
    xcb_connection_t *c = XcbSession::connection();
    if (!c)
        return 0;
    if (const std::uint32_t active = windowProperty(c, XcbSession::rootWindow(), "_NET_ACTIVE_WINDOW"))
        return active;
    Reply<xcb_get_input_focus_reply_t> focus(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    // None and PointerRoot (0 and 1) are no window.
    return focus && focus->focus > XCB_INPUT_FOCUS_POINTER_ROOT ? focus->focus : 0;
}

bool isWindowAlive(NativeWindow window) {
    xcb_connection_t *c = XcbSession::connection();
    if (!c || !window)
        return false;
    const auto w = static_cast<xcb_window_t>(window);
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
    return attributes != nullptr;
}

bool setForegroundWindow(NativeWindow window) {
    xcb_connection_t *c = XcbSession::connection();
    if (!c || !isWindowAlive(window))
        return false;
    const auto w = static_cast<xcb_window_t>(window);
    const xcb_window_t root = XcbSession::rootWindow();
    if (windowManagerSupports(c, root, "_NET_ACTIVE_WINDOW")) {
        // Asked as a pager asks (source indication 2), which the window manager's
        // focus-stealing prevention lets through.
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = w;
        event.type = XcbSession::atom("_NET_ACTIVE_WINDOW");
        event.data.data32[0] = 2;
        event.data.data32[1] = XCB_CURRENT_TIME;
        event.data.data32[2] = 0;
        xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&event));
    } else {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c, w, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, w, XCB_CURRENT_TIME);
    }
    xcb_flush(c);
    return true;
}

bool isOnTopAtCentre(QWidget *window) {
    xcb_connection_t *c = XcbSession::connection();
    if (!window || !c || !window->windowHandle())
        return true;
    const auto own = static_cast<xcb_window_t>(window->winId());
    const xcb_window_t root = XcbSession::rootWindow();
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, own), nullptr));
    Reply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, own, root, 0, 0), nullptr));
    const xcb_window_t ownTop = topLevelOf(c, root, own);
    if (!geometry || !origin || !ownTop)
        return true;
    const int cx = origin->dst_x + geometry->width / 2;
    const int cy = origin->dst_y + geometry->height / 2;

    // The children of the root come bottom to top: the first hit from the end is what
    // the desktop shows at the point.
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
    if (!tree)
        return true;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
    std::vector<xcb_get_geometry_cookie_t> geometryCookies;
    for (int i = 0; i < count; ++i) {
        attributeCookies.push_back(xcb_get_window_attributes(c, children[i]));
        geometryCookies.push_back(xcb_get_geometry(c, children[i]));
    }
    xcb_window_t hit = XCB_NONE;
    for (int i = count - 1; i >= 0; --i) {
        Reply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(c, attributeCookies[i], nullptr));
        Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c, geometryCookies[i], nullptr));
        if (hit != XCB_NONE || !a || !g)
            continue; // every reply is still collected
        if (a->map_state != XCB_MAP_STATE_VIEWABLE || a->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
            continue;
        const int right = g->x + g->width + 2 * g->border_width;
        const int bottom = g->y + g->height + 2 * g->border_width;
        if (cx >= g->x && cx < right && cy >= g->y && cy < bottom)
            hit = children[i];
    }
    return hit != XCB_NONE && hit == ownTop;
}

namespace {

// Qt takes mouse input through XInput 2 on X11, so the click on the child is seen as a
// Qt event, before the child itself handles it.
class ChildClickWatcher : public QObject {
public:
    ChildClickWatcher(QWidget *child, std::function<bool()> isPassive, std::function<void()> onClicked)
        : QObject(child), m_isPassive(std::move(isPassive)), m_onClicked(std::move(onClicked)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::MouseButtonPress && (!m_isPassive || m_isPassive()) && m_onClicked)
            m_onClicked();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<bool()> m_isPassive;
    std::function<void()> m_onClicked;
};

} // namespace

NoActivateNativeFilter::NoActivateNativeFilter(QWidget *pickWindow, std::function<bool()> isPassive)
    : m_window(pickWindow), m_isPassive(std::move(isPassive)) {}

NoActivateNativeFilter::~NoActivateNativeFilter() {
    delete m_childWatcher;
}

void NoActivateNativeFilter::setActivatingChild(QWidget *child, std::function<void()> onClicked) {
    delete m_childWatcher;
    m_child = child;
    m_onChildClicked = std::move(onClicked);
    // The input hint already keeps clicks from focusing the passive window; what is
    // left is to make it activatable when the child is clicked. No native message
    // announces the click here (nor on the offscreen platform): the press itself does.
    if (child && m_onChildClicked) {
        auto *watcher = new ChildClickWatcher(child, m_isPassive, m_onChildClicked);
        child->installEventFilter(watcher);
        m_childWatcher = watcher;
    }
}

bool NoActivateNativeFilter::nativeEventFilter(const QByteArray &, void *, qintptr *) {
    return false;
}
