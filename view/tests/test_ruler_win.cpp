/*
 * The ruler as it is drawn (Win32): a label that would not fit before the strip's end is
 * left out rather than cut.  The ruler is drawn into a bitmap at many widths; below the
 * ticks, nothing may be inked after the end of the last label that fits whole.
 */
#include "view/ruler.h"

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>
#include <string>

namespace {

struct Canvas {
    HDC dc = NULL;
    HBITMAP bmp = NULL;
    HGDIOBJ oldBmp = NULL, oldFont = NULL;
    unsigned *px = NULL;
    int w, h;
    Canvas(int width, int height) : w(width), h(height)
    {
        dc = CreateCompatibleDC(NULL);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;   /* top-down rows */
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void *bits = NULL;
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
        px = (unsigned *)bits;
        oldBmp = SelectObject(dc, bmp);
        oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, TRANSPARENT);
    }
    ~Canvas()
    {
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBmp);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    void clear()
    {
        GdiFlush();
        for (int i = 0; i < w * h; i++)
            px[i] = 0xFFFFFF;
    }
    bool inked(int x, int y) const { return (px[y * w + x] & 0xFFFFFF) != 0xFFFFFF; }
};

int measure(void *ctx, const char *text)
{
    SIZE s;
    GetTextExtentPoint32A((HDC)ctx, text, (int)strlen(text), &s);
    return s.cx;
}

TEST(RulerDraw, ALabelThatWouldBeCutAtTheEndIsLeftOut)
{
    const int height = 20, tickRows = 5;   /* ticks hang from the top, at most 4 rows */
    const struct {
        unsigned flags;
        double first, last;
        uint32_t rate;
    } ranges[] = {
        {RULER_TIME, 0, 88199, 22050},   /* the demo sound, m:ss.d labels */
        {0, 0, 88199, 22050},            /* sample numbers */
        {RULER_TIME, 0, 44100.0 * 700, 44100},
    };
    Canvas c(1300, height);
    ASSERT_TRUE(c.px);
    int partial = 0;
    for (const auto &r : ranges)
        for (int width = 120; width <= 1280; width += 3) {
            RulerParams p = {r.flags, r.first, r.last, width, 30, r.rate, 30};
            RECT rect = {0, 0, width, height};
            c.clear();
            rulerDraw(c.dc, &p, &rect, NULL);
            GdiFlush();
            /* Where the drawing puts its labels, and the end of the last one that fits. */
            RulerScale s;
            rulerLayout(&p, measure, c.dc, &s);
            double scale = (width - 4) / (p.last - p.first);
            int end = 0;
            for (double v = s.first; v <= p.last + s.step * 0.001 && s.step > 0; v += s.step) {
                if (v < p.first)
                    continue;
                char label[48];
                rulerLabel(&p, &s, v, label, sizeof label);
                int x = 2 + (int)floor((v - p.first) * scale + 0.5) + 2;
                int w = measure(c.dc, label);
                if (x + w <= width)
                    end = x + w;
                else if (x < width - 1)
                    partial++;   /* a label that would show only in part */
            }
            int stray = -1;
            for (int x = end + 1; x < width && stray < 0; x++)
                for (int y = tickRows; y < height; y++)
                    if (c.inked(x, y)) {
                        stray = x;
                        break;
                    }
            EXPECT_EQ(-1, stray) << "width " << width << " flags " << r.flags << ": ink at x " << stray
                                 << " after the last whole label, which ends at " << end;
        }
    EXPECT_GT(partial, 0) << "no width put a label across the end, so nothing was tested";
}

} // namespace
