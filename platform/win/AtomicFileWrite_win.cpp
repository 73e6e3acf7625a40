// The replacement of a file on Windows: CreateFileW(CREATE_NEW), WriteFile, FlushFileBuffers
// and CloseHandle, each checked, then MoveFileExW with write-through.
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

} // namespace

bool replaceFileContents(const QString &path, const QByteArray &bytes, bool nativeLineEnds, QString *error,
                         const std::function<bool()> &beforeReplace) {
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
    if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        fail(error, QStringLiteral("无法替换原文件"), GetLastError());
        return giveUp();
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
