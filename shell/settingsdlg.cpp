/*
 * settingsdlg.cpp - the Settings dialog (168) with its three pages placed in the tab
 * control, the colour chooser and command 5040.
 *
 * Writes Settings (on OK only), [Colors] Custom0..15 around each use of the colour chooser,
 * [Size] TempOverride and [Settings] UndoTempDir when a valid new directory is typed.
 * The pages are child dialogs of the Settings dialog that share one SetDlgWork record; the
 * dialog validates every number before it stores anything, so a bad field leaves all
 * settings as they were and the dialog open.
 */
#include "shell/settingsdlg.h"
#include "view/view.h"
#include "core/settings.h"
#include "core/profile.h"
#include "core/document.h"
#include "ui/helpview.h"
#include "shell/shell.h"
#include "store/tempfile.h"
#include "resources/resource.h"
#include "edit/editwin.h"
#include "audio/audio.h"

#include <commctrl.h>
#include <commdlg.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>


enum { PAGE_DISPLAY, PAGE_SYSTEM, PAGE_COLORS, PAGE_COUNT };

#define RGB3(r, g, b) ((uint32_t)(r) | ((uint32_t)(g) << 8) | ((uint32_t)(b) << 16))
static const uint32_t defaultColor[3] = {RGB3(0, 255, 0), RGB3(240, 255, 220), RGB3(0, 32, 32)};
static const int swatchId[3] = {IDC_SET_WAVESWATCH, IDC_SET_HIGHSWATCH, IDC_SET_LOWSWATCH};

struct SetDlgWork {
    HWND     dlg;
    HWND     page[PAGE_COUNT];
    uint32_t color[3];              /* waveform, spectral high, spectral low as chosen */
    HBRUSH   swatch[3];             /* brushes of those colours for the swatches */
    char     shownTemp[TEMP_DIRMAX];/* the directories as the dialog opened with them */
    char     shownUndo[TEMP_DIRMAX];
    int      changed;               /* SETDLG_* flags of the last OK */
};

static void centreOverOwner(HWND dlg) { frameCentre(dlg, GetWindow(dlg, GW_OWNER)); }

/* ---- colours ------------------------------------------------------------------------ */

static void setSwatch(SetDlgWork *w, int which, uint32_t color)
{
    w->color[which] = color;
    if (w->swatch[which])
        DeleteObject(w->swatch[which]);
    w->swatch[which] = CreateSolidBrush((COLORREF)color);
    InvalidateRect(GetDlgItem(w->page[PAGE_COLORS], swatchId[which]), NULL, TRUE);
}

/* The system colour chooser; its 16 custom colours come from [Colors] Custom0..15 before
   and go back after, whether the user chose a colour or not (he may have edited them). */
static void chooseColor(SetDlgWork *w, int which)
{
    COLORREF custom[16];
    char key[16];
    for (int i = 0; i < 16; i++) {
        snprintf(key, sizeof key, "Custom%d", i);
        long v = profileGetInt("Colors", key, (long)RGB(255, 255, 255));
        custom[i] = (COLORREF)((unsigned long)v & 0xFFFFFFul);
    }
    CHOOSECOLORA cc;
    memset(&cc, 0, sizeof cc);
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = w->dlg;
    cc.rgbResult = (COLORREF)w->color[which];
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    BOOL ok = ChooseColorA(&cc);
    for (int i = 0; i < 16; i++) {
        char value[16];
        snprintf(key, sizeof key, "Custom%d", i);
        snprintf(value, sizeof value, "%lu", (unsigned long)(custom[i] & 0xFFFFFFul));
        profileSetString("Colors", key, value);
    }
    if (ok)
        setSwatch(w, which, (uint32_t)cc.rgbResult & 0xFFFFFFu);
}

/* ---- filling and reading the fields -------------------------------------------------- */

static void setInt(HWND page, int id, long v)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%ld", v);
    SetDlgItemTextA(page, id, buf);
}

static void checkIt(HWND page, int id, int on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }
static int checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

