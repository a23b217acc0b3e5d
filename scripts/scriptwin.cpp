/*
 * scriptwin.cpp - the "Zelo Scripts" and "Batch Process" dialogs, recording the commands the
 * shell carries out, and the event-driven runner: each step reads on to the next command and
 * posts it; the command, once done, asks for the next step.
 *
 * Global state: ScriptWin (paths, the pending recording, the commands awaited, the batch).
 */
#include "scripts/scripts.h"
#include "core/document.h"
#include "core/profile.h"
#include "store/tempfile.h"
#include "ui/frame.h"
#include "formats/fileui.h"
#include "formats/flttable.h"
#include "formats/filter.h"
#include "formats/fio.h"
#include "edit/undo.h"
#include "ui/newwave.h"
#include "resources/resource.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define BATCH_LISTMAX 128000

struct ScriptWinState {
    char     collection[MAX_PATH];  /* [Scripts] Opened */
    char     tmp[MAX_PATH];         /* script.tmp in the temporary folder */
    char     pending[SCRIPT_TITLEMAX + 1];  /* recorded, not added yet */
    char     runTitle[SCRIPT_TITLEMAX + 1];
    int      awaited;               /* commands posted by the runner and not yet done */
    HWND     dlg;
    /* batch */
    char    *files;                 /* NUL-separated: directory, names..., "" */
    size_t   filesPos;
    char     dest[160];
    char     templ[32], ext[8];
    int      format;
    uint32_t options;
    int      overwrite, noUndo, undoWasOn;
    int      savedPause, savedRelative, savedAlert;
    char     current[MAX_PATH];     /* the batch's file being processed */
    int      done, skipped, failed, total, index;
    int      cancelled;             /* Cancel: stop after the current file */
    HWND     progress;              /* the batch's progress window */
    FltRaw   raw;                   /* how raw files are read during the batch */
};
static ScriptWinState ScriptWin;

/* ---- options ---- */

static void loadOptions(void)
{
    if (!ScriptWin.collection[0])
        profileGetString("Scripts", "Opened", "", ScriptWin.collection, sizeof ScriptWin.collection);
    if (!ScriptWin.tmp[0])
        snprintf(ScriptWin.tmp, sizeof ScriptWin.tmp, "%s\\script.tmp", TF.tempDir);
    Script.pauseAtDialogs = profileGetInt("Scripts", "DialogStop", 1) != 0;
    Script.alert = profileGetInt("Scripts", "Report", 1) != 0;
    Script.relative = profileGetInt("Scripts", "Relative", Script.relative) != 0;
}

static void saveOptions(void)
{
    profileSetString("Scripts", "DialogStop", Script.pauseAtDialogs ? "1" : "0");
    profileSetString("Scripts", "Report", Script.alert ? "1" : "0");
    profileSetString("Scripts", "Relative", Script.relative ? "1" : "0");
    profileSetString("Scripts", "Opened", ScriptWin.collection);
}

void scriptsStartup(void) { loadOptions(); }

int scriptsRecording(void) { return Script.recording; }
int scriptsRunning(void) { return scriptRunning(); }
int scriptsShowDialogs(void) { return Script.pauseAtDialogs; }
int scriptsSilent(void) { return scriptRunning() && !Script.pauseAtDialogs; }

/* ---- recording the commands ---- */

/* The commands that change the sound, its format or the document.  Commands that only look,
   play or select are left out: the selection line before every command carries the
   selection, and replaying the viewing dialogs would stop a run at them. */
static int recordable(int id)
{
    if (id >= IDM_XFM_FIRST && id <= IDM_XFM_LAST)
        return 0;   /* a transform records itself, with its settings, once its dialog is done */
    switch (id) {
    case IDM_INVERT: case IDM_EDITBOTH: case IDM_ZEROCROSS:
        return 1;
    default:
        break;
    }
    char name[64];
    scriptCommandName(id, name, sizeof name);
    return strncmp(name, "Command ", 8) != 0;
}

void scriptsBeforeCommand(int id)
{
    if (Script.recording && recordable(id))
        RecordCommand(id);
}

void scriptsAfterCommand(int id)
{
    (void)id;
    if (!scriptRunning() || ScriptWin.awaited <= 0)
        return;
    if (--ScriptWin.awaited == 0)
        PostMessageA(Frame.main, WM_SCRIPTSTEP, 0, 0);
}

/* ---- the run ---- */

static void endBatch(const char *why);

void scriptsStopRun(void)
{
    int was = scriptRunning();
    scriptRunClose();
    ScriptWin.awaited = 0;
    if (ScriptWin.files)
        endBatch("stopped");
    if (was && Script.alert)
        frameMessage("Script Stopped", "Attention", MB_OK | MB_ICONINFORMATION);
}

void scriptsAbort(void) { scriptsStopRun(); }

static int startRun(const char *title)
{
    snprintf(ScriptWin.runTitle, sizeof ScriptWin.runTitle, "%s", title);
    int rc = scriptRunOpen(ScriptWin.collection, title);
    if (rc == 2)
        frameMessage("Cannot find script.tmp to run\n", "Hey!  Scripts aren't done yet", MB_OK | MB_ICONEXCLAMATION);
    if (rc != 0)
        return 1;
    ScriptWin.awaited = 0;
    PostMessageA(Frame.main, WM_SCRIPTSTEP, 0, 0);
    return 0;
}

