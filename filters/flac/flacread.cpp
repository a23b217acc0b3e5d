/*
 * flacread.cpp - decoding a FLAC stream into canonical 8/16-bit PCM for the editor.
 *
 * The compressed bytes pass through a window (the whole image for a memory reader, a few
 * megabytes of the file otherwise); one frame is decoded at a time into per-channel integer
 * samples, checked against its two checksums, added to the MD5 sum in the stream's own width,
 * and then reduced to what the editor takes.  A frame that fails any check ends the data:
 * everything before it has been delivered.
 */
#include "filters/flac/flaccore.h"
#include "filters/flac/flacint.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <map>
#include <new>
#include <string>
#include <vector>

#define FLC_WINDOW      (8u * 1024u * 1024u)  /* file bytes held at once; no sane frame is larger */
#define FLC_BLOCK_CAP   65536u                /* samples per channel in one frame */
#define FLC_META_CAP    (16u * 1024u * 1024u) /* one metadata block we read in */
#define FLC_MIN_FRAME   9u                    /* the smallest possible frame, in bytes */

namespace {

struct Item {
    int code;
    std::string bytes;
    bool taken;
};

/* Eight bytes as a big-endian number, in one load. */
static inline uint64_t load64(const uint8_t *p)
{
    uint64_t w;
    memcpy(&w, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return w;
#else
    return __builtin_bswap64(w);
#endif
}

/* Bits, most significant first, out of a byte span.  Reading past the end sets `over` and
   yields zeros, so a cut frame is noticed once, after the subframe that ran out. */
struct BitIn {
    const uint8_t *p;
    size_t len, pos;
    uint64_t cache;
    int n;
    bool over;

    void start(const uint8_t *data, size_t length)
    {
        p = data;
        len = length;
        pos = 0;
        cache = 0;
        n = 0;
        over = false;
    }
    void fill()
    {
        if (n <= 56 && pos + 8 <= len) {
            /* Eight bytes at once; only the whole ones that fit are kept. */
            uint64_t w = load64(p + pos);
            int take = (64 - n) >> 3, keep = n + 8 * take;
            cache |= w >> n;
            if (keep < 64)
                cache &= ~(~(uint64_t)0 >> keep);
            pos += (size_t)take;
            n = keep;
            return;
        }
        while (n <= 56 && pos < len) {
            cache |= (uint64_t)p[pos++] << (56 - n);
            n += 8;
        }
    }
    uint32_t get(int k)
    {
        if (k == 0)
            return 0;
        if (n < k) {
            fill();
            if (n < k) {
                over = true;
                cache = 0;
                n = 0;
                return 0;
            }
        }
        uint32_t v = (uint32_t)(cache >> (64 - k));
        cache <<= k;
        n -= k;
        return v;
    }
    int32_t gets(int k)
    {
        if (k == 0)
            return 0;
        uint32_t v = get(k);
        return (int32_t)(v << (32 - k)) >> (32 - k);
    }
    /* Zeros up to the next one bit; stops counting past `limit`. */
    uint32_t unary(uint32_t limit)
    {
        uint32_t zeros = 0;
        for (;;) {
            if (n == 0) {
                fill();
                if (n == 0) {
                    over = true;
                    return 0;
                }
            }
            if (cache == 0) {
                zeros += (uint32_t)n;
                n = 0;
                if (zeros > limit) {
                    over = true;
                    return 0;
                }
                continue;
            }
            int lz = __builtin_clzll(cache);
            zeros += (uint32_t)lz;
            cache <<= lz;
            cache <<= 1;
            n -= lz + 1;
            return zeros;
        }
    }
    size_t bytePos() const { return pos - (size_t)(n / 8); }
    void alignByte() { get(n % 8); }
};

} // namespace

struct FlcReader {
    FILE *f;
    const uint8_t *mem;
    size_t memSize;
    std::vector<uint8_t> win;
    size_t winLen, pos;       /* bytes in the window, next unread byte */
    bool eof;                 /* the window holds the file's end */
    uint64_t fileSize, firstFrame;

    FlcInfo info;
    int sampleBytes;          /* stream bytes per sample in the MD5 sum */
    uint8_t md5Want[16];
    bool md5Present;
    FlcMd5 md5;
    int md5State;

    std::vector<int32_t> ch[8];
    uint32_t block;           /* samples per channel of the decoded frame */
    uint64_t decoded;         /* frames (sample instants) decoded so far */
    uint64_t frameIndex;      /* FLAC frames decoded so far */
    bool stopped;             /* damage or the end was met */

    std::vector<uint8_t> out, md5Buf;
    size_t outPos, outLen;
    uint32_t delivered;       /* bytes handed out */

