/*
 * The undo stack: capacity and its clamps, dropping the oldest level with its file, the
 * switch, the restore rule of each kind, and the 70 % rule of the undo folder with the
 * question it asks.
 */
#include "fixture.h"

namespace {

class Undo : public EditTest {};

static Bytes ramp(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; i++)
        b[i] = (uint8_t)(i * 7 + 3);
    return b;
}

/* 1. Capacity. */
TEST_F(Undo, LevelsAreClampedAndLoweringDropsTheOldest)
{
    EXPECT_EQ(1, undoSetLevels(0));
    EXPECT_EQ(1, undoSetLevels(-5));
    EXPECT_EQ(32, undoSetLevels(100));
    EXPECT_EQ(5, undoSetLevels(5));

    open(1, 8, 8000, ramp(100));
    for (int i = 0; i < 4; i++) {
        select((uint32_t)i, (uint32_t)i + 2);
        editDelete(1);
    }
    EXPECT_EQ(3, UndoStack.top);
    EXPECT_EQ(4, undoFiles());
    undoSetLevels(2);
    EXPECT_EQ(1, UndoStack.top);
    EXPECT_EQ(2, undoFiles());
    EXPECT_EQ(2u, UndoStack.entry[0].start);   /* the third delete is now the oldest */
}

TEST_F(Undo, OneLevelKeepsOnlyTheLastEditsFile)
{
    undoSetLevels(1);
    open(1, 8, 8000, ramp(50));
    select(0, 9);
    editDelete(1);
    std::string first = UndoStack.entry[0].fileName;
    select(0, 4);
    editDelete(1);
    EXPECT_EQ(1, undoFiles());
    EXPECT_NE(first, std::string(UndoStack.entry[0].fileName));
    EXPECT_FALSE(osFileExists((dir + "/" + first).c_str()));
}

TEST_F(Undo, AnEntryBeforeAnyCapacityMakesRoomForTen)
{
    undoFree();
    UndoStack.capacity = 0;
    open(1, 8, 8000, ramp(10));
    undoRecord(IDM_PASTE, 0, 0, 0, "Undo Paste");
    EXPECT_EQ(UNDO_INITIAL, UndoStack.capacity);
    EXPECT_STREQ("Undo Paste", Doc.undoText);
}

TEST_F(Undo, LongDescriptionsAreCut)
{
    open(1, 8, 8000, ramp(10));
    std::string longText(100, 'x');
    undoRecord(IDM_PASTE, 0, 0, 0, longText.c_str());
    EXPECT_EQ(59u, strlen(UndoStack.entry[UndoStack.top].description));
}

/* 2. The switch. */
TEST_F(Undo, SwitchedOffWritesNoFilesAndClears)
{
    open(1, 8, 8000, ramp(20));
    select(0, 3);
    editDelete(1);
    EXPECT_EQ(1, undoFiles());
    undoSetEnabled(0);
    EXPECT_EQ(0, undoFiles());
    EXPECT_EQ(-1, Doc.undoAvailable);
    select(0, 3);
    editDelete(1);
    EXPECT_EQ(0, undoFiles());
    EXPECT_EQ(-1, Doc.undoAvailable);
    EXPECT_EQ(-1, UndoStack.top);
    undoSetEnabled(1);
    EXPECT_EQ(0, Doc.undoAvailable);
}

/* 3. Restore rules. */
TEST_F(Undo, UndoOfCutRestoresFramesAndGrowsTheView)
{
    Bytes start = ramp(40);
    open(1, 8, 8000, start);
    select(10, 19);
    editCut();
    EXPECT_EQ(30u, docFrames());
    EXPECT_STREQ("Undo Cut", Doc.undoText);
    uint32_t viewEnd = Doc.viewEnd;
    editUndo();
    EXPECT_EQ(start, all());
    EXPECT_EQ(viewEnd + 10, Doc.viewEnd);
    EXPECT_EQ(10u, Doc.selStart);
    EXPECT_EQ(19u, Doc.selEnd);
    EXPECT_STREQ("Can't Undo", Doc.undoText);
    EXPECT_EQ(0, Doc.undoAvailable);
}

TEST_F(Undo, UndoOfAPasteWithoutSelectionRemovesExactlyThePaste)
{
    Bytes start = ramp(30);
    open(1, 8, 8000, start);
    putClip(wave(1, 1, 8000, 8, Bytes{1, 2, 3, 4, 5}));
    select(7, DOC_NONE);
    EXPECT_EQ(5u, editPaste(0));
    EXPECT_EQ(35u, docFrames());
    EXPECT_EQ(0u, UndoStack.entry[UndoStack.top].savedLength);
    EXPECT_EQ(0, undoFiles());
    editUndo();
    EXPECT_EQ(start, all());
}

