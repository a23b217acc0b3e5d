/*
 * dsp_bench.cpp - figures of the signal-analysis engine, printed as text (both builds:
 * dsp_bench natively, dsp_bench_win under Wine).
 *
 * 1. FFT at 256 .. 16384 points: time per transform against the plain radix-2 recurrence
 *    compiled here with the same flags (ratio; goal <= 0.3 at 2048), and the largest error
 *    relative to the peak against a double-precision DFT (goal <= 1e-5).
 * 2. Convolute with a 1000-tap filter over a 10-minute 44.1 kHz stereo wave in memory
 *    (ZELO_BENCH_MINUTES changes the length): time, frames per second, the largest
 *    difference from a direct double-precision convolution at sampled places (goal <= 1
 *    LSB), and `sox -D in.wav out.wav fir taps.txt` on the same wave when sox is there
 *    (native build only; the files go to ZELO_BENCH_DIR).
 */
#include "dsp/dsp.h"

#include <algorithm>
#include <chrono>
#include <complex>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

typedef std::complex<double> C;
typedef std::chrono::steady_clock Clock;

static double seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

static uint32_t seed = 12345;
static double noise(void)
{
    seed = seed * 1664525u + 1013904223u;
    return (double)(seed >> 8) / (double)(1u << 23) - 1.0;
}

/* The radix-2 recurrence as textbooks give it, rotation held in two floats. */
static void textbookFft(float *data, long nn, int isign)
{
    long n = nn << 1, j = 1;
    for (long i = 1; i < n; i += 2) {
        if (j > i) {
            std::swap(data[j], data[i]);
            std::swap(data[j + 1], data[i + 1]);
        }
        long m = nn;
        while (m >= 2 && j > m) {
            j -= m;
            m >>= 1;
        }
        j += m;
    }
    for (long mmax = 2; n > mmax; mmax <<= 1) {
        long istep = mmax << 1;
        double theta = 6.2831854820251465 / (mmax * isign);
        double t = sin(0.5 * theta), c = 1 - 2 * t * t, s = sin(theta);
        float wr = 1, wi = 0;
        for (long m = 1; m < mmax; m += 2) {
            for (long i = m; i < n; i += istep) {
                long k = i + mmax;
                double tr = (double)wr * data[k] - (double)wi * data[k + 1];
                double ti = (double)wr * data[k + 1] + (double)wi * data[k];
                data[k] = (float)(data[i] - tr);
                data[k + 1] = (float)(data[i + 1] - ti);
                data[i] = (float)(data[i] + tr);
                data[i + 1] = (float)(data[i + 1] + ti);
            }
            float nwr = (float)(wr * c - wi * s);
            wi = (float)(wi * c + wr * s);
            wr = nwr;
        }
    }
}

/* Median seconds of one call of fn on a fresh copy of the input. */
template <typename F> static double timePerCall(const std::vector<float> &input, F fn, int rounds)
{
    std::vector<float> work(input.size());
    std::vector<double> t;
    for (int r = 0; r < rounds; r++) {
        memcpy(work.data(), input.data(), input.size() * sizeof(float));
        Clock::time_point a = Clock::now();
        fn(work.data());
        t.push_back(seconds(a, Clock::now()));
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

static void benchFft(void)
{
    printf("FFT (sign +1), median of each: points, ours, textbook recurrence, ratio, max error / peak\n");
    const double pi = 3.14159265358979323846;
    for (int n = 256; n <= 16384; n *= 2) {
        std::vector<float> in(2 * n + 1, 0.0f);
        std::vector<C> x(n);
        for (int j = 0; j < n; j++) {
            x[j] = C(noise(), noise());
            in[2 * j + 1] = (float)x[j].real();
            in[2 * j + 2] = (float)x[j].imag();
        }
        int rounds = n <= 2048 ? 4001 : 801;
        double ours = timePerCall(in, [n](float *d) { FFT(d, (short)n, 1); }, rounds);
        double book = timePerCall(in, [n](float *d) { textbookFft(d, n, 1); }, rounds);

        std::vector<float> out(in);
        FFT(out.data(), (short)n, 1);
        std::vector<C> w(n);
        for (int t = 0; t < n; t++)
            w[t] = C(cos(2 * pi * t / n), sin(2 * pi * t / n));
        double peak = 0, err = 0;
        for (int j = 0; j < n; j++) {
            C s = 0;
            long t = 0;
            for (int k = 0; k < n; k++) {
                s += x[k] * w[t];
                t += j;
                if (t >= n)
                    t -= n;
            }
            peak = std::max(peak, std::abs(s));
            err = std::max(err, std::abs(s - C(out[2 * j + 1], out[2 * j + 2])));
        }
        printf("  %6d  %9.2f us  %9.2f us  ratio %.3f%s  error %.2e%s\n", n, ours * 1e6, book * 1e6,
               ours / book, n == 2048 ? (ours / book <= 0.3 ? " (goal <= 0.3: met)" : " (goal <= 0.3: NOT met)") : "",
               err / peak, err / peak <= 1e-5 ? "" : " (goal 1e-5: NOT met)");
        fflush(stdout);
    }
}

/* ---- Convolute over a long wave in memory ---- */

static std::vector<int16_t> Wav;

static short ZELOAPI memRead(void *dst, int32_t offset, uint32_t count)
{
    int16_t *d = (int16_t *)dst;
    size_t at = (size_t)offset / 2;
    for (uint32_t i = 0; i < count / 2; i++)
        d[i] = at + i < Wav.size() ? Wav[at + i] : 0;
    return 0;
}

static short ZELOAPI memWrite(const void *src, int32_t offset, uint32_t count)
{
    size_t at = (size_t)offset / 2;
    if (at + count / 2 > Wav.size())
        return 1;
    memcpy(&Wav[at], src, count);
    return 0;
}

static void putLE(FILE *f, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; i++)
        fputc((int)((v >> (8 * i)) & 0xFF), f);
}

static int writeWav(const std::string &path, const std::vector<int16_t> &s)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    uint32_t bytes = (uint32_t)(s.size() * 2);
    fwrite("RIFF", 1, 4, f); putLE(f, 36 + bytes, 4); fwrite("WAVEfmt ", 1, 8, f);
    putLE(f, 16, 4); putLE(f, 1, 2); putLE(f, 2, 2); putLE(f, 44100, 4); putLE(f, 44100 * 4, 4);
    putLE(f, 4, 2); putLE(f, 16, 2); fwrite("data", 1, 4, f); putLE(f, bytes, 4);
    size_t put = fwrite(s.data(), 2, s.size(), f);
    fclose(f);
    return put == s.size();
}

