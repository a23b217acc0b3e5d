/*
 * The Stretch core: factors and their limits, exact output lengths in every mode, a steady
 * tone keeping its frequency under a tempo change and moving by the asked interval under a
 * pitch change (measured from interpolated zero crossings, within 0.5 %), no clicks, the
 * same output whatever the pieces it is fed in, and, when sox is installed, a comparison
 * with sox's tempo and pitch effects on length, measured frequency and level.
 */
#include "xforms/stretch/stretchcore.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

std::vector<short> sine(size_t frames, int channels, double hz, double rate = 44100, double amp = 20000)
{
    std::vector<short> s(frames * channels);
    for (size_t i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++)
            s[i * channels + c] = (short)lrint(amp * sin(2 * kPi * hz * i / rate + c * 0.5));
    return s;
}

/* Runs the core over all of in, fed in pieces of `piece` frames, pulled in pieces of 777. */
std::vector<short> run(const StretchSetup &st, const std::vector<short> &in, size_t piece = 4096)
{
    size_t frames = in.size() / st.channels;
    StretchCore *c = stretchCreate(&st, frames);
    EXPECT_TRUE(c);
    if (!c)
        return {};
    std::vector<short> out;
    std::vector<short> buf(777 * st.channels, 0x6666);
    size_t fed = 0;
    for (;;) {
        size_t got = stretchPull(c, buf.data(), 777);
        if (got) {
            out.insert(out.end(), buf.begin(), buf.begin() + got * st.channels);
            continue;
        }
        uint64_t want = stretchWant(c);
        if (!want)
            break;
        size_t n = want < piece ? (size_t)want : piece;
        EXPECT_EQ(0, stretchPush(c, in.data() + fed * st.channels, n));
        fed += n;
    }
    EXPECT_EQ(stretchTotalOut(c), out.size() / st.channels);
    stretchFree(c);
    return out;
}

StretchSetup setup(int mode, double factor, int channels = 2, uint32_t rate = 44100)
{
    StretchSetup s{};
    s.mode = mode;
    s.factor = factor;
    s.channels = channels;
    s.rate = rate;
    return s;
}

/* Frequency of channel ch from upward zero crossings between from and to (frames). */
double frequency(const std::vector<short> &s, int channels, int ch, size_t from, size_t to, double rate = 44100)
{
    std::vector<double> rises;
    for (size_t i = from + 1; i < to && i < s.size() / channels; i++) {
        double a = s[(i - 1) * channels + ch], b = s[i * channels + ch];
        if (a < 0 && b >= 0)
            rises.push_back(i - 1 + -a / (b - a));
    }
    if (rises.size() < 2)
        return 0;
    return rate * (rises.size() - 1) / (rises.back() - rises.front());
}

double rmsDb(const std::vector<short> &s, size_t from, size_t to)
{
    double sq = 0;
    for (size_t i = from; i < to; i++)
        sq += (double)s[i] * s[i];
    return 10 * log10(sq / (to - from) / (32768.0 * 32768.0));
}

int maxJump(const std::vector<short> &s, int channels)
{
    int j = 0;
    for (size_t i = channels; i < s.size(); i++)
        j = std::max(j, abs(s[i] - s[i - channels]));
    return j;
}

/* ---- 1. Factors and lengths ---- */

TEST(StretchCore, FactorsFromPercentAndSemitonesAndTheirLimits)
{
    EXPECT_DOUBLE_EQ(1.25, stretchFactorOf(STRETCH_PERCENT, 125));
    EXPECT_DOUBLE_EQ(2.0, stretchFactorOf(STRETCH_SEMITONES, 12));
    EXPECT_NEAR(0.5, stretchFactorOf(STRETCH_SEMITONES, -12), 1e-15);
    EXPECT_TRUE(stretchFactorOk(0.25));
    EXPECT_TRUE(stretchFactorOk(4.0));
    EXPECT_TRUE(stretchFactorOk(stretchFactorOf(STRETCH_SEMITONES, 24)));
    EXPECT_FALSE(stretchFactorOk(0.249));
    EXPECT_FALSE(stretchFactorOk(4.01));
    EXPECT_FALSE(stretchFactorOk(0));
    EXPECT_FALSE(stretchFactorOk(-1));
    EXPECT_FALSE(stretchFactorOk(NAN));
    StretchSetup bad = setup(STRETCH_TEMPO, 0.1);
    EXPECT_EQ(nullptr, stretchCreate(&bad, 100));
    bad = setup(3, 1.25);
    EXPECT_EQ(nullptr, stretchCreate(&bad, 100));
    bad = setup(STRETCH_TEMPO, 1.25, 3);
    EXPECT_EQ(nullptr, stretchCreate(&bad, 100));
}

