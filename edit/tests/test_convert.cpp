/*
 * test_convert.cpp - Convert Sample Type over the store: each step's arithmetic, their
 * order, the noise-shaped dither against a reference written here from its description,
 * the positions carried to a new rate, a missing Resample module, Cancel, and the store
 * used from inside the meter's pump while a step runs.
 *
 * The resampling itself is the Resample module's (a DLL, tested with the module and end to
 * end); here the hook stands in with a plain sample-and-hold to the exact new length, which
 * is enough to see that the steps around it run in order and on the right data.
 */
#include "edit/convert.h"
#include "fixture.h"

#include <math.h>

namespace {

/* ---- the dither, written again from its description ---- */
struct RefDither {
    int32_t slot[2][12] = {};
    uint32_t B[7] = {1000, 3000, 5000, 7000, 9000, 11000, 13000};
    int k = 0;
    uint32_t acc = 0;
    int32_t noise()
    {
        static const uint32_t A[7] = {20011, 5591, 3407, 11471, 18671, 4337, 8861};
        k = (k + 1) % 7;
        B[k] = (B[(k + 3) % 7] + A[k] + B[k]) % 30000;
        int32_t d = (int32_t)(acc % 69) - 34;
        acc = (B[k] + acc) % 30000;
        return d;
    }
    uint8_t narrow(int32_t x, int ch)
    {
        int32_t *s = slot[ch];
        int32_t v = x + s[0] + noise();
        for (int i = 0; i < 11; i++)
            s[i] = s[i + 1];
        s[11] = 0;
        int32_t e = v & 255;
        for (int i = 0; i < 7; i++)
            s[i] += e >> (i + 1);
        int32_t o = (v >> 8) + 128;
        return (uint8_t)(o < 0 ? 0 : o > 255 ? 255 : o);
    }
};

/* A known input: a slow sine with a little of everything (quiet parts, full scale, clips). */
static std::vector<int16_t> knownInput(size_t n)
{
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; i++) {
        double s = 33000.0 * sin((double)i * 0.013) * (i % 700 < 350 ? 1.0 : 0.01);
        v[i] = (int16_t)(s > 32767 ? 32767 : s < -32768 ? -32768 : s);
    }
    return v;
}

static Bytes bytes16(const std::vector<int16_t> &v)
{
    Bytes b(v.size() * 2);
    for (size_t i = 0; i < v.size(); i++) {
        b[2 * i] = (uint8_t)v[i];
        b[2 * i + 1] = (uint8_t)((uint16_t)v[i] >> 8);
    }
    return b;
}

/* ---- the stand-in resampler and the meter ---- */
struct Calls {
    int resamples = 0;
    uint8_t block[12] = {};
    int cancelAtStep = -1;     /* the step report that answers Cancel */
    int steps = 0;
    int pumpReads = 0;         /* store calls made from inside the meter */
    std::vector<std::string> captions;
    int result = CONVERT_DONE;
};
Calls C;

static uint32_t le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

static int holdResample(const uint8_t block[12])
{
    C.resamples++;
    memcpy(C.block, block, 12);
    if (C.result != CONVERT_DONE)
        return C.result;
    uint32_t want = le32(block), have = Doc.sampleRate;
    EXPECT_EQ(16, Wave.bitsPerSample) << "the rate changes on 16-bit data";
    uint32_t ba = Wave.blockAlign, n = docFrames();
    uint32_t m = (uint32_t)(((uint64_t)n * want * 2 + have) / (2ull * have));
    Bytes in(Wave.dataLength), out((size_t)m * ba);
    vocRead(in.data(), 0, (uint32_t)in.size());
    for (uint32_t j = 0; j < m; j++) {
        uint64_t i = (uint64_t)j * have / want;
        memcpy(&out[(size_t)j * ba], &in[(size_t)(i < n ? i : n - 1) * ba], ba);
    }
    vocCut(0, Wave.dataLength);
    vocAppend(out.data(), (uint32_t)out.size());
    Doc.selStart = 0;             /* as DoXfm leaves it */
    Doc.selEnd = m - 1;
    return CONVERT_DONE;
}

