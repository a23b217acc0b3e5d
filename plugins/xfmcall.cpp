/*
 * xfmcall.cpp - the calling convention: the table of host services, the context a module
 * receives, the format adaptation (one channel, 8-bit material as 16-bit), and the calls the
 * program exports for running a transform directly (OpenXfm ... CallXfm).
 *
 * Writes XfmHost.slot, Progress.silentOwner (the ProgressOwner token of silent calls) and,
 * after DoXfm, the document's selection and view end.  Invariant: slot[0] stays NULL, so
 * handle 0 means failure; an occupied slot owns its context, its settings block and a
 * loaded module until CloseXfm.
 */
#include "plugins/xfmhost.h"
#include "plugins/xfmservices.h"
#include "plugins/progress.h"
#include "store/voc.h"
#include "store/delaywrite.h"
#include "store/tempfile.h"
#include "core/document.h"
#include "ui/frame.h"
#include "dsp/dsp.h"

#include <stdio.h>
#include <string.h>

void WINAPI zwCenter(HWND window, HWND over) { frameCentre(window, over); }

#define FN(f) ((void *)(f))

/* Numbered as modules have always seen them. */
static void *table[XFM_SERVICES];
static int tableFilled;

static void fillTable(void)
{
    void *t[XFM_SERVICES] = {
        FN(vocRead), FN(vocWriteAt), FN(vocReadSingle), FN(vocWriteAtSingle),               /* 0 */
        FN(delayWriteInit), FN(delayWriteDestroy), FN(delayWrite),                          /* 4 */
        FN(progressMeter), FN(progressCreate), FN(progressDestroy), FN(zwCenter),           /* 7 */
        FN(presetsInitIni), FN(HandleID_PRESETS), FN(HandleID_ADD), FN(presetHandleDEL),    /* 11 */
        FN(presetHandlePRESETNAME),                                                         /* 15 */
        FN(graphapiCreate), FN(graphapiSetDialog), FN(graphapiDestroy), FN(graphapiDraw),   /* 16 */
        FN(graphapiWM_LBUTTONDOWN), FN(graphapiWM_LBUTTONUP), FN(graphapiWM_MOUSEMOVE),     /* 20 */
        FN(graphapiWM_LBUTTONDBLCLK), FN(graphapiCount), FN(graphapiGetPoint),              /* 23 */
        FN(graphapiGetValueAt), FN(graphapiClear), FN(graphapiInverse),                     /* 26 */
        FN(graphapiSetDblClkScales), FN(graphapiSetDblClkNames), FN(graphapiCopyGraph),     /* 29 */
        FN(FFT), FN(WindowFFT), FN(IWindowFFT), FN(SetWindowType), FN(SetFFT16bit),         /* 32 */
        FN(SetFFT8bit), FN(SetStereoFFT16bit), FN(SetStereoFFT8bit),                        /* 37 */
        FN(SetStereoFFT16bitInterleaved), FN(SetStereoFFT8bitInterleaved),                  /* 40 */
        FN(GetStereoFFT16bitInterleaved), FN(GetStereoFFT8bitInterleaved),                  /* 42 */
        FN(getTempName), FN(CreateXfmVars), FN(DeleteXfmVars), FN(SetXfmVar), FN(CallXfm),  /* 44 */
        FN(vocCut), FN(vocInsertBlank), FN(graphapiSetPoint), FN(LFFT),                     /* 49 */
        FN(vocReadSingle8to16), FN(vocWriteAtSingle16to8), FN(vocRead8to16),                /* 53 */
        FN(vocWriteAt16to8), FN(vocCut16to8), FN(vocInsertBlank16to8),                      /* 56 */
        FN(delayWriteInit16to8), FN(delayWriteDestroy16to8), FN(delayWrite16to8),           /* 59 */
        FN(Convolute),                                                                      /* 62 */
    };
    memcpy(table, t, sizeof table);
    tableFilled = 1;
}

void *xfmService(int n)
{
    if (n < 0 || n >= XFM_SERVICES) {
        osDebug("Error Making Proc Instance for ");
        osDebug("# %d\n", n);
        return NULL;
    }
    if (!tableFilled)
        fillTable();
    return table[n];
}

template <typename T> static void put(T &slot, int n) { slot = reinterpret_cast<T>(xfmService(n)); }

