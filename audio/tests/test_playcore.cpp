/*
 * The window-free half of playback over a real sample store: the buffer size rule, what
 * FillPlayBuffer sends (exact frames, padding, edited channel, 16-to-8, loops, list mode),
 * the position arithmetic behind the cursor and the cursor column.  Outputs start as 0x66.
 */
#include "audio/playcore.h"
#include "store/blockfile.h"
#include "store/voc.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

typedef std::vector<uint8_t> Bytes;

class PlayCore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, bopen(zt::tempPath("play.tmp").c_str()));
        memset(&Play, 0, sizeof Play);
        PlayListHook = PlayListHooks{NULL, NULL, NULL};
    }
    void TearDown() override
    {
        bclose();
        vocSetFormat(1, 16, 0);
        Wave.editChannel = 0;
    }
    /* A wave of the format holding data, and Play set up to play it. */
    void wave(uint32_t rate, uint16_t channels, uint16_t bits, const Bytes &data, int convert8 = 0, int edit = 0)
    {
        vocSetFormat(channels, bits, 0);
        ASSERT_EQ(0, vocAppend(data.data(), (uint32_t)data.size()));
        playSetFormat(rate, channels, bits, convert8, edit);
    }
    static Bytes pattern(size_t n, unsigned seed = 1)
    {
        Bytes v(n);
        for (size_t i = 0; i < n; i++)
            v[i] = (uint8_t)((i * 7u + seed * 13u + (i >> 8) * 3u) & 0xFF);
        return v;
    }
    static Bytes fill(uint32_t count)
    {
        Bytes b(count + 1, 0x66);
        uint32_t n = FillPlayBuffer(b.data(), count);
        EXPECT_EQ(0x66, b[count]) << "wrote past the buffer";
        b.resize(n);
        return b;
    }
    /* Everything the device would get, buffer by buffer, until the material ends. */
    static Bytes drain(uint32_t bufferSize, int *buffers = NULL, int limit = 1000)
    {
        Bytes all;
        int n = 0;
        for (; n < limit; n++) {
            Bytes b = fill(bufferSize);
            if (b.empty())
                break;
            all.insert(all.end(), b.begin(), b.end());
        }
        if (buffers)
            *buffers = n;
        return all;
    }
    static Bytes slice(const Bytes &v, size_t from, size_t n) { return Bytes(v.begin() + from, v.begin() + from + n); }
};

/* ---- 1. Buffer size rule ---- */

TEST(PlayBufferSize, WholeBlocksOfTheRingTimeSpreadOverTheBuffers)
{
    /* 44100 Hz 16-bit stereo, 4 s over 8: 88200 bytes each, down to 21 blocks of 4096. */
    EXPECT_EQ(86016u, playBufferSize(44100, 4, 4.0, 8));
    EXPECT_EQ(0u, playBufferSize(44100, 4, 4.0, 8) % 4096);
    /* 1 buffer is played as 2, 40 as 32. */
    EXPECT_EQ(playBufferSize(44100, 4, 4.0, 2), playBufferSize(44100, 4, 4.0, 1));
    EXPECT_EQ(playBufferSize(44100, 4, 4.0, 32), playBufferSize(44100, 4, 4.0, 40));
    EXPECT_EQ(2, playClampBuffers(1));
    EXPECT_EQ(32, playClampBuffers(40));
    EXPECT_EQ(8, playClampBuffers(8));
}

TEST(PlayBufferSize, ShortRingAtLowRateKeepsOneBlockAndHugeIsRefused)
{
    /* 8000 Hz mono 8-bit, 1 s over 32 is 250 bytes: rounding down would leave nothing. */
    EXPECT_EQ(1024u, playBufferSize(8000, 1, 1.0, 32));
    EXPECT_EQ(4096u, playBufferSize(8000, 4, 0.0, 8));
    /* Too large to allocate, also where the product would overflow 32 bits. */
    EXPECT_EQ(0u, playBufferSize(4000000000u, 4, 20.0, 2));
    EXPECT_EQ(0u, playBufferSize(2000000, 4, 20.0, 2));
    EXPECT_EQ(0u, playBufferSize(44100, 0, 4.0, 8));
    EXPECT_EQ(2100u, playPadThreshold(22049));
    EXPECT_EQ(16400u, playPadThreshold(22050));
}

