// The application the user types into during the activation tests: a window with a
// focused line edit that reports on standard output what it receives.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextStream>
#include <QVBoxLayout>
#include <QWidget>

namespace {

QTextStream out(stdout);

class Reporter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto *key = static_cast<QKeyEvent *>(event);
            // Keys the line edit ignores go on to the window: count them once.
            if (!key->isAutoRepeat() && !watched->isWindowType() &&
                !(watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow())) {
                out << (event->type() == QEvent::KeyPress ? "press " : "release ") << key->key() << '\n';
                out.flush();
            }
            break;
        }
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
            if (watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow()) {
                out << "active " << (event->type() == QEvent::WindowActivate ? 1 : 0) << '\n';
                out.flush();
            }
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("activation-target"));
    auto *edit = new QLineEdit(&window);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(edit);
    Reporter reporter;
    window.installEventFilter(&reporter);
    edit->installEventFilter(&reporter);
    QObject::connect(edit, &QLineEdit::textChanged, &window, [](const QString &text) {
        out << "text " << text << '\n';
        out.flush();
    });
    window.move(700, 100);
    window.resize(400, 200);
    window.show();
    edit->setFocus();
    out << "ready " << window.winId() << '\n';
    out.flush();
    return app.exec();
}
