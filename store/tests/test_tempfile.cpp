/*
 * test_tempfile.cpp - temporary names, directory choice, store set-up, undo copies and the
 * exit clean-up, in both builds.
 */
#include "store/tempfile.h"
#include "store/blockfile.h"
#include "store/voc.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

std::string sub(const char *name)
{
    std::string d = zt::tempPath(name);
#if defined(_WIN32)
    CreateDirectoryA(d.c_str(), NULL);
#else
    mkdir(d.c_str(), 0755);
#endif
    return d;
}

void touch(const std::string &path)
{
    OsFile f = osCreate(path.c_str());
    ASSERT_NE(f, OS_NOFILE);
    osClose(f);
}

void makeReadOnly(const std::string &path)
{
#if defined(_WIN32)
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
#else
    chmod(path.c_str(), 0444);
#endif
}

void makeWritable(const std::string &path)
{
#if defined(_WIN32)
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
#else
    chmod(path.c_str(), 0644);
#endif
}

uint64_t fakeFree;
int fakeDiskFree(const char *, uint64_t *bytes) { *bytes = fakeFree; return 0; }
int failingDiskFree(const char *, uint64_t *) { return 1; }

std::vector<std::pair<uint32_t, uint32_t>> selections;
void recordSelect(uint32_t a, uint32_t b) { selections.push_back({a, b}); }

struct TempTest : ::testing::Test {
    void SetUp() override
    {
        osFaultReset();
        TempHook = TempHooks{NULL, NULL, recordSelect, NULL, fakeDiskFree};
        fakeFree = 1u << 30;
        selections.clear();
        dir = sub(::testing::UnitTest::GetInstance()->current_test_info()->name());
        tempChooseDirs(dir.c_str(), dir.c_str(), NULL, NULL);
        tempSeed(777);
    }
    void TearDown() override
    {
        tempStoreTeardown(1);
        tempTransferRelease();
        osFaultReset();
    }
    std::string dir;
};

std::vector<uint8_t> pattern(size_t n, unsigned seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; i++) {
        seed = seed * 1103515245u + 12345u;
        v[i] = (uint8_t)(seed >> 16);
    }
    return v;
}

// 1. Names
TEST_F(TempTest, NameHasDirectoryPrefixDigitsAndExtension)
{
    char buf[TEMP_NAMEMAX];
    snprintf(buf, sizeof buf, "!%s", dir.c_str());
    getTempName("NDO", buf);
    std::string s = buf, head = dir + OS_PATHSEP + "~NDO";
    ASSERT_EQ(s.size(), head.size() + 8);
    EXPECT_EQ(s.substr(0, head.size()), head);
    for (size_t i = head.size(); i < head.size() + 4; i++)
        EXPECT_TRUE(isdigit((unsigned char)s[i])) << s;
    EXPECT_EQ(s.substr(head.size() + 4), ".TMP");

    buf[0] = 0;
    getTempName("ZEL", buf);   /* empty buffer: the temporary directory */
    EXPECT_EQ(std::string(buf).substr(0, dir.size() + 5), std::string(TF.tempDir) + OS_PATHSEP + "~ZEL");
#if defined(_WIN32)
    EXPECT_EQ(lstrcmpiA(TF.tempDir, dir.c_str()), 0);   /* the same folder, upper case */
#endif
}

TEST_F(TempTest, NameSkipsTakenNamesAndEndsWhenAllAreTaken)
{
    char name[TEMP_NAMEMAX];
    for (unsigned n = 0; n < 10000; n++) {
        snprintf(name, sizeof name, "%s%c~Q%04u.TMP", dir.c_str(), OS_PATHSEP, n);
        if (n != 4321)
            touch(name);
    }
    ASSERT_EQ(tempMakeName("Q", dir.c_str(), name, sizeof name), 0);
    EXPECT_EQ(std::string(name), dir + OS_PATHSEP + "~Q4321.TMP");
    touch(name);

    zt::MessageRecorder rec;
    char buf[TEMP_NAMEMAX];
    snprintf(buf, sizeof buf, "!%s", dir.c_str());
    getTempName("Q", buf);
    EXPECT_STREQ(buf, "");
    ASSERT_EQ(rec.messages.size(), 1u);
    EXPECT_NE(rec.messages[0].text.find("No temporary file name is free"), std::string::npos);
    EXPECT_EQ(rec.messages[0].caption, "Error");
}

