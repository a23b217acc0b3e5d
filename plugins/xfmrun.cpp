/*
 * xfmrun.cpp - a transform, generator or tool run from its menu entry (or Repeat Last
 * Command, or a script): setup dialog with the settings backup, undo copy, the module's
 * work, the new selection and the redraw; and the settings saved at exit.
 *
 * Writes the row's settings handle (born at first use), the document (selection, view end,
 * modified, undo kind and text), the undo stack and Progress.label.  Invariant: whatever
 * range a module reports, the undo entry describes the frames the wave really gained or
 * lost, so Undo always puts back exactly what was there.
 */
#include "plugins/xfmhost.h"
#include "plugins/progress.h"
#include "edit/undo.h"
#include "edit/editview.h"
#include "core/document.h"
#include "store/voc.h"
#include "store/blockfile.h"
#include "ui/frame.h"

#include <stdio.h>
#include <string.h>

template <typename T> static T entryPoint(HMODULE m, const char *name)
{
    return reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(m, name)));
}

static int scriptRunning(void) { return XfmHost.script.running && XfmHost.script.running(); }
static int scriptRecording(void) { return XfmHost.script.recording && XfmHost.script.recording(); }

static int haveWave(void) { return BF.table != NULL; }

static uint32_t minU(uint32_t a, uint32_t b) { return a < b ? a : b; }

/* The undo entry after the work: frames first..first+saved-1 were copied; the wave changed
   length by grown frames in between, so Undo takes out saved + grown frames there. */
static void closeUndo(int id, uint32_t first, uint32_t savedFrames, int64_t grown, const char *text)
{
    if (Doc.undoAvailable > 0) {
        int64_t now = (int64_t)savedFrames + grown;
        if (now > 0)
            undoRecord((uint16_t)id, first, (uint32_t)(first + now - 1), UndoStack.pendingSaved, text);
        else if (UndoStack.pendingSaved > 0)
            undoRecord(IDM_DELETE, first, first, UndoStack.pendingSaved, text);   /* only put back */
    } else {
        snprintf(Doc.undoText, sizeof Doc.undoText, "%s", text);
    }
    Doc.undoKind = (uint16_t)id;
}

/* Saves the undo copy of first..last (nothing for an empty range).  1 go on, 0 stop. */
static int openUndo(uint32_t first, uint32_t last, int empty)
{
    if (empty) {
        Doc.undoAvailable = UndoStack.enabled ? 1 : -1;
        UndoStack.pendingSaved = 0;
        return 1;
    }
    return undoSaveOrAsk(first, last);
}

struct Outcome {
    int selectionChanged;
    uint32_t first, last;   /* the range to redraw */
};

static void runTransform(int id, TransformEntry *e, XfmContext *ctx, XfmDoFn work, uint32_t flags, Outcome *o)
{
    uint32_t frames = docFrames();
    uint32_t start = ctx->start, end = ctx->end;
    uint32_t us = start, ue = end;
    if (flags & XFM_OWN_RANGE) {
        us = ctx->changedStart;
        ue = frames ? minU(ctx->changedEnd, frames - 1) : 0;
    } else if (flags & XFM_UNDO_TO_VIEW_END) {
        ue = Doc.viewEnd;
    } else if (flags & XFM_UNDO_TO_LENGTH) {
        ue = frames ? frames - 1 : 0;
    }
    if (frames && ue > frames - 1)
        ue = frames - 1;
    if (us > ue || us >= frames) {   /* a range the module made up: fall back to the selection */
        us = start;
        ue = frames ? minU(end, frames - 1) : 0;
    }
    int empty = frames == 0 || us > ue;
    if (!openUndo(us, ue, empty))
        return;
    uint32_t saved = empty ? 0 : ue - us + 1;
    Doc.undoKind = (uint16_t)id;
    work(ctx);
    uint32_t after = docFrames();
    char text[UNDO_DESCMAX];
    snprintf(text, sizeof text, "Undo %s", e->info.name);
    closeUndo(id, us, saved, (int64_t)after - (int64_t)frames, text);
    if ((ctx->start != start || ctx->end != end) && after > 0 && ctx->start <= ctx->end && ctx->start < after) {
        uint32_t last = minU(ctx->end, after - 1);
        if (Doc.viewEnd == DOC_NONE || last > Doc.viewEnd)
            Doc.viewEnd = last;
        editSelect(ctx->start, last);
        o->selectionChanged = 1;
    } else if (after != frames) {
        o->selectionChanged = 1;   /* the wave changed length: everything after moved */
        if (after > 0 && Doc.selEnd != DOC_NONE && Doc.selEnd >= after)
            editSelect(minU(start, after - 1), after - 1);
    }
    o->first = (flags & XFM_OWN_RANGE) ? ctx->changedStart : start;
    o->last = (flags & XFM_OWN_RANGE) ? ctx->changedEnd : end;
}

