/*
 * The spectral picture's arithmetic: the palette (the ends are the two colours, lightness
 * rises, a grey takes the other colour's hue, the reverse flag goes the long way round), the
 * magnitude-to-colour mapping, the transform length, octave marks, bins spread over rows,
 * and the column pass over a real store: a tone lights its bin's rows, silence stays at the
 * low colour, stereo channels are parted from one transform, a sweep rises from column to
 * column, and the pump stops the pass.
 */
#include "view/sonogram.h"
#include "store/blockfile.h"
#include "store/voc.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <math.h>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;
const uint32_t kHigh = 0x00DCFFF0;   /* 240,255,220 */
const uint32_t kLow = 0x00202000;    /* 0,32,32 */

int lightness(const uint8_t *c)
{
    int mx = c[0] > c[1] ? (c[0] > c[2] ? c[0] : c[2]) : (c[1] > c[2] ? c[1] : c[2]);
    int mn = c[0] < c[1] ? (c[0] < c[2] ? c[0] : c[2]) : (c[1] < c[2] ? c[1] : c[2]);
    return mx + mn;
}

/* 1. Palette. */
TEST(SpectralPalette, EndsAreTheLowAndHighColoursAndLightnessRises)
{
    memset(&SpectralPalette, 0x66, sizeof SpectralPalette);
    BuildSpectralPalette(kHigh, kLow, 1);
    const uint8_t *lo = SpectralPalette.rgb[0], *hi = SpectralPalette.rgb[191];
    EXPECT_NEAR(0, lo[0], 1);
    EXPECT_NEAR(32, lo[1], 1);
    EXPECT_NEAR(32, lo[2], 1);
    EXPECT_NEAR(240, hi[0], 8);
    EXPECT_NEAR(255, hi[1], 1);
    EXPECT_NEAR(220, hi[2], 8);
    for (int i = 1; i < SPECTRAL_COLORS; i++)
        EXPECT_GE(lightness(SpectralPalette.rgb[i]) + 1, lightness(SpectralPalette.rgb[i - 1])) << i;
    EXPECT_EQ(1, SpectralPalette.built);
}

TEST(SpectralPalette, GreyRampFollowsTheLightnessCurve)
{
    BuildSpectralPalette(0x00FFFFFF, 0x00000000, 0);
    for (int i : {0, 40, 93, 150, 186, 191}) {
        double t = i / 186.0 > 1 ? 1 : i / 186.0;
        int want = (int)(255.0 * pow(t, 1.62));
        const uint8_t *c = SpectralPalette.rgb[i];
        EXPECT_NEAR(want, c[0], 1) << i;
        EXPECT_EQ(c[0], c[1]);
        EXPECT_EQ(c[0], c[2]);
    }
}

TEST(SpectralPalette, GreyTakesTheOtherColoursHue)
{
    /* Black to pure red: every entry is a red of some lightness, never another hue. */
    BuildSpectralPalette(0x000000FF, 0x00000000, 0);
    for (int i = 0; i < SPECTRAL_COLORS; i++) {
        const uint8_t *c = SpectralPalette.rgb[i];
        EXPECT_EQ(c[1], c[2]) << i;
        EXPECT_GE(c[0], c[1]) << i;
    }
}

TEST(SpectralPalette, ReverseGoesTheOtherWayRoundTheCircle)
{
    /* Red (0 deg) to green (120 deg): the short way passes yellow, the long way blue. */
    BuildSpectralPalette(0x0000FF00, 0x000000FF, 0);
    const uint8_t *mid = SpectralPalette.rgb[96];
    EXPECT_GT(mid[0], mid[2]);
    EXPECT_GT(mid[1], mid[2]);
    BuildSpectralPalette(0x0000FF00, 0x000000FF, 1);
    mid = SpectralPalette.rgb[96];
    EXPECT_GT(mid[2], mid[1]);
    EXPECT_EQ(1, SpectralPalette.builtReverse);
}

/* 2. Mapping and geometry. */
TEST(SpectralMapping, MagnitudeToPaletteIndex)
{
    EXPECT_EQ(0, spectralIndex(0.0));          /* silence: the low colour */
    EXPECT_EQ(0, spectralIndex(1e-9));
    EXPECT_EQ(191, spectralIndex(0.42));       /* a full-scale sine under window type 3 */
    EXPECT_EQ(191, spectralIndex(1.0));
    EXPECT_EQ(115, spectralIndex(1e-3));       /* -60 dB: trunc(-50 * 1.51 + 191) */
    EXPECT_EQ(175, spectralIndex(0.1));        /* -20 dB: trunc(-10 * 1.51 + 191) */
}

