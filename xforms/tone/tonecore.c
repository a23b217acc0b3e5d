/*
 * tonecore.c - the Tone generator's waveforms.  No state.
 */
#include "xforms/tone/tonecore.h"
#include "xforms/common/pcm16.h"

#include <math.h>

#define TONE_PI 3.14159265358979323846

uint32_t toneFrames(double seconds, uint32_t rate)
{
    double n;
    if (!(seconds > 0) || rate == 0)
        return 0;
    if (seconds > TONE_MAX_SECONDS)
        seconds = TONE_MAX_SECONDS;
    n = floor(seconds * rate + 0.5);
    return n > 4294967295.0 ? 0xFFFFFFFFu : (uint32_t)n;
}

double toneWave(int shape, double phase)
{
    switch (shape) {
    case TONE_SQUARE:
        return phase < 0.5 ? 1.0 : -1.0;
    case TONE_TRIANGLE:
        if (phase < 0.25)
            return 4.0 * phase;
        if (phase < 0.75)
            return 2.0 - 4.0 * phase;
        return 4.0 * phase - 4.0;
    case TONE_SAWTOOTH:
        return phase < 0.5 ? 2.0 * phase : 2.0 * phase - 2.0;
    default:
        return sin(2.0 * TONE_PI * phase);
    }
}

void toneBlock(short *out, size_t frames, int channels, int shape, double frequency,
               double amplitude, uint32_t rate, uint32_t first)
{
    double scale = 32767.0 * amplitude / 100.0;
    double step = rate ? frequency / (double)rate : 0.0;
    size_t f;
    int c;
    for (f = 0; f < frames; f++) {
        double cycles = (double)(first + (uint32_t)f) * step;
        double phase = cycles - floor(cycles);
        short v = pcmRound16(scale * toneWave(shape, phase), 0);
        for (c = 0; c < channels; c++)
            *out++ = v;
    }
}
