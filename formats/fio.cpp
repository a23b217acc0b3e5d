/*
 * fio.cpp - the open and save flows over the file-filter host, and the pieces the file
 * dialogs need (type lists, the highlighted file's description, folders per dialog group,
 * the save type).
 *
 * Writes Fio, the store (through vocAppend / vocSetFormat), the INFO list, the profile
 * keys [Recent] FileFilter and Conv*, "DirGroup %d" and "File Options", and the save journal
 * (savejnl.txt in the settings folder).  A save never writes the target file itself: the
 * filter writes "~zs<n>.<ext>" beside it, listed in the journal while it exists, and only a
 * complete file (closed by the filter as complete, every piece taken) replaces the target.
 * An open never reads more than the store holds, so the store's own limits are never hit.
 */
#include "formats/fio.h"

#include "formats/info.h"
#include "os/os.h"
#include "core/profile.h"
#include "store/blockfile.h"
#include "store/voc.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

FioState Fio = {-1, 1, 0, FIO_OPEN_OK, 0, "", "", ""};
FioHooks FioHook;

static uint32_t min32(uint32_t a, uint32_t b) { return a < b ? a : b; }

static void lower(char *s)
{
    for (; *s; s++)
        *s = (char)tolower((unsigned char)*s);
}

static void currentFormat(FioFormat *f)
{
    if (FioHook.currentFormat) {
        FioHook.currentFormat(f);
        return;
    }
    f->rate = Fio.rate;
    f->bits = Wave.bitsPerSample;
    f->channels = Wave.channels;
}

static void recordName(char *out, const FltRecord *r) { fltField(out, r->formatName, sizeof r->formatName); }

/* ---- type lists ---- */

static int listed(const FltRecord *r, int forSave)
{
    return (r->flags & (forSave ? FLT_CANWRITE : FLT_CANREAD)) != 0;
}

/* Appends s and its zero; 1 when it does not fit. */
static int put(char *out, size_t size, size_t *at, const char *s)
{
    size_t n = strlen(s) + 1;
    if (*at + n + 1 > size)
        return 1;
    memcpy(out + *at, s, n);
    *at += n;
    return 0;
}

size_t fioTypeList(int forSave, char *out, size_t size)
{
    size_t at = 0;
    int pos = 0;
    if (!out || size < 2)
        return 0;
    for (int i = 0; i < FltTable.count; i++) {
        FltRecord *r = &FltTable.rec[i];
        uint16_t *place = forSave ? &r->savePos : &r->openPos;
        *place = 0;
        if (!listed(r, forSave))
            continue;
        char name[32], ext[4][12], desc[160], pattern[64];
        recordName(name, r);
        fltField(ext[0], r->ext, sizeof r->ext);
        fltField(ext[1], r->ext2, sizeof r->ext2);
        fltField(ext[2], r->ext3, sizeof r->ext3);
        fltField(ext[3], r->ext4, sizeof r->ext4);
        for (int e = 0; e < 4; e++)
            lower(ext[e]);
        int d = snprintf(desc, sizeof desc, "%s (*.%s", name, ext[0]);
        int p = snprintf(pattern, sizeof pattern, "*.%s", ext[0]);
        for (int e = 1; e < 4; e++) {
            if (!ext[e][0])
                continue;
            d += snprintf(desc + d, sizeof desc - (size_t)d, ";*.%s", ext[e]);
            p += snprintf(pattern + p, sizeof pattern - (size_t)p, ";*.%s", ext[e]);
        }
        snprintf(desc + d, sizeof desc - (size_t)d, ")");
        if (put(out, size, &at, desc) || put(out, size, &at, pattern))
            return 0;
        *place = (uint16_t)++pos;
    }
    if (put(out, size, &at, "All files (*.*)") || put(out, size, &at, "*.*"))
        return 0;
    out[at++] = 0;
    return at;
}

int fioTypeAt(int forSave, int pos)
{
    for (int i = 0; i < FltTable.count; i++)
        if (pos > 0 && (forSave ? FltTable.rec[i].savePos : FltTable.rec[i].openPos) == pos)
            return i;
    return -1;
}

static void rememberedName(char *out, size_t size)
{
    profileGetString("Recent", "FileFilter", "", out, size);
}

static void chooseSaveType(int index)
{
    Fio.saveType = index;
    Fio.options = index >= 0 ? filterOptions(index) : 1;
}

