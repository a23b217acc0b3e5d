/*
 * sonogram_win.cpp - the spectral view on screen: the area-sized picture (a DIB section the
 * column pass writes into, copied to the screen as columns finish), the logical palette for
 * palette displays, the octave marks and the switch between the two views.
 *
 * Global state: SpectralView.  Frame.spectralBusy is set exactly while a pass draws into the
 * bitmap; a repaint meanwhile only sets copyPending, and the pass copies at its next pump.
 */
#include "view/sonogram.h"
#include "core/settings.h"
#include "store/voc.h"
#include "ui/frame.h"
#include "resources/resource.h"

#include <string.h>

SpectralViewState SpectralView;

void MakeSpectralPalette(void)
{
    if (!SpectralPalette.built || SpectralPalette.builtHigh != Settings.spectralHigh ||
        SpectralPalette.builtLow != Settings.spectralLow || SpectralPalette.builtReverse != Settings.spectralReverse)
        BuildSpectralPalette(Settings.spectralHigh, Settings.spectralLow, Settings.spectralReverse);
    if (SpectralView.palette)
        DeleteObject(SpectralView.palette);
    struct {
        WORD version, count;
        PALETTEENTRY e[SPECTRAL_COLORS];
    } lp;
    lp.version = 0x300;
    lp.count = SPECTRAL_COLORS;
    for (int i = 0; i < SPECTRAL_COLORS; i++) {
        lp.e[i].peRed = SpectralPalette.rgb[i][0];
        lp.e[i].peGreen = SpectralPalette.rgb[i][1];
        lp.e[i].peBlue = SpectralPalette.rgb[i][2];
        lp.e[i].peFlags = 0;
    }
    SpectralView.palette = CreatePalette((LOGPALETTE *)&lp);
}

void spectralFreeBitmap(void)
{
    if (SpectralView.bitmap)
        DeleteObject(SpectralView.bitmap);
    SpectralView.bitmap = NULL;
    SpectralView.bits = NULL;
    SpectralView.width = SpectralView.height = 0;
}

void spectralShutdown(void)
{
    spectralFreeBitmap();
    if (SpectralView.palette)
        DeleteObject(SpectralView.palette);
    if (SpectralView.whitePen)
        DeleteObject(SpectralView.whitePen);
    memset(&SpectralView, 0, sizeof SpectralView);
}

/* A black picture for the area, made when missing or when the area changed size. */
static int ensureBitmap(HDC dc, const ViewRect *a)
{
    int w = a->right - a->left, h = a->bottom - a->top + 1;
    if (SpectralView.bitmap && SpectralView.width == w && SpectralView.height == h &&
        SpectralView.at.left == a->left && SpectralView.at.top == a->top)
        return 1;
    spectralFreeBitmap();
    if (w < 1 || h < 1)
        return 0;
    BITMAPINFO bi;
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;   /* top-down */
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP b = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!b || !bits) {
        if (b)
            DeleteObject(b);
        return 0;
    }
    memset(bits, 0, (size_t)w * h * 4);
    SpectralView.bitmap = b;
    SpectralView.bits = (uint32_t *)bits;
    SpectralView.width = w;
    SpectralView.height = h;
    SpectralView.at = *a;
    return 1;
}

/* Copies columns x0..x1 (area columns, inclusive) of the picture onto dc. */
static void copyColumns(HDC dc, int x0, int x1)
{
    if (!SpectralView.bitmap || x1 < x0)
        return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, SpectralView.bitmap);
    HPALETTE oldPal = NULL;
    if (SpectralView.palette && (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE)) {
        oldPal = SelectPalette(dc, SpectralView.palette, FALSE);
        RealizePalette(dc);
    }
    BitBlt(dc, SpectralView.at.left + x0, SpectralView.at.top, x1 - x0 + 1, SpectralView.height, mem, x0, 0, SRCCOPY);
    if (oldPal)
        SelectPalette(dc, oldPal, FALSE);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void PaintSpectralBitmap(HDC dc, const RECT *paint, const ViewRect *area)
{
    if (Frame.spectralBusy) {
        SpectralView.copyPending = 1;
        return;
    }
    if (!SpectralView.bitmap || SpectralView.at.left != area->left || SpectralView.at.top != area->top)
        return;
    int x0 = paint->left - area->left - 1, x1 = paint->right - area->left;
    if (x0 < 0)
        x0 = 0;
    if (x1 > SpectralView.width - 1)
        x1 = SpectralView.width - 1;
    copyColumns(dc, x0, x1);
}

