/*
 * settings.cpp - loading, clamping and saving the general settings (Settings).
 *
 * Every key is read through shell/profile.h, with its default when missing or unreadable,
 * and clamped here so no other part has to guard against a hand-edited file.  Flags are
 * written "Yes"/"No", BufferSize "%g", doubles of zelo.ini "%lg", integers "%ld".
 */
#include "core/settings.h"
#include "core/profile.h"
#include "store/tempfile.h"

#include <windows.h>
#include <ctype.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

SettingsState Settings;

static const char ZE[] = "Zelo Edit";

#define RGB3(r, g, b) ((uint32_t)(r) | ((uint32_t)(g) << 8) | ((uint32_t)(b) << 16))
#define DEF_WAVEFORM     RGB3(0, 255, 0)
#define DEF_SPECTRALHIGH RGB3(240, 255, 220)
#define DEF_SPECTRALLOW  RGB3(0, 32, 32)

static long clampL(long v, long lo, long hi) { return v < lo ? lo : v > hi ? hi : v; }
static double clampD(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

void settingsDefaults(void)
{
    SettingsState &s = Settings;
    memset(&s, 0, sizeof s);
    s.sizeX = 610;
    s.sizeY = 340;
    s.xLoc = SETTINGS_CW_USEDEFAULT;
    s.undoLevels = 5;
    s.waveformColor = DEF_WAVEFORM;
    s.spectralHigh = DEF_SPECTRALHIGH;
    s.spectralLow = DEF_SPECTRALLOW;
    s.spectralReverse = 1;
    s.bufferSize = 4.0;
    s.numBuffers = 8;
    s.pasteHilite = s.tempCompressed = s.undoEnabled = s.dither8Bit = 1;
    s.playFromCursor = s.filePreviewInfo = s.toolHelp = 1;
    s.spectrumResolution = 7;
    s.timeCodeFrames = 30;
    s.windowType = 2;
}

int settingsParseFlag(const char *text, int def)
{
    if (!text)
        return def;
    while (*text == ' ' || *text == '\t')
        text++;
    return toupper((unsigned char)*text) == 'Y';
}

static int parseNumber(const char *s, long *out)
{
    while (*s == ' ' || *s == '\t')
        s++;
    char *end;
    long v = strtol(s, &end, 10);
    if (end == s)
        return 1;
    *out = v;
    return 0;
}

uint32_t settingsParseColor(const char *text, uint32_t def)
{
    long part[3];
    const char *p = text ? text : "";
    for (int i = 0; i < 3; i++) {
        char *end;
        while (*p == ' ' || *p == '\t')
            p++;
        part[i] = strtol(p, &end, 10);
        if (end == p)
            return def;
        p = end;
        while (*p == ' ' || *p == '\t')
            p++;
        if (i < 2) {
            if (*p != ',')
                return def;
            p++;
        }
    }
    uint32_t c = 0;
    for (int i = 0; i < 3; i++)
        c |= (uint32_t)(((part[i] % 256) + 256) % 256) << (8 * i);
    return c;
}

/* A double written as text; "abc", "nan" or "inf" give the default. */
static double parseDouble(const char *text, double def)
{
    char *end;
    double v = strtod(text, &end);
    if (end == text || !isfinite(v))
        return def;
    return v;
}

static uint32_t privColor(const char *key, uint32_t def)
{
    char buf[64];
    profileGetString("Colors", key, "", buf, sizeof buf);
    return settingsParseColor(buf, def);
}

static int userFlag(const char *key, int def)
{
    char buf[16];
    userProfileGetString(ZE, key, def ? "YES" : "NO", buf, sizeof buf);
    return settingsParseFlag(buf, def);
}

static int userInt(const char *key, long def, long lo, long hi)
{
    return (int)clampL(userProfileGetInt(ZE, key, def), lo, hi);
}

void settingsLoad(void)
{
    SettingsState &s = Settings;
    settingsDefaults();
    char buf[64];

    s.sizeX = clampL(profileGetInt("Size", "X", 610), 100, 32767);
    s.sizeY = clampL(profileGetInt("Size", "Y", 340), 50, 32767);
    s.xLoc = profileGetInt("Size", "XLoc", SETTINGS_CW_USEDEFAULT);
    s.yLoc = profileGetInt("Size", "YLoc", 0);
    s.noPlayBar = profileGetInt("Size", "NoPlayBar", 0) != 0;
    s.cueListOpen = profileGetInt("Size", "CueList", 0) == 1;
    s.playListOpen = profileGetInt("Size", "PlayList", 0) == 1;
    s.analyzerOpen = profileGetInt("Size", "Analyzer", 0) == 1;

    s.autoFillInfo = profileGetInt("Settings", "AutoFillInfo", 0) != 0;
    s.undoLevels = (int)clampL(profileGetInt("Settings", "UndoLevels", 5), 1, 32);
    s.maxDisplayTime = clampL(profileGetInt("Settings", "MaxDisplayTime", 0), 0, 30000);
    s.meterFix = (int)clampL(profileGetInt("Settings", "MeterFix", 0), 0, 2);

    s.waveformColor = privColor("Waveform", DEF_WAVEFORM);
    s.spectralHigh = privColor("SpectralHigh", DEF_SPECTRALHIGH);
    s.spectralLow = privColor("SpectralLow", DEF_SPECTRALLOW);
    s.spectralReverse = profileGetInt("Colors", "SpectralReverse", 1) != 0;

    userProfileGetString(ZE, "BufferSize", "4.0", buf, sizeof buf);
    s.bufferSize = clampD(parseDouble(buf, 4.0), 1.0, 20.0);
    s.numBuffers = userInt("NumBuffers", 8, 2, 32);
    s.saveMode = userInt("SaveMode", 0, 0, 1);
    s.viewingMode = userInt("ViewingMode", 0, 0, 1);
    s.pasteHilite = userFlag("PasteHilite", 1);
    s.tempCompressed = userFlag("TempCompressed", 1);
    s.useOldStyleBoxes = userFlag("UseOldStyleBoxes", 0);
    s.convert16to8 = userFlag("Convert16to8", 0);
    s.undoEnabled = userFlag("Undo", 1);
    s.dither8Bit = userFlag("Dither8Bit", 1);
    s.playFromCursor = userFlag("PlayFromCursor", 1);
    s.filePreviewInfo = userFlag("FilePreviewInfo", 1);
    s.toolHelp = userFlag("ToolHelp", 1);
    s.previewFiles = userFlag("PreviewFiles", 0);
    s.spectrumResolution = userInt("SpectrumResolution", 7, 4, 13);
    /* 0 frames per second would divide by zero in the frame time formats. */
    s.timeCodeFrames = userInt("TimeCodeFrames", 30, 1, 999);
    s.timeMode = userInt("TimeMode", 0, 0, 3);
    s.loTimeMode = userInt("LoTimeMode", 0, 0, 3);
    s.hiTimeMode = userInt("HiTimeMode", 0, 0, 3);
    s.windowType = userInt("WindowType", 2, 0, 5);
    userProfileGetString(ZE, "WaveOut", "", s.waveOut, sizeof s.waveOut);
    userProfileGetString(ZE, "WaveIn", "", s.waveIn, sizeof s.waveIn);
    userProfileGetString(ZE, "MidiOut", "", s.midiOut, sizeof s.midiOut);
    userProfileGetString(ZE, "MidiIn", "", s.midiIn, sizeof s.midiIn);
}

static void userIntSet(const char *key, long v)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%ld", v);
    userProfileSetString(ZE, key, buf);
}

