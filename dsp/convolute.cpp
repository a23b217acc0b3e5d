/*
 * convolute.cpp - fast convolution of a range of 16-bit frames with a long filter
 * (Convolute): blocks of M = N - L new frames are transformed with LFFT, multiplied by the
 * filter's spectrum, transformed back and overlap-added into a running sum that carries each
 * block's tail into the next.  Samples come and go through the caller's read and write
 * callbacks, so the routine serves the sample store or any other source.
 *
 * Filter layouts (doubles; L = taps, limited to CONV_MAX_TAPS):
 *   mono material             L values h: out = x * h.
 *   stereo, mix != 0          L pairs (a, b): the mix m = (left + right) / 2 gives
 *                             left = m * a, right = m * b.
 *   stereo, mix == 0          two filters of L pairs, (a, b) for the left input and (c, d)
 *                             for the right: left = l * a + r * c, right = l * b + r * d.
 *                             Mode 1 does it with one transform pair per block (left in the
 *                             real parts, right in the imaginary parts, split by symmetry);
 *                             every other mode (0 included) in two passes, left then right.
 * A real signal or filter put into both arrays is transformed as (1 + i) x; the filter
 * spectra are kept with that factor taken out so every path multiplies by a plain spectrum.
 *
 * Writes nothing process-wide but Dsp.lfftPlan (through LFFT); all buffers live for one call.
 */
#include "dsp/dsp.h"

#include <math.h>
#include <string.h>

uint32_t convBlockLength(uint32_t taps)
{
    double L = taps > CONV_MAX_TAPS ? CONV_MAX_TAPS : taps < 1 ? 1 : taps;
    int e = (int)trunc(log2(1.5 * L) + 1);
    uint64_t n0 = (uint64_t)1 << e;
    uint64_t first = (double)(n0 / 2) > L ? n0 / 2 : n0;
    uint64_t best = 0;
    double bestCost = 0;
    for (uint64_t n = first; n < 64 * first; n *= 2) {
        double cost = trunc(4.0 * (double)n * (2.0 * log2((double)n) + 1.0) / ((double)n - L + 1.0)) +
                      (double)(n / 3000);
        if (!best || cost < bestCost) {
            best = n;
            bestCost = cost;
        }
    }
    if (!best)
        best = n0;
    if (best < 256)
        best = 256;
    if (best > 262144)
        best = 262144;
    return (uint32_t)best;
}

