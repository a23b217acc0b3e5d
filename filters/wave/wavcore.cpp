/*
 * wavcore.cpp - RIFF WAVE parsing, decoding to canonical PCM, special items, and writing.
 *
 * Writes no global state.  Invariants:
 *  1. Every size read from the file is clamped to the bytes that remain (in the file, or in
 *     the enclosing LIST) before it is used to read, loop or allocate (chunkWalk, readList).
 *  2. Special items are held in memory with a cap per item and in total (itemAdd), so a
 *     hostile file costs at most WAV_SPECIAL_CAP bytes.
 *  3. A reader delivers whole frames of its output type; wavRead and wavSeek keep
 *     frame, outPos and outLen consistent (refill is the only place that decodes).
 *  4. A writer's header always describes the bytes on disk once wavFinish has run.
 */
#include "filters/wave/wavcore.h"
#include "filters/common/zadpcm.h"
#include "filters/common/zcodec.h"

#include <string.h>

#define WAV_RAW_BYTES    32768u              /* source bytes decoded per refill */
#define WAV_MAX_CHANNELS 256u                /* more is refused: one frame must fit a refill */
#define WAV_ITEM_CAP     (1024u * 1024u)     /* one special item */
#define WAV_SPECIAL_CAP  (8u * 1024u * 1024u)/* all special items of one file */
#define WAV_MAX_ITEMS    64u
#define WAV_IMA_MAX_ALIGN 8192u              /* a decoded block must fit out[] */
#define WAV_WRITE_LIMIT  0xFF000000u         /* data bytes a writer accepts: room for the rest */

static const char kInfoIds[14][5] = {"IART", "ICMT", "ICOP", "ICRD", "IENG", "IGNR", "IKEY",
                                     "IMED", "INAM", "ISFT", "ISRC", "ITCH", "ISBJ", "ISRF"};

/* The 14 bytes shared by every KSDATAFORMAT_SUBTYPE_* GUID after its leading format tag. */
static const uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

namespace {

struct Item {
    int      code;
    uint32_t size;
    uint8_t *data;
};

/* A growable block of bytes from osAlloc; a failed growth leaves it as it was. */
struct Bytes {
    uint8_t *p;
    uint32_t n, cap;
};

} // namespace

struct WavReader {
    OsFile         file;        /* OS_NOFILE for a memory image */
    const uint8_t *mem;         /* the memory image, or NULL */
    uint64_t       size;        /* bytes in the file or image */
    WavInfo        info;
    uint64_t       dataStart;   /* file offset of the first sample byte */
    uint32_t       frames;      /* source frames available */
    uint32_t       frame;       /* next source frame to decode */
    uint32_t       srcBlock;    /* bytes per source frame */
    uint32_t       container;   /* bytes per source sample */
    uint32_t       outBlock;    /* bytes per delivered frame */
    int            passThrough; /* 1 when the source bytes are already canonical */
    uint32_t       outPos, outLen; /* undelivered bytes are out[outPos..outLen) */
    Item           items[WAV_MAX_ITEMS];
    uint32_t       itemCount;
    uint32_t       itemBytes;   /* total bytes held by items */
    uint32_t       nextItem[45];/* per code: how many items of that code were read */
    uint64_t       dataLen;     /* bytes of the data chunk in the file */
    uint32_t       imaFrames;   /* IMA ADPCM: frames per block (0 for other encodings) */
    uint32_t       imaAlign;    /* IMA ADPCM: bytes per block */
    uint8_t        raw[WAV_RAW_BYTES];
    uint8_t        out[WAV_RAW_BYTES * 2]; /* A-law mono doubles in size, nothing grows more */
    int16_t        ima[WAV_IMA_MAX_ALIGN * 2]; /* one decoded IMA block */
};

struct WavWriter {
    OsFile   file;
    uint16_t bits, channels;
    uint32_t block;             /* bytes per frame */
    uint32_t written;           /* data bytes on disk */
    uint8_t  carry[4];          /* a partial frame waiting for its end */
    uint32_t carryLen;
    int      failed;            /* a write came back short */
    Item     items[WAV_MAX_ITEMS];
    uint32_t itemCount;
    uint32_t itemBytes;
    uint32_t options;           /* WAV_OPT_* */
    uint32_t header;            /* bytes before the samples: the data size sits just before */
    uint32_t factAt;            /* offset of the fact chunk's frame count, 0 = none */
    uint32_t frames;            /* frames taken (compressed encodings) */
    uint32_t imaFrames, imaAlign, imaFill;  /* IMA: frames per block, bytes, frames waiting */
    int      imaIndex[2];       /* IMA: step index carried between blocks */
    int16_t *imaBuf;            /* IMA: the block being filled */
    uint8_t *imaBlock;          /* IMA: one encoded block */
};

/* ---- little helpers ---- */

static uint16_t get16(const uint8_t *p) { return (uint16_t)(p[0] | (p[1] << 8)); }
static uint32_t get32(const uint8_t *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
static void put16(uint8_t *p, uint32_t v) { p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); }
static void put32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); p[2] = (uint8_t)(v >> 16); p[3] = (uint8_t)(v >> 24);
}

static int isChunkId(const uint8_t *id)
{
    for (int i = 0; i < 4; i++)
        if (id[i] < 0x20 || id[i] > 0x7E)
            return 0;
    return 1;
}

static uint32_t readAt(WavReader *r, uint64_t off, void *buf, uint32_t n)
{
    if (off >= r->size)
        return 0;
    if (n > r->size - off)
        n = (uint32_t)(r->size - off);
    if (r->mem) {
        memcpy(buf, r->mem + off, n);
        return n;
    }
    if (osSeek(r->file, (int64_t)off, 0) != (int64_t)off)
        return 0;
    long got = osRead(r->file, buf, n);
    return got > 0 ? (uint32_t)got : 0;
}

