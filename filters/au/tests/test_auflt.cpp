/*
 * test_auflt.cpp - the real au.flt under Wine through its entry points: the record, the
 * options dialog choosing the encoding, a round trip in each encoding, files made by sox read
 * sample for sample, files for sox to check afterwards, and damaged files.
 */
#include "filters/common/tests/fltdriver.h"
#include "filters/common/zoptdlg.h"
#include "filters/common/zcodec.h"

using namespace fd;

TEST(AuFltModule, RecordAndOptionsDialog)
{
    Flt &f = flt();
    ASSERT_TRUE(f.m) << FLT_PATH;
    EXPECT_TRUE(f.understands && f.open2 && f.size && f.read && f.close && f.openOut && f.write && f.closeOut);
    checkRecord("Sun/NeXT Audio", "au",
                ZF_CANREAD | ZF_CANWRITE | ZF_SPECIAL_READ_POST | ZF_SPECIAL_WRITE_PRE | ZF_HASOPTIONS);
    ASSERT_TRUE(f.getOptions);
    int seen = 0;
    EXPECT_EQ(askOptions("Sun/NeXT Audio Options", ZOPT_ID(0, 1), 0, 1, 8000, 1, 16, &seen), 2u);
    EXPECT_TRUE(seen);
    EXPECT_EQ(askOptions("Sun/NeXT Audio Options", ZOPT_ID(0, 2), 0, 2), 3u);
    EXPECT_EQ(askOptions("Sun/NeXT Audio Options", 0, 0, 3), 3u) << "OK keeps the preselected encoding";
    EXPECT_EQ(askOptions("Sun/NeXT Audio Options", ZOPT_ID(0, 1), 1, 1), 0u) << "Cancel gives 0";
}

TEST(AuFltRoundTrip, EachEncodingAndTheAnnotation)
{
    std::string path = zt::tempPath("rt.au");
    Buf data = pattern(20001 * 4);
    Items items = {{21, text("An annotation")}};
    writeFile(path, 22050, 16, 2, data, items, 1);
    Opened o = openIn(path);
    ASSERT_NE(o.h, 0u);
    EXPECT_EQ(o.rate, 22050u);
    EXPECT_EQ(o.bits, 16);
    EXPECT_EQ(o.channels, 2);
    EXPECT_EQ(readData(o), data);
    EXPECT_EQ(readItems(o.h), items);
    EXPECT_EQ(flt().options(o.h), 1u);
    flt().close(o.h);

    /* u-law and A-law: values that are codes come back exactly; the open reports the encoding
       so the next save keeps it. */
    for (uint32_t opt : {2u, 3u}) {
        Buf codes;
        for (int c = 0; c < 256; c++) {
            int16_t s = opt == 2 ? zcUlawToLinear((uint8_t)c) : zcAlawToLinear((uint8_t)c);
            codes.push_back((uint8_t)s);
            codes.push_back((uint8_t)((uint16_t)s >> 8));
        }
        writeFile(path, 8000, 16, 1, codes, {}, opt);
        EXPECT_EQ(fileBytes(path).size(), 32u + 256);
        o = openIn(path);
        ASSERT_NE(o.h, 0u);
        EXPECT_EQ(readData(o), codes);
        EXPECT_EQ(flt().options(o.h), opt);
        char text[ZF_OPTIONS_TEXT_MAX];
        EXPECT_EQ(flt().optionsString(o.h, text), 1);
        EXPECT_STREQ(text, opt == 2 ? "Sun/NeXT 8-bit u-law Mono" : "Sun/NeXT 8-bit A-law Mono");
        flt().close(o.h);
    }
}

TEST(AuFltInterop, SoxFilesReadSampleForSample)
{
    std::vector<SoxFile> files = soxFiles();
    ASSERT_GE(files.size(), 9u) << "interop.sh make did not run";
    for (const SoxFile &s : files) {
        Opened o = openIn(interop(s.name));
        ASSERT_NE(o.h, 0u) << s.name;
        EXPECT_EQ(o.rate, s.rate) << s.name;
        EXPECT_EQ(o.bits, s.bits) << s.name;
        EXPECT_EQ(o.channels, s.channels) << s.name;
        Buf want = fileBytes(interop(s.name + ".ref"));
        ASSERT_FALSE(want.empty());
        EXPECT_TRUE(readData(o) == want) << s.name;
        flt().close(o.h);
    }
}

TEST(AuFltInterop, WritesFilesForSoxToCheck)
{
    for (uint32_t rate : {8000u, 11025u, 44100u})
        for (int bits : {8, 16})
            for (int ch : {1, 2}) {
                Buf data = pattern((size_t)(rate / 10 + 1) * ch * bits / 8);
                char name[64];
                snprintf(name, sizeof name, "out_%u_%d_%d", rate, bits, ch);
                writeFile(interop(std::string(name) + ".au"), rate, (uint16_t)bits, (uint16_t)ch, data,
                          {{21, text("from the module")}});
                writeBytes(interop(std::string(name) + ".raw"), data);
            }
    /* u-law: sox must read the codes as the values they stand for. */
    Buf codes;
    for (int c = 0; c < 256; c++) {
        int16_t s = zcUlawToLinear((uint8_t)c);
        codes.push_back((uint8_t)s);
        codes.push_back((uint8_t)((uint16_t)s >> 8));
    }
    writeFile(interop("out_8000_16_1_ulaw.au"), 8000, 16, 1, codes, {}, 2);
    writeBytes(interop("out_8000_16_1_ulaw.raw"), codes);
}

TEST(AuFltDamage, CutAndBadFilesNeverCrash)
{
    std::string src = zt::tempPath("dmg.au"), path = zt::tempPath("dmg2.au");
    Buf data = pattern(4000);
    writeFile(src, 8000, 16, 1, data, {{21, text("n")}});
    Buf file = fileBytes(src);
    for (size_t n : {size_t(0), size_t(4), size_t(23), size_t(32), size_t(33), size_t(1000), file.size() - 1}) {
        writeBytes(path, Buf(file.begin(), file.begin() + n));
        Opened o = openIn(path);
        if (n < 32) {
            EXPECT_EQ(o.h, 0u) << n;
        } else {
            ASSERT_NE(o.h, 0u) << n;
            Buf got = readData(o);
            EXPECT_EQ(got.size(), (n - 32) / 2 * 2) << n;
            EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin())) << n;
            flt().close(o.h);
        }
    }
    Buf bad = file;
    bad[15] = 99;   /* an encoding nobody knows */
    writeBytes(path, bad);
    EXPECT_EQ(flt().understands(path.c_str()), 0);
    for (ZFHANDLE h : {0u, 17u, 0xFFFFFFFFu, 5u}) {
        Buf b(16);
        EXPECT_EQ(flt().size(h), 0u);
        EXPECT_EQ(flt().read(h, b.data(), 16), 0u);
        flt().close(h);
        flt().closeOut(h);
    }
}
