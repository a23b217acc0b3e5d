/*
 * playwin.cpp - the modeless "Play List" dialog: entries inserted from the cue list's
 * selection, removed, given loop counts, and played in order or one at a time (Auto-cue),
 * through list-mode playback.
 *
 * Global state: PlayWin (the dialog and the entry Auto-cue plays next).
 */
#include "lists/lists.h"
#include "lists/listsint.h"
#include "core/document.h"
#include "ui/frame.h"
#include "audio/audio.h"
#include "resources/resource.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct PlayWinState {
    HWND wnd;                   /* the open dialog, or NULL */
};
static PlayWinState PlayWin;

static int selectedLine(void)
{
    return (int)SendDlgItemMessageA(PlayWin.wnd, IDC_PL_LIST, LB_GETCURSEL, 0, 0);
}

/* "&Remove" and "&Loops" belong to an entry line. */
static void selectionChanged(void)
{
    HWND dlg = PlayWin.wnd;
    int at = selectedLine();
    int entry = at >= 0 && at < PlayList.count;
    EnableWindow(GetDlgItem(dlg, IDC_PL_REMOVE), entry);
    EnableWindow(GetDlgItem(dlg, IDC_PL_LOOPS), entry);
    char text[24] = "";
    if (entry)
        snprintf(text, sizeof text, "%lu", (unsigned long)PlayList.entry[at].count);
    SetDlgItemTextA(dlg, IDC_PL_LOOPS, text);
}

void playWinRefresh(int keepSelection)
{
    playListRefresh();
    if (!PlayWin.wnd)
        return;
    HWND list = GetDlgItem(PlayWin.wnd, IDC_PL_LIST);
    int sel = keepSelection ? (int)SendMessageA(list, LB_GETCURSEL, 0, 0) : -1;
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    char line[128];
    for (int i = 0; i <= PlayList.count; i++) {
        playListLine(i, line, sizeof line);
        SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)line);
    }
    if (sel > PlayList.count)
        sel = PlayList.count;
    if (sel >= 0)
        SendMessageA(list, LB_SETCURSEL, sel, 0);
    selectionChanged();
}

/* The add button: "<- &Add Before" while the cue list is open, else "Open Cue List". */
static void addButtonState(void)
{
    if (!PlayWin.wnd)
        return;
    HWND b = GetDlgItem(PlayWin.wnd, IDC_PL_ADDBEFORE);
    char text[32];
    if (listsCueListOpen()) {
        SetWindowTextA(b, frameString(IDS_ADDBEFORE, text, sizeof text));
        EnableWindow(b, listsSelectedCue() >= 0);
    } else {
        SetWindowTextA(b, frameString(IDS_OPENCUELIST, text, sizeof text));
        EnableWindow(b, TRUE);
    }
}

void playWinCueSelection(int oneSelected)
{
    if (PlayWin.wnd && listsCueListOpen())
        EnableWindow(GetDlgItem(PlayWin.wnd, IDC_PL_ADDBEFORE), oneSelected);
}

void playWinCueListOpened(void) { addButtonState(); }
void playWinCueListClosed(void) { addButtonState(); }

static void addBefore(void)
{
    if (!listsCueListOpen()) {
        listsCmdCueList();
        addButtonState();
        return;
    }
    int c = listsSelectedCue();
    if (c < 0)
        return;
    int at = selectedLine();
    if (at < 0 || at > PlayList.count)
        at = PlayList.count;
    int added = playListInsert(at, Cues.point[c].id);
    playWinRefresh(0);
    if (added >= 0 && PlayList.count > 0) {
        /* A point marker's entry was dropped by the refresh: nothing new to select. */
        int next = added + 1 <= PlayList.count ? added + 1 : PlayList.count;
        SendDlgItemMessageA(PlayWin.wnd, IDC_PL_LIST, LB_SETCURSEL, next, 0);
        selectionChanged();
        SetDlgItemTextA(PlayWin.wnd, IDC_PL_LOOPS, "1");
    }
}

