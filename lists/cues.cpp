/*
 * cues.cpp - the cue table and the play list (see cues.h).
 *
 * The table is two parallel arrays of CUE_MAX records made on the first cue, as the file
 * items carry them: cue points in the RIFF layout, and the texts with the length.  Every
 * edit of the sound reaches cuesInserted / cuesDeleted through the store, so the
 * arithmetic here is what keeps a marker on the sound it marks.
 */
#include "lists/cues.h"
#include "os/os.h"
#include "view/timefmt.h"
#include "store/voc.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

CueTableState Cues;
PlayListState PlayList;
CueHooks CueHook;

static uint8_t *specialBuf;      /* the last item built for writing */

static void changed(void)
{
    if (CueHook.changed)
        CueHook.changed();
}

static void modified(void)
{
    if (CueHook.modified)
        CueHook.modified();
}

static int ensureTable(void)
{
    if (Cues.point)
        return 1;
    Cues.point = (CuePoint *)osAlloc(sizeof(CuePoint) * CUE_MAX);
    Cues.text = (CueText *)osAlloc(sizeof(CueText) * CUE_MAX);
    if (!Cues.point || !Cues.text) {
        osFree(Cues.point);
        osFree(Cues.text);
        Cues.point = NULL;
        Cues.text = NULL;
        return 0;
    }
    memset(Cues.point, 0, sizeof(CuePoint) * CUE_MAX);
    memset(Cues.text, 0, sizeof(CueText) * CUE_MAX);
    Cues.count = 0;
    return 1;
}

void cuesClear(void)
{
    Cues.count = 0;
    PlayList.count = 0;
    changed();
}

void cuesSeed(uint32_t seed) { Cues.seed = seed ? seed : 1; }

static uint32_t nextRandom(void)
{
    if (Cues.seed == 0)
        Cues.seed = osTickCount() | 1;
    Cues.seed = Cues.seed * 1103515245u + 12345u;
    return (Cues.seed >> 8) & 0xFFFFFF;
}

int cueFind(uint32_t id)
{
    for (int i = 0; i < Cues.count; i++)
        if (Cues.point[i].id == id)
            return i;
    return -1;
}

uint32_t cueNewId(void)
{
    /* 990 identifiers for at most 256 cues: a free one always exists. */
    for (;;) {
        uint32_t id = CUE_IDMIN + nextRandom() % (CUE_IDMAX - CUE_IDMIN + 1);
        if (cueFind(id) < 0)
            return id;
    }
}

static void copyText(char *dst, size_t field, const char *src, size_t maxChars)
{
    size_t n = strlen(src);
    if (n > maxChars)
        n = maxChars;
    if (n > field - 1)
        n = field - 1;
    memcpy(dst, src, n);
    memset(dst + n, 0, field - n);
}

/* Appends a cue without telling anyone.  Returns its index or -1. */
static int append(uint32_t id, uint32_t frame, uint32_t length)
{
    if (!ensureTable() || Cues.count >= CUE_MAX)
        return -1;
    int i = Cues.count++;
    CuePoint *p = &Cues.point[i];
    memset(p, 0, sizeof *p);
    p->id = id;
    p->position = id;
    memcpy(p->chunk, "data", 4);
    p->frame = frame;
    memset(&Cues.text[i], 0, sizeof(CueText));
    Cues.text[i].length = length;
    return i;
}

int AddCue(uint32_t first, uint32_t last, const char *label, const char *desc)
{
    if ((CueHook.haveDocument && !CueHook.haveDocument()) || Cues.count >= CUE_MAX)
        return 0;
    uint32_t length = last >= first ? last - first + 1 : 0;
    int i = append(cueNewId(), first, length);
    if (i < 0)
        return 0;
    char def[16];
    if (!label) {
        snprintf(def, sizeof def, "MARK%lu", (unsigned long)Cues.point[i].id);
        label = def;
    }
    copyText(Cues.text[i].label, CUE_LABELMAX, label, CUE_ADDLABEL);
    copyText(Cues.text[i].desc, CUE_DESCMAX, desc ? desc : (length ? "Range" : "Marker"), CUE_DESCMAX - 1);
    if (CueHook.added)
        CueHook.added(i);
    changed();
    modified();
    return 1;
}

