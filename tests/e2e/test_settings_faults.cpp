/*
 * Choices that must survive a restart, read back through the program's own dialogs: the
 * file type last chosen in the Save dialog is the one the Open and Save dialogs offer at
 * the next start (until a file is opened, whose own type then becomes the save type).  A
 * test file type (Test TM8, 11025 Hz 8-bit mono only) sits beside the program, so the
 * choice differs from the default Windows PCM.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

#ifdef ZELO_FLT_TEST_MODULES

const int kOpen = 1100, kSaveAs = 1150, kNew = 1050;

/* The text of the file type the common dialog shows as chosen (its controls are Unicode). */
std::string chosenType(HWND dlg)
{
    HWND types = GetDlgItem(dlg, 0x470);   /* the type combo box (cmb1) */
    if (!types)
        return "";
    LRESULT sel = SendMessageW(types, CB_GETCURSEL, 0, 0);
    if (sel < 0)
        return "";
    wchar_t wide[256] = L"";
    if (SendMessageW(types, CB_GETLBTEXTLEN, (WPARAM)sel, 0) >= (LRESULT)(sizeof wide / sizeof wide[0]))
        return "";
    SendMessageW(types, CB_GETLBTEXT, (WPARAM)sel, (LPARAM)wide);
    char text[512] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
    return text;
}

TEST(SettingsFaults, TheChosenFileTypeSurvivesARestart)
{
    std::string modules = ZELO_FLT_TEST_MODULES;
    for (char &c : modules)
        if (c == '/')
            c = '\\';
    zd::ProgramDir prog("filetype-restart", {"zelo.exe", "wave.flt", "Z:" + modules + "\\tmono8.flt"});
    std::string dir = zd::freshDir("filetype-restart-data");
    std::string settings = zd::freshDir("filetype-restart-settings");
    std::string file = dir + "\\in.wav", out = dir + "\\out.tm8";
    ASSERT_TRUE(zd::writeWave(file, 11025, 8, 1, std::vector<unsigned char>(11025, 100)));
    {
        zd::App app;
        ASSERT_TRUE(app.start("\"" + file + "\"", settings));
        ASSERT_TRUE(zd::waitTitle(app, "in.wav - Zelo Edit")) << app.title();
        zd::settle(app);
        app.command(kSaveAs);
        HWND save = app.waitWindow("Save a Waveform");
        ASSERT_TRUE(save);
        EXPECT_EQ(0u, chosenType(save).rfind("Windows PCM", 0)) << chosenType(save);
        ASSERT_TRUE(zd::chooseFileType(save, "Test TM8"));
        zd::fillFileDialog(save, out);
        ASSERT_TRUE(zd::waitTitle(app, "out.tm8 - Zelo Edit", 20000)) << app.title();
        zd::settle(app);
        EXPECT_EQ(0, app.close());
    }
    /* Started without a file (an opened file would make its own type the save type). */
    zd::App again;
    ASSERT_TRUE(again.start("", settings));
    zd::settle(again);
    again.command(kOpen);
    HWND open = again.waitWindow("Open a Waveform");
    ASSERT_TRUE(open);
    EXPECT_EQ(0u, chosenType(open).rfind("Test TM8", 0)) << "the Open dialog offers \"" << chosenType(open) << "\"";
    zd::click(open, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(open));
    again.command(kNew);
    HWND dlg = again.waitWindow("New Waveform");
    ASSERT_TRUE(dlg);
    zd::click(dlg, IDOK);
    ASSERT_TRUE(zd::waitGone(dlg));
    ASSERT_TRUE(zd::waitTitle(again, "Untitled - Zelo Edit")) << again.title();
    zd::settle(again);
    again.command(kSaveAs);
    HWND save = again.waitWindow("Save a Waveform");
    ASSERT_TRUE(save);
    EXPECT_EQ(0u, chosenType(save).rfind("Test TM8", 0)) << "the Save dialog offers \"" << chosenType(save) << "\"";
    zd::click(save, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(save));
    EXPECT_EQ(0, zd::closeDiscarding(again));
}

#endif

} // namespace
