/*
 * fftcalls.h - the exported FFT family as the spectral view and the analysis window call it:
 * PCM into a 1-based complex float array (index 0 unused, value j at 2j+1 and 2j+2), the
 * analysis window applied in place, and the power-of-two complex FFT.  N counts complex
 * values (sample frames).  The family keeps one process-wide window table; call it from the
 * user-interface thread only.
 */
#ifndef ZELO_FFTCALLS_H
#define ZELO_FFTCALLS_H

#include "os/os.h"

#ifdef __cplusplus
extern "C" {
#endif
/* Window type for later WindowFFT calls (0 triangular ... 5 four-term Blackman-Harris);
   returns the type, 0 for a negative one. */
short ZELOAPI SetWindowType(short type);
/* Multiplies the data by the window (N even): real parts only when stereo is 0. */
void ZELOAPI WindowFFT(float *data, short n, short stereo);
/* Divides by the last window built, undoing WindowFFT. */
void ZELOAPI IWindowFFT(float *data, short stereo);
/* In-place complex FFT of n (a power of two) values; sign +1 computes sum x e^(+2 pi i jk/N). */
void ZELOAPI FFT(float *data, short n, short sign);
/* Real parts from the samples (16-bit / 32768, 8-bit (b - 128) / 128), imaginary parts 0. */
void ZELOAPI SetFFT16bit(float *data, const int16_t *samples, short n);
void ZELOAPI SetFFT8bit(float *data, const uint8_t *samples, short n);
/* Real parts from the first sample of each frame, imaginary parts from the second. */
void ZELOAPI SetStereoFFT16bitInterleaved(float *data, const int16_t *frames, short n);
void ZELOAPI SetStereoFFT8bitInterleaved(float *data, const uint8_t *frames, short n);
#ifdef __cplusplus
}
#endif

#endif
