/*
 * Convolute: the block length, every path (mono, the stereo mix, one transform pair, two
 * passes) against a direct double-precision convolution of the same range with the same
 * delay and edge rules, progress and Cancel, the sample store as source and destination,
 * and bad input (arguments, an over-long filter, a range past the end, no memory, a failing
 * write).
 */
#include "dsp/dsp.h"
#include "dspref.h"
#include "store/blockfile.h"
#include "store/voc.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

/* The wave the memory callbacks read and write: 16-bit frames; silence past the end and
   writes past the end lengthen it, as the sample store does. */
struct MemWave {
    std::vector<int16_t> s;
    std::vector<int16_t> dst;      /* written instead of s when separate */
    int separate = 0;
    int writes = 0, failWritesAfter = -1, reads = 0;
};
MemWave W;

short ZELOAPI memRead(void *dst, int32_t offset, uint32_t count)
{
    W.reads++;
    int16_t *d = (int16_t *)dst;
    for (uint32_t i = 0; i < count / 2; i++) {
        size_t at = (size_t)offset / 2 + i;
        d[i] = at < W.s.size() ? W.s[at] : 0;
    }
    return 0;
}

short ZELOAPI memWrite(const void *src, int32_t offset, uint32_t count)
{
    if (W.failWritesAfter >= 0 && W.writes >= W.failWritesAfter)
        return 1;
    W.writes++;
    const int16_t *p = (const int16_t *)src;
    std::vector<int16_t> &to = W.separate ? W.dst : W.s;
    size_t at = (size_t)offset / 2;
    if (to.size() < at + count / 2)
        to.resize(at + count / 2, 0);
    for (uint32_t i = 0; i < count / 2; i++)
        to[at + i] = p[i];
    return 0;
}

enum Path { MONO, MIX, SINGLE, TWOPASS };

/* The expected wave after Convolute, by direct convolution: output q (from the first frame
   on) of the frames first.. (zero before first, the wave's own samples after last) goes
   to frame first + q - delay; only the q that the processed blocks cover are written. */
std::vector<int16_t> expected(const std::vector<int16_t> &wave, int channels, Path path,
                              const std::vector<double> &f, uint32_t taps, uint32_t first,
                              uint32_t last, int32_t delay)
{
    uint32_t L = taps > CONV_MAX_TAPS ? CONV_MAX_TAPS : taps;
    uint32_t N = convBlockLength(L), M = N - L;
    uint64_t frames = last >= first ? (uint64_t)last - first + 1 : 0;
    uint64_t per = channels == 1 ? 2 * M : M;
    uint64_t covered = (frames + per - 1) / per * per;
    std::vector<int16_t> out = wave;
    size_t haveFrames = wave.size() / channels;
    auto x = [&](int64_t frame, int c) -> double {
        if (frame < (int64_t)first || frame >= (int64_t)haveFrames)
            return 0;
        return wave[frame * channels + c];
    };
    auto clip = [](double v) -> int16_t {
        return (int16_t)(v >= 32767 ? 32767 : v <= -32768 ? -32768 : (int)v);
    };
    for (int64_t w = first; w <= (int64_t)last; w++) {
        int64_t q = w - first + delay;
        if (q < 0 || (uint64_t)q >= covered)
            continue;
        int64_t p = first + q;
        if (out.size() < (size_t)(w + 1) * channels)
            out.resize((w + 1) * channels, 0);
        if (path == MONO) {
            double y = 0;
            for (uint32_t k = 0; k < L && k <= q; k++)
                if (f[k] != 0)
                    y += f[k] * x(p - k, 0);
            out[w] = clip(y);
            continue;
        }
        double yl = 0, yr = 0;
        for (uint32_t k = 0; k < L && k <= q; k++) {
            double l = x(p - k, 0), r = x(p - k, 1);
            double a = f[2 * k], b = f[2 * k + 1];
            if (path == MIX) {
                double m = (l + r) / 2;
                yl += m * a;
                yr += m * b;
            } else {
                double c = f[2 * taps + 2 * k], d = f[2 * taps + 2 * k + 1];
                yl += l * a + r * c;
                yr += l * b + r * d;
            }
        }
        out[2 * w] = clip(yl);
        out[2 * w + 1] = clip(yr);
    }
    return out;
}

