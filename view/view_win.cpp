/*
 * view_win.cpp - the waveform view in the main window: the paint handler (column strokes from
 * the PeakColumnCache, recomputing dirty columns while pumping messages), the time ruler, the
 * viewing-range bar and zoom buttons, the selection highlight (inverted pixels), the mouse,
 * the view's commands, the status fields and the Viewing Range dialog.  In the spectral view
 * the same dirty columns and interruptions drive the spectral picture (sonogram_win.cpp).
 *
 * Global state: ViewGdi (drawing objects, paint flags); writes Doc's selection and view,
 * Wave.editChannel, View and PeakColumnCache.  The highlight on screen is always the XOR of
 * View.selRect while Doc.selectionShown is non-zero: every change inverts only the difference.
 */
#include "view/view.h"
#include "view/peaks.h"
#include "view/ruler.h"
#include "view/select.h"
#include "view/sonogram.h"
#include "view/timefmt.h"
#include "core/document.h"
#include "core/settings.h"
#include "ui/frame.h"
#include "ui/helpview.h"
#include "formats/fio.h"
#include "resources/resource.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define RULER_GAP   15   /* the ruler strip below the area */
#define BAR_TOP     17   /* the range bar's top below the area */
#define BAR_HEIGHT  6

struct ViewGdiState {
    HPEN     framePen, lightPen, wavePen, redPen, bluePen, yellowPen;
    HBRUSH   background, waveBrush, redBrush;
    COLORREF waveColor;          /* the colour the wave pen was made with */
    int      inPump;             /* the paint is dispatching a message */
    int      updating;           /* an interrupted paint is being redone at once */
    int      shutdownPending;    /* viewShutdown came during a paint's pump */
    int      initialised;
    unsigned pictures;           /* recomputations that ran to the end */
    ViewRect lastArea;           /* the area at the last paint (a change dirties everything) */
};
ViewGdiState ViewGdi;

static void statusFields(int skipFormat, int menuUpdate);

/* ---- layout and small helpers ---- */

/* The area, ruler strip and range bar inside the rectangle the shell gives the view. */
static void syncArea(void)
{
    const RECT &w = Frame.waveArea;
    ViewRect a = {w.left + 3, w.top + 2, w.right - 3, w.bottom - (BAR_TOP + BAR_HEIGHT + 3)};
    if (a.right < a.left + 1)
        a.right = a.left + 1;
    if (a.bottom < a.top + 8)
        a.bottom = a.top + 8;
    if (a.right - a.left > PeakColumnCache.capacity && PeakColumnCache.capacity > 0)
        a.right = a.left + PeakColumnCache.capacity;
    View.area = a;
    View.bar = {a.left, a.bottom + BAR_TOP, a.right, a.bottom + BAR_TOP + BAR_HEIGHT};
    if (memcmp(&a, &ViewGdi.lastArea, sizeof a) != 0) {
        ViewGdi.lastArea = a;
        peakCacheDirty(0, a.right - a.left);
        View.rulerValid = 0;
        SelectionRect(&View.selRect);
    }
}

static RECT rc(const ViewRect &r)
{
    RECT x = {r.left, r.top, r.right, r.bottom};
    return x;
}

static int haveData(void) { return Doc.storeOpen && docFrames() > 0; }

static void invertRect(HDC dc, const ViewRect &r)
{
    if (r.right > r.left && r.bottom > r.top) {
        RECT x = rc(r);
        InvertRect(dc, &x);
    }
}

/* Inverts columns between x1 and x2 (either order) over the highlight's height. */
static void invertStripe(HDC dc, int x1, int x2, const ViewRect &r)
{
    ViewRect s = {x1 < x2 ? x1 : x2, r.top, x1 < x2 ? x2 : x1, r.bottom};
    invertRect(dc, s);
}

static void makeWavePen(void)
{
    if (ViewGdi.wavePen)
        DeleteObject(ViewGdi.wavePen);
    if (ViewGdi.waveBrush)
        DeleteObject(ViewGdi.waveBrush);
    ViewGdi.waveColor = (COLORREF)Settings.waveformColor;
    ViewGdi.wavePen = CreatePen(PS_SOLID, 1, ViewGdi.waveColor);
    ViewGdi.waveBrush = CreateSolidBrush(ViewGdi.waveColor);
}

/* ---- interface ---- */

void viewInit(void)
{
    if (!ViewGdi.initialised) {
        ViewGdi.framePen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
        ViewGdi.lightPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
        ViewGdi.background = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
        ViewGdi.redPen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
        ViewGdi.bluePen = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
        ViewGdi.yellowPen = CreatePen(PS_SOLID, 1, RGB(255, 255, 0));
        ViewGdi.redBrush = CreateSolidBrush(RGB(255, 0, 0));
        makeWavePen();
        int width = GetSystemMetrics(SM_CXSCREEN);
        peakCacheCreate(width > 0 ? width : 1024);
        ViewGdi.initialised = 1;
    }
    View.anchorFrame = DOC_NONE;
}

static void freeGdi(void)
{
    HGDIOBJ objs[] = {ViewGdi.framePen, ViewGdi.lightPen, ViewGdi.wavePen, ViewGdi.redPen,
                      ViewGdi.bluePen, ViewGdi.yellowPen, ViewGdi.background, ViewGdi.waveBrush,
                      ViewGdi.redBrush};
    if (Frame.main)
        RemovePropA(Frame.main, "ZeloViewPictures");
    for (HGDIOBJ o : objs)
        if (o)
            DeleteObject(o);
    peakCacheFree();
    peakSummaryFree();
    spectralShutdown();
    memset(&ViewGdi, 0, sizeof ViewGdi);
}

void viewShutdown(void)
{
    if (PeakColumnCache.computing) {
        ViewGdi.shutdownPending = 1;   /* the paint below us still uses the cache */
        return;
    }
    freeGdi();
}