static int bytesReserve(Bytes *b, uint32_t more)
{
    if (b->n + more <= b->cap)
        return 1;
    uint32_t cap = b->cap ? b->cap : 256;
    while (cap < b->n + more)
        cap *= 2;
    uint8_t *p = (uint8_t *)osAlloc(cap);
    if (!p)
        return 0;
    if (b->n)
        memcpy(p, b->p, b->n);
    osFree(b->p);
    b->p = p;
    b->cap = cap;
    return 1;
}

static int bytesAppend(Bytes *b, const void *data, uint32_t n)
{
    if (n == 0)
        return 1;
    if (!bytesReserve(b, n))
        return 0;
    memcpy(b->p + b->n, data, n);
    b->n += n;
    return 1;
}

/* Takes ownership of data (from osAlloc) on success. */
static int itemAdd(Item *items, uint32_t *count, uint32_t *total, int code, uint8_t *data, uint32_t size)
{
    if (*count >= WAV_MAX_ITEMS || size > WAV_ITEM_CAP || *total + size > WAV_SPECIAL_CAP)
        return 0;
    items[*count].code = code;
    items[*count].size = size;
    items[*count].data = data;
    (*count)++;
    *total += size;
    return 1;
}

static void itemsFree(Item *items, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++)
        osFree(items[i].data);
}

/* ---- G.711 ---- */

int16_t wavAlawToLinear(uint8_t a)
{
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    int seg = (a & 0x70) >> 4;
    if (seg == 0)
        t += 8;
    else
        t = (t + 0x108) << (seg - 1);
    return (int16_t)((a & 0x80) ? t : -t);
}

int16_t wavMulawToLinear(uint8_t u)
{
    u = (uint8_t)~u;
    int t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
    return (int16_t)((u & 0x80) ? (0x84 - t) : (t - 0x84));
}

/* ---- decoding ---- */

/* Float full scale is 1.0; rounding half away from zero, as the usual converters do. */
static int32_t floatToS32(double d)
{
    if (!(d == d))
        return 0;
    double x = d * 2147483648.0;
    if (x >= 2147483647.5)
        return INT32_MAX;
    if (x <= -2147483648.5)
        return INT32_MIN;
    return (int32_t)(x < 0 ? x - 0.5 : x + 0.5);
}

/* One stored sample as a left-justified 32-bit value. */
static int32_t sampleS32(const WavReader *r, const uint8_t *p)
{
    switch (r->info.fileEncoding) {
    case WAV_ENC_PCM:
        switch (r->container) {
        case 1: return (int32_t)((uint32_t)(p[0] ^ 0x80) << 24);
        case 2: return (int32_t)((uint32_t)get16(p) << 16);
        case 3: return (int32_t)(((uint32_t)p[0] << 8) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 24));
        default: return (int32_t)get32(p);
        }
    case WAV_ENC_FLOAT:
        if (r->container == 4) {
            uint32_t v = get32(p);
            float f;
            memcpy(&f, &v, 4);
            return floatToS32(f);
        } else {
            uint64_t v = (uint64_t)get32(p) | ((uint64_t)get32(p + 4) << 32);
            double d;
            memcpy(&d, &v, 8);
            return floatToS32(d);
        }
    case WAV_ENC_ALAW:
        return (int32_t)((uint32_t)(uint16_t)wavAlawToLinear(p[0]) << 16);
    default:
        return (int32_t)((uint32_t)(uint16_t)wavMulawToLinear(p[0]) << 16);
    }
}

/* Rounds to 16 bits (half up) and clips the top, which rounding can push past 32767. */
static int16_t s32ToS16(int64_t s)
{
    int64_t v = (s + 32768) >> 16;
    if (v > 32767)
        v = 32767;
    if (v < -32768)
        v = -32768;
    return (int16_t)v;
}

/* Decodes the next run of frames into out.  Returns 0 at the end of what can be read. */
static int refillIma(WavReader *r)
{
    uint32_t block = r->frame / r->imaFrames, skip = r->frame % r->imaFrames;
    uint64_t at = (uint64_t)block * r->imaAlign;
    uint32_t len = r->imaAlign;
    if (at >= r->dataLen)
        return 0;
    if (len > r->dataLen - at)
        len = (uint32_t)(r->dataLen - at);
    uint32_t got = readAt(r, r->dataStart + at, r->raw, len);
    uint32_t n = zaImaDecode(r->raw, got, r->info.fileChannels, r->imaFrames, r->ima);
    if (n <= skip) {
        /* Damaged or shrunk: the data ends here, and the byte count says so. */
        r->frames = r->frame;
        r->info.bytes = r->frame * r->outBlock;
        return 0;
    }
    n -= skip;
    if (n > r->frames - r->frame)
        n = r->frames - r->frame;
    const uint32_t ch = r->info.fileChannels;
    for (uint32_t i = 0; i < n * ch; i++)
        put16(r->out + 2 * i, (uint16_t)r->ima[skip * ch + i]);
    r->frame += n;
    r->outLen = n * r->outBlock;
    return 1;
}

