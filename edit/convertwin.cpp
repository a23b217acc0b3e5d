/*
 * convertwin.cpp - Convert Sample Type (120) in the Win32 program: the Convert dialog (130)
 * with its enabling rules and the [Recent] keys, the command with its undo copy, the
 * conversion a save asks for, and the run of the "Resample" module through the host's
 * OpenXfm / bSetXfmData / DoXfm / CloseXfm.
 * Writes Convert's hooks; reads Doc and Frame.
 */
#include "edit/convert.h"
#include "edit/editwin.h"
#include "edit/edits.h"
#include "edit/editview.h"
#include "edit/undo.h"
#include "formats/fio.h"
#include "core/document.h"
#include "core/scriptio.h"
#include "core/profile.h"
#include "ui/frame.h"
#include "ui/newwave.h"
#include "plugins/progress.h"
#include "plugins/xfmhost.h"
#include "audio/audio.h"
#include "store/voc.h"
#include "store/blockfile.h"
#include "resources/resource.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *const rateList[] = {"6000", "8000", "11025", "16000", "22050", "32000", "32075", "44100", "48000"};

/* ---- [Recent] ---- */

static double profileDouble(const char *key, double def)
{
    char cur[64], text[64];
    snprintf(cur, sizeof cur, "%g", def);
    profileGetString("Recent", key, cur, text, sizeof text);
    char *end;
    double v = strtod(text, &end);
    return end == text ? def : v;
}

/* Each key read with the value in force as its default. */
static void readRecent(ConvertTargets *t)
{
    t->rate = (uint32_t)profileGetInt("Recent", "ConvSampleRate", (long)t->rate);
    t->bits = (uint16_t)profileGetInt("Recent", "ConvBitsPerSample", t->bits);
    t->channels = (uint16_t)profileGetInt("Recent", "ConvChannels", t->channels);
    t->quality = (int16_t)profileGetInt("Recent", "ConvQuality", t->quality);
    t->dither = (int16_t)profileGetInt("Recent", "ConvDither", t->dither);
    t->emphasis = profileDouble("ConvEmphasis", t->emphasis);
    t->left = profileDouble("ConvLeft", t->left);
    t->right = profileDouble("ConvRight", t->right);
}

static void writeDouble(const char *key, double v)
{
    char text[64];
    snprintf(text, sizeof text, "%g", v);
    profileSetString("Recent", key, text);
}

static void writeRecent(const ConvertTargets *t)
{
    profileSetInt("Recent", "ConvSampleRate", (long)t->rate);
    profileSetInt("Recent", "ConvBitsPerSample", t->bits);
    profileSetInt("Recent", "ConvChannels", t->channels);
    profileSetInt("Recent", "ConvQuality", t->quality);
    profileSetInt("Recent", "ConvDither", t->dither);
    writeDouble("ConvEmphasis", t->emphasis);
    writeDouble("ConvLeft", t->left);
    writeDouble("ConvRight", t->right);
}

/* ---- the dialog ---- */

static long typedRate(HWND dlg)
{
    char text[32];
    GetDlgItemTextA(dlg, IDC_CV_RATE, text, sizeof text);
    return strtol(text, NULL, 10);
}

static void enableControls(HWND dlg)
{
    long rate = typedRate(dlg);
    if (rate <= 0)
        rate = 22050;
    int rateChanges = (uint32_t)rate != Doc.sampleRate;
    for (int id = IDC_CV_LOW; id <= IDC_CV_XHIGH; id++)
        EnableWindow(GetDlgItem(dlg, id), rateChanges);
    int toEight = Wave.bitsPerSample == 16 && IsDlgButtonChecked(dlg, IDC_CV_8BIT) == BST_CHECKED;
    EnableWindow(GetDlgItem(dlg, IDC_CV_DITHER), toEight);
    int wantChannels = IsDlgButtonChecked(dlg, IDC_CV_MONO) == BST_CHECKED ? 1 : 2;
    int mixes = wantChannels != Wave.channels;
    EnableWindow(GetDlgItem(dlg, IDC_CV_LEFTMIX), mixes);
    EnableWindow(GetDlgItem(dlg, IDC_CV_RIGHTMIX), mixes);
    EnableWindow(GetDlgItem(dlg, IDC_CV_EMPHASIS),
                 rateChanges && IsDlgButtonChecked(dlg, IDC_CV_MEDIUM) == BST_CHECKED);
}

static void setDouble(HWND dlg, int id, const char *format, double v)
{
    char text[64];
    snprintf(text, sizeof text, format, v);
    SetDlgItemTextA(dlg, id, text);
}

