/*
 * test_modules.cpp - the host with real filter modules under Win32: discovery and the
 * cache over DLL files, the load error messages, probing past a module without
 * FilterGetFileSize, a raw open, and saves that succeed, fail on a full disk, are
 * cancelled or meet a module that cannot write, each leaving the original file intact.
 */
#include "memprofile.h"

#include "formats/fio.h"
#include "formats/info.h"
#include "store/blockfile.h"
#include "store/voc.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string.h>

namespace {

const char *const modules[] = {"tfull.flt", "tnosize.flt", "trate0.flt", "tnowrite.flt", "tshort.flt",
                               "tnoquery.flt"};
int loadCount;
FltPlatform realOs;

int countingLoad(const char *path, FltModule *m, uint32_t *error)
{
    loadCount++;
    return realOs.load(path, m, error);
}

std::string buildDir()
{
    std::string d = TFLT_DIR;
    if (!d.empty() && d[0] == '/')
        d = "Z:" + d;
    for (auto &c : d)
        if (c == '/')
            c = '\\';
    return d;
}

std::vector<uint8_t> readAll(const std::string &p)
{
    std::vector<uint8_t> v;
    FILE *f = fopen(p.c_str(), "rb");
    if (!f)
        return v;
    int c;
    while ((c = fgetc(f)) != EOF)
        v.push_back((uint8_t)c);
    fclose(f);
    return v;
}

void writeAll(const std::string &p, const std::vector<uint8_t> &v)
{
    FILE *f = fopen(p.c_str(), "wb");
    fwrite(v.data(), 1, v.size(), f);
    fclose(f);
}

std::vector<uint8_t> tfltFile(const char *tag, uint32_t rate, uint16_t bits, uint16_t ch, const std::vector<uint8_t> &d)
{
    std::vector<uint8_t> v(12 + d.size());
    memcpy(v.data(), tag, 4);
    memcpy(&v[4], &rate, 4);
    memcpy(&v[8], &bits, 2);
    memcpy(&v[10], &ch, 2);
    if (!d.empty())
        memcpy(&v[12], d.data(), d.size());
    return v;
}

int newStore(const FioFormat *f)
{
    if (bopen(zt::tempPath("mstore.tmp").c_str()) != 0)
        return 1;
    vocSetFormat(f->channels, f->bits, 0);
    return 0;
}

int changes;
void countChange(void) { changes++; }

} // namespace

class ModuleTest : public ::testing::Test {
protected:
    std::string dir, logPath;
    void SetUp() override
    {
        static int n;
        dir = zt::tempPath("mods" + std::to_string(++n));
        CreateDirectoryA(dir.c_str(), NULL);
        /* Wine reuses process ids, and so this process's test folder: start empty. */
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((dir + "\\" + fd.cFileName).c_str());
            while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        for (const char *m : modules)
            ASSERT_TRUE(CopyFileA((buildDir() + "\\" + m).c_str(), (dir + "\\" + m).c_str(), FALSE)) << m;
        logPath = dir + "\\calls.log";
        SetEnvironmentVariableA("TFLT_LOG", logPath.c_str());
        memProfileReset();
        realOs = FltOs;
        FltOs.load = countingLoad;
        FltOs.extensionsChanged = countChange;
        loadCount = changes = 0;
        FilterHook = FilterHooks();
        FioHook = FioHooks();
        FioHook.newStore = newStore;
        Fio.saveType = -1;
        Fio.options = 1;
        memset(&FilterOpts, 0, sizeof FilterOpts);
        infoClear();
        osFaultReset();
        osSetMessageHook(unexpected);   /* never a real box that nobody closes */
    }
    static int unexpected(const char *text, const char *caption, unsigned)
    {
        ADD_FAILURE() << "unexpected message \"" << text << "\" (" << caption << ")";
        return OS_IDNO;
    }
    void TearDown() override
    {
        filterCloseInput();
        filterCloseOutput();
        bclose();
        infoClear();
        fltTableRelease();
        FltOs = realOs;
        osSetMessageHook(nullptr);
    }
    void build()
    {
        zt::MessageRecorder quiet;
        fltTableBuild(dir.c_str(), "zelo.exe");
    }
    int indexOf(const char *module)
    {
        for (int i = 0; i < FltTable.count; i++)
            if (strcmp(FltTable.rec[i].moduleName, module) == 0)
                return i;
        return -1;
    }
    std::vector<std::string> calls(const std::string &part = "")
    {
        std::vector<std::string> v;
        std::ifstream f(logPath);
        std::string line;
        while (std::getline(f, line))
            if (part.empty() || line.find(part) != std::string::npos)
                v.push_back(line);
        return v;
    }
    void clearCalls() { DeleteFileA(logPath.c_str()); }
    int leftovers()
    {
        int n = 0;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir + "\\~zs*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do
                n++;
            while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        return n;
    }
    void makeWave(const std::vector<uint8_t> &d)
    {
        FioFormat f = {22050, 16, 2};
        ASSERT_EQ(0, newStore(&f));
        Fio.rate = 22050;
        ASSERT_EQ(0, vocAppend(d.data(), (uint32_t)d.size()));
    }
    static std::vector<uint8_t> ramp(size_t n)
    {
        std::vector<uint8_t> v(n);
        for (size_t i = 0; i < n; i++)
            v[i] = (uint8_t)(i * 13 + i / 256);
        return v;
    }
};

