/*
 * test_voccore.cpp - the Creative Voice core natively: ours to ours (also split into
 * continuation blocks), hand-built files with old sound blocks, the extended block, silence,
 * repeats and markers, and damaged files (cut anywhere, bytes flipped, absurd repeats).
 */
#include "filters/voc/voccore.h"
#include "filters/common/zcodec.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <string.h>

typedef std::vector<uint8_t> Buf;

namespace {

Buf readAll(ZReader *r)
{
    Buf out, b(4096);
    uint32_t n;
    while ((n = zrRead(r, b.data(), 4096)) > 0)
        out.insert(out.end(), b.begin(), b.begin() + n);
    return out;
}

Buf item(ZReader *r, int code)
{
    uint32_t n = zrSpecialSize(r, code);
    Buf b(n);
    if (n)
        zrReadSpecial(r, code, b.data(), n);
    return b;
}

Buf writeVoc(uint16_t bits, uint16_t ch, uint32_t rate, const Buf &data, const char *note, uint32_t blockMax = 0)
{
    std::string path = zt::tempPath("core.voc");
    ZWriter *w = vocfCreate(path.c_str(), rate, bits, ch, (uint32_t)data.size(), 1);
    EXPECT_TRUE(w);
    if (!w)
        return Buf();
    if (blockMax)
        w->blockMax = blockMax;
    if (note)
        zwKeepItem(w, 21, note, (uint32_t)strlen(note) + 1);
    EXPECT_EQ(vocfBegin(w), 0);
    for (size_t at = 0; at < data.size(); at += 555)
        zwPut(w, data.data() + at, (uint32_t)std::min<size_t>(555, data.size() - at));
    EXPECT_EQ(vocfFinish(w), 0);
    EXPECT_EQ(zwClose(w), 0);
    delete w;
    Buf b;
    FILE *f = fopen(path.c_str(), "rb");
    int c;
    while ((c = fgetc(f)) != EOF)
        b.push_back((uint8_t)c);
    fclose(f);
    return b;
}

Buf head()
{
    Buf b = {'C', 'r', 'e', 'a', 't', 'i', 'v', 'e', ' ', 'V', 'o', 'i', 'c', 'e', ' ', 'F', 'i', 'l', 'e', 0x1A,
             0x1A, 0x00, 0x0A, 0x01, 0x29, 0x11};
    return b;
}

void block(Buf &f, int type, const Buf &body)
{
    f.push_back((uint8_t)type);
    uint8_t n[3];
    zcPutLe24(n, (uint32_t)body.size());
    f.insert(f.end(), n, n + 3);
    f.insert(f.end(), body.begin(), body.end());
}

} // namespace

/* ---- 1. Ours to ours ---- */

TEST(VocCoreRoundTrip, SamplesAndTheCommentByteForByte)
{
    for (uint32_t blockMax : {0u, 100u})
        for (int bits : {8, 16})
            for (int ch : {1, 2}) {
                Buf data((size_t)(1001 * ch * bits / 8));
                for (size_t i = 0; i < data.size(); i++)
                    data[i] = (uint8_t)(i * 11 + i / 9);
                Buf file = writeVoc((uint16_t)bits, (uint16_t)ch, 22050, data, "a comment", blockMax);
                EXPECT_EQ(file.back(), 0) << "a terminator ends the file";
                const char *why = NULL;
                ZReader *r = vocfOpenMemory(file.data(), file.size(), &why);
                ASSERT_TRUE(r) << why;
                EXPECT_EQ(r->rate, 22050u);
                EXPECT_EQ(r->bits, bits);
                EXPECT_EQ(r->channels, ch);
                EXPECT_FALSE(r->truncated);
                EXPECT_EQ(readAll(r), data) << blockMax << " " << bits << " " << ch;
                EXPECT_EQ(item(r, 21), Buf({'a', ' ', 'c', 'o', 'm', 'm', 'e', 'n', 't', 0}));
                zrFree(r);
            }
    EXPECT_FALSE(vocfCreate(zt::tempPath("x.voc").c_str(), 8000, 24, 1, 0, 1));
}

/* ---- 2. Files made by others ---- */