static void meterOpen(const char *caption) { C.captions.push_back(caption); }
static void meterClose(void) {}
static int meterStep(uint32_t, uint32_t)
{
    /* What a paint or a playback refill would do inside the pump: read the store
       elsewhere, and write back what is there. */
    uint8_t b[64];
    if (Wave.dataLength >= 64 && vocRead(b, (int32_t)(Wave.dataLength - 64), 64) == 0 &&
        vocWriteAt(b, (int32_t)(Wave.dataLength - 64), 64) == 0)
        C.pumpReads++;
    return C.steps++ == C.cancelAtStep;
}

class Convert_ : public EditTest {
public:
    zt::MessageRecorder messages;
    void SetUp() override
    {
        EditTest::SetUp();
        C = Calls();
        Convert.hook = ConvertHooks();
        Convert.hook.resample = holdResample;
        Convert.hook.progressOpen = meterOpen;
        Convert.hook.progressClose = meterClose;
        Convert.hook.step = meterStep;
    }
    static ConvertTargets to(uint32_t rate, uint16_t bits, uint16_t channels, double left = 1, double right = 1,
                             int dither = 0, int quality = 2)
    {
        ConvertTargets t;
        convertDefaults(&t);
        t.rate = rate;
        t.bits = bits;
        t.channels = channels;
        t.left = left;
        t.right = right;
        t.dither = (int16_t)dither;
        t.quality = (int16_t)quality;
        return t;
    }
};

} // namespace

TEST_F(Convert_, DitherMatchesItsDescriptionForTheFirstThousandBytes)
{
    /* Mono: one delay line; then stereo, where the generator is shared and the samples
       alternate between the two lines.  Both from program start. */
    for (int stereo = 0; stereo < 2; stereo++) {
        ditherReset();
        std::vector<int16_t> in = knownInput(1000);
        open(stereo ? 2 : 1, 16, 22050, bytes16(in));
        ConvertTargets t = to(0, 8, 0, 1, 1, 1);
        ASSERT_EQ(CONVERT_DONE, convertRun(&t));
        Bytes got = all();
        ASSERT_EQ(1000u, got.size());
        RefDither ref;
        for (size_t i = 0; i < 1000; i++)
            ASSERT_EQ(ref.narrow(in[i], stereo ? (int)(i & 1) : 0), got[i]) << "byte " << i << (stereo ? " stereo" : " mono");
        EXPECT_EQ(8, Wave.bitsPerSample);
        EXPECT_EQ(stereo ? 2 : 1, Wave.blockAlign);
        tempStoreTeardown(1);
    }
}

TEST_F(Convert_, DitherStateCarriesOnFromOneConversionToTheNext)
{
    std::vector<int16_t> in = knownInput(40000);   /* more than one piece */
    RefDither ref;
    for (int round = 0; round < 2; round++) {
        open(1, 16, 22050, bytes16(in));
        ConvertTargets t = to(0, 8, 0, 1, 1, 1);
        ASSERT_EQ(CONVERT_DONE, convertRun(&t));
        Bytes got = all();
        ASSERT_EQ(in.size(), got.size());
        for (size_t i = 0; i < in.size(); i++)
            ASSERT_EQ(ref.narrow(in[i], 0), got[i]) << "round " << round << " byte " << i;
        tempStoreTeardown(1);
    }
}

TEST_F(Convert_, NarrowingWithoutDitherAndWideningAreExact)
{
    open(1, 16, 8000, s16({-32768, -257, -256, -1, 0, 255, 256, 32767}));
    ConvertTargets t = to(0, 8, 0);
    ASSERT_EQ(CONVERT_DONE, convertRun(&t));
    EXPECT_EQ((Bytes{0, 126, 127, 127, 128, 128, 129, 255}), all());
    t = to(0, 16, 0);
    ASSERT_EQ(CONVERT_DONE, convertRun(&t));
    EXPECT_EQ(s16({-32768, -512, -256, -256, 0, 0, 256, 32512}), all());
    EXPECT_EQ(0, C.resamples);
    EXPECT_EQ((std::vector<std::string>{"Converting 16-bit to 8-bit", "Converting 8-bit to 16-bit"}), C.captions);
}

