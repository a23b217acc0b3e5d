/*
 * Playback through the real wave-out device under Wine: Wine's ALSA driver writes every
 * played byte into a file (ALSA_CONFIG_PATH names a configuration whose default pcm is a
 * raw file), so each case checks exactly what reached the device.  The engine runs in this
 * process with a window of its own that gets the device messages, as the main window does.
 */
#include "audio/audio.h"
#include "ui/frame.h"
#include "core/document.h"
#include "core/settings.h"
#include "store/blockfile.h"
#include "store/voc.h"
#include "resources/resource.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

/* The transport buttons are real buttons of the test's own host window, as in the program. */
static int buttonOn(int which) { return Frame.button[which] && IsWindowEnabled(Frame.button[which]); }
#define ButtonOn(which) buttonOn(which)

namespace {

typedef std::vector<uint8_t> Bytes;

std::vector<UINT> &deviceLog() { static std::vector<UINT> v; return v; }

LRESULT CALLBACK hostProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case MM_WOM_OPEN:  deviceLog().push_back(msg); return 0;
    case MM_WOM_DONE:  audioOnWomDone((HWAVEOUT)wParam, (WAVEHDR *)lParam); return 0;
    case MM_WOM_CLOSE: deviceLog().push_back(msg); audioOnWomClose((HWAVEOUT)wParam); return 0;
    case WM_TIMER:     if (wParam == PLAY_TIMER) audioOnTimer(); return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_PLAY) audioCmdPlay();
        else if (LOWORD(wParam) == IDM_STOP) audioCmdStop();
        return 0;
    }
    return DefWindowProcA(w, msg, wParam, lParam);
}

std::string playedPath()
{
    std::string p = "Z:" ZELO_PLAYED_RAW;
    for (char &c : p)
        if (c == '/')
            c = '\\';
    return p;
}

Bytes readPlayed();
/* Where two byte strings first differ, for the failure message. */
std::string firstDifference(const Bytes &want, const Bytes &got)
{
    size_t n = want.size() < got.size() ? want.size() : got.size(), i = 0;
    while (i < n && want[i] == got[i])
        i++;
    char text[160];
    snprintf(text, sizeof text, "sizes %u and %u, first difference at %u", (unsigned)want.size(), (unsigned)got.size(), (unsigned)i);
    return text;
}

Bytes readPlayed()
{
    Bytes b;
    FILE *f = fopen(playedPath().c_str(), "rb");
    if (!f)
        return b;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        b.insert(b.end(), buf, buf + n);
    fclose(f);
    return b;
}

class PlayDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(&Frame, 0, sizeof Frame);
        Frame.instance = GetModuleHandleA(NULL);
        WNDCLASSA wc;
        memset(&wc, 0, sizeof wc);
        wc.lpfnWndProc = hostProc;
        wc.hInstance = Frame.instance;
        wc.lpszClassName = "ZeloPlayHost";
        RegisterClassA(&wc);
        Frame.main = CreateWindowExA(0, "ZeloPlayHost", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, NULL, NULL, Frame.instance, NULL);
        ASSERT_TRUE(Frame.main != NULL);
        SetRect(&Frame.waveArea, 0, 0, 400, 150);
        for (int i = 0; i < BTN_COUNT; i++)
            Frame.button[i] = CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 50, 20, Frame.main, NULL, Frame.instance, NULL);
        Frame.noPlayBar = 1;
        settingsDefaults();
        docInit();
        memset(&Play, 0, sizeof Play);
        audioStartup();
        deviceLog().clear();
        DeleteFileA(playedPath().c_str());
        ASSERT_EQ(0, bopen(zt::tempPath("playdev.tmp").c_str()));
    }
    void TearDown() override
    {
        audioShutdown();
        pump(200);
        EXPECT_EQ(0u, (unsigned)Play.device);
        bclose();
        DestroyWindow(Frame.main);
    }
    void wave(uint32_t rate, uint16_t channels, uint16_t bits, const Bytes &data)
    {
        vocSetFormat(channels, bits, 0);
        ASSERT_EQ(0, vocAppend(data.data(), (uint32_t)data.size()));
        Doc.sampleRate = rate;
        Doc.storeOpen = 1;
        Doc.viewStart = 0;
        Doc.viewEnd = docFrames() - 1;
        Doc.selStart = 0;
        Doc.selEnd = DOC_NONE;
    }
    static void pump(int ms)
    {
        DWORD end = GetTickCount() + (DWORD)ms;
        while ((int)(end - GetTickCount()) > 0) {
            MSG m;
            while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE))
                DispatchMessageA(&m);
            Sleep(2);
        }
    }
    /* Runs the message loop until the device has closed and no restart is pending. */
    static bool untilClosed(int timeoutMs = 20000)
    {
        DWORD end = GetTickCount() + (DWORD)timeoutMs;
        while ((int)(end - GetTickCount()) > 0) {
            MSG m;
            while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE))
                DispatchMessageA(&m);
            if (!Play.device && !Play.restart) {
                pump(50);   /* a posted Play may still be on its way */
                if (!Play.device && !Play.restart)
                    return true;
            }
            Sleep(2);
        }
        return false;
    }
    static Bytes pattern(size_t n, unsigned seed = 1)
    {
        Bytes v(n);
        for (size_t i = 0; i < n; i++)
            v[i] = (uint8_t)((i * 7u + seed * 13u + (i >> 8) * 3u) & 0xFF);
        return v;
    }
    /* Bytes from..from+n of v, cut short where v ends. */
    static Bytes slice(const Bytes &v, size_t from, size_t n)
    {
        from = from < v.size() ? from : v.size();
        n = n < v.size() - from ? n : v.size() - from;
        return Bytes(v.begin() + from, v.begin() + from + n);
    }
    static bool allAre(const Bytes &v, size_t from, uint8_t value)
    {
        for (size_t i = from; i < v.size(); i++)
            if (v[i] != value)
                return false;
        return true;
    }
};

