/*
 * test_aiffcore.cpp - the AIFF core natively: files we write read back byte for byte (samples
 * and items, loops folded into cue lengths), hand-built AIFF-C files of every compression we
 * read, and damaged files (cut anywhere, bytes flipped, absurd counts) refused or read up to
 * the damage.
 */
#include "filters/aiff/aiffcore.h"
#include "filters/common/zcodec.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

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

Buf text(const char *t)
{
    Buf b(t, t + strlen(t) + 1);
    if (b.size() & 1)
        b.push_back(0);
    return b;
}

void le32(Buf &b, uint32_t v) { uint8_t x[4]; zcPutLe32(x, v); b.insert(b.end(), x, x + 4); }
void be16(Buf &b, uint16_t v) { b.push_back((uint8_t)(v >> 8)); b.push_back((uint8_t)v); }
void be32(Buf &b, uint32_t v) { be16(b, (uint16_t)(v >> 16)); be16(b, (uint16_t)v); }

Buf cueTable(const std::vector<std::pair<uint32_t, uint32_t>> &cues)
{
    Buf b;
    for (auto &c : cues) {
        le32(b, c.first); le32(b, c.second);
        b.insert(b.end(), {'d', 'a', 't', 'a'});
        le32(b, 0); le32(b, 0); le32(b, c.second);
    }
    return b;
}

Buf lengthTable(const std::vector<std::pair<uint32_t, uint32_t>> &lens)
{
    Buf b;
    for (auto &l : lens) {
        le32(b, l.first); le32(b, l.second);
        b.insert(b.end(), {'m', 'a', 'r', 'k', 0, 0, 0, 0, 0, 0, 0, 0});
    }
    return b;
}

Buf writeAiff(uint32_t rate, uint16_t bits, uint16_t ch, const Buf &data,
              const std::vector<std::pair<int, Buf>> &items, uint32_t piece = 1000)
{
    std::string path = zt::tempPath("core.aiff");
    ZWriter *w = aiffCreate(path.c_str(), rate, bits, ch, (uint32_t)data.size(), 1);
    EXPECT_TRUE(w);
    if (!w)
        return Buf();
    EXPECT_EQ(aiffBegin(w), 0);
    for (size_t at = 0; at < data.size(); at += piece)
        zwPut(w, data.data() + at, (uint32_t)std::min<size_t>(piece, data.size() - at));
    for (auto &it : items) {
        EXPECT_TRUE(aiffCanWriteSpecial(it.first)) << it.first;
        zwKeepItem(w, it.first, it.second.data(), (uint32_t)it.second.size());
    }
    EXPECT_EQ(aiffFinish(w), 0);
    EXPECT_EQ(zwClose(w), 0);
    delete w;
    FILE *f = fopen(path.c_str(), "rb");
    Buf b;
    int c;
    while ((c = fgetc(f)) != EOF)
        b.push_back((uint8_t)c);
    fclose(f);
    return b;
}

/* A FORM of the given chunks. */
Buf form(const char *type, const std::vector<std::pair<std::string, Buf>> &chunks)
{
    Buf b = {'F', 'O', 'R', 'M', 0, 0, 0, 0};
    b.insert(b.end(), type, type + 4);
    for (auto &c : chunks) {
        b.insert(b.end(), c.first.begin(), c.first.end());
        be32(b, (uint32_t)c.second.size());
        b.insert(b.end(), c.second.begin(), c.second.end());
        if (c.second.size() & 1)
            b.push_back(0);
    }
    zcPutBe32(&b[4], (uint32_t)b.size() - 8);
    return b;
}

Buf comm(uint16_t ch, uint32_t frames, uint16_t bits, uint32_t rate, const char *comp = NULL)
{
    Buf b;
    be16(b, ch); be32(b, frames); be16(b, bits);
    uint8_t r[10];
    zcRateToExt80(rate, r);
    b.insert(b.end(), r, r + 10);
    if (comp) {
        b.insert(b.end(), comp, comp + 4);
        b.push_back(0);
        b.push_back(0);
    }
    return b;
}

