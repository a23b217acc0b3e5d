/*
 * dccore.c - means and shifts for the DC Offset module (see dccore.h).  No state.
 */
#include "xforms/dcoffset/dccore.h"
#include "xforms/common/pcm16.h"

void dcSumInit(DcSum *s, int channels)
{
    s->channels = channels == 2 ? 2 : 1;
    s->sum[0] = s->sum[1] = 0;
    s->frames = 0;
}

void dcSumBlock(DcSum *s, const short *samples, size_t frames)
{
    int ch = s->channels, c;
    for (c = 0; c < ch; c++) {
        const short *p = samples + c;
        int64_t sum = 0;
        size_t f;
        for (f = 0; f < frames; f++, p += ch)
            sum += *p;
        s->sum[c] += (double)sum;
    }
    s->frames += frames;
}

double dcMean(const DcSum *s, int c)
{
    if (s->frames == 0 || c < 0 || c >= s->channels)
        return 0.0;
    return s->sum[c] / (double)s->frames;
}

double dcFromPercent(double percent) { return percent * 32768.0 / 100.0; }

double dcToPercent(double samples) { return samples * 100.0 / 32768.0; }

unsigned long dcShiftBlock(short *samples, size_t frames, int channels, const double offset[2])
{
    unsigned long clipped = 0;
    size_t f;
    int c;
    for (f = 0; f < frames; f++)
        for (c = 0; c < channels; c++, samples++)
            *samples = pcmRound16(*samples + offset[c], &clipped);
    return clipped;
}
