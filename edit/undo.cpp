/*
 * undo.cpp - the undo stack, the save-and-record steps every sample-changing command takes,
 * and Undo (102) with its restore rule per kind.
 *
 * Global state: UndoStack, CuesFrozen; writes Doc's undo fields and, during Undo, the
 * selection, the view end, the format and (through the store) the samples.
 * Invariants: see undo.h.  The files themselves are made and read by tempUndoSave and
 * tempUndoRestore; this file decides when they are made and when they go.
 */
#include "edit/convert.h"
#include "edit/undo.h"
#include "edit/xforms.h"
#include "edit/editview.h"
#include "core/document.h"
#include "store/tempfile.h"
#include "store/voc.h"

#include <stdio.h>
#include <string.h>

UndoStackState UndoStack = {NULL, 0, -1, 1, 0, 0, NULL};
UndoHooks UndoHook;
int CuesFrozen = 0;

#define NOUNDO_TEXT    "Not enough memory for Undo.  Continue anyway?"
#define NOUNDO_CAPTION "Warning"
#define CANTUNDO_TEXT  "Can't Undo"

static void setUndoText(const char *text)
{
    snprintf(Doc.undoText, sizeof Doc.undoText, "%s", text ? text : "");
}

static UndoCopy copyOf(const UndoRecord *r)
{
    UndoCopy c;
    memcpy(c.fileName, r->fileName, sizeof c.fileName);
    c.fileName[sizeof c.fileName - 1] = 0;
    c.savedLength = r->savedLength;
    return c;
}

static void dropCues(void **copy)
{
    if (*copy && UndoHook.cuesDrop)
        UndoHook.cuesDrop(*copy);
    *copy = NULL;
}

/* An entry goes: its file and its copy of the cues with it. */
static void deleteFile(UndoRecord *r)
{
    if (r->fileName[0] && r->savedLength) {
        UndoCopy c = copyOf(r);
        tempUndoDelete(&c);
    }
    dropCues(&r->cues);
}

/* Grows or shrinks the array to n records; 0 when the memory is not there. */
static int resize(int n)
{
    UndoRecord *a = (UndoRecord *)osAlloc(sizeof(UndoRecord) * (size_t)n);
    if (!a)
        return 0;
    memset(a, 0, sizeof(UndoRecord) * (size_t)n);
    int keep = UndoStack.top + 1 < n ? UndoStack.top + 1 : n;
    if (UndoStack.entry && keep > 0)
        memcpy(a, UndoStack.entry, sizeof(UndoRecord) * (size_t)keep);
    osFree(UndoStack.entry);
    UndoStack.entry = a;
    UndoStack.capacity = n;
    return 1;
}

int undoSetLevels(int levels)
{
    if (levels < 1)
        levels = 1;
    if (levels > UNDO_MAX_LEVELS)
        levels = UNDO_MAX_LEVELS;
    /* Fewer levels first drop the oldest entries, so that the newest survive the move. */
    while (UndoStack.top >= levels)
        undoDropOldest();
    for (int n = levels; n >= 1; n--)
        if (n == UndoStack.capacity || resize(n))
            return UndoStack.capacity;
    return UndoStack.capacity;
}

void undoSetEnabled(int on)
{
    UndoStack.enabled = on ? 1 : 0;
    if (!on) {
        undoClear();
        Doc.undoAvailable = -1;
    } else if (Doc.undoAvailable < 0) {
        Doc.undoAvailable = 0;
    }
}

static int ensureArray(void)
{
    if (UndoStack.entry)
        return 1;
    return resize(UndoStack.capacity > 0 ? UndoStack.capacity : UNDO_INITIAL);
}

void undoDropOldest(void)
{
    if (!UndoStack.entry || UndoStack.top < 0)
        return;
    deleteFile(&UndoStack.entry[0]);
    for (int i = 0; i < UndoStack.top; i++)
        UndoStack.entry[i] = UndoStack.entry[i + 1];
    memset(&UndoStack.entry[UndoStack.top], 0, sizeof(UndoRecord));
    UndoStack.top--;
}

void undoPush(void)
{
    if (!ensureArray())
        return;
    if (UndoStack.top + 1 >= UndoStack.capacity)
        undoDropOldest();
    UndoStack.top++;
    memset(&UndoStack.entry[UndoStack.top], 0, sizeof(UndoRecord));
}

void undoPop(void)
{
    if (!UndoStack.entry || UndoStack.top < 0)
        return;
    deleteFile(&UndoStack.entry[UndoStack.top]);
    memset(&UndoStack.entry[UndoStack.top], 0, sizeof(UndoRecord));
    UndoStack.top--;
    if (UndoStack.top < 0 && Doc.undoAvailable > 0)
        Doc.undoAvailable = 0;
}

