/*
 * cdpanel.cpp - the CD panel's windows: a band under the toolbar with the seven CD buttons
 * (in a small holder window that also owns the once-a-second timer), the time read-out, the
 * title field and the track list (the shell made those three as children of the main
 * window).  Every command steps the state machine of cdcore and then shows its CdPanel.
 * Writes Cd.
 */
#include "cd/cd.h"
#include "toolbar/toolbar.h"
#include "ui/frame.h"
#include "core/profile.h"
#include "resources/resource.h"

#include <mmsystem.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

CdWin Cd;

#define BUTTON_SIZE 24
#define BUTTON_STEP 25
#define ROW_HEIGHT  28
#define TIME_WIDTH  56
#define LIST_MIN    90

/* The buttons in panel order with their commands and pictures. */
static const struct { int id; const char *picture; } cdButtons[CDB_COUNT] = {
    {IDM_CD_PLAY, "ICDPlay"}, {IDM_CD_STOP, "ICDStop"}, {IDM_CD_REWIND, "ICDRR"}, {IDM_CD_FORWARD, "ICDFF"},
    {IDM_CD_MARK, "ICDMark"}, {IDM_CD_GOTOMARK, "ICDGotoMark"}, {IDM_CD_EJECT, "ICDNew"},
};

/* Pictures by name, loaded once. */
static struct { const char *name; HBITMAP bm; } pictures[10];

static HBITMAP picture(const char *name)
{
    int i = 0;
    for (; i < (int)(sizeof pictures / sizeof pictures[0]) && pictures[i].name; i++)
        if (strcmp(pictures[i].name, name) == 0)
            return pictures[i].bm;
    if (i == (int)(sizeof pictures / sizeof pictures[0]))
        return NULL;
    pictures[i].name = name;
    pictures[i].bm = LoadBitmapA(Frame.instance, name);
    return pictures[i].bm;
}

static const char *pictureName(int b)
{
    if (b == CDB_PLAY && Cd.core.panel.playPicture)
        return Cd.core.panel.playPicture;
    if (b == CDB_EJECT && Cd.core.panel.ejectPicture)
        return Cd.core.panel.ejectPicture;
    return cdButtons[b].picture;
}

/* ---- showing the state ---- */

static void showPanel(void)
{
    CdPanel *p = &Cd.core.panel;
    for (int b = 0; b < CDB_COUNT; b++) {
        if (!Cd.button[b])
            continue;
        const char *name = pictureName(b);
        if ((const char *)GetWindowLongPtrA(Cd.button[b], GWLP_USERDATA) != name) {
            SetWindowLongPtrA(Cd.button[b], GWLP_USERDATA, (LONG_PTR)name);
            InvalidateRect(Cd.button[b], NULL, FALSE);
        }
        if (IsWindowEnabled(Cd.button[b]) != (p->enabled[b] != 0))
            EnableWindow(Cd.button[b], p->enabled[b] != 0);
    }
    if (Cd.listed != p->tracks) {
        SendMessageA(Frame.cdList, LB_RESETCONTENT, 0, 0);
        for (int t = 1; t <= p->tracks; t++) {
            char line[16];
            snprintf(line, sizeof line, " %d", t);
            SendMessageA(Frame.cdList, LB_ADDSTRING, 0, (LPARAM)line);
        }
        Cd.listed = p->tracks;
    }
    if ((int)SendMessageA(Frame.cdList, LB_GETCURSEL, 0, 0) != p->selected - 1)
        SendMessageA(Frame.cdList, LB_SETCURSEL, (WPARAM)(p->selected - 1), 0);
    char now[CD_TITLE_MAX];
    GetWindowTextA(Frame.cdEntry, now, sizeof now);
    if (GetFocus() != Frame.cdEntry && strcmp(now, p->title) != 0)
        SetWindowTextA(Frame.cdEntry, p->title);
    if (IsWindowEnabled(Frame.cdEntry) != (p->titleEnabled != 0))
        EnableWindow(Frame.cdEntry, p->titleEnabled != 0);
    if (p->titleFocus) {
        p->titleFocus = 0;
        SetWindowTextA(Frame.cdEntry, p->title);
        SetFocus(Frame.cdEntry);
        SendMessageA(Frame.cdEntry, EM_SETSEL, 0, -1);
    }
    GetWindowTextA(Frame.cdTime, now, sizeof now);
    if (strcmp(now, p->time) != 0)
        SetWindowTextA(Frame.cdTime, p->time);
    if (Cd.core.postStop) {
        Cd.core.postStop = 0;
        PostMessageA(Frame.main, WM_COMMAND, IDM_CD_STOP, 0);
    }
}

