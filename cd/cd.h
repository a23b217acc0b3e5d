/*
 * cd.h - the CD player as the program sees it: start-up (is there a drive?), shutdown (the
 * device closed), the panel's commands (148 shows or hides it; 141..150 and the track keys
 * 313..322 come from its controls), its band under the toolbar, and the drive over MCI
 * command strings.
 *
 * Global state: Cd.  The panel's flags and texts live in Cd.core (cdcore.h); the windows
 * show them after every step.  Without a drive the panel opens all the same (from a script)
 * and says "No CD".  ZELO_CD_STANDIN in the environment puts the scripted drive with a
 * three-track disc in place of the platform's, for trying the panel where no drive exists.
 */
#ifndef ZELO_CD_H
#define ZELO_CD_H

#include <windows.h>
#include "cd/cdcore.h"
#include "cd/cdfake.h"

#define CD_TIMER     1993
#define CD_BAND      56       /* the panel's height under the toolbar */
#define CD_PANELCLASS "ZeloCDPanel"

struct CdWin {
    CdState core;            /* flags, titles and what the panel shows */
    CdEnv    env;            /* the drive and the title files */
    CdFake   fake;           /* the scripted drive, when it stands in */
    int      available;      /* a drive answered at start-up (or the stand-in is used) */
    int      opened;         /* the MCI device was opened and must be closed */
    int      shown;          /* the panel is up */
    HWND     panel;          /* holds the seven buttons; owns timer 1993 */
    HWND     button[CDB_COUNT];
    int      listed;         /* tracks now in the list box */
};
extern CdWin Cd;

void cdInit(void);
void cdShutdown(void);
int  cdAvailable(void);
/* Commands 141..150 (148 shows or hides the panel) and 313..322. */
void cdCommand(int id, int notify);
/* Height of the band the panel takes (0 while hidden), and its placing under the toolbar. */
int  cdBandHeight(void);
void cdLayout(int top, int width);

/* CdDevice.send over mciSendString: the error code, the reply text ("" on error). */
unsigned long cdMciSend(void *ctx, const char *command, char *reply, size_t size);
/* CdIni over the platform's private-profile calls and file sizes. */
extern const CdIni CdProfileIni;

#endif
