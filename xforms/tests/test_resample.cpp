/*
 * The Resample module's converter: lengths for every pair of the program's rates and odd
 * ones, the quality each level promises measured on the floating-point output (tones
 * against the exact sinusoid at the output instants, which bounds every alias, image and
 * ripple at once), DC and full-scale material, pieces against one run, stereo against two
 * mono runs, the in-place driver over a wave in memory (both directions, cancel, failing
 * services), and sox's `rate -h` on files sox made.
 */
#include "xforms/resample/rscore.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace {

const double Pi = 3.14159265358979323846;

const uint32_t Rates[] = {6000, 8000, 11025, 16000, 22050, 32000, 32075, 44100, 48000};

/* The whole input through the converter, pulling pieces of maxOut and pushing pieces of
   maxIn frames. */
std::vector<double> convert(const std::vector<double> &in, int channels, uint32_t a, uint32_t b, int level,
                            size_t maxIn = 1u << 30, size_t maxOut = 1u << 30)
{
    size_t frames = in.size() / channels, fed = 0;
    RsState *rs = rsCreate(a, b, channels, level, frames);
    EXPECT_TRUE(rs != nullptr);
    if (!rs)
        return {};
    std::vector<double> out(rsTotal(rs) * channels + channels);
    size_t got = 0;
    for (;;) {
        size_t want = std::min(maxOut, (size_t)rsTotal(rs) + 1 - got);
        size_t g = rsGet(rs, out.data() + got * channels, want);
        if (g) {
            got += g;
            continue;
        }
        if (fed < frames) {
            size_t p = rsPut(rs, in.data() + fed * channels, std::min(maxIn, frames - fed));
            EXPECT_GT(p, 0u);
            if (!p)
                break;
            fed += p;
            continue;
        }
        break;
    }
    EXPECT_EQ(rsTotal(rs), got);
    rsDestroy(rs);
    out.resize(got * channels);
    return out;
}

std::vector<double> tone(double f, uint32_t rate, size_t frames, double amp = 1.0)
{
    std::vector<double> v(frames);
    for (size_t i = 0; i < frames; i++)
        v[i] = amp * sin(2 * Pi * f * (double)i / rate);
    return v;
}

double db(double x)
{
    return 20 * log10(x > 1e-30 ? x : 1e-30);
}

/* ---- 1. What the program writes chooses the quality ---- */

TEST(ResampleLevels, TheProgramsPairsAndAnyOther)
{
    EXPECT_EQ(RS_MEDIUM, rsLevelFromShape(51, 18));
    EXPECT_EQ(RS_HIGH, rsLevelFromShape(149, 18));
    EXPECT_EQ(RS_LOW, rsLevelFromShape(69, 2));
    EXPECT_EQ(RS_MEDIUM, rsLevelFromShape(99, 2));
    EXPECT_EQ(RS_HIGH, rsLevelFromShape(199, 2));
    EXPECT_EQ(RS_LOW, rsLevelFromShape(49, 2));
    EXPECT_EQ(RS_XHIGH, rsLevelFromShape(255, 18));
    EXPECT_EQ(RS_XHIGH, rsLevelFromShape(255, 2));
    EXPECT_EQ(RS_LOW, rsLevelFromShape(59, 7));
    EXPECT_EQ(RS_MEDIUM, rsLevelFromShape(69, 3));
    EXPECT_EQ(RS_HIGH, rsLevelFromShape(219, 0));
    EXPECT_EQ(RS_XHIGH, rsLevelFromShape(220, 0));
}

TEST(ResampleLevels, BadRatesMakeNoConverter)
{
    EXPECT_EQ(nullptr, rsCreate(0, 44100, 1, RS_HIGH, 10));
    EXPECT_EQ(nullptr, rsCreate(44100, 0, 1, RS_HIGH, 10));
    EXPECT_EQ(nullptr, rsCreate(44100, 200001, 2, RS_HIGH, 10));
    EXPECT_EQ(nullptr, rsCreate(44100, 22050, 3, RS_HIGH, 10));
    EXPECT_EQ(0u, rsOutputFrames(0, 44100, 100));
}

