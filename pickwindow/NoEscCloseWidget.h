#pragma once

#include <QWidget>

// A top-level window that Escape does not close (the help window).
class NoEscCloseWidget : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
