/*
 * test_rawcore.cpp - the raw PCM core natively: the layout from the options (byte order,
 * signedness), ours to ours in every layout, a trailing partial frame, a layout changed after
 * reading started, and the names it takes.
 */
#include "filters/raw/rawcore.h"
#include "testutil.h"

#include <gtest/gtest.h>

typedef std::vector<uint8_t> Buf;

static Buf readAll(ZReader *r)
{
    Buf out, b(999);
    uint32_t n;
    while ((n = zrRead(r, b.data(), 999)) > 0)
        out.insert(out.end(), b.begin(), b.begin() + n);
    return out;
}

TEST(RawCore, OptionsChooseTheLayout)
{
    Buf file = {0x12, 0x34, 0x80, 0x00, 0xFF};
    struct Case { uint32_t opt; uint16_t bits, ch; Buf want; } cases[] = {
        {1, 16, 1, {0x12, 0x34, 0x80, 0x00}},
        {3, 16, 1, {0x34, 0x12, 0x00, 0x80}},
        {9, 16, 2, {0x12, 0xB4, 0x80, 0x80}},
        {11, 16, 1, {0x34, 0x92, 0x00, 0x00}},
        {1, 8, 1, {0x12, 0x34, 0x80, 0x00, 0xFF}},
        {5, 8, 1, {0x92, 0xB4, 0x00, 0x80, 0x7F}},
        {7, 8, 2, {0x92, 0xB4, 0x00, 0x80}},
    };
    for (const Case &c : cases) {
        ZReader *r = rawOpenMemory(file.data(), file.size());
        ASSERT_TRUE(r);
        EXPECT_EQ(r->rate, 0u) << "the host must ask";
        EXPECT_EQ(r->bits, 0);
        EXPECT_EQ(r->channels, 0);
        EXPECT_EQ(r->bytes, 0u);
        ASSERT_EQ(rawSetLayout(r, c.opt, 8000, c.ch, c.bits), 0);
        EXPECT_EQ(r->bytes, c.want.size()) << c.opt;
        EXPECT_EQ(readAll(r), c.want) << c.opt << " " << c.bits;
        EXPECT_EQ(r->options, c.opt);
        zrFree(r);
    }
    ZReader *r = rawOpenMemory(file.data(), file.size());
    EXPECT_NE(rawSetLayout(r, 1, 8000, 3, 16), 0);
    EXPECT_NE(rawSetLayout(r, 1, 8000, 1, 24), 0);
    EXPECT_NE(rawSetLayout(r, 1, 0, 1, 16), 0);
    /* Read under one layout, then settled again under another: starts over cleanly. */
    ASSERT_EQ(rawSetLayout(r, 1, 8000, 1, 8), 0);
    Buf first(2);
    EXPECT_EQ(zrRead(r, first.data(), 2), 2u);
    ASSERT_EQ(rawSetLayout(r, 3, 8000, 1, 16), 0);
    EXPECT_EQ(readAll(r), Buf({0x34, 0x12, 0x00, 0x80}));
    zrFree(r);
}

TEST(RawCore, OursToOursInEveryLayout)
{
    std::string path = zt::tempPath("core.raw");
    for (uint32_t opt = 1; opt <= 15; opt += 2)
        for (uint16_t bits : {8, 16})
            for (uint16_t ch : {1, 2}) {
                Buf data((size_t)(777 * ch * bits / 8));
                for (size_t i = 0; i < data.size(); i++)
                    data[i] = (uint8_t)(i * 29 + i / 11);
                ZWriter *w = rawCreate(path.c_str(), 11025, bits, ch, (uint32_t)data.size(), opt);
                ASSERT_TRUE(w);
                zwPut(w, data.data(), 101);
                zwPut(w, data.data() + 101, (uint32_t)data.size() - 101);
                EXPECT_EQ(rawFinish(w), 0);
                EXPECT_EQ(zwClose(w), 0);
                delete w;
                ZReader *r = rawOpenFile(path.c_str());
                ASSERT_TRUE(r);
                ASSERT_EQ(rawSetLayout(r, opt, 11025, ch, bits), 0);
                EXPECT_EQ(readAll(r), data) << opt << " " << bits << " " << ch;
                zrFree(r);
            }
    EXPECT_FALSE(rawCreate(path.c_str(), 8000, 24, 1, 0, 1));
}

TEST(RawCore, NamesItTakes)
{
    EXPECT_TRUE(rawNameFits("C:\\a\\b.PCM"));
    EXPECT_TRUE(rawNameFits("x.raw"));
    EXPECT_FALSE(rawNameFits("x.wav"));
    EXPECT_FALSE(rawNameFits("raw"));
    EXPECT_FALSE(rawNameFits("x.rawx"));
    EXPECT_FALSE(rawNameFits(NULL));
    EXPECT_FALSE(rawOpenFile(zt::tempPath("absent.raw").c_str()));
}
