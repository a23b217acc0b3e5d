/*
 * statcore.c - the Statistics tool's sums and levels.  No state.
 */
#include "xforms/stats/statcore.h"

#include <math.h>
#include <string.h>

void statReset(StatChannel *ch, int channels)
{
    memset(ch, 0, sizeof *ch * (size_t)channels);
}

void statAdd(StatChannel *ch, const short *samples, size_t frames, int channels)
{
    int c;
    for (c = 0; c < channels; c++) {
        StatChannel *s = &ch[c];
        const short *p = samples + c;
        /* Integer sums per block keep the totals exact for blocks of any practical size. */
        int64_t sum = 0;
        uint64_t sq = 0, clipped = 0;
        int lo = s->count ? s->min : 32767, hi = s->count ? s->max : -32768;
        size_t f;
        for (f = 0; f < frames; f++, p += channels) {
            int v = *p;
            sum += v;
            sq += (uint64_t)((int64_t)v * v);
            if (v < lo)
                lo = v;
            if (v > hi)
                hi = v;
            if (v == 32767 || v == -32768)
                clipped++;
        }
        if (!frames)
            continue;
        s->min = lo;
        s->max = hi;
        s->sum += (double)sum;
        s->sumSq += (double)sq;
        s->clipped += clipped;
        s->count += frames;
    }
}

int statPeak(const StatChannel *ch)
{
    int lo = -ch->min, hi = ch->max;
    return lo > hi ? lo : hi;
}

static double level(double v)
{
    return v > 0 ? 20.0 * log10(v / 32768.0) : STAT_SILENT_DB;
}

double statPeakDb(const StatChannel *ch) { return ch->count ? level(statPeak(ch)) : STAT_SILENT_DB; }

double statRmsDb(const StatChannel *ch)
{
    return ch->count ? level(sqrt(ch->sumSq / (double)ch->count)) : STAT_SILENT_DB;
}

double statDc(const StatChannel *ch) { return ch->count ? ch->sum / (double)ch->count / 32768.0 : 0.0; }