/* ---- 2. Lengths ---- */

TEST(ResampleLengths, EveryPairOfTheProgramsRatesAndShortWaves)
{
    const size_t sizes[] = {0, 1, 2, 3, 999, 4411};
    for (uint32_t a : Rates)
        for (uint32_t b : Rates)
            for (size_t n : sizes) {
                uint64_t want = ((uint64_t)n * b * 2 + a) / (2 * (uint64_t)a);   /* round half up */
                ASSERT_EQ(want, rsOutputFrames(a, b, n)) << a << "->" << b << " n " << n;
                std::vector<double> in(n * 2, 0.25);
                std::vector<double> out = convert(in, 2, a, b, RS_LOW, 700, 300);
                ASSERT_EQ(want * 2, out.size()) << a << "->" << b << " n " << n;
            }
}

TEST(ResampleLengths, OddRatiosAtEveryLevel)
{
    struct Case {
        uint32_t a, b;
        size_t n;
    } cases[] = {{44100, 1000, 44100}, {44100, 1000, 1}, {8000, 192000, 8000}, {8000, 192000, 1},
                 {44100, 44101, 20000}, {1, 200000, 3},  {200000, 1, 40001}, {48000, 44100, 2}};
    for (const Case &c : cases)
        for (int level = RS_LOW; level <= RS_XHIGH; level++) {
            std::vector<double> in(c.n, 0.5);
            std::vector<double> out = convert(in, 1, c.a, c.b, level);
            EXPECT_EQ(rsOutputFrames(c.a, c.b, c.n), out.size()) << c.a << "->" << c.b << " level " << level;
        }
    EXPECT_EQ(1000u, rsOutputFrames(44100, 1000, 44100));
    EXPECT_EQ(0u, rsOutputFrames(44100, 8000, 1));
    EXPECT_EQ(1u, rsOutputFrames(44100, 22050, 1));   /* half a frame rounds up */
    EXPECT_EQ(24u, rsOutputFrames(8000, 192000, 1));
}

/* ---- 3. Quality per level ---- */

struct Figures {
    double ripple = 0;   /* largest passband deviation, dB */
    double leak = -400;  /* largest alias / image / residual relative to the tone, dB */
};

/* Passband and images: tones below the lower Nyquist frequency; the output's middle against
   the exact sinusoid at the output instants, amplitude and phase fitted (the amplitude is
   the passband gain, the rest after the fit is every alias, image and error together). */
void measureTone(uint32_t a, uint32_t b, int level, double f, double *gainDb, double *residualDb)
{
    size_t n = a / 2;
    std::vector<double> out = convert(tone(f, a, n), 1, a, b, level);
    size_t lo = out.size() * 3 / 10, hi = out.size() * 7 / 10;
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (size_t k = lo; k < hi; k++) {
        double ph = 2 * Pi * f * (double)k / b, s = sin(ph), c = cos(ph);
        ss += s * s;
        sc += s * c;
        cc += c * c;
        ys += out[k] * s;
        yc += out[k] * c;
    }
    double det = ss * cc - sc * sc, A = (ys * cc - yc * sc) / det, B = (yc * ss - ys * sc) / det;
    double worst = 0;
    for (size_t k = lo; k < hi; k++) {
        double ph = 2 * Pi * f * (double)k / b;
        worst = std::max(worst, fabs(out[k] - A * sin(ph) - B * cos(ph)));
    }
    *gainDb = db(sqrt(A * A + B * B));
    *residualDb = db(worst);
}

