/*
 * stretchcore.h - the Stretch module's sample core, window-free: tempo without pitch by
 * WSOLA (windowed overlap-add, each new segment taken where it best continues the last
 * one), pitch without tempo (WSOLA stretch by the factor, then resampling back by the same
 * factor) and both together (resampling alone), over a stream of interleaved 16-bit frames,
 * so a range of any length passes through a few kilobytes of buffers.
 *
 * The resampler is a windowed-sinc interpolator (16 zero crossings each side, Kaiser
 * window, cut-off below the lower of the two Nyquist frequencies).
 *
 * Output lengths: tempo and rate make n frames into round(n / factor) (halves rounded up,
 * never 0 out of 1 or more); pitch keeps n.  A factor of exactly 1 copies.  No global state; a StretchCore is one run.
 */
#ifndef ZELO_XFORMS_STRETCHCORE_H
#define ZELO_XFORMS_STRETCHCORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { STRETCH_TEMPO = 0, STRETCH_PITCH = 1, STRETCH_RATE = 2, STRETCH_MODES = 3 };
enum { STRETCH_PERCENT = 0, STRETCH_SEMITONES = 1 };

#define STRETCH_FACTOR_MIN 0.25
#define STRETCH_FACTOR_MAX 4.0

/* The factor of a ratio in percent (125 -> 1.25) or semitones (12 -> 2). */
double stretchFactorOf(int unit, double value);
/* 1 when the factor is one Stretch accepts (25 % .. 400 %, within rounding). */
int stretchFactorOk(double factor);

/* Frames out of in frames (see the header comment). */
uint64_t stretchOutputFrames(int mode, double factor, uint64_t in);

typedef struct StretchSetup {
    int      mode;        /* STRETCH_* */
    double   factor;      /* speed (tempo, rate) or frequency (pitch) factor, 0.25..4 */
    int      channels;    /* 1 or 2 */
    uint32_t rate;        /* Hz, for the lengths below */
    double   windowMs;    /* WSOLA segment; 0: 82 ms */
    double   overlapMs;   /* cross-fade between segments; 0: 12 ms (at most half the window) */
    double   searchMs;    /* how far either way a segment may move; 0: 15 ms */
} StretchSetup;

/* The three lengths in frames that a setup comes to. */
void stretchLengths(const StretchSetup *s, int *window, int *overlap, int *search);

typedef struct StretchCore StretchCore;

/* A run over inFrames frames; NULL for a bad setup or without memory. */
StretchCore *stretchCreate(const StretchSetup *s, uint64_t inFrames);
void stretchFree(StretchCore *core);
/* Frames the run will produce in all. */
uint64_t stretchTotalOut(const StretchCore *core);
/* Input frames not yet pushed. */
uint64_t stretchWant(const StretchCore *core);
/* Hands over the next n input frames (never more than stretchWant); 0 ok, -1 no memory. */
int stretchPush(StretchCore *core, const short *frames, size_t n);
/* Up to max output frames that are ready; 0 when more input is needed (or all is out). */
size_t stretchPull(StretchCore *core, short *out, size_t max);

#ifdef __cplusplus
}
#endif

#endif
