/*
 * xfmkit.c - the bundled modules' shared helpers (see xfmkit.h).  Uses only the module SDK
 * and the platform.  Global state: KitBuffer, the work buffer of kitRun, kitPass and
 * kitStream, and KitOut, kitStream's output piece.
 */
#include "xforms/common/xfmkit.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define KIT_BUFFER_BYTES 65536

static short KitBuffer[KIT_BUFFER_BYTES / 2];   /* one piece of frames on its way */
/* kitStream's output piece: 8192 frames of at most 4 bytes, so one piece always fits the
   delayed writer's 16-bit count. */
#define KIT_STREAM_FRAMES 8192
static short KitOut[KIT_STREAM_FRAMES * 2];

int kitShowDialog(const XfmContext *ctx)
{
    if (ctx->entry && (ctx->entry->info.flags & XFM_QUIET))
        return 0;
    if (ctx->scriptHandle != 0xFFFF && ctx->scriptHandle != 0 && !ctx->scriptShowDialogs)
        return 0;
    return 1;
}

int kitGetDouble(HWND dlg, int id, double *value)
{
    char text[64], *end;
    double v;
    GetDlgItemTextA(dlg, id, text, sizeof text);
    v = strtod(text, &end);
    while (*end == ' ')
        end++;
    if (end == text || *end || !(v == v))
        return 0;
    *value = v;
    return 1;
}

void kitSetDouble(HWND dlg, int id, double value)
{
    char text[64];
    snprintf(text, sizeof text, "%.10g", value);
    SetDlgItemTextA(dlg, id, text);
}

void kitHelp(HWND dlg, HINSTANCE module, UINT textId, const char *title)
{
    char text[2048], caption[80];
    if (!LoadStringA(module, textId, text, sizeof text))
        text[0] = 0;
    snprintf(caption, sizeof caption, "%s Help", title);
    MessageBoxA(dlg, text, caption, MB_OK | MB_ICONINFORMATION);
}

int kitGraphMessage(const XfmContext *ctx, short graph, HWND dlg, UINT msg, LPARAM lParam)
{
    short x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    if (graph < 0 || !ctx->graphapiDraw)
        return 0;
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dlg, &ps);
        ctx->graphapiDraw(graph, dc);
        EndPaint(dlg, &ps);
        return 1;
    }
    case WM_LBUTTONDOWN:
        ctx->graphapiWM_LBUTTONDOWN(graph, x, y);
        return 1;
    case WM_LBUTTONUP:
        ctx->graphapiWM_LBUTTONUP(graph, x, y);
        return 1;
    case WM_MOUSEMOVE:
        ctx->graphapiWM_MOUSEMOVE(graph, x, y);
        return 1;
    case WM_LBUTTONDBLCLK:
        ctx->graphapiWM_LBUTTONDBLCLK(graph, x, y);
        return 1;
    }
    return 0;
}

enum { KIT_READ = 1, KIT_WRITE = 2 };

static long kitRun(XfmContext *ctx, DWORD frames, int mode, KitBlockFn fn, void *user, const char *title)
{
    DWORD ba = ctx->blockAlign, per, done = 0;
    if (ctx->bitsPerSample != 16 || ba == 0 || ba > 4)
        return 0;
    per = KIT_BUFFER_BYTES / ba;
    if (ctx->progressCreate)
        ctx->progressCreate(title, 0);
    while (done < frames) {
        DWORD n = frames - done < per ? frames - done : per;
        long at = (long)((ctx->start + done) * ba);
        if ((mode & KIT_READ) && ctx->vocRead(KitBuffer, at, n * ba) != 0)
            break;
        fn(KitBuffer, n, done, frames, user);
        if ((mode & KIT_WRITE) && ctx->vocWriteAt(KitBuffer, at, n * ba) != 0)
            break;
        done += n;
        if (ctx->progressMeter && !ctx->progressMeter(done, frames))
            break;
    }
    if (ctx->progressDestroy)
        ctx->progressDestroy();
    return (long)done;
}

long kitProcess(XfmContext *ctx, KitBlockFn fn, void *user, const char *title)
{
    if (ctx->end < ctx->start)
        return 0;
    return kitRun(ctx, ctx->end - ctx->start + 1, KIT_READ | KIT_WRITE, fn, user, title);
}

long kitGenerate(XfmContext *ctx, DWORD frames, KitBlockFn fn, void *user, const char *title)
{
    return kitRun(ctx, frames, KIT_WRITE, fn, user, title);
}

