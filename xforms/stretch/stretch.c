/*
 * stretch.c - the Stretch transform module: tempo without pitch, pitch without tempo, or
 * both, over the selection, through stretchcore.c.  Built against the module SDK alone.
 *
 * Settings (XfmData, 28 bytes, layout "LDLLLL"; other parts of the program fill them by
 * offset through CreateXfmVars / SetXfmVar and run the module with CallXfm, silently):
 *    0  L  mode: 0 tempo, 1 pitch, 2 both (resampling)
 *    4  D  ratio: percent, or semitones when the unit says so
 *   12  L  unit: 0 percent, 1 semitones
 *   16  L  window in ms (0 automatic: 82 ms)
 *   20  L  overlap in ms (0 automatic: 12 ms)
 *   24  L  search in ms (0 automatic: 15 ms)
 * XfmInit gives pitch, 0 semitones, automatic lengths.  Tempo and both change the length,
 * which the host's cut and insert calls can do only to both channels: hence
 * XFM_BOTH_CHANNELS, and a caller editing one channel asks for pitch only.  XfmDo returns 1 after a complete
 * run, 0 when nothing or only part was done (settings refused, no memory, Cancel).
 *
 * The length changes inside the range only (blank frames inserted at its start before a
 * longer result, the spare frames cut after its end), so the host's undo copy of the range
 * restores it, also after Cancel, which leaves the stretched part followed by the rest of
 * the range as it was.  Output is never written over input not yet read.
 * Global state: Stretch, the dialog's context while the dialog is up.
 */
#include "filters/sdk/zxform.h"
#include "xforms/common/xfmkit.h"
#include "xforms/stretch/stretchcore.h"
#include "xforms/stretch/stretch.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define STRETCH_NAME    "Stretch"
#define STRETCH_PRESETS "Stretch Presets"
#define STRETCH_PIECE   16384   /* frames read or written at a time */

#pragma pack(push, 1)
typedef struct StretchSettings {
    long   mode;       /*  0 L STRETCH_TEMPO, STRETCH_PITCH, STRETCH_RATE */
    double ratio;      /*  4 D percent or semitones */
    long   unit;       /* 12 L STRETCH_PERCENT, STRETCH_SEMITONES */
    long   windowMs;   /* 16 L 0 automatic */
    long   overlapMs;  /* 20 L 0 automatic */
    long   searchMs;   /* 24 L 0 automatic */
} StretchSettings;
#pragma pack(pop)
#if defined(__i386__)
_Static_assert(sizeof(StretchSettings) == 28, "StretchSettings");
_Static_assert(offsetof(StretchSettings, ratio) == 4, "ratio");
_Static_assert(offsetof(StretchSettings, unit) == 12, "unit");
_Static_assert(offsetof(StretchSettings, searchMs) == 24, "searchMs");
#endif

static struct {
    XfmContext *ctx;   /* of the dialog now up */
    long unit;         /* the unit the ratio field is shown in */
} Stretch;

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, STRETCH_NAME);
    strcpy(info->label, "Stretching the selection");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_TRANSFORM | XFM_PRESETS | XFM_NEEDS_DATA | XFM_BOTH_CHANNELS;
    info->dataSize = sizeof(StretchSettings);
    strcpy(info->layout, "LDLLLL");
    strcpy(info->presetMask, "yyyyyy");
    return XFM_VERSION;
}

