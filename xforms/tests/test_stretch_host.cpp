/*
 * Stretch as other parts of the program call it: in the real transform host, silently,
 * through CreateXfmVars, SetXfmVar (mode and ratio at their documented offsets), CallXfm
 * (showProgress 0) and DeleteXfmVars.  A pitch shift keeps the length and moves a steady
 * tone by the asked interval (within 0.5 %), leaving the frames around the range alone; a
 * tempo change hands back the new range and moves what follows.
 */
#include "xfmfixture.h"

#include <math.h>

namespace {

const double kPi = 3.14159265358979323846;

/* The stored frames as interleaved 16-bit samples. */
std::vector<int16_t> frames16()
{
    std::vector<int16_t> w(Wave.dataLength / 2);
    if (!w.empty())
        vocRead(w.data(), 0, (uint32_t)w.size() * 2);
    return w;
}

/* A stereo 44.1 kHz wave: `pad` frames of a ramp, then a 440 Hz tone for `tone` frames,
   then `pad` frames of the ramp again. */
std::vector<int16_t> openTone(uint32_t pad, uint32_t tone)
{
    std::vector<int16_t> s;
    for (uint32_t i = 0; i < pad; i++)
        s.insert(s.end(), {(int16_t)(i * 7), (int16_t)-(int)(i * 5)});
    for (uint32_t i = 0; i < tone; i++) {
        int16_t v = (int16_t)lrint(12000 * sin(2 * kPi * 440 * i / 44100.0));
        s.insert(s.end(), {v, v});
    }
    for (uint32_t i = 0; i < pad; i++)
        s.insert(s.end(), {(int16_t)(i * 3), (int16_t)(i * 2)});
    EXPECT_EQ(0, tempStoreSetup(2, 44100, 16));
    EXPECT_EQ(0, vocAppend(s.data(), (uint32_t)s.size() * 2));
    Doc.viewStart = 0;
    Doc.viewEnd = docFrames() - 1;
    return s;
}

double frequency(const std::vector<int16_t> &s, size_t from, size_t to)
{
    std::vector<double> rises;
    for (size_t i = from + 1; i < to; i++) {
        double a = s[2 * (i - 1)], b = s[2 * i];
        if (a < 0 && b >= 0)
            rises.push_back(i - 1 + -a / (b - a));
    }
    return rises.size() < 2 ? 0 : 44100.0 * (rises.size() - 1) / (rises.back() - rises.front());
}

TEST_F(XfmTest, StretchCalledSilentlyShiftsThePitchAndKeepsTheLength)
{
    std::string dir = moduleDir("stretch", {"stretch"});
    ASSERT_EQ(1, xfmScan(dir.c_str(), 32, NULL));
    const uint32_t pad = 3000, tone = 44100;
    std::vector<int16_t> before = openTone(pad, tone);
    HGLOBAL vars = CreateXfmVars("Stretch");
    ASSERT_TRUE(vars != NULL);
    ASSERT_EQ(28u, GlobalSize(vars) >= 28 ? 28u : (unsigned)GlobalSize(vars));
    const unsigned char *fresh = (const unsigned char *)GlobalLock(vars);
    long mode, unit;
    double ratio;
    memcpy(&mode, fresh, 4);
    memcpy(&ratio, fresh + 4, 8);
    memcpy(&unit, fresh + 12, 4);
    GlobalUnlock(vars);
    EXPECT_EQ(1, mode) << "fresh settings shift the pitch";
    EXPECT_EQ(1, unit) << "in semitones";
    EXPECT_EQ(0.0, ratio);

    double semitones = 7;
    SetXfmVar(vars, 4, 8, &semitones);
    uint8_t result[XFM_RESULT_SIZE];
    memset(result, 0x66, sizeof result);
    EXPECT_EQ(1, CallXfm("Stretch", vars, pad, pad + tone - 1, 0, result));
    XfmContext *back = (XfmContext *)result;
    EXPECT_EQ(pad, back->start);
    EXPECT_EQ(pad + tone - 1, back->end);
    EXPECT_EQ(0u, Progress.silentOwner) << "given back";
    EXPECT_EQ(NULL, GetModuleHandleA("stretch.xfm"));

    std::vector<int16_t> after = frames16();
    ASSERT_EQ(before.size(), after.size()) << "the length is kept";
    for (size_t i = 0; i < 2 * pad; i++) {
        ASSERT_EQ(before[i], after[i]) << i;
        ASSERT_EQ(before[before.size() - 1 - i], after[after.size() - 1 - i]) << i;
    }
    double want = 440 * pow(2, 7 / 12.0);
    EXPECT_NEAR(want, frequency(after, pad + 2000, pad + tone - 2000), want * 0.005);

    /* Down an octave, told in percent. */
    long percent = 0;
    double half = 50;
    SetXfmVar(vars, 12, 4, &percent);
    SetXfmVar(vars, 4, 8, &half);
    EXPECT_EQ(1, CallXfm("Stretch", vars, pad, pad + tone - 1, 0, NULL));
    after = frames16();
    ASSERT_EQ(before.size(), after.size());
    EXPECT_NEAR(want / 2, frequency(after, pad + 2000, pad + tone - 2000), want / 2 * 0.005);
    EXPECT_EQ(0, DeleteXfmVars("Stretch", vars));
}

TEST_F(XfmTest, StretchCalledForTempoHandsBackTheNewRange)
{
    std::string dir = moduleDir("stretch-tempo", {"stretch"});
    ASSERT_EQ(1, xfmScan(dir.c_str(), 32, NULL));
    const uint32_t pad = 2500, tone = 30001;
    std::vector<int16_t> before = openTone(pad, tone);
    HGLOBAL vars = CreateXfmVars("Stretch");
    ASSERT_TRUE(vars != NULL);
    for (double pct : {125.0, 80.0}) {
        std::vector<int16_t> now = frames16();
        uint32_t n = (uint32_t)(now.size() / 2) - 2 * pad;
        long tempo = 0, percent = 0;
        SetXfmVar(vars, 0, 4, &tempo);
        SetXfmVar(vars, 12, 4, &percent);
        SetXfmVar(vars, 4, 8, &pct);
        uint8_t result[XFM_RESULT_SIZE];
        EXPECT_EQ(1, CallXfm("Stretch", vars, pad, pad + n - 1, 0, result));
        uint32_t m = (uint32_t)floor(n / (pct / 100) + 0.5);
        XfmContext *back = (XfmContext *)result;
        EXPECT_EQ(pad, back->start);
        EXPECT_EQ(pad + m - 1, back->end) << pct;
        std::vector<int16_t> after = frames16();
        ASSERT_EQ(now.size() + 2 * ((int64_t)m - n), after.size()) << pct;
        for (size_t i = 0; i < 2 * pad; i++) {
            ASSERT_EQ(now[i], after[i]) << i;
            ASSERT_EQ(now[now.size() - 1 - i], after[after.size() - 1 - i]) << pct << " " << i;
        }
        EXPECT_NEAR(440, frequency(after, pad + 2000, pad + m - 2000), 440 * 0.005) << pct;
    }
    EXPECT_EQ(0, DeleteXfmVars("Stretch", vars));
}

}  // namespace
