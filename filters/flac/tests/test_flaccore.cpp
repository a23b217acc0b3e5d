/*
 * test_flaccore.cpp - the FLAC core on its own: MD5 against RFC 1321's examples, round trips
 * of crafted signals at every level, special items, damaged and doctored streams, and (when the
 * reference flac command is installed) its decoding of our files and our decoding of its files.
 */
#include "filters/flac/flaccore.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include <functional>
#include <algorithm>

typedef std::vector<uint8_t> Buf;

namespace {

Buf fileBytes(const std::string &path)
{
    Buf b;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return b;
    uint8_t tmp[65536];
    size_t n;
    while ((n = fread(tmp, 1, sizeof tmp, f)) > 0)
        b.insert(b.end(), tmp, tmp + n);
    fclose(f);
    return b;
}

void putFile(const std::string &path, const Buf &b)
{
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    fwrite(b.data(), 1, b.size(), f);
    fclose(f);
}

/* Encodes canonical PCM to a file, special items first as the host gives them. */
void encode(const std::string &path, uint32_t rate, uint16_t bits, uint16_t ch, const Buf &pcm, int level,
            const std::vector<std::pair<int, Buf>> &specials = {}, uint32_t piece = 65536)
{
    int rc = -1;
    FlcWriter *w = flcCreate(path.c_str(), rate, bits, ch, (uint32_t)pcm.size(), level, &rc);
    ASSERT_TRUE(w) << rc;
    for (auto &s : specials)
        EXPECT_EQ(flcWriteSpecial(w, s.first, s.second.data(), (uint32_t)s.second.size()), FLC_OK) << s.first;
    for (size_t p = 0; p < pcm.size(); p += piece)
        flcWrite(w, pcm.data() + p, (uint32_t)std::min<size_t>(piece, pcm.size() - p));
    EXPECT_EQ(flcFinish(w), FLC_OK);
}

Buf decodeAll(FlcReader *r, uint32_t piece = 7001)
{
    Buf out(piece);
    Buf all;
    uint32_t n;
    while ((n = flcRead(r, out.data(), piece)) > 0)
        all.insert(all.end(), out.begin(), out.begin() + n);
    return all;
}

Buf decodeFile(const std::string &path, int *md5 = nullptr, FlcInfo *info = nullptr)
{
    FlcReader *r = flcOpenFile(path.c_str(), nullptr, nullptr);
    if (!r)
        return Buf();
    Buf b = decodeAll(r);
    if (md5)
        *md5 = flcMd5State(r);
    if (info)
        *info = *flcInfo(r);
    flcClose(r);
    return b;
}

struct Lcg {
    uint32_t s;
    explicit Lcg(uint32_t seed) : s(seed) {}
    uint32_t next() { return s = s * 1664525u + 1013904223u; }
};

enum Signal { SILENCE, FULLSCALE, NOISE, SINE, STEPS, QUIET8 };

/* Canonical PCM of a crafted signal. */
Buf makePcm(Signal sig, uint16_t bits, uint16_t ch, uint32_t frames, uint32_t seed = 1)
{
    Buf b;
    Lcg g(seed);
    for (uint32_t i = 0; i < frames; i++)
        for (uint16_t c = 0; c < ch; c++) {
            int32_t v = 0;   /* in 16-bit scale */
            switch (sig) {
            case SILENCE: v = 0; break;
            case FULLSCALE: v = ((i / 3 + c) & 1) ? 32767 : -32768; break;
            case NOISE: v = (int32_t)(g.next() >> 16) - 32768; break;
            case SINE: v = (int32_t)lround(32000 * sin(i * 0.031 * (c + 1)) + (c ? 700 * sin(i * 0.9) : 0)); break;
            case STEPS: v = (int32_t)((i / 500) % 7) * 9000 - 27000 + c * 17; break;
            case QUIET8: v = ((int32_t)(g.next() >> 29) - 4) * 256; break;
            }
            if (bits == 8) {
                b.push_back((uint8_t)((v >> 8) + 128));
            } else {
                b.push_back((uint8_t)v);
                b.push_back((uint8_t)(v >> 8));
            }
        }
    return b;
}

bool haveFlac()
{
    static int have = -1;
    if (have < 0)
        have = system("flac --version >/dev/null 2>&1") == 0;
    return have == 1;
}

} // namespace

/* ---- MD5 ---- */

