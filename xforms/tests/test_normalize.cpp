/*
 * Normalize's core: the peak reached exactly, linked and separate gains, the mean taken
 * off first, silence and full-scale edges, and pieces of any size giving the same result;
 * against sox's norm (linked) and a numpy reference (separate, DC removed).
 */
#include "xforms/normalize/normcore.h"
#include "xforms/tests/fxref.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

/* Scan, plan and apply over the whole signal in pieces of the given size. */
std::vector<short> normalize(std::vector<short> s, int channels, double target, int linked, int dc, size_t piece = 1000)
{
    NormScan scan;
    NormPlan plan;
    size_t frames = s.size() / channels;
    normScanInit(&scan, channels);
    for (size_t f = 0; f < frames; f += piece)
        normScanBlock(&scan, s.data() + f * channels, std::min(piece, frames - f));
    normPlan(&scan, target, linked, dc, &plan);
    for (size_t f = 0; f < frames; f += piece)
        normBlock(s.data() + f * channels, std::min(piece, frames - f), channels, &plan);
    return s;
}

int peakOf(const std::vector<short> &s, int ch, int c)
{
    int p = 0;
    for (size_t i = c; i < s.size(); i += ch)
        p = std::max(p, abs(s[i]));
    return p;
}

TEST(Normalize, LinkedBringsTheLouderChannelToTheTargetAndKeepsTheBalance)
{
    std::vector<short> in = fx::signal(20000);
    double target = normTargetDb(-1);
    std::vector<short> out = normalize(in, 2, target, 1, 0, 777);
    EXPECT_EQ((int)lrint(target), peakOf(out, 2, 0));
    int inL = peakOf(in, 2, 0), inR = peakOf(in, 2, 1);
    EXPECT_NEAR((double)inR / inL, (double)peakOf(out, 2, 1) / peakOf(out, 2, 0), 0.001);
    EXPECT_EQ(out, normalize(in, 2, target, 1, 0, 20000)) << "pieces change nothing";
}

TEST(Normalize, SeparateBringsEachChannelToTheTarget)
{
    std::vector<short> in = fx::signal(20000);
    double target = normTargetPercent(50);
    std::vector<short> out = normalize(in, 2, target, 0, 0);
    EXPECT_EQ(16384, peakOf(out, 2, 0));
    EXPECT_EQ(16384, peakOf(out, 2, 1));
}

TEST(Normalize, RemovingTheMeanFirstCentresAndMeasuresAroundIt)
{
    /* A sine of 10000 on a DC of 5000: peaks 15000 and -5000. */
    std::vector<short> in(4410);
    for (size_t i = 0; i < in.size(); i++)
        in[i] = (short)lrint(5000 + 10000 * sin(2 * 3.14159265358979 * i / 441.0));
    std::vector<short> out = normalize(in, 1, normTargetDb(0), 1, 1);
    double mean = 0;
    for (short v : out)
        mean += v;
    EXPECT_NEAR(0, mean / out.size(), 0.5);
    EXPECT_EQ(32767, peakOf(out, 1, 0));
    std::vector<short> kept = normalize(in, 1, normTargetDb(0), 1, 0);
    EXPECT_EQ(32767, *std::max_element(kept.begin(), kept.end())) << "without: the mean stays, 15000 is the peak";
    double keptMean = 0;
    for (short v : kept)
        keptMean += v;
    EXPECT_NEAR(5000 * 32767.0 / 15000, keptMean / kept.size(), 2);
}

TEST(Normalize, EdgesSilenceFullScaleNegativeAndNeverPastTheTarget)
{
    std::vector<short> zero(1000, 0);
    EXPECT_EQ(zero, normalize(zero, 1, normTargetDb(-1), 1, 1)) << "silence stays silence";
    std::vector<short> neg = {-32768, 100, -5, 32000};
    std::vector<short> out = normalize(neg, 1, normTargetPercent(100), 1, 0);
    EXPECT_EQ(-32767, out[0]) << "the most negative sample is the peak and is not passed";
    EXPECT_LE(out[3], 32767);
    NormScan scan;
    NormPlan plan;
    normScanInit(&scan, 2);
    normPlan(&scan, 1000, 1, 1, &plan);
    EXPECT_EQ(1.0, plan.gain[0]) << "nothing scanned: unity";
}

TEST(Normalize, MatchesSoxNormLinkedWithinOneStep)
{
    if (!fx::haveSox())
        GTEST_SKIP() << "sox runs natively only";
    std::vector<short> in = fx::signal(44100, 12000, 7000, 800);
    ASSERT_TRUE(fx::writeWav(fx::path("norm-in.wav"), 44100, 2, in));
    ASSERT_TRUE(fx::run("sox -D '" + fx::path("norm-in.wav") + "' '" + fx::path("norm-sox.wav") + "' norm -1"));
    std::vector<short> sox = fx::readWav(fx::path("norm-sox.wav"));
    EXPECT_LE(fx::maxDiff(sox, normalize(in, 2, normTargetDb(-1), 1, 0)), 1);
}

TEST(Normalize, MatchesNumpySeparateWithTheMeanRemoved)
{
    if (!fx::haveNumpy())
        GTEST_SKIP() << "python3 with numpy runs natively only";
    std::vector<short> in = fx::signal(30000, 15000, 9000, 3000);
    ASSERT_TRUE(fx::writeRaw(fx::path("norm-in.raw"), in));
    const char *script = R"(
import sys, numpy as np
x = np.fromfile(sys.argv[1], dtype='<i2').astype(np.float64).reshape(-1, 2)
target = 32767 * 10 ** (-3 / 20)
mean = x.mean(axis=0)
peak = np.maximum(x.max(axis=0) - mean, mean - x.min(axis=0))
y = (x - mean) * (target / peak)
y = np.where(y >= 0, np.floor(y + 0.5), -np.floor(-y + 0.5))
np.clip(y, -32768, 32767).astype('<i2').tofile(sys.argv[2])
)";
    ASSERT_TRUE(fx::python("norm.py", script, "'" + fx::path("norm-in.raw") + "' '" + fx::path("norm-np.raw") + "'"));
    EXPECT_LE(fx::maxDiff(fx::readRaw(fx::path("norm-np.raw")), normalize(in, 2, normTargetDb(-3), 0, 1)), 1);
}

} // namespace
