#include "library/Settings.h"

#include "output/OutputSettings.h"

#include <initializer_list>

QJsonObject &configObject() {
    static QJsonObject object;
    return object;
}

int configInt(const QString &key, int readDefault) {
    return configObject().value(key).toInt(readDefault);
}

bool configBool(const QString &key, bool readDefault) {
    return configObject().value(key).toBool(readDefault);
}

QString configString(const QString &key) {
    return configObject().value(key).toString();
}

namespace settings {

namespace {

// A key of config.json and what a missing or mistyped value reads as.
template <typename T> struct Key {
    QString name;
    T readDefault;
};

bool read(const Key<bool> &key) {
    return configBool(key.name, key.readDefault);
}

int read(const Key<int> &key) {
    return configInt(key.name, key.readDefault);
}

template <typename T> void write(const Key<T> &key, T value) {
    configObject().insert(key.name, value);
}

const Key<bool> alwaysOnTopKey{QStringLiteral("zhiding"), false};
const Key<bool> pinnedKey{QStringLiteral("tudingflag"), false};
// Deliberately two defaults: read as true when missing or mistyped, while a new or
// repaired file holds false (addMissingSettings, defaultConfig), so that a new install
// lets Enter and the badge keys reach the application while the window is pinned.
const Key<bool> enterWhenPinnedKey{QStringLiteral("enter_key_input_phrase_when_pinned"), true};
const Key<bool> badgeWhenPinnedKey{QStringLiteral("badge_key_input_phrase_when_pinned"), true};
const Key<bool> arrowWrapKey{QStringLiteral("arrow_key_cycle_select_phrase_item"), true};
const Key<bool> badgeOnLeftKey{QStringLiteral("jiaobiao"), false};
// Not in a new file: a file without it searches the current group, as before it existed.
const Key<bool> searchAllGroupsKey{QStringLiteral("search_all_groups"), false};
const Key<bool> autostartKey{QStringLiteral("ziqidong"), false};
const Key<bool> restoreClipboardKey{QStringLiteral("restore_clipboard"), false};
// A missing or mistyped size would give zero-sized windows.
const Key<int> widthKey{QStringLiteral("width"), 500};
const Key<int> heightKey{QStringLiteral("height"), 500};
const Key<int> defaultItemHeightKey{QStringLiteral("default_item_height"), 0};
const Key<int> paddingHorizontalKey{QStringLiteral("phrase_item_padding_horizontal"), 0};
const Key<int> paddingVerticalKey{QStringLiteral("phrase_item_padding_vertical"), 0};
const Key<int> scrollStepKey{QStringLiteral("gundong"), 0};
const Key<int> delayKey{QStringLiteral("delay"), 0};
const QString globalHotkeyKey = QStringLiteral("hotkey");
const QString terminalPasteKeysKey = QStringLiteral("terminal_paste_keys");
const QString remoteDesktopTokenKey = QStringLiteral("remote_desktop_token");

// The prefix of a window's "_x" and "_y" keys.
const char *positionPrefix(SavedWindow window) {
    switch (window) {
    case SavedWindow::Pick:
        return "chuangkou";
    case SavedWindow::Settings:
        return "shezhichuangkou";
    case SavedWindow::Add:
        return "tianjiachuangkou";
    case SavedWindow::Edit:
        return "xiugaichuangkou";
    }
    return "chuangkou";
}

Key<int> positionKey(SavedWindow window, const char *axis) {
    return {QLatin1String(positionPrefix(window)) + QLatin1String(axis), 0};
}

} // namespace

QString globalHotkey() {
    return configString(globalHotkeyKey);
}
void setGlobalHotkey(const QString &portableText) {
    configObject().insert(globalHotkeyKey, portableText);
}

bool alwaysOnTop() {
    return read(alwaysOnTopKey);
}
void setAlwaysOnTop(bool on) {
    write(alwaysOnTopKey, on);
}

bool isPinned() {
    return read(pinnedKey);
}
void setPinned(bool on) {
    write(pinnedKey, on);
}

bool enterKeyInputsWhenPinned() {
    return read(enterWhenPinnedKey);
}
void setEnterKeyInputsWhenPinned(bool on) {
    write(enterWhenPinnedKey, on);
}

bool badgeKeyInputsWhenPinned() {
    return read(badgeWhenPinnedKey);
}
void setBadgeKeyInputsWhenPinned(bool on) {
    write(badgeWhenPinnedKey, on);
}

bool arrowKeysWrapAround() {
    return read(arrowWrapKey);
}
void setArrowKeysWrapAround(bool on) {
    write(arrowWrapKey, on);
}

bool searchesAllGroups() {
    return read(searchAllGroupsKey);
}
void setSearchesAllGroups(bool on) {
    write(searchAllGroupsKey, on);
}

bool badgeOnLeft() {
    return read(badgeOnLeftKey);
}
void setBadgeOnLeft(bool on) {
    write(badgeOnLeftKey, on);
}

int windowWidth() {
    return read(widthKey);
}
int windowHeight() {
    return read(heightKey);
}
void setWindowSize(int width, int height) {
    write(widthKey, width);
    write(heightKey, height);
}

int defaultItemHeight() {
    return read(defaultItemHeightKey);
}
void setDefaultItemHeight(int height) {
    write(defaultItemHeightKey, height);
}

int phraseItemPaddingHorizontal() {
    return read(paddingHorizontalKey);
}
void setPhraseItemPaddingHorizontal(int pixels) {
    write(paddingHorizontalKey, pixels);
}
int phraseItemPaddingVertical() {
    return read(paddingVerticalKey);
}
void setPhraseItemPaddingVertical(int pixels) {
    write(paddingVerticalKey, pixels);
}

int scrollStep() {
    return read(scrollStepKey);
}
void setScrollStep(int pixels) {
    write(scrollStepKey, pixels);
}

bool startsAtLogin() {
    return read(autostartKey);
}
void setStartsAtLogin(bool on) {
    write(autostartKey, on);
}

int inputDelay() {
    return read(delayKey);
}
void setInputDelay(int milliseconds) {
    write(delayKey, milliseconds);
}

bool restoresClipboard() {
    return read(restoreClipboardKey);
}

QJsonValue terminalPasteKeys() {
    return configObject().value(terminalPasteKeysKey);
}

QJsonValue pasteKeys() {
    return configObject().value(QStringLiteral("paste_keys"));
}

void setPasteKeys(const QString &portableText) {
    configObject().insert(QStringLiteral("paste_keys"), portableText);
}

QString remoteDesktopToken() {
    return configObject().value(remoteDesktopTokenKey).toString();
}
void setRemoteDesktopToken(const QString &token) {
    if (token.isEmpty())
        configObject().remove(remoteDesktopTokenKey);
    else
        configObject().insert(remoteDesktopTokenKey, token);
}

OutputSettings outputSettings() {
    return {inputDelay(), terminalPasteKeys(), restoresClipboard(), pasteKeys()};
}

QPoint savedPosition(SavedWindow window) {
    return QPoint(read(positionKey(window, "_x")), read(positionKey(window, "_y")));
}

bool setSavedPosition(SavedWindow window, QPoint position) {
    const Key<int> x = positionKey(window, "_x");
    const Key<int> y = positionKey(window, "_y");
    const QJsonObject &config = configObject();
    if (config.value(x.name) == QJsonValue(position.x()) && config.value(y.name) == QJsonValue(position.y()))
        return false;
    write(x, position.x());
    write(y, position.y());
    return true;
}

} // namespace settings