static void removeAt(int index)
{
    if (index < 0 || index >= Cues.count)
        return;
    int n = Cues.count - index - 1;
    memmove(&Cues.point[index], &Cues.point[index + 1], sizeof(CuePoint) * n);
    memmove(&Cues.text[index], &Cues.text[index + 1], sizeof(CueText) * n);
    Cues.count--;
}

void cueDelete(int index)
{
    if (index < 0 || index >= Cues.count)
        return;
    removeAt(index);
    playListRefresh();
    changed();
    modified();
}

uint32_t cueLast(int index)
{
    const CueText *t = &Cues.text[index];
    uint32_t f = Cues.point[index].frame;
    return t->length ? f + t->length - 1 : f;
}

int cueMerge(int a, int b)
{
    if (a < 0 || b < 0 || a >= Cues.count || b >= Cues.count || a == b)
        return 0;
    if (b < a) {
        int t = a;
        a = b;
        b = t;
    }
    /* The first in table order reaches the end of the second. */
    uint32_t fa = Cues.point[a].frame, fb = Cues.point[b].frame;
    uint64_t reach = (uint64_t)fb + Cues.text[b].length + (Cues.text[b].length == 0 ? 1 : 0);
    uint64_t want = reach > fa ? reach - fa : 0;
    uint32_t len = Cues.text[a].length;
    if (want > len)
        len = want > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)want;
    Cues.text[a].length = len;
    removeAt(b);
    RefreshPlayListLengths();
    playListRefresh();
    changed();
    modified();
    return 1;
}

void cueSetLabel(int index, const char *label)
{
    if (index >= 0 && index < Cues.count) {
        copyText(Cues.text[index].label, CUE_LABELMAX, label ? label : "", CUE_LABELMAX - 1);
        modified();
    }
}

void cueSetDesc(int index, const char *desc)
{
    if (index >= 0 && index < Cues.count) {
        copyText(Cues.text[index].desc, CUE_DESCMAX, desc ? desc : "", CUE_DESCMAX - 1);
        modified();
    }
}

/* ---- following the sound ---- */

void cuesInserted(uint32_t frame, uint32_t frames)
{
    if (frames == 0 || Cues.count == 0)
        return;
    for (int i = 0; i < Cues.count; i++) {
        CuePoint *p = &Cues.point[i];
        CueText *t = &Cues.text[i];
        if (p->frame >= frame) {
            uint64_t f = (uint64_t)p->frame + frames;
            p->frame = f > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)f;
        } else if (t->length && (uint64_t)p->frame + t->length > frame) {
            uint64_t l = (uint64_t)t->length + frames;   /* inserted inside the range */
            t->length = l > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)l;
        }
    }
    RefreshPlayListLengths();
    changed();
}

void cuesDeleted(uint32_t frame, uint32_t frames)
{
    if (frames == 0 || Cues.count == 0)
        return;
    uint64_t cutEnd = (uint64_t)frame + frames;   /* one past the last removed frame */
    int dropped = 0;
    for (int i = Cues.count - 1; i >= 0; i--) {
        CuePoint *p = &Cues.point[i];
        CueText *t = &Cues.text[i];
        uint64_t s = p->frame, e = s + (t->length ? t->length : 1);   /* e: one past */
        if (e <= frame)
            continue;   /* wholly before the cut */
        if (s >= cutEnd) {
            p->frame = (uint32_t)(s - frames);
            continue;
        }
        uint64_t lo = s > frame ? s : frame, hi = e < cutEnd ? e : cutEnd;
        uint64_t shared = hi - lo;
        if (t->length == 0 || shared >= t->length) {
            removeAt(i);   /* every frame it marked is gone */
            dropped = 1;
            continue;
        }
        t->length -= (uint32_t)shared;
        if (s > frame)
            p->frame = frame;   /* its first frames went: it starts where the cut was */
    }
    RefreshPlayListLengths();
    if (dropped)
        playListRefresh();
    changed();
}