void viewReset(void)
{
    uint32_t frames = docFrames();
    if (PeakSummary.present && (PeakSummary.frames != frames || PeakSummary.filled != frames ||
                                PeakSummary.channels != Wave.channels || PeakSummary.bits != Wave.bitsPerSample))
        peakSummaryFree();
    Doc.viewStart = 0;
    Doc.viewEnd = frames ? frames - 1 : DOC_NONE;
    Doc.selStart = 0;
    Doc.selEnd = DOC_NONE;
    Doc.selectionShown = 0;
    if (Frame.main)
        syncArea();
    NormalizeView();
    SelectionRect(&View.selRect);
    View.rulerValid = 0;
    if (PeakColumnCache.computing)
        PeakColumnCache.interrupted = 1;
    peakCacheDirty(0, View.area.right - View.area.left);
    if (Frame.main) {
        InvalidateRect(Frame.main, NULL, FALSE);
        statusFields(0, 1);
    }
    viewAnalysisRefresh();
    if (ViewHook.musicNotify)
        ViewHook.musicNotify(0);   /* a new wave: no selection */
}

void viewModified(void)
{
    peakSummaryFree();
    viewAnalysisRefresh();
}

ViewHooks ViewHook;

void viewAnalysisRefresh(void)
{
    if (ViewHook.analysisRefresh)
        ViewHook.analysisRefresh();
}

/* The rectangle form: columns from rect left to rect right are dirty; redrawn at once. */
static void invalidateColumns(int left, int right)
{
    if (!Frame.main)
        return;
    syncArea();
    int first = left - View.area.left, last = right - View.area.left;
    if (first < 0)
        first = 0;
    if (last < first)
        return;
    if (PeakColumnCache.computing)
        PeakColumnCache.interrupted = 1;   /* the picture being computed is out of date */
    peakCacheDirty(first, last);
    RECT r = {View.area.left + first - 1, View.area.top, View.area.left + last + 1, View.area.bottom + 1};
    InvalidateRect(Frame.main, &r, FALSE);
    UpdateWindow(Frame.main);
}

/* Column of a frame under the paint's column mapping (may lie outside 0..W-1). */
static int64_t frameColumn(uint32_t frame)
{
    int w = viewColumns();
    double s = (double)Doc.viewEnd - Doc.viewStart;
    if (Doc.viewEnd == DOC_NONE || s < w)
        s = w;
    return (int64_t)(((double)frame - Doc.viewStart) * w / s);
}

void InvalidateWaveRange(uint32_t first, uint32_t last)
{
    if (!Frame.main)
        return;
    viewAnalysisRefresh();   /* the frames may have changed under the analysis window */
    syncArea();
    int w = viewColumns();
    int64_t c1 = frameColumn(first) - 1;
    int64_t c2 = last == DOC_NONE ? w : frameColumn(last) + 1;   /* Lines joins the next column */
    if (c2 < 0 || c1 > w)
        return;
    if (c1 < 0) c1 = 0;
    if (c2 > w) c2 = w;
    invalidateColumns(View.area.left + (int)c1, View.area.left + (int)c2);
}

int viewFrameToX(uint32_t frame)
{
    if (!haveData() || frame < Doc.viewStart || frame > Doc.viewEnd)
        return -1;
    int w = viewColumns();
    double vs = Doc.viewStart, e = Doc.viewEnd;
    if (e - vs + 1 < w)
        e = vs + w;
    double x = (((double)frame - vs + 1) * w - 1) / (e - vs + 1);
    return View.area.left + (int)x;
}

void viewSettingsChanged(void)
{
    if (!ViewGdi.initialised)
        return;
    makeWavePen();
    if (SpectralView.palette || SpectralPalette.built)
        MakeSpectralPalette();   /* rebuilt from the colours as they are now */
    if (Frame.main && haveData()) {
        syncArea();
        invalidateColumns(View.area.left, View.area.right);
    }
}

/* ---- status fields ---- */

static void setText(HWND w, const char *text)
{
    char old[96];
    if (!w)
        return;
    if (GetWindowTextA(w, old, sizeof old) >= 0 && strcmp(old, text) == 0)
        return;
    SetWindowTextA(w, text);
}

static void checkTimeMenu(void)
{
    HMENU m = Frame.main ? GetMenu(Frame.main) : NULL;
    if (!m)
        return;
    static const int ids[4] = {IDM_TIME_DECIMAL, IDM_TIME_SAMPLES, IDM_TIME_FRAMES, IDM_TIME_SMPTE};
    for (int i = 0; i < 4; i++)
        CheckMenuItem(m, (UINT)ids[i], MF_BYCOMMAND | (Settings.loTimeMode == i ? MF_CHECKED : MF_UNCHECKED));
    char text[48];
    snprintf(text, sizeof text, "Custom (%d frames/sec)", Settings.timeCodeFrames);
    ModifyMenuA(m, IDM_TIME_FRAMES, MF_BYCOMMAND | MF_STRING | (Settings.loTimeMode == 2 ? MF_CHECKED : 0),
                IDM_TIME_FRAMES, text);
}

static void statusFields(int skipFormat, int menuUpdate)
{
    if (!Frame.main)
        return;
    if (menuUpdate)
        frameRefreshCommands();
    StatusInput in;
    in.open = Doc.storeOpen;
    in.rate = Doc.sampleRate;
    in.bits = Wave.bitsPerSample;
    in.channels = Wave.channels;
    in.dataBytes = Wave.dataLength;
    in.selStart = Doc.selStart;
    in.selEnd = Doc.selEnd;
    in.viewStart = Doc.viewStart;
    in.viewEnd = Doc.viewEnd;
    in.begMode = Settings.loTimeMode;
    in.endMode = Settings.hiTimeMode;
    in.lenMode = Settings.timeMode;
    in.fps = Settings.timeCodeFrames;
    StatusTexts t;
    timeStatusTexts(&in, &t);
    if (!skipFormat || !in.open) {
        setText(Frame.formatField, t.format);
        setText(Frame.countField, t.count);
        setText(Frame.sizeField, t.size);
    }
    setText(Frame.begValue, t.beg);
    setText(Frame.endValue, t.end);
    setText(Frame.timeValue, t.time);
    checkTimeMenu();
}

