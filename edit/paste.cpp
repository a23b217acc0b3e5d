/*
 * paste.cpp - the paste engine: fast path for a clip in the waveform's own format, else
 * piece by piece through the fixed conversion order (stereo to mono, 8 to 16 bits,
 * resampling, 16 to 8 bits, mono to stereo), the volumes and the combination with what is
 * already there, every result computed in double, limited, then truncated toward zero.
 *
 * No global state of its own (see paste.h for the join of resampled pieces).  Reads and
 * writes the store through the sample-access calls; reads FilterIn for file sources.
 */
#include "edit/paste.h"
#include "edit/dither.h"
#include "formats/filter.h"
#include "store/voc.h"

#include <string.h>

#define MAX_PIECE_FRAMES 16384u

struct Conv {
    PasteRequest *r;
    uint32_t srcBA, cI, cO;         /* source frame bytes; channels at resampling; of the wave */
    int      downmix, widen, depth16, resample, narrow, dup, up;
    uint8_t *out;                   /* converted bytes waiting to be written */
    uint32_t outFrames, outCap;     /* held, capacity in wave frames */
    uint8_t *existing;              /* destination bytes read for combining */
    uint32_t dest, written;         /* where the copy goes; bytes written so far */
    int      stop;                  /* cancelled or a write failed */
};

static double limit(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

/* Volumes and the combination over one run of converted bytes, in place. */
static void mixRun(Conv *c, uint32_t bytes)
{
    const PasteRequest *r = c->r;
    int vol = r->leftVolume != 1.0 || r->rightVolume != 1.0;
    int combine = r->mode != PASTE_CONVOLUTE && (r->existing != 0.0 || r->mode == PASTE_MODULATE);
    double X = r->existing;
    if (combine)
        vocRead(c->existing, (int32_t)(c->dest + c->written), bytes);
    int stereo = Wave.channels == 2;
    if (Wave.bitsPerSample == 16) {
        int16_t *s = (int16_t *)(void *)c->out;
        const int16_t *e = (const int16_t *)(const void *)c->existing;
        uint32_t n = bytes / 2;
        for (uint32_t i = 0; i < n; i++) {
            double v = s[i];
            if (vol)
                v = limit(v * (stereo && (i & 1) ? r->rightVolume : r->leftVolume), -32767.0, 32767.0);
            if (combine)
                v = r->mode == PASTE_ADD ? e[i] * X + v : e[i] * v * X / 32767.0;
            s[i] = (int16_t)limit(v, -32767.0, 32767.0);   /* the cast truncates toward zero */
        }
    } else {
        uint8_t *b = c->out;
        const uint8_t *e = c->existing;
        for (uint32_t i = 0; i < bytes; i++) {
            double v = b[i];
            if (vol)
                v = limit((v - 128.0) * (stereo && (i & 1) ? r->rightVolume : r->leftVolume) + 128.0, 0.0, 255.0);
            if (combine)
                v = r->mode == PASTE_ADD ? (e[i] - 128.0) * X + v
                                         : (e[i] - 128.0) * (v - 128.0) * X / 128.0 + 128.0;
            b[i] = (uint8_t)limit(v, 0.0, 255.0);
        }
    }
}

/* The meter takes 32-bit counts; a paste of more than 4 GB is reported in coarser units. */
static int report(PasteRequest *r, uint64_t bytes)
{
    r->reported += bytes;
    if (!r->progress || r->toReport == 0)
        return 0;
    uint64_t done = r->reported < r->toReport ? r->reported : r->toReport, total = r->toReport;
    while (total > 0xFFFFFFFFu) {
        done >>= 8;
        total >>= 8;
    }
    return r->progress((uint32_t)done, (uint32_t)total);
}

static void flush(Conv *c)
{
    if (c->outFrames == 0 || c->stop)
        return;
    uint32_t bytes = c->outFrames * Wave.blockAlign;
    mixRun(c, bytes);
    if (vocWriteAt(c->out, (int32_t)(c->dest + c->written), bytes) != 0)
        c->stop = 1;
    else
        c->written += bytes;
    c->outFrames = 0;
    if (report(c->r, bytes))
        c->stop = 1;
    if (c->r->cancelled && c->r->cancelled())
        c->stop = 1;
}

/* One frame at the resampling stage (cI values) to the wave's format. */
static void emit(Conv *c, const int32_t *v)
{
    if (c->outFrames == c->outCap)
        flush(c);
    uint8_t *p = c->out + c->outFrames * Wave.blockAlign;
    int32_t s[2];
    for (uint32_t ch = 0; ch < c->cI; ch++) {
        s[ch] = v[ch];
        if (c->narrow)
            s[ch] = c->r->smooth ? ditherNarrow(v[ch], (int)ch) : ditherPlain(v[ch]);
    }
    if (c->dup)
        s[1] = s[0];
    for (uint32_t ch = 0; ch < c->cO; ch++) {
        if (Wave.bitsPerSample == 16) {
            int16_t w = (int16_t)s[ch];
            memcpy(p + ch * 2, &w, 2);
        } else {
            p[ch] = (uint8_t)s[ch];
        }
    }
    c->outFrames++;
}

/* Steps 1 and 2 of the conversion for n frames of raw source into w (cI values a frame). */
static void toIntermediate(const Conv *c, const uint8_t *raw, uint32_t n, int32_t *w)
{
    const PasteRequest *r = c->r;
    for (uint32_t f = 0; f < n; f++) {
        const uint8_t *p = raw + f * c->srcBA;
        int32_t v[2];
        for (uint32_t ch = 0; ch < r->channels; ch++) {
            if (r->bits == 16) {
                int16_t s;
                memcpy(&s, p + ch * 2, 2);
                v[ch] = s;
            } else {
                v[ch] = p[ch];
            }
        }
        if (c->downmix)
            v[0] = (int32_t)((v[0] + v[1]) * 0.5);
        for (uint32_t ch = 0; ch < c->cI; ch++)
            w[f * c->cI + ch] = c->widen ? (v[ch] - 128) * 256 : v[ch];
    }
}

uint32_t pasteFrames(const PasteRequest *r)
{
    uint32_t ba = (uint32_t)r->channels * r->bits / 8;
    if (ba == 0 || r->rate == 0)
        return 0;
    uint64_t n = r->bytes / ba;
    if (r->waveRate == r->rate || r->waveRate == 0)
        return (uint32_t)n;
    uint64_t m = n * r->waveRate / r->rate;
    return m > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)m;
}

