/*
 * Differential tests: long seeded runs of random operations on the block file and on the
 * sample-access calls, each checked after every step against a plain byte vector (bytes
 * read back, total, data length, and the block file's invariants).  ZELO_LONG=1 runs
 * twenty times as many steps.
 */
#include "store_model.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace {

using namespace storemodel;

uint32_t stepScale()
{
    const char *v = getenv("ZELO_LONG");
    return v && *v == '1' ? 20 : 1;
}

class DifferentialTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        osFaultReset();
        ASSERT_EQ(0, bopen(zt::tempPath("differential.tmp").c_str()));
        ASSERT_NE(OS_NOFILE, BF.file);
    }
    void TearDown() override
    {
        bclose();
        osFaultReset();
        vocSetFormat(1, 16, 0);
        Wave.editChannel = 0;
    }
    /* A fresh store for the next sequence. */
    static void reopen()
    {
        ASSERT_EQ(0, bopen(zt::tempPath("differential.tmp").c_str()));
        ASSERT_NE(OS_NOFILE, BF.file);
    }
};

/* Runs steps operations from seed on a fresh store; returns "" or the first mismatch. */
std::string runBlockSequence(uint64_t seed, uint32_t steps, uint32_t cap)
{
    Rng rng(seed);
    BlockDiff d(cap);
    for (uint32_t i = 0; i < steps; i++) {
        BlockOp op = d.make(rng);
        std::string bad = d.apply(op);
        if (bad.empty() && (i % 500 == 499 || i + 1 == steps))
            bad = d.compareAll();
        if (!bad.empty())
            return "seed " + std::to_string(seed) + " step " + std::to_string(i) + ": " + bad;
    }
    return "";
}

std::string runVocSequence(uint64_t seed, uint32_t steps, uint32_t cap)
{
    Rng rng(seed);
    vocFormatFrom(rng);
    VocDiff d(cap);
    for (uint32_t i = 0; i < steps; i++) {
        VocOp op = d.make(rng);
        std::string bad = d.apply(op);
        if (bad.empty() && (i % 500 == 499 || i + 1 == steps))
            bad = d.compareAll();
        if (!bad.empty())
            return "seed " + std::to_string(seed) + " step " + std::to_string(i) + ": " + bad;
    }
    return "";
}

/* 1. Block file: small stores (every step near 0 and 1), a few blocks, many blocks. */
TEST_F(DifferentialTest, BlockFileMatchesByteVector)
{
    const uint32_t scale = stepScale();
    struct Shape { uint32_t sequences, steps, cap; } shapes[] = {
        {20, 1500, 3000},                 /* tiny data: the ends are always close */
        {24, 2500, 3 * BLOCKSIZE},        /* a few blocks: edges and overflow blocks */
        {4, 3000, 12 * BLOCKSIZE},        /* long chains: relinking whole blocks */
    };
    uint64_t seed = 1;
    uint32_t total = 0;
    for (const Shape &s : shapes) {
        for (uint32_t q = 0; q < s.sequences * scale; q++, seed++) {
            reopen();
            std::string bad = runBlockSequence(seed, s.steps, s.cap);
            ASSERT_EQ("", bad);
            total += s.steps;
        }
    }
    EXPECT_GE(total, 100000u);
}

/* 2. The sample-access calls in every format: 8/16-bit, mono/stereo, edit channel 0/1/2. */
TEST_F(DifferentialTest, VocCallsMatchByteVector)
{
    const uint32_t scale = stepScale();
    uint32_t total = 0;
    /* Seeds 1..36 cover each of the 12 format and channel choices several times. */
    for (uint64_t seed = 1; seed <= 36 * scale; seed++) {
        reopen();
        uint32_t cap = seed % 3 == 0 ? 4 * BLOCKSIZE : seed % 3 == 1 ? 5000 : 2 * BLOCKSIZE;
        std::string bad = runVocSequence(1000 + seed, 2800, cap);
        ASSERT_EQ("", bad);
        total += 2800;
    }
    EXPECT_GE(total, 100000u);
}

/* 3. Every format and edit channel is reached by the seeds above. */
TEST_F(DifferentialTest, VocSeedsCoverEveryFormat)
{
    int seen[2][2][3] = {};
    for (uint64_t seed = 1; seed <= 36; seed++) {
        Rng rng(1000 + seed);
        vocFormatFrom(rng);
        seen[Wave.channels - 1][Wave.bitsPerSample / 8 - 1][Wave.editChannel] = 1;
    }
    for (int c = 0; c < 2; c++)
        for (int b = 0; b < 2; b++)
            for (int e = 0; e < 3; e++)
                EXPECT_TRUE(seen[c][b][e]) << "channels " << c + 1 << " bytes " << b + 1 << " edit " << e;
}

} // namespace
