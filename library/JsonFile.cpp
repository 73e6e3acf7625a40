#include "library/JsonFile.h"

#include "library/CheckedWrite.h"
#include "library/UserNotices.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QScopeGuard>
#include <QSet>
#include <QTimer>

#include <cstring>
#include <optional>

namespace {

constexpr int retryIntervalMs = 5000;
// How often one save looks at the file again, merges and writes once more because another
// program wrote it meanwhile, before it gives up on the race (and keeps that version aside).
constexpr int maximumSaveRounds = 8;

struct Fingerprint {
    qsizetype size = -1;
    size_t hash = 0;
    bool operator==(const Fingerprint &o) const { return size == o.size && hash == o.hash; }
};

// What a copy kept beside a file is called and says.
enum class KeptKind { Unreadable, Repaired, Outside };

struct PendingSave {
    QByteArray bytes;
    OutsideMerge merge;
};

struct FileState {
    QSet<QString> protectedPaths;             // no regular file: never replaced
    QHash<QString, PendingSave> pendingSaves; // a save that failed or waits, by path
    QHash<QString, Fingerprint> lastKnown;    // what this program last read or wrote
    // Files whose content must be kept beside them before they are replaced, and no copy
    // could be made yet (a full disk, a file that cannot be read).
    QHash<QString, KeptKind> uncopied;
    QHash<QString, QString> ownVersions; // where a save that could not replace the file went
    // While a version a save displaced is merged: the file beside that holds it, which the
    // copies kept meanwhile are made from (the file itself holds the save's bytes).
    QHash<QString, QString> displacedSources;
    QSet<QString> displacedKeptForUser; // such files that are the copy kept for the user
    std::function<void(const QString &)> savedFileObserver;
    std::function<void(const QString &)> beforeReplaceHook;
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

QString keepCopyOfKind(const QString &path, KeptKind kind);
QString newKeptPath(const QString &path, const QString &kind);

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

// The file's bytes when it holds a regular file that can be read; nothing when it is not
// there; an empty optional inside when it is there but cannot be read.
struct OnDisk {
    bool exists = false;
    std::optional<QByteArray> bytes;
};

OnDisk onDiskNow(const QString &path) {
    OnDisk d;
    d.bytes = readRegularFile(path);
    d.exists = d.bytes || QFileInfo::exists(writeTarget(path));
    return d;
}

bool sameOnDisk(const OnDisk &a, const OnDisk &b) {
    return a.exists == b.exists && a.bytes.has_value() == b.bytes.has_value() &&
           (!a.bytes || fingerprintOf(*a.bytes) == fingerprintOf(*b.bytes));
}

void tellSaveFailed(const QString &key, const QString &path, const QString &error) {
    tellUser(
        QStringLiteral("save:%1:%2").arg(key, error),
        QStringLiteral("无法保存 %1：%2。修改仍保留在程序中，稍后会自动重试。").arg(nativePath(path), error),
        QStringLiteral("could not save %1 (%2); the change is kept in memory and saved again later")
            .arg(nativePath(path), error));
}

// The program's version of a file it must not replace yet, written beside it as
// "<name>.unsaved-<time>" (one per file and run, rewritten by later saves), so that a
// change is never only in memory while the file cannot take it. True when written.
bool keepOwnVersionBeside(const QString &path, const QByteArray &bytes) {
    FileState &s = state();
    const QString key = canonicalKey(path);
    QString beside = s.ownVersions.value(key);
    if (beside.isEmpty()) {
        const QString base = key + QStringLiteral(".unsaved-") +
                             QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        beside = base;
        for (int n = 2; QFileInfo::exists(beside); ++n)
            beside = base + QLatin1Char('-') + QString::number(n);
    }
    QString error;
    if (!writeFileChecked(beside, bytes, true, &error)) {
        tellSaveFailed(key, path, error.isEmpty() ? QStringLiteral("未知错误") : error);
        return false;
    }
    s.ownVersions.insert(key, beside);
    tellUser(QStringLiteral("own-version:") + beside,
             QStringLiteral("%1 现在不能被替换；程序中的版本已另存为 %2，不会丢失。")
                 .arg(nativePath(path), beside),
             QStringLiteral("%1 cannot be replaced now; the program's version was written to %2")
                 .arg(nativePath(path), beside));
    return true;
}

// The save waits: for the file's content to be kept first, or for a writer to finish.
void keepPending(const QString &key, const QByteArray &bytes, const OutsideMerge &merge) {
    state().pendingSaves.insert(key, {bytes, merge});
    scheduleRetry();
}

bool writeBytes(const QString &path, QByteArray bytes, const OutsideMerge &merge) {
    const QString key = canonicalKey(path);
    FileState &s = state();
    if (isSpecialFile(path)) {
        // Not replaced; the program's version goes beside it, and the save is tried again
        // (something else may take the thing's place).
        keepOwnVersionBeside(path, bytes);
        keepPending(key, bytes, merge);
        return false;
    }
    s.protectedPaths.remove(key);
    // Content that must be kept before it is replaced, and could not be kept yet.
    if (s.uncopied.contains(key)) {
        const KeptKind kind = s.uncopied.value(key);
        if (keepCopyOfKind(path, kind).isEmpty()) {
            keepOwnVersionBeside(path, bytes);
            keepPending(key, bytes, merge);
            return false;
        }
        s.uncopied.remove(key);
        // Kept now. A file that could not be read before and parses now is merged below
        // like any outside version; anything else is replaced.
        const std::optional<QByteArray> now = readRegularFile(path);
        if (kind != KeptKind::Unreadable || !now || jsonDocumentOf(*now).isNull())
            acceptCurrentContent(path);
    }
    QString error;
    // Versions of other programs that saves here displaced, each set aside beside the file.
    // One goes once what was written holds it; one that could not be merged stays where it
    // was set aside, and the user is told. Settled on every way out.
    struct SetAside {
        QString path;
        bool mergedIn;
    };
    QList<SetAside> setAside;
    bool saved = false;
    const auto settleSetAside = qScopeGuard([&setAside, &saved, &s, &path] {
        for (const SetAside &aside : setAside) {
            if (aside.mergedIn && saved && !s.displacedKeptForUser.contains(aside.path)) {
                QFile::remove(aside.path);
                continue;
            }
            if (s.displacedKeptForUser.remove(aside.path))
                continue; // the merge kept it, and said so
            tellUser(
                QStringLiteral("kept:") + aside.path,
                QStringLiteral("%1 在保存的同一刻被其他程序改写；那个版本已另存为 %2，没有丢失。")
                    .arg(nativePath(path), aside.path),
                QStringLiteral("%1 was rewritten by another program at the instant of a save; that version "
                               "was kept in %2")
                    .arg(QFileInfo(path).fileName(), QFileInfo(aside.path).fileName()));
        }
    });
    for (int attempt = 0;; ++attempt) {
        // One read serves both checks: bytes already there need no write; bytes changed by
        // someone else since this program last read or wrote them are merged in or kept
        // beside the file before it is replaced.
        const OnDisk before = onDiskNow(path);
        if (before.bytes && *before.bytes == bytes) {
            saved = true;
            s.pendingSaves.remove(key);
            s.lastKnown.insert(key, fingerprintOf(bytes));
            forgetCauses(QStringLiteral("save:") + key);
            return true;
        }
        const auto known = s.lastKnown.constFind(key);
        const bool changedOutside =
            before.bytes ? known == s.lastKnown.constEnd() || !(fingerprintOf(*before.bytes) == *known)
                         : before.exists;
        if (changedOutside && !before.bytes) {
            // There, but it cannot be read: it cannot be kept, so it is not replaced.
            keepCopyOfKind(path, KeptKind::Unreadable);
            keepOwnVersionBeside(path, bytes);
            keepPending(key, bytes, merge);
            return false;
        }
        if (changedOutside) {
            // A writer still at work: looked at again shortly.
            if (!outsideChangeHasSettled(path, *before.bytes)) {
                keepPending(key, bytes, merge);
                QTimer::singleShot(settleCheckMs, QCoreApplication::instance(), [] { retryPendingSaves(); });
                return false;
            }
            std::optional<QByteArray> merged = merge ? merge(*before.bytes) : std::nullopt;
            if (merged) {
                s.lastKnown.insert(key, fingerprintOf(*before.bytes));
                bytes = std::move(*merged);
                if (*before.bytes == bytes) {
                    saved = true;
                    s.pendingSaves.remove(key);
                    forgetCauses(QStringLiteral("save:") + key);
                    return true;
                }
            } else if (keepOutsideVersion(path).isEmpty()) {
                keepOwnVersionBeside(path, bytes);
                keepPending(key, bytes, merge);
                return false;
            } else {
                s.uncopied.remove(key);
                s.lastKnown.insert(key, fingerprintOf(*before.bytes));
            }
        }
        // Replaced only if it still holds what was looked at: a version written meanwhile
        // is merged or kept on the next round.
        bool changedMeanwhile = false;
        const auto stillReplaceable = [&path, &before, &changedMeanwhile, &s] {
            changedMeanwhile = !sameOnDisk(onDiskNow(path), before);
            if (!changedMeanwhile && s.beforeReplaceHook)
                s.beforeReplaceHook(path);
            return !changedMeanwhile;
        };
        QString displaced;
        const bool written = writeFileChecked(path, bytes, true, &error, false, stillReplaceable, &displaced);
        if (written)
            error.clear();
        // What the file held at the instant it was replaced. A version another program put
        // there after the last look is set aside under a name of its own at once (a crash
        // now loses nothing), then merged and saved again like any outside version.
        std::optional<QByteArray> outside;
        if (!displaced.isEmpty()) {
            const OnDisk was{true, readRegularFile(displaced)};
            if (sameOnDisk(was, before)) {
                QFile::remove(displaced);
            } else {
                const QString aside = newKeptPath(path, QStringLiteral("outside"));
                if (QFile::rename(displaced, aside))
                    displaced = aside;
                setAside.append({displaced, false});
                outside = was.bytes;
            }
        }
        if (!written) {
            if (changedMeanwhile && attempt + 1 < maximumSaveRounds)
                continue;
            if (changedMeanwhile)
                error = QStringLiteral("文件一直在被其他程序修改");
            else if (error.isEmpty())
                error = QStringLiteral("未知错误");
            break;
        }
        s.lastKnown.insert(key, fingerprintOf(bytes));
        // One that does not parse may be a writer still at work on it, writing on into the
        // copy set aside: that copy stays whole, for the user.
        if (!outside || !merge || attempt + 1 >= maximumSaveRounds || jsonDocumentOf(*outside).isNull())
            break;
        s.displacedSources.insert(key, displaced);
        const std::optional<QByteArray> merged = merge(*outside);
        s.displacedSources.remove(key);
        if (!merged)
            break;
        setAside.last().mergedIn = true;
        if (*merged == bytes)
            break;
        bytes = *merged; // the file holds the bytes just written: written again, merged
    }
    if (error.isEmpty()) {
        saved = true;
        s.pendingSaves.remove(key);
        s.lastKnown.insert(key, fingerprintOf(bytes));
        forgetCauses(QStringLiteral("save:") + key);
        forgetCauses(QStringLiteral("own-version:") + key);
        if (s.savedFileObserver)
            s.savedFileObserver(key);
        return true;
    }
    keepPending(key, bytes, merge);
    tellSaveFailed(key, path, error);
    return false;
}

// A name "<name>.<kind>-<time>" beside the file that nothing has yet.
QString newKeptPath(const QString &path, const QString &kind) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base =
        QFileInfo(path).absoluteFilePath() + QLatin1Char('.') + kind + QLatin1Char('-') + stamp;
    QString backup = base;
    for (int n = 2; QFileInfo::exists(backup); ++n)
        backup = base + QLatin1Char('-') + QString::number(n);
    return backup;
}

QString keepCopy(const QString &path, KeptKind kept, const QString &kind, const QString &what,
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
    FileState &s = state();
    const QString displaced = s.displacedSources.value(canonicalKey(path));
    if (!displaced.isEmpty() && kept == KeptKind::Outside) {
        // The displaced version was set aside under this very name already: it stays.
        s.displacedKeptForUser.insert(displaced);
        tellUser(QStringLiteral("kept:") + displaced,
                 QStringLiteral("%1 %2，原内容已另存为 %3。").arg(shown, what, displaced),
                 QStringLiteral("%1 %2; its content was kept in %3")
                     .arg(info.fileName(), whatInEnglish, QFileInfo(displaced).fileName()));
        return displaced;
    }
    const QString backup = newKeptPath(path, kind);
    if (QFile::copy(displaced.isEmpty() ? path : displaced, backup)) {
        tellUser(QStringLiteral("kept:") + backup,
                 QStringLiteral("%1 %2，原内容已另存为 %3。").arg(shown, what, backup),
                 QStringLiteral("%1 %2; its content was kept in %3")
                     .arg(info.fileName(), whatInEnglish, QFileInfo(backup).fileName()));
        return backup;
    }
    // Not replaced until a copy can be made: each save tries again, and keeps the
    // program's version beside it meanwhile.
    state().uncopied.insert(canonicalKey(path), kept);
    tellUser(QStringLiteral("uncopied:") + shown,
             QStringLiteral("%1 %2，且暂时无法另存一份；在能另存之前不会覆盖它。").arg(shown, what),
             QStringLiteral("%1 %2 and no copy of it could be made yet; it is not overwritten until one is")
                 .arg(shown, whatInEnglish));
    return QString();
}

QString keepCopyOfKind(const QString &path, KeptKind kind) {
    switch (kind) {
    case KeptKind::Unreadable:
        return keepCopy(path, kind, QStringLiteral("unreadable"), QStringLiteral("无法读取"),
                        QStringLiteral("could not be read"));
    case KeptKind::Repaired:
        return keepCopy(path, kind, QStringLiteral("unreadable"),
                        QStringLiteral("中有无法使用的内容（已跳过或修正）"),
                        QStringLiteral("held entries that were skipped or repaired"));
    case KeptKind::Outside:
        break;
    }
    return keepCopy(
        path, kind, QStringLiteral("outside"), QStringLiteral("在程序外被修改，且无法与程序中的修改合并"),
        QStringLiteral("was changed outside in a way that could not be merged with the program's changes"));
}

} // namespace