static void initDialog(HWND dlg, const ConvertTargets *t)
{
    char text[96];
    snprintf(text, sizeof text, Wave.channels == 1 ? "Convert from %ld Mono %d-bit to:" : "Convert from %ld Stereo %d-bit to:",
             (long)Doc.sampleRate, (int)Wave.bitsPerSample);
    SetDlgItemTextA(dlg, IDC_CV_FROM, text);
    for (const char *r : rateList)
        SendDlgItemMessageA(dlg, IDC_CV_RATELIST, LB_ADDSTRING, 0, (LPARAM)r);
    snprintf(text, sizeof text, "%ld", (long)t->rate);
    SetDlgItemTextA(dlg, IDC_CV_RATE, text);
    int q = t->quality == 1 ? IDC_CV_LOW : t->quality == 3 ? IDC_CV_HIGH : t->quality == 4 ? IDC_CV_XHIGH : IDC_CV_MEDIUM;
    CheckRadioButton(dlg, IDC_CV_LOW, IDC_CV_XHIGH, q);
    CheckRadioButton(dlg, IDC_CV_MONO, IDC_CV_STEREO, t->channels == 1 ? IDC_CV_MONO : IDC_CV_STEREO);
    CheckRadioButton(dlg, IDC_CV_8BIT, IDC_CV_16BIT, t->bits == 8 ? IDC_CV_8BIT : IDC_CV_16BIT);
    setDouble(dlg, IDC_CV_LEFTMIX, "%g", t->left * 100.0);
    setDouble(dlg, IDC_CV_RIGHTMIX, "%g", t->right * 100.0);
    CheckDlgButton(dlg, IDC_CV_DITHER, t->dither ? BST_CHECKED : BST_UNCHECKED);
    setDouble(dlg, IDC_CV_EMPHASIS, "%lg", t->emphasis);
    enableControls(dlg);
    frameCentre(dlg, NULL);
}

static void rateTyped(HWND dlg)
{
    char text[16];
    GetDlgItemTextA(dlg, IDC_CV_RATE, text, sizeof text);
    LRESULT at = SendDlgItemMessageA(dlg, IDC_CV_RATELIST, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text);
    SendDlgItemMessageA(dlg, IDC_CV_RATELIST, LB_SETCURSEL, at == LB_ERR ? (WPARAM)-1 : (WPARAM)at, 0);
    enableControls(dlg);
}

static void rateChosen(HWND dlg)
{
    LRESULT at = SendDlgItemMessageA(dlg, IDC_CV_RATELIST, LB_GETCURSEL, 0, 0);
    char text[16];
    if (at != LB_ERR && SendDlgItemMessageA(dlg, IDC_CV_RATELIST, LB_GETTEXTLEN, (WPARAM)at, 0) < (LRESULT)sizeof text) {
        SendDlgItemMessageA(dlg, IDC_CV_RATELIST, LB_GETTEXT, (WPARAM)at, (LPARAM)text);
        SetDlgItemTextA(dlg, IDC_CV_RATE, text);
    }
}

/* A number field, or 0 with the focus on it after a message. */
static int readNumber(HWND dlg, int id, double lo, double hi, const char *what, double *out)
{
    char text[64];
    GetDlgItemTextA(dlg, id, text, sizeof text);
    char *end;
    double v = strtod(text, &end);
    while (*end == ' ')
        end++;
    if (end == text || *end || !(v >= lo && v <= hi)) {
        char msg[160];
        snprintf(msg, sizeof msg, "Please enter %s from %g to %g.", what, lo, hi);
        frameMessageFrom(dlg, msg, "Sorry", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(dlg, id));
        SendDlgItemMessageA(dlg, id, EM_SETSEL, 0, -1);
        return 0;
    }
    *out = v;
    return 1;
}

