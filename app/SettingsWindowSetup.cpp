#include "app/SettingsWindowSetup.h"

#include "app/Icons.h"
#include "app/SettingsRows.h"
#include "app/WindowPlacement.h"
#include "library/AppContext.h"
#include "library/CheckedWrite.h"
#include "library/HotkeyEditFilters.h"
#include "library/Settings.h"
#include "library/UserNotices.h"
#include "pickwindow/bujihuoChuangkou.h"
#include "platform/Autostart.h"
#include "platform/GlobalHotkey.h"

#include <QApplication>

#include <QFormLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// The autostart entry file is written like the data files, and a failure is told like theirs.
AutostartFileAccess autostartFileAccess() {
    return {[](const QString &path, const QByteArray &bytes, QString *error) {
                return writeFileChecked(path, bytes, false, error);
            },
            &isSpecialFile,
            [](const QString &path, const QString &error) {
                if (error.isEmpty()) {
                    forgetCauses(QStringLiteral("autostart:"));
                    return;
                }
                tellUser(QStringLiteral("autostart:") + error,
                         QStringLiteral("无法写入开机自启动项 %1：%2。").arg(path, error),
                         QStringLiteral("could not write the autostart entry %1 (%2)").arg(path, error));
            }};
}

} // namespace

void applyStartupSettings(AppContext &c) {
    setAutostartFileAccess(autostartFileAccess());
    // Stored as portable text, read back in the native form.
    c.globalHotkey =
        new GlobalHotkey(QKeySequence(settings::globalHotkey(), QKeySequence::NativeText), true, qApp);
    QObject::connect(c.globalHotkey, &GlobalHotkey::activated, qApp, &toggleFromGlobalHotkey);
    // The entry follows the executable when the program was moved since the last start.
    if (settings::startsAtLogin())
        syncAutostartEntry();
}

QWidget *settingsWindow(AppContext &c) {
    if (c.settingsWindow)
        return c.settingsWindow;
    auto *window = new bujihuoChuangkou;
    window->setWindowTitle(QStringLiteral("Verbolin-设置"));
    window->setWindowIcon(programWindowIcon());
    auto *outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scrollArea = new QScrollArea(window);
    scrollArea->setWidgetResizable(true);
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scrollArea);
    auto *content = new QWidget;
    auto *form = new QFormLayout(content);
    form->setObjectName(QStringLiteral("settingsForm"));
    scrollArea->setWidget(content);
    c.settingsWindow = window;

    c.globalHotkeyEdit = addGlobalHotkeyRow(form);
    installHotkeyEditFilter(c.globalHotkeyEdit);
    addAlwaysOnTopRow(form);
    addRemainingSettingsRows(c, form);
    showWindowSizeInSettings(c);
    connectWindowSizeSpinBoxes(c);
    return window;
}

void showSettingsWindow() {
    showAtSavedPosition(settingsWindow(appContext()));
}
