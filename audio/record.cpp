/*
 * record.cpp - recording and input monitoring through the wave-in device: the Record and
 * Monitor commands, opening the device with its ring of buffers, each buffer written into
 * the store at once on MM_WIM_DATA and handed back, the space left shown while recording,
 * Stop (a third press closes a device that does not answer), Pause, and MM_WIM_CLOSE.
 *
 * Writes Rec's device fields.  Invariants: Rec.device is 0 exactly when no buffer is
 * allocated; a header is with the device only while prepared; buffers are freed only after
 * MM_WIM_CLOSE (or when the close was given up on).  Only one of playback and recording
 * runs: Record and Monitor refuse while Play.device is open, Play refuses while recording.
 */
#include "audio/audio.h"
#include "ui/frame.h"
#include "core/document.h"
#include "core/settings.h"
#include "store/voc.h"
#include "store/blockfile.h"
#include "store/tempfile.h"
#include "resources/resource.h"
#include "os/os.h"
#include "view/view.h"
#include "view/select.h"
void FormatDecimal(uint32_t frame, uint32_t rate, char *text, size_t size, int shortForm);
void FormatFrames(uint32_t frame, uint32_t rate, int fps, char *text, size_t size,
                  int shortForm, int smpte, int count);

#include <stdio.h>
#include <string.h>

#define REC_ERR_NOMEMORY 0xFFF0u    /* StartRecording: the buffers could not be allocated */
#define REC_ERR_SIZE     0xFFF1u    /* StartRecording: no buffer size came out */

RecordHooks RecordHook;

static WAVEHDR *hdrAt(int i) { return (WAVEHDR *)Rec.header[i]; }
static HWAVEIN dev(void) { return (HWAVEIN)Rec.device; }
static uint16_t stopCount;          /* Stop presses since the device last opened */

int audioRecording(void) { return Rec.device != 0 && !Rec.monitor; }
int audioMonitoring(void) { return Rec.device != 0 && Rec.monitor; }
int audioMeterRunning(void)
{
    return audioMonitoring() || ((Play.device || Rec.device) && MeterEnabled());
}

/* ---- Buffers ------------------------------------------------------------------------- */

static void freeBuffers(void)
{
    for (int i = 0; i < REC_MAXBUFFERS; i++) {
        if (Rec.dataMem[i]) {
            GlobalUnlock((HGLOBAL)Rec.dataMem[i]);
            GlobalFree((HGLOBAL)Rec.dataMem[i]);
        }
        if (Rec.headerMem[i]) {
            GlobalUnlock((HGLOBAL)Rec.headerMem[i]);
            GlobalFree((HGLOBAL)Rec.headerMem[i]);
        }
        Rec.dataMem[i] = Rec.headerMem[i] = 0;
        Rec.data[i] = Rec.header[i] = NULL;
    }
}

static int allocBuffers(void)
{
    for (int i = 0; i < Rec.bufferCount; i++) {
        HGLOBAL d = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, Rec.bufferSize);
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, sizeof(WAVEHDR));
        Rec.dataMem[i] = (uintptr_t)d;
        Rec.headerMem[i] = (uintptr_t)h;
        Rec.data[i] = d ? GlobalLock(d) : NULL;
        Rec.header[i] = h ? GlobalLock(h) : NULL;
        if (!Rec.data[i] || !Rec.header[i]) {
            freeBuffers();
            return 1;
        }
    }
    return 0;
}

static void unprepareDone(void)
{
    for (int i = 0; i < Rec.bufferCount; i++) {
        WAVEHDR *h = hdrAt(i);
        if (h && (h->dwFlags & WHDR_DONE) && (h->dwFlags & WHDR_PREPARED))
            waveInUnprepareHeader(dev(), h, sizeof *h);
    }
}

static void unprepareAll(void)
{
    for (int i = 0; i < Rec.bufferCount; i++) {
        WAVEHDR *h = hdrAt(i);
        if (h && (h->dwFlags & WHDR_PREPARED))
            waveInUnprepareHeader(dev(), h, sizeof *h);
    }
}

static int allBack(void)
{
    for (int i = 0; i < Rec.bufferCount; i++)
        if (hdrAt(i) && (hdrAt(i)->dwFlags & WHDR_PREPARED))
            return 0;
    return 1;
}

