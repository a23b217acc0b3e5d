/*
 * queue.cpp - the play queue: a hidden window (PlayQueueMsgProc) that plays a list of
 * files one after the other through the file filters, with three buffers of at most 32768
 * bytes, apart from the main playback.  State: the window's PlayQueueState (one per
 * window, freed with it).  A buffer is freed only after the device has closed.
 */
#include "audio/audio.h"
#include "formats/filter.h"
#include "os/os.h"

#include <string.h>

#define QBUFFERS 3
#define QBUFSIZE 32768u
#define QCLOSEWHENDONE (WM_USER + 100)   /* wParam 1: close the window after the last entry */

struct PlayQueueState {
    PlayQueueEntry entry[PLAYQUEUE_MAX]; /* the files */
    int       count;                     /* entries */
    int       current;                   /* entry playing, count when done */
    HWAVEOUT  device;                    /* NULL when closed */
    WAVEHDR   hdr[QBUFFERS];             /* one per buffer; WHDR_PREPARED while queued */
    uint8_t  *buf[QBUFFERS];             /* QBUFSIZE bytes each */
    uint32_t  left;                      /* bytes of the current entry still to read */
    int       fileEnded;                 /* the current entry has no more bytes */
    int       inputOpen;                 /* the filter input holds the current entry */
    HWND      notify;                    /* gets notifyMsg, may be NULL */
    UINT      notifyMsg;
    int       closeWhenDone;             /* post command 1 at the end */
};

static PlayQueueState *stateOf(HWND w) { return (PlayQueueState *)GetWindowLongPtrA(w, GWLP_USERDATA); }

static void notifyOwner(PlayQueueState *q, WPARAM what, LPARAM index)
{
    if (q->notify)
        PostMessageA(q->notify, q->notifyMsg, what, index);
}

static void closeInput(PlayQueueState *q)
{
    if (q->inputOpen)
        filterCloseInput();
    q->inputOpen = 0;
}

/* Fills and writes buffer i from the current entry; 0 when nothing was written. */
static int feed(PlayQueueState *q, int i)
{
    if (q->fileEnded || !q->inputOpen)
        return 0;
    uint32_t want = q->left < QBUFSIZE ? q->left : QBUFSIZE;
    uint32_t got = want ? filterRead(q->buf[i], want) : 0;
    if (got == 0) {
        q->fileEnded = 1;
        notifyOwner(q, 2, q->current);
        return 0;
    }
    q->left -= got;
    WAVEHDR *h = &q->hdr[i];
    memset(h, 0, sizeof *h);
    h->lpData = (LPSTR)q->buf[i];
    h->dwBufferLength = got;
    h->dwUser = (DWORD_PTR)i;
    if (waveOutPrepareHeader(q->device, h, sizeof *h) != MMSYSERR_NOERROR)
        return 0;
    if (waveOutWrite(q->device, h, sizeof *h) != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(q->device, h, sizeof *h);
        return 0;
    }
    return 1;
}

