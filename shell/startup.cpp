/*
 * startup.cpp - the one place where the program is put together: start-up in the order the
 * subsystems depend on each other (settings and directories, the document, the editing
 * engine, the files, the view; then, with the main window, the message hook, the devices
 * and the file preview), every hook between subsystems assigned here and nowhere else,
 * and shutdown in its fixed order.
 *
 * A new subsystem adds one block to startupBeforeWindow or startupWindowCreated, and one to
 * shutdownAll.
 */
#include "shell/shell.h"
#include "core/document.h"
#include "core/settings.h"
#include "store/tempfile.h"
#include "os/os.h"
#include "ui/helpview.h"
#include "formats/fileui.h"
#include "formats/fio.h"
#include "ui/newwave.h"
#include "edit/editwin.h"
#include "edit/editview.h"
#include "edit/edits.h"
#include "view/view.h"
#include "audio/audio.h"
#include "plugins/xfmhost.h"
#include "plugins/progress.h"
#include "dsp/dsp.h"
#include "analysis/analysis.h"
#include "core/profile.h"
#include "edit/undo.h"
#include "toolbar/toolbar.h"
#include "cd/cd.h"

#include <stdio.h>
#include <string.h>

/* ---- what the document asks of the windows ---- */

static void docTitle(const char *title)
{
    SetWindowTextA(Frame.main, title);
    analysisTitle(title);
}

static int docTitleInUse(const char *title)
{
    for (HWND w = FindWindowA(FRAME_CLASSNAME, NULL); w; w = FindWindowExA(NULL, w, FRAME_CLASSNAME, NULL)) {
        char t[300];
        if (w != Frame.main && GetWindowTextA(w, t, sizeof t) > 0 && strcmp(t, title) == 0)
            return 1;
    }
    return 0;
}

static void docButtons(int play, int zoom, int record)
{
    if (play >= 0) {
        /* Pause and Stop belong to a running playback; they are not enabled by a new wave. */
        frameEnableButton(BTN_PLAY, play && audioHaveOutput());   /* nothing to play on without a device */
        frameEnableButton(BTN_PAUSE, play && audioPlaying());
        frameEnableButton(BTN_STOP, play && audioPlaying());
    }
    if (zoom >= 0) {
        frameEnableButton(BTN_ZOOMIN, zoom);
        frameEnableButton(BTN_ZOOMOUT, zoom);
        frameEnableButton(BTN_FULLVIEW, zoom);
    }
    if (record >= 0)
        frameEnableButton(BTN_RECORD, record && AUDIO_CAN_RECORD);
}

static int docAutoFill(void) { return Settings.autoFillInfo; }

static int docNewDialog(DocFormat *f)
{
    NewWaveValues v = {0, f->sampleRate, f->channels, f->bitsPerSample, 0, 0, 0};
    if (!newWaveDialog(Frame.main, &v))
        return 1;
    f->sampleRate = v.rate;
    f->channels = v.channels;
    f->bitsPerSample = v.bits;
    return 0;
}

/* ---- what the signal-analysis engine asks of the progress meter ---- */

static void dspMeterOpen(const char *title) { progressCreate(title, NULL); }
static int dspMeterCancelled(void) { return Progress.cancelled != 0; }
static void dspMeterClose(void) { progressDestroy(); }
static int dspMeterStep(uint32_t done, uint32_t total)
{
    progressMeter(done, total);   /* pumps messages; Cancel shows in the flag */
    return dspMeterCancelled();
}

/* ---- what recording asks of the undo stack ---- */

static uint32_t recordUndoSaved;   /* bytes of the undo copy taken before the recording */

static int recordUndoBefore(uint32_t from, uint32_t frames)
{
    recordUndoSaved = 0;
    if (from >= frames)
        return 1;   /* recording at the end overwrites nothing */
    if (!undoSaveOrAsk(from, frames - 1))
        return 0;
    if (Doc.undoAvailable > 0)
        recordUndoSaved = UndoStack.pendingSaved;
    return 1;
}

static void recordUndoAbandon(void)
{
    if (recordUndoSaved)
        undoPop();
    recordUndoSaved = 0;
}

/* Undo puts the old tail back by the paste rule: the frames from the cursor to the larger
   of the old and the new end are cut, the saved tail goes back in. */
static void recordUndoAfter(uint32_t first, uint32_t recorded, uint32_t oldFrames)
{
    if (recorded == 0) {
        recordUndoAbandon();   /* nothing changed: the copy taken before is not needed */
        return;
    }
    uint32_t last = first + recorded - 1;
    uint32_t end = oldFrames && oldFrames - 1 > last ? oldFrames - 1 : last;
    if (UndoStack.enabled) {
        undoRecord(IDM_PASTE, first, end, recordUndoSaved, "Undo Record");
        Doc.undoAvailable = 1;
    }
    Doc.undoKind = IDM_RECORD;
    recordUndoSaved = 0;
}

