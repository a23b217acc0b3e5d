/*
 * normcore.c - scans, plans and applies the Normalize gains (see normcore.h).  No state.
 */
#include "xforms/normalize/normcore.h"
#include "xforms/common/pcm16.h"

#include <math.h>

void normScanInit(NormScan *scan, int channels)
{
    int c;
    scan->channels = channels == 2 ? 2 : 1;
    for (c = 0; c < 2; c++) {
        scan->lo[c] = 32767;
        scan->hi[c] = -32768;
        scan->sum[c] = 0;
    }
    scan->frames = 0;
}

void normScanBlock(NormScan *scan, const short *samples, size_t frames)
{
    int ch = scan->channels, c;
    for (c = 0; c < ch; c++) {
        const short *p = samples + c;
        int lo = scan->lo[c], hi = scan->hi[c];
        int64_t sum = 0;   /* a piece sums exactly in integers */
        size_t f;
        for (f = 0; f < frames; f++, p += ch) {
            int v = *p;
            if (v < lo)
                lo = v;
            if (v > hi)
                hi = v;
            sum += v;
        }
        scan->lo[c] = lo;
        scan->hi[c] = hi;
        scan->sum[c] += (double)sum;
    }
    scan->frames += frames;
}

double normTargetDb(double db) { return 32767.0 * pow(10.0, db / 20.0); }

double normTargetPercent(double percent) { return 32767.0 * percent / 100.0; }

void normPlan(const NormScan *scan, double target, int linked, int removeDc, NormPlan *plan)
{
    double peak[2] = {0, 0}, louder;
    int c;
    for (c = 0; c < 2; c++) {
        plan->gain[c] = 1.0;
        plan->offset[c] = 0.0;
    }
    if (scan->frames == 0)
        return;
    for (c = 0; c < scan->channels; c++) {
        double mean = removeDc ? scan->sum[c] / (double)scan->frames : 0.0;
        double up = scan->hi[c] - mean, down = mean - scan->lo[c];
        plan->offset[c] = mean;
        peak[c] = up > down ? up : down;
    }
    louder = peak[0] > peak[1] ? peak[0] : peak[1];
    for (c = 0; c < scan->channels; c++) {
        double p = linked ? louder : peak[c];
        plan->gain[c] = p > 0 ? target / p : 1.0;
    }
}

void normBlock(short *samples, size_t frames, int channels, const NormPlan *plan)
{
    size_t f;
    if (channels == 2) {
        for (f = 0; f < frames; f++, samples += 2) {
            samples[0] = pcmRound16((samples[0] - plan->offset[0]) * plan->gain[0], NULL);
            samples[1] = pcmRound16((samples[1] - plan->offset[1]) * plan->gain[1], NULL);
        }
        return;
    }
    for (f = 0; f < frames; f++, samples++)
        *samples = pcmRound16((*samples - plan->offset[0]) * plan->gain[0], NULL);
}
