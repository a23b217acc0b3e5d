/*
 * ruler.cpp - the ruler's step choice and label texts (window-free).
 *
 * Time steps come from a fixed table down from 300 s; above 300 s they continue in
 * multiples of 300 s, so widening the step always makes labels sparser and the search ends.
 */
#include "view/ruler.h"
#include "view/timefmt.h"

#include <math.h>
#include <stdio.h>

static const struct {
    double step;
    int precision, minor;
} timeSteps[] = {
    {300, 1, 1}, {120, 1, 2}, {60, 1, 2}, {30, 1, 2}, {20, 1, 2}, {10, 1, 2}, {5, 10, 5},
    {2, 10, 2},  {1, 10, 2},  {0.5, 10, 5}, {0.2, 10, 2}, {0.1, 10, 2}, {0.05, 100, 5},
    {0.02, 100, 2}, {0.01, 100, 2}, {0.005, 1000, 5}, {0.002, 1000, 2}, {0.001, 1000, 2},
};
static const int timeStepCount = (int)(sizeof timeSteps / sizeof timeSteps[0]);

static const struct {
    double frames;
    int precision, minor;
} subFrameSteps[] = {
    {1, 1, 2}, {0.5, 10, 5}, {0.2, 10, 2}, {0.1, 10, 2}, {0.05, 100, 5}, {0.02, 100, 2},
};

static int kindOf(unsigned flags)
{
    if (flags & RULER_SMPTE)
        return 3;
    if (flags & RULER_FRAMES)
        return 2;
    if (flags & RULER_TIME)
        return 1;
    return 0;
}

/* Table steps; above 300 s whole multiples of 300 s. */
static void tableStep(double raw, double *step, int *precision, int *minor)
{
    if (raw >= 600) {
        *step = 300.0 * floor(raw / 300.0);
        *precision = 1;
        *minor = 1;
        return;
    }
    for (int i = 0; i < timeStepCount; i++)
        if (raw >= timeSteps[i].step) {
            *step = timeSteps[i].step;
            *precision = timeSteps[i].precision;
            *minor = timeSteps[i].minor;
            return;
        }
    *step = 0.001;
    *precision = 1000;
    *minor = 2;
}

static void frameStep(double raw, int r, double *step, int *precision, int *minor)
{
    if (raw >= 2) {
        tableStep(raw, step, precision, minor);
        *precision = 1;
        return;
    }
    *precision = 1;
    if (raw >= 1) {
        *step = 1;
        *minor = 2;
        if (r % 2) {
            for (int d = 3; d < r; d++)
                if (r % d == 0) {
                    *minor = d;
                    break;
                }
        }
        return;
    }
    if (raw >= 2.0 / r) {
        int d = 1;
        for (int k = r / 2; k >= 1; k--)
            if (r % k == 0 && (double)k / r <= raw) {
                d = k;
                break;
            }
        *step = (double)d / r;
        *minor = 1;
        for (int k = 2; k <= d; k++)
            if (d % k == 0) {
                *minor = k;
                break;
            }
        return;
    }
    for (const auto &s : subFrameSteps)
        if (s.frames / r <= raw) {
            *step = s.frames / r;
            *precision = s.precision;
            *minor = s.minor;
            return;
        }
    *step = 0.01 / r;
    *precision = 100;
    *minor = 2;
}

void rulerChooseStep(const RulerParams *p, double rawStep, RulerScale *out)
{
    out->kind = kindOf(p->flags);
    if (out->kind == 0) {
        double base = (p->flags & RULER_TWELVE) ? 12.0 : 10.0;
        const double mult[3] = {1.0, (p->flags & RULER_TWELVE) ? 3.0 : 2.0, (p->flags & RULER_TWELVE) ? 6.0 : 5.0};
        double power = 1.0;
        int which = 0;
        for (;;) {
            int i;
            for (i = 0; i < 3; i++)
                if (mult[i] * power > rawStep)
                    break;
            if (i < 3) {
                which = i;
                break;
            }
            power *= base;
            if (power > 1e15)
                break;
        }
        out->step = mult[which] * power;
        out->minor = which == 1 ? 2 : 5;
        out->precision = 1;
        out->stepSeconds = 0;
        out->first = ceil(p->first / power) * power;
        return;
    }
    double rate = p->rate ? (double)p->rate : 1.0;
    double raw = rawStep / rate, step;
    int precision, minor;
    if (out->kind == 1)
        tableStep(raw, &step, &precision, &minor);
    else
        frameStep(raw, out->kind == 3 ? 30 : (p->fps > 0 ? p->fps : 1), &step, &precision, &minor);
    out->stepSeconds = step;
    out->step = step * rate;
    out->precision = precision;
    out->minor = minor;
    out->first = floor(p->first / rate / step) * step * rate;
}