JsonFileRead readJsonFile(const QString &path) {
    JsonFileRead result;
    const std::optional<QByteArray> bytes = readJsonFileBytes(path);
    if (!bytes)
        return result;
    result.opened = true;
    result.document = jsonDocumentOf(*bytes);
    result.repeatedKeys = hasRepeatedKeys(*bytes, result.document);
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
    if (bytes.size() > maximumJsonFileSize)
        return QJsonDocument();
    // The parser drops a U+FEFF that begins a string (it takes it for a byte order mark),
    // but keeps it written as an escape: a quote is never followed by one outside a string.
    static const QByteArray quotedMark = QByteArrayLiteral("\"\xEF\xBB\xBF");
    if (bytes.contains(quotedMark))
        return QJsonDocument::fromJson(QByteArray(bytes).replace(quotedMark, QByteArrayLiteral("\"\\ufeff")));
    return QJsonDocument::fromJson(bytes);
}

namespace {

qsizetype membersIn(const QJsonValue &value) {
    qsizetype n = 0;
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        n += object.size();
        for (auto it = object.begin(); it != object.end(); ++it)
            n += membersIn(it.value());
    } else if (value.isArray()) {
        for (const QJsonValue &element : value.toArray())
            n += membersIn(element);
    }
    return n;
}

} // namespace

