/*
 * The selection edits as a user meets them: Cut, Paste, Delete, Trim, one-channel edits,
 * Select Entire Wave, Zero Cross Adjust and the edit channel commands; and a property test
 * that undoes seeded random edit sequences step by step back to the first sample.
 */
#include "fixture.h"

#include <random>

namespace {

class Edits : public EditTest {};

static Bytes ramp(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; i++)
        b[i] = (uint8_t)(i * 13 + 1);
    return b;
}

/* 1. Single commands. */
TEST_F(Edits, DeleteAtFrameZeroLeavesNoSelection)
{
    open(1, 8, 8000, ramp(10));
    select(0, 2);
    editDelete(1);
    EXPECT_EQ(7u, docFrames());
    EXPECT_EQ(DOC_NONE, Doc.selEnd);
    EXPECT_EQ(0, Doc.selectionShown);
    EXPECT_EQ(1, Doc.modified);
    EXPECT_STREQ("Undo Delete", Doc.undoText);
    EXPECT_EQ(IDM_DELETE, Doc.undoKind);
}

TEST_F(Edits, DeleteNeedsTheFocusAndAShownSelection)
{
    open(1, 8, 8000, ramp(10));
    select(0, 2);
    editDelete(0);
    Doc.selectionShown = 0;
    editDelete(1);
    EXPECT_EQ(10u, docFrames());
}

TEST_F(Edits, DeleteOnOneChannelSilencesItInstead)
{
    open(2, 16, 8000, s16({1, 2, 3, 4, 5, 6}));
    editSetChannel(2);
    select(1, 2);
    editDelete(1);
    EXPECT_EQ(s16({1, 2, 3, 0, 5, 0}), all());
    editUndo();
    EXPECT_EQ(s16({1, 2, 3, 4, 5, 6}), all());
}

TEST_F(Edits, CutWithNothingSelectedCutsTheView)
{
    open(1, 8, 8000, ramp(20));
    Doc.viewStart = 5;
    Doc.viewEnd = 9;
    editCut();
    EXPECT_EQ(15u, docFrames());
    Bytes b = clip(), r = ramp(20);
    EXPECT_EQ(Bytes(r.begin() + 5, r.begin() + 10), Bytes(b.begin() + 44, b.end()));
    EXPECT_EQ(5u, Doc.selStart);
    EXPECT_EQ(4u, Doc.selEnd);   /* the caret at the old start */
}

TEST_F(Edits, CutOfOneChannelSilencesItAndKeepsTheLength)
{
    open(2, 8, 8000, Bytes{10, 20, 30, 40, 50, 60});
    editSetChannel(1);
    select(0, 1);
    editCut();
    EXPECT_EQ((Bytes{128, 20, 128, 40, 50, 60}), all());
    EXPECT_EQ(UNDO_ONECHANNELCUT, Doc.undoKind);
    Bytes b = clip();
    EXPECT_EQ((Bytes{10, 30}), Bytes(b.begin() + 44, b.end()));
    editUndo();
    EXPECT_EQ((Bytes{10, 20, 30, 40, 50, 60}), all());
    EXPECT_EQ(1, Wave.editChannel);
}

TEST_F(Edits, TrimKeepsExactlyTheSelectionAndUndoRestoresTheLength)
{
    Bytes start = ramp(50);
    open(1, 8, 8000, start);
    select(10, 19);
    editTrim();
    EXPECT_EQ(Bytes(start.begin() + 10, start.begin() + 20), all());
    EXPECT_EQ(0u, Doc.selStart);
    EXPECT_EQ(DOC_NONE, Doc.selEnd);
    EXPECT_LE(Doc.viewEnd, 9u);
    editUndo();
    EXPECT_EQ(start, all());
}

TEST_F(Edits, PasteReplacesTheSelectionAndHighlightsOrNot)
{
    for (int hilite = 0; hilite < 2; hilite++) {
        open(1, 8, 8000, ramp(10));
        Edit.pasteHilite = hilite;
        putClip(wave(1, 1, 8000, 8, Bytes{1, 2, 3}));
        select(2, 5);
        EXPECT_EQ(3u, editPaste(0));
        Bytes want = ramp(10);
        want.erase(want.begin() + 2, want.begin() + 6);
        want.insert(want.begin() + 2, {1, 2, 3});
        EXPECT_EQ(want, all());
        if (hilite) {
            EXPECT_EQ(2u, Doc.selStart);
            EXPECT_EQ(4u, Doc.selEnd);
            EXPECT_NE(0, Doc.selectionShown);
        } else {
            EXPECT_EQ(5u, Doc.selStart);
            EXPECT_EQ(0, Doc.selectionShown);
        }
        EXPECT_STREQ("Undo Paste", Doc.undoText);
        editUndo();
        EXPECT_EQ(ramp(10), all());
    }
}

