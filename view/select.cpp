/*
 * select.cpp - selection, zoom and scrolling arithmetic (window-free).  Frame arithmetic is
 * done in 64 bits (or doubles where the rules say floating point) and clamped back, so a
 * view near either end of a 32-bit range never wraps.
 */
#include "view/select.h"

#include <math.h>

ViewState View;

static int64_t frames64(void) { return (int64_t)docFrames(); }

int viewColumns(void)
{
    int w = View.area.right - View.area.left;
    return w > 0 ? w : 1;
}

uint32_t PixelToFrame(int x)
{
    int w = viewColumns();
    double n = (double)Doc.viewEnd - Doc.viewStart + 1;
    if (Doc.viewEnd == DOC_NONE || Doc.viewEnd < Doc.viewStart)
        n = w;
    if (n < w)
        n = w;
    double f = trunc((double)(x - View.area.left) / w * n + Doc.viewStart);
    if (f < 0)
        return 0;
    if (f > 4294967294.0)
        return 4294967294u;
    return (uint32_t)f;
}

void SelectionRect(ViewRect *r)
{
    int w = viewColumns();
    double vs = Doc.viewStart;
    double e = Doc.viewEnd == DOC_NONE ? vs + w : (double)Doc.viewEnd;
    if (e - vs + 1 < w)
        e = vs + w;
    double span = e - vs + 1;
    int selected = docHasSelection();
    double d = Doc.selEnd == DOC_NONE ? 0 : (double)Doc.selEnd;
    double x1 = ((Doc.selStart - vs + 1) * w - 1) / span;
    double x2 = ((d - vs + 1) * w - 1) / span;
    if (x1 < -1) x1 = -1;
    if (x1 > w + 100) x1 = w + 100;
    if (x2 < -1) x2 = -1;
    if (x2 > w + 100) x2 = w + 100;
    r->left = View.area.left + (int)trunc(x1);
    r->right = selected ? View.area.left + (int)trunc(x2) + 1 : r->left;
    r->top = View.area.top + 1;
    r->bottom = View.area.bottom;
    if (r->left < View.area.left) r->left = View.area.left;
    if (r->left > View.area.right) r->left = View.area.right;
    if (r->right < View.area.left) r->right = View.area.left;
    if (r->right > View.area.right) r->right = View.area.right;
    if (Wave.channels == 2 && Wave.editChannel == 1)
        r->bottom = (View.area.bottom + View.area.top + 1) / 2 - 1;
    else if (Wave.channels == 2 && Wave.editChannel == 2)
        r->top = (View.area.bottom + View.area.top + 1) / 2 + 1;
}

void NormalizeView(void)
{
    int64_t w = viewColumns(), f = frames64();
    if (f == 0) {
        Doc.viewStart = 0;
        Doc.viewEnd = (uint32_t)w;
        Doc.selStart = 0;
        Doc.selEnd = DOC_NONE;
        return;
    }
    int64_t vs = Doc.viewStart, ve = Doc.viewEnd == DOC_NONE ? f - 1 : (int64_t)Doc.viewEnd;
    if (Doc.selEnd != DOC_NONE) {
        if (Doc.selEnd > (uint32_t)(f - 1))
            Doc.selEnd = (uint32_t)(f - 1);
        if (ve < (int64_t)Doc.selEnd)
            ve = Doc.selEnd;
    } else {
        Doc.selStart = 0;
    }
    if (Doc.selStart > (uint32_t)f)
        Doc.selStart = (uint32_t)f;   /* the cursor may sit just after the last frame */
    if (vs > (int64_t)Doc.selStart)
        vs = Doc.selStart;
    if (ve > f - 1)
        ve = f - 1;
    if (ve - vs < w) {
        ve = vs + w;
        if (ve > f - 1) {
            int64_t shift = ve - f + 1;
            shift = shift < vs ? shift : vs;
            vs -= shift;
            ve -= shift;
        }
    }
    Doc.viewStart = (uint32_t)vs;
    Doc.viewEnd = (uint32_t)ve;
}

