/*
 * fileui.cpp - the shell's side of opening and saving: the filter table at start-up, the
 * common Open and Save dialogs with their hook procedures (the highlighted file's
 * description, auto play, type changes rewriting the extension, the Options button), the
 * hooks the open/save flows call back into, the command line's file, dropped files and
 * Re-Open.
 *
 * State: FileUi (the open dialog's choices while it is up, the save dialog's type and
 * options while it is up).
 */
#include "formats/fileui.h"
#include "ui/frame.h"
#include "ui/filedlg.h"
#include "ui/helpview.h"
#include "core/document.h"
#include "core/scriptio.h"
#include "core/settings.h"
#include "ui/newwave.h"
#include "core/profile.h"
#include "formats/fio.h"
#include "formats/flttable.h"
#include "formats/filter.h"
#include "plugins/progress.h"
#include "os/os.h"
#include "store/tempfile.h"
#include "store/voc.h"
#include "store/blockfile.h"
#include "resources/resource.h"
#include "edit/paste.h"
#include "edit/edits.h"

#include <commdlg.h>
#include <dlgs.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

struct FileUiState {
    int      openType;             /* table index chosen in the Open dialog, -1 none */
    int      autoPlay;             /* the Open dialog's "Auto play" box */
    int      saveType;             /* table index chosen in the Save dialog */
    uint32_t saveOptions;          /* options set through the Options button */
    int      storeMade;            /* the open reached a filter that took the file */
    int      rawCancelled;         /* the user cancelled the raw parameters */
    char     lastDescribed[MAX_PATH];
};
static FileUiState FileUi = {-1, 0, -1, 0, 0, 0, ""};

FileUiHooks FileUiHook;

/* ---- what the flows ask of the program ---- */

static void hookCurrentFormat(FioFormat *f)
{
    f->rate = Doc.sampleRate ? Doc.sampleRate : Fio.rate;
    f->bits = Wave.bitsPerSample;
    f->channels = Wave.channels;
}

/* 1 when a new store file can be made in the temporary folder.  Setting up a store first
   drops the open one, so this is asked before: a folder that cannot take the new store
   leaves the open waveform as it was. */
static int storeCanBeMade(void)
{
    char probe[MAX_PATH];
    if (tempMakeName("ZEL", TF.tempDir, probe, sizeof probe) != 0)
        return 0;
    OsFile f = osCreateNew(probe);
    if (f == OS_NOFILE)
        return 0;
    osClose(f);
    osDelete(probe);
    return 1;
}

static int hookNewStore(const FioFormat *f)
{
    if (!storeCanBeMade())
        return 1;
    if (tempStoreSetup(f->channels, f->rate, f->bits) != 0)
        return 1;
    FileUi.storeMade = 1;
    Doc.sampleRate = f->rate;
    Doc.storeOpen = 1;
    Doc.selStart = 0;
    Doc.selEnd = DOC_NONE;
    Doc.selectionShown = 0;
    Doc.viewStart = 0;
    Doc.viewEnd = DOC_NONE;
    if (DocHook.clearUndo)
        DocHook.clearUndo();
    Doc.undoAvailable = Doc.undoAvailable < 0 ? -1 : 0;
    return 0;
}

static void hookEmptyLists(void)
{
    if (FileUiHook.emptyLists)
        FileUiHook.emptyLists();
}

static void wholeView(void)
{
    uint32_t frames = docFrames();
    Doc.viewStart = 0;
    Doc.viewEnd = frames ? frames - 1 : 0;
    Doc.selStart = 0;
    Doc.selEnd = DOC_NONE;
    Doc.selectionShown = 0;
    if (FileUiHook.afterLoad)
        FileUiHook.afterLoad();
    InvalidateRect(Frame.main, NULL, FALSE);
}

static void nameDocument(const char *name)
{
    snprintf(Doc.name, sizeof Doc.name, "%s", name);
    char display[DOC_NAMEMAX];
    docUniqueName(name, display, sizeof display);
    docSetTitle(display);
}

static void hookOpened(const char *name)
{
    nameDocument(name);
    Doc.modified = 0;
    Doc.undoAvailable = Doc.undoAvailable < 0 ? -1 : 0;
    if (DocHook.clearUndo)
        DocHook.clearUndo();
    if (DocHook.buttons)
        DocHook.buttons(1, 1, 1);
    if (DocHook.meterChannels)
        DocHook.meterChannels(Wave.channels);
    wholeView();
}

