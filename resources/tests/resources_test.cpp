/*
 * resources_test.cpp - loads the program's resources from this executable under Wine and
 * checks what a user would see: menu texts and ids, accelerator keys, string-table texts,
 * dialog templates (the controls other code looks up exist, nothing overlaps, nothing is
 * clipped at its longest text, everything lies inside its dialog), icons, cursors and
 * button bitmaps.
 */
#include "core/version.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "resources/resource.h"

namespace {

HINSTANCE inst() { return GetModuleHandleA(nullptr); }

std::string menuText(HMENU m, UINT id) {
    char buf[256] = {0};
    GetMenuStringA(m, id, buf, sizeof buf, MF_BYCOMMAND);
    return buf;
}

std::string loadString(UINT id) {
    char buf[1024];
    memset(buf, 0x66, sizeof buf);
    int n = LoadStringA(inst(), id, buf, sizeof buf);
    return n > 0 ? std::string(buf, n) : std::string("<missing>");
}

/* ---- 1. The main menu ------------------------------------------------------------------ */

TEST(Menu, TopLevelPopupsInTheOrderPluginsRelyOn) {
    HMENU m = LoadMenuA(inst(), "ZELOMENU");
    ASSERT_NE(m, nullptr);
    const char* tops[] = {"&File", "&Edit", "&Transform", "&Generate", "&Options", "&Help"};
    ASSERT_EQ(GetMenuItemCount(m), 6);
    for (int i = 0; i < 6; ++i) {
        char buf[64] = {0};
        GetMenuStringA(m, i, buf, sizeof buf, MF_BYPOSITION);
        EXPECT_STREQ(buf, tops[i]) << "position " << i;
        EXPECT_NE(GetSubMenu(m, i), nullptr);
    }
    DestroyMenu(m);
}

TEST(Menu, EveryCommandHasItsExactText) {
    HMENU m = LoadMenuA(inst(), "ZELOMENU");
    ASSERT_NE(m, nullptr);
    const std::vector<std::pair<UINT, const char*>> items = {
        {1050, "&New..."}, {1051, "New &Instance"}, {1100, "&Open..."}, {116, "O&pen As..."},
        {135, "Open Appen&d..."}, {1110, "&Re-Open"}, {3148, "&Close"}, {1151, "&Save"},
        {1150, "Save &As..."}, {114, "Save S&election..."}, {1250, "E&xit"}, {102, "&Undo"},
        {130, "Repeat Last Comma&nd"}, {2050, "&Copy"}, {2150, "Cu&t"}, {2100, "&Paste"},
        {2110, "Paste &Special..."}, {115, "Select &Entire Wave"}, {312, "&Zero Cross Adjust"},
        {1001, "Edit &Left"}, {1002, "Edit &Right"}, {2200, "&Delete Selection"},
        {2210, "Tri&m"}, {351, "Decimal (mm:ss.ddd)"}, {352, "Custom Frames (mm:ss:ff)"},
        {354, "SMPTE Drop"}, {353, "Samples"}, {3147, "&Viewing Range..."},
        {2211, "Spectral Vie&w"}, {112, "&Byte Swap..."}, {109, "&Adjust Sample Rate..."},
        {120, "C&onvert Sample Type..."}, {3080, "&Reverse"}, {3140, "&Silence"},
        {3100, "&Invert"}, {3150, "&Music..."}, {4100, "&Silence..."}, {5010, "&Loop Mode"},
        {5030, "&Monitor VU Level"}, {5050, "&Info..."}, {5060, "&Frequency Analysis"},
        {148, "&CD Player"}, {137, "C&ue List"}, {136, "Pl&ay List"},
        {113, "Z&elo Scripts / Batch Process..."}, {1222, "Select Wave &Device..."},
        {355, "Custom &Toolbar Settings..."}, {5040, "&Settings..."}, {6050, "&Contents"},
        {6100, "&Quick Reference"}, {101, "&Features"}, {5020, "&About..."},
    };
    for (auto& it : items)
        EXPECT_EQ(menuText(m, it.first), it.second) << "command " << it.first;
    // Generate Silence sits in the Generate popup, plain Silence in Transform.
    EXPECT_EQ(menuText(GetSubMenu(m, 3), 4100), "&Silence...");
    EXPECT_EQ(menuText(GetSubMenu(m, 2), 3140), "&Silence");
    DestroyMenu(m);
}

// A popup never begins or ends with a separator, nor shows two in a row (plug-in items,
// when there are any, bring their own separator).
static void expectTidySeparators(HMENU popup, const std::string& where) {
    int n = GetMenuItemCount(popup);
    bool lastWasSeparator = true;  // a separator first counts as doubled
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOA mi = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_SUBMENU;
        ASSERT_TRUE(GetMenuItemInfoA(popup, (UINT)i, TRUE, &mi));
        bool separator = (mi.fType & MFT_SEPARATOR) != 0;
        EXPECT_FALSE(separator && lastWasSeparator) << where << ": separator at position " << i;
        if (mi.hSubMenu)
            expectTidySeparators(mi.hSubMenu, where + " > " + std::to_string(i));
        lastWasSeparator = separator;
    }
    EXPECT_FALSE(n > 0 && lastWasSeparator) << where << " ends with a separator";
}

