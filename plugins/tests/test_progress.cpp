/* The progress meter's estimate text (hours, minutes and seconds with their singular forms)
   and how often its steps reach the screen and the message queue. */
#include <algorithm>
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include <stddef.h>
#include <stdint.h>

#include "plugins/progress.h"

namespace {

std::string eta(uint32_t s)
{
    char out[96];
    progressEtaText(s, out, sizeof out);
    return out;
}

TEST(ProgressEta, UnitsAndSingulars)
{
    EXPECT_EQ("ETA: 1 Hour 2 Minutes 5 Seconds", eta(3725));
    EXPECT_EQ("ETA: 1 Minute ", eta(60));
    EXPECT_EQ("ETA: 1 Second", eta(1));
    EXPECT_EQ("ETA: ", eta(0));
    EXPECT_EQ("ETA: 2 Hours 1 Second", eta(7201));
    EXPECT_EQ("ETA: 59 Minutes 59 Seconds", eta(3599));
    /* The largest value still fits and does not overrun a short buffer. */
    char small[12];
    progressEtaText(0xFFFFFFFFu, small, sizeof small);
    EXPECT_EQ(11u, strlen(small));
}

/* The estimate at the end of an operation: 100 % done leaves nothing (shown as 1 second),
   whatever rounding the division makes; it used to wrap to "1193 Hours 2 Minutes 48 Seconds". */
TEST(ProgressEta, FullyDoneNeverWraps)
{
    for (uint32_t elapsed = 0; elapsed < 200000; elapsed += 7) {
        ASSERT_EQ(1u, progressEtaSeconds(elapsed, 100.0)) << elapsed;
        ASSERT_EQ(1u, progressEtaSeconds(elapsed, 100.0 * (1 - 1e-15))) << elapsed;
    }
    /* A done count rounded past the total is taken as 100 %. */
    EXPECT_EQ(1u, progressEtaSeconds(5000, 100.0000001));
    /* Ordinary estimates: 10 s at 25 % leaves 30 s (+1). */
    EXPECT_EQ(31u, progressEtaSeconds(10000, 25.0));
    EXPECT_EQ(11u, progressEtaSeconds(10000, 50.0));
    /* A tiny percentage after a long time saturates instead of overflowing. */
    EXPECT_EQ(0xFFFFFFFFu, progressEtaSeconds(0xFFFFFFF0u, 1e-9));
    char text[96];
    progressEtaText(progressEtaSeconds(86400000u, 100.0), text, sizeof text);
    EXPECT_STREQ("ETA: 1 Second", text);
}

/* A long operation steps every few microseconds: the meter must not redraw or pump on each
   step, yet must let Cancel through well within 100 ms and must show each whole percent at
   most every 50 ms. */
TEST(ProgressGate, ShowsRarelyPumpsOften)
{
    ProgressGate g;
    memset(&g, 0, sizeof g);
    EXPECT_EQ(PROGRESS_SHOW, progressGate(&g, 1000, 0.0));   /* the first step shows */
    int shows = 0, pumps = 0;
    uint32_t lastPump = 1000, lastShow = 1000, longestGap = 0;
    double shownAt = 0.0;
    /* 10 seconds of steps every millisecond, 10 % a second. */
    for (uint32_t t = 1; t <= 10000; t++) {
        double percent = t / 100.0;
        int what = progressGate(&g, 1000 + t, percent);
        if (what != PROGRESS_NOTHING) {
            pumps++;
            longestGap = std::max(longestGap, 1000 + t - lastPump);
            lastPump = 1000 + t;
        }
        if (what == PROGRESS_SHOW) {
            shows++;
            EXPECT_GE(1000 + t - lastShow, PROGRESS_SHOW_MS);
            EXPECT_GE(percent - shownAt, 1.0);
            lastShow = 1000 + t;
            shownAt = percent;
        }
    }
    EXPECT_LE(longestGap, 50u);            /* Cancel is seen within 50 ms of a step */
    EXPECT_GE(pumps, 10000 / 50);
    EXPECT_LE(pumps, 10000 / (int)PROGRESS_PUMP_MS + 1);
    /* The bar still moves about once a percent: shows fall on pump ticks, so each step of
       the bar is a little over 1 %. */
    EXPECT_GE(shows, 80);
    EXPECT_LE(shows, 100);

    /* Fast work: 1 % every millisecond shows at most every 50 ms. */
    memset(&g, 0, sizeof g);
    progressGate(&g, 0, 0.0);
    shows = 0;
    for (uint32_t t = 1; t <= 100; t++)
        shows += progressGate(&g, t, t * 1.0) == PROGRESS_SHOW;
    EXPECT_LE(shows, 2);
    /* The tick count wraps without stalling the pump. */
    memset(&g, 0, sizeof g);
    progressGate(&g, 0xFFFFFFF0u, 0.0);
    EXPECT_NE(PROGRESS_NOTHING, progressGate(&g, 0x30u, 50.0));
}

} // namespace