void cuesRescale(uint32_t oldRate, uint32_t newRate)
{
    if (oldRate == 0 || newRate == 0 || oldRate == newRate)
        return;
    for (int i = 0; i < Cues.count; i++) {
        CuePoint *p = &Cues.point[i];
        CueText *t = &Cues.text[i];
        uint64_t s = (uint64_t)p->frame * newRate / oldRate;
        if (t->length) {
            uint64_t last = (uint64_t)p->frame + t->length - 1;
            uint64_t e = (last + 1) * newRate / oldRate;   /* one past the new last frame */
            uint64_t len = e > s ? e - s : 1;
            t->length = len > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)len;
        }
        p->frame = s > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)s;
    }
    RefreshPlayListLengths();
    changed();
}

void cuesFitLength(uint32_t frames)
{
    int dropped = 0;
    for (int i = Cues.count - 1; i >= 0; i--) {
        CuePoint *p = &Cues.point[i];
        CueText *t = &Cues.text[i];
        if (p->frame >= frames) {
            removeAt(i);
            dropped = 1;
        } else if (t->length > frames - p->frame) {
            t->length = frames - p->frame;
        }
    }
    RefreshPlayListLengths();
    playListRefresh();
    (void)dropped;
    changed();
}

int cueMarkerX(uint32_t frame, uint32_t viewStart, uint32_t viewEnd, int left, int width)
{
    if (viewEnd <= viewStart || width <= 0)
        return left;
    uint64_t n = (uint64_t)viewEnd - viewStart + 1;
    if (n < (uint64_t)width)
        n = (uint64_t)width;
    uint64_t off = frame > viewStart ? frame - viewStart : 0;
    return left + (int)(off * (uint64_t)width / n);
}

/* ---- list texts ---- */

void CueListLine(int index, uint32_t rate, char *out, size_t size)
{
    if (index < 0 || index >= Cues.count) {
        if (size)
            out[0] = 0;
        return;
    }
    char a[32], b[32];
    FormatDecimal(Cues.point[index].frame, rate, a, sizeof a, 0);
    const CueText *t = &Cues.text[index];
    if (t->length) {
        FormatDecimal(cueLast(index), rate, b, sizeof b, 0);
        snprintf(out, size, " %s to %s\t\t %s \t\t[%lu]", a, b, t->label, (unsigned long)Cues.point[index].id);
    } else {
        snprintf(out, size, " %s\t\t %s \t\t[%lu]", a, t->label, (unsigned long)Cues.point[index].id);
    }
}

uint32_t cueIdOfLine(const char *line)
{
    const char *open = strrchr(line, '[');
    if (!open)
        return 0;
    char *end;
    unsigned long v = strtoul(open + 1, &end, 10);
    return *end == ']' ? (uint32_t)v : 0;
}

/* ---- the play list ---- */

static int insertEntry(int at, uint32_t id)
{
    int c = cueFind(id);
    if (c < 0 || PlayList.count >= PLAYLIST_MAX)
        return -1;
    if (PlayList.count >= PlayList.capacity) {
        uint32_t cap = PlayList.capacity ? PlayList.capacity * 2 : 16;
        if (cap > PLAYLIST_MAX)
            cap = PLAYLIST_MAX;
        PlayItem *n = (PlayItem *)osAlloc(sizeof(PlayItem) * cap);
        if (!n)
            return -1;
        if (PlayList.count)
            memcpy(n, PlayList.entry, sizeof(PlayItem) * PlayList.count);
        osFree(PlayList.entry);
        PlayList.entry = n;
        PlayList.capacity = cap;
    }
    if (at < 0 || at > PlayList.count)
        at = PlayList.count;
    memmove(&PlayList.entry[at + 1], &PlayList.entry[at], sizeof(PlayItem) * (PlayList.count - at));
    PlayList.entry[at].cue = id;
    PlayList.entry[at].frames = Cues.text[c].length;
    PlayList.entry[at].count = 1;
    PlayList.count++;
    return at;
}

int playListInsert(int at, uint32_t id)
{
    int i = insertEntry(at, id);
    if (i >= 0)
        modified();
    return i;
}

void playListRemove(int index)
{
    if (index < 0 || index >= PlayList.count)
        return;
    memmove(&PlayList.entry[index], &PlayList.entry[index + 1], sizeof(PlayItem) * (PlayList.count - index - 1));
    PlayList.count--;
    modified();
}