long kitScan(XfmContext *ctx, KitBlockFn fn, void *user, const char *title)
{
    if (ctx->end < ctx->start)
        return 0;
    return kitRun(ctx, ctx->end - ctx->start + 1, KIT_READ, fn, user, title);
}

HINSTANCE kitModule(void)
{
    HMODULE h = NULL;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            (LPCSTR)(void *)kitModule, &h))
        return NULL;
    return (HINSTANCE)h;
}

void kitAlert(UINT textId, const char *caption)
{
    char text[400];
    if (!LoadStringA(kitModule(), textId, text, sizeof text))
        snprintf(text, sizeof text, "The work could not be done.");
    MessageBoxA(GetActiveWindow(), text, caption, MB_OK | MB_ICONEXCLAMATION);
}

void kitRefuse(HWND dlg, UINT textId, const char *caption)
{
    char text[400];
    if (!LoadStringA((HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE), textId, text, sizeof text))
        snprintf(text, sizeof text, "These values cannot be used.");
    MessageBoxA(dlg, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

int kitPresetCommand(XfmContext *ctx, HWND dlg, const char *section, int id, int code, int (*take)(HWND dlg))
{
    switch (id) {
    case KIT_PRESET_NAME:
        if (code == EN_CHANGE && ctx->presetHandlePRESETNAME)
            ctx->presetHandlePRESETNAME(dlg);
        return 1;
    case KIT_PRESET_LIST:
        if (ctx->HandleID_PRESETS &&
            ctx->HandleID_PRESETS(ctx, dlg, section, (WORD)code, GetDlgItem(dlg, KIT_PRESET_LIST)))
            return 2;
        return 1;
    case KIT_PRESET_ADD:
        if (ctx->HandleID_ADD && take(dlg))
            ctx->HandleID_ADD(ctx, dlg, section);
        return 1;
    case KIT_PRESET_DEL:
        if (ctx->presetHandleDEL)
            ctx->presetHandleDEL(dlg, section);
        return 1;
    }
    return 0;
}

int kitInitPresets(XfmContext *ctx, HWND dlg, const char *section, const KitPreset *builtIn, int count,
                   DWORD dataSize)
{
    int live, i;
    void *saved, *s;
    if (!ctx->presetsInitIni)
        return 0;
    live = ctx->presetsInitIni(dlg, section, ctx->iniFile);
    if (live > 0 || count <= 0 || !ctx->HandleID_ADD || !(saved = malloc(dataSize)))
        return live;
    s = GlobalLock(ctx->data);
    if (s) {
        memcpy(saved, s, dataSize);
        GlobalUnlock(ctx->data);
        for (i = 0; i < count; i++) {
            if (!(s = GlobalLock(ctx->data)))
                break;
            memcpy(s, builtIn[i].data, dataSize);
            GlobalUnlock(ctx->data);
            SetDlgItemTextA(dlg, KIT_PRESET_NAME, builtIn[i].name);
            ctx->HandleID_ADD(ctx, dlg, section);
            live++;
        }
        if ((s = GlobalLock(ctx->data))) {
            memcpy(s, saved, dataSize);
            GlobalUnlock(ctx->data);
        }
        SetDlgItemTextA(dlg, KIT_PRESET_NAME, "");
    }
    free(saved);
    return live;
}

long kitPass(XfmContext *ctx, int write, KitBlockFn fn, void *user, int pass, int passes)
{
    DWORD ba = ctx->blockAlign, per, done = 0, frames;
    if (ctx->bitsPerSample != 16 || ba == 0 || ba > 4 || ctx->end < ctx->start || passes < 1)
        return 0;
    frames = ctx->end - ctx->start + 1;
    per = KIT_BUFFER_BYTES / ba;
    while (done < frames) {
        DWORD n = frames - done < per ? frames - done : per;
        long at = (long)((ctx->start + done) * ba);
        unsigned long long shown;
        if (ctx->vocRead(KitBuffer, at, n * ba) != 0)
            break;
        fn(KitBuffer, n, done, frames, user);
        if (write && ctx->vocWriteAt(KitBuffer, at, n * ba) != 0)
            break;
        done += n;
        shown = ((unsigned long long)pass * frames + done) / (unsigned)passes;
        if (ctx->progressMeter && !ctx->progressMeter((DWORD)shown, frames))
            break;
    }
    return (long)done;
}

/* Writes a piece of output: through the delayed writer, or straight at *at without one. */
static void streamOut(XfmContext *ctx, int delayed, const short *out, size_t frames, DWORD *at, DWORD *room)
{
    DWORD ba = ctx->blockAlign, bytes;
    if (frames > *room)
        frames = *room;
    bytes = (DWORD)frames * ba;
    if (!bytes)
        return;
    if (delayed)
        ctx->delayWrite(out, (WORD)bytes);
    else
        ctx->vocWriteAt(out, (long)*at, bytes);
    *at += bytes;
    *room -= (DWORD)frames;
}

long kitStream(XfmContext *ctx, KitStreamFn fn, void *user, const char *title)
{
    DWORD ba = ctx->blockAlign, done = 0, frames, at, room;
    int delayed;
    size_t made;
    if (ctx->bitsPerSample != 16 || ba == 0 || ba > 4 || ctx->end < ctx->start)
        return 0;
    frames = ctx->end - ctx->start + 1;
    at = ctx->start * ba;
    room = frames;
    delayed = ctx->delayWrite && ctx->delayWriteInit && ctx->delayWriteDestroy &&
              ctx->delayWriteInit(0, at, frames * ba) == 0;
    if (ctx->progressCreate)
        ctx->progressCreate(title, 0);
    while (done < frames) {
        DWORD n = frames - done < KIT_STREAM_FRAMES ? frames - done : KIT_STREAM_FRAMES;
        if (ctx->vocRead(KitBuffer, (long)((ctx->start + done) * ba), n * ba) != 0)
            break;
        made = fn(KitBuffer, n, KitOut, KIT_STREAM_FRAMES, user);
        streamOut(ctx, delayed, KitOut, made, &at, &room);
        done += n;
        if (ctx->progressMeter && !ctx->progressMeter(done, frames))
            break;
    }
    if (done == frames)
        while (room && (made = fn(KitBuffer, 0, KitOut, KIT_STREAM_FRAMES, user)) > 0)
            streamOut(ctx, delayed, KitOut, made, &at, &room);
    if (delayed)
        ctx->delayWriteDestroy();
    if (ctx->progressDestroy)
        ctx->progressDestroy();
    return (long)done;
}

/* ---- the settings dialog ---- */

static struct {
    XfmContext *ctx;
    const KitDialog *d;
} KitDlg;

static INT_PTR CALLBACK kitDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const KitDialog *d = KitDlg.d;
    XfmContext *ctx = KitDlg.ctx;
    int id, code;
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        if (d->presets)
            kitInitPresets(ctx, dlg, d->presets, d->builtIn, d->builtInCount, d->dataSize);
        d->put(dlg);
        if (d->init)
            d->init(dlg);
        if (ctx->zwCenter)
            ctx->zwCenter(dlg, GetParent(dlg));
        return TRUE;
    case WM_COMMAND:
        id = LOWORD(wParam);
        code = HIWORD(wParam);
        if (d->presets) {
            switch (kitPresetCommand(ctx, dlg, d->presets, id, code, d->take)) {
            case 2:
                d->put(dlg);
                return TRUE;
            case 1:
                return TRUE;
            }
        }
        switch (id) {
        case IDOK:
            if (d->take(dlg))
                EndDialog(dlg, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        case KIT_HELP_BUTTON:
            kitHelp(dlg, kitModule(), d->helpText, d->name);
            return TRUE;
        }
        if (d->command)
            d->command(dlg, id, code);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

INT_PTR kitDialog(HWND owner, XfmContext *ctx, const KitDialog *d)
{
    INT_PTR r;
    KitDlg.ctx = ctx;
    KitDlg.d = d;
    r = DialogBoxParamA(kitModule(), MAKEINTRESOURCEA(d->dialogId), owner, kitDialogProc, 0);
    KitDlg.ctx = NULL;
    KitDlg.d = NULL;
    return r == IDOK ? IDOK : IDCANCEL;
}

void kitUnitRadio(HWND dlg, int id, int code, int second, void (*convert)(HWND dlg, int toSecond))
{
    int toSecond = id == second;
    if (code != BN_CLICKED)
        return;
    if (toSecond != (int)GetWindowLongPtrA(dlg, DWLP_USER))
        convert(dlg, toSecond);
    SetWindowLongPtrA(dlg, DWLP_USER, toSecond);
}
