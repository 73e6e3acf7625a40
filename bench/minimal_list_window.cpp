// The second yardstick for start-up: a bare Qt Widgets program that shows the phrases of
// Verbolin's first run in a plain list. What it costs above the minimal window is what
// drawing that text costs, before any of Verbolin's own work.
#include "bench/StarterPhraseList.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("MinimalList"));
    window.resize(500, 500);
    fillWithStarterPhraseList(&window);
    window.show();
    return app.exec();
}