static uint32_t readSource(const PasteRequest *r, uint8_t *dst, uint32_t at, uint32_t want)
{
    if (r->mem) {
        memcpy(dst, r->mem + at, want);
        return want;
    }
    return filterRead(dst, want);
}

uint32_t pasteWriteCopy(PasteRequest *r, uint32_t dest)
{
    Conv c;
    memset(&c, 0, sizeof c);
    c.r = r;
    c.srcBA = (uint32_t)r->channels * r->bits / 8;
    if (c.srcBA == 0 || Wave.blockAlign == 0 || r->rate == 0)
        return 0;
    c.downmix = r->channels == 2 && Wave.channels == 1;
    c.cI = c.downmix ? 1 : r->channels;
    c.cO = Wave.channels;
    c.resample = r->waveRate != r->rate && r->waveRate != 0;
    c.up = c.resample && r->waveRate > r->rate;
    c.widen = r->bits == 8 && (Wave.bitsPerSample == 16 || c.resample);
    c.depth16 = r->bits == 16 || c.widen;
    c.narrow = Wave.bitsPerSample == 8 && c.depth16;
    c.dup = c.cI == 1 && Wave.channels == 2;
    c.dest = dest;
    c.outCap = PASTE_CONVERTED / Wave.blockAlign;

    uint32_t total = r->bytes / c.srcBA;         /* N: source frames of this copy */
    uint32_t target = pasteFrames(r);            /* M: frames it becomes */
    uint32_t pieceFrames = c.outCap;
    if (c.resample) {
        uint64_t p = (uint64_t)c.outCap * r->rate / r->waveRate;
        pieceFrames = p < 1 ? 1 : p > MAX_PIECE_FRAMES ? MAX_PIECE_FRAMES : (uint32_t)p;
    }
    uint8_t *raw = (uint8_t *)osAlloc((size_t)pieceFrames * c.srcBA);
    int32_t *w = (int32_t *)osAlloc(sizeof(int32_t) * (PASTE_HISTORY + pieceFrames) * c.cI);
    c.out = (uint8_t *)osAlloc(PASTE_CONVERTED);
    c.existing = (uint8_t *)osAlloc(PASTE_CONVERTED);
    if (!raw || !w || !c.out || !c.existing) {
        osFree(raw);
        osFree(w);
        osFree(c.out);
        osFree(c.existing);
        return 0;
    }

    uint32_t consumed = 0, produced = 0;         /* C and P of paste.h */
    while (consumed < total && produced < target && !c.stop) {
        uint32_t want = total - consumed < pieceFrames ? total - consumed : pieceFrames;
        uint32_t got = readSource(r, raw, consumed * c.srcBA, want * c.srcBA) / c.srcBA;
        if (got == 0)
            break;   /* shorter than announced: what was written stays */
        int32_t *piece = w + PASTE_HISTORY * c.cI;
        toIntermediate(&c, raw, got, piece);
        if (consumed == 0)
            for (uint32_t h = 0; h < PASTE_HISTORY; h++)
                memcpy(w + h * c.cI, piece, sizeof(int32_t) * c.cI);
        int last = consumed + got >= total || got < want;
        uint32_t end = consumed + got;           /* frames available: [consumed - 10, end) */
        if (last && end < total && c.resample) {
            uint64_t m = (uint64_t)end * r->waveRate / r->rate;
            if (m < target)
                target = (uint32_t)m;
        }
        /* Frame g (consumed - 10 <= g < end) sits at w[(g + 10 - consumed) * cI]. */
        uint32_t lead = consumed - PASTE_HISTORY;   /* wraps below 0; only differences are used */
#define FRAME(g) (w + (uint64_t)(uint32_t)((g) - lead) * c.cI)
        if (!c.resample) {
            for (uint32_t g = consumed; g < end && !c.stop; g++)
                emit(&c, FRAME(g));
            produced = end;
        } else {
            while (produced < target && !c.stop) {
                uint64_t num = (uint64_t)produced * r->rate;
                uint32_t i = (uint32_t)(num / r->waveRate);
                if (i >= end || (c.up && !last && i + 1 >= end))
                    break;
                int32_t v[2];
                const int32_t *a = FRAME(i);
                if (!c.up) {
                    memcpy(v, a, sizeof(int32_t) * c.cI);
                } else {
                    const int32_t *b = i + 1 < end ? a + c.cI : a;
                    double t = (double)(num % r->waveRate) / r->waveRate;
                    for (uint32_t ch = 0; ch < c.cI; ch++)
                        v[ch] = (int32_t)(a[ch] + (b[ch] - a[ch]) * t);
                }
                emit(&c, v);
                produced++;
            }
        }
#undef FRAME
        /* The last ten frames of history + piece become the next piece's history. */
        memmove(w, w + (uint64_t)got * c.cI, sizeof(int32_t) * PASTE_HISTORY * c.cI);
        consumed = end;
        if (got < want)
            break;
    }
    flush(&c);
    osFree(raw);
    osFree(w);
    osFree(c.out);
    osFree(c.existing);
    return c.written;
}

