/*
 * The transform host's discovery and calling convention with real module DLLs: which
 * modules are registered (versions, missing QueryXfm, files that do not load, names that
 * differ in case), the xfm.dat cache and what forces a rescan, menu entries by flag, the
 * instance slots, the settings calls, silent calls hiding a module's progress dialog, the
 * service table and the format adaptation.
 */
#include "xfmfixture.h"
#include "store/delaywrite.h"
#include "dsp/dsp.h"

#include <stdio.h>

namespace {

std::string fileBytes(const std::string &path)
{
    std::string s;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return s;
    char b[4096];
    size_t n;
    while ((n = fread(b, 1, sizeof b, f)) > 0)
        s.append(b, n);
    fclose(f);
    return s;
}

/* ---- 1. Discovery ---- */

TEST_F(XfmTest, EmptyFolderGivesNoRowsAndACacheWithCountZero)
{
    std::string dir = moduleDir("empty", {});
    EXPECT_EQ(0, xfmScan(dir.c_str(), 32, NULL));
    std::string cache = fileBytes(dir + "\\xfm.dat");
    ASSERT_EQ(14u, cache.size());
    EXPECT_EQ(std::string("\0\0", 2), cache.substr(0, 2));
    EXPECT_EQ("WEXO", cache.substr(10));
}

TEST_F(XfmTest, OnlyVersions1000To1152AreRegisteredAndRejectsRescanEveryStart)
{
    std::string dir = moduleDir("versions", {"v999", "v1000", "v1152", "v1153"});
    zt::MessageRecorder rec;
    ASSERT_EQ(2, xfmScan(dir.c_str(), 32, NULL));
    EXPECT_EQ("First", std::string(XfmHost.rows[0].info.name));
    EXPECT_EQ("Latest", std::string(XfmHost.rows[1].info.name));
    EXPECT_EQ("v1000.xfm", std::string(XfmHost.rows[0].file));
    EXPECT_TRUE(rec.messages.empty()) << "a version out of range is skipped silently";
    std::string cache = fileBytes(dir + "\\xfm.dat");
    ASSERT_GE(cache.size(), 2u);
    EXPECT_EQ(4, cache[0]) << "the count is the files found, not the rows";
    /* Two records where four are promised: the next start scans again. */
    ASSERT_EQ(2, xfmScan(dir.c_str(), 32, NULL));
    EXPECT_EQ(1, XfmHost.rescanned);
}

TEST_F(XfmTest, CacheServesTheNextStartUntilTheFolderOrDepthChanges)
{
    std::string dir = moduleDir("cache", {"v1000", "v1152"});
    ASSERT_EQ(2, xfmScan(dir.c_str(), 32, NULL));
    EXPECT_EQ(1, XfmHost.rescanned);
    ASSERT_EQ(2, xfmScan(dir.c_str(), 32, NULL));
    EXPECT_EQ(0, XfmHost.rescanned);
    EXPECT_EQ("Latest", std::string(XfmHost.rows[1].info.name));
    EXPECT_EQ(0, (int)(INT_PTR)XfmHost.rows[1].data);

    /* A new last-write time alone keeps the cache (where the file system keeps the
       creation time apart: Wine reports the inode's change time, which moves with it). */
    std::string mod = dir + "\\v1000.xfm";
    WIN32_FIND_DATAA before, after;
    FindClose(FindFirstFileA(mod.c_str(), &before));
    HANDLE h = CreateFileA(mod.c_str(), FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    FILETIME t = {12345, 30000000};
    SetFileTime(h, NULL, NULL, &t);
    CloseHandle(h);
    FindClose(FindFirstFileA(mod.c_str(), &after));
    xfmScan(dir.c_str(), 32, NULL);
    if (before.ftCreationTime.dwLowDateTime == after.ftCreationTime.dwLowDateTime)
        EXPECT_EQ(0, XfmHost.rescanned);

    /* Another display depth, another module, or a damaged cache: scanned again. */
    xfmScan(dir.c_str(), 16, NULL);
    EXPECT_EQ(1, XfmHost.rescanned);
    xfmScan(dir.c_str(), 16, NULL);
    EXPECT_EQ(0, XfmHost.rescanned);
    moduleDir("cache", {"probe"});
    EXPECT_EQ(3, xfmScan(dir.c_str(), 16, NULL));
    EXPECT_EQ(1, XfmHost.rescanned);
    std::string cache = fileBytes(dir + "\\xfm.dat");
    FILE *f = fopen((dir + "\\xfm.dat").c_str(), "wb");
    fwrite(cache.data(), 1, cache.size() - 100, f);
    fclose(f);
    EXPECT_EQ(3, xfmScan(dir.c_str(), 16, NULL));
    EXPECT_EQ(1, XfmHost.rescanned);
    EXPECT_EQ(cache.size(), fileBytes(dir + "\\xfm.dat").size()) << "rebuilt whole";
}

TEST_F(XfmTest, ModulesThatCannotLoadOrLackQueryXfmAreReportedAtEveryStart)
{
    std::string dir = moduleDir("broken", {"noquery", "v1000"});
    FILE *f = fopen((dir + "\\bad.xfm").c_str(), "wb");
    fputs("not a module at all", f);
    fclose(f);
    for (int start = 0; start < 2; start++) {
        zt::MessageRecorder rec;
        EXPECT_EQ(1, xfmScan(dir.c_str(), 32, NULL));
        ASSERT_EQ(2u, rec.messages.size()) << "start " << start;
        int seenBad = 0, seenNoQuery = 0;
        for (const zt::Message &m : rec.messages) {
            EXPECT_EQ("Error", m.caption);
            if (m.text == "Error 99 Loading XFM File noquery.xfm") {
                seenNoQuery = 1;
                EXPECT_EQ(OS_MB_ICONINFORMATION, m.style & 0xF0);
            } else {
                seenBad = 1;
                EXPECT_EQ(0u, m.text.find("Error ")) << m.text;
                EXPECT_NE(std::string::npos, m.text.find(" Loading XFM File bad.xfm")) << m.text;
                EXPECT_EQ(std::string::npos, m.text.find("Error 0 ")) << "the platform's error code";
                EXPECT_EQ(OS_MB_ICONEXCLAMATION, m.style & 0xF0);
            }
        }
        EXPECT_TRUE(seenBad && seenNoQuery);
    }
}

TEST_F(XfmTest, NamesDifferingOnlyInCaseAreBothRegisteredLaterAhead)
{
    std::string dir = moduleDir("case", {"echo_a", "echo_b"});
    ASSERT_EQ(2, xfmScan(dir.c_str(), 32, NULL));
    std::string a = XfmHost.rows[0].info.name, b = XfmHost.rows[1].info.name;
    EXPECT_TRUE((a == "Echo" && b == "ECHO") || (a == "ECHO" && b == "Echo"));

    FreeTransformRegistry();
    ASSERT_EQ(0, xfmGrow(3));
    XfmInfo info;
    memset(&info, 0, sizeof info);
    strcpy(info.name, "Echo");
    EXPECT_EQ(0, RegisterTransform("one.xfm", &info, NULL));
    strcpy(info.name, "ECHO");
    EXPECT_EQ(0, RegisterTransform("two.xfm", &info, NULL)) << "a new row goes ahead of an equal name";
    strcpy(info.name, "delay");
    EXPECT_EQ(0, RegisterTransform("three.xfm", &info, NULL));
    EXPECT_EQ(-1, RegisterTransform("four.xfm", &info, NULL)) << "full";
    EXPECT_EQ("two.xfm", std::string(XfmHost.rows[1].file));
    EXPECT_EQ(1, xfmFindRow("echo")) << "first match without regard to case";
}

TEST_F(XfmTest, MenuEntriesFollowTheFlagPrecedence)
{
    std::string dir = moduleDir("menus", {"probe", "noise", "picker", "hidden"});
    HMENU bar = CreateMenu();
    for (int i = 0; i < 6; i++)
        AppendMenuA(bar, MF_POPUP, (UINT_PTR)CreatePopupMenu(), "x");
    ASSERT_EQ(4, xfmScan(dir.c_str(), 32, bar));
    char text[64];
    int probe = row("Probe"), noise = row("Noise"), picker = row("Picker"), helper = row("Helper");
    ASSERT_EQ(1, GetMenuItemCount(GetSubMenu(bar, 2)));
    EXPECT_EQ(IDM_XFM_FIRST + probe, (int)GetMenuItemID(GetSubMenu(bar, 2), 0));
    GetMenuStringA(GetSubMenu(bar, 2), 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ("Probe...", text);
    ASSERT_EQ(1, GetMenuItemCount(GetSubMenu(bar, 3)));
    EXPECT_EQ(IDM_XFM_FIRST + noise, (int)GetMenuItemID(GetSubMenu(bar, 3), 0));
    ASSERT_EQ(1, GetMenuItemCount(GetSubMenu(bar, 4)));
    EXPECT_EQ(IDM_XFM_FIRST + picker, (int)GetMenuItemID(GetSubMenu(bar, 4), 0));
    EXPECT_GE(helper, 0) << "hidden modules are registered, only without a menu entry";
    EXPECT_EQ(-1, xfmMenuPosition(XFM_HIDDEN | XFM_TRANSFORM));
    EXPECT_EQ(2, xfmMenuPosition(XFM_TRANSFORM | XFM_GENERATE | XFM_TOOL));
    EXPECT_EQ(3, xfmMenuPosition(XFM_GENERATE | XFM_TOOL));
    DestroyMenu(bar);
}

TEST_F(XfmTest, CapabilitiesFollowTheWaveNowOpen)
{
    std::string dir = moduleDir("caps", {"probe", "noise"});
    ASSERT_EQ(2, xfmScan(dir.c_str(), 32, NULL));
    uint8_t caps[8];
    int probe = row("Probe"), noise = row("Noise");
    ASSERT_EQ(2, xfmEnableCaps(caps, 8));
    EXPECT_TRUE(caps[probe] & XFM_CAP_NEEDWAVE);
    EXPECT_FALSE(caps[noise] & XFM_CAP_NEEDWAVE) << "generators make their own wave";
    openWave(2, 16, {1, 2, 3, 4});
    xfmEnableCaps(caps, 8);
    EXPECT_EQ(XFM_CAP_MONO16 | XFM_CAP_STEREO16, caps[probe] & (XFM_CAP_MONO16 | XFM_CAP_STEREO16));
    XfmHost.rows[probe].info.formats = XFM_FMT_MONO16;
    xfmEnableCaps(caps, 8);
    EXPECT_FALSE(caps[probe] & XFM_CAP_STEREO16) << "stereo 16-bit needs bit 3";
    XfmHost.rows[probe].info.formats = XFM_FMT_MONO8;
    xfmEnableCaps(caps, 8);
    EXPECT_FALSE(caps[probe] & XFM_CAP_MONO16) << "mono 16-bit needs bit 2";
}

/* ---- 2. Exported calls ---- */

TEST_F(XfmTest, OpenXfmGivesFifteenSlotsThenZero)
{
    std::string dir = moduleDir("slots", {"probe"});
    ASSERT_EQ(1, xfmScan(dir.c_str(), 32, NULL));
    zt::MessageRecorder rec;
    EXPECT_EQ(0, OpenXfm("Nobody"));
    for (short i = 1; i <= 15; i++)
        ASSERT_EQ(i, OpenXfm("probe"));
    EXPECT_EQ(0, OpenXfm("Probe"));
    EXPECT_EQ(15, envLong("TXFM_INITS"));
    CloseXfm(7);
    CloseXfm(7);   /* an empty slot is ignored */
    EXPECT_EQ(1, envLong("TXFM_DESTROYS"));
    EXPECT_EQ(7, OpenXfm("Probe"));
    EXPECT_TRUE(rec.messages.empty());
}

TEST_F(XfmTest, InstanceSettingsAreReadAndWrittenOnlyThroughOccupiedSlots)
{
    std::string dir = moduleDir("data", {"probe"});
    ASSERT_EQ(1, xfmScan(dir.c_str(), 32, NULL));
    long v = 0x66666666;
    EXPECT_EQ(0, bGetXfmData(&v, 3, 0, 4));
    EXPECT_EQ(0x66666666, v);
    short h = OpenXfm("Probe");
    ASSERT_EQ(1, h);
    ASSERT_EQ(1, bGetXfmData(&v, h, 0, 4));
    EXPECT_EQ(50, v) << "XfmInit's default";
    long g = 75;
    ASSERT_EQ(1, bSetXfmData(h, &g, 0, 4));
    ASSERT_EQ(1, bGetXfmData(&v, h, 0, 4));
    EXPECT_EQ(75, v);
    char text[16] = {0};
    ASSERT_EQ(1, bGetXfmData(text, h, 4, 15));
    EXPECT_STREQ("one, two, three", text);
    EXPECT_EQ(0, bGetXfmData(text, h, 260, 16)) << "past the block";
    EXPECT_EQ(0, bSetXfmData(0, &g, 0, 4));
}

TEST_F(XfmTest, SilentDoXfmHidesTheModulesProgressDialog)
{
    std::string dir = moduleDir("silent", {"probe"});
    ASSERT_EQ(1, xfmScan(dir.c_str(), 32, NULL));
    openWave(1, 16, std::vector<int>(400, 1000));
    short h = OpenXfm("Probe");
    ASSERT_EQ(1, h);
    EXPECT_EQ(100, DoXfm(h, 0, 99, 1));
    EXPECT_EQ(1, envLong("TXFM_SAW_PROGRESS")) << "shown when asked for";
    EXPECT_EQ(100, DoXfm(h, 100, 199, 0));
    EXPECT_EQ(0, envLong("TXFM_SAW_PROGRESS")) << "hidden while silent";
    EXPECT_EQ(0u, Progress.silentOwner) << "given back";
    EXPECT_EQ(100u, Doc.selStart);
    EXPECT_EQ(199u, Doc.selEnd);
    /* An outer silent call keeps the token. */
    Progress.silentOwner = 4242;
    DoXfm(h, 0, 9, 0);
    EXPECT_EQ(4242u, Progress.silentOwner);
    Progress.silentOwner = 0;
    std::vector<int> s = samples16();
    EXPECT_EQ(250, s[0]);
    EXPECT_EQ(500, s[150]);
    EXPECT_EQ(1000, s[300]);
    EXPECT_EQ(0, DoXfm(9, 0, 9, 1)) << "empty slot";
}

TEST_F(XfmTest, VarsCallsRunAModuleWithoutKeepingItLoaded)
{
    std::string dir = moduleDir("vars", {"probe"});
    ASSERT_EQ(1, xfmScan(dir.c_str(), 32, NULL));
    openWave(1, 16, std::vector<int>(50, -800));
    EXPECT_EQ(1, CallXfm("Probe", 0, 0, 9, 1, NULL)) << "no settings: 1, module not run";
    EXPECT_EQ(0, envLong("TXFM_DOS"));
    HGLOBAL vars = CreateXfmVars("Probe");
    ASSERT_TRUE(vars != NULL);
    EXPECT_EQ(NULL, GetModuleHandleA("probe.xfm")) << "unloaded again";
    long g = 10;
    SetXfmVar(vars, 0, 4, &g);
    uint8_t result[XFM_RESULT_SIZE + 8];
    memset(result, 0x66, sizeof result);
    EXPECT_EQ(20, CallXfm("Probe", vars, 5, 24, 0, result));
    EXPECT_EQ(0x66, result[XFM_RESULT_SIZE]) << "292 bytes, no more";
    XfmContext *back = (XfmContext *)result;
    EXPECT_EQ(5u, back->start);
    EXPECT_EQ(24u, back->end);
    EXPECT_EQ(vars, back->data);
    EXPECT_EQ(0, envLong("TXFM_SAW_PROGRESS"));
    EXPECT_EQ(NULL, GetModuleHandleA("probe.xfm"));
    std::vector<int> s = samples16();
    EXPECT_EQ(-800, s[4]);
    EXPECT_EQ(-400, s[5]);
    EXPECT_EQ(-400, s[24]);
    EXPECT_EQ(-800, s[25]);
    EXPECT_EQ(1, CallXfm("Nobody", vars, 0, 1, 1, NULL));
    EXPECT_EQ(0, DeleteXfmVars("Probe", vars));
    EXPECT_EQ(1, envLong("TXFM_DESTROYS"));
}

/* ---- 3. Context, services and format adaptation ---- */

TEST_F(XfmTest, ServiceTableHoldsTheHostCallsInTheirNumbers)
{
    EXPECT_EQ((void *)vocRead, xfmService(0));
    EXPECT_EQ((void *)delayWrite, xfmService(6));
    EXPECT_EQ((void *)progressCreate, xfmService(8));
    EXPECT_EQ((void *)zwCenter, xfmService(10));
    EXPECT_EQ((void *)getTempName, xfmService(44));
    EXPECT_EQ((void *)CallXfm, xfmService(48));
    EXPECT_EQ((void *)vocWriteAt16to8, xfmService(56));
    EXPECT_EQ((void *)delayWrite16to8, xfmService(61));
    EXPECT_EQ((void *)FFT, xfmService(32));
    EXPECT_EQ((void *)SetWindowType, xfmService(35));
    EXPECT_EQ((void *)GetStereoFFT8bitInterleaved, xfmService(43));
    EXPECT_EQ((void *)LFFT, xfmService(52));
    EXPECT_EQ((void *)Convolute, xfmService(62));
    for (int n = 0; n < XFM_SERVICES; n++)
        EXPECT_NE(nullptr, xfmService(n)) << "service " << n;
    EXPECT_EQ(NULL, xfmService(63));
    EXPECT_EQ(NULL, xfmService(-1));
}

TEST_F(XfmTest, ContextSlotsFollowTheModulesFlags)
{
    TransformEntry e;
    memset(&e, 0, sizeof e);
    e.info.flags = XFM_TRANSFORM;
    openWave(2, 16, {1, 2, 3, 4});
    Doc.viewStart = 1;
    Doc.viewEnd = 1;
    XfmContext c;
    memset(&c, 0, sizeof c);
    FillXfmContext(&e, &c, 0);
    EXPECT_EQ(2, c.channels);
    EXPECT_EQ(4, c.blockAlign);
    EXPECT_EQ(8000u, c.sampleRate);
    EXPECT_EQ(1u, c.one);
    EXPECT_EQ(&e, c.entry);
    EXPECT_STREQ("zelo.ini", c.iniFile);
    EXPECT_EQ(&Progress.cancelled, c.cancelFlag);
    EXPECT_TRUE(c.vocRead && c.vocCut && c.getTempName && c.CallXfm && c.delayWrite);
    EXPECT_TRUE(c.graphapiCreate == NULL && c.presetsInitIni == NULL) << "only with their flags";
    EXPECT_TRUE(c.FFT == NULL && c.LFFT == NULL && c.Convolute == NULL) << "only with XFM_FFT";
    memset(&c, 0, sizeof c);
    FillXfmContext(&e, &c, 1);
    EXPECT_TRUE(c.graphapiCreate && c.graphapiSetPoint && c.graphapiCopyGraph && c.presetsInitIni);
    EXPECT_EQ((void *)Convolute, (void *)c.Convolute);
    memset(&c, 0, sizeof c);
    e.info.flags = XFM_TRANSFORM | XFM_FFT;
    FillXfmContext(&e, &c, 0);
    EXPECT_EQ((void *)FFT, (void *)c.FFT);
    EXPECT_EQ((void *)WindowFFT, (void *)c.WindowFFT);
    EXPECT_EQ((void *)IWindowFFT, (void *)c.IWindowFFT);
    EXPECT_EQ((void *)SetWindowType, (void *)c.SetWindowType);
    EXPECT_EQ((void *)SetFFT16bit, (void *)c.SetFFT16bit);
    EXPECT_EQ((void *)SetFFT8bit, (void *)c.SetFFT8bit);
    EXPECT_EQ((void *)SetStereoFFT16bit, (void *)c.SetStereoFFT16bit);
    EXPECT_EQ((void *)SetStereoFFT8bit, (void *)c.SetStereoFFT8bit);
    EXPECT_EQ((void *)SetStereoFFT16bitInterleaved, (void *)c.SetStereoFFT16bitInterleaved);
    EXPECT_EQ((void *)SetStereoFFT8bitInterleaved, (void *)c.SetStereoFFT8bitInterleaved);
    EXPECT_EQ((void *)GetStereoFFT16bitInterleaved, (void *)c.GetStereoFFT16bitInterleaved);
    EXPECT_EQ((void *)GetStereoFFT8bitInterleaved, (void *)c.GetStereoFFT8bitInterleaved);
    EXPECT_EQ((void *)LFFT, (void *)c.LFFT);
    EXPECT_EQ((void *)Convolute, (void *)c.Convolute);
    EXPECT_TRUE(c.graphapiCreate == NULL && c.presetsInitIni == NULL);
}

TEST_F(XfmTest, OneChannelAnd8BitMaterialAreAdaptedForTheModule)
{
    TransformEntry e;
    memset(&e, 0, sizeof e);
    e.info.formats = XFM_FMT_MONO16 | XFM_FMT_STEREO16;
    openWave(2, 8, {1, 2, 3, 4});
    Wave.editChannel = 2;
    XfmContext c;
    memset(&c, 0, sizeof c);
    FillXfmContext(&e, &c, 0);
    xfmAdaptFormat(&e, &c);
    EXPECT_EQ(1, c.channels);
    EXPECT_EQ(16, c.bitsPerSample);
    EXPECT_EQ(2, c.blockAlign);
    EXPECT_EQ((void *)vocReadSingle8to16, (void *)c.vocRead);
    EXPECT_EQ((void *)vocWriteAtSingle16to8, (void *)c.vocWriteAt);
    EXPECT_EQ((void *)delayWrite16to8, (void *)c.delayWrite);
    Wave.editChannel = 0;
    memset(&c, 0, sizeof c);
    FillXfmContext(&e, &c, 0);
    xfmAdaptFormat(&e, &c);
    EXPECT_EQ(2, c.channels);
    EXPECT_EQ(4, c.blockAlign);
    EXPECT_EQ((void *)vocRead8to16, (void *)c.vocRead);
    EXPECT_EQ((void *)vocCut16to8, (void *)c.vocCut);
    e.info.formats |= XFM_FMT_MONO8;
    memset(&c, 0, sizeof c);
    FillXfmContext(&e, &c, 0);
    xfmAdaptFormat(&e, &c);
    EXPECT_EQ(8, c.bitsPerSample) << "a module that takes 8-bit gets it as it is";
    EXPECT_EQ((void *)vocRead, (void *)c.vocRead);
}

}  // namespace