static const char iniName[] = "zelo.ini";

void FillXfmContext(TransformEntry *e, XfmContext *ctx, int everything)
{
    uint32_t flags = e ? e->info.flags : 0;
    ctx->entry = e;
    put(ctx->vocRead, 0);
    put(ctx->vocWriteAt, 1);
    put(ctx->delayWriteInit, 4);
    put(ctx->delayWriteDestroy, 5);
    put(ctx->delayWrite, 6);
    put(ctx->progressMeter, 7);
    put(ctx->progressCreate, 8);
    put(ctx->progressDestroy, 9);
    put(ctx->zwCenter, 10);
    ctx->cancelFlag = &Progress.cancelled;
    ctx->iniFile = iniName;
    if (everything || (flags & XFM_PRESETS)) {
        put(ctx->presetsInitIni, 11);
        put(ctx->HandleID_PRESETS, 12);
        put(ctx->HandleID_ADD, 13);
        put(ctx->presetHandleDEL, 14);
        put(ctx->presetHandlePRESETNAME, 15);
    }
    if (everything || (flags & XFM_GRAPH)) {
        put(ctx->graphapiCreate, 16);
        put(ctx->graphapiSetDialog, 17);
        put(ctx->graphapiDestroy, 18);
        put(ctx->graphapiDraw, 19);
        put(ctx->graphapiWM_LBUTTONDOWN, 20);
        put(ctx->graphapiWM_LBUTTONUP, 21);
        put(ctx->graphapiWM_MOUSEMOVE, 22);
        put(ctx->graphapiWM_LBUTTONDBLCLK, 23);
        put(ctx->graphapiCount, 24);
        put(ctx->graphapiGetPoint, 25);
        put(ctx->graphapiGetValueAt, 26);
        put(ctx->graphapiClear, 27);
        put(ctx->graphapiInverse, 28);
        put(ctx->graphapiSetDblClkScales, 29);
        put(ctx->graphapiSetDblClkNames, 30);
        put(ctx->graphapiCopyGraph, 31);
        put(ctx->graphapiSetPoint, 51);
    }
    if (everything || (flags & XFM_FFT)) {
        put(ctx->FFT, 32);
        put(ctx->WindowFFT, 33);
        put(ctx->IWindowFFT, 34);
        put(ctx->SetWindowType, 35);
        put(ctx->SetFFT16bit, 36);
        put(ctx->SetFFT8bit, 37);
        put(ctx->SetStereoFFT16bit, 38);
        put(ctx->SetStereoFFT8bit, 39);
        put(ctx->SetStereoFFT16bitInterleaved, 40);
        put(ctx->SetStereoFFT8bitInterleaved, 41);
        put(ctx->GetStereoFFT16bitInterleaved, 42);
        put(ctx->GetStereoFFT8bitInterleaved, 43);
        put(ctx->LFFT, 52);
        put(ctx->Convolute, 62);
    }
    put(ctx->getTempName, 44);
    put(ctx->CreateXfmVars, 45);
    put(ctx->DeleteXfmVars, 46);
    put(ctx->SetXfmVar, 47);
    put(ctx->CallXfm, 48);
    put(ctx->vocCut, 49);
    put(ctx->vocInsertBlank, 50);
    ctx->hostInstance = Frame.instance;
    ctx->one = 1;
    ctx->dialogFont = Frame.smallFont ? Frame.smallFont : (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    ctx->channels = Wave.channels;
    ctx->bitsPerSample = Wave.bitsPerSample;
    ctx->blockAlign = Wave.blockAlign;
    ctx->sampleRate = Doc.sampleRate;
    ctx->viewStart = Doc.viewStart;
    ctx->viewEnd = Doc.viewEnd;
    ctx->extraFlags = 0;
}

void xfmAdaptFormat(const TransformEntry *e, XfmContext *ctx)
{
    int single = ctx->channels == 2 && (Wave.editChannel == 1 || Wave.editChannel == 2);
    if (single) {
        ctx->channels = 1;
        ctx->blockAlign = (WORD)(ctx->blockAlign / 2);
        put(ctx->vocRead, 2);
        put(ctx->vocWriteAt, 3);
    }
    if (e && !(e->info.formats & (XFM_FMT_MONO8 | XFM_FMT_STEREO8)) && ctx->bitsPerSample == 8) {
        ctx->bitsPerSample = 16;
        ctx->blockAlign = (WORD)(ctx->blockAlign * 2);
        if (single) {
            put(ctx->vocRead, 53);
            put(ctx->vocWriteAt, 54);
        } else {
            put(ctx->vocRead, 55);
            put(ctx->vocWriteAt, 56);
            put(ctx->vocCut, 57);
            put(ctx->vocInsertBlank, 58);
        }
        put(ctx->delayWriteInit, 59);
        put(ctx->delayWriteDestroy, 60);
        put(ctx->delayWrite, 61);
    }
}

HMODULE xfmLoad(const TransformEntry *e, DWORD *error)
{
    char path[MAX_PATH * 2];
    snprintf(path, sizeof path, "%s\\%s", XfmHost.dir, e->file);
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE m = LoadLibraryA(path);
    DWORD err = GetLastError();
    SetErrorMode(oldMode);
    if (!m && error)
        *error = err ? err : ERROR_MOD_NOT_FOUND;
    return m;
}

template <typename T> static T entryPoint(HMODULE m, const char *name)
{
    return reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(m, name)));
}

