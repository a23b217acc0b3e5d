/*
 * play.cpp - playback through the wave-out device: choosing what to play, opening the
 * device, the ring of buffers refilled on MM_WOM_DONE, closing on MM_WOM_CLOSE, Stop (a
 * third press closes a device that does not answer), Pause, the play cursor on timer 123.
 *
 * Writes Play's device fields.  Invariants: Play.device is 0 exactly when no buffer or
 * header is allocated; a header is handed to the device only while prepared; buffers are
 * freed only after the device has closed (or been given up on by the third Stop).
 */
#include "audio/audio.h"
#include "ui/frame.h"
#include "core/document.h"
#include "core/settings.h"
#include "store/voc.h"
#include "resources/resource.h"
#include "os/os.h"
#include "view/view.h"
#include "view/select.h"
/* view/timefmt.h's format names collide with mmsystem.h's TIME_ macros: the two calls
   are declared here and the formats used by number (0 decimal, 1 samples, 2 frames, 3 SMPTE). */
void FormatDecimal(uint32_t frame, uint32_t rate, char *text, size_t size, int shortForm);
void FormatFrames(uint32_t frame, uint32_t rate, int fps, char *text, size_t size,
                  int shortForm, int smpte, int count);

#include <stdio.h>
#include <string.h>

#define PLAY_ERR_NOMEMORY 0xFFFCu   /* StartPlayback: the buffers could not be allocated */
#define PLAY_ERR_TOOLARGE 0xFFFDu   /* StartPlayback: the buffer size rule gave no size */

static WAVEHDR *hdrAt(int i) { return (WAVEHDR *)Play.header[i]; }
static HWAVEOUT dev(void) { return (HWAVEOUT)Play.device; }

int audioPlaying(void) { return Play.playing; }

/* ---- The view's side: cursor column and status fields -------------------------------- */

void (*PlayUpdateStatusFields)(void) = UpdateStatusFields;

/* The running position, in the begin field's time format, in the format field. */
static void showPosition(uint32_t frame)
{
    char text[48], value[40];
    switch (Settings.loTimeMode) {
    case 1:
        snprintf(text, sizeof text, " %ld", (long)frame);
        break;
    case 2:
    case 3:
        FormatFrames(frame, Play.rate, Settings.timeCodeFrames, value, sizeof value, 0,
                     Settings.loTimeMode == 3, 0);
        snprintf(text, sizeof text, " %s", value);
        break;
    default:
        FormatDecimal(frame, Play.rate, value, sizeof value, 0);
        snprintf(text, sizeof text, " %s", value);
        break;
    }
    if (Frame.formatField)
        SetWindowTextA(Frame.formatField, text);
}

static void refreshStatus(void)
{
    if (PlayUpdateStatusFields)
        PlayUpdateStatusFields();
}

/* ---- Buttons ------------------------------------------------------------------------- */

static void setPauseText(int paused)
{
    char text[32];
    frameString(paused ? IDS_CONTINUE : IDS_PAUSE, text, sizeof text);
    if (Frame.button[BTN_PAUSE])
        SetWindowTextA(Frame.button[BTN_PAUSE], text[0] ? text : paused ? "Continue" : "Pause");
}

static void buttonsPlaying(void)
{
    frameEnableButton(BTN_STOP, TRUE);
    frameEnableButton(BTN_PAUSE, TRUE);
    frameEnableButton(BTN_PLAY, TRUE);
    frameEnableButton(BTN_RECORD, FALSE);
}

static void buttonsIdle(void)
{
    frameEnableButton(BTN_PLAY, Doc.storeOpen && Wave.dataLength > 0 && audioHaveOutput());
    frameEnableButton(BTN_RECORD, AUDIO_CAN_RECORD);
    frameEnableButton(BTN_STOP, FALSE);
    setPauseText(0);
    frameEnableButton(BTN_PAUSE, FALSE);
}

/* ---- Buffers ------------------------------------------------------------------------- */

static void freeBuffers(void)
{
    for (int i = 0; i < PLAY_MAXBUFFERS; i++) {
        if (Play.dataMem[i]) {
            GlobalUnlock((HGLOBAL)Play.dataMem[i]);
            GlobalFree((HGLOBAL)Play.dataMem[i]);
        }
        if (Play.headerMem[i]) {
            GlobalUnlock((HGLOBAL)Play.headerMem[i]);
            GlobalFree((HGLOBAL)Play.headerMem[i]);
        }
        Play.dataMem[i] = Play.headerMem[i] = 0;
        Play.data[i] = Play.header[i] = NULL;
    }
}