Buf ssnd(const Buf &data, uint32_t offset = 0)
{
    Buf b;
    be32(b, offset); be32(b, 0);
    b.insert(b.end(), offset, 0xEE);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

} // namespace

/* ---- 1. Ours to ours ---- */

TEST(AiffCoreRoundTrip, SamplesAndItemsComeBackByteForByte)
{
    for (int bits : {8, 16}) {
        for (int ch : {1, 2}) {
            Buf data((size_t)(1001 * ch * bits / 8));
            for (size_t i = 0; i < data.size(); i++)
                data[i] = (uint8_t)(i * 37 + i / 5);
            std::vector<std::pair<int, Buf>> items = {
                {28, text("Title")}, {20, text("Someone")}, {22, text("2026 us")},
                {21, text("first note")}, {21, text("second note")},
                {40, cueTable({{1, 10}, {5, 200}, {40000, 300}, {7, 400}})},
                {41, lengthTable({{1, 0}, {5, 50}, {40000, 0}, {7, 20}})},
                {42, Buf({5, 0, 0, 0, 'n', 'o', 't', 'e', 0})},
                {43, Buf({1, 0, 0, 0, 'o', 'n', 'e', 0, 7, 0, 0, 0, 's', 'e', 'v', 'e', 'n', 0})},
            };
            Buf file = writeAiff(22050, (uint16_t)bits, (uint16_t)ch, data, items, 333);
            const char *why = "x";
            ZReader *r = aiffOpenMemory(file.data(), file.size(), &why);
            ASSERT_TRUE(r) << why;
            EXPECT_EQ(r->rate, 22050u);
            EXPECT_EQ(r->bits, bits);
            EXPECT_EQ(r->channels, ch);
            EXPECT_EQ(r->bytes, data.size());
            EXPECT_FALSE(r->truncated);
            EXPECT_EQ(readAll(r), data);
            EXPECT_EQ(item(r, 28), text("Title"));
            EXPECT_EQ(item(r, 20), text("Someone"));
            EXPECT_EQ(item(r, 22), text("2026 us"));
            EXPECT_EQ(item(r, 21), text("first note"));
            EXPECT_EQ(item(r, 21), text("second note"));
            /* Cue 40000 cannot be a marker id: it comes back under the first free one (2). */
            EXPECT_EQ(item(r, 40), cueTable({{1, 10}, {5, 200}, {2, 300}, {7, 400}}));
            EXPECT_EQ(item(r, 41), lengthTable({{1, 0}, {5, 50}, {2, 0}, {7, 20}}));
            EXPECT_EQ(item(r, 42), Buf({5, 0, 0, 0, 'n', 'o', 't', 'e', 0}));
            EXPECT_EQ(item(r, 43), Buf({1, 0, 0, 0, 'o', 'n', 'e', 0, 7, 0, 0, 0, 's', 'e', 'v', 'e', 'n', 0}));
            zrFree(r);
        }
    }
}

TEST(AiffCoreRoundTrip, RefusesTypesItCannotWrite)
{
    std::string path = zt::tempPath("no.aiff");
    EXPECT_FALSE(aiffCreate(path.c_str(), 44100, 24, 2, 0, 1));
    EXPECT_FALSE(aiffCreate(path.c_str(), 44100, 16, 3, 0, 1));
    EXPECT_FALSE(aiffCreate(path.c_str(), 0, 16, 2, 0, 1));
    EXPECT_FALSE(aiffCanWriteSpecial(44));
    EXPECT_FALSE(aiffCanWriteSpecial(23));
}

/* ---- 2. Files made by others ---- */

