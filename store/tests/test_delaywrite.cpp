/*
 * The delayed writer: runs of 16384 bytes while data flows, the held-back bytes reaching the
 * store only at the next run or at Destroy, bytes beyond the total dropped, the 16to8 forms
 * halving into an 8-bit wave and the one-channel forms keeping the other channel.
 */
#include "store/blockfile.h"
#include "store/delaywrite.h"
#include "store/voc.h"
#include "store_check.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

struct WriteRun {
    int narrowing;
    uint32_t offset;
    Bytes bytes;
};

std::vector<WriteRun> &runs() { static std::vector<WriteRun> r; return r; }

void recordRun(int narrowing, const void *src, uint32_t offset, uint32_t count)
{
    const uint8_t *p = (const uint8_t *)src;
    runs().push_back({narrowing, offset, Bytes(p, p + count)});
}

Bytes pattern(size_t n, unsigned seed = 3)
{
    Bytes v(n);
    for (size_t i = 0; i < n; i++)
        v[i] = (uint8_t)((i * 11u + seed * 5u + (i >> 9)) & 0xFF);
    return v;
}

/* 1. The run arithmetic, seen through the test sink. */
class DelayRuns : public ::testing::Test {
protected:
    void SetUp() override { runs().clear(); DelayWriter.sink = recordRun; osFaultReset(); }
    void TearDown() override { delayWriteDestroy(); DelayWriter.sink = NULL; osFaultReset(); }
};

TEST_F(DelayRuns, OneBigPieceWritesOneRunAndHoldsTheRestUntilDestroy)
{
    Bytes data = pattern(20000);
    ASSERT_EQ(0, delayWriteInit(100, 0, 20000));
    delayWrite(data.data(), 20000);
    ASSERT_EQ(1u, runs().size());
    EXPECT_EQ(0u, runs()[0].offset);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 16384), runs()[0].bytes);
    EXPECT_EQ(3616u, DelayWriter.fill);
    delayWriteDestroy();
    ASSERT_EQ(2u, runs().size());
    EXPECT_EQ(16384u, runs()[1].offset);
    EXPECT_EQ(Bytes(data.begin() + 16384, data.end()), runs()[1].bytes);
    EXPECT_EQ(0u, DelayWriter.capacity);
    EXPECT_EQ(NULL, DelayWriter.buffer);
}

TEST_F(DelayRuns, BytesBeyondTheTotalAreDropped)
{
    Bytes data = pattern(1500);
    delayWriteInit(0, 500, 1000);
    delayWrite(data.data(), 1500);
    EXPECT_TRUE(runs().empty());
    delayWriteDestroy();
    ASSERT_EQ(1u, runs().size());
    EXPECT_EQ(500u, runs()[0].offset);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 1000), runs()[0].bytes);
}

TEST_F(DelayRuns, SmallPiecesBelowOneRunWaitForDestroy)
{
    Bytes data = pattern(10000);
    delayWriteInit(4096, 0, 10000);
    for (size_t i = 0; i < data.size(); i += 100)
        delayWrite(data.data() + i, 100);
    EXPECT_TRUE(runs().empty());
    delayWriteDestroy();
    ASSERT_EQ(1u, runs().size());
    EXPECT_EQ(data, runs()[0].bytes);
}

TEST_F(DelayRuns, LongStreamKeepsTheDelayBackAndLosesNothing)
{
    /* Uneven pieces across many runs: every run is 16384 bytes, the write point trails by
       the delay, and the concatenation is the input exactly. */
    Bytes data = pattern(100000, 9);
    delayWriteInit(1000, 64, 100000);
    size_t at = 0, step = 1;
    while (at < data.size()) {
        size_t n = std::min(data.size() - at, (step * 7919) % 20000 + 1);
        delayWrite(data.data() + at, (uint16_t)n);
        at += n;
        step++;
        uint32_t written = 0;
        for (const WriteRun &r : runs())
            written += (uint32_t)r.bytes.size();
        EXPECT_LE(written + 1000, at) << "wrote bytes that are still within the delay";
    }
    for (const WriteRun &r : runs())
        EXPECT_EQ(16384u, r.bytes.size());
    delayWriteDestroy();
    Bytes joined;
    uint32_t expect = 64;
    for (const WriteRun &r : runs()) {
        EXPECT_EQ(expect, r.offset);
        expect += (uint32_t)r.bytes.size();
        joined.insert(joined.end(), r.bytes.begin(), r.bytes.end());
    }
    EXPECT_EQ(data, joined);
}

