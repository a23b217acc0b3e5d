/*
 * The Resample module as the program meets it: resample.xfm loaded with LoadLibrary and
 * run through its exports with a context whose sample services work on a wave in memory
 * (the program's Convert Sample Type is tested end to end on its own side).  Checks the
 * description, the defaults, results equal to the converter run directly, the new range,
 * Cancel and the refused rates.
 */
#include "filters/sdk/zxform.h"
#include "xforms/resample/rscore.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace {

#pragma pack(push, 1)
struct Block {   /* what the program writes with bSetXfmData */
    DWORD rate;
    WORD second, first;
    DWORD length;
};
#pragma pack(pop)
static_assert(sizeof(Block) == 12, "block");

struct Wave {
    std::vector<int16_t> s;
    int blockAlign = 4;
    short cancel = 0;
    int meterCalls = 0, cancelAfter = -1, created = 0, destroyed = 0;
} W;

short WINAPI memRead(void *dst, long offset, DWORD count)
{
    for (DWORD i = 0; i < count / 2; i++) {
        size_t at = (size_t)offset / 2 + i;
        ((int16_t *)dst)[i] = at < W.s.size() ? W.s[at] : 0;
    }
    return 0;
}
short WINAPI memWrite(const void *src, long offset, DWORD count)
{
    size_t end = ((size_t)offset + count) / 2;
    if (end > W.s.size())
        W.s.resize(end);
    memcpy(W.s.data() + offset / 2, src, count);
    return 0;
}
short WINAPI memInsert(long offset, DWORD count)
{
    W.s.insert(W.s.begin() + offset / 2, count / 2, (int16_t)0);
    return 0;
}
short WINAPI memCut(long offset, DWORD count)
{
    W.s.erase(W.s.begin() + offset / 2, W.s.begin() + (offset + count) / 2);
    return 0;
}
int WINAPI meter(DWORD, DWORD)
{
    if (W.cancelAfter >= 0 && ++W.meterCalls > W.cancelAfter)
        W.cancel = 1;
    return !W.cancel;
}
void WINAPI create(LPCSTR, HWND)
{
    W.created++;
}
void WINAPI destroy(void)
{
    W.destroyed++;
}

std::string modulePath()
{
    const char *env = getenv("ZELO_BIN_DIR");
    std::string p = env && *env ? env : ZELO_BIN_DIR_DEFAULT;
    if (!p.empty() && p[0] == '/')
        p = "Z:" + p;
    for (char &c : p)
        if (c == '/')
            c = '\\';
    return p + "\\resample.xfm";
}

class ResampleDll : public ::testing::Test {
protected:
    HMODULE mod = NULL;
    XfmQueryFn query = nullptr;
    XfmInitFn init = nullptr;
    XfmDoFn run = nullptr;
    void SetUp() override
    {
        mod = LoadLibraryA(modulePath().c_str());
        ASSERT_TRUE(mod != NULL) << modulePath() << " error " << GetLastError();
        query = (XfmQueryFn)(void *)GetProcAddress(mod, "QueryXfm");
        init = (XfmInitFn)(void *)GetProcAddress(mod, "XfmInit");
        run = (XfmDoFn)(void *)GetProcAddress(mod, "XfmDo");
        ASSERT_TRUE(query && init && run);
        W = Wave();
    }
    void TearDown() override
    {
        if (mod)
            FreeLibrary(mod);
    }
    /* The context the program fills for OpenXfm, with the block written as it writes it. */
    XfmContext context(HGLOBAL data, int channels, DWORD rate, DWORD frames)
    {
        XfmContext c;
        memset(&c, 0x66, sizeof c);
        c.channels = (WORD)channels;
        c.bitsPerSample = 16;
        c.blockAlign = (WORD)(2 * channels);
        c.sampleRate = rate;
        c.data = data;
        c.start = 0;
        c.end = frames;   /* the program passes the frame count */
        c.vocRead = memRead;
        c.vocWriteAt = memWrite;
        c.vocCut = memCut;
        c.vocInsertBlank = memInsert;
        c.cancelFlag = &W.cancel;
        c.progressMeter = meter;
        c.progressCreate = create;
        c.progressDestroy = destroy;
        W.blockAlign = c.blockAlign;
        return c;
    }
    HGLOBAL block(DWORD rate, WORD first, WORD second, DWORD length)
    {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, sizeof(Block));
        Block *b = (Block *)GlobalLock(h);
        b->rate = rate;
        b->first = first;
        b->second = second;
        b->length = length;
        GlobalUnlock(h);
        return h;
    }
};

std::vector<int16_t> noise(size_t samples, uint32_t seed)
{
    std::vector<int16_t> v(samples);
    for (int16_t &x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = (int16_t)((int32_t)seed >> 18);
    }
    return v;
}

