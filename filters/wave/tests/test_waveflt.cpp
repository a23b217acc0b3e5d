/*
 * test_waveflt.cpp - the real wave.flt, loaded with LoadLibrary and driven through its
 * exported entry points the way the host drives a filter: record, probe, open, read in
 * pieces, special items, write, close; files made by sox; files for sox and Python to check.
 */
#include "filters/sdk/zfilter.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Buf;

namespace {

struct Flt {
    HMODULE m = NULL;
    ZfQueryZeloFilter query;
    ZfFilterUnderstandsFormat understands;
    ZfOpenFilterInput open1;
    ZfOpenFilterInput2 open2;
    ZfFilterGetFileSize size;
    ZfReadFilterInput read;
    ZfSeekFilterInput seek;
    ZfCloseFilterInput close;
    ZfFilterOptionsString optionsString;
    ZfFilterCanReadSpecial canRead;
    ZfFilterReadSpecial readSpecial;
    ZfOpenFilterOutput openOut;
    ZfWriteFilterOutput write;
    ZfCloseFilterOutput closeOut;
    ZfGetSuggestedSampleType suggest;
    ZfFilterCanWriteSpecial canWrite;
    ZfFilterWriteSpecial writeSpecial;
    ZfCloseFilterOutput2 closeOut2;
    ZfFilterStoredType storedType;
};

Flt &flt()
{
    static Flt f;
    if (!f.m) {
        f.m = LoadLibraryA(WAVE_FLT_PATH);
        if (f.m) {
#define GET(field, name) f.field = (decltype(f.field))(void *)GetProcAddress(f.m, name)
            GET(query, "QueryZeloFilter");
            GET(understands, "FilterUnderstandsFormat");
            GET(open1, "OpenFilterInput");
            GET(open2, "OpenFilterInput2");
            GET(size, "FilterGetFileSize");
            GET(read, "ReadFilterInput");
            GET(seek, "SeekFilterInput");
            GET(close, "CloseFilterInput");
            GET(optionsString, "FilterOptionsString");
            GET(canRead, "FilterCanReadSpecial");
            GET(readSpecial, "FilterReadSpecial");
            GET(openOut, "OpenFilterOutput");
            GET(write, "WriteFilterOutput");
            GET(closeOut, "CloseFilterOutput");
            GET(suggest, "GetSuggestedSampleType");
            GET(canWrite, "FilterCanWriteSpecial");
            GET(writeSpecial, "FilterWriteSpecial");
            GET(closeOut2, "CloseFilterOutput2");
            GET(storedType, "FilterStoredType");
#undef GET
        }
    }
    return f;
}

struct Opened {
    ZFHANDLE h = 0;
    uint32_t rate = 0xDEADBEEF, piece = 0xDEADBEEF;
    uint16_t bits = 0x6666, channels = 0x6666;
};

Opened openIn(const std::string &path)
{
    Opened o;
    o.h = flt().open2(path.c_str(), &o.rate, &o.bits, &o.channels, NULL, &o.piece, NULL);
    return o;
}

/* The host's reading loop: pieces of the filter's size until 0 or the byte count. */
Buf readData(const Opened &o)
{
    uint32_t total = flt().size(o.h);
    Buf out, piece(o.piece);
    while (out.size() < total) {
        uint32_t want = std::min<uint32_t>(o.piece, total - (uint32_t)out.size());
        uint32_t n = flt().read(o.h, piece.data(), want);
        if (n == 0)
            break;
        EXPECT_LE(n, want);
        out.insert(out.end(), piece.begin(), piece.begin() + n);
    }
    return out;
}

Buf fileBytes(const std::string &path)
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

void writeBytes(const std::string &path, const Buf &b)
{
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f) << path;
    fwrite(b.data(), 1, b.size(), f);
    fclose(f);
}

