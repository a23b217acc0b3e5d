/*
 * The CD player in the real program: with no drive (as on these machines) command 148 and
 * its button are greyed, and the panel opened from a script says "No CD"; with the scripted
 * drive standing in, the panel lists the disc, plays from its button, follows the position,
 * and a track title typed in is kept in ZeloCD1.ini and shown again after a restart.
 */
#include "tbdriver.h"

#include <gtest/gtest.h>

namespace {

const int kCdPlayer = 148;

class Bare : public zd::ProgramDir {
public:
    explicit Bare(const std::string &name) : zd::ProgramDir(name, {"zelo.exe", "wave.flt"}) {}
};

/* A child of the main window by class and id. */
HWND child(zd::App &app, const char *cls, int id)
{
    for (HWND w = FindWindowExA(app.main(), NULL, cls, NULL); w; w = FindWindowExA(app.main(), w, cls, NULL))
        if (GetDlgCtrlID(w) == id)
            return w;
    return NULL;
}

HWND panel(zd::App &app) { return FindWindowExA(app.main(), NULL, "ZeloCDPanel", NULL); }

tb::Button cdButton(zd::App &app, int id)
{
    for (auto &b : tb::buttonsOf(panel(app)))
        if (b.id == id)
            return b;
    return tb::Button{NULL, 0, {}, false};
}

template <class F> bool waitFor(F ok, int timeoutMs = 6000)
{
    for (int t = 0; t < timeoutMs; t += 100) {
        if (ok())
            return true;
        Sleep(100);
    }
    return false;
}

bool waitText(HWND w, const std::string &want, int timeoutMs = 6000)
{
    for (int t = 0; t < timeoutMs; t += 100) {
        if (zd::windowText(w) == want)
            return true;
        Sleep(100);
    }
    return false;
}

std::vector<std::string> lines(HWND list)
{
    std::vector<std::string> out;   /* read as Unicode: the ANSI reply does not cross processes */
    int n = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        wchar_t buf[64] = L"";
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < 64)
            SendMessageW(list, LB_GETTEXT, i, (LPARAM)buf);
        char a[128] = "";
        WideCharToMultiByte(CP_ACP, 0, buf, -1, a, sizeof a, NULL, NULL);
        out.push_back(a);
    }
    return out;
}

struct StandIn {
    StandIn() { SetEnvironmentVariableA("ZELO_CD_STANDIN", "1"); }
    ~StandIn() { SetEnvironmentVariableA("ZELO_CD_STANDIN", NULL); }
};

}  // namespace

/* 1. No drive: greyed in the menu and on the toolbar; opened from a script, the panel says
   so, every button but Eject is off, and the waveform makes room for the band and gets it
   back when the panel closes. */
TEST(CdPlayer, NoDriveGreyedAndThePanelSaysSo)
{
    Bare bin("cd-nodrive");
    zd::App app;
    ASSERT_TRUE(app.start());
    EXPECT_TRUE(zd::menuGrayed(app, kCdPlayer));
    app.idle(300);
    Sleep(400);
    bool found = false;
    for (auto &b : tb::buttons(app))
        if (b.id == kCdPlayer) {
            found = true;
            EXPECT_FALSE(IsWindowEnabled(b.hwnd));
        }
    EXPECT_TRUE(found);
    app.command(kCdPlayer);
    app.idle(500);
    HWND title = child(app, "Edit", 141);
    ASSERT_TRUE(title);
    ASSERT_TRUE(waitText(title, "No CD"));
    EXPECT_TRUE(IsWindowVisible(title));
    EXPECT_FALSE(IsWindowEnabled(title));
    EXPECT_EQ(" 00:00", zd::windowText(child(app, "Static", 150)));
    EXPECT_EQ(0, SendMessageA(child(app, "ListBox", 150), LB_GETCOUNT, 0, 0));
    auto bs = tb::buttonsOf(panel(app));
    ASSERT_EQ(7u, bs.size());
    for (auto &b : bs)
        EXPECT_EQ(b.id == 142, b.enabled) << "button " << b.id;
    RECT panelRect;
    GetWindowRect(panel(app), &panelRect);
    app.idle(300);
    Sleep(300);   /* the repaint of the changed pictures */
    zd::screenshot("cd-panel-nodrive");
    app.command(kCdPlayer);
    EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(title); }));
    EXPECT_FALSE(IsWindowVisible(panel(app)));
    EXPECT_EQ(0, app.close());
}