static int refill(WavReader *r)
{
    r->outPos = r->outLen = 0;
    if (r->frame >= r->frames)
        return 0;
    if (r->imaFrames)
        return refillIma(r);
    uint32_t n = WAV_RAW_BYTES / r->srcBlock;
    if (n > r->frames - r->frame)
        n = r->frames - r->frame;
    uint32_t got = readAt(r, r->dataStart + (uint64_t)r->frame * r->srcBlock, r->raw, n * r->srcBlock);
    n = got / r->srcBlock;
    if (n == 0) {
        r->frames = r->frame;   /* the file shrank under us: end here */
        return 0;
    }
    if (r->passThrough) {
        memcpy(r->out, r->raw, n * r->srcBlock);
    } else {
        const uint32_t ch = r->info.fileChannels, cs = r->container;
        uint8_t *o = r->out;
        for (uint32_t f = 0; f < n; f++) {
            const uint8_t *p = r->raw + f * r->srcBlock;
            int16_t left, right;
            if (ch <= 2) {
                left = s32ToS16(sampleS32(r, p));
                right = ch == 2 ? s32ToS16(sampleS32(r, p + cs)) : 0;
            } else {
                /* Mix-down: the first two channels go to their own side, every further
                   channel to both sides at half weight; dividing by channels / 2 keeps
                   full scale full scale without clipping. */
                int64_t others = 0;
                for (uint32_t c = 2; c < ch; c++)
                    others += sampleS32(r, p + c * cs);
                left = s32ToS16((2 * (int64_t)sampleS32(r, p) + others) / (int64_t)ch);
                right = s32ToS16((2 * (int64_t)sampleS32(r, p + cs) + others) / (int64_t)ch);
            }
            put16(o, (uint16_t)left);
            o += 2;
            if (r->info.channels == 2) {
                put16(o, (uint16_t)right);
                o += 2;
            }
        }
    }
    r->frame += n;
    r->outLen = n * r->outBlock;
    return 1;
}

/* ---- parsing ---- */

struct Parse {
    int haveFmt, haveData, haveCue, havePlst;
    uint16_t tag, channels, bits, blockAlign;
    uint32_t rate;
    int haveFact;
    uint32_t factFrames;
    int extensible;
    uint64_t dataStart, dataLen;
    int truncated;
    Bytes cueLen, notes, labels;
    int result;
    const char *why;
};

static void fail(Parse *ps, int result, const char *why)
{
    if (ps->result == WAV_OK) {
        ps->result = result;
        ps->why = why;
    }
}

static void parseFmt(WavReader *r, Parse *ps, uint64_t body, uint32_t len)
{
    uint8_t b[40];
    uint32_t n = len < sizeof b ? len : (uint32_t)sizeof b;
    n = readAt(r, body, b, n);
    if (n < 16) {
        fail(ps, WAV_DAMAGED, "The format chunk of this wave file is too short.");
        return;
    }
    ps->tag = get16(b);
    ps->channels = get16(b + 2);
    ps->rate = get32(b + 4);
    ps->blockAlign = get16(b + 12);
    ps->bits = get16(b + 14);
    if (ps->tag == 0xFFFE) {
        if (n < 40 || get16(b + 16) < 22) {
            fail(ps, WAV_DAMAGED, "The extensible format chunk of this wave file is incomplete.");
            return;
        }
        if (memcmp(b + 26, kGuidTail, sizeof kGuidTail) != 0) {
            fail(ps, WAV_UNSUPPORTED, "This wave file's sub-format is not PCM, float, A-law or u-law.");
            return;
        }
        ps->tag = get16(b + 24);
        ps->extensible = 1;
    }
    ps->haveFmt = 1;
}

/* Next chunk position after a body of `size` bytes at `body`, given the limit `end`.  A
   writer that forgets the pad byte after an odd chunk leaves the next id one byte early:
   take that position when the padded one holds no plausible chunk id and it does. */
static uint64_t nextChunk(WavReader *r, uint64_t body, uint32_t size, uint64_t end)
{
    uint64_t next = body + size;
    if (!(size & 1))
        return next;
    uint8_t a[4], b[4];
    int padded = next + 1 + 8 <= end && readAt(r, next + 1, a, 4) == 4 && isChunkId(a);
    int unpadded = next + 8 <= end && readAt(r, next, b, 4) == 4 && isChunkId(b);
    return (!padded && unpadded) ? next : next + 1;
}

/* Reads len bytes at off into a fresh buffer with `extra` zero bytes after them. */
static uint8_t *readBlock(WavReader *r, uint64_t off, uint32_t len, uint32_t extra)
{
    if (len > WAV_ITEM_CAP)
        return NULL;
    uint8_t *p = (uint8_t *)osAlloc(len + extra);
    if (!p)
        return NULL;
    if (readAt(r, off, p, len) != len) {
        osFree(p);
        return NULL;
    }
    memset(p + len, 0, extra);
    return p;
}

/* Text items get a zero byte when the file lacks one; DISP items (often binary) stay as stored. */
static void addTextItem(WavReader *r, int code, uint64_t body, uint32_t len)
{
    if (len == 0 || len > WAV_ITEM_CAP)
        return;
    uint8_t last = 0;
    if (readAt(r, body + len - 1, &last, 1) != 1)
        return;
    uint32_t extra = (last != 0 && code != WAV_SP_DISP) ? 1 : 0;
    uint8_t *p = readBlock(r, body, len, extra);
    if (p && !itemAdd(r->items, &r->itemCount, &r->itemBytes, code, p, len + extra))
        osFree(p);
}

/* A cue or play-list table: a count then `rec`-byte records, the count clamped to the chunk. */
static void addTable(WavReader *r, int code, uint64_t body, uint32_t len, uint32_t rec)
{
    uint8_t c[4];
    if (len < 4 || readAt(r, body, c, 4) != 4)
        return;
    uint32_t count = get32(c);
    if (count > (len - 4) / rec)
        count = (len - 4) / rec;
    if (count == 0 || count > WAV_ITEM_CAP / rec)
        return;
    uint8_t *p = readBlock(r, body + 4, count * rec, 0);
    if (p && !itemAdd(r->items, &r->itemCount, &r->itemBytes, code, p, count * rec))
        osFree(p);
}

/* labl / note: cue id then text; packed as id, text up to its first zero, zero. */
static void addCueText(WavReader *r, Bytes *b, uint64_t body, uint32_t len)
{
    if (len < 4 || len > WAV_ITEM_CAP || b->n + len + 1 > WAV_SPECIAL_CAP)
        return;
    uint8_t *p = readBlock(r, body, len, 1);
    if (!p)
        return;
    uint32_t text = (uint32_t)strlen((const char *)p + 4);
    bytesAppend(b, p, 4 + text + 1);
    osFree(p);
}

