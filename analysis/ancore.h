/*
 * ancore.h - the frequency analysis arithmetic, window-free: the spectrum of 2048 frames in
 * dB, the dominant frequency refined past the bin spacing by the phase advance between two
 * transforms one sample apart (with the sub-harmonic rules that prefer a fundamental to its
 * harmonics), and the peak-hold scan of a range.  Samples come through vocRead in the
 * store's current format; the FFT family does the transforms (window type 5).
 *
 * No global state: the caller keeps the results (AnChannel) and the work block (AnWork).
 */
#ifndef ZELO_ANCORE_H
#define ZELO_ANCORE_H

#include <stdint.h>

#define AN_POINTS  2048
#define AN_BINS    1024
#define AN_FLOOR   (-100.0f)   /* every bin while no waveform is open */

struct AnChannel {
    float  db[AN_BINS];        /* level per bin; [0] holds the largest bin's */
    double frequency;          /* dominant frequency in Hz, 0 when none */
};

/* Two transforms (FftArrays) of frames one sample apart, and the frames read. */
struct AnWork {
    float   a[2 * AN_POINTS + 2];
    float   b[2 * AN_POINTS + 2];
    uint8_t frames[(AN_POINTS + 1) * 4];
    int16_t samples[AN_POINTS + 1];
    uint8_t bytes[AN_POINTS + 1];
};

/* Frequency of one bin from its value a in the transform at p and b at p + 1. */
double anBinFrequency(double are, double aim, double bre, double bim, uint32_t rate);

/* The dominant frequency from the two transforms (1-based FftArrays of AN_POINTS values). */
double anDominant(const float *a, const float *b, uint32_t rate);

/* dB of a magnitude value (|X| / 1024): 20 log10(max(v, 1e-11)) + 10.25. */
float anDb(double v);

/* Spectrum and dominant frequency of one channel (0 left or mono, 1 right) for 2048 frames
   from `first` (frames before 0 or past the end read as silence).  Returns 0, or 1 when
   the store could not be read (the result is then the silent floor). */
int  anAnalyse(int64_t first, int channel, uint32_t rate, AnChannel *out, AnWork *w);
/* Every bin at AN_FLOOR and frequency 0: what the window shows with no waveform. */
void anSilent(AnChannel *out);

/* Scan of selStart..selEnd (selEnd all bits set: no selection) for one channel: peak-hold of
   the magnitudes of transforms every step frames.  step(ctx, done, total) reports progress
   and returns nonzero once cancelled; the peaks so far are kept.  Returns the transforms run. */
struct AnScanRange {
    int64_t  first;            /* first transform's first frame */
    int64_t  end;              /* transforms start below this */
    uint32_t step;
    uint32_t total;            /* progress total */
};
void anScanRange(uint32_t selStart, uint32_t selEnd, AnScanRange *r);
uint32_t anScan(uint32_t selStart, uint32_t selEnd, int channel, AnChannel *out, AnWork *w,
                int (*step)(void *ctx, uint32_t done, uint32_t total), void *ctx);

/* The cursor read-outs' arithmetic: frequency under x in a graph from left to right, cut to
   the display step, and the bin whose level is shown. */
double anCursorFrequency(int x, int left, int right, uint32_t rate);
int    anCursorBin(int x, int left, int right);
/* Graph mapping: x of bin k and y of a level in a frame of the given size. */
int anBinX(int left, int width, int k);
int anLevelY(int top, int bottom, double db);

#endif
