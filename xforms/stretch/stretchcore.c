/*
 * stretchcore.c - WSOLA and the windowed-sinc resampler of the Stretch module (see
 * stretchcore.h), chained through float FIFOs: input -> [WSOLA] -> [resampler] -> output.
 *
 * Invariants:
 *   1. A Fifo holds frames base .. base + len - 1 of its stream (absolute frame numbers);
 *      frames are dropped only when no later step can reach them.
 *   2. WSOLA segment k lands at output frame k * H (H = window - overlap); it emits H frames
 *      (the last segment: up to the total) and keeps its last `overlap` frames, raw, for
 *      the cross-fade with segment k + 1.
 *   3. A stage never reads past the frames its input stream will ever hold: frames beyond
 *      the stream's total read as silence, and WSOLA segments start no later than
 *      total - window, so a stretched range ends on real material.
 * No global state.
 */
#include "xforms/stretch/stretchcore.h"
#include "xforms/common/pcm16.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#define ST_PI 3.14159265358979323846
#define ST_ZEROS 16          /* sinc zero crossings either side */
#define ST_TABLE_RES 512     /* kernel table points per zero crossing */
#define ST_KAISER 8.6

double stretchFactorOf(int unit, double value)
{
    return unit == STRETCH_SEMITONES ? pow(2.0, value / 12.0) : value / 100.0;
}

int stretchFactorOk(double f)
{
    return f == f && f >= STRETCH_FACTOR_MIN * (1 - 1e-9) && f <= STRETCH_FACTOR_MAX * (1 + 1e-9);
}

uint64_t stretchOutputFrames(int mode, double factor, uint64_t in)
{
    uint64_t out;
    if (mode == STRETCH_PITCH || factor == 1.0)
        return in;
    out = (uint64_t)floor((double)in / factor + 0.5);
    return out == 0 && in > 0 ? 1 : out;
}

static int msFrames(double ms, double def, uint32_t rate)
{
    double f = (ms > 0 ? ms : def) * rate / 1000.0;
    return (int)floor(f + 0.5);
}

void stretchLengths(const StretchSetup *s, int *window, int *overlap, int *search)
{
    int w = msFrames(s->windowMs, 82.0, s->rate), o = msFrames(s->overlapMs, 12.0, s->rate);
    int k = msFrames(s->searchMs, 15.0, s->rate);
    if (w < 16)
        w = 16;
    if (o < 1)
        o = 1;
    if (o > w / 2)
        o = w / 2;
    if (k < 0)
        k = 0;
    *window = w;
    *overlap = o;
    *search = k;
}

/* ---- FIFOs ---- */

typedef struct Fifo {
    float   *buf;
    size_t   cap, len;   /* frames */
    uint64_t base;       /* absolute number of buf's first frame */
    int      ch;
} Fifo;

static int fifoReserve(Fifo *f, size_t more)
{
    if (f->len + more > f->cap) {
        size_t cap = f->cap ? f->cap : 1024;
        float *b;
        while (cap < f->len + more)
            cap *= 2;
        b = (float *)realloc(f->buf, cap * f->ch * sizeof(float));
        if (!b)
            return -1;
        f->buf = b;
        f->cap = cap;
    }
    return 0;
}

static float *fifoAt(const Fifo *f, uint64_t frame) { return f->buf + (size_t)(frame - f->base) * f->ch; }
static uint64_t fifoEnd(const Fifo *f) { return f->base + f->len; }

/* Drops the frames before `upto` (kept when they are few: the copy is then not worth it). */
static void fifoDrop(Fifo *f, int64_t upto)
{
    size_t n;
    if (upto <= (int64_t)f->base)
        return;
    n = (uint64_t)upto - f->base > f->len ? f->len : (size_t)((uint64_t)upto - f->base);
    if (n < 8192 && n < f->len)
        return;
    memmove(f->buf, f->buf + n * f->ch, (f->len - n) * f->ch * sizeof(float));
    f->len -= n;
    f->base += n;
}

/* ---- WSOLA ---- */

typedef struct Wsola {
    double   tempo;      /* input frames per output frame */
    int      W, O, H, S, step;
    uint64_t n, outN, produced, k;
    int64_t  prev;       /* start of the previous segment in the input */
    float   *seg, *tail; /* W and O frames */
} Wsola;

/* How well the O mono frames at p continue the previous segment: correlation with its
   raw tail over the candidate's energy, every step-th frame. */
