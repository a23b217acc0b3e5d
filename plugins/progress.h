/*
 * progress.h - the progress meter every long operation reports through: a small modeless
 * dialog with a bar, the percentage, an estimate of the time left, Pause/Continue and
 * Cancel.  At most one exists at a time.
 *
 * State: Progress (the dialog, its owner, the cancel and pause flags, the estimate's last
 * values).  While Progress.silentOwner is nonzero the three calls show nothing.
 */
#ifndef ZELO_PROGRESS_H
#define ZELO_PROGRESS_H

#include <windows.h>
#include <stddef.h>
#include <stdint.h>

/* How often a busy operation's steps reach the screen and the message queue.  Steps come
   far more often than anyone can see (every 32 KB piece of a file): the bar and the estimate
   change at most every PROGRESS_SHOW_MS and only when a whole percent has passed; messages
   are pumped every PROGRESS_PUMP_MS, so Cancel and Pause answer well within 100 ms. */
#define PROGRESS_PUMP_MS 40u
#define PROGRESS_SHOW_MS 50u
#define PROGRESS_NOTHING 0
#define PROGRESS_PUMP    1     /* pump messages only */
#define PROGRESS_SHOW    2     /* update the bar and the estimate, then pump */
struct ProgressGate {
    int      started;          /* 0 after progressCreate: the first step shows */
    uint32_t lastPump, lastShown;
    double   shownPercent;
};
/* What a step at tick `now` with `percent` done should do; updates the gate. */
int progressGate(ProgressGate *g, uint32_t now, double percent);

struct ProgressState {
    HWND     dialog;          /* NULL when none */
    HWND     owner;           /* disabled while the dialog is up */
    char     title[128];      /* control 109; "Generating Stuff" by default */
    char     label[64];       /* control 3053: the running transform's label */
    short    cancelled;       /* 1 once Cancel was pressed or the dialog closed */
    short    paused;
    DWORD    startTick;       /* moved forward by every pause */
    DWORD    pauseTick;
    double   lastPercent;     /* -1 after create */
    uint32_t lastSeconds;     /* all bits set after create */
    long     lastPosition;    /* hundredths of a percent; -100 when the dialog opens */
    RECT     bar;             /* control 1003 in client coordinates */
    uint32_t silentOwner;     /* a silent transform call holds the meter */
    ProgressGate gate;        /* reset by progressCreate */
};
extern ProgressState Progress;

/* owner: NULL the main window, (HWND)-1 none (and nothing is disabled). */
extern "C" {
/* Exported to modules (WINAPI, undecorated names). */
int  WINAPI progressMeter(uint32_t done, uint32_t total);   /* 1 go on, 0 stop */
void WINAPI progressDestroy(void);
void WINAPI progressCreate(const char *title, HWND owner);
}

/* Seconds left (whole seconds left + 1) after elapsed milliseconds at percent done
   (0 < percent <= 100); never more than the elapsed time implies, so 100 % gives 1. */
uint32_t progressEtaSeconds(uint32_t elapsed, double percent);
/* "ETA: 1 Hour 2 Minutes 5 Seconds" for 3725 seconds (progresseta.cpp). */
void progressEtaText(uint32_t seconds, char *out, size_t size);

#endif