static void readList(WavReader *r, Parse *ps, uint64_t body, uint64_t end)
{
    uint8_t type[4];
    if (body + 4 > end || readAt(r, body, type, 4) != 4)
        return;
    int info = memcmp(type, "INFO", 4) == 0, adtl = memcmp(type, "adtl", 4) == 0;
    if (!info && !adtl)
        return;
    uint64_t pos = body + 4;
    while (pos + 8 <= end) {
        uint8_t h[8];
        if (readAt(r, pos, h, 8) != 8 || !isChunkId(h))
            return;
        uint64_t sub = pos + 8;
        uint32_t size = get32(h + 4);
        uint32_t len = (uint32_t)(end - sub < size ? end - sub : size);
        if (info) {
            for (int i = 0; i < 14; i++)
                if (memcmp(h, kInfoIds[i], 4) == 0) {
                    addTextItem(r, WAV_SP_INFO_FIRST + i, sub, len);
                    break;
                }
        } else if (memcmp(h, "ltxt", 4) == 0 && len >= 20 && ps->cueLen.n + 20 <= WAV_ITEM_CAP) {
            uint8_t rec[20];
            if (readAt(r, sub, rec, 20) == 20) {
                /* A region's purpose in the file is "rgn "; the editor calls it "mark". */
                if (memcmp(rec + 8, "rgn ", 4) == 0)
                    memcpy(rec + 8, "mark", 4);
                bytesAppend(&ps->cueLen, rec, 20);
            }
        } else if (memcmp(h, "labl", 4) == 0) {
            addCueText(r, &ps->labels, sub, len);
        } else if (memcmp(h, "note", 4) == 0) {
            addCueText(r, &ps->notes, sub, len);
        }
        if ((uint64_t)size > end - sub)
            return;
        pos = nextChunk(r, sub, size, end);
    }
}

static void chunkWalk(WavReader *r, Parse *ps, uint64_t riffEnd)
{
    uint64_t pos = 12, end = r->size;
    while (pos + 8 <= end && ps->result == WAV_OK) {
        /* Past a plausible RIFF end with everything found: what follows is not ours. */
        if (pos >= riffEnd && ps->haveFmt && ps->haveData)
            break;
        uint8_t h[8];
        if (readAt(r, pos, h, 8) != 8 || !isChunkId(h))
            break;
        uint64_t body = pos + 8;
        uint32_t size = get32(h + 4);
        uint32_t len = (uint32_t)(end - body < size ? end - body : size);
        if (memcmp(h, "fmt ", 4) == 0) {
            if (!ps->haveFmt)
                parseFmt(r, ps, body, len);
        } else if (memcmp(h, "data", 4) == 0) {
            if (!ps->haveData) {
                ps->haveData = 1;
                ps->dataStart = body;
                ps->dataLen = len;
                ps->truncated = len < size;
            }
        } else if (memcmp(h, "fact", 4) == 0) {
            uint8_t f[4];
            if (!ps->haveFact && len >= 4 && readAt(r, body, f, 4) == 4) {
                ps->haveFact = 1;
                ps->factFrames = get32(f);
            }
        } else if (memcmp(h, "LIST", 4) == 0) {
            readList(r, ps, body, body + len);
        } else if (memcmp(h, "DISP", 4) == 0) {
            addTextItem(r, WAV_SP_DISP, body, len);
        } else if (memcmp(h, "cue ", 4) == 0) {
            if (!ps->haveCue)
                addTable(r, WAV_SP_CUE, body, len, 24);
            ps->haveCue = 1;
        } else if (memcmp(h, "plst", 4) == 0) {
            if (!ps->havePlst)
                addTable(r, WAV_SP_PLAYLIST, body, len, 12);
            ps->havePlst = 1;
        }
        if ((uint64_t)size > end - body)
            break;
        pos = nextChunk(r, body, size, end);
    }
}

static void moveBytesToItem(WavReader *r, Bytes *b, int code)
{
    if (b->n && itemAdd(r->items, &r->itemCount, &r->itemBytes, code, b->p, b->n))
        b->p = NULL;
    osFree(b->p);
    b->p = NULL;
    b->n = b->cap = 0;
}

