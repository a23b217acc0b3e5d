/* The progress meter's estimate text: hours, minutes and seconds with their singular forms. */
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include <stddef.h>
#include <stdint.h>

void progressEtaText(uint32_t seconds, char *out, size_t size);

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

} // namespace
