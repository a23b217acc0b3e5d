/*
 * flacmd5.cpp - the MD5 message digest (RFC 1321) that a FLAC stream carries over its samples.
 */
#include "filters/flac/flaccore.h"

#include <string.h>

static uint32_t rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

static const uint32_t K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

static const int S[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                          5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                          4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                          6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_H(x, y, z) ((x) ^ ((y) ^ (z)))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
/* Each step waits on b, the step before's result; what does not need b is added first, so
   only the last few operations are on that chain. */
#define MD5_STEP(f, a, b, c, d, i, g) \
    do { \
        a += K[i] + m[g]; \
        a += f(b, c, d); \
        a = b + rotl(a, S[i]); \
    } while (0)
/* G(b, c, d) = (b & d) | (c & ~d): the two halves have no common bits, so they can be added,
   and c & ~d is ready before b is. */
#define MD5_STEPG(a, b, c, d, i, g) \
    do { \
        a += K[i] + m[g]; \
        a += (c) & ~(d); \
        a += (b) & (d); \
        a = b + rotl(a, S[i]); \
    } while (0)

static void transform(uint32_t h[4], const uint8_t *p)
{
    uint32_t m[16];
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    memcpy(m, p, 64);
#else
    for (int i = 0; i < 16; i++)
        m[i] = (uint32_t)p[i * 4] | ((uint32_t)p[i * 4 + 1] << 8) | ((uint32_t)p[i * 4 + 2] << 16) |
               ((uint32_t)p[i * 4 + 3] << 24);
#endif
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    /* The 64 steps written out, four a line, rotating the roles of a, b, c and d. */
#pragma GCC unroll 4
    for (int r = 0; r < 16; r += 4) {
        MD5_STEP(MD5_F, a, b, c, d, r, r);
        MD5_STEP(MD5_F, d, a, b, c, r + 1, r + 1);
        MD5_STEP(MD5_F, c, d, a, b, r + 2, r + 2);
        MD5_STEP(MD5_F, b, c, d, a, r + 3, r + 3);
    }
#pragma GCC unroll 4
    for (int r = 16; r < 32; r += 4) {
        MD5_STEPG(a, b, c, d, r, (5 * r + 1) & 15);
        MD5_STEPG(d, a, b, c, r + 1, (5 * (r + 1) + 1) & 15);
        MD5_STEPG(c, d, a, b, r + 2, (5 * (r + 2) + 1) & 15);
        MD5_STEPG(b, c, d, a, r + 3, (5 * (r + 3) + 1) & 15);
    }
#pragma GCC unroll 4
    for (int r = 32; r < 48; r += 4) {
        MD5_STEP(MD5_H, a, b, c, d, r, (3 * r + 5) & 15);
        MD5_STEP(MD5_H, d, a, b, c, r + 1, (3 * (r + 1) + 5) & 15);
        MD5_STEP(MD5_H, c, d, a, b, r + 2, (3 * (r + 2) + 5) & 15);
        MD5_STEP(MD5_H, b, c, d, a, r + 3, (3 * (r + 3) + 5) & 15);
    }
#pragma GCC unroll 4
    for (int r = 48; r < 64; r += 4) {
        MD5_STEP(MD5_I, a, b, c, d, r, (7 * r) & 15);
        MD5_STEP(MD5_I, d, a, b, c, r + 1, (7 * (r + 1)) & 15);
        MD5_STEP(MD5_I, c, d, a, b, r + 2, (7 * (r + 2)) & 15);
        MD5_STEP(MD5_I, b, c, d, a, r + 3, (7 * (r + 3)) & 15);
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
}

void flcMd5Init(FlcMd5 *m)
{
    m->h[0] = 0x67452301;
    m->h[1] = 0xefcdab89;
    m->h[2] = 0x98badcfe;
    m->h[3] = 0x10325476;
    m->length = 0;
    m->used = 0;
}

void flcMd5Update(FlcMd5 *m, const void *data, size_t n)
{
    const uint8_t *p = (const uint8_t *)data;
    m->length += n;
    if (m->used) {
        size_t take = 64 - m->used < n ? 64 - m->used : n;
        memcpy(m->block + m->used, p, take);
        m->used += (uint32_t)take;
        p += take;
        n -= take;
        if (m->used < 64)
            return;
        transform(m->h, m->block);
        m->used = 0;
    }
    while (n >= 64) {
        transform(m->h, p);
        p += 64;
        n -= 64;
    }
    memcpy(m->block, p, n);
    m->used = (uint32_t)n;
}

void flcMd5Final(FlcMd5 *m, uint8_t digest[16])
{
    uint64_t bits = m->length * 8;
    uint8_t pad[72] = {0x80};
    size_t padLen = (m->used < 56 ? 56 : 120) - m->used;
    uint8_t len[8];
    for (int i = 0; i < 8; i++)
        len[i] = (uint8_t)(bits >> (8 * i));
    flcMd5Update(m, pad, padLen);
    flcMd5Update(m, len, 8);
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            digest[i * 4 + j] = (uint8_t)(m->h[i] >> (8 * j));
}
