/*
 * Frequency analysis and the spectral view as a user meets them, in the real program:
 *   1. the analysis window's read-outs for known tones (mono sine, stereo sawtooth and sine),
 *      the level under the mouse, Line View;
 *   2. Scan over a selection holds the peaks of every part of it;
 *   3. the window follows an edit (Silence, Undo), and stays up without a crash while the
 *      wave is closed and another one created;
 *   4. reopening at start-up with its place and Line View;
 *   5. the spectral view of a sine sweep shows a rising line; the menu text follows; back to
 *      the waveform; a close attempted while the picture is drawn is ignored.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

const int kAnalysis = 5060, kSpectral = 2211, kSelectView = 253, kSilence = 3140, kUndo = 102;
const int kClose = 3148, kNew = 1050, kStop = 198, kExit = 1250, kHold = 134;
const int kGraph = 308, kCursor = 1017, kFreq = 3041, kLineView = 3059, kScan = 3125;
const double kPi = 3.14159265358979323846;

/* 16-bit frames from a function of (frame, channel) in -1..1. */
template <class F>
std::vector<unsigned char> pcm(unsigned frames, int channels, F f)
{
    std::vector<unsigned char> d;
    d.reserve((size_t)frames * channels * 2);
    for (unsigned i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++) {
            long v = lrint(f(i, c) * 32767);
            short s = (short)(v > 32767 ? 32767 : v < -32767 ? -32767 : v);
            d.push_back((unsigned char)(s & 0xFF));
            d.push_back((unsigned char)((s >> 8) & 0xFF));
        }
    return d;
}

double sine(double f, unsigned i, unsigned rate = 44100) { return sin(2 * kPi * f * i / rate); }

double saw(double f, unsigned i, unsigned rate = 44100)
{
    double v = 0;
    for (int k = 1; f * k < rate / 2.0; k++)
        v += sin(2 * kPi * f * k * i / rate) / k;
    return 0.5 * v;
}

/* The numbers in a read-out, in order ("L=  440 Hz, R=   3000 Hz" gives 440, 3000). */
std::vector<double> numbers(const std::string &text)
{
    std::vector<double> out;
    const char *p = text.c_str();
    while (*p) {
        if ((*p >= '0' && *p <= '9') || ((*p == '-' || *p == '.') && p[1] >= '0' && p[1] <= '9')) {
            char *end;
            out.push_back(strtod(p, &end));
            p = end;
        } else {
            p++;
        }
    }
    return out;
}

/* zd::settle, but the analysis window (a dialog too) does not count as work going on. */
void settleHere(zd::App &app)
{
    int quiet = 0;
    for (int t = 0; t < 10000 && quiet < 3; t += 50) {
        int others = 0;
        for (HWND d : app.dialogs())
            others += zd::windowText(d).rfind("Analysis", 0) != 0;
        quiet = others ? 0 : quiet + 1;
        Sleep(50);
    }
    app.idle();
}

INT_PTR pictures(zd::App &app) { return (INT_PTR)GetPropA(app.main(), "ZeloViewPictures"); }

