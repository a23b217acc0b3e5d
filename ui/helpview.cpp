/*
 * helpview.cpp - the help window (class ZeloHelp): a Find field and the topic list on the
 * left, the chosen topic's text in a read-only edit on the right.  The book is parsed once
 * from the ZELOHELP resource when the window is first opened.
 *
 * Global state: HelpView.  Invariant: HelpView.window is NULL or a live window whose list
 * holds every topic of HelpView.book in book order, and HelpView.current is the topic shown.
 */
#include "ui/helpview.h"
#include "core/helptext.h"
#include "ui/frame.h"
#include "resources/resource.h"

#include <stdio.h>
#include <string.h>

enum { HV_FIND = 100, HV_LIST = 101, HV_TEXT = 102, HV_FINDLBL = 103 };

struct HelpViewState {
    HWND     window;        /* the help window, NULL while closed */
    HWND     find, findLabel, list, text;
    HFONT    font;          /* the system's message font, created with the window */
    HBRUSH   paper;         /* white behind the read-only text */
    int      classDone;     /* the window class is registered */
    int      loaded;        /* the book has been parsed */
    int      current;       /* index of the topic shown */
    int      settingFind;   /* the Find field is being filled by the program */
    int      fileDialog;    /* HELPFILE_*: which common file dialog is up */
    unsigned helpMessage;   /* the registered "commdlg_help" message, 0 until first asked */
    HelpBook book;
};
static HelpViewState HelpView;

static void loadBook(void)
{
    if (HelpView.loaded)
        return;
    HelpView.loaded = 1;
    const char *text = NULL;
    DWORD size = 0;
    HRSRC res = FindResourceA(Frame.instance, "ZELOHELP", MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    HGLOBAL mem = res ? LoadResource(Frame.instance, res) : NULL;
    if (mem) {
        text = (const char *)LockResource(mem);
        size = SizeofResource(Frame.instance, res);
    }
    helpParse(text, text ? size : 0, &HelpView.book);
}

static void showTopic(int index, int fromList)
{
    if (index < 0 || index >= (int)HelpView.book.topics.size())
        index = 0;
    HelpView.current = index;
    std::string body = helpTopicText(&HelpView.book, index);
    SetWindowTextA(HelpView.text, body.c_str());
    if (!fromList)
        SendMessageA(HelpView.list, LB_SETCURSEL, (WPARAM)index, 0);
    char title[160];
    snprintf(title, sizeof title, "%s - %s", HELP_TITLE, HelpView.book.topics[(size_t)index].title.c_str());
    SetWindowTextA(HelpView.window, title);
}

static void layout(int width, int height)
{
    const int pad = 6, listW = 190, findH = 22, labelW = 34;
    MoveWindow(HelpView.findLabel, pad, pad + 3, labelW, findH - 4, TRUE);
    MoveWindow(HelpView.find, pad + labelW, pad, listW - labelW, findH, TRUE);
    int top = pad + findH + pad;
    MoveWindow(HelpView.list, pad, top, listW, height - top - pad > 40 ? height - top - pad : 40, TRUE);
    int x = pad + listW + pad;
    MoveWindow(HelpView.text, x, pad, width - x - pad > 60 ? width - x - pad : 60,
               height - 2 * pad > 60 ? height - 2 * pad : 60, TRUE);
}

static void onCreate(HWND w)
{
    HelpView.window = w;
    NONCLIENTMETRICSA ncm;
    memset(&ncm, 0, sizeof ncm);
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
        HelpView.font = CreateFontIndirectA(&ncm.lfMessageFont);
    HelpView.paper = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
    HINSTANCE inst = Frame.instance;
    HelpView.findLabel = CreateWindowA("STATIC", "&Find:", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, w, (HMENU)HV_FINDLBL, inst, NULL);
    HelpView.find = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                    0, 0, 0, 0, w, (HMENU)HV_FIND, inst, NULL);
    HelpView.list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                    0, 0, 0, 0, w, (HMENU)HV_LIST, inst, NULL);
    HelpView.text = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
                                    0, 0, 0, 0, w, (HMENU)HV_TEXT, inst, NULL);
    HWND all[] = {HelpView.findLabel, HelpView.find, HelpView.list, HelpView.text};
    for (HWND c : all)
        SendMessageA(c, WM_SETFONT, (WPARAM)(HelpView.font ? HelpView.font : GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    SendMessageA(HelpView.find, EM_LIMITTEXT, 60, 0);
    int tab = 96;    /* dialog units: the width of the key column in table lines */
    SendMessageA(HelpView.text, EM_SETTABSTOPS, 1, (LPARAM)&tab);
    for (const HelpTopic &t : HelpView.book.topics)
        SendMessageA(HelpView.list, LB_ADDSTRING, 0, (LPARAM)t.title.c_str());
    RECT rc;
    GetClientRect(w, &rc);
    layout(rc.right, rc.bottom);
}

static void onDestroy(void)
{
    if (HelpView.font)
        DeleteObject(HelpView.font);
    if (HelpView.paper)
        DeleteObject(HelpView.paper);
    HelpView.font = NULL;
    HelpView.paper = NULL;
    HelpView.window = HelpView.find = HelpView.findLabel = HelpView.list = HelpView.text = NULL;
}

static void onCommand(int id, int code)
{
    if (id == HV_LIST && code == LBN_SELCHANGE) {
        LRESULT at = SendMessageA(HelpView.list, LB_GETCURSEL, 0, 0);
        if (at != LB_ERR)
            showTopic((int)at, 1);
    } else if (id == HV_FIND && code == EN_CHANGE && !HelpView.settingFind) {
        char text[64];
        GetWindowTextA(HelpView.find, text, sizeof text);
        int at = helpFindPrefix(&HelpView.book, text);
        if (at >= 0 && at != HelpView.current)
            showTopic(at, 0);
    }
}

static LRESULT CALLBACK HELPWndProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        onCreate(w);
        return 0;
    case WM_SIZE:
        layout(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETFOCUS:
        SetFocus(HelpView.list);
        return 0;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        /* The read-only text reads better on the window colour than on the face colour. */
        if ((HWND)lParam == HelpView.text && HelpView.paper) {
            SetBkColor((HDC)wParam, GetSysColor(COLOR_WINDOW));
            SetTextColor((HDC)wParam, GetSysColor(COLOR_WINDOWTEXT));
            return (LRESULT)HelpView.paper;
        }
        break;
    case WM_DESTROY:
        onDestroy();
        return 0;
    }
    return DefWindowProcA(w, msg, wParam, lParam);
}

