/*
 * test_flacflt.cpp - the real flac.flt, loaded with LoadLibrary and driven through its exported
 * entry points the way the host drives a filter: record, probe, open, special items before the
 * data, read in pieces, write, close; files made by sox and the flac command at every level;
 * files for the flac command to check; damaged files.
 */
#include "filters/common/tests/fltdriver.h"

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

/* The host's side of the module: the common driver of the filter tests. */
using fd::fileBytes;
using fd::Flt;
using fd::flt;
using fd::openIn;
using fd::Opened;
using fd::readData;
using fd::writeBytes;

Buf readItem(ZFHANDLE h, int code)
{
    uint32_t n = flt().canRead(h, code);
    Buf b(n);
    if (n) {
        EXPECT_EQ(flt().readSpecial(h, code, b.data(), n), n);
    }
    return b;
}

/* Writes through the module as the host does: open, special items first, pieces, close. */
void writeFlac(const std::string &path, uint32_t rate, uint16_t bits, uint16_t ch, const Buf &data,
               uint32_t options, const std::vector<std::pair<int, Buf>> &specials = {})
{
    uint32_t piece = 0xDEADBEEF;
    ZFHANDLE h = flt().openOut(path.c_str(), rate, bits, ch, (uint32_t)data.size(), &piece, options);
    ASSERT_NE(h, 0u);
    ASSERT_GT(piece, 0u);
    ASSERT_NE(piece, 0xDEADBEEFu);
    for (auto &s : specials) {
        EXPECT_TRUE(flt().canWrite(h, s.first)) << s.first;
        flt().writeSpecial(h, s.first, s.second.data(), (uint32_t)s.second.size());
    }
    for (size_t p = 0; p < data.size(); p += piece)
        flt().write(h, data.data() + p, (uint32_t)std::min<size_t>(piece, data.size() - p));
    EXPECT_EQ(flt().closeOut2(h), 1);
}

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

Buf noisyData(size_t bytes, uint32_t seed)
{
    Buf d(bytes);
    for (size_t i = 0; i < bytes; i++) {
        seed = seed * 1103515245u + 12345u;
        /* a slow ramp with a little noise: compressible, but not trivially */
        d[i] = (uint8_t)((i / 64) + ((seed >> 16) & 7));
    }
    return d;
}

} // namespace

/* ---- 1. The module as the host finds it ---- */

TEST(FlacFltModule, ExportsAndRecord)
{
    Flt &f = flt();
    ASSERT_TRUE(f.m) << FLT_PATH;
    EXPECT_TRUE(f.query && f.understands && f.open1 && f.open2 && f.size && f.read && f.seek && f.close);
    EXPECT_TRUE(f.optionsString && f.options && f.getOptions && f.canRead && f.readSpecial);
    EXPECT_TRUE(f.openOut && f.write && f.closeOut && f.closeOut2 && f.suggest && f.canWrite && f.writeSpecial &&
                f.storedType);
    ZfFilterRecord rec;
    memset(&rec, 0x66, sizeof rec);
    memset(rec.ext2, 0, 12);
    EXPECT_EQ(f.query(&rec), ZF_QUERY_OK);
    EXPECT_STREQ(rec.formatName, "FLAC Lossless");
    EXPECT_GT(strlen(rec.progressNote), 0u);
    EXPECT_EQ(rec.flags, (uint32_t)(ZF_CANREAD | ZF_CANWRITE | ZF_SPECIAL_READ_PRE | ZF_SPECIAL_WRITE_PRE |
                                    ZF_HASOPTIONS));
    EXPECT_STREQ(rec.ext, "flac");
    EXPECT_EQ((uint8_t)rec.moduleName[0], 0x66) << "the host's part of the record was touched";

    uint32_t rate = 44100;
    uint16_t bits = 16, ch = 2;
    f.suggest(&rate, &bits, &ch);
    EXPECT_EQ(rate, 0u); EXPECT_EQ(bits, 0); EXPECT_EQ(ch, 0);
    rate = 96000; bits = 24; ch = 6;
    f.suggest(&rate, &bits, &ch);
    EXPECT_EQ(rate, 0u); EXPECT_EQ(bits, 16); EXPECT_EQ(ch, 2);
}