TEST_F(DelayRuns, ExactlyTheTotalInRunsDropsTheTailOfALongerStream)
{
    Bytes data = pattern(40000);
    delayWriteInit(10, 0, 20000);
    delayWrite(data.data(), 30000);
    delayWrite(data.data() + 30000, 10000);
    delayWriteDestroy();
    Bytes joined;
    for (const WriteRun &r : runs())
        joined.insert(joined.end(), r.bytes.begin(), r.bytes.end());
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 20000), joined);
}

TEST_F(DelayRuns, NarrowingIsSetOnlyForThe16to8Calls)
{
    Bytes data = pattern(20000);
    delayWriteInit16to8(0, 0, 40000);
    delayWrite16to8(data.data(), 20000);
    delayWriteDestroy16to8();
    ASSERT_EQ(2u, runs().size());
    EXPECT_EQ(1, runs()[0].narrowing);
    EXPECT_EQ(1, runs()[1].narrowing);
    EXPECT_EQ(0, DelayWriter.narrowing);
}

TEST_F(DelayRuns, CallsWithoutAnInitOrWithoutMemoryDoNothing)
{
    Bytes data = pattern(100);
    delayWrite(data.data(), 100);
    delayWriteDestroy();
    EXPECT_TRUE(runs().empty());
    OsFault.allocBudget = 0;
    EXPECT_EQ(1, delayWriteInit(0, 0, 100));
    OsFault.allocBudget = -1;
    delayWrite(data.data(), 100);
    delayWriteDestroy();
    EXPECT_TRUE(runs().empty());
}

TEST_F(DelayRuns, ANewInitLosesTheHeldBytesOfTheOldWriter)
{
    Bytes a = pattern(500, 1), b = pattern(300, 2);
    delayWriteInit(0, 0, 500);
    delayWrite(a.data(), 500);
    delayWriteInit(0, 1000, 300);
    delayWrite(b.data(), 300);
    delayWriteDestroy();
    ASSERT_EQ(1u, runs().size());
    EXPECT_EQ(1000u, runs()[0].offset);
    EXPECT_EQ(b, runs()[0].bytes);
}

/* 2. Into the real store. */
class DelayStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        osFaultReset();
        DelayWriter.sink = NULL;
        ASSERT_EQ(0, bopen(zt::tempPath("delay.tmp").c_str()));
    }
    void TearDown() override
    {
        EXPECT_EQ("", blockFileInvariants());
        bclose();
        vocSetFormat(1, 16, 0);
        Wave.editChannel = 0;
    }
    static Bytes read(uint32_t n)
    {
        Bytes v(n, 0x66);
        EXPECT_EQ(0, vocRead(v.data(), 0, n));
        return v;
    }
};

TEST_F(DelayStore, Narrowing16BitIntoAn8BitWaveWritesHalfAtHalfThePosition)
{
    vocSetFormat(1, 8, 0);
    Bytes blank(4000, 0x80);
    ASSERT_EQ(0, vocAppend(blank.data(), 4000));
    std::vector<int16_t> words(1000);
    for (size_t i = 0; i < words.size(); i++)
        words[i] = (int16_t)((int)(i % 256) * 256 - 32768);
    delayWriteInit16to8(0, 2000, 2000);   /* 16-bit bytes: frame 1000 of the 8-bit wave */
    delayWrite16to8(words.data(), 2000);
    delayWriteDestroy16to8();
    Bytes got = read(4000);
    EXPECT_EQ(Bytes(1000, 0x80), Bytes(got.begin(), got.begin() + 1000));
    for (size_t i = 0; i < words.size(); i++)
        ASSERT_EQ(vocNarrow(words[i]), got[1000 + i]) << i;
    EXPECT_EQ(Bytes(2000, 0x80), Bytes(got.begin() + 2000, got.end()));
    EXPECT_EQ(4000u, Wave.dataLength);
}

TEST_F(DelayStore, OneChannelOfAStereoWaveKeepsTheOtherChannel)
{
    vocSetFormat(2, 16, 0);
    Bytes zero(8000, 0);
    ASSERT_EQ(0, vocAppend(zero.data(), 8000));
    Wave.editChannel = 2;
    std::vector<int16_t> right(2000, 0x1234);
    delayWriteInit(0, 0, 4000);
    delayWrite(right.data(), 4000);
    delayWriteDestroy();
    Bytes got = read(8000);
    for (size_t f = 0; f < 2000; f++) {
        ASSERT_EQ(0, got[4 * f] | got[4 * f + 1] << 8) << f;
        ASSERT_EQ(0x1234, got[4 * f + 2] | got[4 * f + 3] << 8) << f;
    }
}

}  // namespace