TEST(Menu, NoPopupBeginsOrEndsWithASeparator) {
    HMENU m = LoadMenuA(inst(), "ZELOMENU");
    ASSERT_NE(m, nullptr);
    const char* tops[] = {"File", "Edit", "Transform", "Generate", "Options", "Help"};
    for (int i = 0; i < GetMenuItemCount(m) && i < 6; ++i)
        expectTidySeparators(GetSubMenu(m, i), tops[i]);
    DestroyMenu(m);
}

TEST(Menu, MeterPopupHasItsChoices) {
    HMENU m = LoadMenuA(inst(), "METERMENU");
    ASSERT_NE(m, nullptr);
    HMENU p = GetSubMenu(m, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(menuText(p, 328), "Start/Stop &Meter");
    EXPECT_EQ(menuText(p, 331), "&Adjust for DC");
    EXPECT_EQ(menuText(p, 333), "&90dB Range");
    EXPECT_EQ(menuText(p, 337), "&30dB Range");
    EXPECT_EQ(menuText(p, 339), "Static &Peaks");
    DestroyMenu(m);
}

/* ---- 2. Accelerators ------------------------------------------------------------------- */

using Acc = std::tuple<int, int, int>;  // modifiers (FCONTROL|FALT|FSHIFT), key, command

std::set<Acc> accTable(const char* name) {
    std::set<Acc> out;
    HACCEL h = LoadAcceleratorsA(inst(), name);
    if (!h)
        return out;
    int n = CopyAcceleratorTableA(h, nullptr, 0);
    std::vector<ACCEL> v(n);
    CopyAcceleratorTableA(h, v.data(), n);
    for (auto& a : v) {
        EXPECT_TRUE(a.fVirt & FVIRTKEY) << "command " << a.cmd;
        out.insert(Acc(a.fVirt & (FCONTROL | FALT | FSHIFT), a.key, a.cmd));
    }
    EXPECT_EQ((int)out.size(), n) << name << " holds a duplicate entry";
    return out;
}

TEST(Accelerators, MenuAccMatchesTheKeyTable) {
    const int C = FCONTROL, A = FALT, S = FSHIFT;
    std::set<Acc> want = {
        {C, 'A', 115}, {C, 'B', 340}, {C, 'C', 2050}, {C, 'D', 134}, {A, 'I', 5050},
        {C, 'L', 341}, {A, 'P', 199}, {C, 'R', 342}, {A, 'R', 194}, {C, 'S', 253},
        {A, 'S', 198}, {C, 'T', 2210}, {C, 'V', 2100}, {A, VK_BACK, 102},
        {0, VK_DELETE, 2200}, {S, VK_DELETE, 2150}, {0, VK_END, 327}, {0, VK_ESCAPE, 254},
        {0, VK_F1, 133}, {0, VK_F2, 130}, {0, VK_F3, 131}, {0, VK_F4, 312}, {0, VK_F8, 311},
        {0, VK_HOME, 326}, {C, VK_INSERT, 2050}, {S, VK_INSERT, 2100}, {0, VK_LEFT, 105},
        {S, VK_LEFT, 107}, {0, VK_NEXT, 325}, {0, VK_PRIOR, 324}, {0, VK_RETURN, 140},
        {0, VK_RIGHT, 104}, {S, VK_RIGHT, 106}, {0, VK_TAB, 139}, {S, VK_TAB, 323},
        {C, 'X', 2150}, {C, 'Z', 102}, {A, 'Z', 5060},
    };
    EXPECT_EQ(accTable("MenuAcc"), want);
}

TEST(Accelerators, NumsAccMapsBothDigitRowsToTracks) {
    std::set<Acc> want;
    for (int d = 0; d <= 9; ++d) {
        want.insert(Acc(0, '0' + d, 313 + d));
        want.insert(Acc(0, VK_NUMPAD0 + d, 313 + d));
    }
    EXPECT_EQ(accTable("NumsAcc"), want);
}

/* ---- 3. String table ------------------------------------------------------------------- */

TEST(Strings, NumberedEntriesHaveTheirExactTexts) {
    const std::vector<std::pair<UINT, const char*>> want = {
        {1, "Error registering window class"},
        {2, "Window creation failed!"},
        {3, "%s can not handle the current sample type.  Would you like to convert to %ldHz, "
            "Mono %d-bit and continue saving?"},
        {4, "%s can not handle the current sample type.  Would you like to convert to %ldHz, "
            "Stereo %d-bit and continue saving?"},
        {5, "This wave format does not support the current sample type."},
        {8, "zelo.ini"}, {9, "ZELO95.HLP"}, {10, "Zelo Edit"},
        {68, "Can't Undo"}, {69, "Undo Disabled"}, {70, "ETA: "}, {77, "Working..."},
        {78, "Paused"}, {79, "Continue"}, {80, "Pause"}, {83, "Error"},
        {89, "Error %d Loading XFM File %s"},
        {90, "A task with the name \"%s\" is clashing with \"%s\".  Please close this other "
             "task, or rename \"%s\" and run %s again."},
        {91, "Error %d Loading FLT File %s"}, {93, "Untitled"},
        {94, "Play/Record Buffer Size Too Large"}, {95, "Viewing"}, {96, "Open"},
        {97, "Paste Special"}, {98, "Please choose a wave file"}, {99, "Play List"},
        {100, "Cue List"}, {101, "Analysis"},
        {102, "You were attempting to play a waveform on a system that does not support "
              "16-bit audio.  Would you like to automatically convert to 8-bit for playing "
              "in the future?"},
        {104, "Warning"}, {105, "Not enough memory for Undo.  Continue anyway?"}, {106, ZELO_VERSION},
        {108, "Your system configuration does not support the Zelo Edit file format in %s.  "
              "This is the only time you will get this message.  If new multimedia drivers "
              "are installed, you may delete FLT.DAT and re-start Zelo Edit."},
    };
    for (auto& w : want)
        EXPECT_EQ(loadString(w.first), w.second) << "string " << w.first;
}

TEST(Strings, ToolbarTooltipsFollowTheButtonRows) {
    // Rows 1..26 use 11..36, row 32 (Help) uses 45, rows 27..31 use 111..115.
    const char* rows[] = {
        "Create a new wave that is initially blank", "Open an existing waveform",
        "Save the waveform", "Open a new copy of Zelo Edit", "Save highlighted selection",
        "Undo last action", "Trim out all except selected portion", "Delete selected portion",
        "Copy selected portion to clipboard", "Cut selected portion to clipboard",
        "Paste clipboard into waveform", "Special Paste into waveform", "Reverse the selection",
        "Silence out the selection", "Invert selection (turn upside-down)",
        "Put your selection to music by changing pitch with notes", "Generate silence",
        "Switch to Loop play mode", "Monitor incoming wave level", "Adjust settings",
        "Analyze frequency spectrum at current point",
        "Additional information to be contained in WAV file", "Scripts for automation",
        "Open cue list", "Open play list", "Compact Disk player controls",
        "Edit the left channel of a stereo waveform",
        "Edit the right channel of a stereo waveform",
        "Edit both channels of a stereo waveform", "Toggle between Spectral and Waveform views",
        "Adjust selection to , or find zero crossings", "Help on main controls"};
    for (int r = 1; r <= 32; ++r) {
        UINT id = r <= 26 ? 10 + r : r == 32 ? 45 : 111 + (r - 27);
        EXPECT_EQ(loadString(id), rows[r - 1]) << "row " << r;
    }
    // CD buttons 144, 142, 143, 149, 146, 147, 145 take 38..44 in that order.
    const char* cd[] = {"Goto marked location", "Eject/Insert disk", "Stop CD from playing",
                        "Play/Pause CD", "Rewind 10 seconds", "Fast Forward 10 seconds",
                        "Mark current location"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(loadString(38 + i), cd[i]) << "string " << 38 + i;
    EXPECT_EQ(loadString(IDS_TIP_UNLOOP), "Switch to Single play mode");
}

/* ---- 4. Dialog templates --------------------------------------------------------------- */

INT_PTR CALLBACK trivialProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

struct DialogCase {
    int id;
    const char* caption;
    std::vector<int> controls;
    std::vector<std::pair<int, const char*>> longest;  // texts the procedure may set
};

void PrintTo(const DialogCase& d, std::ostream* os) { *os << "dialog " << d.id; }

std::string winClass(HWND h) {
    char buf[64] = {0};
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}

/* Every visible control inside the client area, no two visible controls overlapping
   (group boxes and frames excepted), no text cut off at the dialog's own font. */
void checkLayout(HWND dlg, const char* what) {
    RECT client;
    GetClientRect(dlg, &client);
    HFONT font = (HFONT)SendMessageA(dlg, WM_GETFONT, 0, 0);
    HDC dc = GetDC(dlg);
    HGDIOBJ old = SelectObject(dc, font);
    struct Ctl { HWND h; RECT r; bool container; };
    std::vector<Ctl> ctls;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        LONG style = GetWindowLongA(c, GWL_STYLE);
        if (!(style & WS_VISIBLE))
            continue;
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(HWND_DESKTOP, dlg, (POINT*)&r, 2);
        int id = GetDlgCtrlID(c);
        std::string cls = winClass(c);
        EXPECT_TRUE(r.left >= client.left && r.top >= client.top && r.right <= client.right &&
                    r.bottom <= client.bottom)
            << what << ": control " << id << " reaches outside the dialog";
        bool groupBox = cls == "Button" && (style & 0x0F) == BS_GROUPBOX;
        int ss = style & SS_TYPEMASK;
        bool frame = cls == "Static" && (ss == SS_BLACKFRAME || ss == SS_ETCHEDFRAME);
        ctls.push_back({c, r, groupBox || frame || cls == "SysTabControl32"});

        char text[512] = {0};
        GetWindowTextA(c, text, sizeof text);
        if (!text[0] || (cls != "Button" && cls != "Static") || groupBox)
            continue;
        RECT need = {0, 0, r.right - r.left, 0};
        if (cls == "Static" && ss <= SS_RIGHT) {
            DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK);
            EXPECT_LE(need.bottom, r.bottom - r.top) << what << ": text of " << id
                                                     << " is cut off: \"" << text << "\"";
            EXPECT_LE(need.right, r.right - r.left) << what << ": text of " << id;
        } else if (cls == "Button") {
            DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
            int kind = style & 0x0F;
            int extra = (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON)
                            ? 6 : GetSystemMetrics(SM_CXMENUCHECK) + 4;
            EXPECT_LE(need.right + extra, r.right - r.left)
                << what << ": caption of " << id << " is cut off: \"" << text << "\"";
        }
    }
    SelectObject(dc, old);
    ReleaseDC(dlg, dc);
    for (size_t i = 0; i < ctls.size(); ++i)
        for (size_t j = i + 1; j < ctls.size(); ++j) {
            if (ctls[i].container || ctls[j].container)
                continue;
            RECT x;
            EXPECT_FALSE(IntersectRect(&x, &ctls[i].r, &ctls[j].r))
                << what << ": controls " << GetDlgCtrlID(ctls[i].h) << " and "
                << GetDlgCtrlID(ctls[j].h) << " overlap";
        }
    // A control lying in a group box's or frame's area must lie wholly inside it.
    for (auto& g : ctls) {
        if (!g.container || winClass(g.h) == "SysTabControl32")
            continue;
        for (auto& c : ctls) {
            RECT x;
            if (c.h == g.h || c.container || !IntersectRect(&x, &c.r, &g.r))
                continue;
            EXPECT_TRUE(EqualRect(&x, &c.r)) << what << ": control " << GetDlgCtrlID(c.h)
                                             << " straddles box " << GetDlgCtrlID(g.h);
        }
    }
}

