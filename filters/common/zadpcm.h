/*
 * zadpcm.h - IMA ADPCM as wave files hold it (format tag 0x0011): blocks that start with a
 * 4-byte header per channel (the first sample and the step index), then 4-bit codes, low
 * nibble first; with two channels the codes alternate in groups of eight samples (4 bytes)
 * per channel.  Pure functions, window-free.
 */
#ifndef ZELO_ZADPCM_H
#define ZELO_ZADPCM_H

#include <stdint.h>

/* Frames a full block of blockAlign bytes holds; 0 when blockAlign cannot hold a header
   and whole groups for every channel. */
uint32_t zaImaFramesPerBlock(uint32_t blockAlign, uint32_t channels);

/* The usual block size for a rate: 256 bytes per channel per 11025 Hz (at least 256). */
uint32_t zaImaBlockAlign(uint32_t rate, uint32_t channels);

/* Decodes the first len bytes of a block (len may be short at the end of a file) into
   interleaved 16-bit frames; at most framesPerBlock frames.  Returns the frames decoded,
   0 when even the headers are missing or a step index is out of range. */
uint32_t zaImaDecode(const uint8_t *block, uint32_t len, uint32_t channels, uint32_t framesPerBlock,
                     int16_t *out);

/* Encodes framesPerBlock interleaved frames into one block of blockAlign bytes; index[c] is
   each channel's step index, carried from block to block. */
void zaImaEncode(const int16_t *in, uint32_t channels, uint32_t framesPerBlock, uint32_t blockAlign,
                 int *index, uint8_t *block);

#endif
