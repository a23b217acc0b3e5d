/*
 * zfilter.h - the file-filter module interface (modules "*.flt").
 *
 * A file filter is a 32-bit DLL that reads and/or writes one family of sound files for the
 * editor.  It exports the entry points below by their undecorated names (list them in a .def
 * file: "QueryZeloFilter = QueryZeloFilter@4" and so on) with the WINAPI convention.  Sample
 * data crosses the interface as canonical PCM: interleaved frames, left first, 8-bit unsigned
 * (silence 0x80), 16-bit signed little-endian.
 *
 * This header is shared by the host and every filter; it includes <windows.h>.
 */
#ifndef ZELO_ZFILTER_H
#define ZELO_ZFILTER_H

#include <windows.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* QueryZeloFilter must return this for the host to accept the module. */
#define ZF_QUERY_OK 0x0480

/* Filter record flags. */
#define ZF_CANWRITE          0x002  /* listed in the Save dialog */
#define ZF_CANREAD           0x004  /* listed in the Open dialog and probed */
#define ZF_SORTLAST          0x008  /* sorts after the filters without this bit */
#define ZF_SPECIAL_READ_PRE  0x010  /* special items are read before the sample data */
#define ZF_SPECIAL_READ_POST 0x020  /* ... after it (ignored with 0x010) */
#define ZF_SPECIAL_WRITE_PRE 0x040  /* special items are written before the sample data */
#define ZF_SPECIAL_WRITE_POST 0x080 /* ... after it (ignored with 0x040) */
#define ZF_HASOPTIONS        0x100  /* the Save dialog's Options button is enabled */
#define ZF_AUTOCONVERT       0x200  /* convert to the suggested sample type without asking */
#define ZF_UNCERTAIN         0x400  /* the format is certain only with an options text */

/* Special item codes. */
#define ZF_IART 20
#define ZF_ICMT 21
#define ZF_ICOP 22
#define ZF_ICRD 23
#define ZF_IENG 24
#define ZF_IGNR 25
#define ZF_IKEY 26
#define ZF_IMED 27
#define ZF_INAM 28
#define ZF_ISFT 29
#define ZF_ISRC 30
#define ZF_ITCH 31
#define ZF_ISBJ 32
#define ZF_ISRF 33
#define ZF_DISP 34          /* display item: u32 type then bytes; there may be several */
#define ZF_CUEPOINTS 40     /* 24 bytes per cue (RIFF cue-point record) */
#define ZF_CUELENGTHS 41    /* 20 bytes per cue (ZfCueLength) */
#define ZF_CUENOTES 42      /* per cue: u32 id, text, zero byte; packed */
#define ZF_CUELABELS 43     /* per cue: u32 id, text, zero byte; packed */
#define ZF_PLAYLIST 44      /* 12 bytes per entry (ZfPlayItem) */

/* The four-character ids of codes 20..34, in code order. */
#define ZF_INFO_IDS { "IART", "ICMT", "ICOP", "ICRD", "IENG", "IGNR", "IKEY", "IMED", \
                      "INAM", "ISFT", "ISRC", "ITCH", "ISBJ", "ISRF", "DISP" }

/* Host-provided room for FilterOptionsString's text. */
#define ZF_OPTIONS_TEXT_MAX 256

/* Input and output handles are 32-bit values chosen by the filter; 0 means failure. */
typedef DWORD ZFHANDLE;

#pragma pack(push, 1)
/* One filter: the first 156 bytes are filled by QueryZeloFilter, the rest by the host.
   The same 180 bytes are stored in the filter cache file. */
typedef struct ZfFilterRecord {
    char     formatName[24];   /* shown in the type lists; zero-terminated */
    char     progressNote[108];/* shown in the progress dialog while saving */
    uint32_t flags;            /* ZF_* flags */
    char     ext[8];           /* main extension without dot */
    char     ext2[4];          /* further extensions, or empty (cleared by the host first) */
    char     ext3[4];
    char     ext4[4];
    char     moduleName[20];   /* host: the module's file name, no directory */
    uint16_t savePos;          /* host: 1-based position in the Save type list, 0 = none */
    uint16_t openPos;          /* host: 1-based position in the Open type list, 0 = none */
} ZfFilterRecord;

/* RIFF cue-point record (code 40). */
typedef struct ZfCuePoint {
    uint32_t id;
    uint32_t position;
    uint32_t chunkId;          /* "data" */
    uint32_t chunkStart;
    uint32_t blockStart;
    uint32_t sampleOffset;     /* frame of the cue */
} ZfCuePoint;

/* Cue length record (code 41). */
typedef struct ZfCueLength {
    uint32_t id;
    uint32_t length;           /* frames */
    char     purpose[4];       /* "mark" */
    uint16_t country, language, dialect, codePage;
} ZfCueLength;

/* Play list entry (code 44). */
typedef struct ZfPlayItem {
    uint32_t id;               /* cue identifier */
    uint32_t length;           /* frames */
    uint32_t loops;
} ZfPlayItem;
#pragma pack(pop)