HWND makeDialog(int id, HWND parent = nullptr) {
    return CreateDialogParamA(inst(), MAKEINTRESOURCEA(id), parent, trivialProc, 0);
}

class Dialogs : public ::testing::TestWithParam<DialogCase> {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
    }
};

TEST_P(Dialogs, CreatesWithItsControlsAndATidyLayout) {
    const DialogCase& d = GetParam();
    HWND dlg = makeDialog(d.id);
    ASSERT_NE(dlg, nullptr) << "dialog " << d.id << " error " << GetLastError();
    EXPECT_FALSE(IsWindowVisible(dlg));
    char cap[128] = {0};
    GetWindowTextA(dlg, cap, sizeof cap);
    EXPECT_STREQ(cap, d.caption);
    for (int c : d.controls)
        EXPECT_NE(GetDlgItem(dlg, c), nullptr) << "dialog " << d.id << " lacks control " << c;
    for (auto& t : d.longest)
        SetDlgItemTextA(dlg, t.first, t.second);
    checkLayout(dlg, d.caption[0] ? d.caption : "progress");
    DestroyWindow(dlg);
}

const char* kByteSwap8 = "Adjuste every 8-bit sample byte such that the new zero position will "
                         "be adjusted by a value of 128.";

INSTANTIATE_TEST_SUITE_P(All, Dialogs, ::testing::Values(
    DialogCase{ID_ABOUT_BOX, "About Zelo Edit", {IDC_ABOUT_NAME, IDC_ABOUT_VERSION, IDOK}, {}},
    DialogCase{ID_SAMPLESDLG, "Viewing Range", {1000, 1001, IDOK, IDCANCEL, 222}, {}},
    DialogCase{IDD_SELECTWAVE, "Select Wave Device",
               {IDC_DEV_WAVEOUT, IDC_DEV_WAVEIN, IDC_DEV_MIDIOUT, IDC_DEV_MIDIIN, IDOK,
                IDCANCEL, 222}, {}},
    DialogCase{IDD_SETTINGS, "Settings", {IDC_SET_TAB, IDOK, IDCANCEL, 3159}, {}},
    DialogCase{IDD_NEWWAVE, "New Waveform",
               {3029, 321, 3065, 107, 108, 110, 111, IDC_NW_BYTEORDER, IDC_NW_COMPRESSION,
                IDOK, IDCANCEL, 222},
               {{3029, "FYI: Adjusting bit rate and channels will not modify data"}}},
    DialogCase{ID_SILENCE, "Generate Silence", {230, IDOK, IDCANCEL, 222}, {}},
    DialogCase{IDD_BYTESWAP, "Byte Swap", {3055, IDOK, IDCANCEL, 222}, {{3055, kByteSwap8}}},
    DialogCase{IDD_CONVERT, "Convert Sample Type",
               {1019, 3065, 321, 2001, 2002, 2003, 2004, 107, 108, 110, 111, 3067, 3096, 3036,
                3124, IDOK, IDCANCEL, 222},
               {{1019, "Convert from 44100 Stereo 16-bit to:"}}},
    DialogCase{ID_PASTESPECIAL, "Paste Special",
               {220, 224, 3036, 221, 225, 3037, 162, 217, 219, 213, 3101, 3102, 3039, 3040,
                3038, IDOK, IDCANCEL, 222}, {}},
    DialogCase{ID_PROGRESS, "", {109, 118, 121, 1003, 292, 3053, 3086, 3121, IDCANCEL},
               {{109, "Converting 8-bit to 16-bit"}, {118, "ETA: 23 Hours 59 Minutes 59 Seconds"},
                {121, "99 %"}, {3121, "Continue"}}},
    DialogCase{IDD_EDITPOINT, "Edit Point", {3067, 3096, 3097, 3098, 3099, 3100, IDOK, IDCANCEL},
               {}},
    DialogCase{IDD_ANALYSIS, "Analysis", {308, 3060, 1017, 3061, 3041, 3059, 3125, 3088, IDOK, 222},
               {{1017, "22050.0 Hz  -100.0 dB"}, {3041, "22050.00 Hz / 22050.00 Hz"}}},
    DialogCase{ID_CUEDIALOG, "Cue List / Ranges",
               {IDC_CUE_LIST, 325, IDC_CUE_DEL, IDC_CUE_MERGE, IDC_CUE_BATCH, IDC_CUE_AUTOZOOM,
                IDC_CUE_LABEL, IDC_CUE_DESC, IDOK, 222}, {}},
    DialogCase{IDD_CUEBATCH, "Batch Process Phrases",
               {IDC_CB_SILENCE, IDC_CB_BEFORE, IDC_CB_AFTER, IDC_CB_FILES, IDC_CB_PREFIX,
                IDC_CB_DESTDIR, IDC_CB_BROWSE, IDC_CB_FORMAT, IDC_CB_OPTIONS, IDOK}, {}},
    DialogCase{ID_PLAYBOX, "Play List", {328, 325, 331, 335, 334, 3080, IDOK, 222},
               {{325, "Open Cue List"}}},
    DialogCase{IDD_SCRIPTS, "Zelo Scripts",
               {3077, 3065, 3072, 3066, 3074, 3068, 3069, 3036, 3037, 3101, 3067, 3070, 3071,
                3073, 3075, 3078, IDCANCEL}, {}},
    DialogCase{IDD_BATCH, "Batch Process",
               {IDC_BT_FILES, IDC_BT_ADD, IDC_BT_REMOVE, IDC_BT_BROWSE, IDC_BT_FORMAT,
                IDC_BT_OPTIONS, IDC_BT_TEMPLATE, IDC_BT_RAW, IDC_BT_BEGIN, IDCANCEL, 222},
               {{IDC_BT_FILESLBL, "&Source Files (10000 file(s) selected)"},
                {IDC_BT_INFO, "The script \"A script title of 29 chars\" will be run on all "
                              "the selected files."}}},
    DialogCase{IDD_TOOLBARSET, "Toolbar Settings",
               {IDC_TB_LIST, 3143, 3144, 3088, IDC_TB_TOOLHELP, IDC_TB_SAVEAS, IDC_TB_SAVENOW,
                IDOK, IDCANCEL, 222}, {}},
    DialogCase{ID_WAVEINFO, "Wave Information",
               {263, 262, 276, 275, 271, 265, 266, 268, 264, 273, 270, 272, 274, 269, 261, 3062,
                322, 3036, IDOK, IDCANCEL, 222}, {}}));

