/*
 * scripts.h - scripts as the program calls them: the "Zelo Scripts" dialog, recording each
 * command the shell carries out, the runner's steps on WM_SCRIPTSTEP and the batch's on
 * WM_BATCHSTEP.  The window-free engine is scripts/script.h.
 */
#ifndef ZELO_SCRIPTS_H
#define ZELO_SCRIPTS_H

#include <windows.h>
#include "scripts/script.h"

#define WM_SCRIPTSTEP (WM_USER + 777)
#define WM_BATCHSTEP  (WM_USER + 778)

void scriptsCmdDialog(void);            /* 113 */
/* Around every command the shell carries out: recorded before, the run's next step after. */
void scriptsBeforeCommand(int id);
void scriptsAfterCommand(int id);
void scriptsOnStep(void);
void scriptsOnBatchStep(void);
/* Stops a running script ("Script Stopped" when Alert is on). */
void scriptsStopRun(void);

/* What the transform host and the commands are given (assigned by the start-up). */
int  scriptsRecording(void);
int  scriptsRunning(void);
int  scriptsShowDialogs(void);
int  scriptsSilent(void);
void scriptsAbort(void);

/* While a batch runs: how raw files are read (the file filters' raw-parameter question). */
struct FltRaw;
int  scriptsBatchRaw(FltRaw *raw);

/* Start-up: the options; shutdown: an open recording ends, a run closes. */
void scriptsStartup(void);
void scriptsShutdown(void);

#endif
