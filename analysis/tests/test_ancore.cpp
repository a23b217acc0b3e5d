/*
 * The analysis arithmetic over a real sample store: the dominant frequency of steady tones
 * far finer than the 21.5 Hz bins (sine, sawtooth, 8-bit, each stereo channel on its own),
 * the sub-harmonic rules (a weak fundamental below a strong second harmonic wins; silence
 * gives 0), levels in dB of a bin-centred tone, the scan's range, step and peak hold with
 * cancel, and the cursor read-out's steps and graph mapping.
 */
#include "analysis/ancore.h"
#include "store/blockfile.h"
#include "store/voc.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <math.h>
#include <memory>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

struct Tone {
    double freq, amp;
};

/* n frames of a sum of sines per channel, 16-bit. */
std::vector<int16_t> tones(uint32_t rate, uint32_t n, const std::vector<Tone> &left,
                           const std::vector<Tone> &right = {}, int channels = 1)
{
    std::vector<int16_t> s((size_t)n * channels);
    for (uint32_t i = 0; i < n; i++)
        for (int c = 0; c < channels; c++) {
            double v = 0;
            for (const Tone &t : c == 0 ? left : right)
                v += t.amp * sin(2 * kPi * t.freq * i / rate);
            s[(size_t)i * channels + c] = (int16_t)lrint(v * 32767);
        }
    return s;
}

class Analysis : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, bopen(zt::tempPath("ancore.tmp").c_str()));
        work.reset(new AnWork);
        memset(work.get(), 0x66, sizeof(AnWork));
    }
    void TearDown() override
    {
        bclose();
        vocSetFormat(1, 16, 0);
    }
    void load16(int channels, const std::vector<int16_t> &s)
    {
        vocSetFormat((uint16_t)channels, 16, 0);
        ASSERT_EQ(0, vocAppend(s.data(), (uint32_t)(s.size() * 2)));
    }
    AnChannel at(uint32_t centre, int channel = 0, uint32_t rate = 44100)
    {
        AnChannel out;
        for (float &d : out.db)
            d = 12345.0f;
        out.frequency = -1;
        EXPECT_EQ(0, anAnalyse((int64_t)centre - 1024, channel, rate, &out, work.get()));
        return out;
    }
    std::unique_ptr<AnWork> work;
};

/* 1. The dominant frequency. */
TEST_F(Analysis, SteadySineReadsWithinATenthOfAHertzThoughBinsAre21HzApart)
{
    load16(1, tones(44100, 20000, {{1000.0, 0.5}}));
    EXPECT_NEAR(1000.0, at(10000).frequency, 0.1);
    bclose();
    ASSERT_EQ(0, bopen(zt::tempPath("ancore2.tmp").c_str()));
    load16(1, tones(44100, 20000, {{1234.5, 0.8}}));
    EXPECT_NEAR(1234.5, at(10000).frequency, 0.1);
}

TEST_F(Analysis, SawtoothReadsItsFundamentalNotAHarmonic)
{
    std::vector<Tone> saw;
    for (int k = 1; 440.0 * k < 22050; k++)
        saw.push_back({440.0 * k, 0.5 / k});
    load16(1, tones(44100, 12000, saw));
    EXPECT_NEAR(440.0, at(6000).frequency, 0.5);
}

TEST_F(Analysis, WeakFundamentalBelowAStrongSecondHarmonicWins)
{
    load16(1, tones(44100, 12000, {{200.0, 0.3}, {400.0, 0.6}}));
    EXPECT_NEAR(200.0, at(6000).frequency, 0.5);
}

TEST_F(Analysis, ATooWeakSubharmonicIsIgnored)
{
    /* 1 % of the strong tone at F/2 is below the 7 % weight the rules ask for. */
    load16(1, tones(44100, 12000, {{300.0, 0.005}, {600.0, 0.5}}));
    EXPECT_NEAR(600.0, at(6000).frequency, 0.5);
}

