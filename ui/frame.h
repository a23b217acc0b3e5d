/*
 * frame.h - the main window's frame as every windowed part of the program sees it: the
 * program's module, the main window and the child controls the shell lays out, the fonts
 * and cursors made at start-up, and the few services each of them needs (strings from the
 * resources, the one message box, the one centring routine, the transport buttons, the
 * common tail of a dialog procedure).
 *
 * Global state: Frame.  The shell creates the main window and its children and fills the
 * handles once, in WM_CREATE; everything else only reads them.  Frame.busy counts the
 * long operations running behind the progress meter (see frameBusy).
 */
#ifndef ZELO_FRAME_H
#define ZELO_FRAME_H

#include <windows.h>
#include "os/os.h"

#define FRAME_CLASSNAME    "ZELO-v95"
#define FRAME_METERCLASS   "ZeloMeter7"
#define FRAME_TOOLBARCLASS "ZeloToolbar"

enum FrameButton { BTN_ZOOMIN, BTN_ZOOMOUT, BTN_FULLVIEW, BTN_PLAY, BTN_PAUSE, BTN_STOP, BTN_RECORD, BTN_COUNT };

struct FrameState {
    HINSTANCE instance;             /* this program's module */
    HWND      main;                 /* the main window, NULL before creation */
    char      helpName[32];         /* string 9: the help file's name */
    char      programName[32];      /* string 10: title stem and profile section */
    char      versionText[16];      /* string 106 */
    int       osLevel;              /* 1, 2 or 3 from the platform version */
    char      programDir[160];      /* the executable's folder, no trailing backslash */
    char      autoplay[16];         /* "autoplayme" while the command-line file's first play runs */
    HACCEL    menuAcc;              /* the main window's accelerators */
    int       closing;              /* set once WM_CLOSE decided to close; WM_PAINT stops */
    int       spectralBusy;         /* a spectral render pumps messages */
    int       busy;                 /* long operations under way (frameBusyBegin/End) */
    int       closeAfterBusy;       /* the user asked to close while one ran: close when it ends */
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
    RECT      waveArea;             /* client rectangle of the waveform */
    HWND      messageOwner;         /* owner of the next message box; NULL the main window */
};
extern FrameState Frame;

/* Loads a string-table entry into buf and returns buf ("" when there is none). */
const char *frameString(int id, char *buf, int size);
/* The one message box of the program: owned by the main window, or by the dialog given to
   frameMessageFrom.  The engine's osMessage lands here, so tests see every message. */
int  frameMessage(const char *text, const char *caption, unsigned style);
/* The same, owned by a dialog that is up (goes through osMessage as well). */
int  frameMessageFrom(HWND owner, const char *text, const char *caption, unsigned style);
/* Centres a window over another (the main window when over is NULL), kept on the work area. */
void frameCentre(HWND w, HWND over);
void frameEnableButton(int which, BOOL on);

/* The enabling pass over the menu, buttons and Repeat (the shell's, reached through
   FrameHook so that the parts below it can ask for one after a change). */
struct FrameHooks {
    void (*refreshCommands)(void);
};
extern FrameHooks FrameHook;
void frameRefreshCommands(void);

/* Long operations (everything behind the progress meter) bracket their work with these;
   while one runs the shell refuses or defers what could pull the store from under it. */
void frameBusyBegin(void);
void frameBusyEnd(void);
int  frameBusy(void);

/* The common tail of a dialog procedure: "?" (id 222) opens the help at helpKey, WM_CLOSE
   acts as Cancel.  Returns TRUE when the message was one of these and has been handled. */
BOOL frameDialogTail(HWND dlg, UINT msg, WPARAM wParam, const char *helpKey);
/* The same with the keyword taken from the string table. */
BOOL frameDialogTailId(HWND dlg, UINT msg, WPARAM wParam, int helpKeyString);

#endif