Figures measureLevel(uint32_t a, uint32_t b, int level, double passFraction)
{
    Figures fig;
    double fs = std::min(a, b) / 2.0;
    /* 24 tones from 50 Hz up to the promised passband edge, then 8 in the transition band
       (their level is free, what remains after the fit is not) */
    for (int i = 0; i <= 31; i++) {
        double f = i < 24 ? 50 + (passFraction * fs - 50) * i / 23.0 : fs * (passFraction + (1 - passFraction) * (i - 23) / 9.0);
        double g, r;
        measureTone(a, b, level, f, &g, &r);
        if (i < 24)
            fig.ripple = std::max(fig.ripple, fabs(g));
        fig.leak = std::max(fig.leak, r);
    }
    /* aliases: tones above the lower Nyquist frequency of the input must vanish */
    if (b < a)
        for (int i = 0; i < 16; i++) {
            double f = fs * 1.0005 + (a / 2.0 - fs * 1.0005) * i / 15.0;
            std::vector<double> out = convert(tone(f, a, a / 2), 1, a, b, level);
            double worst = 0;
            for (size_t k = out.size() * 3 / 10; k < out.size() * 7 / 10; k++)
                worst = std::max(worst, fabs(out[k]));
            fig.leak = std::max(fig.leak, db(worst));
        }
    return fig;
}

TEST(ResampleQuality, EachLevelKeepsItsPassbandAndRejection)
{
    const char *names[] = {"", "Low", "Medium", "High", "X-High"};
    const uint32_t pairs[][2] = {{48000, 44100}, {44100, 48000}, {44100, 22050}, {32075, 44100}};
    for (int level = RS_LOW; level <= RS_XHIGH; level++) {
        double pass, promise;
        rsLevelFigures(level, &pass, &promise);
        for (const auto &p : pairs) {
            Figures fig = measureLevel(p[0], p[1], level, pass);
            printf("  %-6s %5u -> %5u: passband to %.2f of Nyquist within %.5f dB, aliases/images %.1f dB\n",
                   names[level], p[0], p[1], pass, fig.ripple, fig.leak);
            EXPECT_LE(fig.ripple, level >= RS_HIGH ? 0.01 : 0.05) << names[level];
            EXPECT_LE(fig.leak, -promise) << names[level] << " " << p[0] << "->" << p[1];
        }
    }
    double pass;
    rsLevelFigures(RS_HIGH, &pass, nullptr);
    EXPECT_GE(pass, 0.92);
}

/* ---- 4. Levels of material ---- */

TEST(ResampleSignals, DcStaysExactAndFullScaleSineDoesNotClip)
{
    for (uint32_t b : {22050u, 48000u, 32075u}) {
        /* 16-bit DC, and a sine of exactly full scale (unrounded, faded in so that its
           ends do not ring) whose 16-bit result must reach the top without a held sample */
        size_t n = 44100;
        std::vector<int16_t> dc(n, 1000);
        std::vector<double> sine(n);
        for (size_t i = 0; i < n; i++) {
            size_t edge = std::min(i, n - 1 - i);
            double fade = edge < 2000 ? 0.5 - 0.5 * cos(Pi * edge / 2000) : 1.0;
            sine[i] = 32767.0 * fade * sin(2 * Pi * 1000.0 * i / 44100);
        }
        for (int which = 0; which < 2; which++) {
            RsState *rs = rsCreate(44100, b, 1, RS_HIGH, n);
            ASSERT_TRUE(rs);
            std::vector<int16_t> out(rsTotal(rs));
            size_t got = 0, fed = 0;
            unsigned long clipped = 0;
            while (got < out.size()) {
                size_t g = rsGet16(rs, out.data() + got, out.size() - got, &clipped);
                if (g)
                    got += g;
                else if (fed < n)
                    fed += which ? rsPut(rs, sine.data() + fed, n - fed) : rsPut16(rs, dc.data() + fed, n - fed);
                else
                    break;
            }
            ASSERT_EQ(out.size(), got);
            rsDestroy(rs);
            if (!which) {
                for (size_t k = got / 10; k < got * 9 / 10; k++)
                    ASSERT_EQ(1000, out[k]) << "DC at " << k << " to " << b;
            } else {
                EXPECT_EQ(0u, clipped) << b;
                int peak = 0;
                for (int16_t v : out)
                    peak = std::max(peak, abs((int)v));
                EXPECT_GE(peak, 32760) << b;
            }
        }
    }
}