static void hookSaved(const char *name)
{
    nameDocument(name);
    Doc.modified = 0;
}

static int hookSelection(uint32_t *first, uint32_t *last)
{
    if (!docHasSelection())
        return 0;
    *first = Doc.selStart;
    *last = Doc.selEnd;
    return 1;
}

static void hookProgressOpen(const char *title, const char *note)
{
    progressCreate(title, NULL);
    if (Progress.dialog && note && note[0])
        SetDlgItemTextA(Progress.dialog, IDC_PR_LABEL, note);
}

static int hookProgressStep(uint32_t done, uint32_t total)
{
    return progressMeter(done, total ? total : 1) ? 0 : 1;
}

static void hookProgressClose(void) { progressDestroy(); }

static void hookToday(int *year, int *month, int *day)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    *year = t.wYear;
    *month = t.wMonth;
    *day = t.wDay;
}

static void hookCurrentDir(char *out, size_t size)
{
    if (!GetCurrentDirectoryA((DWORD)size, out))
        out[0] = 0;
}

static int hookAskRaw(FltRaw *raw, void *owner)
{
    NewWaveValues v = {3, raw->rate, raw->channels, raw->bits, 0, (int)raw->byteOrder, (int)raw->compression};
    if (!newWaveDialog((HWND)owner ? (HWND)owner : Frame.main, &v)) {
        FileUi.rawCancelled = 1;
        return 1;
    }
    raw->rate = v.rate;
    raw->channels = v.channels;
    raw->bits = v.bits;
    raw->byteOrder = (uint32_t)v.byteOrder;
    raw->compression = (uint32_t)v.compression;
    return 0;
}

/* ---- the common dialogs ---- */

static void splitDir(const char *path, char *dir, size_t size)
{
    snprintf(dir, size, "%s", path);
    char *slash = strrchr(dir, '\\');
    if (slash)
        *slash = 0;
    else
        dir[0] = 0;
}

static void describeInto(HWND dlg, const char *name)
{
    FioDescription d;
    DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        memset(&d, 0, sizeof d);      /* a folder or nothing highlighted */
    else
        fioDescribe(name, FileUi.openType, &d);
    SetDlgItemTextA(dlg, IDC_FD_FORMAT, d.format);
    SetDlgItemTextA(dlg, IDC_FD_SIZE, d.size);
    SetDlgItemTextA(dlg, IDC_FD_TYPE, d.type);
    SetDlgItemTextA(dlg, IDC_FD_LENGTH, d.length);
}

static UINT_PTR CALLBACK OPENHookProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        CheckDlgButton(dlg, IDC_FD_AUTOPLAY, FileUi.autoPlay ? BST_CHECKED : BST_UNCHECKED);
        FileUi.lastDescribed[0] = 0;
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_FD_AUTOPLAY) {
            FileUi.autoPlay = IsDlgButtonChecked(dlg, IDC_FD_AUTOPLAY) == BST_CHECKED;
            if (!FileUi.autoPlay && FileUiHook.previewStop)
                FileUiHook.previewStop();
        } else if (LOWORD(wParam) == IDC_FD_HELP) {
            helpShow("Open");
        }
        break;
    case WM_NOTIFY: {
        OFNOTIFYA *n = (OFNOTIFYA *)lParam;
        HWND parent = GetParent(dlg);
        if (n->hdr.code == CDN_TYPECHANGE) {
            FileUi.openType = fioTypeAt(0, (int)n->lpOFN->nFilterIndex);
        } else if (n->hdr.code == CDN_SELCHANGE) {
            char name[MAX_PATH];
            if (SendMessageA(parent, CDM_GETFILEPATH, sizeof name, (LPARAM)name) <= 0)
                name[0] = 0;
            if (strcmp(name, FileUi.lastDescribed) != 0) {
                snprintf(FileUi.lastDescribed, sizeof FileUi.lastDescribed, "%s", name);
                describeInto(dlg, name);
                DWORD a = GetFileAttributesA(name);
                if (FileUi.autoPlay && FileUiHook.preview && a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY))
                    FileUiHook.preview(name);
            }
        }
        break;
    }
    }
    return 0;
}