void UpdateStatusFields(void)
{
    statusFields(0, 0);
}

/* ---- selection ---- */

void SetSelection(uint32_t first, uint32_t last)
{
    if (last != DOC_NONE && last < first)
        last = first - 1;
    ViewRect old = View.selRect;
    uint64_t oldMiddle = ((uint64_t)Doc.selStart + Doc.selEnd) / 2;
    Doc.selStart = first;
    Doc.selEnd = last;
    ViewRect now;
    SelectionRect(&now);
    View.selRect = now;
    if (Frame.main && !PeakColumnCache.computing) {
        HDC dc = GetDC(Frame.main);
        int selected = docHasSelection();
        if (Doc.selectionShown && (old.top != now.top || old.bottom != now.bottom)) {
            invertRect(dc, old);
            Doc.selectionShown = 0;
        }
        if (!selected) {
            if (Doc.selectionShown)
                invertRect(dc, old);
            Doc.selectionShown = 0;
        } else if (!Doc.selectionShown) {
            invertRect(dc, now);
            Doc.selectionShown = 0xFFFF;
        } else {
            invertStripe(dc, old.left, now.left, now);
            invertStripe(dc, old.right, now.right, now);
        }
        ReleaseDC(Frame.main, dc);
    } else {
        Doc.selectionShown = docHasSelection() ? 0xFFFF : 0;
        if (Frame.main)
            InvalidateRect(Frame.main, NULL, FALSE);   /* the paint redraws the highlight */
    }
    statusFields(1, 0);
    viewAnalysisRefresh();
    if (ViewHook.musicNotify && ((uint64_t)Doc.selStart + Doc.selEnd) / 2 != oldMiddle)
        ViewHook.musicNotify(0);
}

void SetEditChannel(int ch)
{
    if (Wave.channels != 2 || ch < 0 || ch > 2)
        ch = 0;
    if (Frame.main)
        frameRefreshCommands();
    if (Doc.selectionShown && Frame.main) {
        HDC dc = GetDC(Frame.main);
        invertRect(dc, View.selRect);
        ReleaseDC(Frame.main, dc);
    }
    Wave.editChannel = ch;
    SelectionRect(&View.selRect);
    Doc.selectionShown = docHasSelection() ? 0xFFFF : 0;
    if (Frame.main) {
        /* The cached strokes are redrawn in the channel colours without recomputing. */
        RECT r = rc(View.area);
        InvalidateRect(Frame.main, &r, FALSE);
        UpdateWindow(Frame.main);
        frameRefreshCommands();
    }
    viewAnalysisRefresh();
    if (ViewHook.musicNotify)
        ViewHook.musicNotify(1);
}

/* ---- painting ---- */

/* One column stroke: the line leaves out its end point, so the end pixel is set too. */
static void DrawColumnStroke(HDC dc, int x, int y1, int x2, int y2, COLORREF colour)
{
    if (y1 == y2) {
        SetPixel(dc, x, y2, colour);
        return;
    }
    MoveToEx(dc, x, y1, NULL);
    LineTo(dc, x2, y2);
    SetPixel(dc, x2, y2, colour);
}

static int channelLit(int ch)
{
    if (Wave.channels != 2)
        return 1;
    return Wave.editChannel == 0 || Wave.editChannel == ch + 1;
}

static void drawColumns(HDC dc, int first, int last)
{
    if (last < first)
        return;
    int chans = Wave.channels == 2 ? 2 : 1;
    COLORREF grey = GetSysColor(COLOR_BTNSHADOW);
    for (int k = 0; k < chans; k++) {
        int lit = channelLit(k);
        HGDIOBJ old = SelectObject(dc, lit ? ViewGdi.wavePen : ViewGdi.framePen);
        COLORREF colour = lit ? ViewGdi.waveColor : grey;
        for (int c = first; c <= last; c++)
            DrawColumnStroke(dc, View.area.left + c, PeakColumnCache.top[k][c], View.area.left + c,
                             PeakColumnCache.bottom[k][c], colour);
        SelectObject(dc, old);
    }
}

struct PaintCtx {
    HDC dc;
    int closing;
};
static int finishRecompute(PaintCtx *c);

static int pumpOnce(void *ctx, int column)
{
    PaintCtx *p = (PaintCtx *)ctx;
    MSG m;
    ViewGdi.inPump = 1;
    if (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage((int)m.wParam);
            p->closing = 1;
        } else if (!(Frame.menuAcc && m.hwnd && (m.hwnd == Frame.main || IsChild(Frame.main, m.hwnd)) &&
                     TranslateAcceleratorA(Frame.main, Frame.menuAcc, &m))) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    ViewGdi.inPump = 0;
    if (Frame.closing || ViewGdi.shutdownPending)
        p->closing = 1;
    if (p->closing)
        return 1;
    if (PeakColumnCache.interrupted) {
        PeakColumnCache.resumeFirst = (uint32_t)column;
        return 1;
    }
    return 0;
}

static void drawOne(void *ctx, int column)
{
    drawColumns(((PaintCtx *)ctx)->dc, column, column);
}

/* Step 7: recompute the dirty columns, drawing each as it is done.  Returns 1 when the
   window is closing (the paint ends at once). */
