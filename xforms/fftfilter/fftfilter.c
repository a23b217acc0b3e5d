/*
 * fftfilter.c - the FFT Filter transform module: a frequency response drawn in the host's
 * graph control (frequency 0..24000 Hz across, gain -100..+20 dB up), made into a
 * linear-phase filter by fftfcore.c and applied to the selection by the host's Convolute.
 * Built against the module SDK alone.
 *
 * Settings (XfmData, layout "LGL", 10 bytes): at 0 the filter length in taps (0: a tenth
 * of the rate), at 4 the graph id of the curve (created by XfmInit, destroyed by
 * XfmDestroy), at 6 a flag set once the built-in presets were added.  Presets keep the
 * length and the curve.  Global state: Filt, the dialog's context while the dialog is up,
 * and the range and context of the convolution under way (its callbacks take no context).
 */
#include "filters/sdk/zxform.h"
#include "xforms/common/xfmkit.h"
#include "xforms/fftfilter/fftfcore.h"
#include "xforms/fftfilter/fftfilter.h"

#include <stdlib.h>
#include <string.h>

#define FFTF_NAME    "FFT Filter"
#define FFTF_PRESETS_SECTION "FFT Filter Presets"

#pragma pack(push, 1)
typedef struct FilterSettings {
    long  taps;      /* 0 L filter length, 0 automatic */
    short graph;     /* 4 G the response curve, -1 when the host gave none */
    long  seeded;    /* 6 L 1 once the built-in presets were added */
} FilterSettings;
#pragma pack(pop)
#if defined(__i386__)
_Static_assert(sizeof(FilterSettings) == 10, "FilterSettings");
_Static_assert(offsetof(FilterSettings, graph) == 4, "graph");
_Static_assert(offsetof(FilterSettings, seeded) == 6, "seeded");
#endif

static struct {
    XfmContext *dlgCtx;   /* of the dialog now up */
    short graph;          /* its curve */
    XfmContext *runCtx;   /* of the convolution under way */
    long firstByte;       /* the range being filtered, in bytes */
    long endByte;         /* one past its last byte */
    int seededNow;        /* this dialog added the built-in presets */
    long openTaps;        /* the length and curve when the dialog opened, */
    FftfCurve openCurve;  /* put back by Cancel */
} Filt;

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, FFTF_NAME);
    strcpy(info->label, "Filtering the selection");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_TRANSFORM | XFM_PRESETS | XFM_GRAPH | XFM_FFT | XFM_NEEDS_DATA;
    info->dataSize = sizeof(FilterSettings);
    strcpy(info->layout, "LGL");
    strcpy(info->presetMask, "yy");
    return XFM_VERSION;
}

static void setFlat(XfmContext *ctx, short graph)
{
    ctx->graphapiClear(graph);
    ctx->graphapiSetPoint(graph, 0, 0, 0, 0);
    ctx->graphapiSetPoint(graph, 1, FFTF_X_MAX, 0, 1);
}