static void removeEntry(void)
{
    int at = selectedLine();
    if (at < 0 || at >= PlayList.count)
        return;
    playListRemove(at);
    playWinRefresh(1);
}

static void loopsDone(void)
{
    int at = selectedLine();
    if (at < 0 || at >= PlayList.count)
        return;
    char text[16];
    GetDlgItemTextA(PlayWin.wnd, IDC_PL_LOOPS, text, sizeof text);   /* up to 14 characters */
    long v = strtol(text, NULL, 10);
    playListSetCount(at, v < 1 ? 1 : (uint32_t)v);
    playWinRefresh(1);
}

static int audioBusy(void)
{
    if (audioPlaying() || audioRecording() || audioMonitoring()) {
        frameMessageFrom(PlayWin.wnd, "Audio already in use", "Sorry", MB_OK | MB_ICONINFORMATION);
        return 1;
    }
    return 0;
}

static void play(int single)
{
    if (audioBusy())
        return;
    playListRefresh();
    if (PlayList.count == 0)
        return;
    int at = selectedLine();
    if (at < 0 || at >= PlayList.count)
        at = 0;
    if (audioPlayList(at, single) != 0 || !single)
        return;
    /* Auto-cue: the next press plays the next entry. */
    int next = at + 1 < PlayList.count ? at + 1 : 0;
    SendDlgItemMessageA(PlayWin.wnd, IDC_PL_LIST, LB_SETCURSEL, next, 0);
    selectionChanged();
}

static void setTitle(HWND dlg, const char *mainTitle)
{
    char own[64], title[400];
    frameString(IDS_TITLE_PLAYLIST, own, sizeof own);
    if (!own[0])
        strcpy(own, "Play List");
    if (Doc.name[0] && mainTitle && mainTitle[0])
        docChildTitle(own, mainTitle, title, sizeof title);
    else
        snprintf(title, sizeof title, "%s", own);
    SetWindowTextA(dlg, title);
}

void playWinTitle(const char *mainTitle)
{
    if (PlayWin.wnd)
        setTitle(PlayWin.wnd, mainTitle);
}

/* The list grows with the dialog; the buttons keep to its right edge. */
static POINT design;
static RECT listRect, buttonRect[9];
static const int kButtons[9] = {IDC_PL_ADDBEFORE, IDC_PL_REMOVE, IDC_PL_LOOPSLBL, IDC_PL_LOOPS, IDC_PL_PLAY,
                                IDC_PL_AUTOCUE, IDOK, IDC_HELPBTN, 0};

static void rememberLayout(HWND dlg)
{
    RECT c;
    GetClientRect(dlg, &c);
    design.x = c.right;
    design.y = c.bottom;
    GetWindowRect(GetDlgItem(dlg, IDC_PL_LIST), &listRect);
    MapWindowPoints(NULL, dlg, (POINT *)&listRect, 2);
    for (int i = 0; kButtons[i]; i++) {
        HWND w = GetDlgItem(dlg, kButtons[i]);
        if (!w)
            continue;
        GetWindowRect(w, &buttonRect[i]);
        MapWindowPoints(NULL, dlg, (POINT *)&buttonRect[i], 2);
    }
}

static void layout(HWND dlg)
{
    if (!design.x)
        return;
    RECT c;
    GetClientRect(dlg, &c);
    int dx = c.right - design.x, dy = c.bottom - design.y;
    MoveWindow(GetDlgItem(dlg, IDC_PL_LIST), listRect.left, listRect.top, listRect.right - listRect.left + dx,
               listRect.bottom - listRect.top + dy, FALSE);
    for (int i = 0; kButtons[i]; i++) {
        HWND w = GetDlgItem(dlg, kButtons[i]);
        if (w)
            MoveWindow(w, buttonRect[i].left + dx, buttonRect[i].top, buttonRect[i].right - buttonRect[i].left,
                       buttonRect[i].bottom - buttonRect[i].top, FALSE);
    }
    InvalidateRect(dlg, NULL, TRUE);
}