TEST_F(Analysis, SilenceHasNoDominantFrequency)
{
    load16(1, std::vector<int16_t>(8000, 0));
    AnChannel a = at(4000);
    EXPECT_EQ(0.0, a.frequency);
    EXPECT_FLOAT_EQ(anDb(0), a.db[500]);
    /* Reads before the first frame are silence too. */
    EXPECT_EQ(0.0, at(0).frequency);
}

TEST_F(Analysis, EachStereoChannelIsAnalysedOnItsOwn)
{
    load16(2, tones(44100, 12000, {{1000.0, 0.5}}, {{3000.0, 0.5}}, 2));
    EXPECT_NEAR(1000.0, at(6000, 0).frequency, 0.1);
    EXPECT_NEAR(3000.0, at(6000, 1).frequency, 0.1);
}

TEST_F(Analysis, EightBitSamplesAreAnalysed)
{
    std::vector<int16_t> s = tones(22050, 8000, {{700.0, 0.7}});
    std::vector<uint8_t> b(s.size());
    for (size_t i = 0; i < s.size(); i++)
        b[i] = vocNarrow(s[i]);
    vocSetFormat(1, 8, 0);
    ASSERT_EQ(0, vocAppend(b.data(), (uint32_t)b.size()));
    EXPECT_NEAR(700.0, at(4000, 0, 22050).frequency, 0.5);
}

TEST(AnalysisBins, PhaseAdvanceWrapsIntoOneTurn)
{
    /* arg a = 3, arg b = -3: the advance 6 rad is -0.283 rad after wrapping. */
    double f = anBinFrequency(cos(3.0), sin(3.0), cos(-3.0), sin(-3.0), 1000);
    EXPECT_NEAR((6.0 - 2 * kPi) * 1000 / (2 * kPi), f, 1e-9);
    EXPECT_EQ(0.0, anBinFrequency(0, 0, 1, 1, 44100));
}

/* 2. Levels. */
TEST_F(Analysis, BinCentredToneReadsItsLevelInDb)
{
    double f = 100.0 * 44100 / 2048;   /* exactly bin 100 */
    load16(1, tones(44100, 8000, {{f, 0.5}}));
    AnChannel a = at(4000);
    /* Blackman-Harris coherent gain 0.35875: |X| / 1024 = 0.5 * 0.35875. */
    double want = 20 * log10(0.5 * 0.35875) + 10.25;
    EXPECT_NEAR(want, a.db[100], 0.05);
    EXPECT_FLOAT_EQ(a.db[100], a.db[0]);
    EXPECT_LT(a.db[300], want - 80);
}

TEST(AnalysisLevels, NoWaveIsTheFloorEverywhere)
{
    AnChannel a;
    memset(&a, 0x66, sizeof a);
    anSilent(&a);
    for (float d : a.db)
        ASSERT_EQ(AN_FLOOR, d);
    EXPECT_EQ(0.0, a.frequency);
}

/* 3. Scan. */
TEST(AnalysisScanRange, StepIsASixteenthAtMost128AndAtLeastOne)
{
    AnScanRange r;
    anScanRange(100, 110, &r);
    EXPECT_EQ(1u, r.step);
    EXPECT_EQ(10u, r.total);
    EXPECT_EQ(100 - 1024, r.first);
    EXPECT_EQ(110 - 1024, r.end);
    anScanRange(0, 100000, &r);
    EXPECT_EQ(128u, r.step);
    anScanRange(0, 1600, &r);
    EXPECT_EQ(100u, r.step);
    anScanRange(5000, 0xFFFFFFFFu, &r);   /* no selection: nothing to scan */
    EXPECT_EQ(0u, r.total);
    EXPECT_GE(r.first, r.end);
    anScanRange(5000, 4000, &r);           /* an end before the start */
    EXPECT_EQ(r.first, r.end);
}