/* Hands buffer i to the device with the next sequence number. */
static MMRESULT giveBack(WAVEHDR *h, int i, const char *prepText, const char *addText)
{
    memset(h, 0, sizeof *h);
    h->lpData = (LPSTR)Rec.data[i];
    h->dwBufferLength = Rec.bufferSize;
    h->dwUser = (DWORD_PTR)Rec.sequence++;
    MMRESULT r = waveInPrepareHeader(dev(), h, sizeof *h);
    if (r != MMSYSERR_NOERROR) {
        if (prepText)
            osDebug("%s\n", prepText);
        return r;
    }
    r = waveInAddBuffer(dev(), h, sizeof *h);
    if (r != MMSYSERR_NOERROR) {
        if (addText)
            osDebug("%s\n", addText);
        waveInUnprepareHeader(dev(), h, sizeof *h);
    }
    return r;
}

/* ---- Buttons and read-outs ------------------------------------------------------------ */

static void setPauseText(int paused)
{
    char text[32];
    frameString(paused ? IDS_CONTINUE : IDS_PAUSE, text, sizeof text);
    if (Frame.button[BTN_PAUSE])
        SetWindowTextA(Frame.button[BTN_PAUSE], text[0] ? text : paused ? "Continue" : "Pause");
}

static void buttonsRunning(void)
{
    frameEnableButton(BTN_PLAY, FALSE);
    frameEnableButton(BTN_RECORD, FALSE);
    frameEnableButton(BTN_STOP, TRUE);
    frameEnableButton(BTN_PAUSE, !Rec.monitor);
}

static void buttonsIdle(void)
{
    frameEnableButton(BTN_PLAY, Doc.storeOpen && Wave.dataLength > 0 && audioHaveOutput());
    frameEnableButton(BTN_RECORD, TRUE);
    frameEnableButton(BTN_STOP, FALSE);
    setPauseText(0);
    frameEnableButton(BTN_PAUSE, FALSE);
}

static void setField(HWND w, const char *text)
{
    if (w)
        SetWindowTextA(w, text);
}

/* Time left, samples, size and length while recording. */
static void showRecordStatus(int64_t remaining)
{
    char text[64], value[48];
    uint32_t align = Rec.align ? Rec.align : 1, rate = Rec.rate ? Rec.rate : 1;
    FormatDecimal((uint32_t)(remaining > 0 ? remaining / align : 0), rate, value, sizeof value, 0);
    snprintf(text, sizeof text, " %s left", value);
    setField(Frame.formatField, text);
    uint32_t frames = Wave.dataLength / align;
    snprintf(text, sizeof text, " %ld Samples", (long)frames);
    setField(Frame.countField, text);
    snprintf(text, sizeof text, " %ld K", (long)(Wave.dataLength / 1024));
    setField(Frame.sizeField, text);
    if (Settings.loTimeMode == 1) {
        snprintf(text, sizeof text, " Time: %ld", (long)frames);
    } else {
        if (Settings.loTimeMode == 2 || Settings.loTimeMode == 3)
            FormatFrames(frames, rate, Settings.timeCodeFrames, value, sizeof value, 0, Settings.loTimeMode == 3, 0);
        else
            FormatDecimal(frames, rate, value, sizeof value, 0);
        snprintf(text, sizeof text, " Time: %s", value);
    }
    setField(Frame.timeValue, text);
}

static void showDeviceError(UINT err)
{
    char text[MAXERRORLENGTH + 64];
    if (err == REC_ERR_NOMEMORY || err == REC_ERR_SIZE) {
        frameString(IDS_ERR_BUFFERSIZE, text, sizeof text);
    } else if (waveInGetNumDevs() == 0) {
        /* The device's own text would speak of a device number out of range. */
        frameString(IDS_NORECDEVICE, text, sizeof text);
        if (!text[0])
            snprintf(text, sizeof text, "No recording device is available.");
    } else if (waveInGetErrorTextA(err, text, sizeof text) != MMSYSERR_NOERROR || !text[0]) {
        snprintf(text, sizeof text, "Wave device error %u", err);
    }
    osMessage(text, "RecordVoc Error", OS_MB_OK | OS_MB_ICONEXCLAMATION);
}

/* ---- Device ------------------------------------------------------------------------- */

static void closeDone(void);