/* Every buffer and header, or none. */
static int allocBuffers(void)
{
    for (int i = 0; i < Play.bufferCount; i++) {
        HGLOBAL d = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, Play.bufferSize);
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, sizeof(WAVEHDR));
        Play.dataMem[i] = (uintptr_t)d;
        Play.headerMem[i] = (uintptr_t)h;
        Play.data[i] = d ? GlobalLock(d) : NULL;
        Play.header[i] = h ? GlobalLock(h) : NULL;
        if (!Play.data[i] || !Play.header[i]) {
            freeBuffers();
            return 1;
        }
    }
    return 0;
}

static void unprepareDone(void)
{
    for (int i = 0; i < Play.bufferCount; i++) {
        WAVEHDR *h = hdrAt(i);
        if (h && (h->dwFlags & WHDR_DONE) && (h->dwFlags & WHDR_PREPARED))
            waveOutUnprepareHeader(dev(), h, sizeof *h);
    }
}

static int allIdle(void)
{
    for (int i = 0; i < Play.bufferCount; i++)
        if (hdrAt(i) && (hdrAt(i)->dwFlags & WHDR_PREPARED))
            return 0;
    return 1;
}

/* Prepares h, repeating while the device leaves it unprepared (a bounded number of times). */
static MMRESULT prepare(WAVEHDR *h)
{
    MMRESULT r = MMSYSERR_NOERROR;
    for (int tries = 0; tries < 50 && !(h->dwFlags & WHDR_PREPARED); tries++)
        r = waveOutPrepareHeader(dev(), h, sizeof *h);
    return (h->dwFlags & WHDR_PREPARED) ? MMSYSERR_NOERROR : (r ? r : MMSYSERR_ERROR);
}

/* ---- Device ------------------------------------------------------------------------- */

static MMRESULT openDevice(const WAVEFORMATEX *fmt)
{
    HWAVEOUT h = NULL;
    UINT id = Play.deviceId;
    MMRESULT r = waveOutOpen(NULL, id, fmt, 0, 0, WAVE_FORMAT_QUERY);
    if (r == WAVERR_SYNC)
        r = waveOutOpen(NULL, id, fmt, 0, 0, WAVE_FORMAT_QUERY | WAVE_ALLOWSYNC);
    if (r != MMSYSERR_NOERROR)
        return r;
    r = waveOutOpen(&h, id, fmt, (DWORD_PTR)Frame.main, 0, CALLBACK_WINDOW);
    if (r == WAVERR_SYNC)
        r = waveOutOpen(&h, id, fmt, (DWORD_PTR)Frame.main, 0, CALLBACK_WINDOW | WAVE_ALLOWSYNC);
    if (r == MMSYSERR_NOERROR)
        Play.device = (uintptr_t)h;
    return r;
}

/* After the device closed (or was given up on): the buffers go, the buttons come back. */
static void closeDone(void)
{
    Play.device = 0;
    Play.closing = 0;
    freeBuffers();
    Play.listEntry = PLAY_NOENTRY;
    Play.playing = Play.paused = Play.firstWritten = 0;
    if (!audioRecording())
        buttonsIdle();
    refreshStatus();
    Play.stopCount = 0;
    Play.stopRequest = 0;
    if (Play.restart) {
        Play.restart = 0;
        PostMessageA(Frame.main, WM_COMMAND, IDM_PLAY, 0);
    }
}

static void stopCursor(void)
{
    KillTimer(Frame.main, PLAY_TIMER);
    DrawPlayCursor(0);
    Play.playing = 0;
}

/* Closes a device whose buffers are all back.  The buffers are freed when MM_WOM_CLOSE
   comes: the device's messages arrive in order, so everything after it belongs to the next
   device (which may get the same handle and, from the heap, the same buffer addresses).
   A failing close leaves the buffers to the device (never freed under it) and forgets it. */
static void closeNow(void)
{
    MMRESULT r = waveOutClose(dev());
    if (r == MMSYSERR_NOERROR) {
        Play.closing = 1;
        return;
    }
    osDebug("PlayVoc: close failed (%u), buffers left to the device\n", (unsigned)r);
    for (int i = 0; i < PLAY_MAXBUFFERS; i++) {
        Play.dataMem[i] = Play.headerMem[i] = 0;
        Play.data[i] = Play.header[i] = NULL;
    }
    closeDone();
}

