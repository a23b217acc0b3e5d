/*
 * The level and time effects in the real program, driven through their menu entries and
 * dialogs: Normalize against sox's norm (and an absurd level refused), the Compressor/
 * Limiter's built-in "Limiter -1 dB" preset on a full-scale transient (never past its
 * ceiling, and equal to a numpy follower within one step), Echo against sox's echo with
 * its settings back after a restart, Noise generated with the exact length asked for, and
 * Cancel in the progress meter of a long compression undone bit for bit.  sox and Python
 * run natively (Wine starts Unix programs); their comparisons are skipped when missing.
 */
#include "zmodules.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace zm;   /* the module tests' shared helpers */
using zd::haveSox;
using zd::runNative;
using zd::unixPath;


const double kPi = 3.14159265358979323846;
const int kSave = 1151, kUndo = 102, kSelectAll = 115, kViewRange = 3147;
const int kPresetList = 1005, kPrPause = 3121;
const int kNormDb = 101, kNormLevel = 103, kNormLinked = 104, kNormDc = 105;
const int kCompThreshold = 101, kCompRatio = 102, kCompLookahead = 106, kCompCeiling = 107;
const int kEchoDelay = 101, kEchoDecay = 102, kEchoRatio = 103, kEchoRepeats = 105, kEchoDry = 106, kEchoWet = 107;
const int kNoisePink = 102, kNoiseDb = 104, kNoiseAmp = 106, kNoiseSeconds = 107, kNoiseSeed = 108;

/* ---- files, sox and numpy ---- */

/* Stereo 44.1 kHz: tones of different levels per channel and a little noise. */
std::vector<short> testSignal(unsigned frames, double left, double right)
{
    std::vector<short> s(frames * 2);
    unsigned seed = 12345;
    for (unsigned i = 0; i < frames; i++) {
        seed = seed * 1664525u + 1013904223u;
        double noise = ((int)(seed >> 20) - 2048) / 4.0;
        s[2 * i] = (short)lrint(left * sin(2 * kPi * 440 * i / 44100.0) + noise);
        s[2 * i + 1] = (short)lrint(right * sin(2 * kPi * 1234 * i / 44100.0) - noise);
    }
    return s;
}

/* ---- the program ---- */

using zm::Session;

/* Double-clicks the preset of that name; false when the list lacks it. */
bool loadPreset(HWND dlg, const std::string &name)
{
    for (int i = 0; i < lbCount(dlg); i++)
        if (lbText(dlg, i) == name) {
            HWND list = GetDlgItem(dlg, kPresetList);
            SendMessageA(list, LB_SETCURSEL, (WPARAM)i, 0);
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(kPresetList, LBN_DBLCLK), (LPARAM)list);
            return true;
        }
    return false;
}

/* The message box a module's dialog raised over itself (the dialog's own labels also have
   the message box's static id, so it is told apart by its handle); answered by a click. */
bool waitRefusal(zd::App &app, HWND dlg, zd::MsgBox *box)
{
    for (int t = 0; t < 5000; t += 20) {
        for (HWND d : app.dialogs())
            if (d != dlg && GetDlgItem(d, 0xFFFF) && GetDlgItem(d, IDOK)) {
                box->hwnd = d;
                box->caption = zd::windowText(d);
                box->text = zd::windowText(GetDlgItem(d, 0xFFFF));
                return true;
            }
        Sleep(20);
    }
    return false;
}

HWND waitMeter(zd::App &app, int timeoutMs)
{
    for (int t = 0; t < timeoutMs; t += 5) {
        for (HWND d : app.dialogs())
            if (GetDlgItem(d, kPrPause))
                return d;
        Sleep(5);
    }
    return NULL;
}

/* ---- 1. Normalize ---- */

