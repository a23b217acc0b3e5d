/*
 * The menus a user sees in each state of the document: no wave, an empty new wave, a mono
 * file and a stereo file.  The menu is read from the running program after the enabling
 * pass that opening a menu runs (WM_INITMENU).
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using zd::waitTitle;

enum {
    kNew = 1050, kOpen = 1100, kOpenAs = 116, kOpenAppend = 135, kReopen = 1110, kClose = 3148,
    kSave = 1151, kSaveAs = 1150, kSaveSel = 114, kUndo = 102, kRepeat = 130, kCopy = 2050, kCut = 2150,
    kSelectAll = 115, kZeroCross = 312, kEditLeft = 1001, kEditRight = 1002, kDelete = 2200,
    kTrim = 2210, kViewRange = 3147, kReverse = 3080, kSilence = 3140, kInvert = 3100, kInfo = 5050,
    kConvert = 120, kByteSwap = 112
};

struct MenuState {
    bool grayed, checked;
    std::string text;
};

/* The program answers "ZeloMenuState" with its own menu's state (menus belong to
   their process). */
MenuState itemState(zd::App &app, int id)
{
    UINT query = RegisterWindowMessageA("ZeloMenuState");
    UINT s = (UINT)app.send(query, (WPARAM)id, 0);
    ATOM atom = (ATOM)app.send(query, (WPARAM)id, 1);
    char text[256] = "";
    if (atom) {
        GlobalGetAtomNameA(atom, text, sizeof text);
        GlobalDeleteAtom(atom);
    }
    EXPECT_NE(0xFFFFFFFFu, s) << "no menu item " << id;
    return MenuState{(s & (MF_GRAYED | MF_DISABLED)) != 0, (s & MF_CHECKED) != 0, text};
}

/* Every id of the list that is grayed now. */
std::set<int> grayedOf(zd::App &app, std::initializer_list<int> ids)
{
    std::set<int> g;
    for (int id : ids)
        if (itemState(app, id).grayed)
            g.insert(id);
    return g;
}

const std::initializer_list<int> kWatched = {kNew, kOpen, kOpenAs, kOpenAppend, kReopen, kClose, kSave, kSaveAs,
                                             kSaveSel, kUndo, kRepeat, kCopy, kCut, kSelectAll, kZeroCross,
                                             kEditLeft, kEditRight, kDelete, kTrim, kViewRange, kReverse,
                                             kSilence, kInvert, kInfo, kConvert, kByteSwap};

TEST(Enabling, NoWaveLoaded)
{
    zd::App app;
    ASSERT_TRUE(app.start());
    std::set<int> want = {kReopen, kClose, kSave, kSaveAs, kSaveSel, kUndo, kRepeat, kCopy, kCut,
                          kSelectAll, kZeroCross, kEditLeft, kEditRight, kDelete, kTrim, kViewRange,
                          kReverse, kSilence, kInvert, kInfo, kConvert, kByteSwap, kOpenAppend};
    EXPECT_EQ(want, grayedOf(app, kWatched));
    EXPECT_EQ("Can't Undo", itemState(app, kUndo).text);
    EXPECT_EQ(0, app.close());
}

TEST(Enabling, EmptyNewWave)
{
    zd::App app;
    ASSERT_TRUE(app.start());
    app.command(kNew);
    HWND dlg = app.waitWindow("New Waveform");
    ASSERT_TRUE(dlg);
    zd::click(dlg, IDOK);
    ASSERT_TRUE(waitTitle(app, "Untitled - Zelo Edit")) << app.title();
    /* An untitled, empty stereo wave: no name, no data, no selection. */
    std::set<int> want = {kReopen, kSave, kSaveSel, kUndo, kRepeat, kCopy, kCut, kSelectAll, kZeroCross,
                          kDelete, kTrim, kReverse, kSilence, kInvert};
    EXPECT_EQ(want, grayedOf(app, kWatched));
    EXPECT_TRUE(itemState(app, kEditLeft).checked);
    EXPECT_TRUE(itemState(app, kEditRight).checked);
    EXPECT_EQ(0, app.close());
}

TEST(Enabling, MonoAndStereoFiles)
{
    std::string dir = zd::freshDir("enabling");
    std::string mono = dir + "\\mono.wav", stereo = dir + "\\stereo.wav";
    ASSERT_TRUE(zd::writeWave(mono, 11025, 8, 1, std::vector<unsigned char>(4000, 140)));
    ASSERT_TRUE(zd::writeWave(stereo, 11025, 16, 2, std::vector<unsigned char>(8000, 7)));

    /* Dropped, so that no start-up play is running while the menu is read. */
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({mono}));
    ASSERT_TRUE(waitTitle(app, "mono.wav - Zelo Edit")) << app.title();
    std::set<int> want = {kSaveSel, kUndo, kRepeat, kEditLeft, kEditRight, kDelete, kTrim, kSilence};
    EXPECT_EQ(want, grayedOf(app, kWatched));
    EXPECT_EQ(0, app.close());

    zd::App two;
    ASSERT_TRUE(two.start());
    ASSERT_TRUE(two.dropFiles({stereo}));
    ASSERT_TRUE(waitTitle(two, "stereo.wav - Zelo Edit")) << two.title();
    want = {kSaveSel, kUndo, kRepeat, kDelete, kTrim, kSilence};
    EXPECT_EQ(want, grayedOf(two, kWatched));
    /* With a selection, the selection's commands come on. */
    two.command(kSelectAll);
    for (int t = 0; t < 3000 && itemState(two, kDelete).grayed; t += 50)
        Sleep(50);
    want = {kUndo, kRepeat};
    EXPECT_EQ(want, grayedOf(two, kWatched));
    EXPECT_TRUE(itemState(two, kEditLeft).checked);
    EXPECT_TRUE(itemState(two, kEditRight).checked);
    EXPECT_EQ(0, two.close());
}

} // namespace