TEST_F(Undo, UndoOfByteSwapNeedsNoFileAndSelectsTheRange)
{
    open(1, 16, 8000, s16({0x0102, 0x0304, 0x0506}));
    undoByteSwap(1, 2);
    Doc.undoAvailable = 1;
    undoRecord(IDM_BYTESWAP, 1, 2, 0, "Undo Byte Swap");
    EXPECT_EQ(0x0403, at16(all(), 1));
    editUndo();
    EXPECT_EQ(s16({0x0102, 0x0304, 0x0506}), all());
    EXPECT_EQ(1u, Doc.selStart);
    EXPECT_EQ(2u, Doc.selEnd);
    EXPECT_EQ(0, undoFiles());
}

TEST_F(Undo, UndoRestoresTheFormatOfItsTime)
{
    Bytes start = s16({100, 200, 300, 400});
    open(2, 16, 22050, start);
    editSaveUndoWhole("Undo Convert Sample Type");
    /* A conversion to 8-bit mono, done by hand. */
    Bytes eight{1, 2};
    vocCut(0, Wave.dataLength);
    vocSetFormat(1, 8, 0);
    Doc.sampleRate = 8000;
    vocAppend(eight.data(), 2);
    editUndo();
    EXPECT_EQ(2, Wave.channels);
    EXPECT_EQ(16, Wave.bitsPerSample);
    EXPECT_EQ(22050u, Doc.sampleRate);
    EXPECT_EQ(start, all());
}

TEST_F(Undo, CuesStayPutDuringUndoButFollowOrdinaryEdits)
{
    static int moved;
    moved = 0;
    VocHook.cueInserted = [](uint32_t, uint32_t) { moved++; };
    VocHook.cueDeleted = [](uint32_t, uint32_t) { moved++; };
    open(1, 8, 8000, ramp(40));
    select(0, 9);
    editTrim();
    int afterTrim = moved;
    EXPECT_GT(afterTrim, 0);
    editUndo();
    EXPECT_EQ(afterTrim, moved);
    EXPECT_EQ(0, CuesFrozen);
    VocHook.cueInserted = NULL;
    VocHook.cueDeleted = NULL;
}

TEST_F(Undo, AMissingFileStillCutsAndInsertsAndPops)
{
    open(1, 8, 8000, ramp(20));
    select(5, 9);
    editDelete(1);
    UndoCopy c;
    memcpy(c.fileName, UndoStack.entry[0].fileName, sizeof c.fileName);
    c.savedLength = 5;
    tempUndoDelete(&c);
    editUndo();
    EXPECT_EQ(20u, docFrames());
    Bytes b = all();
    EXPECT_EQ((Bytes{128, 128, 128, 128, 128}), Bytes(b.begin() + 5, b.begin() + 10));
    EXPECT_EQ(-1, UndoStack.top);
}

/* 4. No room in the undo folder: the question, and both answers. */
static int smallDisk(const char *, uint64_t *bytes) { *bytes = 1000; return 0; }

TEST_F(Undo, SeventyPercentRuleAsksAndYesEditsWithoutUndo)
{
    open(1, 8, 8000, ramp(2000));
    TempHook.diskFree = smallDisk;   /* 700 bytes may be used */
    {
        zt::MessageRecorder rec(OS_IDYES);
        select(0, 699);
        editDelete(1);   /* 700 bytes fit */
        EXPECT_TRUE(rec.messages.empty());
        select(0, 700);
        editDelete(1);   /* 701 do not */
        ASSERT_EQ(1u, rec.messages.size());
        EXPECT_EQ("Not enough memory for Undo.  Continue anyway?", rec.messages[0].text);
        EXPECT_EQ("Warning", rec.messages[0].caption);
        EXPECT_EQ(OS_MB_YESNO | OS_MB_ICONEXCLAMATION, rec.messages[0].style);
    }
    EXPECT_EQ(2000u - 700u - 701u, docFrames());
    /* The first delete's entry went too: undoing it now would put its frames in the wrong
       place, since the second delete changed the wave without a copy. */
    EXPECT_EQ(-1, UndoStack.top);
    EXPECT_EQ(0, Doc.undoAvailable);
    EXPECT_EQ(0, undoFiles());
    TempHook.diskFree = [](const char *p, uint64_t *b) { return osDiskFree(p, b); };
}

TEST_F(Undo, SeventyPercentRuleNoLeavesEverythingUnchanged)
{
    Bytes start = ramp(3000);
    open(2, 8, 8000, start);
    TempHook.diskFree = smallDisk;
    zt::MessageRecorder rec(OS_IDNO);
    for (int cmd = 0; cmd < 3; cmd++) {
        select(100, 1000);
        putClip(wave(1, 2, 8000, 8, Bytes{1, 2}));
        if (cmd == 0)
            editCut();
        if (cmd == 1)
            editTrim();
        if (cmd == 2)
            editPaste(0);
        EXPECT_EQ(start, all()) << "command " << cmd;
        EXPECT_EQ(0, Doc.modified);
    }
    EXPECT_EQ(3u, rec.messages.size());
    EXPECT_EQ(0, undoFiles());
    TempHook.diskFree = [](const char *p, uint64_t *b) { return osDiskFree(p, b); };
}