void fioInitSaveType(void)
{
    char want[40], name[32];
    rememberedName(want, sizeof want);
    int found = -1;
    for (int i = 0; i < FltTable.count && found < 0; i++) {
        recordName(name, &FltTable.rec[i]);
        if ((FltTable.rec[i].flags & FLT_CANREAD) && want[0] && fltStrCaseEq(name, want))
            found = i;
    }
    for (int i = FltTable.count - 1; i >= 0 && found < 0; i--) {
        recordName(name, &FltTable.rec[i]);
        if ((FltTable.rec[i].flags & FLT_CANREAD) && fltStrCaseContains(name, "Windows"))
            found = i;
    }
    /* Index 1 by default; a table of one filter has only index 0. */
    if (found < 0)
        found = FltTable.count > 1 ? 1 : FltTable.count - 1;
    chooseSaveType(found);
}

int fioPreselectedType(void)
{
    if (Fio.saveType >= 0 && Fio.saveType < FltTable.count)
        return Fio.saveType;
    char want[40], name[32], ext[12];
    rememberedName(want, sizeof want);
    for (int i = 0; i < FltTable.count; i++) {
        recordName(name, &FltTable.rec[i]);
        if (want[0] && fltStrCaseEq(name, want)) {
            chooseSaveType(i);
            return i;
        }
    }
    for (int i = 0; i < FltTable.count; i++) {
        recordName(name, &FltTable.rec[i]);
        if (fltStrCaseContains(name, "Windows"))
            return i;
    }
    for (int i = 0; i < FltTable.count; i++) {
        fltField(ext, FltTable.rec[i].ext, sizeof FltTable.rec[i].ext);
        if (fltStrCaseEq(ext, "WAV"))
            return i;
    }
    return -1;
}

void fioSaveSettings(void)
{
    if (Fio.saveType < 0 || Fio.saveType >= FltTable.count)
        return;
    char name[32];
    recordName(name, &FltTable.rec[Fio.saveType]);
    profileSetString("Recent", "FileFilter", name);
}

int fioSwapExtension(char *name, size_t size, int index)
{
    if (!name || index < 0 || index >= FltTable.count)
        return 0;
    char *dot = strrchr(name, '.');
    if (!dot || dot == name || strchr(dot, '\\') || strchr(dot, '/') || strlen(dot + 1) > 3)
        return 0;
    char ext[12];
    fltField(ext, FltTable.rec[index].ext, sizeof FltTable.rec[index].ext);
    if (islower((unsigned char)dot[-1]))
        lower(ext);
    size_t keep = (size_t)(dot + 1 - name);
    if (keep + strlen(ext) + 1 > size)
        return 0;
    strcpy(dot + 1, ext);
    return 1;
}

/* ---- description of the highlighted file ---- */

static void defaultLength(uint32_t frames, uint32_t rate, char *out, size_t size)
{
    uint64_t ms = rate ? (uint64_t)frames * 1000u / rate : 0;
    snprintf(out, size, "%lu:%02lu.%03lu", (unsigned long)(ms / 60000u), (unsigned long)(ms / 1000u % 60u),
             (unsigned long)(ms % 1000u));
}

void fioDescribe(const char *name, int chosen, FioDescription *d)
{
    memset(d, 0, sizeof *d);
    if (!name || !osFileExists(name))
        return;
    FltProbe p;
    filterProbe(name, chosen, &p);
    uint32_t align = (uint32_t)p.channels * p.bits / 8;
    const char *mark = p.uncertain ? " ?" : "";
    if (align && p.rate && p.index >= 0) {
        snprintf(d->format, sizeof d->format, "%s%s", p.optionsText[0] ? p.optionsText : p.formatName, mark);
        snprintf(d->size, sizeof d->size, "%ld K%s", (long)(p.bytes / 1024), mark);
        const char *chans = p.channels == 1 ? "Mono" : "Stereo";
        if (p.uncertain)
            snprintf(d->type, sizeof d->type, "%5ld Hz?   %2d-bit?    %s?", (long)p.rate, (int)p.bits, chans);
        else
            snprintf(d->type, sizeof d->type, "%5ld Hz    %2d-bit     %s", (long)p.rate, (int)p.bits, chans);
        char len[40];
        if (FioHook.formatLength)
            FioHook.formatLength(p.bytes / align, p.rate, len, sizeof len);
        else
            defaultLength(p.bytes / align, p.rate, len, sizeof len);
        snprintf(d->length, sizeof d->length, "%s%s", len, mark);
        return;
    }
    if (p.optionsText[0])
        snprintf(d->format, sizeof d->format, "%s", p.optionsText);
    else
        snprintf(d->format, sizeof d->format, "%s", p.uncertain ? "Unrecognized Format ?" : "Unrecognized Format");
}

/* ---- folders per dialog group ---- */

#define DIRS_READ_MAX 4096   /* a damaged NumItems is not followed into millions of reads */

