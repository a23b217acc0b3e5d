/*
 * pcm16.h - what every bundled transform module does to a 16-bit sample: scale by a
 * factor, round half away from zero and clip to the 16-bit range.  Window-free and
 * header-only, so the modules' sample cores build natively for their tests.  No state.
 */
#ifndef ZELO_XFORMS_PCM16_H
#define ZELO_XFORMS_PCM16_H

#include <math.h>

/* v rounded half away from zero and held inside -32768..32767; *clipped counts held
   values (may be NULL).  NaN gives 0. */
static inline short pcmRound16(double v, unsigned long *clipped)
{
    if (!(v == v))
        return 0;
    /* Held where rounding would pass the ends: v + 0.5 reaching 32768, v - 0.5 -32769. */
    if (v >= 32767.5) {
        if (clipped)
            ++*clipped;
        return 32767;
    }
    if (v <= -32768.5) {
        if (clipped)
            ++*clipped;
        return -32768;
    }
    /* Truncation after adding a half with v's sign is rounding half away from zero, with
       no call to floor for every sample. */
    return (short)(int)(v >= 0 ? v + 0.5 : v - 0.5);
}

#endif
