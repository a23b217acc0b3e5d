/*
 * zxform.h - the transform module interface (modules "*.xfm": effects, generators, tools).
 *
 * A transform module is a 32-bit DLL in the program's folder.  It exports QueryXfm and the
 * other entry points below by their undecorated names with the WINAPI convention (list them
 * in a .def file: "QueryXfm = QueryXfm@4", "XfmSetup = XfmSetup@12" and so on).  The host
 * hands every entry point an XfmContext holding the wave's format, the range to work on, the
 * module's settings block (XfmData) and the addresses of the host services; the module
 * reads and writes samples only through those services.  All services return at once; the
 * sample services return 0 for success.
 *
 * This header is all a module needs; it is plain C (C89 with C11 or C++ static checks) and
 * includes <windows.h>.  The records are fixed binary layouts of the 32-bit build.
 */
#ifndef ZELO_ZXFORM_H
#define ZELO_ZXFORM_H

#include <windows.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* QueryXfm returns the interface version it was written for; the host accepts
   XFM_VERSION_MIN .. XFM_VERSION (its own version). */
#define XFM_VERSION_MIN 1000
#define XFM_VERSION     1152

/* XfmInfo.formats: the sample formats a module accepts.  Without either 8-bit bit the host
   hands 8-bit material to the module as 16-bit and converts on the way. */
#define XFM_FMT_MONO8    0x01
#define XFM_FMT_STEREO8  0x02
#define XFM_FMT_MONO16   0x04
#define XFM_FMT_STEREO16 0x08

/* XfmInfo.flags (XfmFlags). */
#define XFM_TRANSFORM        0x00000001u /* Transform menu; runs on the selection, with undo */
#define XFM_GENERATE         0x00000002u /* Generate menu; writes new material */
#define XFM_PRESETS          0x00000004u /* uses the preset services */
#define XFM_GRAPH            0x00000008u /* uses the graph control services */
#define XFM_NEEDS_DATA       0x00000010u /* disabled while the wave holds no samples */
#define XFM_UNDO_TO_VIEW_END 0x00000040u /* undo copy from the start to the view end */
#define XFM_UNDO_TO_LENGTH   0x00000080u /* undo copy from the start to the end of the wave */
#define XFM_FFT              0x00000100u /* uses the FFT services */
#define XFM_BOTH_CHANNELS    0x00000200u /* disabled while one channel of a stereo wave is edited */
#define XFM_TOOL             0x00000400u /* Options menu; only XfmSetup runs (no undo, no XfmDo) */
#define XFM_OWN_RANGE        0x00002000u /* XfmDo reports the changed range; setup also runs on repeat */
#define XFM_HIDDEN           0x00004000u /* no menu entry: called by other modules only */
#define XFM_QUIET            0x80000000u /* set by the host only: setup runs without user interaction */

/* XfmSetup results. */
#define XFM_SETUP_CANCEL 0
#define XFM_SETUP_RUN    1
#define XFM_SETUP_KEEP   2   /* keep the settings, do nothing more */

/* Letters of XfmInfo.layout, one per XfmData field (upper or lower case; any other letter
   describes nothing).  Sizes in bytes. */
#define XFM_LAY_LONG    'L'  /* 4: signed 32-bit ('B' is the same) */
#define XFM_LAY_BOOL    'B'  /* 4: signed 32-bit */
#define XFM_LAY_CHAR    'C'  /* 1: unsigned 8-bit */
#define XFM_LAY_DOUBLE  'D'  /* 8: 64-bit floating point */
#define XFM_LAY_FLOAT   'F'  /* 4: 32-bit floating point */
#define XFM_LAY_GRAPH   'G'  /* 2: graph id of a graph control */
#define XFM_LAY_HANDLE  'H'  /* 4: memory handle owned by the settings (not saved) */
#define XFM_LAY_INT     'I'  /* 2: signed 16-bit */
#define XFM_LAY_STRING  'S'  /* 256: zero-terminated text */
#define XFM_STRING_SIZE 256

/* Where a text value is saved, every ',' is stored as this byte. */
#define XFM_COMMA_CODE 0x8C