/* ---- 1. What reaches the device ---- */

TEST_F(PlayDevice, SelectionIsPlayedExactlyThenOnlyThePadding)
{
    Bytes data = pattern(400000);
    wave(44100, 2, 16, data);
    Doc.selStart = 10000;
    Doc.selEnd = 59999;               /* 50000 frames, 200000 bytes */
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    audioCmdPlay();
    QueryPerformanceCounter(&t1);
    ASSERT_TRUE(Play.device != 0);
    EXPECT_TRUE(ButtonOn(BTN_STOP));
    EXPECT_TRUE(ButtonOn(BTN_PAUSE));
    EXPECT_FALSE(ButtonOn(BTN_RECORD));
    printf("[figure] Play command to the whole ring queued: %.2f ms (%d buffers of %u bytes); first write after %u ms\n",
           (double)(t1.QuadPart - t0.QuadPart) * 1000.0 / (double)f.QuadPart, Play.queuedAtStart,
           (unsigned)Play.bufferSize, (unsigned)(Play.firstWriteTick - Play.commandTick));
    ASSERT_TRUE(untilClosed());
    Bytes got = readPlayed();
    /* 86016-byte buffers: 2 full, then 27968 bytes, above the threshold: no padding at all. */
    ASSERT_EQ(200000u, got.size());
    EXPECT_TRUE(slice(data, 40000, 200000) == got);
    EXPECT_FALSE(ButtonOn(BTN_STOP));
    EXPECT_TRUE(ButtonOn(BTN_PLAY));
    EXPECT_EQ(AUDIO_CAN_RECORD != 0, ButtonOn(BTN_RECORD) != 0);
    EXPECT_EQ(PLAY_NOENTRY, Play.listEntry);
}

TEST_F(PlayDevice, ShortSelectionIsMaterialThenSilenceToTheThreshold)
{
    Bytes data = pattern(40000);
    wave(44100, 2, 16, data);
    Doc.selStart = 100;
    Doc.selEnd = 1099;                /* 4000 bytes */
    audioCmdPlay();
    ASSERT_TRUE(untilClosed());
    Bytes got = readPlayed();
    ASSERT_EQ(16400u, got.size());
    EXPECT_TRUE(slice(data, 400, 4000) == slice(got, 0, 4000));
    EXPECT_TRUE(allAre(got, 4000, 0));
}

TEST_F(PlayDevice, LoopFromCursorFirstThenFromViewStart)
{
    Bytes data = pattern(120000);
    wave(22050, 1, 16, data);        /* 60000 frames */
    Doc.viewStart = 10000;
    Doc.viewEnd = 19999;
    Doc.selStart = 15000;             /* the cursor, mid-view */
    Play.loopMode = 1;
    audioCmdPlay();
    ASSERT_TRUE(Play.device != 0);
    /* The cursor wraps: in loop mode positions stay inside the view. */
    for (int i = 0; i < 20; i++) {
        pump(20);
        uint32_t p = PlayPosition();
        EXPECT_GE(p, 10000u);
        EXPECT_LE(p, 19999u);
    }
    pump(1500);
    audioCmdStop();
    ASSERT_TRUE(untilClosed());
    Bytes got = readPlayed();
    ASSERT_GT(got.size(), 10000u + 3 * 20000u);
    EXPECT_TRUE(slice(data, 30000, 10000) == slice(got, 0, 10000));       /* cursor..view end */
    for (size_t at = 10000; at + 20000 <= got.size(); at += 20000)
        ASSERT_TRUE(slice(data, 20000, 20000) == slice(got, at, 20000)) << "pass at " << at;
}

