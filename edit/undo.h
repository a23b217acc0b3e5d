/*
 * undo.h - the undo stack: before a command changes samples the frames it will overwrite or
 * remove are copied to an undo file (store/tempfile.h); an UndoRecord remembers the kind of
 * command, its frame range and the format; Undo (102) puts the frames back by the kind's rule.
 *
 * Window-free.  Global state: UndoStack (the entries, capacity, switch, the pending saved
 * length) and CuesFrozen.  Writes Doc.undoAvailable, Doc.undoText and Doc.undoKind.
 * Invariants: -1 <= top < capacity; every entry 0..top with a file name and a saved length
 * owns that file in the undo folder, and the file is deleted when the entry goes (pop,
 * drop oldest, clear); Doc.undoText is the top entry's description, or "Can't Undo".
 */
#ifndef ZELO_UNDO_H
#define ZELO_UNDO_H

#include <stdint.h>
#include "resources/resource.h"

#define UNDO_DEFAULT_LEVELS 5
#define UNDO_MAX_LEVELS     32
#define UNDO_INITIAL        10    /* capacity when an entry comes before any UndoLevels */
#define UNDO_DESCMAX        60

/* Kinds: the command id (resources/resource.h) of the edit, or this one for a cut of one
   channel of a stereo wave, which silences that channel instead of removing frames. */
#define UNDO_ONECHANNELCUT  10275  /* `OneChannelCut`: one channel of a stereo wave silenced */

struct UndoRecord {
    char     fileName[15];          /* undo file without its folder; "" when nothing saved */
    char     description[UNDO_DESCMAX]; /* the Undo item's text, at most 59 characters */
    uint32_t start, end;            /* affected frames, inclusive */
    uint16_t kind;                  /* command id (see above) */
    uint32_t savedLength;           /* bytes in the file; 0 when nothing was saved */
    uint32_t sampleRate;            /* format when saved */
    uint16_t bitsPerSample;
    uint16_t channels;
    uint16_t editChannel;           /* EditChannel when saved */
    void    *cues;                  /* the cue table and play list before the edit, or NULL */
};

struct UndoStackState {
    UndoRecord *entry;              /* capacity records, NULL before the first use */
    int         capacity;           /* 1..32 once set; 0 before */
    int16_t     top;                /* index of the newest entry, -1 when empty */
    int         enabled;            /* the [Zelo Edit] Undo switch */
    uint32_t    pendingSaved;       /* bytes the last undoSave copied (0: nothing) */
    uint32_t    recorded;           /* entries recorded since start (tests and diagnostics) */
    void       *pendingCues;        /* the cues as the last undoSave found them */
};
extern UndoStackState UndoStack;

/* The cue table as it was before an edit comes back with its Undo, since the cuts and
   inserts of an Undo leave cues where they are.  NULL hooks: cues are not kept. */
struct UndoHooks {
    void *(*cuesTake)(void);            /* a copy of the cues and play list, NULL none */
    void  (*cuesPut)(const void *copy); /* puts a copy back (NULL: no cues) */
    void  (*cuesDrop)(void *copy);
};
extern UndoHooks UndoHook;

/* Set while Undo and the sample-type conversion cut and insert in bulk: cues stay put. */
extern int CuesFrozen;

/* Sets the capacity from UndoLevels (clamped to 1..32; lowered when memory is short);
   a lower capacity drops the oldest entries.  Returns the capacity in force. */
int  undoSetLevels(int levels);
/* The Undo switch; switching off clears the stack and makes undo available -1. */
void undoSetEnabled(int on);

/* Copies frames start..end for undo.  Returns 1 saved (or nothing to save: an insertion),
   0 could not save (no room by the 70 % rule, no file, short write), -1 switched off. */
int  undoSave(uint32_t start, uint32_t end);
/* undoSave, then on 0 asks "Not enough memory for Undo.  Continue anyway?"; Yes empties
   the stack (its entries no longer fit the wave).  Sets Doc.undoAvailable to the save's
   result.  Returns 1 go on, 0 the user said No. */
int  undoSaveOrAsk(uint32_t start, uint32_t end);
/* Fills the top entry (pushing an empty one first when saved is 0) and makes it the Undo
   item's text; also sets Doc.undoKind. */
void undoRecord(uint16_t kind, uint32_t start, uint32_t end, uint32_t saved, const char *description);
/* The shape every sample-changing command follows, steps 2 to 4: save, ask, set the kind and
   text, record when saved.  Returns 1 go on with the work, 0 abandoned (nothing changed). */
int  undoBegin(uint16_t kind, uint32_t start, uint32_t end, const char *description);

void undoPush(void);
void undoPop(void);
void undoDropOldest(void);
/* Deletes every entry's file; the stack is empty and the text "Can't Undo". */
void undoClear(void);
/* Frees the array (at exit) after clearing. */
void undoFree(void);

/* Undo (102): restores the top entry by its kind and pops it.  Returns 0 done, 1 nothing to
   undo. */
int  undoPerform(void);

/* Byte Swap over frames start..end of the edited channel(s) again: it is its own inverse. */
void undoByteSwap(uint32_t start, uint32_t end);

#endif
