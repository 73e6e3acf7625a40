// The yardstick for the pick window's hotkey latency: a Qt Widgets program whose only
// job is to show (without activation) and hide one window on a global hotkey. With --list
// the window holds the phrases of Verbolin's first run in a plain list.
#include "bench/StarterPhraseList.h"
#include "platform/GlobalHotkey.h"

#include <QApplication>
#include <QWidget>

#include <cstring>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QWidget window;
    window.setWindowTitle(QStringLiteral("MinimalHotkey"));
    window.resize(500, 500);
    if (argc > 1 && std::strcmp(argv[1], "--list") == 0)
        fillWithStarterPhraseList(&window);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    GlobalHotkey hotkey(QKeySequence(QStringLiteral("Ctrl+Shift+V")), true);
    if (!hotkey.isRegistered())
        return 1;
    QObject::connect(&hotkey, &GlobalHotkey::activated, &window,
                     [&window] { window.setVisible(!window.isVisible()); });
    return app.exec();
}
