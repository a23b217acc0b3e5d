/*
 * Convert Sample Type in the real program: the dialog and its enabling, 16 to 8 bits with
 * the noise-shaped dither and stereo to mono through it (bytes against a reference written
 * here from the dither's description), a rate change through the real Resample module
 * against sox's "rate -h", the selection carried to the new rate, Cancel and an absurd rate,
 * a program folder without the module, and a save through a file type that needs another
 * sample type.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const int kConvert = 120, kSave = 1151, kSaveAs = 1150, kUndo = 102, kStop = 198;
const int kFrom = 1019, kRate = 321, kLow = 2001, kHigh = 2003, kMono = 107, kStereo = 108,
          k8bit = 110, k16bit = 111, kLeftMix = 3067, kRightMix = 3096, kDither = 3036;

const double kPi = 3.14159265358979323846;

typedef std::vector<unsigned char> Bytes;

struct RefDither {
    int slot[2][12] = {};
    unsigned B[7] = {1000, 3000, 5000, 7000, 9000, 11000, 13000};
    int k = 0;
    unsigned acc = 0;
    unsigned char narrow(int x, int ch)
    {
        static const unsigned A[7] = {20011, 5591, 3407, 11471, 18671, 4337, 8861};
        k = (k + 1) % 7;
        B[k] = (B[(k + 3) % 7] + A[k] + B[k]) % 30000;
        int d = (int)(acc % 69) - 34;
        acc = (B[k] + acc) % 30000;
        int *s = slot[ch];
        int v = x + s[0] + d;
        memmove(s, s + 1, 11 * sizeof *s);
        s[11] = 0;
        int e = v & 255;
        for (int i = 0; i < 7; i++)
            s[i] += e >> (i + 1);
        int o = (v >> 8) + 128;
        return (unsigned char)(o < 0 ? 0 : o > 255 ? 255 : o);
    }
};

Bytes le16(const std::vector<short> &v)
{
    Bytes b(v.size() * 2);
    memcpy(b.data(), v.data(), b.size());
    return b;
}

std::vector<short> s16(const Bytes &b)
{
    std::vector<short> v(b.size() / 2);
    memcpy(v.data(), b.data(), v.size() * 2);
    return v;
}

/* Two tones and (unless told not to) a little noise per channel, frames at rate. */
std::vector<short> music(unsigned frames, unsigned rate, bool noisy = true)
{
    std::vector<short> s(2 * frames);
    unsigned seed = 99;
    for (unsigned i = 0; i < frames; i++) {
        seed = seed * 1664525u + 1013904223u;
        double n = noisy ? ((int)(seed >> 20) - 2048) / 8.0 : 0.0;
        double t = (double)i / rate;
        s[2 * i] = (short)lrint(12000 * sin(2 * kPi * 1000 * t) + 4000 * sin(2 * kPi * 5000 * t) + n);
        s[2 * i + 1] = (short)lrint(9000 * sin(2 * kPi * 440 * t + 1) + 3000 * sin(2 * kPi * 8000 * t) - n);
    }
    return s;
}

struct WaveFile {
    unsigned rate = 0;
    int bits = 0, channels = 0;
    Bytes data;
};

WaveFile readBack(const std::string &path)
{
    WaveFile w;
    zd::readWave(path, &w.rate, &w.bits, &w.channels, &w.data);
    return w;
}

WaveFile saveAndRead(zd::App &app, const std::string &path)
{
    zd::settle(app);
    app.send(WM_COMMAND, (WPARAM)kSave, 0);
    zd::settle(app);
    return readBack(path);
}

bool enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != 0; }

/* Clicks and waits until the dialog has seen it (a radio's check follows the click). */
void clickRadio(HWND dlg, int id)
{
    zd::click(dlg, id);
    for (int t = 0; t < 3000 && IsDlgButtonChecked(dlg, id) != BST_CHECKED; t += 20)
        Sleep(20);
}

/* A file given on the command line plays once when it opens: stop it, and wait until the
   commands that playback greys are back. */
void stopPlaying(zd::App &app)
{
    zd::settle(app);
    app.command(kStop);
    for (int t = 0; t < 5000 && zd::menuGrayed(app, kConvert); t += 50)
        Sleep(50);
}

HWND openConvert(zd::App &app)
{
    stopPlaying(app);
    app.command(kConvert);
    return app.waitWindow("Convert Sample Type");
}