TEST(SettingsDialog, PagesHoldTheirControlsAndFitTheTab) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    HWND dlg = makeDialog(IDD_SETTINGS);
    ASSERT_NE(dlg, nullptr);
    HWND tab = GetDlgItem(dlg, IDC_SET_TAB);
    const char* names[] = {"Display", "System", "Colors"};
    for (int i = 0; i < 3; ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = (char*)names[i];
        SendMessageA(tab, TCM_INSERTITEMA, i, (LPARAM)&item);
    }
    RECT area;
    GetWindowRect(tab, &area);
    MapWindowPoints(HWND_DESKTOP, dlg, (POINT*)&area, 2);
    SendMessageA(tab, TCM_ADJUSTRECT, FALSE, (LPARAM)&area);
    const std::vector<std::pair<int, std::vector<int>>> pages = {
        {IDD_SETPAGE_DISPLAY, {326, 327, 303, 3102, 3124, 3096, 1015}},
        {IDD_SETPAGE_SYSTEM, {304, 305, 3067, 3037, 3068, 3131, 1002, 337, 110, 3101}},
        {IDD_SETPAGE_COLORS, {3125, 3126, 3127, 3036, 3088, IDC_SET_WAVESWATCH}},
    };
    for (auto& p : pages) {
        HWND page = makeDialog(p.first, dlg);
        ASSERT_NE(page, nullptr) << "page " << p.first;
        RECT pr;
        GetWindowRect(page, &pr);
        EXPECT_LE(pr.right - pr.left, area.right - area.left) << "page " << p.first;
        EXPECT_LE(pr.bottom - pr.top, area.bottom - area.top) << "page " << p.first;
        for (int c : p.second)
            EXPECT_NE(GetDlgItem(page, c), nullptr) << "page " << p.first << " control " << c;
        checkLayout(page, "settings page");
        DestroyWindow(page);
    }
    DestroyWindow(dlg);
}