static void batchSaveCurrent(void);
static void showProgress(const char *command);

void scriptsOnStep(void)
{
    if (!scriptRunning() || frameBusy() || ScriptWin.awaited > 0)
        return;
    ScriptStep st;
    scriptStep(&st);
    switch (st.kind) {
    case SCRIPT_STEP_COMMAND:
        if (st.count == 0) {
            OutputDebugStringA("Couldn't find command.\n");   /* the run waits; Stop ends it */
            return;
        }
        ScriptWin.awaited = st.count;
        if (ScriptWin.files)
            showProgress(st.name);
        for (int i = 0; i < st.count; i++)
            PostMessageA(Frame.main, WM_COMMAND, (WPARAM)st.ids[i], 0);
        break;
    case SCRIPT_STEP_WRONGMODE:
        if (st.message && st.message[0])
            frameMessage(st.message, "Script in wrong mode", MB_OK | MB_ICONSTOP);
        scriptsStopRun();
        break;
    default:
        scriptRunClose();
        ScriptWin.awaited = 0;
        InvalidateRect(Frame.main, NULL, FALSE);
        if (ScriptWin.files) {
            batchSaveCurrent();
        } else if (Script.alert) {
            frameMessage("You finished the script!", "Congratulations!", MB_OK | MB_ICONEXCLAMATION);
        }
        break;
    }
}

/* ---- the batch ---- */

/* The next source file of the list (directory entries change the folder), or NULL. */
static const char *nextFile(char *out, size_t size)
{
    static char dir[MAX_PATH];
    if (!ScriptWin.files)
        return NULL;
    if (ScriptWin.filesPos == 0) {
        snprintf(dir, sizeof dir, "%s", ScriptWin.files);
        ScriptWin.filesPos = strlen(ScriptWin.files) + 1;
    }
    while (ScriptWin.filesPos < BATCH_LISTMAX && ScriptWin.files[ScriptWin.filesPos]) {
        const char *s = ScriptWin.files + ScriptWin.filesPos;
        ScriptWin.filesPos += strlen(s) + 1;
        if (strchr(s, ':') && ScriptWin.files[ScriptWin.filesPos]) {
            snprintf(dir, sizeof dir, "%s", s);
            size_t n = strlen(dir);
            if (n && dir[n - 1] == '\\')
                dir[n - 1] = 0;
            continue;
        }
        snprintf(out, size, "%s\\%s", dir, s);
        return out;
    }
    return NULL;
}

static INT_PTR CALLBACK PROGRESSMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        ScriptWin.cancelled = 1;
        SetDlgItemTextA(dlg, IDC_BP_COMMAND, "Stopping after this file...");
        EnableWindow(GetDlgItem(dlg, IDCANCEL), FALSE);
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

