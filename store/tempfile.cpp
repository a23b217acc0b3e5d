/*
 * tempfile.cpp - temporary and undo directories, temporary names, store set-up and
 * teardown, undo copies of one range, the transfer buffer and the exit clean-up.
 *
 * Global state: TF, TempHook; writes Wave (through vocSetFormat) and BF (bopen, bclose).
 * Invariants: TF.tempDir and TF.undoDir never end in a separator once chosen; TF.storeName
 * is non-empty exactly while the store has a file; TF.transfer, once taken, stays until
 * tempTransferRelease; an undo file stays open in TF.held from tempUndoSave until
 * tempUndoDelete (or tempExitCleanup).  Several running copies share the directories: names
 * are drawn at random and checked, and files held open resist the others' clean-ups, so a
 * file that nobody holds was left by a copy that no longer runs.
 */
#include "store/tempfile.h"
#include "store/blockfile.h"
#include "store/voc.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

static int realDiskFree(const char *path, uint64_t *bytes) { return osDiskFree(path, bytes); }

TempHooks TempHook = {NULL, NULL, NULL, NULL, realDiskFree};
TempState TF = {"", "", "", "", "", NULL, 12345u, 0, {}};

#define NAMES_PER_PREFIX 10000u
#define RANDOM_TRIES     64u

static void copyText(char *dst, size_t size, const char *src)
{
    snprintf(dst, size, "%s", src ? src : "");
}

/* Windows paths are case-blind and the directories are kept upper case; POSIX paths are
   case-sensitive, so folding them would name another folder. */
static void foldCase(char *s)
{
#if defined(_WIN32)
    for (; *s; s++)
        *s = (char)toupper((unsigned char)*s);
#else
    (void)s;
#endif
}

/* "C:\" stays "C:" because every name is formed as directory, separator, file name; on
   POSIX any trailing separator but the root's goes. */
static void dropRootSeparator(char *dir)
{
#if defined(_WIN32)
    if (strlen(dir) == 3 && dir[2] == '\\')
        dir[2] = 0;
#else
    size_t n = strlen(dir);
    while (n > 1 && dir[n - 1] == '/')
        dir[--n] = 0;
    if (n == 1 && dir[0] == '/')
        dir[0] = 0;   /* the root: names become "/~ZEL...", as on a drive root */
#endif
}

/* The drive root of a missing directory: its first three characters on Win32, "/" on POSIX. */
static void cutToRoot(char *dir)
{
#if defined(_WIN32)
    if (strlen(dir) > 3)
        dir[3] = 0;
#else
    copyText(dir, TEMP_DIRMAX, "/");
#endif
}

void tempChooseDirs(const char *tempOverride, const char *undoTempDir,
                    const char *envTemp, const char *systemDir)
{
    char *t = TF.tempDir, *u = TF.undoDir;
    copyText(t, TEMP_DIRMAX, tempOverride);
    copyText(u, TEMP_DIRMAX, undoTempDir);
    foldCase(t);
    foldCase(u);
    TF.tempWriteBack[0] = TF.undoWriteBack[0] = 0;

    if (!*t) {
        copyText(t, TEMP_DIRMAX, envTemp && *envTemp ? envTemp : systemDir);
        foldCase(t);
        copyText(TF.tempWriteBack, TEMP_DIRMAX, t);
    }
    if (!*t || !osFileExists(t)) {
        cutToRoot(t);
        if (!*t || !osFileExists(t))
#if defined(_WIN32)
            copyText(t, TEMP_DIRMAX, "c:\\");
#else
            copyText(t, TEMP_DIRMAX, "/tmp");
#endif
        copyText(TF.tempWriteBack, TEMP_DIRMAX, t);
    }
    dropRootSeparator(t);

    if (!*u) {
        copyText(u, TEMP_DIRMAX, t);
        copyText(TF.undoWriteBack, TEMP_DIRMAX, u);
        if (!*u)   /* the POSIX root, kept as "" above */
            copyText(TF.undoWriteBack, TEMP_DIRMAX, "/");
    }
    dropRootSeparator(u);
}

