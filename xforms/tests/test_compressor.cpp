/*
 * Compressor/Limiter's core: a limiter never passes its ceiling, however sharp the
 * transient; ratio 1 with no make-up passes the signal through unchanged behind its
 * lookahead, in pieces of any size; the static curve on a steady tone; values out of range
 * refused; and the whole follower and curve against a numpy implementation written from
 * the same definition.
 */
#include "xforms/compressor/compcore.h"
#include "xforms/tests/fxref.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const CompParams kLimiter = {-1, 1000, 0.5, 50, 0, 2, -1};

/* Runs the compressor over the signal in pieces, then flushes; the output has the input's
   length. */
std::vector<short> compress(const std::vector<short> &in, int ch, uint32_t rate, const CompParams &p, size_t piece,
                            double *minGain = nullptr)
{
    CompState st;
    EXPECT_EQ(0, compInit(&st, ch, rate, &p));
    std::vector<short> out;
    std::vector<short> buf(std::max<size_t>(piece, 4096) * ch);
    size_t frames = in.size() / ch;
    for (size_t f = 0; f < frames; f += piece) {
        size_t n = compBlock(&st, in.data() + f * ch, std::min(piece, frames - f), buf.data());
        out.insert(out.end(), buf.begin(), buf.begin() + n * ch);
    }
    size_t n;
    while ((n = compFlush(&st, buf.data(), 4096)) > 0)
        out.insert(out.end(), buf.begin(), buf.begin() + n * ch);
    if (minGain)
        *minGain = st.minGain;
    compFree(&st);
    return out;
}

int peak(const std::vector<short> &s)
{
    int p = 0;
    for (short v : s)
        p = std::max(p, abs((int)v));
    return p;
}

TEST(Compressor, TheLimiterNeverPassesItsCeilingOnAFullScaleTransient)
{
    /* Quiet tone, then a full-scale square burst starting at once, then a single-sample
       spike of -32768 in silence. */
    std::vector<short> in(2 * 20000, 0);
    for (int i = 0; i < 20000; i++) {
        short v = (short)lrint(3000 * sin(i * 0.05));
        if (i >= 5000 && i < 9000)
            v = (i / 20) % 2 ? 32767 : -32768;
        in[2 * i] = v;
        in[2 * i + 1] = (short)-v;
    }
    in[2 * 15000 + 1] = -32768;
    int ceiling = compCeiling(-1);
    EXPECT_EQ(29203, ceiling);
    for (double lookahead : {0.0, 2.0, 10.0}) {
        CompParams p = kLimiter;
        p.lookaheadMs = lookahead;
        std::vector<short> out = compress(in, 2, 44100, p, 333);
        ASSERT_EQ(in.size(), out.size()) << lookahead;
        EXPECT_LE(peak(out), ceiling) << lookahead;
        EXPECT_GE(peak(out), ceiling - 400) << "limited, not silenced: " << lookahead;
        EXPECT_EQ(in[2 * 100], out[2 * 100]) << "the quiet tone below the threshold is untouched";
    }
    CompParams hard = kLimiter;
    hard.makeupDb = 40;   /* everything pushed far over: still held */
    EXPECT_LE(peak(compress(in, 2, 44100, hard, 4096)), ceiling);
}

TEST(Compressor, RatioOneWithoutMakeUpPassesTheSignalBehindTheLookahead)
{
    std::vector<short> in = fx::signal(12345);
    CompParams p = {-30, 1, 5, 100, 0, 7, 0};
    for (size_t piece : {1u, 100u, 12345u})
        EXPECT_EQ(in, compress(in, 2, 44100, p, piece)) << piece;
    std::vector<short> shortRun(2 * 10, 1234);
    EXPECT_EQ(shortRun, compress(shortRun, 2, 44100, p, 3)) << "a run shorter than the lookahead";
}