TEST(AiffCoreRead, EveryCompressionWeRead)
{
    struct Case { const char *form, *comp; uint16_t bits; Buf stored; Buf want; } cases[] = {
        {"AIFC", "NONE", 16, {0x12, 0x34}, {0x34, 0x12}},
        {"AIFC", "twos", 16, {0x12, 0x34}, {0x34, 0x12}},
        {"AIFC", "sowt", 16, {0x12, 0x34}, {0x12, 0x34}},
        {"AIFC", "sowt", 24, {0x80, 0x34, 0x12}, {0x35, 0x12}},
        {"AIFC", "ulaw", 16, {0xFF, 0x00}, {0, 0, 0x84, 0x82}},
        {"AIFC", "alaw", 16, {0xD5}, {8, 0}},
        {"AIFC", "fl32", 32, {0x3F, 0, 0, 0}, {0, 0x40}},
        {"AIFC", "raw ", 8, {0x00, 0xFF}, {0x00, 0xFF}},
        {"AIFF", NULL, 8, {0x80, 0x7F}, {0x00, 0xFF}},
        {"AIFF", NULL, 12, {0x12, 0x30}, {0x30, 0x12}},
        {"AIFF", NULL, 24, {0x12, 0x34, 0x56}, {0x34, 0x12}},
        {"AIFF", NULL, 32, {0x12, 0x34, 0x56, 0x78}, {0x34, 0x12}},
    };
    for (const Case &c : cases) {
        uint32_t frames = (uint32_t)c.want.size() / (c.bits == 8 && !c.comp ? 1 : c.comp && !strcmp(c.comp, "raw ") ? 1 : 2);
        Buf f = form(c.form, {{"COMM", comm(1, frames, c.bits, 8000, c.comp)}, {"SSND", ssnd(c.stored, 3)}});
        const char *why = NULL;
        ZReader *r = aiffOpenMemory(f.data(), f.size(), &why);
        ASSERT_TRUE(r) << c.form << " " << (c.comp ? c.comp : "") << " " << (why ? why : "");
        EXPECT_EQ(readAll(r), c.want) << (c.comp ? c.comp : "") << c.bits;
        EXPECT_EQ(r->rate, 8000u);
        zrFree(r);
    }
    Buf f = form("AIFC", {{"COMM", comm(1, 1, 16, 8000, "ima4")}, {"SSND", ssnd({0, 0})}});
    const char *why = NULL;
    EXPECT_FALSE(aiffOpenMemory(f.data(), f.size(), &why));
    EXPECT_TRUE(why);
}

TEST(AiffCoreRead, MarkersLoopsCommentsAndTexts)
{
    Buf mark;
    be16(mark, 4);
    auto marker = [&](uint16_t id, uint32_t pos, const char *name) {
        be16(mark, id); be32(mark, pos);
        mark.push_back((uint8_t)strlen(name));
        mark.insert(mark.end(), name, name + strlen(name));
        if (!(strlen(name) & 1)) mark.push_back(0);
    };
    marker(3, 10, "start");
    marker(4, 90, "end");
    marker(9, 5, "");
    marker(3, 77, "duplicate id");
    Buf inst = {60, 0, 0, 127, 1, 127, 0, 0};
    be16(inst, 1); be16(inst, 3); be16(inst, 4);     /* sustain loop 3..4 */
    be16(inst, 0); be16(inst, 0); be16(inst, 0);
    Buf comt;
    be16(comt, 3);
    be32(comt, 0); be16(comt, 9); be16(comt, 3); comt.insert(comt.end(), {'a', 'b', 'c', 0});
    be32(comt, 0); be16(comt, 0); be16(comt, 2); comt.insert(comt.end(), {'h', 'i'});
    be32(comt, 0); be16(comt, 55); be16(comt, 1); comt.insert(comt.end(), {'x', 0});
    Buf f = form("AIFF", {{"COMM", comm(2, 100, 16, 44100)}, {"MARK", mark}, {"INST", inst},
                          {"SSND", ssnd(Buf(400, 1))}, {"COMT", comt}, {"NAME", {'N', 'm'}},
                          {"ANNO", {'a', 'n', 'n', 'o'}}, {"(c) ", {'c'}}, {"AUTH", {}}});
    ZReader *r = aiffOpenMemory(f.data(), f.size(), NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(item(r, 40), cueTable({{3, 10}, {9, 5}})) << "the loop end is not a cue of its own";
    EXPECT_EQ(item(r, 41), lengthTable({{3, 80}, {9, 0}}));
    EXPECT_EQ(item(r, 43), Buf({3, 0, 0, 0, 's', 't', 'a', 'r', 't', 0}));
    EXPECT_EQ(item(r, 42), Buf({9, 0, 0, 0, 'a', 'b', 'c', 0})) << "a comment on an unknown marker is dropped";
    EXPECT_EQ(item(r, 28), text("Nm"));
    EXPECT_EQ(item(r, 21), text("anno"));
    EXPECT_EQ(item(r, 21), text("hi")) << "a comment on no marker is a comment item";
    EXPECT_EQ(item(r, 22), text("c"));
    EXPECT_EQ(zrSpecialSize(r, 20), 0u) << "an empty text is no item";
    zrFree(r);
}

/* ---- 3. Damage ---- */

TEST(AiffCoreDamage, CutAnywhereIsRefusedOrReadUpToTheCut)
{
    Buf data(2000);
    for (size_t i = 0; i < data.size(); i++) data[i] = (uint8_t)(i * 7);
    Buf file = writeAiff(8000, 16, 2, data, {{21, text("comment")}, {40, cueTable({{1, 3}})}});
    const size_t dataStart = 12 + 26 + 16;
    for (size_t n = 0; n < file.size(); n++) {
        ZReader *r = aiffOpenMemory(file.data(), n, NULL);
        if (n < dataStart) {
            EXPECT_FALSE(r && r->bytes) << n;
        } else {
            ASSERT_TRUE(r) << n;
            size_t whole = std::min(data.size(), (n - dataStart) / 4 * 4);
            EXPECT_EQ(r->bytes, whole) << n;
            if (whole < data.size()) {
                EXPECT_TRUE(r->truncated) << n;
            }
            Buf got = readAll(r);
            EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin())) << n;
        }
        zrFree(r);
    }
}

