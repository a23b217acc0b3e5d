/*
 * Opening and saving as a user does it: a file named on the command line, the Open and
 * Save dialogs, the overwrite question, a file no filter can read, and the samples that
 * come back after a round trip through the program.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>

namespace {

const int kOpen = 1100, kSaveAs = 1150, kSave = 1151, kReopen = 1110;
const int kFileNameCombo = 0x47c, kFileNameEdit = 0x480;

std::vector<unsigned char> stereoRamp(int frames)
{
    std::vector<unsigned char> d;
    for (int i = 0; i < frames; i++) {
        short l = (short)(sin(i * 0.01) * 20000), r = (short)((i * 37) % 65536 - 32768);
        d.push_back((unsigned char)(l & 0xFF));
        d.push_back((unsigned char)((l >> 8) & 0xFF));
        d.push_back((unsigned char)(r & 0xFF));
        d.push_back((unsigned char)((r >> 8) & 0xFF));
    }
    return d;
}

/* Types a name into a common file dialog and presses its default button. */
void fillFileDialog(HWND dlg, const std::string &name)
{
    HWND box = GetDlgItem(dlg, kFileNameCombo);
    if (box) {
        HWND edit = FindWindowExA(box, NULL, "Edit", NULL);
        SendMessageA(edit ? edit : box, WM_SETTEXT, 0, (LPARAM)name.c_str());
    } else {
        SendMessageA(GetDlgItem(dlg, kFileNameEdit), WM_SETTEXT, 0, (LPARAM)name.c_str());
    }
    zd::click(dlg, IDOK);
}

bool waitGone(HWND w, int ms = 5000)
{
    for (int t = 0; t < ms; t += 50) {
        if (!IsWindow(w))
            return true;
        Sleep(50);
    }
    return false;
}

bool waitTitle(zd::App &app, const std::string &title, int ms = 8000)
{
    for (int t = 0; t < ms; t += 50) {
        if (app.title() == title)
            return true;
        Sleep(50);
    }
    return false;
}

TEST(Files, CommandLineOpenSaveAsAndReopenKeepEverySample)
{
    std::string dir = zd::freshDir("roundtrip");
    std::string in = dir + "\\tone in.wav", out = dir + "\\copy.wav";
    std::vector<unsigned char> data = stereoRamp(30001);
    ASSERT_TRUE(zd::writeWave(in, 22050, 16, 2, data));

    zd::App app;
    ASSERT_TRUE(app.start("\"" + in + "\""));
    ASSERT_TRUE(waitTitle(app, "tone in.wav - Zelo Edit")) << app.title();
    /* Play and Zoom In follow a loaded wave (Full View stays off while the whole wave shows). */
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(app.main(), 199)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(app.main(), 197)));
    zd::screenshot("files-opened");

    app.command(kSaveAs);
    HWND dlg = app.waitWindow("Save a Waveform");
    ASSERT_TRUE(dlg);
    zd::screenshot("files-save-dialog");
    fillFileDialog(dlg, out);
    ASSERT_TRUE(waitGone(dlg));
    ASSERT_TRUE(waitTitle(app, "copy.wav - Zelo Edit")) << app.title();

    unsigned rate = 0;
    int bits = 0, channels = 0;
    std::vector<unsigned char> back;
    ASSERT_TRUE(zd::readWave(out, &rate, &bits, &channels, &back));
    EXPECT_EQ(22050u, rate);
    EXPECT_EQ(16, bits);
    EXPECT_EQ(2, channels);
    EXPECT_TRUE(back == data) << "samples differ after Save As";

    /* Open the copy through the Open dialog in a fresh start. */
    app.command(kOpen);
    dlg = app.waitWindow("Open a Waveform");
    ASSERT_TRUE(dlg);
    zd::screenshot("files-open-dialog");
    fillFileDialog(dlg, in);
    ASSERT_TRUE(waitGone(dlg));
    ASSERT_TRUE(waitTitle(app, "tone in.wav - Zelo Edit")) << app.title();

    /* Save under the same name writes the same samples again, with no question. */
    app.command(kSave);
    app.idle(300);
    zd::MsgBox box;
    EXPECT_FALSE(app.waitMessageBox(&box, 500)) << box.caption << ": " << box.text;
    back.clear();
    /* The save pumps messages while it writes, so wait for the file to settle. */
    bool read = false;
    for (int t = 0; t < 5000 && !read; t += 100) {
        read = zd::readWave(in, &rate, &bits, &channels, &back) && back.size() == data.size();
        if (!read)
            Sleep(100);
    }
    ASSERT_TRUE(read);
    EXPECT_TRUE(back == data);

    app.command(kReopen);
    app.idle(300);
    EXPECT_EQ("tone in.wav - Zelo Edit", app.title());
    EXPECT_EQ(0, app.close());
}

