/*
 * graphcore.h - the envelope graphs without their windows: the table of 32 graphs, their
 * point lists, the mapping between values and the plotting area, mouse editing as pure
 * arithmetic (add, drag, delete by dragging away), the value at a position, Clear, Inverse,
 * fitting loaded points to the range, and the display mapping (scale, offset, decibels,
 * rounding) of the status line and the point editor.
 *
 * Global state: Graphs (the table and the one drag in the process).  Invariants kept by
 * every call here: 0 <= count <= GRAPH_MAXPOINTS; boxes[i] is the box of points[i] for
 * every i < count once the graph has an area; an id outside 0..31 or of an empty slot is
 * refused without touching anything.  Window-free: graph.cpp adds drawing and the mouse.
 */
#ifndef ZELO_GRAPHCORE_H
#define ZELO_GRAPHCORE_H

#include <stddef.h>
#include <stdint.h>

#define GRAPH_MAX        32      /* graph ids 0..31 */
#define GRAPH_MAXPOINTS  70      /* room for points; the mouse adds up to GRAPH_MOUSEMAX */
#define GRAPH_MOUSEMAX   69
#define GRAPH_INSET      8       /* plotting area inside the control */
#define GRAPH_AWAY       36      /* a point dragged this far outside the control goes */
#define GRAPH_NODRAG     65535
#define GRAPH_DB_BOTH    1
#define GRAPH_DB_Y       16

struct GraphRect { int32_t left, top, right, bottom; };
struct GraphPoint { int32_t x, y; };

struct GraphData {
    GraphRect  outer;                     /* the host control in dialog client coordinates */
    GraphRect  inner;                     /* outer inset by GRAPH_INSET: the plotting area */
    int16_t    yMin, yMax, xMin, xMax;    /* value ranges */
    int16_t    count;                     /* points in use */
    void      *dialog;                    /* window the graph lives in, NULL until bound */
    void      *label;                     /* static for the status line, NULL for none */
    GraphPoint points[GRAPH_MAXPOINTS];   /* x strictly increasing when edited by mouse */
    GraphRect  boxes[GRAPH_MAXPOINTS];    /* 7 x 7 box centred on each point */
    double     xScale, xOffset, yScale, yOffset;  /* display = value * scale + offset */
    uint16_t   xRound, yRound;            /* display rounding factors, 0 = none */
    char       xUnit[10], yUnit[10];      /* printed after the values */
    char       xTitle[32], yTitle[32];    /* captions in the point editor */
    uint16_t   dbMode;                    /* GRAPH_DB_BOTH, GRAPH_DB_Y or none */
};

struct GraphTable {
    GraphData *graph[GRAPH_MAX];          /* NULL: free id */
    uint16_t   dragIndex;                 /* point being dragged, GRAPH_NODRAG when none */
    int16_t    dragGraph;                 /* its graph, -1 when none */
    int        captured;                  /* the mouse is captured for the drag */
};
extern GraphTable Graphs;

/* The graph of an id, NULL for a bad id or a free slot. */
GraphData *graphFind(int id);
/* A new graph with the points (xMin, y0) and (xMax, y1); its id, -1 when all 32 are taken
   or memory fails. */
int  graphNew(int xMin, int xMax, int yMin, int yMax, long y0, long y1);
void graphFree(int id);
/* Copies the whole record of src over dst (both must exist); 0 done, -1 refused. */
int  graphCopy(int dst, int src);
/* A new graph holding a copy of id; its id or -1. */
int  graphDuplicate(int id);

/* Sets the control's area (inner = outer inset by 8) and recomputes every box. */
void graphSetArea(GraphData *g, GraphRect outer);
void graphUpdateBox(GraphData *g, int i);
void graphUpdateBoxes(GraphData *g);
/* Screen position of a value (box centre), 16-bit as the control keeps it. */
void graphToScreen(const GraphData *g, long x, long y, int *sx, int *sy);
/* Value under the mouse, clamped to the ranges. */
void graphFromMouse(const GraphData *g, int mx, int my, long *x, long *y);
int  graphInRect(const GraphRect *r, int mx, int my, int grow);
int  graphIsAway(const GraphData *g, int mx, int my);
/* Lowest index whose box holds the mouse, -1 for none. */
int  graphHitBox(const GraphData *g, int mx, int my);

/* Mouse add: the new point's index, or GRAPH_ADD_FULL / GRAPH_ADD_REFUSED (the caller beeps
   for a refusal). */
#define GRAPH_ADD_FULL     (-1)
#define GRAPH_ADD_REFUSED  (-2)
int  graphAddAt(GraphData *g, int mx, int my);
/* Mouse drag of point d to (mx, my): 1 the point was moved, 0 it was deleted (an interior
   point dragged away), -1 a bad index. */
int  graphDragTo(GraphData *g, int d, int mx, int my);
int  graphDeletePoint(GraphData *g, int i);
/* Stores a point; setCount makes count = index + 1.  0 done, -1 a bad index. */
int  graphSetPointAt(GraphData *g, int index, long x, long y, int setCount);
/* A value typed into the point editor (already converted back from the display), clamped
   to the range and between the neighbours; the first point keeps its x, so does the last. */
void graphEditPoint(GraphData *g, int i, long x, long y);

double graphValueAt(const GraphData *g, double p);
void   graphClear(GraphData *g);
#define GRAPH_INVERTED       0
#define GRAPH_BAD_ENDPOINTS  1
#define GRAPH_NOT_RISING     2
int    graphInverse(GraphData *g);
/* Stretches points loaded from a preset or a script to the x range; then every box. */
void   graphFit(GraphData *g);

/* Display mapping: axis 0 x, 1 y. */
double graphToDisplay(const GraphData *g, int axis, double v);
/* The inverse of graphToDisplay before rounding, rounded to the nearest integer value. */
long   graphFromDisplay(const GraphData *g, int axis, double shown);
/* "%g %s --> %g %s" for a value pair. */
void   graphStatusText(const GraphData *g, long x, long y, char *out, size_t size);

#endif
