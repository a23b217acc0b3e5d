/*
 * about.cpp - the About box (command 3060): the program's name and version.
 */
#include "shell/shell.h"
#include "resources/resource.h"
#include "ui/helpview.h"

static INT_PTR CALLBACK ABOUTMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (frameDialogTail(dlg, msg, wParam, HELPKEY_CONTENTS))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dlg, IDC_ABOUT_NAME, Frame.programName);
        SetDlgItemTextA(dlg, IDC_ABOUT_VERSION, Frame.versionText);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(dlg, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

void cmdAbout(void)
{
    DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(ID_ABOUT_BOX), Frame.main, ABOUTMsgProc, 0);
}