static int accept(HWND dlg, ConvertTargets *t)
{
    char text[32];
    GetDlgItemTextA(dlg, IDC_CV_RATE, text, sizeof text);
    char *end;
    unsigned long rate = strtoul(text, &end, 10);
    while (*end == ' ')
        end++;
    if (rate < NEWWAVE_MINRATE || rate > NEWWAVE_MAXRATE || *end || text[0] == '-') {
        frameMessageFrom(dlg, "Please enter a sample rate from 1000 to 200000 Hz.", "Sorry", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(dlg, IDC_CV_RATE));
        SendDlgItemMessageA(dlg, IDC_CV_RATE, EM_SETSEL, 0, -1);
        return 0;
    }
    ConvertTargets v = *t;
    v.rate = (uint32_t)rate;
    v.channels = IsDlgButtonChecked(dlg, IDC_CV_MONO) == BST_CHECKED ? 1 : 2;
    v.bits = IsDlgButtonChecked(dlg, IDC_CV_8BIT) == BST_CHECKED ? 8 : 16;
    v.quality = IsDlgButtonChecked(dlg, IDC_CV_LOW) == BST_CHECKED    ? 1
              : IsDlgButtonChecked(dlg, IDC_CV_HIGH) == BST_CHECKED   ? 3
              : IsDlgButtonChecked(dlg, IDC_CV_XHIGH) == BST_CHECKED  ? 4 : 2;
    double left, right;
    if (!readNumber(dlg, IDC_CV_LEFTMIX, -1000, 1000, "a left mix in percent", &left) ||
        !readNumber(dlg, IDC_CV_RIGHTMIX, -1000, 1000, "a right mix in percent", &right))
        return 0;
    if (v.channels != Wave.channels && left == 0 && right == 0) {
        frameMessageFrom(dlg, "With both mixes at 0 % the converted sound would be silent.  Please enter a mix.",
                         "Sorry", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(dlg, IDC_CV_LEFTMIX));
        return 0;
    }
    v.left = left / 100.0;
    v.right = right / 100.0;
    v.dither = IsDlgButtonChecked(dlg, IDC_CV_DITHER) == BST_CHECKED;
    GetDlgItemTextA(dlg, IDC_CV_EMPHASIS, text, sizeof text);
    v.emphasis = strtod(text, NULL);
    *t = v;
    writeRecent(t);
    return 1;
}