#if defined(__i386__) || defined(_M_IX86)
#define ZF_CHECK(c) static_assert(c, #c)
ZF_CHECK(sizeof(ZfFilterRecord) == 180);
ZF_CHECK(offsetof(ZfFilterRecord, progressNote) == 24);
ZF_CHECK(offsetof(ZfFilterRecord, flags) == 132);
ZF_CHECK(offsetof(ZfFilterRecord, ext) == 136);
ZF_CHECK(offsetof(ZfFilterRecord, ext2) == 144);
ZF_CHECK(offsetof(ZfFilterRecord, ext3) == 148);
ZF_CHECK(offsetof(ZfFilterRecord, ext4) == 152);
ZF_CHECK(offsetof(ZfFilterRecord, moduleName) == 156);
ZF_CHECK(offsetof(ZfFilterRecord, savePos) == 176);
ZF_CHECK(offsetof(ZfFilterRecord, openPos) == 178);
ZF_CHECK(sizeof(ZfCuePoint) == 24);
ZF_CHECK(sizeof(ZfCueLength) == 20);
ZF_CHECK(sizeof(ZfPlayItem) == 12);
ZF_CHECK(sizeof(ZFHANDLE) == 4);
#undef ZF_CHECK
#endif

/* Entry points (exported by name; all but the first group are optional, see below).
   Reading needs FilterUnderstandsFormat, OpenFilterInput or OpenFilterInput2,
   CloseFilterInput, ReadFilterInput and FilterGetFileSize.  Writing needs OpenFilterOutput,
   WriteFilterOutput and CloseFilterOutput.

   Two optional entry points added later tell the host what the older ones cannot; a host
   that does not know them never calls them, and a filter without them works as before:
   - CloseFilterOutput2 closes like CloseFilterOutput but returns 1 only when the file is
     complete (every byte and special item written), 0 otherwise.  A host that has it calls
     it instead of CloseFilterOutput and tells the user itself, so the filter shows nothing.
   - FilterStoredType gives the sample type the file really holds when the filter delivers
     something narrower (24-bit as 16-bit, float as 16-bit, four channels as two): stored
     bits per sample, stored channels and 1 for floating point.  Returns 1 when filled. */
typedef short    (WINAPI *ZfQueryZeloFilter)(ZfFilterRecord *record);
typedef short    (WINAPI *ZfFilterUnderstandsFormat)(LPCSTR fileName);
typedef ZFHANDLE (WINAPI *ZfOpenFilterInput)(LPCSTR fileName, uint32_t *rate, uint16_t *bits,
                                             uint16_t *channels, HWND owner, uint32_t *pieceSize);
typedef ZFHANDLE (WINAPI *ZfOpenFilterInput2)(LPCSTR fileName, uint32_t *rate, uint16_t *bits,
                                              uint16_t *channels, HWND owner, uint32_t *pieceSize,
                                              HINSTANCE module);
typedef uint32_t (WINAPI *ZfFilterGetFileSize)(ZFHANDLE in);
typedef uint32_t (WINAPI *ZfReadFilterInput)(ZFHANDLE in, BYTE *buffer, uint32_t pieceSize);
typedef uint32_t (WINAPI *ZfSeekFilterInput)(ZFHANDLE in, uint32_t bytePosition);
typedef void     (WINAPI *ZfCloseFilterInput)(ZFHANDLE in);
typedef short    (WINAPI *ZfFilterOptionsString)(ZFHANDLE in, LPSTR text);
typedef uint32_t (WINAPI *ZfFilterGetOptions)(HWND owner, HINSTANCE module, uint32_t rate,
                                              uint16_t channels, uint16_t bits, uint32_t current);
typedef void     (WINAPI *ZfFilterSetOptions)(ZFHANDLE in, uint32_t options, uint32_t rate,
                                              uint16_t channels, uint16_t bits);
typedef uint32_t (WINAPI *ZfFilterCanReadSpecial)(ZFHANDLE in, int code);
typedef uint32_t (WINAPI *ZfFilterReadSpecial)(ZFHANDLE in, int code, void *buffer, uint32_t size);
typedef ZFHANDLE (WINAPI *ZfOpenFilterOutput)(LPCSTR fileName, uint32_t rate, uint16_t bits,
                                              uint16_t channels, uint32_t dataBytes,
                                              uint32_t *pieceSize, uint32_t options);
typedef uint32_t (WINAPI *ZfWriteFilterOutput)(ZFHANDLE out, const BYTE *buffer, uint32_t count);
typedef uint32_t (WINAPI *ZfFilterOptions)(ZFHANDLE in);
typedef void     (WINAPI *ZfCloseFilterOutput)(ZFHANDLE out);
typedef short    (WINAPI *ZfCloseFilterOutput2)(ZFHANDLE out);
typedef short    (WINAPI *ZfFilterStoredType)(ZFHANDLE in, uint16_t *bits, uint16_t *channels,
                                              uint16_t *isFloat);
typedef void     (WINAPI *ZfGetSuggestedSampleType)(uint32_t *rate, uint16_t *bits, uint16_t *channels);
typedef void     (WINAPI *ZfGetSuggestedSampleType2)(uint32_t *rate, uint16_t *bits,
                                                     uint16_t *channels, uint32_t options);
typedef short    (WINAPI *ZfFilterCanWriteSpecial)(ZFHANDLE out, int code);
typedef void     (WINAPI *ZfFilterWriteSpecial)(ZFHANDLE out, int code, const void *data, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif
