/*
 * dcoffset.c - the DC Offset transform module: shows each channel's mean over the
 * selection (in sample units and percent of full scale) and either takes it off, centring
 * the wave on zero, or adds a given offset to every sample.  Built against the module SDK
 * alone.
 *
 * Settings (XfmData, layout "LDL"): mode, offset, offset unit.  Global state: Dc, the
 * dialog's context while it is up.
 */
#include "filters/sdk/zxform.h"
#include "xforms/common/xfmkit.h"
#include "xforms/dcoffset/dccore.h"
#include "xforms/dcoffset/dcoffset.h"

#include <stdio.h>
#include <string.h>

#define DC_NAME    "DC Offset"
#define DC_PRESETS "DC Offset Presets"
#define DC_REMOVE  0
#define DC_ADD     1
#define DC_SAMPLES 0
#define DC_PERCENT 1

#pragma pack(push, 1)
typedef struct DcSettings {
    long   mode;       /* L DC_REMOVE or DC_ADD */
    double offset;     /* D added with DC_ADD: -32768..32767 samples or -100..100 percent, not 0 */
    long   unit;       /* L DC_SAMPLES or DC_PERCENT */
} DcSettings;
#pragma pack(pop)
_Static_assert(sizeof(DcSettings) == 16, "the layout 'LDL' describes every byte");

static const DcSettings DcRemove = {DC_REMOVE, 0.0, DC_SAMPLES};
static const KitPreset DcBuiltIn[] = {{"Centre on zero", &DcRemove}};

static struct {
    XfmContext *ctx;   /* of the dialog now up */
} Dc;

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, DC_NAME);
    strcpy(info->label, "Shifting the selection's DC offset");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_TRANSFORM | XFM_PRESETS | XFM_NEEDS_DATA;
    info->dataSize = sizeof(DcSettings);
    strcpy(info->layout, "LDL");
    strcpy(info->presetMask, "yyy");
    return XFM_VERSION;
}

