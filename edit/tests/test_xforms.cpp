/*
 * The built-in transforms on the store: Reverse, Invert, Byte Swap, Silence and Generate
 * Silence, on both channels and on one, with their undo.
 */
#include "fixture.h"
#include "edit/xforms.h"

namespace {

class Xforms : public EditTest {};

static Bytes bytes(std::initializer_list<int> v)
{
    Bytes b;
    for (int x : v)
        b.push_back((uint8_t)x);
    return b;
}

TEST_F(Xforms, ReverseKeepsTheMiddleFrameAndUndoes)
{
    open(1, 8, 8000, bytes({1, 2, 3, 4, 5}));
    select(1, 3);
    editReverse(NULL);
    EXPECT_EQ(bytes({1, 4, 3, 2, 5}), all());
    EXPECT_STREQ("Undo Reverse", Doc.undoText);
    select(2, 2);
    editReverse(NULL);   /* one frame: nothing changes */
    EXPECT_EQ(bytes({1, 4, 3, 2, 5}), all());
    editUndo();
    editUndo();
    EXPECT_EQ(bytes({1, 2, 3, 4, 5}), all());
}

TEST_F(Xforms, ReverseAcrossManyBlocksMatchesAPlainReverse)
{
    /* More frames than one block pair holds (11025 frames of 4 bytes each half). */
    std::vector<int> v;
    for (int i = 0; i < 60001; i++)
        v.push_back((i * 7) % 60000 - 30000);
    Bytes in;
    for (size_t i = 0; i < v.size(); i += 2) {
        Bytes f = s16({v[i], i + 1 < v.size() ? v[i + 1] : 0});
        in.insert(in.end(), f.begin(), f.end());
    }
    open(2, 16, 44100, in);
    uint32_t frames = docFrames();
    select(3, frames - 2);
    editReverse(NULL);
    Bytes got = all();
    for (uint32_t i = 3; i <= frames - 2; i++)
        ASSERT_EQ(0, memcmp(&got[i * 4], &in[(frames - 2 - (i - 3)) * 4], 4)) << "frame " << i;
    EXPECT_EQ(0, memcmp(&got[0], &in[0], 12));
    editUndo();
    EXPECT_EQ(in, all());
}

TEST_F(Xforms, ReverseOfOneChannelLeavesTheOther)
{
    open(2, 16, 8000, s16({1, 10, 2, 20, 3, 30}));
    editSetChannel(1);
    select(0, 2);
    editReverse(NULL);
    EXPECT_EQ(s16({3, 10, 2, 20, 1, 30}), all());
}

TEST_F(Xforms, InvertEdgeValues)
{
    open(1, 16, 8000, s16({-32768, 32767, 0, -5}));
    select(0, 3);
    editInvert(NULL);
    EXPECT_EQ(s16({-32768, -32767, 0, 5}), all());
    EXPECT_STREQ("Undo Invert", Doc.undoText);
    editUndo();
    EXPECT_EQ(s16({-32768, 32767, 0, -5}), all());

    open(1, 8, 8000, bytes({128, 0, 255}));
    select(0, 2);
    editInvert(NULL);
    EXPECT_EQ(bytes({127, 255, 0}), all());
}

TEST_F(Xforms, InvertWithNothingSelectedWorksOnTheViewAndSelectsIt)
{
    open(1, 8, 8000, bytes({10, 20, 30, 40}));
    Doc.viewStart = 1;
    Doc.viewEnd = 2;
    select(0, DOC_NONE);
    editInvert(NULL);
    EXPECT_EQ(bytes({10, 235, 225, 40}), all());
    EXPECT_EQ(1u, Doc.selStart);
    EXPECT_EQ(2u, Doc.selEnd);
}

TEST_F(Xforms, ByteSwapTwiceRestoresAndUndoSwapsBack)
{
    open(1, 8, 8000, bytes({0, 100, 200, 255}));
    ASSERT_EQ(0, xformByteSwap(0, 3, NULL));
    EXPECT_EQ(bytes({128, 228, 72, 127}), all());
    ASSERT_EQ(0, xformByteSwap(0, 3, NULL));
    EXPECT_EQ(bytes({0, 100, 200, 255}), all());

    open(2, 16, 8000, s16({0x0102, 0x0304, 0x0506, 0x0708}));
    editSetChannel(2);
    select(0, 1);
    ASSERT_EQ(1, editWrapped(IDM_BYTESWAP, "Byte Swap", "Swapping Bytes",
                             [](uint32_t f, uint32_t l) { xformByteSwap(f, l, NULL); }, 0));
    EXPECT_EQ(s16({0x0102, 0x0403, 0x0506, 0x0807}), all());
    editSetChannel(0);
    editUndo();
    EXPECT_EQ(s16({0x0102, 0x0304, 0x0506, 0x0708}), all());
}

TEST_F(Xforms, StopFromTheMeterEndsAfterTheCurrentBlock)
{
    Bytes in(100000);
    for (size_t i = 0; i < in.size(); i++)
        in[i] = (uint8_t)i;
    open(1, 8, 8000, in);
    int calls = 0;
    static int *counter;
    counter = &calls;
    EXPECT_EQ(1, xformInvert(0, 99999, [](uint32_t, uint32_t) -> int { return ++*counter >= 1; }));
    EXPECT_EQ(1, calls);
    Bytes got = all();
    EXPECT_EQ((uint8_t)(255 - in[0]), got[0]);
    EXPECT_EQ(in[99999], got[99999]);   /* not reached */
}

TEST_F(Xforms, SilenceOfTheLeftChannelKeepsTheRight)
{
    open(2, 16, 8000, s16({5, 6, 7, 8, 9, 10}));
    editSetChannel(1);
    select(0, 2);
    editSilence();
    EXPECT_EQ(s16({0, 6, 0, 8, 0, 10}), all());
    editUndo();
    EXPECT_EQ(s16({5, 6, 7, 8, 9, 10}), all());
}

TEST_F(Xforms, SilenceNeedsASelection)
{
    open(1, 8, 8000, bytes({1, 2, 3}));
    Doc.viewStart = 0;
    Doc.viewEnd = 2;
    select(0, DOC_NONE);
    editSilence();
    EXPECT_EQ(bytes({1, 2, 3}), all());
}

TEST_F(Xforms, GenerateSilenceInsertsSelectsAndUndoes)
{
    open(1, 16, 22050, s16({1, 2, 3}));
    select(1, DOC_NONE);
    editGenerateSilence(0.5);
    EXPECT_EQ(3u + 11025u, docFrames());
    EXPECT_EQ(1u, Doc.selStart);
    EXPECT_EQ(11025u, Doc.selEnd);
    EXPECT_STREQ("Undo Generate Silence", Doc.undoText);
    Bytes got = all();
    EXPECT_EQ(0, got[2]);
    EXPECT_EQ(2, got[2 + 11025 * 2]);
    editUndo();
    EXPECT_EQ(s16({1, 2, 3}), all());
    EXPECT_EQ(0u, xformSilenceFrames(-1.0, 44100));
    EXPECT_EQ(0u, xformSilenceFrames(0.0 / 0.0, 44100));
    EXPECT_EQ(4410u, xformSilenceFrames(0.1, 44100));
}

} // namespace