void tempSeed(uint32_t seed)
{
    TF.seed = seed ? seed : 1u;
}

static unsigned nextDigit(void)
{
    /* Numerical Recipes' LCG; the high bits are the random ones. */
    TF.seed = TF.seed * 1664525u + 1013904223u;
    return (TF.seed >> 16) % 10u;
}

static int formName(char *out, size_t size, const char *dir, const char *prefix, unsigned n)
{
    int len = snprintf(out, size, "%s%c~%s%u%u%u%u.TMP", dir, OS_PATHSEP, prefix,
                       n / 1000u, n / 100u % 10u, n / 10u % 10u, n % 10u);
    return len > 0 && (size_t)len < size ? 0 : 1;
}

int tempMakeName(const char *prefix, const char *dir, char *out, size_t outSize)
{
    if (!out || outSize == 0)
        return 1;
    if (!prefix)
        prefix = "";
    if (!dir)
        dir = TF.tempDir;
    /* Random draws first, so that copies sharing the folder rarely meet; then, because a
       folder may hold every name of a prefix, one sweep over all ten thousand from a random
       start, so the search always ends. */
    for (unsigned i = 0; i < RANDOM_TRIES; i++) {
        unsigned n = nextDigit() * 1000u + nextDigit() * 100u + nextDigit() * 10u + nextDigit();
        if (formName(out, outSize, dir, prefix, n)) {
            out[0] = 0;
            return 1;
        }
        if (!osFileExists(out))
            return 0;
    }
    unsigned start = nextDigit() * 1000u + nextDigit() * 100u + nextDigit() * 10u + nextDigit();
    for (unsigned i = 0; i < NAMES_PER_PREFIX; i++) {
        formName(out, outSize, dir, prefix, (start + i) % NAMES_PER_PREFIX);
        if (!osFileExists(out))
            return 0;
    }
    out[0] = 0;
    return 1;
}

void ZELOAPI getTempName(const char *prefix, char *buffer)
{
    if (!buffer)
        return;
    char dir[TEMP_NAMEMAX];
    if (buffer[0] == '!')
        copyText(dir, sizeof dir, buffer + 1);
    else
        copyText(dir, sizeof dir, TF.tempDir);
    char name[TEMP_NAMEMAX];
    if (tempMakeName(prefix, dir, name, sizeof name) == 0) {
        memcpy(buffer, name, strlen(name) + 1);
        return;
    }
    char text[TEMP_NAMEMAX + 160];
    snprintf(text, sizeof text,
             "No temporary file name is free in %s.  Delete the old ~%.20s*.TMP files there "
             "or choose another temporary directory.", dir, prefix ? prefix : "");
    osMessage(text, "Error", OS_MB_OK | OS_MB_ICONEXCLAMATION);
    buffer[0] = 0;
}

int tempStoreSetup(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample)
{
    if (BF.table)
        tempStoreTeardown(0);
    vocSetFormat(channels, bitsPerSample, 0);
    int ok = tempMakeName("ZEL", TF.tempDir, TF.storeName, sizeof TF.storeName) == 0
          && bopen(TF.storeName) == 0 && BF.file != OS_NOFILE;
    if (!ok) {
        /* bopen leaves tables without a file when the create fails: nothing can use them. */
        if (BF.table)
            bclose();
        TF.storeName[0] = 0;
        osMessage("Bopen Failed.", "Hey!", OS_MB_OK | OS_MB_ICONINFORMATION);
    }
    Wave.dataLength = 0;
    if (TempHook.storeOpened)
        TempHook.storeOpened(sampleRate);
    return ok ? 0 : 1;
}

void tempStoreTeardown(int exiting)
{
    bclose();
    TF.storeName[0] = 0;
    Wave.dataLength = 0;
    if (TempHook.storeClosed)
        TempHook.storeClosed(exiting);
}

