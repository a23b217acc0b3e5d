/*
 * The ruler's step choice: plain 1-2-5 and 1-3-6 steps, the time table with its label
 * precision and minor ticks, the frame formats below two seconds, the search that widens the
 * step until labels fit (also past the 300-second table end), and the label texts.
 */
#include "view/ruler.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string>

namespace {

RulerParams params(unsigned flags, double first, double last, int width = 600, uint32_t rate = 44100, int fps = 30)
{
    RulerParams p;
    p.flags = flags;
    p.first = first;
    p.last = last;
    p.width = width;
    p.maxLabels = width / 60;
    p.rate = rate;
    p.fps = fps;
    return p;
}

RulerScale step(unsigned flags, double rawSeconds, uint32_t rate = 1000, int fps = 30)
{
    RulerParams p = params(flags, 0, 1e6, 600, rate, fps);
    RulerScale s;
    rulerChooseStep(&p, rawSeconds * rate, &s);
    return s;
}

int charWidth(void *, const char *text) { return 6 * (int)strlen(text); }

TEST(RulerSteps, PlainValuesExceedTheRawStep)
{
    RulerParams p = params(0, 3, 1000);
    RulerScale s;
    rulerChooseStep(&p, 0.5, &s);
    EXPECT_EQ(1, s.step);
    EXPECT_EQ(5, s.minor);
    rulerChooseStep(&p, 1.0, &s);
    EXPECT_EQ(2, s.step);
    EXPECT_EQ(2, s.minor);
    rulerChooseStep(&p, 37, &s);
    EXPECT_EQ(50, s.step);
    EXPECT_EQ(5, s.minor);
    EXPECT_EQ(10, s.first);   /* the start rounded up to the power of ten in use */
    p.flags = RULER_TWELVE;
    rulerChooseStep(&p, 20, &s);
    EXPECT_EQ(36, s.step);
    EXPECT_EQ(2, s.minor);
    rulerChooseStep(&p, 2.5, &s);
    EXPECT_EQ(3, s.step);
    EXPECT_EQ(2, s.minor);
}

TEST(RulerSteps, TimeTableRoundsDown)
{
    struct { double raw, step; int precision, minor; } cases[] = {
        {400, 300, 1, 1}, {300, 300, 1, 1}, {299, 120, 1, 2}, {59, 30, 1, 2}, {7, 5, 10, 5},
        {1.5, 1, 10, 2}, {0.7, 0.5, 10, 5}, {0.03, 0.02, 100, 2}, {0.006, 0.005, 1000, 5},
        {0.0001, 0.001, 1000, 2},
    };
    for (const auto &c : cases) {
        RulerScale s = step(RULER_TIME, c.raw);
        EXPECT_DOUBLE_EQ(c.step, s.stepSeconds) << c.raw;
        EXPECT_EQ(c.precision, s.precision) << c.raw;
        EXPECT_EQ(c.minor, s.minor) << c.raw;
    }
    /* Past the table: whole multiples of 300 s, growing with the raw step. */
    EXPECT_DOUBLE_EQ(900, step(RULER_TIME, 1000).stepSeconds);
    EXPECT_DOUBLE_EQ(3000, step(RULER_TIME, 3100).stepSeconds);
}

TEST(RulerSteps, FrameFormatsBelowTwoSeconds)
{
    /* From 2 s up: the time table with precision 1. */
    RulerScale s = step(RULER_FRAMES, 7);
    EXPECT_DOUBLE_EQ(5, s.stepSeconds);
    EXPECT_EQ(1, s.precision);
    /* 1..2 s: one second; minor ticks 2 for an even rate, else its smallest divisor. */
    EXPECT_EQ(2, step(RULER_FRAMES, 1.5, 1000, 30).minor);
    EXPECT_EQ(3, step(RULER_FRAMES, 1.5, 1000, 15).minor);
    EXPECT_EQ(2, step(RULER_FRAMES, 1.5, 1000, 7).minor);
    /* 2/r..1 s: d/r with d the largest divisor of r up to r/2 not above the raw step. */
    s = step(RULER_FRAMES, 0.4, 1000, 30);   /* 10/30 <= 0.4 < 15/30 */
    EXPECT_DOUBLE_EQ(10.0 / 30, s.stepSeconds);
    EXPECT_EQ(2, s.minor);
    s = step(RULER_SMPTE | RULER_FRAMES, 0.9, 1000, 7);   /* SMPTE searches at 30 */
    EXPECT_DOUBLE_EQ(15.0 / 30, s.stepSeconds);
    EXPECT_EQ(3, s.minor);
    /* Below 2/r: fractions of one frame. */
    s = step(RULER_FRAMES, 0.04, 1000, 30);
    EXPECT_DOUBLE_EQ(1.0 / 30, s.stepSeconds);
    EXPECT_EQ(1, s.precision);
    s = step(RULER_FRAMES, 0.02, 1000, 30);
    EXPECT_DOUBLE_EQ(0.5 / 30, s.stepSeconds);
    EXPECT_EQ(10, s.precision);
    s = step(RULER_FRAMES, 0.00001, 1000, 30);
    EXPECT_DOUBLE_EQ(0.01 / 30, s.stepSeconds);
    EXPECT_EQ(100, s.precision);
}

TEST(RulerLayout, LabelsEndUpApartAndTheSearchEnds)
{
    /* One hour at 44.1 kHz on 600 pixels. */
    RulerParams p = params(RULER_TIME | 0x52, 0, 3600.0 * 44100);
    RulerScale s;
    rulerLayout(&p, charWidth, NULL, &s);
    char label[48];
    rulerLabel(&p, &s, s.first, label, sizeof label);
    double distance = (p.width - 4) * s.step / (p.last - p.first);
    EXPECT_GT(distance, charWidth(NULL, label) + 8);
    EXPECT_GE(s.stepSeconds, 300);
    /* A huge range on a tiny strip still ends (beyond the 300 s table). */
    p = params(RULER_TIME, 0, 4294967295.0, 40, 8000);
    EXPECT_LT(rulerLayout(&p, charWidth, NULL, &s), 400);
    p = params(RULER_FRAMES | RULER_SMPTE, 0, 4294967295.0, 10, 1);
    EXPECT_LT(rulerLayout(&p, charWidth, NULL, &s), 400);
    /* Empty and reversed ranges. */
    p = params(0, 5, 5);
    EXPECT_LT(rulerLayout(&p, charWidth, NULL, &s), 400);
    p = params(RULER_TIME, 10, 0, 600, 0);
    EXPECT_LT(rulerLayout(&p, charWidth, NULL, &s), 400);
}

/* Every label the ruler prints, placed as the drawing places them, keeps at least 4 pixels
   clear of the next one: in every format, at every width, also where the labels grow
   longer along the range (samples 0, 10000, 20000, ...; minutes 9:59 to 10:00). */
TEST(RulerLayout, LabelsNeverOverlapInAnyFormatOrWidth)
{
    const unsigned kinds[] = {0x52, RULER_TIME | 0x52, RULER_FRAMES | 0x52, RULER_FRAMES | RULER_SMPTE | 0x52};
    const struct {
        double first, last;
        uint32_t rate;
    } ranges[] = {
        {0, 88199, 22050},            /* the demo sound: 5-digit sample labels */
        {0, 1323000, 22050},          /* a minute: 6 and 7 digits */
        {95000, 105000, 44100},       /* labels cross from 5 to 6 digits */
        {0, 44100.0 * 700, 44100},    /* past ten minutes */
        {26000000, 26500000, 44100},  /* 9:50 to 10:01 */
        {0, 300, 8000},               /* fewer frames than pixels */
    };
    const int widths[] = {120, 290, 604, 634, 1000, 1274, 1910};
    for (unsigned flags : kinds)
        for (const auto &r : ranges)
            for (int width : widths) {
                RulerParams p = params(flags, r.first, r.last, width, r.rate, 30);
                RulerScale s;
                rulerLayout(&p, charWidth, NULL, &s);
                double scale = (p.width - 4) / (p.last - p.first);
                int prevEnd = -1000;
                std::string prev;
                for (double v = s.first; v <= p.last; v += s.step) {
                    if (v < p.first)
                        continue;
                    char label[48];
                    rulerLabel(&p, &s, v, label, sizeof label);
                    int x = 2 + (int)floor((v - p.first) * scale + 0.5) + 2;
                    EXPECT_GE(x, prevEnd + 4) << "flags " << flags << " width " << width << " range "
                                              << r.first << ".." << r.last << ": \"" << prev << "\" then \""
                                              << label << "\"";
                    prevEnd = x + charWidth(NULL, label);
                    prev = label;
                }
            }
}

TEST(RulerLabels, TextsByKind)
{
    char t[48];
    RulerParams p = params(RULER_TIME, 0, 1e6, 600, 1000);
    RulerScale s = step(RULER_TIME, 0.03);
    rulerLabel(&p, &s, 61250, t, sizeof t);
    EXPECT_STREQ("1:01.25", t);
    s = step(RULER_TIME, 30);
    rulerLabel(&p, &s, 90000, t, sizeof t);
    EXPECT_STREQ("1:30", t);
    p.flags = RULER_FRAMES;
    s = step(RULER_FRAMES, 0.5);
    rulerLabel(&p, &s, 61500, t, sizeof t);
    EXPECT_STREQ("1:01:15", t);
    s = step(RULER_FRAMES, 0.02);   /* half a frame */
    rulerLabel(&p, &s, 1000.0 / 60, t, sizeof t);
    EXPECT_STREQ("0:00:00.5", t);
    p.flags = RULER_FRAMES | RULER_SMPTE;
    s = step(p.flags, 5);
    rulerLabel(&p, &s, 60000, t, sizeof t);
    EXPECT_STREQ("0:59:28", t);
    p.flags = 0;
    s = step(0, 10);
    rulerLabel(&p, &s, 120, t, sizeof t);
    EXPECT_STREQ("120", t);
}

} // namespace
