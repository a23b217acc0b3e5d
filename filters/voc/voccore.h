/*
 * voccore.h - the window-free Creative Voice (.voc) reader and writer behind voc.flt.
 *
 * Reads the sound blocks of 8-bit unsigned and 16-bit signed PCM, u-law and A-law (old
 * sound blocks, with or without the extended block before them, and the newer typed ones),
 * continuation, silence and repeat blocks (the repeated stretch is delivered again), markers
 * as cues and the first text block as a comment.  Writes one typed sound block of 8-bit or
 * 16-bit PCM (split into continuation blocks where a block would pass 16 MB) with the
 * comment as a text block.
 * Invariant: every block is checked against the bytes that remain before it is used.
 */
#ifndef ZELO_VOCCORE_H
#define ZELO_VOCCORE_H

#include "filters/common/zpcm.h"

/* Opens a file or a memory image (borrowed).  NULL when it is not a voc file or holds nothing
   this filter reads; *why then names the damage, or stays NULL for a file of another kind. */
ZReader *vocfOpenFile(const char *path, const char **why);
ZReader *vocfOpenMemory(const void *data, size_t size, const char **why);

ZWriter *vocfCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                    uint32_t dataBytes, uint32_t options);
int vocfBegin(ZWriter *w);
int vocfFinish(ZWriter *w);
int vocfCanWriteSpecial(int code);

/* Stored bytes per sound block that the writer uses unless told otherwise. */
#define VOCF_BLOCK_MAX 0xFFFFF0u

#endif
