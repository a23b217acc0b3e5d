/*
 * noisecore.h - the Noise generator's arithmetic, window-free: white, pink and brown
 * noise from a seeded generator (xorshift, so a seed always gives the same noise), as
 * interleaved 16-bit frames, every channel its own stream.  Each colour is built so that
 * it never passes its amplitude, without clipping:
 *   white  uniform in [-1, 1];
 *   pink   the mean of NOISE_PINK_ROWS + 1 uniform values, row r renewed every 2^(r+1)
 *          frames (Voss and Gardner's method), about -3 dB per octave;
 *   brown  a random walk with uniform steps that bounces off -1 and 1, -6 dB per octave.
 * A NoiseState carries the streams from block to block; nothing is global.
 */
#ifndef ZELO_XFORMS_NOISECORE_H
#define ZELO_XFORMS_NOISECORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { NOISE_WHITE = 0, NOISE_PINK = 1, NOISE_BROWN = 2, NOISE_COLOURS = 3 };

#define NOISE_PINK_ROWS   16
#define NOISE_MAX_SECONDS 3600.0

typedef struct NoiseStream {
    uint32_t rng;                       /* xorshift32 state, never 0 */
    double   rows[NOISE_PINK_ROWS];     /* pink: the held values */
    double   rowSum;                    /* pink: their sum */
    double   walk;                      /* brown: where the walk is */
} NoiseStream;

typedef struct NoiseState {
    int         colour;       /* NOISE_* */
    int         channels;     /* 1 or 2 */
    double      amplitude;    /* largest magnitude in sample units, a whole number */
    double      step;         /* brown: the largest step */
    uint32_t    count;        /* frames made so far (pink: which row changes) */
    NoiseStream s[2];
} NoiseState;

/* Frames of a duration at a rate, rounded; 0 for a non-positive duration or one above
   NOISE_MAX_SECONDS. */
uint32_t noiseFrames(double seconds, uint32_t rate);
/* The amplitude in sample units: floor(32767 * 10^(dB/20)) or floor(32767 * percent/100). */
double noiseAmplitudeDb(double db);
double noiseAmplitudePercent(double percent);

/* Sets up the streams; the same seed, colour, rate and channels give the same noise. */
void noiseInit(NoiseState *st, int colour, int channels, double amplitude, uint32_t seed, uint32_t rate);
/* Writes the next frames frames. */
void noiseBlock(NoiseState *st, short *out, size_t frames);

#ifdef __cplusplus
}
#endif

#endif
