/*
 * edits.h - the selection-based edits of the Edit menu: Copy, Cut, Paste, Delete Selection,
 * Trim, Select Entire Wave, Zero Cross Adjust, the edit channel commands and Undo, and the
 * copy-to-clipboard routine they share.  Each sample-changing command saves its undo copy
 * first (undo.h) and redraws through editview.h.
 *
 * Window-free (the clipboard is clipboard.h, messages go through osMessage).  Global state:
 * Edit (settings the commands read, the pasting state, hooks to the shell).
 */
#ifndef ZELO_EDITS_H
#define ZELO_EDITS_H

#include <stdint.h>
#include "resources/resource.h"

/* Command ids handled here. */
#define EDIT_OPENLPARAM  123      /* lParam of a paste that opens a file: "Opening " */

struct EditHooks {
    int  (*cancelled)(void);                  /* the progress meter's Cancel was pressed */
    void (*progressOpen)(const char *caption);
    void (*progressClose)(void);
    void (*waitCursor)(int on);
    void (*analysisRefresh)(void);            /* command 282 to an open analysis window */
    void (*repaint)(void);                    /* the main window's waveform area */
    int  (*busy)(void);                       /* a long operation's progress meter is up */
    void *owner;                              /* owner window of filter dialogs */
    /* The running operation's progress, done of total for the whole of it; nonzero once
       the user cancelled.  The store's own per-call reports are not used by the edits. */
    int  (*step)(uint32_t done, uint32_t total);
};

struct EditState {
    int       pasteHilite;      /* [Zelo Edit] PasteHilite: the pasted range stays selected */
    int       smooth8;          /* [Zelo Edit] Dither8Bit: dither automatic 16-to-8 narrowing */
    int       pasting;          /* set while a paste runs */
    int       pastePushed;      /* undo entries with a copy that the running paste pushed */
    uint32_t  pasteBlank;       /* blank frames of the running paste that could not be taken
                                   out again (no memory); they stay in the undo range */
    int       pasteReplaced;    /* the running paste took out the selection it replaces */
    char      caption[300];     /* the last paste's progress caption */
    uint32_t  workDone;         /* frames from the first on that editWrapped's work routine
                                   finished when it stopped early; DOC_NONE: all of them */
    EditHooks hook;
};
extern EditState Edit;

/* Opens and closes the meter of an edit (Edit.hook.progressOpen / progressClose); in
   between, the store's per-call progress reports are off. */
void editMeterOpen(const char *caption);
void editMeterClose(void);

/* Window-free set-up: capacity, the Undo switch, the flags; hooks the store and the file
   flows to the undo stack. */
void editSetup(int undoLevels, int undoEnabled, int pasteHilite, int smooth8);

/* Copy to clipboard: command IDM_COPY or IDM_CUT, mask 1 left, 2 right, 3 both.  Takes
   the selection (or the view).  Returns 0 done, 1 nothing to copy or no memory ("Not enough
   memory for clipboard"). */
int  clipCopy(int command, int mask);

void editCopy(void);
void editCut(void);
/* Paste (2100); lParam EDIT_OPENLPARAM makes the caption say "Opening".  Returns the frames
   pasted (0: nothing). */
uint32_t editPaste(long lParam);
/* Paste Special's parameters, kept for the run and in [Paste Special] of zelo.ini. */
struct PasteSpecialParams {
    double left, right;      /* volumes as fractions; negative inverts */
    double loops;            /* repetitions when looping, at least 1 */
    int    overlap;          /* mix over the existing audio */
    int    loop;             /* repeat the source int(loops) times */
    int    fromFile;         /* the source is file, not the clipboard */
    int    lock;             /* the dialog moves both volumes together */
    int    modulate;         /* 0 none, 1 Modulate, 2 Convolute (sets overlap) */
    char   file[260];
};
extern PasteSpecialParams PasteSpecial;
/* Paste Special (2110) with these parameters.  Returns the frames pasted. */
uint32_t editPasteSpecial(const PasteSpecialParams *p, long lParam);

/* focusOnMain: the main window has the keyboard focus. */
void editDelete(int focusOnMain);
void editTrim(void);
/* transportEnabled: the transport controls are enabled (a non-empty wave loaded). */
void editSelectAll(int transportEnabled);
void editZeroCross(void);
/* Edit Left / Right (1001, 1002) and Ctrl+B/L/R (340..342). */
void editChannelCommand(int id);
void editUndo(void);
/* Silences the selection in the edited channel(s), with undo "Undo Silence". */
void editSilence(void);
/* Steps 2 to 7 of a command that first asks its settings in a dialog (Byte Swap 112, Music
   3150 and the like), after the dialog said OK: the undo copy by the command's rule, the
   progress meter with caption, work on the selection, the undo entry, modified, redraw.
   Returns 1 done, 0 abandoned (the user refused to go on without undo). */
int  editWrapped(int id, const char *description, const char *caption,
                 void (*work)(uint32_t first, uint32_t last), int redrawSelectionOnly);
/* Byte Swap's work routine for editWrapped: swaps with progress through Edit.hook.step
   and notes in Edit.workDone how far it got. */
void editByteSwapWork(uint32_t first, uint32_t last);
/* Reverse (3080) and Invert (3100) of the selection or the view; step reports progress. */
void editReverse(int (*step)(uint32_t done, uint32_t total));
void editInvert(int (*step)(uint32_t done, uint32_t total));
/* Generate Silence (4100): inserts seconds of silence at the selection start (a new
   waveform first when none is open) and selects it. */
void editGenerateSilence(double seconds);

/* Open Append joined frames first..end to the wave: records the undo entry that takes
   them out again ("Undo Paste"); the entries before it stay. */
void editAppended(uint32_t first);

/* The whole wave's undo copy before a sample-type conversion (FioHook.saveUndo). */
void editSaveUndoWhole(const char *label);

/* The zero-crossing searches for a stereo wave with both channels (exposed for tests):
   the new start from p, and the new end from q (0xFFFFFFFF when none was found). */
uint32_t editZeroStartBoth(uint32_t p);
uint32_t editZeroEndBoth(uint32_t q, uint32_t newStart);

#endif
