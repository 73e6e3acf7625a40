#pragma once

#include <QTabBar>

// The group tab bar of the pick window: the wheel switches groups, without wrapping.
// While the groups are loaded (see addingGroupsProperty) its tabs' sizes are answered
// without asking the style, and laid out for real once all are there.
class MyTabBar : public QTabBar {
    Q_OBJECT
public:
    using QTabBar::QTabBar;

protected:
    void wheelEvent(QWheelEvent *event) override;
    bool event(QEvent *event) override;
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;

private:
    bool m_addingGroups = false;
};
