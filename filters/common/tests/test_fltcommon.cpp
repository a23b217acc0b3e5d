/*
 * test_fltcommon.cpp - the codecs and the shared sample reader and writer of the bundled
 * filters: G.711 both ways, the 80-bit rate, conversion of every stored layout to canonical
 * PCM, segments of silence between stored ones, and whole frames out of ragged writes.
 */
#include "filters/common/zcodec.h"
#include "filters/common/zpcm.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <string.h>

typedef std::vector<uint8_t> Buf;

/* ---- 1. Codecs ---- */

TEST(FltCodec, G711CodesSurviveDecodeEncode)
{
    for (int c = 0; c < 256; c++) {
        int16_t u = zcUlawToLinear((uint8_t)c), a = zcAlawToLinear((uint8_t)c);
        /* u-law has two zeros (0x7F and 0xFF); both decode to 0, which encodes as 0xFF. */
        if (u != 0) {
            EXPECT_EQ(zcLinearToUlaw(u), c) << c;
        }
        EXPECT_EQ(zcLinearToAlaw(a), c) << c;
    }
    EXPECT_EQ(zcUlawToLinear(0x00), -32124);
    EXPECT_EQ(zcUlawToLinear(0x80), 32124);
    EXPECT_EQ(zcAlawToLinear(0xD5), 8);
    EXPECT_EQ(zcAlawToLinear(0x2A), -32256);
    /* Encoding picks the nearest code's segment: the extremes clip instead of wrapping. */
    /* Rounded to 14 (13) bits first, as sox does: all 65536 values were checked against
       sox's own encoding; these are the ones where truncating would differ. */
    EXPECT_EQ(zcLinearToUlaw(-1), 0xFF);
    EXPECT_EQ(zcLinearToUlaw(0), 0xFF);
    EXPECT_EQ(zcLinearToUlaw(-5), 0x7E);
    EXPECT_EQ(zcLinearToUlaw(-31610), 0x01);
    EXPECT_EQ(zcLinearToAlaw(-1), 0xD5);
    EXPECT_EQ(zcLinearToAlaw(-9), 0x55);
    EXPECT_EQ(zcLinearToAlaw(-31748), 0x2B);
    EXPECT_EQ(zcLinearToAlaw(0), 0xD5);
    EXPECT_EQ(zcLinearToUlaw(32767), 0x80);
    EXPECT_EQ(zcLinearToUlaw(-32768), 0x00);
    EXPECT_EQ(zcLinearToAlaw(32767), 0xAA);
    EXPECT_EQ(zcLinearToAlaw(-32768), 0x2A);
    /* Monotonic: a louder input never encodes to a quieter code. */
    int16_t last = -32768;
    for (int s = -32768; s <= 32767; s += 7) {
        int16_t d = zcUlawToLinear(zcLinearToUlaw((int16_t)s));
        EXPECT_GE(d, last);
        last = d;
    }
}

