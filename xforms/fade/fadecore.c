/*
 * fadecore.c - the Fade module's curves.  No state.
 */
#include "xforms/fade/fadecore.h"
#include "xforms/common/pcm16.h"

#include <math.h>

#define FADE_PI 3.14159265358979323846

double fadeGain(int shape, double t)
{
    if (!(t > 0))
        return 0.0;
    if (t >= 1)
        return 1.0;
    switch (shape) {
    case FADE_LOG:
        /* -60 dB .. 0 dB in a straight line, pulled down to exactly 0 at the start. */
        return (pow(10.0, 3.0 * t) - 1.0) / 999.0;
    case FADE_SCURVE:
        return (1.0 - cos(FADE_PI * t)) * 0.5;
    default:
        return t;
    }
}

void fadeBlock(short *samples, size_t frames, int channels, int shape, int direction,
               uint32_t first, uint32_t total)
{
    size_t f;
    int c;
    for (f = 0; f < frames; f++) {
        double t = total > 1 ? (double)(first + (uint32_t)f) / (double)(total - 1) : 1.0;
        double g = fadeGain(shape, direction == FADE_OUT ? 1.0 - t : t);
        for (c = 0; c < channels; c++, samples++)
            *samples = pcmRound16(*samples * g, 0);
    }
}
