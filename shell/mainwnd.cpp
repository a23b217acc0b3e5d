/*
 * mainwnd.cpp - the main window procedure (a dispatcher: one case per message, each a call
 * of a small function), the child controls and their layout, dropped files and shutdown.
 * Writes Shell's window fields.
 */
#include "shell/shell.h"
#include "shell/profile.h"
#include "resources/resource.h"
#include "shell/helpview.h"
#include "os/os.h"
#include "audio/audio.h"
#include "view/view.h"

#include <shellapi.h>
#include <mmsystem.h>
#include <stdio.h>
#include <string.h>

#define TOOLBAR_HEIGHT 28
#define ROW_HEIGHT     22
#define METER_HEIGHT   5

static const struct {
    int id, textId;
    const char *fallback;
} buttonTable[BTN_COUNT] = {
    {IDM_ZOOMIN, IDS_BTN_ZOOMIN, "Zoom In"},   {IDM_ZOOMOUT, IDS_BTN_ZOOMOUT, "Zoom Out"},
    {IDM_FULLVIEW, IDS_BTN_FULLVIEW, "Full View"}, {IDM_PLAY, IDS_BTN_PLAY, "Play"},
    {IDM_PAUSE, IDS_BTN_PAUSE, "Pause"},        {IDM_STOP, IDS_BTN_STOP, "Stop"},
    {IDM_RECORD, IDS_RECORD, "Record"},
};

static int textWidth(HDC dc, const char *s)
{
    SIZE sz;
    GetTextExtentPoint32A(dc, s, (int)strlen(s), &sz);
    return sz.cx;
}

static HWND child(const char *cls, const char *text, DWORD style, int id)
{
    HWND w = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, Shell.main,
                             (HMENU)(INT_PTR)id, Shell.instance, NULL);
    SendMessageA(w, WM_SETFONT, (WPARAM)Shell.smallFont, FALSE);
    return w;
}

static void measureLayout(void)
{
    HDC dc = GetDC(Shell.main);
    HGDIOBJ old = SelectObject(dc, Shell.smallFont);
    Shell.begWidth = textWidth(dc, "Beg: 00:00:000");
    Shell.buttonWidth = textWidth(dc, " Zoom Out M") + 4;
    Shell.cdTimeWidth = textWidth(dc, " 00:00 ");
    Shell.labelWidth = textWidth(dc, " Time: ") + 2;
    Shell.formatWidth = textWidth(dc, " 44100 / 16 bit / Stereo") + 6;
    Shell.countWidth = textWidth(dc, " 00000000 Samples") + 6;
    Shell.sizeWidth = textWidth(dc, " 000000 K") + 6;
    SelectObject(dc, old);
    ReleaseDC(Shell.main, dc);
}

