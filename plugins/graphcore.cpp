/*
 * graphcore.cpp - the envelope graphs' table and arithmetic (see graphcore.h).
 *
 * Writes Graphs.  All mapping between values and pixels is integer arithmetic widened to
 * 64 bits, so points stored by a module with any 32-bit value cannot overflow; a range of
 * zero width maps everything to the area's left or bottom edge instead of dividing by zero.
 */
#include "plugins/graphcore.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

GraphTable Graphs = {{0}, GRAPH_NODRAG, -1, 0};

GraphData *graphFind(int id)
{
    if (id < 0 || id >= GRAPH_MAX)
        return NULL;
    return Graphs.graph[id];
}

int graphNew(int xMin, int xMax, int yMin, int yMax, long y0, long y1)
{
    int id = 0;
    while (id < GRAPH_MAX && Graphs.graph[id])
        id++;
    if (id == GRAPH_MAX)
        return -1;
    GraphData *g = (GraphData *)calloc(1, sizeof *g);
    if (!g)
        return -1;
    g->xMin = (int16_t)xMin;
    g->xMax = (int16_t)xMax;
    g->yMin = (int16_t)yMin;
    g->yMax = (int16_t)yMax;
    g->count = 2;
    g->points[0].x = g->xMin;
    g->points[0].y = (int32_t)y0;
    g->points[1].x = g->xMax;
    g->points[1].y = (int32_t)y1;
    g->xScale = g->yScale = 1.0;
    strcpy(g->xTitle, "X");
    strcpy(g->yTitle, "Y");
    Graphs.graph[id] = g;
    return id;
}

void graphFree(int id)
{
    GraphData *g = graphFind(id);
    if (!g)
        return;
    if (Graphs.dragGraph == id) {
        Graphs.dragGraph = -1;
        Graphs.dragIndex = GRAPH_NODRAG;
    }
    free(g);
    Graphs.graph[id] = NULL;
}

int graphCopy(int dst, int src)
{
    GraphData *d = graphFind(dst), *s = graphFind(src);
    if (!d || !s)
        return -1;
    if (d != s)
        memcpy(d, s, sizeof *d);
    return 0;
}

int graphDuplicate(int id)
{
    GraphData *s = graphFind(id);
    if (!s)
        return -1;
    int copy = graphNew(0, 1, 0, 1, 0, 0);
    if (copy >= 0)
        memcpy(Graphs.graph[copy], s, sizeof *s);
    return copy;
}

static int validCount(const GraphData *g)
{
    int n = g->count;
    return n < 0 ? 0 : n > GRAPH_MAXPOINTS ? GRAPH_MAXPOINTS : n;
}

void graphToScreen(const GraphData *g, long x, long y, int *sx, int *sy)
{
    int64_t w = (int64_t)g->inner.right - g->inner.left;
    int64_t h = (int64_t)g->inner.bottom - g->inner.top;
    int64_t xr = (int64_t)g->xMax - g->xMin, yr = (int64_t)g->yMax - g->yMin;
    int64_t px = g->inner.left + (xr ? w * ((int64_t)x - g->xMin) / xr : 0);
    int64_t py = g->inner.bottom - (yr ? h * ((int64_t)y - g->yMin) / yr : 0);
    *sx = (int16_t)px;
    *sy = (int16_t)py;
}

void graphUpdateBox(GraphData *g, int i)
{
    if (i < 0 || i >= GRAPH_MAXPOINTS)
        return;
    int sx, sy;
    graphToScreen(g, g->points[i].x, g->points[i].y, &sx, &sy);
    g->boxes[i].left = sx - 3;
    g->boxes[i].top = sy - 3;
    g->boxes[i].right = sx + 3;
    g->boxes[i].bottom = sy + 3;
}

void graphUpdateBoxes(GraphData *g)
{
    int n = validCount(g);
    for (int i = 0; i < n; i++)
        graphUpdateBox(g, i);
}

void graphSetArea(GraphData *g, GraphRect outer)
{
    g->outer = outer;
    g->inner.left = outer.left + GRAPH_INSET;
    g->inner.top = outer.top + GRAPH_INSET;
    g->inner.right = outer.right - GRAPH_INSET;
    g->inner.bottom = outer.bottom - GRAPH_INSET;
    graphUpdateBoxes(g);
}

