/*
 * The main window's user-interface faults as a user meets them: keys typed into the help
 * viewer, the window's height across starts, the play cursor over the ruler and the range
 * bar, Esc and Ctrl+S, commands that are not built yet, the dialogs' "?" buttons, the device
 * lines at the default size, and Play without a playback device.
 *
 * Geometry as in test_view.cpp: the waveform area sits 3 pixels in from the client's sides,
 * 30 pixels from its top and 81 above its bottom; the range bar's rows are 17 to 22 below it.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

namespace {

using zd::waitTitle;

const int kPlay = 199, kLoop = 5010, kSelectAll = 115, kSamples = 353, kHelpContents = 6050;
const int kViewRange = 3147, kSelectDevice = 1222, kCopy = 2050;
typedef std::vector<unsigned char> Bytes;

const int kMusic = 3150;

std::string waveFile(const std::string &dir, const char *name, unsigned rate, int bits, int channels,
                     const Bytes &data)
{
    std::string path = dir + "\\" + name;
    EXPECT_TRUE(zd::writeWave(path, rate, bits, channels, data));
    return path;
}

/* A visible child (at any depth) of the main window whose text satisfies pred. */
struct FindCtx {
    bool (*pred)(const std::string &);
    HWND found;
};

BOOL CALLBACK findProc(HWND w, LPARAM l)
{
    FindCtx *c = (FindCtx *)l;
    if (IsWindowVisible(w) && c->pred(zd::windowText(w))) {
        c->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND findChild(HWND parent, bool (*pred)(const std::string &))
{
    FindCtx c = {pred, nullptr};
    EnumChildWindows(parent, findProc, (LPARAM)&c);
    return c.found;
}

bool endsWith(const std::string &s, const char *tail)
{
    size_t n = strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

std::string samplesField(zd::App &app)
{
    HWND w = findChild(app.main(), [](const std::string &t) { return endsWith(t, " Samples"); });
    return w ? zd::windowText(w) : "<missing>";
}

std::string fieldStarting(zd::App &app, const char *head)
{
    static std::string want;
    want = head;
    HWND w = findChild(app.main(), [](const std::string &t) { return t.rfind(want, 0) == 0; });
    return w ? zd::windowText(w) : "<missing>";
}

bool waitFor(std::string (*read)(zd::App &), zd::App &app, const std::string &want, int timeoutMs = 3000)
{
    for (int t = 0; t < timeoutMs; t += 20) {
        if (read(app) == want)
            return true;
        Sleep(20);
    }
    return false;
}

bool grayed(zd::App &app, int id)
{
    UINT query = RegisterWindowMessageA("ZeloMenuState");
    UINT s = (UINT)app.send(query, (WPARAM)id, 0);
    EXPECT_NE(0xFFFFFFFFu, s) << "no menu item " << id;
    return (s & (MF_GRAYED | MF_DISABLED)) != 0;
}

/* Keys as a user types them into the window that has the focus: vk with the modifiers
   held (VK_CONTROL, VK_SHIFT, VK_MENU). */
void press(HWND foreground, std::initializer_list<WORD> mods, WORD vk)
{
    /* The keys go to the foreground window: wait until it is the one asked for. */
    for (int t = 0; t < 3000 && GetForegroundWindow() != foreground; t += 50) {
        SetForegroundWindow(foreground);
        Sleep(50);
    }
    EXPECT_EQ(foreground, GetForegroundWindow());
    Sleep(100);
    std::vector<INPUT> in;
    auto key = [&](WORD k, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    for (WORD m : mods)
        key(m, false);
    key(vk, false);
    key(vk, true);
    for (WORD m : mods)
        key(m, true);
    SendInput((UINT)in.size(), in.data(), sizeof(INPUT));
    Sleep(200);
}

/* The program's help viewer, once it shows the given title. */
HWND waitHelp(zd::App &app, const std::string &title, int timeoutMs = 5000)
{
    for (int t = 0; t < timeoutMs; t += 50) {
        for (HWND w = FindWindowA("ZeloHelp", NULL); w; w = FindWindowExA(NULL, w, "ZeloHelp", NULL)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == app.pid() && zd::windowText(w) == title)
                return w;
        }
        Sleep(50);
    }
    return nullptr;
}

/* ---- 1. The keyboard belongs to the window that has it ---- */

/* Ctrl+V, Ctrl+Z and Delete typed into the help viewer's Find field stay there; the same
   Ctrl+V in the main window still pastes. */
TEST(UiKeys, TypingInTheHelpViewerLeavesTheWaveAlone)
{
    std::string dir = zd::freshDir("ui-keys");
    std::string in = waveFile(dir, "keys.wav", 11025, 8, 1, Bytes(5000, 100));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(waitTitle(app, "keys.wav - Zelo Edit")) << app.title();
    zd::settle(app);
    /* The whole wave on the clipboard, then a plain click: the caret at the start. */
    app.command(kSelectAll);
    app.command(kCopy);
    app.idle();
    app.post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 60));
    app.post(WM_LBUTTONUP, 0, MAKELPARAM(3, 60));
    app.idle(300);
    ASSERT_EQ(" 5000 Samples", samplesField(app));

    app.command(kHelpContents);
    HWND help = waitHelp(app, "Zelo Edit Help");
    if (!help)
        help = FindWindowA("ZeloHelp", NULL);
    ASSERT_TRUE(help);
    press(help, {VK_CONTROL}, 'V');
    zd::settle(app);
    EXPECT_EQ(" 5000 Samples", samplesField(app)) << "Ctrl+V in the help viewer pasted into the wave";
    press(help, {VK_CONTROL}, 'Z');
    press(help, {}, VK_DELETE);
    app.idle(300);
    EXPECT_EQ(" 5000 Samples", samplesField(app));
    EXPECT_EQ("keys.wav - Zelo Edit", app.title());

    /* The main window's own keys still work. */
    PostMessageA(help, WM_CLOSE, 0, 0);
    zd::waitGone(help);
    press(app.main(), {VK_CONTROL}, 'V');
    EXPECT_TRUE(waitFor(samplesField, app, " 10000 Samples")) << samplesField(app);
    zd::settle(app);
    /* Closing asks about the changed wave: No. */
    zd::MsgBox box;
    app.post(WM_CLOSE);
    if (app.waitMessageBox(&box, 3000))
        PostMessageA(box.hwnd, WM_COMMAND, IDNO, 0);
    EXPECT_EQ(0, app.waitExit());
}

/* Esc drops the selection (the caret at the view start) and Ctrl+S selects the view. */
TEST(UiKeys, EscDeselectsAndCtrlSSelectsTheView)
{
    std::string dir = zd::freshDir("ui-esc");
    std::string in = waveFile(dir, "esc.wav", 8000, 16, 1, Bytes(2 * 6000, 3));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(waitTitle(app, "esc.wav - Zelo Edit")) << app.title();
    zd::settle(app);
    app.command(kSamples);
    app.idle();
    ASSERT_EQ(" End:", fieldStarting(app, " End:"));

    press(app.main(), {VK_CONTROL}, 'S');
    app.idle();
    EXPECT_EQ(" Beg: 0", fieldStarting(app, " Beg:"));
    EXPECT_EQ(" End: 5999", fieldStarting(app, " End:"));
    EXPECT_EQ(" Time: 6000", fieldStarting(app, " Time:"));

    press(app.main(), {}, VK_ESCAPE);
    app.idle();
    EXPECT_EQ(" End:", fieldStarting(app, " End:"));
    EXPECT_EQ(" Beg: 0", fieldStarting(app, " Beg:"));
    EXPECT_EQ(0, app.close());
}

/* ---- 2. Menu items that would do nothing are grey ---- */

/* With a wave, a selection and a wave on the clipboard, every rule enables these, and
   each one does something: no live menu item is a dead end. */
TEST(UiMenus, CommandsTheRulesAllowAreLiveAndWork)
{
    std::string dir = zd::freshDir("ui-notbuilt");
    std::string in = waveFile(dir, "grey.wav", 11025, 16, 2, Bytes(8000, 9));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(waitTitle(app, "grey.wav - Zelo Edit")) << app.title();
    zd::settle(app);
    app.command(kSelectAll);
    app.command(kCopy);
    app.idle(300);
    for (int id : {kViewRange, kSelectDevice, 5030 /* Monitor VU Level */, 3080 /* Reverse */, 120 /* Convert */,
                   5040 /* Settings */, 2211 /* Spectral View */,
                   5060 /* Frequency Analysis */, kMusic})
        EXPECT_FALSE(grayed(app, id)) << "command " << id;
    /* Music opens its window. */
    app.command(kMusic);
    HWND music = app.waitWindow("Music");
    EXPECT_TRUE(music) << "Music is live but opened nothing";
    if (music) {
        PostMessageA(music, WM_CLOSE, 0, 0);
        EXPECT_TRUE(zd::waitGone(music));
    }
    EXPECT_EQ(0, app.close());
}

/* ---- 3. The "?" buttons open the program's own help ---- */

TEST(UiHelp, ViewingRangeAndSelectWaveDeviceHelpButtons)
{
    std::string dir = zd::freshDir("ui-help");
    std::string in = waveFile(dir, "help.wav", 11025, 8, 1, Bytes(3000, 128));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(waitTitle(app, "help.wav - Zelo Edit")) << app.title();
    zd::settle(app);

    app.command(kViewRange);
    HWND dlg = app.waitWindow("Viewing Range");
    ASSERT_TRUE(dlg);
    zd::click(dlg, 222);
    HWND help = waitHelp(app, "Zelo Edit Help - Viewing");
    EXPECT_TRUE(help) << "the Viewing Range \"?\" opened no help";
    zd::click(dlg, IDCANCEL);
    zd::waitGone(dlg);
    if (help) {
        PostMessageA(help, WM_CLOSE, 0, 0);
        zd::waitGone(help);
    }

    app.command(kSelectDevice);
    dlg = app.waitWindow("Select Wave Device");
    ASSERT_TRUE(dlg);
    zd::click(dlg, 222);
    help = waitHelp(app, "Zelo Edit Help - Select Wave Device");
    EXPECT_TRUE(help) << "the Select Wave Device \"?\" did not open the program's help";
    zd::click(dlg, IDCANCEL);
    zd::waitGone(dlg);
    if (help)
        PostMessageA(help, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, app.close());
}

/* ALSA's default pcm made a null device for the programs this test starts (test_play.cpp
   tells how the configuration reaches them). */
struct AlsaNull {
    bool ok = false;
    explicit AlsaNull(const std::string &dir)
    {
        std::string conf = "Z:" ZELO_ALSA_TEST_CONF;
        for (char &c : conf)
            if (c == '/')
                c = '\\';
        FILE *f = fopen(conf.c_str(), "w");
        if (!f)
            return;
        (void)dir;
        fprintf(f, "pcm.!default {\n  type null\n}\n");
        fclose(f);
        char env[8];
        ok = GetEnvironmentVariableA("ALSA_CONFIG_PATH", env, sizeof env) > 0;
    }
};

/* ---- 4. The window's size and layout ---- */

TEST(UiWindow, HeightSurvivesRestarts)
{
    std::string settings = zd::freshDir("ui-size");
    zd::writeIni(settings + "\\zelo.ini", "Size", "X", "600");
    zd::writeIni(settings + "\\zelo.ini", "Size", "Y", "330");
    RECT first{};
    for (int run = 0; run < 3; run++) {
        zd::App app;
        ASSERT_TRUE(app.start("", settings));
        RECT rc;
        GetClientRect(app.main(), &rc);
        if (run == 0)
            first = rc;
        EXPECT_EQ(first.bottom, rc.bottom) << "start " << run + 1;
        EXPECT_EQ(first.right, rc.right) << "start " << run + 1;
        EXPECT_EQ(0, app.close());
    }
    EXPECT_EQ(std::to_string(first.bottom), zd::readIni(settings + "\\zelo.ini", "Size", "Y"));
}

/* The device's name and capabilities each sit on one line, wide enough for their text, and
   inside the window, at the default size and at 640 x 400. */
TEST(UiWindow, DeviceLinesAreWholeAtTheDefaultSize)
{
    AlsaNull alsa(zd::freshDir("ui-layout"));
    ASSERT_TRUE(alsa.ok) << "ALSA_CONFIG_PATH must name " ZELO_ALSA_BASE_CONF;
    HDC dc = GetDC(NULL);
    HFONT font = CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    HGDIOBJ old = SelectObject(dc, font);
    for (int size = 0; size < 2; size++) {
        std::string settings = zd::freshDir("ui-layout");
        if (size == 1) {
            zd::writeIni(settings + "\\zelo.ini", "Size", "X", "640");
            zd::writeIni(settings + "\\zelo.ini", "Size", "Y", "400");
        }
        zd::App app;
        ASSERT_TRUE(app.start("", settings));
        RECT client;
        GetClientRect(app.main(), &client);
        HWND name = findChild(app.main(), [](const std::string &t) { return endsWith(t, " Installed"); });
        HWND caps = findChild(app.main(), [](const std::string &t) {
            return t.rfind(" Stereo ", 0) == 0 || t.rfind(" Mono ", 0) == 0;
        });
        if (!name) {
            printf("[skipped] no wave-out device, so no device lines\n");
            app.close();
            continue;
        }
        for (HWND w : {name, caps}) {
            ASSERT_TRUE(w);
            std::string text = zd::windowText(w);
            SIZE need;
            GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &need);
            RECT r;
            GetWindowRect(w, &r);
            MapWindowPoints(NULL, app.main(), (POINT *)&r, 2);
            EXPECT_GE(r.right - r.left, need.cx) << "\"" << text << "\" is cut at width " << client.right;
            EXPECT_LT(r.bottom - r.top, 2 * need.cy) << "\"" << text << "\" wraps";
            EXPECT_GE(r.left, 0);
            EXPECT_LE(r.right, client.right) << "\"" << text << "\" runs off the window";
        }
        zd::screenshot(size ? "ui-layout-640x400" : "ui-layout-default");
        EXPECT_EQ(0, app.close());
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(NULL, dc);
}

/* ---- 5. Playback ---- */

/* While looping playback runs, the cursor column is inverted in the waveform only: the
   range bar under it (its thumb green over the whole bar in the full view) never shows an
   inverted column. */
TEST(UiPlay, CursorStaysOffTheRulerAndTheRangeBar)
{
    std::string dir = zd::freshDir("ui-cursor");
    AlsaNull alsa(dir);
    ASSERT_TRUE(alsa.ok) << "ALSA_CONFIG_PATH must name " ZELO_ALSA_BASE_CONF;
    std::string in = waveFile(dir, "cursor.wav", 8000, 8, 1, Bytes(8000 * 4, 128));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(waitTitle(app, "cursor.wav - Zelo Edit")) << app.title();
    zd::settle(app);
    app.command(kLoop);
    app.command(kPlay);
    bool sawCursor = false;
    int strayRows = 0;
    for (int shot = 0; shot < 25; shot++) {
        Sleep(60);
        int w = 0, h = 0;
        std::vector<unsigned> px;
        ASSERT_TRUE(zd::grabClient(app.main(), &w, &h, &px));
        int left = 3, right = w - 3, top = 30, bottom = h - 106;
        /* The cursor: a column of the (black) area turned white over most of its rows. */
        for (int x = left + 1; x < right - 1 && !sawCursor; x++) {
            int white = 0;
            for (int y = top + 2; y < bottom - 2; y++)
                white += (px[y * w + x] & 0xFFFFFF) == 0xFFFFFF;
            sawCursor = white > (bottom - top) / 2;
        }
        for (int y = bottom + 18; y <= bottom + 21; y++)
            for (int x = left + 1; x < right - 1; x++) {
                unsigned c = px[y * w + x] & 0xFFFFFF;
                if (c == 0xFF00FF || c == 0xFFFFFF) {
                    strayRows++;
                    ADD_FAILURE() << "inverted pixel in the range bar at " << x << "," << y << " shot " << shot;
                    x = right;
                    y = bottom + 22;
                    shot = 100;
                }
            }
    }
    zd::screenshot("ui-cursor-playing");
    EXPECT_TRUE(sawCursor) << "no play cursor seen, so the test saw nothing";
    EXPECT_EQ(0, strayRows);
    app.command(198);
    EXPECT_EQ(0, app.close());
}

/* Wine's audio driver switched off for the programs started meanwhile: no wave-out device. */
struct NoAudioDriver {
    bool ok = false, had = false;
    std::string old;
    NoAudioDriver()
    {
        HKEY k;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &k, NULL))
            return;
        char buf[64];
        DWORD n = sizeof buf, type = 0;
        had = RegQueryValueExA(k, "Audio", NULL, &type, (BYTE *)buf, &n) == 0;
        if (had)
            old.assign(buf, n && buf[n - 1] == 0 ? n - 1 : n);
        ok = RegSetValueExA(k, "Audio", 0, REG_SZ, (const BYTE *)"", 1) == 0;
        RegCloseKey(k);
    }
    ~NoAudioDriver()
    {
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", 0, KEY_ALL_ACCESS, &k))
            return;
        if (had)
            RegSetValueExA(k, "Audio", 0, REG_SZ, (const BYTE *)old.c_str(), (DWORD)old.size() + 1);
        else
            RegDeleteValueA(k, "Audio");
        RegCloseKey(k);
    }
};

TEST(UiPlay, WithoutAPlaybackDevicePlayIsGreyAndSaysSo)
{
    NoAudioDriver off;
    ASSERT_TRUE(off.ok);
    std::string dir = zd::freshDir("ui-nodevice");
    std::string in = waveFile(dir, "silent.wav", 8000, 8, 1, Bytes(4000, 128));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(waitTitle(app, "silent.wav - Zelo Edit")) << app.title();
    zd::settle(app);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kPlay))) << "Play is offered with no device";
    EXPECT_TRUE(findChild(app.main(), [](const std::string &t) { return t == "No playback device"; }));
    /* Alt+P and Space still send Play: the answer is plain. */
    app.command(kPlay);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box));
    EXPECT_EQ("Wave System Error", box.caption);
    EXPECT_EQ("No playback device is available.", box.text);
    PostMessageA(box.hwnd, WM_COMMAND, IDOK, 0);
    zd::waitGone(box.hwnd);
    EXPECT_EQ(0, app.close());
}

} // namespace
