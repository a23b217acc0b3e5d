/*
 * Opening and saving as a user does it: a file named on the command line, the Open and
 * Save dialogs, the overwrite question, a file no filter can read, and the samples that
 * come back after a round trip through the program.
 */
#include "zdriver.h"
#include "core/version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <math.h>
#include <stdio.h>

namespace {

using zd::fillFileDialog;
using zd::waitGone;
using zd::settle;
using zd::waitTitle;

const int kOpen = 1100, kSaveAs = 1150, kSave = 1151, kReopen = 1110, kOpenAs = 116, kOpenAppend = 135;

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

    settle(app);
    app.command(kReopen);
    app.idle(300);
    settle(app);
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
    EXPECT_EQ("Zelo Edit " ZELO_VERSION, app.title());   /* still the start-up title */
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

TEST(Files, TwoDroppedFilesMakeOneUntitledWave)
{
    std::string dir = zd::freshDir("drop2");
    std::string a = dir + "\\a.wav", b = dir + "\\b.wav", out = dir + "\\joined.wav";
    std::vector<unsigned char> da = stereoRamp(3000), db = stereoRamp(1234);
    ASSERT_TRUE(zd::writeWave(a, 22050, 16, 2, da));
    /* The second file is mono 8-bit at half the rate: it is converted on the way in. */
    std::vector<unsigned char> mono(617, 200);
    ASSERT_TRUE(zd::writeWave(b, 11025, 8, 1, mono));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({a, b}));
    ASSERT_TRUE(waitTitle(app, "Untitled - Zelo Edit")) << app.title();
    settle(app);
    app.command(kSaveAs);
    HWND dlg = app.waitWindow("Save a Waveform");
    ASSERT_TRUE(dlg);
    fillFileDialog(dlg, out);
    ASSERT_TRUE(waitGone(dlg));
    ASSERT_TRUE(waitTitle(app, "joined.wav - Zelo Edit")) << app.title();
    unsigned rate = 0;
    int bits = 0, channels = 0;
    std::vector<unsigned char> back;
    ASSERT_TRUE(zd::readWave(out, &rate, &bits, &channels, &back));
    EXPECT_EQ(22050u, rate);
    EXPECT_EQ(16, bits);
    EXPECT_EQ(2, channels);
    ASSERT_EQ(da.size() + 617u * 2u * 4u, back.size());
    EXPECT_TRUE(std::equal(da.begin(), da.end(), back.begin()));
    /* 8-bit 200 is (200 - 128) * 256 in 16 bits, on both channels. */
    short v = (short)(back[da.size() + 400 * 4] | back[da.size() + 400 * 4 + 1] << 8);
    short w = (short)(back[da.size() + 400 * 4 + 2] | back[da.size() + 400 * 4 + 3] << 8);
    EXPECT_NEAR((200 - 128) * 256, v, 256);
    EXPECT_EQ(v, w);
    EXPECT_EQ(0, app.close());
}

TEST(Files, OpenAppendAndOpenAsJoinFilesThroughTheDialogs)
{
    std::string dir = zd::freshDir("append");
    std::string a = dir + "\\first.wav", b = dir + "\\second.wav", out = dir + "\\out.wav";
    std::vector<unsigned char> da(1000, 10), db(500, 250);
    ASSERT_TRUE(zd::writeWave(a, 8000, 8, 1, da));
    ASSERT_TRUE(zd::writeWave(b, 8000, 8, 1, db));
    zd::App app;
    ASSERT_TRUE(app.start("\"" + a + "\""));
    ASSERT_TRUE(waitTitle(app, "first.wav - Zelo Edit"));
    app.command(kOpenAppend);
    HWND dlg = app.waitWindow("Append a Waveform");
    ASSERT_TRUE(dlg);
    fillFileDialog(dlg, b);
    ASSERT_TRUE(waitGone(dlg));
    settle(app);
    app.command(kSaveAs);
    dlg = app.waitWindow("Save a Waveform");
    ASSERT_TRUE(dlg);
    fillFileDialog(dlg, out);
    ASSERT_TRUE(waitGone(dlg));
    ASSERT_TRUE(waitTitle(app, "out.wav - Zelo Edit"));
    unsigned rate = 0;
    int bits = 0, channels = 0;
    std::vector<unsigned char> back, want = da;
    want.insert(want.end(), db.begin(), db.end());
    ASSERT_TRUE(zd::readWave(out, &rate, &bits, &channels, &back));
    EXPECT_TRUE(back == want);

    /* Open As: the New Waveform dialog sets the format the chosen file is converted to. */
    app.command(kOpenAs);
    dlg = app.waitWindow("Please choose a wave file");
    ASSERT_TRUE(dlg);
    fillFileDialog(dlg, b);
    ASSERT_TRUE(waitGone(dlg));
    HWND nw = app.waitWindow("New Waveform");
    ASSERT_TRUE(nw);
    zd::click(nw, IDOK);
    ASSERT_TRUE(waitTitle(app, "second.wav - Zelo Edit")) << app.title();
    EXPECT_EQ(0, app.close());
}

} // namespace
