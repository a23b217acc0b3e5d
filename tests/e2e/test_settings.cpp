/*
 * The Settings dialog and the help window as a user meets them: values typed on the three
 * pages land in the settings files, clamped; a field without a number keeps the dialog
 * open; directories are checked; the colour chooser's colour and custom colours are kept;
 * the Help menu and the "?" buttons open the manual at the right topic.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const int kSettings = 5040, kNew = 1050, kHelpContents = 6050, kQuickRef = 6100, kFeatures = 101;
const int kTab = 3920, kHelpBtn = 3159, kQuestion = 222;
/* Display page */
const int kDots = 326, kMaxDisplay = 3124, kTimeCode = 3096, kResolution = 1015;
/* System page */
const int kBufSize = 304, kNumBuffers = 305, kTempDir = 3067, kUndoDir = 3068, kLevels = 3131, kUndo = 1002;
/* Colors page */
const int kWaveColor = 3125, kWaveSwatch = 3921, kReverse = 3036, kDefColors = 3088;
/* The colour chooser's red, green and blue fields. */
const int kRed = 706, kGreen = 707, kBlue = 708;

/* The page of the Settings dialog that holds the control. */
HWND pageWith(HWND dlg, int id)
{
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32];
        GetClassNameA(c, cls, sizeof cls);
        if (std::string(cls) == "#32770" && GetDlgItem(c, id))
            return c;
    }
    return nullptr;
}

/* Clicks along the tab row, as a user would, until the page holding the control shows. */
bool showPageWith(zd::App &app, HWND dlg, int id)
{
    HWND page = pageWith(dlg, id), tab = GetDlgItem(dlg, kTab);
    for (int x = 8; x < 300 && page && !IsWindowVisible(page); x += 12) {
        PostMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 8));
        PostMessageA(tab, WM_LBUTTONUP, 0, MAKELPARAM(x, 8));
        app.idle(50);
        Sleep(50);
    }
    return page && IsWindowVisible(page);
}

struct SettingsDialog {
    zd::App &app;
    HWND dlg;
    explicit SettingsDialog(zd::App &a) : app(a)
    {
        app.command(kSettings);
        dlg = app.waitWindow("Settings");
    }
    void set(int id, const std::string &text) { zd::setText(pageWith(dlg, id), id, text); }
    std::string get(int id) { return zd::getText(pageWith(dlg, id), id); }
    void check(int id, bool on) { zd::check(pageWith(dlg, id), id, on); }
    void press(int id) { zd::click(dlg, id); }
    bool closed(int ms = 5000)
    {
        for (int waited = 0; waited < ms; waited += 50) {
            if (!IsWindow(dlg))
                return true;
            Sleep(50);
        }
        return false;
    }
};

/* A settings folder without files: freshDir is named after the process id, which Wine
   hands out again, so a folder may hold a file from an earlier run. */
std::string cleanDir(const std::string &name)
{
    std::string dir = zd::freshDir(name);
    DeleteFileA((dir + "\\zelo.ini").c_str());
    DeleteFileA((dir + "\\win.ini").c_str());
    return dir;
}

/* A screenshot once the program has painted what it was asked to show. */
void shot(zd::App &app, const char *name)
{
    app.idle();
    Sleep(300);
    zd::screenshot(name);
}

std::string winIni(zd::App &app) { return app.settings() + "\\win.ini"; }
std::string zeloIni(zd::App &app) { return app.settings() + "\\zelo.ini"; }