/* Writes through the module as the host does: open, pieces, specials after the data, close. */
void writeWave(const std::string &path, uint32_t rate, uint16_t bits, uint16_t ch, const Buf &data,
               const std::vector<std::pair<int, Buf>> &specials = {})
{
    uint32_t piece = 0xDEADBEEF;
    ZFHANDLE h = flt().openOut(path.c_str(), rate, bits, ch, (uint32_t)data.size(), &piece, 1);
    ASSERT_NE(h, 0u);
    ASSERT_NE(piece, 0xDEADBEEFu);
    ASSERT_GT(piece, 0u);
    for (size_t p = 0; p < data.size(); p += piece)
        flt().write(h, data.data() + p, (uint32_t)std::min<size_t>(piece, data.size() - p));
    for (auto &s : specials) {
        EXPECT_TRUE(flt().canWrite(h, s.first)) << s.first;
        flt().writeSpecial(h, s.first, s.second.data(), (uint32_t)s.second.size());
    }
    flt().closeOut(h);
}

} // namespace

/* ---- 1. The module as the host finds it ---- */

TEST(WaveFltModule, ExportsEveryEntryPointByPlainName)
{
    Flt &f = flt();
    ASSERT_TRUE(f.m) << WAVE_FLT_PATH;
    EXPECT_TRUE(f.query && f.understands && f.open1 && f.open2 && f.size && f.read && f.seek && f.close);
    EXPECT_TRUE(f.optionsString && f.canRead && f.readSpecial);
    EXPECT_TRUE(f.openOut && f.write && f.closeOut && f.suggest && f.canWrite && f.writeSpecial);
}

TEST(WaveFltModule, QueryFillsTheRecord)
{
    ASSERT_TRUE(flt().query);
    ZfFilterRecord rec;
    memset(&rec, 0x66, sizeof rec);
    memset(rec.ext2, 0, 12);    /* the host clears the extra extensions first */
    EXPECT_EQ(flt().query(&rec), ZF_QUERY_OK);
    EXPECT_LT(strlen(rec.formatName), sizeof rec.formatName);
    EXPECT_NE(strstr(rec.formatName, "Windows"), nullptr);
    EXPECT_LT(strlen(rec.progressNote), sizeof rec.progressNote);
    EXPECT_GT(strlen(rec.progressNote), 0u);
    EXPECT_EQ(rec.flags, (uint32_t)(ZF_CANREAD | ZF_CANWRITE | ZF_SPECIAL_READ_POST | ZF_SPECIAL_WRITE_POST |
                                    ZF_HASOPTIONS));
    EXPECT_STREQ(rec.ext, "wav");
    EXPECT_EQ(rec.ext2[0], 0);
    EXPECT_EQ((uint8_t)rec.moduleName[0], 0x66) << "the host's part of the record was touched";
    EXPECT_EQ(rec.savePos, 0x6666);
}

TEST(WaveFltModule, SuggestsOnlyWhatItCannotWrite)
{
    ASSERT_TRUE(flt().suggest);
    uint32_t rate = 44100;
    uint16_t bits = 16, ch = 2;
    flt().suggest(&rate, &bits, &ch);
    EXPECT_EQ(rate, 0u); EXPECT_EQ(bits, 0); EXPECT_EQ(ch, 0);
    rate = 8000; bits = 8; ch = 1;
    flt().suggest(&rate, &bits, &ch);
    EXPECT_EQ(rate, 0u); EXPECT_EQ(bits, 0); EXPECT_EQ(ch, 0);
    rate = 96000; bits = 24; ch = 6;
    flt().suggest(&rate, &bits, &ch);
    EXPECT_EQ(rate, 0u); EXPECT_EQ(bits, 16); EXPECT_EQ(ch, 2);
}

/* ---- 2. Writing and reading back through the entry points ---- */

