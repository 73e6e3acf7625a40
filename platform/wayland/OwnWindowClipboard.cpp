#include "platform/wayland/OwnWindowClipboard.h"

#include "platform/KeyEvents.h"
#include "platform/wayland/DesktopKeyboardPortal.h"
#include "platform/wayland/dbus/PortalKeyOutput.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <deque>
#include <memory>

namespace {

constexpr int focusWaitMs = 1000;
constexpr int focusBackWaitMs = 500;
constexpr int keyWaitMs = 300;
constexpr int releaseWaitMs = 3000;
constexpr quint16 leftShift = 0xA0;

// One step: a clipboard change through the window, a wait through it until the user has let
// go of the modifiers, or a task waiting for the steps before it.
struct Step {
    std::unique_ptr<QMimeData> mime; // a change, when set
    std::function<void(bool)> then;  // else a task
    bool awaitRelease = false;       // else, when set, the wait
};

class ClipboardWindow : public QObject {
public:
    ClipboardWindow() : QObject(qApp) {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] { onTimeout(); });
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this] { onFocusChanged(); });
    }
    ~ClipboardWindow() override { delete m_window; }

    bool busy() const { return m_state != State::Idle || !m_steps.empty(); }

    void add(Step step) {
        m_steps.push_back(std::move(step));
        if (m_state == State::Idle)
            next();
    }

private:
    enum class State { Idle, WaitingForFocus, WaitingForKey, WaitingForRelease, WaitingForFocusBack };

    QWidget *window() {
        if (!m_window) {
            m_window = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint);
            m_window->setWindowTitle(QStringLiteral("Verbolin"));
            m_window->resize(1, 1);
            m_window->installEventFilter(this);
        }
        return m_window;
    }

    void next() {
        while (m_state == State::Idle && !m_steps.empty()) {
            Step step = std::move(m_steps.front());
            m_steps.pop_front();
            if (!step.mime && !step.awaitRelease) {
                if (step.then)
                    step.then(m_lastSet);
                continue;
            }
            m_mime = std::move(step.mime);
            m_awaitingRelease = step.awaitRelease;
            m_state = State::WaitingForFocus;
            QWidget *w = window();
            w->show();
            w->raise();
            w->activateWindow();
            m_timer.start(focusWaitMs);
            onFocusChanged();
        }
    }

    void onFocusChanged() {
        if (m_state == State::WaitingForFocus && m_window && m_window->windowHandle() &&
            m_window->windowHandle()->isActive()) {
            if (m_awaitingRelease) {
                // The keys that follow set no clipboard: nothing may come before they go.
                m_lastSet = true;
                awaitRelease();
                return;
            }
            // The compositor takes a new clipboard only with the serial of an input event newer
            // than the current clipboard's, and Qt gives the one of its last key or click. So
            // our window gets a key of its own first: a Shift tap through the desktop's
            // keyboard. Without one, the clipboard is set anyway, which works while the
            // program had the last input (a key in the pick window).
            PortalKeyOutput *keyboard = desktopPortalKeyboard();
            if (keyboard && keyboard->state() == PortalKeyOutput::State::Ready) {
                m_state = State::WaitingForKey;
                m_timer.start(keyWaitMs);
                keyboard->send({keyEvent(leftShift, false), keyEvent(leftShift, true)});
            } else {
                setClipboard();
            }
        } else if (m_state == State::WaitingForFocusBack && !QGuiApplication::focusWindow()) {
            finish();
        }
    }

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched != m_window || event->type() != QEvent::KeyRelease)
            return false;
        // Qt's modifier state follows the event: looked at once it is taken in.
        QTimer::singleShot(0, this, [this] {
            if (m_state == State::WaitingForKey)
                setClipboard();
            else if (m_state == State::WaitingForRelease && !modifiersHeld())
                leave();
        });
        return false;
    }

    static bool modifiersHeld() {
        return QGuiApplication::queryKeyboardModifiers() &
               (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    }

    void setClipboard() {
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setMimeData(m_mime.release(), QClipboard::Clipboard);
        m_lastSet = clipboard->ownsClipboard();
        awaitRelease();
    }

    // A desktop runs a shortcut's command while its keys are still down, and they would
    // combine with the keys sent next (Ctrl+Alt+V for Ctrl+V): this window, which has the
    // focus and so sees them, keeps it until they are let go.
    void awaitRelease() {
        if (modifiersHeld()) {
            m_state = State::WaitingForRelease;
            m_timer.start(releaseWaitMs);
            return;
        }
        leave();
    }

    void onTimeout() {
        if (m_state == State::WaitingForKey) {
            setClipboard();
        } else if (m_state == State::WaitingForRelease) {
            std::fprintf(stderr, "verbolin: modifier keys still held after %d ms; the keys go anyway\n",
                         releaseWaitMs);
            leave();
        } else if (m_state == State::WaitingForFocus && m_awaitingRelease) {
            std::fprintf(stderr, "verbolin: the desktop gave no focus to the window that waits for the "
                                 "hotkey's keys to be let go; the keys go anyway\n");
            m_lastSet = true;
            leave();
        } else if (m_state == State::WaitingForFocus) {
            std::fprintf(stderr, "verbolin: the clipboard could not be set: the desktop gave no focus to "
                                 "the window that sets it\n");
            m_mime.reset();
            m_lastSet = false;
            leave();
        } else if (m_state == State::WaitingForFocusBack) {
            finish();
        }
    }

    void leave() {
        // A clipboard change asked for meanwhile is made while the window has the focus: it
        // would only be shown again at once.
        if (!m_steps.empty() && m_steps.front().mime && m_window->windowHandle() &&
            m_window->windowHandle()->isActive()) {
            m_timer.stop();
            m_state = State::Idle;
            next();
            return;
        }
        m_state = State::WaitingForFocusBack;
        m_window->hide();
        m_timer.start(focusBackWaitMs);
        if (!QGuiApplication::focusWindow())
            finish();
    }

    void finish() {
        m_timer.stop();
        m_state = State::Idle;
        // Handed on from the event loop: a task may ask for the next change itself.
        QTimer::singleShot(0, this, [this] { next(); });
    }

    State m_state = State::Idle;
    std::deque<Step> m_steps;
    std::unique_ptr<QMimeData> m_mime;
    bool m_awaitingRelease = false;
    bool m_lastSet = true;
    QTimer m_timer;
    QPointer<QWidget> m_window;
};

ClipboardWindow &clipboardWindow() {
    static auto *made = new ClipboardWindow;
    return *made;
}

} // namespace

bool setClipboardThroughOwnWindow(QMimeData *mime) {
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        delete mime;
        return false;
    }
    const QWindow *focused = QGuiApplication::focusWindow();
    if (focused && focused->isVisible() && focused->isActive() && !clipboardWindow().busy()) {
        clipboard->setMimeData(mime, QClipboard::Clipboard);
        return clipboard->ownsClipboard();
    }
    clipboardWindow().add({std::unique_ptr<QMimeData>(mime), {}});
    return true;
}

void afterOwnWindowClipboard(std::function<void(bool clipboardSet)> then) {
    clipboardWindow().add({nullptr, std::move(then)});
}

void awaitModifierReleaseThroughOwnWindow() {
    const QWindow *focused = QGuiApplication::focusWindow();
    // A window of ours with the focus was where the user's last keys went: none are held for
    // a hotkey.
    if (focused && focused->isVisible() && focused->isActive() && !clipboardWindow().busy())
        return;
    clipboardWindow().add({nullptr, {}, true});
}

bool ownWindowClipboardBusy() {
    return clipboardWindow().busy();
}