static double score(const Fifo *mono, int64_t target, int64_t p, int O, int step)
{
    const float *t = fifoAt(mono, (uint64_t)target), *x = fifoAt(mono, (uint64_t)p);
    double c = 0, e = 1e-3;
    int i;
    for (i = 0; i < O; i += step) {
        c += (double)t[i] * x[i];
        e += (double)x[i] * x[i];
    }
    return c / sqrt(e);
}

static int64_t search(const Wsola *w, const Fifo *mono, int64_t nominal, int64_t lo, int64_t hi)
{
    int64_t target = w->prev + w->H, best = nominal, p, from, to;
    int c = w->step;
    double bestScore = score(mono, target, nominal, w->O, c);
    for (p = lo; p <= hi; p += c) {
        double s = score(mono, target, p, w->O, c);
        if (s > bestScore) {
            bestScore = s;
            best = p;
        }
    }
    from = best - c < lo ? lo : best - c;
    to = best + c > hi ? hi : best + c;
    bestScore = score(mono, target, best, w->O, 1);
    for (p = from; p <= to; p++) {
        double s = score(mono, target, p, w->O, 1);
        if (s > bestScore) {
            bestScore = s;
            best = p;
        }
    }
    return best;
}

/* Places every segment the input so far allows; returns -1 without memory. */
static int wsolaRun(Wsola *w, Fifo *in, Fifo *mono, Fifo *out)
{
    const int ch = in->ch;
    const int64_t maxStart = w->n > (uint64_t)w->W ? (int64_t)w->n - w->W : 0;
    while (w->produced < w->outN) {
        int64_t nominal = (int64_t)floor((double)w->k * w->H * w->tempo + 0.5), lo, hi, p, need;
        uint64_t emit;
        int i, j;
        if (nominal > maxStart)
            nominal = maxStart;
        lo = w->k ? nominal - w->S : 0;
        hi = w->k ? nominal + w->S : 0;
        if (lo < 0)
            lo = 0;
        if (hi > maxStart)
            hi = maxStart;
        if (lo > hi)
            lo = hi;
        if (w->k == 0)
            nominal = 0;
        need = hi + w->W < (int64_t)w->n ? hi + w->W : (int64_t)w->n;
        if ((int64_t)fifoEnd(in) < need)
            return 0;   /* more input first */
        p = w->k && hi > lo ? search(w, mono, nominal, lo, hi) : lo;
        for (i = 0; i < w->W; i++)
            for (j = 0; j < ch; j++)
                w->seg[i * ch + j] = (uint64_t)(p + i) < w->n ? fifoAt(in, (uint64_t)(p + i))[j] : 0.0f;
        if (w->k)
            for (i = 0; i < w->O; i++) {
                float g = (float)((i + 0.5) / w->O);
                for (j = 0; j < ch; j++)
                    w->seg[i * ch + j] = w->tail[i * ch + j] * (1.0f - g) + w->seg[i * ch + j] * g;
            }
        emit = w->produced + (uint64_t)w->W >= w->outN ? w->outN - w->produced : (uint64_t)w->H;
        if (fifoReserve(out, (size_t)emit))
            return -1;
        memcpy(fifoAt(out, fifoEnd(out)), w->seg, (size_t)emit * ch * sizeof(float));
        out->len += (size_t)emit;
        w->produced += emit;
        memcpy(w->tail, w->seg + (size_t)w->H * ch, (size_t)w->O * ch * sizeof(float));
        w->prev = p;
        w->k++;
        {
            int64_t next = (int64_t)floor((double)w->k * w->H * w->tempo + 0.5) - w->S - 1;
            int64_t keep = next < p + w->H ? next : p + w->H;
            if (keep > maxStart - w->S - 1)
                keep = maxStart - w->S - 1;
            fifoDrop(in, keep);
            fifoDrop(mono, keep);
        }
    }
    return 0;
}

/* ---- the resampler ---- */

typedef struct Resampler {
    double   step;       /* input frames per output frame */
    double   fc;         /* cut-off, cycles per input frame */
    double   hw;         /* half width of the kernel in input frames */
    uint64_t m, outN, produced;
    float   *table;      /* sinc times Kaiser at 0 .. ST_ZEROS zero crossings */
    double  *weight;
} Resampler;

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