/* ---- the holder of the buttons ---- */

static LRESULT CALLBACK panelProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *d = (const DRAWITEMSTRUCT *)lParam;
        const char *name = (const char *)GetWindowLongPtrA(d->hwndItem, GWLP_USERDATA);
        toolbarDrawButton(d, name ? picture(name) : NULL, 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam) {
            PostMessageA(Frame.main, WM_COMMAND, LOWORD(wParam), 0);
            SetFocus(Frame.main);
        }
        return 0;
    case WM_TIMER:
        if (wParam == CD_TIMER && Cd.shown) {
            if (getenv("ZELO_CD_STANDIN"))
                cdFakeAdvance(&Cd.fake, 75);
            cdPoll(&Cd.core, &Cd.env);
            showPanel();
        }
        return 0;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(w, &r);
        FillRect((HDC)wParam, &r, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    }
    return DefWindowProcA(w, msg, wParam, lParam);
}

void cdInit(void)
{
    memset(&Cd, 0, sizeof Cd);
    snprintf(Cd.env.ownDir, sizeof Cd.env.ownDir, "%s", profileFolder());
    GetWindowsDirectoryA(Cd.env.platformDir, sizeof Cd.env.platformDir);
    Cd.env.ini = CdProfileIni;
    if (getenv("ZELO_CD_STANDIN")) {
        static const int seconds[] = {200, 185, 240};
        cdFakeLoad(&Cd.fake, seconds, 3);
        Cd.env.dev.ctx = &Cd.fake;
        Cd.env.dev.send = cdFakeSend;
        snprintf(Cd.env.platformDir, sizeof Cd.env.platformDir, "%s", profileFolder());
        Cd.available = 1;
    } else {
        Cd.env.dev.send = cdMciSend;
        char reply[CD_REPLY_MAX];
        Cd.opened = cdMciSend(NULL, "open cdaudio shareable wait", reply, sizeof reply) == 0;
        Cd.available = Cd.opened;
    }
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = panelProc;
    wc.hInstance = Frame.instance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.lpszClassName = CD_PANELCLASS;
    RegisterClassA(&wc);
    Cd.panel = CreateWindowExA(0, CD_PANELCLASS, "", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 10, 10, Frame.main, NULL,
                               Frame.instance, NULL);
    for (int b = 0; b < CDB_COUNT && Cd.panel; b++) {
        Cd.button[b] = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW,
                                       6 + b * BUTTON_STEP, 2, BUTTON_SIZE, BUTTON_SIZE, Cd.panel,
                                       (HMENU)(INT_PTR)cdButtons[b].id, Frame.instance, NULL);
        SetWindowLongPtrA(Cd.button[b], GWLP_USERDATA, (LONG_PTR)cdButtons[b].picture);
        toolbarAdoptButton(Cd.button[b]);
    }
    SendMessageA(Frame.cdTime, WM_SETFONT, (WPARAM)Frame.statusFont, FALSE);
    SendMessageA(Frame.cdEntry, WM_SETFONT, (WPARAM)Frame.statusFont, FALSE);
    SendMessageA(Frame.cdList, WM_SETFONT, (WPARAM)Frame.statusFont, FALSE);
    SendMessageA(Frame.cdEntry, EM_LIMITTEXT, CD_TITLE_MAX - 1, 0);
}

