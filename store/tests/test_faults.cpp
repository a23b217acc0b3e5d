/*
 * Fault injection into the sample store: a full disk (short writes), a temporary file that
 * cannot be created, and work buffers that cannot be had.  Each case checks that the store
 * stays consistent and that the data a user already had is still there.
 */
#include "store/blockfile.h"
#include "store/voc.h"
#include "store_check.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

void vocExpectEveryCallFails();   /* test_voc.cpp */

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes pattern(size_t n, unsigned seed)
{
    Bytes v(n);
    for (size_t i = 0; i < n; i++)
        v[i] = (uint8_t)((i * 29u + seed * 11u + (i >> 9)) & 0xFF);
    return v;
}

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        osFaultReset();
        ASSERT_EQ(0, bopen(zt::tempPath("faults.tmp").c_str()));
        ASSERT_NE(OS_NOFILE, BF.file);
        vocSetFormat(1, 8, 0);
        Wave.editChannel = 0;
    }
    void TearDown() override
    {
        osFaultReset();
        if (BF.table) {
            EXPECT_EQ("", blockFileInvariants());
        }
        bclose();
        vocSetFormat(1, 16, 0);
    }
    static Bytes readAll()
    {
        Bytes v(BF.total, 0x66);
        if (!v.empty()) {
            EXPECT_EQ(0, vocRead(v.data(), 0, BF.total));
        }
        return v;
    }
};

/* ---- 1. A full disk: writes come back short and the store stays consistent ---- */

TEST_F(FaultTest, ShortWriteWhileAppendingGivesShortCount)
{
    Bytes data = pattern(5000, 1);
    OsFault.writeBudget = 1000;
    bseek(0, 2, 0);
    EXPECT_EQ(1000, bwrite(data.data(), 5000));
    EXPECT_EQ(1000u, BF.total);
    EXPECT_EQ("", blockFileInvariants());
    osFaultReset();
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 1000), readAll());
    /* Once there is room again, writing goes on where it stopped. */
    bseek(0, 2, 0);
    EXPECT_EQ(4000, bwrite(data.data() + 1000, 4000));
    EXPECT_EQ(data, readAll());
}

TEST_F(FaultTest, ShortWriteAcrossBlocksKeepsEarlierData)
{
    Bytes first = pattern(BLOCKSIZE - 100, 2);
    bseek(0, 2, 0);
    ASSERT_EQ(first.size(), bwrite(first.data(), (uint16_t)first.size()));
    /* 100 bytes fill block 1, 50 more land in block 2, then the disk is full. */
    OsFault.writeBudget = 150;
    Bytes more = pattern(1000, 3);
    EXPECT_EQ(150, bwrite(more.data(), 1000));
    EXPECT_EQ(BLOCKSIZE + 50, BF.total);
    EXPECT_EQ("", blockFileInvariants());
    osFaultReset();
    Bytes want = first;
    want.insert(want.end(), more.begin(), more.begin() + 150);
    EXPECT_EQ(want, readAll());
}

TEST_F(FaultTest, ShortOverwriteStopsWithoutGrowing)
{
    Bytes data = pattern(3000, 4);
    ASSERT_EQ(0, vocAppend(data.data(), 3000));
    Bytes over(2000, 0xEE);
    OsFault.writeBudget = 300;
    bseek(500, 0, 0);
    EXPECT_EQ(300, bwrite(over.data(), 2000));
    EXPECT_EQ(3000u, BF.total);
    osFaultReset();
    memset(data.data() + 500, 0xEE, 300);
    EXPECT_EQ(data, readAll());
}

TEST_F(FaultTest, AppendReportsShortStore)
{
    Bytes data = pattern(70000, 5);
    OsFault.writeBudget = 40000;
    EXPECT_EQ(1, vocAppend(data.data(), 70000));
    EXPECT_EQ(40000u, BF.total);
    EXPECT_EQ(40000u, Wave.dataLength);
    osFaultReset();
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 40000), readAll());
}

