/*
 * xfmscan.cpp - transform module discovery: the registry rows, the scan of "<dir>\*.xfm",
 * the cache xfm.dat (with each module's toolbar picture), the menu entries and the
 * capability bits the enabling rules read.
 *
 * Writes XfmHost.rows/count/capacity/dir/rescanned and "<dir>\xfm.dat".  Invariants: rows
 * are sorted by name without regard to case; count <= capacity <= XFM_MAXROWS; a row's
 * settings handle is 0 until its first use, and always 0 in the cache.
 */
#include "plugins/xfmhost.h"
#include "ui/frame.h"
#include "store/voc.h"
#include "store/blockfile.h"
#include "os/os.h"

#include <stdio.h>
#include <string.h>

XfmHostState XfmHost;

static int nameCompare(const char *a, const char *b)
{
    return lstrcmpiA(a, b);
}

int xfmGrow(int rows)
{
    if (rows > XFM_MAXROWS)
        rows = XFM_MAXROWS;
    if (rows <= XfmHost.capacity)
        return 0;
    TransformEntry *n = (TransformEntry *)realloc(XfmHost.rows, (size_t)rows * sizeof(TransformEntry));
    if (!n)
        return 1;
    memset(n + XfmHost.capacity, 0, (size_t)(rows - XfmHost.capacity) * sizeof(TransformEntry));
    XfmHost.rows = n;
    XfmHost.capacity = (int16_t)rows;
    return 0;
}

int RegisterTransform(const char *file, const XfmInfo *info, HMODULE module)
{
    if (XfmHost.count >= XfmHost.capacity || !info || !file)
        return -1;
    XfmInfo copy = *info;
    copy.name[sizeof copy.name - 1] = 0;
    copy.label[sizeof copy.label - 1] = 0;
    copy.layout[sizeof copy.layout - 1] = 0;
    copy.presetMask[sizeof copy.presetMask - 1] = 0;
    int at = 0;
    while (at < XfmHost.count && nameCompare(XfmHost.rows[at].info.name, copy.name) < 0)
        at++;
    memmove(&XfmHost.rows[at + 1], &XfmHost.rows[at], (size_t)(XfmHost.count - at) * sizeof(TransformEntry));
    TransformEntry *e = &XfmHost.rows[at];
    memset(e, 0, sizeof *e);
    e->info = copy;
    lstrcpynA(e->file, file, sizeof e->file);
    e->data = 0;
    e->bitmap = module ? LoadBitmapA(module, "TOOLBARICON") : NULL;
    XfmHost.count++;
    return at;
}

void FreeTransformRegistry(void)
{
    for (int i = 0; i < XfmHost.count; i++)
        if (XfmHost.rows[i].bitmap)
            DeleteObject(XfmHost.rows[i].bitmap);
    free(XfmHost.rows);
    XfmHost.rows = NULL;
    XfmHost.count = XfmHost.capacity = 0;
}

int xfmFindRow(const char *name)
{
    if (!name)
        return -1;
    for (int i = 0; i < XfmHost.count; i++)
        if (nameCompare(XfmHost.rows[i].info.name, name) == 0)
            return i;
    return -1;
}

int xfmMenuPosition(uint32_t flags)
{
    if (flags & XFM_HIDDEN)
        return -1;
    if (flags & XFM_TRANSFORM)
        return 2;
    if (flags & XFM_GENERATE)
        return 3;
    if (flags & XFM_TOOL)
        return 4;
    return -1;
}

int xfmEnableCaps(uint8_t *caps, int max)
{
    int n = XfmHost.count < max ? XfmHost.count : max;
    int wave = BF.table != NULL;
    for (int i = 0; i < n; i++) {
        const XfmInfo &in = XfmHost.rows[i].info;
        uint8_t c = 0;
        if (!wave) {
            c |= XFM_CAP_MONO16 | XFM_CAP_STEREO16;   /* no material to fit yet */
        } else if (Wave.bitsPerSample == 16) {
            if (in.formats & XFM_FMT_MONO16)
                c |= XFM_CAP_MONO16;
            if (in.formats & XFM_FMT_STEREO16)
                c |= XFM_CAP_STEREO16;
        } else {
            if (in.formats & (XFM_FMT_MONO8 | XFM_FMT_MONO16))
                c |= XFM_CAP_MONO16;
            c |= XFM_CAP_STEREO16;
        }
        if (in.flags & (XFM_TRANSFORM | XFM_TOOL))
            c |= XFM_CAP_NEEDWAVE;
        if (in.flags & XFM_NEEDS_DATA)
            c |= XFM_CAP_NEEDDATA;
        if (in.flags & XFM_BOTH_CHANNELS)
            c |= XFM_CAP_NOSINGLE;
        caps[i] = c;
    }
    return n;
}

/* ---- the directory and its signature ---- */

struct DirSum {
    int      found;
    uint32_t signature;
};

