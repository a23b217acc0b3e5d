/*
 * test_wavcore.cpp - the wave reader/writer core: decoding of every readable encoding,
 * round trips with every special item, damaged and hostile files, write faults, the corpus.
 */
#include "filters/wave/wavcore.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Buf;

static void add16(Buf &b, uint32_t v) { b.push_back((uint8_t)v); b.push_back((uint8_t)(v >> 8)); }
static void add32(Buf &b, uint32_t v) { add16(b, v & 0xFFFF); add16(b, v >> 16); }
static void addId(Buf &b, const char *id) { b.insert(b.end(), id, id + 4); }
static void addChunk(Buf &b, const char *id, const Buf &body, bool pad = true)
{
    addId(b, id);
    add32(b, (uint32_t)body.size());
    b.insert(b.end(), body.begin(), body.end());
    if (pad && (body.size() & 1))
        b.push_back(0);
}
static Buf fmtChunk(uint16_t tag, uint16_t ch, uint32_t rate, uint16_t bits, uint16_t container = 0)
{
    Buf f;
    uint16_t cs = container ? container : (uint16_t)((bits + 7) / 8);
    add16(f, tag); add16(f, ch); add32(f, rate); add32(f, rate * ch * cs); add16(f, ch * cs); add16(f, bits);
    return f;
}
static Buf extFmt(uint16_t sub, uint16_t ch, uint32_t rate, uint16_t bits)
{
    Buf f = fmtChunk(0xFFFE, ch, rate, bits);
    add16(f, 22); add16(f, bits); add32(f, 3); add16(f, sub);
    static const uint8_t tail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    f.insert(f.end(), tail, tail + 14);
    return f;
}
/* A RIFF WAVE image of the given chunks with a correct RIFF size. */
static Buf riff(const Buf &chunks)
{
    Buf b;
    addId(b, "RIFF"); add32(b, (uint32_t)chunks.size() + 4); addId(b, "WAVE");
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}
static Buf simple(const Buf &fmt, const Buf &data)
{
    Buf c;
    addChunk(c, "fmt ", fmt);
    addChunk(c, "data", data);
    return riff(c);
}
static Buf readAll(WavReader *r, uint32_t piece = 1000)
{
    Buf out, tmp(piece, 0x66);
    uint32_t n;
    while ((n = wavRead(r, tmp.data(), piece)) > 0)
        out.insert(out.end(), tmp.begin(), tmp.begin() + n);
    return out;
}
static std::vector<int16_t> as16(const Buf &b)
{
    std::vector<int16_t> v;
    for (size_t i = 0; i + 1 < b.size(); i += 2)
        v.push_back((int16_t)(b[i] | (b[i + 1] << 8)));
    return v;
}
static Buf fileBytes(const std::string &path)
{
    Buf b;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return b;
    int c;
    while ((c = fgetc(f)) != EOF)
        b.push_back((uint8_t)c);
    fclose(f);
    return b;
}

/* ---- 1. Samples that the editor takes as they are ---- */

TEST(WavRead, Pcm8And16MonoStereoPassThrough)
{
    for (int bits : {8, 16})
        for (int ch : {1, 2}) {
            Buf data;
            for (int i = 0; i < 301 * ch * bits / 8; i++)
                data.push_back((uint8_t)(i * 7 + 3));
            Buf img = simple(fmtChunk(1, ch, 22050, bits), data);
            int res = -1;
            WavReader *r = wavOpenMemory(img.data(), img.size(), &res, NULL);
            ASSERT_TRUE(r) << bits << "/" << ch;
            EXPECT_EQ(res, WAV_OK);
            EXPECT_EQ(wavInfo(r)->rate, 22050u);
            EXPECT_EQ(wavInfo(r)->bits, bits);
            EXPECT_EQ(wavInfo(r)->channels, ch);
            EXPECT_EQ(wavInfo(r)->bytes, data.size());
            for (uint32_t piece : {1u, 3u, 1000u, 70000u}) {
                wavSeek(r, 0);
                EXPECT_EQ(readAll(r, piece), data) << bits << "/" << ch << " piece " << piece;
            }
            wavClose(r);
        }
}

