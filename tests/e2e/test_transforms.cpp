/*
 * The built-in transforms from the menus: Reverse, Invert, Byte Swap and Generate Silence
 * with their dialogs, the Undo item's text after each, and the samples a save writes.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

namespace {

using zd::waitUndo;

using zd::waitTitle;
using zd::waitGone;
using zd::settle;

const int kSave = 1151, kUndo = 102, kSelectAll = 115, kReverse = 3080, kInvert = 3100,
          kByteSwap = 112, kGenSilence = 4100;

/* Save, sent rather than posted: it has written the file when the call returns. */
std::vector<unsigned char> saved(zd::App &app, const std::string &path)
{
    settle(app);
    app.send(WM_COMMAND, (WPARAM)kSave, 0);
    std::vector<unsigned char> back;
    unsigned rate;
    int bits, channels;
    zd::readWave(path, &rate, &bits, &channels, &back);
    return back;
}

TEST(Transforms, MenuCommandsChangeTheSamplesAndUndo)
{
    std::string dir = zd::freshDir("xforms");
    std::string file = dir + "\\t.wav";
    std::vector<unsigned char> d = {0, 10, 20, 128, 250};
    ASSERT_TRUE(zd::writeWave(file, 8000, 8, 1, d));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({file}));
    ASSERT_TRUE(waitTitle(app, "t.wav - Zelo Edit"));
    settle(app);

    app.command(kSelectAll);
    app.command(kReverse);
    ASSERT_TRUE(waitUndo(app, "Undo Reverse"));
    std::vector<unsigned char> want = {250, 128, 20, 10, 0};
    EXPECT_EQ(want, saved(app, file));

    app.command(kInvert);
    ASSERT_TRUE(waitUndo(app, "Undo Invert"));
    want = {5, 127, 235, 245, 255};
    EXPECT_EQ(want, saved(app, file));

    app.command(kByteSwap);
    HWND dlg = app.waitWindow("Byte Swap");
    ASSERT_TRUE(dlg);
    EXPECT_NE(std::string::npos, zd::getText(dlg, 3055).find("8-bit sample byte"));
    zd::click(dlg, IDOK);
    ASSERT_TRUE(waitGone(dlg));
    ASSERT_TRUE(waitUndo(app, "Undo Byte Swap"));
    want = {133, 255, 107, 117, 127};
    EXPECT_EQ(want, saved(app, file));

    /* Undo of Byte Swap swaps again; Undo of Invert takes the copy back. */
    app.command(kUndo);
    ASSERT_TRUE(waitUndo(app, "Undo Invert"));
    app.command(kUndo);
    ASSERT_TRUE(waitUndo(app, "Undo Reverse"));
    want = {250, 128, 20, 10, 0};
    EXPECT_EQ(want, saved(app, file));
    EXPECT_EQ(0, app.close());
}

TEST(Transforms, GenerateSilenceAsksItsLengthAndInsertsIt)
{
    std::string dir = zd::freshDir("gensil");
    std::string file = dir + "\\g.wav";
    ASSERT_TRUE(zd::writeWave(file, 8000, 8, 1, std::vector<unsigned char>(10, 200)));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({file}));
    ASSERT_TRUE(waitTitle(app, "g.wav - Zelo Edit"));
    settle(app);
    app.command(kGenSilence);
    HWND dlg = app.waitWindow("Generate Silence");
    ASSERT_TRUE(dlg);
    EXPECT_EQ("10", zd::getText(dlg, 230));
    /* Nonsense is refused and the dialog stays. */
    zd::setText(dlg, 230, "soon");
    zd::click(dlg, IDOK);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box));
    EXPECT_EQ("Sorry", box.caption);
    zd::click(box.hwnd, IDOK);
    ASSERT_TRUE(waitGone(box.hwnd));
    ASSERT_TRUE(IsWindow(dlg));
    zd::setText(dlg, 230, "0.25");
    zd::click(dlg, IDOK);
    ASSERT_TRUE(waitGone(dlg));
    ASSERT_TRUE(waitUndo(app, "Undo Generate Silence"));
    std::vector<unsigned char> back = saved(app, file);
    ASSERT_EQ(10u + 2000u, back.size());
    EXPECT_EQ(128, back[0]);      /* inserted at the caret, frame 0 */
    EXPECT_EQ(128, back[1999]);
    EXPECT_EQ(200, back[2000]);
    app.command(kUndo);
    ASSERT_TRUE(waitUndo(app, "Can't Undo"));
    EXPECT_EQ(10u, saved(app, file).size());
    EXPECT_EQ(0, app.close());
}

