/*
 * placeholder until the FFT engine lands
 *
 * fft_placeholder.cpp - a plain implementation of the FFT calls declared in view/fftcalls.h,
 * enough for the spectral view, the analysis window and their tests.  State: one window
 * table (type, length, N/2 weights by distance from the centre).
 */
#include "view/fftcalls.h"

#include <math.h>
#include <stdlib.h>

namespace {
struct WindowTable {
    short type;          /* selected by SetWindowType */
    short builtType;     /* type and length the weights were made for */
    int   builtN;
    float *weights;      /* N/2 weights; sample N/2-1-k and N/2+k share weight k */
};
WindowTable Win;

void buildWindow(int n)
{
    free(Win.weights);
    Win.weights = NULL;
    Win.builtN = 0;
    if (n <= 0)
        return;
    int m = n / 2;
    Win.weights = (float *)malloc(sizeof(float) * (size_t)m);
    if (!Win.weights)
        return;
    const long double twoPi = 6.2831854820251465L;
    for (int k = 0; k < m; k++) {
        int j = m - 1 - k;            /* the left-half sample this weight belongs to */
        long double x = twoPi * j / n, w;
        switch (Win.type) {
        case 0: w = 1.0L - (long double)k / (m + 1); break;
        case 1: w = 0.5001L - 0.4999L * cosl(x); break;
        case 2: w = 0.54L - 0.46L * cosl(x); break;
        case 3: w = 0.42L - 0.5L * cosl(x) + 0.08L * cosl(2 * x); break;
        case 4: { long double c = cosl(3.14159265358979323846L * k / n); w = c * c; break; }
        default: w = 0.35875L - 0.48829L * cosl(x) + 0.14128L * cosl(2 * x) - 0.01168L * cosl(3 * x); break;
        }
        Win.weights[k] = (float)w;
    }
    Win.builtN = n;
    Win.builtType = Win.type;
}
} // namespace

extern "C" {

short ZELOAPI SetWindowType(short type)
{
    if (type < 0)
        return 0;
    Win.type = type;
    return type;
}

void ZELOAPI WindowFFT(float *data, short n, short stereo)
{
    if (n <= 0) {
        buildWindow(0);
        return;
    }
    if (Win.builtN != n || Win.builtType != Win.type || !Win.weights)
        buildWindow(n);
    if (!Win.weights)
        return;
    int m = n / 2;
    for (int k = 0; k < m; k++) {
        float w = Win.weights[k];
        int lo = m - 1 - k, hi = m + k;
        data[2 * lo + 1] *= w;
        data[2 * hi + 1] *= w;
        if (stereo) {
            data[2 * lo + 2] *= w;
            data[2 * hi + 2] *= w;
        }
    }
}

void ZELOAPI IWindowFFT(float *data, short stereo)
{
    if (!Win.weights)
        return;
    int m = Win.builtN / 2;
    for (int k = 0; k < m; k++) {
        float w = Win.weights[k];
        int lo = m - 1 - k, hi = m + k;
        data[2 * lo + 1] /= w;
        data[2 * hi + 1] /= w;
        if (stereo) {
            data[2 * lo + 2] /= w;
            data[2 * hi + 2] /= w;
        }
    }
}

void ZELOAPI FFT(float *data, short nn, short sign)
{
    int n = 2 * (int)nn;
    for (int i = 1, j = 1; i < n; i += 2) {
        if (j > i) {
            float t = data[j]; data[j] = data[i]; data[i] = t;
            t = data[j + 1]; data[j + 1] = data[i + 1]; data[i + 1] = t;
        }
        int m = nn;
        while (m >= 2 && j > m) {
            j -= m;
            m >>= 1;
        }
        j += m;
    }
    for (int mmax = 2; n > mmax;) {
        int step = 2 * mmax;
        double theta = 6.2831854820251465 / (mmax * (double)sign);
        double t = sin(0.5 * theta), c = 1.0 - 2.0 * t * t, s = sin(theta);
        double wr = 1.0, wi = 0.0;
        for (int m = 1; m < mmax; m += 2) {
            float fr = (float)wr, fi = (float)wi;
            for (int i = m; i <= n; i += step) {
                int j = i + mmax;
                float tr = fr * data[j] - fi * data[j + 1];
                float ti = fr * data[j + 1] + fi * data[j];
                data[j] = data[i] - tr;
                data[j + 1] = data[i + 1] - ti;
                data[i] += tr;
                data[i + 1] += ti;
            }
            double w = wr;
            wr = w * c - wi * s;
            wi = wi * c + w * s;
        }
        mmax = step;
    }
}

void ZELOAPI SetFFT16bit(float *data, const int16_t *samples, short n)
{
    data[0] = 0;
    for (int j = 0; j < n; j++) {
        data[2 * j + 1] = samples[j] * (1.0f / 32768.0f);
        data[2 * j + 2] = 0;
    }
}

void ZELOAPI SetFFT8bit(float *data, const uint8_t *samples, short n)
{
    data[0] = 0;
    for (int j = 0; j < n; j++) {
        data[2 * j + 1] = ((int)samples[j] - 128) * (1.0f / 128.0f);
        data[2 * j + 2] = 0;
    }
}

void ZELOAPI SetStereoFFT16bitInterleaved(float *data, const int16_t *frames, short n)
{
    data[0] = 0;
    for (int j = 0; j < n; j++) {
        data[2 * j + 1] = frames[2 * j] * (1.0f / 32768.0f);
        data[2 * j + 2] = frames[2 * j + 1] * (1.0f / 32768.0f);
    }
}

void ZELOAPI SetStereoFFT8bitInterleaved(float *data, const uint8_t *frames, short n)
{
    data[0] = 0;
    for (int j = 0; j < n; j++) {
        data[2 * j + 1] = ((int)frames[2 * j] - 128) * (1.0f / 128.0f);
        data[2 * j + 2] = ((int)frames[2 * j + 1] - 128) * (1.0f / 128.0f);
    }
}

} // extern "C"