/* ---- 2. Ours to ours ---- */

TEST(FlacFltRoundTrip, SamplesAndItemsComeBackAtEveryLevel)
{
    ASSERT_TRUE(flt().m);
    std::string path = zt::tempPath("rt.flac");
    Buf labels, notes;
    put32(labels, 7);
    Buf t = text("verse");
    labels.insert(labels.end(), t.begin(), t.end());
    put32(notes, 7);
    t = text("note on seven");
    notes.insert(notes.end(), t.begin(), t.end());
    for (uint32_t level = 0; level <= 8; level++) {
        SCOPED_TRACE(level);
        Buf data = noisyData(40001 * 4, level);
        writeFlac(path, 44100, 16, 2, data, 0x100 | level,
                  {{ZF_ICMT, text("one")}, {ZF_ICMT, text("two")}, {ZF_INAM, text("Name")},
                   {ZF_CUEPOINTS, cueTable({{7, 20000}})}, {ZF_CUELABELS, labels}, {ZF_CUENOTES, notes}});
        EXPECT_EQ(flt().understands(path.c_str()), 1);
        Opened o = openIn(path);
        ASSERT_NE(o.h, 0u);
        EXPECT_EQ(o.rate, 44100u);
        EXPECT_EQ(o.bits, 16);
        EXPECT_EQ(o.channels, 2);
        EXPECT_EQ(o.piece % 4, 0u);
        /* the items first, as the record's flags say */
        EXPECT_EQ(readItem(o.h, ZF_ICMT), text("one"));
        EXPECT_EQ(readItem(o.h, ZF_ICMT), text("two"));
        EXPECT_EQ(readItem(o.h, ZF_INAM), text("Name"));
        EXPECT_EQ(readItem(o.h, ZF_CUEPOINTS), cueTable({{1, 20000}})) << "cues are numbered by position";
        Buf wantLabels;
        put32(wantLabels, 1);
        t = text("verse");
        wantLabels.insert(wantLabels.end(), t.begin(), t.end());
        EXPECT_EQ(readItem(o.h, ZF_CUELABELS), wantLabels);
        EXPECT_EQ(flt().canRead(o.h, ZF_PLAYLIST), 0u);
        EXPECT_EQ(flt().size(o.h), data.size());
        EXPECT_TRUE(readData(o) == data);
        char opt[ZF_OPTIONS_TEXT_MAX];
        EXPECT_EQ(flt().optionsString(o.h, opt), 1);
        EXPECT_STREQ(opt, "FLAC 16-bit Stereo");
        EXPECT_EQ(flt().options(o.h), 0x100 | level) << "our file says its level";
        flt().close(o.h);
    }
    /* 8-bit mono, odd length, piece sizes that split frames */
    Buf data = noisyData(12345, 9);
    uint32_t piece = 0;
    ZFHANDLE h = flt().openOut(path.c_str(), 8000, 8, 1, (uint32_t)data.size(), &piece, 0);
    ASSERT_NE(h, 0u);
    for (size_t p = 0; p < data.size(); p += 333)
        flt().write(h, data.data() + p, (uint32_t)std::min<size_t>(333, data.size() - p));
    flt().closeOut(h);
    Opened o = openIn(path);
    ASSERT_NE(o.h, 0u);
    EXPECT_EQ(o.bits, 8);
    EXPECT_EQ(o.channels, 1);
    EXPECT_TRUE(readData(o) == data);
    EXPECT_EQ(flt().seek(o.h, 100), 100u);
    uint8_t b[10];
    EXPECT_EQ(flt().read(o.h, b, 10), 10u);
    EXPECT_EQ(memcmp(b, data.data() + 100, 10), 0);
    flt().close(o.h);
}