/* Moves [s, e] back so that e <= f - 1, never starting below 0. */
static void keepInside(int64_t *s, int64_t *e, int64_t f)
{
    if (*e > f - 1) {
        int64_t shift = *e - (f - 1);
        if (shift > *s)
            shift = *s;
        *s -= shift;
        *e -= shift;
    }
}

int viewScrollRange(int command, uint32_t *start, uint32_t *end)
{
    int64_t f = frames64(), s = *start, e = *end;
    int64_t l = e - s, p = l + 1, q = (l + 1) * 25 / 100;
    if (f == 0 || l < 0)
        return 0;
    switch (command) {
    case 324: s = s - p < 0 ? 0 : s - p; e = s + l; break;
    case 325: s += p; e += p; keepInside(&s, &e, f); break;
    case 326: s = 0; e = l; break;
    case 327: e = f - 1; s = e - l < 0 ? 0 : e - l; if (e < s + l) e = s + l; break;
    case 777: s = s - q < 0 ? 0 : s - q; e = s + l; break;
    case 778: s += q; e += q; keepInside(&s, &e, f); break;
    default: return 0;
    }
    if (s == (int64_t)*start && e == (int64_t)*end)
        return 0;
    *start = (uint32_t)s;
    *end = (uint32_t)e;
    return 1;
}

int viewCanZoomIn(void)
{
    return frames64() > 0 && (int64_t)Doc.viewEnd - Doc.viewStart > viewColumns() + 1;
}

int viewCanZoomOut(void)
{
    if (frames64() == 0)
        return 0;
    int l, r;
    viewThumbSpan(&l, &r);
    return !(l <= View.area.left && r >= View.area.right);
}

int viewZoomInRange(void)
{
    uint32_t s0 = Doc.viewStart, e0 = Doc.viewEnd;
    if (docHasSelection()) {
        Doc.viewStart = Doc.selStart;
        Doc.viewEnd = Doc.selEnd;
    } else {
        if (!viewCanZoomIn())
            return 0;
        int64_t third = ((int64_t)Doc.viewEnd - Doc.viewStart) / 3, c = Doc.selStart;
        if (c < third) {
            Doc.viewStart = (uint32_t)c;
            Doc.viewEnd = (uint32_t)(c + third);
        } else {
            Doc.viewStart = (uint32_t)(c - third);
            Doc.viewEnd = (uint32_t)(c + third > 0xFFFFFFFEll ? 0xFFFFFFFEll : c + third);
        }
    }
    NormalizeView();
    return Doc.viewStart != s0 || Doc.viewEnd != e0;
}

int viewZoomOutRange(void)
{
    int64_t f = frames64(), s = Doc.viewStart, e = Doc.viewEnd;
    if (f == 0)
        return 0;
    int64_t ns = 2 * s - e, ne = 2 * e - s;
    if (ns < 0) ns = 0;
    if (ne > f - 1) ne = f - 1;
    if (ne < ns)
        return 0;
    if (ns == s && ne == e)
        return 0;
    Doc.viewStart = (uint32_t)ns;
    Doc.viewEnd = (uint32_t)ne;
    NormalizeView();
    return 1;
}

int viewFullRange(void)
{
    int64_t f = frames64();
    if (f == 0 || (Doc.viewStart == 0 && Doc.viewEnd == (uint32_t)(f - 1)))
        return 0;
    Doc.viewStart = 0;
    Doc.viewEnd = (uint32_t)(f - 1);
    NormalizeView();
    return 1;
}

