/*
 * dccore.h - the DC Offset module's arithmetic, window-free: each channel's mean over a
 * range of interleaved 16-bit frames (summed piece by piece), and a block shifted by an
 * offset per channel, rounded and clipped.  No global state.
 */
#ifndef ZELO_XFORMS_DCCORE_H
#define ZELO_XFORMS_DCCORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct DcSum {
    int      channels;   /* 1 or 2 */
    double   sum[2];     /* exact: integer sums below 2^53 */
    uint64_t frames;
} DcSum;

void dcSumInit(DcSum *s, int channels);
void dcSumBlock(DcSum *s, const short *samples, size_t frames);
/* Channel c's mean in sample units (0 before any frame). */
double dcMean(const DcSum *s, int c);

/* An offset in percent of full scale (100 percent = 32768, as sox's dcshift 1.0). */
double dcFromPercent(double percent);
double dcToPercent(double samples);

/* Adds offset[c] to channel c of every frame in place; returns the samples clipped. */
unsigned long dcShiftBlock(short *samples, size_t frames, int channels, const double offset[2]);

#ifdef __cplusplus
}
#endif

#endif
