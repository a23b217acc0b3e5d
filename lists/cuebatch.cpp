/*
 * cuebatch.cpp - "Batch Process Phrases": the selected cues' silence set to exact amounts,
 * or each selected range saved to its own file through a chosen file filter.
 *
 * The silence edits change the sound's length in many places at once, which the undo
 * history's entries cannot follow: the history is emptied after them (the user is asked
 * first).  Saving to files leaves the document, its selection and its save type as they were.
 */
#include "lists/lists.h"
#include "lists/listsint.h"
#include "core/document.h"
#include "core/profile.h"
#include "ui/frame.h"
#include "formats/fio.h"
#include "formats/filter.h"
#include "formats/flttable.h"
#include "edit/undo.h"
#include "view/view.h"
#include "resources/resource.h"

#include <commdlg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct CueBatchState {
    uint32_t ids[CUE_MAX];      /* the cues the dialog works on */
    int      count;
    int      type;              /* chosen filter (table index) */
    uint32_t options;
};
static CueBatchState CueBatch;

static int readSeconds(HWND dlg, int id, double *out)
{
    char text[32], *end;
    GetDlgItemTextA(dlg, id, text, sizeof text);
    double v = strtod(text, &end);
    while (*end == ' ')
        end++;
    if (end == text || *end || v < 0 || v > 3600) {
        frameMessageFrom(dlg, "Please enter a number of seconds from 0 to 3600.", "Batch Process Phrases",
                         MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(dlg, id));
        return 0;
    }
    *out = v;
    return 1;
}

static void fillFormats(HWND dlg)
{
    HWND combo = GetDlgItem(dlg, IDC_CB_FORMAT);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    int chosen = 0, pos = 0;
    for (int i = 0; i < FltTable.count; i++) {
        if (!(FltTable.rec[i].flags & FLT_CANWRITE))
            continue;
        int at = (int)SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)FltTable.rec[i].formatName);
        SendMessageA(combo, CB_SETITEMDATA, at, i);
        if (i == CueBatch.type)
            chosen = pos;
        pos++;
    }
    SendMessageA(combo, CB_SETCURSEL, chosen, 0);
}

static int chosenType(HWND dlg)
{
    HWND combo = GetDlgItem(dlg, IDC_CB_FORMAT);
    int at = (int)SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return at < 0 ? -1 : (int)SendMessageA(combo, CB_GETITEMDATA, at, 0);
}

static void modeChanged(HWND dlg)
{
    int files = IsDlgButtonChecked(dlg, IDC_CB_FILES) == BST_CHECKED;
    EnableWindow(GetDlgItem(dlg, IDC_CB_BEFORE), !files);
    EnableWindow(GetDlgItem(dlg, IDC_CB_AFTER), !files);
    EnableWindow(GetDlgItem(dlg, IDC_CB_PREFIX), files);
    EnableWindow(GetDlgItem(dlg, IDC_CB_DESTDIR), files);
    EnableWindow(GetDlgItem(dlg, IDC_CB_BROWSE), files);
    EnableWindow(GetDlgItem(dlg, IDC_CB_FORMAT), files);
    EnableWindow(GetDlgItem(dlg, IDC_CB_OPTIONS), files);
}