/* Checks the format against what the editor can be given and sets up the decoding. */
static void settle(WavReader *r, Parse *ps)
{
    if (!ps->haveFmt)
        return fail(ps, WAV_DAMAGED, "This wave file has no format chunk.");
    if (!ps->haveData)
        return fail(ps, WAV_DAMAGED, "This wave file has no data chunk.");
    if (ps->channels == 0)
        return fail(ps, WAV_DAMAGED, "This wave file says it has no channels.");
    if (ps->rate == 0)
        return fail(ps, WAV_DAMAGED, "This wave file says its sample rate is 0 Hz.");
    if (ps->channels > WAV_MAX_CHANNELS)
        return fail(ps, WAV_UNSUPPORTED, "This wave file has more than 256 channels.");
    uint32_t cs = 0;
    switch (ps->tag) {
    case WAV_ENC_PCM:
        if (ps->bits < 8 || ps->bits > 32 || (ps->extensible && ps->bits % 8))
            return fail(ps, WAV_UNSUPPORTED, "Only 8 to 32-bit integer samples can be read.");
        cs = (ps->bits + 7u) / 8u;
        /* A narrow sample in a wider container says so through the block alignment. */
        if (!ps->extensible && ps->blockAlign % ps->channels == 0) {
            uint32_t c = ps->blockAlign / ps->channels;
            if (c > cs && c <= 4)
                cs = c;
        }
        break;
    case WAV_ENC_FLOAT:
        if (ps->bits != 32 && ps->bits != 64)
            return fail(ps, WAV_UNSUPPORTED, "Only 32 and 64-bit floating-point samples can be read.");
        cs = ps->bits / 8u;
        break;
    case WAV_ENC_ALAW:
    case WAV_ENC_MULAW:
        if (ps->bits != 8)
            return fail(ps, WAV_UNSUPPORTED, "A-law and u-law samples must be 8 bits.");
        cs = 1;
        break;
    case WAV_ENC_IMA:
        if (ps->bits != 4 || ps->channels > 2)
            return fail(ps, WAV_UNSUPPORTED, "IMA ADPCM is read with 4-bit samples in one or two channels.");
        if (ps->blockAlign > WAV_IMA_MAX_ALIGN || zaImaFramesPerBlock(ps->blockAlign, ps->channels) == 0)
            return fail(ps, WAV_DAMAGED, "The IMA ADPCM block size of this wave file is not usable.");
        cs = 2;
        break;
    default:
        return fail(ps, WAV_UNSUPPORTED,
                    "This wave file is compressed in a way this filter cannot read "
                    "(it reads PCM, floating point, A-law, u-law and IMA ADPCM).");
    }
    WavInfo *in = &r->info;
    in->rate = ps->rate;
    in->fileEncoding = ps->tag;
    in->fileBits = (uint16_t)(cs * 8);
    in->fileChannels = ps->channels;
    in->extensible = ps->extensible;
    in->truncated = ps->truncated;
    in->channels = ps->channels > 2 ? 2 : ps->channels;
    r->passThrough = ps->tag == WAV_ENC_PCM && ps->channels <= 2 && cs <= 2;
    in->bits = (ps->tag == WAV_ENC_PCM && cs == 1 && r->passThrough) ? 8 : 16;
    r->container = cs;
    r->srcBlock = cs * ps->channels;
    r->outBlock = in->channels * in->bits / 8u;
    uint64_t frames = ps->dataLen / r->srcBlock;
    if (frames > 0xFFFFFFFFu / r->outBlock)
        frames = 0xFFFFFFFFu / r->outBlock;
    if (ps->tag == WAV_ENC_IMA) {
        /* Whole blocks, then what the last one holds (its header sample and whole groups). */
        r->imaAlign = ps->blockAlign;
        r->imaFrames = zaImaFramesPerBlock(ps->blockAlign, ps->channels);
        uint64_t full = ps->dataLen / r->imaAlign, rest = ps->dataLen % r->imaAlign;
        frames = full * r->imaFrames;
        if (rest >= 4u * ps->channels)
            frames += 1 + (rest - 4u * ps->channels) / (4u * ps->channels) * 8u;
        if (ps->haveFact && ps->factFrames < frames)
            frames = ps->factFrames;
        in->fileBits = 4;
        if (frames > 0xFFFFFFFFu / r->outBlock)
            frames = 0xFFFFFFFFu / r->outBlock;
    }
    r->frames = (uint32_t)frames;
    r->dataStart = ps->dataStart;
    r->dataLen = ps->dataLen;
    in->bytes = r->frames * r->outBlock;
}

static WavReader *openReader(OsFile file, const void *mem, uint64_t size, int *result, const char **why)
{
    WavReader *r = (WavReader *)osAlloc(sizeof(WavReader));
    int res = WAV_OK;
    const char *text = NULL;
    Parse ps;
    memset(&ps, 0, sizeof ps);
    if (!r) {
        if (file != OS_NOFILE)
            osClose(file);
        res = WAV_NOMEM;
        text = "Not enough memory to read this wave file.";
        goto done;
    }
    memset(r, 0, sizeof *r - sizeof r->raw - sizeof r->out);
    r->file = file;
    r->mem = (const uint8_t *)mem;
    r->size = size;
    {
        uint8_t h[12];
        if (readAt(r, 0, h, 12) != 12 || memcmp(h, "RIFF", 4) != 0 || memcmp(h + 8, "WAVE", 4) != 0) {
            fail(&ps, WAV_NOTWAVE, "This is not a RIFF WAVE file.");
        } else {
            chunkWalk(r, &ps, 8 + (uint64_t)get32(h + 4));
            if (ps.result == WAV_OK)
                settle(r, &ps);
        }
    }
    moveBytesToItem(r, &ps.cueLen, WAV_SP_CUELEN);
    moveBytesToItem(r, &ps.notes, WAV_SP_NOTES);
    moveBytesToItem(r, &ps.labels, WAV_SP_LABELS);
    res = ps.result;
    text = ps.why;
    if (res != WAV_OK) {
        wavClose(r);
        r = NULL;
    }
done:
    if (result)
        *result = res;
    if (why)
        *why = text;
    return r;
}

WavReader *wavOpenFile(const char *path, int *result, const char **why)
{
    OsFile f = osOpen(path, OS_READ);
    int64_t size = f == OS_NOFILE ? -1 : osFileSize(f);
    if (size < 0) {
        if (f != OS_NOFILE)
            osClose(f);
        if (result)
            *result = WAV_IOERROR;
        if (why)
            *why = "The file could not be opened.";
        return NULL;
    }
    return openReader(f, NULL, (uint64_t)size, result, why);
}

WavReader *wavOpenMemory(const void *data, size_t size, int *result, const char **why)
{
    return openReader(OS_NOFILE, data ? data : "", data ? size : 0, result, why);
}

const WavInfo *wavInfo(const WavReader *r) { return &r->info; }

uint32_t wavRead(WavReader *r, void *buf, uint32_t n)
{
    uint8_t *dst = (uint8_t *)buf;
    uint32_t done = 0;
    while (done < n) {
        if (r->outPos == r->outLen && !refill(r))
            break;
        uint32_t k = r->outLen - r->outPos;
        if (k > n - done)
            k = n - done;
        memcpy(dst + done, r->out + r->outPos, k);
        r->outPos += k;
        done += k;
    }
    return done;
}

