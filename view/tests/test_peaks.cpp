/*
 * The waveform picture's data: paint geometry (full scale reaches the channel's edges,
 * silence its centre), the PeakSummary (block size, widening, split frames, overflow frees
 * it), and the column recomputation over a real sample store: spans clamped to 1024 frames,
 * Lines joining neighbours and Dots not, summary columns reading no samples, the pump
 * interrupting, and columns past the data keeping their flat strokes.
 */
#include "view/peaks.h"
#include "store/blockfile.h"
#include "store/voc.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

const ViewRect kArea = {10, 20, 110, 220};   /* 100 columns, 200 pixels high */

TEST(PeakGeometry, FullScaleFillsTheChannelAndSilenceSitsAtTheCentre)
{
    PeakGeom g;
    peakGeometry(&kArea, 1, 16, &g);
    EXPECT_EQ(kArea.top + 1, peakSampleY(&g, 0, 32767));
    EXPECT_EQ(kArea.bottom - 1, peakSampleY(&g, 0, -32768));
    EXPECT_NEAR(g.centre[0], peakSampleY(&g, 0, 0), 1);
    peakGeometry(&kArea, 1, 8, &g);
    EXPECT_EQ(kArea.bottom - 1, peakSampleY(&g, 0, 0));
    EXPECT_LE(peakSampleY(&g, 0, 255), kArea.top + 2);
    peakGeometry(&kArea, 2, 16, &g);
    int m = (kArea.top + kArea.bottom) / 2 - 1;   /* the band between the channels */
    EXPECT_GT(peakSampleY(&g, 0, 32767), kArea.top);
    EXPECT_LE(peakSampleY(&g, 0, -32768), m);
    EXPECT_GE(peakSampleY(&g, 1, 32767), m + 3);
    EXPECT_EQ(kArea.bottom - 1, peakSampleY(&g, 1, -32768));
    EXPECT_NEAR(g.centre[0], peakSampleY(&g, 0, 0), 1);
    EXPECT_NEAR(g.centre[1], peakSampleY(&g, 1, 0), 1);
}

TEST(PeakSummary, BlockSizeGrowsUntilTheArrayFitsIn64K)
{
    ASSERT_EQ(0, peakSummaryCreate(1000, 2, 16));
    EXPECT_EQ(128u, PeakSummary.g);
    uint32_t hour = 3600u * 44100u;
    ASSERT_EQ(0, peakSummaryCreate(hour, 2, 16));
    EXPECT_LT(PeakSummary.bytes, 65536u);
    EXPECT_GE((uint64_t)PeakSummary.bytes * 2, (uint64_t)hour / PeakSummary.g * 4);
    ASSERT_EQ(0, peakSummaryCreate(100, 1, 8));
    for (uint32_t i = 0; i < PeakSummary.bytes; i++)
        ASSERT_EQ(128, PeakSummary.data[i]);
    peakSummaryFree();
    EXPECT_FALSE(PeakSummary.present);
}

TEST(PeakSummary, FeedWidensBlocksAcrossSplitFrames)
{
    ASSERT_EQ(0, peakSummaryCreate(512, 2, 16));
    std::vector<uint8_t> bytes(512 * 4, 0);
    auto put = [&](uint32_t frame, int ch, int16_t v) {
        bytes[frame * 4 + ch * 2] = (uint8_t)(v & 0xFF);
        bytes[frame * 4 + ch * 2 + 1] = (uint8_t)((v >> 8) & 0xFF);
    };
    put(5, 0, 12000);
    put(200, 1, -20000);
    put(300, 0, -32768);
    /* Odd pieces split frames between feeds. */
    size_t done = 0, pieces[] = {3, 1, 1001, 7, 2048};
    for (size_t n : pieces) {
        n = std::min(n, bytes.size() - done);
        peakSummaryFeed(bytes.data() + done, (uint32_t)n);
        done += n;
    }
    ASSERT_EQ(bytes.size(), done);
    EXPECT_EQ(512u, PeakSummary.filled);
    int mn[2], mx[2];
    peakSummaryGet(0, 128, mn, mx);
    EXPECT_EQ(0, mn[0]);                       /* starts from silence */
    EXPECT_EQ((12000 >> 8) * 256, mx[0]);
    peakSummaryGet(128, 256, mn, mx);
    EXPECT_EQ((-20000 >> 8) * 256, mn[1]);
    EXPECT_EQ(-32768, mn[0]);
    /* More frames than announced: the summary would be wrong, so it goes. */
    peakSummaryFeed(bytes.data(), 4);
    EXPECT_FALSE(PeakSummary.present);
}

class PeakPassTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, bopen(zt::tempPath("peaks.tmp").c_str()));
        ASSERT_EQ(0, peakCacheCreate(2000));
        buf.assign(PEAK_READBUF, 0);
    }
    void TearDown() override
    {
        peakCacheFree();
        peakSummaryFree();
        bclose();
        vocSetFormat(1, 16, 0);
    }
    void load(int channels, const std::vector<int16_t> &samples)
    {
        vocSetFormat((uint16_t)channels, 16, 0);
        ASSERT_EQ(0, vocAppend(samples.data(), (uint32_t)(samples.size() * 2)));
        frames = (uint32_t)(samples.size() / channels);
    }
    PeakPass pass(uint32_t viewStart, uint32_t viewEnd, int dots = 0)
    {
        PeakPass p = {};
        p.area = kArea;
        p.viewStart = viewStart;
        p.viewEnd = viewEnd;
        p.frames = frames;
        p.channels = Wave.channels;
        p.bits = 16;
        p.dots = dots;
        return p;
    }
    std::vector<uint8_t> buf;
    uint32_t frames = 0;
};