static void benchConvolute(void)
{
    double minutes = 10;
    if (const char *m = getenv("ZELO_BENCH_MINUTES"))
        minutes = atof(m) > 0 ? atof(m) : minutes;
    const uint32_t frames = (uint32_t)(minutes * 60 * 44100), taps = 1000;
    printf("\nConvolute, %u taps, %.1f minutes of 44.1 kHz 16-bit stereo (%u frames), block %u\n",
           taps, minutes, frames, convBlockLength(taps));

    std::vector<double> h(taps);
    for (uint32_t k = 0; k < taps; k++)   /* a windowed low-pass */
        h[k] = (k == taps / 2 ? 0.25 : sin(0.25 * 3.14159265358979 * ((double)k - taps / 2)) /
                                       (3.14159265358979 * ((double)k - taps / 2))) *
               (0.54 - 0.46 * cos(2 * 3.14159265358979 * k / (taps - 1)));
    /* two filters of pairs: left input to the left output only, right to the right */
    std::vector<double> f(4 * taps, 0.0);
    for (uint32_t k = 0; k < taps; k++) {
        f[2 * k] = h[k];
        f[2 * taps + 2 * k + 1] = h[k];
    }
    Wav.resize((size_t)frames * 2);
    for (size_t i = 0; i < Wav.size(); i++)
        Wav[i] = (int16_t)(noise() * 20000);
    const std::vector<int16_t> source = Wav;

    std::string dir = getenv("ZELO_BENCH_DIR") ? getenv("ZELO_BENCH_DIR") : ".";
#if !defined(_WIN32)
    int haveSox = system("sox --version >/dev/null 2>&1") == 0;
    std::string in = dir + "/dsp-bench-in.wav", out = dir + "/dsp-bench-out.wav", coef = dir + "/dsp-bench-taps.txt";
    if (haveSox) {
        FILE *c = fopen(coef.c_str(), "w");
        for (uint32_t k = 0; c && k < taps; k++)
            fprintf(c, "%.17g\n", h[k]);
        if (c)
            fclose(c);
        haveSox = c && writeWav(in, source);
    }
#endif

    Clock::time_point a = Clock::now();
    short ok = Convolute(2, 4, 0, frames - 1, 0, 1, f.data(), taps, 0, NULL, memRead, memWrite);
    double ours = seconds(a, Clock::now());
    printf("  Convolute (one transform pair per block): %.2f s, %.1f M frames/s, result %d\n", ours,
           frames / ours / 1e6, ok);

    /* direct convolution at 40 places spread over the wave, 500 frames each */
    int worst = 0;
    for (int place = 0; place < 40; place++) {
        uint64_t start = (uint64_t)frames * place / 40;
        for (uint64_t p = start; p < start + 500 && p < frames; p++)
            for (int c = 0; c < 2; c++) {
                double y = 0;
                for (uint32_t k = 0; k < taps && k <= p; k++)
                    y += h[k] * source[(p - k) * 2 + c];
                int want = y >= 32767 ? 32767 : y <= -32768 ? -32768 : (int)y;
                worst = std::max(worst, abs(want - Wav[p * 2 + c]));
            }
    }
    printf("  largest difference from direct convolution (20000 frames sampled): %d LSB%s\n", worst,
           worst <= 1 ? "" : " (goal <= 1: NOT met)");

#if !defined(_WIN32)
    if (haveSox) {
        std::string cmd = "sox -D '" + in + "' '" + out + "' fir '" + coef + "' 2>/dev/null";
        a = Clock::now();
        int rc = system(cmd.c_str());
        double sox = seconds(a, Clock::now());
        printf("  sox -D ... fir (same taps, same wave): %.2f s%s; ratio ours / sox %.2f\n", sox,
               rc ? " (sox failed)" : "", ours / sox);
        remove(in.c_str());
        remove(out.c_str());
        remove(coef.c_str());
    } else {
        printf("  sox not found: no comparison\n");
    }
#else
    printf("  (sox is compared in the native run only)\n");
#endif
    fflush(stdout);
}

int main(void)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    benchFft();
    benchConvolute();
    dspShutdown();
    return 0;
}
