/*
 * test_wavcompress.cpp - compressed wave files in the wave core: u-law and A-law written and
 * read back code for code, IMA ADPCM written and read back close to the original with the
 * exact frame count (fact chunk) in both channel counts and odd lengths, and damaged IMA files
 * (a block size that cannot be, a step index out of range, a cut block) refused or read up
 * to the damage.
 */
#include "filters/wave/wavcore.h"
#include "filters/common/zadpcm.h"
#include "filters/common/zcodec.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

typedef std::vector<uint8_t> Buf;

namespace {

Buf fileOf(const std::string &path)
{
    Buf b;
    FILE *f = fopen(path.c_str(), "rb");
    int c;
    while (f && (c = fgetc(f)) != EOF)
        b.push_back((uint8_t)c);
    if (f)
        fclose(f);
    return b;
}

Buf writeComp(uint32_t options, uint16_t bits, uint16_t ch, const Buf &data, uint32_t rate = 22050)
{
    std::string path = zt::tempPath("comp.wav");
    int res = -1;
    WavWriter *w = wavCreate2(path.c_str(), rate, bits, ch, (uint32_t)data.size(), options, &res);
    EXPECT_TRUE(w);
    EXPECT_EQ(res, WAV_OK);
    if (!w)
        return Buf();
    for (size_t at = 0; at < data.size(); at += 333)
        EXPECT_EQ(wavWrite(w, data.data() + at, (uint32_t)std::min<size_t>(333, data.size() - at)),
                  (uint32_t)std::min<size_t>(333, data.size() - at));
    const char note[] = "note";
    wavWriteSpecial(w, 21, note, sizeof note);
    EXPECT_EQ(wavFinish(w), WAV_OK);
    return fileOf(path);
}

Buf readBack(const Buf &file, WavInfo *info, uint32_t *note = NULL)
{
    const char *why = NULL;
    WavReader *r = wavOpenMemory(file.data(), file.size(), NULL, &why);
    EXPECT_TRUE(r) << (why ? why : "");
    if (!r)
        return Buf();
    *info = *wavInfo(r);
    Buf out(info->bytes + 10);
    uint32_t n = 0, got;
    while ((got = wavRead(r, out.data() + n, 777)) > 0)
        n += got;
    out.resize(n);
    if (note)
        *note = wavSpecialSize(r, 21);
    wavClose(r);
    return out;
}

Buf sine16(uint32_t frames, uint16_t ch)
{
    Buf b;
    for (uint32_t i = 0; i < frames; i++)
        for (uint16_t c = 0; c < ch; c++) {
            int16_t s = (int16_t)(20000 * sin(i * (0.03 + 0.02 * c)) + 5000 * sin(i * 0.31));
            b.push_back((uint8_t)s);
            b.push_back((uint8_t)((uint16_t)s >> 8));
        }
    return b;
}

} // namespace

TEST(WavCompress, G711CodesComeBackExactly)
{
    for (uint32_t opt : {(uint32_t)WAV_OPT_MULAW, (uint32_t)WAV_OPT_ALAW}) {
        Buf data;
        for (int c = 0; c < 256; c++) {
            int16_t s = opt == WAV_OPT_MULAW ? zcUlawToLinear((uint8_t)c) : zcAlawToLinear((uint8_t)c);
            data.push_back((uint8_t)s);
            data.push_back((uint8_t)((uint16_t)s >> 8));
        }
        data.insert(data.end(), data.begin(), data.begin() + 2);    /* 257 mono frames: a pad byte */
        Buf file = writeComp(opt, 16, 1, data);
        EXPECT_EQ(file[20], opt == WAV_OPT_MULAW ? 7 : 6);
        EXPECT_EQ(zcLe32(&file[46]), 257u) << "the fact chunk counts the frames";
        WavInfo in;
        uint32_t note = 0;
        EXPECT_EQ(readBack(file, &in, &note), data);
        EXPECT_EQ(note, 5u) << "items still follow the samples";
        EXPECT_EQ(in.fileEncoding, opt == WAV_OPT_MULAW ? WAV_ENC_MULAW : WAV_ENC_ALAW);
        EXPECT_EQ(in.bits, 16);
    }
    /* 8-bit input goes through the same codes. */
    Buf eight = {0x80, 0xFF, 0x00, 0x81};
    Buf file = writeComp(WAV_OPT_MULAW, 8, 2, eight);
    WavInfo in;
    Buf back = readBack(file, &in);
    ASSERT_EQ(back.size(), 8u);
    EXPECT_EQ(zcLe16(&back[0]), 0);
    EXPECT_GT((int16_t)zcLe16(&back[2]), 30000);
    EXPECT_LT((int16_t)zcLe16(&back[4]), -30000);
}

