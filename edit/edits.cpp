/*
 * edits.cpp - Copy, Cut, Paste, Delete Selection, Trim, Select Entire Wave, Zero Cross
 * Adjust, the edit channel commands, Undo, and the copy-to-clipboard routine.
 *
 * Global state: Edit.  Writes Doc (selection, view, modified, undo fields through undo.cpp)
 * and the store.  Every command leaves the document unchanged when it stops before its work
 * (undo refused, no clipboard memory, nothing to paste).
 */
#include "edit/edits.h"
#include "edit/clipboard.h"
#include "edit/clipwave.h"
#include "edit/editview.h"
#include "edit/paste.h"
#include "edit/undo.h"
#include "edit/xforms.h"
#include "formats/filter.h"
#include "core/document.h"
#include "store/blockfile.h"
#include "store/tempfile.h"
#include "store/voc.h"

#include <stdio.h>
#include <string.h>

EditState Edit = {1, 1, 0, 0, 0, 0, "", 0, {NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL}};

static void storeSelect(uint32_t first, uint32_t last) { editSelect(first, last); }

/* A paste, an open or a save pumps messages behind its progress meter; a command that
   changed the samples under it would corrupt its work. */
static int busy(void) { return Edit.pasting || (Edit.hook.busy && Edit.hook.busy()); }

void editSetup(int undoLevels, int undoEnabled, int pasteHilite, int smooth8)
{
    undoSetLevels(undoLevels);
    undoSetEnabled(undoEnabled);
    Edit.pasteHilite = pasteHilite;
    Edit.smooth8 = smooth8;
    TempHook.select = storeSelect;
    DocHook.clearUndo = undoClear;
}

/* While an edit's meter is up the store's own reports are off: each covers one write call,
   so the bar would jump to its end with the first piece and stay there; the edits report
   the whole operation through Edit.hook.step instead. */
static int (*storeProgress)(uint32_t, uint32_t);
static int meterDepth;

void editMeterOpen(const char *caption)
{
    if (Edit.hook.progressOpen)
        Edit.hook.progressOpen(caption);
    if (meterDepth++ == 0) {
        storeProgress = VocHook.progress;
        VocHook.progress = NULL;
    }
}

void editMeterClose(void)
{
    if (meterDepth > 0 && --meterDepth == 0)
        VocHook.progress = storeProgress;
    if (Edit.hook.progressClose)
        Edit.hook.progressClose();
}

static int haveWave(void) { return BF.table != NULL && Wave.blockAlign != 0; }

/* The caret after frame f's removal or an edit that ends at f. */
static uint32_t caretBefore(uint32_t start) { return start == 0 ? DOC_NONE : start - 1; }

/* When the view ends past the data, move it back by the overshoot (its start not below 0). */
static void slideView(void)
{
    uint32_t n = docFrames();
    uint32_t last = n ? n - 1 : 0;
    if (Doc.viewEnd != DOC_NONE && Doc.viewEnd > last) {
        uint32_t d = Doc.viewEnd - last;
        Doc.viewEnd = last;
        Doc.viewStart = Doc.viewStart > d ? Doc.viewStart - d : 0;
    }
}

static int maskOf(int editChannel) { return editChannel == 1 ? 1 : editChannel == 2 ? 2 : 3; }

