/*
 * Cue table arithmetic (inserts and cuts before, inside and after cues, merging, rescaling),
 * identifiers, the file items with damaged input, the play list's pruning, and the cues'
 * life through real store edits and their Undo.
 */
#include "lists/cues.h"
#include "fixture.h"

#include <set>
#include <string>

namespace {

/* Wires the table to the store and undo as the program does. */
class Cue : public EditTest {
public:
    void SetUp() override
    {
        EditTest::SetUp();
        cuesFree();
        cuesSeed(12345);
        memset(&CueHook, 0, sizeof CueHook);
        VocHook.cueInserted = cuesInserted;
        VocHook.cueDeleted = cuesDeleted;
        UndoHook.cuesTake = cuesSnapshot;
        UndoHook.cuesPut = [](const void *c) { cuesRestore(c); };
        UndoHook.cuesDrop = cuesFreeSnapshot;
    }
    void TearDown() override
    {
        VocHook.cueInserted = NULL;
        VocHook.cueDeleted = NULL;
        memset(&UndoHook, 0, sizeof UndoHook);
        cuesFree();
        EditTest::TearDown();
    }
    /* A range first..last (or a point when last < first); returns its identifier. */
    static uint32_t add(uint32_t first, uint32_t last, const char *label = NULL)
    {
        EXPECT_EQ(1, AddCue(first, last, label, NULL));
        return Cues.point[Cues.count - 1].id;
    }
    static uint32_t at(uint32_t id) { return Cues.point[cueFind(id)].frame; }
    static uint32_t len(uint32_t id) { return Cues.text[cueFind(id)].length; }
    static bool gone(uint32_t id) { return cueFind(id) < 0; }
    static Bytes ramp(uint32_t frames)
    {
        Bytes b(frames * 2);
        for (uint32_t i = 0; i < frames; i++) {
            b[2 * i] = (uint8_t)(i & 0xFF);
            b[2 * i + 1] = (uint8_t)((i >> 8) & 0x7F);
        }
        return b;
    }
};

TEST_F(Cue, InsertBeforeInsideAtAndAfterARange)
{
    uint32_t r = add(100, 199), p = add(150, 149), after = add(300, 299), before = add(10, 9), edge = add(200, 199);
    cuesInserted(150, 25);   /* inside the range, exactly at the point */
    EXPECT_EQ(100u, at(r));
    EXPECT_EQ(125u, len(r));   /* a range that spans the place grows */
    EXPECT_EQ(175u, at(p));    /* a cue at the place moves on with the sound after it */
    EXPECT_EQ(325u, at(after));
    EXPECT_EQ(10u, at(before));
    EXPECT_EQ(225u, at(edge));
    cuesInserted(100, 5);      /* at the range's first frame: the whole range moves */
    EXPECT_EQ(105u, at(r));
    EXPECT_EQ(125u, len(r));
    cuesInserted(230, 7);      /* right after the range's last frame (105 + 125 = 230) */
    EXPECT_EQ(125u, len(r));
}

TEST_F(Cue, CutAcrossCuesShortensMovesAndDeletes)
{
    uint32_t inside = add(120, 119), spanning = add(50, 249), head = add(140, 189), tail = add(90, 119),
             whole = add(110, 129), later = add(400, 499), before = add(5, 4);
    cuesDeleted(100, 50);   /* frames 100..149 go */
    EXPECT_TRUE(gone(inside));
    EXPECT_TRUE(gone(whole));
    EXPECT_EQ(50u, at(spanning));
    EXPECT_EQ(150u, len(spanning));
    EXPECT_EQ(100u, at(head));   /* lost 140..149: starts where the cut was */
    EXPECT_EQ(40u, len(head));
    EXPECT_EQ(90u, at(tail));    /* lost 100..119 */
    EXPECT_EQ(10u, len(tail));
    EXPECT_EQ(350u, at(later));
    EXPECT_EQ(100u, len(later));
    EXPECT_EQ(5u, at(before));
    EXPECT_EQ(5, (int)Cues.count);
}

TEST_F(Cue, MergeAndIdentifiersAndLimits)
{
    uint32_t r = add(100, 199);
    uint32_t p = add(300, 299);
    ASSERT_EQ(1, cueMerge(cueFind(r), cueFind(p)));
    EXPECT_EQ(201u, len(r));   /* 100..199 with the point at 300 */
    EXPECT_TRUE(gone(p));
    cuesClear();
    std::set<uint32_t> ids;
    for (int i = 0; i < CUE_MAX; i++) {
        uint32_t id = add((uint32_t)i, (uint32_t)i - 1);
        EXPECT_GE(id, 10u);
        EXPECT_LE(id, 999u);
        ids.insert(id);
        if (i % 3 == 0)
            cueDelete(Cues.count - 1);
    }
    while (Cues.count < CUE_MAX)
        ids.insert(add(7, 6));
    std::set<uint32_t> now;
    for (int i = 0; i < Cues.count; i++)
        now.insert(Cues.point[i].id);
    EXPECT_EQ((size_t)CUE_MAX, now.size());   /* never two cues with one identifier */
    EXPECT_EQ(0, AddCue(1, 0, NULL, NULL));   /* the 257th is refused */
}

TEST_F(Cue, LabelsDefaultsAndCutting)
{
    uint32_t p = add(5, 4);
    int i = cueFind(p);
    EXPECT_EQ("MARK" + std::to_string(p), std::string(Cues.text[i].label));
    EXPECT_STREQ("Marker", Cues.text[i].desc);
    uint32_t r = add(5, 9, "a label that is far longer than thirty characters");
    EXPECT_EQ(29u, strlen(Cues.text[cueFind(r)].label));
    EXPECT_STREQ("Range", Cues.text[cueFind(r)].desc);
    cueSetLabel(cueFind(r), "another label that is far longer than thirty-one");
    EXPECT_EQ(31u, strlen(Cues.text[cueFind(r)].label));
    char line[200];
    CueListLine(cueFind(r), 1000, line, sizeof line);
    EXPECT_EQ(r, cueIdOfLine(line));
    EXPECT_NE(nullptr, strstr(line, " to "));
}

TEST_F(Cue, RescaleKeepsStartsAndEndsOnTheirTime)
{
    uint32_t r = add(44100, 88199), p = add(3, 2);
    cuesRescale(44100, 22050);
    EXPECT_EQ(22050u, at(r));
    EXPECT_EQ(22050u, len(r));   /* one second stays one second */
    EXPECT_EQ(1u, at(p));
    cuesRescale(22050, 48000);
    EXPECT_EQ(48000u, at(r));
    EXPECT_EQ(48000u, len(r));
}

TEST_F(Cue, FileItemsRoundTripAndDamagedItemsAreSkipped)
{
    uint32_t r = add(100, 199, "Verse"), p = add(50, 49, "Hit");
    cueSetDesc(cueFind(r), "first verse");
    ASSERT_GE(playListInsert(0, r), 0);
    playListSetCount(0, 3);
    std::vector<Bytes> items;
    for (int code = 40; code <= 44; code++) {
        const void *d;
        uint32_t n;
        ASSERT_EQ(1, cuesSpecialData(code, &d, &n)) << code;
        items.push_back(Bytes((const uint8_t *)d, (const uint8_t *)d + n));
    }
    cuesClear();
    for (int code = 40; code <= 44; code++)
        cuesReadSpecial(code, items[code - 40].data(), (uint32_t)items[code - 40].size());
    ASSERT_EQ(2, (int)Cues.count);
    EXPECT_EQ(100u, at(r));
    EXPECT_EQ(100u, len(r));
    EXPECT_EQ(0u, len(p));
    EXPECT_STREQ("Verse", Cues.text[cueFind(r)].label);
    EXPECT_STREQ("first verse", Cues.text[cueFind(r)].desc);
    ASSERT_EQ(1, (int)PlayList.count);
    EXPECT_EQ(3u, PlayList.entry[0].count);

    /* Damaged: duplicates, a torn record, texts and lengths for cues that do not exist, a
       label without its zero, play entries naming missing cues, far too many cues. */
    cuesClear();
    Bytes pts;
    auto p32 = [](Bytes &b, uint32_t v) { for (int k = 0; k < 4; k++) b.push_back((uint8_t)(v >> (8 * k))); };
    for (uint32_t k = 0; k < 300; k++) {
        uint32_t id = k == 1 ? 1000 : 1000 + k;   /* 1000 twice */
        p32(pts, id); p32(pts, id); pts.insert(pts.end(), {'d', 'a', 't', 'a'}); p32(pts, 0); p32(pts, 0); p32(pts, k * 10);
    }
    pts.resize(pts.size() + 7);
    cuesReadSpecial(40, pts.data(), (uint32_t)pts.size());
    EXPECT_EQ(CUE_MAX, (int)Cues.count);
    EXPECT_EQ(0u, at(1000));
    Bytes labels;
    p32(labels, 5555); labels.insert(labels.end(), {'x', 0});
    p32(labels, 1002); labels.insert(labels.end(), {'o', 'k', 0});
    p32(labels, 1003); labels.insert(labels.end(), 40, 'z');   /* no zero: ends with the item */
    cuesReadSpecial(43, labels.data(), (uint32_t)labels.size());
    EXPECT_STREQ("ok", Cues.text[cueFind(1002)].label);
    EXPECT_EQ(31u, strlen(Cues.text[cueFind(1003)].label));
    Bytes lens;
    p32(lens, 1002); p32(lens, 0xFFFFFFF0u); lens.resize(lens.size() + 12);
    p32(lens, 7777); p32(lens, 5); lens.resize(lens.size() + 12);
    cuesReadSpecial(41, lens.data(), (uint32_t)lens.size());
    Bytes pl;
    p32(pl, 4444); p32(pl, 10); p32(pl, 1);
    p32(pl, 1002); p32(pl, 10); p32(pl, 0);
    cuesReadSpecial(44, pl.data(), (uint32_t)pl.size());
    ASSERT_EQ(1, (int)PlayList.count);
    EXPECT_EQ(1u, PlayList.entry[0].count);   /* a count of 0 plays once */
    cuesFitLength(1000);   /* the file had 1000 frames: cues past them go, ranges are cut */
    EXPECT_EQ(99, (int)Cues.count);   /* k = 0 and 2..99 */
    EXPECT_EQ(980u, len(1002));
}

TEST_F(Cue, PlayListDropsDeadEntriesAndPoints)
{
    uint32_t a = add(0, 9), b = add(20, 29), p = add(40, 39);
    playListInsert(0, a);
    playListInsert(1, b);
    EXPECT_GE(playListInsert(2, p), 0);
    playListSetCount(0, 0);
    EXPECT_EQ(1u, PlayList.entry[0].count);
    EXPECT_EQ(1, playListRefresh());   /* the point's entry */
    cueDelete(cueFind(a));
    ASSERT_EQ(1, (int)PlayList.count);
    EXPECT_EQ(b, PlayList.entry[0].cue);
    char line[64];
    playListLine(1, line, sizeof line);
    EXPECT_STREQ("[End]", line);
    cueDelete(cueFind(b));
    EXPECT_EQ(0, (int)PlayList.count);
}

TEST_F(Cue, RealEditsMoveCuesAndUndoPutsThemBack)
{
    open(1, 16, 8000, ramp(4000));
    uint32_t r = add(1000, 1999), p = add(3000, 2999), early = add(100, 99);
    select(500, 699);
    editCut();   /* 200 frames before both */
    EXPECT_EQ(800u, at(r));
    EXPECT_EQ(2800u, at(p));
    EXPECT_EQ(100u, at(early));
    select(1500, 3199);   /* across the range's end and over the point */
    editCut();
    EXPECT_TRUE(gone(p));
    EXPECT_EQ(800u, at(r));
    EXPECT_EQ(700u, len(r));
    uint32_t mine = add(50, 49, "after the edits");
    editUndo();
    editUndo();
    EXPECT_EQ(1000u, at(r));
    EXPECT_EQ(1000u, len(r));
    EXPECT_FALSE(gone(p));
    EXPECT_EQ(3000u, at(p));
    EXPECT_FALSE(gone(mine));   /* made after the edits: kept */
    EXPECT_EQ(ramp(4000), all());
}

TEST_F(Cue, PasteBeforeMovesByThePastedFramesAndUndoRestores)
{
    open(2, 16, 8000, Bytes(4000 * 4, 0));
    uint32_t r = add(2000, 2499);
    select(0, 99);
    editCopy();
    select(10, DOC_NONE);
    uint32_t pasted = editPaste(0);
    ASSERT_EQ(100u, pasted);
    EXPECT_EQ(2100u, at(r));
    EXPECT_EQ(500u, len(r));
    editUndo();
    EXPECT_EQ(2000u, at(r));
}

TEST_F(Cue, SilenceIsSetToExactAmounts)
{
    /* 100 silent frames, 300 of sound, 50 silent, inside a range 0..449 */
    Bytes b(600 * 2, 0);
    for (int i = 100; i < 400; i++)
        b[2 * i] = 7;
    open(1, 16, 1000, b);
    uint32_t r = add(0, 449), after = add(500, 499);
    ASSERT_EQ(0, cueSetSilence(cueFind(r), 20, 80));
    EXPECT_EQ(0u, at(r));
    EXPECT_EQ(400u, len(r));   /* 20 + 300 + 80 */
    Bytes now = all();
    ASSERT_EQ((size_t)(600 - 80 + 30) * 2, now.size());
    EXPECT_EQ(7, now[2 * 20]);
    EXPECT_EQ(0, now[2 * 19]);
    EXPECT_EQ(7, now[2 * 319]);
    EXPECT_EQ(0, now[2 * 320]);
    EXPECT_EQ(550u - 80u + 30u - 50u + 0u, at(after));
}

}  // namespace