static void runGenerator(int id, TransformEntry *e, XfmContext *ctx, XfmDoFn work, Outcome *o)
{
    uint32_t ba = Wave.blockAlign ? Wave.blockAlign : 1;
    uint32_t frames = docFrames();
    uint32_t start = minU(ctx->start, frames);
    uint32_t L = ctx->end >= ctx->start && ctx->end != DOC_NONE ? ctx->end - ctx->start + 1 : 0;
    if (start + (uint64_t)L > frames)
        L = frames - start;
    uint32_t N = ctx->lengthFrames;
    int request = ctx->lengthRequest != 0;
    if (N > L && request) {
        uint32_t before = Wave.dataLength;
        uint64_t bytes = (uint64_t)(N - L) * ba;
        short bad = bytes > 0x7FFFFFFFu ? 1 : vocInsertBlank((int32_t)((uint64_t)(start + L) * ba), (uint32_t)bytes);
        if (bad || Wave.dataLength - before != bytes) {
            if (Wave.dataLength > before)
                vocCut((int32_t)((uint64_t)(start + L) * ba), Wave.dataLength - before);
            return;
        }
    }
    /* Without the length request the module writes N frames over what follows the
       selection: the copy covers them too. */
    uint32_t U = L;
    if (!request && N > L)
        U = minU(N, frames - start);
    if (!openUndo(start, start + U - 1, U == 0)) {
        if (N > L && request)
            vocCut((int32_t)((uint64_t)(start + L) * ba), (N - L) * ba);
        return;
    }
    Doc.undoKind = (uint16_t)id;
    ctx->start = start;
    ctx->end = start + N - 1;
    long got = work(ctx);
    uint32_t G = got < 0 ? 0 : (uint32_t)got;
    if (request && G > N)
        G = N;
    if (request && G != N) {
        uint32_t have = docFrames();
        uint32_t from = start + G, n = minU(N - G, have > from ? have - from : 0);
        if (n)
            vocCut((int32_t)((uint64_t)from * ba), n * ba);
        have = docFrames();
        if (have && Doc.viewEnd != DOC_NONE && Doc.viewEnd > have - 1)
            Doc.viewEnd = have - 1;
    }
    if (request && N < L) {
        uint32_t have = docFrames();
        uint32_t from = start + G, n = minU(L - N, have > from ? have - from : 0);
        if (n)
            vocCut((int32_t)((uint64_t)from * ba), n * ba);
    }
    uint32_t after = docFrames();
    char text[UNDO_DESCMAX];
    snprintf(text, sizeof text, "Undo Generate %s", e->info.name);
    closeUndo(id, start, U, (int64_t)after - (int64_t)frames, text);
    uint32_t count = request ? G : L;
    if (count > 0 && after > 0) {
        uint32_t last = minU(start + count - 1, after - 1);
        if (Doc.viewEnd == DOC_NONE || last > Doc.viewEnd)
            Doc.viewEnd = last;
        editSelect(start, last);
    } else {
        editSelect(minU(start, after), DOC_NONE);
    }
    if (after && Doc.viewEnd != DOC_NONE && Doc.viewEnd > after - 1)
        Doc.viewEnd = after - 1;
    o->selectionChanged = 1;
}

static void redraw(uint32_t flags, int kindTool, const Outcome &o)
{
    if ((flags & (XFM_GENERATE | XFM_UNDO_TO_VIEW_END | XFM_UNDO_TO_LENGTH)) || o.selectionChanged)
        editViewModified();
    else if (!kindTool || (flags & XFM_OWN_RANGE))
        editInvalidate(o.first, o.last);
    editStatus();
}