/* Closes a device whose buffers are all back; the buffers go on MM_WIM_CLOSE. */
static void closeNow(void)
{
    MMRESULT r = waveInClose(dev());
    if (r == MMSYSERR_NOERROR) {
        Rec.closing = 1;
        return;
    }
    osDebug("RecordVoc: close failed (%u), buffers left to the device\n", (unsigned)r);
    for (int i = 0; i < REC_MAXBUFFERS; i++) {
        Rec.dataMem[i] = Rec.headerMem[i] = 0;
        Rec.data[i] = Rec.header[i] = NULL;
    }
    closeDone();
}

/* A stop request: no buffer goes back; the first one resets the device, which returns
   every buffer it holds. */
static void requestStop(void)
{
    if (Rec.stopRequest)
        return;
    Rec.stopRequest = 1;
    waveInReset(dev());
}

/* Pumps one waiting message while the ring is being filled. */
static void pumpOnce(void)
{
    MSG m;
    if (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage((int)m.wParam);
            return;
        }
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

UINT StartRecording(uint32_t offset, uint32_t durationMs)
{
    uint16_t channels, bits;
    uint32_t rate;
    if (Doc.storeOpen && Wave.blockAlign) {
        rate = Doc.sampleRate;
        channels = Wave.channels;
        bits = Wave.bitsPerSample;
    } else {
        rate = 22050;
        channels = 1;
        bits = Settings.convert16to8 ? 8 : 16;
    }
    if (Rec.monitor && bits == 16 && Settings.convert16to8)
        bits = 8;
    Rec.rate = rate;
    Rec.channels = channels;
    Rec.bits = bits;
    Rec.align = (uint16_t)(channels * bits / 8);
    Rec.bufferCount = playClampBuffers(Settings.numBuffers);
    Rec.bufferSize = recBufferSize(rate, Rec.align, Settings.bufferSize, Rec.bufferCount, durationMs);
    if (Rec.bufferSize == 0 || Rec.bufferSize > PLAY_MAXBUFFER)
        return REC_ERR_SIZE;
    recBegin(offset, Rec.limit);
    Rec.cursorFrame = offset / Rec.align;
    if (!Rec.monitor && Doc.storeOpen)
        SetSelection(Rec.cursorFrame, DOC_NONE);

    WAVEFORMATEX fmt;
    memset(&fmt, 0, sizeof fmt);
    fmt.wFormatTag = WAVE_FORMAT_PCM;
    fmt.nChannels = channels;
    fmt.nSamplesPerSec = rate;
    fmt.wBitsPerSample = bits;
    fmt.nBlockAlign = Rec.align;
    fmt.nAvgBytesPerSec = rate * Rec.align;
    UINT id = audioWaveInDevice();
    MMRESULT r = waveInOpen(NULL, id, &fmt, 0, 0, WAVE_FORMAT_QUERY);
    if (r != MMSYSERR_NOERROR)
        return r;
    HWAVEIN h = NULL;
    r = waveInOpen(&h, id, &fmt, (DWORD_PTR)Frame.main, 0, CALLBACK_WINDOW);
    if (r != MMSYSERR_NOERROR)
        return r;
    Rec.device = (uintptr_t)h;
    Rec.closing = 0;
    Rec.stopRequest = 0;
    Rec.paused = 0;
    Rec.buffersBack = 0;
    Rec.noSpace = 0;
    stopCount = 0;
    if (allocBuffers() != 0) {
        closeNow();
        return REC_ERR_NOMEMORY;
    }
    if (DocHook.meterChannels)
        DocHook.meterChannels(channels);
    for (int i = 0; i < Rec.bufferCount; i++) {
        if (Rec.stopRequest || !Rec.device || Rec.closing)
            break;
        r = giveBack(hdrAt(i), i, NULL, NULL);
        if (r != MMSYSERR_NOERROR) {
            waveInReset(dev());
            unprepareAll();
            closeNow();
            return r;
        }
        if (i == 0) {
            waveInStart(dev());
            Rec.running = 1;
            buttonsRunning();
        }
        if (i >= 3)
            pumpOnce();
    }
    return 0;
}

/* ---- Commands ----------------------------------------------------------------------- */

void audioCmdRecord(void)
{
    if (Play.device || Rec.device)
        return;
    if (!Doc.storeOpen) {
        if (docNew() != 0 || !Doc.storeOpen)
            return;
    }
    if (Wave.blockAlign == 0)
        return;
    Rec.monitor = 0;
    uint32_t frames = docFrames();
    uint32_t cursor = Doc.selStart > frames ? frames : Doc.selStart;
    /* The part of the wave the recording may overwrite is copied for Undo first. */
    Rec.oldFrames = frames;
    Rec.undoSaved = 0;
    if (RecordHook.undoBefore) {
        if (!RecordHook.undoBefore(cursor, frames))
            return;
        Rec.undoSaved = 1;
    }
    if (Doc.selectionShown || docHasSelection())
        SetSelection(cursor, DOC_NONE);
    Rec.budget = recSpaceBudget(bfilesize(), Rec.ratio > 0 ? Rec.ratio : 1.0, tempDriveFree());
    Rec.limit = REC_NOLIMIT;
    if (Rec.ratio <= 0.0)
        Rec.ratio = 1.0;
    UINT err = StartRecording(cursor * Wave.blockAlign, 0);
    if (err != 0) {
        if (Rec.undoSaved && RecordHook.undoAbandon)
            RecordHook.undoAbandon();
        Rec.undoSaved = 0;
        showDeviceError(err);
        return;
    }
    Doc.modified = 1;
}

void audioCmdMonitor(int notify)
{
    if (notify == 2 || notify == 3)
        return;   /* the meter telling of its DC setting */
    if (Rec.device) {
        if (Rec.monitor)
            PostMessageA(Frame.main, WM_COMMAND, IDM_STOP, 0);
        return;
    }
    if (Play.device)
        return;
    Rec.monitor = 1;
    Rec.limit = REC_NOLIMIT;
    uint32_t align = Doc.storeOpen && Wave.blockAlign ? Wave.blockAlign : 1;
    uint32_t cursor = Doc.storeOpen ? Doc.selStart : 0;
    UINT err = StartRecording(cursor * align, 10);
    if (err != 0) {
        Rec.monitor = 0;
        showDeviceError(err);
    }
}

void recordStop(void)
{
    if (!Rec.device || Rec.closing)
        return;
    stopCount++;
    if (stopCount >= 3) {
        /* The device has not answered two resets: close it directly. */
        Rec.stopRequest = 1;
        unprepareDone();
        closeNow();
        return;
    }
    Rec.stopRequest = 1;
    waveInReset(dev());
}

void recordPause(void)
{
    if (!Rec.device || Rec.closing || Rec.monitor)
        return;
    if (!Rec.paused) {
        waveInStop(dev());
        Rec.paused = 1;
    } else {
        waveInStart(dev());
        Rec.paused = 0;
    }
    setPauseText(Rec.paused);
}

/* The frame being recorded now: the device's position after the insertion point. */
uint32_t recordPosition(void)
{
    uint32_t align = Rec.align ? Rec.align : 1;
    MMTIME t;
    memset(&t, 0, sizeof t);
    t.wType = TIME_SAMPLES;
    uint32_t raw = 0;
    if (Rec.device && waveInGetPosition(dev(), &t, sizeof t) == MMSYSERR_NOERROR)
        raw = t.wType == TIME_BYTES ? t.u.cb / align
            : t.wType == TIME_MS    ? (uint32_t)((uint64_t)t.u.ms * Rec.rate / 1000)
                                    : t.u.sample;
    return raw + Rec.insertion / align;
}

/* ---- Device messages ---------------------------------------------------------------- */

static void storeBuffer(WAVEHDR *h)
{
    uint32_t bytes = h->dwBytesRecorded;
    if (bytes == 0)
        return;
    uint32_t offset;
    uint32_t n = recAccept((uint32_t)h->dwUser, bytes, &offset);
    if (n)
        vocWriteAt(h->lpData, (int32_t)offset, n);
    if (MeterEnabled())
        MeterFeed(h->lpData, n, Rec.bits);
    if (recRatioDue(Settings.tempCompressed))
        recRefreshRatio(bfilesize(), tempDriveFree());
    int64_t remaining = recRemaining();
    if (recMustStop()) {
        if (remaining < 0)
            Rec.noSpace = 1;
        requestStop();
        remaining = 0;
    }
    showRecordStatus(remaining);
}

/* Mouse messages waiting for the main window, so the view stays usable while recording. */
static void pumpMouse(void)
{
    MSG m;
    while (PeekMessageA(&m, NULL, WM_MOUSEFIRST, WM_MOUSEFIRST + 9, PM_REMOVE))
        DispatchMessageA(&m);
}

void audioOnWimData(HWAVEIN device, WAVEHDR *hdr)
{
    if (!Rec.device || Rec.closing || device != dev() || !hdr)
        return;
    if (Rec.stopRequest)
        unprepareDone();
    int index = -1;
    for (int i = 0; i < Rec.bufferCount; i++)
        if (hdrAt(i) == hdr)
            index = i;
    if (index < 0)
        return;
    if (hdr->dwFlags & WHDR_PREPARED)
        waveInUnprepareHeader(dev(), hdr, sizeof *hdr);
    Rec.buffersBack++;
    if (Rec.monitor) {
        MeterFeed(hdr->lpData, hdr->dwBytesRecorded, Rec.bits);
    } else {
        storeBuffer(hdr);
    }
    if (Frame.closing)
        requestStop();
    if (!Rec.stopRequest && !Rec.paused) {
        giveBack(hdr, index, "MM_WIM_DATA: PrepareHeader3", "MM_WIM_DATA: AddBuffer3");
        pumpMouse();
    } else if (!Rec.stopRequest && Rec.paused) {
        /* Pause stops the device, which returns what it holds: keep the ring filled for the
           restart. */
        giveBack(hdr, index, "MM_WIM_DATA: PrepareHeader3", "MM_WIM_DATA: AddBuffer3");
    }
    if (Rec.stopRequest && Rec.device && !Rec.closing && allBack())
        closeNow();
}

/* After the device closed: buffers freed, buttons back, the recorded range selected. */
static void closeDone(void)
{
    Rec.device = 0;
    Rec.closing = 0;
    Rec.running = 0;
    Rec.paused = 0;
    freeBuffers();
    stopCount = 0;
    Rec.stopRequest = 0;
    if (!Play.device)
        buttonsIdle();
    MeterUpdate(-1, -1);
    if (Rec.monitor) {
        Rec.monitor = 0;
        if (PlayUpdateStatusFields)
            PlayUpdateStatusFields();
        return;
    }
    uint32_t align = Wave.blockAlign ? Wave.blockAlign : 1;
    uint32_t first = Rec.insertion / align;
    Rec.insertion += Rec.total;
    uint32_t end = Rec.insertion / align;   /* one past the last recorded frame */
    if (RecordHook.undoAfter)
        RecordHook.undoAfter(first, end - first, Rec.oldFrames);
    Rec.undoSaved = 0;
    if (Frame.closing)
        return;
    viewModified();
    uint32_t frames = docFrames();
    if (frames) {
        if (Doc.viewEnd == DOC_NONE || Doc.viewEnd >= frames) {
            Doc.viewStart = 0;
            Doc.viewEnd = frames - 1;
        }
        if (Rec.total && end - 1 > Doc.viewEnd)
            Doc.viewEnd = end - 1 < frames ? end - 1 : frames - 1;
        NormalizeView();
    }
    if (Rec.total)
        SetSelection(first, end - 1);
    InvalidateWaveRange(0, DOC_NONE);
    InvalidateRect(Frame.main, NULL, FALSE);
    if (PlayUpdateStatusFields)
        PlayUpdateStatusFields();
    if (FrameHook.refreshCommands)
        FrameHook.refreshCommands();
    if (Rec.noSpace) {
        /* Everything recorded so far is kept; the user learns why it ended. */
        Rec.noSpace = 0;
        char text[160];
        frameString(IDS_REC_NOSPACE, text, sizeof text);
        osMessage(text[0] ? text : "The temporary drive is full: the recording stopped.", "Out of Space",
                  OS_MB_OK | OS_MB_ICONEXCLAMATION);
    }
}

void audioOnWimClose(HWAVEIN device)
{
    if (Rec.device && device == dev())
        closeDone();
}

/* At shutdown: the device reset and closed, its buffers released. */
void recordShutdown(void)
{
    if (!Rec.device)
        return;
    if (!Rec.closing) {
        Rec.stopRequest = 1;
        waveInReset(dev());
        unprepareAll();
        closeNow();
    }
    if (Rec.closing)
        closeDone();
}
