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
#include "edit/xforms.h"
#include "shell/helpview.h"
#include "shell/profile.h"

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

/* ---- the built-in transforms' commands ---- */

static int noDialogs(void) { return DocHook.noDialogs && DocHook.noDialogs(); }

static INT_PTR CALLBACK BYTESWAPMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dlg, IDC_BS_TEXT, Wave.bitsPerSample == 16
            ? "Swap the high and low bytes of each 16-bit sample word."
            : "Adjuste every 8-bit sample byte such that the new zero position will be adjusted by a value of 128.");
        shellCentreOver(dlg, NULL);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        case IDC_HELPBTN:
            helpShow("Byte Swap");
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

static void byteSwapWork(uint32_t first, uint32_t last) { xformByteSwap(first, last, meterStep); }

/* Byte Swap (112): its dialog, then the swap over the selection (the whole wave when none). */
void editByteSwapCommand(int withoutDialog)
{
    editDialogCommand(Shell.main, IDD_BYTESWAP, BYTESWAPMsgProc, 0, "Swapping Bytes", byteSwapWork, 0,
                      EDIT_BYTESWAP, "Byte Swap", withoutDialog || noDialogs());
}

void editReverseCommand(void) { editReverse(meterStep); }
void editInvertCommand(void) { editInvert(meterStep); }

/* Generate Silence's duration: [Silence] Duration at first, then what was last typed. */
static double silenceSeconds = -1.0;

static INT_PTR CALLBACK SILENCEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG: {
        char t[64];
        snprintf(t, sizeof t, "%g", silenceSeconds);
        SetDlgItemTextA(dlg, IDC_SIL_TIME, t);
        shellCentreOver(dlg, NULL);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            char t[64], *end = NULL;
            GetDlgItemTextA(dlg, IDC_SIL_TIME, t, sizeof t);
            double v = strtod(t, &end);
            while (end && (*end == ' ' || *end == '\t'))
                end++;
            if (end == t || (end && *end) || !(v > 0.0) || v > 86400.0) {
                MessageBoxA(dlg, "Please enter the length of the silence in seconds (more than 0, at most 86400).",
                            "Sorry", MB_OK | MB_ICONEXCLAMATION);
                return TRUE;
            }
            silenceSeconds = v;
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        case IDC_HELPBTN:
            helpShow("Silence");
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

void editGenerateSilenceCommand(int withoutDialog)
{
    if (silenceSeconds < 0) {
        char t[32];
        profileGetString("Silence", "Duration", "10.0", t, sizeof t);
        silenceSeconds = atof(t);
        if (!(silenceSeconds > 0.0) || silenceSeconds > 86400.0)
            silenceSeconds = 10.0;
    }
    if (!withoutDialog && !noDialogs() &&
        DialogBoxParamA(Shell.instance, MAKEINTRESOURCEA(ID_SILENCE), Shell.main, SILENCEMsgProc, 0) != IDOK)
        return;
    editGenerateSilence(silenceSeconds);
}

