/*
 * amplify.c - the Amplify transform module: a gain in decibels or percent for each channel
 * (or both locked together), optionally shaped over the selection by an envelope drawn in
 * the host's graph control, with named presets.  Built against the module SDK alone.
 *
 * Settings (XfmData, layout "LDDLLG"): unit, left gain, right gain, lock, envelope on, and
 * the envelope's graph id, created by XfmInit and destroyed by XfmDestroy.  Global state:
 * Amp, the dialog's context while the dialog is up.
 */
#include "filters/sdk/zxform.h"
#include "xforms/common/xfmkit.h"
#include "xforms/amplify/ampcore.h"
#include "xforms/amplify/amplify.h"

#include <string.h>

#define AMP_NAME     "Amplify"
#define AMP_PRESETS  "Amplify Presets"
#define AMP_UNIT_DB      0
#define AMP_UNIT_PERCENT 1

#pragma pack(push, 1)
typedef struct AmpSettings {
    long   unit;       /* L AMP_UNIT_* */
    double left;       /* D gain of the left channel, or of both while locked */
    double right;      /* D gain of the right channel */
    long   locked;     /* L 1: the right channel takes the left gain */
    long   envelope;   /* L 1: the graph shapes the gain */
    short  graph;      /* G the envelope, -1 when the host gave none */
} AmpSettings;
#pragma pack(pop)

static struct {
    XfmContext *ctx;   /* of the dialog now up */
    short graph;       /* its envelope */
} Amp;

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, AMP_NAME);
    strcpy(info->label, "Amplifying the selection");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_TRANSFORM | XFM_PRESETS | XFM_GRAPH | XFM_NEEDS_DATA;
    info->dataSize = sizeof(AmpSettings);
    strcpy(info->layout, "LDDLLG");
    strcpy(info->presetMask, "yyyyyy");
    return XFM_VERSION;
}

