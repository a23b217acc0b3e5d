/*
 * fuzz_clipwave.cpp - libFuzzer target: the fuzzer's bytes are a clipboard block from any
 * program.  The first byte chooses the open waveform's format; the rest is parsed and, when
 * it carries PCM samples, pasted through the engine with volumes and mixing from the next
 * bytes.  Lengths, the store's size and the parse's bounds are checked after each paste.
 */
#include "edit/clipwave.h"
#include "edit/paste.h"
#include "core/document.h"
#include "store/tempfile.h"
#include "store/voc.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int ready;
    if (!ready) {
        const char *dir = getenv("TMPDIR");
        tempChooseDirs(dir && *dir ? dir : "/tmp", dir && *dir ? dir : "/tmp", NULL, NULL);
        docInit();
        ready = 1;
    }
    if (size < 4 || size > 1 << 16)
        return 0;
    uint8_t pick = data[0], mix = data[1];
    const uint8_t *block = data + 2;
    uint32_t n = (uint32_t)size - 2;
    static const uint32_t rates[4] = {8000, 11025, 22050, 44100};
    tempStoreSetup((pick & 1) ? 2 : 1, rates[(pick >> 2) & 3], (pick & 2) ? 16 : 8);
    Doc.sampleRate = rates[(pick >> 2) & 3];
    ClipWave w;
    memset(&w, 0, sizeof w);
    if (clipWaveParse(block, n, &w) == CLIP_PCM && w.dataBytes > 0) {
        if ((uint64_t)w.dataOffset + w.dataBytes > n)
            abort();
        PasteRequest r;
        memset(&r, 0, sizeof r);
        r.mem = block + w.dataOffset;
        r.rate = w.format.sampleRate;
        r.bits = w.format.bitsPerSample;
        r.channels = w.format.channels;
        r.blockAlign = w.format.blockAlign;
        r.bytes = w.dataBytes;
        r.waveRate = Doc.sampleRate;
        r.leftVolume = (mix & 1) ? 1.0 : (mix & 0x0F) / 4.0 - 1.5;
        r.rightVolume = (mix & 2) ? 1.0 : (mix >> 4) / 4.0 - 1.5;
        r.existing = (mix & 4) ? 1.0 : 0.0;
        r.mode = (mix & 8) ? PASTE_MODULATE : PASTE_ADD;
        r.repetitions = 1 + (mix >> 6);
        uint64_t want = (uint64_t)pasteFrames(&r) * r.repetitions;
        if (want * Wave.blockAlign <= (8u << 20)) {
            uint64_t wrote = pasteCopies(&r);
            if (wrote != want * Wave.blockAlign || Wave.dataLength != wrote) {
                fprintf(stderr, "fuzz_clipwave: wrote %llu of %llu bytes, length %u\n",
                        (unsigned long long)wrote, (unsigned long long)(want * Wave.blockAlign), Wave.dataLength);
                abort();
            }
        }
    }
    tempStoreTeardown(1);
    return 0;
}
