/*
 * resample.c - the Resample transform module: rewrites the whole wave at a new sample
 * rate for the program's Convert Sample Type, which opens it by name, writes its settings
 * block, runs it over the wave and then relabels the document's rate.  Hidden (no menu
 * entry, no dialog).  Built against the module SDK alone; the work is rscore.c.
 *
 * Settings (XfmData, 12 bytes, layout "LIIL"): new rate, second and first shape
 * parameter (which choose the quality), block length (a hint; the converter picks its own
 * blocks).  No global state.
 */
#include "filters/sdk/zxform.h"
#include "xforms/resample/rscore.h"

#include <string.h>

#define RESAMPLE_NAME "Resample"

#pragma pack(push, 1)
typedef struct ResampleSettings {
    DWORD rate;     /* L new sample rate, Hz */
    WORD second;    /* I second shape parameter */
    WORD first;     /* I first shape parameter */
    DWORD block;    /* L block length */
} ResampleSettings;
#pragma pack(pop)

#if defined(__i386__) || defined(_M_IX86)
_Static_assert(sizeof(ResampleSettings) == 12, "ResampleSettings size");
_Static_assert(offsetof(ResampleSettings, second) == 4, "second");
_Static_assert(offsetof(ResampleSettings, first) == 6, "first");
_Static_assert(offsetof(ResampleSettings, block) == 8, "block");
#endif

short WINAPI QueryXfm(XfmInfo *info)
{
    memset(info, 0, sizeof *info);
    strcpy(info->name, RESAMPLE_NAME);
    strcpy(info->label, "Resampling");
    info->formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    info->flags = XFM_HIDDEN;
    info->dataSize = sizeof(ResampleSettings);
    strcpy(info->layout, "LIIL");
    strcpy(info->presetMask, "nnnn");
    return XFM_VERSION;
}

void WINAPI XfmInit(XfmContext *ctx)
{
    ResampleSettings *s = (ResampleSettings *)GlobalLock(ctx->data);
    if (!s)
        return;
    s->rate = 22050;     /* Medium, as the program writes it */
    s->first = 99;
    s->second = 2;
    s->block = 2000;
    GlobalUnlock(ctx->data);
}

/* ---- the host's sample services in frames ---- */

static int ioRead(void *user, int16_t *dst, uint32_t frame, uint32_t frames)
{
    XfmContext *ctx = (XfmContext *)user;
    return ctx->vocRead(dst, (long)(frame * ctx->blockAlign), frames * ctx->blockAlign) != 0;
}

static int ioWrite(void *user, const int16_t *src, uint32_t frame, uint32_t frames)
{
    XfmContext *ctx = (XfmContext *)user;
    return ctx->vocWriteAt(src, (long)(frame * ctx->blockAlign), frames * ctx->blockAlign) != 0;
}

static int ioInsert(void *user, uint32_t frame, uint32_t frames)
{
    XfmContext *ctx = (XfmContext *)user;
    return !ctx->vocInsertBlank || ctx->vocInsertBlank((long)(frame * ctx->blockAlign), frames * ctx->blockAlign) != 0;
}

static int ioCut(void *user, uint32_t frame, uint32_t frames)
{
    XfmContext *ctx = (XfmContext *)user;
    return !ctx->vocCut || ctx->vocCut((long)(frame * ctx->blockAlign), frames * ctx->blockAlign) != 0;
}

static int ioProgress(void *user, uint64_t done, uint64_t total)
{
    XfmContext *ctx = (XfmContext *)user;
    if (ctx->cancelFlag && *ctx->cancelFlag)
        return 0;
    /* the meter takes 32-bit counts: the result fits, it is at most 2^31 bytes */
    if (ctx->progressMeter && !ctx->progressMeter((DWORD)done, (DWORD)(total ? total : 1)))
        return 0;
    return 1;
}

/* Runs over the whole wave whatever the range says: the program passes the frame count as
   the end.  Returns the frames of the result (0 when nothing was done); afterwards start
   and end hold the wave's whole new range. */
long WINAPI XfmDo(XfmContext *ctx)
{
    ResampleSettings s;
    RsIo io;
    uint32_t frames, length = 0, written = 0;
    int level, r;
    ResampleSettings *p = (ResampleSettings *)GlobalLock(ctx->data);
    if (!p)
        return 0;
    s = *p;
    GlobalUnlock(ctx->data);

    if (ctx->bitsPerSample != 16 || (ctx->channels != 1 && ctx->channels != 2) ||
        ctx->blockAlign != 2 * ctx->channels || !ctx->vocRead || !ctx->vocWriteAt)
        return 0;
    if (s.rate == 0 || s.rate > RS_MAX_RATE || ctx->sampleRate == 0 || ctx->sampleRate > RS_MAX_RATE)
        return 0;
    frames = ctx->end;
    /* byte offsets are signed 32-bit: keep the wave and the result inside them */
    if (frames > 0x7FFFFFFFu / ctx->blockAlign ||
        rsOutputFrames(ctx->sampleRate, s.rate, frames) > 0x7FFFFFFFu / ctx->blockAlign)
        return 0;
    level = rsLevelFromShape(s.first, s.second);

    io.user = ctx;
    io.read = ioRead;
    io.write = ioWrite;
    io.insertBlank = ioInsert;
    io.cut = ioCut;
    io.progress = ioProgress;
    if (ctx->progressCreate)
        ctx->progressCreate(RESAMPLE_NAME, 0);
    r = rsResampleInPlace(&io, ctx->channels, ctx->sampleRate, s.rate, level, frames, &length, &written);
    if (ctx->progressDestroy)
        ctx->progressDestroy();
    ctx->start = 0;
    ctx->end = length - 1;   /* an empty wave: 0xFFFFFFFF, no selection */
    return r == RS_DONE ? (long)length : (long)written;
}
