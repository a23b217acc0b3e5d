/*
 * The Wave Information dialog as a user meets it: typed texts and a chosen picture travel
 * into the saved file's LIST/INFO and DISP chunks, come back when the file is opened again,
 * and a new waveform starts without them.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

namespace {

using zd::waitTitle;
using zd::waitGone;
using zd::settle;
using zd::fillFileDialog;

const int kInfo = 5050, kSaveAs = 1150, kNew = 1050;
const int kName = 264, kComments = 262, kTitle = 261, kIcon = 322, kPicture = 3062, kAutoFill = 3036;

std::string readAll(const std::string &path)
{
    std::string s;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return s;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    fclose(f);
    return s;
}

/* A 16 x 16 pure red 24-bit bitmap file. */
bool writeRedBmp(const std::string &path)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    unsigned char h[54] = {'B', 'M'};
    unsigned size = 54 + 16 * 16 * 3;
    memcpy(h + 2, &size, 4);
    h[10] = 54;
    h[14] = 40;
    h[18] = 16;
    h[22] = 16;
    h[26] = 1;
    h[28] = 24;
    fwrite(h, 1, sizeof h, f);
    for (int i = 0; i < 16 * 16; i++) {
        unsigned char bgr[3] = {0, 0, 255};
        fwrite(bgr, 1, 3, f);
    }
    fclose(f);
    return true;
}

TEST(WaveInfo, TextsAndPictureGoIntoTheFileAndComeBack)
{
    std::string dir = zd::freshDir("info");
    std::string in = dir + "\\plain.wav", out = dir + "\\tagged.wav", bmp = dir + "\\red.bmp";
    ASSERT_TRUE(zd::writeWave(in, 8000, 8, 1, std::vector<unsigned char>(2000, 128)));
    ASSERT_TRUE(writeRedBmp(bmp));
    std::string settings = zd::freshDir("info-settings");
    zd::writeIni(settings + "\\zelo.ini", "Settings", "AutoFillInfo", "No");

    zd::App app;
    ASSERT_TRUE(app.start("", settings));
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(waitTitle(app, "plain.wav - Zelo Edit"));
    settle(app);

    app.command(kInfo);
    HWND dlg = app.waitWindow("Wave Information");
    ASSERT_TRUE(dlg);
    /* A file without INFO items opens with every field empty. */
    EXPECT_EQ("", zd::getText(dlg, kName));
    EXPECT_EQ("", zd::getText(dlg, kComments));
    EXPECT_EQ(BST_UNCHECKED, (int)SendMessageA(GetDlgItem(dlg, kAutoFill), BM_GETCHECK, 0, 0));
    zd::setText(dlg, kName, "Morning Take");
    zd::setText(dlg, kComments, "first line\r\nsecond line");
    zd::setText(dlg, kTitle, "The Title");
    zd::click(dlg, kIcon);
    HWND pick = app.waitWindow("Please choose and image file");
    ASSERT_TRUE(pick);
    fillFileDialog(pick, bmp);
    ASSERT_TRUE(waitGone(pick));
    Sleep(300);
    /* The picture shows in its frame. */
    int w = 0, h = 0;
    std::vector<unsigned> px;
    ASSERT_TRUE(zd::grabClient(dlg, &w, &h, &px));
    RECT frame;
    GetWindowRect(GetDlgItem(dlg, kPicture), &frame);
    MapWindowPoints(NULL, dlg, (POINT *)&frame, 2);
    unsigned centre = px[(size_t)((frame.top + frame.bottom) / 2) * w + (frame.left + frame.right) / 2];
    EXPECT_EQ(0xFF0000u, centre & 0xFFFFFFu);
    zd::screenshot("wave-information");
    zd::click(dlg, IDOK);
    ASSERT_TRUE(waitGone(dlg));

    app.command(kSaveAs);
    HWND save = app.waitWindow("Save a Waveform");
    ASSERT_TRUE(save);
    fillFileDialog(save, out);
    ASSERT_TRUE(waitGone(save));
    ASSERT_TRUE(waitTitle(app, "tagged.wav - Zelo Edit"));
    settle(app);
    std::string bytes = readAll(out);
    EXPECT_NE(std::string::npos, bytes.find("INFO"));
    EXPECT_NE(std::string::npos, bytes.find(std::string("INAM\x0e\0\0\0Morning Take", 20)));
    EXPECT_NE(std::string::npos, bytes.find("first line\r\nsecond line"));
    EXPECT_NE(std::string::npos, bytes.find(std::string("DISP", 4)));
    EXPECT_NE(std::string::npos, bytes.find("The Title"));

    /* New: the list starts empty. */
    app.command(kNew);
    HWND nw = app.waitWindow("New Waveform");
    ASSERT_TRUE(nw);
    zd::click(nw, IDOK);
    ASSERT_TRUE(waitTitle(app, "Untitled - Zelo Edit"));
    app.command(kInfo);
    dlg = app.waitWindow("Wave Information");
    ASSERT_TRUE(dlg);
    EXPECT_EQ("", zd::getText(dlg, kName));
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(waitGone(dlg));

    /* The saved file brings its texts back. */
    ASSERT_TRUE(app.dropFiles({out}));
    ASSERT_TRUE(waitTitle(app, "tagged.wav - Zelo Edit"));
    settle(app);
    app.command(kInfo);
    dlg = app.waitWindow("Wave Information");
    ASSERT_TRUE(dlg);
    EXPECT_EQ("Morning Take", zd::getText(dlg, kName));
    EXPECT_EQ("first line\r\nsecond line", zd::getText(dlg, kComments));
    EXPECT_EQ("The Title", zd::getText(dlg, kTitle));
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(waitGone(dlg));
    EXPECT_EQ(0, app.close());
}

} // namespace