/* 1. Discovery over module files */
TEST_F(ModuleTest, ScanReportsBadModulesAndTheCacheServesTheNextStart)
{
    writeAll(dir + "\\junk.flt", std::vector<uint8_t>(300, 'j'));
    zt::MessageRecorder rec;
    fltTableBuild(dir.c_str(), "zelo.exe");
    EXPECT_EQ(5, FltTable.count);
    EXPECT_EQ(7, loadCount);
    ASSERT_EQ(2u, rec.messages.size());
    bool junk = false, noquery = false;
    for (auto &m : rec.messages) {
        EXPECT_EQ("Error", m.caption);
        if (m.text.find("junk.flt") != std::string::npos) {
            junk = true;
            EXPECT_EQ(OS_MB_ICONEXCLAMATION, m.style & 0xF0) << m.text;
        }
        if (m.text.find("Loading FLT File tnoquery.flt") != std::string::npos) {
            noquery = true;
            EXPECT_EQ(OS_MB_ICONINFORMATION, m.style & 0xF0);
        }
    }
    EXPECT_TRUE(junk);
    EXPECT_TRUE(noquery);
    EXPECT_EQ("RAW", std::string(FltTable.rec[0].ext));
    EXPECT_EQ("TFL", std::string(FltTable.rec[1].ext));
    EXPECT_EQ(dir + "\\zelo.exe ^.TFL", memProfileGet(true, "Extensions", "TFL"));
    EXPECT_EQ(1, changes);

    rec.messages.clear();
    loadCount = 0;
    fltTableBuild(dir.c_str(), "zelo.exe");
    EXPECT_EQ(0, FltTable.scanned);
    EXPECT_EQ(0, loadCount);
    EXPECT_EQ(5, FltTable.count);
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_STREQ("tfull.flt", FltTable.rec[indexOf("tfull.flt")].moduleName);

    /* A module that grows forces a rescan. */
    std::vector<uint8_t> m = readAll(dir + "\\tshort.flt");
    m.push_back(0);
    writeAll(dir + "\\tshort.flt", m);
    fltTableBuild(dir.c_str(), "zelo.exe");
    EXPECT_EQ(1, FltTable.scanned);
    EXPECT_GT(loadCount, 0);
}

TEST_F(ModuleTest, ADamagedCacheIsRebuiltSilently)
{
    build();
    std::vector<uint8_t> good = readAll(dir + "\\flt.dat");
    ASSERT_EQ(8u + 5 * 180 + 4, good.size());
    std::vector<uint8_t> bad = good;
    bad[bad.size() - 2] = 'x';
    writeAll(dir + "\\flt.dat", bad);
    zt::MessageRecorder rec;
    loadCount = 0;
    fltTableBuild(dir.c_str(), "zelo.exe");
    EXPECT_EQ(1, FltTable.scanned);
    EXPECT_EQ(5, FltTable.count);
    /* Only the module without QueryZeloFilter speaks up again, as on every scan. */
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_NE(std::string::npos, rec.messages[0].text.find("tnoquery.flt"));
    EXPECT_EQ(good, readAll(dir + "\\flt.dat"));
}

/* 2. Reading */
TEST_F(ModuleTest, AModuleWithoutFileSizeIsNeverChosen)
{
    build();
    std::string f = dir + "\\a.tfl";
    writeAll(f, tfltFile("TFLT", 8000, 8, 1, ramp(500)));
    clearCalls();
    FltProbe p;
    EXPECT_EQ(indexOf("tfull.flt"), filterProbe(f.c_str(), indexOf("tnosize.flt"), &p));
    EXPECT_EQ(500u, p.bytes);
    EXPECT_EQ(8000u, p.rate);
    EXPECT_TRUE(calls("tnosize").empty());
    clearCalls();
    zt::MessageRecorder rec;
    ASSERT_EQ(0, fioOpen(f.c_str(), indexOf("tnosize.flt"), NULL));
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("tnosize.flt", rec.messages[0].text);
    EXPECT_EQ("File Filter Doesn't Support Reading", rec.messages[0].caption);
    EXPECT_TRUE(calls("tnosize Open").empty());
    EXPECT_EQ(500u, Wave.dataLength);
    /* The module's items came after the data, as its flags ask. */
    EXPECT_EQ(0, infoFind("ICMT"));
    EXPECT_EQ(1, infoFind("INAM"));
    EXPECT_EQ(1u, calls("tfull Open2+instance").size());
}

