/*
 * normcore.h - the Normalize module's arithmetic, window-free: a scan that gathers each
 * channel's extremes and sum over a range of 16-bit frames, the gains (and offsets) that
 * bring the loudest sample to a target level, and the block that applies them.  No global
 * state: a NormScan belongs to its caller.
 */
#ifndef ZELO_XFORMS_NORMCORE_H
#define ZELO_XFORMS_NORMCORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* What the first pass learns about each channel. */
typedef struct NormScan {
    int      channels;    /* 1 or 2 */
    int      lo[2];       /* smallest sample seen */
    int      hi[2];       /* largest sample seen */
    double   sum[2];      /* sum of the samples (exact: integers below 2^53) */
    uint64_t frames;      /* frames seen */
} NormScan;

/* How the second pass changes each channel: out = (in - offset) * gain. */
typedef struct NormPlan {
    double gain[2];
    double offset[2];
} NormPlan;

void normScanInit(NormScan *scan, int channels);
void normScanBlock(NormScan *scan, const short *samples, size_t frames);

/* The sample value a level reaches: 32767 * 10^(dB/20) or 32767 * percent / 100. */
double normTargetDb(double db);
double normTargetPercent(double percent);

/* Gains and offsets that bring the peak to target (a sample value).  removeDc: each
   channel's mean is subtracted first and the peak is measured around it.  linked: one
   gain for every channel, from the louder peak.  A silent channel keeps gain 1. */
void normPlan(const NormScan *scan, double target, int linked, int removeDc, NormPlan *plan);

/* Applies a plan to interleaved frames in place, rounding half away from zero. */
void normBlock(short *samples, size_t frames, int channels, const NormPlan *plan);

#ifdef __cplusplus
}
#endif

#endif
