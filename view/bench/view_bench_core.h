/*
 * view_bench_core.h - the waveform view's measurements as plain functions, shared by the
 * Google Benchmark program (native) and the stand-alone Win32 program run under Wine.  One
 * store holds a 60-minute 44.1 kHz 16-bit stereo wave, written as a file reader would (with
 * the PeakSummary fed on the way); paints are recomputations of 1000 columns.
 */
#ifndef ZELO_VIEW_BENCH_CORE_H
#define ZELO_VIEW_BENCH_CORE_H

#include <stdint.h>

#define VIEW_BENCH_COLUMNS 1000

/* Makes the store and its summary (minutes of audio); 0 ok.  Seconds taken in *seconds. */
int    viewBenchOpen(uint32_t minutes, double *seconds);
void   viewBenchClose(void);
/* Drops the summary, as the first paint after an edit does. */
void   viewBenchDropSummary(void);

struct PaintFigures {
    double   seconds;       /* per paint */
    uint64_t bytesRead;     /* sample bytes read by one paint */
    uint32_t summaryColumns;
};
/* Recomputes all columns for the view [start, end]; draw(ctx, column) after each column. */
PaintFigures viewBenchPaint(uint32_t start, uint32_t end, void (*draw)(void *ctx, int column), void *ctx);
/* Pages through the file with views of `frames` frames for about `seconds`; paints/second. */
double viewBenchPageDown(uint32_t frames, double seconds, void (*draw)(void *ctx, int column), void *ctx);
/* Frames in the store. */
uint32_t viewBenchFrames(void);
double viewBenchNow(void);

#endif
