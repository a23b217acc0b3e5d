/*
 * A long operation pumps messages behind its progress meter.  While it runs, what the user
 * (or another program) sends the main window must not reach the store the operation is
 * working on: a close asks to cancel first, dropped files and file commands are refused,
 * and the operation's result comes out whole.  The meter's Pause holds the operation in
 * its pump, so each case acts at a known moment.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <stdio.h>

namespace {

using zd::settle;
using zd::waitTitle;

const int kNew = 1050, kClose = 3148, kPlay = 199, kPrPause = 3121;

std::vector<unsigned char> noise(size_t bytes, unsigned seed)
{
    std::vector<unsigned char> d(bytes);
    for (size_t i = 0; i < bytes; i++) {
        seed = seed * 1103515245u + 12345u;
        d[i] = (unsigned char)(seed >> 16);
    }
    return d;
}

/* The progress meter of the program (the dialog with the Pause button), or NULL. */
HWND waitMeter(zd::App &app, int timeoutMs)
{
    for (int t = 0; t < timeoutMs; t += 5) {
        for (HWND d : app.dialogs())
            if (GetDlgItem(d, kPrPause))
                return d;
        Sleep(5);
    }
    return NULL;
}

/* Opens a large file by dropping it and holds the read in the meter's Pause. */
HWND openAndPause(zd::App &app, const std::string &file)
{
    if (!app.dropFiles({file}))
        return NULL;
    HWND meter = waitMeter(app, 20000);
    if (!meter)
        return NULL;
    zd::click(meter, kPrPause);
    for (int t = 0; t < 500; t += 10) {
        if (zd::getText(meter, kPrPause) == "Continue")
            return meter;
        Sleep(10);
    }
    return NULL;
}

TEST(Busy, CloseDuringAnOpenAsksAndTheOpenGoesOnWhenTheAnswerIsNo)
{
    std::string dir = zd::freshDir("busy-close-no");
    std::string big = dir + "\\big.wav", other = dir + "\\other.wav";
    std::vector<unsigned char> data = noise(44100u * 4u * 40u, 7);   /* 40 s of 16-bit stereo */
    ASSERT_TRUE(zd::writeWave(big, 44100, 16, 2, data));
    ASSERT_TRUE(zd::writeWave(other, 8000, 8, 1, noise(8000, 3)));

    zd::App app;
    ASSERT_TRUE(app.start());
    HWND meter = openAndPause(app, big);
    ASSERT_TRUE(meter) << "no progress meter came up while the file was read";

    /* Commands and drops that would pull the store away are refused while it runs. */
    app.command(kNew);
    app.command(kClose);
    app.command(kPlay);
    ASSERT_TRUE(app.dropFiles({other}));

    app.post(WM_CLOSE);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box, 5000));
    EXPECT_EQ("Please Confirm", box.caption);
    EXPECT_NE(std::string::npos, box.text.find("still running")) << box.text;
    zd::screenshot("busy-close-question");
    SendMessageA(box.hwnd, WM_COMMAND, IDNO, 0);
    ASSERT_TRUE(zd::waitGone(box.hwnd));

    /* Nothing of the refused commands happened; the read continues and completes. */
    ASSERT_TRUE(IsWindow(meter));
    zd::click(meter, kPrPause);
    settle(app);
    EXPECT_TRUE(app.running());
    ASSERT_TRUE(waitTitle(app, "big.wav - Zelo Edit")) << app.title();
    EXPECT_TRUE(app.dialogs().empty());

    /* What was read is the whole file: saved back, every byte matches. */
    std::string copy = dir + "\\copy.wav";
    ASSERT_TRUE(zd::saveAs(app, copy)) << app.title();
    unsigned rate = 0;
    int bits = 0, channels = 0;
    std::vector<unsigned char> back;
    ASSERT_TRUE(zd::readWave(copy, &rate, &bits, &channels, &back));
    EXPECT_EQ(44100u, rate);
    ASSERT_EQ(data.size(), back.size());
    EXPECT_TRUE(data == back);
    EXPECT_EQ(0, app.close());
}

TEST(Busy, CloseDuringAnOpenCancelsItAndClosesWhenItHasStopped)
{
    std::string dir = zd::freshDir("busy-close-yes");
    std::string big = dir + "\\big.wav";
    ASSERT_TRUE(zd::writeWave(big, 44100, 16, 2, noise(44100u * 4u * 40u, 11)));

    zd::App app;
    ASSERT_TRUE(app.start());
    HWND meter = openAndPause(app, big);
    ASSERT_TRUE(meter);
    app.post(WM_CLOSE);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box, 5000));
    EXPECT_EQ("Please Confirm", box.caption);
    SendMessageA(box.hwnd, WM_COMMAND, IDYES, 0);

    /* The cancelled read unwinds, then the window closes as the user asked (answering a
       save question, should the partial wave raise one, with No). */
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

} // namespace

namespace {

/* A long paste writes the store in pieces and repaints between them: every sample must land
   where it belongs, also when the user presses Play and zooms meanwhile. */
TEST(Busy, ALongPasteIntoAnotherCopyComesBackByteForByte)
{
    std::string dir = zd::freshDir("busy-paste");
    std::string src = dir + "\\noise.wav", out = dir + "\\pasted.wav";
    std::vector<unsigned char> data = noise(529200, 23);   /* 3 s of 16-bit stereo at 44.1 kHz */
    ASSERT_TRUE(zd::writeWave(src, 44100, 16, 2, data));

    zd::App a;
    ASSERT_TRUE(a.start("\"" + src + "\""));
    ASSERT_TRUE(waitTitle(a, "noise.wav - Zelo Edit"));
    settle(a);
    a.command(115);    /* Select All */
    a.command(2050);   /* Copy */
    settle(a);

    zd::App b;
    ASSERT_TRUE(b.start());
    b.command(2100);   /* Paste into the empty copy */
    for (int i = 0; i < 20; i++) {
        b.command(kPlay);
        b.command(197);   /* Zoom In */
        b.command(195);   /* Full View */
        Sleep(5);
    }
    settle(b);
    b.command(198);       /* Stop, should anything have started */
    settle(b);
    ASSERT_TRUE(zd::saveAs(b, out)) << b.title();
    unsigned rate = 0;
    int bits = 0, channels = 0;
    std::vector<unsigned char> back;
    ASSERT_TRUE(zd::readWave(out, &rate, &bits, &channels, &back));
    ASSERT_EQ(data.size(), back.size());
    size_t firstBad = data.size();
    for (size_t i = 0; i < data.size(); i++)
        if (data[i] != back[i]) {
            firstBad = i;
            break;
        }
    EXPECT_EQ(data.size(), firstBad) << "the pasted wave differs from byte " << firstBad;
    EXPECT_EQ(0, b.close());
    EXPECT_EQ(0, a.close());
}

} // namespace
