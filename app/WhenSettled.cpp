#include "app/WhenSettled.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace {

// How long the window stays unpainted before its drawing counts as settled.
constexpr int settledMs = 100;

class SettleWatcher : public QObject {
public:
    SettleWatcher(QWidget *window, std::function<void()> task)
        : QObject(window), window(window), task(std::move(task)) {
        settled.setSingleShot(true);
        settled.setInterval(settledMs);
        connect(&settled, &QTimer::timeout, this, [this] {
            this->window->removeEventFilter(this);
            deleteLater();
            this->task();
        });
        window->installEventFilter(this);
        // Counted from when events are handled: a window started hidden settles then too.
        QMetaObject::invokeMethod(&settled, qOverload<>(&QTimer::start), Qt::QueuedConnection);
    }

    bool eventFilter(QObject *, QEvent *event) override {
        // Every repaint of the window or of a widget in it starts with this request to the window.
        if (event->type() == QEvent::UpdateRequest || event->type() == QEvent::Paint)
            settled.start();
        return false;
    }

private:
    QWidget *window;
    std::function<void()> task;
    QTimer settled;
};

} // namespace

void runWhenSettled(QWidget *window, std::function<void()> task) {
    new SettleWatcher(window, std::move(task));
}