void WINAPI XfmInit(XfmContext *ctx)
{
    AmpSettings *s = (AmpSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    s->unit = AMP_UNIT_DB;
    s->left = s->right = 0.0;
    s->locked = 1;
    s->envelope = 0;
    s->graph = ctx->graphapiCreate ? ctx->graphapiCreate(0, 1000, 0, 200, 100, 100) : -1;
    if (s->graph >= 0 && ctx->graphapiSetDblClkScales) {
        ctx->graphapiSetDblClkScales(s->graph, 0.1, 0.0, 10, 1.0, 0.0, 10, 0);
        ctx->graphapiSetDblClkNames(s->graph, "Position", "%", "Gain", "%");
    }
    GlobalUnlock(ctx->data);
}

void WINAPI XfmDestroy(XfmContext *ctx)
{
    AmpSettings *s = (AmpSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    if (s->graph >= 0 && ctx->graphapiDestroy)
        ctx->graphapiDestroy(s->graph);
    s->graph = -1;
    GlobalUnlock(ctx->data);
}

static double toGain(long unit, double v)
{
    return unit == AMP_UNIT_PERCENT ? ampGainFromPercent(v) : ampGainFromDb(v);
}

static double fromGain(long unit, double g)
{
    return unit == AMP_UNIT_PERCENT ? g * 100.0 : ampDbFromGain(g);
}

static int inRange(long unit, double v)
{
    return unit == AMP_UNIT_PERCENT ? v >= 0 && v <= 10000 : v >= -100 && v <= 60;
}

/* ---- the dialog ---- */

static long dialogUnit(HWND dlg)
{
    return IsDlgButtonChecked(dlg, IDC_AMP_PERCENT) == BST_CHECKED ? AMP_UNIT_PERCENT : AMP_UNIT_DB;
}

static void showLock(HWND dlg)
{
    int locked = IsDlgButtonChecked(dlg, IDC_AMP_LOCK) == BST_CHECKED;
    int stereo = Amp.ctx->channels == 2;
    EnableWindow(GetDlgItem(dlg, IDC_AMP_RIGHT), stereo && !locked);
    EnableWindow(GetDlgItem(dlg, IDC_AMP_RIGHTNAME), stereo && !locked);
    EnableWindow(GetDlgItem(dlg, IDC_AMP_LOCK), stereo);
    SetDlgItemTextA(dlg, IDC_AMP_LEFTNAME, stereo && !locked ? "&Left:" : "&Gain:");
}

static void putSettings(HWND dlg, const AmpSettings *s)
{
    CheckRadioButton(dlg, IDC_AMP_DB, IDC_AMP_PERCENT, s->unit == AMP_UNIT_PERCENT ? IDC_AMP_PERCENT : IDC_AMP_DB);
    kitSetDouble(dlg, IDC_AMP_LEFT, s->left);
    kitSetDouble(dlg, IDC_AMP_RIGHT, s->right);
    CheckDlgButton(dlg, IDC_AMP_LOCK, s->locked ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_AMP_ENVELOPE, s->envelope ? BST_CHECKED : BST_UNCHECKED);
    showLock(dlg);
}

/* The dialog's values into the settings; 0 (and the field focused) when a gain is no
   number in range. */
static int takeSettings(HWND dlg, AmpSettings *s)
{
    long unit = dialogUnit(dlg);
    int locked = IsDlgButtonChecked(dlg, IDC_AMP_LOCK) == BST_CHECKED;
    double left, right = 0;
    if (!kitGetDouble(dlg, IDC_AMP_LEFT, &left) || !inRange(unit, left)) {
        SetFocus(GetDlgItem(dlg, IDC_AMP_LEFT));
        return 0;
    }
    if (!kitGetDouble(dlg, IDC_AMP_RIGHT, &right) || !inRange(unit, right)) {
        if (!locked && Amp.ctx->channels == 2) {
            SetFocus(GetDlgItem(dlg, IDC_AMP_RIGHT));
            return 0;
        }
        right = left;
    }
    s->unit = unit;
    s->left = left;
    s->right = right;
    s->locked = locked;
    s->envelope = IsDlgButtonChecked(dlg, IDC_AMP_ENVELOPE) == BST_CHECKED;
    return 1;
}

static int takeIntoData(HWND dlg)
{
    AmpSettings *s = (AmpSettings *)GlobalLock(Amp.ctx->data);
    int ok = s && takeSettings(dlg, s);
    if (s)
        GlobalUnlock(Amp.ctx->data);
    if (!ok) {
        char text[200];
        LoadStringA((HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE), IDS_AMP_BADGAIN, text, sizeof text);
        MessageBoxA(dlg, text, AMP_NAME, MB_OK | MB_ICONEXCLAMATION);
    }
    return ok;
}

static void putFromData(HWND dlg)
{
    AmpSettings *s = (AmpSettings *)GlobalLock(Amp.ctx->data);
    if (!s)
        return;
    putSettings(dlg, s);
    GlobalUnlock(Amp.ctx->data);
    InvalidateRect(dlg, NULL, TRUE);
}

/* Switching units keeps the gains: the fields are converted. */
static void switchUnit(HWND dlg, long to)
{
    long from = to == AMP_UNIT_DB ? AMP_UNIT_PERCENT : AMP_UNIT_DB;
    int ids[2] = {IDC_AMP_LEFT, IDC_AMP_RIGHT}, i;
    for (i = 0; i < 2; i++) {
        double v;
        if (kitGetDouble(dlg, ids[i], &v))
            kitSetDouble(dlg, ids[i], fromGain(to, toGain(from, v)));
    }
}

static BOOL initDialog(HWND dlg, XfmContext *ctx)
{
    AmpSettings *s;
    Amp.ctx = ctx;
    Amp.graph = -1;
    s = (AmpSettings *)GlobalLock(ctx->data);
    if (s) {
        Amp.graph = s->graph;
        putSettings(dlg, s);
        GlobalUnlock(ctx->data);
    }
    if (Amp.graph >= 0 && ctx->graphapiSetDialog)
        ctx->graphapiSetDialog(Amp.graph, dlg, IDC_AMP_GRAPH, IDC_AMP_STATUS);
    if (ctx->presetsInitIni)
        ctx->presetsInitIni(dlg, AMP_PRESETS, ctx->iniFile);
    if (ctx->zwCenter)
        ctx->zwCenter(dlg, GetParent(dlg));
    return TRUE;
}

static void command(HWND dlg, int id, int code)
{
    XfmContext *ctx = Amp.ctx;
    switch (id) {
    case IDOK:
        if (takeIntoData(dlg))
            EndDialog(dlg, IDOK);
        break;
    case IDCANCEL:
        EndDialog(dlg, IDCANCEL);
        break;
    case KIT_HELP_BUTTON:
        kitHelp(dlg, (HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE), IDS_AMP_HELP, AMP_NAME);
        break;
    case IDC_AMP_DB:
    case IDC_AMP_PERCENT:
        if (code == BN_CLICKED) {
            long to = id == IDC_AMP_PERCENT ? AMP_UNIT_PERCENT : AMP_UNIT_DB;
            long was = GetWindowLongPtrA(dlg, DWLP_USER) ? AMP_UNIT_PERCENT : AMP_UNIT_DB;
            if (to != was)
                switchUnit(dlg, to);
            SetWindowLongPtrA(dlg, DWLP_USER, to);
        }
        break;
    case IDC_AMP_LOCK:
        showLock(dlg);
        break;
    case IDC_AMP_FLAT:
        if (Amp.graph >= 0 && ctx->graphapiClear) {
            ctx->graphapiClear(Amp.graph);
            ctx->graphapiSetPoint(Amp.graph, 0, 0, 100, 0);
            ctx->graphapiSetPoint(Amp.graph, 1, 1000, 100, 1);
            InvalidateRect(dlg, NULL, TRUE);
        }
        break;
    case IDC_PRESET_NAME:
        if (code == EN_CHANGE && ctx->presetHandlePRESETNAME)
            ctx->presetHandlePRESETNAME(dlg);
        break;
    case IDC_PRESET_LIST:
        if (ctx->HandleID_PRESETS &&
            ctx->HandleID_PRESETS(ctx, dlg, AMP_PRESETS, (WORD)code, GetDlgItem(dlg, IDC_PRESET_LIST)))
            putFromData(dlg);
        break;
    case IDC_PRESET_ADD:
        if (ctx->HandleID_ADD && takeIntoData(dlg))
            ctx->HandleID_ADD(ctx, dlg, AMP_PRESETS);
        break;
    case IDC_PRESET_DEL:
        if (ctx->presetHandleDEL)
            ctx->presetHandleDEL(dlg, AMP_PRESETS);
        break;
    }
}

static INT_PTR CALLBACK AMPLIFYMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, 0);
        initDialog(dlg, (XfmContext *)lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, dialogUnit(dlg));
        return TRUE;
    case WM_COMMAND:
        command(dlg, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    case WM_PAINT:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDBLCLK:
        return kitGraphMessage(Amp.ctx, Amp.graph, dlg, msg, lParam);
    }
    return FALSE;
}

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    INT_PTR r;
    if (!kitShowDialog(ctx))
        return XFM_SETUP_RUN;
    r = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_AMPLIFY), main, AMPLIFYMsgProc, (LPARAM)ctx);
    Amp.ctx = NULL;
    return r == IDOK ? XFM_SETUP_RUN : XFM_SETUP_CANCEL;
}

