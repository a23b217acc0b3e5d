/*
 * graph.cpp - the envelope graph control's services for transform modules (graph.h): the
 * drawing, the mouse, the status line and the "Edit Point" dialog (IDD_EDITPOINT) over the
 * window-free graphs of graphcore.cpp.
 *
 * Writes Graphs (the graphs and the one drag in the process).  A change made with the mouse
 * is drawn at once into the dialog: the lines and boxes around the point are first drawn in
 * the background hue where they were, then where they are now, so the module need not
 * repaint the whole control while a point moves.
 */
#include "plugins/graph.h"
#include "plugins/graphcore.h"
#include "ui/frame.h"
#include "resources/resource.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HCURSOR pointCursor(void)
{
    static HCURSOR cursor;
    if (!cursor)
        cursor = LoadCursor(NULL, IDC_SIZEALL);
    return cursor;
}

/* ---- drawing ------------------------------------------------------------------------- */

static POINT centre(const GraphData *g, int i)
{
    POINT p = {(g->boxes[i].left + g->boxes[i].right) / 2, (g->boxes[i].top + g->boxes[i].bottom) / 2};
    return p;
}

static void fillBox(HDC dc, const GraphRect &b, HBRUSH brush)
{
    RECT r = {b.left, b.top, b.right + 1, b.bottom + 1};
    FillRect(dc, &r, brush);
}

/* Segments and boxes of points lo..hi, in the background hue or in the normal hues. */
static void drawPoints(HDC dc, const GraphData *g, int lo, int hi, int shadow)
{
    int n = g->count < 0 ? 0 : g->count > GRAPH_MAXPOINTS ? GRAPH_MAXPOINTS : g->count;
    if (lo < 0)
        lo = 0;
    if (hi > n - 1)
        hi = n - 1;
    if (lo > hi)
        return;
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(shadow ? COLOR_BTNSHADOW : COLOR_HIGHLIGHT));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    POINT p = centre(g, lo);
    MoveToEx(dc, p.x, p.y, NULL);
    for (int i = lo + 1; i <= hi; i++) {
        p = centre(g, i);
        LineTo(dc, p.x, p.y);
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    HBRUSH brush = GetSysColorBrush(shadow ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
    for (int i = lo; i <= hi; i++)
        fillBox(dc, g->boxes[i], brush);
}

static void drawGraph(HDC dc, const GraphData *g)
{
    RECT outer = {g->outer.left, g->outer.top, g->outer.right, g->outer.bottom};
    FillRect(dc, &outer, GetSysColorBrush(COLOR_BTNSHADOW));
    const GraphRect &in = g->inner;
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, in.left - 4, in.bottom + 3, NULL);
    LineTo(dc, in.left - 4, in.top - 4);
    LineTo(dc, in.right + 3, in.top - 4);
    HPEN face = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
    SelectObject(dc, face);
    LineTo(dc, in.right + 3, in.bottom + 3);
    LineTo(dc, in.left - 4, in.bottom + 3);
    SelectObject(dc, oldPen);
    DeleteObject(face);
    drawPoints(dc, g, 0, GRAPH_MAXPOINTS, 0);
}

/* Before a change: the old lines and boxes around point i go. */
static void eraseAround(const GraphData *g, int i)
{
    if (!g->dialog)
        return;
    HDC dc = GetDC((HWND)g->dialog);
    drawPoints(dc, g, i - 2, i + 2, 1);
    ReleaseDC((HWND)g->dialog, dc);
}

/* After it: the new ones are drawn. */
static void repaintAround(const GraphData *g, int i)
{
    if (!g->dialog)
        return;
    HDC dc = GetDC((HWND)g->dialog);
    drawPoints(dc, g, i - 2, i + 2, 1);
    drawPoints(dc, g, i - 2, i + 2, 0);
    ReleaseDC((HWND)g->dialog, dc);
}

