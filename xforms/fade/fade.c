/*
 * fade.c - the Fade transform module: fade in or out over the selection with a linear,
 * logarithmic or S-shaped curve, shown in the host's graph control while the dialog is
 * up; presets keep direction and shape.  Built against the module SDK alone.
 *
 * Settings (XfmData, layout "LL"): direction, shape.  The graph only shows the curve, so
 * it lives as long as the dialog.  Global state: Fade, the dialog's context and graph.
 */
#include "filters/sdk/zxform.h"
#include "xforms/common/xfmkit.h"
#include "xforms/fade/fadecore.h"
#include "xforms/fade/fade.h"

#include <string.h>

#define FADE_NAME    "Fade"
#define FADE_PRESETS "Fade Presets"
#define FADE_GRAPH_POINTS 33

#pragma pack(push, 1)
typedef struct FadeSettings {
    long direction;   /* L FADE_IN, FADE_OUT */
    long shape;       /* L FADE_* shape */
} FadeSettings;
#pragma pack(pop)

static struct {
    XfmContext *ctx;   /* of the dialog now up */
    short graph;       /* the curve shown, -1 none */
} Fade;

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, FADE_NAME);
    strcpy(info->label, "Fading the selection");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_TRANSFORM | XFM_PRESETS | XFM_GRAPH | XFM_NEEDS_DATA;
    info->dataSize = sizeof(FadeSettings);
    strcpy(info->layout, "LL");
    strcpy(info->presetMask, "yy");
    return XFM_VERSION;
}

