#include "app/FirstPaintCleanup.h"

#include "platform/FontFilePages.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

// How long the window stays unpainted before the start-up's drawing counts as done.
constexpr int settledMs = 100;

class FirstPaintWatcher : public QObject {
public:
    explicit FirstPaintWatcher(QWidget *window) : QObject(window), window(window) {
        settled.setSingleShot(true);
        settled.setInterval(settledMs);
        connect(&settled, &QTimer::timeout, this, [this] {
            this->window->removeEventFilter(this);
            releaseFontFilePages();
            deleteLater();
        });
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

void cleanUpAfterFirstPaint(QWidget *window) {
    window->installEventFilter(new FirstPaintWatcher(window));
}
