/*
 * lfft.cpp - the mixed-radix FFT of any length over separate real and imaginary arrays of
 * doubles (LFFT).  The length is factored into square factors (4 for each 16, then odd j
 * for each j^2, then 2 for a remaining 4), the square-free factors, and the square factors
 * again in reverse order; one decimation-in-frequency pass runs per factor (closed forms for
 * 2, 3, 4 and 5, a direct sum for other odd factors) and a final permutation puts the
 * results in order.  When the square-free factors multiply to more than 210 the permutation
 * is not done and a debug line says so.
 *
 * Writes Dsp.lfftPlan: the factors, twiddles and permutation cycles of the last length,
 * rebuilt when the length changes.
 */
#include "dsp/dsp.h"

#include <math.h>
#include <string.h>

#define LFFT_MAX_FACTORS 64
#define LFFT_MAX_FREE    210

struct DspLfftPlan {
    int32_t   n;
    int       factors;                 /* entries of factor, in pass order */
    int       factor[LFFT_MAX_FACTORS];
    int       maxFactor;
    int       limited;                 /* the square-free factors exceed the limit */
    double   *cs;                      /* cos, sin of 2 pi k / n for k < n, interleaved */
    uint32_t *cycles;                  /* permutation cycles: length, then its indices */
    uint32_t  cycleWords;
};

static void freePlan(DspLfftPlan *p)
{
    if (!p)
        return;
    osFree(p->cs);
    osFree(p->cycles);
    osFree(p);
}

void dspLfftShutdown(void)
{
    freePlan(Dsp.lfftPlan);
    Dsp.lfftPlan = NULL;
}

/* The factor list in pass order; returns the product of the square-free factors. */
static long factorize(int32_t n, DspLfftPlan *p)
{
    int sq[LFFT_MAX_FACTORS], nsq = 0, nf = 0;
    long k = n, freeProduct = 1;
    while (k % 16 == 0) {
        sq[nsq++] = 4;
        k /= 16;
    }
    for (long j = 3; j * j <= k; j += 2)
        while (k % (j * j) == 0) {
            sq[nsq++] = (int)j;
            k /= j * j;
        }
    for (int i = 0; i < nsq; i++)
        p->factor[nf++] = sq[i];
    if (k > 4) {
        if (k % 4 == 0) {
            p->factor[nf++] = 2;
            sq[nsq++] = 2;
            k /= 4;
        }
        for (long j = 2; j <= k; j = j == 2 ? 3 : j + 2)
            if (k % j == 0) {
                p->factor[nf++] = (int)j;
                freeProduct *= j;
                k /= j;
            }
    } else if (k != 1) {
        p->factor[nf++] = (int)k;
        freeProduct = k;
    }
    for (int i = nsq - 1; i >= 0; i--)
        p->factor[nf++] = sq[i];
    p->factors = nf;
    p->maxFactor = 1;
    for (int i = 0; i < nf; i++)
        if (p->factor[i] > p->maxFactor)
            p->maxFactor = p->factor[i];
    return freeProduct;
}

/* After the passes the value of frequency k sits at the digit-reversed place
   sum r_i * n / (f_0 ... f_i), where k = r_0 + r_1 f_0 + r_2 f_0 f_1 + ...  The permutation
   is stored as its cycles so that applying it needs no scratch memory. */
static int buildCycles(DspLfftPlan *p)
{
    int32_t n = p->n;
    uint32_t *place = (uint32_t *)osAlloc((size_t)n * sizeof(uint32_t));
    p->cycles = (uint32_t *)osAlloc(((size_t)n + n / 2 + 1) * sizeof(uint32_t));
    if (!place || !p->cycles) {
        osFree(place);
        return 0;
    }
    int digit[LFFT_MAX_FACTORS] = {0};
    long weight[LFFT_MAX_FACTORS];
    long w = n;
    for (int i = 0; i < p->factors; i++) {
        w /= p->factor[i];
        weight[i] = w;
    }
    uint32_t pos = 0;
    for (int32_t k = 0; k < n; k++) {
        place[k] = pos;
        for (int i = 0; i < p->factors; i++) {   /* count k up in mixed radix */
            if (++digit[i] < p->factor[i]) {
                pos += (uint32_t)weight[i];
                break;
            }
            digit[i] = 0;
            pos -= (uint32_t)(weight[i] * (p->factor[i] - 1));
        }
    }
    /* Walk each cycle once, marking visited places by setting the top bit. */
    uint32_t words = 0;
    const uint32_t seen = 0x80000000u;
    for (int32_t i = 0; i < n; i++) {
        if (place[i] & seen)
            continue;
        if (place[i] == (uint32_t)i) {
            place[i] |= seen;
            continue;
        }
        uint32_t at = words++, len = 0;
        uint32_t k = (uint32_t)i;
        while (!(place[k] & seen)) {
            p->cycles[words++] = k;
            len++;
            uint32_t next = place[k];
            place[k] |= seen;
            k = next;
        }
        p->cycles[at] = len;
    }
    p->cycleWords = words;
    osFree(place);
    return 1;
}

