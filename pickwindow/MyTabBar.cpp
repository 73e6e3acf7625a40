#include "pickwindow/MyTabBar.h"

#include <QWheelEvent>

void MyTabBar::wheelEvent(QWheelEvent *event) {
    const int delta = event->angleDelta().y();
    if (delta != 0 && count() > 0) {
        const int current = currentIndex();
        setCurrentIndex(delta > 0 ? qMax(current - 1, 0) : qMin(current + 1, count() - 1));
    }
    // Accepted either way, so the wheel never scrolls anything else.
    event->accept();
}