TEST(EffectsDyn, NormalizeRefusesALevelAboveFullScaleThenMatchesSoxNorm)
{
    std::string dir = zd::freshDir("fx-norm");
    std::string in = dir + "\\in.wav", work = dir + "\\work.wav";
    std::vector<short> sig = testSignal(44100, 12000, 7000);
    ASSERT_TRUE(zd::writeWave(in, 44100, 16, 2, bytes(sig)));
    ASSERT_TRUE(zd::writeWave(work, 44100, 16, 2, bytes(sig)));
    Session s;
    ASSERT_TRUE(s.open(work));
    s.app.command(kSelectAll);
    HWND dlg = s.dialog("Normalize...", "Normalize");
    ASSERT_TRUE(dlg);
    zd::click(dlg, kNormDb);
    s.app.idle();
    zd::check(dlg, kNormLinked, true);
    zd::check(dlg, kNormDc, false);
    zd::setText(dlg, kNormLevel, "3");
    zd::click(dlg, IDOK);
    zd::MsgBox box;
    ASSERT_TRUE(waitRefusal(s.app, dlg, &box)) << "a level above 0 dB is refused";
    EXPECT_EQ("Normalize", box.caption);
    EXPECT_EQ("Enter a peak level from -60 to 0 decibels, or from 0.1 to 100 percent.", box.text);
    zd::click(box.hwnd, IDOK);
    ASSERT_TRUE(zd::waitGone(box.hwnd));
    ASSERT_TRUE(IsWindow(dlg)) << "the dialog stays open";
    zd::setText(dlg, kNormLevel, "-1");
    zd::screenshot("fx-normalize");
    s.ok(dlg);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Normalize"));
    std::vector<short> out = s.save();
    ASSERT_EQ(sig.size(), out.size());
    EXPECT_EQ((int)floor(32767 * pow(10, -1 / 20.0) + 0.5), peak(out)) << "the louder channel reaches -1 dB";
    EXPECT_EQ(0, zd::closeDiscarding(s.app));

    if (!haveSox(dir))
        GTEST_SKIP() << "sox is not installed: no comparison";
    ASSERT_TRUE(nativeOk(dir, "sox -D '" + unixPath(in) + "' '" + unixPath(dir + "\\sox.wav") + "' norm -1"));
    EXPECT_LE(maxDiff(readSamples(dir + "\\sox.wav"), out), 1) << "against sox norm -1";
}

/* ---- 2. Compressor/Limiter ---- */

const char *kCompScript = R"(
import sys, math, numpy as np
x = np.fromfile(sys.argv[1], dtype='<i2').astype(np.float64).reshape(-1, 2)
rate, thrdb, ratio, att, rel, mk, la, ceil = [float(a) for a in sys.argv[3:11]]
thr = 32767 * 10 ** (thrdb / 20)
ca = math.exp(-1 / (att / 1000 * rate)); cr = math.exp(-1 / (rel / 1000 * rate))
makeup = 10 ** (mk / 20); c = math.floor(32767 * 10 ** (ceil / 20))
n = len(x); L = int(la / 1000 * rate + 0.5)
d = np.concatenate([np.abs(x).max(axis=1), np.zeros(L)])
g = np.empty(n + L); env = 0.0
for i in range(n + L):
    v = d[i]
    env = v + (ca if v > env else cr) * (env - v)
    g[i] = makeup * (math.exp((1 / ratio - 1) * math.log(env / thr)) if env > thr else 1.0)
y = x * g[L:L + n, None]
y = np.where(y >= 0, np.floor(y + 0.5), -np.floor(-y + 0.5))
np.clip(y, -c, c).astype('<i2').tofile(sys.argv[2])
)";

