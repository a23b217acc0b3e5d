/*
 * zcodec.h - small sample codecs shared by the bundled file filters: G.711 u-law and A-law,
 * the 80-bit IEEE extended number that AIFF uses for its rate, and byte-order helpers.
 * Pure functions, no state; window-free (built natively for tests and fuzzing too).
 */
#ifndef ZELO_ZCODEC_H
#define ZELO_ZCODEC_H

#include <stdint.h>

int16_t zcUlawToLinear(uint8_t u);
int16_t zcAlawToLinear(uint8_t a);
uint8_t zcLinearToUlaw(int16_t s);
uint8_t zcLinearToAlaw(int16_t s);

/* The 10-byte big-endian extended number as a rate; 0 when it is not a finite positive
   number that fits in 32 bits (rounded to the nearest integer). */
uint32_t zcExt80ToRate(const uint8_t p[10]);
/* Writes an integer rate as a 10-byte extended number. */
void zcRateToExt80(uint32_t rate, uint8_t p[10]);

static inline uint16_t zcBe16(const uint8_t *p) { return (uint16_t)((p[0] << 8) | p[1]); }
static inline uint32_t zcBe32(const uint8_t *p)
{
    return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
}
static inline uint16_t zcLe16(const uint8_t *p) { return (uint16_t)(p[0] | (p[1] << 8)); }
static inline uint32_t zcLe24(const uint8_t *p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16); }
static inline uint32_t zcLe32(const uint8_t *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
static inline void zcPutBe16(uint8_t *p, uint16_t v) { p[0] = (uint8_t)(v >> 8); p[1] = (uint8_t)v; }
static inline void zcPutBe32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)(v >> 24); p[1] = (uint8_t)(v >> 16); p[2] = (uint8_t)(v >> 8); p[3] = (uint8_t)v;
}
static inline void zcPutLe16(uint8_t *p, uint16_t v) { p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); }
static inline void zcPutLe24(uint8_t *p, uint32_t v) { p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); p[2] = (uint8_t)(v >> 16); }
static inline void zcPutLe32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); p[2] = (uint8_t)(v >> 16); p[3] = (uint8_t)(v >> 24);
}

#endif