static void showProgress(const char *command)
{
    if (!ScriptWin.progress) {
        ScriptWin.progress = CreateDialogParamA(Frame.instance, MAKEINTRESOURCEA(IDD_BATCHPROGRESS), Frame.main,
                                                PROGRESSMsgProc, 0);
        if (!ScriptWin.progress)
            return;
        RECT m, r;
        GetWindowRect(Frame.main, &m);
        GetWindowRect(ScriptWin.progress, &r);
        SetWindowPos(ScriptWin.progress, NULL, m.right - (r.right - r.left) - 20, m.top + 40, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(ScriptWin.progress, SW_SHOWNOACTIVATE);
    }
    char text[MAX_PATH + 32];
    const char *base = strrchr(ScriptWin.current, '\\');
    snprintf(text, sizeof text, "File %d of %d: %s", ScriptWin.index, ScriptWin.total, base ? base + 1 : ScriptWin.current);
    SetDlgItemTextA(ScriptWin.progress, IDC_BP_FILE, text);
    if (command && !ScriptWin.cancelled)
        SetDlgItemTextA(ScriptWin.progress, IDC_BP_COMMAND, command);
}

/* The summary every batch ends with: what was done, failed (and why) and skipped. */
static void summary(const char *caption, const char *first, unsigned icon)
{
    char text[MAX_PATH + 256];
    snprintf(text, sizeof text, "%s\n\n%d done, %d failed, %d skipped.", first, ScriptWin.done, ScriptWin.failed,
             ScriptWin.skipped);
    frameMessage(text, caption, MB_OK | icon);
}

static void endBatch(const char *why)
{
    if (ScriptWin.progress)
        DestroyWindow(ScriptWin.progress);
    ScriptWin.progress = NULL;
    free(ScriptWin.files);
    ScriptWin.files = NULL;
    Script.batch = 0;
    if (ScriptWin.undoWasOn)
        undoSetEnabled(1);
    ScriptWin.undoWasOn = 0;
    Script.pauseAtDialogs = ScriptWin.savedPause;
    Script.relative = ScriptWin.savedRelative;
    Script.alert = ScriptWin.savedAlert;
    (void)why;
}

static void outputName(const char *source, char *out, size_t size)
{
    const char *ext = ScriptWin.format >= 0 && ScriptWin.format < FltTable.count ? FltTable.rec[ScriptWin.format].ext : "wav";
    scriptOutputName(ScriptWin.dest, source, ScriptWin.templ, ScriptWin.ext, ext, out, size);
}

static void batchSaveCurrent(void)
{
    char out[MAX_PATH];
    outputName(ScriptWin.current, out, sizeof out);
    if (fileUiSaveAsType(out, ScriptWin.format, ScriptWin.options) != 0) {
        ScriptWin.failed++;
        endBatch("failed");
        char text[MAX_PATH + 64];
        snprintf(text, sizeof text, "Batch Script Halted, current save not completed.\n\n%s", out);
        summary("Attention!", text, MB_ICONEXCLAMATION);
        return;
    }
    ScriptWin.done++;
    PostMessageA(Frame.main, WM_BATCHSTEP, 0, 0);
}

void scriptsOnBatchStep(void)
{
    if (!ScriptWin.files || frameBusy())
        return;
    char src[MAX_PATH];
    if (ScriptWin.cancelled || !nextFile(src, sizeof src)) {
        int cancelled = ScriptWin.cancelled;
        endBatch("done");
        summary("Done", cancelled ? "Batch Cancelled" : "Completed Running Batch", MB_ICONINFORMATION);
        return;
    }
    ScriptWin.index++;
    char out[MAX_PATH];
    outputName(src, out, sizeof out);
    char fullSrc[MAX_PATH], fullOut[MAX_PATH];
    if (!GetFullPathNameA(src, sizeof fullSrc, fullSrc, NULL))
        snprintf(fullSrc, sizeof fullSrc, "%s", src);
    if (!GetFullPathNameA(out, sizeof fullOut, fullOut, NULL))
        snprintf(fullOut, sizeof fullOut, "%s", out);
    /* An input is never overwritten by its own output; a missing source or an existing
       output (unless overwriting was chosen) is skipped. */
    if (GetFileAttributesA(src) == INVALID_FILE_ATTRIBUTES || lstrcmpiA(fullSrc, fullOut) == 0 ||
        (!ScriptWin.overwrite && GetFileAttributesA(out) != INVALID_FILE_ATTRIBUTES)) {
        ScriptWin.skipped++;
        PostMessageA(Frame.main, WM_BATCHSTEP, 0, 0);
        return;
    }
    snprintf(ScriptWin.current, sizeof ScriptWin.current, "%s", src);
    Doc.modified = 0;   /* the previous output was saved; nothing of it is lost */
    undoClear();
    showProgress("Opening");
    if (fileUiOpenFile(src) != 0) {
        ScriptWin.failed++;
        endBatch("failed");
        char text[MAX_PATH + 64];
        snprintf(text, sizeof text, "Batch Script Halted, file not completely opened.\n\n%s", src);
        summary("Attention!", text, MB_ICONEXCLAMATION);
        return;
    }
    InvalidateRect(Frame.main, NULL, FALSE);
    if (startRun(ScriptWin.runTitle) != 0)
        endBatch("failed");
}

/* ---- the batch dialog ---- */

static void filesLabel(HWND dlg)
{
    char text[64];
    snprintf(text, sizeof text, "&Source Files (%ld file(s) selected)",
             (long)SendDlgItemMessageA(dlg, IDC_BT_FILES, LB_GETCOUNT, 0, 0));
    SetDlgItemTextA(dlg, IDC_BT_FILESLBL, text);
    char dest[8];
    EnableWindow(GetDlgItem(dlg, IDC_BT_BEGIN), SendDlgItemMessageA(dlg, IDC_BT_FILES, LB_GETCOUNT, 0, 0) > 0 &&
                                                  GetDlgItemTextA(dlg, IDC_BT_DESTDIR, dest, sizeof dest) > 0);
}

static void addFiles(HWND dlg)
{
    static char names[32768];
    names[0] = 0;
    OPENFILENAMEA of;
    memset(&of, 0, sizeof of);
    of.lStructSize = sizeof of;
    of.hwndOwner = dlg;
    of.lpstrFile = names;
    of.nMaxFile = sizeof names;
    of.lpstrTitle = "Please choose the source files";
    of.lpstrFilter = "Sound files\0*.wav;*.aif;*.aiff;*.au;*.snd;*.voc;*.flac;*.raw;*.pcm\0All files\0*.*\0";
    of.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&of))
        return;
    const char *dir = names, *p = names + strlen(names) + 1;
    char full[MAX_PATH];
    if (!*p) {
        SendDlgItemMessageA(dlg, IDC_BT_FILES, LB_ADDSTRING, 0, (LPARAM)names);
    } else {
        for (; *p; p += strlen(p) + 1) {
            snprintf(full, sizeof full, "%s\\%s", dir, p);
            SendDlgItemMessageA(dlg, IDC_BT_FILES, LB_ADDSTRING, 0, (LPARAM)full);
        }
    }
    filesLabel(dlg);
}