static void userFlagSet(const char *key, int on)
{
    userProfileSetString(ZE, key, on ? "Yes" : "No");
}

static void privColorSet(const char *key, uint32_t c)
{
    char buf[48];
    snprintf(buf, sizeof buf, "%ld,%ld,%ld", (long)(c & 0xFF), (long)((c >> 8) & 0xFF), (long)((c >> 16) & 0xFF));
    profileSetString("Colors", key, buf);
}

void settingsSave(void)
{
    const SettingsState &s = Settings;
    char buf[64];
    snprintf(buf, sizeof buf, "%g", s.bufferSize);
    userProfileSetString(ZE, "BufferSize", buf);
    userIntSet("NumBuffers", s.numBuffers);
    userIntSet("SaveMode", s.saveMode);
    userIntSet("ViewingMode", s.viewingMode);
    userFlagSet("PasteHilite", s.pasteHilite);
    userFlagSet("TempCompressed", s.tempCompressed);
    userFlagSet("UseOldStyleBoxes", s.useOldStyleBoxes);
    userFlagSet("Convert16to8", s.convert16to8);
    userFlagSet("Undo", s.undoEnabled);
    userFlagSet("Dither8Bit", s.dither8Bit);
    userFlagSet("PlayFromCursor", s.playFromCursor);
    userFlagSet("FilePreviewInfo", s.filePreviewInfo);
    userFlagSet("ToolHelp", s.toolHelp);
    userFlagSet("PreviewFiles", s.previewFiles);
    userIntSet("SpectrumResolution", s.spectrumResolution);
    userIntSet("TimeCodeFrames", s.timeCodeFrames);
    userIntSet("TimeMode", s.timeMode);
    userIntSet("LoTimeMode", s.loTimeMode);
    userIntSet("HiTimeMode", s.hiTimeMode);
    userIntSet("WindowType", s.windowType);
    if (s.waveOut[0]) userProfileSetString(ZE, "WaveOut", s.waveOut);
    if (s.waveIn[0]) userProfileSetString(ZE, "WaveIn", s.waveIn);
    if (s.midiOut[0]) userProfileSetString(ZE, "MidiOut", s.midiOut);
    if (s.midiIn[0]) userProfileSetString(ZE, "MidiIn", s.midiIn);

    profileSetInt("Settings", "MaxDisplayTime", s.maxDisplayTime);
    profileSetInt("Settings", "UndoLevels", s.undoLevels);
    privColorSet("Waveform", s.waveformColor);
    privColorSet("SpectralHigh", s.spectralHigh);
    privColorSet("SpectralLow", s.spectralLow);
    profileSetInt("Colors", "SpectralReverse", s.spectralReverse);
}