static UINT_PTR CALLBACK SAVEHookProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HWND parent = GetParent(dlg);
    switch (msg) {
    case WM_INITDIALOG:
        EnableWindow(GetDlgItem(dlg, IDC_FD_OPTIONS), FileUi.saveType >= 0 &&
                     (FltTable.rec[FileUi.saveType].flags & FLT_HASOPTIONS) != 0);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_FD_OPTIONS && FileUi.saveType >= 0) {
            FioFormat f;
            hookCurrentFormat(&f);
            uint32_t v = filterChangeOptions(FileUi.saveType, dlg, f.rate, f.channels, f.bits);
            if (v)
                FileUi.saveOptions = v;
        } else if (LOWORD(wParam) == IDC_FD_HELP) {
            helpShow("Save");
        }
        break;
    case WM_NOTIFY: {
        OFNOTIFYA *n = (OFNOTIFYA *)lParam;
        if (n->hdr.code == CDN_TYPECHANGE) {
            int type = fioTypeAt(1, (int)n->lpOFN->nFilterIndex);
            if (type < 0)
                break;
            FileUi.saveType = type;
            FileUi.saveOptions = 0;
            char name[MAX_PATH];
            if (SendMessageA(parent, CDM_GETSPEC, sizeof name, (LPARAM)name) > 0 &&
                fioSwapExtension(name, sizeof name, type))
                SendMessageA(parent, CDM_SETCONTROLTEXT, cmb13, (LPARAM)name);
            char ext[12];
            fltField(ext, FltTable.rec[type].ext, sizeof FltTable.rec[type].ext);
            SendMessageA(parent, CDM_SETDEFEXT, 0, (LPARAM)ext);
            EnableWindow(GetDlgItem(dlg, IDC_FD_OPTIONS), (FltTable.rec[type].flags & FLT_HASOPTIONS) != 0);
        }
        break;
    }
    }
    return 0;
}

/* The Save dialog for the flows: 0 OK with name, type and options filled. */
static int hookAskSaveName(char *name, size_t size, int selectionOnly, int *type, uint32_t *options)
{
    static char filters[4096];
    if (!fioTypeList(1, filters, sizeof filters))
        return 1;
    char dir[MAX_PATH];
    fioGroupDir(FIO_GROUP_SAVE, dir, sizeof dir);
    char file[MAX_PATH];
    const char *base = strrchr(name, '\\');
    snprintf(file, sizeof file, "%s", base ? base + 1 : name);
    FileUi.saveType = *type;
    FileUi.saveOptions = *options;
    char ext[12] = "wav";
    if (*type >= 0) {
        fltField(ext, FltTable.rec[*type].ext, sizeof FltTable.rec[*type].ext);
        if (file[0])
            fioSwapExtension(file, sizeof file, *type);
    }
    OPENFILENAMEA o;
    frameFileDialog(&o, Frame.main, file, sizeof file, filters, selectionOnly ? "Save Selection" : "Save a Waveform",
                    OFN_ENABLEHOOK | OFN_ENABLETEMPLATE);
    o.nFilterIndex = *type >= 0 ? FltTable.rec[*type].savePos : 1;
    o.lpstrInitialDir = dir[0] ? dir : NULL;
    o.lpstrDefExt = ext;
    o.lpfnHook = SAVEHookProc;
    o.lpTemplateName = MAKEINTRESOURCEA(IDD_SAVEEXTRA);
    if (!GetSaveFileNameA(&o))
        return 1;
    int chosen = fioTypeAt(1, (int)o.nFilterIndex);
    *type = chosen >= 0 ? chosen : FileUi.saveType;
    *options = FileUi.saveOptions ? FileUi.saveOptions : filterOptions(*type);
    snprintf(name, size, "%s", file);
    char chosenDir[MAX_PATH];
    splitDir(file, chosenDir, sizeof chosenDir);
    if (chosenDir[0])
        fioRememberDir(chosenDir, FIO_GROUP_SAVE);
    return 0;
}

/* The Open dialog into buf ("dir\0a\0b\0\0" with several chosen, else one full path):
   0 with the chosen filter (-1 for "All files") and the folder remembered. */
