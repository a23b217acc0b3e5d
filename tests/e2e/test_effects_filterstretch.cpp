/*
 * FFT Filter and Stretch in the real program, through their menu entries and dialogs:
 * the built-in low-pass preset against sox's sinc filter (tone levels and noise spectrum),
 * refusals of absurd values, presets added once and kept across a restart, a tempo change
 * against sox's tempo with Undo bringing the original back bit for bit, and Cancel in the
 * progress meter leaving what Undo restores.  sox runs natively (Wine starts Unix
 * programs); its comparisons are skipped when it is missing.
 */
#include "zmodules.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <complex>
#include <string>
#include <vector>

namespace {

using namespace zm;   /* the module tests' shared helpers */
using zd::haveSox;
using zd::runNative;
using zd::unixPath;


const double kPi = 3.14159265358979323846;
const int kSave = 1151, kUndo = 102, kSelectAll = 115;
const int kPresetList = 1005, kPresetName = 1006, kPresetDel = 1109;
const int kFftTaps = 103, kFftFlat = 104;
const int kStTempo = 101, kStRatio = 104, kStPercent = 105, kStWindow = 107;

struct Session : zm::Session {
    /* OK pressed on a dialog that must refuse: the message box's text; the dialog stays. */
    std::string refused(HWND dlg, const char *caption)
    {
        zd::click(dlg, IDOK);
        zd::MsgBox box;
        if (!app.waitMessageBox(&box, 8000))
            return "";
        EXPECT_EQ(caption, box.caption);
        zd::click(box.hwnd, IDOK);
        EXPECT_TRUE(zd::waitGone(box.hwnd));
        EXPECT_TRUE(IsWindow(dlg)) << "the dialog stays open";
        return box.text;
    }
};

/* Clicks a radio button and waits until the dialog has taken the click (a click is posted,
   text set later is sent and would overtake it). */
void choose(HWND dlg, int id)
{
    zd::click(dlg, id);
    for (int t = 0; t < 5000 && SendMessageA(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) != BST_CHECKED; t += 10)
        Sleep(10);
    EXPECT_EQ(BST_CHECKED, SendMessageA(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0)) << id;
}

int lbFind(HWND dlg, const std::string &name)
{
    for (int i = 0; i < lbCount(dlg); i++)
        if (lbText(dlg, i) == name)
            return i;
    return -1;
}

/* ---- measuring ---- */

/* Amplitude of the tone at hz in channel ch over frames [from, from + 44100 k). */
double toneAmplitude(const std::vector<short> &s, int ch, double hz, size_t from, size_t frames)
{
    double c = 0, q = 0;
    for (size_t i = from; i < from + frames; i++) {
        double v = s[2 * i + ch];
        c += v * cos(2 * kPi * hz * i / 44100.0);
        q += v * sin(2 * kPi * hz * i / 44100.0);
    }
    return 2 * sqrt(c * c + q * q) / frames;
}

void fft(std::vector<std::complex<double>> &a)
{
    size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; i++) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        std::complex<double> w(cos(-2 * kPi / len), sin(-2 * kPi / len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> wk(1);
            for (size_t k = 0; k < len / 2; k++, wk *= w) {
                std::complex<double> u = a[i + k], v = a[i + k + len / 2] * wk;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

/* Welch power spectrum of channel ch over [from, to): Hann windows of 8192, half overlap. */
std::vector<double> spectrum(const std::vector<short> &s, int ch, size_t from, size_t to)
{
    const size_t n = 8192;
    std::vector<double> p(n / 2 + 1, 0);
    int segs = 0;
    for (size_t at = from; at + n <= to; at += n / 2, segs++) {
        std::vector<std::complex<double>> a(n);
        for (size_t i = 0; i < n; i++)
            a[i] = s[2 * (at + i) + ch] * (0.5 - 0.5 * cos(2 * kPi * i / n));
        fft(a);
        for (size_t k = 0; k <= n / 2; k++)
            p[k] += std::norm(a[k]);
    }
    for (double &v : p)
        v /= segs ? segs : 1;
    return p;
}

/* Power in dB of the bins between lo and hi Hz, leaving out 40 Hz around each tone. */
double bandDb(const std::vector<double> &p, double lo, double hi, std::initializer_list<double> tones)
{
    double sum = 1e-30;
    for (size_t k = 0; k < p.size(); k++) {
        double f = k * 44100.0 / 8192;
        bool nearTone = false;
        for (double t : tones)
            nearTone |= fabs(f - t) < 40;
        if (f >= lo && f <= hi && !nearTone)
            sum += p[k];
    }
    return 10 * log10(sum);
}

double db(double ratio) { return 20 * log10(ratio); }

/* ---- 1. FFT Filter ---- */

/* Left: 500 and 3000 Hz, right: 700 and 5000 Hz, each 6000, over white noise of +-5000. */
std::vector<short> twoTones(size_t frames)
{
    std::vector<short> s(2 * frames);
    unsigned seed = 777;
    for (size_t i = 0; i < frames; i++) {
        double t = i / 44100.0;
        seed = seed * 1664525u + 1013904223u;
        double n1 = ((int)(seed >> 16) - 32768) * 5000.0 / 32768;
        seed = seed * 1664525u + 1013904223u;
        double n2 = ((int)(seed >> 16) - 32768) * 5000.0 / 32768;
        s[2 * i] = (short)lrint(6000 * sin(2 * kPi * 500 * t) + 6000 * sin(2 * kPi * 3000 * t) + n1);
        s[2 * i + 1] = (short)lrint(6000 * sin(2 * kPi * 700 * t) + 6000 * sin(2 * kPi * 5000 * t) + n2);
    }
    return s;
}

TEST(EffectsFilterStretch, LowPassPresetKeepsThePassbandAndStopsTheRestLikeSoxSinc)
{
    std::string dir = zd::freshDir("fx-lowpass");
    std::string in = dir + "\\in.wav", work = dir + "\\work.wav";
    std::vector<short> sig = twoTones(3 * 44100);
    ASSERT_TRUE(zd::writeWave(in, 44100, 16, 2, bytes(sig)));
    ASSERT_TRUE(zd::writeWave(work, 44100, 16, 2, bytes(sig)));
    Session s;
    ASSERT_TRUE(s.open(work));
    s.app.command(kSelectAll);
    HWND dlg = s.dialog("FFT Filter...", "FFT Filter");
    ASSERT_TRUE(dlg);
    ASSERT_EQ(4, lbCount(dlg)) << "the built-in presets are there at the first start";
    int lp = lbFind(dlg, "Low-pass 1000 Hz");
    ASSERT_GE(lp, 0);
    EXPECT_GE(lbFind(dlg, "High-pass 500 Hz"), 0);
    EXPECT_GE(lbFind(dlg, "Band-pass 300-3000 Hz"), 0);
    EXPECT_GE(lbFind(dlg, "Notch 1000 Hz"), 0);
    HWND list = GetDlgItem(dlg, kPresetList);
    SendMessageA(list, LB_SETCURSEL, (WPARAM)lp, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(kPresetList, LBN_DBLCLK), (LPARAM)list);
    s.app.idle();
    Sleep(300);
    zd::screenshot("fx-fftfilter-lowpass");
    zd::click(dlg, IDOK);
    ASSERT_TRUE(zd::waitGone(dlg, 8000));
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo FFT Filter", 60000));
    std::vector<short> ours = s.save();
    ASSERT_EQ(sig.size(), ours.size());
    EXPECT_EQ(0, zd::closeDiscarding(s.app));

    /* Measured on the middle second (tones) and the middle two seconds (spectrum). */
    const size_t mid = 44100, len = 44100;
    EXPECT_NEAR(0.0, db(toneAmplitude(ours, 0, 500, mid, len) / 6000), 0.5) << "500 Hz passes";
    EXPECT_NEAR(0.0, db(toneAmplitude(ours, 1, 700, mid, len) / 6000), 0.5) << "700 Hz passes";
    EXPECT_LT(db(toneAmplitude(ours, 0, 3000, mid, len) / 6000), -60.0) << "3000 Hz is stopped";
    EXPECT_LT(db(toneAmplitude(ours, 1, 5000, mid, len) / 6000), -60.0) << "5000 Hz is stopped";
    std::vector<double> pin[2] = {spectrum(sig, 0, 22050, 110250), spectrum(sig, 1, 22050, 110250)};
    std::vector<double> pout[2] = {spectrum(ours, 0, 22050, 110250), spectrum(ours, 1, 22050, 110250)};
    for (int ch = 0; ch < 2; ch++) {
        EXPECT_NEAR(bandDb(pin[ch], 100, 800, {500, 700}), bandDb(pout[ch], 100, 800, {500, 700}), 0.5) << ch;
        EXPECT_LT(bandDb(pout[ch], 1500, 20000, {3000, 5000}) - bandDb(pin[ch], 1500, 20000, {3000, 5000}), -60.0)
            << ch;
    }
    printf("FFT Filter low-pass: 500 Hz %+.3f dB, 3000 Hz %.1f dB, stopband %.1f dB\n",
           db(toneAmplitude(ours, 0, 500, mid, len) / 6000), db(toneAmplitude(ours, 0, 3000, mid, len) / 6000),
           bandDb(pout[0], 1500, 20000, {3000, 5000}) - bandDb(pin[0], 1500, 20000, {3000, 5000}));

    if (!haveSox(dir))
        GTEST_SKIP() << "sox is not installed: no comparison";
    std::string ref = dir + "\\sinc.wav";
    ASSERT_TRUE(runNative(dir, "sox '" + unixPath(in) + "' '" + unixPath(ref) + "' sinc -1000"));
    std::vector<short> sox = readSamples(ref);
    ASSERT_GE(sox.size(), 2 * (mid + len));
    EXPECT_NEAR(db(toneAmplitude(sox, 0, 500, mid, len)), db(toneAmplitude(ours, 0, 500, mid, len)), 0.5);
    EXPECT_NEAR(db(toneAmplitude(sox, 1, 700, mid, len)), db(toneAmplitude(ours, 1, 700, mid, len)), 0.5);
    EXPECT_LT(db(toneAmplitude(sox, 0, 3000, mid, len) / 6000), -60.0) << "sox stops it too";
    for (int ch = 0; ch < 2; ch++) {
        std::vector<double> ps = spectrum(sox, ch, 22050, 110250);
        EXPECT_NEAR(bandDb(ps, 100, 800, {500, 700}), bandDb(pout[ch], 100, 800, {500, 700}), 0.5) << ch;
        printf("channel %d stopband: ours %.1f dB, sox %.1f dB\n", ch,
               bandDb(pout[ch], 1500, 20000, {3000, 5000}) - bandDb(pin[ch], 1500, 20000, {3000, 5000}),
               bandDb(ps, 1500, 20000, {3000, 5000}) - bandDb(pin[ch], 1500, 20000, {3000, 5000}));
    }
}

TEST(EffectsFilterStretch, FilterRefusesAbsurdValuesAndKeepsItsPresetsAndLengthAcrossARestart)
{
    std::string dir = zd::freshDir("fx-refuse");
    std::string work = dir + "\\r.wav";
    std::string settings = zd::freshDir("fx-refuse-settings");
    /* A curve of one point (a hand-edited or damaged setting). */
    zd::writeIni(settings + "\\zelo.ini", "Profile", "FFT Filter", "0,1,0,0,0");
    ASSERT_TRUE(zd::writeWave(work, 22050, 16, 1, bytes(std::vector<short>(4000, 1000))));
    {
        Session s;
        ASSERT_TRUE(s.open(work, settings));
        s.app.command(kSelectAll);
        HWND dlg = s.dialog("FFT Filter...", "FFT Filter");
        ASSERT_TRUE(dlg);
        EXPECT_EQ(4, lbCount(dlg)) << "the built-in presets were added";
        /* A built-in preset deleted stays deleted, even when the first dialog is cancelled. */
        zd::setText(dlg, kPresetName, "Notch 1000 Hz");
        zd::click(dlg, kPresetDel);
        for (int t = 0; t < 5000 && lbCount(dlg) != 3; t += 20)
            Sleep(20);
        EXPECT_EQ(3, lbCount(dlg));
        zd::click(dlg, IDCANCEL);
        ASSERT_TRUE(zd::waitGone(dlg));
        dlg = s.dialog("FFT Filter...", "FFT Filter");
        ASSERT_TRUE(dlg);
        EXPECT_EQ(3, lbCount(dlg));
        EXPECT_EQ(-1, lbFind(dlg, "Notch 1000 Hz"));
        EXPECT_EQ("0", zd::getText(dlg, kFftTaps)) << "Cancel kept the length as it was";
        zd::setText(dlg, kFftTaps, "3");
        EXPECT_EQ("Enter the filter length as a whole number of taps from 15 to 65535, or 0 to take it from the sample rate.",
                  s.refused(dlg, "FFT Filter"));
        zd::setText(dlg, kFftTaps, "2001");
        EXPECT_EQ("The response curve has no points. Draw a curve (at least a start and an end point) or pick a preset.",
                  s.refused(dlg, "FFT Filter"));
        zd::click(dlg, kFftFlat);
        s.app.idle();
        zd::click(dlg, IDOK);
        ASSERT_TRUE(zd::waitGone(dlg, 8000));
        ASSERT_TRUE(zd::waitUndo(s.app, "Undo FFT Filter", 30000));
        EXPECT_EQ(0, zd::closeDiscarding(s.app));
    }
    Session s;
    ASSERT_TRUE(s.open(work, settings));
    HWND dlg = s.dialog("FFT Filter...", "FFT Filter");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(3, lbCount(dlg));
    EXPECT_EQ(-1, lbFind(dlg, "Notch 1000 Hz"));
    EXPECT_EQ("2001", zd::getText(dlg, kFftTaps)) << "the length came back from the settings";
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(dlg));
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

/* ---- 2. Stretch ---- */

std::vector<short> sine(size_t frames, double hz, double amp)
{
    std::vector<short> s(2 * frames);
    for (size_t i = 0; i < frames; i++)
        s[2 * i] = s[2 * i + 1] = (short)lrint(amp * sin(2 * kPi * hz * i / 44100.0));
    return s;
}

double frequency(const std::vector<short> &s, size_t from, size_t to)
{
    std::vector<double> rises;
    for (size_t i = from + 1; i < to; i++) {
        double a = s[2 * (i - 1)], b = s[2 * i];
        if (a < 0 && b >= 0)
            rises.push_back(i - 1 + -a / (b - a));
    }
    return rises.size() < 2 ? 0 : 44100.0 * (rises.size() - 1) / (rises.back() - rises.front());
}

double rmsDb(const std::vector<short> &s, size_t from, size_t to)
{
    double sq = 0;
    for (size_t i = 2 * from; i < 2 * to; i++)
        sq += (double)s[i] * s[i];
    return 10 * log10(sq / (2.0 * (to - from)) / (32768.0 * 32768.0));
}

TEST(EffectsFilterStretch, StretchTempoAgainstSoxAndUndoBringsTheOriginalBack)
{
    std::string dir = zd::freshDir("fx-tempo");
    std::string in = dir + "\\in.wav", work = dir + "\\work.wav";
    std::vector<short> sig = sine(88201, 440, 16000);
    ASSERT_TRUE(zd::writeWave(in, 44100, 16, 2, bytes(sig)));
    ASSERT_TRUE(zd::writeWave(work, 44100, 16, 2, bytes(sig)));
    Session s;
    ASSERT_TRUE(s.open(work));
    s.app.command(kSelectAll);
    HWND dlg = s.dialog("Stretch...", "Stretch");
    ASSERT_TRUE(dlg);
    choose(dlg, kStTempo);
    choose(dlg, kStPercent);
    const std::string bad = "Enter the ratio as a number from 25 to 400 percent, or from -24 to +24 semitones.";
    for (const char *v : {"0", "20", "401", "-5", "fast"}) {
        zd::setText(dlg, kStRatio, v);
        EXPECT_EQ(bad, s.refused(dlg, "Stretch")) << v;
    }
    zd::setText(dlg, kStRatio, "125");
    zd::setText(dlg, kStWindow, "5");
    EXPECT_EQ("Enter the lengths in milliseconds, or 0 for automatic: window 10 to 500, overlap 1 to half the window, "
              "search 1 to 100.",
              s.refused(dlg, "Stretch"));
    zd::setText(dlg, kStWindow, "0");
    s.app.idle();
    zd::screenshot("fx-stretch-tempo");
    zd::click(dlg, IDOK);
    ASSERT_TRUE(zd::waitGone(dlg, 8000));
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Stretch", 60000));
    std::vector<short> ours = s.save();
    const size_t n = ours.size() / 2;
    EXPECT_EQ(70561u, n) << "88201 / 1.25 = 70560.8, rounded";
    EXPECT_NEAR(440.0, frequency(ours, 2000, n - 2000), 440 * 0.005);
    EXPECT_NEAR(rmsDb(sig, 0, sig.size() / 2), rmsDb(ours, 4000, n - 4000), 0.5);

    s.app.command(kUndo);
    ASSERT_TRUE(zd::waitUndo(s.app, "Can't Undo"));
    EXPECT_EQ(sig, s.save()) << "Undo gives the original back bit for bit";
    EXPECT_EQ(0, zd::closeDiscarding(s.app));

    if (!haveSox(dir))
        GTEST_SKIP() << "sox is not installed: no comparison";
    std::string ref = dir + "\\tempo.wav";
    ASSERT_TRUE(runNative(dir, "sox '" + unixPath(in) + "' '" + unixPath(ref) + "' tempo 1.25"));
    std::vector<short> sox = readSamples(ref);
    size_t m = sox.size() / 2;
    printf("tempo 1.25 of 88201 frames: ours %zu, sox %zu\n", n, m);
    EXPECT_NEAR((double)n, (double)m, 441.0) << "lengths within 10 ms";
    EXPECT_NEAR(frequency(sox, 2000, m - 2000), frequency(ours, 2000, n - 2000), 440 * 0.005);
    EXPECT_NEAR(rmsDb(sox, 4000, m - 4000), rmsDb(ours, 4000, n - 4000), 0.5);
}

const int kPrPause = 3121;

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

/* Presses the meter's Pause (or Continue) and waits until its text reads want. */
bool toggle(HWND meter, const char *want)
{
    zd::click(meter, kPrPause);
    for (int t = 0; t < 5000 && IsWindow(meter); t += 2) {
        if (zd::getText(meter, kPrPause) == want)
            return true;
        Sleep(2);
    }
    return false;
}

/* Holds the run's meter in Pause (the runs are fast, and Cancel must come while one
   works), lets it go on in short steps until its bar shows some progress, then presses
   Cancel.  False when no meter came up or the run ended first. */
bool pauseThenCancel(zd::App &app)
{
    const int kPrPercent = 121;
    HWND meter = waitMeter(app, 20000);
    if (!meter || !toggle(meter, "Continue"))
        return false;
    for (int step = 0; step < 50 && atoi(zd::getText(meter, kPrPercent).c_str()) < 1; step++)
        if (!toggle(meter, "Pause") || !toggle(meter, "Continue"))
            return false;
    zd::click(meter, IDCANCEL);
    return true;
}

TEST(EffectsFilterStretch, CancelDuringAStretchOrAFilterLeavesWhatUndoRestores)
{
    std::string dir = zd::freshDir("fx-cancel");
    std::string work = dir + "\\long.wav";
    /* Four minutes of a gliding tone over noise: long enough to cancel in. */
    const size_t frames = 4 * 60 * 44100;
    std::vector<short> sig(2 * frames);
    unsigned seed = 99;
    double phase = 0;
    for (size_t i = 0; i < frames; i++) {
        phase += 2 * kPi * (300 + (i % 441000) / 1000.0) / 44100.0;
        seed = seed * 1664525u + 1013904223u;
        short v = (short)lrint(9000 * sin(phase) + ((int)(seed >> 20) - 2048));
        sig[2 * i] = v;
        sig[2 * i + 1] = (short)(-v / 2);
    }
    ASSERT_TRUE(zd::writeWave(work, 44100, 16, 2, bytes(sig)));
    Session s;
    ASSERT_TRUE(s.open(work));
    s.app.command(kSelectAll);
    HWND dlg = s.dialog("Stretch...", "Stretch");
    ASSERT_TRUE(dlg);
    choose(dlg, kStTempo);
    choose(dlg, kStPercent);
    zd::setText(dlg, kStRatio, "80");   /* longer: blank frames go in first */
    zd::click(dlg, IDOK);
    ASSERT_TRUE(pauseThenCancel(s.app));
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Stretch", 60000));
    std::vector<short> cut = s.save();
    EXPECT_NE(sig, cut) << "part of it was stretched";
    EXPECT_LT(cut.size(), sig.size() * 5 / 4) << "not all of it";
    ASSERT_GE(cut.size(), 2000u);
    EXPECT_TRUE(std::equal(cut.end() - 2000, cut.end(), sig.end() - 2000)) << "the rest follows as it was";
    s.app.command(kUndo);
    ASSERT_TRUE(zd::waitUndo(s.app, "Can't Undo", 60000));
    std::vector<short> back = s.save();
    ASSERT_EQ(sig.size(), back.size());
    EXPECT_TRUE(sig == back) << "Undo after Cancel gives the original back bit for bit";

    /* The same for FFT Filter, whose convolution runs in the host's Convolute. */
    s.app.command(kSelectAll);
    dlg = s.dialog("FFT Filter...", "FFT Filter");
    ASSERT_TRUE(dlg);
    int lp = lbFind(dlg, "Low-pass 1000 Hz");
    ASSERT_GE(lp, 0);
    HWND list = GetDlgItem(dlg, kPresetList);
    SendMessageA(list, LB_SETCURSEL, (WPARAM)lp, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(kPresetList, LBN_DBLCLK), (LPARAM)list);
    zd::click(dlg, IDOK);
    ASSERT_TRUE(pauseThenCancel(s.app));
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo FFT Filter", 60000));
    std::vector<short> part = s.save();
    ASSERT_EQ(sig.size(), part.size());
    EXPECT_NE(sig, part) << "part of it was filtered";
    EXPECT_TRUE(std::equal(part.end() - 2000, part.end(), sig.end() - 2000)) << "the rest is as it was";
    s.app.command(kUndo);
    ASSERT_TRUE(zd::waitUndo(s.app, "Can't Undo", 60000));
    EXPECT_TRUE(sig == s.save()) << "Undo after Cancel gives the original back bit for bit";
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

}  // namespace