// 2. Directories
TEST_F(TempTest, DirectoriesFallBackAndAreWrittenBack)
{
    tempChooseDirs("", "", dir.c_str(), "/nowhere");
    std::string want = dir;
#if defined(_WIN32)
    for (char &c : want) c = (char)toupper((unsigned char)c);
#endif
    EXPECT_EQ(std::string(TF.tempDir), want);
    EXPECT_EQ(std::string(TF.tempWriteBack), want);
    EXPECT_EQ(std::string(TF.undoDir), want);
    EXPECT_EQ(std::string(TF.undoWriteBack), want);

    tempChooseDirs(dir.c_str(), dir.c_str(), NULL, NULL);
    EXPECT_STREQ(TF.tempWriteBack, "");   /* nothing to repair, nothing written */
    EXPECT_STREQ(TF.undoWriteBack, "");

    std::string missing = dir + OS_PATHSEP + "gone";
    tempChooseDirs(missing.c_str(), "", NULL, NULL);
#if defined(_WIN32)
    EXPECT_EQ(std::string(TF.tempDir), want.substr(0, 2));   /* "Z:" */
    EXPECT_EQ(std::string(TF.tempWriteBack), want.substr(0, 3));
#else
    EXPECT_STREQ(TF.tempWriteBack, "/");
#endif
}

// 3. Store set-up
TEST_F(TempTest, SetupFailureSaysBopenFailedAndLeavesNoStore)
{
    zt::MessageRecorder rec;
    OsFault.failCreate = 1;
    EXPECT_EQ(tempStoreSetup(2, 44100, 16), 1);
    ASSERT_EQ(rec.messages.size(), 1u);
    EXPECT_EQ(rec.messages[0].text, "Bopen Failed.");
    EXPECT_EQ(rec.messages[0].caption, "Hey!");
    EXPECT_EQ(rec.messages[0].style, OS_MB_OK | OS_MB_ICONINFORMATION);
    uint8_t b[4] = {1, 2, 3, 4};
    EXPECT_EQ(vocWriteAt(b, 0, 4), 1);

    EXPECT_EQ(tempStoreSetup(1, 8000, 8), 0);
    EXPECT_EQ(Wave.blockAlign, 1);
    EXPECT_EQ(vocWriteAt(b, 0, 4), 0);
    EXPECT_EQ(Wave.dataLength, 4u);
    tempStoreTeardown(0);
    EXPECT_EQ(Wave.dataLength, 0u);
    EXPECT_STREQ(TF.storeName, "");
}

TEST_F(TempTest, DriveFreeFallsBackWhenUnknown)
{
    fakeFree = 123456789;
    EXPECT_EQ(tempDriveFree(), 123456789u);
    TempHook.diskFree = failingDiskFree;
    EXPECT_EQ(tempDriveFree(), 100000u);
}

// 4. Undo copies
TEST_F(TempTest, UndoRoundTripIsByteIdenticalForEveryFormat)
{
    const uint16_t formats[4][2] = {{1, 8}, {2, 8}, {1, 16}, {2, 16}};
    for (auto &fm : formats) {
        ASSERT_EQ(tempStoreSetup(fm[0], 22050, fm[1]), 0);
        uint32_t ba = Wave.blockAlign, frames = 30000;
        std::vector<uint8_t> orig = pattern(frames * ba, fm[0] * 31 + fm[1]);
        ASSERT_EQ(vocWriteAt(orig.data(), 0, (uint32_t)orig.size()), 0);

        UndoCopy copy;
        memset(&copy, 0x66, sizeof copy);
        ASSERT_EQ(tempUndoSave(1000, 25999, 1, &copy), 1);
        EXPECT_EQ(copy.savedLength, 25000u * ba);
        EXPECT_EQ(std::string(copy.fileName).substr(0, 4), "~NDO");

        std::vector<uint8_t> junk(25000u * ba, 0x5A);
        ASSERT_EQ(vocWriteAt(junk.data(), 1000 * ba, (uint32_t)junk.size()), 0);
        selections.clear();
        ASSERT_EQ(tempUndoRestore(1000, &copy), 0);
        std::vector<uint8_t> back(orig.size(), 0x66);
        ASSERT_EQ(vocRead(back.data(), 0, (uint32_t)back.size()), 0);
        EXPECT_TRUE(back == orig) << "channels " << fm[0] << " bits " << fm[1];
        ASSERT_EQ(selections.size(), 1u);
        EXPECT_EQ(selections[0], std::make_pair(1000u, 25999u));

        tempUndoDelete(&copy);
        EXPECT_EQ(tempUndoRestore(1000, &copy), 1);   /* file gone: reported, nothing changed */
    }
}

