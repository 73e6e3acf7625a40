#include "app/SettledCleanup.h"

#include "platform/FontFilePages.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

// How long the window stays unpainted before its drawing counts as settled.
constexpr int settledMs = 100;

class SettleWatcher : public QObject {
public:
    explicit SettleWatcher(QWidget *window) : QObject(window), window(window) {
        settled.setSingleShot(true);
        settled.setInterval(settledMs);
        connect(&settled, &QTimer::timeout, this, [this] {
            this->window->removeEventFilter(this);
            releaseFontFilePages();
            deleteLater();
        });
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
    QTimer settled;
};

} // namespace

void cleanUpWhenSettled(QWidget *window) {
    window->installEventFilter(new SettleWatcher(window));
}
