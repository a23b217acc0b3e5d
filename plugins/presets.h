/*
 * presets.h - named presets of a transform's settings as host services for modules: the
 * module's dialog has a list box (PRESET_LIST), a name field (PRESET_NAME, up to 28
 * characters), an Add button (PRESET_ADD) and a Delete button (PRESET_DEL); the host fills
 * the list, keeps the buttons' state and stores the presets under "Item1", "Item2", ... of
 * a section the module names, in zelo.ini unless presetsInitIni names another file.  Which
 * settings a preset holds is the transform's preset mask over its layout.
 *
 * State: Presets (the file the last presetsInitIni named).  Exported with the platform's
 * usual convention for dynamic libraries and undecorated names; the context argument is
 * the module's 300-byte context record.
 */
#ifndef ZELO_PRESETS_H
#define ZELO_PRESETS_H

#include <windows.h>

#define PRESET_LIST   1005
#define PRESET_NAME   1006
#define PRESET_ADD    325
#define PRESET_DEL    1109

struct PresetsState {
    char file[MAX_PATH];   /* full path of a file other than zelo.ini; "" for zelo.ini */
};
extern PresetsState Presets;

#ifdef __cplusplus
extern "C" {
#endif

/* Fills the list with every live preset of section offered for the current channel count
   (item data: its key number) and disables Add and Delete.  iniFile NULL, "" or "zelo.ini"
   means the program's zelo.ini.  Returns the number of live presets read, offered or not. */
short WINAPI presetsInitIni(HWND dlg, LPCSTR section, LPCSTR iniFile);
/* The same over zelo.ini, leaving the buttons alone. */
short WINAPI presetsInit(HWND dlg, LPCSTR section);
/* For every change of the name field: empty disables Add and Delete; a listed name
   (case-insensitive) enables Delete only; any other text enables Add only. */
void  WINAPI presetHandlePRESETNAME(HWND dlg);
/* For the list's notifications: a selection change (1) copies the name into the name
   field; a double click (2) loads the preset into the settings.  Returns 1 when a preset
   was loaded, else 0. */
short WINAPI HandleID_PRESETS(void *context, HWND dlg, LPCSTR section, WORD notification, HWND list);
/* Stores the current settings as a new preset named by the name field. */
void  WINAPI HandleID_ADD(void *context, HWND dlg, LPCSTR section);
/* Deletes the first listed preset that begins with the name field's text.  Returns 1
   when none matches, else 0. */
short WINAPI presetHandleDEL(HWND dlg, LPCSTR section);

#ifdef __cplusplus
}
#endif

/* Host side: value k of preset key n (at most max - 1 characters into dest): 0 read, 1
   "none" or a missing or empty key, -1 no such value. */
int GetPresetValue(LPCSTR section, int key, int k, char *dest, int max);

#endif