static void docMeterChannels(int channels) { SetMeterChannels(channels, 0); }

static void refreshCommands(void)
{
    if (Frame.main)
        commandEnablePass(GetMenu(Frame.main));
}

static void refreshToolbar(void)
{
    if (Frame.main && !Frame.closing)
        commandEnablePass(NULL);
}

/* ---- start-up ---- */

void startupBeforeWindow(void)
{
    /* Settings and the directories first: everything else reads them. */
    settingsLoad();
    settingsFixTempDirs();
    tempSeed(osTickCount() ^ osProcessId());
    tempStartupCleanup();   /* store and undo files of copies that were killed */
    FrameHook.refreshCommands = refreshCommands;

    /* The document and what it asks of the windows and of the other subsystems. */
    docInit();
    DocHook.setTitle = docTitle;
    DocHook.titleInUse = docTitleInUse;
    DocHook.buttons = docButtons;
    DocHook.readRecent = settingsRecentRead;
    DocHook.writeRecent = settingsRecentWrite;
    DocHook.autoFillInfo = docAutoFill;
    DocHook.newDialog = docNewDialog;
    DocHook.clearInfo = fileUiDocumentGone;
    DocHook.save = fileUiSaveDocument;
    DocHook.setInfo = waveInfoSet;

    /* Editing, then the files (whose flows call the undo and paste engines), then the view. */
    editInit();
    FioHook.saveUndo = editSaveUndoWhole;   /* a conversion on save is undone as a whole */
    FioHook.convertDialog = editConvertDialogForSave;
    FioHook.convert = editConvertForSave;
    fileUiInit();
    viewInit();
    FioHook.overviewBegin = viewOverviewBegin;   /* the summary is built while a file is read */
    FioHook.overviewFeed = viewOverviewFeed;
    FioHook.viewEnd = viewFollowEnd;
    DocHook.redraw = viewReset;
    FileUiHook.afterLoad = viewReset;
    EditView.invalidate = InvalidateWaveRange;
    EditView.modified = viewModified;
    EditView.select = SetSelection;
    EditView.status = UpdateStatusFields;
    EditView.channel = SetEditChannel;

    /* Convolution's progress goes to the transform host's meter. */
    Dsp.hook.progressOpen = dspMeterOpen;
    Dsp.hook.step = dspMeterStep;
    Dsp.hook.cancelled = dspMeterCancelled;
    Dsp.hook.progressClose = dspMeterClose;
    /* The analysis window hears of every change to the samples or the selection. */
    DocHook.analysisRefresh = analysisRefresh;
    Edit.hook.analysisRefresh = analysisRefresh;
    ViewHook.analysisRefresh = analysisRefresh;
}

void startupWindowCreated(HWND hwnd)
{
    (void)hwnd;
    osSetMessageHook(frameMessage);
    helpFileDialogMessage(0);   /* registers "commdlg_help" */
    audioStartup();
    RecordHook.undoBefore = recordUndoBefore;
    RecordHook.undoAbandon = recordUndoAbandon;
    RecordHook.undoAfter = recordUndoAfter;
    DocHook.meterChannels = docMeterChannels;
    FileUiHook.preview = audioPreviewFile;
    FileUiHook.previewStop = audioPreviewStop;

    /* Transform modules: the registry and their menu entries, now that the menu exists. */
    xfmStartup(Frame.programDir);

    /* The toolbar, once the registry is built: its buttons follow the enabling pass. */
    toolbarInit(Frame.toolbar);
    Toolbar.hook.state = commandButtonState;
    Toolbar.hook.refresh = refreshToolbar;

    /* The CD player: is there a drive?  Its panel shows under the toolbar when asked for. */
    cdInit();
}

void startupOpenCommandLine(void)
{
    fileUiOpenCommandLine(Shell.commandLine);
    /* The first copy reopens the analysis window that was open at the last exit. */
    if (Shell.firstInstance && profileGetInt("Size", "Analyzer", 0) != 0)
        PostMessageA(Frame.main, WM_COMMAND, IDM_ANALYSIS, 0);
}

/* ---- shutdown, on WM_DESTROY ---- */

void shutdownAll(void)
{
    analysisShutdown();   /* its placement saved while the main window still exists */
    audioShutdown();
    editShutdown();
    xfmShutdown();   /* settings saved under "Profile", modules told, registry freed */
    cdShutdown();   /* the CD device closed */
    toolbarShutdown();
    helpClose();
    tempStoreTeardown(1);
    viewShutdown();
    settingsSave();
    fileUiShutdown();
    dspShutdown();   /* window and FFT tables */
    tempTransferRelease();
}

void shutdownLastCopy(void) { tempExitCleanup(); }
