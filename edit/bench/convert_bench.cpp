/*
 * convert_bench.cpp - Convert Sample Type's own steps over the store on a 10-minute 44.1 kHz
 * stereo 16-bit wave, against sox doing the same to the same file in the same run: 16 to 8
 * bits with the noise-shaped dither (sox "-b 8 ... dither -s", its noise-shaped dither),
 * without dither (sox "-b 8" with dithering off, -D), and stereo to mono (sox "remix 1,2").
 * Each iteration converts a fresh copy of the wave in the store.  ZELO_BENCH_MINUTES
 * shortens the wave.
 */
#include "edit/convert.h"
#include "edit/dither.h"
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

std::string benchDir, source;
std::vector<uint8_t> pcm;   /* the source's samples */

std::string envOr(const char *name, const std::string &def)
{
    const char *v = getenv(name);
    return v && *v ? v : def;
}

/* The samples of a canonical 44-byte-header wave file as sox writes it. */
bool loadPcm(const std::string &path)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    fseek(f, 0, SEEK_END);
    long size = ftell(f);
    fseek(f, 44, SEEK_SET);
    pcm.resize(size > 44 ? (size_t)(size - 44) & ~(size_t)3 : 0);
    size_t got = fread(pcm.data(), 1, pcm.size(), f);
    fclose(f);
    return got == pcm.size() && !pcm.empty();
}

void fresh()
{
    tempStoreTeardown(1);
    tempStoreSetup(2, 44100, 16);
    for (size_t at = 0; at < pcm.size(); at += 1u << 20) {
        size_t n = pcm.size() - at < (1u << 20) ? pcm.size() - at : (1u << 20);
        vocAppend(pcm.data() + at, (uint32_t)n);
    }
    Doc.viewStart = 0;
    Doc.viewEnd = docFrames() - 1;
    Doc.selStart = 0;
    Doc.selEnd = DOC_NONE;
}

void run(benchmark::State &state, uint16_t bits, uint16_t channels, int dither)
{
    for (auto _ : state) {
        state.PauseTiming();
        fresh();
        state.ResumeTiming();
        ConvertTargets t;
        convertDefaults(&t);
        t.bits = bits;
        t.channels = channels;
        t.dither = (int16_t)dither;
        t.left = t.right = 0.5;
        if (convertRun(&t) != CONVERT_DONE)
            state.SkipWithError("conversion failed");
    }
}

void sox(benchmark::State &state, const char *args)
{
    std::string out = benchDir + "/convert-bench-sox.wav";
    std::string cmd = "sox " + std::string(args).replace(std::string(args).find("IN"), 2, "'" + source + "'");
    size_t o = cmd.find("OUT");
    cmd.replace(o, 3, "'" + out + "'");
    for (auto _ : state)
        if (system(cmd.c_str()) != 0)
            state.SkipWithError("sox failed");
    remove(out.c_str());
}

void BM_Narrow16to8Dither(benchmark::State &s) { run(s, 8, 2, 1); }
void BM_Narrow16to8Plain(benchmark::State &s) { run(s, 8, 2, 0); }
void BM_StereoToMono(benchmark::State &s) { run(s, 16, 1, 0); }
void BM_SoxNarrowDither(benchmark::State &s) { sox(s, "IN -b 8 OUT dither -s"); }
void BM_SoxNarrowPlain(benchmark::State &s) { sox(s, "-D IN -b 8 OUT"); }
void BM_SoxStereoToMono(benchmark::State &s) { sox(s, "IN OUT remix 1,2 vol 0.5"); }

BENCHMARK(BM_Narrow16to8Dither)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SoxNarrowDither)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Narrow16to8Plain)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SoxNarrowPlain)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_StereoToMono)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SoxStereoToMono)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

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

} // namespace

int main(int argc, char **argv)
{
    benchDir = envOr("ZELO_BENCH_DIR", ZELO_BENCH_DEFAULT_DIR);
    source = benchDir + "/convert-bench.wav";
    int minutes = atoi(envOr("ZELO_BENCH_MINUTES", "10").c_str());
    char cmd[1024];
    snprintf(cmd, sizeof cmd, "sox -R -n -r 44100 -c 2 -b 16 '%s' synth %d pinknoise vol 0.5", source.c_str(),
             (minutes > 0 ? minutes : 10) * 60);
    if (system(cmd) != 0 || !loadPcm(source)) {
        fprintf(stderr, "convert_bench: sox could not make the test wave in %s\n", benchDir.c_str());
        return 1;
    }
    tempChooseDirs(benchDir.c_str(), benchDir.c_str(), NULL, NULL);
    docInit();
    benchmark::Initialize(&argc, argv);
    Collect rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    auto t = [&](const char *name) { return rep.ms[std::string(name) + "/iterations:3/real_time"]; };
    printf("\n%d-minute 44.1 kHz stereo 16-bit wave, Convert Sample Type's steps through the store:\n", minutes);
    const char *pairs[][3] = {{"BM_Narrow16to8Dither", "BM_SoxNarrowDither", "16 to 8 bits, noise-shaped dither"},
                              {"BM_Narrow16to8Plain", "BM_SoxNarrowPlain", "16 to 8 bits, no dither"},
                              {"BM_StereoToMono", "BM_SoxStereoToMono", "stereo to mono at 50/50"}};
    for (auto &p : pairs) {
        double ours = t(p[0]), theirs = t(p[1]);
        if (ours > 0 && theirs > 0)
            printf("  %-36s %8.0f ms   sox %8.0f ms   sox takes %.2fx as long\n", p[2], ours, theirs, theirs / ours);
    }
    tempStoreTeardown(1);
    remove(source.c_str());
    return 0;
}
