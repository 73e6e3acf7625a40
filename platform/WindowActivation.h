#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <QtGlobal>

#include <functional>

class QWidget;

// Native window handle as an integer: an HWND on Windows, an X window id on X11; 0 is
// no window. On other Qt platforms (offscreen, Wayland) every function here is a
// harmless no-op: handles are 0, nothing is shown differently, nothing is activated.
using NativeWindow = quintptr;

// Passive (noActivate true): the window does not take the focus when clicked (Windows:
// WS_EX_NOACTIVATE, the frame refreshed; X11: Qt::WindowDoesNotAcceptFocus, the input
// hint false). False makes it activatable again, for typing into it.
void setPickWindowNoActivate(QWidget *window, bool noActivate);
// The passive style alone, without refreshing the frame (creates the native window).
void addNoActivateStyle(QWidget *window);
// Shows the window passive and without activation, on top of the normal windows
// (topmost: on top of all, on Windows; X11 keeps "above" to the Qt window flag).
void showWindowNoActivate(QWidget *window, bool topmost);

// The window that has the keyboard focus now (Windows: the foreground window; X11: the
// window manager's active window, else the input focus window).
NativeWindow foregroundWindow();
bool isWindowAlive(NativeWindow window);
// Gives the focus back to window (X11: asked of the window manager as a pager does).
// False when the window is gone or the request could not be made.
bool setForegroundWindow(NativeWindow window);

// Whether the window itself is what the desktop shows at its centre, i.e. not covered
// there. A window whose geometry cannot be read counts as on top.
bool isOnTopAtCentre(QWidget *window);

// Keeps clicks on the pick window from activating it while it is passive (Windows:
// WM_MOUSEACTIVATE answered MA_NOACTIVATE). A click on the activating child (the
// search box) runs onClicked first and then activates normally (MA_ACTIVATE), so that
// the user can type there. Other windows are left alone. Install it once with
// QCoreApplication::installNativeEventFilter. On X11 the input hint already keeps
// clicks from focusing the window; the child's clicks are seen by a Qt event filter.
class NoActivateNativeFilter : public QAbstractNativeEventFilter {
public:
    // isPassive is asked at each click; while it is false the filter does nothing.
    NoActivateNativeFilter(QWidget *pickWindow, std::function<bool()> isPassive);
    ~NoActivateNativeFilter() override;
    NoActivateNativeFilter(const NoActivateNativeFilter &) = delete;
    NoActivateNativeFilter &operator=(const NoActivateNativeFilter &) = delete;

    // On Windows the child gets a native window of its own here, so that the first
    // click on it is told apart from the rest of the pick window.
    void setActivatingChild(QWidget *child, std::function<void()> onClicked);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    QPointer<QWidget> m_window;
    std::function<bool()> m_isPassive;
    QPointer<QWidget> m_child;
    std::function<void()> m_onChildClicked;
    QPointer<QObject> m_childWatcher; // X11: sees the clicks on the child
};