static void fillPages(SetDlgWork *w)
{
    const SettingsState &s = Settings;
    HWND d = w->page[PAGE_DISPLAY], y = w->page[PAGE_SYSTEM], c = w->page[PAGE_COLORS];
    CheckRadioButton(d, IDC_SET_DOTS, IDC_SET_LINES, s.viewingMode ? IDC_SET_DOTS : IDC_SET_LINES);
    checkIt(d, IDC_SET_PASTEHILITE, s.pasteHilite);
    checkIt(d, IDC_SET_OLDBOXES, s.useOldStyleBoxes);
    setInt(d, IDC_SET_MAXDISPLAY, s.maxDisplayTime);
    setInt(d, IDC_SET_TIMECODE, s.timeCodeFrames);
    setInt(d, IDC_SET_RESOLUTION, s.spectrumResolution);

    char buf[32];
    snprintf(buf, sizeof buf, "%g", s.bufferSize);
    SetDlgItemTextA(y, IDC_SET_BUFSIZE, buf);
    setInt(y, IDC_SET_NUMBUFFERS, s.numBuffers);
    profileGetString("Size", "TempOverride", "", w->shownTemp, sizeof w->shownTemp);
    if (!w->shownTemp[0])
        snprintf(w->shownTemp, sizeof w->shownTemp, "%s", TF.tempDir);
    profileGetString("Settings", "UndoTempDir", "", w->shownUndo, sizeof w->shownUndo);
    if (!w->shownUndo[0])
        snprintf(w->shownUndo, sizeof w->shownUndo, "%s", TF.undoDir);
    /* The keys hold at most 79 characters; longer text could not be stored. */
    SendDlgItemMessageA(y, IDC_SET_TEMPDIR, EM_LIMITTEXT, TEMP_DIRMAX - 1, 0);
    SendDlgItemMessageA(y, IDC_SET_UNDODIR, EM_LIMITTEXT, TEMP_DIRMAX - 1, 0);
    SetDlgItemTextA(y, IDC_SET_TEMPDIR, w->shownTemp);
    SetDlgItemTextA(y, IDC_SET_UNDODIR, w->shownUndo);
    checkIt(y, IDC_SET_COMPRESSED, s.tempCompressed);
    setInt(y, IDC_SET_UNDOLEVELS, s.undoLevels);
    checkIt(y, IDC_SET_UNDO, s.undoEnabled);
    checkIt(y, IDC_SET_16TO8, s.convert16to8);
    checkIt(y, IDC_SET_DITHER, s.dither8Bit);
    checkIt(y, IDC_SET_PLAYCURSOR, s.playFromCursor);

    setSwatch(w, 0, s.waveformColor);
    setSwatch(w, 1, s.spectralHigh);
    setSwatch(w, 2, s.spectralLow);
    checkIt(c, IDC_SET_REVERSE, s.spectralReverse);
}

/* A whole number or a decimal number with nothing but blanks around it. */
static int readLong(HWND page, int id, long *out)
{
    char buf[64], *end;
    GetDlgItemTextA(page, id, buf, sizeof buf);
    const char *p = buf;
    while (*p == ' ')
        p++;
    long v = strtol(p, &end, 10);
    if (end == p)
        return 0;
    while (*end == ' ')
        end++;
    if (*end)
        return 0;
    *out = v;
    return 1;
}

static int readDouble(HWND page, int id, double *out)
{
    char buf[64], *end;
    GetDlgItemTextA(page, id, buf, sizeof buf);
    const char *p = buf;
    while (*p == ' ')
        p++;
    double v = strtod(p, &end);
    if (end == p || !isfinite(v))
        return 0;
    while (*end == ' ')
        end++;
    if (*end)
        return 0;
    *out = v;
    return 1;
}

/* Messages of the dialog are owned by the dialog, not the (disabled) main window, so the
   dialog cannot be pressed again while one is up. */
static void dlgMessage(HWND dlg, const char *text, const char *caption, unsigned style)
{
    frameMessageFrom(dlg, text, caption, style);
}