TEST(FltCodec, ExtendedRateBothWays)
{
    const uint8_t r44100[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(zcExt80ToRate(r44100), 44100u);
    uint8_t b[10];
    for (uint32_t rate : {1u, 8000u, 11025u, 22050u, 44100u, 48000u, 96000u, 192000u, 0xFFFFFFFEu}) {
        zcRateToExt80(rate, b);
        EXPECT_EQ(zcExt80ToRate(b), rate);
    }
    zcRateToExt80(44100, b);
    EXPECT_EQ(0, memcmp(b, r44100, 10));
    const uint8_t neg[10] = {0xC0, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    const uint8_t inf[10] = {0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0};
    const uint8_t huge[10] = {0x40, 0x3E, 0x80, 0, 0, 0, 0, 0, 0, 0};
    const uint8_t zero[10] = {0};
    const uint8_t fraction[10] = {0x3F, 0xFD, 0x80, 0, 0, 0, 0, 0, 0, 0};   /* 0.125 */
    EXPECT_EQ(zcExt80ToRate(neg), 0u);
    EXPECT_EQ(zcExt80ToRate(inf), 0u);
    EXPECT_EQ(zcExt80ToRate(huge), 0u);
    EXPECT_EQ(zcExt80ToRate(zero), 0u);
    EXPECT_EQ(zcExt80ToRate(fraction), 0u);
}

/* ---- 2. Reading ---- */

static Buf readAll(ZReader *r, uint32_t piece)
{
    Buf out, b(piece);
    uint32_t n;
    while ((n = zrRead(r, b.data(), piece)) > 0)
        out.insert(out.end(), b.begin(), b.begin() + n);
    return out;
}

TEST(FltReader, EveryLayoutBecomesCanonical)
{
    struct Case { int enc; Buf in; Buf out; } cases[] = {
        {ZE_U8, {0x00, 0x80, 0xFF}, {0x00, 0x80, 0xFF}},
        {ZE_S8, {0x80, 0x00, 0x7F}, {0x00, 0x80, 0xFF}},
        {ZE_S16LE, {0x34, 0x12, 0x00, 0x80}, {0x34, 0x12, 0x00, 0x80}},
        {ZE_S16BE, {0x12, 0x34, 0x80, 0x00}, {0x34, 0x12, 0x00, 0x80}},
        {ZE_U16LE, {0x00, 0x00, 0xFF, 0xFF}, {0x00, 0x80, 0xFF, 0x7F}},
        {ZE_U16BE, {0x80, 0x01}, {0x01, 0x00}},
        /* 24 bits: half up, and the top clips instead of wrapping to -32768. */
        {ZE_S24BE, {0x12, 0x34, 0x80, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, {0x35, 0x12, 0xFF, 0x7F, 0xFF, 0xFF}},
        {ZE_S24LE, {0x80, 0x34, 0x12}, {0x35, 0x12}},
        {ZE_S32BE, {0x12, 0x34, 0x56, 0x78}, {0x34, 0x12}},
        {ZE_S32LE, {0x78, 0x56, 0x34, 0x12}, {0x34, 0x12}},
        {ZE_F32BE, {0x3F, 0x00, 0x00, 0x00, 0xBF, 0x80, 0, 0, 0x40, 0, 0, 0}, {0x00, 0x40, 0x00, 0x80, 0xFF, 0x7F}},
        {ZE_F64BE, {0x3F, 0xE0, 0, 0, 0, 0, 0, 0}, {0x00, 0x40}},
        {ZE_ULAW, {0x00, 0xFF}, {0x84, 0x82, 0x00, 0x00}},
        {ZE_ALAW, {0xD5}, {0x08, 0x00}},
    };
    for (const Case &c : cases) {
        ZReader *r = new ZReader();
        zsOpenMemory(&r->src, c.in.data(), c.in.size());
        r->enc = c.enc;
        r->fileChannels = 1;
        zrAddStored(r, 0, (uint32_t)(c.in.size() / zpBytesPer(c.enc)));
        ASSERT_EQ(zrFinishOpen(r), 0);
        EXPECT_EQ(r->bytes, c.out.size()) << c.enc;
        EXPECT_EQ(readAll(r, 64), c.out) << c.enc;
        EXPECT_FALSE(r->truncated);
        zrFree(r);
    }
}

TEST(FltReader, SilenceSegmentsAndExtraChannelsAndTruncation)
{
    /* 3-channel 16-bit BE: only the first two are delivered. */
    Buf file = {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7};
    ZReader *r = new ZReader();
    zsOpenMemory(&r->src, file.data(), file.size());
    r->enc = ZE_S16BE;
    r->fileChannels = 3;
    EXPECT_EQ(zrAddStored(r, 0, 1), 1u);
    zrAddSilence(r, 2);
    EXPECT_EQ(zrAddStored(r, 0, 5), 2u) << "only two whole frames remain in 14 bytes";
    EXPECT_TRUE(r->truncated);
    ASSERT_EQ(zrFinishOpen(r), 0);
    EXPECT_EQ(r->channels, 2);
    Buf want = {1, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2, 0, 4, 0, 5, 0};
    EXPECT_EQ(readAll(r, 4), want);
    EXPECT_EQ(zrSeek(r, 7), 4u);
    EXPECT_EQ(readAll(r, 1000), Buf(want.begin() + 4, want.end()));
    EXPECT_EQ(zrSeek(r, 1000), 20u);
    zrFree(r);
}

TEST(FltReader, EmptyReadsTouchNoBuffer)
{
    /* A chunk of size 0 asks for 0 bytes into an empty vector's NULL data (found by fuzzing). */
    const uint8_t img[4] = {1, 2, 3, 4};
    ZSource s;
    zsOpenMemory(&s, img, sizeof img);
    EXPECT_EQ(zsRead(&s, 1, NULL, 0), 0u);
    uint8_t b[8];
    EXPECT_EQ(zsRead(&s, 2, b, 8), 2u);
    EXPECT_EQ(zsRead(&s, 4, b, 8), 0u);
    EXPECT_EQ(zsRead(&s, 0xFFFFFFFFFFull, b, 8), 0u);
}

TEST(FltReader, FramesTooWideForOneConversionAreRefused)
{
    /* 2049 channels of 32-bit samples: a stored frame wider than the conversion buffer would
       make every read convert nothing and spin forever. */
    Buf file(2049 * 4 * 3, 0x11);
    ZReader *r = new ZReader();
    zsOpenMemory(&r->src, file.data(), file.size());
    r->enc = ZE_S32BE;
    r->fileChannels = 2049;
    zrAddStored(r, 0, 3);
    EXPECT_NE(zrFinishOpen(r), 0);
    r->fileChannels = 2048;
    r->segs.clear();
    zrAddStored(r, 0, 3);
    ASSERT_EQ(zrFinishOpen(r), 0);
    EXPECT_EQ(readAll(r, 1000).size(), 12u);
    zrFree(r);
}

TEST(FltReader, ItemsComeOutInOrderPerCode)
{
    ZReader *r = new ZReader();
    zrAddItem(r, 21, "one", 4);
    zrAddItem(r, 28, "n", 2);
    zrAddItem(r, 21, "two!", 5);
    zrAddItem(r, 21, "", 0);
    EXPECT_EQ(zrSpecialSize(r, 21), 4u);
    char b[16];
    memset(b, 0x66, sizeof b);
    EXPECT_EQ(zrReadSpecial(r, 21, b, 2), 2u);
    EXPECT_EQ(b[2], 0x66);
    EXPECT_EQ(zrSpecialSize(r, 21), 5u);
    EXPECT_EQ(zrReadSpecial(r, 21, b, 16), 5u);
    EXPECT_STREQ(b, "two!");
    EXPECT_EQ(zrSpecialSize(r, 21), 0u);
    EXPECT_EQ(zrReadSpecial(r, 21, b, 16), 0u);
    EXPECT_EQ(zrSpecialSize(r, 28), 2u);
    EXPECT_EQ(zrSpecialSize(r, 99), 0u);
    EXPECT_EQ(zrSpecialSize(r, -1), 0u);
    zrFree(r);
}

/* ---- 3. Writing ---- */

TEST(FltWriter, RaggedPiecesBecomeWholeFramesInTheLayout)
{
    std::string path = zt::tempPath("zpcm_w.bin");
    ZWriter w;
    w.f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(w.f);
    w.enc = ZE_S16BE;
    w.bits = 16;
    w.channels = 2;
    Buf in = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(zwPut(&w, in.data(), 3), 3u);
    EXPECT_EQ(zwPut(&w, in.data() + 3, 6), 6u);
    EXPECT_EQ(w.frames, 2u);
    EXPECT_EQ(w.nPartial, 1);
    EXPECT_EQ(zwClose(&w), 0);
    FILE *f = fopen(path.c_str(), "rb");
    uint8_t got[16];
    size_t n = fread(got, 1, sizeof got, f);
    fclose(f);
    EXPECT_EQ(Buf(got, got + n), Buf({2, 1, 4, 3, 6, 5, 8, 7}));

    /* 8-bit canonical into signed and u-law layouts, 16-bit into unsigned. */
    for (int enc : {ZE_S8, ZE_ULAW, ZE_ALAW, ZE_U16LE}) {
        ZWriter v;
        v.f = fopen(path.c_str(), "wb");
        v.enc = enc;
        v.bits = enc == ZE_S8 ? 8 : 16;
        v.channels = 1;
        Buf s = enc == ZE_S8 ? Buf({0x00, 0x80, 0xFF}) : Buf({0x00, 0x00, 0xFF, 0x7F});
        zwPut(&v, s.data(), (uint32_t)s.size());
        zwClose(&v);
        f = fopen(path.c_str(), "rb");
        n = fread(got, 1, sizeof got, f);
        fclose(f);
        Buf want = enc == ZE_S8 ? Buf({0x80, 0x00, 0x7F}) : enc == ZE_ULAW ? Buf({0xFF, 0x80})
                 : enc == ZE_ALAW ? Buf({0xD5, 0xAA}) : Buf({0x00, 0x80, 0xFF, 0xFF});
        EXPECT_EQ(Buf(got, got + n), want) << enc;
    }
}
