/*
 * echo.c - the Echo transform module: repeats of the selection, each a delay later than
 * the one before and quieter by a decay (a ratio or decibels per repeat), mixed with the
 * dry signal at levels in percent.  The output keeps the selection's length (the tail
 * beyond its end is cut) and goes through the host's delayed writer, behind the point
 * where the input is read.  Built against the module SDK alone.
 *
 * Settings (XfmData, layout "DDLLDD"): delay in ms, decay, decay unit, repeats, dry and
 * echo levels in percent.  Global state: Echo, the dialog's context while it is up.
 */
#include "filters/sdk/zxform.h"
#include "xforms/common/xfmkit.h"
#include "xforms/echo/echocore.h"
#include "xforms/echo/echo.h"

#include <math.h>
#include <string.h>

#define ECHO_NAME    "Echo"
#define ECHO_PRESETS "Echo Presets"
#define ECHO_RATIO 0
#define ECHO_DB    1

#pragma pack(push, 1)
typedef struct EchoSettings {
    double delayMs;    /* D 1..5000 ms between repeats */
    double decay;      /* D per repeat: 0.01..1 as a ratio, -40..0 in dB */
    long   decayUnit;  /* L ECHO_RATIO or ECHO_DB */
    long   repeats;    /* L 1..ECHO_MAX_REPEATS */
    double dry;        /* D percent of the input kept, 0..100 */
    double wet;        /* D percent of the echo added, above 0 up to 100 */
} EchoSettings;
#pragma pack(pop)
_Static_assert(sizeof(EchoSettings) == 40, "the layout 'DDLLDD' describes every byte");

static const EchoSettings EchoSlap = {120.0, 0.4, ECHO_RATIO, 1, 100.0, 60.0};
static const EchoSettings EchoHall = {250.0, -6.0, ECHO_DB, 6, 80.0, 70.0};
static const EchoSettings EchoCanyon = {900.0, 0.5, ECHO_RATIO, 4, 90.0, 80.0};
static const KitPreset EchoBuiltIn[] = {{"Slapback", &EchoSlap}, {"Hall", &EchoHall}, {"Canyon", &EchoCanyon}};

static struct {
    XfmContext *ctx;   /* of the dialog now up */
} Echo;

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, ECHO_NAME);
    strcpy(info->label, "Adding echoes to the selection");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_TRANSFORM | XFM_PRESETS | XFM_NEEDS_DATA;
    info->dataSize = sizeof(EchoSettings);
    strcpy(info->layout, "DDLLDD");
    strcpy(info->presetMask, "yyyyyy");
    return XFM_VERSION;
}

