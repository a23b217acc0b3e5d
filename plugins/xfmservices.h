/*
 * xfmservices.h - the graph control and preset services the transform host hands to modules
 * (and exports by name): their declarations as the host calls them.  Each is WINAPI with
 * C linkage so zelo.exe can export it under its undecorated name.
 */
#ifndef ZELO_XFMSERVICES_H
#define ZELO_XFMSERVICES_H

#include <windows.h>
#include "filters/sdk/zxform.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Graph control: GraphIds 0..31; -1 or 0 for a bad id as each call says. */
short WINAPI graphapiCreate(short xMin, short xMax, short yMin, short yMax, short yAtMin, short yAtMax);
void  WINAPI graphapiSetDialog(short id, HWND dlg, short controlId, short labelId);
void  WINAPI graphapiDestroy(short id);
void  WINAPI graphapiDraw(short id, HDC dc);
short WINAPI graphapiWM_LBUTTONDOWN(short id, short x, short y);
short WINAPI graphapiWM_LBUTTONUP(short id, short x, short y);
short WINAPI graphapiWM_MOUSEMOVE(short id, short x, short y);
short WINAPI graphapiWM_LBUTTONDBLCLK(short id, short x, short y);
short WINAPI graphapiCount(short id);
void  WINAPI graphapiGetPoint(short id, short index, long *xy);
void  WINAPI graphapiSetPoint(short id, short index, long x, long y, short setCount);
void  WINAPI graphapiGetValueAt(short id, double position, double *value);
void  WINAPI graphapiClear(short id);
void  WINAPI graphapiInverse(short id);
void  WINAPI graphapiSetDblClkScales(short id, double xScale, double xOffset, WORD xRound,
                                     double yScale, double yOffset, WORD yRound, WORD dbMode);
void  WINAPI graphapiSetDblClkNames(short id, LPCSTR xTitle, LPCSTR xUnit, LPCSTR yTitle, LPCSTR yUnit);
void  WINAPI graphapiCopyGraph(short dst, short src);

/* Presets kept in an INI file, one section per transform. */
short WINAPI presetsInitIni(HWND dlg, LPCSTR section, LPCSTR iniFile);
short WINAPI HandleID_PRESETS(XfmContext *ctx, HWND dlg, LPCSTR section, WORD notify, HWND list);
void  WINAPI HandleID_ADD(XfmContext *ctx, HWND dlg, LPCSTR section);
short WINAPI presetHandleDEL(HWND dlg, LPCSTR section);
void  WINAPI presetHandlePRESETNAME(HWND dlg);

#ifdef __cplusplus
}
#endif

#endif