static int openWindow(void)
{
    if (HelpView.window)
        return 1;
    loadBook();
    if (!HelpView.classDone) {
        WNDCLASSA wc;
        memset(&wc, 0, sizeof wc);
        wc.lpfnWndProc = HELPWndProc;
        wc.hInstance = Frame.instance;
        wc.hIcon = LoadIconA(Frame.instance, MAKEINTRESOURCEA(117));
        wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
        wc.lpszClassName = HELP_CLASSNAME;
        if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return 0;
        HelpView.classDone = 1;
    }
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
    RECT m;
    if (Frame.main && GetWindowRect(Frame.main, &m)) {
        x = m.left + 40;
        y = m.top + 40;
    }
    /* Not owned by the main window: it stays usable while a modal dialog disables the
       main window, which is exactly when a "?" button opens it. */
    HWND w = CreateWindowExA(0, HELP_CLASSNAME, HELP_TITLE, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             x, y, 680, 480, NULL, NULL, Frame.instance, NULL);
    if (!w)
        return 0;
    ShowWindow(w, SW_SHOWNORMAL);
    return 1;
}

void helpShow(const char *keyword)
{
    if (!openWindow())
        return;
    int at = helpFind(&HelpView.book, keyword);
    showTopic(at >= 0 ? at : 0, 0);
    HelpView.settingFind = 1;
    SetWindowTextA(HelpView.find, "");
    HelpView.settingFind = 0;
    if (IsIconic(HelpView.window))
        ShowWindow(HelpView.window, SW_RESTORE);
    SetForegroundWindow(HelpView.window);
    SendMessageA(HelpView.text, EM_SETSEL, 0, 0);
    SendMessageA(HelpView.text, EM_SCROLLCARET, 0, 0);
}

void helpShowString(int stringId)
{
    char key[64];
    helpShow(frameString(stringId, key, sizeof key));
}

void helpClose(void)
{
    if (HelpView.window)
        DestroyWindow(HelpView.window);
}

void helpSetFileDialog(int kind) { HelpView.fileDialog = kind; }

int helpFileDialogMessage(unsigned msg)
{
    if (!HelpView.helpMessage)
        HelpView.helpMessage = RegisterWindowMessageA("commdlg_help");
    if (msg != HelpView.helpMessage || !msg)
        return 0;
    if (HelpView.fileDialog == HELPFILE_OPEN)
        helpShowString(IDS_HELP_OPEN);
    else
        helpShow(HelpView.fileDialog == HELPFILE_SAVE ? HELPKEY_SAVE : HELPKEY_CONTENTS);
    return 1;
}
