/*
 * frame.cpp - the services every windowed part shares: strings, the one message box, the
 * one centring routine, the transport buttons, the busy count and the dialog tail.
 * Writes Frame.busy, Frame.closeAfterBusy and Frame.messageOwner; the handles are the shell's.
 */
#include "ui/frame.h"
#include "ui/filedlg.h"
#include "ui/helpview.h"
#include "os/os.h"

#include <stdio.h>
#include <string.h>

FrameState Frame;
FrameHooks FrameHook;

void frameRefreshCommands(void)
{
    if (FrameHook.refreshCommands)
        FrameHook.refreshCommands();
}

const char *frameString(int id, char *buf, int size)
{
    if (size <= 0)
        return buf;
    if (LoadStringA(Frame.instance, (UINT)id, buf, size) <= 0)
        buf[0] = 0;
    return buf;
}

int frameMessage(const char *text, const char *caption, unsigned style)
{
    HWND owner = Frame.messageOwner && IsWindow(Frame.messageOwner) ? Frame.messageOwner : Frame.main;
    return MessageBoxA(owner, text, caption, style);
}

int frameMessageFrom(HWND owner, const char *text, const char *caption, unsigned style)
{
    HWND saved = Frame.messageOwner;
    Frame.messageOwner = owner;
    int answer = osMessage(text, caption, style);
    Frame.messageOwner = saved;
    return answer;
}

void frameEnableButton(int which, BOOL on)
{
    if (which >= 0 && which < BTN_COUNT && Frame.button[which])
        EnableWindow(Frame.button[which], on);
}

void frameBusyBegin(void) { Frame.busy++; }

void frameBusyEnd(void)
{
    if (Frame.busy > 0)
        Frame.busy--;
    /* A close the user asked for while the work ran happens now, from the message loop. */
    if (Frame.busy == 0 && Frame.closeAfterBusy && Frame.main) {
        Frame.closeAfterBusy = 0;
        PostMessageA(Frame.main, WM_CLOSE, 0, 0);
    }
}

int frameBusy(void) { return Frame.busy > 0; }

BOOL frameDialogTailId(HWND dlg, UINT msg, WPARAM wParam, int helpKeyString)
{
    if (msg != WM_CLOSE && !(msg == WM_COMMAND && LOWORD(wParam) == 222))
        return FALSE;
    char key[64];
    return frameDialogTail(dlg, msg, wParam, frameString(helpKeyString, key, sizeof key));
}

BOOL frameDialogTail(HWND dlg, UINT msg, WPARAM wParam, const char *helpKey)
{
    if (msg == WM_CLOSE) {
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == 222) {
        helpShow(helpKey);
        return TRUE;
    }
    return FALSE;
}

void frameCentre(HWND w, HWND over)
{
    RECT me, o, work;
    if (!over)
        over = Frame.main;
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

void frameFileDialog(OPENFILENAMEA *o, HWND owner, char *file, DWORD fileSize, const char *filter,
                     const char *title, DWORD moreFlags)
{
    memset(o, 0, sizeof *o);
    o->lStructSize = sizeof *o;
    o->hwndOwner = owner ? owner : Frame.main;
    o->hInstance = Frame.instance;
    o->lpstrFilter = filter;
    o->nFilterIndex = 1;
    o->lpstrFile = file;
    o->nMaxFile = fileSize;
    o->lpstrTitle = title;
    o->Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | moreFlags;
}
