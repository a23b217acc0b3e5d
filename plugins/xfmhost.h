/*
 * xfmhost.h - the transform plug-in host: the registry of the modules found beside the
 * program (and its cache xfm.dat), their menu entries and enabling, the context and service
 * table handed to modules, the calls the program exports for running a transform directly,
 * each transform's settings block with its "Profile" persistence and the cancel backup,
 * and the menu command that runs a transform, generator or tool.
 *
 * Global state: XfmHost (registry, instance slots, settings backup, script hooks).  The
 * registry is filled once by ScanTransforms and freed at exit; rows stay sorted by name
 * without regard to case, and row i is command IDM_XFM_FIRST + i.  Modules are loaded only
 * for the length of a call, except instances opened with OpenXfm.
 */
#ifndef ZELO_XFMHOST_H
#define ZELO_XFMHOST_H

#include <windows.h>
#include <stdint.h>
#include "filters/sdk/zxform.h"
#include "resources/resource.h"

#define XFM_MAXROWS      (IDM_XFM_LAST - IDM_XFM_FIRST + 1)  /* one command id per row */
#define XFM_SLOTS        16     /* OpenXfm instance slots; slot 0 is never used */
#define XFM_PROFILE_MAX  1023   /* characters of a "Profile" value that are read back */
#define XFM_SERVICES     63
#define XFM_CACHE_NAME   "xfm.dat"
#define XFM_CACHE_VERSION 1
#define XFM_SILENT_CALL  200    /* ProgressOwner of a silent CallXfm; DoXfm takes 200 + handle */

/* What the script recorder and runner offer a transform command; every hook may be NULL
   (then no script is running or being recorded). */
struct XfmScriptHooks {
    int      (*running)(void);            /* a script is playing */
    int      (*recording)(void);          /* a script is being recorded */
    uint16_t (*runHandle)(void);          /* 65535 when none */
    uint16_t (*showDialogs)(void);        /* the running script shows dialogs */
    void     (*abort)(void);              /* stop the running script */
    void     (*recordCommand)(const char *name);
    void     (*recordLong)(long v);
    void     (*recordInt16)(int v);
    void     (*recordDouble)(double v);
    void     (*recordText)(const char *text);
    long     (*readLong)(void);           /* -999 for a missing value */
    int      (*readInt16)(void);
    double   (*readDouble)(void);
    void     (*readText)(char *out, size_t size);   /* "-999" for a missing value */
};

struct XfmHostState {
    TransformEntry *rows;          /* the registry; NULL before the first growth */
    int16_t   count;               /* rows in use */
    int16_t   capacity;            /* rows allocated; only grows */
    char      dir[MAX_PATH];       /* the program folder the modules live in */
    XfmContext *slot[XFM_SLOTS];   /* OpenXfm instances, [0] unused */
    HGLOBAL   backup;              /* copy of one settings block during its setup, 0 none */
    int       backupRow;           /* the row the backup belongs to */
    int       rescanned;           /* 1 when the last scan loaded the modules (0: xfm.dat served) */
    XfmScriptHooks script;
};
extern XfmHostState XfmHost;

#ifdef __cplusplus
extern "C" {
#endif
/* ---- calls exported by the program ---- */
/* Instance of the named transform, module kept loaded: 1..15, 0 on failure. */
short WINAPI OpenXfm(LPCSTR name);
void  WINAPI CloseXfm(short handle);
/* Runs XfmDo on the instance over start..end; the context's range then becomes the
   selection.  showProgress 0 hides the module's progress dialog.  Returns XfmDo's result,
   0 for an empty slot or a module without XfmDo. */
long  WINAPI DoXfm(short handle, DWORD start, DWORD end, short showProgress);
short WINAPI bGetXfmData(void *dst, short handle, WORD offset, WORD count);   /* 1 ok, 0 failed */
short WINAPI bSetXfmData(short handle, const void *src, WORD offset, WORD count); /* 1 ok, 0 failed */
HGLOBAL WINAPI CreateXfmVars(LPCSTR name);          /* new settings block after XfmInit, 0 failed */
short WINAPI DeleteXfmVars(LPCSTR name, HGLOBAL vars); /* always 0 */
void  WINAPI SetXfmVar(HGLOBAL vars, WORD offset, WORD count, const void *src);
/* Loads, runs XfmDo with vars over start..end, copies 292 bytes of the context to result
   (when given) and unloads.  Returns XfmDo's result; 1 when it could not run. */
short WINAPI CallXfm(LPCSTR name, HGLOBAL vars, DWORD start, DWORD end, short showProgress, void *result);
/* Centres a dialog over its owner (the main window when over is 0). */
void  WINAPI zwCenter(HWND window, HWND over);
#ifdef __cplusplus
}
#endif

