/*
 * tone.c - the Tone generator module: sine, square, triangle or sawtooth at a frequency,
 * amplitude and duration, written at the cursor or in place of the selection; the host
 * fits the wave's length to the tone (the generator's length request).  Built against the
 * module SDK alone.
 *
 * Settings (XfmData, layout "LDDD"): shape, frequency in Hz, amplitude in percent,
 * duration in seconds.  Global state: Tone, the dialog's context while it is up.
 */
#include "filters/sdk/zxform.h"
#include "xforms/common/xfmkit.h"
#include "xforms/tone/tonecore.h"
#include "xforms/tone/tone.h"

#include <string.h>

#define TONE_NAME    "Tone"
#define TONE_PRESETS "Tone Presets"

#pragma pack(push, 1)
typedef struct ToneSettings {
    long   shape;       /* L TONE_* */
    double frequency;   /* D Hz */
    double amplitude;   /* D percent of full scale */
    double seconds;     /* D duration */
} ToneSettings;
#pragma pack(pop)

static struct {
    XfmContext *ctx;    /* of the dialog now up */
} Tone;

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, TONE_NAME);
    strcpy(info->label, "Generating a tone");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_GENERATE | XFM_PRESETS;
    info->dataSize = sizeof(ToneSettings);
    strcpy(info->layout, "LDDD");
    strcpy(info->presetMask, "yyyy");
    return XFM_VERSION;
}

void WINAPI XfmInit(XfmContext *ctx)
{
    ToneSettings *s = (ToneSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    s->shape = TONE_SINE;
    s->frequency = 1000.0;
    s->amplitude = 50.0;
    s->seconds = 1.0;
    GlobalUnlock(ctx->data);
}

/* 1 when the settings make a tone at this rate. */
static int valid(const ToneSettings *s, DWORD rate)
{
    return s->shape >= 0 && s->shape < TONE_SHAPES && s->frequency >= 1.0 &&
           s->frequency <= rate / 2.0 && s->amplitude >= 0 && s->amplitude <= 100 &&
           toneFrames(s->seconds, rate) > 0;
}

/* ---- the dialog ---- */

static void putSettings(HWND dlg, const ToneSettings *s)
{
    int shape = s->shape >= 0 && s->shape < TONE_SHAPES ? (int)s->shape : TONE_SINE;
    CheckRadioButton(dlg, IDC_TONE_SINE, IDC_TONE_SAWTOOTH, IDC_TONE_SINE + shape);
    kitSetDouble(dlg, IDC_TONE_FREQ, s->frequency);
    kitSetDouble(dlg, IDC_TONE_AMP, s->amplitude);
    kitSetDouble(dlg, IDC_TONE_SECONDS, s->seconds);
}

static int takeIntoData(HWND dlg)
{
    ToneSettings t, *s;
    int i, ok;
    t.shape = TONE_SINE;
    for (i = 0; i < TONE_SHAPES; i++)
        if (IsDlgButtonChecked(dlg, IDC_TONE_SINE + i) == BST_CHECKED)
            t.shape = i;
    ok = kitGetDouble(dlg, IDC_TONE_FREQ, &t.frequency) && kitGetDouble(dlg, IDC_TONE_AMP, &t.amplitude) &&
         kitGetDouble(dlg, IDC_TONE_SECONDS, &t.seconds) && valid(&t, Tone.ctx->sampleRate);
    if (!ok) {
        char text[200];
        LoadStringA((HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE), IDS_TONE_BAD, text, sizeof text);
        MessageBoxA(dlg, text, TONE_NAME, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    s = (ToneSettings *)GlobalLock(Tone.ctx->data);
    if (!s)
        return 0;
    *s = t;
    GlobalUnlock(Tone.ctx->data);
    return 1;
}

static void putFromData(HWND dlg)
{
    ToneSettings *s = (ToneSettings *)GlobalLock(Tone.ctx->data);
    if (!s)
        return;
    putSettings(dlg, s);
    GlobalUnlock(Tone.ctx->data);
}

static void command(HWND dlg, int id, int code)
{
    XfmContext *ctx = Tone.ctx;
    switch (id) {
    case IDOK:
        if (takeIntoData(dlg))
            EndDialog(dlg, IDOK);
        break;
    case IDCANCEL:
        EndDialog(dlg, IDCANCEL);
        break;
    case KIT_HELP_BUTTON:
        kitHelp(dlg, (HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE), IDS_TONE_HELP, TONE_NAME);
        break;
    case IDC_PRESET_NAME:
        if (code == EN_CHANGE && ctx->presetHandlePRESETNAME)
            ctx->presetHandlePRESETNAME(dlg);
        break;
    case IDC_PRESET_LIST:
        if (ctx->HandleID_PRESETS &&
            ctx->HandleID_PRESETS(ctx, dlg, TONE_PRESETS, (WORD)code, GetDlgItem(dlg, IDC_PRESET_LIST)))
            putFromData(dlg);
        break;
    case IDC_PRESET_ADD:
        if (ctx->HandleID_ADD && takeIntoData(dlg))
            ctx->HandleID_ADD(ctx, dlg, TONE_PRESETS);
        break;
    case IDC_PRESET_DEL:
        if (ctx->presetHandleDEL)
            ctx->presetHandleDEL(dlg, TONE_PRESETS);
        break;
    }
}

static INT_PTR CALLBACK TONEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        Tone.ctx = (XfmContext *)lParam;
        putFromData(dlg);
        if (Tone.ctx->presetsInitIni)
            Tone.ctx->presetsInitIni(dlg, TONE_PRESETS, Tone.ctx->iniFile);
        if (Tone.ctx->zwCenter)
            Tone.ctx->zwCenter(dlg, GetParent(dlg));
        return TRUE;
    case WM_COMMAND:
        command(dlg, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

short WINAPI XfmSetup(HWND main, HINSTANCE module, XfmContext *ctx)
{
    ToneSettings *s;
    int ok;
    if (kitShowDialog(ctx)) {
        INT_PTR r = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_TONE), main, TONEMsgProc, (LPARAM)ctx);
        Tone.ctx = NULL;
        if (r != IDOK)
            return XFM_SETUP_CANCEL;
    }
    s = (ToneSettings *)GlobalLock(ctx->data);
    if (!s)
        return XFM_SETUP_CANCEL;
    ok = valid(s, ctx->sampleRate);
    ctx->lengthRequest = 1;
    ctx->lengthFrames = ok ? toneFrames(s->seconds, ctx->sampleRate) : 0;
    GlobalUnlock(ctx->data);
    return ok ? XFM_SETUP_RUN : XFM_SETUP_CANCEL;
}

/* ---- the work ---- */

typedef struct ToneJob {
    ToneSettings s;
    int channels;
    DWORD rate;
} ToneJob;

static void tonePiece(short *samples, DWORD frames, DWORD first, DWORD total, void *user)
{
    ToneJob *job = (ToneJob *)user;
    (void)total;
    toneBlock(samples, frames, job->channels, (int)job->s.shape, job->s.frequency, job->s.amplitude, job->rate, first);
}

long WINAPI XfmDo(XfmContext *ctx)
{
    ToneJob job;
    ToneSettings *s = (ToneSettings *)GlobalLock(ctx->data);
    if (!s)
        return 0;
    job.s = *s;
    GlobalUnlock(ctx->data);
    job.channels = ctx->channels == 2 ? 2 : 1;
    job.rate = ctx->sampleRate;
    if (!valid(&job.s, job.rate) || ctx->end < ctx->start)
        return 0;
    return kitGenerate(ctx, ctx->end - ctx->start + 1, tonePiece, &job, TONE_NAME);
}
