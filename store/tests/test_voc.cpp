/*
 * Sample-access calls: silence past either end, one channel of a stereo wave, the 8/16-bit
 * conversions, blank inserts and cuts, the data length, zero crossings, and the answers
 * without a store.  Outputs start as 0x66 so a call that skips a byte shows.
 */
#include "store/blockfile.h"
#include "store/voc.h"
#include "store_check.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

typedef std::vector<uint8_t> Bytes;

struct CueLog {
    static std::vector<std::pair<uint32_t, uint32_t>> &inserted() { static std::vector<std::pair<uint32_t, uint32_t>> v; return v; }
    static std::vector<std::pair<uint32_t, uint32_t>> &deleted() { static std::vector<std::pair<uint32_t, uint32_t>> v; return v; }
    static int &lengthCalls() { static int n; return n; }
    static void onInserted(uint32_t f, uint32_t n) { inserted().push_back({f, n}); }
    static void onDeleted(uint32_t f, uint32_t n) { deleted().push_back({f, n}); }
    static void onLength() { lengthCalls()++; }
    static void clear() { inserted().clear(); deleted().clear(); lengthCalls() = 0; }
};

class VocTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        osFaultReset();
        ASSERT_EQ(0, bopen(zt::tempPath("voc.tmp").c_str()));
        ASSERT_NE(OS_NOFILE, BF.file);
        format(1, 8);
        CueLog::clear();
        VocHook.cueInserted = CueLog::onInserted;
        VocHook.cueDeleted = CueLog::onDeleted;
        VocHook.lengthChanged = CueLog::onLength;
        VocHook.progress = NULL;
    }
    void TearDown() override
    {
        EXPECT_EQ("", blockFileInvariants());
        VocHook = VocHooks{NULL, NULL, NULL, NULL};
        bclose();
        vocSetFormat(1, 16, 0);
        Wave.editChannel = 0;
        osFaultReset();
    }
    static void format(uint16_t channels, uint16_t bits, int editChannel = 0)
    {
        vocSetFormat(channels, bits, BF.total);
        Wave.editChannel = editChannel;
        Wave.pass = 0;
        Wave.passes = 1;
    }
    static Bytes pattern(size_t n, unsigned seed = 1)
    {
        Bytes v(n);
        for (size_t i = 0; i < n; i++)
            v[i] = (uint8_t)((i * 7u + seed * 13u + (i >> 8) * 3u) & 0xFF);
        return v;
    }
    static void put(const Bytes &v)
    {
        ASSERT_EQ(0, vocAppend(v.data(), (uint32_t)v.size()));
    }
    static void putWords(const std::vector<int16_t> &w)
    {
        Bytes b(w.size() * 2);
        for (size_t i = 0; i < w.size(); i++) {
            b[2 * i] = (uint8_t)(w[i] & 0xFF);
            b[2 * i + 1] = (uint8_t)((uint16_t)w[i] >> 8);
        }
        put(b);
    }
    static Bytes read(int32_t offset, uint32_t count)
    {
        Bytes v(count + 1, 0x66);
        EXPECT_EQ(0, vocRead(v.data(), offset, count));
        EXPECT_EQ(0x66, v[count]) << "wrote past the count";
        v.resize(count);
        return v;
    }
    static Bytes all() { return read(0, BF.total); }
    static std::vector<int16_t> words(const Bytes &b)
    {
        std::vector<int16_t> w(b.size() / 2);
        for (size_t i = 0; i < w.size(); i++)
            w[i] = (int16_t)(b[2 * i] | (b[2 * i + 1] << 8));
        return w;
    }
};

/* ---- 1. Reads past either end deliver silence and leave the store as it was ---- */

TEST_F(VocTest, ReadBeforeStartGivesSilenceThenData8Bit)
{
    Bytes data = pattern(1000);
    put(data);
    Bytes got = read(-100, 300);
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(0x80, got[i]) << i;
    EXPECT_EQ(0, memcmp(got.data() + 100, data.data(), 200));
}

