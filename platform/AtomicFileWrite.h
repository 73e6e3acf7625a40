#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Replacing a whole file so that a crash, a full disk or a failing network file system
// never leaves less than the old file or the new one.
//
// The bytes go into a temporary created beside the file (never an existing one), every
// write is checked to the last byte, the temporary is flushed to the disk and closed,
// each of these checked too (network and FUSE file systems report an exceeded quota
// only there); only then does it take the file's place, and the folder's new entry is
// flushed as well. On any failure the old file is left untouched, the temporary is
// removed and error says why in words the user understands.
//
// A new file is readable and writable by its owner only; a file that exists keeps
// whatever of its owner's read and write permission it had, and gives nobody else any
// (on Windows: the file's access is limited to the current user). Something at path
// that is not a regular file is never replaced. nativeLineEnds: line feeds become the
// system's line ends (CR LF on Windows).
// beforeReplace (when given) is asked once the temporary is on the disk, right before it
// takes the file's place: false leaves the old file as it was and error empty, for a
// caller that found the file changed meanwhile.
//
// Where the system can swap the two files in one step (an exchanging rename on Linux,
// ReplaceFileW with a backup name on Windows), the file's former content is not destroyed:
// it is left under a temporary's name beside the file, and holds exactly what the file
// held at the instant the new bytes took its place, including a version another program
// wrote after beforeReplace looked. With replaced given, *replaced is that name and the
// caller removes it once its content is safe; without it, it is removed here. *replaced
// is empty when the file was new, or when the system could only rename over it (a file
// system that cannot swap: what was there then is gone, as with any rename).
bool replaceFileContents(const QString &path, const QByteArray &bytes, bool nativeLineEnds, QString *error,
                         const std::function<bool()> &beforeReplace = {}, QString *replaced = nullptr);

// Temporaries of a replacement of fileName are named ".<fileName>.verbolin-tmp-" followed
// by eight random lowercase letters or digits: a name no person gives a file, so that
// only what this program made is ever cleaned up.
bool isSaveTemporaryOf(const QString &name, const QString &fileName);

// A new name of that form beside target, for a replacement's temporary.
QString newSaveTemporaryPath(const QString &target);

// Creates the folder with the parents it lacks; the folders created are open to their
// owner only. An existing folder is made so too (group and others lose their access)
// when makeExistingPrivate is set. Returns whether the folder exists afterwards.
bool makePrivateFolder(const QString &path, bool makeExistingPrivate);
