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
    uint8_t t[4];
    while (pairs > 0) {
        uint32_t n = pairs < half - 1 ? pairs : half - 1;
        uint64_t backStart = b - n + 1;
        if (io.read(front, (int32_t)(f * k), n * k) != 0 || io.read(back, (int32_t)(backStart * k), n * k) != 0)
            return 1;
        /* Front frame i and back frame n - 1 - i trade places, each frame moved whole. */
        for (uint32_t i = 0; i < n; i++) {
            uint8_t *x = front + (uint64_t)i * k, *y = back + (uint64_t)(n - 1 - i) * k;
            memcpy(t, x, k);
            memcpy(x, y, k);
            memcpy(y, t, k);
        }
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

/* Reads the range in pieces of at most piece bytes, hands each to fn, writes it back.
   *done (when given) follows the frames finished. */
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
    while (at < end) {
        uint32_t n = end - at < piece ? (uint32_t)(end - at) : piece;
        if (io.read(buf, (int32_t)at, n) != 0)
            return 1;
        fn(buf, n, Wave.bitsPerSample);
        io.write(buf, (int32_t)at, n);
        at += n;
        if (done)
            *done = (uint32_t)((at - from) / io.k);
        if (step && step((uint32_t)(at - from), (uint32_t)(end - from)) && at < end)
            return 1;
    }
    return 0;
}

static void invert(uint8_t *p, uint32_t n, int bits)
{
    if (bits == 8) {
        for (uint32_t i = 0; i < n; i++)
            p[i] = (uint8_t)(255 - p[i]);
        return;
    }
    for (uint32_t i = 0; i + 1 < n; i += 2) {
        int16_t v = (int16_t)(p[i] | p[i + 1] << 8);
        if (v != -32768)
            v = (int16_t)-v;
        p[i] = (uint8_t)(v & 0xFF);
        p[i + 1] = (uint8_t)((uint16_t)v >> 8);
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
