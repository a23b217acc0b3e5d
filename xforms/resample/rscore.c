/*
 * rscore.c - the Resample module's converter (see rscore.h): a complex FFT of its own,
 * the Kaiser-window designs of both stages, the block and interpolation loops and the
 * in-place driver.  Stereo rides in one complex signal (left real, right imaginary): the
 * filters are real, so the channels never mix.  Everything is double precision, so the
 * arithmetic stays well below the -160 dB of the finest level.  No global state.
 */
#include "xforms/resample/rscore.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#define RS_PI 3.14159265358979323846
#define RS_EXACT_PHASES 4096     /* largest exact phase table (rows) */
#define RS_MAX_OVERLAP 32768     /* input frames of filter reach each side, at most */
#define RS_FIFO 4096             /* output frames held between rsGet calls */

/* ---- complex FFT, unnormalised both ways ----
 * Bit reversal, then (for an odd power of two) one pass of length 2, then passes that do
 * two radix-2 stages at once (lengths 4h from quarters of h): three twiddle products per
 * four values and one sweep over the data instead of two.  Each pass reads its twiddles
 * in order from a table of its own, for each direction. */

typedef struct Fft {
    int n;
    int *rev;        /* bit-reversed index of each index */
    double *tw[2];   /* forward, inverse: per radix-4 pass and k, w, w^2, w^3 (re, im) */
} Fft;

static void fftFree(Fft *f)
{
    free(f->rev);
    free(f->tw[0]);
    free(f->tw[1]);
    f->rev = NULL;
    f->tw[0] = f->tw[1] = NULL;
}

static int fftInit(Fft *f, int n)
{
    int bits = 0, i, d, h;
    f->n = n;
    f->rev = (int *)malloc(sizeof(int) * (size_t)n);
    f->tw[0] = (double *)malloc(sizeof(double) * 6 * (size_t)n);
    f->tw[1] = (double *)malloc(sizeof(double) * 6 * (size_t)n);
    if (!f->rev || !f->tw[0] || !f->tw[1]) {
        fftFree(f);
        return 0;
    }
    while ((1 << bits) < n)
        bits++;
    for (i = 0; i < n; i++) {
        int r = 0, b;
        for (b = 0; b < bits; b++)
            if (i & (1 << b))
                r |= 1 << (bits - 1 - b);
        f->rev[i] = r;
    }
    for (d = 0; d < 2; d++) {
        double *t = f->tw[d], sg = d ? 1.0 : -1.0;
        for (h = (bits & 1) ? 2 : 1; 4 * h <= n; h *= 4) {
            int k, j;
            for (k = 0; k < h; k++)
                for (j = 1; j <= 3; j++) {
                    double ang = 2 * RS_PI * (double)j * k / (4.0 * h);
                    *t++ = cos(ang);
                    *t++ = sg * sin(ang);
                }
        }
    }
    return 1;
}

typedef struct Cx {
    double r, i;
} Cx;

static inline Cx cmul(Cx a, const double *w)
{
    Cx c;
    c.r = a.r * w[0] - a.i * w[1];
    c.i = a.r * w[1] + a.i * w[0];
    return c;
}