TEST_F(PlayDevice, LeftChannelEditedPlaysSilenceOnTheRight)
{
    Bytes data = pattern(80000, 3);
    wave(22050, 2, 16, data);
    Wave.editChannel = 1;
    audioCmdPlay();
    ASSERT_TRUE(untilClosed());
    Bytes got = readPlayed();
    ASSERT_EQ(80000u, got.size());
    for (size_t f = 0; f < 20000; f++) {
        ASSERT_EQ(data[4 * f], got[4 * f]) << f;
        ASSERT_EQ(data[4 * f + 1], got[4 * f + 1]) << f;
        ASSERT_EQ(0, got[4 * f + 2] | got[4 * f + 3]) << f;
    }
    Wave.editChannel = 0;
}

TEST_F(PlayDevice, SixteenBitAsEightIsHighBytesPlus128)
{
    Bytes data = pattern(100000, 5);
    wave(44100, 2, 16, data);
    Settings.convert16to8 = 1;
    audioCmdPlay();
    ASSERT_TRUE(untilClosed());
    Bytes got = readPlayed();
    /* 43008-byte buffers of 8-bit stereo: one full, then 6992 bytes padded with 128. */
    ASSERT_EQ(43008u + 16400u, got.size());
    for (size_t i = 0; i < 50000; i++)
        ASSERT_EQ((uint8_t)(data[2 * i + 1] + 128), got[i]) << i;
    EXPECT_TRUE(allAre(got, 50000, 0x80));
}

TEST_F(PlayDevice, BufferCountIsClampedToTwoAndThirtyTwo)
{
    /* Long enough for both rings, with last pieces above the padding threshold. */
    Bytes data = pattern(20480 * 18 + 18000);
    wave(44100, 2, 16, data);
    Settings.numBuffers = 1;
    audioCmdPlay();
    EXPECT_EQ(2, Play.bufferCount);
    EXPECT_EQ(2, Play.queuedAtStart);
    ASSERT_TRUE(untilClosed());
    EXPECT_TRUE(data == readPlayed());

    Settings.numBuffers = 40;
    audioCmdPlay();
    EXPECT_EQ(32, Play.bufferCount);
    EXPECT_EQ(20480u, Play.bufferSize);
    EXPECT_EQ(19, Play.queuedAtStart);
    ASSERT_TRUE(untilClosed());
    Bytes got = readPlayed();
    ASSERT_EQ(data.size(), got.size());
    EXPECT_TRUE(data == got);
}

/* ---- 2. Stop, Play while playing, Pause ---- */

TEST_F(PlayDevice, PlayWhilePlayingRestartsAfterTheFirstDeviceClosed)
{
    Bytes data = pattern(800000);
    wave(44100, 2, 16, data);
    Doc.selStart = 1000;
    Doc.selEnd = 150999;
    audioCmdPlay();
    pump(30);
    ASSERT_TRUE(Play.device != 0);
    audioCmdPlay();                   /* restart */
    EXPECT_EQ(1, Play.restart);
    ASSERT_TRUE(untilClosed());
    /* Open, close, open, close: the second open waited for the first close. */
    std::vector<UINT> want = {MM_WOM_OPEN, MM_WOM_CLOSE, MM_WOM_OPEN, MM_WOM_CLOSE};
    EXPECT_EQ(want, deviceLog());
    /* The file holds the second playback (the device truncates it when opened). */
    Bytes got = readPlayed();
    ASSERT_EQ(600000u, got.size());
    EXPECT_TRUE(slice(data, 4000, 600000) == got);
}

TEST_F(PlayDevice, ThirdStopBeforeTheDeviceAnswersClosesIt)
{
    Bytes data = pattern(800000);
    wave(44100, 2, 16, data);
    audioCmdPlay();
    ASSERT_TRUE(Play.device != 0);
    audioCmdStop();
    audioCmdStop();
    EXPECT_TRUE(Play.device != 0);    /* the returned buffers are still on their way */
    audioCmdStop();
    EXPECT_EQ(1, Play.closing);       /* closed; the buffers go when the device says so */
    audioCmdStop();                   /* a fourth press changes nothing */
    ASSERT_TRUE(untilClosed(2000));
    EXPECT_EQ(0, Play.stopCount);
    EXPECT_FALSE(ButtonOn(BTN_STOP));
    for (int i = 0; i < PLAY_MAXBUFFERS; i++)
        EXPECT_TRUE(Play.data[i] == NULL && Play.header[i] == NULL);
    std::vector<UINT> want = {MM_WOM_OPEN, MM_WOM_CLOSE};
    EXPECT_EQ(want, deviceLog());
    /* And the next playback is whole. */
    Doc.selStart = 0;
    Doc.selEnd = 9999;
    audioCmdPlay();
    ASSERT_TRUE(untilClosed());
    Bytes got = readPlayed();
    ASSERT_EQ(40000u, got.size());
    EXPECT_TRUE(slice(data, 0, 40000) == got);
}

