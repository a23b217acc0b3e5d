/*
 * view_bench_main.cpp - the waveform view's benchmarks without Google Benchmark, for the
 * Win32 build under Wine: each paint also draws its strokes with GDI into a memory bitmap
 * the size of the area, as the paint handler does.  ZELO_BENCH_MINUTES shortens the file.
 */
#include "view_bench_core.h"
#include "view/peaks.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

struct Gdi {
    HDC dc;
    HPEN pen;
};

static void draw(void *ctx, int c)
{
    Gdi *g = (Gdi *)ctx;
    for (int k = 0; k < 2; k++) {
        int y1 = PeakColumnCache.top[k][c], y2 = PeakColumnCache.bottom[k][c];
        MoveToEx(g->dc, c, y1, NULL);
        LineTo(g->dc, c, y2);
        SetPixel(g->dc, c, y2, RGB(0, 255, 0));
    }
}

int main()
{
    setvbuf(stdout, NULL, _IONBF, 0);
    const char *m = getenv("ZELO_BENCH_MINUTES");
    uint32_t minutes = m && atoi(m) > 0 ? (uint32_t)atoi(m) : 60;
    double made;
    if (viewBenchOpen(minutes, &made) != 0) {
        printf("FAILED: could not make the %u-minute store\n", minutes);
        return 1;
    }
    HDC screen = GetDC(NULL);
    Gdi g = {CreateCompatibleDC(screen), CreatePen(PS_SOLID, 1, RGB(0, 255, 0))};
    HBITMAP bmp = CreateCompatibleBitmap(screen, VIEW_BENCH_COLUMNS, 300);
    SelectObject(g.dc, bmp);
    SelectObject(g.dc, g.pen);
    uint32_t frames = viewBenchFrames();
    printf("store of %u minutes (%u frames) written with its summary in %.2f s\n", minutes, frames, made);
    PaintFigures first = viewBenchPaint(0, frames - 1, draw, &g);
    PaintFigures again = viewBenchPaint(0, frames - 1, draw, &g);
    if (again.seconds < first.seconds)
        first.seconds = again.seconds;
    printf("first paint, summary present: %.3f ms, %llu sample bytes read, %u summary columns\n",
           first.seconds * 1e3, (unsigned long long)first.bytesRead, first.summaryColumns);
    double pageSummary = viewBenchPageDown(VIEW_BENCH_COLUMNS * 1024u * 4u, 1.0, draw, &g);
    viewBenchDropSummary();
    PaintFigures edit = viewBenchPaint(0, frames - 1, draw, &g);
    printf("repaint after an edit (summary dropped): %.3f ms, %llu sample bytes read\n",
           edit.seconds * 1e3, (unsigned long long)edit.bytesRead);
    double page = viewBenchPageDown(VIEW_BENCH_COLUMNS * 1024u, 2.0, draw, &g);
    double pageSmall = viewBenchPageDown(VIEW_BENCH_COLUMNS * 100u, 1.0, draw, &g);
    printf("page down, 1024 frames per column, no summary: %.1f paints/s (target >= 20)\n", page);
    printf("page down, 100 frames per column, no summary: %.1f paints/s\n", pageSmall);
    printf("page down, 4096 frames per column (first 1024 read): %.1f paints/s\n", pageSummary);
    DeleteDC(g.dc);
    DeleteObject(bmp);
    DeleteObject(g.pen);
    ReleaseDC(NULL, screen);
    viewBenchClose();
    return 0;
}
