/*
 * xfmkit.c - the bundled modules' shared helpers (see xfmkit.h).  Uses only the module SDK
 * and the platform.  Global state: KitBuffer, the work buffer of kitRun.
 */
#include "xforms/common/xfmkit.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define KIT_BUFFER_BYTES 65536

static short KitBuffer[KIT_BUFFER_BYTES / 2];   /* one piece of frames on its way */

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