void undoClear(void)
{
    if (UndoStack.entry)
        for (int i = 0; i <= UndoStack.top; i++) {
            deleteFile(&UndoStack.entry[i]);
            memset(&UndoStack.entry[i], 0, sizeof(UndoRecord));
        }
    UndoStack.top = -1;
    setUndoText(CANTUNDO_TEXT);
    if (Doc.undoAvailable > 0)
        Doc.undoAvailable = 0;
}

void undoFree(void)
{
    undoClear();
    osFree(UndoStack.entry);
    UndoStack.entry = NULL;
    UndoStack.capacity = 0;
}

int undoSave(uint32_t start, uint32_t end)
{
    UndoStack.pendingSaved = 0;
    dropCues(&UndoStack.pendingCues);
    if (!UndoStack.enabled) {
        undoClear();
        return -1;
    }
    if (UndoHook.cuesTake)
        UndoStack.pendingCues = UndoHook.cuesTake();
    UndoCopy c;
    int r = tempUndoSave(start, end, 1, &c);
    if (r == 1 && c.savedLength > 0) {
        if (!ensureArray()) {
            tempUndoDelete(&c);
            return 0;
        }
        undoPush();
        UndoRecord *e = &UndoStack.entry[UndoStack.top];
        memcpy(e->fileName, c.fileName, sizeof e->fileName);
        e->savedLength = c.savedLength;
        UndoStack.pendingSaved = c.savedLength;
    }
    return r;
}

int undoSaveOrAsk(uint32_t start, uint32_t end)
{
    int r = undoSave(start, end);
    if (r == 0) {
        if (osMessage(NOUNDO_TEXT, NOUNDO_CAPTION, OS_MB_YESNO | OS_MB_ICONEXCLAMATION) != OS_IDYES)
            return 0;
        /* The older entries describe a wave this edit is about to change without a copy:
           undoing them afterwards would put frames back in the wrong places. */
        undoClear();
    }
    Doc.undoAvailable = (int16_t)r;
    return 1;
}

void undoRecord(uint16_t kind, uint32_t start, uint32_t end, uint32_t saved, const char *description)
{
    if (saved == 0)
        undoPush();
    if (!UndoStack.entry || UndoStack.top < 0)
        return;
    UndoRecord *e = &UndoStack.entry[UndoStack.top];
    snprintf(e->description, sizeof e->description, "%s", description ? description : "");
    e->start = start;
    e->end = end;
    e->kind = kind;
    e->savedLength = saved;
    if (saved == 0)
        e->fileName[0] = 0;
    e->sampleRate = Doc.sampleRate;
    e->bitsPerSample = Wave.bitsPerSample;
    e->channels = Wave.channels;
    e->editChannel = (uint16_t)Wave.editChannel;
    if (UndoStack.pendingCues) {
        dropCues(&e->cues);
        e->cues = UndoStack.pendingCues;
        UndoStack.pendingCues = NULL;
    }
    Doc.undoKind = kind;
    UndoStack.recorded++;
    setUndoText(e->description);
}

int undoBegin(uint16_t kind, uint32_t start, uint32_t end, const char *description)
{
    if (!undoSaveOrAsk(start, end))
        return 0;
    Doc.undoKind = kind;
    setUndoText(description);
    if (Doc.undoAvailable > 0)
        undoRecord(kind, start, end, UndoStack.pendingSaved, description);
    return 1;
}

void undoByteSwap(uint32_t start, uint32_t end)
{
    /* Both forms (16-bit byte exchange, 8-bit +128) undo themselves. */
    xformByteSwap(start, end, NULL);
}

/* Cuts and inserts that must leave the cues where they are: the frames come back to the
   place they were taken from, so the cues set on them are still right. */
static VocHooks frozenSaved;
static void freezeCues(void)
{
    CuesFrozen = 1;
    frozenSaved = VocHook;
    VocHook.cueInserted = NULL;
    VocHook.cueDeleted = NULL;
}
static void thawCues(void)
{
    VocHook.cueInserted = frozenSaved.cueInserted;
    VocHook.cueDeleted = frozenSaved.cueDeleted;
    CuesFrozen = 0;
}

static void restoreData(const UndoRecord *e, uint32_t at)
{
    UndoCopy c = copyOf(e);
    tempUndoRestore(at, &c);   /* a missing file leaves the inserted frames silent */
}