static void fillFormats(HWND dlg)
{
    HWND combo = GetDlgItem(dlg, IDC_BT_FORMAT);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    int chosen = -1;
    for (int i = 0; i < FltTable.count; i++) {
        if (!(FltTable.rec[i].flags & FLT_CANWRITE))
            continue;
        char text[64];
        snprintf(text, sizeof text, "%s (*.%s)", FltTable.rec[i].formatName, FltTable.rec[i].ext);
        int at = (int)SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
        SendMessageA(combo, CB_SETITEMDATA, at, i);
        /* The batch's format, else the wave filter itself (not one of its write-only kinds). */
        if (i == ScriptWin.format)
            chosen = at;
        else if (chosen < 0 && lstrcmpiA(FltTable.rec[i].ext, "WAV") == 0 && (FltTable.rec[i].flags & FLT_CANREAD))
            chosen = at;
    }
    SendMessageA(combo, CB_SETCURSEL, chosen >= 0 ? chosen : 0, 0);
}

static int chosenFormat(HWND dlg)
{
    HWND combo = GetDlgItem(dlg, IDC_BT_FORMAT);
    int at = (int)SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return at < 0 ? -1 : (int)SendMessageA(combo, CB_GETITEMDATA, at, 0);
}

static void loadRaw(void)
{
    ScriptWin.raw.rate = (uint32_t)profileGetInt("Scripts", "RawSamplerate", 22050);
    ScriptWin.raw.bits = (uint16_t)profileGetInt("Scripts", "RawBitsPerSample", 16);
    ScriptWin.raw.channels = (uint16_t)profileGetInt("Scripts", "RawChannels", 1);
    ScriptWin.raw.byteOrder = (uint32_t)profileGetInt("Scripts", "RawByteOrder", 0);
    ScriptWin.raw.compression = (uint32_t)profileGetInt("Scripts", "RawCompression", 0);
    ScriptWin.raw.options = (uint32_t)profileGetInt("Scripts", "RawPCMFormat", 0);
    if (ScriptWin.raw.bits != 8)
        ScriptWin.raw.bits = 16;
    if (ScriptWin.raw.channels != 2)
        ScriptWin.raw.channels = 1;
    if (ScriptWin.raw.rate < 1000 || ScriptWin.raw.rate > 200000)
        ScriptWin.raw.rate = 22050;
}

static void saveRaw(void)
{
    profileSetInt("Scripts", "RawSamplerate", (long)ScriptWin.raw.rate);
    profileSetInt("Scripts", "RawBitsPerSample", ScriptWin.raw.bits);
    profileSetInt("Scripts", "RawChannels", ScriptWin.raw.channels);
    profileSetInt("Scripts", "RawByteOrder", (long)ScriptWin.raw.byteOrder);
    profileSetInt("Scripts", "RawCompression", (long)ScriptWin.raw.compression);
    profileSetInt("Scripts", "RawPCMFormat", (long)ScriptWin.raw.options);
}

/* "Open Raw PCM As...": how raw files are read during the batch. */
static void askRaw(HWND dlg)
{
    NewWaveValues v = {3, ScriptWin.raw.rate, ScriptWin.raw.channels, ScriptWin.raw.bits, 0,
                       (int)ScriptWin.raw.byteOrder, (int)ScriptWin.raw.compression};
    if (!newWaveDialog(dlg, &v))
        return;
    ScriptWin.raw.rate = v.rate;
    ScriptWin.raw.channels = v.channels;
    ScriptWin.raw.bits = v.bits;
    ScriptWin.raw.byteOrder = (uint32_t)v.byteOrder;
    ScriptWin.raw.compression = (uint32_t)v.compression;
    saveRaw();
}

int scriptsBatchRaw(FltRaw *raw)
{
    if (!Script.batch)
        return 0;
    uint32_t options = raw->options;
    *raw = ScriptWin.raw;
    if (!raw->options)
        raw->options = options;
    return 1;
}