TEST_F(FaultTest, InsertBlankOnFullDiskKeepsTheSamplesBehind)
{
    Bytes data = pattern(2000, 6);
    ASSERT_EQ(0, vocAppend(data.data(), 2000));
    /* The insert's own block rewrite succeeds; then the disk fills while silencing.  The
       samples behind the room must not be overwritten. */
    OsFault.writeBudget = 1500 + 100;   /* tail moved back, then 100 bytes of silence */
    ASSERT_EQ(0, vocInsertBlank(500, 400));
    osFaultReset();
    Bytes got = readAll();
    ASSERT_EQ(2400u, got.size());
    EXPECT_EQ(0, memcmp(got.data(), data.data(), 500));
    EXPECT_EQ(0, memcmp(got.data() + 900, data.data() + 500, 1500));
    EXPECT_EQ(Bytes(100, 0x80), Bytes(got.begin() + 500, got.begin() + 600));
}

/* ---- 2. No temporary file: every call fails quietly ---- */

TEST_F(FaultTest, UncreatableFileMakesEveryCallFail)
{
    bclose();
    OsFault.failCreate = 1;
    ASSERT_EQ(0, bopen(zt::tempPath("faults-nocreate.tmp").c_str()));
    EXPECT_EQ(OS_NOFILE, BF.file);
    EXPECT_EQ(0u, bfilesize());
    for (int channels = 1; channels <= 2; channels++) {
        vocSetFormat((uint16_t)channels, 8, 0);
        Wave.editChannel = channels == 2 ? 1 : 0;
        vocExpectEveryCallFails();
    }
    uint8_t b[8];
    memset(b, 0x66, sizeof b);
    EXPECT_EQ(0, bread(b, 8));
    EXPECT_EQ(0, bwrite(b, 8));
    EXPECT_EQ(0u, Wave.dataLength);
    /* The next open, with the fault gone, gives a working store again. */
    osFaultReset();
    ASSERT_EQ(0, bopen(zt::tempPath("faults.tmp").c_str()));
    EXPECT_EQ(0, vocAppend(b, 8));
}

/* ---- 3. Work buffers that cannot be had ---- */

TEST_F(FaultTest, BopenWithoutTableOrCacheGivesOne)
{
    bclose();
    OsFault.allocBudget = 0;   /* the link table */
    EXPECT_EQ(1, bopen(zt::tempPath("faults.tmp").c_str()));
    EXPECT_EQ(nullptr, BF.table);
    OsFault.allocBudget = 1;   /* the table, but not the block cache */
    EXPECT_EQ(1, bopen(zt::tempPath("faults.tmp").c_str()));
    EXPECT_EQ(nullptr, BF.table);
    EXPECT_EQ(OS_NOFILE, BF.file);
    osFaultReset();
    vocExpectEveryCallFails();
    ASSERT_EQ(0, bopen(zt::tempPath("faults.tmp").c_str()));
}

TEST_F(FaultTest, DeleteWithoutBufferDeletesNothing)
{
    Bytes data = pattern(3 * BLOCKSIZE, 7);
    ASSERT_EQ(0, vocAppend(data.data(), (uint32_t)data.size()));
    auto chain = blockChain();
    OsFault.allocBudget = 0;
    EXPECT_EQ(0u, bdelete(100, 70000));
    ASSERT_EQ(0, vocCut(100, 70000));
    osFaultReset();
    EXPECT_EQ(chain, blockChain());
    EXPECT_EQ(data.size(), Wave.dataLength);
    EXPECT_EQ(data, readAll());
}