TEST_F(VocTest, ReadBeforeStartIsZeroFor16Bit)
{
    format(1, 16);
    put(pattern(40));
    Bytes got = read(-10, 20);
    EXPECT_EQ(Bytes(10, 0), Bytes(got.begin(), got.begin() + 10));
    EXPECT_EQ(0, memcmp(got.data() + 10, pattern(40).data(), 10));
    /* Wholly before the start: all silence. */
    EXPECT_EQ(Bytes(8, 0), read(-50, 8));
}

TEST_F(VocTest, ReadAcrossEndGivesRestThenSilenceWithoutLengthening)
{
    Bytes data = pattern(BLOCKSIZE + 50);
    put(data);
    Bytes got = read((int32_t)data.size() - 30, 100);
    EXPECT_EQ(0, memcmp(got.data(), data.data() + data.size() - 30, 30));
    EXPECT_EQ(Bytes(70, 0x80), Bytes(got.begin() + 30, got.end()));
    /* Far past the end: silence, and the store did not grow to get there. */
    EXPECT_EQ(Bytes(64, 0x80), read(5 * BLOCKSIZE, 64));
    EXPECT_EQ(data.size(), BF.total);
    EXPECT_EQ(data.size(), Wave.dataLength);
    EXPECT_EQ(data, all());
}

TEST_F(VocTest, LargeReadCrossesPiecesAndBlocks)
{
    Bytes data = pattern(3 * BLOCKSIZE + 17, 5);
    put(data);
    EXPECT_EQ(data, all());
    Bytes mid = read(BLOCKSIZE - 3, 70000);
    EXPECT_EQ(0, memcmp(mid.data(), data.data() + BLOCKSIZE - 3, 70000));
}

/* ---- 2. One channel of a stereo wave ---- */

TEST_F(VocTest, ReadSingleRightChannel16Bit)
{
    format(2, 16, 2);
    putWords({1, 2, 3, 4});
    Bytes out(5, 0x66);
    ASSERT_EQ(0, vocReadSingle(out.data(), 0, 4));
    EXPECT_EQ((std::vector<int16_t>{2, 4}), words(Bytes(out.begin(), out.begin() + 4)));
    EXPECT_EQ(0x66, out[4]);
    Wave.editChannel = 1;
    ASSERT_EQ(0, vocReadSingle(out.data(), 0, 4));
    EXPECT_EQ((std::vector<int16_t>{1, 3}), words(Bytes(out.begin(), out.begin() + 4)));
}

TEST_F(VocTest, ReadSingle8BitEachChannelAndPastEnd)
{
    format(2, 8, 1);
    put({10, 20, 11, 21, 12, 22});
    Bytes out(6, 0x66);
    ASSERT_EQ(0, vocReadSingle(out.data(), 1, 5));
    EXPECT_EQ((Bytes{11, 12, 0x80, 0x80, 0x80, 0x66}), out);
    Wave.editChannel = 2;
    out.assign(6, 0x66);
    ASSERT_EQ(0, vocReadSingle(out.data(), -2, 4));
    EXPECT_EQ((Bytes{0x80, 0x80, 20, 21, 0x66, 0x66}), out);
    EXPECT_EQ(6u, BF.total);
}

TEST_F(VocTest, ReadSingleOddCountGetsTheLastRightByte)
{
    format(2, 16, 2);
    putWords({1, 0x1234, 3, 0x5678});
    Bytes out(4, 0x66);
    ASSERT_EQ(0, vocReadSingle(out.data(), 0, 3));
    EXPECT_EQ((Bytes{0x34, 0x12, 0x78, 0x66}), out);
}

TEST_F(VocTest, ReadSingleOverManyPiecesKeepsOrder)
{
    format(2, 16, 2);
    std::vector<int16_t> w(40000);
    for (size_t i = 0; i < w.size(); i++)
        w[i] = (int16_t)(i & 1 ? i : -(int)i);
    putWords(w);
    Bytes out(40000);
    ASSERT_EQ(0, vocReadSingle(out.data(), 0, (uint32_t)out.size()));
    std::vector<int16_t> right = words(out);
    for (size_t i = 0; i < right.size(); i++)
        ASSERT_EQ((int16_t)(2 * i + 1), right[i]) << i;
}