/* Opens entries from q->current on until one plays; at the end tells the owner. */
static void startNext(HWND w, PlayQueueState *q)
{
    for (; q->current < q->count; q->current++) {
        PlayQueueEntry *e = &q->entry[q->current];
        if (filterOpenInput(e->filter, e->name, w, NULL, 0) != FILTER_OPENED)
            continue;
        q->inputOpen = 1;
        q->fileEnded = 0;
        q->left = e->bytes ? e->bytes : FilterIn.remaining;
        WAVEFORMATEX f;
        memset(&f, 0, sizeof f);
        f.wFormatTag = WAVE_FORMAT_PCM;
        f.nChannels = FilterIn.channels;
        f.nSamplesPerSec = FilterIn.rate;
        f.wBitsPerSample = FilterIn.bits;
        f.nBlockAlign = (WORD)(f.nChannels * f.wBitsPerSample / 8);
        f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
        if (waveOutOpen(&q->device, Play.deviceId, &f, (DWORD_PTR)w, 0, CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
            q->device = NULL;
            closeInput(q);
            continue;
        }
        int written = 0;
        for (int i = 0; i < QBUFFERS; i++)
            written += feed(q, i);
        if (written)
            return;
        waveOutClose(q->device);   /* an empty file: its close message moves on */
        return;
    }
    notifyOwner(q, 1, 0);
    if (q->closeWhenDone)
        PostMessageA(w, WM_COMMAND, IDOK, 0);
}

static void onDone(HWND w, PlayQueueState *q, WAVEHDR *h)
{
    if (!q->device || !h)
        return;
    int i = (int)h->dwUser;
    if (i < 0 || i >= QBUFFERS || h != &q->hdr[i])
        return;
    waveOutUnprepareHeader(q->device, h, sizeof *h);
    feed(q, i);
    for (int k = 0; k < QBUFFERS; k++)
        if (q->hdr[k].dwFlags & WHDR_PREPARED)
            return;
    waveOutClose(q->device);
}

static void onClose(HWND w, PlayQueueState *q)
{
    q->device = NULL;
    closeInput(q);
    q->current++;
    startNext(w, q);
}

static void destroyState(HWND w, PlayQueueState *q)
{
    if (q->device) {
        waveOutReset(q->device);
        for (int i = 0; i < QBUFFERS; i++)
            if (q->hdr[i].dwFlags & WHDR_PREPARED)
                waveOutUnprepareHeader(q->device, &q->hdr[i], sizeof q->hdr[i]);
        if (waveOutClose(q->device) != MMSYSERR_NOERROR) {
            SetWindowLongPtrA(w, GWLP_USERDATA, 0);
            return;   /* the device keeps its buffers: never free them under it */
        }
    }
    closeInput(q);
    for (int i = 0; i < QBUFFERS; i++)
        osFree(q->buf[i]);
    osFree(q);
    SetWindowLongPtrA(w, GWLP_USERDATA, 0);
}

LRESULT CALLBACK PlayQueueMsgProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    PlayQueueState *q = stateOf(w);
    switch (msg) {
    case MM_WOM_OPEN:
        if (q)
            q->closeWhenDone = 0;
        return 0;
    case MM_WOM_DONE:
        if (q)
            onDone(w, q, (WAVEHDR *)lParam);
        return 0;
    case MM_WOM_CLOSE:
        if (q)
            onClose(w, q);
        return 0;
    case QCLOSEWHENDONE:
        if (q)
            q->closeWhenDone = (int)wParam;
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && (!q || !q->device))
            DestroyWindow(w);
        return 0;
    case WM_DESTROY:
        if (q)
            destroyState(w, q);
        return 0;
    }
    return DefWindowProcA(w, msg, wParam, lParam);
}

HWND audioPlayQueue(const PlayQueueEntry *entries, int count, HWND notifyWnd, UINT notifyMsg, int closeWhenDone)
{
    static int registered;
    HINSTANCE inst = GetModuleHandleA(NULL);
    if (!registered) {
        WNDCLASSA wc;
        memset(&wc, 0, sizeof wc);
        wc.lpfnWndProc = PlayQueueMsgProc;
        wc.hInstance = inst;
        wc.lpszClassName = PLAYQUEUE_CLASS;
        registered = RegisterClassA(&wc) != 0;
    }
    if (!entries || count <= 0 || count > PLAYQUEUE_MAX)
        return NULL;
    PlayQueueState *q = (PlayQueueState *)osAlloc(sizeof *q);
    if (!q)
        return NULL;
    memset(q, 0, sizeof *q);
    for (int i = 0; i < QBUFFERS; i++) {
        q->buf[i] = (uint8_t *)osAlloc(QBUFSIZE);
        if (!q->buf[i]) {
            for (int k = 0; k < i; k++)
                osFree(q->buf[k]);
            osFree(q);
            return NULL;
        }
    }
    memcpy(q->entry, entries, sizeof(PlayQueueEntry) * (size_t)count);
    q->count = count;
    q->notify = notifyWnd;
    q->notifyMsg = notifyMsg;
    HWND w = CreateWindowExA(0, PLAYQUEUE_CLASS, "", 0, 0, 0, 0, 0, NULL, NULL, inst, NULL);
    if (!w) {
        for (int i = 0; i < QBUFFERS; i++)
            osFree(q->buf[i]);
        osFree(q);
        return NULL;
    }
    SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)q);
    startNext(w, q);
    /* MM_WOM_OPEN clears the flag when the device opens, so it is asked for after it. */
    if (closeWhenDone)
        PostMessageA(w, QCLOSEWHENDONE, 1, 0);
    return w;
}
