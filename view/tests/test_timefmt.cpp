/*
 * Time formats and status texts: the four formats at the positions users read most (frame
 * 0, whole seconds, minutes, the drop-frame minute), frame-digit widths by rate, and the
 * status field texts with and without a document, a selection and data.
 */
#include "view/timefmt.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string dec(uint32_t frame, uint32_t rate, int shortForm = 0)
{
    char t[32];
    memset(t, 0x66, sizeof t);
    FormatDecimal(frame, rate, t, sizeof t, shortForm);
    return t;
}

std::string frm(uint32_t frame, uint32_t rate, int fps, int smpte, int count = 0, int shortForm = 0)
{
    char t[32];
    memset(t, 0x66, sizeof t);
    FormatFrames(frame, rate, fps, t, sizeof t, shortForm, smpte, count);
    return t;
}

TEST(TimeFormats, FrameZeroInEveryFormat)
{
    EXPECT_EQ(" 0:00.000", dec(0, 44100));
    EXPECT_EQ("0:00:00", frm(0, 44100, 30, 0));
    EXPECT_EQ("0:00:00", frm(0, 44100, 30, 1));
    EXPECT_EQ("0", frm(0, 44100, 30, 0, 1));
    EXPECT_EQ("0", frm(0, 44100, 30, 1, 1));
}

TEST(TimeFormats, DecimalMinutesSecondsMilliseconds)
{
    EXPECT_EQ(" 1:30.702", dec(4000000, 44100));
    EXPECT_EQ(" 0:01.000", dec(44100, 44100));
    EXPECT_EQ(" 1:30", dec(4000000, 44100, 1));
    EXPECT_EQ("61:00.000", dec(61 * 60 * 8000, 8000));
    /* The remainder times 1000 passes 32 bits at very high rates. */
    EXPECT_EQ(" 0:00.999", dec(4294967294u, 4294967295u));
    EXPECT_EQ(" 0:05.000", dec(5, 0));   /* a zero rate does not divide by zero */
}

TEST(TimeFormats, CustomFramesDigitsFollowTheRate)
{
    EXPECT_EQ("0:01:15", frm(44100 + 22050, 44100, 30, 0));
    EXPECT_EQ("0:01:4", frm(44100 + 22050, 44100, 9, 0));
    EXPECT_EQ("0:01:050", frm(44100 + 22050, 44100, 100, 0));
    EXPECT_EQ("1:00", frm(60 * 44100 + 10, 44100, 30, 0, 0, 1));
    EXPECT_EQ("45", frm(66150, 44100, 30, 0, 1));   /* 1.5 s at 30 frames */
}

TEST(TimeFormats, SmpteDropFrame)
{
    /* One minute of real time is 1798.2 frames at 29.97: label 0:59:28. */
    EXPECT_EQ("0:59:28", frm(60 * 44100, 44100, 30, 1));
    EXPECT_EQ("1798", frm(60 * 44100, 44100, 30, 1, 1));
    /* Ten minutes: 17982 frames, with 18 labels skipped, show 10:00:00. */
    EXPECT_EQ("10:00:00", frm(600 * 48000, 48000, 30, 1));
    /* Just past the first minute boundary the labels skip ;00 and ;01. */
    uint32_t frame1800 = (uint32_t)(1800.5 / 29.97 * 48000);
    EXPECT_EQ("1:00:02", frm(frame1800, 48000, 30, 1));
    /* Minutes run on past 59: there is no hours field. */
    EXPECT_EQ("70:00:00", frm(4200u * 8000u, 8000, 30, 1));
}

StatusInput doc(uint32_t selStart, uint32_t selEnd)
{
    StatusInput in;
    in.open = 1;
    in.rate = 44100;
    in.bits = 16;
    in.channels = 2;
    in.dataBytes = 44100 * 4 * 10;
    in.selStart = selStart;
    in.selEnd = selEnd;
    in.viewStart = 0;
    in.viewEnd = 44100 * 10 - 1;
    in.begMode = in.endMode = in.lenMode = 0;
    in.fps = 30;
    return in;
}

TEST(StatusTexts, NoDocumentShowsCaptionsOnly)
{
    StatusInput in = doc(0, 0);
    in.open = 0;
    StatusTexts t;
    timeStatusTexts(&in, &t);
    EXPECT_STREQ("", t.format);
    EXPECT_STREQ("", t.count);
    EXPECT_STREQ("", t.size);
    EXPECT_STREQ(" Beg:", t.beg);
    EXPECT_STREQ(" End:", t.end);
    EXPECT_STREQ(" Time:", t.time);
}

TEST(StatusTexts, SelectionInEachFormat)
{
    StatusInput in = doc(44100, 88199);
    StatusTexts t;
    timeStatusTexts(&in, &t);
    EXPECT_STREQ(" 44100 / 16 bit / Stereo", t.format);
    EXPECT_STREQ(" 441000 Samples", t.count);
    EXPECT_STREQ(" 1722 K", t.size);
    EXPECT_STREQ(" Beg:  0:01.000", t.beg);
    EXPECT_STREQ(" End:  0:01.999", t.end);
    EXPECT_STREQ(" Time:  0:01.000", t.time);
    in.begMode = in.endMode = in.lenMode = TIME_SAMPLES;
    timeStatusTexts(&in, &t);
    EXPECT_STREQ(" Beg: 44100", t.beg);
    EXPECT_STREQ(" End: 88199", t.end);
    EXPECT_STREQ(" Time: 44100", t.time);
    in.begMode = in.endMode = in.lenMode = TIME_FRAMES;
    timeStatusTexts(&in, &t);
    EXPECT_STREQ(" Beg: 0:01:00 f", t.beg);
    EXPECT_STREQ(" End: 0:01:29 f", t.end);
    EXPECT_STREQ(" Time: 30 frms", t.time);
    in.begMode = in.endMode = in.lenMode = TIME_SMPTE;
    timeStatusTexts(&in, &t);
    EXPECT_STREQ(" Beg: 0:00:29 d", t.beg);
    EXPECT_STREQ(" Time: 29 frms", t.time);
    /* Fields keep their own formats. */
    in.begMode = TIME_SAMPLES;
    in.endMode = TIME_DECIMAL;
    timeStatusTexts(&in, &t);
    EXPECT_STREQ(" Beg: 44100", t.beg);
    EXPECT_STREQ(" End:  0:01.999", t.end);
}

TEST(StatusTexts, CursorShowsViewLengthAndEmptyData)
{
    StatusInput in = doc(500, 499);
    in.begMode = in.lenMode = TIME_SAMPLES;
    in.viewStart = 100;
    in.viewEnd = 0xFFFFFFF0u;   /* clamped to the last frame */
    StatusTexts t;
    timeStatusTexts(&in, &t);
    EXPECT_STREQ(" Beg: 500", t.beg);
    EXPECT_STREQ(" End:", t.end);
    EXPECT_STREQ(" Time: 440900", t.time);
    in = doc(0, 0xFFFFFFFFu);
    in.dataBytes = 0;
    in.channels = 1;
    in.bits = 8;
    timeStatusTexts(&in, &t);
    EXPECT_STREQ(" 44100 / 8 bit / Mono", t.format);
    EXPECT_STREQ(" 0 Samples", t.count);
    EXPECT_STREQ(" 0 K", t.size);
}

} // namespace