TEST_F(PeakPassTest, SquareWaveFillsAndSilenceStaysFlat)
{
    std::vector<int16_t> s(10000, 0);
    for (size_t i = 0; i < 5000; i++)
        s[i] = (i / 10) % 2 ? 32767 : -32768;
    load(1, s);
    PeakPass p = pass(0, 9999, 1);
    EXPECT_EQ(100, peakComputeColumns(&p, 0, 99, buf.data()));
    PeakGeom g;
    peakGeometry(&kArea, 1, 16, &g);
    for (int c = 0; c < 50; c++) {
        EXPECT_EQ(kArea.top + 1, PeakColumnCache.top[0][c]) << c;
        EXPECT_EQ(kArea.bottom - 1, PeakColumnCache.bottom[0][c]) << c;
    }
    for (int c = 51; c < 100; c++) {
        EXPECT_NEAR(g.centre[0], PeakColumnCache.top[0][c], 1) << c;
        EXPECT_EQ(PeakColumnCache.top[0][c], PeakColumnCache.bottom[0][c]) << c;
    }
}

TEST_F(PeakPassTest, WideColumnsReadOnly1024FramesAndSummaryColumnsReadNothing)
{
    std::vector<int16_t> s(2 * 500000, 0);
    s[2 * 3000] = 30000;          /* inside column 0's first 1024 frames? no: frame 3000 */
    s[2 * 500] = 20000;           /* frame 500: inside the examined part */
    load(2, s);
    PeakPass p = pass(0, 499999, 1);   /* 5000 frames per column */
    peakComputeColumns(&p, 0, 99, buf.data());
    EXPECT_EQ(100u * 1024 * 4, p.bytesRead);
    PeakGeom g;
    peakGeometry(&kArea, 2, 16, &g);
    EXPECT_EQ(peakSampleY(&g, 0, 20000), PeakColumnCache.top[0][0]);

    /* With the file's summary present, no sample is read. */
    ASSERT_EQ(0, peakSummaryCreate(frames, 2, 16));
    peakSummaryFeed(s.data(), (uint32_t)(s.size() * 2));
    p = pass(0, 499999, 1);
    peakComputeColumns(&p, 0, 99, buf.data());
    EXPECT_EQ(0u, p.bytesRead);
    EXPECT_EQ(100u, p.summaryColumns);
    EXPECT_EQ(peakSampleY(&g, 0, (30000 >> 8) * 256), PeakColumnCache.top[0][0]);
}

TEST_F(PeakPassTest, LinesJoinASpikeToItsNeighboursDotsDoNot)
{
    std::vector<int16_t> s(1000, 0);
    s[505] = 30000;   /* a single-sample spike in column 50 (10 frames per column) */
    load(1, s);
    PeakPass p = pass(0, 999, 1);
    peakComputeColumns(&p, 0, 99, buf.data());
    int16_t dotsTop51 = PeakColumnCache.top[0][51];
    p = pass(0, 999, 0);
    peakComputeColumns(&p, 0, 99, buf.data());
    EXPECT_LT(PeakColumnCache.top[0][50], PeakColumnCache.bottom[0][50]);
    EXPECT_EQ(dotsTop51, PeakColumnCache.top[0][51]);   /* the spike's column ends at 0 */
    /* A spike on a column's last frame carries into the next column in Lines only. */
    s.assign(1000, 0);
    s[508] = 30000;
    bclose();
    ASSERT_EQ(0, bopen(zt::tempPath("peaks2.tmp").c_str()));
    load(1, s);
    p = pass(0, 999, 0);
    peakComputeColumns(&p, 0, 99, buf.data());
    EXPECT_EQ(PeakColumnCache.top[0][50], PeakColumnCache.top[0][51]);
    p = pass(0, 999, 1);
    peakComputeColumns(&p, 0, 99, buf.data());
    EXPECT_LT(PeakColumnCache.top[0][50], PeakColumnCache.top[0][51]);
}

TEST_F(PeakPassTest, PumpInterruptsAndColumnsPastTheDataStayFlat)
{
    std::vector<int16_t> s(50, 20000);
    load(1, s);
    PeakPass p = pass(0, 99);      /* fewer frames than columns: S is raised to W */
    peakFlatColumns(&p, 0, 99);
    p.pump = 1;
    struct Ctx { int calls, stopAt; } ctx = {0, 30};
    p.ctx = &ctx;
    p.pumpFn = [](void *c, int column) {
        Ctx *x = (Ctx *)c;
        x->calls++;
        return column == x->stopAt ? 1 : 0;
    };
    EXPECT_EQ(30, peakComputeColumns(&p, 0, 99, buf.data()));
    EXPECT_EQ(4, ctx.calls);   /* columns 0, 10, 20, 30 */
    PeakGeom g;
    peakGeometry(&kArea, 1, 16, &g);
    EXPECT_EQ(peakSampleY(&g, 0, 20000), PeakColumnCache.top[0][29]);
    EXPECT_EQ(g.centre[0], PeakColumnCache.top[0][30]);
    ctx.stopAt = -1;
    EXPECT_EQ(100, peakComputeColumns(&p, 30, 99, buf.data()));
    EXPECT_EQ(peakSampleY(&g, 0, 20000), PeakColumnCache.top[0][49]);
    EXPECT_EQ(g.centre[0], PeakColumnCache.top[0][50]);   /* frame 50 is past the data */
    EXPECT_EQ(g.centre[0], PeakColumnCache.top[0][99]);
}

} // namespace