void WINAPI XfmInit(XfmContext *ctx)
{
    FilterSettings *s = (FilterSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    s->taps = 0;
    s->seeded = 0;
    s->graph = ctx->graphapiCreate ? ctx->graphapiCreate(0, FFTF_X_MAX, FFTF_DB_FLOOR, FFTF_DB_TOP, 0, 0) : -1;
    if (s->graph >= 0 && ctx->graphapiSetDblClkScales) {
        ctx->graphapiSetDblClkScales(s->graph, 1.0, 0.0, 1, 1.0, 0.0, 10, 0);
        ctx->graphapiSetDblClkNames(s->graph, "Frequency", "Hz", "Gain", "dB");
    }
    GlobalUnlock(ctx->data);
}

void WINAPI XfmDestroy(XfmContext *ctx)
{
    FilterSettings *s = (FilterSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    if (s->graph >= 0 && ctx->graphapiDestroy)
        ctx->graphapiDestroy(s->graph);
    s->graph = -1;
    GlobalUnlock(ctx->data);
}

/* The curve held by the graph control; count 0 when there is none. */
static void readCurve(XfmContext *ctx, short graph, FftfCurve *c)
{
    short n, i;
    memset(c, 0, sizeof *c);
    if (graph < 0 || !ctx->graphapiCount || !ctx->graphapiGetPoint)
        return;
    n = ctx->graphapiCount(graph);
    if (n < 0 || n > FFTF_MAX_POINTS)
        return;
    for (i = 0; i < n; i++) {
        long xy[2] = {0, 0};
        ctx->graphapiGetPoint(graph, i, xy);
        c->x[i] = xy[0];
        c->y[i] = xy[1];
    }
    c->count = n;
}

static void writeCurve(XfmContext *ctx, short graph, const FftfCurve *c)
{
    int i;
    for (i = 0; i < c->count; i++)
        ctx->graphapiSetPoint(graph, (short)i, c->x[i], c->y[i], i == c->count - 1);
}

/* ---- the dialog ---- */

static HINSTANCE moduleOf(HWND dlg) { return (HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE); }

static void complain(HWND dlg, UINT textId, int focus)
{
    char text[300];
    LoadStringA(moduleOf(dlg), textId, text, sizeof text);
    MessageBoxA(dlg, text, FFTF_NAME, MB_OK | MB_ICONEXCLAMATION);
    if (focus)
        SetFocus(GetDlgItem(dlg, focus));
}

/* The dialog's values into the settings; 0 (after saying why) when one is absurd. */
static int takeIntoData(HWND dlg)
{
    XfmContext *ctx = Filt.dlgCtx;
    FilterSettings *s;
    FftfCurve c;
    double taps;
    int why;
    if (!kitGetDouble(dlg, IDC_FFTF_TAPS, &taps) || taps != (long)taps ||
        (taps != 0 && (taps < FFTF_TAPS_MIN || taps > FFTF_TAPS_MAX))) {
        complain(dlg, IDS_FFTF_BADTAPS, IDC_FFTF_TAPS);
        return 0;
    }
    readCurve(ctx, Filt.graph, &c);
    why = fftfCheck(&c);
    if (why != FFTF_OK) {
        complain(dlg, why == FFTF_NO_POINTS ? IDS_FFTF_NOPOINTS : why == FFTF_ALL_SILENT ? IDS_FFTF_SILENT : IDS_FFTF_ORDER, 0);
        return 0;
    }
    s = (FilterSettings *)GlobalLock(ctx->data);
    if (!s)
        return 0;
    s->taps = (long)taps;
    GlobalUnlock(ctx->data);
    return 1;
}

static void putFromData(HWND dlg)
{
    FilterSettings *s = (FilterSettings *)GlobalLock(Filt.dlgCtx->data);
    if (!s)
        return;
    kitSetDouble(dlg, IDC_FFTF_TAPS, (double)s->taps);
    GlobalUnlock(Filt.dlgCtx->data);
    InvalidateRect(dlg, NULL, TRUE);
}

/* The built-in presets go into the list the first time the dialog opens: each is drawn
   into the graph and stored through the host's Add, like a preset of the user's own.  One
   whose name is listed already is left alone, and the flag keeps deleted ones deleted. */
static void seedPresets(HWND dlg, XfmContext *ctx)
{
    FilterSettings *s = (FilterSettings *)GlobalLock(ctx->data);
    FftfCurve mine, c;
    HWND list = GetDlgItem(dlg, IDC_PRESET_LIST);
    int seeded = s ? (int)s->seeded : 1, p;
    if (s)
        GlobalUnlock(ctx->data);
    if (seeded || Filt.graph < 0 || !ctx->HandleID_ADD || !ctx->graphapiSetPoint)
        return;
    readCurve(ctx, Filt.graph, &mine);
    for (p = 0; p < FFTF_PRESETS; p++) {
        const char *name = fftfPresetName(p);
        if (SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name) != LB_ERR)
            continue;
        fftfPresetCurve(p, &c);
        writeCurve(ctx, Filt.graph, &c);
        SetDlgItemTextA(dlg, IDC_PRESET_NAME, name);
        ctx->HandleID_ADD(ctx, dlg, FFTF_PRESETS_SECTION);
    }
    if (mine.count >= 1)
        writeCurve(ctx, Filt.graph, &mine);
    SetDlgItemTextA(dlg, IDC_PRESET_NAME, "");
    ctx->presetsInitIni(dlg, FFTF_PRESETS_SECTION, ctx->iniFile);
    s = (FilterSettings *)GlobalLock(ctx->data);
    if (s) {
        s->seeded = 1;
        GlobalUnlock(ctx->data);
    }
    Filt.seededNow = 1;
}

static void initDialog(HWND dlg, XfmContext *ctx)
{
    FilterSettings *s;
    Filt.dlgCtx = ctx;
    Filt.graph = -1;
    Filt.seededNow = 0;
    Filt.openTaps = 0;
    s = (FilterSettings *)GlobalLock(ctx->data);
    if (s) {
        Filt.graph = s->graph;
        Filt.openTaps = s->taps;
        GlobalUnlock(ctx->data);
    }
    readCurve(ctx, Filt.graph, &Filt.openCurve);
    if (Filt.graph >= 0 && ctx->graphapiSetDialog)
        ctx->graphapiSetDialog(Filt.graph, dlg, IDC_FFTF_GRAPH, IDC_FFTF_STATUS);
    if (ctx->presetsInitIni) {
        ctx->presetsInitIni(dlg, FFTF_PRESETS_SECTION, ctx->iniFile);
        seedPresets(dlg, ctx);
    }
    putFromData(dlg);
    if (ctx->zwCenter)
        ctx->zwCenter(dlg, GetParent(dlg));
}

static void command(HWND dlg, int id, int code)
{
    XfmContext *ctx = Filt.dlgCtx;
    switch (id) {
    case IDOK:
        if (takeIntoData(dlg))
            EndDialog(dlg, IDOK);
        break;
    case IDCANCEL:
        EndDialog(dlg, IDCANCEL);
        break;
    case KIT_HELP_BUTTON:
        kitHelp(dlg, moduleOf(dlg), IDS_FFTF_HELP, FFTF_NAME);
        break;
    case IDC_FFTF_FLAT:
        if (Filt.graph >= 0 && ctx->graphapiClear) {
            setFlat(ctx, Filt.graph);
            InvalidateRect(dlg, NULL, TRUE);
        }
        break;
    case IDC_PRESET_NAME:
        if (code == EN_CHANGE && ctx->presetHandlePRESETNAME)
            ctx->presetHandlePRESETNAME(dlg);
        break;
    case IDC_PRESET_LIST:
        if (ctx->HandleID_PRESETS &&
            ctx->HandleID_PRESETS(ctx, dlg, FFTF_PRESETS_SECTION, (WORD)code, GetDlgItem(dlg, IDC_PRESET_LIST)))
            putFromData(dlg);
        break;
    case IDC_PRESET_ADD:
        if (ctx->HandleID_ADD && takeIntoData(dlg))
            ctx->HandleID_ADD(ctx, dlg, FFTF_PRESETS_SECTION);
        break;
    case IDC_PRESET_DEL:
        if (ctx->presetHandleDEL)
            ctx->presetHandleDEL(dlg, FFTF_PRESETS_SECTION);
        break;
    }
}

static INT_PTR CALLBACK FFTFILTERMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        initDialog(dlg, (XfmContext *)lParam);
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
        return kitGraphMessage(Filt.dlgCtx, Filt.graph, dlg, msg, lParam);
    }
    return FALSE;
}

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    INT_PTR r;
    if (!kitShowDialog(ctx))
        return XFM_SETUP_RUN;
    r = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_FFTFILTER), main, FFTFILTERMsgProc, (LPARAM)ctx);
    Filt.dlgCtx = NULL;
    if (r == IDOK)
        return XFM_SETUP_RUN;
    if (Filt.seededNow) {
        /* The host's Cancel would also forget that the built-in presets are in the list
           (and a deleted one would come back): keep the settings, but put the length and
           the curve back as they were. */
        FilterSettings *s = (FilterSettings *)GlobalLock(ctx->data);
        if (s) {
            s->taps = Filt.openTaps;
            if (Filt.openCurve.count >= 1 && s->graph >= 0 && ctx->graphapiSetPoint)
                writeCurve(ctx, s->graph, &Filt.openCurve);
            GlobalUnlock(ctx->data);
        }
        return XFM_SETUP_KEEP;
    }
    return XFM_SETUP_CANCEL;
}