TEST(DialogFonts, TemplatesUseTheShellDialogFont) {
    for (int id : {ID_ABOUT_BOX, IDD_SETTINGS, IDD_NEWWAVE, ID_WAVEINFO, ID_PROGRESS}) {
        HWND dlg = makeDialog(id);
        ASSERT_NE(dlg, nullptr);
        LOGFONTA lf = {};
        GetObjectA((HFONT)SendMessageA(dlg, WM_GETFONT, 0, 0), sizeof lf, &lf);
        std::string face = lf.lfFaceName;
        EXPECT_TRUE(face == "MS Shell Dlg" || face == "Tahoma" || face == "MS Sans Serif")
            << "dialog " << id << " uses " << face;
        DestroyWindow(dlg);
    }
}

/* ---- 5. Icons, cursors and bitmaps ----------------------------------------------------- */

TEST(Images, ProgramIconHasBothSizes) {
    EXPECT_NE(LoadIconA(inst(), MAKEINTRESOURCEA(IDI_ZELO)), nullptr);
    for (int size : {16, 32}) {
        HICON h = (HICON)LoadImageA(inst(), MAKEINTRESOURCEA(IDI_ZELO), IMAGE_ICON, size, size, 0);
        ASSERT_NE(h, nullptr) << size;
        ICONINFO ii = {};
        ASSERT_TRUE(GetIconInfo(h, &ii));
        BITMAP bm = {};
        GetObjectA(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, size);
        if (ii.hbmColor) DeleteObject(ii.hbmColor);
        if (ii.hbmMask) DeleteObject(ii.hbmMask);
        DestroyIcon(h);
    }
}