TEST(FlacMd5, MatchesTheRfc1321Examples)
{
    const char *in[] = {"", "a", "abc", "message digest", "abcdefghijklmnopqrstuvwxyz",
                        "12345678901234567890123456789012345678901234567890123456789012345678901234567890"};
    const char *want[] = {"d41d8cd98f00b204e9800998ecf8427e", "0cc175b9c0f1b6a831c399e269772661",
                          "900150983cd24fb0d6963f7d28e17f72", "f96b697d7cb7938d525a2f31aaf161d0",
                          "c3fcd3d76192e4007dfb496cca67e13b", "57edf4a22be3c955ac49da2e2107b67a"};
    for (int i = 0; i < 6; i++) {
        /* Fed in uneven pieces, so the block carry-over is exercised too. */
        FlcMd5 m;
        flcMd5Init(&m);
        size_t n = strlen(in[i]);
        for (size_t p = 0; p < n; p += 7)
            flcMd5Update(&m, in[i] + p, std::min<size_t>(7, n - p));
        uint8_t d[16];
        flcMd5Final(&m, d);
        char hex[33];
        for (int k = 0; k < 16; k++)
            snprintf(hex + 2 * k, 3, "%02x", d[k]);
        EXPECT_STREQ(hex, want[i]) << in[i];
    }
}

/* ---- round trips ---- */

TEST(FlacRoundTrip, CraftedSignalsComeBackExactlyAtEveryLevel)
{
    struct Case { Signal sig; uint16_t bits, ch; uint32_t frames; };
    const Case cases[] = {
        {SILENCE, 16, 2, 10000}, {FULLSCALE, 16, 2, 9000}, {NOISE, 16, 2, 8193}, {SINE, 16, 2, 20000},
        {SINE, 16, 1, 4097},     {STEPS, 16, 2, 5000},     {NOISE, 8, 1, 3000},  {SINE, 8, 2, 5001},
        {FULLSCALE, 8, 2, 2000}, {QUIET8, 16, 1, 6000},    {SINE, 16, 1, 1},     {NOISE, 16, 2, 15},
        {SINE, 16, 2, 1153},     {SINE, 8, 1, 17},         {SILENCE, 8, 1, 100},
    };
    std::string path = zt::tempPath("rt.flac");
    for (const Case &c : cases)
        for (int level = 0; level <= FLC_LEVEL_MAX; level++) {
            SCOPED_TRACE(testing::Message() << "signal " << c.sig << " bits " << c.bits << " ch " << c.ch
                                            << " frames " << c.frames << " level " << level);
            Buf pcm = makePcm(c.sig, c.bits, c.ch, c.frames);
            encode(path, 22050, c.bits, c.ch, pcm, level, {}, 999);
            int md5 = -1;
            FlcInfo info;
            Buf back = decodeFile(path, &md5, &info);
            ASSERT_EQ(back.size(), pcm.size());
            ASSERT_TRUE(back == pcm);
            EXPECT_EQ(md5, FLC_MD5_OK);
            EXPECT_EQ(info.rate, 22050u);
            EXPECT_EQ(info.bits, c.bits);
            EXPECT_EQ(info.channels, c.ch);
            EXPECT_EQ(info.fileFrames, c.frames);
        }
}

TEST(FlacRoundTrip, CompressesWhatIsCompressible)
{
    std::string path = zt::tempPath("size.flac");
    Buf pcm = makePcm(SINE, 16, 2, 44100);
    encode(path, 44100, 16, 2, pcm, 5);
    size_t l5 = fileBytes(path).size();
    encode(path, 44100, 16, 2, pcm, 0);
    size_t l0 = fileBytes(path).size();
    EXPECT_LT(l5, pcm.size() / 3) << "a clean sine should shrink well with LPC";
    EXPECT_LE(l5, l0);
    Buf quiet = makePcm(SILENCE, 16, 2, 44100);
    encode(path, 44100, 16, 2, quiet, 5);
    EXPECT_LT(fileBytes(path).size(), 2000u) << "silence is CONSTANT subframes";
    Buf noise = makePcm(NOISE, 16, 2, 20000);
    encode(path, 44100, 16, 2, noise, 8);
    EXPECT_LT(fileBytes(path).size(), noise.size() + noise.size() / 50) << "noise falls back to VERBATIM";
}

TEST(FlacRoundTrip, RatesOfEveryHeaderCodingAndEmptyStreams)
{
    std::string path = zt::tempPath("rates.flac");
    const uint32_t rates[] = {8000, 11025, 44100, 96000, 192000, 7000, 12345, 100000, 655350, 1};
    for (uint32_t rate : rates) {
        Buf pcm = makePcm(SINE, 16, 1, 3000);
        encode(path, rate, 16, 1, pcm, 3);
        FlcInfo info;
        EXPECT_TRUE(decodeFile(path, nullptr, &info) == pcm) << rate;
        EXPECT_EQ(info.rate, rate);
    }
    encode(path, 44100, 16, 2, Buf(), 5);
    int md5 = -1;
    FlcInfo info;
    EXPECT_TRUE(decodeFile(path, &md5, &info).empty());
    EXPECT_EQ(info.bytes, 0u);
    EXPECT_EQ(md5, FLC_MD5_OK);
}