TEST_F(VocTest, WriteSingleLeftLeavesRightUnchanged16Bit)
{
    format(2, 16, 1);
    std::vector<int16_t> w(6000);
    for (size_t i = 0; i < w.size(); i++)
        w[i] = (int16_t)(1000 + i);
    putWords(w);
    std::vector<int16_t> left(3000, -7);
    Bytes src(6000);
    memcpy(src.data(), left.data(), src.size());
    ASSERT_EQ(0, vocWriteAtSingle(src.data(), 0, (uint32_t)src.size()));
    std::vector<int16_t> back = words(all());
    ASSERT_EQ(w.size(), back.size());
    for (size_t i = 0; i < back.size(); i++)
        ASSERT_EQ(i % 2 == 0 ? (int16_t)-7 : w[i], back[i]) << i;
    EXPECT_EQ(12000u, Wave.dataLength);
}

TEST_F(VocTest, WriteSingleRight8Bit)
{
    format(2, 8, 2);
    put({1, 2, 3, 4, 5, 6});
    Bytes src = {0xA0, 0xA1};
    ASSERT_EQ(0, vocWriteAtSingle(src.data(), 1, 2));
    EXPECT_EQ((Bytes{1, 2, 3, 0xA0, 5, 0xA1}), all());
}

TEST_F(VocTest, WriteSingleBeyondEndLandsWithSilentOtherChannel)
{
    format(2, 16, 2);
    putWords({5, 6});
    Bytes src = {0x11, 0x22};
    ASSERT_EQ(0, vocWriteAtSingle(src.data(), 4, 2));
    /* Frames 1 and 2 were silence; the right sample of frame 2 holds the write. */
    EXPECT_EQ((std::vector<int16_t>{5, 6, 0, 0, 0, 0x2211}), words(all()));
    EXPECT_EQ(12u, Wave.dataLength);
    EXPECT_EQ(12u, BF.total);
}

TEST_F(VocTest, WriteSingleOddCountWritesTheLastRightByte)
{
    format(2, 16, 2);
    putWords({1, 2, 3, 4});
    Bytes src = {0xAA, 0xBB, 0xCC};
    ASSERT_EQ(0, vocWriteAtSingle(src.data(), 0, 3));
    Bytes got = all();
    EXPECT_EQ((Bytes{1, 0, 0xAA, 0xBB, 3, 0, 0xCC, 0}), got);
}

TEST_F(VocTest, WriteSingleNegativeOffsetSkipsSource)
{
    format(2, 8, 1);
    put({1, 2, 3, 4});
    Bytes src = {0xE0, 0xE1, 0xE2};
    ASSERT_EQ(0, vocWriteAtSingle(src.data(), -1, 3));
    EXPECT_EQ((Bytes{0xE1, 2, 0xE2, 4}), all());
}

TEST_F(VocTest, SingleCallsOnMonoActOnWholeData)
{
    format(1, 8, 2);
    put({1, 2, 3, 4});
    Bytes out(4, 0x66);
    ASSERT_EQ(0, vocReadSingle(out.data(), 1, 4));
    EXPECT_EQ((Bytes{2, 3, 4, 0x80}), out);
    Bytes src = {9, 9};
    ASSERT_EQ(0, vocWriteAtSingle(src.data(), 1, 2));
    EXPECT_EQ((Bytes{1, 9, 9, 4}), all());
}

TEST_F(VocTest, ReadSingleClearSilencesOnlyThatChannel)
{
    format(2, 8, 2);
    put({1, 2, 3, 4, 5, 6});
    Bytes out(3, 0x66);
    ASSERT_EQ(0, vocReadSingleClear(out.data(), 0, 3));
    EXPECT_EQ((Bytes{2, 4, 6}), out);
    EXPECT_EQ((Bytes{1, 0x80, 3, 0x80, 5, 0x80}), all());
}

/* ---- 3. 8-bit / 16-bit conversions ---- */

