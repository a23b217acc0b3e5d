/*
 * effects_bench.cpp - figures of the level and time effects' cores, printed as text (both
 * builds: effects_bench natively, effects_bench_win under Wine).
 *
 * A 10-minute 44.1 kHz 16-bit stereo wave (ZELO_BENCH_MINUTES changes the length) runs
 * through each core in pieces of 16384 frames, as the modules hand it over, in memory; the
 * same wave goes through sox's nearest effect from a file to a file (native run only; the
 * files go to ZELO_BENCH_DIR).  Printed: our time, sox's time, their ratio, and sox's
 * plain copy of the file as the share of its time that is file work.
 *   Normalize -1 dB linked (scan, then write)   sox norm -1
 *   Echo 100 ms, 3 repeats                      sox echo 0.625 0.8 100 0.5 200 0.25 300 0.125
 *   DC Offset, add 10 %                         sox dcshift 0.1
 *   DC Offset, remove the mean (two passes)     (no sox equivalent)
 *   Compressor 4:1, 1 ms lookahead              sox compand (another detector: loose)
 *   Noise white / pink / brown                  sox synth whitenoise / pinknoise / brownnoise
 */
#include "xforms/compressor/compcore.h"
#include "xforms/dcoffset/dccore.h"
#include "xforms/echo/echocore.h"
#include "xforms/noise/noisecore.h"
#include "xforms/normalize/normcore.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

typedef std::chrono::steady_clock Clock;

static const size_t kPiece = 16384;
static std::vector<short> Source, Work, Out;
static uint32_t Frames;
static std::string Dir, In;
static bool HaveSox;

static double seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

#if !defined(_WIN32)
static bool writeWav(const std::string &path, const std::vector<short> &s)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    uint32_t bytes = (uint32_t)(s.size() * 2), v;
    fwrite("RIFF", 1, 4, f), v = 36 + bytes, fwrite(&v, 4, 1, f), fwrite("WAVEfmt ", 1, 8, f);
    v = 16, fwrite(&v, 4, 1, f);
    uint16_t fmt[8] = {1, 2, 44100 & 0xFFFF, 44100 >> 16, (44100 * 4) & 0xFFFF, (44100 * 4) >> 16, 4, 16};
    fwrite(fmt, 2, 8, f), fwrite("data", 1, 4, f), fwrite(&bytes, 4, 1, f);
    fwrite(s.data(), 2, s.size(), f);
    return fclose(f) == 0;
}
#endif

/* Seconds of one sox run (@IN@ the input, @OUT@ or the end the output file), negative
   when it failed. */
static double soxSeconds(const std::string &args)
{
#if defined(_WIN32)
    (void)args;
    return -1;
#else
    std::string out = Dir + "/effects-bench-out.wav";
    std::string cmd = "sox " + args;
    size_t at = cmd.find("@IN@");
    if (at != std::string::npos)
        cmd.replace(at, 4, "'" + In + "'");
    at = cmd.find("@OUT@");
    if (at != std::string::npos)
        cmd.replace(at, 5, "'" + out + "'");
    else
        cmd += " '" + out + "'";
    cmd += " 2>/dev/null";
    Clock::time_point a = Clock::now();
    int rc = system(cmd.c_str());
    double t = seconds(a);
    remove(out.c_str());
    return rc ? -1 : t;
#endif
}

static void report(const char *what, double ours, const char *soxArgs)
{
    printf("  %-38s ours %6.3f s  %5.1f M frames/s", what, ours, Frames / ours / 1e6);
    if (soxArgs && HaveSox) {
        double sox = soxSeconds(soxArgs);
        if (sox > 0)
            printf("  sox %6.3f s  ratio ours/sox %.3f", sox, ours / sox);
        else
            printf("  sox failed");
    }
    printf("\n");
    fflush(stdout);
}

/* Runs fn over the work copy in pieces and returns the best of three runs. */
static double timeIt(const std::function<void()> &fn)
{
    double best = 1e9;
    for (int r = 0; r < 3; r++) {
        Work = Source;
        Clock::time_point a = Clock::now();
        fn();
        best = std::min(best, seconds(a));
    }
    return best;
}