/* The message of OpenXfm and CallXfm when the module will not load. */
static HMODULE loadOrSay(const TransformEntry *e)
{
    DWORD err = 0;
    HMODULE m = xfmLoad(e, &err);
    if (!m) {
        char text[MAX_PATH + 64];
        snprintf(text, sizeof text, "Error %ld Loading Library %s\n", (long)err, e->file);
        osMessage(text, "Hey!", OS_MB_OK | OS_MB_ICONEXCLAMATION);
    }
    return m;
}

/* A silent call takes the ProgressOwner token when it is free; returns 1 when it did. */
static int takeSilence(short showProgress, uint32_t token)
{
    if (showProgress || Progress.silentOwner)
        return 0;
    Progress.silentOwner = token;
    return 1;
}

static void giveSilence(int taken, uint32_t token)
{
    if (taken && Progress.silentOwner == token)
        Progress.silentOwner = 0;
}

static XfmContext *slotOf(short handle)
{
    return handle > 0 && handle < XFM_SLOTS ? XfmHost.slot[handle] : NULL;
}

short WINAPI OpenXfm(LPCSTR name)
{
    int row = xfmFindRow(name);
    if (row < 0)
        return 0;
    short h = 1;
    while (h < XFM_SLOTS && XfmHost.slot[h])
        h++;
    if (h >= XFM_SLOTS)
        return 0;
    TransformEntry *e = &XfmHost.rows[row];
    XfmContext *ctx = (XfmContext *)calloc(1, sizeof *ctx);
    if (!ctx)
        return 0;
    HMODULE m = loadOrSay(e);
    if (!m) {
        free(ctx);
        return 0;
    }
    FillXfmContext(e, ctx, 0);
    ctx->registryIndex = (WORD)row;
    ctx->module = m;
    XfmInitFn init = entryPoint<XfmInitFn>(m, "XfmInit");
    ctx->data = GlobalAlloc(GMEM_MOVEABLE, e->info.dataSize ? e->info.dataSize : 1);
    if (!init || !ctx->data) {
        if (ctx->data)
            GlobalFree(ctx->data);
        FreeLibrary(m);
        free(ctx);
        return 0;
    }
    XfmHost.slot[h] = ctx;
    init(ctx);
    return h;
}

void WINAPI CloseXfm(short handle)
{
    XfmContext *ctx = slotOf(handle);
    if (!ctx)
        return;
    XfmDestroyFn destroy = entryPoint<XfmDestroyFn>(ctx->module, "XfmDestroy");
    if (destroy)
        destroy(ctx);
    if (ctx->data)
        GlobalFree(ctx->data);
    FreeLibrary(ctx->module);
    free(ctx);
    XfmHost.slot[handle] = NULL;
}

