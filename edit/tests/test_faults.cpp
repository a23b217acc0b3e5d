/*
 * Edits that fail or stop part way: a paste whose room or work buffers cannot be had keeps
 * the selection it would have replaced; Undo after a cancelled Byte Swap, mix, Reverse or
 * Invert gives back exactly the samples of before; an Open Append is undone like a paste at
 * the end; a clipboard wave that cannot be pasted is refused with its reason; and the meter
 * follows a whole paste rather than each write.
 */
#include "fixture.h"

#include <string>

namespace {

class Faults : public EditTest {
protected:
    void TearDown() override
    {
        Edit.hook = EditHooks();
        EditTest::TearDown();
    }
};

static Bytes pattern16(size_t samples)
{
    Bytes b(samples * 2);
    for (size_t i = 0; i < samples; i++) {
        int v = (int)((i * 7919) % 60000) - 30000;
        b[2 * i] = (uint8_t)(v & 0xFF);
        b[2 * i + 1] = (uint8_t)((v >> 8) & 0xFF);
    }
    return b;
}

/* Meter callbacks: the calls seen, and a stop after a given number of them. */
struct Meter {
    std::vector<std::pair<uint32_t, uint32_t>> calls;
    int stopAfter = -1;
};
static Meter meter;
static int meterStep(uint32_t done, uint32_t total)
{
    meter.calls.push_back({done, total});
    return meter.stopAfter >= 0 && (int)meter.calls.size() >= meter.stopAfter;
}
/* The paste's Cancel flag, seen set from its nth look on. */
static int cancelFrom = -1, cancelLooks = 0;
static int pasteCancelled(void) { return cancelFrom >= 0 && ++cancelLooks >= cancelFrom; }

/* 1. A paste that fails keeps the selection (or its undo copy). */
TEST_F(Faults, PasteThatRunsOutOfMemoryKeepsTheSelection)
{
    const Bytes orig = s16({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    /* An 8-bit mono clip goes the converting way (more buffers); a 16-bit stereo one the
       unconverted way. */
    const Bytes clips[2] = {wave(1, 1, 8000, 8, Bytes{128 + 1, 128 + 2, 128 + 3}),
                            wave(1, 2, 8000, 16, s16({100, 200, 300, 400, 500, 600}))};
    for (const Bytes &c : clips) {
        /* What a paste without faults gives. */
        open(2, 16, 8000, orig);
        select(2, 5);
        putClip(c);
        ASSERT_EQ(3u, editPaste(0));
        const Bytes want = all();
        undoFree();
        tempStoreTeardown(1);

        int failures = 0;
        for (long budget = 0; budget < 40; budget++) {
            open(2, 16, 8000, orig);
            undoSetLevels(5);
            select(2, 5);
            putClip(c);
            zt::MessageRecorder rec(OS_IDYES);   /* go on without undo when asked */
            OsFault.allocBudget = budget;
            uint32_t pasted = editPaste(0);
            osFaultReset();
            bool asked = false;
            for (auto &m : rec.messages)
                asked |= m.text.find("Continue anyway") != std::string::npos;
            failures += pasted == 0;
            Bytes now = all();
            if (now != orig) {
                /* Changed: Undo must give the frames back.  When the user chose to go on
                   without undo, the selection may only go once the paste is in. */
                if (asked) {
                    EXPECT_TRUE(now == want || now.size() > orig.size()) << "budget " << budget;
                } else {
                    ASSERT_GT(Doc.undoAvailable, 0) << "budget " << budget;
                    editUndo();
                    EXPECT_EQ(orig, all()) << "a failed paste lost frames, budget " << budget;
                }
            }
            undoFree();
            tempStoreTeardown(1);
        }
        EXPECT_GT(failures, 0) << "no budget made the paste fail";
    }
}

/* 2. Undo after a cancelled transform restores exactly. */
TEST_F(Faults, CancelledByteSwapUndoRestoresExactly)
{
    const Bytes orig = pattern16(40000);   /* 80000 bytes: four pieces of 22048 */
    for (int channel = 0; channel <= 2; channel++) {
        open(channel ? 2 : 1, 16, 8000, channel ? pattern16(80000) : orig);
        const Bytes before = all();
        editSetChannel(channel);
        select(100, docFrames() - 1);
        meter = Meter();
        meter.stopAfter = 1;
        Edit.hook.step = meterStep;
        ASSERT_EQ(1, editWrapped(IDM_BYTESWAP, "Byte Swap", "Swapping Bytes", editByteSwapWork, 0));
        ASSERT_NE(before, all());
        EXPECT_STREQ("Undo Byte Swap", Doc.undoText);
        editUndo();
        EXPECT_EQ(before, all()) << "edit channel " << channel;
        undoFree();
        tempStoreTeardown(1);
    }
    /* Cancelled before anything was swapped: nothing to undo. */
    open(1, 16, 8000, orig);
    select(0, 39999);
    meter = Meter();
    meter.stopAfter = 0;
    Edit.hook.step = [](uint32_t, uint32_t) { return 1; };
    Edit.hook.step = meterStep;
    editWrapped(IDM_BYTESWAP, "Byte Swap", "Swapping Bytes", editByteSwapWork, 0);
    editUndo();
    Bytes now = all();
    size_t diff = 0;
    for (size_t i = 0; i < now.size(); i++)
        diff += now[i] != orig[i];
    EXPECT_EQ(0u, diff);
}

TEST_F(Faults, CancelledMixUndoKeepsTheLengthAndTheSamples)
{
    const Bytes orig = pattern16(50000);
    open(1, 16, 8000, orig);
    /* A clip of 30000 samples at half volume: converted, so written in pieces of 16500. */
    putClip(wave(1, 1, 8000, 16, pattern16(30000)));
    PasteSpecialParams p = PasteSpecial;
    p.left = p.right = 0.5;
    p.overlap = 1;
    p.loop = 0;
    p.fromFile = 0;
    p.modulate = 0;
    select(1000, DOC_NONE);
    cancelFrom = 1;
    cancelLooks = 0;
    Edit.hook.cancelled = pasteCancelled;
    uint32_t pasted = editPasteSpecial(&p, 0);
    ASSERT_GT(pasted, 0u);
    ASSERT_LT(pasted, 30000u);
    EXPECT_EQ(50000u, docFrames());
    editUndo();
    EXPECT_EQ(50000u, docFrames());
    EXPECT_EQ(orig, all());

    /* The same mix running past the end of the wave lengthens it; Undo shortens it again. */
    select(40000, DOC_NONE);
    cancelFrom = -1;
    ASSERT_EQ(30000u, editPasteSpecial(&p, 0));
    EXPECT_EQ(70000u, docFrames());
    editUndo();
    EXPECT_EQ(orig, all());
}

TEST_F(Faults, CancelledReverseAndInvertUndoExactly)
{
    const Bytes orig = pattern16(100000);
    for (int which = 0; which < 2; which++) {
        open(1, 16, 8000, orig);
        select(10, 99990);
        meter = Meter();
        meter.stopAfter = 1;
        if (which == 0)
            editReverse(meterStep);
        else
            editInvert(meterStep);
        ASSERT_NE(orig, all());
        editUndo();
        EXPECT_EQ(orig, all()) << (which ? "Invert" : "Reverse");
        undoFree();
        tempStoreTeardown(1);
    }
}

TEST_F(Faults, GenerateSilenceThatOpensTooLittleRoomLeavesNothingWrongToUndo)
{
    const Bytes orig = pattern16(70000);
    int changed = 0;
    for (long budget = 0; budget < 12; budget++) {
        open(1, 16, 8000, orig);
        undoSetLevels(5);
        select(1000, DOC_NONE);
        zt::MessageRecorder rec;
        OsFault.allocBudget = budget;
        editGenerateSilence(20.0);   /* 160000 frames: room over several blocks */
        osFaultReset();
        if (all() != orig) {
            changed++;
            EXPECT_STREQ("Undo Generate Silence", Doc.undoText) << "budget " << budget;
            editUndo();
        }
        EXPECT_EQ(orig, all()) << "budget " << budget;
        undoFree();
        tempStoreTeardown(1);
    }
    EXPECT_GT(changed, 0);
}

/* 3. Open Append is one undo level, and the levels before it stay. */
TEST_F(Faults, AppendedFramesUndoLikeAPasteAtTheEnd)
{
    open(1, 8, 8000, Bytes{10, 20, 30, 40, 50, 60});
    select(1, 2);
    Doc.selectionShown = 0xFFFF;
    editDelete(1);
    ASSERT_STREQ("Undo Delete", Doc.undoText);
    uint32_t first = docFrames();
    ASSERT_EQ(0, vocAppend(Bytes{1, 2, 3}.data(), 3));
    editAppended(first);
    EXPECT_STREQ("Undo Paste", Doc.undoText);
    EXPECT_EQ((Bytes{10, 40, 50, 60, 1, 2, 3}), all());
    editUndo();
    EXPECT_EQ((Bytes{10, 40, 50, 60}), all());
    EXPECT_STREQ("Undo Delete", Doc.undoText);
    editUndo();
    EXPECT_EQ((Bytes{10, 20, 30, 40, 50, 60}), all());
    /* Nothing appended: no entry. */
    editAppended(docFrames());
    EXPECT_STREQ("Can't Undo", Doc.undoText);
}

/* 4. A clipboard wave that cannot be pasted says why and changes nothing. */
TEST_F(Faults, MalformedClipboardWavesAreRefusedWithAReason)
{
    auto set32 = [](Bytes b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            b[at + i] = (uint8_t)(v >> (8 * i));
        return b;
    };
    auto set16 = [](Bytes b, size_t at, uint32_t v) {
        b[at] = (uint8_t)v;
        b[at + 1] = (uint8_t)(v >> 8);
        return b;
    };
    const Bytes good = wave(1, 1, 8000, 16, s16({1, 2, 3, 4}));
    struct Case { const char *name; Bytes block; const char *says; } cases[] = {
        {"header cut short", Bytes(good.begin(), good.begin() + 30), "header is cut short"},
        {"fmt size 0xFFFFFFFF", set32(good, 16, 0xFFFFFFFFu), "no sample data"},
        {"data size 0 ", set32(Bytes(good.begin(), good.begin() + 44), 40, 0), "holds no samples"},
        {"0 channels", set16(good, 22, 0), "0 channels"},
        {"12-bit", set16(good, 34, 12), "12-bit"},
        {"rate 0", set32(good, 24, 0), "rate of 0 Hz"},
        {"rate 4294967295", set32(good, 24, 0xFFFFFFFFu), "rate of 4294967295 Hz"},
        {"not RIFF", Bytes{'a', 'b', 'c'}, "not a wave"},
    };
    for (const Case &c : cases) {
        for (int withWave = 0; withWave < 2; withWave++) {
            if (withWave)
                open(1, 16, 8000, s16({9, 9}));
            putClip(c.block);
            zt::MessageRecorder rec;
            EXPECT_EQ(0u, editPaste(0)) << c.name;
            ASSERT_EQ(1u, rec.messages.size()) << c.name;
            EXPECT_EQ("Paste Error", rec.messages[0].caption);
            EXPECT_NE(std::string::npos, rec.messages[0].text.find(c.says))
                << c.name << ": " << rec.messages[0].text;
            if (withWave) {
                EXPECT_EQ(s16({9, 9}), all()) << c.name;
                tempStoreTeardown(1);
            } else {
                EXPECT_TRUE(BF.table == NULL) << c.name << ": a waveform was made";
            }
        }
    }
    /* A data size of 0xFFFFFFFF is cut to the block: the samples that are there paste. */
    putClip(set32(good, 40, 0xFFFFFFFFu));
    EXPECT_EQ(4u, editPaste(0));
    EXPECT_EQ(8000u, Doc.sampleRate);
}

/* 5. The meter follows the whole paste, every copy included. */
TEST_F(Faults, PasteProgressFollowsTheWholeOperation)
{
    struct Case { const char *name; Bytes clip; int loops; } cases[] = {
        {"unconverted", wave(1, 2, 8000, 16, pattern16(600000)), 3},
        {"converted", wave(1, 1, 8000, 8, Bytes(100000, 77)), 2},
    };
    for (const Case &c : cases) {
        open(2, 16, 8000, Bytes{});
        putClip(c.clip);
        PasteSpecialParams p = PasteSpecial;
        p.left = p.right = 1.0;
        p.overlap = 0;
        p.loop = 1;
        p.loops = c.loops;
        p.fromFile = 0;
        p.modulate = 0;
        meter = Meter();
        Edit.hook.step = meterStep;
        ASSERT_GT(editPasteSpecial(&p, 0), 0u) << c.name;
        ASSERT_GT(meter.calls.size(), 4u) << c.name;
        uint32_t total = meter.calls[0].second;
        double first = (double)meter.calls[0].first / total;
        EXPECT_LT(first, 0.2) << c.name << ": the bar starts at " << first * 100 << " %";
        for (size_t i = 1; i < meter.calls.size(); i++) {
            EXPECT_EQ(total, meter.calls[i].second) << c.name;
            EXPECT_GE(meter.calls[i].first, meter.calls[i - 1].first) << c.name << " call " << i;
        }
        EXPECT_EQ(total, meter.calls.back().first) << c.name;
        EXPECT_EQ((uint64_t)total, (uint64_t)Wave.dataLength) << c.name;
        tempStoreTeardown(1);
    }
}

/* The meter as the program had it: opening it also routed the store's per-write reports to
   the bar.  Reverse and Invert must still move the bar from the start to the end once. */
static void meterOpenWithStore(const char *) { VocHook.progress = meterStep; }
static void meterCloseWithStore(void) { VocHook.progress = NULL; }

TEST_F(Faults, ReverseAndInvertMeterFollowsTheWholeRange)
{
    const Bytes orig = pattern16(100000);
    Edit.hook.progressOpen = meterOpenWithStore;
    Edit.hook.progressClose = meterCloseWithStore;
    for (int which = 0; which < 2; which++) {
        open(1, 16, 8000, orig);
        select(0, 99999);
        meter = Meter();
        if (which == 0)
            editReverse(meterStep);
        else
            editInvert(meterStep);
        const char *name = which ? "Invert" : "Reverse";
        ASSERT_GT(meter.calls.size(), 2u) << name;
        EXPECT_LT((double)meter.calls[0].first / meter.calls[0].second, 0.5) << name;
        for (size_t i = 1; i < meter.calls.size(); i++) {
            double a = (double)meter.calls[i - 1].first / meter.calls[i - 1].second;
            double b = (double)meter.calls[i].first / meter.calls[i].second;
            EXPECT_GE(b, a) << name << " call " << i;
        }
        EXPECT_TRUE(VocHook.progress == NULL) << name;
        tempStoreTeardown(1);
        undoFree();
    }
}

} // namespace

// An undo that cannot make room for the saved frames (the disk refuses the move) changes
// nothing: the wave stays as it was after the edit, the entry stays, and a later undo with
// room brings the original back.  Before, the changed frames were cut first and lost.
TEST_F(Faults, UndoThatCannotMakeRoomKeepsTheWaveAndTheEntry)
{
    const Bytes orig = pattern16(60000);
    struct Case { const char *name; int kind; } cases[] = {{"Reverse", 0}, {"Invert", 1}};
    for (const Case &c : cases) {
        open(1, 16, 8000, orig);
        select(1000, 50999);
        if (c.kind == 0)
            editReverse(NULL);
        else
            editInvert(NULL);
        const Bytes edited = all();
        ASSERT_NE(orig, edited) << c.name;
        ASSERT_GT(Doc.undoAvailable, 0) << c.name;
        zt::MessageRecorder rec;
        OsFault.writeBudget = 0;
        editUndo();
        OsFault.writeBudget = -1;
        EXPECT_EQ(edited, all()) << c.name << ": the wave changed although the undo could not run";
        EXPECT_GT(Doc.undoAvailable, 0) << c.name << ": the entry was dropped";
        EXPECT_FALSE(rec.messages.empty()) << c.name << ": the user was not told";
        editUndo();
        EXPECT_EQ(orig, all()) << c.name;
        undoFree();
        tempStoreTeardown(1);
    }
}

// Cut, Delete and Trim on a store that cannot move the samples (a full disk): the user is
// told by the store, nothing is removed where nothing could be, no undo entry is left that
// would put the frames in a second time, and Undo never changes the wave into another one.
TEST_F(Faults, CutDeleteAndTrimThatTheStoreRefusesLeaveNoEntry)
{
    const Bytes orig = pattern16(10000);
    for (int which = 0; which < 3; which++) {
        const char *name = which == 0 ? "Cut" : which == 1 ? "Delete" : "Trim";
        open(1, 16, 8000, orig);
        select(100, 199);
        Doc.selectionShown = 0xFFFF;
        zt::MessageRecorder rec;
        /* Room for the undo copy of the selection (or of the whole wave for Trim), not for
           moving the samples behind it. */
        OsFault.writeBudget = which == 2 ? (long)orig.size() : 200;
        if (which == 0)
            editCut();
        else if (which == 1)
            editDelete(1);
        else
            editTrim();
        OsFault.writeBudget = -1;
        EXPECT_FALSE(rec.messages.empty()) << name << ": the user was not told";
        if (which < 2) {
            EXPECT_EQ(orig, all()) << name;
            EXPECT_LE(Doc.undoAvailable, 0) << name << ": an entry was left for an edit that did not happen";
        }
        /* Trim's tail goes without moving anything and only its head is refused: the entry
           stays, and brings the whole wave back. */
        editUndo();
        EXPECT_EQ(orig, all()) << name << ": Undo changed the wave";
        undoFree();
        tempStoreTeardown(1);
    }
}
