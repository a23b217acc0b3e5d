/*
 * commands.cpp - WM_COMMAND dispatch (one line per command id) and the enabling pass that
 * applies the rules of enabling.cpp to the menu, the toolbar and Repeat Last Command.
 * Handlers whose feature comes with a later part of the program are named here and do
 * nothing yet.  Writes Commands.
 */
#include "shell/shell.h"
#include "shell/enabling.h"
#include "resources/resource.h"
#include "audio/audio.h"
#include "edit/edits.h"
#include "edit/editwin.h"
#include "ui/helpview.h"
#include "view/view.h"
#include "core/document.h"
#include "edit/undo.h"
#include "formats/fileui.h"
#include "formats/flttable.h"
#include "shell/settingsdlg.h"
#include "store/blockfile.h"
#include "store/voc.h"
#include "plugins/xfmhost.h"
#include "analysis/analysis.h"
#include "lists/lists.h"
#include "scripts/scripts.h"
#include "toolbar/toolbar.h"
#include "cd/cd.h"
#include "music/music.h"
#include "audio/playcore.h"

#include <stdio.h>
#include <string.h>

struct CommandState {
    int repeatNoDialog;   /* set while F3 re-issues the last command without its dialog */
    int lastCommandOk;    /* the last enabling pass left Repeat enabled */
};
CommandState Commands;

static void notYet(int id) { (void)id; }

static void cmdNewInstance(void)
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    char line[MAX_PATH + 2];
    snprintf(line, sizeof line, "\"%s\"", path);
    WinExec(line, SW_SHOWNORMAL);
}

static void cmdRepeat(int withoutDialog)
{
    commandEnablePass(NULL);
    int kind = Doc.undoKind;
    if (!Commands.lastCommandOk || kind == 0 || kind == 0xFFFF)
        return;
    if (!withoutDialog) {
        PostMessageA(Frame.main, WM_COMMAND, (WPARAM)kind, 0);
        return;
    }
    Commands.repeatNoDialog = 1;
    SendMessageA(Frame.main, WM_COMMAND, (WPARAM)kind, 0);
    Commands.repeatNoDialog = 0;
}

/* What the enabling rules need to know, gathered from the document and the devices. */
static void gatherEnableInputs(EnableInputs *in)
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
    in->playing = audioPlaying();
    in->recording = audioRecording();
    in->haveFilters = FltTable.count > 0;
    in->spectralBusy = Frame.spectralBusy;
    in->analysisOpen = analysisIsOpen();
    in->cueListOpen = listsCueListOpen();
    in->playListOpen = listsPlayListOpen();
    in->cdAvailable = cdAvailable();
    in->plugins = xfmEnableCaps(in->pluginCaps, ENABLE_MAXPLUGINS);
}

static_assert(XFM_CAP_STEREO16 == PLUG_STEREO16 && XFM_CAP_MONO16 == PLUG_MONO16 && XFM_CAP_NEEDWAVE == PLUG_NEEDWAVE &&
                  XFM_CAP_NEEDDATA == PLUG_NEEDDATA && XFM_CAP_NOSINGLE == PLUG_NOSINGLE,
              "transform capabilities are the enabling rules' bits");

static void cmdNew(void)
{
    if (docSaveChangesPrompt())
        docNew();
}

/* What may run while a long operation pumps messages behind the progress meter: looking
   (zoom, scroll, time formats), help, and stopping playback.  Everything else could change
   or pull away the store and the document the operation is working on. */
static int allowedWhileBusy(int id)
{
    switch (id) {
    case IDM_TIME_DECIMAL: case IDM_TIME_FRAMES: case IDM_TIME_SAMPLES: case IDM_TIME_SMPTE:
    case IDM_ZOOMIN: case IDM_ZOOMOUT: case IDM_FULLVIEW:
    case IDM_PAGEUP: case IDM_PAGEDOWN: case IDM_HOME: case IDM_END: case 777: case 778:
    case IDM_HELPCONTENTS: case IDM_QUICKREF: case IDM_FEATURES: case IDM_ABOUT:
    case IDM_STOP: case IDM_PAUSE: case IDM_FOCUSMAIN: case IDM_NOACTION_F1:
        return 1;
    }
    return 0;
}