TEST(Compressor, ASteadyToneFollowsTheStaticCurve)
{
    /* A 1 kHz tone at -6 dBFS against a -20 dB threshold at 4:1: -20 + 14/4 = -16.5 dB. */
    std::vector<short> in(44100);
    double amp = 32767 * pow(10, -6 / 20.0);
    for (size_t i = 0; i < in.size(); i++)
        in[i] = (short)lrint(amp * sin(2 * 3.14159265358979 * 1000 * i / 44100.0));
    CompParams p = {-20, 4, 1, 500, 0, 0, 0};
    std::vector<short> out = compress(in, 1, 44100, p, 1024);
    std::vector<short> tail(out.end() - 4410, out.end());
    EXPECT_NEAR(-16.5, 20 * log10(peak(tail) / 32767.0), 0.3);
    p.makeupDb = 6;
    std::vector<short> louder = compress(in, 1, 44100, p, 1024);
    tail.assign(louder.end() - 4410, louder.end());
    EXPECT_NEAR(-10.5, 20 * log10(peak(tail) / 32767.0), 0.3) << "make-up gain on top";
}

TEST(Compressor, ValuesOutOfRangeAreRefused)
{
    CompState st;
    CompParams ok = {-20, 4, 1, 100, 0, 0, 0};
    EXPECT_EQ(0, compInit(&st, 2, 44100, &ok));
    compFree(&st);
    CompParams bad[] = {{-20, 0.5, 1, 100, 0, 0, 0}, {-20, 4, 0, 100, 0, 0, 0}, {-20, 4, 1, 0, 0, 0, 0},
                        {3, 4, 1, 100, 0, 0, 0},    {-20, 4, 1, 100, 0, 0, 1}, {-20, 4, 1, 100, 0, 51, 0}};
    for (const CompParams &b : bad) {
        EXPECT_FALSE(compValid(&b));
        EXPECT_EQ(-1, compInit(&st, 2, 44100, &b));
    }
}

TEST(Compressor, MatchesANumpyFollowerAndCurveWithinOneStep)
{
    if (!fx::haveNumpy())
        GTEST_SKIP() << "python3 with numpy runs natively only";
    std::vector<short> in = fx::signal(20000, 20000, 6000, 0);
    for (int i = 8000; i < 8200; i++)   /* a loud burst the lookahead must see coming */
        in[2 * i] = in[2 * i + 1] = (short)((i / 3) % 2 ? 32000 : -32000);
    CompParams p = {-18, 3, 2, 80, 4, 3, -0.5};
    ASSERT_TRUE(fx::writeRaw(fx::path("comp-in.raw"), in));
    const char *script = R"(
import sys, math, numpy as np
x = np.fromfile(sys.argv[1], dtype='<i2').astype(np.float64).reshape(-1, 2)
rate, thrdb, ratio, att, rel, mk, la, ceil = 44100, -18, 3, 2, 80, 4, 3, -0.5
thr = 32767 * 10 ** (thrdb / 20)
ca = math.exp(-1 / (att / 1000 * rate)); cr = math.exp(-1 / (rel / 1000 * rate))
makeup = 10 ** (mk / 20); c = math.floor(32767 * 10 ** (ceil / 20))
n = len(x); L = int(la / 1000 * rate + 0.5)
d = np.concatenate([np.abs(x).max(axis=1), np.zeros(L)])
g = np.empty(n + L); env = 0.0
for i in range(n + L):
    v = d[i]
    env = v + (ca if v > env else cr) * (env - v)
    g[i] = makeup * (math.exp((1 / ratio - 1) * math.log(env / thr)) if env > thr else 1.0)
y = x * g[L:L + n, None]
y = np.where(y >= 0, np.floor(y + 0.5), -np.floor(-y + 0.5))
np.clip(y, -c, c).astype('<i2').tofile(sys.argv[2])
)";
    ASSERT_TRUE(fx::python("comp.py", script, "'" + fx::path("comp-in.raw") + "' '" + fx::path("comp-np.raw") + "'"));
    double minGain = 1;
    std::vector<short> ours = compress(in, 2, 44100, p, 777, &minGain);
    EXPECT_LE(fx::maxDiff(fx::readRaw(fx::path("comp-np.raw")), ours), 1);
    EXPECT_LT(minGain, 0.5) << "the burst was compressed";
}

} // namespace
