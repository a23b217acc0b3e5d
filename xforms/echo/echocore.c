/*
 * echocore.c - the Echo module's repeats over a ring of past input (see echocore.h).
 * No global state; the ring belongs to the EchoState.
 */
#include "xforms/echo/echocore.h"
#include "xforms/common/pcm16.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

uint32_t echoDelayFrames(double ms, uint32_t rate)
{
    double f = ms * (double)rate / 1000.0;
    if (!(f >= 0.5) || f > ECHO_MAX_SECONDS * (double)rate)
        return 0;
    return (uint32_t)(f + 0.5);
}

double echoDecayFromDb(double db) { return pow(10.0, db / 20.0); }

int echoInit(EchoState *st, int channels, uint32_t delay, int repeats, double decay, double dry, double wet)
{
    double g = wet;
    int k;
    memset(st, 0, sizeof *st);
    if ((channels != 1 && channels != 2) || delay == 0 || repeats < 1 || repeats > ECHO_MAX_REPEATS ||
        !(decay > 0 && decay <= 1) || !(dry >= 0 && dry <= 1) || !(wet >= 0 && wet <= 1))
        return -1;
    if ((uint64_t)delay * (uint64_t)repeats > 0x7FFFFFFu)
        return -1;
    st->channels = channels;
    st->delay = delay;
    st->repeats = repeats;
    st->dry = dry;
    for (k = 1; k <= repeats; k++) {
        g *= decay;
        st->tap[k] = g;
    }
    st->ringFrames = delay * (uint32_t)repeats;
    st->ring = (short *)calloc((size_t)st->ringFrames * (size_t)channels, sizeof(short));
    return st->ring ? 0 : -1;
}

void echoBlock(EchoState *st, const short *in, short *out, size_t frames)
{
    int ch = st->channels, c, k;
    uint32_t ring = st->ringFrames, pos = st->pos;
    size_t f;
    for (f = 0; f < frames; f++) {
        for (c = 0; c < ch; c++) {
            short x = in[f * ch + c];
            double y = st->dry * x;
            /* The ring's slot pos holds the input of ring frames ago; repeat k reaches
               back k * delay frames. */
            uint32_t back = pos;
            for (k = st->repeats; k >= 1; k--) {
                y += st->tap[k] * st->ring[(size_t)back * ch + c];
                back += st->delay;
                if (back >= ring)
                    back -= ring;
            }
            st->ring[(size_t)pos * ch + c] = x;
            out[f * ch + c] = pcmRound16(y, NULL);
        }
        if (++pos == ring)
            pos = 0;
    }
    st->pos = pos;
}

void echoFree(EchoState *st)
{
    free(st->ring);
    st->ring = NULL;
}
