/*
 * analysis_win.cpp - the "Analysis" window: the spectrum around the middle of the selection
 * (cyan the first channel, magenta the second) on a dB scale against frequency, the level
 * and frequency under the mouse, the dominant frequency, Scan (peak hold over the selection
 * behind the progress meter), Line View, its placement in zelo.ini [Position] and the
 * [Size] Analyzer flag read at start-up.
 *
 * Global state: Analysis.  While a scan runs (Analysis.scanning, the busy count raised) the
 * window refuses refreshes, a second Scan and closing, so the scan's result is what shows.
 */
#include "analysis/analysis.h"
#include "core/document.h"
#include "core/profile.h"
#include "plugins/progress.h"
#include "resources/resource.h"
#include "ui/frame.h"
#include "view/ruler.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

AnalysisState Analysis;

#define LABEL_GAP 4

/* ---- computing ---- */

static void compute(void)
{
    Analysis.channels = 1;
    Analysis.rate = 0;
    anSilent(&Analysis.ch[0]);
    anSilent(&Analysis.ch[1]);
    if (!Doc.storeOpen || !Analysis.work)
        return;
    Analysis.rate = Doc.sampleRate;
    Analysis.channels = Wave.channels == 2 ? 2 : 1;
    if (docFrames() == 0)
        return;
    uint32_t centre = docHasSelection() ? (uint32_t)(((uint64_t)Doc.selStart + Doc.selEnd) / 2) : Doc.selStart;
    for (int c = 0; c < Analysis.channels; c++)
        anAnalyse((int64_t)centre - AN_POINTS / 2, c, Analysis.rate, &Analysis.ch[c], Analysis.work);
}

static void showFrequency(HWND dlg)
{
    char text[96];
    if (Analysis.channels == 2)
        snprintf(text, sizeof text, "L=%7.5g Hz, R=%7.5g Hz", Analysis.ch[0].frequency, Analysis.ch[1].frequency);
    else
        snprintf(text, sizeof text, "%7.5g Hz", Analysis.ch[0].frequency);
    SetDlgItemTextA(dlg, IDC_AN_FREQ, text);
}

static void showCursor(HWND dlg, int x)
{
    const RECT &g = Analysis.graph;
    double f = anCursorFrequency(x, g.left, g.right, Analysis.rate);
    int k = anCursorBin(x, g.left, g.right);
    char text[96];
    if (Analysis.channels == 2)
        snprintf(text, sizeof text, "%6.6g Hz, L=%6.4g dB, R=%6.4g dB", f, Analysis.ch[0].db[k], Analysis.ch[1].db[k]);
    else
        snprintf(text, sizeof text, "%6.6g Hz, %6.4g dB", f, Analysis.ch[0].db[k]);
    SetDlgItemTextA(dlg, IDC_AN_CURSOR, text);
}

static void redrawGraph(HWND dlg)
{
    RECT r = Analysis.graph;
    InflateRect(&r, 40, 20);
    InvalidateRect(dlg, &r, TRUE);
}

static void refresh(HWND dlg)
{
    Analysis.refreshPosted = 0;
    if (Analysis.scanning)
        return;   /* the scan's picture stays until it is done */
    compute();
    showFrequency(dlg);
    redrawGraph(dlg);
}

static int scanStep(void *ctx, uint32_t done, uint32_t total)
{
    (void)ctx;
    return !progressMeter(done, total) || Progress.cancelled;
}

