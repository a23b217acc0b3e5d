/*
 * compcore.c - follower, curve, lookahead and ceiling of the Compressor/Limiter module
 * (see compcore.h).  No global state.
 */
#include "xforms/compressor/compcore.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

/* The gain curve needs a logarithm and an exponential per frame, and the 32-bit C
   library's are slow; these two are good to a few parts in 10^9 over the range the curve
   uses (the ratio of the follower to the threshold is below 2^16, the exponent between
   -12 and 0), far below a step of the output. */

/* ln(x) for x > 0: the exponent from the bits, the mantissa brought into [1/sqrt 2,
   sqrt 2] and 2 atanh((m - 1) / (m + 1)) as a series. */
static double fastLn(double x)
{
    uint64_t bits;
    int e;
    double m, t, t2;
    memcpy(&bits, &x, sizeof bits);
    e = (int)((bits >> 52) & 0x7FF) - 1023;
    bits = (bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull;
    memcpy(&m, &bits, sizeof m);
    if (m > 1.4142135623730951) {
        m *= 0.5;
        e++;
    }
    t = (m - 1.0) / (m + 1.0);
    t2 = t * t;
    return e * 0.69314718055994531 +
           2.0 * t * (1.0 + t2 * (1.0 / 3 + t2 * (1.0 / 5 + t2 * (1.0 / 7 + t2 * (1.0 / 9 + t2 * (1.0 / 11))))));
}

/* e^y for -700 < y <= 0: 2^k from the bits times e^r, 0 <= r < ln 2, as a series. */
static double fastExp(double y)
{
    double k = floor(y * 1.4426950408889634), r = y - k * 0.69314718055994531, p, scale;
    uint64_t bits = (uint64_t)((int64_t)k + 1023) << 52;
    memcpy(&scale, &bits, sizeof scale);
    p = 1.0 + r * (1.0 + r * (1.0 / 2 + r * (1.0 / 6 + r * (1.0 / 24 + r * (1.0 / 120 + r * (1.0 / 720 +
        r * (1.0 / 5040 + r * (1.0 / 40320 + r * (1.0 / 362880 + r * (1.0 / 3628800))))))))));
    return p * scale;
}

int compValid(const CompParams *p)
{
    return p->thresholdDb >= -80 && p->thresholdDb <= 0 && p->ratio >= 1 && p->ratio <= 1000 &&
           p->attackMs >= 0.01 && p->attackMs <= 2000 && p->releaseMs >= 0.1 && p->releaseMs <= 10000 &&
           p->makeupDb >= -40 && p->makeupDb <= 40 && p->lookaheadMs >= 0 &&
           p->lookaheadMs <= COMP_MAX_LOOKAHEAD_MS && p->ceilingDb >= -40 && p->ceilingDb <= 0;
}

int compCeiling(double db)
{
    double c = floor(32767.0 * pow(10.0, db / 20.0));
    return c > 32767 ? 32767 : c < 0 ? 0 : (int)c;
}

int compInit(CompState *st, int channels, uint32_t rate, const CompParams *p)
{
    memset(st, 0, sizeof *st);
    if ((channels != 1 && channels != 2) || rate == 0 || !compValid(p))
        return -1;
    st->channels = channels;
    st->thr = 32767.0 * pow(10.0, p->thresholdDb / 20.0);
    st->slope = 1.0 / p->ratio - 1.0;
    st->attackCoef = exp(-1.0 / (p->attackMs / 1000.0 * rate));
    st->releaseCoef = exp(-1.0 / (p->releaseMs / 1000.0 * rate));
    st->makeup = pow(10.0, p->makeupDb / 20.0);
    st->ceiling = compCeiling(p->ceilingDb);
    st->minGain = 1.0;
    st->la = (uint32_t)(p->lookaheadMs / 1000.0 * rate + 0.5);
    if (st->la) {
        st->line = (short *)calloc((size_t)st->la * channels, sizeof(short));
        if (!st->line)
            return -1;
    }
    return 0;
}

static short outSample(double v, int ceiling)
{
    /* Rounded half away from zero, then held at the ceiling. */
    long r = v >= 0 ? (long)(v + 0.5) : -(long)(-v + 0.5);
    if (r > ceiling)
        r = ceiling;
    if (r < -ceiling)
        r = -ceiling;
    return (short)r;
}

/* One input frame through the follower: the gain for the frame leaving the line now. */
static double follow(CompState *st, const short *frame)
{
    int d = abs(frame[0]), g;
    double env;
    if (st->channels == 2 && (g = abs(frame[1])) > d)
        d = g;
    env = st->env;
    env = d + ((double)d > env ? st->attackCoef : st->releaseCoef) * (env - d);
    st->env = env;
    if (env <= st->thr)
        return st->makeup;
    {
        double gain = fastExp(st->slope * fastLn(env / st->thr));
        if (gain < st->minGain)
            st->minGain = gain;
        return gain * st->makeup;
    }
}

/* One frame in; 1 when a frame came out into out. */
static int push(CompState *st, const short *x, short *out)
{
    int ch = st->channels, c;
    double g = follow(st, x);
    if (st->la == 0) {
        for (c = 0; c < ch; c++)
            out[c] = outSample(x[c] * g, st->ceiling);
        return 1;
    }
    {
        /* The line's slot pos holds the frame of la frames ago: it leaves now. */
        short *slot = st->line + (size_t)st->pos * ch;
        int made = 0;
        if (st->held == st->la) {
            for (c = 0; c < ch; c++)
                out[c] = outSample(slot[c] * g, st->ceiling);
            made = 1;
        } else {
            st->held++;
        }
        for (c = 0; c < ch; c++)
            slot[c] = x[c];
        if (++st->pos == st->la)
            st->pos = 0;
        return made;
    }
}

size_t compBlock(CompState *st, const short *in, size_t frames, short *out)
{
    size_t f, n = 0;
    for (f = 0; f < frames; f++)
        n += push(st, in + f * st->channels, out + n * st->channels);
    st->taken += frames;
    st->given += n;
    return n;
}

size_t compFlush(CompState *st, short *out, size_t room)
{
    /* The follower hears the silence beyond the end as the lookahead there. */
    static const short silence[2] = {0, 0};
    size_t n = 0;
    while (n < room && st->given < st->taken)
        if (push(st, silence, out + n * st->channels)) {
            n++;
            st->given++;
        }
    return n;
}

void compFree(CompState *st)
{
    free(st->line);
    st->line = NULL;
}