static std::vector<std::string> *order;
static int askRaw(FltRaw *r, void *)
{
    order->push_back("asked");
    r->rate = 16000;
    r->bits = 8;
    r->channels = 1;
    return 0;
}
static void progressOpen(const char *title, const char *) { order->push_back(title); }

TEST_F(ModuleTest, RateZeroAsksForRawParametersBeforeReading)
{
    build();
    std::string f = dir + "\\a.raw";
    writeAll(f, tfltFile("RAWD", 44100, 16, 2, ramp(800)));
    std::vector<std::string> seen;
    order = &seen;
    FilterHook.askRaw = askRaw;
    FioHook.progressOpen = progressOpen;
    ASSERT_EQ(0, fioOpen(f.c_str(), -1, NULL));
    EXPECT_EQ((std::vector<std::string>{"asked", "Reading RAW data"}), seen);
    EXPECT_EQ(16000u, Fio.rate);
    EXPECT_EQ(1, Wave.channels);
    EXPECT_EQ(8, Wave.bitsPerSample);
    EXPECT_EQ(800u, Wave.dataLength);
}

/* 3. Saving */
TEST_F(ModuleTest, SavingWritesCommentsBeforeTheNameAndEveryByte)
{
    build();
    std::vector<uint8_t> d = ramp(20000);
    makeWave(d);
    infoAddText("ICMT", "one");
    infoAddText("INAM", "title");
    infoAddText("ICMT", "two");
    infoAddText("ICMT", "three");
    Fio.saveType = indexOf("tfull.flt");
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s\\out.tfl", dir.c_str());
    clearCalls();
    ASSERT_EQ(0, fioSave(name, 0, 0, NULL));
    EXPECT_EQ((std::vector<std::string>{"tfull WriteSpecial 21 one", "tfull WriteSpecial 21 two",
                                        "tfull WriteSpecial 21 three", "tfull WriteSpecial 28 title"}),
              calls("WriteSpecial"));
    EXPECT_EQ(tfltFile("TFLT", 22050, 16, 2, d), readAll(name));
    EXPECT_EQ(0, leftovers());
}

TEST_F(ModuleTest, AFullDiskLeavesTheOriginalFileIntact)
{
    build();
    makeWave(ramp(20000));
    std::string target = dir + "\\keep.tsh";
    std::vector<uint8_t> original = tfltFile("TFLT", 8000, 8, 1, ramp(99));
    writeAll(target, original);
    Fio.saveType = indexOf("tshort.flt");
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", target.c_str());
    zt::MessageRecorder rec;
    EXPECT_EQ(1, fioSave(name, 0, 0, NULL));
    EXPECT_EQ(original, readAll(target));
    EXPECT_EQ(0, leftovers());
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Out of Space", rec.messages[0].caption);
    EXPECT_EQ(1u, calls("tshort CloseOut").size());
}

static int cancelLater(uint32_t done, uint32_t) { return done > 6000; }

TEST_F(ModuleTest, ACancelledSaveLeavesTheOriginalFileIntact)
{
    build();
    makeWave(ramp(20000));
    std::string target = dir + "\\keep.tfl";
    std::vector<uint8_t> original = tfltFile("TFLT", 8000, 8, 1, ramp(99));
    writeAll(target, original);
    Fio.saveType = indexOf("tfull.flt");
    FioHook.progressStep = cancelLater;
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", target.c_str());
    zt::MessageRecorder rec;
    EXPECT_EQ(1, fioSave(name, 0, 0, NULL));
    EXPECT_EQ(original, readAll(target));
    EXPECT_EQ(0, leftovers());
    EXPECT_TRUE(rec.messages.empty());
}

TEST_F(ModuleTest, ModulesThatCannotWriteOrCannotLoadAreReported)
{
    build();
    makeWave(ramp(100));
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s\\x.tnw", dir.c_str());
    zt::MessageRecorder rec;
    Fio.saveType = indexOf("tnowrite.flt");
    EXPECT_EQ(1, fioSave(name, 0, 0, NULL));
    ASSERT_TRUE(DeleteFileA((dir + "\\tfull.flt").c_str()));
    Fio.saveType = indexOf("tfull.flt");
    EXPECT_EQ(1, fioSave(name, 0, 0, NULL));
    ASSERT_EQ(2u, rec.messages.size());
    EXPECT_EQ("tnowrite.flt", rec.messages[0].text);
    EXPECT_EQ("File Filter Doesn't Support Saving", rec.messages[0].caption);
    EXPECT_EQ("tfull.flt", rec.messages[1].text);
    EXPECT_EQ("Cannot Load File Filter", rec.messages[1].caption);
    EXPECT_FALSE(osFileExists(name));
    EXPECT_EQ(0, leftovers());
}
