/*
 * shell.h - the main window: start-up, layout, message loop and shutdown.
 *
 * Global state: Shell (process-wide values prepared at start-up and the main window's
 * children).  One running copy has one main window; copies find each other by class name.
 */
#ifndef ZELO_SHELL_H
#define ZELO_SHELL_H

#include <windows.h>

#define SHELL_CLASSNAME   "ZELO-v95"
#define SHELL_METERCLASS  "ZeloMeter7"
#define SHELL_TOOLBARCLASS "ZeloToolbar"

enum ShellButton { BTN_ZOOMIN, BTN_ZOOMOUT, BTN_FULLVIEW, BTN_PLAY, BTN_PAUSE, BTN_STOP, BTN_RECORD, BTN_COUNT };

struct ShellState {
    HINSTANCE instance;             /* this program's module */
    HWND      main;                 /* the main window, NULL before creation */
    char      className[9];         /* "ZELO-v95"; last character bumped on failed registration */
    char      iniName[32];          /* string 8: the private profile's file name */
    char      helpName[32];         /* string 9: the help file's name */
    char      programName[32];      /* string 10: title stem and profile section */
    char      versionText[16];      /* string 106 */
    int       osLevel;              /* 1, 2 or 3 from the platform version */
    char      programDir[160];      /* the executable's folder, no trailing backslash */
    int       firstInstance;        /* 1 when no other main window existed at start */
    char      commandLine[1024];    /* the raw command line */
    char      autoplay[16];         /* "autoplayme" while the command-line file's first play runs */
    HACCEL    menuAcc, numsAcc;     /* the two accelerator tables */
    int       closing;              /* set once WM_CLOSE decided to close; WM_PAINT stops */
    int       spectralBusy;         /* a spectral render pumps messages */
    int       inKeyDown;            /* nested WM_KEYDOWN guard */
    int       noPlayBar;            /* [Size] NoPlayBar */
    HFONT     statusFont, smallFont;/* "Arial" 15 and 12 */
    HCURSOR   selectCursor, leftCursor, rightCursor; /* 161, 166, 165 */
    HWND      button[BTN_COUNT];    /* transport and zoom buttons */
    HWND      meter, toolbar;       /* level meter and toolbar row */
    HWND      cdList, cdTime, cdEntry;           /* CD panel controls (hidden until shown) */
    HWND      devName, devCaps;     /* output device name and capability line */
    HWND      begLabel, endLabel, timeLabel;     /* " Beg:", " End:", " Time:" */
    HWND      begValue, endValue, timeValue;     /* their read-outs */
    HWND      formatField, countField, sizeField;/* the wave's format, sample count and size */
    int       formatWidth, countWidth, sizeWidth;/* measured once with the status font */
    RECT      waveArea;             /* client rectangle of the waveform */
    int       begWidth, buttonWidth, cdTimeWidth;/* measured once with the status font */
    int       labelWidth;           /* widest of the read-out captions */
    int       cdShown;              /* CD panel shown */
};
extern ShellState Shell;

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void shellLayout(int width, int height);
void shellEnableButton(int which, BOOL on);
/* Shows a message box owned by the main window (the engine's osMessage lands here). */
int  shellMessage(const char *text, const char *caption, unsigned style);
/* Centres a window over another (the main window when over is NULL), kept on the screen. */
void shellCentreOver(HWND w, HWND over);
/* Loads a string-table entry into buf and returns buf. */
const char *shellString(int id, char *buf, int size);

/* Commands (commands.cpp). */
void commandDispatch(HWND hwnd, int id, int notify, HWND control);
void commandEnablePass(HMENU menu);

#endif
