/*
 * convolute.cpp - fast convolution of a range of 16-bit frames with a long filter
 * (Convolute): blocks of M = N - L new frames are transformed (N is always a power of two,
 * so by the radix-4 transform below rather than LFFT), multiplied by the filter's spectrum,
 * transformed back and overlap-added into a running sum that carries each block's tail into
 * the next.  The filter spectra come from LFFT once per call.  Samples come and go through
 * the caller's read and write callbacks, so the routine serves the sample store or any other
 * source.
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
 * Writes nothing process-wide but Dsp.lfftPlan (through LFFT); all buffers and the block
 * transform's tables live for one call.
 */
#include "dsp/dsp.h"

#include <math.h>
#include <string.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

/* ---- The block transform ----
   Convolute's block lengths are powers of two, so its blocks go through a split-array
   radix-4 transform of its own (one radix-2 pass first when log2 N is odd) instead of LFFT:
   the forward pass decimates in frequency and leaves the spectrum in bit-reversed order, the
   backward pass decimates in time from that order back to natural order, so neither needs
   a permutation.  The filter spectra are kept in the same bit-reversed order.  Twiddles are
   computed directly (not by recurrence) so both directions stay within a few ulps of the
   exact transform. */

#if defined(__SSE2__)
typedef __m128d V;
static inline V vload(const double *p) { return _mm_loadu_pd(p); }
static inline void vstore(double *p, V v) { _mm_storeu_pd(p, v); }
static inline V vadd(V a, V b) { return _mm_add_pd(a, b); }
static inline V vsub(V a, V b) { return _mm_sub_pd(a, b); }
static inline V vmul(V a, V b) { return _mm_mul_pd(a, b); }
#else
struct V { double a, b; };
static inline V vload(const double *p) { V v = {p[0], p[1]}; return v; }
static inline void vstore(double *p, V v) { p[0] = v.a; p[1] = v.b; }
static inline V vadd(V x, V y) { V v = {x.a + y.a, x.b + y.b}; return v; }
static inline V vsub(V x, V y) { V v = {x.a - y.a, x.b - y.b}; return v; }
static inline V vmul(V x, V y) { V v = {x.a * y.a, x.b * y.b}; return v; }
#endif

struct Fast {
    uint32_t  N;
    int       oddPass;   /* log2 N is odd: a radix-2 pass over the whole length */
    double   *tw;        /* cos, sin tables by pass (see fastTables) */
    uint32_t *rev;       /* bit reversal of log2 N bits */
    const double *at[20];/* the radix-4 pass of span 2^e: its tables at at[e] */
};

inline const double *tablesOf(const Fast &f, uint32_t span) { return f.at[__builtin_ctz(span)]; }

/* Doubles of twiddle table for length N: N for the radix-2 pass, 6 m per radix-4 pass of
   quarter m >= 4. */
size_t fastTableSize(uint32_t N)
{
    size_t size = 0;
    uint32_t s = N;
    int log2n = 0;
    while ((1u << log2n) < N)
        log2n++;
    if (log2n & 1) {
        size += N;
        s = N / 2;
    }
    for (; s >= 16; s /= 4)
        size += 6 * (size_t)(s / 4);
    return size;
}

/* Radix-2 pass: cos, sin of 2 pi j / N for j < N/2; each radix-4 pass of span s (from the
   longest down to 16): cos, sin of 2 pi q j / s for q = 1, 2, 3 and j < s/4, an array each. */
void fastTables(Fast &f)
{
    const double rad = 6.283185307179586;
    const uint32_t N = f.N;
    int log2n = 0;
    while ((1u << log2n) < N)
        log2n++;
    f.oddPass = log2n & 1;
    double *t = f.tw;
    uint32_t s = N;
    if (f.oddPass) {
        for (uint32_t j = 0; j < N / 2; j++) {
            t[j] = cos(rad * j / N);
            t[N / 2 + j] = sin(rad * j / N);
        }
        t += N;
        s = N / 2;
    }
    for (; s >= 16; s /= 4) {
        const uint32_t m = s / 4;
        f.at[__builtin_ctz(s)] = t;
        for (int q = 1; q <= 3; q++)
            for (uint32_t j = 0; j < m; j++) {
                double a = rad * (double)((uint64_t)q * j) / s;
                t[(2 * q - 2) * m + j] = cos(a);
                t[(2 * q - 1) * m + j] = sin(a);
            }
        t += 6 * m;
    }
    for (uint32_t k = 0; k < N; k++) {
        uint32_t r = 0;
        for (int b = 0; b < log2n; b++)
            r |= ((k >> b) & 1u) << (log2n - 1 - b);
        f.rev[k] = r;
    }
}

