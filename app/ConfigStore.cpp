#include "app/ConfigStore.h"

#include "app/JsonFile.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QScreen>

#include <initializer_list>
#include <utility>

namespace {

// Keys added to an existing file that lacks them, in this order.
const std::initializer_list<std::pair<const char *, QJsonValue>> repairedKeys = {
    {"delay", 200},
    {"default_item_height", 40},
    {"phrase_item_padding_horizontal", 16},
    {"phrase_item_padding_vertical", 12},
    {"gundong", 10},
    {"badge_key_input_phrase_when_pinned", false},
    {"enter_key_input_phrase_when_pinned", false},
    {"arrow_key_cycle_select_phrase_item", true},
};

QSize primaryScreenSize() {
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QSize(500, 500);
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(500, 500);
}

} // namespace

QJsonObject &configObject() {
    static QJsonObject object;
    return object;
}

namespace {

// The object as it was last read from or written to the file: what differs from it in
// configObject is the program's own change.
QJsonObject &lastSyncedConfig() {
    static QJsonObject object;
    return object;
}

std::function<void()> &outsideChangeHandler() {
    static std::function<void()> handler;
    return handler;
}

// Someone else changed the file since it was last read or written: their object, with
// the program's own changes since then on top, becomes configObject.
void mergeOutsideChange(const QString &path) {
    if (holdsLastKnownContent(path) || !QFileInfo(path).isFile())
        return;
    const JsonFileRead read = readJsonFile(path);
    if (!read.document.isObject()) {
        keepUnreadableFile(path); // a broken edit is kept; the settings in use stay
        return;
    }
    const QJsonObject outside = read.document.object();
    QJsonObject merged = outside;
    for (auto it = configObject().begin(); it != configObject().end(); ++it) {
        if (it.value() != lastSyncedConfig().value(it.key()))
            merged.insert(it.key(), it.value());
    }
    lastSyncedConfig() = outside;
    configObject() = merged;
    if (outsideChangeHandler())
        outsideChangeHandler()();
}

} // namespace

void setConfigChangedOutsideHandler(std::function<void()> handler) {
    outsideChangeHandler() = std::move(handler);
}

QJsonObject defaultConfig(QSize screenSize) {
    const int cx = (screenSize.width() - 500) / 2;
    const int cy = (screenSize.height() - 500) / 2;
    QJsonObject c;
    c.insert(QStringLiteral("hotkey"), QStringLiteral("Ctrl+Shift+V"));
    c.insert(QStringLiteral("zhiding"), true);
    c.insert(QStringLiteral("delay"), 200);
    c.insert(QStringLiteral("width"), 500);
    c.insert(QStringLiteral("height"), 500);
    c.insert(QStringLiteral("default_item_height"), 40);
    c.insert(QStringLiteral("phrase_item_padding_horizontal"), 16);
    c.insert(QStringLiteral("phrase_item_padding_vertical"), 12);
    c.insert(QStringLiteral("gundong"), 10);
    c.insert(QStringLiteral("jiaobiao"), false);
    c.insert(QStringLiteral("badge_key_input_phrase_when_pinned"), false);
    c.insert(QStringLiteral("enter_key_input_phrase_when_pinned"), false);
    c.insert(QStringLiteral("arrow_key_cycle_select_phrase_item"), true);
    c.insert(QStringLiteral("ziqidong"), true);
    c.insert(QStringLiteral("tudingflag"), true);
    c.insert(QStringLiteral("chuangkou_x"), cx);
    c.insert(QStringLiteral("chuangkou_y"), cy);
    // The other windows open just right of a 500-pixel pick window.
    for (const char *window : {"shezhichuangkou", "tianjiachuangkou", "xiugaichuangkou"}) {
        c.insert(QLatin1String(window) + QStringLiteral("_x"), cx + 501);
        c.insert(QLatin1String(window) + QStringLiteral("_y"), cy);
    }
    return c;
}

void loadConfig(const QString &path) {
    const JsonFileRead read = readJsonFile(path);
    // A file that exists but cannot be opened or parsed is kept aside first; then the
    // program starts from the complete default set rather than from an empty object
    // (an empty one would give zero-sized windows and no hotkey).
    if (read.opened ? !read.document.isObject() : QFile::exists(path))
        keepUnreadableFile(path);
    if (!read.opened || !read.document.isObject()) {
        configObject() = defaultConfig(primaryScreenSize());
        saveConfig(path);
        return;
    }
    QJsonObject object = read.document.object();
    lastSyncedConfig() = object;
    for (const auto &[key, value] : repairedKeys) {
        const QString name = QLatin1String(key);
        if (!object.contains(name))
            object.insert(name, value);
    }
    configObject() = object;
}

bool saveConfig(const QString &path) {
    mergeOutsideChange(path);
    if (!writeJsonFile(path, QJsonDocument(configObject())))
        return false;
    lastSyncedConfig() = configObject();
    return true;
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