static int resamplerInit(Resampler *r, double step, uint64_t m, uint64_t outN)
{
    int i, size = ST_ZEROS * ST_TABLE_RES + 2;
    double norm = besselI0(ST_KAISER);
    r->step = step;
    r->fc = 0.5 * 0.97 * (step > 1.0 ? 1.0 / step : 1.0);
    r->hw = ST_ZEROS / (2.0 * r->fc);
    r->m = m;
    r->outN = outN;
    r->table = (float *)malloc(size * sizeof(float));
    r->weight = (double *)malloc(((size_t)(2 * r->hw) + 4) * sizeof(double));
    if (!r->table || !r->weight)
        return -1;
    for (i = 0; i < size; i++) {
        double v = (double)i / ST_TABLE_RES, q = v / ST_ZEROS;
        double s = v == 0 ? 1.0 : sin(ST_PI * v) / (ST_PI * v);
        r->table[i] = q >= 1.0 ? 0.0f : (float)(s * besselI0(ST_KAISER * sqrt(1.0 - q * q)) / norm);
    }
    return 0;
}

static double kernel(const Resampler *r, double d)
{
    double v = fabs(d) * 2.0 * r->fc * ST_TABLE_RES, f;
    size_t i = (size_t)v;
    if (i >= ST_ZEROS * ST_TABLE_RES)
        return 0.0;
    f = v - (double)i;
    return r->table[i] + (r->table[i + 1] - r->table[i]) * f;
}

/* Frame i of the resampler's input; beyond either end the stream is reflected through its
   end frame (2 x[edge] - x[mirror]), which keeps level and slope, so the kernel never meets
   a cliff at the edges of the range. */
static const float *frameAt(const Fifo *in, const Resampler *r, int64_t i, float *tmp)
{
    int64_t m = (int64_t)r->m, edge, mirror;
    const float *e, *x;
    int j;
    if (i >= 0 && i < m)
        return fifoAt(in, (uint64_t)i);
    if (m == 0) {
        for (j = 0; j < in->ch; j++)
            tmp[j] = 0.0f;
        return tmp;
    }
    edge = i < 0 ? 0 : m - 1;
    mirror = 2 * edge - i;
    if (mirror < (int64_t)in->base)
        mirror = (int64_t)in->base;
    if (mirror < 0)
        mirror = 0;
    if (mirror >= m)
        mirror = m - 1;
    e = fifoAt(in, (uint64_t)edge);
    x = fifoAt(in, (uint64_t)mirror);
    for (j = 0; j < in->ch; j++)
        tmp[j] = 2.0f * e[j] - x[j];
    return tmp;
}

static int resamplerRun(Resampler *r, Fifo *in, Fifo *out)
{
    const int ch = in->ch;
    while (r->produced < r->outN) {
        double t = (double)r->produced * r->step, sum = 0, acc[2] = {0, 0};
        int64_t first = (int64_t)ceil(t - r->hw), last = (int64_t)floor(t + r->hw), i;
        int64_t need = last + 1 < (int64_t)r->m ? last + 1 : (int64_t)r->m;
        int j;
        float *o, tmp[2];
        if ((int64_t)fifoEnd(in) < need)
            return 0;
        if (first >= 0 && last < (int64_t)r->m) {
            /* the usual case: the whole kernel over frames in the FIFO, weights stepping
               down the table by a fixed amount per frame */
            const double scale = 2.0 * r->fc * ST_TABLE_RES, limit = ST_ZEROS * ST_TABLE_RES;
            const float *x = fifoAt(in, (uint64_t)first);
            double v = (t - (double)first) * scale;
            const float *table = r->table;
            for (i = first; i <= last; i++, v -= scale, x += ch) {
                double a = fabs(v), k;
                int idx;
                if (a >= limit)
                    continue;
                idx = (int)a;   /* signed: one instruction on i686, unlike size_t */
                k = table[idx] + (table[idx + 1] - table[idx]) * (a - (double)idx);
                sum += k;
                acc[0] += k * x[0];
                if (ch == 2)
                    acc[1] += k * x[1];
            }
        } else {
            for (i = first; i <= last; i++) {
                double k = kernel(r, t - (double)i);
                const float *x = frameAt(in, r, i, tmp);
                sum += k;
                for (j = 0; j < ch; j++)
                    acc[j] += k * x[j];
            }
        }
        if (fifoReserve(out, 1))
            return -1;
        o = fifoAt(out, fifoEnd(out));
        for (j = 0; j < ch; j++)
            o[j] = (float)(sum > 1e-9 ? acc[j] / sum : 0.0);
        out->len++;
        r->produced++;
        /* the end's reflection reaches back to 2 (m - 1) - (t + hw) > t - hw - 2 */
        fifoDrop(in, (int64_t)floor(t - r->hw) - 4);
    }
    return 0;
}

/* ---- the run ---- */

struct StretchCore {
    int       channels, mode;
    int       copy;             /* factor 1: the input goes straight out */
    uint64_t  inFrames, pushed, totalOut, pulled;
    Fifo      in, mono, mid, out;
    Wsola     wsola;
    Resampler res;
    int       haveWsola, haveRes;
};