TEST(SettingsDialogUse, ValuesAreClampedAndStoredOnOk)
{
    zd::App app;
    ASSERT_TRUE(app.start("", cleanDir("clamps")));
    {
        SettingsDialog s(app);
        ASSERT_NE(s.dlg, nullptr);
        /* The fields open with the defaults. */
        EXPECT_EQ("8", s.get(kNumBuffers));
        EXPECT_EQ("4", s.get(kBufSize));
        EXPECT_EQ("30", s.get(kTimeCode));
        s.set(kNumBuffers, "1");
        s.set(kBufSize, "25");
        s.set(kLevels, "40");
        s.set(kMaxDisplay, "40000");
        s.set(kResolution, "2");
        s.set(kTimeCode, "25");
        s.check(kUndo, false);
        s.check(kDots, true);
        s.check(kDots + 1, false);
        s.press(IDOK);
        ASSERT_TRUE(s.closed());
    }
    /* Written at OK, not only at exit. */
    EXPECT_EQ("2", zd::readIni(winIni(app), "Zelo Edit", "NumBuffers"));
    EXPECT_EQ("20", zd::readIni(winIni(app), "Zelo Edit", "BufferSize"));
    EXPECT_EQ("No", zd::readIni(winIni(app), "Zelo Edit", "Undo"));
    EXPECT_EQ("1", zd::readIni(winIni(app), "Zelo Edit", "ViewingMode"));
    EXPECT_EQ("4", zd::readIni(winIni(app), "Zelo Edit", "SpectrumResolution"));
    EXPECT_EQ("25", zd::readIni(winIni(app), "Zelo Edit", "TimeCodeFrames"));
    EXPECT_EQ("32", zd::readIni(zeloIni(app), "Settings", "UndoLevels"));
    EXPECT_EQ("30000", zd::readIni(zeloIni(app), "Settings", "MaxDisplayTime"));
    {
        /* Opened again, it shows the clamped values; the other end of the clamps. */
        SettingsDialog s(app);
        ASSERT_NE(s.dlg, nullptr);
        EXPECT_EQ("2", s.get(kNumBuffers));
        EXPECT_EQ("20", s.get(kBufSize));
        s.set(kNumBuffers, "100");
        s.set(kBufSize, "0.25");
        s.set(kLevels, "0");
        s.set(kMaxDisplay, "-5");
        s.set(kResolution, "99");
        s.press(IDOK);
        ASSERT_TRUE(s.closed());
    }
    EXPECT_EQ(0, app.close());
    EXPECT_EQ("32", zd::readIni(winIni(app), "Zelo Edit", "NumBuffers"));
    EXPECT_EQ("1", zd::readIni(winIni(app), "Zelo Edit", "BufferSize"));
    EXPECT_EQ("13", zd::readIni(winIni(app), "Zelo Edit", "SpectrumResolution"));
    EXPECT_EQ("1", zd::readIni(zeloIni(app), "Settings", "UndoLevels"));
    EXPECT_EQ("0", zd::readIni(zeloIni(app), "Settings", "MaxDisplayTime"));
}

TEST(SettingsDialogUse, AFieldWithoutANumberKeepsTheDialogAndTheSettings)
{
    zd::App app;
    ASSERT_TRUE(app.start("", cleanDir("notanumber")));
    SettingsDialog s(app);
    ASSERT_NE(s.dlg, nullptr);
    s.set(kLevels, "12");
    s.set(kNumBuffers, "many");
    s.press(IDOK);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box));
    EXPECT_EQ("Sorry", box.caption);
    EXPECT_EQ("Please enter a number for number of buffers.", box.text);
    zd::click(box.hwnd, IDOK);
    app.idle();
    EXPECT_TRUE(IsWindow(s.dlg));
    /* Nothing was taken, not even the valid field before it. */
    EXPECT_EQ("", zd::readIni(zeloIni(app), "Settings", "UndoLevels", ""));
    s.press(IDCANCEL);
    ASSERT_TRUE(s.closed());
    EXPECT_EQ(0, app.close());
    EXPECT_EQ("5", zd::readIni(zeloIni(app), "Settings", "UndoLevels"));
    EXPECT_EQ("8", zd::readIni(winIni(app), "Zelo Edit", "NumBuffers"));
}