TEST_F(TempTest, UndoSaveEdgeCases)
{
    ASSERT_EQ(tempStoreSetup(1, 8000, 16), 0);
    std::vector<uint8_t> data = pattern(2000, 5);
    ASSERT_EQ(vocWriteAt(data.data(), 0, 2000), 0);   /* 1000 frames */
    UndoCopy c;
    EXPECT_EQ(tempUndoSave(10, 9, 1, &c), 1);
    EXPECT_EQ(c.savedLength, 0u);
    EXPECT_STREQ(c.fileName, "");
    EXPECT_EQ(tempUndoSave(10, 0xFFFFFFFFu, 1, &c), 1);
    EXPECT_EQ(c.savedLength, 0u);
    EXPECT_EQ(tempUndoSave(0, 10, 0, &c), -1);

    /* A range reaching past the end saves only frames that exist, and the store keeps its length. */
    ASSERT_EQ(tempUndoSave(900, 5000, 1, &c), 1);
    EXPECT_EQ(c.savedLength, 200u);
    EXPECT_EQ(Wave.dataLength, 2000u);
    tempUndoDelete(&c);

    TempHook.diskFree = failingDiskFree;
    EXPECT_EQ(tempUndoSave(0, 10, 1, &c), 0);
}

TEST_F(TempTest, UndoNeedsRoomInSeventyPercentOfFreeSpace)
{
    ASSERT_EQ(tempStoreSetup(1, 8000, 8), 0);
    std::vector<uint8_t> data(800000, 0x80);
    ASSERT_EQ(vocWriteAt(data.data(), 0, (uint32_t)data.size()), 0);
    UndoCopy c;
    fakeFree = 1000000;
    EXPECT_EQ(tempUndoSave(0, 799999, 1, &c), 0);    /* 800,000 bytes > 700,000 */
    EXPECT_EQ(tempUndoSave(0, 699999, 1, &c), 1);    /* exactly the limit */
    tempUndoDelete(&c);
    EXPECT_EQ(tempUndoSave(0, 700000, 1, &c), 0);
}

TEST_F(TempTest, UndoSaveFailuresLeaveNoFile)
{
    ASSERT_EQ(tempStoreSetup(2, 8000, 16), 0);
    std::vector<uint8_t> data = pattern(400000, 9);
    ASSERT_EQ(vocWriteAt(data.data(), 0, (uint32_t)data.size()), 0);
    UndoCopy c;
    OsFault.writeBudget = 20000;   /* a full disk part-way through the copy */
    EXPECT_EQ(tempUndoSave(0, 99999, 1, &c), 0);
    osFaultReset();
    OsFault.failCreate = 1;
    EXPECT_EQ(tempUndoSave(0, 99999, 1, &c), 0);
    osFaultReset();
    int count = osListDir(dir.c_str(), "~NDO*", [](const char *, uint32_t, void *) { return 1; }, NULL);
    EXPECT_EQ(count, 0);
}

// 5. Exit clean-up
TEST_F(TempTest, CleanupKeepsReadOnlyAndOpenFiles)
{
    std::string plain = dir + OS_PATHSEP + "~ZEL1111.TMP";
    std::string ro = dir + OS_PATHSEP + "~ZEL2222.TMP";
    std::string held = dir + OS_PATHSEP + "~NDO3333.TMP";
    std::string other = dir + OS_PATHSEP + "keep.tmp";
    touch(plain);
    touch(ro);
    makeReadOnly(ro);
    touch(held);
    touch(other);
    OsFile h = osOpen(held.c_str(), OS_READ);
    ASSERT_NE(h, OS_NOFILE);

    EXPECT_EQ(tempExitCleanup(), 1);
    EXPECT_FALSE(osFileExists(plain.c_str()));
    EXPECT_TRUE(osFileExists(ro.c_str()));
    EXPECT_TRUE(osFileExists(held.c_str()));
    EXPECT_TRUE(osFileExists(other.c_str()));

    osClose(h);
    EXPECT_EQ(tempExitCleanup(), 1);
    EXPECT_FALSE(osFileExists(held.c_str()));
    makeWritable(ro);
    osDelete(ro.c_str());
}

