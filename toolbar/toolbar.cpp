/*
 * toolbar.cpp - the button row: owner-drawn buttons placed from the order list, their
 * pictures (the table's bitmaps, a transform's own picture from its module), the states
 * the enabling pass hands over, the tooltip shown when the mouse rests on a button, and the
 * order list's storage in zelo.ini.  Writes Toolbar.
 *
 * A pressed button posts its command to the main window as a menu item would, and gives the
 * keyboard focus back to the main window.
 */
#include "toolbar/toolbar.h"
#include "ui/frame.h"
#include "core/profile.h"
#include "core/settings.h"
#include "plugins/xfmhost.h"
#include "resources/resource.h"

#include <stdio.h>
#include <string.h>

ToolbarState Toolbar;

#define REFRESH_TIMER 1     /* the enabling pass while the program idles */
#define TIP_TIMER     2     /* the mouse rests on a button */
#define REFRESH_MS    250
#define TIP_DELAY_MS  500
#define TIP_POLL_MS   150
#define BUTTON_SIZE   24
#define BUTTON_TOP    2
#define PICTURE_SIZE  20
#define CELL_WIDTH    24
#define PICTURE_BACK  RGB(192, 192, 192)

static WNDPROC buttonProc;   /* the BUTTON class procedure the buttons are subclassed from */

/* ---- zelo.ini and the transform registry as the order list sees them ---- */

static void iniGet(void *, const char *section, const char *key, const char *def, char *out, size_t size)
{
    profileGetString(section, key, def, out, size);
}
static void iniSet(void *, const char *section, const char *key, const char *value)
{
    profileSetString(section, key, value);
}
static const TbIni ZeloIni = {NULL, iniGet, iniSet};

static TbTransform registryRows[XFM_MAXROWS];

static TbRegistry registryView(void)
{
    int n = XfmHost.count < XFM_MAXROWS ? XfmHost.count : XFM_MAXROWS;
    for (int i = 0; i < n; i++) {
        registryRows[i].name = XfmHost.rows[i].info.name;
        registryRows[i].flags = XfmHost.rows[i].info.flags;
    }
    TbRegistry r = {registryRows, n < 0 ? 0 : n};
    return r;
}

/* ---- drawing ---- */

static HBITMAP pictureOf(int id)
{
    if (id >= TB_XFM_FIRST && id <= TB_XFM_LAST) {
        int row = id - TB_XFM_FIRST;
        return row < XfmHost.count ? XfmHost.rows[row].bitmap : NULL;
    }
    int row = tbRowOf(id);
    if (row <= 0)
        return NULL;
    if (!Toolbar.picture[row])
        Toolbar.picture[row] = LoadBitmapA(Frame.instance, TbTable[row].icon);
    return Toolbar.picture[row];
}

/* A transform without a picture shows the first letters of its name. */
static void drawLetters(HDC dc, const RECT *r, int id)
{
    char name[TB_NAME_MAX + 16];
    TbRegistry reg = registryView();
    tbEntryName(id, &reg, name, sizeof name);
    const char *s = strncmp(name, "Generate ", 9) == 0 ? name + 9 : name;
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, Frame.statusFont);
    RECT t = *r;
    DrawTextA(dc, s, (int)(strlen(s) < 2 ? strlen(s) : 2), &t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
}