TEST_F(Edits, RepeatedPastesWithoutHighlightFollowEachOther)
{
    open(1, 8, 8000, Bytes{});
    Edit.pasteHilite = 0;
    putClip(wave(1, 1, 8000, 8, Bytes{1, 2}));
    editPaste(0);
    editPaste(0);
    EXPECT_EQ((Bytes{1, 2, 1, 2}), all());
}

TEST_F(Edits, PasteOnOneChannelMixesIntoThatChannelOnly)
{
    open(2, 16, 8000, s16({100, 200, 300, 400, 500, 600}));
    editSetChannel(2);
    putClip(wave(1, 1, 8000, 16, s16({7, 8})));
    select(1, DOC_NONE);
    EXPECT_EQ(2u, editPaste(0));
    EXPECT_EQ(s16({100, 200, 300, 407, 500, 608}), all());
    EXPECT_EQ(IDM_PASTESPECIAL, Doc.undoKind);
    editUndo();
    EXPECT_EQ(s16({100, 200, 300, 400, 500, 600}), all());
}

TEST_F(Edits, PasteIntoNothingMakesAWaveOfTheClipsFormat)
{
    putClip(wave(1, 2, 11025, 8, Bytes{1, 2, 3, 4}));
    EXPECT_EQ(2u, editPaste(0));
    EXPECT_EQ(2, Wave.channels);
    EXPECT_EQ(8, Wave.bitsPerSample);
    EXPECT_EQ(11025u, Doc.sampleRate);
    EXPECT_EQ((Bytes{1, 2, 3, 4}), all());
    EXPECT_STREQ("", Doc.name);
}

TEST_F(Edits, PasteOfNothingChangesNothing)
{
    open(1, 8, 8000, ramp(10));
    select(2, 4);
    zt::MessageRecorder rec;
    putClip(wave(1, 1, 8000, 8, Bytes{}));
    EXPECT_EQ(0u, editPaste(0));
    EXPECT_EQ(ramp(10), all());
    EXPECT_EQ(0, undoFiles());
    EXPECT_EQ(-1, UndoStack.top);
    ASSERT_EQ(1u, rec.messages.size());   /* an empty wave says so */
    EXPECT_EQ("The clipboard's wave holds no samples.", rec.messages[0].text);
    clipBegin(1);
    clipAbort();
    EXPECT_EQ(0u, editPaste(0));
    EXPECT_EQ(2u, rec.messages.size());
    EXPECT_EQ(ramp(10), all());
}

TEST_F(Edits, SelectEntireWave)
{
    open(2, 16, 8000, s16({1, 2, 3, 4, 5, 6}));
    editSelectAll(0);
    EXPECT_EQ(DOC_NONE, Doc.selEnd);
    editSelectAll(1);
    EXPECT_EQ(0u, Doc.selStart);
    EXPECT_EQ(2u, Doc.selEnd);
    EXPECT_NE(0, Doc.selectionShown);
}

TEST_F(Edits, EditChannelCommands)
{
    open(2, 16, 8000, s16({0, 0}));
    struct { int start, id, want; } cases[] = {
        {0, IDM_EDITLEFT, 2}, {2, IDM_EDITLEFT, 0}, {1, IDM_EDITLEFT, 1},
        {0, IDM_EDITRIGHT, 1}, {1, IDM_EDITRIGHT, 0}, {2, IDM_EDITRIGHT, 2},
        {2, IDM_EDITBOTH, 0}, {0, IDM_EDITLEFTONLY, 1}, {0, IDM_EDITRIGHTONLY, 2},
    };
    for (auto &c : cases) {
        Wave.editChannel = c.start;
        editChannelCommand(c.id);
        EXPECT_EQ(c.want, Wave.editChannel) << c.start << " " << c.id;
    }
    open(1, 16, 8000, s16({0}));
    editChannelCommand(IDM_EDITLEFTONLY);
    EXPECT_EQ(0, Wave.editChannel);
}

/* 2. Zero crossings. */
TEST_F(Edits, ZeroCrossMonoMovesTheCaretToTheNextUpwardCrossing)
{
    open(1, 16, 8000, s16({5, 3, -2, -4, 1, 6, -1, 2}));
    select(0, DOC_NONE);
    editZeroCross();
    EXPECT_EQ(4u, Doc.selStart);
    /* With a selection, its end moves back to a crossing too; when that is no later than the
       new start, the caret goes to the start. */
    select(0, 7);
    editZeroCross();
    EXPECT_EQ(4u, Doc.selStart);
    EXPECT_EQ(3u, Doc.selEnd);
    open(1, 16, 8000, s16({5, -2, 1, 3, -1, -3, 2, 4}));
    select(0, 7);
    editZeroCross();
    EXPECT_EQ(2u, Doc.selStart);
    EXPECT_EQ(6u, Doc.selEnd);
}

