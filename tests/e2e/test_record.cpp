/*
 * Recording and the level meter as a user meets them, through the real zelo.exe and Wine's
 * PulseAudio driver talking to the private server of tools/pulse-rig.sh: each test gives the
 * server a fresh pipe source in the format it records, starts recording, waits until the
 * capture stream runs, and feeds known samples into the pipe at real-time pace.  The
 * recording is saved through the program and compared byte for byte, allowing only the
 * latency before the first fed sample, found by a marker pattern at the head of the signal.
 *
 * The playback tests hear through ALSA: these switch the prefix's audio driver to pulse for
 * their own run and back to alsa afterwards.  They need PULSE_SERVER in the environment
 * (tools/test.sh starts the rig and sets it); without it they are skipped.
 */
#include "zdriver.h"
#include "pulserig.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>

namespace {

const int kPlay = 199, kPause = 192, kStop = 198, kRecord = 194, kMonitor = 5030, kUndo = 102;
const int kClearClip = 330, kShowOnPlay = 329, kRange30 = 337;
typedef std::vector<unsigned char> Bytes;
using zr::Rig;
using zr::noise;
using zr::readAll;
using zr::writeAll;
using zr::setDriver;
using zr::winPath;

class Record : public ::testing::Test {
protected:
    Rig rig;
    void SetUp() override
    {
        char v[256];
        if (GetEnvironmentVariableA("PULSE_SERVER", v, sizeof v) == 0)
            GTEST_SKIP() << "no PULSE_SERVER: run through tools/test.sh, or start tools/pulse-rig.sh and export it";
        rig.work = zd::freshDir("record-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()).substr(0, 20));
        ASSERT_TRUE(rig.check("start '" + rig.dir + "' >/dev/null")) << "the PulseAudio rig did not start";
        setDriver("pulse");
    }
    void TearDown() override { setDriver("alsa"); }
};

/* The signal: a marker of pseudo-random frames, a sox sweep, a pseudo-random tail. */
struct Signal {
    Bytes bytes;
    size_t markerAndSweep = 0;   /* bytes that must all be recorded */
};

Signal makeSignal(Rig &rig, unsigned rate, int bits, int channels, double sweepSeconds)
{
    Signal s;
    int align = bits / 8 * channels;
    Bytes marker = noise((size_t)rate / 10 * align, 7, bits);   /* 100 ms */
    std::string sweep = rig.work + "\\sweep.raw";
    char line[400];
    snprintf(line, sizeof line, "sox -n -r %u -c %d -b %d -e %s -L -t raw '%s' synth %.2f sine 200-6000 vol 0.5",
             rate, channels, bits, bits == 8 ? "unsigned" : "signed", zd::unixPath(sweep).c_str(), sweepSeconds);
    EXPECT_TRUE(zd::runNative(rig.work, line));
    Bytes sw = readAll(sweep);
    EXPECT_EQ((size_t)(rate * sweepSeconds) * align, sw.size());
    Bytes tail = noise((size_t)rate * 3 / 10 * align, 11, bits);    /* 300 ms */
    s.bytes = marker;
    s.bytes.insert(s.bytes.end(), sw.begin(), sw.end());
    s.markerAndSweep = s.bytes.size();
    s.bytes.insert(s.bytes.end(), tail.begin(), tail.end());
    return s;
}

/* Where the signal's marker begins in got, from byte `from` on; -1 when it is not there. */
long findMarker(const Bytes &got, const Bytes &signal, size_t from, int align)
{
    const size_t m = 64 * (size_t)align;
    for (size_t i = from; i + m <= got.size(); i += (size_t)align)
        if (memcmp(&got[i], signal.data(), m) == 0)
            return (long)i;
    return -1;
}

bool enabled(zd::App &app, int id) { return IsWindowEnabled(GetDlgItem(app.main(), id)) != 0; }

bool waitRecording(zd::App &app, int timeoutMs = 8000)
{
    for (int t = 0; t < timeoutMs; t += 10) {
        if (enabled(app, kStop))
            return true;
        Sleep(10);
    }
    return false;
}

/* The device closed again: Stop off and Record on for 300 ms on end. */
bool waitStopped(zd::App &app, int timeoutMs = 15000)
{
    int steady = 0;
    for (int t = 0; t < timeoutMs; t += 20) {
        if (!enabled(app, kStop) && enabled(app, kRecord)) {
            if (++steady >= 15)
                return true;
        } else {
            steady = 0;
        }
        Sleep(20);
    }
    return false;
}

/* Records the signal: Record (or Monitor), the stream running, the feed, Stop. */
bool recordSignal(zd::App &app, Rig &rig, const Signal &sig, unsigned rate, int align, int command = kRecord)
{
    std::string raw = rig.work + "\\feed.raw";
    if (!writeAll(raw, sig.bytes))
        return false;
    (void)command;
    if (!waitRecording(app)) {
        ADD_FAILURE() << "recording did not start";
        return false;
    }
    if (!rig.waitUncorked()) {
        ADD_FAILURE() << "the capture stream never ran";
        return false;
    }
    if (!rig.feed(raw, rate, align) || !rig.waitFed()) {
        ADD_FAILURE() << "the feed did not finish";
        return false;
    }
    Sleep(300);
    /* While recording the status fields show the time left on the temporary drive and the
       wave growing. */
    std::string left, count;
    for (HWND c = GetWindow(app.main(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        std::string t = zd::windowText(c);
        if (t.size() > 5 && t.compare(t.size() - 5, 5, " left") == 0)
            left = t;
        if (t.size() > 8 && t.compare(t.size() - 8, 8, " Samples") == 0)
            count = t;
    }
    EXPECT_FALSE(left.empty()) << "no \" ... left\" read-out while recording";
    unsigned frames = 0;
    EXPECT_EQ(1, sscanf(count.c_str(), " %u Samples", &frames)) << count;
    EXPECT_GT(frames, 0u) << "the samples read-out follows the buffers that came back";
    app.command(kStop);
    if (!waitStopped(app)) {
        ADD_FAILURE() << "the device did not close after Stop";
        return false;
    }
    return true;
}

/* Saves the document and reads its samples back. */
Bytes savedSamples(zd::App &app, const std::string &dir, const char *name)
{
    std::string out = dir + "\\" + name;
    Bytes data;
    if (!zd::saveAs(app, out))
        return data;
    unsigned rate;
    int bits, ch;
    zd::readWave(out, &rate, &bits, &ch, &data);
    return data;
}

HWND meterOf(zd::App &app) { return FindWindowExA(app.main(), NULL, "ZeloMeter7", NULL); }
long meterState(zd::App &app, int what)
{
    static UINT msg = RegisterWindowMessageA("ZeloMeterState");
    return (long)SendMessageA(meterOf(app), msg, (WPARAM)what, 0);
}

/* Into a new waveform in the format of [Recent]: the New dialog, then exactly the signal. */
void recordNewExactly(Rig &rig, unsigned rate, int bits, int channels, const char *fmt)
{
    int align = bits / 8 * channels;
    ASSERT_TRUE(rig.source(fmt, rate, channels));
    Signal sig = makeSignal(rig, rate, bits, channels, 1.0);
    std::string settings = zd::freshDir(std::string("recnew-settings-") + fmt);
    char v[16];
    snprintf(v, sizeof v, "%u", rate);
    zd::writeIni(settings + "\\zelo.ini", "Recent", "SampleRate", v);
    zd::writeIni(settings + "\\zelo.ini", "Recent", "BitsPerSample", bits == 8 ? "8" : "16");
    zd::writeIni(settings + "\\zelo.ini", "Recent", "Channels", channels == 1 ? "1" : "2");
    zd::writeIni(settings + "\\zelo.ini", "Meter", "ShowOnPlay", "1");
    zd::App app;
    ASSERT_TRUE(app.start("", settings));
    EXPECT_TRUE(enabled(app, kRecord));
    long drawn = meterState(app, 7);
    app.command(kRecord);
    HWND dlg = app.waitWindow("New Waveform");
    ASSERT_TRUE(dlg);
    zd::click(dlg, IDOK);
    ASSERT_TRUE(recordSignal(app, rig, sig, rate, align));
    EXPECT_EQ("Undo Record", zd::menuText(app, kUndo));
    EXPECT_GT(meterState(app, 7), drawn) << "the meter follows the recording";
    EXPECT_EQ(channels, meterState(app, 0));
    Bytes got = savedSamples(app, rig.work, "rec.wav");
    long at = findMarker(got, sig.bytes, 0, align);
    ASSERT_GE(at, 0) << "marker not recorded; " << got.size() << " bytes";
    size_t n = std::min(got.size() - (size_t)at, sig.bytes.size());
    ASSERT_GE(n, sig.markerAndSweep) << "the sweep was cut short";
    EXPECT_TRUE(memcmp(&got[(size_t)at], sig.bytes.data(), n) == 0) << "recorded samples differ";
    /* Before the marker: only what the device gave before the feed began (silence). */
    size_t silent = 0;
    for (long i = 0; i < at; i++)
        silent += got[(size_t)i] == (bits == 8 ? 0x80 : 0);
    EXPECT_EQ((size_t)at, silent);
    printf("[ figure ] %u Hz %d-bit %d ch: %ld bytes before the marker (%.1f ms), %zu bytes compared\n",
           rate, bits, channels, at, at * 1000.0 / align / rate, n);
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

/* Leaves ALSA's test pcm a null sink, as a playback device that works, for the tests after. */
struct AlsaNullAfter {
    ~AlsaNullAfter()
    {
        FILE *f = fopen(winPath(ZELO_ALSA_TEST_CONF).c_str(), "w");
        if (f) {
            fprintf(f, "pcm.!default {\n  type null\n}\n");
            fclose(f);
        }
    }
};

/* ---- 1. Exact samples ---- */

TEST_F(Record, SixteenBitStereo44100IntoANewWaveIsExact) { recordNewExactly(rig, 44100, 16, 2, "s16le"); }

TEST_F(Record, EightBitMono11025IntoANewWaveIsExact) { recordNewExactly(rig, 11025, 8, 1, "u8"); }

/* ---- 2. From a cursor inside the file: overwrite, extend, undo ---- */

TEST_F(Record, FromACursorInsideTheFileOverwritesThenExtendsAndUndoPutsItBack)
{
    const unsigned rate = 22050;
    const int align = 4;
    ASSERT_TRUE(rig.source("s16le", rate, 2));
    Signal sig = makeSignal(rig, rate, 16, 2, 0.6);
    Bytes original = noise(rate * align, 3, 16);   /* 1 s */
    std::string in = rig.work + "\\orig.wav";
    ASSERT_TRUE(zd::writeWave(in, rate, 16, 2, original));
    zd::App app;
    ASSERT_TRUE(app.start("\"" + in + "\""));
    ASSERT_TRUE(zd::waitTitle(app, "orig.wav - Zelo Edit"));
    zd::settle(app);
    app.command(kStop);   /* the file plays by itself when opened from the command line */
    ASSERT_TRUE(waitStopped(app));
    /* The cursor at 0.5 s: a click in the middle of the waveform, read back in samples. */
    app.command(353);
    RECT rc;
    GetClientRect(app.main(), &rc);
    int left = 3, right = rc.right - 3, y = 30 + 40;
    app.post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((left + right) / 2, y));
    app.post(WM_LBUTTONUP, 0, MAKELPARAM((left + right) / 2, y));
    zd::settle(app);
    unsigned cursor = 0;
    for (HWND c = GetWindow(app.main(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (sscanf(zd::windowText(c).c_str(), " Beg: %u", &cursor) == 1)
            break;
    ASSERT_GT(cursor, rate / 4);
    ASSERT_LT(cursor, rate * 3 / 4);

    app.command(kRecord);
    ASSERT_TRUE(recordSignal(app, rig, sig, rate, align));
    Bytes got = savedSamples(app, rig.work, "over.wav");
    size_t c = (size_t)cursor * align;
    ASSERT_GT(got.size(), original.size()) << "the recording did not extend the file";
    EXPECT_TRUE(memcmp(got.data(), original.data(), c) == 0) << "frames before the cursor changed";
    long at = findMarker(got, sig.bytes, c, align);
    ASSERT_GE(at, 0);
    size_t n = std::min(got.size() - (size_t)at, sig.bytes.size());
    ASSERT_GE(n, sig.markerAndSweep);
    EXPECT_TRUE(memcmp(&got[(size_t)at], sig.bytes.data(), n) == 0);
    EXPECT_EQ(got.size(), (size_t)at + n) << "the recording ends where the device stopped giving";

    /* Undo: the old tail comes back, the recorded frames go. */
    app.command(kUndo);
    ASSERT_TRUE(zd::waitUndo(app, "Can't Undo"));
    Bytes back = savedSamples(app, rig.work, "undone.wav");
    EXPECT_TRUE(back == original) << back.size() << " bytes after Undo";
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

/* ---- 3. Monitoring and the meter ---- */

Bytes tone16(unsigned rate, double seconds, double dbfs, int channels)
{
    size_t frames = (size_t)(rate * seconds);
    Bytes b(frames * channels * 2);
    double a = 32767.0 * pow(10.0, dbfs / 20.0);
    for (size_t i = 0; i < frames; i++) {
        int16_t s = (int16_t)lround(a * sin(2 * 3.14159265358979323846 * 1000.0 * (double)i / rate));
        for (int c = 0; c < channels; c++) {
            b[(i * channels + c) * 2] = (unsigned char)(s & 0xFF);
            b[(i * channels + c) * 2 + 1] = (unsigned char)((s >> 8) & 0xFF);
        }
    }
    return b;
}

Bytes square16(unsigned rate, double seconds, int channels)
{
    size_t frames = (size_t)(rate * seconds);
    Bytes b(frames * channels * 2);
    for (size_t i = 0; i < frames; i++) {
        int16_t s = (i / 20) & 1 ? -32767 : 32767;
        for (int c = 0; c < channels; c++) {
            b[(i * channels + c) * 2] = (unsigned char)(s & 0xFF);
            b[(i * channels + c) * 2 + 1] = (unsigned char)((s >> 8) & 0xFF);
        }
    }
    return b;
}

bool waitMeter(zd::App &app, int what, long lo, long hi, int timeoutMs = 8000)
{
    for (int t = 0; t < timeoutMs; t += 20) {
        long v = meterState(app, what);
        if (v >= lo && v <= hi)
            return true;
        Sleep(20);
    }
    return false;
}

TEST_F(Record, MonitoringReadsMinusTwentyDbAndClipsButNeverChangesTheDocument)
{
    const unsigned rate = 44100;
    ASSERT_TRUE(rig.source("s16le", rate, 2));
    Bytes original = noise(rate / 5 * 4, 5, 16);
    std::string in = rig.work + "\\mon.wav";
    ASSERT_TRUE(zd::writeWave(in, rate, 16, 2, original));
    std::string settings = zd::freshDir("record-mon-settings");
    zd::writeIni(settings + "\\win.ini", "Zelo Edit", "PlayFromCursor", "No");
    zd::App app;
    ASSERT_TRUE(app.start("", settings));
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(zd::waitTitle(app, "mon.wav - Zelo Edit"));
    zd::settle(app);
    ASSERT_TRUE(meterOf(app));
    EXPECT_EQ(2, meterState(app, 0));
    EXPECT_EQ(60, meterState(app, 6));

    Bytes sig = tone16(rate, 2.0, -20.0, 2);
    Bytes loud = square16(rate, 1.0, 2);
    sig.insert(sig.end(), loud.begin(), loud.end());
    std::string raw = rig.work + "\\tone.raw";
    ASSERT_TRUE(writeAll(raw, sig));
    app.command(kMonitor);
    ASSERT_TRUE(waitRecording(app));
    EXPECT_FALSE(enabled(app, kPause)) << "Pause is for recording, not monitoring";
    UINT menuState = RegisterWindowMessageA("ZeloMenuState");
    EXPECT_TRUE(app.send(menuState, kMonitor, 0) & MF_CHECKED) << "Monitor VU Level is checked while monitoring";
    EXPECT_FALSE(enabled(app, kRecord));
    ASSERT_TRUE(rig.waitUncorked());
    ASSERT_TRUE(rig.feed(raw, rate, 4));
    /* The tone: the meter's own measure and its bar both read -20 dB, no clip. */
    ASSERT_TRUE(waitMeter(app, 2, -203, -197)) << meterState(app, 2);
    EXPECT_NEAR(-200, meterState(app, 3), 3);
    Sleep(300);
    EXPECT_NEAR(-200, meterState(app, 11), 10) << "the bar's reading";
    EXPECT_EQ(0, meterState(app, 1));
    zd::screenshot("meter-minus20");
    /* The full-scale part lights both clip boxes. */
    ASSERT_TRUE(waitMeter(app, 1, 3, 3));
    zd::screenshot("meter-clip");
    ASSERT_TRUE(rig.waitFed());
    app.command(kMonitor);   /* Monitor again stops */
    ASSERT_TRUE(waitStopped(app));
    EXPECT_FALSE(app.send(menuState, kMonitor, 0) & MF_CHECKED);
    EXPECT_EQ(3, meterState(app, 1)) << "the clip boxes stay lit until cleared";
    SendMessageA(meterOf(app), WM_COMMAND, kClearClip, 0);   /* as the popup menu does */
    app.idle();
    EXPECT_EQ(0, meterState(app, 1));
    SendMessageA(meterOf(app), WM_COMMAND, kRange30, 0);   /* as the popup menu does */
    app.idle();
    EXPECT_EQ(30, meterState(app, 6));

    /* Nothing was written. */
    EXPECT_EQ("mon.wav - Zelo Edit", app.title());
    Bytes got = savedSamples(app, rig.work, "mon-after.wav");
    EXPECT_TRUE(got == original);
    EXPECT_EQ(0, app.close());
    /* The meter's settings survive a restart. */
    EXPECT_EQ("30", zd::readIni(settings + "\\zelo.ini", "Meter", "Range"));
    zd::App again;
    ASSERT_TRUE(again.start("", settings));
    EXPECT_EQ(30, meterState(again, 6));
    EXPECT_EQ(0, again.close());
}

/* ---- 4. Ending cleanly ---- */

TEST_F(Record, StopDuringTheFirstBufferAndClosingWhileRecordingEndCleanly)
{
    const unsigned rate = 44100;
    ASSERT_TRUE(rig.source("s16le", rate, 2));
    Bytes original = noise(rate / 5 * 4, 9, 16);
    std::string in = rig.work + "\\stop.wav";
    ASSERT_TRUE(zd::writeWave(in, rate, 16, 2, original));
    {
        zd::App app;
        ASSERT_TRUE(app.start());
        ASSERT_TRUE(app.dropFiles({in}));
        ASSERT_TRUE(zd::waitTitle(app, "stop.wav - Zelo Edit"));
        zd::settle(app);
        /* Record and Stop at once, before a buffer has come back; Stop again, twice. */
        app.command(kRecord);
        app.command(kStop);
        app.command(kStop);
        app.command(kStop);
        ASSERT_TRUE(waitStopped(app));
        EXPECT_TRUE(enabled(app, kPlay));
        EXPECT_FALSE(enabled(app, kPause));
        /* Recording again works after that; Pause says Continue and back. */
        app.command(kRecord);
        ASSERT_TRUE(waitRecording(app));
        EXPECT_TRUE(enabled(app, kPause));
        Sleep(300);
        app.command(kPause);
        app.idle();
        EXPECT_EQ("Continue", zd::windowText(GetDlgItem(app.main(), kPause)));
        EXPECT_TRUE(enabled(app, kStop));
        app.command(kPause);
        app.idle();
        EXPECT_EQ("Pause", zd::windowText(GetDlgItem(app.main(), kPause)));
        Sleep(300);
        app.command(kStop);
        ASSERT_TRUE(waitStopped(app));
        EXPECT_EQ(0, zd::closeDiscarding(app));
    }
    {
        /* Closing the program while it records: asked to save, then gone. */
        zd::App app;
        ASSERT_TRUE(app.start("\"" + in + "\""));
        ASSERT_TRUE(zd::waitTitle(app, "stop.wav - Zelo Edit"));
        zd::settle(app);
        app.command(kStop);
        ASSERT_TRUE(waitStopped(app));
        app.command(kRecord);
        ASSERT_TRUE(waitRecording(app));
        ASSERT_TRUE(rig.waitUncorked());
        Sleep(700);
        EXPECT_EQ(0, zd::closeDiscarding(app, 15000));
    }
}

/* A temporary drive of 1 MB: the recording stops by itself before the 256000-byte reserve,
   keeps every frame it recorded, and says why. */
TEST_F(Record, AFullTemporaryDriveStopsTheRecordingAndKeepsWhatWasRecorded)
{
    const unsigned rate = 44100;
    std::string mnt = zd::unixPath(rig.work) + "/tmpfs";
    std::string mounted = rig.work + "\\mounted";
    zd::runNative(rig.work, "mkdir -p '" + mnt + "' && mount -t tmpfs -o size=1m tmpfs '" + mnt + "' && touch '" +
                  zd::unixPath(mounted) + "'");
    if (!zd::fileExists(mounted))
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    struct Unmount {
        std::string w, m;
        ~Unmount() { zd::runNative(w, "umount '" + m + "'"); }
    } unmount{rig.work, mnt};
    ASSERT_TRUE(rig.source("s16le", rate, 2));
    Signal sig = makeSignal(rig, rate, 16, 2, 5.5);
    std::string settings = zd::freshDir("record-full-settings");
    zd::writeIni(settings + "\\zelo.ini", "Size", "TempOverride", (rig.work + "\\tmpfs").c_str());
    zd::writeIni(settings + "\\zelo.ini", "Recent", "SampleRate", "44100");
    std::string raw = rig.work + "\\feed.raw";
    ASSERT_TRUE(writeAll(raw, sig.bytes));
    {
        zd::App app;
        ASSERT_TRUE(app.start("", settings));
        app.command(kRecord);
        HWND dlg = app.waitWindow("New Waveform");
        ASSERT_TRUE(dlg);
        zd::click(dlg, IDOK);
        ASSERT_TRUE(waitRecording(app));
        ASSERT_TRUE(rig.waitUncorked());
        ASSERT_TRUE(rig.feed(raw, rate, 4));
        zd::MsgBox box;
        ASSERT_TRUE(app.waitMessageBox(&box, 15000)) << "the recording did not stop by itself";
        EXPECT_EQ("Out of Space", box.caption);
        EXPECT_EQ("The temporary drive is full: the recording stopped.  Everything recorded so far is kept.", box.text);
        zd::click(box.hwnd, IDOK);
        EXPECT_FALSE(enabled(app, kStop));
        EXPECT_TRUE(enabled(app, kRecord));
        Bytes got = savedSamples(app, rig.work, "full.wav");
        long at = findMarker(got, sig.bytes, 0, 4);
        ASSERT_GE(at, 0);
        size_t n = got.size() - (size_t)at;
        EXPECT_GT(n, 400000u);
        /* The buffer that crossed the line and those the device still held are kept too. */
        EXPECT_LE(got.size(), (size_t)(1 << 20) - 256000u + 2 * 90112u);
        EXPECT_TRUE(memcmp(&got[(size_t)at], sig.bytes.data(), std::min(n, sig.bytes.size())) == 0);
        printf("[ figure ] 1 MB temporary drive: %zu bytes recorded before the stop\n", got.size());
        EXPECT_EQ(0, zd::closeDiscarding(app));
    }
    /* The rest of the feed stays unread (nothing records any more); the next test's fresh
       source ends it. */
}

TEST_F(Record, NoInputDeviceSaysSo)
{
    setDriver("none");   /* no driver: no wave-in device at all */
    zd::App app;
    ASSERT_TRUE(app.start());
    app.command(kRecord);
    HWND dlg = app.waitWindow("New Waveform");
    ASSERT_TRUE(dlg);
    zd::click(dlg, IDOK);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box));
    EXPECT_EQ("RecordVoc Error", box.caption);
    EXPECT_EQ("No recording device is available.", box.text);
    zd::click(box.hwnd, IDOK);
    zd::settle(app);
    EXPECT_FALSE(enabled(app, kStop));
    EXPECT_TRUE(enabled(app, kRecord));
    app.command(kMonitor);
    ASSERT_TRUE(app.waitMessageBox(&box));
    EXPECT_EQ("RecordVoc Error", box.caption);
    zd::click(box.hwnd, IDOK);
    zd::settle(app);
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

/* An input that cannot work (ALSA's default pcm names a card that is not there): a message
   under "RecordVoc Error" (Wine then lists no input at all), nothing changes, the program
   goes on. */
TEST(RecordFaults, ABrokenInputSaysSoUnderRecordVocErrorAndChangesNothing)
{
    AlsaNullAfter restore;
    std::string conf = winPath(ZELO_ALSA_TEST_CONF);
    FILE *f = fopen(conf.c_str(), "w");
    ASSERT_TRUE(f);
    fprintf(f, "pcm.!default {\n  type hw\n  card 57\n}\n");
    fclose(f);
    std::string dir = zd::freshDir("record-refused");
    std::string in = dir + "\\in.wav";
    ASSERT_TRUE(zd::writeWave(in, 22050, 16, 2, noise(22050 * 4 / 2, 2, 16)));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(zd::waitTitle(app, "in.wav - Zelo Edit"));
    zd::settle(app);
    app.command(kRecord);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box));
    EXPECT_EQ("RecordVoc Error", box.caption);
    EXPECT_FALSE(box.text.empty());
    printf("[ note ] the broken input says: %s\n", box.text.c_str());
    zd::click(box.hwnd, IDOK);
    zd::settle(app);
    EXPECT_FALSE(enabled(app, kStop));
    EXPECT_TRUE(enabled(app, kRecord));
    EXPECT_EQ("in.wav - Zelo Edit", app.title()) << "a recording that never started changes nothing";
    EXPECT_EQ("Can't Undo", zd::menuText(app, kUndo));
    EXPECT_EQ(0, app.close());
}

/* ---- 5. The meter follows playback (through ALSA into a file, as the playback tests) ---- */

TEST(RecordMeter, FollowsPlaybackWhenShownOnPlay)
{
    AlsaNullAfter restore;
    std::string dir = zd::freshDir("record-meterplay");
    std::string conf = winPath(ZELO_ALSA_TEST_CONF);
    FILE *f = fopen(conf.c_str(), "w");
    ASSERT_TRUE(f);
    fprintf(f, "pcm.!default {\n  type file\n  slave.pcm { type null }\n  file \"%s\"\n  format \"raw\"\n  truncate true\n}\n",
            zd::unixPath(dir + "\\played.raw").c_str());
    fclose(f);
    std::string settings = zd::freshDir("record-meterplay-settings");
    zd::writeIni(settings + "\\zelo.ini", "Meter", "ShowOnPlay", "1");
    Bytes tone = tone16(44100, 3.0, -20.0, 2);
    std::string in = dir + "\\tone.wav";
    ASSERT_TRUE(zd::writeWave(in, 44100, 16, 2, tone));
    zd::App app;
    ASSERT_TRUE(app.start("", settings));
    EXPECT_EQ(1, meterState(app, 10) & 1);
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(zd::waitTitle(app, "tone.wav - Zelo Edit"));
    zd::settle(app);
    long before = meterState(app, 7);
    app.command(kPlay);
    ASSERT_TRUE(waitMeter(app, 2, -203, -197, 10000)) << meterState(app, 2);
    ASSERT_TRUE(waitStopped(app, 30000));
    EXPECT_GT(meterState(app, 7), before + 3) << "the meter was drawn during playback";
    EXPECT_EQ(2, meterState(app, 0));
    EXPECT_EQ(0, meterState(app, 1));
    /* Switched off: playback no longer feeds it. */
    SendMessageA(meterOf(app), WM_COMMAND, kShowOnPlay, 0);   /* as the popup menu does */
    app.idle();
    EXPECT_EQ(0, meterState(app, 10) & 1);
    before = meterState(app, 7);
    app.command(kPlay);
    ASSERT_TRUE(waitRecording(app));
    ASSERT_TRUE(waitStopped(app, 30000));
    EXPECT_EQ(before, meterState(app, 7));
    EXPECT_EQ(0, app.close());
    EXPECT_EQ("0", zd::readIni(settings + "\\zelo.ini", "Meter", "ShowOnPlay"));
}

} // namespace
