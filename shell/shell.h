/*
 * shell.h - the program's top: start-up, the main window procedure, its layout, the command
 * dispatch and the enabling pass.  Every subsystem below offers one header with its init,
 * shutdown and commands; only this folder includes them all, and only startup.cpp assigns
 * the hooks between them.
 *
 * Global state: Shell (what the main window keeps for itself; the handles every windowed
 * part reads are in Frame, ui/frame.h).
 */
#ifndef ZELO_SHELL_H
#define ZELO_SHELL_H

#include "ui/frame.h"

struct ShellState {
    char      className[9];         /* "ZELO-v95"; last character bumped on failed registration */
    char      iniName[32];          /* string 8: the private profile's file name */
    int       firstInstance;        /* 1 when no other main window existed at start */
    char      commandLine[1024];    /* the raw command line */
    HACCEL    numsAcc;              /* the CD number entry's accelerators */
    int       inKeyDown;            /* nested WM_KEYDOWN guard */
    int       formatWidth, countWidth, sizeWidth;/* measured once with the status font */
    int       begWidth, buttonWidth, cdTimeWidth;/* measured once with the status font */
    int       labelWidth;           /* widest of the read-out captions */
    int       cdShown;              /* CD panel shown */
};
extern ShellState Shell;

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void shellLayout(int width, int height);

/* Commands (commands.cpp). */
void commandDispatch(HWND hwnd, int id, int notify, HWND control);
void commandEnablePass(HMENU menu);
/* A toolbar button's TB_STATE_* bits after the latest enabling pass. */
int  commandButtonState(int id);
/* The About box (about.cpp). */
void cmdAbout(void);

/* Start-up and shutdown (startup.cpp): the only place where the subsystems' hooks are set. */
void startupBeforeWindow(void);     /* settings, directories, document, subsystems' init */
void startupWindowCreated(HWND hwnd);/* devices and the rest that needs the main window */
void startupOpenCommandLine(void);
void shutdownAll(void);             /* WM_DESTROY, in the fixed order */
void shutdownLastCopy(void);        /* the last running copy's clean-up */

#endif
