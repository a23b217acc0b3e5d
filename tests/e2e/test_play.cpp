/*
 * Playback as a user meets it, through the real zelo.exe and Wine's ALSA driver: each test
 * points ALSA's default pcm at a raw file in its own folder (see AlsaFile),
 * so every byte the program played lands there.  A file named on the command line plays by
 * itself; Play, Stop and Pause are the transport commands; settings come from the profile.
 */
#include "zdriver.h"
#include "alsafile.h"

#include <gtest/gtest.h>
#include <stdio.h>

namespace {

const int kPlay = 199, kPause = 192, kStop = 198, kRecord = 194;
typedef std::vector<unsigned char> Bytes;


Bytes pattern(size_t n, unsigned seed = 1)
{
    Bytes v(n);
    for (size_t i = 0; i < n; i++)
        v[i] = (unsigned char)((i * 7u + seed * 13u + (i >> 8) * 3u) & 0xFF);
    return v;
}

bool stopEnabled(zd::App &app) { return IsWindowEnabled(GetDlgItem(app.main(), kStop)) != 0; }

/* Waits until playback has begun (Stop enabled) or timeoutMs passed. */
bool waitPlaying(zd::App &app, int timeoutMs = 5000)
{
    for (int t = 0; t < timeoutMs; t += 10) {
        if (stopEnabled(app))
            return true;
        Sleep(10);
    }
    return false;
}

/* Waits until the device has closed again: Stop disabled and Play enabled for 300 ms on
   end (a restart passes through that state for a moment).  Commands are posted, and a
   sent message overtakes them, so the tests poll for what the user would see. */
bool waitIdle(zd::App &app, int timeoutMs = 30000)
{
    int steady = 0;
    for (int t = 0; t < timeoutMs; t += 20) {
        if (!stopEnabled(app) && IsWindowEnabled(GetDlgItem(app.main(), kPlay))) {
            if (++steady >= 15)
                return true;
        } else {
            steady = 0;
        }
        Sleep(20);
    }
    return false;
}

bool waitText(HWND w, const std::string &text, int timeoutMs = 3000)
{
    for (int t = 0; t < timeoutMs; t += 10) {
        if (zd::windowText(w) == text)
            return true;
        Sleep(10);
    }
    return false;
}

/* A playback the program started by itself: waits until sound reached the file, then
   until the device has closed again. */
bool waitPlayedAndIdle(zd::App &app, const AlsaFile &alsa, int timeoutMs = 30000)
{
    for (int t = 0; alsa.size() <= 0; t += 20) {
        if (t > 10000)
            return false;
        Sleep(20);
    }
    return waitIdle(app, timeoutMs);
}

std::string waveFile(const std::string &dir, unsigned rate, int bits, int channels, const Bytes &data)
{
    std::string path = dir + "\\in.wav";
    EXPECT_TRUE(zd::writeWave(path, rate, bits, channels, data));
    return path;
}

/* Bytes from..from+n of v, cut short where v ends. */
Bytes slice(const Bytes &v, size_t from, size_t n)
{
    from = from < v.size() ? from : v.size();
    n = n < v.size() - from ? n : v.size() - from;
    return Bytes(v.begin() + from, v.begin() + from + n);
}

bool allAre(const Bytes &v, size_t from, unsigned char value)
{
    for (size_t i = from; i < v.size(); i++)
        if (v[i] != value)
            return false;
    return true;
}

/* ---- 1. What is played ---- */

TEST(Play, FileOpenedAtStartPlaysItselfExactlyAndPlayPlaysItAgain)
{
    AlsaFile alsa("play-start");
    ASSERT_TRUE(alsa.ok) << "ALSA_CONFIG_PATH must name " ZELO_ALSA_BASE_CONF;
    Bytes data = pattern(22050 * 4);          /* 1 s, 22050 Hz stereo 16-bit */
    std::string in = waveFile(alsa.dir, 22050, 16, 2, data);
    zd::App app;
    ASSERT_TRUE(app.start("\"" + in + "\""));
    ASSERT_TRUE(waitPlayedAndIdle(app, alsa));
    /* 40960-byte buffers: 2 full, then 6280 bytes padded to the 16400 threshold. */
    Bytes got = alsa.played();
    ASSERT_EQ(2u * 40960 + 16400, got.size());
    EXPECT_TRUE(data == slice(got, 0, data.size()));
    EXPECT_TRUE(allAre(got, data.size(), 0));

    app.command(kPlay);
    ASSERT_TRUE(waitPlaying(app));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kRecord)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(app.main(), kPause)));
    ASSERT_TRUE(waitIdle(app));
    EXPECT_TRUE(alsa.played() == got);
    /* Record is live again once playback has ended. */
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(app.main(), kRecord)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kPause)));
    EXPECT_EQ(0, app.close());
}