namespace {

enum Path { MONO, MIX, SINGLE, TWOPASS };

struct Run {
    Path      path;
    int       channels;
    uint32_t  B, N, M, L;
    uint32_t  first, last;
    int32_t   delay;
    DspReadFn read;
    DspWriteFn write;
    int16_t  *in;              /* M frames read (two blocks of M samples in mono) */
    int16_t  *out;             /* M frames to write */
    double   *re, *im;         /* work arrays, N each */
    double   *h1r, *h1i;       /* filter spectra, N each */
    double   *h2r, *h2i;       /* the second filter's (mix == 0 stereo) */
    float    *res;             /* block result: 2N floats */
    float    *sum;             /* running sum: N frames */
    int       metered;         /* a title was given: progress and Cancel */
    uint32_t  done, total;     /* transforms */
    int       stop;            /* cancelled */
    int       failed;          /* a read or write failed */
};

/* One transform done: advances the meter; returns nonzero once the user cancelled. */
int tick(Run &r)
{
    r.done++;
    if (!r.metered)
        return 0;
    if (Dsp.hook.step && Dsp.hook.step(r.done, r.total))
        r.stop = 1;
    if (Dsp.hook.cancelled && Dsp.hook.cancelled())
        r.stop = 1;
    return r.stop;
}

int cancelled(Run &r)
{
    if (r.metered && Dsp.hook.cancelled && Dsp.hook.cancelled())
        r.stop = 1;
    return r.stop;
}

/* Transforms filter `which` into its spectrum; compensate takes out the (1 + i) of a real
   signal or filter that fills both arrays. */
void filterSpectrum(Run &r, const double *f, uint32_t taps, int which, double *hr, double *hi)
{
    memset(r.re, 0, r.N * sizeof(double));
    memset(r.im, 0, r.N * sizeof(double));
    if (r.path == MONO) {
        for (uint32_t i = 0; i < r.L; i++)
            r.re[i] = r.im[i] = f[i];
    } else {
        const double *p = f + (size_t)2 * taps * which;
        for (uint32_t i = 0; i < r.L; i++) {
            r.re[i] = p[2 * i];
            r.im[i] = p[2 * i + 1];
        }
    }
    LFFT(r.re, r.im, (int32_t)r.N, 1);
    for (uint32_t k = 0; k < r.N; k++) {
        if (r.path == SINGLE) {
            hr[k] = r.re[k];
            hi[k] = r.im[k];
        } else {   /* F (1 - i) / 2 */
            hr[k] = (r.re[k] + r.im[k]) * 0.5;
            hi[k] = (r.im[k] - r.re[k]) * 0.5;
        }
    }
}

void multiply(Run &r, const double *hr, const double *hi)
{
    for (uint32_t k = 0; k < r.N; k++) {
        double xr = r.re[k], xi = r.im[k];
        r.re[k] = xr * hr[k] - xi * hi[k];
        r.im[k] = xr * hi[k] + xi * hr[k];
    }
}

/* Mode 1: X = DFT(l + i r); the channels' spectra are (X[k] + conj X[-k]) / 2 and
   (X[k] - conj X[-k]) / 2i; Y = Lspec H1 + Rspec H2. */
void multiplySplit(Run &r)
{
    const uint32_t N = r.N;
    for (uint32_t k = 0; k <= N / 2; k++) {
        uint32_t q = (N - k) % N;
        double ar = r.re[k], ai = r.im[k], br = r.re[q], bi = r.im[q];
        /* at k: L = (a + conj b) / 2, R = (a - conj b) / 2i; at q the roles swap */
        double lr = (ar + br) * 0.5, li = (ai - bi) * 0.5;
        double rr = (ai + bi) * 0.5, ri = (br - ar) * 0.5;
        double ykr = lr * r.h1r[k] - li * r.h1i[k] + rr * r.h2r[k] - ri * r.h2i[k];
        double yki = lr * r.h1i[k] + li * r.h1r[k] + rr * r.h2i[k] + ri * r.h2r[k];
        /* at q: L(q) = conj L(k), R(q) = conj R(k) */
        double yqr = lr * r.h1r[q] + li * r.h1i[q] + rr * r.h2r[q] + ri * r.h2i[q];
        double yqi = lr * r.h1i[q] - li * r.h1r[q] + rr * r.h2i[q] - ri * r.h2r[q];
        r.re[k] = ykr;
        r.im[k] = yki;
        r.re[q] = yqr;
        r.im[q] = yqi;
    }
}

inline int16_t toSample(float v)
{
    if (v != v)
        return 0;
    if (v >= 32767.0f)
        return 32767;
    if (v <= -32768.0f)
        return -32768;
    return (int16_t)(int32_t)v;
}

/* Adds one block's result (N frames of `channels` floats) to the running sum, writes the
   frames of the sum that are complete and inside the range, moves the sum on by M frames. */
void overlapAdd(Run &r, const float *res, int64_t bytePos)
{
    const uint32_t ch = (uint32_t)r.channels;
    for (uint32_t i = 0; i < (r.N - 1) * ch; i++)
        r.sum[i] += res[i];
    int64_t p0 = bytePos / r.B - r.delay;
    int64_t lo = p0 > (int64_t)r.first ? p0 : (int64_t)r.first;
    int64_t hi = p0 + r.M - 1 < (int64_t)r.last ? p0 + r.M - 1 : (int64_t)r.last;
    if (lo <= hi) {
        uint32_t count = (uint32_t)(hi - lo + 1);
        const float *s = r.sum + (size_t)(lo - p0) * ch;
        for (uint32_t i = 0; i < count * ch; i++)
            r.out[i] = toSample(s[i]);
        int64_t at = lo * r.B, bytes = (int64_t)count * r.B;
        if (at + bytes > INT32_MAX || r.write(r.out, (int32_t)at, (uint32_t)bytes))
            r.failed = 1;
    }
    memmove(r.sum, r.sum + (size_t)r.M * ch, (size_t)r.L * ch * sizeof(float));
    memset(r.sum + (size_t)r.L * ch, 0, (size_t)r.M * ch * sizeof(float));
}

/* Forward transform, the filter, back; each transform ticks the meter.  0 when cancelled. */
int convolveBlock(Run &r, const double *hr, const double *hi)
{
    LFFT(r.re, r.im, (int32_t)r.N, 1);
    if (tick(r))
        return 0;
    if (r.path == SINGLE)
        multiplySplit(r);
    else
        multiply(r, hr, hi);
    LFFT(r.re, r.im, (int32_t)r.N, -1);
    return !tick(r);
}

int readBlock(Run &r, int16_t *dst, int64_t bytePos, uint32_t bytes)
{
    memset(dst, 0, bytes);
    if (bytePos + bytes > INT32_MAX || r.read(dst, (int32_t)bytePos, bytes)) {
        r.failed = 1;
        return 0;
    }
    return 1;
}

void stereoCycle(Run &r, int64_t pos)
{
    const uint32_t N = r.N, M = r.M;
    const double scale = 32768.0 / N;
    if (!readBlock(r, r.in, pos, M * r.B))
        return;
    const int16_t *in = r.in;
    int passes = r.path == TWOPASS ? 2 : 1;
    for (int pass = 0; pass < passes; pass++) {
        for (uint32_t i = 0; i < N; i++) {
            double a = 0, b = 0;
            if (i < M) {
                if (r.path == MIX)
                    a = b = ((double)in[2 * i] + in[2 * i + 1]) * (1.0 / 65536.0);
                else if (r.path == SINGLE) {
                    a = in[2 * i] * (1.0 / 32768.0);
                    b = in[2 * i + 1] * (1.0 / 32768.0);
                } else
                    a = b = in[2 * i + pass] * (1.0 / 32768.0);
            }
            r.re[i] = a;
            r.im[i] = b;
        }
        if (!convolveBlock(r, pass ? r.h2r : r.h1r, pass ? r.h2i : r.h1i))
            return;
        for (uint32_t i = 0; i < N; i++) {
            float vl = (float)(r.re[i] * scale), vr = (float)(r.im[i] * scale);
            if (pass) {
                r.res[2 * i] += vl;
                r.res[2 * i + 1] += vr;
            } else {
                r.res[2 * i] = vl;
                r.res[2 * i + 1] = vr;
            }
        }
    }
    overlapAdd(r, r.res, pos);
    cancelled(r);
}

void monoCycle(Run &r, int64_t pos)
{
    const uint32_t N = r.N, M = r.M;
    const double scale = 32768.0 / N;
    const int64_t second = pos + (int64_t)M * r.B;
    if (!readBlock(r, r.in, pos, M * r.B) || !readBlock(r, r.in + M, second, M * r.B))
        return;
    for (uint32_t i = 0; i < N; i++) {
        r.re[i] = i < M ? r.in[i] * (1.0 / 32768.0) : 0.0;
        r.im[i] = i < M ? r.in[M + i] * (1.0 / 32768.0) : 0.0;
    }
    if (!convolveBlock(r, r.h1r, r.h1i))
        return;
    for (uint32_t i = 0; i < N; i++) {
        r.res[i] = (float)(r.re[i] * scale);
        r.res[N + i] = (float)(r.im[i] * scale);
    }
    overlapAdd(r, r.res, pos);
    if (r.failed || cancelled(r))
        return;
    overlapAdd(r, r.res + N, second);
    cancelled(r);
}

} // namespace

