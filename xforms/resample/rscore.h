/*
 * rscore.h - the Resample module's sample-rate converter, window-free.  A wave of n frames
 * at rate a becomes exactly round(n * b / a) frames at rate b, output frame k standing for
 * the instant k * a / b input frames after the start (no delay).
 *
 * Two stages: a linear-phase low-pass at the lower Nyquist frequency, applied by FFT blocks
 * (overlap-save) which also move the signal to an intermediate rate c = a * 2^s, chosen so
 * that c is at least four times the remaining bandwidth; then a short windowed-sinc
 * interpolator evaluates that oversampled signal at the output instants, from a table of
 * phases (exact phases when the ratio c / b has a small denominator, otherwise a finer
 * table read with linear interpolation between neighbouring phases).
 *
 * Also the in-place driver the module runs over the host's sample services.  No global
 * state; every RsState is owned by its caller.
 */
#ifndef ZELO_XFORMS_RSCORE_H
#define ZELO_XFORMS_RSCORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { RS_LOW = 1, RS_MEDIUM = 2, RS_HIGH = 3, RS_XHIGH = 4 };

#define RS_MAX_RATE 200000u

/* The quality level of the shape parameters and the direction; the pairs the program
   writes map to their level, any other pair by the first parameter alone. */
int rsLevelFromShape(unsigned first, unsigned second);

/* Frames of the result: round(frames * outRate / inRate), halves up; 0 for a rate of 0. */
uint64_t rsOutputFrames(uint32_t inRate, uint32_t outRate, uint64_t frames);

/* What a level promises: passband edge as a fraction of the lower Nyquist frequency and
   the attenuation of aliases and images in decibels (positive). */
void rsLevelFigures(int level, double *passFraction, double *rejectionDb);

typedef struct RsState RsState;

/* A converter of inFrames frames of channels (1 or 2) interleaved channels.  NULL for bad
   arguments (a rate of 0 or above RS_MAX_RATE, channels not 1 or 2) or no memory. */
RsState *rsCreate(uint32_t inRate, uint32_t outRate, int channels, int level, uint64_t inFrames);
void rsDestroy(RsState *rs);

/* Input frames the converter takes now (0 while output waits to be read or all input is in). */
size_t rsRoom(const RsState *rs);
/* Takes up to frames input frames; returns how many it took (see rsRoom). */
size_t rsPut(RsState *rs, const double *in, size_t frames);
size_t rsPut16(RsState *rs, const int16_t *in, size_t frames);

/* Up to maxFrames output frames; 0 when more input is needed or the output is complete. */
size_t rsGet(RsState *rs, double *out, size_t maxFrames);
/* The same rounded half away from zero and held to 16 bits; *clipped (may be NULL) counts
   held samples. */
size_t rsGet16(RsState *rs, int16_t *out, size_t maxFrames, unsigned long *clipped);

uint64_t rsProduced(const RsState *rs);   /* output frames delivered so far */
uint64_t rsTotal(const RsState *rs);      /* output frames there will be */

/* Figures of the design (for tests and the benchmark). */
typedef struct RsDesign {
    uint32_t blockIn;     /* input frames per FFT block */
    uint32_t blockMid;    /* intermediate samples per FFT block */
    uint32_t overlap;     /* input frames shared by neighbouring blocks, each side */
    uint32_t midTaps;     /* length of the band-limiting filter at its rate */
    uint32_t taps;        /* interpolator taps per output sample */
    uint32_t phases;      /* rows of the phase table */
    int exactPhases;      /* 1: every output instant has its own row */
} RsDesign;
void rsDescribe(const RsState *rs, RsDesign *d);

/* ---- resampling a whole wave in place ---- */

/* The wave as the driver sees it, in frames; each call returns 0 for success. */
typedef struct RsIo {
    void *user;
    int (*read)(void *user, int16_t *dst, uint32_t frame, uint32_t frames);
    int (*write)(void *user, const int16_t *src, uint32_t frame, uint32_t frames);
    int (*insertBlank)(void *user, uint32_t frame, uint32_t frames);
    int (*cut)(void *user, uint32_t frame, uint32_t frames);
    /* 0 to stop (cancelled); may be NULL */
    int (*progress)(void *user, uint64_t done, uint64_t total);
} RsIo;

enum { RS_DONE = 0, RS_CANCELLED = 1, RS_FAILED = 2, RS_BAD_ARGS = 3 };

/* Resamples frames frames from frame 0 on to outRate.  Lowering the rate writes the result
   from the front while the reading runs ahead, then cuts the tail; raising it first inserts
   the extra frames at the start, so the input lies at the end and the writing never
   overtakes the reading.  *length receives the wave's length afterwards (also after a
   cancel or failure: the caller's undo copy restores the rest), *written the result frames
   written.  Returns an RS_* code. */
int rsResampleInPlace(const RsIo *io, int channels, uint32_t inRate, uint32_t outRate, int level,
                      uint32_t frames, uint32_t *length, uint32_t *written);

#ifdef __cplusplus
}
#endif

#endif
