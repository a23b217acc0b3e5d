/*
 * settingsdlg.h - the Settings dialog (168): the Display, System and Colors pages of the
 * general settings, the colour chooser with its remembered custom colours, and what the
 * shell does after the dialog.
 */
#ifndef ZELO_SETTINGSDLG_H
#define ZELO_SETTINGSDLG_H

#include <windows.h>

/* What an OK changed, so the caller redraws only what it must. */
#define SETDLG_OK          0x01   /* OK was pressed (always set when the dialog returns non-zero) */
#define SETDLG_WAVECOLOR   0x02   /* the waveform colour: new pen and brush */
#define SETDLG_SPECTRAL    0x04   /* a spectral colour or its direction: new palette */
#define SETDLG_TIMECODE    0x08   /* frames per second: the time ruler */
#define SETDLG_VIEWMODE    0x10   /* dots or lines */

/* Runs the dialog over the owner; on OK stores the values in Settings and writes them to
   the settings files.  Returns 0 on Cancel, else SETDLG_OK with the change flags. */
int settingsDialog(HWND owner);

/* Command 5040: the dialog, then the redraw and the undo clean-up it calls for. */
void cmdSettings(void);

#endif
