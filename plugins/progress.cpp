/*
 * progress.cpp - the progress meter dialog (ID_PROGRESS) and its three calls.
 */
#include "plugins/progress.h"
#include "ui/frame.h"
#include "resources/resource.h"

#include <stdio.h>
#include <string.h>

ProgressState Progress;

static void drawBar(HDC dc, long position, int frame)
{
    RECT r = Progress.bar;
    if (frame) {
        RECT f = {r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
        FillRect(dc, &f, (HBRUSH)GetStockObject(WHITE_BRUSH));
        FrameRect(dc, &f, (HBRUSH)GetStockObject(BLACK_BRUSH));
    }
    if (position <= 0)
        return;
    RECT fill = r;
    fill.right = r.left + (int)(uint16_t)((long)(r.right - r.left) * position / 10000);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &fill, blue);
    DeleteObject(blue);
}

static void togglePause(HWND dlg)
{
    char text[32];
    if (!Progress.paused) {
        Progress.paused = 1;
        Progress.pauseTick = GetTickCount();
        SetDlgItemTextA(dlg, IDC_PR_STATE, frameString(IDS_PAUSED, text, sizeof text));
        SetDlgItemTextA(dlg, IDC_PR_PAUSE, frameString(IDS_CONTINUE, text, sizeof text));
    } else {
        Progress.paused = 0;
        Progress.startTick += GetTickCount() - Progress.pauseTick;
        SetDlgItemTextA(dlg, IDC_PR_STATE, frameString(IDS_WORKING, text, sizeof text));
        SetDlgItemTextA(dlg, IDC_PR_PAUSE, frameString(IDS_PAUSE, text, sizeof text));
    }
}

static void cancel(HWND dlg)
{
    Progress.cancelled = 1;
    Progress.paused = 0;
    if (Progress.owner)
        EnableWindow(Progress.owner, TRUE);
    DestroyWindow(dlg);
    Progress.dialog = NULL;
}

static INT_PTR CALLBACK PROGRESSMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        frameCentre(dlg, Progress.owner);
        SetDlgItemTextA(dlg, IDC_PR_TITLE, Progress.title);
        SetDlgItemTextA(dlg, IDC_PR_LABEL, Progress.label);
        char text[32];
        SetDlgItemTextA(dlg, IDC_PR_STATE, frameString(IDS_WORKING, text, sizeof text));
        RECT bar, origin;
        GetWindowRect(GetDlgItem(dlg, IDC_PR_BAR), &bar);
        GetWindowRect(GetDlgItem(dlg, IDC_PR_ORIGIN), &origin);
        Progress.bar.left = bar.left - origin.left;
        Progress.bar.top = bar.top - origin.top;
        Progress.bar.right = bar.right - origin.left;
        Progress.bar.bottom = bar.bottom - origin.top;
        Progress.lastPosition = -100;
        return TRUE;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dlg, &ps);
        drawBar(dc, Progress.lastPosition, 1);
        EndPaint(dlg, &ps);
        return TRUE;
    }
    case WM_LBUTTONDOWN: {
        POINT p = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        if (PtInRect(&Progress.bar, p))
            togglePause(dlg);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_PR_PERCENT: {
            long p = (long)lParam;
            if (p <= Progress.lastPosition)
                return TRUE;
            if (p / 100 != Progress.lastPosition / 100 || Progress.lastPosition < 0) {
                char text[16];
                snprintf(text, sizeof text, "%2ld %c", p / 100, '%');
                SetDlgItemTextA(dlg, IDC_PR_PERCENT, text);
            }
            HDC dc = GetDC(dlg);
            drawBar(dc, p, p == 0);
            ReleaseDC(dlg, dc);
            Progress.lastPosition = p;
            return TRUE;
        }
        case IDC_PR_PAUSE:
            togglePause(dlg);
            return TRUE;
        case IDCANCEL:
            cancel(dlg);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    return FALSE;
}

/* The meter brackets every long operation, so it also holds the program's busy state:
   taken when the meter opens and given back when the operation closes it (not when the
   user cancels: the work is still unwinding then). */
static int busyHeld;

void WINAPI progressCreate(const char *title, HWND owner)
{
    if (Progress.silentOwner)
        return;
    if (Progress.dialog)
        progressDestroy();
    if (!busyHeld) {
        busyHeld = 1;
        frameBusyBegin();
    }
    snprintf(Progress.title, sizeof Progress.title, "%s", title && title[0] ? title : "Generating Stuff");
    Progress.lastPercent = -1.0;
    Progress.lastSeconds = 0xFFFFFFFFu;
    Progress.startTick = GetTickCount();
    Progress.paused = 0;
    Progress.cancelled = 0;
    memset(&Progress.gate, 0, sizeof Progress.gate);
    if (owner == (HWND)-1)
        Progress.owner = NULL;
    else
        Progress.owner = owner ? owner : Frame.main;
    if (Progress.owner)
        EnableWindow(Progress.owner, FALSE);
    Progress.dialog = CreateDialogParamA(Frame.instance, MAKEINTRESOURCEA(ID_PROGRESS), Frame.main,
                                         PROGRESSMsgProc, 0);
    if (Progress.dialog) {
        ShowWindow(Progress.dialog, SW_SHOWNA);
        SendMessageA(Progress.dialog, WM_COMMAND, IDC_PR_PERCENT, 0);
    }
}

static void pump(void)
{
    MSG m;
    while (!Progress.cancelled && PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage((int)m.wParam);
            break;
        }
        if (Progress.dialog && IsDialogMessageA(Progress.dialog, &m))
            continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

int WINAPI progressMeter(uint32_t done, uint32_t total)
{
    if (!Progress.silentOwner && !Progress.dialog)
        return 0;
    double percent = total ? (double)done / (double)total * 100.0 : 0.0;
    if (percent > 100.0)
        percent = 100.0;
    int what = progressGate(&Progress.gate, GetTickCount(), percent);
    if (what == PROGRESS_NOTHING)
        return Progress.cancelled ? 0 : 1;
    if (!Progress.silentOwner && what == PROGRESS_SHOW) {
        if (percent != 0.0 && percent != Progress.lastPercent) {
            uint32_t seconds = progressEtaSeconds(GetTickCount() - Progress.startTick, percent);
            if (seconds != Progress.lastSeconds) {
                Progress.lastSeconds = seconds;
                char text[96];
                progressEtaText(seconds, text, sizeof text);
                SetDlgItemTextA(Progress.dialog, IDC_PR_ETA, text);
            }
            Progress.lastPercent = percent;
        }
        SendMessageA(Progress.dialog, WM_COMMAND, IDC_PR_PERCENT, (LPARAM)(long)(percent * 100.0));
    }
    pump();
    while (Progress.paused && !Progress.cancelled) {
        MSG m;
        if (!GetMessageA(&m, NULL, 0, 0)) {
            PostQuitMessage((int)m.wParam);
            Progress.cancelled = 1;
            break;
        }
        if (Progress.dialog && IsDialogMessageA(Progress.dialog, &m))
            continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    Progress.paused = 0;
    return Progress.cancelled ? 0 : 1;
}

void WINAPI progressDestroy(void)
{
    if (Progress.silentOwner)
        return;
    if (!Progress.cancelled) {
        if (Progress.owner)
            EnableWindow(Progress.owner, TRUE);
        if (Progress.dialog)
            DestroyWindow(Progress.dialog);
    }
    Progress.dialog = NULL;
    Progress.owner = Frame.main;
    if (busyHeld) {
        busyHeld = 0;
        frameBusyEnd();
    }
}