static long clampLong(int64_t v, long lo, long hi)
{
    return v < lo ? lo : v > hi ? hi : (long)v;
}

void graphFromMouse(const GraphData *g, int mx, int my, long *x, long *y)
{
    int64_t w = (int64_t)g->inner.right - g->inner.left;
    int64_t h = (int64_t)g->inner.bottom - g->inner.top;
    int64_t xr = (int64_t)g->xMax - g->xMin, yr = (int64_t)g->yMax - g->yMin;
    int64_t vx = g->xMin + (w ? xr * ((int64_t)mx + 3 - g->inner.left) / w : 0);
    int64_t vy = g->yMin + (h ? yr * ((int64_t)g->inner.bottom - my) / h : 0);
    *x = clampLong(vx, g->xMin, g->xMax);
    *y = clampLong(vy, g->yMin, g->yMax);
}

int graphInRect(const GraphRect *r, int mx, int my, int grow)
{
    return mx >= r->left - grow && mx < r->right + grow && my >= r->top - grow && my < r->bottom + grow;
}

int graphIsAway(const GraphData *g, int mx, int my)
{
    return !graphInRect(&g->outer, mx, my, GRAPH_AWAY);
}

int graphHitBox(const GraphData *g, int mx, int my)
{
    int n = validCount(g);
    for (int i = 0; i < n; i++) {
        const GraphRect *b = &g->boxes[i];
        if (mx >= b->left && mx <= b->right && my >= b->top && my <= b->bottom)
            return i;
    }
    return -1;
}

int graphAddAt(GraphData *g, int mx, int my)
{
    int n = validCount(g);
    if (n >= GRAPH_MOUSEMAX)
        return GRAPH_ADD_FULL;
    long x, y;
    graphFromMouse(g, mx, my, &x, &y);
    int i = 0;
    while (i < n && g->points[i].x < x)
        i++;
    if (i == n || i == 0)
        return GRAPH_ADD_REFUSED;
    int sx, sy, px, py;
    graphToScreen(g, x, y, &sx, &sy);
    graphToScreen(g, g->points[i - 1].x, g->points[i - 1].y, &px, &py);
    if (sx < px || sx > g->boxes[i].left)
        return GRAPH_ADD_REFUSED;
    memmove(&g->points[i + 1], &g->points[i], (size_t)(n - i) * sizeof g->points[0]);
    g->points[i].x = (int32_t)x;
    g->points[i].y = (int32_t)y;
    g->count = (int16_t)(n + 1);
    for (int k = i; k <= n; k++)
        graphUpdateBox(g, k);
    return i;
}

int graphDeletePoint(GraphData *g, int i)
{
    int n = validCount(g);
    if (i < 0 || i >= n)
        return -1;
    memmove(&g->points[i], &g->points[i + 1], (size_t)(n - i - 1) * sizeof g->points[0]);
    memmove(&g->boxes[i], &g->boxes[i + 1], (size_t)(n - i - 1) * sizeof g->boxes[0]);
    g->count = (int16_t)(n - 1);
    return 0;
}

int graphDragTo(GraphData *g, int d, int mx, int my)
{
    int n = validCount(g);
    if (d < 0 || d >= n)
        return -1;
    int interior = d > 0 && d < n - 1;
    if (interior && graphIsAway(g, mx, my)) {
        graphDeletePoint(g, d);
        return 0;
    }
    long x, y;
    graphFromMouse(g, mx, my, &x, &y);
    g->points[d].y = (int32_t)y;
    if (interior) {
        int64_t lo = (int64_t)g->points[d - 1].x + 1, hi = (int64_t)g->points[d + 1].x - 1;
        int64_t v = x;
        if (v > hi)
            v = hi;
        if (v < lo)
            v = lo;
        g->points[d].x = (int32_t)v;
    }
    graphUpdateBox(g, d);
    return 1;
}

int graphSetPointAt(GraphData *g, int index, long x, long y, int setCount)
{
    if (index < 0 || index >= GRAPH_MAXPOINTS)
        return -1;
    g->points[index].x = (int32_t)x;
    g->points[index].y = (int32_t)y;
    if (setCount)
        g->count = (int16_t)(index + 1);
    if (g->dialog)
        graphUpdateBox(g, index);
    return 0;
}