TEST(ResampleSignals, OverloadIsHeldAndCounted)
{
    /* a full-scale square wave rings past full scale after band-limiting */
    size_t n = 8000;
    std::vector<int16_t> in(n);
    for (size_t i = 0; i < n; i++)
        in[i] = (i / 40) % 2 ? 32767 : -32768;
    RsState *rs = rsCreate(44100, 48000, 1, RS_HIGH, n);
    std::vector<int16_t> out(rsTotal(rs));
    size_t got = 0, fed = 0;
    unsigned long clipped = 0;
    while (true) {
        size_t g = rsGet16(rs, out.data() + got, out.size() - got, &clipped);
        if (g)
            got += g;
        else if (fed < n)
            fed += rsPut16(rs, in.data() + fed, n - fed);
        else
            break;
    }
    rsDestroy(rs);
    EXPECT_EQ(out.size(), got);
    EXPECT_GT(clipped, 0u);
}

TEST(ResampleSignals, SixteenBitStereoIsTheRoundedFloatingResult)
{
    /* loud noise: some samples pass full scale after filtering, most round plainly */
    size_t n = 30000;
    std::vector<double> in(2 * n);
    std::vector<int16_t> in16(2 * n);
    uint32_t seed = 11;
    for (size_t i = 0; i < 2 * n; i++) {
        seed = seed * 1664525u + 1013904223u;
        in16[i] = (int16_t)((int32_t)seed >> 16);
        in[i] = in16[i];
    }
    std::vector<double> ref = convert(in, 2, 44100, 48000, RS_HIGH);
    RsState *rs = rsCreate(44100, 48000, 2, RS_HIGH, n);
    std::vector<int16_t> out(rsTotal(rs) * 2);
    size_t got = 0, fed = 0;
    unsigned long clipped = 0, want = 0;
    while (true) {
        size_t g = rsGet16(rs, out.data() + 2 * got, 777, &clipped);
        if (g)
            got += g;
        else if (fed < n)
            fed += rsPut16(rs, in16.data() + 2 * fed, n - fed);
        else
            break;
    }
    rsDestroy(rs);
    ASSERT_EQ(ref.size(), 2 * got);
    for (size_t i = 0; i < ref.size(); i++) {
        double v = ref[i];
        int r = v >= 32767.5 ? 32767 : v <= -32768.5 ? -32768 : (int)(v >= 0 ? v + 0.5 : v - 0.5);
        want += v >= 32767.5 || v <= -32768.5;
        ASSERT_EQ(r, out[i]) << "sample " << i << " " << v;
    }
    EXPECT_EQ(want, clipped);
    EXPECT_GT(clipped, 0u);
}

/* ---- 5. Pieces, channels ---- */

TEST(ResampleStreaming, PiecesGiveWhatOneRunGives)
{
    std::vector<double> in(2 * 30011);
    uint32_t seed = 7;
    for (double &v : in) {
        seed = seed * 1664525u + 1013904223u;
        v = (double)(int32_t)seed / 2147483648.0;
    }
    for (auto p : {std::make_pair(44100u, 48000u), std::make_pair(48000u, 11025u), std::make_pair(22050u, 32075u)}) {
        std::vector<double> whole = convert(in, 2, p.first, p.second, RS_HIGH);
        for (size_t piece : {1u, 17u, 4096u, 9999u}) {
            std::vector<double> parts = convert(in, 2, p.first, p.second, RS_HIGH, piece, piece * 3 / 2 + 1);
            ASSERT_EQ(whole.size(), parts.size());
            EXPECT_EQ(0, memcmp(whole.data(), parts.data(), whole.size() * sizeof(double)))
                << p.first << "->" << p.second << " pieces of " << piece;
        }
    }
}