StretchCore *stretchCreate(const StretchSetup *s, uint64_t inFrames)
{
    StretchCore *c;
    int W, O, S;
    if (!s || (s->channels != 1 && s->channels != 2) || s->mode < 0 || s->mode >= STRETCH_MODES ||
        !stretchFactorOk(s->factor) || s->rate == 0)
        return NULL;
    c = (StretchCore *)calloc(1, sizeof *c);
    if (!c)
        return NULL;
    c->channels = s->channels;
    c->mode = s->mode;
    c->inFrames = inFrames;
    c->totalOut = stretchOutputFrames(s->mode, s->factor, inFrames);
    c->in.ch = c->mid.ch = c->out.ch = s->channels;
    c->mono.ch = 1;
    c->copy = s->factor == 1.0;
    stretchLengths(s, &W, &O, &S);
    if (!c->copy && s->mode != STRETCH_RATE) {
        Wsola *w = &c->wsola;
        c->haveWsola = 1;
        w->tempo = s->mode == STRETCH_PITCH ? 1.0 / s->factor : s->factor;
        w->W = W;
        w->O = O;
        w->H = W - O;
        w->S = S;
        w->step = S / 100 > 1 ? S / 100 : 1;
        w->n = inFrames;
        w->outN = s->mode == STRETCH_PITCH ? (uint64_t)floor((double)inFrames * s->factor + 0.5) : c->totalOut;
        if (w->outN == 0 && inFrames > 0)
            w->outN = 1;
        w->seg = (float *)malloc((size_t)W * s->channels * sizeof(float));
        w->tail = (float *)calloc((size_t)O * s->channels, sizeof(float));
        if (!w->seg || !w->tail) {
            stretchFree(c);
            return NULL;
        }
    }
    if (!c->copy && s->mode != STRETCH_TEMPO) {
        uint64_t m = c->haveWsola ? c->wsola.outN : inFrames;
        c->haveRes = 1;
        if (resamplerInit(&c->res, s->factor, m, c->totalOut)) {
            stretchFree(c);
            return NULL;
        }
    }
    return c;
}

void stretchFree(StretchCore *c)
{
    if (!c)
        return;
    free(c->in.buf);
    free(c->mono.buf);
    free(c->mid.buf);
    free(c->out.buf);
    free(c->wsola.seg);
    free(c->wsola.tail);
    free(c->res.table);
    free(c->res.weight);
    free(c);
}

uint64_t stretchTotalOut(const StretchCore *c) { return c->totalOut; }
uint64_t stretchWant(const StretchCore *c) { return c->inFrames - c->pushed; }

int stretchPush(StretchCore *c, const short *frames, size_t n)
{
    size_t i;
    int j, ch = c->channels;
    if (n > c->inFrames - c->pushed)
        n = (size_t)(c->inFrames - c->pushed);
    if (fifoReserve(&c->in, n) || (c->haveWsola && fifoReserve(&c->mono, n)))
        return -1;
    for (i = 0; i < n; i++) {
        float *d = fifoAt(&c->in, fifoEnd(&c->in) + i);
        float m = 0;
        for (j = 0; j < ch; j++) {
            d[j] = frames[i * ch + j];
            m += d[j];
        }
        if (c->haveWsola)
            c->mono.buf[c->mono.len + i] = m / ch;
    }
    c->in.len += n;
    if (c->haveWsola)
        c->mono.len += n;
    c->pushed += n;
    return 0;
}

size_t stretchPull(StretchCore *c, short *out, size_t max)
{
    Fifo *last;
    size_t n, i;
    int j, ch = c->channels;
    if (c->copy) {
        last = &c->in;
    } else {
        Fifo *resIn = &c->in;
        if (c->haveWsola) {
            last = c->haveRes ? &c->mid : &c->out;
            if (wsolaRun(&c->wsola, &c->in, &c->mono, last))
                return 0;
            resIn = &c->mid;
        }
        if (c->haveRes && resamplerRun(&c->res, resIn, &c->out))
            return 0;
        last = &c->out;
    }
    n = last->len < max ? last->len : max;
    if (c->pulled + n > c->totalOut)
        n = (size_t)(c->totalOut - c->pulled);
    if (n == 0)
        return 0;
    for (i = 0; i < n; i++)
        for (j = 0; j < ch; j++)
            out[i * ch + j] = pcmRound16(last->buf[i * ch + j], NULL);
    memmove(last->buf, last->buf + n * ch, (last->len - n) * ch * sizeof(float));
    last->len -= n;
    last->base += n;
    c->pulled += n;
    return n;
}
