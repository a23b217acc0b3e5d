/*
 * The bundled modules' sample cores on known data: Amplify's gain arithmetic (rounding,
 * clipping, per-channel gains, the envelope read as the graph control reads it), Tone's
 * lengths, periods and levels, Statistics' levels against values worked out by hand, and
 * Fade's curves (ends, monotony, direction).
 */
#include "xforms/amplify/ampcore.h"
#include "xforms/fade/fadecore.h"
#include "xforms/stats/statcore.h"
#include "xforms/tone/tonecore.h"
#include "xforms/common/pcm16.h"

#include <gtest/gtest.h>

#include <math.h>
#include <vector>

namespace {

/* ---- 1. Amplify ---- */

TEST(AmpCore, HalfRoundsHalfAwayFromZeroOnBothSides)
{
    std::vector<short> s = {1, -1, 3, -3, 5, -5, 32767, -32768, 0};
    double g[2] = {0.5, 0.5};
    EXPECT_EQ(0u, ampBlock(s.data(), s.size(), 1, g, nullptr, 0, (uint32_t)s.size()));
    EXPECT_EQ((std::vector<short>{1, -1, 2, -2, 3, -3, 16384, -16384, 0}), s);
}

TEST(AmpCore, GainsClipAndCountTheClippedSamples)
{
    std::vector<short> s = {20000, -20000, 16383, -16384, 16384, -16385};
    double g[2] = {2.0, 2.0};
    EXPECT_EQ(4u, ampBlock(s.data(), s.size(), 1, g, nullptr, 0, (uint32_t)s.size()));
    EXPECT_EQ((std::vector<short>{32767, -32768, 32766, -32768, 32767, -32768}), s);
}

TEST(AmpCore, EachChannelHasItsOwnGain)
{
    std::vector<short> s = {1000, 1000, -1000, -1000};
    double g[2] = {ampGainFromPercent(150), ampGainFromDb(-20)};
    ampBlock(s.data(), 2, 2, g, nullptr, 0, 2);
    EXPECT_EQ((std::vector<short>{1500, 100, -1500, -100}), s);
}

TEST(AmpCore, DecibelsAndPercent)
{
    EXPECT_DOUBLE_EQ(1.0, ampGainFromDb(0));
    EXPECT_NEAR(0.501187, ampGainFromDb(-6), 1e-6);
    EXPECT_NEAR(2.0, ampGainFromDb(6.0206), 1e-4);
    EXPECT_DOUBLE_EQ(0.5, ampGainFromPercent(50));
    EXPECT_NEAR(-6.0206, ampDbFromGain(0.5), 1e-4);
    EXPECT_EQ(-1000.0, ampDbFromGain(0));
    EXPECT_EQ(0, pcmRound16(NAN, nullptr));
}

TEST(AmpCore, EnvelopeReadsLikeTheGraphControl)
{
    AmpEnvelope e{};
    e.count = 3;
    e.xMax = 1000;
    e.x[0] = 0, e.y[0] = 0;
    e.x[1] = 500, e.y[1] = 200;
    e.x[2] = 1000, e.y[2] = 100;
    EXPECT_DOUBLE_EQ(0, ampEnvelopeAt(&e, 0));
    EXPECT_DOUBLE_EQ(100, ampEnvelopeAt(&e, 0.25));
    EXPECT_DOUBLE_EQ(200, ampEnvelopeAt(&e, 0.5));
    EXPECT_DOUBLE_EQ(150, ampEnvelopeAt(&e, 0.75));
    EXPECT_DOUBLE_EQ(100, ampEnvelopeAt(&e, 1));
    /* Going back without resetting the cursor still finds the right segment. */
    EXPECT_DOUBLE_EQ(100, ampEnvelopeAt(&e, 0.25));
    AmpEnvelope none{};
    EXPECT_DOUBLE_EQ(100, ampEnvelopeAt(&none, 0.3));
}

TEST(AmpCore, EnvelopeSpansTheWholeRangeAcrossBlocks)
{
    /* A fade from 0 % to 100 % over 5 frames given in two blocks: 0, 1/4, 1/2, 3/4, 1. */
    AmpEnvelope e{};
    e.count = 2;
    e.xMax = 1000;
    e.x[1] = 1000, e.y[1] = 100;
    std::vector<short> s(10, 4000);
    double g[2] = {1.0, 0.5};
    ampBlock(s.data(), 2, 2, g, &e, 0, 5);
    ampBlock(s.data() + 4, 3, 2, g, &e, 2, 5);
    EXPECT_EQ((std::vector<short>{0, 0, 1000, 500, 2000, 1000, 3000, 1500, 4000, 2000}), s);
}

/* ---- 2. Tone ---- */

TEST(ToneCore, LengthIsTheDurationRoundedToFrames)
{
    EXPECT_EQ(22050u, toneFrames(0.5, 44100));
    EXPECT_EQ(4000u, toneFrames(0.5, 8000));
    EXPECT_EQ(1u, toneFrames(0.00007, 8000));   /* 0.56 of a frame */
    EXPECT_EQ(0u, toneFrames(0.00006, 8000));
    EXPECT_EQ(0u, toneFrames(-1, 8000));
    EXPECT_EQ(0u, toneFrames(NAN, 8000));
    EXPECT_EQ(0u, toneFrames(1, 0));
    EXPECT_EQ((uint32_t)(3600u * 96000u), toneFrames(1e9, 96000));
}

TEST(ToneCore, ShapesHitTheirCorners)
{
    EXPECT_DOUBLE_EQ(0, toneWave(TONE_SINE, 0));
    EXPECT_NEAR(1, toneWave(TONE_SINE, 0.25), 1e-12);
    EXPECT_EQ(1, toneWave(TONE_SQUARE, 0.49));
    EXPECT_EQ(-1, toneWave(TONE_SQUARE, 0.5));
    EXPECT_DOUBLE_EQ(1, toneWave(TONE_TRIANGLE, 0.25));
    EXPECT_DOUBLE_EQ(-1, toneWave(TONE_TRIANGLE, 0.75));
    EXPECT_DOUBLE_EQ(0, toneWave(TONE_TRIANGLE, 0.5));
    EXPECT_DOUBLE_EQ(0.5, toneWave(TONE_SAWTOOTH, 0.25));
    EXPECT_DOUBLE_EQ(-1, toneWave(TONE_SAWTOOTH, 0.5));
    EXPECT_NEAR(toneWave(TONE_SINE, 0.3), toneWave(99, 0.3), 0);
}

/* Counts upward zero crossings of the first channel. */
int risingCrossings(const std::vector<short> &s, int channels)
{
    int n = 0;
    for (size_t i = channels; i < s.size(); i += channels)
        if (s[i - channels] < 0 && s[i] >= 0)
            n++;
    return n;
}

TEST(ToneCore, FrequencyAndLevelOfEachShape)
{
    for (int shape = 0; shape < TONE_SHAPES; shape++) {
        std::vector<short> s(2 * 44100, 0x6666);
        /* Two blocks of uneven size must join without a seam. */
        toneBlock(s.data(), 1000, 2, shape, 1000, 50, 44100, 0);
        toneBlock(s.data() + 2000, 43100, 2, shape, 1000, 50, 44100, 1000);
        EXPECT_NEAR(1000, risingCrossings(s, 2), 1) << shape;
        int peak = 0;
        for (size_t i = 0; i < s.size(); i += 2) {
            ASSERT_EQ(s[i], s[i + 1]) << "both channels alike";
            peak = std::max(peak, abs(s[i]));
        }
        EXPECT_NEAR(16384, peak, shape == TONE_SQUARE ? 0 : 50) << shape;
    }
    std::vector<short> full(100);
    toneBlock(full.data(), 100, 1, TONE_SQUARE, 100, 100, 8000, 0);
    EXPECT_EQ(32767, full[0]);
    EXPECT_EQ(-32767, full[40]);
}

/* ---- 3. Statistics ---- */

TEST(StatCore, LevelsOfKnownData)
{
    StatChannel ch[2];
    statReset(ch, 2);
    std::vector<short> s = {16384, -32768, -16384, 32767, 16384, 0, -16384, 100};
    statAdd(ch, s.data(), 2, 2);
    statAdd(ch, s.data() + 4, 2, 2);
    EXPECT_EQ(4u, ch[0].count);
    EXPECT_NEAR(-6.0206, statPeakDb(&ch[0]), 1e-4);
    EXPECT_NEAR(-6.0206, statRmsDb(&ch[0]), 1e-4);   /* every sample at half scale */
    EXPECT_DOUBLE_EQ(0, statDc(&ch[0]));
    EXPECT_EQ(0u, ch[0].clipped);
    EXPECT_EQ(32768, statPeak(&ch[1]));
    EXPECT_DOUBLE_EQ(0, statPeakDb(&ch[1]));
    EXPECT_EQ(2u, ch[1].clipped);
    EXPECT_DOUBLE_EQ((-32768 + 32767 + 0 + 100) / 4.0 / 32768.0, statDc(&ch[1]));
    double ms = (32768.0 * 32768 + 32767.0 * 32767 + 100 * 100) / 4;
    EXPECT_NEAR(20 * log10(sqrt(ms) / 32768), statRmsDb(&ch[1]), 1e-9);
}

TEST(StatCore, SilenceAndNothing)
{
    StatChannel ch;
    statReset(&ch, 1);
    EXPECT_EQ(STAT_SILENT_DB, statPeakDb(&ch));
    EXPECT_EQ(STAT_SILENT_DB, statRmsDb(&ch));
    EXPECT_EQ(0, statDc(&ch));
    std::vector<short> z(1000, 0);
    statAdd(&ch, z.data(), z.size(), 1);
    EXPECT_EQ(STAT_SILENT_DB, statPeakDb(&ch));
    EXPECT_EQ(1000u, ch.count);
    short dc[3] = {-5, -5, -5};
    statAdd(&ch, dc, 3, 1);
    EXPECT_EQ(-5, ch.min);
    EXPECT_EQ(0, ch.max);
}

/* ---- 4. Fade ---- */

TEST(FadeCore, EveryShapeRunsFromZeroToOneWithoutFalling)
{
    for (int shape = 0; shape < FADE_SHAPES; shape++) {
        EXPECT_EQ(0, fadeGain(shape, 0)) << shape;
        EXPECT_EQ(1, fadeGain(shape, 1)) << shape;
        EXPECT_EQ(0, fadeGain(shape, -3)) << shape;
        EXPECT_EQ(1, fadeGain(shape, 7)) << shape;
        double last = 0;
        for (int i = 1; i <= 1000; i++) {
            double g = fadeGain(shape, i / 1000.0);
            EXPECT_GE(g, last) << shape << " at " << i;
            last = g;
        }
    }
    EXPECT_DOUBLE_EQ(0.5, fadeGain(FADE_LINEAR, 0.5));
    EXPECT_DOUBLE_EQ(0.5, fadeGain(FADE_SCURVE, 0.5));
    EXPECT_NEAR(0.0306, fadeGain(FADE_LOG, 0.5), 1e-4);   /* -30 dB, less the pull-down */
}

TEST(FadeCore, InAndOutOverBlocks)
{
    std::vector<short> s(10, 1000);
    fadeBlock(s.data(), 3, 2, FADE_LINEAR, FADE_IN, 0, 5);
    fadeBlock(s.data() + 6, 2, 2, FADE_LINEAR, FADE_IN, 3, 5);
    EXPECT_EQ((std::vector<short>{0, 0, 250, 250, 500, 500, 750, 750, 1000, 1000}), s);
    std::vector<short> o = {-1000, -1000, -1000, -1000, -1000};
    fadeBlock(o.data(), 5, 1, FADE_SCURVE, FADE_OUT, 0, 5);
    EXPECT_EQ(-1000, o[0]);
    EXPECT_EQ(-500, o[2]);
    EXPECT_EQ(0, o[4]);
    for (size_t i = 1; i < o.size(); i++)
        EXPECT_GE(o[i], o[i - 1]) << "the level only drops";
}

}  // namespace
