#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// One screen as the placement rule sees it: all of it, and the part windows may use
// (without task bars and docks).
struct ScreenArea {
    QRect geometry;
    QRect available;
};

// Whether a window of this size (frame included) at this position can still be taken
// by its title bar: on one screen's available area lies a band along its top edge that is
// 50 pixels high and at least 100 pixels wide (less only for a smaller window).
bool isWithinReach(QPoint position, QSize size, const QList<ScreenArea> &screens);

// Where a window opens: at its saved position while that is within reach; otherwise at the
// place a new install gives it, on the screen under the mouse (beside the pick window for
// the others, besideOffset 501), pushed into that screen's available area when even that
// place would be out of reach.
QPoint reachablePosition(QPoint saved, QSize size, const QList<ScreenArea> &screens,
                         const ScreenArea &mouseScreen, int besideOffset);