TEST_F(FaultTest, InsertWithoutBufferOpensNoRoomAndSaysSo)
{
    Bytes data = pattern(BLOCKSIZE + 10, 8);
    ASSERT_EQ(0, vocAppend(data.data(), (uint32_t)data.size()));
    auto chain = blockChain();
    OsFault.allocBudget = 0;
    EXPECT_EQ(0u, binsert(100, 500));
    EXPECT_EQ(chain, blockChain());

    /* Through the sample-access layer: its own buffer is had, the block file's is not. */
    zt::MessageRecorder rec;
    OsFault.allocBudget = 1;
    EXPECT_EQ(0, vocInsertBlank(100, 500));
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Inserted wrong number of bytes", rec.messages[0].text);
    EXPECT_EQ("Error!", rec.messages[0].caption);
    EXPECT_EQ(OS_MB_OK | OS_MB_ICONEXCLAMATION, rec.messages[0].style);
    osFaultReset();
    EXPECT_EQ(chain, blockChain());
    EXPECT_EQ(data.size(), Wave.dataLength);
    EXPECT_EQ(data, readAll());
}

TEST_F(FaultTest, InsertBlankWithoutItsBufferChangesNothing)
{
    Bytes data = pattern(5000, 9);
    ASSERT_EQ(0, vocAppend(data.data(), 5000));
    OsFault.allocBudget = 0;
    EXPECT_EQ(1, vocInsertBlank(100, 500));
    osFaultReset();
    EXPECT_EQ(5000u, Wave.dataLength);
    EXPECT_EQ(data, readAll());
}

TEST_F(FaultTest, ConversionsAndSingleCallsWithoutBufferFail)
{
    vocSetFormat(2, 8, 0);
    Wave.editChannel = 2;
    Bytes data = pattern(1000, 10);
    ASSERT_EQ(0, vocAppend(data.data(), 1000));
    std::vector<int16_t> w(100, 0x6666);
    uint8_t b[100];
    OsFault.allocBudget = 0;
    EXPECT_EQ(1, vocRead8to16(w.data(), 0, 200));
    EXPECT_EQ(1, vocReadSingle8to16(w.data(), 0, 200));
    EXPECT_EQ(1, vocWriteAt16to8(w.data(), 0, 200));
    EXPECT_EQ(1, vocWriteAtSingle16to8(w.data(), 0, 200));
    EXPECT_EQ(1, vocReadSingle(b, 0, 100));
    EXPECT_EQ(1, vocWriteAtSingle(b, 0, 100));
    osFaultReset();
    EXPECT_EQ(data, readAll());
    EXPECT_EQ(1000u, Wave.dataLength);
}

/* ---- 4. A full disk while an insert or a cut moves the bytes behind the edit point ---- */

const char *NOT_INSERTED = "The temporary file could not be written (the disk may be full).  "
                           "Nothing was inserted: the sound is as it was.";
const char *NOT_DELETED = "The temporary file could not be written (the disk may be full).  "
                          "Nothing was deleted: the sound is as it was.";

/* One "Out of Space" box with this text, and nothing else. */
void expectOneOutOfSpace(const zt::MessageRecorder &rec, const char *text)
{
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ(text, rec.messages[0].text);
    EXPECT_EQ("Out of Space", rec.messages[0].caption);
    EXPECT_EQ(OS_MB_OK | OS_MB_ICONEXCLAMATION, rec.messages[0].style);
}

TEST_F(FaultTest, CutOnFullDiskChangesNothingAndSaysSo)
{
    Bytes data = pattern(3 * BLOCKSIZE, 11);
    ASSERT_EQ(0, vocAppend(data.data(), (uint32_t)data.size()));
    auto chain = blockChain();
    uint16_t freeHead = BF.freeHead;
    /* Inside one block (its tail moves down), and across blocks (the last one loses its
       front), through the block file and through the sample-access layer. */
    const uint32_t cuts[][2] = {{1000, 5000}, {BLOCKSIZE - 300, BLOCKSIZE + 700}, {10, 2 * BLOCKSIZE}};
    for (auto &c : cuts) {
        {
            zt::MessageRecorder rec;
            OsFault.writeBudget = 0;
            EXPECT_EQ(0u, bdelete(c[0], c[1])) << c[0];
            EXPECT_EQ(1, BF.writeFailed);
            expectOneOutOfSpace(rec, NOT_DELETED);
        }
        {
            zt::MessageRecorder rec;
            EXPECT_EQ(1, vocCut((int32_t)c[0], c[1])) << c[0];
            expectOneOutOfSpace(rec, NOT_DELETED);
        }
        osFaultReset();
        EXPECT_EQ(chain, blockChain());
        EXPECT_EQ(freeHead, BF.freeHead);
        EXPECT_EQ(data.size(), BF.total);
        EXPECT_EQ(data.size(), Wave.dataLength);
        EXPECT_EQ(data, readAll());
        EXPECT_EQ("", blockFileInvariants());
    }
    /* With room again the same cut works and clears the flag. */
    ASSERT_EQ(0, vocCut(1000, 5000));
    EXPECT_EQ(0, BF.writeFailed);
    data.erase(data.begin() + 1000, data.begin() + 6000);
    EXPECT_EQ(data, readAll());
}

