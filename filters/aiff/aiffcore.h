/*
 * aiffcore.h - the window-free AIFF and AIFF-C reader and the AIFF writer behind aiff.flt.
 *
 * Reads big-endian PCM of 1..32 bits (wider than 8 delivered as 16-bit), AIFF-C "NONE",
 * "twos", "sowt" (little-endian), "raw " (unsigned 8-bit), u-law, A-law and 32/64-bit float;
 * markers (with the instrument loops folded into cue lengths), comments and the NAME, AUTH,
 * ANNO and "(c) " texts as special items.  Writes 8/16-bit AIFF with the same items.
 * Invariant: every count and size is checked against the bytes that remain before use.
 */
#ifndef ZELO_AIFFCORE_H
#define ZELO_AIFFCORE_H

#include "filters/common/zpcm.h"

/* Reader.options: what the file holds, for the options text. */
#define AIFF_FORM_AIFC 0x100    /* or'ed with the AIFF_C_* value */
#define AIFF_C_NONE 1
#define AIFF_C_SOWT 2
#define AIFF_C_ULAW 3
#define AIFF_C_ALAW 4
#define AIFF_C_FLOAT 5
#define AIFF_C_RAW 6

/* Opens a file or a memory image (borrowed while the reader lives).  NULL when it is not an
   AIFF file or cannot be read; *why (when given) then names the damage, or stays NULL for a
   file that is not AIFF at all. */
ZReader *aiffOpenFile(const char *path, const char **why);
ZReader *aiffOpenMemory(const void *data, size_t size, const char **why);
/* Stored sample bits of an open file (COMM's sample size). */
int aiffStoredBits(const ZReader *r);

/* Creates an 8/16-bit mono/stereo AIFF file; NULL for another type or when it cannot be made. */
ZWriter *aiffCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                    uint32_t dataBytes, uint32_t options);
int aiffBegin(ZWriter *w);
/* Writes the items and the sizes; 0, or -1 when a write failed.  Does not close. */
int aiffFinish(ZWriter *w);
int aiffCanWriteSpecial(int code);

#endif