    std::vector<Item> items;
};

static const char *const kWhyNotFlac = "the file does not begin with a FLAC stream marker";

/* ---- the byte source ---- */

static int seekFile(FILE *f, uint64_t off)
{
#if defined(_WIN32)
    return _fseeki64(f, (long long)off, SEEK_SET);
#else
    return fseeko(f, (off_t)off, SEEK_SET);
#endif
}

/* Copies n bytes at a file offset; 0 when they are not all there. */
static int readAt(FlcReader *r, uint64_t off, void *buf, size_t n)
{
    if (off > r->fileSize || n > r->fileSize - off)
        return 0;
    if (r->mem) {
        memcpy(buf, r->mem + off, n);
        return 1;
    }
    return seekFile(r->f, off) == 0 && fread(buf, 1, n, r->f) == n;
}

/* Starts the frame window at a file offset. */
static void windowAt(FlcReader *r, uint64_t off)
{
    if (r->mem) {
        r->pos = (size_t)off;
        r->winLen = r->memSize;
        r->eof = true;
        return;
    }
    r->winLen = r->pos = 0;
    r->eof = seekFile(r->f, off) != 0;
}

/* Makes sure at least half a window (or the rest of the file) lies beyond pos. */
static void topUp(FlcReader *r)
{
    if (r->mem || r->eof || r->winLen - r->pos >= FLC_WINDOW / 2)
        return;
    memmove(r->win.data(), r->win.data() + r->pos, r->winLen - r->pos);
    r->winLen -= r->pos;
    r->pos = 0;
    size_t got = fread(r->win.data() + r->winLen, 1, FLC_WINDOW - r->winLen, r->f);
    r->winLen += got;
    if (r->winLen < FLC_WINDOW)
        r->eof = true;
}

static const uint8_t *winData(const FlcReader *r) { return r->mem ? r->mem : r->win.data(); }

/* ---- metadata ---- */

static uint32_t be(const uint8_t *p, int n)
{
    uint32_t v = 0;
    for (int i = 0; i < n; i++)
        v = (v << 8) | p[i];
    return v;
}

static uint64_t be64(const uint8_t *p) { return ((uint64_t)be(p, 4) << 32) | be(p + 4, 4); }

static uint32_t le32(const uint8_t *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static void addItem(FlcReader *r, int code, const std::string &bytes)
{
    r->items.push_back(Item{code, bytes, false});
}

struct CueTexts {
    std::map<uint32_t, std::string> label, note;
    std::map<uint32_t, uint32_t> length;
};

/* "CUE<id>_LABEL" and the like: the cue's id and what follows it, or 0. */
static uint32_t cueField(const char *name, size_t len, const char **field)
{
    if (len < 5 || strncmp(name, FLC_CUE_PREFIX, 3) != 0)
        return 0;
    size_t i = 3;
    uint32_t id = 0;
    while (i < len && name[i] >= '0' && name[i] <= '9' && id < 100000000)
        id = id * 10 + (uint32_t)(name[i++] - '0');
    if (i == 3 || i >= len || name[i] != '_')
        return 0;
    *field = name + i + 1;
    return id;
}

static void parseComments(FlcReader *r, const uint8_t *p, size_t n, CueTexts *cues)
{
    if (n < 8)
        return;
    uint32_t vendor = le32(p);
    if (vendor > n - 8)
        return;
    size_t tag = strlen(FLC_VENDOR);
    if (vendor == tag + 2 && !memcmp(p + 4, FLC_VENDOR, tag) && p[4 + tag] >= '0' &&
        p[4 + tag] <= '0' + FLC_LEVEL_MAX && p[5 + tag] == ')')
        r->info.level = p[4 + tag] - '0';
    size_t at = 4 + vendor;
    uint32_t count = le32(p + at);
    at += 4;
    for (uint32_t i = 0; i < count && n - at >= 4; i++) {
        uint32_t len = le32(p + at);
        at += 4;
        if (len > n - at)
            return;
        const char *c = (const char *)p + at;
        at += len;
        const char *eq = (const char *)memchr(c, '=', len);
        if (!eq)
            continue;
        size_t nameLen = (size_t)(eq - c);
        std::string value = flcUtf8ToLatin1(eq + 1, len - nameLen - 1);
        value = value.substr(0, strlen(value.c_str()));  /* no zero byte inside a text */
        const char *field = NULL;
        std::string name(c, nameLen);
        for (char &ch : name)
            ch = (char)toupper((unsigned char)ch);
        uint32_t id = cueField(name.c_str(), nameLen, &field);
        if (id && !strcmp(field, "LABEL")) {
            cues->label[id] = value;
        } else if (id && !strcmp(field, "NOTE")) {
            cues->note[id] = value;
        } else if (id && !strcmp(field, "LENGTH")) {
            cues->length[id] = (uint32_t)strtoul(value.c_str(), NULL, 10);
        } else if (int code = flcCommentCode(c, nameLen)) {
            if (!value.empty())
                addItem(r, code, value + '\0');
        }
    }
}

static void put32(std::string &s, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        s += (char)(uint8_t)(v >> (8 * i));
}

/* The cue sheet's tracks become cues at their first index point (index 1 when there is one). */
static void parseCueSheet(FlcReader *r, const uint8_t *p, size_t n, const CueTexts &texts)
{
    if (n < 396)
        return;
    bool cd = (p[136] & 0x80) != 0;
    unsigned tracks = p[395];
    size_t at = 396;
    std::string table, lengths, notes, labels;
    for (unsigned t = 0; t < tracks; t++) {
        if (n - at < 36)
            break;
        uint64_t offset = be64(p + at);
        unsigned number = p[at + 8];
        unsigned points = p[at + 35];
        at += 36;
        if ((size_t)points * 12 > n - at)
            break;
        uint64_t index = 0;
        bool haveIndex = false;
        for (unsigned k = 0; k < points; k++) {
            const uint8_t *q = p + at + k * 12;
            if (!haveIndex || q[8] == 1) {
                index = be64(q);
                haveIndex = true;
            }
        }
        at += (size_t)points * 12;
        if (number == 0 || number == (cd ? 170u : 255u) || !haveIndex)
            continue;
        uint64_t pos = offset + index;
        if (pos < offset || pos > r->info.fileFrames || pos > 0xFFFFFFFFu)
            continue;
        put32(table, number);
        put32(table, (uint32_t)pos);
        table += "data";
        put32(table, 0);
        put32(table, 0);
        put32(table, (uint32_t)pos);
        auto len = texts.length.find(number);
        if (len != texts.length.end()) {
            put32(lengths, number);
            put32(lengths, len->second);
            lengths += "mark";
            lengths.append(8, '\0');
        }
        auto note = texts.note.find(number);
        if (note != texts.note.end()) {
            put32(notes, number);
            notes += note->second + '\0';
        }
        auto label = texts.label.find(number);
        if (label != texts.label.end()) {
            put32(labels, number);
            labels += label->second + '\0';
        }
    }
    if (!table.empty())
        addItem(r, FLC_SP_CUE, table);
    if (!lengths.empty())
        addItem(r, FLC_SP_CUELEN, lengths);
    if (!notes.empty())
        addItem(r, FLC_SP_NOTES, notes);
    if (!labels.empty())
        addItem(r, FLC_SP_LABELS, labels);
}

/* ---- frames ---- */

/* The Rice codes of one partition, out[i..end).  Most codes are decoded with the reader's
   state in registers (the stores into out[] could otherwise alias it), eight bytes loaded at
   a time; a code that is long or near the end of the span goes the careful way. */
static int decodeRice(BitIn &b, int32_t *out, uint32_t i, uint32_t end, uint32_t k, uint32_t limit)
{
    const uint8_t *p = b.p;
    size_t pos = b.pos;
    const size_t safe = b.len >= 8 ? b.len - 8 : 0;
    uint64_t cache = b.cache;
    int n = b.n;
    const int ki = (int)k;
    /* Below its n counted bits the cache may hold the bits that follow them in the stream
       (the next load ORs the same bits in again), so the top-up needs no branch and no mask;
       the careful reader below wants zeros there, which the exit puts back. */
    while (i < end) {
        if (pos > safe)
            break;
        if (n < 64) {
            cache |= load64(p + pos) >> n;
            pos += (size_t)((63 - n) >> 3);
            n |= 56;
        }
        if (!cache)
            break;
        int lz = __builtin_clzll(cache);
        int used = lz + 1 + ki;
        if (used > n || (uint32_t)lz > limit)
            break;
        uint64_t x = cache << lz;                 /* the stop bit on top, then the k low bits */
        uint32_t u = (uint32_t)(x >> (63 - ki)) + (((uint32_t)lz - 1) << k);
        cache = x << (ki + 1);
        n -= used;
        out[i++] = (int32_t)(u >> 1) ^ -(int32_t)(u & 1);
    }
    if (n < 64)
        cache &= ~(~(uint64_t)0 >> n);
    b.pos = pos;
    b.cache = cache;
    b.n = n;
    for (; i < end; i++) {
        uint32_t q = b.unary(limit);
        uint32_t u = (q << k) | b.get(ki);
        out[i] = (int32_t)(u >> 1) ^ -(int32_t)(u & 1);
        if (b.over)
            return 0;
    }
    return 1;
}

static int decodeResidual(BitIn &b, int32_t *out, uint32_t n, uint32_t order)
{
    uint32_t method = b.get(2);
    if (method > 1)
        return 0;
    int paramBits = method ? 5 : 4;
    uint32_t escape = method ? 31 : 15;
    uint32_t porder = b.get(4);
    uint32_t parts = 1u << porder;
    if ((n & (parts - 1)) != 0 || (n >> porder) < order)
        return 0;
    uint32_t size = n >> porder, i = order;
    for (uint32_t p = 0; p < parts && !b.over; p++) {
        uint32_t k = b.get(paramBits);
        uint32_t end = i + size - (p == 0 ? order : 0);
        if (k == escape) {
            uint32_t w = b.get(5);
            for (; i < end; i++)
                out[i] = b.gets((int)w);
        } else {
            if (!decodeRice(b, out, i, end, k, 0xFFFFFFFFu >> k))
                return 0;
            i = end;
        }
    }
    return !b.over;
}

static int fits(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

/* Adds the prediction to the residual in s[order..n); 0 when a sample overflows. */
template <int ORDER>
static int restoreLpcN(int32_t *s, uint32_t n, const int32_t *coef, int shift)
{
    /* The last ORDER samples and the coefficients stay in registers: each sample waits only
       on the one before it, not on a store and a load. */
    int64_t c[ORDER], h[ORDER];
    for (int j = 0; j < ORDER; j++) {
        c[j] = coef[j];
        h[j] = s[ORDER - 1 - j];
    }
    uint64_t bad = 0;
    for (uint32_t i = ORDER; i < n; i++) {
        int64_t sum = 0;
#pragma GCC unroll 12
        for (int j = ORDER - 1; j >= 0; j--)
            sum += c[j] * h[j];
        int64_t v = (sum >> shift) + s[i];
        bad |= (uint64_t)(v + 0x80000000LL) >> 32;   /* nonzero when v is no int32_t */
        s[i] = (int32_t)v;
#pragma GCC unroll 12
        for (int j = ORDER - 1; j > 0; j--)
            h[j] = h[j - 1];
        h[0] = (int32_t)v;
    }
    return bad == 0;
}

/* The same in 32-bit arithmetic, for streams whose sums cannot pass 32 bits: samples of bps
   bits times coefficients of `precision` bits, order of them.  The products are summed as
   unsigned numbers, so a damaged stream whose samples leave their range only gives wrong
   samples (which its checksum then reports), never an overflow. */
template <int ORDER>
static int restoreLpcN32(int32_t *s, uint32_t n, const int32_t *coef, int shift)
{
    uint32_t c[ORDER], h[ORDER];
    for (int j = 0; j < ORDER; j++) {
        c[j] = (uint32_t)coef[j];
        h[j] = (uint32_t)s[ORDER - 1 - j];
    }
    uint32_t bad = 0;
    for (uint32_t i = ORDER; i < n; i++) {
        /* The newest sample's product last: only it waits on the sample just made. */
        uint32_t sum = 0;
#pragma GCC unroll 12
        for (int j = ORDER - 1; j >= 0; j--)
            sum += c[j] * h[j];
        int32_t v;
        bad |= (uint32_t)__builtin_add_overflow((int32_t)sum >> shift, s[i], &v);
        s[i] = v;
#pragma GCC unroll 12
        for (int j = ORDER - 1; j > 0; j--)
            h[j] = h[j - 1];
        h[0] = (uint32_t)v;
    }
    return bad == 0;
}

static int restoreLpc32(int32_t *s, uint32_t n, uint32_t order, const int32_t *coef, int shift)
{
    switch (order) {
    case 1: return restoreLpcN32<1>(s, n, coef, shift);
    case 2: return restoreLpcN32<2>(s, n, coef, shift);
    case 3: return restoreLpcN32<3>(s, n, coef, shift);
    case 4: return restoreLpcN32<4>(s, n, coef, shift);
    case 5: return restoreLpcN32<5>(s, n, coef, shift);
    case 6: return restoreLpcN32<6>(s, n, coef, shift);
    case 7: return restoreLpcN32<7>(s, n, coef, shift);
    case 8: return restoreLpcN32<8>(s, n, coef, shift);
    case 9: return restoreLpcN32<9>(s, n, coef, shift);
    case 10: return restoreLpcN32<10>(s, n, coef, shift);
    case 11: return restoreLpcN32<11>(s, n, coef, shift);
    case 12: return restoreLpcN32<12>(s, n, coef, shift);
    default: return -1;
    }
}

static int ceilLog2(uint32_t v)
{
    int r = 0;
    while ((1u << r) < v)
        r++;
    return r;
}

static int restoreLpc(int32_t *s, uint32_t n, uint32_t order, const int32_t *coef, int shift)
{
    switch (order) {
    case 1: return restoreLpcN<1>(s, n, coef, shift);
    case 2: return restoreLpcN<2>(s, n, coef, shift);
    case 3: return restoreLpcN<3>(s, n, coef, shift);
    case 4: return restoreLpcN<4>(s, n, coef, shift);
    case 5: return restoreLpcN<5>(s, n, coef, shift);
    case 6: return restoreLpcN<6>(s, n, coef, shift);
    case 7: return restoreLpcN<7>(s, n, coef, shift);
    case 8: return restoreLpcN<8>(s, n, coef, shift);
    case 9: return restoreLpcN<9>(s, n, coef, shift);
    case 10: return restoreLpcN<10>(s, n, coef, shift);
    case 11: return restoreLpcN<11>(s, n, coef, shift);
    case 12: return restoreLpcN<12>(s, n, coef, shift);
    default: break;
    }
    for (uint32_t i = order; i < n; i++) {
        int64_t sum = 0;
        for (uint32_t j = 0; j < order; j++)
            sum += (int64_t)coef[j] * s[i - 1 - j];
        int64_t v = (sum >> shift) + s[i];
        if (!fits(v))
            return 0;
        s[i] = (int32_t)v;
    }
    return 1;
}

static int decodeSubframe(BitIn &b, int32_t *s, uint32_t n, int bps)
{
    if (b.get(1))
        return 0;
    uint32_t type = b.get(6);
    int wasted = 0;
    if (b.get(1)) {
        wasted = (int)b.unary(32) + 1;
        if (wasted >= bps)
            return 0;
        bps -= wasted;
    }
    if (type == 0) {
        int32_t v = b.gets(bps);
        for (uint32_t i = 0; i < n; i++)
            s[i] = v;
    } else if (type == 1) {
        for (uint32_t i = 0; i < n; i++)
            s[i] = b.gets(bps);
    } else if (type >= 8 && type <= 12) {
        uint32_t order = type - 8;
        if (order > n)
            return 0;
        for (uint32_t i = 0; i < order; i++)
            s[i] = b.gets(bps);
        if (!decodeResidual(b, s, n, order))
            return 0;
        int64_t bad = 0;
#define FLC_FIXED(pred)                          \
    for (uint32_t i = order; i < n; i++) {       \
        int64_t v = (pred) + s[i];               \
        bad |= v - (int32_t)v;                   \
        s[i] = (int32_t)v;                       \
    }
        switch (order) {
        case 0: break;
        case 1: FLC_FIXED((int64_t)s[i - 1]) break;
        case 2: FLC_FIXED(2 * (int64_t)s[i - 1] - s[i - 2]) break;
        case 3: FLC_FIXED(3 * (int64_t)s[i - 1] - 3 * (int64_t)s[i - 2] + s[i - 3]) break;
        default:
            FLC_FIXED(4 * (int64_t)s[i - 1] - 6 * (int64_t)s[i - 2] + 4 * (int64_t)s[i - 3] - s[i - 4])
        }
#undef FLC_FIXED
        if (bad)
            return 0;
    } else if (type >= 32) {
        uint32_t order = type - 31;
        if (order > n)
            return 0;
        for (uint32_t i = 0; i < order; i++)
            s[i] = b.gets(bps);
        int precision = (int)b.get(4) + 1;
        int shift = b.gets(5);
        if (precision == 16 || shift < 0)
            return 0;
        int32_t coef[32];
        for (uint32_t j = 0; j < order; j++)
            coef[j] = b.gets(precision);
        if (b.over || !decodeResidual(b, s, n, order))
            return 0;
        int r = bps + precision + ceilLog2(order) <= 32 ? restoreLpc32(s, n, order, coef, shift) : -1;
        if (r < 0)
            r = restoreLpc(s, n, order, coef, shift);
        if (!r)
            return 0;
    } else {
        return 0;
    }
    if (wasted)
        for (uint32_t i = 0; i < n; i++)
            s[i] = (int32_t)((uint32_t)s[i] << wasted);
    return !b.over;
}

/* Decodes the frame at pos into ch[].  1 = a frame, 0 = damage or the end of the stream. */
static int decodeFrame(FlcReader *r)
{
    topUp(r);
    const uint8_t *base = winData(r) + r->pos;
    size_t avail = r->winLen - r->pos;
    if (avail < FLC_MIN_FRAME || base[0] != 0xFF || (base[1] & 0xFE) != 0xF8)
        return 0;
    BitIn b;
    b.start(base, avail);
    b.get(16);
    uint32_t bsCode = b.get(4), srCode = b.get(4), chCode = b.get(4), ssCode = b.get(3);
    if (b.get(1) || bsCode == 0 || srCode == 15 || chCode > 10 || ssCode == 3)
        return 0;
    /* The frame or sample number, coded like UTF-8 up to seven bytes. */
    uint32_t first = b.get(8);
    int more = first < 0x80 ? 0 : first >= 0xFE ? (first == 0xFE ? 6 : -1) : first >= 0xFC ? 5
             : first >= 0xF8 ? 4 : first >= 0xF0 ? 3 : first >= 0xE0 ? 2 : first >= 0xC0 ? 1 : -1;
    if (more < 0)
        return 0;
    uint64_t number = first & (0x7F >> more);
    for (int i = 0; i < more; i++) {
        uint32_t c = b.get(8);
        if ((c & 0xC0) != 0x80)
            return 0;
        number = (number << 6) | (c & 0x3F);
    }
    /* A frame out of sequence means frames were lost or the stream was spliced. */
    bool variable = (base[1] & 1) != 0;
    if (number != (variable ? r->decoded : r->frameIndex))
        return 0;
    uint32_t n;
    if (bsCode == 1)
        n = 192;
    else if (bsCode <= 5)
        n = 576u << (bsCode - 2);
    else if (bsCode == 6)
        n = b.get(8) + 1;
    else if (bsCode == 7)
        n = b.get(16) + 1;
    else
        n = 256u << (bsCode - 8);
    if (srCode == 12)
        b.get(8);
    else if (srCode == 13 || srCode == 14)
        b.get(16);
    size_t headerLen = b.bytePos();
    uint32_t crc8 = b.get(8);
    if (b.over || flcCrc8(base, headerLen) != crc8)
        return 0;

    static const int kBits[8] = {0, 8, 12, 0, 16, 20, 24, 32};
    int bps = ssCode ? kBits[ssCode] : r->info.fileBits;
    unsigned channels = chCode <= 7 ? chCode + 1 : 2;
    if (bps != r->info.fileBits || channels != r->info.fileChannels)
        return 0;
    for (unsigned c = 0; c < channels; c++) {
        int extra = (chCode == 8 && c == 1) || (chCode == 9 && c == 0) || (chCode == 10 && c == 1);
        if (!decodeSubframe(b, r->ch[c].data(), n, bps + extra))
            return 0;
    }
    b.alignByte();
    size_t frameLen = b.bytePos();
    uint32_t crc16 = b.get(16);
    if (b.over || flcCrc16(0, base, frameLen) != crc16)
        return 0;

    int32_t *a = r->ch[0].data(), *c1 = channels > 1 ? r->ch[1].data() : NULL;
    if (chCode == 8) {          /* left, side */
        for (uint32_t i = 0; i < n; i++)
            c1[i] = (int32_t)((int64_t)a[i] - c1[i]);
    } else if (chCode == 9) {   /* side, right */
        for (uint32_t i = 0; i < n; i++)
            a[i] = (int32_t)((int64_t)a[i] + c1[i]);
    } else if (chCode == 10) {  /* mid, side */
        for (uint32_t i = 0; i < n; i++) {
            int64_t side = c1[i];
            int64_t mid = ((int64_t)a[i] * 2) | (side & 1);
            a[i] = (int32_t)((mid + side) >> 1);
            c1[i] = (int32_t)((mid - side) >> 1);
        }
    }
    r->pos += frameLen + 2;
    r->block = n;
    r->frameIndex++;
    return 1;
}

/* Adds the frame's first `n` samples to the MD5 sum, in the stream's own width. */
static void addToMd5(FlcReader *r, uint32_t n)
{
    unsigned chs = r->info.fileChannels;
    int sb = r->sampleBytes;
    r->md5Buf.resize((size_t)n * chs * sb);
    uint8_t *p = r->md5Buf.data();
    if (sb == 2 && chs == 2) {   /* the common case, without the inner loops */
        const int32_t *a = r->ch[0].data(), *b = r->ch[1].data();
        for (uint32_t i = 0; i < n; i++) {
            p[0] = (uint8_t)a[i];
            p[1] = (uint8_t)(a[i] >> 8);
            p[2] = (uint8_t)b[i];
            p[3] = (uint8_t)(b[i] >> 8);
            p += 4;
        }
        flcMd5Update(&r->md5, r->md5Buf.data(), r->md5Buf.size());
        return;
    }
    for (uint32_t i = 0; i < n; i++)
        for (unsigned c = 0; c < chs; c++) {
            uint32_t v = (uint32_t)r->ch[c][i];
            for (int k = 0; k < sb; k++)
                *p++ = (uint8_t)(v >> (8 * k));
        }
    flcMd5Update(&r->md5, r->md5Buf.data(), r->md5Buf.size());
}

static inline int32_t to16(int32_t s, int bps)
{
    if (bps <= 16)
        return (int32_t)((uint32_t)s << (16 - bps));
    int64_t v = ((int64_t)s + ((int64_t)1 << (bps - 17))) >> (bps - 16);
    return v > 32767 ? 32767 : v < -32768 ? -32768 : (int32_t)v;
}

/* Decodes the next frame into out[].  0 when there is no more. */
static int refill(FlcReader *r)
{
    r->outPos = r->outLen = 0;
    if (r->stopped)
        return 0;
    if (r->decoded >= r->info.fileFrames || !decodeFrame(r)) {
        r->stopped = true;
        if (r->decoded < r->info.fileFrames)
            r->md5State = FLC_MD5_DAMAGED;
        return 0;
    }
    uint32_t n = r->block;
    if (n > r->info.fileFrames - r->decoded)
        n = (uint32_t)(r->info.fileFrames - r->decoded);
    r->decoded += n;
    unsigned chs = r->info.channels;
    int bps = r->info.fileBits;
    /* 16-bit streams are handed out in their own width, so the output is what the sum takes. */
    bool sumOut = bps == 16 && r->info.bits == 16 && r->info.fileChannels == chs;
    if (r->md5Present && !sumOut)
        addToMd5(r, n);
    if (r->info.bits == 8) {
        uint8_t *o = r->out.data();
        for (uint32_t i = 0; i < n; i++)
            for (unsigned c = 0; c < chs; c++)
                *o++ = (uint8_t)(((uint32_t)r->ch[c][i] << (8 - bps)) + 128);
        r->outLen = (size_t)n * chs;
    } else if (bps == 16 && chs == 2) {   /* the common case: no shifting at all */
        uint8_t *o = r->out.data();
        const int32_t *a = r->ch[0].data(), *b = r->ch[1].data();
        for (uint32_t i = 0; i < n; i++) {
            o[0] = (uint8_t)a[i];
            o[1] = (uint8_t)(a[i] >> 8);
            o[2] = (uint8_t)b[i];
            o[3] = (uint8_t)(b[i] >> 8);
            o += 4;
        }
        r->outLen = (size_t)n * 4;
    } else {
        uint8_t *o = r->out.data();
        for (uint32_t i = 0; i < n; i++)
            for (unsigned c = 0; c < chs; c++) {
                int32_t v = to16(r->ch[c][i], bps);
                *o++ = (uint8_t)v;
                *o++ = (uint8_t)(v >> 8);
            }
        r->outLen = (size_t)n * chs * 2;
    }
    if (r->md5Present) {
        if (sumOut)
            flcMd5Update(&r->md5, r->out.data(), r->outLen);
        /* Settled with the last frame, so a reader that stops at the byte count knows it. */
        if (r->decoded == r->info.fileFrames) {
            uint8_t got[16];
            flcMd5Final(&r->md5, got);
            r->md5State = memcmp(got, r->md5Want, 16) ? FLC_MD5_MISMATCH : FLC_MD5_OK;
        }
    }
    /* The host takes at most `bytes`; a stream longer than that is cut there. */
    uint32_t room = r->info.bytes - r->delivered;
    if (r->outLen > room)
        r->outLen = room;
    return r->outLen > 0;
}

static void rewind(FlcReader *r)
{
    windowAt(r, r->firstFrame);
    r->decoded = 0;
    r->frameIndex = 0;
    r->stopped = false;
    r->outPos = r->outLen = 0;
    r->delivered = 0;
    flcMd5Init(&r->md5);
    r->md5State = r->md5Present ? FLC_MD5_PENDING : FLC_MD5_ABSENT;
    if (r->md5Present && r->info.fileFrames == 0) {
        uint8_t got[16];
        flcMd5Final(&r->md5, got);
        r->md5State = memcmp(got, r->md5Want, 16) ? FLC_MD5_MISMATCH : FLC_MD5_OK;
    }
}

static FlcReader *fail(FlcReader *r, int *result, int code, const char **why, const char *text)
{
    if (result)
        *result = code;
    if (why)
        *why = text;
    flcClose(r);
    return NULL;
}

static FlcReader *openReader(FlcReader *r, int *result, const char **why)
{
    uint8_t head[10];
    uint64_t at = 0;
    /* An ID3v2 tag that some programs put in front is stepped over. */
    if (readAt(r, 0, head, 10) && !memcmp(head, "ID3", 3)) {
        if ((head[6] | head[7] | head[8] | head[9]) & 0x80)
            return fail(r, result, FLC_NOTFLAC, why, kWhyNotFlac);
        at = 10 + (((uint64_t)head[6] << 21) | (head[7] << 14) | (head[8] << 7) | head[9]) +
             ((head[5] & 0x10) ? 10 : 0);
    }
    if (!readAt(r, at, head, 4) || memcmp(head, "fLaC", 4))
        return fail(r, result, FLC_NOTFLAC, why, kWhyNotFlac);
    at += 4;
    bool last = false, haveInfo = false;
    CueTexts texts;
    std::vector<uint8_t> cueSheet;
    std::vector<uint8_t> body;
    while (!last) {
        if (!readAt(r, at, head, 4))
            return fail(r, result, FLC_DAMAGED, why, "the FLAC header blocks are cut short");
        last = (head[0] & 0x80) != 0;
        int type = head[0] & 0x7F;
        uint32_t len = be(head + 1, 3);
        at += 4;
        if (len > r->fileSize - at)
            return fail(r, result, FLC_DAMAGED, why, "a FLAC header block is longer than the file");
        if (!haveInfo && type != 0)
            return fail(r, result, FLC_DAMAGED, why, "the FLAC stream does not start with its STREAMINFO block");
        if ((type == 0 || type == 4 || type == 5) && len <= FLC_META_CAP) {
            try {
                body.resize(len);
            } catch (const std::bad_alloc &) {
                return fail(r, result, FLC_NOMEM, why, "out of memory");
            }
            if (len && !readAt(r, at, body.data(), len))
                return fail(r, result, FLC_DAMAGED, why, "a FLAC header block cannot be read");
            if (type == 0) {
                if (haveInfo || len < 34)
                    return fail(r, result, FLC_DAMAGED, why, "the FLAC STREAMINFO block is damaged");
                const uint8_t *p = body.data();
                r->info.minBlock = be(p, 2);
                r->info.maxBlock = be(p + 2, 2);
                r->info.rate = be(p + 10, 3) >> 4;
                r->info.fileChannels = (uint16_t)(((p[12] >> 1) & 7) + 1);
                r->info.fileBits = (uint16_t)((((p[12] & 1) << 4) | (p[13] >> 4)) + 1);
                r->info.fileFrames = ((uint64_t)(p[13] & 0x0F) << 32) | be(p + 14, 4);
                memcpy(r->md5Want, p + 18, 16);
                haveInfo = true;
            } else if (type == 4) {
                parseComments(r, body.data(), len, &texts);
            } else {
                cueSheet = body;
            }
        }
        at += len;
    }
    r->firstFrame = at;
    FlcInfo &in = r->info;
    if (in.rate == 0 || in.fileBits < 4)
        return fail(r, result, FLC_DAMAGED, why, "the FLAC STREAMINFO block gives no sample rate or width");
    if (in.fileBits > 30)
        return fail(r, result, FLC_UNSUPPORTED, why, "the FLAC stream has more than 30 bits per sample");
    r->sampleBytes = (in.fileBits + 7) / 8;
    in.bits = in.fileBits <= 8 ? 8 : 16;
    in.channels = in.fileChannels >= 2 ? 2 : 1;
    static const uint8_t zero[16] = {0};
    r->md5Present = memcmp(r->md5Want, zero, 16) != 0;
    try {
        for (unsigned c = 0; c < in.fileChannels; c++)
            r->ch[c].resize(FLC_BLOCK_CAP);
        r->out.resize((size_t)FLC_BLOCK_CAP * 2 * 2);
        if (!r->mem)
            r->win.resize(FLC_WINDOW);
    } catch (const std::bad_alloc &) {
        return fail(r, result, FLC_NOMEM, why, "out of memory");
    }
    /* A length the frames could not possibly hold is as good as none: count the frames. */
    uint64_t room = r->fileSize - at;
    uint64_t most = (room / FLC_MIN_FRAME + 1) * FLC_BLOCK_CAP;
    if (in.fileFrames == 0 || in.fileFrames > most) {
        in.fileFrames = ~(uint64_t)0;
        in.bytes = 0xFFFFFFFFu;
        rewind(r);
        uint64_t frames = 0;
        while (decodeFrame(r)) {
            frames += r->block;
            r->decoded += r->block;
        }
        in.fileFrames = frames;
    }
    uint32_t align = (uint32_t)in.channels * (in.bits / 8);
    uint64_t frames = in.fileFrames;
    if (frames > 0xFFFFFFFFu / align)
        frames = 0xFFFFFFFFu / align;
    in.bytes = (uint32_t)(frames * align);

    if (!cueSheet.empty())
        parseCueSheet(r, cueSheet.data(), cueSheet.size(), texts);
    rewind(r);
    if (result)
        *result = FLC_OK;
    return r;
}

static FlcReader *newReader()
{
    FlcReader *r = new (std::nothrow) FlcReader();
    if (r) {
        r->f = NULL;
        r->mem = NULL;
        memset(&r->info, 0, sizeof r->info);
        r->info.level = -1;
    }
    return r;
}

FlcReader *flcOpenFile(const char *path, int *result, const char **why)
{
    FlcReader *r = newReader();
    if (!r)
        return fail(NULL, result, FLC_NOMEM, why, "out of memory");
    r->f = path ? fopen(path, "rb") : NULL;
    if (!r->f)
        return fail(r, result, FLC_IOERROR, why, "the file cannot be opened");
#if defined(_WIN32)
    _fseeki64(r->f, 0, SEEK_END);
    long long size = _ftelli64(r->f);
#else
    fseeko(r->f, 0, SEEK_END);
    long long size = (long long)ftello(r->f);
#endif
    r->fileSize = size > 0 ? (uint64_t)size : 0;
    return openReader(r, result, why);
}

FlcReader *flcOpenMemory(const void *data, size_t size, int *result, const char **why)
{
    FlcReader *r = newReader();
    if (!r)
        return fail(NULL, result, FLC_NOMEM, why, "out of memory");
    r->mem = (const uint8_t *)(data ? data : "");
    r->memSize = data ? size : 0;
    r->fileSize = r->memSize;
    return openReader(r, result, why);
}

const FlcInfo *flcInfo(const FlcReader *r) { return &r->info; }

uint32_t flcRead(FlcReader *r, void *buf, uint32_t n)
{
    uint8_t *o = (uint8_t *)buf;
    uint32_t done = 0;
    while (done < n) {
        if (r->outPos == r->outLen && !refill(r))
            break;
        size_t take = r->outLen - r->outPos;
        if (take > n - done)
            take = n - done;
        memcpy(o + done, r->out.data() + r->outPos, take);
        r->outPos += take;
        done += (uint32_t)take;
        r->delivered += (uint32_t)take;
    }
    return done;
}

uint32_t flcSeek(FlcReader *r, uint32_t pos)
{
    uint32_t align = (uint32_t)r->info.channels * (r->info.bits / 8);
    if (pos > r->info.bytes)
        pos = r->info.bytes;
    pos -= pos % align;
    if (pos < r->delivered)
        rewind(r);
    uint8_t skip[4096];
    while (r->delivered < pos) {
        uint32_t want = pos - r->delivered < sizeof skip ? pos - r->delivered : (uint32_t)sizeof skip;
        if (!flcRead(r, skip, want))
            break;
    }
    return r->delivered;
}

int flcMd5State(const FlcReader *r) { return r->md5State; }

uint32_t flcSpecialSize(const FlcReader *r, int code)
{
    for (const Item &it : r->items)
        if (it.code == code && !it.taken)
            return (uint32_t)it.bytes.size();
    return 0;
}

uint32_t flcReadSpecial(FlcReader *r, int code, void *buf, uint32_t size)
{
    for (Item &it : r->items)
        if (it.code == code && !it.taken) {
            it.taken = true;
            uint32_t n = (uint32_t)it.bytes.size() < size ? (uint32_t)it.bytes.size() : size;
            memcpy(buf, it.bytes.data(), n);
            return n;
        }
    return 0;
}

void flcClose(FlcReader *r)
{
    if (!r)
        return;
    if (r->f)
        fclose(r->f);
    delete r;
}