void settingsSetAutoFillInfo(int on)
{
    Settings.autoFillInfo = on != 0;
    profileSetInt("Settings", "AutoFillInfo", Settings.autoFillInfo);
}

void settingsSaveSize(long x, long y)
{
    profileSetInt("Size", "X", x);
    profileSetInt("Size", "Y", y);
}

void settingsSavePosition(long xLoc, long yLoc)
{
    profileSetInt("Size", "XLoc", xLoc);
    profileSetInt("Size", "YLoc", yLoc);
}

void settingsRecentRead(uint32_t *rate, uint16_t *bits, uint16_t *channels)
{
    char buf[32];
    long v;
    profileGetString("Recent", "SampleRate", "44100", buf, sizeof buf);
    *rate = parseNumber(buf, &v) == 0 && v >= 1 && v <= 1000000 ? (uint32_t)v : 44100u;
    *bits = profileGetInt("Recent", "BitsPerSample", 16) == 8 ? 8 : 16;
    *channels = profileGetInt("Recent", "Channels", 2) == 1 ? 1 : 2;
}

void settingsRecentWrite(uint32_t rate, uint16_t bits, uint16_t channels)
{
    profileSetInt("Recent", "SampleRate", (long)rate);
    profileSetInt("Recent", "BitsPerSample", bits);
    profileSetInt("Recent", "Channels", channels);
}

void settingsFixTempDirs(void)
{
    char temp[TEMP_DIRMAX], undo[TEMP_DIRMAX], env[MAX_PATH] = "", win[MAX_PATH] = "";
    profileGetString("Size", "TempOverride", "", temp, sizeof temp);
    profileGetString("Settings", "UndoTempDir", "", undo, sizeof undo);
    DWORD n = GetEnvironmentVariableA("TEMP", env, sizeof env);
    if (n >= sizeof env)
        env[0] = 0;
    GetWindowsDirectoryA(win, sizeof win);
    tempChooseDirs(temp, undo, env, win);
    if (TF.tempWriteBack[0])
        profileSetString("Size", "TempOverride", TF.tempWriteBack);
    if (TF.undoWriteBack[0])
        profileSetString("Settings", "UndoTempDir", TF.undoWriteBack);
}