TEST(FlacRoundTrip, RefusesWhatItCannotWrite)
{
    int rc = -1;
    EXPECT_FALSE(flcCreate(zt::tempPath("bad.flac").c_str(), 44100, 24, 2, 0, 5, &rc));
    EXPECT_EQ(rc, FLC_BADTYPE);
    EXPECT_FALSE(flcCreate(zt::tempPath("bad.flac").c_str(), 44100, 16, 3, 0, 5, &rc));
    EXPECT_EQ(rc, FLC_BADTYPE);
    EXPECT_FALSE(flcCreate(zt::tempPath("nodir/x/bad.flac").c_str(), 44100, 16, 2, 0, 5, &rc));
    EXPECT_EQ(rc, FLC_IOERROR);
}

TEST(FlacRoundTrip, SeekingBackAndForthDeliversTheSameBytes)
{
    std::string path = zt::tempPath("seek.flac");
    Buf pcm = makePcm(NOISE, 16, 2, 30000);
    encode(path, 44100, 16, 2, pcm, 2);
    FlcReader *r = flcOpenFile(path.c_str(), nullptr, nullptr);
    ASSERT_TRUE(r);
    uint8_t buf[100];
    EXPECT_EQ(flcSeek(r, 80002), 80000u);
    ASSERT_EQ(flcRead(r, buf, 100), 100u);
    EXPECT_EQ(memcmp(buf, pcm.data() + 80000, 100), 0);
    EXPECT_EQ(flcSeek(r, 400), 400u);
    ASSERT_EQ(flcRead(r, buf, 100), 100u);
    EXPECT_EQ(memcmp(buf, pcm.data() + 400, 100), 0);
    EXPECT_EQ(flcSeek(r, 0xFFFFFFFFu), (uint32_t)pcm.size());
    EXPECT_EQ(flcRead(r, buf, 100), 0u);
    flcClose(r);
}

/* ---- special items ---- */

namespace {
Buf text(const char *t) { return Buf(t, t + strlen(t) + 1); }
void put32(Buf &b, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b.push_back((uint8_t)(v >> (8 * i)));
}
Buf cueTable(const std::vector<std::pair<uint32_t, uint32_t>> &cues)
{
    Buf b;
    for (auto &c : cues) {
        put32(b, c.first);
        put32(b, c.second);
        b.insert(b.end(), {'d', 'a', 't', 'a'});
        put32(b, 0);
        put32(b, 0);
        put32(b, c.second);
    }
    return b;
}
Buf readItem(FlcReader *r, int code)
{
    uint32_t n = flcSpecialSize(r, code);
    Buf b(n);
    if (n) {
        EXPECT_EQ(flcReadSpecial(r, code, b.data(), n), n);
    }
    return b;
}
} // namespace

TEST(FlacSpecials, TextsAndCuesRoundTrip)
{
    std::string path = zt::tempPath("items.flac");
    Buf pcm = makePcm(SINE, 16, 2, 50000);
    Buf lengths;
    put32(lengths, 2);
    put32(lengths, 1234);
    lengths.insert(lengths.end(), {'m', 'a', 'r', 'k'});
    lengths.insert(lengths.end(), 8, 0);
    Buf labels, notes;
    put32(labels, 1);
    Buf t = text("intro");
    labels.insert(labels.end(), t.begin(), t.end());
    put32(labels, 2);
    t = text("Chorus caf\xe9");
    labels.insert(labels.end(), t.begin(), t.end());
    put32(notes, 2);
    t = text("a note");
    notes.insert(notes.end(), t.begin(), t.end());
    encode(path, 44100, 16, 2, pcm, 5,
           {{28, text("The Title")}, {20, text("Some Artist")}, {21, text("first")}, {21, text("second\xe9")},
            {23, Buf({'2', '0', '2', '6', 0, 0})},
            /* cues out of order: stored by position, numbered 1.. in that order */
            {40, cueTable({{2, 30000}, {1, 100}})}, {41, lengths}, {43, labels}, {42, notes}});
    FlcReader *r = flcOpenFile(path.c_str(), nullptr, nullptr);
    ASSERT_TRUE(r);
    EXPECT_EQ(readItem(r, 28), text("The Title"));
    EXPECT_EQ(readItem(r, 20), text("Some Artist"));
    EXPECT_EQ(readItem(r, 21), text("first"));
    EXPECT_EQ(readItem(r, 21), text("second\xe9"));
    EXPECT_EQ(flcSpecialSize(r, 21), 0u);
    EXPECT_EQ(readItem(r, 23), text("2026"));
    EXPECT_EQ(readItem(r, 40), cueTable({{1, 100}, {2, 30000}}));
    EXPECT_EQ(readItem(r, 41), lengths);
    EXPECT_EQ(readItem(r, 43), labels);
    EXPECT_EQ(readItem(r, 42), notes);
    EXPECT_EQ(flcSpecialSize(r, 44), 0u);
    EXPECT_TRUE(decodeAll(r) == pcm);
    EXPECT_EQ(flcMd5State(r), FLC_MD5_OK);
    flcClose(r);
}

