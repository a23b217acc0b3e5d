/*
 * Echo's core: an impulse answers with the dry part and each repeat at its place and
 * level, pieces of any size give the same output as one, absurd values are refused; and
 * the same echo as sox's echo with one delay/decay pair per repeat.
 */
#include "xforms/echo/echocore.h"
#include "xforms/tests/fxref.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<short> echo(std::vector<short> s, int ch, uint32_t delay, int repeats, double decay, double dry, double wet,
                        size_t piece)
{
    EchoState st;
    EXPECT_EQ(0, echoInit(&st, ch, delay, repeats, decay, dry, wet));
    std::vector<short> out(s.size(), 0x6666);
    size_t frames = s.size() / ch;
    for (size_t f = 0; f < frames; f += piece) {
        size_t n = std::min(piece, frames - f);
        echoBlock(&st, s.data() + f * ch, out.data() + f * ch, n);
    }
    echoFree(&st);
    return out;
}

TEST(Echo, AnImpulseRepeatsAtEachDelayQuieterByTheDecay)
{
    std::vector<short> in(2 * 1000, 0);
    in[0] = 10000;        /* left */
    in[2 * 5 + 1] = -8000; /* right, frame 5 */
    std::vector<short> out = echo(in, 2, 100, 4, 0.5, 0.8, 0.9, 64);
    EXPECT_EQ(8000, out[0]);
    EXPECT_EQ(-6400, out[11]);
    for (int k = 1; k <= 4; k++) {
        EXPECT_EQ((short)lround(10000 * 0.9 * pow(0.5, k)), out[2 * 100 * k]) << k;
        EXPECT_EQ((short)-lround(8000 * 0.9 * pow(0.5, k)), out[2 * (100 * k + 5) + 1]) << k;
    }
    int nonZero = 0;
    for (short v : out)
        nonZero += v != 0;
    EXPECT_EQ(10, nonZero) << "nothing but the dry impulses and four repeats each";
}

TEST(Echo, PiecesOfAnySizeGiveTheSameOutputInPlaceOrNot)
{
    std::vector<short> in = fx::signal(5000);
    std::vector<short> whole = echo(in, 2, 441, 3, 0.6, 1.0, 0.7, 5000);
    EXPECT_EQ(whole, echo(in, 2, 441, 3, 0.6, 1.0, 0.7, 1));
    EXPECT_EQ(whole, echo(in, 2, 441, 3, 0.6, 1.0, 0.7, 1000));
    EchoState st;
    ASSERT_EQ(0, echoInit(&st, 2, 441, 3, 0.6, 1.0, 0.7));
    std::vector<short> inPlace = in;
    echoBlock(&st, inPlace.data(), inPlace.data(), 2500);
    echoBlock(&st, inPlace.data() + 5000, inPlace.data() + 5000, 2500);
    echoFree(&st);
    EXPECT_EQ(whole, inPlace);
}

TEST(Echo, AbsurdValuesAreRefused)
{
    EchoState st;
    EXPECT_EQ(-1, echoInit(&st, 2, 0, 3, 0.5, 1, 1)) << "no delay";
    EXPECT_EQ(-1, echoInit(&st, 2, 100, 0, 0.5, 1, 1)) << "no repeat";
    EXPECT_EQ(-1, echoInit(&st, 2, 100, ECHO_MAX_REPEATS + 1, 0.5, 1, 1));
    EXPECT_EQ(-1, echoInit(&st, 2, 100, 3, 1.5, 1, 1)) << "growing repeats";
    EXPECT_EQ(-1, echoInit(&st, 2, 100, 3, 0, 1, 1));
    EXPECT_EQ(-1, echoInit(&st, 3, 100, 3, 0.5, 1, 1));
    EXPECT_EQ(0u, echoDelayFrames(0, 44100));
    EXPECT_EQ(4410u, echoDelayFrames(100, 44100));
    EXPECT_EQ(0u, echoDelayFrames(31000, 44100)) << "past the ring's reach";
    EXPECT_NEAR(0.5012, echoDecayFromDb(-6), 1e-4);
}

TEST(Echo, MatchesSoxEchoWithADelayDecayPairPerRepeat)
{
    if (!fx::haveSox())
        GTEST_SKIP() << "sox runs natively only";
    /* dry 50 %, wet 80 %, three repeats 100 ms apart, decay 0.5 each:
       sox echo gain-in gain-out d1 decay1 ...: out = gain-out * (gain-in * x + sum decay_k * x_k),
       so gain-out = wet, gain-in = dry / wet, decay_k = 0.5^k, delay_k = 100 k. */
    std::vector<short> in = fx::signal(44100, 14000, 9000, 0);
    ASSERT_TRUE(fx::writeWav(fx::path("echo-in.wav"), 44100, 2, in));
    ASSERT_TRUE(fx::run("sox -D '" + fx::path("echo-in.wav") + "' '" + fx::path("echo-sox.wav") +
                        "' echo 0.625 0.8 100 0.5 200 0.25 300 0.125"));
    std::vector<short> sox = fx::readWav(fx::path("echo-sox.wav"));
    ASSERT_GE(sox.size(), in.size());
    sox.resize(in.size());   /* sox lets the tail ring on; ours ends with the selection */
    EXPECT_LE(fx::maxDiff(sox, echo(in, 2, echoDelayFrames(100, 44100), 3, 0.5, 0.5, 0.8, 4096)), 1);
}

} // namespace