TEST_F(Convert_, StereoToMonoAveragesAtHalfAndClipsAtFull)
{
    Bytes st = s16({30000, 30000, -30000, -30000, 1000, -3001, -1, 0});
    open(2, 16, 44100, st);
    ConvertTargets half = to(0, 0, 1, 0.5, 0.5);
    ASSERT_EQ(CONVERT_DONE, convertRun(&half));
    EXPECT_EQ(1, Wave.channels);
    EXPECT_EQ(s16({30000, -30000, 500 + -1501, -1 + 0}), all()) << "floor of each half, summed";
    tempStoreTeardown(1);

    open(2, 16, 44100, st);
    ConvertTargets full = to(0, 0, 1);
    ASSERT_EQ(CONVERT_DONE, convertRun(&full));
    EXPECT_EQ(s16({32767, -32768, -2001, -1}), all()) << "the defaults sum the channels and clip";
    tempStoreTeardown(1);

    /* 8-bit: the mix is of the values around 128. */
    open(2, 8, 11025, Bytes{255, 255, 0, 0, 128, 200, 100, 156});
    ASSERT_EQ(CONVERT_DONE, convertRun(&full));
    EXPECT_EQ((Bytes{255, 0, 200, 128}), all());
}

TEST_F(Convert_, MonoToStereoSpreadsWithTheMixes)
{
    open(1, 16, 22050, s16({1000, -1000, 32767}));
    ConvertTargets t = to(0, 0, 2, 1.0, 0.25);
    ASSERT_EQ(CONVERT_DONE, convertRun(&t));
    EXPECT_EQ(2, Wave.channels);
    EXPECT_EQ(4, Wave.blockAlign);
    EXPECT_EQ(s16({1000, 250, -1000, -250, 32767, 8191}), all());
}

TEST_F(Convert_, LongWaveGoesThroughEveryStepInOrder)
{
    /* 8-bit stereo at 11025 to 16-bit mono at 22050 and back again to 8-bit stereo at
       11025: long enough for many pieces of every step. */
    Bytes in(2 * 100001);
    for (size_t i = 0; i < in.size(); i++)
        in[i] = (uint8_t)(i & 1 ? 128 + (i / 2) % 50 : 128 - (i / 2) % 40);
    open(2, 8, 11025, in);
    ConvertTargets t = to(22050, 16, 1, 0.5, 0.5);
    ASSERT_EQ(CONVERT_DONE, convertRun(&t));
    EXPECT_EQ(22050u, Doc.sampleRate);
    EXPECT_EQ(16, Wave.bitsPerSample);
    EXPECT_EQ(1, Wave.channels);
    ASSERT_EQ(200002u, docFrames());
    Bytes out = all();
    for (size_t j = 0; j < 200002; j += 997) {
        size_t i = j / 2;
        int l = (int)in[2 * i] - 128, r = (int)in[2 * i + 1] - 128;
        int want = ((l * 256 * 16384) >> 15) + ((r * 256 * 16384) >> 15);
        ASSERT_EQ(want, at16(out, j)) << "frame " << j;
    }
    EXPECT_EQ((std::vector<std::string>{"Converting 8-bit to 16-bit", "Converting Stereo to Mono"}), C.captions);
    EXPECT_GT(C.pumpReads, 3) << "the store was used from inside the meter";

    C.captions.clear();
    ConvertTargets back = to(11025, 8, 2);
    ASSERT_EQ(CONVERT_DONE, convertRun(&back));
    EXPECT_EQ(11025u, Doc.sampleRate);
    EXPECT_EQ(8, Wave.bitsPerSample);
    EXPECT_EQ(2, Wave.channels);
    EXPECT_EQ(100001u, docFrames());
    EXPECT_EQ((std::vector<std::string>{"Converting Mono to Stereo", "Converting 16-bit to 8-bit"}), C.captions);
    Bytes round = all();
    for (size_t i = 0; i < 100001; i += 991) {
        int l = (int)in[2 * i] - 128, r = (int)in[2 * i + 1] - 128;
        int m = (l + r) / 2;   /* the mono value, then the same in both channels */
        EXPECT_NEAR(128 + m, round[2 * i], 1) << "frame " << i;
        EXPECT_EQ(round[2 * i], round[2 * i + 1]);
    }
}

