/*
 * stats.c - the Statistics tool module: peak, RMS level, DC offset and clipped samples of
 * every channel of the selection, shown in a dialog.  A tool: the host only runs its
 * setup, which measures and shows; nothing is changed.  Built against the module SDK alone.
 *
 * No settings.  Global state: none beyond the dialog's record passed through lParam.
 */
#include "filters/sdk/zxform.h"
#include "xforms/common/xfmkit.h"
#include "xforms/stats/statcore.h"
#include "xforms/stats/stats.h"

#include <stdio.h>
#include <string.h>

#define STATS_NAME "Statistics"

typedef struct StatsResult {
    StatChannel ch[2];
    int channels;
    DWORD first, last;    /* frames measured */
    DWORD measured;       /* frames read (fewer after Cancel) */
    XfmCenterFn center;   /* the host's centring service, or NULL */
} StatsResult;

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, STATS_NAME);
    strcpy(info->label, "Measuring the selection");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_TOOL | XFM_NEEDS_DATA;
    info->dataSize = 0;
    return XFM_VERSION;
}

static void statsPiece(short *samples, DWORD frames, DWORD first, DWORD total, void *user)
{
    StatsResult *r = (StatsResult *)user;
    (void)first;
    (void)total;
    statAdd(r->ch, samples, frames, r->channels);
}

static void putLevel(HWND dlg, int id, double db)
{
    char text[32];
    if (db <= STAT_SILENT_DB)
        strcpy(text, "silent");
    else
        snprintf(text, sizeof text, "%.2f", db);
    SetDlgItemTextA(dlg, id, text);
}

static void putChannel(HWND dlg, int base, const StatChannel *ch)
{
    char text[32];
    putLevel(dlg, base + IDC_STAT_PEAK - IDC_STAT_PEAK, statPeakDb(ch));
    snprintf(text, sizeof text, "%d", statPeak(ch));
    SetDlgItemTextA(dlg, base + IDC_STAT_PEAKVAL - IDC_STAT_PEAK, text);
    putLevel(dlg, base + IDC_STAT_RMS - IDC_STAT_PEAK, statRmsDb(ch));
    snprintf(text, sizeof text, "%.6f", statDc(ch));
    SetDlgItemTextA(dlg, base + IDC_STAT_DC - IDC_STAT_PEAK, text);
    snprintf(text, sizeof text, "%lu", (unsigned long)ch->clipped);
    SetDlgItemTextA(dlg, base + IDC_STAT_CLIPPED - IDC_STAT_PEAK, text);
}

static void showResult(HWND dlg, const StatsResult *r)
{
    char text[128];
    int id;
    snprintf(text, sizeof text, "Frames %lu to %lu (%lu measured)", (unsigned long)r->first,
             (unsigned long)r->last, (unsigned long)r->measured);
    SetDlgItemTextA(dlg, IDC_STAT_RANGE, text);
    putChannel(dlg, IDC_STAT_PEAK, &r->ch[0]);
    if (r->channels == 2) {
        putChannel(dlg, IDC_STAT_PEAK + IDC_STAT_RIGHT, &r->ch[1]);
        return;
    }
    SetDlgItemTextA(dlg, IDC_STAT_LEFTNAME, "Mono");
    ShowWindow(GetDlgItem(dlg, IDC_STAT_RIGHTNAME), SW_HIDE);
    for (id = IDC_STAT_PEAK; id <= IDC_STAT_CLIPPED; id++)
        ShowWindow(GetDlgItem(dlg, id + IDC_STAT_RIGHT), SW_HIDE);
}

static INT_PTR CALLBACK STATSMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        showResult(dlg, (const StatsResult *)lParam);
        if (((const StatsResult *)lParam)->center)
            ((const StatsResult *)lParam)->center(dlg, GetParent(dlg));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(dlg, IDOK);
        else if (LOWORD(wParam) == KIT_HELP_BUTTON)
            kitHelp(dlg, (HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE), IDS_STATS_HELP, STATS_NAME);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dlg, IDOK);
        return TRUE;
    }
    return FALSE;
}

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    StatsResult r;
    memset(&r, 0, sizeof r);
    r.channels = ctx->channels == 2 ? 2 : 1;
    r.first = ctx->start;
    r.last = ctx->end;
    statReset(r.ch, 2);
    r.measured = (DWORD)kitScan(ctx, statsPiece, &r, STATS_NAME);
    r.center = ctx->zwCenter;
    if (kitShowDialog(ctx))
        DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_STATS), main, STATSMsgProc, (LPARAM)&r);
    return XFM_SETUP_KEEP;
}

/* A tool is never run; the host still wants the entry point. */
long WINAPI XfmDo(XfmContext *ctx)
{
    (void)ctx;
    return 0;
}