/* x: n complex values, in place.  inverse: exp(+2 pi i) without the 1/n. */
static void fftRun(const Fft *f, double *x, int inverse)
{
    int n = f->n, i, j, h;
    const double *tw = f->tw[inverse ? 1 : 0];
    double sg = inverse ? 1.0 : -1.0;   /* the quarter turn: -i forward, +i inverse */
    Cx *v = (Cx *)(void *)x;
    for (i = 0; i < n; i++) {
        j = f->rev[i];
        if (j > i) {
            Cx t = v[i];
            v[i] = v[j];
            v[j] = t;
        }
    }
    h = 1;
    if (n >= 2 && ((n & 0x55555555) == 0)) {   /* odd power of two: one stage of length 2 */
        for (i = 0; i < n; i += 2) {
            Cx a = v[i], b = v[i + 1];
            v[i].r = a.r + b.r;
            v[i].i = a.i + b.i;
            v[i + 1].r = a.r - b.r;
            v[i + 1].i = a.i - b.i;
        }
        h = 2;
    }
    for (; 4 * h <= n; h *= 4) {
        int k;
        for (i = 0; i < n; i += 4 * h) {
            Cx *q0 = v + i, *q1 = q0 + h, *q2 = q1 + h, *q3 = q2 + h;
            const double *w = tw;
            for (k = 0; k < h; k++, w += 6) {
#if defined(__SSE2__)
                __m128d A = _mm_loadu_pd(&q0[k].r);
                __m128d b1 = _mm_loadu_pd(&q1[k].r), c1 = _mm_loadu_pd(&q2[k].r), d1 = _mm_loadu_pd(&q3[k].r);
                /* (x.r, x.i) * (w.r, w.i): x * w.r + swap(x) * (-w.i, w.i) */
                __m128d B = _mm_add_pd(_mm_mul_pd(b1, _mm_set1_pd(w[2])),
                                       _mm_mul_pd(_mm_shuffle_pd(b1, b1, 1), _mm_set_pd(w[3], -w[3])));
                __m128d C = _mm_add_pd(_mm_mul_pd(c1, _mm_set1_pd(w[0])),
                                       _mm_mul_pd(_mm_shuffle_pd(c1, c1, 1), _mm_set_pd(w[1], -w[1])));
                __m128d D = _mm_add_pd(_mm_mul_pd(d1, _mm_set1_pd(w[4])),
                                       _mm_mul_pd(_mm_shuffle_pd(d1, d1, 1), _mm_set_pd(w[5], -w[5])));
                __m128d p0 = _mm_add_pd(A, B), p1 = _mm_sub_pd(A, B);
                __m128d s0 = _mm_add_pd(C, D), s1 = _mm_sub_pd(C, D);
                /* s1 times the quarter turn sg*i: (-sg*s1.i, sg*s1.r) */
                __m128d t = _mm_mul_pd(_mm_shuffle_pd(s1, s1, 1), _mm_set_pd(sg, -sg));
                _mm_storeu_pd(&q0[k].r, _mm_add_pd(p0, s0));
                _mm_storeu_pd(&q2[k].r, _mm_sub_pd(p0, s0));
                _mm_storeu_pd(&q1[k].r, _mm_add_pd(p1, t));
                _mm_storeu_pd(&q3[k].r, _mm_sub_pd(p1, t));
#else
                Cx A = q0[k], B = cmul(q1[k], w + 2), C = cmul(q2[k], w), D = cmul(q3[k], w + 4);
                Cx p0 = {A.r + B.r, A.i + B.i}, p1 = {A.r - B.r, A.i - B.i};
                Cx s0 = {C.r + D.r, C.i + D.i}, s1 = {C.r - D.r, C.i - D.i};
                Cx t = {-sg * s1.i, sg * s1.r};
                q0[k].r = p0.r + s0.r;
                q0[k].i = p0.i + s0.i;
                q2[k].r = p0.r - s0.r;
                q2[k].i = p0.i - s0.i;
                q1[k].r = p1.r + t.r;
                q1[k].i = p1.i + t.i;
                q3[k].r = p1.r - t.r;
                q3[k].i = p1.i - t.i;
#endif
            }
        }
        tw += 6 * h;
    }
}

/* ---- Kaiser window design ---- */

static double besselI0(double x)
{
    double sum = 1.0, term = 1.0, q = x * x / 4.0;
    int k;
    for (k = 1; k < 500; k++) {
        term *= q / ((double)k * k);
        sum += term;
        if (term < sum * 1e-18)
            break;
    }
    return sum;
}

static double kaiserBeta(double atten)
{
    if (atten > 50)
        return 0.1102 * (atten - 8.7);
    if (atten > 21)
        return 0.5842 * pow(atten - 21, 0.4) + 0.07886 * (atten - 21);
    return 0.0;
}

/* Kaiser's estimate of the order for an attenuation and a transition width in cycles
   per sample. */
static double kaiserOrder(double atten, double width)
{
    return (atten - 7.95) / (2.285 * 2 * RS_PI * width);
}

static double sinc(double x)
{
    return fabs(x) < 1e-300 ? 1.0 : sin(RS_PI * x) / (RS_PI * x);
}