TEST_F(FaultTest, MoveThatFailsHalfWayTellsOfDamageButKeepsTheLengths)
{
    Bytes data = pattern(BLOCKSIZE + 1000, 12);
    ASSERT_EQ(0, vocAppend(data.data(), (uint32_t)data.size()));
    auto chain = blockChain();
    /* The moves stop after 100 bytes and nothing can be put back (an I/O error rather than a
       full disk, where the put-back goes to room the file already has). */
    {
        zt::MessageRecorder rec;
        OsFault.writeBudget = 100;
        EXPECT_EQ(1, vocCut(1000, 5000));
        ASSERT_EQ(1u, rec.messages.size());
        EXPECT_EQ("The temporary file could not be written (the disk may be full).  Nothing was "
                  "deleted, but some samples at the edit point may be damaged.", rec.messages[0].text);
    }
    {
        zt::MessageRecorder rec;
        OsFault.writeBudget = 100;
        EXPECT_EQ(1, vocInsertBlank(BLOCKSIZE + 100, 500));
        ASSERT_EQ(1u, rec.messages.size());
        EXPECT_EQ("The temporary file could not be written (the disk may be full).  Nothing was "
                  "inserted, but some samples at the edit point may be damaged.", rec.messages[0].text);
    }
    osFaultReset();
    EXPECT_EQ(chain, blockChain());
    EXPECT_EQ(data.size(), Wave.dataLength);
    Bytes got = readAll();
    ASSERT_EQ(data.size(), got.size());
    EXPECT_EQ(0, memcmp(got.data(), data.data(), 1000));
    EXPECT_EQ(0, memcmp(got.data() + 1100, data.data() + 1100, BLOCKSIZE + 100 - 1100));
    EXPECT_EQ(0, memcmp(got.data() + BLOCKSIZE + 700, data.data() + BLOCKSIZE + 700, 300));
}

