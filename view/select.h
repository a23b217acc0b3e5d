/*
 * select.h - the arithmetic of selection, zoom and scrolling on the waveform area: pixel to
 * frame, the selection rectangle, normalising the view, the scroll and zoom ranges, keyboard
 * moves of the selection edges, the channel zones of a stereo area and the viewing-range bar's
 * thumb.  Window-free: it reads and writes the document's selection and view (Doc) and the
 * view's own state (View); inverting pixels and redrawing are the Win32 part's.
 *
 * Global state: View.  Invariants after NormalizeView:
 *   1. viewEnd - viewStart >= W (the view never holds fewer frames than columns);
 *   2. with data, viewEnd <= frames - 1 unless the data is shorter than W frames.
 */
#ifndef ZELO_SELECT_H
#define ZELO_SELECT_H

#include "view/peaks.h"
#include "core/document.h"

enum BarMode { BAR_IDLE = 0, BAR_DRAG = 1, BAR_PRESSLEFT = 2, BAR_PRESSRIGHT = 3,
               BAR_OUTLEFT = 4, BAR_OUTRIGHT = 5 };

struct ViewState {
    ViewRect area;              /* the waveform area, client pixels */
    ViewRect selRect;           /* the inverted selection highlight */
    int      anchorX;           /* column where the drag began (the fixed edge) */
    uint32_t anchorFrame;       /* DOC_NONE, or the far end kept by a shift-extension */
    ViewRect bar;               /* the viewing-range bar */
    ViewRect thumb;             /* its thumb (as drawn) */
    ViewRect pressed;           /* modes 2..5: the part of the bar being pressed */
    uint16_t barMode;           /* BarMode */
    int16_t  barMoved;          /* mode 1: accumulated thumb movement in pixels */
    int      lastX;             /* mode 1: pointer x of the last move */
    int      capture;           /* a button is down over the view */
    uint32_t rulerStart, rulerEnd; /* view range at the last ruler draw */
    int      rulerValid;
};
extern ViewState View;

/* Columns of the area. */
int  viewColumns(void);
/* trunc((x - area left) / W * N + view start), N = max(view length, W). */
uint32_t PixelToFrame(int x);
/* The highlight rectangle for the current selection, view and edit channel. */
void SelectionRect(ViewRect *r);
/* After zoom and format changes: a view of at least W frames inside the data. */
void NormalizeView(void);

/* The scroll commands 324..327, 777, 778 on [*start, *end]; returns 1 when it changed. */
int  viewScrollRange(int command, uint32_t *start, uint32_t *end);
/* Zoom ranges; each returns 1 when the view changed. */
int  viewZoomInRange(void);
int  viewZoomOutRange(void);
int  viewFullRange(void);
/* Zoom In is enabled (view longer than W + 1 frames); Zoom Out and Full View are enabled
   (the thumb does not span the whole bar). */
int  viewCanZoomIn(void);
int  viewCanZoomOut(void);

/* Keyboard moves 104..107: the new selection pair. */
void viewKeyMove(int command, uint32_t *start, uint32_t *end);

/* Channel zone of y in a stereo area by the current edit channel: 0 both, 1 left, 2 right. */
int  viewChannelZone(int y, int editChannel);

/* The thumb's columns for the current view: left, right (client x). */
void viewThumbSpan(int *left, int *right);
/* The view after the thumb was dropped with its left edge at thumbLeft. */
void viewThumbDropped(int thumbLeft, int thumbRight);

/* Clamps a click x to the area, to the column after the last data frame and to the last
   column that holds frames. */
int  viewClampX(int x);

#endif
