#pragma once

#include <QJsonDocument>
#include <QString>

#include <functional>
#include <optional>

// Reading and writing of the program's JSON files. Writes are atomic and checked, and a
// file that holds something the program cannot read is kept aside before anything
// replaces it. The user is told of every failure (see UserNotices.h).

// Larger files are not read: they are set aside like unreadable ones.
constexpr qint64 maximumJsonFileSize = 64 * 1024 * 1024;

struct JsonFileRead {
    bool opened = false;       // false: the file does not exist, is no regular file, or cannot be opened
    QJsonDocument document;    // null when the text did not parse or the file is too large
    bool repeatedKeys = false; // an object named a key twice: the parser kept only the last value
};

// Reads only regular files (or links to one), so a FIFO or a device never blocks or
// floods the program.
JsonFileRead readJsonFile(const QString &path);

// The bytes of the file, read like readJsonFile() reads them, for a reader of its own;
// nothing when the file cannot be opened. Bytes beyond the size cap are not read: the
// caller finds them larger than maximumJsonFileSize.
std::optional<QByteArray> readJsonFileBytes(const QString &path);

// readJsonFileBytes() in two halves, so that a file can be read on another thread: the
// reading, safe on any thread, then on the thread of the stores the taking of the bytes
// as what this program last read there.
struct JsonFileBytes {
    QByteArray bytes;
    size_t hash = 0; // of the bytes, worked out by the reading thread
};
std::optional<JsonFileBytes> readJsonFileBytesOnAnyThread(const QString &path);
void rememberJsonFileBytes(const QString &path, const JsonFileBytes &read);

// The document of bytes read by readJsonFileBytes(): null when they do not parse or are
// too large. A string's leading U+FEFF is kept.
QJsonDocument jsonDocumentOf(const QByteArray &bytes);

// Whether an object in the text names a key more than once: the document, parsed from
// it, then holds only the last value, and the file must be kept before it is rewritten.
bool hasRepeatedKeys(const QByteArray &bytes, const QJsonDocument &document);

// Writes the document as indented JSON through a temporary file that replaces the old
// one only when every step succeeded (text mode: CR LF line ends on Windows). A file
// already holding these bytes is left alone. Refuses protected paths and anything that
// is not a regular file. On failure the bytes are kept and written again by the next
// save or by retryPendingSaves(), which a timer calls. Returns false when the file on
// disk does not hold the document.
//
// A version written elsewhere since this program last read or wrote the file is handled
// before it is replaced: while it does not parse and was modified less than settleTimeMs
// ago (a writer still at work), the save waits; then merge, when given, gets its bytes
// and returns what to write instead (the program's version with the outside one merged
// in, having kept beside the file whatever it could not merge), or nothing, and the
// outside version is kept beside the file as it is. The file is replaced only if it still
// holds what was looked at; a version written meanwhile is handled the same way. What
// cannot be written into the file while a copy of its content cannot be made goes
// beside it as "<name>.unsaved-<time>".
//
// Where the system lets a save swap its file into place, a version another program put
// there after that last look is not destroyed either: the save gets it back, sets it aside
// beside the file at once, hands it to merge and saves again (a few rounds at most); it is
// removed once a save holds it, else kept there as "<name>.outside-<time>" and the user
// told. While merge gets such a version, displacedVersionIsMerged(path) is true: the file
// holds the program's own last save then, which other programs may have read meanwhile.
using OutsideMerge = std::function<std::optional<QByteArray>(const QByteArray &outside)>;
bool writeJsonFile(const QString &path, const QJsonDocument &document, const OutsideMerge &merge = {});

bool displacedVersionIsMerged(const QString &path);

// How long a change made elsewhere that does not parse is waited for, and how often it is
// looked at meanwhile.
constexpr int settleTimeMs = 3000;
constexpr int settleCheckMs = 300;

// Whether a change made elsewhere is complete enough to read: it parses, or it has not
// changed for settleTimeMs (then it is taken as it is: a broken edit). A file that
// cannot be read has settled.
bool outsideChangeHasSettled(const QString &path);
bool outsideChangeHasSettled(const QString &path, const QByteArray &bytes);

// Writes the documents of failed saves again; returns whether none is left pending.
bool retryPendingSaves();

// True while the last save to path failed, or waits for a writer or for a copy of the
// file's content, and is tried again.
bool hasUnsavedChange(const QString &path);

// Whether the file's bytes are the last ones this program read or wrote there; false
// means someone else changed it.
bool holdsLastKnownContent(const QString &path);

// Called when a file exists but is not the JSON the program expects (broken text, wrong
// top-level type, empty, too large, or unreadable) or held something the program had to
// skip or repair. Copies it to "<name>.<kind>-<time>" beside it and tells the user. If no
// copy can be made, no save replaces the file until one can (each save tries again); if
// the path is no regular file (a device, a FIFO, a folder), no save replaces it while the
// program runs. Returns the backup path, or empty.
QString keepUnreadableFile(const QString &path);
QString keepRepairedFile(const QString &path);
QString keepOutsideVersion(const QString &path);

// A save temporary of path that a program killed during a save left behind. Removed when it
// holds nothing the file lacks: a half-written copy, or the file's own bytes. A complete
// version that differs (the last change, never put in place; or what another program had
// written just before a save replaced it) is kept as "<name>.recovered-<time>" beside the
// file and the user is told; when the file itself is missing, the version is put back in
// its place. Returns where the version now is, or empty.
QString settleLeftOverTemporary(const QString &path, const QString &temporary);

bool isWriteProtected(const QString &path);

// Takes the file's present bytes as known, so that they no longer count as a change
// from outside (after they were kept as a backup, say).
void acceptCurrentContent(const QString &path);

// Called with the path after each save that wrote a file (a watcher follows the new file).
void setSavedFileObserver(std::function<void(const QString &path)> observer);

// Called with the path once a save has looked at the file for the last time, right before
// its new bytes take the file's place: where a program racing with the save lands. For
// tests, which stand in for such a program.
void setBeforeReplaceHook(std::function<void(const QString &path)> hook);