void playListSetCount(int index, uint32_t count)
{
    if (index < 0 || index >= PlayList.count)
        return;
    PlayList.entry[index].count = count < 1 ? 1 : count;
    modified();
}

int playListRefresh(void)
{
    int dropped = 0, out = 0;
    for (int i = 0; i < PlayList.count; i++) {
        int c = cueFind(PlayList.entry[i].cue);
        if (c < 0 || Cues.text[c].length == 0) {
            dropped++;
            continue;
        }
        PlayList.entry[out] = PlayList.entry[i];
        PlayList.entry[out].frames = Cues.text[c].length;
        out++;
    }
    PlayList.count = (uint16_t)out;
    return dropped;
}

void RefreshPlayListLengths(void)
{
    for (int i = 0; i < PlayList.count; i++) {
        int c = cueFind(PlayList.entry[i].cue);
        if (c >= 0)
            PlayList.entry[i].frames = Cues.text[c].length;
    }
}

void playListLine(int index, char *out, size_t size)
{
    if (index < 0 || index >= PlayList.count) {
        snprintf(out, size, "[End]");
        return;
    }
    int c = cueFind(PlayList.entry[index].cue);
    snprintf(out, size, "(%lu)\t%s", (unsigned long)PlayList.entry[index].count, c >= 0 ? Cues.text[c].label : "");
}

/* ---- special items ---- */

static uint32_t rd32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }
static void wr32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

/* id then text then a zero, packed; a record without its zero ends at the item's end. */
static void readTexts(const uint8_t *d, uint32_t size, int labels)
{
    uint32_t at = 0;
    while (size - at >= 4) {
        uint32_t id = rd32(d + at);
        at += 4;
        uint32_t n = 0;
        while (at + n < size && d[at + n])
            n++;
        char text[CUE_DESCMAX];
        uint32_t keep = n < sizeof text - 1 ? n : (uint32_t)sizeof text - 1;
        memcpy(text, d + at, keep);
        text[keep] = 0;
        at += n + (at + n < size ? 1 : 0);
        int c = cueFind(id);
        if (c < 0)
            continue;   /* a text for a cue that does not exist */
        if (labels)
            copyText(Cues.text[c].label, CUE_LABELMAX, text, CUE_LABELMAX - 1);
        else
            copyText(Cues.text[c].desc, CUE_DESCMAX, text, CUE_DESCMAX - 1);
    }
}

void cuesReadSpecial(int code, const void *data, uint32_t size)
{
    const uint8_t *d = (const uint8_t *)data;
    if (!d)
        return;
    switch (code) {
    case 40:
        for (uint32_t at = 0; size - at >= 24 && Cues.count < CUE_MAX; at += 24) {
            uint32_t id = rd32(d + at);
            if (cueFind(id) >= 0)
                continue;   /* the first of a duplicated identifier stands */
            append(id, rd32(d + at + 20), 0);
        }
        break;
    case 41:
        for (uint32_t at = 0; size - at >= 20; at += 20) {
            int c = cueFind(rd32(d + at));
            if (c >= 0)
                Cues.text[c].length = rd32(d + at + 4);
        }
        break;
    case 42:
        readTexts(d, size, 0);
        break;
    case 43:
        readTexts(d, size, 1);
        break;
    case 44:
        for (uint32_t at = 0; size - at >= 12 && PlayList.count < PLAYLIST_MAX; at += 12) {
            int i = insertEntry(PlayList.count, rd32(d + at));
            if (i >= 0)
                PlayList.entry[i].count = rd32(d + at + 8) ? rd32(d + at + 8) : 1;
        }
        break;
    default:
        return;
    }
    changed();
}

static uint8_t *newBuffer(uint32_t size)
{
    osFree(specialBuf);
    specialBuf = (uint8_t *)osAlloc(size ? size : 1);
    return specialBuf;
}

