#include "pickwindow/AfterNextPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace {

class PaintWatcher : public QObject {
public:
    PaintWatcher(QWidget *window, std::function<void()> task, int latestMs)
        : QObject(window), task(std::move(task)) {
        window->installEventFilter(this);
        QTimer::singleShot(latestMs, this, &PaintWatcher::run);
    }

    bool eventFilter(QObject *, QEvent *event) override {
        // The window's own paint starts the pass that paints its children and then puts the
        // whole on the screen: queued, the task runs once that pass is over.
        if (event->type() == QEvent::Paint)
            QMetaObject::invokeMethod(this, &PaintWatcher::run, Qt::QueuedConnection);
        return false;
    }

private:
    void run() {
        if (!task)
            return;
        const std::function<void()> runNow = std::exchange(task, nullptr);
        deleteLater();
        runNow();
    }

    std::function<void()> task;
};

} // namespace

void runAfterNextPaint(QWidget *window, std::function<void()> task, int latestMs) {
    new PaintWatcher(window, std::move(task), latestMs);
}
