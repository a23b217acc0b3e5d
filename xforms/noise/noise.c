/*
 * noise.c - the Noise generator module: white, pink or brown noise of an amplitude (the
 * largest sample it may reach, in decibels or percent of full scale) and a length in
 * seconds, written at the cursor or in place of the selection; the host fits the wave's
 * length to the noise.  A seed makes the noise repeatable.  Built against the module SDK
 * alone.
 *
 * Settings (XfmData, layout "LDLDL"): colour, amplitude, amplitude unit, seconds, seed.
 * Global state: Noise, the dialog's context while it is up.
 */
#include "filters/sdk/zxform.h"
#include "xforms/common/xfmkit.h"
#include "xforms/noise/noisecore.h"
#include "xforms/noise/noise.h"

#include <math.h>
#include <string.h>

#define NOISE_NAME    "Noise"
#define NOISE_PRESETS "Noise Presets"
#define NOISE_DB      0
#define NOISE_PERCENT 1

#pragma pack(push, 1)
typedef struct NoiseSettings {
    long   colour;     /* L NOISE_* */
    double amplitude;  /* D the largest sample: -100..0 dB or 0.1..100 percent */
    long   unit;       /* L NOISE_DB or NOISE_PERCENT */
    double seconds;    /* D the length, above 0 up to an hour */
    long   seed;       /* L 0..2147483647 */
} NoiseSettings;
#pragma pack(pop)
_Static_assert(sizeof(NoiseSettings) == 28, "the layout 'LDLDL' describes every byte");

static const NoiseSettings NoiseWhite = {NOISE_WHITE, -6.0, NOISE_DB, 1.0, 1};
static const NoiseSettings NoisePink = {NOISE_PINK, -3.0, NOISE_DB, 10.0, 1};
static const NoiseSettings NoiseBrown = {NOISE_BROWN, 50.0, NOISE_PERCENT, 10.0, 1};
static const KitPreset NoiseBuiltIn[] = {
    {"White -6 dB 1 s", &NoiseWhite}, {"Pink 10 s", &NoisePink}, {"Brown 10 s", &NoiseBrown}};

static struct {
    XfmContext *ctx;   /* of the dialog now up */
} Noise;

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, NOISE_NAME);
    strcpy(info->label, "Generating noise");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_GENERATE | XFM_PRESETS;
    info->dataSize = sizeof(NoiseSettings);
    strcpy(info->layout, "LDLDL");
    strcpy(info->presetMask, "yyyyy");
    return XFM_VERSION;
}

