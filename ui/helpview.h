/*
 * helpview.h - the help window: the program's own manual (the ZELOHELP resource) with a
 * topic list, a Find field and the text of the chosen topic.  It takes the place of the
 * platform help engine for the Help menu and every dialog's "?" button.
 * Global state: HelpView (helpview.cpp).
 */
#ifndef ZELO_HELPVIEW_H
#define ZELO_HELPVIEW_H

#define HELP_CLASSNAME  "ZeloHelp"
#define HELP_TITLE      "Zelo Edit Help"

/* Keywords the program opens the help at (besides those of the string table, 95..97). */
#define HELPKEY_CONTENTS     ""
#define HELPKEY_QUICKREF     "Console Controls"
#define HELPKEY_FEATURES     "Features"
#define HELPKEY_SETTINGS     "Settings"
#define HELPKEY_NEWWAVE      "New Waveform"
#define HELPKEY_SAVE         "Save"

/* Opens the help window (or brings it forward) at the topic of the keyword; NULL, "" or a
   keyword without a topic shows the contents page.  The window's title names the topic:
   "Zelo Edit Help - <topic>". */
void helpShow(const char *keyword);
/* The same with a string-table entry as keyword (IDS_HELP_VIEWING and the like). */
void helpShowString(int stringId);
/* The file dialogs say which of them is up (HELPFILE_*), so that their Help button, which
   sends the registered "commdlg_help" message to the main window, opens the right topic. */
#define HELPFILE_NONE 0
#define HELPFILE_OPEN 1
#define HELPFILE_SAVE 2
void helpSetFileDialog(int kind);
/* For the main window: 1 when msg is "commdlg_help" (then the help is shown at "Open",
   "Save" or the contents), else 0. */
int  helpFileDialogMessage(unsigned msg);
/* Closes the help window when it is open (at the main window's shutdown). */
void helpClose(void);

#endif