std::vector<int16_t> direct(const std::vector<int16_t> &in, int channels, uint32_t a, uint32_t b, int level)
{
    size_t n = in.size() / channels, fed = 0, got = 0;
    RsState *rs = rsCreate(a, b, channels, level, n);
    std::vector<int16_t> out(rsTotal(rs) * channels);
    for (;;) {
        size_t g = rsGet16(rs, out.data() + got * channels, out.size() / channels - got, nullptr);
        if (g)
            got += g;
        else if (fed < n)
            fed += rsPut16(rs, in.data() + fed * channels, n - fed);
        else
            break;
    }
    rsDestroy(rs);
    return out;
}

TEST_F(ResampleDll, DescribesItselfAsHiddenSixteenBitWithItsBlock)
{
    XfmInfo info;
    memset(&info, 0x66, sizeof info);
    EXPECT_EQ(XFM_VERSION, query(&info));
    EXPECT_STREQ("Resample", info.name);
    EXPECT_EQ(XFM_HIDDEN, info.flags);
    EXPECT_EQ(XFM_FMT_MONO16 | XFM_FMT_STEREO16, info.formats);
    EXPECT_EQ(12u, info.dataSize);
    EXPECT_STREQ("LIIL", info.layout);
    EXPECT_TRUE(GetProcAddress(mod, "XfmSetup") == NULL);

    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 12);
    memset(GlobalLock(h), 0x66, 12);
    GlobalUnlock(h);
    XfmContext c = context(h, 1, 44100, 0);
    init(&c);
    Block *b = (Block *)GlobalLock(h);
    EXPECT_EQ(22050u, b->rate);
    EXPECT_EQ(RS_MEDIUM, rsLevelFromShape(b->first, b->second));
    GlobalUnlock(h);
    GlobalFree(h);
}

TEST_F(ResampleDll, LowersAndRaisesTheWholeWaveAsTheConverterDoes)
{
    struct Case {
        int channels;
        DWORD from, to, frames;
        WORD first, second;
        int level;
    } cases[] = {{2, 44100, 22050, 60001, 149, 18, RS_HIGH}, {2, 44100, 48000, 60001, 199, 2, RS_HIGH},
                 {1, 8000, 44100, 7001, 49, 2, RS_LOW},      {1, 48000, 32075, 9001, 51, 18, RS_MEDIUM},
                 {2, 22050, 11025, 2, 255, 18, RS_XHIGH},    {1, 11025, 6000, 0, 69, 2, RS_LOW}};
    for (const Case &k : cases) {
        W = Wave();
        W.s = noise((size_t)k.frames * k.channels, k.frames);
        std::vector<int16_t> want = direct(W.s, k.channels, k.from, k.to, k.level);
        HGLOBAL h = block(k.to, k.first, k.second, 2000);
        XfmContext c = context(h, k.channels, k.from, k.frames);
        long r = run(&c);
        DWORD frames = (DWORD)rsOutputFrames(k.from, k.to, k.frames);
        EXPECT_EQ((long)frames, r) << k.from << "->" << k.to;
        EXPECT_TRUE(want == W.s) << k.from << "->" << k.to;
        EXPECT_EQ(0u, c.start);
        EXPECT_EQ(frames - 1, c.end);   /* 0xFFFFFFFF for an empty result */
        EXPECT_EQ(1, W.created);
        EXPECT_EQ(1, W.destroyed);
        GlobalFree(h);
    }
}

TEST_F(ResampleDll, CancelStopsWithTheRangeTellingTheLength)
{
    for (DWORD to : {22050u, 48000u}) {
        W = Wave();
        W.s = noise(2 * 300000, 5);
        W.cancelAfter = 2;
        HGLOBAL h = block(to, 149, 18, 2500);
        XfmContext c = context(h, 2, 44100, 300000);
        long r = run(&c);
        EXPECT_GT(r, 0);
        EXPECT_LT(r, (long)rsOutputFrames(44100, to, 300000));
        EXPECT_EQ(W.s.size() / 2, (size_t)c.end + 1) << to;
        GlobalFree(h);
    }
}

TEST_F(ResampleDll, RefusedRatesAndFormatsLeaveTheWaveAlone)
{
    std::vector<int16_t> before = noise(2000, 1);
    for (DWORD rate : {0u, 200001u, 4000000000u}) {
        W = Wave();
        W.s = before;
        HGLOBAL h = block(rate, 199, 2, 2000);
        XfmContext c = context(h, 1, 44100, 2000);
        EXPECT_EQ(0, run(&c)) << rate;
        EXPECT_TRUE(before == W.s);
        GlobalFree(h);
    }
    W = Wave();
    W.s = before;
    HGLOBAL h = block(22050, 199, 2, 2000);
    XfmContext c = context(h, 1, 44100, 2000);
    c.bitsPerSample = 8;
    EXPECT_EQ(0, run(&c));
    EXPECT_TRUE(before == W.s);
    GlobalFree(h);
}

}  // namespace