TEST_F(VocTest, Write16to8NarrowsAndRead8to16Widens)
{
    std::vector<int16_t> in = {-32768, -1, 0, 32767, 255};
    ASSERT_EQ(0, vocWriteAt16to8(in.data(), 0, 10));
    EXPECT_EQ((Bytes{0x00, 0x7F, 0x80, 0xFF, 0x80}), all());
    std::vector<int16_t> out(6, 0x6666);
    ASSERT_EQ(0, vocRead8to16(out.data(), 0, 10));
    EXPECT_EQ((std::vector<int16_t>{-32768, -256, 0, 32512, 0, 0x6666}), out);
    EXPECT_EQ(5u, Wave.dataLength);
}

TEST_F(VocTest, ConversionsHalveOffsetsAndCounts)
{
    put({0x10, 0x20, 0x30, 0x40});
    std::vector<int16_t> in = {0x7F00};
    ASSERT_EQ(0, vocWriteAt16to8(in.data(), 4, 2));   /* 16-bit byte 4 is 8-bit byte 2 */
    EXPECT_EQ((Bytes{0x10, 0x20, 0xFF, 0x40}), all());
    std::vector<int16_t> out(3, 0x6666);
    ASSERT_EQ(0, vocRead8to16(out.data(), 6, 4));     /* bytes 3 and then past the end */
    EXPECT_EQ((std::vector<int16_t>{(0x40 - 128) * 256, 0, 0x6666}), out);
}

TEST_F(VocTest, SingleConversionsUseTheEditedChannel)
{
    format(2, 8, 2);
    put({0x80, 0x80, 0x80, 0x80});
    std::vector<int16_t> in = {-32768, 32767};
    ASSERT_EQ(0, vocWriteAtSingle16to8(in.data(), 0, 4));
    EXPECT_EQ((Bytes{0x80, 0x00, 0x80, 0xFF}), all());
    std::vector<int16_t> out(3, 0x6666);
    ASSERT_EQ(0, vocReadSingle8to16(out.data(), 0, 4));
    EXPECT_EQ((std::vector<int16_t>{-32768, 32512, 0x6666}), out);
}

/* ---- 4. Blank inserts ---- */

TEST_F(VocTest, InsertBlank8BitIs80AndShiftsData)
{
    Bytes data = pattern(500);
    put(data);
    ASSERT_EQ(0, vocInsertBlank(100, 50));
    Bytes got = all();
    ASSERT_EQ(550u, got.size());
    EXPECT_EQ(0, memcmp(got.data(), data.data(), 100));
    EXPECT_EQ(Bytes(50, 0x80), Bytes(got.begin() + 100, got.begin() + 150));
    EXPECT_EQ(0, memcmp(got.data() + 150, data.data() + 100, 400));
    EXPECT_EQ(550u, Wave.dataLength);
    ASSERT_EQ(1u, CueLog::inserted().size());
    EXPECT_EQ(std::make_pair(100u, 50u), CueLog::inserted()[0]);
}

TEST_F(VocTest, InsertBlank16BitIsZeroAcrossBlocks)
{
    format(2, 16);
    Bytes data = pattern(BLOCKSIZE + 400, 3);
    put(data);
    /* 100,000 bytes: several silence pieces, a new block and an overflow block. */
    ASSERT_EQ(0, vocInsertBlank(1000, 100000));
    Bytes got = all();
    ASSERT_EQ(data.size() + 100000, got.size());
    EXPECT_EQ(0, memcmp(got.data(), data.data(), 1000));
    EXPECT_EQ(Bytes(100000, 0), Bytes(got.begin() + 1000, got.begin() + 101000));
    EXPECT_EQ(0, memcmp(got.data() + 101000, data.data() + 1000, data.size() - 1000));
    EXPECT_EQ(got.size(), Wave.dataLength);
    ASSERT_EQ(1u, CueLog::inserted().size());
    EXPECT_EQ(std::make_pair(250u, 25000u), CueLog::inserted()[0]);   /* frames of 4 bytes */
}

