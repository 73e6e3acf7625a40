#include "pickwindow/NoEscCloseWidget.h"

#include <QKeyEvent>

void NoEscCloseWidget::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