static int recompute(HDC dc)
{
    int w = viewColumns();
    PeakColumnCacheState *pc = &PeakColumnCache;
    pc->computing = 1;
    pc->interrupted = 0;
    frameRefreshCommands();
    int first = pc->dirtyFirst < 0 ? 0 : pc->dirtyFirst;
    int last = pc->dirtyLast > w - 1 ? w - 1 : pc->dirtyLast;
    PeakPass pass = {};
    pass.area = View.area;
    pass.viewStart = Doc.viewStart;
    pass.viewEnd = Doc.viewEnd;
    pass.frames = docFrames();
    pass.channels = Wave.channels;
    pass.bits = Wave.bitsPerSample;
    pass.dots = Settings.viewingMode == 1;
    pass.pump = 1;
    pass.pumpFn = pumpOnce;
    pass.drawFn = drawOne;
    PaintCtx ctx = {dc, 0};
    pass.ctx = &ctx;
    if (SpectralView.on) {
        int stop = spectralRecompute(dc, &View.area, Doc.viewStart, Doc.viewEnd, first, last, pumpOnce, &ctx);
        if (stop <= last && !ctx.closing)
            pc->resumeLast = (uint32_t)last;
        int held = stop <= last && !ctx.closing && !pc->interrupted && SpectralView.hold;
        int closing = finishRecompute(&ctx);
        if (held && !closing)
            peakCacheDirty(stop, last);   /* drawn when the hold is let go */
        return closing;
    }
    peakFlatColumns(&pass, first, last);
    if (Doc.modified)
        peakSummaryFree();
    uint8_t *buf = (uint8_t *)malloc(PEAK_READBUF);
    if (buf) {
        int stop = peakComputeColumns(&pass, first, last, buf);
        free(buf);
        if (stop <= last && !ctx.closing)
            pc->resumeLast = (uint32_t)last;
    }
    return finishRecompute(&ctx);
}

/* The end of a recomputation, both views: flags cleared, a completed picture counted. */
static int finishRecompute(PaintCtx *c)
{
    PeakColumnCacheState *pc = &PeakColumnCache;
    PaintCtx &ctx = *c;
    pc->computing = 0;
    pc->dirty = 0;
    if (!ctx.closing && !pc->interrupted) {
        /* Completed pictures, readable by test drivers and benchmarks in other processes. */
        ViewGdi.pictures++;
        SetPropA(Frame.main, "ZeloViewPictures", (HANDLE)(INT_PTR)ViewGdi.pictures);
    }
    if (ViewGdi.shutdownPending) {
        freeGdi();
        return 1;
    }
    return ctx.closing;
}

static void fillBlack(HDC dc, int l, int t, int r, int b)
{
    RECT x = {l, t, r, b};
    FillRect(dc, &x, (HBRUSH)GetStockObject(BLACK_BRUSH));
}

static void hline(HDC dc, HPEN pen, int x1, int x2, int y)
{
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y, NULL);
    LineTo(dc, x2, y);
    SelectObject(dc, old);
}

static void vline(HDC dc, HPEN pen, int x, int y1, int y2)
{
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x, y1, NULL);
    LineTo(dc, x, y2);
    SelectObject(dc, old);
}

static void drawFrames(HDC dc)
{
    const ViewRect &a = View.area;
    int stereo = Wave.channels == 2 && Doc.storeOpen && !SpectralView.on;
    int m = (a.top + a.bottom) / 2 - 1;
    if (stereo) {
        fillBlack(dc, a.left - 1, a.top, a.right + 1, m + 1);
        fillBlack(dc, a.left - 1, m + 3, a.right + 1, a.bottom + 1);
        hline(dc, ViewGdi.lightPen, a.left - 1, a.right + 2, m + 1);
    } else {
        fillBlack(dc, a.left - 1, a.top, a.right + 1, a.bottom + 1);
    }
    hline(dc, ViewGdi.lightPen, a.left - 1, a.right + 2, a.bottom + 1);
    vline(dc, ViewGdi.lightPen, a.right + 1, a.top, a.bottom + 2);
    const ViewRect &b = View.bar;
    fillBlack(dc, b.left - 1, b.top - 1, b.right + 1, b.bottom + 1);
    hline(dc, ViewGdi.lightPen, b.left - 1, b.right + 2, b.bottom + 1);
    vline(dc, ViewGdi.lightPen, b.right + 1, b.top - 1, b.bottom + 2);
}

static const char *const unitText[4] = {"hms", "smpl", "msf", "drop"};
static const unsigned unitFlags[4] = {0x80, 0x00, 0x100, 0x900};

static void drawRuler(HDC dc)
{
    const ViewRect &a = View.area;
    RECT strip = {a.left, a.bottom + 1, a.right, a.bottom + 13};
    if (!View.rulerValid || View.rulerStart != Doc.viewStart || View.rulerEnd != Doc.viewEnd)
        FillRect(dc, &strip, ViewGdi.background);
    int mode = Settings.loTimeMode & 3;
    RulerParams p;
    p.flags = unitFlags[mode] | 0x52;
    p.first = Doc.viewStart;
    double last = Doc.viewEnd == DOC_NONE ? (double)Doc.viewStart + (a.right - a.left) : (double)Doc.viewEnd;
    int stripW = strip.right - strip.left;
    if (last - Doc.viewStart + 1 < stripW)
        last = (double)Doc.viewStart + stripW - 3;
    p.last = last;
    p.maxLabels = (a.right - a.left) / 60;
    p.rate = Doc.sampleRate ? Doc.sampleRate : 1;
    p.fps = Settings.timeCodeFrames;
    RECT r = {strip.left - 1, strip.top, strip.right + 2, strip.bottom};
    p.width = r.right - r.left;
    HGDIOBJ oldFont = SelectObject(dc, Frame.smallFont ? (HGDIOBJ)Frame.smallFont : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, GetSysColor(COLOR_BTNSHADOW));
    SetBkMode(dc, TRANSPARENT);
    if (Doc.storeOpen)
        rulerDraw(dc, &p, &r, unitText[mode]);
    SelectObject(dc, oldFont);
    View.rulerStart = Doc.viewStart;
    View.rulerEnd = Doc.viewEnd;
    View.rulerValid = 1;
}