void WINAPI XfmInit(XfmContext *ctx)
{
    FadeSettings *s = (FadeSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    s->direction = FADE_IN;
    s->shape = FADE_LINEAR;
    GlobalUnlock(ctx->data);
}

static void clampSettings(FadeSettings *s)
{
    if (s->direction != FADE_OUT)
        s->direction = FADE_IN;
    if (s->shape < 0 || s->shape >= FADE_SHAPES)
        s->shape = FADE_LINEAR;
}

/* ---- the dialog ---- */

static void readDialog(HWND dlg, FadeSettings *s)
{
    int i;
    s->direction = IsDlgButtonChecked(dlg, IDC_FADE_OUT) == BST_CHECKED ? FADE_OUT : FADE_IN;
    s->shape = FADE_LINEAR;
    for (i = 0; i < FADE_SHAPES; i++)
        if (IsDlgButtonChecked(dlg, IDC_FADE_LINEAR + i) == BST_CHECKED)
            s->shape = i;
}

/* The curve of the dialog's choice into the graph: level in percent over the selection. */
static void drawCurve(HWND dlg)
{
    XfmContext *ctx = Fade.ctx;
    FadeSettings s;
    short i;
    if (Fade.graph < 0 || !ctx->graphapiSetPoint)
        return;
    readDialog(dlg, &s);
    for (i = 0; i < FADE_GRAPH_POINTS; i++) {
        double t = (double)i / (FADE_GRAPH_POINTS - 1);
        double g = fadeGain((int)s.shape, s.direction == FADE_OUT ? 1.0 - t : t);
        ctx->graphapiSetPoint(Fade.graph, i, (long)(1000 * i / (FADE_GRAPH_POINTS - 1)),
                              (long)(g * 100.0 + 0.5), i == FADE_GRAPH_POINTS - 1);
    }
    InvalidateRect(dlg, NULL, TRUE);
}

static void putFromData(HWND dlg)
{
    FadeSettings *s = (FadeSettings *)GlobalLock(Fade.ctx->data);
    if (!s)
        return;
    clampSettings(s);
    CheckRadioButton(dlg, IDC_FADE_IN, IDC_FADE_OUT, IDC_FADE_IN + (int)s->direction);
    CheckRadioButton(dlg, IDC_FADE_LINEAR, IDC_FADE_SCURVE, IDC_FADE_LINEAR + (int)s->shape);
    GlobalUnlock(Fade.ctx->data);
    drawCurve(dlg);
}

static void takeIntoData(HWND dlg)
{
    FadeSettings *s = (FadeSettings *)GlobalLock(Fade.ctx->data);
    if (!s)
        return;
    readDialog(dlg, s);
    GlobalUnlock(Fade.ctx->data);
}

static void initDialog(HWND dlg, XfmContext *ctx)
{
    Fade.ctx = ctx;
    Fade.graph = ctx->graphapiCreate ? ctx->graphapiCreate(0, 1000, 0, 100, 0, 100) : -1;
    if (Fade.graph >= 0) {
        ctx->graphapiSetDblClkScales(Fade.graph, 0.1, 0.0, 10, 1.0, 0.0, 10, 0);
        ctx->graphapiSetDblClkNames(Fade.graph, "Position", "%", "Level", "%");
        ctx->graphapiSetDialog(Fade.graph, dlg, IDC_FADE_GRAPH, IDC_FADE_STATUS);
    }
    putFromData(dlg);
    if (ctx->presetsInitIni)
        ctx->presetsInitIni(dlg, FADE_PRESETS, ctx->iniFile);
    if (ctx->zwCenter)
        ctx->zwCenter(dlg, GetParent(dlg));
}

static void closeDialog(HWND dlg, int result)
{
    if (Fade.graph >= 0 && Fade.ctx->graphapiDestroy)
        Fade.ctx->graphapiDestroy(Fade.graph);
    Fade.graph = -1;
    EndDialog(dlg, result);
}

static void command(HWND dlg, int id, int code)
{
    XfmContext *ctx = Fade.ctx;
    switch (id) {
    case IDOK:
        takeIntoData(dlg);
        closeDialog(dlg, IDOK);
        break;
    case IDCANCEL:
        closeDialog(dlg, IDCANCEL);
        break;
    case KIT_HELP_BUTTON:
        kitHelp(dlg, (HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE), IDS_FADE_HELP, FADE_NAME);
        break;
    case IDC_FADE_IN:
    case IDC_FADE_OUT:
    case IDC_FADE_LINEAR:
    case IDC_FADE_LOG:
    case IDC_FADE_SCURVE:
        if (code == BN_CLICKED)
            drawCurve(dlg);
        break;
    case IDC_PRESET_NAME:
        if (code == EN_CHANGE && ctx->presetHandlePRESETNAME)
            ctx->presetHandlePRESETNAME(dlg);
        break;
    case IDC_PRESET_LIST:
        if (ctx->HandleID_PRESETS &&
            ctx->HandleID_PRESETS(ctx, dlg, FADE_PRESETS, (WORD)code, GetDlgItem(dlg, IDC_PRESET_LIST)))
            putFromData(dlg);
        break;
    case IDC_PRESET_ADD:
        takeIntoData(dlg);
        if (ctx->HandleID_ADD)
            ctx->HandleID_ADD(ctx, dlg, FADE_PRESETS);
        break;
    case IDC_PRESET_DEL:
        if (ctx->presetHandleDEL)
            ctx->presetHandleDEL(dlg, FADE_PRESETS);
        break;
    }
}

static INT_PTR CALLBACK FADEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        initDialog(dlg, (XfmContext *)lParam);
        return TRUE;
    case WM_COMMAND:
        command(dlg, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        closeDialog(dlg, IDCANCEL);
        return TRUE;
    case WM_PAINT:
        /* The graph only shows the curve: painting, no mouse editing. */
        return kitGraphMessage(Fade.ctx, Fade.graph, dlg, msg, lParam);
    }
    return FALSE;
}

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    INT_PTR r;
    if (!kitShowDialog(ctx))
        return XFM_SETUP_RUN;
    Fade.graph = -1;
    r = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_FADE), main, FADEMsgProc, (LPARAM)ctx);
    Fade.ctx = NULL;
    return r == IDOK ? XFM_SETUP_RUN : XFM_SETUP_CANCEL;
}

/* ---- the work ---- */

typedef struct FadeJob {
    FadeSettings s;
    int channels;
} FadeJob;

static void fadePiece(short *samples, DWORD frames, DWORD first, DWORD total, void *user)
{
    FadeJob *job = (FadeJob *)user;
    fadeBlock(samples, frames, job->channels, (int)job->s.shape, (int)job->s.direction, first, total);
}

long WINAPI XfmDo(XfmContext *ctx)
{
    FadeJob job;
    FadeSettings *s = (FadeSettings *)GlobalLock(ctx->data);
    if (!s)
        return 0;
    job.s = *s;
    GlobalUnlock(ctx->data);
    clampSettings(&job.s);
    job.channels = ctx->channels == 2 ? 2 : 1;
    return kitProcess(ctx, fadePiece, &job, FADE_NAME);
}