int fioRememberDir(const char *dir, int group)
{
    if (!dir || !*dir || strlen(dir) > FIO_DIR_MAX)
        return 1;
    char section[32], key[24], item[FIO_DIR_MAX + 2];
    snprintf(section, sizeof section, "DirGroup %d", group);
    long n = profileGetInt(section, "NumItems", 0);
    if (n < 0)
        n = 0;
    if (n > DIRS_READ_MAX)
        n = DIRS_READ_MAX;
    long at = -1;
    for (long i = 0; i < n && at < 0; i++) {
        snprintf(key, sizeof key, "Item%ld", i);
        profileGetString(section, key, "", item, sizeof item);
        if (fltStrCaseEq(item, dir))
            at = i;
    }
    if (at == n - 1 && at >= 0)
        return 0;
    if (at >= 0) {
        for (long i = at; i < n - 1; i++) {
            snprintf(key, sizeof key, "Item%ld", i + 1);
            profileGetString(section, key, "", item, sizeof item);
            snprintf(key, sizeof key, "Item%ld", i);
            profileSetString(section, key, item);
        }
        snprintf(key, sizeof key, "Item%ld", n - 1);
        profileSetString(section, key, dir);
        return 0;
    }
    snprintf(key, sizeof key, "Item%ld", n);
    profileSetString(section, key, dir);
    profileSetInt(section, "NumItems", n + 1);
    return 0;
}

void fioGroupDir(int group, char *out, size_t size)
{
    char section[32], key[24];
    snprintf(section, sizeof section, "DirGroup %d", group);
    long n = profileGetInt(section, "NumItems", 0);
    if (n > DIRS_READ_MAX)
        n = DIRS_READ_MAX;
    out[0] = 0;
    if (n > 0) {
        snprintf(key, sizeof key, "Item%ld", n - 1);
        profileGetString(section, key, "", out, size);
        if (out[0])
            return;
    }
    if (FioHook.currentDir)
        FioHook.currentDir(out, size);
    if (!out[0])
        snprintf(out, size, ".");
    lower(out);
    fioRememberDir(out, group);
}

/* ---- opening ---- */

static int ba(void) { return Wave.blockAlign ? Wave.blockAlign : 1; }

int fioReadData(const char *title, const char *note, uint32_t bytes)
{
    if (FioHook.overviewBegin)
        FioHook.overviewBegin(bytes / (uint32_t)ba());
    uint8_t *buf = (uint8_t *)osAlloc(FIO_TRANSFER);
    if (!buf)
        return 1;
    char text[64];
    snprintf(text, sizeof text, "Reading %s data", title ? title : "");
    if (FioHook.progressOpen)
        FioHook.progressOpen(text, note ? note : "");
    int rc = 0;
    uint32_t done = 0;
    while (done < bytes) {
        uint32_t want = min32(min32(FilterIn.pieceSize, bytes - done), FIO_TRANSFER);
        uint32_t n = filterRead(buf, want);
        if (n == 0)
            break;
        if (FioHook.overviewFeed)
            FioHook.overviewFeed(buf, n);
        if (FioHook.progressStep && FioHook.progressStep(done + n, bytes)) {
            rc = 1;
            break;
        }
        if (vocAppend(buf, n) != 0) {
            osMessage("Temporary drive full", "Out of Space", OS_MB_OK | OS_MB_ICONEXCLAMATION);
            rc = 1;
            break;
        }
        done += n;
        if (FioHook.viewEnd && Wave.dataLength >= (uint32_t)ba())
            FioHook.viewEnd(Wave.dataLength / (uint32_t)ba() - 1);
    }
    /* A file that ends inside a frame would leave the store out of step with its frames. */
    uint32_t partial = Wave.dataLength % (uint32_t)ba();
    if (partial)
        vocCut((int32_t)(Wave.dataLength - partial), partial);
    if (FioHook.progressClose)
        FioHook.progressClose();
    osFree(buf);
    return rc;
}

/* The save type follows a finished open: this filter, or a writer of the same extension. */
static void followOpen(int index, uint32_t options)
{
    int target = -1;
    if (FltTable.rec[index].flags & FLT_CANWRITE) {
        target = index;
    } else {
        char ext[12], other[12];
        fltField(ext, FltTable.rec[index].ext, sizeof FltTable.rec[index].ext);
        for (int i = 0; i < FltTable.count && target < 0; i++) {
            fltField(other, FltTable.rec[i].ext, sizeof FltTable.rec[i].ext);
            if ((FltTable.rec[i].flags & FLT_CANWRITE) && fltStrCaseEq(ext, other))
                target = i;
        }
    }
    if (target < 0)
        return;
    filterSetOptionsValue(target, options);
    Fio.saveType = target;
    Fio.options = options;
}