TEST(AiffCoreDamage, FlippedBytesAndAbsurdCountsNeverReachPastTheFile)
{
    Buf base = form("AIFF", {{"COMM", comm(2, 10, 16, 8000)}, {"SSND", ssnd(Buf(40, 3))}});
    for (size_t i = 0; i < base.size(); i++) {
        for (uint8_t x : {0x01, 0x80, 0xFF}) {
            Buf f = base;
            f[i] ^= x;
            ZReader *r = aiffOpenMemory(f.data(), f.size(), NULL);
            if (r) {
                Buf got = readAll(r);
                EXPECT_EQ(got.size(), r->bytes);
                EXPECT_LE(r->bytes, f.size() * 4);
            }
            zrFree(r);
        }
    }
    /* A frame count of four billion and a marker count of 65535 in a tiny chunk. */
    Buf mark = {0xFF, 0xFF, 0, 1, 0, 0, 0, 0};
    Buf f = form("AIFF", {{"COMM", comm(1, 0xFFFFFFFF, 16, 8000)}, {"MARK", mark}, {"SSND", ssnd(Buf(10, 0))}});
    ZReader *r = aiffOpenMemory(f.data(), f.size(), NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->bytes, 10u);
    EXPECT_TRUE(r->truncated);
    EXPECT_EQ(zrSpecialSize(r, 40), 0u) << "a marker without its name is not a cue";
    zrFree(r);
    /* No COMM, no channels, no rate, a sample size of 0: refused with a reason. */
    for (Buf bad : {form("AIFF", {{"SSND", ssnd(Buf(4, 0))}}),
                    form("AIFF", {{"COMM", comm(0, 1, 16, 8000)}, {"SSND", ssnd(Buf(4, 0))}}),
                    form("AIFF", {{"COMM", comm(1, 1, 16, 0)}, {"SSND", ssnd(Buf(4, 0))}}),
                    form("AIFF", {{"COMM", comm(1, 1, 0, 8000)}, {"SSND", ssnd(Buf(4, 0))}}),
                    form("AIFF", {{"COMM", comm(1, 1, 48, 8000)}, {"SSND", ssnd(Buf(8, 0))}}),
                    form("AIFF", {{"COMM", comm(1, 1, 16, 8000)}})}) {
        const char *why = NULL;
        EXPECT_FALSE(aiffOpenMemory(bad.data(), bad.size(), &why));
        EXPECT_TRUE(why);
    }
    const char *why = "x";
    Buf notAiff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    EXPECT_FALSE(aiffOpenMemory(notAiff.data(), notAiff.size(), &why));
    EXPECT_FALSE(why) << "a file of another kind is no damage";
}
