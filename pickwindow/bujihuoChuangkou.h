#pragma once

#include <QWidget>

// "bujihuo chuangkou" is Chinese for "a window that does not activate"; here it is the
// settings window's class. It opens with no control focused, so the hotkey editor never
// starts capturing keys just because the window was shown.
class bujihuoChuangkou : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void showEvent(QShowEvent *event) override;
};
