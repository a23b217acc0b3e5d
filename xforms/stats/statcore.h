/*
 * statcore.h - the Statistics tool's sums, window-free: per channel the lowest and
 * highest sample, sum and sum of squares, the samples at either end of the 16-bit range,
 * and from them the peak and RMS levels in decibels of full scale (32768) and the DC
 * offset as a fraction of full scale.  No global state: the caller owns the StatChannel
 * records and may feed them any number of blocks.
 */
#ifndef ZELO_XFORMS_STATCORE_H
#define ZELO_XFORMS_STATCORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct StatChannel {
    uint64_t count;     /* samples seen */
    int      min, max;  /* lowest and highest sample (0, 0 before any) */
    double   sum;       /* of the samples */
    double   sumSq;     /* of their squares */
    uint64_t clipped;   /* samples at -32768 or 32767 */
} StatChannel;

#define STAT_SILENT_DB (-1000.0)   /* level of silence, or of no samples */

void statReset(StatChannel *ch, int channels);
/* Adds frames interleaved frames of channels (1 or 2) channels to ch[0..channels-1]. */
void statAdd(StatChannel *ch, const short *samples, size_t frames, int channels);

double statPeakDb(const StatChannel *ch);   /* 20 log10(max |sample| / 32768) */
double statRmsDb(const StatChannel *ch);    /* 20 log10(sqrt(mean square) / 32768) */
double statDc(const StatChannel *ch);       /* mean / 32768, 0 without samples */
int    statPeak(const StatChannel *ch);     /* max |sample|, 0..32768 */

#ifdef __cplusplus
}
#endif

#endif