/* 2. The scripted drive: the toolbar's CD button opens the panel with the disc's tracks and
   its length as title, Play plays track 1 and the time moves, a track title typed in is
   stored under the disc id and shown again after a restart. */
TEST(CdPlayer, StandInDiscPlaysAndKeepsTitles)
{
    Bare bin("cd-standin");
    StandIn standIn;
    std::string settings = zd::freshDir("cd-standin-settings");
    std::string discId;
    {
        zd::App app;
        ASSERT_TRUE(app.start("", settings));
        EXPECT_FALSE(zd::menuGrayed(app, kCdPlayer));
        app.idle(300);
        Sleep(400);
        HWND cdButtonOnRow = NULL;
        for (auto &b : tb::buttons(app))
            if (b.id == kCdPlayer)
                cdButtonOnRow = b.hwnd;
        ASSERT_TRUE(cdButtonOnRow);
        ASSERT_TRUE(IsWindowEnabled(cdButtonOnRow));
        tb::click(app, cdButtonOnRow);
        HWND title = child(app, "Edit", 141);
        ASSERT_TRUE(waitText(title, "10:25:00 length CD"));
        EXPECT_TRUE(IsWindowEnabled(title));
        HWND list = child(app, "ListBox", 150);
        EXPECT_EQ((std::vector<std::string>{" 1", " 2", " 3"}), lines(list));
        tb::Button play = cdButton(app, 149);
        ASSERT_TRUE(play.hwnd);
        EXPECT_TRUE(play.enabled);
        EXPECT_FALSE(cdButton(app, 143).enabled) << "stopped: Stop is off";
        for (int attempt = 0; attempt < 2 && !IsWindowEnabled(cdButton(app, 143).hwnd); attempt++) {
            tb::click(app, play.hwnd);   /* a click lost while activation settles is made again */
            waitFor([&] { return IsWindowEnabled(cdButton(app, 143).hwnd) != 0; }, 2000);
        }
        HWND time = child(app, "Static", 150);
        bool moved = false;
        for (int t = 0; t < 60 && !moved; t++) {
            std::string s = zd::windowText(time);
            moved = s != " 00:00" && s.size() == 6;
            Sleep(100);
        }
        EXPECT_TRUE(moved) << zd::windowText(time);
        EXPECT_TRUE(waitFor([&] { return SendMessageA(list, LB_GETCURSEL, 0, 0) == 0; })) << "track 1 is selected";
        EXPECT_TRUE(cdButton(app, 143).enabled);
        zd::screenshot("cd-panel-playing");

        /* Name track 1: the field's text is stored when it loses the focus. */
        SendMessageA(title, WM_SETTEXT, 0, (LPARAM)"Opening Number");
        app.post(WM_COMMAND, MAKEWPARAM(141, EN_KILLFOCUS), (LPARAM)title);
        std::string db = settings + "\\ZeloCD1.ini";
        EXPECT_EQ("134", zd::readIni(db, "Zelo Edit", "Version"));
        /* The disc id: track starts 0:02:00, 3:22:00, 6:27:00 summed as m * 65536 + s * 256 + f. */
        discId = std::to_string(2 * 256 + 3 * 65536 + 22 * 256 + 6 * 65536 + 27 * 256);
        EXPECT_EQ("10:25:00 length CD", zd::readIni(db, discId.c_str(), "DiscTitle"));
        EXPECT_TRUE(waitFor([&] { return zd::readIni(db, discId.c_str(), "Track1") == "Opening Number"; }))
            << zd::readIni(db, discId.c_str(), "Track1");
        EXPECT_EQ("*", zd::readIni(db, discId.c_str(), "Track3"));
        EXPECT_EQ(0, app.close());
    }
    zd::App app;
    ASSERT_TRUE(app.start("", settings));
    app.command(kCdPlayer);
    HWND title = child(app, "Edit", 141);
    ASSERT_TRUE(waitText(title, "10:25:00 length CD"));
    SendMessageA(child(app, "ListBox", 150), LB_SETCURSEL, 0, 0);
    app.post(WM_COMMAND, MAKEWPARAM(150, LBN_SELCHANGE), (LPARAM)child(app, "ListBox", 150));
    EXPECT_TRUE(waitText(title, "Opening Number")) << zd::windowText(title);
    EXPECT_EQ(0, app.close());
}
