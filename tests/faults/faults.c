/* Faults of the system that a test cannot make otherwise, preloaded into it:
 * - a disk that fills up: zentavo_disk_full_after(N) lets N more bytes reach regular files; a
 *   write beyond that is cut short, the next fails with ENOSPC;
 * - another program that writes the book and takes no lock: zentavo_collide(N, BOOK, TEXT,
 *   IN_PLACE) makes the next N flushes of a regular file to disk first append TEXT to BOOK, or
 *   write it over BOOK's first bytes, as such a program would between the read of a writer and
 *   its write;
 * - a file system whose clock stands still: zentavo_freeze_stamp(BOOK) makes stat() of BOOK
 *   report the times it has now, so that a change of the same size cannot be told by them, and
 *   makes it a FAT file system, whose times are that coarse: there that is what happens within
 *   a tick of its clock. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

typedef ssize_t (*WriteFunction)(int, const void *, size_t);
typedef int (*SyncFunction)(int);
typedef int (*StatFunction)(const char *, struct stat *);
typedef int (*FstatfsFunction)(int, struct statfs *);
typedef int (*FstatFunction)(int, struct stat *);

/* The system's own function of that name, found once. */
#define REAL(name, type)                                                                           \
    static type real_##name;                                                                       \
    if (!real_##name)                                                                              \
    real_##name = (type)dlsym(RTLD_NEXT, #name)

static long budget = -1; /* -1: no limit */
static int collisions, collideInPlace;
static char collideBook[4096], collideLine[4096];
static char frozenBook[4096];
static struct stat frozen;

void zentavo_disk_full_after(long bytes)
{
    budget = bytes;
}

ssize_t write(int fd, const void *buffer, size_t count)
{
    REAL(write, WriteFunction);
    struct stat status;
    if (budget < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return real_write(fd, buffer, count);
    if (budget == 0)
        return errno = ENOSPC, -1;
    const ssize_t written = real_write(fd, buffer, (long)count > budget ? (size_t)budget : count);
    budget -= written > 0 ? written : 0;
    return written;
}

void zentavo_collide(int times, const char *book, const char *line, int inPlace)
{
    collisions = times;
    collideInPlace = inPlace;
    strncpy(collideBook, book, sizeof collideBook - 1);
    strncpy(collideLine, line, sizeof collideLine - 1);
}

static void Collide(int fd)
{
    REAL(write, WriteFunction);
    struct stat status;
    if (collisions <= 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return;
    --collisions;
    const int book = open(collideBook, O_WRONLY | O_CLOEXEC | (collideInPlace ? 0 : O_APPEND));
    if (book >= 0) {
        (void)!real_write(book, collideLine, strlen(collideLine));
        close(book);
    }
}

int fsync(int fd)
{
    REAL(fsync, SyncFunction);
    Collide(fd);
    return real_fsync(fd);
}

int fdatasync(int fd)
{
    REAL(fdatasync, SyncFunction);
    Collide(fd);
    return real_fdatasync(fd);
}

void zentavo_freeze_stamp(const char *book)
{
    frozenBook[0] = 0;
    if (book && stat(book, &frozen) == 0)
        strncpy(frozenBook, book, sizeof frozenBook - 1);
}

/* The frozen book's times, where it is still the same file of the same size. */
static int Frozen(int result, struct stat *status)
{
    if (result == 0 && frozenBook[0] && status->st_ino == frozen.st_ino &&
        status->st_dev == frozen.st_dev && status->st_size == frozen.st_size) {
        status->st_mtim = frozen.st_mtim;
        status->st_ctim = frozen.st_ctim;
    }
    return result;
}

int stat(const char *path, struct stat *status)
{
    REAL(stat, StatFunction);
    return Frozen(real_stat(path, status), status);
}

int fstat(int fd, struct stat *status)
{
    REAL(fstat, FstatFunction);
    return Frozen(real_fstat(fd, status), status);
}

int fstatfs(int fd, struct statfs *system)
{
    REAL(fstatfs, FstatfsFunction);
    const int result = real_fstatfs(fd, system);
    struct stat status;
    if (result == 0 && frozenBook[0] && fstat(fd, &status) == 0 && status.st_ino == frozen.st_ino &&
        status.st_dev == frozen.st_dev)
        system->f_type = MSDOS_SUPER_MAGIC;
    return result;
}