/* ---- 2. Exact frames, then only the padding ---- */

TEST_F(PlayCore, SelectionIsSentExactlyThenPaddedToTheThreshold)
{
    Bytes data = pattern(40000);
    wave(44100, 2, 16, data);
    /* Frames 1000..5999: 20000 bytes from byte 4000, in buffers of 8192. */
    SetupPlayRange(4000, 20000, 4000, 0);
    int buffers;
    Bytes got = drain(8192, &buffers);
    EXPECT_EQ(3, buffers);
    /* 8192 + 8192 + 3616: the last piece is under 16400, padded up to the buffer size. */
    ASSERT_EQ(3u * 8192, got.size());
    EXPECT_EQ(slice(data, 4000, 20000), slice(got, 0, 20000));
    EXPECT_EQ(Bytes(got.size() - 20000, 0), slice(got, 20000, got.size() - 20000));
}

TEST_F(PlayCore, ShortSelectionIsOneBufferOfMaterialAndSilenceUpToTheThreshold)
{
    Bytes data = pattern(30000);
    wave(11025, 1, 8, data);
    SetupPlayRange(100, 500, 100, 0);
    Bytes first = fill(65536);
    ASSERT_EQ(2100u, first.size());
    EXPECT_EQ(slice(data, 100, 500), slice(first, 0, 500));
    EXPECT_EQ(Bytes(1600, 0x80), slice(first, 500, 1600));
    /* The end of the material is not padded again and again. */
    EXPECT_TRUE(fill(65536).empty());
    EXPECT_TRUE(fill(65536).empty());
}

TEST_F(PlayCore, LastPieceAboveTheThresholdGoesOutAsItIs)
{
    /* 3 x 16384 + 3000: the last piece is over the 2100 bytes of 8000 Hz. */
    Bytes data = pattern(3 * 16384 + 3000);
    wave(8000, 1, 8, data);
    SetupPlayRange(0, (uint32_t)data.size(), 0, 0);
    int buffers;
    EXPECT_EQ(data, drain(16384, &buffers));
    EXPECT_EQ(4, buffers);
}

TEST_F(PlayCore, PaddingStopsAtTheBufferSize)
{
    Bytes data = pattern(4000);
    wave(44100, 1, 16, data);
    SetupPlayRange(0, 1000, 0, 0);
    Bytes got = fill(4096);
    ASSERT_EQ(4096u, got.size());
    EXPECT_EQ(slice(data, 0, 1000), slice(got, 0, 1000));
}

/* ---- 3. Edited channel and 16-to-8 ---- */

TEST_F(PlayCore, LeftChannelEditedPlaysSilenceOnTheRight)
{
    Bytes data = pattern(8192);
    wave(44100, 2, 16, data, 0, 1);
    SetupPlayRange(0, 8192, 0, 0);
    Bytes got = fill(8192);
    ASSERT_EQ(8192u, got.size());
    for (size_t f = 0; f < 2048; f++) {
        ASSERT_EQ(data[4 * f], got[4 * f]) << f;
        ASSERT_EQ(data[4 * f + 1], got[4 * f + 1]) << f;
        ASSERT_EQ(0, got[4 * f + 2]) << f;
        ASSERT_EQ(0, got[4 * f + 3]) << f;
    }
    /* The samples themselves are untouched. */
    Bytes stored(8192);
    ASSERT_EQ(0, vocRead(stored.data(), 0, 8192));
    EXPECT_EQ(data, stored);
}

