/*
 * tbdialog.cpp - the "Toolbar Settings" dialog (command 355): the order list in a list box
 * with Move Up, Move Down and Zap, the tooltip switch and the File Save button's mode.  OK
 * stores everything and lays the row out again; Cancel changes nothing.  Writes Toolbar
 * (through toolbarDialogSave) and Settings.saveMode / Settings.toolHelp on OK.
 */
#include "toolbar/toolbar.h"
#include "ui/frame.h"
#include "core/settings.h"
#include "resources/resource.h"

#include <stdlib.h>
#include <string.h>

/* The list box's entries as parallel arrays: ids (item data) and selection flags. */
struct ListCopy {
    int n;
    uint16_t ids[TB_MAXORDER];
    uint8_t sel[TB_MAXORDER];
};

static void readList(HWND list, ListCopy *c)
{
    int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    c->n = n < 0 ? 0 : n > TB_MAXORDER ? TB_MAXORDER : n;
    for (int i = 0; i < c->n; i++) {
        c->ids[i] = (uint16_t)SendMessageA(list, LB_GETITEMDATA, (WPARAM)i, 0);
        c->sel[i] = SendMessageA(list, LB_GETSEL, (WPARAM)i, 0) > 0;
    }
}

static void fillList(HWND list, const ListCopy *c)
{
    TbRegistry reg = toolbarRegistry();
    int top = (int)SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < c->n; i++) {
        char name[TB_NAME_MAX + 16];
        int at = (int)SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)tbEntryName(c->ids[i], &reg, name, sizeof name));
        SendMessageA(list, LB_SETITEMDATA, (WPARAM)at, (LPARAM)c->ids[i]);
        if (c->sel[i])
            SendMessageA(list, LB_SETSEL, TRUE, (LPARAM)i);
    }
    SendMessageA(list, LB_SETTOPINDEX, (WPARAM)(top < 0 ? 0 : top), 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
}

static void enableArrows(HWND dlg)
{
    BOOL any = SendDlgItemMessageA(dlg, IDC_TB_LIST, LB_GETSELCOUNT, 0, 0) > 0;
    EnableWindow(GetDlgItem(dlg, IDC_TB_UP), any);
    EnableWindow(GetDlgItem(dlg, IDC_TB_DOWN), any);
    EnableWindow(GetDlgItem(dlg, IDC_TB_ZAP), any);
}

/* Keeps the first selected entry in view after a move. */
static void followSelection(HWND list, const ListCopy *c)
{
    for (int i = 0; i < c->n; i++)
        if (c->sel[i]) {
            SendMessageA(list, LB_SETCARETINDEX, (WPARAM)i, FALSE);
            return;
        }
}

static void onEdit(HWND dlg, int which)
{
    HWND list = GetDlgItem(dlg, IDC_TB_LIST);
    static ListCopy c;
    readList(list, &c);
    int changed = which == IDC_TB_UP ? tbMoveUp(c.ids, c.sel, c.n)
                : which == IDC_TB_DOWN ? tbMoveDown(c.ids, c.sel, c.n) : tbZap(c.ids, c.sel, c.n);
    if (!changed)
        return;
    fillList(list, &c);
    followSelection(list, &c);
    enableArrows(dlg);
}

static void onInit(HWND dlg)
{
    frameCentre(dlg, NULL);
    HWND list = GetDlgItem(dlg, IDC_TB_LIST);
    static ListCopy c;
    c.n = Toolbar.order.count == TB_NOTLOADED ? 0 : Toolbar.order.count;
    memcpy(c.ids, Toolbar.order.ids, (size_t)c.n * sizeof c.ids[0]);
    memset(c.sel, 0, sizeof c.sel);
    fillList(list, &c);
    CheckDlgButton(dlg, IDC_TB_TOOLHELP, Settings.toolHelp ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dlg, IDC_TB_SAVEAS, IDC_TB_SAVENOW, Settings.saveMode ? IDC_TB_SAVENOW : IDC_TB_SAVEAS);
    enableArrows(dlg);
}

/* OK: the names in the list are resolved again (an entry whose module went away drops out),
   repeats other than gaps are dropped. */
static void onOk(HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_TB_LIST);
    TbRegistry reg = toolbarRegistry();
    static TbOrder o;
    o.count = 0;
    int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n && i < TB_MAXORDER; i++) {
        char name[TB_NAME_MAX + 16];
        if (SendMessageA(list, LB_GETTEXTLEN, (WPARAM)i, 0) >= (LRESULT)sizeof name)
            continue;
        SendMessageA(list, LB_GETTEXT, (WPARAM)i, (LPARAM)name);
        int id = tbResolveName(name, &reg);
        if (id >= 0)
            tbAppend(&o, id);
    }
    Settings.saveMode = IsDlgButtonChecked(dlg, IDC_TB_SAVENOW) == BST_CHECKED;
    Settings.toolHelp = IsDlgButtonChecked(dlg, IDC_TB_TOOLHELP) == BST_CHECKED;
    settingsSave();
    toolbarDialogSave(&o);
    RECT r;
    GetClientRect(Toolbar.row, &r);
    toolbarLayout(r.right);
    InvalidateRect(Toolbar.row, NULL, TRUE);
    EndDialog(dlg, IDOK);
}

INT_PTR CALLBACK TOOLBARSETMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (frameDialogTail(dlg, msg, wParam, "Custom Toolbar"))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG:
        onInit(dlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_TB_LIST:
            if (HIWORD(wParam) == LBN_SELCHANGE)
                enableArrows(dlg);
            return TRUE;
        case IDC_TB_UP: case IDC_TB_DOWN: case IDC_TB_ZAP:
            onEdit(dlg, LOWORD(wParam));
            return TRUE;
        case IDOK:
            onOk(dlg);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void toolbarSettingsCommand(void)
{
    if (Toolbar.order.count == TB_NOTLOADED) {
        RECT r;
        GetClientRect(Toolbar.row, &r);
        toolbarLayout(r.right);
    }
    DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(IDD_TOOLBARSET), Frame.main, TOOLBARSETMsgProc, 0);
}
