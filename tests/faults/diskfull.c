/* A disk that fills up, preloaded into a test: zentavo_disk_full_after(N) lets N more bytes
 * reach regular files; a write beyond that is cut short, the next fails with ENOSPC. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

static long budget = -1; /* -1: no limit */

void zentavo_disk_full_after(long bytes) { budget = bytes; }

ssize_t write(int fd, const void *buffer, size_t count)
{
    static ssize_t (*real)(int, const void *, size_t);
    struct stat status;
    if (!real)
        real = (ssize_t(*)(int, const void *, size_t))dlsym(RTLD_NEXT, "write");
    if (budget < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return real(fd, buffer, count);
    if (budget == 0)
        return errno = ENOSPC, -1;
    const ssize_t written = real(fd, buffer, (long)count > budget ? (size_t)budget : count);
    budget -= written > 0 ? written : 0;
    return written;
}
