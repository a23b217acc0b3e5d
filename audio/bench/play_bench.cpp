/*
 * play_bench.cpp - what one refill costs: FillPlayBuffer over a real sample store for a
 * default-sized buffer (44100 Hz 16-bit stereo, 4 s over 8 buffers: 86016 bytes, 487 ms of
 * sound), plain, with one channel edited, and packed to 8-bit.  The "headroom" counter is
 * the buffer's playing time over the time its refill took.
 */
#include "audio/playcore.h"
#include "store/blockfile.h"
#include "store/voc.h"

#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

namespace {

const uint32_t kRate = 44100, kSeconds = 30;

void openWave(void)
{
    static bool done;
    if (done)
        return;
    done = true;
    const char *d = getenv("ZELO_BENCH_DIR");
    char path[512];
    snprintf(path, sizeof path, "%s/play_bench.tmp", d && *d ? d : ZELO_BENCH_DEFAULT_DIR);
    if (bopen(path) != 0)
        abort();
    vocSetFormat(2, 16, 0);
    std::vector<uint8_t> piece(1 << 16);
    for (size_t i = 0; i < piece.size(); i++)
        piece[i] = (uint8_t)(i * 31 + 7);
    for (uint32_t left = kRate * 4 * kSeconds; left > 0;) {
        uint32_t n = left < piece.size() ? left : (uint32_t)piece.size();
        vocAppend(piece.data(), n);
        left -= n;
    }
}

void refill(benchmark::State &state, int editChannel, int convert8)
{
    openWave();
    playSetFormat(kRate, 2, 16, convert8, editChannel);
    uint32_t size = playBufferSize(kRate, Play.outAlign, 4.0, 8);
    std::vector<uint8_t> buf(size);
    SetupPlayRange(0, Wave.dataLength, 0, PLAY_LOOPFOREVER);
    for (auto _ : state) {
        uint32_t n = FillPlayBuffer(buf.data(), size);
        benchmark::DoNotOptimize(n);
    }
    double playing = (double)size / ((double)kRate * Play.outAlign);
    state.SetBytesProcessed((int64_t)state.iterations() * size);
    state.counters["headroom"] = benchmark::Counter(playing * (double)state.iterations(), benchmark::Counter::kIsRate);
}

void BM_RefillPlain(benchmark::State &s) { refill(s, 0, 0); }
void BM_RefillLeftEdited(benchmark::State &s) { refill(s, 1, 0); }
void BM_RefillAs8Bit(benchmark::State &s) { refill(s, 0, 1); }

BENCHMARK(BM_RefillPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefillLeftEdited)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefillAs8Bit)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
