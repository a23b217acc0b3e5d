/*
 * aucore.h - the window-free Sun/NeXT audio (.au, .snd) reader and writer behind au.flt.
 *
 * Reads linear PCM of 8..32 bits, 32/64-bit float, u-law and A-law (big-endian files, and the
 * little-endian "dns." variant), with the annotation as a comment item.  Writes 8/16-bit
 * linear PCM, u-law or A-law (AU_OPT_*), the comment item as the annotation.
 * Invariant: the header's offset and size are checked against the file before use.
 */
#ifndef ZELO_AUCORE_H
#define ZELO_AUCORE_H

#include "filters/common/zpcm.h"

/* Options values (also Reader.options: what an open file holds). */
#define AU_OPT_PCM  1
#define AU_OPT_ULAW 2
#define AU_OPT_ALAW 3

/* Opens a file or a memory image (borrowed).  NULL when it is not an au file or cannot be
   read; *why then names the damage, or stays NULL for a file of another kind. */
ZReader *auOpenFile(const char *path, const char **why);
ZReader *auOpenMemory(const void *data, size_t size, const char **why);
/* The file's encoding number (1 u-law, 2..5 linear, 6/7 float, 27 A-law). */
uint32_t auEncoding(const ZReader *r);

/* Creates a file for 8/16-bit mono/stereo data in the encoding of options; NULL for another
   type or when it cannot be made.  The header goes out at auBegin, after the items. */
ZWriter *auCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                  uint32_t dataBytes, uint32_t options);
int auBegin(ZWriter *w);
int auFinish(ZWriter *w);
int auCanWriteSpecial(int code);

#endif
