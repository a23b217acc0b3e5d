/*
 * fuzz_raw.cpp - libFuzzer target: any bytes read as raw PCM under a layout taken from the
 * first bytes are read to their end without a fault, the byte count matching what comes out.
 */
#include "filters/raw/rawcore.h"

#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ZReader *r = rawOpenMemory(data, size);
    if (!r)
        return 0;
    uint8_t k = size ? data[0] : 0;
    if (rawSetLayout(r, k, 8000, (uint16_t)(1 + ((k >> 4) & 1)), (k & 0x20) ? 16 : 8) != 0)
        abort();
    static uint8_t buf[7001];
    uint32_t total = 0, got;
    while ((got = zrRead(r, buf, sizeof buf)) > 0)
        total += got;
    if (total != r->bytes || r->bytes > size)
        abort();
    zrFree(r);
    return 0;
}
