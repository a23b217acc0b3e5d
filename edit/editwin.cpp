/*
 * editwin.cpp - the Edit menu's commands in the Win32 program: start-up of the editing
 * subsystem from the settings, the shell-side hooks (wait cursor, repaint, owner window),
 * the command entry points commands.cpp calls, and the Viewing Range dialog.
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

static INT_PTR CALLBACK SAMPLESMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    uint32_t *range = (uint32_t *)GetWindowLongPtrA(dlg, DWLP_USER);
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        range = (uint32_t *)lParam;
        char t[32];
        snprintf(t, sizeof t, "%ld", (long)range[0]);
        SetDlgItemTextA(dlg, IDC_VR_FROM, t);
        snprintf(t, sizeof t, "%ld", (long)range[1]);
        SetDlgItemTextA(dlg, IDC_VR_TO, t);
        RECT r, o;
        GetWindowRect(dlg, &r);
        GetWindowRect(Shell.main, &o);
        SetWindowPos(dlg, NULL, o.left + ((o.right - o.left) - (r.right - r.left)) / 2,
                     o.top + ((o.bottom - o.top) - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            char t[32];
            GetDlgItemTextA(dlg, IDC_VR_FROM, t, sizeof t);
            range[0] = (uint32_t)strtoul(t, NULL, 10);
            GetDlgItemTextA(dlg, IDC_VR_TO, t, sizeof t);
            range[1] = (uint32_t)strtoul(t, NULL, 10);
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        case IDC_HELPBTN:
            WinHelpA(Shell.main, Shell.helpName, HELP_KEY, (ULONG_PTR)"Viewing");
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

void editViewingRange(void)
{
    uint32_t range[2] = {Doc.viewStart, Doc.viewEnd == DOC_NONE ? 0 : Doc.viewEnd};
    if (DialogBoxParamA(Shell.instance, MAKEINTRESOURCEA(ID_SAMPLESDLG), Shell.main, SAMPLESMsgProc,
                        (LPARAM)range) != IDOK)
        return;
    uint32_t frames = docFrames();
    uint32_t from = range[0], to = range[1];
    /* Values past the wave or in the wrong order are kept within the wave. */
    if (frames == 0)
        return;
    if (from > frames - 1)
        from = frames - 1;
    if (to > frames - 1)
        to = frames - 1;
    if (to < from)
        to = from;
    uint32_t width = (uint32_t)(Shell.waveArea.right > Shell.waveArea.left ? Shell.waveArea.right - Shell.waveArea.left : 1);
    Doc.viewStart = from;
    Doc.viewEnd = to;
    if (to - from + 1 < width) {
        editSelect(from, to);
        uint64_t end = (uint64_t)from + width;
        Doc.viewEnd = end > frames - 1 ? frames - 1 : (uint32_t)end;
    }
    editViewModified();
}