std::vector<int16_t> randomWave(size_t samples, uint32_t seed, double level)
{
    std::vector<int16_t> s(samples);
    for (int16_t &v : s)
        v = (int16_t)(dref::noise(seed) * level);
    return s;
}

/* Filter values for a path: L values, L pairs, or two filters of L pairs. */
std::vector<double> randomFilter(Path path, uint32_t taps, uint32_t seed, double gain)
{
    size_t n = path == MONO ? taps : path == MIX ? 2 * taps : 4 * taps;
    std::vector<double> f(n);
    for (double &v : f)
        v = dref::noise(seed) * gain;
    return f;
}

void expectWithinOneLsb(const std::vector<int16_t> &want, const std::vector<int16_t> &got, const char *what)
{
    ASSERT_EQ(want.size(), got.size()) << what;
    int worst = 0;
    size_t at = 0;
    for (size_t i = 0; i < want.size(); i++)
        if (abs(want[i] - got[i]) > worst) {
            worst = abs(want[i] - got[i]);
            at = i;
        }
    EXPECT_LE(worst, 1) << what << ": sample " << at << " want " << want[at] << " got " << got[at];
}

struct Meter {
    static Meter &the() { static Meter m; return m; }
    std::vector<std::string> opened;
    std::vector<std::pair<uint32_t, uint32_t>> steps;
    int closed = 0;
    uint32_t cancelAt = 0;   /* step that presses Cancel; 0 never */
    int pressed = 0;
    static void open(const char *t) { the().opened.push_back(t); }
    static int step(uint32_t d, uint32_t t)
    {
        the().steps.push_back({d, t});
        if (the().cancelAt && d >= the().cancelAt)
            the().pressed = 1;
        return the().pressed;
    }
    static int cancelled(void) { return the().pressed; }
    static void close(void) { the().closed++; }
};

class Conv : public ::testing::Test {
protected:
    void SetUp() override
    {
        osFaultReset();
        dspShutdown();
        W = MemWave();
        Meter::the() = Meter();
        Dsp.hook = DspHooks{Meter::open, Meter::step, Meter::cancelled, Meter::close};
    }
    void TearDown() override
    {
        Dsp.hook = DspHooks{};
        osFaultReset();
        dspShutdown();
    }
    static short run(int channels, uint32_t mix, short mode, std::vector<double> &f, uint32_t taps,
                     uint32_t first, uint32_t last, int32_t delay, const char *title = nullptr)
    {
        return Convolute((short)channels, 2u * channels, first, last, mix, mode, f.data(), taps, delay,
                         title, memRead, memWrite);
    }
};

/* ---- 1. block length ---- */

TEST_F(Conv, BlockLengthFromTheFilterLength)
{
    EXPECT_EQ(256u, convBlockLength(1));
    EXPECT_EQ(256u, convBlockLength(10));
    EXPECT_EQ(1024u, convBlockLength(100));
    EXPECT_EQ(8192u, convBlockLength(1000));
    EXPECT_EQ(262144u, convBlockLength(100000));
    EXPECT_EQ(262144u, convBlockLength(209715));
    EXPECT_EQ(convBlockLength(209715), convBlockLength(300000));
    for (uint32_t L = 1; L < 250000; L = L * 3 + 1) {
        uint32_t n = convBlockLength(L);
        EXPECT_EQ(0u, n & (n - 1)) << L;
        EXPECT_GT(n, L > CONV_MAX_TAPS ? CONV_MAX_TAPS : L) << L;
    }
}

/* ---- 2. every path against the direct convolution ---- */

struct Case {
    const char *name;
    int channels;
    uint32_t mix;
    short mode;
    Path path;
};
const Case cases[] = {
    {"mono", 1, 0, 0, MONO},         {"mono mode 2", 1, 1, 2, MONO},
    {"stereo mix", 2, 1, 0, MIX},    {"stereo one pair", 2, 0, 1, SINGLE},
    {"stereo two passes (mode 0)", 2, 0, 0, TWOPASS}, {"stereo two passes (mode 4)", 2, 0, 4, TWOPASS},
    {"stereo two passes (mode 2)", 2, 0, 2, TWOPASS},
};