static int runOpenDialog(char *buf, size_t size, int multiple, const char *title, int *chosen)
{
    static char filters[4096];
    if (!fioTypeList(0, filters, sizeof filters))
        return 1;
    char dir[MAX_PATH];
    fioGroupDir(FIO_GROUP_OPEN, dir, sizeof dir);
    int pre = fioPreselectedType();
    FileUi.openType = pre;
    memset(buf, 0, size);
    OPENFILENAMEA o;
    frameFileDialog(&o, Frame.main, buf, (DWORD)size - 2, filters, title,
                    OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_FILEMUSTEXIST | (multiple ? OFN_ALLOWMULTISELECT : 0));
    o.nFilterIndex = pre >= 0 && FltTable.rec[pre].openPos ? FltTable.rec[pre].openPos : 1;
    o.lpstrInitialDir = dir[0] ? dir : NULL;
    o.lpfnHook = OPENHookProc;
    o.lpTemplateName = MAKEINTRESOURCEA(IDD_OPENEXTRA);
    BOOL ok = GetOpenFileNameA(&o);
    if (FileUiHook.previewStop)
        FileUiHook.previewStop();
    if (!ok)
        return 1;
    if (chosen)
        *chosen = fioTypeAt(0, (int)o.nFilterIndex);
    char chosenDir[MAX_PATH];
    if (multiple && buf[strlen(buf) + 1])
        snprintf(chosenDir, sizeof chosenDir, "%s", buf);   /* several: the folder comes first */
    else
        splitDir(buf, chosenDir, sizeof chosenDir);
    if (chosenDir[0])
        fioRememberDir(chosenDir, FIO_GROUP_OPEN);
    return 0;
}

static int askOpenName(char *name, size_t size, int *chosen, const char *title)
{
    return runOpenDialog(name, size, 0, title, chosen);
}

/* ---- commands ---- */

/* A long operation pumps messages behind its progress meter; a file command arriving then
   (posted by another program or a script) must not start a second one inside it. */
static int fileUiBusy(void) { return frameBusy(); }