bool hasRepeatedKeys(const QByteArray &bytes, const QJsonDocument &document) {
    if (document.isNull())
        return false;
    // In JSON that parsed, each member of an object has the one colon outside a string.
    qsizetype written = 0;
    bool inString = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == ':') {
            ++written;
        }
    }
    const qsizetype parsed =
        document.isObject() ? membersIn(document.object()) : membersIn(QJsonValue(document.array()));
    return written > parsed;
}

bool writeJsonFile(const QString &path, const QJsonDocument &document, const OutsideMerge &merge) {
    return writeBytes(path, document.toJson(QJsonDocument::Indented), merge);
}

bool retryPendingSaves() {
    const QHash<QString, PendingSave> pending = state().pendingSaves;
    for (auto it = pending.begin(); it != pending.end(); ++it)
        writeBytes(it.key(), it->bytes, it->merge);
    return state().pendingSaves.isEmpty();
}

bool outsideChangeHasSettled(const QString &path, const QByteArray &bytes) {
    if (!jsonDocumentOf(bytes).isNull())
        return true;
    const QDateTime modified = QFileInfo(writeTarget(path)).lastModified();
    return !modified.isValid() || modified.msecsTo(QDateTime::currentDateTime()) >= settleTimeMs;
}

bool outsideChangeHasSettled(const QString &path) {
    const std::optional<QByteArray> bytes = readRegularFile(path);
    return !bytes || outsideChangeHasSettled(path, *bytes);
}