TEST(StretchCore, OutputLengthIsExactInEveryMode)
{
    for (size_t n : {0, 1, 37, 3000, 44100, 44101, 100003}) {
        std::vector<short> in = sine(n, 2, 440);
        for (double f : {0.25, 0.8, 1.0, 1.25, 1.5, 4.0}) {
            size_t want = n ? std::max<size_t>(1, (size_t)floor(n / f + 0.5)) : 0;
            EXPECT_EQ(want, run(setup(STRETCH_TEMPO, f), in).size() / 2) << n << " tempo " << f;
            EXPECT_EQ(want, run(setup(STRETCH_RATE, f), in).size() / 2) << n << " rate " << f;
            EXPECT_EQ(n, run(setup(STRETCH_PITCH, f), in).size() / 2) << n << " pitch " << f;
        }
    }
    EXPECT_EQ(8u, stretchOutputFrames(STRETCH_TEMPO, 1.25, 10));
    EXPECT_EQ(10u, stretchOutputFrames(STRETCH_PITCH, 1.25, 10));
    EXPECT_EQ(3u, stretchOutputFrames(STRETCH_RATE, 4.0, 10)) << "halves round up";
}

TEST(StretchCore, FactorOneCopiesAndPiecesDoNotMatter)
{
    std::vector<short> in = sine(20000, 2, 1234);
    EXPECT_EQ(in, run(setup(STRETCH_TEMPO, 1.0), in));
    EXPECT_EQ(in, run(setup(STRETCH_PITCH, 1.0), in, 13));
    for (int mode : {STRETCH_TEMPO, STRETCH_PITCH, STRETCH_RATE}) {
        std::vector<short> whole = run(setup(mode, 1.3), in, 1 << 20);
        EXPECT_EQ(whole, run(setup(mode, 1.3), in, 1)) << mode;
        EXPECT_EQ(whole, run(setup(mode, 1.3), in, 999)) << mode;
    }
}

/* ---- 2. Pitch and tempo on a steady tone ---- */

TEST(StretchCore, TempoChangeKeepsTheFrequencyAndLevel)
{
    std::vector<short> in = sine(88200, 2, 440);
    for (double f : {0.5, 0.8, 1.25, 2.0}) {
        std::vector<short> out = run(setup(STRETCH_TEMPO, f), in);
        size_t n = out.size() / 2;
        for (int ch = 0; ch < 2; ch++)
            EXPECT_NEAR(440.0, frequency(out, 2, ch, 2000, n - 2000), 440 * 0.005) << f << " " << ch;
        EXPECT_NEAR(rmsDb(in, 0, in.size()), rmsDb(out, 4000, out.size() - 4000), 0.5) << f;
    }
}

TEST(StretchCore, TwelveSemitonesUpDoublesTheFrequencyAndKeepsTheLength)
{
    std::vector<short> in = sine(88200, 2, 440);
    std::vector<short> out = run(setup(STRETCH_PITCH, stretchFactorOf(STRETCH_SEMITONES, 12)), in);
    ASSERT_EQ(in.size(), out.size());
    EXPECT_NEAR(880.0, frequency(out, 2, 0, 2000, 86000), 880 * 0.005);
    EXPECT_NEAR(880.0, frequency(out, 2, 1, 2000, 86000), 880 * 0.005);
    EXPECT_NEAR(rmsDb(in, 0, in.size()), rmsDb(out, 4000, out.size() - 4000), 0.5);
    for (double st : {-12.0, -5.0, 3.0, 7.0}) {
        std::vector<short> o = run(setup(STRETCH_PITCH, stretchFactorOf(STRETCH_SEMITONES, st), 1), sine(44100, 1, 440));
        ASSERT_EQ(44100u, o.size());
        double want = 440 * pow(2, st / 12);
        EXPECT_NEAR(want, frequency(o, 1, 0, 2000, 42000), want * 0.005) << st;
    }
}

TEST(StretchCore, RateMovesPitchAndTempoTogether)
{
    std::vector<short> in = sine(44100, 1, 440);
    std::vector<short> out = run(setup(STRETCH_RATE, 1.25, 1), in);
    ASSERT_EQ(35280u, out.size());
    EXPECT_NEAR(550.0, frequency(out, 1, 0, 200, 35000), 550 * 0.001);
    std::vector<short> down = run(setup(STRETCH_RATE, 0.5, 1), in);
    ASSERT_EQ(88200u, down.size());
    EXPECT_NEAR(220.0, frequency(down, 1, 0, 200, 88000), 220 * 0.001);
}

