#pragma once

struct AppContext;

// The settings window: a scroll area holding a form of settings rows.
void createSettingsWindow(AppContext &context);
