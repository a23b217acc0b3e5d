/*
 * editwin.cpp - the Edit menu's commands in the Win32 program: start-up of the editing
 * subsystem from the settings, the shell-side hooks (wait cursor, repaint, owner window),
 * the command entry points commands.cpp calls.
 * Writes Edit's hooks, FioHook.saveUndo; reads Settings and Frame.
 */
#include "edit/edits.h"
#include "edit/editwin.h"
#include "edit/undo.h"
#include "edit/editview.h"
#include "formats/fio.h"
#include "core/document.h"
#include "core/scriptio.h"
#include "core/settings.h"
#include "ui/frame.h"
#include "ui/filedlg.h"
#include "resources/resource.h"
#include "plugins/progress.h"
#include "store/voc.h"
#include "edit/xforms.h"
#include "ui/helpview.h"
#include "core/profile.h"
#include "store/blockfile.h"
#include <commdlg.h>
#include <string.h>

#include <math.h>
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
    if (Frame.main)
        InvalidateRect(Frame.main, NULL, FALSE);
}


/* The meter of an edit: the engine reports the whole operation through Edit.hook.step.
   The store's per-call reports stay off, since one call is only one piece of the work. */
static int meterStep(uint32_t done, uint32_t total) { return progressMeter(done, total) ? 0 : 1; }
static void meterOpen(const char *caption) { progressCreate(caption, NULL); }
static void meterClose(void) { progressDestroy(); }
static int meterCancelled(void) { return Progress.cancelled != 0; }
static int meterUp(void) { return frameBusy(); }

void editInit(void)
{
    editSetup(Settings.undoLevels, Settings.undoEnabled, Settings.pasteHilite, Settings.dither8Bit);
    Edit.hook.waitCursor = waitCursor;
    Edit.hook.repaint = repaint;
    Edit.hook.progressOpen = meterOpen;
    Edit.hook.progressClose = meterClose;
    Edit.hook.cancelled = meterCancelled;
    Edit.hook.step = meterStep;
    Edit.hook.busy = meterUp;
    editConvertInit();
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

/* Set while a command's dialog is up: the dialog shows the wave as mono (one channel of a
   stereo wave is edited).  Wave itself keeps its format, since the main window repaints
   while a dialog is up. */
static int dialogMono;
int editDialogMono(void) { return dialogMono; }

/* The dialog-command wrapper: while one channel of a stereo wave is edited the dialog sees
   a mono wave; Cancel ends the command.  noDialog: Repeat without its dialog. */
int editDialogCommand(HWND hwnd, int dialogId, DLGPROC proc, LPARAM param, const char *caption,
                      void (*work)(uint32_t, uint32_t), int redrawSelectionOnly, int id,
                      const char *description, int noDialog)
{
    if (!noDialog && dialogId && proc) {
        int mono = dialogMono;
        dialogMono = Wave.channels != 2 || Wave.editChannel == 1 || Wave.editChannel == 2;
        INT_PTR r = DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(dialogId), hwnd, proc, param);
        dialogMono = mono;
        if (r != IDOK)
            return 0;
    }
    return editWrapped(id, description, caption, work, redrawSelectionOnly);
}

/* ---- the built-in transforms' commands ---- */

static int noDialogs(void) { return DocHook.noDialogs && DocHook.noDialogs(); }

static INT_PTR CALLBACK BYTESWAPMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (frameDialogTail(dlg, msg, wParam, "Byte Swap"))
        return TRUE;
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dlg, IDC_BS_TEXT, Wave.bitsPerSample == 16
            ? "Swap the high and low bytes of each 16-bit sample word."
            : "Adjuste every 8-bit sample byte such that the new zero position will be adjusted by a value of 128.");
        frameCentre(dlg, NULL);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}


/* Byte Swap (112): its dialog, then the swap over the selection (the whole wave when none). */
void editByteSwapCommand(int withoutDialog)
{
    editDialogCommand(Frame.main, IDD_BYTESWAP, BYTESWAPMsgProc, 0, "Swapping Bytes", editByteSwapWork, 0,
                      IDM_BYTESWAP, "Byte Swap", withoutDialog || noDialogs());
}

void editReverseCommand(void) { editReverse(meterStep); }
void editInvertCommand(void) { editInvert(meterStep); }

/* Generate Silence's duration: [Silence] Duration at first, then what was last typed. */
static double silenceSeconds = -1.0;