/* A write error: nothing stays queued, nothing stays allocated. */
static void abandon(void)
{
    waveOutReset(dev());
    for (int i = 0; i < Play.bufferCount; i++)
        if (hdrAt(i) && (hdrAt(i)->dwFlags & WHDR_PREPARED))
            waveOutUnprepareHeader(dev(), hdrAt(i), sizeof(WAVEHDR));
    KillTimer(Frame.main, PLAY_TIMER);
    DrawPlayCursor(0);
    int restart = Play.restart;
    Play.restart = 0;
    closeNow();
    Play.restart = restart;
}

UINT StartPlayback(uint32_t start, uint32_t length, int listEntry, int showCursor, uint32_t rangeStart)
{
    char text[128], caption[32];
    Play.bufferCount = playClampBuffers(Settings.numBuffers);
    playSetFormat(Doc.sampleRate, Wave.channels, Wave.bitsPerSample, Settings.convert16to8, Wave.editChannel);
    /* Sized on what the device gets, so the ring holds BufferSize seconds also when 16-bit
       data goes out as 8-bit. */
    Play.bufferSize = playBufferSize(Play.rate, Play.outAlign, Settings.bufferSize, Play.bufferCount);
    if (listEntry >= 0) {
        if (SetupPlayList(listEntry) != 0)
            return 0;
    } else {
        SetupPlayRange(start, length, rangeStart, Play.loopsLeft);
        Play.listEntry = PLAY_NOENTRY;
    }
    if (Play.bufferSize == 0) {
        osMessage(frameString(IDS_ERR_BUFFERSIZE, text, sizeof text), frameString(IDS_ERROR, caption, sizeof caption),
                  OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return PLAY_ERR_TOOLARGE;
    }

    WAVEFORMATEX fmt;
    memset(&fmt, 0, sizeof fmt);
    fmt.wFormatTag = WAVE_FORMAT_PCM;
    fmt.nChannels = Play.channels;
    fmt.nSamplesPerSec = Play.rate;
    fmt.wBitsPerSample = Play.outBits;
    fmt.nBlockAlign = Play.outAlign;
    fmt.nAvgBytesPerSec = Play.rate * Play.outAlign;
    MMRESULT r = openDevice(&fmt);
    if (r != MMSYSERR_NOERROR)
        return r;
    if (allocBuffers() != 0) {
        osMessage(frameString(IDS_ERR_BUFFERSIZE, text, sizeof text), frameString(IDS_ERROR, caption, sizeof caption),
                  OS_MB_OK | OS_MB_ICONEXCLAMATION);
        int restart = Play.restart;
        Play.restart = 0;
        closeNow();
        Play.restart = restart;
        return PLAY_ERR_NOMEMORY;
    }

    Play.showCursor = showCursor;
    if (showCursor) {
        uint32_t align = Play.srcAlign ? Play.srcAlign : 1;
        playSetPositionBase(Play.rangeStart / align, Play.position / align,
                            (Play.rangeEnd - Play.rangeStart - Play.position) / align, Play.loopReport);
        SetTimer(Frame.main, PLAY_TIMER, 20, NULL);
    }
    Play.playing = 1;
    Play.paused = 0;
    Play.firstWritten = 0;
    Play.stopCount = 0;
    Play.stopRequest = 0;
    Play.queuedAtStart = 0;

    waveOutPause(dev());
    for (int i = 0; i < Play.bufferCount; i++) {
        uint32_t bytes = FillPlayBuffer(Play.data[i], Play.bufferSize);
        if (bytes == 0)
            break;
        WAVEHDR *h = hdrAt(i);
        memset(h, 0, sizeof *h);
        h->lpData = (LPSTR)Play.data[i];
        h->dwBufferLength = bytes;
        h->dwUser = (DWORD_PTR)i;
        r = prepare(h);
        if (r == MMSYSERR_NOERROR)
            r = waveOutWrite(dev(), h, sizeof *h);
        if (r != MMSYSERR_NOERROR) {
            abandon();
            return r;
        }
        Play.queuedAtStart++;
        if (!Play.firstWritten) {
            Play.firstWritten = 1;
            Play.firstWriteTick = GetTickCount();
            buttonsPlaying();
        }
        if (Play.queuedAtStart == 3)
            waveOutRestart(dev());
    }
    if (Play.queuedAtStart == 0) {
        /* Nothing to play: close again at once instead of waiting for a buffer. */
        abandon();
        return 0;
    }
    if (Play.queuedAtStart < 3)
        waveOutRestart(dev());
    return 0;
}

/* ---- Commands ----------------------------------------------------------------------- */

static void stopPlayback(void)
{
    if (Play.closing)
        return;   /* already closed; MM_WOM_CLOSE is on its way */
    Play.stopCount++;
    Play.stopRequest = 1;
    Play.listEntry = PLAY_NOENTRY;
    stopCursor();
    if (Play.stopCount >= 3) {
        /* The device has not answered two resets: close it directly. */
        unprepareDone();
        closeNow();
        return;
    }
    waveOutReset(dev());
}

static void showDeviceError(UINT err)
{
    char text[MAXERRORLENGTH + 32];
    if (waveOutGetErrorTextA(err, text, sizeof text) != MMSYSERR_NOERROR || !text[0])
        snprintf(text, sizeof text, "Wave device error %u", err);
    osMessage(text, "Wave System Error", OS_MB_OK | OS_MB_ICONEXCLAMATION);
}

void audioCmdPlay(void)
{
    if (Play.device) {
        /* Play while playing: start again from the selection once this device has closed. */
        Play.restart = 1;
        stopPlayback();
        return;
    }
    if (Rec.device || !Doc.storeOpen || Wave.blockAlign == 0 || docFrames() == 0)
        return;
    Play.commandTick = GetTickCount();
    uint32_t frames = docFrames(), align = Wave.blockAlign;
    uint32_t first, last, rangeFirst;
    if (Play.forcedStart >= 0 && Play.forcedEnd >= Play.forcedStart) {
        first = rangeFirst = (uint32_t)Play.forcedStart;
        last = (uint32_t)Play.forcedEnd;
    } else if (!docHasSelection()) {
        uint32_t viewLast = Doc.viewEnd == DOC_NONE || Doc.viewEnd >= frames ? frames - 1 : Doc.viewEnd;
        uint32_t viewFirst = Doc.viewStart <= viewLast ? Doc.viewStart : 0;
        last = viewLast;
        rangeFirst = viewFirst;
        if (Settings.playFromCursor && Doc.selStart >= viewFirst && Doc.selStart <= viewLast)
            first = Doc.selStart;
        else
            first = viewFirst;
    } else {
        first = rangeFirst = Doc.selStart;
        last = Doc.selEnd;
    }
    Play.forcedStart = Play.forcedEnd = -1;
    if (first >= frames) {
        Frame.autoplay[0] = 0;
        return;
    }
    if (last >= frames)
        last = frames - 1;
    int automatic = strcmp(Frame.autoplay, "autoplayme") == 0;
    if (!audioHaveOutput()) {
        /* The device's own text would speak of a device number out of range. */
        if (!automatic) {
            char text[128];
            frameString(IDS_NOPLAYDEVICE, text, sizeof text);
            osMessage(text[0] ? text : "No playback device is available.", "Wave System Error",
                      OS_MB_OK | OS_MB_ICONEXCLAMATION);
        }
        Frame.autoplay[0] = 0;
        return;
    }
    for (;;) {
        Play.loopsLeft = Play.loopMode ? PLAY_LOOPFOREVER : 0;
        Play.loopReport = Play.loopMode;
        SetMeterChannels(Wave.channels, 1);
        UINT err = StartPlayback(first * align, (last - first + 1) * align, -1, 1, rangeFirst * align);
        if (err == 0 || err >= 0xFFFA || automatic)
            break;
        showDeviceError(err);
        if (err == WAVERR_BADFORMAT && Wave.bitsPerSample == 16 && !Settings.convert16to8) {
            char text[256];
            if (osMessage(frameString(IDS_ASK_CONVERT8, text, sizeof text), "Suggestion",
                          OS_MB_YESNO | OS_MB_ICONQUESTION) == OS_IDYES) {
                Settings.convert16to8 = 1;
                continue;
            }
        }
        break;
    }
    Frame.autoplay[0] = 0;
}

int audioPlayList(int entry, int single)
{
    if (Play.device || Rec.device || !Doc.storeOpen || Wave.blockAlign == 0 || docFrames() == 0)
        return 1;
    if (!audioHaveOutput()) {
        char text[128];
        frameString(IDS_NOPLAYDEVICE, text, sizeof text);
        osMessage(text[0] ? text : "No playback device is available.", "Wave System Error",
                  OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    Play.commandTick = GetTickCount();
    Play.loopsLeft = 0;
    Play.loopReport = 0;
    Play.listOnly = single ? (uint16_t)(entry + 1) : 0;
    SetMeterChannels(Wave.channels, 1);
    UINT err = StartPlayback(0, 0, entry, 0, 0);
    if (err != 0 && err < 0xFFFA)
        showDeviceError(err);
    if (err != 0 || !Play.device) {
        Play.listOnly = 0;
        return 1;
    }
    return 0;
}

void audioCmdStop(void)
{
    if (Rec.device)
        recordStop();
    else if (Play.device)
        stopPlayback();
}

void audioCmdPause(void)
{
    if (Rec.device) {
        recordPause();
        return;
    }
    if (!Play.device || Play.closing || !Play.playing)
        return;
    if (!Play.paused) {
        waveOutPause(dev());
        Play.paused = 1;
    } else {
        waveOutRestart(dev());
        Play.paused = 0;
    }
    setPauseText(Play.paused);
}

void audioCmdLoop(void)
{
    Play.loopMode = !Play.loopMode;
    HMENU menu = GetMenu(Frame.main);
    if (menu)
        CheckMenuItem(menu, IDM_LOOP, MF_BYCOMMAND | (Play.loopMode ? MF_CHECKED : MF_UNCHECKED));
}

/* A selection drag ended while loop playback runs: play the new selection from now on. */
void audioLoopFollowSelection(uint32_t first, uint32_t last)
{
    if (!Play.device || !Play.loopMode)
        return;
    Play.forcedStart = first;
    Play.forcedEnd = last;
    Play.restart = 1;
    PostMessageA(Frame.main, WM_COMMAND, IDM_STOP, 0);
}

/* ---- Device messages ---------------------------------------------------------------- */

void audioOnWomDone(HWAVEOUT device, WAVEHDR *hdr)
{
    if (!Play.device || Play.closing || device != dev() || !hdr)
        return;
    if (Play.stopRequest)
        unprepareDone();
    int i = (int)hdr->dwUser;
    if (i >= 0 && i < Play.bufferCount && hdrAt(i) == hdr) {
        if (hdr->dwFlags & WHDR_PREPARED)
            waveOutUnprepareHeader(dev(), hdr, sizeof *hdr);
        Play.lastDone = i;
        if (!Play.stopRequest && !Frame.closing) {
            uint32_t bytes = FillPlayBuffer(Play.data[i], Play.bufferSize);
            if (bytes) {
                hdr->dwBufferLength = bytes;
                hdr->dwFlags = 0;
                if (prepare(hdr) != MMSYSERR_NOERROR)
                    osDebug("PlayVoc: PrepareHeader\n");
                else if (waveOutWrite(dev(), hdr, sizeof *hdr) != MMSYSERR_NOERROR)
                    waveOutUnprepareHeader(dev(), hdr, sizeof *hdr);
            } else {
                Play.stopRequest = 1;
            }
        }
    }
    if (allIdle()) {
        stopCursor();
        waveOutReset(dev());
        closeNow();
    }
}

void audioOnWomClose(HWAVEOUT device)
{
    if (Play.device && device == dev())
        closeDone();
}

/* ---- Position and cursor ------------------------------------------------------------ */

static uint32_t rawPosition(void)
{
    if (!Play.firstWritten || !Play.device)
        return 0;
    MMTIME t;
    memset(&t, 0, sizeof t);
    t.wType = TIME_SAMPLES;
    if (waveOutGetPosition(dev(), &t, sizeof t) != MMSYSERR_NOERROR)
        return Play.lastRaw;
    if (t.wType == TIME_BYTES)
        return playRawFrames(1, t.u.cb);
    if (t.wType == TIME_MS)
        return playRawFrames(2, t.u.ms);
    return playRawFrames(0, t.u.sample);
}

uint32_t PlayPosition(void)
{
    if (audioRecording())
        return recordPosition();
    if (!Play.playing)
        return Doc.selStart;
    uint32_t raw = rawPosition();
    Play.lastRaw = raw;
    return playFrameAt(raw);
}

static void invertColumn(int x)
{
    HDC dc = GetDC(Frame.main);
    if (!dc)
        return;
    /* Only the waveform's own rows: the ruler and the range bar below are redrawn outside
       the paint's take-off and put-back, and an inverted column there would stay behind. */
    const ViewRect &a = View.area;
    PatBlt(dc, x, a.top, 1, a.bottom - a.top + 1, DSTINVERT);
    ReleaseDC(Frame.main, dc);
}

/* The meter hears what the device played since the last call, from the buffer playing now:
   at most half a buffer. */
static void feedMeter(void)
{
    static uint32_t fedRaw;
    uint32_t raw = Play.lastRaw;
    if (raw == fedRaw || !MeterEnabled() || Play.bufferSize == 0 || Play.outAlign == 0) {
        fedRaw = raw;
        return;
    }
    uint32_t perBuffer = Play.bufferSize / Play.outAlign;
    uint32_t bytes = raw > fedRaw ? (raw - fedRaw) * Play.outAlign : Play.bufferSize / 2;
    fedRaw = raw;
    if (bytes > Play.bufferSize / 2)
        bytes = Play.bufferSize / 2;
    int index = (int)((uint64_t)Play.outAlign * raw / Play.bufferSize % (uint32_t)Play.bufferCount);
    uint32_t offset = Play.outAlign * (raw % perBuffer);
    if (offset + bytes > Play.bufferSize)
        bytes = Play.bufferSize - offset;
    if (Play.data[index])
        MeterFeed((const uint8_t *)Play.data[index] + offset, bytes, Play.outBits);
}

void DrawPlayCursor(int show)
{
    if (Frame.noPlayBar || Settings.noPlayBar)
        return;
    if (!show) {
        /* Mid-paint the column is already off the screen. */
        if (Play.cursorX >= 0 && !Play.inPaint)
            invertColumn(Play.cursorX);
        Play.cursorX = -1;
        return;
    }
    if (!Play.playing || !Play.showCursor || Play.inPaint)
        return;
    uint32_t frame = PlayPosition();
    int x = viewFrameToX(frame);
    if (x >= 0 && x != Play.cursorX) {
        if (Play.cursorX >= 0)
            invertColumn(Play.cursorX);
        invertColumn(x);
        Play.cursorX = (int16_t)x;
    }
    showPosition(frame);
    feedMeter();
}

/* Around a paint of the main window: the cursor column is taken away before and drawn
   again after, whatever part the paint covered; in between (the paint may pump messages
   while it recomputes the picture) the cursor stays where it is. */
void audioBeforePaint(void)
{
    if (Play.cursorX >= 0 && !Frame.noPlayBar && !Settings.noPlayBar && !Play.inPaint)
        invertColumn(Play.cursorX);
    Play.inPaint++;
}

void audioAfterPaint(void)
{
    if (Play.inPaint > 0)
        Play.inPaint--;
    if (Play.cursorX >= 0 && !Frame.noPlayBar && !Settings.noPlayBar && !Play.inPaint)
        invertColumn(Play.cursorX);
}

void audioOnTimer(void)
{
    if (!Frame.spectralBusy)
        DrawPlayCursor(1);
}

static void cursorAfterChunk(void)
{
    if (Play.firstWritten)
        DrawPlayCursor(1);
}

/* ---- Life ---------------------------------------------------------------------------- */

void audioStartup(void)
{
    Play.device = 0;
    Play.cursorX = -1;
    Play.listEntry = PLAY_NOENTRY;
    Play.forcedStart = Play.forcedEnd = -1;
    Play.chunkDone = cursorAfterChunk;
    Play.oldSystem = Frame.osLevel == 1;
    audioDevicesStartup();
}

void audioShutdown(void)
{
    audioPreviewStop();
    recordShutdown();
    if (!Play.device)
        return;
    Play.restart = 0;
    KillTimer(Frame.main, PLAY_TIMER);
    Play.playing = 0;
    Play.cursorX = -1;
    if (!Play.closing) {
        waveOutReset(dev());
        for (int i = 0; i < Play.bufferCount; i++)
            if (hdrAt(i) && (hdrAt(i)->dwFlags & WHDR_PREPARED))
                waveOutUnprepareHeader(dev(), hdrAt(i), sizeof(WAVEHDR));
        closeNow();
    }
    /* The window goes away before its MM_WOM_CLOSE would arrive. */
    if (Play.closing)
        closeDone();
}