static void saveBatchSettings(HWND dlg)
{
    ScriptWin.format = chosenFormat(dlg);
    ScriptWin.overwrite = IsDlgButtonChecked(dlg, IDC_BT_OVERWRITE) == BST_CHECKED;
    ScriptWin.noUndo = IsDlgButtonChecked(dlg, IDC_BT_NOUNDO) == BST_CHECKED;
    GetDlgItemTextA(dlg, IDC_BT_DESTDIR, ScriptWin.dest, sizeof ScriptWin.dest);
    char t[32];
    GetDlgItemTextA(dlg, IDC_BT_TEMPLATE, t, 26);
    if (!strchr(t, '.'))
        strcat(t, ".*");
    char *dot = strrchr(t, '.');
    *dot = 0;
    snprintf(ScriptWin.templ, sizeof ScriptWin.templ, "%s", t[0] ? t : "*");
    snprintf(ScriptWin.ext, sizeof ScriptWin.ext, "%.3s", dot[1] ? dot + 1 : "-");
    char v[32];
    snprintf(v, sizeof v, "%d", ScriptWin.format);
    profileSetString("Scripts", "BatchFormat", v);
    snprintf(v, sizeof v, "%lu", (unsigned long)ScriptWin.options);
    profileSetString("Scripts", "BatchFormatOptions", v);
    profileSetString("Scripts", "BatchDest", ScriptWin.dest);
    snprintf(v, sizeof v, "%s.%s", ScriptWin.templ, ScriptWin.ext);
    profileSetString("Scripts", "BatchTemplate", v);
    profileSetString("Scripts", "BatchOverwrite", ScriptWin.overwrite ? "1" : "0");
    /* The file list: a directory, then names in it; a later string with a colon followed by
       more strings changes the directory. */
    free(ScriptWin.files);
    ScriptWin.files = (char *)calloc(1, BATCH_LISTMAX);
    if (!ScriptWin.files)
        return;
    size_t at = 0;
    char current[MAX_PATH] = "";
    int n = (int)SendDlgItemMessageA(dlg, IDC_BT_FILES, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        char name[MAX_PATH];
        if (SendDlgItemMessageA(dlg, IDC_BT_FILES, LB_GETTEXTLEN, i, 0) >= MAX_PATH)
            continue;
        SendDlgItemMessageA(dlg, IDC_BT_FILES, LB_GETTEXT, i, (LPARAM)name);
        char *slash = strrchr(name, '\\');
        const char *base = name;
        char folder[MAX_PATH] = ".";
        if (slash) {
            *slash = 0;
            snprintf(folder, sizeof folder, "%s", name[0] ? name : "\\");
            base = slash + 1;
        }
        if (strcmp(folder, current) != 0) {
            size_t fl = strlen(folder) + 1;
            if (at + fl + 1 >= BATCH_LISTMAX)
                break;
            memcpy(ScriptWin.files + at, folder, fl);
            at += fl;
            snprintf(current, sizeof current, "%s", folder);
        }
        size_t len = strlen(base) + 1;
        if (at + len + 1 >= BATCH_LISTMAX)
            break;
        memcpy(ScriptWin.files + at, base, len);
        at += len;
    }
    ScriptWin.files[at] = 0;
    ScriptWin.filesPos = 0;
}

static INT_PTR CALLBACK BATCHMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (frameDialogTail(dlg, msg, wParam, "Batch Process"))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG: {
        char text[160];
        snprintf(text, sizeof text, "The script \"%s\" will be run on all the selected files.", ScriptWin.runTitle);
        SetDlgItemTextA(dlg, IDC_BT_INFO, text);
        ScriptWin.format = (int)profileGetInt("Scripts", "BatchFormat", 65535);
        profileGetString("Scripts", "BatchFormatOptions", "0", text, sizeof text);
        ScriptWin.options = (uint32_t)strtoul(text, NULL, 10);
        fillFormats(dlg);
        profileGetString("Scripts", "BatchDest", "", text, sizeof text);
        SetDlgItemTextA(dlg, IDC_BT_DESTDIR, text);
        profileGetString("Scripts", "BatchTemplate", "*.-", text, sizeof text);
        SetDlgItemTextA(dlg, IDC_BT_TEMPLATE, text);
        CheckDlgButton(dlg, IDC_BT_OVERWRITE, profileGetInt("Scripts", "BatchOverwrite", 0) ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_BT_NOUNDO, ScriptWin.noUndo ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dlg, IDC_BT_NOUNDO), UndoStack.enabled);
        loadRaw();
        filesLabel(dlg);
        frameCentre(dlg, GetParent(dlg));
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_BT_ADD:
            addFiles(dlg);
            return TRUE;
        case IDC_BT_REMOVE: {
            int sel[512];
            int n = (int)SendDlgItemMessageA(dlg, IDC_BT_FILES, LB_GETSELITEMS, 512, (LPARAM)sel);
            for (int i = n - 1; i >= 0; i--)
                SendDlgItemMessageA(dlg, IDC_BT_FILES, LB_DELETESTRING, sel[i], 0);
            filesLabel(dlg);
            return TRUE;
        }
        case IDC_BT_DESTDIR:
            if (HIWORD(wParam) == EN_CHANGE)
                filesLabel(dlg);
            return TRUE;
        case IDC_BT_RAW:
            askRaw(dlg);
            return TRUE;
        case IDC_BT_BROWSE: {
            char path[MAX_PATH];
            BROWSEINFOA bi;
            memset(&bi, 0, sizeof bi);
            bi.hwndOwner = dlg;
            bi.lpszTitle = "Choose destination directory";
            bi.ulFlags = BIF_RETURNONLYFSDIRS;
            LPITEMIDLIST item = SHBrowseForFolderA(&bi);
            if (item) {
                if (SHGetPathFromIDListA(item, path))
                    SetDlgItemTextA(dlg, IDC_BT_DESTDIR, path);
                CoTaskMemFree(item);
            }
            return TRUE;
        }
        case IDC_BT_OPTIONS: {
            int f = chosenFormat(dlg);
            if (f >= 0) {
                uint32_t v = filterChangeOptions(f, dlg, Doc.sampleRate ? Doc.sampleRate : 44100, 2, 16);
                if (v)
                    ScriptWin.options = v;
            }
            return TRUE;
        }
        case IDC_BT_FORMAT:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                ScriptWin.options = 0;
            return TRUE;
        case IDC_BT_BEGIN: {
            char dest[160];
            GetDlgItemTextA(dlg, IDC_BT_DESTDIR, dest, sizeof dest);
            DWORD a = GetFileAttributesA(dest);
            if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) {
                frameMessageFrom(dlg, "The destination directory does not exist.", "Batch Process",
                                 MB_OK | MB_ICONEXCLAMATION);
                return TRUE;
            }
            saveBatchSettings(dlg);
            EndDialog(dlg, 1);
            return TRUE;
        }
        case IDCANCEL:
            saveBatchSettings(dlg);
            free(ScriptWin.files);
            ScriptWin.files = NULL;
            EndDialog(dlg, 0);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

