/* Presets in a module's dialog: adding stores the marked settings in zelo.ini, a fresh read
   of the file lists them again, a double click loads one, deleting leaves "none" that the
   next addition reuses, channel masks choose what is offered, the buttons follow the name. */
#include <gtest/gtest.h>

#include "plugins/graph.h"
#include "plugins/presets.h"
#include "core/document.h"
#include "core/profile.h"
#include "ui/frame.h"
#include "testutil.h"

#include <stdint.h>
#include <string.h>
#include <string>

namespace {

#pragma pack(push, 1)
struct EchoSettings {
    int32_t delay;      /* L */
    double  mix;        /* D */
    char    label[256]; /* S */
    int16_t graph;      /* G */
    int32_t unstored;   /* L, not marked */
};
#pragma pack(pop)

struct PresetsWin : ::testing::Test {
    HWND dlg = NULL;
    HGLOBAL data = NULL;
    unsigned char entry[324];
    unsigned char context[300];
    std::string ini;

    void SetUp() override
    {
        std::string dir = zt::tempDir() + "\\presets";
        CreateDirectoryA(dir.c_str(), NULL);
        profileSetFolder(dir.c_str());
        ini = profilePrivatePath();
        DeleteFileA(ini.c_str());
        DeleteFileA((dir + "\\other.ini").c_str());
        Wave.channels = 2;
        memset(entry, 0, sizeof entry);
        uint32_t size = sizeof(EchoSettings);
        memcpy(entry + 196, &size, 4);
        strcpy((char *)entry + 200, "LDSGL");
        strcpy((char *)entry + 248, "yyyyn");
        data = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(EchoSettings));
        memset(context, 0x66, sizeof context);
        memcpy(context + 12, &data, 4);
        unsigned char *e = entry;
        memcpy(context + 28, &e, 4);
        EchoSettings *s = lock();
        s->graph = graphapiCreate(0, 1000, 0, 1000, 0, 1000);
        unlock();
        openDialog();
    }
    void TearDown() override
    {
        EchoSettings *s = lock();
        graphapiDestroy(s->graph);
        unlock();
        GlobalFree(data);
        DestroyWindow(dlg);
    }
    /* A module's dialog with the four preset controls. */
    void openDialog()
    {
        if (dlg)
            DestroyWindow(dlg);
        HINSTANCE inst = GetModuleHandleA(NULL);
        dlg = CreateWindowA("STATIC", "Echo", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, NULL, NULL, inst, NULL);
        CreateWindowA("LISTBOX", "", WS_CHILD | WS_VISIBLE | LBS_NOTIFY, 5, 5, 150, 100, dlg,
                      (HMENU)PRESET_LIST, inst, NULL);
        CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE, 5, 110, 150, 20, dlg, (HMENU)PRESET_NAME, inst, NULL);
        CreateWindowA("BUTTON", "Add", WS_CHILD | WS_VISIBLE, 160, 110, 50, 20, dlg, (HMENU)PRESET_ADD, inst, NULL);
        CreateWindowA("BUTTON", "Delete", WS_CHILD | WS_VISIBLE, 215, 110, 50, 20, dlg, (HMENU)PRESET_DEL, inst, NULL);
    }
    EchoSettings *lock() { return (EchoSettings *)GlobalLock(data); }
    void unlock() { GlobalUnlock(data); }
    void settings(int32_t delay, double mix, const char *label, int16_t midY)
    {
        EchoSettings *s = lock();
        s->delay = delay;
        s->mix = mix;
        strcpy(s->label, label);
        graphapiSetPoint(s->graph, 1, 400, midY, 0);
        graphapiSetPoint(s->graph, 2, 1000, 1000, 1);
        s->unstored = delay;
        unlock();
    }
    void add(const char *name)
    {
        SetDlgItemTextA(dlg, PRESET_NAME, name);
        presetHandlePRESETNAME(dlg);
        HandleID_ADD(context, dlg, "Echo");
    }
    std::string key(int n, const char *file = NULL)
    {
        char buf[2048];
        GetPrivateProfileStringA("Echo", ("Item" + std::to_string(n)).c_str(), "", buf, sizeof buf,
                                 file ? file : ini.c_str());
        return buf;
    }
    int listCount() { return (int)SendDlgItemMessageA(dlg, PRESET_LIST, LB_GETCOUNT, 0, 0); }
    std::string listText(int i)
    {
        char buf[64] = "";
        SendDlgItemMessageA(dlg, PRESET_LIST, LB_GETTEXT, i, (LPARAM)buf);
        return buf;
    }
    int listKey(int i) { return (int)SendDlgItemMessageA(dlg, PRESET_LIST, LB_GETITEMDATA, i, 0); }
    BOOL enabled(int id) { return IsWindowEnabled(GetDlgItem(dlg, id)); }
    short pick(int i, WORD code)
    {
        SendDlgItemMessageA(dlg, PRESET_LIST, LB_SETCURSEL, i, 0);
        return HandleID_PRESETS(context, dlg, "Echo", code, GetDlgItem(dlg, PRESET_LIST));
    }
};

