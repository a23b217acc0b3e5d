/*
 * Block file: the chain shapes, free-list order and messages that the editor's users rely
 * on indirectly (inserts and deletes that never move the data behind the edit point).
 */
#include "store/blockfile.h"
#include "store_check.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

class BlockFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        osFaultReset();
        ASSERT_EQ(0, bopen(zt::tempPath("blockfile.tmp").c_str()));
        ASSERT_NE(OS_NOFILE, BF.file);
    }
    void TearDown() override
    {
        EXPECT_EQ("", blockFileInvariants());
        bclose();
        osFaultReset();
    }
    static std::vector<uint8_t> pattern(size_t n, unsigned seed)
    {
        std::vector<uint8_t> v(n);
        for (size_t i = 0; i < n; i++)
            v[i] = (uint8_t)((i * 131u + seed * 7u + (i >> 8)) & 0xFF);
        return v;
    }
    static void append(const std::vector<uint8_t> &v)
    {
        bseek(0, 2, 0);
        size_t done = 0;
        while (done < v.size()) {
            uint16_t n = (uint16_t)std::min<size_t>(v.size() - done, 32000);
            ASSERT_EQ(n, bwrite(v.data() + done, n));
            done += n;
        }
    }
    static std::vector<uint8_t> readAll()
    {
        std::vector<uint8_t> v(BF.total);
        bseek(0, 0, 1);
        size_t done = 0;
        while (done < v.size()) {
            uint16_t n = (uint16_t)std::min<size_t>(v.size() - done, 32000);
            uint16_t got = bread(v.data() + done, n);
            if (got == 0)
                break;
            done += got;
        }
        v.resize(done);
        return v;
    }
};

TEST_F(BlockFileTest, FreshStoreIsOneEmptyBlock)
{
    EXPECT_EQ(0u, BF.total);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, 0}}), blockChain());
    uint8_t buf[16];
    memset(buf, 0x66, sizeof buf);
    EXPECT_EQ(0, bread(buf, sizeof buf));
    EXPECT_EQ(0x66, buf[0]);
}

TEST_F(BlockFileTest, AppendFillsBlockThenLinksLowestFree)
{
    append(pattern(BLOCKSIZE, 1));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, (int)BLOCKSIZE}}), blockChain());
    append(pattern(1, 2));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, (int)BLOCKSIZE}, {2, 1}}), blockChain());
    EXPECT_EQ(BLOCKSIZE + 1, BF.total);
}

TEST_F(BlockFileTest, DeletedMiddleBlockIsReusedFirst)
{
    append(pattern(3 * BLOCKSIZE, 3));
    ASSERT_EQ(BLOCKSIZE, bdelete(BLOCKSIZE, BLOCKSIZE));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, (int)BLOCKSIZE}, {3, (int)BLOCKSIZE}}), blockChain());
    EXPECT_EQ(2, BF.freeHead);
    uint16_t b = balloc();
    EXPECT_EQ(2, b);
    bfree(b);
}

TEST_F(BlockFileTest, DeleteEverythingLeavesOneEmptyBlock)
{
    auto data = pattern(2 * BLOCKSIZE + 500, 4);
    append(data);
    EXPECT_EQ(data.size(), bdelete(0, (uint32_t)data.size()));
    auto chain = blockChain();
    ASSERT_EQ(1u, chain.size());
    EXPECT_EQ(0, chain[0].second);
    EXPECT_EQ(0u, BF.total);
}

TEST_F(BlockFileTest, DeleteInsideAndAcrossBlocksKeepsOrder)
{
    auto data = pattern(3 * BLOCKSIZE, 5);
    append(data);
    EXPECT_EQ(10u, bdelete(100, 10));
    data.erase(data.begin() + 100, data.begin() + 110);
    EXPECT_EQ(70000u, bdelete(60000, 70000));
    data.erase(data.begin() + 60000, data.begin() + 130000);
    EXPECT_EQ(data, readAll());
}

