/*
 * txfm.c - a transform module for the host's tests, in plain C against zxform.h alone.
 * One source, several DLLs: the name, version, flags and formats come from the build.
 *
 * Settings (layout "LSHGI", 268 bytes): a gain in percent, a text, an owned memory block,
 * a graph id and a small integer.  In-process tests steer the entry points through
 * environment variables (TXFM_*); the end-to-end build (TXFM_E2E) asks through a message
 * box and halves every sample.
 */
#include "filters/sdk/zxform.h"

#include <stdlib.h>
#include <string.h>

#ifndef TXFM_NAME
#define TXFM_NAME "Probe"
#endif
#ifndef TXFM_VERSION
#define TXFM_VERSION 1152
#endif
#ifndef TXFM_FLAGS
#define TXFM_FLAGS XFM_TRANSFORM
#endif
#ifndef TXFM_FORMATS
#define TXFM_FORMATS (XFM_FMT_MONO16 | XFM_FMT_STEREO16)
#endif

#pragma pack(push, 1)
typedef struct Settings {
    long    gain;        /* L */
    char    text[256];   /* S */
    HGLOBAL owned;       /* H */
    short   graph;       /* G */
    short   small;       /* I */
} Settings;
#pragma pack(pop)

static long env(const char *key, long def)
{
    char b[32];
    DWORD n = GetEnvironmentVariableA(key, b, sizeof b);
    return n > 0 && n < sizeof b ? atol(b) : def;
}

static void bump(const char *key)
{
    char b[16];
    long v = env(key, 0) + 1;
    int i = 15;
    b[i] = 0;
    do { b[--i] = (char)('0' + v % 10); v /= 10; } while (v && i > 0);
    SetEnvironmentVariableA(key, b + i);
}

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, TXFM_NAME);
    strcpy(info->label, "Probing the samples");
    info->formats = TXFM_FORMATS;
    info->flags = TXFM_FLAGS;
    info->dataSize = sizeof(Settings);
    strcpy(info->layout, "LSHGI");
    strcpy(info->presetMask, "yy   ");
    return TXFM_VERSION;
}

static HGLOBAL ownedBlock(char fill)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 16);
    char *p = h ? (char *)GlobalLock(h) : NULL;
    if (p) {
        memset(p, fill, 16);
        GlobalUnlock(h);
    }
    return h;
}

void WINAPI XfmInit(XfmContext *ctx)
{
    Settings *s = (Settings *)GlobalLock(ctx->data);
    if (!s)
        return;
    s->gain = 50;
    strcpy(s->text, "one, two, three");
    s->owned = ownedBlock('i');
    s->graph = -1;
    s->small = 7;
    GlobalUnlock(ctx->data);
    bump("TXFM_INITS");
}

void WINAPI XfmDestroy(XfmContext *ctx)
{
    Settings *s = (Settings *)GlobalLock(ctx->data);
    if (!s)
        return;
    if (s->owned)
        GlobalFree(s->owned);
    s->owned = 0;
    GlobalUnlock(ctx->data);
    bump("TXFM_DESTROYS");
}

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    short result;
    (void)module;
#ifdef TXFM_E2E
    (void)ctx;
    result = MessageBoxA(main, "Halve the samples?", TXFM_NAME, MB_OKCANCEL) == IDOK ? 1 : 0;
    return result;
#else
    Settings *s;
    (void)main;
    bump("TXFM_SETUPS");
    if (ctx->entry->info.flags & XFM_QUIET)
        bump("TXFM_QUIETS");
    s = (Settings *)GlobalLock(ctx->data);
    if (s) {
        /* What a user would change in the dialog, whatever the answer. */
        if (env("TXFM_SETUP_CHANGE", 0)) {
            s->gain = 999;
            strcpy(s->text, "changed");
            if (s->owned)
                GlobalFree(s->owned);
            s->owned = ownedBlock('c');
            s->small = -3;
        }
        GlobalUnlock(ctx->data);
    }
    ctx->lengthRequest = (DWORD)env("TXFM_REQUEST", 0);
    ctx->lengthFrames = (DWORD)env("TXFM_FRAMES", 0);
    ctx->extraFlags = (DWORD)env("TXFM_EXTRA", 0);
    ctx->changedStart = (DWORD)env("TXFM_CHANGED_START", 0);
    ctx->changedEnd = (DWORD)env("TXFM_CHANGED_END", 0);
    result = (short)env("TXFM_SETUP_RESULT", 1);
    return result;
#endif
}

/* Halves (or, with TXFM_FILL, fills with gain) the frames start..end of every channel. */
static long process(XfmContext *ctx, long frames)
{
    short buf[1024];
    DWORD ba = ctx->blockAlign, per = sizeof buf / ba, done = 0;
    long fill = env("TXFM_FILL", -1);
    if (ctx->bitsPerSample != 16)
        return 0;
    while ((long)done < frames) {
        DWORD n = (DWORD)frames - done < per ? (DWORD)frames - done : per, i;
        long at = (long)((ctx->start + done) * ba);
        if (fill < 0 && ctx->vocRead(buf, at, n * ba) != 0)
            return 0;
        for (i = 0; i < n * ba / 2; i++)
            buf[i] = fill < 0 ? (short)(buf[i] / 2) : (short)fill;
        if (ctx->vocWriteAt(buf, at, n * ba) != 0)
            return 0;
        done += n;
        if (ctx->progressMeter && !ctx->progressMeter(done, (DWORD)frames))
            break;
    }
    return (long)done;
}

long WINAPI XfmDo(XfmContext *ctx)
{
    long frames = (long)(ctx->end - ctx->start + 1), got;
#ifndef TXFM_E2E
    HWND dlg;
    bump("TXFM_DOS");
    if (env("TXFM_GENERATE_FRAMES", -1) >= 0)
        frames = env("TXFM_GENERATE_FRAMES", 0);
#endif
    ctx->progressCreate("Probing", 0);
#ifndef TXFM_E2E
    dlg = FindWindowA("#32770", NULL);
    SetEnvironmentVariableA("TXFM_SAW_PROGRESS", dlg && IsWindowVisible(dlg) ? "1" : "0");
#endif
    got = process(ctx, frames);
    ctx->progressDestroy();
#ifndef TXFM_E2E
    if (env("TXFM_BAD_RANGE", 0)) {
        ctx->start = ctx->end + 10;
        ctx->end = 3;
    }
#endif
    return got;
}
