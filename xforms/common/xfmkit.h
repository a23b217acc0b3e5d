/*
 * xfmkit.h - what the bundled transform modules share, built into each module DLL and
 * written against the module SDK alone (filters/sdk/zxform.h), as any outside module
 * would be: when to skip the dialog, number fields, the help box of the "?" button, the
 * graph control's message forwarding, and the loops that run 16-bit frames of the range
 * through a module's core in pieces behind the host's progress meter.
 *
 * Global state: one work buffer per module DLL (KitBuffer, xfmkit.c), used only inside
 * kitProcess and kitGenerate.
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

#endif
