/*
 * fadecore.h - the Fade module's curves, window-free: the gain of a fade in at a position
 * 0..1 for the linear, logarithmic (straight in decibels over 60 dB) and S-shaped curves,
 * and a block of interleaved 16-bit frames faded in or out over a range.  Every curve is
 * 0 at its start, 1 at its end and never falls in between.  No global state.
 */
#ifndef ZELO_XFORMS_FADECORE_H
#define ZELO_XFORMS_FADECORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { FADE_LINEAR = 0, FADE_LOG = 1, FADE_SCURVE = 2, FADE_SHAPES = 3 };
enum { FADE_IN = 0, FADE_OUT = 1 };

/* Gain of a fade in at t (held to 0..1); an unknown shape is linear. */
double fadeGain(int shape, double t);

/* Fades frames interleaved frames in place; first is the index of samples[0] within the
   range of total frames: a fade in starts at 0 on the range's first frame and leaves the
   last frame as it was, a fade out the reverse. */
void fadeBlock(short *samples, size_t frames, int channels, int shape, int direction,
               uint32_t first, uint32_t total);

#ifdef __cplusplus
}
#endif

#endif
