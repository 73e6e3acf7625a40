#include "library/JsonFile.h"

#include "library/CheckedWrite.h"
#include "library/UserNotices.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTimer>

#include <cstring>
#include <optional>

namespace {

constexpr int retryIntervalMs = 5000;

struct Fingerprint {
    qsizetype size = -1;
    size_t hash = 0;
    bool operator==(const Fingerprint &o) const { return size == o.size && hash == o.hash; }
};

struct FileState {
    QSet<QString> protectedPaths;
    QHash<QString, QByteArray> pendingSaves; // bytes of a failed save, by path
    QHash<QString, Fingerprint> lastKnown;   // what this program last read or wrote
    std::function<void(const QString &)> savedFileObserver;
};

FileState &state() {
    static FileState s;
    return s;
}

QString canonicalKey(const QString &path) {
    return QFileInfo(path).absoluteFilePath();
}

quint64 rotatedLeft(quint64 x, int n) {
    return (x << n) | (x >> (64 - n));
}

// The fingerprint's hash of a file's bytes. It only has to tell this program's own bytes
// from an edit made elsewhere, never to resist collisions made on purpose, and it runs over
// the whole of data.json at every start: four lanes of eight bytes a step, several times
// faster than the general byte-array hash.
size_t contentHash(const QByteArray &bytes) {
    constexpr quint64 factor = 0x9E3779B97F4A7C15ULL; // odd, with its bits spread evenly
    const auto step = [](quint64 lane, quint64 word) { return rotatedLeft((lane ^ word) * factor, 29); };
    const auto wordAt = [](const char *p) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        return word;
    };
    const char *p = bytes.constData();
    const qsizetype size = bytes.size();
    quint64 a = 1, b = 2, c = 3, d = 4;
    qsizetype at = 0;
    for (; at + 32 <= size; at += 32) {
        a = step(a, wordAt(p + at));
        b = step(b, wordAt(p + at + 8));
        c = step(c, wordAt(p + at + 16));
        d = step(d, wordAt(p + at + 24));
    }
    quint64 h = step(step(step(step(quint64(size), a), b), c), d);
    for (; at < size; ++at)
        h = step(h, uchar(p[at]));
    // Every input bit reaches every output bit.
    h ^= h >> 32;
    h *= factor;
    h ^= h >> 29;
    return size_t(h);
}

Fingerprint fingerprintOf(const QByteArray &bytes) {
    return {bytes.size(), contentHash(bytes)};
}

QString nativePath(const QString &path) {
    return QFileInfo(path).absoluteFilePath();
}

// Reads up to one byte past the size cap. The buffer starts at the file's size: asking
// for the whole cap at once reserved 64 MiB at every read. A file that grows meanwhile
// is read on.
QByteArray readUpToCap(QFile &file) {
    const qint64 cap = maximumJsonFileSize + 1;
    QByteArray bytes(qBound<qint64>(1, file.size() + 1, cap), Qt::Uninitialized);
    qint64 filled = 0;
    for (;;) {
        const qint64 got = file.read(bytes.data() + filled, bytes.size() - filled);
        if (got <= 0)
            break;
        filled += got;
        if (filled == bytes.size()) {
            if (filled == cap)
                break;
            bytes.resize(qMin(cap, 2 * filled));
        }
    }
    bytes.truncate(filled);
    return bytes;
}

// Reads a regular file of at most the size cap; null when it is none or cannot be read.
std::optional<QByteArray> readRegularFile(const QString &path) {
    if (isSpecialFile(path))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = readUpToCap(file);
    if (!bytes.contains('\r'))
        return bytes;
    // Read as text, which drops every carriage return. Only then: dropping them goes
    // through the file a byte at a time.
    file.close();
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    return readUpToCap(file);
}

void scheduleRetry() {
    auto *app = QCoreApplication::instance();
    if (!app)
        return;
    static QTimer *timer = nullptr;
    if (!timer) {
        timer = new QTimer(app);
        timer->setInterval(retryIntervalMs);
        QObject::connect(timer, &QTimer::timeout, timer, [] {
            if (retryPendingSaves())
                timer->stop();
        });
    }
    if (!timer->isActive())
        timer->start();
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
    const QString key = canonicalKey(path);
    if (isWriteProtected(path)) {
        // Told when it was protected; nothing can change that while the program runs.
        return false;
    }
    FileState &s = state();
    // One read serves both checks: bytes already there need no write; bytes changed by
    // someone else since this program last read or wrote them, and not yet looked at,
    // are kept beside the file before it is replaced.
    if (const std::optional<QByteArray> onDisk = readRegularFile(path)) {
        if (*onDisk == bytes) {
            s.pendingSaves.remove(key);
            s.lastKnown.insert(key, fingerprintOf(bytes));
            forgetCauses(QStringLiteral("save:") + key);
            return true;
        }
        const auto known = s.lastKnown.constFind(key);
        if (known == s.lastKnown.constEnd() || !(fingerprintOf(*onDisk) == *known))
            keepOutsideVersion(path);
    }
    QString error;
    if (writeFileChecked(path, bytes, true, &error, false))
        error.clear();
    else if (error.isEmpty())
        error = QStringLiteral("未知错误");
    if (error.isEmpty()) {
        s.pendingSaves.remove(key);
        s.lastKnown.insert(key, fingerprintOf(bytes));
        forgetCauses(QStringLiteral("save:") + key);
        if (s.savedFileObserver)
            s.savedFileObserver(key);
        return true;
    }
    s.pendingSaves.insert(key, bytes);
    scheduleRetry();
    tellUser(
        QStringLiteral("save:%1:%2").arg(key, error),
        QStringLiteral("无法保存 %1：%2。修改仍保留在程序中，稍后会自动重试。").arg(nativePath(path), error),
        QStringLiteral("could not save %1 (%2); the change is kept in memory and saved again later")
            .arg(nativePath(path), error));
    return false;
}

