/*
 * Selection, zoom and scrolling arithmetic on a 600-column area: pixel to frame, the
 * highlight rectangle (both channels and one), normalising, every scroll command at both
 * ends, zoom in/out/full with their enabling, keyboard edge moves, the channel zones, the
 * range bar's thumb and a click right of the last frame.
 */
#include "view/select.h"

#include <gtest/gtest.h>

namespace {

class SelectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        docInit();
        View = ViewState();
        View.area = {4, 30, 604, 230};
        View.bar = {4, 250, 604, 258};
    }
    void TearDown() override { vocSetFormat(1, 16, 0); Wave.editChannel = 0; }
    static void wave(uint32_t frames, int channels = 1)
    {
        vocSetFormat((uint16_t)channels, 16, frames * 2u * channels);
        Wave.editChannel = 0;
        Doc.viewStart = 0;
        Doc.viewEnd = frames ? frames - 1 : DOC_NONE;
        Doc.selStart = 0;
        Doc.selEnd = DOC_NONE;
    }
    static void view(uint32_t s, uint32_t e) { Doc.viewStart = s; Doc.viewEnd = e; }
    static void sel(uint32_t s, uint32_t e) { Doc.selStart = s; Doc.selEnd = e; }
};

TEST_F(SelectTest, PixelToFrameAndSelectionRectAgree)
{
    wave(60000);
    EXPECT_EQ(0u, PixelToFrame(4));
    EXPECT_EQ(100u, PixelToFrame(5));
    EXPECT_EQ(30000u, PixelToFrame(304));
    sel(1000, 1999);   /* columns 10..19 */
    ViewRect r;
    SelectionRect(&r);
    EXPECT_EQ(14, r.left);
    EXPECT_EQ(24, r.right);
    EXPECT_EQ(31, r.top);
    EXPECT_EQ(230, r.bottom);
    sel(0, 59999);
    SelectionRect(&r);
    EXPECT_EQ(4, r.left);
    EXPECT_EQ(604, r.right);
    sel(5000, 4999);   /* the cursor: zero width */
    SelectionRect(&r);
    EXPECT_EQ(r.left, r.right);
    /* A selection beyond the view is clamped to the area. */
    view(10000, 19999);
    sel(0, 59999);
    SelectionRect(&r);
    EXPECT_EQ(4, r.left);
    EXPECT_EQ(604, r.right);
}

TEST_F(SelectTest, OneChannelHighlightsItsHalf)
{
    wave(60000, 2);
    sel(0, 100);
    Wave.editChannel = 1;
    ViewRect r;
    SelectionRect(&r);
    EXPECT_EQ(31, r.top);
    EXPECT_EQ((230 + 30 + 1) / 2 - 1, r.bottom);
    Wave.editChannel = 2;
    SelectionRect(&r);
    EXPECT_EQ((230 + 30 + 1) / 2 + 1, r.top);
    EXPECT_EQ(230, r.bottom);
}

TEST_F(SelectTest, NormalizeKeepsAtLeastOneFramePerColumn)
{
    wave(0);
    NormalizeView();
    EXPECT_EQ(0u, Doc.viewStart);
    EXPECT_EQ(600u, Doc.viewEnd);
    EXPECT_EQ(DOC_NONE, Doc.selEnd);
    wave(100000);
    view(99900, 99999);
    sel(99950, 99960);
    NormalizeView();
    EXPECT_EQ(99999u - 600, Doc.viewStart);   /* moved left to fit 600 frames */
    EXPECT_EQ(99999u, Doc.viewEnd);
    wave(300);   /* shorter than the area: starts at 0, W frames */
    NormalizeView();
    EXPECT_EQ(0u, Doc.viewStart);
    EXPECT_EQ(600u, Doc.viewEnd);
    wave(100000);
    view(5000, 6000);
    sel(10, 20000);   /* the view grows to hold the selection */
    NormalizeView();
    EXPECT_EQ(10u, Doc.viewStart);
    EXPECT_EQ(20000u, Doc.viewEnd);
}

TEST_F(SelectTest, ScrollCommandsAtBothEnds)
{
    wave(100000);
    uint32_t s = 1000, e = 5999;
    ASSERT_TRUE(viewScrollRange(324, &s, &e));   /* page left past the start keeps the length */
    EXPECT_EQ(0u, s);
    EXPECT_EQ(4999u, e);
    EXPECT_FALSE(viewScrollRange(324, &s, &e));  /* already at the start: nothing */
    s = 90000, e = 94999;
    ASSERT_TRUE(viewScrollRange(325, &s, &e));
    EXPECT_EQ(95000u, s);
    EXPECT_EQ(99999u, e);
    ASSERT_FALSE(viewScrollRange(325, &s, &e));
    ASSERT_TRUE(viewScrollRange(326, &s, &e));
    EXPECT_EQ(0u, s);
    EXPECT_EQ(4999u, e);
    ASSERT_TRUE(viewScrollRange(327, &s, &e));
    EXPECT_EQ(95000u, s);
    EXPECT_EQ(99999u, e);
    ASSERT_TRUE(viewScrollRange(777, &s, &e));
    EXPECT_EQ(93750u, s);
    EXPECT_EQ(98749u, e);
    ASSERT_TRUE(viewScrollRange(778, &s, &e));
    EXPECT_EQ(95000u, s);
    EXPECT_EQ(99999u, e);
    /* The quarter step of a view near 4 G frames does not overflow. */
    wave(0x7FFFFFFFu / 2);
    s = 0, e = 0x3FFFFFFEu - 1;
    ASSERT_TRUE(viewScrollRange(778, &s, &e));
    EXPECT_GT(s, 0u);
}

