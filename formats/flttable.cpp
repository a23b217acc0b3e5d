/*
 * flttable.cpp - filter discovery: the flt.dat cache, the scan of the program folder's
 * modules, table order and file associations.
 *
 * Writes FltTable (fltTableBuild, fltTableAdd, fltTableSort, fltTableRelease), the files
 * <dir>\flt.dat and the user profile's "Extensions" section.  A damaged or stale cache is
 * rebuilt without a message; modules that fail to load are reported only while scanning.
 */
#include "formats/flttable.h"

#include "os/os.h"
#include "core/profile.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

FltTableState FltTable;

#define CACHE_HEAD 8
#define CACHE_MARK "WEXO"

void fltField(char *out, const char *field, size_t fieldSize)
{
    size_t n = 0;
    while (n < fieldSize && field[n])
        n++;
    memcpy(out, field, n);
    out[n] = 0;
}

int fltStrCaseEq(const char *a, const char *b)
{
    for (; *a && *b; a++, b++)
        if (tolower((unsigned char)*a) != tolower((unsigned char)*b))
            return 0;
    return *a == *b;
}

int fltStrCaseContains(const char *hay, const char *needle)
{
    size_t n = strlen(needle);
    for (; *hay; hay++) {
        size_t i = 0;
        while (i < n && hay[i] && tolower((unsigned char)hay[i]) == tolower((unsigned char)needle[i]))
            i++;
        if (i == n)
            return 1;
    }
    return n == 0;
}

static int extCompare(const FltRecord *a, const FltRecord *b)
{
    char x[9], y[9];
    fltField(x, a->ext, sizeof a->ext);
    fltField(y, b->ext, sizeof b->ext);
    for (int i = 0;; i++) {
        int c = tolower((unsigned char)x[i]), d = tolower((unsigned char)y[i]);
        if (c != d || !c)
            return c - d;
    }
}

/* 1 when a must come after b in table order. */
static int sortsAfter(const FltRecord *a, const FltRecord *b)
{
    int la = (a->flags & FLT_SORTLAST) != 0, lb = (b->flags & FLT_SORTLAST) != 0;
    if (la != lb)
        return la;
    return extCompare(a, b) > 0;
}

void fltTableSort(void)
{
    /* Insertion sort: stable, and the table holds at most 48 records. */
    for (int i = 1; i < FltTable.count; i++) {
        FltRecord r = FltTable.rec[i];
        int j = i;
        while (j > 0 && sortsAfter(&FltTable.rec[j - 1], &r)) {
            FltTable.rec[j] = FltTable.rec[j - 1];
            j--;
        }
        FltTable.rec[j] = r;
    }
}

int fltTableAdd(const FltRecord *r)
{
    if (FltTable.count >= FLT_MAXFILTERS)
        return 1;
    FltTable.rec[FltTable.count++] = *r;
    /* The table was in order before, so one backward pass puts the new record in place. */
    for (int i = FltTable.count - 1; i > 0; i--) {
        if (!sortsAfter(&FltTable.rec[i - 1], &FltTable.rec[i]))
            break;
        FltRecord t = FltTable.rec[i];
        FltTable.rec[i] = FltTable.rec[i - 1];
        FltTable.rec[i - 1] = t;
    }
    return 0;
}

void fltTableRelease(void)
{
    memset(&FltTable, 0, sizeof FltTable);
}

static uint32_t le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }
static uint16_t le16(const uint8_t *p) { return (uint16_t)(p[0] | p[1] << 8); }

