/*
 * cuewin.cpp - the cue list's windows: the modeless "Cue List / Ranges" dialog, the flags
 * drawn above and below the waveform, adding a cue from the keyboard, and what the table's
 * changes do to both.
 *
 * Global state: CueWin (the dialog and its placement, Auto Zoom) and CueMarks (where each
 * slot's flags were drawn).  Flags are painted at the end of the waveform's paint; moving or
 * erasing one invalidates the small rectangles it covered, so no stale flag stays behind.
 */
#include "lists/lists.h"
#include "lists/listsint.h"
#include "core/document.h"
#include "core/profile.h"
#include "ui/frame.h"
#include "view/view.h"
#include "view/select.h"
#include "audio/audio.h"
#include "resources/resource.h"

#include <stdio.h>
#include <string.h>

CueWinState CueWin;

struct MarkSlot {
    int      type;              /* 1 point, 2 range, 0 the third kind; -1 empty */
    int      x1, x2;            /* drawn x of the start and end flags, -1 none */
    uint32_t start, length;     /* DOC_NONE start: empty */
};
static MarkSlot CueMarks[CUE_MAX];
static int marksReady;

/* ---- markers ---- */

static void marksReset(void)
{
    for (int i = 0; i < CUE_MAX; i++) {
        CueMarks[i].type = -1;
        CueMarks[i].x1 = CueMarks[i].x2 = -1;
        CueMarks[i].start = DOC_NONE;
        CueMarks[i].length = 0;
    }
    marksReady = 1;
}

/* x of a frame by the view's arithmetic, or -1 when it is not in view. */
static int frameX(uint32_t frame)
{
    const ViewRect &a = View.area;
    int w = a.right - a.left;
    if (w <= 0 || Doc.viewEnd == DOC_NONE || frame < Doc.viewStart || frame > Doc.viewEnd)
        return -1;
    return cueMarkerX(frame, Doc.viewStart, Doc.viewEnd, a.left, w);
}

/* The rectangles a flag at x covers above and below the area. */
static void flagRects(int x, RECT *top, RECT *bottom)
{
    const ViewRect &a = View.area;
    SetRect(top, x - 5, a.top - 1, x + 6, a.top + 7);
    SetRect(bottom, x - 5, a.bottom - 7, x + 6, a.bottom + 1);
}

static void invalidateFlag(HWND wnd, int x)
{
    if (x < 0 || !wnd)
        return;
    RECT t, b;
    flagRects(x, &t, &b);
    InvalidateRect(wnd, &t, FALSE);
    InvalidateRect(wnd, &b, FALSE);
}

void DrawCueMarkers(HWND wnd, int slot, uint32_t start, uint32_t length, int type)
{
    if (!marksReady)
        marksReset();
    if (slot == 0) {
        for (int i = 0; i < CUE_MAX; i++) {
            if (i < Cues.count)
                DrawCueMarkers(wnd, i + 1, Cues.point[i].frame, Cues.text[i].length, Cues.text[i].length ? 2 : 1);
            else if (CueMarks[i].start != DOC_NONE)
                DrawCueMarkers(wnd, i + 1, DOC_NONE, 0, -1);
        }
        return;
    }
    if (slot < 1 || slot > CUE_MAX)
        return;
    MarkSlot *m = &CueMarks[slot - 1];
    int x1 = start == DOC_NONE ? -1 : frameX(start);
    int x2 = start == DOC_NONE || type != 2 || length == 0 ? -1 : frameX(start + length - 1);
    if (x1 != m->x1 || type != m->type) {
        invalidateFlag(wnd, m->x1);
        invalidateFlag(wnd, x1);
    }
    if (x2 != m->x2 || type != m->type) {
        invalidateFlag(wnd, m->x2);
        invalidateFlag(wnd, x2);
    }
    m->type = start == DOC_NONE ? -1 : type;
    m->start = start;
    m->length = length;
    m->x1 = x1;
    m->x2 = x2;
}

static void fillRow(HDC dc, HBRUSH b, int x, int y, int half)
{
    RECT r = {x - half, y, x + half + 1, y + 1};
    FillRect(dc, &r, b);
}

