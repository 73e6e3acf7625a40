#include "platform/FontFilePages.h"

#include <fontconfig/fontconfig.h>
#include <sys/mman.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The folders fontconfig takes fonts from: the files Qt's fonts are opened from.
std::vector<std::string> fontFolders() {
    std::vector<std::string> folders;
    FcStrList *list = FcConfigGetFontDirs(nullptr);
    if (!list)
        return folders;
    while (const FcChar8 *folder = FcStrListNext(list)) {
        std::string path(reinterpret_cast<const char *>(folder));
        if (!path.empty() && path.back() != '/')
            path += '/';
        folders.push_back(path);
    }
    FcStrListDone(list);
    return folders;
}

bool inFolder(const std::string &path, const std::vector<std::string> &folders) {
    for (const std::string &folder : folders)
        if (path.compare(0, folder.size(), folder) == 0)
            return true;
    return false;
}

} // namespace

void releaseFontFilePages() {
    const std::vector<std::string> folders = fontFolders();
    if (folders.empty())
        return;
    std::FILE *maps = std::fopen("/proc/self/maps", "re");
    if (!maps)
        return;
    char line[4352];
    while (std::fgets(line, sizeof line, maps)) {
        // A file's path is the first slash of its line: the fields before it never hold one.
        const char *const pathStart = std::strchr(line, '/');
        if (!pathStart)
            continue;
        std::string path(pathStart);
        if (!path.empty() && path.back() == '\n')
            path.pop_back();
        if (!inFolder(path, folders))
            continue;
        unsigned long start = 0, end = 0;
        char permissions[5] = {};
        // Only a private, read-only view of a file: dropping its pages loses nothing, the
        // next read maps them again from the file.
        if (std::sscanf(line, "%lx-%lx %4s", &start, &end, permissions) == 3 &&
            std::strcmp(permissions, "r--p") == 0)
            madvise(reinterpret_cast<void *>(start), end - start, MADV_DONTNEED);
    }
    std::fclose(maps);
}