void toolbarDrawButton(const DRAWITEMSTRUCT *d, HBITMAP bm, int on)
{
    HDC dc = d->hDC;
    RECT r = d->rcItem;
    int id = (int)d->CtlID;
    int off = (d->itemState & ODS_DISABLED) != 0;
    int pressed = (d->itemState & ODS_SELECTED) != 0;
    if ((off || on) && Toolbar.checkers) {
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, PICTURE_BACK);
        FillRect(dc, &r, Toolbar.checkers);
    } else {
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    }
    DrawEdge(dc, &r, (pressed || on) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    int shift = (pressed || on) ? 1 : 0;
    RECT inner = {r.left + 2 + shift, r.top + 2 + shift, r.left + 2 + shift + PICTURE_SIZE, r.top + 2 + shift + PICTURE_SIZE};
    if (!bm) {
        if (off) {   /* embossed, as the greyed pictures */
            RECT lit = inner;
            OffsetRect(&lit, 1, 1);
            SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
            drawLetters(dc, &lit, id);
        }
        SetTextColor(dc, GetSysColor(off ? COLOR_BTNSHADOW : COLOR_BTNTEXT));
        drawLetters(dc, &inner, id);
        return;
    }
    BITMAP info;
    GetObjectA(bm, sizeof info, &info);
    int cell = (off && info.bmWidth >= 2 * CELL_WIDTH) ? 1 : 0;
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, bm);
    int w = info.bmWidth - cell * CELL_WIDTH - 2 < PICTURE_SIZE ? info.bmWidth - cell * CELL_WIDTH - 2 : PICTURE_SIZE;
    int h = info.bmHeight < PICTURE_SIZE ? info.bmHeight : PICTURE_SIZE;
    if (w > 0 && h > 0)
        TransparentBlt(dc, inner.left, inner.top, w, h, src, cell * CELL_WIDTH + 2, 0, w, h, PICTURE_BACK);
    SelectObject(src, old);
    DeleteDC(src);
}

/* ---- tooltip ---- */

static LRESULT CALLBACK tipProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT r;
        GetClientRect(w, &r);
        HBRUSH back = CreateSolidBrush(RGB(255, 255, 225));
        FillRect(dc, &r, back);
        DeleteObject(back);
        char text[160];
        GetWindowTextA(w, text, sizeof text);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        HGDIOBJ old = SelectObject(dc, Frame.smallFont);
        r.left += 3;
        DrawTextA(dc, text, -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        EndPaint(w, &ps);
        return 0;
    }
    return DefWindowProcA(w, msg, wParam, lParam);
}

/* The CD panel's buttons (commands 142..149) and their tooltips. */
static const struct { int id, tip; } cdTips[] = {
    {IDM_CD_PLAY, IDS_TIP_CD_PLAY}, {IDM_CD_STOP, IDS_TIP_CD_STOP}, {IDM_CD_REWIND, IDS_TIP_CD_REWIND},
    {IDM_CD_FORWARD, IDS_TIP_CD_FORWARD}, {IDM_CD_MARK, IDS_TIP_CD_MARK}, {IDM_CD_GOTOMARK, IDS_TIP_CD_GOTOMARK},
    {IDM_CD_EJECT, IDS_TIP_CD_EJECT},
};

static void tipText(int id, char *out, int size)
{
    for (const auto &c : cdTips)
        if (c.id == id) {
            frameString(c.tip, out, size);
            return;
        }
    int row = tbRowOf(id);
    if (row > 0 && TbTable[row].tip) {
        frameString(TbTable[row].tip, out, size);
        return;
    }
    TbRegistry reg = registryView();
    tbEntryName(id, &reg, out, (size_t)size);
}

static void hideTip(void)
{
    if (Toolbar.tip && IsWindowVisible(Toolbar.tip))
        ShowWindow(Toolbar.tip, SW_HIDE);
}

