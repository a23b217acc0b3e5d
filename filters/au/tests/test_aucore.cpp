/*
 * test_aucore.cpp - the Sun/NeXT audio core natively: our files read back byte for byte in
 * every encoding we write (u-law and A-law through their codes), hand-built headers of every
 * encoding we read (and the little-endian variant), and damaged headers.
 */
#include "filters/au/aucore.h"
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

Buf writeAu(uint16_t bits, uint16_t ch, const Buf &data, uint32_t options, const char *note)
{
    std::string path = zt::tempPath("core.au");
    ZWriter *w = auCreate(path.c_str(), 8000, bits, ch, (uint32_t)data.size(), options);
    EXPECT_TRUE(w);
    if (!w)
        return Buf();
    if (note) {
        EXPECT_TRUE(auCanWriteSpecial(21));
        zwKeepItem(w, 21, note, (uint32_t)strlen(note) + 1);
    }
    EXPECT_EQ(auBegin(w), 0);
    for (size_t at = 0; at < data.size(); at += 777)
        zwPut(w, data.data() + at, (uint32_t)std::min<size_t>(777, data.size() - at));
    EXPECT_EQ(auFinish(w), 0);
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

Buf header(const char *magic, uint32_t offset, uint32_t size, uint32_t enc, uint32_t rate, uint32_t ch,
           int little = 0)
{
    Buf h(24);
    memcpy(h.data(), magic, 4);
    uint32_t v[5] = {offset, size, enc, rate, ch};
    for (int i = 0; i < 5; i++) {
        if (little)
            zcPutLe32(&h[4 + 4 * i], v[i]);
        else
            zcPutBe32(&h[4 + 4 * i], v[i]);
    }
    h.resize(offset < 24 ? 24 : offset, 0);
    return h;
}

} // namespace

/* ---- 1. Ours to ours ---- */

TEST(AuCoreRoundTrip, PcmSamplesAndTheAnnotationByteForByte)
{
    for (int bits : {8, 16})
        for (int ch : {1, 2}) {
            Buf data((size_t)(1003 * ch * bits / 8));
            for (size_t i = 0; i < data.size(); i++)
                data[i] = (uint8_t)(i * 13 + i / 3);
            Buf file = writeAu((uint16_t)bits, (uint16_t)ch, data, AU_OPT_PCM, "an annotation");
            EXPECT_EQ(file.size() % 2, data.size() % 2);
            EXPECT_EQ(zcBe32(&file[4]) % 8, 0u);
            ZReader *r = auOpenMemory(file.data(), file.size(), NULL);
            ASSERT_TRUE(r);
            EXPECT_EQ(r->bits, bits);
            EXPECT_EQ(r->channels, ch);
            EXPECT_EQ(r->rate, 8000u);
            EXPECT_EQ(readAll(r), data);
            Buf note(item(r, 21));
            EXPECT_EQ(std::string((const char *)note.data()), "an annotation");
            EXPECT_EQ(note.size(), 14u);
            EXPECT_FALSE(r->truncated);
            zrFree(r);
        }
}

TEST(AuCoreRoundTrip, CompandedFilesKeepEveryCode)
{
    /* Every 16-bit value a code decodes to comes back exactly through u-law and A-law. */
    for (uint32_t opt : {(uint32_t)AU_OPT_ULAW, (uint32_t)AU_OPT_ALAW}) {
        Buf data;
        for (int c = 0; c < 256; c++) {
            int16_t s = opt == AU_OPT_ULAW ? zcUlawToLinear((uint8_t)c) : zcAlawToLinear((uint8_t)c);
            data.push_back((uint8_t)s);
            data.push_back((uint8_t)((uint16_t)s >> 8));
        }
        Buf file = writeAu(16, 2, data, opt, NULL);
        EXPECT_EQ(file.size(), 32u + 256) << "one byte per sample after a 32-byte header";
        ZReader *r = auOpenMemory(file.data(), file.size(), NULL);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->options, opt);
        EXPECT_EQ(readAll(r), data);
        EXPECT_EQ(zrSpecialSize(r, 21), 0u);
        zrFree(r);
    }
    EXPECT_FALSE(auCreate(zt::tempPath("x.au").c_str(), 8000, 24, 1, 0, 1));
    EXPECT_FALSE(auCreate(zt::tempPath("x.au").c_str(), 8000, 16, 5, 0, 1));
}

