/*
 * mainwnd.cpp - the main window procedure (a dispatcher: one case per message, each a call
 * of a small function), the child controls and their layout, dropped files and shutdown.
 * Writes Shell's window fields.
 */
#include "shell/shell.h"
#include "core/profile.h"
#include "resources/resource.h"
#include "ui/helpview.h"
#include "os/os.h"
#include "audio/audio.h"
#include "view/view.h"
#include "core/document.h"
#include "formats/fileui.h"
#include "plugins/progress.h"
#include "analysis/analysis.h"
#include "lists/lists.h"
#include "scripts/scripts.h"
#include "toolbar/toolbar.h"
#include "cd/cd.h"

#include <shellapi.h>
#include <mmsystem.h>
#include <stdio.h>
#include <string.h>

#define TOOLBAR_HEIGHT 28
#define ROW_HEIGHT     22
#define METER_HEIGHT   30   /* two bars and the dB scale below them */

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
    HWND w = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, Frame.main,
                             (HMENU)(INT_PTR)id, Frame.instance, NULL);
    SendMessageA(w, WM_SETFONT, (WPARAM)Frame.smallFont, FALSE);
    return w;
}

static void measureLayout(void)
{
    HDC dc = GetDC(Frame.main);
    HGDIOBJ old = SelectObject(dc, Frame.smallFont);
    Shell.begWidth = textWidth(dc, "Beg: 00:00:000");
    Shell.buttonWidth = textWidth(dc, " Zoom Out M") + 4;
    Shell.cdTimeWidth = textWidth(dc, " 00:00 ");
    Shell.labelWidth = textWidth(dc, " Time: ") + 2;
    Shell.formatWidth = textWidth(dc, " 44100 / 16 bit / Stereo") + 6;
    Shell.countWidth = textWidth(dc, " 00000000 Samples") + 6;
    Shell.sizeWidth = textWidth(dc, " 000000 K") + 6;
    SelectObject(dc, old);
    ReleaseDC(Frame.main, dc);
}

static void createChildren(void)
{
    char text[64];
    for (int i = 0; i < BTN_COUNT; i++) {
        const char *t = frameString(buttonTable[i].textId, text, sizeof text);
        Frame.button[i] = child("BUTTON", *t ? t : buttonTable[i].fallback, BS_PUSHBUTTON, buttonTable[i].id);
    }
    Frame.toolbar = child(FRAME_TOOLBARCLASS, "", 0, 0);
    Frame.meter = child(FRAME_METERCLASS, "", 0, IDM_MONITOR);
    Frame.begLabel = child("STATIC", " Beg:", SS_LEFT, -1);
    Frame.endLabel = child("STATIC", " End:", SS_LEFT, -1);
    Frame.timeLabel = child("STATIC", " Time:", SS_LEFT, -1);
    Frame.begValue = child("STATIC", " Beg:", SS_LEFT | SS_SUNKEN | SS_NOTIFY, -1);
    Frame.endValue = child("STATIC", " End:", SS_LEFT | SS_SUNKEN | SS_NOTIFY, -1);
    Frame.timeValue = child("STATIC", " Time:", SS_LEFT | SS_SUNKEN | SS_NOTIFY, -1);
    Frame.formatField = child("STATIC", "", SS_LEFT | SS_SUNKEN | SS_NOTIFY | SS_NOPREFIX, -1);
    Frame.countField = child("STATIC", "", SS_LEFT | SS_SUNKEN | SS_NOTIFY, -1);
    Frame.sizeField = child("STATIC", "", SS_LEFT | SS_SUNKEN | SS_NOTIFY, -1);
    /* The device lines sit in the toolbar's band, at its right end, on one line each: cut
       with an ellipsis when the window is too narrow, never wrapped. */
    DWORD line = SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS;
    Frame.devName = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | line, 0, 0, 10, 10,
                                    Frame.toolbar, NULL, Frame.instance, NULL);
    Frame.devCaps = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | line, 0, 0, 10, 10,
                                    Frame.toolbar, NULL, Frame.instance, NULL);
    SendMessageA(Frame.devName, WM_SETFONT, (WPARAM)Frame.smallFont, FALSE);
    SendMessageA(Frame.devCaps, WM_SETFONT, (WPARAM)Frame.smallFont, FALSE);
    /* The CD panel's controls exist from the start and show with the panel. */
    Frame.cdList = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VSCROLL | LBS_NOTIFY, 0, 0, 10, 10,
                                   Frame.main, (HMENU)(INT_PTR)IDM_CD_TRACKS, Frame.instance, NULL);
    Frame.cdTime = CreateWindowExA(0, "STATIC", "--:--", WS_CHILD, 0, 0, 10, 10, Frame.main,
                                   (HMENU)(INT_PTR)IDM_CD_TRACKS, Frame.instance, NULL);
    Frame.cdEntry = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 10, 10,
                                    Frame.main, (HMENU)(INT_PTR)IDM_CD_TITLE, Frame.instance, NULL);
}