/* One radix-4 decimation-in-frequency pass of span s over len values; t: its twiddles. */
void forwardPass(double *re, double *im, const double *t, uint32_t s, uint32_t len)
{
    const uint32_t m = s / 4;
    const double *c1 = t, *s1 = t + m, *c2 = t + 2 * m, *s2 = t + 3 * m, *c3 = t + 4 * m,
                 *s3 = t + 5 * m;
    for (uint32_t b = 0; b < len; b += s) {
        double *r0 = re + b, *r1 = r0 + m, *r2 = r1 + m, *r3 = r2 + m;
        double *i0 = im + b, *i1 = i0 + m, *i2 = i1 + m, *i3 = i2 + m;
        for (uint32_t j = 0; j < m; j += 2) {
            V a0r = vload(r0 + j), a0i = vload(i0 + j), a1r = vload(r1 + j), a1i = vload(i1 + j);
            V a2r = vload(r2 + j), a2i = vload(i2 + j), a3r = vload(r3 + j), a3i = vload(i3 + j);
            V t0r = vadd(a0r, a2r), t0i = vadd(a0i, a2i), t1r = vsub(a0r, a2r), t1i = vsub(a0i, a2i);
            V t2r = vadd(a1r, a3r), t2i = vadd(a1i, a3i);
            V t3r = vsub(a1i, a3i), t3i = vsub(a3r, a1r);   /* -i (a1 - a3) */
            V zr, zi, wc, ws;
            vstore(r0 + j, vadd(t0r, t2r));
            vstore(i0 + j, vadd(t0i, t2i));
            /* z2 = t0 - t2 to the second quarter, z1 = t1 + t3 to the third, z3 to the
               fourth: the four outputs in bit-reversed order */
            zr = vsub(t0r, t2r), zi = vsub(t0i, t2i), wc = vload(c2 + j), ws = vload(s2 + j);
            vstore(r1 + j, vadd(vmul(zr, wc), vmul(zi, ws)));
            vstore(i1 + j, vsub(vmul(zi, wc), vmul(zr, ws)));
            zr = vadd(t1r, t3r), zi = vadd(t1i, t3i), wc = vload(c1 + j), ws = vload(s1 + j);
            vstore(r2 + j, vadd(vmul(zr, wc), vmul(zi, ws)));
            vstore(i2 + j, vsub(vmul(zi, wc), vmul(zr, ws)));
            zr = vsub(t1r, t3r), zi = vsub(t1i, t3i), wc = vload(c3 + j), ws = vload(s3 + j);
            vstore(r3 + j, vadd(vmul(zr, wc), vmul(zi, ws)));
            vstore(i3 + j, vsub(vmul(zi, wc), vmul(zr, ws)));
        }
    }
}

/* The pass of span 4 (no twiddles) over len values. */
void forwardLast(double *re, double *im, uint32_t len)
{
    for (uint32_t b = 0; b < len; b += 4) {
        double a0r = re[b], a1r = re[b + 1], a2r = re[b + 2], a3r = re[b + 3];
        double a0i = im[b], a1i = im[b + 1], a2i = im[b + 2], a3i = im[b + 3];
        double t0r = a0r + a2r, t0i = a0i + a2i, t1r = a0r - a2r, t1i = a0i - a2i;
        double t2r = a1r + a3r, t2i = a1i + a3i, t3r = a1i - a3i, t3i = a3r - a1r;
        re[b] = t0r + t2r;     im[b] = t0i + t2i;
        re[b + 1] = t0r - t2r; im[b + 1] = t0i - t2i;
        re[b + 2] = t1r + t3r; im[b + 2] = t1i + t3i;
        re[b + 3] = t1r - t3r; im[b + 3] = t1i - t3i;
    }
}

