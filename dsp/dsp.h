/*
 * dsp.h - the signal-analysis engine: the FFT family over FftArrays (PCM in and out, the
 * analysis windows, the power-of-two FFT), the mixed-radix LFFT and the fast convolution
 * service.  Plug-ins reach all of them through their table of host services; the frequency
 * analysis window and the spectral view call them directly.
 *
 * Window-free: memory, messages and debug lines go through os/.  Process-wide state: Dsp
 * (the window table, the cached FFT and LFFT tables, the progress hooks).  Everything runs on
 * the user-interface thread.  FftArray: 1-based floats, complex value j at [2j+1] (real) and
 * [2j+2] (imaginary), so a length of N takes 2N + 1 floats.
 */
#ifndef ZELO_DSP_H
#define ZELO_DSP_H

#include "os/os.h"

/* The weights of the last built analysis window: N/2 floats, weight[k] belonging to samples
   N/2 - 1 - k and N/2 + k (see WindowFFT). */
struct DspWindowTable {
    short  type;        /* the type SetWindowType chose; 0 at start */
    int    n;           /* length the table was built for; 0 when none */
    short  builtType;   /* the type it was built with */
    float *weight;      /* n / 2 weights, NULL when none */
};

/* What the program plugs in for Convolute's progress meter (all may be NULL: no meter). */
struct DspHooks {
    void (*progressOpen)(const char *title);        /* meter owned by the main window */
    int  (*step)(uint32_t done, uint32_t total);    /* nonzero once the user cancelled */
    int  (*cancelled)(void);                        /* the meter's Cancel was pressed */
    void (*progressClose)(void);
};

struct DspFftPlan;   /* fft.cpp: bit-reversal swaps and twiddles of one power-of-two length */
struct DspLfftPlan;  /* lfft.cpp: factors, twiddles and permutation of one length */

struct DspState {
    DspWindowTable window;     /* written by SetWindowType / WindowFFT */
    DspFftPlan    *fftPlan[16];/* by log2 N, built on first use of that length */
    DspLfftPlan   *lfftPlan;   /* the last LFFT length's tables */
    DspHooks       hook;       /* assigned by the program at start-up */
};
extern DspState Dsp;

/* Frees the window table and the cached tables (at exit; the calls rebuild them on use). */
void dspShutdown(void);
void dspLfftShutdown(void);   /* the LFFT half of it (lfft.cpp) */
/* Builds LFFT's tables for length n ahead of use; 0 when there is no memory for them. */
int  dspLfftPrepare(int32_t n);
/* LFFT's passes for length n in order (at most max of them); returns their number, or -1
   without memory.  *limited is set when the result is not put in order. */
int  dspLfftFactors(int32_t n, int *factor, int max, int *limited);

/* Reading and writing callbacks of Convolute, in the manner of vocRead / vocWriteAt:
   (buffer, byte position, byte count), 0 for success. */
typedef short (ZELOAPI *DspReadFn)(void *dst, int32_t offset, uint32_t count);
typedef short (ZELOAPI *DspWriteFn)(const void *src, int32_t offset, uint32_t count);

/* The block length Convolute chooses for a filter of `taps` values (256 .. 262144). */
uint32_t convBlockLength(uint32_t taps);
#define CONV_MAX_TAPS 209715u

#ifdef __cplusplus
extern "C" {
#endif

/* Sets the window type of later WindowFFT calls (0 triangular, 1 Hanning, 2 Hamming,
   3 Blackman, 4 cosine squared, 5 four-term Blackman-Harris; other types weigh 1).
   Returns the type, or 0 (and chooses 0) for a negative type. */
short ZELOAPI SetWindowType(short type);
/* Multiplies the first n complex values by the window, building the table when n or the
   type changed.  Real parts only when stereo is 0, both parts otherwise.  n = 0 frees the
   table; a negative or odd n does nothing. */
void  ZELOAPI WindowFFT(float *data, short n, short stereo);
/* Divides by the weights of the last built table (its length, same flag); nothing without one. */
void  ZELOAPI IWindowFFT(float *data, short stereo);
/* In-place complex FFT of n values, n a power of two: sign +1 gives sum x_k e^{+2 pi i jk/n},
   a negative sign the opposite exponent; no scaling.  Any other n leaves the data alone. */
void  ZELOAPI FFT(float *data, short n, short sign);

/* PCM into an FftArray (index 0 set to 0; 16-bit s as s / 32768, 8-bit b as (b - 128) / 128).
   A length of 0 or less writes only index 0. */
void  ZELOAPI SetFFT16bit(float *data, const void *samples, short n);
void  ZELOAPI SetFFT8bit(float *data, const void *samples, short n);
void  ZELOAPI SetStereoFFT16bit(float *data, const void *left, const void *right, short n);
void  ZELOAPI SetStereoFFT8bit(float *data, const void *left, const void *right, short n);
void  ZELOAPI SetStereoFFT16bitInterleaved(float *data, const void *frames, short n);
void  ZELOAPI SetStereoFFT8bitInterleaved(float *data, const void *frames, short n);
/* Back to interleaved stereo PCM after a backward FFT, scaled by 32768 / n (128 / n).
   Mode 0 stores the values limited to -32767 .. 32767 (0 .. 255 with the 128 offset); mode 1
   subtracts them from what the destination holds, unlimited (low 16 / 8 bits).  Other modes
   do nothing. */
void  ZELOAPI GetStereoFFT16bitInterleaved(float *data, void *frames, short n, short mode);
void  ZELOAPI GetStereoFFT8bitInterleaved(float *data, void *frames, short n, short mode);

/* In-place complex FFT of any length n over separate real and imaginary arrays of doubles.
   sign +1 gives sum x_k e^{-2 pi i jk/n}, -1 the opposite; no scaling.  n <= 1 does nothing.
   When the product of the square-free factors exceeds 210 the result is not put in order
   (debug line "permute:: ..."); when such a length also has a factor above 210 the data
   are left untouched. */
void  ZELOAPI LFFT(double *re, double *im, int32_t n, short sign);

/* Fast convolution of the frames first..last through read / write (16-bit material; 8-bit
   callers pass the 8-to-16 sample calls).  channels 1 or 2; blockAlign 2 * channels (low 16
   bits); filter: a handle of doubles (see convolute.cpp for the layouts by mode), taps
   values long (limited to 209715); the output for input frame p goes to frame p - delay;
   title non-NULL opens a progress meter with Cancel.  Returns 1 when done or cancelled,
   0 on bad arguments, no memory ("Not enough memory to continue operation") or a failed
   read or write. */
short ZELOAPI Convolute(short channels, uint32_t blockAlign, uint32_t first, uint32_t last,
                        uint32_t mix, short mode, void *filter, uint32_t taps, int32_t delay,
                        const char *title, DspReadFn read, DspWriteFn write);

#ifdef __cplusplus
}
#endif

#endif