void RunTransformCommand(int id, int repeating)
{
    int row = id - IDM_XFM_FIRST;
    if (row < 0 || row >= XfmHost.count)
        return;
    TransformEntry *e = &XfmHost.rows[row];
    DWORD err = 0;
    HMODULE m = xfmLoad(e, &err);
    if (!m) {
        char text[MAX_PATH + 64];
        snprintf(text, sizeof text, "Error %d Loading Library \"%s\"\n", (int)err, e->file);
        osMessage(text, "Error", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return;
    }
    uint32_t kind = e->info.flags;
    int isTool = !(kind & (XFM_TRANSFORM | XFM_GENERATE)) && (kind & XFM_TOOL);
    int isGen = !(kind & XFM_TRANSFORM) && (kind & XFM_GENERATE);
    XfmInitFn init = entryPoint<XfmInitFn>(m, "XfmInit");
    XfmDestroyFn destroy = entryPoint<XfmDestroyFn>(m, "XfmDestroy");

    XfmContext ctx;
    memset(&ctx, 0, sizeof ctx);
    FillXfmContext(e, &ctx, 0);
    if (!e->data) {
        e->data = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, e->info.dataSize ? e->info.dataSize : 1);
        if (!e->data) {
            FreeLibrary(m);
            return;
        }
        ctx.data = e->data;
        if (init) {
            init(&ctx);
            LoadXfmProfile(e);
        }
    }
    ctx.data = e->data;

    /* The range: the selection, else (not for a generator) the visible part of the wave. */
    uint32_t frames = docFrames();
    uint32_t start, end;
    if (docHasSelection()) {
        start = Doc.selStart;
        end = Doc.selEnd;
    } else if (!(kind & XFM_GENERATE) && frames > 0) {
        start = minU(Doc.viewStart, frames - 1);
        end = minU(Doc.viewEnd, frames - 1);
        if (end < start)
            end = start;
        if (start != Doc.selStart || end != Doc.selEnd)
            editSelect(start, end);
    } else {
        start = minU(Doc.selStart, frames);
        end = start - 1;   /* nothing selected: a generator inserts at the caret */
    }
    ctx.start = start;
    ctx.end = end;

    XfmSetupFn setup = entryPoint<XfmSetupFn>(m, "XfmSetup");
    XfmDoFn work = entryPoint<XfmDoFn>(m, "XfmDo");
    if (!setup) {
        osMessage("Could not get XfmSetup from DLL", "Hey", OS_MB_OK | OS_MB_ICONINFORMATION);
        FreeLibrary(m);
        return;
    }
    BackupXfmData(row);
    if (scriptRunning() && !isTool) {
        if (destroy)
            destroy(&ctx);
        if (init)
            init(&ctx);
        ReadXfmScript(e);
    }
    if (!isTool) {
        ctx.scriptHandle = XfmHost.script.runHandle ? XfmHost.script.runHandle() : 0xFFFF;
        ctx.scriptShowDialogs = XfmHost.script.showDialogs ? XfmHost.script.showDialogs() : 0;
    }
    if ((kind & XFM_GENERATE) && !haveWave()) {
        if (docNew() != 0 || !haveWave()) {
            DiscardXfmBackup();
            FreeLibrary(m);
            return;
        }
        ctx.start = 0;
        ctx.end = DOC_NONE;
    }
    ctx.channels = Wave.channels;
    ctx.bitsPerSample = Wave.bitsPerSample;
    ctx.blockAlign = Wave.blockAlign;
    ctx.sampleRate = Doc.sampleRate;
    ctx.viewStart = Doc.viewStart;
    ctx.viewEnd = Doc.viewEnd;
    xfmAdaptFormat(e, &ctx);

    short result = 1;
    if (!repeating) {
        result = setup(Frame.main, m, &ctx);
    } else if ((kind | ctx.extraFlags) & XFM_OWN_RANGE) {
        e->info.flags |= XFM_QUIET;
        result = setup(Frame.main, m, &ctx);
        e = &XfmHost.rows[row];
        e->info.flags &= ~XFM_QUIET;
    }
    if (result == XFM_SETUP_CANCEL) {
        RestoreXfmData();
        if (scriptRunning() && !isTool && XfmHost.script.abort)
            XfmHost.script.abort();
        FreeLibrary(m);
        return;
    }
    DiscardXfmBackup();
    if (result != XFM_SETUP_RUN) {
        FreeLibrary(m);
        return;
    }
    if (scriptRecording() && !isTool)
        RecordXfmScript(e);
    if (!isTool)
        lstrcpynA(Progress.label, e->info.label, sizeof Progress.label);

    uint32_t flags = kind | ctx.extraFlags;
    Outcome o = {0, ctx.start, ctx.end};
    if (isTool) {
        if ((ctx.start != start || ctx.end != end) && ctx.start <= ctx.end && ctx.start < docFrames()) {
            editSelect(ctx.start, minU(ctx.end, docFrames() - 1));
            o.selectionChanged = 1;
        }
    } else if (work && (haveWave() || isGen)) {
        if (isGen)
            runGenerator(id, e, &ctx, work, &o);
        else
            runTransform(id, e, &ctx, work, flags, &o);
        if (DocHook.analysisRefresh)
            DocHook.analysisRefresh();
        Doc.modified = 1;
    }
    Progress.label[0] = 0;
    redraw(flags, isTool, o);
    FreeLibrary(m);
}

void SaveAllTransformSettings(void)
{
    for (int i = 0; i < XfmHost.count; i++) {
        TransformEntry *e = &XfmHost.rows[i];
        if (!e->data)
            continue;
        HMODULE m = xfmLoad(e, NULL);
        if (m) {
            XfmContext ctx;
            memset(&ctx, 0, sizeof ctx);
            FillXfmContext(e, &ctx, 1);
            ctx.start = Doc.selStart;
            ctx.end = Doc.selEnd;
            ctx.data = e->data;
            SaveXfmProfile(e);
            XfmDestroyFn destroy = entryPoint<XfmDestroyFn>(m, "XfmDestroy");
            if (destroy)
                destroy(&ctx);
            FreeLibrary(m);
        }
        GlobalFree(e->data);
        e->data = 0;
    }
}

void xfmStartup(const char *programDir)
{
    lstrcpynA(XfmHost.dir, programDir ? programDir : ".", sizeof XfmHost.dir);
    XfmHost.backupRow = -1;
    HDC dc = GetDC(NULL);
    short depth = (short)(dc ? GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) : 0);
    if (dc)
        ReleaseDC(NULL, dc);
    ScanTransforms(depth);
}

void xfmShutdown(void)
{
    for (short h = 1; h < XFM_SLOTS; h++)
        CloseXfm(h);
    DiscardXfmBackup();
    SaveAllTransformSettings();
    FreeTransformRegistry();
}
