/*
 * timefmt.cpp - the time formats and the status texts.  Products that could pass 32 bits
 * (remainder x 1000, remainder x fps) are formed in 64 bits.
 */
#include "view/timefmt.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

void FormatDecimal(uint32_t frame, uint32_t rate, char *text, size_t size, int shortForm)
{
    if (rate == 0)
        rate = 1;
    uint32_t s = frame / rate;
    uint32_t ms = (uint32_t)(((uint64_t)(frame - s * rate) * 1000u) / rate);
    if (shortForm)
        snprintf(text, size, "%2lu:%02lu", (unsigned long)(s / 60), (unsigned long)(s % 60));
    else
        snprintf(text, size, "%2lu:%02lu.%03lu", (unsigned long)(s / 60), (unsigned long)(s % 60),
                 (unsigned long)ms);
}

static void formatSmpte(uint32_t frame, uint32_t rate, char *text, size_t size)
{
    double f = (double)frame / rate * SMPTE_DROP_RATE;
    double d = trunc(f / 17982.0);
    long r = (long)trunc(fmod(f, 17982.0));
    /* Two frame numbers are skipped at every minute except every tenth; the division
       truncates toward zero, so nothing is added at r of 0 or 1. */
    double g = f + 2.0 * (9.0 * d + (double)((r - 2) / 1798));
    double t = trunc(g + 1e-7);
    double m = trunc(t / 1800.0);
    double s = trunc(trunc(t - 1800.0 * m + 1e-7) / 30.0);
    double ff = trunc(t - 1800.0 * m - 30.0 * s + 1e-7);
    snprintf(text, size, "%ld:%02ld:%02ld", (long)m, (long)s, (long)ff);
}

void FormatFrames(uint32_t frame, uint32_t rate, int fps, char *text, size_t size,
                  int shortForm, int smpte, int count)
{
    if (rate == 0)
        rate = 1;
    if (fps < 1)
        fps = 1;
    if (count) {
        double per = smpte ? SMPTE_DROP_RATE : (double)fps;
        snprintf(text, size, "%lu", (unsigned long)trunc((double)frame / rate * per));
        return;
    }
    if (smpte) {
        formatSmpte(frame, rate, text, size);
        return;
    }
    uint32_t s = frame / rate;
    uint32_t ff = (uint32_t)(((uint64_t)(frame - s * rate) * (uint32_t)fps) / rate);
    unsigned long m = s / 60, sec = s % 60;
    if (shortForm)
        snprintf(text, size, "%lu:%02lu", m, sec);
    else if (fps <= 9)
        snprintf(text, size, "%lu:%02lu:%01lu", m, sec, (unsigned long)ff);
    else if (fps <= 99)
        snprintf(text, size, "%lu:%02lu:%02lu", m, sec, (unsigned long)ff);
    else
        snprintf(text, size, "%lu:%02lu:%03lu", m, sec, (unsigned long)ff);
}

/* One position in a field's format, behind its caption. */
static void positionText(char *out, size_t size, const char *caption, uint32_t frame, int mode,
                         const StatusInput *in)
{
    char t[32];
    switch (mode) {
    case TIME_SAMPLES:
        snprintf(out, size, " %s %lu", caption, (unsigned long)frame);
        return;
    case TIME_FRAMES:
        FormatFrames(frame, in->rate, in->fps, t, sizeof t, 0, 0, 0);
        snprintf(out, size, " %s %s f", caption, t);
        return;
    case TIME_SMPTE:
        FormatFrames(frame, in->rate, in->fps, t, sizeof t, 0, 1, 0);
        snprintf(out, size, " %s %s d", caption, t);
        return;
    default:
        FormatDecimal(frame, in->rate, t, sizeof t, 0);
        snprintf(out, size, " %s %s", caption, t);
        return;
    }
}

void timeStatusTexts(const StatusInput *in, StatusTexts *out)
{
    memset(out, 0, sizeof *out);
    if (!in->open) {
        strcpy(out->beg, " Beg:");
        strcpy(out->end, " End:");
        strcpy(out->time, " Time:");
        return;
    }
    int block = in->channels * in->bits / 8;
    uint32_t frames = block > 0 ? in->dataBytes / (uint32_t)block : 0;
    uint32_t viewEnd = in->viewEnd;
    if (frames > 0 && viewEnd > frames - 1)
        viewEnd = frames - 1;
    snprintf(out->format, sizeof out->format, " %lu / %d bit / %s", (unsigned long)in->rate, in->bits,
             in->channels == 2 ? "Stereo" : "Mono");
    snprintf(out->count, sizeof out->count, " %lu Samples", (unsigned long)frames);
    snprintf(out->size, sizeof out->size, " %lu K", (unsigned long)(in->dataBytes / 1024));

    int selected = in->selEnd != 0xFFFFFFFFu && in->selEnd >= in->selStart;
    uint32_t length;
    positionText(out->beg, sizeof out->beg, "Beg:", in->selStart, in->begMode, in);
    if (selected) {
        positionText(out->end, sizeof out->end, "End:", in->selEnd, in->endMode, in);
        length = in->selEnd - in->selStart + 1;
    } else {
        strcpy(out->end, " End:");
        length = viewEnd >= in->viewStart ? viewEnd - in->viewStart + 1 : 0;
    }
    char t[32];
    switch (in->lenMode) {
    case TIME_SAMPLES:
        snprintf(out->time, sizeof out->time, " Time: %lu", (unsigned long)length);
        break;
    case TIME_FRAMES:
    case TIME_SMPTE:
        FormatFrames(length, in->rate, in->fps, t, sizeof t, 0, in->lenMode == TIME_SMPTE, 1);
        snprintf(out->time, sizeof out->time, " Time: %s frms", t);
        break;
    default:
        FormatDecimal(length, in->rate, t, sizeof t, 0);
        snprintf(out->time, sizeof out->time, " Time: %s", t);
        break;
    }
}
