/*
 * settings.h - the general settings the shell loads when the main window is created and
 * writes back when it is destroyed.  Keys that one subsystem reads at the moment of use
 * (the conversion targets, meter, scripts, toolbar, cue window placement) stay with it.
 * Keys another part owns are read and written there alone: [Recent] FileFilter by the
 * save flow, [Paste Special] and [Silence] by their dialogs.
 * Global state: Settings.  Every numeric field is within its clamp after settingsLoad.
 */
#ifndef ZELO_SETTINGS_H
#define ZELO_SETTINGS_H

#include <stdint.h>

#define SETTINGS_CW_USEDEFAULT ((long)0x80000000L)   /* "let the system place the window" */
#define SETTINGS_NAMEMAX 80

struct SettingsState {
    /* zelo.ini [Size] */
    long   sizeX;                /* X: client width, default 610 */
    long   sizeY;                /* Y: client height without the CD panel, default 340 */
    long   xLoc;                 /* XLoc: left edge, default CW_USEDEFAULT */
    long   yLoc;                 /* YLoc: top edge, default 0 */
    int    noPlayBar;            /* NoPlayBar, default 0 */
    int    cueListOpen;          /* CueList: 1 when open at the last exit */
    int    playListOpen;         /* PlayList */
    int    analyzerOpen;         /* Analyzer */
    /* zelo.ini [Settings] */
    int    autoFillInfo;         /* AutoFillInfo: fill ISFT and ICRD of new documents */
    int    undoLevels;           /* UndoLevels: 1..32, default 5 */
    long   maxDisplayTime;       /* MaxDisplayTime: seconds, 0 all, 0..30000 */
    int    meterFix;             /* MeterFix, default 0 */
    /* zelo.ini [Colors] */
    uint32_t waveformColor;      /* Waveform: 0x00BBGGRR, default 0,255,0 */
    uint32_t spectralHigh;       /* SpectralHigh, default 240,255,220 */
    uint32_t spectralLow;        /* SpectralLow, default 0,32,32 */
    int    spectralReverse;      /* SpectralReverse, default 1 */
    /* user profile [Zelo Edit] */
    double bufferSize;           /* BufferSize: seconds, 1.0..20.0, default 4.0 */
    int    numBuffers;           /* NumBuffers: 2..32, default 8 */
    int    saveMode;             /* SaveMode: 0 the Save button acts as Save As */
    int    viewingMode;          /* ViewingMode: 1 dots, 0 lines */
    int    pasteHilite;          /* PasteHilite flag, default yes */
    int    tempCompressed;       /* TempCompressed flag, default yes */
    int    useOldStyleBoxes;     /* UseOldStyleBoxes flag, default no */
    int    convert16to8;         /* Convert16to8 flag, default no */
    int    undoEnabled;          /* Undo flag, default yes */
    int    dither8Bit;           /* Dither8Bit flag, default yes */
    int    playFromCursor;       /* PlayFromCursor flag, default yes */
    int    filePreviewInfo;      /* FilePreviewInfo flag, default yes */
    int    toolHelp;             /* ToolHelp flag, default yes */
    int    previewFiles;         /* PreviewFiles flag, default no */
    int    spectrumResolution;   /* SpectrumResolution: bits, 4..13, default 7 */
    int    timeCodeFrames;       /* TimeCodeFrames: frames per second, 1..999, default 30 */
    int    timeMode;             /* TimeMode (length field): 0..3 */
    int    loTimeMode;           /* LoTimeMode (begin field): 0..3 */
    int    hiTimeMode;           /* HiTimeMode (end field): 0..3 */
    int    windowType;           /* WindowType: FFT window 0..5, default 2 */
    char   waveOut[SETTINGS_NAMEMAX]; /* WaveOut: product name of the chosen device, "" none */
    char   waveIn[SETTINGS_NAMEMAX];  /* WaveIn */
    char   midiOut[SETTINGS_NAMEMAX]; /* MidiOut */
    char   midiIn[SETTINGS_NAMEMAX];  /* MidiIn */
};
extern SettingsState Settings;

/* Puts every field at its default. */
void settingsDefaults(void);
/* Reads every key above (missing or unreadable files give the defaults) and clamps. */
void settingsLoad(void);
/* Writes the keys the shell owns at exit; the device names only when non-empty (the
   caller clears a name whose device does not exist).  [Size] is written separately. */
void settingsSave(void);
/* The Wave Information dialog's "fill automatically" box: set and written at once, so the
   save flow, which reads the key when it needs it, sees the user's choice at once. */
void settingsSetAutoFillInfo(int on);
/* [Size] X and Y; XLoc and YLoc (the last copy to exit, in normal state). */
void settingsSaveSize(long x, long y);
void settingsSavePosition(long xLoc, long yLoc);

/* Reads [Size] TempOverride, [Settings] UndoTempDir, TEMP and the Windows directory, fixes
   the temporary and undo directories (store/tempfile.h) and writes back what was repaired. */
void settingsFixTempDirs(void);

/* [Recent] SampleRate, BitsPerSample, Channels: the format of the last New document
   (44100, 16, 2 when missing or not a usable format).  Fit DocHook.readRecent/writeRecent. */
void settingsRecentRead(uint32_t *rate, uint16_t *bits, uint16_t *channels);
void settingsRecentWrite(uint32_t rate, uint16_t bits, uint16_t channels);

/* Helpers shared with the dialog: "Yes"/"No" flags and "r,g,b" colours. */
int      settingsParseFlag(const char *text, int def);     /* on when it begins with Y */
uint32_t settingsParseColor(const char *text, uint32_t def); /* each part modulo 256 */

#endif
