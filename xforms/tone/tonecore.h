/*
 * tonecore.h - the Tone generator's waveforms, window-free: sine, square, triangle and
 * sawtooth at a frequency and amplitude, written as interleaved 16-bit frames, and the
 * number of frames a duration takes at a rate.  No global state: every frame's phase is
 * computed from its index, so blocks may be generated in any order and size.
 */
#ifndef ZELO_XFORMS_TONECORE_H
#define ZELO_XFORMS_TONECORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { TONE_SINE = 0, TONE_SQUARE = 1, TONE_TRIANGLE = 2, TONE_SAWTOOTH = 3, TONE_SHAPES = 4 };

#define TONE_MAX_SECONDS 3600.0

/* Frames of a duration at a rate, rounded to the nearest frame; 0 for a negative or
   absurd duration, at most TONE_MAX_SECONDS worth. */
uint32_t toneFrames(double seconds, uint32_t rate);

/* One period's value at phase 0 <= phase < 1, from -1 to 1; every shape starts at 0 (the
   square at +1) and rises.  An unknown shape gives a sine. */
double toneWave(int shape, double phase);

/* Writes frames frames of the tone into out, every channel the same; first is the index
   of out's first frame from the tone's start; amplitude in percent of full scale. */
void toneBlock(short *out, size_t frames, int channels, int shape, double frequency,
               double amplitude, uint32_t rate, uint32_t first);

#ifdef __cplusplus
}
#endif

#endif
