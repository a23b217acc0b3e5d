/*
 * view.h - the waveform view as the rest of the program calls it: resetting it for a new
 * wave, the overview built while a file is read, marking changed frames for redrawing, the
 * status fields, the selection and edit channel, and the play cursor's column.  The Win32
 * part (painting, mouse, the view's commands) is declared below for the main window.
 *
 * State: View (select.h), PeakColumnCache and PeakSummary (peaks.h), ViewGdi (view_win.cpp),
 * SpectralPalette and SpectralView (sonogram.h), ViewHook.
 */
#ifndef ZELO_VIEW_H
#define ZELO_VIEW_H

#include <stdint.h>

/* At start-up, before the main window exists: drawing objects, the column cache, the file
   reader's overview hooks (FioHook) and the document's redraw hook. */
void viewInit(void);
/* At shutdown: frees what viewInit made (deferred while a paint is pumping messages). */
void viewShutdown(void);

/* After a new wave is loaded or created: whole-wave view, no selection, every column dirty.
   The PeakSummary is kept only when it was built for exactly this wave. */
void viewReset(void);

/* The PeakSummary while a file is read: begun for `frames` frames, fed the bytes in order. */
void viewOverviewBegin(uint32_t frames);
void viewOverviewFeed(const void *bytes, uint32_t count);
/* During reading the view's end follows the data read so far. */
void viewFollowEnd(uint32_t lastFrame);

/* Frames first..last changed (last DOC_NONE: to the end, for edits that change the length):
   their columns are recomputed and redrawn at once. */
void InvalidateWaveRange(uint32_t first, uint32_t last);
/* The samples were modified: the file's PeakSummary no longer describes them. */
void viewModified(void);

/* Refreshes every status field (format, samples, size, begin, end, length). */
void UpdateStatusFields(void);
/* Sets the selection (last DOC_NONE or < first: the cursor at first), inverting on screen
   only the columns that change. */
void SetSelection(uint32_t first, uint32_t last);
/* 0 both, 1 left, 2 right (mono documents always 0). */
void SetEditChannel(int ch);

/* The Settings dialog changed the waveform colour or the viewing mode: new pen and brush,
   and every column redrawn. */
void viewSettingsChanged(void);

/* Client x of a frame's column, or -1 when the frame is not in view. */
int  viewFrameToX(uint32_t frame);

/* 1 while the spectral view replaces the waveform (command 2211 switches). */
int  viewSpectralShown(void);

/* What the view tells other windows: the samples or the selection changed. */
struct ViewHooks {
    void (*analysisRefresh)(void);   /* command 282 to an open analysis window */
    void (*paintMarkers)(void *dc);  /* cue flags over the waveform (an HDC), before the highlight */
    void (*musicNotify)(int repaintOnly); /* the composer window: 0 selection moved, 1 repaint */
};
extern ViewHooks ViewHook;
void viewAnalysisRefresh(void);

#ifdef _WIN32
#include <windows.h>
void viewPaint(HWND hwnd);
/* Mouse messages over the main window (buttons, moves, double-clicks, capture loss). */
void viewMouse(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
/* WM_SETCURSOR: 1 when the view set the cursor. */
int  viewSetCursor(HWND hwnd, LPARAM lParam);
/* The view's menu and accelerator commands (selection keys, zoom, scroll, edit channel,
   time formats, Viewing Range, the spectral view). */
void viewCommand(int id);
/* A double-click on a status field; 1 when control is one of them. */
int  viewStatusDoubleClick(HWND control);
#endif

#endif
