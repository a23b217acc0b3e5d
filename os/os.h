/*
 * os.h - the one thin layer through which window-free code reaches the operating system.
 *
 * Owns: file handles, directory listing, free disk bytes, tick count, buffer allocation,
 * user-visible messages and debug output.  Two implementations exist: os_win.cpp (Win32)
 * and os_posix.cpp (Linux, for native tests, sanitizers, fuzzing and benchmarks).
 * Global state: OsFault (fault injection, off unless a test arms it) and the message hook.
 * No header of this layer includes <windows.h>.
 */
#ifndef ZELO_OS_H
#define ZELO_OS_H

#include <stddef.h>
#include <stdint.h>

/* Exported functions that plug-ins call use the platform's usual DLL convention. */
#if defined(_WIN32) && !defined(_WIN64)
#define ZELOAPI __stdcall
#else
#define ZELOAPI
#endif

typedef intptr_t OsFile;
#define OS_NOFILE ((OsFile)-1)

/* osOpen modes */
#define OS_READ      0
#define OS_WRITE     1
#define OS_READWRITE 2

/* Message styles and answers; the values are those of the Win32 MessageBox. */
#define OS_MB_OK              0x00000000u
#define OS_MB_OKCANCEL        0x00000001u
#define OS_MB_YESNOCANCEL     0x00000003u
#define OS_MB_YESNO           0x00000004u
#define OS_MB_ICONSTOP        0x00000010u
#define OS_MB_ICONQUESTION    0x00000020u
#define OS_MB_ICONEXCLAMATION 0x00000030u
#define OS_MB_ICONINFORMATION 0x00000040u
#define OS_IDOK     1
#define OS_IDCANCEL 2
#define OS_IDYES    6
#define OS_IDNO     7

/* Fault injection.  Every field is "off" at its default; tests arm one and disarm it after. */
struct OsFaultState {
    int  failCreate;     /* > 0: this many file creations fail from now on */
    long writeBudget;    /* >= 0: bytes that writes may still store; beyond that they come back short */
    long allocBudget;    /* >= 0: allocations that still succeed; the ones after fail */
};
extern OsFaultState OsFault;
void osFaultReset(void);

/* Files.  All return OS_NOFILE / -1 on failure. */
OsFile  osCreateTemp(const char *path);   /* fresh read/write file, no sharing, gone when closed */
OsFile  osCreate(const char *path);       /* create or truncate for writing (and reading) */
OsFile  osOpen(const char *path, int mode);
long    osRead(OsFile f, void *buf, unsigned long n);        /* bytes read, -1 on error */
long    osWrite(OsFile f, const void *buf, unsigned long n); /* bytes written, -1 on error */
int64_t osSeek(OsFile f, int64_t offset, int origin);        /* new position, -1 on error */
/* Reading and writing at a place, in one call (the file position afterwards is unspecified). */
long    osReadAt(OsFile f, int64_t at, void *buf, unsigned long n);
long    osWriteAt(OsFile f, int64_t at, const void *buf, unsigned long n);
int64_t osFileSize(OsFile f);                                /* -1 on error */
void    osClose(OsFile f);
int     osDelete(const char *path);                          /* 0 ok */
int     osRename(const char *from, const char *to);          /* 0 ok; replaces an existing target */
int     osFileExists(const char *path);                      /* 1 when a file or folder is there */

/* Directory listing: calls fn for each plain file whose name matches the pattern
   ("*" and "?" wildcards, case-insensitive).  fn returns 0 to stop early.  Returns the
   number of names passed to fn. */
typedef int (*OsDirFn)(const char *name, uint32_t attributes, void *ctx);
int      osListDir(const char *dir, const char *pattern, OsDirFn fn, void *ctx);
uint64_t osFreeBytes(const char *path);    /* free bytes on the drive that holds path; 0 unknown */
uint32_t osTickCount(void);                /* milliseconds, wraps */

/* Buffers taken and given back within a call. */
void   *osAlloc(size_t n);                 /* NULL when no memory (or an armed fault) */
void    osFree(void *p);

/* User-visible messages.  Engine code never shows a box itself: it calls osMessage, which
   the program points at a MessageBox owned by its main window and tests point at a recorder.
   Returns the answer (OS_IDOK, OS_IDYES, ...). */
typedef int (*OsMessageFn)(const char *text, const char *caption, unsigned style);
OsMessageFn osSetMessageHook(OsMessageFn fn);   /* returns the previous hook */
int         osMessage(const char *text, const char *caption, unsigned style);

/* Debug lines for the debugger's output only (OutputDebugString / stderr). */
void osDebug(const char *fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

/* Case-insensitive wildcard match used by osListDir; exposed for tests. */
int osWildMatch(const char *pattern, const char *name);

/* Added for the temporary-file code. */
#if defined(_WIN32)
#define OS_PATHSEP '\\'
#else
#define OS_PATHSEP '/'
#endif
OsFile   osCreateNew(const char *path);    /* create only when absent (read/write); OS_NOFILE otherwise */
int      osDiskFree(const char *path, uint64_t *bytes); /* 0 ok (bytes may be 0: a full drive), 1 unknown */
/* Deletes a file unless some open handle holds it (Win32: sharing rules; POSIX: a lock that
   osCreate/osOpen/osCreateNew take on every file they open).  0 deleted. */
int      osDeleteIfUnused(const char *path);
uint32_t osProcessId(void);

/* Movable memory that plug-ins hand over by handle (a Win32 global handle; elsewhere the
   handle is the pointer).  osLockHandle returns NULL when the block cannot be locked. */
void    *osLockHandle(void *handle);
void     osUnlockHandle(void *handle);

#endif