/* The design of each level: passband edge (fraction of the lower Nyquist frequency), the
   attenuation promised and the one designed for (a margin for the window's estimate),
   and the rows of the phase table when the phases are interpolated. */
static const struct {
    double pass, promise, design;
    int phases;
} Levels[5] = {
    {0.90, 100, 114, 1024},   /* unused: an unknown level reads as Medium */
    {0.80, 60, 66, 256},
    {0.90, 100, 114, 1024},
    {0.95, 140, 154, 4096},
    {0.97, 160, 172, 8192},
};

static int levelIndex(int level)
{
    return level >= RS_LOW && level <= RS_XHIGH ? level : RS_MEDIUM;
}

void rsLevelFigures(int level, double *passFraction, double *rejectionDb)
{
    int i = levelIndex(level);
    if (passFraction)
        *passFraction = Levels[i].pass;
    if (rejectionDb)
        *rejectionDb = Levels[i].promise;
}

int rsLevelFromShape(unsigned first, unsigned second)
{
    static const struct {
        unsigned first, second;
        int level;
    } known[] = {
        {51, 18, RS_MEDIUM}, {149, 18, RS_HIGH}, {69, 2, RS_LOW}, {99, 2, RS_MEDIUM},
        {199, 2, RS_HIGH},   {49, 2, RS_LOW},    {255, 18, RS_XHIGH}, {255, 2, RS_XHIGH},
    };
    size_t i;
    for (i = 0; i < sizeof known / sizeof known[0]; i++)
        if (known[i].first == first && known[i].second == second)
            return known[i].level;
    if (first < 60)
        return RS_LOW;
    if (first < 120)
        return RS_MEDIUM;
    if (first < 220)
        return RS_HIGH;
    return RS_XHIGH;
}

uint64_t rsOutputFrames(uint32_t inRate, uint32_t outRate, uint64_t frames)
{
    if (!inRate || !outRate)
        return 0;
    /* frames < 2^32 and rates < 2^18 keep the product inside 64 bits */
    return (frames * outRate + inRate / 2) / inRate;
}

static uint64_t gcd64(uint64_t a, uint64_t b)
{
    while (b) {
        uint64_t t = a % b;
        a = b;
        b = t;
    }
    return a;
}

/* ---- the converter ---- */

struct RsState {
    int channels;
    uint64_t inTotal, outTotal, fed, made, given;
    /* block stage */
    int n, m;               /* input frames and intermediate samples per block */
    int ratio;              /* n / m when m < n, else 1 */
    int edge;               /* overlap E each side, input frames */
    int bins;               /* spectrum bins kept each side of 0 */
    int midTaps;
    double *gain;           /* bins gains, the 1/n of the inverse included */
    double *blk;            /* n complex input frames */
    int fill;
    double *work, *freq;    /* n and m complex */
    Fft fftN, fftM;
    int64_t nextMid;        /* intermediate index of the next block's first valid sample */
    int idle;               /* blocks after the end of the input that gave no output */
    /* intermediate signal: u[0] is intermediate index ub */
    double *u;
    size_t ucap, uc;
    int64_t ub;
    /* interpolator */
    int taps;
    int exact;
    uint64_t num, den, stepInt, stepFrac;
    int phases;
    double *table;          /* rows of taps */
    int64_t i0;             /* next output's position: i0 + acc / den */
    uint64_t acc;
    /* output waiting to be read, channels per frame */
    double *fifo;
    size_t fhead, fcount;
};

void rsDestroy(RsState *rs)
{
    if (!rs)
        return;
    fftFree(&rs->fftN);
    fftFree(&rs->fftM);
    free(rs->gain);
    free(rs->blk);
    free(rs->work);
    free(rs->freq);
    free(rs->u);
    free(rs->table);
    free(rs->fifo);
    free(rs);
}

static int nextPow2(double v)
{
    int p = 1;
    while (p < v && p < (1 << 30))
        p <<= 1;
    return p;
}

/* Interpolator row for fraction phi: weights of u[i0 - T/2 + 1 + t], summing to 1. */
static void makeRow(double *row, int taps, double phi, double beta, double i0beta)
{
    int t;
    double sum = 0, half = taps / 2.0;
    for (t = 0; t < taps; t++) {
        double tau = phi + half - 1 - t, x = tau / half, w;
        w = fabs(x) < 1.0 ? besselI0(beta * sqrt(1.0 - x * x)) / i0beta : 0.0;
        row[t] = sinc(tau) * w;
        sum += row[t];
    }
    for (t = 0; t < taps; t++)
        row[t] /= sum;
}