TEST_F(VocTest, InsertBlank16to8HalvesOffsetAndCount)
{
    put({1, 2, 3, 4});
    ASSERT_EQ(0, vocInsertBlank16to8(4, 6));
    EXPECT_EQ((Bytes{1, 2, 0x80, 0x80, 0x80, 3, 4}), all());
    ASSERT_EQ(0, vocInsertBlank16to8(-8, 2));   /* before the start: at the start */
    EXPECT_EQ((Bytes{0x80, 1, 2, 0x80, 0x80, 0x80, 3, 4}), all());
}

TEST_F(VocTest, InsertBlankBeyondEndSilencesTheGap)
{
    /* Blocks freed by a cut still hold the old samples in the file: none may come back. */
    put(pattern(3 * BLOCKSIZE, 9));
    ASSERT_EQ(0, vocCut(0, 3 * BLOCKSIZE));
    put({7, 7});
    ASSERT_EQ(0, vocInsertBlank(BLOCKSIZE + 10, 5));
    Bytes got = all();
    ASSERT_EQ(BLOCKSIZE + 15, got.size());
    EXPECT_EQ(7, got[1]);
    EXPECT_EQ(Bytes(BLOCKSIZE + 13, 0x80), Bytes(got.begin() + 2, got.end()));
    EXPECT_EQ(got.size(), Wave.dataLength);
}

/* ---- 5. Cuts ---- */

TEST_F(VocTest, CutCountZeroChangesNothing)
{
    put(pattern(300));
    ASSERT_EQ(0, vocCut(100, 0));
    EXPECT_EQ(pattern(300), all());
    EXPECT_EQ(300u, Wave.dataLength);
    EXPECT_TRUE(CueLog::deleted().empty());
}

TEST_F(VocTest, CutRemovesBytesTellsCuesAndLength)
{
    format(2, 16);
    Bytes data = pattern(2 * BLOCKSIZE, 4);
    put(data);
    ASSERT_EQ(0, vocCut(400, 70000));
    data.erase(data.begin() + 400, data.begin() + 70400);
    EXPECT_EQ(data, all());
    EXPECT_EQ(data.size(), Wave.dataLength);
    ASSERT_EQ(1u, CueLog::deleted().size());
    EXPECT_EQ(std::make_pair(100u, 17500u), CueLog::deleted()[0]);
    EXPECT_EQ(1, CueLog::lengthCalls());
}

TEST_F(VocTest, CutPastTheEndRemovesOnlyWhatIsThere)
{
    put(pattern(100));
    ASSERT_EQ(0, vocCut(60, 1000));
    EXPECT_EQ(60u, Wave.dataLength);
    ASSERT_EQ(0, vocCut(500, 10));   /* wholly past the end: the store must not grow */
    EXPECT_EQ(60u, BF.total);
    EXPECT_EQ(60u, Wave.dataLength);
}

TEST_F(VocTest, CutWithNegativeOffsetCutsFromTheStart)
{
    put(pattern(100));
    ASSERT_EQ(0, vocCut(-10, 30));
    Bytes data = pattern(100);
    EXPECT_EQ(Bytes(data.begin() + 20, data.end()), all());
    EXPECT_EQ(80u, Wave.dataLength);
    ASSERT_EQ(0, vocCut16to8(-100, 20));   /* wholly before the start */
    EXPECT_EQ(80u, BF.total);
}

TEST_F(VocTest, Cut16to8HalvesOffsetAndCount)
{
    put({1, 2, 3, 4, 5});
    ASSERT_EQ(0, vocCut16to8(2, 4));
    EXPECT_EQ((Bytes{1, 4, 5}), all());
}

/* ---- 6. Writes and the data length ---- */

TEST_F(VocTest, WriteAtEndGrowsLengthByCount)
{
    put(pattern(1000));
    Bytes more = pattern(70000, 2);
    ASSERT_EQ(0, vocWriteAt(more.data(), 1000, (uint32_t)more.size()));
    EXPECT_EQ(71000u, Wave.dataLength);
    EXPECT_EQ(71000u, BF.total);
    ASSERT_EQ(0, vocWriteAt(more.data(), 10, 100));   /* inside: no change */
    EXPECT_EQ(71000u, Wave.dataLength);
}