static void invalidate(const GraphData *g)
{
    if (g->dialog && IsWindow((HWND)g->dialog)) {
        RECT r = {g->outer.left, g->outer.top, g->outer.right, g->outer.bottom};
        InvalidateRect((HWND)g->dialog, &r, FALSE);
    }
}

/* ---- status line --------------------------------------------------------------------- */

static void showStatus(const GraphData *g, long x, long y)
{
    if (!g->label)
        return;
    char text[96];
    graphStatusText(g, x, y, text, sizeof text);
    SetWindowTextA((HWND)g->label, text);
}

static void clearStatus(const GraphData *g)
{
    if (g->label)
        SetWindowTextA((HWND)g->label, "");
}

/* ---- the drag -------------------------------------------------------------------------- */

static void endDrag(void)
{
    if (Graphs.captured) {
        Graphs.captured = 0;
        ReleaseCapture();
    }
    Graphs.dragIndex = GRAPH_NODRAG;
    Graphs.dragGraph = -1;
}

static int dragging(short id)
{
    return Graphs.dragIndex != GRAPH_NODRAG && Graphs.dragGraph == id;
}

static void grab(short id, GraphData *g, int i)
{
    Graphs.dragIndex = (uint16_t)i;
    Graphs.dragGraph = id;
    if (g->dialog) {
        SetCapture((HWND)g->dialog);
        Graphs.captured = 1;
    }
}

/* ---- Edit Point ------------------------------------------------------------------------- */

struct EditPointRecord {
    const GraphData *graph;
    double x, y;      /* display values, in and out */
};

static int readNumber(HWND dlg, int id, double *v)
{
    char text[64];
    GetDlgItemTextA(dlg, id, text, sizeof text);
    char *end;
    double d = strtod(text, &end);
    while (*end == ' ' || *end == '\t')
        end++;
    if (end == text || *end)
        return 0;
    *v = d;
    return 1;
}

static void editPointInit(HWND dlg, EditPointRecord *rec)
{
    SetWindowLongPtrA(dlg, DWLP_USER, (LONG_PTR)rec);
    frameCentre(dlg, GetParent(dlg));
    const GraphData *g = rec->graph;
    char text[64];
    SetDlgItemTextA(dlg, IDC_EP_XTITLE, g->xTitle);
    SetDlgItemTextA(dlg, IDC_EP_YTITLE, g->yTitle);
    snprintf(text, sizeof text, "%.*s", (int)sizeof g->xUnit, g->xUnit);
    SetDlgItemTextA(dlg, IDC_EP_XUNITS, text);
    snprintf(text, sizeof text, "%.*s", (int)sizeof g->yUnit, g->yUnit);
    SetDlgItemTextA(dlg, IDC_EP_YUNITS, text);
    snprintf(text, sizeof text, "%g", rec->x);
    SetDlgItemTextA(dlg, IDC_EP_X, text);
    snprintf(text, sizeof text, "%g", rec->y);
    SetDlgItemTextA(dlg, IDC_EP_Y, text);
}

/* A value that is not a number keeps the dialog open on that field. */
static void editPointOk(HWND dlg)
{
    EditPointRecord *rec = (EditPointRecord *)GetWindowLongPtrA(dlg, DWLP_USER);
    double x, y;
    int bad = !readNumber(dlg, IDC_EP_X, &x) ? IDC_EP_X : !readNumber(dlg, IDC_EP_Y, &y) ? IDC_EP_Y : 0;
    if (bad) {
        MessageBeep(0);
        SetFocus(GetDlgItem(dlg, bad));
        SendDlgItemMessageA(dlg, bad, EM_SETSEL, 0, -1);
        return;
    }
    rec->x = x;
    rec->y = y;
    EndDialog(dlg, IDOK);
}