void viewKeyMove(int command, uint32_t *start, uint32_t *end)
{
    int64_t f = frames64(), s = Doc.selStart, e = Doc.selEnd == DOC_NONE ? -1 : (int64_t)Doc.selEnd;
    int selected = docHasSelection();
    switch (command) {
    case 104: {
        int64_t ns = PixelToFrame(View.selRect.left + 1);
        if (ns > f) ns = f;
        if (ns > (int64_t)Doc.viewEnd + 1) ns = (int64_t)Doc.viewEnd + 1;
        s = ns;
        if (!selected || s > e)
            e = s - 1;
        break;
    }
    case 105: {
        int64_t ns = View.selRect.left - 1 < View.area.left ? (int64_t)Doc.viewStart - 1
                                                            : (int64_t)PixelToFrame(View.selRect.left - 1);
        if (ns < 0) ns = 0;
        if (ns < (int64_t)Doc.viewStart) ns = Doc.viewStart;
        s = ns;
        if (!selected)
            e = s - 1;
        break;
    }
    case 106: {
        int64_t ne = (int64_t)PixelToFrame(View.selRect.right + 1) - 1;
        if (ne > f - 1) ne = f - 1;
        if (ne > (int64_t)Doc.viewEnd) ne = Doc.viewEnd;
        e = ne;
        break;
    }
    case 107: {
        int64_t ne = (int64_t)PixelToFrame(View.selRect.right - 1) - 1;
        if (View.selRect.right - 1 < View.area.left)
            ne = (int64_t)Doc.viewStart - 1;
        if (ne < -1) ne = -1;
        if (ne < (int64_t)Doc.viewStart - 1) ne = (int64_t)Doc.viewStart - 1;
        e = ne;
        if (e < s)
            s = e + 1;
        break;
    }
    default:
        break;
    }
    *start = (uint32_t)s;
    *end = e < 0 ? DOC_NONE : (uint32_t)e;
}

int viewChannelZone(int y, int editChannel)
{
    int top = View.area.top, bottom = View.area.bottom, h = bottom - top;
    int leftAbove, rightBelow;
    switch (editChannel) {
    case 1:  leftAbove = (top + bottom) / 2 - 8; rightBelow = bottom - h / 4; break;
    case 2:  leftAbove = top + h / 4; rightBelow = (top + bottom) / 2 + 8; break;
    default: leftAbove = top + h / 12; rightBelow = bottom - h / 12; break;
    }
    if (y < leftAbove)
        return 1;
    if (y > rightBelow)
        return 2;
    return 0;
}

void viewThumbSpan(int *left, int *right)
{
    int64_t f = frames64(), w = viewColumns();
    if (f == 0) {
        *left = View.area.left;
        *right = View.area.right;
        return;
    }
    int64_t l = View.area.left + (int64_t)Doc.viewStart * (w + 1) / f;
    int64_t r = View.area.left + (int64_t)Doc.viewEnd * (w + 1) / f;
    if (l < View.area.left) l = View.area.left;
    if (l > View.area.right) l = View.area.right;
    if (r < l) r = l;
    if (r > View.area.right) r = View.area.right;
    *left = (int)l;
    *right = (int)r;
}

void viewThumbDropped(int thumbLeft, int thumbRight)
{
    int64_t f = frames64();
    if (f == 0)
        return;
    int barW = View.bar.right - View.bar.left;
    int64_t len = (int64_t)Doc.viewEnd - Doc.viewStart;
    int64_t s = (int64_t)trunc((double)(thumbLeft - View.bar.left) / (barW > 0 ? barW : 1) * (double)f);
    if (s < 0) s = 0;
    int64_t e = s + len;
    if (thumbRight >= View.bar.right) {
        e = f - 1;
        s = e - len;
    }
    if (e > f - 1) {
        s -= e - (f - 1);
        e = f - 1;
    }
    if (s < 0) {
        e -= s;
        s = 0;
    }
    Doc.viewStart = (uint32_t)s;
    Doc.viewEnd = (uint32_t)e;
}

int viewClampX(int x)
{
    int64_t f = frames64();
    if (x < View.area.left) x = View.area.left;
    if (x > View.area.right) x = View.area.right;
    /* The column after the last data frame. */
    ViewRect r;
    uint32_t s0 = Doc.selStart, e0 = Doc.selEnd;
    Doc.selStart = (uint32_t)f;
    Doc.selEnd = DOC_NONE;
    SelectionRect(&r);
    Doc.selStart = s0;
    Doc.selEnd = e0;
    if (x > r.left)
        x = r.left;
    /* Fewer frames than columns: the last column that holds frames. */
    int w = viewColumns();
    int64_t held = (int64_t)Doc.viewEnd - Doc.viewStart + 1;
    if (held < w && held > 0 && x > View.area.left + held)
        x = (int)(View.area.left + held);
    return x;
}
