/*
 * test_vocflt.cpp - the real voc.flt under Wine through its entry points: the record, a
 * round trip with the comment, files made by sox read sample for sample, files for sox to
 * check afterwards, and damaged files.
 */
#include "filters/common/tests/fltdriver.h"

using namespace fd;

TEST(VocFltModule, Record)
{
    Flt &f = flt();
    ASSERT_TRUE(f.m) << FLT_PATH;
    EXPECT_TRUE(f.understands && f.open2 && f.size && f.read && f.close && f.openOut && f.write && f.closeOut);
    EXPECT_FALSE(f.getOptions);
    checkRecord("Creative Voice", "voc", ZF_CANREAD | ZF_CANWRITE | ZF_SPECIAL_READ_POST | ZF_SPECIAL_WRITE_PRE);
}

TEST(VocFltRoundTrip, SamplesAndTheComment)
{
    std::string path = zt::tempPath("rt.voc");
    for (int bits : {8, 16}) {
        Buf data = pattern(20001 * 2 * bits / 8);
        Items items = {{21, text("A comment")}};
        writeFile(path, 44100, (uint16_t)bits, 2, data, items);
        Opened o = openIn(path);
        ASSERT_NE(o.h, 0u);
        EXPECT_EQ(o.rate, 44100u);
        EXPECT_EQ(o.bits, bits);
        EXPECT_EQ(o.channels, 2);
        EXPECT_EQ(readData(o), data);
        EXPECT_EQ(readItems(o.h), items);
        flt().close(o.h);
    }
}

TEST(VocFltInterop, SoxFilesReadSampleForSample)
{
    std::vector<SoxFile> files = soxFiles();
    ASSERT_GE(files.size(), 5u) << "interop.sh make did not run";
    for (const SoxFile &s : files) {
        Opened o = openIn(interop(s.name));
        ASSERT_NE(o.h, 0u) << s.name;
        /* Old sound blocks store the rate as a divisor of 1 MHz: sox's rate may not survive. */
        EXPECT_NEAR((double)o.rate, (double)s.rate, s.rate * 0.01) << s.name;
        EXPECT_EQ(o.bits, s.bits) << s.name;
        EXPECT_EQ(o.channels, s.channels) << s.name;
        Buf want = fileBytes(interop(s.name + ".ref"));
        ASSERT_FALSE(want.empty());
        EXPECT_TRUE(readData(o) == want) << s.name;
        flt().close(o.h);
    }
}

TEST(VocFltInterop, WritesFilesForSoxToCheck)
{
    for (uint32_t rate : {8000u, 22050u, 44100u})
        for (int bits : {8, 16})
            for (int ch : {1, 2}) {
                Buf data = pattern((size_t)(rate / 10 + 1) * ch * bits / 8);
                char name[64];
                snprintf(name, sizeof name, "out_%u_%d_%d", rate, bits, ch);
                writeFile(interop(std::string(name) + ".voc"), rate, (uint16_t)bits, (uint16_t)ch, data,
                          {{21, text("from the module")}});
                writeBytes(interop(std::string(name) + ".raw"), data);
            }
}

TEST(VocFltDamage, CutAndBadFilesNeverCrash)
{
    std::string src = zt::tempPath("dmg.voc"), path = zt::tempPath("dmg2.voc");
    Buf data = pattern(4000);
    writeFile(src, 8000, 16, 1, data);
    Buf file = fileBytes(src);
    const size_t start = 26 + 16;
    for (size_t n : {size_t(0), size_t(19), size_t(26), size_t(30), start, start + 1, size_t(1000), file.size() - 2}) {
        writeBytes(path, Buf(file.begin(), file.begin() + n));
        Opened o = openIn(path);
        if (n < start) {
            EXPECT_EQ(o.h, 0u) << n;
        } else {
            ASSERT_NE(o.h, 0u) << n;
            Buf got = readData(o);
            EXPECT_EQ(got.size(), std::min(data.size(), (n - start) / 2 * 2)) << n;
            EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin())) << n;
            flt().close(o.h);
        }
    }
    for (ZFHANDLE h : {0u, 17u, 0xFFFFFFFFu, 5u}) {
        Buf b(16);
        EXPECT_EQ(flt().size(h), 0u);
        EXPECT_EQ(flt().read(h, b.data(), 16), 0u);
        flt().close(h);
        flt().closeOut(h);
    }
}
