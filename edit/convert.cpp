/*
 * convert.cpp - the steps of Convert Sample Type over the store, in their fixed order.
 *
 * Widening and spreading grow the data in place: blank bytes are appended, and the work
 * goes from the end backwards so that no source byte is overwritten before it was read.
 * Mixing down and narrowing shrink it: the work goes from the front, the results are
 * written compactly at the front, and the second half is cut at the end.  Every piece is
 * read and written at its own offset, so whatever runs inside the meter's message pump
 * cannot move the work.
 */
#include "edit/convert.h"
#include "edit/dither.h"
#include "edit/undo.h"
#include "core/document.h"
#include "store/voc.h"
#include "os/os.h"

#include <stdlib.h>
#include <string.h>

ConvertState Convert = {{0, 0, 0, 2, 1, 0.0, 1.0, 1.0}, {}};

void convertDefaults(ConvertTargets *t)
{
    memset(t, 0, sizeof *t);
    t->quality = 2;
    t->dither = 1;
    t->left = t->right = 1.0;
}

static void put16(uint8_t *p, uint16_t v) { p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); }
static void put32(uint8_t *p, uint32_t v) { put16(p, (uint16_t)v); put16(p + 2, (uint16_t)(v >> 16)); }

void convertResampleBlock(uint32_t cur, uint32_t want, int quality, uint8_t block[12])
{
    uint16_t first, second;
    uint32_t length = 2000;
    if (want < cur) {
        switch (quality) {
        case 2:  first = 51;  second = 18; length = 1000; break;
        case 3:  first = 149; second = 18; length = 2500; break;
        /* The extra-high setting gets a filter of its own rather than the low one. */
        case 4:  first = 255; second = 18; length = 4000; break;
        default: first = 69;  second = 2;  break;
        }
    } else {
        switch (quality) {
        case 2:  first = 99;  second = 2; break;
        case 3:  first = 199; second = 2; break;
        case 4:  first = 255; second = 2; length = 4000; break;
        default: first = 49;  second = 2; break;
        }
    }
    put32(block, want);
    put16(block + 4, second);
    put16(block + 6, first);
    put32(block + 8, length);
}

uint32_t convertStartAt(uint32_t p, uint32_t oldRate, uint32_t newRate)
{
    if (!oldRate)
        return p;
    uint64_t q = (uint64_t)p * newRate / oldRate;
    return q > 0xFFFFFFFEu ? 0xFFFFFFFEu : (uint32_t)q;
}

uint32_t convertEndAt(uint32_t p, uint32_t oldRate, uint32_t newRate)
{
    if (p == DOC_NONE || !oldRate)
        return p;
    uint64_t q = ((uint64_t)p + 1) * newRate / oldRate;
    if (q == 0)
        return DOC_NONE;      /* the end fell before the first frame: nothing is left */
    return q - 1 > 0xFFFFFFFEu ? 0xFFFFFFFEu : (uint32_t)(q - 1);
}

/* ---- the steps ---- */

struct Work {
    uint8_t *buf;           /* 2 * CONVERT_WORK bytes: source half, result half */
    int      result;        /* CONVERT_DONE until a step stops */
};