/* One radix-4 decimation-in-time pass of span s over len values (conjugate twiddles). */
void backwardPass(double *re, double *im, const double *t, uint32_t s, uint32_t len)
{
    const uint32_t m = s / 4;
    const double *c1 = t, *s1 = t + m, *c2 = t + 2 * m, *s2 = t + 3 * m, *c3 = t + 4 * m,
                 *s3 = t + 5 * m;
    for (uint32_t b = 0; b < len; b += s) {
        double *r0 = re + b, *r1 = r0 + m, *r2 = r1 + m, *r3 = r2 + m;
        double *i0 = im + b, *i1 = i0 + m, *i2 = i1 + m, *i3 = i2 + m;
        for (uint32_t j = 0; j < m; j += 2) {
            V c0r = vload(r0 + j), c0i = vload(i0 + j), xr, xi, wc, ws;
            xr = vload(r2 + j), xi = vload(i2 + j), wc = vload(c1 + j), ws = vload(s1 + j);
            V c1r = vsub(vmul(xr, wc), vmul(xi, ws)), c1i = vadd(vmul(xi, wc), vmul(xr, ws));
            xr = vload(r1 + j), xi = vload(i1 + j), wc = vload(c2 + j), ws = vload(s2 + j);
            V c2r = vsub(vmul(xr, wc), vmul(xi, ws)), c2i = vadd(vmul(xi, wc), vmul(xr, ws));
            xr = vload(r3 + j), xi = vload(i3 + j), wc = vload(c3 + j), ws = vload(s3 + j);
            V c3r = vsub(vmul(xr, wc), vmul(xi, ws)), c3i = vadd(vmul(xi, wc), vmul(xr, ws));
            V u0r = vadd(c0r, c2r), u0i = vadd(c0i, c2i), u1r = vsub(c0r, c2r), u1i = vsub(c0i, c2i);
            V u2r = vadd(c1r, c3r), u2i = vadd(c1i, c3i);
            V u3r = vsub(c3i, c1i), u3i = vsub(c1r, c3r);   /* i (c1 - c3) */
            vstore(r0 + j, vadd(u0r, u2r));
            vstore(i0 + j, vadd(u0i, u2i));
            vstore(r1 + j, vadd(u1r, u3r));
            vstore(i1 + j, vadd(u1i, u3i));
            vstore(r2 + j, vsub(u0r, u2r));
            vstore(i2 + j, vsub(u0i, u2i));
            vstore(r3 + j, vsub(u1r, u3r));
            vstore(i3 + j, vsub(u1i, u3i));
        }
    }
}

void backwardFirst(double *re, double *im, uint32_t len)
{
    for (uint32_t b = 0; b < len; b += 4) {
        double c0r = re[b], c2r = re[b + 1], c1r = re[b + 2], c3r = re[b + 3];
        double c0i = im[b], c2i = im[b + 1], c1i = im[b + 2], c3i = im[b + 3];
        double u0r = c0r + c2r, u0i = c0i + c2i, u1r = c0r - c2r, u1i = c0i - c2i;
        double u2r = c1r + c3r, u2i = c1i + c3i, u3r = c3i - c1i, u3i = c1r - c3r;
        re[b] = u0r + u2r;     im[b] = u0i + u2i;
        re[b + 1] = u1r + u3r; im[b + 1] = u1i + u3i;
        re[b + 2] = u0r - u2r; im[b + 2] = u0i - u2i;
        re[b + 3] = u1r - u3r; im[b + 3] = u1i - u3i;
    }
}

/* Spans up to this many values (with their twiddles) stay in a 32 KiB data cache, so from
   there on each piece goes through all its remaining passes before the next. */
#define FAST_PIECE 1024u

/* The largest radix-4 span: N, or N / 2 after the radix-2 pass. */
uint32_t topSpan(const Fast &f) { return f.oddPass ? f.N / 2 : f.N; }

/* Forward transform (e^{-2 pi i jk/N}) of natural order into bit-reversed order. */
void fastForward(const Fast &f, double *re, double *im)
{
    const uint32_t N = f.N;
    if (f.oddPass) {
        const uint32_t h = N / 2;
        const double *c = f.tw, *sn = f.tw + h;
        for (uint32_t j = 0; j < h; j += 2) {
            V ar = vload(re + j), ai = vload(im + j), br = vload(re + h + j), bi = vload(im + h + j);
            V dr = vsub(ar, br), di = vsub(ai, bi), wc = vload(c + j), ws = vload(sn + j);
            vstore(re + j, vadd(ar, br));
            vstore(im + j, vadd(ai, bi));
            vstore(re + h + j, vadd(vmul(dr, wc), vmul(di, ws)));
            vstore(im + h + j, vsub(vmul(di, wc), vmul(dr, ws)));
        }
    }
    uint32_t s = topSpan(f);
    for (; s > FAST_PIECE && s >= 16; s /= 4)
        forwardPass(re, im, tablesOf(f, s), s, N);
    for (uint32_t b = 0; b < N; b += s) {
        for (uint32_t t = s; t >= 16; t /= 4)
            forwardPass(re + b, im + b, tablesOf(f, t), t, s);
        forwardLast(re + b, im + b, s);
    }
}

