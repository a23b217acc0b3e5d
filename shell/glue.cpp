/*
 * glue.cpp - what the main window asks of the document, the files and the devices, for the
 * parts of the program that are not yet wired in.  Each function here is replaced by the
 * real call as its subsystem joins the shell.
 */
#include "shell/shell.h"
#include "shell/enabling.h"
#include "store/voc.h"
#include "store/blockfile.h"
#include "store/tempfile.h"
#include "shell/document.h"
#include "shell/settings.h"
#include "shell/newwave.h"
#include "shell/helpview.h"
#include "resources/resource.h"
#include "edit/undo.h"
#include "edit/editwin.h"
#include "view/view.h"
#include "edit/editview.h"
#include "formats/flttable.h"

int audioPlaying(void);
int audioRecording(void);

#include <stdio.h>
#include <string.h>

void helpShowTopic(const char *keyword) { helpShow(keyword); }

static void hookSetTitle(const char *title) { SetWindowTextA(Shell.main, title); }

static int hookTitleInUse(const char *title)
{
    for (HWND w = FindWindowA(SHELL_CLASSNAME, NULL); w; w = FindWindowExA(NULL, w, SHELL_CLASSNAME, NULL)) {
        char t[300];
        if (w != Shell.main && GetWindowTextA(w, t, sizeof t) > 0 && strcmp(t, title) == 0)
            return 1;
    }
    return 0;
}

static void hookButtons(int play, int zoom, int record)
{
    if (play >= 0) {
        /* Pause and Stop belong to a running playback; they are not enabled by a new wave. */
        extern int audioPlaying(void);
        shellEnableButton(BTN_PLAY, play);
        shellEnableButton(BTN_PAUSE, play && audioPlaying());
        shellEnableButton(BTN_STOP, play && audioPlaying());
    }
    if (zoom >= 0) {
        shellEnableButton(BTN_ZOOMIN, zoom);
        shellEnableButton(BTN_ZOOMOUT, zoom);
        shellEnableButton(BTN_FULLVIEW, zoom);
    }
    if (record >= 0)
        shellEnableButton(BTN_RECORD, record);
}

static void hookRedraw(void) { InvalidateRect(Shell.main, NULL, FALSE); }
static int hookAutoFill(void) { return Settings.autoFillInfo; }

static int hookNewDialog(DocFormat *f)
{
    NewWaveValues v = {0, f->sampleRate, f->channels, f->bitsPerSample, 0, 0, 0};
    if (!newWaveDialog(Shell.main, &v))
        return 1;
    f->sampleRate = v.rate;
    f->channels = v.channels;
    f->bitsPerSample = v.bits;
    return 0;
}

/* Settings, directories and the document, before the main window is created. */

void shellStartupSettings(void)
{
    settingsLoad();
    settingsFixTempDirs();
    tempSeed(osTickCount() ^ osProcessId());
    docInit();
    DocHook.setTitle = hookSetTitle;
    DocHook.titleInUse = hookTitleInUse;
    DocHook.buttons = hookButtons;
    DocHook.redraw = hookRedraw;
    DocHook.readRecent = settingsRecentRead;
    DocHook.writeRecent = settingsRecentWrite;
    DocHook.autoFillInfo = hookAutoFill;
    DocHook.newDialog = hookNewDialog;
    extern void shellInfoClear(void);
    extern void shellInfoSet(const char *id, const char *text);
    DocHook.clearInfo = shellInfoClear;
    DocHook.setInfo = shellInfoSet;
    editInit();
    extern void fileUiInit(void);
    fileUiInit();
    viewInit();
    extern void (*shellAfterLoad)(void);
    shellAfterLoad = viewReset;
    EditView.invalidate = InvalidateWaveRange;
    EditView.modified = viewModified;
    EditView.select = SetSelection;
    EditView.status = UpdateStatusFields;
    EditView.channel = SetEditChannel;
}

void shellShutdown(void)
{
    editShutdown();
    extern void fileUiShutdown(void);
    helpClose();
    tempStoreTeardown(1);
    viewShutdown();
    settingsSave();
    fileUiShutdown();
    tempTransferRelease();
}

void shellExitCleanup(void) { tempExitCleanup(); }
void cmdNew(void) { if (docSaveChangesPrompt()) docNew(); }
void cmdClose(void) { docClose(); }

/* Adjust Sample Rate (109): the same bytes read with another rate, and optionally another
   channel count and resolution; nothing in the store changes. */
void cmdAdjustRate(void)
{
    if (!BF.table || audioPlaying() || audioRecording() || Shell.spectralBusy)
        return;
    NewWaveValues v = {1, Doc.sampleRate, Wave.channels, Wave.bitsPerSample, Wave.blockAlign, 0, 0};
    if (!newWaveDialog(Shell.main, &v))
        return;
    int reshaped = v.channels != Wave.channels || v.bits != Wave.bitsPerSample;
    Doc.sampleRate = v.rate;
    vocSetFormat(v.channels, v.bits, Wave.dataLength);
    if (Wave.channels == 1)
        Wave.editChannel = 0;
    Doc.modified = 1;
    if (reshaped) {
        /* Another frame size: the frame numbers of the selection and view mean other data. */
        viewReset();
    }
    UpdateStatusFields();
    InvalidateRect(Shell.main, NULL, FALSE);
}
int shellUndoKind(void) { return Doc.undoKind; }
void shellUndoText(char *buf, int size) { snprintf(buf, (size_t)size, "%s", Doc.undoText); }

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
    in->undoAvailable = Doc.undoAvailable;
    in->undoSwitchedOff = !UndoStack.enabled;
    in->undoKind = Doc.undoKind;
    in->haveName = Doc.name[0] != 0;
    in->haveSelection = docHasSelection();
    in->clipboardHasWave = IsClipboardFormatAvailable(CF_WAVE);
    extern int audioPlaying(void), audioRecording(void);
    in->playing = audioPlaying();
    in->recording = audioRecording();
    in->haveFilters = FltTable.count > 0;
}