TEST(ResampleStreaming, StereoChannelsStayApart)
{
    size_t n = 20000;
    std::vector<double> left = tone(440, 44100, n), right = tone(9000, 44100, n, 0.3), both(2 * n);
    for (size_t i = 0; i < n; i++) {
        both[2 * i] = left[i];
        both[2 * i + 1] = right[i];
    }
    for (uint32_t b : {22050u, 48000u}) {
        std::vector<double> l = convert(left, 1, 44100, b, RS_HIGH), r = convert(right, 1, 44100, b, RS_HIGH);
        std::vector<double> s = convert(both, 2, 44100, b, RS_HIGH);
        ASSERT_EQ(2 * l.size(), s.size());
        double worst = 0;
        for (size_t k = 0; k < l.size(); k++)
            worst = std::max({worst, fabs(s[2 * k] - l[k]), fabs(s[2 * k + 1] - r[k])});
        EXPECT_LT(worst, 1e-12) << b;
    }
}

/* ---- 6. In place over a wave ---- */

struct MemWave {
    std::vector<int16_t> s;   /* interleaved */
    int channels = 1;
    int progressCalls = 0, stopAfter = -1, failInsert = 0;
    uint32_t reads = 0;
    static MemWave *of(void *u) { return (MemWave *)u; }
    static int read(void *u, int16_t *dst, uint32_t frame, uint32_t frames)
    {
        MemWave *w = of(u);
        for (uint32_t i = 0; i < frames * w->channels; i++) {
            size_t at = (size_t)frame * w->channels + i;
            dst[i] = at < w->s.size() ? w->s[at] : 0;
        }
        w->reads++;
        return 0;
    }
    static int write(void *u, const int16_t *src, uint32_t frame, uint32_t frames)
    {
        MemWave *w = of(u);
        size_t end = ((size_t)frame + frames) * w->channels;
        if (end > w->s.size())
            w->s.resize(end);
        memcpy(w->s.data() + (size_t)frame * w->channels, src, (size_t)frames * w->channels * 2);
        return 0;
    }
    static int insert(void *u, uint32_t frame, uint32_t frames)
    {
        MemWave *w = of(u);
        if (w->failInsert)
            return 1;
        w->s.insert(w->s.begin() + (size_t)frame * w->channels, (size_t)frames * w->channels, (int16_t)0x6666);
        return 0;
    }
    static int cut(void *u, uint32_t frame, uint32_t frames)
    {
        MemWave *w = of(u);
        w->s.erase(w->s.begin() + (size_t)frame * w->channels, w->s.begin() + ((size_t)frame + frames) * w->channels);
        return 0;
    }
    static int progress(void *u, uint64_t, uint64_t)
    {
        MemWave *w = of(u);
        return w->stopAfter < 0 || ++w->progressCalls <= w->stopAfter;
    }
    RsIo io()
    {
        RsIo r = {this, read, write, insert, cut, progress};
        return r;
    }
};

std::vector<int16_t> noise16(size_t samples, uint32_t seed)
{
    std::vector<int16_t> v(samples);
    for (int16_t &x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = (int16_t)((int32_t)seed >> 17);
    }
    return v;
}

std::vector<int16_t> oneRun16(const std::vector<int16_t> &in, int channels, uint32_t a, uint32_t b, int level)
{
    size_t n = in.size() / channels, fed = 0, got = 0;
    RsState *rs = rsCreate(a, b, channels, level, n);
    std::vector<int16_t> out(rsTotal(rs) * channels);
    for (;;) {
        size_t g = rsGet16(rs, out.data() + got * channels, out.size() / channels - got, nullptr);
        if (g)
            got += g;
        else if (fed < n)
            fed += rsPut16(rs, in.data() + fed * channels, n - fed);
        else
            break;
    }
    rsDestroy(rs);
    return out;
}