namespace {

class PasteSpecialTest : public EditTest {};

TEST_F(PasteSpecialTest, OverlapMixesWithTheVolumesAndUndoes)
{
    open(2, 16, 8000, EditTest::s16({1000, 1000, 2000, 2000, 0, 0, 0, 0}));
    select(0, 1);
    editCopy();
    select(2, DOC_NONE);
    PasteSpecialParams p = PasteSpecial;
    p.left = 0.5;
    p.right = -1.0;
    p.overlap = 1;
    p.loop = 0;
    p.fromFile = 0;
    p.modulate = 0;
    EXPECT_EQ(2u, editPasteSpecial(&p, 0));
    EXPECT_EQ(EditTest::s16({1000, 1000, 2000, 2000, 500, -1000, 1000, -2000}), all());
    EXPECT_EQ(4u, docFrames());
    editUndo();
    EXPECT_EQ(EditTest::s16({1000, 1000, 2000, 2000, 0, 0, 0, 0}), all());
}

TEST_F(PasteSpecialTest, LoopOfTwoPointSevenInsertsTwice)
{
    open(1, 8, 8000, {10, 20, 30});
    select(0, 0);
    editCopy();
    select(3, DOC_NONE);
    PasteSpecialParams p = PasteSpecial;
    p.left = p.right = 1.0;
    p.overlap = 0;
    p.loop = 1;
    p.loops = 2.7;
    p.fromFile = 0;
    p.modulate = 0;
    EXPECT_EQ(2u, editPasteSpecial(&p, 0));
    EXPECT_EQ(Bytes({10, 20, 30, 10, 10}), all());
    /* A file that is missing pastes nothing and says so. */
    zt::MessageRecorder rec;
    p.fromFile = 1;
    snprintf(p.file, sizeof p.file, "%s", "no such file.wav");
    EXPECT_EQ(0u, editPasteSpecial(&p, 0));
    EXPECT_EQ(Bytes({10, 20, 30, 10, 10}), all());
}

} // namespace