int main(void)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    double minutes = 10;
    if (const char *m = getenv("ZELO_BENCH_MINUTES"))
        minutes = atof(m) > 0 ? atof(m) : minutes;
    Frames = (uint32_t)(minutes * 60 * 44100);
    Dir = getenv("ZELO_BENCH_DIR") ? getenv("ZELO_BENCH_DIR") : ".";
    In = Dir + "/effects-bench-in.wav";
    Source.resize((size_t)Frames * 2);
    uint32_t seed = 1;
    for (uint32_t i = 0; i < Frames; i++) {   /* music-like: tones with a slow swell, some noise */
        seed = seed * 1664525u + 1013904223u;
        double swell = 0.55 + 0.45 * sin(2 * 3.14159265358979 * i / (44100.0 * 7));
        double n = ((int)(seed >> 20) - 2048) * 0.5;
        Source[2 * i] = (short)lrint(swell * 18000 * sin(2 * 3.14159265358979 * 220 * i / 44100.0) + n);
        Source[2 * i + 1] = (short)lrint(swell * 12000 * sin(2 * 3.14159265358979 * 330 * i / 44100.0) - n + 300);
    }
    Out.resize(kPiece * 2 + 4096 * 2);
    printf("Effects over %.1f minutes of 44.1 kHz 16-bit stereo (%u frames), pieces of %zu frames, best of 3\n",
           minutes, Frames, kPiece);
#if !defined(_WIN32)
    HaveSox = system("sox --version >/dev/null 2>&1") == 0 && writeWav(In, Source);
    if (HaveSox) {
        printf("  sox -D in.wav out.wav (a plain copy, its file work): %.3f s\n", soxSeconds("-D @IN@"));
    } else {
        printf("  sox not found: no comparison\n");
    }
#else
    printf("  (sox is compared in the native run only)\n");
#endif
    size_t frames = Frames;

    report("Normalize -1 dB linked", timeIt([&] {
        NormScan scan;
        NormPlan plan;
        normScanInit(&scan, 2);
        for (size_t f = 0; f < frames; f += kPiece)
            normScanBlock(&scan, &Work[2 * f], std::min(kPiece, frames - f));
        normPlan(&scan, normTargetDb(-1), 1, 0, &plan);
        for (size_t f = 0; f < frames; f += kPiece)
            normBlock(&Work[2 * f], std::min(kPiece, frames - f), 2, &plan);
    }), "-D @IN@ @OUT@ norm -1");

    report("Echo 100 ms, 3 repeats", timeIt([&] {
        EchoState st;
        echoInit(&st, 2, 4410, 3, 0.5, 0.5, 0.8);
        for (size_t f = 0; f < frames; f += kPiece)
            echoBlock(&st, &Work[2 * f], &Out[0], std::min(kPiece, frames - f));
        echoFree(&st);
    }), "-D @IN@ @OUT@ echo 0.625 0.8 100 0.5 200 0.25 300 0.125");

    report("DC Offset add 10 %", timeIt([&] {
        double off[2] = {dcFromPercent(10), dcFromPercent(10)};
        for (size_t f = 0; f < frames; f += kPiece)
            dcShiftBlock(&Work[2 * f], std::min(kPiece, frames - f), 2, off);
    }), "-D @IN@ @OUT@ dcshift 0.1");

    report("DC Offset remove the mean", timeIt([&] {
        DcSum s;
        dcSumInit(&s, 2);
        for (size_t f = 0; f < frames; f += kPiece)
            dcSumBlock(&s, &Work[2 * f], std::min(kPiece, frames - f));
        double off[2] = {-dcMean(&s, 0), -dcMean(&s, 1)};
        for (size_t f = 0; f < frames; f += kPiece)
            dcShiftBlock(&Work[2 * f], std::min(kPiece, frames - f), 2, off);
    }), NULL);

    report("Compressor 4:1, 1 ms lookahead", timeIt([&] {
        CompState st;
        CompParams p = {-24, 4, 5, 150, 6, 1, -0.5};
        compInit(&st, 2, 44100, &p);
        for (size_t f = 0; f < frames; f += kPiece)
            compBlock(&st, &Work[2 * f], std::min(kPiece, frames - f), &Out[0]);
        while (compFlush(&st, &Out[0], 4096) > 0) {
        }
        compFree(&st);
    }), "-D @IN@ @OUT@ compand 0.005,0.15 -80,-80,-24,-24,0,-18 6");

    const char *colours[3] = {"whitenoise", "pinknoise", "brownnoise"};
    for (int c = 0; c < NOISE_COLOURS; c++) {
        char what[64], args[128];
        snprintf(what, sizeof what, "Noise %s", colours[c]);
        snprintf(args, sizeof args, "-D -n -r 44100 -c 2 -b 16 @OUT@ synth %.0f %s",
                 minutes * 60, colours[c]);
        report(what, timeIt([&] {
            NoiseState st;
            noiseInit(&st, c, 2, 16000, 1, 44100);
            for (size_t f = 0; f < frames; f += kPiece)
                noiseBlock(&st, &Work[2 * f], std::min(kPiece, frames - f));
        }), args);
    }
#if !defined(_WIN32)
    remove(In.c_str());
#endif
    return 0;
}