/* The amplitude of a tone of f Hz in a channel of interleaved samples (Goertzel over a
   Hann window, scaled to the peak of a pure tone). */
double toneLevel(const std::vector<short> &s, int channels, int ch, double f, unsigned rate)
{
    size_t n = s.size() / channels;
    double re = 0, im = 0, wsum = 0;
    for (size_t i = 0; i < n; i++) {
        double w = 0.5 - 0.5 * cos(2 * kPi * i / (n - 1));
        double x = s[i * channels + ch] * w;
        re += x * cos(2 * kPi * f * i / rate);
        im -= x * sin(2 * kPi * f * i / rate);
        wsum += w;
    }
    return 2 * sqrt(re * re + im * im) / wsum;
}

} // namespace

TEST(Convert, DialogEnablingThenStereoSixteenToMonoEightWithDitherAndUndo)
{
    std::string dir = zd::freshDir("convert-dither");
    std::string file = dir + "\\in.wav";
    std::vector<short> in = music(30000, 22050);
    ASSERT_TRUE(zd::writeWave(file, 22050, 16, 2, le16(in)));
    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    stopPlaying(app);
    EXPECT_FALSE(zd::menuGrayed(app, kConvert));

    HWND dlg = openConvert(app);
    ASSERT_TRUE(dlg);
    EXPECT_EQ("Convert from 22050 Stereo 16-bit to:", zd::getText(dlg, kFrom));
    EXPECT_EQ("22050", zd::getText(dlg, kRate));
    EXPECT_FALSE(enabled(dlg, kHigh)) << "quality only matters when the rate changes";
    EXPECT_FALSE(enabled(dlg, kDither)) << "dither only when going to 8 bits";
    EXPECT_FALSE(enabled(dlg, kLeftMix)) << "mixes only when the channels change";
    clickRadio(dlg, k8bit);
    clickRadio(dlg, kMono);
    EXPECT_TRUE(enabled(dlg, kDither));
    EXPECT_TRUE(enabled(dlg, kLeftMix));
    EXPECT_TRUE(enabled(dlg, kRightMix));
    zd::setText(dlg, kRate, "44100");
    for (int t = 0; t < 3000 && !enabled(dlg, kHigh); t += 20)
        Sleep(20);
    EXPECT_TRUE(enabled(dlg, kLow));
    zd::setText(dlg, kRate, "22050");
    zd::setText(dlg, kLeftMix, "50");
    zd::setText(dlg, kRightMix, "50");
    zd::check(dlg, kDither, true);
    app.idle();
    zd::screenshot("convert-dialog");
    zd::click(dlg, IDOK);
    ASSERT_TRUE(zd::waitGone(dlg));
    ASSERT_TRUE(zd::waitUndo(app, "Undo Convert Sample Type"));

    WaveFile out = saveAndRead(app, file);
    EXPECT_EQ(22050u, out.rate);
    EXPECT_EQ(8, out.bits);
    EXPECT_EQ(1, out.channels);
    ASSERT_EQ(30000u, out.data.size());
    RefDither ref;   /* the program's dither starts fresh with the program */
    size_t bad = 0;
    for (size_t i = 0; i < 30000; i++) {
        int l = in[2 * i], r = in[2 * i + 1];
        int m = ((l * 16384) >> 15) + ((r * 16384) >> 15);
        if (ref.narrow(m, 0) != out.data[i] && bad++ < 5)
            ADD_FAILURE() << "byte " << i << ": " << (int)out.data[i];
    }
    EXPECT_EQ(0u, bad);

    /* Undo brings back the stereo 16-bit wave, every byte. */
    app.command(kUndo);
    ASSERT_TRUE(zd::waitUndo(app, "Can't Undo"));
    WaveFile back = saveAndRead(app, file);
    EXPECT_EQ(16, back.bits);
    EXPECT_EQ(2, back.channels);
    EXPECT_TRUE(back.data == le16(in));

    /* The choices are kept for the next time, across a restart. */
    zd::closeDiscarding(app);
    zd::App again;
    ASSERT_TRUE(again.start("\"" + file + "\"", app.settings()));
    dlg = openConvert(again);
    ASSERT_TRUE(dlg);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg, k8bit));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg, kMono));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg, kDither));
    EXPECT_EQ("50", zd::getText(dlg, kLeftMix));
    zd::click(dlg, IDCANCEL);
    zd::waitGone(dlg);
    zd::closeDiscarding(again);
}

