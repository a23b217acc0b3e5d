/*
 * DC Offset's core: means exact over pieces, removal leaving a mean within half a step of
 * zero, shifts rounded and clipped (and counted), percent as sox counts it; against sox's
 * dcshift.
 */
#include "xforms/dcoffset/dccore.h"
#include "xforms/tests/fxref.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(DcOffset, MeansAreExactOverPiecesOfAnySize)
{
    std::vector<short> in = fx::signal(10001);
    double want[2] = {0, 0};
    for (size_t i = 0; i < in.size(); i++)
        want[i % 2] += in[i];
    for (size_t piece : {1u, 333u, 10001u}) {
        DcSum s;
        dcSumInit(&s, 2);
        for (size_t f = 0; f < 10001; f += piece)
            dcSumBlock(&s, in.data() + 2 * f, std::min<size_t>(piece, 10001 - f));
        EXPECT_DOUBLE_EQ(want[0] / 10001, dcMean(&s, 0)) << piece;
        EXPECT_DOUBLE_EQ(want[1] / 10001, dcMean(&s, 1)) << piece;
    }
    DcSum none;
    dcSumInit(&none, 1);
    EXPECT_EQ(0.0, dcMean(&none, 0));
    EXPECT_EQ(0.0, dcMean(&none, 1)) << "no second channel";
}

TEST(DcOffset, RemovingTheMeanLeavesLessThanHalfAStep)
{
    std::vector<short> in = fx::signal(44100, 12000, 9000, 1500);
    DcSum s;
    dcSumInit(&s, 2);
    dcSumBlock(&s, in.data(), 44100);
    EXPECT_NEAR(1500, dcMean(&s, 1), 5);
    double off[2] = {-dcMean(&s, 0), -dcMean(&s, 1)};
    std::vector<short> out = in;
    EXPECT_EQ(0u, dcShiftBlock(out.data(), 44100, 2, off));
    DcSum after;
    dcSumInit(&after, 2);
    dcSumBlock(&after, out.data(), 44100);
    EXPECT_LE(fabs(dcMean(&after, 0)), 0.5);
    EXPECT_LE(fabs(dcMean(&after, 1)), 0.5);
    for (size_t i = 0; i < in.size(); i++)   /* the textbook: x - mean, rounded half away from zero */
        ASSERT_EQ((short)lround(in[i] + off[i % 2]), out[i]) << i;
}

TEST(DcOffset, ShiftsClipAndCountAndPercentIsOfFullScale)
{
    std::vector<short> s = {32000, -32000, 0, 100};
    double off[2] = {1000.4, -1000.5};
    EXPECT_EQ(2u, dcShiftBlock(s.data(), 2, 2, off));
    EXPECT_EQ((std::vector<short>{32767, -32768, 1000, -901}), s);
    EXPECT_DOUBLE_EQ(3276.8, dcFromPercent(10));
    EXPECT_DOUBLE_EQ(10, dcToPercent(3276.8));
}

TEST(DcOffset, AddingMatchesSoxDcshift)
{
    if (!fx::haveSox())
        GTEST_SKIP() << "sox runs natively only";
    std::vector<short> in = fx::signal(22050, 10000, 8000, 0);
    ASSERT_TRUE(fx::writeWav(fx::path("dc-in.wav"), 44100, 2, in));
    ASSERT_TRUE(fx::run("sox -D '" + fx::path("dc-in.wav") + "' '" + fx::path("dc-sox.wav") + "' dcshift -0.125"));
    std::vector<short> out = in;
    double off[2] = {dcFromPercent(-12.5), dcFromPercent(-12.5)};
    dcShiftBlock(out.data(), 22050, 2, off);
    EXPECT_LE(fx::maxDiff(fx::readWav(fx::path("dc-sox.wav")), out), 1);
}

} // namespace
