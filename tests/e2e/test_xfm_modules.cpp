/*
 * The bundled transform modules in the real program, driven through their menu entries and
 * dialogs: Amplify against sox's vol (percent and decibels), Tone's exact length and
 * measured frequency, Statistics against sox's stats, Fade's ends, settings that come back
 * after a restart, and presets added, reloaded after a restart and deleted.  sox runs
 * natively (Wine starts Unix programs); its comparisons are skipped when it is missing.
 */
#include "zmodules.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

namespace {

using namespace zm;   /* the module tests' shared helpers */
using zd::haveSox;
using zd::runNative;
using zd::unixPath;


const double kPi = 3.14159265358979323846;
const int kSave = 1151, kUndo = 102, kSelectAll = 115, kViewRange = 3147;
const int kAmpDb = 101, kAmpPercent = 102, kAmpLeft = 103, kAmpRight = 104, kAmpLock = 105;
const int kToneSquare = 102, kToneFreq = 105, kToneAmp = 106, kToneSeconds = 107;
const int kFadeOut = 102, kFadeScurve = 105;
const int kPresetList = 1005, kPresetName = 1006, kPresetAdd = 325, kPresetDel = 1109;

/* ---- files and sox ---- */

/* A stereo 16-bit 44.1 kHz test signal: tones of different levels per channel, a little
   noise, a DC shift on the right and a few full-scale samples. */
std::vector<short> testSignal(unsigned frames)
{
    std::vector<short> s(frames * 2);
    unsigned seed = 12345;
    for (unsigned i = 0; i < frames; i++) {
        seed = seed * 1664525u + 1013904223u;
        double noise = ((int)(seed >> 20) - 2048) / 4.0;
        double l = 20000 * sin(2 * kPi * 440 * i / 44100.0) + noise;
        double r = 9000 * sin(2 * kPi * 1234 * i / 44100.0) - noise + 1500;
        s[2 * i] = (short)lrint(l);
        s[2 * i + 1] = (short)lrint(r);
    }
    for (unsigned i = 1000; i < 1010; i++)
        s[2 * i] = i % 2 ? 32767 : -32768;
    return s;
}

/* ---- the program ---- */

using zm::Session;

/* Runs Amplify over the whole wave with one gain for both channels. */
void amplify(Session &s, int unitButton, const char *gain)
{
    s.app.command(kSelectAll);
    HWND dlg = s.dialog("Amplify...", "Amplify");
    ASSERT_TRUE(dlg);
    zd::click(dlg, unitButton);
    s.app.idle();
    zd::check(dlg, kAmpLock, true);
    zd::setText(dlg, kAmpLeft, gain);
    s.app.idle();
    zd::screenshot("xfm-amplify");
    s.ok(dlg);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Amplify"));
}

/* A click is posted to the dialog and handled after the messages sent to the program: wait
   for the list to reach the count the click should leave (or give up after 5 s). */
int lbCountAfter(HWND dlg, int want)
{
    for (int t = 0; t < 5000 && lbCount(dlg) != want; t += 20)
        Sleep(20);
    return lbCount(dlg);
}

/* ---- 1. Amplify ---- */

TEST(XfmModules, AmplifyFiftyPercentAndMinusSixDecibelsMatchSoxVol)
{
    std::string dir = zd::freshDir("xfm-amp");
    std::string in = dir + "\\in.wav", work = dir + "\\work.wav";
    std::vector<short> sig = testSignal(44100);
    ASSERT_TRUE(zd::writeWave(in, 44100, 16, 2, bytes(sig)));
    ASSERT_TRUE(zd::writeWave(work, 44100, 16, 2, bytes(sig)));
    Session s;
    ASSERT_TRUE(s.open(work));

    amplify(s, kAmpPercent, "50");
    std::vector<short> half = s.save();
    ASSERT_EQ(sig.size(), half.size());
    for (size_t i = 0; i < sig.size(); i++)   /* halves, rounded half away from zero */
        ASSERT_EQ((short)(sig[i] >= 0 ? (sig[i] + 1) / 2 : -((-sig[i] + 1) / 2)), half[i]) << i;

    s.app.command(kUndo);
    ASSERT_TRUE(zd::waitUndo(s.app, "Can't Undo"));
    amplify(s, kAmpDb, "-6");
    std::vector<short> minus6 = s.save();
    /* -6 dB is 0.501187, a little more than half. */
    EXPECT_EQ(16422, minus6[2 * 1001]) << "32767 at -6 dB";
    EXPECT_EQ(0, zd::closeDiscarding(s.app));

    if (!haveSox(dir))
        GTEST_SKIP() << "sox is not installed: no comparison";
    std::string u = unixPath(in);
    ASSERT_TRUE(runNative(dir, "sox -D '" + u + "' '" + unixPath(dir + "\\vol05.wav") + "' vol 0.5 && sox -D '" + u +
                                   "' '" + unixPath(dir + "\\vol6db.wav") + "' vol -6dB"));
    EXPECT_LE(maxDiff(readSamples(dir + "\\vol05.wav"), half), 1) << "50 % against sox vol 0.5";
    EXPECT_LE(maxDiff(readSamples(dir + "\\vol6db.wav"), minus6), 1) << "-6 dB against sox vol -6dB";
}

/* ---- 2. Tone ---- */

TEST(XfmModules, ToneOfOneKilohertzForHalfASecondHasThatLengthAndFrequency)
{
    std::string dir = zd::freshDir("xfm-tone");
    std::string work = dir + "\\tone.wav";
    ASSERT_TRUE(zd::writeWave(work, 44100, 16, 1, std::vector<unsigned char>(2 * 500, 0)));
    Session s;
    ASSERT_TRUE(s.open(work));
    selectRange(s.app, 0, 499);
    HWND dlg = s.dialog("Tone...", "Tone");
    ASSERT_TRUE(dlg);
    zd::setText(dlg, kToneFreq, "1000");
    zd::setText(dlg, kToneAmp, "50");
    zd::setText(dlg, kToneSeconds, "0.5");
    s.ok(dlg);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Generate Tone"));
    std::vector<short> t = s.save();
    ASSERT_EQ(22050u, t.size()) << "the 500 frames became exactly half a second";

    std::vector<double> rises;   /* upward zero crossings, interpolated */
    int peak = 0;
    for (size_t i = 1; i < t.size(); i++) {
        if (t[i - 1] < 0 && t[i] >= 0)
            rises.push_back(i - 1 + (double)-t[i - 1] / (t[i] - t[i - 1]));
        peak = std::max(peak, abs(t[i]));
    }
    ASSERT_GE(rises.size(), 400u);
    double period = (rises.back() - rises.front()) / (rises.size() - 1);
    EXPECT_NEAR(1000.0, 44100.0 / period, 0.1);
    EXPECT_NEAR(16384, peak, 10);
    EXPECT_EQ(0, t[0]);

    /* Once more as a square wave, in place of the tone (still selected). */
    dlg = s.dialog("Tone...", "Tone");
    ASSERT_TRUE(dlg);
    EXPECT_EQ("0.5", zd::getText(dlg, kToneSeconds)) << "the settings of the first run";
    zd::click(dlg, kToneSquare);
    zd::setText(dlg, kToneSeconds, "0.25");
    s.ok(dlg);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Generate Tone"));
    t = s.save();
    ASSERT_EQ(11025u, t.size());
    EXPECT_EQ(16384, t[0]);
    EXPECT_EQ(-16384, t[30]);
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

/* ---- 3. Statistics ---- */

struct Stats {
    double peakDb, rmsDb, dc;
    long clipped;
};

Stats statsOf(const std::vector<short> &s, int ch)
{
    double sum = 0, sq = 0;
    int peak = 0;
    long clipped = 0;
    size_t n = s.size() / 2;
    for (size_t i = 0; i < n; i++) {
        int v = s[2 * i + ch];
        sum += v;
        sq += (double)v * v;
        peak = std::max(peak, abs(v));
        clipped += v == 32767 || v == -32768;
    }
    return {20 * log10(peak / 32768.0), 20 * log10(sqrt(sq / n) / 32768.0), sum / n / 32768.0, clipped};
}

/* sox stats' value in a row ("Pk lev dB") for channel col (1 left, 2 right). */
double soxValue(const std::string &text, const char *row, int col)
{
    size_t at = text.find(row);
    if (at == std::string::npos)
        return NAN;
    const char *p = text.c_str() + at + strlen(row);
    double v = NAN;
    for (int i = 0; i <= col; i++) {
        char *end;
        v = strtod(p, &end);
        if (end == p)
            return NAN;
        p = end;
    }
    return v;
}

TEST(XfmModules, StatisticsShowWhatSoxStatsReports)
{
    std::string dir = zd::freshDir("xfm-stats");
    std::string in = dir + "\\stats.wav";
    std::vector<short> sig = testSignal(44100);
    ASSERT_TRUE(zd::writeWave(in, 44100, 16, 2, bytes(sig)));
    Session s;
    ASSERT_TRUE(s.open(in));
    s.app.command(kSelectAll);
    HWND dlg = s.dialog("Statistics...", "Statistics");
    ASSERT_TRUE(dlg);
    s.app.idle();
    zd::screenshot("xfm-statistics");
    double shown[2][4];
    for (int c = 0; c < 2; c++) {
        shown[c][0] = atof(zd::getText(dlg, 201 + 10 * c).c_str());
        shown[c][1] = atof(zd::getText(dlg, 203 + 10 * c).c_str());
        shown[c][2] = atof(zd::getText(dlg, 204 + 10 * c).c_str());
        shown[c][3] = atof(zd::getText(dlg, 205 + 10 * c).c_str());
        Stats want = statsOf(sig, c);
        EXPECT_NEAR(want.peakDb, shown[c][0], 0.006) << c;
        EXPECT_NEAR(want.rmsDb, shown[c][1], 0.006) << c;
        EXPECT_NEAR(want.dc, shown[c][2], 0.000001) << c;
        EXPECT_EQ(want.clipped, (long)shown[c][3]) << c;
    }
    EXPECT_EQ("Frames 0 to 44099 (44100 measured)", zd::getText(dlg, 230));
    s.ok(dlg);
    EXPECT_EQ("Can't Undo", zd::menuText(s.app, kUndo)) << "a tool changes nothing";
    EXPECT_EQ(0, zd::closeDiscarding(s.app));

    if (!haveSox(dir))
        GTEST_SKIP() << "sox is not installed: no comparison";
    std::string out = dir + "\\sox-stats.txt";
    ASSERT_TRUE(runNative(dir, "sox '" + unixPath(in) + "' -n stats 2> '" + unixPath(out) + "'"));
    FILE *f = fopen(out.c_str(), "rb");
    ASSERT_TRUE(f);
    std::string text(4096, 0);
    text.resize(fread(&text[0], 1, text.size(), f));
    fclose(f);
    for (int c = 0; c < 2; c++) {
        EXPECT_NEAR(soxValue(text, "Pk lev dB", c + 1), shown[c][0], 0.011) << text;
        EXPECT_NEAR(soxValue(text, "RMS lev dB", c + 1), shown[c][1], 0.011) << text;
        EXPECT_NEAR(soxValue(text, "DC offset", c + 1), shown[c][2], 0.000002) << text;
    }
}

/* ---- 4. Fade ---- */

TEST(XfmModules, FadeOutWithAnSCurveEndsInSilence)
{
    std::string dir = zd::freshDir("xfm-fade");
    std::string work = dir + "\\fade.wav";
    std::vector<short> flat(2 * 1001, 8000);
    ASSERT_TRUE(zd::writeWave(work, 8000, 16, 2, bytes(flat)));
    Session s;
    ASSERT_TRUE(s.open(work));
    s.app.command(kSelectAll);
    HWND dlg = s.dialog("Fade...", "Fade");
    ASSERT_TRUE(dlg);
    zd::click(dlg, kFadeOut);
    zd::click(dlg, kFadeScurve);
    s.app.idle();
    zd::screenshot("xfm-fade");
    s.ok(dlg);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Fade"));
    std::vector<short> f = s.save();
    ASSERT_EQ(flat.size(), f.size());
    EXPECT_EQ(8000, f[0]);
    EXPECT_EQ(4000, f[1000]) << "half way";
    EXPECT_EQ(0, f[2000]);
    for (size_t i = 2; i < f.size(); i += 2)
        ASSERT_LE(f[i], f[i - 2]) << i;
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

/* ---- 5. Settings and presets across restarts ---- */

TEST(XfmModules, SettingsComeBackAfterARestart)
{
    std::string dir = zd::freshDir("xfm-keep");
    std::string work = dir + "\\keep.wav";
    std::string settings = zd::freshDir("xfm-keep-settings");
    ASSERT_TRUE(zd::writeWave(work, 22050, 16, 2, bytes(testSignal(2000))));
    {
        Session s;
        ASSERT_TRUE(s.open(work, settings));
        s.app.command(kSelectAll);
        HWND dlg = s.dialog("Amplify...", "Amplify");
        ASSERT_TRUE(dlg);
        zd::click(dlg, kAmpPercent);
        s.app.idle();
        zd::check(dlg, kAmpLock, false);
        zd::setText(dlg, kAmpLeft, "37.5");
        zd::setText(dlg, kAmpRight, "80");
        s.ok(dlg);
        ASSERT_TRUE(zd::waitUndo(s.app, "Undo Amplify"));
        dlg = s.dialog("Tone...", "Tone");
        ASSERT_TRUE(dlg);
        zd::click(dlg, kToneSquare);
        zd::setText(dlg, kToneFreq, "250");
        zd::setText(dlg, kToneSeconds, "0.125");
        s.ok(dlg);
        ASSERT_TRUE(zd::waitUndo(s.app, "Undo Generate Tone"));
        EXPECT_EQ(0, zd::closeDiscarding(s.app));
    }
    Session s;
    ASSERT_TRUE(s.open(work, settings));
    HWND dlg = s.dialog("Amplify...", "Amplify");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(BST_CHECKED, SendMessageA(GetDlgItem(dlg, kAmpPercent), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(GetDlgItem(dlg, kAmpLock), BM_GETCHECK, 0, 0));
    EXPECT_EQ("37.5", zd::getText(dlg, kAmpLeft));
    EXPECT_EQ("80", zd::getText(dlg, kAmpRight));
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(dlg));
    dlg = s.dialog("Tone...", "Tone");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(BST_CHECKED, SendMessageA(GetDlgItem(dlg, kToneSquare), BM_GETCHECK, 0, 0));
    EXPECT_EQ("250", zd::getText(dlg, kToneFreq));
    EXPECT_EQ("0.125", zd::getText(dlg, kToneSeconds));
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(dlg));
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

TEST(XfmModules, PresetsAreAddedReloadedAfterARestartAndDeleted)
{
    std::string dir = zd::freshDir("xfm-presets");
    std::string work = dir + "\\p.wav";
    std::string settings = zd::freshDir("xfm-presets-settings");
    ASSERT_TRUE(zd::writeWave(work, 22050, 16, 1, std::vector<unsigned char>(2000, 0)));
    {
        Session s;
        ASSERT_TRUE(s.open(work, settings));
        HWND dlg = s.dialog("Amplify...", "Amplify");
        ASSERT_TRUE(dlg);
        zd::click(dlg, kAmpDb);
        zd::setText(dlg, kAmpLeft, "12");
        zd::setText(dlg, kPresetName, "Loud");
        zd::click(dlg, kPresetAdd);
        ASSERT_EQ(1, lbCountAfter(dlg, 1));
        zd::setText(dlg, kAmpLeft, "-3");
        zd::setText(dlg, kPresetName, "Soft");
        zd::click(dlg, kPresetAdd);
        EXPECT_EQ(2, lbCountAfter(dlg, 2));
        zd::click(dlg, IDCANCEL);
        ASSERT_TRUE(zd::waitGone(dlg));
        EXPECT_EQ(0, zd::closeDiscarding(s.app));
    }
    {
        Session s;
        ASSERT_TRUE(s.open(work, settings));
        HWND dlg = s.dialog("Amplify...", "Amplify");
        ASSERT_TRUE(dlg);
        ASSERT_EQ(2, lbCount(dlg));
        EXPECT_EQ("Loud", lbText(dlg, 0));
        EXPECT_EQ("Soft", lbText(dlg, 1));
        EXPECT_EQ("0", zd::getText(dlg, kAmpLeft)) << "cancelled: the gain was never confirmed";
        /* A double click on "Loud" loads its gain. */
        HWND list = GetDlgItem(dlg, kPresetList);
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(kPresetList, LBN_DBLCLK), (LPARAM)list);
        EXPECT_EQ("12", zd::getText(dlg, kAmpLeft));
        zd::setText(dlg, kPresetName, "Soft");
        zd::click(dlg, kPresetDel);
        EXPECT_EQ(1, lbCountAfter(dlg, 1));
        zd::click(dlg, IDCANCEL);
        ASSERT_TRUE(zd::waitGone(dlg));
        EXPECT_EQ(0, zd::closeDiscarding(s.app));
    }
    Session s;
    ASSERT_TRUE(s.open(work, settings));
    HWND dlg = s.dialog("Amplify...", "Amplify");
    ASSERT_TRUE(dlg);
    ASSERT_EQ(1, lbCount(dlg));
    EXPECT_EQ("Loud", lbText(dlg, 0));
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(dlg));
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

}  // namespace