class AnalysisTest : public ::testing::Test {
protected:
    std::string dir()
    {
        if (dir_.empty())
            dir_ = zd::freshDir(std::string("analysis-") +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        return dir_;
    }
    std::string settings()
    {
        std::string s = dir() + "\\settings";
        CreateDirectoryA(s.c_str(), NULL);
        return s;
    }
    void freshSettings()
    {
        DeleteFileA((settings() + "\\zelo.ini").c_str());   /* process ids repeat under Wine */
        DeleteFileA((settings() + "\\win.ini").c_str());
    }
    bool open(const std::string &name, unsigned rate, int channels, const std::vector<unsigned char> &data)
    {
        std::string in = dir() + "\\" + name;
        if (!zd::writeWave(in, rate, 16, channels, data))
            return false;
        if (!app.start("\"" + in + "\"", settings()) || !zd::waitTitle(app, name + " - Zelo Edit"))
            return false;
        app.command(kStop);   /* the command-line file's first play */
        settleHere(app);
        return true;
    }
    HWND openAnalysis()
    {
        app.command(kAnalysis);
        HWND w = app.waitWindow("Analysis - Zelo Edit", 5000, false);
        if (!w)
            w = app.waitWindow("Analysis", 2000, false);
        settleHere(app);
        return w;
    }
    /* Waits until the frequency read-out shows a value close to want (or times out). */
    std::string waitFrequency(HWND w, double want, double tolerance, int timeoutMs = 5000)
    {
        std::string t;
        for (int i = 0; i < timeoutMs; i += 50) {
            t = zd::getText(w, kFreq);
            std::vector<double> n = numbers(t);
            if (!n.empty() && fabs(n[0] - want) <= tolerance)
                break;
            Sleep(50);
        }
        return t;
    }
    RECT graph(HWND w)
    {
        RECT r;
        GetWindowRect(GetDlgItem(w, kGraph), &r);
        MapWindowPoints(NULL, w, (POINT *)&r, 2);
        return r;
    }
    /* The cursor read-out with the mouse over frequency f of the graph. */
    std::vector<double> cursorAt(HWND w, double f, unsigned rate)
    {
        RECT g = graph(w);
        int x = g.left - 1 + (int)(f / (rate / 2.0) * (g.right - g.left) + 0.5);
        PostMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(x, (g.top + g.bottom) / 2));
        app.idle();
        return numbers(zd::getText(w, kCursor));
    }
    zd::App app;
    std::string dir_;
};

