/*
 * The clipboard wave: the 44-byte image Copy builds (both channels or one), the chunk walk
 * that finds the samples of any program's wave, what is not a RIFF image, and the file
 * that keeps a clipboard wave while the clipboard is borrowed.
 */
#include "fixture.h"

namespace {

class ClipWaveTest : public EditTest {};

static uint32_t u32(const Bytes &b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24; }
static uint32_t u16(const Bytes &b, size_t at) { return b[at] | b[at + 1] << 8; }

/* 1. Building. */
TEST_F(ClipWaveTest, OneFrameOfSixteenBitStereoIsA48ByteBlock)
{
    open(2, 16, 44100, s16({1, -2, 3, -4}));
    select(1, 1);
    ASSERT_EQ(0, clipCopy(IDM_COPY, 3));
    Bytes b = clip();
    ASSERT_EQ(48u, b.size());
    EXPECT_EQ(0, memcmp(b.data(), "RIFF", 4));
    EXPECT_EQ(40u, u32(b, 4));
    EXPECT_EQ(0, memcmp(b.data() + 8, "WAVEfmt ", 8));
    EXPECT_EQ(16u, u32(b, 16));
    EXPECT_EQ(1u, u16(b, 20));
    EXPECT_EQ(2u, u16(b, 22));
    EXPECT_EQ(44100u, u32(b, 24));
    EXPECT_EQ(176400u, u32(b, 28));
    EXPECT_EQ(4u, u16(b, 32));
    EXPECT_EQ(16u, u16(b, 34));
    EXPECT_EQ(0, memcmp(b.data() + 36, "data", 4));
    EXPECT_EQ(4u, u32(b, 40));
    EXPECT_EQ(3, at16(Bytes(b.begin() + 44, b.end()), 0));
    EXPECT_EQ(-4, at16(Bytes(b.begin() + 44, b.end()), 1));
    /* Copy leaves the wave alone. */
    EXPECT_EQ(s16({1, -2, 3, -4}), all());
}

TEST_F(ClipWaveTest, RightChannelOfEightBitStereoIsMono)
{
    open(2, 8, 11025, Bytes{10, 20, 30, 40});
    select(0, 1);
    ASSERT_EQ(0, clipCopy(IDM_COPY, 2));
    Bytes b = clip();
    ASSERT_EQ(46u, b.size());
    EXPECT_EQ(1u, u16(b, 22));
    EXPECT_EQ(1u, u16(b, 32));
    EXPECT_EQ(11025u, u32(b, 28));
    EXPECT_EQ(20, b[44]);
    EXPECT_EQ(40, b[45]);
}

TEST_F(ClipWaveTest, NothingSelectedCopiesTheView)
{
    open(1, 8, 8000, Bytes{1, 2, 3, 4, 5});
    Doc.viewStart = 1;
    Doc.viewEnd = 3;
    ASSERT_EQ(0, clipCopy(IDM_COPY, 3));
    Bytes b = clip();
    EXPECT_EQ((Bytes{2, 3, 4}), Bytes(b.begin() + 44, b.end()));
}

TEST_F(ClipWaveTest, NoMemoryForTheClipboardSaysSoAndChangesNothing)
{
    open(2, 16, 8000, s16({1, 2, 3, 4}));
    select(0, 1);
    zt::MessageRecorder rec;
    OsFault.allocBudget = 0;
    EXPECT_EQ(1, clipCopy(IDM_CUT, 3));
    osFaultReset();
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Not enough memory for clipboard", rec.messages[0].text);
    EXPECT_EQ("Sorry", rec.messages[0].caption);
    EXPECT_EQ(s16({1, 2, 3, 4}), all());
}

/* 2. Parsing. */
TEST_F(ClipWaveTest, ChunkWalkFindsDataAfterOtherChunks)
{
    Bytes list = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
    Bytes w = wave(1, 1, 8000, 16, s16({5, 6, 7}), list);
    ClipWave cw;
    ASSERT_EQ(CLIP_PCM, clipWaveParse(w.data(), (uint32_t)w.size(), &cw));
    EXPECT_EQ(44u + 12u, cw.dataOffset);
    EXPECT_EQ(6u, cw.dataBytes);
    EXPECT_EQ(8000u, cw.format.sampleRate);
}

TEST_F(ClipWaveTest, DataSizeBeyondTheBlockIsCutToTheBlock)
{
    Bytes w = wave(1, 2, 8000, 16, s16({5, 6, 7, 8}));
    w[40] = 0xFF;
    w[41] = 0xFF;   /* claims 65535 bytes */
    ClipWave cw;
    ASSERT_EQ(CLIP_PCM, clipWaveParse(w.data(), (uint32_t)w.size(), &cw));
    EXPECT_EQ(8u, cw.dataBytes);
    /* A chunk size that would step past the block ends the walk: no samples. */
    Bytes bad = wave(1, 1, 8000, 8, Bytes{1, 2}, Bytes{'j', 'u', 'n', 'k', 0xF0, 0xFF, 0xFF, 0xFF});
    ASSERT_EQ(CLIP_PCM, clipWaveParse(bad.data(), (uint32_t)bad.size(), &cw));
    EXPECT_EQ(0u, cw.dataBytes);
}

TEST_F(ClipWaveTest, OnlyAnExactRiffTagCountsForTheNonPcmPath)
{
    Bytes w = wave(6, 1, 8000, 8, Bytes{1, 2, 3});
    ClipWave cw;
    EXPECT_EQ(CLIP_NONPCM, clipWaveParse(w.data(), (uint32_t)w.size(), &cw));
    for (int i = 0; i < 4; i++) {
        Bytes x = w;
        x[i] ^= 0x20;
        EXPECT_EQ(CLIP_NONE, clipWaveParse(x.data(), (uint32_t)x.size(), &cw)) << "byte " << i;
    }
    /* Short and unusable blocks carry nothing. */
    EXPECT_EQ(CLIP_NONE, clipWaveParse(w.data(), 20, &cw));
    Bytes odd = wave(1, 3, 8000, 16, s16({1, 2, 3}));
    EXPECT_EQ(CLIP_NONE, clipWaveParse(odd.data(), (uint32_t)odd.size(), &cw));
}

TEST_F(ClipWaveTest, GettingAnEmptyClipboardSaysSo)
{
    zt::MessageRecorder rec;
    ClipWave cw;
    EXPECT_EQ(1, clipWaveGet(&cw, NULL));
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Can't get data off of clipboard", rec.messages[0].text);
    EXPECT_EQ("Paste Error", rec.messages[0].caption);
    EXPECT_EQ(OS_MB_ICONEXCLAMATION, rec.messages[0].style & 0xF0);
}

/* 3. Keeping the clipboard in a file. */
TEST_F(ClipWaveTest, SaveAndRestoreRoundTrip)
{
    Bytes w = wave(1, 2, 22050, 16, s16({1, 2, 3, 4, 5, 6}));
    putClip(w);
    std::string path = zt::tempPath("keep.clp");
    ASSERT_EQ(1, clipSaveToFile(path.c_str()));
    putClip(Bytes{'x', 'y', 'z', 'w'});
    ASSERT_EQ(1, clipRestoreFromFile(path.c_str()));
    EXPECT_EQ(w, clip());
    osDelete(path.c_str());
}

TEST_F(ClipWaveTest, SaveRefusesWhatIsNotRiffAndDeletesTheFile)
{
    putClip(Bytes{'R', 'I', 'F', 'X', 0, 0});
    std::string path = zt::tempPath("notriff.clp");
    EXPECT_EQ(0, clipSaveToFile(path.c_str()));
    EXPECT_FALSE(osFileExists(path.c_str()));
    /* A short write loses the file, not the clipboard. */
    Bytes w = wave(1, 1, 8000, 8, Bytes(50000, 7));
    putClip(w);
    OsFault.writeBudget = 20000;
    EXPECT_EQ(0, clipSaveToFile(path.c_str()));
    osFaultReset();
    EXPECT_FALSE(osFileExists(path.c_str()));
    EXPECT_EQ(w, clip());
}

TEST_F(ClipWaveTest, RestoreOfACutOffFileLeavesNoDamagedWave)
{
    Bytes w = wave(1, 1, 8000, 8, Bytes(1000, 7));
    putClip(w);
    std::string path = zt::tempPath("cut.clp");
    ASSERT_EQ(1, clipSaveToFile(path.c_str()));
    /* Cut the file short. */
    OsFile f = osOpen(path.c_str(), OS_READ);
    Bytes all(2000);
    long n = osRead(f, all.data(), (unsigned long)all.size());
    osClose(f);
    f = osCreate(path.c_str());
    osWrite(f, all.data(), (unsigned long)(n - 100));
    osClose(f);
    EXPECT_EQ(0, clipRestoreFromFile(path.c_str()));
    osDelete(path.c_str());
}

} // namespace
