/*
 * zcodec.cpp - G.711 companding (ITU-T G.711 segment tables written out as arithmetic) and
 * the 80-bit extended number of AIFF.  No state.
 */
#include "filters/common/zcodec.h"

#include <math.h>

int16_t zcUlawToLinear(uint8_t u)
{
    u = (uint8_t)~u;
    int mag = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
    return (int16_t)((u & 0x80) ? (0x84 - mag) : (mag - 0x84));
}

int16_t zcAlawToLinear(uint8_t a)
{
    a ^= 0x55;
    int mag = (a & 0x0F) << 4;
    int seg = (a & 0x70) >> 4;
    if (seg == 0)
        mag += 8;
    else
        mag = (mag + 0x108) << (seg - 1);
    return (int16_t)((a & 0x80) ? mag : -mag);
}

/* G.711 codes 14-bit (u-law) and 13-bit (A-law) samples: the 16-bit sample is first rounded
   to that width (half up, the top clipped), as the common converters do, so the codes agree
   with theirs sample for sample. */
uint8_t zcLinearToUlaw(int16_t s)
{
    int v = (s + 2) >> 2, sign = 0;
    if (v > 8191)
        v = 8191;
    if (v < 0) {
        v = -v;
        sign = 0x80;
    }
    if (v > 8159)
        v = 8159;
    v += 0x21;
    int seg = 0;
    while (seg < 7 && v >= (0x40 << seg))
        seg++;
    int mant = v > 0x1FFF ? 0x0F : (v >> (seg + 1)) & 0x0F;    /* the clipped top: the last code */
    return (uint8_t)~(sign | (seg << 4) | mant);
}

uint8_t zcLinearToAlaw(int16_t s)
{
    int v = (s + 4) >> 3, mask = 0xD5;
    if (v > 4095)
        v = 4095;
    if (v < 0) {
        v = -v - 1;     /* the segments are symmetric around -0.5 */
        mask = 0x55;
    }
    int seg = 0;
    while (seg < 8 && v > ((0x20 << seg) - 1))
        seg++;
    if (seg >= 8)
        return (uint8_t)(0x7F ^ mask);
    int mant = seg < 2 ? (v >> 1) & 0x0F : (v >> seg) & 0x0F;
    return (uint8_t)(((seg << 4) | mant) ^ mask);
}

uint32_t zcExt80ToRate(const uint8_t p[10])
{
    int exp = ((p[0] & 0x7F) << 8) | p[1];
    uint64_t mant = 0;
    for (int i = 0; i < 8; i++)
        mant = (mant << 8) | p[2 + i];
    if ((p[0] & 0x80) || mant == 0 || exp == 0x7FFF)
        return 0;
    double v = ldexp((double)mant, exp - 16383 - 63);
    if (!(v >= 0.5) || v >= 4294967295.0)
        return 0;
    return (uint32_t)(v + 0.5);
}

void zcRateToExt80(uint32_t rate, uint8_t p[10])
{
    for (int i = 0; i < 10; i++)
        p[i] = 0;
    if (rate == 0)
        return;
    int shift = 0;
    uint64_t mant = rate;
    while (!(mant & 0x8000000000000000ull)) {
        mant <<= 1;
        shift++;
    }
    int exp = 16383 + 63 - shift;
    p[0] = (uint8_t)(exp >> 8);
    p[1] = (uint8_t)exp;
    for (int i = 0; i < 8; i++)
        p[2 + i] = (uint8_t)(mant >> (56 - 8 * i));
}