void WINAPI XfmInit(XfmContext *ctx)
{
    StretchSettings *s = (StretchSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    memset(s, 0, sizeof *s);
    s->mode = STRETCH_PITCH;
    s->unit = STRETCH_SEMITONES;
    s->ratio = 0.0;
    GlobalUnlock(ctx->data);
}

static int lengthsOk(long window, long overlap, long search)
{
    if (window != 0 && (window < 10 || window > 500))
        return 0;
    if (overlap != 0 && (overlap < 1 || overlap > (window ? window : 82) / 2))
        return 0;
    return search == 0 || (search >= 1 && search <= 100);
}

/* The core's setup from the settings; 0 when they are absurd. */
static int setupOf(const StretchSettings *s, const XfmContext *ctx, StretchSetup *st)
{
    memset(st, 0, sizeof *st);
    st->mode = (int)s->mode;
    st->factor = stretchFactorOf(s->unit == STRETCH_SEMITONES ? STRETCH_SEMITONES : STRETCH_PERCENT, s->ratio);
    st->channels = ctx->channels == 2 ? 2 : 1;
    st->rate = ctx->sampleRate;
    st->windowMs = (double)s->windowMs;
    st->overlapMs = (double)s->overlapMs;
    st->searchMs = (double)s->searchMs;
    return s->mode >= 0 && s->mode < STRETCH_MODES && stretchFactorOk(st->factor) &&
           lengthsOk(s->windowMs, s->overlapMs, s->searchMs);
}

/* ---- the dialog ---- */

static HINSTANCE moduleOf(HWND dlg) { return (HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE); }

static void complain(HWND dlg, UINT textId, int focus)
{
    char text[300];
    LoadStringA(moduleOf(dlg), textId, text, sizeof text);
    MessageBoxA(dlg, text, STRETCH_NAME, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(dlg, focus));
}

static long dialogMode(HWND dlg)
{
    long m;
    for (m = 0; m < STRETCH_MODES; m++)
        if (IsDlgButtonChecked(dlg, IDC_STRETCH_TEMPO + (int)m) == BST_CHECKED)
            return m;
    return STRETCH_TEMPO;
}

static int wholeMs(HWND dlg, int id, long *v)
{
    double d;
    if (!kitGetDouble(dlg, id, &d) || d != floor(d) || d < 0 || d > 100000)
        return 0;
    *v = (long)d;
    return 1;
}

/* The dialog's values (without complaint); 0 for the field that is wrong, in *bad. */
static int readDialog(HWND dlg, StretchSettings *s, int *bad)
{
    StretchSetup st;
    s->mode = dialogMode(dlg);
    s->unit = Stretch.unit;
    if (!kitGetDouble(dlg, IDC_STRETCH_RATIO, &s->ratio) ||
        !stretchFactorOk(stretchFactorOf((int)s->unit, s->ratio))) {
        *bad = IDC_STRETCH_RATIO;
        return 0;
    }
    if (!wholeMs(dlg, IDC_STRETCH_WINDOW, &s->windowMs) || !wholeMs(dlg, IDC_STRETCH_OVERLAP, &s->overlapMs) ||
        !wholeMs(dlg, IDC_STRETCH_SEARCH, &s->searchMs) || !setupOf(s, Stretch.ctx, &st)) {
        *bad = IDC_STRETCH_WINDOW;
        return 0;
    }
    return 1;
}

static int takeIntoData(HWND dlg)
{
    StretchSettings v, *s;
    int bad = 0;
    if (!readDialog(dlg, &v, &bad)) {
        complain(dlg, bad == IDC_STRETCH_RATIO ? IDS_STRETCH_BADRATIO : IDS_STRETCH_BADLENGTHS, bad);
        return 0;
    }
    s = (StretchSettings *)GlobalLock(Stretch.ctx->data);
    if (!s)
        return 0;
    *s = v;
    GlobalUnlock(Stretch.ctx->data);
    return 1;
}

/* What the selection will become, under the fields. */
static void showResult(HWND dlg)
{
    XfmContext *ctx = Stretch.ctx;
    StretchSettings v;
    int bad;
    char text[120];
    uint32_t n = ctx->end >= ctx->start ? ctx->end - ctx->start + 1 : 0;
    if (readDialog(dlg, &v, &bad)) {
        double f = stretchFactorOf((int)v.unit, v.ratio);
        snprintf(text, sizeof text, "%lu frames become %lu (x %.4g)", (unsigned long)n,
                 (unsigned long)stretchOutputFrames((int)v.mode, f, n), f);
    } else {
        text[0] = 0;
    }
    SetDlgItemTextA(dlg, IDC_STRETCH_RESULT, text);
}

static void putSettings(HWND dlg, const StretchSettings *s)
{
    long mode = s->mode >= 0 && s->mode < STRETCH_MODES ? s->mode : STRETCH_TEMPO;
    Stretch.unit = s->unit == STRETCH_SEMITONES ? STRETCH_SEMITONES : STRETCH_PERCENT;
    CheckRadioButton(dlg, IDC_STRETCH_TEMPO, IDC_STRETCH_RATE, IDC_STRETCH_TEMPO + (int)mode);
    CheckRadioButton(dlg, IDC_STRETCH_PERCENT, IDC_STRETCH_SEMITONES, IDC_STRETCH_PERCENT + (int)Stretch.unit);
    kitSetDouble(dlg, IDC_STRETCH_RATIO, s->ratio);
    kitSetDouble(dlg, IDC_STRETCH_WINDOW, (double)s->windowMs);
    kitSetDouble(dlg, IDC_STRETCH_OVERLAP, (double)s->overlapMs);
    kitSetDouble(dlg, IDC_STRETCH_SEARCH, (double)s->searchMs);
    showResult(dlg);
}

static void putFromData(HWND dlg)
{
    StretchSettings *s = (StretchSettings *)GlobalLock(Stretch.ctx->data);
    if (!s)
        return;
    putSettings(dlg, s);
    GlobalUnlock(Stretch.ctx->data);
}

/* Switching units keeps the ratio: the field is converted. */
static void switchUnit(HWND dlg, long to)
{
    double v;
    if (to != Stretch.unit && kitGetDouble(dlg, IDC_STRETCH_RATIO, &v)) {
        double f = stretchFactorOf((int)Stretch.unit, v);
        if (f > 0)
            kitSetDouble(dlg, IDC_STRETCH_RATIO,
                         to == STRETCH_SEMITONES ? floor(12.0 * log2(f) * 1e4 + 0.5) / 1e4 : floor(f * 1e6 + 0.5) / 1e4);
    }
    Stretch.unit = to;
    showResult(dlg);
}

static void own(HWND dlg, int id, int code)
{
    switch (id) {
    case IDC_STRETCH_PERCENT:
    case IDC_STRETCH_SEMITONES:
        if (code == BN_CLICKED)
            switchUnit(dlg, id == IDC_STRETCH_SEMITONES ? STRETCH_SEMITONES : STRETCH_PERCENT);
        break;
    case IDC_STRETCH_TEMPO:
    case IDC_STRETCH_PITCH:
    case IDC_STRETCH_RATE:
        if (code == BN_CLICKED)
            showResult(dlg);
        break;
    case IDC_STRETCH_RATIO:
    case IDC_STRETCH_WINDOW:
    case IDC_STRETCH_OVERLAP:
    case IDC_STRETCH_SEARCH:
        if (code == EN_CHANGE && Stretch.ctx)
            showResult(dlg);
        break;
    }
}

static const KitDialog Dialog = {
    IDD_STRETCH, STRETCH_NAME, IDS_STRETCH_HELP, STRETCH_PRESETS, NULL, 0, sizeof(StretchSettings),
    putFromData, takeIntoData, NULL, own,
};

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    INT_PTR r;
    (void)module;
    if (!kitShowDialog(ctx))
        return XFM_SETUP_RUN;
    Stretch.ctx = ctx;
    r = kitDialog(main, ctx, &Dialog);
    Stretch.ctx = NULL;
    return r == IDOK ? XFM_SETUP_RUN : XFM_SETUP_CANCEL;
}