TEST_F(BlockFileTest, InsertIntoFullBlockOverflowsItsTail)
{
    auto data = pattern(BLOCKSIZE, 6);
    append(data);
    ASSERT_EQ(10u, binsert(100, 10));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, (int)BLOCKSIZE}, {2, 10}}), blockChain());
    /* The block's last ten bytes moved into the new block. */
    bseek(BLOCKSIZE, 0, 1);
    uint8_t tail[10];
    ASSERT_EQ(10, bread(tail, 10));
    EXPECT_EQ(0, memcmp(tail, data.data() + BLOCKSIZE - 10, 10));
    /* And the bytes after the room are the block's former bytes from 100 on. */
    bseek(110, 0, 1);
    uint8_t after[50];
    ASSERT_EQ(50, bread(after, 50));
    EXPECT_EQ(0, memcmp(after, data.data() + 100, 50));
}

TEST_F(BlockFileTest, LargeInsertAtFrontYieldsDocumentedChain)
{
    auto data = pattern(1000, 7);
    append(data);
    ASSERT_EQ(200000u, binsert(0, 200000));
    /* block 1 full of room, a new full block, a 5160-byte block, then the overflow block
       holding 64280 bytes of room and the 1000 old bytes behind them. */
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, 65280}, {3, 65280}, {4, 5160}, {2, 65280}}), blockChain());
    EXPECT_EQ(201000u, BF.total);
    std::vector<uint8_t> back(1000);
    bseek(200000, 0, 1);
    ASSERT_EQ(1000, bread(back.data(), 1000));
    EXPECT_EQ(data, back);
}

TEST_F(BlockFileTest, SeekFromEndCountsBack)
{
    append(pattern(100, 8));
    EXPECT_EQ(95u, bseek(5, 2, 0));
}

TEST_F(BlockFileTest, SeekBeyondTotalLengthensData)
{
    append(pattern(100, 8));
    EXPECT_EQ(105u, bseek(105, 0, 0));
    EXPECT_EQ(105u, BF.total);
}

TEST_F(BlockFileTest, DeleteAtOrPastEndDeletesNothingAndDoesNotGrow)
{
    auto data = pattern(BLOCKSIZE + 10, 9);
    append(data);
    EXPECT_EQ(0u, bdelete(BLOCKSIZE + 10, 5));
    EXPECT_EQ(0u, bdelete(3 * BLOCKSIZE, 100));
    EXPECT_EQ(BLOCKSIZE + 10, BF.total);
    EXPECT_EQ(2u, blockChain().size());
    EXPECT_EQ(data, readAll());
}

TEST_F(BlockFileTest, InsertAtBlockEdgeLinksRoomBetweenBlocks)
{
    auto data = pattern(2 * BLOCKSIZE, 10);
    append(data);
    ASSERT_EQ(100u, binsert(BLOCKSIZE, 100));
    /* Block 1 stays whole; the room is a new block between it and block 2. */
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, (int)BLOCKSIZE}, {3, 100}, {2, (int)BLOCKSIZE}}), blockChain());
    std::vector<uint8_t> back(BLOCKSIZE);
    bseek(BLOCKSIZE + 100, 0, 1);
    ASSERT_EQ(BLOCKSIZE, bread(back.data(), (uint16_t)BLOCKSIZE));
    EXPECT_EQ(0, memcmp(back.data(), data.data() + BLOCKSIZE, BLOCKSIZE));
}

TEST_F(BlockFileTest, ZeroBlockIsNeverFreed)
{
    uint16_t freeHead = BF.freeHead;
    bfree(0);
    EXPECT_EQ(freeHead, BF.freeHead);
}

TEST_F(BlockFileTest, AllBlocksInUseGivesMessageAndShortWrite)
{
    /* Put every block into the chain holding one byte each; filling a gigabyte through the
       file would prove nothing more. */
    while (BF.freeHead != 0) {
        uint16_t b = balloc();
        BF.table[b].next = BF.table[1].next;
        BF.table[1].next = b;
    }
    uint32_t blocks = 0;
    for (uint16_t b = BF.head; b != 0; b = BF.table[b].next, blocks++)
        BF.table[b].used = 1;
    BF.total = blocks;
    ASSERT_EQ(16382u, blocks);
    bseek(0, 0, 1);

    zt::MessageRecorder rec;
    std::vector<uint8_t> big(BLOCKSIZE, 0x22);
    bseek(0, 2, 0);
    uint16_t wrote = bwrite(big.data(), 65535);
    EXPECT_EQ(BLOCKSIZE - 1, wrote);
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Out of free list space", rec.messages[0].text);
    EXPECT_EQ("Hey!!!", rec.messages[0].caption);
    EXPECT_EQ(OS_MB_OK | OS_MB_ICONINFORMATION, rec.messages[0].style);
    /* The failed write left the store consistent and the data readable. */
    EXPECT_EQ(16382u + BLOCKSIZE - 1, BF.total);
}

} // namespace

