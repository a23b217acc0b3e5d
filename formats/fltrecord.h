/*
 * fltrecord.h - the file-filter boundary as window-free code sees it: the 180-byte filter
 * record, its flags, the special item codes and the table of a loaded module's entry points.
 *
 * filters/sdk/zfilter.h is the modules' own header and brings <windows.h> with it, so the
 * host's window-free parts (filter table, cache file, INFO list, open/save flows) use this
 * mirror instead; fltload_win.cpp checks at compile time that both describe the same bytes
 * and values.  No state lives here.
 */
#ifndef ZELO_FLTRECORD_H
#define ZELO_FLTRECORD_H

#include "os/os.h"

#include <stddef.h>
#include <stdint.h>

#define FLT_QUERY_OK 1152            /* QueryZeloFilter's "accepted" code */

#define FLT_CANWRITE          0x002
#define FLT_CANREAD           0x004
#define FLT_SORTLAST          0x008
#define FLT_SPECIAL_READ_PRE  0x010
#define FLT_SPECIAL_READ_POST 0x020
#define FLT_SPECIAL_WRITE_PRE 0x040
#define FLT_SPECIAL_WRITE_POST 0x080
#define FLT_HASOPTIONS        0x100
#define FLT_AUTOCONVERT       0x200
#define FLT_UNCERTAIN         0x400

#define FLT_INFO_FIRST 20            /* "IART" */
#define FLT_INFO_LAST  33            /* "ISRF" */
#define FLT_DISP       34
#define FLT_CUEPOINTS  40
#define FLT_CUELENGTHS 41
#define FLT_CUENOTES   42
#define FLT_CUELABELS  43
#define FLT_PLAYLIST   44

#define FLT_OPTIONS_TEXT_MAX 256     /* room the host gives FilterOptionsString */

#pragma pack(push, 1)
struct FltRecord {
    char     formatName[24];         /* filter: zero-terminated */
    char     progressNote[108];      /* filter: shown while saving */
    uint32_t flags;                  /* filter: FLT_* */
    char     ext[8];                 /* filter: main extension, no dot */
    char     ext2[4];                /* filter: extra extensions or empty */
    char     ext3[4];
    char     ext4[4];
    char     moduleName[20];         /* host: module file name, no folder */
    uint16_t savePos;                /* host: 1-based place in the Save type list, 0 none */
    uint16_t openPos;                /* host: 1-based place in the Open type list, 0 none */
};
#pragma pack(pop)
/* Packed, so the layout is the same in the 32-bit and the native builds. */
static_assert(sizeof(FltRecord) == 180, "filter record size");
static_assert(offsetof(FltRecord, progressNote) == 24, "progressNote");
static_assert(offsetof(FltRecord, flags) == 132, "flags");
static_assert(offsetof(FltRecord, ext) == 136, "ext");
static_assert(offsetof(FltRecord, ext2) == 144, "ext2");
static_assert(offsetof(FltRecord, ext3) == 148, "ext3");
static_assert(offsetof(FltRecord, ext4) == 152, "ext4");
static_assert(offsetof(FltRecord, moduleName) == 156, "moduleName");
static_assert(offsetof(FltRecord, savePos) == 176, "savePos");
static_assert(offsetof(FltRecord, openPos) == 178, "openPos");
#define FLT_QUERY_BYTES 156          /* the part QueryZeloFilter fills */

typedef uint32_t FltHandle;          /* a filter's input or output handle; 0 = failure */

/* A loaded module: its instance and its entry points (NULL when not exported).  The window
   and instance arguments are HWND / HINSTANCE on Win32; on i686 they pass like void *. */
struct FltModule {
    void *instance;                  /* HINSTANCE (or a test's token); NULL when not loaded */
    short     (ZELOAPI *QueryZeloFilter)(FltRecord *record);
    short     (ZELOAPI *FilterUnderstandsFormat)(const char *fileName);
    FltHandle (ZELOAPI *OpenFilterInput)(const char *fileName, uint32_t *rate, uint16_t *bits,
                                         uint16_t *channels, void *owner, uint32_t *pieceSize);
    FltHandle (ZELOAPI *OpenFilterInput2)(const char *fileName, uint32_t *rate, uint16_t *bits,
                                          uint16_t *channels, void *owner, uint32_t *pieceSize,
                                          void *module);
    uint32_t  (ZELOAPI *FilterGetFileSize)(FltHandle in);
    uint32_t  (ZELOAPI *ReadFilterInput)(FltHandle in, uint8_t *buffer, uint32_t pieceSize);
    uint32_t  (ZELOAPI *SeekFilterInput)(FltHandle in, uint32_t bytePosition);
    void      (ZELOAPI *CloseFilterInput)(FltHandle in);
    short     (ZELOAPI *FilterOptionsString)(FltHandle in, char *text);
    uint32_t  (ZELOAPI *FilterGetOptions)(void *owner, void *module, uint32_t rate,
                                          uint16_t channels, uint16_t bits, uint32_t current);
    void      (ZELOAPI *FilterSetOptions)(FltHandle in, uint32_t options, uint32_t rate,
                                          uint16_t channels, uint16_t bits);
    uint32_t  (ZELOAPI *FilterCanReadSpecial)(FltHandle in, int code);
    uint32_t  (ZELOAPI *FilterReadSpecial)(FltHandle in, int code, void *buffer, uint32_t size);
    FltHandle (ZELOAPI *OpenFilterOutput)(const char *fileName, uint32_t rate, uint16_t bits,
                                          uint16_t channels, uint32_t dataBytes,
                                          uint32_t *pieceSize, uint32_t options);
    uint32_t  (ZELOAPI *WriteFilterOutput)(FltHandle out, const uint8_t *buffer, uint32_t count);
    uint32_t  (ZELOAPI *FilterOptions)(FltHandle in);
    void      (ZELOAPI *CloseFilterOutput)(FltHandle out);
    void      (ZELOAPI *GetSuggestedSampleType)(uint32_t *rate, uint16_t *bits, uint16_t *channels);
    void      (ZELOAPI *GetSuggestedSampleType2)(uint32_t *rate, uint16_t *bits,
                                                 uint16_t *channels, uint32_t options);
    short     (ZELOAPI *FilterCanWriteSpecial)(FltHandle out, int code);
    void      (ZELOAPI *FilterWriteSpecial)(FltHandle out, int code, const void *data, uint32_t size);
    /* Later, optional: a close that says whether the file is complete (1) or not (0). */
    short     (ZELOAPI *CloseFilterOutput2)(FltHandle out);
    /* Later, optional: the stored type of a file read in a narrower form; 1 when filled. */
    short     (ZELOAPI *FilterStoredType)(FltHandle in, uint16_t *bits, uint16_t *channels,
                                          uint16_t *isFloat);
};

/* How modules are loaded, listed and announced on this platform.  fltload_win.cpp fills it
   with LoadLibrary and friends; natively there is no module loading until a test installs
   its own functions. */
struct FltPlatform {
    /* Loads path and fills m; 0 ok, else *error gets the system error (2 not found, 5 denied). */
    int      (*load)(const char *path, FltModule *m, uint32_t *error);
    void     (*unload)(FltModule *m);
    /* Sum over dir's *.flt files of the low 32 bits of creation time plus size. */
    uint32_t (*signature)(const char *dir);
    /* Tells every top-level window that the "Extensions" profile section changed. */
    void     (*extensionsChanged)(void);
};
extern FltPlatform FltOs;

#endif