TEST_F(VocTest, WriteNegativeOffsetSkipsSourceBytes)
{
    put(pattern(10));
    Bytes src = {1, 2, 3, 4, 5};
    ASSERT_EQ(0, vocWriteAt(src.data(), -3, 5));
    Bytes got = all();
    EXPECT_EQ(4, got[0]);
    EXPECT_EQ(5, got[1]);
    EXPECT_EQ(pattern(10)[2], got[2]);
}

TEST_F(VocTest, WriteBeyondEndSilencesTheGapNotOldSamples)
{
    put(pattern(2 * BLOCKSIZE, 6));
    ASSERT_EQ(0, vocCut(0, 2 * BLOCKSIZE));
    ASSERT_EQ(0u, Wave.dataLength);
    Bytes src = {1, 2, 3};
    ASSERT_EQ(0, vocWriteAt(src.data(), 70000, 3));
    Bytes got = all();
    ASSERT_EQ(70003u, got.size());
    EXPECT_EQ(Bytes(70000, 0x80), Bytes(got.begin(), got.begin() + 70000));
    EXPECT_EQ(70003u, Wave.dataLength);
}

TEST_F(VocTest, AppendAddsToLength)
{
    put(pattern(10));
    put(pattern(40000, 3));
    EXPECT_EQ(40010u, Wave.dataLength);
    EXPECT_EQ(40010u, BF.total);
}

struct ProgressLog {
    static std::vector<std::pair<uint32_t, uint32_t>> &calls() { static std::vector<std::pair<uint32_t, uint32_t>> v; return v; }
    static int &cancelAfter() { static int n; return n; }
    static int report(uint32_t done, uint32_t total)
    {
        calls().push_back({done, total});
        return (int)calls().size() >= cancelAfter();
    }
};

TEST_F(VocTest, WriteReportsProgressPerPieceAndStopsOnCancel)
{
    Bytes src = pattern(100000);
    ProgressLog::calls().clear();
    ProgressLog::cancelAfter() = 100;
    VocHook.progress = ProgressLog::report;
    Wave.pass = 1;
    Wave.passes = 2;
    ASSERT_EQ(0, vocWriteAt(src.data(), 0, 100000));
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{
                  {132000, 200000}, {164000, 200000}, {196000, 200000}, {200000, 200000}}),
              ProgressLog::calls());
    ProgressLog::calls().clear();
    ProgressLog::cancelAfter() = 1;
    Wave.pass = 0;
    Wave.passes = 1;
    ASSERT_EQ(0, vocWriteAt(src.data(), 100000, 100000));
    EXPECT_EQ(1u, ProgressLog::calls().size());
    EXPECT_EQ(132000u, BF.total);   /* one piece written, then it stopped */
}

/* ---- 7. Zero crossings ---- */

TEST_F(VocTest, ZeroCrossForwardAndBackwardExamples)
{
    format(1, 16);
    putWords({5, -3, -1, 0, 4});
    EXPECT_EQ(3u, vocZeroCross(0, 1, 0));
    ASSERT_EQ(0, vocCut(0, 10));
    putWords({4, 0, -1, 3, 5});
    EXPECT_EQ(3u, vocZeroCross(5, -1, 0));
}

TEST_F(VocTest, ZeroCrossNoneFoundGivesStart)
{
    format(1, 16);
    putWords({5, 6, 7, 8});
    EXPECT_EQ(1u, vocZeroCross(1, 1, 0));
    EXPECT_EQ(3u, vocZeroCross(3, -1, 0));
}

TEST_F(VocTest, ZeroCross8BitStereoRightChannel)
{
    format(2, 8);
    /* left stays positive; right goes 0x70 (-16), 0x90 (+16). */
    put({0xC0, 0x70, 0xC0, 0x70, 0xC0, 0x90, 0xC0, 0x90});
    EXPECT_EQ(2u, vocZeroCross(0, 1, 2));
    EXPECT_EQ(0u, vocZeroCross(0, 1, 1));   /* left: no crossing */
}