int clipCopy(int command, int mask)
{
    uint32_t first, last;
    if (!haveWave() || !docSelectionOrView(1, &first, &last))
        return 1;
    int one = Wave.channels == 2 && mask != 3;
    uint32_t ba = Wave.blockAlign;
    uint64_t bytes64 = ((uint64_t)last - first + 1) * ba / (one ? 2 : 1);
    if (bytes64 > 0xFFFFFFFFu - CLIP_HEADER) {
        osMessage("Not enough memory for clipboard", "Sorry", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    uint32_t bytes = (uint32_t)bytes64;
    uint8_t *block = clipBegin(bytes + CLIP_HEADER);
    if (!block) {
        osMessage("Not enough memory for clipboard", "Sorry", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    clipWaveHeader(block, bytes, Doc.sampleRate, one);
    if (!one) {
        vocRead(block + CLIP_HEADER, (int32_t)((uint64_t)first * ba), bytes);
    } else {
        /* The one-channel calls read the channel Wave.editChannel names. */
        int saved = Wave.editChannel;
        Wave.editChannel = mask;
        int32_t at = (int32_t)((uint64_t)first * (ba / 2));
        if (command == IDM_CUT)
            vocReadSingleClear(block + CLIP_HEADER, at, bytes);
        else
            vocReadSingle(block + CLIP_HEADER, at, bytes);
        Wave.editChannel = saved;
    }
    clipCommit();
    if (command == IDM_CUT && !one) {
        /* The highlight comes off the screen before its frames go (nothing would take it
           away afterwards).  A store that cannot move the samples (a full disk) has said so
           and changed nothing: the copy stands, the cut did not happen. */
        uint32_t selStart = Doc.selStart, selEnd = Doc.selEnd;
        editSelect(first, DOC_NONE);
        if (vocCut((int32_t)((uint64_t)first * ba), (uint32_t)(((uint64_t)last - first + 1) * ba)) != 0)
        {
            editSelect(selStart, selEnd);
            return 1;
        }
        slideView();
        Doc.selectionShown = 0;
    }
    return 0;
}

void editCopy(void)
{
    clipCopy(IDM_COPY, maskOf(Wave.channels == 2 ? Wave.editChannel : 0));
    editViewModified();
}

void editCut(void)
{
    if (busy())
        return;
    uint32_t first, last;
    if (!haveWave() || !docSelectionOrView(1, &first, &last))
        return;
    int one = Wave.channels == 2 && (Wave.editChannel == 1 || Wave.editChannel == 2);
    uint16_t kind = one ? UNDO_ONECHANNELCUT : IDM_CUT;
    if (!undoBegin(kind, first, last, "Undo Cut"))
        return;
    if (clipCopy(IDM_CUT, maskOf(one ? Wave.editChannel : 0)) != 0) {
        /* Nothing was cut: the copy just taken has nothing to undo. */
        if (Doc.undoAvailable > 0)
            undoPop();
        return;
    }
    Doc.selStart = first;
    Doc.selEnd = caretBefore(first);
    Doc.selectionShown = 0;
    Doc.modified = 1;
    editStatus();
    editViewModified();
}

/* ---- paste ---- */

struct PasteParams {
    double left, right;      /* volumes */
    int    overlap;          /* mix over what is there instead of inserting */
    int    loops;            /* repetitions */
    int    mode;             /* 0 add, 1 Modulate, 2 Convolute */
    const char *file;        /* source file instead of the clipboard; NULL none */
};

PasteSpecialParams PasteSpecial = {1.0, 1.0, 3.0, 1, 0, 0, 0, 0, ""};

/* A source file through the filters, as a clipboard wave whose samples come from FilterIn.
   Returns 0 open (w filled), 1 no filter reads it (said so). */
static int clipFromFile(const char *name, ClipWave *w)
{
    memset(w, 0, sizeof *w);
    FltRaw def;
    memset(&def, 0, sizeof def);
    def.rate = Doc.sampleRate ? Doc.sampleRate : 44100;
    def.bits = Wave.bitsPerSample ? Wave.bitsPerSample : 16;
    def.channels = Wave.channels ? Wave.channels : 2;
    int index = filterOpenAny(name, -1, Edit.hook.owner, &def);
    if (index == FILTER_GAVEUP)
        return 1;
    if (index < 0) {
        osMessage(name, "Invalid file or format", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    clipWaveFromFilter(w);
    if (clipWaveRefuse(w, "file")) {
        filterCloseInput();
        w->fromFilter = 0;
        return 1;
    }
    return 0;
}

static int pasteCancelled(void) { return Edit.hook.cancelled ? Edit.hook.cancelled() : 0; }

/* A waveform for a paste into nothing: the source's format, named "Untitled". */
static DocFormat newFormat;
static int newFormatDialog(DocFormat *f) { *f = newFormat; return 0; }

static int newWaveFor(const ClipFormat *f)
{
    DocHooks saved = DocHook;
    newFormat.sampleRate = f->sampleRate;
    newFormat.bitsPerSample = f->bitsPerSample;
    newFormat.channels = f->channels;
    DocHook.newDialog = newFormatDialog;
    DocHook.noDialogs = NULL;
    DocHook.writeRecent = NULL;   /* the clip's format is not the user's choice for New */
    int r = docNew();
    DocHook.newDialog = saved.newDialog;
    DocHook.noDialogs = saved.noDialogs;
    DocHook.writeRecent = saved.writeRecent;
    return r;
}

static int reopenClipInput(void)
{
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", FilterIn.source);
    return filterOpenInput(FilterIn.index, name, Edit.hook.owner, NULL, 0) == FILTER_OPENED ? 0 : 1;
}

/* Steps 5 to 7 of Paste: returns the frames pasted at start. */
static uint32_t pasteClip(const PasteParams *p, int special, long lParam, uint16_t kind)
{
    snprintf(Edit.caption, sizeof Edit.caption, "%s%s%s", special && p->overlap ? "Overlap " : "",
             special && p->loops > 1 ? "Loop " : "", lParam == EDIT_OPENLPARAM ? "Opening " : "Pasting ");
    if (Edit.hook.waitCursor)
        Edit.hook.waitCursor(1);
    Edit.pasting = 1;
    editMeterOpen(Edit.caption);

    uint32_t pasted = 0;
    Edit.pasteBlank = 0;
    Edit.pasteReplaced = 0;
    ClipWave w;
    int got = p->file ? clipFromFile(p->file, &w) : clipWaveGet(&w, Edit.hook.owner);
    if (got == 0 && w.dataBytes > 0) {
        if (!haveWave())
            newWaveFor(&w.format);
        if (haveWave()) {
            PasteRequest r;
            memset(&r, 0, sizeof r);
            r.mem = w.fromFilter ? NULL : w.block + w.dataOffset;
            r.reopen = reopenClipInput;
            r.rate = w.format.sampleRate;
            r.bits = w.format.bitsPerSample;
            r.channels = w.format.channels;
            r.blockAlign = w.format.blockAlign;
            r.bytes = w.dataBytes;
            r.waveRate = Doc.sampleRate;
            r.leftVolume = p->left;
            r.rightVolume = p->right;
            r.existing = p->overlap ? 1.0 : 0.0;
            r.mode = p->mode == 1 ? PASTE_MODULATE : p->mode == 2 ? PASTE_CONVOLUTE : PASTE_ADD;
            r.repetitions = (int16_t)(p->loops > 0 ? (p->loops < 32767 ? p->loops : 32767) : 1);
            r.smooth = Edit.smooth8;
            r.cancelled = pasteCancelled;
            r.progress = Edit.hook.step;

            uint32_t ba = Wave.blockAlign;
            uint64_t frames = (uint64_t)pasteFrames(&r) * r.repetitions;
            uint32_t start = Doc.selStart;
            uint32_t have = docFrames();
            if (start > have)
                start = have;
            /* The frames an inserting paste replaces.  They are cut only once the new frames
               are in: a paste that fails (no room, no memory, a source that delivers
               nothing) leaves them where they were. */
            uint32_t replaced = 0;
            if (!p->overlap && docHasSelection() && start < have)
                replaced = (Doc.selEnd < have ? Doc.selEnd : have - 1) - start + 1;
            uint64_t room = BLOCKMAXSIZE - (Wave.dataLength < BLOCKMAXSIZE ? Wave.dataLength : BLOCKMAXSIZE);
            int go = frames > 0;
            if (go && frames * ba > room) {
                osMessage(p->file ? "The file is too long to paste into this waveform."
                                  : "The clipboard's wave is too long to paste into this waveform.", "Paste Error",
                          OS_MB_OK | OS_MB_ICONEXCLAMATION);
                go = 0;
            }
            uint64_t at = (uint64_t)start + replaced;   /* where the new frames are written */
            if (go && !p->overlap) {
                uint32_t before = Wave.dataLength;
                go = vocInsertBlank((int32_t)(at * ba), (uint32_t)(frames * ba)) == 0
                  && Wave.dataLength == before + frames * ba;
                if (!go && Wave.dataLength > before)
                    /* A short insertion: the room that did open goes again. */
                    vocCut((int32_t)(at * ba), Wave.dataLength - before);
            } else if (go) {
                go = undoSaveOrAsk(start, (uint32_t)(start + frames - 1));
                Edit.pastePushed += go && UndoStack.pendingSaved > 0;
            }
            if (go) {
                r.startFrame = (uint32_t)at;
                uint64_t bytes = pasteCopies(&r);
                pasted = (uint32_t)(bytes / ba);
                if (!p->overlap && pasted < frames) {
                    /* Cancelled or a short source: the blank room left over goes again.  When
                       even that fails (no memory), it stays, and Undo takes it out. */
                    uint32_t len = Wave.dataLength;
                    vocCut((int32_t)((at + pasted) * ba), (uint32_t)((frames - pasted) * ba));
                    if (Wave.dataLength == len)
                        Edit.pasteBlank = (uint32_t)frames - pasted;
                }
                uint32_t first = (uint32_t)at;
                if (pasted > 0 && replaced > 0) {
                    uint32_t len = Wave.dataLength;
                    vocCut((int32_t)((uint64_t)start * ba), (uint32_t)((uint64_t)replaced * ba));
                    Edit.pasteReplaced = Wave.dataLength < len;
                    if (Edit.pasteReplaced)
                        first = start;
                }
                uint32_t span = pasted + Edit.pasteBlank;
                uint32_t n = docFrames();
                if (Doc.viewEnd == DOC_NONE)
                    Doc.viewEnd = 0;
                uint64_t ve = (uint64_t)Doc.viewEnd + span;
                Doc.viewEnd = n == 0 ? 0 : ve > n - 1 ? n - 1 : (uint32_t)ve;
                if (span > 0) {
                    Doc.selStart = first;
                    Doc.selEnd = first + span - 1;
                }
            }
        }
    }
    if (got == 0)
        clipWaveFree(&w);
    editMeterClose();
    Edit.pasting = 0;
    if (Edit.hook.waitCursor)
        Edit.hook.waitCursor(0);
    (void)kind;
    return pasted;
}

static uint32_t pasteWith(const PasteParams &p, int one, long lParam, uint16_t kind);

uint32_t editPaste(long lParam)
{
    if (busy())
        return 0;
    if (!haveWave())
        Wave.editChannel = 0;
    int one = haveWave() && Wave.channels == 2 && (Wave.editChannel == 1 || Wave.editChannel == 2);
    PasteParams p = {1.0, 1.0, 0, 1, 0, NULL};
    if (one) {
        /* Paste into one channel is a paste special mixing into that channel only. */
        p.left = Wave.editChannel == 1 ? 1.0 : 0.0;
        p.right = Wave.editChannel == 2 ? 1.0 : 0.0;
        p.overlap = 1;
    }
    return pasteWith(p, one, lParam, one ? IDM_PASTESPECIAL : IDM_PASTE);
}

uint32_t editPasteSpecial(const PasteSpecialParams *sp, long lParam)
{
    if (busy())
        return 0;
    if (!haveWave())
        Wave.editChannel = 0;
    PasteParams p;
    p.left = sp->left;
    p.right = sp->right;
    p.mode = sp->modulate >= 0 && sp->modulate <= 2 ? sp->modulate : 0;
    p.overlap = sp->overlap || p.mode != 0;
    double loops = sp->loops >= 1.0 && sp->loops < 32767.0 ? sp->loops : 1.0;
    p.loops = sp->loop ? (int)loops : 1;
    p.file = sp->fromFile && sp->file[0] ? sp->file : NULL;
    if (sp->fromFile && !p.file)
        return 0;
    return pasteWith(p, 1, lParam, IDM_PASTESPECIAL);
}

static uint32_t pasteWith(const PasteParams &p, int one, long lParam, uint16_t kind)
{
    int hadSelection = docHasSelection();
    UndoStack.pendingSaved = 0;
    Edit.pastePushed = 0;
    if (!p.overlap) {
        if (hadSelection) {
            if (!undoSaveOrAsk(Doc.selStart, Doc.selEnd))
                return 0;
            Edit.pastePushed = UndoStack.pendingSaved > 0;
        } else {
            int r = undoSave(0, DOC_NONE);   /* nothing to save: undo only removes the paste */
            Doc.undoAvailable = (int16_t)r;
        }
    }
    uint32_t saved = UndoStack.pendingSaved;
    uint32_t start = Doc.selStart;
    uint32_t pasted = pasteClip(&p, one, lParam, kind);
    uint32_t span = pasted + Edit.pasteBlank;   /* frames the paste left in the wave */
    if (span == 0) {
        /* Nothing changed: a copy taken for this paste has nothing to undo. */
        for (; Edit.pastePushed > 0; Edit.pastePushed--)
            undoPop();
        if (UndoStack.top >= 0) {
            Doc.undoAvailable = 1;
            snprintf(Doc.undoText, sizeof Doc.undoText, "%s", UndoStack.entry[UndoStack.top].description);
        } else {
            snprintf(Doc.undoText, sizeof Doc.undoText, "Can't Undo");
        }
        editViewModified();
        return 0;
    }
    if (!p.overlap && hadSelection && !Edit.pasteReplaced) {
        /* The selection could not be taken out (or nothing was pasted over it): it stays,
           and Undo only takes out what the paste left behind it. */
        for (; Edit.pastePushed > 0; Edit.pastePushed--)
            undoPop();
        saved = 0;
        if (UndoStack.enabled && Doc.undoAvailable == 0)
            Doc.undoAvailable = 1;
    }
    start = Doc.selStart;
    uint32_t undoEnd = start + span - 1;
    if (p.overlap) {
        saved = UndoStack.pendingSaved;
        /* A mix stopped part way saved more frames than it wrote: Undo must take out all
           the frames it puts back, or the wave would grow by the difference. */
        uint32_t savedFrames = saved / (Wave.blockAlign ? Wave.blockAlign : 1);
        if (savedFrames > pasted)
            undoEnd = start + savedFrames - 1;
    }
    Doc.undoKind = kind;
    if (Doc.undoAvailable > 0)
        undoRecord(kind, start, undoEnd, saved, "Undo Paste");
    if (!Edit.pasteHilite) {
        /* The caret goes just past the pasted frames, so the next paste follows this one. */
        Doc.selStart = start + pasted;
        Doc.selEnd = caretBefore(Doc.selStart);
        Doc.selectionShown = 0;
    } else {
        Doc.selectionShown = 0xFFFF;
    }
    Doc.modified = 1;
    editStatus();
    editViewModified();
    if (Doc.selectionShown)
        editSelect(Doc.selStart, Doc.selEnd);
    if (Edit.hook.analysisRefresh)
        Edit.hook.analysisRefresh();
    return pasted;
}

/* ---- delete, trim, silence ---- */

void editSilence(void)
{
    if (busy())
        return;
    uint32_t first, last;
    if (!haveWave() || !docSelectionOrView(0, &first, &last))
        return;
    if (!UndoStack.enabled && !(DocHook.noDialogs && DocHook.noDialogs()) &&
        osMessage("Are you sure you want to silence the selection?", "Please Confirm",
                  OS_MB_OKCANCEL | OS_MB_ICONQUESTION) != OS_IDOK)
        return;
    if (!undoBegin(IDM_SILENCE, first, last, "Undo Silence"))
        return;
    uint32_t ba = Wave.blockAlign;
    int one = Wave.channels == 2 && (Wave.editChannel == 1 || Wave.editChannel == 2);
    uint8_t *buf = tempTransfer();
    if (!buf)
        return;
    uint64_t at = (uint64_t)first * ba, end = ((uint64_t)last + 1) * ba;
    if (end > Wave.dataLength)
        end = Wave.dataLength;
    uint32_t bytesPerSample = Wave.bitsPerSample / 8;
    while (at < end) {
        uint32_t n = end - at < UNDO_PIECE ? (uint32_t)(end - at) : UNDO_PIECE;
        vocRead(buf, (int32_t)at, n);
        for (uint32_t i = 0; i < n; i += bytesPerSample) {
            uint32_t ch = (uint32_t)((at + i) % ba) / bytesPerSample;
            if (one && (int)ch != Wave.editChannel - 1)
                continue;
            if (bytesPerSample == 1)
                buf[i] = 128;
            else
                buf[i] = buf[i + 1] = 0;
        }
        vocWriteAt(buf, (int32_t)at, n);
        at += n;
    }
    Doc.modified = 1;
    editInvalidate(first, last);
}

void editDelete(int focusOnMain)
{
    if (busy())
        return;
    if (!focusOnMain || !Doc.selectionShown || !haveWave() || !docHasSelection())
        return;
    if (Wave.channels == 2 && (Wave.editChannel == 1 || Wave.editChannel == 2)) {
        editSilence();
        return;
    }
    uint32_t first = Doc.selStart, last = Doc.selEnd;
    if (!undoBegin(IDM_DELETE, first, last, "Undo Delete"))
        return;
    /* The highlight comes off the screen before its frames go: the columns it covered are
       redrawn with what follows them, and nothing would take it away afterwards. */
    editSelect(first, DOC_NONE);
    uint32_t ba = Wave.blockAlign;
    if (vocCut((int32_t)((uint64_t)first * ba), (uint32_t)(((uint64_t)last - first + 1) * ba)) != 0) {
        /* Nothing was deleted (the store has said why): an entry would put the frames in twice. */
        if (Doc.undoAvailable > 0)
            undoPop();
        editSelect(first, last);
        return;
    }
    slideView();
    Doc.modified = 1;
    Doc.selectionShown = 0;
    Doc.selEnd = caretBefore(first);
    editStatus();
    editViewModified();
}

void editTrim(void)
{
    if (busy())
        return;
    if (!Doc.selectionShown || !haveWave() || !docHasSelection())
        return;
    uint32_t frames = docFrames();
    if (frames == 0)
        return;
    if (!undoBegin(IDM_TRIM, 0, frames - 1, "Undo Trim"))
        return;
    uint32_t ba = Wave.blockAlign;
    uint32_t first = Doc.selStart, last = Doc.selEnd < frames ? Doc.selEnd : frames - 1;
    if (last + 1 < frames &&
        vocCut((int32_t)((uint64_t)(last + 1) * ba), (uint32_t)((uint64_t)(frames - last - 1) * ba)) != 0) {
        if (Doc.undoAvailable > 0)
            undoPop();   /* nothing was cut */
        return;
    }
    /* Should the head fail to go, the entry still brings the whole wave back. */
    if (first > 0)
        vocCut(0, (uint32_t)((uint64_t)first * ba));
    slideView();
    Doc.selStart = 0;
    Doc.selEnd = DOC_NONE;
    Doc.selectionShown = 0;
    Doc.modified = 1;
    editStatus();
    editViewModified();
}

void editSelectAll(int transportEnabled)
{
    if (!transportEnabled || !haveWave() || Wave.dataLength == 0)
        return;
    editSelect(0, docFrames() - 1);
}

void editUndo(void)
{
    if (busy())
        return;
    if (undoPerform() == 0) {
        Doc.selectionShown = docHasSelection() ? 0xFFFF : 0;
        if (Doc.selectionShown)
            editSelect(Doc.selStart, Doc.selEnd);
    }
}

int editWrapped(int id, const char *description, const char *caption,
                void (*work)(uint32_t first, uint32_t last), int redrawSelectionOnly)
{
    if (busy() || !haveWave())
        return 0;
    uint32_t frames = docFrames();
    if (id == IDM_BYTESWAP && !docHasSelection() && frames > 0) {
        Doc.selStart = 0;
        Doc.selEnd = frames - 1;
    }
    if (!docHasSelection())
        return 0;
    editMeterOpen(caption ? caption : "");
    char text[UNDO_DESCMAX];
    uint32_t start = Doc.selStart, end = Doc.selEnd;
    if (id == IDM_BYTESWAP) {
        /* Byte swapping is its own inverse: no copy is needed. */
        Doc.undoAvailable = UndoStack.enabled ? 1 : -1;
        UndoStack.pendingSaved = 0;
        snprintf(text, sizeof text, "Undo Byte Swap");
    } else {
        if (id == IDM_MUSIC)
            end = frames - 1;
        /* Music too keeps what its save gave: an entry without its copy would make Undo
           cut the range and put nothing back. */
        int r = undoSave(start, end);
        if (r == 0) {
            if (osMessage("Not enough memory for Undo.  Continue anyways?", "Warning",
                          OS_MB_YESNO | OS_MB_ICONEXCLAMATION) != OS_IDYES) {
                editMeterClose();
                return 0;
            }
            undoClear();   /* as in undoSaveOrAsk */
        }
        Doc.undoAvailable = (int16_t)r;
        snprintf(text, sizeof text, "Undo %s", description ? description : "");
    }
    Doc.undoKind = (uint16_t)id;
    Edit.workDone = DOC_NONE;
    if (work)
        work(Doc.selStart, Doc.selEnd);
    /* Music changes the length: Undo takes out everything from the start to the new end. */
    if (id == IDM_MUSIC && docFrames() > 0)
        end = docFrames() - 1;
    int record = Doc.undoAvailable > 0;
    if (id == IDM_BYTESWAP && Edit.workDone != DOC_NONE) {
        /* Undo swaps the recorded range again: after a cancel that must be only the part
           that was swapped, or Undo would swap the untouched rest. */
        if (Edit.workDone == 0)
            record = 0;
        else if (Edit.workDone - 1 < end - start)
            end = start + Edit.workDone - 1;
    }
    if (record)
        undoRecord((uint16_t)id, start, end, UndoStack.pendingSaved, text);
    else if (Doc.undoAvailable > 0 && UndoStack.top >= 0)
        snprintf(Doc.undoText, sizeof Doc.undoText, "%s", UndoStack.entry[UndoStack.top].description);
    else if (Doc.undoAvailable > 0) {
        Doc.undoAvailable = 0;   /* nothing was swapped and nothing is left to undo */
        snprintf(Doc.undoText, sizeof Doc.undoText, "Can't Undo");
    }
    else
        snprintf(Doc.undoText, sizeof Doc.undoText, "%s", text);
    editMeterClose();
    Doc.modified = 1;
    if (Doc.selectionShown) {
        editSelect(Doc.selStart, Doc.selEnd);
        if (redrawSelectionOnly)
            editInvalidate(Doc.selStart, Doc.selEnd);
        else
            editViewModified();
    } else if (id == IDM_BYTESWAP) {
        editViewModified();
        editSelect(Doc.viewStart, Doc.viewEnd == DOC_NONE ? Doc.viewStart : Doc.viewEnd);
    } else {
        editInvalidate(Doc.selStart, Doc.selEnd);
    }
    return 1;
}

void editSaveUndoWhole(const char *label)
{
    uint32_t frames = docFrames();
    if (!haveWave() || frames == 0)
        return;
    int r = undoSave(0, frames - 1);
    Doc.undoAvailable = (int16_t)r;
    Doc.undoKind = IDM_CONVERT;
    if (r > 0)
        undoRecord(IDM_CONVERT, 0, frames - 1, UndoStack.pendingSaved, label);
}

/* ---- zero crossings ---- */

static uint32_t windowFrames(void)
{
    uint32_t w = 8000u / (Wave.blockAlign ? Wave.blockAlign : 1);
    return w > 1 ? w : 1;
}

uint32_t editZeroStartBoth(uint32_t p)
{
    uint32_t frames = docFrames();
    uint32_t from = p;
    /* A crossing common to both channels; the search walks on from each left crossing, and
       jumps a window when there is none in it, so it ends at the data's end. */
    while (p + 1 < frames) {
        uint32_t a = vocZeroCross(p + 1, 1, 1);
        if (a == p + 1) {
            p += windowFrames() - 1 > 0 ? windowFrames() - 1 : 1;
            continue;
        }
        uint32_t b = vocZeroCross(a - 1, 1, 2);
        uint32_t d = a > b ? a - b : b - a;
        if (d < 3)
            return (a + b) / 2 < frames ? (a + b) / 2 : from;
        p = a;
    }
    return from;   /* none before the end: the start stays where it was */
}

uint32_t editZeroEndBoth(uint32_t q, uint32_t newStart)
{
    while (q > newStart + 1) {
        uint32_t a = vocZeroCross(q - 1, -1, 1);
        if (a == q - 1) {
            uint32_t step = windowFrames() - 1 > 0 ? windowFrames() - 1 : 1;
            q = q > step ? q - step : 0;
            continue;
        }
        if (a < newStart)
            break;
        uint32_t b = vocZeroCross(a + 1, -1, 2);
        if (b < newStart)
            break;
        uint32_t d = a > b ? a - b : b - a;
        if (d < 3)
            return (a + b) / 2;
        q = a;
    }
    return DOC_NONE;
}

static void caretAt(uint32_t f)
{
    Doc.selStart = f;
    Doc.selEnd = caretBefore(f);
    Doc.selectionShown = 0;
    editSelect(f, Doc.selEnd);
}

void editZeroCross(void)
{
    if (!haveWave() || Wave.dataLength == 0)
        return;
    uint32_t frames = docFrames();
    int has = docHasSelection();
    uint32_t selEnd = Doc.selEnd;
    if (Wave.channels == 1 || Wave.editChannel == 1 || Wave.editChannel == 2) {
        int c = Wave.channels == 1 ? 1 : Wave.editChannel;
        uint32_t s = Doc.selStart + 1 < frames ? vocZeroCross(Doc.selStart + 1, 1, c) : Doc.selStart;
        if (s >= frames)
            s = Doc.selStart;
        uint32_t e = has ? vocZeroCross(selEnd, -1, c) : 0;
        if (has && e > s)
            editSelect(s, e);
        else
            caretAt(s);
        return;
    }
    uint32_t s = editZeroStartBoth(Doc.selStart);
    uint32_t e = has ? editZeroEndBoth(selEnd, s) : DOC_NONE;
    if (e != DOC_NONE && e > s)
        editSelect(s, e);
    else
        caretAt(s);
}

/* ---- edit channel ---- */

void editChannelCommand(int id)
{
    int ec = Wave.editChannel;
    switch (id) {
    case IDM_EDITLEFT:      ec = 2 - ec; break;
    case IDM_EDITRIGHT:     ec = ec == 2 ? 2 : 1 - ec; break;
    case IDM_EDITBOTH:      ec = 0; break;
    case IDM_EDITLEFTONLY:  ec = 1; break;
    case IDM_EDITRIGHTONLY: ec = 2; break;
    default: return;
    }
    editSetChannel(ec);
}

/* ---- the built-in transforms ---- */

/* Reverse (3080) and Invert (3100): the selection or the view, selected first so the result
   shows selected; the undo copy is taken when it can be, without a question. */
static void rangeTransform(uint16_t kind, const char *text, const char *caption,
                           int (*fn)(uint32_t, uint32_t, XformStep), XformStep step)
{
    if (busy() || !haveWave())
        return;
    uint32_t first, last;
    if (!docSelectionOrView(1, &first, &last))
        return;
    if (!docHasSelection() || first != Doc.selStart || last != Doc.selEnd || !Doc.selectionShown)
        editSelect(first, last);
    int r = undoSave(first, last);
    Doc.undoAvailable = (int16_t)r;
    Doc.undoKind = kind;
    editMeterOpen(caption);
    fn(first, last, step);
    editMeterClose();
    if (r > 0)
        undoRecord(kind, first, last, UndoStack.pendingSaved, text);
    else
        snprintf(Doc.undoText, sizeof Doc.undoText, "%s", text);
    Doc.modified = 1;
    editInvalidate(first, last);
    editStatus();
}

void editReverse(XformStep step) { rangeTransform(IDM_REVERSE, "Undo Reverse", "Reversing", xformReverse, step); }
static int invertRange(uint32_t first, uint32_t last, XformStep step) { return xformInvert(first, last, step); }
void editInvert(XformStep step) { rangeTransform(IDM_INVERT, "Undo Invert", "Inverting", invertRange, step); }

void editByteSwapWork(uint32_t first, uint32_t last)
{
    xformByteSwap(first, last, Edit.hook.step, &Edit.workDone);
}

void editAppended(uint32_t first)
{
    uint32_t n = docFrames();
    if (!haveWave() || n <= first)
        return;
    if (!UndoStack.enabled) {
        Doc.undoAvailable = -1;
        return;
    }
    /* Like a paste at the end without a selection: nothing to copy, Undo cuts them out. */
    Doc.undoAvailable = 1;
    UndoStack.pendingSaved = 0;
    undoRecord(IDM_PASTE, first, n - 1, 0, "Undo Paste");
}

/* Generate Silence (4100): seconds of silence inserted at the selection start and selected;
   undo takes them out again. */
void editGenerateSilence(double seconds)
{
    if (busy())
        return;
    if (!haveWave() && (docNew() != 0 || !haveWave()))
        return;
    uint32_t frames = xformSilenceFrames(seconds, Doc.sampleRate);
    uint32_t ba = Wave.blockAlign;
    if (frames == 0 || (uint64_t)frames * ba > BLOCKMAXSIZE - (Wave.dataLength < BLOCKMAXSIZE ? Wave.dataLength : BLOCKMAXSIZE))
        return;
    uint32_t have = docFrames();
    uint32_t start = Doc.selStart < have ? Doc.selStart : have;
    uint32_t before = Wave.dataLength;
    short bad = vocInsertBlank((int32_t)((uint64_t)start * ba), frames * ba);
    /* Undo takes out exactly the frames recorded: they must be the ones that opened. */
    uint32_t grown = Wave.dataLength > before ? Wave.dataLength - before : 0;
    if (bad || grown != frames * ba) {
        if (grown)
            vocCut((int32_t)((uint64_t)start * ba), grown);
        /* What could not be taken out again (no memory) stays as the silence inserted. */
        grown = Wave.dataLength > before ? Wave.dataLength - before : 0;
        if (grown < ba)
            return;
        frames = grown / ba;
    }
    if (UndoStack.enabled) {
        Doc.undoAvailable = 1;
        UndoStack.pendingSaved = 0;
        undoRecord(IDM_GENSILENCE, start, start + frames - 1, 0, "Undo Generate Silence");
    } else {
        Doc.undoAvailable = -1;
    }
    Doc.undoKind = IDM_GENSILENCE;
    Doc.modified = 1;
    uint32_t n = docFrames();
    if (Doc.viewEnd == DOC_NONE || Doc.viewEnd < start)
        Doc.viewEnd = n - 1;
    editViewModified();
    editSelect(start, start + frames - 1);
    editStatus();
}