static void drawPoint(HDC dc, HBRUSH b, int x)
{
    const ViewRect &a = View.area;
    for (int k = 0; k < 5; k++) {
        fillRow(dc, b, x, a.top + k, k);              /* apex at the top, base 5 rows down */
        fillRow(dc, b, x, a.bottom - 2 - k, k);       /* apex near the bottom line */
    }
}

static void drawFlag(HDC dc, HBRUSH b, int x, int right)
{
    const ViewRect &a = View.area;
    RECT up = {x, a.top, x + 1, a.top + 5}, down = {x, a.bottom - 6, x + 1, a.bottom - 1};
    FillRect(dc, &up, b);
    FillRect(dc, &down, b);
    RECT armUp = right ? RECT{x, a.top, x + 5, a.top + 1} : RECT{x - 4, a.top, x + 1, a.top + 1};
    RECT armDown = right ? RECT{x, a.bottom - 2, x + 5, a.bottom - 1} : RECT{x - 4, a.bottom - 2, x + 1, a.bottom - 1};
    FillRect(dc, &armUp, b);
    FillRect(dc, &armDown, b);
}

void listsPaintMarkers(HDC dc)
{
    if (!marksReady)
        marksReset();
    if (!Doc.storeOpen || Cues.count == 0)
        return;
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255)),
           yellow = CreateSolidBrush(RGB(255, 255, 0));
    for (int i = 0; i < Cues.count; i++) {
        MarkSlot *m = &CueMarks[i];
        uint32_t len = Cues.text[i].length;
        int type = len ? 2 : 1;
        /* Drawn where the view puts it now (a changed view redraws every slot). */
        m->type = type;
        m->start = Cues.point[i].frame;
        m->length = len;
        m->x1 = frameX(m->start);
        m->x2 = type == 2 ? frameX(m->start + len - 1) : -1;
        HBRUSH b = type == 2 ? blue : type == 1 ? red : yellow;
        if (type == 1) {
            if (m->x1 >= 0)
                drawPoint(dc, b, m->x1);
        } else {
            if (m->x1 >= 0)
                drawFlag(dc, b, m->x1, 1);
            if (m->x2 >= 0)
                drawFlag(dc, b, m->x2, 0);
        }
    }
    DeleteObject(red);
    DeleteObject(blue);
    DeleteObject(yellow);
}

/* ---- the dialog ---- */

static uint32_t lineId(HWND list, int line)
{
    char text[256];
    int n = (int)SendMessageA(list, LB_GETTEXTLEN, line, 0);
    if (n <= 0 || n >= (int)sizeof text)
        return 0;
    SendMessageA(list, LB_GETTEXT, line, (LPARAM)text);
    return cueIdOfLine(text);
}

/* The table indexes of the selected lines, in line order.  Returns how many. */
static int selectedCues(int *out, int max)
{
    HWND list = GetDlgItem(CueWin.wnd, IDC_CUE_LIST);
    int lines[CUE_MAX];
    int n = (int)SendMessageA(list, LB_GETSELITEMS, CUE_MAX, (LPARAM)lines);
    int k = 0;
    for (int i = 0; i < n && k < max; i++) {
        int c = cueFind(lineId(list, lines[i]));
        if (c >= 0)
            out[k++] = c;
    }
    return k;
}

int listsSelectedCue(void)
{
    if (!CueWin.wnd)
        return -1;
    int sel[2];
    return selectedCues(sel, 2) == 1 ? sel[0] : -1;
}

static void enableFields(HWND dlg, int one, int many)
{
    EnableWindow(GetDlgItem(dlg, IDC_CUE_DEL), one || many);
    EnableWindow(GetDlgItem(dlg, IDC_CUE_BATCH), one || many);
    EnableWindow(GetDlgItem(dlg, IDC_CUE_LABEL), one);
    EnableWindow(GetDlgItem(dlg, IDC_CUE_DESC), one);
    EnableWindow(GetDlgItem(dlg, IDC_CUE_LABELLBL), one);
    EnableWindow(GetDlgItem(dlg, IDC_CUE_DESCLBL), one);
}

