/*
 * Choices that must survive: each value is set through its dialog, the program is closed
 * and started again with the same settings folder, and the value is read back through the
 * same dialog.  A choice that another part of the program reads at once (the Wave
 * Information dialog's "fill automatically" box, read by Save) must work before a restart.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using zd::settle;
using zd::waitGone;
using zd::waitTitle;

const int kGenSilence = 4100, kPasteSpecial = 2110, kSelectAll = 115, kCopy = 2050, kInfo = 5050;
const int kSilTime = 230, kPsLeftEdit = 224, kWiAutoFill = 3036;

/* Starts the program on file with the settings folder, ready for commands. */
bool startOn(zd::App &app, const std::string &file, const std::string &settings, const std::string &title)
{
    if (!app.start("\"" + file + "\"", settings))
        return false;
    if (!waitTitle(app, title))
        return false;
    settle(app);
    return true;
}

TEST(Restart, GenerateSilenceAndPasteSpecialValuesSurviveARestart)
{
    std::string dir = zd::freshDir("restart-values");
    std::string settings = zd::freshDir("restart-values-settings");
    std::string file = dir + "\\r.wav";
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 2, std::vector<unsigned char>(4000, 3)));
    {
        zd::App app;
        ASSERT_TRUE(startOn(app, file, settings, "r.wav - Zelo Edit"));
        app.command(kGenSilence);
        HWND dlg = app.waitWindow("Generate Silence");
        ASSERT_TRUE(dlg);
        zd::setText(dlg, kSilTime, "0.25");
        zd::click(dlg, IDOK);
        ASSERT_TRUE(waitGone(dlg));
        settle(app);

        app.command(kSelectAll);
        app.command(kCopy);
        settle(app);
        app.command(kPasteSpecial);
        dlg = app.waitWindow("Paste Special");
        ASSERT_TRUE(dlg);
        zd::setText(dlg, kPsLeftEdit, "40");
        zd::click(dlg, IDOK);
        ASSERT_TRUE(waitGone(dlg));
        settle(app);
        EXPECT_EQ(0, zd::closeDiscarding(app));
    }
    zd::App again;
    ASSERT_TRUE(startOn(again, file, settings, "r.wav - Zelo Edit"));
    again.command(kGenSilence);
    HWND dlg = again.waitWindow("Generate Silence");
    ASSERT_TRUE(dlg);
    EXPECT_EQ("0.25", zd::getText(dlg, kSilTime));
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(waitGone(dlg));
    again.command(kPasteSpecial);
    dlg = again.waitWindow("Paste Special");
    ASSERT_TRUE(dlg);
    EXPECT_EQ("40", zd::getText(dlg, kPsLeftEdit));
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(waitGone(dlg));
    EXPECT_EQ(0, zd::closeDiscarding(again));
}

TEST(Restart, FillAutomaticallyTakesEffectAtOnceAndSurvives)
{
    std::string dir = zd::freshDir("restart-autofill");
    std::string settings = zd::freshDir("restart-autofill-settings");
    std::string file = dir + "\\a.wav", out = dir + "\\b.wav";
    ASSERT_TRUE(zd::writeWave(file, 8000, 8, 1, std::vector<unsigned char>(800, 100)));
    {
        zd::App app;
        ASSERT_TRUE(startOn(app, file, settings, "a.wav - Zelo Edit"));
        app.command(kInfo);
        HWND dlg = app.waitWindow("Wave Information");
        ASSERT_TRUE(dlg);
        zd::check(dlg, kWiAutoFill, true);
        zd::click(dlg, IDOK);
        ASSERT_TRUE(waitGone(dlg));
        settle(app);

        /* A file opened now gets the creation date, without a restart in between. */
        ASSERT_TRUE(app.dropFiles({file}));
        settle(app);
        ASSERT_TRUE(zd::saveAs(app, out)) << app.title();
        std::ifstream in(out, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(std::string::npos, bytes.find("ICRD")) << "the saved file has no creation date";
        EXPECT_EQ(0, zd::closeDiscarding(app));
    }
    zd::App again;
    ASSERT_TRUE(startOn(again, file, settings, "a.wav - Zelo Edit"));
    again.command(kInfo);
    HWND dlg = again.waitWindow("Wave Information");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(BST_CHECKED, (int)SendMessageA(GetDlgItem(dlg, kWiAutoFill), BM_GETCHECK, 0, 0));
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(waitGone(dlg));
    EXPECT_EQ(0, zd::closeDiscarding(again));
}

} // namespace