/* ---- 8. Running out of blocks during an insert ---- */

TEST_F(VocTest, InsertShortOfBlocksShowsMessageAndKeepsData)
{
    /* Every block in the chain holding one byte: the insert can open only the rest of the
       last block. */
    while (BF.freeHead != 0) {
        uint16_t b = balloc();
        BF.table[b].next = BF.table[1].next;
        BF.table[1].next = b;
    }
    uint32_t blocks = 0;
    uint16_t last = 0;
    for (uint16_t b = BF.head; b != 0; b = BF.table[b].next, blocks++) {
        BF.table[b].used = 1;
        last = b;
    }
    BF.total = blocks;
    bseek(0, 0, 1);
    /* The last byte is known so that it can be checked after the insert. */
    bseek(1, 2, 0);
    uint8_t mark = 0x5A;
    ASSERT_EQ(1, bwrite(&mark, 1));
    vocSetFormat(1, 8, BF.total);

    zt::MessageRecorder rec;
    ASSERT_EQ(0, vocInsertBlank((int32_t)BF.total, 200000));
    ASSERT_EQ(2u, rec.messages.size());
    EXPECT_EQ("Out of free list space", rec.messages[0].text);
    EXPECT_EQ("Inserted wrong number of bytes", rec.messages[1].text);
    EXPECT_EQ("Error!", rec.messages[1].caption);
    EXPECT_EQ(OS_MB_OK | OS_MB_ICONEXCLAMATION, rec.messages[1].style);
    /* Only the room really opened was counted and silenced. */
    EXPECT_EQ(blocks + BLOCKSIZE - 1, Wave.dataLength);
    EXPECT_EQ(Wave.dataLength, BF.total);
    EXPECT_EQ(BLOCKSIZE, BF.table[last].used);
    Bytes tail = read((int32_t)blocks - 1, 5);
    EXPECT_EQ((Bytes{0x5A, 0x80, 0x80, 0x80, 0x80}), tail);
}

/* ---- 9. Without a store every exported call answers 1 and shows nothing ---- */

void expectEveryCallFails()
{
    zt::MessageRecorder rec;
    uint8_t b[64];
    int16_t w[32];
    memset(b, 0x66, sizeof b);
    memset(w, 0, sizeof w);
    EXPECT_EQ(1, vocRead(b, 0, 16));
    EXPECT_EQ(1, vocReadSingle(b, 0, 16));
    EXPECT_EQ(1, vocRead8to16(w, 0, 16));
    EXPECT_EQ(1, vocReadSingle8to16(w, 0, 16));
    EXPECT_EQ(1, vocWriteAt(b, 0, 16));
    EXPECT_EQ(1, vocWriteAtSingle(b, 0, 16));
    EXPECT_EQ(1, vocWriteAt16to8(w, 0, 16));
    EXPECT_EQ(1, vocWriteAtSingle16to8(w, 0, 16));
    EXPECT_EQ(1, vocInsertBlank(0, 16));
    EXPECT_EQ(1, vocInsertBlank16to8(0, 16));
    EXPECT_EQ(1, vocCut(0, 16));
    EXPECT_EQ(1, vocCut(0, 0));
    EXPECT_EQ(1, vocCut16to8(0, 16));
    EXPECT_EQ(1, vocAppend(b, 16));
    EXPECT_EQ(1, vocReadSingleClear(b, 0, 16));
    EXPECT_TRUE(rec.messages.empty());
}

TEST(VocNoStore, EveryCallReturnsOneWhenClosed)
{
    bclose();
    for (int channels = 1; channels <= 2; channels++) {
        vocSetFormat((uint16_t)channels, 16, 0);
        Wave.editChannel = channels == 2 ? 2 : 0;
        expectEveryCallFails();
    }
    EXPECT_EQ(0u, bfilesize());
    vocSetFormat(1, 16, 0);
    Wave.editChannel = 0;
}

} // namespace

/* Shared with the fault tests: the same list of calls after a failed create. */
void vocExpectEveryCallFails() { expectEveryCallFails(); }
