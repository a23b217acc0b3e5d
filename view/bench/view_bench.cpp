/*
 * view_bench.cpp - the waveform view's benchmarks under Google Benchmark (native): the first
 * paint of a fresh 60-minute stereo file with its PeakSummary, the repaint after an edit
 * (summary dropped) and paging through the file.  Sample bytes read per paint are counters.
 */
#include "view_bench_core.h"

#include <benchmark/benchmark.h>
#include <stdio.h>

static int ready = -1;

static bool setUp()
{
    if (ready < 0) {
        double s;
        ready = viewBenchOpen(60, &s) == 0;
        if (ready)
            printf("60-minute store with its summary written in %.2f s\n", s);
    }
    return ready == 1;
}

static void BM_FirstPaintWithSummary(benchmark::State &st)
{
    if (!setUp()) {
        st.SkipWithError("store failed");
        return;
    }
    PaintFigures f = {};
    for (auto _ : st)
        f = viewBenchPaint(0, viewBenchFrames() - 1, nullptr, nullptr);
    st.counters["bytesRead"] = (double)f.bytesRead;
    st.counters["summaryColumns"] = f.summaryColumns;
}
BENCHMARK(BM_FirstPaintWithSummary)->Unit(benchmark::kMillisecond);

static void BM_PageDown4096FramesPerColumn(benchmark::State &st)
{
    if (!setUp()) {
        st.SkipWithError("store failed");
        return;
    }
    uint32_t frames = VIEW_BENCH_COLUMNS * 4096u, start = 0;
    for (auto _ : st) {
        if ((uint64_t)start + frames > viewBenchFrames())
            start = 0;
        viewBenchPaint(start, start + frames - 1, nullptr, nullptr);
        start += frames;
    }
}
BENCHMARK(BM_PageDown4096FramesPerColumn)->Unit(benchmark::kMillisecond);

static void BM_RepaintAfterEdit(benchmark::State &st)
{
    if (!setUp()) {
        st.SkipWithError("store failed");
        return;
    }
    viewBenchDropSummary();
    PaintFigures f = {};
    for (auto _ : st)
        f = viewBenchPaint(0, viewBenchFrames() - 1, nullptr, nullptr);
    st.counters["bytesRead"] = (double)f.bytesRead;
}
BENCHMARK(BM_RepaintAfterEdit)->Unit(benchmark::kMillisecond);

static void BM_PageDown1024FramesPerColumn(benchmark::State &st)
{
    if (!setUp()) {
        st.SkipWithError("store failed");
        return;
    }
    uint32_t frames = VIEW_BENCH_COLUMNS * 1024u, start = 0;
    for (auto _ : st) {
        if ((uint64_t)start + frames > viewBenchFrames())
            start = 0;
        viewBenchPaint(start, start + frames - 1, nullptr, nullptr);
        start += frames;
    }
    st.counters["paintsPerSecond"] = benchmark::Counter((double)st.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PageDown1024FramesPerColumn)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (ready == 1)
        viewBenchClose();
    return 0;
}
