/* Makes the files under one folder answer like a network share: every read, write and flush
 * of such a file waits a few milliseconds first, in the real program, with no change to it.
 * Linux only; loaded with LD_PRELOAD:
 *
 *   LD_PRELOAD=libkrdl_slow_storage.so KRDL_SLOW_DIR=/tmp/share KRDL_SLOW_MS=5 docprops show /tmp/share/doc1.par
 *
 * Which file a descriptor is comes from /proc/self/fd on every call: a few microseconds against
 * the milliseconds of the wait, and no bookkeeping of opens, duplicates and closes. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

static int UnderSlowFolder(int fd)
{
    const char* folder = getenv("KRDL_SLOW_DIR");
    if (!folder || !*folder)
        return 0;
    char link[64];
    char target[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return 0;
    target[n] = 0;
    const size_t length = strlen(folder);
    return strncmp(target, folder, length) == 0 && (target[length] == '/' || target[length] == 0);
}

static void Wait(int fd)
{
    if (!UnderSlowFolder(fd))
        return;
    const char* ms = getenv("KRDL_SLOW_MS");
    const long milliseconds = ms ? atol(ms) : 5;
    struct timespec delay = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&delay, &delay) != 0) {
    }
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

ssize_t read(int fd, void* buffer, size_t count)
{
    Wait(fd);
    return NEXT(read)(fd, buffer, count);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset)
{
    Wait(fd);
    return NEXT(pread)(fd, buffer, count, offset);
}

ssize_t pread64(int fd, void* buffer, size_t count, off64_t offset)
{
    Wait(fd);
    return NEXT(pread64)(fd, buffer, count, offset);
}

ssize_t readv(int fd, const struct iovec* parts, int count)
{
    Wait(fd);
    return NEXT(readv)(fd, parts, count);
}

ssize_t write(int fd, const void* buffer, size_t count)
{
    Wait(fd);
    return NEXT(write)(fd, buffer, count);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset)
{
    Wait(fd);
    return NEXT(pwrite)(fd, buffer, count, offset);
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off64_t offset)
{
    Wait(fd);
    return NEXT(pwrite64)(fd, buffer, count, offset);
}

int fsync(int fd)
{
    Wait(fd);
    return NEXT(fsync)(fd);
}

int fdatasync(int fd)
{
    Wait(fd);
    return NEXT(fdatasync)(fd);
}