TEST_F(Conv, EveryPathEqualsTheDirectConvolution)
{
    for (const Case &c : cases)
        for (uint32_t taps : {1u, 37u, 300u}) {
            const uint32_t frames = 5000, first = 700, last = 3900;
            const int32_t delay = (int32_t)taps / 2;
            std::vector<double> f = randomFilter(c.path, taps, 3 + taps, 1.5 / sqrt((double)taps));
            W = MemWave();
            W.s = randomWave(frames * c.channels, 11, 30000);
            std::vector<int16_t> want = expected(W.s, c.channels, c.path, f, taps, first, last, delay);
            ASSERT_EQ(1, run(c.channels, c.mix, c.mode, f, taps, first, last, delay));
            std::string what = std::string(c.name) + ", " + std::to_string(taps) + " taps";
            expectWithinOneLsb(want, W.s, what.c_str());
        }
}

TEST_F(Conv, LoudFiltersClipAtBothEnds)
{
    std::vector<double> f = {3.0, -2.0};
    W.s = randomWave(3000, 2, 32767);
    std::vector<int16_t> want = expected(W.s, 1, MONO, f, 2, 0, 2999, 0);
    ASSERT_EQ(1, run(1, 0, 0, f, 2, 0, 2999, 0));
    expectWithinOneLsb(want, W.s, "clipped");
    EXPECT_NE(W.s.end(), std::find(W.s.begin(), W.s.end(), (int16_t)32767));
    EXPECT_NE(W.s.end(), std::find(W.s.begin(), W.s.end(), (int16_t)-32768));
}

TEST_F(Conv, ThousandTapsOverManyBlocksWithDelay)
{
    const uint32_t taps = 1000;
    std::vector<double> f = randomFilter(SINGLE, taps, 77, 0.05);
    W.s = randomWave(2 * 40000, 5, 20000);
    std::vector<int16_t> want = expected(W.s, 2, SINGLE, f, taps, 1234, 38000, 499);
    ASSERT_EQ(1, run(2, 0, 1, f, taps, 1234, 38000, 499));
    expectWithinOneLsb(want, W.s, "1000 taps");
}

/* A negative delay writes ahead of the reading, so in place the output would become
   input; with a separate destination the output is the plain convolution. */
TEST_F(Conv, NegativeDelayLeavesTheFirstFramesAlone)
{
    std::vector<double> f = {0.5, 0.25};
    W.s = randomWave(2000, 8, 10000);
    W.separate = 1;
    W.dst = W.s;
    std::vector<int16_t> before = W.s;
    std::vector<int16_t> want = expected(W.s, 1, MONO, f, 2, 100, 1500, -20);
    ASSERT_EQ(1, run(1, 0, 0, f, 2, 100, 1500, -20));
    EXPECT_EQ(before, W.s);
    expectWithinOneLsb(want, W.dst, "delay -20");
    for (int i = 100; i < 120; i++)
        EXPECT_EQ(before[i], W.dst[i]) << i;
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(before[i], W.dst[i]) << "before the range";
}

/* ---- 3. progress and Cancel ---- */

TEST_F(Conv, ProgressCountsEveryTransformAndClosesTheMeter)
{
    const uint32_t taps = 37;   /* N 256, M 219 */
    std::vector<double> f = randomFilter(TWOPASS, taps, 1, 0.1);
    W.s = randomWave(2 * 1000, 1, 1000);
    ASSERT_EQ(1, run(2, 0, 4, f, taps, 0, 999, 0, "Convolving"));
    Meter &m = Meter::the();
    ASSERT_EQ(1u, m.opened.size());
    EXPECT_EQ("Convolving", m.opened[0]);
    EXPECT_EQ(1, m.closed);
    const uint32_t total = 2 + 5 * 4;   /* two filters, five blocks of four transforms */
    ASSERT_EQ(total, m.steps.size());
    for (uint32_t i = 0; i < total; i++)
        EXPECT_EQ(std::make_pair(i + 1, total), m.steps[i]);

    Meter::the() = Meter();
    ASSERT_EQ(1, run(1, 0, 0, f, taps, 0, 999, 0, "Mono"));
    EXPECT_EQ(1u + 3 * 2, Meter::the().steps.size());   /* one filter, three cycles of two blocks */
    EXPECT_EQ(1u + 3 * 2, Meter::the().steps.back().second);
}