static void selectionChanged(HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_CUE_LIST);
    int count = (int)SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    EnableWindow(GetDlgItem(dlg, IDC_CUE_MERGE), count == 2);
    int sel[2];
    int n = count == 1 ? selectedCues(sel, 1) : 0;
    CueWin.filling = 1;
    if (n == 1) {
        SetDlgItemTextA(dlg, IDC_CUE_LABEL, Cues.text[sel[0]].label);
        SetDlgItemTextA(dlg, IDC_CUE_DESC, Cues.text[sel[0]].desc);
    } else {
        SetDlgItemTextA(dlg, IDC_CUE_LABEL, "");
        SetDlgItemTextA(dlg, IDC_CUE_DESC, "");
    }
    CueWin.filling = 0;
    enableFields(dlg, n == 1, count > 1);
    playWinCueSelection(n == 1);
}

/* Rebuilds the lines in table order; the cues selected before stay selected. */
static void fillList(HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_CUE_LIST);
    uint32_t keep[CUE_MAX];
    int lines[CUE_MAX];
    int n = (int)SendMessageA(list, LB_GETSELITEMS, CUE_MAX, (LPARAM)lines), k = 0;
    for (int i = 0; i < n; i++)
        keep[k++] = lineId(list, lines[i]);
    int top = (int)SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < Cues.count; i++) {
        char line[256];
        CueListLine(i, Doc.sampleRate, line, sizeof line);
        int at = (int)SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)line);
        for (int j = 0; j < k; j++)
            if (keep[j] == Cues.point[i].id)
                SendMessageA(list, LB_SETSEL, TRUE, at);
    }
    SendMessageA(list, LB_SETTOPINDEX, top, 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
    selectionChanged(dlg);
}

static void setTitle(HWND dlg, const char *mainTitle)
{
    char own[64], title[400];
    frameString(IDS_TITLE_CUELIST, own, sizeof own);
    if (!own[0])
        strcpy(own, "Cue List");
    if (Doc.name[0] && mainTitle && mainTitle[0])
        docChildTitle(own, mainTitle, title, sizeof title);
    else
        snprintf(title, sizeof title, "%s", own);
    SetWindowTextA(dlg, title);
}

/* Control placement, kept relative to the dialog's right and bottom edges. */
struct Anchor {
    int id;
    int right, bottom;          /* 1: follows that edge */
    int grow;                   /* 1: width follows, 2: height follows too */
};
static const Anchor kAnchors[] = {
    {IDC_CUE_LIST, 0, 0, 2},    {IDC_CUE_ADD, 1, 0, 0},      {IDC_CUE_DEL, 1, 0, 0},
    {IDC_CUE_MERGE, 1, 0, 0},   {IDC_CUE_BATCH, 1, 0, 0},    {IDC_CUE_AUTOZOOM, 1, 0, 0},
    {IDOK, 1, 1, 0},            {IDC_CUE_LABELLBL, 0, 1, 0}, {IDC_CUE_LABEL, 0, 1, 1},
    {IDC_CUE_DESCLBL, 0, 1, 0}, {IDC_CUE_DESC, 0, 1, 1},     {IDC_HELPBTN, 1, 1, 0},
};

static void layout(HWND dlg)
{
    RECT c;
    GetClientRect(dlg, &c);
    int dx = c.right - CueWin.design.x, dy = c.bottom - CueWin.design.y;
    for (size_t i = 0; i < sizeof kAnchors / sizeof kAnchors[0]; i++) {
        const Anchor &a = kAnchors[i];
        RECT r = CueWin.ctl[i];
        int x = r.left + (a.right ? dx : 0), y = r.top + (a.bottom ? dy : 0);
        int w = r.right - r.left + (a.grow ? dx : 0), h = r.bottom - r.top + (a.grow == 2 ? dy : 0);
        if (w < 10)
            w = 10;
        if (h < 10)
            h = 10;
        MoveWindow(GetDlgItem(dlg, a.id), x, y, w, h, FALSE);
    }
    InvalidateRect(dlg, NULL, TRUE);
}

