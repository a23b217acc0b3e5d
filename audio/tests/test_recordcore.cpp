/*
 * The window-free half of recording and of the level meter: where returned buffers land
 * (short buffers leave no gap), the limit, the space budget and the size ratio; the meter's
 * settings bounds, measuring blocks (a -20 dBFS sine reads -20 dB, a full-scale block clips,
 * 8-bit silence is silence, the DC offset is taken off), the bar fraction and the markers.
 */
#include "audio/recordcore.h"
#include "audio/metercore.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

namespace {

/* ---- 1. Recording: buffer sizes ---- */

TEST(RecordCore, BufferSizeIsAMultipleOf4096OrTheDurationInWholeFrames)
{
    /* 44100 x 4 x 4.0 / 8 = 88200, + 4093 = 92293, low 12 bits off = 90112. */
    EXPECT_EQ(90112u, recBufferSize(44100, 4, 4.0, 8, 0));
    EXPECT_EQ(0u, recBufferSize(44100, 4, 4.0, 8, 0) % 4096);
    /* 11025 mono 8-bit, 4 s over 8: 5512 + 4093 = 9605 -> 8192. */
    EXPECT_EQ(8192u, recBufferSize(11025, 1, 4.0, 8, 0));
    /* Monitoring: 10 ms of 44100 stereo 16-bit is 441 frames. */
    EXPECT_EQ(441u * 4, recBufferSize(44100, 4, 4.0, 8, 10));
    EXPECT_EQ(110u * 2, recBufferSize(11025, 2, 4.0, 8, 10));   /* 220.5 bytes -> 110 frames */
    EXPECT_EQ(0u, recBufferSize(44100, 0, 4.0, 8, 0));
}

/* ---- 2. Recording: where buffers land ---- */

TEST(RecordCore, ShortBuffersLeaveNoGapAndTheLimitStopsAtExactlyZero)
{
    Rec.bufferSize = 4096;
    recBegin(1000, REC_NOLIMIT);
    uint32_t off = 0x66666666;
    EXPECT_EQ(4096u, recAccept(0, 4096, &off));
    EXPECT_EQ(1000u, off);
    EXPECT_EQ(100u, recAccept(1, 100, &off));     /* a short buffer */
    EXPECT_EQ(1000u + 4096, off);
    EXPECT_EQ(4096u, recAccept(2, 4096, &off));   /* written right after the short one */
    EXPECT_EQ(1000u + 4096 + 100, off);
    EXPECT_EQ(4096u + 100 + 4096, Rec.total);
    EXPECT_EQ(4096u - 100, Rec.shortfall);

    Rec.budget = 0x7FFFFFFF;
    Rec.ratio = 1.0;
    recBegin(0, 5000);
    EXPECT_EQ(4096u, recAccept(0, 4096, &off));
    EXPECT_EQ(0, recMustStop());
    EXPECT_EQ(904u, recAccept(1, 4096, &off));
    EXPECT_EQ(4096u, off);
    EXPECT_EQ(0u, Rec.limit);
    EXPECT_EQ(1, recMustStop());
    EXPECT_EQ(0u, recAccept(2, 4096, &off));
}

/* ---- 3. Recording: space ---- */

TEST(RecordCore, BudgetRatioAndRemainingFollowTheTemporaryDrive)
{
    EXPECT_EQ(1000000 + 500000, recSpaceBudget(1000000, 1.0, 500000));
    EXPECT_EQ(500000 + 500000, recSpaceBudget(1000000, 2.0, 500000));
    EXPECT_EQ(0x7FFFFFFF, recSpaceBudget(0, 1.0, 1ull << 40));   /* held to 32 bits */

    Rec.budget = 10000000;
    Rec.ratio = 1.0;
    recRefreshRatio(0, 1);            /* no file size: unchanged */
    EXPECT_EQ(1.0, Rec.ratio);
    recRefreshRatio(3000000, 8000000);   /* 3 MB of data took 2 MB of disk */
    EXPECT_DOUBLE_EQ(1.5, Rec.ratio);
    recRefreshRatio(3000000, 10000000);  /* as much free as the budget: 1.0 */
    EXPECT_EQ(1.0, Rec.ratio);
    recRefreshRatio(900000000, 9000000); /* held to 10 */
    EXPECT_EQ(10.0, Rec.ratio);
    recRefreshRatio(1, 0);               /* held to 0.001 */
    EXPECT_EQ(0.001, Rec.ratio);

    /* Every ninth buffer, and never while the drive does not compress: the ratio then stays
       what it was. */
    recBegin(0, REC_NOLIMIT);
    int due = 0;
    for (int i = 0; i < 100; i++)
        due += recRatioDue(0);
    EXPECT_EQ(0, due);
    for (int i = 1; i <= 27; i++)
        if (recRatioDue(1))
            EXPECT_EQ(0, i % 9) << i;

    Rec.bufferSize = 4096;
    Rec.ratio = 1.0;
    recBegin(4000, REC_NOLIMIT);
    Rec.budget = 4000 + REC_RESERVE + 8192;
    uint32_t off;
    recAccept(0, 4096, &off);
    EXPECT_EQ(4096, recRemaining());
    EXPECT_EQ(0, recMustStop());
    recAccept(1, 4096, &off);
    EXPECT_EQ(0, recRemaining());
    EXPECT_EQ(0, recMustStop());
    recAccept(2, 1, &off);
    EXPECT_EQ(1, recMustStop());
}

/* ---- 4. Meter: settings ---- */

std::map<std::string, int> iniValues;
int fakeGet(const char *key, int def)
{
    auto it = iniValues.find(key);
    return it == iniValues.end() ? def : it->second;
}

TEST(MeterCore, SettingsKeepTheirBounds)
{
    iniValues.clear();
    meterLoadSettings(fakeGet);
    EXPECT_EQ(0, Meter.set.showOnPlay);
    EXPECT_EQ(1, Meter.set.dcAdjust);
    EXPECT_EQ(60, Meter.set.range);
    EXPECT_EQ(1000, Meter.set.fadeTime);
    EXPECT_EQ(1500, Meter.set.peakTime);
    EXPECT_EQ(2500, Meter.set.valleyTime);
    iniValues = {{"Range", 3}, {"FadeTime", 0}, {"PeakTime", -5}, {"ValleyTime", 0}};
    meterLoadSettings(fakeGet);
    EXPECT_EQ(5, Meter.set.range);
    EXPECT_EQ(1000, Meter.set.fadeTime);
    EXPECT_EQ(1500, Meter.set.peakTime);
    EXPECT_EQ(0, Meter.set.valleyTime);
    iniValues = {{"Range", 500}};
    meterLoadSettings(fakeGet);
    EXPECT_EQ(120, Meter.set.range);
    EXPECT_EQ(6, meterClampRange(3));
    EXPECT_EQ(120, meterClampRange(121));
    /* A range of 5 is shown as 12 once the meter updates. */
    Meter.set.range = 5;
    meterReset();
    meterAdvance(0, 0.5, 100, 0, 100);
    EXPECT_EQ(12, Meter.set.range);
    iniValues.clear();
    meterLoadSettings(fakeGet);
}

/* ---- 5. Meter: measuring ---- */

std::vector<unsigned char> sine16(double dbfs, int channels, int frames, double hz = 1000, int rate = 44100)
{
    std::vector<unsigned char> b((size_t)frames * channels * 2);
    double a = 32767.0 * pow(10.0, dbfs / 20.0);
    for (int i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++) {
            int16_t s = (int16_t)lround(a * sin(2 * 3.14159265358979323846 * hz * i / rate + c));
            b[(i * channels + c) * 2] = (unsigned char)(s & 0xFF);
            b[(i * channels + c) * 2 + 1] = (unsigned char)((s >> 8) & 0xFF);
        }
    return b;
}

TEST(MeterCore, MinusTwentyDbSineReadsMinusTwentyAndFullScaleClips)
{
    meterReset();
    Meter.dc[0] = Meter.dc[1] = 0;
    Meter.dcCount = 0;
    Meter.dcSum[0] = Meter.dcSum[1] = 0;
    /* Half a buffer of a 997 Hz tone: 256 frames looked at, spread over the block. */
    std::vector<unsigned char> b = sine16(-20.0, 2, 8820, 997);
    double l = -1, r = -1;
    ASSERT_EQ(0, meterMeasure(b.data(), (uint32_t)b.size(), 16, 2, &l, &r));
    EXPECT_NEAR(-200, meterDb10(l), 3);
    EXPECT_NEAR(-200, meterDb10(r), 3);
    int clip = 0;
    EXPECT_NEAR((60.0 - 20.0) / 60.0, meterFraction(l, 60, &clip), 0.01);
    EXPECT_EQ(0, clip);

    std::vector<unsigned char> full = sine16(0.0, 1, 4410, 1000);
    full[0] = 0xFF;
    full[1] = 0x7F;   /* 32767 at the first frame, which is always looked at */
    ASSERT_EQ(0, meterMeasure(full.data(), (uint32_t)full.size(), 16, 1, &l, &r));
    EXPECT_GE(l, 1.0);
    clip = 0;
    EXPECT_EQ(1.0, meterFraction(l, 60, &clip));
    EXPECT_EQ(1, clip);
    /* Too little to measure. */
    EXPECT_EQ(1, meterMeasure(full.data(), 3, 16, 1, &l, &r));
    EXPECT_EQ(1, meterMeasure(full.data(), 8, 16, 2, &l, &r));
}

TEST(MeterCore, EightBitSilenceIsSilenceAndDcIsTakenOff)
{
    meterReset();
    Meter.set.dcAdjust = 1;
    Meter.dc[0] = Meter.dc[1] = 0;
    Meter.dcCount = 0;
    Meter.dcSum[0] = Meter.dcSum[1] = 0;
    std::vector<unsigned char> quiet(2000, 128);
    double l = -1, r = -1;
    ASSERT_EQ(0, meterMeasure(quiet.data(), 2000, 8, 1, &l, &r));
    EXPECT_EQ(0.0, l);
    EXPECT_EQ(0.0, meterFraction(l, 60, nullptr));

    /* A constant 16-bit offset of 1000: after more than 400 frames it is the DC offset, and
       the same block then reads as silence: an empty bar, not a full one. */
    Meter.dcCount = 0;
    Meter.dcSum[0] = Meter.dcSum[1] = 0;
    std::vector<unsigned char> dc(4 * 4096);
    for (size_t i = 0; i < dc.size(); i += 2) {
        dc[i] = 1000 & 0xFF;
        dc[i + 1] = 1000 >> 8;
    }
    ASSERT_EQ(0, meterMeasure(dc.data(), 4096, 16, 2, &l, &r));   /* 256 frames */
    EXPECT_NEAR(1000 / 32767.0, l, 1e-9);
    ASSERT_EQ(0, meterMeasure(dc.data(), 4096, 16, 2, &l, &r));   /* 512 > 400: offset taken */
    EXPECT_EQ(1000, Meter.dc[0]);
    EXPECT_EQ(1000, Meter.dc[1]);
    ASSERT_EQ(0, meterMeasure(dc.data(), 4096, 16, 2, &l, &r));
    EXPECT_EQ(0.0, l);
    EXPECT_EQ(0.0, r);
    Meter.set.dcAdjust = 0;
    ASSERT_EQ(0, meterMeasure(dc.data(), 4096, 16, 2, &l, &r));
    EXPECT_EQ(0, Meter.dc[0]);
    Meter.set.dcAdjust = 1;
}

/* ---- 6. Meter: the bar and its markers ---- */

TEST(MeterCore, BarFallsAtTheFadeRateAndStaticPeaksHoldUntilCleared)
{
    meterReset();
    Meter.clip[0] = Meter.clip[1] = 0;
    Meter.barX[0] = 10;
    Meter.set.range = 60;
    Meter.set.fadeTime = 1000;
    Meter.set.peakTime = 1500;
    /* Full level at t=0: bar across 10..110, the peak marker at its end. */
    MeterChange c = meterAdvance(0, 0.999, 0, 10, 110);
    EXPECT_EQ(10, c.oldX);
    EXPECT_EQ(109, c.newX);
    EXPECT_EQ(109, c.peakDraw);
    meterFinish(0);
    /* Silence 250 ms later: the bar falls a quarter of the width, the peak stays. */
    c = meterAdvance(0, 0.0, 250, 10, 110);
    EXPECT_NEAR(0.75, Meter.shown[0], 0.01);
    EXPECT_EQ(-1, c.peakErase);
    meterFinish(250);
    /* 1500 ms after it was set the peak goes. */
    c = meterAdvance(0, 0.0, 1500, 10, 110);
    EXPECT_EQ(109, c.peakErase);
    EXPECT_EQ(0.0, Meter.shown[0]);
    meterFinish(1500);

    /* Static peaks: never fall back until cleared. */
    meterReset();
    Meter.set.peakTime = 0;
    meterAdvance(0, 0.5, 0, 0, 100);
    meterFinish(0);
    int held = Meter.peakX[0];
    EXPECT_GT(held, 0);
    c = meterAdvance(0, 0.0, 100000, 0, 100);
    meterFinish(100000);
    EXPECT_EQ(-1, c.peakErase);
    EXPECT_EQ(held, Meter.peakX[0]);
    meterClearClips();
    c = meterAdvance(0, 0.0, 100001, 0, 100);
    EXPECT_EQ(held, c.peakErase);
    meterFinish(100001);
    EXPECT_EQ(0, Meter.set.peakTime);   /* back to static after the one clearing update */

    /* A full-scale level lights the clip, which stays until cleared. */
    meterReset();
    meterAdvance(1, 1.0, 0, 0, 100);
    meterFinish(0);
    EXPECT_EQ(1, Meter.clip[1]);
    meterAdvance(1, 0.0, 5000, 0, 100);
    EXPECT_EQ(1, Meter.clip[1]);
    meterClearClips();
    EXPECT_EQ(0, Meter.clip[1]);
    Meter.set.peakTime = 1500;
}

TEST(MeterCore, ValleysFollowTheLowestBarWhenShown)
{
    meterReset();
    Meter.set.showValleys = 1;
    Meter.set.valleyTime = 2500;
    meterAdvance(0, 1e-3, 0, 0, 100);   /* -60 dB over 60: bar at 0 */
    meterFinish(0);
    EXPECT_EQ(0, Meter.valleyX[0]);
    MeterChange c = meterAdvance(0, 0.5, 3000, 0, 100);
    EXPECT_EQ(0, c.valleyErase);
    meterFinish(3000);
    Meter.set.showValleys = 0;
}

} // namespace
