/*
 * lists.h - the cue list and the play list as the program calls them: their commands, the
 * modeless dialogs (offered every message first through listsDialogMessage), the markers
 * drawn over the waveform, and what the other subsystems tell them.  The window-free table
 * and play list are lists/cues.h.
 */
#ifndef ZELO_LISTS_H
#define ZELO_LISTS_H

#include <windows.h>
#include "lists/cues.h"

/* Commands. */
void listsCmdCueList(void);         /* 137: open the cue list */
void listsCmdPlayList(void);        /* 136: open the play list */
void listsCmdAddCue(void);          /* 311 (F8) and the cue list's "&Add" */

/* 1 when msg was for one of the modeless dialogs and has been handled. */
int  listsDialogMessage(MSG *msg);
int  listsCueListOpen(void);
int  listsPlayListOpen(void);

/* What the cue table reports (assigned to CueHook by the start-up). */
int      listsHaveDocument(void);
uint32_t listsFrames(void);
void     listsCueAdded(int index);
void     listsCuesChanged(void);
void     listsModified(void);

/* The document's lists were emptied or replaced (New, Close, Open): markers and dialogs. */
void listsRefresh(void);
/* A file was read: its cues are fitted to the length it has. */
void listsAfterLoad(void);
/* The main window's title changed. */
void listsTitle(const char *mainTitle);

/* The markers, drawn at the end of every paint of the waveform. */
void listsPaintMarkers(HDC dc);
/* Updates marker slot `slot` - 1 (slot 0: every slot from the table); start DOC_NONE
   erases the slot.  Only flags that move are invalidated. */
void DrawCueMarkers(HWND wnd, int slot, uint32_t start, uint32_t length, int type);

/* The play list's entries for list-mode playback. */
int  listsPlayCount(void);
int  listsPlayEntry(int index, uint32_t *cue, uint32_t *frames, uint32_t *count);
int  listsCueStart(uint32_t cue, uint32_t *frame);

/* At shutdown: placements saved, dialogs destroyed, the table freed. */
void listsShutdown(void);

#endif
