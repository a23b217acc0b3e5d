/*
 * ruler_win.cpp - drawing the ruler: the unit box at one end, major ticks with labels and
 * minor ticks between them, in the current font and text colour, clipped to the strip.
 */
#include "view/ruler.h"

#include <math.h>
#include <string.h>

struct Measure {
    HDC dc;
};

static int measureText(void *ctx, const char *text)
{
    SIZE s;
    GetTextExtentPoint32A(((Measure *)ctx)->dc, text, (int)strlen(text), &s);
    return s.cx;
}

void rulerDraw(HDC dc, const RulerParams *given, const RECT *rect, const char *unit)
{
    RulerParams p = *given;
    RECT strip = *rect;
    /* The unit box takes its place first; the scale uses what remains. */
    char box[24];
    box[0] = ' ';
    strncpy(box + 1, unit ? unit : "", sizeof box - 2);
    box[sizeof box - 1] = 0;
    Measure m = {dc};
    int boxW = unit && *unit ? measureText(&m, box) + 6 : 0;
    RECT boxRect = strip;
    if (p.flags & RULER_UNITLEFT) {
        boxRect.right = strip.left + boxW;
        strip.left += boxW;
    } else {
        boxRect.left = strip.right - boxW;
        strip.right -= boxW;
    }
    p.width = strip.right - strip.left;
    if (p.width < 8 || p.last <= p.first)
        return;
    RulerScale s;
    rulerLayout(&p, measureText, &m, &s);

    int height = strip.bottom - strip.top;
    int major = height > 10 ? 4 : 3, minorH = 2;
    int up = (p.flags & RULER_TICKSUP) != 0;
    HPEN pen = CreatePen(PS_SOLID, 1, GetTextColor(dc));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HRGN clip = CreateRectRgn(strip.left, strip.top, strip.right, strip.bottom);
    SelectClipRgn(dc, clip);
    double range = p.last - p.first, scale = (p.width - 4) / range;
    int tickY0 = up ? strip.bottom - 1 : strip.top;
    int dir = up ? -1 : 1;
    int guard = 0;
    for (double v = s.first; v <= p.last + s.step * 0.001 && guard++ <= p.width; v += s.step) {
        for (int k = 0; k < s.minor; k++) {
            double t = v + s.step * k / s.minor;
            if (t < p.first || t > p.last)
                continue;
            int x = strip.left + 2 + (int)floor((t - p.first) * scale + 0.5);
            MoveToEx(dc, x, tickY0, NULL);
            LineTo(dc, x, tickY0 + dir * (k == 0 ? major : minorH));
        }
        if (v < p.first)
            continue;
        char label[48];
        rulerLabel(&p, &s, v, label, sizeof label);
        int x = strip.left + 2 + (int)floor((v - p.first) * scale + 0.5);
        if (x + 2 + measureText(&m, label) > strip.right)
            continue;   /* a label that would be cut at the strip's end is left out */
        RECT lr = {x + 2, strip.top, strip.right, strip.bottom};
        int ty = up ? strip.top : strip.top + 1;
        ExtTextOutA(dc, x + 2, ty, ETO_CLIPPED, &lr, label, (UINT)strlen(label), NULL);
        if (s.step <= 0)
            break;
    }
    SelectClipRgn(dc, NULL);
    DeleteObject(clip);
    if (boxW > 0) {
        ExtTextOutA(dc, boxRect.left + 1, boxRect.top, ETO_CLIPPED, &boxRect, box, (UINT)strlen(box), NULL);
        MoveToEx(dc, boxRect.left, boxRect.top, NULL);
        LineTo(dc, boxRect.left, boxRect.bottom);
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}