static int startBatch(HWND owner)
{
    if (DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(IDD_BATCH), owner, BATCHMsgProc, 0) != 1 || !ScriptWin.files)
        return 0;
    saveOptions();
    ScriptWin.savedPause = Script.pauseAtDialogs;
    ScriptWin.savedRelative = Script.relative;
    ScriptWin.savedAlert = Script.alert;
    Script.pauseAtDialogs = Script.relative = Script.alert = 0;
    Script.batch = 1;
    ScriptWin.done = ScriptWin.skipped = ScriptWin.failed = ScriptWin.index = ScriptWin.total = 0;
    ScriptWin.cancelled = 0;
    {
        char name[MAX_PATH];
        while (nextFile(name, sizeof name))
            ScriptWin.total++;
        ScriptWin.filesPos = 0;
    }
    ScriptWin.undoWasOn = 0;
    if (ScriptWin.noUndo && UndoStack.enabled) {
        undoSetEnabled(0);
        ScriptWin.undoWasOn = 1;
    }
    PostMessageA(Frame.main, WM_BATCHSTEP, 0, 0);
    return 1;
}

/* ---- the scripts dialog ---- */

static void modeLabel(HWND dlg, int mode)
{
    const char *t = mode == SCRIPT_SCRATCH ? "Script starts from scratch"
                    : mode == SCRIPT_WAVE ? "Script works on current wave"
                    : mode == SCRIPT_SELECTION ? "Script works on highlighted selection" : "";
    SetDlgItemTextA(dlg, IDC_SCR_MODE, t);
    EnableWindow(GetDlgItem(dlg, IDC_SCR_RELATIVE), mode == SCRIPT_WAVE);
}

/* The titles of the collection, and the mode of `select` when given. */
static void refreshList(HWND dlg, const char *select)
{
    HWND list = GetDlgItem(dlg, IDC_SCR_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    FILE *f = ScriptWin.collection[0] ? fopen(ScriptWin.collection, "rb") : NULL;
    if (!f)
        return;
    char line[SCRIPT_LINEMAX];
    int pickMode = 0;
    while (fgets(line, sizeof line, f)) {
        line[strcspn(line, "\r\n")] = 0;
        if (strncmp(line, "Collection:", 11) == 0)
            SetDlgItemTextA(dlg, IDC_SCR_COLLECTION, line[11] == ' ' ? line + 12 : line + 11);
        else if (strncmp(line, "Title:", 6) == 0) {
            const char *t = line[6] == ' ' ? line + 7 : line + 6;
            SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)t);
            pickMode = select && strcmp(t, select) == 0;
        } else if (pickMode && strncmp(line, "Mode:", 5) == 0) {
            modeLabel(dlg, atoi(line + 5));
            pickMode = 0;
        }
    }
    fclose(f);
    if (select) {
        int at = (int)SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)select);
        SendMessageA(list, LB_SETCURSEL, at, 0);
    }
}

static void selectedTitle(HWND dlg, char *out, size_t size)
{
    out[0] = 0;
    HWND list = GetDlgItem(dlg, IDC_SCR_LIST);
    int at = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (at >= 0 && SendMessageA(list, LB_GETTEXTLEN, at, 0) < (LRESULT)size)
        SendMessageA(list, LB_GETTEXT, at, (LPARAM)out);
}

/* The description and mode of the selected script. */
static void showSelected(HWND dlg)
{
    char title[SCRIPT_LINEMAX];
    selectedTitle(dlg, title, sizeof title);
    int mode = 0;
    char desc[2048] = "";
    FILE *f = title[0] ? fopen(ScriptWin.collection, "rb") : NULL;
    if (f) {
        char line[SCRIPT_LINEMAX];
        int in = 0;
        while (fgets(line, sizeof line, f)) {
            line[strcspn(line, "\r\n")] = 0;
            if (strncmp(line, "Title:", 6) == 0) {
                if (in)
                    break;
                in = strcmp(line[6] == ' ' ? line + 7 : line + 6, title) == 0;
            } else if (in && strncmp(line, "Description:", 12) == 0) {
                size_t n = strlen(desc);
                snprintf(desc + n, sizeof desc - n, "%s\r\n", line[12] == ' ' ? line + 13 : line + 12);
            } else if (in && strncmp(line, "Mode:", 5) == 0) {
                mode = atoi(line + 5);
                break;
            }
        }
        fclose(f);
    }
    SetDlgItemTextA(dlg, IDC_SCR_DESC, desc);
    modeLabel(dlg, mode);
    EnableWindow(GetDlgItem(dlg, IDC_SCR_RUN), title[0] != 0);
    EnableWindow(GetDlgItem(dlg, IDC_SCR_EDIT), ScriptWin.collection[0] != 0);
    EnableWindow(GetDlgItem(dlg, IDC_SCR_BATCH), (mode & SCRIPT_WAVE) != 0);
}

