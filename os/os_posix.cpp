/*
 * os_posix.cpp - the OS layer on POSIX systems (native builds for tests, sanitizers, fuzzing
 * and benchmarks).  A temporary-on-close file is unlinked right after it is created, so it
 * vanishes when closed or when the process ends, as the Win32 delete-on-close file does.
 */
#if !defined(_WIN32)
#include "os.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static long budgeted(unsigned long n)
{
    if (OsFault.writeBudget < 0)
        return (long)n;
    long allowed = (long)n < OsFault.writeBudget ? (long)n : OsFault.writeBudget;
    OsFault.writeBudget -= allowed;
    return allowed;
}

static OsFile openFlags(const char *path, int flags)
{
    if (OsFault.failCreate > 0 && (flags & O_CREAT)) {
        OsFault.failCreate--;
        return OS_NOFILE;
    }
    int fd = open(path, flags | O_CLOEXEC, 0644);
    if (fd < 0)
        return OS_NOFILE;
    /* A shared lock marks the file as in use for osDeleteIfUnused (POSIX would let another
       process unlink a file we still use); failure to lock is harmless. */
    flock(fd, LOCK_SH | LOCK_NB);
    return (OsFile)fd;
}

OsFile osCreateTemp(const char *path)
{
    OsFile f = openFlags(path, O_RDWR | O_CREAT | O_TRUNC);
    if (f != OS_NOFILE)
        unlink(path);
    return f;
}

OsFile osCreate(const char *path)
{
    return openFlags(path, O_RDWR | O_CREAT | O_TRUNC);
}

OsFile osOpen(const char *path, int mode)
{
    int flags = mode == OS_WRITE ? O_WRONLY : mode == OS_READWRITE ? O_RDWR : O_RDONLY;
    return openFlags(path, flags);
}

long osRead(OsFile f, void *buf, unsigned long n)
{
    if (f == OS_NOFILE)
        return -1;
    unsigned long done = 0;
    while (done < n) {
        ssize_t r = read((int)f, (char *)buf + done, n - done);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return done ? (long)done : -1;
        if (r == 0)
            break;
        done += (unsigned long)r;
    }
    return (long)done;
}

long osWrite(OsFile f, const void *buf, unsigned long n)
{
    if (f == OS_NOFILE)
        return -1;
    unsigned long want = (unsigned long)budgeted(n), done = 0;
    while (done < want) {
        ssize_t r = write((int)f, (const char *)buf + done, want - done);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return done ? (long)done : -1;
        done += (unsigned long)r;
    }
    return (long)done;
}

long osReadAt(OsFile f, int64_t at, void *buf, unsigned long n)
{
    if (f == OS_NOFILE || at < 0)
        return -1;
    unsigned long done = 0;
    while (done < n) {
        ssize_t r = pread((int)f, (char *)buf + done, n - done, (off_t)(at + (int64_t)done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return done ? (long)done : -1;
        if (r == 0)
            break;
        done += (unsigned long)r;
    }
    return (long)done;
}

long osWriteAt(OsFile f, int64_t at, const void *buf, unsigned long n)
{
    if (f == OS_NOFILE || at < 0)
        return -1;
    unsigned long want = (unsigned long)budgeted(n), done = 0;
    while (done < want) {
        ssize_t r = pwrite((int)f, (const char *)buf + done, want - done, (off_t)(at + (int64_t)done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return done ? (long)done : -1;
        done += (unsigned long)r;
    }
    return (long)done;
}

int64_t osSeek(OsFile f, int64_t offset, int origin)
{
    if (f == OS_NOFILE)
        return -1;
    int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    off_t r = lseek((int)f, (off_t)offset, whence);
    return r < 0 ? -1 : (int64_t)r;
}

int64_t osFileSize(OsFile f)
{
    struct stat st;
    if (f == OS_NOFILE || fstat((int)f, &st) != 0)
        return -1;
    return (int64_t)st.st_size;
}

void osClose(OsFile f)
{
    if (f != OS_NOFILE)
        close((int)f);
}

int osDelete(const char *path)
{
    return unlink(path) == 0 ? 0 : 1;
}

int osRename(const char *from, const char *to)
{
    return rename(from, to) == 0 ? 0 : 1;
}

int osFileExists(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0;
}

int osListDir(const char *dir, const char *pattern, OsDirFn fn, void *ctx)
{
    DIR *d = opendir(dir);
    if (!d)
        return 0;
    int count = 0;
    struct dirent *e;
    char full[4096];
    while ((e = readdir(d)) != NULL) {
        if (!osWildMatch(pattern, e->d_name))
            continue;
        snprintf(full, sizeof full, "%s/%s", dir, e->d_name);
        struct stat st;
        if (stat(full, &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        count++;
        /* Attribute bits as on Win32: 0x01 read-only, 0x80 normal (0x20 archive treated alike). */
        uint32_t attr = (st.st_mode & S_IWUSR) ? 0x80u : 0x01u;
        if (!fn(e->d_name, attr, ctx))
            break;
    }
    closedir(d);
    return count;
}

uint64_t osFreeBytes(const char *path)
{
    struct statvfs sv;
    if (statvfs(path, &sv) != 0)
        return 0;
    return (uint64_t)sv.f_bavail * (uint64_t)sv.f_frsize;
}

uint32_t osTickCount(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}

int osPlatformMessage(const char *text, const char *caption, unsigned style)
{
    fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
    if ((style & 0x0Fu) == OS_MB_YESNO || (style & 0x0Fu) == OS_MB_YESNOCANCEL)
        return OS_IDYES;
    return OS_IDOK;
}

void osDebug(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vfprintf(stderr, fmt, ap);
    va_end(ap);
}

OsFile osCreateNew(const char *path)
{
    return openFlags(path, O_RDWR | O_CREAT | O_EXCL);
}

int osDiskFree(const char *path, uint64_t *bytes)
{
    struct statvfs sv;
    if (statvfs(path, &sv) != 0)
        return 1;
    *bytes = (uint64_t)sv.f_bavail * (uint64_t)sv.f_frsize;
    return 0;
}

/* Every file this layer opens carries a shared lock; an exclusive one can be had only when
   no process holds the file open through it. */
int osDeleteIfUnused(const char *path)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return 1;
    int rc = 1;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0)
        rc = unlink(path) == 0 ? 0 : 1;
    close(fd);
    return rc;
}

uint32_t osProcessId(void)
{
    return (uint32_t)getpid();
}

void *osLockHandle(void *handle) { return handle; }

void osUnlockHandle(void *handle) { (void)handle; }

#endif
