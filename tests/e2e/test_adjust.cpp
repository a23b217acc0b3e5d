/*
 * Adjust Sample Rate relabels the samples with another rate, channel count or resolution.
 * A new frame size must divide the data: what is left over is not a frame, and the wave the
 * user then copies, plays or saves holds whole frames only, and no stray bytes come back
 * when the frame size is changed back.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

namespace {

using zd::settle;
using zd::waitGone;
using zd::waitTitle;

const int kAdjustRate = 109, kSelectAll = 115, kCopy = 2050, kNw8Bit = 110, kNw16Bit = 111, kNwMono = 107,
          kNwStereo = 108;

unsigned le32(const std::vector<unsigned char> &b, size_t at)
{
    return at + 4 <= b.size() ? (unsigned)b[at] | (unsigned)b[at + 1] << 8 | (unsigned)b[at + 2] << 16 | (unsigned)b[at + 3] << 24 : 0;
}

/* Adjust Sample Rate to the given resolution and channels, and a copy of the whole wave. */
std::vector<unsigned char> adjustAndCopy(zd::App &app, int bitsButton, int channelsButton)
{
    app.command(kAdjustRate);
    HWND dlg = app.waitWindow("Adjust Sample Rate");
    if (!dlg)
        return {};
    zd::click(dlg, bitsButton);
    zd::click(dlg, channelsButton);
    Sleep(200);
    zd::click(dlg, IDOK);
    if (!waitGone(dlg))
        return {};
    settle(app);
    app.command(kSelectAll);
    app.command(kCopy);
    settle(app);
    return zd::clipboardBytes();
}

TEST(Adjust, ANewFrameSizeLeavesWholeFramesOnly)
{
    std::string dir = zd::freshDir("adjust-frames");
    std::string file = dir + "\\odd.wav";
    std::vector<unsigned char> data(1003);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (unsigned char)(i * 7);
    ASSERT_TRUE(zd::writeWave(file, 8000, 8, 1, data));

    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    ASSERT_TRUE(waitTitle(app, "odd.wav - Zelo Edit"));
    settle(app);
    std::vector<unsigned char> clip = adjustAndCopy(app, kNw16Bit, kNwStereo);
    ASSERT_GE(clip.size(), 44u);
    EXPECT_EQ(2u, clip[22]);                 /* channels */
    EXPECT_EQ(16u, clip[34]);                /* bits */
    unsigned bytes = le32(clip, 40);
    EXPECT_EQ(1000u, bytes) << "a partial frame was kept";
    EXPECT_EQ(0u, bytes % 4u);
    ASSERT_GE(clip.size(), 44u + bytes);
    /* The whole frames are the same bytes, now read as 16-bit stereo. */
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 1000, clip.begin() + 44));

    /* Back to 8-bit mono: the wave is the 1000 bytes the user saw, nothing more. */
    clip = adjustAndCopy(app, kNw8Bit, kNwMono);
    ASSERT_GE(clip.size(), 44u);
    EXPECT_EQ(1u, clip[22]);
    EXPECT_EQ(1000u, le32(clip, 40));
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

} // namespace