TEST(Convert, AbsurdRateIsRefusedAndCancelChangesNothing)
{
    std::string dir = zd::freshDir("convert-cancel");
    std::string file = dir + "\\in.wav";
    std::vector<short> in = music(5000, 8000);
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 2, le16(in)));
    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    HWND dlg = openConvert(app);
    ASSERT_TRUE(dlg);
    for (const char *rate : {"0", "250000", "12x"}) {
        zd::setText(dlg, kRate, rate);
        zd::click(dlg, IDOK);
        zd::MsgBox box;
        ASSERT_TRUE(app.waitMessageBox(&box)) << rate;
        EXPECT_EQ("Please enter a sample rate from 1000 to 200000 Hz.", box.text);
        zd::click(box.hwnd, IDOK);
        zd::waitGone(box.hwnd);
        EXPECT_TRUE(IsWindow(dlg)) << "the dialog stays for a correction";
    }
    zd::setText(dlg, kRate, "11025");
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(dlg));
    zd::settle(app);
    EXPECT_EQ("Can't Undo", zd::menuText(app, kUndo));
    WaveFile same = saveAndRead(app, file);
    EXPECT_EQ(8000u, same.rate);
    EXPECT_TRUE(same.data == le16(in));
    zd::closeDiscarding(app);
}

TEST(Convert, RateChangeThroughTheResampleModuleAgainstSox)
{
    std::string dir = zd::freshDir("convert-rate");
    std::string file = dir + "\\in.wav", ref = dir + "\\sox.wav";
    const unsigned n = 3 * 44100 + 7;
    /* Tones only: noise would put material into the band where two good filters may
       differ (between 0.95 and 1.0 of the new Nyquist frequency). */
    std::vector<short> in = music(n, 44100, false);
    ASSERT_TRUE(zd::writeWave(file, 44100, 16, 2, le16(in)));
    bool sox = zd::haveSox(dir) &&
               zd::runNative(dir, "sox '" + zd::unixPath(file) + "' -r 22050 '" + zd::unixPath(ref) + "' rate -h");
    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    zd::settle(app);
    HWND dlg = openConvert(app);
    ASSERT_TRUE(dlg);
    zd::setText(dlg, kRate, "22050");
    clickRadio(dlg, kHigh);
    clickRadio(dlg, kStereo);
    clickRadio(dlg, k16bit);
    zd::click(dlg, IDOK);
    ASSERT_TRUE(zd::waitGone(dlg));
    ASSERT_TRUE(zd::waitUndo(app, "Undo Convert Sample Type", 60000));
    WaveFile out = saveAndRead(app, file);
    EXPECT_EQ(22050u, out.rate);
    ASSERT_EQ(2, out.channels);
    const unsigned want = (unsigned)((2ull * n * 22050 + 44100) / (2 * 44100));   /* round(n / 2) */
    ASSERT_EQ(want * 4, out.data.size()) << "n frames become round(n * 22050 / 44100)";
    std::vector<short> got = s16(out.data);
    /* The tones below the new Nyquist frequency keep their level; the 8 kHz one is near
       the edge (0.73 of it) and stays too. */
    EXPECT_NEAR(12000, toneLevel(got, 2, 0, 1000, 22050), 12000 * 0.002);
    EXPECT_NEAR(4000, toneLevel(got, 2, 0, 5000, 22050), 4000 * 0.002);
    EXPECT_NEAR(3000, toneLevel(got, 2, 1, 8000, 22050), 3000 * 0.002);
    if (sox) {
        WaveFile s = readBack(ref);
        std::vector<short> r = s16(s.data);
        ASSERT_EQ(got.size(), r.size()) << "the same length as sox's";
        /* Two good resamplers of the same band-limited material agree closely away from
           the ends (the filters' edges differ slightly). */
        double d2 = 0, s2 = 0;
        for (size_t i = 4000; i + 4000 < got.size(); i++) {
            double d = (double)got[i] - r[i];
            d2 += d * d;
            s2 += (double)r[i] * r[i];
        }
        double db = 10 * log10(d2 / s2);
        EXPECT_LT(db, -75.0) << "difference from sox rate -h: " << db << " dB";
    }
    /* Undo puts the 44.1 kHz wave back. */
    app.command(kUndo);
    ASSERT_TRUE(zd::waitUndo(app, "Can't Undo"));
    WaveFile back = saveAndRead(app, file);
    EXPECT_EQ(44100u, back.rate);
    EXPECT_TRUE(back.data == le16(in));
    zd::closeDiscarding(app);
}

