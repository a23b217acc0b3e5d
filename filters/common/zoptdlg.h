/*
 * zoptdlg.h - a small options dialog for the bundled filter modules (Win32 only): groups of
 * radio buttons with OK and Cancel, built from an in-memory template so a module needs no
 * resource script.  No state beyond the call.
 */
#ifndef ZELO_ZOPTDLG_H
#define ZELO_ZOPTDLG_H

#include <windows.h>

#define ZOPT_MAX_GROUPS 4
#define ZOPT_MAX_ITEMS 4

struct ZOptGroup {
    const char *label;                      /* group caption */
    const char *items[ZOPT_MAX_ITEMS];      /* radio captions, NULL ends */
};

/* Shows the dialog with choices[g] preselected in group g; on OK stores the chosen ones.
   Returns 1 for OK, 0 for Cancel or when the dialog could not be shown. */
int zoptAsk(HWND owner, HINSTANCE module, const char *title, const ZOptGroup *groups, int nGroups,
            int *choices);

/* Control id of item i of group g (for tests that drive the dialog). */
#define ZOPT_ID(g, i) (1000 + (g) * 10 + (i))

#endif