static void rememberLayout(HWND dlg)
{
    RECT c;
    GetClientRect(dlg, &c);
    CueWin.design.x = c.right;
    CueWin.design.y = c.bottom;
    for (size_t i = 0; i < sizeof kAnchors / sizeof kAnchors[0]; i++) {
        RECT r;
        GetWindowRect(GetDlgItem(dlg, kAnchors[i].id), &r);
        MapWindowPoints(NULL, dlg, (POINT *)&r, 2);
        CueWin.ctl[i] = r;
    }
}

void listsPlace(HWND dlg, const char *keyX, int defX, int defY, POINT minTrack)
{
    char k[16];
    RECT r;
    GetWindowRect(dlg, &r);
    int x = (int)profileGetInt("Position", keyX, defX);
    snprintf(k, sizeof k, "%.*sY", (int)strlen(keyX) - 1, keyX);
    int y = (int)profileGetInt("Position", k, defY);
    snprintf(k, sizeof k, "%.*sW", (int)strlen(keyX) - 1, keyX);
    int w = (int)profileGetInt("Position", k, r.right - r.left);
    snprintf(k, sizeof k, "%.*sH", (int)strlen(keyX) - 1, keyX);
    int h = (int)profileGetInt("Position", k, r.bottom - r.top);
    if (w < minTrack.x)
        w = minTrack.x;
    if (h < minTrack.y)
        h = minTrack.y;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (x > sw - 30)
        x = sw - 30;
    if (y > sh - 30)
        y = sh - 30;
    if (x + w < 30)
        x = 30 - w;
    if (y < 0)
        y = 0;
    MoveWindow(dlg, x, y, w, h, TRUE);
}

void listsSavePlacement(HWND dlg, const char *keyX)
{
    RECT r;
    if (!GetWindowRect(dlg, &r) || IsIconic(dlg))
        return;
    char k[16];
    int stem = (int)strlen(keyX) - 1;
    profileSetInt("Position", keyX, r.left);
    snprintf(k, sizeof k, "%.*sY", stem, keyX);
    profileSetInt("Position", k, r.top);
    snprintf(k, sizeof k, "%.*sW", stem, keyX);
    profileSetInt("Position", k, r.right - r.left);
    snprintf(k, sizeof k, "%.*sH", stem, keyX);
    profileSetInt("Position", k, r.bottom - r.top);
}

static void initDialog(HWND dlg)
{
    CueWin.wnd = dlg;
    rememberLayout(dlg);
    int tabs[4] = {96, 100, 176, 180};
    SendDlgItemMessageA(dlg, IDC_CUE_LIST, LB_SETTABSTOPS, 4, (LPARAM)tabs);
    SendDlgItemMessageA(dlg, IDC_CUE_LABEL, EM_LIMITTEXT, CUE_LABELMAX - 1, 0);
    SendDlgItemMessageA(dlg, IDC_CUE_DESC, EM_LIMITTEXT, CUE_DESCMAX - 1, 0);
    CheckDlgButton(dlg, IDC_CUE_AUTOZOOM, CueWin.autoZoom ? BST_CHECKED : BST_UNCHECKED);
    char mainTitle[400] = "";
    if (Frame.main)
        GetWindowTextA(Frame.main, mainTitle, sizeof mainTitle);
    setTitle(dlg, mainTitle);
    POINT minTrack = {280, 200};
    listsPlace(dlg, "CueX", 310, 234, minTrack);
    layout(dlg);
    fillList(dlg);
    EnableWindow(GetDlgItem(dlg, IDC_CUE_MERGE), FALSE);
}