static int openFile(const char *name, int chosen)
{
    char path[MAX_PATH];
    if (!GetFullPathNameA(name, sizeof path, path, NULL))
        snprintf(path, sizeof path, "%s", name);
    if (!osFileExists(path)) {
        char text[MAX_PATH + 32];
        snprintf(text, sizeof text, "%s\n\nThe file does not exist.", path);
        frameMessage(text, "Open", MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }
    HCURSOR old = SetCursor(LoadCursor(NULL, IDC_WAIT));
    FileUi.storeMade = 0;
    FileUi.rawCancelled = 0;
    int rc = fioOpen(path, chosen, Frame.main);
    SetCursor(old);
    if (rc != 0 && !FileUi.storeMade) {
        /* No filter took the file, or its store could not be made (already told): what was
           loaded before stays. */
        if (!FileUi.rawCancelled && Fio.openFailure == FIO_OPEN_NOFILTER) {
            char text[MAX_PATH + 64];
            snprintf(text, sizeof text, "%s\n\nNo file filter can read this file.", path);
            frameMessage(text, "Invalid file or format", MB_OK | MB_ICONEXCLAMATION);
        }
        return rc;
    }
    if (rc != 0 && BF.table) {
        /* Reading stopped part way: what arrived stays as an untitled, changed waveform. */
        Doc.name[0] = 0;
        Doc.modified = 1;
        char display[DOC_NAMEMAX];
        docUniqueName(DOC_UNTITLED, display, sizeof display);
        docSetTitle(display);
        if (DocHook.buttons)
            DocHook.buttons(1, 1, 1);
        wholeView();
    }
    InvalidateRect(Frame.main, NULL, FALSE);
    return rc;
}

void fileUiOpen(void)
{
    if (fileUiBusy())
        return;
    if (!docSaveChangesPrompt())
        return;
    char name[MAX_PATH];
    int chosen = -1;
    if (scriptIoRunning()) {
        /* A script opens the file it recorded, without the dialog. */
        ScriptIo.readText(name, sizeof name);
        if (strcmp(name, "-999") == 0 || openFile(name, -1) != 0) {
            if (ScriptIo.abort)
                ScriptIo.abort();
        }
        return;
    }
    if (askOpenName(name, sizeof name, &chosen, "Open a Waveform") != 0)
        return;
    if (openFile(name, chosen) == 0 && scriptIoRecording())
        ScriptIo.recordText(name);
}

int fileUiOpenFile(const char *name)
{
    if (fileUiBusy())
        return 1;
    return openFile(name, -1) != 0 || !BF.table;
}

int fileUiSaveAsType(const char *name, int type, uint32_t options)
{
    if (fileUiBusy() || type < 0 || type >= FltTable.count)
        return 1;
    char path[FLT_PATH_MAX];
    snprintf(path, sizeof path, "%s", name);
    int savedType = Fio.saveType;
    uint32_t savedOptions = Fio.options;
    Fio.saveType = type;
    Fio.options = options;
    int rc = fioSave(path, 0, 0, Frame.main);
    if (rc != 0) {
        Fio.saveType = savedType;
        Fio.options = savedOptions;
    }
    return rc;
}

void fileUiReopen(void)
{
    if (fileUiBusy())
        return;
    if (!Doc.name[0] || !docSaveChangesPrompt())
        return;
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%s", Doc.name);
    openFile(name, Fio.saveType);
}

void fileUiSave(int asNew, int selectionOnly)
{
    if (fileUiBusy())
        return;
    if (!BF.table)
        return;
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", Doc.name);
    if (selectionOnly && !docHasSelection())
        selectionOnly = 0;
    int ask = asNew || !Doc.name[0];
    if (ask && scriptIoRunning()) {
        /* A script saves under the name it recorded, in the type in force. */
        ScriptIo.readText(name, sizeof name);
        if (strcmp(name, "-999") == 0) {
            if (ScriptIo.abort)
                ScriptIo.abort();
            return;
        }
        ask = 0;
    }
    HCURSOR old = SetCursor(LoadCursor(NULL, IDC_WAIT));
    int rc = fioSave(name, ask, selectionOnly, Frame.main);
    SetCursor(old);
    if (rc == 0 && asNew && scriptIoRecording())
        ScriptIo.recordText(name);
}

int fileUiSaveDocument(void)
{
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", Doc.name);
    return fioSave(name, !Doc.name[0], 0, Frame.main);
}

/* The command line's file: opened, then played once. */
void fileUiOpenCommandLine(const char *line)
{
    char name[MAX_PATH];
    const char *s = line ? line : "";
    while (*s == ' ' || *s == '\t')
        s++;
    if (*s == '"') {
        s++;
        const char *end = strchr(s, '"');
        size_t n = end ? (size_t)(end - s) : strlen(s);
        if (n >= sizeof name)
            n = sizeof name - 1;
        memcpy(name, s, n);
        name[n] = 0;
    } else {
        snprintf(name, sizeof name, "%s", s);
        size_t n = strlen(name);
        while (n && (name[n - 1] == ' ' || name[n - 1] == '\t'))
            name[--n] = 0;
    }
    if (!name[0])
        return;
    snprintf(Frame.autoplay, sizeof Frame.autoplay, "autoplayme");
    openFile(name, -1);
    InvalidateRect(Frame.main, NULL, FALSE);
    if (BF.table && Wave.dataLength)
        PostMessageA(Frame.main, WM_COMMAND, IDM_PLAY, 0);
    else
        Frame.autoplay[0] = 0;
}

/* Appends name at the end of the waveform, converted to its format, through the filters
   and the paste engine.  0 appended (possibly cut short by a cancel), 1 not read. */
static int appendFile(const char *name)
{
    if (!BF.table || FltTable.count == 0)
        return 1;
    char path[MAX_PATH];
    if (!GetFullPathNameA(name, sizeof path, path, NULL))
        snprintf(path, sizeof path, "%s", name);
    FltRaw def;
    memset(&def, 0, sizeof def);
    def.rate = Doc.sampleRate ? Doc.sampleRate : 44100;
    def.bits = Wave.bitsPerSample;
    def.channels = Wave.channels;
    int index = filterOpenAny(path, -1, Frame.main, &def);
    if (index == FILTER_GAVEUP)
        return 1;
    if (index < 0) {
        char text[MAX_PATH + 64];
        snprintf(text, sizeof text, "%s\n\nNo file filter can read this file.", path);
        frameMessage(text, "Invalid file or format", MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }
    PasteRequest r;
    memset(&r, 0, sizeof r);
    r.rate = FilterIn.rate;
    r.bits = FilterIn.bits;
    r.channels = FilterIn.channels;
    r.blockAlign = (uint16_t)(FilterIn.channels * FilterIn.bits / 8);
    r.bytes = FilterIn.bytes;
    r.waveRate = Doc.sampleRate;
    r.leftVolume = r.rightVolume = 1.0;
    r.existing = 0.0;
    r.mode = PASTE_ADD;
    r.repetitions = 1;
    r.smooth = Edit.smooth8;
    r.cancelled = Edit.hook.cancelled;
    r.progress = Edit.hook.step;
    uint32_t ba = Wave.blockAlign ? Wave.blockAlign : 1;
    uint32_t start = docFrames();
    uint64_t frames = r.blockAlign ? pasteFrames(&r) : 0;
    int rc = 1;
    if (frames && (uint64_t)Wave.dataLength + frames * ba > BLOCKMAXSIZE) {
        osMessage("The file is too long to append to this waveform.", "Out of Space", OS_MB_OK | OS_MB_ICONEXCLAMATION);
    } else if (frames && vocInsertBlank((int32_t)((uint64_t)start * ba), (uint32_t)(frames * ba)) == 0) {
        const char *base = strrchr(path, '\\');
        char title[MAX_PATH + 16];
        snprintf(title, sizeof title, "Opening %s", base ? base + 1 : path);
        editMeterOpen(title);
        r.startFrame = start;
        uint64_t done = pasteCopies(&r) / ba;
        editMeterClose();
        if (done < frames)
            vocCut((int32_t)((start + done) * ba), (uint32_t)((frames - done) * ba));
        rc = 0;
    } else if (!frames) {
        rc = 0;
    }
    filterCloseInput();
    Doc.modified = 1;
    return rc;
}

/* Several names from a multi-select Open dialog: "dir\0a\0b\0\0" or one full path. */
static int splitSelection(const char *buf, char names[][MAX_PATH], int max)
{
    const char *first = buf;
    const char *next = first + strlen(first) + 1;
    if (!*next) {
        snprintf(names[0], MAX_PATH, "%s", first);
        return 1;
    }
    int n = 0;
    for (const char *p = next; *p && n < max; p += strlen(p) + 1)
        snprintf(names[n++], MAX_PATH, "%s\\%s", first, p);
    return n;
}

static int askOpenNames(char names[][MAX_PATH], int max, const char *title)
{
    static char buf[32768];
    if (runOpenDialog(buf, sizeof buf, 1, title, NULL) != 0)
        return 0;
    return splitSelection(buf, names, max);
}

#define FILEUI_MANY 64

/* The whole wave in view and nothing selected after files were appended. */
static void showAppended(void)
{
    Doc.selStart = 0;
    Doc.selEnd = DOC_NONE;
    Doc.selectionShown = 0;
    uint32_t frames = docFrames();
    Doc.viewStart = 0;
    Doc.viewEnd = frames ? frames - 1 : 0;
    if (DocHook.buttons)
        DocHook.buttons(1, 1, 1);
    if (FileUiHook.afterLoad)
        FileUiHook.afterLoad();
    InvalidateRect(Frame.main, NULL, FALSE);
}

/* After Open As or dropped files: a new wave, so the undo history goes. */
static void afterAppends(int count)
{
    if (DocHook.clearUndo)
        DocHook.clearUndo();
    (void)count;
    showAppended();
}

/* Open Append: each chosen file joins the end of the wave. */
void fileUiOpenAppend(void)
{
    if (fileUiBusy())
        return;
    if (!BF.table)
        return;
    static char names[FILEUI_MANY][MAX_PATH];
    int n = askOpenNames(names, FILEUI_MANY, "Append a Waveform");
    uint32_t first = docFrames();
    for (int i = 0; i < n; i++)
        appendFile(names[i]);
    if (n) {
        /* Undoable like a paste at the end: one Undo takes all the appended frames out. */
        editAppended(first);
        Doc.modified = 1;
        showAppended();   /* the undo entries before the append still fit the wave */
    }
}

/* Open As: a new empty waveform of the format the New Waveform dialog gives, with every
   chosen file appended in order, converted to it. */
void fileUiOpenAs(void)
{
    if (fileUiBusy())
        return;
    if (!docSaveChangesPrompt())
        return;
    static char names[FILEUI_MANY][MAX_PATH];
    int n = askOpenNames(names, FILEUI_MANY, "Please choose a wave file");
    if (!n || docNew() != 0 || !BF.table)
        return;
    for (int i = 0; i < n; i++)
        appendFile(names[i]);
    if (n == 1) {
        nameDocument(names[0]);
        Doc.modified = 0;
    } else {
        Doc.modified = 1;
    }
    afterAppends(n);
}

/* Dropped files: the first is opened, the others appended behind it. */
void fileUiDropFiles(HDROP drop)
{
    if (!docSaveChangesPrompt()) {
        DragFinish(drop);
        return;
    }
    UINT count = DragQueryFileA(drop, 0xFFFFFFFFu, NULL, 0);
    char first[MAX_PATH] = "";
    char (*rest)[MAX_PATH] = count > 1 ? new char[count - 1][MAX_PATH] : NULL;
    for (UINT i = 0; i < count; i++)
        DragQueryFileA(drop, i, i == 0 ? first : rest[i - 1], MAX_PATH);
    DragFinish(drop);
    if (count && first[0] && openFile(first, -1) == 0) {
        for (UINT i = 1; i < count; i++) {
            uint32_t at = docFrames();
            if (appendFile(rest[i - 1]) == 0 && docFrames() > at && FileUiHook.markAppended)
                FileUiHook.markAppended(at, rest[i - 1]);
        }
        if (count > 1) {
            Doc.name[0] = 0;
            char display[DOC_NAMEMAX];
            docUniqueName(DOC_UNTITLED, display, sizeof display);
            docSetTitle(display);
            Doc.modified = 1;
            afterAppends((int)count);
        } else {
            Doc.modified = 0;
        }
        if (DocHook.buttons)
            DocHook.buttons(1, -1, 1);
        Doc.selStart = 0;
        Doc.selEnd = DOC_NONE;
        InvalidateRect(Frame.main, NULL, FALSE);
    }
    delete[] rest;
}

static int hookReadOnly(const char *name)
{
    DWORD a = GetFileAttributesA(name);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_READONLY);
}

static int hookProcessRunning(uint32_t pid)
{
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid);
    if (!p)
        return 0;
    DWORD code = 0;
    int running = GetExitCodeProcess(p, &code) && code == STILL_ACTIVE;
    CloseHandle(p);
    return running;
}

