/*
 * toolbar.h - the button row at the top of the main window, as the program sees it: start-up
 * over the row's window, laying it out for a width, the enabling pass's states, the
 * "Toolbar Settings" dialog (command 355) and the File Save button's mode.
 *
 * Global state: Toolbar.  The order list is loaded at the first layout (after the transform
 * registry is built) and lives for the process; the buttons are owner-drawn BUTTON children
 * of the row whose control id is the command they send to the main window.
 */
#ifndef ZELO_TOOLBAR_H
#define ZELO_TOOLBAR_H

#include <windows.h>
#include "toolbar/tborder.h"

#define TB_STATE_OFF     0x1     /* greyed, as its menu item */
#define TB_STATE_ON      0x2     /* toggled on (loop, monitor, the edited channel, spectral view) */
#define TB_TIP_CLASS     "ZeloTip"
#define TB_MAXBUTTONS    256     /* more than fit any screen at 25 pixels a button */
/* Automation: the row answers this registered message with the last command a button sent
   (0 none), so a test can tell a click reached the program without a side effect. */
#define TB_LAST_MESSAGE  "ZeloToolbarLast"

struct ToolbarHooks {
    /* TB_STATE_* of a command id (7000 + n for transform n) after the latest enabling pass. */
    int  (*state)(int id);
    /* Asks for an enabling pass now (the row repeats it while the program idles). */
    void (*refresh)(void);
};

struct ToolbarState {
    HWND     row;                      /* the row window (Frame.toolbar), subclassed */
    WNDPROC  rowProc;                  /* its class procedure */
    TbOrder  order;                    /* what has a button, in order */
    HWND     button[TB_MAXBUTTONS];    /* the buttons placed now, in order */
    int      buttons;                  /* how many */
    int      width;                    /* the width last laid out */
    HBITMAP  picture[TB_ROWS];         /* the table's pictures, loaded once */
    HBRUSH   checkers;                 /* behind disabled and toggled-on buttons */
    HWND     tip;                      /* the tooltip window, hidden when not in use */
    HWND     hover;                    /* the button under the mouse, NULL none */
    int      lastSent;                 /* the last command a button sent */
    ToolbarHooks hook;
};
extern ToolbarState Toolbar;

/* Takes over the row window made by the shell; the buttons come with the first layout. */
void toolbarInit(HWND row);
void toolbarShutdown(void);
/* Places the buttons that fit width pixels (loading the order list the first time). */
void toolbarLayout(int width);
/* Applies the enabling pass's states (through Toolbar.hook.state) to the buttons. */
void toolbarApplyStates(void);
/* Command 355: the "Toolbar Settings" dialog. */
void toolbarSettingsCommand(void);
/* The File Save button (138) saves at once (1) or asks for a name (0). */
int  toolbarSaveNow(void);

/* Shared by the row and its dialog: the registry as the order list sees it, and storing a
   new order (kept in Toolbar.order and written to zelo.ini). */
TbRegistry toolbarRegistry(void);
void toolbarDialogSave(const TbOrder *o);
/* What the CD panel's buttons share with the row: the drawing of a picture button (raised,
   pressed, greyed or toggled on over the checkers), and the tooltip of a button whose id is
   one of the CD commands. */
void toolbarDrawButton(const DRAWITEMSTRUCT *d, HBITMAP picture, int on);
void toolbarAdoptButton(HWND button);
INT_PTR CALLBACK TOOLBARSETMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