uint32_t wavSeek(WavReader *r, uint32_t pos)
{
    if (pos > r->info.bytes)
        pos = r->info.bytes;
    r->frame = pos / r->outBlock;
    r->outPos = r->outLen = 0;
    uint32_t rem = pos % r->outBlock;
    if (rem && refill(r))
        r->outPos = rem;
    return pos;
}

static const Item *nextItem(const WavReader *r, int code)
{
    if (code < 0 || code > 44)
        return NULL;
    uint32_t skip = r->nextItem[code];
    for (uint32_t i = 0; i < r->itemCount; i++)
        if (r->items[i].code == code && skip-- == 0)
            return &r->items[i];
    return NULL;
}

uint32_t wavSpecialSize(const WavReader *r, int code)
{
    const Item *it = nextItem(r, code);
    return it ? it->size : 0;
}

uint32_t wavReadSpecial(WavReader *r, int code, void *buf, uint32_t size)
{
    const Item *it = nextItem(r, code);
    if (!it)
        return 0;
    uint32_t n = it->size < size ? it->size : size;
    if (buf && n)
        memcpy(buf, it->data, n);
    r->nextItem[code]++;
    return n ? n : 1;
}

void wavClose(WavReader *r)
{
    if (!r)
        return;
    itemsFree(r->items, r->itemCount);
    if (r->file != OS_NOFILE)
        osClose(r->file);
    osFree(r);
}

/* ---- writing ---- */

static void writeOut(WavWriter *w, const void *p, uint32_t n)
{
    if (w->failed || n == 0)
        return;
    long got = osWrite(w->file, p, n);
    if (got != (long)n)
        w->failed = 1;
}

WavWriter *wavCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                     uint32_t dataBytes, int *result)
{
    int res = WAV_OK;
    WavWriter *w = NULL;
    if ((bits != 8 && bits != 16) || (channels != 1 && channels != 2) || rate == 0) {
        res = WAV_BADTYPE;
    } else if (!(w = (WavWriter *)osAlloc(sizeof *w))) {
        res = WAV_NOMEM;
    } else {
        memset(w, 0, sizeof *w);
        w->bits = bits;
        w->channels = channels;
        w->block = channels * bits / 8u;
        w->file = osCreate(path);
        if (w->file == OS_NOFILE) {
            osFree(w);
            w = NULL;
            res = WAV_IOERROR;
        } else {
            if (dataBytes > WAV_WRITE_LIMIT)
                dataBytes = WAV_WRITE_LIMIT;
            uint8_t h[44];
            memcpy(h, "RIFF", 4);
            put32(h + 4, 36 + dataBytes + (dataBytes & 1));
            memcpy(h + 8, "WAVEfmt ", 8);
            put32(h + 16, 16);
            put16(h + 20, WAV_ENC_PCM);
            put16(h + 22, channels);
            put32(h + 24, rate);
            put32(h + 28, rate * w->block);
            put16(h + 32, w->block);
            put16(h + 34, bits);
            memcpy(h + 36, "data", 4);
            put32(h + 40, dataBytes);
            writeOut(w, h, 44);
            w->header = 44;
            w->options = WAV_OPT_PCM;
        }
    }
    if (result)
        *result = res;
    return w;
}

/* The header of a compressed file: fmt with its extra bytes, fact (the frame count, set at
   the end) and the data chunk's head. */
static void compHeader(WavWriter *w, uint32_t rate)
{
    uint8_t h[60];
    int ima = w->options == WAV_OPT_IMA;
    uint32_t fmtLen = ima ? 20 : 18;
    uint32_t align = ima ? w->imaAlign : w->channels;
    uint32_t avg = ima ? (uint32_t)((uint64_t)rate * w->imaAlign / w->imaFrames) : rate * w->channels;
    memcpy(h, "RIFF", 4);
    put32(h + 4, 0);
    memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, fmtLen);
    put16(h + 20, ima ? WAV_ENC_IMA : w->options == WAV_OPT_MULAW ? WAV_ENC_MULAW : WAV_ENC_ALAW);
    put16(h + 22, w->channels);
    put32(h + 24, rate);
    put32(h + 28, avg);
    put16(h + 32, align);
    put16(h + 34, ima ? 4 : 8);
    put16(h + 36, ima ? 2 : 0);
    uint32_t at = 38;
    if (ima) {
        put16(h + 38, w->imaFrames);
        at = 40;
    }
    memcpy(h + at, "fact", 4);
    put32(h + at + 4, 4);
    put32(h + at + 8, 0);
    w->factAt = at + 8;
    memcpy(h + at + 12, "data", 4);
    put32(h + at + 16, 0);
    w->header = at + 20;
    writeOut(w, h, w->header);
}

WavWriter *wavCreate2(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                      uint32_t dataBytes, uint32_t options, int *result)
{
    if (options != WAV_OPT_MULAW && options != WAV_OPT_ALAW && options != WAV_OPT_IMA)
        return wavCreate(path, rate, bits, channels, dataBytes, result);
    int res = WAV_OK;
    WavWriter *w = NULL;
    if ((bits != 8 && bits != 16) || (channels != 1 && channels != 2) || rate == 0) {
        res = WAV_BADTYPE;
    } else if (!(w = (WavWriter *)osAlloc(sizeof *w))) {
        res = WAV_NOMEM;
    } else {
        memset(w, 0, sizeof *w);
        w->bits = bits;
        w->channels = channels;
        w->block = channels * bits / 8u;
        w->options = options;
        if (options == WAV_OPT_IMA) {
            w->imaAlign = zaImaBlockAlign(rate, channels);
            w->imaFrames = zaImaFramesPerBlock(w->imaAlign, channels);
            w->imaBuf = (int16_t *)osAlloc(w->imaFrames * channels * sizeof(int16_t));
            w->imaBlock = (uint8_t *)osAlloc(w->imaAlign);
        }
        if (options == WAV_OPT_IMA && (!w->imaBuf || !w->imaBlock)) {
            osFree(w->imaBuf);
            osFree(w->imaBlock);
            osFree(w);
            w = NULL;
            res = WAV_NOMEM;
        } else if ((w->file = osCreate(path)) == OS_NOFILE) {
            osFree(w->imaBuf);
            osFree(w->imaBlock);
            osFree(w);
            w = NULL;
            res = WAV_IOERROR;
        } else {
            compHeader(w, rate);
        }
    }
    if (result)
        *result = res;
    return w;
}