TEST(SettingsDialogUse, DirectoriesMustExistAndTakeEffectAtTheNextStart)
{
    zd::App app;
    ASSERT_TRUE(app.start("", cleanDir("directories")));
    std::string before = zd::readIni(zeloIni(app), "Size", "TempOverride");
    std::string missing = "C:\\no-such-folder-for-zelo";
    {
        SettingsDialog s(app);
        ASSERT_NE(s.dlg, nullptr);
        EXPECT_EQ(before, s.get(kTempDir));
        s.set(kTempDir, missing);
        s.press(IDOK);
        zd::MsgBox box;
        ASSERT_TRUE(app.waitMessageBox(&box));
        EXPECT_EQ(missing, box.caption);
        EXPECT_EQ("Temporary Directory Invalid", box.text);
        zd::click(box.hwnd, IDOK);
        ASSERT_TRUE(s.closed());
    }
    EXPECT_EQ(before, zd::readIni(zeloIni(app), "Size", "TempOverride"));

    std::string fresh = zd::freshDir("newtemp"), undo = zd::freshDir("newundo");
    {
        SettingsDialog s(app);
        ASSERT_NE(s.dlg, nullptr);
        s.set(kTempDir, fresh);
        s.set(kUndoDir, undo);
        s.press(IDOK);
        zd::MsgBox box;
        ASSERT_TRUE(app.waitMessageBox(&box));
        EXPECT_EQ("Attention", box.caption);
        EXPECT_EQ("You must re-start Zelo Edit for temporary directory changes to take effect", box.text);
        zd::click(box.hwnd, IDOK);
        Sleep(200);
        ASSERT_TRUE(app.waitMessageBox(&box));
        EXPECT_EQ("You must re-start Zelo Edit for undo temporary directory changes to take effect", box.text);
        zd::click(box.hwnd, IDOK);
        ASSERT_TRUE(s.closed());
    }
    EXPECT_EQ(fresh, zd::readIni(zeloIni(app), "Size", "TempOverride"));
    EXPECT_EQ(undo, zd::readIni(zeloIni(app), "Settings", "UndoTempDir"));
    EXPECT_EQ(0, app.close());
}

TEST(SettingsDialogUse, ColourChooserAndDefaultColors)
{
    std::string dir = cleanDir("colours");
    zd::writeIni(dir + "\\zelo.ini", "Colors", "Custom3", "12345");
    zd::writeIni(dir + "\\zelo.ini", "Colors", "SpectralLow", "1,2,3");
    zd::writeIni(dir + "\\zelo.ini", "Colors", "SpectralReverse", "0");
    zd::App app;
    ASSERT_TRUE(app.start("", dir));
    SettingsDialog s(app);
    ASSERT_NE(s.dlg, nullptr);
    ASSERT_TRUE(showPageWith(app, s.dlg, kWaveColor));
    HWND colors = pageWith(s.dlg, kWaveColor);
    EXPECT_FALSE(zd::getText(colors, kReverse).empty());
    EXPECT_EQ(BST_UNCHECKED, (int)SendMessageA(GetDlgItem(colors, kReverse), BM_GETCHECK, 0, 0));
    shot(app, "settings-colors");

    zd::click(colors, kWaveColor);
    HWND chooser = app.waitWindow("Color");
    ASSERT_NE(chooser, nullptr);
    shot(app, "settings-colour-chooser");
    zd::setText(chooser, kRed, "255");
    zd::setText(chooser, kGreen, "0");
    zd::setText(chooser, kBlue, "0");
    zd::click(chooser, IDOK);
    for (int i = 0; i < 100 && IsWindow(chooser); i++)
        Sleep(50);
    app.idle();
    /* The custom colours were read before and written after the chooser. */
    EXPECT_EQ("12345", zd::readIni(dir + "\\zelo.ini", "Colors", "Custom3"));
    EXPECT_EQ("16777215", zd::readIni(dir + "\\zelo.ini", "Colors", "Custom0"));
    EXPECT_EQ("16777215", zd::readIni(dir + "\\zelo.ini", "Colors", "Custom15"));
    /* The swatch shows the new colour. */
    int w = 0, h = 0;
    std::vector<unsigned> px;
    ASSERT_TRUE(zd::grabClient(GetDlgItem(colors, kWaveSwatch), &w, &h, &px));
    ASSERT_GT(w * h, 0);
    EXPECT_EQ(0xFF0000u, px[(size_t)(h / 2) * w + w / 2] & 0xFFFFFFu);
    s.press(IDOK);
    ASSERT_TRUE(s.closed());
    EXPECT_EQ("255,0,0", zd::readIni(dir + "\\zelo.ini", "Colors", "Waveform"));
    EXPECT_EQ("1,2,3", zd::readIni(dir + "\\zelo.ini", "Colors", "SpectralLow"));

    /* Default Colors puts all three back and checks the direction. */
    SettingsDialog t(app);
    ASSERT_NE(t.dlg, nullptr);
    zd::click(pageWith(t.dlg, kDefColors), kDefColors);
    app.idle();
    t.press(IDOK);
    ASSERT_TRUE(t.closed());
    EXPECT_EQ("0,255,0", zd::readIni(dir + "\\zelo.ini", "Colors", "Waveform"));
    EXPECT_EQ("0,32,32", zd::readIni(dir + "\\zelo.ini", "Colors", "SpectralLow"));
    EXPECT_EQ("1", zd::readIni(dir + "\\zelo.ini", "Colors", "SpectralReverse"));
    EXPECT_EQ(0, app.close());
}

