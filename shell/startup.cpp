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
#include "music/music.h"
#include "core/profile.h"
#include "edit/undo.h"
#include "edit/convert.h"
#include "formats/filter.h"
#include "lists/lists.h"
#include "scripts/scripts.h"
#include "core/scriptio.h"
#include "toolbar/toolbar.h"
#include "cd/cd.h"

#include <stdio.h>
#include <string.h>

/* ---- what the document asks of the windows ---- */

static void docTitle(const char *title)
{
    SetWindowTextA(Frame.main, title);
    analysisTitle(title);
    listsTitle(title);
}

/* New and Close: the INFO list and the cues go with the document. */
static void docClearItems(void)
{
    fileUiDocumentGone();
    cuesClear();
}

/* ---- what the view, playback and undo ask of the cue lists ---- */

static void afterLoad(void)
{
    listsAfterLoad();
    viewReset();
}

static void paintMarkers(void *dc) { listsPaintMarkers((HDC)dc); }

static int playListCount(void) { return listsPlayCount(); }
static int playListEntry(int index, PlayListEntry *out)
{
    return listsPlayEntry(index, &out->cue, &out->frames, &out->count);
}
static int playListCueStart(uint32_t cue, uint32_t *frame) { return listsCueStart(cue, frame); }
static void undoCuesPut(const void *copy) { cuesRestore(copy); }

/* ---- what the script engine asks of the document, the transforms and the lists ---- */

static int scriptLoaded(void) { return Doc.storeOpen; }
static uint32_t scriptFrames(void) { return docFrames(); }
static uint32_t scriptRate(void) { return Doc.sampleRate; }
static void scriptSelection(uint32_t *s, uint32_t *e)
{
    *s = Doc.selStart;
    *e = docHasSelection() ? Doc.selEnd : SCRIPT_NONE;
}
static void scriptSelect(uint32_t first, uint32_t last)
{
    SetSelection(first, last);
    UpdateStatusFields();
}
static const char *scriptTransformName(int id)
{
    int row = id - IDM_XFM_FIRST;
    return row >= 0 && row < XfmHost.count && XfmHost.rows ? XfmHost.rows[row].info.name : NULL;
}
/* The next transform command after `from` whose name, or "Generate <name>" for a
   generator, is name; 0 when none. */
static int scriptTransformId(const char *name, int from)
{
    for (int row = from >= IDM_XFM_FIRST ? from - IDM_XFM_FIRST + 1 : 0; row < XfmHost.count && XfmHost.rows; row++) {
        const XfmInfo &i = XfmHost.rows[row].info;
        char generate[64];
        snprintf(generate, sizeof generate, "Generate %s", i.name);
        if (!(i.flags & XFM_HIDDEN) && (strcmp(i.name, name) == 0 || ((i.flags & XFM_GENERATE) && strcmp(generate, name) == 0)))
            return IDM_XFM_FIRST + row;
    }
    return 0;
}
static int scriptCueCount(void) { return Cues.count; }
static void scriptCue(int i, uint32_t *id, uint32_t *pos, uint32_t *frame, uint32_t *len, const char **label,
                      const char **desc)
{
    *id = Cues.point[i].id;
    *pos = Cues.point[i].position;
    *frame = Cues.point[i].frame;
    *len = Cues.text[i].length;
    *label = Cues.text[i].label;
    *desc = Cues.text[i].desc;
}
static int scriptPlayCount(void) { return PlayList.count; }
static void scriptPlayEntry(int i, uint32_t *cue, uint32_t *frames, uint32_t *count)
{
    *cue = PlayList.entry[i].cue;
    *frames = PlayList.entry[i].frames;
    *count = PlayList.entry[i].count;
}
static void scriptCuesClear(void) { cuesClear(); }
static void scriptCueAdd(uint32_t id, uint32_t frame)
{
    uint8_t rec[24] = {0};
    for (int k = 0; k < 4; k++) {
        rec[k] = rec[4 + k] = (uint8_t)(id >> (8 * k));
        rec[20 + k] = (uint8_t)(frame >> (8 * k));
    }
    memcpy(rec + 8, "data", 4);
    cuesReadSpecial(40, rec, sizeof rec);
}
static void scriptCueText(int i, const char *label, const char *desc, uint32_t length)
{
    if (i < 0 || i >= Cues.count)
        return;
    cueSetLabel(i, label);
    cueSetDesc(i, desc);
    Cues.text[i].length = length;
    listsCuesChanged();
}
static void scriptPlayClear(void) { PlayList.count = 0; }
static void scriptPlayAdd(uint32_t cue, uint32_t frames, uint32_t count)
{
    int k = playListInsert(PlayList.count, cue);
    if (k >= 0) {
        PlayList.entry[k].frames = frames;
        PlayList.entry[k].count = count ? count : 1;
    }
}
static void scriptRateChanged(uint32_t oldRate, uint32_t newRate) { AdjustScaleForRate(oldRate, newRate); }
static void scriptRecordLong(long v) { RecordLong(v); }
static void scriptRecordInt16(int v) { RecordInt16(v); }
static void scriptRecordDouble(double v) { RecordDouble(v); }
static void scriptRecordText(const char *t) { RecordText(t); }
static long scriptReadLong(void) { return ReadLong(); }
static int scriptReadInt16(void) { return ReadInt16(); }
static double scriptReadDouble(void) { return ReadDouble(); }
static void scriptReadText(char *out, size_t size) { ReadText(out, size); }
static uint16_t scriptRunHandle(void) { return scriptRunning() ? 1 : 65535; }
static uint16_t scriptShowDialogsWord(void) { return (uint16_t)scriptsShowDialogs(); }

