/*
 * The selection's highlight after edits that remove the selected frames: nothing of it may
 * stay on the screen once the frames are gone and nothing is selected.
 */
#include "zdriver.h"
#include "zmodules.h"

#include <gtest/gtest.h>

using namespace zm;

namespace {

/* White pixels in the main window's client area: the highlight inverts the black background. */
int whitePixels(zd::App &app)
{
    int w = 0, h = 0;
    std::vector<unsigned> px;
    if (!zd::grabClient(app.main(), &w, &h, &px))
        return -1;
    int n = 0;
    for (int y = 0; y < h * 3 / 4; y++)   /* the waveform and the ruler's white labels */
        for (int x = 0; x < w; x++)
            n += px[(size_t)y * w + x] == 0xFFFFFFu;
    return n;
}

void removeSelected(int command, const char *undo)
{
    std::string dir = zd::freshDir(std::string("highlight-") + undo);
    std::string in = dir + "\\in.wav";
    std::vector<unsigned char> b(24000 * 4);
    for (size_t i = 0; i < b.size(); i++)
        b[i] = (unsigned char)(i * 13);
    ASSERT_TRUE(zd::writeWave(in, 8000, 16, 2, b));
    Session s;
    ASSERT_TRUE(s.open(in));
    int labels = whitePixels(s.app);   /* before anything is selected */
    selectRange(s.app, 3900, 3999);
    int lit = 0;
    for (int t = 0; t < 5000 && (lit = whitePixels(s.app)) < labels + 1000; t += 50)
        Sleep(50);
    ASSERT_GT(lit, labels + 1000) << "the selection is highlighted";
    s.app.command(command);
    ASSERT_TRUE(zd::waitUndo(s.app, undo));
    zd::settle(s.app);
    s.app.idle(300);
    EXPECT_LT(whitePixels(s.app), labels + 50) << undo << ": the highlight stayed behind";
    EXPECT_EQ(0, closeDiscarding(s.app));
}

TEST(Highlight, GoesWithTheDeletedFrames) { removeSelected(2200, "Undo Delete"); }
TEST(Highlight, GoesWithTheCutFrames) { removeSelected(2150, "Undo Cut"); }

}  // namespace