void rulerLabel(const RulerParams *p, const RulerScale *s, double v, char *text, size_t size)
{
    if (s->kind == 0) {
        snprintf(text, size, "%ld", (long)floor(v + 0.5));
        return;
    }
    double rate = p->rate ? (double)p->rate : 1.0;
    double secs = v / rate;
    if (secs < 0)
        secs = 0;
    if (s->kind == 1) {
        double units = floor(secs * s->precision + 0.5);   /* rounded to the precision */
        long whole = (long)(units / s->precision);
        long frac = (long)(units - (double)whole * s->precision);
        int digits = s->precision >= 1000 ? 3 : s->precision >= 100 ? 2 : s->precision >= 10 ? 1 : 0;
        if (digits)
            snprintf(text, size, "%ld:%02ld.%0*ld", whole / 60, whole % 60, digits, frac);
        else
            snprintf(text, size, "%ld:%02ld", whole / 60, whole % 60);
        return;
    }
    if (s->kind == 3) {
        FormatFrames((uint32_t)(v + 0.5), p->rate, 30, text, size, 0, 1, 0);
        return;
    }
    /* Custom frames; below one frame a fraction of the frame follows after a point. */
    int fps = p->fps > 0 ? p->fps : 1;
    double framesTotal = secs * fps;
    double units = floor(framesTotal * s->precision + 0.5);
    double wholeFrames = floor(units / s->precision);
    long frac = (long)(units - wholeFrames * s->precision);
    long sec = (long)floor(wholeFrames / fps);
    long ff = (long)(wholeFrames - (double)sec * fps);
    if (s->precision > 1)
        snprintf(text, size, "%ld:%02ld:%02ld.%0*ld", sec / 60, sec % 60, ff, s->precision >= 100 ? 2 : 1, frac);
    else
        snprintf(text, size, "%ld:%02ld:%02ld", sec / 60, sec % 60, ff);
}

/* The widest label the scale prints inside the range: in the plain format the first label
   ("0") is far narrower than later ones ("20000"), so measuring only the first one lets
   the labels run together.  Past 64 labels only the first and the last are measured. */
static int widestLabel(const RulerParams *p, const RulerScale *s,
                       int (*measure)(void *ctx, const char *text), void *ctx)
{
    if (!measure)
        return 0;
    char text[48];
    double v = s->first;
    if (s->step > 0 && v < p->first)
        v += s->step * ceil((p->first - v) / s->step);
    double count = s->step > 0 ? floor((p->last - v) / s->step) + 1 : 1;
    if (count < 1)
        count = 1;
    int widest = 0;
    for (double k = 0; k < count; k++) {
        if (count > 64 && k > 0 && k < count - 1)
            k = count - 1;
        rulerLabel(p, s, v + k * s->step, text, sizeof text);
        int w = measure(ctx, text);
        if (w > widest)
            widest = w;
    }
    rulerLabel(p, s, s->first, text, sizeof text);   /* the step search's own first label */
    int w = measure(ctx, text);
    return w > widest ? w : widest;
}

int rulerLayout(const RulerParams *p, int (*measure)(void *ctx, const char *text), void *ctx,
                RulerScale *out)
{
    double f = (p->flags & RULER_COARSE) ? 0.4 : 0.7;
    double range = p->last - p->first;
    int labels = p->maxLabels > 0 ? p->maxLabels : 1;
    int rounds = 0;
    if (range <= 0)
        range = 1;
    for (;;) {
        rounds++;
        rulerChooseStep(p, range / labels * f, out);
        int width = widestLabel(p, out, measure, ctx);
        double distance = trunc((double)(p->width - 4) * out->step / range);
        /* The second test stops a strip too narrow for even one label; 400 rounds make the
           factor grow by 1e31, past every step a 32-bit range can ask for. */
        if (distance > width + 8 || out->step > range * 2 || rounds >= 400)
            return rounds;
        f *= 1.2;
    }
}