TEST(Images, CursorsLoadWithTheirHotSpots) {
    const std::vector<std::tuple<int, DWORD, DWORD>> want = {
        {IDC_SELECTCUR, 5, 8}, {IDC_RIGHTCHAN, 0, 0}, {IDC_LEFTCHAN, 0, 0},
        {IDC_GRAPHPOINT, 6, 6}};
    for (auto& w : want) {
        HCURSOR c = LoadCursorA(inst(), MAKEINTRESOURCEA(std::get<0>(w)));
        ASSERT_NE(c, nullptr) << std::get<0>(w);
        ICONINFO ii = {};
        ASSERT_TRUE(GetIconInfo(c, &ii));
        EXPECT_FALSE(ii.fIcon);
        EXPECT_EQ(ii.xHotspot, std::get<1>(w)) << std::get<0>(w);
        EXPECT_EQ(ii.yHotspot, std::get<2>(w)) << std::get<0>(w);
        if (ii.hbmColor) DeleteObject(ii.hbmColor);
        if (ii.hbmMask) DeleteObject(ii.hbmMask);
    }
}

TEST(Images, ButtonBitmapsAreTwoCellStrips) {
    const char* names[] = {
        "INEW2", "IOpen", "ISave", "INewInst", "ISaveSel", "IUndo", "ITrim", "IDel", "ICopy",
        "ICut", "IPaste", "IPasteSp", "IReverse", "ISilence", "IInvert", "IMusic", "IGSilence",
        "ILoop", "IUnLoop", "IMonitor", "ISetting", "IAnalys", "IInfo", "IScripts", "ICueLst",
        "IPlayLst", "ICDPlayer", "IELeft", "IERight", "IEBoth", "IESpec", "IZero", "IHelp",
        "ICDPlay", "ICDPause", "ICDStop", "ICDRR", "ICDFF", "ICDMark", "ICDGotoMark", "ICDNew",
        "ICDInsrt", "IBPlay", "IBPause", "IBStop", "IBRecord", "IBZoomIn", "IBZoomOut",
        "IBFull", "IArrUp", "IArrDn", "IArrZap"};
    for (const char* n : names) {
        HBITMAP b = LoadBitmapA(inst(), n);
        ASSERT_NE(b, nullptr) << n;
        BITMAP bm = {};
        GetObjectA(b, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, 48) << n;
        EXPECT_EQ(bm.bmHeight, 20) << n;
        // The normal cell must differ from the disabled one: a picture was drawn.
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, b);
        int differ = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 24; ++x)
                differ += GetPixel(dc, x, y) != GetPixel(dc, 24 + x, y);
        SelectObject(dc, old);
        DeleteDC(dc);
        EXPECT_GT(differ, 5) << n;
        DeleteObject(b);
    }
    HBITMAP chk = LoadBitmapA(inst(), "Checkers");
    ASSERT_NE(chk, nullptr);
    BITMAP bm = {};
    GetObjectA(chk, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 8);
    EXPECT_EQ(bm.bmHeight, 8);
    DeleteObject(chk);
}

TEST(Images, VersionInfoNamesTheProgram) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    DWORD handle = 0, n = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(n, 0u);
    std::vector<char> buf(n);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, n, buf.data()));
    char* value = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(buf.data(), "\\StringFileInfo\\040904B0\\ProductName",
                               (void**)&value, &len));
    EXPECT_STREQ(value, "Zelo Edit");
}

}  // namespace