// 6. Start-up clean-up: what a killed copy left goes, what a running copy holds stays
TEST_F(TempTest, StartupCleanupRemovesStaleFilesAndKeepsHeldOnes)
{
    /* Short folder names: the directories hold at most 79 characters. */
    dir = sub("StartTemp");
    std::string undoDir = sub("StartUndo");
    tempChooseDirs(dir.c_str(), undoDir.c_str(), NULL, NULL);
    std::string staleStore = dir + OS_PATHSEP + "~ZEL0001.TMP";
    std::string staleUndo = undoDir + OS_PATHSEP + "~NDO0002.TMP";
    std::string held = undoDir + OS_PATHSEP + "~NDO0003.TMP";
    std::string ro = dir + OS_PATHSEP + "~ZEL0004.TMP";
    std::string undoInTemp = dir + OS_PATHSEP + "~NDO0005.TMP";   /* not the undo directory */
    std::string other = dir + OS_PATHSEP + "~ZELNOTE.TXT";
    for (const std::string *p : {&staleStore, &staleUndo, &held, &ro, &undoInTemp, &other})
        touch(*p);
    makeReadOnly(ro);
    OsFile h = osOpen(held.c_str(), OS_READ);   /* another handle: a copy that still runs */
    ASSERT_NE(h, OS_NOFILE);

    EXPECT_EQ(tempStartupCleanup(), 2);
    EXPECT_FALSE(osFileExists(staleStore.c_str()));
    EXPECT_FALSE(osFileExists(staleUndo.c_str()));
    EXPECT_TRUE(osFileExists(held.c_str()));
    EXPECT_TRUE(osFileExists(ro.c_str()));
    EXPECT_TRUE(osFileExists(undoInTemp.c_str()));
    EXPECT_TRUE(osFileExists(other.c_str()));

    osClose(h);   /* that copy is gone now: the next start takes its file */
    EXPECT_EQ(tempStartupCleanup(), 1);
    EXPECT_FALSE(osFileExists(held.c_str()));
    makeWritable(ro);
    osDelete(ro.c_str());
    osDelete(undoInTemp.c_str());
    osDelete(other.c_str());
}

TEST_F(TempTest, UndoCopiesOfARunningCopySurviveAnotherStart)
{
    ASSERT_EQ(tempStoreSetup(2, 22050, 16), 0);
    std::vector<uint8_t> orig = pattern(40000, 21);
    ASSERT_EQ(vocWriteAt(orig.data(), 0, (uint32_t)orig.size()), 0);
    UndoCopy a, b;
    ASSERT_EQ(tempUndoSave(0, 4999, 1, &a), 1);
    ASSERT_EQ(tempUndoSave(5000, 9999, 1, &b), 1);
    std::string pathA = dir + OS_PATHSEP + a.fileName, pathB = dir + OS_PATHSEP + b.fileName;

    /* Another copy starting now finds both files in use and leaves them. */
    EXPECT_EQ(tempStartupCleanup(), 0);
    EXPECT_TRUE(osFileExists(pathA.c_str()));
    EXPECT_TRUE(osFileExists(pathB.c_str()));
    std::vector<uint8_t> junk(40000, 0x5A);
    ASSERT_EQ(vocWriteAt(junk.data(), 0, 40000), 0);
    ASSERT_EQ(tempUndoRestore(0, &a), 0);
    ASSERT_EQ(tempUndoRestore(5000, &b), 0);
    std::vector<uint8_t> back(40000, 0x66);
    ASSERT_EQ(vocRead(back.data(), 0, 40000), 0);
    EXPECT_TRUE(back == orig);

    /* A dropped level lets its file go; leaving lets the rest go. */
    tempUndoDelete(&a);
    EXPECT_FALSE(osFileExists(pathA.c_str()));
    EXPECT_EQ(tempExitCleanup(), 1);
    EXPECT_FALSE(osFileExists(pathB.c_str()));
}

#if !defined(_WIN32)
/* A real second process: its undo copy stays while it runs and goes at the next start
   once it has been killed. */
TEST_F(TempTest, UndoCopyOfAKilledCopyGoesAtTheNextStart)
{
    int ready[2], never[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(never), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        close(never[1]);
        int ok = tempStoreSetup(1, 8000, 8) == 0;
        std::vector<uint8_t> data(30000, 0x42);
        UndoCopy c;
        ok = ok && vocWriteAt(data.data(), 0, 30000) == 0 && tempUndoSave(0, 29999, 1, &c) == 1;
        char name[16] = "";
        if (ok)
            memcpy(name, c.fileName, sizeof c.fileName);
        if (write(ready[1], name, sizeof name) != (ssize_t)sizeof name)
            _exit(2);
        char x;
        while (read(never[0], &x, 1) > 0) {
        }
        _exit(0);   /* not reached in the test: the parent kills this copy */
    }
    close(ready[1]);
    close(never[0]);
    char name[16] = "";
    ASSERT_EQ(read(ready[0], name, sizeof name), (ssize_t)sizeof name);
    ASSERT_NE(name[0], 0);
    std::string path = dir + OS_PATHSEP + name;
    ASSERT_TRUE(osFileExists(path.c_str()));

    EXPECT_EQ(tempStartupCleanup(), 0);      /* the copy runs: its file stays */
    EXPECT_TRUE(osFileExists(path.c_str()));

    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(never[1]);
    EXPECT_TRUE(osFileExists(path.c_str())); /* nobody cleaned up after the killed copy */
    EXPECT_EQ(tempStartupCleanup(), 1);
    EXPECT_FALSE(osFileExists(path.c_str()));
}
#endif

} // namespace
