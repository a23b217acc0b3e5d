/*
 * test_aiffflt.cpp - the real aiff.flt under Wine through its entry points: the record, a
 * round trip of samples and items, files made by sox read sample for sample, files for sox
 * to check afterwards (interop.sh check), and damaged files refused or read up to the damage.
 */
#include "filters/common/tests/fltdriver.h"

using namespace fd;

/* ---- 1. The module as the host finds it ---- */

TEST(AiffFltModule, RecordAndEntryPoints)
{
    Flt &f = flt();
    ASSERT_TRUE(f.m) << FLT_PATH;
    EXPECT_TRUE(f.understands && f.open1 && f.open2 && f.size && f.read && f.close);
    EXPECT_TRUE(f.openOut && f.write && f.closeOut && f.canWrite && f.writeSpecial);
    EXPECT_FALSE(f.getOptions) << "no options: the Save dialog's Options button stays off";
    checkRecord("Apple AIFF", "aiff", ZF_CANREAD | ZF_CANWRITE | ZF_SPECIAL_READ_POST | ZF_SPECIAL_WRITE_POST);
    ZfFilterRecord rec;
    memset(&rec, 0, sizeof rec);
    f.query(&rec);
    EXPECT_STREQ(rec.ext2, "aif");
    uint32_t rate = 96000;
    uint16_t bits = 24, ch = 6;
    f.suggest2(&rate, &bits, &ch, 1);
    EXPECT_EQ(rate, 0u); EXPECT_EQ(bits, 16); EXPECT_EQ(ch, 2);
}

/* ---- 2. Ours to ours ---- */

TEST(AiffFltRoundTrip, SamplesAndItemsByteForByte)
{
    ASSERT_TRUE(flt().m);
    std::string path = zt::tempPath("rt.aiff");
    Buf data = pattern(30001 * 4);
    Items items = {
        {20, text("Author")}, {21, text("A comment")}, {22, text("(c) 2026")}, {28, text("Name")},
        {40, Buf({1, 0, 0, 0, 9, 0, 0, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0})},
        {41, Buf({1, 0, 0, 0, 100, 0, 0, 0, 'm', 'a', 'r', 'k', 0, 0, 0, 0, 0, 0, 0, 0})},
        {43, Buf({1, 0, 0, 0, 'l', 'o', 'o', 'p', 0})},
    };
    writeFile(path, 44100, 16, 2, data, items);
    EXPECT_EQ(flt().understands(path.c_str()), 1);
    Opened o = openIn(path);
    ASSERT_NE(o.h, 0u);
    EXPECT_EQ(o.rate, 44100u);
    EXPECT_EQ(o.bits, 16);
    EXPECT_EQ(o.channels, 2);
    EXPECT_EQ(readData(o), data);
    EXPECT_EQ(readItems(o.h), items);
    char opt[ZF_OPTIONS_TEXT_MAX];
    EXPECT_EQ(flt().optionsString(o.h, opt), 0) << "plain PCM needs no description";
    flt().close(o.h);
}

/* ---- 3. sox both ways ---- */

TEST(AiffFltInterop, SoxFilesReadSampleForSample)
{
    std::vector<SoxFile> files = soxFiles();
    ASSERT_GE(files.size(), 7u) << "interop.sh make did not run";
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

TEST(AiffFltInterop, WritesFilesForSoxToCheck)
{
    for (uint32_t rate : {8000u, 22050u, 44100u})
        for (int bits : {8, 16})
            for (int ch : {1, 2}) {
                Buf data = pattern((size_t)(rate / 10 + 1) * ch * bits / 8);
                char name[64];
                snprintf(name, sizeof name, "out_%u_%d_%d", rate, bits, ch);
                writeFile(interop(std::string(name) + ".aiff"), rate, (uint16_t)bits, (uint16_t)ch, data,
                          {{21, text("from the module")}});
                writeBytes(interop(std::string(name) + ".raw"), data);
            }
}

/* ---- 4. Damage ---- */

TEST(AiffFltDamage, CutAndFlippedFilesNeverCrashAndReadUpToTheDamage)
{
    std::string src = zt::tempPath("dmg.aiff"), path = zt::tempPath("dmg2.aiff");
    Buf data = pattern(4000);
    writeFile(src, 8000, 16, 1, data, {{28, text("n")}});
    Buf file = fileBytes(src);
    for (size_t n : {size_t(0), size_t(11), size_t(30), size_t(54), size_t(55), size_t(1000), file.size() - 3}) {
        writeBytes(path, Buf(file.begin(), file.begin() + n));
        Opened o = openIn(path);
        if (n < 54) {
            EXPECT_TRUE(o.h == 0 || flt().size(o.h) == 0) << n;
        } else {
            ASSERT_NE(o.h, 0u) << n;
            Buf got = readData(o);
            EXPECT_EQ(got.size(), std::min<size_t>(data.size(), (n - 54) / 2 * 2)) << n;
            EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin())) << n;
        }
        if (o.h)
            flt().close(o.h);
    }
    Buf bad = file;
    bad[21] = 0;    /* no channels */
    writeBytes(path, bad);
    EXPECT_EQ(flt().understands(path.c_str()), 0);
    EXPECT_EQ(openIn(path).h, 0u);
    for (ZFHANDLE h : {0u, 17u, 0xFFFFFFFFu, 5u}) {
        Buf b(16);
        EXPECT_EQ(flt().size(h), 0u);
        EXPECT_EQ(flt().read(h, b.data(), 16), 0u);
        EXPECT_EQ(flt().canRead(h, 21), 0u);
        flt().close(h);
        flt().closeOut(h);
    }
}
