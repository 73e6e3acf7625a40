// The yardstick for start-up time: a Qt Widgets program that shows one window.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.resize(500, 500);
    window.show();
    return app.exec();
}