TEST(FlacFltRoundTrip, RefusesTypesItCannotWriteAndBadHandles)
{
    uint32_t piece = 0;
    EXPECT_EQ(flt().openOut(zt::tempPath("x.flac").c_str(), 44100, 24, 2, 0, &piece, 0), 0u);
    EXPECT_EQ(flt().openOut(zt::tempPath("x.flac").c_str(), 44100, 16, 4, 0, &piece, 0), 0u);
    EXPECT_EQ(flt().openOut(NULL, 44100, 16, 2, 0, &piece, 0), 0u);
    EXPECT_EQ(flt().size(0), 0u);
    EXPECT_EQ(flt().size(99), 0u);
    uint8_t b[4];
    EXPECT_EQ(flt().read(5, b, 4), 0u);
    flt().close(12345);
    flt().closeOut(7);
    EXPECT_EQ(flt().closeOut2(7), 0);
    EXPECT_EQ(flt().understands(NULL), 0);
    EXPECT_EQ(flt().open1(zt::tempPath("nonexistent.flac").c_str(), NULL, NULL, NULL, NULL, NULL), 0u);
}

/* ---- 3. Other programs' files in, files for others out ---- */

TEST(FlacFltInterop, ReferenceFilesAtEveryLevelAndFilesForTheReference)
{
    std::string dir = FLAC_INTEROP_DIR;
    if (!osFileExists(dir.c_str()))
        GTEST_SKIP() << "no reference files (the interop fixture did not run)";
    struct Src { const char *name; uint32_t rate; uint16_t bits, fileBits, ch; };
    const Src srcs[] = {{"u8_mono", 8000, 8, 8, 1},         {"u8_stereo", 22050, 8, 8, 2},
                        {"s16_mono", 11025, 16, 16, 1},     {"s16_stereo", 44100, 16, 16, 2},
                        {"s16_stereo48", 48000, 16, 16, 2}, {"s24_stereo", 96000, 16, 24, 2}};
    for (const Src &s : srcs) {
        Buf ref = fileBytes(dir + "/" + s.name + ".ref");
        ASSERT_FALSE(ref.empty()) << s.name;
        for (int level = 0; level <= 8; level++) {
            std::string path = dir + "/" + s.name + "_l" + std::to_string(level) + ".flac";
            SCOPED_TRACE(path);
            EXPECT_EQ(flt().understands(path.c_str()), 1);
            Opened o = openIn(path);
            ASSERT_NE(o.h, 0u);
            EXPECT_EQ(o.rate, s.rate);
            EXPECT_EQ(o.bits, s.bits);
            EXPECT_EQ(o.channels, s.ch);
            Buf got = readData(o);
            EXPECT_EQ(got.size(), ref.size());
            EXPECT_TRUE(got == ref) << "samples differ from sox's reading of the wave";
            uint16_t bits = 0, ch = 0, fl = 9;
            EXPECT_EQ(flt().storedType(o.h, &bits, &ch, &fl), 1);
            EXPECT_EQ(bits, s.fileBits);
            EXPECT_EQ(ch, s.ch);
            EXPECT_EQ(fl, 0);
            EXPECT_EQ(flt().options(o.h), 0x105u) << "the usual level for others' files";
            flt().close(o.h);
        }
    }
    /* tags and a cue sheet made by the flac command */
    Opened o = openIn(dir + "/tags.flac");
    ASSERT_NE(o.h, 0u);
    EXPECT_EQ(readItem(o.h, ZF_INAM), text("Interop title"));
    EXPECT_EQ(readItem(o.h, ZF_IART), text("Interop artist"));
    EXPECT_EQ(readItem(o.h, ZF_ICMT), text("Interop comment"));
    EXPECT_EQ(readItem(o.h, ZF_CUEPOINTS), cueTable({{1, 0}, {2, 20 * 588}}));
    EXPECT_TRUE(readData(o) == fileBytes(dir + "/s16_stereo.ref"));
    flt().close(o.h);

    /* files for the flac command: out_<name>.flac with their samples in out_<name>.raw */
    struct Out { const char *name; uint32_t rate; uint16_t bits, ch; uint32_t frames; uint32_t options; };
    for (Out t : {Out{"8k_u8_mono", 8000, 8, 1, 1001, 0}, Out{"11k_u8_stereo", 11025, 8, 2, 777, 0x108},
                  Out{"22k_s16_mono", 22050, 16, 1, 4097, 0x100}, Out{"44k_s16_stereo", 44100, 16, 2, 30000, 0x105},
                  Out{"48k_s16_stereo_tiny", 48000, 16, 2, 3, 0x103}, Out{"96k_s16_stereo", 96000, 16, 2, 9000, 1}}) {
        Buf data = noisyData((size_t)t.frames * t.bits / 8 * t.ch, t.rate);
        std::string base = dir + "/out_" + t.name;
        writeFlac(base + ".flac", t.rate, t.bits, t.ch, data, t.options);
        writeBytes(base + ".raw", data);
    }
    Buf data = noisyData(5000 * 4, 3);
    writeFlac(dir + "/out_items.flac", 44100, 16, 2, data, 0x105,
              {{ZF_INAM, text("Flac filter title")}, {ZF_CUEPOINTS, cueTable({{3, 1000}})}});
    writeBytes(dir + "/out_items.raw", data);
}

