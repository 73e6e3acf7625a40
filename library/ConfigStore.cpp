#include "library/ConfigStore.h"

#include "library/JsonFile.h"
#include "library/Settings.h"
#include "library/UserNotices.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <optional>
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
// the program's own changes since then on top, becomes configObject and is what a save
// writes. Nothing when it is no object (it is kept aside).
std::optional<QByteArray> takeInOutsideConfig(const QString &path, const QByteArray &bytes) {
    const QJsonDocument document = jsonDocumentOf(bytes);
    if (!document.isObject()) {
        // A broken edit is kept; the settings in use stay and are written.
        if (keepUnreadableFile(path).isEmpty())
            return std::nullopt;
        return QJsonDocument(configObject()).toJson(QJsonDocument::Indented);
    }
    if (hasRepeatedKeys(bytes, document) && keepRepairedFile(path).isEmpty())
        return std::nullopt;
    const QJsonObject outside = document.object();
    QJsonObject merged = outside;
    for (auto it = configObject().begin(); it != configObject().end(); ++it) {
        if (it.value() != lastSyncedConfig().value(it.key()))
            merged.insert(it.key(), it.value());
    }
    lastSyncedConfig() = outside;
    configObject() = merged;
    if (outsideChangeHandler())
        outsideChangeHandler()();
    return QJsonDocument(configObject()).toJson(QJsonDocument::Indented);
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
    // Values the program would replace on its own (a window's position that is no whole
    // number is read as 0 and written back so) are given the new file's values; the file
    // as it was is kept first, as with a key named twice.
    const QJsonObject defaults = defaultConfig(primaryScreenSize());
    const QStringList unusable = unusableWindowPositions(object);
    if (read.repeatedKeys || !unusable.isEmpty())
        keepRepairedFile(path);
    for (const QString &key : unusable)
        object.insert(key, defaults.value(key));
    // Without a global hotkey the pick window could not be called up: the default is used
    // and written.
    if (const QString hotkey = addMissingGlobalHotkey(object); !hotkey.isEmpty()) {
        const QString shown = QFileInfo(path).absoluteFilePath();
        tellUser(QStringLiteral("default-hotkey:") + shown,
                 QStringLiteral("%1 中没有全局快捷键，已使用默认的 %2 并写入。").arg(shown, hotkey),
                 QStringLiteral("%1 named no global hotkey; the default %2 is used and written")
                     .arg(shown, hotkey));
    }
    configObject() = object;
}

bool saveConfig(const QString &path) {
    const auto merge = [path](const QByteArray &outside) { return takeInOutsideConfig(path, outside); };
    if (!writeJsonFile(path, QJsonDocument(configObject()), merge))
        return false;
    lastSyncedConfig() = configObject();
    return true;
}
