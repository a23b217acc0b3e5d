/*
 * clipboard.h - the platform's clipboard, as the wave exchange needs it: one CF_WAVE block
 * put or taken whole.  clipwin.cpp is the Win32 clipboard; clipmem.cpp a clipboard inside
 * the process for the native build (its tests and benchmarks).  No other state.
 */
#ifndef ZELO_CLIPBOARD_H
#define ZELO_CLIPBOARD_H

#include <stdint.h>

/* Opens and empties the clipboard and allocates a block of size bytes to fill.  NULL when
   the clipboard cannot be opened or the memory is not there (the clipboard is closed). */
uint8_t *clipBegin(uint32_t size);
/* Hands the block from clipBegin to the clipboard and closes it. */
void     clipCommit(void);
/* Frees the block from clipBegin and closes the clipboard (left empty). */
void     clipAbort(void);
/* A private copy (osAlloc) of the clipboard's CF_WAVE block and its allocated size.
   Returns 0 ok, 1 no wave on the clipboard, 2 no memory or unreadable data. */
int      clipTake(uint8_t **copy, uint32_t *size);
/* 1 when a CF_WAVE block is on the clipboard. */
int      clipHasWave(void);

#endif
