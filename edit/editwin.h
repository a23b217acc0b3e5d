/*
 * editwin.h - the editing subsystem's entry points in the Win32 program (editwin.cpp):
 * start-up and shutdown, settings changes, the Viewing Range dialog and the dialog-command
 * wrapper.  The window-free commands themselves are in edits.h.
 */
#ifndef ZELO_EDITWIN_H
#define ZELO_EDITWIN_H

#include <windows.h>
#include <stdint.h>

/* From the shell's start-up, after the settings were loaded. */
void editInit(void);
/* At WM_DESTROY: the undo files go and the stack is freed. */
void editShutdown(void);
/* After the Settings dialog changed UndoLevels, Undo, PasteHilite or Dither8Bit. */
void editSettingsChanged(void);
/* The owner window of the filters' dialogs during a paste. */
void editOwner(HWND owner);
/* Viewing Range (3147). */
/* Runs the command's dialog (the wave looks mono while one channel is edited), then the
   undo, progress and redraw steps of editWrapped.  Returns 1 done, 0 cancelled. */
int  editDialogCommand(HWND hwnd, int dialogId, DLGPROC proc, LPARAM param, const char *caption,
                       void (*work)(uint32_t, uint32_t), int redrawSelectionOnly, int id,
                       const char *description, int noDialog);

/* 1 while a command's dialog is up and should treat the wave as mono (a mono wave, or one
   channel of a stereo wave edited).  Dialog procedures ask this instead of Wave.channels. */
int  editDialogMono(void);

/* The built-in transforms (withoutDialog: Repeat without its dialog). */
void editByteSwapCommand(int withoutDialog);
void editReverseCommand(void);
void editInvertCommand(void);
void editGenerateSilenceCommand(int withoutDialog);
/* Paste Special (2110): its dialog, then the paste with its parameters. */
void editPasteSpecialCommand(int withoutDialog);
/* The conversion's settings from [Recent] and its hooks to the module host (editInit). */
void editConvertInit(void);
/* Convert Sample Type (120): its dialog, the undo copy of the whole wave, the conversion. */
void editConvertCommand(void);
/* The conversion a save asks for: the dialog preset from [Recent] (0 OK, f gets the
   targets), and the conversion itself (0 done; a stopped one is undone). */
struct FioFormat;
int  editConvertDialogForSave(FioFormat *f);
int  editConvertForSave(const FioFormat *f);
/* Adjust Sample Rate (109): relabel the data with another rate, channel count or resolution. */
void editAdjustRateCommand(void);

#endif
