/*
 * xforms.cpp - Reverse, Invert and Byte Swap over frames of the edited channel(s).
 */
#include "edit/xforms.h"
#include "store/tempfile.h"
#include "store/voc.h"

#include <math.h>
#include <string.h>

/* The reader and writer for the edited channel(s), and their frame size in bytes. */
struct FrameIo {
    short (ZELOAPI *read)(void *dst, int32_t offset, uint32_t count);
    short (ZELOAPI *write)(const void *src, int32_t offset, uint32_t count);
    uint32_t k;
};

static FrameIo frameIo(void)
{
    FrameIo io = {vocRead, vocWriteAt, Wave.blockAlign ? Wave.blockAlign : 1u};
    if (Wave.channels == 2 && (Wave.editChannel == 1 || Wave.editChannel == 2)) {
        io.read = vocReadSingle;
        io.write = vocWriteAtSingle;
        io.k = io.k / 2 ? io.k / 2 : 1;
    }
    return io;
}

static uint32_t framesOf(uint32_t first, uint32_t last)
{
    uint32_t ba = Wave.blockAlign ? Wave.blockAlign : 1;
    uint32_t have = Wave.dataLength / ba;
    if (last >= have)
        last = have ? have - 1 : 0;
    return have && last >= first ? last - first + 1 : 0;
}

/* Front frame i and back frame n - 1 - i trade places, for frames of K bytes. */
template <unsigned K> static void tradeFrames(uint8_t *front, uint8_t *back, uint32_t n)
{
    uint8_t *y = back + (size_t)n * K;
    for (uint32_t i = 0; i < n; i++) {
        y -= K;
        uint8_t a[K], c[K];
        memcpy(a, front + (size_t)i * K, K);
        memcpy(c, y, K);
        memcpy(front + (size_t)i * K, c, K);
        memcpy(y, a, K);
    }
}

int xformReverse(uint32_t first, uint32_t last, XformStep step)
{
    uint32_t count = framesOf(first, last);
    uint8_t *buf = tempTransfer();
    if (!buf)
        return 1;
    if (count < 2)
        return 0;
    FrameIo io = frameIo();
    uint32_t k = io.k;
    uint32_t half = (TRANSFER_SIZE / k) / 2;
    uint8_t *front = buf, *back = buf + (uint64_t)half * k;
    uint64_t f = first, b = (uint64_t)first + count - 1;   /* frames still to trade */
    uint32_t pairs = count / 2;
    while (pairs > 0) {
        uint32_t n = pairs < half - 1 ? pairs : half - 1;
        uint64_t backStart = b - n + 1;
        if (io.read(front, (int32_t)(f * k), n * k) != 0 || io.read(back, (int32_t)(backStart * k), n * k) != 0)
            return 1;
        /* Front frame i and back frame n - 1 - i trade places, each frame moved whole. */
        if (k == 4)
            tradeFrames<4>(front, back, n);
        else if (k == 2)
            tradeFrames<2>(front, back, n);
        else
            tradeFrames<1>(front, back, n);
        /* The front block now holds the back's frames reversed, and the other way round. */
        io.write(front, (int32_t)(f * k), n * k);
        io.write(back, (int32_t)(backStart * k), n * k);
        f += n;
        b -= n;
        pairs -= n;
        if (step && step((uint32_t)(2 * (f - first)), count - 1 ? count - 1 : 1))
            return pairs ? 1 : 0;
    }
    return 0;
}

/* Works through the range in pieces of at most piece bytes: fn transforms each, then step
   hears of it.  The store is read and written a few pieces at a time, as many as the work
   buffer holds, since each store call costs far more than transforming a piece; a stop after
   a piece writes back exactly the pieces transformed.  *done (when given) follows the frames
   finished. */
static int inPlace(uint32_t first, uint32_t last, uint32_t piece, XformStep step,
                   void (*fn)(uint8_t *p, uint32_t n, int bits), uint32_t *done)
{
    uint32_t count = framesOf(first, last);
    if (done)
        *done = 0;
    uint8_t *buf = tempTransfer();
    if (!buf)
        return 1;
    FrameIo io = frameIo();
    uint64_t from = (uint64_t)first * io.k, at = from, end = ((uint64_t)first + count) * io.k;
    piece -= piece % 4;   /* whole frames of every size */
    uint32_t batch = TRANSFER_SIZE / piece * piece;
    while (at < end) {
        uint32_t n = end - at < batch ? (uint32_t)(end - at) : batch;
        if (io.read(buf, (int32_t)at, n) != 0)
            return 1;
        uint32_t worked = 0;
        int stop = 0;
        while (worked < n && !stop) {
            uint32_t m = n - worked < piece ? n - worked : piece;
            fn(buf + worked, m, Wave.bitsPerSample);
            worked += m;
            if (done)
                *done = (uint32_t)((at + worked - from) / io.k);
            stop = step && step((uint32_t)(at + worked - from), (uint32_t)(end - from)) && at + worked < end;
        }
        io.write(buf, (int32_t)at, worked);
        at += worked;
        if (stop)
            return 1;
    }
    return 0;
}

static void invert(uint8_t *p, uint32_t n, int bits)
{
    if (bits == 8) {
        for (uint32_t i = 0; i < n; i++)
            p[i] = (uint8_t)~p[i];   /* 255 - value */
        return;
    }
    /* Negation modulo 65536 leaves -32768 as it is, so no sample needs a test. */
    for (uint32_t i = 0; i + 1 < n; i += 2) {
        uint16_t v = (uint16_t)(0u - (uint16_t)(p[i] | p[i + 1] << 8));
        p[i] = (uint8_t)v;
        p[i + 1] = (uint8_t)(v >> 8);
    }
}

static void byteSwap(uint8_t *p, uint32_t n, int bits)
{
    if (bits == 8) {
        for (uint32_t i = 0; i < n; i++)
            p[i] = (uint8_t)(p[i] + 128);
        return;
    }
    for (uint32_t i = 0; i + 1 < n; i += 2) {
        uint8_t t = p[i];
        p[i] = p[i + 1];
        p[i + 1] = t;
    }
}

int xformInvert(uint32_t first, uint32_t last, XformStep step, uint32_t *done)
{
    return inPlace(first, last, 22050, step, invert, done);
}
int xformByteSwap(uint32_t first, uint32_t last, XformStep step, uint32_t *done)
{
    return inPlace(first, last, 22048, step, byteSwap, done);
}

uint32_t xformSilenceFrames(double seconds, uint32_t rate)
{
    if (!(seconds > 0.0) || !isfinite(seconds))
        return 0;
    double frames = seconds * (double)rate;
    return frames >= 4294967295.0 ? 0xFFFFFFFFu : (uint32_t)frames;
}