TEST_F(Convert_, EightBitRateChangeWidensResamplesAndNarrowsBack)
{
    Bytes in(5000);
    for (size_t i = 0; i < in.size(); i++)
        in[i] = (uint8_t)(128 + 100 * sin(i * 0.05));
    open(1, 8, 11025, in);
    ConvertTargets t = to(22050, 8, 1, 1, 1, 0, 3);
    ASSERT_EQ(CONVERT_DONE, convertRun(&t));
    EXPECT_EQ(1, C.resamples);
    EXPECT_EQ(22050u, le32(C.block));
    EXPECT_EQ(8, Wave.bitsPerSample);
    EXPECT_EQ(10000u, docFrames());
    Bytes out = all();
    for (size_t j = 0; j < 10000; j++)
        ASSERT_EQ(in[j / 2], out[j]) << "the hold stand-in repeats each sample; widen and plain narrow are exact";
    EXPECT_EQ((std::vector<std::string>{"Converting 8-bit to 16-bit", "Converting 16-bit to 8-bit"}), C.captions);
}

TEST_F(Convert_, TheModuleGetsTheBlockOfItsDirectionAndQuality)
{
    struct Row { uint32_t from, to; int quality; uint16_t first, second; uint32_t length; } rows[] = {
        {44100, 22050, 2, 51, 18, 1000},  {44100, 22050, 3, 149, 18, 2500}, {44100, 22050, 1, 69, 2, 2000},
        {22050, 44100, 2, 99, 2, 2000},   {22050, 44100, 3, 199, 2, 2000},  {22050, 44100, 1, 49, 2, 2000},
        {22050, 22050, 3, 199, 2, 2000},  {44100, 8000, 4, 255, 18, 4000},  {8000, 48000, 4, 255, 2, 4000},
    };
    for (const Row &r : rows) {
        uint8_t b[12];
        convertResampleBlock(r.from, r.to, r.quality, b);
        EXPECT_EQ(r.to, le32(b));
        EXPECT_EQ(r.second, b[4] | b[5] << 8);
        EXPECT_EQ(r.first, b[6] | b[7] << 8);
        EXPECT_EQ(r.length, le32(b + 8)) << r.from << "->" << r.to << " q" << r.quality;
    }
}

TEST_F(Convert_, PositionsFollowTheRateAndAnAbsentSelectionStaysAbsent)
{
    EXPECT_EQ(DOC_NONE, convertEndAt(DOC_NONE, 44100, 22050));
    EXPECT_EQ(DOC_NONE, convertEndAt(DOC_NONE, 11025, 48000));
    EXPECT_EQ(5u, convertStartAt(11, 44100, 22050));
    EXPECT_EQ(5u, convertEndAt(11, 44100, 22050));      /* frames 0..11 are 0..5 at half */
    EXPECT_EQ(23u, convertEndAt(11, 22050, 44100));     /* and 0..23 at double */
    EXPECT_EQ(4294967294u, convertEndAt(4294967294u, 8000, 8000));

    Bytes in(4 * 44100, 0);
    open(2, 16, 44100, in);
    select(4410, DOC_NONE);           /* a caret, no selection */
    Doc.viewStart = 100;
    Doc.viewEnd = 40000;
    ConvertTargets t = to(22050, 0, 0);
    ASSERT_EQ(CONVERT_DONE, convertRun(&t));
    EXPECT_EQ(22050u, docFrames());
    EXPECT_EQ(2205u, Doc.selStart);
    EXPECT_EQ(DOC_NONE, Doc.selEnd) << "a selection end of 0xFFFFFFFF stays";
    EXPECT_EQ(50u, Doc.viewStart);
    EXPECT_EQ(19999u, Doc.viewEnd);

    select(100, 22049);
    t = to(48000, 0, 0);
    ASSERT_EQ(CONVERT_DONE, convertRun(&t));
    EXPECT_EQ(48000u, docFrames());
    EXPECT_EQ(217u, Doc.selStart);
    EXPECT_EQ(47999u, Doc.selEnd);
}

