/*
 * fio.h - opening and saving waveforms through the file filters: the file dialogs' type
 * lists, the description of the highlighted file, the remembered folders per dialog group,
 * the current save type and options, and the open and save flows themselves.
 *
 * State: Fio (save type and options, the document's sample rate as the last open or save
 * left it) and FioHook (what the shell, the store, the view and the dialogs plug in).
 * Saving writes a temporary file beside the target and replaces the target only after the
 * filter closed it with every byte written, so a failed or cancelled save keeps the old file;
 * the temporary file is listed in a journal meanwhile, for fioCleanStaleSaves.
 */
#ifndef ZELO_FIO_H
#define ZELO_FIO_H

#include "formats/filter.h"

#include <stddef.h>
#include <stdint.h>

#define FIO_TRANSFER (88200u + 1000u)   /* the transfer buffer's size */
#define FIO_DIR_MAX  159                /* longest remembered folder */

/* Dialog groups: each keeps its own folder list. */
#define FIO_GROUP_OPEN  0
#define FIO_GROUP_SAVE  1
#define FIO_GROUP_OTHER 2

struct FioFormat {
    uint32_t rate;                   /* samples per second */
    uint16_t bits;                   /* 8 or 16 */
    uint16_t channels;               /* 1 or 2 */
};

/* Why the last fioOpen did not load the file (Fio.openFailure). */
#define FIO_OPEN_OK        0
#define FIO_OPEN_NOFILTER  1         /* no filter reads the file (nothing was touched) */
#define FIO_OPEN_CANCELLED 2         /* the raw parameters were cancelled (nothing was touched) */
#define FIO_OPEN_NOSTORE   3         /* the new store could not be set up (told to the user) */
#define FIO_OPEN_PARTIAL   4         /* reading stopped part way: cancel, full drive, too long */

struct FioState {
    int      saveType;               /* table index Save uses; -1 none chosen yet */
    uint32_t options;                /* the current options (of saveType) */
    uint32_t rate;                   /* the open waveform's rate when no hook tells it */
    int      openFailure;            /* FIO_OPEN_*, of the last fioOpen */
    uint32_t storeLimit;             /* most sample bytes an open reads; 0 = what the store holds */
    char     reducedName[FLT_PATH_MAX]; /* a file read in a narrower form than it holds, "" none */
    char     reducedFrom[64];        /* what that file holds, e.g. "24-bit 4-channel" */
    char     reducedTo[32];          /* what was read, e.g. "16-bit stereo" */
};
extern FioState Fio;

struct FioHooks {
    /* The document's format.  NULL: Fio.rate with Wave's channels and bits. */
    void (*currentFormat)(FioFormat *f);
    /* Sets up a new, empty store for f (temporary files); 0 ok.  NULL: opening fails. */
    int  (*newStore)(const FioFormat *f);
    /* Empties the cue list and the play list of the new waveform. */
    void (*emptyLists)(void);
    /* After a finished open: view the whole wave, no selection, title and recent list. */
    void (*opened)(const char *name);
    /* After a whole-wave save: title, recent list, modified mark cleared. */
    void (*saved)(const char *name);
    /* 1 with the first and last frame when a selection exists. */
    int  (*selection)(uint32_t *first, uint32_t *last);
    /* Progress meter; step returns nonzero once the user cancelled. */
    void (*progressOpen)(const char *title, const char *note);
    int  (*progressStep)(uint32_t done, uint32_t total);
    void (*progressClose)(void);
    /* The view's overview while reading, and the view's end following the data. */
    void (*overviewBegin)(uint32_t frames);
    void (*overviewFeed)(const void *bytes, uint32_t count);
    void (*viewEnd)(uint32_t lastFrame);
    /* The Save dialog: fills name, the chosen type and options; 0 = OK. */
    int  (*askSaveName)(char *name, size_t size, int selectionOnly, int *type, uint32_t *options);
    /* The Convert dialog preset from [Recent] Conv*; may change f; 0 = OK. */
    int  (*convertDialog)(FioFormat *f);
    /* Saves the whole wave for undo; the result is not a reason to stop. */
    void (*saveUndo)(const char *label);
    /* Converts the waveform to f; 0 done. */
    int  (*convert)(const FioFormat *f);
    int  (*batchRunning)(void);
    void (*today)(int *year, int *month, int *day);
    /* A length in frames in the current time format. */
    void (*formatLength)(uint32_t frames, uint32_t rate, char *out, size_t size);
    /* The process's current folder. */
    void (*currentDir)(char *out, size_t size);
    /* 1 when the existing file name carries the read-only attribute.  NULL: never. */
    int  (*readOnly)(const char *name);
    /* 1 while a process with this id runs.  NULL: unknown (open files are still spared). */
    int  (*processRunning)(uint32_t pid);
};
extern FioHooks FioHook;