static void showTip(HWND button)
{
    if (!Toolbar.tip || !Settings.toolHelp)
        return;
    char text[160];
    tipText(GetDlgCtrlID(button), text, sizeof text);
    if (!text[0])
        return;
    SetWindowTextA(Toolbar.tip, text);
    HDC dc = GetDC(Toolbar.tip);
    HGDIOBJ old = SelectObject(dc, Frame.smallFont);
    SIZE sz;
    GetTextExtentPoint32A(dc, text, (int)strlen(text), &sz);
    SelectObject(dc, old);
    ReleaseDC(Toolbar.tip, dc);
    RECT b;
    GetWindowRect(button, &b);
    int w = sz.cx + 8, h = sz.cy + 4, x = b.left, y = b.bottom + 2;
    int screen = GetSystemMetrics(SM_CXSCREEN);
    if (x + w > screen)
        x = screen - w > 0 ? screen - w : 0;
    SetWindowPos(Toolbar.tip, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(Toolbar.tip, NULL, TRUE);
}

static void onTipTimer(void)
{
    POINT pt;
    GetCursorPos(&pt);
    if (Toolbar.hover && WindowFromPoint(pt) == Toolbar.hover) {
        if (!IsWindowVisible(Toolbar.tip))
            showTip(Toolbar.hover);
        SetTimer(Toolbar.row, TIP_TIMER, TIP_POLL_MS, NULL);   /* watch for the mouse leaving */
        return;
    }
    hideTip();
    KillTimer(Toolbar.row, TIP_TIMER);
    Toolbar.hover = NULL;
}

static LRESULT CALLBACK buttonSubclass(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_MOUSEMOVE && Toolbar.hover != w) {
        hideTip();
        Toolbar.hover = w;
        SetTimer(Toolbar.row, TIP_TIMER, TIP_DELAY_MS, NULL);
    } else if (msg == WM_LBUTTONDOWN) {
        hideTip();
    }
    return CallWindowProcA(buttonProc, w, msg, wParam, lParam);
}

/* ---- the row ---- */

static UINT lastMessage(void)
{
    static UINT id;
    if (!id)
        id = RegisterWindowMessageA(TB_LAST_MESSAGE);
    return id;
}

static void onButton(int id)
{
    Toolbar.lastSent = id;
    hideTip();
    PostMessageA(Frame.main, WM_COMMAND, (WPARAM)id, 0);
    SetFocus(Frame.main);
}

static LRESULT CALLBACK rowProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *d = (const DRAWITEMSTRUCT *)lParam;
        toolbarDrawButton(d, pictureOf((int)d->CtlID), (GetWindowLongPtrA(d->hwndItem, GWLP_USERDATA) & TB_STATE_ON) != 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam)
            onButton(LOWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == TIP_TIMER)
            onTipTimer();
        else if (wParam == REFRESH_TIMER && Toolbar.hook.refresh)
            Toolbar.hook.refresh();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT r;
        GetClientRect(w, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        r.top = r.bottom - 1;
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
        EndPaint(w, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    default:
        if (msg == lastMessage())
            return Toolbar.lastSent;
        return CallWindowProcA(Toolbar.rowProc, w, msg, wParam, lParam);
    }
}

void toolbarInit(HWND row)
{
    Toolbar.row = row;
    Toolbar.order.count = TB_NOTLOADED;
    HBITMAP checkers = LoadBitmapA(Frame.instance, "Checkers");
    if (checkers) {
        Toolbar.checkers = CreatePatternBrush(checkers);
        DeleteObject(checkers);
    }
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = tipProc;
    wc.hInstance = Frame.instance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.lpszClassName = TB_TIP_CLASS;
    RegisterClassA(&wc);
    Toolbar.tip = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, TB_TIP_CLASS, "", WS_POPUP | WS_BORDER, 0, 0, 10,
                                  10, Frame.main, NULL, Frame.instance, NULL);
    if (row) {
        Toolbar.rowProc = (WNDPROC)SetWindowLongPtrA(row, GWLP_WNDPROC, (LONG_PTR)rowProc);
        SetTimer(row, REFRESH_TIMER, REFRESH_MS, NULL);
    }
}