TEST(FlacSpecials, MalformedTablesAreRefused)
{
    FlcWriter *w = flcCreate(zt::tempPath("mal.flac").c_str(), 8000, 8, 1, 100, 5, nullptr);
    ASSERT_TRUE(w);
    uint8_t junk[30] = {1, 0, 0, 0, 'a'};
    EXPECT_NE(flcWriteSpecial(w, 40, junk, 23), FLC_OK);
    EXPECT_NE(flcWriteSpecial(w, 43, junk, 5), FLC_OK) << "a label without its zero";
    EXPECT_NE(flcWriteSpecial(w, 34, junk, 8), FLC_OK);
    EXPECT_NE(flcWriteSpecial(w, 44, junk, 12), FLC_OK);
    EXPECT_FALSE(flcCanWriteSpecial(44));
    EXPECT_EQ(flcFinish(w), FLC_OK);
}

/* ---- damage ---- */

TEST(FlacDamage, TruncatedFilesDeliverTheFramesBeforeTheCut)
{
    std::string path = zt::tempPath("cut.flac");
    Buf pcm = makePcm(SINE, 16, 2, 40000);
    encode(path, 44100, 16, 2, pcm, 5);
    Buf file = fileBytes(path);
    for (size_t cut : {(size_t)3, (size_t)20, (size_t)41, file.size() / 3, file.size() / 2, file.size() - 1}) {
        Buf img(file.begin(), file.begin() + cut);
        int rc = -1;
        FlcReader *r = flcOpenMemory(img.data(), img.size(), &rc, nullptr);
        if (!r) {
            EXPECT_TRUE(rc == FLC_NOTFLAC || rc == FLC_DAMAGED) << cut;
            continue;
        }
        Buf got = decodeAll(r);
        EXPECT_LT(got.size(), pcm.size()) << cut;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), pcm.begin())) << cut;
        EXPECT_EQ(flcMd5State(r), FLC_MD5_DAMAGED);
        flcClose(r);
    }
}

TEST(FlacDamage, FlippedBytesStopAtTheDamageOrAreNoticedByTheMd5)
{
    std::string path = zt::tempPath("flip.flac");
    Buf pcm = makePcm(NOISE, 16, 1, 20000);
    encode(path, 44100, 16, 1, pcm, 4);
    Buf file = fileBytes(path);
    for (size_t at = 0; at < file.size(); at += 97) {
        Buf img = file;
        img[at] ^= 0x24;
        FlcReader *r = flcOpenMemory(img.data(), img.size(), nullptr, nullptr);
        if (!r)
            continue;
        Buf got = decodeAll(r);
        size_t same = 0;
        while (same < got.size() && same < pcm.size() && got[same] == pcm[same])
            same++;
        if (at >= 42 + 4) {
            /* in the frames: every delivered byte before the damage is right */
            EXPECT_EQ(same, got.size()) << at;
            EXPECT_EQ(flcMd5State(r), FLC_MD5_DAMAGED) << at;
        }
        flcClose(r);
    }
}

TEST(FlacDamage, AWrongSignatureIsReportedButTheSamplesKept)
{
    std::string path = zt::tempPath("md5.flac");
    Buf pcm = makePcm(SINE, 16, 2, 10000);
    encode(path, 44100, 16, 2, pcm, 5);
    Buf file = fileBytes(path);
    file[8 + 18 + 5] ^= 1;   /* a bit of the MD5 sum in STREAMINFO */
    FlcReader *r = flcOpenMemory(file.data(), file.size(), nullptr, nullptr);
    ASSERT_TRUE(r);
    EXPECT_TRUE(decodeAll(r) == pcm);
    EXPECT_EQ(flcMd5State(r), FLC_MD5_MISMATCH);
    flcClose(r);
    memset(&file[8 + 18], 0, 16);   /* no signature at all */
    r = flcOpenMemory(file.data(), file.size(), nullptr, nullptr);
    ASSERT_TRUE(r);
    EXPECT_TRUE(decodeAll(r) == pcm);
    EXPECT_EQ(flcMd5State(r), FLC_MD5_ABSENT);
    flcClose(r);
}

