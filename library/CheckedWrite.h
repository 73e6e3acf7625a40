#pragma once

#include <QByteArray>
#include <QString>

// Whole-file replacement that checks every step: each write complete, the flush, the
// commit. On any failure the old file stays as it was and error says why. Only a
// regular file is ever replaced; a symbolic link to one is written through (the link
// stays). A file that already holds exactly these bytes is not written again.
// textMode: line feeds become the platform's line ends, as QIODevice::Text does.
// skipWhenSame false: the caller compared already.
bool writeFileChecked(const QString &path, const QByteArray &bytes, bool textMode, QString *error,
                      bool skipWhenSame = true);

// The file a write to path replaces: path itself, or the file its symbolic link names.
QString writeTarget(const QString &path);

// True when something is at path (or at the end of its link) that is not a regular file:
// a folder, a device, a FIFO, a socket. Such a thing is never read or replaced.
bool isSpecialFile(const QString &path);
