/*
 * ampcore.h - the Amplify module's arithmetic, window-free: gains from decibels or
 * percent, and a block of interleaved 16-bit frames scaled by a gain per channel times an
 * optional envelope (a polyline over the range, read as the host's graph control reads
 * its points).  No global state; an AmpEnvelope carries its own segment cursor.
 */
#ifndef ZELO_XFORMS_AMPCORE_H
#define ZELO_XFORMS_AMPCORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define AMP_MAX_POINTS 70

/* Envelope points as the graph control keeps them: x from 0 to xMax strictly increasing,
   y in percent of the gain (100 leaves the gain as set). */
typedef struct AmpEnvelope {
    int    count;                    /* points in use, 2..AMP_MAX_POINTS; 0: no envelope */
    long   x[AMP_MAX_POINTS];
    long   y[AMP_MAX_POINTS];
    long   xMax;                     /* x of the range's last frame */
    int    seg;                      /* cursor: the segment the last lookup ended in */
} AmpEnvelope;

/* 10^(dB/20) and percent/100. */
double ampGainFromDb(double db);
double ampGainFromPercent(double percent);
/* The gain in decibels (-1000 for 0 or less). */
double ampDbFromGain(double gain);

/* The envelope's value at position p (0 first frame .. 1 last frame), in percent:
   linear between the points around p * xMax.  Positions must not go backward between
   calls unless the cursor is reset (seg = 0). */
double ampEnvelopeAt(AmpEnvelope *env, double p);

/* Scales frames interleaved frames of channels (1 or 2) 16-bit samples in place.
   gain[c] is channel c's factor; env may be NULL; first is the index of frames[0] within
   the range of total frames that the envelope spans.  Returns the samples clipped. */
unsigned long ampBlock(short *samples, size_t frames, int channels, const double gain[2],
                       AmpEnvelope *env, uint32_t first, uint32_t total);

#ifdef __cplusplus
}
#endif

#endif
