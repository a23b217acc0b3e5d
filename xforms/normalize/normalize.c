/*
 * normalize.c - the Normalize transform module: brings the loudest sample of the
 * selection to a peak level given in decibels or percent of full scale, with one gain for
 * both channels (linked) or one each, optionally taking each channel's DC offset off
 * first.  Two passes behind one progress meter: a scan, then the write.  Built against the
 * module SDK alone.
 *
 * Settings (XfmData, layout "LDLL"): unit, level, linked, remove DC.  Global state: Norm,
 * the dialog's context while the dialog is up.
 */
#include "filters/sdk/zxform.h"
#include "xforms/common/xfmkit.h"
#include "xforms/normalize/normcore.h"
#include "xforms/normalize/normalize.h"

#include <math.h>
#include <string.h>

#define NORM_NAME    "Normalize"
#define NORM_PRESETS "Normalize Presets"
#define NORM_UNIT_DB      0
#define NORM_UNIT_PERCENT 1

#pragma pack(push, 1)
typedef struct NormSettings {
    long   unit;       /* L NORM_UNIT_* */
    double level;      /* D the peak: -60..0 dB or 0.1..100 percent */
    long   linked;     /* L 1: one gain for both channels, from the louder peak */
    long   removeDc;   /* L 1: each channel's mean is taken off first */
} NormSettings;
#pragma pack(pop)
_Static_assert(sizeof(NormSettings) == 20, "the layout 'LDLL' describes every byte");

static const NormSettings NormMinusOne = {NORM_UNIT_DB, -1.0, 1, 0};
static const NormSettings NormFull = {NORM_UNIT_PERCENT, 100.0, 1, 0};
static const NormSettings NormSeparate = {NORM_UNIT_DB, -3.0, 0, 1};
static const KitPreset NormBuiltIn[] = {
    {"Peak -1 dB", &NormMinusOne}, {"Full scale", &NormFull}, {"Each channel -3 dB", &NormSeparate}};

static struct {
    XfmContext *ctx;   /* of the dialog now up */
} Norm;

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, NORM_NAME);
    strcpy(info->label, "Normalizing the selection");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_TRANSFORM | XFM_PRESETS | XFM_NEEDS_DATA;
    info->dataSize = sizeof(NormSettings);
    strcpy(info->layout, "LDLL");
    strcpy(info->presetMask, "yyyy");
    return XFM_VERSION;
}

void WINAPI XfmInit(XfmContext *ctx)
{
    NormSettings *s = (NormSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    *s = NormMinusOne;
    GlobalUnlock(ctx->data);
}

/* 1 when the level is a peak the samples can reach: above 0 dBFS (100 %) they cannot. */
static int valid(const NormSettings *s)
{
    if (s->unit == NORM_UNIT_PERCENT)
        return s->level >= 0.1 && s->level <= 100;
    return s->unit == NORM_UNIT_DB && s->level >= -60 && s->level <= 0;
}

static double target(const NormSettings *s)
{
    return s->unit == NORM_UNIT_PERCENT ? normTargetPercent(s->level) : normTargetDb(s->level);
}

/* ---- the dialog ---- */

static void putSettings(HWND dlg, const NormSettings *s)
{
    CheckRadioButton(dlg, IDC_NORM_DB, IDC_NORM_PERCENT, s->unit == NORM_UNIT_PERCENT ? IDC_NORM_PERCENT : IDC_NORM_DB);
    kitSetDouble(dlg, IDC_NORM_LEVEL, s->level);
    CheckDlgButton(dlg, IDC_NORM_LINKED, s->linked ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_NORM_DC, s->removeDc ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dlg, IDC_NORM_LINKED), Norm.ctx->channels == 2);
}

static void putFromData(HWND dlg)
{
    NormSettings *s = (NormSettings *)GlobalLock(Norm.ctx->data);
    if (!s)
        return;
    putSettings(dlg, s);
    GlobalUnlock(Norm.ctx->data);
}

/* The dialog's values into the settings; refused (and the level focused) when they make
   no peak. */