uint64_t tempDriveFree(void)
{
    uint64_t bytes = 0;
    if (!TempHook.diskFree || TempHook.diskFree(TF.tempDir[0] ? TF.tempDir : "/", &bytes) != 0)
        return 100000u;
    return bytes;
}

uint8_t *tempTransfer(void)
{
    if (!TF.transfer)
        TF.transfer = (uint8_t *)osAlloc(TRANSFER_ALLOC);
    return TF.transfer;
}

void tempTransferRelease(void)
{
    osFree(TF.transfer);
    TF.transfer = NULL;
}

static void wait(int on)
{
    if (TempHook.waitCursor)
        TempHook.waitCursor(on);
}

static const char *undoFolder(void)
{
#if defined(_WIN32)
    return TF.undoDir;
#else
    return TF.undoDir[0] ? TF.undoDir : "/";
#endif
}

static UndoHold *heldSlot(const char *fileName)
{
    for (UndoHold &h : TF.held)
        if (h.fileName[0] && strcmp(h.fileName, fileName) == 0)
            return &h;
    return NULL;
}

/* Keeps f open for the level's life; with every slot taken the file is closed and merely
   unprotected from other copies' clean-ups. */
static void hold(const char *fileName, OsFile f)
{
    for (UndoHold &h : TF.held)
        if (!h.fileName[0]) {
            copyText(h.fileName, sizeof h.fileName, fileName);
            h.file = f;
            return;
        }
    osClose(f);
}

static void letGo(UndoHold *h)
{
    osClose(h->file);
    h->file = OS_NOFILE;
    h->fileName[0] = 0;
}

int tempUndoSave(uint32_t first, uint32_t last, int undoEnabled, UndoCopy *out)
{
    out->fileName[0] = 0;
    out->savedLength = 0;
    /* The switch is looked at first: with undo off there is nothing to ask the disk. */
    if (!undoEnabled)
        return -1;
    uint64_t freeBytes = 0;
    if (!TempHook.diskFree || TempHook.diskFree(undoFolder(), &freeBytes) != 0)
        return 0;
    uint32_t ba = Wave.blockAlign ? Wave.blockAlign : 1;
    uint32_t frames = Wave.dataLength / ba;
    if (last < first || last == 0xFFFFFFFFu || first >= frames)
        return 1;
    if (last >= frames)
        last = frames - 1;   /* bytes past the end do not exist and must not be saved */
    uint64_t bytes = (uint64_t)(last - first + 1) * ba;
    if (freeBytes * 7 / 10 < bytes)
        return 0;

    char path[TEMP_NAMEMAX];
    if (tempMakeName("NDO", TF.undoDir, path, sizeof path))
        return 0;
    OsFile f = osCreateNew(path);
    if (f == OS_NOFILE)
        return 0;
    uint8_t *buf = tempTransfer();
    if (!buf) {
        osClose(f);
        osDelete(path);
        return 0;
    }
    wait(1);
    int failed = 0;
    uint64_t done = 0;
    while (done < bytes && !failed) {
        uint32_t piece = bytes - done < UNDO_SAVE_PIECE ? (uint32_t)(bytes - done) : UNDO_SAVE_PIECE;
        if (vocRead(buf, (int32_t)((uint64_t)first * ba + done), piece) != 0)
            failed = 1;
        else if (osWrite(f, buf, piece) != (long)piece)
            failed = 1;
        done += piece;
    }
    wait(0);
    TF.lastUndoSave = osTickCount();
    if (failed) {
        osClose(f);
        osDelete(path);
        return 0;
    }
    const char *base = strrchr(path, OS_PATHSEP);
    copyText(out->fileName, sizeof out->fileName, base ? base + 1 : path);
    out->savedLength = (uint32_t)bytes;
    hold(out->fileName, f);
    return 1;
}

