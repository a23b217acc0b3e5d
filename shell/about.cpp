/*
 * about.cpp - the About box (command 3060): the program's name and version.
 */
#include "shell/shell.h"
#include "resources/resource.h"
#include "ui/helpview.h"

#include <stdio.h>

static INT_PTR CALLBACK ABOUTMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (frameDialogTail(dlg, msg, wParam, HELPKEY_CONTENTS))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG: {
        char line[96];
        snprintf(line, sizeof line, "Version %s", Frame.versionText);
        SetDlgItemTextA(dlg, IDC_ABOUT_NAME, Frame.programName);
        SetDlgItemTextA(dlg, IDC_ABOUT_VERSION, line);
        return TRUE;
    }
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