TEST_F(PlayCore, RightChannelEdited8BitSilencesTheLeftWith128)
{
    Bytes data = pattern(4096);
    wave(22050, 2, 8, data, 0, 2);
    SetupPlayRange(0, 4096, 0, 0);
    Bytes got = fill(4096);
    ASSERT_EQ(4096u, got.size());
    for (size_t f = 0; f < 2048; f++) {
        ASSERT_EQ(0x80, got[2 * f]) << f;
        ASSERT_EQ(data[2 * f + 1], got[2 * f + 1]) << f;
    }
}

TEST_F(PlayCore, SixteenBitAsEightIsHighBytePlus128)
{
    std::vector<int16_t> w = {0, -1, 1, 255, 256, -256, 32767, -32768, 0x1234, -0x1234};
    Bytes data;
    for (int16_t s : w) {
        data.push_back((uint8_t)(s & 0xFF));
        data.push_back((uint8_t)((uint16_t)s >> 8));
    }
    wave(44100, 1, 16, data, 1);
    EXPECT_EQ(8, Play.outBits);
    EXPECT_EQ(1, Play.outAlign);
    SetupPlayRange(0, (uint32_t)data.size(), 0, 0);
    Bytes got = fill(65536);
    ASSERT_GE(got.size(), w.size());
    for (size_t i = 0; i < w.size(); i++)
        EXPECT_EQ((uint8_t)((w[i] >> 8) + 128), got[i]) << i;
    /* 8-bit output pads with 128. */
    EXPECT_EQ(Bytes(got.size() - w.size(), 0x80), slice(got, w.size(), got.size() - w.size()));
}

TEST_F(PlayCore, SixteenBitAsEightFillsWholeBuffersFromTwiceTheBytes)
{
    Bytes data = pattern(40000);
    wave(44100, 2, 16, data, 1);
    SetupPlayRange(0, 40000, 0, 0);
    Bytes got = fill(8192);
    ASSERT_EQ(8192u, got.size());
    for (size_t i = 0; i < 8192; i++)
        ASSERT_EQ((uint8_t)(data[2 * i + 1] + 128), got[i]) << i;
    EXPECT_EQ(16384u, Play.position);
}

/* ---- 4. Loops ---- */

TEST_F(PlayCore, LoopFromCursorThenFromRangeStart)
{
    Bytes data = pattern(3000);
    wave(44100, 1, 8, data);
    /* View 1000..1999, cursor at 1500: first pass 1500..1999, then 1000..1999 twice. */
    SetupPlayRange(1500, 500, 1000, 2);
    Bytes got = drain(256);
    ASSERT_EQ(2560u, got.size());   /* the last 196 bytes padded to the buffer's 256 */
    EXPECT_EQ(Bytes(60, 0x80), slice(got, 2500, 60));
    EXPECT_EQ(slice(data, 1500, 500), slice(got, 0, 500));
    EXPECT_EQ(slice(data, 1000, 1000), slice(got, 500, 1000));
    EXPECT_EQ(slice(data, 1000, 1000), slice(got, 1500, 1000));
}

TEST_F(PlayCore, EmptyRangeInLoopModeEndsAtOnce)
{
    wave(44100, 1, 8, pattern(100));
    SetupPlayRange(50, 0, 50, PLAY_LOOPFOREVER);
    EXPECT_TRUE(fill(4096).empty());
}

/* ---- 5. List mode ---- */

struct FakeList {
    static std::vector<PlayListEntry> &entries() { static std::vector<PlayListEntry> v; return v; }
    static int count() { return (int)entries().size(); }
    static int entry(int i, PlayListEntry *e) { *e = entries()[(size_t)i]; return 0; }
    static int cueStart(uint32_t cue, uint32_t *frame)
    {
        if (cue == 99)
            return 1;   /* a cue that was deleted */
        *frame = cue * 100;
        return 0;
    }
};

