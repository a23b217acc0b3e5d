/*
 * fuzz_flac.cpp - libFuzzer target: any bytes given to the FLAC reader as a file image are
 * either refused or read to their end (or their first damaged frame), with a seek back and
 * every special item fetched, without a fault.
 */
#include "filters/flac/flaccore.h"

#include <stdint.h>
#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FlcReader *r = flcOpenMemory(data, size, NULL, NULL);
    if (!r)
        return 0;
    const FlcInfo *in = flcInfo(r);
    static uint8_t buf[7001];
    uint32_t total = 0, got;
    while ((got = flcRead(r, buf, sizeof buf)) > 0)
        total += got;
    if (total > in->bytes)
        abort();
    if (total == in->bytes && flcMd5State(r) == 0 && in->bytes > 0)
        abort();   /* every sample delivered, yet the signature was never settled */
    if (in->bytes > 3)
        flcSeek(r, in->bytes / 3);
    flcRead(r, buf, 5);
    for (int code = 20; code <= 44; code++) {
        for (int k = 0; k < 4; k++) {
            uint32_t n = flcSpecialSize(r, code);
            if (!n)
                break;
            uint8_t *p = (uint8_t *)malloc(n);
            if (flcReadSpecial(r, code, p, n) != n)
                abort();
            free(p);
        }
    }
    flcClose(r);
    return 0;
}
