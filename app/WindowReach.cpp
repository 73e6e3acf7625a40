#include "app/WindowReach.h"

#include <QtGlobal>

namespace {

// The size of a new install's pick window, which its default position centres.
constexpr int newInstallLength = 500;
constexpr int titleBandHeight = 50;
constexpr int titleBandWidth = 100;

bool bandLiesOn(QPoint position, QSize size, const QRect &area) {
    const int bandHeight = qMin(titleBandHeight, size.height());
    const int bandWidth = qMin(titleBandWidth, size.width());
    if (position.y() < area.top() || position.y() + bandHeight - 1 > area.bottom())
        return false;
    const int left = qMax(position.x(), area.left());
    const int right = qMin(position.x() + size.width() - 1, area.right());
    return right - left + 1 >= bandWidth;
}

// Keeps the window inside the area; one larger than the area keeps its top-left corner in.
int pushedInto(int start, int length, int areaStart, int areaLength) {
    return qMax(areaStart, qMin(start, areaStart + areaLength - length));
}

} // namespace

bool isWithinReach(QPoint position, QSize size, const QList<ScreenArea> &screens) {
    for (const ScreenArea &screen : screens)
        if (bandLiesOn(position, size, screen.available))
            return true;
    return false;
}

QPoint reachablePosition(QPoint saved, QSize size, const QList<ScreenArea> &screens,
                         const ScreenArea &mouseScreen, int besideOffset) {
    if (isWithinReach(saved, size, screens))
        return saved;
    const QRect &whole = mouseScreen.geometry;
    const QPoint newInstall(whole.x() + (whole.width() - newInstallLength) / 2 + besideOffset,
                            whole.y() + (whole.height() - newInstallLength) / 2);
    if (isWithinReach(newInstall, size, {mouseScreen}))
        return newInstall;
    const QRect &area = mouseScreen.available;
    return QPoint(pushedInto(newInstall.x(), size.width(), area.x(), area.width()),
                  pushedInto(newInstall.y(), size.height(), area.y(), area.height()));
}