TEST(Transforms, AdjustSampleRateRelabelsTheSameBytes)
{
    std::string dir = zd::freshDir("adjust");
    std::string file = dir + "\\a.wav";
    std::vector<unsigned char> d;
    for (int i = 0; i < 400; i++)
        d.push_back((unsigned char)(i * 7));
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 2, d));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({file}));
    ASSERT_TRUE(waitTitle(app, "a.wav - Zelo Edit"));
    settle(app);
    app.command(109);
    HWND dlg = app.waitWindow("Adjust Sample Rate");
    ASSERT_TRUE(dlg);
    EXPECT_EQ("8000", zd::getText(dlg, 321));
    zd::setText(dlg, 321, "16000");
    zd::check(dlg, 108, false);
    zd::check(dlg, 107, true);
    zd::click(dlg, IDOK);
    ASSERT_TRUE(waitGone(dlg));
    settle(app);
    app.send(WM_COMMAND, (WPARAM)kSave, 0);
    unsigned rate = 0;
    int bits = 0, channels = 0;
    std::vector<unsigned char> back;
    ASSERT_TRUE(zd::readWave(file, &rate, &bits, &channels, &back));
    EXPECT_EQ(16000u, rate);
    EXPECT_EQ(1, channels);
    EXPECT_EQ(16, bits);
    EXPECT_EQ(d, back);
    EXPECT_EQ(0, app.close());
}

TEST(Transforms, PasteSpecialMixesTheClipboardWithItsVolumes)
{
    std::string dir = zd::freshDir("pastespecial");
    std::string file = dir + "\\p.wav";
    std::vector<unsigned char> d;
    for (int i = 0; i < 100; i++) {
        short l = (short)(i * 100), r = (short)(-i * 50);
        d.push_back((unsigned char)(l & 0xFF));
        d.push_back((unsigned char)((l >> 8) & 0xFF));
        d.push_back((unsigned char)(r & 0xFF));
        d.push_back((unsigned char)((r >> 8) & 0xFF));
    }
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 2, d));
    std::string settings = zd::freshDir("pastespecial-settings");
    zd::App app;
    ASSERT_TRUE(app.start("", settings));
    ASSERT_TRUE(app.dropFiles({file}));
    ASSERT_TRUE(waitTitle(app, "p.wav - Zelo Edit"));
    settle(app);
    app.command(kSelectAll);
    app.command(2050);   /* Copy */
    settle(app);
    app.command(2110);
    HWND dlg = app.waitWindow("Paste Special");
    ASSERT_TRUE(dlg);
    EXPECT_EQ("100", zd::getText(dlg, 224));
    EXPECT_EQ(BST_CHECKED, (int)SendMessageA(GetDlgItem(dlg, 213), BM_GETCHECK, 0, 0));   /* Overlap */
    /* Modulate and Overlap exclude each other. */
    zd::click(dlg, 3101);
    Sleep(200);
    EXPECT_EQ(BST_UNCHECKED, (int)SendMessageA(GetDlgItem(dlg, 213), BM_GETCHECK, 0, 0));
    zd::click(dlg, 213);
    Sleep(200);
    EXPECT_EQ(BST_UNCHECKED, (int)SendMessageA(GetDlgItem(dlg, 3101), BM_GETCHECK, 0, 0));
    zd::setText(dlg, 224, "50");
    zd::check(dlg, 3037, true);   /* right inverted */
    zd::screenshot("paste-special");
    zd::click(dlg, IDOK);
    ASSERT_TRUE(waitGone(dlg));
    ASSERT_TRUE(waitUndo(app, "Undo Paste"));
    std::vector<unsigned char> back = saved(app, file);
    ASSERT_EQ(d.size(), back.size());
    for (int i = 0; i < 100; i += 33) {
        short l = (short)(back[i * 4] | back[i * 4 + 1] << 8), r = (short)(back[i * 4 + 2] | back[i * 4 + 3] << 8);
        EXPECT_EQ((short)(i * 100 + i * 50), l) << i;   /* itself plus half of itself */
        EXPECT_EQ(0, r) << i;                           /* itself minus itself */
    }
    EXPECT_EQ("0.5", zd::readIni(settings + "\\zelo.ini", "Paste Special", "Left"));
    app.command(kUndo);
    ASSERT_TRUE(waitUndo(app, "Can't Undo"));
    EXPECT_EQ(d, saved(app, file));
    EXPECT_EQ(0, app.close());
}

} // namespace