TEST(Play, SixteenBitWithConvert16to8IsSentAsHighBytesPlus128)
{
    AlsaFile alsa("play-8bit");
    ASSERT_TRUE(alsa.ok) << "ALSA_CONFIG_PATH must name " ZELO_ALSA_BASE_CONF;
    Bytes data = pattern(44100 * 2, 7);       /* 1 s, 44100 Hz mono 16-bit */
    std::string in = waveFile(alsa.dir, 44100, 16, 1, data);
    std::string settings = zd::freshDir("play-8bit-settings");
    zd::writeIni(settings + "\\win.ini", "Zelo Edit", "Convert16to8", "Yes");
    zd::App app;
    ASSERT_TRUE(app.start("\"" + in + "\"", settings));
    ASSERT_TRUE(waitPlayedAndIdle(app, alsa));
    Bytes got = alsa.played();
    /* 8-bit mono: 21504-byte buffers; 44100 = 2 x 21504 + 1092, padded with 128 to 16400. */
    ASSERT_EQ(2u * 21504 + 16400, got.size());
    for (size_t i = 0; i < 44100; i++)
        ASSERT_EQ((unsigned char)(data[2 * i + 1] + 128), got[i]) << i;
    EXPECT_TRUE(allAre(got, 44100, 0x80));
    EXPECT_EQ(0, app.close());
}

TEST(Play, NumBuffersOnePlaysWithTwoAndFortyWithThirtyTwo)
{
    /* The buffer size shows in where the padding falls: 44100 Hz stereo 16-bit, 4 s of
       ring: 2 buffers of 352256 bytes, 32 of 20480 bytes. */
    Bytes data = pattern(352256 + 20480 + 1000, 3);   /* = 18 x 20480 + 5096 */
    struct Case { const char *value; size_t length; std::string kept; } cases[] = {
        {"1", 352256 + 20480 + 1000, "2"},        /* last piece 21480: no padding */
        {"40", 18 * 20480 + 16400, "32"},         /* 18 full buffers, then 5096 padded */
    };
    for (const Case &c : cases) {
        AlsaFile alsa(std::string("play-buffers-") + c.value);
        ASSERT_TRUE(alsa.ok);
    ASSERT_TRUE(alsa.ok) << "ALSA_CONFIG_PATH must name " ZELO_ALSA_BASE_CONF;
        std::string in = waveFile(alsa.dir, 44100, 16, 2, data);
        std::string settings = zd::freshDir(std::string("play-buffers-set-") + c.value);
        zd::writeIni(settings + "\\win.ini", "Zelo Edit", "NumBuffers", c.value);
        zd::App app;
        ASSERT_TRUE(app.start("\"" + in + "\"", settings));
        ASSERT_TRUE(waitPlayedAndIdle(app, alsa));
        Bytes got = alsa.played();
        /* Under load Wine's ALSA side may slip a few milliseconds of silence in (an
           underrun of its own ring); 40 buffers of 16384 bytes would give 376848. */
        ASSERT_GE(got.size(), c.length) << "NumBuffers " << c.value;
        EXPECT_LT(got.size(), c.length + 4096) << "NumBuffers " << c.value;
        EXPECT_TRUE(slice(data, 0, 18 * 20480) == slice(got, 0, 18 * 20480)) << c.value;
        EXPECT_EQ(0, app.close());
        /* The clamped count is what the program kept. */
        EXPECT_EQ(c.kept, zd::readIni(settings + "\\win.ini", "Zelo Edit", "NumBuffers"));
    }
}

/* ---- 2. Transport ---- */

