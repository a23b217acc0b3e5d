/*
 * xfmstubs.cpp - placeholder until the graph and preset services land: each service does
 * nothing and returns 0, so the transform host links and modules without XFM_GRAPH or
 * XFM_PRESETS run.  No state.
 */
#include "plugins/xfmservices.h"

short WINAPI graphapiCreate(short, short, short, short, short, short) { return 0; }
void  WINAPI graphapiSetDialog(short, HWND, short, short) {}
void  WINAPI graphapiDestroy(short) {}
void  WINAPI graphapiDraw(short, HDC) {}
short WINAPI graphapiWM_LBUTTONDOWN(short, short, short) { return 0; }
short WINAPI graphapiWM_LBUTTONUP(short, short, short) { return 0; }
short WINAPI graphapiWM_MOUSEMOVE(short, short, short) { return 0; }
short WINAPI graphapiWM_LBUTTONDBLCLK(short, short, short) { return 0; }
short WINAPI graphapiCount(short) { return 0; }
void  WINAPI graphapiGetPoint(short, short, long *) {}
void  WINAPI graphapiSetPoint(short, short, long, long, short) {}
void  WINAPI graphapiGetValueAt(short, double, double *) {}
void  WINAPI graphapiClear(short) {}
void  WINAPI graphapiInverse(short) {}
void  WINAPI graphapiSetDblClkScales(short, double, double, WORD, double, double, WORD, WORD) {}
void  WINAPI graphapiSetDblClkNames(short, LPCSTR, LPCSTR, LPCSTR, LPCSTR) {}
void  WINAPI graphapiCopyGraph(short, short) {}

short WINAPI presetsInitIni(HWND, LPCSTR, LPCSTR) { return 0; }
short WINAPI HandleID_PRESETS(XfmContext *, HWND, LPCSTR, WORD, HWND) { return 0; }
void  WINAPI HandleID_ADD(XfmContext *, HWND, LPCSTR) {}
short WINAPI presetHandleDEL(HWND, LPCSTR) { return 0; }
void  WINAPI presetHandlePRESETNAME(HWND) {}
