#pragma once

#include <QString>

struct AppContext;
class QFormLayout;
class QKeySequenceEdit;

// The page the version button opens.
extern const QString helpPageAddress;

// The settings rows. Each control starts from its setting (library/Settings.h) and, once built,
// stores it in config.json the moment the user changes it.

// "全局快捷键：": the editor showing the stored hotkey.
QKeySequenceEdit *addGlobalHotkeyRow(QFormLayout *form);

// "主窗口始终置顶：".
void addAlwaysOnTopRow(QFormLayout *form);

// The rows from "窗口大小：" to "版本：".
void addRemainingSettingsRows(AppContext &context, QFormLayout *form);

// Sizes the windows from the stored window size (500 for a missing or mistyped length) and shows
// that size in the window-size spin boxes, storing nothing.
void applyConfiguredWindowSize(AppContext &context);

// Sizes a built settings window like the others and shows their size in its spin boxes.
void showWindowSizeInSettings(AppContext &context);

// The window-size spin boxes resize every window; connected after the first sizing.
void connectWindowSizeSpinBoxes(AppContext &context);

// Turns autostart on or off and stores the choice.
void setAutostart(bool on);