#define XFM_NAME_SIZE   40
#define XFM_LABEL_SIZE  150
#define XFM_LAYOUT_SIZE 48
#define XFM_FILE_SIZE   20
#define XFM_RESULT_SIZE 292  /* bytes of XfmContext that CallXfm hands back */

#pragma pack(push, 1)

/* The module's description, filled by QueryXfm. */
typedef struct XfmInfo {
    char  name[XFM_NAME_SIZE];      /*   0 menu text, sort key, settings key, "Undo %s" */
    char  label[XFM_LABEL_SIZE];    /*  40 shown in the progress dialog while it runs */
    BYTE  formats;                  /* 190 XFM_FMT_* */
    BYTE  reserved;                 /* 191 */
    DWORD flags;                    /* 192 XFM_* flags */
    DWORD dataSize;                 /* 196 bytes of XfmData */
    char  layout[XFM_LAYOUT_SIZE];  /* 200 field letters of XfmData, zero-terminated */
    char  presetMask[XFM_LAYOUT_SIZE]; /* 248 'y'/'Y' per layout position: stored by presets */
} XfmInfo;

/* One row of the host's registry (also stored byte for byte in its cache file). */
typedef struct TransformEntry {
    XfmInfo info;                   /*   0 */
    char    file[XFM_FILE_SIZE];    /* 296 module file name without folder */
    HGLOBAL data;                   /* 316 the XfmData block for the process, 0 before first use */
    HBITMAP bitmap;                 /* 320 toolbar picture ("TOOLBARICON"), 0 for none */
} TransformEntry;

typedef struct XfmContext XfmContext;

/* ---- host services (all WINAPI) ---- */
typedef void  (WINAPI *XfmCenterFn)(HWND window, HWND over);
typedef short (WINAPI *XfmReadFn)(void *dst, long offset, DWORD count);        /* 0 ok */
typedef short (WINAPI *XfmWriteFn)(const void *src, long offset, DWORD count); /* 0 ok */
typedef short (WINAPI *XfmCutFn)(long offset, DWORD count);                    /* 0 ok */
typedef short (WINAPI *XfmInsertBlankFn)(long offset, DWORD count);            /* 0 ok */
typedef int   (WINAPI *XfmProgressMeterFn)(DWORD done, DWORD total);           /* 1 go on, 0 stop */
typedef void  (WINAPI *XfmProgressCreateFn)(LPCSTR title, HWND owner);         /* owner 0 main, -1 none */
typedef void  (WINAPI *XfmProgressDestroyFn)(void);
typedef short (WINAPI *XfmDelayWriteInitFn)(WORD delay, DWORD start, DWORD total); /* 0 ok */
typedef void  (WINAPI *XfmDelayWriteFn)(const void *src, WORD count);
typedef void  (WINAPI *XfmDelayWriteDestroyFn)(void);
typedef void  (WINAPI *XfmTempNameFn)(LPCSTR prefix, LPSTR buffer);

/* presets */
typedef short (WINAPI *XfmPresetsInitIniFn)(HWND dlg, LPCSTR section, LPCSTR iniFile);
typedef void  (WINAPI *XfmPresetNameFn)(HWND dlg);
typedef short (WINAPI *XfmPresetListFn)(XfmContext *ctx, HWND dlg, LPCSTR section, WORD notify, HWND list);
typedef void  (WINAPI *XfmPresetAddFn)(XfmContext *ctx, HWND dlg, LPCSTR section);
typedef short (WINAPI *XfmPresetDelFn)(HWND dlg, LPCSTR section);