/* While the spectral picture is drawn its pump dispatches commands: those the enabling rules
   grey for that state are refused here too, as they could come by accelerator. */
static int refusedWhileDrawing(int id)
{
    if (!Frame.spectralBusy)
        return 0;
    EnableInputs in;
    memset(&in, 0, sizeof in);
    gatherEnableInputs(&in);
    static EnableResult r;
    enableEvaluate(&in, &r);
    if (id >= IDM_XFM_FIRST && id < IDM_XFM_FIRST + in.plugins)
        return r.pluginOff[id - IDM_XFM_FIRST];
    return r.disabled(id);
}

static void dispatchOne(HWND hwnd, int id, int notify, HWND control);

/* Every command: written into a script being recorded before it runs, and a running
   script's next step asked for once it is done (or refused). */
void commandDispatch(HWND hwnd, int id, int notify, HWND control)
{
    int command = !control || notify == BN_CLICKED;   /* not a status field's notification */
    if (command)
        scriptsBeforeCommand(id);
    dispatchOne(hwnd, id, notify, control);
    if (command)
        scriptsAfterCommand(id);
}

static void dispatchOne(HWND hwnd, int id, int notify, HWND control)
{
    if ((frameBusy() && !allowedWhileBusy(id)) || refusedWhileDrawing(id)) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    if (control && notify == STN_DBLCLK && viewStatusDoubleClick(control))
        return;
    switch (id) {
    case IDM_NEW:           cmdNew(); break;
    case IDM_NEWINSTANCE:   cmdNewInstance(); break;
    case IDM_OPEN:          fileUiOpen(); break;
    case IDM_OPENAS:        fileUiOpenAs(); break;
    case IDM_OPENAPPEND:    fileUiOpenAppend(); break;
    case IDM_REOPEN:        fileUiReopen(); break;
    case IDM_CLOSE:         docClose(); break;
    case IDM_SAVE:          fileUiSave(0, 0); break;
    case IDM_SAVEAS:        fileUiSave(1, 0); break;
    case IDM_SAVESEL:       fileUiSave(1, 1); break;
    case IDM_TOOLSAVE:      fileUiSave(toolbarSaveNow() ? 0 : 1, 0); break;
    case IDM_EXIT:          PostMessageA(hwnd, WM_CLOSE, 0, 0); break;
    case IDM_UNDO:          editUndo(); break;
    case IDM_REPEAT:        cmdRepeat(0); break;
    case IDM_REPEATNODLG:   cmdRepeat(1); break;
    case IDM_COPY:          editCopy(); break;
    case IDM_CUT:           editCut(); break;
    case IDM_PASTE:         editPaste((long)(INT_PTR)control); break;
    case IDM_PASTESPECIAL:  editPasteSpecialCommand(Commands.repeatNoDialog); break;
    case IDM_SELECTALL:     editSelectAll(IsWindowEnabled(Frame.button[BTN_PLAY])); break;
    case IDM_ZEROCROSS:     editZeroCross(); break;
    case IDM_EDITLEFT:      editChannelCommand(id); break;
    case IDM_EDITRIGHT:     editChannelCommand(id); break;
    case IDM_EDITBOTH:      editChannelCommand(id); break;
    case IDM_EDITLEFTONLY:  editChannelCommand(id); break;
    case IDM_EDITRIGHTONLY: editChannelCommand(id); break;
    case IDM_DELETE:        editDelete(GetFocus() == hwnd); break;
    case IDM_TRIM:          editTrim(); break;
    case IDM_TIME_DECIMAL:  viewCommand(id); break;
    case IDM_TIME_FRAMES:   viewCommand(id); break;
    case IDM_TIME_SAMPLES:  viewCommand(id); break;
    case IDM_TIME_SMPTE:    viewCommand(id); break;
    case IDM_VIEWRANGE:     viewCommand(id); break;
    case IDM_SPECTRAL:      viewCommand(id); break;
    case IDM_BYTESWAP:      editByteSwapCommand(Commands.repeatNoDialog); break;
    case IDM_ADJUSTRATE:    editAdjustRateCommand(); break;
    case IDM_CONVERT:       editConvertCommand(); break;
    case IDM_REVERSE:       editReverseCommand(); break;
    case IDM_SILENCE:       editSilence(); break;
    case IDM_INVERT:        editInvertCommand(); break;
    case IDM_MUSIC:         musicOpen(); break;
    case IDM_GENSILENCE:    editGenerateSilenceCommand(Commands.repeatNoDialog); break;
    case IDM_LOOP:          audioCmdLoop(); break;
    case IDM_MONITOR:       audioCmdMonitor(notify); break;
    case IDM_INFO:          waveInfoCommand(); break;
    case IDM_ANALYSIS:      analysisOpen(); break;
    case IDM_CDPLAYER:      cdCommand(id, notify); break;
    case IDM_CUELIST:       listsCmdCueList(); break;
    case IDM_PLAYLIST:      listsCmdPlayList(); break;
    case IDM_SCRIPTS:       scriptsCmdDialog(); break;
    case IDM_SELECTDEVICE:  audioCmdSelectDevice(); break;
    case IDM_TOOLBARSET:    toolbarSettingsCommand(); break;
    case IDM_SETTINGS:      cmdSettings(); break;
    case IDM_HELPCONTENTS:  helpShow(HELPKEY_CONTENTS); break;
    case IDM_QUICKREF:      helpShow(HELPKEY_QUICKREF); break;
    case IDM_FEATURES:      helpShow(HELPKEY_FEATURES); break;
    case IDM_ABOUT:         cmdAbout(); break;
    case IDM_CARETRIGHT:    viewCommand(id); break;
    case IDM_CARETLEFT:     viewCommand(id); break;
    case IDM_EXTENDRIGHT:   viewCommand(id); break;
    case IDM_EXTENDLEFT:    viewCommand(id); break;
    case IDM_HOLDSPECTRAL:  viewCommand(id); break;
    case IDM_FOCUSNEXT:     notYet(id); break;
    case IDM_FOCUSPREV:     notYet(id); break;
    case IDM_FOCUSMAIN:     SetFocus(hwnd); break;
    case IDM_PAUSE:         audioCmdPause(); break;
    case IDM_RECORD:        audioCmdRecord(); break;
    case IDM_FULLVIEW:      viewCommand(id); break;
    case IDM_ZOOMOUT:       viewCommand(id); break;
    case IDM_ZOOMIN:        viewCommand(id); break;
    case IDM_STOP:          audioCmdStop(); break;
    case IDM_PLAY:          audioCmdPlay(); break;
    case IDM_SELECTVIEW:    viewCommand(id); break;
    case IDM_DESELECT:      viewCommand(id); break;
    case IDM_ADDCUE:        listsCmdAddCue(); break;
    case IDM_PAGEUP:        viewCommand(id); break;
    case IDM_PAGEDOWN:      viewCommand(id); break;
    case IDM_HOME:          viewCommand(id); break;
    case IDM_END:           viewCommand(id); break;
    case IDM_TIMEDRECORD:   notYet(id); break;
    case IDM_NOACTION_F1:   break;
    case 103: case 108: case 110: case 111: case 132: break;   /* no action */
    case 777: case 778:     viewCommand(id); break;          /* quarter-page scrolls */
    default:
        if (id >= IDM_CD_TITLE && id <= IDM_CD_TRACKS)
            cdCommand(id, notify);
        else if (id >= IDM_CDTRACK1 && id <= IDM_CDTRACK1 + 9)
            cdCommand(id, notify);
        else if (id >= IDM_XFM_FIRST && id <= IDM_XFM_LAST)
            RunTransformCommand(id, Commands.repeatNoDialog);
        else
            DefWindowProcA(hwnd, WM_COMMAND, MAKEWPARAM(id, notify), (LPARAM)control);
        break;
    }
}