void spectralCopyPending(HDC dc)
{
    if (!SpectralView.copyPending)
        return;
    SpectralView.copyPending = 0;
    SpectralView.copiedInPump = 1;
    copyColumns(dc, 0, SpectralView.width - 1);
}

namespace {
struct PassCtx {
    HDC dc;
    int shownFrom;              /* first column computed but not yet copied */
    int last;                   /* the last column computed */
    int (*pump)(void *ctx, int column);
    void *pumpCtx;
};

uint32_t colour(int index)
{
    const uint8_t *c = SpectralPalette.rgb[index];
    return ((uint32_t)c[0] << 16) | ((uint32_t)c[1] << 8) | c[2];
}

void columnDone(void *ctx, int column, const uint8_t *idx, const SpectralGeom *g)
{
    PassCtx *p = (PassCtx *)ctx;
    int w = SpectralView.width, top = SpectralView.at.top;
    for (int ch = 0; ch < g->channels; ch++)
        for (int r = 0; r < g->height; r++) {
            int y = g->bottom[ch] - r - 1 - top;
            if (y >= 0 && y < SpectralView.height)
                SpectralView.bits[(size_t)y * w + column] = colour(idx[ch * g->height + r]);
        }
    p->last = column;
}

int pumpBetween(void *ctx, int column)
{
    PassCtx *p = (PassCtx *)ctx;
    if (p->last >= p->shownFrom) {
        GdiFlush();
        copyColumns(p->dc, p->shownFrom, p->last);
        p->shownFrom = p->last + 1;
    }
    int stop = p->pump ? p->pump(p->pumpCtx, column) : 0;
    if (!stop && (!SpectralView.on || !SpectralView.bitmap || SpectralView.hold))
        stop = 1;   /* switched back to the waveform, or held, meanwhile */
    if (!stop)
        spectralCopyPending(p->dc);
    return stop;
}
} // namespace

int spectralRecompute(HDC dc, const ViewRect *area, uint32_t viewStart, uint32_t viewEnd, int first, int last,
                      int (*pump)(void *ctx, int column), void *ctx)
{
    if (!SpectralPalette.built)
        MakeSpectralPalette();
    if (!ensureBitmap(dc, area))
        return last + 1;   /* no picture: the area stays as it was */
    SpectralPass pass;
    memset(&pass, 0, sizeof pass);
    pass.area = *area;
    pass.viewStart = viewStart;
    pass.viewEnd = viewEnd;
    pass.channels = Wave.channels;
    pass.bits = Wave.bitsPerSample;
    pass.resolution = Settings.spectrumResolution;
    PassCtx p = {dc, first, first - 1, pump, ctx};
    pass.pumpFn = pumpBetween;
    pass.columnFn = columnDone;
    pass.ctx = &p;
    SpectralView.copyPending = 0;
    SpectralView.copiedInPump = 0;
    Frame.spectralBusy = 1;
    int stop = DrawSpectralColumns(&pass, first, last);
    Frame.spectralBusy = 0;
    if (SpectralView.bitmap && p.last >= p.shownFrom) {
        GdiFlush();
        copyColumns(dc, p.shownFrom, p.last);
    }
    if (SpectralView.copyPending && SpectralView.bitmap)
        spectralCopyPending(dc);
    return stop < 0 ? last + 1 : stop;
}

void spectralDrawMarks(HDC dc, const ViewRect *a, int channels)
{
    if (!SpectralView.whitePen)
        SpectralView.whitePen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    int ys[2 * SPECTRAL_MARKS];
    int n = spectralOctaveMarks(a, channels, ys);
    HGDIOBJ old = SelectObject(dc, SpectralView.whitePen);
    for (int i = 0; i < n; i++) {
        MoveToEx(dc, a->left, ys[i], NULL);
        LineTo(dc, a->left + SPECTRAL_MARKLEN, ys[i]);
        MoveToEx(dc, a->right - 1, ys[i], NULL);
        LineTo(dc, a->right - 1 - SPECTRAL_MARKLEN, ys[i]);
    }
    SelectObject(dc, old);
}

void spectralSwitch(HMENU menu, int on)
{
    SpectralView.on = on;
    if (on && !SpectralView.palette)
        MakeSpectralPalette();
    if (!on)
        spectralFreeBitmap();
    if (menu) {
        char text[64];
        frameString(on ? IDS_MENU_WAVEVIEW : IDS_MENU_SPECTRALVIEW, text, sizeof text);
        ModifyMenuA(menu, IDM_SPECTRAL, MF_BYCOMMAND | MF_STRING, IDM_SPECTRAL, text);
    }
}