/* The band-limiting filter's gains at the kept bins: a Kaiser-windowed sinc at rate
   rate (relative to the input rate 1), transformed by the FFT of the larger block. */
static int designBlockFilter(RsState *rs, double cutoff, double halfLen, double beta, double rate)
{
    int s = rs->m > rs->n ? rs->m : rs->n, k, h = (int)halfLen;
    Fft *f = rs->m > rs->n ? &rs->fftM : &rs->fftN;
    double *g = rs->m > rs->n ? rs->freq : rs->work, sum = 0, i0b = besselI0(beta);
    memset(g, 0, sizeof(double) * 2 * (size_t)s);
    for (k = -h; k <= h; k++) {
        double x = (double)k / (h + 1);
        double v = 2 * cutoff / rate * sinc(2 * cutoff / rate * k) * besselI0(beta * sqrt(1 - x * x)) / i0b;
        g[2 * ((k + s) % s)] = v;
        sum += v;
    }
    fftRun(f, g, 0);
    for (k = 0; k < rs->bins; k++)
        rs->gain[k] = g[2 * k] / sum / rs->n;
    return 1;
}

RsState *rsCreate(uint32_t inRate, uint32_t outRate, int channels, int level, uint64_t inFrames)
{
    RsState *rs;
    int li = levelIndex(level), s, i, extra;
    double a = inRate, b = outRate, fs, fp, c, rf, order, beta;
    uint64_t num, den, g;
    if (!inRate || !outRate || inRate > RS_MAX_RATE || outRate > RS_MAX_RATE || (channels != 1 && channels != 2))
        return NULL;
    rs = (RsState *)calloc(1, sizeof *rs);
    if (!rs)
        return NULL;
    rs->channels = channels;
    rs->inTotal = inFrames;
    rs->outTotal = rsOutputFrames(inRate, outRate, inFrames);

    /* Everything above fs (the lower Nyquist frequency) goes; the intermediate rate c is
       the lowest a * 2^s (s <= 1) of at least 4 fs. */
    fs = (a < b ? a : b) / 2;
    fp = Levels[li].pass * fs;
    s = 1;
    while (s > -30 && a * ldexp(1.0, s - 1) >= 4 * fs)
        s--;
    /* when the new rate is the old one halved (or halved again), the blocks can deliver
       it directly: every output falls on an intermediate sample and needs no kernel */
    for (i = 1; i < 30 && (uint64_t)outRate << i <= inRate; i++)
        if ((uint64_t)outRate << i == inRate)
            s = -i;
    c = a * ldexp(1.0, s);
    rf = s > 0 ? c : a;
    rs->ratio = s < 0 ? 1 << -s : 1;

    /* block filter: the transition fp..fs at rate rf */
    order = kaiserOrder(Levels[li].design, (fs - fp) / rf);
    if (order / 2 * (a / rf) > RS_MAX_OVERLAP) /* absurd ratios: widen the transition */
        order = 2.0 * RS_MAX_OVERLAP * (rf / a);
    beta = kaiserBeta(Levels[li].design);
    {
        double halfLen = ceil(order / 2);
        int e = (int)ceil(halfLen * a / rf);
        if (e % rs->ratio)
            e += rs->ratio - e % rs->ratio;
        rs->edge = e;
        rs->midTaps = 2 * (int)halfLen + 1;

        /* interpolator: passband to fs, stopband from c - fs, cut-off c / 2 */
        order = c > 2 * fs ? kaiserOrder(Levels[li].design, (c - 2 * fs) / c) : 0;
        rs->taps = (int)ceil(order) + 1;
        rs->taps += rs->taps & 1;
        if (rs->taps < 4)
            rs->taps = 4;

        /* frames before the start so that the first outputs have their history */
        extra = (int)ceil(rs->taps / 2.0 * rs->ratio * (s > 0 ? 0.5 : 1.0)) + 1;
        if (extra % rs->ratio)
            extra += rs->ratio - extra % rs->ratio;
        rs->n = nextPow2(16.0 * e);
        if (rs->n < 1024)
            rs->n = 1024;
        while (rs->n < 2 * e + extra + 64 || rs->n < 64 * rs->ratio)
            rs->n <<= 1;
        rs->m = s > 0 ? rs->n * 2 : rs->n / rs->ratio;
        rs->bins = (int)ceil(fs * rs->n / a);
        if (rs->bins > (rs->m < rs->n ? rs->m : rs->n) / 2)
            rs->bins = (rs->m < rs->n ? rs->m : rs->n) / 2;

        rs->gain = (double *)malloc(sizeof(double) * (size_t)rs->bins);
        rs->blk = (double *)calloc(2 * (size_t)rs->n, sizeof(double));
        rs->work = (double *)malloc(sizeof(double) * 2 * (size_t)rs->n);
        rs->freq = (double *)malloc(sizeof(double) * 2 * (size_t)(rs->m > rs->n ? rs->m : rs->n));
        rs->ucap = (size_t)(rs->n - 2 * e) * rs->m / rs->n + 2 * (size_t)rs->taps + 8;
        rs->u = (double *)malloc(sizeof(double) * 2 * rs->ucap);
        rs->fifo = (double *)malloc(sizeof(double) * 2 * RS_FIFO);
        if (!rs->gain || !rs->blk || !rs->work || !rs->freq || !rs->u || !rs->fifo ||
            !fftInit(&rs->fftN, rs->n) || !fftInit(&rs->fftM, rs->m)) {
            rsDestroy(rs);
            return NULL;
        }
        designBlockFilter(rs, (fp + fs) / 2 / a, halfLen, beta, rf / a);
        rs->fill = e + extra;
        rs->nextMid = -(int64_t)extra * rs->m / rs->n;
        rs->ub = rs->nextMid;
    }

    /* output k sits at intermediate position k * c / b = k * num / den */
    if (s > 0) {
        num = (uint64_t)inRate << s;
        den = outRate;
    } else {
        num = inRate;
        den = (uint64_t)outRate << -s;
    }
    g = gcd64(num, den);
    rs->num = num / g;
    rs->den = den / g;
    rs->stepInt = rs->num / rs->den;
    rs->stepFrac = rs->num % rs->den;
    rs->exact = rs->den <= RS_EXACT_PHASES;
    rs->phases = rs->exact ? (int)rs->den : Levels[li].phases + 1;
    rs->table = (double *)malloc(sizeof(double) * (size_t)rs->phases * (size_t)rs->taps);
    if (!rs->table) {
        rsDestroy(rs);
        return NULL;
    }
    beta = kaiserBeta(Levels[li].design);
    {
        double i0b = besselI0(beta);
        for (i = 0; i < rs->phases; i++) {
            double phi = rs->exact ? (double)i / (double)rs->den : (double)i / (rs->phases - 1);
            makeRow(rs->table + (size_t)i * rs->taps, rs->taps, phi, beta, i0b);
        }
    }
    return rs;
}