TEST(WaveFltRoundTrip, SamplesAndEverySpecialItemComeBackByteForByte)
{
    ASSERT_TRUE(flt().m);
    std::string path = zt::tempPath("rt.wav");
    Buf data(100003 * 4);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (uint8_t)(i * 31 + i / 7);
    std::vector<std::pair<int, Buf>> specials;
    auto text = [](const char *t) { return Buf(t, t + strlen(t) + 1); };
    specials.push_back({21, text("first comment")});
    specials.push_back({21, text("second")});
    specials.push_back({28, text("The Name")});
    specials.push_back({33, text("ref")});
    specials.push_back({34, Buf({1, 0, 0, 0, 'h', 'i', 0})});
    specials.push_back({34, Buf({2, 0, 0, 0, 9, 8, 7, 6})});
    Buf cues(3 * 24);
    for (size_t i = 0; i < cues.size(); i++) cues[i] = (uint8_t)(i + 1);
    specials.push_back({40, cues});
    Buf lens(3 * 20, 0);
    for (int k = 0; k < 3; k++) { lens[k * 20] = (uint8_t)(k + 1); lens[k * 20 + 4] = 50; memcpy(&lens[k * 20 + 8], "mark", 4); }
    specials.push_back({41, lens});
    const char labels[] = "\1\0\0\0label one\0\3\0\0\0three";
    specials.push_back({43, Buf(labels, labels + sizeof labels)});
    const char notes[] = "\2\0\0\0a note";
    specials.push_back({42, Buf(notes, notes + sizeof notes)});
    specials.push_back({44, Buf(24, 5)});
    writeWave(path, 44100, 16, 2, data, specials);

    EXPECT_EQ(flt().understands(path.c_str()), 1);
    Opened o = openIn(path);
    ASSERT_NE(o.h, 0u);
    EXPECT_EQ(o.rate, 44100u);
    EXPECT_EQ(o.bits, 16);
    EXPECT_EQ(o.channels, 2);
    EXPECT_EQ(o.piece % 4, 0u);
    EXPECT_EQ(flt().size(o.h), data.size());
    EXPECT_EQ(readData(o), data);
    /* The host reads each text code once, DISP until 0, then 40..44. */
    for (auto &s : specials) {
        uint32_t n = flt().canRead(o.h, s.first);
        ASSERT_EQ(n, s.second.size()) << s.first;
        Buf got(n + 8, 0x66);
        EXPECT_NE(flt().readSpecial(o.h, s.first, got.data(), n), 0u);
        EXPECT_EQ(Buf(got.begin(), got.begin() + n), s.second) << s.first;
        EXPECT_EQ(got[n], 0x66);
    }
    Buf dummy(64);
    EXPECT_EQ(flt().readSpecial(o.h, 34, dummy.data(), 64), 0u);
    EXPECT_EQ(flt().canRead(o.h, 20), 0u);
    char opt[ZF_OPTIONS_TEXT_MAX];
    EXPECT_EQ(flt().optionsString(o.h, opt), 0) << "plain PCM needs no description";
    flt().close(o.h);
}

TEST(WaveFltRoundTrip, SeekAndTheOldOpenGiveTheSameBytes)
{
    std::string path = zt::tempPath("seek.wav");
    Buf data(5000);
    for (size_t i = 0; i < data.size(); i++) data[i] = (uint8_t)(i ^ (i >> 3));
    writeWave(path, 11025, 8, 1, data);
    uint32_t rate = 0, piece = 0;
    uint16_t bits = 0, ch = 0;
    ZFHANDLE h = flt().open1(path.c_str(), &rate, &bits, &ch, NULL, &piece);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(ch, 1);
    EXPECT_EQ(flt().seek(h, 1234), 1234u);
    Buf rest(5000);
    EXPECT_EQ(flt().read(h, rest.data(), 5000), 5000u - 1234);
    EXPECT_TRUE(std::equal(data.begin() + 1234, data.end(), rest.begin()));
    EXPECT_EQ(flt().read(h, rest.data(), 5000), 0u);
    flt().close(h);
}

TEST(WaveFltRoundTrip, RefusesTypesItCannotWrite)
{
    uint32_t piece = 0;
    std::string path = zt::tempPath("no.wav");
    EXPECT_EQ(flt().openOut(path.c_str(), 44100, 24, 2, 100, &piece, 1), 0u);
    EXPECT_EQ(flt().openOut(path.c_str(), 44100, 16, 4, 100, &piece, 1), 0u);
    EXPECT_EQ(flt().openOut("Z:/no/such/dir/x.wav", 44100, 16, 2, 100, &piece, 1), 0u);
}

/* ---- 3. Bad input and bad handles ---- */

TEST(WaveFltRobust, RefusesWhatIsNotAReadableWaveAndIgnoresBadHandles)
{
    std::string junk = zt::tempPath("junk.wav");
    writeBytes(junk, Buf({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't'}));
    EXPECT_EQ(flt().understands(junk.c_str()), 0);
    EXPECT_EQ(openIn(junk).h, 0u);
    EXPECT_EQ(flt().understands(zt::tempPath("absent.wav").c_str()), 0);
    for (ZFHANDLE h : {0u, 17u, 0xFFFFFFFFu, 3u}) {
        Buf b(16);
        EXPECT_EQ(flt().size(h), 0u);
        EXPECT_EQ(flt().read(h, b.data(), 16), 0u);
        EXPECT_EQ(flt().canRead(h, 21), 0u);
        EXPECT_EQ(flt().canWrite(h, 21), 0);
        flt().close(h);
        flt().closeOut(h);
        flt().write(h, b.data(), 16);
    }
}