void WINAPI XfmInit(XfmContext *ctx)
{
    NoiseSettings *s = (NoiseSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    *s = NoiseWhite;
    GlobalUnlock(ctx->data);
}

static int valid(const NoiseSettings *s, DWORD rate)
{
    int ampOk = s->unit == NOISE_PERCENT ? s->amplitude >= 0.1 && s->amplitude <= 100
                                         : s->unit == NOISE_DB && s->amplitude >= -100 && s->amplitude <= 0;
    return ampOk && s->colour >= 0 && s->colour < NOISE_COLOURS && s->seed >= 0 && noiseFrames(s->seconds, rate) > 0;
}

static double amplitude(const NoiseSettings *s)
{
    return s->unit == NOISE_PERCENT ? noiseAmplitudePercent(s->amplitude) : noiseAmplitudeDb(s->amplitude);
}

/* ---- the dialog ---- */

static void putSettings(HWND dlg, const NoiseSettings *s)
{
    int colour = s->colour >= 0 && s->colour < NOISE_COLOURS ? (int)s->colour : NOISE_WHITE;
    CheckRadioButton(dlg, IDC_NOISE_WHITE, IDC_NOISE_BROWN, IDC_NOISE_WHITE + colour);
    CheckRadioButton(dlg, IDC_NOISE_DB, IDC_NOISE_PERCENT, s->unit == NOISE_PERCENT ? IDC_NOISE_PERCENT : IDC_NOISE_DB);
    SetWindowLongPtrA(dlg, DWLP_USER, s->unit == NOISE_PERCENT);
    kitSetDouble(dlg, IDC_NOISE_AMP, s->amplitude);
    kitSetDouble(dlg, IDC_NOISE_SECONDS, s->seconds);
    kitSetDouble(dlg, IDC_NOISE_SEED, (double)s->seed);
}

static void putFromData(HWND dlg)
{
    NoiseSettings *s = (NoiseSettings *)GlobalLock(Noise.ctx->data);
    if (!s)
        return;
    putSettings(dlg, s);
    GlobalUnlock(Noise.ctx->data);
}

static int takeIntoData(HWND dlg)
{
    NoiseSettings t, *s;
    double seed = -1;
    int i;
    t.colour = NOISE_WHITE;
    for (i = 0; i < NOISE_COLOURS; i++)
        if (IsDlgButtonChecked(dlg, IDC_NOISE_WHITE + i) == BST_CHECKED)
            t.colour = i;
    t.unit = IsDlgButtonChecked(dlg, IDC_NOISE_PERCENT) == BST_CHECKED ? NOISE_PERCENT : NOISE_DB;
    if (!kitGetDouble(dlg, IDC_NOISE_AMP, &t.amplitude) || !kitGetDouble(dlg, IDC_NOISE_SECONDS, &t.seconds) ||
        !kitGetDouble(dlg, IDC_NOISE_SEED, &seed) || seed != floor(seed) || seed < 0 || seed > 2147483647.0 ||
        !(t.seed = (long)seed, valid(&t, Noise.ctx->sampleRate))) {
        kitRefuse(dlg, IDS_NOISE_BAD, NOISE_NAME);
        return 0;
    }
    if (!(s = (NoiseSettings *)GlobalLock(Noise.ctx->data)))
        return 0;
    *s = t;
    GlobalUnlock(Noise.ctx->data);
    return 1;
}

/* Switching units keeps the amplitude: the field is converted. */
static void switchUnit(HWND dlg, int toPercent)
{
    double v;
    if (!kitGetDouble(dlg, IDC_NOISE_AMP, &v))
        return;
    if (toPercent)
        kitSetDouble(dlg, IDC_NOISE_AMP, floor(pow(10.0, v / 20.0) * 100000.0 + 0.5) / 1000.0);
    else if (v > 0)
        kitSetDouble(dlg, IDC_NOISE_AMP, floor(20.0 * log10(v / 100.0) * 1000.0 + 0.5) / 1000.0);
}

static void own(HWND dlg, int id, int code)
{
    if (id == IDC_NOISE_DB || id == IDC_NOISE_PERCENT)
        kitUnitRadio(dlg, id, code, IDC_NOISE_PERCENT, switchUnit);
}

static const KitDialog Dialog = {
    IDD_NOISE, NOISE_NAME, IDS_NOISE_HELP, NOISE_PRESETS, NoiseBuiltIn, 3, sizeof(NoiseSettings),
    putFromData, takeIntoData, NULL, own,
};

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    NoiseSettings *s;
    int ok;
    (void)module;
    if (kitShowDialog(ctx)) {
        INT_PTR r;
        Noise.ctx = ctx;
        r = kitDialog(main, ctx, &Dialog);
        Noise.ctx = NULL;
        if (r != IDOK)
            return XFM_SETUP_CANCEL;
    }
    s = (NoiseSettings *)GlobalLock(ctx->data);
    if (!s)
        return XFM_SETUP_CANCEL;
    ok = valid(s, ctx->sampleRate);
    ctx->lengthRequest = 1;
    ctx->lengthFrames = ok ? noiseFrames(s->seconds, ctx->sampleRate) : 0;
    GlobalUnlock(ctx->data);
    return ok ? XFM_SETUP_RUN : XFM_SETUP_CANCEL;
}

/* ---- the work ---- */

static void noisePiece(short *samples, DWORD frames, DWORD first, DWORD total, void *user)
{
    (void)first, (void)total;
    noiseBlock((NoiseState *)user, samples, frames);
}

long WINAPI XfmDo(XfmContext *ctx)
{
    NoiseState st;
    NoiseSettings s;
    NoiseSettings *p = (NoiseSettings *)GlobalLock(ctx->data);
    if (!p)
        return 0;
    s = *p;
    GlobalUnlock(ctx->data);
    if (!valid(&s, ctx->sampleRate) || ctx->end < ctx->start)
        return 0;
    noiseInit(&st, (int)s.colour, ctx->channels == 2 ? 2 : 1, amplitude(&s), (uint32_t)s.seed, ctx->sampleRate);
    return kitGenerate(ctx, ctx->end - ctx->start + 1, noisePiece, &st, NOISE_NAME);
}