int fltCacheParse(const uint8_t *bytes, size_t length, uint32_t signature, FltRecord *out, int max, int *count)
{
    *count = 0;
    if (!bytes || length < CACHE_HEAD + 4)
        return 1;
    uint32_t n = le16(bytes);
    if (le32(bytes + 2) != signature || le16(bytes + 6) != FLT_CACHE_VERSION)
        return 1;
    /* The count must describe the file exactly: a short or padded file is damage. */
    if ((uint64_t)CACHE_HEAD + (uint64_t)n * sizeof(FltRecord) + 4 != length)
        return 1;
    if (memcmp(bytes + length - 4, CACHE_MARK, 4) != 0)
        return 1;
    if ((int)n > max)
        n = (uint32_t)max;
    for (uint32_t i = 0; i < n; i++) {
        memcpy(&out[i], bytes + CACHE_HEAD + i * sizeof(FltRecord), sizeof(FltRecord));
        /* Strings from disk are terminated before anyone prints them. */
        out[i].formatName[sizeof out[i].formatName - 1] = 0;
        out[i].progressNote[sizeof out[i].progressNote - 1] = 0;
        out[i].ext[sizeof out[i].ext - 1] = 0;
        out[i].ext2[3] = out[i].ext3[3] = out[i].ext4[3] = 0;
        out[i].moduleName[sizeof out[i].moduleName - 1] = 0;
    }
    *count = (int)n;
    return 0;
}

int fltCacheWrite(const char *path, uint32_t signature, const FltRecord *recs, int count)
{
    uint8_t head[CACHE_HEAD] = {(uint8_t)count, (uint8_t)(count >> 8),
                                (uint8_t)signature, (uint8_t)(signature >> 8), (uint8_t)(signature >> 16),
                                (uint8_t)(signature >> 24), FLT_CACHE_VERSION, 0};
    OsFile f = osCreate(path);
    if (f == OS_NOFILE)
        return 1;
    unsigned long body = (unsigned long)count * sizeof(FltRecord);
    int ok = osWrite(f, head, sizeof head) == (long)sizeof head &&
             (body == 0 || osWrite(f, recs, body) == (long)body) && osWrite(f, CACHE_MARK, 4) == 4;
    osClose(f);
    if (!ok) {
        /* A half-written cache would only be rejected next time; better not leave it. */
        osDelete(path);
        return 1;
    }
    return 0;
}

/* Reads the whole cache file; 0 and the table filled when it is accepted. */
static int readCache(const char *path, uint32_t signature)
{
    OsFile f = osOpen(path, OS_READ);
    if (f == OS_NOFILE)
        return 1;
    int rc = 1;
    int64_t size = osFileSize(f);
    /* A cache larger than a full table was not written by us. */
    if (size > 0 && (uint64_t)size <= 65535u * sizeof(FltRecord) + CACHE_HEAD + 4) {
        uint8_t *buf = (uint8_t *)osAlloc((size_t)size);
        if (buf) {
            if (osRead(f, buf, (unsigned long)size) == (long)size) {
                int n = 0;
                rc = fltCacheParse(buf, (size_t)size, signature, FltTable.rec, FLT_MAXFILTERS, &n);
                if (rc == 0)
                    FltTable.count = n;
            }
            osFree(buf);
        }
    }
    osClose(f);
    return rc;
}

static void pathJoin(char *out, size_t n, const char *dir, const char *name)
{
#if defined(_WIN32)
    snprintf(out, n, "%s\\%s", dir, name);
#else
    snprintf(out, n, "%s/%s", dir, name);
#endif
}

/* The file name without its extension. */
static void baseName(char *out, size_t n, const char *file)
{
    snprintf(out, n, "%s", file);
    char *dot = strrchr(out, '.');
    if (dot)
        *dot = 0;
}

static void reportLoadFailure(const char *file, uint32_t error, unsigned icon)
{
    char text[1024];
    if (error == 5) {
        char base[FLT_PATH_MAX];
        baseName(base, sizeof base, file);
        snprintf(text, sizeof text,
                 "A task with the name \"%s\" is clashing with \"%s\".  Please close this other task, "
                 "or rename \"%s\" and run %s again.",
                 base, file, file, "Zelo Edit");
    } else if (error == 2) {
        snprintf(text, sizeof text,
                 "Your system configuration does not support the Zelo Edit file format in %s.  This is "
                 "the only time you will get this message.  If new multimedia drivers are installed, you "
                 "may delete FLT.DAT and re-start Zelo Edit.",
                 file);
    } else {
        snprintf(text, sizeof text, "Error %d Loading FLT File %s", (int)error, file);
    }
    osMessage(text, "Error", OS_MB_OK | icon);
}

