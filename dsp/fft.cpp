/*
 * fft.cpp - the FFT family over FftArrays: PCM in and out, the analysis windows and the
 * power-of-two complex FFT.
 *
 * Writes Dsp.window (SetWindowType, WindowFFT) and Dsp.fftPlan (FFT, on first use of a
 * length).  Invariants: Dsp.window.weight holds Dsp.window.n / 2 weights exactly when
 * Dsp.window.n > 0; a plan, once built, is never changed until dspShutdown.
 * The FFT computes the radix-2 decimation-in-time transform with exact (double-computed)
 * twiddles and SSE2 where the compiler offers it; it equals the textbook recurrence to
 * single-precision rounding, and is closer to the exact transform.
 */
#include "dsp/dsp.h"

#include <math.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#define FFT_SSE 1
#endif

DspState Dsp;

/* ---- PCM in ---- */

static inline float from16(const void *p, long i) { return (float)((const int16_t *)p)[i] * (1.0f / 32768.0f); }
static inline float from8(const void *p, long i) { return (float)((int)((const uint8_t *)p)[i] - 128) * (1.0f / 128.0f); }

void ZELOAPI SetFFT16bit(float *data, const void *samples, short n)
{
    data[0] = 0;
    for (long j = 0; j < n; j++) {
        data[2 * j + 1] = from16(samples, j);
        data[2 * j + 2] = 0;
    }
}

void ZELOAPI SetFFT8bit(float *data, const void *samples, short n)
{
    data[0] = 0;
    for (long j = 0; j < n; j++) {
        data[2 * j + 1] = from8(samples, j);
        data[2 * j + 2] = 0;
    }
}

void ZELOAPI SetStereoFFT16bit(float *data, const void *left, const void *right, short n)
{
    data[0] = 0;
    for (long j = 0; j < n; j++) {
        data[2 * j + 1] = from16(left, j);
        data[2 * j + 2] = from16(right, j);
    }
}

void ZELOAPI SetStereoFFT8bit(float *data, const void *left, const void *right, short n)
{
    data[0] = 0;
    for (long j = 0; j < n; j++) {
        data[2 * j + 1] = from8(left, j);
        data[2 * j + 2] = from8(right, j);
    }
}

void ZELOAPI SetStereoFFT16bitInterleaved(float *data, const void *frames, short n)
{
    data[0] = 0;
    for (long j = 0; j < 2L * n; j++)
        data[j + 1] = from16(frames, j);
}

void ZELOAPI SetStereoFFT8bitInterleaved(float *data, const void *frames, short n)
{
    data[0] = 0;
    for (long j = 0; j < 2L * n; j++)
        data[j + 1] = from8(frames, j);
}

/* ---- PCM out ---- */

/* Truncation toward zero as the x87 store does it: out of the 32-bit range (or NaN) gives
   0x80000000, whose low bits are 0. */
static inline int32_t truncate32(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN;
    return (int32_t)v;
}

