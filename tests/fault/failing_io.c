/* Preloaded into a program (LD_PRELOAD) to make file calls fail the way full disks,
 * exceeded quotas and failing network file systems make them fail, on the files whose
 * path contains $FAULT_PATH only:
 *   FAULT_CALL  fsync (fsync and fdatasync), close, write or rename
 *   FAULT_ERRNO ENOSPC, EDQUOT, EIO, EROFS or a number
 * fsync and close fail outright (close still closes, as Linux's does). A write writes
 * half of what it was given and says so; the next write on that file fails. A rename
 * fails when its new name matches.
 *   FAULT_CALL slow-rename: a rename (rename, renameat, renameat2) onto a matching name
 *   waits FAULT_DELAY_MS (10 unless set) first and then happens, as on a slow network
 *   file system: what another program does meanwhile lands just before it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int enabled(const char *call) {
    const char *wanted = getenv("FAULT_CALL");
    return wanted && strcmp(wanted, call) == 0;
}

static int chosen_errno(void) {
    const char *name = getenv("FAULT_ERRNO");
    if (!name || !*name)
        return EIO;
    if (strcmp(name, "ENOSPC") == 0)
        return ENOSPC;
    if (strcmp(name, "EDQUOT") == 0)
        return EDQUOT;
    if (strcmp(name, "EIO") == 0)
        return EIO;
    if (strcmp(name, "EROFS") == 0)
        return EROFS;
    return atoi(name);
}

static int path_matches(const char *path) {
    const char *pattern = getenv("FAULT_PATH");
    return path && pattern && *pattern && strstr(path, pattern) != NULL;
}

static int fd_matches(int fd) {
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length <= 0)
        return 0;
    path[length] = '\0';
    return path_matches(path);
}

static void *next(const char *name) {
    return dlsym(RTLD_NEXT, name);
}

static int fail_with_chosen(void) {
    errno = chosen_errno();
    return -1;
}

int fsync(int fd) {
    if (enabled("fsync") && fd_matches(fd))
        return fail_with_chosen();
    return ((int (*)(int))next("fsync"))(fd);
}

int fdatasync(int fd) {
    if (enabled("fsync") && fd_matches(fd))
        return fail_with_chosen();
    return ((int (*)(int))next("fdatasync"))(fd);
}

/* The descriptor that got its short write, so that its next write fails. */
static int short_written_fd = -1;

int close(int fd) {
    const int matches = enabled("close") && fd_matches(fd);
    if (fd == short_written_fd)
        short_written_fd = -1;
    const int result = ((int (*)(int))next("close"))(fd);
    return matches ? fail_with_chosen() : result;
}

ssize_t write(int fd, const void *data, size_t size) {
    ssize_t (*real)(int, const void *, size_t) = (ssize_t(*)(int, const void *, size_t))next("write");
    if (!enabled("write") || size < 2 || !fd_matches(fd))
        return real(fd, data, size);
    if (fd == short_written_fd)
        return fail_with_chosen();
    short_written_fd = fd;
    return real(fd, data, size / 2);
}

static void wait_if_slow(const char *to) {
    if (!enabled("slow-rename") || !path_matches(to))
        return;
    const char *ms = getenv("FAULT_DELAY_MS");
    const long delay = ms && *ms ? atol(ms) : 10;
    struct timespec pause = {delay / 1000, (delay % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

int rename(const char *from, const char *to) {
    if (enabled("rename") && path_matches(to))
        return fail_with_chosen();
    wait_if_slow(to);
    return ((int (*)(const char *, const char *))next("rename"))(from, to);
}

int renameat(int fromFolder, const char *from, int toFolder, const char *to) {
    if (enabled("rename") && path_matches(to))
        return fail_with_chosen();
    wait_if_slow(to);
    return ((int (*)(int, const char *, int, const char *))next("renameat"))(fromFolder, from, toFolder, to);
}

int renameat2(int fromFolder, const char *from, int toFolder, const char *to, unsigned flags) {
    if (enabled("rename") && path_matches(to))
        return fail_with_chosen();
    wait_if_slow(to);
    return ((int (*)(int, const char *, int, const char *, unsigned))next("renameat2"))(fromFolder, from,
                                                                                        toFolder, to, flags);
}