/* graph control (graph ids 0..31) */
typedef short (WINAPI *XfmGraphCreateFn)(short xMin, short xMax, short yMin, short yMax, short yAtMin, short yAtMax);
typedef void  (WINAPI *XfmGraphSetDialogFn)(short id, HWND dlg, short controlId, short labelId);
typedef void  (WINAPI *XfmGraphIdFn)(short id);                  /* Destroy, Clear, Inverse */
typedef void  (WINAPI *XfmGraphDrawFn)(short id, HDC dc);
typedef short (WINAPI *XfmGraphMouseFn)(short id, short x, short y);  /* point index, -1 none */
typedef short (WINAPI *XfmGraphCountFn)(short id);
typedef void  (WINAPI *XfmGraphGetPointFn)(short id, short index, long *xy);
typedef void  (WINAPI *XfmGraphSetPointFn)(short id, short index, long x, long y, short setCount);
typedef void  (WINAPI *XfmGraphValueAtFn)(short id, double position, double *value);
typedef void  (WINAPI *XfmGraphScalesFn)(short id, double xScale, double xOffset, WORD xRound,
                                         double yScale, double yOffset, WORD yRound, WORD dbMode);
typedef void  (WINAPI *XfmGraphNamesFn)(short id, LPCSTR xTitle, LPCSTR xUnit, LPCSTR yTitle, LPCSTR yUnit);
typedef void  (WINAPI *XfmGraphCopyFn)(short dst, short src);

/* FFT family (FftArray: 1-based floats, real/imaginary pairs) and convolution */
typedef void  (WINAPI *XfmFftFn)(float *data, short n, short sign);
typedef void  (WINAPI *XfmWindowFftFn)(float *data, short n, short stereo);
typedef void  (WINAPI *XfmIWindowFftFn)(float *data, short stereo);
typedef short (WINAPI *XfmSetWindowTypeFn)(short type);
typedef void  (WINAPI *XfmSetFftFn)(float *data, const void *samples, short n);
typedef void  (WINAPI *XfmSetStereoFftFn)(float *data, const void *left, const void *right, short n);
typedef void  (WINAPI *XfmGetStereoFftFn)(float *data, void *frames, short n, short mode);
/* any length; separate real and imaginary arrays of doubles */
typedef void  (WINAPI *XfmLfftFn)(double *re, double *im, long n, short sign);
/* 1 done (or cancelled), 0 failed; filter: a global handle of doubles */
typedef short (WINAPI *XfmConvoluteFn)(short channels, DWORD blockAlign, DWORD first, DWORD last,
                                       DWORD mix, short mode, HGLOBAL filter, DWORD taps,
                                       long delay, LPCSTR title, XfmReadFn read, XfmWriteFn write);

/* transform calls (also exported by the program) */
typedef HGLOBAL (WINAPI *XfmCreateVarsFn)(LPCSTR name);
typedef short   (WINAPI *XfmDeleteVarsFn)(LPCSTR name, HGLOBAL vars);
typedef void    (WINAPI *XfmSetVarFn)(HGLOBAL vars, WORD offset, WORD count, const void *src);
typedef short   (WINAPI *XfmCallFn)(LPCSTR name, HGLOBAL vars, DWORD start, DWORD end,
                                    short showProgress, void *result);

