/*
 * rawcore.h - the window-free reader and writer of headerless PCM (.pcm, .raw) behind
 * raw.flt.  A raw file says nothing about itself: it opens with rate, bits and channels 0,
 * and the layout comes from the host (what the user chose) through rawSetLayout.  The
 * options value holds the byte order of 16-bit samples and the signedness of each width.
 */
#ifndef ZELO_RAWCORE_H
#define ZELO_RAWCORE_H

#include "filters/common/zpcm.h"

#define RAW_OPT_VALID      0x1  /* set in every options value (0 is the dialog's Cancel) */
#define RAW_OPT_BIGENDIAN  0x2  /* 16-bit samples are stored high byte first */
#define RAW_OPT_SIGNED8    0x4  /* 8-bit samples are signed (silence 0x00) */
#define RAW_OPT_UNSIGNED16 0x8  /* 16-bit samples are unsigned (silence 0x8000) */
#define RAW_OPT_ALL        0xF

/* The stored layout of a width under options. */
int rawEncoding(uint32_t options, uint16_t bits);

/* Opens any file (or memory image) as raw data of a layout still unknown; NULL only when it
   cannot be read. */
ZReader *rawOpenFile(const char *path);
ZReader *rawOpenMemory(const void *data, size_t size);
/* Settles the layout: 8/16 bits, 1/2 channels, a rate above 0.  The whole file is then the
   data (a trailing partial frame is left out).  Returns 0, or -1 for a layout it refuses. */
int rawSetLayout(ZReader *r, uint32_t options, uint32_t rate, uint16_t channels, uint16_t bits);

/* 1 when the name ends in .pcm or .raw (any case). */
int rawNameFits(const char *path);

ZWriter *rawCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                   uint32_t dataBytes, uint32_t options);
int rawFinish(ZWriter *w);

#endif
