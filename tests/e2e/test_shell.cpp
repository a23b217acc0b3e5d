/*
 * The program as a user first meets it: it starts, shows its main window with the
 * transport buttons in the right state, remembers its size and place, lets a second copy
 * run beside it without disturbing the first one's settings, and exits cleanly.
 */
#include "zdriver.h"
#include "core/version.h"

#include <gtest/gtest.h>

namespace {

const int kPlay = 199, kPause = 192, kStop = 198, kRecord = 194, kZoomIn = 197, kFullView = 195;

TEST(Shell, StartsShowsMainWindowAndExitsCleanly)
{
    zd::App app;
    ASSERT_TRUE(app.start());
    EXPECT_EQ("Zelo Edit " ZELO_VERSION, app.title());   /* the version until a wave is opened */
    /* No wave yet: only Record can be pressed. */
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kPlay)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kPause)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kStop)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kZoomIn)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kFullView)));
    /* No wave yet: only Record can be pressed. */
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(app.main(), kRecord)));
    zd::screenshot("shell-start");
    EXPECT_EQ(0, app.close());
}

TEST(Shell, NothingOverlapsAtDefaultSize)
{
    zd::App app;
    ASSERT_TRUE(app.start());
    RECT client;
    GetClientRect(app.main(), &client);
    std::vector<RECT> rects;
    for (HWND c = GetWindow(app.main(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c))
            continue;
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(NULL, app.main(), (POINT *)&r, 2);
        if (r.right <= r.left || r.bottom <= r.top)
            continue;
        EXPECT_GE(r.left, 0);
        EXPECT_LE(r.right, client.right) << zd::windowText(c);
        EXPECT_LE(r.bottom, client.bottom) << zd::windowText(c);
        rects.push_back(r);
    }
    for (size_t i = 0; i < rects.size(); i++)
        for (size_t j = i + 1; j < rects.size(); j++) {
            RECT x;
            EXPECT_FALSE(IntersectRect(&x, &rects[i], &rects[j])) << "children " << i << " and " << j << " overlap";
        }
    EXPECT_EQ(0, app.close());
}

TEST(Shell, ResizeIsRememberedAndSecondCopyLeavesPlaceAlone)
{
    std::string settings = zd::freshDir("place");
    std::string ini = settings + "\\zelo.ini";
    zd::writeIni(ini, "Size", "XLoc", "40");
    zd::writeIni(ini, "Size", "YLoc", "30");
    zd::App first;
    ASSERT_TRUE(first.start("", settings));
    RECT r;
    GetWindowRect(first.main(), &r);
    EXPECT_EQ(40, r.left);
    EXPECT_EQ(30, r.top);

    zd::App second;
    ASSERT_TRUE(second.start("", settings));
    SetWindowPos(second.main(), NULL, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    second.idle();
    EXPECT_EQ(0, second.close());
    /* The second copy closed while the first runs: the first one's place stays. */
    EXPECT_EQ("40", zd::readIni(ini, "Size", "XLoc"));
    EXPECT_EQ("30", zd::readIni(ini, "Size", "YLoc"));

    SetWindowPos(first.main(), NULL, 0, 0, 700, 420, SWP_NOMOVE | SWP_NOZORDER);
    first.idle();
    RECT client;
    GetClientRect(first.main(), &client);
    EXPECT_EQ(std::to_string(client.right), zd::readIni(ini, "Size", "X"));
    SetWindowPos(first.main(), NULL, 60, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    first.idle();
    EXPECT_EQ(0, first.close());
    EXPECT_EQ("60", zd::readIni(ini, "Size", "XLoc"));
    EXPECT_EQ("50", zd::readIni(ini, "Size", "YLoc"));
}

TEST(Shell, MissingTempFolderFallsBackToItsDriveRoot)
{
    std::string settings = zd::freshDir("tempfix");
    std::string ini = settings + "\\zelo.ini";
    zd::writeIni(ini, "Size", "TempOverride", (settings + "\\no such folder").c_str());
    zd::App app;
    ASSERT_TRUE(app.start("", settings));
    /* The repaired value, the drive's root, is written back at start-up. */
    std::string drive = settings.substr(0, 2);
    for (auto &c : drive)
        c = (char)toupper((unsigned char)c);
    EXPECT_EQ(drive + "\\", zd::readIni(ini, "Size", "TempOverride"));
    /* New works with the store on that drive. */
    app.command(1050);
    HWND dlg = app.waitWindow("New Waveform");
    ASSERT_TRUE(dlg);
    zd::click(dlg, IDOK);
    app.idle(300);
    EXPECT_EQ("Untitled - Zelo Edit", app.title());
    EXPECT_EQ(0, app.close());
}

} // namespace
