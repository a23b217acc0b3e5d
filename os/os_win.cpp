/*
 * os_win.cpp - the OS layer on Win32.  Files go through CreateFile/ReadFile/WriteFile; the
 * block file is created with FILE_FLAG_DELETE_ON_CLOSE and FILE_FLAG_RANDOM_ACCESS, so it
 * vanishes when closed or when the process ends.  Debug lines go to OutputDebugString.
 */
#if defined(_WIN32)
#include "os.h"

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

static DWORD budgeted(DWORD n)
{
    if (OsFault.writeBudget < 0)
        return n;
    DWORD allowed = (long)n < OsFault.writeBudget ? n : (DWORD)OsFault.writeBudget;
    OsFault.writeBudget -= (long)allowed;
    return allowed;
}

static OsFile createWith(const char *path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    if (OsFault.failCreate > 0 && disposition != OPEN_EXISTING) {
        OsFault.failCreate--;
        return OS_NOFILE;
    }
    HANDLE h = CreateFileA(path, access, share, NULL, disposition, flags, NULL);
    return h == INVALID_HANDLE_VALUE ? OS_NOFILE : (OsFile)h;
}

OsFile osCreateTemp(const char *path)
{
    return createWith(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_RANDOM_ACCESS);
}

OsFile osCreate(const char *path)
{
    return createWith(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL);
}

OsFile osOpen(const char *path, int mode)
{
    DWORD access = mode == OS_WRITE ? GENERIC_WRITE
                 : mode == OS_READWRITE ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;
    DWORD share = mode == OS_READ ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    return createWith(path, access, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
}

long osRead(OsFile f, void *buf, unsigned long n)
{
    DWORD got = 0;
    if (f == OS_NOFILE || !ReadFile((HANDLE)f, buf, n, &got, NULL))
        return -1;
    return (long)got;
}

long osWrite(OsFile f, const void *buf, unsigned long n)
{
    DWORD put = 0, want = budgeted(n);
    if (f == OS_NOFILE)
        return -1;
    if (want == 0)
        return 0;
    if (!WriteFile((HANDLE)f, buf, want, &put, NULL))
        return put ? (long)put : -1;
    return (long)put;
}

/* Positioned reads and writes seek first: Wine serves a plain ReadFile or WriteFile on a
   synchronous handle many times faster than one given an OVERLAPPED offset. */
long osReadAt(OsFile f, int64_t at, void *buf, unsigned long n)
{
    DWORD got = 0;
    if (f == OS_NOFILE || at < 0)
        return -1;
    if (osSeek(f, at, 0) != at)
        return -1;
    if (!ReadFile((HANDLE)f, buf, n, &got, NULL))
        return -1;
    return (long)got;
}

long osWriteAt(OsFile f, int64_t at, const void *buf, unsigned long n)
{
    DWORD put = 0, want = budgeted(n);
    if (f == OS_NOFILE || at < 0)
        return -1;
    if (want == 0)
        return 0;
    if (osSeek(f, at, 0) != at)
        return -1;
    if (!WriteFile((HANDLE)f, buf, want, &put, NULL))
        return put ? (long)put : -1;
    return (long)put;
}

int64_t osSeek(OsFile f, int64_t offset, int origin)
{
    LARGE_INTEGER d, r;
    d.QuadPart = offset;
    DWORD method = origin == 1 ? FILE_CURRENT : origin == 2 ? FILE_END : FILE_BEGIN;
    if (f == OS_NOFILE || !SetFilePointerEx((HANDLE)f, d, &r, method))
        return -1;
    return r.QuadPart;
}

int64_t osFileSize(OsFile f)
{
    LARGE_INTEGER s;
    if (f == OS_NOFILE || !GetFileSizeEx((HANDLE)f, &s))
        return -1;
    return s.QuadPart;
}

void osClose(OsFile f)
{
    if (f != OS_NOFILE)
        CloseHandle((HANDLE)f);
}

int osDelete(const char *path)
{
    return DeleteFileA(path) ? 0 : 1;
}

int osRename(const char *from, const char *to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) ? 0 : 1;
}

int osFileExists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

int osListDir(const char *dir, const char *pattern, OsDirFn fn, void *ctx)
{
    char wild[MAX_PATH + 4];
    int n = snprintf(wild, sizeof wild, "%s\\*", dir);
    if (n < 0 || n >= (int)sizeof wild)
        return 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(wild, &fd);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (!osWildMatch(pattern, fd.cFileName))
            continue;
        count++;
        if (!fn(fd.cFileName, fd.dwFileAttributes, ctx))
            break;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return count;
}

uint64_t osFreeBytes(const char *path)
{
    ULARGE_INTEGER avail;
    if (!GetDiskFreeSpaceExA(path, &avail, NULL, NULL))
        return 0;
    return avail.QuadPart;
}

uint32_t osTickCount(void)
{
    return GetTickCount();
}

int osPlatformMessage(const char *text, const char *caption, unsigned style)
{
    return MessageBoxA(NULL, text, caption, style | MB_TASKMODAL);
}

void osDebug(const char *fmt, ...)
{
    char line[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    OutputDebugStringA(line);
}

OsFile osCreateNew(const char *path)
{
    return createWith(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL);
}

int osDiskFree(const char *path, uint64_t *bytes)
{
    ULARGE_INTEGER avail;
    if (!GetDiskFreeSpaceExA(path, &avail, NULL, NULL))
        return 1;
    *bytes = avail.QuadPart;
    return 0;
}

/* A handle opened without FILE_SHARE_DELETE (all of ours) makes DeleteFile fail, so a file
   another running copy holds open stays. */
int osDeleteIfUnused(const char *path)
{
    return DeleteFileA(path) ? 0 : 1;
}

uint32_t osProcessId(void)
{
    return GetCurrentProcessId();
}
void *osLockHandle(void *handle)
{
    return handle ? GlobalLock((HGLOBAL)handle) : NULL;
}

void osUnlockHandle(void *handle)
{
    if (handle)
        GlobalUnlock((HGLOBAL)handle);
}
#endif
