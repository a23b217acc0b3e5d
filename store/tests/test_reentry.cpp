/*
 * Re-entry: the progress hook of a long store call pumps messages, and a paint that
 * recomputes columns or a playback refill run there reads (and may write) the store.  Every
 * hook the store calls between or after pieces here does a store read and a store write
 * somewhere else in the data; each long call, on data many pieces long, must still put every
 * byte where it belongs.  The re-entrant write puts back the bytes it read, so the expected
 * content is that of the same calls without re-entry (a plain byte vector).
 */
#include "store/blockfile.h"
#include "store/tempfile.h"
#include "store/voc.h"
#include "store_check.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes pattern(size_t n, unsigned seed)
{
    Bytes v(n);
    for (size_t i = 0; i < n; i++) {
        seed = seed * 1103515245u + 12345u;
        v[i] = (uint8_t)(seed >> 16);
    }
    return v;
}

struct Reentry {
    int depth;
    int calls;             /* re-entries done since the last reset */
    uint32_t spot;         /* walks over the data so re-entries land before and after the call */
} R;

uint32_t dataEnd() { return Wave.dataLength < BF.total ? Wave.dataLength : BF.total; }

/* What a paint or a refill does inside the pump: read somewhere, write somewhere. */
void reenter()
{
    uint32_t end = dataEnd();
    if (R.depth || end < 16)
        return;
    R.depth++;
    R.calls++;
    uint32_t len = end < 3000 ? end / 2 : 3000;
    R.spot = (R.spot + 104729u) % (end - len);
    Bytes b(len, 0x66);
    EXPECT_EQ(0, vocRead(b.data(), (int32_t)R.spot, len));
    EXPECT_EQ(0, vocWriteAt(b.data(), (int32_t)R.spot, len));
    R.depth--;
}

int progressReenter(uint32_t, uint32_t) { reenter(); return 0; }
void cueReenter(uint32_t, uint32_t) { reenter(); }
void lengthReenter(void) { reenter(); }
void cursorReenter(int) { reenter(); }
void selectReenter(uint32_t, uint32_t) { reenter(); }
int messageReenter(const char *, const char *, unsigned) { reenter(); return OS_IDOK; }

class ReentryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        osFaultReset();
        dir = zt::tempDir();
        tempChooseDirs(dir.c_str(), dir.c_str(), NULL, NULL);
        tempSeed(4242);
        savedVoc = VocHook;
        savedTemp = TempHook;
        ASSERT_EQ(0, tempStoreSetup(2, 22050, 16));
        Wave.editChannel = 0;
        R = Reentry{0, 0, 0};
        VocHook.progress = progressReenter;
        VocHook.cueInserted = cueReenter;
        VocHook.cueDeleted = cueReenter;
        VocHook.lengthChanged = lengthReenter;
        TempHook.waitCursor = cursorReenter;
        TempHook.select = selectReenter;
        TempHook.storeOpened = NULL;
        TempHook.storeClosed = NULL;
        TempHook.diskFree = [](const char *p, uint64_t *b) { return osDiskFree(p, b); };
        oldMessage = osSetMessageHook(messageReenter);
    }
    void TearDown() override
    {
        osSetMessageHook(oldMessage);
        VocHook = savedVoc;
        TempHook = savedTemp;
        tempStoreTeardown(1);
        tempTransferRelease();
        vocSetFormat(1, 16, 0);
        Wave.editChannel = 0;
    }
    /* The whole store, read with every hook quiet, against the model. */
    void expectModel(const char *what)
    {
        R.depth++;
        ASSERT_EQ(model.size(), Wave.dataLength) << what;
        ASSERT_EQ(model.size(), BF.total) << what;
        Bytes got(model.size(), 0x66);
        ASSERT_EQ(0, vocRead(got.data(), 0, (uint32_t)got.size()));
        R.depth--;
        size_t bad = 0, first = got.size();
        for (size_t i = 0; i < got.size(); i++)
            if (got[i] != model[i]) {
                bad++;
                first = first < i ? first : i;
            }
        EXPECT_EQ(0u, bad) << what << ": " << bad << " bytes differ, the first at " << first;
        EXPECT_EQ("", blockFileInvariants()) << what;
    }
    /* Starts counting re-entries for one call. */
    void arm() { R.calls = 0; }

    std::string dir;
    Bytes model;
    VocHooks savedVoc;
    TempHooks savedTemp;
    OsMessageFn oldMessage;
};

