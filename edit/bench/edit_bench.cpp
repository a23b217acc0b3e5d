/*
 * edit_bench.cpp - what a user waits for when cutting and pasting one second in the middle
 * of a long recording: the editor's cut + paste with its undo copy, without it, and the undo
 * of the cut, against sox rewriting the file without that second, measured in the same run.
 * The cut and the paste of the same frames at the same place leave the wave as it was, so
 * every iteration edits the same 60-minute, 16-bit stereo, 44.1 kHz wave.
 */
#include "edit/clipboard.h"
#include "edit/edits.h"
#include "edit/undo.h"
#include "core/document.h"
#include "store/tempfile.h"
#include "store/voc.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const uint32_t kRate = 44100;
std::string benchDir, waveFile;
uint32_t totalFrames;

std::string envOr(const char *name, const std::string &def)
{
    const char *v = getenv(name);
    return v && *v ? v : def;
}

void put32(FILE *f, uint32_t v) { for (int i = 0; i < 4; i++) fputc((int)(v >> (8 * i)) & 0xFF, f); }
void put16(FILE *f, uint32_t v) { fputc((int)v & 0xFF, f); fputc((int)(v >> 8) & 0xFF, f); }

/* A stereo test tone with a little noise, as a plain wave file, and the same in the store. */
bool makeWave(uint32_t minutes)
{
    totalFrames = minutes * 60u * kRate;
    uint32_t bytes = totalFrames * 4u;
    FILE *f = fopen(waveFile.c_str(), "wb");
    if (!f)
        return false;
    fwrite("RIFF", 1, 4, f);
    put32(f, 36 + bytes);
    fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1);
    put16(f, 2);
    put32(f, kRate);
    put32(f, kRate * 4);
    put16(f, 4);
    put16(f, 16);
    fwrite("data", 1, 4, f);
    put32(f, bytes);
    std::vector<int16_t> piece(2 * 65536);
    uint32_t seed = 1;
    for (uint32_t done = 0; done < totalFrames;) {
        uint32_t n = totalFrames - done < 65536 ? totalFrames - done : 65536;
        for (uint32_t i = 0; i < n; i++) {
            seed = seed * 1664525u + 1013904223u;
            int16_t v = (int16_t)(((done + i) % 100) * 300 - 15000 + (int)(seed >> 24));
            piece[2 * i] = v;
            piece[2 * i + 1] = (int16_t)-v;
        }
        if (vocAppend(piece.data(), n * 4) != 0 || fwrite(piece.data(), 4, n, f) != n) {
            fclose(f);
            return false;
        }
        done += n;
    }
    return fclose(f) == 0;
}

void cutAndPaste()
{
    uint32_t mid = totalFrames / 2;
    Doc.selStart = mid;
    Doc.selEnd = mid + kRate - 1;
    Doc.selectionShown = 0xFFFF;
    editCut();
    editPaste(0);
}

void BM_CutPasteWithUndo(benchmark::State &state)
{
    undoSetEnabled(1);
    for (auto _ : state)
        cutAndPaste();
    undoClear();
}

void BM_CutPasteWithoutUndo(benchmark::State &state)
{
    undoSetEnabled(0);
    for (auto _ : state)
        cutAndPaste();
    undoSetEnabled(1);
}

void BM_UndoOfCut(benchmark::State &state)
{
    undoSetEnabled(1);
    uint32_t mid = totalFrames / 2;
    for (auto _ : state) {
        state.PauseTiming();
        Doc.selStart = mid;
        Doc.selEnd = mid + kRate - 1;
        Doc.selectionShown = 0xFFFF;
        editCut();
        state.ResumeTiming();
        editUndo();
    }
    undoClear();
}

void BM_SoxSameCut(benchmark::State &state)
{
    std::string out = benchDir + "/sox-cut.wav";
    uint32_t mid = totalFrames / 2;
    char cmd[2048];
    snprintf(cmd, sizeof cmd, "sox '%s' '%s' trim 0s =%us =%us", waveFile.c_str(), out.c_str(), mid, mid + kRate);
    for (auto _ : state)
        if (system(cmd) != 0)
            state.SkipWithError("sox failed");
    remove(out.c_str());
}

BENCHMARK(BM_CutPasteWithUndo)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_CutPasteWithoutUndo)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_UndoOfCut)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SoxSameCut)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

/* Keeps every benchmark's time per iteration for the ratios printed at the end. */
class Collect : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> ms;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs)
            ms[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

/* FNV-1a over the whole store: the edits must leave the wave as it was. */
uint64_t storeSum()
{
    std::vector<uint8_t> buf(1 << 20);
    uint64_t h = 1469598103934665603ull;
    for (uint32_t at = 0; at < Wave.dataLength; at += (uint32_t)buf.size()) {
        uint32_t n = Wave.dataLength - at < buf.size() ? Wave.dataLength - at : (uint32_t)buf.size();
        vocRead(buf.data(), (int32_t)at, n);
        for (uint32_t i = 0; i < n; i++)
            h = (h ^ buf[i]) * 1099511628211ull;
    }
    return h;
}

} // namespace

int main(int argc, char **argv)
{
    benchDir = envOr("ZELO_BENCH_DIR", ZELO_BENCH_DEFAULT_DIR);
    waveFile = benchDir + "/edit-bench-60min.wav";
    uint32_t minutes = (uint32_t)atoi(envOr("ZELO_BENCH_MINUTES", "60").c_str());
    tempChooseDirs(benchDir.c_str(), benchDir.c_str(), NULL, NULL);
    docInit();
    editSetup(5, 1, 1, 0);
    if (tempStoreSetup(2, kRate, 16) != 0 || !makeWave(minutes ? minutes : 60)) {
        fprintf(stderr, "edit_bench: could not make the %u-minute wave in %s\n", minutes, benchDir.c_str());
        return 1;
    }
    Doc.viewStart = 0;
    Doc.viewEnd = totalFrames - 1;
    uint64_t before = storeSum();
    uint32_t length = Wave.dataLength;
    benchmark::Initialize(&argc, argv);
    Collect rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    int same = storeSum() == before && Wave.dataLength == length;
    printf("\nwave after all iterations: %s\n", same ? "unchanged, as it should be" : "CHANGED (an edit is wrong)");
    double sox = rep.ms["BM_SoxSameCut/iterations:3/real_time"];
    printf("\n%u-minute stereo wave, one second cut and pasted back in the middle:\n", minutes);
    for (auto &kv : rep.ms)
        if (kv.first.find("Sox") == std::string::npos && sox > 0)
            printf("  %-40s %10.3f ms   sox's cut takes %8.0fx as long\n", kv.first.c_str(), kv.second, sox / kv.second);
    printf("  %-40s %10.3f ms\n", "sox: the same cut (rewrites the file)", sox);
    undoFree();
    tempStoreTeardown(1);
    remove(waveFile.c_str());
    return same ? 0 : 1;
}
