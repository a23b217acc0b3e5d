/*
 * resample_bench.cpp - how long the Resample module's converter takes over a long
 * recording, against sox's rate effect on the same file in the same run.  The input is a
 * 10-minute 44.1 kHz stereo 16-bit wave of noise and tones made by sox
 * (ZELO_BENCH_MINUTES changes the length; files go to ZELO_BENCH_DIR).  Each level goes
 * to 22050 and to 48000 Hz: read the file, convert in pieces as the module does, write the
 * result; sox -D ... rate with the matching quality letter (l, m, h, v) and -h.  Medians
 * of three runs.  Not a test: tools/bench.sh runs it natively.
 */
#include "xforms/resample/rscore.h"

#include <algorithm>
#include <chrono>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

typedef std::chrono::steady_clock Clock;

static double since(Clock::time_point a)
{
    return std::chrono::duration<double>(Clock::now() - a).count();
}

static double median3(double a, double b, double c)
{
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

static void putLe(std::vector<unsigned char> &h, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; i++)
        h.push_back((unsigned char)(v >> (8 * i)));
}

/* Reads the file's samples (after a 44-byte header as sox writes it), converts, writes
   the result with a header of its own.  Returns seconds, or -1. */
static double runOurs(const std::string &in, const std::string &out, uint32_t rate, int level)
{
    Clock::time_point t0 = Clock::now();
    FILE *f = fopen(in.c_str(), "rb");
    if (!f)
        return -1;
    fseek(f, 0, SEEK_END);
    long bytes = ftell(f) - 44;
    fseek(f, 44, SEEK_SET);
    std::vector<int16_t> src((size_t)bytes / 2);
    size_t got = fread(src.data(), 2, src.size(), f);
    fclose(f);
    size_t frames = got / 2, fed = 0, done = 0;
    RsState *rs = rsCreate(44100, rate, 2, level, frames);
    if (!rs)
        return -1;
    std::vector<int16_t> dst(rsTotal(rs) * 2);
    for (;;) {
        size_t g = rsGet16(rs, dst.data() + 2 * done, std::min<size_t>(8192, dst.size() / 2 - done), NULL);
        if (g) {
            done += g;
            continue;
        }
        if (fed < frames) {
            fed += rsPut16(rs, src.data() + 2 * fed, std::min<size_t>(8192, frames - fed));
            continue;
        }
        break;
    }
    rsDestroy(rs);
    std::vector<unsigned char> h;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    putLe(h, (uint32_t)(36 + done * 4), 4);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(h, 16, 4);
    putLe(h, 1, 2);
    putLe(h, 2, 2);
    putLe(h, rate, 4);
    putLe(h, rate * 4, 4);
    putLe(h, 4, 2);
    putLe(h, 16, 2);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    putLe(h, (uint32_t)(done * 4), 4);
    f = fopen(out.c_str(), "wb");
    if (!f)
        return -1;
    fwrite(h.data(), 1, h.size(), f);
    fwrite(dst.data(), 4, done, f);
    fclose(f);
    return since(t0);
}

static double runSox(const std::string &in, const std::string &out, uint32_t rate, char quality)
{
    std::string cmd = "sox -D '" + in + "' -r " + std::to_string(rate) + " '" + out + "' rate -" + quality + " 2>/dev/null";
    Clock::time_point t0 = Clock::now();
    int rc = system(cmd.c_str());
    double t = since(t0);
    return rc ? -1 : t;
}

int main(void)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    const char *m = getenv("ZELO_BENCH_MINUTES");
    double minutes = m && atof(m) > 0 ? atof(m) : 10;
    std::string dir = getenv("ZELO_BENCH_DIR") ? getenv("ZELO_BENCH_DIR") : ".";
    std::string in = dir + "/resample-bench-in.wav", out = dir + "/resample-bench-out.wav";
    if (system("sox --version >/dev/null 2>&1") != 0) {
        printf("Resample: sox not found, nothing to compare with\n");
        return 0;
    }
    char synth[512];
    snprintf(synth, sizeof synth,
             "sox -D -n -r 44100 -c 2 -b 16 '%s' synth %.0f pinknoise sine 300-15000 vol 0.4 2>/dev/null", in.c_str(),
             minutes * 60);
    if (system(synth) != 0) {
        printf("Resample: sox could not make the input\n");
        return 1;
    }
    printf("Resample: %.0f-minute 44.1 kHz stereo 16-bit wave, read, converted and written; medians of three\n",
           minutes);
    printf("  %-7s %6s  %8s  %12s %8s  %8s %8s\n", "level", "to", "ours", "sox (same q)", "ratio", "sox -h", "ratio");
    const char *names[] = {"", "Low", "Medium", "High", "X-High"};
    const char letters[] = {' ', 'l', 'm', 'h', 'v'};
    for (uint32_t rate : {22050u, 48000u})
        for (int level = RS_LOW; level <= RS_XHIGH; level++) {
            double o[3], s[3], h[3];
            for (int i = 0; i < 3; i++) {
                o[i] = runOurs(in, out, rate, level);
                s[i] = runSox(in, out, rate, letters[level]);
                h[i] = level == RS_HIGH ? s[i] : runSox(in, out, rate, 'h');
            }
            double ours = median3(o[0], o[1], o[2]), same = median3(s[0], s[1], s[2]), high = median3(h[0], h[1], h[2]);
            printf("  %-7s %6u  %7.2fs  %8.2fs -%c  %8.2f  %7.2fs %8.2f%s\n", names[level], rate, ours, same,
                   letters[level], ours / same, high, ours / high,
                   level == RS_HIGH && ours > high ? "  (goal <= 1: NOT met)" : "");
        }
    remove(in.c_str());
    remove(out.c_str());
    return 0;
}