TEST(FlacDamage, AbsurdOrMissingLengthsAreCountedFromTheFrames)
{
    std::string path = zt::tempPath("len.flac");
    Buf pcm = makePcm(SINE, 16, 2, 12345);
    encode(path, 44100, 16, 2, pcm, 5);
    Buf file = fileBytes(path);
    for (int variant = 0; variant < 2; variant++) {
        Buf img = file;
        /* total samples: the low 36 bits of STREAMINFO bytes 13..17 */
        uint8_t *p = &img[8 + 13];
        if (variant == 0) {
            p[0] |= 0x0F;
            memset(p + 1, 0xFF, 4);
        } else {
            p[0] &= 0xF0;
            memset(p + 1, 0, 4);
        }
        FlcReader *r = flcOpenMemory(img.data(), img.size(), nullptr, nullptr);
        ASSERT_TRUE(r) << variant;
        EXPECT_EQ(flcInfo(r)->fileFrames, 12345u) << variant;
        EXPECT_EQ(flcInfo(r)->bytes, pcm.size());
        EXPECT_TRUE(decodeAll(r) == pcm);
        flcClose(r);
    }
    /* an ID3v2 tag in front, as some programs write, is stepped over */
    Buf tagged = {'I', 'D', '3', 4, 0, 0, 0, 0, 1, 5};   /* 133 bytes of tag (syncsafe size) */
    tagged.resize(10 + 133, 'x');
    tagged.insert(tagged.end(), file.begin(), file.end());
    FlcReader *t = flcOpenMemory(tagged.data(), tagged.size(), nullptr, nullptr);
    ASSERT_TRUE(t);
    EXPECT_TRUE(decodeAll(t) == pcm);
    EXPECT_EQ(flcMd5State(t), FLC_MD5_OK);
    flcClose(t);
    /* a header block claiming more than the file holds is refused */
    Buf img = file;
    img[5] = 0x7F;
    int rc = -1;
    EXPECT_FALSE(flcOpenMemory(img.data(), img.size(), &rc, nullptr));
    EXPECT_EQ(rc, FLC_DAMAGED);
    const char *why = nullptr;
    EXPECT_FALSE(flcOpenMemory("RIFF1234WAVE", 12, &rc, &why));
    EXPECT_EQ(rc, FLC_NOTFLAC);
    EXPECT_TRUE(why && *why);
}

/* ---- the reference flac command ---- */

TEST(FlacReference, OurFilesPassItsTestAndDecodeToOurSamples)
{
    if (!haveFlac())
        GTEST_SKIP() << "flac command not installed";
    struct Case { Signal sig; uint16_t bits, ch; uint32_t rate, frames; int level; };
    const Case cases[] = {{SINE, 16, 2, 44100, 30000, 5}, {NOISE, 16, 1, 8000, 5000, 0}, {SINE, 8, 2, 22050, 7001, 8},
                          {STEPS, 16, 2, 48000, 9999, 3}, {FULLSCALE, 16, 2, 96000, 4096, 7},
                          {QUIET8, 16, 1, 12345, 3000, 6}, {SINE, 8, 1, 11025, 1, 1}};
    std::string flac = zt::tempPath("ours.flac"), raw = zt::tempPath("ours.raw");
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "bits " << c.bits << " ch " << c.ch << " level " << c.level);
        Buf pcm = makePcm(c.sig, c.bits, c.ch, c.frames);
        encode(flac, c.rate, c.bits, c.ch, pcm, c.level);
        std::string cmd = "flac -s -t '" + flac + "'";
        EXPECT_EQ(system(cmd.c_str()), 0) << cmd;
        cmd = "flac -s -f -d --force-raw-format --endian=little --sign=" +
              std::string(c.bits == 8 ? "unsigned" : "signed") + " -o '" + raw + "' '" + flac + "'";
        ASSERT_EQ(system(cmd.c_str()), 0) << cmd;
        EXPECT_TRUE(fileBytes(raw) == pcm);
    }
}

TEST(FlacReference, LongStreamsNumberTheirFramesInEveryCodedLength)
{
    /* Over 2048 frames: frame numbers of one, two and three bytes. */
    std::string flac = zt::tempPath("long.flac"), raw = zt::tempPath("long.raw");
    Buf pcm = makePcm(STEPS, 8, 1, 1152 * 2100 + 5);
    encode(flac, 8000, 8, 1, pcm, 0);
    int md5 = -1;
    EXPECT_TRUE(decodeFile(flac, &md5) == pcm);
    EXPECT_EQ(md5, FLC_MD5_OK);
    if (!haveFlac())
        GTEST_SKIP() << "flac command not installed";
    std::string cmd = "flac -s -t '" + flac + "'";
    EXPECT_EQ(system(cmd.c_str()), 0) << cmd;
    /* A frame taken out is noticed by its successor's number: the data ends at the gap. */
    Buf file = fileBytes(flac);
    size_t second = 0, third = 0;
    for (size_t i = 100; i + 1 < file.size() && !third; i++)
        if (file[i] == 0xFF && file[i + 1] == 0xF8) {
            if (!second)
                second = i;
            else if (i > second + 10)
                third = i;
        }
    ASSERT_TRUE(second && third);
    Buf cut(file.begin(), file.begin() + second);
    cut.insert(cut.end(), file.begin() + third, file.end());
    FlcReader *r = flcOpenMemory(cut.data(), cut.size(), nullptr, nullptr);
    ASSERT_TRUE(r);
    Buf got = decodeAll(r);
    EXPECT_LT(got.size(), pcm.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), pcm.begin()));
    EXPECT_EQ(flcMd5State(r), FLC_MD5_DAMAGED);
    flcClose(r);
}

