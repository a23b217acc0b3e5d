/*
 * dither.h - narrowing 16-bit samples to 8 bits, plainly or with noise-shaped dither.
 * Global state: Dither (one error delay line per channel and the shared pseudo-random
 * generator), all zero/initial at program start and kept from call to call, so that a
 * conversion done in pieces sounds like one done at once.
 */
#ifndef ZELO_DITHER_H
#define ZELO_DITHER_H

#include <stdint.h>

struct DitherState {
    int32_t  slot[2][12];           /* error delay line per channel */
    uint32_t b[7];                  /* generator state table */
    int      k;                     /* generator index */
    uint32_t acc;                   /* generator accumulator */
    int      started;               /* 0 until the state tables were filled */
};
extern DitherState Dither;

/* (x >> 8) + 128. */
static inline uint8_t ditherPlain(int32_t x) { return (uint8_t)(((x >> 8) + 128) & 0xFF); }
/* One sample of channel 0 or 1, dithered and noise-shaped, clamped to 0..255. */
uint8_t ditherNarrow(int32_t x, int channel);
/* Back to the program-start state (tests). */
void    ditherReset(void);

#endif