TEST_F(Edits, ZeroCrossWithoutACrossingLeavesThePosition)
{
    open(1, 16, 8000, s16({5, 5, 5, 5, 5, 5}));
    select(3, DOC_NONE);
    editZeroCross();
    EXPECT_EQ(4u, Doc.selStart);   /* the search starts one on and finds nothing */
    open(2, 16, 8000, Bytes(40000 * 4, 0x10));
    select(100, DOC_NONE);
    editZeroCross();
    EXPECT_EQ(100u, Doc.selStart);
    EXPECT_LT(Doc.selStart, docFrames());
}

TEST_F(Edits, ZeroCrossStereoFindsACommonCrossing)
{
    std::vector<int> l = {3, -3, -3, 4, 4, -2, -2, -2, 5, 5};
    std::vector<int> r = {3, -3, 2, 2, 2, -2, -2, -2, -1, 5};
    Bytes b;
    for (size_t i = 0; i < l.size(); i++) {
        Bytes f = s16({l[i], r[i]});
        b.insert(b.end(), f.begin(), f.end());
    }
    open(2, 16, 8000, b);
    select(0, DOC_NONE);
    editZeroCross();
    /* Left crosses at 3 but right only at 9; left's next crossing at 8 is within three
       frames of right's at 9: the start is their middle. */
    EXPECT_EQ(8u, Doc.selStart);
}

/* 3. Property: random edits, then undo all, every step bit-identical to its start. */
struct Snapshot {
    Bytes data;
    uint16_t channels, bits;
    bool operator==(const Snapshot &o) const { return data == o.data && channels == o.channels && bits == o.bits; }
};
static Snapshot snap() { return {EditTest::all(), Wave.channels, Wave.bitsPerSample}; }

class UndoProperty : public EditTest, public ::testing::WithParamInterface<int> {};

TEST_P(UndoProperty, RandomEditsUndoToTheStart)
{
    int seed = GetParam();
    std::mt19937 rng((unsigned)seed);
    uint16_t channels = 1 + (seed & 1), bits = (seed & 2) ? 16 : 8;
    int levels = 1 + seed % 7;
    undoSetLevels(levels);
    Bytes start(channels * bits / 8 * (200 + rng() % 300));
    for (auto &x : start)
        x = (uint8_t)rng();
    open(channels, bits, 8000, start);
    /* Something on the clipboard from the start. */
    select(0, 20);
    clipCopy(IDM_COPY, 3);
    std::vector<Snapshot> before;
    zt::MessageRecorder rec(OS_IDYES);
    for (int step = 0; step < 25; step++) {
        uint32_t n = docFrames();
        uint32_t a = n ? rng() % n : 0, len = 1 + rng() % 40;
        uint32_t b = n ? std::min(n - 1, a + len) : 0;
        int op = rng() % 8;
        editSetChannel(channels == 2 && op >= 6 ? 1 + rng() % 2 : 0);
        if (rng() % 4 == 0)
            select(a, DOC_NONE);
        else
            select(a, b);
        Doc.viewStart = 0;
        Doc.viewEnd = n ? n - 1 : 0;
        Snapshot s = snap();
        uint32_t recorded = UndoStack.recorded;
        switch (op) {
        case 0: editCut(); break;
        case 1: case 6: editPaste(0); break;
        case 2: editDelete(1); break;
        case 3: if (rng() % 3 == 0) editTrim(); else editCut(); break;
        case 4: clipCopy(IDM_COPY, channels == 2 ? 1 + rng() % 3 : 3); break;
        case 5: editSelectAll(1); break;
        case 7: editCut(); break;
        }
        if (UndoStack.recorded != recorded) {
            before.push_back(s);
        } else {
            ASSERT_TRUE(s == snap()) << "step " << step << " op " << op << " changed samples without undo";
        }
        ASSERT_EQ(std::min<int>((int)before.size(), levels), UndoStack.top + 1);
        int withFiles = 0;
        for (int i = 0; i <= UndoStack.top; i++)
            withFiles += UndoStack.entry[i].savedLength > 0;
        ASSERT_EQ(withFiles, undoFiles()) << "step " << step;
    }
    EXPECT_TRUE(rec.messages.empty());
    int undone = 0;
    while (UndoStack.top >= 0) {
        ASSERT_EQ(0, undoPerform());
        undone++;
        ASSERT_TRUE(before[before.size() - undone] == snap()) << "after undo " << undone << " (seed " << seed << ")";
    }
    EXPECT_EQ(std::min<int>((int)before.size(), levels), undone);
    EXPECT_EQ(1, undoPerform());
    EXPECT_STREQ("Can't Undo", Doc.undoText);
    if ((int)before.size() <= levels) {
        EXPECT_TRUE(snap().data == start);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, UndoProperty, ::testing::Range(1, 41));

} // namespace