TEST(WavRead, SeekLandsOnTheSameBytesAsAFullRead)
{
    Buf data;
    for (int i = 0; i < 4000; i++)
        data.push_back((uint8_t)(i * 13));
    Buf img = simple(fmtChunk(1, 2, 8000, 24), data);   /* decoded, so seeks go through refill */
    WavReader *r = wavOpenMemory(img.data(), img.size(), NULL, NULL);
    ASSERT_TRUE(r);
    Buf all = readAll(r);
    for (uint32_t pos : {0u, 1u, 3u, 4u, 999u, (uint32_t)all.size() - 1, (uint32_t)all.size(), 99999u}) {
        uint32_t at = wavSeek(r, pos);
        EXPECT_EQ(at, pos < all.size() ? pos : all.size());
        Buf rest = readAll(r, 77);
        EXPECT_EQ(rest, Buf(all.begin() + at, all.end())) << pos;
    }
    wavClose(r);
}

/* ---- 2. Wider and other encodings become 16-bit ---- */

TEST(WavConvert, IntegerSamplesRoundHalfUpAndClipAtTheTop)
{
    Buf d24;
    for (uint32_t v : {0x000080u, 0x00007Fu, 0xFFFF80u, 0x7FFFFFu, 0x800000u, 0x123456u}) {
        d24.push_back((uint8_t)v); d24.push_back((uint8_t)(v >> 8)); d24.push_back((uint8_t)(v >> 16));
    }
    Buf img = simple(fmtChunk(1, 1, 44100, 24), d24);
    WavReader *r = wavOpenMemory(img.data(), img.size(), NULL, NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(wavInfo(r)->bits, 16);
    EXPECT_EQ(as16(readAll(r)), (std::vector<int16_t>{1, 0, 0, 32767, -32768, 0x1234}));
    wavClose(r);

    Buf d32;
    for (uint32_t v : {0x00008000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFF7FFFu})
        add32(d32, v);
    img = simple(fmtChunk(1, 1, 44100, 32), d32);
    r = wavOpenMemory(img.data(), img.size(), NULL, NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(as16(readAll(r)), (std::vector<int16_t>{1, 32767, -32768, -1}));
    wavClose(r);
}

TEST(WavConvert, FloatSamplesScaleClipAndSilenceNaN)
{
    const double in[] = {0.0, 0.5, -0.5, 1.0, -1.0, 2.5, -7.0, NAN, 1.0 / 65536.0, -1.0 / 65536.0};
    const int16_t want[] = {0, 16384, -16384, 32767, -32768, 32767, -32768, 0, 1, 0};
    for (int bits : {32, 64}) {
        Buf d;
        for (double x : in) {
            if (bits == 32) {
                float f = (float)x; uint32_t u; memcpy(&u, &f, 4); add32(d, u);
            } else {
                uint64_t u; memcpy(&u, &x, 8); add32(d, (uint32_t)u); add32(d, (uint32_t)(u >> 32));
            }
        }
        Buf img = simple(fmtChunk(3, 1, 48000, bits), d);
        WavReader *r = wavOpenMemory(img.data(), img.size(), NULL, NULL);
        ASSERT_TRUE(r) << bits;
        EXPECT_EQ(wavInfo(r)->fileEncoding, WAV_ENC_FLOAT);
        EXPECT_EQ(as16(readAll(r)), std::vector<int16_t>(want, want + 10)) << bits;
        wavClose(r);
    }
}

TEST(WavConvert, G711ExpandsToTheStandardValues)
{
    EXPECT_EQ(wavMulawToLinear(0xFF), 0);
    EXPECT_EQ(wavMulawToLinear(0x7F), 0);
    EXPECT_EQ(wavMulawToLinear(0x80), 32124);
    EXPECT_EQ(wavMulawToLinear(0x00), -32124);
    EXPECT_EQ(wavAlawToLinear(0xD5), 8);
    EXPECT_EQ(wavAlawToLinear(0x55), -8);
    EXPECT_EQ(wavAlawToLinear(0xAA), 32256);
    EXPECT_EQ(wavAlawToLinear(0x2A), -32256);
    for (uint16_t tag : {6, 7}) {
        Buf d = {0x00, 0x80, 0xFF, 0x55};
        Buf img = simple(fmtChunk(tag, 2, 8000, 8), d);
        WavReader *r = wavOpenMemory(img.data(), img.size(), NULL, NULL);
        ASSERT_TRUE(r);
        EXPECT_EQ(wavInfo(r)->bits, 16);
        EXPECT_EQ(wavInfo(r)->channels, 2);
        std::vector<int16_t> got = as16(readAll(r));
        ASSERT_EQ(got.size(), 4u);
        for (int i = 0; i < 4; i++)
            EXPECT_EQ(got[i], tag == 6 ? wavAlawToLinear(d[i]) : wavMulawToLinear(d[i]));
        wavClose(r);
    }
}

TEST(WavConvert, ExtensibleIsReadLikeItsSubFormat)
{
    Buf d;
    for (int i = 0; i < 30; i++)
        d.push_back((uint8_t)(i * 37));
    Buf plain = simple(fmtChunk(1, 2, 44100, 24), d), ext = simple(extFmt(1, 2, 44100, 24), d);
    WavReader *a = wavOpenMemory(plain.data(), plain.size(), NULL, NULL);
    WavReader *b = wavOpenMemory(ext.data(), ext.size(), NULL, NULL);
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(wavInfo(b)->extensible);
    EXPECT_EQ(readAll(a), readAll(b));
    wavClose(a);
    wavClose(b);
    /* 16-bit extensible is delivered as it is. */
    Buf e16 = simple(extFmt(1, 1, 44100, 16), d);
    WavReader *c = wavOpenMemory(e16.data(), e16.size(), NULL, NULL);
    ASSERT_TRUE(c);
    EXPECT_EQ(readAll(c), d);
    wavClose(c);
}

TEST(WavConvert, MoreThanTwoChannelsMixDownToStereo)
{
    /* L, R, C at 16 bits: left = (2L + C) / 3, right = (2R + C) / 3. */
    Buf d;
    add16(d, 3000); add16(d, (uint16_t)-3000); add16(d, 6000);
    add16(d, 32767); add16(d, 32767); add16(d, 32767);
    Buf img = simple(fmtChunk(1, 3, 44100, 16), d);
    WavReader *r = wavOpenMemory(img.data(), img.size(), NULL, NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(wavInfo(r)->channels, 2);
    EXPECT_EQ(wavInfo(r)->fileChannels, 3);
    EXPECT_EQ(wavInfo(r)->bytes, 8u);
    EXPECT_EQ(as16(readAll(r)), (std::vector<int16_t>{4000, 0, 32767, 32767}));
    wavClose(r);
}

/* ---- 3. Refusals say why ---- */

TEST(WavRefuse, EachUnreadableHeaderHasItsReason)
{
    struct Case { Buf img; int result; const char *word; };
    Buf noFmt, noData, adpcm, badGuid, shortFmt;
    addChunk(noFmt, "data", Buf(10));
    addChunk(noData, "fmt ", fmtChunk(1, 1, 8000, 8));
    Buf g = extFmt(1, 1, 8000, 16);
    g[30] ^= 0xFF;
    Buf f8 = fmtChunk(1, 1, 8000, 8);
    std::vector<Case> cases = {
        {Buf(), WAV_NOTWAVE, "RIFF"},
        {Buf({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}), WAV_NOTWAVE, "RIFF"},
        {riff(noFmt), WAV_DAMAGED, "format"},
        {riff(noData), WAV_DAMAGED, "data"},
        {simple(fmtChunk(1, 0, 8000, 8), Buf(4)), WAV_DAMAGED, "channels"},
        {simple(fmtChunk(1, 1, 0, 8), Buf(4)), WAV_DAMAGED, "0 Hz"},
        {simple(fmtChunk(2, 1, 8000, 4), Buf(4)), WAV_UNSUPPORTED, "compressed"},
        {simple(fmtChunk(3, 1, 8000, 16), Buf(4)), WAV_UNSUPPORTED, "floating"},
        {simple(fmtChunk(1, 1, 8000, 40), Buf(10)), WAV_UNSUPPORTED, "integer"},
        {simple(fmtChunk(1, 300, 8000, 8), Buf(600)), WAV_UNSUPPORTED, "channels"},
        {simple(g, Buf(4)), WAV_UNSUPPORTED, "sub-format"},
        {simple(Buf(f8.begin(), f8.begin() + 12), Buf(4)), WAV_DAMAGED, "short"},
        {simple(Buf(fmtChunk(0xFFFE, 1, 8000, 16)), Buf(4)), WAV_DAMAGED, "incomplete"},
    };
    for (size_t i = 0; i < cases.size(); i++) {
        int res = -1;
        const char *why = NULL;
        WavReader *r = wavOpenMemory(cases[i].img.data(), cases[i].img.size(), &res, &why);
        EXPECT_EQ(r, nullptr) << i;
        EXPECT_EQ(res, cases[i].result) << i;
        ASSERT_TRUE(why) << i;
        EXPECT_NE(std::string(why).find(cases[i].word), std::string::npos) << i << ": " << why;
        wavClose(r);
    }
    int res = -1;
    EXPECT_EQ(wavOpenFile(zt::tempPath("no-such.wav").c_str(), &res, NULL), nullptr);
    EXPECT_EQ(res, WAV_IOERROR);
}

/* ---- 4. Damaged but readable files ---- */

TEST(WavDamage, OddChunkWithoutPadByteAndUnknownChunksInAnyOrder)
{
    Buf data = {1, 2, 3, 4, 5, 6};
    Buf c;
    addChunk(c, "junk", Buf(3, 'x'), false);            /* odd, pad missing */
    addChunk(c, "LIST", Buf({'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 3, 0, 0, 0, 'a', 'b', 'c'}), false);
    addChunk(c, "data", data);
    addChunk(c, "abcd", Buf(5, 'y'));                   /* odd, with pad */
    addChunk(c, "fmt ", fmtChunk(1, 1, 11025, 8));     /* after the data */
    Buf img = riff(c);
    WavReader *r = wavOpenMemory(img.data(), img.size(), NULL, NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(wavInfo(r)->rate, 11025u);
    EXPECT_EQ(readAll(r), data);
    ASSERT_EQ(wavSpecialSize(r, 28), 4u);              /* text gets its zero */
    char t[8];
    EXPECT_EQ(wavReadSpecial(r, 28, t, sizeof t), 4u);
    EXPECT_STREQ(t, "abc");
    wavClose(r);
}

TEST(WavDamage, WrongRiffSizeShortDataAndHugeSizesAreSurvived)
{
    Buf data(1000);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (uint8_t)i;
    Buf img = simple(fmtChunk(1, 2, 8000, 16), data);
    for (uint32_t riffSize : {0u, 4u, 0xFFFFFFFFu, 100u}) {
        Buf b = img;
        b[4] = (uint8_t)riffSize; b[5] = (uint8_t)(riffSize >> 8); b[6] = (uint8_t)(riffSize >> 16); b[7] = (uint8_t)(riffSize >> 24);
        WavReader *r = wavOpenMemory(b.data(), b.size(), NULL, NULL);
        ASSERT_TRUE(r) << riffSize;
        EXPECT_EQ(readAll(r), data);
        wavClose(r);
    }
    /* A data chunk cut short (and one claiming 4 GB) reads the whole frames that are there. */
    for (size_t cut : {1u, 2u, 3u, 501u, 999u}) {
        Buf b(img.begin(), img.end() - cut);
        WavReader *r = wavOpenMemory(b.data(), b.size(), NULL, NULL);
        ASSERT_TRUE(r) << cut;
        EXPECT_TRUE(wavInfo(r)->truncated);
        size_t whole = (1000 - cut) / 4 * 4;
        EXPECT_EQ(wavInfo(r)->bytes, whole);
        EXPECT_EQ(readAll(r), Buf(data.begin(), data.begin() + whole));
        wavClose(r);
    }
    Buf huge = img;
    huge[40] = huge[41] = huge[42] = huge[43] = 0xFF;
    WavReader *r = wavOpenMemory(huge.data(), huge.size(), NULL, NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(wavInfo(r)->bytes, 1000u);
    wavClose(r);
}

TEST(WavDamage, SpecialChunksWithLyingCountsAreClampedNotTrusted)
{
    Buf cue, plst, list;
    add32(cue, 0x7FFFFFFF);                        /* count far beyond the chunk */
    for (int i = 0; i < 24 * 2; i++) cue.push_back((uint8_t)i);
    add32(plst, 1000000);
    for (int i = 0; i < 12; i++) plst.push_back(9);
    addId(list, "INFO"); addId(list, "ICMT"); add32(list, 0xFFFFFF00);  /* runs past the end */
    list.push_back('z');
    Buf c;
    addChunk(c, "fmt ", fmtChunk(1, 1, 8000, 8));
    addChunk(c, "data", Buf(4, 0x80));
    addChunk(c, "cue ", cue);
    addChunk(c, "plst", plst);
    addChunk(c, "LIST", list);
    Buf img = riff(c);
    WavReader *r = wavOpenMemory(img.data(), img.size(), NULL, NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(wavSpecialSize(r, 40), 48u);
    EXPECT_EQ(wavSpecialSize(r, 44), 12u);
    EXPECT_EQ(wavSpecialSize(r, 21), 2u);          /* "z" and the zero the host needs */
    wavClose(r);
}

TEST(WavDamage, EveryPrefixOfAFileWithAllItemsIsSafe)
{
    std::string path = zt::tempPath("prefix.wav");
    WavWriter *w = wavCreate(path.c_str(), 8000, 16, 2, 40, NULL);
    ASSERT_TRUE(w);
    Buf s(40, 7);
    wavWrite(w, s.data(), 40);
    wavWriteSpecial(w, 21, "comment", 8);
    wavWriteSpecial(w, 34, "\1\0\0\0disp", 9);
    uint8_t cue[24] = {1};
    wavWriteSpecial(w, 40, cue, 24);
    ASSERT_EQ(wavFinish(w), WAV_OK);
    Buf img = fileBytes(path);
    for (size_t n = 0; n <= img.size(); n++) {
        WavReader *r = wavOpenMemory(img.data(), n, NULL, NULL);
        if (r) {
            EXPECT_LE(readAll(r).size(), 40u);
            for (int code = 20; code <= 44; code++) {
                uint32_t k = wavSpecialSize(r, code);
                Buf b(k + 1);
                EXPECT_LE(wavReadSpecial(r, code, b.data(), k), k + 1);
            }
            wavClose(r);
        }
    }
}

/* ---- 5. Writing ---- */

static void writeFile(const std::string &path, uint16_t bits, uint16_t ch, const Buf &data, uint32_t declared,
                      uint32_t piece)
{
    WavWriter *w = wavCreate(path.c_str(), 22050, bits, ch, declared, NULL);
    ASSERT_TRUE(w);
    for (size_t p = 0; p < data.size(); p += piece) {
        uint32_t n = (uint32_t)std::min<size_t>(piece, data.size() - p);
        EXPECT_EQ(wavWrite(w, data.data() + p, n), n);
    }
    ASSERT_EQ(wavFinish(w), WAV_OK);
}

TEST(WavWrite, RoundTripsEveryWritableTypeAtAnyPieceSize)
{
    for (int bits : {8, 16})
        for (int ch : {1, 2})
            for (uint32_t piece : {1u, 3u, 4096u}) {
                uint32_t block = bits / 8 * ch;
                Buf data;
                for (uint32_t i = 0; i < 333 * block; i++)
                    data.push_back((uint8_t)(i * 11 + 5));
                std::string path = zt::tempPath("rt.wav");
                writeFile(path, bits, ch, data, (uint32_t)data.size(), piece);
                Buf img = fileBytes(path);
                ASSERT_GE(img.size(), 44u);
                EXPECT_EQ(img.size() % 2, 0u);
                EXPECT_EQ(img[4] | (img[5] << 8) | (img[6] << 16) | (img[7] << 24), (int)img.size() - 8);
                WavReader *r = wavOpenFile(path.c_str(), NULL, NULL);
                ASSERT_TRUE(r);
                EXPECT_EQ(wavInfo(r)->bits, bits);
                EXPECT_EQ(wavInfo(r)->channels, ch);
                EXPECT_EQ(wavInfo(r)->rate, 22050u);
                EXPECT_FALSE(wavInfo(r)->truncated);
                EXPECT_EQ(readAll(r), data);
                wavClose(r);
            }
}

TEST(WavWrite, ShortOrLongWritesStillGiveCorrectSizes)
{
    Buf data(101, 0x42);                            /* odd: 8-bit mono needs the pad byte */
    for (uint32_t declared : {0u, 50u, 101u, 5000u}) {
        std::string path = zt::tempPath("sizes.wav");
        writeFile(path, 8, 1, data, declared, 10);
        Buf img = fileBytes(path);
        EXPECT_EQ(img.size(), 44u + 102u) << declared;
        EXPECT_EQ(img[40], 101) << declared;
        EXPECT_EQ(img[4], img.size() - 8) << declared;
        EXPECT_EQ(img[44 + 100], 0x42);
        EXPECT_EQ(img[44 + 101], 0);
    }
    /* A trailing partial frame is dropped rather than left as half a frame. */
    std::string path = zt::tempPath("partial.wav");
    writeFile(path, 16, 2, Buf(10, 1), 10, 3);
    Buf img = fileBytes(path);
    EXPECT_EQ(img[40], 8);
}

TEST(WavWrite, RefusesTypesItCannotStore)
{
    int res = -1;
    std::string path = zt::tempPath("bad.wav");
    EXPECT_EQ(wavCreate(path.c_str(), 8000, 24, 1, 0, &res), nullptr);
    EXPECT_EQ(res, WAV_BADTYPE);
    EXPECT_EQ(wavCreate(path.c_str(), 8000, 16, 3, 0, &res), nullptr);
    EXPECT_EQ(wavCreate(path.c_str(), 0, 16, 1, 0, &res), nullptr);
    EXPECT_FALSE(wavCanWriteSpecial(19));
    EXPECT_FALSE(wavCanWriteSpecial(35));
    EXPECT_TRUE(wavCanWriteSpecial(34));
    EXPECT_TRUE(wavCanWriteSpecial(44));
    WavWriter *w = wavCreate(path.c_str(), 8000, 16, 1, 0, NULL);
    ASSERT_TRUE(w);
    EXPECT_EQ(wavWriteSpecial(w, 40, "abc", 3), WAV_BADTYPE);   /* not whole cue records */
    EXPECT_EQ(wavWriteSpecial(w, 44, "abcdefghijklm", 13), WAV_BADTYPE);
    EXPECT_EQ(wavFinish(w), WAV_OK);
}

TEST(WavWrite, FullDiskAndFailingCreateAreReported)
{
    std::string path = zt::tempPath("full.wav");
    OsFault.failCreate = 1;
    int res = -1;
    EXPECT_EQ(wavCreate(path.c_str(), 8000, 16, 1, 100, &res), nullptr);
    EXPECT_EQ(res, WAV_IOERROR);
    osFaultReset();

    WavWriter *w = wavCreate(path.c_str(), 8000, 16, 1, 4000, NULL);
    ASSERT_TRUE(w);
    OsFault.writeBudget = 1000;
    Buf data(4000, 3);
    EXPECT_LT(wavWrite(w, data.data(), 4000), 4000u);
    wavWriteSpecial(w, 21, "lost", 5);
    EXPECT_EQ(wavFinish(w), WAV_IOERROR);
    osFaultReset();
    /* What did reach the disk is still a readable wave file. */
    WavReader *r = wavOpenFile(path.c_str(), NULL, NULL);
    ASSERT_TRUE(r);
    EXPECT_LE(wavInfo(r)->bytes, 1000u);
    wavClose(r);
}

/* ---- 6. Special items round trip byte for byte ---- */

TEST(WavSpecial, EveryCodeReadsBackExactlyAsWritten)
{
    std::string path = zt::tempPath("special.wav");
    WavWriter *w = wavCreate(path.c_str(), 44100, 16, 2, 400, NULL);
    ASSERT_TRUE(w);
    Buf data(400, 9);
    wavWrite(w, data.data(), 400);

    std::vector<std::pair<int, Buf>> written;
    auto put = [&](int code, const void *p, uint32_t n) {
        ASSERT_EQ(wavWriteSpecial(w, code, p, n), WAV_OK) << code;
        written.push_back({code, Buf((const uint8_t *)p, (const uint8_t *)p + n)});
    };
    for (int code = 20; code <= 33; code++) {
        std::string t = "text of " + std::to_string(code) + std::string(code % 2, '!');
        put(code, t.c_str(), (uint32_t)t.size() + 1);
    }
    put(21, "second comment", 15);
    put(21, "third", 6);
    put(34, "\x01\0\0\0display one", 16);
    put(34, "\x08\0\0\0\x01\x02\x03", 7);
    uint8_t cues[48];
    for (int i = 0; i < 48; i++) cues[i] = (uint8_t)(i * 3);
    put(40, cues, 48);
    uint8_t lens[40] = {0};
    for (int k = 0; k < 2; k++) {
        lens[k * 20] = (uint8_t)(k + 1);
        lens[k * 20 + 4] = (uint8_t)(100 + k);
        memcpy(lens + k * 20 + 8, "mark", 4);
    }
    put(41, lens, 40);
    const char notes[] = "\x01\0\0\0first note\0\x02\0\0\0n2";   /* the final zero is the literal's */
    put(42, notes, sizeof notes);
    const char labels[] = "\x01\0\0\0one\0\x02\0\0\0" "label two";
    put(43, labels, sizeof labels);
    uint8_t plst[24];
    for (int i = 0; i < 24; i++) plst[i] = (uint8_t)(200 - i);
    put(44, plst, 24);
    ASSERT_EQ(wavFinish(w), WAV_OK);

    WavReader *r = wavOpenFile(path.c_str(), NULL, NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(readAll(r), data);
    for (auto &item : written) {
        uint32_t n = wavSpecialSize(r, item.first);
        ASSERT_EQ(n, item.second.size()) << item.first;
        Buf got(n + 4, 0x66);
        EXPECT_EQ(wavReadSpecial(r, item.first, got.data(), n), n);
        EXPECT_EQ(Buf(got.begin(), got.begin() + n), item.second) << item.first;
        EXPECT_EQ(got[n], 0x66) << "wrote past the size it was given";
    }
    for (int code = 20; code <= 44; code++)
        EXPECT_EQ(wavSpecialSize(r, code), 0u) << code;
    wavClose(r);

    /* The file holds the RIFF forms: ltxt "rgn " and an INFO list. */
    Buf img = fileBytes(path);
    std::string s(img.begin(), img.end());
    EXPECT_NE(s.find("rgn "), std::string::npos);
    EXPECT_NE(s.find("INFOIART"), std::string::npos);
    EXPECT_NE(s.find("adtl"), std::string::npos);
}

TEST(WavSpecial, SmallBufferGetsTruncatedCopyOnly)
{
    std::string path = zt::tempPath("small.wav");
    WavWriter *w = wavCreate(path.c_str(), 8000, 8, 1, 0, NULL);
    ASSERT_TRUE(w);
    wavWriteSpecial(w, 28, "a long name", 12);
    ASSERT_EQ(wavFinish(w), WAV_OK);
    WavReader *r = wavOpenFile(path.c_str(), NULL, NULL);
    ASSERT_TRUE(r);
    EXPECT_EQ(wavInfo(r)->bytes, 0u);
    char b[8];
    memset(b, 0x66, sizeof b);
    EXPECT_EQ(wavReadSpecial(r, 28, b, 4), 4u);
    EXPECT_EQ(memcmp(b, "a lo", 4), 0);
    EXPECT_EQ((uint8_t)b[4], 0x66);
    wavClose(r);
}

/* ---- 7. The shared corpus ---- */

static void corpusRun(const char *sub, int mustOpen)
{
    std::string dir = zt::corpusDir(std::string("wave/") + sub);
    if (dir.empty())
        GTEST_SKIP() << "corpus not present";
    struct Ctx { std::string dir; int mustOpen; int seen, opened; } ctx = {dir, mustOpen, 0, 0};
    osListDir(dir.c_str(), "*.wav", [](const char *name, uint32_t, void *p) {
        Ctx *c = (Ctx *)p;
        std::string path = c->dir + "/" + name;
        int res = -1;
        const char *why = NULL;
        WavReader *r = wavOpenFile(path.c_str(), &res, &why);
        c->seen++;
        if (r) {
            c->opened++;
            Buf all = readAll(r, 4096);
            EXPECT_EQ(all.size(), wavInfo(r)->bytes) << name;
            EXPECT_TRUE(wavInfo(r)->channels == 1 || wavInfo(r)->channels == 2);
            wavClose(r);
        } else {
            EXPECT_TRUE(why && *why) << name;
            if (c->mustOpen)
                ADD_FAILURE() << name << " refused: " << why;
        }
        return 1;
    }, &ctx);
    EXPECT_GT(ctx.seen, 0);
    printf("corpus %s: %d files, %d opened\n", sub, ctx.seen, ctx.opened);
}

TEST(WavCorpus, EveryValidFileOpens) { corpusRun("valid", 1); }
TEST(WavCorpus, InvalidFilesAreRefusedOrReadSafely) { corpusRun("invalid", 0); }
TEST(WavCorpus, UnsupportedFilesAreRefusedOrReadSafely) { corpusRun("unsupported", 0); }