static INT_PTR CALLBACK EDITPOINTMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        editPointInit(dlg, (EditPointRecord *)lParam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:     editPointOk(dlg); return TRUE;
        case IDCANCEL: EndDialog(dlg, IDCANCEL); return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

/* ---- the services ------------------------------------------------------------------------ */

extern "C" {

short WINAPI graphapiCreate(short xMin, short xMax, short yMin, short yMax, short y0, short y1)
{
    return (short)graphNew(xMin, xMax, yMin, yMax, y0, y1);
}

void WINAPI graphapiSetDialog(short id, HWND dlg, short ctlId, short labelId)
{
    GraphData *g = graphFind(id);
    if (!g)
        return;
    g->dialog = dlg;
    g->label = labelId ? GetDlgItem(dlg, labelId) : NULL;
    GraphRect outer = {0, 0, 0, 0};
    HWND ctl = GetDlgItem(dlg, ctlId);
    if (ctl) {
        RECT r;
        GetWindowRect(ctl, &r);
        MapWindowPoints(NULL, dlg, (POINT *)&r, 2);
        outer = GraphRect{r.left, r.top, r.right, r.bottom};
    }
    if (g->label) {
        HFONT font = (HFONT)SendMessageA(dlg, WM_GETFONT, 0, 0);
        if (font)
            SendMessageA((HWND)g->label, WM_SETFONT, (WPARAM)font, TRUE);
    }
    graphSetArea(g, outer);
}

void WINAPI graphapiDestroy(short id)
{
    if (dragging(id))
        endDrag();
    graphFree(id);
}

void WINAPI graphapiDraw(short id, HDC dc)
{
    const GraphData *g = graphFind(id);
    if (g && dc)
        drawGraph(dc, g);
}

short WINAPI graphapiWM_LBUTTONDOWN(short id, short x, short y)
{
    GraphData *g = graphFind(id);
    if (!g)
        return -1;
    endDrag();
    if (!graphInRect(&g->inner, x, y, 2))
        return -1;
    int i = graphHitBox(g, x, y);
    if (i < 0) {
        GraphData before = *g;
        i = graphAddAt(g, x, y);
        if (i == GRAPH_ADD_REFUSED)
            MessageBeep(0);
        if (i < 0)
            return -1;
        eraseAround(&before, i);
        repaintAround(g, i);
    }
    grab(id, g, i);
    SetCursor(pointCursor());
    showStatus(g, g->points[i].x, g->points[i].y);
    return (short)i;
}

short WINAPI graphapiWM_MOUSEMOVE(short id, short x, short y)
{
    GraphData *g = graphFind(id);
    if (!g)
        return -1;
    if (!dragging(id)) {
        int i = graphHitBox(g, x, y);
        if (i >= 0)
            SetCursor(pointCursor());
        if (graphInRect(&g->inner, x, y, 0)) {
            long vx, vy;
            graphFromMouse(g, x, y, &vx, &vy);
            showStatus(g, vx, vy);
        } else {
            clearStatus(g);
        }
        return (short)i;
    }
    int d = Graphs.dragIndex;
    eraseAround(g, d);
    if (graphDragTo(g, d, x, y) == 0) {
        endDrag();
        repaintAround(g, d - 1);
        clearStatus(g);
        return -1;
    }
    SetCursor(pointCursor());
    repaintAround(g, d);
    showStatus(g, g->points[d].x, g->points[d].y);
    return (short)d;
}

short WINAPI graphapiWM_LBUTTONUP(short id, short x, short y)
{
    int was = dragging(id) ? Graphs.dragIndex : -1;
    if (Graphs.dragGraph == id || Graphs.dragGraph < 0)
        endDrag();
    return (short)was;
}

short WINAPI graphapiWM_LBUTTONDBLCLK(short id, short x, short y)
{
    GraphData *g = graphFind(id);
    if (!g)
        return -1;
    int i = graphHitBox(g, x, y);
    if (i < 0)
        return -1;
    endDrag();
    EditPointRecord rec = {g, graphToDisplay(g, 0, g->points[i].x), graphToDisplay(g, 1, g->points[i].y)};
    HINSTANCE inst = Frame.instance ? Frame.instance : GetModuleHandleA(NULL);
    if (DialogBoxParamA(inst, MAKEINTRESOURCEA(IDD_EDITPOINT), (HWND)g->dialog, EDITPOINTMsgProc,
                        (LPARAM)&rec) != IDOK)
        return (short)i;
    g = graphFind(id);            /* the module could have destroyed it meanwhile */
    if (!g || i >= g->count)
        return -1;
    eraseAround(g, i);
    graphEditPoint(g, i, graphFromDisplay(g, 0, rec.x), graphFromDisplay(g, 1, rec.y));
    repaintAround(g, i);
    return (short)i;
}

short WINAPI graphapiCount(short id)
{
    const GraphData *g = graphFind(id);
    return g ? g->count : 0;
}

void WINAPI graphapiGetPoint(short id, short index, POINT *dest)
{
    if (!dest)
        return;
    const GraphData *g = graphFind(id);
    dest->x = dest->y = 0;
    if (g && index >= 0 && index < GRAPH_MAXPOINTS) {
        dest->x = g->points[index].x;
        dest->y = g->points[index].y;
    }
}

void WINAPI graphapiSetPoint(short id, short index, long x, long y, short setCount)
{
    GraphData *g = graphFind(id);
    if (g)
        graphSetPointAt(g, index, x, y, setCount);
}

void WINAPI graphapiGetValueAt(short id, double p, double *dest)
{
    if (!dest)
        return;
    const GraphData *g = graphFind(id);
    *dest = g ? graphValueAt(g, p) : 0.0;
}

void WINAPI graphapiClear(short id)
{
    GraphData *g = graphFind(id);
    if (!g)
        return;
    graphClear(g);
    invalidate(g);
}

short WINAPI graphapiInverse(short id)
{
    GraphData *g = graphFind(id);
    if (!g)
        return 0;
    switch (graphInverse(g)) {
    case GRAPH_BAD_ENDPOINTS:
        frameMessageFrom((HWND)g->dialog, "Endpoints must be at -100,-100 and 0,0", "Cannot Invert",
                         MB_OK | MB_ICONINFORMATION);
        return 0;
    case GRAPH_NOT_RISING:
        frameMessageFrom((HWND)g->dialog, "Current graph is not invertable\n", "Cannot Invert",
                         MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    invalidate(g);
    return 1;
}

void WINAPI graphapiSetDblClkScales(short id, double xScale, double xOffset, unsigned short xRound,
                                    double yScale, double yOffset, unsigned short yRound,
                                    unsigned short dbMode)
{
    GraphData *g = graphFind(id);
    if (!g)
        return;
    g->xScale = xScale;
    g->xOffset = xOffset;
    g->xRound = xRound;
    g->yScale = yScale;
    g->yOffset = yOffset;
    g->yRound = yRound;
    g->dbMode = dbMode;
}

static void copyText(char *dst, size_t size, LPCSTR src)
{
    snprintf(dst, size, "%s", src ? src : "");
}

void WINAPI graphapiSetDblClkNames(short id, LPCSTR xTitle, LPCSTR xUnit, LPCSTR yTitle, LPCSTR yUnit)
{
    GraphData *g = graphFind(id);
    if (!g)
        return;
    copyText(g->xTitle, sizeof g->xTitle, xTitle);
    copyText(g->xUnit, sizeof g->xUnit, xUnit);
    copyText(g->yTitle, sizeof g->yTitle, yTitle);
    copyText(g->yUnit, sizeof g->yUnit, yUnit);
}

void WINAPI graphapiCopyGraph(short dst, short src)
{
    graphCopy(dst, src);
}

} // extern "C"

short DuplicateGraph(short id)
{
    return (short)graphDuplicate(id);
}

void FitGraphPoints(short id)
{
    GraphData *g = graphFind(id);
    if (g)
        graphFit(g);
}