static DspLfftPlan *planFor(int32_t n)
{
    if (Dsp.lfftPlan && Dsp.lfftPlan->n == n)
        return Dsp.lfftPlan;
    dspLfftShutdown();
    DspLfftPlan *p = (DspLfftPlan *)osAlloc(sizeof *p);
    if (!p)
        return NULL;
    memset(p, 0, sizeof *p);
    p->n = n;
    p->limited = factorize(n, p) - 1 > LFFT_MAX_FREE - 1;
    p->cs = (double *)osAlloc((size_t)2 * n * sizeof(double));
    if (!p->cs || (!p->limited && !buildCycles(p))) {
        freePlan(p);
        return NULL;
    }
    const double rad = 6.283185307179586;
    for (int32_t k = 0; k < n; k++) {
        p->cs[2 * k] = cos(rad * k / n);
        p->cs[2 * k + 1] = sin(rad * k / n);
    }
    Dsp.lfftPlan = p;
    return p;
}

/* One pass of factor f over spans of s values (m = s / f apart): the f-point transforms
   of the values j, j + m, ..., then the rotation of output r by e^{sign 2 pi i j r / s}. */
static void passOf(double *re, double *im, const DspLfftPlan *pl, int f, long s, int sign,
                   double *scratch)
{
    const int32_t n = pl->n;
    const long m = s / f, stride = n / s;
    const double *cs = pl->cs;
    const double c72 = cos(6.283185307179586 / 5), s72 = sign * sin(6.283185307179586 / 5);
    const double c144 = c72 * c72 - s72 * s72, s144 = 2 * c72 * s72;
    const double s120 = sign * 0.8660254037844386;
    double wr[5] = {1, 1, 1, 1, 1}, wi[5] = {0, 0, 0, 0, 0};
    for (long j = 0; j < m; j++) {
        if (f <= 5)
            for (int r = 1; r < f; r++) {
                long t = j * r * stride;
                wr[r] = cs[2 * t];
                wi[r] = sign * cs[2 * t + 1];
            }
        for (long b = j; b < n; b += s) {
            double yr[5], yi[5];
            if (f == 2) {
                long i1 = b + m;
                yr[0] = re[b] + re[i1]; yi[0] = im[b] + im[i1];
                yr[1] = re[b] - re[i1]; yi[1] = im[b] - im[i1];
            } else if (f == 4) {
                long i1 = b + m, i2 = i1 + m, i3 = i2 + m;
                double s0r = re[b] + re[i2], s0i = im[b] + im[i2];
                double d0r = re[b] - re[i2], d0i = im[b] - im[i2];
                double s1r = re[i1] + re[i3], s1i = im[i1] + im[i3];
                double d1r = re[i1] - re[i3], d1i = im[i1] - im[i3];
                /* sign * i * d1 */
                double tr = -sign * d1i, ti = sign * d1r;
                yr[0] = s0r + s1r; yi[0] = s0i + s1i;
                yr[1] = d0r + tr;  yi[1] = d0i + ti;
                yr[2] = s0r - s1r; yi[2] = s0i - s1i;
                yr[3] = d0r - tr;  yi[3] = d0i - ti;
            } else if (f == 3) {
                long i1 = b + m, i2 = i1 + m;
                double ar = re[i1] + re[i2], ai = im[i1] + im[i2];
                double br = (re[i1] - re[i2]) * s120, bi = (im[i1] - im[i2]) * s120;
                double cr = re[b] - 0.5 * ar, ci = im[b] - 0.5 * ai;
                yr[0] = re[b] + ar; yi[0] = im[b] + ai;
                yr[1] = cr - bi;    yi[1] = ci + br;
                yr[2] = cr + bi;    yi[2] = ci - br;
            } else if (f == 5) {
                long i1 = b + m, i2 = i1 + m, i3 = i2 + m, i4 = i3 + m;
                double t1r = re[i1] + re[i4], t1i = im[i1] + im[i4];
                double t2r = re[i2] + re[i3], t2i = im[i2] + im[i3];
                double t3r = re[i1] - re[i4], t3i = im[i1] - im[i4];
                double t4r = re[i2] - re[i3], t4i = im[i2] - im[i3];
                double a1r = re[b] + c72 * t1r + c144 * t2r, a1i = im[b] + c72 * t1i + c144 * t2i;
                double a2r = re[b] + c144 * t1r + c72 * t2r, a2i = im[b] + c144 * t1i + c72 * t2i;
                double b1r = s72 * t3r + s144 * t4r, b1i = s72 * t3i + s144 * t4i;
                double b2r = s144 * t3r - s72 * t4r, b2i = s144 * t3i - s72 * t4i;
                yr[0] = re[b] + t1r + t2r; yi[0] = im[b] + t1i + t2i;
                yr[1] = a1r - b1i; yi[1] = a1i + b1r;
                yr[4] = a1r + b1i; yi[4] = a1i - b1r;
                yr[2] = a2r - b2i; yi[2] = a2i + b2r;
                yr[3] = a2r + b2i; yi[3] = a2i - b2r;
            } else {
                /* any other factor: the direct sum, then the rotation, through scratch */
                double *xr = scratch, *xi = scratch + f, *orr = scratch + 2 * f, *oi = scratch + 3 * f;
                const long pstride = n / f;
                for (int q = 0; q < f; q++) {
                    xr[q] = re[b + q * m];
                    xi[q] = im[b + q * m];
                }
                for (int r = 0; r < f; r++) {
                    double sr = xr[0], si = xi[0];
                    long t = 0;
                    for (int q = 1; q < f; q++) {
                        t += r;
                        if (t >= f)
                            t -= f;
                        double c = cs[2 * t * pstride], sn = sign * cs[2 * t * pstride + 1];
                        sr += xr[q] * c - xi[q] * sn;
                        si += xi[q] * c + xr[q] * sn;
                    }
                    orr[r] = sr;
                    oi[r] = si;
                }
                for (int r = 0; r < f; r++) {
                    double vr = orr[r], vi = oi[r];
                    if (j && r) {
                        long t = j * r * stride;
                        double c = cs[2 * t], sn = sign * cs[2 * t + 1];
                        double u = vr * c - vi * sn;
                        vi = vi * c + vr * sn;
                        vr = u;
                    }
                    re[b + r * m] = vr;
                    im[b + r * m] = vi;
                }
                continue;
            }
            re[b] = yr[0];
            im[b] = yi[0];
            for (int r = 1; r < f; r++) {
                double vr = yr[r], vi = yi[r];
                if (j) {
                    double u = vr * wr[r] - vi * wi[r];
                    vi = vi * wr[r] + vr * wi[r];
                    vr = u;
                }
                re[b + r * m] = vr;
                im[b + r * m] = vi;
            }
        }
    }
}

