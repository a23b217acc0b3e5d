/*
 * ampcore.c - gains and the scaling of 16-bit frames for the Amplify module.  No state
 * beyond the caller's envelope cursor.
 */
#include "xforms/amplify/ampcore.h"
#include "xforms/common/pcm16.h"

#include <math.h>

double ampGainFromDb(double db) { return pow(10.0, db / 20.0); }

double ampGainFromPercent(double percent) { return percent / 100.0; }

double ampDbFromGain(double gain) { return gain > 0 ? 20.0 * log10(gain) : -1000.0; }

double ampEnvelopeAt(AmpEnvelope *env, double p)
{
    double X = (double)env->xMax * p;
    int i;
    if (env->count < 2)
        return 100.0;
    i = env->seg < 1 ? 1 : env->seg;
    if (i >= env->count || X < (double)env->x[i - 1])
        i = 1;
    while (i < env->count - 1 && X > (double)env->x[i])
        i++;
    env->seg = i;
    if (env->x[i] == env->x[i - 1])
        return (env->y[i] + env->y[i - 1]) * 0.5;
    if (X >= (double)env->x[i])
        return (double)env->y[i];
    if (X <= (double)env->x[i - 1])
        return (double)env->y[i - 1];
    return env->y[i - 1] + (double)(env->y[i] - env->y[i - 1]) / (double)(env->x[i] - env->x[i - 1]) *
                               (X - (double)env->x[i - 1]);
}

unsigned long ampBlock(short *samples, size_t frames, int channels, const double gain[2],
                       AmpEnvelope *env, uint32_t first, uint32_t total)
{
    unsigned long clipped = 0;
    size_t f;
    int c;
    if (!env || env->count < 2) {
        for (f = 0; f < frames; f++)
            for (c = 0; c < channels; c++, samples++)
                *samples = pcmRound16(*samples * gain[c], &clipped);
        return clipped;
    }
    for (f = 0; f < frames; f++) {
        double p = total > 1 ? (double)(first + f) / (double)(total - 1) : 0.0;
        double e = ampEnvelopeAt(env, p) / 100.0;
        for (c = 0; c < channels; c++, samples++)
            *samples = pcmRound16(*samples * gain[c] * e, &clipped);
    }
    return clipped;
}
