#pragma once

#include <QTabBar>

// The group tab bar of the pick window: the wheel switches groups, without wrapping.
class MyTabBar : public QTabBar {
    Q_OBJECT
public:
    using QTabBar::QTabBar;

protected:
    void wheelEvent(QWheelEvent *event) override;
};