static void buttons(HWND dlg)
{
    int rec = Script.recording, pending = ScriptWin.pending[0] != 0, running = scriptRunning();
    char title[8];
    int typed = GetDlgItemTextA(dlg, IDC_SCR_TITLE, title, sizeof title) > 0;
    EnableWindow(GetDlgItem(dlg, IDC_SCR_RECORD), !rec && !running && typed && !pending);
    EnableWindow(GetDlgItem(dlg, IDC_SCR_STOP), rec || running);
    EnableWindow(GetDlgItem(dlg, IDC_SCR_ADD), pending && !rec);
    EnableWindow(GetDlgItem(dlg, IDC_SCR_CLEAR), pending && !rec);
    EnableWindow(GetDlgItem(dlg, IDC_SCR_TITLE), !rec && !running);
    EnableWindow(GetDlgItem(dlg, IDC_SCR_LIST), !rec && !running && !typed);
    SendDlgItemMessageA(dlg, IDC_SCR_DESC, EM_SETREADONLY, !(pending && !rec), 0);
    if (!typed && !pending)
        EnableWindow(GetDlgItem(dlg, IDC_SCR_RUN), !running && SendDlgItemMessageA(dlg, IDC_SCR_LIST, LB_GETCURSEL, 0, 0) >= 0);
    else
        EnableWindow(GetDlgItem(dlg, IDC_SCR_RUN), FALSE);
    SetWindowTextA(dlg, running ? "Script Run In Progress" : "Zelo Scripts");
}