/* ---- type lists and the save type ---- */

/* Builds a file dialog's filter string ("description\0pattern\0...\0\0") of the readable
   (forSave 0) or writable (forSave 1) filters plus "All files (*.*)", and stores each
   filter's 1-based place in it.  Returns the bytes used including the final zero, or 0
   when out is too small. */
size_t fioTypeList(int forSave, char *out, size_t size);
/* The table index at 1-based list place pos, or -1 (also for "All files"). */
int    fioTypeAt(int forSave, int pos);
/* Start-up choice of the save type from [Recent] FileFilter. */
void   fioInitSaveType(void);
/* The type a dialog preselects (makes one current when none is). */
int    fioPreselectedType(void);
/* Writes the current save type's name to [Recent] FileFilter. */
void   fioSaveSettings(void);
/* Replaces an extension of at most three characters in name with filter index's main
   extension (lower case when the character before the dot is).  Returns 1 when changed. */
int    fioSwapExtension(char *name, size_t size, int index);

/* ---- the Open dialog's description of the highlighted file ---- */
struct FioDescription {
    char format[FLT_OPTIONS_TEXT_MAX + 4];
    char size[32];
    char type[48];
    char length[48];
};
/* Fills the four fields for name, probing from filter chosen (-1 none). */
void fioDescribe(const char *name, int chosen, FioDescription *d);

/* ---- remembered folders ---- */
/* Makes dir the group's newest folder (moved to the end, or added).  0 ok, 1 refused. */
int  fioRememberDir(const char *dir, int group);
/* The group's newest folder; without one the current folder in lower case, which is added. */
void fioGroupDir(int group, char *out, size_t size);

/* ---- the flows ---- */
/* Opens name through chosen (-1: the first filter) and then the table.  0 loaded, 1 not. */
int  fioOpen(const char *name, int chosen, void *owner);
/* Appends bytes from the open input to the store.  0 done, 1 cancelled or out of memory. */
int  fioReadData(const char *title, const char *note, uint32_t bytes);
/* Saves the wave (or the selection) to name; askName asks the Save dialog first.  A name
   buffer of FLT_PATH_MAX is updated with the chosen name.  0 saved, 1 failed or cancelled. */
int  fioSave(char *name, int askName, int selectionOnly, void *owner);
/* Hands the range to the open output filter.  0 done, 1 cancelled or failed. */
int  fioWriteData(const char *title, const char *note, int selectionOnly);

/* ---- the save journal ----
   While a save runs, its temporary file is listed (with the writer's process id) in
   "savejnl.txt" in the settings folder, so a copy killed mid-save leaves a trace. */
/* Removes the temporary files of saves whose writer no longer runs, and their entries.
   Call once at start-up.  Returns the number of files removed. */
int  fioCleanStaleSaves(void);

/* The document is closed or replaced by a new, empty one: forgets the raw cue and
   play-list bytes of the file it came from, so no later save writes them elsewhere. */
void fioDocumentGone(void);

#endif