/* Width of a one-line static's text in the small font, plus a little air. */
static int devTextWidth(HWND w)
{
    char text[128];
    if (!w || GetWindowTextA(w, text, sizeof text) <= 0)
        return 0;
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, Frame.smallFont);
    int cx = textWidth(dc, text) + 4;
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return cx;
}

void shellLayout(int width, int height)
{
    if (!Frame.button[0])
        return;
    int bottom = height - (2 * ROW_HEIGHT + METER_HEIGHT + 6);
    MoveWindow(Frame.toolbar, 0, 0, width, TOOLBAR_HEIGHT, TRUE);
    int top = TOOLBAR_HEIGHT + cdBandHeight();   /* the CD panel's band, when shown */
    cdLayout(TOOLBAR_HEIGHT, width);
    SetRect(&Frame.waveArea, 0, top, width, bottom > top ? bottom : top);

    int y = Frame.waveArea.bottom + 3, x = 4, bw = Shell.buttonWidth, bh = ROW_HEIGHT - 2;
    for (int i = 0; i < BTN_COUNT; i++) {
        if (i == BTN_PLAY)
            x += 8;   /* zoom group, then the transport group */
        MoveWindow(Frame.button[i], x, y, bw, bh, TRUE);
        x += bw + 2;
    }
    /* Row 2: the selection and time read-outs; the device lines sit right of both rows. */
    int ly = y + ROW_HEIGHT, lx = 4, labelW = Shell.labelWidth, valueW = Shell.begWidth;
    HWND labels[3] = {Frame.begLabel, Frame.endLabel, Frame.timeLabel};
    HWND values[3] = {Frame.begValue, Frame.endValue, Frame.timeValue};
    /* The read-outs carry their captions (" Beg: 0:01.000"), so they take the captions' place. */
    for (int i = 0; i < 3; i++) {
        ShowWindow(labels[i], SW_HIDE);
        MoveWindow(values[i], lx, ly + 1, labelW / 2 + valueW, bh - 2, TRUE);
        lx += labelW / 2 + valueW + 4;
    }
    HWND fields[3] = {Frame.formatField, Frame.countField, Frame.sizeField};
    int fieldW[3] = {Shell.formatWidth, Shell.countWidth, Shell.sizeWidth};
    for (int i = 0; i < 3; i++) {
        int fw = width - lx - 4 < fieldW[i] ? 0 : fieldW[i];
        MoveWindow(fields[i], lx, ly + 1, fw, bh - 2, TRUE);
        lx += fw ? fw + 4 : 0;
    }
    /* Device name and capabilities at the band's right end; the name gives way first. */
    int capsW = devTextWidth(Frame.devCaps), nameW = devTextWidth(Frame.devName);
    int room = width - 12;
    if (capsW > room)
        capsW = room > 0 ? room : 0;
    if (nameW > room - capsW - 12)
        nameW = room - capsW - 12 > 0 ? room - capsW - 12 : 0;
    int textH = 14, textY = (TOOLBAR_HEIGHT - textH) / 2;
    MoveWindow(Frame.devCaps, width - 6 - capsW, textY, capsW, textH, TRUE);
    MoveWindow(Frame.devName, width - 6 - capsW - (capsW ? 12 : 0) - nameW, textY, nameW, textH, TRUE);
    /* The toolbar's buttons fill the band up to the device lines. */
    toolbarLayout(width - capsW - (capsW ? 12 : 0) - nameW - (nameW ? 20 : 0));   /* the last button ends clear of them */
    MoveWindow(Frame.meter, 6, height - METER_HEIGHT - 2, width - 12 > 0 ? width - 12 : 0, METER_HEIGHT, TRUE);
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
        SetWindowTextA(Frame.devName, frameString(IDS_DEV_NONE, name, sizeof name));
        SetWindowTextA(Frame.devCaps, "");
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
    SetWindowTextA(Frame.devName, name);
    SetWindowTextA(Frame.devCaps, line);
}