static int chooseCollection(HWND dlg, const char *title)
{
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%s", ScriptWin.collection);
    OPENFILENAMEA of;
    memset(&of, 0, sizeof of);
    of.lStructSize = sizeof of;
    of.hwndOwner = dlg;
    of.lpstrFile = name;
    of.nMaxFile = sizeof name;
    of.lpstrTitle = title;
    of.lpstrFilter = "Script collections (*.txt)\0*.txt\0All files\0*.*\0";
    of.lpstrDefExt = "txt";
    of.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameA(&of))
        return 0;
    if (scriptEnsureCollection(name) != 0) {
        frameMessageFrom(dlg, "The script collection could not be created.", "Zelo Scripts", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    snprintf(ScriptWin.collection, sizeof ScriptWin.collection, "%s", name);
    saveOptions();
    return 1;
}

static void readOptions(HWND dlg)
{
    Script.pauseAtDialogs = IsDlgButtonChecked(dlg, IDC_SCR_PAUSEDLG) == BST_CHECKED;
    Script.alert = IsDlgButtonChecked(dlg, IDC_SCR_ALERT) == BST_CHECKED;
    Script.relative = IsDlgButtonChecked(dlg, IDC_SCR_RELATIVE) == BST_CHECKED;
}

static void record(HWND dlg)
{
    char title[SCRIPT_TITLEMAX + 1];
    GetDlgItemTextA(dlg, IDC_SCR_TITLE, title, sizeof title);
    readOptions(dlg);
    saveOptions();
    if (scriptRecordStart(ScriptWin.tmp, title) != 0) {
        char text[MAX_PATH + 200];
        snprintf(text, sizeof text,
                 "Problem creating temporary file \"%s\".  Please make sure this drive can be written to, and that the "
                 "file doesn't already exist.",
                 ScriptWin.tmp);
        frameMessageFrom(dlg, text, "Sorry", MB_OK | MB_ICONEXCLAMATION);
        EndDialog(dlg, 0);
        return;
    }
    snprintf(ScriptWin.pending, sizeof ScriptWin.pending, "%s", title);
    EndDialog(dlg, 1);
}

static void add(HWND dlg)
{
    if (!ScriptWin.collection[0] && !chooseCollection(dlg, "Choose a script file, or enter new name"))
        return;
    char desc[2048];
    GetDlgItemTextA(dlg, IDC_SCR_DESC, desc, sizeof desc);
    if (scriptAppend(ScriptWin.collection, ScriptWin.tmp, desc) != 0) {
        frameMessageFrom(dlg, "The script could not be added to the collection.", "Zelo Scripts", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    DeleteFileA(ScriptWin.tmp);
    char title[SCRIPT_TITLEMAX + 1];
    snprintf(title, sizeof title, "%s", ScriptWin.pending);
    ScriptWin.pending[0] = 0;
    SetDlgItemTextA(dlg, IDC_SCR_TITLE, "");
    refreshList(dlg, title);
    showSelected(dlg);
    buttons(dlg);
}

static void editCollection(HWND dlg)
{
    if (!ScriptWin.collection[0])
        return;
    /* Quoted, so a path with spaces opens the right file. */
    char args[MAX_PATH + 4];
    snprintf(args, sizeof args, "\"%s\"", ScriptWin.collection);
    if ((INT_PTR)ShellExecuteA(dlg, "open", "notepad.exe", args, NULL, SW_SHOWNORMAL) <= 32)
        frameMessageFrom(dlg, "The text editor could not be started.", "Zelo Scripts", MB_OK | MB_ICONEXCLAMATION);
}

static INT_PTR CALLBACK SCRIPTSMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (frameDialogTail(dlg, msg, wParam, "Scripts"))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG: {
        ScriptWin.dlg = dlg;
        loadOptions();
        CheckDlgButton(dlg, IDC_SCR_PAUSEDLG, Script.pauseAtDialogs ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_SCR_ALERT, Script.alert ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_SCR_RELATIVE, Script.relative ? BST_CHECKED : BST_UNCHECKED);
        SendDlgItemMessageA(dlg, IDC_SCR_TITLE, EM_LIMITTEXT, SCRIPT_TITLEMAX, 0);
        if (!Script.recording && !ScriptWin.pending[0]) {
            /* A recording stopped but not added survives a closed dialog. */
            FILE *f = fopen(ScriptWin.tmp, "rb");
            char line[SCRIPT_LINEMAX];
            if (f && fgets(line, sizeof line, f) && strncmp(line, "Title:", 6) == 0) {
                line[strcspn(line, "\r\n")] = 0;
                snprintf(ScriptWin.pending, sizeof ScriptWin.pending, "%s", line[6] == ' ' ? line + 7 : line + 6);
            }
            if (f)
                fclose(f);
        }
        if (ScriptWin.pending[0])
            SetDlgItemTextA(dlg, IDC_SCR_TITLE, ScriptWin.pending);
        modeLabel(dlg, scriptCurrentMode());
        refreshList(dlg, NULL);
        EnableWindow(GetDlgItem(dlg, IDC_SCR_RUN), FALSE);
        EnableWindow(GetDlgItem(dlg, IDC_SCR_BATCH), FALSE);
        EnableWindow(GetDlgItem(dlg, IDC_SCR_EDIT), ScriptWin.collection[0] != 0);
        buttons(dlg);
        frameCentre(dlg, NULL);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SCR_LIST:
            if (HIWORD(wParam) == LBN_SELCHANGE)
                showSelected(dlg);
            return TRUE;
        case IDC_SCR_TITLE:
            if (HIWORD(wParam) == EN_CHANGE && !Script.recording) {
                SendDlgItemMessageA(dlg, IDC_SCR_LIST, LB_SETCURSEL, (WPARAM)-1, 0);
                modeLabel(dlg, scriptCurrentMode());
                EnableWindow(GetDlgItem(dlg, IDC_SCR_BATCH), FALSE);
                buttons(dlg);
            }
            return TRUE;
        case IDC_SCR_OPEN:
            if (chooseCollection(dlg, "Please choose a script file")) {
                refreshList(dlg, NULL);
                buttons(dlg);
            }
            return TRUE;
        case IDC_SCR_RUN: {
            char title[SCRIPT_LINEMAX];
            selectedTitle(dlg, title, sizeof title);
            readOptions(dlg);
            saveOptions();
            if (title[0] && startRun(title) == 0)
                EndDialog(dlg, 1);
            return TRUE;
        }
        case IDC_SCR_BATCH: {
            char title[SCRIPT_LINEMAX];
            selectedTitle(dlg, title, sizeof title);
            readOptions(dlg);
            snprintf(ScriptWin.runTitle, sizeof ScriptWin.runTitle, "%s", title);
            if (title[0] && startBatch(dlg))
                EndDialog(dlg, 1);
            return TRUE;
        }
        case IDC_SCR_EDIT:
            editCollection(dlg);
            return TRUE;
        case IDC_SCR_RECORD:
            record(dlg);
            return TRUE;
        case IDC_SCR_STOP:
            if (Script.recording) {
                scriptRecordStop();
            } else if (scriptRunning()) {
                scriptsStopRun();
            }
            buttons(dlg);
            return TRUE;
        case IDC_SCR_ADD:
            add(dlg);
            return TRUE;
        case IDC_SCR_CLEAR:
            DeleteFileA(ScriptWin.tmp);
            ScriptWin.pending[0] = 0;
            SetDlgItemTextA(dlg, IDC_SCR_TITLE, "");
            SetDlgItemTextA(dlg, IDC_SCR_DESC, "");
            modeLabel(dlg, scriptCurrentMode());
            buttons(dlg);
            return TRUE;
        case IDCANCEL:
            readOptions(dlg);
            saveOptions();
            EndDialog(dlg, 0);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_DESTROY:
        ScriptWin.dlg = NULL;
        return FALSE;
    default:
        return FALSE;
    }
}

void scriptsCmdDialog(void)
{
    loadOptions();
    DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(IDD_SCRIPTS), Frame.main, SCRIPTSMsgProc, 0);
}

void scriptsShutdown(void)
{
    if (Script.recording)
        scriptRecordStop();
    scriptRunClose();
    free(ScriptWin.files);
    ScriptWin.files = NULL;
}