/* ---- 4. Damaged files ---- */

TEST(FlacFltRobust, DamagedFilesAreReadUpToTheDamageOrRefused)
{
    std::string dir = FLAC_INTEROP_DIR;
    if (!osFileExists(dir.c_str()))
        GTEST_SKIP() << "no reference files (the interop fixture did not run)";
    Buf file = fileBytes(dir + "/s16_stereo_l5.flac"), ref = fileBytes(dir + "/s16_stereo.ref");
    ASSERT_GT(file.size(), 1000u);
    std::string path = zt::tempPath("damaged.flac");
    auto check = [&](const Buf &img, const char *what, bool mayRefuse) {
        writeBytes(path, img);
        Opened o = openIn(path);
        EXPECT_EQ(flt().understands(path.c_str()) != 0, o.h != 0) << what;
        if (!o.h) {
            EXPECT_TRUE(mayRefuse) << what << " was refused";
            return;
        }
        Buf got = readData(o);
        EXPECT_LE(got.size(), flt().size(o.h)) << what;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), ref.begin())) << what << ": wrong samples before the damage";
        flt().close(o.h);
    };
    for (size_t cut : {(size_t)0, (size_t)4, (size_t)30, file.size() / 4, file.size() / 2, file.size() - 3}) {
        Buf img(file.begin(), file.begin() + cut);
        check(img, ("truncated at " + std::to_string(cut)).c_str(), cut < 100);
    }
    for (size_t at = 0; at < 120; at += 3) {
        Buf img = file;
        img[at] ^= 0x5A;
        check(img, ("flipped header byte " + std::to_string(at)).c_str(), true);
    }
    Buf img = file;
    img[5] = img[6] = img[7] = 0xFF;   /* STREAMINFO length far past the end */
    check(img, "absurd block length", true);
    img = file;
    img[8 + 13] |= 0x0F;               /* total samples absurd: counted from the frames instead */
    memset(&img[8 + 14], 0xFF, 4);
    writeBytes(path, img);
    Opened o = openIn(path);
    ASSERT_NE(o.h, 0u);
    EXPECT_EQ(flt().size(o.h), ref.size());
    EXPECT_TRUE(readData(o) == ref);
    flt().close(o.h);
}

/* ---- 5. What the user sees: the options dialog and the signature message ---- */