/* ---- the work ---- */

typedef struct Run {
    XfmContext  *ctx;
    StretchCore *core;
    short       *in, *out;
    DWORD        ba;
    uint32_t     start;
    uint32_t     inAt;     /* where the unread input begins, before `read` */
    uint32_t     read;     /* input frames handed to the core */
    int          failed;
} Run;

/* Hands the core its next piece of input; 0 when there is none or it cannot be read. */
static int feed(Run *r)
{
    uint64_t want = stretchWant(r->core);
    DWORD n = want < STRETCH_PIECE ? (DWORD)want : STRETCH_PIECE;
    if (n == 0)
        return 0;
    if (r->ctx->vocRead(r->in, (long)((r->inAt + r->read) * r->ba), n * r->ba) != 0 ||
        stretchPush(r->core, r->in, n) != 0) {
        r->failed = 1;
        return 0;
    }
    r->read += n;
    return 1;
}

long WINAPI XfmDo(XfmContext *ctx)
{
    StretchSettings *s;
    StretchSetup st;
    Run r;
    uint32_t n, outN, written = 0, gapEnd, left, used;
    int ok;
    if (ctx->bitsPerSample != 16 || ctx->end < ctx->start || ctx->blockAlign == 0 || ctx->blockAlign > 4)
        return 0;
    s = (StretchSettings *)GlobalLock(ctx->data);
    if (!s)
        return 0;
    ok = setupOf(s, ctx, &st);
    GlobalUnlock(ctx->data);
    if (!ok)
        return 0;
    memset(&r, 0, sizeof r);
    r.ctx = ctx;
    r.ba = ctx->blockAlign;
    r.start = r.inAt = ctx->start;
    n = ctx->end - ctx->start + 1;
    r.core = stretchCreate(&st, n);
    r.in = (short *)malloc(STRETCH_PIECE * r.ba);
    r.out = (short *)malloc(STRETCH_PIECE * r.ba);
    if (!r.core || !r.in || !r.out) {
        stretchFree(r.core);
        free(r.in);
        free(r.out);
        return 0;
    }
    if (stretchTotalOut(r.core) * r.ba + (uint64_t)ctx->start * r.ba > 0x7FFFFFFFu) {
        /* the store's byte offsets would not reach so far: nothing is changed */
        stretchFree(r.core);
        free(r.in);
        free(r.out);
        return 0;
    }
    outN = (uint32_t)stretchTotalOut(r.core);
    if (outN > n) {
        /* Room first: the input moves up by what the range grows, and the output starts
           at the range's start. */
        if (ctx->vocInsertBlank((long)(ctx->start * r.ba), (outN - n) * r.ba) != 0)
            outN = 0;
        else
            r.inAt = ctx->start + (outN - n);
    }
    if (outN > 0 && ctx->progressCreate)
        ctx->progressCreate(ctx->entry ? ctx->entry->info.label : STRETCH_NAME, 0);
    while (written < outN && !r.failed) {
        size_t got = stretchPull(r.core, r.out, STRETCH_PIECE);
        if (!got) {
            if (!feed(&r))
                break;
            continue;
        }
        /* Never over input not yet read: read on until the write stays below it. */
        while (r.start + written + got > r.inAt + r.read && feed(&r))
            ;
        if (r.failed || r.start + written + got > r.inAt + r.read + (n - r.read) ||
            ctx->vocWriteAt(r.out, (long)((r.start + written) * r.ba), (DWORD)got * r.ba) != 0)
            break;
        written += (uint32_t)got;
        if (ctx->progressMeter && !ctx->progressMeter(written, outN))
            break;
    }
    if (outN > 0 && ctx->progressDestroy)
        ctx->progressDestroy();
    /* What lies between the output and the input it has not covered goes: after a full
       run the range's spare frames (or nothing), after Cancel the input the output so far
       stands for, so the rest of the range follows on from where the output stopped.
       Writes never reach past the output, so the frames kept are the original ones. */
    used = written == outN ? n : (uint32_t)((double)written * n / (outN ? outN : 1) + 0.5);
    if (used > n)
        used = n;
    if (r.inAt + used < r.start + written)
        used = r.start + written - r.inAt;
    gapEnd = r.inAt + used;
    if (gapEnd > r.start + written)
        ctx->vocCut((long)((r.start + written) * r.ba), (gapEnd - r.start - written) * r.ba);
    left = written + (n - used);
    if (left > 0)
        ctx->end = ctx->start + left - 1;
    stretchFree(r.core);
    free(r.in);
    free(r.out);
    return outN > 0 && written == outN;
}