void graphEditPoint(GraphData *g, int i, long x, long y)
{
    int n = validCount(g);
    if (i < 0 || i >= n)
        return;
    int64_t vx = clampLong(x, g->xMin, g->xMax);
    int64_t vy = clampLong(y, g->yMin, g->yMax);
    if (i == 0 || i == n - 1) {
        vx = g->points[i].x;     /* the endpoints stay at the ends of the range */
    } else {
        int64_t lo = (int64_t)g->points[i - 1].x + 1, hi = (int64_t)g->points[i + 1].x - 1;
        if (vx > hi)
            vx = hi;
        if (vx < lo)
            vx = lo;
    }
    g->points[i].x = (int32_t)vx;
    g->points[i].y = (int32_t)vy;
    graphUpdateBox(g, i);
}

double graphValueAt(const GraphData *g, double p)
{
    int n = validCount(g);
    double X = ((double)g->xMax - g->xMin) * p;
    for (int i = 1; i < n; i++) {
        if (X <= g->points[i].x) {
            double x0 = g->points[i - 1].x, y0 = g->points[i - 1].y;
            double x1 = g->points[i].x, y1 = g->points[i].y;
            if (x1 == x0)
                return (y1 + y0) * 0.5;
            return y0 + (y1 - y0) / (x1 - x0) * (X - x0);
        }
    }
    return 0.0;
}

void graphClear(GraphData *g)
{
    int n = validCount(g);
    if (n <= 2)
        return;
    g->points[1] = g->points[n - 1];
    g->count = 2;
    graphUpdateBoxes(g);
}

int graphInverse(GraphData *g)
{
    int n = validCount(g);
    if (n < 1 || g->points[0].y != 0 || g->points[n - 1].x != 1000)
        return GRAPH_BAD_ENDPOINTS;
    for (int i = 1; i < n; i++)
        if (g->points[i].y <= g->points[i - 1].y)
            return GRAPH_NOT_RISING;
    if (n < 3)
        return GRAPH_INVERTED;
    for (int i = 1; i < n - 1; i++) {
        int32_t t = g->points[i].x;
        g->points[i].x = g->points[i].y;
        g->points[i].y = t;
        graphUpdateBox(g, i);
    }
    return GRAPH_INVERTED;
}

void graphFit(GraphData *g)
{
    int n = validCount(g);
    if (n >= 2) {
        int64_t first = g->points[0].x, last = g->points[n - 1].x;
        if ((last != g->xMax || first != g->xMin) && last != first) {
            int64_t range = (int64_t)g->xMax - g->xMin;
            for (int i = 0; i < n; i++) {
                int64_t v = (int64_t)g->points[i].x * range / (last - first);
                g->points[i].x = (int32_t)clampLong(v, INT32_MIN, INT32_MAX);
            }
        }
    }
    graphUpdateBoxes(g);
}

static int inDecibels(const GraphData *g, int axis)
{
    return g->dbMode == GRAPH_DB_BOTH || (axis == 1 && g->dbMode == GRAPH_DB_Y);
}

double graphToDisplay(const GraphData *g, int axis, double v)
{
    v = axis ? v * g->yScale + g->yOffset : v * g->xScale + g->xOffset;
    if (inDecibels(g, axis))
        v = 20.0 * log10(v > 1.0 / 65536.0 ? v : 1.0 / 65536.0);
    unsigned factor = axis ? g->yRound : g->xRound;
    if (factor && isfinite(v))
        v = trunc(v * factor) / factor;
    return v;
}

long graphFromDisplay(const GraphData *g, int axis, double shown)
{
    double v = shown;
    if (inDecibels(g, axis))
        v = pow(10.0, v / 20.0);
    double scale = axis ? g->yScale : g->xScale, offset = axis ? g->yOffset : g->xOffset;
    v -= offset;
    if (scale != 0.0)
        v /= scale;
    if (!(v == v))
        return 0;
    v = floor(v + 0.5);
    if (v < (double)INT32_MIN)
        return INT32_MIN;
    if (v > (double)INT32_MAX)
        return INT32_MAX;
    return (long)v;
}

void graphStatusText(const GraphData *g, long x, long y, char *out, size_t size)
{
    if (!out || !size)
        return;
    snprintf(out, size, "%g %.*s --> %g %.*s", graphToDisplay(g, 0, (double)x),
             (int)sizeof g->xUnit, g->xUnit, graphToDisplay(g, 1, (double)y),
             (int)sizeof g->yUnit, g->yUnit);
}