/* ---- the work ---- */

typedef struct AmpJob {
    double gain[2];
    AmpEnvelope env;
    int channels;
} AmpJob;

static void ampPiece(short *samples, DWORD frames, DWORD first, DWORD total, void *user)
{
    AmpJob *job = (AmpJob *)user;
    ampBlock(samples, frames, job->channels, job->gain, job->env.count >= 2 ? &job->env : NULL, first, total);
}

/* The envelope's points from the graph control; none when it is off or unreadable. */
static void readEnvelope(XfmContext *ctx, const AmpSettings *s, AmpEnvelope *env)
{
    short n, i;
    memset(env, 0, sizeof *env);
    if (!s->envelope || s->graph < 0 || !ctx->graphapiCount || !ctx->graphapiGetPoint)
        return;
    n = ctx->graphapiCount(s->graph);
    if (n < 2 || n > AMP_MAX_POINTS)
        return;
    for (i = 0; i < n; i++) {
        long xy[2] = {0, 0};
        ctx->graphapiGetPoint(s->graph, i, xy);
        if (i > 0 && xy[0] <= env->x[i - 1])
            return;   /* not a curve: leave the gain unshaped */
        env->x[i] = xy[0];
        env->y[i] = xy[1];
    }
    env->xMax = env->x[n - 1];
    env->count = n;
}

long WINAPI XfmDo(XfmContext *ctx)
{
    AmpJob job;
    AmpSettings *s = (AmpSettings *)GlobalLock(ctx->data);
    if (!s)
        return 0;
    job.channels = ctx->channels == 2 ? 2 : 1;
    job.gain[0] = toGain(s->unit, s->left);
    job.gain[1] = s->locked ? job.gain[0] : toGain(s->unit, s->right);
    readEnvelope(ctx, s, &job.env);
    GlobalUnlock(ctx->data);
    return kitProcess(ctx, ampPiece, &job, AMP_NAME);
}
