#pragma once

struct AppContext;
class QWidget;

// What start-up needs of the settings: the global hotkey and an autostart entry that follows
// the executable.
void applyStartupSettings(AppContext &context);

// The settings window: a scroll area holding a form of settings rows. Built when first
// asked for, since most starts never open it.
QWidget *settingsWindow(AppContext &context);

// Builds the settings window when needed and shows it at its saved position.
void showSettingsWindow();