/* Claims the extension's association when it is free or held by the Sound Recorder. */
static int associate(const char *ext, const char *exeName)
{
    char now[512];
    userProfileGetString("Extensions", ext, "", now, sizeof now);
    if (now[0] && !fltStrCaseContains(now, "SOUNDREC"))
        return 0;
    char entry[FLT_PATH_MAX * 2];
#if defined(_WIN32)
    snprintf(entry, sizeof entry, "%s\\%s ^.%s", FltTable.dir, exeName, ext);
#else
    snprintf(entry, sizeof entry, "%s/%s ^.%s", FltTable.dir, exeName, ext);
#endif
    userProfileSetString("Extensions", ext, entry);
    return 1;
}

struct ScanState {
    const char *exeName;
    int associationsChanged;
};

static int scanOne(const char *file, uint32_t attributes, void *ctx)
{
    ScanState *s = (ScanState *)ctx;
    char path[FLT_PATH_MAX * 2];
    pathJoin(path, sizeof path, FltTable.dir, file);
    FltModule m;
    memset(&m, 0, sizeof m);
    uint32_t error = 0;
    if (!FltOs.load || FltOs.load(path, &m, &error) != 0) {
        reportLoadFailure(file, error ? error : 2, OS_MB_ICONEXCLAMATION);
        return 1;
    }
    if (!m.QueryZeloFilter) {
        reportLoadFailure(file, error, OS_MB_ICONINFORMATION);
    } else if (strlen(file) < sizeof(((FltRecord *)0)->moduleName)) {
        FltRecord r;
        memset(&r, 0, sizeof r);
        if (m.QueryZeloFilter(&r) == FLT_QUERY_OK) {
            memset(r.moduleName, 0, sizeof r.moduleName);
            strcpy(r.moduleName, file);
            r.savePos = r.openPos = 0;
            r.formatName[sizeof r.formatName - 1] = 0;
            r.progressNote[sizeof r.progressNote - 1] = 0;
            r.ext[sizeof r.ext - 1] = 0;
            r.ext2[3] = r.ext3[3] = r.ext4[3] = 0;
            if (fltTableAdd(&r) == 0 && r.ext[0])
                s->associationsChanged |= associate(r.ext, s->exeName);
        }
    } else {
        /* The record keeps 19 characters of the name; a longer one could not be reloaded. */
        osDebug("filter module name too long: %s\n", file);
    }
    if (FltOs.unload)
        FltOs.unload(&m);
    return 1;
}

int fltTableBuild(const char *dir, const char *exeName)
{
    fltTableRelease();
    snprintf(FltTable.dir, sizeof FltTable.dir, "%s", dir ? dir : ".");
    uint32_t sig = FltOs.signature ? FltOs.signature(FltTable.dir) : 0;
    char cache[FLT_PATH_MAX * 2];
    pathJoin(cache, sizeof cache, FltTable.dir, "flt.dat");
    if (readCache(cache, sig) == 0) {
        fltTableSort();
        return FltTable.count;
    }
    FltTable.count = 0;
    FltTable.scanned = 1;
    ScanState s = {exeName ? exeName : "zelo.exe", 0};
    osListDir(FltTable.dir, "*.flt", scanOne, &s);
    FltTable.cacheWritten = fltCacheWrite(cache, sig, FltTable.rec, FltTable.count) == 0;
    if (s.associationsChanged && FltOs.extensionsChanged)
        FltOs.extensionsChanged();
    return FltTable.count;
}
