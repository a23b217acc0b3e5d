/*
 * script.h - recorded scripts: the plain-text collection format, recording commands and
 * their values into script.tmp, and replaying a script step by step (selections rescaled to
 * the wave at hand, commands dispatched by name, values read back by the commands), with
 * the batch's output names.
 *
 * Window-free.  Global state: Script, ScriptHook.  Every line read goes through one bounded
 * buffer (SCRIPT_LINEMAX); longer lines are cut there, never overrun.
 */
#ifndef ZELO_SCRIPT_H
#define ZELO_SCRIPT_H

#include <stddef.h>
#include <stdint.h>
#include "os/os.h"

#define SCRIPT_TITLEMAX   29
#define SCRIPT_LINEMAX    512
#define SCRIPT_NONE       0xFFFFFFFFu
#define SCRIPT_MISSING    (-999)

/* The three modes of a script. */
#define SCRIPT_SCRATCH    1     /* no wave loaded */
#define SCRIPT_WAVE       2     /* the whole wave */
#define SCRIPT_SELECTION  4     /* the highlighted selection */

struct ScriptState {
    /* recording */
    OsFile   record;            /* script.tmp while recording, OS_NOFILE otherwise */
    int      recording;
    int      mode;              /* ScriptMode of the recording or of the run */
    uint32_t base, scale;       /* origin and scale size of the recording (samples) */
    int      param;             /* last parameter number written */
    char     title[SCRIPT_TITLEMAX + 1];
    /* running */
    OsFile   run;               /* the collection while a script runs */
    char     buf[2048];         /* the read buffer */
    int      bufLen, bufPos, eof;
    int      readError, skip;
    uint32_t runBase, runScale; /* what the run rescales to */
    uint32_t recScale, recRate, listScale;
    int      batch;             /* a batch is in progress */
    /* options */
    int      pauseAtDialogs, alert, relative;
};
extern ScriptState Script;

/* What the engine needs of the document and the lists; every hook may be NULL. */
struct ScriptHooks {
    int      (*loaded)(void);                        /* a wave is loaded */
    uint32_t (*frames)(void);
    uint32_t (*rate)(void);
    void     (*selection)(uint32_t *start, uint32_t *end);   /* end SCRIPT_NONE: a cursor */
    void     (*select)(uint32_t start, uint32_t end);        /* end = start - 1: a cursor */
    const char *(*transformName)(int id);           /* a transform command's name, or NULL */
    int      (*transformId)(const char *name, int from);    /* next transform command by name, 0 none */
    /* the cue and play lists (the blocks at the end of a recording, and read back) */
    int      (*cueCount)(void);
    void     (*cue)(int i, uint32_t *id, uint32_t *position, uint32_t *frame, uint32_t *length,
                    const char **label, const char **desc);
    int      (*playCount)(void);
    void     (*playEntry)(int i, uint32_t *cue, uint32_t *frames, uint32_t *count);
    void     (*cuesClear)(void);
    void     (*cueAdd)(uint32_t id, uint32_t frame);
    void     (*cueText)(int i, const char *label, const char *desc, uint32_t length);
    void     (*playClear)(void);
    void     (*playAdd)(uint32_t cue, uint32_t frames, uint32_t count);
};
extern ScriptHooks ScriptHook;

/* ---- names ---- */
/* The script name of a command id ("Command <id>" for any other). */
void scriptCommandName(int id, char *out, size_t size);
/* The id of a built-in script name (case ignored), or 0. */
int  scriptBuiltinId(const char *name);

/* ---- recording ---- */
int  scriptCurrentMode(void);
/* Creates path and writes the Title and Mode lines.  0 started, 1 could not create. */
int  scriptRecordStart(const char *path, const char *title);
void RecordCommand(int id);
void RecordCommandName(const char *name);
void RecordInt16(int v);
void RecordLong(long v);
void RecordULong(unsigned long v);
void RecordDouble(double v);
void RecordText(const char *text);
/* The sample rate changed: the scale of a recording and of a running script follow it. */
void AdjustScaleForRate(uint32_t oldRate, uint32_t newRate);
/* The closing selection line, the list blocks and "End:"; closes the file. */
void scriptRecordStop(void);

/* ---- the collection ---- */
/* Appends the recorded script at `recorded` to the collection (created with "Collection:
   New Collection" when absent), the description's lines right after its Title line.
   0 done, 1 a file could not be opened. */
int  scriptAppend(const char *collection, const char *recorded, const char *description);
/* Creates a collection holding "Collection: New Collection" when path does not exist. */
int  scriptEnsureCollection(const char *path);

/* ---- running ---- */
/* Opens the collection and finds the script.  0 ready, 1 no such file, 2 no such title. */
int  scriptRunOpen(const char *collection, const char *title);
/* What one step came to. */
enum ScriptStepKind {
    SCRIPT_STEP_COMMAND,    /* dispatch `command` (an id, or 0 for a name nothing knows) */
    SCRIPT_STEP_END,        /* the script ended */
    SCRIPT_STEP_WRONGMODE,  /* stopped: `message` says why ("" for an unknown mode) */
};
struct ScriptStep {
    int  kind;
    int  ids[8];            /* the command ids to post (several transforms may match) */
    int  count;
    char name[SCRIPT_LINEMAX];
    const char *message;
};
/* Reads on to the next command or the end, setting selections and lists on the way. */
void scriptStep(ScriptStep *out);
/* Closes the run. */
void scriptRunClose(void);
int  scriptRunning(void);

/* Value reads for the commands (see the line format); SCRIPT_MISSING for a line without a
   colon or after an earlier failure in the same step; 0 when no script runs. */
int    ReadInt16(void);
long   ReadLong(void);
double ReadDouble(void);
long   ReadRoundedLong(void);
void   ReadText(char *out, size_t size);

/* ---- arithmetic ---- */
/* A recorded selection scaled: start trunc(s * f), end trunc((e + 1) * f) - 1. */
void scriptScaleRange(uint32_t *start, uint32_t *end, double factor);
/* The batch's output name for source in dir with the name template and extension ("-" for
   defaultExt). */
void scriptOutputName(const char *dir, const char *source, const char *templ, const char *ext,
                      const char *defaultExt, char *out, size_t size);

#endif
