/*
 * test_flttable.cpp - filter discovery: table order, the flt.dat cache (reuse, rescan,
 * silent rebuild of a damaged file), the load error messages and the file associations.
 */
#include "fixture.h"

#include <string.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

std::string freshDir(const char *name)
{
    std::string d = zt::tempPath(name);
#if defined(_WIN32)
    CreateDirectoryA(d.c_str(), NULL);
#else
    mkdir(d.c_str(), 0755);
#endif
    /* Test folders are named after the process id, which Wine hands out again: start empty. */
    std::vector<std::string> old;
    osListDir(d.c_str(), "*", [](const char *name, uint32_t, void *c) {
        ((std::vector<std::string> *)c)->push_back(name);
        return 1;
    }, &old);
    for (auto &n : old)
        osDelete((d + (d.find('\\') != std::string::npos ? "\\" : "/") + n).c_str());
    return d;
}

std::string join(const std::string &d, const char *n)
{
#if defined(_WIN32)
    return d + "\\" + n;
#else
    return d + "/" + n;
#endif
}

void touch(const std::string &path, size_t bytes)
{
    OsFile f = osCreate(path.c_str());
    std::vector<char> b(bytes, 'x');
    if (bytes)
        osWrite(f, b.data(), (unsigned long)bytes);
    osClose(f);
}

int changes;
void countChange(void) { changes++; }

std::vector<std::string> tableExts()
{
    std::vector<std::string> v;
    for (int i = 0; i < FltTable.count; i++)
        v.push_back(FltTable.rec[i].ext);
    return v;
}

} // namespace

class DiscoveryTest : public FormatsTest {
protected:
    std::string dir;
    void SetUp() override
    {
        FormatsTest::SetUp();
        static int n;
        dir = freshDir(("disc" + std::to_string(++n)).c_str());
        changes = 0;
        FltOs.extensionsChanged = countChange;
        addFake("wave.flt", "Windows PCM", "WAV", FLT_CANREAD | FLT_CANWRITE, "WAVE");
        addFake("last.flt", "Last Resort", "AAA", FLT_CANREAD | FLT_SORTLAST, "LAST");
        addFake("aiff.flt", "AIFF", "aif", FLT_CANREAD | FLT_CANWRITE, "AIFF");
        for (auto &s : fake::specs())
            touch(join(dir, s.module.c_str()), 100);
    }
};

/* 1. Table order */
TEST_F(DiscoveryTest, SortLastRecordsStayAtTheEndWhateverTheirExtension)
{
    fltTableBuild(dir.c_str(), "zelo.exe");
    ASSERT_EQ(3, FltTable.count);
    EXPECT_EQ((std::vector<std::string>{"aif", "WAV", "AAA"}), tableExts());
    EXPECT_STREQ("last.flt", FltTable.rec[2].moduleName);
}

TEST_F(DiscoveryTest, AddingKeepsOrderWithoutRegardToCase)
{
    FltRecord a = fake::makeRecord("a", "snd", 0), b = fake::makeRecord("b", "AU", 0),
              c = fake::makeRecord("c", "Zz", FLT_SORTLAST), d = fake::makeRecord("d", "raw", 0);
    fltTableAdd(&c);
    fltTableAdd(&a);
    fltTableAdd(&b);
    fltTableAdd(&d);
    EXPECT_EQ((std::vector<std::string>{"AU", "raw", "snd", "Zz"}), tableExts());
}

TEST_F(DiscoveryTest, AFortyNinthFilterIsIgnored)
{
    for (int i = 0; i < FLT_MAXFILTERS; i++) {
        FltRecord r = fake::makeRecord("f", "x", 0);
        ASSERT_EQ(0, fltTableAdd(&r));
    }
    FltRecord r = fake::makeRecord("g", "a", 0);
    EXPECT_EQ(1, fltTableAdd(&r));
    EXPECT_EQ(FLT_MAXFILTERS, FltTable.count);
    EXPECT_STREQ("x", FltTable.rec[0].ext);
}

