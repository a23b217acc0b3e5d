/*
 * fuzz_wave.cpp - libFuzzer target: any bytes given to the wave reader as a file image are
 * either refused or read to their end, with every special item fetched, without a fault.
 */
#include "filters/wave/wavcore.h"

#include <stdint.h>
#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    WavReader *r = wavOpenMemory(data, size, NULL, NULL);
    if (!r)
        return 0;
    const WavInfo *in = wavInfo(r);
    static uint8_t buf[7001];
    uint32_t total = 0, got;
    while ((got = wavRead(r, buf, sizeof buf)) > 0)
        total += got;
    if (total != in->bytes)
        abort();
    if (in->bytes > 3)
        wavSeek(r, in->bytes / 3);
    wavRead(r, buf, 5);
    for (int code = 20; code <= 44; code++) {
        for (int k = 0; k < 4; k++) {
            uint32_t n = wavSpecialSize(r, code);
            if (!n)
                break;
            uint8_t *p = (uint8_t *)malloc(n);
            if (wavReadSpecial(r, code, p, n) != n)
                abort();
            free(p);
        }
    }
    wavClose(r);
    return 0;
}