/* Backward transform (e^{+2 pi i jk/N}, unscaled) of bit-reversed order into natural order:
   the forward passes undone in reverse order with conjugate twiddles. */
void fastBackward(const Fast &f, double *re, double *im)
{
    const uint32_t N = f.N, top = topSpan(f);
    uint32_t piece = 4;
    while (piece * 4 <= top && piece * 4 <= FAST_PIECE)
        piece *= 4;
    for (uint32_t b = 0; b < N; b += piece) {
        backwardFirst(re + b, im + b, piece);
        for (uint32_t t = 16; t <= piece; t *= 4)
            backwardPass(re + b, im + b, tablesOf(f, t), t, piece);
    }
    for (uint32_t s = piece * 4; s <= top; s *= 4)
        backwardPass(re, im, tablesOf(f, s), s, N);
    if (f.oddPass) {
        const uint32_t h = N / 2;
        const double *c = f.tw, *sn = f.tw + h;
        for (uint32_t j = 0; j < h; j += 2) {
            V xr = vload(re + h + j), xi = vload(im + h + j), wc = vload(c + j), ws = vload(sn + j);
            V br = vsub(vmul(xr, wc), vmul(xi, ws)), bi = vadd(vmul(xi, wc), vmul(xr, ws));
            V ar = vload(re + j), ai = vload(im + j);
            vstore(re + j, vadd(ar, br));
            vstore(im + j, vadd(ai, bi));
            vstore(re + h + j, vsub(ar, br));
            vstore(im + h + j, vsub(ai, bi));
        }
    }
}

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
    Fast      fast;            /* the block transform's tables */
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
    for (uint32_t k = 0; k < r.N; k++) {   /* kept in the block transform's order */
        const uint32_t p = r.fast.rev[k];
        if (r.path == SINGLE) {
            hr[p] = r.re[k];
            hi[p] = r.im[k];
        } else {   /* F (1 - i) / 2 */
            hr[p] = (r.re[k] + r.im[k]) * 0.5;
            hi[p] = (r.im[k] - r.re[k]) * 0.5;
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

/* Mode 1 at the places k and q of two mirrored frequencies (k == q for 0 and N/2):
   X = DFT(l + i r); the channels' spectra are (X[k] + conj X[-k]) / 2 and
   (X[k] - conj X[-k]) / 2i; Y = Lspec H1 + Rspec H2. */
inline void splitPair(Run &r, uint32_t k, uint32_t q)
{
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

/* In bit-reversed order places 0 and 1 hold frequencies 0 and N/2, and the frequencies
   k and N - k of every other place p in [2^j, 2^(j+1)) sit mirrored: p and 3 * 2^j - 1 - p.
   So the pairs are walked from both ends of each such range, in cache order. */
void multiplySplit(Run &r)
{
    splitPair(r, 0, 0);
    splitPair(r, 1, 1);
    for (uint32_t lo = 2; lo < r.N; lo *= 2)
        for (uint32_t p = lo, q = 2 * lo - 1; p < q; p++, q--)
            splitPair(r, p, q);
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
    fastForward(r.fast, r.re, r.im);
    if (tick(r))
        return 0;
    if (r.path == SINGLE)
        multiplySplit(r);
    else
        multiply(r, hr, hi);
    fastBackward(r.fast, r.re, r.im);
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
    enum { BLOCKS = 12 };
    void *block[BLOCKS];
    size_t sizes[BLOCKS] = {(size_t)2 * r.M * B, (size_t)r.M * B, dbl, dbl, dbl, dbl,
                            filters > 1 ? dbl : 0, filters > 1 ? dbl : 0, 2 * N * sizeof(float),
                            N * channels * sizeof(float), fastTableSize(r.N) * sizeof(double),
                            N * sizeof(uint32_t)};
    int ok = 1;
    for (int i = 0; i < BLOCKS; i++) {
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
        for (int i = 0; i < BLOCKS; i++)
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
    r.fast.N = r.N;
    r.fast.tw = (double *)block[10];
    r.fast.rev = (uint32_t *)block[11];
    fastTables(r.fast);

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
    for (int i = 0; i < BLOCKS; i++)
        osFree(block[i]);
    return r.failed ? 0 : 1;
}