void toolbarShutdown(void)
{
    if (Toolbar.row) {
        KillTimer(Toolbar.row, REFRESH_TIMER);
        KillTimer(Toolbar.row, TIP_TIMER);
    }
    for (int i = 0; i < Toolbar.buttons; i++)
        DestroyWindow(Toolbar.button[i]);
    Toolbar.buttons = 0;
    if (Toolbar.tip)
        DestroyWindow(Toolbar.tip);
    Toolbar.tip = NULL;
    for (int i = 0; i < TB_ROWS; i++)
        if (Toolbar.picture[i]) {
            DeleteObject(Toolbar.picture[i]);
            Toolbar.picture[i] = NULL;
        }
    if (Toolbar.checkers)
        DeleteObject(Toolbar.checkers);
    Toolbar.checkers = NULL;
    if (Toolbar.row && Toolbar.rowProc)
        SetWindowLongPtrA(Toolbar.row, GWLP_WNDPROC, (LONG_PTR)Toolbar.rowProc);
    Toolbar.row = NULL;
}

static HWND makeButton(int id)
{
    HWND b = CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_OWNERDRAW, 0, 0, BUTTON_SIZE, BUTTON_SIZE, Toolbar.row,
                             (HMENU)(INT_PTR)id, Frame.instance, NULL);
    toolbarAdoptButton(b);
    return b;
}

void toolbarAdoptButton(HWND b)
{
    if (!b)
        return;
    WNDPROC old = (WNDPROC)SetWindowLongPtrA(b, GWLP_WNDPROC, (LONG_PTR)buttonSubclass);
    if (!buttonProc)
        buttonProc = old;
}

void toolbarLayout(int width)
{
    if (!Toolbar.row)
        return;
    TbRegistry reg = registryView();
    tbLoadOrder(&Toolbar.order, &reg, &ZeloIni);
    Toolbar.width = width;
    static TbPlace place[TB_MAXBUTTONS];
    int n = tbLayout(&Toolbar.order, width, place, TB_MAXBUTTONS);
    int k = 0;
    for (int i = 0; i < n; i++) {
        int id = Toolbar.order.ids[place[i].index];
        if (id == 0)
            continue;
        HWND b = k < Toolbar.buttons ? Toolbar.button[k] : NULL;
        if (b && GetDlgCtrlID(b) != id) {
            if (b == Toolbar.hover)
                Toolbar.hover = NULL;
            DestroyWindow(b);
            b = NULL;
        }
        if (!b)
            b = makeButton(id);
        if (!b)
            break;
        Toolbar.button[k++] = b;
        SetWindowPos(b, NULL, place[i].x, BUTTON_TOP, BUTTON_SIZE, BUTTON_SIZE,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    for (int i = k; i < Toolbar.buttons; i++) {
        if (Toolbar.button[i] == Toolbar.hover)
            Toolbar.hover = NULL;
        DestroyWindow(Toolbar.button[i]);
    }
    Toolbar.buttons = k;
    toolbarApplyStates();
}

void toolbarApplyStates(void)
{
    if (!Toolbar.hook.state)
        return;
    for (int i = 0; i < Toolbar.buttons; i++) {
        HWND b = Toolbar.button[i];
        int st = Toolbar.hook.state(GetDlgCtrlID(b));
        BOOL enable = !(st & TB_STATE_OFF);
        LONG_PTR was = GetWindowLongPtrA(b, GWLP_USERDATA);
        if ((was & TB_STATE_ON) != (st & TB_STATE_ON)) {
            SetWindowLongPtrA(b, GWLP_USERDATA, st & TB_STATE_ON);
            InvalidateRect(b, NULL, FALSE);
        }
        if (IsWindowEnabled(b) != enable)
            EnableWindow(b, enable);
    }
}

int toolbarSaveNow(void) { return Settings.saveMode != 0; }

/* The dialog (tbdialog.cpp) reaches the order list and its storage through these. */
void toolbarDialogSave(const TbOrder *o)
{
    TbRegistry reg = registryView();
    Toolbar.order = *o;
    tbSaveOrder(&Toolbar.order, &reg, &ZeloIni);
}

TbRegistry toolbarRegistry(void) { return registryView(); }