TEST_F(FaultTest, InsertOnFullDiskChangesNothingAndSaysSo)
{
    /* Block 1 full, block 2 holding 1000 bytes: an insert into block 1 needs an overflow
       block; one into block 2 moves its tail up into room the file never held. */
    Bytes data = pattern(BLOCKSIZE + 1000, 13);
    ASSERT_EQ(0, vocAppend(data.data(), (uint32_t)data.size()));
    auto chain = blockChain();
    uint16_t freeHead = BF.freeHead;
    struct Case {
        uint32_t offset, count;
        long budget;   /* bytes the disk still takes */
    };
    const Case cases[] = {
        {100, 10, 0},                   /* the overflow block's bytes are refused */
        {100, 10, 10},                  /* those go, the move inside block 1 is refused */
        {BLOCKSIZE + 100, 500, 0},      /* block 2's tail cannot grow */
        {50, 3 * BLOCKSIZE, 0},         /* whole new blocks too: nothing links */
    };
    for (const Case &c : cases) {
        {
            zt::MessageRecorder rec;
            OsFault.writeBudget = c.budget;
            EXPECT_EQ(0u, binsert(c.offset, c.count)) << c.offset << "+" << c.count;
            EXPECT_EQ(1, BF.writeFailed);
            expectOneOutOfSpace(rec, NOT_INSERTED);
        }
        {
            zt::MessageRecorder rec;
            OsFault.writeBudget = c.budget;
            EXPECT_EQ(1, vocInsertBlank((int32_t)c.offset, c.count)) << c.offset << "+" << c.count;
            expectOneOutOfSpace(rec, NOT_INSERTED);   /* not "Inserted wrong number of bytes" too */
        }
        osFaultReset();
        EXPECT_EQ(chain, blockChain()) << c.offset << "+" << c.count;
        EXPECT_EQ(freeHead, BF.freeHead);
        EXPECT_EQ(data.size(), BF.total);
        EXPECT_EQ(data.size(), Wave.dataLength);
        EXPECT_EQ(data, readAll());
        EXPECT_EQ("", blockFileInvariants());
    }
    /* With room again the insert works. */
    ASSERT_EQ(0, vocInsertBlank(100, 10));
    EXPECT_EQ(0, BF.writeFailed);
    data.insert(data.begin() + 100, 10, 0x80);
    EXPECT_EQ(data, readAll());
}

#if !defined(_WIN32)
/* A real full disk: a 1 MiB file system filled to the last page.  An insert whose moved
   tail needs new pages is refused, its half-done move put back into pages the file already
   had, and the sound stays whole; a cut needs no new room and still works.  Needs root
   (mount); skipped elsewhere. */
TEST_F(FaultTest, RealFullDiskRefusesTheInsertAndKeepsTheSound)
{
    std::string mnt = zt::tempPath("fulldisk");
    mkdir(mnt.c_str(), 0755);
    std::string mount = "mount -t tmpfs -o size=1m tmpfs '" + mnt + "' 2>/dev/null";
    if (geteuid() != 0 || system(mount.c_str()) != 0)
        GTEST_SKIP() << "no small file system can be mounted here";
    /* Whatever fails below, the file system goes again. */
    struct Unmount {
        std::string dir;
        OsFile filler;
        ~Unmount()
        {
            osClose(filler);
            bclose();
            EXPECT_EQ(0, system(("umount '" + dir + "'").c_str()));
        }
    } unmount{mnt, OS_NOFILE};
    bclose();
    ASSERT_EQ(0, bopen((mnt + "/store.tmp").c_str()));
    vocSetFormat(1, 8, 0);
    Bytes data = pattern(300000, 14);   /* block 5 holds 38880 bytes */
    ASSERT_EQ(0, vocAppend(data.data(), (uint32_t)data.size()));
    OsFile filler = unmount.filler = osCreate((mnt + "/filler").c_str());
    ASSERT_NE(OS_NOFILE, filler);
    Bytes page(4096, 0);
    while (osWrite(filler, page.data(), page.size()) == (long)page.size()) {
    }
    auto chain = blockChain();
    {
        zt::MessageRecorder rec;
        EXPECT_EQ(1, vocInsertBlank(4 * BLOCKSIZE + 100, 20000));   /* the tail outgrows its pages */
        expectOneOutOfSpace(rec, NOT_INSERTED);
    }
    {
        zt::MessageRecorder rec;
        EXPECT_EQ(1, vocInsertBlank(100, 10));   /* the overflow block has no pages */
        expectOneOutOfSpace(rec, NOT_INSERTED);
    }
    EXPECT_EQ(chain, blockChain());
    EXPECT_EQ(data.size(), Wave.dataLength);
    EXPECT_EQ(data, readAll());
    {
        zt::MessageRecorder rec;
        EXPECT_EQ(0, vocCut(1000, 5000));
        EXPECT_TRUE(rec.messages.empty());
    }
    data.erase(data.begin() + 1000, data.begin() + 6000);
    EXPECT_EQ(data, readAll());
    EXPECT_EQ("", blockFileInvariants());
}
#endif

} // namespace
