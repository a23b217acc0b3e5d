/*
 * zoptdlg.cpp - the radio-group options dialog of the bundled filter modules.  The template
 * is laid out in dialog units: one group box per group, its radio buttons stacked inside,
 * OK and Cancel underneath.  Everything the procedure needs travels through lParam.
 */
#include "filters/common/zoptdlg.h"

#include <string.h>
#include <vector>

namespace {

struct Ask {
    const ZOptGroup *groups;
    int nGroups;
    int *choices;
};

void align4(std::vector<WORD> &t)
{
    if (t.size() & 1)
        t.push_back(0);
}

void text(std::vector<WORD> &t, const char *s)
{
    while (*s)
        t.push_back((WORD)(unsigned char)*s++);
    t.push_back(0);
}

void item(std::vector<WORD> &t, DWORD style, short x, short y, short cx, short cy, WORD id,
          WORD cls, const char *caption)
{
    align4(t);
    DLGITEMTEMPLATE it;
    it.style = style | WS_CHILD | WS_VISIBLE;
    it.dwExtendedStyle = 0;
    it.x = x; it.y = y; it.cx = cx; it.cy = cy; it.id = id;
    const WORD *w = (const WORD *)&it;
    t.insert(t.end(), w, w + sizeof it / 2);
    t.push_back(0xFFFF);
    t.push_back(cls);
    text(t, caption);
    t.push_back(0);
}

INT_PTR CALLBACK OPTMsgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
        const Ask *a = (const Ask *)lp;
        for (int g = 0; g < a->nGroups; g++)
            CheckDlgButton(dlg, ZOPT_ID(g, a->choices[g]), BST_CHECKED);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            const Ask *a = (const Ask *)GetWindowLongPtrA(dlg, DWLP_USER);
            for (int g = 0; g < a->nGroups; g++)
                for (int i = 0; i < ZOPT_MAX_ITEMS && a->groups[g].items[i]; i++)
                    if (IsDlgButtonChecked(dlg, ZOPT_ID(g, i)) == BST_CHECKED)
                        a->choices[g] = i;
            EndDialog(dlg, 1);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

int zoptAsk(HWND owner, HINSTANCE module, const char *title, const ZOptGroup *groups, int nGroups,
            int *choices)
{
    if (nGroups < 1 || nGroups > ZOPT_MAX_GROUPS)
        return 0;
    std::vector<WORD> t;
    DLGTEMPLATE d;
    memset(&d, 0, sizeof d);
    d.style = DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    short y = 6, width = 150;
    int count = 2;
    for (int g = 0; g < nGroups; g++) {
        count++;
        for (int i = 0; i < ZOPT_MAX_ITEMS && groups[g].items[i]; i++)
            count++;
    }
    d.cdit = (WORD)count;
    d.cx = width;
    const WORD *w = (const WORD *)&d;
    t.insert(t.end(), w, w + sizeof d / 2);
    t.push_back(0);     /* no menu */
    t.push_back(0);     /* standard class */
    text(t, title);
    t.push_back(8);
    text(t, "MS Shell Dlg");
    for (int g = 0; g < nGroups; g++) {
        int n = 0;
        while (n < ZOPT_MAX_ITEMS && groups[g].items[n])
            n++;
        short h = (short)(14 + 12 * n);
        item(t, BS_GROUPBOX, 6, y, width - 12, h, (WORD)(900 + g), 0x0080, groups[g].label);
        for (int i = 0; i < n; i++)
            item(t, BS_AUTORADIOBUTTON | WS_TABSTOP | (i == 0 ? WS_GROUP : 0), 14, (short)(y + 12 + 12 * i),
                 width - 28, 10, (WORD)ZOPT_ID(g, i), 0x0080, groups[g].items[i]);
        y = (short)(y + h + 6);
    }
    item(t, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, width - 112, y, 50, 14, IDOK, 0x0080, "OK");
    item(t, BS_PUSHBUTTON | WS_TABSTOP, width - 56, y, 50, 14, IDCANCEL, 0x0080, "Cancel");
    ((DLGTEMPLATE *)t.data())->cy = (short)(y + 20);
    Ask a = {groups, nGroups, choices};
    INT_PTR r = DialogBoxIndirectParamA(module, (const DLGTEMPLATE *)t.data(), owner, OPTMsgProc, (LPARAM)&a);
    return r == 1 ? 1 : 0;
}
