// The replacement of a file on Windows: CreateFileW(CREATE_NEW), WriteFile, FlushFileBuffers
// and CloseHandle, each checked, then ReplaceFileW with a backup name (the replaced content
// is kept under it), or MoveFileExW with write-through where there is nothing to replace or
// the file system refuses ReplaceFileW.
#include "platform/AtomicFileWrite.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

#include <sddl.h>

#include <string>

namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which not every SDK's headers name.
constexpr DWORD diskQuotaExceeded = 1295;

QString reasonOf(DWORD code) {
    switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return QStringLiteral("磁盘空间不足");
    case diskQuotaExceeded:
        return QStringLiteral("超出磁盘配额");
    case ERROR_WRITE_PROTECT:
        return QStringLiteral("磁盘有写保护");
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("没有写入权限");
    case ERROR_PATH_NOT_FOUND:
        return QStringLiteral("文件夹不存在");
    default:
        return qt_error_string(int(code));
    }
}

void fail(QString *error, const QString &step, DWORD code) {
    *error = step + QStringLiteral("：") + reasonOf(code);
}

std::wstring nativeOf(const QString &path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
}

// A protected access list that grants the current user, and nobody else, full access (for
// a folder: inherited by what is created in it).
class OwnerOnlyAccess {
public:
    explicit OwnerOnlyAccess(bool folder) {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::string buffer(size, '\0');
        if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
            const auto *user = reinterpret_cast<const TOKEN_USER *>(buffer.data());
            LPWSTR sid = nullptr;
            if (ConvertSidToStringSidW(user->User.Sid, &sid)) {
                const std::wstring text =
                    (folder ? L"D:P(A;OICI;FA;;;" : L"D:P(A;;FA;;;") + std::wstring(sid) + L")";
                LocalFree(sid);
                if (ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                                         &descriptor_, nullptr)) {
                    attributes_.nLength = sizeof attributes_;
                    attributes_.lpSecurityDescriptor = descriptor_;
                    attributes_.bInheritHandle = FALSE;
                }
            }
        }
        CloseHandle(token);
    }
    ~OwnerOnlyAccess() {
        if (descriptor_)
            LocalFree(descriptor_);
    }
    OwnerOnlyAccess(const OwnerOnlyAccess &) = delete;
    OwnerOnlyAccess &operator=(const OwnerOnlyAccess &) = delete;

    // Null when no access list could be built: the folder's then applies.
    SECURITY_ATTRIBUTES *attributes() { return descriptor_ ? &attributes_ : nullptr; }
    PSECURITY_DESCRIPTOR descriptor() const { return descriptor_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

bool writeAll(HANDLE file, const QByteArray &bytes, QString *error) {
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const DWORD chunk = DWORD(qMin<qsizetype>(left, 1 << 30));
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr)) {
            fail(error, QStringLiteral("写入失败"), GetLastError());
            return false;
        }
        if (written == 0) {
            *error = QStringLiteral("写入不完整：磁盘空间可能不足");
            return false;
        }
        data += written;
        left -= qsizetype(written);
    }
    return true;
}

// Errors by which ReplaceFileW says it cannot be used at all here (a file system or a
// network share without it), so that a plain move is the way: nothing was changed.
bool replaceIsRefused(DWORD code) {
    return code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED ||
           code == ERROR_CALL_NOT_IMPLEMENTED || code == ERROR_INVALID_PARAMETER;
}

// Stranded: the target's content could be moved neither aside for good nor back (it is
// under the backup name).
enum class Swap { Exchanged, Moved, Failed, Stranded };