TEST(WavCompress, ImaAdpcmKeepsTheSoundAndTheLength)
{
    for (uint16_t ch : {1, 2})
        for (uint32_t frames : {1u, 7u, 2041u, 2042u, 10001u}) {
            Buf data = sine16(frames, ch);
            Buf file = writeComp(WAV_OPT_IMA, 16, ch, data);
            EXPECT_EQ(zcLe16(&file[20]), 0x11);
            EXPECT_EQ(zcLe16(&file[32]), 512u * ch) << "blocks of 256 bytes per channel per 11025 Hz";
            WavInfo in;
            Buf back = readBack(file, &in);
            ASSERT_EQ(back.size(), data.size()) << ch << " " << frames;
            EXPECT_EQ(in.fileEncoding, WAV_ENC_IMA);
            EXPECT_EQ(in.fileBits, 4);
            /* Signal to noise well above what 4 bits per sample give a sine (about 25 dB). */
            double sig = 0, err = 0;
            for (size_t i = 0; i < data.size(); i += 2) {
                double a = (int16_t)zcLe16(&data[i]), b = (int16_t)zcLe16(&back[i]);
                sig += a * a;
                err += (a - b) * (a - b);
            }
            if (frames > 100) {
                EXPECT_GT(10 * log10(sig / (err + 1)), 25.0) << ch << " " << frames;
            }
            /* Each block starts with its first sample exactly. */
            EXPECT_EQ(zcLe16(&back[0]), zcLe16(&data[0]));
        }
}

TEST(WavCompress, DamagedImaFilesAreRefusedOrReadUpToTheDamage)
{
    Buf data = sine16(5000, 2);
    Buf file = writeComp(WAV_OPT_IMA, 16, 2, data);
    const size_t dataAt = 60;
    ASSERT_EQ(memcmp(&file[dataAt - 8], "data", 4), 0);
    /* Cut in the second block: the first block whole, then what the cut block still holds. */
    Buf cut(file.begin(), file.begin() + dataAt + 1024 + 8 + 40);
    WavInfo in;
    Buf back = readBack(Buf(cut), &in);
    EXPECT_EQ(back.size(), (1017u + 1 + 8 * 5) * 4) << "a header and five groups of the cut block";
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 4068, readBack(file, &in).begin()));

    /* A step index past the table in the third block's header ends the data there. */
    Buf bad = file;
    bad[dataAt + 2 * 1024 + 2] = 89;
    back = readBack(bad, &in);
    EXPECT_EQ(back.size(), 2u * 1017 * 4);

    /* A block size that holds no whole group, and one past what the reader keeps. */
    for (uint16_t align : {(uint16_t)6, (uint16_t)12, (uint16_t)16384}) {
        Buf b = file;
        b[32] = (uint8_t)align;
        b[33] = (uint8_t)(align >> 8);
        const char *why = NULL;
        EXPECT_FALSE(wavOpenMemory(b.data(), b.size(), NULL, &why)) << align;
        EXPECT_TRUE(why);
    }
    /* Flipped header bytes and every cut length: no fault, never past the file. */
    for (size_t i = 0; i < dataAt + 16; i++) {
        Buf b = file;
        b[i] ^= 0xFF;
        WavReader *r = wavOpenMemory(b.data(), b.size(), NULL, NULL);
        if (r) {
            static uint8_t buf[4096];
            uint32_t total = 0, got;
            while ((got = wavRead(r, buf, sizeof buf)) > 0)
                total += got;
            EXPECT_EQ(total, wavInfo(r)->bytes);
            wavClose(r);
        }
    }
}

TEST(WavCompress, ImaCodecAlone)
{
    EXPECT_EQ(zaImaFramesPerBlock(1024, 2), 1017u);
    EXPECT_EQ(zaImaFramesPerBlock(256, 1), 505u);
    EXPECT_EQ(zaImaFramesPerBlock(8, 2), 0u);
    EXPECT_EQ(zaImaFramesPerBlock(10, 1), 0u);
    EXPECT_EQ(zaImaBlockAlign(44100, 2), 2048u);
    EXPECT_EQ(zaImaBlockAlign(8000, 1), 256u);
    /* A block of silence stays silent; the step index falls to the bottom. */
    int16_t in[505] = {0}, out[505];
    int index[2] = {40, 0};
    uint8_t block[256];
    zaImaEncode(in, 1, 505, 256, index, block);
    EXPECT_EQ(zaImaDecode(block, 256, 1, 505, out), 505u);
    for (int16_t s : out)
        EXPECT_LE(abs(s), 120);
    EXPECT_EQ(index[0], 0);
    EXPECT_EQ(zaImaDecode(block, 3, 1, 505, out), 0u) << "no whole header";
}
