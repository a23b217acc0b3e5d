/*
 * xfmkit.h - what the bundled transform modules share, built into each module DLL and
 * written against the module SDK alone (filters/sdk/zxform.h), as any outside module
 * would be: when to skip the dialog, number fields, the help box of the "?" button, the
 * graph control's message forwarding, and the loops that run 16-bit frames of the range
 * through a module's core in pieces behind the host's progress meter.
 *
 * Global state: work buffers per module DLL (KitBuffer, KitOut in xfmkit.c), used only
 * inside one call of kitProcess, kitGenerate, kitScan, kitPass or kitStream.
 */
#ifndef ZELO_XFORMS_XFMKIT_H
#define ZELO_XFORMS_XFMKIT_H

#include "filters/sdk/zxform.h"

#define KIT_HELP_BUTTON 222   /* the "?" button of every dialog */

/* 1 when the setup may show its dialog: not while the host runs it quietly (repeat of an
   own-range module) and not while a script plays without dialogs. */
int kitShowDialog(const XfmContext *ctx);

/* Reads a decimal number from an edit control; 0 when the text is not one. */
int  kitGetDouble(HWND dlg, int id, double *value);
/* Writes it back with up to ten significant digits and no trailing zeros. */
void kitSetDouble(HWND dlg, int id, double value);

/* The "?" button: the module's help text (a string of its own resources) in a box
   captioned "<title> Help". */
void kitHelp(HWND dlg, HINSTANCE module, UINT textId, const char *title);

/* Forwards the dialog's mouse and paint messages to a graph control bound to it; 1 when
   the message was the graph's.  Does nothing for graph < 0 or a context without graphs. */
int kitGraphMessage(const XfmContext *ctx, short graph, HWND dlg, UINT msg, LPARAM lParam);

/* Called with a piece of interleaved 16-bit frames: first is the index of the piece's
   first frame from the start of the range, total the frames of the range. */
typedef void (*KitBlockFn)(short *samples, DWORD frames, DWORD first, DWORD total, void *user);

/* Reads frames ctx->start..ctx->end piece by piece, runs fn over each and writes it back,
   with a progress meter titled title.  16-bit material only.  Returns the frames done
   (fewer after Cancel or a failing read or write). */
long kitProcess(XfmContext *ctx, KitBlockFn fn, void *user, const char *title);
/* Lets fn fill frames frames from ctx->start on (the samples are not read first).  Returns
   the frames written. */
long kitGenerate(XfmContext *ctx, DWORD frames, KitBlockFn fn, void *user, const char *title);
/* Only reads: fn sees frames ctx->start..ctx->end and may not change them.  Returns the
   frames read (fewer after Cancel). */
long kitScan(XfmContext *ctx, KitBlockFn fn, void *user, const char *title);

/* ---- dialogs: refusals and presets ---- */

/* The preset controls every module's dialog carries (the host's preset services know them). */
#define KIT_PRESET_LIST 1005
#define KIT_PRESET_NAME 1006
#define KIT_PRESET_ADD  325
#define KIT_PRESET_DEL  1109

/* The module DLL this kit is built into (for its resources outside a dialog). */
HINSTANCE kitModule(void);
/* Shows the module's string textId in an exclamation box captioned caption over the
   active window (a failure during the work). */
void kitAlert(UINT textId, const char *caption);

/* Shows the module's string textId in an exclamation box captioned caption over the
   dialog (a refused value; the dialog stays open). */
void kitRefuse(HWND dlg, UINT textId, const char *caption);

/* Handles a WM_COMMAND of one of the preset controls through the host's services.  take
   copies the dialog's values into the settings block (0 when they are refused: nothing is
   added).  Returns 0 when id is no preset control, 1 when handled, 2 when a preset was
   loaded into the settings block (the caller shows it). */
int kitPresetCommand(XfmContext *ctx, HWND dlg, const char *section, int id, int code, int (*take)(HWND dlg));

/* A built-in preset: its name and a whole settings block. */
typedef struct KitPreset {
    const char *name;
    const void *data;
} KitPreset;

/* Fills the preset list (presetsInitIni); when it holds no live preset, adds the built-in
   ones through the host (each block copied into the settings, named in the name field,
   HandleID_ADD), then puts the settings and the name field back.  Returns the live
   presets listed. */
int kitInitPresets(XfmContext *ctx, HWND dlg, const char *section, const KitPreset *builtIn, int count,
                   DWORD dataSize);

/* A module's settings dialog run by the kit: the preset controls, OK (take, which may
   refuse and keep the dialog open), Cancel, the "?" button and closing are handled here;
   the module gives what is its own. */
typedef struct KitDialog {
    int dialogId;                    /* the dialog resource of the module */
    const char *name;                /* the module's name: title of its help box */
    UINT helpText;                   /* string id of the help text */
    const char *presets;             /* preset section, NULL without presets */
    const KitPreset *builtIn;        /* presets added while the list is empty */
    int builtInCount;
    DWORD dataSize;                  /* bytes of the settings block */
    void (*put)(HWND dlg);           /* settings into the controls */
    int  (*take)(HWND dlg);          /* controls into the settings; 0: refused */
    void (*init)(HWND dlg);          /* after the first put; may be NULL */
    void (*command)(HWND dlg, int id, int code);   /* the module's own controls; may be NULL */
} KitDialog;

/* Runs the dialog over owner for ctx; returns IDOK or IDCANCEL. */
INT_PTR kitDialog(HWND owner, XfmContext *ctx, const KitDialog *d);

/* A pair of unit radio buttons (first and second) whose field is converted on a switch:
   call from the command hook; convert(dlg, toSecond) rewrites the field.  The dialog's
   DWLP_USER remembers the unit shown. */
void kitUnitRadio(HWND dlg, int id, int code, int second, void (*convert)(HWND dlg, int toSecond));

/* ---- passes and streams ---- */

/* One pass over frames ctx->start..ctx->end inside a progress meter the caller opened:
   the meter shows pass of passes (counted from 0).  write: the frames fn changed are
   written back.  Returns the frames done (fewer after Cancel or a failing call). */
long kitPass(XfmContext *ctx, int write, KitBlockFn fn, void *user, int pass, int passes);

/* Called with frames input frames (interleaved 16-bit) and room output frames (room >=
   frames); returns the output frames it made.  frames 0 means the input has ended: make
   held frames, up to room, returning 0 when none are left. */
typedef size_t (*KitStreamFn)(const short *in, size_t frames, short *out, size_t room, void *user);

/* Reads frames ctx->start..ctx->end piece by piece and hands what fn makes to the host's
   delayed writer, which writes it from ctx->start on behind the read point, at most as
   many frames as were read.  With a progress meter titled title.  Returns the frames read
   (fewer after Cancel or a failing read); what was made is written either way. */
long kitStream(XfmContext *ctx, KitStreamFn fn, void *user, const char *title);

#endif