static int undoPath(const UndoCopy *copy, char *path, size_t size)
{
    /* The name came from our own save, but a corrupt record must not reach outside. */
    if (!copy->fileName[0] || memchr(copy->fileName, 0, sizeof copy->fileName) == NULL
        || strchr(copy->fileName, '/') || strchr(copy->fileName, '\\'))
        return 1;
    int n = snprintf(path, size, "%s%c%s", TF.undoDir, OS_PATHSEP, copy->fileName);
    return n > 0 && (size_t)n < size ? 0 : 1;
}

int tempUndoRestore(uint32_t first, const UndoCopy *copy)
{
    char path[TEMP_NAMEMAX];
    if (!copy || !copy->fileName[0] || copy->savedLength == 0)
        return 0;
    if (undoPath(copy, path, sizeof path))
        return 1;
    /* Opened by name again, beside the handle that holds it: a file gone missing is
       reported, never read back from a handle that outlived its name. */
    OsFile f = osOpen(path, OS_READ);
    if (f == OS_NOFILE)
        return 1;
    uint8_t *buf = tempTransfer();
    if (!buf) {
        osClose(f);
        return 1;
    }
    uint32_t ba = Wave.blockAlign ? Wave.blockAlign : 1;
    wait(1);
    uint64_t done = 0;
    while (done < copy->savedLength) {
        uint32_t want = copy->savedLength - done < UNDO_PIECE ? (uint32_t)(copy->savedLength - done) : UNDO_PIECE;
        long got = osRead(f, buf, want);
        if (got <= 0)
            break;
        if (vocWriteAt(buf, (int32_t)((uint64_t)first * ba + done), (uint32_t)got) != 0)
            break;
        done += (uint64_t)got;
        if ((uint32_t)got < want)
            break;
    }
    osClose(f);
    wait(0);
    if (TempHook.select && copy->savedLength / ba > 0)
        TempHook.select(first, first + copy->savedLength / ba - 1);
    return 0;
}

void tempUndoDelete(const UndoCopy *copy)
{
    char path[TEMP_NAMEMAX];
    if (!copy || undoPath(copy, path, sizeof path) != 0)
        return;
    UndoHold *h = heldSlot(copy->fileName);
    if (h)
        letGo(h);
    if (osFileExists(path))
        osDelete(path);
}

/* Read-only, hidden, system, directory, device, reparse point, offline: a file with any of
   these was not left by us.  The archive bit is not among them: file systems set it on
   every new file, so requiring "no archive bit" would never remove anything. */
#define PROTECTED_ATTRIBUTES 0x1417u

struct Found {
    std::vector<std::string> names;
};

static int collect(const char *name, uint32_t attributes, void *ctx)
{
    if ((attributes & PROTECTED_ATTRIBUTES) == 0)
        ((Found *)ctx)->names.push_back(name);
    return 1;
}

static int cleanFolder(const char *dir, const char *pattern)
{
    Found found;
    /* Listing first and deleting after keeps the directory scan stable. */
    osListDir(dir, pattern, collect, &found);
    int deleted = 0;
    for (const std::string &n : found.names) {
        std::string path = std::string(dir) + OS_PATHSEP + n;
        if (osDeleteIfUnused(path.c_str()) == 0)
            deleted++;
    }
    return deleted;
}

static int cleanBoth(void)
{
    int n = 0;
    if (TF.tempDir[0] || OS_PATHSEP == '/')
        n += cleanFolder(TF.tempDir[0] ? TF.tempDir : "/", "~ZEL*.tmp");
    if (TF.undoDir[0] || OS_PATHSEP == '/')
        n += cleanFolder(undoFolder(), "~NDO*.tmp");
    return n;
}

int tempExitCleanup(void)
{
    for (UndoHold &h : TF.held)
        if (h.fileName[0])
            letGo(&h);
    return cleanBoth();
}

int tempStartupCleanup(void)
{
    return cleanBoth();
}