TEST(SpectralMapping, TransformLengthIsAtMost4096)
{
    EXPECT_EQ(4096, spectralPoints(13));
    EXPECT_EQ(4096, spectralPoints(12));
    EXPECT_EQ(128, spectralPoints(7));
    EXPECT_EQ(16, spectralPoints(4));
}

TEST(SpectralMapping, OctaveMarksHalveTowardsTheBottom)
{
    ViewRect a = {0, 10, 100, 266};   /* 256 high */
    int ys[2 * SPECTRAL_MARKS];
    ASSERT_EQ(7, spectralOctaveMarks(&a, 1, ys));
    const int mono[7] = {266 - 128, 266 - 64, 266 - 32, 266 - 16, 266 - 8, 266 - 4, 266 - 2};
    for (int k = 0; k < 7; k++)
        EXPECT_EQ(mono[k], ys[k]);
    ASSERT_EQ(14, spectralOctaveMarks(&a, 2, ys));
    EXPECT_EQ(266 - 64, ys[0]);
    EXPECT_EQ(138 - 64, ys[1]);     /* the upper channel above the middle line */
    EXPECT_EQ(266 - 1, ys[12]);
    EXPECT_EQ(138 - 1, ys[13]);
}

TEST(SpectralMapping, EveryRowGetsOneBinRisingUpwards)
{
    /* More rows than bins: bin k reaches up to row trunc((k + 1) * 299 / 64). */
    std::vector<int> rows(300, -1);
    spectralRowBins(300, 64, 0, rows.data());
    EXPECT_EQ(0, rows[0]);
    EXPECT_EQ(0, rows[4]);
    EXPECT_EQ(1, rows[5]);
    EXPECT_EQ(63, rows[299]);
    for (int r = 1; r < 300; r++)
        EXPECT_GE(rows[r], rows[r - 1]);
    /* More bins than rows: each row shows the lowest bin that reaches it. */
    std::vector<int> few(11, -1);
    spectralRowBins(11, 1024, 1, few.data());
    EXPECT_EQ(1, few[0]);
    for (int r = 1; r < 11; r++)
        EXPECT_EQ((r * 1024 + 9) / 10 - 1, few[r]) << r;
}

TEST(SpectralMapping, ColumnFrameSpreadsTheViewOverWidthPlusOne)
{
    EXPECT_EQ(0u, spectralColumnFrame(0, 1000, 99, 0));
    EXPECT_EQ(500u, spectralColumnFrame(0, 1000, 99, 50));
    EXPECT_EQ(100u + 990u, spectralColumnFrame(100, 1100, 99, 99));
}

/* 3. The column pass. */
class SpectralPassTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, bopen(zt::tempPath("sonogram.tmp").c_str())); }
    void TearDown() override
    {
        bclose();
        vocSetFormat(1, 16, 0);
    }
    struct Out {
        std::vector<std::vector<uint8_t>> cols;   /* per column: channel 0 rows, then channel 1 */
        int height = 0, stopAt = -1, pumps = 0;
    };
    static void column(void *ctx, int c, const uint8_t *idx, const SpectralGeom *g)
    {
        Out *o = (Out *)ctx;
        o->height = g->height;
        if ((int)o->cols.size() <= c)
            o->cols.resize(c + 1);
        o->cols[c].assign(idx, idx + g->height * g->channels);
    }
    static int pump(void *ctx, int c)
    {
        Out *o = (Out *)ctx;
        o->pumps++;
        return c == o->stopAt;
    }
    SpectralPass pass(Out *o, uint32_t frames, int resolution = 9)
    {
        SpectralPass p = {};
        p.area = {0, 0, 40, 130};   /* 40 columns, 128 rows mono */
        p.viewStart = 0;
        p.viewEnd = frames - 1;
        p.channels = Wave.channels;
        p.bits = Wave.bitsPerSample;
        p.resolution = resolution;
        p.pumpFn = pump;
        p.columnFn = column;
        p.ctx = o;
        return p;
    }
    static int peakRow(const std::vector<uint8_t> &rows, int from, int n)
    {
        int best = 0;
        for (int r = 1; r < n; r++)
            if (rows[from + r] > rows[from + best])
                best = r;
        return best;
    }
};

