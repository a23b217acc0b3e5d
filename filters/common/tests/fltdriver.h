/*
 * fltdriver.h - for the Wine tests of the bundled filter modules: loads the real module
 * (FLT_PATH) with LoadLibrary and drives its exported entry points the way the host does
 * (record, probe, open, read in pieces, special items, write, close), plus small file helpers
 * and the sox-made files of INTEROP_DIR.
 */
#ifndef ZELO_FLTDRIVER_H
#define ZELO_FLTDRIVER_H

#include "filters/sdk/zfilter.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Buf;
typedef std::vector<std::pair<int, Buf>> Items;

namespace fd {

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
    ZfCloseFilterOutput2 closeOut2;
    ZfGetSuggestedSampleType suggest;
    ZfGetSuggestedSampleType2 suggest2;
    ZfFilterCanWriteSpecial canWrite;
    ZfFilterWriteSpecial writeSpecial;
    ZfFilterOptions options;
    ZfFilterGetOptions getOptions;
    ZfFilterSetOptions setOptions;
    ZfFilterStoredType storedType;
};

inline Flt &flt()
{
    static Flt f;
    if (!f.m) {
        f.m = LoadLibraryA(FLT_PATH);
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
            GET(closeOut2, "CloseFilterOutput2");
            GET(suggest, "GetSuggestedSampleType");
            GET(suggest2, "GetSuggestedSampleType2");
            GET(canWrite, "FilterCanWriteSpecial");
            GET(writeSpecial, "FilterWriteSpecial");
            GET(options, "FilterOptions");
            GET(getOptions, "FilterGetOptions");
            GET(setOptions, "FilterSetOptions");
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

inline Opened openIn(const std::string &path)
{
    Opened o;
    o.h = flt().open2(path.c_str(), &o.rate, &o.bits, &o.channels, NULL, &o.piece, NULL);
    return o;
}

/* The host's reading loop: pieces of the filter's size until 0 or the byte count. */
inline Buf readData(const Opened &o)
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

/* The host's reading of the special items: each text code once, DISP until 0, then 40..44. */
inline Items readItems(ZFHANDLE h)
{
    Items out;
    for (int code = 20; code <= 44; code++) {
        if (code > 34 && code < 40)
            continue;
        for (;;) {
            uint32_t n = flt().canRead(h, code);
            if (!n)
                break;
            Buf b(n + 4, 0x66);
            if (!flt().readSpecial(h, code, b.data(), n))
                break;
            EXPECT_EQ(b[n], 0x66);
            b.resize(n);
            out.push_back({code, b});
            if (code != 34)
                break;
        }
    }
    return out;
}

inline Buf fileBytes(const std::string &path)
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

inline void writeBytes(const std::string &path, const Buf &b)
{
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f) << path;
    fwrite(b.data(), 1, b.size(), f);
    fclose(f);
}

/* Writes through the module as the host does; items before the data when the record says so. */
inline void writeFile(const std::string &path, uint32_t rate, uint16_t bits, uint16_t ch, const Buf &data,
                      const Items &items = {}, uint32_t options = 1)
{
    ZfFilterRecord rec;
    memset(&rec, 0, sizeof rec);
    flt().query(&rec);
    uint32_t piece = 0xDEADBEEF;
    ZFHANDLE h = flt().openOut(path.c_str(), rate, bits, ch, (uint32_t)data.size(), &piece, options);
    ASSERT_NE(h, 0u) << path;
    ASSERT_NE(piece, 0xDEADBEEFu);
    ASSERT_GT(piece, 0u);
    auto specials = [&]() {
        for (auto &s : items) {
            EXPECT_TRUE(flt().canWrite(h, s.first)) << s.first;
            flt().writeSpecial(h, s.first, s.second.data(), (uint32_t)s.second.size());
        }
    };
    if (rec.flags & ZF_SPECIAL_WRITE_PRE)
        specials();
    for (size_t p = 0; p < data.size(); p += piece)
        flt().write(h, data.data() + p, (uint32_t)std::min<size_t>(piece, data.size() - p));
    if (!(rec.flags & ZF_SPECIAL_WRITE_PRE))
        specials();
    EXPECT_EQ(flt().closeOut2(h), 1) << path;
}

inline Buf text(const char *t)
{
    Buf b(t, t + strlen(t) + 1);
    if (b.size() & 1)
        b.push_back(0);
    return b;
}

/* Samples that use the whole range, different in every channel. */
inline Buf pattern(size_t bytes)
{
    Buf b(bytes);
    for (size_t i = 0; i < bytes; i++)
        b[i] = (uint8_t)(i * 31 + i / 7);
    return b;
}

inline std::string interop(const std::string &name)
{
    return std::string(INTEROP_DIR) + "/" + name;
}

/* The sox-made files listed in INTEROP_DIR/list.txt ("name bits channels rate" per line). */
struct SoxFile {
    std::string name;
    int bits, channels;
    uint32_t rate;
};
inline std::vector<SoxFile> soxFiles()
{
    std::vector<SoxFile> out;
    FILE *f = fopen(interop("list.txt").c_str(), "r");
    if (!f)
        return out;
    char name[200];
    int bits, ch;
    unsigned rate;
    while (fscanf(f, "%199s %d %d %u", name, &bits, &ch, &rate) == 4)
        out.push_back({name, bits, ch, rate});
    fclose(f);
    return out;
}

/* The record checks every module shares. */
inline void checkRecord(const char *formatName, const char *ext, uint32_t flags)
{
    ZfFilterRecord rec;
    memset(&rec, 0x66, sizeof rec);
    memset(rec.ext2, 0, 12);
    ASSERT_TRUE(flt().query);
    EXPECT_EQ(flt().query(&rec), ZF_QUERY_OK);
    EXPECT_STREQ(rec.formatName, formatName);
    EXPECT_GT(strlen(rec.progressNote), 0u);
    EXPECT_LT(strlen(rec.progressNote), sizeof rec.progressNote);
    EXPECT_EQ(rec.flags, flags);
    EXPECT_STREQ(rec.ext, ext);
    EXPECT_EQ((uint8_t)rec.moduleName[0], 0x66) << "the host's part of the record was touched";
    EXPECT_EQ(rec.savePos, 0x6666);
}

/* Answers the module's options dialog (caption title) from another thread: checks the radio
   button with id `check` (0: none) and presses OK, or Cancel when cancel is set.  Returns
   what FilterGetOptions returned. */
struct DialogAnswer {
    const char *title;
    int check;
    int cancel;
    int seen;
};
inline DWORD WINAPI answerDialog(void *p)
{
    DialogAnswer *a = (DialogAnswer *)p;
    for (int i = 0; i < 400; i++) {
        HWND dlg = FindWindowA(NULL, a->title);
        if (dlg && IsWindowVisible(dlg)) {
            a->seen = 1;
            if (a->check)
                SendDlgItemMessageA(dlg, a->check, BM_CLICK, 0, 0);
            PostMessageA(dlg, WM_COMMAND, a->cancel ? IDCANCEL : IDOK, 0);
            return 0;
        }
        Sleep(50);
    }
    return 0;
}
inline uint32_t askOptions(const char *title, int check, int cancel, uint32_t current,
                           uint32_t rate = 44100, uint16_t ch = 2, uint16_t bits = 16, int *seen = NULL)
{
    DialogAnswer a = {title, check, cancel, 0};
    HANDLE t = CreateThread(NULL, 0, answerDialog, &a, 0, NULL);
    uint32_t r = flt().getOptions(NULL, flt().m, rate, ch, bits, current);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    if (seen)
        *seen = a.seen;
    return r;
}

} // namespace fd

#endif