/* The record passed to every module entry point (300 bytes). */
struct XfmContext {
    WORD   channels;                /*   0 1 or 2 */
    WORD   bitsPerSample;           /*   2 8 or 16 */
    WORD   blockAlign;              /*   4 bytes per frame */
    WORD   unused6;                 /*   6 */
    DWORD  sampleRate;              /*   8 Hz */
    HGLOBAL data;                   /*  12 XfmData (movable block) */
    DWORD  start;                   /*  16 first frame of the range */
    DWORD  end;                     /*  20 last frame, inclusive */
    DWORD  unused24;                /*  24 */
    TransformEntry *entry;          /*  28 the registry row: layout and presetMask */
    XfmCenterFn      zwCenter;      /*  32 */
    XfmReadFn        vocRead;       /*  36 (or a substitute for one channel / 8-bit) */
    XfmWriteFn       vocWriteAt;    /*  40 (or a substitute) */
    short           *cancelFlag;    /*  44 non-zero once Cancel was pressed */
    XfmProgressMeterFn   progressMeter;   /* 48 */
    XfmProgressCreateFn  progressCreate;  /* 52 */
    XfmProgressDestroyFn progressDestroy; /* 56 */
    LPCSTR           iniFile;       /*  60 "zelo.ini" */
    XfmPresetsInitIniFn presetsInitIni;         /*  64 with XFM_PRESETS */
    XfmPresetNameFn     presetHandlePRESETNAME; /*  68 */
    XfmPresetListFn     HandleID_PRESETS;       /*  72 */
    XfmPresetAddFn      HandleID_ADD;           /*  76 */
    XfmPresetDelFn      presetHandleDEL;        /*  80 */
    XfmGraphCreateFn    graphapiCreate;         /*  84 with XFM_GRAPH */
    XfmGraphCountFn     graphapiCount;          /*  88 */
    XfmGraphGetPointFn  graphapiGetPoint;       /*  92 */
    XfmGraphValueAtFn   graphapiGetValueAt;     /*  96 */
    XfmGraphDrawFn      graphapiDraw;           /* 100 */
    XfmGraphIdFn        graphapiClear;          /* 104 */
    XfmGraphIdFn        graphapiInverse;        /* 108 */
    XfmGraphIdFn        graphapiDestroy;        /* 112 */
    XfmGraphMouseFn     graphapiWM_LBUTTONDOWN; /* 116 */
    XfmGraphMouseFn     graphapiWM_LBUTTONUP;   /* 120 */
    XfmGraphMouseFn     graphapiWM_LBUTTONDBLCLK; /* 124 */
    XfmGraphMouseFn     graphapiWM_MOUSEMOVE;   /* 128 */
    XfmGraphScalesFn    graphapiSetDblClkScales;/* 132 */
    XfmGraphNamesFn     graphapiSetDblClkNames; /* 136 */
    XfmGraphSetDialogFn graphapiSetDialog;      /* 140 */
    WORD   scriptHandle;            /* 144 65535 when no script runs */
    WORD   scriptShowDialogs;       /* 146 non-zero: show the dialog while a script runs */
    HFONT  dialogFont;              /* 148 the host dialogs' font */
    DWORD  lengthRequest;           /* 152 generator: non-zero lets the host fit the length */
    DWORD  lengthFrames;            /* 156 generator: frames it will generate */
    DWORD  one;                     /* 160 always 1 */
    XfmFftFn            FFT;        /* 164 with XFM_FFT (164..212, not 180) */
    XfmWindowFftFn      WindowFFT;  /* 168 */
    XfmIWindowFftFn     IWindowFFT; /* 172 */
    XfmSetWindowTypeFn  SetWindowType;  /* 176 */
    XfmTempNameFn       getTempName;    /* 180 always */
    XfmSetFftFn         SetFFT16bit;    /* 184 */
    XfmSetFftFn         SetFFT8bit;     /* 188 */
    XfmSetStereoFftFn   SetStereoFFT16bit;  /* 192 */
    XfmSetStereoFftFn   SetStereoFFT8bit;   /* 196 */
    XfmSetFftFn         SetStereoFFT16bitInterleaved; /* 200 */
    XfmSetFftFn         SetStereoFFT8bitInterleaved;  /* 204 */
    XfmGetStereoFftFn   GetStereoFFT16bitInterleaved; /* 208 */
    XfmGetStereoFftFn   GetStereoFFT8bitInterleaved;  /* 212 */
    XfmCreateVarsFn     CreateXfmVars;  /* 216 */
    XfmSetVarFn         SetXfmVar;      /* 220 */
    XfmCallFn           CallXfm;        /* 224 */
    XfmDelayWriteFn        delayWrite;        /* 228 (or a substitute) */
    XfmDelayWriteInitFn    delayWriteInit;    /* 232 */
    XfmDelayWriteDestroyFn delayWriteDestroy; /* 236 */
    HINSTANCE           hostInstance;   /* 240 for the host's dialog resources */
    XfmGraphCopyFn      graphapiCopyGraph; /* 244 with XFM_GRAPH */
    XfmCutFn            vocCut;         /* 248 (or a substitute) */
    XfmInsertBlankFn    vocInsertBlank; /* 252 (or a substitute) */
    XfmDeleteVarsFn     DeleteXfmVars;  /* 256 */
    DWORD  viewEnd;                 /* 260 last frame shown */
    DWORD  viewStart;               /* 264 first frame shown */
    XfmGraphSetPointFn  graphapiSetPoint; /* 268 with XFM_GRAPH */
    DWORD  extraFlags;              /* 272 set by the setup: XFM_GENERATE, XFM_UNDO_TO_*, XFM_OWN_RANGE */
    XfmLfftFn           LFFT;       /* 276 with XFM_FFT */
    XfmConvoluteFn      Convolute;  /* 280 with XFM_FFT */
    DWORD  changedStart;            /* 284 with XFM_OWN_RANGE: first changed frame */
    DWORD  changedEnd;              /* 288 with XFM_OWN_RANGE: last changed frame, inclusive */
    WORD   registryIndex;           /* 292 set by OpenXfm */
    WORD   unused294;               /* 294 */
    HMODULE module;                 /* 296 set by OpenXfm */
};

