/*
 * editview.h - the few things the editing commands ask of the waveform view: make columns
 * redraw, select a range, refresh the time read-outs, change the edit channel.  Every edit
 * goes through these calls only, so the view can be swapped in behind them in one place.
 * Window-free interface; the Win32 build repaints the main window.  No state of its own.
 */
#ifndef ZELO_EDITVIEW_H
#define ZELO_EDITVIEW_H

#include <stdint.h>

/* The view's own calls, set by the program at start-up; while one is NULL the adapter sets
   the document's fields itself and repaints the whole main window. */
struct EditViewHooks {
    void (*invalidate)(uint32_t first, uint32_t last);
    void (*modified)(void);
    void (*select)(uint32_t first, uint32_t last);
    void (*status)(void);
    void (*channel)(int channel);
};
extern EditViewHooks EditView;

/* Columns of frames first..last (inclusive) need redrawing. */
void editInvalidate(uint32_t first, uint32_t last);
/* The whole waveform area needs redrawing (length or view changed). */
void editViewModified(void);
/* Selects first..last (a last below first leaves the caret at first) and redraws it. */
void editSelect(uint32_t first, uint32_t last);
/* Begin / End / Time read-outs. */
void editStatus(void);
/* Edit channel 0 both, 1 left, 2 right (a mono wave always edits both). */
void editSetChannel(int channel);

#endif