TEST(Play, PlayDuringPlaybackRestartsAndStopThreeTimesCloses)
{
    AlsaFile alsa("play-restart");
    ASSERT_TRUE(alsa.ok) << "ALSA_CONFIG_PATH must name " ZELO_ALSA_BASE_CONF;
    Bytes data = pattern(44100 * 4 * 6, 9);   /* 6 s */
    std::string in = waveFile(alsa.dir, 44100, 16, 2, data);
    zd::App app;
    ASSERT_TRUE(app.start("\"" + in + "\""));
    ASSERT_TRUE(waitPlaying(app));
    Sleep(100);
    app.command(kPlay);                         /* restart from the start */
    ASSERT_TRUE(waitIdle(app));
    /* The second device open truncated the file: it holds one whole playback, so the
       two opens did not overlap. */
    Bytes got = alsa.played();
    ASSERT_GE(got.size(), data.size());
    EXPECT_TRUE(data == slice(got, 0, data.size()));

    /* Three Stops before the device has answered the first. */
    app.command(kPlay);
    app.command(kStop);
    app.command(kStop);
    app.command(kStop);
    ASSERT_TRUE(waitIdle(app, 5000));
    EXPECT_TRUE(app.running());
    /* Nothing is left half-open: the next Play plays the whole file again. */
    app.command(kPlay);
    ASSERT_TRUE(waitPlaying(app));
    ASSERT_TRUE(waitIdle(app));
    got = alsa.played();
    EXPECT_GE(got.size(), data.size());
    EXPECT_TRUE(data == slice(got, 0, data.size()));
    EXPECT_EQ(0, app.close());
}

TEST(Play, PauseSaysContinueAndStopEndsPlayback)
{
    AlsaFile alsa("play-pause");
    ASSERT_TRUE(alsa.ok) << "ALSA_CONFIG_PATH must name " ZELO_ALSA_BASE_CONF;
    Bytes data = pattern(44100 * 4 * 8, 2);
    std::string in = waveFile(alsa.dir, 44100, 16, 2, data);
    zd::App app;
    ASSERT_TRUE(app.start("\"" + in + "\""));
    ASSERT_TRUE(waitPlaying(app));
    app.command(kPause);
    EXPECT_TRUE(waitText(GetDlgItem(app.main(), kPause), "Continue"));
    Sleep(300);
    long held = alsa.size();
    Sleep(300);
    EXPECT_EQ(held, alsa.size());               /* paused: nothing more is played */
    app.command(kPause);
    EXPECT_TRUE(waitText(GetDlgItem(app.main(), kPause), "Pause"));
    app.command(kStop);
    ASSERT_TRUE(waitIdle(app, 5000));
    EXPECT_LT(alsa.size(), (long)data.size());
    EXPECT_EQ("Pause", zd::windowText(GetDlgItem(app.main(), kPause)));
    EXPECT_EQ(0, app.close());
}

/* ---- 3. A device that cannot be opened ---- */

TEST(Play, DeviceThatCannotOpenSaysSoOnPlayButNotAtStartUp)
{
    AlsaFile alsa("play-broken", true);
    ASSERT_TRUE(alsa.ok) << "ALSA_CONFIG_PATH must name " ZELO_ALSA_BASE_CONF;
    Bytes data = pattern(8000);
    std::string in = waveFile(alsa.dir, 8000, 8, 1, data);
    zd::App app;
    ASSERT_TRUE(app.start("\"" + in + "\""));
    app.idle(500);
    zd::MsgBox box;
    EXPECT_FALSE(app.waitMessageBox(&box, 500)) << box.caption << ": " << box.text;
    app.command(kPlay);
    ASSERT_TRUE(app.waitMessageBox(&box));
    EXPECT_EQ("Wave System Error", box.caption);
    EXPECT_FALSE(box.text.empty());
    printf("[seen] Wave System Error: %s\n", box.text.c_str());
    PostMessageA(box.hwnd, WM_COMMAND, IDOK, 0);
    app.idle();
    /* Wine lists no wave-out device for this pcm, so Play is grey (nothing to play on). */
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kPlay)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kStop)));
    EXPECT_EQ(0, app.close());
}

/* ---- 4. The cursor, and the figures ---- */

/* The column where a picture differs from the same picture without the cursor (taken
   after Stop, so Stop must have taken the cursor away) in most rows, or -1. */