/* Byte j of the edited channel's stream of 16-bit stereo data. */
size_t channelByte(size_t j, int right) { return (2 * (j / 2) + (right ? 1 : 0)) * 2 + j % 2; }

/* ---- 1. Writes: every piece lands where it belongs while the pump uses the store ---- */

TEST_F(ReentryTest, WritesThroughAPumpingProgressHookLandInPlace)
{
    model = pattern(400000, 1);
    ASSERT_EQ(0, vocAppend(model.data(), (uint32_t)model.size()));
    Bytes whole = pattern(400000, 12);
    model = whole;
    arm();
    ASSERT_EQ(0, vocWriteAt(whole.data(), 0, (uint32_t)whole.size()));
    EXPECT_GE(R.calls, 12);
    expectModel("overwrite of all 400000 bytes");

    /* The case as it was found: 100000 bytes over the middle, a read in the hook. */
    Bytes over = pattern(100000, 2);
    memcpy(model.data() + 150000, over.data(), over.size());
    arm();
    ASSERT_EQ(0, vocWriteAt(over.data(), 150000, (uint32_t)over.size()));
    EXPECT_GE(R.calls, 4);
    expectModel("overwrite of 100000 bytes in the middle");

    /* Across the end: part overwrite, part growth. */
    Bytes tail = pattern(130000, 3);
    model.resize(380000 + tail.size());
    memcpy(model.data() + 380000, tail.data(), tail.size());
    arm();
    ASSERT_EQ(0, vocWriteAt(tail.data(), 380000, (uint32_t)tail.size()));
    EXPECT_GE(R.calls, 5);
    expectModel("write across the end");

    /* Beyond the end: the gap becomes silence first. */
    Bytes beyond = pattern(70000, 4);
    size_t at = model.size() + 5000;
    model.resize(at, 0);
    model.insert(model.end(), beyond.begin(), beyond.end());
    arm();
    ASSERT_EQ(0, vocWriteAt(beyond.data(), (int32_t)at, (uint32_t)beyond.size()));
    EXPECT_GE(R.calls, 3);
    expectModel("write beyond the end");

    /* The 8-bit form goes through the same pieces. */
    std::vector<int16_t> words(90000);
    for (size_t i = 0; i < words.size(); i++)
        words[i] = (int16_t)(i * 977u);
    vocSetFormat(1, 8, Wave.dataLength);
    for (size_t i = 0; i < words.size() / 2; i++)
        model[20000 + i] = vocNarrow(words[i]);
    arm();
    ASSERT_EQ(0, vocWriteAt16to8(words.data(), 40000, 90000));
    EXPECT_GE(R.calls, 2);
    expectModel("16-to-8 write");
}

TEST_F(ReentryTest, OneChannelWritesAndReadsSurviveReentry)
{
    model = pattern(300000, 5);
    ASSERT_EQ(0, vocAppend(model.data(), (uint32_t)model.size()));
    for (int right = 0; right <= 1; right++) {
        Wave.editChannel = right ? 2 : 1;
        Bytes ch = pattern(60000, 6 + right);
        for (size_t j = 0; j < ch.size(); j++)
            model[channelByte(10000 + j, right)] = ch[j];
        arm();
        ASSERT_EQ(0, vocWriteAtSingle(ch.data(), 10000, (uint32_t)ch.size()));
        expectModel(right ? "right channel write" : "left channel write");

        Bytes got(50000, 0x66), want(50000);
        for (size_t j = 0; j < want.size(); j++)
            want[j] = model[channelByte(30000 + j, right)];
        ASSERT_EQ(0, vocReadSingle(got.data(), 30000, (uint32_t)got.size()));
        EXPECT_TRUE(got == want) << "one-channel read, channel " << Wave.editChannel;

        /* Cutting one channel to the clipboard reads and silences it piece by piece. */
        ASSERT_EQ(0, vocReadSingleClear(got.data(), 30000, (uint32_t)got.size()));
        EXPECT_TRUE(got == want) << "clearing read, channel " << Wave.editChannel;
        for (size_t j = 0; j < want.size(); j++)
            model[channelByte(30000 + j, right)] = 0;
        expectModel("clearing read");
    }
}

