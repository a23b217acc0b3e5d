/*
 * filedlg.h - the set-up every common file dialog of the program shares: the record
 * cleared and sized, the owner, the name buffer, the type list and title, and the flags
 * every one of them wants (explorer style, no read-only box, an existing folder, the
 * current directory left alone).  Callers add their own hook, template, folder and flags.
 */
#ifndef ZELO_FILEDLG_H
#define ZELO_FILEDLG_H

#include <windows.h>
#include <commdlg.h>

void frameFileDialog(OPENFILENAMEA *o, HWND owner, char *file, DWORD fileSize, const char *filter,
                     const char *title, DWORD moreFlags);

#endif