TEST(ResampleInPlace, BothDirectionsGiveTheOneRunResultAtTheExactLength)
{
    struct Case {
        uint32_t a, b, n;
        int channels;
    } cases[] = {{44100, 22050, 100003, 2}, {44100, 48000, 100003, 2}, {8000, 192000, 5001, 1},
                 {48000, 8000, 77777, 1},   {44100, 1000, 44100, 1},    {11025, 11025, 3000, 2},
                 {22050, 44100, 1, 2},      {44100, 8000, 1, 1},        {6000, 48000, 0, 2}, {32075, 44100, 2, 1}};
    for (const Case &c : cases) {
        MemWave w;
        w.channels = c.channels;
        w.s = noise16((size_t)c.n * c.channels, c.n);
        std::vector<int16_t> want = oneRun16(w.s, c.channels, c.a, c.b, RS_HIGH);
        RsIo io = w.io();
        uint32_t length = 0, written = 0;
        ASSERT_EQ(RS_DONE, rsResampleInPlace(&io, c.channels, c.a, c.b, RS_HIGH, c.n, &length, &written))
            << c.a << "->" << c.b;
        EXPECT_EQ(rsOutputFrames(c.a, c.b, c.n), length);
        EXPECT_EQ(length, written);
        EXPECT_EQ((size_t)length * c.channels, w.s.size());
        EXPECT_TRUE(want == w.s) << c.a << "->" << c.b << " n " << c.n;
    }
}

TEST(ResampleInPlace, CancelStopsWithTheReportedLengthTrue)
{
    for (uint32_t b : {22050u, 48000u}) {
        MemWave w;
        w.channels = 2;
        w.s = noise16(2 * 200000, 3);
        w.stopAfter = 3;
        RsIo io = w.io();
        uint32_t length = 0, written = 0;
        EXPECT_EQ(RS_CANCELLED, rsResampleInPlace(&io, 2, 44100, b, RS_HIGH, 200000, &length, &written));
        EXPECT_EQ(w.s.size(), (size_t)length * 2);
        EXPECT_LT(written, rsOutputFrames(44100, b, 200000));
        EXPECT_GT(written, 0u);
    }
}

TEST(ResampleInPlace, BadRatesAndFailingInsertLeaveTheWaveAlone)
{
    MemWave w;
    w.s = noise16(5000, 9);
    std::vector<int16_t> before = w.s;
    RsIo io = w.io();
    uint32_t length = 0, written = 0;
    EXPECT_EQ(RS_BAD_ARGS, rsResampleInPlace(&io, 1, 44100, 0, RS_HIGH, 5000, &length, &written));
    EXPECT_EQ(RS_BAD_ARGS, rsResampleInPlace(&io, 1, 44100, 200001, RS_HIGH, 5000, &length, &written));
    EXPECT_EQ(RS_BAD_ARGS, rsResampleInPlace(&io, 1, 0, 8000, RS_HIGH, 5000, &length, &written));
    EXPECT_TRUE(before == w.s);
    w.failInsert = 1;
    EXPECT_EQ(RS_FAILED, rsResampleInPlace(&io, 1, 8000, 44100, RS_HIGH, 5000, &length, &written));
    EXPECT_EQ(5000u, length);
    EXPECT_EQ(0u, written);
    EXPECT_TRUE(before == w.s);
}

/* ---- 7. Against sox ---- */

#if !defined(_WIN32)
bool readWav16(const std::string &path, std::vector<int16_t> &samples, int &channels, uint32_t &rate)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::vector<unsigned char> b;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        b.insert(b.end(), buf, buf + n);
    fclose(f);
    size_t p = 12;
    bool fmt = false;
    while (p + 8 <= b.size()) {
        uint32_t size = b[p + 4] | b[p + 5] << 8 | b[p + 6] << 16 | (uint32_t)b[p + 7] << 24;
        if (!memcmp(&b[p], "fmt ", 4) && p + 24 <= b.size()) {
            channels = b[p + 10] | b[p + 11] << 8;
            rate = b[p + 12] | b[p + 13] << 8 | b[p + 14] << 16 | (uint32_t)b[p + 15] << 24;
            fmt = (b[p + 22] | b[p + 23] << 8) == 16;
        } else if (!memcmp(&b[p], "data", 4)) {
            size = (uint32_t)std::min<size_t>(size, b.size() - p - 8);
            samples.resize(size / 2);
            memcpy(samples.data(), &b[p + 8], size / 2 * 2);
            return fmt;
        }
        p += 8 + size + (size & 1);
    }
    return false;
}

bool haveSox()
{
    return system("sox --version >/dev/null 2>&1") == 0;
}