TEST(EffectsDyn, TheBuiltInLimiterPresetHoldsItsCeilingOnAFullScaleTransient)
{
    std::string dir = zd::freshDir("fx-limit");
    std::string work = dir + "\\limit.wav";
    /* A quiet tone, then a full-scale square burst that starts at once, and a lone spike. */
    std::vector<short> sig(2 * 30000);
    for (int i = 0; i < 30000; i++) {
        short v = (short)lrint(3000 * sin(i * 0.05));
        if (i >= 10000 && i < 16000)
            v = (i / 25) % 2 ? 32767 : -32768;
        sig[2 * i] = v;
        sig[2 * i + 1] = (short)-v;
    }
    sig[2 * 22000] = -32768;
    ASSERT_TRUE(zd::writeWave(work, 44100, 16, 2, bytes(sig)));
    Session s;
    ASSERT_TRUE(s.open(work));
    s.app.command(kSelectAll);
    HWND dlg = s.dialog("Compressor/Limiter...", "Compressor/Limiter");
    ASSERT_TRUE(dlg);
    ASSERT_EQ(3, lbCount(dlg)) << "the built-in presets are there after a fresh start";
    EXPECT_EQ("Gentle 2:1", lbText(dlg, 0));
    EXPECT_EQ("Limiter -1 dB", lbText(dlg, 1));
    EXPECT_EQ("Voice 4:1", lbText(dlg, 2));
    ASSERT_TRUE(loadPreset(dlg, "Limiter -1 dB"));
    EXPECT_EQ("-1", zd::getText(dlg, kCompThreshold));
    EXPECT_EQ("1000", zd::getText(dlg, kCompRatio));
    EXPECT_EQ("2", zd::getText(dlg, kCompLookahead));
    EXPECT_EQ("-1", zd::getText(dlg, kCompCeiling));
    zd::screenshot("fx-compressor");
    s.ok(dlg);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Compressor/Limiter"));
    std::vector<short> out = s.save();
    ASSERT_EQ(sig.size(), out.size());
    EXPECT_LE(peak(out), 29203) << "floor(32767 * 10^(-1/20)): never past the ceiling";
    EXPECT_GE(peak(out), 29000) << "limited, not silenced";
    EXPECT_EQ(sig[2 * 100], out[2 * 100]) << "the quiet start is untouched";
    EXPECT_EQ(0, zd::closeDiscarding(s.app));

    std::string py = numpyPython(dir);
    if (py.empty())
        GTEST_SKIP() << "python3 with numpy is not installed: no comparison";
    std::string raw = dir + "\\in.raw", ref = dir + "\\ref.raw", script = dir + "\\comp.py";
    FILE *f = fopen(raw.c_str(), "wb");
    ASSERT_TRUE(f);
    fwrite(sig.data(), 2, sig.size(), f);
    fclose(f);
    ASSERT_TRUE(writeText(script, kCompScript));
    ASSERT_TRUE(nativeOk(dir, py + " '" + unixPath(script) + "' '" + unixPath(raw) + "' '" + unixPath(ref) +
                                  "' 44100 -1 1000 0.5 50 0 2 -1"));
    std::vector<short> want(sig.size());
    f = fopen(ref.c_str(), "rb");
    ASSERT_TRUE(f);
    want.resize(fread(want.data(), 2, want.size(), f));
    fclose(f);
    EXPECT_LE(maxDiff(want, out), 1) << "against the numpy follower and curve";
}

/* ---- 3. Echo, and its settings after a restart ---- */

TEST(EffectsDyn, EchoMatchesSoxEchoAndItsSettingsComeBackAfterARestart)
{
    std::string dir = zd::freshDir("fx-echo");
    std::string settings = zd::freshDir("fx-echo-settings");
    std::string in = dir + "\\in.wav", work = dir + "\\echo.wav";
    std::vector<short> sig = testSignal(44100, 14000, 9000);
    ASSERT_TRUE(zd::writeWave(in, 44100, 16, 2, bytes(sig)));
    ASSERT_TRUE(zd::writeWave(work, 44100, 16, 2, bytes(sig)));
    std::vector<short> out;
    {
        Session s;
        ASSERT_TRUE(s.open(work, settings));
        s.app.command(kSelectAll);
        HWND dlg = s.dialog("Echo...", "Echo");
        ASSERT_TRUE(dlg);
        zd::setText(dlg, kEchoDelay, "0");
        zd::click(dlg, IDOK);
        zd::MsgBox box;
        ASSERT_TRUE(waitRefusal(s.app, dlg, &box)) << "a delay of 0 ms is refused";
        EXPECT_EQ("Echo", box.caption);
        EXPECT_NE(std::string::npos, box.text.find("delay from 1 to 5000 milliseconds")) << box.text;
        zd::click(box.hwnd, IDOK);
        ASSERT_TRUE(zd::waitGone(box.hwnd));
        zd::click(dlg, kEchoRatio);
        s.app.idle();
        zd::setText(dlg, kEchoDelay, "100");
        zd::setText(dlg, kEchoDecay, "0.5");
        zd::setText(dlg, kEchoRepeats, "3");
        zd::setText(dlg, kEchoDry, "50");
        zd::setText(dlg, kEchoWet, "80");
        s.ok(dlg);
        ASSERT_TRUE(zd::waitUndo(s.app, "Undo Echo"));
        out = s.save();
        ASSERT_EQ(sig.size(), out.size()) << "the selection keeps its length";
        EXPECT_EQ(0, zd::closeDiscarding(s.app));
    }
    {
        Session s;
        ASSERT_TRUE(s.open(work, settings));
        HWND dlg = s.dialog("Echo...", "Echo");
        ASSERT_TRUE(dlg);
        EXPECT_EQ("100", zd::getText(dlg, kEchoDelay));
        EXPECT_EQ("0.5", zd::getText(dlg, kEchoDecay));
        EXPECT_EQ("3", zd::getText(dlg, kEchoRepeats));
        EXPECT_EQ("50", zd::getText(dlg, kEchoDry));
        EXPECT_EQ("80", zd::getText(dlg, kEchoWet));
        zd::click(dlg, IDCANCEL);
        ASSERT_TRUE(zd::waitGone(dlg));
        EXPECT_EQ(0, zd::closeDiscarding(s.app));
    }
    if (!haveSox(dir))
        GTEST_SKIP() << "sox is not installed: no comparison";
    /* out = 0.5 x + 0.8 (0.5 x[-100 ms] + 0.25 x[-200 ms] + 0.125 x[-300 ms]): sox's echo
       with gain-in 0.625 and gain-out 0.8; sox lets the tail ring on, so only the
       selection's length is compared. */
    ASSERT_TRUE(nativeOk(dir, "sox -D '" + unixPath(in) + "' '" + unixPath(dir + "\\sox.wav") +
                                  "' echo 0.625 0.8 100 0.5 200 0.25 300 0.125"));
    std::vector<short> sox = readSamples(dir + "\\sox.wav");
    ASSERT_GE(sox.size(), out.size());
    sox.resize(out.size());
    EXPECT_LE(maxDiff(sox, out), 1) << "against sox echo";
}