TEST_F(PresetsWin, SavedPresetsComeBackAfterAFreshReadAndLoad)
{
    EXPECT_EQ(0, presetsInitIni(dlg, "Echo", "zelo.ini"));
    EXPECT_FALSE(enabled(PRESET_ADD));
    EXPECT_FALSE(enabled(PRESET_DEL));
    settings(250, 0.5, "small, bright", 300);
    add("Hall");
    EXPECT_EQ("Hall,3,250,0.5,small\x8C bright,3,0,0,400,300,1000,1000,none,none", key(1));
    EXPECT_TRUE(enabled(PRESET_DEL));              /* the name is now listed */
    EXPECT_FALSE(enabled(PRESET_ADD));
    settings(40, 0.25, "room", 800);
    add("Room");
    settings(900, 1.0, "cave", 100);
    add("Cave");
    ASSERT_EQ(3, listCount());

    /* A new dialog reads the file again. */
    openDialog();
    EXPECT_EQ(3, presetsInitIni(dlg, "Echo", "zelo.ini"));
    ASSERT_EQ(3, listCount());
    EXPECT_EQ("Hall", listText(0));
    EXPECT_EQ(1, listKey(0));
    EXPECT_EQ(3, listKey(2));

    settings(1, 0.0, "", 999);
    EXPECT_EQ(0, pick(1, LBN_SELCHANGE));
    char name[64];
    GetDlgItemTextA(dlg, PRESET_NAME, name, sizeof name);
    EXPECT_STREQ("Room", name);
    EXPECT_EQ(1, pick(1, LBN_DBLCLK));
    EchoSettings *s = lock();
    EXPECT_EQ(40, +s->delay);
    EXPECT_EQ(0.25, +s->mix);
    EXPECT_STREQ("room", s->label);
    EXPECT_EQ(1, +s->unstored);                     /* not in the preset mask */
    POINT p;
    graphapiGetPoint(s->graph, 1, &p);
    EXPECT_EQ(400, p.x);
    EXPECT_EQ(800, p.y);
    EXPECT_EQ(3, graphapiCount(s->graph));
    unlock();
    EXPECT_EQ(0, pick(-1, LBN_DBLCLK));             /* nothing selected */
}

TEST_F(PresetsWin, DeleteLeavesNoneAndTheNextAdditionReusesIt)
{
    presetsInitIni(dlg, "Echo", NULL);
    settings(1, 0.1, "a", 10);
    add("One");
    add("Two");
    add("Three");
    SetDlgItemTextA(dlg, PRESET_NAME, "two");
    presetHandlePRESETNAME(dlg);
    EXPECT_TRUE(enabled(PRESET_DEL));
    EXPECT_EQ(0, presetHandleDEL(dlg, "Echo"));
    EXPECT_EQ("none", key(2));
    EXPECT_EQ(2, listCount());
    EXPECT_TRUE(enabled(PRESET_ADD));
    EXPECT_FALSE(enabled(PRESET_DEL));
    SetDlgItemTextA(dlg, PRESET_NAME, "Nothing Like It");
    EXPECT_EQ(1, presetHandleDEL(dlg, "Echo"));
    SetDlgItemTextA(dlg, PRESET_NAME, "");
    EXPECT_EQ(1, presetHandleDEL(dlg, "Echo"));
    EXPECT_EQ(2, listCount());

    /* A fresh read still skips the deleted key and counts only live presets. */
    openDialog();
    EXPECT_EQ(2, presetsInitIni(dlg, "Echo", "zelo.ini"));
    add("Four");
    EXPECT_EQ("Four", key(2).substr(0, 4));
    EXPECT_EQ("", key(4));
    EXPECT_EQ(2, listKey(2));
}

