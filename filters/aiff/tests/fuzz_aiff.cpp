/*
 * fuzz_aiff.cpp - libFuzzer target: any bytes given to the AIFF reader are refused or read to
 * their end, with every special item fetched, without a fault.
 */
#include "filters/aiff/aiffcore.h"

#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ZReader *r = aiffOpenMemory(data, size, NULL);
    if (!r)
        return 0;
    static uint8_t buf[7001];
    uint32_t total = 0, got;
    while ((got = zrRead(r, buf, sizeof buf)) > 0)
        total += got;
    if (total != r->bytes)
        abort();
    for (int code = 20; code <= 44; code++) {
        uint32_t n;
        while ((n = zrSpecialSize(r, code)) != 0) {
            uint8_t *p = (uint8_t *)malloc(n);
            if (zrReadSpecial(r, code, p, n) != n)
                abort();
            free(p);
        }
    }
    zrFree(r);
    return 0;
}
