/*
 * A copy of the program that is killed leaves its undo copies in the undo folder (its store
 * file goes with its handle).  The next start removes them, but never the files of a copy
 * that is still running.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

namespace {

using zd::settle;
using zd::waitTitle;

const int kInvert = 3100, kSelectAll = 115;

TEST(Stale, FilesOfAKilledCopyGoAtTheNextStartAndARunningCopyKeepsItsOwn)
{
    std::string dir = zd::freshDir("stale");
    std::string temp = zd::freshDir("stale-temp");
    std::string settings = zd::freshDir("stale-settings");
    zd::writeIni(settings + "\\zelo.ini", "Size", "TempOverride", temp.c_str());
    zd::writeIni(settings + "\\zelo.ini", "Settings", "UndoTempDir", temp.c_str());
    std::string file = dir + "\\s.wav";
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 1, std::vector<unsigned char>(16000, 9)));

    {
        zd::App doomed;
        ASSERT_TRUE(doomed.start("\"" + file + "\"", settings));
        ASSERT_TRUE(waitTitle(doomed, "s.wav - Zelo Edit"));
        settle(doomed);
        doomed.command(kSelectAll);
        doomed.command(kInvert);
        ASSERT_TRUE(zd::waitUndo(doomed, "Undo Invert"));
        EXPECT_EQ(1, zd::countFiles(temp, "~ZEL*.TMP"));
        EXPECT_EQ(1, zd::countFiles(temp, "~NDO*.TMP"));
        TerminateProcess(OpenProcess(PROCESS_TERMINATE, FALSE, doomed.pid()), 9);
        doomed.waitExit(5000);
    }
    /* The killed copy's undo copy is still there until something starts. */
    EXPECT_EQ(1, zd::countFiles(temp, "~NDO*.TMP"));

    zd::App keeper;
    ASSERT_TRUE(keeper.start("\"" + file + "\"", settings));
    ASSERT_TRUE(waitTitle(keeper, "s.wav - Zelo Edit"));
    settle(keeper);
    EXPECT_EQ(1, zd::countFiles(temp, "~ZEL*.TMP"));
    EXPECT_EQ(0, zd::countFiles(temp, "~NDO*.TMP")) << "the killed copy's undo copy stayed";
    keeper.command(kSelectAll);
    keeper.command(kInvert);
    ASSERT_TRUE(zd::waitUndo(keeper, "Undo Invert"));
    EXPECT_EQ(1, zd::countFiles(temp, "~NDO*.TMP"));

    /* Another copy starting meanwhile leaves the running copy's files alone, and its Undo works. */
    zd::App second;
    ASSERT_TRUE(second.start("", settings));
    second.idle();
    EXPECT_EQ(1, zd::countFiles(temp, "~ZEL*.TMP"));
    EXPECT_EQ(1, zd::countFiles(temp, "~NDO*.TMP"));
    EXPECT_EQ(0, second.close());
    keeper.command(102);
    ASSERT_TRUE(zd::waitUndo(keeper, "Can't Undo"));
    EXPECT_EQ(0, zd::closeDiscarding(keeper));
    EXPECT_EQ(0, zd::countFiles(temp, "~ZEL*.TMP"));
    EXPECT_EQ(0, zd::countFiles(temp, "~NDO*.TMP"));
}

} // namespace
