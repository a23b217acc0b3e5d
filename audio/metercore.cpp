/*
 * metercore.cpp - the level meter's arithmetic: settings bounds, measuring blocks, the dB bar
 * fraction, the fall of the bar and the hold of its markers.  Writes Meter.
 */
#include "audio/metercore.h"

#include <math.h>
#include <string.h>

MeterState Meter = {{0, 1, 0, 60, 1000, 1500, 2500}, 1, {0, 0}, {0, 0}, {0, 0}, {0, 0},
                    {METER_NOVALLEY, METER_NOVALLEY}, {0, 0}, {0, 0}, 0, 0, {0, 0}, {0, 0}, 0,
                    {0, 0}, 0};

void meterLoadSettings(int (*get)(const char *key, int def))
{
    MeterSettings &s = Meter.set;
    s.showOnPlay = get("ShowOnPlay", 0);
    s.dcAdjust = get("DCAdjust", 1);
    s.showValleys = get("ShowValleys", 0);
    s.range = get("Range", 60);
    if (s.range < 5)
        s.range = 5;
    if (s.range > 120)
        s.range = 120;
    s.fadeTime = get("FadeTime", 1000);
    if (s.fadeTime <= 0)
        s.fadeTime = 1000;
    s.peakTime = get("PeakTime", 1500);
    if (s.peakTime < 0)
        s.peakTime = 1500;
    s.valleyTime = get("ValleyTime", 2500);
    if (s.valleyTime < 0)
        s.valleyTime = 2500;
}

int meterClampRange(int db)
{
    return db < 6 ? 6 : db > 120 ? 120 : db;
}

int meterMeasure(const void *block, uint32_t n, int bits, int channels, double *l, double *r)
{
    if (!block || n < 4)
        return 1;
    if (channels != 2)
        channels = 1;
    uint32_t count = n / 2 / (uint32_t)channels;
    if (count > 256)
        count = 256;
    if (count < 3)
        return 1;
    uint32_t align = (uint32_t)channels * (bits == 8 ? 1u : 2u);
    uint32_t step = n / count;
    step -= step % align;
    if (step < align)
        step = align;
    const uint8_t *p = (const uint8_t *)block;
    int32_t peak[2] = {0, 0};
    for (uint32_t i = 0; i < count; i++) {
        uint32_t off = i * step;
        if (off + align > n)
            break;
        for (int c = 0; c < channels; c++) {
            int32_t s;
            if (bits == 8) {
                s = ((int32_t)p[off + (uint32_t)c] - 128) * 256;
            } else {
                const uint8_t *q = p + off + 2u * (uint32_t)c;
                s = (int16_t)(uint16_t)(q[0] | (q[1] << 8));
            }
            int32_t v = s - Meter.dc[c];
            if (v < 0)
                v = -v;
            if (v > peak[c])
                peak[c] = v;
            Meter.dcSum[c] += s;
        }
        Meter.dcCount++;
    }
    *l = peak[0] * (1.0 / 32767);
    *r = channels == 2 ? peak[1] * (1.0 / 32767) : 0.0;
    if (!Meter.set.dcAdjust) {
        Meter.dc[0] = Meter.dc[1] = 0;
    } else if (Meter.dcCount > METER_DCFRAMES) {
        for (int c = 0; c < 2; c++) {
            Meter.dc[c] = (int16_t)(Meter.dcSum[c] / (int64_t)Meter.dcCount);
            Meter.dcSum[c] = 0;
        }
        Meter.dcCount = 0;
    }
    Meter.lastLevel[0] = *l;
    Meter.lastLevel[1] = *r;
    return 0;
}

double meterFraction(double level, int range, int *clip)
{
    if (range < 12)
        range = 12;
    if (level >= 1.0) {
        if (clip)
            *clip = 1;
        return 1.0;
    }
    if (level <= 1e-6)
        return 0.0;
    double f = (20.0 * log10(level) + range) / range;
    return f < 0.0 ? 0.0 : f;
}

MeterChange meterAdvance(int c, double level, uint32_t now, int left, int right)
{
    MeterChange ch = {Meter.barX[c], Meter.barX[c], -1, -1, -1, -1};
    MeterSettings &s = Meter.set;
    if (s.range < 12)
        s.range = 12;
    double f = meterFraction(level, s.range, &Meter.clip[c]);
    double decay = Meter.updated ? (double)(now - Meter.lastTick) / s.fadeTime : 1.0;
    double shown = Meter.shown[c];
    if (f >= shown)
        shown = f;
    else
        shown = f > shown - decay ? f : shown - decay;
    Meter.shown[c] = shown;

    if (s.peakTime != 0 && Meter.peakX[c] && (s.peakTime < 0 || (int32_t)(now - Meter.peakTick[c]) >= s.peakTime)) {
        ch.peakErase = Meter.peakX[c];
        Meter.peakX[c] = 0;
    }
    if (s.showValleys && s.valleyTime != 0 && Meter.valleyX[c] != METER_NOVALLEY &&
        (s.valleyTime < 0 || (int32_t)(now - Meter.valleyTick[c]) >= s.valleyTime)) {
        ch.valleyErase = Meter.valleyX[c];
        Meter.valleyX[c] = METER_NOVALLEY;
    }
    int x = left + (int)((right - left) * shown);
    ch.newX = x;
    Meter.barX[c] = x;
    if (x > Meter.peakX[c]) {
        Meter.peakX[c] = x;
        Meter.peakTick[c] = now;
        ch.peakDraw = x;
    }
    if (s.showValleys && x < Meter.valleyX[c]) {
        Meter.valleyX[c] = x;
        Meter.valleyTick[c] = now;
        ch.valleyDraw = x;
    }
    return ch;
}

void meterFinish(uint32_t now)
{
    Meter.lastTick = now;
    Meter.updated = 1;
    Meter.updates++;
    if (Meter.set.peakTime < 0)
        Meter.set.peakTime = 0;
    if (Meter.set.valleyTime < 0)
        Meter.set.valleyTime = 0;
}

void meterReset(void)
{
    for (int c = 0; c < 2; c++) {
        Meter.shown[c] = 0;
        Meter.peakX[c] = 0;
        Meter.peakTick[c] = 0;
        Meter.valleyX[c] = METER_NOVALLEY;
        Meter.valleyTick[c] = 0;
        Meter.lastLevel[c] = 0;
    }
    Meter.updated = 0;
}

void meterClearClips(void)
{
    Meter.clip[0] = Meter.clip[1] = 0;
    if (Meter.set.peakTime == 0)
        Meter.set.peakTime = -1;
    if (Meter.set.valleyTime == 0)
        Meter.set.valleyTime = -1;
}

int meterDb10(double level)
{
    if (level <= 1e-6)
        return -1200;
    return (int)lround(200.0 * log10(level));
}
