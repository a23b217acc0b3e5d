/*
 * view_bench_core.cpp - the waveform view's measurements (see view_bench_core.h).
 */
#include "view_bench_core.h"
#include "view/peaks.h"
#include "store/blockfile.h"
#include "store/voc.h"

#include <chrono>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#ifndef ZELO_BENCH_DEFAULT_DIR
#define ZELO_BENCH_DEFAULT_DIR "."
#endif

static std::string storePath;
static std::vector<uint8_t> readBuf(PEAK_READBUF);

double viewBenchNow(void)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int viewBenchOpen(uint32_t minutes, double *seconds)
{
    const char *dir = getenv("ZELO_BENCH_DIR");
    storePath = std::string(dir && *dir ? dir : ZELO_BENCH_DEFAULT_DIR) + "/zelo-view-bench.tmp";
    if (bopen(storePath.c_str()) != 0 || BF.file == OS_NOFILE)
        return 1;
    vocSetFormat(2, 16, 0);
    Wave.editChannel = 0;
    uint32_t frames = minutes * 60u * 44100u;
    double t0 = viewBenchNow();
    if (peakSummaryCreate(frames, 2, 16) != 0 || peakCacheCreate(VIEW_BENCH_COLUMNS + 8) != 0)
        return 1;
    /* A slow sweep with some noise: every column has something to find. */
    std::vector<int16_t> piece(16384 * 2);
    uint32_t done = 0, seed = 1;
    while (done < frames) {
        uint32_t n = frames - done < 16384 ? frames - done : 16384;
        for (uint32_t i = 0; i < n; i++) {
            seed = seed * 1103515245u + 12345u;
            int v = (int)(((done + i) / 7) % 40000) - 20000 + (int)((seed >> 16) % 2000);
            piece[2 * i] = (int16_t)v;
            piece[2 * i + 1] = (int16_t)-v;
        }
        peakSummaryFeed(piece.data(), n * 4);
        if (vocAppend(piece.data(), n * 4) != 0)
            return 1;
        done += n;
    }
    *seconds = viewBenchNow() - t0;
    return PeakSummary.present ? 0 : 1;
}

void viewBenchClose(void)
{
    peakSummaryFree();
    peakCacheFree();
    bclose();
    remove(storePath.c_str());
}

void viewBenchDropSummary(void) { peakSummaryFree(); }

uint32_t viewBenchFrames(void) { return Wave.dataLength / 4; }

static PeakPass pass(uint32_t start, uint32_t end, void (*draw)(void *, int), void *ctx)
{
    PeakPass p;
    memset(&p, 0, sizeof p);
    p.area = {0, 0, VIEW_BENCH_COLUMNS, 300};
    p.viewStart = start;
    p.viewEnd = end;
    p.frames = viewBenchFrames();
    p.channels = 2;
    p.bits = 16;
    p.drawFn = draw;
    p.ctx = ctx;
    return p;
}

PaintFigures viewBenchPaint(uint32_t start, uint32_t end, void (*draw)(void *, int), void *ctx)
{
    PeakPass p = pass(start, end, draw, ctx);
    double t0 = viewBenchNow();
    peakFlatColumns(&p, 0, VIEW_BENCH_COLUMNS - 1);
    peakComputeColumns(&p, 0, VIEW_BENCH_COLUMNS - 1, readBuf.data());
    PaintFigures f;
    f.seconds = viewBenchNow() - t0;
    f.bytesRead = p.bytesRead;
    f.summaryColumns = p.summaryColumns;
    return f;
}

double viewBenchPageDown(uint32_t frames, double seconds, void (*draw)(void *, int), void *ctx)
{
    uint32_t total = viewBenchFrames(), start = 0;
    int paints = 0;
    double t0 = viewBenchNow(), t;
    do {
        if ((uint64_t)start + frames > total)
            start = 0;
        viewBenchPaint(start, start + frames - 1, draw, ctx);
        start += frames;
        paints++;
        t = viewBenchNow() - t0;
    } while (t < seconds);
    return paints / t;
}