TEST_F(Undo, FailedWriteOfTheUndoFileAsksToo)
{
    open(1, 8, 8000, ramp(100000));
    zt::MessageRecorder rec(OS_IDNO);
    select(0, 99999);
    OsFault.writeBudget = 1000;
    editDelete(1);
    osFaultReset();
    EXPECT_EQ(1u, rec.messages.size());
    EXPECT_EQ(100000u, docFrames());
    EXPECT_EQ(0, undoFiles());
}

} // namespace

namespace {

class Wrapped : public EditTest {};

static void swapWork(uint32_t first, uint32_t last) { undoByteSwap(first, last); }
static void silenceWork(uint32_t first, uint32_t last)
{
    Bytes z((last - first + 1) * Wave.blockAlign, 0);
    vocWriteAt(z.data(), (int32_t)(first * Wave.blockAlign), (uint32_t)z.size());
}

TEST_F(Wrapped, ByteSwapWithoutSelectionTakesTheWholeWaveAndUndoesWithoutAFile)
{
    Bytes start = s16({0x0102, 0x0304, 0x0506});
    open(1, 16, 8000, start);
    ASSERT_EQ(1, editWrapped(IDM_BYTESWAP, "Byte Swap", "Swapping", swapWork, 0));
    EXPECT_EQ(s16({0x0201, 0x0403, 0x0605}), all());
    EXPECT_STREQ("Undo Byte Swap", Doc.undoText);
    EXPECT_EQ(0, undoFiles());
    editUndo();
    EXPECT_EQ(start, all());
    EXPECT_EQ(0u, Doc.selStart);
    EXPECT_EQ(2u, Doc.selEnd);
}

TEST_F(Wrapped, OtherCommandsSaveTheSelectionAndAskWithTheirOwnWords)
{
    Bytes start = s16({1, 2, 3, 4, 5});
    open(1, 16, 8000, start);
    select(1, 3);
    ASSERT_EQ(1, editWrapped(3100, "Invert", "Inverting", silenceWork, 1));
    EXPECT_STREQ("Undo Invert", Doc.undoText);
    EXPECT_EQ(s16({1, 0, 0, 0, 5}), all());
    editUndo();
    EXPECT_EQ(start, all());

    TempHook.diskFree = [](const char *, uint64_t *b) { *b = 1; return 0; };
    zt::MessageRecorder rec(OS_IDNO);
    select(1, 3);
    EXPECT_EQ(0, editWrapped(3100, "Invert", "Inverting", silenceWork, 1));
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Not enough memory for Undo.  Continue anyways?", rec.messages[0].text);
    EXPECT_EQ(start, all());
    TempHook.diskFree = [](const char *p, uint64_t *b) { return osDiskFree(p, b); };
}

/* Music puts notes of their own lengths in place of the selection: a wave that grew or
   shrank comes back whole from its one undo entry. */
static void growWork(uint32_t first, uint32_t last)
{
    Bytes notes(12, 7);   /* six 16-bit frames */
    vocCut((int32_t)(first * Wave.blockAlign), (last - first + 1) * Wave.blockAlign);
    vocInsertBlank((int32_t)(first * Wave.blockAlign), (uint32_t)notes.size());
    vocWriteAt(notes.data(), (int32_t)(first * Wave.blockAlign), (uint32_t)notes.size());
}
static void shrinkWork(uint32_t first, uint32_t last)
{
    vocCut((int32_t)((first + 1) * Wave.blockAlign), (last - first) * Wave.blockAlign);
}

TEST_F(Wrapped, MusicThatChangedTheLengthIsUndoneWhole)
{
    Bytes start = s16({1, 2, 3, 4, 5});
    for (auto work : {growWork, shrinkWork}) {
        open(1, 16, 8000, start);
        select(1, 2);
        ASSERT_EQ(1, editWrapped(IDM_MUSIC, "Music", "Composing", work, 0));
        EXPECT_STREQ("Undo Music", Doc.undoText);
        ASSERT_NE(start, all());
        EXPECT_EQ(0, undoPerform());
        EXPECT_EQ(start, all());
    }
}

TEST_F(Wrapped, MusicWhoseCopyFailedLeavesNoEntryThatWouldLoseFrames)
{
    Bytes start = s16({1, 2, 3, 4, 5});
    open(1, 16, 8000, start);
    select(1, 2);
    TempHook.diskFree = [](const char *, uint64_t *b) { *b = 1; return 0; };
    zt::MessageRecorder rec(OS_IDYES);
    ASSERT_EQ(1, editWrapped(IDM_MUSIC, "Music", "Composing", silenceWork, 0));
    TempHook.diskFree = [](const char *p, uint64_t *b) { return osDiskFree(p, b); };
    EXPECT_EQ(-1, UndoStack.top);
    EXPECT_EQ(1, undoPerform());
    EXPECT_EQ(5u, docFrames());
}

} // namespace
