/*
 * tempfile.h - the temporary and undo directories, temporary names, setting up and tearing
 * down the store's file, undo copies of one frame range, the shared transfer buffer and the
 * start-up and exit clean-ups of stale files.
 *
 * Window-free: the directory settings come in as parameters (the shell reads them from the
 * settings and writes back what TF.tempWriteBack / TF.undoWriteBack say).  Global state: TF.
 */
#ifndef ZELO_TEMPFILE_H
#define ZELO_TEMPFILE_H

#include "os/os.h"

#define TEMP_DIRMAX      80u            /* 79 characters and the terminator */
#define TEMP_NAMEMAX     260u           /* a name made by getTempName, terminator included */
#define TRANSFER_SIZE    88200u         /* what the piece loops size themselves from */
#define TRANSFER_ALLOC   (88200u + 1000u)
#define UNDO_PIECE       16384u
#define UNDO_SAVE_PIECE  65536u         /* the copy is written in large whole pages */
#define TEMP_HOLDMAX     64u            /* undo files held open at once (levels are at most 32) */

/* Hooks the shell fills; every one may be NULL. */
struct TempHooks {
    void (*storeOpened)(uint32_t sampleRate); /* after set-up: rate into the document, view 0..0, no selection, controls on */
    void (*storeClosed)(int exiting);         /* after teardown: controls off unless exiting */
    void (*select)(uint32_t first, uint32_t last); /* after an undo restore: select and redraw */
    void (*waitCursor)(int on);               /* around undo copies */
    /* Free bytes of the drive holding path; 0 ok, 1 unknown.  Tests swap in a fake. */
    int  (*diskFree)(const char *path, uint64_t *bytes);
};
extern TempHooks TempHook;

/* An undo file this copy holds open while its level lives, so that no other copy's clean-up
   takes it (an open file cannot be deleted; on POSIX the handle carries a shared lock). */
struct UndoHold {
    char   fileName[15];                 /* name without directory; "" for a free slot */
    OsFile file;                         /* the handle the copy was written through */
};

struct TempState {
    char     tempDir[TEMP_DIRMAX];       /* store and work files; no trailing separator */
    char     undoDir[TEMP_DIRMAX];       /* undo copies; no trailing separator */
    char     tempWriteBack[TEMP_DIRMAX]; /* non-empty: write to [Size] TempOverride */
    char     undoWriteBack[TEMP_DIRMAX]; /* non-empty: write to [Settings] UndoTempDir */
    char     storeName[TEMP_NAMEMAX];    /* the open block file's name, "" when none */
    uint8_t *transfer;                   /* TRANSFER_ALLOC bytes, taken on first use and kept */
    uint32_t seed;                       /* name generator state */
    uint32_t lastUndoSave;               /* tick count of the last undo save */
    UndoHold held[TEMP_HOLDMAX];         /* this copy's undo files, open until dropped */
};
extern TempState TF;

/* What one undo level holds of its copy. */
struct UndoCopy {
    char     fileName[15];               /* name without directory; "" when nothing was saved */
    uint32_t savedLength;                /* bytes in the file */
};

/* Fixes the two directories from the stored settings, the TEMP variable and the system
   folder (any may be NULL or empty).  Fills TF.tempDir, TF.undoDir and the write-backs. */
void tempChooseDirs(const char *tempOverride, const char *undoTempDir,
                    const char *envTemp, const char *systemDir);
/* Seeds the name generator (once at start-up). */
void tempSeed(uint32_t seed);

/* Makes a free name "<dir><sep>~<prefix>NNNN.TMP".  Returns 0 ok, 1 when the name would not
   fit or every one of the ten thousand names is taken (out is then ""). */
int  tempMakeName(const char *prefix, const char *dir, char *out, size_t outSize);
/* Exported: buffer in: "" or "!" and a directory; out: the full name (TEMP_NAMEMAX bytes).
   When no name can be made, says so through osMessage and leaves the buffer empty. */
extern "C" void ZELOAPI getTempName(const char *prefix, char *buffer);

/* New empty store of this format; "Bopen Failed." when its file cannot be made.
   Returns 0 ok, 1 failed (the waveform then has no store). */
int  tempStoreSetup(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample);
void tempStoreTeardown(int exiting);
/* Free bytes on the temporary drive, 100000 when they cannot be learned. */
uint64_t tempDriveFree(void);

/* The shared transfer buffer (NULL when there is no memory); tempTransferRelease at exit. */
uint8_t *tempTransfer(void);
void     tempTransferRelease(void);

/* Copies frames first..last into a new undo file.  Returns 1 saved (or nothing to save:
   out->savedLength 0), 0 no room, no file or a short write, -1 undo is switched off. */
int  tempUndoSave(uint32_t first, uint32_t last, int undoEnabled, UndoCopy *out);
/* Writes the copy back at frame first and selects it.  Returns 0 done or nothing to do,
   1 the file is missing or no buffer. */
int  tempUndoRestore(uint32_t first, const UndoCopy *copy);
/* Deletes the copy's file if it is there. */
void tempUndoDelete(const UndoCopy *copy);

/* Deletes stale "~ZEL*.tmp" / "~NDO*.tmp" files that carry no protecting attribute and that
   no running program holds open.  This copy's own undo files are let go first: it is
   leaving.  Returns the number deleted. */
int  tempExitCleanup(void);
/* At start-up, once tempChooseDirs has run and before the first store is set up: deletes
   the "~ZEL*.tmp" files of the temporary directory and the "~NDO*.tmp" files of the undo
   directory that a copy which no longer runs (killed, crashed) left behind.  A running copy
   holds its store and undo files open, and an open file is never taken; neither is one
   with a protecting attribute (read-only, hidden, system).  Returns the number deleted. */
int  tempStartupCleanup(void);

#endif
