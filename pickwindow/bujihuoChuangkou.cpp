#include "pickwindow/bujihuoChuangkou.h"

void bujihuoChuangkou::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (QWidget *focused = focusWidget())
        focused->clearFocus();
    setFocus(Qt::OtherFocusReason);
}