static long clampL(long v, long lo, long hi) { return v < lo ? lo : v > hi ? hi : v; }
static double clampD(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

static void showPage(SetDlgWork *w, int which)
{
    for (int i = 0; i < PAGE_COUNT; i++)
        ShowWindow(w->page[i], i == which ? SW_SHOW : SW_HIDE);
    TabCtrl_SetCurSel(GetDlgItem(w->dlg, IDC_SET_TAB), which);
}

/* Every number field must hold a number; the first that does not is shown and named. */
static int validate(SetDlgWork *w, long *maxDisp, long *frames, long *bits, double *bufSize, long *bufCount, long *levels)
{
    struct Field { int page, id, isDouble; const char *name; void *out; } fields[] = {
        {PAGE_DISPLAY, IDC_SET_MAXDISPLAY, 0, "Maximum Display on Load", maxDisp},
        {PAGE_DISPLAY, IDC_SET_TIMECODE, 0, "Time Code Display", frames},
        {PAGE_DISPLAY, IDC_SET_RESOLUTION, 0, "Spectrum Analyzer Resolution", bits},
        {PAGE_SYSTEM, IDC_SET_BUFSIZE, 1, "Total Buffer Size", bufSize},
        {PAGE_SYSTEM, IDC_SET_NUMBUFFERS, 0, "number of buffers", bufCount},
        {PAGE_SYSTEM, IDC_SET_UNDOLEVELS, 0, "Undo Levels", levels},
    };
    for (const Field &f : fields) {
        HWND page = w->page[f.page];
        int ok = f.isDouble ? readDouble(page, f.id, (double *)f.out) : readLong(page, f.id, (long *)f.out);
        if (ok)
            continue;
        showPage(w, f.page);
        char text[128];
        snprintf(text, sizeof text, "Please enter a number for %s.", f.name);
        dlgMessage(w->dlg, text, "Sorry", MB_OK | MB_ICONEXCLAMATION);
        HWND edit = GetDlgItem(page, f.id);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        return 0;
    }
    return 1;
}

static int directoryExists(const char *path)
{
    if (!path[0])
        return 0;
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

/* A typed directory that differs from the one shown and from the stored key is written
   when it exists (to take effect at the next start), else refused with a message. */
static void applyDirectory(HWND dlg, HWND page, int id, const char *shown, const char *section, const char *key,
                           const char *invalidText, const char *restartText)
{
    char typed[TEMP_DIRMAX], stored[TEMP_DIRMAX];
    GetDlgItemTextA(page, id, typed, sizeof typed);
    char *p = typed;
    while (*p == ' ')
        p++;
    memmove(typed, p, strlen(p) + 1);
    size_t n = strlen(typed);
    while (n > 0 && typed[n - 1] == ' ')
        typed[--n] = 0;
    profileGetString(section, key, "", stored, sizeof stored);
    if (lstrcmpiA(typed, shown) == 0 || lstrcmpiA(typed, stored) == 0)
        return;
    if (!directoryExists(typed)) {
        dlgMessage(dlg, invalidText, typed, MB_OK | MB_ICONINFORMATION);
        return;
    }
    profileSetString(section, key, typed);
    char text[200];
    snprintf(text, sizeof text, restartText, Frame.programName);
    dlgMessage(dlg, text, "Attention", MB_OK | MB_ICONEXCLAMATION);
}

/* OK, in the order the settings are taken: colours; flags; undo levels; the buffers; the
   clamps of resolution, frames and display time; then the two directories. */
static int accept(SetDlgWork *w)
{
    long maxDisp, frames, bits, bufCount, levels;
    double bufSize;
    if (!validate(w, &maxDisp, &frames, &bits, &bufSize, &bufCount, &levels))
        return 0;
    SettingsState &s = Settings;
    HWND d = w->page[PAGE_DISPLAY], y = w->page[PAGE_SYSTEM], c = w->page[PAGE_COLORS];
    int changed = SETDLG_OK;

    int reverse = checked(c, IDC_SET_REVERSE);
    if (w->color[0] != s.waveformColor)
        changed |= SETDLG_WAVECOLOR;
    if (w->color[1] != s.spectralHigh || w->color[2] != s.spectralLow || reverse != s.spectralReverse)
        changed |= SETDLG_SPECTRAL;
    s.waveformColor = w->color[0];
    s.spectralHigh = w->color[1];
    s.spectralLow = w->color[2];
    s.spectralReverse = reverse;

    int dots = checked(d, IDC_SET_DOTS);
    if (dots != s.viewingMode)
        changed |= SETDLG_VIEWMODE;
    s.viewingMode = dots;
    s.pasteHilite = checked(d, IDC_SET_PASTEHILITE);
    s.useOldStyleBoxes = checked(d, IDC_SET_OLDBOXES);
    s.tempCompressed = checked(y, IDC_SET_COMPRESSED);
    s.undoEnabled = checked(y, IDC_SET_UNDO);
    s.convert16to8 = checked(y, IDC_SET_16TO8);
    s.dither8Bit = checked(y, IDC_SET_DITHER);
    s.playFromCursor = checked(y, IDC_SET_PLAYCURSOR);

    s.undoLevels = (int)clampL(levels, 1, 32);

    int busy = audioPlaying() || audioRecording();
    bufSize = clampD(bufSize, 1.0, 20.0);
    if (fabs(bufSize - s.bufferSize) > 1e-9) {
        if (busy)
            dlgMessage(w->dlg, "Please stop playing or recording before changing the total buffer size.",
                         "Audio is currently in use", MB_OK | MB_ICONEXCLAMATION);
        else
            s.bufferSize = bufSize;
    }
    bufCount = clampL(bufCount, 2, 32);
    if (bufCount != s.numBuffers) {
        if (busy)
            dlgMessage(w->dlg, "Please stop playing or recording before changing the number of buffers.",
                         "Audio is currently in use", MB_OK | MB_ICONEXCLAMATION);
        else
            s.numBuffers = (int)bufCount;
    }

    s.spectrumResolution = (int)clampL(bits, 4, 13);
    frames = clampL(frames, 1, 999);
    if (frames != s.timeCodeFrames)
        changed |= SETDLG_TIMECODE;
    s.timeCodeFrames = (int)frames;
    s.maxDisplayTime = clampL(maxDisp, 0, 30000);

    applyDirectory(w->dlg, y, IDC_SET_TEMPDIR, w->shownTemp, "Size", "TempOverride", "Temporary Directory Invalid",
                   "You must re-start %s for temporary directory changes to take effect");
    applyDirectory(w->dlg, y, IDC_SET_UNDODIR, w->shownUndo, "Settings", "UndoTempDir", "Temporary Undo Directory Invalid",
                   "You must re-start %s for undo temporary directory changes to take effect");

    /* Stored now as well as at exit, so a later crash does not lose what the user set. */
    settingsSave();
    w->changed = changed;
    return 1;
}

/* ---- the pages and the dialog ----------------------------------------------------------- */

static INT_PTR CALLBACK SETPAGEMsgProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SetDlgWork *w = (SetDlgWork *)GetWindowLongPtrA(page, DWLP_USER);
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(page, DWLP_USER, lParam);
        return FALSE;
    case WM_COMMAND:
        if (!w || HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_SET_WAVECOLOR: chooseColor(w, 0); return TRUE;
        case IDC_SET_HIGHCOLOR: chooseColor(w, 1); return TRUE;
        case IDC_SET_LOWCOLOR:  chooseColor(w, 2); return TRUE;
        case IDC_SET_DEFCOLORS:
            for (int i = 0; i < 3; i++)
                setSwatch(w, i, defaultColor[i]);
            checkIt(page, IDC_SET_REVERSE, 1);
            return TRUE;
        }
        return FALSE;
    case WM_CTLCOLORSTATIC:
        if (w)
            for (int i = 0; i < 3; i++)
                if ((HWND)lParam == GetDlgItem(page, swatchId[i]) && w->swatch[i])
                    return (INT_PTR)w->swatch[i];
        return FALSE;
    }
    return FALSE;
}

