/*
 * compressor.c - the Compressor/Limiter transform module: above a threshold the level
 * rises only 1/ratio dB per dB, following the louder channel's peaks with an attack and
 * a release time; make-up gain, an optional lookahead, and a ceiling that no output
 * sample passes (with a very high ratio, a short attack and some lookahead it is a
 * limiter).  The output goes through the host's delayed writer, lookahead frames behind
 * the input.  Built against the module SDK alone.
 *
 * Settings (XfmData, layout "DDDDDDD"): threshold dB, ratio, attack ms, release ms,
 * make-up dB, lookahead ms, ceiling dB, in CompParams' order.  Built-in presets ("Limiter
 * -1 dB", "Gentle 2:1", "Voice 4:1") are added through the host's preset services when the
 * preset list is empty.  Global state: Comp, the dialog's context while it is up.
 */
#include "filters/sdk/zxform.h"
#include "xforms/common/xfmkit.h"
#include "xforms/compressor/compcore.h"
#include "xforms/compressor/compressor.h"

#include <string.h>

#define COMP_NAME    "Compressor/Limiter"
#define COMP_PRESETS "Compressor/Limiter Presets"

typedef CompParams CompSettings;   /* seven doubles, no padding */
_Static_assert(sizeof(CompSettings) == 56, "the layout 'DDDDDDD' describes every byte");

static const CompSettings CompLimiter = {-1.0, 1000.0, 0.5, 50.0, 0.0, 2.0, -1.0};
static const CompSettings CompGentle = {-20.0, 2.0, 20.0, 250.0, 3.0, 0.0, 0.0};
static const CompSettings CompVoice = {-24.0, 4.0, 5.0, 150.0, 6.0, 1.0, -0.5};
static const KitPreset CompBuiltIn[] = {
    {"Limiter -1 dB", &CompLimiter}, {"Gentle 2:1", &CompGentle}, {"Voice 4:1", &CompVoice}};

static const int CompFields[7] = {IDC_COMP_THRESHOLD, IDC_COMP_RATIO, IDC_COMP_ATTACK, IDC_COMP_RELEASE,
                                  IDC_COMP_MAKEUP, IDC_COMP_LOOKAHEAD, IDC_COMP_CEILING};

static struct {
    XfmContext *ctx;   /* of the dialog now up */
} Comp;

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, COMP_NAME);
    strcpy(info->label, "Compressing the selection");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_TRANSFORM | XFM_PRESETS | XFM_NEEDS_DATA;
    info->dataSize = sizeof(CompSettings);
    strcpy(info->layout, "DDDDDDD");
    strcpy(info->presetMask, "yyyyyyy");
    return XFM_VERSION;
}

void WINAPI XfmInit(XfmContext *ctx)
{
    CompSettings *s = (CompSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    *s = CompGentle;
    GlobalUnlock(ctx->data);
}

/* ---- the dialog ---- */

static double *field(CompSettings *s, int i)
{
    double *f[7] = {&s->thresholdDb, &s->ratio, &s->attackMs, &s->releaseMs, &s->makeupDb, &s->lookaheadMs,
                    &s->ceilingDb};
    return f[i];
}

static void putFromData(HWND dlg)
{
    CompSettings *s = (CompSettings *)GlobalLock(Comp.ctx->data);
    int i;
    if (!s)
        return;
    for (i = 0; i < 7; i++)
        kitSetDouble(dlg, CompFields[i], *field(s, i));
    GlobalUnlock(Comp.ctx->data);
}

static int takeIntoData(HWND dlg)
{
    CompSettings t, *s;
    int i;
    for (i = 0; i < 7; i++)
        if (!kitGetDouble(dlg, CompFields[i], field(&t, i)))
            break;
    if (i < 7 || !compValid(&t)) {
        kitRefuse(dlg, IDS_COMP_BAD, COMP_NAME);
        return 0;
    }
    if (!(s = (CompSettings *)GlobalLock(Comp.ctx->data)))
        return 0;
    *s = t;
    GlobalUnlock(Comp.ctx->data);
    return 1;
}

static const KitDialog Dialog = {
    IDD_COMPRESSOR, COMP_NAME, IDS_COMP_HELP, COMP_PRESETS, CompBuiltIn, 3, sizeof(CompSettings),
    putFromData, takeIntoData, NULL, NULL,
};

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    INT_PTR r;
    (void)module;
    if (!kitShowDialog(ctx))
        return XFM_SETUP_RUN;
    Comp.ctx = ctx;
    r = kitDialog(main, ctx, &Dialog);
    Comp.ctx = NULL;
    return r == IDOK ? XFM_SETUP_RUN : XFM_SETUP_CANCEL;
}

/* ---- the work ---- */

static size_t compPiece(const short *in, size_t frames, short *out, size_t room, void *user)
{
    CompState *st = (CompState *)user;
    if (frames == 0)
        return compFlush(st, out, room);
    return compBlock(st, in, frames, out);
}

long WINAPI XfmDo(XfmContext *ctx)
{
    CompState st;
    CompSettings s;
    CompSettings *p = (CompSettings *)GlobalLock(ctx->data);
    long done;
    if (!p)
        return 0;
    s = *p;
    GlobalUnlock(ctx->data);
    if (!compValid(&s))
        return 0;
    if (compInit(&st, ctx->channels == 2 ? 2 : 1, ctx->sampleRate, &s) != 0) {
        kitAlert(IDS_COMP_MEMORY, COMP_NAME);
        return 0;
    }
    done = kitStream(ctx, compPiece, &st, COMP_NAME);
    compFree(&st);
    return done;
}