/* ---- 2. Files made by others ---- */

TEST(AuCoreRead, EncodingsSizesAndTheLittleEndianVariant)
{
    struct Case { uint32_t enc; Buf stored; Buf want; } cases[] = {
        {1, {0xFF, 0x00}, {0, 0, 0x84, 0x82}},
        {2, {0x80, 0x7F}, {0x00, 0xFF}},
        {3, {0x12, 0x34}, {0x34, 0x12}},
        {4, {0x12, 0x34, 0x56}, {0x34, 0x12}},
        {5, {0x12, 0x34, 0x56, 0x78}, {0x34, 0x12}},
        {6, {0x3F, 0, 0, 0}, {0, 0x40}},
        {7, {0x3F, 0xE0, 0, 0, 0, 0, 0, 0}, {0, 0x40}},
        {27, {0xD5}, {8, 0}},
    };
    for (const Case &c : cases) {
        for (uint32_t size : {(uint32_t)c.stored.size(), 0xFFFFFFFFu}) {
            Buf f = header(".snd", 32, size, c.enc, 8000, 1);
            f.insert(f.end(), c.stored.begin(), c.stored.end());
            ZReader *r = auOpenMemory(f.data(), f.size(), NULL);
            ASSERT_TRUE(r) << c.enc;
            EXPECT_EQ(readAll(r), c.want) << c.enc;
            EXPECT_FALSE(r->truncated);
            zrFree(r);
        }
    }
    Buf f = header("dns.", 28, 4, 3, 11025, 2, 1);
    f.insert(f.end(), {0x34, 0x12, 0x78, 0x56});
    ZReader *r = auOpenMemory(f.data(), f.size(), NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rate, 11025u);
    EXPECT_EQ(readAll(r), Buf({0x34, 0x12, 0x78, 0x56}));
    zrFree(r);
}

/* ---- 3. Damage ---- */

TEST(AuCoreDamage, BadHeadersRefusedAndShortDataReadUpToTheEnd)
{
    const char *why = NULL;
    for (Buf bad : {header(".snd", 20, 4, 3, 8000, 1), header(".snd", 5000, 4, 3, 8000, 1),
                    header(".snd", 24, 4, 99, 8000, 1), header(".snd", 24, 4, 3, 0, 1),
                    header(".snd", 24, 4, 3, 8000, 0), header("dns.", 24, 4, 6, 8000, 1, 1)}) {
        if (zcBe32(&bad[4]) == 5000)
            bad.resize(100);
        why = NULL;
        EXPECT_FALSE(auOpenMemory(bad.data(), bad.size(), &why));
        EXPECT_TRUE(why);
    }
    why = "x";
    Buf other = {'F', 'O', 'R', 'M', 0, 0, 0, 0, 'A', 'I', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(auOpenMemory(other.data(), other.size(), &why));
    EXPECT_FALSE(why);

    Buf data(1000);
    for (size_t i = 0; i < data.size(); i++) data[i] = (uint8_t)(i * 3);
    Buf file = writeAu(16, 2, data, AU_OPT_PCM, "note");
    size_t start = zcBe32(&file[4]);
    for (size_t n = 0; n <= file.size(); n++) {
        ZReader *r = auOpenMemory(file.data(), n, NULL);
        if (n < start) {
            EXPECT_FALSE(r) << n;
        } else {
            ASSERT_TRUE(r) << n;
            EXPECT_EQ(r->bytes, (n - start) / 4 * 4) << n;
            EXPECT_EQ(r->truncated, n < file.size()) << n;
            Buf got = readAll(r);
            EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
        }
        zrFree(r);
    }
    /* 5000 channels of 16 bits over a file that holds frames of them: refused, not a hang. */
    Buf wide = header(".snd", 24, 0xFFFFFFFF, 3, 8000, 5000);
    wide.resize(24 + 10000 * 3, 1);
    why = NULL;
    EXPECT_FALSE(auOpenMemory(wide.data(), wide.size(), &why));
    EXPECT_TRUE(why);
    /* Three channels over a file too short for one frame: no frame at all, no fault. */
    Buf f = header(".snd", 24, 0xFFFFFFFF, 5, 8000, 3);
    f.resize(30, 1);
    ZReader *r = auOpenMemory(f.data(), f.size(), NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->bytes, 0u);
    zrFree(r);
}