long WINAPI DoXfm(short handle, DWORD start, DWORD end, short showProgress)
{
    XfmContext *ctx = slotOf(handle);
    if (!ctx)
        return 0;
    XfmDoFn work = entryPoint<XfmDoFn>(ctx->module, "XfmDo");
    if (!work)
        return 0;
    ctx->start = start;
    ctx->end = end;
    uint32_t token = XFM_SILENT_CALL + (uint32_t)handle;
    int taken = takeSilence(showProgress, token);
    long r = work(ctx);
    giveSilence(taken, token);
    /* The module's range becomes the selection, within the wave it left behind. */
    uint32_t frames = docFrames();
    if (frames > 0 && ctx->start <= ctx->end && ctx->start < frames) {
        Doc.selStart = ctx->start;
        Doc.selEnd = ctx->end < frames ? ctx->end : frames - 1;
        if (Doc.viewEnd == DOC_NONE || Doc.selEnd > Doc.viewEnd)
            Doc.viewEnd = Doc.selEnd;
    }
    return r;
}

static short copyData(HGLOBAL data, void *dst, const void *src, WORD offset, WORD count)
{
    if (!data)
        return 0;
    SIZE_T size = GlobalSize(data);
    if ((SIZE_T)offset + count > size)
        return 0;
    uint8_t *p = (uint8_t *)GlobalLock(data);
    if (!p)
        return 0;
    if (dst)
        memcpy(dst, p + offset, count);
    else if (src)
        memcpy(p + offset, src, count);
    GlobalUnlock(data);
    return 1;
}

short WINAPI bGetXfmData(void *dst, short handle, WORD offset, WORD count)
{
    XfmContext *ctx = slotOf(handle);
    return ctx && dst ? copyData(ctx->data, dst, NULL, offset, count) : 0;
}

short WINAPI bSetXfmData(short handle, const void *src, WORD offset, WORD count)
{
    XfmContext *ctx = slotOf(handle);
    return ctx && src ? copyData(ctx->data, NULL, src, offset, count) : 0;
}

HGLOBAL WINAPI CreateXfmVars(LPCSTR name)
{
    int row = xfmFindRow(name);
    if (row < 0)
        return 0;
    TransformEntry *e = &XfmHost.rows[row];
    HMODULE m = xfmLoad(e, NULL);
    if (!m)
        return 0;
    XfmInitFn init = entryPoint<XfmInitFn>(m, "XfmInit");
    HGLOBAL data = init ? GlobalAlloc(GMEM_MOVEABLE, e->info.dataSize ? e->info.dataSize : 1) : 0;
    if (data) {
        XfmContext ctx;
        memset(&ctx, 0, sizeof ctx);
        ctx.data = data;
        init(&ctx);
    }
    FreeLibrary(m);
    return data;
}

short WINAPI DeleteXfmVars(LPCSTR name, HGLOBAL vars)
{
    int row = xfmFindRow(name);
    if (row < 0)
        return 0;
    HMODULE m = xfmLoad(&XfmHost.rows[row], NULL);
    if (!m)
        return 0;
    XfmDestroyFn destroy = entryPoint<XfmDestroyFn>(m, "XfmDestroy");
    if (destroy && vars) {
        XfmContext ctx;
        memset(&ctx, 0, sizeof ctx);
        ctx.data = vars;
        destroy(&ctx);
    }
    if (vars)
        GlobalFree(vars);
    FreeLibrary(m);
    return 0;
}

void WINAPI SetXfmVar(HGLOBAL vars, WORD offset, WORD count, const void *src)
{
    if (src)
        copyData(vars, NULL, src, offset, count);
}

short WINAPI CallXfm(LPCSTR name, HGLOBAL vars, DWORD start, DWORD end, short showProgress, void *result)
{
    if (!vars)
        return 1;
    int row = xfmFindRow(name);
    if (row < 0)
        return 1;
    TransformEntry *e = &XfmHost.rows[row];
    HMODULE m = loadOrSay(e);
    if (!m)
        return 1;
    XfmDoFn work = entryPoint<XfmDoFn>(m, "XfmDo");
    if (!work) {
        FreeLibrary(m);
        return 1;
    }
    XfmContext ctx;
    memset(&ctx, 0, sizeof ctx);
    FillXfmContext(e, &ctx, 0);
    xfmAdaptFormat(e, &ctx);
    ctx.data = vars;
    ctx.start = start;
    ctx.end = end;
    int taken = takeSilence(showProgress, XFM_SILENT_CALL);
    short r = (short)work(&ctx);
    giveSilence(taken, XFM_SILENT_CALL);
    if (result)
        memcpy(result, &ctx, XFM_RESULT_SIZE);
    FreeLibrary(m);
    return r;
}