/* Builds the tables of length n ahead of use; 0 when there is no memory for them. */
int dspLfftPrepare(int32_t n) { return n <= 1 || planFor(n) != NULL; }

int dspLfftFactors(int32_t n, int *factor, int max, int *limited)
{
    DspLfftPlan *pl = n > 1 ? planFor(n) : NULL;
    if (!pl)
        return -1;
    for (int i = 0; i < pl->factors && i < max; i++)
        factor[i] = pl->factor[i];
    if (limited)
        *limited = pl->limited;
    return pl->factors;
}

void ZELOAPI LFFT(double *re, double *im, int32_t n, short sign)
{
    if (n <= 1 || !re || !im)
        return;
    int core = -sign < 0 ? -1 : 1;   /* the passes rotate by positive angles for +1 */
    DspLfftPlan *pl = planFor(n);
    if (!pl) {
        osDebug("LFFT: no memory for the tables of length %ld\n", (long)n);
        return;
    }
    if (pl->limited && pl->maxFactor > LFFT_MAX_FREE) {
        osDebug("permute:: product of square free factors exceeds allowed limit\n");
        return;
    }
    double *scratch = NULL;
    if (pl->maxFactor > 5) {
        scratch = (double *)osAlloc((size_t)4 * pl->maxFactor * sizeof(double));
        if (!scratch) {
            osDebug("LFFT: no memory for a factor of %d\n", pl->maxFactor);
            return;
        }
    }
    long span = n;
    for (int i = 0; i < pl->factors; i++) {
        passOf(re, im, pl, pl->factor[i], span, core, scratch);
        span /= pl->factor[i];
    }
    osFree(scratch);
    if (pl->limited) {
        osDebug("permute:: product of square free factors exceeds allowed limit\n");
        return;
    }
    const uint32_t *c = pl->cycles, *end = pl->cycles + pl->cycleWords;
    while (c < end) {
        uint32_t len = *c++;
        double tr = re[c[0]], ti = im[c[0]];
        for (uint32_t k = 0; k + 1 < len; k++) {
            re[c[k]] = re[c[k + 1]];
            im[c[k]] = im[c[k + 1]];
        }
        re[c[len - 1]] = tr;
        im[c[len - 1]] = ti;
        c += len;
    }
}
