/*
 * graph.h - the envelope graph control as host services for transform modules: up to 32
 * graphs (GraphId 0..31) drawn inside a module's dialog, edited with the mouse (click to add
 * a point, drag to move it, drag an inner point far outside to delete it, double-click for
 * the "Edit Point" dialog), with a status line and an inverse operation.  A module's dialog
 * procedure forwards its painting and its mouse messages here.
 *
 * The services are exported with the platform's usual convention for dynamic libraries and
 * undecorated names, so separately built modules can call them through the context record.
 * An id of 32 or more, or of a graph not created, is ignored (results as stated).  The
 * state lives in Graphs (plugins/graphcore.h).
 */
#ifndef ZELO_GRAPH_H
#define ZELO_GRAPH_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A new graph over x min..x max, y min..y max with the points (x min, y0) and (x max, y1).
   Returns its id, -1 when all 32 are in use or memory fails. */
short WINAPI graphapiCreate(short xMin, short xMax, short yMin, short yMax, short y0, short y1);
/* Binds the graph to control ctlId of dlg (its rectangle becomes the graph's area) and to
   the static labelId for the status line (0 for none). */
void  WINAPI graphapiSetDialog(short id, HWND dlg, short ctlId, short labelId);
void  WINAPI graphapiDestroy(short id);
void  WINAPI graphapiDraw(short id, HDC dc);
/* Mouse messages at dialog client coordinates; each returns the index of the point
   concerned, -1 for none. */
short WINAPI graphapiWM_LBUTTONDOWN(short id, short x, short y);
short WINAPI graphapiWM_MOUSEMOVE(short id, short x, short y);
short WINAPI graphapiWM_LBUTTONUP(short id, short x, short y);
short WINAPI graphapiWM_LBUTTONDBLCLK(short id, short x, short y);
/* Number of points, 0 for a bad id. */
short WINAPI graphapiCount(short id);
/* Copies point index into dest (x, y); (0, 0) for a bad id or index. */
void  WINAPI graphapiGetPoint(short id, short index, POINT *dest);
/* Stores point index (0..69); setCount non-zero makes the count index + 1. */
void  WINAPI graphapiSetPoint(short id, short index, long x, long y, short setCount);
/* The interpolated y at position p (0 to 1 along the x range) into dest; 0 for a bad id. */
void  WINAPI graphapiGetValueAt(short id, double p, double *dest);
/* Keeps only the two endpoints. */
void  WINAPI graphapiClear(short id);
/* Mirrors a rising curve from (x, 0) to (1000, y) about the diagonal, or says why not.
   Returns 1 when the curve was inverted (or has nothing to invert), else 0. */
short WINAPI graphapiInverse(short id);
/* The display mapping of the status line and the point editor: shown = value * scale +
   offset, in decibels for dbMode 1 (both) or 16 (y only), cut to 1/rounding. */
void  WINAPI graphapiSetDblClkScales(short id, double xScale, double xOffset, unsigned short xRound,
                                     double yScale, double yOffset, unsigned short yRound,
                                     unsigned short dbMode);
void  WINAPI graphapiSetDblClkNames(short id, LPCSTR xTitle, LPCSTR xUnit, LPCSTR yTitle, LPCSTR yUnit);
/* Copies the whole graph src over dst, window handles and boxes included. */
void  WINAPI graphapiCopyGraph(short dst, short src);

#ifdef __cplusplus
}
#endif

/* Host side: a new graph holding a copy of id (-1 when none is free), and the stretch of
   points loaded from a preset or a script to the graph's x range. */
short DuplicateGraph(short id);
void  FitGraphPoints(short id);

#endif
