/*
 * compcore.h - the Compressor/Limiter module's arithmetic, window-free: a peak envelope
 * follower (one-pole attack and release on the louder channel's magnitude), the static
 * curve (above the threshold the level rises 1/ratio dB per dB), make-up gain, an
 * optional lookahead (the signal is delayed so the follower hears a peak before it
 * arrives) and a ceiling that no output sample passes.  No global state: a CompState
 * holds the follower and the lookahead line of one run.
 *
 * Per frame n, with d = max over channels of |in[n]| and levels in sample units
 * (0 dB = 32767):
 *     env = d + (d > env ? attackCoef : releaseCoef) * (env - d)
 *     g   = env > thr ? (env / thr)^(1/ratio - 1) : 1
 *     out[n - lookahead] = clamp(round(in[n - lookahead] * g * makeup), -ceiling, ceiling)
 * with attackCoef = exp(-1 / (attack seconds * rate)), releaseCoef likewise.
 */
#ifndef ZELO_XFORMS_COMPCORE_H
#define ZELO_XFORMS_COMPCORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define COMP_MAX_LOOKAHEAD_MS 50.0

typedef struct CompParams {
    double thresholdDb;   /* -80 .. 0 */
    double ratio;         /* 1 .. 1000 */
    double attackMs;      /* 0.01 .. 2000 */
    double releaseMs;     /* 0.1 .. 10000 */
    double makeupDb;      /* -40 .. 40 */
    double lookaheadMs;   /* 0 .. COMP_MAX_LOOKAHEAD_MS */
    double ceilingDb;     /* -40 .. 0 */
} CompParams;

typedef struct CompState {
    int      channels;    /* 1 or 2 */
    double   thr;         /* threshold in sample units */
    double   slope;       /* 1/ratio - 1 */
    double   attackCoef, releaseCoef;
    double   makeup;      /* factor */
    int      ceiling;     /* largest output magnitude */
    double   env;         /* the follower */
    short   *line;        /* lookahead line: la frames, interleaved */
    uint32_t la;          /* lookahead in frames */
    uint32_t pos;         /* line frame the next input frame goes to */
    uint32_t held;        /* frames in the line so far (up to la) */
    double   minGain;     /* smallest g so far, for the caller's report */
    uint64_t taken;       /* input frames given to compBlock */
    uint64_t given;       /* output frames made */
} CompState;

/* 1 when every value lies in its range (see CompParams). */
int compValid(const CompParams *p);
/* The ceiling in sample units: floor(32767 * 10^(dB/20)). */
int compCeiling(double db);

/* Returns 0, or -1 for invalid values or when the lookahead line cannot be had. */
int compInit(CompState *st, int channels, uint32_t rate, const CompParams *p);
/* Takes frames input frames and writes the output frames that are ready (the input of
   la frames ago) to out, which has room for frames frames; returns how many. */
size_t compBlock(CompState *st, const short *in, size_t frames, short *out);
/* Up to room of the frames still held in the lookahead line (the input goes on as
   silence); returns how many, 0 once every input frame has come out. */
size_t compFlush(CompState *st, short *out, size_t room);
void compFree(CompState *st);

#ifdef __cplusplus
}
#endif

#endif
