#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>

// Gives the next popup menu, modal dialog or message box to the callback once it is open.
inline void answerNextModal(std::function<void(QWidget *)> answer) {
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        QWidget *modal = QApplication::activePopupWidget();
        if (modal || (modal = QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start(10);
}

// What a message box showed; all empty when none opened.
struct ShownBox {
    QString title, text;
    QWidget *parent = nullptr;
};

// Runs the change and answers the message box it opens, if any (no such button: the first).
inline ShownBox answerBox(const std::function<void()> &change,
                          QMessageBox::StandardButton press = QMessageBox::Ok) {
    ShownBox shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            poll.stop();
            shown = {box->windowTitle(), box->text(), box->parentWidget()};
            QAbstractButton *button = box->button(press);
            (button ? button : box->buttons().constFirst())->click();
        }
    });
    poll.start(10);
    change();
    return shown;
}
