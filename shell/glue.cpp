/*
 * glue.cpp - what the main window asks of the document, the files and the devices, for the
 * parts of the program that are not yet wired in.  Each function here is replaced by the
 * real call as its subsystem joins the shell.
 */
#include "shell/shell.h"
#include "shell/enabling.h"
#include "store/voc.h"
#include "store/blockfile.h"
#include "resources/resource.h"

#include <string.h>

int audioPlaying(void) { return 0; }
int audioRecording(void) { return 0; }
int docSaveChangesPrompt(void) { return 1; }
void shellStartupOpen(void) {}
void shellLoadDropped(const char *list, int count) { (void)list; (void)count; }
void shellShutdown(void) { bclose(); }
void shellExitCleanup(void) {}
void viewPaint(HDC dc, const RECT *area) { (void)dc; (void)area; }
void cmdNew(void) {}
void cmdOpen(void) {}
void cmdClose(void) {}
void cmdSave(int asNew, int selectionOnly) { (void)asNew; (void)selectionOnly; }
void cmdSettings(void) {}
int shellUndoKind(void) { return 0; }
void shellUndoText(char *buf, int size) { shellString(IDS_CANTUNDO, buf, size); }

static INT_PTR CALLBACK ABOUTMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dlg, IDC_ABOUT_NAME, Shell.programName);
        SetDlgItemTextA(dlg, IDC_ABOUT_VERSION, Shell.versionText);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(dlg, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

void cmdAbout(void)
{
    DialogBoxParamA(Shell.instance, MAKEINTRESOURCEA(ID_ABOUT_BOX), Shell.main, ABOUTMsgProc, 0);
}

void shellGatherEnableInputs(EnableInputs *in)
{
    in->waveLoaded = BF.table != NULL;
    in->channels = Wave.channels;
    in->dataBytes = Wave.dataLength;
    in->editChannel = Wave.editChannel;
    in->undoAvailable = 0;
    in->clipboardHasWave = IsClipboardFormatAvailable(CF_WAVE);
}