static void onCreate(HWND hwnd)
{
    Frame.main = hwnd;
    Frame.statusFont = CreateFontA(15, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    Frame.smallFont = CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    Frame.selectCursor = LoadCursorA(Frame.instance, MAKEINTRESOURCEA(IDC_SELECTCUR));
    Frame.rightCursor = LoadCursorA(Frame.instance, MAKEINTRESOURCEA(IDC_RIGHTCHAN));
    Frame.leftCursor = LoadCursorA(Frame.instance, MAKEINTRESOURCEA(IDC_LEFTCHAN));
    measureLayout();
    createChildren();
    describeOutputDevice();
    startupWindowCreated(hwnd);
    RECT rc;
    GetClientRect(hwnd, &rc);
    shellLayout(rc.right, rc.bottom);
    for (int i = 0; i < BTN_COUNT; i++)
        frameEnableButton(i, i == BTN_RECORD && AUDIO_CAN_RECORD);
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
    if (!Frame.closing) {
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
    mm->ptMaxTrackSize.x = GetSystemMetrics(SM_CXVIRTUALSCREEN) * 2;   /* may reach past one screen */
}

static LRESULT onKeyDown(WPARAM key, LPARAM lParam)
{
    if (lParam & (1L << 30))
        return 1;   /* auto-repeat does nothing */
    if (Shell.inKeyDown)
        return 0;
    Shell.inKeyDown = 1;
    if (key == VK_SPACE && !audioMonitoring()) {
        int id = audioPlaying() ? IDM_STOP : audioRecording() ? IDM_PAUSE : IDM_PLAY;
        PostMessageA(Frame.main, WM_COMMAND, (WPARAM)id, 0);
    }
    Shell.inKeyDown = 0;
    return 0;
}

/* Each dropped name is kept whole (names may contain blanks). */
static void onDropFiles(HDROP drop)
{
    if (frameBusy()) {
        /* The running operation owns the store: the drop is refused, not queued. */
        DragFinish(drop);
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    fileUiDropFiles(drop);
}

static void onClose(HWND hwnd)
{
    if (Frame.spectralBusy)
        return;
    if (frameBusy()) {
        /* Closing now would pull the store from under the running work: offer to cancel it,
           and close once it has stopped. */
        if (osMessage("An operation is still running.  Cancel it and close Zelo Edit?", "Please Confirm",
                      OS_MB_YESNO | OS_MB_ICONQUESTION) == OS_IDYES) {
            Progress.cancelled = 1;
            Frame.closeAfterBusy = 1;
        }
        return;
    }
    if (!docSaveChangesPrompt())
        return;
    Frame.closing = 1;
    profileSetString("Size", "PlayList", listsPlayListOpen() ? "1" : "0");
    profileSetString("Size", "CueList", listsCueListOpen() ? "1" : "0");
    profileSetString("Size", "Analyzer", analysisIsOpen() ? "1" : "0");
    DestroyWindow(hwnd);
}

static void onDestroy(HWND hwnd)
{
    shutdownAll();
    DeleteObject(Frame.statusFont);
    DeleteObject(Frame.smallFont);
    /* Only the last copy remembers where its window was. */
    if (!FindWindowA(FRAME_CLASSNAME, NULL) || FindWindowA(FRAME_CLASSNAME, NULL) == hwnd) {
        HWND other = NULL;
        for (HWND w = FindWindowA(FRAME_CLASSNAME, NULL); w; w = FindWindowExA(NULL, w, FRAME_CLASSNAME, NULL))
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
            shutdownLastCopy();
        }
    }
    PostQuitMessage(0);
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
    case MM_WIM_DATA:      audioOnWimData((HWAVEIN)wParam, (WAVEHDR *)lParam); return 0;
    case MM_WIM_CLOSE:     audioOnWimClose((HWAVEIN)wParam); return 0;
    case WM_TIMER:         if (wParam == PLAY_TIMER) audioOnTimer(); return 0;
    case WM_SCRIPTSTEP:    scriptsOnStep(); return 0;
    case WM_BATCHSTEP:     scriptsOnBatchStep(); return 0;
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