TEST_F(Analysis, ScanHoldsThePeaksOfEveryPartOfTheSelection)
{
    double f1 = 50.0 * 44100 / 2048, f2 = 200.0 * 44100 / 2048;
    std::vector<int16_t> s = tones(44100, 20000, {{f1, 0.5}});
    std::vector<int16_t> b = tones(44100, 20000, {{f2, 0.5}});
    s.insert(s.end(), b.begin(), b.end());
    load16(1, s);
    AnChannel one = at(10000 - 3000);
    EXPECT_LT(one.db[200], one.db[50] - 60);   /* one transform sees only the first tone */
    AnChannel scan;
    memset(&scan, 0x66, sizeof scan);
    uint32_t n = anScan(5000, 35000, 0, &scan, work.get(), nullptr, nullptr);
    EXPECT_EQ((30000u + 127) / 128, n);   /* starts every 128 frames below the end */
    EXPECT_NEAR(one.db[50], scan.db[50], 0.1);
    EXPECT_NEAR(one.db[50], scan.db[200], 0.1);
}

TEST_F(Analysis, CancelledScanKeepsThePeaksGatheredSoFar)
{
    load16(1, tones(44100, 30000, {{1000, 0.5}}));
    struct Ctx {
        int calls = 0;
        uint32_t total = 0;
    } ctx;
    auto step = [](void *c, uint32_t done, uint32_t total) {
        Ctx *x = (Ctx *)c;
        x->calls++;
        x->total = total;
        return done >= 3 ? 1 : 0;
    };
    AnChannel scan;
    EXPECT_EQ(3u, anScan(2000, 20000, 0, &scan, work.get(), step, &ctx));
    EXPECT_EQ(3, ctx.calls);
    EXPECT_EQ(18000u / 128, ctx.total);
    EXPECT_GT(scan.db[46], -20.0f);
}

TEST_F(Analysis, SelectionShorterThanSixteenFramesStillScans)
{
    load16(1, tones(44100, 8000, {{1000, 0.5}}));
    AnChannel scan;
    EXPECT_EQ(10u, anScan(4000, 4010, 0, &scan, work.get(), nullptr, nullptr));
    EXPECT_GT(scan.db[46], -20.0f);
}

/* 4. Cursor and graph mapping. */
TEST(AnalysisCursor, FrequencyIsCutToItsDisplayStep)
{
    /* x - left + 1 over the width: 1000 columns over 0..22050 Hz. */
    EXPECT_DOUBLE_EQ(22050.0, anCursorFrequency(999, 0, 1000, 44100));
    EXPECT_DOUBLE_EQ(11020.0, anCursorFrequency(499, 0, 1000, 44100));   /* 11025 in 10 Hz steps */
    EXPECT_DOUBLE_EQ(1234.0, anCursorFrequency(0, 0, 1000, 2469130));    /* 1234.565 in 1 Hz steps */
    EXPECT_DOUBLE_EQ(123.4, anCursorFrequency(0, 0, 1000, 246913));      /* 123.4565 in 0.1 Hz steps */
    EXPECT_NEAR(56.78, anCursorFrequency(0, 0, 1000, 113579), 1e-9);      /* 56.7895 in 0.01 Hz steps */
    EXPECT_EQ(1023, anCursorBin(5000, 0, 1000));
    EXPECT_EQ(0, anCursorBin(-50, 0, 1000));
    EXPECT_EQ(512, anCursorBin(499, 0, 1000));
}

TEST(AnalysisGraph, LevelsAndBinsMapIntoTheFrame)
{
    EXPECT_EQ(2, anLevelY(0, 104, 0.0));
    EXPECT_EQ(102, anLevelY(0, 104, -100.0));
    EXPECT_EQ(1, anLevelY(0, 104, 5.0));       /* clipped to the frame */
    EXPECT_EQ(103, anLevelY(0, 104, -209.0));
    EXPECT_EQ(10, anBinX(10, 513, 0));
    EXPECT_EQ(10 + 511, anBinX(10, 513, 1023));
    EXPECT_EQ(10 + 256, anBinX(10, 513, 512));
}

} // namespace
