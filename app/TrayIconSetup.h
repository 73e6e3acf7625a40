#pragma once

struct AppContext;

// The tray icon with its menu "设置" / "退出".
void createTrayIcon(AppContext &context);