TEST_F(Conv, WithoutTitleNoMeterAndNoCancel)
{
    std::vector<double> f = {1.0};
    W.s = randomWave(2000, 4, 1000);
    Meter::the().pressed = 1;   /* a Cancel left over from elsewhere changes nothing */
    std::vector<int16_t> want = expected(W.s, 1, MONO, f, 1, 0, 1999, 0);
    ASSERT_EQ(1, run(1, 0, 0, f, 1, 0, 1999, 0));
    EXPECT_TRUE(Meter::the().opened.empty());
    EXPECT_TRUE(Meter::the().steps.empty());
    EXPECT_EQ(0, Meter::the().closed);
    EXPECT_EQ(want, W.s);
}

TEST_F(Conv, CancelKeepsTheBlocksWrittenAndTheLength)
{
    const uint32_t taps = 37;   /* M 219 */
    std::vector<double> f = randomFilter(MIX, taps, 9, 0.2);
    W.s = randomWave(2 * 3000, 6, 8000);
    const std::vector<int16_t> undo = W.s;   /* the undo copy of the range */
    std::vector<int16_t> full = expected(W.s, 2, MIX, f, taps, 0, 2999, 0);
    Meter::the().cancelAt = 1 + 2 * 3 + 1;   /* the forward transform of the fourth block */
    ASSERT_EQ(1, run(2, 1, 0, f, taps, 0, 2999, 0, "Convolving"));
    EXPECT_EQ(1, Meter::the().closed);
    EXPECT_EQ(3, W.writes);
    ASSERT_EQ(undo.size(), W.s.size());   /* same length: the undo copy fits back */
    for (size_t i = 0; i < W.s.size(); i++) {
        if (i < 2 * 3 * 219)
            ASSERT_LE(abs(full[i] - W.s[i]), 1) << i;
        else
            ASSERT_EQ(undo[i], W.s[i]) << i;
    }
    memWrite(undo.data(), 0, (uint32_t)undo.size() * 2);
    EXPECT_EQ(undo, W.s);
}

/* ---- 4. through the sample store ---- */

class ConvStore : public Conv {
protected:
    void SetUp() override
    {
        Conv::SetUp();
        ASSERT_EQ(0, bopen(zt::tempPath("conv.tmp").c_str()));
    }
    void TearDown() override
    {
        bclose();
        vocSetFormat(1, 16, 0);
        Conv::TearDown();
    }
    static void load(const std::vector<int16_t> &s, int channels)
    {
        vocSetFormat((uint16_t)channels, 16, 0);
        ASSERT_EQ(0, vocWriteAt(s.data(), 0, (uint32_t)s.size() * 2));
    }
    static std::vector<int16_t> contents()
    {
        std::vector<int16_t> s(Wave.dataLength / 2);
        EXPECT_EQ(0, vocRead(s.data(), 0, Wave.dataLength));
        return s;
    }
};

TEST_F(ConvStore, StereoThroughVocReadAndWrite)
{
    std::vector<double> f = randomFilter(SINGLE, 100, 4, 0.1);
    std::vector<int16_t> s = randomWave(2 * 20000, 3, 25000);
    load(s, 2);
    std::vector<int16_t> want = expected(s, 2, SINGLE, f, 100, 500, 19000, 50);
    ASSERT_EQ(1, Convolute(2, 4, 500, 19000, 0, 1, f.data(), 100, 50, nullptr, vocRead, vocWriteAt));
    expectWithinOneLsb(want, contents(), "store");
}

TEST_F(ConvStore, RangePastTheEndReadsSilenceAndWritesTheTail)
{
    std::vector<double> f = {0.5, 0.5, 0.5, 0.5};
    std::vector<int16_t> s = randomWave(1000, 12, 20000);
    load(s, 1);
    std::vector<int16_t> want = expected(s, 1, MONO, f, 4, 800, 1500, 0);
    ASSERT_EQ(1, Convolute(1, 2, 800, 1500, 0, 0, f.data(), 4, 0, nullptr, vocRead, vocWriteAt));
    EXPECT_EQ(1501u * 2, Wave.dataLength);
    expectWithinOneLsb(want, contents(), "past the end");
    std::vector<int16_t> got = contents();
    for (int i = 1003; i <= 1500; i++)
        ASSERT_EQ(0, got[i]) << i;
}

/* ---- 5. bad input ---- */