static void addTodayIfWanted(void)
{
    if (infoFind("ICRD") >= 0 || !profileGetInt("Settings", "AutoFillInfo", 0))
        return;
    int y, m, d;
    if (FioHook.today) {
        FioHook.today(&y, &m, &d);
    } else {
        time_t now = time(NULL);
        struct tm *t = localtime(&now);
        y = t ? t->tm_year + 1900 : 1970;
        m = t ? t->tm_mon + 1 : 1;
        d = t ? t->tm_mday : 1;
    }
    char date[32];
    snprintf(date, sizeof date, "%d-%02d-%02d", y, m, d);
    infoAddText("ICRD", date);
}

static const char *baseName(const char *path)
{
    const char *b = path;
    for (const char *p = path; *p; p++)
        if (*p == '\\' || *p == '/')
            b = p + 1;
    return b;
}

static void typeText(char *out, size_t size, uint16_t bits, uint16_t channels, int isFloat)
{
    char ch[24];
    if (channels == 1)
        snprintf(ch, sizeof ch, "mono");
    else if (channels == 2)
        snprintf(ch, sizeof ch, "stereo");
    else
        snprintf(ch, sizeof ch, "%u-channel", (unsigned)channels);
    snprintf(out, size, "%u-bit%s %s", (unsigned)bits, isFloat ? " floating-point" : "", ch);
}

/* The most sample bytes a new store takes: a block is kept in hand so that the store itself
   never runs out of blocks and answers with its own, misleading, messages. */
static uint32_t storeLimit(void)
{
    uint32_t limit = Fio.storeLimit ? Fio.storeLimit : BLOCKMAXSIZE - BLOCKSIZE;
    return limit - limit % (uint32_t)ba();
}

static void lengthText(uint32_t frames, uint32_t rate, char *out, size_t size)
{
    if (FioHook.formatLength)
        FioHook.formatLength(frames, rate, out, size);
    else
        defaultLength(frames, rate, out, size);
}

static void reportTooLong(const char *name, uint32_t readBytes, uint32_t fileBytes, uint32_t rate)
{
    uint32_t align = (uint32_t)ba();
    char got[48], all[48], text[FLT_PATH_MAX + 320];
    lengthText(readBytes / align, rate, got, sizeof got);
    lengthText(fileBytes / align, rate, all, sizeof all);
    snprintf(text, sizeof text,
             "\"%s\" is longer than Zelo Edit can hold (%s).  Only the first %s (%lu of %lu sample frames) "
             "was read; the rest of the file was left out, and the file itself is unchanged.",
             name, all, got, (unsigned long)(readBytes / align), (unsigned long)(fileBytes / align));
    osMessage(text, "Attention", OS_MB_OK | OS_MB_ICONINFORMATION);
}

/* Tells once that the file was read in a narrower form, and remembers it for Save. */
static void noteReduced(const char *name)
{
    Fio.reducedName[0] = 0;
    if (!filterInputReduced())
        return;
    const FilterInState *in = &FilterIn;
    typeText(Fio.reducedFrom, sizeof Fio.reducedFrom, in->storedBits, in->storedChannels, in->storedFloat);
    typeText(Fio.reducedTo, sizeof Fio.reducedTo, in->bits, in->channels, 0);
    snprintf(Fio.reducedName, sizeof Fio.reducedName, "%s", name);
    char text[FLT_PATH_MAX + 256];
    snprintf(text, sizeof text,
             "\"%s\" holds %s samples and was read as %s.  Saving it keeps only what was read.", name,
             Fio.reducedFrom, Fio.reducedTo);
    osMessage(text, "Attention", OS_MB_OK | OS_MB_ICONINFORMATION);
}