/* Step 11: the thumb and the zoom buttons. */
static void drawThumb(HDC dc, const ViewRect &t, int erase)
{
    const ViewRect &b = View.bar;
    if (erase) {
        fillBlack(dc, t.left, b.top, t.right + 1, b.bottom);
        return;
    }
    if (t.right <= t.left) {
        vline(dc, ViewGdi.wavePen, t.left, b.top, b.bottom);
        return;
    }
    RECT r = {t.left, b.top, t.right + 1, b.bottom};
    FillRect(dc, &r, ViewGdi.waveBrush);
}

static void updateBar(HDC dc)
{
    int open = Doc.storeOpen;
    if (open && haveData()) {
        ViewRect t = View.bar;
        viewThumbSpan(&t.left, &t.right);
        if (View.barMode != BAR_DRAG) {
            drawThumb(dc, View.thumb, 1);
            View.thumb = t;
        }
        drawThumb(dc, View.thumb, 0);
    }
    frameEnableButton(BTN_ZOOMIN, open && viewCanZoomIn());
    frameEnableButton(BTN_ZOOMOUT, open && viewCanZoomOut());
    frameEnableButton(BTN_FULLVIEW, open && viewCanZoomOut());
}

void viewPaint(HWND hwnd)
{
    if (!ViewGdi.initialised)
        viewInit();
    syncArea();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PeakColumnCacheState *pc = &PeakColumnCache;
    const ViewRect &a = View.area;
    int w = viewColumns();
    FillRect(dc, &ps.rcPaint, ViewGdi.background);
    drawFrames(dc);
    drawRuler(dc);
    int closing = 0;
    if (haveData()) {
        int first = ps.rcPaint.left - a.left - 1, last = ps.rcPaint.right - a.left;
        if (first < 0)
            first = 0;
        if (last > w - 1)
            last = w - 1;
        if (SpectralView.on) {
            PaintSpectralBitmap(dc, &ps.rcPaint, &a);
        } else if (pc->dirty && !pc->computing) {
            drawColumns(dc, first, (last < pc->dirtyFirst - 1 ? last : pc->dirtyFirst - 1));
            drawColumns(dc, (first > pc->dirtyLast + 1 ? first : pc->dirtyLast + 1), last);
        } else {
            drawColumns(dc, first, last);
        }
        if (pc->dirty && !pc->computing && !ViewGdi.inPump && !(SpectralView.on && SpectralView.hold))
            closing = recompute(dc);
        if (!closing && SpectralView.on) {
            spectralDrawMarks(dc, &a, Wave.channels);
        } else if (!closing) {
            PeakGeom g;
            peakGeometry(&a, Wave.channels, Wave.bitsPerSample, &g);
            if (g.stereo) {
                hline(dc, ViewGdi.redPen, a.left, a.right, g.centre[0]);
                hline(dc, ViewGdi.redPen, a.left, a.right, g.centre[1]);
            } else {
                hline(dc, ViewGdi.redPen, a.left, a.right, g.centre[0] + 1);
            }
        }
    }
    if (!closing && haveData() && !pc->computing && !SpectralView.on && ViewHook.paintMarkers)
        ViewHook.paintMarkers(dc);
    if (!closing && Doc.selectionShown && !pc->computing) {
        RECT s = rc(View.selRect), x;
        if (IntersectRect(&x, &s, &ps.rcPaint))
            InvertRect(dc, &x);
    }
    if (!closing)
        updateBar(dc);
    EndPaint(hwnd, &ps);
    if (closing || !ViewGdi.initialised)
        return;
    if (SpectralView.copiedInPump && !pc->computing) {
        /* The whole picture was copied from inside the pass: marks and highlight again. */
        SpectralView.copiedInPump = 0;
        RECT r = rc(a);
        InflateRect(&r, 1, 1);
        InvalidateRect(hwnd, &r, FALSE);
    }
    if (pc->interrupted) {
        if (pc->interrupted == 2 && pc->resumeFirst <= pc->resumeLast) {
            peakCacheDirty((int)pc->resumeFirst, (int)pc->resumeLast);
            RECT r = rc(a);
            InvalidateRect(hwnd, &r, FALSE);
        } else {
            peakCacheDirty(0, w);
            InvalidateRect(hwnd, NULL, FALSE);
        }
        pc->interrupted = 0;
        if (!ViewGdi.updating) {
            ViewGdi.updating = 1;
            UpdateWindow(hwnd);
            ViewGdi.updating = 0;
        }
    }
}

/* ---- commands ---- */

/* After a view change: status, highlight rectangle (not during a drag) and a full redraw. */
static void viewChanged(void)
{
    statusFields(1, 0);
    if (Doc.selectionShown != 1)
        SelectionRect(&View.selRect);
    View.rulerValid = 0;
    invalidateColumns(View.area.left, View.area.right);
    RECT ruler = {View.area.left - 1, View.area.bottom + 1, View.area.right + 2, View.bar.bottom + 2};
    InvalidateRect(Frame.main, &ruler, FALSE);
    UpdateWindow(Frame.main);
}

static void ScrollView(int command)
{
    if (!haveData())
        return;
    syncArea();
    if (viewScrollRange(command, &Doc.viewStart, &Doc.viewEnd))
        viewChanged();
}

static void zoom(int command)
{
    if (!haveData())
        return;
    syncArea();
    int changed = command == IDM_ZOOMIN ? viewZoomInRange() : command == IDM_ZOOMOUT ? viewZoomOutRange() : viewFullRange();
    if (!changed)
        return;
    Doc.selectionShown = docHasSelection() ? 0xFFFF : 0;
    SelectionRect(&View.selRect);
    viewChanged();
}

