/*
 * stretchfilter_bench.cpp - figures of the FFT Filter and Stretch modules' work, printed
 * as text (stretchfilter_bench natively, stretchfilter_bench_win under Wine), over a
 * 10-minute 44.1 kHz 16-bit stereo wave (ZELO_BENCH_MINUTES changes the length; made by
 * sox's pink noise when sox is there, else by a noise generator here):
 *   1. FFT Filter's low-pass preset: the design plus the program's Convolute over the wave
 *      in memory, as the module calls it, against `sox in.wav out.wav sinc -1000`;
 *   2. Stretch, tempo 1.25, against `sox ... tempo 1.25`;
 *   3. Stretch, pitch +3 semitones, against `sox ... pitch 300`.
 * sox runs in the native build only; ratios are ours / sox.  Files go to ZELO_BENCH_DIR.
 */
#include "dsp/dsp.h"
#include "xforms/fftfilter/fftfcore.h"
#include "xforms/stretch/stretchcore.h"

#include <chrono>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

typedef std::chrono::steady_clock Clock;

static double seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

static std::vector<int16_t> Wav;   /* the wave being filtered in place */
static int64_t EndByte;            /* one past the range, as the module's callbacks see it */

static short ZELOAPI memRead(void *dst, int32_t offset, uint32_t count)
{
    int16_t *d = (int16_t *)dst;
    for (uint32_t i = 0; i < count / 2; i++) {
        int64_t at = offset / 2 + i;
        d[i] = at * 2 < EndByte ? Wav[(size_t)at] : 0;
    }
    return 0;
}

static short ZELOAPI memWrite(const void *src, int32_t offset, uint32_t count)
{
    int64_t room = EndByte - offset;
    if (room <= 0)
        return 0;
    if ((int64_t)count > room)
        count = (uint32_t)room;
    memcpy(&Wav[(size_t)offset / 2], src, count);
    return 0;
}

/* The samples of a 16-bit stereo wave file, empty when it is not one. */
static std::vector<int16_t> readWav(const std::string &path)
{
    std::vector<int16_t> s;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return s;
    unsigned char h[12], c[8];
    if (fread(h, 1, 12, f) == 12 && !memcmp(h, "RIFF", 4) && !memcmp(h + 8, "WAVE", 4)) {
        while (fread(c, 1, 8, f) == 8) {
            uint32_t size = c[4] | c[5] << 8 | c[6] << 16 | (uint32_t)c[7] << 24;
            if (!memcmp(c, "data", 4)) {
                s.resize(size / 2);
                s.resize(fread(s.data(), 2, s.size(), f));
                break;
            }
            fseek(f, (long)(size + (size & 1)), SEEK_CUR);
        }
    }
    fclose(f);
    return s;
}

static double runSox(const std::string &args)
{
    Clock::time_point a = Clock::now();
    int rc = system(("sox " + args + " 2>/dev/null").c_str());
    double t = seconds(a, Clock::now());
    return rc ? -1 : t;
}

static void report(const char *what, double ours, double sox, uint32_t frames)
{
    printf("  %-34s ours %6.2f s (%5.1f x real time)", what, ours, frames / 44100.0 / ours);
    if (sox > 0)
        printf(", sox %6.2f s; ratio ours / sox %.2f\n", sox, ours / sox);
    else
        printf(", no sox figure\n");
}

/* Stretch over the whole wave with the core, fed and drained in the module's pieces. */
static double stretchRun(const std::vector<int16_t> &in, int mode, double factor, size_t *outFrames)
{
    StretchSetup s;
    memset(&s, 0, sizeof s);
    s.mode = mode;
    s.factor = factor;
    s.channels = 2;
    s.rate = 44100;
    const size_t frames = in.size() / 2, piece = 16384;
    std::vector<int16_t> out(2 * piece);
    Clock::time_point a = Clock::now();
    StretchCore *c = stretchCreate(&s, frames);
    size_t fed = 0, got = 0;
    while (c) {
        size_t g = stretchPull(c, out.data(), piece);
        if (g) {
            got += g;
            continue;
        }
        uint64_t want = stretchWant(c);
        if (!want)
            break;
        size_t n = want < piece ? (size_t)want : piece;
        stretchPush(c, in.data() + 2 * fed, n);
        fed += n;
    }
    stretchFree(c);
    *outFrames = got;
    return seconds(a, Clock::now());
}

