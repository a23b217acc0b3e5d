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
    double r;
    if (!(v == v))
        return 0;
    r = v >= 0 ? floor(v + 0.5) : -floor(-v + 0.5);
    if (r > 32767.0) {
        if (clipped)
            ++*clipped;
        return 32767;
    }
    if (r < -32768.0) {
        if (clipped)
            ++*clipped;
        return -32768;
    }
    return (short)r;
}

#endif