using namespace settings;

QJsonObject defaultConfig(QSize screenSize) {
    const int cx = (screenSize.width() - 500) / 2;
    const int cy = (screenSize.height() - 500) / 2;
    QJsonObject c;
    c.insert(globalHotkeyKey, QStringLiteral("Ctrl+Shift+V"));
    c.insert(alwaysOnTopKey.name, true);
    c.insert(delayKey.name, 200);
    c.insert(widthKey.name, 500);
    c.insert(heightKey.name, 500);
    c.insert(defaultItemHeightKey.name, 40);
    c.insert(paddingHorizontalKey.name, 16);
    c.insert(paddingVerticalKey.name, 12);
    c.insert(scrollStepKey.name, 10);
    c.insert(badgeOnLeftKey.name, false);
    c.insert(badgeWhenPinnedKey.name, false);
    c.insert(enterWhenPinnedKey.name, false);
    c.insert(arrowWrapKey.name, true);
    c.insert(autostartKey.name, true);
    c.insert(pinnedKey.name, true);
    c.insert(positionKey(SavedWindow::Pick, "_x").name, cx);
    c.insert(positionKey(SavedWindow::Pick, "_y").name, cy);
    // The other windows open just right of a 500-pixel pick window.
    for (const SavedWindow window : {SavedWindow::Settings, SavedWindow::Add, SavedWindow::Edit}) {
        c.insert(positionKey(window, "_x").name, cx + 501);
        c.insert(positionKey(window, "_y").name, cy);
    }
    return c;
}

void addMissingSettings(QJsonObject &config) {
    // With the values a new file has.
    const QJsonObject newFile = defaultConfig(QSize(500, 500));
    for (const QString &name :
         {delayKey.name, defaultItemHeightKey.name, paddingHorizontalKey.name, paddingVerticalKey.name,
          scrollStepKey.name, badgeWhenPinnedKey.name, enterWhenPinnedKey.name, arrowWrapKey.name}) {
        if (!config.contains(name))
            config.insert(name, newFile.value(name));
    }
}

QString addMissingGlobalHotkey(QJsonObject &config) {
    if (config.contains(globalHotkeyKey))
        return QString();
    const QString hotkey = defaultConfig(QSize(500, 500)).value(globalHotkeyKey).toString();
    config.insert(globalHotkeyKey, hotkey);
    return hotkey;
}

QStringList unusableWindowPositions(const QJsonObject &config) {
    QStringList keys;
    for (SavedWindow window :
         {SavedWindow::Pick, SavedWindow::Settings, SavedWindow::Add, SavedWindow::Edit}) {
        for (const char *axis : {"_x", "_y"}) {
            const QString name = positionKey(window, axis).name;
            const QJsonValue value = config.value(name);
            // toInt gives its default for anything that is no whole int.
            if (!value.isUndefined() && value.toInt(0) == 0 && value.toInt(1) == 1)
                keys.append(name);
        }
    }
    return keys;
}