TEST(WaveFltRobust, CorpusFilesOpenOrAreRefusedWithoutAFault)
{
    for (const char *sub : {"valid", "invalid", "unsupported"}) {
        std::string dir = zt::corpusDir(std::string("wave/") + sub);
        if (dir.empty())
            GTEST_SKIP() << "corpus not present";
        WIN32_FIND_DATAA fd;
        HANDLE fh = FindFirstFileA((dir + "/*.wav").c_str(), &fd);
        ASSERT_NE(fh, INVALID_HANDLE_VALUE);
        int seen = 0, opened = 0;
        do {
            std::string path = dir + "/" + fd.cFileName;
            seen++;
            int u = flt().understands(path.c_str());
            Opened o = openIn(path);
            EXPECT_EQ(u != 0, o.h != 0) << path;
            if (o.h) {
                opened++;
                EXPECT_TRUE(o.channels == 1 || o.channels == 2) << path;
                EXPECT_TRUE(o.bits == 8 || o.bits == 16) << path;
                EXPECT_EQ(readData(o).size(), flt().size(o.h)) << path;
                flt().close(o.h);
            } else if (strcmp(sub, "valid") == 0) {
                ADD_FAILURE() << "valid file refused: " << path;
            }
        } while (FindNextFileA(fh, &fd));
        FindClose(fh);
        printf("wave.flt corpus %s: %d files, %d opened\n", sub, seen, opened);
    }
}

/* ---- 4. Other programs' files in, files for other programs out ---- */

TEST(WaveFltInterop, SoxFilesAndFilesForOthers)
{
    std::string dir = WAVE_INTEROP_DIR;
    if (!osFileExists(dir.c_str()))
        GTEST_SKIP() << "no sox files (the interop fixture did not run)";
    static const char *names[] = {"u8_mono", "u8_stereo", "s16_mono", "s16_stereo", "s24_ext", "s24_plain",
                                  "s32_ext", "s32_plain", "f32_ext", "f32_plain", "f64_plain", "alaw",
                                  "ulaw", "s16_comment", "s24_comment"};
    for (const char *name : names) {
        std::string wav = dir + "/" + name + ".wav";
        Buf ref = fileBytes(dir + "/" + name + ".ref");
        ASSERT_FALSE(ref.empty()) << name;
        Opened o = openIn(wav);
        ASSERT_NE(o.h, 0u) << name;
        EXPECT_EQ(o.rate, 22050u) << name;
        EXPECT_EQ(o.bits, strncmp(name, "u8", 2) == 0 ? 8 : 16) << name;
        Buf got = readData(o);
        EXPECT_EQ(got.size(), ref.size()) << name;
        EXPECT_TRUE(got == ref) << name << ": samples differ from sox's own reading";
        /* This sox keeps --comment out of wave files; an INFO comment, when present, is read. */
        if (uint32_t n = flt().canRead(o.h, ZF_ICMT)) {
            Buf t(n + 1, 0);
            EXPECT_EQ(flt().readSpecial(o.h, ZF_ICMT, t.data(), n), n);
            EXPECT_GT(strlen((const char *)t.data()), 0u) << name;
        }
        flt().close(o.h);
    }
    /* Files for sox and Python: out_<rate>_<bits>_<channels>_<name>, with their samples. */
    struct Out { uint32_t rate; uint16_t bits, ch; uint32_t frames; bool items; };
    for (Out t : {Out{8000, 8, 1, 1001, false}, Out{11025, 8, 2, 777, true}, Out{22050, 16, 1, 4097, true},
                  Out{44100, 16, 2, 30000, false}, Out{48000, 16, 2, 3, true}}) {
        Buf data(t.frames * t.bits / 8 * t.ch);
        uint32_t seed = t.rate;
        for (auto &b : data) { seed = seed * 1103515245u + 12345u; b = (uint8_t)(seed >> 16); }
        char base[256];
        snprintf(base, sizeof base, "%s/out_%u_%u_%u_%s", dir.c_str(), t.rate, t.bits, t.ch, t.items ? "items" : "plain");
        std::vector<std::pair<int, Buf>> sp;
        if (t.items) {
            const char c[] = "written by wave.flt";
            sp.push_back({ZF_ICMT, Buf(c, c + sizeof c)});
            sp.push_back({ZF_CUEPOINTS, Buf(24, 1)});
            const char l[] = "\1\1\1\1odd";
            sp.push_back({ZF_CUELABELS, Buf(l, l + sizeof l)});
            sp.push_back({ZF_PLAYLIST, Buf(12, 2)});
        }
        writeWave(std::string(base) + ".wav", t.rate, t.bits, t.ch, data, sp);
        writeBytes(std::string(base) + ".raw", data);
    }
}