static INT_PTR CALLBACK CONVERTMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (frameDialogTail(dlg, msg, wParam, "Convert Sample Type"))
        return TRUE;
    ConvertTargets *t = (ConvertTargets *)GetWindowLongPtrA(dlg, DWLP_USER);
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        initDialog(dlg, (ConvertTargets *)lParam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CV_RATE:
            if (HIWORD(wParam) == EN_CHANGE)
                rateTyped(dlg);
            return TRUE;
        case IDC_CV_RATELIST:
            if (HIWORD(wParam) == LBN_SELCHANGE)
                rateChosen(dlg);
            return TRUE;
        case IDC_CV_LOW: case IDC_CV_MEDIUM: case IDC_CV_HIGH: case IDC_CV_XHIGH:
        case IDC_CV_MONO: case IDC_CV_STEREO: case IDC_CV_8BIT: case IDC_CV_16BIT:
            enableControls(dlg);
            return FALSE;
        case IDOK:
            if (accept(dlg, t))
                EndDialog(dlg, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

/* The dialog on the targets in force, read from [Recent] first; 1 on OK. */
static int convertDialog(ConvertTargets *t)
{
    ConvertTargets work = *t;
    readRecent(&work);
    if (work.rate == 0)
        work.rate = Doc.sampleRate;
    if (work.bits == 0)
        work.bits = Wave.bitsPerSample;
    if (work.channels == 0)
        work.channels = Wave.channels;
    if (scriptIoRunning()) {
        /* The recorded targets, in the order written below; 0 ("X") keeps the value in
           force, a missing or absurd one stops the script. */
        long rate = ScriptIo.readLong(), bits = ScriptIo.readLong(), ch = ScriptIo.readLong();
        long quality = ScriptIo.readLong(), dither = ScriptIo.readLong();
        double left = ScriptIo.readDouble(), right = ScriptIo.readDouble();
        if (rate < 0 || rate > 1000000 || (bits && bits != 8 && bits != 16) || (ch && ch != 1 && ch != 2) ||
            quality < 0 || quality > 4 || dither < 0 || dither > 1 || left == SCRIPTIO_MISSING ||
            right == SCRIPTIO_MISSING || fabs(left) > 10 || fabs(right) > 10)
            return 0;
        if (rate)
            work.rate = (uint32_t)rate;
        if (bits)
            work.bits = (uint16_t)bits;
        if (ch)
            work.channels = (uint16_t)ch;
        if (quality)
            work.quality = (int16_t)quality;
        work.dither = (int16_t)dither;
        work.left = left;
        work.right = right;
    }
    if (DocHook.noDialogs && DocHook.noDialogs()) {
        *t = work;
        return 1;
    }
    INT_PTR r = DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(IDD_CONVERT), Frame.main, CONVERTMsgProc, (LPARAM)&work);
    if (r != IDOK)
        return 0;
    *t = work;
    return 1;
}

static void recordTargets(const ConvertTargets *t)
{
    if (!scriptIoRecording())
        return;
    ScriptIo.recordLong((long)t->rate);
    ScriptIo.recordLong(t->bits);
    ScriptIo.recordLong(t->channels);
    ScriptIo.recordLong(t->quality);
    ScriptIo.recordLong(t->dither ? 1 : 0);
    ScriptIo.recordDouble(t->left);
    ScriptIo.recordDouble(t->right);
}

/* ---- the run ---- */

static int resampleHook(const uint8_t block[12])
{
    short h = OpenXfm("Resample");
    if (!h)
        return CONVERT_NOMODULE;
    uint32_t frames = docFrames();
    uint32_t rate = (uint32_t)block[0] | (uint32_t)block[1] << 8 | (uint32_t)block[2] << 16 | (uint32_t)block[3] << 24;
    uint64_t want = Doc.sampleRate ? ((uint64_t)frames * rate * 2 + Doc.sampleRate) / (2ull * Doc.sampleRate) : frames;
    int ok = bSetXfmData(h, block, 0, 4) && bSetXfmData(h, block + 4, 4, 2) && bSetXfmData(h, block + 6, 6, 2) &&
             bSetXfmData(h, block + 8, 8, 4);
    Progress.cancelled = 0;
    if (ok)
        DoXfm(h, 0, frames, 1);
    short cancelled = Progress.cancelled;
    CloseXfm(h);
    if (!ok)
        return CONVERT_FAILED;
    if (cancelled)
        return CONVERT_CANCELLED;
    /* A module that stopped short left the wave in no known state: the undo copy is what
       can bring it back. */
    return docFrames() == want ? CONVERT_DONE : CONVERT_FAILED;
}

static void meterOpen(const char *caption) { progressCreate(caption, NULL); }
static int meterStep(uint32_t done, uint32_t total) { return progressMeter(done, total) ? 0 : 1; }
static void meterClose(void) { progressDestroy(); }

/* After a stopped run: a cancel puts the wave back as it was; a failure says so. */
static void afterStop(int r, int haveCopy)
{
    if (haveCopy && UndoStack.top >= 0 && UndoStack.entry[UndoStack.top].kind == IDM_CONVERT)
        undoPerform();
    if (r == CONVERT_FAILED)
        frameMessage(haveCopy ? "The sample type could not be converted (no memory or disk space, or the Resample "
                                "module failed).  The wave was put back as it was."
                              : "The sample type could not be converted (no memory or disk space, or the Resample "
                                "module failed).  The wave is converted only in part.",
                     "Convert Sample Type", OS_MB_OK | OS_MB_ICONEXCLAMATION);
}

static void redrawAll(void)
{
    if (Wave.channels == 1)
        Wave.editChannel = 0;
    Doc.selectionShown = docHasSelection() ? 0xFFFF : 0;
    editViewModified();
    editStatus();
}

void editConvertCommand(void)
{
    if (!BF.table || !Doc.storeOpen || audioPlaying() || audioRecording() || frameBusy())
        return;
    ConvertTargets t = Convert.target;
    if (!convertDialog(&t)) {
        if (XfmHost.script.running && XfmHost.script.running() && XfmHost.script.abort)
            XfmHost.script.abort();
        return;
    }
    Convert.target = t;
    recordTargets(&t);
    uint32_t frames = docFrames();
    int haveCopy = 0;
    if (frames > 0) {
        if (!undoBegin(IDM_CONVERT, 0, frames - 1, "Undo Convert Sample Type"))
            return;
        haveCopy = Doc.undoAvailable > 0;
    }
    int r = convertRun(&t);
    if (r != CONVERT_DONE)
        afterStop(r, haveCopy);
    redrawAll();
}

/* ---- the conversion a save asks for ---- */

static int saveDialog(FioFormat *f)
{
    ConvertTargets t = Convert.target;
    if (!convertDialog(&t))
        return 1;
    Convert.target = t;
    f->rate = t.rate;
    f->bits = t.bits;
    f->channels = t.channels;
    return 0;
}

static int saveConvert(const FioFormat *f)
{
    ConvertTargets t = Convert.target;
    /* Without the dialog (a filter that converts by itself, or a batch) the proposal is
       taken with the rest of the settings in force. */
    readRecent(&t);
    t.rate = f->rate;
    t.bits = f->bits;
    t.channels = f->channels;
    int haveCopy = Doc.undoAvailable > 0 && UndoStack.top >= 0 && UndoStack.entry[UndoStack.top].kind == IDM_CONVERT;
    int r = convertRun(&t);
    if (r != CONVERT_DONE && haveCopy)
        undoPerform();
    redrawAll();
    return r == CONVERT_DONE ? 0 : 1;
}

int editConvertDialogForSave(FioFormat *f) { return saveDialog(f); }
int editConvertForSave(const FioFormat *f) { return saveConvert(f); }

void editConvertInit(void)
{
    convertDefaults(&Convert.target);
    readRecent(&Convert.target);
    Convert.hook.resample = resampleHook;
    Convert.hook.progressOpen = meterOpen;
    Convert.hook.step = meterStep;
    Convert.hook.progressClose = meterClose;
}