void WINAPI XfmInit(XfmContext *ctx)
{
    EchoSettings *s = (EchoSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    *s = EchoHall;
    GlobalUnlock(ctx->data);
}

static double decayFactor(const EchoSettings *s)
{
    return s->decayUnit == ECHO_DB ? echoDecayFromDb(s->decay) : s->decay;
}

/* 1 when the settings make an echo the ring can hold at this rate. */
static int valid(const EchoSettings *s, DWORD rate)
{
    int decayOk = s->decayUnit == ECHO_DB ? s->decay >= -40 && s->decay <= 0
                                          : s->decayUnit == ECHO_RATIO && s->decay >= 0.01 && s->decay <= 1;
    return decayOk && s->delayMs >= 1 && s->delayMs <= 5000 && s->repeats >= 1 && s->repeats <= ECHO_MAX_REPEATS &&
           s->delayMs * s->repeats <= ECHO_MAX_SECONDS * 1000 && echoDelayFrames(s->delayMs, rate) > 0 &&
           s->dry >= 0 && s->dry <= 100 && s->wet > 0 && s->wet <= 100;
}

/* ---- the dialog ---- */

static void putSettings(HWND dlg, const EchoSettings *s)
{
    kitSetDouble(dlg, IDC_ECHO_DELAY, s->delayMs);
    kitSetDouble(dlg, IDC_ECHO_DECAY, s->decay);
    CheckRadioButton(dlg, IDC_ECHO_RATIO, IDC_ECHO_DB, s->decayUnit == ECHO_DB ? IDC_ECHO_DB : IDC_ECHO_RATIO);
    SetWindowLongPtrA(dlg, DWLP_USER, s->decayUnit == ECHO_DB);
    kitSetDouble(dlg, IDC_ECHO_REPEATS, (double)s->repeats);
    kitSetDouble(dlg, IDC_ECHO_DRY, s->dry);
    kitSetDouble(dlg, IDC_ECHO_WET, s->wet);
}

static void putFromData(HWND dlg)
{
    EchoSettings *s = (EchoSettings *)GlobalLock(Echo.ctx->data);
    if (!s)
        return;
    putSettings(dlg, s);
    GlobalUnlock(Echo.ctx->data);
}

static int takeIntoData(HWND dlg)
{
    EchoSettings t, *s;
    double repeats = 0;
    t.decayUnit = IsDlgButtonChecked(dlg, IDC_ECHO_DB) == BST_CHECKED ? ECHO_DB : ECHO_RATIO;
    if (!kitGetDouble(dlg, IDC_ECHO_DELAY, &t.delayMs) || !kitGetDouble(dlg, IDC_ECHO_DECAY, &t.decay) ||
        !kitGetDouble(dlg, IDC_ECHO_REPEATS, &repeats) || repeats != floor(repeats) || repeats < 0 || repeats > 1000 ||
        !kitGetDouble(dlg, IDC_ECHO_DRY, &t.dry) || !kitGetDouble(dlg, IDC_ECHO_WET, &t.wet) ||
        !(t.repeats = (long)repeats, valid(&t, Echo.ctx->sampleRate))) {
        kitRefuse(dlg, IDS_ECHO_BAD, ECHO_NAME);
        return 0;
    }
    if (!(s = (EchoSettings *)GlobalLock(Echo.ctx->data)))
        return 0;
    *s = t;
    GlobalUnlock(Echo.ctx->data);
    return 1;
}

/* Switching the decay's unit keeps the decay: the field is converted. */
static void switchUnit(HWND dlg, int toDb)
{
    double v;
    if (!kitGetDouble(dlg, IDC_ECHO_DECAY, &v))
        return;
    if (toDb && v > 0)
        kitSetDouble(dlg, IDC_ECHO_DECAY, floor(20.0 * log10(v) * 1000.0 + 0.5) / 1000.0);
    else if (!toDb)
        kitSetDouble(dlg, IDC_ECHO_DECAY, floor(echoDecayFromDb(v) * 10000.0 + 0.5) / 10000.0);
}

static void own(HWND dlg, int id, int code)
{
    if (id == IDC_ECHO_RATIO || id == IDC_ECHO_DB)
        kitUnitRadio(dlg, id, code, IDC_ECHO_DB, switchUnit);
}

static const KitDialog Dialog = {
    IDD_ECHO, ECHO_NAME, IDS_ECHO_HELP, ECHO_PRESETS, EchoBuiltIn, 3, sizeof(EchoSettings),
    putFromData, takeIntoData, NULL, own,
};

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    INT_PTR r;
    (void)module;
    if (!kitShowDialog(ctx))
        return XFM_SETUP_RUN;
    Echo.ctx = ctx;
    r = kitDialog(main, ctx, &Dialog);
    Echo.ctx = NULL;
    return r == IDOK ? XFM_SETUP_RUN : XFM_SETUP_CANCEL;
}

/* ---- the work ---- */

static size_t echoPiece(const short *in, size_t frames, short *out, size_t room, void *user)
{
    (void)room;
    echoBlock((EchoState *)user, in, out, frames);
    return frames;
}

long WINAPI XfmDo(XfmContext *ctx)
{
    EchoState st;
    EchoSettings s;
    EchoSettings *p = (EchoSettings *)GlobalLock(ctx->data);
    long done;
    if (!p)
        return 0;
    s = *p;
    GlobalUnlock(ctx->data);
    if (!valid(&s, ctx->sampleRate))
        return 0;
    if (echoInit(&st, ctx->channels == 2 ? 2 : 1, echoDelayFrames(s.delayMs, ctx->sampleRate), (int)s.repeats,
                 decayFactor(&s), s.dry / 100.0, s.wet / 100.0) != 0) {
        kitAlert(IDS_ECHO_MEMORY, ECHO_NAME);
        return 0;
    }
    done = kitStream(ctx, echoPiece, &st, ECHO_NAME);
    echoFree(&st);
    return done;
}
