#pragma once

#include <QWidget>

// The settings window's class: it opens with no control focused, so the hotkey editor
// never starts capturing keys just because the window was shown.
class bujihuoChuangkou : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void showEvent(QShowEvent *event) override;
};
