#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Whole-file replacement that checks every step (see platform/AtomicFileWrite.h): each
// write complete, the flush to the disk, the close, the rename. On any failure the old
// file stays as it was and error says why. Only a regular file is ever replaced; a
// symbolic link to one is written through (the link stays). A file that already holds
// exactly these bytes is not written again. A new file is private to its owner; an
// existing one keeps its owner's permissions and loses any others'. A folder that was
// deleted is made again (the user is told).
// textMode: line feeds become the platform's line ends, as QIODevice::Text does.
// skipWhenSame false: the caller compared already.
// stillReplaceable (when given) is asked once the new bytes are on the disk, right before
// the old file is replaced; false leaves the old file as it was (error empty), for a
// caller that found it changed.
// replaced (when given): where the file's former content was left, as it was at the instant
// it was replaced, for the caller to look at and remove (see replaceFileContents); empty
// when nothing was left.
bool writeFileChecked(const QString &path, const QByteArray &bytes, bool textMode, QString *error,
                      bool skipWhenSame = true, const std::function<bool()> &stillReplaceable = {},
                      QString *replaced = nullptr);

// The file a write to path replaces: path itself, or the file its symbolic link names.
QString writeTarget(const QString &path);

// True when something is at path (or at the end of its link) that is not a regular file:
// a folder, a device, a FIFO, a socket. Such a thing is never read or replaced.
bool isSpecialFile(const QString &path);