#pragma pack(pop)

/* ---- module entry points ---- */
typedef short (WINAPI *XfmQueryFn)(XfmInfo *info);                          /* QueryXfm: version */
typedef void  (WINAPI *XfmInitFn)(XfmContext *ctx);                         /* XfmInit: defaults */
typedef short (WINAPI *XfmSetupFn)(HWND main, HINSTANCE module, XfmContext *ctx); /* XfmSetup */
typedef long  (WINAPI *XfmDoFn)(XfmContext *ctx);                           /* XfmDo */
typedef void  (WINAPI *XfmDestroyFn)(XfmContext *ctx);                      /* XfmDestroy */

/* ---- calls exported by the program (zelo.exe), for modules that run other modules ---- */
typedef short (WINAPI *XfmOpenFn)(LPCSTR name);                 /* OpenXfm: handle 1..15, 0 failed */
typedef void  (WINAPI *XfmCloseFn)(short handle);               /* CloseXfm */
typedef long  (WINAPI *XfmDoInstanceFn)(short handle, DWORD start, DWORD end, short showProgress); /* DoXfm */
typedef short (WINAPI *XfmGetDataFn)(void *dst, short handle, WORD offset, WORD count); /* bGetXfmData */
typedef short (WINAPI *XfmSetDataFn)(short handle, const void *src, WORD offset, WORD count); /* bSetXfmData */

