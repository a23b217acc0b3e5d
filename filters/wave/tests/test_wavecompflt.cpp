/*
 * test_wavecompflt.cpp - compressed wave files through the real wave.flt under Wine: the
 * Options dialog choosing the compression, sox's IMA ADPCM, u-law and A-law files read as sox
 * reads them with the options that keep their encoding on the next save, and u-law, A-law and
 * IMA ADPCM files written for sox to decode afterwards (interop.sh check).
 */
#include "filters/common/tests/fltdriver.h"
#include "filters/common/zoptdlg.h"
#include "filters/common/zcodec.h"

#include <math.h>

using namespace fd;

TEST(WaveFltCompress, OptionsDialogChoosesTheCompression)
{
    ASSERT_TRUE(flt().getOptions && flt().options);
    int seen = 0;
    EXPECT_EQ(askOptions("Windows PCM Options", ZOPT_ID(0, 3), 0, 1, 22050, 2, 16, &seen), 4u);
    EXPECT_TRUE(seen);
    EXPECT_EQ(askOptions("Windows PCM Options", ZOPT_ID(0, 1), 0, 4), 2u);
    EXPECT_EQ(askOptions("Windows PCM Options", ZOPT_ID(0, 2), 0, 1), 3u);
    EXPECT_EQ(askOptions("Windows PCM Options", 0, 0, 3), 3u) << "OK keeps the preselected one";
    EXPECT_EQ(askOptions("Windows PCM Options", ZOPT_ID(0, 0), 0, 2), 1u);
    EXPECT_EQ(askOptions("Windows PCM Options", ZOPT_ID(0, 3), 1, 1), 0u) << "Cancel gives 0";
}

TEST(WaveFltCompress, SoxCompressedFilesReadAsSoxReadsThem)
{
    struct Want { const char *name; uint32_t options; const char *text; } files[] = {
        {"ima_mono", 4, "Windows 4-bit IMA ADPCM Mono"},
        {"ima_stereo", 4, "Windows 4-bit IMA ADPCM Stereo"},
        {"ulaw", 2, "Windows 8-bit u-law Stereo"},
        {"alaw", 3, "Windows 8-bit A-law Mono"},
    };
    for (const Want &f : files) {
        Buf ref = fileBytes(interop(std::string(f.name) + ".ref"));
        ASSERT_FALSE(ref.empty()) << f.name << ": interop.sh make did not run";
        Opened o = openIn(interop(std::string(f.name) + ".wav"));
        ASSERT_NE(o.h, 0u) << f.name;
        EXPECT_EQ(o.bits, 16);
        Buf got = readData(o);
        /* sox decodes IMA ADPCM to the end of the last block; the fact chunk says the sound
           ends before, and that is where the module stops. */
        if (f.options == 4) {
            EXPECT_EQ(got.size(), 5512u * 2 * (strstr(f.name, "stereo") ? 2 : 1)) << f.name;
            ASSERT_LE(got.size(), ref.size());
            ref.resize(got.size());
        }
        EXPECT_TRUE(got == ref) << f.name << ": samples differ from sox's own reading";
        EXPECT_EQ(flt().options(o.h), f.options) << f.name;
        char text[ZF_OPTIONS_TEXT_MAX];
        EXPECT_EQ(flt().optionsString(o.h, text), 1);
        EXPECT_STREQ(text, f.text);
        flt().close(o.h);
    }
}

TEST(WaveFltCompress, WritesCompressedFilesForSox)
{
    for (uint32_t opt : {2u, 3u, 4u})
        for (uint16_t bits : {8, 16})
            for (uint16_t ch : {1, 2}) {
                uint32_t rate = opt == 4 ? 44100 : 8000;
                Buf data;
                for (uint32_t i = 0; i < 5003u * ch; i++) {
                    int16_t s = (int16_t)(15000 * sin(i * 0.013) + 7000 * sin(i * 0.21));
                    if (bits == 8) {
                        data.push_back((uint8_t)((s >> 8) + 128));
                    } else {
                        data.push_back((uint8_t)s);
                        data.push_back((uint8_t)((uint16_t)s >> 8));
                    }
                }
                char name[80];
                snprintf(name, sizeof name, "outc_%u_%u_%u_%u", rate, bits, ch, opt);
                std::string wav = interop(std::string(name) + ".wav");
                writeFile(wav, rate, bits, ch, data, {{21, text("compressed")}}, opt);
                Opened o = openIn(wav);
                ASSERT_NE(o.h, 0u) << name;
                EXPECT_EQ(o.rate, rate);
                EXPECT_EQ(o.channels, ch);
                EXPECT_EQ(o.bits, 16);
                EXPECT_EQ(flt().options(o.h), opt);
                Buf back = readData(o);
                EXPECT_EQ(back.size(), 5003u * ch * 2) << name << ": the fact chunk keeps the length";
                EXPECT_EQ(readItems(o.h), Items({{21, text("compressed")}}));
                flt().close(o.h);
                writeBytes(interop(std::string(name) + ".raw"), back);
            }
}