/* ---- 4. Noise ---- */

TEST(EffectsDyn, NoiseIsGeneratedWithTheLengthAskedForAndNeverPastItsAmplitude)
{
    std::string dir = zd::freshDir("fx-noise");
    std::string work = dir + "\\noise.wav";
    ASSERT_TRUE(zd::writeWave(work, 44100, 16, 1, std::vector<unsigned char>(2 * 500, 0)));
    Session s;
    ASSERT_TRUE(s.open(work));
    selectRange(s.app, 0, 499);
    HWND dlg = s.dialog("Noise...", "Noise");
    ASSERT_TRUE(dlg);
    zd::click(dlg, kNoisePink);
    zd::click(dlg, kNoiseDb);
    s.app.idle();
    zd::setText(dlg, kNoiseAmp, "-6");
    zd::setText(dlg, kNoiseSeconds, "2.5");
    zd::setText(dlg, kNoiseSeed, "7");
    s.ok(dlg);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Generate Noise"));
    std::vector<short> n = s.save();
    ASSERT_EQ(110250u, n.size()) << "the 500 frames became exactly 2.5 s";
    EXPECT_LE(peak(n), 16422) << "floor(32767 * 10^(-6/20))";
    EXPECT_GE(peak(n), 5000) << "not silence";
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

/* ---- 5. Cancel during a long run ---- */

TEST(EffectsDyn, CancelDuringALongCompressionIsUndoneBitForBit)
{
    std::string dir = zd::freshDir("fx-cancel");
    std::string work = dir + "\\long.wav", back = dir + "\\back.wav";
    std::vector<short> sig = testSignal(44100 * 60, 30000, 25000);   /* a minute of stereo */
    ASSERT_TRUE(zd::writeWave(work, 44100, 16, 2, bytes(sig)));
    Session s;
    ASSERT_TRUE(s.open(work));
    s.app.command(kSelectAll);
    HWND dlg = s.dialog("Compressor/Limiter...", "Compressor/Limiter");
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(loadPreset(dlg, "Voice 4:1"));
    s.ok(dlg);
    HWND meter = waitMeter(s.app, 20000);
    ASSERT_TRUE(meter) << "no progress meter came up";
    zd::click(meter, kPrPause);
    for (int t = 0; t < 2000 && zd::getText(meter, kPrPause) != "Continue"; t += 10)
        Sleep(10);
    ASSERT_EQ("Continue", zd::getText(meter, kPrPause)) << "the run finished before it could be paused";
    zd::click(meter, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(meter, 10000));
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Compressor/Limiter", 20000));
    /* The cancelled run changed the start and left the end alone. */
    std::string partial = dir + "\\partial.wav";
    ASSERT_TRUE(zd::saveAs(s.app, partial));
    zd::settle(s.app);
    std::vector<short> cut = readSamples(partial);
    ASSERT_EQ(sig.size(), cut.size());
    EXPECT_FALSE(std::equal(sig.begin(), sig.begin() + 2 * 8192, cut.begin())) << "the first piece was compressed";
    EXPECT_TRUE(std::equal(sig.end() - 2 * 44100, sig.end(), cut.end() - 2 * 44100)) << "the last second was not reached";
    s.app.command(kUndo);
    ASSERT_TRUE(zd::waitUndo(s.app, "Can't Undo", 20000));
    ASSERT_TRUE(zd::saveAs(s.app, back));
    zd::settle(s.app);
    std::vector<short> restored = readSamples(back);
    ASSERT_EQ(sig.size(), restored.size());
    EXPECT_TRUE(sig == restored) << "Undo brings back every sample";
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

} // namespace
