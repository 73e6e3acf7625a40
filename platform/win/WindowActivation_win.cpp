#include "platform/WindowActivation.h"

#include "platform/win/Win32Windows.h"

#include <QWidget>

#include <windows.h>

namespace {

std::uintptr_t handleOf(QWidget *window) {
    // winId() creates the native window if it does not exist yet.
    return window ? static_cast<std::uintptr_t>(window->winId()) : 0;
}

} // namespace

void setPickWindowNoActivate(QWidget *window, bool noActivate) {
    if (window)
        Win32Windows::setNoActivate(handleOf(window), noActivate, true);
}

void addNoActivateStyle(QWidget *window) {
    if (window)
        Win32Windows::setNoActivate(handleOf(window), true, false);
}

void showWindowNoActivate(QWidget *window, bool topmost) {
    if (!window)
        return;
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    // The style is in place before the first show, and again after it: Qt may rewrite
    // the extended style while it shows the window.
    addNoActivateStyle(window);
    if (!window->isVisible())
        window->show();
    addNoActivateStyle(window);
    Win32Windows::showNoActivate(handleOf(window), topmost);
}

NativeWindow foregroundWindow() {
    return Win32Windows::foregroundWindow();
}

bool isWindowAlive(NativeWindow window) {
    return Win32Windows::isWindow(window);
}

bool setForegroundWindow(NativeWindow window) {
    return Win32Windows::setForegroundWindow(window);
}

bool isOnTopAtCentre(QWidget *window) {
    return !window || Win32Windows::isOnTopAtCentre(handleOf(window));
}

NoActivateNativeFilter::NoActivateNativeFilter(QWidget *pickWindow, std::function<bool()> isPassive)
    : m_window(pickWindow), m_isPassive(std::move(isPassive)) {}

NoActivateNativeFilter::~NoActivateNativeFilter() = default;

void NoActivateNativeFilter::setActivatingChild(QWidget *child, std::function<void()> onClicked) {
    m_child = child;
    m_onChildClicked = std::move(onClicked);
    if (child)
        child->winId();
}

bool NoActivateNativeFilter::nativeEventFilter(const QByteArray &, void *message, qintptr *result) {
    const MSG *msg = static_cast<const MSG *>(message);
    if (!msg || msg->message != Win32Windows::mouseActivateMessage || !m_window)
        return false;
    if (m_isPassive && !m_isPassive())
        return false;
    const auto target = reinterpret_cast<std::uintptr_t>(msg->hwnd);
    const std::uintptr_t child = m_child ? static_cast<std::uintptr_t>(m_child->winId()) : 0;
    switch (Win32Windows::mouseActivateAnswer(target, handleOf(m_window), child)) {
    case Win32Windows::MouseActivate::Activate:
        if (m_onChildClicked)
            m_onChildClicked();
        if (result)
            *result = Win32Windows::maActivate;
        return true;
    case Win32Windows::MouseActivate::NoActivate:
        if (result)
            *result = Win32Windows::maNoActivate;
        return true;
    case Win32Windows::MouseActivate::NotHandled:
        break;
    }
    return false;
}