static inline double limit(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

void ZELOAPI GetStereoFFT16bitInterleaved(float *data, void *frames, short n, short mode)
{
    if (n <= 0 || (mode != 0 && mode != 1))
        return;
    int16_t *out = (int16_t *)frames;
    double scale = 32768.0 / n;
    for (long j = 0; j < 2L * n; j++) {
        double v = (double)data[j + 1] * scale;
        if (mode == 0)
            out[j] = (int16_t)(v != v ? 0 : (int32_t)limit(v, -32767.0, 32767.0));
        else
            out[j] = (int16_t)(uint16_t)(uint32_t)truncate32((double)out[j] - v);
    }
}

void ZELOAPI GetStereoFFT8bitInterleaved(float *data, void *frames, short n, short mode)
{
    if (n <= 0 || (mode != 0 && mode != 1))
        return;
    uint8_t *out = (uint8_t *)frames;
    double scale = 128.0 / n;
    for (long j = 0; j < 2L * n; j++) {
        double v = (double)data[j + 1] * scale;
        if (mode == 0)
            out[j] = (uint8_t)(v != v ? 128 : (int32_t)limit(v + 128.0, 0.0, 255.0));
        else
            out[j] = (uint8_t)(uint32_t)truncate32((double)out[j] - v);
    }
}

/* ---- windows ---- */

short ZELOAPI SetWindowType(short type)
{
    Dsp.window.type = type < 0 ? 0 : type;
    return Dsp.window.type;
}

static void freeWindow(void)
{
    osFree(Dsp.window.weight);
    Dsp.window.weight = NULL;
    Dsp.window.n = 0;
}

/* Weight of sample j (< n/2) by type; types 0 and 4 are by the distance k = m - 1 - j from
   the centre.  2 pi is the single-precision value the weights have always used. */
static float weightOf(int type, int n, int j)
{
    const long double twoPi = 6.2831854820251465L;
    long double m = n / 2, k = m - 1 - j;
    long double x = twoPi * j / n;
    switch (type) {
    case 0: return (float)(1.0L - k / (m + 1));
    case 1: return (float)((long double)0.5001 - (long double)0.4999 * cosl(x));
    case 2: return (float)((long double)0.54 - (long double)0.46 * cosl(x));
    case 3: return (float)((long double)0.42 - 0.5L * cosl(x) + (long double)0.08 * cosl(2 * x));
    case 4: { long double c = cosl(twoPi / 2 * k / n); return (float)(c * c); }
    case 5: return (float)((long double)0.35875 - (long double)0.48829 * cosl(x) +
                           (long double)0.14128 * cosl(2 * x) - (long double)0.01168 * cosl(3 * x));
    default: return 1.0f;
    }
}

static int buildWindow(int n)
{
    if (Dsp.window.weight && Dsp.window.n == n && Dsp.window.builtType == Dsp.window.type)
        return 1;
    freeWindow();
    float *w = (float *)osAlloc((size_t)(n / 2) * sizeof(float));
    if (!w)
        return 0;
    int m = n / 2;
    for (int j = 0; j < m; j++)
        w[m - 1 - j] = weightOf(Dsp.window.type, n, j);
    Dsp.window.weight = w;
    Dsp.window.n = n;
    Dsp.window.builtType = Dsp.window.type;
    return 1;
}

/* Multiplies (or divides) sample j by weight[|j - m + 0.5| - 0.5]. */
static void applyWindow(float *data, int n, short stereo, int divide)
{
    const float *w = Dsp.window.weight;
    int m = n / 2;
    for (int j = 0; j < n; j++) {
        float g = w[j < m ? m - 1 - j : j - m];
        float *v = &data[2 * j + 1];
        if (divide) {
            v[0] /= g;
            if (stereo)
                v[1] /= g;
        } else {
            v[0] *= g;
            if (stereo)
                v[1] *= g;
        }
    }
}

void ZELOAPI WindowFFT(float *data, short n, short stereo)
{
    if (n == 0) {
        freeWindow();
        return;
    }
    if (n < 0 || (n & 1) || !buildWindow(n))
        return;
    applyWindow(data, n, stereo, 0);
}

void ZELOAPI IWindowFFT(float *data, short stereo)
{
    if (Dsp.window.weight && Dsp.window.n > 0)
        applyWindow(data, Dsp.window.n, stereo, 1);
}

/* ---- the power-of-two FFT ---- */

/* Tables of one length n = 2^bits: the bit-reversal swaps, and for every pass of half-size
   h >= 4 its h twiddles e^{i pi t/h} at float offset 2h of cosDup / sinDup, each value
   twice so that one SSE register holds the twiddles of two neighbouring butterflies. */
struct DspFftPlan {
    int       n;
    uint32_t  swaps;      /* pairs in swap */
    uint32_t *swap;       /* complex indices i < j, two per pair */
    float    *cosDup;
    float    *sinDup;
};

static DspFftPlan *buildPlan(int bits)
{
    int n = 1 << bits;
    DspFftPlan *p = (DspFftPlan *)osAlloc(sizeof *p);
    if (!p)
        return NULL;
    memset(p, 0, sizeof *p);
    p->n = n;
    p->swap = (uint32_t *)osAlloc((size_t)n * sizeof(uint32_t));
    p->cosDup = (float *)osAlloc((size_t)4 * n * sizeof(float));
    p->sinDup = (float *)osAlloc((size_t)4 * n * sizeof(float));
    if (!p->swap || !p->cosDup || !p->sinDup) {
        osFree(p->swap);
        osFree(p->cosDup);
        osFree(p->sinDup);
        osFree(p);
        return NULL;
    }
    for (uint32_t i = 0; i < (uint32_t)n; i++) {
        uint32_t r = 0;
        for (int b = 0; b < bits; b++)
            r |= ((i >> b) & 1u) << (bits - 1 - b);
        if (i < r) {
            p->swap[2 * p->swaps] = i;
            p->swap[2 * p->swaps + 1] = r;
            p->swaps++;
        }
    }
    const double pi = 3.14159265358979323846;
    for (int h = 4; h < n; h *= 2)
        for (int t = 0; t < h; t++) {
            float c = (float)cos(pi * t / h), s = (float)sin(pi * t / h);
            p->cosDup[2 * h + 2 * t] = p->cosDup[2 * h + 2 * t + 1] = c;
            p->sinDup[2 * h + 2 * t] = p->sinDup[2 * h + 2 * t + 1] = s;
        }
    return p;
}

static void freePlans(void)
{
    for (int b = 0; b < 16; b++) {
        DspFftPlan *p = Dsp.fftPlan[b];
        if (p) {
            osFree(p->swap);
            osFree(p->cosDup);
            osFree(p->sinDup);
            osFree(p);
            Dsp.fftPlan[b] = NULL;
        }
    }
}

/* The recurrence itself, used when no table could be had (no memory). */
static void fftRecurrence(float *data, long nn, int sign)
{
    long n = nn << 1, j = 1;
    for (long i = 1; i < n; i += 2) {
        if (j > i) {
            float t = data[j]; data[j] = data[i]; data[i] = t;
            t = data[j + 1]; data[j + 1] = data[i + 1]; data[i + 1] = t;
        }
        long m = nn;
        while (m >= 2 && j > m) {
            j -= m;
            m >>= 1;
        }
        j += m;
    }
    long mmax = 2;
    while (n > mmax) {
        long step = mmax << 1;
        double theta = 6.28318530717959 / (mmax * sign);
        double wtemp = sin(0.5 * theta), wpr = -2.0 * wtemp * wtemp, wpi = sin(theta);
        double wr = 1.0, wi = 0.0;
        for (long m = 1; m < mmax; m += 2) {
            for (long i = m; i <= n; i += step) {
                long k = i + mmax;
                double tr = wr * data[k] - wi * data[k + 1];
                double ti = wr * data[k + 1] + wi * data[k];
                data[k] = (float)(data[i] - tr);
                data[k + 1] = (float)(data[i + 1] - ti);
                data[i] = (float)(data[i] + tr);
                data[i + 1] = (float)(data[i + 1] + ti);
            }
            wtemp = wr;
            wr = wtemp * wpr - wi * wpi + wr;
            wi = wi * wpr + wtemp * wpi + wi;
        }
        mmax = step;
    }
}

/* The first two passes (half-sizes 1 and 2) as one radix-4 pass over groups of four. */
static void firstPasses(float *x, int n, int sign)
{
#if FFT_SSE
    const __m128 flip = _mm_castsi128_ps(sign > 0 ? _mm_set_epi32(0, (int)0x80000000, 0, 0)
                                                  : _mm_set_epi32((int)0x80000000, 0, 0, 0));
    for (int g = 0; g < n; g += 4) {
        float *p = x + 2 * g;
        __m128 a01 = _mm_loadu_ps(p), a23 = _mm_loadu_ps(p + 4);
        __m128 e = _mm_movelh_ps(a01, a23);          /* a0 a2 */
        __m128 o = _mm_movehl_ps(a23, a01);          /* a1 a3 */
        __m128 s = _mm_add_ps(e, o);                 /* b0 b2 */
        __m128 d = _mm_sub_ps(e, o);                 /* b1 b3 */
        __m128 u = _mm_movelh_ps(s, d);              /* b0 b1 */
        __m128 v = _mm_movehl_ps(d, s);              /* b2 b3 */
        v = _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 1, 0));   /* b2, b3 swapped */
        v = _mm_xor_ps(v, flip);                     /* b2, sign * i * b3 */
        _mm_storeu_ps(p, _mm_add_ps(u, v));
        _mm_storeu_ps(p + 4, _mm_sub_ps(u, v));
    }