std::string tmpName(const char *stem)
{
    char b[256];
    snprintf(b, sizeof b, "/tmp/zelo-rs-%d-%s", (int)getpid(), stem);
    return b;
}

TEST(ResampleInterop, HighAgreesWithSoxRateH)
{
    if (!haveSox())
        GTEST_SKIP() << "sox not installed";
    std::string tone = tmpName("tone.wav"), sweep = tmpName("sweep.wav"), out = tmpName("out.wav");
    ASSERT_EQ(0, system(("sox -D -n -r 44100 -c 1 -b 16 '" + tone + "' synth 2 sine 1000 vol 0.5").c_str()));
    ASSERT_EQ(0, system(("sox -D -n -r 44100 -c 2 -b 16 '" + sweep + "' synth 3 sine 20-16000 vol 0.7").c_str()));
    for (uint32_t b : {48000u, 32000u, 22050u}) {
        /* the tone's level: both within 0.01 dB of the input's */
        std::vector<int16_t> in, theirs;
        int ch = 0, ch2 = 0;
        uint32_t rate = 0, rate2 = 0;
        ASSERT_TRUE(readWav16(tone, in, ch, rate));
        ASSERT_EQ(0, system(("sox -D '" + tone + "' -r " + std::to_string(b) + " '" + out + "' rate -h").c_str()));
        ASSERT_TRUE(readWav16(out, theirs, ch2, rate2));
        std::vector<int16_t> ours = oneRun16(in, 1, 44100, b, RS_HIGH);
        auto level = [&](const std::vector<int16_t> &v, uint32_t r) {
            double s = 0, c = 0, e = 0;
            size_t lo = v.size() / 4, hi = v.size() * 3 / 4;
            for (size_t k = lo; k < hi; k++) {
                double ph = 2 * Pi * 1000.0 * k / r;
                s += v[k] * sin(ph);
                c += v[k] * cos(ph);
                e += 1;
            }
            return db(2 * sqrt(s * s + c * c) / e);
        };
        double inLevel = level(in, 44100), ourLevel = level(ours, b), soxLevel = level(theirs, b);
        EXPECT_NEAR(inLevel, ourLevel, 0.01) << b;
        EXPECT_NEAR(soxLevel, ourLevel, 0.01) << b;

        /* a sweep inside both passbands: the two results differ by little more than the
           16-bit rounding each makes */
        in.clear();
        theirs.clear();
        ASSERT_TRUE(readWav16(sweep, in, ch, rate));
        ASSERT_EQ(0, system(("sox -D '" + sweep + "' -r " + std::to_string(b) + " '" + out + "' rate -h").c_str()));
        ASSERT_TRUE(readWav16(out, theirs, ch2, rate2));
        ours = oneRun16(in, 2, 44100, b, RS_HIGH);
        ASSERT_EQ(ours.size(), theirs.size()) << b;
        double sum = 0, sig = 0;
        int worst = 0;
        size_t lo = ours.size() / 20, hi = ours.size() * 19 / 20, count = 0;
        double sweepTop = 16000;
        for (size_t k = lo; k < hi; k++) {
            /* only where the sweep is below 0.9 of the new Nyquist frequency */
            double t = (double)(k / 2) / b, f = 20 + (sweepTop - 20) * t / 3;
            if (f > 0.9 * std::min(44100u, b) / 2)
                continue;
            int d = ours[k] - theirs[k];
            worst = std::max(worst, abs(d));
            sum += (double)d * d;
            sig += (double)ours[k] * ours[k];
            count++;
        }
        double rmsDiff = sqrt(sum / count), snr = 10 * log10(sig / sum);
        printf("  sweep 44100 -> %u: ours against sox: largest difference %d LSB, rms %.3f LSB (%.1f dB below the signal)\n",
               b, worst, rmsDiff, snr);
        EXPECT_LE(worst, 2) << b;
        EXPECT_LT(rmsDiff, 0.6) << b;
    }
    remove(tone.c_str());
    remove(sweep.c_str());
    remove(out.c_str());
}
#endif

}  // namespace
