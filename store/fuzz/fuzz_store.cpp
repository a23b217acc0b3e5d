/*
 * fuzz_store.cpp - libFuzzer target: the fuzzer's bytes are a list of block-file or
 * sample-access operations, run on a fresh store and on the byte-vector model of
 * store/tests/store_model.h; any disagreement or broken invariant aborts.
 * Sizes stay small (a few blocks, at most 48 operations) so each input runs in milliseconds.
 */
#include "store_model.h"

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>

using namespace storemodel;

static const std::string &storePath()
{
    static std::string path;
    if (path.empty()) {
        const char *dir = getenv("TMPDIR");
        path = std::string(dir && *dir ? dir : "/tmp") + "/fuzz_store-" + std::to_string((long)getpid()) + ".tmp";
    }
    return path;
}

static void mismatch(const std::string &what)
{
    fprintf(stderr, "fuzz_store: %s\n", what.c_str());
    abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    static int quiet = (osSetMessageHook([](const char *, const char *, unsigned) { return OS_IDOK; }), 1);
    (void)quiet;
    if (bopen(storePath().c_str()) != 0 || BF.file == OS_NOFILE)
        mismatch("store did not open");
    ByteSource src(data + 1, size - 1);
    std::string bad;
    const int maxOps = 48;
    if (data[0] & 1) {
        vocFormatFrom(src);
        VocDiff d((data[0] & 2) ? 3 * BLOCKSIZE : 4000);
        for (int i = 0; i < maxOps && !src.empty() && bad.empty(); i++)
            bad = d.apply(d.make(src));
        if (bad.empty())
            bad = d.compareAll();
    } else {
        BlockDiff d((data[0] & 2) ? 3 * BLOCKSIZE : 4000);
        for (int i = 0; i < maxOps && !src.empty() && bad.empty(); i++)
            bad = d.apply(d.make(src));
        if (bad.empty())
            bad = d.compareAll();
    }
    if (bad.empty())
        bad = blockFileInvariants();
    if (!bad.empty())
        mismatch(bad);
    bclose();
    return 0;
}
