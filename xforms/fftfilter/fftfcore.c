/*
 * fftfcore.c - the FFT Filter's curve-to-filter design (see fftfcore.h).  The inverse
 * transform of the sampled response is a plain radix-2 one of its own: the core builds
 * natively without the host, and one transform per run costs nothing next to the
 * convolution.  No global state; the work arrays live for one call.
 */
#include "xforms/fftfilter/fftfcore.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#define FFTF_PI 3.14159265358979323846
#define FFTF_BETA 8.6

int fftfCheck(const FftfCurve *c)
{
    int i, audible = 0;
    if (!c || c->count < 2 || c->count > FFTF_MAX_POINTS)
        return FFTF_NO_POINTS;
    for (i = 0; i < c->count; i++) {
        if (i > 0 && c->x[i] <= c->x[i - 1])
            return FFTF_NOT_RISING;
        if (c->y[i] > FFTF_DB_FLOOR)
            audible = 1;
    }
    return audible ? FFTF_OK : FFTF_ALL_SILENT;
}

static double gainOfDb(double db)
{
    return db <= FFTF_DB_FLOOR ? 0.0 : pow(10.0, db / 20.0);
}

double fftfGainAt(const FftfCurve *c, double hz)
{
    int i;
    if (c->count < 1)
        return 0.0;
    if (hz <= c->x[0])
        return gainOfDb(c->y[0]);
    for (i = 1; i < c->count; i++)
        if (hz <= c->x[i]) {
            double x0 = c->x[i - 1], x1 = c->x[i];
            double db = c->y[i - 1] + (c->y[i] - c->y[i - 1]) * (hz - x0) / (x1 - x0);
            return gainOfDb(db);
        }
    return gainOfDb(c->y[c->count - 1]);
}

uint32_t fftfTaps(uint32_t rate, long requested)
{
    long t = requested > 0 ? requested : (long)(rate / 10);
    if (t < FFTF_TAPS_MIN)
        t = FFTF_TAPS_MIN;
    if (t > FFTF_TAPS_MAX)
        t = FFTF_TAPS_MAX;
    return (uint32_t)(t | 1);
}

/* In-place complex transform of n (a power of two) values, sign +1 for e^{+i...}. */
static void fft(double *re, double *im, size_t n, int sign)
{
    size_t i, j, len;
    for (i = 1, j = 0; i < n; i++) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) {
            double t = re[i]; re[i] = re[j]; re[j] = t;
            t = im[i]; im[i] = im[j]; im[j] = t;
        }
    }
    for (len = 2; len <= n; len <<= 1) {
        double a = sign * 2.0 * FFTF_PI / (double)len;
        size_t half = len / 2, k;
        for (k = 0; k < half; k++) {
            double wr = cos(a * (double)k), wi = sin(a * (double)k);
            for (i = k; i < n; i += len) {
                size_t m = i + half;
                double xr = re[m] * wr - im[m] * wi, xi = re[m] * wi + im[m] * wr;
                re[m] = re[i] - xr;
                im[m] = im[i] - xi;
                re[i] += xr;
                im[i] += xi;
            }
        }
    }
}

/* Modified Bessel function of the first kind, order 0 (its power series). */
static double besselI0(double x)
{
    double sum = 1.0, term = 1.0, q = x * x / 4.0;
    int k;
    for (k = 1; k < 200 && term > sum * 1e-17; k++) {
        term *= q / ((double)k * k);
        sum += term;
    }
    return sum;
}

int fftfDesign(const FftfCurve *c, uint32_t rate, uint32_t taps, double *h)
{
    size_t K = 1024, k;
    double *re, *im, norm;
    long D, m;
    int why = fftfCheck(c);
    if (why != FFTF_OK)
        return why;
    if (rate == 0 || taps == 0 || !(taps & 1))
        return -1;
    while (K < 4 * (size_t)taps)
        K *= 2;
    re = (double *)calloc(K, sizeof *re);
    im = (double *)calloc(K, sizeof *im);
    if (!re || !im) {
        free(re);
        free(im);
        return -1;
    }
    for (k = 0; k <= K / 2; k++) {
        double g = fftfGainAt(c, (double)k * rate / (double)K);
        re[k] = g;
        if (k > 0 && k < K / 2)
            re[K - k] = g;
    }
    fft(re, im, K, 1);
    D = (long)(taps - 1) / 2;
    norm = besselI0(FFTF_BETA);
    /* The response is real and even, so h is too: both halves from their mean keep the
       phase exactly linear. */
    for (m = 0; m <= D; m++) {
        double r = D ? (double)m / (double)D : 0.0;
        double w = besselI0(FFTF_BETA * sqrt(1.0 - r * r)) / norm;
        double v = m ? (re[m] + re[K - (size_t)m]) * 0.5 : re[0];
        h[D + m] = h[D - m] = v / (double)K * w;
    }
    free(re);
    free(im);
    return FFTF_OK;
}

double fftfResponse(const double *h, uint32_t taps, uint32_t rate, double hz)
{
    double sr = 0, si = 0, w = 2.0 * FFTF_PI * hz / rate;
    uint32_t n;
    for (n = 0; n < taps; n++) {
        sr += h[n] * cos(w * n);
        si -= h[n] * sin(w * n);
    }
    return sqrt(sr * sr + si * si);
}

/* ---- the built-in presets ---- */

typedef struct Preset {
    const char *name;
    int count;
    long xy[12];
} Preset;

static const Preset Presets[FFTF_PRESETS] = {
    {"Low-pass 1000 Hz", 4, {0, 0, 1000, 0, 1200, FFTF_DB_FLOOR, FFTF_X_MAX, FFTF_DB_FLOOR}},
    {"High-pass 500 Hz", 4, {0, FFTF_DB_FLOOR, 400, FFTF_DB_FLOOR, 500, 0, FFTF_X_MAX, 0}},
    {"Band-pass 300-3000 Hz", 6,
     {0, FFTF_DB_FLOOR, 200, FFTF_DB_FLOOR, 300, 0, 3000, 0, 3300, FFTF_DB_FLOOR, FFTF_X_MAX, FFTF_DB_FLOOR}},
    {"Notch 1000 Hz", 5, {0, 0, 900, 0, 1000, FFTF_DB_FLOOR, 1100, 0, FFTF_X_MAX, 0}},
};

const char *fftfPresetName(int which)
{
    return which >= 0 && which < FFTF_PRESETS ? Presets[which].name : NULL;
}

int fftfPresetCurve(int which, FftfCurve *c)
{
    int i;
    if (which < 0 || which >= FFTF_PRESETS)
        return 0;
    memset(c, 0, sizeof *c);
    c->count = Presets[which].count;
    for (i = 0; i < c->count; i++) {
        c->x[i] = Presets[which].xy[2 * i];
        c->y[i] = Presets[which].xy[2 * i + 1];
    }
    return 1;
}