TEST_F(PlayCore, ListPlaysEachEntryItsCountAndSkipsMissingCues)
{
    Bytes data = pattern(8000);
    wave(22050, 2, 8, data, 0, 1);
    FakeList::entries() = {{2, 10, 2}, {99, 50, 1}, {5, 20, 1}};
    PlayListHook = PlayListHooks{FakeList::count, FakeList::entry, FakeList::cueStart};
    ASSERT_EQ(0, SetupPlayList(0));
    EXPECT_EQ(0, Play.listEntry);
    Bytes got = drain(1 << 16);
    /* Cue 2 (frame 200, 20 bytes) twice, then cue 5 (frame 500); both channels sound. */
    ASSERT_GE(got.size(), 80u);
    EXPECT_EQ(slice(data, 400, 20), slice(got, 0, 20));
    EXPECT_EQ(slice(data, 400, 20), slice(got, 20, 20));
    EXPECT_EQ(slice(data, 1000, 40), slice(got, 40, 40));
    EXPECT_EQ(PLAY_NOENTRY, Play.listEntry);
    /* An empty list plays nothing. */
    FakeList::entries().clear();
    EXPECT_EQ(1, SetupPlayList(0));
}

/* ---- 6. Position and cursor ---- */

TEST_F(PlayCore, PositionCountsFromTheFirstFrameAndWrapsInLoopMode)
{
    playSetFormat(44100, 2, 16, 0, 0);
    playSetPositionBase(1000, 500, 500, 0);
    EXPECT_EQ(1500u, playFrameAt(0));
    EXPECT_EQ(1700u, playFrameAt(200));
    playSetPositionBase(1000, 500, 500, 1);
    EXPECT_EQ(1999u, playFrameAt(499));
    EXPECT_EQ(1000u, playFrameAt(500));    /* the second pass starts at the range start */
    EXPECT_EQ(1750u, playFrameAt(1250));   /* (500 + 1250) mod 1000 */
    /* Device answers in bytes and milliseconds. */
    EXPECT_EQ(100u, playRawFrames(1, 400));
    EXPECT_EQ(44100u, playRawFrames(2, 1000));
    EXPECT_EQ(7u, playRawFrames(0, 7));
}

TEST_F(PlayCore, CorrectionDoublesOnlyForSixteenBitPlayedAsEight)
{
    playSetFormat(22050, 1, 16, 1, 0);
    playSetPositionBase(0, 0, 100000, 0);
    Play.correction = 2;
    EXPECT_EQ(200u, playFrameAt(100));
    Play.correction = 1;
    Play.oldSystem = 0;
    EXPECT_EQ(100u, playFrameAt(100));
    Play.oldSystem = 1;
    EXPECT_EQ(200u, playFrameAt(100));
    playSetFormat(22050, 1, 16, 0, 0);
    Play.correction = 2;
    EXPECT_EQ(100u, playFrameAt(100));
}

TEST(PlayCursor, ColumnIsLinearOverTheAreaAndNoneOutsideTheView)
{
    EXPECT_EQ(10, playCursorColumn(1000, 10, 110, 1000, 2000));
    EXPECT_EQ(60, playCursorColumn(1500, 10, 110, 1000, 2000));
    EXPECT_EQ(109, playCursorColumn(2000, 10, 110, 1000, 2000));
    EXPECT_EQ(-1, playCursorColumn(999, 10, 110, 1000, 2000));
    EXPECT_EQ(-1, playCursorColumn(2001, 10, 110, 1000, 2000));
    EXPECT_EQ(10, playCursorColumn(5, 10, 110, 5, 5));     /* a view of one frame */
    EXPECT_EQ(-1, playCursorColumn(5, 10, 10, 0, 100));    /* no area */
}

TEST_F(PlayCore, MaterialEndsWhenTheStoreIsGone)
{
    wave(44100, 1, 8, pattern(1000));
    SetupPlayRange(0, 1000, 0, 0);
    bclose();
    EXPECT_TRUE(fill(4096).empty());
    ASSERT_EQ(0, bopen(zt::tempPath("play.tmp").c_str()));
}

} // namespace