void cdShutdown(void)
{
    if (Cd.panel)
        KillTimer(Cd.panel, CD_TIMER);
    if (Cd.opened) {
        char reply[CD_REPLY_MAX];
        cdMciSend(NULL, "close cdaudio wait", reply, sizeof reply);
        Cd.opened = 0;
    }
    for (auto &p : pictures) {
        if (p.bm)
            DeleteObject(p.bm);
        p.bm = NULL;
        p.name = NULL;
    }
    Cd.shown = 0;
}

int cdAvailable(void) { return Cd.available; }

int cdBandHeight(void) { return Cd.shown ? CD_BAND : 0; }

void cdLayout(int top, int width)
{
    int show = Cd.shown ? SW_SHOW : SW_HIDE;
    HWND all[4] = {Cd.panel, Frame.cdTime, Frame.cdEntry, Frame.cdList};
    for (HWND w : all)
        if (w)
            ShowWindow(w, show);
    if (!Cd.shown)
        return;
    int buttonsW = 6 + CDB_COUNT * BUTTON_STEP + 4;
    int leftW = buttonsW + TIME_WIDTH;
    int listX = leftW + 6;
    int listW = width - listX - 6 < LIST_MIN ? LIST_MIN : width - listX - 6;
    MoveWindow(Cd.panel, 0, top, buttonsW, ROW_HEIGHT, TRUE);
    MoveWindow(Frame.cdTime, buttonsW, top + 6, TIME_WIDTH, 16, TRUE);
    MoveWindow(Frame.cdEntry, 6, top + ROW_HEIGHT, leftW - 6, 22, TRUE);
    MoveWindow(Frame.cdList, listX, top + 2, listW, CD_BAND - 4, TRUE);
}

/* The main window lays itself out again with the band shown or gone. */
static void relayout(void)
{
    RECT r;
    GetClientRect(Frame.main, &r);
    SendMessageA(Frame.main, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right, r.bottom));
    InvalidateRect(Frame.main, NULL, FALSE);
}

static void showOrHide(void)
{
    if (!Cd.panel)
        return;
    Cd.shown = !Cd.shown;
    if (Cd.shown) {
        Cd.listed = -1;
        cdStart(&Cd.core, &Cd.env);
        SetTimer(Cd.panel, CD_TIMER, 1000, NULL);
    } else {
        KillTimer(Cd.panel, CD_TIMER);
    }
    relayout();
    if (Cd.shown)
        showPanel();
}

void cdCommand(int id, int notify)
{
    if (id == IDM_CDPLAYER) {
        showOrHide();
        return;
    }
    if (!Cd.shown)
        return;
    CdState *s = &Cd.core;
    const CdEnv *env = &Cd.env;
    switch (id) {
    case IDM_CD_PLAY:     cdPlayPause(s, env); break;
    case IDM_CD_STOP:     cdStop(s, env); break;
    case IDM_CD_REWIND:   cdSkip(s, env, -10000); break;
    case IDM_CD_FORWARD:  cdSkip(s, env, 10000); break;
    case IDM_CD_MARK:     cdMark(s, env); break;
    case IDM_CD_GOTOMARK: cdGotoMark(s, env); break;
    case IDM_CD_EJECT:    cdEject(s, env); break;
    case IDM_CD_TITLE:
        if (notify == EN_KILLFOCUS) {
            char text[CD_TITLE_MAX];
            GetWindowTextA(Frame.cdEntry, text, sizeof text);
            cdTitleEdited(s, env, text);
        } else if (notify == EN_SETFOCUS) {
            s->wantFocus = 0;
        }
        return;
    case IDM_CD_TRACKS:
        if (notify != LBN_SELCHANGE)
            return;
        cdChooseTrack(s, env, (int)SendMessageA(Frame.cdList, LB_GETCURSEL, 0, 0) + 1);
        break;
    default:
        if (id >= IDM_CDTRACK1 && id <= IDM_CDTRACK1 + 9)
            cdChooseTrack(s, env, id - IDM_CDTRACK1 + 1);
        else
            return;
        break;
    }
    showPanel();
}