int cuesSpecialData(int code, const void **data, uint32_t *size)
{
    uint32_t n = 0;
    uint8_t *b = NULL;
    switch (code) {
    case 40:
        if (!Cues.count || !(b = newBuffer(n = 24u * Cues.count)))
            return 0;
        for (int i = 0; i < Cues.count; i++) {
            const CuePoint *p = &Cues.point[i];
            uint8_t *r = b + 24 * i;
            wr32(r, p->id);
            wr32(r + 4, p->id);
            memcpy(r + 8, "data", 4);
            wr32(r + 12, 0);
            wr32(r + 16, 0);
            wr32(r + 20, p->frame);
        }
        break;
    case 41:
        if (!Cues.count || !(b = newBuffer(n = 20u * Cues.count)))
            return 0;
        memset(b, 0, n);
        for (int i = 0; i < Cues.count; i++) {
            uint8_t *r = b + 20 * i;
            wr32(r, Cues.point[i].id);
            wr32(r + 4, Cues.text[i].length);
            memcpy(r + 8, "mark", 4);
        }
        break;
    case 42:
    case 43: {
        for (int i = 0; i < Cues.count; i++) {
            const char *t = code == 43 ? Cues.text[i].label : Cues.text[i].desc;
            if (t[0])
                n += 4 + (uint32_t)strlen(t) + 1;
        }
        if (!n || !(b = newBuffer(n)))
            return 0;
        uint32_t at = 0;
        for (int i = 0; i < Cues.count; i++) {
            const char *t = code == 43 ? Cues.text[i].label : Cues.text[i].desc;
            if (!t[0])
                continue;
            uint32_t len = (uint32_t)strlen(t) + 1;
            wr32(b + at, Cues.point[i].id);
            memcpy(b + at + 4, t, len);
            at += 4 + len;
        }
        break;
    }
    case 44:
        playListRefresh();
        if (!PlayList.count || !(b = newBuffer(n = 12u * PlayList.count)))
            return 0;
        for (int i = 0; i < PlayList.count; i++) {
            wr32(b + 12 * i, PlayList.entry[i].cue);
            wr32(b + 12 * i + 4, PlayList.entry[i].frames);
            wr32(b + 12 * i + 8, PlayList.entry[i].count);
        }
        break;
    default:
        return 0;
    }
    *data = b;
    *size = n;
    return 1;
}

/* ---- batch ---- */

static int silentFrame(const uint8_t *f, uint32_t ba, int bits)
{
    for (uint32_t i = 0; i < ba; i++)
        if (f[i] != (bits == 8 ? 128 : 0))
            return 0;
    return 1;
}

/* Silent frames at the start (fromEnd 0) or the end of frames first..first+length-1,
   scanned 1024 frames at a time. */
static uint32_t silentRun(uint32_t first, uint32_t length, int fromEnd)
{
    uint32_t ba = Wave.blockAlign ? Wave.blockAlign : 1, run = 0;
    uint8_t buf[1024 * 4];
    while (run < length) {
        uint32_t n = length - run < 1024 ? length - run : 1024;
        uint32_t at = fromEnd ? first + length - run - n : first + run;
        if (vocRead(buf, (int32_t)((uint64_t)at * ba), n * ba) != 0)
            return run;
        for (uint32_t k = 0; k < n; k++) {
            uint32_t i = fromEnd ? n - 1 - k : k;
            if (!silentFrame(buf + i * ba, ba, Wave.bitsPerSample))
                return run + k;
        }
        run += n;
    }
    return run;
}

int cueSetSilence(int index, uint32_t before, uint32_t after)
{
    if (index < 0 || index >= Cues.count || Cues.text[index].length == 0 || !Wave.blockAlign)
        return 1;
    uint32_t id = Cues.point[index].id, ba = Wave.blockAlign;
    uint32_t s = Cues.point[index].frame, len = Cues.text[index].length;
    uint32_t lead = silentRun(s, len, 0);
    uint32_t trail = lead >= len ? 0 : silentRun(s, len, 1);
    /* The end first, so the start's edits do not move it. */
    if (trail < after) {
        uint32_t n = after - trail;
        if (vocInsertBlank((int32_t)((uint64_t)(s + len) * ba), n * ba) != 0)
            return 1;
        int c = cueFind(id);
        if (c >= 0)
            Cues.text[c].length += n;
    } else if (trail > after) {
        uint32_t n = trail - after;
        if (vocCut((int32_t)((uint64_t)(s + len - n) * ba), n * ba) != 0)
            return 1;
    }
    int c = cueFind(id);
    if (c < 0)
        return 1;
    len = Cues.text[c].length;
    if (lead > len)
        lead = len;
    if (lead < before) {
        uint32_t n = before - lead;
        if (vocInsertBlank((int32_t)((uint64_t)s * ba), n * ba) != 0)
            return 1;
        c = cueFind(id);
        if (c >= 0) {
            Cues.point[c].frame = s;   /* the new silence belongs to the range */
            Cues.text[c].length += n;
        }
    } else if (lead > before && lead < len) {
        uint32_t n = lead - before;
        if (vocCut((int32_t)((uint64_t)s * ba), n * ba) != 0)
            return 1;
    }
    RefreshPlayListLengths();
    changed();
    modified();
    return 0;
}