bool displacedVersionIsMerged(const QString &path) {
    return state().displacedSources.contains(canonicalKey(path));
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
    return keepCopyOfKind(path, KeptKind::Unreadable);
}

QString keepRepairedFile(const QString &path) {
    return keepCopyOfKind(path, KeptKind::Repaired);
}

QString keepOutsideVersion(const QString &path) {
    return keepCopyOfKind(path, KeptKind::Outside);
}

QString settleLeftOverTemporary(const QString &path, const QString &temporary) {
    const std::optional<QByteArray> left = readRegularFile(temporary);
    if (!left)
        return QString(); // not read, so not known to be a copy: left alone
    if (jsonDocumentOf(*left).isNull() || readRegularFile(path) == left) {
        QFile::remove(temporary);
        return QString();
    }
    const QString shown = QFileInfo(path).absoluteFilePath();
    // Killed while the file itself was set aside (a replacement on Windows that could not
    // finish, or the first save of a new file): the version goes back in its place.
    if (!QFileInfo::exists(path) && QFile::rename(temporary, path)) {
        tellUser(QStringLiteral("restored:") + shown,
                 QStringLiteral("%1 不存在，而上次被中断的保存留下了它的完整版本；已把该版本放回原处。")
                     .arg(shown),
                 QStringLiteral("%1 was missing and a save cut short had left a complete version of it; "
                                "that version was put back")
                     .arg(shown));
        return path;
    }
    const QString kept = newKeptPath(path, QStringLiteral("recovered"));
    if (!QFile::rename(temporary, kept))
        return QString(); // stays under its own name, looked at again at the next start
    tellUser(
        QStringLiteral("recovered:") + kept,
        QStringLiteral("上次保存 %1 时程序被中断；留下的另一版本已另存为 %2，请查看其中是否有需要的内容。")
            .arg(shown, kept),
        QStringLiteral("a save of %1 was cut short; the other version it left was kept in %2")
            .arg(QFileInfo(path).fileName(), QFileInfo(kept).fileName()));
    return kept;
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

void setBeforeReplaceHook(std::function<void(const QString &path)> hook) {
    state().beforeReplaceHook = std::move(hook);
}