TEST(FlacReference, ItsFilesAtEveryLevelOpenBitExactly)
{
    if (!haveFlac())
        GTEST_SKIP() << "flac command not installed";
    std::string raw = zt::tempPath("ref.raw"), flac = zt::tempPath("ref.flac");
    struct Case { Signal sig; uint16_t bits, ch; uint32_t rate, frames; };
    const Case cases[] = {{SINE, 16, 2, 44100, 50000}, {NOISE, 8, 1, 8000, 9000}, {STEPS, 16, 1, 32000, 20000},
                          {SINE, 8, 2, 22050, 12000}};
    for (const Case &c : cases)
        for (int level = 0; level <= 8; level++) {
            SCOPED_TRACE(testing::Message() << "bits " << c.bits << " ch " << c.ch << " level " << level);
            Buf pcm = makePcm(c.sig, c.bits, c.ch, c.frames);
            putFile(raw, pcm);
            char cmd[600];
            snprintf(cmd, sizeof cmd,
                     "flac -s -f -%d --force-raw-format --endian=little --sign=%s --channels=%d --bps=%d "
                     "--sample-rate=%u -o '%s' '%s'",
                     level, c.bits == 8 ? "unsigned" : "signed", c.ch, c.bits, c.rate, flac.c_str(), raw.c_str());
            ASSERT_EQ(system(cmd), 0) << cmd;
            int md5 = -1;
            EXPECT_TRUE(decodeFile(flac, &md5) == pcm);
            EXPECT_EQ(md5, FLC_MD5_OK);
        }
}

TEST(FlacReference, ItsTagsAndCueSheetMapToTextsAndCues)
{
    if (!haveFlac())
        GTEST_SKIP() << "flac command not installed";
    std::string raw = zt::tempPath("tags.raw"), flac = zt::tempPath("tags.flac"), cue = zt::tempPath("tags.cue");
    Buf pcm = makePcm(SINE, 16, 2, 44100 * 3);
    putFile(raw, pcm);
    const char *sheet = "FILE \"x.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                        "  TRACK 02 AUDIO\n    INDEX 00 00:01:00\n    INDEX 01 00:01:30\n";
    putFile(cue, Buf(sheet, sheet + strlen(sheet)));
    std::string cmd = "flac -s -f --force-raw-format --endian=little --sign=signed --channels=2 --bps=16 "
                      "--sample-rate=44100 -T 'TITLE=Ref title' -T 'artist=Caf\xc3\xa9 band' -T 'DESCRIPTION=desc' "
                      "-T 'ALBUM=not mapped' --cuesheet='" + cue + "' -o '" + flac + "' '" + raw + "'";
    ASSERT_EQ(system(cmd.c_str()), 0) << cmd;
    FlcReader *r = flcOpenFile(flac.c_str(), nullptr, nullptr);
    ASSERT_TRUE(r);
    EXPECT_EQ(readItem(r, 28), text("Ref title"));
    EXPECT_EQ(readItem(r, 20), text("Caf\xe9 band"));
    EXPECT_EQ(readItem(r, 21), text("desc"));
    /* track 2 starts at its index 01: 1 s + 30 CD frames of 588 samples */
    EXPECT_EQ(readItem(r, 40), cueTable({{1, 0}, {2, 44100 + 30 * 588}}));
    EXPECT_TRUE(decodeAll(r) == pcm);
    flcClose(r);

    /* and a file of ours with cues and texts passes the flac command's test */
    Buf labels;
    put32(labels, 9);
    Buf t = text("label");
    labels.insert(labels.end(), t.begin(), t.end());
    encode(flac, 44100, 16, 2, pcm, 5, {{28, text("T")}, {40, cueTable({{9, 500}, {4, 70000}})}, {43, labels}});
    cmd = "flac -s -t '" + flac + "'";
    EXPECT_EQ(system(cmd.c_str()), 0);
    cmd = "metaflac --list --block-type=CUESHEET '" + flac + "' | grep -q 'offset: 70000'";
    EXPECT_EQ(system(cmd.c_str()), 0) << "metaflac reads our cue sheet";
}

/* ---- hand-made streams: what our encoder and the reference at its levels never write ---- */

#include "filters/flac/flacint.h"