TEST(Convert, WithoutTheResampleModuleTheRateStaysAndTheOtherStepsRun)
{
    zd::ProgramDir prog("convert-nomodule", {"zelo.exe", "wave.flt"});
    std::string file = zd::freshDir("convert-nomodule-data") + "\\in.wav";
    std::vector<short> in = music(4000, 44100);
    ASSERT_TRUE(zd::writeWave(file, 44100, 16, 2, le16(in)));
    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    HWND dlg = openConvert(app);
    ASSERT_TRUE(dlg);
    zd::setText(dlg, kRate, "22050");
    clickRadio(dlg, kMono);
    zd::setText(dlg, kLeftMix, "100");
    zd::setText(dlg, kRightMix, "0");
    zd::click(dlg, IDOK);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box, 10000));
    EXPECT_EQ("Missing Module", box.caption);
    EXPECT_EQ("Missing 'RESAMPLE.XFM' module.  Zelo Edit can not change sample rates without this module.", box.text);
    zd::click(box.hwnd, IDOK);
    zd::waitGone(box.hwnd);
    ASSERT_TRUE(zd::waitUndo(app, "Undo Convert Sample Type"));
    WaveFile out = saveAndRead(app, file);
    EXPECT_EQ(44100u, out.rate) << "the rate stays";
    EXPECT_EQ(1, out.channels) << "the mix-down still ran";
    std::vector<short> got = s16(out.data);
    ASSERT_EQ(4000u, got.size());
    for (size_t i = 0; i < got.size(); i += 97)
        EXPECT_EQ(in[2 * i], got[i]) << "left at 100 %, right at 0 %";
    zd::closeDiscarding(app);
}

#ifdef ZELO_FLT_TEST_MODULES
TEST(Convert, SavingThroughATypeThatNeedsAnotherSampleTypeConvertsFirst)
{
    std::string mono8 = ZELO_FLT_TEST_MODULES;
    for (char &c : mono8)
        if (c == '/')
            c = '\\';
    zd::ProgramDir prog("convert-save", {"zelo.exe", "wave.flt", "resample.xfm", "Z:" + mono8 + "\\tmono8.flt"});
    std::string dir = zd::freshDir("convert-save-data");
    std::string file = dir + "\\in.wav", out = dir + "\\out.tm8";
    std::vector<short> in = music(22050, 22050);
    ASSERT_TRUE(zd::writeWave(file, 22050, 16, 2, le16(in)));
    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    stopPlaying(app);
    app.command(kSaveAs);
    HWND save = app.waitWindow("Save a Waveform");
    ASSERT_TRUE(save);
    ASSERT_TRUE(zd::chooseFileType(save, "Test TM8"));
    zd::fillFileDialog(save, out);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box, 10000));
    EXPECT_EQ("This wave format does not support the current sample type.", box.caption);
    EXPECT_NE(std::string::npos, box.text.find("Would you like to convert to 11025Hz, Mono 8-bit and continue saving?"))
        << box.text;
    zd::click(box.hwnd, IDYES);
    HWND dlg = app.waitWindow("Convert Sample Type");
    ASSERT_TRUE(dlg);
    EXPECT_EQ("11025", zd::getText(dlg, kRate));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg, kMono));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg, k8bit));
    EXPECT_EQ("50", zd::getText(dlg, kLeftMix));
    EXPECT_EQ("50", zd::getText(dlg, kRightMix));
    zd::click(dlg, IDOK);
    ASSERT_TRUE(zd::waitTitle(app, "out.tm8 - Zelo Edit", 60000));
    zd::settle(app);
    /* The test type's file: "TFLT", rate, bits, channels, then the samples. */
    HANDLE f = CreateFileA(out.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    unsigned char h[12];
    DWORD got = 0;
    ReadFile(f, h, 12, &got, NULL);
    DWORD size = GetFileSize(f, NULL);
    CloseHandle(f);
    unsigned rate;
    unsigned short bits, channels;
    memcpy(&rate, h + 4, 4);
    memcpy(&bits, h + 8, 2);
    memcpy(&channels, h + 10, 2);
    EXPECT_EQ(11025u, rate);
    EXPECT_EQ(8, bits);
    EXPECT_EQ(1, channels);
    EXPECT_EQ(12u + 11025u, size);
    EXPECT_EQ("Undo Convert Sample Type", zd::menuText(app, kUndo));
    zd::closeDiscarding(app);
}
#endif