QString keepCopy(const QString &path, const QString &kind, const QString &what,
                 const QString &whatInEnglish) {
    const QFileInfo info(path);
    const QString shown = info.absoluteFilePath();
    if (isSpecialFile(path)) {
        state().protectedPaths.insert(canonicalKey(path));
        tellUser(QStringLiteral("special:") + shown,
                 QStringLiteral("%1 不是普通文件，Verbolin 不会读取或替换它。").arg(shown),
                 QStringLiteral("%1 is not a regular file; it is neither read nor replaced").arg(shown));
        return QString();
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = info.absoluteFilePath() + QLatin1Char('.') + kind + QLatin1Char('-') + stamp;
    QString backup = base;
    for (int n = 2; QFileInfo::exists(backup); ++n)
        backup = base + QLatin1Char('-') + QString::number(n);
    if (QFile::copy(path, backup)) {
        tellUser(QStringLiteral("kept:") + backup,
                 QStringLiteral("%1 %2，原内容已另存为 %3。").arg(shown, what, backup),
                 QStringLiteral("%1 %2; its content was kept in %3")
                     .arg(info.fileName(), whatInEnglish, QFileInfo(backup).fileName()));
        return backup;
    }
    state().protectedPaths.insert(canonicalKey(path));
    tellUser(QStringLiteral("uncopied:") + shown,
             QStringLiteral("%1 %2，且无法另存一份；程序运行期间不会覆盖它。").arg(shown, what),
             QStringLiteral("%1 %2 and no copy of it could be made; it will not be overwritten")
                 .arg(shown, whatInEnglish));
    return QString();
}

} // namespace

JsonFileRead readJsonFile(const QString &path) {
    JsonFileRead result;
    const std::optional<QByteArray> bytes = readJsonFileBytes(path);
    if (!bytes)
        return result;
    result.opened = true;
    result.document = jsonDocumentOf(*bytes);
    return result;
}

std::optional<QByteArray> readJsonFileBytes(const QString &path) {
    std::optional<QByteArray> bytes = readRegularFile(path);
    if (bytes)
        state().lastKnown.insert(canonicalKey(path), fingerprintOf(*bytes));
    return bytes;
}

std::optional<JsonFileBytes> readJsonFileBytesOnAnyThread(const QString &path) {
    std::optional<QByteArray> bytes = readRegularFile(path);
    if (!bytes)
        return std::nullopt;
    const size_t hash = fingerprintOf(*bytes).hash;
    return JsonFileBytes{std::move(*bytes), hash};
}

void rememberJsonFileBytes(const QString &path, const JsonFileBytes &read) {
    state().lastKnown.insert(canonicalKey(path), {read.bytes.size(), read.hash});
}

QJsonDocument jsonDocumentOf(const QByteArray &bytes) {
    return bytes.size() <= maximumJsonFileSize ? QJsonDocument::fromJson(bytes) : QJsonDocument();
}

bool writeJsonFile(const QString &path, const QJsonDocument &document) {
    return writeBytes(path, document.toJson(QJsonDocument::Indented));
}

bool retryPendingSaves() {
    const QHash<QString, QByteArray> pending = state().pendingSaves;
    for (auto it = pending.begin(); it != pending.end(); ++it)
        writeBytes(it.key(), it.value());
    return state().pendingSaves.isEmpty();
}

bool hasUnsavedChange(const QString &path) {
    return state().pendingSaves.contains(canonicalKey(path));
}

bool holdsLastKnownContent(const QString &path) {
    const std::optional<QByteArray> bytes = readRegularFile(path);
    const auto known = state().lastKnown.constFind(canonicalKey(path));
    if (known == state().lastKnown.constEnd())
        return !bytes; // never seen: only "still nothing there" is no change
    return bytes && fingerprintOf(*bytes) == *known;
}

QString keepUnreadableFile(const QString &path) {
    return keepCopy(path, QStringLiteral("unreadable"), QStringLiteral("无法读取"),
                    QStringLiteral("could not be read"));
}

QString keepRepairedFile(const QString &path) {
    return keepCopy(path, QStringLiteral("unreadable"), QStringLiteral("中有无法使用的内容（已跳过或修正）"),
                    QStringLiteral("held entries that were skipped or repaired"));
}

QString keepOutsideVersion(const QString &path) {
    return keepCopy(path, QStringLiteral("outside"),
                    QStringLiteral("在程序外被修改，而程序中还有未保存的修改"),
                    QStringLiteral("was changed outside while a change of the program was unsaved"));
}

bool isWriteProtected(const QString &path) {
    return state().protectedPaths.contains(canonicalKey(path));
}

void acceptCurrentContent(const QString &path) {
    if (const std::optional<QByteArray> bytes = readRegularFile(path))
        state().lastKnown.insert(canonicalKey(path), fingerprintOf(*bytes));
}

void setSavedFileObserver(std::function<void(const QString &path)> observer) {
    state().savedFileObserver = std::move(observer);
}