static int setSilence(HWND dlg)
{
    double before, after;
    if (!readSeconds(dlg, IDC_CB_BEFORE, &before) || !readSeconds(dlg, IDC_CB_AFTER, &after))
        return 0;
    char text[32];
    snprintf(text, sizeof text, "%g", before);
    profileSetString("Cue Batch", "Before", text);
    snprintf(text, sizeof text, "%g", after);
    profileSetString("Cue Batch", "After", text);
    if (UndoStack.top >= 0 &&
        frameMessageFrom(dlg, "Changing the silence of the phrases cannot be undone, and the earlier undo steps "
                              "will be forgotten.  Continue?", "Batch Process Phrases",
                         MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    uint32_t b = (uint32_t)(before * Doc.sampleRate + 0.5), a = (uint32_t)(after * Doc.sampleRate + 0.5);
    int failed = 0;
    frameBusyBegin();
    for (int i = CueBatch.count - 1; i >= 0; i--) {
        int c = cueFind(CueBatch.ids[i]);
        if (c >= 0 && Cues.text[c].length && cueSetSilence(c, b, a) != 0)
            failed++;
    }
    frameBusyEnd();
    undoClear();
    Doc.modified = 1;
    InvalidateWaveRange(0, DOC_NONE);
    UpdateStatusFields();
    if (failed)
        frameMessageFrom(dlg, "Some phrases could not be changed: the temporary drive refused the edit.",
                         "Batch Process Phrases", MB_OK | MB_ICONEXCLAMATION);
    return 1;
}

static int saveFiles(HWND dlg)
{
    char prefix[64], dir[MAX_PATH];
    GetDlgItemTextA(dlg, IDC_CB_PREFIX, prefix, sizeof prefix);
    GetDlgItemTextA(dlg, IDC_CB_DESTDIR, dir, sizeof dir);
    int type = chosenType(dlg);
    if (type < 0 || type >= FltTable.count) {
        frameMessageFrom(dlg, "Cannot Load File Filter", "Batch Process Phrases", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    DWORD attr = GetFileAttributesA(dir);
    if (!dir[0] || attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY)) {
        frameMessageFrom(dlg, "Please choose an existing destination directory.", "Batch Process Phrases",
                         MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    profileSetString("Cue Batch", "Prefix", prefix);
    profileSetString("Cue Batch", "Directory", dir);
    CueBatch.type = type;
    const char *ext = FltTable.rec[type].ext;
    int savedType = Fio.saveType;
    uint32_t savedOptions = Fio.options, selStart = Doc.selStart, selEnd = Doc.selEnd;
    Fio.saveType = type;
    Fio.options = CueBatch.options ? CueBatch.options : filterOptions(type);
    int number = 0, failed = 0;
    size_t dl = strlen(dir);
    for (int i = 0; i < CueBatch.count; i++) {
        int c = cueFind(CueBatch.ids[i]);
        if (c < 0 || Cues.text[c].length == 0)
            continue;
        number++;
        char name[FLT_PATH_MAX];
        if (dl && dir[dl - 1] == '\\')
            snprintf(name, sizeof name, "%s%s%02d.%s", dir, prefix, number, ext);
        else
            snprintf(name, sizeof name, "%s\\%s%02d.%s", dir, prefix, number, ext);
        Doc.selStart = Cues.point[c].frame;
        Doc.selEnd = cueLast(c);
        if (fioSave(name, 0, 1, dlg) != 0)
            failed++;
    }
    Doc.selStart = selStart;
    Doc.selEnd = selEnd;
    Fio.saveType = savedType;
    Fio.options = savedOptions;
    if (failed) {
        char text[96];
        snprintf(text, sizeof text, "%d of %d phrases could not be saved.", failed, number);
        frameMessageFrom(dlg, text, "Batch Process Phrases", MB_OK | MB_ICONEXCLAMATION);
    }
    return 1;
}

static void browse(HWND dlg)
{
    char name[MAX_PATH] = "phrase";
    OPENFILENAMEA of;
    memset(&of, 0, sizeof of);
    of.lStructSize = sizeof of;
    of.hwndOwner = dlg;
    of.lpstrFile = name;
    of.nMaxFile = sizeof name;
    of.lpstrTitle = "Destination Directory";
    of.Flags = OFN_HIDEREADONLY | OFN_NOVALIDATE | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameA(&of))
        return;
    char *slash = strrchr(name, '\\');
    if (slash)
        *slash = 0;
    SetDlgItemTextA(dlg, IDC_CB_DESTDIR, name);
}

static INT_PTR CALLBACK CUEBATCHMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (frameDialogTail(dlg, msg, wParam, "Batch Process Phrases"))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG: {
        char text[MAX_PATH];
        CheckRadioButton(dlg, IDC_CB_SILENCE, IDC_CB_FILES, IDC_CB_SILENCE);
        profileGetString("Cue Batch", "Before", "0.5", text, sizeof text);
        SetDlgItemTextA(dlg, IDC_CB_BEFORE, text);
        profileGetString("Cue Batch", "After", "0.5", text, sizeof text);
        SetDlgItemTextA(dlg, IDC_CB_AFTER, text);
        profileGetString("Cue Batch", "Prefix", "phrase", text, sizeof text);
        SetDlgItemTextA(dlg, IDC_CB_PREFIX, text);
        profileGetString("Cue Batch", "Directory", "", text, sizeof text);
        SetDlgItemTextA(dlg, IDC_CB_DESTDIR, text);
        fillFormats(dlg);
        modeChanged(dlg);
        frameCentre(dlg, GetParent(dlg));
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CB_SILENCE: case IDC_CB_FILES:
            modeChanged(dlg);
            return TRUE;
        case IDC_CB_BROWSE:
            browse(dlg);
            return TRUE;
        case IDC_CB_FORMAT:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                CueBatch.options = 0;
            return TRUE;
        case IDC_CB_OPTIONS: {
            int type = chosenType(dlg);
            if (type >= 0) {
                uint32_t v = filterChangeOptions(type, dlg, Doc.sampleRate, Wave.channels, Wave.bitsPerSample);
                if (v)
                    CueBatch.options = v;
            }
            return TRUE;
        }
        case IDOK: {
            int files = IsDlgButtonChecked(dlg, IDC_CB_FILES) == BST_CHECKED;
            if (files ? saveFiles(dlg) : setSilence(dlg))
                EndDialog(dlg, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void cueBatchDialog(HWND owner)
{
    HWND list = GetDlgItem(owner, IDC_CUE_LIST);
    int lines[CUE_MAX];
    int n = (int)SendMessageA(list, LB_GETSELITEMS, CUE_MAX, (LPARAM)lines);
    CueBatch.count = 0;
    for (int i = 0; i < n; i++) {
        char text[256];
        if (SendMessageA(list, LB_GETTEXTLEN, lines[i], 0) >= (LRESULT)sizeof text)
            continue;
        SendMessageA(list, LB_GETTEXT, lines[i], (LPARAM)text);
        uint32_t id = cueIdOfLine(text);
        if (id)
            CueBatch.ids[CueBatch.count++] = id;
    }
    if (CueBatch.count == 0 || frameBusy())
        return;
    if (CueBatch.type <= 0)
        CueBatch.type = Fio.saveType >= 0 ? Fio.saveType : 0;
    DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(IDD_CUEBATCH), owner, CUEBATCHMsgProc, 0);
}
