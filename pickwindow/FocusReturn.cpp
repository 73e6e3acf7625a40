#include "pickwindow/FocusReturn.h"

#include <QGuiApplication>
#include <QObject>
#include <QTimer>
#include <QWindow>

namespace {

// One wait; deletes itself once then has run.
class FocusReturnWait : public QObject {
public:
    FocusReturnWait(std::function<void()> then, int settleMs, int maxWaitMs)
        : QObject(qApp), m_then(std::move(then)), m_settleMs(settleMs) {
        m_settle.setSingleShot(true);
        connect(&m_settle, &QTimer::timeout, this, &FocusReturnWait::finish);
        m_limit.setSingleShot(true);
        connect(&m_limit, &QTimer::timeout, this, &FocusReturnWait::finish);
        m_limit.start(maxWaitMs);
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &FocusReturnWait::check);
        // A focus window that goes away with its window is not always announced: looked at
        // as well.
        m_poll.setInterval(20);
        connect(&m_poll, &QTimer::timeout, this, &FocusReturnWait::check);
        m_poll.start();
        check();
    }

private:
    void check() {
        // Each change of the focus starts the settle anew; while a window of ours has it,
        // nothing is settled.
        if (QGuiApplication::focusWindow())
            m_settle.stop();
        else if (!m_settle.isActive())
            m_settle.start(m_settleMs);
    }
    void finish() {
        if (m_done)
            return;
        m_done = true;
        m_settle.stop();
        m_limit.stop();
        m_poll.stop();
        disconnect(qGuiApp, nullptr, this, nullptr);
        m_then();
        deleteLater();
    }

    std::function<void()> m_then;
    const int m_settleMs;
    QTimer m_settle;
    QTimer m_limit;
    QTimer m_poll;
    bool m_done = false;
};

} // namespace

void whenFocusReturned(std::function<void()> then, int settleMs, int maxWaitMs) {
    new FocusReturnWait(std::move(then), settleMs, maxWaitMs);
}
