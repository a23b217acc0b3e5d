/*
 * resample_bench.cpp - how long the Resample module's converter takes over a long
 * recording, against sox's rate effect on the same file in the same run.  The input is a
 * 10-minute 44.1 kHz stereo 16-bit wave of noise and tones made by sox
 * (ZELO_BENCH_MINUTES changes the length; files go to ZELO_BENCH_DIR).  Each level goes
 * to 22050 and to 48000 Hz: read the file, convert in pieces as the module does, write the
 * result; sox -D ... rate with the matching quality letter (l, m, h, v) and -h.  Medians
 * of three runs, wall clock and CPU time (the machine may be shared).  Not a test: tools/bench.sh runs it natively.
 */
#include "xforms/resample/rscore.h"

#include <algorithm>
#include <chrono>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/resource.h>
#include <vector>

typedef std::chrono::steady_clock Clock;

static double since(Clock::time_point a)
{
    return std::chrono::duration<double>(Clock::now() - a).count();
}

/* CPU seconds (user and system) of this process or of its finished children: the machine
   may be shared, and the processor time of each side is the steadier comparison. */
static double cpu(int who)
{
    struct rusage u;
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

static double LastCpu;   /* CPU seconds of the last runOurs or runSox */

static double median3(double a, double b, double c)
{
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

static void putLe(std::vector<unsigned char> &h, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; i++)
        h.push_back((unsigned char)(v >> (8 * i)));
}

/* Reads the file's samples (after a 44-byte header as sox writes it) in pieces, converts
   them as they come and writes the result with a header of its own, as the module works
   through the sample services.  Returns seconds, or -1. */
static double runOurs(const std::string &in, const std::string &out, uint32_t rate, int level)
{
    Clock::time_point t0 = Clock::now();
    double c0 = cpu(RUSAGE_SELF);
    FILE *f = fopen(in.c_str(), "rb"), *g = fopen(out.c_str(), "wb");
    if (!f || !g) {
        if (f)
            fclose(f);
        if (g)
            fclose(g);
        return -1;
    }
    fseek(f, 0, SEEK_END);
    size_t frames = (size_t)(ftell(f) - 44) / 4, fed = 0, done = 0;
    fseek(f, 44, SEEK_SET);
    RsState *rs = rsCreate(44100, rate, 2, level, frames);
    if (!rs) {
        fclose(f);
        fclose(g);
        return -1;
    }
    std::vector<int16_t> src(2 * 8192), dst(2 * 8192);
    std::vector<unsigned char> h;
    uint32_t total = (uint32_t)rsTotal(rs);
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    putLe(h, 36 + total * 4, 4);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(h, 16, 4);
    putLe(h, 1, 2);
    putLe(h, 2, 2);
    putLe(h, rate, 4);
    putLe(h, rate * 4, 4);
    putLe(h, 4, 2);
    putLe(h, 16, 2);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    putLe(h, total * 4, 4);
    fwrite(h.data(), 1, h.size(), g);
    for (;;) {
        size_t got = rsGet16(rs, dst.data(), 8192, NULL);
        if (got) {
            fwrite(dst.data(), 4, got, g);
            done += got;
            continue;
        }
        if (fed < frames) {
            size_t want = std::min(rsRoom(rs), std::min<size_t>(8192, frames - fed));
            size_t r = fread(src.data(), 4, want, f);
            if (r < want)
                memset(src.data() + 2 * r, 0, (want - r) * 4);
            fed += rsPut16(rs, src.data(), want);
            continue;
        }
        break;
    }
    rsDestroy(rs);
    fclose(f);
    fclose(g);
    LastCpu = cpu(RUSAGE_SELF) - c0;
    return done == total ? since(t0) : -1;
}

static double runSox(const std::string &in, const std::string &out, uint32_t rate, char quality)
{
    std::string cmd = "sox -D '" + in + "' -r " + std::to_string(rate) + " '" + out + "' rate -" + quality + " 2>/dev/null";
    Clock::time_point t0 = Clock::now();
    double c0 = cpu(RUSAGE_CHILDREN);
    int rc = system(cmd.c_str());
    double t = since(t0);
    LastCpu = cpu(RUSAGE_CHILDREN) - c0;
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
    printf("  %-7s %6s  %14s  %17s  %8s  %14s  %8s\n", "level", "to", "ours wall/cpu", "sox same q", "ratio",
           "sox -h", "ratio");
    const char *names[] = {"", "Low", "Medium", "High", "X-High"};
    const char letters[] = {' ', 'l', 'm', 'h', 'v'};
    for (uint32_t rate : {22050u, 48000u})
        for (int level = RS_LOW; level <= RS_XHIGH; level++) {
            double o[3], s[3], h[3], oc[3], sc[3], hc[3];
            for (int i = 0; i < 3; i++) {
                o[i] = runOurs(in, out, rate, level);
                oc[i] = LastCpu;
                s[i] = runSox(in, out, rate, letters[level]);
                sc[i] = LastCpu;
                if (level == RS_HIGH) {
                    h[i] = s[i];
                    hc[i] = sc[i];
                } else {
                    h[i] = runSox(in, out, rate, 'h');
                    hc[i] = LastCpu;
                }
            }
            double ours = median3(o[0], o[1], o[2]), same = median3(s[0], s[1], s[2]), high = median3(h[0], h[1], h[2]);
            double oursC = median3(oc[0], oc[1], oc[2]), sameC = median3(sc[0], sc[1], sc[2]);
            double highC = median3(hc[0], hc[1], hc[2]);
            printf("  %-7s %6u  %6.2fs/%5.2fs  -%c %6.2fs/%5.2fs  %4.2f/%4.2f  %6.2fs/%5.2fs  %4.2f/%4.2f%s\n",
                   names[level], rate, ours, oursC, letters[level], same, sameC, ours / same, oursC / sameC, high,
                   highC, ours / high, oursC / highC,
                   level == RS_HIGH && oursC > highC ? "  (goal <= 1: NOT met)" : "");
        }
    printf("  (ratio: ours / sox, wall clock / CPU time)\n");
    remove(in.c_str());
    remove(out.c_str());
    return 0;
}
