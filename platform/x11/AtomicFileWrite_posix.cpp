// The replacement of a file on POSIX systems: open(O_EXCL), write, fsync, close and
// an exchanging rename (a plain one where the file system has none), each checked, then
// an fsync of the folder.
#include "platform/AtomicFileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reasonOf(int code) {
    switch (code) {
    case ENOSPC:
        return QStringLiteral("磁盘空间不足");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("超出磁盘配额");
#endif
    case EIO:
        return QStringLiteral("磁盘读写出错（EIO）");
    case EROFS:
        return QStringLiteral("文件系统为只读");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限");
    case ENOENT:
        return QStringLiteral("文件夹不存在");
    case 0:
        return QStringLiteral("写入不完整，磁盘空间可能不足");
    default:
        return qt_error_string(code);
    }
}

void fail(QString *error, const QString &step, int code) {
    *error = step + QStringLiteral("：") + reasonOf(code);
}

bool writeAll(int fd, const QByteArray &bytes, QString *error) {
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(error, QStringLiteral("写入失败"), errno);
            return false;
        }
        if (written == 0) {
            // Nothing written and no reason given: what a full disk does on some systems.
            *error = QStringLiteral("写入不完整：磁盘空间可能不足");
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// After the rename: the folder's new entry reaches the disk. File systems that cannot
// flush a folder say so with EINVAL; that is no failure.
bool syncFolder(const QString &folder, QString *error) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true; // a folder that cannot be opened for reading still holds the file
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    const int code = errno;
    ::close(fd);
    if (!synced)
        fail(error, QStringLiteral("文件已替换，但文件夹未能写入磁盘"), code);
    return synced;
}

enum class Swap { Exchanged, Renamed, Failed };

// Puts the temporary in the target's place. Where the file system can, the two names are
// swapped in one step, so that whatever the target held at that instant (a version some
// other program wrote a moment ago included) is left under the temporary's name; a new
// target is only ever created, never put over one that appeared meanwhile. Elsewhere (a
// file system that refuses either flag, a kernel without the call): a plain rename.
Swap putInPlace(const char *temporary, const char *target, bool targetExists) {
#if defined(RENAME_EXCHANGE) && defined(RENAME_NOREPLACE)
    bool exists = targetExists;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const unsigned flags = exists ? RENAME_EXCHANGE : RENAME_NOREPLACE;
        if (::renameat2(AT_FDCWD, temporary, AT_FDCWD, target, flags) == 0)
            return exists ? Swap::Exchanged : Swap::Renamed;
        if (errno == EINTR)
            continue;
        if (exists && errno == ENOENT) // removed meanwhile: created anew
            exists = false;
        else if (!exists && errno == EEXIST) // made meanwhile: swapped with
            exists = true;
        else if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)
            break;
        else
            return Swap::Failed;
    }
#else
    (void)targetExists;
#endif
    return ::rename(temporary, target) == 0 ? Swap::Renamed : Swap::Failed;
}

} // namespace

bool replaceFileContents(const QString &path, const QByteArray &bytes, bool, QString *error,
                         const std::function<bool()> &beforeReplace, QString *replaced) {
    if (replaced)
        replaced->clear();
    const QByteArray target = QFile::encodeName(path);
    struct stat existing;
    mode_t mode = S_IRUSR | S_IWUSR;
    const bool targetExists = ::stat(target.constData(), &existing) == 0;
    if (targetExists) {
        if (!S_ISREG(existing.st_mode)) {
            *error = QStringLiteral("不是普通文件");
            return false;
        }
        // A file the user made read-only stays as it is.
        if (::access(target.constData(), W_OK) != 0) {
            fail(error, QStringLiteral("文件不可写"), errno);
            return false;
        }
        mode = existing.st_mode & (S_IRUSR | S_IWUSR);
    } else if (errno != ENOENT) {
        fail(error, QStringLiteral("无法访问文件"), errno);
        return false;
    }

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temporary = QFile::encodeName(newSaveTemporaryPath(path));
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST && errno != EINTR)
            break;
    }
    if (fd < 0) {
        fail(error, QStringLiteral("无法创建临时文件"), errno);
        return false;
    }
    const auto giveUp = [&] {
        ::unlink(temporary.constData());
        return false;
    };
    if (!writeAll(fd, bytes, error)) {
        ::close(fd);
        return giveUp();
    }
    if (::fsync(fd) != 0) {
        fail(error, QStringLiteral("无法写入磁盘"), errno);
        ::close(fd);
        return giveUp();
    }
    // Once close() was called the descriptor is gone, whatever it answers.
    if (::close(fd) != 0) {
        fail(error, QStringLiteral("关闭文件时出错"), errno);
        return giveUp();
    }
    if (beforeReplace && !beforeReplace()) {
        error->clear();
        return giveUp();
    }
    const Swap swap = putInPlace(temporary.constData(), target.constData(), targetExists);
    if (swap == Swap::Failed) {
        fail(error, QStringLiteral("无法替换原文件"), errno);
        return giveUp();
    }
    // The former content's new name reaches the disk with the file's.
    const bool synced = syncFolder(QFileInfo(path).absolutePath(), error);
    if (swap == Swap::Exchanged) {
        if (replaced)
            *replaced = QFile::decodeName(temporary);
        else
            ::unlink(temporary.constData());
    }
    return synced;
}

bool makePrivateFolder(const QString &path, bool makeExistingPrivate) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QFileInfo info(absolute);
    if (info.isDir()) {
        if (makeExistingPrivate) {
            const QByteArray native = QFile::encodeName(absolute);
            struct stat st;
            if (::stat(native.constData(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
                ::chmod(native.constData(), st.st_mode & 0700);
        }
        return true;
    }
    const QString parent = info.absolutePath();
    if (parent != absolute && !QFileInfo(parent).isDir() && !makePrivateFolder(parent, false))
        return false;
    return ::mkdir(QFile::encodeName(absolute).constData(), S_IRWXU) == 0 || errno == EEXIST;
}
