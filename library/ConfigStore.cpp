#include "library/ConfigStore.h"

#include "library/JsonFile.h"
#include "library/Settings.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <utility>

namespace {

QSize primaryScreenSize() {
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QSize(500, 500);
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(500, 500);
}

} // namespace

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
    addMissingSettings(object);
    configObject() = object;
}

bool saveConfig(const QString &path) {
    mergeOutsideChange(path);
    if (!writeJsonFile(path, QJsonDocument(configObject())))
        return false;
    lastSyncedConfig() = configObject();
    return true;
}