TEST_F(Convert_, MissingModuleSaysSoKeepsTheRateAndRunsTheOtherSteps)
{
    Convert.hook.resample = NULL;
    open(2, 16, 44100, s16({100, 300, -100, -300}));
    select(0, 1);
    ConvertTargets t = to(22050, 16, 1, 0.5, 0.5);
    ASSERT_EQ(CONVERT_DONE, convertRun(&t));
    ASSERT_EQ(1u, messages.messages.size());
    EXPECT_EQ("Missing 'RESAMPLE.XFM' module.  Zelo Edit can not change sample rates without this module.",
              messages.messages[0].text);
    EXPECT_EQ("Missing Module", messages.messages[0].caption);
    EXPECT_EQ(44100u, Doc.sampleRate);
    EXPECT_EQ(s16({200, -200}), all());
    EXPECT_EQ(1u, Doc.selEnd) << "positions stay when the rate does";
}

TEST_F(Convert_, CancelStopsTheStepAndUndoBringsBackEveryByte)
{
    std::vector<int16_t> v = knownInput(60000);
    Bytes in = bytes16(v);
    open(2, 16, 44100, in);
    ASSERT_EQ(1, undoBegin(IDM_CONVERT, 0, docFrames() - 1, "Undo Convert Sample Type"));
    C.cancelAtStep = 0;   /* the first report of the first step */
    ConvertTargets t = to(0, 8, 1, 0.5, 0.5);
    EXPECT_EQ(CONVERT_CANCELLED, convertRun(&t));
    EXPECT_EQ(0, undoPerform());
    EXPECT_EQ(in, all());
    EXPECT_EQ(2, Wave.channels);
    EXPECT_EQ(16, Wave.bitsPerSample);

    /* The module's own Cancel too. */
    ASSERT_EQ(1, undoBegin(IDM_CONVERT, 0, docFrames() - 1, "Undo Convert Sample Type"));
    C.cancelAtStep = -1;
    C.result = CONVERT_CANCELLED;
    t = to(8000, 0, 0);
    EXPECT_EQ(CONVERT_CANCELLED, convertRun(&t));
    EXPECT_EQ(44100u, Doc.sampleRate);
    EXPECT_EQ(0, undoPerform());
    EXPECT_EQ(in, all());
}

TEST_F(Convert_, NoWorkToDoChangesNothingButTheFlag)
{
    Bytes in = s16({1, 2, 3, 4});
    open(2, 16, 44100, in);
    ConvertTargets t = to(44100, 16, 2);
    ASSERT_EQ(CONVERT_DONE, convertRun(&t));
    EXPECT_EQ(in, all());
    EXPECT_EQ(0, C.resamples);
    EXPECT_TRUE(C.captions.empty());
    ConvertTargets bad = to(300000, 16, 2);
    EXPECT_EQ(CONVERT_FAILED, convertRun(&bad)) << "an absurd rate is refused before anything moves";
    EXPECT_EQ(in, all());
}

TEST_F(Convert_, NoWorkBufferStopsBeforeAnythingMoves)
{
    Bytes in(3000, 77);
    open(1, 8, 8000, in);
    OsFault.allocBudget = 0;       /* no work buffer */
    ConvertTargets t = to(0, 16, 0);
    EXPECT_EQ(CONVERT_FAILED, convertRun(&t));
    osFaultReset();
    EXPECT_EQ(in, all());
    EXPECT_EQ(8, Wave.bitsPerSample);
}

TEST_F(Convert_, UndoOfARateChangeCarriesTheSelectionBack)
{
    open(1, 16, 44100, Bytes(2 * 44100, 0));
    select(4410, 8819);
    ASSERT_EQ(1, undoBegin(IDM_CONVERT, 0, docFrames() - 1, "Undo Convert Sample Type"));
    ConvertTargets t = to(22050, 0, 0);
    ASSERT_EQ(CONVERT_DONE, convertRun(&t));
    EXPECT_EQ(2205u, Doc.selStart);
    EXPECT_EQ(4409u, Doc.selEnd);
    EXPECT_EQ(22049u, Doc.viewEnd);
    ASSERT_EQ(0, undoPerform());
    EXPECT_EQ(44100u, Doc.sampleRate);
    EXPECT_EQ(4410u, Doc.selStart);
    EXPECT_EQ(8819u, Doc.selEnd);
    EXPECT_EQ(44099u, Doc.viewEnd);
}
