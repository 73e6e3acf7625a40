#include "app/DesktopKeyboardSetup.h"

#include "library/ConfigStore.h"
#include "library/Settings.h"
#include "library/UserNotices.h"

DesktopKeyboardHooks desktopKeyboardHooks(const QString &configPath) {
    DesktopKeyboardHooks hooks;
    hooks.restoreToken = settings::remoteDesktopToken();
    hooks.keepToken = [configPath](const QString &token) {
        // Each token serves one start: the used one is worth nothing any more.
        if (token == settings::remoteDesktopToken())
            return;
        settings::setRemoteDesktopToken(token);
        saveConfig(configPath);
    };
    hooks.unusable = [](const QString &reason) {
        tellUser(QStringLiteral("session:keys"),
                 QStringLiteral("桌面没有借出模拟按键用的键盘（%1）：短语无法输入到其他程序。"
                                "重新启动 Verbolin 后可以在桌面的询问中允许。")
                     .arg(reason),
                 QStringLiteral("the desktop lends no keyboard (%1); phrases cannot be input").arg(reason));
    };
    return hooks;
}