static int takeIntoData(HWND dlg)
{
    NormSettings t, *s;
    t.unit = IsDlgButtonChecked(dlg, IDC_NORM_PERCENT) == BST_CHECKED ? NORM_UNIT_PERCENT : NORM_UNIT_DB;
    t.linked = IsDlgButtonChecked(dlg, IDC_NORM_LINKED) == BST_CHECKED;
    t.removeDc = IsDlgButtonChecked(dlg, IDC_NORM_DC) == BST_CHECKED;
    if (!kitGetDouble(dlg, IDC_NORM_LEVEL, &t.level) || !valid(&t)) {
        kitRefuse(dlg, IDS_NORM_BAD, NORM_NAME);
        SetFocus(GetDlgItem(dlg, IDC_NORM_LEVEL));
        return 0;
    }
    if (!(s = (NormSettings *)GlobalLock(Norm.ctx->data)))
        return 0;
    *s = t;
    GlobalUnlock(Norm.ctx->data);
    return 1;
}

/* Switching units keeps the level: the field is converted. */
static void switchUnit(HWND dlg, int toPercent)
{
    double v;
    if (!kitGetDouble(dlg, IDC_NORM_LEVEL, &v))
        return;
    if (toPercent)
        kitSetDouble(dlg, IDC_NORM_LEVEL, floor(pow(10.0, v / 20.0) * 100000.0 + 0.5) / 1000.0);
    else if (v > 0)
        kitSetDouble(dlg, IDC_NORM_LEVEL, floor(20.0 * log10(v / 100.0) * 1000.0 + 0.5) / 1000.0);
}

static void own(HWND dlg, int id, int code)
{
    if (id == IDC_NORM_DB || id == IDC_NORM_PERCENT)
        kitUnitRadio(dlg, id, code, IDC_NORM_PERCENT, switchUnit);
}

static void init(HWND dlg)
{
    SetWindowLongPtrA(dlg, DWLP_USER, IsDlgButtonChecked(dlg, IDC_NORM_PERCENT) == BST_CHECKED);
}

static const KitDialog Dialog = {
    IDD_NORMALIZE, NORM_NAME, IDS_NORM_HELP, NORM_PRESETS, NormBuiltIn, 3, sizeof(NormSettings),
    putFromData, takeIntoData, init, own,
};

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    INT_PTR r;
    (void)module;
    if (!kitShowDialog(ctx))
        return XFM_SETUP_RUN;
    Norm.ctx = ctx;
    r = kitDialog(main, ctx, &Dialog);
    Norm.ctx = NULL;
    return r == IDOK ? XFM_SETUP_RUN : XFM_SETUP_CANCEL;
}

/* ---- the work ---- */

typedef struct NormJob {
    NormScan scan;
    NormPlan plan;
    int channels;
} NormJob;

static void scanPiece(short *samples, DWORD frames, DWORD first, DWORD total, void *user)
{
    (void)first, (void)total;
    normScanBlock(&((NormJob *)user)->scan, samples, frames);
}

static void writePiece(short *samples, DWORD frames, DWORD first, DWORD total, void *user)
{
    NormJob *job = (NormJob *)user;
    (void)first, (void)total;
    normBlock(samples, frames, job->channels, &job->plan);
}

long WINAPI XfmDo(XfmContext *ctx)
{
    NormJob job;
    NormSettings s;
    NormSettings *p = (NormSettings *)GlobalLock(ctx->data);
    long frames, done = 0;
    if (!p)
        return 0;
    s = *p;
    GlobalUnlock(ctx->data);
    if (!valid(&s) || ctx->end < ctx->start)
        return 0;
    frames = (long)(ctx->end - ctx->start + 1);
    job.channels = ctx->channels == 2 ? 2 : 1;
    normScanInit(&job.scan, job.channels);
    if (ctx->progressCreate)
        ctx->progressCreate(NORM_NAME, 0);
    if (kitPass(ctx, 0, scanPiece, &job, 0, 2) == frames) {
        normPlan(&job.scan, target(&s), job.channels == 2 && s.linked, s.removeDc, &job.plan);
        done = kitPass(ctx, 1, writePiece, &job, 1, 2);
    }
    if (ctx->progressDestroy)
        ctx->progressDestroy();
    return done;
}