/* ---- undo ---- */

struct CueSnapshot {
    uint16_t count, entries;
    /* then count CuePoint, count CueText, entries PlayItem */
};

void *cuesSnapshot(void)
{
    if (Cues.count == 0 && PlayList.count == 0)
        return NULL;
    size_t bytes = sizeof(CueSnapshot) + Cues.count * (sizeof(CuePoint) + sizeof(CueText)) +
                   PlayList.count * sizeof(PlayItem);
    uint8_t *s = (uint8_t *)osAlloc(bytes);
    if (!s)
        return NULL;
    CueSnapshot h = {Cues.count, PlayList.count};
    memcpy(s, &h, sizeof h);
    uint8_t *at = s + sizeof h;
    if (Cues.count) {
        memcpy(at, Cues.point, sizeof(CuePoint) * Cues.count);
        at += sizeof(CuePoint) * Cues.count;
        memcpy(at, Cues.text, sizeof(CueText) * Cues.count);
        at += sizeof(CueText) * Cues.count;
    }
    if (PlayList.count)
        memcpy(at, PlayList.entry, sizeof(PlayItem) * PlayList.count);
    return s;
}

void cuesRestore(const void *snapshot)
{
    /* Cues made after the snapshot (absent from it) are kept where they are now. */
    CuePoint later[CUE_MAX];
    CueText laterText[CUE_MAX];
    int nLater = 0;
    const uint8_t *s = (const uint8_t *)snapshot;
    CueSnapshot h = {0, 0};
    if (s)
        memcpy(&h, s, sizeof h);
    const CuePoint *sp = (const CuePoint *)(s ? s + sizeof h : NULL);
    for (int i = 0; i < Cues.count; i++) {
        int known = 0;
        for (int k = 0; k < h.count && !known; k++) {
            CuePoint p;
            memcpy(&p, &sp[k], sizeof p);
            known = p.id == Cues.point[i].id;
        }
        if (!known) {
            later[nLater] = Cues.point[i];
            laterText[nLater++] = Cues.text[i];
        }
    }
    Cues.count = 0;
    PlayList.count = 0;
    if (s) {
        const uint8_t *at = s + sizeof h;
        if (h.count && ensureTable()) {
            memcpy(Cues.point, at, sizeof(CuePoint) * h.count);
            memcpy(Cues.text, at + sizeof(CuePoint) * h.count, sizeof(CueText) * h.count);
            Cues.count = h.count;
        }
        at += (sizeof(CuePoint) + sizeof(CueText)) * h.count;
        const PlayItem *e = (const PlayItem *)at;
        for (int i = 0; i < h.entries; i++) {
            PlayItem item;
            memcpy(&item, &e[i], sizeof item);
            int k = insertEntry(PlayList.count, item.cue);
            if (k >= 0) {
                PlayList.entry[k].frames = item.frames;
                PlayList.entry[k].count = item.count;
            }
        }
    }
    for (int i = 0; i < nLater && ensureTable() && Cues.count < CUE_MAX; i++) {
        Cues.point[Cues.count] = later[i];
        Cues.text[Cues.count++] = laterText[i];
    }
    changed();
}

void cuesFreeSnapshot(void *snapshot) { osFree(snapshot); }

void cuesFree(void)
{
    osFree(Cues.point);
    osFree(Cues.text);
    osFree(PlayList.entry);
    osFree(specialBuf);
    Cues.point = NULL;
    Cues.text = NULL;
    Cues.count = 0;
    PlayList.entry = NULL;
    PlayList.capacity = 0;
    PlayList.count = 0;
    specialBuf = NULL;
}