/* The latest pass, which the toolbar's buttons follow. */
static EnableResult lastPass;
static int lastPassPlugins;

int commandButtonState(int id)
{
    const EnableResult &r = lastPass;
    int off = 0, on = 0;
    if (id >= IDM_XFM_FIRST && id <= IDM_XFM_LAST) {
        off = id - IDM_XFM_FIRST >= lastPassPlugins || r.pluginOff[id - IDM_XFM_FIRST];
    } else {
        off = r.disabled(id);
        for (int i = 0; i < EnableNotBuiltCount; i++)
            if (EnableNotBuilt[i] == id)
                off = 1;
    }
    int stereo = Wave.channels == 2;
    switch (id) {
    case IDM_LOOP:          on = Play.loopMode; break;
    case IDM_MONITOR:       on = audioMeterRunning(); break;
    case IDM_SPECTRAL:      on = viewSpectralShown(); break;
    case IDM_EDITBOTH:      on = stereo && r.editChannel == 0; break;
    case IDM_EDITLEFTONLY:  on = stereo && r.editChannel == 1; break;
    case IDM_EDITRIGHTONLY: on = stereo && r.editChannel == 2; break;
    }
    return (off ? TB_STATE_OFF : 0) | (on ? TB_STATE_ON : 0);
}

void commandEnablePass(HMENU menu)
{
    EnableInputs in;
    memset(&in, 0, sizeof in);
    gatherEnableInputs(&in);
    EnableResult &r = lastPass;
    enableEvaluate(&in, &r);
    lastPassPlugins = in.plugins;
    toolbarApplyStates();
    Commands.lastCommandOk = r.lastCommandOk;
    if (menu) {
        for (int i = 0; i < r.count; i++)
            EnableMenuItem(menu, (UINT)r.ids[i], MF_BYCOMMAND | (r.off[i] ? MF_GRAYED : MF_ENABLED));
        for (int i = 0; i < in.plugins; i++)
            EnableMenuItem(menu, (UINT)(IDM_XFM_FIRST + i), MF_BYCOMMAND | (r.pluginOff[i] ? MF_GRAYED : MF_ENABLED));
        for (int i = 0; i < EnableNotBuiltCount; i++)
            EnableMenuItem(menu, (UINT)EnableNotBuilt[i], MF_BYCOMMAND | MF_GRAYED);
        char text[64], base[64];
        if (r.undoTextKind)
            frameString(r.undoTextKind, text, sizeof text);
        else
            snprintf(text, sizeof text, "%s", Doc.undoText);
        /* Keep the accelerator hint that follows a tab in the menu text. */
        GetMenuStringA(menu, IDM_UNDO, base, sizeof base, MF_BYCOMMAND);
        const char *tab = strchr(base, '\t');
        char full[128];
        snprintf(full, sizeof full, "%s%s", text, tab ? tab : "");
        ModifyMenuA(menu, IDM_UNDO, MF_BYCOMMAND | MF_STRING | (r.disabled(IDM_UNDO) ? MF_GRAYED : 0), IDM_UNDO, full);
        int ec = r.editChannel;
        int stereo = in.channels == 2;
        CheckMenuItem(menu, IDM_EDITLEFT, MF_BYCOMMAND | (stereo && (ec == 0 || ec == 1) ? MF_CHECKED : MF_UNCHECKED));
        CheckMenuItem(menu, IDM_EDITRIGHT, MF_BYCOMMAND | (stereo && (ec == 0 || ec == 2) ? MF_CHECKED : MF_UNCHECKED));
        CheckMenuItem(menu, IDM_MONITOR, MF_BYCOMMAND | (audioMeterRunning() ? MF_CHECKED : MF_UNCHECKED));
    }
    HMENU sys = GetSystemMenu(Frame.main, FALSE);
    if (sys)
        EnableMenuItem(sys, SC_CLOSE, MF_BYCOMMAND | (r.disabled(IDM_EXIT) ? MF_GRAYED : MF_ENABLED));
}