/* ---- 2. Inserts and cuts tell the cue list, which may redraw; the data stays whole ---- */

TEST_F(ReentryTest, InsertAndCutOfManyPiecesSurviveReentry)
{
    model = pattern(500000, 8);
    ASSERT_EQ(0, vocAppend(model.data(), (uint32_t)model.size()));
    arm();
    ASSERT_EQ(0, vocInsertBlank(123456, 200000));
    model.insert(model.begin() + 123456, 200000, 0);
    EXPECT_GE(R.calls, 1);
    expectModel("insert of 200000 bytes of silence");

    arm();
    ASSERT_EQ(0, vocCut(100000, 250000));
    model.erase(model.begin() + 100000, model.begin() + 350000);
    EXPECT_GE(R.calls, 1);
    expectModel("cut of 250000 bytes");

    /* A read of many pieces afterwards delivers the model, with silence past the end. */
    Bytes got(300000, 0x66), want(model.begin() + 200000, model.end());
    want.resize(got.size(), 0);
    ASSERT_EQ(0, vocRead(got.data(), 200000, (uint32_t)got.size()));
    EXPECT_TRUE(got == want);
    expectModel("read across the end");
}

/* ---- 3. Undo copies: saved under the wait cursor, written back with progress ---- */

TEST_F(ReentryTest, UndoSaveAndRestoreOfManyPiecesSurviveReentry)
{
    model = pattern(600000, 9);
    ASSERT_EQ(0, vocAppend(model.data(), (uint32_t)model.size()));
    UndoCopy copy;
    arm();
    ASSERT_EQ(1, tempUndoSave(10000, 139999, 1, &copy));   /* 520000 bytes */
    EXPECT_GE(R.calls, 2);
    ASSERT_EQ(520000u, copy.savedLength);

    Bytes junk(520000, 0x5A);
    R.depth++;
    ASSERT_EQ(0, vocWriteAt(junk.data(), 40000, (uint32_t)junk.size()));
    R.depth--;
    arm();
    ASSERT_EQ(0, tempUndoRestore(10000, &copy));
    EXPECT_GE(R.calls, 30);
    expectModel("undo restore");
    tempUndoDelete(&copy);
}

/* ---- 4. A message box in the middle of a write (no free block left) pumps too ---- */

TEST_F(ReentryTest, OutOfBlocksMessageDuringAWriteLeavesTheStoreWhole)
{
    model = pattern(200000, 10);
    ASSERT_EQ(0, vocAppend(model.data(), (uint32_t)model.size()));
    /* Take every free block away but one; the chain keeps its bytes. */
    uint16_t keep = BF.freeHead;
    BF.freeHead = 0;
    std::vector<uint16_t> taken;
    for (uint16_t b = BF.table[keep].next; b != 0; b = BF.table[b].next)
        taken.push_back(b);
    BF.table[keep].next = 0;
    BF.freeHead = keep;

    Bytes more = pattern(3 * BLOCKSIZE, 11);
    arm();
    ASSERT_EQ(0, vocWriteAt(more.data(), 190000, (uint32_t)more.size()));
    EXPECT_GE(R.calls, 1);
    /* What fitted landed in place: up to the end of the one block that was left. */
    uint32_t fits = 5 * BLOCKSIZE;
    ASSERT_EQ(fits, BF.total);
    model.resize(fits);
    memcpy(model.data() + 190000, more.data(), fits - 190000);
    Wave.dataLength = fits;
    /* Give the blocks back so the invariants hold again. */
    for (uint16_t b : taken)
        bfree(b);
    expectModel("write that ran out of blocks");
}

} // namespace