/* ---- registry (xfmscan.cpp) ---- */
/* Scans the program folder (XfmHost.dir) and fills the registry and the main menu. */
void ScanTransforms(short pixelDepth);
/* The same over any folder and menu (menu may be NULL); returns the row count. */
int  xfmScan(const char *dir, short pixelDepth, HMENU menu);
/* Inserts a row before the first one whose name compares >= (without case); -1 when full. */
int  RegisterTransform(const char *file, const XfmInfo *info, HMODULE module);
/* Makes room for rows rows (capacity only grows).  0 ok, 1 no memory. */
int  xfmGrow(int rows);
void FreeTransformRegistry(void);
/* First row whose name equals name without regard to case; -1 when none. */
int  xfmFindRow(const char *name);
/* The menu a row belongs in: 2 Transform, 3 Generate, 4 Options, -1 none. */
int  xfmMenuPosition(uint32_t flags);
/* Capability bits of every row for the wave now open, with the values of the enabling
   rules' PLUG_* bits (the shell checks that they agree); returns the row count (at most max). */
#define XFM_CAP_STEREO16   0x01   /* may run on the stereo material now open */
#define XFM_CAP_MONO16     0x02   /* may run on mono material (or one channel) now open */
#define XFM_CAP_NEEDWAVE   0x04
#define XFM_CAP_NEEDDATA   0x08
#define XFM_CAP_NOSINGLE   0x10
int  xfmEnableCaps(uint8_t *caps, int max);

/* ---- context and service table (xfmcall.cpp) ---- */
/* Address of service n (0..62), or NULL after a debug line for another n. */
void *xfmService(int n);
void FillXfmContext(TransformEntry *e, XfmContext *ctx, int everything);
/* One channel of a stereo wave and 8-bit material for a 16-bit-only module. */
void xfmAdaptFormat(const TransformEntry *e, XfmContext *ctx);
/* Loads row's module ("%s\%s" of the program folder); NULL with *error on failure. */
HMODULE xfmLoad(const TransformEntry *e, DWORD *error);

/* ---- settings (xfmsettings.cpp) ---- */
/* The "Profile" text of a settings block (at most XFM_PROFILE_MAX characters: fields that
   would not fit are left off), and the reverse.  Both walk the row's layout. */
void xfmFormatSettings(const TransformEntry *e, HGLOBAL data, char *out, size_t size);
void xfmParseSettings(const TransformEntry *e, HGLOBAL data, const char *text);
void LoadXfmProfile(TransformEntry *e);
void SaveXfmProfile(TransformEntry *e);
int  BackupXfmData(int row);         /* 0 ok, 1 no memory */
void RestoreXfmData(void);
void DiscardXfmBackup(void);
void RecordXfmScript(TransformEntry *e);
void ReadXfmScript(TransformEntry *e);

/* ---- menu command (xfmrun.cpp) ---- */
/* Runs row id - IDM_XFM_FIRST; repeating: Repeat Last Command without its dialog. */
void RunTransformCommand(int id, int repeating);
/* At exit: every settings block saved under "Profile", XfmDestroy called, freed. */
void SaveAllTransformSettings(void);
/* Start-up and shutdown of the host for the shell. */
void xfmStartup(const char *programDir);
void xfmShutdown(void);

#endif
