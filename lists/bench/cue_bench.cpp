/*
 * cue_bench.cpp - what 256 cues cost an edit of a long recording: one second cut from the
 * middle of a 60-minute 44.1 kHz stereo wave and pasted back (with its undo copy), with no
 * cues and with 256 cues following the edit (their shifts, the undo's copy of the table);
 * the cue work of that edit alone; and the file items a save writes and an open reads.
 * Figures are printed as the share of the edit's time.  ZELO_BENCH_MINUTES shortens the wave.
 */
#include "lists/cues.h"
#include "edit/clipboard.h"
#include "edit/edits.h"
#include "edit/undo.h"
#include "core/document.h"
#include "store/tempfile.h"
#include "store/voc.h"

#include <benchmark/benchmark.h>

#include <map>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const uint32_t kRate = 44100;
std::string benchDir;
uint32_t totalFrames;

std::string envOr(const char *name, const std::string &def)
{
    const char *v = getenv(name);
    return v && *v ? v : def;
}

bool makeWave(uint32_t minutes)
{
    totalFrames = minutes * 60u * kRate;
    std::vector<int16_t> piece(2 * 65536);
    for (uint32_t done = 0; done < totalFrames;) {
        uint32_t n = totalFrames - done < 65536 ? totalFrames - done : 65536;
        for (uint32_t i = 0; i < n; i++)
            piece[2 * i] = piece[2 * i + 1] = (int16_t)(((done + i) % 100) * 300 - 15000);
        if (vocAppend(piece.data(), n * 4) != 0)
            return false;
        done += n;
    }
    return true;
}

/* 256 cues spread over the wave, every other one a range of 10 seconds. */
void makeCues()
{
    cuesClear();
    cuesSeed(7);
    for (int i = 0; i < CUE_MAX; i++) {
        uint32_t at = (uint32_t)((uint64_t)totalFrames * i / CUE_MAX);
        AddCue(at, i % 2 ? at + 10 * kRate - 1 : at - 1, NULL, NULL);
    }
    for (int i = 1; i < CUE_MAX; i += 2)
        playListInsert(PlayList.count, Cues.point[i].id);
}

void cutAndPaste()
{
    uint32_t mid = totalFrames / 2 + 1000;
    Doc.selStart = mid;
    Doc.selEnd = mid + kRate - 1;
    Doc.selectionShown = 0xFFFF;
    editCut();
    editPaste(0);
}

void hooks(bool on)
{
    VocHook.cueInserted = on ? cuesInserted : NULL;
    VocHook.cueDeleted = on ? cuesDeleted : NULL;
    UndoHook.cuesTake = on ? cuesSnapshot : NULL;
    UndoHook.cuesPut = on ? [](const void *c) { cuesRestore(c); } : (void (*)(const void *))NULL;
    UndoHook.cuesDrop = on ? cuesFreeSnapshot : NULL;
}

void BM_EditNoCues(benchmark::State &state)
{
    hooks(false);
    cuesClear();
    for (auto _ : state)
        cutAndPaste();
    undoClear();
}

void BM_Edit256Cues(benchmark::State &state)
{
    makeCues();
    hooks(true);
    for (auto _ : state)
        cutAndPaste();
    undoClear();
    hooks(false);
}

/* The same edit's cue work alone: two undo copies of the table, the cut's and the paste's
   shifts. */
void BM_CueWorkOfOneEdit(benchmark::State &state)
{
    makeCues();
    uint32_t mid = totalFrames / 2 + 1000;
    for (auto _ : state) {
        void *a = cuesSnapshot();
        cuesDeleted(mid, kRate);
        void *b = cuesSnapshot();
        cuesInserted(mid, kRate);
        cuesFreeSnapshot(a);
        cuesFreeSnapshot(b);
    }
}

/* What a save writes (items 40..44) and an open reads back into an empty table. */
void BM_FileItemsWriteAndRead(benchmark::State &state)
{
    makeCues();
    std::vector<std::vector<uint8_t>> items(5);
    for (auto _ : state) {
        for (int code = 40; code <= 44; code++) {
            const void *d;
            uint32_t n;
            if (cuesSpecialData(code, &d, &n))
                items[code - 40].assign((const uint8_t *)d, (const uint8_t *)d + n);
        }
        cuesClear();
        for (int code = 40; code <= 44; code++)
            cuesReadSpecial(code, items[code - 40].data(), (uint32_t)items[code - 40].size());
    }
    if (Cues.count != CUE_MAX)
        state.SkipWithError("the items did not come back whole");
}

BENCHMARK(BM_EditNoCues)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Edit256Cues)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_CueWorkOfOneEdit)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_FileItemsWriteAndRead)->Unit(benchmark::kMicrosecond)->UseRealTime();

class Collect : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> ms;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs) {
            double t = r.GetAdjustedRealTime();
            if (r.time_unit == benchmark::kMicrosecond)
                t /= 1000.0;
            ms[r.benchmark_name()] = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    benchDir = envOr("ZELO_BENCH_DIR", ZELO_BENCH_DEFAULT_DIR);
    uint32_t minutes = (uint32_t)atoi(envOr("ZELO_BENCH_MINUTES", "60").c_str());
    tempChooseDirs(benchDir.c_str(), benchDir.c_str(), NULL, NULL);
    docInit();
    editSetup(5, 1, 1, 0);
    if (tempStoreSetup(2, kRate, 16) != 0 || !makeWave(minutes ? minutes : 60)) {
        fprintf(stderr, "cue_bench: could not make the %u-minute wave in %s\n", minutes, benchDir.c_str());
        return 1;
    }
    Doc.viewStart = 0;
    Doc.viewEnd = totalFrames - 1;
    benchmark::Initialize(&argc, argv);
    Collect rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    double none = rep.ms["BM_EditNoCues/min_time:2.000/real_time"];
    double with = rep.ms["BM_Edit256Cues/min_time:2.000/real_time"];
    double work = rep.ms["BM_CueWorkOfOneEdit/real_time"];
    double items = rep.ms["BM_FileItemsWriteAndRead/real_time"];
    printf("\n%u-minute stereo wave, 256 cues, one second cut and pasted back in the middle:\n", minutes);
    printf("  edit without cues            %10.3f ms\n", none);
    printf("  edit with 256 cues           %10.3f ms   (%.2f x the edit without cues)\n", with, none > 0 ? with / none : 0);
    printf("  the cue work of that edit    %10.4f ms   (%.3f %% of the edit)\n", work, with > 0 ? 100 * work / with : 0);
    printf("  file items of a save + open  %10.4f ms\n", items);
    hooks(false);
    undoFree();
    cuesFree();
    tempStoreTeardown(1);
    return 0;
}