/* 1. */
TEST_F(AnalysisTest, ReadsTheDominantFrequencyAndTheLevelUnderTheMouse)
{
    freshSettings();
    ASSERT_TRUE(open("sine.wav", 44100, 1, pcm(44100, 1, [](unsigned i, int) { return 0.5 * sine(1000, i); })));
    app.command(kSelectView);   /* the whole wave is in view */
    settleHere(app);
    HWND w = openAnalysis();
    ASSERT_TRUE(w);
    EXPECT_TRUE(zd::menuGrayed(app, kAnalysis));   /* one window at a time */
    std::string f = waitFrequency(w, 1000.0, 0.1);
    ASSERT_FALSE(numbers(f).empty()) << f;
    EXPECT_NEAR(1000.0, numbers(f)[0], 0.1) << f;
    EXPECT_NE(std::string::npos, f.find(" Hz")) << f;

    std::vector<double> at = cursorAt(w, 1000, 44100);
    ASSERT_EQ(2u, at.size()) << zd::getText(w, kCursor);
    EXPECT_NEAR(1000, at[0], 40);
    EXPECT_GT(at[1], -20);
    at = cursorAt(w, 16000, 44100);
    ASSERT_EQ(2u, at.size());
    EXPECT_NEAR(16000, at[0], 60);
    EXPECT_LT(at[1], -80);

    /* Line View off draws single pixels; the graph stays drawn either way. */
    zd::click(w, kLineView);
    settleHere(app);
    Sleep(300);
    zd::screenshot("analysis-sine");
    zd::click(w, IDOK);
    ASSERT_TRUE(zd::waitGone(w));
    EXPECT_FALSE(zd::menuGrayed(app, kAnalysis));
    EXPECT_EQ("0", zd::readIni(settings() + "\\zelo.ini", "Position", "AnalyzeNormal"));
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

TEST_F(AnalysisTest, StereoChannelsReadTheirOwnFrequencies)
{
    freshSettings();
    ASSERT_TRUE(open("stereo.wav", 44100, 2,
                     pcm(30000, 2, [](unsigned i, int c) { return c == 0 ? saw(440, i) : 0.5 * sine(3000, i); })));
    app.command(kSelectView);   /* the whole wave is in view */
    settleHere(app);
    HWND w = openAnalysis();
    ASSERT_TRUE(w);
    std::string f = waitFrequency(w, 440.0, 0.5);
    std::vector<double> n = numbers(f);
    ASSERT_EQ(2u, n.size()) << f;
    EXPECT_EQ(0u, f.find("L=")) << f;
    EXPECT_NEAR(440.0, n[0], 0.5) << f;    /* the fundamental, not a harmonic */
    EXPECT_NEAR(3000.0, n[1], 0.5) << f;
    std::vector<double> at = cursorAt(w, 3000, 44100);
    ASSERT_EQ(3u, at.size()) << zd::getText(w, kCursor);
    EXPECT_LT(at[1], at[2]);               /* L quieter than R at 3 kHz */
    settleHere(app);
    Sleep(300);
    zd::screenshot("analysis-stereo");
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

/* 2. */
TEST_F(AnalysisTest, ScanHoldsThePeaksOfTheWholeSelection)
{
    freshSettings();
    /* 500 Hz for the first third, 3 kHz after: the middle of the selection hears 3 kHz only. */
    ASSERT_TRUE(open("parts.wav", 44100, 1, pcm(66150, 1, [](unsigned i, int) {
        return 0.5 * (i < 22050 ? sine(500, i) : sine(3000, i));
    })));
    app.command(kSelectView);   /* the whole wave is in view */
    settleHere(app);
    HWND w = openAnalysis();
    ASSERT_TRUE(w);
    waitFrequency(w, 3000.0, 0.5);
    std::vector<double> low = cursorAt(w, 500, 44100);
    ASSERT_EQ(2u, low.size());
    EXPECT_LT(low[1], -60);
    zd::click(w, kScan);
    settleHere(app);
    for (int t = 0; t < 5000 && cursorAt(w, 500, 44100)[1] < -20; t += 100)
        Sleep(100);
    low = cursorAt(w, 500, 44100);
    EXPECT_GT(low[1], -20) << zd::getText(w, kCursor);
    std::vector<double> high = cursorAt(w, 3000, 44100);
    EXPECT_GT(high[1], -20);
    Sleep(300);
    zd::screenshot("analysis-scan");
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

/* 3. */
TEST_F(AnalysisTest, FollowsEditsAndSurvivesTheWaveGoingAway)
{
    freshSettings();
    ASSERT_TRUE(open("edit.wav", 22050, 1, pcm(22050, 1, [](unsigned i, int) { return 0.5 * sine(1500, i, 22050); })));
    app.command(kSelectView);   /* the whole wave is in view */
    settleHere(app);
    HWND w = openAnalysis();
    ASSERT_TRUE(w);
    EXPECT_NEAR(1500.0, numbers(waitFrequency(w, 1500.0, 0.2))[0], 0.2);
    app.command(kSilence);
    std::string undo;
    for (int t = 0; t < 8000 && (undo = zd::menuText(app, kUndo)) != "Undo Silence"; t += 50)
        Sleep(50);
    ASSERT_EQ("Undo Silence", undo);
    settleHere(app);
    EXPECT_EQ(0.0, numbers(waitFrequency(w, 0.0, 0.0))[0]);
    app.command(kUndo);
    settleHere(app);
    EXPECT_NEAR(1500.0, numbers(waitFrequency(w, 1500.0, 0.2))[0], 0.2);

    /* Closing the wave: silence everywhere, frequency 0; a new empty wave likewise. */
    app.command(kClose);
    zd::MsgBox box;
    if (app.waitMessageBox(&box, 2000))   /* "Save changes ...?" */
        zd::click(box.hwnd, IDNO);
    settleHere(app);
    EXPECT_EQ(0.0, numbers(waitFrequency(w, 0.0, 0.0))[0]);
    EXPECT_TRUE(IsWindow(w));
    std::vector<double> at = cursorAt(w, 1000, 22050);
    app.command(kNew);
    HWND nw = app.waitWindow("New Waveform", 3000);
    if (nw) {
        zd::click(nw, IDOK);
        zd::waitGone(nw);
    }
    settleHere(app);
    EXPECT_TRUE(IsWindow(w));
    EXPECT_EQ(0.0, numbers(waitFrequency(w, 0.0, 0.0))[0]);
    EXPECT_TRUE(app.running());
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

/* 4. */
TEST_F(AnalysisTest, ReopensAtStartUpWhereItWasWithLineView)
{
    freshSettings();
    std::vector<unsigned char> d = pcm(8000, 1, [](unsigned i, int) { return 0.3 * sine(700, i, 8000); });
    ASSERT_TRUE(open("again.wav", 8000, 1, d));
    HWND w = openAnalysis();
    ASSERT_TRUE(w);
    SetWindowPos(w, NULL, 123, 145, 520, 380, SWP_NOZORDER | SWP_NOACTIVATE);
    zd::click(w, kLineView);
    app.idle();
    EXPECT_EQ(0, zd::closeDiscarding(app));
    EXPECT_EQ("1", zd::readIni(settings() + "\\zelo.ini", "Size", "Analyzer"));

    ASSERT_TRUE(app.start("", settings()));
    HWND again = app.waitWindow("Analysis", 5000, false);
    ASSERT_TRUE(again);
    RECT r;
    GetWindowRect(again, &r);
    EXPECT_EQ(123, r.left);
    EXPECT_EQ(145, r.top);
    EXPECT_EQ(520, r.right - r.left);
    EXPECT_EQ(380, r.bottom - r.top);
    EXPECT_EQ(BST_UNCHECKED, (int)SendMessageA(GetDlgItem(again, kLineView), BM_GETCHECK, 0, 0));
    EXPECT_EQ("0", zd::getText(again, kFreq).substr(zd::getText(again, kFreq).find_first_not_of(' '), 1));
    zd::click(again, IDOK);
    ASSERT_TRUE(zd::waitGone(again));
    EXPECT_EQ(0, zd::closeDiscarding(app));
    EXPECT_EQ("0", zd::readIni(settings() + "\\zelo.ini", "Size", "Analyzer"));
}

/* 5. */
class SpectralTest : public AnalysisTest {
protected:
    bool waitPicture(INT_PTR before, int timeoutMs = 20000)
    {
        for (int t = 0; t < timeoutMs; t += 50) {
            if (pictures(app) != before)
                return true;
            Sleep(50);
        }
        return false;
    }
    bool grab()
    {
        settleHere(app);
        Sleep(300);
        return zd::grabClient(app.main(), &gw, &gh, &px);
    }
    unsigned at(int x, int y) const { return px[(size_t)y * gw + x]; }
    static int luma(unsigned c) { return ((c >> 16) & 0xFF) * 3 + ((c >> 8) & 0xFF) * 6 + (c & 0xFF); }
    /* The waveform area: 3 pixels in from the sides, 30 from the top, 106 above the bottom. */
    RECT area()
    {
        RECT rc;
        GetClientRect(app.main(), &rc);
        RECT a = {3, 30, rc.right - 3, rc.bottom - 106};
        return a;
    }
    int brightestRow(int x, const RECT &a)
    {
        int best = a.top + 1, bl = -1;
        for (int y = a.top + 1; y < a.bottom; y++)
            if (luma(at(x, y)) > bl) {
                bl = luma(at(x, y));
                best = y;
            }
        return best;
    }
    int gw = 0, gh = 0;
    std::vector<unsigned> px;
};

TEST_F(SpectralTest, SweepDrawsARisingLineAndTheWaveformComesBack)
{
    freshSettings();
    zd::writeIni(settings() + "\\win.ini", "Zelo Edit", "SpectrumResolution", "9");
    /* 300 Hz to 10 kHz over three seconds. */
    double phase = 0;
    ASSERT_TRUE(open("sweep.wav", 22050, 1, pcm(66150, 1, [&](unsigned i, int) {
        phase += 2 * kPi * (300 + 9700.0 * i / 66150) / 22050;
        return 0.7 * sin(phase);
    })));
    EXPECT_EQ("Spectral Vie&w", zd::menuText(app, kSpectral));
    INT_PTR before = pictures(app);
    app.command(kSpectral);
    ASSERT_TRUE(waitPicture(before));
    EXPECT_EQ("Waveform &View", zd::menuText(app, kSpectral));
    ASSERT_TRUE(grab());
    zd::screenshot("spectral-sweep");
    RECT a = area();
    int w = a.right - a.left, last = a.bottom;
    std::vector<int> rows;
    for (int k = 1; k <= 9; k++) {
        int x = a.left + 20 + (w - 40) * k / 10;
        int y = brightestRow(x, a);
        rows.push_back(y);
        EXPECT_LE(y, last + 2) << "column " << x;   /* rises (y falls) from left to right */
        last = y;
    }
    EXPECT_GT(rows.front() - rows.back(), (a.bottom - a.top) / 2);
    /* The line is the high colour; far from it the low colour. */
    unsigned peak = at(a.left + 20 + (w - 40) / 2, rows[4]);
    EXPECT_GT(luma(peak), luma(0xF0FFDC) * 3 / 4);
    unsigned quiet = at(a.left + 20 + (w - 40) / 10, a.top + 5);
    EXPECT_LT(luma(quiet), luma(0x204040));

    before = pictures(app);
    app.command(kSpectral);
    ASSERT_TRUE(waitPicture(before));
    EXPECT_EQ("Spectral &View", zd::menuText(app, kSpectral));
    ASSERT_TRUE(grab());
    zd::screenshot("spectral-back");
    int green = 0;
    for (int y = a.top; y < a.bottom; y++)
        green += at(a.left + w / 2, y) == 0x00FF00;
    EXPECT_GT(green, 10);
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

TEST_F(SpectralTest, HoldKeepsThePictureUntilLetGo)
{
    freshSettings();
    ASSERT_TRUE(open("hold.wav", 8000, 1, pcm(16000, 1, [](unsigned i, int) { return 0.5 * sine(1000, i, 8000); })));
    INT_PTR before = pictures(app);
    app.command(kSpectral);
    ASSERT_TRUE(waitPicture(before));
    app.command(kHold);
    app.command(kSelectView);
    app.command(kSilence);
    app.command(254);   /* Esc: no highlight over the picture */
    settleHere(app);
    before = pictures(app);
    Sleep(500);
    EXPECT_EQ(before, pictures(app));          /* held: the silenced frames are not drawn */
    ASSERT_TRUE(grab());
    RECT a = area();
    int mid = (a.left + a.right) / 2, toneRow = a.bottom - 1 - (a.bottom - a.top - 2) / 4;
    EXPECT_GT(luma(at(mid, toneRow)), luma(0x204040)) << std::hex << at(mid, toneRow);
    app.command(kHold);
    ASSERT_TRUE(waitPicture(before));
    ASSERT_TRUE(grab());
    EXPECT_LE(luma(at(mid, toneRow)), luma(0x204040)) << std::hex << at(mid, toneRow);   /* silence now */
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

TEST_F(SpectralTest, CloseWhileThePictureIsDrawnIsIgnored)
{
    freshSettings();
    zd::writeIni(settings() + "\\win.ini", "Zelo Edit", "SpectrumResolution", "13");
    zd::writeIni(settings() + "\\zelo.ini", "Size", "X", "1000");
    zd::writeIni(settings() + "\\zelo.ini", "Size", "Y", "600");
    ASSERT_TRUE(open("long.wav", 44100, 2, pcm(441000, 2, [](unsigned i, int c) {
        return 0.3 * sine(c ? 2000 : 700, i);
    })));
    int tries = 0, busySeen = 0;
    for (; tries < 5 && !busySeen; tries++) {
        INT_PTR before = pictures(app);
        app.command(kSpectral);
        for (int t = 0; t < 3000 && pictures(app) == before; t++) {
            if (zd::menuGrayed(app, kExit)) {   /* drawing: Exit is greyed */
                busySeen = 1;
                app.post(WM_CLOSE);
                app.post(WM_CLOSE);
                break;
            }
        }
        ASSERT_TRUE(waitPicture(before));
        if (!busySeen) {   /* too quick to catch: back to the waveform and again */
            before = pictures(app);
            app.command(kSpectral);
            ASSERT_TRUE(waitPicture(before));
        }
    }
    ASSERT_TRUE(busySeen);
    settleHere(app);
    EXPECT_TRUE(app.running());
    EXPECT_TRUE(IsWindow(app.main()));
    EXPECT_FALSE(zd::menuGrayed(app, kExit));
    zd::screenshot("spectral-stereo");
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

} // namespace