static INT_PTR CALLBACK SILENCEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (frameDialogTail(dlg, msg, wParam, "Silence"))
        return TRUE;
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG: {
        char t[64];
        snprintf(t, sizeof t, "%g", silenceSeconds);
        SetDlgItemTextA(dlg, IDC_SIL_TIME, t);
        frameCentre(dlg, NULL);
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
                frameMessageFrom(dlg, "Please enter the length of the silence in seconds (more than 0, at most 86400).",
                            "Sorry", OS_MB_OK | OS_MB_ICONEXCLAMATION);
                return TRUE;
            }
            silenceSeconds = v;
            snprintf(t, sizeof t, "%g", v);
            profileSetString("Silence", "Duration", t);
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
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
    if (scriptIoRunning()) {
        /* The recorded duration; a missing or absurd one stops the script. */
        double v = ScriptIo.readDouble ? ScriptIo.readDouble() : 0;
        if (!(v > 0.0) || v > 86400.0) {
            if (ScriptIo.abort)
                ScriptIo.abort();
            return;
        }
        silenceSeconds = v;
    }
    if (!withoutDialog && !noDialogs() &&
        DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(ID_SILENCE), Frame.main, SILENCEMsgProc, 0) != IDOK)
        return;
    if (scriptIoRecording() && ScriptIo.recordDouble)
        ScriptIo.recordDouble(silenceSeconds);
    editGenerateSilence(silenceSeconds);
}

/* ---- Paste Special (2110) ---- */

static void pasteSpecialLoad(void)
{
    static int loaded;
    if (loaded)
        return;
    loaded = 1;
    char t[32];
    profileGetString("Paste Special", "Left", "1.0", t, sizeof t);
    PasteSpecial.left = atof(t);
    profileGetString("Paste Special", "Right", "1.0", t, sizeof t);
    PasteSpecial.right = atof(t);
    long loops = profileGetInt("Paste Special", "Loops", 3);
    PasteSpecial.loops = loops >= 1 ? (double)loops : 1.0;
    PasteSpecial.overlap = profileGetInt("Paste Special", "Overlap", 1) != 0;
    PasteSpecial.loop = profileGetInt("Paste Special", "Loop", 0) != 0;
}

static void pasteSpecialStore(void)
{
    char t[32];
    snprintf(t, sizeof t, "%g", PasteSpecial.left);
    profileSetString("Paste Special", "Left", t);
    snprintf(t, sizeof t, "%g", PasteSpecial.right);
    profileSetString("Paste Special", "Right", t);
    profileSetInt("Paste Special", "Loops", (long)PasteSpecial.loops);
    profileSetInt("Paste Special", "Overlap", PasteSpecial.overlap);
    profileSetInt("Paste Special", "Loop", PasteSpecial.loop);
}

static void setPercent(HWND dlg, int edit, double percent)
{
    char t[32];
    snprintf(t, sizeof t, "%g", percent);
    SetDlgItemTextA(dlg, edit, t);
}

static int scrollOf(int edit) { return edit == IDC_PS_LEDIT ? IDC_PS_LSCROLL : IDC_PS_RSCROLL; }

static void moveBar(HWND dlg, int edit)
{
    char t[32];
    GetDlgItemTextA(dlg, edit, t, sizeof t);
    double v = atof(t);
    int pos = v < 0 ? 0 : v > 200 ? 200 : (int)v;
    SetScrollPos(GetDlgItem(dlg, scrollOf(edit)), SB_CTL, pos, TRUE);
}

static void sourceChanged(HWND dlg)
{
    EnableWindow(GetDlgItem(dlg, IDC_PS_SELECTFILE), IsDlgButtonChecked(dlg, IDC_PS_FROMFILE) == BST_CHECKED);
}

static void chooseSource(HWND dlg)
{
    char name[MAX_PATH] = "";
    OPENFILENAMEA o;
    frameFileDialog(&o, dlg, name, sizeof name, "Wave files (*.wav)\0*.wav\0All files (*.*)\0*.*\0",
                    "Please choose a wave file", OFN_FILEMUSTEXIST);
    if (GetOpenFileNameA(&o))
        snprintf(PasteSpecial.file, sizeof PasteSpecial.file, "%s", name);
}