/* Each file dropped behind the first is marked with a cue named after it. */
static void markAppended(uint32_t frame, const char *name)
{
    const char *base = strrchr(name, '\\');
    AddCue(frame, frame - 1, base ? base + 1 : name, NULL);
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
    DocHook.clearInfo = docClearItems;
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
    FileUiHook.afterLoad = afterLoad;
    EditView.invalidate = InvalidateWaveRange;
    EditView.modified = viewModified;
    EditView.select = SetSelection;
    EditView.status = UpdateStatusFields;
    EditView.channel = SetEditChannel;

    /* The cue list and play list: they follow the sound through the store, travel with the
       file as its special items, come back with Undo, and scale with the sample rate. */
    CueHook.haveDocument = listsHaveDocument;
    CueHook.frames = listsFrames;
    CueHook.added = listsCueAdded;
    CueHook.changed = listsCuesChanged;
    CueHook.modified = listsModified;
    VocHook.cueInserted = cuesInserted;
    VocHook.cueDeleted = cuesDeleted;
    FilterHook.specialRead = cuesReadSpecial;
    FilterHook.specialData = cuesSpecialData;
    FileUiHook.emptyLists = cuesClear;
    FileUiHook.markAppended = markAppended;
    DocHook.refreshLists = listsRefresh;
    Convert.hook.cuesRescale = cuesRescale;
    UndoHook.cuesTake = cuesSnapshot;
    UndoHook.cuesPut = undoCuesPut;
    UndoHook.cuesDrop = cuesFreeSnapshot;
    ViewHook.paintMarkers = paintMarkers;
    PlayListHook.count = playListCount;
    PlayListHook.entry = playListEntry;
    PlayListHook.cueStart = playListCueStart;

    /* Scripts: recording and replaying what the commands do, their values through ScriptIo,
       the transforms' settings through their layouts. */
    ScriptHook.loaded = scriptLoaded;
    ScriptHook.frames = scriptFrames;
    ScriptHook.rate = scriptRate;
    ScriptHook.selection = scriptSelection;
    ScriptHook.select = scriptSelect;
    ScriptHook.transformName = scriptTransformName;
    ScriptHook.transformId = scriptTransformId;
    ScriptHook.cueCount = scriptCueCount;
    ScriptHook.cue = scriptCue;
    ScriptHook.playCount = scriptPlayCount;
    ScriptHook.playEntry = scriptPlayEntry;
    ScriptHook.cuesClear = scriptCuesClear;
    ScriptHook.cueAdd = scriptCueAdd;
    ScriptHook.cueText = scriptCueText;
    ScriptHook.playClear = scriptPlayClear;
    ScriptHook.playAdd = scriptPlayAdd;
    ScriptIo.recording = scriptsRecording;
    ScriptIo.running = scriptsRunning;
    ScriptIo.showDialogs = scriptsShowDialogs;
    ScriptIo.recordLong = scriptRecordLong;
    ScriptIo.recordDouble = scriptRecordDouble;
    ScriptIo.recordText = scriptRecordText;
    ScriptIo.readLong = scriptReadLong;
    ScriptIo.readDouble = scriptReadDouble;
    ScriptIo.readText = scriptReadText;
    ScriptIo.abort = scriptsAbort;
    ScriptIo.rateChanged = scriptRateChanged;
    DocHook.noDialogs = scriptsSilent;
    Convert.hook.rateChanged = scriptRateChanged;
    XfmHost.script.running = scriptsRunning;
    XfmHost.script.recording = scriptsRecording;
    XfmHost.script.runHandle = scriptRunHandle;
    XfmHost.script.showDialogs = scriptShowDialogsWord;
    XfmHost.script.abort = scriptsAbort;
    XfmHost.script.recordCommand = RecordCommandName;
    XfmHost.script.recordLong = scriptRecordLong;
    XfmHost.script.recordInt16 = scriptRecordInt16;
    XfmHost.script.recordDouble = scriptRecordDouble;
    XfmHost.script.recordText = scriptRecordText;
    XfmHost.script.readLong = scriptReadLong;
    XfmHost.script.readInt16 = scriptReadInt16;
    XfmHost.script.readDouble = scriptReadDouble;
    XfmHost.script.readText = scriptReadText;
    FilterHook.batchRaw = scriptsBatchRaw;
    scriptsStartup();

    /* Convolution's progress goes to the transform host's meter. */
    Dsp.hook.progressOpen = dspMeterOpen;
    Dsp.hook.step = dspMeterStep;
    Dsp.hook.cancelled = dspMeterCancelled;
    Dsp.hook.progressClose = dspMeterClose;
    /* The analysis window hears of every change to the samples or the selection. */
    DocHook.analysisRefresh = analysisRefresh;
    Edit.hook.analysisRefresh = analysisRefresh;
    ViewHook.analysisRefresh = analysisRefresh;
    /* The Music window follows the selection and the edit channel. */
    ViewHook.musicNotify = musicNotify;
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
    /* And the play list and cue list likewise. */
    if (Shell.firstInstance && profileGetInt("Size", "PlayList", 0) != 0)
        PostMessageA(Frame.main, WM_COMMAND, IDM_PLAYLIST, 0);
    if (Shell.firstInstance && profileGetInt("Size", "CueList", 0) != 0)
        PostMessageA(Frame.main, WM_COMMAND, IDM_CUELIST, 0);
}

/* ---- shutdown, on WM_DESTROY ---- */

void shutdownAll(void)
{
    analysisShutdown();   /* its placement saved while the main window still exists */
    musicShutdown();      /* preview stopped, its work files gone */
    listsShutdown();
    scriptsShutdown();
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
