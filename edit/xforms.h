/*
 * xforms.h - the built-in transforms that work in place on the store: Reverse, Invert,
 * Byte Swap (its 8-bit form moves the zero line by 128) and the insertion of silence.
 * They read and write frames of the edited channel(s): the whole frame with both channels
 * edited, one channel's samples as a mono stream otherwise.
 *
 * Window-free; no state of their own.  Work in the shared transfer buffer and report to
 * step (nonzero from it stops after the current block; may be NULL).
 */
#ifndef ZELO_XFORMS_H
#define ZELO_XFORMS_H

#include <stdint.h>

typedef int (*XformStep)(uint32_t done, uint32_t total);

/* Each returns 0 done, 1 stopped by step or no work buffer (the range may be partly done). */
int xformReverse(uint32_t first, uint32_t last, XformStep step);
/* done, when not NULL, receives the frames from first on that were transformed: all of
   them, or fewer when step stopped the work. */
int xformInvert(uint32_t first, uint32_t last, XformStep step, uint32_t *done = nullptr);
int xformByteSwap(uint32_t first, uint32_t last, XformStep step, uint32_t *done = nullptr);

/* Frames of silence for seconds at rate, truncated toward zero (0 for a bad duration). */
uint32_t xformSilenceFrames(double seconds, uint32_t rate);

#endif