static void imaFlush(WavWriter *w)
{
    zaImaEncode(w->imaBuf, w->channels, w->imaFrames, w->imaAlign, w->imaIndex, w->imaBlock);
    writeOut(w, w->imaBlock, w->imaAlign);
    if (!w->failed)
        w->written += w->imaAlign;
    w->imaFill = 0;
}

/* Codes k whole canonical frames. */
static void compFrames(WavWriter *w, const uint8_t *p, uint32_t k)
{
    uint8_t codes[512];
    uint32_t nCodes = 0;
    for (uint32_t f = 0; f < k && !w->failed; f++) {
        for (uint32_t c = 0; c < w->channels; c++) {
            int16_t s = w->bits == 8 ? (int16_t)((p[c] ^ 0x80) << 8) : (int16_t)get16(p + 2 * c);
            if (w->options == WAV_OPT_IMA) {
                w->imaBuf[w->imaFill * w->channels + c] = s;
            } else {
                codes[nCodes++] = w->options == WAV_OPT_MULAW ? zcLinearToUlaw(s) : zcLinearToAlaw(s);
            }
        }
        p += w->block;
        w->frames++;
        if (w->options == WAV_OPT_IMA) {
            if (++w->imaFill == w->imaFrames)
                imaFlush(w);
        } else if (nCodes >= sizeof codes - 2) {
            writeOut(w, codes, nCodes);
            if (!w->failed)
                w->written += nCodes;
            nCodes = 0;
        }
    }
    if (nCodes) {
        writeOut(w, codes, nCodes);
        if (!w->failed)
            w->written += nCodes;
    }
}

static uint32_t compWrite(WavWriter *w, const uint8_t *p, uint32_t n)
{
    uint32_t taken = 0;
    while (taken < n && !w->failed && w->written <= WAV_WRITE_LIMIT) {
        if (w->carryLen || n - taken < w->block) {
            while (w->carryLen < w->block && taken < n)
                w->carry[w->carryLen++] = p[taken++];
            if (w->carryLen < w->block)
                break;
            compFrames(w, w->carry, 1);
            w->carryLen = 0;
            continue;
        }
        uint32_t k = (n - taken) / w->block;
        if (k > 4096)
            k = 4096;
        compFrames(w, p + taken, k);
        taken += k * w->block;
    }
    return taken;
}

uint32_t wavWrite(WavWriter *w, const void *buf, uint32_t n)
{
    const uint8_t *p = (const uint8_t *)buf;
    uint32_t taken = 0;
    if (w->failed)
        return 0;
    if (w->options != WAV_OPT_PCM)
        return compWrite(w, p, n);
    while (w->carryLen && taken < n) {
        w->carry[w->carryLen++] = p[taken++];
        if (w->carryLen == w->block) {
            if (w->written + w->block > WAV_WRITE_LIMIT)
                return taken;
            writeOut(w, w->carry, w->block);
            w->carryLen = 0;
            if (w->failed)
                return taken;
            w->written += w->block;
        }
    }
    uint32_t whole = (n - taken) / w->block * w->block;
    if (whole > WAV_WRITE_LIMIT - w->written)
        whole = (WAV_WRITE_LIMIT - w->written) / w->block * w->block;
    if (whole) {
        long got = osWrite(w->file, p + taken, whole);
        if (got > 0)
            w->written += (uint32_t)got;
        if (got != (long)whole) {
            w->failed = 1;
            return taken + (got > 0 ? (uint32_t)got : 0);
        }
        taken += whole;
    }
    if (taken < n && n - taken < w->block && w->written + w->block <= WAV_WRITE_LIMIT) {
        memcpy(w->carry, p + taken, n - taken);
        w->carryLen = n - taken;
        taken = n;
    }
    return taken;
}

int wavCanWriteSpecial(int code)
{
    return (code >= WAV_SP_INFO_FIRST && code <= WAV_SP_DISP) || (code >= WAV_SP_CUE && code <= WAV_SP_PLAYLIST);
}

int wavWriteSpecial(WavWriter *w, int code, const void *data, uint32_t size)
{
    if (!wavCanWriteSpecial(code) || (size && !data))
        return WAV_BADTYPE;
    if ((code == WAV_SP_CUE && size % 24) || (code == WAV_SP_CUELEN && size % 20) ||
        (code == WAV_SP_PLAYLIST && size % 12))
        return WAV_BADTYPE;
    if (size == 0)
        return WAV_OK;
    /* The tables and cue texts are whole lists: a later one replaces an earlier one. */
    if (code >= WAV_SP_CUE) {
        for (uint32_t i = 0; i < w->itemCount; i++)
            if (w->items[i].code == code) {
                w->itemBytes -= w->items[i].size;
                osFree(w->items[i].data);
                w->items[i] = w->items[--w->itemCount];
                break;
            }
    }
    if (size > WAV_ITEM_CAP)
        return WAV_NOMEM;
    uint8_t *p = (uint8_t *)osAlloc(size);
    if (!p)
        return WAV_NOMEM;
    memcpy(p, data, size);
    if (!itemAdd(w->items, &w->itemCount, &w->itemBytes, code, p, size)) {
        osFree(p);
        return WAV_NOMEM;
    }
    return WAV_OK;
}

