/*
 * listsint.h - what the cue list's and the play list's windows share inside lists/.
 */
#ifndef ZELO_LISTSINT_H
#define ZELO_LISTSINT_H

#include <windows.h>
#include "lists/cues.h"

struct CueWinState {
    HWND  wnd;                  /* the open "Cue List / Ranges" dialog, or NULL */
    int   autoZoom;             /* "&Auto Zoom" */
    int   filling;              /* the fields are being filled: their changes are not edits */
    POINT design;               /* client size the controls were designed for */
    RECT  ctl[12];              /* their designed places */
    UINT_PTR timer;             /* a refresh of markers and lists is due */
};
extern CueWinState CueWin;

/* The one selected cue of the cue list, or -1 (none, several, or the dialog closed). */
int  listsSelectedCue(void);
/* Placement of a modeless list dialog from [Position] <stem>X/Y/W/H, and its saving. */
void listsPlace(HWND dlg, const char *keyX, int defX, int defY, POINT minTrack);
void listsSavePlacement(HWND dlg, const char *keyX);

/* "Batch Process Phrases" for the selected cues. */
void cueBatchDialog(HWND owner);

/* The play list's window (playwin.cpp). */
void playWinRefresh(int keepSelection);
void playWinCueSelection(int oneSelected);
void playWinCueListOpened(void);
void playWinCueListClosed(void);
void playWinTitle(const char *mainTitle);
int  playWinDialogMessage(MSG *msg);
void playWinShutdown(void);

#endif