static void pathOf(char *out, size_t n, const char *dir, const char *file)
{
    snprintf(out, n, "%s\\%s", dir, file);
}

static DirSum summarise(const char *dir)
{
    DirSum s = {0, 0};
    char pattern[MAX_PATH + 8];
    pathOf(pattern, sizeof pattern, dir, "*.xfm");
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE)
        return s;
    do {
        s.found++;
        s.signature += fd.ftCreationTime.dwLowDateTime + fd.nFileSizeLow;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return s;
}

/* ---- xfm.dat ---- */

#pragma pack(push, 1)
struct CacheHead {
    int16_t  count;
    uint32_t signature;
    uint16_t version;
    uint16_t depth;
};
#pragma pack(pop)
static_assert(sizeof(CacheHead) == 10, "xfm.dat header");
static_assert(sizeof(BITMAP) == 24 || sizeof(void *) != 4, "bitmap description");

static const uint32_t CACHE_MAGIC = 0x4F584557u;   /* "WEXO" read as one little-endian value */
#define CACHE_MAX_BITS (4u << 20)                  /* a toolbar picture is far smaller */

static int readAll(OsFile f, void *buf, unsigned long n) { return osRead(f, buf, n) == (long)n; }

static void dropCachedBitmaps(int rows)
{
    for (int i = 0; i < rows; i++)
        if (XfmHost.rows[i].bitmap) {
            DeleteObject(XfmHost.rows[i].bitmap);
            XfmHost.rows[i].bitmap = NULL;
        }
}

/* Reads one row's picture after its record; NULL when the file runs short or is not sane. */
static HBITMAP readBitmap(OsFile f)
{
    BITMAP bm;
    if (!readAll(f, &bm, sizeof bm))
        return NULL;
    uint64_t bytes = (uint64_t)bm.bmPlanes * (uint64_t)(bm.bmHeight > 0 ? bm.bmHeight : 0) *
                     (uint64_t)(bm.bmWidthBytes > 0 ? bm.bmWidthBytes : 0);
    if (bm.bmWidth <= 0 || bm.bmHeight <= 0 || bm.bmPlanes == 0 || bytes == 0 || bytes > CACHE_MAX_BITS)
        return NULL;
    void *bits = osAlloc((size_t)bytes);
    if (!bits)
        return NULL;
    HBITMAP h = NULL;
    if (readAll(f, bits, (unsigned long)bytes)) {
        bm.bmBits = NULL;
        h = CreateBitmapIndirect(&bm);
        if (h)
            SetBitmapBits(h, (DWORD)bytes, bits);
    }
    osFree(bits);
    return h;
}

/* Step 3 to 5 of the scan: 0 when the cache filled the registry. */
static int readCache(const char *path, const DirSum &sum, short depth)
{
    OsFile f = osOpen(path, OS_READ);
    if (f == OS_NOFILE)
        return 1;
    CacheHead head;
    uint32_t magic = 0;
    int64_t size = osFileSize(f);
    int ok = size >= (int64_t)(sizeof head + 4) && osSeek(f, size - 4, 0) >= 0 && readAll(f, &magic, 4) &&
             osSeek(f, 0, 0) == 0 && readAll(f, &head, sizeof head);
    if (ok)
        xfmGrow(head.count > sum.found ? head.count : sum.found);
    if (!ok || head.signature != sum.signature || head.version != XFM_CACHE_VERSION ||
        head.depth != (uint16_t)depth || magic != CACHE_MAGIC || head.count < 0 || head.count > XfmHost.capacity) {
        osClose(f);
        return 1;
    }
    XfmHost.count = head.count;
    for (int i = 0; i < head.count; i++)
        XfmHost.rows[i].bitmap = NULL;
    for (int i = 0; i < head.count; i++) {
        TransformEntry *e = &XfmHost.rows[i];
        int good = readAll(f, e, sizeof *e);
        HBITMAP stored = e->bitmap;
        e->bitmap = NULL;
        e->data = 0;
        e->file[sizeof e->file - 1] = 0;
        e->info.name[sizeof e->info.name - 1] = 0;
        e->info.label[sizeof e->info.label - 1] = 0;
        e->info.layout[sizeof e->info.layout - 1] = 0;
        e->info.presetMask[sizeof e->info.presetMask - 1] = 0;
        if (good && stored) {
            e->bitmap = readBitmap(f);
            good = e->bitmap != NULL;
        }
        if (!good) {
            dropCachedBitmaps(i + 1);
            XfmHost.count = 0;
            osClose(f);
            osDelete(path);
            return 1;
        }
    }
    osClose(f);
    return 0;
}

