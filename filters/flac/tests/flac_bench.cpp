/*
 * flac_bench.cpp - FLAC encode and decode of a 10-minute 44.1 kHz stereo 16-bit signal by the
 * core, against the reference flac command doing the same at level 5 in the same run (skipped
 * when it is not installed).  The files live in $ZELO_BENCH_DIR (default /tmp);
 * ZELO_BENCH_MINUTES shortens the signal.  Counters: sizes, and time as a multiple of the
 * flac command's ("x_flac", wall clock, its process start included).
 */
#include "filters/flac/flaccore.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const uint32_t kRate = 44100;

uint32_t frames()
{
    const char *m = getenv("ZELO_BENCH_MINUTES");
    long minutes = m && *m ? strtol(m, NULL, 10) : 10;
    return kRate * 60 * (uint32_t)(minutes > 0 && minutes <= 60 ? minutes : 10);
}

double now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double flacEncodeSeconds, flacDecodeSeconds;   /* measured first, in the same run */

std::string dir()
{
    const char *d = getenv("ZELO_BENCH_DIR");
    return d && *d ? d : "/tmp";
}

std::string path(const char *name) { return dir() + "/zelo_bench_flac_" + name; }

long fileSize(const std::string &p)
{
    FILE *f = fopen(p.c_str(), "rb");
    if (!f)
        return 0;
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    fclose(f);
    return n;
}

/* Music-like material: a few drifting partials, a beat, and a little noise. */
const std::vector<uint8_t> &pcm()
{
    static std::vector<uint8_t> b;
    if (b.empty()) {
        const uint32_t kFrames = frames();
        b.resize((size_t)kFrames * 4);
        uint32_t seed = 1;
        double ph[4] = {0, 0, 0, 0};
        for (uint32_t i = 0; i < kFrames; i++) {
            double t = (double)i / kRate;
            double f0 = 110 * pow(2.0, (int)(t * 2) % 12 / 12.0);
            ph[0] += 2 * M_PI * f0 / kRate;
            ph[1] += 2 * M_PI * f0 * 2.01 / kRate;
            ph[2] += 2 * M_PI * f0 * 3.02 / kRate;
            ph[3] += 2 * M_PI * 0.3 / kRate;
            double beat = exp(-fmod(t, 0.5) * 20);
            seed = seed * 1664525u + 1013904223u;
            double noise = ((int)(seed >> 20) - 2048) / 2048.0;
            double l = 9000 * sin(ph[0]) + 4000 * sin(ph[1]) + 2000 * sin(ph[2]) + 6000 * beat * noise;
            double r = l * (0.7 + 0.3 * sin(ph[3])) + 300 * noise;
            int16_t li = (int16_t)lround(l), ri = (int16_t)lround(r);
            b[4 * i] = (uint8_t)li;
            b[4 * i + 1] = (uint8_t)(li >> 8);
            b[4 * i + 2] = (uint8_t)ri;
            b[4 * i + 3] = (uint8_t)(ri >> 8);
        }
        FILE *f = fopen(path("in.raw").c_str(), "wb");
        if (f) {
            fwrite(b.data(), 1, b.size(), f);
            fclose(f);
        }
    }
    return b;
}

bool haveFlac() { return system("flac --version >/dev/null 2>&1") == 0; }

void BM_CoreEncodeLevel5(benchmark::State &st)
{
    const std::vector<uint8_t> &b = pcm();
    double t0 = now();
    for (auto _ : st) {
        FlcWriter *w = flcCreate(path("ours.flac").c_str(), kRate, 16, 2, (uint32_t)b.size(), 5, NULL);
        if (!w) {
            st.SkipWithError("cannot create the file");
            return;
        }
        for (size_t p = 0; p < b.size(); p += 65536)
            flcWrite(w, b.data() + p, (uint32_t)std::min<size_t>(65536, b.size() - p));
        flcFinish(w);
    }
    if (flacEncodeSeconds > 0)
        st.counters["x_flac"] = (now() - t0) / st.iterations() / flacEncodeSeconds;
    st.counters["bytes"] = (double)fileSize(path("ours.flac"));
    st.counters["ratio"] = (double)fileSize(path("ours.flac")) / b.size();
}

void BM_FlacCommandEncodeLevel5(benchmark::State &st)
{
    pcm();
    if (!haveFlac()) {
        st.SkipWithError("flac command not installed");
        return;
    }
    std::string cmd = "flac -s -f -5 --force-raw-format --endian=little --sign=signed --channels=2 --bps=16 "
                      "--sample-rate=44100 -o '" + path("ref.flac") + "' '" + path("in.raw") + "'";
    double t0 = now();
    for (auto _ : st)
        if (system(cmd.c_str()) != 0)
            st.SkipWithError("flac failed");
    flacEncodeSeconds = (now() - t0) / st.iterations();
    st.counters["bytes"] = (double)fileSize(path("ref.flac"));
    st.counters["ratio"] = (double)fileSize(path("ref.flac")) / pcm().size();
}

void decodeWithCore(benchmark::State &st, const std::string &file)
{
    std::vector<uint8_t> buf(65536);
    pcm();   /* made before the clock runs */
    double t0 = now();
    for (auto _ : st) {
        FlcReader *r = flcOpenFile(file.c_str(), NULL, NULL);
        if (!r) {
            st.SkipWithError("cannot open (run the encode benchmarks first)");
            return;
        }
        uint64_t total = 0;
        uint32_t n;
        while ((n = flcRead(r, buf.data(), (uint32_t)buf.size())) > 0)
            total += n;
        if (total != pcm().size() || flcMd5State(r) != FLC_MD5_OK)
            st.SkipWithError("wrong decoding");
        flcClose(r);
    }
    if (flacDecodeSeconds > 0)
        st.counters["x_flac"] = (now() - t0) / st.iterations() / flacDecodeSeconds;
}

void BM_CoreDecodeOurFile(benchmark::State &st) { decodeWithCore(st, path("ours.flac")); }
void BM_CoreDecodeReferenceFile(benchmark::State &st) { decodeWithCore(st, path("ref.flac")); }

void BM_FlacCommandDecode(benchmark::State &st)
{
    if (!haveFlac()) {
        st.SkipWithError("flac command not installed");
        return;
    }
    std::string cmd = "flac -s -f -d --force-raw-format --endian=little --sign=signed -o /dev/null '" +
                      path("ref.flac") + "'";
    double t0 = now();
    for (auto _ : st)
        if (system(cmd.c_str()) != 0)
            st.SkipWithError("flac failed");
    flacDecodeSeconds = (now() - t0) / st.iterations();
}

} // namespace

/* The flac command first: the core's figures are given as multiples of its times. */
BENCHMARK(BM_FlacCommandEncodeLevel5)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CoreEncodeLevel5)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FlacCommandDecode)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CoreDecodeOurFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CoreDecodeReferenceFile)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
