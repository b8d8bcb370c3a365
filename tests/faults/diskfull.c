/* A disk that fills up, for tests: preloaded (LD_PRELOAD), it lets the test set how many more
 * bytes may be written to regular files; a write beyond that is cut short, and the next one
 * fails with ENOSPC, as on a full disk. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

static long budget = -1; /* bytes still free; -1 for no limit */

void zentavo_disk_full_after(long bytes)
{
    budget = bytes;
}

ssize_t write(int fd, const void *buffer, size_t count)
{
    static ssize_t (*real)(int, const void *, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void *, size_t))dlsym(RTLD_NEXT, "write");
    struct stat status;
    if (budget < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return real(fd, buffer, count);
    if (budget == 0) {
        errno = ENOSPC;
        return -1;
    }
    if ((long)count > budget)
        count = (size_t)budget;
    const ssize_t written = real(fd, buffer, count);
    if (written > 0)
        budget -= written;
    return written;
}
