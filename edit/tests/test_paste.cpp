/*
 * The paste engine: the arithmetic of volumes and mixing (limits, truncation toward zero),
 * the conversion order between sample types, the join of resampled pieces, and repeats.
 */
#include "fixture.h"

#include <cmath>

namespace {

class Paste : public EditTest {
protected:
    PasteRequest req(const Bytes &src, uint16_t ch, uint16_t bits, uint32_t rate)
    {
        PasteRequest r;
        memset(&r, 0, sizeof r);
        r.mem = src.data();
        r.rate = rate;
        r.bits = bits;
        r.channels = ch;
        r.blockAlign = (uint16_t)(ch * bits / 8);
        r.bytes = (uint32_t)src.size();
        r.waveRate = Doc.sampleRate;
        r.leftVolume = r.rightVolume = 1.0;
        r.repetitions = 1;
        return r;
    }
};

/* 1. Volumes and mixing over 16-bit samples, each example a rule of the arithmetic. */
TEST_F(Paste, SixteenBitVolumesAndMixingLimitAndTruncate)
{
    struct Case { int existing, src; double vol, level; int want; } cases[] = {
        {0, 20000, 2.0, 0.0, 32767},      /* volume limits at +32767 */
        {0, -20000, 2.0, 0.0, -32767},    /* and at -32767, never -32768 */
        {10000, 30000, 1.0, 1.0, 32767},  /* mixing limits */
        {-10000, 30000, 1.0, 1.0, 20000},
        {0, -3, 0.5, 0.0, -1},            /* -1.5 truncates toward zero */
        {0, 3, 0.5, 0.0, 1},
        {0, -32768, 1.0, 1.0, -32767},    /* a mixing paste never yields -32768 */
        {1000, 7, -1.0, 1.0, 993},        /* negative volume inverts */
    };
    for (const Case &c : cases) {
        open(1, 16, 8000, s16({c.existing}));
        Bytes src = s16({c.src});
        PasteRequest r = req(src, 1, 16, 8000);
        r.leftVolume = r.rightVolume = c.vol;
        r.existing = c.level;
        EXPECT_EQ(2u, pasteCopies(&r));
        EXPECT_EQ(c.want, at16(all(), 0)) << c.existing << " + " << c.src << " x " << c.vol;
    }
}

TEST_F(Paste, EightBitArithmetic)
{
    /* Modulate of 192 over 192: 64 * 64 / 128 + 128 = 160. */
    open(1, 8, 8000, Bytes{192});
    Bytes src{192};
    PasteRequest r = req(src, 1, 8, 8000);
    r.existing = 1.0;
    r.mode = PASTE_MODULATE;
    pasteCopies(&r);
    EXPECT_EQ(160, all()[0]);

    /* Add over 8 bits limits to 0..255; volume scales around 128. */
    open(1, 8, 8000, Bytes{250, 10, 128});
    Bytes src2{250, 10, 255};
    r = req(src2, 1, 8, 8000);
    r.existing = 1.0;
    pasteCopies(&r);
    EXPECT_EQ((Bytes{255, 0, 255}), all());

    open(1, 8, 8000, Bytes{128, 128});
    Bytes src3{255, 0};
    r = req(src3, 1, 8, 8000);
    r.leftVolume = r.rightVolume = 0.5;
    pasteCopies(&r);
    /* (127 * 0.5) + 128 = 191.5 -> 191; (-128 * 0.5) + 128 = 64. */
    EXPECT_EQ((Bytes{191, 64}), all());

    /* Sixteen-bit modulate: e * s / 32767. */
    open(1, 16, 8000, s16({16384}));
    Bytes src4 = s16({-32767});
    r = req(src4, 1, 16, 8000);
    r.existing = 1.0;
    r.mode = PASTE_MODULATE;
    pasteCopies(&r);
    EXPECT_EQ(-16384, at16(all(), 0));
}

TEST_F(Paste, StereoVolumesGoToTheirChannels)
{
    open(2, 16, 8000, s16({0, 0, 0, 0}));
    Bytes src = s16({1000, 1000, -1000, -1000});
    PasteRequest r = req(src, 2, 16, 8000);
    r.leftVolume = 1.0;
    r.rightVolume = 0.0;
    pasteCopies(&r);
    Bytes b = all();
    EXPECT_EQ(1000, at16(b, 0));
    EXPECT_EQ(0, at16(b, 1));
    EXPECT_EQ(-1000, at16(b, 2));
    EXPECT_EQ(0, at16(b, 3));
}

/* 2. Conversions, in their fixed order. */
TEST_F(Paste, StereoEightBitIntoMonoAverages)
{
    open(1, 8, 8000, Bytes{});
    Bytes src{100, 200, 0, 255};
    PasteRequest r = req(src, 2, 8, 8000);
    pasteCopies(&r);
    EXPECT_EQ((Bytes{150, 127}), all());
}

TEST_F(Paste, StereoSixteenBitIntoMonoTruncatesTowardZero)
{
    open(1, 16, 8000, Bytes{});
    Bytes src = s16({-3, 0, 3, 0, 32767, 32767});
    PasteRequest r = req(src, 2, 16, 8000);
    pasteCopies(&r);
    Bytes b = all();
    EXPECT_EQ(-1, at16(b, 0));
    EXPECT_EQ(1, at16(b, 1));
    EXPECT_EQ(32767, at16(b, 2));
}

TEST_F(Paste, EightBitMonoLowRateIntoSixteenBitStereoDoubleRate)
{
    /* Widened, resampled by linear interpolation, duplicated into both channels. */
    open(2, 16, 22050, Bytes{});
    Bytes src{128, 192, 64};
    PasteRequest r = req(src, 1, 8, 11025);
    EXPECT_EQ(6u, pasteFrames(&r));
    pasteCopies(&r);
    Bytes b = all();
    ASSERT_EQ(24u, b.size());
    int want[6] = {0, 8192, 16384, 0, -16384, -16384};
    for (int f = 0; f < 6; f++) {
        EXPECT_EQ(want[f], at16(b, 2 * f)) << "frame " << f;
        EXPECT_EQ(want[f], at16(b, 2 * f + 1)) << "frame " << f;
    }
}

TEST_F(Paste, SixteenBitIntoEightBitNarrowsPlainlyOrWithDither)
{
    open(1, 8, 8000, Bytes{});
    Bytes src = s16({0, 256, -256, 32767, -32768});
    PasteRequest r = req(src, 1, 16, 8000);
    pasteCopies(&r);
    EXPECT_EQ((Bytes{128, 129, 127, 255, 0}), all());

    /* Dithered narrowing stays within one step of the plain result on a steady signal. */
    open(1, 8, 8000, Bytes{});
    Bytes steady = s16({1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000});
    r = req(steady, 1, 16, 8000);
    r.smooth = 1;
    pasteCopies(&r);
    for (uint8_t v : all())
        EXPECT_NEAR(131, v, 2);
}

TEST_F(Paste, DownsamplingPicksEarlierFrames)
{
    open(1, 16, 4000, Bytes{});
    Bytes src = s16({10, 20, 30, 40, 50, 60, 70, 80});
    PasteRequest r = req(src, 1, 16, 8000);
    EXPECT_EQ(4u, pasteFrames(&r));
    pasteCopies(&r);
    Bytes b = all();
    ASSERT_EQ(8u, b.size());
    EXPECT_EQ(10, at16(b, 0));
    EXPECT_EQ(30, at16(b, 1));
    EXPECT_EQ(50, at16(b, 2));
    EXPECT_EQ(70, at16(b, 3));
}

/* 3. Pieces: a long resampled source joins without seams, the same as computed at once. */
TEST_F(Paste, ResampledPiecesJoinExactly)
{
    const uint32_t n = 50000;
    Bytes src;
    for (uint32_t i = 0; i < n; i++) {
        int v = (int)(12000 * std::sin(i * 0.013)) + (int)(i % 97) * 50;
        src.push_back((uint8_t)(v & 0xFF));
        src.push_back((uint8_t)((v >> 8) & 0xFF));
    }
    for (uint32_t rate : {44100u, 16000u}) {
        open(1, 16, rate, Bytes{});
        PasteRequest r = req(src, 1, 16, 22050);
        uint32_t m = pasteFrames(&r);
        EXPECT_EQ((uint64_t)n * rate / 22050, m);
        pasteCopies(&r);
        Bytes b = all();
        ASSERT_EQ((size_t)m * 2, b.size());
        for (uint32_t k = 0; k < m; k++) {
            uint64_t num = (uint64_t)k * 22050;
            uint32_t i = (uint32_t)(num / rate);
            int a = at16(src, i), bb = i + 1 < n ? at16(src, i + 1) : a;
            int want = rate > 22050 ? (int)(a + (bb - a) * ((double)(num % rate) / rate)) : a;
            if (at16(b, k) != want) {
                ADD_FAILURE() << "rate " << rate << " frame " << k << ": " << at16(b, k) << " != " << want;
                break;
            }
        }
    }
}

TEST_F(Paste, FastPathRepeatsTheClipUnchanged)
{
    open(2, 16, 8000, Bytes{});
    Bytes src = s16({-32768, 5, 7, -9});
    PasteRequest r = req(src, 2, 16, 8000);
    r.repetitions = 3;
    EXPECT_EQ(24u, pasteCopies(&r));
    Bytes b = all();
    for (int k = 0; k < 3; k++)
        EXPECT_TRUE(std::equal(src.begin(), src.end(), b.begin() + 8 * k));
    EXPECT_EQ(1u, Wave.passes);
}

TEST_F(Paste, CancelStopsAfterTheCurrentPiece)
{
    open(1, 16, 8000, Bytes{});
    Bytes src(200000, 1);
    PasteRequest r = req(src, 1, 16, 8000);
    r.leftVolume = 0.5;   /* the slow path, which works in pieces */
    r.cancelled = [] { return 1; };
    uint64_t n = pasteCopies(&r);
    EXPECT_GT(n, 0u);
    EXPECT_LT(n, src.size());
    EXPECT_EQ(n, Wave.dataLength);
}

TEST_F(Paste, NoWorkBufferWritesNothing)
{
    open(1, 16, 8000, s16({1, 2}));
    Bytes src = s16({100, 100});
    PasteRequest r = req(src, 1, 16, 8000);
    r.leftVolume = 0.5;
    OsFault.allocBudget = 0;
    EXPECT_EQ(0u, pasteCopies(&r));
    osFaultReset();
    EXPECT_EQ(s16({1, 2}), all());
}

} // namespace
