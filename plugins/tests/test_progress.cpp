/* The progress meter's estimate text: hours, minutes and seconds with their singular forms. */
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include <stddef.h>
#include <stdint.h>

void progressEtaText(uint32_t seconds, char *out, size_t size);
uint32_t progressEtaSeconds(uint32_t elapsed, double percent);

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

} // namespace