TEST_F(Conv, BadArgumentsDoNothing)
{
    zt::MessageRecorder rec;
    std::vector<double> f(64, 0.5);
    W.s = randomWave(2000, 1, 1000);
    const std::vector<int16_t> before = W.s;
    EXPECT_EQ(0, Convolute(3, 6, 0, 99, 0, 0, f.data(), 4, 0, nullptr, memRead, memWrite));
    EXPECT_EQ(0, Convolute(0, 0, 0, 99, 0, 0, f.data(), 4, 0, nullptr, memRead, memWrite));
    EXPECT_EQ(0, Convolute(2, 2, 0, 99, 0, 0, f.data(), 4, 0, nullptr, memRead, memWrite));   /* 8-bit align */
    EXPECT_EQ(0, Convolute(1, 2, 0, 99, 0, 0, nullptr, 4, 0, nullptr, memRead, memWrite));
    EXPECT_EQ(0, Convolute(1, 2, 0, 99, 0, 0, f.data(), 0, 0, nullptr, memRead, memWrite));
    EXPECT_EQ(0, Convolute(1, 2, 0, 99, 0, 0, f.data(), 4, 0, nullptr, nullptr, memWrite));
    EXPECT_EQ(0, Convolute(1, 2, 0, 99, 0, 0, f.data(), 4, 0, nullptr, memRead, nullptr));
    EXPECT_EQ(before, W.s);
    EXPECT_EQ(0, W.reads);
    EXPECT_TRUE(rec.messages.empty());
}

TEST_F(Conv, EmptyOrUnaddressableRangesWriteNothing)
{
    std::vector<double> f(4, 0.5);
    W.s = randomWave(2000, 1, 1000);
    const std::vector<int16_t> before = W.s;
    EXPECT_EQ(1, run(1, 0, 0, f, 4, 500, 499, 0));              /* last before first */
    EXPECT_EQ(0, run(1, 0, 0, f, 4, 0x7FFFFFF0u, 0xFFFFFFFFu, 0)); /* beyond 32-bit offsets */
    EXPECT_EQ(before, W.s);
    EXPECT_EQ(0, W.writes);
}

TEST_F(Conv, OverlongFilterIsCut)
{
    const uint32_t taps = 300000;
    std::vector<double> f(taps, 0.0);
    f[0] = 0.5;
    f[5000] = 0.25;
    f[CONV_MAX_TAPS - 1] = 0.125;
    f[CONV_MAX_TAPS + 10] = 1000.0;   /* past the limit: never used */
    W.s = randomWave(2000, 3, 20000);
    std::vector<int16_t> want = expected(W.s, 1, MONO, f, taps, 0, 1999, 0);
    ASSERT_EQ(1, run(1, 0, 0, f, taps, 0, 1999, 0));
    expectWithinOneLsb(want, W.s, "limited filter");
}

TEST_F(Conv, NoMemoryShowsTheMessageAndWritesNothing)
{
    std::vector<double> f(50, 0.1);
    W.s = randomWave(4000, 1, 1000);
    const std::vector<int16_t> before = W.s;
    for (long budget : {0L, 3L, 9L, 10L}) {
        dspShutdown();   /* LFFT's tables must be built in the call */
        zt::MessageRecorder rec;
        OsFault.allocBudget = budget;
        EXPECT_EQ(0, run(1, 0, 0, f, 50, 0, 3999, 0, "Convolving")) << budget;
        osFaultReset();
        ASSERT_EQ(1u, rec.messages.size()) << budget;
        EXPECT_EQ("Not enough memory to continue operation", rec.messages[0].text);
        EXPECT_EQ("Error", rec.messages[0].caption);
        EXPECT_EQ(OS_MB_OK | OS_MB_ICONEXCLAMATION, rec.messages[0].style);
        EXPECT_TRUE(Meter::the().opened.empty());
    }
    EXPECT_EQ(before, W.s);
    EXPECT_EQ(0, W.reads);
}

TEST_F(Conv, FailingWriteStopsAndSaysSo)
{
    std::vector<double> f = {1.0};
    W.s = randomWave(4000, 1, 1000);
    W.failWritesAfter = 2;
    EXPECT_EQ(0, run(1, 0, 0, f, 1, 0, 3999, 0, "Convolving"));
    EXPECT_EQ(2, W.writes);
    EXPECT_EQ(1, Meter::the().closed);
}

} // namespace