void WINAPI XfmInit(XfmContext *ctx)
{
    DcSettings *s = (DcSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    *s = DcRemove;
    GlobalUnlock(ctx->data);
}

static int valid(const DcSettings *s)
{
    if (s->mode == DC_REMOVE)
        return 1;
    if (s->mode != DC_ADD || s->offset == 0)
        return 0;
    return s->unit == DC_PERCENT ? s->offset >= -100 && s->offset <= 100
                                 : s->unit == DC_SAMPLES && s->offset >= -32768 && s->offset <= 32767;
}

static double offsetSamples(const DcSettings *s)
{
    return s->unit == DC_PERCENT ? dcFromPercent(s->offset) : s->offset;
}

/* ---- the dialog ---- */

static void showMode(HWND dlg)
{
    int add = IsDlgButtonChecked(dlg, IDC_DC_ADD) == BST_CHECKED;
    EnableWindow(GetDlgItem(dlg, IDC_DC_OFFSET), add);
    EnableWindow(GetDlgItem(dlg, IDC_DC_SAMPLES), add);
    EnableWindow(GetDlgItem(dlg, IDC_DC_PERCENT), add);
}

static void putSettings(HWND dlg, const DcSettings *s)
{
    CheckRadioButton(dlg, IDC_DC_REMOVE, IDC_DC_ADD, s->mode == DC_ADD ? IDC_DC_ADD : IDC_DC_REMOVE);
    CheckRadioButton(dlg, IDC_DC_SAMPLES, IDC_DC_PERCENT, s->unit == DC_PERCENT ? IDC_DC_PERCENT : IDC_DC_SAMPLES);
    kitSetDouble(dlg, IDC_DC_OFFSET, s->offset);
    showMode(dlg);
}

static void putFromData(HWND dlg)
{
    DcSettings *s = (DcSettings *)GlobalLock(Dc.ctx->data);
    if (!s)
        return;
    putSettings(dlg, s);
    GlobalUnlock(Dc.ctx->data);
}

static int takeIntoData(HWND dlg)
{
    DcSettings t, *s;
    t.mode = IsDlgButtonChecked(dlg, IDC_DC_ADD) == BST_CHECKED ? DC_ADD : DC_REMOVE;
    t.unit = IsDlgButtonChecked(dlg, IDC_DC_PERCENT) == BST_CHECKED ? DC_PERCENT : DC_SAMPLES;
    if (!kitGetDouble(dlg, IDC_DC_OFFSET, &t.offset)) {
        if (t.mode == DC_ADD) {
            kitRefuse(dlg, IDS_DC_BAD, DC_NAME);
            return 0;
        }
        t.offset = 0;
    }
    if (!valid(&t)) {
        kitRefuse(dlg, IDS_DC_BAD, DC_NAME);
        SetFocus(GetDlgItem(dlg, IDC_DC_OFFSET));
        return 0;
    }
    if (!(s = (DcSettings *)GlobalLock(Dc.ctx->data)))
        return 0;
    *s = t;
    GlobalUnlock(Dc.ctx->data);
    return 1;
}

static void measureFrame(short *samples, DWORD frames, DWORD first, DWORD total, void *user)
{
    (void)first, (void)total;
    dcSumBlock((DcSum *)user, samples, frames);
}

/* Measures the selection and shows each channel's mean. */
static void showMeans(HWND dlg)
{
    XfmContext *ctx = Dc.ctx;
    DcSum sum;
    char text[120];
    int c;
    dcSumInit(&sum, ctx->channels == 2 ? 2 : 1);
    kitScan(ctx, measureFrame, &sum, "Measuring");
    for (c = 0; c < 2; c++) {
        if (c < sum.channels) {
            double m = dcMean(&sum, c);
            snprintf(text, sizeof text, "%s: %.2f (%.4f %%)", sum.channels == 1 ? "Mean" : c ? "Right" : "Left", m,
                     dcToPercent(m));
        } else {
            text[0] = 0;
        }
        SetDlgItemTextA(dlg, c ? IDC_DC_RIGHT : IDC_DC_LEFT, text);
    }
    snprintf(text, sizeof text, "Frames %lu to %lu (%lu measured)", (unsigned long)ctx->start, (unsigned long)ctx->end,
             (unsigned long)sum.frames);
    SetDlgItemTextA(dlg, IDC_DC_RANGE, text);
}

static void own(HWND dlg, int id, int code)
{
    (void)code;
    if (id == IDC_DC_REMOVE || id == IDC_DC_ADD)
        showMode(dlg);
}

static void init(HWND dlg)
{
    showMeans(dlg);
}

static const KitDialog Dialog = {
    IDD_DCOFFSET, DC_NAME, IDS_DC_HELP, DC_PRESETS, DcBuiltIn, 1, sizeof(DcSettings),
    putFromData, takeIntoData, init, own,
};

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    INT_PTR r;
    (void)module;
    if (!kitShowDialog(ctx))
        return XFM_SETUP_RUN;
    Dc.ctx = ctx;
    r = kitDialog(main, ctx, &Dialog);
    Dc.ctx = NULL;
    return r == IDOK ? XFM_SETUP_RUN : XFM_SETUP_CANCEL;
}

/* ---- the work ---- */

typedef struct DcJob {
    DcSum sum;
    double offset[2];
    int channels;
} DcJob;

static void sumPiece(short *samples, DWORD frames, DWORD first, DWORD total, void *user)
{
    (void)first, (void)total;
    dcSumBlock(&((DcJob *)user)->sum, samples, frames);
}

static void shiftPiece(short *samples, DWORD frames, DWORD first, DWORD total, void *user)
{
    DcJob *job = (DcJob *)user;
    (void)first, (void)total;
    dcShiftBlock(samples, frames, job->channels, job->offset);
}

long WINAPI XfmDo(XfmContext *ctx)
{
    DcJob job;
    DcSettings s;
    DcSettings *p = (DcSettings *)GlobalLock(ctx->data);
    long frames, done = 0;
    if (!p)
        return 0;
    s = *p;
    GlobalUnlock(ctx->data);
    if (!valid(&s) || ctx->end < ctx->start)
        return 0;
    job.channels = ctx->channels == 2 ? 2 : 1;
    if (s.mode == DC_ADD) {
        job.offset[0] = job.offset[1] = offsetSamples(&s);
        return kitProcess(ctx, shiftPiece, &job, DC_NAME);
    }
    /* The mean is measured again here: a repeated command or a script never saw it. */
    frames = (long)(ctx->end - ctx->start + 1);
    dcSumInit(&job.sum, job.channels);
    if (ctx->progressCreate)
        ctx->progressCreate(DC_NAME, 0);
    if (kitPass(ctx, 0, sumPiece, &job, 0, 2) == frames) {
        job.offset[0] = -dcMean(&job.sum, 0);
        job.offset[1] = -dcMean(&job.sum, 1);
        done = kitPass(ctx, 1, shiftPiece, &job, 1, 2);
    }
    if (ctx->progressDestroy)
        ctx->progressDestroy();
    return done;
}