static void keyMove(int command)
{
    if (!haveData())
        return;
    syncArea();
    uint32_t s, e;
    viewKeyMove(command, &s, &e);
    SetSelection(s, e);
}

static void setTimeFormats(int mode)
{
    Settings.loTimeMode = Settings.hiTimeMode = Settings.timeMode = mode & 3;
    statusFields(1, 0);
    View.rulerValid = 0;
    RECT ruler = {View.area.left - 1, View.area.bottom + 1, View.area.right + 2, View.area.bottom + RULER_GAP};
    InvalidateRect(Frame.main, &ruler, FALSE);
}

struct RangeDialog {
    uint32_t from, to, frames;
};

static int readNumber(HWND dlg, int id, uint32_t *out)
{
    char text[32];
    GetDlgItemTextA(dlg, id, text, sizeof text);
    char *end;
    const char *p = text;
    while (*p == ' ')
        p++;
    if (*p < '0' || *p > '9')
        return 0;
    unsigned long long v = strtoull(p, &end, 10);
    while (*end == ' ')
        end++;
    if (*end || v > 0xFFFFFFFEull)
        return 0;
    *out = (uint32_t)v;
    return 1;
}

static INT_PTR CALLBACK SAMPLESDLGMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (frameDialogTailId(dlg, msg, wParam, IDS_HELP_VIEWING))
        return TRUE;
    RangeDialog *r = (RangeDialog *)GetWindowLongPtrA(dlg, DWLP_USER);
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        r = (RangeDialog *)lParam;
        char t[24];
        snprintf(t, sizeof t, "%lu", (unsigned long)r->from);
        SetDlgItemTextA(dlg, IDC_VR_FROM, t);
        snprintf(t, sizeof t, "%lu", (unsigned long)r->to);
        SetDlgItemTextA(dlg, IDC_VR_TO, t);
        frameCentre(dlg, GetParent(dlg));
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            uint32_t from, to;
            if (!readNumber(dlg, IDC_VR_FROM, &from) || !readNumber(dlg, IDC_VR_TO, &to) || to < from ||
                from >= r->frames) {
                char text[128];
                snprintf(text, sizeof text, "Please enter a range of samples from 0 to %lu, the first not after the last.",
                         (unsigned long)(r->frames ? r->frames - 1 : 0));
                frameMessageFrom(dlg, text, "Sorry", OS_MB_OK | OS_MB_ICONEXCLAMATION);
                return TRUE;
            }
            r->from = from;
            r->to = to < r->frames ? to : r->frames - 1;
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

static void viewingRange(void)
{
    if (!haveData())
        return;
    syncArea();
    RangeDialog r = {Doc.viewStart, Doc.viewEnd, docFrames()};
    if (DialogBoxParamA(Frame.instance, MAKEINTRESOURCEA(ID_SAMPLESDLG), Frame.main, SAMPLESDLGMsgProc,
                        (LPARAM)&r) != IDOK)
        return;
    Doc.viewStart = r.from;
    Doc.viewEnd = r.to;
    uint32_t w = (uint32_t)viewColumns();
    if (r.to - r.from + 1 < w) {
        Doc.selStart = r.from;
        Doc.selEnd = r.to;
        Doc.viewEnd = r.from + w;
        NormalizeView();
    }
    Doc.selectionShown = docHasSelection() ? 0xFFFF : 0;
    SelectionRect(&View.selRect);
    viewChanged();
    if (ViewHook.musicNotify)
        ViewHook.musicNotify(0);
}

/* Playback's (audio/audio.h, which brings <mmsystem.h> and its TIME_* names). */
void audioLoopFollowSelection(uint32_t first, uint32_t last);

/* Ctrl+S: the visible range becomes the selection (looping playback moves to it);
   Esc: no selection, the caret at the view start. */
static void selectView(void)
{
    if (!haveData() || View.capture)
        return;
    uint32_t last = Doc.viewEnd;
    if (last == DOC_NONE || last >= docFrames())
        last = docFrames() - 1;
    SetSelection(Doc.viewStart, last);
    audioLoopFollowSelection(Doc.viewStart, last);
}

static void deselect(void)
{
    if (!Doc.storeOpen || View.capture)
        return;
    SetSelection(Doc.viewStart, DOC_NONE);
}

/* Command 2211: the other view, every column recomputed in it. */
static void toggleSpectral(void)
{
    if (!SpectralView.on && !haveData())
        return;
    spectralSwitch(Frame.main ? GetMenu(Frame.main) : NULL, !SpectralView.on);
    if (!Frame.main)
        return;
    syncArea();
    if (PeakColumnCache.computing)
        PeakColumnCache.interrupted = 1;
    peakCacheDirty(0, View.area.right - View.area.left);
    InvalidateRect(Frame.main, NULL, FALSE);
    UpdateWindow(Frame.main);
    frameRefreshCommands();
}

/* Ctrl+D: while held the spectral picture is not recomputed; letting go draws what waits. */
static void toggleHold(void)
{
    SpectralView.hold = !SpectralView.hold;
    if (SpectralView.hold || !Frame.main || !SpectralView.on)
        return;
    syncArea();
    if (PeakColumnCache.dirty) {
        RECT r = rc(View.area);
        InflateRect(&r, 1, 1);
        InvalidateRect(Frame.main, &r, FALSE);
        UpdateWindow(Frame.main);
    }
}

int viewSpectralShown(void)
{
    return SpectralView.on;
}

