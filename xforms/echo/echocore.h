/*
 * echocore.h - the Echo module's arithmetic, window-free: a dry signal plus a number of
 * repeats, each one delay later than the one before and quieter by the decay, over
 * interleaved 16-bit frames given block after block.  The state holds a ring of the input
 * as long as the furthest repeat reaches back; nothing is global.
 *
 *     out[n] = dry * in[n] + wet * sum(k = 1..repeats) decay^k * in[n - k * delay]
 *
 * Input before the first frame counts as silence; the output has as many frames as the
 * input (the tail beyond the last input frame is not made).
 */
#ifndef ZELO_XFORMS_ECHOCORE_H
#define ZELO_XFORMS_ECHOCORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ECHO_MAX_REPEATS 20
#define ECHO_MAX_SECONDS 30.0   /* delay * repeats: how far back the ring reaches */

typedef struct EchoState {
    int      channels;          /* 1 or 2 */
    uint32_t delay;             /* frames between repeats */
    int      repeats;
    double   dry;               /* factor of the input */
    double   tap[ECHO_MAX_REPEATS + 1]; /* tap[k]: wet * decay^k */
    short   *ring;              /* the last ringFrames input frames, interleaved */
    uint32_t ringFrames;        /* delay * repeats */
    uint32_t pos;               /* ring frame the next input frame goes to */
} EchoState;

/* Frames of a delay in milliseconds at a rate, rounded; 0 when absurd. */
uint32_t echoDelayFrames(double ms, uint32_t rate);
/* The decay per repeat as a factor from decibels (10^(dB/20)). */
double echoDecayFromDb(double db);

/* Sets up the state and takes its ring.  dry and wet are factors (1 = as is).  Returns 0,
   or -1 when the values are out of range or the ring cannot be had. */
int echoInit(EchoState *st, int channels, uint32_t delay, int repeats, double decay, double dry, double wet);
/* Echoes frames frames from in to out (they may be the same buffer). */
void echoBlock(EchoState *st, const short *in, short *out, size_t frames);
void echoFree(EchoState *st);

#ifdef __cplusplus
}
#endif

#endif