namespace {

struct Bits {
    Buf b;
    uint64_t acc = 0;
    int n = 0;
    void put(uint64_t v, int k)
    {
        for (int i = k - 1; i >= 0; i--) {
            acc = (acc << 1) | ((v >> i) & 1);
            if (++n == 8) {
                b.push_back((uint8_t)acc);
                acc = 0;
                n = 0;
            }
        }
    }
    void align() { while (n) put(0, 1); }
};

void rice(Bits &o, int32_t v, int k)
{
    uint32_t u = ((uint32_t)v << 1) ^ (uint32_t)(v >> 31);
    for (uint32_t q = u >> k; q; q--)
        o.put(0, 1);
    o.put(1, 1);
    o.put(u, k);
}

/* A frame: header for block n (blocking strategy, number), the given subframe bits, checksums. */
Buf frame(bool variable, uint64_t number, uint32_t n, int srCode, uint32_t srValue, int chCode, int ssCode,
          const std::function<void(Bits &)> &subframes)
{
    Bits o;
    o.put(variable ? 0xFFF9 : 0xFFF8, 16);
    o.put(n <= 256 ? 6 : 7, 4);
    o.put((uint32_t)srCode, 4);
    o.put((uint32_t)chCode, 4);
    o.put((uint32_t)ssCode, 3);
    o.put(0, 1);
    if (number < 0x80) {
        o.put(number, 8);
    } else {   /* two bytes are enough here */
        o.put(0xC0 | (number >> 6), 8);
        o.put(0x80 | (number & 0x3F), 8);
    }
    o.put(n - 1, n <= 256 ? 8 : 16);
    if (srCode == 12)
        o.put(srValue, 8);
    else if (srCode == 13 || srCode == 14)
        o.put(srValue, 16);
    o.put(flcCrc8(o.b.data(), o.b.size()), 8);
    subframes(o);
    o.align();
    o.put(flcCrc16(0, o.b.data(), o.b.size()), 16);
    return o.b;
}

Buf header(uint32_t rate, int ch, int bps, uint64_t total, const uint8_t *md5 = nullptr)
{
    Bits o;
    for (char c : std::string("fLaC"))
        o.put((uint8_t)c, 8);
    o.put(0x80, 8);
    o.put(34, 24);
    o.put(16, 16);
    o.put(65535, 16);
    o.put(0, 24);
    o.put(0, 24);
    o.put(rate, 20);
    o.put((uint32_t)ch - 1, 3);
    o.put((uint32_t)bps - 1, 5);
    o.put(total, 36);
    for (int i = 0; i < 16; i++)
        o.put(md5 ? md5[i] : 0, 8);
    return o.b;
}

} // namespace

TEST(FlacCrafted, EscapesWideParametersLongPredictorsAndWastedBits)
{
    /* 12-bit, three channels (the front pair is delivered), variable block sizes. */
    const int bps = 12;
    std::vector<int32_t> a(56), c(56);
    for (int i = 0; i < 56; i++) {
        a[i] = (int32_t)(1500 * sin(i * 0.3)) + (i % 5) * 37 - 900 * (i == 5);
        c[i] = ((i * 37) % 200 - 100) * 8;   /* multiples of 8: three wasted bits */
    }
    /* partition 2 of the first frame predicts exactly */
    std::vector<int32_t> a1(a.begin(), a.begin() + 16);
    for (int i = 8; i < 12; i++)
        a1[i] = 2 * a1[i - 1] - a1[i - 2];   /* partition 2: residual 0 */
    std::copy(a1.begin(), a1.end(), a.begin());
    /* The signature over all three channels, two bytes a sample, as the stream holds them. */
    std::vector<int32_t> third(56);
    for (int i = 0; i < 56; i++)
        third[i] = i < 16 ? -5 : (i - 16) - 20;
    FlcMd5 m;
    flcMd5Init(&m);
    for (int i = 0; i < 56; i++)
        for (int32_t v : {a[i], c[i], third[i]}) {
            uint8_t two[2] = {(uint8_t)v, (uint8_t)(v >> 8)};
            flcMd5Update(&m, two, 2);
        }
    uint8_t md5[16];
    flcMd5Final(&m, md5);
    Buf stream = header(44100, 3, bps, 56, md5);
    /* Frame 1, 16 samples: channel 0 FIXED order 2 with 5-bit parameters over four partitions
       (one escaped at 7 bits... too narrow, so 13 bits; one escaped at width 0 holding zeros),
       channel 1 VERBATIM with wasted bits, channel 2 CONSTANT. */
    Buf f1 = frame(true, 0, 16, 13, 44100, 2, 2, [&](Bits &o) {
        o.put(0, 1); o.put(8 + 2, 6); o.put(0, 1);
        o.put((uint32_t)a[0] & 0xFFF, bps); o.put((uint32_t)a[1] & 0xFFF, bps);
        o.put(1, 2); o.put(2, 4);
        int i = 2;
        auto res = [&](int k) { return a[k] - (2 * a[k - 1] - a[k - 2]); };
        o.put(17, 5);                            /* partition 0: k = 17, wider than four bits */
        for (; i < 4; i++) rice(o, res(i), 17);
        o.put(31, 5); o.put(14, 5);              /* partition 1: escaped, 14-bit raw */
        for (; i < 8; i++) o.put((uint32_t)res(i) & 0x3FFF, 14);
        o.put(31, 5); o.put(0, 5);               /* partition 2: escaped, width 0 */
        i = 12;
        o.put(3, 5);                             /* partition 3: k = 3 */
        for (; i < 16; i++) rice(o, res(i), 3);
        o.put(0, 1); o.put(1, 6); o.put(1, 1); o.put(0, 2); o.put(1, 1);   /* VERBATIM, 3 wasted */
        for (int k = 0; k < 16; k++) o.put((uint32_t)(c[k] >> 3) & 0x1FF, bps - 3);
        o.put(0, 1); o.put(0, 6); o.put(0, 1); o.put((uint32_t)-5 & 0xFFF, bps);   /* CONSTANT -5 */
    });
    /* Frame 2, 40 samples from sample 16: channel 0 LPC of order 32 (a one-tap predictor
       spread over 32 coefficients), 4-bit parameter; channel 1 FIXED order 4; channel 2 FIXED 0. */
    Buf f2 = frame(true, 16, 40, 14, 4410, 2, 2, [&](Bits &o) {
        const int32_t *s = a.data() + 16;
        o.put(0, 1); o.put(32 + 31, 6); o.put(0, 1);
        for (int k = 0; k < 32; k++) o.put((uint32_t)s[k] & 0xFFF, bps);
        o.put(15 - 1, 4); o.put(3, 5);           /* precision 15, shift 3 */
        for (int k = 0; k < 32; k++) o.put(k == 0 ? 8 : k == 31 ? 0x7FFF & (uint32_t)-0 : 0, 15);
        o.put(0, 2); o.put(0, 4); o.put(9, 4);
        for (int k = 32; k < 40; k++) rice(o, s[k] - s[k - 1], 9);
        const int32_t *t = c.data() + 16;
        o.put(0, 1); o.put(8 + 4, 6); o.put(0, 1);
        for (int k = 0; k < 4; k++) o.put((uint32_t)t[k] & 0xFFF, bps);
        o.put(0, 2); o.put(0, 4); o.put(14, 4);
        for (int k = 4; k < 40; k++)
            rice(o, t[k] - (4 * t[k - 1] - 6 * t[k - 2] + 4 * t[k - 3] - t[k - 4]), 14);
        o.put(0, 1); o.put(8, 6); o.put(0, 1);
        o.put(0, 2); o.put(0, 4); o.put(2, 4);
        for (int k = 0; k < 40; k++) rice(o, k - 20, 2);
    });
    stream.insert(stream.end(), f1.begin(), f1.end());
    stream.insert(stream.end(), f2.begin(), f2.end());
    FlcReader *r = flcOpenMemory(stream.data(), stream.size(), nullptr, nullptr);
    ASSERT_TRUE(r);
    EXPECT_EQ(flcInfo(r)->channels, 2);
    EXPECT_EQ(flcInfo(r)->fileChannels, 3);
    EXPECT_EQ(flcInfo(r)->bits, 16);
    Buf got = decodeAll(r);
    ASSERT_EQ(got.size(), 56u * 4);
    for (int i = 0; i < 56; i++) {
        int16_t l = (int16_t)(got[4 * i] | (got[4 * i + 1] << 8)), rr = (int16_t)(got[4 * i + 2] | (got[4 * i + 3] << 8));
        EXPECT_EQ(l, a[i] * 16) << i;
        EXPECT_EQ(rr, c[i] * 16) << i;
    }
    EXPECT_EQ(flcMd5State(r), FLC_MD5_OK) << "the third channel is decoded too";
    flcClose(r);
}