/* The document's New and Close: the INFO list empties, and what the open file brought
   besides (raw cue and play-list bytes) goes with it. */
void fileUiDocumentGone(void)
{
    waveInfoClear();
    fioDocumentGone();
}

/* Start-up: the filter table and every hook of the open and save flows. */
void fileUiInit(void)
{
    char exe[MAX_PATH], *base;
    GetModuleFileNameA(NULL, exe, sizeof exe);
    base = strrchr(exe, '\\');
    fltTableBuild(Frame.programDir, base ? base + 1 : exe);
    fioInitSaveType();
    FioHook.currentFormat = hookCurrentFormat;
    FioHook.newStore = hookNewStore;
    FioHook.emptyLists = hookEmptyLists;
    FioHook.opened = hookOpened;
    FioHook.saved = hookSaved;
    FioHook.selection = hookSelection;
    FioHook.progressOpen = hookProgressOpen;
    FioHook.progressStep = hookProgressStep;
    FioHook.progressClose = hookProgressClose;
    FioHook.askSaveName = hookAskSaveName;
    FioHook.today = hookToday;
    FioHook.currentDir = hookCurrentDir;
    FioHook.readOnly = hookReadOnly;
    FioHook.processRunning = hookProcessRunning;
    FilterHook.askRaw = hookAskRaw;
    /* Saves of copies killed part way left their temporary files behind. */
    fioCleanStaleSaves();
}

void fileUiShutdown(void)
{
    fioSaveSettings();
    fltTableRelease();
}