static void writeCache(const char *path, const DirSum &sum, short depth)
{
    OsFile f = osCreate(path);
    if (f == OS_NOFILE)
        return;
    CacheHead head = {(int16_t)sum.found, sum.signature, XFM_CACHE_VERSION, (uint16_t)depth};
    int ok = osWrite(f, &head, sizeof head) == (long)sizeof head;
    for (int i = 0; ok && i < XfmHost.count; i++) {
        TransformEntry e = XfmHost.rows[i];
        e.data = 0;
        BITMAP bm;
        void *bits = NULL;
        uint32_t bytes = 0;
        if (e.bitmap && GetObjectA(e.bitmap, sizeof bm, &bm) == (int)sizeof bm) {
            bytes = (uint32_t)bm.bmPlanes * (uint32_t)bm.bmHeight * (uint32_t)bm.bmWidthBytes;
            bits = bytes && bytes <= CACHE_MAX_BITS ? osAlloc(bytes) : NULL;
            if (!bits || GetBitmapBits(e.bitmap, (LONG)bytes, bits) != (LONG)bytes) {
                osFree(bits);
                bits = NULL;
            }
        }
        if (!bits)
            e.bitmap = NULL;   /* a picture that cannot be read back is not cached */
        ok = osWrite(f, &e, sizeof e) == (long)sizeof e;
        if (ok && bits) {
            bm.bmBits = NULL;
            ok = osWrite(f, &bm, sizeof bm) == (long)sizeof bm && osWrite(f, bits, bytes) == (long)bytes;
        }
        osFree(bits);
    }
    if (ok)
        ok = osWrite(f, &CACHE_MAGIC, 4) == 4;
    osClose(f);
    if (!ok)
        osDelete(path);   /* half a cache would only be rejected at the next start */
}

/* ---- loading the modules ---- */

static void loadMessage(DWORD error, const char *file, unsigned icon)
{
    char fmt[96], caption[32], text[400];
    frameString(IDS_ERR_LOADXFM, fmt, sizeof fmt);
    if (!fmt[0])
        lstrcpynA(fmt, "Error %d Loading XFM File %s", sizeof fmt);
    frameString(IDS_ERROR, caption, sizeof caption);
    if (!caption[0])
        lstrcpynA(caption, "Error", sizeof caption);
    snprintf(text, sizeof text, fmt, (int)error, file);
    osMessage(text, caption, OS_MB_OK | icon);
}

static void rescan(const char *dir)
{
    char pattern[MAX_PATH + 8];
    pathOf(pattern, sizeof pattern, dir, "*.xfm");
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        char path[MAX_PATH * 2];
        pathOf(path, sizeof path, dir, fd.cFileName);
        UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        HMODULE m = LoadLibraryA(path);
        DWORD err = GetLastError();
        SetErrorMode(oldMode);
        if (!m) {
            loadMessage(err, fd.cFileName, OS_MB_ICONEXCLAMATION);
            continue;
        }
        XfmQueryFn query = (XfmQueryFn)(void *)GetProcAddress(m, "QueryXfm");
        if (!query) {
            loadMessage(99, fd.cFileName, OS_MB_ICONINFORMATION);
        } else if (strlen(fd.cFileName) < XFM_FILE_SIZE) {
            XfmInfo info;
            memset(&info, 0, sizeof info);
            short v = query(&info);
            if (v >= XFM_VERSION_MIN && v <= XFM_VERSION)
                RegisterTransform(fd.cFileName, &info, m);
        } else {
            /* The row keeps 19 characters of the name: a longer one could not be loaded again. */
            osDebug("transform module name too long: %s\n", fd.cFileName);
        }
        FreeLibrary(m);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

static void addMenus(HMENU menu)
{
    if (!menu)
        return;
    for (int i = 0; i < XfmHost.count; i++) {
        int pos = xfmMenuPosition(XfmHost.rows[i].info.flags);
        HMENU popup = pos >= 0 ? GetSubMenu(menu, pos) : NULL;
        if (!popup)
            continue;
        char text[XFM_NAME_SIZE + 8];
        snprintf(text, sizeof text, "%s...", XfmHost.rows[i].info.name);
        AppendMenuA(popup, MF_STRING, (UINT_PTR)(IDM_XFM_FIRST + i), text);
    }
}

int xfmScan(const char *dir, short pixelDepth, HMENU menu)
{
    FreeTransformRegistry();
    lstrcpynA(XfmHost.dir, dir ? dir : ".", sizeof XfmHost.dir);
    DirSum sum = summarise(XfmHost.dir);
    xfmGrow(sum.found);
    char cache[MAX_PATH * 2];
    pathOf(cache, sizeof cache, XfmHost.dir, XFM_CACHE_NAME);
    XfmHost.rescanned = 0;
    if (readCache(cache, sum, pixelDepth) != 0) {
        XfmHost.rescanned = 1;
        XfmHost.count = 0;
        rescan(XfmHost.dir);
        writeCache(cache, sum, pixelDepth);
    }
    addMenus(menu);
    return XfmHost.count;
}

void ScanTransforms(short pixelDepth)
{
    xfmScan(XfmHost.dir[0] ? XfmHost.dir : Frame.programDir, pixelDepth, Frame.main ? GetMenu(Frame.main) : NULL);
}