TEST(Files, OverwriteQuestionNoKeepsTheOldFile)
{
    std::string dir = zd::freshDir("overwrite");
    std::string in = dir + "\\a.wav", other = dir + "\\b.wav";
    ASSERT_TRUE(zd::writeWave(in, 8000, 8, 1, std::vector<unsigned char>(5000, 100)));
    std::vector<unsigned char> otherData(777, 33);
    ASSERT_TRUE(zd::writeWave(other, 11025, 8, 1, otherData));

    zd::App app;
    ASSERT_TRUE(app.start("\"" + in + "\""));
    ASSERT_TRUE(waitTitle(app, "a.wav - Zelo Edit"));
    app.command(kSaveAs);
    HWND dlg = app.waitWindow("Save a Waveform");
    ASSERT_TRUE(dlg);
    fillFileDialog(dlg, other);
    zd::MsgBox box;
    /* Wine's own dialog may ask first; answer whichever asks about b.wav. */
    ASSERT_TRUE(app.waitMessageBox(&box));
    EXPECT_NE(std::string::npos, box.text.find("b.wav")) << box.text;
    if (box.caption != "File Save") {
        zd::click(box.hwnd, IDYES);
        ASSERT_TRUE(waitGone(box.hwnd));
        ASSERT_TRUE(app.waitMessageBox(&box));
    }
    EXPECT_EQ("File Save", box.caption);
    EXPECT_EQ("\"" + other + "\" Already Exists, Overwrite?", box.text);
    zd::click(box.hwnd, IDNO);
    ASSERT_TRUE(waitGone(box.hwnd));
    app.idle(200);

    unsigned rate = 0;
    int bits = 0, channels = 0;
    std::vector<unsigned char> back;
    ASSERT_TRUE(zd::readWave(other, &rate, &bits, &channels, &back));
    EXPECT_EQ(11025u, rate);
    EXPECT_TRUE(back == otherData);
    EXPECT_EQ("a.wav - Zelo Edit", app.title());
    EXPECT_EQ(0, app.close());
}

TEST(Files, UnreadableFileIsRefusedAndNothingIsLoaded)
{
    std::string dir = zd::freshDir("junk");
    std::string junk = dir + "\\junk.wav";
    FILE *f = fopen(junk.c_str(), "wb");
    ASSERT_TRUE(f);
    fputs("RIFF....WAVEthis is not a wave file at all", f);
    fclose(f);

    zd::App app;
    ASSERT_TRUE(app.start("\"" + junk + "\""));
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box));
    EXPECT_EQ("Invalid file or format", box.caption);
    EXPECT_NE(std::string::npos, box.text.find("junk.wav")) << box.text;
    zd::click(box.hwnd, IDOK);
    ASSERT_TRUE(waitGone(box.hwnd));
    app.idle(200);
    EXPECT_EQ("Zelo Edit", app.title());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), 199)));
    EXPECT_EQ(0, app.close());
}

TEST(Files, DroppedFileOpens)
{
    std::string dir = zd::freshDir("drop");
    std::string in = dir + "\\dropped tone.wav";
    ASSERT_TRUE(zd::writeWave(in, 8000, 16, 1, stereoRamp(500)));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(waitTitle(app, "dropped tone.wav - Zelo Edit")) << app.title();
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(app.main(), 199)));
    EXPECT_TRUE(app.running());
    EXPECT_EQ(0, app.close());
}

} // namespace