int undoPerform(void)
{
    if (!UndoStack.entry || UndoStack.top < 0)
        return 1;
    UndoRecord e = UndoStack.entry[UndoStack.top];
    /* The format of the time of saving comes back for every kind. */
    uint32_t rateBefore = Doc.sampleRate;
    uint16_t channelsBefore = Wave.channels, bitsBefore = Wave.bitsPerSample;
    int refused = 0;   /* the store could not make room: nothing changed, the entry stays */
    Doc.sampleRate = e.sampleRate;
    vocSetFormat(e.channels ? e.channels : Wave.channels,
                 e.bitsPerSample ? e.bitsPerSample : Wave.bitsPerSample, Wave.dataLength);
    uint32_t ba = Wave.blockAlign ? Wave.blockAlign : 1;
    uint32_t savedFrames = e.savedLength / ba;
    int kind = e.kind >= IDM_XFM_FIRST && e.kind <= IDM_XFM_LAST ? IDM_XFM_FIRST : e.kind;

    if (Doc.undoAvailable > 0) {
        switch (kind) {
        case IDM_PASTE: case IDM_PASTESPECIAL: case IDM_TRIM: case IDM_REVERSE:
        case IDM_INVERT: case IDM_SILENCE: case IDM_MUSIC: case IDM_GENSILENCE:
        case IDM_XFM_FIRST: {
            /* The saved frames go back in first and the changed ones come out after them, so
               a store that cannot make room (a full disk) leaves the wave as it is rather than
               without either. */
            freezeCues();
            if (e.savedLength > 0) {
                if (vocInsertBlank((int32_t)((uint64_t)e.start * ba), e.savedLength) != 0)
                    refused = 1;
                else
                    restoreData(&e, e.start);
            }
            if (!refused && e.end >= e.start)
                vocCut((int32_t)((uint64_t)e.start * ba + e.savedLength),
                       (uint32_t)(((uint64_t)e.end - e.start + 1) * ba));
            thawCues();
            uint32_t frames = docFrames();
            uint32_t want = e.start + savedFrames;
            if (Doc.viewEnd == DOC_NONE || want > Doc.viewEnd)
                Doc.viewEnd = want;
            if (frames > 0 && Doc.viewEnd > frames - 1)
                Doc.viewEnd = frames - 1;
            break;
        }
        case IDM_CUT: case IDM_DELETE:
            if (e.savedLength > 0) {
                if (vocInsertBlank((int32_t)((uint64_t)e.start * ba), e.savedLength) != 0) {
                    refused = 1;
                    break;
                }
                if (Doc.viewEnd != DOC_NONE)
                    Doc.viewEnd += savedFrames;
                restoreData(&e, e.start);
            }
            break;
        case UNDO_ONECHANNELCUT:
            restoreData(&e, e.start);
            break;
        case IDM_CONVERT: {
            uint32_t selStart = Doc.selStart, selEnd = Doc.selEnd, viewStart = Doc.viewStart, viewEnd = Doc.viewEnd;
            freezeCues();
            if (e.savedLength > 0) {
                uint32_t converted = Wave.dataLength;
                if (vocInsertBlank(0, e.savedLength) != 0) {
                    refused = 1;
                } else {
                    restoreData(&e, 0);
                    vocCut((int32_t)e.savedLength, converted);
                }
            } else {
                vocCut(0, Wave.dataLength);
            }
            thawCues();
            /* The selection and the view go back to the old rate with the wave. */
            Doc.selStart = convertStartAt(selStart, rateBefore, e.sampleRate);
            Doc.selEnd = convertEndAt(selEnd, rateBefore, e.sampleRate);
            Doc.viewStart = convertStartAt(viewStart, rateBefore, e.sampleRate);
            Doc.viewEnd = convertEndAt(viewEnd, rateBefore, e.sampleRate);
            {
                uint32_t frames = docFrames();
                if (frames == 0) {
                    Doc.viewStart = Doc.selStart = 0;
                    Doc.viewEnd = Doc.selEnd = DOC_NONE;
                } else {
                    if (Doc.viewEnd != DOC_NONE && Doc.viewEnd >= frames)
                        Doc.viewEnd = frames - 1;
                    if (Doc.viewStart >= frames)
                        Doc.viewStart = 0;
                    if (Doc.selStart >= frames)
                        Doc.selStart = frames - 1;
                    if (Doc.selEnd != DOC_NONE && Doc.selEnd >= frames)
                        Doc.selEnd = frames - 1;
                }
            }
            break;
        }
        case IDM_BYTESWAP:
            if (Wave.channels == 2)
                Wave.editChannel = e.editChannel;   /* the channel(s) that were swapped */
            undoByteSwap(e.start, e.end);
            editSelect(e.start, e.end);
            break;
        default:
            break;
        }
    }
    if (refused) {
        /* The store has told the user why; the wave and the entry are as they were. */
        Doc.sampleRate = rateBefore;
        vocSetFormat(channelsBefore, bitsBefore, Wave.dataLength);
        editViewModified();
        return 1;
    }
    if (Wave.channels == 2)
        editSetChannel(e.editChannel);
    /* The cuts and inserts above left the cues alone: they come back as they were. */
    if (e.cues && UndoHook.cuesPut)
        UndoHook.cuesPut(e.cues);

    undoPop();
    if (UndoStack.top >= 0) {
        Doc.undoAvailable = 1;
        setUndoText(UndoStack.entry[UndoStack.top].description);
    } else {
        Doc.undoAvailable = UndoStack.enabled ? 0 : -1;
        setUndoText(CANTUNDO_TEXT);
    }
    Doc.selectionShown = docHasSelection() ? 0xFFFF : 0;
    editStatus();
    editViewModified();
    return 0;
}