TEST(StretchCore, NoClicksInAStretchedTone)
{
    for (double hz : {110.0, 440.0, 3000.0}) {
        std::vector<short> in = sine(66150, 2, hz);
        int jump = maxJump(in, 2);
        for (int mode : {STRETCH_TEMPO, STRETCH_PITCH})
            for (double f : {0.7, 1.25, 1.9}) {
                std::vector<short> out = run(setup(mode, f), in);
                double allowed = mode == STRETCH_PITCH ? jump * f * 1.1 : jump * 1.1;
                EXPECT_LE(maxJump(out, 2), allowed) << hz << " mode " << mode << " " << f;
            }
    }
}

TEST(StretchCore, ShortAndSilentRangesComeOutWhole)
{
    std::vector<short> quiet(2 * 5000, 0);
    std::vector<short> out = run(setup(STRETCH_PITCH, 1.5), quiet);
    ASSERT_EQ(quiet.size(), out.size());
    for (short v : out)
        ASSERT_EQ(0, v);
    std::vector<short> tiny = sine(100, 1, 440);
    EXPECT_EQ(80u, run(setup(STRETCH_TEMPO, 1.25, 1), tiny).size());
    EXPECT_EQ(400u, run(setup(STRETCH_TEMPO, 0.25, 1), tiny).size());
}

/* ---- 3. Against sox ---- */

bool haveSox() { return system("command -v sox >/dev/null 2>&1") == 0; }

bool writeRaw(const std::string &path, const std::vector<short> &s)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(s.data(), 2, s.size(), f) == s.size();
    return fclose(f) == 0 && ok;
}

std::vector<short> readRaw(const std::string &path)
{
    std::vector<short> s;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return s;
    short b[4096];
    size_t n;
    while ((n = fread(b, 2, 4096, f)) > 0)
        s.insert(s.end(), b, b + n);
    fclose(f);
    return s;
}

TEST(StretchCore, AgreesWithSoxTempoAndPitchOnLengthFrequencyAndLevel)
{
    if (!haveSox())
        GTEST_SKIP() << "sox is not installed";
    std::string dir = zt::tempDir();
    std::string in = dir + "/in.raw", tempo = dir + "/tempo.raw", pitch = dir + "/pitch.raw";
    const char *raw = "-t raw -r 44100 -e signed -b 16 -c 2";
    std::vector<short> sig = sine(132300, 2, 440, 44100, 16000);
    ASSERT_TRUE(writeRaw(in, sig));
    std::string cmd = std::string("sox ") + raw + " " + in + " " + raw + " " + tempo + " tempo 1.25 && sox " + raw +
                      " " + in + " " + raw + " " + pitch + " pitch 300";
    ASSERT_EQ(0, system(cmd.c_str()));
    std::vector<short> soxTempo = readRaw(tempo), soxPitch = readRaw(pitch);
    std::vector<short> ours = run(setup(STRETCH_TEMPO, 1.25), sig);
    std::vector<short> oursPitch = run(setup(STRETCH_PITCH, stretchFactorOf(STRETCH_SEMITONES, 3)), sig);

    /* Lengths: ours is exactly round(n / 1.25); sox's tempo comes within a few frames. */
    EXPECT_EQ(105840u, ours.size() / 2);
    EXPECT_NEAR((double)ours.size(), (double)soxTempo.size(), 2 * 441.0) << "within 10 ms";
    EXPECT_EQ(sig.size(), oursPitch.size());
    EXPECT_NEAR((double)oursPitch.size(), (double)soxPitch.size(), 2 * 441.0);

    size_t n = ours.size() / 2, m = soxTempo.size() / 2;
    EXPECT_NEAR(frequency(soxTempo, 2, 0, 4000, m - 4000), frequency(ours, 2, 0, 4000, n - 4000), 440 * 0.005);
    EXPECT_NEAR(rmsDb(soxTempo, 8000, soxTempo.size() - 8000), rmsDb(ours, 8000, ours.size() - 8000), 0.5);
    double want = 440 * pow(2, 0.25);
    n = oursPitch.size() / 2, m = soxPitch.size() / 2;
    EXPECT_NEAR(want, frequency(soxPitch, 2, 0, 4000, m - 4000), want * 0.005) << "sox itself";
    EXPECT_NEAR(frequency(soxPitch, 2, 0, 4000, m - 4000), frequency(oursPitch, 2, 0, 4000, n - 4000), want * 0.005);
    EXPECT_NEAR(rmsDb(soxPitch, 8000, soxPitch.size() - 8000), rmsDb(oursPitch, 8000, oursPitch.size() - 8000), 0.5);
    printf("sox tempo %zu frames, ours %zu; sox pitch %zu, ours %zu\n", soxTempo.size() / 2, ours.size() / 2,
           soxPitch.size() / 2, oursPitch.size() / 2);
}

}  // namespace