void rsDescribe(const RsState *rs, RsDesign *d)
{
    d->blockIn = (uint32_t)rs->n;
    d->blockMid = (uint32_t)rs->m;
    d->overlap = (uint32_t)rs->edge;
    d->midTaps = (uint32_t)rs->midTaps;
    d->taps = (uint32_t)rs->taps;
    d->phases = (uint32_t)rs->phases;
    d->exactPhases = rs->exact;
}

uint64_t rsProduced(const RsState *rs)
{
    return rs->given;
}

uint64_t rsTotal(const RsState *rs)
{
    return rs->outTotal;
}

size_t rsRoom(const RsState *rs)
{
    uint64_t left = rs->inTotal - rs->fed;
    size_t room = (size_t)(rs->n - rs->fill);
    return left < room ? (size_t)left : room;
}

size_t rsPut(RsState *rs, const double *in, size_t frames)
{
    size_t take = rsRoom(rs), i;
    double *p;
    if (take > frames)
        take = frames;
    p = rs->blk + 2 * (size_t)rs->fill;
    if (rs->channels == 2)
        memcpy(p, in, sizeof(double) * 2 * take);
    else
        for (i = 0; i < take; i++) {
            p[2 * i] = in[i];
            p[2 * i + 1] = 0;
        }
    rs->fill += (int)take;
    rs->fed += take;
    return take;
}

