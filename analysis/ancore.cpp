/*
 * ancore.cpp - spectrum, dominant frequency and scan of the analysis window (see ancore.h).
 * Window-free: samples through vocRead, transforms through the exported FFT family.
 */
#include "analysis/ancore.h"
#include "store/voc.h"
#include "view/fftcalls.h"

#include <math.h>
#include <string.h>

static const double kPi = 3.14159265358979323846;

float anDb(double v)
{
    if (!(v >= 1e-11))
        v = 1e-11;
    return (float)(20.0 * log10(v) + 10.25);
}

static double magnitude(const float *x, int k)
{
    double re = x[2 * k + 1], im = x[2 * k + 2];
    return sqrt(re * re + im * im);
}

double anBinFrequency(double are, double aim, double bre, double bim, uint32_t rate)
{
    if ((are == 0 && aim == 0) || (bre == 0 && bim == 0))
        return 0;
    double d = atan2(aim, are) - atan2(bim, bre);
    if (d > kPi)
        d -= 2 * kPi;
    else if (d <= -kPi)
        d += 2 * kPi;
    /* The transform's exponent is positive, so below half the rate a component of frequency f
       turns its bin back by 2 pi f / rate per sample: arg(a) - arg(b) is that advance. */
    return d * rate / (2 * kPi);
}

static double binFrequency(const float *a, const float *b, int k, uint32_t rate)
{
    return anBinFrequency(a[2 * k + 1], a[2 * k + 2], b[2 * k + 1], b[2 * k + 2], rate);
}

namespace {
struct Refined {
    double estimate, deviation, weight;
};
} // namespace

/* The four bins from one below f's own: their frequencies weighted by the later transform's
   magnitudes (x 32, as the search levels). */
static Refined refine(const float *a, const float *b, uint32_t rate, double f)
{
    Refined r = {f, 0, 0};
    if (f > rate / 2.0 || f < 1.0)
        return r;
    int s = (int)(f * AN_POINTS / rate) - 1;
    if (s < 0)
        s = 0;
    if (s > AN_BINS - 4)
        s = AN_BINS - 4;
    double sum = 0;
    for (int i = s; i < s + 4; i++) {
        double m = magnitude(b, i) * 32.0;
        r.weight += m;
        sum += m * binFrequency(a, b, i, rate);
    }
    if (r.weight != 0) {
        r.estimate = sum / r.weight;
        r.deviation = fabs((r.estimate - f) / f) * 100.0;
    }
    return r;
}

double anDominant(const float *a, const float *b, uint32_t rate)
{
    if (rate == 0)
        return 0;
    int level[AN_BINS + 1];
    level[0] = level[AN_BINS] = 0;
    int best = 0, top = 0;
    for (int k = 1; k < AN_BINS; k++) {
        double v = 32.0 * magnitude(a, k);
        level[k] = v > 32767 ? 32767 : (int)v;
        if (level[k] > top) {
            top = level[k];
            best = k;
        }
    }
    int s = 0;
    if (best)
        s = level[best + 1] < level[best - 1] ? best - 2 : best - 1;
    if (s < 0)
        s = 0;
    if (s > AN_BINS - 4)
        s = AN_BINS - 4;
    double m = 0, mf = 0;
    for (int i = s; i < s + 4; i++) {
        double w = magnitude(b, i) * 32.0;
        m += w;
        mf += w * binFrequency(a, b, i, rate);
    }
    double f = m != 0 ? fabs(mf / m) : 0;

    /* Is F a harmonic?  Look for the fundamental at F/2 .. F/7. */
    double dev[8];
    for (int d = 2; d <= 7; d++) {
        Refined r = refine(a, b, rate, f / d);
        dev[d] = r.weight < 0.07 * m ? 100.0 : r.deviation;
    }
    int first = 0, second = 0;
    for (int d = 2; d <= 7; d++)
        if (dev[d] < 100 && (!first || dev[d] < dev[first]))
            first = d;
    for (int d = 2; d <= 7; d++)
        if (d != first && dev[d] < 100 && (!second || dev[d] < dev[second]))
            second = d;
    if (!second || dev[second] > 2.0)
        return first && dev[first] < 2.0 ? f / first : f;
    if ((first == 2 || second == 2) && dev[4] < 2.0)
        return f / 4;
    if ((first == 2 || first == 3 || second == 2 || second == 3) && dev[6] < 2.0)
        return f / 6;
    if (dev[first] < 2.0 && first != 4 && first != 6)
        return f / first;
    return f;
}

void anSilent(AnChannel *out)
{
    for (int k = 0; k < AN_BINS; k++)
        out->db[k] = AN_FLOOR;
    out->frequency = 0;
}

/* Reads count frames from `first` and takes one channel's samples into w->samples (16-bit)
   or w->bytes (8-bit).  Returns 0, or 1 when the store refused. */
