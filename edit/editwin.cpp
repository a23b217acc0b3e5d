/*
 * editwin.cpp - the Edit menu's commands in the Win32 program: start-up of the editing
 * subsystem from the settings, the shell-side hooks (wait cursor, repaint, owner window),
 * the command entry points commands.cpp calls.
 * Writes Edit's hooks, FioHook.saveUndo; reads Settings and Shell.
 */
#include "edit/edits.h"
#include "edit/editwin.h"
#include "edit/undo.h"
#include "edit/editview.h"
#include "formats/fio.h"
#include "shell/document.h"
#include "shell/settings.h"
#include "shell/shell.h"
#include "resources/resource.h"
#include "plugins/progress.h"
#include "store/voc.h"

#include <stdio.h>
#include <stdlib.h>

static HCURSOR oldCursor;

static void waitCursor(int on)
{
    if (on)
        oldCursor = SetCursor(LoadCursor(NULL, IDC_WAIT));
    else
        SetCursor(oldCursor ? oldCursor : LoadCursor(NULL, IDC_ARROW));
}

static void repaint(void)
{
    if (Shell.main)
        InvalidateRect(Shell.main, NULL, FALSE);
}

static void fioSaveUndo(const char *label) { editSaveUndoWhole(label); }

/* The meter while a paste writes: the store's writes report to it. */
static int (*savedProgress)(uint32_t, uint32_t);
static int meterStep(uint32_t done, uint32_t total) { return progressMeter(done, total) ? 0 : 1; }
static void meterOpen(const char *caption)
{
    progressCreate(caption, NULL);
    savedProgress = VocHook.progress;
    VocHook.progress = meterStep;
}
static void meterClose(void)
{
    VocHook.progress = savedProgress;
    progressDestroy();
}
static int meterCancelled(void) { return Progress.cancelled != 0; }
static int meterUp(void) { return Progress.dialog != NULL; }

void editInit(void)
{
    editSetup(Settings.undoLevels, Settings.undoEnabled, Settings.pasteHilite, Settings.dither8Bit);
    Edit.hook.waitCursor = waitCursor;
    Edit.hook.repaint = repaint;
    Edit.hook.progressOpen = meterOpen;
    Edit.hook.progressClose = meterClose;
    Edit.hook.cancelled = meterCancelled;
    Edit.hook.busy = meterUp;
    FioHook.saveUndo = fioSaveUndo;
}

void editOwner(HWND owner) { Edit.hook.owner = owner; }

void editShutdown(void) { undoFree(); }

/* Called when the settings dialog changed UndoLevels or the Undo switch. */
void editSettingsChanged(void)
{
    undoSetLevels(Settings.undoLevels);
    undoSetEnabled(Settings.undoEnabled);
    Edit.pasteHilite = Settings.pasteHilite;
    Edit.smooth8 = Settings.dither8Bit;
}

/* The dialog-command wrapper: while one channel of a stereo wave is edited the dialog sees
   a mono wave; Cancel ends the command.  noDialog: Repeat without its dialog. */
int editDialogCommand(HWND hwnd, int dialogId, DLGPROC proc, LPARAM param, const char *caption,
                      void (*work)(uint32_t, uint32_t), int redrawSelectionOnly, int id,
                      const char *description, int noDialog)
{
    if (!noDialog && dialogId && proc) {
        uint16_t channels = Wave.channels;
        if (Wave.editChannel == 1 || Wave.editChannel == 2)
            Wave.channels = 1;
        INT_PTR r = DialogBoxParamA(Shell.instance, MAKEINTRESOURCEA(dialogId), hwnd, proc, param);
        Wave.channels = channels;
        if (r != IDOK)
            return 0;
    }
    return editWrapped(id, description, caption, work, redrawSelectionOnly);
}