static void initDialog(HWND dlg)
{
    PlayWin.wnd = dlg;
    rememberLayout(dlg);
    int tabs[1] = {24};
    SendDlgItemMessageA(dlg, IDC_PL_LIST, LB_SETTABSTOPS, 1, (LPARAM)tabs);
    SendDlgItemMessageA(dlg, IDC_PL_LOOPS, EM_LIMITTEXT, 14, 0);
    char mainTitle[400] = "";
    if (Frame.main)
        GetWindowTextA(Frame.main, mainTitle, sizeof mainTitle);
    setTitle(dlg, mainTitle);
    POINT minTrack = {200, 200};
    listsPlace(dlg, "PlayX", 54, 234, minTrack);
    layout(dlg);
    playWinRefresh(0);
    addButtonState();
}

static void command(HWND dlg, int id, int code)
{
    switch (id) {
    case IDOK: case IDCANCEL:
        DestroyWindow(dlg);
        break;
    case IDC_PL_LIST:
        if (code == LBN_SELCHANGE)
            selectionChanged();
        break;
    case IDC_PL_ADDBEFORE:
        addBefore();
        break;
    case IDC_PL_REMOVE:
        removeEntry();
        break;
    case IDC_PL_LOOPS:
        if (code == EN_KILLFOCUS)
            loopsDone();
        break;
    case IDC_PL_PLAY:
        play(0);
        break;
    case IDC_PL_AUTOCUE:
        play(1);
        break;
    default:
        break;
    }
}

static INT_PTR CALLBACK PLAYMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        DestroyWindow(dlg);
        return TRUE;
    }
    if (frameDialogTail(dlg, msg, wParam, "Play List"))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG: initDialog(dlg); return TRUE;
    case WM_SIZE:       if (wParam != SIZE_MINIMIZED) layout(dlg); return TRUE;
    case WM_COMMAND:    command(dlg, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_GETMINMAXINFO:
        ((MINMAXINFO *)lParam)->ptMinTrackSize.x = 200;
        ((MINMAXINFO *)lParam)->ptMinTrackSize.y = 200;
        return TRUE;
    case WM_DESTROY:
        listsSavePlacement(dlg, "PlayX");
        PlayWin.wnd = NULL;
        frameRefreshCommands();
        return TRUE;
    default:
        return FALSE;
    }
}

void listsCmdPlayList(void)
{
    if (PlayWin.wnd) {
        SetActiveWindow(PlayWin.wnd);
        return;
    }
    HWND w = CreateDialogParamA(Frame.instance, MAKEINTRESOURCEA(ID_PLAYBOX), Frame.main, PLAYMsgProc, 0);
    if (!w)
        return;
    ShowWindow(w, SW_SHOWNOACTIVATE);
    frameRefreshCommands();
}

int listsPlayListOpen(void) { return PlayWin.wnd != NULL; }

int playWinDialogMessage(MSG *msg) { return PlayWin.wnd && IsDialogMessageA(PlayWin.wnd, msg); }

void playWinShutdown(void)
{
    if (PlayWin.wnd)
        DestroyWindow(PlayWin.wnd);
}

/* ---- what list-mode playback reads ---- */

int listsPlayCount(void) { return PlayList.count; }

int listsPlayEntry(int index, uint32_t *cue, uint32_t *frames, uint32_t *count)
{
    if (index < 0 || index >= PlayList.count)
        return 1;
    *cue = PlayList.entry[index].cue;
    *frames = PlayList.entry[index].frames;
    *count = PlayList.entry[index].count;
    return 0;
}

int listsCueStart(uint32_t cue, uint32_t *frame)
{
    int c = cueFind(cue);
    if (c < 0)
        return 1;
    *frame = Cues.point[c].frame;
    return 0;
}