#else
    for (int g = 0; g < n; g += 4) {
        float *p = x + 2 * g;
        float b0r = p[0] + p[2], b0i = p[1] + p[3], b1r = p[0] - p[2], b1i = p[1] - p[3];
        float b2r = p[4] + p[6], b2i = p[5] + p[7], b3r = p[4] - p[6], b3i = p[5] - p[7];
        float tr = sign > 0 ? -b3i : b3i, ti = sign > 0 ? b3r : -b3r;   /* sign * i * b3 */
        p[0] = b0r + b2r; p[1] = b0i + b2i;
        p[2] = b1r + tr;  p[3] = b1i + ti;
        p[4] = b0r - b2r; p[5] = b0i - b2i;
        p[6] = b1r - tr;  p[7] = b1i - ti;
    }
#endif
}

/* One pass of half-size h >= 4 with the plan's twiddles. */
static void pass(float *x, int n, int h, const DspFftPlan *pl, int sign)
{
    const float *cd = pl->cosDup + 2 * h, *sd = pl->sinDup + 2 * h;
#if FFT_SSE
    /* t = w * b = c * b + s' * swap(b), s' = (-s, s) for sign +1 and (s, -s) for -1 */
    const __m128 flip = _mm_castsi128_ps(sign > 0 ? _mm_set_epi32(0, (int)0x80000000, 0, (int)0x80000000)
                                                  : _mm_set_epi32((int)0x80000000, 0, (int)0x80000000, 0));
    for (int g = 0; g < n; g += 2 * h) {
        float *a = x + 2 * g, *b = a + 2 * h;
        for (int t = 0; t < h; t += 2) {
            __m128 c = _mm_loadu_ps(cd + 2 * t);
            __m128 s = _mm_xor_ps(_mm_loadu_ps(sd + 2 * t), flip);
            __m128 bv = _mm_loadu_ps(b + 2 * t);
            __m128 bs = _mm_shuffle_ps(bv, bv, _MM_SHUFFLE(2, 3, 0, 1));
            __m128 tv = _mm_add_ps(_mm_mul_ps(c, bv), _mm_mul_ps(s, bs));
            __m128 av = _mm_loadu_ps(a + 2 * t);
            _mm_storeu_ps(a + 2 * t, _mm_add_ps(av, tv));
            _mm_storeu_ps(b + 2 * t, _mm_sub_ps(av, tv));
        }
    }
#else
    for (int g = 0; g < n; g += 2 * h) {
        float *a = x + 2 * g, *b = a + 2 * h;
        for (int t = 0; t < h; t++) {
            float c = cd[2 * t], s = sign > 0 ? sd[2 * t] : -sd[2 * t];
            float tr = c * b[2 * t] - s * b[2 * t + 1], ti = c * b[2 * t + 1] + s * b[2 * t];
            b[2 * t] = a[2 * t] - tr;
            b[2 * t + 1] = a[2 * t + 1] - ti;
            a[2 * t] += tr;
            a[2 * t + 1] += ti;
        }
    }
#endif
}

void ZELOAPI FFT(float *data, short n, short sign)
{
    if (n < 2 || (n & (n - 1)) || !data)
        return;
    int s = sign < 0 ? -1 : 1;
    int bits = 0;
    while ((1 << bits) < n)
        bits++;
    if (n < 4) {
        fftRecurrence(data, n, s);
        return;
    }
    if (!Dsp.fftPlan[bits])
        Dsp.fftPlan[bits] = buildPlan(bits);
    const DspFftPlan *pl = Dsp.fftPlan[bits];
    if (!pl) {
        fftRecurrence(data, n, s);
        return;
    }
    float *x = data + 1;
    for (uint32_t k = 0; k < pl->swaps; k++) {
        float *a = x + 2 * pl->swap[2 * k], *b = x + 2 * pl->swap[2 * k + 1];
        float t0 = a[0], t1 = a[1];
        a[0] = b[0]; a[1] = b[1];
        b[0] = t0; b[1] = t1;
    }
    firstPasses(x, n, s);
    for (int h = 4; h < n; h *= 2)
        pass(x, n, h, pl, s);
}

void dspShutdown(void)
{
    freeWindow();
    freePlans();
    dspLfftShutdown();
}