size_t rsPut16(RsState *rs, const int16_t *in, size_t frames)
{
    size_t take = rsRoom(rs), i;
    double *p;
    if (take > frames)
        take = frames;
    p = rs->blk + 2 * (size_t)rs->fill;
    if (rs->channels == 2)
        for (i = 0; i < 2 * take; i++)
            p[i] = in[i];
    else
        for (i = 0; i < take; i++) {
            p[2 * i] = in[i];
            p[2 * i + 1] = 0;
        }
    rs->fill += (int)take;
    rs->fed += take;
    return take;
}

/* One block through the filter: appends its valid intermediate samples to u. */
static void runBlock(RsState *rs)
{
    int n = rs->n, m = rs->m, k, e = rs->edge;
    int first = (int)((int64_t)e * m / n), count = (int)((int64_t)(n - 2 * e) * m / n);
    double *w = rs->work, *y = rs->freq;
    int64_t keep = rs->i0 - rs->taps / 2 + 1, skip = 0;

    memcpy(w, rs->blk, sizeof(double) * 2 * (size_t)n);
    fftRun(&rs->fftN, w, 0);
    memset(y, 0, sizeof(double) * 2 * (size_t)m);
    for (k = 0; k < rs->bins; k++) {
        double gk = rs->gain[k];
        y[2 * k] = w[2 * k] * gk;
        y[2 * k + 1] = w[2 * k + 1] * gk;
        if (k > 0) {
            y[2 * (m - k)] = w[2 * (n - k)] * gk;
            y[2 * (m - k) + 1] = w[2 * (n - k) + 1] * gk;
        }
    }
    fftRun(&rs->fftM, y, 1);

    /* u keeps what the next output still needs; while empty it starts at this block */
    if (!rs->uc)
        rs->ub = rs->nextMid;
    if (keep >= rs->nextMid) {
        rs->uc = 0;
        rs->ub = keep;
        skip = keep - rs->nextMid;
    } else if (keep > rs->ub) {
        size_t drop = (size_t)(keep - rs->ub);
        memmove(rs->u, rs->u + 2 * drop, sizeof(double) * 2 * (rs->uc - drop));
        rs->uc -= drop;
        rs->ub = keep;
    }
    if (skip < count) {
        size_t add = (size_t)(count - skip);
        if (rs->uc + add > rs->ucap) /* cannot happen: blocks run only when u is used up */
            add = rs->ucap - rs->uc;
        memcpy(rs->u + 2 * rs->uc, y + 2 * (first + skip), sizeof(double) * 2 * add);
        rs->uc += add;
    }
    rs->nextMid += count;

    memmove(rs->blk, rs->blk + 2 * (size_t)(n - 2 * e), sizeof(double) * 4 * (size_t)e);
    rs->fill = 2 * e;
}