namespace {

/* Waits (bounded) for a top-level window of this process with the given caption. */
HWND waitForWindow(const char *caption)
{
    for (int i = 0; i < 1000; i++) {
        HWND w = FindWindowA(NULL, caption);
        if (w && IsWindowVisible(w))
            return w;
        Sleep(20);
    }
    return NULL;
}

struct DialogAction {
    const char *caption;
    int pickLevel;          /* -1: press Cancel */
    LRESULT shownLevel = -2;
    char text[1024] = "";
    bool found = false;
};

DWORD WINAPI actOnDialog(void *p)
{
    DialogAction *a = (DialogAction *)p;
    HWND w = waitForWindow(a->caption);
    if (!w)
        return 0;
    a->found = true;
    HWND combo = FindWindowExA(w, NULL, "ComboBox", NULL);
    if (combo) {
        a->shownLevel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
        if (a->pickLevel >= 0)
            SendMessageA(combo, CB_SETCURSEL, (WPARAM)a->pickLevel, 0);
    }
    /* the message box's text is its static control */
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32];
        GetClassNameA(c, cls, sizeof cls);
        if (!strcmp(cls, "Static") && GetWindowTextLengthA(c) > (int)strlen(a->text))
            GetWindowTextA(c, a->text, sizeof a->text);
    }
    PostMessageA(w, WM_COMMAND, a->pickLevel >= 0 ? IDOK : IDCANCEL, 0);
    return 0;
}

} // namespace

TEST(FlacFltUser, TheOptionsDialogShowsAndReturnsTheLevel)
{
    ASSERT_TRUE(flt().getOptions);
    DialogAction pick{"FLAC Options", 2};
    HANDLE t = CreateThread(NULL, 0, actOnDialog, &pick, 0, NULL);
    uint32_t got = flt().getOptions(NULL, NULL, 44100, 2, 16, 0x107);
    WaitForSingleObject(t, 30000);
    CloseHandle(t);
    ASSERT_TRUE(pick.found) << "no dialog captioned FLAC Options";
    EXPECT_EQ(pick.shownLevel, 7) << "the dialog starts at the remembered level";
    EXPECT_EQ(got, 0x102u);

    DialogAction cancel{"FLAC Options", -1};
    t = CreateThread(NULL, 0, actOnDialog, &cancel, 0, NULL);
    got = flt().getOptions(NULL, NULL, 44100, 2, 16, 12345);
    WaitForSingleObject(t, 30000);
    CloseHandle(t);
    ASSERT_TRUE(cancel.found);
    EXPECT_EQ(cancel.shownLevel, 5) << "an unknown value starts at the usual level";
    EXPECT_EQ(got, 0u) << "Cancel";

    /* the level chosen changes the file, and every level reads back the same */
    Buf data = noisyData(20000 * 4, 5);
    std::string p0 = zt::tempPath("lvl0.flac"), p8 = zt::tempPath("lvl8.flac");
    writeFlac(p0, 44100, 16, 2, data, 0x100);
    writeFlac(p8, 44100, 16, 2, data, 0x108);
    EXPECT_NE(fileBytes(p0), fileBytes(p8));
    EXPECT_LE(fileBytes(p8).size(), fileBytes(p0).size());
}

TEST(FlacFltUser, AWrongSignatureIsShownOnARealOpenAndTheSamplesKept)
{
    std::string path = zt::tempPath("badmd5.flac");
    Buf data = noisyData(9000 * 4, 11);
    writeFlac(path, 44100, 16, 2, data, 0x105);
    Buf file = fileBytes(path);
    file[8 + 18 + 3] ^= 0x10;   /* one bit of the stored MD5 sum */
    writeBytes(path, file);
    DialogAction ok{"FLAC Lossless", 0};
    HANDLE t = CreateThread(NULL, 0, actOnDialog, &ok, 0, NULL);
    Opened o;
    o.h = flt().open2(path.c_str(), &o.rate, &o.bits, &o.channels, NULL, &o.piece, GetModuleHandleA(NULL));
    ASSERT_NE(o.h, 0u);
    EXPECT_TRUE(readData(o) == data) << "the samples are kept";
    flt().close(o.h);
    WaitForSingleObject(t, 30000);
    CloseHandle(t);
    ASSERT_TRUE(ok.found) << "no message about the signature";
    EXPECT_NE(strstr(ok.text, "MD5"), nullptr) << ok.text;
    EXPECT_NE(strstr(ok.text, "badmd5.flac"), nullptr) << ok.text;
}