static void createChildren(void)
{
    char text[64];
    for (int i = 0; i < BTN_COUNT; i++) {
        const char *t = shellString(buttonTable[i].textId, text, sizeof text);
        Shell.button[i] = child("BUTTON", *t ? t : buttonTable[i].fallback, BS_PUSHBUTTON, buttonTable[i].id);
    }
    Shell.toolbar = child(SHELL_TOOLBARCLASS, "", 0, 0);
    Shell.meter = child(SHELL_METERCLASS, "", 0, IDM_MONITOR);
    Shell.begLabel = child("STATIC", " Beg:", SS_LEFT, -1);
    Shell.endLabel = child("STATIC", " End:", SS_LEFT, -1);
    Shell.timeLabel = child("STATIC", " Time:", SS_LEFT, -1);
    Shell.begValue = child("STATIC", " Beg:", SS_LEFT | SS_SUNKEN | SS_NOTIFY, -1);
    Shell.endValue = child("STATIC", " End:", SS_LEFT | SS_SUNKEN | SS_NOTIFY, -1);
    Shell.timeValue = child("STATIC", " Time:", SS_LEFT | SS_SUNKEN | SS_NOTIFY, -1);
    Shell.formatField = child("STATIC", "", SS_LEFT | SS_SUNKEN | SS_NOTIFY | SS_NOPREFIX, -1);
    Shell.countField = child("STATIC", "", SS_LEFT | SS_SUNKEN | SS_NOTIFY, -1);
    Shell.sizeField = child("STATIC", "", SS_LEFT | SS_SUNKEN | SS_NOTIFY, -1);
    /* The device lines sit in the toolbar's band, at its right end, on one line each: cut
       with an ellipsis when the window is too narrow, never wrapped. */
    DWORD line = SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS;
    Shell.devName = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | line, 0, 0, 10, 10,
                                    Shell.toolbar, NULL, Shell.instance, NULL);
    Shell.devCaps = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | line, 0, 0, 10, 10,
                                    Shell.toolbar, NULL, Shell.instance, NULL);
    SendMessageA(Shell.devName, WM_SETFONT, (WPARAM)Shell.smallFont, FALSE);
    SendMessageA(Shell.devCaps, WM_SETFONT, (WPARAM)Shell.smallFont, FALSE);
    /* The CD panel's controls exist from the start and show with the panel. */
    Shell.cdList = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VSCROLL | LBS_NOTIFY, 0, 0, 10, 10,
                                   Shell.main, (HMENU)(INT_PTR)IDM_CD_TRACKS, Shell.instance, NULL);
    Shell.cdTime = CreateWindowExA(0, "STATIC", "--:--", WS_CHILD, 0, 0, 10, 10, Shell.main,
                                   (HMENU)(INT_PTR)IDM_CD_TRACKS, Shell.instance, NULL);
    Shell.cdEntry = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 10, 10,
                                    Shell.main, (HMENU)(INT_PTR)IDM_CD_TITLE, Shell.instance, NULL);
}

void shellEnableButton(int which, BOOL on)
{
    if (which == BTN_PLAY && on && !audioHaveOutput())
        on = FALSE;   /* nothing to play on */
    if (which >= 0 && which < BTN_COUNT && Shell.button[which])
        EnableWindow(Shell.button[which], on);
}

/* Width of a one-line static's text in the small font, plus a little air. */
static int devTextWidth(HWND w)
{
    char text[128];
    if (!w || GetWindowTextA(w, text, sizeof text) <= 0)
        return 0;
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, Shell.smallFont);
    int cx = textWidth(dc, text) + 4;
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return cx;
}