TEST_F(PresetsWin, ChannelMaskChoosesWhatIsOffered)
{
    settings(5, 0.5, "x", 10);
    presetsInitIni(dlg, "Echo", "zelo.ini");
    add("Made In Stereo");
    WritePrivateProfileStringA("Echo", "Item2", "Mono Only,1,7", ini.c_str());
    WritePrivateProfileStringA("Echo", "Item3", "Stereo Only,2,8", ini.c_str());
    WritePrivateProfileStringA("Echo", "Item4", "Garbled,abc", ini.c_str());
    Wave.channels = 1;
    openDialog();
    EXPECT_EQ(4, presetsInitIni(dlg, "Echo", "zelo.ini"));
    ASSERT_EQ(2, listCount());
    EXPECT_EQ("Made In Stereo", listText(0));
    EXPECT_EQ("Mono Only", listText(1));
    /* A hand-written preset with fewer values loads what it has. */
    EXPECT_EQ(1, pick(1, LBN_DBLCLK));
    EXPECT_EQ(7, +lock()->delay);
    unlock();
    Wave.channels = 2;
    openDialog();
    presetsInitIni(dlg, "Echo", "zelo.ini");
    ASSERT_EQ(2, listCount());
    EXPECT_EQ("Stereo Only", listText(1));
}

TEST_F(PresetsWin, ButtonsFollowTheName)
{
    settings(5, 0.5, "x", 10);
    presetsInitIni(dlg, "Echo", "zelo.ini");
    add("Hall");
    SetDlgItemTextA(dlg, PRESET_NAME, "Ha");        /* only the start of a name */
    presetHandlePRESETNAME(dlg);
    EXPECT_TRUE(enabled(PRESET_ADD));
    EXPECT_FALSE(enabled(PRESET_DEL));
    SetDlgItemTextA(dlg, PRESET_NAME, "HALL");
    presetHandlePRESETNAME(dlg);
    EXPECT_FALSE(enabled(PRESET_ADD));
    EXPECT_TRUE(enabled(PRESET_DEL));
    SetDlgItemTextA(dlg, PRESET_NAME, "");
    presetHandlePRESETNAME(dlg);
    EXPECT_FALSE(enabled(PRESET_ADD));
    EXPECT_FALSE(enabled(PRESET_DEL));
    /* Names longer than 28 characters are cut; an empty name adds nothing. */
    add(std::string(40, 'N').c_str());
    EXPECT_EQ(std::string(28, 'N') + ",3", key(2).substr(0, 30));
    add("");
    EXPECT_EQ("", key(3));
    /* No settings block: the preset is listed with its name and mask only. */
    SetDlgItemTextA(dlg, PRESET_NAME, "Bare");
    HandleID_ADD(NULL, dlg, "Echo");
    EXPECT_EQ("Bare,3,none,none,none,none,none,none", key(3));
    EXPECT_EQ(0, HandleID_PRESETS(NULL, dlg, "Echo", LBN_DBLCLK, GetDlgItem(dlg, PRESET_LIST)));
    char v[29];
    EXPECT_EQ(0, GetPresetValue("Echo", 1, 0, v, sizeof v));
    EXPECT_STREQ("5", v);
    EXPECT_EQ(1, GetPresetValue("Echo", 3, 0, v, sizeof v));
    EXPECT_EQ(1, GetPresetValue("Echo", 9, 0, v, sizeof v));
    EXPECT_EQ(-1, GetPresetValue("Echo", 1, 40, v, sizeof v));
}

TEST_F(PresetsWin, AnotherIniFileLivesInTheSettingsFolder)
{
    settings(5, 0.5, "x", 10);
    EXPECT_EQ(0, presetsInitIni(dlg, "Echo", "other.ini"));
    add("Elsewhere");
    std::string other = zt::tempDir() + "\\presets\\other.ini";
    EXPECT_EQ("Elsewhere,3", key(1, other.c_str()).substr(0, 11));
    EXPECT_EQ("", key(1));
    openDialog();
    EXPECT_EQ(0, presetsInitIni(dlg, "Echo", "zelo.ini"));
    EXPECT_EQ(1, presetsInitIni(dlg, "Echo", "other.ini"));
}

} // namespace