TEST_F(SpectralPassTest, ToneLightsItsBinAndSilenceStaysLow)
{
    /* 512 points: bin 63 is 63/512 cycles per frame; 129 rows over 256 bins show it in row 32. */
    vocSetFormat(1, 16, 0);
    std::vector<int16_t> s(40000, 0);
    for (size_t i = 20000; i < s.size(); i++)
        s[i] = (int16_t)lrint(32767 * sin(2 * kPi * 63.0 * i / 512));
    ASSERT_EQ(0, vocAppend(s.data(), (uint32_t)(s.size() * 2)));
    Out o;
    SpectralPass p = pass(&o, 40000);
    ASSERT_EQ(40, DrawSpectralColumns(&p, 0, 39));
    ASSERT_EQ(129, o.height);
    for (uint8_t v : o.cols[5])
        ASSERT_EQ(0, v);                       /* silent column: entry 0 */
    const std::vector<uint8_t> &tone = o.cols[35];
    EXPECT_EQ(191, tone[32]);                  /* full scale: entry 191 */
    EXPECT_EQ(32, peakRow(tone, 0, 129));
    EXPECT_LT(tone[100], 60);
    EXPECT_EQ(8, o.pumps);                     /* every fifth column */
}

TEST_F(SpectralPassTest, ToneBetweenTheRowsFirstBinsStillShows)
{
    /* 4096 points over 129 rows: a row stands for 16 bins; bin 1000 is not the first of its row. */
    vocSetFormat(1, 16, 0);
    std::vector<int16_t> s(30000);
    for (size_t i = 0; i < s.size(); i++)
        s[i] = (int16_t)lrint(32767 * sin(2 * kPi * 1000.0 * i / 4096));
    ASSERT_EQ(0, vocAppend(s.data(), (uint32_t)(s.size() * 2)));
    Out o;
    SpectralPass p = pass(&o, 30000, 12);
    ASSERT_EQ(40, DrawSpectralColumns(&p, 0, 39));
    const std::vector<uint8_t> &c = o.cols[20];
    int r = peakRow(c, 0, o.height);
    EXPECT_EQ(191, c[r]);
    EXPECT_EQ(1000 * 128 / 2048, r);
}

TEST_F(SpectralPassTest, StereoChannelsArePartedFromOneTransform)
{
    vocSetFormat(2, 16, 0);
    std::vector<int16_t> s(2 * 20000);
    for (size_t i = 0; i < 20000; i++) {
        s[2 * i] = (int16_t)lrint(20000 * sin(2 * kPi * 32.0 * i / 512));     /* bin 32: row 8 */
        s[2 * i + 1] = (int16_t)lrint(20000 * sin(2 * kPi * 130.0 * i / 512)); /* bin 130: row 32 */
    }
    ASSERT_EQ(0, vocAppend(s.data(), (uint32_t)(s.size() * 2)));
    Out o;
    SpectralPass p = pass(&o, 20000);
    ASSERT_EQ(40, DrawSpectralColumns(&p, 0, 39));
    int h = o.height;                          /* 130 / 2 - 1 = 64 rows per channel */
    ASSERT_EQ(64, h);
    const std::vector<uint8_t> &c = o.cols[20];
    EXPECT_EQ(8, peakRow(c, 0, h));            /* left: bin 32 */
    EXPECT_EQ(32, peakRow(c, h, h));           /* right: bin 130 */
    EXPECT_LT(c[32], 100);                     /* no right tone in the left picture */
    EXPECT_LT(c[h + 8], 100);
}

TEST_F(SpectralPassTest, SweepRisesFromColumnToColumn)
{
    vocSetFormat(1, 8, 0);
    const uint32_t n = 80000;
    std::vector<uint8_t> s(n);
    double phase = 0;
    for (uint32_t i = 0; i < n; i++) {
        double f = 100 + 3800.0 * i / n;       /* 100 Hz to 3900 Hz at 8192 Hz */
        phase += 2 * kPi * f / 8192;
        s[i] = (uint8_t)lrint(128 + 100 * sin(phase));
    }
    ASSERT_EQ(0, vocAppend(s.data(), n));
    Out o;
    SpectralPass p = pass(&o, n);
    ASSERT_EQ(40, DrawSpectralColumns(&p, 0, 39));
    int last = -1;
    for (int c = 2; c < 40; c++) {
        int r = peakRow(o.cols[c], 0, o.height);
        EXPECT_GE(r, last) << c;
        last = r;
    }
    EXPECT_GT(last, 100);
}

TEST_F(SpectralPassTest, PumpStopsThePassAtItsColumn)
{
    vocSetFormat(1, 16, 0);
    std::vector<int16_t> s(10000, 1000);
    ASSERT_EQ(0, vocAppend(s.data(), (uint32_t)(s.size() * 2)));
    Out o;
    o.stopAt = 15;
    SpectralPass p = pass(&o, 10000, 13);
    EXPECT_EQ(15, DrawSpectralColumns(&p, 3, 39));
    EXPECT_EQ(15u, o.cols.size());             /* columns 3..14 delivered, nothing after */
    EXPECT_TRUE(o.cols[2].empty());
    EXPECT_FALSE(o.cols[14].empty());
    EXPECT_EQ(3, o.pumps);                     /* columns 5, 10, 15 */
}

} // namespace
