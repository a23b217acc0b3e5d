/*
 * metercore.h - the window-free half of the level meter: its settings ([Meter] in zelo.ini)
 * with their bounds, measuring a block of samples (peak per channel, the running DC offset),
 * turning a level into a bar fraction over the dB range, the bar's fall, and the peak and
 * valley markers with their hold times.  The control window (audio/meter.cpp) draws what
 * meterAdvance decides.
 *
 * Global state: Meter.  Invariants: 0 <= shown[c] <= 1; a marker at x 0 (peak) or
 * METER_NOVALLEY (valley) is not drawn; clip[c] stays set until meterClearClips.
 */
#ifndef ZELO_METERCORE_H
#define ZELO_METERCORE_H

#include <stdint.h>

#define METER_NOVALLEY   6000    /* valley marker x when reset */
#define METER_DCFRAMES   400     /* frames summed before the DC offset is taken (more than) */

struct MeterSettings {
    int showOnPlay;     /* ShowOnPlay: fed during playback and recording */
    int dcAdjust;       /* DCAdjust: the running DC offset is subtracted */
    int showValleys;    /* ShowValleys */
    int range;          /* Range: dB over the bar width */
    int fadeTime;       /* FadeTime: ms for the bar to fall the whole width */
    int peakTime;       /* PeakTime: ms a peak is held; 0 held until cleared; -1 clear once */
    int valleyTime;     /* ValleyTime: likewise for valleys */
};

struct MeterState {
    MeterSettings set;
    int      channels;          /* bars shown, 1 or 2 */
    double   shown[2];          /* displayed level, fraction of the bar width */
    int      barX[2];           /* bar end x as drawn */
    int      peakX[2];          /* peak marker x, 0 none */
    uint32_t peakTick[2];       /* when the peak marker was set */
    int      valleyX[2];        /* valley marker x, METER_NOVALLEY none */
    uint32_t valleyTick[2];
    int      clip[2];           /* clip indicator lit */
    uint32_t lastTick;          /* time of the last update */
    int      updated;           /* an update happened since the last reset */
    int16_t  dc[2];             /* DC offset per channel */
    int64_t  dcSum[2];          /* running sums for the next DC offset */
    uint32_t dcCount;           /* frames in the sums */
    double   lastLevel[2];      /* the last measured levels (0..1 of full scale), for tests */
    uint32_t updates;           /* updates drawn (figures and tests) */
};
extern MeterState Meter;

/* Reads the settings through get(key, default) and holds them to their bounds. */
void meterLoadSettings(int (*get)(const char *key, int def));
/* A range chosen later: held to 6..120. */
int  meterClampRange(int db);

/* Measures n bytes of interleaved frames (bits 8 or 16, channels 1 or 2): peak per channel
   as a fraction of full scale (DC offset taken off), and keeps the DC sums.  Returns 0 and
   fills l, r; 1 when the block is too small to say anything. */
int  meterMeasure(const void *block, uint32_t n, int bits, int channels, double *l, double *r);

/* The bar fraction of a level over a dB range (raised to 12 when below); sets *clip at full
   scale. */
double meterFraction(double level, int range, int *clip);

/* What one update changes on one bar, for the window to draw. */
struct MeterChange {
    int oldX, newX;             /* bar end before and after */
    int peakErase, peakDraw;    /* x of a peak marker to erase / draw, -1 none */
    int valleyErase, valleyDraw;/* likewise for the valley marker */
};
/* One update of bar c (left..right in pixels) with a new level at time now.  Returns the
   changes to draw.  meterFinish ends the update (the time and one-shot clears). */
MeterChange meterAdvance(int c, double level, uint32_t now, int left, int right);
void meterFinish(uint32_t now);
/* Every level, marker and time back to nothing (a level of -1). */
void meterReset(void);
/* Clip indicators off; held peaks and valleys are cleared at the next update. */
void meterClearClips(void);

/* Level in dB (tenths) of a fraction of full scale, -1200 for silence. */
int  meterDb10(double level);

#endif