void viewCommand(int id)
{
    switch (id) {
    case IDM_CARETRIGHT: case IDM_CARETLEFT: case IDM_EXTENDRIGHT: case IDM_EXTENDLEFT:
        keyMove(id);
        break;
    case IDM_PAGEUP: case IDM_PAGEDOWN: case IDM_HOME: case IDM_END: case 777: case 778:
        ScrollView(id);
        break;
    case IDM_ZOOMIN: case IDM_ZOOMOUT: case IDM_FULLVIEW:
        zoom(id);
        break;
    case IDM_EDITBOTH:      SetEditChannel(0); break;
    case IDM_EDITLEFTONLY:  SetEditChannel(1); break;
    case IDM_EDITRIGHTONLY: SetEditChannel(2); break;
    case IDM_EDITLEFT:      SetEditChannel(2 - Wave.editChannel); break;
    case IDM_EDITRIGHT:     SetEditChannel(Wave.editChannel == 2 ? 2 : 1 - Wave.editChannel); break;
    case IDM_TIME_DECIMAL:  setTimeFormats(TIME_DECIMAL); break;
    case IDM_TIME_SAMPLES:  setTimeFormats(TIME_SAMPLES); break;
    case IDM_TIME_FRAMES:   setTimeFormats(TIME_FRAMES); break;
    case IDM_TIME_SMPTE:    setTimeFormats(TIME_SMPTE); break;
    case IDM_VIEWRANGE:     viewingRange(); break;
    case IDM_SELECTVIEW:    selectView(); break;
    case IDM_DESELECT:      deselect(); break;
    case IDM_SPECTRAL:      toggleSpectral(); break;
    case IDM_HOLDSPECTRAL:  toggleHold(); break;
    default: break;
    }
}

int viewStatusDoubleClick(HWND control)
{
    if (!control)
        return 0;
    if (control == Frame.begValue) {
        Settings.loTimeMode = (Settings.loTimeMode + 1) & 3;
        statusFields(1, 0);
        View.rulerValid = 0;
        RECT ruler = {View.area.left - 1, View.area.bottom + 1, View.area.right + 2, View.area.bottom + RULER_GAP};
        InvalidateRect(Frame.main, &ruler, FALSE);
        return 1;
    }
    if (control == Frame.endValue) {
        Settings.hiTimeMode = (Settings.hiTimeMode + 1) & 3;
        statusFields(1, 0);
        return 1;
    }
    if (control == Frame.timeValue) {
        Settings.timeMode = (Settings.timeMode + 1) & 3;
        statusFields(1, 0);
        return 1;
    }
    if (control == Frame.formatField) {
        if (Doc.storeOpen)
            PostMessageA(Frame.main, WM_COMMAND, IDM_ADJUSTRATE, 0);
        return 1;
    }
    return control == Frame.countField || control == Frame.sizeField;
}

/* ---- mouse ---- */