/* Output frames from what u holds, into the FIFO. */
static void interpolate(RsState *rs)
{
    int taps = rs->taps, half = taps / 2, t;
    size_t tail = rs->fhead + rs->fcount;
    while (rs->made < rs->outTotal && tail < RS_FIFO) {
        int64_t lo = rs->i0 - half + 1;
        const double *up, *row;
        double sr = 0, si = 0;
        if (lo < rs->ub || rs->i0 + half >= rs->ub + (int64_t)rs->uc)
            break;
        up = rs->u + 2 * (size_t)(lo - rs->ub);
        if (rs->exact && rs->acc == 0) {
            /* on an intermediate sample: its row is 1 there and 0 elsewhere */
            sr = up[2 * (half - 1)];
            si = up[2 * (half - 1) + 1];
        } else if (rs->exact) {
            row = rs->table + (size_t)rs->acc * taps;
#if defined(__SSE2__)
            {
                __m128d s0 = _mm_setzero_pd(), s1 = _mm_setzero_pd();
                for (t = 0; t + 1 < taps; t += 2) {
                    s0 = _mm_add_pd(s0, _mm_mul_pd(_mm_set1_pd(row[t]), _mm_loadu_pd(up + 2 * t)));
                    s1 = _mm_add_pd(s1, _mm_mul_pd(_mm_set1_pd(row[t + 1]), _mm_loadu_pd(up + 2 * t + 2)));
                }
                s0 = _mm_add_pd(s0, s1);
                sr = _mm_cvtsd_f64(s0);
                si = _mm_cvtsd_f64(_mm_unpackhi_pd(s0, s0));
            }
#else
            for (t = 0; t < taps; t++) {
                sr += row[t] * up[2 * t];
                si += row[t] * up[2 * t + 1];
            }
#endif
        } else {
            double pos = (double)rs->acc / (double)rs->den * (rs->phases - 1);
            int r = (int)pos;
            double fr = pos - r;
            const double *r0, *r1;
            if (r >= rs->phases - 1) {
                r = rs->phases - 2;
                fr = 1.0;
            }
            r0 = rs->table + (size_t)r * taps;
            r1 = r0 + taps;
            for (t = 0; t < taps; t++) {
                double wgt = r0[t] + fr * (r1[t] - r0[t]);
                sr += wgt * up[2 * t];
                si += wgt * up[2 * t + 1];
            }
        }
        rs->fifo[2 * tail] = sr;
        rs->fifo[2 * tail + 1] = si;
        tail++;
        rs->fcount++;
        rs->made++;
        rs->i0 += (int64_t)rs->stepInt;
        rs->acc += rs->stepFrac;
        if (rs->acc >= rs->den) {
            rs->acc -= rs->den;
            rs->i0++;
        }
    }
}

/* Makes output ready in the FIFO; 0 when it needs input first or all is out. */
static int ready(RsState *rs)
{
    while (!rs->fcount) {
        if (rs->made >= rs->outTotal)
            return 0;
        rs->fhead = 0;
        interpolate(rs);
        if (rs->fcount)
            break;
        if (rs->fill < rs->n) {
            if (rs->fed < rs->inTotal)
                return 0;
            /* all input is in: silence after the end */
            memset(rs->blk + 2 * (size_t)rs->fill, 0, sizeof(double) * 2 * (size_t)(rs->n - rs->fill));
            rs->fill = rs->n;
            /* the last outputs need a block or two of silence; more means the
               positions went wrong: end rather than spin */
            if (++rs->idle > 4) {
                rs->made = rs->outTotal;
                return 0;
            }
        }
        runBlock(rs);
    }
    rs->idle = 0;
    return 1;
}

size_t rsGet(RsState *rs, double *out, size_t maxFrames)
{
    size_t n, i;
    if (!ready(rs))
        return 0;
    n = rs->fcount < maxFrames ? rs->fcount : maxFrames;
    for (i = 0; i < n; i++) {
        const double *f = rs->fifo + 2 * (rs->fhead + i);
        if (rs->channels == 2) {
            out[2 * i] = f[0];
            out[2 * i + 1] = f[1];
        } else {
            out[i] = f[0];
        }
    }
    rs->fhead += n;
    rs->fcount -= n;
    rs->given += n;
    return n;
}

static int16_t round16(double v, unsigned long *clipped)
{
    if (v >= 32767.5 || v <= -32768.5) {
        if (clipped)
            ++*clipped;
        return v > 0 ? 32767 : -32768;
    }
    if (!(v == v))
        return 0;
    return (int16_t)(int)(v + (v >= 0 ? 0.5 : -0.5));
}