/* Double click: the cue becomes the selection (a point: the cursor). */
static void gotoCue(HWND dlg)
{
    int sel[2];
    if (selectedCues(sel, 2) < 1 || !Doc.storeOpen)
        return;
    int c = sel[0];
    uint32_t first = Cues.point[c].frame, len = Cues.text[c].length;
    uint32_t frames = docFrames();
    if (frames == 0 || first >= frames)
        return;
    uint32_t last = len ? first + len - 1 : DOC_NONE;
    if (last != DOC_NONE && last >= frames)
        last = frames - 1;
    SetSelection(first, last);
    UpdateStatusFields();
    viewAnalysisRefresh();
    if (last != DOC_NONE)
        audioLoopFollowSelection(first, last);
    if (CueWin.autoZoom && last != DOC_NONE)
        PostMessageA(Frame.main, WM_COMMAND, IDM_ZOOMIN, 0);
    (void)dlg;
}

static void deleteSelected(HWND dlg)
{
    int sel[CUE_MAX];
    int n = selectedCues(sel, CUE_MAX);
    uint32_t ids[CUE_MAX];
    for (int i = 0; i < n; i++)
        ids[i] = Cues.point[sel[i]].id;
    for (int i = n - 1; i >= 0; i--)
        cueDelete(cueFind(ids[i]));
    SendDlgItemMessageA(dlg, IDC_CUE_LIST, LB_SETSEL, FALSE, -1);
    fillList(dlg);
}

static void mergeSelected(HWND dlg)
{
    int sel[3];
    if (selectedCues(sel, 3) != 2)
        return;
    int a = sel[0] < sel[1] ? sel[0] : sel[1], b = sel[0] < sel[1] ? sel[1] : sel[0];
    uint32_t keep = Cues.point[a].id;
    cueMerge(a, b);
    HWND list = GetDlgItem(dlg, IDC_CUE_LIST);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    fillList(dlg);
    int at = cueFind(keep);
    if (at >= 0) {
        SendMessageA(list, LB_SETSEL, TRUE, at);
        selectionChanged(dlg);
    }
}

static void textEdited(HWND dlg, int id)
{
    if (CueWin.filling)
        return;
    int sel[2];
    if (selectedCues(sel, 2) != 1)
        return;
    char text[CUE_DESCMAX];
    GetDlgItemTextA(dlg, id, text, sizeof text);
    if (id == IDC_CUE_LABEL)
        cueSetLabel(sel[0], text);
    else
        cueSetDesc(sel[0], text);
}

static void textDone(HWND dlg)
{
    fillList(dlg);
    playWinRefresh(1);
}

static void closeDialog(HWND dlg) { DestroyWindow(dlg); }

static void destroyed(HWND dlg)
{
    listsSavePlacement(dlg, "CueX");
    CueWin.autoZoom = IsDlgButtonChecked(dlg, IDC_CUE_AUTOZOOM) == BST_CHECKED;
    CueWin.wnd = NULL;
    playWinCueListClosed();
    frameRefreshCommands();
}

static void command(HWND dlg, int id, int code)
{
    switch (id) {
    case IDOK: case IDCANCEL:
        closeDialog(dlg);
        break;
    case IDC_CUE_ADD:
        listsCmdAddCue();
        break;
    case IDC_CUE_DEL:
        deleteSelected(dlg);
        break;
    case IDC_CUE_MERGE:
        mergeSelected(dlg);
        break;
    case IDC_CUE_BATCH:
        cueBatchDialog(dlg);
        break;
    case IDC_CUE_AUTOZOOM:
        CueWin.autoZoom = IsDlgButtonChecked(dlg, IDC_CUE_AUTOZOOM) == BST_CHECKED;
        break;
    case IDC_CUE_GOTO:
        gotoCue(dlg);
        break;
    case IDC_CUE_LIST:
        if (code == LBN_SELCHANGE)
            selectionChanged(dlg);
        else if (code == LBN_DBLCLK)
            gotoCue(dlg);
        break;
    case IDC_CUE_LABEL: case IDC_CUE_DESC:
        if (code == EN_CHANGE)
            textEdited(dlg, id);
        else if (code == EN_KILLFOCUS)
            textDone(dlg);
        break;
    default:
        break;
    }
}

