#include "pickwindow/MyTabBar.h"

#include "library/GroupStore.h"

#include <QDynamicPropertyChangeEvent>
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

bool MyTabBar::event(QEvent *event) {
    if (event->type() == QEvent::DynamicPropertyChange &&
        static_cast<QDynamicPropertyChangeEvent *>(event)->propertyName() == addingGroupsProperty) {
        const bool adding = property(addingGroupsProperty).toBool();
        if (m_addingGroups && !adding && count() > 0) {
            m_addingGroups = false;
            // The same text again: Qt lays the tabs out anew, now with their real sizes.
            setTabText(0, tabText(0));
        }
        m_addingGroups = adding;
    }
    return QTabBar::event(event);
}

QSize MyTabBar::tabSizeHint(int index) const {
    return m_addingGroups ? QSize(1, 1) : QTabBar::tabSizeHint(index);
}

QSize MyTabBar::minimumTabSizeHint(int index) const {
    return m_addingGroups ? QSize(1, 1) : QTabBar::minimumTabSizeHint(index);
}