TEST(SettingsDialogUse, ANewWaveformColourShowsAtOnce)
{
    std::string dir = cleanDir("recolour");
    std::string wav = dir + "\\square.wav";
    std::vector<unsigned char> d;
    for (int i = 0; i < 4000; i++)
        d.push_back((i / 50) % 2 ? 255 : 0);
    ASSERT_TRUE(zd::writeWave(wav, 8000, 8, 1, d));
    zd::App app;
    ASSERT_TRUE(app.start("", dir));
    ASSERT_TRUE(app.dropFiles({wav}));
    for (int t = 0; t < 5000 && app.title() != "square.wav - Zelo Edit"; t += 50)
        Sleep(50);
    auto count = [&](unsigned colour) {
        int w = 0, h = 0;
        std::vector<unsigned> px;
        EXPECT_TRUE(zd::grabClient(app.main(), &w, &h, &px));
        int n = 0;
        for (size_t i = (size_t)w * 28; i < px.size(); i++)   /* below the toolbar's pictures */
            n += (px[i] & 0xFFFFFFu) == colour;
        return n;
    };
    Sleep(300);
    EXPECT_GT(count(0x00FF00u), 1000);
    SettingsDialog s(app);
    ASSERT_NE(s.dlg, nullptr);
    ASSERT_TRUE(showPageWith(app, s.dlg, kWaveColor));
    zd::click(pageWith(s.dlg, kWaveColor), kWaveColor);
    HWND chooser = app.waitWindow("Color");
    ASSERT_NE(chooser, nullptr);
    zd::setText(chooser, kRed, "255");
    zd::setText(chooser, kGreen, "0");
    zd::setText(chooser, kBlue, "0");
    zd::click(chooser, IDOK);
    for (int i = 0; i < 100 && IsWindow(chooser); i++)
        Sleep(50);
    s.press(IDOK);
    ASSERT_TRUE(s.closed());
    /* The repaint may come in more than one piece on a busy machine: wait for all of it. */
    int red = 0, green = 0;
    for (int t = 0; t < 5000 && ((red = count(0xFF0000u)) < 1000 || (green = count(0x00FF00u)) >= 100); t += 100)
        Sleep(100);
    EXPECT_GT(red, 1000);
    EXPECT_LT(count(0x00FF00u), 100);
    EXPECT_EQ(0, app.close());
}