int cursorColumn(const std::vector<unsigned> &with, const std::vector<unsigned> &without, int width, int top, int bottom)
{
    for (int x = 0; x < width; x++) {
        int differ = 0;
        for (int y = top; y < bottom; y++)
            differ += with[(size_t)y * width + x] != without[(size_t)y * width + x];
        if (differ * 5 >= (bottom - top) * 4)
            return x;
    }
    return -1;
}

TEST(Play, CursorMovesAcrossTheWaveformWhilePlaying)
{
    AlsaFile alsa("play-cursor");
    ASSERT_TRUE(alsa.ok) << "ALSA_CONFIG_PATH must name " ZELO_ALSA_BASE_CONF;
    Bytes data = pattern(8000 * 40);            /* 40 s at 8000 Hz mono 8-bit */
    std::string in = waveFile(alsa.dir, 8000, 8, 1, data);
    zd::App app;
    ASSERT_TRUE(app.start("\"" + in + "\""));
    ASSERT_TRUE(waitPlaying(app));
    Sleep(1500);
    int w, h;
    std::vector<unsigned> first, second, after;
    ASSERT_TRUE(zd::grabClient(app.main(), &w, &h, &first));
    zd::screenshot("play-cursor-1");
    Sleep(2500);
    ASSERT_TRUE(zd::grabClient(app.main(), &w, &h, &second));
    zd::screenshot("play-cursor-2");
    app.command(kStop);
    ASSERT_TRUE(waitIdle(app, 5000));
    ASSERT_TRUE(zd::grabClient(app.main(), &w, &h, &after));
    /* The waveform area: below the toolbar, above the transport buttons. */
    RECT b;
    GetWindowRect(GetDlgItem(app.main(), kPlay), &b);
    MapWindowPoints(NULL, app.main(), (POINT *)&b, 2);
    int top = 40, bottom = b.top - 30;
    ASSERT_GT(bottom, top);
    int x1 = cursorColumn(first, after, w, top, bottom), x2 = cursorColumn(second, after, w, top, bottom);
    EXPECT_GE(x1, 0);
    EXPECT_GT(x2, x1);
    EXPECT_EQ(0, app.close());
}

TEST(Play, FigureCpuWhilePlayingALongFile)
{
    AlsaFile alsa("play-long");
    ASSERT_TRUE(alsa.ok) << "ALSA_CONFIG_PATH must name " ZELO_ALSA_BASE_CONF;
    const unsigned seconds = 60;
    Bytes data = pattern((size_t)44100 * 4 * seconds, 4);
    std::string in = waveFile(alsa.dir, 44100, 16, 2, data);
    zd::App app;
    ASSERT_TRUE(app.start("\"" + in + "\""));
    ASSERT_TRUE(waitPlaying(app, 20000));
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, app.pid());
    ASSERT_TRUE(p != NULL);
    FILETIME c, e, k0, u0, k1, u1;
    GetProcessTimes(p, &c, &e, &k0, &u0);
    DWORD t0 = GetTickCount();
    ASSERT_TRUE(waitIdle(app, 120000));
    DWORD wall = GetTickCount() - t0;
    GetProcessTimes(p, &c, &e, &k1, &u1);
    CloseHandle(p);
    auto ms = [](const FILETIME &a, const FILETIME &b) {
        ULARGE_INTEGER x, y;
        x.LowPart = a.dwLowDateTime; x.HighPart = a.dwHighDateTime;
        y.LowPart = b.dwLowDateTime; y.HighPart = b.dwHighDateTime;
        return (double)(y.QuadPart - x.QuadPart) / 10000.0;
    };
    double cpu = ms(k0, k1) + ms(u0, u1);
    printf("[figure] %u s of 44100 Hz stereo 16-bit played in %lu ms wall: program CPU %.0f ms "
           "(%.2f%% of the audio's playing time, %.1f%% of the wall time)\n",
           seconds, (unsigned long)wall, cpu, cpu / (seconds * 10.0), wall ? cpu * 100.0 / wall : 0.0);
    Bytes got = alsa.played();
    ASSERT_GE(got.size(), data.size());
    EXPECT_TRUE(data == slice(got, 0, data.size()));
    EXPECT_EQ(0, app.close());
}

} // namespace