/* Streaming appends in large pieces write on from one block into the next in one call, and
   seeks far back or far ahead land where a walk from the head would, with the bytes intact:
   the paths a long open, a save and a Reverse take. */
TEST(BlockFileStreaming, LargeAppendsAndLongSeeksKeepTheBytesAndTheChain)
{
    osFaultReset();
    ASSERT_EQ(0, bopen(zt::tempPath("streaming.tmp").c_str()));
    const uint32_t total = 9 * BLOCKSIZE + 12345;
    std::vector<uint8_t> data(total);
    for (uint32_t i = 0; i < total; i++)
        data[i] = (uint8_t)(i * 2654435761u >> 24);
    for (uint32_t done = 0; done < total;) {
        uint16_t n = (uint16_t)std::min<uint32_t>(total - done, 61440);
        bseek(0, 2, 0);
        ASSERT_EQ(n, bwrite(data.data() + done, n));
        done += n;
    }
    EXPECT_EQ(total, BF.total);
    /* Blocks 1, 2, 3 ... in order, every one full but the last. */
    int expect = 1;
    for (uint16_t b = BF.head; b != 0; b = BF.table[b].next, expect++) {
        EXPECT_EQ(expect, b);
        EXPECT_EQ(BF.table[b].next ? BLOCKSIZE : 12345u, BF.table[b].used) << "block " << b;
    }
    EXPECT_EQ("", blockFileInvariants());
    /* Back to front in pieces that start inside blocks, then jumps far ahead. */
    std::vector<uint8_t> piece(40000);
    for (int64_t at = (int64_t)total - 40000; at >= 0; at -= 37777) {
        bseek((int32_t)at, 0, 0);
        ASSERT_EQ((uint32_t)at, BF.position);
        ASSERT_EQ(40000, bread(piece.data(), 40000));
        ASSERT_EQ(0, memcmp(piece.data(), data.data() + at, 40000)) << "at " << at;
        ASSERT_EQ("", blockFileInvariants());
    }
    for (uint32_t at : {100u, 5 * BLOCKSIZE + 7, 2 * BLOCKSIZE, 8 * BLOCKSIZE + 1}) {
        bseek((int32_t)at, 0, 0);
        ASSERT_EQ(1000, bread(piece.data(), 1000));
        ASSERT_EQ(0, memcmp(piece.data(), data.data() + at, 1000)) << "at " << at;
    }
    /* An overwrite through the cached block is read back from the cache as written. */
    bseek(3 * BLOCKSIZE + 10, 0, 0);
    ASSERT_EQ(100, bread(piece.data(), 100));   /* small: loads block 4 into the cache */
    std::vector<uint8_t> fresh(50, 0xA5);
    bseek(3 * BLOCKSIZE + 20, 0, 0);
    ASSERT_EQ(50, bwrite(fresh.data(), 50));
    memcpy(data.data() + 3 * BLOCKSIZE + 20, fresh.data(), 50);
    bseek(3 * BLOCKSIZE, 0, 0);
    ASSERT_EQ(200, bread(piece.data(), 200));
    EXPECT_EQ(0, memcmp(piece.data(), data.data() + 3 * BLOCKSIZE, 200));
    /* After an insert and a delete the index is rebuilt, not trusted. */
    ASSERT_EQ(1000u, binsert(BLOCKSIZE / 2, 1000));
    ASSERT_EQ(1000u, bdelete(BLOCKSIZE / 2, 1000));
    bseek((int32_t)(total - 5000), 0, 0);
    bseek(10, 0, 0);
    ASSERT_EQ(3000, bread(piece.data(), 3000));
    EXPECT_EQ(0, memcmp(piece.data(), data.data() + 10, 3000));
    EXPECT_EQ("", blockFileInvariants());
    bclose();
}
