/*
 * noisecore.c - the Noise generator's colours (see noisecore.h).  No global state.
 */
#include "xforms/noise/noisecore.h"

#include <math.h>
#include <string.h>

uint32_t noiseFrames(double seconds, uint32_t rate)
{
    double f = seconds * (double)rate;
    if (!(seconds > 0) || seconds > NOISE_MAX_SECONDS || rate == 0)
        return 0;
    return (uint32_t)(f + 0.5);
}

static double wholeAmplitude(double a)
{
    a = floor(a + 1e-9);
    return a < 0 ? 0 : a > 32767 ? 32767 : a;
}

double noiseAmplitudeDb(double db) { return wholeAmplitude(32767.0 * pow(10.0, db / 20.0)); }

double noiseAmplitudePercent(double percent) { return wholeAmplitude(32767.0 * percent / 100.0); }

/* Uniform in [-1, 1] from 32 random bits. */
static double uniform(NoiseStream *s)
{
    uint32_t x = s->rng;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    s->rng = x;
    return (double)x * (2.0 / 4294967295.0) - 1.0;
}

void noiseInit(NoiseState *st, int colour, int channels, double amplitude, uint32_t seed, uint32_t rate)
{
    int c, r;
    memset(st, 0, sizeof *st);
    st->colour = colour >= 0 && colour < NOISE_COLOURS ? colour : NOISE_WHITE;
    st->channels = channels == 2 ? 2 : 1;
    st->amplitude = wholeAmplitude(amplitude);
    /* A walk with this step crosses the whole range in about a tenth of a second at any
       rate, so the bounces stay below a few hertz. */
    st->step = 0.026 * sqrt(44100.0 / (rate ? rate : 44100));
    for (c = 0; c < 2; c++) {
        NoiseStream *s = &st->s[c];
        /* Spread the seed (splitmix-like) so neighbouring seeds and the two channels give
           unrelated streams. */
        uint32_t z = seed * 2654435769u + (uint32_t)c * 0x9E3779B9u + 0x7F4A7C15u;
        z = (z ^ (z >> 16)) * 0x85EBCA6Bu;
        z = (z ^ (z >> 13)) * 0xC2B2AE35u;
        z ^= z >> 16;
        s->rng = z ? z : 0x6D2B79F5u;
        for (r = 0; r < NOISE_PINK_ROWS; r++) {
            s->rows[r] = uniform(s);
            s->rowSum += s->rows[r];
        }
        s->walk = 0;
    }
}

/* Trailing zero bits of n (n > 0). */
static int trailingZeros(uint32_t n)
{
    int z = 0;
    while (!(n & 1)) {
        n >>= 1;
        z++;
    }
    return z;
}

static double next(NoiseState *st, NoiseStream *s, uint32_t n)
{
    double v;
    switch (st->colour) {
    case NOISE_PINK:
        if (n) {
            int r = trailingZeros(n);
            if (r < NOISE_PINK_ROWS) {
                double u = uniform(s);
                s->rowSum += u - s->rows[r];
                s->rows[r] = u;
            }
        }
        v = (s->rowSum + uniform(s)) / (NOISE_PINK_ROWS + 1);
        break;
    case NOISE_BROWN:
        v = s->walk + st->step * uniform(s);
        if (v > 1)
            v = 2 - v;
        else if (v < -1)
            v = -2 - v;
        s->walk = v;
        break;
    default:
        v = uniform(s);
        break;
    }
    /* |v| <= 1 up to rounding; hold it there so the amplitude is never passed. */
    return v > 1 ? 1 : v < -1 ? -1 : v;
}

void noiseBlock(NoiseState *st, short *out, size_t frames)
{
    double a = st->amplitude;
    size_t f;
    int c;
    for (f = 0; f < frames; f++, st->count++)
        for (c = 0; c < st->channels; c++) {
            double v = next(st, &st->s[c], st->count) * a;
            *out++ = (short)(v >= 0 ? (int)(v + 0.5) : -(int)(-v + 0.5));
        }
}