static void initDialog(HWND dlg, SetDlgWork *w)
{
    w->dlg = dlg;
    HWND tab = GetDlgItem(dlg, IDC_SET_TAB);
    static const char *const names[PAGE_COUNT] = {"Display", "System", "Colors"};
    static const int templates[PAGE_COUNT] = {IDD_SETPAGE_DISPLAY, IDD_SETPAGE_SYSTEM, IDD_SETPAGE_COLORS};
    for (int i = 0; i < PAGE_COUNT; i++) {
        TCITEMA item;
        memset(&item, 0, sizeof item);
        item.mask = TCIF_TEXT;
        item.pszText = (char *)names[i];
        SendMessageA(tab, TCM_INSERTITEMA, (WPARAM)i, (LPARAM)&item);
    }
    RECT area;
    GetWindowRect(tab, &area);
    MapWindowPoints(HWND_DESKTOP, dlg, (POINT *)&area, 2);
    TabCtrl_AdjustRect(tab, FALSE, &area);
    HWND after = tab;
    for (int i = 0; i < PAGE_COUNT; i++) {
        w->page[i] = CreateDialogParamA(Frame.instance, MAKEINTRESOURCEA(templates[i]), dlg, SETPAGEMsgProc, (LPARAM)w);
        /* Right after the tab in the tab order, so Tab runs tab, page, OK, Cancel, "?". */
        SetWindowPos(w->page[i], after, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOACTIVATE);
        after = w->page[i];
    }
    fillPages(w);
    showPage(w, PAGE_DISPLAY);
    centreOverOwner(dlg);
}