static void chunkOut(Bytes *b, const char *id, const void *data, uint32_t size, const void *tail, uint32_t tailSize)
{
    uint8_t h[8];
    static const uint8_t zero = 0;
    memcpy(h, id, 4);
    put32(h + 4, size + tailSize);
    bytesAppend(b, h, 8);
    bytesAppend(b, data, size);
    bytesAppend(b, tail, tailSize);
    if ((size + tailSize) & 1)
        bytesAppend(b, &zero, 1);
}

static const Item *findItem(const WavWriter *w, int code)
{
    for (uint32_t i = 0; i < w->itemCount; i++)
        if (w->items[i].code == code)
            return &w->items[i];
    return NULL;
}

/* labl / note chunks from the packed id, text, zero records. */
static void cueTextsOut(Bytes *b, const Item *it, const char *id)
{
    if (!it)
        return;
    static const uint8_t zero = 0;
    uint32_t p = 0;
    while (p + 4 <= it->size) {
        uint32_t t = p + 4, z = t;
        while (z < it->size && it->data[z])
            z++;
        uint8_t rec[4];
        memcpy(rec, it->data + p, 4);
        Bytes text = {NULL, 0, 0};
        bytesAppend(&text, rec, 4);
        bytesAppend(&text, it->data + t, z - t);
        chunkOut(b, id, text.p, text.n, &zero, 1);
        osFree(text.p);
        p = z + 1;
    }
}

/* Every special item as the chunks that follow the data: LIST/INFO, DISP, cue, LIST/adtl, plst. */
static void specialsOut(const WavWriter *w, Bytes *b)
{
    Bytes info = {NULL, 0, 0};
    bytesAppend(&info, "INFO", 4);
    for (uint32_t i = 0; i < w->itemCount; i++)
        if (w->items[i].code <= WAV_SP_INFO_LAST)
            chunkOut(&info, kInfoIds[w->items[i].code - WAV_SP_INFO_FIRST], w->items[i].data, w->items[i].size, NULL, 0);
    if (info.n > 4)
        chunkOut(b, "LIST", info.p, info.n, NULL, 0);
    osFree(info.p);
    for (uint32_t i = 0; i < w->itemCount; i++)
        if (w->items[i].code == WAV_SP_DISP)
            chunkOut(b, "DISP", w->items[i].data, w->items[i].size, NULL, 0);
    const Item *cue = findItem(w, WAV_SP_CUE);
    if (cue) {
        uint8_t c[4];
        put32(c, cue->size / 24);
        chunkOut(b, "cue ", c, 4, cue->data, cue->size);
    }
    Bytes adtl = {NULL, 0, 0};
    bytesAppend(&adtl, "adtl", 4);
    const Item *len = findItem(w, WAV_SP_CUELEN);
    for (uint32_t p = 0; len && p + 20 <= len->size; p += 20) {
        uint8_t rec[20];
        memcpy(rec, len->data + p, 20);
        if (memcmp(rec + 8, "mark", 4) == 0)
            memcpy(rec + 8, "rgn ", 4);
        chunkOut(&adtl, "ltxt", rec, 20, NULL, 0);
    }
    cueTextsOut(&adtl, findItem(w, WAV_SP_LABELS), "labl");
    cueTextsOut(&adtl, findItem(w, WAV_SP_NOTES), "note");
    if (adtl.n > 4)
        chunkOut(b, "LIST", adtl.p, adtl.n, NULL, 0);
    osFree(adtl.p);
    const Item *pl = findItem(w, WAV_SP_PLAYLIST);
    if (pl) {
        uint8_t c[4];
        put32(c, pl->size / 12);
        chunkOut(b, "plst", c, 4, pl->data, pl->size);
    }
}

int wavFinish(WavWriter *w)
{
    if (!w)
        return WAV_IOERROR;
    /* A partial frame left over is dropped: a data chunk holds whole frames.  A partial IMA
       block is filled up with its last frame; the fact chunk says where the sound ends. */
    if (w->imaFill) {
        for (uint32_t f = w->imaFill; f < w->imaFrames; f++)
            for (uint32_t c = 0; c < w->channels; c++)
                w->imaBuf[f * w->channels + c] = w->imaBuf[(w->imaFill - 1) * w->channels + c];
        imaFlush(w);
    }
    uint64_t end = w->header + (uint64_t)w->written;
    if (!w->failed && (w->written & 1)) {
        static const uint8_t zero = 0;
        writeOut(w, &zero, 1);
        if (!w->failed)
            end++;
    }
    if (!w->failed) {
        Bytes b = {NULL, 0, 0};
        specialsOut(w, &b);
        if (b.n) {
            writeOut(w, b.p, b.n);
            if (!w->failed)
                end += b.n;
        }
        osFree(b.p);
    }
    int failed = w->failed;
    w->failed = 0;
    uint8_t s[4];
    put32(s, (uint32_t)(end - 8));
    if (osSeek(w->file, 4, 0) == 4)
        writeOut(w, s, 4);
    else
        w->failed = 1;
    put32(s, w->written);
    if (osSeek(w->file, w->header - 4, 0) == (long)(w->header - 4))
        writeOut(w, s, 4);
    else
        w->failed = 1;
    if (w->factAt) {
        put32(s, w->frames);
        if (osSeek(w->file, w->factAt, 0) == (long)w->factAt)
            writeOut(w, s, 4);
        else
            w->failed = 1;
    }
    failed |= w->failed;
    osClose(w->file);
    osFree(w->imaBuf);
    osFree(w->imaBlock);
    itemsFree(w->items, w->itemCount);
    osFree(w);
    return failed ? WAV_IOERROR : WAV_OK;
}