static int16_t clamp16(int32_t v) { return (int16_t)(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }
static uint8_t clamp8(int32_t v) { return (uint8_t)((v < -128 ? -128 : v > 127 ? 127 : v) + 128); }

static void meterOpen(const char *caption)
{
    if (Convert.hook.progressOpen)
        Convert.hook.progressOpen(caption);
}

static void meterClose(void)
{
    if (Convert.hook.progressClose)
        Convert.hook.progressClose();
}

/* 1 when the user cancelled. */
static int meterStep(uint32_t done, uint32_t total)
{
    return Convert.hook.step && Convert.hook.step(done, total) != 0;
}

static int16_t rd16(const uint8_t *p) { return (int16_t)(uint16_t)(p[0] | p[1] << 8); }
static void wr16(uint8_t *p, int16_t v) { p[0] = (uint8_t)v; p[1] = (uint8_t)((uint16_t)v >> 8); }

/* 1: every 8-bit byte b becomes the 16-bit sample (b - 128) * 256 at twice its offset. */
static void widen(Work *w)
{
    uint32_t len = Wave.dataLength;
    meterOpen("Converting 8-bit to 16-bit");
    if (len && vocInsertBlank((int32_t)len, len) != 0) {
        w->result = CONVERT_FAILED;
        meterClose();
        return;
    }
    uint8_t *src = w->buf, *dst = w->buf + CONVERT_WORK;
    uint32_t off = len;
    while (off > 0 && w->result == CONVERT_DONE) {
        uint32_t n = off < 16000 ? off : 16000;
        off -= n;
        if (vocRead(src, (int32_t)off, n) != 0) {
            w->result = CONVERT_FAILED;
            break;
        }
        for (uint32_t i = 0; i < n; i++)
            wr16(dst + 2 * i, (int16_t)(((int)src[i] - 128) * 256));
        if (vocWriteAt(dst, (int32_t)(2 * off), 2 * n) != 0)
            w->result = CONVERT_FAILED;
        else if (meterStep(len - off, len))
            w->result = CONVERT_CANCELLED;
    }
    meterClose();
    /* The widened part lies behind off; what is still 8-bit lies before it.  On a stop the
       data are no longer one format; the undo copy is what restores them. */
    if (w->result == CONVERT_DONE)
        vocSetFormat(Wave.channels, 16, 2 * len);
}

/* 2: each frame mixed to (left * L) >> 15 + (right * R) >> 15, written compactly. */
static void mixDown(Work *w, int32_t L, int32_t R)
{
    uint32_t len = Wave.dataLength;
    int eight = Wave.bitsPerSample == 8;
    uint32_t frame = eight ? 2 : 4;
    uint32_t piece = 32000 - 32000 % frame;
    uint8_t *src = w->buf, *dst = w->buf + CONVERT_WORK;
    meterOpen("Converting Stereo to Mono");
    uint32_t frames = len / frame;
    uint32_t done = 0;
    while (done < frames && w->result == CONVERT_DONE) {
        uint32_t n = frames - done < piece / frame ? frames - done : piece / frame;
        if (vocRead(src, (int32_t)(done * frame), n * frame) != 0) {
            w->result = CONVERT_FAILED;
            break;
        }
        if (eight) {
            for (uint32_t i = 0; i < n; i++) {
                int32_t l = (int32_t)src[2 * i] - 128, r = (int32_t)src[2 * i + 1] - 128;
                dst[i] = clamp8(((l * L) >> 15) + ((r * R) >> 15));
            }
        } else {
            for (uint32_t i = 0; i < n; i++) {
                int32_t l = rd16(src + 4 * i), r = rd16(src + 4 * i + 2);
                wr16(dst + 2 * i, clamp16(((l * L) >> 15) + ((r * R) >> 15)));
            }
        }
        if (vocWriteAt(dst, (int32_t)(done * frame / 2), n * frame / 2) != 0) {
            w->result = CONVERT_FAILED;
            break;
        }
        done += n;
        if (meterStep(done, frames))
            w->result = CONVERT_CANCELLED;
    }
    meterClose();
    if (w->result != CONVERT_DONE)
        return;
    uint32_t half = frames * frame / 2;
    if (len > half && vocCut((int32_t)half, len - half) != 0) {
        w->result = CONVERT_FAILED;
        return;
    }
    vocSetFormat(1, Wave.bitsPerSample, half);
}

/* 4: each sample s becomes the pair ((s * L) >> 15, (s * R) >> 15), from the end backwards. */
static void spread(Work *w, int32_t L, int32_t R)
{
    uint32_t len = Wave.dataLength;
    int eight = Wave.bitsPerSample == 8;
    uint32_t sample = eight ? 1 : 2;
    meterOpen("Converting Mono to Stereo");
    if (len && vocInsertBlank((int32_t)len, len) != 0) {
        w->result = CONVERT_FAILED;
        meterClose();
        return;
    }
    uint32_t piece = 16000;
    uint8_t *src = w->buf, *dst = w->buf + CONVERT_WORK;
    uint32_t off = len - len % sample;
    uint32_t total = off;
    while (off > 0 && w->result == CONVERT_DONE) {
        uint32_t n = off < piece ? off : piece;
        off -= n;
        if (vocRead(src, (int32_t)off, n) != 0) {
            w->result = CONVERT_FAILED;
            break;
        }
        if (eight) {
            for (uint32_t i = 0; i < n; i++) {
                int32_t s = (int32_t)src[i] - 128;
                dst[2 * i] = clamp8((s * L) >> 15);
                dst[2 * i + 1] = clamp8((s * R) >> 15);
            }
        } else {
            for (uint32_t i = 0; i < n / 2; i++) {
                int32_t s = rd16(src + 2 * i);
                wr16(dst + 4 * i, clamp16((s * L) >> 15));
                wr16(dst + 4 * i + 2, clamp16((s * R) >> 15));
            }
        }
        if (vocWriteAt(dst, (int32_t)(2 * off), 2 * n) != 0)
            w->result = CONVERT_FAILED;
        else if (meterStep(total - off, total))
            w->result = CONVERT_CANCELLED;
    }
    meterClose();
    if (w->result == CONVERT_DONE)
        vocSetFormat(2, Wave.bitsPerSample, 2 * len);
}

/* 5: each 16-bit sample narrowed to a byte, plainly or dithered, written compactly. */
static void narrow(Work *w, int dither)
{
    uint32_t len = Wave.dataLength & ~1u;
    int stereo = Wave.channels == 2;
    uint8_t *src = w->buf, *dst = w->buf + CONVERT_WORK;
    meterOpen("Converting 16-bit to 8-bit");
    uint32_t done = 0;
    while (done < len && w->result == CONVERT_DONE) {
        uint32_t n = len - done < 32000 ? len - done : 32000;
        if (vocRead(src, (int32_t)done, n) != 0) {
            w->result = CONVERT_FAILED;
            break;
        }
        /* Pieces hold whole frames, so sample i is of channel i & 1 in a stereo wave. */
        for (uint32_t i = 0; i < n / 2; i++) {
            int32_t x = rd16(src + 2 * i);
            dst[i] = dither ? ditherNarrow(x, stereo ? (int)(i & 1) : 0) : ditherPlain(x);
        }
        if (vocWriteAt(dst, (int32_t)(done / 2), n / 2) != 0) {
            w->result = CONVERT_FAILED;
            break;
        }
        done += n;
        if (meterStep(done, len))
            w->result = CONVERT_CANCELLED;
    }
    meterClose();
    if (w->result != CONVERT_DONE)
        return;
    uint32_t all = Wave.dataLength;
    if (all > len / 2 && vocCut((int32_t)(len / 2), all - len / 2) != 0) {
        w->result = CONVERT_FAILED;
        return;
    }
    vocSetFormat(Wave.channels, 8, len / 2);
}

static int32_t mixFactor(double m)
{
    double f = m * 32768.0;
    if (!(f > -1e9))
        f = -1e9;
    if (f > 1e9)
        f = 1e9;
    return (int32_t)f;   /* truncated */
}

int convertRun(const ConvertTargets *t)
{
    if (!Doc.storeOpen || Wave.blockAlign == 0)
        return CONVERT_FAILED;
    uint32_t rate = Doc.sampleRate;
    uint32_t wantRate = t->rate ? t->rate : rate;
    uint16_t wantBits = t->bits ? t->bits : Wave.bitsPerSample;
    uint16_t wantChannels = t->channels ? t->channels : Wave.channels;
    if (wantRate > CONVERT_MAXRATE || (wantBits != 8 && wantBits != 16) || (wantChannels != 1 && wantChannels != 2))
        return CONVERT_FAILED;
    int rateChanges = wantRate != rate && rate != 0;
    /* The positions as they were, carried over at the end. */
    uint32_t selStart = Doc.selStart, selEnd = Doc.selEnd, viewStart = Doc.viewStart, viewEnd = Doc.viewEnd;

    Work w = {(uint8_t *)osAlloc(2 * CONVERT_WORK), CONVERT_DONE};
    if (!w.buf)
        return CONVERT_FAILED;
    /* The steps cut and insert in bulk: the cues are carried over by rule at the end. */
    CuesFrozen = 1;
    VocHooks saved = VocHook;
    VocHook.cueInserted = NULL;
    VocHook.cueDeleted = NULL;
    int32_t L = mixFactor(t->left), R = mixFactor(t->right);
    if (Wave.bitsPerSample == 8 && (wantBits == 16 || rateChanges))
        widen(&w);
    if (w.result == CONVERT_DONE && Wave.channels == 2 && wantChannels == 1)
        mixDown(&w, L, R);
    int resampled = 0;
    if (w.result == CONVERT_DONE && rateChanges) {
        uint8_t block[12];
        convertResampleBlock(rate, wantRate, t->quality, block);
        int r = Convert.hook.resample ? Convert.hook.resample(block) : CONVERT_NOMODULE;
        if (r == CONVERT_NOMODULE) {
            osMessage("Missing 'RESAMPLE.XFM' module.  Zelo Edit can not change sample rates without this module.",
                      "Missing Module", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        } else if (r == CONVERT_DONE) {
            Doc.sampleRate = wantRate;
            resampled = 1;
        } else {
            w.result = r;
        }
    }
    if (w.result == CONVERT_DONE && Wave.channels == 1 && wantChannels == 2)
        spread(&w, L, R);
    if (w.result == CONVERT_DONE && Wave.bitsPerSample == 16 && wantBits == 8)
        narrow(&w, t->dither);
    osFree(w.buf);
    /* Block alignment follows the format (vocSetFormat keeps it so). */
    uint32_t frames = docFrames();
    if (resampled) {
        Doc.selStart = convertStartAt(selStart, rate, wantRate);
        Doc.selEnd = convertEndAt(selEnd, rate, wantRate);
        Doc.viewStart = convertStartAt(viewStart, rate, wantRate);
        Doc.viewEnd = convertEndAt(viewEnd, rate, wantRate);
        if (Convert.hook.cuesRescale)
            Convert.hook.cuesRescale(rate, wantRate);
        if (Convert.hook.rateChanged)
            Convert.hook.rateChanged(rate, wantRate);
    } else {
        Doc.selStart = selStart;
        Doc.selEnd = selEnd;
        Doc.viewStart = viewStart;
        Doc.viewEnd = viewEnd;
    }
    /* Positions stay inside the wave that is left. */
    if (frames == 0) {
        Doc.selStart = Doc.viewStart = 0;
        Doc.selEnd = DOC_NONE;
        Doc.viewEnd = DOC_NONE;
    } else {
        if (Doc.viewStart >= frames)
            Doc.viewStart = frames - 1;
        if (Doc.viewEnd != DOC_NONE && Doc.viewEnd >= frames)
            Doc.viewEnd = frames - 1;
        if (Doc.selStart >= frames)
            Doc.selStart = frames - 1;
        if (Doc.selEnd != DOC_NONE && Doc.selEnd >= frames)
            Doc.selEnd = frames - 1;
    }
    VocHook.cueInserted = saved.cueInserted;
    VocHook.cueDeleted = saved.cueDeleted;
    CuesFrozen = 0;
    Doc.modified = 1;
    return w.result;
}