static int inRect(const ViewRect &r, int x, int y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

static void drawPressed(int pressed)
{
    HDC dc = GetDC(Frame.main);
    RECT r = rc(View.pressed);
    if (pressed) {
        FillRect(dc, &r, ViewGdi.background);
        HGDIOBJ old = SelectObject(dc, ViewGdi.framePen);
        HGDIOBJ oldB = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        SelectObject(dc, oldB);
        SelectObject(dc, old);
    } else {
        FillRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
    }
    ReleaseDC(Frame.main, dc);
}

static void buttonDown(HWND hwnd, int x, int y, int right, int shift)
{
    SetCapture(hwnd);
    View.capture = 1;
    syncArea();
    if (PeakColumnCache.computing || !haveData())
        return;
    ViewRect bar = {View.bar.left, View.bar.top - 1, View.bar.right + 1, View.bar.bottom + 1};
    if (inRect(bar, x, y)) {
        if (x >= View.thumb.left && x <= View.thumb.right) {
            if (!right) {
                View.barMode = BAR_DRAG;
                View.barMoved = 0;
                View.lastX = x;
            }
            return;
        }
        if (x < View.thumb.left) {
            View.pressed = {View.bar.left, View.bar.top, View.thumb.left, View.bar.bottom};
            View.barMode = BAR_PRESSLEFT;
        } else {
            View.pressed = {View.thumb.right + 1, View.bar.top, View.bar.right, View.bar.bottom};
            View.barMode = BAR_PRESSRIGHT;
        }
        drawPressed(1);
        return;
    }
    const ViewRect &a = View.area;
    if (!(x >= a.left && x <= a.right && y >= a.top && y <= a.bottom))
        return;
    SetFocus(hwnd);
    if (Wave.channels == 2) {
        int zone = viewChannelZone(y, Wave.editChannel);
        if (zone != Wave.editChannel)
            SendMessageA(hwnd, WM_COMMAND, (WPARAM)(IDM_EDITBOTH + zone), 0);
    }
    HDC dc = GetDC(hwnd);
    if (Doc.selectionShown)
        invertRect(dc, View.selRect);
    Doc.selectionShown = 1;
    x = viewClampX(x);
    View.anchorX = x;
    ViewRect old = View.selRect, now = old;
    if (shift || right) {
        if (x < (old.left + old.right) / 2) {
            now.left = x;
            View.anchorFrame = Doc.selEnd + 1;
            Doc.selStart = PixelToFrame(now.left);
            View.anchorX = now.right;
        } else {
            now.right = x;
            View.anchorFrame = Doc.selStart;
            uint32_t f = PixelToFrame(now.right);
            Doc.selEnd = f ? f - 1 : 0;
            View.anchorX = now.left;
        }
        if (Doc.selEnd != DOC_NONE && Doc.selEnd < Doc.selStart)
            Doc.selEnd = Doc.selStart ? Doc.selStart - 1 : DOC_NONE;
        View.selRect = now;
        invertRect(dc, now);
    } else {
        now.left = now.right = x;
        View.selRect = now;
        Doc.selStart = PixelToFrame(x);
        Doc.selEnd = Doc.selStart - 1;   /* 0 - 1 is DOC_NONE: the cursor at frame 0 */
        View.anchorFrame = DOC_NONE;
    }
    ReleaseDC(hwnd, dc);
    statusFields(1, 0);
}

static void dragTo(HWND hwnd, int x)
{
    x = viewClampX(x);
    ViewRect old = View.selRect, now = old;
    now.left = x < View.anchorX ? x : View.anchorX;
    now.right = x < View.anchorX ? View.anchorX : x;
    if (now.left == old.left && now.right == old.right)
        return;
    int wasSelected = docHasSelection();
    HDC dc = GetDC(hwnd);
    if (now.right != old.right) {
        invertStripe(dc, old.right, now.right, now);
        Doc.selEnd = PixelToFrame(now.right) - 1;
    }
    if (now.left != old.left) {
        invertStripe(dc, old.left, now.left, now);
        Doc.selStart = PixelToFrame(now.left);
    }
    ReleaseDC(hwnd, dc);
    if (View.anchorFrame != DOC_NONE) {
        if (x > View.anchorX)
            Doc.selStart = View.anchorFrame;
        else
            Doc.selEnd = View.anchorFrame - 1;
    }
    View.selRect = now;
    (void)wasSelected;
    statusFields(1, 0);
}

static void barMove(HWND hwnd, int x, int y)
{
    if (View.barMode == BAR_DRAG) {
        int dx = x - View.lastX;
        ViewRect t = View.thumb;
        if (t.left + dx < View.bar.left)
            dx = View.bar.left - t.left;
        if (t.right + dx > View.bar.right)
            dx = View.bar.right - t.right;
        if (dx == 0)
            return;
        HDC dc = GetDC(hwnd);
        drawThumb(dc, t, 1);
        t.left += dx;
        t.right += dx;
        View.thumb = t;
        drawThumb(dc, t, 0);
        ReleaseDC(hwnd, dc);
        View.barMoved = (int16_t)(View.barMoved + dx);
        View.lastX = x;
        return;
    }
    int inside = inRect(View.pressed, x, y);
    if (View.barMode == BAR_PRESSLEFT || View.barMode == BAR_PRESSRIGHT) {
        if (!inside) {
            View.barMode = (uint16_t)(View.barMode + 2);
            drawPressed(0);
        }
    } else if (View.barMode == BAR_OUTLEFT || View.barMode == BAR_OUTRIGHT) {
        if (inside) {
            View.barMode = (uint16_t)(View.barMode - 2);
            drawPressed(1);
        }
    }
}


static void buttonUp(HWND hwnd)
{
    if (!View.capture)
        return;
    View.capture = 0;
    ReleaseCapture();
    if (Doc.selectionShown == 1) {
        Doc.selectionShown = docHasSelection() ? 0xFFFF : 0;
        if (!docHasSelection()) {
            HDC dc = GetDC(hwnd);
            invertRect(dc, View.selRect);   /* a zero-width drag leaves nothing inverted */
            ReleaseDC(hwnd, dc);
            SelectionRect(&View.selRect);
        }
        statusFields(1, 0);
        if (docHasSelection())
            audioLoopFollowSelection(Doc.selStart, Doc.selEnd);
        viewAnalysisRefresh();
        if (ViewHook.musicNotify)
            ViewHook.musicNotify(0);
    }
    uint16_t mode = View.barMode;
    View.barMode = BAR_IDLE;
    if (mode == BAR_PRESSLEFT || mode == BAR_PRESSRIGHT) {
        drawPressed(0);
        ScrollView(mode == BAR_PRESSLEFT ? IDM_PAGEUP : IDM_PAGEDOWN);
        RECT b = {View.bar.left - 1, View.bar.top - 1, View.bar.right + 2, View.bar.bottom + 2};
        InvalidateRect(hwnd, &b, FALSE);
    } else if (mode == BAR_DRAG && View.barMoved) {
        viewThumbDropped(View.thumb.left, View.thumb.right);
        viewChanged();
    }
}

void viewMouse(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    switch (msg) {
    case WM_LBUTTONDBLCLK: {
        syncArea();
        const ViewRect &a = View.area;
        if (y > a.bottom && y <= a.bottom + RULER_GAP && x >= a.left && x <= a.right) {
            if (haveData())
                setTimeFormats((Settings.loTimeMode + 1) & 3);
            return;
        }
        ViewRect bar = {View.bar.left, View.bar.top - 1, View.bar.right + 1, View.bar.bottom + 1};
        if (inRect(bar, x, y)) {
            if (haveData())
                PostMessageA(hwnd, WM_COMMAND, IDM_VIEWRANGE, 0);
            return;
        }
        buttonDown(hwnd, x, y, 0, (wParam & MK_SHIFT) != 0);
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        buttonDown(hwnd, x, y, msg == WM_RBUTTONDOWN, (wParam & MK_SHIFT) != 0);
        return;
    case WM_MOUSEMOVE:
        if (!View.capture)
            return;
        if (Doc.selectionShown == 1)
            dragTo(hwnd, x);
        else if (View.barMode != BAR_IDLE)
            barMove(hwnd, x, y);
        return;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        buttonUp(hwnd);
        return;
    case WM_CAPTURECHANGED:
        if (View.capture && (HWND)lParam != hwnd)
            buttonUp(hwnd);
        return;
    default:
        return;
    }
}

int viewSetCursor(HWND hwnd, LPARAM lParam)
{
    if (LOWORD(lParam) != HTCLIENT || !haveData())
        return 0;
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(hwnd, &p);
    syncArea();
    const ViewRect &a = View.area;
    if (!(p.x >= a.left && p.x < a.right && p.y >= a.top && p.y < a.bottom))
        return 0;
    HCURSOR c = Frame.selectCursor;
    if (Wave.channels == 2) {
        int zone = viewChannelZone(p.y, Wave.editChannel);
        if (zone == 1 && Frame.leftCursor)
            c = Frame.leftCursor;
        else if (zone == 2 && Frame.rightCursor)
            c = Frame.rightCursor;
    }
    if (!c)
        return 0;
    SetCursor(c);
    return 1;
}