TEST(SettingsDialogUse, EveryPageFitsItsTab)
{
    zd::App app;
    ASSERT_TRUE(app.start("", cleanDir("pages")));
    SettingsDialog s(app);
    ASSERT_NE(s.dlg, nullptr);
    RECT tab;
    GetWindowRect(GetDlgItem(s.dlg, kTab), &tab);
    const int probe[] = {kDots, kNumBuffers, kWaveColor};
    const char *names[] = {"settings-display", "settings-system", "settings-colors-page"};
    for (int i = 0; i < 3; i++) {
        ASSERT_TRUE(showPageWith(app, s.dlg, probe[i])) << names[i];
        HWND page = pageWith(s.dlg, probe[i]);
        RECT pr;
        GetWindowRect(page, &pr);
        for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            RECT r, x;
            GetWindowRect(c, &r);
            EXPECT_TRUE(IntersectRect(&x, &r, &pr) && EqualRect(&x, &r)) << names[i] << ": " << zd::windowText(c);
            EXPECT_TRUE(IntersectRect(&x, &r, &tab) && EqualRect(&x, &r)) << names[i] << ": " << zd::windowText(c);
        }
        shot(app, names[i]);
    }
    s.press(IDCANCEL);
    ASSERT_TRUE(s.closed());
    EXPECT_EQ(0, app.close());
}

TEST(Help, MenuAndQuestionButtonsOpenTheManualAtTheirTopics)
{
    zd::App app;
    ASSERT_TRUE(app.start("", cleanDir("help")));
    app.command(kHelpContents);
    HWND help = app.waitWindow("Zelo Edit Help - Contents", 5000, false);
    ASSERT_NE(help, nullptr);
    shot(app, "help-contents");
    app.command(kQuickRef);
    EXPECT_EQ(help, app.waitWindow("Zelo Edit Help - Console Controls", 5000, false));
    shot(app, "help-quick-reference");
    app.command(kFeatures);
    EXPECT_EQ(help, app.waitWindow("Zelo Edit Help - Features", 5000, false));

    /* The Find field jumps to the first topic or keyword that begins with the text. */
    zd::setText(help, 100, "paste sp");
    EXPECT_NE(nullptr, app.waitWindow("Zelo Edit Help - Paste Special", 3000, false));
    /* The text shown is the topic's own. */
    std::string shown = zd::getText(help, 102);
    EXPECT_EQ(0u, shown.find("Paste Special\r\n\r\n"));
    EXPECT_NE(std::string::npos, shown.find("Paste Special pastes"));

    {
        SettingsDialog s(app);
        ASSERT_NE(s.dlg, nullptr);
        s.press(kHelpBtn);
        EXPECT_EQ(help, app.waitWindow("Zelo Edit Help - Settings", 5000, false));
        s.press(IDCANCEL);
        ASSERT_TRUE(s.closed());
    }
    app.command(kNew);
    HWND nw = app.waitWindow("New Waveform");
    ASSERT_NE(nw, nullptr);
    shot(app, "new-waveform");
    zd::click(nw, kQuestion);
    EXPECT_EQ(help, app.waitWindow("Zelo Edit Help - New Waveform", 5000, false));
    shot(app, "help-new-waveform");
    zd::click(nw, IDCANCEL);
    for (int i = 0; i < 100 && IsWindow(nw); i++)
        Sleep(50);

    /* Closing the help window leaves the program running; the program closes cleanly
       with the help window open too. */
    PostMessageA(help, WM_CLOSE, 0, 0);
    for (int i = 0; i < 100 && IsWindow(help); i++)
        Sleep(50);
    EXPECT_FALSE(IsWindow(help));
    EXPECT_TRUE(app.running());
    /* The Help button of a common file dialog sends "commdlg_help" to the main window;
       with no file dialog up it opens the contents. */
    app.post(RegisterWindowMessageA("commdlg_help"));
    EXPECT_NE(nullptr, app.waitWindow("Zelo Edit Help - Contents", 5000, false));
    EXPECT_EQ(0, app.close());
}

} // namespace
