/*
 * fileui.h - what the files subsystem offers the program: its start-up and shutdown, the
 * File menu's commands, the command line's file, dropped files and the Wave Information
 * dialog.  The open and save flows themselves are formats/fio.h.
 *
 * Global state: FileUiHook (what the open flows tell the rest of the program; filled at
 * start-up, every member may be NULL).
 */
#ifndef ZELO_FILEUI_H
#define ZELO_FILEUI_H

#include <windows.h>
#include <stdint.h>
#include <shellapi.h>

struct FileUiHooks {
    void (*afterLoad)(void);              /* whole-wave view and redraw after a new wave arrived */
    void (*emptyLists)(void);             /* cue list and play list */
    void (*markAppended)(uint32_t frame, const char *name); /* a dropped file joined the wave at frame */
    void (*preview)(const char *name);    /* the Open dialog's "Auto play" */
    void (*previewStop)(void);
};
extern FileUiHooks FileUiHook;

/* Start-up: the filter table beside the program and the open and save flows' hooks. */
void fileUiInit(void);
/* Shutdown: the remembered save type, the filter table released. */
void fileUiShutdown(void);

void fileUiOpen(void);                               /* Open... */
void fileUiReopen(void);                             /* Re-Open */
/* Opens name with the format found by probing, without any dialog.  0 opened. */
int  fileUiOpenFile(const char *name);
/* Saves the whole wave as name through file type `type` with options.  0 saved. */
int  fileUiSaveAsType(const char *name, int type, uint32_t options);
void fileUiOpenAs(void);                             /* Open As... */
void fileUiOpenAppend(void);                         /* Open Append... */
void fileUiSave(int asNew, int selectionOnly);       /* Save, Save As, Save Selection As */
/* The command line's file (quoted or not): opened, then played once. */
void fileUiOpenCommandLine(const char *line);
/* Dropped files: the first opened, the others appended behind it. */
void fileUiDropFiles(HDROP drop);

/* For the document: Save under its name (0 saved), and New/Close dropping what the open
   file brought (INFO list, cue and play-list bytes). */
int  fileUiSaveDocument(void);
void fileUiDocumentGone(void);

/* The Wave Information dialog (Info...), and the INFO list for a new document. */
void waveInfoCommand(void);
void waveInfoClear(void);
void waveInfoSet(const char *id, const char *text);

#endif