TEST_F(SelectTest, ZoomInOutFullAndTheirEnabling)
{
    wave(60000);
    EXPECT_TRUE(viewCanZoomIn());
    EXPECT_FALSE(viewCanZoomOut());   /* the full view: the thumb spans the bar */
    EXPECT_FALSE(viewFullRange());
    sel(30000, 30099);   /* narrower than W: the view widens to 600 frames */
    ASSERT_TRUE(viewZoomInRange());
    EXPECT_EQ(30000u, Doc.viewStart);
    EXPECT_EQ(30600u, Doc.viewEnd);
    EXPECT_FALSE(viewCanZoomIn());   /* W + 1 frames or fewer */
    EXPECT_TRUE(viewCanZoomOut());
    ASSERT_TRUE(viewZoomOutRange());
    EXPECT_EQ(29400u, Doc.viewStart);
    EXPECT_EQ(31200u, Doc.viewEnd);
    ASSERT_TRUE(viewFullRange());
    EXPECT_EQ(0u, Doc.viewStart);
    EXPECT_EQ(59999u, Doc.viewEnd);
    /* No selection: around the cursor, a third of the length each side. */
    sel(30000, 29999);
    ASSERT_TRUE(viewZoomInRange());
    EXPECT_EQ(30000u - 19999, Doc.viewStart);
    EXPECT_EQ(30000u + 19999, Doc.viewEnd);
    viewFullRange();
    sel(100, 99);   /* near frame 0 the view starts at the cursor */
    ASSERT_TRUE(viewZoomInRange());
    EXPECT_EQ(100u, Doc.viewStart);
    EXPECT_EQ(100u + 19999, Doc.viewEnd);
}

TEST_F(SelectTest, KeyboardMovesTheEdges)
{
    wave(60000);   /* 100 frames per column */
    uint32_t s, e;
    sel(1000, 999);
    SelectionRect(&View.selRect);
    viewKeyMove(104, &s, &e);
    EXPECT_EQ(1100u, s);
    EXPECT_EQ(1099u, e);
    viewKeyMove(105, &s, &e);
    EXPECT_EQ(900u, s);
    viewKeyMove(106, &s, &e);   /* extends from the cursor */
    EXPECT_EQ(1000u, s);
    EXPECT_EQ(1099u, e);
    sel(1000, 1099);
    SelectionRect(&View.selRect);
    viewKeyMove(107, &s, &e);   /* back past the start: collapses to the cursor */
    EXPECT_EQ(999u, e);
    EXPECT_EQ(1000u, s);
    sel(1000, 1099);
    SelectionRect(&View.selRect);
    viewKeyMove(104, &s, &e);   /* the start passes the end */
    EXPECT_EQ(1100u, s);
    EXPECT_EQ(1099u, e);
    /* Limits: never before the view, never after the data. */
    sel(0, DOC_NONE);
    SelectionRect(&View.selRect);
    viewKeyMove(105, &s, &e);
    EXPECT_EQ(0u, s);
    sel(59999, 59999);
    SelectionRect(&View.selRect);
    viewKeyMove(106, &s, &e);
    EXPECT_EQ(59999u, e);
}

TEST_F(SelectTest, ChannelZonesLeanTowardTheCurrentChoice)
{
    wave(1000, 2);
    int top = 30, h = 200;
    EXPECT_EQ(1, viewChannelZone(top + h / 12 - 1, 0));
    EXPECT_EQ(0, viewChannelZone(top + h / 12 + 1, 0));
    EXPECT_EQ(2, viewChannelZone(230 - h / 12 + 1, 0));
    EXPECT_EQ(1, viewChannelZone(120, 1));   /* left stays left until just above the middle */
    EXPECT_EQ(0, viewChannelZone(125, 1));
    EXPECT_EQ(2, viewChannelZone(140, 2));
    EXPECT_EQ(0, viewChannelZone(100, 2));
}

TEST_F(SelectTest, ThumbAndDrop)
{
    wave(60100);
    int l, r;
    viewThumbSpan(&l, &r);
    EXPECT_EQ(4, l);
    EXPECT_EQ(604, r);
    view(30050, 45074);
    viewThumbSpan(&l, &r);
    EXPECT_EQ(4 + 300, l);
    viewThumbDropped(4 + 100, 4 + 250);
    EXPECT_EQ(10016u, Doc.viewStart);
    EXPECT_EQ(10016u + 15024, Doc.viewEnd);
    viewThumbDropped(500, 604);   /* touching the right end: the view ends at the last frame */
    EXPECT_EQ(60099u, Doc.viewEnd);
    EXPECT_EQ(60099u - 15024, Doc.viewStart);
}

TEST_F(SelectTest, ClickRightOfTheLastFrameGivesTheFrameAfterIt)
{
    wave(300);   /* fewer frames than columns */
    NormalizeView();
    int x = viewClampX(600);
    EXPECT_EQ(300u, PixelToFrame(x));
    wave(60000);
    x = viewClampX(2000);
    EXPECT_LE(PixelToFrame(x), 60000u);
    EXPECT_GE(PixelToFrame(x), 59900u);
}

} // namespace
