/*
 * fftfcore.h - the FFT Filter module's design core, window-free: a frequency response
 * curve (points of frequency in Hz and gain in decibels, as the graph control holds them)
 * turned into a linear-phase FIR filter by frequency sampling and a Kaiser window, ready for
 * the host's fast convolution.  Also the built-in presets' curves and the filter's measured
 * response, for the dialog's checks and the tests.  No global state.
 *
 * Invariants of a valid curve: 2..FFTF_MAX_POINTS points, x strictly increasing, x of the
 * first point 0.  The gain between points is straight in decibels; beyond the last point it
 * keeps the last point's gain; at or below FFTF_DB_FLOOR it is silence.
 */
#ifndef ZELO_XFORMS_FFTFCORE_H
#define ZELO_XFORMS_FFTFCORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define FFTF_MAX_POINTS 70       /* what the graph control holds */
#define FFTF_X_MAX      24000    /* Hz at the right edge of the graph */
#define FFTF_DB_FLOOR   (-100)   /* bottom of the graph: silence */
#define FFTF_DB_TOP     20       /* top of the graph */
#define FFTF_TAPS_MIN   15
#define FFTF_TAPS_MAX   65535    /* Convolute takes more, but a longer filter buys nothing */

typedef struct FftfCurve {
    int  count;
    long x[FFTF_MAX_POINTS];     /* Hz */
    long y[FFTF_MAX_POINTS];     /* dB */
} FftfCurve;

enum { FFTF_OK = 0, FFTF_NO_POINTS = 1, FFTF_NOT_RISING = 2, FFTF_ALL_SILENT = 3 };

/* FFTF_OK, or why the curve cannot make a filter: fewer than two points, x not strictly
   rising, or every gain at the floor (the filter would only silence the range). */
int fftfCheck(const FftfCurve *c);

/* Linear gain of the curve at hz (see the invariants above). */
double fftfGainAt(const FftfCurve *c, double hz);

/* The filter length for a setting: requested (made odd and held to the limits) or, for 0,
   one tenth of the sample rate, which gives transitions about 50 Hz wide. */
uint32_t fftfTaps(uint32_t rate, long requested);

/* Designs taps values (taps odd) into h: the curve sampled on a grid of at least four
   times taps points up to the Nyquist frequency of rate, made into a zero-phase impulse
   response, cut to taps values around its centre with a Kaiser window (beta 8.6) and
   shifted by (taps - 1) / 2, so the filter delays by exactly that many frames.
   Returns FFTF_OK, or fftfCheck's reason (h untouched), or -1 without memory. */
int fftfDesign(const FftfCurve *c, uint32_t rate, uint32_t taps, double *h);

/* |H| of the filter at hz (direct sum; for checks). */
double fftfResponse(const double *h, uint32_t taps, uint32_t rate, double hz);

/* The built-in presets. */
enum { FFTF_LOWPASS, FFTF_HIGHPASS, FFTF_BANDPASS, FFTF_NOTCH, FFTF_PRESETS };
const char *fftfPresetName(int which);
/* Fills the preset's curve; 0 for an unknown one. */
int fftfPresetCurve(int which, FftfCurve *c);

#ifdef __cplusplus
}
#endif

#endif