void shellLayout(int width, int height)
{
    if (!Shell.button[0])
        return;
    int bottom = height - (2 * ROW_HEIGHT + METER_HEIGHT + 6);
    MoveWindow(Shell.toolbar, 0, 0, width, TOOLBAR_HEIGHT, TRUE);
    SetRect(&Shell.waveArea, 0, TOOLBAR_HEIGHT, width, bottom > TOOLBAR_HEIGHT ? bottom : TOOLBAR_HEIGHT);

    int y = Shell.waveArea.bottom + 3, x = 4, bw = Shell.buttonWidth, bh = ROW_HEIGHT - 2;
    for (int i = 0; i < BTN_COUNT; i++) {
        if (i == BTN_PLAY)
            x += 8;   /* zoom group, then the transport group */
        MoveWindow(Shell.button[i], x, y, bw, bh, TRUE);
        x += bw + 2;
    }
    /* Row 2: the selection and time read-outs; the device lines sit right of both rows. */
    int ly = y + ROW_HEIGHT, lx = 4, labelW = Shell.labelWidth, valueW = Shell.begWidth;
    HWND labels[3] = {Shell.begLabel, Shell.endLabel, Shell.timeLabel};
    HWND values[3] = {Shell.begValue, Shell.endValue, Shell.timeValue};
    /* The read-outs carry their captions (" Beg: 0:01.000"), so they take the captions' place. */
    for (int i = 0; i < 3; i++) {
        ShowWindow(labels[i], SW_HIDE);
        MoveWindow(values[i], lx, ly + 1, labelW / 2 + valueW, bh - 2, TRUE);
        lx += labelW / 2 + valueW + 4;
    }
    HWND fields[3] = {Shell.formatField, Shell.countField, Shell.sizeField};
    int fieldW[3] = {Shell.formatWidth, Shell.countWidth, Shell.sizeWidth};
    for (int i = 0; i < 3; i++) {
        int fw = width - lx - 4 < fieldW[i] ? 0 : fieldW[i];
        MoveWindow(fields[i], lx, ly + 1, fw, bh - 2, TRUE);
        lx += fw ? fw + 4 : 0;
    }
    /* Device name and capabilities at the band's right end; the name gives way first. */
    int capsW = devTextWidth(Shell.devCaps), nameW = devTextWidth(Shell.devName);
    int room = width - 12;
    if (capsW > room)
        capsW = room > 0 ? room : 0;
    if (nameW > room - capsW - 12)
        nameW = room - capsW - 12 > 0 ? room - capsW - 12 : 0;
    int textH = 14, textY = (TOOLBAR_HEIGHT - textH) / 2;
    MoveWindow(Shell.devCaps, width - 6 - capsW, textY, capsW, textH, TRUE);
    MoveWindow(Shell.devName, width - 6 - capsW - (capsW ? 12 : 0) - nameW, textY, nameW, textH, TRUE);
    MoveWindow(Shell.meter, 6, height - METER_HEIGHT - 2, width - 12 > 0 ? width - 12 : 0, METER_HEIGHT, TRUE);
}

static int minimumWidth(void)
{
    int buttons = 4 + BTN_COUNT * (Shell.buttonWidth + 2) + 8 + 4;
    int readouts = 4 + 3 * (Shell.labelWidth + Shell.begWidth + 6);
    return buttons > readouts ? buttons : readouts;
}

/* The output device's name and what it can do, under the transport buttons. */
static void describeOutputDevice(void)
{
    WAVEOUTCAPSA caps;
    char name[96], line[64] = "";
    if (waveOutGetNumDevs() == 0 || waveOutGetDevCapsA(0, &caps, sizeof caps) != MMSYSERR_NOERROR) {
        SetWindowTextA(Shell.devName, shellString(IDS_DEV_NONE, name, sizeof name));
        SetWindowTextA(Shell.devCaps, "");
        return;
    }
    snprintf(name, sizeof name, "%s Installed", caps.szPname);
    DWORD f = caps.dwFormats;
    strcat(line, caps.wChannels >= 2 ? " Stereo " : " Mono ");
    strcat(line, (f & (WAVE_FORMAT_1M16 | WAVE_FORMAT_1S16 | WAVE_FORMAT_2M16 | WAVE_FORMAT_2S16 |
                       WAVE_FORMAT_4M16 | WAVE_FORMAT_4S16)) ? "16-bit " : "8-bit ");
    if (f & (WAVE_FORMAT_1M08 | WAVE_FORMAT_1S08 | WAVE_FORMAT_1M16 | WAVE_FORMAT_1S16))
        strcat(line, "11K ");
    if (f & (WAVE_FORMAT_2M08 | WAVE_FORMAT_2S08 | WAVE_FORMAT_2M16 | WAVE_FORMAT_2S16))
        strcat(line, "22K ");
    if (f & (WAVE_FORMAT_4M08 | WAVE_FORMAT_4S08 | WAVE_FORMAT_4M16 | WAVE_FORMAT_4S16))
        strcat(line, "44K ");
    SetWindowTextA(Shell.devName, name);
    SetWindowTextA(Shell.devCaps, line);
}