/* ---- the work ---- */

/* Convolute's reader: the range, with silence beyond its end (and nothing before it is
   ever asked for). */
static short WINAPI readRange(void *dst, long offset, DWORD count)
{
    long have = Filt.endByte - offset;
    if (have <= 0) {
        memset(dst, 0, count);
        return 0;
    }
    if ((DWORD)have < count) {
        memset((char *)dst + have, 0, count - (DWORD)have);
        count = (DWORD)have;
    }
    return Filt.runCtx->vocRead(dst, offset, count);
}

/* Convolute's writer: what falls beyond the range's end is dropped. */
static short WINAPI writeRange(const void *src, long offset, DWORD count)
{
    long room = Filt.endByte - offset;
    if (room <= 0 || offset < Filt.firstByte)
        return 0;
    if ((DWORD)room < count)
        count = (DWORD)room;
    return Filt.runCtx->vocWriteAt(src, offset, count);
}

long WINAPI XfmDo(XfmContext *ctx)
{
    FilterSettings *s;
    FftfCurve c;
    long tapsSetting;
    uint32_t taps, delay, i, ch = ctx->channels == 2 ? 2 : 1;
    HGLOBAL filter;
    double *h, *f;
    short done;
    if (!ctx->Convolute || ctx->bitsPerSample != 16 || ctx->end < ctx->start)
        return 0;
    s = (FilterSettings *)GlobalLock(ctx->data);
    if (!s)
        return 0;
    tapsSetting = s->taps;
    readCurve(ctx, s->graph, &c);
    GlobalUnlock(ctx->data);
    if (fftfCheck(&c) != FFTF_OK)
        return 0;
    taps = fftfTaps(ctx->sampleRate, tapsSetting);
    delay = (taps - 1) / 2;
    h = (double *)malloc(taps * sizeof *h);
    /* mono: taps values; stereo: two filters of taps pairs, (h, 0) taking the left input
       to the left output and (0, h) the right to the right */
    filter = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (ch == 2 ? 4 : 1) * taps * sizeof(double));
    if (!h || !filter || fftfDesign(&c, ctx->sampleRate, taps, h) != FFTF_OK ||
        !(f = (double *)GlobalLock(filter))) {
        free(h);
        if (filter)
            GlobalFree(filter);
        return 0;
    }
    for (i = 0; i < taps; i++) {
        if (ch == 2) {
            f[2 * i] = h[i];
            f[2 * taps + 2 * i + 1] = h[i];
        } else {
            f[i] = h[i];
        }
    }
    GlobalUnlock(filter);
    free(h);
    Filt.runCtx = ctx;
    Filt.firstByte = (long)(ctx->start * ctx->blockAlign);
    Filt.endByte = (long)((ctx->end + 1) * ctx->blockAlign);
    /* The range runs on by the delay so that its last frames come out too. */
    done = ctx->Convolute((short)ch, ctx->blockAlign, ctx->start, ctx->end + delay, 0, ch == 2 ? 1 : 0, filter,
                          taps, (long)delay, ctx->entry ? ctx->entry->info.label : FFTF_NAME, readRange, writeRange);
    Filt.runCtx = NULL;
    GlobalFree(filter);
    return done ? (long)(ctx->end - ctx->start + 1) : 0;
}
