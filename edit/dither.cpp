/*
 * dither.cpp - the noise-shaping dither of 16-to-8-bit narrowing.  Global state: Dither.
 * The delay line feeds the low byte lost by each sample into the next seven samples with
 * halving weights; the generator adds a small triangular-ish noise in -34..34.
 */
#include "edit/dither.h"

#include <string.h>

DitherState Dither;

static const uint32_t A[7] = {20011, 5591, 3407, 11471, 18671, 4337, 8861};

void ditherReset(void)
{
    memset(&Dither, 0, sizeof Dither);
}

static int32_t nextNoise(void)
{
    if (!Dither.started) {
        for (int i = 0; i < 7; i++)
            Dither.b[i] = 1000u + 2000u * (uint32_t)i;
        Dither.k = 0;
        Dither.acc = 0;
        Dither.started = 1;
    }
    int k = Dither.k = (Dither.k + 1) % 7;
    Dither.b[k] = (Dither.b[(k + 3) % 7] + A[k] + Dither.b[k]) % 30000u;
    int32_t d = (int32_t)(Dither.acc % 69u) - 34;
    Dither.acc = (Dither.b[k] + Dither.acc) % 30000u;
    return d;
}

uint8_t ditherNarrow(int32_t x, int channel)
{
    int32_t *s = Dither.slot[channel ? 1 : 0];
    int32_t v = x + s[0] + nextNoise();
    memmove(s, s + 1, 11 * sizeof *s);
    s[11] = 0;
    int32_t e = v & 255;
    for (int i = 0; i < 7; i++)
        s[i] += e >> (i + 1);
    int32_t out = (v >> 8) + 128;
    return (uint8_t)(out < 0 ? 0 : out > 255 ? 255 : out);
}
