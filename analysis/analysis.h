/*
 * analysis.h - the frequency analysis window as the program calls it: opening it (command
 * 5060), asking it to refresh after the samples or the selection changed (command 282, sent
 * at most once until it is handled), its title following the main window's, and closing it
 * at shutdown (its placement and Line View saved).
 *
 * State: Analysis (analysis_win.cpp).  One window per running copy, modeless, owned by the
 * main window.
 */
#ifndef ZELO_ANALYSIS_H
#define ZELO_ANALYSIS_H

#include "analysis/ancore.h"

#ifdef _WIN32
#include <windows.h>

struct AnalysisState {
    HWND      wnd;              /* the window, NULL while closed */
    AnChannel ch[2];            /* shown spectrum and dominant frequency per channel */
    int       channels;         /* channels of what is shown (1 with no wave) */
    uint32_t  rate;             /* sample rate of what is shown, 0 with no wave */
    int       refreshPosted;    /* command 282 is on its way */
    int       scanning;         /* a scan runs behind the progress meter */
    int       lineView;         /* "Line View" ticked */
    RECT      graph;            /* the graph frame in client pixels */
    POINT     minTrack;         /* smallest window size (the resource's) */
    HFONT     font;             /* "Arial" 14 for the labels */
    AnWork   *work;             /* transform buffers while open */
};
extern AnalysisState Analysis;

/* Command 5060: opens the window (or brings it forward) and computes. */
void analysisOpen(void);
int  analysisIsOpen(void);
/* Posts command 282 to the open window; nothing while it is closed. */
void analysisRefresh(void);
/* The main window's title changed. */
void analysisTitle(const char *mainTitle);
/* At shutdown: closes the window, saving its placement. */
void analysisShutdown(void);
#endif

#endif