TEST(FlacCrafted, WideSamplesAreRoundedTo16BitsAndSideChannelsRestored)
{
    /* 20-bit stereo in each decorrelation mode, one frame each, CONSTANT subframes. */
    const int32_t L = 300001, R = -123457;   /* 20-bit values */
    Buf stream = header(96000, 2, 20, 4 * 20);
    const int modes[4] = {1, 8, 9, 10};
    for (int m = 0; m < 4; m++) {
        int32_t x0, x1;
        int w0 = 20, w1 = 20;
        switch (modes[m]) {
        case 8: x0 = L; x1 = L - R; w1 = 21; break;
        case 9: x0 = L - R; x1 = R; w0 = 21; break;
        case 10: x0 = (L + R) >> 1; x1 = L - R; w1 = 21; break;
        default: x0 = L; x1 = R;
        }
        Buf f = frame(false, (uint64_t)m, 20, 12, 96, modes[m], 5, [&](Bits &o) {
            o.put(0, 8); o.put((uint32_t)x0 & ((1u << w0) - 1), w0);
            o.put(0, 8); o.put((uint32_t)x1 & ((1u << w1) - 1), w1);
        });
        stream.insert(stream.end(), f.begin(), f.end());
    }
    FlcReader *r = flcOpenMemory(stream.data(), stream.size(), nullptr, nullptr);
    ASSERT_TRUE(r);
    Buf got = decodeAll(r);
    ASSERT_EQ(got.size(), 80u * 4);
    const int16_t wantL = (int16_t)((L + 8) >> 4), wantR = (int16_t)((R + 8) >> 4);
    for (int i = 0; i < 80; i++) {
        EXPECT_EQ((int16_t)(got[4 * i] | (got[4 * i + 1] << 8)), wantL) << i;
        EXPECT_EQ((int16_t)(got[4 * i + 2] | (got[4 * i + 3] << 8)), wantR) << i;
    }
    flcClose(r);
}
