/*
 * fftcalls.h - the exported FFT family as the spectral view and the analysis window call it
 * (SetWindowType, WindowFFT, FFT and the sample conversions): the signal-analysis engine's
 * own declarations.
 */
#ifndef ZELO_FFTCALLS_H
#define ZELO_FFTCALLS_H

#include "dsp/dsp.h"

#endif