static int readChannel(int64_t first, int channel, int count, AnWork *w)
{
    int block = Wave.blockAlign ? Wave.blockAlign : 1;
    int bits = Wave.bitsPerSample == 16 ? 16 : 8;
    int64_t offset = first * block;
    if (offset < INT32_MIN || offset > INT32_MAX)
        return 1;
    if (vocRead(w->frames, (int32_t)offset, (uint32_t)(count * block)) != 0)
        return 1;
    int step = block / (bits / 8), at = Wave.channels == 2 && channel == 1 ? 1 : 0;
    for (int j = 0; j < count; j++) {
        if (bits == 16) {
            int16_t v;
            memcpy(&v, w->frames + (size_t)(j * step + at) * 2, 2);
            w->samples[j] = v;
        } else {
            w->bytes[j] = w->frames[j * step + at];
        }
    }
    return 0;
}

/* Windowed forward transform of 2048 samples from index `from` of the channel read. */
static void transform(float *x, const AnWork *w, int from)
{
    if (Wave.bitsPerSample == 16)
        SetFFT16bit(x, w->samples + from, AN_POINTS);
    else
        SetFFT8bit(x, w->bytes + from, AN_POINTS);
    WindowFFT(x, AN_POINTS, 0);
    FFT(x, AN_POINTS, 1);
}

int anAnalyse(int64_t first, int channel, uint32_t rate, AnChannel *out, AnWork *w)
{
    anSilent(out);
    if (readChannel(first, channel, AN_POINTS + 1, w))
        return 1;
    SetWindowType(5);
    transform(w->a, w, 0);
    transform(w->b, w, 1);
    double top = 0;
    for (int k = 1; k < AN_BINS; k++) {
        double v = magnitude(w->a, k) / 1024.0;
        out->db[k] = anDb(v);
        if (v > top)
            top = v;
    }
    out->db[0] = anDb(top);
    out->frequency = anDominant(w->a, w->b, rate);
    return 0;
}

void anScanRange(uint32_t selStart, uint32_t selEnd, AnScanRange *r)
{
    uint32_t end = selEnd == 0xFFFFFFFFu ? 0 : selEnd;
    if (end < selStart)
        end = selStart;
    uint32_t step = (end - selStart) / 16;
    if (step > 128)
        step = 128;
    if (step < 1)
        step = 1;
    r->step = step;
    r->total = (end - selStart) / step;
    r->first = (int64_t)selStart - AN_POINTS / 2;
    r->end = (int64_t)end - AN_POINTS / 2;
}

uint32_t anScan(uint32_t selStart, uint32_t selEnd, int channel, AnChannel *out, AnWork *w,
                int (*step)(void *ctx, uint32_t done, uint32_t total), void *ctx)
{
    AnScanRange r;
    anScanRange(selStart, selEnd, &r);
    double peak[AN_BINS];
    for (int k = 0; k < AN_BINS; k++)
        peak[k] = 0;
    uint32_t done = 0;
    for (int64_t p = r.first; p < r.end; p += r.step) {
        if (readChannel(p, channel, AN_POINTS, w))
            break;
        SetWindowType(5);   /* again each time: a refresh in the progress pump may change it */
        transform(w->a, w, 0);
        for (int k = 1; k < AN_BINS; k++) {
            double v = magnitude(w->a, k) / 1024.0;
            if (v > peak[k])
                peak[k] = v;
            if (v > peak[0])
                peak[0] = v;
        }
        done++;
        if (step && step(ctx, done, r.total))
            break;
    }
    for (int k = 0; k < AN_BINS; k++)
        out->db[k] = anDb(peak[k]);
    return done;
}

double anCursorFrequency(int x, int left, int right, uint32_t rate)
{
    if (right <= left)
        return 0;
    double u = (double)(x - left + 1) / (right - left);
    double f = u * rate / 2.0;
    double q = f > 10000 ? 0.1 : f > 1000 ? 1 : f > 100 ? 10 : 100;
    return (double)(int64_t)(f * q) / q;
}

int anCursorBin(int x, int left, int right)
{
    if (right <= left)
        return 0;
    double u = (double)(x - left + 1) / (right - left);
    int k = (int)(u * AN_BINS);
    return k < 0 ? 0 : k > AN_BINS - 1 ? AN_BINS - 1 : k;
}

int anBinX(int left, int width, int k)
{
    return left + (int)((int64_t)(width - 1) * k / AN_BINS);
}

int anLevelY(int top, int bottom, double db)
{
    int y = top + 2 - (int)((bottom - top - 4) * db * 0.01);
    if (y < top + 1)
        y = top + 1;
    if (y > bottom - 1)
        y = bottom - 1;
    return y;
}