/* 2. The cache */
TEST_F(DiscoveryTest, SecondStartReadsTheCacheAndLoadsNoModule)
{
    fltTableBuild(dir.c_str(), "zelo.exe");
    EXPECT_EQ(1, FltTable.scanned);
    EXPECT_EQ(3, fake::loads());
    std::vector<uint8_t> cache = fake::readFile(join(dir, "flt.dat"));
    ASSERT_EQ(8u + 3 * 180 + 4, cache.size());
    EXPECT_EQ(3, cache[0]);
    EXPECT_EQ(2, cache[6]);
    EXPECT_EQ(0, memcmp(&cache[cache.size() - 4], "WEXO", 4));
    std::vector<std::string> first = tableExts();

    fake::loads() = 0;
    fltTableBuild(dir.c_str(), "zelo.exe");
    EXPECT_EQ(0, FltTable.scanned);
    EXPECT_EQ(0, fake::loads());
    EXPECT_EQ(first, tableExts());
    EXPECT_STREQ("Windows PCM", FltTable.rec[1].formatName);
}

TEST_F(DiscoveryTest, AModuleWhoseSizeChangedForcesARescan)
{
    fltTableBuild(dir.c_str(), "zelo.exe");
    touch(join(dir, "aiff.flt"), 101);
    fake::loads() = 0;
    fltTableBuild(dir.c_str(), "zelo.exe");
    EXPECT_EQ(1, FltTable.scanned);
    EXPECT_EQ(3, fake::loads());
}

TEST_F(DiscoveryTest, ADamagedCacheIsRebuiltWithoutAMessage)
{
    fltTableBuild(dir.c_str(), "zelo.exe");
    std::vector<uint8_t> good = fake::readFile(join(dir, "flt.dat"));
    std::vector<std::vector<uint8_t>> damaged;
    damaged.push_back(std::vector<uint8_t>(good.begin(), good.end() - 1));          /* short */
    damaged.push_back(good), damaged.back()[good.size() - 1] = 'P';                 /* end mark */
    damaged.push_back(good), damaged.back()[6] = 3;                                 /* version */
    damaged.push_back(good), damaged.back()[2] ^= 1;                                /* signature */
    damaged.push_back(good), damaged.back()[0] = 200;                               /* count */
    damaged.push_back(std::vector<uint8_t>());                                      /* empty */
    for (size_t k = 0; k < damaged.size(); k++) {
        OsFile f = osCreate(join(dir, "flt.dat").c_str());
        if (!damaged[k].empty())
            osWrite(f, damaged[k].data(), (unsigned long)damaged[k].size());
        osClose(f);
        zt::MessageRecorder rec;
        fake::loads() = 0;
        fltTableBuild(dir.c_str(), "zelo.exe");
        EXPECT_EQ(1, FltTable.scanned) << "damage " << k;
        EXPECT_EQ(3, FltTable.count) << "damage " << k;
        EXPECT_TRUE(rec.messages.empty()) << "damage " << k;
        EXPECT_EQ(good, fake::readFile(join(dir, "flt.dat"))) << "damage " << k;
    }
}

TEST_F(DiscoveryTest, ParseRejectsAnImageThatDisagreesWithItsCount)
{
    FltRecord r[2] = {fake::makeRecord("a", "a", 0), fake::makeRecord("b", "b", 0)};
    std::string p = join(dir, "img.dat");
    ASSERT_EQ(0, fltCacheWrite(p.c_str(), 77, r, 2));
    std::vector<uint8_t> img = fake::readFile(p);
    FltRecord out[FLT_MAXFILTERS];
    int n = -1;
    EXPECT_EQ(0, fltCacheParse(img.data(), img.size(), 77, out, FLT_MAXFILTERS, &n));
    EXPECT_EQ(2, n);
    img[0] = 3;
    EXPECT_EQ(1, fltCacheParse(img.data(), img.size(), 77, out, FLT_MAXFILTERS, &n));
    EXPECT_EQ(0, n);
}

TEST_F(DiscoveryTest, AnUnwritableCacheStillServesThisRun)
{
    OsFault.failCreate = 1;
    fltTableBuild(dir.c_str(), "zelo.exe");
    osFaultReset();
    EXPECT_EQ(3, FltTable.count);
    EXPECT_EQ(0, FltTable.cacheWritten);
}