int fioOpen(const char *name, int chosen, void *owner)
{
    Fio.openFailure = FIO_OPEN_NOFILTER;
    if (!name || FltTable.count == 0)
        return 1;
    FioFormat cur;
    currentFormat(&cur);
    FltRaw def;
    memset(&def, 0, sizeof def);
    def.rate = cur.rate ? cur.rate : 44100;
    def.bits = cur.bits ? cur.bits : 16;
    def.channels = cur.channels ? cur.channels : 2;
    int index = filterOpenAny(name, chosen, owner, &def);
    if (index == FILTER_GAVEUP) {
        Fio.openFailure = FIO_OPEN_CANCELLED;
        return 1;
    }
    if (index < 0)
        return 1;
    const FltRecord *r = &FltTable.rec[index];
    followOpen(index, FilterIn.options);
    FioFormat f = {FilterIn.rate, FilterIn.bits, FilterIn.channels};
    if (!FioHook.newStore || FioHook.newStore(&f) != 0) {
        filterCloseInput();
        Fio.openFailure = FIO_OPEN_NOSTORE;
        char text[FLT_PATH_MAX + 200];
        snprintf(text, sizeof text,
                 "\"%s\" was not opened: the temporary file for its samples could not be set up "
                 "(the temporary drive may be full or write-protected).",
                 name);
        osMessage(text, "Error", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    vocSetFormat(f.channels, f.bits, 0);
    Fio.rate = f.rate;
    infoClear();
    filterExtraClear();
    if (FioHook.emptyLists)
        FioHook.emptyLists();
    if (r->flags & FLT_SPECIAL_READ_PRE)
        filterReadSpecials();
    /* The filter's progress note describes its saving; reading says what it reads. */
    char ext[12], note[FLT_PATH_MAX + 16];
    fltField(ext, r->ext, sizeof r->ext);
    snprintf(note, sizeof note, "Reading %s", baseName(name));
    uint32_t fileBytes = FilterIn.bytes;
    uint32_t want = fileBytes > storeLimit() ? storeLimit() : fileBytes;
    int rc = fioReadData(ext, note, want);
    if (rc == 0 && !(r->flags & FLT_SPECIAL_READ_PRE) && (r->flags & FLT_SPECIAL_READ_POST))
        filterReadSpecials();
    if (rc == 0 && want < fileBytes) {
        reportTooLong(name, Wave.dataLength, fileBytes, f.rate);
        rc = 1;
    }
    filterCloseInput();
    if (rc != 0) {
        Fio.openFailure = FIO_OPEN_PARTIAL;
        return 1;
    }
    Fio.openFailure = FIO_OPEN_OK;
    if (FioHook.opened)
        FioHook.opened(name);
    addTodayIfWanted();
    noteReduced(name);     /* FilterIn keeps the types it saw after the close */
    return 0;
}

/* ---- saving ---- */

/* The byte range to save; *whole is set when it is the whole waveform. */
static void saveRange(int selectionOnly, uint32_t *offset, uint32_t *count, int *whole)
{
    uint32_t first, last;
    *offset = 0;
    *count = Wave.dataLength;
    *whole = 1;
    if (selectionOnly && FioHook.selection && FioHook.selection(&first, &last) && last != 0xFFFFFFFFu &&
        last >= first) {
        uint32_t frames = Wave.dataLength / (uint32_t)ba();
        if (first >= frames)
            return;
        if (last >= frames)
            last = frames - 1;
        *offset = first * (uint32_t)ba();
        *count = (last - first + 1) * (uint32_t)ba();
        *whole = 0;
    }
}

int fioWriteData(const char *title, const char *note, int selectionOnly)
{
    uint8_t *buf = (uint8_t *)osAlloc(FIO_TRANSFER);
    if (!buf)
        return 1;
    char text[64];
    snprintf(text, sizeof text, "Saving %s data", title ? title : "");
    if (FioHook.progressOpen)
        FioHook.progressOpen(text, note ? note : "");
    uint32_t offset, count;
    int whole, rc = 0;
    saveRange(selectionOnly, &offset, &count, &whole);
    uint32_t piece = min32(FilterOut.pieceSize, FIO_TRANSFER);
    for (uint32_t done = 0; done < count;) {
        uint32_t n = min32(piece, count - done);
        /* A piece the store cannot give would be written as garbage. */
        if (vocRead(buf, (int32_t)(offset + done), n) != 0) {
            rc = 1;
            break;
        }
        if (FioHook.progressStep && FioHook.progressStep(done + n, count)) {
            rc = 1;
            break;
        }
        if (filterWrite(buf, n) != 0) {
            rc = 1;
            break;
        }
        done += n;
    }
    if (FioHook.progressClose)
        FioHook.progressClose();
    osFree(buf);
    return rc;
}

/* "<folder of target>~zs<n>.<ext of target>": same folder, so the final rename stays on one drive. */
static int tempBeside(const char *target, char *out, size_t size)
{
    const char *slash = strrchr(target, '\\');
    const char *fwd = strrchr(target, '/');
    if (!slash || (fwd && fwd > slash))
        slash = fwd;
    size_t dirLen = slash ? (size_t)(slash - target + 1) : 0;
    const char *dot = strrchr(slash ? slash + 1 : target, '.');
    const char *ext = dot ? dot : "";
    uint32_t seed = osTickCount();
    for (uint32_t k = 0; k < 1000; k++) {
        int n = snprintf(out, size, "%.*s~zs%04x%s", (int)dirLen, target, (unsigned)((seed + k) & 0xFFFF), ext);
        if (n < 0 || (size_t)n >= size)
            return 1;
        if (!osFileExists(out))
            return 0;
    }
    return 1;
}

/* ---- the save journal ---- */

#define JOURNAL_NAME "savejnl.txt"
#define JOURNAL_MAX  (64u * 1024u)   /* a damaged journal is not read into a huge buffer */

static void journalPath(char *out, size_t size)
{
    snprintf(out, size, "%s%c%s", profileFolder(), OS_PATHSEP, JOURNAL_NAME);
}

/* The journal's text ("pid path" lines), osAlloc'ed and zero-terminated; NULL when none. */
static char *journalRead(void)
{
    char path[FLT_PATH_MAX + 32];
    journalPath(path, sizeof path);
    OsFile f = osOpen(path, OS_READ);
    if (f == OS_NOFILE)
        return NULL;
    int64_t n = osFileSize(f);
    if (n < 0 || n > (int64_t)JOURNAL_MAX)
        n = n < 0 ? 0 : JOURNAL_MAX;
    char *text = (char *)osAlloc((size_t)n + 1);
    if (text) {
        long got = osRead(f, text, (unsigned long)n);
        text[got > 0 ? got : 0] = 0;
    }
    osClose(f);
    return text;
}

static void journalWrite(const char *text)
{
    char path[FLT_PATH_MAX + 32];
    journalPath(path, sizeof path);
    if (!text[0]) {
        osDelete(path);
        return;
    }
    OsFile f = osCreate(path);
    if (f == OS_NOFILE)
        return;
    osWrite(f, text, (unsigned long)strlen(text));
    osClose(f);
}

/* Calls keep(pid, path) for each entry; entries it answers 0 for are dropped. */
static int journalFilter(int (*keep)(uint32_t pid, const char *path, const void *ctx), const void *ctx)
{
    char *text = journalRead();
    if (!text)
        return 0;
    char *out = (char *)osAlloc(strlen(text) + 1);
    if (!out) {
        osFree(text);
        return 0;
    }
    size_t at = 0;
    int dropped = 0;
    for (char *line = text; *line;) {
        char *end = strchr(line, '\n');
        size_t len = end ? (size_t)(end - line) : strlen(line);
        char entry[FLT_PATH_MAX + 48];
        if (len < sizeof entry) {
            memcpy(entry, line, len);
            entry[len] = 0;
            if (len && entry[len - 1] == '\r')
                entry[len - 1] = 0;
            char *space = strchr(entry, ' ');
            if (space && space[1]) {
                *space = 0;
                uint32_t pid = (uint32_t)strtoul(entry, NULL, 10);
                if (keep(pid, space + 1, ctx)) {
                    *space = ' ';
                    at += (size_t)sprintf(out + at, "%s\n", entry);
                } else {
                    dropped++;
                }
            }
        }
        line += len;
        if (*line == '\n')
            line++;
    }
    out[at] = 0;
    journalWrite(out);
    osFree(out);
    osFree(text);
    return dropped;
}

static int keepOthers(uint32_t pid, const char *path, const void *ctx)
{
    return !(pid == osProcessId() && strcmp(path, (const char *)ctx) == 0);
}

static void journalAdd(const char *temp)
{
    char *text = journalRead();
    size_t old = text ? strlen(text) : 0;
    char *out = (char *)osAlloc(old + strlen(temp) + 24);
    if (out) {
        int n = snprintf(out, old + strlen(temp) + 24, "%s%s%lu %s\n", text ? text : "",
                         old && text[old - 1] != '\n' ? "\n" : "", (unsigned long)osProcessId(), temp);
        if (n > 0)
            journalWrite(out);
        osFree(out);
    }
    osFree(text);
}

static void journalRemove(const char *temp) { journalFilter(keepOthers, temp); }

static int removed;

static int keepRunning(uint32_t pid, const char *path, const void *)
{
    if (pid != osProcessId() && FioHook.processRunning && FioHook.processRunning(pid))
        return 1;
    /* A file still held open belongs to a save that still runs (its id may be unknown). */
    if (!osFileExists(path))
        return 0;
    if (osDeleteIfUnused(path) != 0)
        return 1;
    removed++;
    return 0;
}

int fioCleanStaleSaves(void)
{
    removed = 0;
    journalFilter(keepRunning, NULL);
    return removed;
}

void fioDocumentGone(void) { filterExtraClear(); }

/* ---- saving: questions and failures ---- */

/* Asks for a conversion the filter can take and does it.  0 converted, 1 the save ends. */
static int convertForFilter(int index, const char *name, FioFormat *cur)
{
    FioFormat want = *cur;
    if (!filterSuggest(&want.rate, &want.bits, &want.channels, Fio.options)) {
        osMessage(name, "Invalid file or format", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    const FltRecord *r = &FltTable.rec[index];
    char fname[32], text[FLT_PATH_MAX + 320];
    recordName(fname, r);
    /* Only a different sample type can be the reason; the same one means the filter failed
       for another reason, and a conversion to it would change nothing. */
    if (want.rate == cur->rate && want.bits == cur->bits && want.channels == cur->channels) {
        snprintf(text, sizeof text, "\"%s\" could not be written by the %s filter.  Nothing was saved.", name,
                 fname);
        osMessage(text, "Invalid file or format", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    if (!FioHook.convert) {
        char from[32], to[32];
        typeText(from, sizeof from, cur->bits, cur->channels, 0);
        typeText(to, sizeof to, want.bits, want.channels, 0);
        snprintf(text, sizeof text,
                 "%s can not hold %lu Hz %s samples; it needs %lu Hz %s, and this version of Zelo Edit cannot "
                 "convert the sample type while saving.  Nothing was saved: use Save As to choose another "
                 "file type.",
                 fname, (unsigned long)cur->rate, from, (unsigned long)want.rate, to);
        osMessage(text, "Cannot save in current format", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    int batch = FioHook.batchRunning && FioHook.batchRunning();
    if (!(r->flags & FLT_AUTOCONVERT) && !batch) {
        snprintf(text, sizeof text,
                 "%s can not handle the current sample type.  Would you like to convert to %ldHz, %s %d-bit "
                 "and continue saving?",
                 fname, (long)want.rate, want.channels == 1 ? "Mono" : "Stereo", (int)want.bits);
        if (osMessage(text, "This wave format does not support the current sample type.",
                      OS_MB_YESNO | OS_MB_ICONQUESTION) != OS_IDYES)
            return 1;
        profileSetInt("Recent", "ConvSampleRate", (long)want.rate);
        profileSetInt("Recent", "ConvBitsPerSample", want.bits);
        profileSetInt("Recent", "ConvChannels", want.channels);
        const char *gain = want.channels == 1 ? "0.5" : "1.0";
        profileSetString("Recent", "ConvLeft", gain);
        profileSetString("Recent", "ConvRight", gain);
        if (FioHook.convertDialog && FioHook.convertDialog(&want) != 0)
            return 1;     /* the user cancelled the dialog: nothing more to say */
    }
    if (FioHook.saveUndo)
        FioHook.saveUndo("Undo Convert Sample Type");
    if (FioHook.convert(&want) != 0) {
        osMessage("The sample type could not be converted.  Nothing was saved.", "Cannot save in current format",
                  OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    currentFormat(cur);
    return 0;
}

static void reportIncomplete(const char *name)
{
    char text[FLT_PATH_MAX + 96];
    snprintf(text, sizeof text, "%s could not be written completely.  The file on disk was left as it was.", name);
    osMessage(text, "Out of Space", OS_MB_OK | OS_MB_ICONEXCLAMATION);
}

/* Why a file cannot be made in target's folder, as the end of a sentence. */
static const char *createFailure(const char *target)
{
    char dir[FLT_PATH_MAX];
    snprintf(dir, sizeof dir, "%s", target);
    char *slash = strrchr(dir, '\\');
    char *fwd = strrchr(dir, '/');
    if (!slash || (fwd && fwd > slash))
        slash = fwd;
    if (slash)
        slash[slash == dir ? 1 : 0] = 0;
    else
        snprintf(dir, sizeof dir, ".");
    if (!osFileExists(dir))
        return "its folder does not exist";
    uint64_t room = 1;
    if (osDiskFree(dir, &room) == 0 && room == 0)
        return "the disk is full";
    return "the folder cannot be written to (it may be read-only or write-protected)";
}

static void reportCannotCreate(const char *name)
{
    char text[FLT_PATH_MAX + 160];
    snprintf(text, sizeof text, "\"%s\" could not be created: %s.  Nothing was saved.", name, createFailure(name));
    osMessage(text, "Error", OS_MB_OK | OS_MB_ICONEXCLAMATION);
}

/* 1 when name is the file an open read in a narrower form. */
static int isReducedOriginal(const char *name)
{
    return Fio.reducedName[0] && fltStrCaseEq(Fio.reducedName, name);
}

/* Questions about the chosen target before anything is written.  Returns 0 go on, 1 the
   save ends, 2 ask for another name. */
static int checkTarget(const char *name)
{
    char text[FLT_PATH_MAX + 400];
    if (osFileExists(name) && FioHook.readOnly && FioHook.readOnly(name)) {
        snprintf(text, sizeof text,
                 "\"%s\" is read-only and was not changed.  Would you like to save the waveform under another "
                 "name?",
                 name);
        return osMessage(text, "File Save", OS_MB_YESNO | OS_MB_ICONEXCLAMATION) == OS_IDYES ? 2 : 1;
    }
    if (osFileExists(name) && isReducedOriginal(name)) {
        snprintf(text, sizeof text,
                 "\"%s\" holds %s samples but was read as %s.  Saving over it replaces the original with the "
                 "%s form.\n\nYes saves under another name, No overwrites the original.",
                 name, Fio.reducedFrom, Fio.reducedTo, Fio.reducedTo);
        int answer = osMessage(text, "Please Confirm", OS_MB_YESNOCANCEL | OS_MB_ICONQUESTION);
        return answer == OS_IDYES ? 2 : answer == OS_IDNO ? 0 : 1;
    }
    return 0;
}

int fioSave(char *name, int askName, int selectionOnly, void *owner)
{
    if (!name)
        return 1;
    int before = Fio.saveType;
    uint32_t beforeOptions = Fio.options;
    int asked = 0;
    int ask = askName || !name[0];
    int ended = 1;
    for (;;) {
        if (ask) {
            int type = fioPreselectedType();
            uint32_t options = Fio.options;
            if (!FioHook.askSaveName ||
                FioHook.askSaveName(name, FLT_PATH_MAX, selectionOnly, &type, &options) != 0)
                break;
            if (type < 0 || type >= FltTable.count)
                break;
            asked = 1;
            Fio.saveType = type;
            Fio.options = options;
            /* A read-only file is refused before anyone is asked to overwrite it. */
            if (osFileExists(name) && !(FioHook.readOnly && FioHook.readOnly(name))) {
                char text[FLT_PATH_MAX + 48];
                snprintf(text, sizeof text, "\"%s\" Already Exists, Overwrite?", name);
                if (osMessage(text, "File Save", OS_MB_YESNO | OS_MB_ICONQUESTION) != OS_IDYES)
                    break;
            }
        }
        int check = name[0] ? checkTarget(name) : 0;
        if (check == 0)
            ended = 0;
        if (check != 2)
            break;
        ask = 1;
    }
    if (ended) {
        /* The user ended the save before anything was written. */
        if (asked) {
            Fio.saveType = before;
            Fio.options = beforeOptions;
        }
        return 1;
    }
    int index = Fio.saveType;
    if (index < 0 || index >= FltTable.count || !name[0])
        return 1;
    const FltRecord *r = &FltTable.rec[index];
    FioFormat cur;
    currentFormat(&cur);
    uint32_t offset, count;
    int whole;
    saveRange(selectionOnly, &offset, &count, &whole);
    uint32_t frames = count / (uint32_t)ba();
    char temp[FLT_PATH_MAX + 16];
    if (tempBeside(name, temp, sizeof temp) != 0) {
        osMessage(name, "Invalid file or format", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    /* Made here first, so that a folder that cannot be written is told as such and not
       taken for a sample type the filter refuses.  Listed before it exists, so a copy killed
       from now on leaves a trace for the next start. */
    journalAdd(temp);
    OsFile probe = osCreateNew(temp);
    if (probe == OS_NOFILE) {
        journalRemove(temp);
        reportCannotCreate(name);
        return 1;
    }
    osClose(probe);
    int rc = filterOpenOutput(index, temp, cur.rate, cur.bits, cur.channels, count, Fio.options);
    if (rc == 1) {
        rc = convertForFilter(index, name, &cur);
        if (rc == 0) {
            saveRange(selectionOnly, &offset, &count, &whole);
            count = frames * (uint32_t)ba();
            if (filterReopenOutput(temp, cur.rate, cur.bits, cur.channels, count, Fio.options) != 0) {
                osMessage("Still having problems saving.", "Cannot save in current format",
                          OS_MB_OK | OS_MB_ICONEXCLAMATION);
                rc = 1;
            }
        }
    }
    if (rc == 0) {
        if (r->flags & FLT_SPECIAL_WRITE_PRE)
            filterWriteSpecials(whole);
        char ext[12], note[sizeof r->progressNote + 1];
        fltField(ext, r->ext, sizeof r->ext);
        fltField(note, r->progressNote, sizeof r->progressNote);
        rc = fioWriteData(ext, note, selectionOnly);
        if (rc == 0 && !(r->flags & FLT_SPECIAL_WRITE_PRE) && (r->flags & FLT_SPECIAL_WRITE_POST))
            filterWriteSpecials(whole);
    }
    int opened = FilterOut.handle != 0;
    int shortWrite = FilterOut.shortWrite;
    /* The close writes what the filter held back (a wave file's INFO list and sizes): a
       failure there is as fatal as a short write. */
    int closeFailed = filterCloseOutput();
    int incomplete = opened && (shortWrite || closeFailed);
    if (rc == 0 && opened && !incomplete && osFileExists(temp)) {
        if (osRename(temp, name) != 0) {
            osDelete(temp);
            reportIncomplete(name);
            rc = 1;
        }
    } else {
        if (osFileExists(temp))
            osDelete(temp);
        if (incomplete)
            reportIncomplete(name);
        if (rc == 0)
            rc = 1;
    }
    journalRemove(temp);
    if (rc == 0 && isReducedOriginal(name))
        Fio.reducedName[0] = 0;    /* the file now holds what was read */
    if (rc == 0 && whole && FioHook.saved)
        FioHook.saved(name);
    if (asked && !whole) {
        Fio.saveType = before;
        Fio.options = beforeOptions;
    }
    return rc ? 1 : 0;
}