TEST(VocCoreRead, OldBlocksSilenceRepeatsAndMarkers)
{
    Buf f = head();
    block(f, 5, {'h', 'i', 0});
    block(f, 1, {256 - 125, 0, 10, 20});           /* 8000 Hz, 8-bit */
    block(f, 4, {7, 0});                           /* marker 7 at frame 2 */
    block(f, 3, {2, 0, 256 - 125});                /* 3 frames of silence */
    block(f, 6, {3, 0});                           /* play 3 times */
    block(f, 2, {30});
    block(f, 3, {0, 0, 256 - 125});
    block(f, 7, {});
    block(f, 42, {1, 2, 3});                       /* unknown: skipped */
    block(f, 2, {40});
    f.push_back(0);
    f.insert(f.end(), {99, 99, 99});               /* after the terminator: ignored */
    ZReader *r = vocfOpenMemory(f.data(), f.size(), NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rate, 8000u);
    EXPECT_EQ(r->bits, 8);
    EXPECT_EQ(readAll(r), Buf({10, 20, 0x80, 0x80, 0x80, 30, 0x80, 30, 0x80, 30, 0x80, 40}));
    Buf cue(24, 0);
    cue[0] = 7; cue[4] = 2; memcpy(&cue[8], "data", 4); cue[20] = 2;
    EXPECT_EQ(item(r, 40), cue);
    EXPECT_EQ(item(r, 21), Buf({'h', 'i', 0, 0}));
    zrFree(r);

    /* The extended block makes the next sound block stereo at its own rate. */
    f = head();
    uint32_t tc = 65536 - 256000000 / (2 * 11025);
    block(f, 8, {(uint8_t)tc, (uint8_t)(tc >> 8), 0, 1});
    block(f, 1, {0, 0, 1, 2, 3, 4});
    r = vocfOpenMemory(f.data(), f.size(), NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->channels, 2);
    EXPECT_NEAR((double)r->rate, 11025.0, 2.0);
    EXPECT_EQ(readAll(r), Buf({1, 2, 3, 4}));
    zrFree(r);

    /* Typed blocks: u-law; a later block of another layout ends the data there. */
    f = head();
    block(f, 9, {0x40, 0x1F, 0, 0, 8, 1, 7, 0, 0, 0, 0, 0, 0xFF, 0x00});
    block(f, 9, {0x40, 0x1F, 0, 0, 16, 1, 4, 0, 0, 0, 0, 0, 1, 2});
    r = vocfOpenMemory(f.data(), f.size(), NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rate, 8000u);
    EXPECT_EQ(readAll(r), Buf({0, 0, 0x84, 0x82}));
    zrFree(r);
}

/* ---- 3. Damage ---- */

TEST(VocCoreDamage, RefusedWithAReasonOrReadUpToTheDamage)
{
    const char *why = NULL;
    Buf adpcm = head();
    block(adpcm, 1, {256 - 125, 1, 1, 2, 3});
    Buf cont = head();
    block(cont, 2, {1, 2, 3});
    Buf empty = head();
    Buf small = head();
    small[20] = 4;
    for (const Buf &bad : {adpcm, cont, empty, small}) {
        why = NULL;
        EXPECT_FALSE(vocfOpenMemory(bad.data(), bad.size(), &why));
        EXPECT_TRUE(why);
    }
    why = "x";
    Buf other = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(vocfOpenMemory(other.data(), other.size(), &why));
    EXPECT_FALSE(why);

    Buf data(600);
    for (size_t i = 0; i < data.size(); i++) data[i] = (uint8_t)(i * 5);
    Buf file = writeVoc(16, 2, 8000, data, "c", 200);
    for (size_t n = 0; n < file.size(); n++) {
        ZReader *r = vocfOpenMemory(file.data(), n, NULL);
        if (r) {
            Buf got = readAll(r);
            EXPECT_EQ(got.size(), r->bytes);
            EXPECT_EQ(got.size() % 4, 0u);
            EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin())) << n;
            /* Cut inside the samples: everything before the cut comes out. */
            if (n >= 48 && n < 48 + 200) {
                EXPECT_EQ(got.size(), (n - 48) / 4 * 4) << n;
            }
            zrFree(r);
        }
    }
    for (size_t i = 20; i < 60; i++)
        for (uint8_t x : {0x01, 0x80, 0xFF}) {
            Buf f = file;
            f[i] ^= x;
            ZReader *r = vocfOpenMemory(f.data(), f.size(), NULL);
            if (r) {
                EXPECT_EQ(readAll(r).size(), r->bytes);
                zrFree(r);
            }
        }
    /* 65534 plays of a 16 MB silence inside a repeat: bounded by what the host can take. */
    Buf huge = head();
    block(huge, 1, {256 - 125, 0, 1});
    block(huge, 6, {0xFE, 0xFF});
    for (int i = 0; i < 300; i++)
        block(huge, 3, {0xFF, 0xFF, 256 - 125});
    block(huge, 7, {});
    ZReader *r = vocfOpenMemory(huge.data(), huge.size(), NULL);
    ASSERT_TRUE(r);
    EXPECT_GT(r->bytes, 1000000u);
    EXPECT_LE(r->segs.size(), 200000u);
    Buf tail(1000);
    zrSeek(r, r->bytes - 1000);
    EXPECT_EQ(zrRead(r, tail.data(), 1000), 1000u);
    EXPECT_EQ(tail, Buf(1000, 0x80));
    zrFree(r);
}
