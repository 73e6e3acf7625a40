#pragma once

#include <QTabBar>

// The group tab bar of the pick window.
class MyTabBar : public QTabBar {
    Q_OBJECT
public:
    using QTabBar::QTabBar;
};