/* ---- The later entry points: a close that reports, and the stored sample type ---- */

/* A minimal PCM or float wave file of the given stored type. */
static Buf storedWave(uint16_t tagValue, uint16_t bits, uint16_t ch, uint32_t frames)
{
    uint32_t align = bits / 8u * ch, bytes = frames * align;
    Buf b;
    auto p32 = [&](uint32_t v) { for (int i = 0; i < 4; i++) b.push_back((uint8_t)(v >> (8 * i))); };
    auto p16 = [&](uint16_t v) { b.push_back((uint8_t)v); b.push_back((uint8_t)(v >> 8)); };
    auto tag = [&](const char *t) { b.insert(b.end(), t, t + 4); };
    tag("RIFF"); p32(36 + bytes); tag("WAVE");
    tag("fmt "); p32(16); p16(tagValue); p16(ch); p32(8000); p32(8000 * align); p16((uint16_t)align); p16(bits);
    tag("data"); p32(bytes);
    b.resize(b.size() + bytes, 0);
    return b;
}

TEST(WaveFltLater, TheReportingCloseSaysWhetherTheFileIsComplete)
{
    ASSERT_TRUE(flt().closeOut2 && flt().storedType) << "both are exported";
    std::string path = zt::tempPath("close2.wav");
    uint32_t piece = 0;
    ZFHANDLE h = flt().openOut(path.c_str(), 8000, 16, 1, 200, &piece, 1);
    ASSERT_NE(h, 0u);
    Buf data(200, 3);
    flt().write(h, data.data(), 200);
    EXPECT_EQ(1, flt().closeOut2(h));
    EXPECT_EQ(244u, fileBytes(path).size());
    EXPECT_EQ(0, flt().closeOut2(h)) << "a closed handle is not a finished file";
    EXPECT_EQ(0, flt().closeOut2(0));
}

TEST(WaveFltLater, StoredTypeTellsWhatTheFileHolds)
{
    struct Case { uint16_t tag, bits, ch; uint16_t wantBits, wantCh, wantFloat; } cases[] = {
        {1, 16, 2, 16, 2, 0},   /* read as it is */
        {1, 24, 2, 24, 2, 0},   /* 24-bit, delivered as 16 */
        {3, 32, 1, 32, 1, 1},   /* float */
        {1, 16, 4, 16, 4, 0},   /* four channels, delivered as two */
        {6, 8, 1, 16, 1, 0},    /* A-law widens: nothing narrower */
    };
    for (const Case &c : cases) {
        std::string path = zt::tempPath("stored.wav");
        writeBytes(path, storedWave(c.tag, c.bits, c.ch, 100));
        Opened o = openIn(path);
        ASSERT_NE(o.h, 0u) << c.tag << " " << c.bits << " " << c.ch;
        uint16_t bits = 0x6666, ch = 0x6666, isFloat = 0x6666;
        EXPECT_EQ(1, flt().storedType(o.h, &bits, &ch, &isFloat));
        EXPECT_EQ(c.wantBits, bits) << c.tag << " " << c.bits << " " << c.ch;
        EXPECT_EQ(c.wantCh, ch);
        EXPECT_EQ(c.wantFloat, isFloat);
        EXPECT_LE(o.bits, 16);
        flt().close(o.h);
    }
    uint16_t b, c, f;
    EXPECT_EQ(0, flt().storedType(0, &b, &c, &f));
}