static INT_PTR CALLBACK CUEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        closeDialog(dlg);
        return TRUE;
    }
    if (frameDialogTail(dlg, msg, wParam, "Cue List"))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG: initDialog(dlg); return FALSE;
    case WM_SIZE:       if (wParam != SIZE_MINIMIZED && CueWin.design.x) layout(dlg); return TRUE;
    case WM_COMMAND:    command(dlg, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_GETMINMAXINFO:
        ((MINMAXINFO *)lParam)->ptMinTrackSize.x = 280;
        ((MINMAXINFO *)lParam)->ptMinTrackSize.y = 200;
        return TRUE;
    case WM_DESTROY:    destroyed(dlg); return TRUE;
    default:            return FALSE;
    }
}

/* ---- interface ---- */

void listsCmdCueList(void)
{
    if (CueWin.wnd) {
        SetActiveWindow(CueWin.wnd);
        return;
    }
    HWND w = CreateDialogParamA(Frame.instance, MAKEINTRESOURCEA(ID_CUEDIALOG), Frame.main, CUEMsgProc, 0);
    if (!w)
        return;
    ShowWindow(w, SW_SHOWNOACTIVATE);
    playWinCueListOpened();
    frameRefreshCommands();
}

int listsCueListOpen(void) { return CueWin.wnd != NULL; }

void listsCmdAddCue(void)
{
    if (!Doc.storeOpen)
        return;
    uint32_t first, last;
    if (audioPlaying()) {
        first = PlayPosition();
        last = first - 1;
    } else if (audioRecording()) {
        first = recordPosition();
        last = first - 1;
    } else if (docHasSelection()) {
        first = Doc.selStart;
        last = Doc.selEnd;
    } else {
        first = Doc.selStart;
        last = first - 1;
    }
    AddCue(first, last, NULL, NULL);
}

int listsHaveDocument(void) { return Doc.storeOpen; }
uint32_t listsFrames(void) { return docFrames(); }

void listsModified(void)
{
    if (Doc.storeOpen)
        Doc.modified = 1;
}

void listsCueAdded(int index)
{
    if (!CueWin.wnd)
        return;
    HWND dlg = CueWin.wnd, list = GetDlgItem(dlg, IDC_CUE_LIST);
    char line[256];
    CueListLine(index, Doc.sampleRate, line, sizeof line);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    int at = (int)SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)line);
    SendMessageA(list, LB_SETSEL, TRUE, at);
    selectionChanged(dlg);
    HWND label = GetDlgItem(dlg, IDC_CUE_LABEL);
    SetFocus(label);
    SendMessageA(label, EM_SETSEL, 0, -1);
}

/* The refresh after a change waits until no long operation runs: a paint or a list rebuilt
   in the middle of an edit would draw from a selection the edit is about to change. */
static void CALLBACK refreshTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (frameBusy())
        return;
    KillTimer(NULL, id);
    CueWin.timer = 0;
    if (Frame.main)
        DrawCueMarkers(Frame.main, 0, 0, 0, 0);
    if (CueWin.wnd)
        fillList(CueWin.wnd);
    playWinRefresh(1);
}

void listsCuesChanged(void)
{
    if (!CueWin.timer)
        CueWin.timer = SetTimer(NULL, 0, 20, refreshTimer);
    if (!CueWin.timer)
        refreshTimer(NULL, 0, 0, 0);
}

void listsRefresh(void)
{
    listsCuesChanged();
}

void listsAfterLoad(void)
{
    cuesFitLength(docFrames());
}

void listsTitle(const char *mainTitle)
{
    if (CueWin.wnd)
        setTitle(CueWin.wnd, mainTitle);
    playWinTitle(mainTitle);
}

int listsDialogMessage(MSG *msg)
{
    if (CueWin.wnd && IsDialogMessageA(CueWin.wnd, msg))
        return 1;
    return playWinDialogMessage(msg);
}

void listsShutdown(void)
{
    if (CueWin.timer)
        KillTimer(NULL, CueWin.timer);
    CueWin.timer = 0;
    if (CueWin.wnd)
        DestroyWindow(CueWin.wnd);
    playWinShutdown();
    cuesFree();
}