/* 3. Modules that cannot serve */
TEST_F(DiscoveryTest, LoadFailuresAreReportedOnlyWhileScanning)
{
    touch(join(dir, "ghost.flt"), 10);   /* no fake answers: the loader says error 2 */
    zt::MessageRecorder rec;
    fltTableBuild(dir.c_str(), "zelo.exe");
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Your system configuration does not support the Zelo Edit file format in ghost.flt.  This is the "
              "only time you will get this message.  If new multimedia drivers are installed, you may delete "
              "FLT.DAT and re-start Zelo Edit.",
              rec.messages[0].text);
    EXPECT_EQ("Error", rec.messages[0].caption);
    EXPECT_EQ(OS_MB_ICONEXCLAMATION, rec.messages[0].style & 0xF0);
    EXPECT_EQ(3, FltTable.count);
    rec.messages.clear();
    fltTableBuild(dir.c_str(), "zelo.exe");
    EXPECT_TRUE(rec.messages.empty());
}

static uint32_t forcedError;
static int failingLoad(const char *path, FltModule *m, uint32_t *error)
{
    if (strstr(path, "busy.flt")) {
        *error = forcedError;
        return 1;
    }
    return fake::load(path, m, error);
}

TEST_F(DiscoveryTest, AccessDeniedAndOtherErrorsHaveTheirOwnTexts)
{
    touch(join(dir, "busy.flt"), 10);
    FltOs.load = failingLoad;
    zt::MessageRecorder rec;
    forcedError = 5;
    fltTableBuild(dir.c_str(), "zelo.exe");
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("A task with the name \"busy\" is clashing with \"busy.flt\".  Please close this other task, or "
              "rename \"busy.flt\" and run Zelo Edit again.",
              rec.messages[0].text);
    touch(join(dir, "busy.flt"), 11);
    forcedError = 193;
    fltTableBuild(dir.c_str(), "zelo.exe");
    ASSERT_EQ(2u, rec.messages.size());
    EXPECT_EQ("Error 193 Loading FLT File busy.flt", rec.messages[1].text);
    EXPECT_EQ("Error", rec.messages[1].caption);
}

TEST_F(DiscoveryTest, NoQueryEntryIsReportedAndAWrongCodeIsSilent)
{
    fake::FakeDef &nq = addFake("noquery.flt", "NQ", "nq", FLT_CANREAD, "NQNQ");
    nq.missing.insert("QueryZeloFilter");
    fake::FakeDef &wrong = addFake("wrong.flt", "Wrong", "wr", FLT_CANREAD, "WRWR");
    wrong.queryCode = 0x0400;
    touch(join(dir, "noquery.flt"), 10);
    touch(join(dir, "wrong.flt"), 10);
    zt::MessageRecorder rec;
    fltTableBuild(dir.c_str(), "zelo.exe");
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_NE(std::string::npos, rec.messages[0].text.find("Loading FLT File noquery.flt"));
    EXPECT_EQ(OS_MB_ICONINFORMATION, rec.messages[0].style & 0xF0);
    EXPECT_EQ(3, FltTable.count);
}

/* 4. File associations */
TEST_F(DiscoveryTest, FreeAndSoundRecorderAssociationsAreTakenOthersKept)
{
    memProfileSet(true, "Extensions", "WAV", "C:\\WINDOWS\\SOUNDREC.EXE ^.WAV");
    memProfileSet(true, "Extensions", "aif", "C:\\Other\\player.exe ^.aif");
    fltTableBuild(dir.c_str(), "zelo.exe");
    EXPECT_EQ(join(dir, "zelo.exe") + " ^.WAV", memProfileGet(true, "Extensions", "WAV"));
    EXPECT_EQ("C:\\Other\\player.exe ^.aif", memProfileGet(true, "Extensions", "aif"));
    EXPECT_EQ(join(dir, "zelo.exe") + " ^.AAA", memProfileGet(true, "Extensions", "AAA"));
    EXPECT_EQ(1, changes);

    /* A rescan that changes nothing tells no window. */
    touch(join(dir, "aiff.flt"), 150);
    fltTableBuild(dir.c_str(), "zelo.exe");
    EXPECT_EQ(1, FltTable.scanned);
    EXPECT_EQ(1, changes);
}