// Puts the temporary in the target's place. ReplaceFileW leaves what the target held at
// that instant under the backup name, a version another program wrote a moment ago
// included. A target that is not there is created by a move that never replaces, so that
// one made meanwhile is swapped with instead. On failure, GetLastError() says why and
// the target holds what it held.
Swap putInPlace(const std::wstring &temporary, const std::wstring &target, const std::wstring &backup) {
    DWORD lastCode = ERROR_SHARING_VIOLATION;
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
                return Swap::Moved;
            const DWORD code = GetLastError();
            lastCode = code;
            if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
                continue; // made meanwhile: replaced below
            SetLastError(code);
            return Swap::Failed;
        }
        // Merge errors (attributes, access lists the file system cannot take over) do not
        // stop the replacement: the owner-only access list is set again afterwards.
        if (ReplaceFileW(target.c_str(), temporary.c_str(), backup.c_str(),
                         REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr))
            return Swap::Exchanged;
        const DWORD code = GetLastError();
        lastCode = code;
        switch (code) {
        case ERROR_FILE_NOT_FOUND:
            // The target went meanwhile (the temporary is there: it was checked above and
            // is ours), so it is created.
            continue;
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
            // With a backup name given, both files keep their names: nothing happened.
            SetLastError(code);
            return Swap::Failed;
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
            // The target's content is under the backup name already; the temporary kept its
            // own. It is moved into the place, or the content moved back.
            if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
                return Swap::Exchanged;
            if (!MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
                return Swap::Stranded;
            SetLastError(code);
            return Swap::Failed;
        default:
            if (replaceIsRefused(code)) {
                if (MoveFileExW(temporary.c_str(), target.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                    return Swap::Moved;
                return Swap::Failed;
            }
            // ERROR_UNABLE_TO_REMOVE_REPLACED and the rest: both files keep their names.
            SetLastError(code);
            return Swap::Failed;
        }
    }
    SetLastError(lastCode);
    return Swap::Failed;
}

} // namespace

bool replaceFileContents(const QString &path, const QByteArray &bytes, bool nativeLineEnds, QString *error,
                         const std::function<bool()> &beforeReplace, QString *replaced) {
    if (replaced)
        replaced->clear();
    const std::wstring target = nativeOf(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
            *error = QStringLiteral("不是普通文件");
            return false;
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            fail(error, QStringLiteral("文件不可写"), ERROR_ACCESS_DENIED);
            return false;
        }
    }
    QByteArray content = bytes;
    if (nativeLineEnds)
        content.replace("\n", "\r\n");

    OwnerOnlyAccess access(false);
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 16; ++attempt) {
        temporary = nativeOf(newSaveTemporaryPath(path));
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, access.attributes(), CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        fail(error, QStringLiteral("无法创建临时文件"), GetLastError());
        return false;
    }
    const auto giveUp = [&] {
        DeleteFileW(temporary.c_str());
        return false;
    };
    if (!writeAll(file, content, error)) {
        CloseHandle(file);
        return giveUp();
    }
    if (!FlushFileBuffers(file)) {
        fail(error, QStringLiteral("无法写入磁盘"), GetLastError());
        CloseHandle(file);
        return giveUp();
    }
    if (!CloseHandle(file)) {
        fail(error, QStringLiteral("关闭文件时出错"), GetLastError());
        return giveUp();
    }
    if (beforeReplace && !beforeReplace()) {
        error->clear();
        return giveUp();
    }
    // The backup name is one of the temporaries' names, never an existing file's.
    std::wstring backup;
    for (int attempt = 0; attempt < 16; ++attempt) {
        backup = nativeOf(newSaveTemporaryPath(path));
        if (GetFileAttributesW(backup.c_str()) == INVALID_FILE_ATTRIBUTES)
            break;
    }
    const Swap swap = putInPlace(temporary, target, backup);
    if (swap == Swap::Stranded) {
        const DWORD code = GetLastError();
        *error = QStringLiteral("无法替换原文件：%1；原内容在 %2")
                     .arg(reasonOf(code), QString::fromStdWString(backup));
        return giveUp();
    }
    if (swap == Swap::Failed) {
        fail(error, QStringLiteral("无法替换原文件"), GetLastError());
        return giveUp();
    }
    if (swap == Swap::Exchanged) {
        // ReplaceFileW gives the new file the access list of the one it replaced: it is
        // made the current user's alone again.
        if (PSECURITY_DESCRIPTOR descriptor = access.descriptor())
            SetFileSecurityW(target.c_str(), DACL_SECURITY_INFORMATION, descriptor);
        if (replaced)
            *replaced = QDir::fromNativeSeparators(QString::fromStdWString(backup));
        else
            DeleteFileW(backup.c_str());
    }
    return true;
}

bool makePrivateFolder(const QString &path, bool) {
    // The per-user folders of Windows are the user's own already; a folder created here
    // is given to the current user alone.
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QFileInfo info(absolute);
    if (info.isDir())
        return true;
    const QString parent = info.absolutePath();
    if (parent != absolute && !QFileInfo(parent).isDir() && !makePrivateFolder(parent, false))
        return false;
    OwnerOnlyAccess access(true);
    return CreateDirectoryW(nativeOf(absolute).c_str(), access.attributes()) ||
           GetLastError() == ERROR_ALREADY_EXISTS;
}