static void onCreate(HWND hwnd)
{
    Shell.main = hwnd;
    Shell.statusFont = CreateFontA(15, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    Shell.smallFont = CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    Shell.selectCursor = LoadCursorA(Shell.instance, MAKEINTRESOURCEA(IDC_SELECTCUR));
    Shell.rightCursor = LoadCursorA(Shell.instance, MAKEINTRESOURCEA(IDC_RIGHTCHAN));
    Shell.leftCursor = LoadCursorA(Shell.instance, MAKEINTRESOURCEA(IDC_LEFTCHAN));
    osSetMessageHook(shellMessage);
    helpFileDialogMessage(0);   /* registers "commdlg_help" */
    measureLayout();
    createChildren();
    describeOutputDevice();
    audioStartup();
    extern void (*shellPreview)(const char *name);
    extern void (*shellPreviewStop)(void);
    shellPreview = audioPreviewFile;
    shellPreviewStop = audioPreviewStop;
    RECT rc;
    GetClientRect(hwnd, &rc);
    shellLayout(rc.right, rc.bottom);
    for (int i = 0; i < BTN_COUNT; i++)
        if (i != BTN_RECORD)
            shellEnableButton(i, FALSE);
}

static void onSize(HWND hwnd, WPARAM type, int width, int height)
{
    if (type != SIZE_RESTORED && type != SIZE_MAXIMIZED)
        return;
    shellLayout(width, height);
    InvalidateRect(hwnd, NULL, FALSE);
    if (type == SIZE_RESTORED) {
        profileSetInt("Size", "X", width);
        profileSetInt("Size", "Y", height);
    }
}

static void onPaint(HWND hwnd)
{
    if (!Shell.closing) {
        audioBeforePaint();
        viewPaint(hwnd);
        audioAfterPaint();
        return;
    }
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
}

static void onMinMax(MINMAXINFO *mm)
{
    RECT rc = {0, 0, minimumWidth(), TOOLBAR_HEIGHT + 60 + 2 * ROW_HEIGHT + METER_HEIGHT + 6};
    AdjustWindowRectEx(&rc, WS_OVERLAPPEDWINDOW, TRUE, WS_EX_ACCEPTFILES);
    mm->ptMinTrackSize.x = rc.right - rc.left;
    mm->ptMinTrackSize.y = rc.bottom - rc.top;
}

static LRESULT onKeyDown(WPARAM key, LPARAM lParam)
{
    if (lParam & (1L << 30))
        return 1;   /* auto-repeat does nothing */
    if (Shell.inKeyDown)
        return 0;
    Shell.inKeyDown = 1;
    if (key == VK_SPACE) {
        int id = audioPlaying() ? IDM_STOP : audioRecording() ? IDM_PAUSE : IDM_PLAY;
        PostMessageA(Shell.main, WM_COMMAND, (WPARAM)id, 0);
    }
    Shell.inKeyDown = 0;
    return 0;
}

/* Each dropped name is kept whole (names may contain blanks). */
static void onDropFiles(HDROP drop)
{
    extern void shellDropFiles(HDROP drop);
    shellDropFiles(drop);
}

static void onClose(HWND hwnd)
{
    extern int docSaveChangesPrompt(void);
    if (Shell.spectralBusy)
        return;
    if (!docSaveChangesPrompt())
        return;
    Shell.closing = 1;
    profileSetString("Size", "PlayList", "0");
    profileSetString("Size", "CueList", "0");
    profileSetString("Size", "Analyzer", "0");
    DestroyWindow(hwnd);
}

static void onDestroy(HWND hwnd)
{
    extern void shellShutdown(void);
    audioShutdown();
    shellShutdown();
    DeleteObject(Shell.statusFont);
    DeleteObject(Shell.smallFont);
    /* Only the last copy remembers where its window was. */
    if (!FindWindowA(SHELL_CLASSNAME, NULL) || FindWindowA(SHELL_CLASSNAME, NULL) == hwnd) {
        HWND other = NULL;
        for (HWND w = FindWindowA(SHELL_CLASSNAME, NULL); w; w = FindWindowExA(NULL, w, SHELL_CLASSNAME, NULL))
            if (w != hwnd)
                other = w;
        if (!other) {
            WINDOWPLACEMENT wp;
            wp.length = sizeof wp;
            if (GetWindowPlacement(hwnd, &wp) && wp.showCmd == SW_SHOWNORMAL) {
                RECT r;
                GetWindowRect(hwnd, &r);
                profileSetInt("Size", "XLoc", r.left);
                profileSetInt("Size", "YLoc", r.top);
            }
            extern void shellExitCleanup(void);
            shellExitCleanup();
        }
    }
    PostQuitMessage(0);
}

void shellCentreOver(HWND w, HWND over)
{
    RECT me, o, work;
    if (!over)
        over = Shell.main;
    if (!GetWindowRect(w, &me) || !over || !GetWindowRect(over, &o))
        return;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    int width = me.right - me.left, height = me.bottom - me.top;
    int x = o.left + ((o.right - o.left) - width) / 2;
    int y = o.top + ((o.bottom - o.top) - height) / 2;
    if (x + width > work.right)
        x = work.right - width;
    if (y + height > work.bottom)
        y = work.bottom - height;
    if (x < work.left)
        x = work.left;
    if (y < work.top)
        y = work.top;
    SetWindowPos(w, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

/* Automation: other programs (test drivers, screen readers' scripts) cannot read this
   process's menus directly, so the main window answers the registered message
   "ZeloMenuState": wParam a command id; the reply is GetMenuState after an enabling pass,
   or with lParam nonzero a global atom holding the item's text (the asker deletes it). */
static UINT menuQueryMessage(void)
{
    static UINT id;
    if (!id)
        id = RegisterWindowMessageA("ZeloMenuState");
    return id;
}

static LRESULT menuQuery(HWND hwnd, UINT item, int wantText)
{
    HMENU menu = GetMenu(hwnd);
    if (!menu)
        return (LRESULT)-1;
    commandEnablePass(menu);
    if (!wantText)
        return (LRESULT)GetMenuState(menu, item, MF_BYCOMMAND);
    char text[256];
    if (GetMenuStringA(menu, item, text, sizeof text, MF_BYCOMMAND) <= 0)
        return 0;
    return (LRESULT)GlobalAddAtomA(text);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:        onCreate(hwnd); return 0;
    case WM_SIZE:          onSize(hwnd, wParam, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_PAINT:         onPaint(hwnd); return 0;
    case WM_ERASEBKGND:    return 0;
    case WM_GETMINMAXINFO: onMinMax((MINMAXINFO *)lParam); return 0;
    case WM_KEYDOWN:       return onKeyDown(wParam, lParam);
    case WM_COMMAND:       commandDispatch(hwnd, LOWORD(wParam), HIWORD(wParam), (HWND)lParam); return 0;
    case WM_INITMENU:      if ((HMENU)wParam == GetMenu(hwnd)) commandEnablePass((HMENU)wParam); return 0;
    case WM_DROPFILES:     onDropFiles((HDROP)wParam); return 0;
    case MM_WOM_DONE:      audioOnWomDone((HWAVEOUT)wParam, (WAVEHDR *)lParam); return 0;
    case MM_WOM_CLOSE:     audioOnWomClose((HWAVEOUT)wParam); return 0;
    case WM_TIMER:         if (wParam == PLAY_TIMER) audioOnTimer(); return 0;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_MOUSEMOVE:
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_CAPTURECHANGED:
                           viewMouse(hwnd, msg, wParam, lParam); return 0;
    case WM_SETCURSOR:     if (viewSetCursor(hwnd, lParam)) return TRUE; return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_CLOSE:         onClose(hwnd); return 0;
    case WM_DESTROY:       onDestroy(hwnd); return 0;
    default:
        if (msg == menuQueryMessage())
            return menuQuery(hwnd, (UINT)wParam, lParam != 0);
        if (helpFileDialogMessage(msg))
            return 0;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}