int main(void)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    double minutes = 10;
    if (const char *m = getenv("ZELO_BENCH_MINUTES"))
        minutes = atof(m) > 0 ? atof(m) : minutes;
    const uint32_t frames = (uint32_t)(minutes * 60 * 44100);
    std::string dir = getenv("ZELO_BENCH_DIR") ? getenv("ZELO_BENCH_DIR") : ".";
    std::string in = dir + "/stretchfilter-in.wav", out = dir + "/stretchfilter-out.wav";
    int haveSox = 0;
#if !defined(_WIN32)
    haveSox = system("sox --version >/dev/null 2>&1") == 0;
    if (haveSox) {
        char args[512];
        snprintf(args, sizeof args, "-n -r 44100 -c 2 -b 16 '%s' synth %.3f pinknoise vol 0.7", in.c_str(),
                 frames / 44100.0);
        haveSox = runSox(args) >= 0;
    }
#endif
    std::vector<int16_t> source = haveSox ? readWav(in) : std::vector<int16_t>();
    if (source.size() != (size_t)frames * 2) {
        uint32_t seed = 12345;
        source.resize((size_t)frames * 2);
        for (size_t i = 0; i < source.size(); i++) {
            seed = seed * 1664525u + 1013904223u;
            source[i] = (int16_t)(((int32_t)(seed >> 16) - 32768) / 2);
        }
        haveSox = 0;
    }
    printf("FFT Filter and Stretch over %.1f minutes of 44.1 kHz 16-bit stereo (%u frames)%s\n", minutes, frames,
           haveSox ? ", sox's pink noise" : "");
    std::string q = "'" + in + "' '" + out + "' ";

    /* 1. FFT Filter */
    FftfCurve curve;
    fftfPresetCurve(FFTF_LOWPASS, &curve);
    uint32_t taps = fftfTaps(44100, 0), delay = (taps - 1) / 2;
    Wav = source;
    EndByte = (int64_t)frames * 4;
    Clock::time_point a = Clock::now();
    std::vector<double> h(taps), f(4 * taps, 0.0);
    fftfDesign(&curve, 44100, taps, h.data());
    double design = seconds(a, Clock::now());
    for (uint32_t k = 0; k < taps; k++) {
        f[2 * k] = h[k];
        f[2 * taps + 2 * k + 1] = h[k];
    }
    short ok = Convolute(2, 4, 0, frames - 1 + delay, 0, 1, f.data(), taps, (int32_t)delay, NULL, memRead, memWrite);
    double ours = seconds(a, Clock::now());
    printf("  (low-pass 1000 Hz: %u taps, block %u, design %.3f s, result %d)\n", taps, convBlockLength(taps), design,
           ok);
    report("FFT Filter low-pass / sox sinc", ours, haveSox ? runSox("-D " + q + "sinc -1000") : -1, frames);

    /* 2. and 3. Stretch */
    size_t got = 0;
    ours = stretchRun(source, STRETCH_TEMPO, 1.25, &got);
    report("Stretch tempo 1.25 / sox tempo", ours, haveSox ? runSox("-D " + q + "tempo 1.25") : -1, frames);
    if (haveSox)
        printf("    lengths: ours %zu frames, sox %zu\n", got, readWav(out).size() / 2);
    ours = stretchRun(source, STRETCH_PITCH, stretchFactorOf(STRETCH_SEMITONES, 3), &got);
    report("Stretch pitch +3 st / sox pitch 300", ours, haveSox ? runSox("-D " + q + "pitch 300") : -1, frames);
    ours = stretchRun(source, STRETCH_RATE, 1.25, &got);
    report("Stretch both 1.25 (resampling)", ours, -1, frames);
#if defined(_WIN32)
    printf("  (sox is compared in the native run only)\n");
#endif
    remove(in.c_str());
    remove(out.c_str());
    return 0;
}