/* ---- layout checks (32-bit build) ---- */
#if defined(__i386__) || defined(_M_IX86)
#if defined(__cplusplus)
#define XFM_CHECK(c, m) static_assert(c, m)
#else
#define XFM_CHECK(c, m) _Static_assert(c, m)
#endif
XFM_CHECK(sizeof(XfmInfo) == 296, "XfmInfo size");
XFM_CHECK(offsetof(XfmInfo, label) == 40, "label");
XFM_CHECK(offsetof(XfmInfo, formats) == 190, "formats");
XFM_CHECK(offsetof(XfmInfo, flags) == 192, "flags");
XFM_CHECK(offsetof(XfmInfo, dataSize) == 196, "dataSize");
XFM_CHECK(offsetof(XfmInfo, layout) == 200, "layout");
XFM_CHECK(offsetof(XfmInfo, presetMask) == 248, "presetMask");
XFM_CHECK(sizeof(TransformEntry) == 324, "TransformEntry size");
XFM_CHECK(offsetof(TransformEntry, file) == 296, "file");
XFM_CHECK(offsetof(TransformEntry, data) == 316, "data");
XFM_CHECK(offsetof(TransformEntry, bitmap) == 320, "bitmap");
XFM_CHECK(sizeof(XfmContext) == 300, "XfmContext size");
XFM_CHECK(offsetof(XfmContext, sampleRate) == 8, "sampleRate");
XFM_CHECK(offsetof(XfmContext, data) == 12, "data");
XFM_CHECK(offsetof(XfmContext, start) == 16, "start");
XFM_CHECK(offsetof(XfmContext, end) == 20, "end");
XFM_CHECK(offsetof(XfmContext, entry) == 28, "entry");
XFM_CHECK(offsetof(XfmContext, zwCenter) == 32, "zwCenter");
XFM_CHECK(offsetof(XfmContext, vocRead) == 36, "vocRead");
XFM_CHECK(offsetof(XfmContext, vocWriteAt) == 40, "vocWriteAt");
XFM_CHECK(offsetof(XfmContext, cancelFlag) == 44, "cancelFlag");
XFM_CHECK(offsetof(XfmContext, progressMeter) == 48, "progressMeter");
XFM_CHECK(offsetof(XfmContext, progressDestroy) == 56, "progressDestroy");
XFM_CHECK(offsetof(XfmContext, iniFile) == 60, "iniFile");
XFM_CHECK(offsetof(XfmContext, presetsInitIni) == 64, "presetsInitIni");
XFM_CHECK(offsetof(XfmContext, presetHandleDEL) == 80, "presetHandleDEL");
XFM_CHECK(offsetof(XfmContext, graphapiCreate) == 84, "graphapiCreate");
XFM_CHECK(offsetof(XfmContext, graphapiDestroy) == 112, "graphapiDestroy");
XFM_CHECK(offsetof(XfmContext, graphapiSetDialog) == 140, "graphapiSetDialog");
XFM_CHECK(offsetof(XfmContext, scriptHandle) == 144, "scriptHandle");
XFM_CHECK(offsetof(XfmContext, scriptShowDialogs) == 146, "scriptShowDialogs");
XFM_CHECK(offsetof(XfmContext, dialogFont) == 148, "dialogFont");
XFM_CHECK(offsetof(XfmContext, lengthRequest) == 152, "lengthRequest");
XFM_CHECK(offsetof(XfmContext, lengthFrames) == 156, "lengthFrames");
XFM_CHECK(offsetof(XfmContext, one) == 160, "one");
XFM_CHECK(offsetof(XfmContext, FFT) == 164, "FFT");
XFM_CHECK(offsetof(XfmContext, getTempName) == 180, "getTempName");
XFM_CHECK(offsetof(XfmContext, GetStereoFFT8bitInterleaved) == 212, "GetStereoFFT8bitInterleaved");
XFM_CHECK(offsetof(XfmContext, CreateXfmVars) == 216, "CreateXfmVars");
XFM_CHECK(offsetof(XfmContext, CallXfm) == 224, "CallXfm");
XFM_CHECK(offsetof(XfmContext, delayWrite) == 228, "delayWrite");
XFM_CHECK(offsetof(XfmContext, delayWriteInit) == 232, "delayWriteInit");
XFM_CHECK(offsetof(XfmContext, delayWriteDestroy) == 236, "delayWriteDestroy");
XFM_CHECK(offsetof(XfmContext, hostInstance) == 240, "hostInstance");
XFM_CHECK(offsetof(XfmContext, graphapiCopyGraph) == 244, "graphapiCopyGraph");
XFM_CHECK(offsetof(XfmContext, vocCut) == 248, "vocCut");
XFM_CHECK(offsetof(XfmContext, vocInsertBlank) == 252, "vocInsertBlank");
XFM_CHECK(offsetof(XfmContext, DeleteXfmVars) == 256, "DeleteXfmVars");
XFM_CHECK(offsetof(XfmContext, viewEnd) == 260, "viewEnd");
XFM_CHECK(offsetof(XfmContext, viewStart) == 264, "viewStart");
XFM_CHECK(offsetof(XfmContext, graphapiSetPoint) == 268, "graphapiSetPoint");
XFM_CHECK(offsetof(XfmContext, extraFlags) == 272, "extraFlags");
XFM_CHECK(offsetof(XfmContext, LFFT) == 276, "LFFT");
XFM_CHECK(offsetof(XfmContext, Convolute) == 280, "Convolute");
XFM_CHECK(offsetof(XfmContext, changedStart) == 284, "changedStart");
XFM_CHECK(offsetof(XfmContext, changedEnd) == 288, "changedEnd");
XFM_CHECK(offsetof(XfmContext, registryIndex) == 292, "registryIndex");
XFM_CHECK(offsetof(XfmContext, module) == 296, "module");
#undef XFM_CHECK
#endif

#ifdef __cplusplus
}
#endif

#endif