size_t rsGet16(RsState *rs, int16_t *out, size_t maxFrames, unsigned long *clipped)
{
    size_t n, i, c = (size_t)rs->channels;
    if (!ready(rs))
        return 0;
    n = rs->fcount < maxFrames ? rs->fcount : maxFrames;
#if defined(__SSE2__)
    if (c == 2) {
        /* both samples of a frame at once: held to the 16-bit range, then half a step
           with the sample's sign added and the fraction dropped */
        const __m128d top = _mm_set1_pd(32767.0), bottom = _mm_set1_pd(-32768.0);
        const __m128d over = _mm_set1_pd(32767.5), under = _mm_set1_pd(-32768.5);
        const __m128d half = _mm_set1_pd(0.5), sign = _mm_set1_pd(-0.0);
        unsigned long held = 0;
        for (i = 0; i < n; i++) {
            __m128d v = _mm_loadu_pd(rs->fifo + 2 * (rs->fhead + i));
            int m = _mm_movemask_pd(_mm_or_pd(_mm_cmpge_pd(v, over), _mm_cmple_pd(v, under)));
            __m128i r;
            held += (unsigned long)((m & 1) + (m >> 1));
            v = _mm_max_pd(_mm_min_pd(v, top), bottom);
            v = _mm_add_pd(v, _mm_or_pd(half, _mm_and_pd(v, sign)));
            r = _mm_cvttpd_epi32(v);
            r = _mm_packs_epi32(r, r);
            {
                int32_t pair = _mm_cvtsi128_si32(r);
                memcpy(out + 2 * i, &pair, 4);
            }
        }
        if (clipped)
            *clipped += held;
    } else
#endif
    for (i = 0; i < n; i++) {
        const double *f = rs->fifo + 2 * (rs->fhead + i);
        out[c * i] = round16(f[0], clipped);
        if (c == 2)
            out[2 * i + 1] = round16(f[1], clipped);
    }
    rs->fhead += n;
    rs->fcount -= n;
    rs->given += n;
    return n;
}

/* ---- in place over a wave ---- */

#define RS_PIECE 8192   /* frames per read or write */

int rsResampleInPlace(const RsIo *io, int channels, uint32_t inRate, uint32_t outRate, int level,
                      uint32_t frames, uint32_t *length, uint32_t *written)
{
    uint64_t out64 = rsOutputFrames(inRate, outRate, frames);
    uint32_t out, lead, rp = 0, wp = 0;
    int16_t *inBuf = NULL, *outBuf = NULL;
    RsState *rs = NULL;
    int result = RS_DONE;

    *length = frames;
    *written = 0;
    if (!inRate || !outRate || inRate > RS_MAX_RATE || outRate > RS_MAX_RATE || (channels != 1 && channels != 2) ||
        out64 > 0xFFFFFFFFu)
        return RS_BAD_ARGS;
    out = (uint32_t)out64;
    lead = out > frames ? out - frames : 0;
    rs = rsCreate(inRate, outRate, channels, level, frames);
    inBuf = (int16_t *)malloc(sizeof(int16_t) * 2 * RS_PIECE);
    outBuf = (int16_t *)malloc(sizeof(int16_t) * 2 * RS_PIECE);
    if (!rs || !inBuf || !outBuf) {
        result = RS_FAILED;
        goto done;
    }
    if (lead) {
        if (io->insertBlank(io->user, 0, lead) != 0) {
            result = RS_FAILED;
            goto done;
        }
        *length = out;
    }
    for (;;) {
        size_t got = rsGet16(rs, outBuf, RS_PIECE, NULL);
        if (got) {
            /* never write over input not read yet */
            if (rp < frames && (uint64_t)wp + got > (uint64_t)lead + rp) {
                result = RS_FAILED;
                break;
            }
            if (io->write(io->user, outBuf, wp, (uint32_t)got) != 0) {
                result = RS_FAILED;
                break;
            }
            wp += (uint32_t)got;
            if (wp > *length)
                *length = wp;
            if (io->progress && !io->progress(io->user, wp, out)) {
                result = RS_CANCELLED;
                break;
            }
        } else if (rsProduced(rs) >= out) {
            break;
        } else {
            size_t take = rsRoom(rs);
            if (take > RS_PIECE)
                take = RS_PIECE;
            if (take > frames - rp)
                take = frames - rp;
            if (!take) { /* the converter wants input there is none of: cannot happen */
                result = RS_FAILED;
                break;
            }
            if (io->read(io->user, inBuf, lead + rp, (uint32_t)take) != 0) {
                result = RS_FAILED;
                break;
            }
            rsPut16(rs, inBuf, take);
            rp += (uint32_t)take;
        }
    }
    if (result == RS_DONE && out < frames) {
        if (io->cut(io->user, out, frames - out) != 0)
            result = RS_FAILED;
        else
            *length = out;
    }
done:
    *written = wp;
    rsDestroy(rs);
    free(inBuf);
    free(outBuf);
    return result;
}