TEST_F(PlayDevice, PauseHoldsTheDeviceAndContinueResumes)
{
    SetWindowTextA(Frame.button[BTN_PAUSE], "Pause");
    Bytes data = pattern(400000);
    wave(44100, 2, 16, data);
    audioCmdPlay();
    audioCmdPause();
    char text[32];
    GetWindowTextA(Frame.button[BTN_PAUSE], text, sizeof text);
    EXPECT_STREQ("Continue", text);
    pump(100);
    uint32_t held = PlayPosition();
    pump(300);
    EXPECT_EQ(held, PlayPosition());  /* paused: the device does not move on */
    EXPECT_TRUE(Play.device != 0);
    audioCmdPause();
    GetWindowTextA(Frame.button[BTN_PAUSE], text, sizeof text);
    EXPECT_STREQ("Pause", text);
    ASSERT_TRUE(untilClosed());
    /* Wine drops what its ALSA ring held when the device pauses (about 50 ms here); the
       rest of the material follows on, to the last byte. */
    Bytes got = readPlayed();
    ASSERT_LE(got.size(), data.size());
    EXPECT_LE(data.size() - got.size(), 17640u);
    EXPECT_TRUE(slice(data, data.size() - 200000, 200000) == slice(got, got.size() - 200000, 200000));
}

/* ---- 3. Failures ---- */

TEST_F(PlayDevice, DeviceThatCannotOpenShowsItsOwnTextExceptAtStartUp)
{
    wave(22050, 1, 8, pattern(10000));
    Play.deviceId = 777;
    char expect[MAXERRORLENGTH];
    waveOutGetErrorTextA(MMSYSERR_BADDEVICEID, expect, sizeof expect);
    {
        zt::MessageRecorder rec;
        audioCmdPlay();
        ASSERT_EQ(1u, rec.messages.size());
        EXPECT_EQ("Wave System Error", rec.messages[0].caption);
        EXPECT_EQ(std::string(expect), rec.messages[0].text);
        EXPECT_EQ(0u, (unsigned)Play.device);
    }
    {
        zt::MessageRecorder rec;
        strcpy(Frame.autoplay, "autoplayme");
        audioCmdPlay();
        EXPECT_EQ(0u, rec.messages.size());
        EXPECT_STREQ("", Frame.autoplay);
    }
    Play.deviceId = 0;
}

TEST_F(PlayDevice, BufferTooLargeIsReportedAndNothingStaysOpen)
{
    wave(2000000, 2, 16, pattern(40000));
    Settings.bufferSize = 20.0;
    Settings.numBuffers = 2;
    zt::MessageRecorder rec;
    audioCmdPlay();
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Play/Record Buffer Size Too Large", rec.messages[0].text);
    EXPECT_EQ("Error", rec.messages[0].caption);
    EXPECT_EQ(0u, (unsigned)Play.device);
}

/* ---- 4. Figures ---- */

TEST_F(PlayDevice, FigureRefillTimePerBufferAgainstItsPlayingTime)
{
    Bytes data = pattern(44100 * 4 * 20);
    wave(44100, 2, 16, data);
    audioCmdPlay();
    ASSERT_TRUE(Play.device != 0);
    /* Time the refills the device asks for while playing. */
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    double worst = 0, total = 0;
    int refills = 0;
    DWORD end = GetTickCount() + 30000;
    while (Play.device && (int)(end - GetTickCount()) > 0) {
        MSG m;
        if (!PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        DispatchMessageA(&m);
        QueryPerformanceCounter(&b);
        if (m.message == MM_WOM_DONE) {
            double ms = (double)(b.QuadPart - a.QuadPart) * 1000.0 / (double)f.QuadPart;
            total += ms;
            worst = ms > worst ? ms : worst;
            refills++;
        }
    }
    ASSERT_TRUE(untilClosed());
    double playing = (double)Play.bufferSize / (44100.0 * 4) * 1000.0;
    printf("[figure] refill: %d buffers, mean %.3f ms, worst %.3f ms, each buffer plays %.1f ms (headroom x%.0f)\n",
           refills, refills ? total / refills : 0.0, worst, playing, refills && total > 0 ? playing / (total / refills) : 0.0);
    /* 41 buffers of 86016 bytes, then 1344 bytes padded to 16400. */
    Bytes got = readPlayed();
    ASSERT_EQ(41u * 86016 + 16400, got.size());
    EXPECT_TRUE(data == slice(got, 0, data.size())) << firstDifference(data, got);
    EXPECT_TRUE(allAre(got, data.size(), 0));
}

} // namespace
