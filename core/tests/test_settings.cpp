/*
 * test_settings.cpp - settings defaults, clamps, hand-edited files and the written forms
 * (Win32: the private-profile calls, under Wine).  Each case has its own settings folder.
 */
#include "core/profile.h"
#include "core/settings.h"
#include "store/tempfile.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string>

namespace {

struct SettingsTest : ::testing::Test {
    void SetUp() override
    {
        dir = zt::tempPath(::testing::UnitTest::GetInstance()->current_test_info()->name());
        CreateDirectoryA(dir.c_str(), NULL);
        DeleteFileA((dir + "\\zelo.ini").c_str());
        DeleteFileA((dir + "\\win.ini").c_str());
        profileSetFolder(dir.c_str());
    }
    void write(const char *file, const char *text)
    {
        FILE *f = fopen((dir + "\\" + file).c_str(), "wb");
        ASSERT_TRUE(f);
        fputs(text, f);
        fclose(f);
    }
    std::string read(const char *file)
    {
        std::string s;
        FILE *f = fopen((dir + "\\" + file).c_str(), "rb");
        if (!f)
            return s;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            s.append(buf, n);
        fclose(f);
        return s;
    }
    std::string user(const char *key)
    {
        char buf[128];
        userProfileGetString("Zelo Edit", key, "<none>", buf, sizeof buf);
        return buf;
    }
    std::string priv(const char *sec, const char *key)
    {
        char buf[128];
        profileGetString(sec, key, "<none>", buf, sizeof buf);
        return buf;
    }
    std::string dir;
};

// 1. Files and folder
TEST_F(SettingsTest, FilesLiveInTheSettingsFolder)
{
    EXPECT_EQ(std::string(profilePrivatePath()), dir + "\\zelo.ini");
    EXPECT_EQ(std::string(profileUserPath()), dir + "\\win.ini");
    profileSetInt("Size", "X", 700);
    EXPECT_NE(read("zelo.ini").find("X=700"), std::string::npos);
}

// 2. Defaults and clamps
TEST_F(SettingsTest, MissingFilesGiveDefaults)
{
    settingsLoad();
    const SettingsState &s = Settings;
    EXPECT_EQ(s.sizeX, 610);
    EXPECT_EQ(s.sizeY, 340);
    EXPECT_EQ(s.xLoc, SETTINGS_CW_USEDEFAULT);
    EXPECT_EQ(s.undoLevels, 5);
    EXPECT_EQ(s.maxDisplayTime, 0);
    EXPECT_EQ(s.waveformColor, 0x00FF00u);
    EXPECT_EQ(s.spectralHigh, 240u | 255u << 8 | 220u << 16);
    EXPECT_EQ(s.spectralLow, 32u << 8 | 32u << 16);
    EXPECT_EQ(s.spectralReverse, 1);
    EXPECT_DOUBLE_EQ(s.bufferSize, 4.0);
    EXPECT_EQ(s.numBuffers, 8);
    EXPECT_EQ(s.pasteHilite, 1);
    EXPECT_EQ(s.undoEnabled, 1);
    EXPECT_EQ(s.useOldStyleBoxes, 0);
    EXPECT_EQ(s.previewFiles, 0);
    EXPECT_EQ(s.spectrumResolution, 7);
    EXPECT_EQ(s.timeCodeFrames, 30);
    EXPECT_EQ(s.windowType, 2);
}

TEST_F(SettingsTest, NumericKeysAreClamped)
{
    struct { const char *key, *value; int SettingsState::*field; int want; } cases[] = {
        {"NumBuffers", "1", &SettingsState::numBuffers, 2},
        {"NumBuffers", "100", &SettingsState::numBuffers, 32},
        {"SpectrumResolution", "3", &SettingsState::spectrumResolution, 4},
        {"SpectrumResolution", "14", &SettingsState::spectrumResolution, 13},
        {"TimeCodeFrames", "0", &SettingsState::timeCodeFrames, 1},
        {"TimeMode", "9", &SettingsState::timeMode, 3},
        {"WindowType", "-4", &SettingsState::windowType, 0},
    };
    for (auto &c : cases) {
        userProfileSetString("Zelo Edit", c.key, c.value);
        settingsLoad();
        EXPECT_EQ(Settings.*c.field, c.want) << c.key << "=" << c.value;
    }
    userProfileSetString("Zelo Edit", "BufferSize", "0.2");
    profileSetInt("Settings", "UndoLevels", 0);
    profileSetInt("Settings", "MaxDisplayTime", 99999);
    settingsLoad();
    EXPECT_DOUBLE_EQ(Settings.bufferSize, 1.0);
    EXPECT_EQ(Settings.undoLevels, 1);
    EXPECT_EQ(Settings.maxDisplayTime, 30000);
    userProfileSetString("Zelo Edit", "BufferSize", "25");
    profileSetInt("Settings", "UndoLevels", 100);
    profileSetInt("Settings", "MaxDisplayTime", -5);
    settingsLoad();
    EXPECT_DOUBLE_EQ(Settings.bufferSize, 20.0);
    EXPECT_EQ(Settings.undoLevels, 32);
    EXPECT_EQ(Settings.maxDisplayTime, 0);
}

// 3. A file edited by hand
TEST_F(SettingsTest, HandEditedFilesAreReadSensibly)
{
    write("win.ini", "[zelo edit]\r\n  NumBuffers =  12  \r\nundo= no\r\nPasteHilite=yes please\r\n"
                     "SpectrumResolution=abc\r\nBufferSize=lots\r\nTimeCodeFrames=25fps\r\n");
    write("zelo.ini", "[COLORS]\r\nWaveform = 255 , 0 , 0\r\nSpectralHigh=300,256,-1\r\n"
                      "SpectralLow=1,2\r\n[Silence]\r\nDuration=nan\r\n[Settings]\r\nUndoLevels=\r\n");
    settingsLoad();
    EXPECT_EQ(Settings.numBuffers, 12);
    EXPECT_EQ(Settings.undoEnabled, 0);
    EXPECT_EQ(Settings.pasteHilite, 1);
    EXPECT_EQ(Settings.spectrumResolution, 7);   /* not a number: the default */
    EXPECT_DOUBLE_EQ(Settings.bufferSize, 4.0);
    EXPECT_EQ(Settings.timeCodeFrames, 25);
    EXPECT_EQ(Settings.waveformColor, 0x0000FFu);          /* red */
    EXPECT_EQ(Settings.spectralHigh, 44u | 0u << 8 | 255u << 16);  /* each part modulo 256 */
    EXPECT_EQ(Settings.spectralLow, 32u << 8 | 32u << 16); /* two parts: the default */
    EXPECT_EQ(Settings.undoLevels, 5);
}

// 4. Written forms
TEST_F(SettingsTest, SaveWritesYesNoAndNumberFormsAndReadsBack)
{
    settingsLoad();
    Settings.undoEnabled = 0;
    Settings.previewFiles = 1;
    Settings.bufferSize = 2.5;
    Settings.numBuffers = 16;
    Settings.waveformColor = 0x030201u;
    settingsSave();
    EXPECT_EQ(user("Undo"), "No");
    EXPECT_EQ(user("PasteHilite"), "Yes");
    EXPECT_EQ(user("PreviewFiles"), "Yes");
    EXPECT_EQ(user("BufferSize"), "2.5");
    EXPECT_EQ(user("NumBuffers"), "16");
    EXPECT_EQ(user("WaveOut"), "<none>");   /* no device chosen: not written */
    EXPECT_EQ(priv("Colors", "Waveform"), "1,2,3");
    SettingsState saved = Settings;
    settingsLoad();
    EXPECT_EQ(Settings.undoEnabled, 0);
    EXPECT_EQ(Settings.previewFiles, 1);
    EXPECT_DOUBLE_EQ(Settings.bufferSize, saved.bufferSize);
    EXPECT_EQ(Settings.waveformColor, saved.waveformColor);
}

// 4b. Keys that other dialogs own: a save of the general settings never writes back the
// values read at start-up over what the user chose since (Paste Special, Silence, the
// file type), and the "fill automatically" switch reaches the profile at once.
TEST_F(SettingsTest, SaveLeavesKeysOwnedByOtherDialogsAlone)
{
    write("zelo.ini", "[Paste Special]\r\nLeft=0.5\r\n[Silence]\r\nDuration=2\r\n[Recent]\r\nFileFilter=Old\r\n");
    settingsLoad();
    write("zelo.ini", "[Paste Special]\r\nLeft=0.75\r\n[Silence]\r\nDuration=3\r\n[Recent]\r\nFileFilter=New\r\n");
    settingsSave();
    EXPECT_EQ(priv("Paste Special", "Left"), "0.75");
    EXPECT_EQ(priv("Silence", "Duration"), "3");
    EXPECT_EQ(priv("Recent", "FileFilter"), "New");

    settingsSetAutoFillInfo(1);
    EXPECT_EQ(priv("Settings", "AutoFillInfo"), "1");
    settingsSetAutoFillInfo(0);
    EXPECT_EQ(priv("Settings", "AutoFillInfo"), "0");
    EXPECT_EQ(Settings.autoFillInfo, 0);
}

// 5. Directories and the recent format
TEST_F(SettingsTest, TempDirsFromTempVariableAreWrittenBack)
{
    std::string t = dir + "\\tmp";
    CreateDirectoryA(t.c_str(), NULL);
    SetEnvironmentVariableA("TEMP", t.c_str());
    settingsFixTempDirs();
    std::string up = t;
    for (char &c : up) c = (char)toupper((unsigned char)c);
    EXPECT_EQ(std::string(TF.tempDir), up);
    EXPECT_EQ(priv("Size", "TempOverride"), up);
    EXPECT_EQ(priv("Settings", "UndoTempDir"), up);

    uint32_t rate; uint16_t bits, ch;
    settingsRecentRead(&rate, &bits, &ch);
    EXPECT_EQ(rate, 44100u); EXPECT_EQ(bits, 16); EXPECT_EQ(ch, 2);
    settingsRecentWrite(11025, 8, 1);
    settingsRecentRead(&rate, &bits, &ch);
    EXPECT_EQ(rate, 11025u); EXPECT_EQ(bits, 8); EXPECT_EQ(ch, 1);
}

} // namespace