uint64_t pasteCopies(PasteRequest *r)
{
    if (!Wave.blockAlign)
        return 0;
    int reps = r->repetitions > 0 ? r->repetitions : 1;
    Wave.passes = (uint32_t)reps;
    Wave.pass = 0;
    uint32_t ba = Wave.blockAlign;
    uint64_t start = (uint64_t)r->startFrame * ba, done = 0;
    int fast = r->mem && r->rate == r->waveRate && r->bits == Wave.bitsPerSample
            && r->channels == Wave.channels && r->blockAlign == ba
            && r->leftVolume == 1.0 && r->rightVolume == 1.0 && r->existing == 0.0;
    /* The meter follows the whole paste: every copy, piece by piece. */
    r->reported = 0;
    r->toReport = (uint64_t)reps * (fast ? r->bytes : (uint64_t)pasteFrames(r) * ba);
    int stopped = 0;
    for (int k = 0; k < reps && !stopped; k++) {
        Wave.pass = (uint32_t)k;
        if (fast) {
            /* In pieces, so that the meter moves and Cancel is heard within a long copy. */
            uint32_t off = 0;
            while (off < r->bytes && !stopped) {
                uint32_t n = r->bytes - off < PASTE_FASTPIECE ? r->bytes - off : PASTE_FASTPIECE;
                n -= n % ba;
                if (n == 0)
                    n = r->bytes - off;
                if (vocWriteAt(r->mem + off, (int32_t)(start + done), n) != 0) {
                    stopped = 1;
                    break;
                }
                off += n;
                done += n;
                if (report(r, n) || (r->cancelled && r->cancelled() && off < r->bytes))
                    stopped = 1;
            }
            if (stopped)
                break;
        } else {
            if (k > 0 && !r->mem && r->reopen && r->reopen() != 0)
                break;
            uint32_t n = pasteWriteCopy(r, (uint32_t)(start + done));
            done += n;
            if (n == 0)
                break;
        }
        if (r->cancelled && r->cancelled())
            break;
    }
    Wave.pass = 0;
    Wave.passes = 1;
    return done;
}