static INT_PTR CALLBACK PASTESPECIALMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (frameDialogTail(dlg, msg, wParam, "Paste Special"))
        return TRUE;
    int mono = dialogMono;
    switch (msg) {
    case WM_INITDIALOG: {
        frameCentre(dlg, NULL);
        PasteSpecialParams &p = PasteSpecial;
        const int edits[2] = {IDC_PS_LEDIT, IDC_PS_REDIT}, inverts[2] = {IDC_PS_LINVERT, IDC_PS_RINVERT};
        const double vols[2] = {p.left, p.right};
        for (int i = 0; i < 2; i++) {
            HWND bar = GetDlgItem(dlg, scrollOf(edits[i]));
            SetScrollRange(bar, SB_CTL, 0, 200, FALSE);
            CheckDlgButton(dlg, inverts[i], vols[i] < 0 ? BST_CHECKED : BST_UNCHECKED);
            setPercent(dlg, edits[i], (vols[i] < 0 ? -vols[i] : vols[i]) * 100.0);
            moveBar(dlg, edits[i]);
        }
        char t[32];
        snprintf(t, sizeof t, "%g", p.loops);
        SetDlgItemTextA(dlg, IDC_PS_TIMES, t);
        int clip = IsClipboardFormatAvailable(CF_WAVE) || IsClipboardFormatAvailable(2000);
        if (!clip)
            EnableWindow(GetDlgItem(dlg, IDC_PS_FROMCLIP), FALSE);
        CheckRadioButton(dlg, IDC_PS_FROMCLIP, IDC_PS_FROMFILE, clip && !p.fromFile ? IDC_PS_FROMCLIP : IDC_PS_FROMFILE);
        sourceChanged(dlg);
        if (mono) {
            const int off[] = {IDC_PS_RSCROLL, IDC_PS_REDIT, IDC_PS_LOCK, IDC_PS_RINVERT};
            for (int id : off)
                EnableWindow(GetDlgItem(dlg, id), FALSE);
        }
        CheckDlgButton(dlg, IDC_PS_LOCK, p.lock ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_PS_OVERLAP, p.overlap && !p.modulate ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_PS_LOOP, p.loop ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dlg, IDC_PS_TIMES), p.loop);
        CheckDlgButton(dlg, IDC_PS_MODULATE, p.modulate == 1 ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_PS_CONVOLUTE, p.modulate == 2 ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    case WM_HSCROLL: {
        HWND bar = (HWND)lParam;
        int edit = GetDlgCtrlID(bar) == IDC_PS_LSCROLL ? IDC_PS_LEDIT : IDC_PS_REDIT;
        int pos = GetScrollPos(bar, SB_CTL);
        switch (LOWORD(wParam)) {
        case SB_LINELEFT:      pos -= 1; break;
        case SB_LINERIGHT:     pos += 1; break;
        case SB_PAGELEFT:      pos -= 20; break;
        case SB_PAGERIGHT:     pos += 20; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = (short)HIWORD(wParam); break;
        default:               return TRUE;
        }
        pos = pos < 0 ? 0 : pos > 200 ? 200 : pos;
        setPercent(dlg, edit, pos);
        if (IsDlgButtonChecked(dlg, IDC_PS_LOCK) == BST_CHECKED && !mono)
            setPercent(dlg, edit == IDC_PS_LEDIT ? IDC_PS_REDIT : IDC_PS_LEDIT, pos);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_PS_LEDIT:
        case IDC_PS_REDIT:
            if (HIWORD(wParam) == EN_CHANGE)
                moveBar(dlg, LOWORD(wParam));
            return TRUE;
        case IDC_PS_OVERLAP:
            if (IsDlgButtonChecked(dlg, IDC_PS_OVERLAP) == BST_CHECKED) {
                CheckDlgButton(dlg, IDC_PS_MODULATE, BST_UNCHECKED);
                CheckDlgButton(dlg, IDC_PS_CONVOLUTE, BST_UNCHECKED);
            }
            return TRUE;
        case IDC_PS_MODULATE:
        case IDC_PS_CONVOLUTE:
            if (IsDlgButtonChecked(dlg, LOWORD(wParam)) == BST_CHECKED) {
                CheckDlgButton(dlg, IDC_PS_OVERLAP, BST_UNCHECKED);
                CheckDlgButton(dlg, LOWORD(wParam) == IDC_PS_MODULATE ? IDC_PS_CONVOLUTE : IDC_PS_MODULATE, BST_UNCHECKED);
            }
            return TRUE;
        case IDC_PS_LOOP:
            EnableWindow(GetDlgItem(dlg, IDC_PS_TIMES), IsDlgButtonChecked(dlg, IDC_PS_LOOP) == BST_CHECKED);
            return TRUE;
        case IDC_PS_FROMCLIP:
        case IDC_PS_FROMFILE:
            sourceChanged(dlg);
            return TRUE;
        case IDC_PS_SELECTFILE:
            chooseSource(dlg);
            return TRUE;
        case IDOK: {
            PasteSpecialParams &p = PasteSpecial;
            char t[64];
            GetDlgItemTextA(dlg, IDC_PS_LEDIT, t, sizeof t);
            p.left = atof(t) * 0.01;
            GetDlgItemTextA(dlg, IDC_PS_REDIT, t, sizeof t);
            p.right = atof(t) * 0.01;
            GetDlgItemTextA(dlg, IDC_PS_TIMES, t, sizeof t);
            char *end = NULL;
            double loops = strtod(t, &end);
            p.loops = end != t && loops >= 1.0 && loops < 32767.0 ? loops : 1.0;
            if (IsDlgButtonChecked(dlg, IDC_PS_LINVERT) == BST_CHECKED)
                p.left = -p.left;
            if (IsDlgButtonChecked(dlg, IDC_PS_RINVERT) == BST_CHECKED)
                p.right = -p.right;
            p.fromFile = IsDlgButtonChecked(dlg, IDC_PS_FROMFILE) == BST_CHECKED;
            p.lock = IsDlgButtonChecked(dlg, IDC_PS_LOCK) == BST_CHECKED;
            p.overlap = IsDlgButtonChecked(dlg, IDC_PS_OVERLAP) == BST_CHECKED;
            p.modulate = IsDlgButtonChecked(dlg, IDC_PS_MODULATE) == BST_CHECKED ? 1
                       : IsDlgButtonChecked(dlg, IDC_PS_CONVOLUTE) == BST_CHECKED ? 2 : 0;
            if (p.modulate)
                p.overlap = 1;
            p.loop = IsDlgButtonChecked(dlg, IDC_PS_LOOP) == BST_CHECKED;
            if (p.fromFile && !p.file[0]) {
                frameMessageFrom(dlg, "Please choose the file to paste from (Select File).", "Paste Special",
                            OS_MB_OK | OS_MB_ICONINFORMATION);
                return TRUE;
            }
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void editPasteSpecialCommand(int withoutDialog)
{
    pasteSpecialLoad();
    if (BF.table && Wave.channels == 1)
        Wave.editChannel = 0;
    if (scriptIoRunning()) {
        /* The recorded values, in the order written below; a missing one stops the script. */
        double l = ScriptIo.readDouble(), r = ScriptIo.readDouble(), n = ScriptIo.readDouble();
        long flags = ScriptIo.readLong();
        char file[260];
        ScriptIo.readText(file, sizeof file);
        if (l == SCRIPTIO_MISSING || r == SCRIPTIO_MISSING || !(n >= 1.0 && n <= 10000.0) || flags < 0 ||
            fabs(l) > 100.0 || fabs(r) > 100.0) {
            if (ScriptIo.abort)
                ScriptIo.abort();
            return;
        }
        PasteSpecial.left = l;
        PasteSpecial.right = r;
        PasteSpecial.loops = n;
        PasteSpecial.overlap = (flags & 1) != 0;
        PasteSpecial.loop = (flags & 2) != 0;
        PasteSpecial.fromFile = (flags & 4) != 0;
        PasteSpecial.modulate = (int)((flags >> 4) & 3);
        if (PasteSpecial.fromFile)
            snprintf(PasteSpecial.file, sizeof PasteSpecial.file, "%s", file);
    }
    if (!withoutDialog && !noDialogs()) {
        /* While one channel is edited the dialog treats the wave as mono. */
        int mono = dialogMono;
        dialogMono = Wave.channels != 2 || Wave.editChannel == 1 || Wave.editChannel == 2;
        INT_PTR r = DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(ID_PASTESPECIAL), Frame.main,
                                    PASTESPECIALMsgProc, 0);
        dialogMono = mono;
        if (r != IDOK)
            return;
        pasteSpecialStore();
    }
    if (scriptIoRecording()) {
        ScriptIo.recordDouble(PasteSpecial.left);
        ScriptIo.recordDouble(PasteSpecial.right);
        ScriptIo.recordDouble(PasteSpecial.loops);
        ScriptIo.recordLong((PasteSpecial.overlap ? 1 : 0) | (PasteSpecial.loop ? 2 : 0) | (PasteSpecial.fromFile ? 4 : 0) |
                            ((long)(PasteSpecial.modulate & 3) << 4));
        ScriptIo.recordText(PasteSpecial.fromFile ? PasteSpecial.file : "");
    }
    editPasteSpecial(&PasteSpecial, 0);
}

