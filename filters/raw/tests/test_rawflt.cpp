/*
 * test_rawflt.cpp - the real raw.flt under Wine: it reports rate, bits and channels 0 so the
 * host asks, reads in the layout the host then sets, its dialog gives the byte order and
 * signedness, it takes only .pcm/.raw names, and sox agrees with it both ways.
 */
#include "filters/common/tests/fltdriver.h"
#include "filters/common/zoptdlg.h"

using namespace fd;

TEST(RawFltModule, RecordNamesAndOptionsDialog)
{
    Flt &f = flt();
    ASSERT_TRUE(f.m) << FLT_PATH;
    EXPECT_TRUE(f.getOptions && f.setOptions && f.options);
    EXPECT_FALSE(f.canRead) << "raw data has no special items";
    checkRecord("Raw PCM Data", "pcm", ZF_CANREAD | ZF_CANWRITE | ZF_SORTLAST | ZF_HASOPTIONS | ZF_UNCERTAIN);
    std::string raw = zt::tempPath("any.RAW"), wav = zt::tempPath("any.wav");
    writeBytes(raw, Buf(10, 1));
    writeBytes(wav, Buf(10, 1));
    EXPECT_EQ(f.understands(raw.c_str()), 1);
    EXPECT_EQ(f.understands(wav.c_str()), 0) << "a file of another kind is never taken for raw data";
    EXPECT_EQ(f.understands(zt::tempPath("absent.pcm").c_str()), 0);

    int seen = 0;
    EXPECT_EQ(askOptions("Raw PCM Options", ZOPT_ID(0, 1), 0, 1, 8000, 1, 16, &seen), 3u);
    EXPECT_TRUE(seen);
    EXPECT_EQ(askOptions("Raw PCM Options", ZOPT_ID(1, 1), 0, 3), 7u);
    EXPECT_EQ(askOptions("Raw PCM Options", ZOPT_ID(2, 1), 0, 7), 15u);
    EXPECT_EQ(askOptions("Raw PCM Options", ZOPT_ID(0, 0), 0, 15), 13u);
    EXPECT_EQ(askOptions("Raw PCM Options", 0, 0, 0), 1u) << "a first use starts from the usual layout";
    EXPECT_EQ(askOptions("Raw PCM Options", ZOPT_ID(0, 1), 1, 1), 0u) << "Cancel gives 0";
}

TEST(RawFltRoundTrip, OpensWithZerosThenReadsTheLayoutTheHostSets)
{
    std::string path = zt::tempPath("rt.pcm");
    Buf data = pattern(30000);
    writeFile(path, 22050, 16, 2, data, {}, 3);
    Buf file = fileBytes(path);
    ASSERT_EQ(file.size(), data.size());
    EXPECT_EQ(file[0], data[1]) << "big-endian on disk";
    Opened o = openIn(path);
    ASSERT_NE(o.h, 0u);
    EXPECT_EQ(o.rate, 0u);
    EXPECT_EQ(o.bits, 0);
    EXPECT_EQ(o.channels, 0);
    flt().setOptions(o.h, 3, 22050, 2, 16);
    EXPECT_EQ(flt().size(o.h), data.size());
    EXPECT_EQ(readData(o), data);
    EXPECT_EQ(flt().options(o.h), 3u);
    flt().close(o.h);
}

TEST(RawFltInterop, SoxFilesReadSampleForSample)
{
    FILE *f = fopen(interop("list.txt").c_str(), "r");
    ASSERT_TRUE(f) << "interop.sh make did not run";
    char name[200];
    int bits, ch, n = 0;
    unsigned rate, opt;
    while (fscanf(f, "%199s %d %d %u %u", name, &bits, &ch, &rate, &opt) == 5) {
        Opened o = openIn(interop(name));
        ASSERT_NE(o.h, 0u) << name;
        flt().setOptions(o.h, opt, rate, (uint16_t)ch, (uint16_t)bits);
        Buf want = fileBytes(interop(std::string(name) + ".ref"));
        ASSERT_FALSE(want.empty());
        EXPECT_TRUE(readData(o) == want) << name;
        flt().close(o.h);
        n++;
    }
    fclose(f);
    EXPECT_GE(n, 6);
}

TEST(RawFltInterop, WritesFilesForSoxToCheck)
{
    for (uint32_t opt : {1u, 3u, 5u, 9u, 15u})
        for (int bits : {8, 16})
            for (int ch : {1, 2}) {
                uint32_t rate = opt == 1 ? 44100 : 8000;
                Buf data = pattern((size_t)(rate / 20 + 1) * ch * bits / 8);
                char name[64];
                snprintf(name, sizeof name, "out_%u_%d_%d_%u", rate, bits, ch, opt);
                writeFile(interop(std::string(name) + ".raw"), rate, (uint16_t)bits, (uint16_t)ch, data, {}, opt);
                writeBytes(interop(std::string(name) + ".can"), data);
            }
}

TEST(RawFltDamage, OddSizesAndBadHandles)
{
    std::string path = zt::tempPath("odd.raw");
    writeBytes(path, Buf({1, 2, 3, 4, 5, 6, 7}));
    Opened o = openIn(path);
    ASSERT_NE(o.h, 0u);
    flt().setOptions(o.h, 1, 8000, 2, 16);
    EXPECT_EQ(readData(o), Buf({1, 2, 3, 4})) << "the partial frame at the end is left out";
    flt().setOptions(o.h, 1, 8000, 9, 16);     /* refused: stays as it was, no fault */
    flt().close(o.h);
    writeBytes(path, Buf());
    o = openIn(path);
    ASSERT_NE(o.h, 0u);
    flt().setOptions(o.h, 1, 8000, 1, 8);
    EXPECT_EQ(flt().size(o.h), 0u);
    flt().close(o.h);
    for (ZFHANDLE h : {0u, 17u, 0xFFFFFFFFu, 5u}) {
        flt().setOptions(h, 1, 8000, 1, 8);
        EXPECT_EQ(flt().size(h), 0u);
        EXPECT_EQ(flt().options(h), 1u);
        flt().close(h);
    }
}
