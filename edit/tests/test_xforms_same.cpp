/*
 * Reverse and Invert after their speed-up give exactly the bytes the straightforward forms
 * gave: the originals are kept here as references and both run on the same random waves,
 * of every sample type, on both channels and on one, over random ranges, and with a stop
 * from the meter part way.
 */
#include "fixture.h"
#include "edit/xforms.h"

#include <random>

namespace {

class XformsSame : public EditTest {};

/* The frames a transform of first..last sees: whole frames, or one channel as a stream. */
struct View {
    uint32_t k, stride, skip;   /* bytes per frame seen, bytes per stored frame, offset */
};

View viewOf(int channels, int bits, int channel)
{
    uint32_t bps = (uint32_t)bits / 8, ba = bps * (uint32_t)channels;
    if (channels == 2 && channel != 0)
        return {bps, ba, channel == 2 ? bps : 0};
    return {ba, ba, 0};
}

/* The old Reverse: frame by frame, swapping front and back with three copies. */
void referenceReverse(Bytes &b, View v, uint32_t first, uint32_t last)
{
    uint8_t t[4];
    for (uint32_t f = first, g = last; f < g; f++, g--) {
        uint8_t *x = &b[f * v.stride + v.skip], *y = &b[g * v.stride + v.skip];
        memcpy(t, x, v.k);
        memcpy(x, y, v.k);
        memcpy(y, t, v.k);
    }
}

/* The old Invert: byte by byte, with -32768 kept by a test. */
void referenceInvert(Bytes &b, View v, int bits, uint32_t first, uint32_t last)
{
    for (uint32_t f = first; f <= last; f++) {
        uint8_t *p = &b[f * v.stride + v.skip];
        for (uint32_t i = 0; i < v.k; i += (uint32_t)bits / 8) {
            if (bits == 8) {
                p[i] = (uint8_t)(255 - p[i]);
            } else {
                int16_t s = (int16_t)(p[i] | p[i + 1] << 8);
                if (s != -32768)
                    s = (int16_t)-s;
                p[i] = (uint8_t)(s & 0xFF);
                p[i + 1] = (uint8_t)((uint16_t)s >> 8);
            }
        }
    }
}

TEST_F(XformsSame, ReverseAndInvertMatchTheReferenceOnRandomWaves)
{
    std::mt19937 rng(20261208);
    for (int round = 0; round < 36; round++) {
        int channels = 1 + round % 2, bits = round % 4 < 2 ? 8 : 16;
        int channel = channels == 2 ? (round / 4) % 3 : 0;
        uint32_t ba = (uint32_t)(channels * bits / 8);
        /* Up to three blocks of the store, so pieces cross block edges. */
        uint32_t frames = 1 + rng() % (200000 / ba);
        Bytes in(frames * ba);
        for (auto &x : in)
            x = (uint8_t)rng();
        /* Some of the values with special answers. */
        if (bits == 16 && in.size() >= 8) {
            in[0] = 0x00, in[1] = 0x80;   /* -32768 */
            in[2] = 0xFF, in[3] = 0x7F;   /* 32767 */
        }
        uint32_t a = rng() % frames, b = rng() % frames;
        uint32_t first = a < b ? a : b, last = a < b ? b : a;
        View v = viewOf(channels, bits, channel);

        open(channels, bits, 44100, in);
        Wave.editChannel = channel;
        ASSERT_EQ(0, xformReverse(first, last, NULL));
        Bytes want = in;
        referenceReverse(want, v, first, last);
        ASSERT_EQ(want, all()) << "Reverse, round " << round;

        ASSERT_EQ(0, xformInvert(first, last, NULL));
        referenceInvert(want, v, bits, first, last);
        ASSERT_EQ(want, all()) << "Invert, round " << round;
        Wave.editChannel = 0;
    }
}

/* A stop from the meter leaves exactly the pieces the reference reached done, and the
   frames reported done are those. */
TEST_F(XformsSame, InvertStoppedPartWayWritesTheFinishedPiecesOnly)
{
    std::mt19937 rng(7);
    Bytes in(300000);
    for (auto &x : in)
        x = (uint8_t)rng();
    for (int stopAt = 1; stopAt <= 9; stopAt += 4) {
        open(2, 16, 44100, in);
        static int calls, limit;
        calls = 0;
        limit = stopAt;
        uint32_t done = 0;
        uint32_t frames = (uint32_t)in.size() / 4;
        EXPECT_EQ(1, xformInvert(0, frames - 1, [](uint32_t, uint32_t) -> int { return ++calls >= limit; }, &done));
        EXPECT_EQ(stopAt, calls);
        /* Pieces of 22048 bytes (22050 rounded down to whole frames). */
        uint32_t bytesDone = (uint32_t)stopAt * 22048;
        EXPECT_EQ(bytesDone / 4, done);
        Bytes want = in;
        referenceInvert(want, viewOf(2, 16, 0), 16, 0, done - 1);
        ASSERT_EQ(want, all()) << "stopped after piece " << stopAt;
    }
}

} // namespace