static void endDialog(HWND dlg, SetDlgWork *w, INT_PTR result)
{
    for (int i = 0; i < 3; i++)
        if (w->swatch[i]) {
            DeleteObject(w->swatch[i]);
            w->swatch[i] = NULL;
        }
    EndDialog(dlg, result);
}

static INT_PTR CALLBACK SETTINGSMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SetDlgWork *w = (SetDlgWork *)GetWindowLongPtrA(dlg, DWLP_USER);
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        initDialog(dlg, (SetDlgWork *)lParam);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR *n = (const NMHDR *)lParam;
        if (w && n->idFrom == IDC_SET_TAB && n->code == TCN_SELCHANGE)
            showPage(w, TabCtrl_GetCurSel(n->hwndFrom));
        return TRUE;
    }
    case WM_COMMAND:
        if (!w)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDOK:         if (accept(w)) endDialog(dlg, w, IDOK); return TRUE;
        case IDCANCEL:     endDialog(dlg, w, IDCANCEL); return TRUE;
        case IDC_SET_HELP: helpShow(HELPKEY_SETTINGS); return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        if (w)
            endDialog(dlg, w, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

int settingsDialog(HWND owner)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    SetDlgWork work;
    memset(&work, 0, sizeof work);
    INT_PTR r = DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, SETTINGSMsgProc, (LPARAM)&work);
    return r == IDOK ? work.changed : 0;
}

void cmdSettings(void)
{
    int changed = settingsDialog(Frame.main);
    if (!changed)
        return;
    editSettingsChanged();   /* undo levels and switch, PasteHilite, smoothing */
    if (!Settings.undoEnabled) {
        if (DocHook.clearUndo)
            DocHook.clearUndo();
        Doc.undoAvailable = -1;
    } else if (Doc.undoAvailable < 0) {
        Doc.undoAvailable = 0;   /* switched on again: nothing to undo yet */
    }
    /* The view makes its pen again and redraws every column; the read-outs follow a new
       frame rate. */
    if (changed & (SETDLG_WAVECOLOR | SETDLG_SPECTRAL | SETDLG_TIMECODE | SETDLG_VIEWMODE)) {
        viewSettingsChanged();
        UpdateStatusFields();
        InvalidateRect(Frame.main, NULL, FALSE);
    }
}