static void scan(HWND dlg)
{
    if (Analysis.scanning || frameBusy() || !Doc.storeOpen || docFrames() == 0 || !Analysis.work)
        return;
    Analysis.scanning = 1;
    frameBusyBegin();
    int channels = Wave.channels == 2 ? 2 : 1;
    for (int c = 0; c < channels; c++) {
        progressCreate(channels == 1 ? "Scanning..." : c == 0 ? "Scanning Left..." : "Scanning Right...", NULL);
        anScan(Doc.selStart, Doc.selEnd, c, &Analysis.ch[c], Analysis.work, scanStep, NULL);
        int cancelled = Progress.cancelled;
        progressDestroy();
        if (cancelled) {
            for (int k = c + 1; k < channels; k++)
                anSilent(&Analysis.ch[k]);
            break;
        }
    }
    Analysis.channels = channels;
    Analysis.rate = Doc.sampleRate;
    Analysis.scanning = 0;
    frameBusyEnd();
    /* The meter gave the activation back to the main window: the scan was asked for here. */
    SetWindowPos(dlg, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetActiveWindow(dlg);
    redrawGraph(dlg);
}

/* ---- layout ---- */

struct Anchor {
    int id;
    int moveX, moveY, growX, growY;
};
static const Anchor anchors[] = {
    {IDC_AN_GRAPH, 0, 0, 1, 1},     {IDC_AN_CURSORLBL, 0, 1, 0, 0}, {IDC_AN_CURSOR, 0, 1, 1, 0},
    {IDC_AN_FREQLBL, 0, 1, 0, 0},   {IDC_AN_FREQ, 0, 1, 1, 0},      {IDC_AN_LINEVIEW, 1, 1, 0, 0},
    {IDC_AN_SCAN, 0, 1, 0, 0},      {IDC_AN_FILTER, 0, 1, 0, 0},    {IDOK, 1, 1, 0, 0},
    {IDC_HELPBTN, 1, 1, 0, 0},
};
#define ANCHORS ((int)(sizeof anchors / sizeof anchors[0]))
static RECT anchorRect[ANCHORS];
static SIZE startClient;

static void rememberLayout(HWND dlg)
{
    RECT c;
    GetClientRect(dlg, &c);
    startClient.cx = c.right;
    startClient.cy = c.bottom;
    for (int i = 0; i < ANCHORS; i++) {
        HWND w = GetDlgItem(dlg, anchors[i].id);
        RECT r = {0, 0, 0, 0};
        if (w) {
            GetWindowRect(w, &r);
            MapWindowPoints(NULL, dlg, (POINT *)&r, 2);
        }
        anchorRect[i] = r;
    }
}

/* The graph frame inside control 308's place: room on the left for the dB labels, below for
   the frequency labels and on the right for the "Hz" box. */
static void placeGraph(HWND dlg, const RECT &frame)
{
    HDC dc = GetDC(dlg);
    HGDIOBJ old = SelectObject(dc, Analysis.font ? (HGDIOBJ)Analysis.font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE db, hz;
    GetTextExtentPoint32A(dc, "-100 ", 5, &db);
    GetTextExtentPoint32A(dc, " Hz ", 4, &hz);
    SelectObject(dc, old);
    ReleaseDC(dlg, dc);
    /* Below: the frequency labels, and at the left end "dB" under the -100 label. */
    RECT g = {frame.left + db.cx + LABEL_GAP, frame.top + db.cy / 2, frame.right - hz.cx - 6,
              frame.bottom - db.cy * 3 / 2 - LABEL_GAP};
    if (g.right < g.left + 40)
        g.right = g.left + 40;
    if (g.bottom < g.top + 30)
        g.bottom = g.top + 30;
    Analysis.graph = g;
}

static void layout(HWND dlg)
{
    RECT c;
    GetClientRect(dlg, &c);
    int dx = c.right - startClient.cx, dy = c.bottom - startClient.cy;
    for (int i = 0; i < ANCHORS; i++) {
        const Anchor &a = anchors[i];
        RECT r = anchorRect[i];
        OffsetRect(&r, a.moveX ? dx : 0, a.moveY ? dy : 0);
        r.right += a.growX ? dx : 0;
        r.bottom += a.growY ? dy : 0;
        HWND w = GetDlgItem(dlg, a.id);
        if (a.id == IDC_AN_GRAPH) {
            /* The hidden frame control keeps the graph's rectangle, where a reader finds it. */
            placeGraph(dlg, r);
            const RECT &g = Analysis.graph;
            if (w)
                MoveWindow(w, g.left, g.top, g.right - g.left, g.bottom - g.top, FALSE);
        } else if (w)
            MoveWindow(w, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    }
    InvalidateRect(dlg, NULL, TRUE);
}

/* ---- drawing ---- */

static void drawDbAxis(HDC dc, const RECT &g)
{
    int step = (g.bottom - g.top) >= 200 ? 10 : (g.bottom - g.top) >= 90 ? 20 : 50;
    for (int v = 0; v <= 100; v += step) {
        int y = anLevelY(g.top, g.bottom, -v);
        MoveToEx(dc, g.left - 3, y, NULL);
        LineTo(dc, g.left, y);
        char t[8];
        snprintf(t, sizeof t, "%d", -v);
        SIZE s;
        GetTextExtentPoint32A(dc, t, (int)strlen(t), &s);
        TextOutA(dc, g.left - 4 - s.cx, y - s.cy / 2, t, (int)strlen(t));
    }
    SIZE s;
    GetTextExtentPoint32A(dc, "dB", 2, &s);
    TextOutA(dc, g.left - 4 - s.cx, g.bottom - 1 + s.cy / 2, "dB", 2);
}

static void drawHzAxis(HDC dc, const RECT &g)
{
    if (!Analysis.rate)
        return;
    RulerParams p;
    memset(&p, 0, sizeof p);
    p.flags = 0;
    p.first = 0;
    p.last = Analysis.rate / 2.0;
    p.maxLabels = (g.right - g.left) / 50 + 1;
    p.rate = Analysis.rate;
    SIZE hz;
    GetTextExtentPoint32A(dc, " Hz", 3, &hz);
    /* The ruler maps values to its strip from 2 pixels in; the unit box sits past the end. */
    RECT strip = {g.left - 2, g.bottom + 1, g.right + 2 + hz.cx + 6, g.bottom + 1 + hz.cy + 2};
    p.width = strip.right - strip.left;
    rulerDraw(dc, &p, &strip, "Hz");
}

static void drawSpectrum(HDC dc, const RECT &g, const AnChannel &c, COLORREF colour)
{
    int width = g.right - g.left;
    if (Analysis.lineView) {
        static POINT pts[AN_BINS];
        for (int k = 1; k < AN_BINS; k++) {
            pts[k - 1].x = anBinX(g.left, width, k);
            pts[k - 1].y = anLevelY(g.top, g.bottom, c.db[k]);
        }
        HPEN pen = CreatePen(PS_SOLID, 1, colour);
        HGDIOBJ old = SelectObject(dc, pen);
        Polyline(dc, pts, AN_BINS - 1);
        SelectObject(dc, old);
        DeleteObject(pen);
    } else {
        for (int k = 1; k < AN_BINS; k++)
            SetPixel(dc, anBinX(g.left, width, k), anLevelY(g.top, g.bottom, c.db[k]), colour);
    }
}

static void paint(HWND dlg)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    const RECT &g = Analysis.graph;
    HPEN grey = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ oldPen = SelectObject(dc, grey);
    HGDIOBJ oldFont = SelectObject(dc, Analysis.font ? (HGDIOBJ)Analysis.font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    drawDbAxis(dc, g);
    drawHzAxis(dc, g);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, g.left, g.top, g.right, g.bottom);
    SelectObject(dc, oldBrush);
    RECT inner = {g.left + 1, g.top + 1, g.right - 1, g.bottom - 1};
    HRGN clip = CreateRectRgnIndirect(&inner);
    SelectClipRgn(dc, clip);
    int ec = Wave.editChannel;
    if (Analysis.channels == 2) {
        if (ec == 0 || ec == 1)
            drawSpectrum(dc, g, Analysis.ch[0], RGB(0, 255, 255));
        if (ec == 0 || ec == 2)
            drawSpectrum(dc, g, Analysis.ch[1], RGB(255, 0, 255));
    } else {
        drawSpectrum(dc, g, Analysis.ch[0], RGB(0, 255, 255));
    }
    SelectClipRgn(dc, NULL);
    DeleteObject(clip);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    DeleteObject(grey);
    EndPaint(dlg, &ps);
}

/* ---- the window ---- */

static void setTitle(HWND dlg, const char *mainTitle)
{
    char own[64], title[400];
    frameString(IDS_TITLE_ANALYSIS, own, sizeof own);
    if (!own[0])
        strcpy(own, "Analysis");
    if (Doc.name[0] && mainTitle)
        docChildTitle(own, mainTitle, title, sizeof title);
    else
        snprintf(title, sizeof title, "%s", own);
    SetWindowTextA(dlg, title);
}

static void place(HWND dlg)
{
    RECT r;
    GetWindowRect(dlg, &r);
    Analysis.minTrack.x = r.right - r.left;
    Analysis.minTrack.y = r.bottom - r.top;
    int x = (int)profileGetInt("Position", "AnalyzeX", 310);
    int y = (int)profileGetInt("Position", "AnalyzeY", 234);
    int w = (int)profileGetInt("Position", "AnalyzeW", r.right - r.left);
    int h = (int)profileGetInt("Position", "AnalyzeH", r.bottom - r.top);
    if (w < Analysis.minTrack.x / 2)
        w = Analysis.minTrack.x / 2;
    if (h < Analysis.minTrack.y / 2)
        h = Analysis.minTrack.y / 2;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (x > sw - 30)
        x = sw - 30;
    if (y > sh - 30)
        y = sh - 30;
    if (x + w < 30)
        x = 30 - w;
    if (y < 0)
        y = 0;
    MoveWindow(dlg, x, y, w, h, TRUE);
}

static void savePlacement(HWND dlg)
{
    RECT r;
    if (!GetWindowRect(dlg, &r) || IsIconic(dlg))
        return;
    profileSetInt("Position", "AnalyzeX", r.left);
    profileSetInt("Position", "AnalyzeY", r.top);
    profileSetInt("Position", "AnalyzeW", r.right - r.left);
    profileSetInt("Position", "AnalyzeH", r.bottom - r.top);
    profileSetInt("Position", "AnalyzeNormal", Analysis.lineView);
}

static void initDialog(HWND dlg)
{
    Analysis.wnd = dlg;
    Analysis.font = CreateFontA(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    ShowWindow(GetDlgItem(dlg, IDC_AN_GRAPH), SW_HIDE);   /* the graph is drawn in its place */
    ShowWindow(GetDlgItem(dlg, IDC_AN_FILTER), SW_HIDE);
    rememberLayout(dlg);
    Analysis.lineView = profileGetInt("Position", "AnalyzeNormal", 1) != 0;
    CheckDlgButton(dlg, IDC_AN_LINEVIEW, Analysis.lineView ? BST_CHECKED : BST_UNCHECKED);
    char mainTitle[400] = "";
    if (Frame.main)
        GetWindowTextA(Frame.main, mainTitle, sizeof mainTitle);
    setTitle(dlg, mainTitle);
    place(dlg);
    layout(dlg);
    compute();
    showFrequency(dlg);
    SetDlgItemTextA(dlg, IDC_AN_CURSOR, "");
}

static void closeWindow(HWND dlg)
{
    if (Analysis.scanning)
        return;
    DestroyWindow(dlg);
}

static void destroyed(HWND dlg)
{
    savePlacement(dlg);
    if (Analysis.font)
        DeleteObject(Analysis.font);
    Analysis.font = NULL;
    Analysis.wnd = NULL;
    Analysis.refreshPosted = 0;
    free(Analysis.work);
    Analysis.work = NULL;
    frameRefreshCommands();   /* Frequency Analysis can be chosen again */
}

static void mouseMove(HWND dlg, int x, int y)
{
    const RECT &g = Analysis.graph;
    if (x >= g.left && x < g.right && y >= g.top && y < g.bottom)
        showCursor(dlg, x);
}

static void command(HWND dlg, int id)
{
    switch (id) {
    case IDOK: case IDCANCEL:   closeWindow(dlg); break;
    case IDM_ANALYSIS_REFRESH:  refresh(dlg); break;
    case IDC_AN_SCAN:           scan(dlg); break;
    case IDC_AN_LINEVIEW:
        Analysis.lineView = IsDlgButtonChecked(dlg, IDC_AN_LINEVIEW) == BST_CHECKED;
        redrawGraph(dlg);
        break;
    default: break;
    }
}

static INT_PTR CALLBACK ANALYSISMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        closeWindow(dlg);
        return TRUE;
    }
    if (frameDialogTail(dlg, msg, wParam, "Frequency Analysis"))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG: initDialog(dlg); return TRUE;
    case WM_SIZE:       if (wParam != SIZE_MINIMIZED) layout(dlg); return TRUE;
    case WM_PAINT:      paint(dlg); return TRUE;
    case WM_MOUSEMOVE:  mouseMove(dlg, (short)LOWORD(lParam), (short)HIWORD(lParam)); return TRUE;
    case WM_COMMAND:    command(dlg, LOWORD(wParam)); return TRUE;
    case WM_GETMINMAXINFO:
        ((MINMAXINFO *)lParam)->ptMinTrackSize.x = Analysis.minTrack.x / 2;
        ((MINMAXINFO *)lParam)->ptMinTrackSize.y = Analysis.minTrack.y / 2;
        return TRUE;
    case WM_DESTROY:    destroyed(dlg); return TRUE;
    default:            return FALSE;
    }
}

/* ---- interface ---- */

void analysisOpen(void)
{
    if (Analysis.wnd) {
        SetActiveWindow(Analysis.wnd);
        return;
    }
    Analysis.work = (AnWork *)malloc(sizeof(AnWork));
    HWND w = CreateDialogParamA(Frame.instance, MAKEINTRESOURCEA(IDD_ANALYSIS), Frame.main, ANALYSISMsgProc, 0);
    if (!w) {
        free(Analysis.work);
        Analysis.work = NULL;
        Analysis.wnd = NULL;
        return;
    }
    ShowWindow(w, SW_SHOWNOACTIVATE);
    frameRefreshCommands();
}

int analysisIsOpen(void) { return Analysis.wnd != NULL; }

void analysisRefresh(void)
{
    if (!Analysis.wnd || Analysis.refreshPosted)
        return;
    Analysis.refreshPosted = 1;
    PostMessageA(Analysis.wnd, WM_COMMAND, IDM_ANALYSIS_REFRESH, 0);
}

void analysisTitle(const char *mainTitle)
{
    if (Analysis.wnd)
        setTitle(Analysis.wnd, mainTitle);
}

void analysisShutdown(void)
{
    if (Analysis.wnd)
        DestroyWindow(Analysis.wnd);
}