short ZELOAPI Convolute(short channels, uint32_t blockAlign, uint32_t first, uint32_t last,
                        uint32_t mix, short mode, void *filter, uint32_t taps, int32_t delay,
                        const char *title, DspReadFn read, DspWriteFn write)
{
    const uint32_t B = blockAlign & 0xFFFFu;
    if ((channels != 1 && channels != 2) || B != 2u * (uint32_t)channels || !filter || taps == 0 ||
        !read || !write)
        return 0;

    Run r;
    memset(&r, 0, sizeof r);
    r.channels = channels;
    r.path = channels == 1 ? MONO : mix ? MIX : mode == 1 ? SINGLE : TWOPASS;
    r.B = B;
    r.L = taps > CONV_MAX_TAPS ? CONV_MAX_TAPS : taps;
    r.N = convBlockLength(r.L);
    r.M = r.N - r.L;
    r.first = first;
    r.last = last;
    r.delay = delay;
    r.read = read;
    r.write = write;
    const int filters = r.path == SINGLE || r.path == TWOPASS ? 2 : 1;
    const size_t N = r.N, dbl = N * sizeof(double);

    /* Every buffer zero-filled up front; nothing is written when one is missing. */
    void *block[10];
    size_t sizes[10] = {(size_t)2 * r.M * B, (size_t)r.M * B, dbl, dbl, dbl, dbl,
                        filters > 1 ? dbl : 0, filters > 1 ? dbl : 0, 2 * N * sizeof(float),
                        N * channels * sizeof(float)};
    int ok = 1;
    for (int i = 0; i < 10; i++) {
        block[i] = sizes[i] ? osAlloc(sizes[i]) : NULL;
        if (sizes[i] && !block[i])
            ok = 0;
        else if (block[i])
            memset(block[i], 0, sizes[i]);
    }
    const double *f = ok ? (const double *)osLockHandle(filter) : NULL;
    if (!ok || !f || !dspLfftPrepare((int32_t)r.N)) {
        osMessage("Not enough memory to continue operation", "Error", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        if (f)
            osUnlockHandle(filter);
        for (int i = 0; i < 10; i++)
            osFree(block[i]);
        return 0;
    }
    r.in = (int16_t *)block[0];
    r.out = (int16_t *)block[1];
    r.re = (double *)block[2];
    r.im = (double *)block[3];
    r.h1r = (double *)block[4];
    r.h1i = (double *)block[5];
    r.h2r = (double *)block[6];
    r.h2i = (double *)block[7];
    r.res = (float *)block[8];
    r.sum = (float *)block[9];

    const uint64_t frames = last >= first ? (uint64_t)last - first + 1 : 0;
    const uint64_t perRead = channels == 1 ? 2ull * r.M : r.M;
    const uint64_t cycles = (frames + perRead - 1) / perRead;
    const uint64_t total = filters + cycles * (r.path == TWOPASS ? 4 : 2);
    r.total = total > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)total;
    r.metered = title != NULL;
    if (r.metered && Dsp.hook.progressOpen)
        Dsp.hook.progressOpen(title);

    filterSpectrum(r, f, taps, 0, r.h1r, r.h1i);
    if (!tick(r) && filters > 1) {
        filterSpectrum(r, f, taps, 1, r.h2r, r.h2i);
        tick(r);
    }
    osUnlockHandle(filter);

    int64_t pos = (int64_t)first * B;
    const int64_t end = ((int64_t)last + 1) * B;
    while (pos < end && !r.stop && !r.failed) {
        if (channels == 1) {
            monoCycle(r, pos);
            pos += 2 * (int64_t)r.M * B;
        } else {
            stereoCycle(r, pos);
            pos += (int64_t)r.M * B;
        }
    }

    if (r.metered && Dsp.hook.progressClose)
        Dsp.hook.progressClose();
    for (int i = 0; i < 10; i++)
        osFree(block[i]);
    return r.failed ? 0 : 1;
}
